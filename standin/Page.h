// Pages and masters: the two kinds of drawing surface. Both hold top-level
// shapes (a group holds its own), layers, the connections between their
// shapes, and a sheet of their own (the page sheet).
#pragma once

#include <string>
#include <vector>

#include "standin/Model.h"

namespace standin {

class ShapesCollection;

// One glue connection: a cell of one shape (usually a 1-D connector's
// begin or end) glued to a cell of another.
struct ConnectRecord {
  Ref<Shape> from;
  std::int16_t fromSection, fromRow, fromColumn;
  std::int16_t fromPart;  // visBegin 9, visEnd 12, ...
  Ref<Shape> to;
  std::int16_t toSection, toRow, toColumn;
  std::int16_t toPart;  // visConnectionPoint + row, visGuideX, ...
};

class DrawingSurface {
 public:
  virtual ~DrawingSurface() = default;

  const std::vector<Ref<Shape>>& TopShapes() const { return shapes_; }
  // For changing the list: sheets forget what they found in it (the
  // shapes of a master that instances inherit from).
  std::vector<Ref<Shape>>& MutableTopShapes() {
    SheetsChanged();
    ShapesMoved();
    return shapes_;
  }
  // Says the surface's tree of shapes changed (shapes added, removed or
  // moved, here or in a group): every change to it calls this.
  void ShapesMoved() noexcept { ++shapesVersion_; }
  // The shape with this ID anywhere on the surface (groups included); the
  // first a walk of the shapes meets when IDs repeat; the sheet for ID 0.
  // Takes a look-up in an index of the shapes, made anew after ShapesMoved.
  Shape* FindShape(std::int16_t id) const;
  // The shape with this universal name anywhere on the surface (groups
  // included, the sheet too); null when there is none.
  Shape* FindShapeU(std::string_view nameU) const;
  // The next ID past the largest the surface has held (Visio does not
  // give a deleted shape's ID again); once past 0x7FFF, the lowest free.
  std::int16_t NextShapeId();
  // Whether NextShapeId has an ID past every one given so far.
  bool HasFreshShapeId() const { return nextShapeId_ <= 0x7FFF; }
  void NoteShapeId(std::int16_t id) {
    if (id >= nextShapeId_) nextShapeId_ = id + 1;
  }

  Shape& Sheet() const { return *sheet_; }
  const std::vector<ConnectRecord>& Connects() const { return connects_; }
  void AddConnect(ConnectRecord c) { connects_.push_back(std::move(c)); }
  // Drops every connection that involves the shape (it is being deleted).
  void ForgetShape(const Shape& shape);

  // Layers live as rows of the sheet's Layer section; these objects stand
  // for those rows, in order.
  const std::vector<Ref<Layer>>& Layers() const { return layers_; }
  Ref<Layer> AddLayer(const std::string& name);
  void DeleteLayer(Layer& layer);

  virtual VisioObject& SurfaceObject() = 0;
  virtual Document& SurfaceDocument() const = 0;
  virtual Page* AsPage() { return nullptr; }
  virtual Master* AsMaster() { return nullptr; }

  ShapesCollection& ShapesColl();
  // Takes over another surface's content (master edit copies): the sheet,
  // the layers, the connections, and the shapes, those with an ID that is
  // already here keeping their identity.
  void CopySurfaceFrom(DrawingSurface& other);

  // Drop: an instance of the master at (x, y) in inches, on top.
  Ref<Shape> Drop(Master& master, double x, double y);
  Ref<Shape> DrawRectangle(double x1, double y1, double x2, double y2);
  Ref<Shape> DrawLine(double x1, double y1, double x2, double y2);
  Ref<Shape> DrawOval(double x1, double y1, double x2, double y2);
  // Appends a new top-level shape of the given type (no geometry yet).
  Ref<Shape> NewShape(std::int16_t type, const std::string& nameU);

 protected:
  void InitSheet(const SessionPtr& session);
  void MarkSurfaceDeleted();

  std::vector<Ref<Shape>> shapes_;
  std::vector<Ref<Layer>> layers_;
  std::vector<ConnectRecord> connects_;
  Ref<Shape> sheet_;
  Ref<ShapesCollection> shapesColl_;
  std::int32_t nextShapeId_ = 1;

 private:
  // FindShape's index, sorted by ID, as of shapesVersion_ byIdVersion_. It
  // holds its shapes, so an entry a change left behind can be a deleted
  // shape or one gone elsewhere, never a freed one.
  struct IdEntry {
    std::int16_t id;
    Ref<Shape> shape;
  };
  void IndexShapes() const;
  std::uint64_t shapesVersion_ = 1;
  mutable std::vector<IdEntry> byId_;
  mutable std::uint64_t byIdVersion_ = 0;
};

class Page : public VisioObject, public DrawingSurface {
 public:
  Page(Document& doc, std::string name, std::int16_t id, bool background);
  const MemberTable& Members() const override;
  void NoteChange() override;
  void MarkDeleted() override;

  Document& doc() const { return *doc_; }
  std::int16_t id() const { return id_; }
  std::int16_t Index() const;
  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }
  const std::string& NameU() const { return nameU_; }
  void SetNameU(std::string name) { nameU_ = std::move(name); }
  bool Background() const { return background_; }
  void SetBackground(bool b) { background_ = b; }
  Page* BackPage() const { return backPage_; }
  void SetBackPage(Page* page) { backPage_ = page; }

  VisioObject& SurfaceObject() override { return *this; }
  Document& SurfaceDocument() const override { return *doc_; }
  Page* AsPage() override { return this; }
  EventList& Events();
  EventList* EventsIfAny() const override { return eventList_.IfAny(); }
  VisioObject* EventParent() const override;

 private:
  Document* doc_;
  std::string name_;
  std::string nameU_;
  std::int16_t id_;
  bool background_;
  Page* backPage_ = nullptr;
  EventListSlot eventList_;
};

}  // namespace standin
