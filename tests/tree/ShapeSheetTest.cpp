// The shape sheet in the tree over the stand-in Visio's demo drawing: what
// a shape's sections, rows and cells show, and how an open sheet follows
// changes made in Visio between refreshes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "standin/Application.h"
#include "standin/Demo.h"
#include "tests/tree/TreeTestSupport.h"
#include "tests/tree/DemoTreeTest.h"
#include "tree/Tarvel_Cells01.h"
#include "tree/VisObjectNodes.h"

namespace {

using automation::ObjectRef;
using automation::Variant;
using tree_test::Child;
using tree_test::Expanded;

constexpr std::int16_t kTab = 5, kScratch = 6, kGeometry = 10;

std::vector<std::string> Texts(const TTreeItem& item) {
  std::vector<std::string> texts;
  for (int i = 0; i < item.Count(); ++i) texts.push_back(item.Item(i)->Text());
  return texts;
}

Variant Small(int value) {
  return Variant(static_cast<std::int16_t>(value));
}

using ShapeSheetTest = tree_test::DemoTreeTest;

TEST_F(ShapeSheetTest, SectionsFollowTheCatalogueWithOneNodePerGeometrySection) {
  TTreeItem& curvy = Sheet(Shape("Curvy"));
  EXPECT_EQ(curvy.Text(), "CellsSRC-Sections");
  const std::vector<std::string> sections = {
      "S[1]: Object (R: 9) (Local)",
      "S[2]: Member (R: 0) (Doesn't Exist)",
      "S[3]: Character (R: 1) (Inherited)",
      "S[4]: Paragraph (R: 1) (Inherited)",
      "S[5]: Tab (R: 1) (Inherited)",
      "S[6]: Scratch (R: 0) (Doesn't Exist)",
      "S[7]: ConnectionPts (R: 0) (Doesn't Exist)",
      "S[8]: TextField (R: 0) (Doesn't Exist)",
      "S[9]: Controls (R: 0) (Doesn't Exist)",
      "S[10]: Geometry[1] (R: 6) (Local)",
      "S[11]: Geometry[2] (R: 3) (Local)",
      "S[12]: Geometry[3] (R: 5) (Local)",
      "S[240]: Action (R: 0) (Doesn't Exist)",
      "S[241]: Layer (R: 0) (Doesn't Exist)",
      "S[242]: User (R: 0) (Doesn't Exist)",
      "S[243]: Prop (R: 0) (Doesn't Exist)",
  };
  EXPECT_EQ(Texts(curvy), sections);

  // A shape without geometry shows no geometry section at all.
  ObjectRef shape = Shape("Curvy");
  for (int k = 0; k < 3; ++k) shape.Invoke("DeleteSection", {Small(kGeometry)});
  TTreeItem& bare = Sheet(shape);
  ASSERT_EQ(bare.Count(), 13);
  EXPECT_EQ(bare.Item(9)->Text(), "S[240]: Action (R: 0) (Doesn't Exist)");
}

TEST_F(ShapeSheetTest, TheObjectSectionShowsItsEighteenFixedRowsWhateverItsRowCount) {
  TTreeItem& object = Expanded(*Sheet(Shape("Process")).Item(0));
  ASSERT_EQ(object.Text(), "S[1]: Object (R: 9) (Local)");
  std::vector<std::string> names;
  for (int i = 0; i < object.Count(); ++i) names.push_back(object.Item(i)->Data()->Name);
  EXPECT_EQ(names, (std::vector<std::string>{"R[1]", "R[2]", "R[3]", "R[4]", "R[5]", "R[6]", "R[7]",
                                             "R[8]", "R[9]", "R[10]", "R[11]", "R[12]", "R[14]",
                                             "R[15]", "R[16]", "R[17]", "R[18]", "R[19]"}));

  // A row Visio does not have: its RowType fails, so it has no type and no
  // cells.
  TTreeItem& guide = Expanded(*object.Item(6));
  EXPECT_EQ(guide.Text(), "R[7]: Guide Info (Tag: -1=none) (Doesn't Exist)");
  EXPECT_EQ(guide.Count(), 0);
  EXPECT_TRUE(guide.HasChildren());
}

TEST_F(ShapeSheetTest, CellsShowColumnNameFormulaAndDecodedValue) {
  TTreeItem& transform = Expanded(*Expanded(*Sheet(Shape("Process")).Item(0)).Item(0));
  EXPECT_EQ(transform.Text(), "R[1]: Shape Transform (Tag: 0=Default) (Local)");
  const std::vector<std::string> cells = {
      R"(CellSRC[0]   "PinX" = "2 in")",
      R"(CellSRC[1]   "PinY" = "8 in")",
      R"(CellSRC[2]   "Width" = "1.5 in")",
      R"(CellSRC[3]   "Height" = "1 in")",
      R"(CellSRC[4]   "LocPinX" = "Width*0.5")",
      R"(CellSRC[5]   "LocPinY" = "Height*0.5")",
      R"(CellSRC[6]   "Angle" = "0 deg")",
      R"(CellSRC[7]   "FlipX" = "FALSE" (="False"))",
      R"(CellSRC[8]   "FlipY" = "FALSE" (="False"))",
      R"(CellSRC[9]   "ResizeMode" = "0" (="DontCare"))",
  };
  EXPECT_EQ(Texts(transform), cells);
  const auto& cell = dynamic_cast<const TND_IVCell&>(*transform.Item(7)->Data());
  EXPECT_EQ(cell.Name, "CellSRC");
  EXPECT_EQ(cell.Index, 7);
  EXPECT_EQ(cell.Access, TAccessKind::ReadWrite);
  EXPECT_EQ(cell.NodeKind, TNodeKind::SheetCell);
  EXPECT_EQ(cell.ValueLUT, &LUT_TrueFalse);
}

// A cell's tool tip adds to its caption what a formula writer asks next:
// the formula, the result in the cell's own unit, and where an inherited
// formula comes from. Other items' tool tips are their captions.
TEST_F(ShapeSheetTest, ACellsToolTipSaysWhatItHoldsAndWhereItComesFrom) {
  TTreeItem& sheet = Sheet(Shape("Process"));
  TTreeItem& object = Expanded(*sheet.Item(0));
  TTreeItem& transform = Expanded(*object.Item(0));
  TTreeItem& line = Expanded(*object.Item(1));
  const struct {
    TTreeItem* item;
    const char* tip;
  } cases[] = {
      {transform.Item(0),
       "CellSRC[0]   \"PinX\" = \"2 in\"\nFormula: 2 in\nResult: 2 (Inches)\n"
       "ResultStr: 2 in.\nLocal"},
      {transform.Item(4),
       "CellSRC[4]   \"LocPinX\" = \"Width*0.5\"\nFormula: Width*0.5\nResult: 0.75 (Inches)\n"
       "ResultStr: 0.75 in.\nInherited from shape \"Process\" of master \"Process\""},
      {line.Item(0),
       "CellSRC[0]   \"LineWeight\" = \"1 pt\"\nFormula: 1 pt\nResult: 1 (Points)\n"
       "ResultStr: 1 pt\nInherited from style \"Demo Base\""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.item->Data()->GetToolTip(), c.tip);
  EXPECT_EQ(transform.Data()->GetToolTip(), "");
  // The result follows the cell's unit.
  Shape("Process").Get("Cells", {Variant("PinX")}).ToObject().Put("Formula", Variant("50.8 mm"));
  sheet.Data()->Refresh(2);
  EXPECT_EQ(transform.Item(0)->Data()->GetToolTip(),
            "CellSRC[0]   \"PinX\" = \"50.8 mm\"\nFormula: 50.8 mm\nResult: 50.8 (Millimeters)\n"
            "ResultStr: 50.8 mm\nLocal");
}

TEST_F(ShapeSheetTest, GeometryRowsShowTheirTagsAndRowTypes) {
  TTreeItem& sheet = Sheet(Shape("Curvy"));
  const std::vector<std::vector<std::string>> rows = {
      {"R[0]: Component (Tag: 137=Start) (Local)", "R[1]: Vertex (Tag: 138=Start) (Local)",
       "R[2]: Vertex (Tag: 139=LineTo) (Local)", "R[3]: Vertex (Tag: 139=LineTo) (Local)",
       "R[4]: Vertex (Tag: 139=LineTo) (Local)", "R[5]: Vertex (Tag: 139=LineTo) (Local)"},
      {"R[0]: Component (Tag: 137=Start) (Local)", "R[1]: Vertex (Tag: 138=Start) (Local)",
       "R[2]: Vertex (Tag: 140=ArcTo) (Local)"},
      {"R[0]: Component (Tag: 137=Start) (Local)", "R[1]: Vertex (Tag: 138=Start) (Local)",
       "R[2]: Vertex (Tag: 144=EllipticalArcTo) (Local)",
       "R[3]: Vertex (Tag: 165=SplineBeg) (Local)", "R[4]: Vertex (Tag: 166=SplineSpan) (Local)"},
  };
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(Texts(Expanded(*sheet.Item(9 + k))), rows[static_cast<std::size_t>(k)])
        << "Geometry[" << k + 1 << "]";
  }
  TTreeItem& arc = Expanded(*sheet.Item(10)->Item(2));
  EXPECT_EQ(Texts(arc), (std::vector<std::string>{R"(CellSRC[0]   "Geometry2.X2" = "Width*0.9")",
                                                  R"(CellSRC[1]   "Geometry2.Y2" = "Height*0.5")",
                                                  R"(CellSRC[2]   "Geometry2.A2" = "0.3 in")"}));
}

TEST_F(ShapeSheetTest, TabsRowsShowTheCellsOfTheirTag) {
  ObjectRef shape = Shape("Process");
  shape.Invoke("AddRow", {Small(kTab), Small(-2), Small(151)});
  TTreeItem& tabs = Expanded(*Sheet(shape).Item(4));
  ASSERT_EQ(tabs.Count(), 3);

  TTreeItem& tab2 = Expanded(*tabs.Item(0));
  EXPECT_EQ(tab2.Text(), "R[0]: Tabs (Tag: 150=Tab2) (Local)");
  ASSERT_EQ(tab2.Count(), 10);
  EXPECT_EQ(tab2.Item(0)->Text(), R"(CellSRC[0]   "Tabs.StopCount" = "2")");
  EXPECT_EQ(tab2.Item(9)->Data()->Index, 9);

  TTreeItem& tab0 = Expanded(*tabs.Item(1));
  EXPECT_EQ(tab0.Text(), "R[1]: Tabs (Tag: 136=Tab0) (Local)");
  EXPECT_EQ(tab0.Count(), 0);

  TTreeItem& tab10 = Expanded(*tabs.Item(2));
  EXPECT_EQ(tab10.Text(), "R[2]: Tabs (Tag: 151=Tab10) (Local)");
  ASSERT_EQ(tab10.Count(), 31);
  // Only the alignments are decoded.
  EXPECT_EQ(tab10.Item(2)->Data()->ValueLUT, LUT_VisCellVals_TabStop);
  EXPECT_EQ(tab10.Item(3)->Data()->ValueLUT, nullptr);
}

// ---- following Visio ----

TEST_F(ShapeSheetTest, DeletingTheMiddleGeometrySectionReplacesItAndDropsTheLastNode) {
  ObjectRef shape = Shape("Curvy");
  TTreeItem& sheet = Sheet(shape);
  TTreeItem* first = Expanded(*sheet.Item(9)).Item(1);
  // Expanded, so that a new node in its place is told apart from it.
  Expanded(*sheet.Item(10));
  TTreeItem* action = &Expanded(*sheet.Item(12));
  TTreeItem* prop = sheet.Item(15);

  shape.Invoke("DeleteSection", {Small(kGeometry + 1)});
  sheet.Data()->Refresh(2);

  ASSERT_EQ(sheet.Count(), 15);
  EXPECT_EQ(sheet.Item(9)->Item(1), first) << "the first section keeps its open rows";
  EXPECT_EQ(sheet.Item(10)->Text(), "S[11]: Geometry[2] (R: 5) (Local)");
  EXPECT_FALSE(sheet.Item(10)->Expanded());
  EXPECT_EQ(sheet.Item(11), action);
  EXPECT_TRUE(action->Expanded());
  EXPECT_EQ(sheet.Item(14), prop);
  EXPECT_EQ(sheet.Item(14)->Text(), "S[243]: Prop (R: 0) (Doesn't Exist)");
}

TEST_F(ShapeSheetTest, AnAddedSectionIsInsertedInCatalogueOrder) {
  ObjectRef shape = Shape("Process");
  TTreeItem& sheet = Sheet(shape);
  ASSERT_EQ(sheet.Count(), 14);
  TTreeItem* geometry = &Expanded(*sheet.Item(9));
  TTreeItem* action = &Expanded(*sheet.Item(10));

  shape.Invoke("AddSection", {Small(kGeometry)});
  shape.Invoke("AddRow", {Small(kGeometry + 1), Small(0), Small(137)});
  sheet.Data()->Refresh(2);

  ASSERT_EQ(sheet.Count(), 15);
  EXPECT_EQ(sheet.Item(9), geometry);
  EXPECT_TRUE(geometry->Expanded());
  EXPECT_EQ(sheet.Item(10)->Text(), "S[11]: Geometry[2] (R: 1) (Local)");
  EXPECT_EQ(sheet.Item(11), action);
  EXPECT_EQ(action->Count(), 1);
}

TEST_F(ShapeSheetTest, RowsOfARepeatingSectionFollowTheRowCount) {
  ObjectRef shape = Shape("Process");
  TTreeItem& sheet = Sheet(shape);
  TTreeItem& scratch = Expanded(*sheet.Item(5));
  ASSERT_EQ(scratch.Count(), 2);
  TTreeItem* kept = &Expanded(*scratch.Item(0));

  shape.Invoke("AddRow", {Small(kScratch), Small(-2), Small(0)});
  shape.Invoke("AddRow", {Small(kScratch), Small(-2), Small(0)});
  sheet.Data()->Refresh(2);
  EXPECT_EQ(scratch.Text(), "S[6]: Scratch (R: 4) (Local)");
  ASSERT_EQ(scratch.Count(), 4);
  EXPECT_EQ(scratch.Item(0), kept);
  EXPECT_EQ(kept->Count(), 6);
  EXPECT_EQ(scratch.Item(3)->Text(), "R[3]: Scratch (Tag: 0=Default) (Local)");

  for (int r = 3; r >= 1; --r) shape.Invoke("DeleteRow", {Small(kScratch), Small(r)});
  sheet.Data()->Refresh(2);
  ASSERT_EQ(scratch.Count(), 1);
  EXPECT_EQ(scratch.Item(0), kept);
}

TEST_F(ShapeSheetTest, ARowWhoseTypeChangesKeepsItsCellItemsByPosition) {
  ObjectRef shape = Shape("Curvy");
  TTreeItem& sheet = Sheet(shape);
  TTreeItem& arcRow = Expanded(*Expanded(*sheet.Item(10)).Item(2));
  ASSERT_EQ(arcRow.Count(), 3);
  TTreeItem* x = arcRow.Item(0);

  shape.Put("RowType", {Small(kGeometry + 1), Small(2)}, Small(139));  // to LineTo
  sheet.Data()->Refresh(2);
  EXPECT_EQ(arcRow.Text(), "R[2]: Vertex (Tag: 139=LineTo) (Local)");
  ASSERT_EQ(arcRow.Count(), 2);
  EXPECT_EQ(arcRow.Item(0), x);

  shape.Put("RowType", {Small(kGeometry + 1), Small(2)}, Small(144));  // to EllipticalArcTo
  sheet.Data()->Refresh(2);
  EXPECT_EQ(arcRow.Text(), "R[2]: Vertex (Tag: 144=EllipticalArcTo) (Local)");
  ASSERT_EQ(arcRow.Count(), 7);
  EXPECT_EQ(arcRow.Item(0), x);
  EXPECT_EQ(arcRow.Item(6)->Data()->Index, 5);
}

}  // namespace

