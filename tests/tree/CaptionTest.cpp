// Captions, compared to the blank: they are what the user reads.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lut/Tarvel_TLUT.h"
#include "tests/tree/FakeApplication.h"
#include "tests/tree/TreeTestSupport.h"
#include "tree/ValueNodes.h"
#include "tree/VisObjectNodes.h"

namespace {

using automation::ObjectRef;
using automation::Variant;
using automation::VarType;
using fake::FakeRef;
using tree_test::Child;
using tree_test::Expanded;

using Lines = std::vector<std::string>;

class CaptionTest : public tree_test::TreeTest {
 protected:
  fake::FakeApplication visio;
  TTreeModel tree;
  TND_IVApplication& root = MakeApplicationRoot(tree, ObjectRef(visio.app));
  TTreeItem& app = *root.TreeNode;

  // A root of any object class over `object`, made as a window makes roots.
  template <class T>
  T& Root(const char* name, const FakeRef& object, TIndexStyle style = TIndexStyle::NoIndex,
          const TLUT* indexLUT = nullptr, const TLUT* valueLUT = nullptr,
          std::int16_t index = kNoIndex) {
    T& node = MakeNode<T>(name, -1, tree, nullptr, nullptr, index, TAccessKind::ReadOnly, style,
                          TVisObjSource::SupplyOnCreate, TNodeKind::VisObject, indexLUT, valueLUT);
    node.VisObj = ObjectRef(object);
    node.Refresh(0);
    return node;
  }
};

TEST_F(CaptionTest, AnExpandedApplication) {
  app.Expand();
  const std::string u97(97, 'u');
  EXPECT_EQ(VisibleText(app), (Lines{
                                  R"(Application   "C:\Visio\" )",
                                  R"(  ObjectType   = 3 (=App))",
                                  R"(  Path   = "C:\Visio\")",
                                  R"(  Version   = "11.0")",
                                  R"(  Addons   (Count: 0) )",
                                  R"(  Documents   (Count: 2) )",
                                  R"(  EventList   (Count: 0) )",
                                  R"(  Windows   (Count: 1) )",
                                  R"(  BuiltInToolbars (Count: 1))",
                                  R"(  ActiveDocument   "Drawing1.vsd" )",
                                  R"(  ActivePage   {Not assigned})",
                                  R"(  ActiveWindow  "Drawing1.vsd:Page-1" )",
                                  R"(  Application_   "C:\Visio\" )",
                                  R"(  BuiltInMenus   "Built-In Menus" )",
                                  R"(  CustomMenus   {Not assigned})",
                                  R"(  CustomToolbars   {Not assigned})",
                                  R"(  EventInfo (Count: {LUT size unavaliable} ))",
                                  R"(  Active   = -1 (=True))",
                                  R"(  AddonPaths   = "")",
                                  R"(  AlertResponse   = 0)",
                                  R"(  CustomMenusFile   = "")",
                                  R"(  CustomToolbarsFile   = "")",
                                  R"(  DeferRecalc   = 0 (=False))",
                                  R"(  DrawingPaths   = "")",
                                  R"(  EventsEnabled   = -1 (=True))",
                                  R"(  FilterPaths   = "")",
                                  R"(  HelpPaths   = "")",
                                  R"(  InstanceHandle   = 0)",
                                  R"(  InstanceHandle32   = 4194304)",
                                  R"(  IsVisio16   = 0 (=False))",
                                  R"(  IsVisio32   = -1 (=True))",
                                  R"(  Language   = 1033)",
                                  R"(  OnDataChangeDelay   = -1)",
                                  R"(  PersistsEvents   = -1 (=True))",
                                  R"(  ProcessID   = 4242)",
                                  R"(  ProfileName   = "")",
                                  R"(  PromptForSummary   = 0 (=False))",
                                  R"(  ScreenUpdating   = -1 (=True))",
                                  R"(  ShowMenus   = -1 (=True))",
                                  R"(  ShowProgress   = -1 (=True))",
                                  R"(  ShowStatusBar   = -1 (=True))",
                                  R"(  ShowToolbar   = -1 (=True))",
                                  R"(  StartupPaths   = "")",
                                  R"(  Stat   = 0 (=00000000H))",
                                  R"(  StencilPaths   = "")",
                                  R"(  TemplatePaths   = "")",
                                  R"(  ToolbarStyle   = 0 (=On))",
                                  R"(  TraceFlags   = 0)",
                                  "  UserName   = \"" + u97 + "...\"",
                                  R"(  Vbe   = {IDispatch not implemented})",
                                  R"(  WindowHandle   = 0)",
                                  R"(  WindowHandle32   = 1311)",
                              }));
  // Types the tree does not read are not asked for.
  EXPECT_EQ(visio.app->Reads("Vbe"), 0);
}

TEST_F(CaptionTest, ADocumentsCollectionWithItsItemArray) {
  app.Expand();
  TTreeItem& documents = Expanded(Child(app, "Documents"));
  Expanded(Child(documents, "Item"));
  EXPECT_EQ(VisibleText(documents), (Lines{
                                        R"(Documents   (Count: 2) )",
                                        R"(  ObjectType   = 11 (=Docs))",
                                        R"(  Count   = 2)",
                                        R"(  Item (Count: 2))",
                                        R"(    Item[1]   "Drawing1.vsd" )",
                                        R"(    Item[2]   "Stencil1.vss" )",
                                        R"(  EventList   (Count: 0) )",
                                        R"(  Application_   "C:\Visio\" )",
                                        R"(  PersistsEvents   = -1 (=True))",
                                    }));
  // Collections take their index as a variant holding a 32-bit integer.
  ASSERT_FALSE(visio.documents->itemArgTypes.empty());
  for (VarType type : visio.documents->itemArgTypes) EXPECT_EQ(type, VarType::I4);
}

TEST_F(CaptionTest, ADocumentAndItsUnitCodeArrays) {
  const FakeRef doc = visio.documents->items[0];
  std::vector<Variant> unitArgs;
  doc->Set("Version", Variant(std::int32_t{196611}))
      .Set("Creator", "Kim")
      .OnGet("PaperWidth", [&](fake::Args args) {
        unitArgs.push_back(args[0]);
        return Variant(args[0].ToInt32() == 65 ? 8.5 : 0.25);
      });
  app.Expand();
  TTreeItem& item = Child(Expanded(Child(Expanded(Child(app, "Documents")), "Item")), "Item", 1);
  EXPECT_EQ(item.Text(), R"(Item[1]   "Drawing1.vsd" )");
  item.Expand();
  EXPECT_EQ(Child(item, "Creator").Text(), R"(Creator   = "Kim")");
  // An index table without a value table: the bare number.
  EXPECT_EQ(Child(item, "Version").Text(), "Version   = 196611");

  TTreeItem& width = Expanded(Child(item, "PaperWidth"));
  EXPECT_EQ(width.Text(), "PaperWidth (Count: 35)");
  EXPECT_EQ(width.Count(), 35);
  EXPECT_EQ(width.Item(0)->Text(), "PaperWidth[32=Number]   = 0.25");
  EXPECT_EQ(Child(width, "PaperWidth", 65).Text(), "PaperWidth[65=Inches]   = 8.5");
  ASSERT_FALSE(unitArgs.empty());
  for (const Variant& arg : unitArgs) EXPECT_EQ(arg.type(), VarType::I4);
}

TEST_F(CaptionTest, AShapeIsIdentifiedByItsTextNameAndNameID) {
  const FakeRef shape = fake::Make();
  const FakeRef layer = fake::Make();
  layer->Set("Name", "Connector").Set("Index", Variant(std::int16_t{1}));
  std::vector<Variant> layerArgs;
  shape->Set("Text", "Hello")
      .Set("Name", "Rectangle")
      .Set("NameID", "Sheet.1")
      .Set("LayerCount", Variant(std::int16_t{1}))
      .OnGet("Layer",
             [&](fake::Args args) {
               layerArgs.push_back(args[0]);
               return Variant(layer);
             })
      .OnGet("UniqueID",
             [](fake::Args) { return Variant("{2287DC42-B167-11CE-88E9-0020AFDDD917}"); });

  TND_IVShape& node = MakeShapeRoot(tree, ObjectRef(shape));
  EXPECT_EQ(node.TreeNode->Text(), R"(Shape  "Hello": (Rectangle/Sheet.1) )");

  shape->Set("Text", std::string(71, 't'));
  node.Refresh(0);
  EXPECT_EQ(node.TreeNode->Text(), "Shape  \"" + std::string(70, 't') + "\": (Rectangle/Sheet.1) ");

  node.TreeNode->Expand();
  TTreeItem& layers = Expanded(Child(*node.TreeNode, "Layer"));
  EXPECT_EQ(VisibleText(layers), (Lines{"Layer (Count: 1)", R"(  Layer[1]   "Connector" )"}));
  ASSERT_EQ(layerArgs.size(), 1u);
  EXPECT_EQ(layerArgs[0].type(), VarType::I2);

  TTreeItem& uniqueID = Expanded(Child(*node.TreeNode, "UniqueID"));
  EXPECT_EQ(VisibleText(uniqueID),
            (Lines{"UniqueID (Count: 1)",
                   R"(  UniqueID[0=GetGUID]   = "{2287DC42-B167-11CE-88E9-0020AFDDD917}")"}));
  TTreeItem& geometry = Expanded(Child(*node.TreeNode, "GeomExIf"));
  EXPECT_EQ(VisibleText(geometry), (Lines{"GeomExIf (Count: {LUT size unavaliable} )",
                                          "  GeomExIf[0]   = {IUnknown not implemented}"}));
  EXPECT_EQ(shape->Reads("GeomExIf"), 0);
  EXPECT_EQ(Child(*node.TreeNode, "CellsSRC-Sections").Text(), "CellsSRC-Sections");
}

TEST_F(CaptionTest, ACellInEachCaptionVariant) {
  // Shown by section, row and column: the column, the name, the formula and
  // the result's constant name (rounded halves to even).
  const FakeRef cell = fake::Make();
  cell->Set("Column", Variant(std::int16_t{9}))
      .Set("Name", "ResizeMode")
      .Set("Formula", "2")
      .Set("ResultIU", Variant(2.5));
  TND_IVCell& bySRC =
      Root<TND_IVCell>("CellSRC", cell, TIndexStyle::CellsSRC, nullptr, LUT_VisCellVals_XForm);
  EXPECT_EQ(bySRC.TreeNode->Text(), R"(CellSRC[9]   "ResizeMode" = "2" (="Scale"))");

  // Its ResultIU child decodes with the cell's own value table.
  bySRC.TreeNode->Expand();
  const std::vector<std::pair<double, std::string>> results = {
      {0.5, "ResultIU   = 0.5 (=DontCare)"},
      {1.5, "ResultIU   = 1.5 (=Scale)"},
      {2.5, "ResultIU   = 2.5 (=Scale)"},
  };
  for (const auto& [value, caption] : results) {
    cell->Set("ResultIU", Variant(value));
    TTreeItem& resultIU = Child(*bySRC.TreeNode, "ResultIU");
    resultIU.Data()->Refresh(0);
    EXPECT_EQ(resultIU.Text(), caption);
  }

  // Without its object the column cannot be read.
  TND_IVCell& orphan = Root<TND_IVCell>("CellSRC", fake::FakeRef(), TIndexStyle::CellsSRC);
  EXPECT_EQ(orphan.TreeNode->Text(), "CellSRC[Exception]   {Not assigned}");

  // A style's cells: the cell's name in quotes instead of an identifying
  // part, and the formula.
  const FakeRef style = fake::Make();
  std::vector<Variant> cellArgs;
  style->Set("Name", "Normal").OnGet("Cells", [&](fake::Args args) {
    cellArgs.push_back(args[0]);
    FakeRef styleCell = fake::Make();
    styleCell->Set("Formula", args[0].ToString() == "Char.Font" ? "4" : "0");
    return Variant(styleCell);
  });
  TND_IVStyle& styleNode = Root<TND_IVStyle>("Style", style);
  EXPECT_EQ(styleNode.TreeNode->Text(), R"(Style   "Normal" )");
  styleNode.TreeNode->Expand();
  TTreeItem& cells = Expanded(Child(*styleNode.TreeNode, "Cells"));
  EXPECT_EQ(cells.Text(), "Cells (Count: 33)");
  EXPECT_EQ(cells.Item(0)->Text(), R"(Cells["Char.Font"]   = "4")");
  EXPECT_EQ(cells.Item(32)->Text(), R"(Cells["TextBkgnd"]   = "0")");
  ASSERT_FALSE(cellArgs.empty());
  EXPECT_EQ(cellArgs[0], Variant("Char.Font"));

  // A layer's cells: index and constant name, and the cell's name.
  const FakeRef layer = fake::Make();
  layer->Set("Name", "Flowchart").OnGet("CellsC", [](fake::Args args) {
    FakeRef layerCell = fake::Make();
    layerCell->Set("Name", "Layers.Name");
    return args[0] == Variant(std::int16_t{0}) ? Variant(layerCell) : Variant();
  });
  TND_IVLayer& layerNode = Root<TND_IVLayer>("Layer", layer);
  layerNode.TreeNode->Expand();
  TTreeItem& cellsC = Expanded(Child(*layerNode.TreeNode, "CellsC"));
  EXPECT_EQ(cellsC.Text(), "CellsC (Count: 10)");
  EXPECT_EQ(cellsC.Item(0)->Text(), R"(CellsC[0=Name]   "Layers.Name" )");
  EXPECT_EQ(cellsC.Item(1)->Text(), "CellsC[2=Color]   {Not assigned}");
}

TEST_F(CaptionTest, ValueFormats) {
  struct Case {
    const char* property;
    Variant value;
    std::string caption;
    std::string raw;  // GetValueStr(10000, raw)
  };
  const std::string long101(101, 'x');
  const std::vector<Case> cases = {
      {"Active", Variant::VisBool(true), "Active   = -1 (=True)", "-1"},
      {"Active", Variant::VisBool(false), "Active   = 0 (=False)", "0"},
      {"Active", Variant(std::int16_t{1}), "Active   = 1 (=True but NOT -1!)", "1"},
      {"ToolbarStyle", Variant(std::int16_t{-1}), "ToolbarStyle   = -1 (=None)", "-1"},
      {"Stat", Variant(std::int16_t{255}), "Stat   = 255 (=000000FFH)", "255"},
      {"AlertResponse", Variant(std::int16_t{-7}), "AlertResponse   = -7", "-7"},
      {"ProcessID", Variant(std::int32_t{-2147483647 - 1}), "ProcessID   = -2147483648",
       "-2147483648"},
      {"UserName", Variant(""), R"(UserName   = "")", ""},
      {"UserName", Variant(std::string(100, 'x')), "UserName   = \"" + std::string(100, 'x') + "\"",
       std::string(100, 'x')},
      {"UserName", Variant(long101), "UserName   = \"" + std::string(97, 'x') + "...\"", long101},
      // Characters, not bytes, are counted.
      {"UserName", Variant(std::string(99, 'x') + "\xC3\xA9\xC3\xA9"),
       "UserName   = \"" + std::string(97, 'x') + "...\"",
       std::string(99, 'x') + "\xC3\xA9\xC3\xA9"},
      {"Vbe", Variant(), "Vbe   = {IDispatch not implemented}", "{IDispatch not implemented}"},
  };
  app.Expand();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    visio.app->Set(c.property, c.value);
    TTVNodeData& node = *Child(app, c.property).Data();
    node.Refresh(1);
    EXPECT_EQ(node.TreeNode->Text(), c.caption);
    EXPECT_EQ(node.GetValueStr(10000, true), c.raw);
  }

