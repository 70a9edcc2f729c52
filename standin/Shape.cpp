#include "standin/Shape.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "standin/Application.h"
#include "standin/Cell.h"
#include "standin/Characters.h"
#include "standin/Collections.h"
#include "standin/Document.h"
#include "standin/Events.h"
#include "standin/Geometry.h"
#include "standin/Hyperlink.h"
#include "standin/Layer.h"
#include "standin/Master.h"
#include "standin/Page.h"
#include "standin/Paths.h"
#include "standin/ShapeSheet.h"
#include "standin/ShapeText.h"
#include "standin/Style.h"
#include "standin/Window.h"

namespace standin {

Shape::Shape(DrawingSurface& surface, Shape* parent, std::int16_t id, std::int16_t type)
    : VisioObject(surface.SurfaceObject().session()),
      surface_(&surface),
      parent_(parent),
      id_(id),
      type_(type),
      sheet_(std::make_unique<ShapeSheet>(*this)),
      text_(std::make_unique<ShapeText>()) {
  surface.NoteShapeId(id);
}

Shape::~Shape() = default;

void Shape::MarkDeleted() {
  VisioObject::MarkDeleted();
  for (auto& c : children_) c->MarkDeleted();
  if (shapesColl_) shapesColl_->MarkDeleted();
  eventList_.MarkDeleted();
}

std::int16_t Shape::Index() const {
  if (IsSheet()) return 0;
  return PositionOf(parent_ ? parent_->Children() : surface_->TopShapes(), this);
}

std::string Shape::NameID() const {
  if (IsSheet()) return type_ == visTypeDoc ? "TheDoc" : "ThePage";
  return "Sheet." + std::to_string(id_);
}

Ref<Shape> Shape::AddChild(std::int16_t type, const std::string& nameU) {
  const std::int16_t id = surface_->NextShapeId();
  auto child = MakeRef<Shape>(*surface_, this, id, type);
  const std::string name = nameU.empty() ? "Sheet." + std::to_string(id) : nameU;
  child->SetName(name);
  child->SetNameU(name);
  children_.push_back(child);
  surface_->ShapesMoved();
  SheetsChanged();  // a master's shapes are what instances inherit from
  return child;
}

void Shape::AdoptChild(Ref<Shape> child) {
  // Take the shape out of wherever it is, then put it under this group.
  if (child->parent_) {
    child->parent_->RemoveChild(*child);
  } else {
    auto& top = surface_->MutableTopShapes();
    top.erase(std::remove(top.begin(), top.end(), child), top.end());
  }
  child->parent_ = this;
  children_.push_back(std::move(child));
  surface_->ShapesMoved();
  SheetsChanged();
}

void Shape::RemoveChild(Shape& child) {
  Ref<Shape> keep(&child);
  children_.erase(std::remove(children_.begin(), children_.end(), keep), children_.end());
  surface_->ShapesMoved();
  SheetsChanged();
}

ShapesCollection& Shape::ShapesColl() {
  if (!shapesColl_) shapesColl_ = MakeRef<ShapesCollection>(*surface_, this);
  return *shapesColl_;
}

Shape* Shape::MasterShape() const {
  if (!master_ || master_->IsDeleted() || masterShapeId_ < 0) return nullptr;
  return master_->FindShape(masterShapeId_);
}

void Shape::SetStyles(const std::string& line, const std::string& fill, const std::string& text) {
  lineStyle_ = line;
  fillStyle_ = fill;
  textStyle_ = text;
  SheetsChanged();
}

namespace {

// A shape's own style, else its master shape's (instances keep the style of
// what they were dropped from), else the document's default.
Style* StyleOrDefault(const Shape& shape, const std::string& (Shape::*own)() const,
                      const char* defaultMember) {
  Document& doc = shape.doc();
  for (const Shape* s = &shape; s; s = s->MasterShape()) {
    const std::string& name = (s->*own)();
    if (name.empty()) continue;
    if (Style* found = doc.FindStyle(name)) return found;
  }
  return doc.FindStyle(doc.StoredValue(defaultMember).ToString());
}

}  // namespace

Style* Shape::LineStyle() const {
  return StyleOrDefault(*this, &Shape::LineStyleName, "DefaultLineStyle");
}
Style* Shape::FillStyle() const {
  return StyleOrDefault(*this, &Shape::FillStyleName, "DefaultFillStyle");
}
Style* Shape::TextStyle() const {
  return StyleOrDefault(*this, &Shape::TextStyleName, "DefaultTextStyle");
}

void Shape::SetForeign(std::int16_t foreignType, std::string progId, std::string classId) {
  type_ = visTypeForeignObject;
  SheetsChanged();
  foreignType_ = foreignType;
  progId_ = std::move(progId);
  classId_ = std::move(classId);
}

const std::string& Shape::UniqueId(bool make) {
  if (make && uniqueId_.empty()) uniqueId_ = AppOf(*this).NewGuid();
  return uniqueId_;
}

SheetHost* Shape::InheritedSource(std::int16_t section, std::int16_t row) {
  if (Shape* ms = MasterShape()) return ms;
  // A sheet of a page or master, and shapes without a master, take what
  // they lack from their styles.
  switch (StylePartOf(section, row)) {
    case 'L':
      return LineStyle();
    case 'F':
      return FillStyle();
    case 'T':
      return TextStyle();
    default:
      return LineStyle();
  }
}

// The part the shape is in: its page's or master's contents, or the
// entry of pages.xml or masters.xml that holds a page sheet, or the
// document part for the document's sheet.
void Shape::NoteChange() {
  Document& d = surface_->SurfaceDocument();
  // A page's or master's own sheet is not in its contents part: that part
  // stays as stored.
  if (HostKind() == Kind::PageSheet) {
    d.Changed(Document::Part::Pages);
  } else if (HostKind() == Kind::MasterSheet) {
    d.Changed(Document::Part::Masters);
  } else {
    d.SurfaceChanged(*surface_);
  }
}

void ShapesCollection::NoteChange() {
  surface_->SurfaceDocument().SurfaceChanged(*surface_);
}

VisioObject* Shape::HostDocument() {
  return IsDeleted() ? nullptr : &doc();
}

SheetHost* Shape::OtherSheet(std::string_view name, SheetHost& holder) {
  // "ThePage": the sheet of the page or master the formula is worked out
  // on, so that an instance's inherited formula reads its own page. The
  // document's sheet has no page.
  if (automation::NamesEqual(name, "ThePage"))
    return type_ == visTypeDoc ? nullptr : &surface_->Sheet();
  // "Sheet.5": the shape with ID 5.
  constexpr std::string_view kPrefix = "sheet.";
  if (name.size() <= kPrefix.size() ||
      !automation::NamesEqual(name.substr(0, kPrefix.size()), kPrefix)) {
    return SheetHost::OtherSheet(name, holder);
  }
  int id = -1;
  const char* end = name.data() + name.size();
  const auto [at, ec] = std::from_chars(name.data() + kPrefix.size(), end, id);
  if (ec != std::errc() || at != end || id < 0 || id > 0x7FFF) return nullptr;
  return ShapeForId(static_cast<std::int16_t>(id), holder, 0);
}

Shape* Shape::ShapeForId(std::int16_t id, const SheetHost& holder, int depth) {
  Shape* ms = MasterShape();
  bool inherited = false;
  int steps = 0;
  for (const Shape* s = ms; s && steps < 16 && !inherited; s = s->MasterShape(), ++steps)
    inherited = s == &holder;
  if (&holder == this || !inherited) return surface_->FindShape(id);
  if (depth >= 16) return nullptr;
  Shape* there = ms->ShapeForId(id, holder, depth + 1);
  return there ? CounterpartOf(*there) : nullptr;
}

Shape* Shape::CounterpartOf(const Shape& masterShape) {
  if (!master_ || masterShape.surface_->AsMaster() != master_) return nullptr;
  // The instance: this shape, and the groups above it that are instances
  // of the same master, with all their members.
  Shape* top = this;
  while (top->parent_ && top->parent_->master_ == master_) top = top->parent_;
  std::vector<Shape*> todo{top};
  for (std::size_t i = 0; i < todo.size(); ++i) {
    Shape* s = todo[i];
    if (s->master_ == master_ && s->masterShapeId_ == masterShape.id()) return s;
    for (const auto& child : s->children_) todo.push_back(child.get());
  }
  return nullptr;
}

SheetHost::Kind Shape::HostKind() const {
  if (type_ == visTypeDoc) return Kind::DocumentSheet;
  if (IsSheet()) return surface_->AsMaster() ? Kind::MasterSheet : Kind::PageSheet;
  if (oneD_) return Kind::OneD;
  switch (type_) {
    case visTypeGroup:
      return Kind::Group;
    case visTypeGuide:
      return Kind::Guide;
    case visTypeForeignObject:
      return Kind::Foreign;
    default:
      return Kind::Shape;
  }
}

Document& Shape::doc() const {
  return surface_->SurfaceDocument();
}
Page* Shape::ContainingPage() const {
  return surface_->AsPage();
}
Master* Shape::ContainingMaster() const {
  return surface_->AsMaster();
}

VisioObject* Shape::EventParent() const {
  // A group's shapes raise through the group, as groups are sources of
  // ShapeAdded; a page's or master's shapes and its sheet through it.
  if (parent_) return parent_;
  return &surface_->SurfaceObject();
}

EventList& Shape::Events() {
  return eventList_.Get(*this);
}

namespace {

// Every shape that goes, a group before its members, while it can be read.
void RaiseBeforeDelete(Shape& shape) {
  RaiseEvent(shape, visEvtBeforeShapeDelete, Ref<Shape>(&shape));
  const std::vector<Ref<Shape>> children = shape.Children();
  for (const auto& c : children) {
    if (!c->IsDeleted()) RaiseBeforeDelete(*c);
  }
}

}  // namespace

void Shape::Delete() {
  if (IsSheet()) ThrowVisio(VisioErrorKind::InappropriateTarget);
  doc().CheckWritable();
  Ref<Shape> keep(this);
  if (MayFire(*this, visEvtBeforeShapeDelete)) {
    RaiseBeforeDelete(*this);
    if (IsDeleted()) return;  // a sink deleted it meanwhile
  }
  surface_->ForgetShape(*this);
  for (const auto& c : children_) surface_->ForgetShape(*c);
  for (const auto& w : AppOf(*this).Windows()) w->Forget(*this);
  if (parent_) {
    parent_->RemoveChild(*this);
  } else {
    auto& top = surface_->MutableTopShapes();
    top.erase(std::remove(top.begin(), top.end(), keep), top.end());
  }
  MarkDeleted();
}

void Shape::CopyContentFrom(Shape& other) {
  type_ = other.type_;
  oneD_ = other.oneD_;
  name_ = other.name_;
  nameU_ = other.nameU_;
  master_ = other.master_;
  masterShapeId_ = other.masterShapeId_;
  lineStyle_ = other.lineStyle_;
  fillStyle_ = other.fillStyle_;
  textStyle_ = other.textStyle_;
  foreignType_ = other.foreignType_;
  progId_ = other.progId_;
  classId_ = other.classId_;
  uniqueId_ = other.uniqueId_;
  sheet_->CopyFrom(other.Sheet());
  text_->CopyFrom(other.Text());
  // Sub-shapes: those with the same ID keep their identity; the others are
  // made or deleted.
  std::vector<Ref<Shape>> kept;
  for (const auto& oc : other.children_) {
    Ref<Shape> mine;
    for (const auto& c : children_) {
      if (c->id_ == oc->id_) mine = c;
    }
    if (!mine) {
      mine = MakeRef<Shape>(*surface_, this, oc->id_, oc->type_);
    }
    mine->CopyContentFrom(*oc);
    kept.push_back(mine);
  }
  for (const auto& c : children_) {
    if (std::find(kept.begin(), kept.end(), c) == kept.end()) c->MarkDeleted();
  }
  children_ = std::move(kept);
  surface_->ShapesMoved();
  SheetsChanged();
}

void Shape::CopyInstanceOf(Master& master, Shape& masterShape) {
  // An instance holds nothing locally but where it stands; everything else
  // it inherits from the master's shape.
  type_ = masterShape.type_;
  oneD_ = masterShape.oneD_;
  SetMaster(&master, masterShape.id());
  text_->CopyFrom(masterShape.Text());
  for (const auto& mc : masterShape.Children()) {
    Ref<Shape> child = AddChild(mc->type(), mc->NameU());
    child->CopyInstanceOf(master, *mc);
  }
}

void Shape::JoinLayer(std::int16_t layerRow) {
  std::vector<int> rows = ParseLayerMember(LayerMemberText());
  if (std::find(rows.begin(), rows.end(), layerRow) != rows.end()) return;
  rows.push_back(layerRow);
  std::sort(rows.begin(), rows.end());
  SetLayerMember(rows);
}

void Shape::LeaveLayer(std::int16_t layerRow) {
  std::vector<int> rows = ParseLayerMember(LayerMemberText());
  rows.erase(std::remove(rows.begin(), rows.end(), layerRow), rows.end());
  SetLayerMember(rows);
}

std::string Shape::LayerMemberText() {
  // Sheets of pages and masters have no LayerMember row: they are on no layer.
  if (!sheet_->RowExists(visSectionObject, visRowLayerMem, false)) return "";
  return sheet_->ResultString(visSectionObject, visRowLayerMem, visLayerMember);
}

void Shape::SetLayerMember(const std::vector<int>& rows) {
  std::string text;
  for (int r : rows) {
    if (!text.empty()) text += ";";
    text += std::to_string(r);
  }
  sheet_->SetFormula(visSectionObject, visRowLayerMem, visLayerMember, QuoteFormula(text), true);
}

std::vector<Ref<Layer>> Shape::MemberLayers() {
  std::vector<Ref<Layer>> out;
  const auto& layers = surface_->Layers();
  for (int row : ParseLayerMember(LayerMemberText())) {
    if (row >= 0 && static_cast<std::size_t>(row) < layers.size()) {
      out.push_back(layers[static_cast<std::size_t>(row)]);
    }
  }
  return out;
}

void CollectOLEShapes(const std::vector<Ref<Shape>>& shapes, std::vector<Ref<Shape>>& out) {
  for (const auto& s : shapes) {
    if (s->IsOLE()) out.push_back(s);
    CollectOLEShapes(s->Children(), out);
  }
}

void CheckAlive(const VisioObject& owner) {
  if (owner.IsDeleted()) ThrowVisio(VisioErrorKind::ObjectDeleted);
}

namespace {

Variant ObjOrNothing(VisioObject* o) {
  return o ? Variant(ObjectRef(o)) : Variant(ObjectRef());
}

std::vector<ConnectRecord> ConnectsWhere(const Shape& s, bool from) {
  std::vector<ConnectRecord> out;
  for (const auto& c : s.surface().Connects()) {
    if ((from ? c.from.get() : c.to.get()) == &s) out.push_back(c);
  }
  return out;
}

// Styles are set by name; "" is refused, an unknown name is not found.
void SetStyleByName(Shape& s, const Variant& v, bool line, bool fill, bool text) {
  s.doc().CheckWritable();
  const std::string name = v.ToString();
  Style* style = s.doc().FindStyle(name);
  if (!style) ThrowVisio(VisioErrorKind::ObjectNameNotFound);
  s.SetStyles(line ? style->Name() : s.LineStyleName(), fill ? style->Name() : s.FillStyleName(),
              text ? style->Name() : s.TextStyleName());
  // Applying a style (without KeepFmt) removes local formatting of its parts.
  s.Sheet().ClearLocalFormatting(line, fill, text);
}

void SetStyleKeepFmt(Shape& s, const Variant& v, bool line, bool fill, bool text) {
  s.doc().CheckWritable();
  Style* style = s.doc().FindStyle(v.ToString());
  if (!style) ThrowVisio(VisioErrorKind::ObjectNameNotFound);
  s.SetStyles(line ? style->Name() : s.LineStyleName(), fill ? style->Name() : s.FillStyleName(),
              text ? style->Name() : s.TextStyleName());
}

Variant StyleNameOf(Style* s) {
  return Variant(s ? s->Name() : std::string());
}

double AreaOf(Shape& s) {
  if (s.IsOneD() || s.Sheet().GeometryCount() == 0) return 0.0;
  return GeometryArea(s);
}

}  // namespace

const MemberTable& Shape::Members() const {
  static const auto table = [] {
    MemberTableBuilder<Shape> b("IVShape", Guid{});
    b.Get("Application", [](Shape& s) { return ApplicationRef(s); })
        .Get("AreaIU", [](Shape& s) { return AreaOf(s); })
        .Method("BringToFront", [](Shape& s) { s.Restack(true); })
        .Get("CharCount", [](Shape& s) { return I4(s.Text().CharCount()); })
        .Get("Characters", [](Shape& s) { return MakeCharacters(s, s.Text()); })
        // Empty for shapes that are no OLE object or control.
        .Get("ClassID", [](Shape& s) { return s.ClassId(); })
        .Get("Connects",
             [](Shape& s) {
               return MakeRef<ConnectsCollection>(s.session(), ConnectsWhere(s, true),
                                                  Ref<Shape>(&s), Ref<Shape>(), &s.doc());
             })
        .Get("ContainingMaster", [](Shape& s) { return ObjOrNothing(s.ContainingMaster()); })
        .Get("ContainingPage", [](Shape& s) { return ObjOrNothing(s.ContainingPage()); })
        .Get("ContainingShape",
             [](Shape& s) {
               // A shape directly on a page or master is contained by the
               // sheet of that page or master, whose Type is visTypePage.
               if (s.IsSheet()) return Variant(ObjectRef());
               return s.parent() ? Variant(Ref<Shape>(s.parent()))
                                 : Variant(Ref<Shape>(&s.surface().Sheet()));
             })
        .Stored("Data1", Variant(""), true)
        .Stored("Data2", Variant(""), true)
        .Stored("Data3", Variant(""), true)
        .Method("Delete", [](Shape& s) { s.Delete(); })
        .Get("Document", [](Shape& s) { return Ref<Document>(&s.doc()); })
        .Get("EventList", [](Shape& s) { return Ref<EventList>(&s.Events()); })
        .Prop(
            "FillStyle", [](Shape& s) { return StyleNameOf(s.FillStyle()); },
            [](Shape& s, const Variant& v) { SetStyleByName(s, v, false, true, false); })
        .Put("FillStyleKeepFmt",
             [](Shape& s, const Variant& v) { SetStyleKeepFmt(s, v, false, true, false); })
        .Get("ForeignType",
             [](Shape& s) {
               if (s.type() != visTypeForeignObject)
                 ThrowVisio(VisioErrorKind::InappropriateTarget);
               return I2(s.ForeignType());
             })
        .Get("FromConnects",
             [](Shape& s) {
               return MakeRef<ConnectsCollection>(s.session(), ConnectsWhere(s, false),
                                                  Ref<Shape>(), Ref<Shape>(&s), &s.doc());
             })
        .Get("GeomExIf",
             [](Shape& s, Args a) {
               CheckArgCount(a, 1, 1);
               return Variant::Unknown(MakeGeometryExtension(s, ArgI2(a, 0) != 0));
             })
        .Stored("Help", Variant(""), true)
        .Get("Hyperlink", [](Shape& s) { return HyperlinkOf(s); })
        .Get("ID", [](Shape& s) { return I2(s.id()); })
        .Get("Index", [](Shape& s) { return I2(s.Index()); })
        .Get("Layer",
             [](Shape& s, Args a) {
               CheckArgCount(a, 1, 1);
               const auto layers = s.MemberLayers();
               const std::int32_t i = ArgI4(a, 0);
               if (i < 1 || i > static_cast<std::int32_t>(layers.size())) {
                 ThrowVisio(VisioErrorKind::InvalidParameter);
               }
               return layers[static_cast<std::size_t>(i - 1)];
             })
        .Get("LayerCount", [](Shape& s) { return I2(static_cast<int>(s.MemberLayers().size())); })
        .Get("LengthIU", [](Shape& s) { return GeometryLength(s); })
        .Prop(
            "LineStyle", [](Shape& s) { return StyleNameOf(s.LineStyle()); },
            [](Shape& s, const Variant& v) { SetStyleByName(s, v, true, false, false); })
        .Put("LineStyleKeepFmt",
             [](Shape& s, const Variant& v) { SetStyleKeepFmt(s, v, true, false, false); })
        .Get("Master", [](Shape& s) { return ObjOrNothing(s.master()); })
        .Get("MasterShape", [](Shape& s) { return ObjOrNothing(s.MasterShape()); })
        .Prop(
            "Name", [](Shape& s) { return s.Name(); },
            [](Shape& s, const Variant& v) {
              s.doc().CheckWritable();
              if (s.IsSheet()) ThrowVisio(VisioErrorKind::InappropriateTarget);
              const std::string name = v.ToString();
              if (name.empty()) ThrowVisio(VisioErrorKind::InvalidParameter);
              s.SetName(name);
              RaiseEvent(s, visEvtShapeChanged, Ref<Shape>(&s));
            })
        .Get("NameID", [](Shape& s) { return s.NameID(); })
        .Prop(
            "NameU", [](Shape& s) { return s.NameU(); },
            [](Shape& s, const Variant& v) {
              s.SetNameU(v.ToString());
              RaiseEvent(s, visEvtShapeChanged, Ref<Shape>(&s));
            })
        .Get("Object",
             [](Shape& s) -> Variant {
               // The embedded object's own automation interface needs its
               // server, which this machine does not have.
               if (!s.IsOLE()) ThrowVisio(VisioErrorKind::InappropriateTarget);
               ThrowVisio(VisioErrorKind::Disabled);
             })
        .Get("ObjectIsInherited",
             [](Shape& s) { return VisBool(s.IsOLE() && s.master() != nullptr); })
        .Get("ObjectType", [](Shape&) { return I2(static_cast<int>(ObjType::Shape)); })
        .Prop(
            "OneD", [](Shape& s) { return VisBool(s.IsOneD()); },
            [](Shape& s, const Variant& v) {
              s.doc().CheckWritable();
              if (s.IsSheet() || s.type() == visTypeGroup)
                ThrowVisio(VisioErrorKind::InappropriateTarget);
              s.SetOneD(v.ToBool());
            })
        .Get("Parent",
             [](Shape& s) {
               if (s.IsSheet()) return Variant(ObjectRef(&s.surface().SurfaceObject()));
               return s.parent() ? Variant(Ref<Shape>(s.parent()))
                                 : Variant(ObjectRef(&s.surface().SurfaceObject()));
             })
        .Get("Paths", [](Shape& s) { return MakePaths(s, false); })
        .Get("PathsLocal", [](Shape& s) { return MakePaths(s, true); })
        .Get("PersistsEvents", [](Shape&) { return VisBool(true); })
        .Get("ProgID", [](Shape& s) { return s.ProgId(); })
        .Method("SendToBack", [](Shape& s) { s.Restack(false); })
        .Get("Shapes", [](Shape& s) { return Ref<ShapesCollection>(&s.ShapesColl()); })
        .Get("Stat", [](Shape& s) { return StatOf(s); })
        .Prop(
            "Style", [](Shape& s) { return StyleNameOf(s.LineStyle()); },
            [](Shape& s, const Variant& v) { SetStyleByName(s, v, true, true, true); })
        .Put("StyleKeepFmt",
             [](Shape& s, const Variant& v) { SetStyleKeepFmt(s, v, true, true, true); })
        .Prop(
            "Text", [](Shape& s) { return s.Text().Text(); },
            [](Shape& s, const Variant& v) {
              s.doc().CheckWritable();
              if (s.IsSheet()) ThrowVisio(VisioErrorKind::InappropriateTarget);
              SetShapeText(s.Text(), s, v.ToString());
              RaiseEvent(s, visEvtTextChanged, Ref<Shape>(&s));
            })
        .Prop(
            "TextStyle", [](Shape& s) { return StyleNameOf(s.TextStyle()); },
            [](Shape& s, const Variant& v) { SetStyleByName(s, v, false, false, true); })
        .Put("TextStyleKeepFmt",
             [](Shape& s, const Variant& v) { SetStyleKeepFmt(s, v, false, false, true); })
        .Get("Type", [](Shape& s) { return I2(s.type()); })
        .Method("Ungroup", [](Shape& s) { s.Ungroup(); })
        .Get("UniqueID", [](Shape& s, Args a) {
          CheckArgCount(a, 1, 1);
          switch (ArgI2(a, 0)) {
            case 0:
              return Variant(s.UniqueId(false));  // visGetGUID
            case 1:
              return Variant(s.UniqueId(true));  // visGetOrMakeGUID
            case 2:                              // visDeleteGUID
              s.SetUniqueId("");
              return Variant("");
            default:
              ThrowVisio(VisioErrorKind::InvalidParameter);
          }
        });
    AddSheetMembers(b);
    return b.Build();
  }();
  return *table;
}

void Shape::Restack(bool toFront) {
  auto& owner = parent_ ? parent_->children_ : surface_->MutableTopShapes();
  Ref<Shape> keep(this);
  owner.erase(std::remove(owner.begin(), owner.end(), keep), owner.end());
  if (toFront) {
    owner.push_back(keep);
  } else {
    owner.insert(owner.begin(), keep);
  }
  surface_->ShapesMoved();  // the order of a walk of the shapes
  SheetsChanged();
}

void Shape::Ungroup() {
  if (type_ != visTypeGroup) ThrowVisio(VisioErrorKind::InappropriateTarget);
  doc().CheckWritable();
  auto& owner = parent_ ? parent_->children_ : surface_->MutableTopShapes();
  auto at = std::find(owner.begin(), owner.end(), Ref<Shape>(this));
  std::vector<Ref<Shape>> kids = std::move(children_);
  children_.clear();
  for (auto& k : kids) k->parent_ = parent_;
  Ref<Shape> keep(this);
  at = owner.insert(at, kids.begin(), kids.end());
  owner.erase(std::remove(owner.begin(), owner.end(), keep), owner.end());
  surface_->ShapesMoved();
  for (const auto& w : AppOf(*this).Windows()) w->Forget(*this);
  surface_->ForgetShape(*this);
  MarkDeleted();
}

// ---- Shapes ----

ShapesCollection::ShapesCollection(DrawingSurface& surface, Shape* group)
    : VisioObject(surface.SurfaceObject().session()), surface_(&surface), group_(group) {}

const std::vector<Ref<Shape>>& ShapesCollection::List() const {
  return group_ ? group_->Children() : surface_->TopShapes();
}

EventList& ShapesCollection::Events() {
  return eventList_.Get(*this);
}

const MemberTable& ShapesCollection::Members() const {
  static const auto table =
      MemberTableBuilder<ShapesCollection>("IVShapes", Guid{})
          .Get("Application", [](ShapesCollection& c) { return ApplicationRef(c); })
          .Get("ContainingMaster",
               [](ShapesCollection& c) { return ObjOrNothing(c.surface().AsMaster()); })
          .Get("ContainingPage",
               [](ShapesCollection& c) { return ObjOrNothing(c.surface().AsPage()); })
          .Get("ContainingShape",
               [](ShapesCollection& c) {
                 return c.group() ? Variant(Ref<Shape>(c.group()))
                                  : Variant(Ref<Shape>(&c.surface().Sheet()));
               })
          .Get("Count", [](ShapesCollection& c) { return I2(static_cast<int>(c.List().size())); })
          .Get("Document",
               [](ShapesCollection& c) { return Ref<Document>(&c.surface().SurfaceDocument()); })
          .Get("EventList", [](ShapesCollection& c) { return Ref<EventList>(&c.Events()); })
          .Get("Item",
               [](ShapesCollection& c, Args a) {
                 CheckArgCount(a, 1, 1);
                 return ItemOf(
                     c.List(), a[0],
                     [&](const std::string& n) -> Shape* {
                       for (const auto& s : c.List()) {
                         if (automation::NamesEqual(s->Name(), n) ||
                             automation::NamesEqual(s->NameU(), n))
                           return s.get();
                       }
                       return nullptr;
                     },
                     VisioErrorKind::InvalidSheetId);
               })
          .Get("ItemU",
               [](ShapesCollection& c, Args a) {
                 CheckArgCount(a, 1, 1);
                 // By name, every shape of the page or master answers, as
                 // does the collection's own shape.
                 return ItemOf(
                     c.List(), a[0],
                     [&](const std::string& nameU) -> Shape* {
                       if (c.group() && automation::NamesEqual(c.group()->NameU(), nameU))
                         return c.group();
                       return c.surface().FindShapeU(nameU);
                     },
                     VisioErrorKind::InvalidSheetId);
               })
          .Get("ItemFromID",
               [](ShapesCollection& c, Args a) {
                 CheckArgCount(a, 1, 1);
                 Shape* s = c.surface().FindShape(ArgI2(a, 0));
                 if (!s) ThrowVisio(VisioErrorKind::InvalidSheetId);
                 return Ref<Shape>(s);
               })
          .Get("ObjectType",
               [](ShapesCollection&) { return I2(static_cast<int>(ObjType::Shapes)); })
          .Get("PersistsEvents", [](ShapesCollection&) { return VisBool(true); })
          .Get("Stat", [](ShapesCollection& c) { return StatOf(c); })
          .Build();
  return *table;
}

// ---- Connects ----

ConnectsCollection::ConnectsCollection(const SessionPtr& session, std::vector<ConnectRecord> list,
                                       Ref<Shape> fromSheet, Ref<Shape> toSheet,
                                       VisioObject* document)
    : VisioObject(session),
      list_(std::move(list)),
      fromSheet_(std::move(fromSheet)),
      toSheet_(std::move(toSheet)),
      document_(document) {}

const MemberTable& ConnectsCollection::Members() const {
  static const auto table =
      MemberTableBuilder<ConnectsCollection>("IVConnects", Guid{})
          .Get("Application", [](ConnectsCollection& c) { return ApplicationRef(c); })
          .Get("Count", [](ConnectsCollection& c) { return I2(static_cast<int>(c.list_.size())); })
          .Get("Document", [](ConnectsCollection& c) { return c.document_; })
          .Get("FromSheet", [](ConnectsCollection& c) { return Variant(c.fromSheet_); })
          .Get("Item",
               [](ConnectsCollection& c, Args a) {
                 CheckArgCount(a, 1, 1);
                 const std::int32_t i = ArgI4(a, 0);
                 if (i < 1 || i > static_cast<std::int32_t>(c.list_.size())) {
                   ThrowVisio(VisioErrorKind::InvalidParameter);
                 }
                 return MakeRef<Connect>(c.session(), c.list_[static_cast<std::size_t>(i - 1)],
                                         static_cast<std::int16_t>(i), c.document_.get());
               })
          .Get("ObjectType",
               [](ConnectsCollection&) { return I2(static_cast<int>(ObjType::Connects)); })
          .Get("Stat", [](ConnectsCollection& c) { return StatOf(c); })
          .Get("ToSheet", [](ConnectsCollection& c) { return Variant(c.toSheet_); })
          .Build();
  return *table;
}

Connect::Connect(const SessionPtr& session, ConnectRecord record, std::int16_t index,
                 VisioObject* document)
    : VisioObject(session), rec_(std::move(record)), index_(index), document_(document) {}

const MemberTable& Connect::Members() const {
  static const auto table =
      MemberTableBuilder<Connect>("IVConnect", Guid{})
          .Get("Application", [](Connect& c) { return ApplicationRef(c); })
          .Get("Document", [](Connect& c) { return c.document_; })
          .Get("FromCell",
               [](Connect& c) {
                 CheckAlive(*c.rec_.from);
                 return c.rec_.from->Sheet().CellObject(c.rec_.fromSection, c.rec_.fromRow,
                                                        c.rec_.fromColumn);
               })
          .Get("FromPart", [](Connect& c) { return I2(c.rec_.fromPart); })
          .Get("FromSheet", [](Connect& c) { return c.rec_.from; })
          .Get("Index", [](Connect& c) { return I2(c.index_); })
          .Get("ObjectType", [](Connect&) { return I2(static_cast<int>(ObjType::Connect)); })
          .Get("Stat",
               [](Connect& c) {
                 const bool gone = c.rec_.from->IsDeleted() || c.rec_.to->IsDeleted();
                 return I2(gone ? kStatDeleted : kStatNormal);
               })
          .Get("ToCell",
               [](Connect& c) {
                 CheckAlive(*c.rec_.to);
                 return c.rec_.to->Sheet().CellObject(c.rec_.toSection, c.rec_.toRow,
                                                      c.rec_.toColumn);
               })
          .Get("ToPart", [](Connect& c) { return I2(c.rec_.toPart); })
          .Get("ToSheet", [](Connect& c) { return c.rec_.to; })
          .Build();
  return *table;
}

// ---- OLE objects ----

OLEObjectsCollection::OLEObjectsCollection(const SessionPtr& session,
                                           std::vector<Ref<Shape>> shapes)
    : VisioObject(session), shapes_(std::move(shapes)) {}

const MemberTable& OLEObjectsCollection::Members() const {
  static const auto table =
      MemberTableBuilder<OLEObjectsCollection>("IVOLEObjects", Guid{})
          .Get("Application", [](OLEObjectsCollection& c) { return ApplicationRef(c); })
          .Get("Count",
               [](OLEObjectsCollection& c) { return I2(static_cast<int>(c.shapes_.size())); })
          .Get("Item",
               [](OLEObjectsCollection& c, Args a) {
                 CheckArgCount(a, 1, 1);
                 const std::int32_t i = ArgI4(a, 0);
                 if (i < 1 || i > static_cast<std::int32_t>(c.shapes_.size())) {
                   ThrowVisio(VisioErrorKind::InvalidParameter);
                 }
                 return MakeRef<OLEObject>(*c.shapes_[static_cast<std::size_t>(i - 1)]);
               })
          .Get("ObjectType",
               [](OLEObjectsCollection&) { return I2(static_cast<int>(ObjType::OLEObjects)); })
          .Get("Stat", [](OLEObjectsCollection& c) { return StatOf(c); })
          .Build();
  return *table;
}

OLEObject::OLEObject(Shape& shape) : VisioObject(shape.session()), shape_(&shape) {}

const MemberTable& OLEObject::Members() const {
  static const auto table =
      MemberTableBuilder<OLEObject>("IVOLEObject", Guid{})
          .Get("Application", [](OLEObject& o) { return ApplicationRef(o); })
          .Get("ClassID",
               [](OLEObject& o) {
                 CheckAlive(*o.shape_);
                 return o.shape_->ClassId();
               })
          .Get("ForeignType",
               [](OLEObject& o) {
                 CheckAlive(*o.shape_);
                 return I2(o.shape_->ForeignType());
               })
          .Get("Object",
               [](OLEObject& o) -> Variant {
                 CheckAlive(*o.shape_);
                 ThrowVisio(VisioErrorKind::Disabled);
               })
          .Get("ObjectType", [](OLEObject&) { return I2(static_cast<int>(ObjType::OLEObject)); })
          .Get("ProgID",
               [](OLEObject& o) {
                 CheckAlive(*o.shape_);
                 return o.shape_->ProgId();
               })
          .Get("Shape", [](OLEObject& o) { return o.shape_; })
          .Get("Stat",
               [](OLEObject& o) { return I2(o.shape_->IsDeleted() ? kStatDeleted : kStatNormal); })
          .Build();
  return *table;
}

}  // namespace standin
