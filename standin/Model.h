// The classes of the stand-in Visio and the rules that tie them together.
//
// Every Visio object is a VisioObject: reference counted, reached by
// clients through automation calls by name. Ownership runs downwards: the
// application holds its documents and windows, a document its pages,
// masters, styles, fonts and colours, a page its shapes, a group its
// sub-shapes. Parent links are plain pointers, valid while the child is not
// deleted: deleting or closing an object marks its whole subtree deleted
// (MarkDeleted), after which its members raise before they could touch a
// parent. The application itself is reached through Session::app, which is
// cleared when the application goes away.
#pragma once

#include <cstdint>
#include <string_view>

#include "standin/VisioObject.h"

namespace standin {

class Application;
class Document;
class Page;
class Shape;
class Master;
class Style;
class Layer;
class Window;
class Selection;
class Cell;
class ShapeSheet;
class EventList;
class Font;
class Color;

// A shape or a style: something with a ShapeSheet whose cells may be
// inherited from elsewhere.
class SheetHost {
 public:
  virtual ShapeSheet& Sheet() = 0;
  // Where a cell this sheet does not hold comes from: a shape instance
  // inherits from its master's shape, then from the style that governs the
  // section (line, fill or text); a style from the style it is based on.
  // Null at the end of the chain.
  virtual SheetHost* InheritedSource(std::int16_t section, std::int16_t row) = 0;
  // The IVShape or IVStyle itself.
  virtual VisioObject& HostObject() = 0;
  // The IVDocument the host belongs to (null once it is deleted).
  virtual VisioObject* HostDocument() = 0;
  // Kind of host, for the rows a sheet has without being told.
  enum class Kind {
    Shape,
    Group,
    Guide,
    Foreign,
    PageSheet,
    MasterSheet,
    DocumentSheet,
    Style,
    OneD
  };
  virtual Kind HostKind() const = 0;
  // The sheet a formula names before "!" ("Sheet.5!Width"): a shape by ID
  // on the host's page or master, "ThePage" the sheet of that page or
  // master, "TheDoc" the document's sheet (answered here, for every kind
  // of host). `holder` is the sheet that holds the
  // formula. When the host inherits the formula from its master, the IDs
  // in it are the master's, and a name stands for the host's own
  // counterpart of that master shape, as Visio maps an instance's shapes
  // to its master's. Null when there is no such sheet.
  virtual SheetHost* OtherSheet(std::string_view name, SheetHost& holder);

 protected:
  ~SheetHost() = default;
};

// Sheets keep what they work out (rows, inheritance, results) from one
// call to the next until something changes. A sheet's own members say so
// themselves, and so does every client call that is not a read (a write,
// a method); code that changes what InheritedSource or HostKind answers
// (a shape's master, styles or kind, a style's based-on styles or name,
// the shapes of a master, the document's default styles, deleting)
// calls this.
void SheetsChanged() noexcept;
// The count SheetsChanged moves on: what was worked out of the sheets
// while it stays the same still holds.
std::uint64_t SheetsGeneration() noexcept;

// An object's event list, made on first use. The list keeps a plain
// pointer to its owner, so the slot marks it deleted when the owner goes,
// whoever still holds the list.
class EventListSlot {
 public:
  EventListSlot() = default;
  EventListSlot(const EventListSlot&) = delete;
  EventListSlot& operator=(const EventListSlot&) = delete;
  ~EventListSlot();
  EventList& Get(VisioObject& owner);
  EventList* IfAny() const { return list_.get(); }
  void MarkDeleted();

 private:
  Ref<EventList> list_;
};

// The application of an object's session; RPC_E_DISCONNECTED once it has
// gone.
Application& AppOf(const VisioObject& object);
// The same, as a reference for a client (every object's Application
// property).
ObjectRef ApplicationRef(const VisioObject& object);

}  // namespace standin
