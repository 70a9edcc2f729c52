// A shape's geometry as paths and curves: one path per shown geometry
// section, one curve per segment.
#include <gtest/gtest.h>

#include "SheetTestHost.h"

namespace standin::testing {
namespace {

TEST_F(SheetTest, PathsHaveACurvePerSegmentOfEachShownSection) {
  Ref<TestHost> shape = MakeHost();
  ShapeSheet& sheet = shape->Sheet();
  // A closed triangle of lines.
  AddGeometry(
      sheet,
      {{visTagMoveTo, 0, 0}, {visTagLineTo, 2, 0}, {visTagLineTo, 2, 1}, {visTagLineTo, 0, 0}});
  // An arc and an elliptical arc back to the start.
  const std::int16_t arcs = AddGeometry(
      sheet, {{visTagMoveTo, 0, 0}, {visTagArcTo, 2, 0}, {visTagEllipticalArcTo, 0, 0}});
  sheet.SetFormula(arcs, 2, visBow, "0.5 in", true);
  // A spline over knots 0 to 3, then a line; open.
  const std::int16_t spline = AddGeometry(sheet, {{visTagMoveTo, 0, 0},
                                                  {visTagSplineBeg, 1, 1},
                                                  {visTagSplineSpan, 2, 0},
                                                  {visTagSplineSpan, 3, 1},
                                                  {visTagLineTo, 4, 0}});
  sheet.SetFormula(spline, 2, visSplineKnot3, "3", true);
  // Hidden geometry makes no path.
  AddGeometry(sheet, {{visTagMoveTo, 0, 0}, {visTagLineTo, 1, 1}}, true);

  ObjectRef paths = ObjectRef(shape).Get("Paths").ToObject();
  EXPECT_EQ(paths.Get("ObjectType"), I2(40));
  ASSERT_EQ(paths.Get("Count"), I2(3));
  struct Expected {
    int curves;
    bool closed;
  };
  const Expected expected[] = {{3, true}, {2, true}, {2, false}};
  for (int i = 0; i < 3; ++i) {
    ObjectRef path = paths.Get("Item", {Variant(i + 1)}).ToObject();
    EXPECT_EQ(path.Get("ObjectType"), I2(41));
    EXPECT_EQ(path.Get("Count"), I2(expected[i].curves)) << i;
    EXPECT_EQ(path.Get("Closed"), VisBool(expected[i].closed)) << i;
  }
  ObjectRef splinePath = paths.Get("Item", {Variant(3)}).ToObject();
  ObjectRef splineCurve = splinePath.Get("Item", {Variant(1)}).ToObject();
  EXPECT_EQ(splineCurve.Get("ObjectType"), I2(42));
  EXPECT_EQ(splineCurve.Get("Start"), Variant(0.0));
  EXPECT_EQ(splineCurve.Get("End"), Variant(3.0));
  EXPECT_EQ(splineCurve.Get("Closed"), VisBool(false));
  ObjectRef line = splinePath.Get("Item", {Variant(2)}).ToObject();
  EXPECT_EQ(line.Get("Start"), Variant(0.0));
  EXPECT_EQ(line.Get("End"), Variant(1.0));
  const auto data = PathsOf(*shape);
  EXPECT_EQ(data[1].curves[0].kind, CurveData::Kind::Arc);
  EXPECT_EQ(data[1].curves[1].kind, CurveData::Kind::EllipticalArc);
  EXPECT_EQ(data[2].curves[0].x1, 3.0);  // the spline ends where its last span does

  for (int bad : {0, 4}) {
    EXPECT_EQ(CodeOf([&] { paths.Get("Item", {Variant(bad)}); }),
              Visio(VisioErrorKind::InvalidParameter));
  }
  EXPECT_EQ(CodeOf([&] { splinePath.Get("Item", {Variant(3)}); }),
            Visio(VisioErrorKind::InvalidParameter));

  // Paths of a shape that is gone answer Stat only.
  shape->MarkDeleted();
  EXPECT_EQ(paths.Get("Stat"), I2(kStatDeleted));
  EXPECT_EQ(splineCurve.Get("Stat"), I2(kStatDeleted));
  EXPECT_EQ(CodeOf([&] { paths.Get("Count"); }), Visio(VisioErrorKind::ObjectDeleted));
  EXPECT_EQ(CodeOf([&] { splineCurve.Get("End"); }), Visio(VisioErrorKind::ObjectDeleted));
}

TEST_F(SheetTest, AShapeWithoutGeometryHasNoPaths) {
  Ref<TestHost> shape = MakeHost();
  EXPECT_EQ(ObjectRef(shape).Get("Paths").ToObject().Get("Count"), I2(0));
}

}  // namespace
}  // namespace standin::testing
