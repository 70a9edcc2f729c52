#include "standin/Window.h"

#include <algorithm>

#include "standin/Application.h"
#include "standin/Collections.h"
#include "standin/Document.h"
#include "standin/Events.h"
#include "standin/Master.h"
#include "standin/Page.h"
#include "standin/Shape.h"

namespace standin {

void Window::NoteChange() {
  if (doc_ && !doc_->IsDeleted()) doc_->Changed(Document::Part::Windows);
}

void Selection::NoteChange() {
  if (Page* page = window_->page()) page->doc().SurfaceChanged(*page);
}

Window::Window(Application& app, std::int16_t type, Document* doc, Page* page, std::int32_t id)
    : VisioObject(app.session()), app_(&app), type_(type), doc_(doc), page_(page), id_(id) {}

void Window::MarkDeleted() {
  VisioObject::MarkDeleted();
  selected_.clear();
  docked_.clear();
  eventList_.MarkDeleted();
}

std::int16_t Window::Index() const {
  return PositionOf(app_->Windows(), this);
}

void Window::SetPage(Page* page) {
  if (page != page_) selected_.clear();
  page_ = page;
}

std::vector<Document*> Window::Docked() const {
  std::vector<Document*> out;
  for (const auto& d : docked_) {
    if (d.doc) out.push_back(d.doc);
  }
  return out;
}

void Window::Dock(Document& stencil) {
  if (std::none_of(docked_.begin(), docked_.end(),
                   [&](const DockedStencil& d) { return d.doc == &stencil; })) {
    docked_.push_back({&stencil, {}});
  }
}

void Window::Undock(Document& stencil) {
  ForgetDocument(stencil);
}

void Window::DockAbsent(const std::string& fullName) {
  if (std::none_of(docked_.begin(), docked_.end(), [&](const DockedStencil& d) {
        return !d.doc && automation::NamesEqual(d.name, fullName);
      })) {
    docked_.push_back({nullptr, fullName});
  }
}

StringArray Window::DockedStencils() const {
  std::vector<std::string> names;
  for (const auto& d : docked_) names.push_back(d.doc ? d.doc->FullName() : d.name);
  return StringArray(0, std::move(names));
}

namespace {

// Runs a change of the window's selection: SelectionChanged, the window as
// subject, when it did change.
template <class F>
void ChangeSelection(Window& w, F change) {
  if (!MayFire(w, visEvtCodeWinSelChange)) {
    change();
    return;
  }
  const std::vector<Ref<Shape>> before = w.Selected();
  change();
  const auto& after = w.Selected();
  const bool same =
      std::equal(before.begin(), before.end(), after.begin(), after.end(),
                 [](const Ref<Shape>& a, const Ref<Shape>& b) { return a.get() == b.get(); });
  if (!same) RaiseEvent(w, visEvtCodeWinSelChange, Ref<Window>(&w));
}

}  // namespace

void Window::Select(Shape& shape, std::int16_t how) {
  const auto it = std::find_if(selected_.begin(), selected_.end(),
                               [&](const Ref<Shape>& s) { return s.get() == &shape; });
  switch (how) {
    case visDeselect:
      if (it != selected_.end()) selected_.erase(it);
      break;
    case visSelect:
    case visSubSelect:
      if (it == selected_.end()) selected_.push_back(Ref<Shape>(&shape));
      break;
    case visSelectAll:
      SelectAll();
      break;
    case visDeselectAll:
      selected_.clear();
      break;
    default:
      // visDeselectAll combined with visSelect: select only this shape.
      if ((how & visDeselectAll) && (how & 0xFF) == visSelect) {
        selected_.assign(1, Ref<Shape>(&shape));
        break;
      }
      ThrowVisio(VisioErrorKind::InvalidParameter);
  }
}

void Window::SelectAll() {
  selected_.clear();
  if (page_) {
    for (const auto& s : page_->TopShapes()) selected_.push_back(s);
  }
}

void Window::Forget(const Shape& shape) {
  const auto gone = std::remove_if(selected_.begin(), selected_.end(),
                                   [&](const Ref<Shape>& s) { return s.get() == &shape; });
  if (gone == selected_.end()) return;
  selected_.erase(gone, selected_.end());
  RaiseEvent(*this, visEvtCodeWinSelChange, Ref<Window>(this));
}

void Window::ForgetDocument(const Document& doc) {
  docked_.erase(std::remove_if(docked_.begin(), docked_.end(),
                               [&](const DockedStencil& d) { return d.doc == &doc; }),
                docked_.end());
}

Ref<Selection> Window::MakeSelection() {
  return MakeRef<Selection>(*this, selected_);
}

VisioObject* Window::EventParent() const {
  return &app_->WindowsColl();
}

EventList& Window::Events() {
  return eventList_.Get(*this);
}

namespace {

Variant PageOrNothing(Page* p) {
  return p ? Variant(Ref<Page>(p)) : Variant(ObjectRef());
}

}  // namespace

const MemberTable& Window::Members() const {
  static const auto table =
      MemberTableBuilder<Window>("IVWindow", Guid{})
          .Get("Application", [](Window& w) { return ApplicationRef(w); })
          .Method("Activate", [](Window& w) { AppOf(w).Activate(w); })
          .Method("Close", [](Window& w) { AppOf(w).CloseWindow(w); })
          .Method("DeselectAll", [](Window& w) { ChangeSelection(w, [&] { w.DeselectAll(); }); })
          .Get("DockedStencils", [](Window& w) { return w.DockedStencils(); })
          .Get("Document",
               [](Window& w) {
                 return w.doc() ? Variant(Ref<Document>(w.doc())) : Variant(ObjectRef());
               })
          .Get("EventList", [](Window& w) { return Ref<EventList>(&w.Events()); })
          .Get("Index", [](Window& w) { return I2(w.Index()); })
          // A drawing window shows a page; master editing windows are not
          // modelled, so Master is always Nothing.
          .Get("Master", [](Window&) { return Variant(ObjectRef()); })
          .Get("ObjectType", [](Window&) { return I2(static_cast<int>(ObjType::Window)); })
          .Prop(
              "Page", [](Window& w) { return PageOrNothing(w.page()); },
              [](Window& w, const Variant& v) {
                if (!w.doc() || w.type() != visDrawing)
                  ThrowVisio(VisioErrorKind::InappropriateTarget);
                Page* p = nullptr;
                if (v.IsObject()) {
                  auto obj = v.ToObject();
                  p = dynamic_cast<Page*>(obj.get());
                } else {
                  p = w.doc()->FindPage(v.ToString());
                }
                if (!p || &p->doc() != w.doc()) ThrowVisio(VisioErrorKind::InvalidSheetId);
                w.SetPage(p);
              })
          .Get("PageAsObj", [](Window& w) { return PageOrNothing(w.page()); })
          .Put("PageFromName",
               [](Window& w, const Variant& v) {
                 Page* p = w.doc() ? w.doc()->FindPage(v.ToString()) : nullptr;
                 if (!p) ThrowVisio(VisioErrorKind::InvalidSheetId);
                 w.SetPage(p);
               })
          .Get("PersistsEvents", [](Window&) { return VisBool(false); })
          .Method("Select",
                  [](Window& w, Args args) {
                    CheckArgCount(args, 2, 2);
                    auto obj = ArgObject(args, 0);
                    auto* shape = dynamic_cast<Shape*>(obj.get());
                    if (!shape || shape->IsDeleted())
                      ThrowVisio(VisioErrorKind::InappropriateTarget);
                    ChangeSelection(w, [&] { w.Select(*shape, ArgI2(args, 1)); });
                    return Variant();
                  })
          .Method("SelectAll", [](Window& w) { ChangeSelection(w, [&] { w.SelectAll(); }); })
          .Get("Selection", [](Window& w) { return w.MakeSelection(); })
          .Stored("ShowConnectPoints", VisBool(true), true)
          .Stored("ShowGrid", VisBool(true), true)
          .Stored("ShowGuides", VisBool(true), true)
          .Stored("ShowPageBreaks", VisBool(false), true)
          .Stored("ShowRulers", VisBool(true), true)
          .Stored("ShowScrollBars", VisBool(true), true)
          .Get("Stat", [](Window& w) { return StatOf(w); })
          .Get("SubType",
               [](Window& w) {
                 // visPageWin 128 for a page, visMasterWin 64 otherwise.
                 return I2(w.type() == visDrawing ? 128 : 0);
               })
          .Get("Type", [](Window& w) { return I2(w.type()); })
          .Get("WindowHandle", [](Window&) { return I2(0); })
          .Get("WindowHandle32", [](Window& w) { return I4(0x00020000 + w.Index()); })
          .Stored("Zoom", Variant(1.0), true)
          .Unchanging({"Activate", "DeselectAll", "Select", "SelectAll"})
          .Build();
  return *table;
}

// ---- Selection ----

Selection::Selection(Window& window, std::vector<Ref<Shape>> shapes)
    : VisioObject(window.session()), window_(&window), shapes_(std::move(shapes)) {}

namespace {

template <class F>
Variant SelectionStyle(Selection& s, F get) {
  // Visio answers the common style of the selection, or "" when they differ.
  std::string common;
  bool first = true;
  for (const auto& shape : s.Shapes()) {
    const std::string name = get(*shape);
    if (first) {
      common = name;
      first = false;
    } else if (name != common) {
      return Variant("");
    }
  }
  return Variant(common);
}

template <class F>
void SetSelectionStyle(Selection& s, const Variant& v, F set) {
  for (const auto& shape : s.Shapes()) set(*shape, v);
}

Variant Containing(Selection& s, int which) {
  Page* page = s.Shapes().empty() ? nullptr : s.Shapes().front()->ContainingPage();
  if (which == 0) return PageOrNothing(page);
  if (which == 1) {
    Master* m = s.Shapes().empty() ? nullptr : s.Shapes().front()->ContainingMaster();
    return m ? Variant(Ref<Master>(m)) : Variant(ObjectRef());
  }
  Shape* parent = s.Shapes().empty() ? nullptr : s.Shapes().front()->parent();
  return parent ? Variant(Ref<Shape>(parent)) : Variant(ObjectRef());
}

}  // namespace

VisioObject* Selection::EventParent() const {
  return window_.get();
}

EventList& Selection::Events() {
  return eventList_.Get(*this);
}

Ref<Shape> Selection::Group() {
  if (shapes_.empty()) ThrowVisio(VisioErrorKind::Disabled);
  Shape& first = *shapes_.front();
  DrawingSurface& surface = first.surface();
  Ref<Shape> group = surface.NewShape(visTypeGroup, "");
  for (const auto& s : shapes_) {
    if (&s->surface() != &surface || s->parent()) ThrowVisio(VisioErrorKind::InappropriateTarget);
    group->AdoptChild(s);
  }
  RaiseShapeAdded(group);
  if (!window_->IsDeleted()) {
    ChangeSelection(*window_, [&] {
      window_->DeselectAll();
      window_->Select(*group, visSelect);
    });
  }
  return group;
}

const MemberTable& Selection::Members() const {
  static const auto table =
      MemberTableBuilder<Selection>("IVSelection", Guid{})
          .Get("Application", [](Selection& s) { return ApplicationRef(s); })
          .Get("ContainingMaster", [](Selection& s) { return Containing(s, 1); })
          .Get("ContainingPage", [](Selection& s) { return Containing(s, 0); })
          .Get("ContainingShape", [](Selection& s) { return Containing(s, 2); })
          .Get("Count", [](Selection& s) { return I2(static_cast<int>(s.Shapes().size())); })
          .Get("Document",
               [](Selection& s) {
                 if (s.Shapes().empty()) return Variant(ObjectRef());
                 return Variant(Ref<Document>(&s.Shapes().front()->doc()));
               })
          .Get("EventList", [](Selection& s) { return Ref<EventList>(&s.Events()); })
          .Prop(
              "FillStyle",
              [](Selection& s) {
                return SelectionStyle(s, [](Shape& x) {
                  return x.Invoke(CallKind::PropertyGet, "FillStyle", {}).ToString();
                });
              },
              [](Selection& s, const Variant& v) {
                SetSelectionStyle(s, v, [](Shape& x, const Variant& n) {
                  x.Invoke(CallKind::PropertyPut, "FillStyle", Args(&n, 1));
                });
              })
          .Put("FillStyleKeepFmt",
               [](Selection& s, const Variant& v) {
                 SetSelectionStyle(s, v, [](Shape& x, const Variant& n) {
                   x.Invoke(CallKind::PropertyPut, "FillStyleKeepFmt", Args(&n, 1));
                 });
               })
          .Method("Group", [](Selection& s) { return s.Group(); })
          .Get("Item",
               [](Selection& s, Args args) {
                 CheckArgCount(args, 1, 1);
                 const std::int32_t i = ArgI4(args, 0);
                 if (i < 1 || i > static_cast<std::int32_t>(s.Shapes().size())) {
                   ThrowVisio(VisioErrorKind::InvalidSheetId);
                 }
                 return s.Shapes()[static_cast<std::size_t>(i - 1)];
               })
          .Prop(
              "LineStyle",
              [](Selection& s) {
                return SelectionStyle(s, [](Shape& x) {
                  return x.Invoke(CallKind::PropertyGet, "LineStyle", {}).ToString();
                });
              },
              [](Selection& s, const Variant& v) {
                SetSelectionStyle(s, v, [](Shape& x, const Variant& n) {
                  x.Invoke(CallKind::PropertyPut, "LineStyle", Args(&n, 1));
                });
              })
          .Put("LineStyleKeepFmt",
               [](Selection& s, const Variant& v) {
                 SetSelectionStyle(s, v, [](Shape& x, const Variant& n) {
                   x.Invoke(CallKind::PropertyPut, "LineStyleKeepFmt", Args(&n, 1));
                 });
               })
          .Get("ObjectType", [](Selection&) { return I2(static_cast<int>(ObjType::Selection)); })
          .Get("PersistsEvents", [](Selection&) { return VisBool(false); })
          .Get("Stat", [](Selection& s) { return StatOf(s); })
          .Prop(
              "Style",
              [](Selection& s) {
                return SelectionStyle(s, [](Shape& x) {
                  return x.Invoke(CallKind::PropertyGet, "Style", {}).ToString();
                });
              },
              [](Selection& s, const Variant& v) {
                SetSelectionStyle(s, v, [](Shape& x, const Variant& n) {
                  x.Invoke(CallKind::PropertyPut, "Style", Args(&n, 1));
                });
              })
          .Put("StyleKeepFmt",
               [](Selection& s, const Variant& v) {
                 SetSelectionStyle(s, v, [](Shape& x, const Variant& n) {
                   x.Invoke(CallKind::PropertyPut, "StyleKeepFmt", Args(&n, 1));
                 });
               })
          .Prop(
              "TextStyle",
              [](Selection& s) {
                return SelectionStyle(s, [](Shape& x) {
                  return x.Invoke(CallKind::PropertyGet, "TextStyle", {}).ToString();
                });
              },
              [](Selection& s, const Variant& v) {
                SetSelectionStyle(s, v, [](Shape& x, const Variant& n) {
                  x.Invoke(CallKind::PropertyPut, "TextStyle", Args(&n, 1));
                });
              })
          .Put("TextStyleKeepFmt",
               [](Selection& s, const Variant& v) {
                 SetSelectionStyle(s, v, [](Shape& x, const Variant& n) {
                   x.Invoke(CallKind::PropertyPut, "TextStyleKeepFmt", Args(&n, 1));
                 });
               })
          .Build();
  return *table;
}

}  // namespace standin
