// Windows (drawing and stencil windows) and selections.
#pragma once

#include <string>
#include <vector>

#include "standin/Model.h"

namespace standin {

// visWinTypes.
enum WinType : std::int16_t {
  visWinOther = 0,
  visDrawing = 1,
  visStencil = 2,
  visSheet = 3,
  visIcon = 4,
};
// visSelect... arguments of Window.Select.
enum SelectArgs : std::int16_t {
  visDeselect = 1,
  visSelect = 2,
  visSubSelect = 3,
  visSelectAll = 4,
  visDeselectAll = 256,
};

class Selection;

// A window as a file records it (its windows part), for OpenDocument to
// show the document again the way it was saved.
struct SavedWindow {
  std::int16_t type = visDrawing;  // visDrawing or visStencil
  std::int32_t id = -1;            // the file's window ID
  bool active = false;
  // A drawing window: its page (none: the first), zoom (0: not recorded)
  // and the view flags it records, by member name.
  Page* page = nullptr;
  double zoom = 0;
  std::vector<std::pair<std::string, bool>> show;
  // A stencil window: its file as recorded ("": the document itself) and
  // the drawing window it is docked in (-1: floating).
  std::string document;
  std::int32_t parent = -1;
};
struct WindowLayout {
  std::vector<SavedWindow> windows;
};

class Window : public VisioObject {
 public:
  Window(Application& app, std::int16_t type, Document* doc, Page* page, std::int32_t id);
  const MemberTable& Members() const override;
  void NoteChange() override;
  void MarkDeleted() override;

  std::int16_t type() const { return type_; }
  std::int32_t id() const { return id_; }
  std::int16_t Index() const;
  Document* doc() const { return doc_; }
  Page* page() const { return page_; }
  void SetPage(Page* page);

  // Stencils docked in this drawing window, in order.
  std::vector<Document*> Docked() const;
  void Dock(Document& stencil);
  void Undock(Document& stencil);
  // A stencil a file docks here whose file is not to be found: Visio's
  // workspace still names it, so DockedStencils does.
  void DockAbsent(const std::string& fullName);
  StringArray DockedStencils() const;

  // The selection: shapes of the window's page.
  const std::vector<Ref<Shape>>& Selected() const { return selected_; }
  void Select(Shape& shape, std::int16_t how);
  void DeselectAll() { selected_.clear(); }
  void SelectAll();
  // Called when a shape goes away, or the page changes.
  void Forget(const Shape& shape);
  void ForgetDocument(const Document& doc);
  Ref<Selection> MakeSelection();
  EventList& Events();
  EventList* EventsIfAny() const override { return eventList_.IfAny(); }
  VisioObject* EventParent() const override;

 private:
  Application* app_;
  std::int16_t type_;
  Document* doc_;
  Page* page_;
  std::int32_t id_;
  struct DockedStencil {
    Document* doc;     // null for an absent one
    std::string name;  // an absent one's name
  };
  std::vector<DockedStencil> docked_;
  std::vector<Ref<Shape>> selected_;
  EventListSlot eventList_;
};

// A snapshot of the shapes selected in a window, as Visio hands out.
class Selection : public VisioObject {
 public:
  Selection(Window& window, std::vector<Ref<Shape>> shapes);
  const MemberTable& Members() const override;
  void NoteChange() override;
  const std::vector<Ref<Shape>>& Shapes() const { return shapes_; }

  // Groups the selected shapes into a new group on their page.
  Ref<Shape> Group();
  EventList& Events();
  EventList* EventsIfAny() const override { return eventList_.IfAny(); }
  VisioObject* EventParent() const override;

 private:
  Ref<Window> window_;
  std::vector<Ref<Shape>> shapes_;
  EventListSlot eventList_;
};

}  // namespace standin
