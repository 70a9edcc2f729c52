#include "tree/TreeText.h"

#include <algorithm>
#include <utility>

#include "tree/NodeData.h"
#include "tree/ValueNodes.h"

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

std::string EscapedCaption(std::string_view caption) {
  std::string out;
  out.reserve(caption.size());
  auto hex = [&out](unsigned code) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) out += kDigits[(code >> shift) & 0xF];
  };
  for (std::size_t i = 0; i < caption.size(); ++i) {
    const auto c = static_cast<unsigned char>(caption[i]);
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      hex(c);
    } else if (c == 0xC2 && i + 1 < caption.size() &&
               static_cast<unsigned char>(caption[i + 1]) == 0x85) {
      hex(0x85);
      ++i;
    } else if (c == 0xE2 && i + 2 < caption.size() &&
               static_cast<unsigned char>(caption[i + 1]) == 0x80 &&
               (static_cast<unsigned char>(caption[i + 2]) == 0xA8 ||
                static_cast<unsigned char>(caption[i + 2]) == 0xA9)) {
      hex(static_cast<unsigned char>(caption[i + 2]) == 0xA8 ? 0x2028 : 0x2029);
      i += 2;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
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

std::string PathSegment(const TTreeItem& item) {
  const TTVNodeData* node = item.Data();
  if (node == nullptr) return item.Text();
  if (node->Index == kNoIndex || (!node->Name.empty() && node->Name.back() == ']')) {
    return node->Name;
  }
  return node->Name + "[" + std::to_string(node->Index) + "]";
}

bool IsArrayElement(const TTreeItem& item) {
  const TTreeItem* parent = item.Parent();
  if (parent == nullptr || item.Data() == nullptr) return false;
  const auto* array = dynamic_cast<const TND_Array*>(parent->Data());
  return array != nullptr && array->Name == item.Data()->Name;
}

std::string JoinPath(const std::vector<std::pair<std::string_view, bool>>& segments) {
  std::string path;
  for (std::size_t i = 0; i < segments.size(); ++i) {
    if (i + 1 < segments.size() && segments[i + 1].second) continue;
    if (!path.empty()) path += '/';
    path += segments[i].first;
  }
  return path;
}

std::string ItemPath(const TTreeItem& item) {
  std::vector<std::string> names;
  std::vector<bool> elements;
  for (const TTreeItem* p = &item; p != nullptr; p = p->Parent()) {
    names.push_back(PathSegment(*p));
    elements.push_back(IsArrayElement(*p));
  }
  std::vector<std::pair<std::string_view, bool>> segments;
  for (std::size_t i = names.size(); i-- > 0;) segments.emplace_back(names[i], elements[i]);
  return JoinPath(segments);
}

namespace {

// The positions from the top level down: ordering these orders items as the
// tree shows them.
std::vector<int> PositionPath(const TTreeItem& item) {
  std::vector<int> path;
  for (const TTreeItem* p = &item; p != nullptr; p = p->Parent()) path.push_back(p->Index());
  return {path.rbegin(), path.rend()};
}

}  // namespace

std::string CaptionLines(std::vector<const TTreeItem*> items) {
  std::vector<std::pair<std::vector<int>, const TTreeItem*>> ordered;
  ordered.reserve(items.size());
  for (const TTreeItem* item : items) ordered.emplace_back(PositionPath(*item), item);
  std::sort(ordered.begin(), ordered.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  std::string text;
  for (const auto& [position, item] : ordered) {
    if (!text.empty()) text += '\n';
    text += EscapedCaption(item->Text());
  }
  return text;
}
