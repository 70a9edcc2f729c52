#include "tree/NodeData.h"

#include <algorithm>

#include "lut/Tarvel_TLUT.h"

TTVNodeData::TTVNodeData(std::string_view typeLabel, std::string name, std::int32_t propIndex,
                         TTreeModel& tree, TTreeItem* parentItem, TTreeItem* insertBefore,
                         std::int16_t index, TAccessKind access, TIndexStyle indexStyle,
                         TVisObjSource objSource, TNodeKind nodeKind, const TLUT* indexLUT,
                         const TLUT* valueLUT)
    : TypeLabel(typeLabel),
      Name(std::move(name)),
      PropIndex(propIndex),
      Tree(&tree),
      TreeNode(nullptr),
      ParentData(parentItem != nullptr ? parentItem->Data() : nullptr),
      Index(index),
      Access(access),
      IndexStyle(indexStyle),
      ObjSource(objSource),
      NodeKind(nodeKind),
      IndexLUT(indexLUT),
      ValueLUT(valueLUT) {
  TreeNode = tree.Add(parentItem, insertBefore, Name + " ERROR: uninitialized");
  TreeNode->data_.reset(this);
  TreeNode->SetStateIndex(static_cast<std::uint8_t>(NodeKind));
}

TTVNodeData::~TTVNodeData() {
  // Only when a subclass constructor failed does the item still hold this
  // node: let go of it so the item does not delete it a second time.
  if (TreeNode != nullptr && TreeNode->data_.get() == this) {
    static_cast<void>(TreeNode->data_.release());
  }
}

automation::ObjectRef TTVNodeData::GetVisObject() {
  return {};
}

TTVNodeData* TTVNodeData::CopyToTree(TTreeModel&) {
  return nullptr;
}

void TTVNodeData::CreateChildren() {}

bool TTVNodeData::IsExpanded() const {
  return TreeNode != nullptr && TreeNode->Expanded();
}

void TTVNodeData::Refresh(int mode) {
  const bool hasObject = RefreshVisObject();
  if (TreeNode != nullptr) TreeNode->SetText(GetCaption());
  if (!hasObject) {
    // While Visio refuses calls, an object that seems gone may only be out
    // of reach: keep the user's open branch.
    if (IsExpanded() && !VisioController.CallRefused()) TreeNode->Collapse();
  } else if (mode == 2 && IsExpanded()) {
    const int count = TreeNode->Count();
    for (int i = 0; i < count && i < TreeNode->Count(); ++i) {
      if (TTVNodeData* child = TreeNode->Item(i)->Data()) child->Refresh(2);
    }
  }
}

std::string TTVNodeData::GetIdentifyingStr() {
  return "ERROR: GetIdentifyingStr";
}

std::string TTVNodeData::GetValueStr(int maxLength, bool raw) {
  ValueErrorStr.clear();
  if (ParentData == nullptr) return {};
  return ParentData->GetChildValueStr(*this, maxLength, raw);
}

TSetValueStatus TTVNodeData::SetValueStr(const std::string& value, std::string& message) {
  if (ParentData == nullptr) {
    message.clear();
    return svsMisc;
  }
  return ParentData->SetChildValueStr(*this, value, message);
}

bool TTVNodeData::RefreshVisObject() {
  return false;
}

std::string TTVNodeData::GetCaption() {
  return "ERROR: Default Property Caption";
}

std::string TTVNodeData::GetToolTip() {
  return {};
}

void TTVNodeData::CreateArrayChildren(TTVNodeData&) {}

void TTVNodeData::CreateArrayElement(TTVNodeData&, int, TTreeItem*) {}

void TTVNodeData::RefreshChildVisObject(TTVNodeData&) {}

std::string TTVNodeData::GetChildValueStr(TTVNodeData&, int maxLength, bool) {
  constexpr std::string_view text = "ERROR: GetChildValueStr";
  return std::string(text.substr(0, static_cast<std::size_t>(std::max(maxLength, 0))));
}

TSetValueStatus TTVNodeData::SetChildValueStr(TTVNodeData&, const std::string&,
                                              std::string& message) {
  message.clear();
  return svsMisc;
}

bool TTVNodeData::IsVisObjectNode() const {
  return false;
}

std::int32_t TTVNodeData::GetIndexValue(TIndexKind) {
  return -1;
}

std::int32_t TTVNodeData::GetCountValue(TCountKind) {
  return -1;
}

std::string TTVNodeData::GetShortTypeName() const {
  std::string_view label = TypeLabel;
  if (label.starts_with("IV")) label = label.substr(2, 100);
  return std::string(label);
}

std::string TTVNodeData::BaseIndexText(bool memberStyles) const {
  switch (IndexStyle) {
    case TIndexStyle::NoIndex:
      return {};
    case TIndexStyle::LUT: {
      std::string text = std::to_string(Index);
      if (IndexLUT != nullptr) text += "=" + IndexLUT->Lookup(Index);
      return text;
    }
    case TIndexStyle::Item0:
    case TIndexStyle::Item1:
    case TIndexStyle::Layer1:
      if (memberStyles) return std::to_string(Index);
      return "??";
    default:
      return "??";
  }
}

std::string TTVNodeData::ValuePart(const std::string& valueText) {
  return valueText.empty() ? std::string() : "= " + valueText;
}

std::string TTVNodeData::JoinCaption(std::string_view indexText, std::string_view identifying,
                                     std::string_view valuePart) {
  CaptionValue = valuePart.starts_with("= ") ? valuePart.substr(2) : valuePart;
  std::string caption = Name;
  if (!indexText.empty()) {
    caption += '[';
    caption += indexText;
    caption += ']';
  }
  caption += ' ';
  caption += ObjErrorStr;
  caption += ' ';
  caption += identifying;
  caption += ' ';
  caption += ValueErrorStr;
  caption += valuePart;
  return caption;
}
