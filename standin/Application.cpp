#include "standin/Application.h"

#ifndef _WIN32
#include <pwd.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <map>

#include "automation/Runtime.h"
#include "standin/Addons.h"
#include "standin/Collections.h"
#include "standin/Demo.h"
#include "standin/Document.h"
#include "standin/Events.h"
#include "standin/FilePaths.h"
#include "standin/Page.h"
#include "standin/Shape.h"
#include "standin/UIObjects.h"
#include "standin/VsdxLoader.h"
#include "standin/Window.h"

namespace standin {

using automation::AutomationError;

Application& AppOf(const VisioObject& object) {
  Application* app = object.session()->app;
  if (!app) throw AutomationError(automation::RPC_E_DISCONNECTED);
  return *app;
}

ObjectRef ApplicationRef(const VisioObject& object) {
  return ObjectRef(&AppOf(object));
}

#ifdef _WIN32
// Windows' answers live beside Windows' headers (SystemWindows.cpp).
std::string ProgramFolder();
std::string UserName();
#else
namespace {

std::string ProgramFolder() {
  char buf[4096];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "/";
  std::string path(buf, static_cast<std::size_t>(n));
  return path.substr(0, path.rfind('/') + 1);
}

std::string UserName() {
  if (const char* user = std::getenv("USER"); user && *user) return user;
  // Services and containers often run without USER; the account has a name.
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_name) return pw->pw_name;
  return "";
}

}  // namespace
#endif

// ---- Application ----

Application::Application() : VisioObject(std::make_shared<Session>()) {
  session()->app = this;
  // Visio opens its own files; so does the stand-in, unless told otherwise.
  loader_ = OpenVisioPackage;
  addons_ = MakeAddons(session());
}

Application::~Application() {
  session()->app = nullptr;
}

Ref<Document> Application::NewDocument(const std::string& name, std::int16_t type) {
  return MakeRef<Document>(*this, name, type);
}

void Application::AddDocument(const Ref<Document>& doc, bool openWindow) {
  documents_.push_back(doc);
  if (!openWindow) return;
  if (doc->type() == visDocTypeStencil) {
    OpenStencilWindow(*doc);
  } else {
    OpenDrawingWindow(*doc, doc->Pages().empty() ? nullptr : doc->Pages().front().get());
  }
}

Ref<Document> Application::AddNewDocument(const std::string& templateName) {
  std::int16_t type = visDocTypeDrawing;
  if (automation::EndsWithName(templateName, ".vss") ||
      automation::EndsWithName(templateName, ".vssx") ||
      automation::EndsWithName(templateName, ".vssm")) {
    type = visDocTypeStencil;
  }
  if (!templateName.empty() && type == visDocTypeDrawing) {
    // A named template must be there to start a drawing from it.
    if (!FindDocument(templateName)) {
      Ref<Document> opened = OpenDocument(templateName, visOpenCopy);
      return opened;
    }
  }
  int n = 1;
  const std::string stem = type == visDocTypeStencil ? "Stencil" : "Drawing";
  while (FindDocument(stem + std::to_string(n))) ++n;
  Ref<Document> doc = NewDocument(stem + std::to_string(n), type);
  if (type != visDocTypeStencil) doc->AddPage("Page-1");
  AddDocument(doc);
  RaiseEvent(*doc, visEvtCodeDocCreate, doc);
  return doc;
}

Ref<Document> Application::OpenDocument(const std::string& path, std::int16_t flags) {
  if (Document* open = FindDocument(path)) {
    if (!(flags & visOpenCopy)) return Ref<Document>(open);
  }
  if (!loader_) ThrowVisio(VisioErrorKind::FileNotFound, "File not found: " + path);
  WindowLayout layout;
  Ref<Document> doc = loader_(*this, path, flags, &layout);
  if (!doc) ThrowVisio(VisioErrorKind::FileNotFound, "File not found: " + path);
  if (flags & visOpenRO) doc->SetReadOnly(true);
  documents_.push_back(doc);
  if (flags & visOpenHidden) {
    // Nothing to show.
  } else if (doc->type() == visDocTypeStencil) {
    Window* active = ActiveWindow();
    if ((flags & visOpenDocked) && active && active->type() == visDrawing) {
      active->Dock(*doc);
    } else {
      OpenStencilWindow(*doc);
    }
  } else if (!layout.windows.empty()) {
    ShowLayout(*doc, path, layout);
  } else {
    OpenDrawingWindow(*doc, doc->Pages().empty() ? nullptr : doc->Pages().front().get());
  }
  // Once it is complete, windows and all. A copy of a file is a new,
  // untitled document: Visio reports it created, as from a template.
  RaiseEvent(*doc, (flags & visOpenCopy) ? visEvtCodeDocCreate : visEvtCodeDocOpen, doc);
  return doc;
}