  // A 32-bit value with a value table.
  TND_Integer& withTable = MakeNode<TND_Integer>(
      "Language", 26, tree, &app, nullptr, kNoIndex, TAccessKind::ReadOnly, TIndexStyle::NoIndex,
      TVisObjSource::NoVisObject, TNodeKind::SimpleProperty, nullptr, LUT_VisUnitCodes);
  withTable.Refresh(0);
  visio.app->Set("Language", Variant(std::int32_t{65}));
  withTable.Refresh(0);
  EXPECT_EQ(withTable.TreeNode->Text(), "Language   = 65 (=Inches)");
}

TEST_F(CaptionTest, FloatingPointValues) {
  const FakeRef doc = visio.documents->items[0];
  app.Expand();
  TTreeItem& item = Child(Expanded(Child(Expanded(Child(app, "Documents")), "Item")), "Item", 1);
  item.Expand();
  TTreeItem& scale = Child(item, "PrintScale");
  const std::vector<std::pair<double, std::string>> cases = {
      {1.0 / 3, "PrintScale   = 0.333333"},    {2.0, "PrintScale   = 2"},
      {1234567.5, "PrintScale   = 1234567.5"}, {-0.25, "PrintScale   = -0.25"},
      {0.0000004, "PrintScale   = 0"},         {2000000000.5, "PrintScale   = 2000000000.5"},
  };
  for (const auto& [value, caption] : cases) {
    doc->Set("PrintScale", Variant(value));
    scale.Data()->Refresh(0);
    EXPECT_EQ(scale.Text(), caption);
  }
}

