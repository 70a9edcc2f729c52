// The property tables are data: these tests hold them to their own rules.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "lut/Tarvel_TLUT.h"
#include "lut/Tarvel_TreeNodeLUTs.h"
#include "tree/NodeFactory.h"
#include "tree/PropertyTables.h"
#include "tree/ValueText.h"
#include "tree/VisObjectNodes.h"

namespace {

class PropertyTablesTest : public testing::Test {
 protected:
  void SetUp() override { BuildVisioConstantCatalogue(); }
};

std::vector<std::string> RowNames(const TVisInterface& visInterface) {
  std::vector<std::string> names;
  for (const TPropRow& row : visInterface.Rows) names.emplace_back(row.Name);
  return names;
}

TEST_F(PropertyTablesTest, FiftyFiveInterfacesWithTheirChildCounts) {
  const std::vector<std::pair<std::string, int>> expected = {
      {"IVApplication", 51}, {"IVCell", 28},          {"IVCharacters", 24},
      {"IVConnect", 11},     {"IVConnects", 8},       {"IVDocument", 55},
      {"IVDocuments", 6},    {"IVMaster", 22},        {"IVMasters", 8},
      {"IVPage", 18},        {"IVPages", 8},          {"IVSelection", 19},
      {"IVShape", 51},       {"IVShapes", 12},        {"IVStyle", 17},
      {"IVStyles", 9},       {"IVWindow", 24},        {"IVWindows", 6},
      {"IVLayer", 12},       {"IVLayers", 10},        {"IVFont", 10},
      {"IVFonts", 7},        {"IVColor", 10},         {"IVColors", 6},
      {"IVAddon", 5},        {"IVAddons", 4},         {"IVEvent", 12},
      {"IVEventList", 5},    {"IVMenuItem", 14},      {"IVMenuItems", 4},
      {"IVMenu", 6},         {"IVMenus", 4},          {"IVMenuSet", 5},
      {"IVMenuSets", 5},     {"IVToolbarItem", 15},   {"IVToolbarItems", 4},
      {"IVToolbar", 5},      {"IVToolbars", 4},       {"IVToolbarSet", 5},
      {"IVToolbarSets", 5},  {"IVStatusBarItem", 15}, {"IVStatusBarItems", 4},
      {"IVStatusBar", 5},    {"IVStatusBars", 5},     {"IVAccelItem", 7},
      {"IVAccelItems", 4},   {"IVAccelTable", 5},     {"IVAccelTables", 5},
      {"IVUIObject", 7},     {"IVHyperlink", 10},     {"IVOLEObjects", 5},
      {"IVOLEObject", 8},    {"IVPaths", 4},          {"IVPath", 5},
      {"IVCurve", 5}};
  ASSERT_EQ(VisInterfaces().size(), expected.size());
  std::size_t total = 0;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const TVisInterface& visInterface = VisInterfaces()[i];
    SCOPED_TRACE(visInterface.Name);
    EXPECT_EQ(visInterface.Name, expected[i].first);
    EXPECT_EQ(static_cast<int>(visInterface.Rows.size()), expected[i].second);
    EXPECT_EQ(NodeClassName(visInterface.Class), "TND_" + expected[i].first);
    EXPECT_EQ(&VisInterfaceOf(visInterface.Class), &visInterface);
    total += visInterface.Rows.size();
  }
  EXPECT_EQ(total, 628u);
}

// The two orders written out in prose, as a check on the tables.
TEST_F(PropertyTablesTest, DisplayOrderOfTheApplicationAndTheDocuments) {
  EXPECT_EQ(RowNames(VisInterfaceOf(TNodeClass::TND_IVApplication)),
            (std::vector<std::string>{"ObjectType",
                                      "Path",
                                      "Version",
                                      "Addons",
                                      "Documents",
                                      "EventList",
                                      "Windows",
                                      "BuiltInToolbars",
                                      "ActiveDocument",
                                      "ActivePage",
                                      "ActiveWindow",
                                      "Application_",
                                      "BuiltInMenus",
                                      "CustomMenus",
                                      "CustomToolbars",
                                      "EventInfo",
                                      "Active",
                                      "AddonPaths",
                                      "AlertResponse",
                                      "CustomMenusFile",
                                      "CustomToolbarsFile",
                                      "DeferRecalc",
                                      "DrawingPaths",
                                      "EventsEnabled",
                                      "FilterPaths",
                                      "HelpPaths",
                                      "InstanceHandle",
                                      "InstanceHandle32",
                                      "IsVisio16",
                                      "IsVisio32",
                                      "Language",
                                      "OnDataChangeDelay",
                                      "PersistsEvents",
                                      "ProcessID",
                                      "ProfileName",
                                      "PromptForSummary",
                                      "ScreenUpdating",
                                      "ShowMenus",
                                      "ShowProgress",
                                      "ShowStatusBar",
                                      "ShowToolbar",
                                      "StartupPaths",
                                      "Stat",
                                      "StencilPaths",
                                      "TemplatePaths",
                                      "ToolbarStyle",
                                      "TraceFlags",
                                      "UserName",
                                      "Vbe",
                                      "WindowHandle",
                                      "WindowHandle32"}));
  EXPECT_EQ(RowNames(VisInterfaceOf(TNodeClass::TND_IVDocuments)),
            (std::vector<std::string>{"ObjectType", "Count", "Item", "EventList", "Application_",
                                      "PersistsEvents"}));
}

