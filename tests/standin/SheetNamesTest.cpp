// Cell names, both ways: the name Cell.Name gives a cell, and the cell
// Cells(name) finds, from one table of rows and cells.
#include <gtest/gtest.h>

#include "SheetTestHost.h"

namespace standin::testing {
namespace {

using Kind = SheetHost::Kind;

// A shape with a row or two in every section that has names.
class SheetNamesTest : public SheetTest {
 protected:
  void SetUp() override {
    ShapeSheet& s = shape->Sheet();
    AddGeometry(s, {{visTagMoveTo, 0, 0}, {visTagLineTo, 1, 0}, {visTagArcTo, 1, 1}});
    AddGeometry(s, {{visTagMoveTo, 0, 0}, {visTagLineTo, 1, 0}});
    s.AddRow(visSectionCharacter, visRowLast, 0);
    s.SetRowType(visSectionTab, 0, visTagTab2);
    s.AddRows(visSectionScratch, visRowLast, 0, 2);
    s.AddRow(visSectionConnectionPts, visRowLast, 0);
    s.AddNamedRow(visSectionConnectionPts, "Inlet", 0);
    s.AddRow(visSectionTextField, visRowLast, 0);
    s.AddRow(visSectionControls, visRowLast, 0);
    s.AddRow(visSectionAction, visRowLast, 0);
    s.AddNamedRow(visSectionUser, "Cost", 0);
    s.AddRow(visSectionProp, visRowLast, 0);
    s.AddRow(visSectionHyperlink, visRowLast, 0);
  }

