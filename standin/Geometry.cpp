#include "standin/Geometry.h"

#include <cmath>
#include <numbers>

#include "standin/Numbers.h"
#include "standin/Application.h"
#include "standin/Page.h"
#include "standin/Shape.h"
#include "standin/ShapeSheet.h"

namespace standin {

namespace {

std::string Num(double v) {
  return PrintfNumber("%.10g", v);
}

std::string In(double v) {
  return Num(v) + " in";
}

void Set(ShapeSheet& sheet, std::int16_t s, std::int16_t r, std::int16_t c, const std::string& f) {
  sheet.SetFormula(s, r, c, f, true);
}

}  // namespace

void SetShapeTransform(Shape& shape, double pinX, double pinY, double width, double height) {
  ShapeSheet& sh = shape.Sheet();
  const auto xf = visRowXFormOut;
  Set(sh, visSectionObject, xf, visXFormPinX, In(pinX));
  Set(sh, visSectionObject, xf, visXFormPinY, In(pinY));
  Set(sh, visSectionObject, xf, visXFormWidth, In(width));
  Set(sh, visSectionObject, xf, visXFormHeight, In(height));
  Set(sh, visSectionObject, xf, visXFormLocPinX, "Width*0.5");
  sh.SetResult(visSectionObject, xf, visXFormLocPinX, width / 2);
  Set(sh, visSectionObject, xf, visXFormLocPinY, "Height*0.5");
  sh.SetResult(visSectionObject, xf, visXFormLocPinY, height / 2);
  Set(sh, visSectionObject, xf, visXFormAngle, "0 deg");
}

void SetBoxGeometry(Shape& shape, double x1, double y1, double x2, double y2, GeometryKind kind) {
  const double w = std::abs(x2 - x1), h = std::abs(y2 - y1);
  SetShapeTransform(shape, (x1 + x2) / 2, (y1 + y2) / 2, w, h);
  ShapeSheet& sh = shape.Sheet();
  const std::int16_t sec = sh.AddSection(visSectionFirstComponent);
  sh.AddRow(sec, visRowComponent, visTagComponent);
  Set(sh, sec, visRowComponent, visCompNoFill, "FALSE");
  Set(sh, sec, visRowComponent, visCompNoShow, "FALSE");
  struct Vertex {
    std::int16_t tag;
    const char* x;
    const char* y;
    double xv, yv;
  };
  if (kind == GeometryKind::Rectangle) {
    const Vertex vs[] = {{visTagMoveTo, "Width*0", "Height*0", 0, 0},
                         {visTagLineTo, "Width*1", "Height*0", w, 0},
                         {visTagLineTo, "Width*1", "Height*1", w, h},
                         {visTagLineTo, "Width*0", "Height*1", 0, h},
                         {visTagLineTo, "Geometry1.X1", "Geometry1.Y1", 0, 0}};
    for (const Vertex& v : vs) {
      const std::int16_t r = sh.AddRow(sec, visRowLast, v.tag);
      Set(sh, sec, r, visX, v.x);
      sh.SetResult(sec, r, visX, v.xv);
      Set(sh, sec, r, visY, v.y);
      sh.SetResult(sec, r, visY, v.yv);
    }
  } else {
    // An ellipse as four quarter arcs through the box's edge midpoints.
    const Vertex vs[] = {{visTagMoveTo, "Width*1", "Height*0.5", w, h / 2},
                         {visTagEllipticalArcTo, "Width*0.5", "Height*1", w / 2, h},
                         {visTagEllipticalArcTo, "Width*0", "Height*0.5", 0, h / 2},
                         {visTagEllipticalArcTo, "Width*0.5", "Height*0", w / 2, 0},
                         {visTagEllipticalArcTo, "Width*1", "Height*0.5", w, h / 2}};
    const double k = std::numbers::sqrt2 / 2;
    const double cx[] = {0, w / 2 + w / 2 * k, w / 2 - w / 2 * k, w / 2 - w / 2 * k,
                         w / 2 + w / 2 * k};
    const double cy[] = {0, h / 2 + h / 2 * k, h / 2 + h / 2 * k, h / 2 - h / 2 * k,
                         h / 2 - h / 2 * k};
    int i = 0;
    for (const Vertex& v : vs) {
      const std::int16_t r = sh.AddRow(sec, visRowLast, v.tag);
      Set(sh, sec, r, visX, v.x);
      sh.SetResult(sec, r, visX, v.xv);
      Set(sh, sec, r, visY, v.y);
      sh.SetResult(sec, r, visY, v.yv);
      if (v.tag == visTagEllipticalArcTo) {
        Set(sh, sec, r, visControlX, In(cx[i]));
        Set(sh, sec, r, visControlY, In(cy[i]));
        Set(sh, sec, r, visEccentricityAngle, "0 deg");
        Set(sh, sec, r, visAspectRatio, Num(h == 0 ? 1 : w / h));
      }
      ++i;
    }
  }
}

void SetLineGeometry(Shape& shape, double x1, double y1, double x2, double y2) {
  shape.SetOneD(true);
  const double dx = x2 - x1, dy = y2 - y1;
  const double length = std::hypot(dx, dy);
  ShapeSheet& sh = shape.Sheet();
  const auto xf = visRowXFormOut;
  Set(sh, visSectionObject, xf, visXFormPinX, In((x1 + x2) / 2));
  Set(sh, visSectionObject, xf, visXFormPinY, In((y1 + y2) / 2));
  Set(sh, visSectionObject, xf, visXFormWidth, In(length));
  Set(sh, visSectionObject, xf, visXFormHeight, "0 in");
  Set(sh, visSectionObject, xf, visXFormLocPinX, "Width*0.5");
  sh.SetResult(visSectionObject, xf, visXFormLocPinX, length / 2);
  Set(sh, visSectionObject, xf, visXFormLocPinY, "Height*0.5");
  Set(sh, visSectionObject, xf, visXFormAngle, Num(std::atan2(dy, dx)) + " rad");
  sh.AddRow(visSectionObject, visRowXForm1D, 0);
  Set(sh, visSectionObject, visRowXForm1D, vis1DBeginX, In(x1));
  Set(sh, visSectionObject, visRowXForm1D, vis1DBeginY, In(y1));
  Set(sh, visSectionObject, visRowXForm1D, vis1DEndX, In(x2));
  Set(sh, visSectionObject, visRowXForm1D, vis1DEndY, In(y2));
  const std::int16_t sec = sh.AddSection(visSectionFirstComponent);
  sh.AddRow(sec, visRowComponent, visTagComponent);
  Set(sh, sec, visRowComponent, visCompNoFill, "TRUE");
  Set(sh, sec, visRowComponent, visCompNoShow, "FALSE");
  std::int16_t r = sh.AddRow(sec, visRowLast, visTagMoveTo);
  Set(sh, sec, r, visX, "Width*0");
  sh.SetResult(sec, r, visX, 0);
  Set(sh, sec, r, visY, "Height*0.5");
  r = sh.AddRow(sec, visRowLast, visTagLineTo);
  Set(sh, sec, r, visX, "Width*1");
  sh.SetResult(sec, r, visX, length);
  Set(sh, sec, r, visY, "Height*0.5");
}

void MoveShapeTo(Shape& shape, double pinX, double pinY) {
  ShapeSheet& sh = shape.Sheet();
  Set(sh, visSectionObject, visRowXFormOut, visXFormPinX, In(pinX));
  Set(sh, visSectionObject, visRowXFormOut, visXFormPinY, In(pinY));
}

void InitPageSheet(Shape& sheet) {
  ShapeSheet& sh = sheet.Sheet();
  const auto pg = visRowPage;
  Set(sh, visSectionObject, pg, visPageWidth, "8.5 in");
  Set(sh, visSectionObject, pg, visPageHeight, "11 in");
  Set(sh, visSectionObject, pg, visPageShdwOffsetX, "0.125 in");
  Set(sh, visSectionObject, pg, visPageShdwOffsetY, "-0.125 in");
  Set(sh, visSectionObject, pg, visPageScale, "1 in");
  Set(sh, visSectionObject, pg, visPageDrawingScale, "1 in");
  Set(sh, visSectionObject, pg, visPageDrawSizeType, "0");
  Set(sh, visSectionObject, pg, visPageDrawScaleType, "0");
}

Ref<Shape> AddGuide(Page& page, std::int16_t type, double x, double y) {
  Ref<Shape> guide = page.NewShape(visTypeGuide, "");
  ShapeSheet& sh = guide->Sheet();
  // visVert 2 places a vertical guide at x, visHorz 1 a horizontal one at y;
  // visPoint 3 a guide point.
  Set(sh, visSectionObject, visRowXFormOut, visXFormPinX, In(x));
  Set(sh, visSectionObject, visRowXFormOut, visXFormPinY, In(y));
  Set(sh, visSectionObject, visRowXFormOut, visXFormWidth, "0 in");
  Set(sh, visSectionObject, visRowXFormOut, visXFormHeight, "0 in");
  Set(sh, visSectionObject, visRowXFormOut, visXFormAngle, type == 2 ? "90 deg" : "0 deg");
  sh.AddRow(visSectionObject, visRowGuide, 0);
  Set(sh, visSectionObject, visRowGuide, visGuideX, In(x));
  Set(sh, visSectionObject, visRowGuide, visGuideY, In(y));
  Set(sh, visSectionObject, visRowGuide, visGuideFlags, "0");
  guide->SetName("Guide." + std::to_string(guide->id()));
  guide->SetNameU(guide->Name());
  return guide;
}

namespace {

// The vertices of each visible geometry section, in local coordinates.
template <class F>
void ForEachSegment(Shape& shape, F f) {
  ShapeSheet& sh = shape.Sheet();
  const std::int16_t n = sh.GeometryCount();
  for (std::int16_t g = 0; g < n; ++g) {
    const auto sec = static_cast<std::int16_t>(visSectionFirstComponent + g);
    if (sh.ResultIU(sec, visRowComponent, visCompNoShow) != 0) continue;
    const bool filled = sh.ResultIU(sec, visRowComponent, visCompNoFill) == 0;
    const std::int16_t rows = sh.RowCount(sec);
    double px = 0, py = 0;
    for (std::int16_t r = 1; r < rows; ++r) {
      const std::int16_t tag = sh.RowType(sec, r);
      double x = sh.ResultIU(sec, r, visX), y = sh.ResultIU(sec, r, visY);
      if (IsRelativeRow(tag)) {
        x *= sh.ResultIU(visSectionObject, visRowXFormOut, visXFormWidth);
        y *= sh.ResultIU(visSectionObject, visRowXFormOut, visXFormHeight);
      }
      if (tag != visTagMoveTo && tag != visTagRelMoveTo)
        f(filled, tag, px, py, x, y, tag == visTagArcTo ? sh.ResultIU(sec, r, visBow) : 0.0);
      px = x;
      py = y;
    }
  }
}

}  // namespace

double GeometryArea(Shape& shape) {
  // Shoelace over the segments' chords: exact for polygons, close for
  // curves drawn with several segments.
  double twice = 0;
  ForEachSegment(
      shape, [&](bool filled, std::int16_t, double x0, double y0, double x1, double y1, double) {
        if (filled) twice += x0 * y1 - x1 * y0;
      });
  return std::abs(twice) / 2;
}

double GeometryLength(Shape& shape) {
  double length = 0;
  ForEachSegment(
      shape, [&](bool, std::int16_t tag, double x0, double y0, double x1, double y1, double bow) {
        const double chord = std::hypot(x1 - x0, y1 - y0);
        if (tag == visTagArcTo && bow != 0 && chord > 0) {
          // Circular arc through the chord's ends with sagitta |bow|.
          const double s = std::abs(bow);
          const double radius = (chord * chord / 4 + s * s) / (2 * s);
          length +=
              2 * radius * std::asin(std::min(1.0, chord / (2 * radius))) * (s > radius ? -1 : 1) +
              (s > radius ? 2 * std::numbers::pi * radius : 0);
        } else {
          length += chord;
        }
      });
  return length;
}

namespace {

// Stands for Visio's geometry extension: it has no members of its own that
// automation clients can call.
class GeometryExtension : public VisioObject {
 public:
  explicit GeometryExtension(Shape& shape) : VisioObject(shape.session()), shape_(&shape) {}
  const MemberTable& Members() const override {
    static const auto table = MemberTableBuilder<GeometryExtension>("IVGeomExIf", Guid{}).Build();
    return *table;
  }

 private:
  Ref<Shape> shape_;
};

}  // namespace

ObjectRef MakeGeometryExtension(Shape& shape, bool) {
  return MakeRef<GeometryExtension>(shape);
}

}  // namespace standin
