#include "tree/TreeText.h"

#include "tree/NodeData.h"

namespace {

void AppendVisible(const TTreeItem& item, int level, std::vector<std::string>& lines) {
  lines.push_back(std::string(static_cast<std::size_t>(2 * level), ' ') + item.Text());
  if (!item.Expanded()) return;
  for (int i = 0; i < item.Count(); ++i) AppendVisible(*item.Item(i), level + 1, lines);
}

}  // namespace

std::vector<std::string> VisibleText(const TTreeItem& item) {
  std::vector<std::string> lines;
  AppendVisible(item, 0, lines);
  return lines;
}

std::vector<std::string> VisibleText(const TTreeModel& tree) {
  std::vector<std::string> lines;
  for (int i = 0; i < tree.Count(); ++i) AppendVisible(*tree.Item(i), 0, lines);
  return lines;
}

TTreeItem* FindChild(const TTreeItem& parent, std::string_view name,
                     std::optional<std::int16_t> index) {
  for (int i = 0; i < parent.Count(); ++i) {
    TTreeItem* child = parent.Item(i);
    const TTVNodeData* node = child->Data();
    if (node == nullptr || node->Name != name) continue;
    if (!index || node->Index == *index) return child;
  }
  return nullptr;
}
