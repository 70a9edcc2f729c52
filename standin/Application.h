// The application object of the stand-in Visio, with its Documents and
// Windows collections.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "standin/Model.h"

namespace standin {

class Addons;
class UIObject;
class DocumentsCollection;
class WindowsCollection;
struct WindowLayout;

// Visio's own identifiers.
inline const Guid CLSID_VisioApplication =
    Guid::FromString("{00021A20-0000-0000-C000-000000000046}");
inline const Guid IID_IVApplication = Guid::FromString("{000D0700-0000-0000-C000-000000000046}");
inline constexpr const char* kVisioProgId = "visio.application";

// Flags of Documents.OpenEx (visOpen...).
enum OpenFlags : std::int16_t {
  visOpenCopy = 0x1,
  visOpenRO = 0x2,
  visOpenDocked = 0x4,
  visOpenDontList = 0x8,
  visOpenMinimized = 0x10,
  visOpenRW = 0x20,
  visOpenHidden = 0x40,
  visOpenMacrosDisabled = 0x80,
  visOpenNoWorkspace = 0x100,
};

class Application : public VisioObject {
 public:
  // Opens a drawing file for Documents.Open/OpenEx: Visio's packages by
  // default (VsdxLoader.h); tests may put another reader in its place. A
  // reader that finds the windows the file was saved with puts them in
  // `layout`; OpenDocument then shows the document that way.
  using DocumentLoader = std::function<Ref<Document>(Application& app, const std::string& path,
                                                     std::int16_t flags, WindowLayout* layout)>;

  Application();
  ~Application() override;
  const MemberTable& Members() const override;

  // ---- documents ----
  const std::vector<Ref<Document>>& Documents() const { return documents_; }
  // A new, empty document of the given kind (visDocTypeDrawing 1,
  // visDocTypeStencil 2, visDocTypeTemplate 3), not yet shown in a window.
  Ref<Document> NewDocument(const std::string& name, std::int16_t type);
  // Adds a document the caller has built (demo, loaders), with a drawing
  // window for drawings and templates unless hidden.
  void AddDocument(const Ref<Document>& doc, bool openWindow = true);
  // Documents.Add: a new drawing (empty name) or a new stencil/template
  // when the name ends in .vss/.vssx or .vst/.vstx.
  Ref<Document> AddNewDocument(const std::string& templateName);
  Ref<Document> OpenDocument(const std::string& path, std::int16_t flags);
  void CloseDocument(Document& doc);
  Document* FindDocument(const std::string& name) const;
  void SetDocumentLoader(DocumentLoader loader) { loader_ = std::move(loader); }
  // Told once Quit has closed everything: a server process ends then.
  void SetQuitHandler(std::function<void()> handler) { quitHandler_ = std::move(handler); }
  // Told when Quit is about to close documents with unsaved changes (their
  // full names): Visio would ask; a server says which it loses.
  void SetUnsavedHandler(std::function<void(const std::vector<std::string>&)> handler) {
    unsavedHandler_ = std::move(handler);
  }

  // ---- windows ----
  const std::vector<Ref<Window>>& Windows() const { return windows_; }
  Ref<Window> OpenDrawingWindow(Document& doc, Page* page);
  Ref<Window> OpenStencilWindow(Document& doc);
  void CloseWindow(Window& window);
  Window* ActiveWindow() const;
  void Activate(Window& window);

  // ---- the rest ----
  void Quit();
  std::int32_t NextDocumentId() { return nextDocumentId_++; }
  std::int32_t NextWindowId() { return nextWindowId_++; }
  // Monotonic "unique" values for GUIDs of new objects.
  std::string NewGuid();

  EventList& EventListObject() { return eventList_.Get(*this); }
  EventList* EventsIfAny() const override { return eventList_.IfAny(); }
  // The collection objects, one each for the application's life (events
  // added to them must stay).
  DocumentsCollection& DocumentsColl();
  WindowsCollection& WindowsColl();

 private:
  void ShowLayout(Document& doc, const std::string& path, const WindowLayout& layout);
  Document* DockableStencil(Document& doc, const std::string& opened, const std::string& recorded);

  std::vector<Ref<Document>> documents_;
  std::vector<Ref<Window>> windows_;
  Window* activeWindow_ = nullptr;
  Ref<VisioObject> addons_;
  Ref<VisioObject> customMenus_;
  Ref<VisioObject> customToolbars_;
  EventListSlot eventList_;
  Ref<DocumentsCollection> documentsColl_;
  Ref<WindowsCollection> windowsColl_;
  DocumentLoader loader_;
  std::function<void()> quitHandler_;
  std::function<void(const std::vector<std::string>&)> unsavedHandler_;
  std::int32_t nextDocumentId_ = 1;
  std::int32_t nextWindowId_ = 1;
  std::uint32_t runningCookie_ = 0;

  friend class ApplicationMembers;
  friend struct ApplicationAccess;
};

// Documents and Windows: views on the application's lists.
class DocumentsCollection : public VisioObject {
 public:
  explicit DocumentsCollection(Application& app);
  const MemberTable& Members() const override;
  EventList* EventsIfAny() const override { return eventList_.IfAny(); }
  VisioObject* EventParent() const override;
  Application& app() const { return *app_; }

 private:
  Application* app_;
  EventListSlot eventList_;
  friend struct DocumentsAccess;
};

class WindowsCollection : public VisioObject {
 public:
  explicit WindowsCollection(Application& app);
  const MemberTable& Members() const override;
  EventList* EventsIfAny() const override { return eventList_.IfAny(); }
  VisioObject* EventParent() const override;
  Application& app() const { return *app_; }

 private:
  Application* app_;
  EventListSlot eventList_;
  friend struct WindowsAccess;
};

// ---- registration: Visio's class and ProgID with the automation layer ----

struct StandinOptions {
  // Populates a freshly started application (the demo drawing, files).
  std::function<void(Application&)> onStart;
};

// Registers "visio.application" and Visio's class factory (in-process).
// Started applications announce themselves as running, so that a later
// attach finds them; releasing every reference does not end one, Quit
// does. Returns the factory's cookie for UnregisterVisio.
std::uint32_t RegisterVisio(StandinOptions options = {});
void UnregisterVisio(std::uint32_t cookie);

// Starts an application directly, as the class factory does.
Ref<Application> StartVisio(const StandinOptions& options = {});

// A drawing a program was given that does not open: the name as given and
// Visio's message.
using OpenFailed = std::function<void(const std::string& file, const std::string& message)>;

// What a program's own Visio starts with: the demo drawing when asked, then
// the given drawings, opened with OpenDocument; one that does not open goes
// to openFailed and the others still open.
StandinOptions StartWithDrawings(std::vector<std::string> files, bool demo,
                                 OpenFailed openFailed = {});

}  // namespace standin
