#include "standin/Page.h"

#include <algorithm>

#include "standin/Application.h"
#include "standin/Cell.h"
#include "standin/Collections.h"
#include "standin/Document.h"
#include "standin/Events.h"
#include "standin/Geometry.h"
#include "standin/Layer.h"
#include "standin/Master.h"
#include "standin/Shape.h"
#include "standin/ShapeSheet.h"
#include "standin/Window.h"

namespace standin {

// ---- DrawingSurface ----

namespace {

Shape* FindIn(const std::vector<Ref<Shape>>& shapes, std::int16_t id) {
  for (const auto& s : shapes) {
    if (s->id() == id) return s.get();
    if (Shape* inner = FindIn(s->Children(), id)) return inner;
  }
  return nullptr;
}

}  // namespace

void DrawingSurface::IndexShapes() const {
  byId_.clear();
  // In the order of a walk, so that of shapes sharing an ID (a hostile
  // file's) the one a walk meets first stays.
  std::vector<const std::vector<Ref<Shape>>*> lists{&shapes_};
  std::vector<std::size_t> next{0};
  while (!lists.empty()) {
    const auto& list = *lists.back();
    std::size_t& i = next.back();
    if (i == list.size()) {
      lists.pop_back();
      next.pop_back();
      continue;
    }
    const Ref<Shape>& s = list[i++];
    byId_.push_back({s->id(), s});
    if (!s->Children().empty()) {
      lists.push_back(&s->Children());
      next.push_back(0);
    }
  }
  std::stable_sort(byId_.begin(), byId_.end(),
                   [](const IdEntry& a, const IdEntry& b) { return a.id < b.id; });
  byId_.erase(std::unique(byId_.begin(), byId_.end(),
                          [](const IdEntry& a, const IdEntry& b) { return a.id == b.id; }),
              byId_.end());
  byIdVersion_ = shapesVersion_;
}

Shape* DrawingSurface::FindShape(std::int16_t id) const {
  if (id == 0) return sheet_.get();
  if (byIdVersion_ != shapesVersion_) IndexShapes();
  const auto it = std::lower_bound(byId_.begin(), byId_.end(), id,
                                   [](const IdEntry& e, std::int16_t v) { return e.id < v; });
  if (it == byId_.end() || it->id != id) return nullptr;
  Shape* s = it->shape.get();
  // A shape deleted or moved without ShapesMoved would show here: walk.
  if (s->IsDeleted() || &s->surface() != this) return FindIn(shapes_, id);
  return s;
}

Shape* DrawingSurface::FindShapeU(std::string_view nameU) const {
  if (automation::NamesEqual(sheet_->NameU(), nameU)) return sheet_.get();
  std::vector<const std::vector<Ref<Shape>>*> todo{&shapes_};
  while (!todo.empty()) {
    const auto* list = todo.back();
    todo.pop_back();
    for (const auto& s : *list) {
      if (automation::NamesEqual(s->NameU(), nameU)) return s.get();
      if (!s->Children().empty()) todo.push_back(&s->Children());
    }
  }
  return nullptr;
}

std::int16_t DrawingSurface::NextShapeId() {
  if (nextShapeId_ <= 0x7FFF) return static_cast<std::int16_t>(nextShapeId_++);
  for (std::int32_t id = 1; id <= 0x7FFF; ++id) {
    if (!FindShape(static_cast<std::int16_t>(id))) return static_cast<std::int16_t>(id);
  }
  ThrowVisio(VisioErrorKind::InvalidParameter);
}

void DrawingSurface::ForgetShape(const Shape& shape) {
  connects_.erase(std::remove_if(connects_.begin(), connects_.end(),
                                 [&](const ConnectRecord& c) {
                                   return c.from.get() == &shape || c.to.get() == &shape;
                                 }),
                  connects_.end());
}

void DrawingSurface::InitSheet(const SessionPtr&) {
  sheet_ = MakeRef<Shape>(*this, nullptr, std::int16_t{0}, std::int16_t{visTypePage});
  sheet_->SetName("ThePage");
  sheet_->SetNameU("ThePage");
}

void DrawingSurface::MarkSurfaceDeleted() {
  for (auto& s : shapes_) s->MarkDeleted();
  for (auto& l : layers_) l->MarkDeleted();
  if (sheet_) sheet_->MarkDeleted();
  if (shapesColl_) shapesColl_->MarkDeleted();
  connects_.clear();
}

ShapesCollection& DrawingSurface::ShapesColl() {
  if (!shapesColl_) shapesColl_ = MakeRef<ShapesCollection>(*this, nullptr);
  return *shapesColl_;
}

void DrawingSurface::CopySurfaceFrom(DrawingSurface& other) {
  sheet_->CopyContentFrom(other.Sheet());
  std::vector<Ref<Shape>> kept;
  for (const auto& os : other.shapes_) {
    Ref<Shape> mine;
    for (const auto& s : shapes_) {
      if (s->id() == os->id()) mine = s;
    }
    if (!mine) mine = MakeRef<Shape>(*this, nullptr, os->id(), os->type());
    mine->CopyContentFrom(*os);
    kept.push_back(mine);
  }
  for (const auto& s : shapes_) {
    if (std::find(kept.begin(), kept.end(), s) == kept.end()) s->MarkDeleted();
  }
  shapes_ = std::move(kept);
  ShapesMoved();
  SheetsChanged();
  nextShapeId_ = std::max(nextShapeId_, other.nextShapeId_);
  // Layers are rows of the sheet just copied.
  while (layers_.size() < other.layers_.size()) layers_.push_back(MakeRef<Layer>(*this));
  while (layers_.size() > other.layers_.size()) {
    layers_.back()->MarkDeleted();
    layers_.pop_back();
  }
  connects_.clear();
  for (const auto& c : other.connects_) {
    ConnectRecord mine = c;
    mine.from = Ref<Shape>(FindShape(c.from->id()));
    mine.to = Ref<Shape>(FindShape(c.to->id()));
    if (mine.from && mine.to) connects_.push_back(std::move(mine));
  }
}

Ref<Layer> DrawingSurface::AddLayer(const std::string& name) {
  ShapeSheet& sheet = sheet_->Sheet();
  const std::int16_t row = sheet.AddRow(visSectionLayer, visRowLast, 0);
  sheet.SetFormula(visSectionLayer, row, visLayerName, QuoteFormula(name), true);
  for (std::int16_t c : {visLayerVisible, visLayerPrint, visLayerSnap, visLayerGlue}) {
    sheet.SetFormula(visSectionLayer, row, c, "1", true);
  }
  for (std::int16_t c : {visLayerActive, visLayerLock}) {
    sheet.SetFormula(visSectionLayer, row, c, "0", true);
  }
  sheet.SetFormula(visSectionLayer, row, visLayerColor, "255", true);
  auto layer = MakeRef<Layer>(*this);
  layers_.push_back(layer);
  return layer;
}

void DrawingSurface::DeleteLayer(Layer& layer) {
  const std::int16_t row = layer.Row();
  sheet_->Sheet().DeleteRow(visSectionLayer, row);
  Ref<Layer> keep(&layer);
  layers_.erase(std::remove(layers_.begin(), layers_.end(), keep), layers_.end());
  layer.MarkDeleted();
}

Ref<Shape> DrawingSurface::NewShape(std::int16_t type, const std::string& nameU) {
  const std::int16_t id = NextShapeId();
  auto shape = MakeRef<Shape>(*this, nullptr, id, type);
  const std::string base = nameU.empty() ? "Sheet" : nameU;
  const std::string name = nameU.empty() ? "Sheet." + std::to_string(id) : nameU;
  (void)base;
  shape->SetName(name);
  shape->SetNameU(name);
  shapes_.push_back(shape);
  ShapesMoved();
  SheetsChanged();  // a master's shapes are what instances inherit from
  return shape;
}

Ref<Shape> RaiseShapeAdded(Ref<Shape> shape) {
  // Raised by what holds the shape: its group, page or master.
  if (VisioObject* holder = shape->EventParent()) RaiseEvent(*holder, visEvtShapeAdded, shape);
  return shape;
}

Ref<Shape> DrawingSurface::DrawRectangle(double x1, double y1, double x2, double y2) {
  Ref<Shape> s = NewShape(visTypeShape, "");
  SetBoxGeometry(*s, x1, y1, x2, y2, GeometryKind::Rectangle);
  return RaiseShapeAdded(std::move(s));
}

Ref<Shape> DrawingSurface::DrawOval(double x1, double y1, double x2, double y2) {
  Ref<Shape> s = NewShape(visTypeShape, "");
  SetBoxGeometry(*s, x1, y1, x2, y2, GeometryKind::Ellipse);
  return RaiseShapeAdded(std::move(s));
}

Ref<Shape> DrawingSurface::DrawLine(double x1, double y1, double x2, double y2) {
  Ref<Shape> s = NewShape(visTypeShape, "");
  s->SetOneD(true);
  SetLineGeometry(*s, x1, y1, x2, y2);
  return RaiseShapeAdded(std::move(s));
}

Ref<Shape> DrawingSurface::Drop(Master& master, double x, double y) {
  if (master.TopShapes().empty()) ThrowVisio(VisioErrorKind::InappropriateTarget);
  // One master shape drops as that shape; several drop as a group holding
  // them, as Visio does.
  Ref<Shape> top;
  if (master.TopShapes().size() == 1) {
    Shape& ms = *master.TopShapes().front();
    top = NewShape(ms.type(), "");
    top->CopyInstanceOf(master, ms);
  } else {
    top = NewShape(visTypeGroup, "");
    top->SetMaster(&master, -1);
    for (const auto& ms : master.TopShapes()) {
      Ref<Shape> child = top->AddChild(ms->type(), "");
      child->CopyInstanceOf(master, *ms);
    }
  }
  std::string name = master.NameU();
  // Later instances are named "Name.ID", the first one just "Name".
  bool taken = false;
  for (const auto& s : shapes_) {
    if (s != top && s->NameU() == name) taken = true;
  }
  if (taken) name += "." + std::to_string(top->id());
  top->SetName(name);
  top->SetNameU(name);
  MoveShapeTo(*top, x, y);
  return RaiseShapeAdded(std::move(top));
}

// ---- Page ----

// Its entry in pages.xml (name, background, back page) or its shapes.
void Page::NoteChange() {
  doc_->Changed(Document::Part::Pages);
  doc_->SurfaceChanged(*this);
}

Page::Page(Document& doc, std::string name, std::int16_t id, bool background)
    : VisioObject(doc.session()),
      doc_(&doc),
      name_(name),
      nameU_(std::move(name)),
      id_(id),
      background_(background) {
  InitSheet(session());
  InitPageSheet(*sheet_);
}

void Page::MarkDeleted() {
  VisioObject::MarkDeleted();
  MarkSurfaceDeleted();
  eventList_.MarkDeleted();
}

std::int16_t Page::Index() const {
  return PositionOf(doc_->Pages(), this);
}

VisioObject* Page::EventParent() const {
  return &doc_->PagesColl();
}

EventList& Page::Events() {
  return eventList_.Get(*this);
}

namespace {

Variant MaybePage(Page* p) {
  return p ? Variant(Ref<Page>(p)) : Variant(ObjectRef());
}

Page* PageFromVariant(Page& self, const Variant& v) {
  if (v.IsObject()) {
    auto obj = v.ToObject();
    if (!obj) return nullptr;
    auto* p = dynamic_cast<Page*>(obj.get());
    if (!p || p->IsDeleted() || &p->doc() != &self.doc())
      ThrowVisio(VisioErrorKind::InvalidSheetId);
    return p;
  }
  const std::string name = v.ToString();
  if (name.empty()) return nullptr;
  Page* p = self.doc().FindPage(name);
  if (!p) ThrowVisio(VisioErrorKind::InvalidSheetId);
  return p;
}

void AssignBackPage(Page& self, Page* back) {
  self.doc().CheckWritable();
  if (back && (!back->Background() || back == &self)) ThrowVisio(VisioErrorKind::InvalidParameter);
  self.SetBackPage(back);
}

}  // namespace

const MemberTable& Page::Members() const {
  static const auto table =
      MemberTableBuilder<Page>("IVPage", Guid{})
          .Get("Application", [](Page& p) { return ApplicationRef(p); })
          .Method("AddGuide",
                  [](Page& p, Args args) {
                    CheckArgCount(args, 3, 3);
                    return AddGuide(p, ArgI2(args, 0), ArgR8(args, 1), ArgR8(args, 2));
                  })
          .Prop(
              "BackPage",
              // A variant holding the background page, Nothing without one;
              // written with a page object or a page name.
              [](Page& p) { return MaybePage(p.BackPage()); },
              [](Page& p, const Variant& v) { AssignBackPage(p, PageFromVariant(p, v)); })
          .Get("BackPageAsObj", [](Page& p) { return MaybePage(p.BackPage()); })
          .Put("BackPageFromName",
               [](Page& p, const Variant& v) {
                 AssignBackPage(p, PageFromVariant(p, Variant(v.ToString())));
               })
          .Prop(
              "Background", [](Page& p) { return VisBool(p.Background()); },
              [](Page& p, const Variant& v) {
                p.doc().CheckWritable();
                p.SetBackground(v.ToBool());
              })
          .Get("Connects",
               [](Page& p) {
                 return MakeRef<ConnectsCollection>(p.session(), p.Connects(), Ref<Shape>(),
                                                    Ref<Shape>(), &p.doc());
               })
          .Method("Delete",
                  [](Page& p, Args args) {
                    CheckArgCount(args, 0, 1);
                    p.doc().CheckWritable();
                    p.doc().DeletePage(p);
                    return Variant();
                  })
          .Get("Document", [](Page& p) { return Ref<Document>(&p.doc()); })
          .Method("DrawLine",
                  [](Page& p, Args a) {
                    CheckArgCount(a, 4, 4);
                    p.doc().CheckWritable();
                    return p.DrawLine(ArgR8(a, 0), ArgR8(a, 1), ArgR8(a, 2), ArgR8(a, 3));
                  })
          .Method("DrawOval",
                  [](Page& p, Args a) {
                    CheckArgCount(a, 4, 4);
                    p.doc().CheckWritable();
                    return p.DrawOval(ArgR8(a, 0), ArgR8(a, 1), ArgR8(a, 2), ArgR8(a, 3));
                  })
          .Method("DrawRectangle",
                  [](Page& p, Args a) {
                    CheckArgCount(a, 4, 4);
                    p.doc().CheckWritable();
                    return p.DrawRectangle(ArgR8(a, 0), ArgR8(a, 1), ArgR8(a, 2), ArgR8(a, 3));
                  })
          .Method("Drop",
                  [](Page& p, Args a) {
                    CheckArgCount(a, 3, 3);
                    p.doc().CheckWritable();
                    auto obj = ArgObject(a, 0);
                    auto* m = dynamic_cast<Master*>(obj.get());
                    if (!m || m->IsDeleted()) ThrowVisio(VisioErrorKind::InappropriateTarget);
                    return p.Drop(*m, ArgR8(a, 1), ArgR8(a, 2));
                  })
          .Get("EventList", [](Page& p) { return Ref<EventList>(&p.Events()); })
          .Get("ID", [](Page& p) { return I2(p.id()); })
          .Get("Index", [](Page& p) { return I2(p.Index()); })
          .Get("Layers", [](Page& p) { return MakeRef<LayersCollection>(p, p.Layers()); })
          .Prop(
              "Name", [](Page& p) { return p.Name(); },
              [](Page& p, const Variant& v) {
                p.doc().CheckWritable();
                const std::string name = v.ToString();
                if (name.empty()) ThrowVisio(VisioErrorKind::InvalidParameter);
                p.SetName(name);
              })
          .Prop(
              "NameU", [](Page& p) { return p.NameU(); },
              [](Page& p, const Variant& v) { p.SetNameU(v.ToString()); })
          .Get("ObjectType", [](Page&) { return I2(static_cast<int>(ObjType::Page)); })
          .Get("OLEObjects",
               [](Page& p) {
                 std::vector<Ref<Shape>> ole;
                 CollectOLEShapes(p.TopShapes(), ole);
                 return MakeRef<OLEObjectsCollection>(p.session(), std::move(ole));
               })
          .Get("PageSheet", [](Page& p) { return Ref<Shape>(&p.Sheet()); })
          .Get("PersistsEvents", [](Page&) { return VisBool(true); })
          .Get("Shapes", [](Page& p) { return Ref<ShapesCollection>(&p.ShapesColl()); })
          .Get("Stat", [](Page& p) { return StatOf(p); })
          .Build();
  return *table;
}

}  // namespace standin
