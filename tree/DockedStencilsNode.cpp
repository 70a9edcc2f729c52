#include "tree/DockedStencilsNode.h"

#include "tree/ValueNodes.h"
#include "tree/VisObjectNodes.h"

TND_DockedStencils::TND_DockedStencils(std::string name, std::int32_t propIndex, TTreeModel& tree,
                                       TTreeItem* parentItem, TTreeItem* insertBefore,
                                       TAccessKind access, TIndexStyle indexStyle,
                                       TVisObjSource objSource, TNodeKind nodeKind,
                                       const TLUT* indexLUT, const TLUT* valueLUT)
    : TTVNodeData("TND_DockedStencils", std::move(name), propIndex, tree, parentItem, insertBefore,
                  kNoIndex, access, indexStyle, objSource, nodeKind, indexLUT, valueLUT) {}

void TND_DockedStencils::RefreshStencilNames() {
  if (Updating) return;
  const auto* window = dynamic_cast<const TND_IVWindow*>(ParentData);
  if (window == nullptr) return;
  const automation::ObjectRef object = window->VisObj;
  VisioController.DockedStencilNames(object, StencilNames);
}

std::string TND_DockedStencils::GetCaption() {
  return Name + " (Count: " + std::to_string(StencilNames.size()) + ")";
}

std::string TND_DockedStencils::GetChildValueStr(TTVNodeData& child, int, bool) {
  RefreshStencilNames();
  if (child.Index >= 0 && static_cast<std::size_t>(child.Index) < StencilNames.size()) {
    return StencilNames[static_cast<std::size_t>(child.Index)];
  }
  return "Does not exist";
}

void TND_DockedStencils::MakeElement(int position) {
  MakeNode<TND_WideString>("DockedStencil", PropIndex, *Tree, TreeNode, nullptr,
                           static_cast<std::int16_t>(position), TAccessKind::ReadOnly,
                           TIndexStyle::LUT, TVisObjSource::NoVisObject, TNodeKind::SimpleProperty,
                           nullptr, nullptr)
      .Refresh(0);
}

void TND_DockedStencils::CreateChildren() {
  RefreshStencilNames();
  Updating = true;
  try {
    for (std::size_t i = 0; i < StencilNames.size(); ++i) MakeElement(static_cast<int>(i));
  } catch (...) {
    Updating = false;
    throw;
  }
  Updating = false;
}

void TND_DockedStencils::Refresh(int mode) {
  RefreshStencilNames();
  Updating = true;
  try {
    if (TreeNode != nullptr) TreeNode->SetText(GetCaption());
    RefreshVisObject();  // the node holds no object of its own
    if (mode == 2 && IsExpanded()) {
      TTreeItem& item = *TreeNode;
      const int entries = static_cast<int>(StencilNames.size());
      for (int i = 0; i < entries; ++i) {
        if (i < item.Count()) {
          if (TTVNodeData* element = item.Item(i)->Data()) element->Refresh(2);
        } else {
          MakeElement(i);
        }
      }
      int surplus = item.Count() - entries;
      while (surplus-- > 0 && entries < item.Count()) item.Item(item.Count() - 1)->Delete();
    }
  } catch (...) {
    Updating = false;
    throw;
  }
  Updating = false;
  if (TreeNode != nullptr) TreeNode->SetHasChildren(true);
}
