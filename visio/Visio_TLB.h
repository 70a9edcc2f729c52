// Visio's identifiers and small typed views of the Visio interfaces the
// program calls member by member (the object tree reads everything else by
// property name). A view holds one counted reference; an empty view stands
// for Nothing. Every call goes through the automation layer by name and may
// throw automation::AutomationError.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "automation/Guid.h"
#include "automation/Variant.h"

// Visio's own identifiers, as published in its type library.
inline constexpr const char* kVisioProgID = "visio.application";
inline const automation::Guid CLSID_VisioApplication =
    automation::Guid::FromString("{00021A20-0000-0000-C000-000000000046}");
inline const automation::Guid IID_IVApplication =
    automation::Guid::FromString("{000D0700-0000-0000-C000-000000000046}");

// Shape.Type of a page's sheet (visTypePage).
inline constexpr std::int16_t visTypePage = 1;

// What ObjectType answers (VisObjectTypes), for the objects the program
// tells apart.
enum : std::int16_t {
  visObjTypeApp = 3,
  visObjTypeCell = 4,
  visObjTypeDoc = 10,
  visObjTypeMaster = 12,
  visObjTypePage = 14,
  visObjTypeSelection = 16,
  visObjTypeShape = 17,
  visObjTypeStyle = 19,
  visObjTypeWindow = 21,
};

class TVisioView {
 public:
  TVisioView() = default;
  explicit TVisioView(automation::ObjectRef object) : object_(std::move(object)) {}

  const automation::ObjectRef& Object() const { return object_; }
  explicit operator bool() const { return static_cast<bool>(object_); }

 protected:
  automation::Variant Get(const char* member) const { return object_.Get(member); }
  automation::ObjectRef GetObject(const char* member) const { return Get(member).ToObject(); }

  automation::ObjectRef object_;
};

class IVCell;
class IVShapes;
class IVSelection;

class IVMaster : public TVisioView {
 public:
  using TVisioView::TVisioView;
  // An editable copy of the master; Close on the copy commits the edits.
  IVMaster Open() const { return IVMaster(object_.Invoke("Open").ToObject()); }
  void Close() const { object_.Invoke("Close"); }
  IVShapes Shapes() const;
};

class IVShape : public TVisioView {
 public:
  using TVisioView::TVisioView;
  IVMaster ContainingMaster() const { return IVMaster(GetObject("ContainingMaster")); }
  IVShape ContainingShape() const { return IVShape(GetObject("ContainingShape")); }
  std::int16_t Index() const { return Get("Index").ToInt16(); }
  std::int16_t Type() const { return Get("Type").ToInt16(); }
  IVShapes Shapes() const;
  IVCell Cells(const std::string& name) const;
};

class IVShapes : public TVisioView {
 public:
  using TVisioView::TVisioView;
  // Collections take their index as a variant holding a 32-bit integer.
  IVShape Item(std::int32_t index) const {
    return IVShape(object_.Get("Item", {automation::Variant(index)}).ToObject());
  }
};

class IVCell : public TVisioView {
 public:
  using TVisioView::TVisioView;
  IVShape Shape() const { return IVShape(GetObject("Shape")); }
  std::string Name() const { return Get("Name").ToString(); }
};

class IVSelection : public TVisioView {
 public:
  using TVisioView::TVisioView;
  std::int16_t Count() const { return Get("Count").ToInt16(); }
  IVShape Item(std::int32_t index) const {
    return IVShape(object_.Get("Item", {automation::Variant(index)}).ToObject());
  }
};

class IVWindow : public TVisioView {
 public:
  using TVisioView::TVisioView;
  IVSelection Selection() const { return IVSelection(GetObject("Selection")); }
  // The names of the stencils docked in the window, as a one-dimensional
  // array of strings.
  automation::Variant DockedStencils() const { return Get("DockedStencils"); }
};

class IVApplication : public TVisioView {
 public:
  using TVisioView::TVisioView;
  IVWindow ActiveWindow() const { return IVWindow(GetObject("ActiveWindow")); }
};

inline IVShapes IVMaster::Shapes() const {
  return IVShapes(GetObject("Shapes"));
}
inline IVShapes IVShape::Shapes() const {
  return IVShapes(GetObject("Shapes"));
}
inline IVCell IVShape::Cells(const std::string& name) const {
  return IVCell(object_.Get("Cells", {automation::Variant(name)}).ToObject());
}