void Application::ShowLayout(Document& doc, const std::string& path, const WindowLayout& layout) {
  Page* firstPage = doc.Pages().empty() ? nullptr : doc.Pages().front().get();
  std::map<std::int32_t, Window*> byId;
  Window* first = nullptr;
  Window* active = nullptr;
  for (const SavedWindow& s : layout.windows) {
    if (s.type != visDrawing) continue;
    Ref<Window> w = OpenDrawingWindow(doc, s.page ? s.page : firstPage);
    if (s.zoom != 0) w->SetStoredValue("Zoom", Variant(s.zoom));
    for (const auto& [member, on] : s.show) w->SetStoredValue(member, VisBool(on));
    byId.emplace(s.id, w.get());
    if (!first) first = w.get();
    if (s.active && !active) active = w.get();
  }
  // A drawing is never open without a window of its own.
  if (!first) first = OpenDrawingWindow(doc, firstPage).get();
  for (const SavedWindow& s : layout.windows) {
    if (s.type != visStencil) continue;
    Document* stencil = DockableStencil(doc, path, s.document);
    auto parent = byId.find(s.parent);
    if (parent != byId.end()) {
      if (stencil) {
        parent->second->Dock(*stencil);
      } else {
        parent->second->DockAbsent(s.document);
      }
    } else if (stencil) {
      OpenStencilWindow(*stencil);
    }
  }
  // The file does not say which window had the focus unless one is
  // marked active; Visio then shows the first drawing window in front.
  Activate(active ? *active : *first);
}

// The document a drawing's workspace names for a stencil window: the
// drawing itself (no name), one already open under that file name (Visio
// keeps one document per file name), or the stencil file at the recorded
// path or beside the file opened, read-only as Visio opens workspace
// stencils. Null when none is found or it is no stencil.
Document* Application::DockableStencil(Document& doc, const std::string& opened,
                                       const std::string& recorded) {
  if (recorded.empty()) return &doc;
  const std::size_t slash = recorded.find_last_of("/\\");
  const std::string name = slash == std::string::npos ? recorded : recorded.substr(slash + 1);
  if (name.empty()) return nullptr;
  if (Document* open = FindDocument(name)) return open;
  // The file names the stencil; only a stencil's file is opened for it,
  // whatever else the name points at.
  const std::string extension = automation::AsciiLowered(PathText(FilePath(name).extension()));
  if (extension != ".vssx" && extension != ".vssm" && extension != ".vss" && extension != ".vsx")
    return nullptr;
  std::vector<std::filesystem::path> candidates;
  // A relative name means nothing against this process's folder.
  if (FilePath(recorded).is_absolute()) candidates.push_back(FilePath(recorded));
  const std::filesystem::path folder = FilePath(opened).parent_path();
  std::error_code ec;
  if (!folder.empty() && std::filesystem::is_directory(folder, ec)) {
    candidates.push_back(folder / FilePath(name));
    // Windows names files without regard to case.
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
      if (automation::NamesEqual(PathText(it->path().filename()), name))
        candidates.push_back(it->path());
    }
  }
  for (const auto& path : candidates) {
    if (!std::filesystem::is_regular_file(path, ec) || FindDocument(PathText(path))) continue;
    Ref<Document> stencil;
    try {
      stencil = OpenDocument(PathText(path), visOpenHidden | visOpenRO);
    } catch (const AutomationError&) {
      continue;  // a damaged stencil is left out, as Visio leaves it
    }
    if (stencil->type() == visDocTypeStencil) return stencil.get();
    CloseDocument(*stencil);
  }
  return nullptr;
}

