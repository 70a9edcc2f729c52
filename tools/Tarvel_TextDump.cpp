#include "tools/Tarvel_TextDump.h"

#include <QFont>
#include <QPlainTextEdit>
#include <QStringList>
#include <QVBoxLayout>
#include <cstdio>
#include <memory>

#include "tools/Tarvel_UI.h"
#include "tree/NodeData.h"

std::vector<std::string> TextDumpLines(std::string_view text) {
  std::vector<std::string> lines;
  std::string hex;
  std::string chars;
  std::size_t offset = 1;
  const auto emitLine = [&](std::size_t next) {
    char head[24];
    std::snprintf(head, sizeof head, "%04zX", offset);
    hex.resize(48, ' ');
    lines.push_back(std::string(head) + " | " + hex + " | " + chars);
    hex.clear();
    chars.clear();
    offset = next;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto code = static_cast<unsigned char>(text[i]);
    char byte[4];
    std::snprintf(byte, sizeof byte, " %02X", static_cast<unsigned>(code));
    hex += byte;
    chars += code >= 32 && code <= 127 ? static_cast<char>(code) : '.';
    if (chars.size() == 16) emitLine(i + 2);
  }
  if (!chars.empty()) emitLine(text.size() + 1);
  return lines;
}

Tfm_TextDump::Tfm_TextDump(QWidget* owner)
    : QDialog(owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  resize(560, 126);
  mem_Dump = MakeListingMemo(this, "-- Text detail --");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(mem_Dump);
}

void Tfm_TextDump::DumpText(const std::string& text) {
  QStringList lines;
  // Every line is ASCII: the character column holds only codes 32..127.
  for (const std::string& line : TextDumpLines(text)) lines << QString::fromLatin1(line);
  mem_Dump->setPlainText(lines.join(QLatin1Char('\n')));
}

void OpenTextDetail(QWidget* opener, TTVNodeData& node) {
  node.Refresh(0);
  const auto window = std::make_unique<Tfm_TextDump>(opener);
  window->setWindowTitle(ToQString("Text detail for: " + node.Name));
  window->DumpText(node.GetValueStr(10000, true));
  if (opener != nullptr) PlaceBeside(*window, *opener);
  RunModal(*window);
}
