// A shape's geometry as paths and curves (IVPaths, IVPath, IVCurve):
// one path per geometry section that is shown (NoShow false), one curve
// per segment: a line, a circular arc (ArcTo), an elliptical arc, or a
// whole spline (a SplineBeg row with the SplineSpan rows after it).
// MoveTo rows start a segment without making one.
//
// The collection is a snapshot of the geometry when Shape.Paths was read,
// in the shape's local coordinates. Curves are parametrised over [0, 1],
// splines over their knots (the SplineBeg row's first and last knot).
// Points, Point and PointAndDerivatives hand out arrays of doubles, which
// these objects do not offer.
#pragma once

#include <vector>

#include "standin/Model.h"

namespace standin {

struct CurveData {
  enum class Kind { Line, Arc, EllipticalArc, Spline };
  Kind kind = Kind::Line;
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // its ends, in inches
  double start = 0, end = 1;              // its parameter's domain
  bool Closed() const;
};

struct PathData {
  std::vector<CurveData> curves;
  bool Closed() const;
};

// The paths of a host's geometry, as Shape.Paths (local false: the
// parent's coordinates) and Shape.PathsLocal (local true) give them.
std::vector<PathData> PathsOf(SheetHost& host);

class Curve : public VisioObject {
 public:
  Curve(SheetHost& host, CurveData data);
  const MemberTable& Members() const override;
  const CurveData& Data() const { return data_; }
  SheetHost& Host() const { return *host_; }

 private:
  ObjectRef hostRef_;
  SheetHost* host_;
  CurveData data_;
};

class Path : public VisioObject {
 public:
  Path(SheetHost& host, PathData data);
  const MemberTable& Members() const override;
  const PathData& Data() const { return data_; }
  SheetHost& Host() const { return *host_; }

 private:
  ObjectRef hostRef_;
  SheetHost* host_;
  PathData data_;
};

class Paths : public VisioObject {
 public:
  Paths(SheetHost& host, std::vector<PathData> paths, bool local);
  const MemberTable& Members() const override;
  const std::vector<PathData>& Data() const { return paths_; }
  SheetHost& Host() const { return *host_; }
  bool Local() const { return local_; }

 private:
  ObjectRef hostRef_;
  SheetHost* host_;
  std::vector<PathData> paths_;
  bool local_;
};

Ref<Paths> MakePaths(SheetHost& host, bool local);

}  // namespace standin
