#include "tools/Tarvel_UI.h"

#include <QApplication>
#include <QDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QWidget>

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
  return runner ? runner(dialog) : dialog.exec();
}

TModalRunner SetModalRunner(TModalRunner runner) {
  TModalRunner previous = std::move(CurrentRunner());
  CurrentRunner() = std::move(runner);
  return previous;
}

void PlaceBeside(QWidget& window, const QWidget& opener) {
  window.move(opener.x() + 32, opener.y() + 32);
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
