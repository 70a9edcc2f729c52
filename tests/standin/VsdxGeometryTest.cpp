// Geometry rows of every kind Visio writes, each with its own type and
// cells, also where an instance changes the rows of its master.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "VsdxTestPackage.h"
#include "standin/ShapeSheet.h"

namespace standin {
namespace {

using namespace vsdxtest;

using VsdxGeometryTest = PackageTest;

TEST_F(VsdxGeometryTest, EachRowKindAnswersItsTypeAndCells) {
  struct Kind {
    const char* name;
    std::int16_t tag;
    std::vector<const char*> cells;  // the row's cells in column order
  };
  const std::vector<Kind> kinds = {
      {"MoveTo", visTagMoveTo, {"X", "Y"}},
      {"LineTo", visTagLineTo, {"X", "Y"}},
      {"ArcTo", visTagArcTo, {"X", "Y", "A"}},
      {"InfiniteLine", visTagInfiniteLine, {"X", "Y", "A", "B"}},
      {"Ellipse", visTagEllipse, {"X", "Y", "A", "B", "C", "D"}},
      {"EllipticalArcTo", visTagEllipticalArcTo, {"X", "Y", "A", "B", "C", "D"}},
      {"SplineStart", visTagSplineBeg, {"X", "Y", "A", "B", "C", "D"}},
      {"SplineKnot", visTagSplineSpan, {"X", "Y", "A"}},
      {"PolylineTo", visTagPolylineTo, {"X", "Y", "A"}},
      {"NURBSTo", visTagNURBSTo, {"X", "Y", "A", "B", "C", "D", "E"}},
      {"RelMoveTo", visTagRelMoveTo, {"X", "Y"}},
      {"RelLineTo", visTagRelLineTo, {"X", "Y"}},
      {"RelCubBezTo", visTagRelCubBezTo, {"X", "Y", "A", "B", "C", "D"}},
      {"RelQuadBezTo", visTagRelQuadBezTo, {"X", "Y", "A", "B"}},
      {"RelEllipticalArcTo", visTagRelEllipticalArcTo, {"X", "Y", "A", "B", "C", "D"}},
  };
  // One section, a row of each kind; each cell's value is its row and
  // column (row 3, column 2: 3.2).
  std::string section = "<Section N=\"Geometry\" IX=\"0\">";
  for (std::size_t i = 0; i < kinds.size(); ++i) {
    section += "<Row T=\"" + std::string(kinds[i].name) + "\" IX=\"" + std::to_string(i + 1) + "\">";
    for (std::size_t c = 0; c < kinds[i].cells.size(); ++c) {
      section += "<Cell N=\"" + std::string(kinds[i].cells[c]) + "\" V=\"" +
                 std::to_string(i + 1) + "." + std::to_string(c) + "\"/>";
    }
    section += "</Row>";
  }
  section += "</Section>";
  ObjectRef shape = FirstShapeOf(Open(Write("Kinds.vsdx", DrawingWithShape(section))));
  const std::int16_t g = visSectionFirstComponent;
  ASSERT_EQ(shape.Get("RowCount", {I2(g)}).ToInt32(), static_cast<int>(kinds.size()) + 1);
  for (std::size_t i = 0; i < kinds.size(); ++i) {
    SCOPED_TRACE(kinds[i].name);
    const auto r = static_cast<std::int16_t>(i + 1);
    EXPECT_EQ(shape.Get("RowType", {I2(g), I2(r)}), I2(kinds[i].tag));
    EXPECT_EQ(shape.Get("RowsCellCount", {I2(g), I2(r)}).ToInt32(),
              static_cast<int>(kinds[i].cells.size()));
    for (std::size_t c = 0; c < kinds[i].cells.size(); ++c) {
      ObjectRef cell =
          shape.Get("CellsSRC", {I2(g), I2(r), I2(static_cast<std::int16_t>(c))}).ToObject();
      EXPECT_DOUBLE_EQ(cell.Get("ResultIU").ToDouble(), std::stod(std::to_string(i + 1) + "." +
                                                                  std::to_string(c)));
      const std::string name =
          "Geometry1." + std::string(kinds[i].cells[c]) + std::to_string(r);
      EXPECT_EQ(cell.Get("Name"), Variant(name));
      EXPECT_TRUE(automation::SameObject(shape.Get("Cells", {Variant(name)}).ToObject(), cell));
    }
  }
}

// A curved connector: the master's geometry is a MoveTo and two LineTo
// rows; the instance makes its second row a NURBSTo and deletes the third.
TEST_F(VsdxGeometryTest, AnInstanceRetypesAndDeletesItsMastersRowsInPlace) {
  const Parts p = DrawingWithMaster(
      "Connector",
      "<Shape ID=\"5\" NameU=\"Connector\" Type=\"Shape\">"
      "<Section N=\"Geometry\" IX=\"0\">"
      "<Row T=\"MoveTo\" IX=\"1\"><Cell N=\"X\" V=\"0\"/><Cell N=\"Y\" V=\"0\"/></Row>"
      "<Row T=\"LineTo\" IX=\"2\"><Cell N=\"X\" V=\"1\"/><Cell N=\"Y\" V=\"0\"/></Row>"
      "<Row T=\"LineTo\" IX=\"3\"><Cell N=\"X\" V=\"2\"/><Cell N=\"Y\" V=\"0\"/></Row>"
      "</Section></Shape>",
      "<Shape ID=\"1\" NameU=\"Connector\" Master=\"2\">"
      "<Section N=\"Geometry\" IX=\"0\">"
      "<Row T=\"NURBSTo\" IX=\"2\"><Cell N=\"X\" V=\"3\"/><Cell N=\"E\" V=\"NURBS(1, 3, 0, 0)\" "
      "U=\"NURBS\" F=\"NURBS(1,3,0,0)\"/></Row>"
      "<Row IX=\"3\" Del=\"1\"/>"
      "</Section></Shape>");
  ObjectRef shape = FirstShapeOf(Open(Write("Connector.vsdx", p)));
  const std::int16_t g = visSectionFirstComponent;
  ASSERT_EQ(shape.Get("RowCount", {I2(g)}), I2(3));
  EXPECT_EQ(shape.Get("RowType", {I2(g), I2(1)}), I2(visTagMoveTo));
  EXPECT_EQ(shape.Get("RowType", {I2(g), I2(2)}), I2(visTagNURBSTo));
  EXPECT_EQ(shape.Get("Cells", {Variant("Geometry1.X2")}).ToObject().Get("ResultIU"),
            Variant(3.0));
  EXPECT_EQ(shape.Get("Cells", {Variant("Geometry1.E2")}).ToObject().Get("Formula"),
            Variant("NURBS(1,3,0,0)"));
  // The MoveTo still comes from the master.
  EXPECT_EQ(shape.Get("Cells", {Variant("Geometry1.X1")}).ToObject().Get("IsInherited"),
            VisBool(true));
}

}  // namespace
}  // namespace standin
