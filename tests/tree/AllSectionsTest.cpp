// The All Sections view of shape sheets: today's sections, row types and
// cells, from its data and over the stand-in Visio with real drawings.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/support/SharedFile.h"
#include "tests/tree/DemoTreeTest.h"
#include "tree/Tarvel_Cells01.h"
#include "tree/VisObjectNodes.h"

namespace {

using automation::ObjectRef;
using automation::Variant;
using tree_test::Child;
using tree_test::Expanded;

std::vector<std::string> Texts(const TTreeItem& item) {
  std::vector<std::string> texts;
  for (int i = 0; i < item.Count(); ++i) texts.push_back(item.Item(i)->Text());
  return texts;
}

// Every caption below `item`, depth first, whatever is expanded.
void AllTexts(const TTreeItem& item, std::vector<std::string>& texts) {
  for (int i = 0; i < item.Count(); ++i) {
    texts.push_back(item.Item(i)->Text());
    AllTexts(*item.Item(i), texts);
  }
}

const TSectionClass* SectionIn(const TCellsStruc& catalogue, std::int32_t index) {
  for (const auto& section : catalogue.Sections) {
    if (section->SectionIndex == index) return section.get();
  }
  return nullptr;
}

const TRowClass* RowIn(const TSectionClass& section, std::int32_t index, bool repeats) {
  for (const auto& row : section.Rows) {
    if (row->RowIndex == index && (row->Repeats != 0) == repeats) return row.get();
  }
  return nullptr;
}

const TCellInfo* CellIn(const TRowType& type, std::int32_t column) {
  for (const auto& cell : type.Cells) {
    if (cell->Column == column) return cell.get();
  }
  return nullptr;
}

class AllSectionsDataTest : public tree_test::TreeTest {};

TEST_F(AllSectionsDataTest, TodaysSectionsRowTypesAndCellsHaveVisiosIndices) {
  // Row -1: the section's repeating row; tag -1: the row's only type.
  struct Case {
    std::int32_t section, row, tag, column;
    const char* name;  // null: the type has no such column
  };
  const Case cases[] = {
      {10, 1, 195, 6, "NURBSData"},
      {10, 1, 195, 4, "NURBSKnotPrev"},
      {10, 1, 193, 2, "PolylineData"},
      {10, 1, 193, 3, nullptr},
      {10, 1, 141, 3, "InfiniteLineY2"},
      {10, 1, 143, 5, "EllipseMinorY"},
      {10, 1, 236, 5, "Control2Y"},
      {10, 1, 237, 3, "ControlY"},
      {10, 1, 238, 1, "Y"},
      {10, 1, 238, 2, nullptr},
      {10, 1, 239, 0, "X"},
      {10, 1, 240, 4, "EccentricityAngle"},
      {10, 1, 144, 2, "ControlX"},
      {10, 1, 165, 5, "SplineDegree"},
      {10, 1, 166, 2, "SplineKnot"},
      {10, 0, 137, 5, "CompNoQuickDrag"},
      {1, 26, -1, 5, "FillGradientEnabled"},
      {1, 31, -1, 7, "EmbellishmentIndex"},
      {1, 32, -1, 3, "ReplaceCopyCells"},
      {1, 2, -1, 10, "CompoundType"},
      {1, 3, -1, 16, "FillShdwShow"},
      {1, 12, -1, 6, "XFormAngle"},
      {1, 12, -1, 7, nullptr},
      {1, 19, -1, 0, nullptr},
      {9, -1, 162, 8, nullptr},
      {9, -1, 170, 8, "CtlTip"},
      {7, -1, 153, 2, "CnnctDirX"},
      {7, -1, 186, 2, "CnnctA"},
      {5, -1, 181, 180, "TabRsrv59"},
      {244, -1, -1, 15, "HLinkSortKey"},
      {245, -1, -1, 4, "ReviewerCurrentIndex"},
      {246, -1, -1, 5, "AnnotationComment"},
      {247, -1, -1, 15, "SmartTagDescription"},
      {248, -1, -1, 2, "GradientStopPosition"},
      {249, -1, -1, 1, "GradientStopColorTrans"},
  };
  ASSERT_NE(AllSectionsCatalogue, nullptr);
  for (const Case& c : cases) {
    const std::string where = std::to_string(c.section) + "/" + std::to_string(c.row) + "/" +
                              std::to_string(c.tag) + "/" + std::to_string(c.column);
    const TSectionClass* section = SectionIn(*AllSectionsCatalogue, c.section);
    ASSERT_NE(section, nullptr) << where;
    const TRowClass* row = c.row >= 0 ? RowIn(*section, c.row, c.section == 10 && c.row == 1)
                                      : &section->Rows[section->Rows.Count() - 1];
    ASSERT_NE(row, nullptr) << where;
    const TRowType* type =
        c.tag == -1 && row->RowTypes.Count() == 1 ? &row->RowTypes[0] : FindRowType(*row, c.tag);
    ASSERT_NE(type, nullptr) << where;
    const TCellInfo* cell = CellIn(*type, c.column);
    if (c.name == nullptr) {
      EXPECT_EQ(cell, nullptr) << where;
    } else {
      ASSERT_NE(cell, nullptr) << where;
      EXPECT_EQ(cell->Name, c.name) << where;
    }
  }
  EXPECT_EQ(AllSectionsCatalogue->Sections[AllSectionsCatalogue->Sections.Count() - 1].Name,
            "FillGradientStops");
}

// Switching the view on must keep what the tree showed: every section, row
// and cell column of the catalogue is there under the same name and decoded
// by the same table. Object row 19 is the exception: today's hyperlinks are
// a section of their own and the row has no cells.
TEST_F(AllSectionsDataTest, TheCataloguesSectionsRowsAndCellsStayAsTheyWere) {
  for (const auto& oldSection : CellCatalogue->Sections) {
    const TSectionClass* section = SectionIn(*AllSectionsCatalogue, oldSection->SectionIndex);
    ASSERT_NE(section, nullptr) << oldSection->Name;
    EXPECT_EQ(section->Name, oldSection->Name);
    EXPECT_EQ(section->Repeats, oldSection->Repeats) << oldSection->Name;
    for (const auto& oldRow : oldSection->Rows) {
      const std::string where = oldSection->Name + "/" + oldRow->Name;
      const TRowClass* row = RowIn(*section, oldRow->RowIndex, oldRow->Repeats != 0);
      ASSERT_NE(row, nullptr) << where;
      EXPECT_EQ(row->Name, oldRow->Name) << where;
      if (oldSection->SectionIndex == 1 && oldRow->RowIndex == 19) continue;
      for (const auto& oldType : oldRow->RowTypes) {
        for (const auto& oldCell : oldType->Cells) {
          // A row the catalogue does not tell apart by tag may have several
          // types now (Controls: with and without a tip): one has the cell.
          const TCellInfo* cell = nullptr;
          for (const auto& type : row->RowTypes) {
            if (oldType->Tag != -1 && type->Tag != oldType->Tag) continue;
            if (oldType->Tag != -1) {
              EXPECT_EQ(type->Name, oldType->Name) << where;
            }
            if (cell == nullptr) cell = CellIn(*type, oldCell->Column);
          }
          ASSERT_NE(cell, nullptr) << where << "/" << oldCell->Name;
          EXPECT_EQ(cell->ValueLUT, oldCell->ValueLUT) << where << "/" << oldCell->Name;
        }
      }
    }
  }
}

// ---- over the stand-in ----

class AllSectionsTest : public tree_test::DemoTreeTest {
 protected:
  // The document the stand-in opens from the shared drawings; none when
  // they are not there.
  ObjectRef Open(const std::string& file) {
    const std::string path = tarvel_test::SharedFile("vsdx/" + file);
    if (path.empty()) return {};
    return ObjectRef(app).Get("Documents").ToObject().Invoke("Open", {Variant(path)}).ToObject();
  }

