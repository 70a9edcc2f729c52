// The stencils docked in a window. For now the node shows its name and
// opens nothing.
#pragma once

#include "tree/NodeData.h"

class TND_DockedStencils final : public TTVNodeData {
 public:
  TND_DockedStencils(std::string name, std::int32_t propIndex, TTreeModel& tree,
                     TTreeItem* parentItem, TTreeItem* insertBefore, std::int16_t index,
                     TAccessKind access, TIndexStyle indexStyle, TVisObjSource objSource,
                     TNodeKind nodeKind, const TLUT* indexLUT, const TLUT* valueLUT)
      : TTVNodeData("TND_DockedStencils", std::move(name), propIndex, tree, parentItem,
                    insertBefore, index, access, indexStyle, objSource, nodeKind, indexLUT,
                    valueLUT) {}

  std::string GetCaption() override { return Name; }
};
