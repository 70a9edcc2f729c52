// The text detail window: one node's value text as a hexadecimal and
// character dump, so that control characters and characters outside the
// printable range can be seen.
#pragma once

#include <QDialog>
#include <string>
#include <string_view>
#include <vector>

class QPlainTextEdit;
class TTVNodeData;

// The dump lines of an 8-bit text, 16 bytes a line: the 1-based offset in at
// least four hex digits, " | ", each byte as a blank and two hex digits
// (padded to 48 characters), " | ", and the bytes 32..127 as themselves,
// every other byte as ".". An empty text gives no line.
std::vector<std::string> TextDumpLines(std::string_view text);

class Tfm_TextDump : public QDialog {
  Q_OBJECT

 public:
  explicit Tfm_TextDump(QWidget* owner = nullptr);

  // Replaces the memo's content with the dump of `text`.
  void DumpText(const std::string& text);

  QPlainTextEdit* mem_Dump;
};

// Refreshes `node` and shows its raw value text as a dump, modally, beside
// `opener`.
void OpenTextDetail(QWidget* opener, TTVNodeData& node);