namespace {

class ExistenceStateTest : public ShapeSheetTest {
 protected:
  // The first shape whose text starts with `text`.
  ObjectRef ShapeWithText(const std::string& text) const {
    const ObjectRef shapes = ObjectRef(app).Get("ActivePage").ToObject().Get("Shapes").ToObject();
    for (std::int16_t i = 1; i <= shapes.Get("Count").ToInt16(); ++i) {
      ObjectRef shape = shapes.Get("Item", {Variant(i)}).ToObject();
      if (shape.Get("Text").ToString().rfind(text, 0) == 0) return shape;
    }
    throw std::runtime_error("no shape with text " + text);
  }

  // The caption of a section node, and of its rows when expanded.
  std::vector<std::string> SectionAndRows(TTreeItem& sheet, const std::string& prefix) {
    for (int i = 0; i < sheet.Count(); ++i) {
      TTreeItem& section = *sheet.Item(i);
      if (section.Text().rfind(prefix, 0) != 0) continue;
      std::vector<std::string> out = {section.Text()};
      for (const std::string& row : Texts(Expanded(section))) out.push_back(row);
      return out;
    }
    return {};
  }
};

// What a sheet holds itself is "Local", what it sees only through its
// master or a style "Inherited": on a shape drawn on the page, on
// instances of a master (one inheriting everything, one overriding one
// inherited row and adding a row of its own), and on a page's layers.
TEST_F(ExistenceStateTest, LocalIsWhatTheSheetHoldsInheritedWhatItOnlySees) {
  // A drawn shape holds its geometry.
  EXPECT_EQ(SectionAndRows(Sheet(Shape("Curvy")), "S[11]:"),
            (std::vector<std::string>{"S[11]: Geometry[2] (R: 3) (Local)",
                                      "R[0]: Component (Tag: 137=Start) (Local)",
                                      "R[1]: Vertex (Tag: 138=Start) (Local)",
                                      "R[2]: Vertex (Tag: 140=ArcTo) (Local)"}));
  // An instance that changes nothing sees its master's rows.
  EXPECT_EQ(SectionAndRows(Sheet(ShapeWithText("Ship order")), "S[243]:"),
            (std::vector<std::string>{"S[243]: Prop (R: 2) (Inherited)",
                                      "R[0]: Custom Properties (Tag: 0=Default) (Inherited)",
                                      "R[1]: Custom Properties (Tag: 0=Default) (Inherited)"}));
  // One that overrides the first inherited row and adds one.
  EXPECT_EQ(SectionAndRows(Sheet(ShapeWithText("Order received on ")),
                           "S[243]:"),
            (std::vector<std::string>{"S[243]: Prop (R: 3) (Local)",
                                      "R[0]: Custom Properties (Tag: 0=Default) (Local)",
                                      "R[1]: Custom Properties (Tag: 0=Default) (Inherited)",
                                      "R[2]: Custom Properties (Tag: 0=Default) (Local)"}));
  // A page's own layers.
  const ObjectRef pageSheet = ObjectRef(app).Get("ActivePage").ToObject().Get("PageSheet").ToObject();
  EXPECT_EQ(SectionAndRows(Sheet(pageSheet), "S[241]:"),
            (std::vector<std::string>{"S[241]: Layer (R: 2) (Local)",
                                      "R[0]: Layers (Tag: 0=Default) (Local)",
                                      "R[1]: Layers (Tag: 0=Default) (Local)"}));
}

}  // namespace