TEST_F(CaptionTest, TypesThatAreNotReadShowFixedTexts) {
  const FakeRef characters = fake::Make();
  TND_IVCharacters& chars = Root<TND_IVCharacters>("Characters", characters);
  chars.TreeNode->Expand();
  EXPECT_EQ(Child(*chars.TreeNode, "Text").Text(), "Text   = {OleVariant not implemented}");
  TTreeItem& charProps = Expanded(Child(*chars.TreeNode, "CharProps"));
  EXPECT_EQ(VisibleText(charProps),
            (Lines{"CharProps (Count: {WriteOnly})", "  CharProps[0]   = {WriteOnly}"}));

  const FakeRef menuItems = fake::Make();
  menuItems->Set("Count", Variant(std::int32_t{0}));
  TND_IVMenuItems& items = Root<TND_IVMenuItems>("MenuItems", menuItems);
  items.TreeNode->Expand();
  EXPECT_EQ(Child(*items.TreeNode, "_NewEnum").Text(), "_NewEnum   = {IUnknown not implemented}");

  const FakeRef cell = fake::Make();
  cell->Set("Name", "Width");
  TND_IVCell& cellNode = Root<TND_IVCell>("Cell", cell);
  cellNode.TreeNode->Expand();
  EXPECT_EQ(Child(*cellNode.TreeNode, "FormulaForce").Text(), "FormulaForce   = {WriteOnly}");

  for (const char* member : {"Text", "CharProps", "_NewEnum", "FormulaForce"}) {
    EXPECT_EQ(characters->Reads(member) + menuItems->Reads(member) + cell->Reads(member), 0)
        << member;
  }
}

