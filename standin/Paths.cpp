#include "standin/Paths.h"

#include <cmath>

#include "standin/ShapeSheet.h"

namespace standin {

namespace {

bool SamePoint(double x0, double y0, double x1, double y1) {
  return std::abs(x0 - x1) < 1e-9 && std::abs(y0 - y1) < 1e-9;
}

// A snapshot answers only while its shape lives.
void CheckHost(SheetHost& host) {
  if (host.HostObject().IsDeleted()) ThrowVisio(VisioErrorKind::ObjectDeleted);
}

Variant StatOfHost(SheetHost& host) {
  return I2(host.HostObject().IsDeleted() ? kStatDeleted : kStatNormal);
}

// Item(i) of a list, 1-based.
template <class T>
const T& ItemAt(const std::vector<T>& list, Args a) {
  CheckArgCount(a, 1, 1);
  const std::int32_t i = ArgI4(a, 0);
  if (i < 1 || i > static_cast<std::int32_t>(list.size())) {
    ThrowVisio(VisioErrorKind::InvalidParameter);
  }
  return list[static_cast<std::size_t>(i - 1)];
}

}  // namespace

bool CurveData::Closed() const {
  return SamePoint(x0, y0, x1, y1);
}

bool PathData::Closed() const {
  return !curves.empty() &&
         SamePoint(curves.front().x0, curves.front().y0, curves.back().x1, curves.back().y1);
}

std::vector<PathData> PathsOf(SheetHost& host) {
  ShapeSheet& sheet = host.Sheet();
  std::vector<PathData> out;
  const std::int16_t count = sheet.GeometryCount();
  for (std::int16_t k = 0; k < count; ++k) {
    const auto s = static_cast<std::int16_t>(visSectionFirstComponent + k);
    if (sheet.ResultIU(s, visRowComponent, visCompNoShow) != 0) continue;
    PathData path;
    double px = 0, py = 0;
    const std::int16_t rows = sheet.RowCount(s);
    for (std::int16_t r = 1; r < rows; ++r) {
      const std::int16_t tag = sheet.RowType(s, r);
      double x = sheet.ResultIU(s, r, visX), y = sheet.ResultIU(s, r, visY);
      if (IsRelativeRow(tag)) {
        x *= sheet.ResultIU(visSectionObject, visRowXFormOut, visXFormWidth);
        y *= sheet.ResultIU(visSectionObject, visRowXFormOut, visXFormHeight);
      }
      CurveData curve;
      curve.x0 = px;
      curve.y0 = py;
      curve.x1 = x;
      curve.y1 = y;
      switch (tag) {
        case visTagMoveTo:
        case visTagRelMoveTo:
          break;
        case visTagLineTo:
          path.curves.push_back(curve);
          break;
        case visTagArcTo:
          curve.kind =
              sheet.ResultIU(s, r, visBow) == 0 ? CurveData::Kind::Line : CurveData::Kind::Arc;
          path.curves.push_back(curve);
          break;
        case visTagEllipticalArcTo:
          curve.kind = CurveData::Kind::EllipticalArc;
          path.curves.push_back(curve);
          break;
        case visTagSplineBeg: {
          curve.kind = CurveData::Kind::Spline;
          const double first = sheet.ResultIU(s, r, visSplineKnot2);
          const double last = sheet.ResultIU(s, r, visSplineKnot3);
          if (last > first) {
            curve.start = first;
            curve.end = last;
          }
          // The spans that follow belong to the same spline.
          while (r + 1 < rows &&
                 sheet.RowType(s, static_cast<std::int16_t>(r + 1)) == visTagSplineSpan) {
            ++r;
            curve.x1 = sheet.ResultIU(s, r, visX);
            curve.y1 = sheet.ResultIU(s, r, visY);
          }
          path.curves.push_back(curve);
          break;
        }
        case visTagSplineSpan:  // a span without its beginning: a plain segment
        default:
          path.curves.push_back(curve);
          break;
      }
      px = curve.x1;
      py = curve.y1;
    }
    out.push_back(std::move(path));
  }
  return out;
}

Ref<Paths> MakePaths(SheetHost& host, bool local) {
  return MakeRef<Paths>(host, PathsOf(host), local);
}

// ---- Curve ----

Curve::Curve(SheetHost& host, CurveData data)
    : VisioObject(host.HostObject().session()),
      hostRef_(&host.HostObject()),
      host_(&host),
      data_(data) {}

const MemberTable& Curve::Members() const {
  static const auto table = MemberTableBuilder<Curve>("IVCurve", Guid{})
                                .Get("Application",
                                     [](Curve& c) {
                                       CheckHost(c.Host());
                                       return ApplicationRef(c);
                                     })
                                .Get("Closed",
                                     [](Curve& c) {
                                       CheckHost(c.Host());
                                       return VisBool(c.Data().Closed());
                                     })
                                .Get("End",
                                     [](Curve& c) {
                                       CheckHost(c.Host());
                                       return Variant(c.Data().end);
                                     })
                                .Get("ObjectType",
                                     [](Curve& c) {
                                       CheckHost(c.Host());
                                       return I2(static_cast<int>(ObjType::Curve));
                                     })
                                .Get("Start",
                                     [](Curve& c) {
                                       CheckHost(c.Host());
                                       return Variant(c.Data().start);
                                     })
                                .Get("Stat", [](Curve& c) { return StatOfHost(c.Host()); })
                                .Build();
  return *table;
}

// ---- Path ----

Path::Path(SheetHost& host, PathData data)
    : VisioObject(host.HostObject().session()),
      hostRef_(&host.HostObject()),
      host_(&host),
      data_(std::move(data)) {}

const MemberTable& Path::Members() const {
  static const auto table = MemberTableBuilder<Path>("IVPath", Guid{})
                                .Get("Application",
                                     [](Path& p) {
                                       CheckHost(p.Host());
                                       return ApplicationRef(p);
                                     })
                                .Get("Closed",
                                     [](Path& p) {
                                       CheckHost(p.Host());
                                       return VisBool(p.Data().Closed());
                                     })
                                .Get("Count",
                                     [](Path& p) {
                                       CheckHost(p.Host());
                                       return I2(static_cast<int>(p.Data().curves.size()));
                                     })
                                .Get("Item",
                                     [](Path& p, Args a) {
                                       CheckHost(p.Host());
                                       return MakeRef<Curve>(p.Host(), ItemAt(p.Data().curves, a));
                                     })
                                .Get("ObjectType",
                                     [](Path& p) {
                                       CheckHost(p.Host());
                                       return I2(static_cast<int>(ObjType::Path));
                                     })
                                .Get("Stat", [](Path& p) { return StatOfHost(p.Host()); })
                                .Build();
  return *table;
}

// ---- Paths ----

Paths::Paths(SheetHost& host, std::vector<PathData> paths, bool local)
    : VisioObject(host.HostObject().session()),
      hostRef_(&host.HostObject()),
      host_(&host),
      paths_(std::move(paths)),
      local_(local) {}

const MemberTable& Paths::Members() const {
  static const auto table = MemberTableBuilder<Paths>("IVPaths", Guid{})
                                .Get("Application",
                                     [](Paths& p) {
                                       CheckHost(p.Host());
                                       return ApplicationRef(p);
                                     })
                                .Get("Count",
                                     [](Paths& p) {
                                       CheckHost(p.Host());
                                       return I2(static_cast<int>(p.Data().size()));
                                     })
                                .Get("Item",
                                     [](Paths& p, Args a) {
                                       CheckHost(p.Host());
                                       return MakeRef<Path>(p.Host(), ItemAt(p.Data(), a));
                                     })
                                .Get("ObjectType",
                                     [](Paths& p) {
                                       CheckHost(p.Host());
                                       return I2(static_cast<int>(ObjType::Paths));
                                     })
                                .Get("Stat", [](Paths& p) { return StatOfHost(p.Host()); })
                                .Build();
  return *table;
}

}  // namespace standin
