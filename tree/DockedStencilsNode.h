// The stencils docked in a window: one call on the window fills the node's
// own copy of their names, and the element nodes answer from that copy.
#pragma once

#include <string>
#include <vector>

#include "tree/NodeData.h"

class TND_DockedStencils final : public TTVNodeData {
 public:
  // Never an array element: Index is always -1.
  TND_DockedStencils(std::string name, std::int32_t propIndex, TTreeModel& tree,
                     TTreeItem* parentItem, TTreeItem* insertBefore, TAccessKind access,
                     TIndexStyle indexStyle, TVisObjSource objSource, TNodeKind nodeKind,
                     const TLUT* indexLUT, const TLUT* valueLUT);

  void CreateChildren() override;
  void Refresh(int mode) override;
  // The count of the names last read; reads nothing.
  std::string GetCaption() override;
  // The element's name from a fresh list, unquoted and uncut; "Does not
  // exist" past its end.
  std::string GetChildValueStr(TTVNodeData& child, int maxLength, bool raw) override;

  // Re-reads the names from the window node above; nothing while the node
  // is updating, so that its elements' reads cost no further Visio call.
  virtual void RefreshStencilNames();

  bool Updating = false;
  std::vector<std::string> StencilNames;

 private:
  void MakeElement(int position);
};