TEST_F(CaptionTest, FailedReadsShowTheExceptionText) {
  visio.app->Fail("Language", automation::E_FAIL, "  Something went wrong.  ");
  visio.documents->items[0]->Fail("Name", automation::E_FAIL, "No name. ");
  visio.app->Fail("Windows", automation::E_FAIL, "No windows.");
  app.Expand();

  TTreeItem& language = Child(app, "Language");
  EXPECT_EQ(language.Text(), R"(Language   EXCEPTION: "Something went wrong."= {No result})");
  // The identifying text's exception has a leading blank of its own.
  EXPECT_EQ(Child(app, "ActiveDocument").Text(), R"(ActiveDocument    EXCEPTION: "No name.")");
  // A failed object read is the object's error.
  EXPECT_EQ(Child(app, "Windows").Text(), R"(Windows EXCEPTION: "No windows."  {Not assigned})");

  // The next good read clears it.
  visio.app->Heal("Language");
  language.Data()->Refresh(0);
  EXPECT_EQ(language.Text(), "Language   = 1033");
}

TEST_F(CaptionTest, IndicesThatAClassCannotShow) {
  // A value node has no use for a collection's numbering.
  TND_Smallint& value = MakeNode<TND_Smallint>(
      "AlertResponse", 6, tree, &app, nullptr, std::int16_t{3}, TAccessKind::ReadWrite,
      TIndexStyle::Item1, TVisObjSource::NoVisObject, TNodeKind::SimpleProperty, nullptr, nullptr);
  value.Refresh(0);
  EXPECT_EQ(value.TreeNode->Text(), "AlertResponse[??]   = 0");

  // Menu sets have no Index property: their elements cannot be numbered.
  const auto menuSets = fake::MakeCollection(0);
  const FakeRef drawing = fake::Make();
  drawing->Set("Caption", "Drawing");
  menuSets->items = {drawing};
  TND_IVMenuSets& sets = Root<TND_IVMenuSets>("MenuSets", menuSets);
  EXPECT_EQ(sets.TreeNode->Text(), "MenuSets   (Count: 1) ");
  sets.TreeNode->Expand();
  TTreeItem& item = Expanded(Child(*sets.TreeNode, "Item"));
  EXPECT_EQ(VisibleText(item), (Lines{"Item (Count: 1)", R"(  Item[??]   "Drawing" )"}));
  TTreeItem& atID = Expanded(Child(*sets.TreeNode, "ItemAtID"));
  EXPECT_EQ(atID.Text(), "ItemAtID (Count: {LUT size not avail})");
  EXPECT_EQ(atID.Count(), 1);
}

