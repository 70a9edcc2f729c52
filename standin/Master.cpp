#include "standin/Master.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "standin/Application.h"
#include "standin/Collections.h"
#include "standin/Document.h"
#include "standin/Events.h"
#include "standin/Layer.h"
#include "standin/Shape.h"
#include "standin/ShapeSheet.h"

namespace standin {

void Master::NoteChange() {
  doc_->Changed(Document::Part::Masters);
  doc_->SurfaceChanged(*this);
}

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

VisioObject* Master::EventParent() const {
  return &doc_->MastersColl();
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

namespace {

// Shapes whose cells come from a shape of the master, directly or through
// other masters' shapes: with how many masters lie between (1: an
// instance of this master).
void CollectInstances(const std::vector<Ref<Shape>>& shapes, const Master& master,
                      std::vector<std::pair<int, Shape*>>& out) {
  constexpr int kMaxChain = 64;  // instances of instances, as deep as the loader allows
  for (const auto& shape : shapes) {
    int depth = 1;
    for (Shape* from = shape->MasterShape(); from && depth <= kMaxChain;
         from = from->MasterShape(), ++depth) {
      if (from->ContainingMaster() == &master) {
        out.emplace_back(depth, shape.get());
        break;
      }
    }
    CollectInstances(shape->Children(), master, out);
  }
}

bool SameValue(const CellValue& a, const CellValue& b) {
  return FormulaOf(a) == FormulaOf(b) && a.result == b.result && a.text == b.text &&
         a.isString == b.isString && a.isBool == b.isBool && a.unit == b.unit && a.error == b.error;
}

}  // namespace

void Master::Close() {
  if (!IsEditCopy() || closed_) ThrowVisio(VisioErrorKind::InappropriateTarget);
  closed_ = true;
  // Instances show the values their files recorded for the cells they
  // inherit until Visio recalculates them, as it does for each cell the
  // edit changes. Those are found by what each would be when recalculated,
  // before the commit and after; instances nearer the master come first,
  // so that those further off see their sources recalculated already.
  struct Recorded {
    Shape* shape;
    CellAddress at;
    CellValue before;
  };
  std::vector<std::pair<int, Shape*>> instances;
  for (const auto& page : doc_->Pages()) CollectInstances(page->TopShapes(), *original_, instances);
  for (const auto& master : doc_->Masters()) {
    if (master != original_) CollectInstances(master->TopShapes(), *original_, instances);
  }
  std::stable_sort(instances.begin(), instances.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<Recorded> recorded;
  for (const auto& [depth, shape] : instances) {
    ShapeSheet& sheet = shape->Sheet();
    for (const CellAddress& at : sheet.RecordedCells())
      recorded.push_back({shape, at, sheet.Recalculated(at.section, at.row, at.column)});
  }
  // Commit: the master takes the copy's content. Shapes that are still
  // there keep their identity, so instances and references stay valid.
  original_->CopySurfaceFrom(*this);
  for (const Recorded& r : recorded) {
    ShapeSheet& sheet = r.shape->Sheet();
    try {
      if (!SameValue(r.before, sheet.Recalculated(r.at.section, r.at.row, r.at.column)))
        sheet.ForgetRecorded(r.at.section, r.at.row, r.at.column);
    } catch (const automation::AutomationError&) {
      // The row went with the edit: nothing left to recalculate.
    }
  }
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
          .Unchanging({"Open"})
          .Build();
  return *table;
}

}  // namespace standin
