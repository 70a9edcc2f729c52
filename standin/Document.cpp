#include "standin/Document.h"

#include <algorithm>

#include "standin/Application.h"
#include "standin/Collections.h"
#include "standin/Colors.h"
#include "standin/DocumentSave.h"
#include "standin/Events.h"
#include "standin/Fonts.h"
#include "standin/Layer.h"
#include "standin/Master.h"
#include "standin/Page.h"
#include "standin/Shape.h"
#include "standin/ShapeSheet.h"
#include "standin/Style.h"
#include "standin/Units.h"
#include "standin/Window.h"

namespace standin {

namespace {

constexpr std::int16_t visPaperSizeLetter = 1;

// The document's margins and paper size are lengths in inches, read and
// written in any length unit.
double LengthIn(double inches, const Variant& unit) {
  return FromInternalUnits(inches, unit);
}
double LengthFrom(double value, const Variant& unit) {
  return ToInternalUnits(value, unit);
}

}  // namespace

// Where the document's sheet lives: a surface without shapes, layers or
// connections, so that the sheet is a Shape like those of pages and
// masters and answers as one.
class DocumentSurface : public DrawingSurface {
 public:
  explicit DocumentSurface(Document& doc) : doc_(&doc) {
    sheet_ = MakeRef<Shape>(*this, nullptr, std::int16_t{0}, std::int16_t{visTypeDoc});
    sheet_->SetName("TheDoc");
    sheet_->SetNameU("TheDoc");
  }
  VisioObject& SurfaceObject() override { return *doc_; }
  Document& SurfaceDocument() const override { return *doc_; }
  void MarkDeleted() { MarkSurfaceDeleted(); }

