// Visio's user-interface objects: a UIObject with its menu sets, toolbar
// sets, status bars and accelerator tables, down to single menu items,
// toolbar buttons, status bar fields and accelerators.
//
// These objects describe a user interface; they do not drive one. Visio
// hands out the built-in interface as a fresh copy each time it is asked
// (BuiltInMenus, BuiltInToolbars), which the caller may change and install
// with SetCustomMenus / SetCustomToolbars; the factories below make such a
// copy.
//
// Unlike the rest of Visio's objects, the UI objects have no Application,
// ObjectType or Stat members, and their collections count from 0. Each
// object holds a plain pointer to the collection or object that holds it;
// a holder marks what it holds deleted when it is deleted or destroyed, so
// a UI object outliving its holder answers "Object has been deleted".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "standin/Model.h"

namespace standin {

// visUIObjSet... identifiers of the sets Visio ships.
enum UIObjSet : std::int16_t {
  visUIObjSetNoDocument = 1,
  visUIObjSetDrawing = 2,
  visUIObjSetStencil = 3,
  visUIObjSetShapeSheet = 4,
  visUIObjSetIcon = 5,
  visUIObjSetInPlace = 6,
  visUIObjSetPrintPreview = 7,
  visUIObjSetText = 8,
  visUIObjSetCntx_DrawObjSel = 9,
  visUIObjSetCntx_DrawNoObjSel = 11,
  visUIObjSetPal_LineColors = 24,
  visUIObjSetPal_LineWeights = 25,
  visUIObjSetPal_LinePatterns = 26,
  visUIObjSetPal_FillColors = 27,
  visUIObjSetPal_TextColors = 29,
};

// The CmdNum of a menu item that opens a submenu.
constexpr std::int16_t visCmdHierarchical = 200;

// visCtrlType... values.
enum CtrlType : std::int16_t {
  visCtrlTypeSTATE = 1,
  visCtrlTypeBUTTON = 2,
  visCtrlTypeSTATE_BUTTON = 3,
  visCtrlTypeHIERBUTTON = 4,
  visCtrlTypePALETTEBUTTON = 16,
  visCtrlTypeCOMBOBOX = 128,
  visCtrlTypeLABEL = 2048,
  visCtrlTypeMESSAGE = 4096,
};

// visCtrlSpacing... values.
enum CtrlSpacing : std::int16_t {
  visCtrlSpacingNONE = 0,
  visCtrlSpacingVARIABLE_BEFORE = 1,
  visCtrlSpacingFIXED_BEFORE = 4,
};

// Toolbar flavours of BuiltInToolbars and UIObject.Flavor.
constexpr std::int16_t visToolBarMSOffice = 0;
constexpr std::int16_t visToolBarLotusSS = 1;

class UIObject;
class MenuSets;
class MenuSet;
class Menus;
class Menu;
class MenuItems;
class MenuItem;
class ToolbarSets;
class ToolbarSet;
class Toolbars;
class Toolbar;
class ToolbarItems;
class ToolbarItem;
class StatusBars;
class StatusBar;
class StatusBarItems;
class StatusBarItem;
class AccelTables;
class AccelTable;
class AccelItems;
class AccelItem;

// What every UI object shares: the collection or object that holds it.
class UIElement : public VisioObject {
 public:
  VisioObject* holder() const { return holder_; }

  // For the file form of SaveToFile / LoadFromFile: the objects this one
  // holds, in order, and its values that are not stored members.
  virtual std::vector<const UIElement*> Parts() const { return {}; }
  // The held object a file names by its interface, made if need be; null
  // when this object holds nothing of that kind.
  virtual UIElement* OpenPart(std::string_view /*interfaceName*/) { return nullptr; }
  virtual std::vector<std::pair<std::string, std::string>> Fields() const { return {}; }
  virtual bool LoadField(std::string_view /*name*/, const std::string& /*value*/) { return false; }

 protected:
  UIElement(SessionPtr session, VisioObject* holder)
      : VisioObject(std::move(session)), holder_(holder) {}
  // The values the object keeps (captions, commands, flags) copied from
  // another object of the same class.
  void CopyStoredFrom(const VisioObject& other);

 private:
  VisioObject* holder_;
};

// A 0-based UI collection of Child objects. Child names its collection
// class as Child::List, which derives from UIList<Child> and names its
// interface as kInterfaceName.
template <class Child>
class UIList : public UIElement {
 public:
  using ChildType = Child;

