#include "standin/Layer.h"

#include <algorithm>

#include "standin/Application.h"
#include "standin/Cell.h"
#include "standin/Collections.h"
#include "standin/Document.h"
#include "standin/Events.h"
#include "standin/Master.h"
#include "standin/Page.h"
#include "standin/Shape.h"
#include "standin/ShapeSheet.h"

namespace standin {

// Layers are rows of the page sheet (in pages.xml) that shapes name.
void Layer::NoteChange() {
  surface_->SurfaceObject().NoteChange();
}

void LayersCollection::NoteChange() {
  surface_->SurfaceObject().NoteChange();
}

Layer::Layer(DrawingSurface& surface)
    : VisioObject(surface.SurfaceObject().session()), surface_(&surface) {}

std::int16_t Layer::Index() const {
  return PositionOf(surface_->Layers(), this);
}

std::string Layer::Name() const {
  return surface_->Sheet().Sheet().ResultString(visSectionLayer, Row(), visLayerName);
}

std::string Layer::NameU() const {
  // The universal name lives in the row's NameUniv cell; a layer that has
  // none is known by its local name everywhere.
  const ShapeSheet& sheet = surface_->Sheet().Sheet();
  if (sheet.CellExists(visSectionLayer, Row(), visLayerNameUniv, false)) {
    std::string u = sheet.ResultString(visSectionLayer, Row(), visLayerNameUniv);
    if (!u.empty()) return u;
  }
  return Name();
}

EventList& Layer::Events() {
  return eventList_.Get(*this);
}

std::vector<int> ParseLayerMember(const std::string& value) {
  std::vector<int> out;
  int current = -1;
  for (char c : value) {
    if (c >= '0' && c <= '9') {
      current = (current < 0 ? 0 : current * 10) + (c - '0');
    } else {
      if (current >= 0) out.push_back(current);
      current = -1;
    }
  }
  if (current >= 0) out.push_back(current);
  return out;
}

namespace {

Variant SurfacePage(DrawingSurface& s) {
  Page* p = s.AsPage();
  return p ? Variant(Ref<Page>(p)) : Variant(ObjectRef());
}

Variant SurfaceMaster(DrawingSurface& s) {
  Master* m = s.AsMaster();
  return m ? Variant(Ref<Master>(m)) : Variant(ObjectRef());
}

}  // namespace

const MemberTable& Layer::Members() const {
  static const auto table =
      MemberTableBuilder<Layer>("IVLayer", Guid{})
          .Method("Add",
                  [](Layer& l, Args a) {
                    CheckArgCount(a, 1, 2);
                    auto obj = ArgObject(a, 0);
                    auto* shape = dynamic_cast<Shape*>(obj.get());
                    if (!shape || &shape->surface() != &l.surface()) {
                      ThrowVisio(VisioErrorKind::InappropriateTarget);
                    }
                    shape->JoinLayer(l.Row());
                    return Variant();
                  })
          .Get("Application", [](Layer& l) { return ApplicationRef(l); })
          .Get("CellsC",
               [](Layer& l, Args a) {
                 CheckArgCount(a, 1, 1);
                 return l.surface().Sheet().Sheet().CellObject(visSectionLayer, l.Row(),
                                                               ArgI2(a, 0));
               })
          .Method("Delete",
                  [](Layer& l, Args a) {
                    CheckArgCount(a, 1, 1);
                    l.surface().DeleteLayer(l);
                    return Variant();
                  })
          .Get("Document", [](Layer& l) { return Ref<Document>(&l.surface().SurfaceDocument()); })
          .Get("EventList", [](Layer& l) { return Ref<EventList>(&l.Events()); })
          .Get("Index", [](Layer& l) { return I2(l.Index()); })
          .Get("Master", [](Layer& l) { return SurfaceMaster(l.surface()); })
          .Prop(
              "Name", [](Layer& l) { return l.Name(); },
              [](Layer& l, const Variant& v) {
                l.surface().Sheet().Sheet().SetFormula(visSectionLayer, l.Row(), visLayerName,
                                                       QuoteFormula(v.ToString()), true);
              })
          .Get("NameU", [](Layer& l) { return l.NameU(); })
          .Get("ObjectType", [](Layer&) { return I2(static_cast<int>(ObjType::Layer)); })
          .Get("Page", [](Layer& l) { return SurfacePage(l.surface()); })
          .Get("PersistsEvents", [](Layer&) { return VisBool(true); })
          .Method("Remove",
                  [](Layer& l, Args a) {
                    CheckArgCount(a, 1, 2);
                    auto obj = ArgObject(a, 0);
                    auto* shape = dynamic_cast<Shape*>(obj.get());
                    if (!shape) ThrowVisio(VisioErrorKind::InappropriateTarget);
                    shape->LeaveLayer(l.Row());
                    return Variant();
                  })
          .Get("Row", [](Layer& l) { return I2(l.Row()); })
          .Get("Stat", [](Layer& l) { return StatOf(l); })
          .Build();
  return *table;
}

LayersCollection::LayersCollection(DrawingSurface& surface, std::vector<Ref<Layer>> layers)
    : VisioObject(surface.SurfaceObject().session()),
      surface_(&surface),
      keepAlive_(&surface.SurfaceObject()),
      layers_(std::move(layers)) {}

const MemberTable& LayersCollection::Members() const {
  static const auto table =
      MemberTableBuilder<LayersCollection>("IVLayers", Guid{})
          .Method("Add",
                  [](LayersCollection& c, Args a) {
                    CheckArgCount(a, 1, 1);
                    CheckAlive(c.surface_->SurfaceObject());
                    const std::string name = ArgStr(a, 0);
                    for (const auto& l : c.surface_->Layers()) {
                      if (automation::NamesEqual(l->Name(), name)) return Variant(l);
                    }
                    Ref<Layer> layer = c.surface_->AddLayer(name);
                    c.layers_ = c.surface_->Layers();
                    return Variant(layer);
                  })
          .Get("Application", [](LayersCollection& c) { return ApplicationRef(c); })
          .Get("Count",
               [](LayersCollection& c) {
                 CheckAlive(c.surface_->SurfaceObject());
                 return I2(static_cast<int>(c.layers_.size()));
               })
          .Get("Document",
               [](LayersCollection& c) { return Ref<Document>(&c.surface_->SurfaceDocument()); })
          .Get("EventList",
               [](LayersCollection& c) { return Ref<EventList>(&c.eventList_.Get(c)); })
          .Get("Item",
               [](LayersCollection& c, Args a) {
                 CheckArgCount(a, 1, 1);
                 CheckAlive(c.surface_->SurfaceObject());
                 return ItemOf(
                     c.layers_, a[0],
                     [&](const std::string& n) -> Layer* {
                       for (const auto& l : c.layers_) {
                         if (automation::NamesEqual(l->Name(), n)) return l.get();
                       }
                       return nullptr;
                     },
                     VisioErrorKind::ObjectNameNotFound);
               })
          .Get("ItemU",
               [](LayersCollection& c, Args a) {
                 CheckArgCount(a, 1, 1);
                 CheckAlive(c.surface_->SurfaceObject());
                 return ItemUOf(c.layers_, a[0], VisioErrorKind::ObjectNameNotFound);
               })
          .Get("Master", [](LayersCollection& c) { return SurfaceMaster(*c.surface_); })
          .Get("ObjectType",
               [](LayersCollection&) { return I2(static_cast<int>(ObjType::Layers)); })
          .Get("Page", [](LayersCollection& c) { return SurfacePage(*c.surface_); })
          .Get("PersistsEvents", [](LayersCollection&) { return VisBool(true); })
          .Get("Stat", [](LayersCollection& c) { return StatOf(c.surface_->SurfaceObject()); })
          .Build();
  return *table;
}

}  // namespace standin