  // The object at a "/"-separated path of collections and 1-based items
  // below `from` ("Pages/1/Shapes/2").
  static ObjectRef Reach(ObjectRef from, const std::string& path) {
    std::istringstream in(path);
    for (std::string collection, item; std::getline(in, collection, '/');) {
      std::getline(in, item, '/');
      from = from.Get(collection)
                 .ToObject()
                 .Get("Item", {Variant(static_cast<std::int16_t>(std::stoi(item)))})
                 .ToObject();
    }
    return from;
  }

  TTreeItem& Section(const ObjectRef& shape, std::int16_t section) {
    return Expanded(Child(Sheet(shape), "S[" + std::to_string(section) + "]"));
  }
};

// Rows of today's types and sections in real drawings, each shown with the
// cells its type has, and named rows by their names.
TEST_F(AllSectionsTest, RealDrawingsShowTodaysRowsWithTheirCells) {
  struct Case {
    const char* file;
    const char* shape;  // below the document
    std::int16_t section;
    int row;  // position in the section
    const char* caption;
    std::vector<std::string> cells;  // the first ones
  };
  const std::vector<Case> cases = {
      {"ibm_vpc_architecture.vstx",
       "Pages/1/Shapes/1",
       10,
       1,
       "R[1]: Vertex (Tag: 141=InfiniteLine) (Local)",
       {R"c(CellSRC[0]   "Geometry1.X1" = "Width*0")c",
        R"c(CellSRC[1]   "Geometry1.Y1" = "Height*0.5")c",
        R"c(CellSRC[2]   "Geometry1.A1" = "IF(Width>0,Width,1DL)")c",
        R"c(CellSRC[3]   "Geometry1.B1" = "Height*0.5")c"}},
      {"ibm_vpc_architecture.vstx",
       "Masters/1/Shapes/1/Shapes/2",
       10,
       1,
       "R[1]: Vertex (Tag: 238=RelMoveTo) (Local)",
       {}},
      {"ibm_vpc_architecture.vstx",
       "Masters/1/Shapes/1/Shapes/2",
       10,
       2,
       "R[2]: Vertex (Tag: 193=PolylineTo) (Local)",
       {R"c(CellSRC[0]   "Geometry1.X2" = "Width*0")c",
        R"c(CellSRC[1]   "Geometry1.Y2" = "Height*1")c",
        R"c(CellSRC[2]   "Geometry1.A2" = "POLYLINE(0,0,1,1,1,0,0,0)")c"}},
      {"ibm_vpc_architecture.vstx",
       "Masters/22/Shapes/1/Shapes/3/Shapes/1",
       10,
       2,
       "R[2]: Vertex (Tag: 236=RelCubBezTo) (Local)",
       {R"c(CellSRC[0]   "Geometry1.X2" = "0.71219512195122")c",
        R"c(CellSRC[1]   "Geometry1.Y2" = "0.944237918215613")c",
        R"c(CellSRC[2]   "Geometry1.A2" = "0.680487804878049")c",
        R"c(CellSRC[3]   "Geometry1.B2" = "1")c",
        R"c(CellSRC[4]   "Geometry1.C2" = "0.71219512195122")c",
        R"c(CellSRC[5]   "Geometry1.D2" = "0.975836431226766")c"}},
      // Inherited from the master's group member.
      {"poi_github260.vsdx",
       "Pages/1/Shapes/3/Shapes/1",
       10,
       2,
       "R[2]: Vertex (Tag: 195=NURBSTo) (Inherited)",
       {R"c(CellSRC[0]   "Geometry1.X2" = "Width*0.0")c",
        R"c(CellSRC[1]   "Geometry1.Y2" = "Height*0.8")c", R"c(CellSRC[2]   "Geometry1.A2" = "0")c",
        R"c(CellSRC[3]   "Geometry1.B2" = "1")c", R"c(CellSRC[4]   "Geometry1.C2" = "0")c",
        R"c(CellSRC[5]   "Geometry1.D2" = "1")c",
        R"c(CellSRC[6]   "Geometry1.E2" = "NURBS(1.0,3,0,0,0.045,1.0,0.0,1.0,0.0,0.91,0.0,1.0)")c"}},
      // Inherited from the document's style.
      {"poi_github260.vsdx",
       "Pages/1/Shapes/3/Shapes/1",
       249,
       0,
       "R[0]: GradientStop (Tag: 0=Default) (Inherited)",
       {R"c(CellSRC[0]   "FillGradient.GradientStopColor" = "1")c"}},
      {"aspose_Layers_Drawing1.vsdx",
       "Pages/1/Shapes/1",
       244,
       0,
       "R[0]: Hyperlink.Row_2 (Tag: 0=Default) (Local)",
       {R"c(CellSRC[0]   "Hyperlink.Row_2.Description" = ""Description is here"")c",
        R"c(CellSRC[1]   "Hyperlink.Row_2.Address" = ""http://www.google.com"")c"}},
      {"aspose_Layers_Drawing1.vsdx",
       "Pages/1/Shapes/1",
       243,
       0,
       "R[0]: Prop.Cost (Tag: 0=Default) (Inherited)",
       {}},
      {"aspose_Layers_Drawing1.vsdx",
       "Pages/1/Shapes/1",
       242,
       0,
       "R[0]: User.visVersion (Tag: 0=Default) (Inherited)",
       {}},
      // The stand-in reads NoQuickDrag; it has no Path cell (4).
      {"aspose_Layers_Drawing1.vsdx",
       "Pages/1/Shapes/1",
       10,
       0,
       "R[0]: Component (Tag: 137=Start) (Inherited)",
       {R"c(CellSRC[0]   "Geometry1.NoFill" = "FALSE" (="False"))c",
        R"c(CellSRC[1]   "Geometry1.NoLine" = "")c",
        R"c(CellSRC[2]   "Geometry1.NoShow" = "" (="False"))c",
        R"c(CellSRC[3]   "Geometry1.NoSnap" = "")c", "CellSRC[Exception]   {Not assigned}",
        R"c(CellSRC[5]   "Geometry1.NoQuickDrag" = "")c"}},
      {"aspose_Layers_Drawing1.vsdx",
       "Pages/1/Shapes/1",
       240,
       0,
       "R[0]: Actions.Row_1 (Tag: 0=Default) (Local)",
       {}},
  };
  tree.SetAllSections(true);
  for (const Case& c : cases) {
    const std::string where = std::string(c.file) + " " + c.shape + " S[" +
                              std::to_string(c.section) + "] row " + std::to_string(c.row);
    const ObjectRef document = Open(c.file);
    if (!document) GTEST_SKIP() << "the drawing corpus is not there (TARVEL_SHARED_DIR/vsdx)";
    TTreeItem& section = Section(Reach(document, c.shape), c.section);
    ASSERT_GT(section.Count(), c.row) << where;
    TTreeItem& row = Expanded(*section.Item(c.row));
    EXPECT_EQ(row.Text(), c.caption) << where;
    std::vector<std::string> cells = Texts(row);
    ASSERT_GE(cells.size(), c.cells.size()) << where;
    cells.resize(c.cells.size());
    EXPECT_EQ(cells, c.cells) << where;
    tree.Clear();
    document.Invoke("Close");
  }
}

// Reviewers' comments, smart tags and gradient stops are sections of their
// own; a shape that gets rows in them shows them with their cells.
TEST_F(AllSectionsTest, RowsAddedToTodaysSectionsShowTheirTypesCells) {
  struct Case {
    std::int16_t section;
    std::int32_t cells;  // the row type's, in the data
    const char* caption;
  };
  const Case cases[] = {
      {245, 5, "R[0]: Reviewer.Row_1 (Tag: 0=Default) (Local)"},
      {246, 7, "R[0]: Annotation (Tag: 0=Default) (Local)"},
      {247, 9, "R[0]: SmartTags.Row_1 (Tag: 0=Default) (Local)"},
      {248, 3, "R[0]: GradientStop (Tag: 0=Default) (Local)"},
  };
  tree.SetAllSections(true);
  const ObjectRef shape = Shape("Process");
  for (const Case& c : cases) {
    shape.Invoke("AddRow",
                 {Variant(c.section), Variant(std::int16_t{0}), Variant(std::int16_t{0})});
    TTreeItem& row = Expanded(*Section(shape, c.section).Item(0));
    EXPECT_EQ(row.Text(), c.caption) << c.section;
    ASSERT_EQ(row.Count(), c.cells) << c.section;
    for (int k = 0; k < row.Count(); ++k) {
      auto* cell = dynamic_cast<TND_IVCell*>(row.Item(k)->Data());
      ASSERT_NE(cell, nullptr);
      EXPECT_TRUE(cell->VisObj) << c.section << " " << row.Item(k)->Text();
    }
    tree.Clear();
  }
}

TEST_F(AllSectionsTest, ACellTheStandInLacksShowsAsACellThatDoesNotExist) {
  tree.SetAllSections(true);
  TTreeItem& misc = Expanded(Child(Section(Shape("Process"), 1), "R[17]"));
  // VerticalText (6) and the theme cells (29, 30) are today's Visio's, not
  // the stand-in's; the cells around them are both.
  std::vector<std::string> missing;
  for (int k = 0; k < misc.Count(); ++k) {
    const auto* cell = dynamic_cast<const TND_IVCell*>(misc.Item(k)->Data());
    ASSERT_NE(cell, nullptr);
    if (!cell->VisObj) missing.push_back(misc.Item(k)->Text());
  }
  const std::string absent = "CellSRC[Exception]   {Not assigned}";
  EXPECT_EQ(missing, (std::vector<std::string>{absent, absent, absent}));
  EXPECT_EQ(misc.Item(7)->Text(), R"c(CellSRC[8]   "DynFeedback" = "0" (="Default"))c");
  EXPECT_EQ(misc.Count(), 26);
}

TEST_F(AllSectionsTest, SwitchingRemakesOpenSheetsAndSwitchingBackRestoresThem) {
  const ObjectRef shape = Shape("Process");
  TTreeItem& sheet = Sheet(shape);
  TTreeItem& cost = Expanded(*Expanded(Child(sheet, "S[243]")).Item(0));
  EXPECT_EQ(cost.Text(), "R[0]: Custom Properties (Tag: 0=Default) (Local)");
  std::vector<std::string> before;
  AllTexts(sheet, before);
  ASSERT_EQ(sheet.Count(), 14);

  ShowAllSections(tree, true);
  EXPECT_TRUE(sheet.Expanded());
  ASSERT_EQ(sheet.Count(), 20);
  EXPECT_EQ(sheet.Item(14)->Text(), "S[244]: Hyperlink (R: 1) (Local)");
  EXPECT_EQ(sheet.Item(19)->Text(), "S[249]: FillGradientStops (R: 0) (Doesn't Exist)");
  EXPECT_EQ(Expanded(Child(sheet, "S[243]")).Item(0)->Text(),
            "R[0]: Prop.Cost (Tag: 0=Default) (Local)");
  // A refresh follows the view it is in.
  sheet.Data()->Refresh(2);
  EXPECT_EQ(sheet.Count(), 20);

  ShowAllSections(tree, false);
  Expanded(*Expanded(Child(sheet, "S[243]")).Item(0));
  std::vector<std::string> after;
  AllTexts(sheet, after);
  EXPECT_EQ(after, before);
}

}  // namespace
