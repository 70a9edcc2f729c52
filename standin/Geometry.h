// Geometry that Visio's drawing calls make, and measures of a shape's
// geometry (AreaIU, LengthIU).
#pragma once

#include "standin/Model.h"

namespace standin {

class Page;
class DrawingSurface;

enum class GeometryKind { Rectangle, Ellipse };

// The transform of a 2-D shape: pin at the centre of its box.
void SetShapeTransform(Shape& shape, double pinX, double pinY, double width, double height);
// A 2-D shape filling the box (x1, y1)-(x2, y2), in page inches.
void SetBoxGeometry(Shape& shape, double x1, double y1, double x2, double y2, GeometryKind kind);
// A 1-D shape from (x1, y1) to (x2, y2).
void SetLineGeometry(Shape& shape, double x1, double y1, double x2, double y2);
void MoveShapeTo(Shape& shape, double pinX, double pinY);
// A new page sheet: letter paper, no scale.
void InitPageSheet(Shape& sheet);
// Page.AddGuide: a vertical (visVert 2? no: visGuideVert) or horizontal guide.
Ref<Shape> AddGuide(Page& page, std::int16_t type, double x, double y);

// Area enclosed by the shape's filled geometry and length of all its
// segments, in internal units.
double GeometryArea(Shape& shape);
double GeometryLength(Shape& shape);

// Shape.GeomExIf: the geometry extension interface, an opaque object here.
ObjectRef MakeGeometryExtension(Shape& shape, bool localCoordinates);

}  // namespace standin