// What a class that implements nothing answers.
class BareNode : public TTVNodeData {
 public:
  BareNode(TTreeModel& tree, std::string_view label)
      : TTVNodeData(label, "Bare", -1, tree, nullptr, nullptr, -1, TAccessKind::DontKnow,
                    TIndexStyle::NoIndex, TVisObjSource::NoVisObject, TNodeKind::DontKnow, nullptr,
                    nullptr) {}
};

TEST_F(CaptionTest, TheBaseContract) {
  BareNode& bare = MakeNode<BareNode>(tree, "IVApplication");
  EXPECT_EQ(bare.TreeNode->Text(), "Bare ERROR: uninitialized");
  EXPECT_EQ(bare.GetCaption(), "ERROR: Default Property Caption");
  EXPECT_EQ(bare.GetIdentifyingStr(), "ERROR: GetIdentifyingStr");
  EXPECT_EQ(bare.GetChildValueStr(bare, 5, false), "ERROR");
  EXPECT_EQ(bare.GetChildValueStr(bare, 100, false), "ERROR: GetChildValueStr");
  std::string message = "stale";
  EXPECT_EQ(bare.SetChildValueStr(bare, "1", message), svsMisc);
  EXPECT_EQ(message, "");
  EXPECT_EQ(bare.GetIndexValue(TIndexKind::Index), -1);
  EXPECT_EQ(bare.GetCountValue(TCountKind::Count), -1);
  EXPECT_EQ(bare.CopyToTree(tree), nullptr);
  EXPECT_FALSE(bare.IsVisObjectNode());

  for (const auto& [label, shortName] : std::vector<std::pair<const char*, const char*>>{
           {"IVApplication", "Application"}, {"TND_Array", "TND_Array"}, {"IV", ""}}) {
    EXPECT_EQ(MakeNode<BareNode>(tree, label).GetShortTypeName(), shortName);
  }
}

}  // namespace