  Ref<TestHost> shape = MakeHost();
};

TEST_F(SheetNamesTest, EveryCellHasOneNameThatFindsItAgain) {
  struct Case {
    const char* name;
    CellAddress at;
  };
  const Case cases[] = {
      {"PinX", {1, 1, 0}},
      {"Width", {1, 1, 2}},
      {"ResizeMode", {1, 1, 9}},
      {"LineWeight", {1, 2, 0}},
      {"EndArrowSize", {1, 2, 4}},
      {"FillForegnd", {1, 3, 0}},
      {"ShdwPattern", {1, 3, 5}},
      {"EventDblClick", {1, 5, 2}},
      {"LayerMember", {1, 6, 0}},
      {"VerticalAlign", {1, 11, 4}},
      {"TxtAngle", {1, 12, 6}},
      {"LockSelect", {1, 15, 15}},
      {"HideText", {1, 17, 5}},
      {"WalkPreference", {1, 17, 10}},
      {"Geometry1.NoFill", {10, 0, 0}},
      {"Geometry2.NoShow", {11, 0, 2}},
      {"Geometry2.NoQuickDrag", {11, 0, 5}},
      {"Geometry1.X1", {10, 1, 0}},
      {"Geometry1.A3", {10, 3, 2}},
      {"Geometry2.Y2", {11, 2, 1}},
      {"Char.Font", {3, 0, 0}},
      {"Char.Size[2]", {3, 1, 7}},
      {"Para.IndFirst", {4, 0, 0}},
      {"Para.HorzAlign", {4, 0, 6}},
      {"Tabs.StopCount", {5, 0, 0}},
      {"Tabs.Position1", {5, 0, 1}},
      {"Tabs.Alignment3", {5, 0, 8}},
      {"Scratch.X1", {6, 0, 0}},
      {"Scratch.D2", {6, 1, 5}},
      {"Connections.X1", {7, 0, 0}},
      {"Connections.Inlet.Y", {7, 1, 1}},
      {"Fields.Value", {8, 0, 0}},
      {"Controls.Row_1", {9, 0, 0}},
      {"Controls.Row_1.XDyn", {9, 0, 2}},
      {"Controls.Row_1.Prompt", {9, 0, 8}},
      {"Actions.Row_1.Menu", {240, 0, 0}},
      {"Actions.Row_1.Action", {240, 0, 3}},
      {"User.Cost", {242, 0, 0}},
      {"User.Cost.Prompt", {242, 0, 1}},
      {"Prop.Row_1", {243, 0, 0}},
      {"Prop.Row_1.Label", {243, 0, 2}},
      {"Prop.Row_1.Verify", {243, 0, 7}},
      {"Hyperlink.Row_1.Address", {244, 0, 1}},
      {"Hyperlink.Row_1.NewWindow", {244, 0, 5}},
  };
  ShapeSheet& sheet = shape->Sheet();
  ObjectRef h = shape;
  for (const Case& c : cases) {
    auto found = sheet.FindCell(c.name);
    ASSERT_TRUE(found) << c.name;
    EXPECT_EQ(*found, c.at) << c.name;
    EXPECT_EQ(sheet.CellName(c.at.section, c.at.row, c.at.column), c.name);
    // The same through the members a client calls.
    ObjectRef cell = h.Get("CellsU", {Variant(c.name)}).ToObject();
    EXPECT_EQ(cell.Get("Name"), Variant(c.name));
    EXPECT_EQ(cell.Get("LocalName"), Variant(c.name));
    EXPECT_EQ(cell.Get("Section"), I2(c.at.section)) << c.name;
    EXPECT_EQ(cell.Get("Row"), I2(c.at.row)) << c.name;
    EXPECT_EQ(cell.Get("Column"), I2(c.at.column)) << c.name;
  }
}

TEST_F(SheetNamesTest, OtherSpellingsFindTheSameCells) {
  const std::pair<const char*, const char*> aliases[] = {
      {"pinx", "PinX"},
      {"ArrowSize", "EndArrowSize"},
      {"Char.Font[1]", "Char.Font"},
      {"prop.row_1.value", "Prop.Row_1"},
      {"User.Cost.Value", "User.Cost"},
      {" Width ", "Width"},
  };
  ShapeSheet& sheet = shape->Sheet();
  for (const auto& [alias, name] : aliases) {
    auto found = sheet.FindCell(alias);
    ASSERT_TRUE(found) << alias;
    EXPECT_EQ(sheet.CellName(found->section, found->row, found->column), name);
  }
}

TEST_F(SheetNamesTest, UnknownAndMissingNamesFailAsVisioFails) {
  ObjectRef h = shape;
  // Names no sheet has.
  for (const char* bad :
       {"Nope", "Geometry.X1", "Geometry1.Q1", "Geometry0.X1", "Scratch.Z1", "Scratch.X",
        "Char.Font[x]", "Actions.Row_1", "Hyperlink.Row_1", "Bogus.Row_1", "User.", ""}) {
    std::string message;
    EXPECT_EQ(CodeOf([&] { h.Get("Cells", {Variant(bad)}); }, &message),
              Visio(VisioErrorKind::BadCellName))
        << bad;
    EXPECT_EQ(message, "\n\nBad cell name.") << bad;
    EXPECT_EQ(h.Get("CellExists", {Variant(bad), I2(0)}), VisBool(false)) << bad;
  }
  // Names of cells this sheet does not have.
  for (const char* missing :
       {"Geometry3.X1", "Geometry1.X9", "Geometry1.A2", "User.Nope", "Scratch.X9", "Char.Font[3]",
        "PageWidth", "BeginX", "Tabs.Position4"}) {
    EXPECT_EQ(CodeOf([&] { h.Get("Cells", {Variant(missing)}); }),
              Visio(VisioErrorKind::UnexpectedEndOfFile))
        << missing;
    EXPECT_EQ(h.Get("CellExists", {Variant(missing), I2(0)}), VisBool(false)) << missing;
  }
}

TEST_F(SheetTest, AStyleAnswersEveryStyleCellName) {
  Ref<TestHost> style = MakeHost(Kind::Style);
  ObjectRef h = style;
  for (const char* name :
       {"Char.Font",     "Char.Color",     "Char.Style",    "Char.Case",   "Char.Pos",
        "Char.Size",     "FillBkgnd",      "FillPattern",   "FillForeGnd", "ShdwBkgnd",
        "ShdwPattern",   "ShdwForeGnd",    "LineWeight",    "LineColor",   "LinePattern",
        "Rounding",      "BeginArrow",     "EndArrow",      "ArrowSize",   "LineCap",
        "Para.IndFirst", "Para.IndLeft",   "Para.IndRight", "Para.SpLine", "Para.SpBefore",
        "Para.SpAfter",  "Para.HorzAlign", "VerticalAlign", "TopMargin",   "BottomMargin",
        "LeftMargin",    "RightMargin",    "TextBkgnd"}) {
    ObjectRef cell = h.Get("Cells", {Variant(name)}).ToObject();
    EXPECT_EQ(cell.Get("ObjectType"), I2(4)) << name;
    EXPECT_TRUE(SameObject(cell.Get("Style").ToObject(), h)) << name;
    EXPECT_FALSE(cell.Get("Shape").ToObject()) << name;
  }
  // A page's own rows and its layers.
  Ref<TestHost> page = MakeHost(Kind::PageSheet);
  page->Sheet().AddRow(visSectionLayer, visRowLast, 0);
  page->Sheet().AddRow(visSectionLayer, visRowLast, 0);
  EXPECT_EQ(page->Sheet().FindCell("PageWidth"), (CellAddress{1, visRowPage, visPageWidth}));
  EXPECT_EQ(page->Sheet().FindCell("XGridSpacing"), (CellAddress{1, visRowRulerGrid, 8}));
  EXPECT_EQ(page->Sheet().CellName(visSectionLayer, 1, visLayerVisible), "Layers.Visible[2]");
  EXPECT_EQ(page->Sheet().FindCell("Layers.Name"), (CellAddress{visSectionLayer, 0, visLayerName}));
  EXPECT_FALSE(page->Sheet().FindCell("PinX"));
}

}  // namespace
}  // namespace standin::testing
