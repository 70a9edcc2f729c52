// What the tool window tests share: a modal runner that looks at a dialog
// instead of waiting for a user, and the text a memo or label shows.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tools/Tarvel_UI.h"

namespace tools_test {

// Installs a modal runner for its lifetime. The runner gets the dialog and
// must close it; how often it ran is counted.
class ModalRunnerScope {
 public:
  explicit ModalRunnerScope(std::function<void(QDialog&)> look)
      : previous_(SetModalRunner([this, look = std::move(look)](QDialog& dialog) {
          ++runs;
          look(dialog);
          return dialog.result();
        })) {}
  ~ModalRunnerScope() { SetModalRunner(std::move(previous_)); }
  ModalRunnerScope(const ModalRunnerScope&) = delete;
  ModalRunnerScope& operator=(const ModalRunnerScope&) = delete;

  int runs = 0;

 private:
  TModalRunner previous_;
};

inline std::string Text(const QLabel& label) {
  return label.text().toStdString();
}
// The memo's text with its non-breaking spaces (which toPlainText turns into
// blanks) and line breaks between paragraphs.
inline std::string Text(const QPlainTextEdit& memo) {
  return memo.document()
      ->toRawText()
      .replace(QChar::ParagraphSeparator, QLatin1Char('\n'))
      .toStdString();
}

inline std::vector<std::string> Lines(const QPlainTextEdit& memo) {
  std::vector<std::string> lines;
  const std::string text = Text(memo);
  if (text.empty()) return lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  lines.push_back(text.substr(start));
  return lines;
}

}  // namespace tools_test
