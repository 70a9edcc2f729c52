#include "tree/NodeFactory.h"

#include <array>

#include "tree/DockedStencilsNode.h"
#include "tree/Tarvel_Cells01.h"
#include "tree/ValueNodes.h"
#include "tree/VisObjectNodes.h"

namespace {

using TMaker = TTVNodeData& (*)(std::string, std::int32_t, TTreeModel&, TTreeItem*, TTreeItem*,
                                std::int16_t, TAccessKind, TIndexStyle, TVisObjSource, TNodeKind,
                                const TLUT*, const TLUT*);

template <class T>
TTVNodeData& Make(std::string name, std::int32_t propIndex, TTreeModel& tree, TTreeItem* parentItem,
                  TTreeItem* insertBefore, std::int16_t index, TAccessKind access,
                  TIndexStyle indexStyle, TVisObjSource objSource, TNodeKind nodeKind,
                  const TLUT* indexLUT, const TLUT* valueLUT) {
  if constexpr (std::is_same_v<T, TND_Array> || std::is_same_v<T, TND_DockedStencils>) {
    return MakeNode<T>(std::move(name), propIndex, tree, parentItem, insertBefore, access,
                       indexStyle, objSource, nodeKind, indexLUT, valueLUT);
  } else if constexpr (std::is_same_v<T, TND_CellsSections>) {
    // The sheet's nodes fix their own settings.
    return MakeNode<T>(std::move(name), propIndex, tree, parentItem, insertBefore);
  } else {
    return MakeNode<T>(std::move(name), propIndex, tree, parentItem, insertBefore, index, access,
                       indexStyle, objSource, nodeKind, indexLUT, valueLUT);
  }
}

// In the order of TNodeClass: each class is the node type of its name.
constexpr auto kMakers = std::to_array<TMaker>({
#define TARVEL_NODE_CLASS_MAKER(cls) &Make<cls>,
    TARVEL_NODE_CLASSES(TARVEL_NODE_CLASS_MAKER)
#undef TARVEL_NODE_CLASS_MAKER
});

}  // namespace

TTVNodeData& MakeNodeOfClass(TNodeClass cls, std::string name, std::int32_t propIndex,
                             TTreeModel& tree, TTreeItem* parentItem, TTreeItem* insertBefore,
                             std::int16_t index, TAccessKind access, TIndexStyle indexStyle,
                             TVisObjSource objSource, TNodeKind nodeKind, const TLUT* indexLUT,
                             const TLUT* valueLUT) {
  return kMakers.at(static_cast<std::size_t>(cls))(std::move(name), propIndex, tree, parentItem,
                                                   insertBefore, index, access, indexStyle,
                                                   objSource, nodeKind, indexLUT, valueLUT);
}
