// The shape sheet below a shape node. For now the sections node shows its
// name and opens nothing.
#pragma once

#include "tree/NodeData.h"

class TND_CellsSections final : public TTVNodeData {
 public:
  TND_CellsSections(std::string name, std::int32_t propIndex, TTreeModel& tree,
                    TTreeItem* parentItem, TTreeItem* insertBefore, std::int16_t index,
                    TAccessKind access, TIndexStyle indexStyle, TVisObjSource objSource,
                    TNodeKind nodeKind, const TLUT* indexLUT, const TLUT* valueLUT)
      : TTVNodeData("Cells-Sections", std::move(name), propIndex, tree, parentItem, insertBefore,
                    index, access, indexStyle, objSource, nodeKind, indexLUT, valueLUT) {}

  std::string GetCaption() override { return Name; }
};