  // Count, Item, Parent and _NewEnum; Add and AddAt for items, ItemAtID,
  // Add and AddAtID for sets.
  const MemberTable& Members() const override;

  const std::vector<Ref<Child>>& Items() const { return items_; }
  std::int32_t Count() const { return static_cast<std::int32_t>(items_.size()); }
  // Position of a child, -1 when it is not (or no longer) here.
  std::int32_t IndexOf(const Child& child) const;
  // The child at a 0-based position; "Invalid parameter" outside.
  Child& At(std::int32_t index) const;
  // A new child at a 0-based position (-1: at the end).
  Child& Insert(std::int32_t position = -1);
  void Remove(Child& child);
  // Deep copy of another list's children, appended.
  void CopyItemsFrom(const UIList& other);
  // Deletes every child.
  void Clear();
  // The children as automation values, for _NewEnum.
  std::vector<Variant> ItemVariants() const;
  void MarkDeleted() override;
  std::vector<const UIElement*> Parts() const override;
  UIElement* OpenPart(std::string_view interfaceName) override;

 protected:
  UIList(SessionPtr session, VisioObject& owner) : UIElement(std::move(session), &owner) {}
  ~UIList() override;

 private:
  std::vector<Ref<Child>> items_;
};

// A collection of sets (menu sets, toolbar sets, status bars, accelerator
// tables): children are also found by their set ID (visUIObjSet...).
template <class Child>
class UISetList : public UIList<Child> {
 public:
  Child* FindSet(std::int32_t setId) const;
  // ItemAtID: "Invalid parameter" for an ID no set has.
  Child& AtId(std::int32_t setId) const;
  // AddAtID: a new, empty set with this ID; an ID in use is refused.
  Child& AddAtId(std::int32_t setId);
  // Add: a new set with an ID no other set uses.
  Child& AddNew();

 protected:
  using UIList<Child>::UIList;
};

// ---- The properties shared by menu items, toolbar items and status bar
// items: what Visio calls a control ----
class UIControl : public UIElement {
 public:
  std::string Caption() const { return StoredValue("Caption").ToString(); }
  std::int16_t CmdNum() const { return StoredValue("CmdNum").ToInt16(); }
  // Sets the text and command of a built-in control; Default and BuiltIn
  // remember them.
  void SetBuiltIn(const std::string& caption, std::int16_t cmdNum);
  // The icon file given to IconFileName.
  const std::string& IconFile() const { return iconFile_; }
  void SetIconFile(std::string path) { iconFile_ = std::move(path); }

 protected:
  using UIElement::UIElement;

 private:
  std::string iconFile_;
};

// A control that may hold controls of its own: a menu item's submenu, the
// drop-down of a toolbar or status bar item. Items is the list type.
template <class Items>
class NestedControl : public UIControl {
 public:
  ~NestedControl() override;
  void MarkDeleted() override;

  Items& list() const;
  // The sub-items, made on first use.
  Items& SubItems();
  bool HasSubItems() const;
  void CopyFrom(const NestedControl& other);
  std::vector<const UIElement*> Parts() const override;
  UIElement* OpenPart(std::string_view interfaceName) override;

 protected:
  explicit NestedControl(Items& list);

 private:
  Ref<Items> subItems_;
};

// An object in a 0-based list (InList) that holds one list of children
// of its own, made with it: a menu with its items, a toolbar with its
// items, and every set.
template <class InList, class Children>
class UIHolder : public UIElement {
 public:
  using List = InList;
  ~UIHolder() override;
  void MarkDeleted() override;

  List& list() const;
  Children& ChildrenOf() const { return *children_; }
  void CopyFrom(const UIHolder& other);
  std::vector<const UIElement*> Parts() const override;
  UIElement* OpenPart(std::string_view interfaceName) override;

 protected:
  explicit UIHolder(List& list);

 private:
  Ref<Children> children_;
};

// A set of the UI: a menu set, toolbar set, status bar or accelerator
// table. It also has a set ID.
template <class Sets, class Children>
class UISet : public UIHolder<Sets, Children> {
 public:
  std::int32_t SetID() const { return setId_; }
  void SetSetID(std::int32_t id) { setId_ = id; }
  void CopyFrom(const UISet& other);
  std::vector<std::pair<std::string, std::string>> Fields() const override;
  bool LoadField(std::string_view name, const std::string& value) override;

 protected:
  explicit UISet(Sets& list) : UIHolder<Sets, Children>(list) {}

