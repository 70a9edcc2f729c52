// Shapes: plain, group, guide, foreign (OLE, bitmaps), 1-D connectors, and
// the sheets of pages, masters and documents; with the Shapes collection, glue
// connections (Connects) and OLE objects.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "standin/Model.h"
#include "standin/Page.h"

namespace standin {

class ShapeText;
class DrawingSurface;
class ShapesCollection;

// visType... values of Shape.Type and ForeignType.
enum ShapeType : std::int16_t {
  visTypePage = 1,
  visTypeGroup = 2,
  visTypeShape = 3,
  visTypeForeignObject = 4,
  visTypeGuide = 5,
  visTypeDoc = 6,
  visTypeMetafile = 16,
  visTypeBitmap = 32,
  visTypeInk = 64,
  visTypeIsLinked = 256,
  visTypeIsEmbedded = 512,
  visTypeIsControl = 1024,
  visTypeIsOLE2 = static_cast<std::int16_t>(0x8000),
};

class Shape : public VisioObject, public SheetHost {
 public:
  Shape(DrawingSurface& surface, Shape* parent, std::int16_t id, std::int16_t type);
  ~Shape() override;
  const MemberTable& Members() const override;
  void MarkDeleted() override;

  // ---- identity and place ----
  std::int16_t id() const { return id_; }
  std::int16_t type() const { return type_; }
  void SetType(std::int16_t type) {
    type_ = type;
    SheetsChanged();  // the rows a sheet has go with its kind
  }
  std::int16_t Index() const;  // 1-based among its parent's shapes; 0 for a sheet
  const std::string& Name() const { return name_; }
  const std::string& NameU() const { return nameU_; }
  void SetName(std::string name) { name_ = std::move(name); }
  void SetNameU(std::string nameU) { nameU_ = std::move(nameU); }
  // "Sheet.5": Visio's name by ID.
  std::string NameID() const;
  DrawingSurface& surface() const { return *surface_; }
  Shape* parent() const { return parent_; }
  // The sheet of a page, master or document: no shape of its own.
  bool IsSheet() const { return type_ == visTypePage || type_ == visTypeDoc; }
  bool IsOneD() const { return oneD_; }
  void SetOneD(bool oneD) {
    oneD_ = oneD;
    SheetsChanged();
  }

  // ---- sub-shapes ----
  const std::vector<Ref<Shape>>& Children() const { return children_; }
  Ref<Shape> AddChild(std::int16_t type, const std::string& nameU);
  void AdoptChild(Ref<Shape> child);  // for grouping
  void RemoveChild(Shape& child);
  ShapesCollection& ShapesColl();

  // ---- master instance ----
  Master* master() const { return master_; }
  // The shape of the master this shape inherits from (by its ID in the
  // master); null when the shape is no instance.
  Shape* MasterShape() const;
  void SetMaster(Master* master, std::int16_t masterShapeId) {
    master_ = master;
    masterShapeId_ = masterShapeId;
    SheetsChanged();  // what the sheet inherits
  }
  std::int16_t MasterShapeId() const { return masterShapeId_; }

  // ---- styles (by name; empty means the document's default) ----
  void SetStyles(const std::string& line, const std::string& fill, const std::string& text);
  Style* LineStyle() const;
  Style* FillStyle() const;
  Style* TextStyle() const;

  // ---- text and foreign data ----
  ShapeText& Text() { return *text_; }
  void SetForeign(std::int16_t foreignType, std::string progId, std::string classId);
  std::int16_t ForeignType() const { return foreignType_; }
  const std::string& ProgId() const { return progId_; }
  bool IsOLE() const { return (foreignType_ & visTypeIsOLE2) != 0; }
  // The GUID, made on first request (as visGetOrMakeGUID does).
  const std::string& UniqueId(bool make);
  void SetUniqueId(std::string guid) { uniqueId_ = std::move(guid); }

  // ---- SheetHost ----
  ShapeSheet& Sheet() override { return *sheet_; }
  SheetHost* InheritedSource(std::int16_t section, std::int16_t row) override;
  VisioObject& HostObject() override { return *this; }
  VisioObject* HostDocument() override;
  Kind HostKind() const override;
  void NoteChange() override;
  SheetHost* OtherSheet(std::string_view name, SheetHost& holder) override;

  Document& doc() const;
  Page* ContainingPage() const;
  Master* ContainingMaster() const;
  EventList& Events();
  EventList* EventsIfAny() const override { return eventList_.IfAny(); }
  VisioObject* EventParent() const override;