void Application::CloseDocument(Document& doc) {
  Ref<Document> keep(&doc);
  // While the document and its windows can still be read.
  RaiseEvent(doc, visEvtBeforeDocumentClose, keep);
  if (doc.IsDeleted()) return;  // a sink closed it meanwhile
  // Windows showing the document close with it; stencils undock.
  for (std::size_t i = windows_.size(); i-- > 0;) {
    Window& w = *windows_[i];
    if (w.doc() == &doc) {
      CloseWindow(w);
    } else {
      w.ForgetDocument(doc);
    }
  }
  documents_.erase(std::remove(documents_.begin(), documents_.end(), keep), documents_.end());
  doc.MarkDeleted();
}

Document* Application::FindDocument(const std::string& name) const {
  for (const auto& d : documents_) {
    if (automation::NamesEqual(d->Name(), name) || automation::NamesEqual(d->FullName(), name))
      return d.get();
  }
  return nullptr;
}

Ref<Window> Application::OpenDrawingWindow(Document& doc, Page* page) {
  auto w = MakeRef<Window>(*this, visDrawing, &doc, page, NextWindowId());
  windows_.push_back(w);
  RaiseEvent(WindowsColl(), visEvtWindowOpened, w);
  Activate(*w);
  return w;
}

Ref<Window> Application::OpenStencilWindow(Document& doc) {
  auto w = MakeRef<Window>(*this, visStencil, &doc, nullptr, NextWindowId());
  windows_.push_back(w);
  RaiseEvent(WindowsColl(), visEvtWindowOpened, w);
  if (!activeWindow_) Activate(*w);
  return w;
}

void Application::CloseWindow(Window& window) {
  Ref<Window> keep(&window);
  RaiseEvent(window, visEvtBeforeWindowClosed, keep);
  if (window.IsDeleted()) return;  // a sink closed it meanwhile
  Window* const wasActive = activeWindow_;
  windows_.erase(std::remove(windows_.begin(), windows_.end(), keep), windows_.end());
  if (activeWindow_ == &window) {
    activeWindow_ = nullptr;
    // Visio activates the most recent drawing window left.
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
      if ((*it)->type() == visDrawing) {
        activeWindow_ = it->get();
        break;
      }
    }
  }
  window.MarkDeleted();
  if (activeWindow_ && activeWindow_ != wasActive) {
    const Ref<Window> now(activeWindow_);
    RaiseEvent(*now, visEvtWindowActivated, now);
  }
}

Window* Application::ActiveWindow() const {
  return activeWindow_;
}

void Application::Activate(Window& window) {
  if (activeWindow_ == &window) return;
  activeWindow_ = &window;
  RaiseEvent(window, visEvtWindowActivated, Ref<Window>(&window));
}

DocumentsCollection& Application::DocumentsColl() {
  if (!documentsColl_) documentsColl_ = MakeRef<DocumentsCollection>(*this);
  return *documentsColl_;
}

WindowsCollection& Application::WindowsColl() {
  if (!windowsColl_) windowsColl_ = MakeRef<WindowsCollection>(*this);
  return *windowsColl_;
}

VisioObject* DocumentsCollection::EventParent() const {
  return app_;
}

VisioObject* WindowsCollection::EventParent() const {
  return app_;
}

void EventListSlot::MarkDeleted() {
  if (list_) list_->MarkDeleted();
}

EventListSlot::~EventListSlot() {
  MarkDeleted();
}

EventList& EventListSlot::Get(VisioObject& owner) {
  if (!list_) list_ = MakeEventList(owner);
  return *list_;
}

void Application::Quit() {
  if (unsavedHandler_) {
    std::vector<std::string> unsaved;
    for (const auto& d : documents_) {
      if (!d->Saved()) unsaved.push_back(d->FullName());
    }
    if (!unsaved.empty()) unsavedHandler_(unsaved);
  }
  while (!documents_.empty()) CloseDocument(*documents_.back());
  while (!windows_.empty()) CloseWindow(*windows_.back());
  for (auto* o : {addons_.get(), customMenus_.get(), customToolbars_.get()}) {
    if (o) o->MarkDeleted();
  }
  eventList_.MarkDeleted();
  if (documentsColl_) documentsColl_->MarkDeleted();
  if (windowsColl_) windowsColl_->MarkDeleted();
  addons_.Reset();
  customMenus_.Reset();
  customToolbars_.Reset();
  // From now on every object of this application answers as a server that
  // has gone away.
  session()->quit = true;
  const std::function<void()> handler = std::move(quitHandler_);
  if (runningCookie_) {
    const std::uint32_t cookie = std::exchange(runningCookie_, 0);
    automation::RevokeActiveObject(cookie);  // may release the last reference to this
  }
  if (handler) handler();
}