 private:
  std::int32_t setId_ = 0;
};

// ---- Menus ----

class MenuItem final : public NestedControl<MenuItems> {
 public:
  using List = MenuItems;
  explicit MenuItem(MenuItems& list);
  const MemberTable& Members() const override;
};

class MenuItems final : public UIList<MenuItem> {
 public:
  static constexpr std::string_view kInterfaceName = "IVMenuItems";
  // owner: a Menu, or the MenuItem whose submenu this is.
  MenuItems(SessionPtr session, VisioObject& owner) : UIList(std::move(session), owner) {}
};

class Menu final : public UIHolder<Menus, MenuItems> {
 public:
  explicit Menu(Menus& list);
  const MemberTable& Members() const override;
  MenuItems& Items() const { return ChildrenOf(); }
};

class Menus final : public UIList<Menu> {
 public:
  static constexpr std::string_view kInterfaceName = "IVMenus";
  using Owner = MenuSet;
  explicit Menus(MenuSet& owner);
};

class MenuSet final : public UISet<MenuSets, Menus> {
 public:
  explicit MenuSet(MenuSets& list);
  const MemberTable& Members() const override;
  Menus& MenusOf() const { return ChildrenOf(); }
};

class MenuSets final : public UISetList<MenuSet> {
 public:
  static constexpr std::string_view kInterfaceName = "IVMenuSets";
  explicit MenuSets(UIObject& owner);
};

// ---- Toolbars ----

class ToolbarItem final : public NestedControl<ToolbarItems> {
 public:
  using List = ToolbarItems;
  explicit ToolbarItem(ToolbarItems& list);
  const MemberTable& Members() const override;
};

class ToolbarItems final : public UIList<ToolbarItem> {
 public:
  static constexpr std::string_view kInterfaceName = "IVToolbarItems";
  // owner: a Toolbar, or the ToolbarItem whose drop-down this is.
  ToolbarItems(SessionPtr session, VisioObject& owner) : UIList(std::move(session), owner) {}
};

class Toolbar final : public UIHolder<Toolbars, ToolbarItems> {
 public:
  explicit Toolbar(Toolbars& list);
  const MemberTable& Members() const override;
  ToolbarItems& Items() const { return ChildrenOf(); }
};

class Toolbars final : public UIList<Toolbar> {
 public:
  static constexpr std::string_view kInterfaceName = "IVToolbars";
  using Owner = ToolbarSet;
  explicit Toolbars(ToolbarSet& owner);
};

class ToolbarSet final : public UISet<ToolbarSets, Toolbars> {
 public:
  explicit ToolbarSet(ToolbarSets& list);
  const MemberTable& Members() const override;
  Toolbars& ToolbarsOf() const { return ChildrenOf(); }
};

class ToolbarSets final : public UISetList<ToolbarSet> {
 public:
  static constexpr std::string_view kInterfaceName = "IVToolbarSets";
  explicit ToolbarSets(UIObject& owner);
};

// ---- Status bars ----

class StatusBarItem final : public NestedControl<StatusBarItems> {
 public:
  using List = StatusBarItems;
  explicit StatusBarItem(StatusBarItems& list);
  const MemberTable& Members() const override;
};

class StatusBarItems final : public UIList<StatusBarItem> {
 public:
  static constexpr std::string_view kInterfaceName = "IVStatusBarItems";
  // owner: a StatusBar, or the StatusBarItem whose drop-down this is.
  StatusBarItems(SessionPtr session, VisioObject& owner) : UIList(std::move(session), owner) {}
};

class StatusBar final : public UISet<StatusBars, StatusBarItems> {
 public:
  explicit StatusBar(StatusBars& list);
  const MemberTable& Members() const override;
  StatusBarItems& Items() const { return ChildrenOf(); }
};

class StatusBars final : public UISetList<StatusBar> {
 public:
  static constexpr std::string_view kInterfaceName = "IVStatusBars";
  explicit StatusBars(UIObject& owner);
};

// ---- Accelerators ----

class AccelItem final : public UIElement {
 public:
  using List = AccelItems;
  explicit AccelItem(AccelItems& list);
  const MemberTable& Members() const override;

