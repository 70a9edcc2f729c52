// Documents (drawings, stencils, templates) and their Pages, Masters and
// Styles collections.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "standin/Model.h"

namespace standin {

// visDocType... values.
enum DocType : std::int16_t {
  visDocTypeDrawing = 1,
  visDocTypeStencil = 2,
  visDocTypeTemplate = 3
};

class PagesCollection;
class MastersCollection;
class StylesCollection;
class DocumentSurface;
class DrawingSurface;

// The package a document was opened from or last saved to: what saving
// copies the parts the model did not change from. The file's bytes are
// kept (its compressed size) rather than read again when saving: the file
// may have changed on disk since.
struct SourcePackage {
  std::shared_ptr<const std::string> bytes;
  std::string mainPart;  // "visio/document.xml"
  // The contents part each page and master came from, by ID; pages and
  // masters without one are new.
  std::map<std::int16_t, std::string> pageParts, masterParts;
};

// What changed since the document was opened or last saved: the parts
// of its package that saving must write again. Everything else is copied
// as it was stored.
struct DocumentChanges {
  bool documentPart = false;              // styles, the document's sheet, colours, fonts
  bool pagesPart = false;                 // pages.xml: names, order, page sheets, added, deleted
  bool mastersPart = false;               // masters.xml
  bool properties = false;                // docProps: title, subject, creator, ...
  bool windows = false;                   // windows.xml
  std::set<std::int16_t> pages, masters;  // whose contents changed, by ID
  bool Any() const {
    return documentPart || pagesPart || mastersPart || properties || windows || !pages.empty() ||
           !masters.empty();
  }
};

class Document : public VisioObject {
 public:
  Document(Application& app, std::string fullName, std::int16_t type);
  ~Document() override;
  const MemberTable& Members() const override;
  void MarkDeleted() override;

  Application& app() const { return *app_; }
  std::int16_t type() const { return type_; }
  std::int32_t id() const { return id_; }
  std::int16_t Index() const;  // 1-based position in Documents

  // "Drawing1", "Basic Shapes.vssx": the file name without folder.
  std::string Name() const;
  const std::string& FullName() const { return fullName_; }
  // The folder with its trailing separator; empty for an unsaved document.
  std::string Path() const;
  void SetFullName(std::string fullName) { fullName_ = std::move(fullName); }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool ro) { readOnly_ = ro; }
  // Refuses changes to a read-only document as Visio does.
  void CheckWritable() const;

  // ---- pages ----
  const std::vector<Ref<Page>>& Pages() const { return pages_; }
  // A new page gets the next free ID; a loader passes the ID its file
  // stores (0 to 0x7FFF, not yet taken).
  Ref<Page> AddPage(const std::string& name, bool background = false, std::int16_t id = -1);
  Page* PageById(std::int16_t id) const;
  void DeletePage(Page& page);
  Page* FindPage(const std::string& name) const;

  // ---- masters ----
  const std::vector<Ref<Master>>& Masters() const { return masters_; }
  Ref<Master> AddMaster(const std::string& name, std::int16_t id = -1);
  Master* MasterById(std::int16_t id) const;
  Master* FindMaster(const std::string& name) const;
  void DeleteMaster(Master& master);

  // ---- styles ----
  const std::vector<Ref<Style>>& Styles() const { return styles_; }
  // A style with the given ID; Visio's built-in styles come first.
  Ref<Style> AddStyle(const std::string& name, std::int16_t id = -1);
  Style* FindStyle(const std::string& name) const;
  Style* StyleById(std::int16_t id) const;
  void DeleteStyle(Style& style);

  // The document's own ShapeSheet (DocumentSheet, "TheDoc" in formulas):
  // a shape of type visTypeDoc on no page.
  Shape& DocumentSheet();

  VisioObject& Fonts();
  VisioObject& Colors();
  EventList& Events();
  EventList* EventsIfAny() const override { return eventList_.IfAny(); }
  VisioObject* EventParent() const override;
  // The collection objects, one each for the document's life.
  PagesCollection& PagesColl();
  MastersCollection& MastersColl();
  StylesCollection& StylesColl();

  // ---- saving ----
  // Saved: false after any change a client makes, true once opened or
  // saved. A client may set it either way (Visio lets it); that does not
  // change which parts differ from the file.
  bool Saved() const { return saved_; }
  void SetSaved(bool saved) { saved_ = saved; }
  const DocumentChanges& Changes() const { return changes_; }
  // A change to one part of the document's package; the document is no
  // longer saved.
  enum class Part { Document, Pages, Masters, Properties, Windows };
  void Changed(Part part);
  // A change to a page's or master's shapes or sheet, or to the
  // document's own sheet.
  void SurfaceChanged(DrawingSurface& surface);
  // The package it came from; null for a document never saved.
  const SourcePackage* Source() const { return source_.get(); }
  void SetSource(std::shared_ptr<const SourcePackage> source) { source_ = std::move(source); }
  // After a save: the file now holds what the model holds.
  void MarkSaved(std::shared_ptr<const SourcePackage> source);
  void NoteChange() override;

  // Objects made later get IDs past the largest the document holds, as
  // in Visio: IDs of deleted objects are not given again.
  std::int16_t NextPageId();
  std::int16_t NextMasterId();

 private:
  Application* app_;
  std::string fullName_;
  std::int16_t type_;
  std::int32_t id_;
  bool readOnly_ = false;
  bool saved_ = true;
  DocumentChanges changes_;
  std::shared_ptr<const SourcePackage> source_;
  std::vector<Ref<Page>> pages_;
  std::vector<Ref<Master>> masters_;
  std::vector<Ref<Style>> styles_;
  std::unique_ptr<DocumentSurface> sheetSurface_;
  Ref<VisioObject> fonts_;
  Ref<VisioObject> colors_;
  EventListSlot eventList_;
  Ref<PagesCollection> pagesColl_;
  Ref<MastersCollection> mastersColl_;
  Ref<StylesCollection> stylesColl_;
  std::int32_t nextPageId_ = 0;
  std::int32_t nextMasterId_ = 2;
};

// The Pages, Masters and Styles collections: views on a document's lists,
// one object each for the document's life.
class DocumentCollection : public VisioObject {
 public:
  explicit DocumentCollection(Document& doc);
  Document& doc() const { return *doc_; }
  EventList& Events() { return eventList_.Get(*this); }
  EventList* EventsIfAny() const override { return eventList_.IfAny(); }
  VisioObject* EventParent() const override;

 private:
  Document* doc_;
  EventListSlot eventList_;
};

class PagesCollection : public DocumentCollection {
 public:
  using DocumentCollection::DocumentCollection;
  const MemberTable& Members() const override;
  void NoteChange() override { doc().Changed(Document::Part::Pages); }
};

class MastersCollection : public DocumentCollection {
 public:
  using DocumentCollection::DocumentCollection;
  const MemberTable& Members() const override;
  void NoteChange() override { doc().Changed(Document::Part::Masters); }
};

class StylesCollection : public DocumentCollection {
 public:
  using DocumentCollection::DocumentCollection;
  const MemberTable& Members() const override;
  void NoteChange() override { doc().Changed(Document::Part::Document); }
};

}  // namespace standin
