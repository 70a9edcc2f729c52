#include "tools/Tarvel_UI.h"

#include <QApplication>
#include <QDialog>
#include <QFrame>
#include <QPushButton>
#include <QInputDialog>
#include <QLabel>
#include <QLayout>
#include <QPlainTextEdit>
#include <QMessageBox>
#include <QWidget>

#include <algorithm>
#include <exception>

#include "visio/ErrorText.h"

namespace {

TModalRunner& CurrentRunner() {
  static TModalRunner runner;
  return runner;
}

TInputBox& CurrentInputBox() {
  static TInputBox box;
  return box;
}

}  // namespace

void ShowCurrentException() {
  try {
    throw;
  } catch (const std::exception& e) {
    ShowMessage(TrimText(ErrorMessage(e)));
  } catch (...) {
    ShowMessage("Unknown error");
  }
}

QString InputBox(QWidget* parent, const QString& caption, const QString& prompt,
                 const QString& value) {
  if (const TInputBox& box = CurrentInputBox()) return box(parent, caption, prompt, value);
  bool ok = false;
  const QString text = QInputDialog::getText(parent, caption, prompt, QLineEdit::Normal, value, &ok);
  return ok ? text : value;
}

TInputBox SetInputBox(TInputBox box) {
  TInputBox previous = std::move(CurrentInputBox());
  CurrentInputBox() = std::move(box);
  return previous;
}

int RunModal(QDialog& dialog) {
  const TModalRunner& runner = CurrentRunner();
  const int result = runner ? runner(dialog) : dialog.exec();
  // The keyboard goes back to the window the tool was opened from (its
  // focused control with it); left alone, the window manager hands it to
  // whichever window it likes, often the main window.
  if (QWidget* opener = dialog.parentWidget()) {
    QWidget* window = opener->window();
    window->raise();
    window->activateWindow();
  }
  return result;
}

TModalRunner SetModalRunner(TModalRunner runner) {
  TModalRunner previous = std::move(CurrentRunner());
  CurrentRunner() = std::move(runner);
  return previous;
}

void PlaceBeside(QWidget& window, const QWidget& opener) {
  // The window takes its final size now, before it has a native window: a
  // window that grows between being made and being shown (its layout needs
  // more than the designed size) asks the window manager to place its
  // inside, not its frame, where the frame belongs, and its title bar then
  // covers the opener's.
  window.ensurePolished();
  if (QLayout* layout = window.layout()) layout->activate();
  // Both corners are outer ones: pos() and move() include the frame.
  window.move(opener.pos() + QPoint(32, 32));
}

void UseDesignFont(QWidget& panel) {
  // In the style sheet: a style sheet's font wins over an inherited one.
  panel.setStyleSheet(
      QStringLiteral("* { font-size: 11px; } QPushButton { padding: 0px 2px; }"));
}

QFrame* MakeToolPanel(QWidget* parent, int height) {
  auto* panel = new QFrame(parent);
  panel->setObjectName(QStringLiteral("Panel1"));
  panel->setFrameShape(QFrame::Panel);
  panel->setFrameShadow(QFrame::Raised);
  panel->setFixedHeight(height);
  UseDesignFont(*panel);
  return panel;
}

QPushButton* MakeButton(QWidget* parent, const char* caption, int left, int top, int width) {
  auto* button = new QPushButton(QString::fromLatin1(caption), parent);
  button->ensurePolished();
  const int textWidth = button->fontMetrics().horizontalAdvance(button->text()) + 8;
  button->setGeometry(left, top, std::max(width, textWidth), 20);
  button->setAutoDefault(false);
  return button;
}

QLabel* MakeLabel(QWidget* parent, const char* caption, int left, int top) {
  auto* label = new QLabel(QString::fromLatin1(caption), parent);
  label->move(left, top);
  label->adjustSize();
  return label;
}

QLabel* MakeValueLabel(QWidget* parent, const char* caption, const QRect& geometry) {
  auto* label = new QLabel(QString::fromLatin1(caption), parent);
  label->setGeometry(geometry);
  label->setFixedSize(geometry.size());
  label->setAutoFillBackground(true);
  QPalette palette = label->palette();
  palette.setColor(QPalette::Window, Qt::white);
  label->setPalette(palette);
  return label;
}

QPlainTextEdit* MakeListingMemo(QWidget* parent, const char* text) {
  auto* memo = new QPlainTextEdit(QString::fromLatin1(text), parent);
  memo->setReadOnly(true);
  QFont font(QStringLiteral("Courier New"));
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  memo->setFont(font);
  memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  return memo;
}

TWaitCursor::TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
TWaitCursor::~TWaitCursor() { QApplication::restoreOverrideCursor(); }

TMessageBoxPort::TMessageBoxPort() : previous_(SetMessagePort(this)) {}
TMessageBoxPort::~TMessageBoxPort() { SetMessagePort(previous_); }

void TMessageBoxPort::ShowMessage(const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), ToQString(text),
                  QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}
