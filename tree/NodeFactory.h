// Makes a node of a class named by a property table.
#pragma once

#include <cstdint>
#include <string>

#include "tree/NodeData.h"
#include "tree/PropertyTables.h"

// The node's item owns it. Array and docked-stencils nodes ignore `index`
// (they are never elements); a sheet node ignores everything after
// `insertBefore`.
TTVNodeData& MakeNodeOfClass(TNodeClass cls, std::string name, std::int32_t propIndex,
                             TTreeModel& tree, TTreeItem* parentItem, TTreeItem* insertBefore,
                             std::int16_t index, TAccessKind access, TIndexStyle indexStyle,
                             TVisObjSource objSource, TNodeKind nodeKind, const TLUT* indexLUT,
                             const TLUT* valueLUT);