TEST_F(PropertyTablesTest, EveryRowIsWellFormed) {
  for (const TVisInterface& visInterface : VisInterfaces()) {
    SCOPED_TRACE(visInterface.Name);
    std::set<std::int32_t> indices;
    std::set<std::string_view> names;
    for (const TPropRow& row : visInterface.Rows) {
      SCOPED_TRACE(row.Name);
      EXPECT_TRUE(indices.insert(row.PropIndex).second) << "PropIndex repeats";
      EXPECT_TRUE(names.insert(row.Name).second) << "name repeats";
      EXPECT_EQ(FindRow(visInterface, row.PropIndex), &row);
      EXPECT_NE(row.Access, TAccessKind::DontKnow);
      for (const TLUTRef* lut : {&row.ValueLUT, &row.IndexLUT}) {
        if (*lut && lut->kind() != TLUTRef::Kind::MakerValueLUT) {
          EXPECT_NE(lut->Resolve(), nullptr);
        }
      }
      // Object nodes show no value: a value table belongs to value rows.
      if (row.ValueLUT && row.Class != TNodeClass::TND_Array) {
        EXPECT_TRUE(IsValueClass(row.Class));
      }
      // Only an array numbers its elements.
      if (row.Class != TNodeClass::TND_Array && row.Class != TNodeClass::TND_CellsSections &&
          row.Class != TNodeClass::TND_DockedStencils) {
        EXPECT_EQ(row.IndexStyle, TIndexStyle::NoIndex);
      }
      if (IsVisObjectClass(row.Class)) {
        EXPECT_TRUE(row.NodeKind == TNodeKind::VisObject ||
                    row.NodeKind == TNodeKind::VisCollection);
      }
    }
  }
}

TEST_F(PropertyTablesTest, EveryArrayHasOneElementRuleThatFitsItsNumbering) {
  int arrays = 0;
  for (const TVisInterface& visInterface : VisInterfaces()) {
    SCOPED_TRACE(visInterface.Name);
    std::set<std::string_view> described;
    for (const TElementRow& elements : visInterface.Elements) {
      EXPECT_TRUE(described.insert(elements.Array).second);
    }
    for (const TPropRow& row : visInterface.Rows) {
      const bool isArray =
          row.Class == TNodeClass::TND_Array || row.Class == TNodeClass::TND_DockedStencils;
      const TElementRow* elements = FindElements(visInterface, row.Name);
      EXPECT_EQ(elements != nullptr, isArray) << row.Name;
      if (elements == nullptr) continue;
      ++arrays;
      SCOPED_TRACE(row.Name);
      described.erase(row.Name);

      const bool objectElements = IsVisObjectClass(elements->Class);
      EXPECT_EQ(elements->ObjSource,
                objectElements ? TVisObjSource::RefreshFromAncestor : TVisObjSource::NoVisObject);
      if (row.Class == TNodeClass::TND_Array) {
        EXPECT_EQ(row.NodeKind == TNodeKind::SimplePropertyArray, !objectElements);
      }
      switch (row.IndexStyle) {
        case TIndexStyle::LUT:
        case TIndexStyle::LUTStyle:
          if (row.IndexLUT) {
            EXPECT_EQ(elements->Made, TElementsMade::EachEntry);
            EXPECT_EQ(elements->MadeFrom.Resolve(), row.IndexLUT.Resolve());
          } else if (row.Class == TNodeClass::TND_Array) {
            EXPECT_EQ(elements->Made, TElementsMade::ExactlyOneIndex0);
            // Its own value is a fixed text, unless it cannot be read at all.
            EXPECT_EQ(elements->FixedCountText.empty(), row.Access == TAccessKind::WriteOnly);
          }
          break;
        case TIndexStyle::Item1:
          EXPECT_EQ(elements->Made, TElementsMade::Index1ToCount);
          EXPECT_EQ(elements->Arg, TIndexArg::ArgItem);
          break;
        case TIndexStyle::Item0:
          EXPECT_EQ(elements->Made, TElementsMade::Index0ToCountLess1);
          EXPECT_EQ(elements->Arg, TIndexArg::ArgItem);
          break;
        case TIndexStyle::Layer1:
          EXPECT_EQ(elements->Made, TElementsMade::Index1ToLayerCount);
          break;
        default:
          ADD_FAILURE() << "an array numbered as " << TIndexStyleNames[Ord(row.IndexStyle)];
      }
    }
    EXPECT_TRUE(described.empty()) << "element rules without an array";
  }
  EXPECT_EQ(arrays, 61);
}

