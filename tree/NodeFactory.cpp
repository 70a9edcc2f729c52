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

// In the order of TNodeClass.
constexpr std::array<TMaker, 65> kMakers = {
    &Make<TND_Smallint>,         &Make<TND_Integer>,       &Make<TND_WideString>,
    &Make<TND_Double>,           &Make<TND_OleVariant>,    &Make<TND_IDispatch>,
    &Make<TND_IUnknown>,         &Make<TND_Array>,         &Make<TND_CellsSections>,
    &Make<TND_DockedStencils>,   &Make<TND_IVApplication>, &Make<TND_IVCell>,
    &Make<TND_IVCharacters>,     &Make<TND_IVConnect>,     &Make<TND_IVConnects>,
    &Make<TND_IVDocument>,       &Make<TND_IVDocuments>,   &Make<TND_IVMaster>,
    &Make<TND_IVMasters>,        &Make<TND_IVPage>,        &Make<TND_IVPages>,
    &Make<TND_IVSelection>,      &Make<TND_IVShape>,       &Make<TND_IVShapes>,
    &Make<TND_IVStyle>,          &Make<TND_IVStyles>,      &Make<TND_IVWindow>,
    &Make<TND_IVWindows>,        &Make<TND_IVLayer>,       &Make<TND_IVLayers>,
    &Make<TND_IVFont>,           &Make<TND_IVFonts>,       &Make<TND_IVColor>,
    &Make<TND_IVColors>,         &Make<TND_IVAddon>,       &Make<TND_IVAddons>,
    &Make<TND_IVEvent>,          &Make<TND_IVEventList>,   &Make<TND_IVMenuItem>,
    &Make<TND_IVMenuItems>,      &Make<TND_IVMenu>,        &Make<TND_IVMenus>,
    &Make<TND_IVMenuSet>,        &Make<TND_IVMenuSets>,    &Make<TND_IVToolbarItem>,
    &Make<TND_IVToolbarItems>,   &Make<TND_IVToolbar>,     &Make<TND_IVToolbars>,
    &Make<TND_IVToolbarSet>,     &Make<TND_IVToolbarSets>, &Make<TND_IVStatusBarItem>,
    &Make<TND_IVStatusBarItems>, &Make<TND_IVStatusBar>,   &Make<TND_IVStatusBars>,
    &Make<TND_IVAccelItem>,      &Make<TND_IVAccelItems>,  &Make<TND_IVAccelTable>,
    &Make<TND_IVAccelTables>,    &Make<TND_IVUIObject>,    &Make<TND_IVHyperlink>,
    &Make<TND_IVOLEObjects>,     &Make<TND_IVOLEObject>,   &Make<TND_IVPaths>,
    &Make<TND_IVPath>,           &Make<TND_IVCurve>};

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
