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

class Window : public VisioObject {
 public:
  Window(Application& app, std::int16_t type, Document* doc, Page* page, std::int32_t id);
  const MemberTable& Members() const override;
  void MarkDeleted() override;

  std::int16_t type() const { return type_; }
  std::int16_t Index() const;
  Document* doc() const { return doc_; }
  Page* page() const { return page_; }
  void SetPage(Page* page);

  // Stencils docked in this drawing window, in order.
  const std::vector<Document*>& Docked() const { return docked_; }
  void Dock(Document& stencil);
  void Undock(Document& stencil);
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

 private:
  Application* app_;
  std::int16_t type_;
  Document* doc_;
  Page* page_;
  std::int32_t id_;
  std::vector<Document*> docked_;
  std::vector<Ref<Shape>> selected_;
  EventListSlot eventList_;
};

// A snapshot of the shapes selected in a window, as Visio hands out.
class Selection : public VisioObject {
 public:
  Selection(Window& window, std::vector<Ref<Shape>> shapes);
  const MemberTable& Members() const override;
  const std::vector<Ref<Shape>>& Shapes() const { return shapes_; }

  // Groups the selected shapes into a new group on their page.
  Ref<Shape> Group();
  EventList& Events();

 private:
  Ref<Window> window_;
  std::vector<Ref<Shape>> shapes_;
  EventListSlot eventList_;
};

}  // namespace standin
