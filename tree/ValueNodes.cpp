#include "tree/ValueNodes.h"

std::string TND_Value::GetCaption() {
  const std::string indexText = BaseIndexText(false);
  const std::string valueText = GetValueStr(100, false);
  return JoinCaption(indexText, "", ValuePart(valueText));
}

TND_Array::TND_Array(std::string name, std::int32_t propIndex, TTreeModel& tree,
                     TTreeItem* parentItem, TTreeItem* insertBefore, TAccessKind access,
                     TIndexStyle indexStyle, TVisObjSource objSource, TNodeKind nodeKind,
                     const TLUT* indexLUT, const TLUT* valueLUT)
    : TTVNodeData("TND_Array", std::move(name), propIndex, tree, parentItem, insertBefore, kNoIndex,
                  access, indexStyle, objSource, nodeKind, indexLUT, valueLUT) {}

void TND_Array::CreateChildren() {
  if (ParentData != nullptr) ParentData->CreateArrayChildren(*this);
}

void TND_Array::Refresh(int mode) {
  RefreshVisObject();  // an array holds no object
  if (TreeNode != nullptr) TreeNode->SetText(GetCaption());
  if (mode == 2 && IsExpanded()) {
    switch (IndexStyle) {
      case TIndexStyle::LUT:
      case TIndexStyle::LUTStyle: {
        // A table's entries do not change: refresh the elements one by one.
        const int count = TreeNode->Count();
        for (int i = 0; i < count && i < TreeNode->Count(); ++i) {
          if (TTVNodeData* element = TreeNode->Item(i)->Data()) element->Refresh(2);
        }
        break;
      }
      case TIndexStyle::Item0:
      case TIndexStyle::Item1:
      case TIndexStyle::Layer1: {
        const int first = IndexStyle == TIndexStyle::Item0 ? 0 : 1;
        const std::int32_t n = ParentData == nullptr
                                   ? -1
                                   : ParentData->GetCountValue(IndexStyle == TIndexStyle::Layer1
                                                                   ? TCountKind::LayerCount
                                                                   : TCountKind::Count);
        for (int i = 0; i < n; ++i) {
          if (TreeNode->Count() > i) {
            if (TTVNodeData* element = TreeNode->Item(i)->Data()) element->Refresh(2);
          } else {
            ParentData->CreateArrayElement(*this, i + first, nullptr);
          }
        }
        // A count that could not be read (-1) removes every element.
        int surplus = TreeNode->Count() - n;
        while (surplus-- > 0 && TreeNode->Count() > 0 && TreeNode->Count() > n) {
          TreeNode->Item(TreeNode->Count() - 1)->Delete();
        }
        break;
      }
      default:
        break;
    }
  }
  // The expand button stays even when there are no elements.
  if (TreeNode != nullptr) TreeNode->SetHasChildren(true);
}

std::string TND_Array::GetCaption() {
  const std::string count =
      ParentData != nullptr ? ParentData->GetChildValueStr(*this, 100, false) : std::string();
  return Name + " (Count: " + count + ")";
}

void TND_Array::RefreshChildVisObject(TTVNodeData& child) {
  if (ParentData != nullptr) ParentData->RefreshChildVisObject(child);
}

std::string TND_Array::GetChildValueStr(TTVNodeData& child, int maxLength, bool raw) {
  if (ParentData == nullptr) return {};
  return ParentData->GetChildValueStr(child, maxLength, raw);
}

TSetValueStatus TND_Array::SetChildValueStr(TTVNodeData& child, const std::string& value,
                                            std::string& message) {
  if (ParentData == nullptr) {
    message.clear();
    return svsMisc;
  }
  return ParentData->SetChildValueStr(child, value, message);
}