std::string Application::NewGuid() {
  const std::uint32_t n = session()->serial++;
  char text[40];
  std::snprintf(text, sizeof text, "{5A4B3C2D-%04X-4E5F-8A9B-%012X}",
                static_cast<unsigned>((n >> 16) & 0xFFFF), n);
  return text;
}

struct ApplicationAccess {
  static Variant ActiveDocument(Application& a) {
    Window* w = a.ActiveWindow();
    return w && w->doc() ? Variant(Ref<Document>(w->doc())) : Variant(ObjectRef());
  }
  static Variant ActivePage(Application& a) {
    Window* w = a.ActiveWindow();
    return w && w->page() ? Variant(Ref<Page>(w->page())) : Variant(ObjectRef());
  }
  static Variant ActiveWindow(Application& a) {
    Window* w = a.ActiveWindow();
    return w ? Variant(Ref<Window>(w)) : Variant(ObjectRef());
  }
  static Ref<VisioObject>& CustomMenus(Application& a) { return a.customMenus_; }
  static Ref<VisioObject>& CustomToolbars(Application& a) { return a.customToolbars_; }
  static Ref<VisioObject>& Addons(Application& a) { return a.addons_; }
  static Ref<EventList> Events(Application& a) { return Ref<EventList>(&a.eventList_.Get(a)); }
  static std::uint32_t& Cookie(Application& a) { return a.runningCookie_; }
};