 private:
  Document* doc_;
};

Document::Document(Application& app, std::string fullName, std::int16_t type)
    : VisioObject(app.session()),
      app_(&app),
      fullName_(std::move(fullName)),
      type_(type),
      id_(app.NextDocumentId()) {
  fonts_ = MakeFonts(session(), this);
  colors_ = MakeColors(session(), this);
  // Every document has Visio's built-in styles, with their fixed IDs.
  AddStyle("No Style", 0);
  Ref<Style> normal = AddStyle("Normal", 1);
  normal->SetBasedOn("No Style", "No Style", "No Style");
  Ref<Style> none = AddStyle("None", 2);
  none->SetBasedOn("Normal", "Normal", "Normal");
  Ref<Style> text = AddStyle("Text Only", 3);
  text->SetBasedOn("Normal", "Normal", "Normal");
  for (Style* s : {normal.get(), none.get(), text.get()}) s->SetNameU(s->Name());
  sheetSurface_ = std::make_unique<DocumentSurface>(*this);
}

Document::~Document() = default;

Shape& Document::DocumentSheet() {
  return sheetSurface_->Sheet();
}

void Document::MarkDeleted() {
  VisioObject::MarkDeleted();
  for (auto& p : pages_) p->MarkDeleted();
  for (auto& m : masters_) m->MarkDeleted();
  for (auto& s : styles_) s->MarkDeleted();
  sheetSurface_->MarkDeleted();
  for (VisioObject* o : {fonts_.get(), colors_.get()}) {
    if (o) o->MarkDeleted();
  }
  eventList_.MarkDeleted();
  if (pagesColl_) pagesColl_->MarkDeleted();
  if (mastersColl_) mastersColl_->MarkDeleted();
  if (stylesColl_) stylesColl_->MarkDeleted();
}

std::int16_t Document::Index() const {
  const auto& docs = app_->Documents();
  for (std::size_t i = 0; i < docs.size(); ++i) {
    if (docs[i].get() == this) return static_cast<std::int16_t>(i + 1);
  }
  return 0;
}

std::string Document::Name() const {
  const auto slash = fullName_.find_last_of("/\\");
  return slash == std::string::npos ? fullName_ : fullName_.substr(slash + 1);
}

std::string Document::Path() const {
  const auto slash = fullName_.find_last_of("/\\");
  return slash == std::string::npos ? std::string() : fullName_.substr(0, slash + 1);
}

void Document::CheckWritable() const {
  if (readOnly_) ThrowVisio(VisioErrorKind::ReadOnlyDocument);
}

Ref<Page> Document::AddPage(const std::string& name, bool background, std::int16_t id) {
  std::string pageName = name;
  if (pageName.empty()) {
    int n = static_cast<int>(pages_.size()) + 1;
    while (FindPage((background ? "Background-" : "Page-") + std::to_string(n))) ++n;
    pageName = (background ? "Background-" : "Page-") + std::to_string(n);
  }
  if (id < 0) {
    id = NextPageId();
  } else {
    nextPageId_ = std::max<std::int32_t>(nextPageId_, id + 1);
  }
  auto page = MakeRef<Page>(*this, pageName, id, background);
  // Visio keeps foreground pages before background pages.
  if (background) {
    pages_.push_back(page);
  } else {
    // Backgrounds are at the end: found from there, a file's thousand
    // pages do not cost a million steps.
    auto firstBackground = pages_.end();
    while (firstBackground != pages_.begin() && (*(firstBackground - 1))->Background())
      --firstBackground;
    pages_.insert(firstBackground, page);
  }
  return page;
}

void Document::DeletePage(Page& page) {
  Ref<Page> keep(&page);
  RaiseEvent(page, visEvtBeforePageDelete, keep);
  if (page.IsDeleted()) return;  // a sink deleted it meanwhile
  for (auto& p : pages_) {
    if (p->BackPage() == &page) p->SetBackPage(nullptr);
  }
  for (const auto& w : app_->Windows()) {
    if (w->page() == &page) {
      Page* other = nullptr;
      for (auto& p : pages_) {
        if (p.get() != &page && !p->Background()) {
          other = p.get();
          break;
        }
      }
      w->SetPage(other);
    }
  }
  pages_.erase(std::remove(pages_.begin(), pages_.end(), keep), pages_.end());
  page.MarkDeleted();
}

Page* Document::FindPage(const std::string& name) const {
  for (const auto& p : pages_) {
    if (automation::NamesEqual(p->Name(), name) || automation::NamesEqual(p->NameU(), name))
      return p.get();
  }
  return nullptr;
}

namespace {

// The page, master or style with this ID, or null.
template <class List>
auto FindById(const List& items, std::int16_t id) -> decltype(items.front().get()) {
  for (const auto& o : items) {
    if (o->id() == id) return o.get();
  }
  return nullptr;
}

// The next ID past the largest given; once that passes the largest ID
// there is, the lowest one nothing holds.
template <class List>
std::int16_t NextFreeId(std::int32_t& next, std::int32_t first, const List& items) {
  if (next <= 0x7FFF) return static_cast<std::int16_t>(next++);
  for (std::int32_t id = first; id <= 0x7FFF; ++id) {
    if (!FindById(items, static_cast<std::int16_t>(id))) return static_cast<std::int16_t>(id);
  }
  ThrowVisio(VisioErrorKind::InvalidParameter);
}

}  // namespace

std::int16_t Document::NextPageId() {
  return NextFreeId(nextPageId_, 0, pages_);
}

std::int16_t Document::NextMasterId() {
  return NextFreeId(nextMasterId_, 2, masters_);
}

Page* Document::PageById(std::int16_t id) const {
  return FindById(pages_, id);
}

Ref<Master> Document::AddMaster(const std::string& name, std::int16_t id) {
  if (id < 0) {
    id = NextMasterId();
  } else {
    nextMasterId_ = std::max<std::int32_t>(nextMasterId_, id + 1);
  }
  auto m = MakeRef<Master>(*this, name, id);
  m->SetUniqueId(app_->NewGuid());
  masters_.push_back(m);
  return m;
}

Master* Document::MasterById(std::int16_t id) const {
  return FindById(masters_, id);
}

Master* Document::FindMaster(const std::string& name) const {
  for (const auto& m : masters_) {
    if (automation::NamesEqual(m->Name(), name) || automation::NamesEqual(m->NameU(), name))
      return m.get();
  }
  return nullptr;
}

void Document::DeleteMaster(Master& master) {
  Ref<Master> keep(&master);
  masters_.erase(std::remove(masters_.begin(), masters_.end(), keep), masters_.end());
  master.MarkDeleted();
}

void Document::DeleteStyle(Style& style) {
  Ref<Style> keep(&style);
  styles_.erase(std::remove(styles_.begin(), styles_.end(), keep), styles_.end());
  style.MarkDeleted();
}

Ref<Style> Document::AddStyle(const std::string& name, std::int16_t id) {
  if (id < 0) {
    id = 0;
    for (const auto& s : styles_)
      id = std::max<std::int16_t>(id, static_cast<std::int16_t>(s->id() + 1));
  }
  auto s = MakeRef<Style>(*this, name, id);
  styles_.push_back(s);
  SheetsChanged();  // shapes find their styles by name
  return s;
}

Style* Document::FindStyle(const std::string& name) const {
  // Compared without folded copies: a shape looks its styles up for every
  // cell it inherits.
  for (const auto& s : styles_) {
    if (automation::NamesEqual(s->Name(), name) || automation::NamesEqual(s->NameU(), name)) {
      return s.get();
    }
  }
  return nullptr;
}

Style* Document::StyleById(std::int16_t id) const {
  return FindById(styles_, id);
}

void Document::Changed(Part part) {
  saved_ = false;
  switch (part) {
    case Part::Document:
      changes_.documentPart = true;
      break;
    case Part::Pages:
      changes_.pagesPart = true;
      break;
    case Part::Masters:
      changes_.mastersPart = true;
      break;
    case Part::Properties:
      changes_.properties = true;
      break;
    case Part::Windows:
      changes_.windows = true;
      break;
  }
}

void Document::SurfaceChanged(DrawingSurface& surface) {
  saved_ = false;
  if (Page* page = surface.AsPage()) {
    changes_.pages.insert(page->id());
  } else if (Master* master = surface.AsMaster()) {
    changes_.masters.insert(master->id());
  } else {
    changes_.documentPart = true;  // the document's own sheet
  }
}

void Document::MarkSaved(std::shared_ptr<const SourcePackage> source) {
  source_ = std::move(source);
  changes_ = DocumentChanges();
  saved_ = true;
}

// What a client sets on the document itself is its file's properties
// (Title, Creator, ...) or a setting only this session keeps.
void Document::NoteChange() {
  Changed(Part::Properties);
}

VisioObject& Document::Fonts() {
  return *fonts_;
}
VisioObject& Document::Colors() {
  return *colors_;
}

EventList& Document::Events() {
  return eventList_.Get(*this);
}

VisioObject* Document::EventParent() const {
  // A document being loaded or built is in no collection yet.
  const auto& open = app_->Documents();
  const bool listed = std::any_of(open.begin(), open.end(),
                                  [this](const Ref<Document>& d) { return d.get() == this; });
  return listed ? &app_->DocumentsColl() : nullptr;
}

VisioObject* DocumentCollection::EventParent() const {
  return doc_;
}

PagesCollection& Document::PagesColl() {
  if (!pagesColl_) pagesColl_ = MakeRef<PagesCollection>(*this);
  return *pagesColl_;
}
MastersCollection& Document::MastersColl() {
  if (!mastersColl_) mastersColl_ = MakeRef<MastersCollection>(*this);
  return *mastersColl_;
}
StylesCollection& Document::StylesColl() {
  if (!stylesColl_) stylesColl_ = MakeRef<StylesCollection>(*this);
  return *stylesColl_;
}

namespace {

// A document property that is a length in inches read in a unit given as
// the index.
template <class Get>
auto LengthGetter(Get get) {
  return [get](Document& d, Args args) {
    CheckArgCount(args, 1, 1);
    return LengthIn(get(d).ToDouble(), args[0]);
  };
}

auto StoredLength(const char* name) {
  return [name](Document& d, Args args, const Variant& value) {
    CheckArgCount(args, 1, 1);
    d.SetStoredValue(std::string("_") + name, Variant(LengthFrom(value.ToDouble(), args[0])));
  };
}

Variant StoredLengthValue(Document& d, const char* name) {
  Variant v = d.StoredValue(std::string("_") + name);
  return v.IsEmpty() ? Variant(0.25) : v;
}

std::vector<Ref<Shape>> DocumentOLEShapes(Document& d) {
  std::vector<Ref<Shape>> out;
  for (const auto& p : d.Pages()) CollectOLEShapes(p->TopShapes(), out);
  for (const auto& m : d.Masters()) CollectOLEShapes(m->TopShapes(), out);
  return out;
}

}  // namespace

namespace {

// Save and SaveAs as Visio raises them: the "before" event, then the
// "saved" one only when the file was written.
void SaveRaisingEvents(Document& d, const std::string& path, std::int16_t flags, bool as) {
  const Ref<Document> keep(&d);
  RaiseEvent(d, as ? visEvtCodeBefDocSaveAs : visEvtCodeBefDocSave, keep);
  if (d.IsDeleted()) ThrowVisio(VisioErrorKind::ObjectDeleted);
  SaveDocument(d, path, flags);
  RaiseEvent(d, as ? visEvtCodeDocSaveAs : visEvtCodeDocSave, keep);
}

}  // namespace

const MemberTable& Document::Members() const {
  static const auto table =
      MemberTableBuilder<Document>("IVDocument", Guid{})
          .Get("Application", [](Document& d) { return ApplicationRef(d); })
          .Get("BottomMargin",
               LengthGetter([](Document& d) { return StoredLengthValue(d, "BottomMargin"); }))
          .Put("BottomMargin", StoredLength("BottomMargin"))
          .Stored("Category", Variant(""), true)
          .Get("CodeName", [](Document&) { return std::string("ThisDocument"); })
          .Get("Colors", [](Document& d) { return Ref<VisioObject>(&d.Colors()); })
          .Stored("Company", Variant(""), true)
          .Stored("Creator", Variant(""), true)
          .Get("CustomMenus", [](Document&) { return Variant(ObjectRef()); })
          .Stored("CustomMenusFile", Variant(""), true)
          .Get("CustomToolbars", [](Document&) { return Variant(ObjectRef()); })
          .Stored("CustomToolbarsFile", Variant(""), true)
          .Stored("DefaultFillStyle", Variant("Normal"), true)
          .Stored("DefaultLineStyle", Variant("Normal"), true)
          .Stored("DefaultStyle", Variant("Normal"), true)
          .Stored("DefaultTextStyle", Variant("Normal"), true)
          .Stored("Description", Variant(""), true)
          .Get("DocumentSheet", [](Document& d) { return Ref<Shape>(&d.DocumentSheet()); })
          .Get("EventList", [](Document& d) { return Ref<EventList>(&d.Events()); })
          .Get("Fonts", [](Document& d) { return Ref<VisioObject>(&d.Fonts()); })
          .Get("FullName", [](Document& d) { return d.FullName(); })
          .Stored("HyperlinkBase", Variant(""), true)
          .Get("ID", [](Document& d) { return I4(d.id()); })
          .Get("Index", [](Document& d) { return I2(d.Index()); })
          .Get("InPlace", [](Document&) { return VisBool(false); })
          .Stored("Keywords", Variant(""), true)
          .Get("LeftMargin",
               LengthGetter([](Document& d) { return StoredLengthValue(d, "LeftMargin"); }))
          .Put("LeftMargin", StoredLength("LeftMargin"))
          .Stored("Manager", Variant(""), true)
          .Get("Masters", [](Document& d) { return Ref<MastersCollection>(&d.MastersColl()); })
          .Stored("Mode", I2(0), true)
          .Get("Name", [](Document& d) { return d.Name(); })
          .Get("ObjectType", [](Document&) { return I2(static_cast<int>(ObjType::Doc)); })
          .Get("OLEObjects",
               [](Document& d) {
                 return MakeRef<OLEObjectsCollection>(d.session(), DocumentOLEShapes(d));
               })
          .Get("Pages", [](Document& d) { return Ref<PagesCollection>(&d.PagesColl()); })
          .Get("PaperHeight", LengthGetter([](Document& d) {
                 const bool landscape = d.StoredValue("PrintLandscape").ToBool();
                 return Variant(landscape ? 8.5 : 11.0);
               }))
          .Stored("PaperSize", I2(visPaperSizeLetter), true)
          .Get("PaperWidth", LengthGetter([](Document& d) {
                 const bool landscape = d.StoredValue("PrintLandscape").ToBool();
                 return Variant(landscape ? 11.0 : 8.5);
               }))
          .Get("Path", [](Document& d) { return d.Path(); })
          .Get("PersistsEvents", [](Document&) { return VisBool(true); })
          .Stored("PrintCenteredH", VisBool(false), true)
          .Stored("PrintCenteredV", VisBool(false), true)
          .Stored("PrintFitOnPages", VisBool(false), true)
          .Stored("PrintLandscape", VisBool(false), true)
          .Stored("PrintPagesAcross", I2(1), true)
          .Stored("PrintPagesDown", I2(1), true)
          .Stored("PrintScale", Variant(1.0), true)
          .Get("ReadOnly", [](Document& d) { return VisBool(d.ReadOnly()); })
          .Get("RightMargin",
               LengthGetter([](Document& d) { return StoredLengthValue(d, "RightMargin"); }))
          .Put("RightMargin", StoredLength("RightMargin"))
          .Stored("SavePreviewMode", I2(0), true)
          .Prop(
              "Saved", [](Document& d) { return VisBool(d.Saved()); },
              [](Document& d, const Variant& v) { d.SetSaved(v.ToBool()); })
          .Get("Stat", [](Document& d) { return I2(d.IsDeleted() ? kStatDeleted : kStatNormal); })
          .Get("Styles", [](Document& d) { return Ref<StylesCollection>(&d.StylesColl()); })
          .Stored("Subject", Variant(""), true)
          .Stored("Template", Variant(""), false)
          .Stored("Title", Variant(""), true)
          .Get("TopMargin",
               LengthGetter([](Document& d) { return StoredLengthValue(d, "TopMargin"); }))
          .Put("TopMargin", StoredLength("TopMargin"))
          .Get("Type", [](Document& d) { return I2(d.type()); })
          .Get("VBProject", [](Document&) { return Variant(ObjectRef()); })
          .Stored("Version", I4(0), true)
          .Method("Close", [](Document& d) { AppOf(d).CloseDocument(d); })
          .Method("Save", [](Document& d) { SaveRaisingEvents(d, std::string(), 0, false); })
          .Method("SaveAs",
                  [](Document& d, Args args) {
                    CheckArgCount(args, 1, 1);
                    SaveRaisingEvents(d, ArgStr(args, 0), 0, true);
                    return Variant();
                  })
          .Method("SaveAsEx",
                  [](Document& d, Args args) {
                    CheckArgCount(args, 2, 2);
                    SaveRaisingEvents(d, ArgStr(args, 0), ArgI2(args, 1), true);
                    return Variant();
                  })
          .Unchanging({"Saved", "Close", "Save", "SaveAs", "SaveAsEx"})
          // The file's summary properties: a change to one is the
          // document's DocumentChanged.
          .AfterPut({"Category", "Company", "Creator", "Description", "HyperlinkBase", "Keywords",
                     "Manager", "Subject", "Title"},
                    [](Document& d) {
                      if (MayFire(d, visEvtDocumentChanged))
                        RaiseEvent(d, visEvtDocumentChanged, Ref<Document>(&d));
                    })
          .Build();
  return *table;
}

// ---- collections ----

DocumentCollection::DocumentCollection(Document& doc) : VisioObject(doc.session()), doc_(&doc) {}

const MemberTable& PagesCollection::Members() const {
  static const auto table =
      MemberTableBuilder<PagesCollection>("IVPages", Guid{})
          .Get("Application", [](PagesCollection& c) { return ApplicationRef(c); })
          .Get("Count",
               [](PagesCollection& c) { return I2(static_cast<int>(c.doc().Pages().size())); })
          .Get("Document", [](PagesCollection& c) { return Ref<Document>(&c.doc()); })
          .Get("EventList", [](PagesCollection& c) { return Ref<EventList>(&c.Events()); })
          .Get("Item",
               [](PagesCollection& c, Args args) {
                 CheckArgCount(args, 1, 1);
                 return ItemOf(
                     c.doc().Pages(), args[0],
                     [&](const std::string& n) { return c.doc().FindPage(n); },
                     VisioErrorKind::InvalidSheetId);
               })
          .Get("ItemU",
               [](PagesCollection& c, Args args) {
                 CheckArgCount(args, 1, 1);
                 return ItemUOf(c.doc().Pages(), args[0], VisioErrorKind::InvalidSheetId);
               })
          .Get("ItemFromID",
               [](PagesCollection& c, Args args) {
                 CheckArgCount(args, 1, 1);
                 Page* p = c.doc().PageById(ArgI2(args, 0));
                 if (!p) ThrowVisio(VisioErrorKind::InvalidSheetId);
                 return Ref<Page>(p);
               })
          .Get("ObjectType", [](PagesCollection&) { return I2(static_cast<int>(ObjType::Pages)); })
          .Get("PersistsEvents", [](PagesCollection&) { return VisBool(true); })
          .Get("Stat",
               [](PagesCollection& c) { return I2(c.IsDeleted() ? kStatDeleted : kStatNormal); })
          .Method("Add",
                  [](PagesCollection& c) {
                    c.doc().CheckWritable();
                    Ref<Page> page = c.doc().AddPage("");
                    RaiseEvent(c, visEvtPageAdded, page);
                    return page;
                  })
          .Build();
  return *table;
}

const MemberTable& MastersCollection::Members() const {
  static const auto table =
      MemberTableBuilder<MastersCollection>("IVMasters", Guid{})
          .Get("Application", [](MastersCollection& c) { return ApplicationRef(c); })
          .Get("Count",
               [](MastersCollection& c) { return I2(static_cast<int>(c.doc().Masters().size())); })
          .Get("Document", [](MastersCollection& c) { return Ref<Document>(&c.doc()); })
          .Get("EventList", [](MastersCollection& c) { return Ref<EventList>(&c.Events()); })
          .Get("Item",
               [](MastersCollection& c, Args args) {
                 CheckArgCount(args, 1, 1);
                 return ItemOf(
                     c.doc().Masters(), args[0],
                     [&](const std::string& n) { return c.doc().FindMaster(n); },
                     VisioErrorKind::ObjectNameNotFound);
               })
          .Get("ItemU",
               [](MastersCollection& c, Args args) {
                 CheckArgCount(args, 1, 1);
                 return ItemUOf(c.doc().Masters(), args[0], VisioErrorKind::ObjectNameNotFound);
               })
          .Get("ItemFromID",
               [](MastersCollection& c, Args args) {
                 CheckArgCount(args, 1, 1);
                 Master* m = c.doc().MasterById(ArgI2(args, 0));
                 if (!m) ThrowVisio(VisioErrorKind::InvalidSheetId);
                 return Ref<Master>(m);
               })
          .Get("ObjectType",
               [](MastersCollection&) { return I2(static_cast<int>(ObjType::Masters)); })
          .Get("PersistsEvents", [](MastersCollection&) { return VisBool(true); })
          .Get("Stat",
               [](MastersCollection& c) { return I2(c.IsDeleted() ? kStatDeleted : kStatNormal); })
          .Method("Add",
                  [](MastersCollection& c) {
                    c.doc().CheckWritable();
                    int n = static_cast<int>(c.doc().Masters().size()) + 1;
                    while (c.doc().FindMaster("Master." + std::to_string(n))) ++n;
                    Ref<Master> m = c.doc().AddMaster("Master." + std::to_string(n));
                    m->SetNameU(m->Name());
                    return m;
                  })
          .Build();
  return *table;
}

const MemberTable& StylesCollection::Members() const {
  static const auto table =
      MemberTableBuilder<StylesCollection>("IVStyles", Guid{})
          .Get("Application", [](StylesCollection& c) { return ApplicationRef(c); })
          .Get("Count",
               [](StylesCollection& c) { return I2(static_cast<int>(c.doc().Styles().size())); })
          .Get("Document", [](StylesCollection& c) { return Ref<Document>(&c.doc()); })
          .Get("EventList", [](StylesCollection& c) { return Ref<EventList>(&c.Events()); })
          .Get("Item",
               [](StylesCollection& c, Args args) {
                 CheckArgCount(args, 1, 1);
                 return ItemOf(
                     c.doc().Styles(), args[0],
                     [&](const std::string& n) { return c.doc().FindStyle(n); },
                     VisioErrorKind::ObjectNameNotFound);
               })
          .Get("ItemU",
               [](StylesCollection& c, Args args) {
                 CheckArgCount(args, 1, 1);
                 return ItemUOf(c.doc().Styles(), args[0], VisioErrorKind::ObjectNameNotFound);
               })
          .Get("ItemFromID",
               [](StylesCollection& c, Args args) {
                 CheckArgCount(args, 1, 1);
                 Style* s = c.doc().StyleById(ArgI2(args, 0));
                 if (!s) ThrowVisio(VisioErrorKind::ObjectNameNotFound);
                 return Ref<Style>(s);
               })
          .Get("ObjectType",
               [](StylesCollection&) { return I2(static_cast<int>(ObjType::Styles)); })
          .Get("PersistsEvents", [](StylesCollection&) { return VisBool(true); })
          .Get("Stat",
               [](StylesCollection& c) { return I2(c.IsDeleted() ? kStatDeleted : kStatNormal); })
          .Method("Add",
                  [](StylesCollection& c, Args args) {
                    CheckArgCount(args, 1, 5);
                    c.doc().CheckWritable();
                    const std::string name = ArgStr(args, 0);
                    if (c.doc().FindStyle(name)) ThrowVisio(VisioErrorKind::InvalidParameter);
                    Ref<Style> s = c.doc().AddStyle(name);
                    s->SetNameU(name);
                    const std::string basedOn = HasArg(args, 1) ? ArgStr(args, 1) : "";
                    s->SetBasedOn(basedOn, basedOn, basedOn);
                    s->SetIncludes(!HasArg(args, 2) || ArgI2(args, 2) != 0,
                                   !HasArg(args, 3) || ArgI2(args, 3) != 0,
                                   !HasArg(args, 4) || ArgI2(args, 4) != 0);
                    return s;
                  })
          .Build();
  return *table;
}

// A formula's "TheDoc!" names its document's sheet whatever holds the
// formula; each kind of host adds the names of its own (see Shape).
SheetHost* SheetHost::OtherSheet(std::string_view name, SheetHost&) {
  if (!automation::NamesEqual(name, "TheDoc")) return nullptr;
  auto* doc = dynamic_cast<Document*>(HostDocument());
  return doc ? &doc->DocumentSheet() : nullptr;
}

}  // namespace standin