  // Deletes the shape from its parent (Shape.Delete).
  void Delete();
  // Copies the sheet, text and sub-shapes of another shape (master edit
  // copies); IDs are kept, and sub-shapes with the same ID keep their
  // identity.
  void CopyContentFrom(Shape& other);
  // Makes this shape an instance of a master's shape (Drop): nothing local
  // but what the caller sets; sub-shapes become instances of the master
  // shape's sub-shapes.
  void CopyInstanceOf(Master& master, Shape& masterShape);
  void Ungroup();
  // Moves the shape to the front or back of its parent's list.
  void Restack(bool toFront);

  // ---- layers: the LayerMember cell holds the layer rows ("0;2") ----
  std::vector<Ref<Layer>> MemberLayers();
  void JoinLayer(std::int16_t layerRow);
  void LeaveLayer(std::int16_t layerRow);

  const std::string& LineStyleName() const { return lineStyle_; }
  const std::string& FillStyleName() const { return fillStyle_; }
  const std::string& TextStyleName() const { return textStyle_; }
  const std::string& ClassId() const { return classId_; }

 private:
  // The shape with an ID in the numbering of the sheet that holds a
  // formula (see OtherSheet).
  Shape* ShapeForId(std::int16_t id, const SheetHost& holder, int depth);
  // The shape of this shape's instance that stands for a shape of its
  // master.
  Shape* CounterpartOf(const Shape& masterShape);
  std::string LayerMemberText();
  void SetLayerMember(const std::vector<int>& rows);

  DrawingSurface* surface_;
  Shape* parent_;
  std::int16_t id_;
  std::int16_t type_;
  bool oneD_ = false;
  std::string name_;
  std::string nameU_;
  std::vector<Ref<Shape>> children_;
  Ref<ShapesCollection> shapesColl_;
  Master* master_ = nullptr;
  std::int16_t masterShapeId_ = -1;
  std::string lineStyle_, fillStyle_, textStyle_;
  std::unique_ptr<ShapeSheet> sheet_;
  std::unique_ptr<ShapeText> text_;
  std::int16_t foreignType_ = 0;
  std::string progId_, classId_;
  std::string uniqueId_;
  EventListSlot eventList_;
};

// ShapeAdded for a shape just made complete, raised by what holds it;
// hands the shape back.
Ref<Shape> RaiseShapeAdded(Ref<Shape> shape);

// Shapes of a page, master or group, as a collection.
class ShapesCollection : public VisioObject {
 public:
  // Either a surface's top-level shapes or a group's sub-shapes.
  ShapesCollection(DrawingSurface& surface, Shape* group);
  const MemberTable& Members() const override;
  const std::vector<Ref<Shape>>& List() const;
  void NoteChange() override;
  DrawingSurface& surface() const { return *surface_; }
  Shape* group() const { return group_; }
  EventList& Events();

 private:
  DrawingSurface* surface_;
  Shape* group_;
  EventListSlot eventList_;
};

// Connects collection: a snapshot of the connections of a page, master or
// shape, as Visio hands out.
class ConnectsCollection : public VisioObject {
 public:
  ConnectsCollection(const SessionPtr& session, std::vector<ConnectRecord> list,
                     Ref<Shape> fromSheet, Ref<Shape> toSheet, VisioObject* document);
  const MemberTable& Members() const override;

 private:
  std::vector<ConnectRecord> list_;
  Ref<Shape> fromSheet_, toSheet_;
  Ref<VisioObject> document_;
};

class Connect : public VisioObject {
 public:
  Connect(const SessionPtr& session, ConnectRecord record, std::int16_t index,
          VisioObject* document);
  const MemberTable& Members() const override;

 private:
  ConnectRecord rec_;
  std::int16_t index_;
  Ref<VisioObject> document_;
};

// OLE objects of a page, master or document: snapshots of the OLE shapes.
class OLEObjectsCollection : public VisioObject {
 public:
  OLEObjectsCollection(const SessionPtr& session, std::vector<Ref<Shape>> shapes);
  const MemberTable& Members() const override;

 private:
  std::vector<Ref<Shape>> shapes_;
};

class OLEObject : public VisioObject {
 public:
  explicit OLEObject(Shape& shape);
  const MemberTable& Members() const override;

 private:
  Ref<Shape> shape_;
};

// Every OLE shape below the given shapes, in order (groups included).
void CollectOLEShapes(const std::vector<Ref<Shape>>& shapes, std::vector<Ref<Shape>>& out);

// Fails as Visio does when the object has been deleted (for collection
// objects, whose state follows their owner).
void CheckAlive(const VisioObject& owner);

}  // namespace standin