const MemberTable& Application::Members() const {
  using A = ApplicationAccess;
  static const auto table =
      MemberTableBuilder<Application>("IVApplication", IID_IVApplication)
          .Get("Active", [](Application&) { return VisBool(true); })
          .Get("ActiveDocument", [](Application& a) { return A::ActiveDocument(a); })
          .Get("ActivePage", [](Application& a) { return A::ActivePage(a); })
          .Get("ActiveWindow", [](Application& a) { return A::ActiveWindow(a); })
          .Stored("AddonPaths", Variant(""), true)
          .Get("Addons", [](Application& a) { return A::Addons(a); })
          .Stored("AlertResponse", I2(0), true)
          .Get("Application", [](Application& a) { return Ref<Application>(&a); })
          // Visio hands out a new copy of its built-in UI on every call.
          .Get("BuiltInMenus", [](Application& a) { return MakeBuiltInMenus(a.session()); })
          .Get("BuiltInToolbars",
               [](Application& a, Args args) {
                 CheckArgCount(args, 1, 1);
                 return MakeBuiltInToolbars(a.session(), ArgI2(args, 0));
               })
          .Get("CustomMenus", [](Application& a) { return Variant(ObjectRef(A::CustomMenus(a))); })
          .Stored("CustomMenusFile", Variant(""), true)
          .Get("CustomToolbars",
               [](Application& a) { return Variant(ObjectRef(A::CustomToolbars(a))); })
          .Stored("CustomToolbarsFile", Variant(""), true)
          .Stored("DeferRecalc", VisBool(false), true)
          // One collection for the application's life: its event list stays.
          .Get("Documents",
               [](Application& a) { return Ref<DocumentsCollection>(&a.DocumentsColl()); })
          .Stored("DrawingPaths", Variant(""), true)
          .Get("EventInfo",
               [](Application& a, Args args) {
                 CheckArgCount(args, 1, 1);
                 ArgI4(args, 0);
                 return CurrentEventInfo(*a.session());
               })
          .Get("EventList", [](Application& a) { return A::Events(a); })
          .Prop(
              "EventsEnabled", [](Application& a) { return VisBool(a.session()->eventsEnabled); },
              [](Application& a, const Variant& v) { a.session()->eventsEnabled = v.ToBool(); })
          .Stored("FilterPaths", Variant(""), true)
          .Stored("HelpPaths", Variant(""), true)
          .Get("InstanceHandle", [](Application&) { return I2(0); })
          .Get("InstanceHandle32", [](Application&) { return I4(0x00400000); })
          .Get("IsVisio16", [](Application&) { return VisBool(false); })
          .Get("IsVisio32", [](Application&) { return VisBool(true); })
          .Get("Language", [](Application&) { return I4(1033); })
          .Stored("OnDataChangeDelay", I4(-1), true)
          .Get("Path", [](Application&) { return ProgramFolder(); })
          .Get("PersistsEvents", [](Application&) { return VisBool(false); })
          .Get("ProcessID", [](Application&) { return I4(static_cast<std::int32_t>(getpid())); })
          .Get("ProfileName", [](Application&) { return std::string(); })
          .Stored("PromptForSummary", VisBool(false), true)
          .Stored("ScreenUpdating", VisBool(true), true)
          .Stored("ShowMenus", VisBool(true), true)
          .Stored("ShowProgress", VisBool(true), true)
          .Stored("ShowStatusBar", VisBool(true), true)
          .Stored("ShowToolbar", VisBool(true), true)
          .Stored("StartupPaths", Variant(""), true)
          .Get("Stat", [](Application&) { return I2(kStatNormal); })
          .Stored("StencilPaths", Variant(""), true)
          .Stored("TemplatePaths", Variant(""), true)
          .Stored("ToolbarStyle", I2(0), true)
          .Stored("TraceFlags", I4(0), true)
          .Stored("UserName", Variant(UserName()), true)
          // No VBA here: Visio without VBA answers Nothing.
          .Get("Vbe", [](Application&) { return Variant(ObjectRef()); })
          .Get("Version", [](Application&) { return std::string("16.0"); })
          .Get("WindowHandle", [](Application&) { return I2(0); })
          .Get("WindowHandle32", [](Application&) { return I4(0x00010010); })
          .Get("Windows", [](Application& a) { return Ref<WindowsCollection>(&a.WindowsColl()); })
          .Get("ObjectType", [](Application&) { return I2(static_cast<int>(ObjType::App)); })
          .Method("Quit", [](Application& a) { a.Quit(); })
          .Method("SetCustomMenus",
                  [](Application& a, Args args) {
                    CheckArgCount(args, 1, 1);
                    auto ui = ArgObject(args, 0);
                    A::CustomMenus(a) =
                        ui ? Ref<VisioObject>(CloneUIObject(*ui)) : Ref<VisioObject>();
                    return Variant();
                  })
          .Method("SetCustomToolbars",
                  [](Application& a, Args args) {
                    CheckArgCount(args, 1, 1);
                    auto ui = ArgObject(args, 0);
                    A::CustomToolbars(a) =
                        ui ? Ref<VisioObject>(CloneUIObject(*ui)) : Ref<VisioObject>();
                    return Variant();
                  })
          .Build();
  return *table;
}

// ---- Documents ----

DocumentsCollection::DocumentsCollection(Application& app)
    : VisioObject(app.session()), app_(&app) {}

struct DocumentsAccess {
  static EventList& Events(DocumentsCollection& c) { return c.eventList_.Get(c); }
};

const MemberTable& DocumentsCollection::Members() const {
  static const auto table =
      MemberTableBuilder<DocumentsCollection>("IVDocuments", Guid{})
          .Get("Application", [](DocumentsCollection& c) { return ApplicationRef(c); })
          .Get("Count",
               [](DocumentsCollection& c) {
                 return I2(static_cast<int>(c.app().Documents().size()));
               })
          .Get("EventList",
               [](DocumentsCollection& c) { return Ref<EventList>(&DocumentsAccess::Events(c)); })
          .Get("Item",
               [](DocumentsCollection& c, Args args) {
                 CheckArgCount(args, 1, 1);
                 return ItemOf(
                     c.app().Documents(), args[0],
                     [&](const std::string& n) { return c.app().FindDocument(n); },
                     VisioErrorKind::InvalidDocumentId);
               })
          .Get("ObjectType",
               [](DocumentsCollection&) { return I2(static_cast<int>(ObjType::Docs)); })
          .Get("PersistsEvents", [](DocumentsCollection&) { return VisBool(false); })
          .Method("Add",
                  [](DocumentsCollection& c, Args args) {
                    CheckArgCount(args, 1, 1);
                    return c.app().AddNewDocument(ArgStr(args, 0));
                  })
          .Method("Open",
                  [](DocumentsCollection& c, Args args) {
                    CheckArgCount(args, 1, 1);
                    return c.app().OpenDocument(ArgStr(args, 0), 0);
                  })
          .Method("OpenEx",
                  [](DocumentsCollection& c, Args args) {
                    CheckArgCount(args, 2, 2);
                    return c.app().OpenDocument(ArgStr(args, 0), ArgI2(args, 1));
                  })
          .Build();
  return *table;
}

