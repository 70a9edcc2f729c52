// Sections and Object section cells of today's Visio, as files hold them:
// gradient stops, reviewers, annotations, smart tags, and the Object rows
// added since the older format (gradients, quick styles, themes, ...).
#include <gtest/gtest.h>

#include <string>

#include "VsdxTestPackage.h"
#include "standin/ShapeSheet.h"

namespace standin {
namespace {

using namespace vsdxtest;

using VsdxSectionsTest = PackageTest;

TEST_F(VsdxSectionsTest, EverySectionTheFileHoldsAnswersWithItsIndices) {
  const std::string sections =
      "<Section N=\"FillGradient\">"
      "<Row IX=\"0\"><Cell N=\"GradientStopColor\" V=\"2\"/>"
      "<Cell N=\"GradientStopPosition\" V=\"0\"/></Row>"
      "<Row IX=\"1\"><Cell N=\"GradientStopColor\" V=\"3\"/>"
      "<Cell N=\"GradientStopPosition\" V=\"1\"/></Row></Section>"
      "<Section N=\"LineGradient\"><Row IX=\"0\"><Cell N=\"GradientStopColorTrans\" V=\"0.5\"/>"
      "</Row></Section>"
      "<Section N=\"Reviewer\"><Row N=\"Row_1\"><Cell N=\"Name\" V=\"Kim\" U=\"STR\"/>"
      "<Cell N=\"Initials\" V=\"K\" U=\"STR\"/></Row></Section>"
      "<Section N=\"Annotation\"><Row IX=\"0\"><Cell N=\"X\" V=\"1.5\"/>"
      "<Cell N=\"Comment\" V=\"Look here\" U=\"STR\"/></Row></Section>"
      "<Section N=\"ActionTag\"><Row N=\"Row_1\"><Cell N=\"TagName\" V=\"urn:tag\" U=\"STR\"/>"
      "<Cell N=\"Description\" V=\"A tag\" U=\"STR\"/></Row></Section>";
  ObjectRef shape = FirstShapeOf(Open(Write("Sections.vsdx", DrawingWithShape(sections))));
  struct Case {
    std::int16_t section;
    int rows;
    std::int16_t row, column;
    Variant result;  // ResultIU for numbers, ResultStr("") for texts
  };
  const Case cases[] = {
      {visSectionFillGradientStops, 2, 1, 0, Variant(3.0)},
      {visSectionFillGradientStops, 2, 1, 2, Variant(1.0)},
      {visSectionLineGradientStops, 1, 0, 1, Variant(0.5)},
      {visSectionReviewer, 1, 0, 0, Variant("Kim")},
      {visSectionReviewer, 1, 0, 1, Variant("K")},
      {visSectionAnnotation, 1, 0, 0, Variant(1.5)},
      {visSectionAnnotation, 1, 0, 5, Variant("Look here")},
      {visSectionSmartTag, 1, 0, 2, Variant("urn:tag")},
      {visSectionSmartTag, 1, 0, 15, Variant("A tag")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.section) + "/" + std::to_string(c.row) + "/" +
                 std::to_string(c.column));
    EXPECT_NE(shape.Get("SectionExists", {I2(c.section), I2(1)}).ToInt32(), 0);
    EXPECT_EQ(shape.Get("RowCount", {I2(c.section)}).ToInt32(), c.rows);
    ObjectRef cell = shape.Get("CellsSRC", {I2(c.section), I2(c.row), I2(c.column)}).ToObject();
    if (c.result.type() == automation::VarType::Bstr) {
      EXPECT_EQ(cell.Get("ResultStr", {Variant("")}), c.result);
    } else {
      EXPECT_EQ(cell.Get("ResultIU"), c.result);
    }
  }
  // Cells by name as well.
  EXPECT_EQ(shape.Get("Cells", {Variant("FillGradient.GradientStopColor[2]")})
                .ToObject()
                .Get("ResultIU"),
            Variant(3.0));
  EXPECT_EQ(shape.Get("Cells", {Variant("Reviewer.Row_1.Initials")})
                .ToObject()
                .Get("ResultStr", {Variant("")}),
            Variant("K"));
}

TEST_F(VsdxSectionsTest, ObjectCellsOfTodaysVisioLoadAndInherit) {
  const Parts p = DrawingWithMaster(
      "Themed",
      "<Shape ID=\"5\" NameU=\"Themed\" Type=\"Shape\">"
      "<Cell N=\"QuickStyleLineColor\" V=\"101\"/><Cell N=\"FillGradientEnabled\" V=\"1\"/>"
      "<Cell N=\"ShapeRouteStyle\" V=\"16\"/><Cell N=\"LineColorTrans\" V=\"0.25\"/>"
      "</Shape>",
      "<Shape ID=\"1\" NameU=\"Themed\" Master=\"2\">"
      "<Cell N=\"QuickStyleFillColor\" V=\"102\"/><Cell N=\"ObjType\" V=\"1\"/>"
      "<Cell N=\"IsDropSource\" V=\"1\"/>"
      "</Shape>");
  ObjectRef shape = FirstShapeOf(Open(Write("Themed.vsdx", p)));
  struct Case {
    const char* name;
    std::int16_t row, column;
    double value;
    bool inherited;
  };
  const Case cases[] = {
      {"QuickStyleLineColor", visRowQuickStyleProperties, 0, 101, true},
      {"QuickStyleFillColor", visRowQuickStyleProperties, 1, 102, false},
      {"FillGradientEnabled", visRowGradientProperties, 5, 1, true},
      {"ShapeRouteStyle", visRowShapeLayout, 10, 16, true},
      {"LineColorTrans", visRowLine, 9, 0.25, true},
      {"ObjType", visRowMisc, 13, 1, false},
      {"IsDropSource", visRowMisc, 17, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ObjectRef byName = shape.Get("Cells", {Variant(c.name)}).ToObject();
    ObjectRef bySRC =
        shape.Get("CellsSRC", {I2(visSectionObject), I2(c.row), I2(c.column)}).ToObject();
    EXPECT_TRUE(automation::SameObject(byName, bySRC));
    EXPECT_EQ(bySRC.Get("ResultIU"), Variant(c.value));
    EXPECT_EQ(bySRC.Get("IsInherited"), VisBool(c.inherited));
  }
  EXPECT_NE(shape.Get("RowExists", {I2(visSectionObject), I2(visRowThemeProperties), I2(0)})
                .ToInt32(),
            -1);
}

}  // namespace
}  // namespace standin