  AccelItems& list() const;
  // A built-in accelerator: key (a virtual-key code) and modifiers.
  void SetBuiltIn(std::int16_t key, bool alt, bool control, bool shift, std::int16_t cmdNum);
  void CopyFrom(const AccelItem& other) { CopyStoredFrom(other); }
};

class AccelItems final : public UIList<AccelItem> {
 public:
  static constexpr std::string_view kInterfaceName = "IVAccelItems";
  using Owner = AccelTable;
  explicit AccelItems(AccelTable& owner);
  const MemberTable& Members() const override;
};

class AccelTable final : public UISet<AccelTables, AccelItems> {
 public:
  explicit AccelTable(AccelTables& list);
  const MemberTable& Members() const override;
  AccelItems& Items() const { return ChildrenOf(); }
};

class AccelTables final : public UISetList<AccelTable> {
 public:
  static constexpr std::string_view kInterfaceName = "IVAccelTables";
  explicit AccelTables(UIObject& owner);
};

// ---- The UI object ----

class UIObject final : public UIElement {
 public:
  explicit UIObject(SessionPtr session);
  ~UIObject() override;
  const MemberTable& Members() const override;
  void MarkDeleted() override;

  MenuSets& MenuSetsOf() const { return *menuSets_; }
  ToolbarSets& ToolbarSetsOf() const { return *toolbarSets_; }
  StatusBars& StatusBarsOf() const { return *statusBars_; }
  AccelTables& AccelTablesOf() const { return *accelTables_; }

  std::int16_t Flavor() const { return flavor_; }
  // visToolBarMSOffice or visToolBarLotusSS; "Invalid parameter" otherwise.
  void SetFlavor(std::int16_t flavor);

  // Clone: a deep copy, independent of this one.
  Ref<UIObject> Copy() const;

  // SaveToFile / LoadFromFile. The file is the stand-in's own text form
  // (UIText.h), not Visio's binary one; a file that is not in that form
  // is refused and leaves the object as it was.
  void SaveTo(const std::string& path) const;
  void LoadFrom(const std::string& path);

  std::vector<const UIElement*> Parts() const override;
  UIElement* OpenPart(std::string_view interfaceName) override;
  std::vector<std::pair<std::string, std::string>> Fields() const override;
  bool LoadField(std::string_view name, const std::string& value) override;

 private:
  void CopyContentsFrom(const UIObject& other);

  Ref<MenuSets> menuSets_;
  Ref<ToolbarSets> toolbarSets_;
  Ref<StatusBars> statusBars_;
  Ref<AccelTables> accelTables_;
  std::int16_t flavor_ = visToolBarMSOffice;
};

// Defined with the classes, in UIObjects.cpp.
extern template class UIList<MenuItem>;
extern template class UIList<Menu>;
extern template class UIList<MenuSet>;
extern template class UIList<ToolbarItem>;
extern template class UIList<Toolbar>;
extern template class UIList<ToolbarSet>;
extern template class UIList<StatusBarItem>;
extern template class UIList<StatusBar>;
extern template class UIList<AccelItem>;
extern template class UIList<AccelTable>;
extern template class UISetList<MenuSet>;
extern template class UISetList<ToolbarSet>;
extern template class UISetList<StatusBar>;
extern template class UISetList<AccelTable>;
extern template class NestedControl<MenuItems>;
extern template class NestedControl<ToolbarItems>;
extern template class NestedControl<StatusBarItems>;
extern template class UIHolder<Menus, MenuItems>;
extern template class UIHolder<Toolbars, ToolbarItems>;
extern template class UIHolder<MenuSets, Menus>;
extern template class UIHolder<ToolbarSets, Toolbars>;
extern template class UIHolder<StatusBars, StatusBarItems>;
extern template class UIHolder<AccelTables, AccelItems>;
extern template class UISet<MenuSets, Menus>;
extern template class UISet<ToolbarSets, Toolbars>;
extern template class UISet<StatusBars, StatusBarItems>;
extern template class UISet<AccelTables, AccelItems>;

// ---- Factories for the application and documents ----

// Application.BuiltInMenus: Visio's menus and accelerators, a new copy per
// call.
Ref<UIObject> MakeBuiltInMenus(const SessionPtr& session);
// Application.BuiltInToolbars(flavor): Visio's toolbars and status bars,
// a new copy per call. "Invalid parameter" for an unknown flavour.
Ref<UIObject> MakeBuiltInToolbars(const SessionPtr& session, std::int16_t flavor);
// SetCustomMenus / SetCustomToolbars take a copy of the caller's UI
// object; anything but a UI object is "Invalid parameter". CustomMenus and
// CustomToolbars answer Nothing until such a copy is set.
Ref<UIObject> CloneUIObject(const automation::Object& source);

// The enumerator of a collection's _NewEnum: a snapshot of its items,
// walked with Next (Empty at the end), Skip, Reset and Clone.
ObjectRef MakeEnumerator(const SessionPtr& session, std::vector<Variant> items);

}  // namespace standin