// ---- Windows ----

WindowsCollection::WindowsCollection(Application& app) : VisioObject(app.session()), app_(&app) {}

struct WindowsAccess {
  static EventList& Events(WindowsCollection& c) { return c.eventList_.Get(c); }
};

const MemberTable& WindowsCollection::Members() const {
  static const auto table =
      MemberTableBuilder<WindowsCollection>("IVWindows", Guid{})
          .Get("Application", [](WindowsCollection& c) { return ApplicationRef(c); })
          .Get("Count",
               [](WindowsCollection& c) { return I2(static_cast<int>(c.app().Windows().size())); })
          .Get("EventList",
               [](WindowsCollection& c) { return Ref<EventList>(&WindowsAccess::Events(c)); })
          .Get("Item",
               [](WindowsCollection& c, Args args) {
                 CheckArgCount(args, 1, 1);
                 const std::int32_t i = ArgI4(args, 0);
                 const auto& list = c.app().Windows();
                 if (i < 1 || i > static_cast<std::int32_t>(list.size())) {
                   ThrowVisio(VisioErrorKind::InvalidParameter);
                 }
                 return list[static_cast<std::size_t>(i - 1)];
               })
          .Get("ObjectType",
               [](WindowsCollection&) { return I2(static_cast<int>(ObjType::Windows)); })
          .Get("PersistsEvents", [](WindowsCollection&) { return VisBool(false); })
          .Build();
  return *table;
}

// ---- registration ----

namespace {

class VisioClassFactory : public automation::ClassFactory {
 public:
  explicit VisioClassFactory(StandinOptions options) : options_(std::move(options)) {}
  automation::HResult CreateInstance(const Guid& iid, ObjectRef* object) override {
    Ref<Application> app = StartVisio(options_);
    if (!app->Supports(iid)) {
      app->Quit();
      return automation::E_NOINTERFACE;
    }
    *object = app;
    return automation::S_OK;
  }

 private:
  StandinOptions options_;
};

}  // namespace

Ref<Application> StartVisio(const StandinOptions& options) {
  auto app = MakeRef<Application>();
  if (options.onStart) options.onStart(*app);
  automation::RegisterActiveObject(app, CLSID_VisioApplication, &ApplicationAccess::Cookie(*app));
  return app;
}

StandinOptions StartWithDrawings(std::vector<std::string> files, bool demo, OpenFailed openFailed) {
  StandinOptions options;
  if (!demo && files.empty()) return options;
  options.onStart = [files = std::move(files), demo,
                     openFailed = std::move(openFailed)](Application& app) {
    if (demo) BuildDemoDrawing(app);
    for (const std::string& file : files) {
      try {
        app.OpenDocument(file, 0);
      } catch (const automation::AutomationError& e) {
        if (openFailed) openFailed(file, e.message());
      } catch (const std::exception& e) {
        if (openFailed) openFailed(file, e.what());
      }
    }
  };
  return options;
}

std::uint32_t RegisterVisio(StandinOptions options) {
  automation::RegisterProgID(kVisioProgId, CLSID_VisioApplication);
  std::uint32_t cookie = 0;
  automation::CoRegisterClassObject(
      CLSID_VisioApplication, std::make_shared<VisioClassFactory>(std::move(options)),
      automation::CLSCTX_INPROC_SERVER, automation::REGCLS_MULTIPLEUSE, &cookie);
  return cookie;
}

void UnregisterVisio(std::uint32_t cookie) {
  automation::CoRevokeClassObject(cookie);
  automation::UnregisterProgID(kVisioProgId);
}

}  // namespace standin
