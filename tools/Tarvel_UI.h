// Small pieces every window shares: showing a tool window modally, the
// hourglass cursor, and the message port that shows plain message boxes.
#pragma once

#include <QString>

#include <functional>
#include <string>

#include "lut/Tarvel_MessagePort.h"

class QDialog;
class QFrame;
class QLabel;
class QPushButton;
class QPlainTextEdit;
class QRect;
class QWidget;

// Shows `dialog` modally and returns its result. Tests replace the runner
// to look at a window and close it instead of waiting for a user.
using TModalRunner = std::function<int(QDialog& dialog)>;
int RunModal(QDialog& dialog);
// Installs `runner` (empty: the dialog's own exec()) and returns the one it
// replaces.
TModalRunner SetModalRunner(TModalRunner runner);

// Places a tool window's outer corner (its frame's, title bar included) 32
// pixels right of and below the opener's, as every tool window opens. Call
// before the window is first shown.
void PlaceBeside(QWidget& window, const QWidget& opener);

// What the application's default error dialog does with an exception that
// escapes a command: shows its message (trimmed) and lets the program go on.
// Call from inside a catch block.
void ShowCurrentException();

// Runs a command of a window so that an error escaping it is shown, not
// passed into Qt's event loop.
template <class F>
void GuardCommand(F&& command) {
  try {
    command();
  } catch (...) {
    ShowCurrentException();
  }
}

// The text input box: caption, prompt and the pre-filled value; Cancel gives
// the pre-filled value back. Tests replace it.
using TInputBox = std::function<QString(QWidget* parent, const QString& caption,
                                        const QString& prompt, const QString& value)>;
QString InputBox(QWidget* parent, const QString& caption, const QString& prompt,
                 const QString& value);
TInputBox SetInputBox(TInputBox box);

// The panels are laid out in pixels for an 11-pixel font: gives `panel` the
// desktop's font family at that size, and buttons without the style's extra
// padding, so that every caption fits its control.
void UseDesignFont(QWidget& panel);

// The raised panel of a tool window's controls, `height` pixels high, in
// the design font; the window's layout puts it on top.
QFrame* MakeToolPanel(QWidget* parent, int height);

// A button at its designed place and size (20 pixels high), wider only where
// the desktop's font needs it; Enter does not press it unless made default.
QPushButton* MakeButton(QWidget* parent, const char* caption, int left, int top, int width);

// A caption at (left, top) in its natural size.
QLabel* MakeLabel(QWidget* parent, const char* caption, int left, int top);
// A label that shows a value: fixed size, on white.
QLabel* MakeValueLabel(QWidget* parent, const char* caption, const QRect& geometry);
// A read-only memo in a fixed-pitch font with both scroll bars and no
// wrapping, for listings and dumps.
QPlainTextEdit* MakeListingMemo(QWidget* parent, const char* text);

// The hourglass while it lives; nests.
class TWaitCursor {
 public:
  TWaitCursor();
  ~TWaitCursor();
  TWaitCursor(const TWaitCursor&) = delete;
  TWaitCursor& operator=(const TWaitCursor&) = delete;
};

// Shows every message as a plain message box with an OK button, titled with
// the application's name. Installed for its lifetime.
class TMessageBoxPort final : public TMessagePort {
 public:
  TMessageBoxPort();
  ~TMessageBoxPort() override;
  TMessageBoxPort(const TMessageBoxPort&) = delete;
  TMessageBoxPort& operator=(const TMessageBoxPort&) = delete;
  void ShowMessage(const std::string& text) override;

 private:
  TMessagePort* previous_;
};

inline QString ToQString(const std::string& text) { return QString::fromStdString(text); }
inline std::string ToStdString(const QString& text) { return text.toStdString(); }
