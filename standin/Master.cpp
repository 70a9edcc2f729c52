#include "standin/Master.h"

#include "standin/Application.h"
#include "standin/Collections.h"
#include "standin/Document.h"
#include "standin/Events.h"
#include "standin/Layer.h"
#include "standin/Shape.h"
#include "standin/ShapeSheet.h"

namespace standin {

Master::Master(Document& doc, std::string name, std::int16_t id)
    : VisioObject(doc.session()), doc_(&doc), name_(name), nameU_(std::move(name)), id_(id) {
  InitSheet(session());
}

void Master::MarkDeleted() {
  VisioObject::MarkDeleted();
  MarkSurfaceDeleted();
  eventList_.MarkDeleted();
}

std::int16_t Master::Index() const {
  if (IsEditCopy()) return 0;
  return PositionOf(doc_->Masters(), this);
}

EventList& Master::Events() {
  return eventList_.Get(*this);
}

Ref<Master> Master::Open() {
  if (IsEditCopy()) ThrowVisio(VisioErrorKind::InappropriateTarget);
  doc_->CheckWritable();
  auto copy = MakeRef<Master>(*doc_, name_, id_);
  copy->original_ = Ref<Master>(this);
  copy->nameU_ = nameU_;
  copy->uniqueId_ = uniqueId_;
  copy->prompt_ = prompt_;
  copy->CopySurfaceFrom(*this);
  return copy;
}

void Master::Close() {
  if (!IsEditCopy() || closed_) ThrowVisio(VisioErrorKind::InappropriateTarget);
  closed_ = true;
  // Commit: the master takes the copy's content. Shapes that are still
  // there keep their identity, so instances and references stay valid.
  original_->CopySurfaceFrom(*this);
  original_->name_ = name_;
  original_->prompt_ = prompt_;
  Ref<Master> keep = original_;
  MarkDeleted();
}

const MemberTable& Master::Members() const {
  static const auto table =
      MemberTableBuilder<Master>("IVMaster", Guid{})
          .Stored("AlignName", I2(2), true)
          .Get("Application", [](Master& m) { return ApplicationRef(m); })
          .Method("Close", [](Master& m) { m.Close(); })
          .Get("Connects",
               [](Master& m) {
                 return MakeRef<ConnectsCollection>(m.session(), m.Connects(), Ref<Shape>(),
                                                    Ref<Shape>(), &m.doc());
               })
          .Method("Delete",
                  [](Master& m) {
                    if (m.IsEditCopy()) ThrowVisio(VisioErrorKind::InappropriateTarget);
                    m.doc().CheckWritable();
                    m.doc().DeleteMaster(m);
                  })
          .Get("Document", [](Master& m) { return Ref<Document>(&m.doc()); })
          .Get("EventList", [](Master& m) { return Ref<EventList>(&m.Events()); })
          .Stored("IconSize", I2(1), true)
          .Stored("IconUpdate", I2(1), true)
          .Get("ID", [](Master& m) { return I2(m.id()); })
          .Get("Index", [](Master& m) { return I2(m.Index()); })
          .Get("Layers", [](Master& m) { return MakeRef<LayersCollection>(m, m.Layers()); })
          .Stored("MatchByName", VisBool(false), true)
          .Prop(
              "Name", [](Master& m) { return m.Name(); },
              [](Master& m, const Variant& v) {
                m.doc().CheckWritable();
                const std::string name = v.ToString();
                if (name.empty()) ThrowVisio(VisioErrorKind::InvalidParameter);
                m.SetName(name);
              })
          .Prop(
              "NameU", [](Master& m) { return m.NameU(); },
              [](Master& m, const Variant& v) { m.SetNameU(v.ToString()); })
          .Get("ObjectType", [](Master&) { return I2(static_cast<int>(ObjType::Master)); })
          .Get("OLEObjects",
               [](Master& m) {
                 std::vector<Ref<Shape>> ole;
                 CollectOLEShapes(m.TopShapes(), ole);
                 return MakeRef<OLEObjectsCollection>(m.session(), std::move(ole));
               })
          .Get("OneD",
               [](Master& m) {
                 return VisBool(m.TopShapes().size() == 1 && m.TopShapes().front()->IsOneD());
               })
          .Method("Open", [](Master& m) { return m.Open(); })
          .Get("PageSheet", [](Master& m) { return Ref<Shape>(&m.Sheet()); })
          .Stored("PatternFlags", I2(0), true)
          .Get("PersistsEvents", [](Master&) { return VisBool(true); })
          .Prop(
              "Prompt", [](Master& m) { return m.Prompt(); },
              [](Master& m, const Variant& v) { m.SetPrompt(v.ToString()); })
          .Get("Shapes", [](Master& m) { return Ref<ShapesCollection>(&m.ShapesColl()); })
          .Get("Stat", [](Master& m) { return StatOf(m); })
          .Get("UniqueID", [](Master& m) { return m.UniqueId(); })
          .Build();
  return *table;
}

}  // namespace standin