TEST_F(PropertyTablesTest, TheRowsThatAreExceptions) {
  struct Expected {
    TNodeClass cls;
    const char* row;
    std::string_view fixedCountText;
  };
  for (const Expected& e :
       std::vector<Expected>{{TNodeClass::TND_IVApplication, "EventInfo", kLUTSizeUnavaliable},
                             {TNodeClass::TND_IVShape, "GeomExIf", kLUTSizeUnavaliable},
                             {TNodeClass::TND_IVShapes, "ItemFromID", kLUTSizeNotAvail},
                             {TNodeClass::TND_IVStyles, "ItemFromID", kLUTSizeNotAvail},
                             {TNodeClass::TND_IVFonts, "ItemFromID", kLUTSizeNotAvail},
                             {TNodeClass::TND_IVEventList, "ItemFromID", kLUTSizeNotAvail},
                             {TNodeClass::TND_IVMenuSets, "ItemAtID", kLUTSizeNotAvail},
                             {TNodeClass::TND_IVToolbarSets, "ItemAtID", kLUTSizeNotAvail},
                             {TNodeClass::TND_IVStatusBars, "ItemAtID", kLUTSizeNotAvail},
                             {TNodeClass::TND_IVAccelTables, "ItemAtID", kLUTSizeNotAvail}}) {
    EXPECT_EQ(FindElements(VisInterfaceOf(e.cls), e.row)->FixedCountText, e.fixedCountText)
        << e.row;
  }

  // The read-write rows that have no put.
  std::set<std::string> noPut;
  for (const TVisInterface& visInterface : VisInterfaces()) {
    for (const TPropRow& row : visInterface.Rows) {
      if (row.Put == TPut::NoPut)
        noPut.insert(std::string(visInterface.Name) + "." + std::string(row.Name));
    }
  }
  EXPECT_EQ(noPut,
            (std::set<std::string>{"IVCharacters.Text", "IVPage.BackPage", "IVWindow.Page"}));

  const TVisInterface& cell = VisInterfaceOf(TNodeClass::TND_IVCell);
  EXPECT_EQ(FindRow(cell, 16)->ValueLUT.kind(), TLUTRef::Kind::MakerValueLUT);
  EXPECT_EQ(FindElements(cell, "ResultInt")->Arg, TIndexArg::ArgUnitCodeRounded);
  EXPECT_EQ(FindElements(cell, "Result_")->Arg, TIndexArg::ArgUnitCode);
  EXPECT_EQ(FindElements(VisInterfaceOf(TNodeClass::TND_IVStyle), "Cells")->Arg,
            TIndexArg::ArgStyleCellName);

  // The shape's cell accessors have no rows.
  const TVisInterface& shape = VisInterfaceOf(TNodeClass::TND_IVShape);
  for (const std::int32_t propIndex : {2, 3, 5, 45, 46, 47, 48, 49}) {
    EXPECT_EQ(FindRow(shape, propIndex), nullptr) << propIndex;
  }
}

TEST_F(PropertyTablesTest, EveryObjectClassMakesItsOwnNode) {
  TTreeModel tree;
  std::set<TNodeClass> members;
  for (const TVisInterface& visInterface : VisInterfaces()) {
    SCOPED_TRACE(visInterface.Name);
    TTVNodeData& node =
        MakeNodeOfClass(visInterface.Class, "Node", -1, tree, nullptr, nullptr, kNoIndex,
                        TAccessKind::ReadOnly, TIndexStyle::NoIndex, TVisObjSource::SupplyOnCreate,
                        TNodeKind::VisObject, nullptr, nullptr);
    EXPECT_EQ(node.TypeLabel, visInterface.Name);
    EXPECT_TRUE(node.IsVisObjectNode());
    const auto* object = dynamic_cast<TND_VisObject*>(&node);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->Interface().Class, visInterface.Class);
    // The classes that can number themselves are those with an Index.
    EXPECT_EQ(visInterface.Caption == TCaptionVariant::Member,
              (visInterface.IndexKinds & KindBit(TIndexKind::Index)) != 0);
  }
  EXPECT_NE(dynamic_cast<TND_IVShape*>(&MakeNodeOfClass(
                TNodeClass::TND_IVShape, "Shape", -1, tree, nullptr, nullptr, kNoIndex,
                TAccessKind::ReadOnly, TIndexStyle::NoIndex, TVisObjSource::SupplyOnCreate,
                TNodeKind::VisObject, nullptr, nullptr)),
            nullptr);
}

}  // namespace
