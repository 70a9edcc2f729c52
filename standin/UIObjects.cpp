#include "standin/UIObjects.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <type_traits>

#include "standin/FilePaths.h"
#include "standin/UIText.h"

namespace standin {

namespace {

const Guid IID_IEnumVARIANT = Guid::FromString("{00020404-0000-0000-C000-000000000046}");

[[noreturn]] void BadParameter() {
  ThrowVisio(VisioErrorKind::InvalidParameter);
}

// A caption as a plain action name: "Save &As..." -> "Save As".
std::string PlainText(const std::string& caption) {
  std::string out;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&') {
      if (i + 1 < caption.size() && caption[i + 1] == '&') out += caption[++i];
      continue;
    }
    out += caption[i];
  }
  while (!out.empty() && out.back() == '.') out.pop_back();
  return out;
}

}  // namespace

// ---- Enumerator ----

namespace {

class Enumerator final : public VisioObject {
 public:
  Enumerator(SessionPtr session, std::vector<Variant> items)
      : VisioObject(std::move(session)), items_(std::move(items)) {}

  const MemberTable& Members() const override {
    static const auto table =
        MemberTableBuilder<Enumerator>("IEnumVARIANT", IID_IEnumVARIANT)
            .Method("Next",
                    [](Enumerator& e) {
                      return e.next_ < e.items_.size() ? e.items_[e.next_++] : Variant();
                    })
            .Method("Skip",
                    [](Enumerator& e, Args a) {
                      CheckArgCount(a, 1, 1);
                      const std::int32_t n = ArgI4(a, 0);
                      if (n < 0) BadParameter();
                      const std::size_t left = e.items_.size() - e.next_;
                      e.next_ += std::min(left, static_cast<std::size_t>(n));
                      // S_FALSE in COM when fewer were left: here a Visio boolean.
                      return VisBool(static_cast<std::size_t>(n) <= left);
                    })
            .Method("Reset", [](Enumerator& e) { e.next_ = 0; })
            .Method("Clone",
                    [](Enumerator& e) {
                      auto copy = MakeRef<Enumerator>(e.session(), e.items_);
                      copy->next_ = e.next_;
                      return Variant::Unknown(copy);
                    })
            .Build();
    return *table;
  }

 private:
  std::vector<Variant> items_;
  std::size_t next_ = 0;
};

}  // namespace

ObjectRef MakeEnumerator(const SessionPtr& session, std::vector<Variant> items) {
  return MakeRef<Enumerator>(session, std::move(items));
}

// ---- UIElement ----

void UIElement::CopyStoredFrom(const VisioObject& other) {
  for (const auto& m : other.Members().Members()) {
    if (m.stored) SetStoredValue(m.name, other.StoredValue(m.name));
  }
}

// ---- UIList ----

template <class Child>
UIList<Child>::~UIList() {
  // Children hold a plain pointer to this list: they must not outlive it
  // as working objects.
  for (const auto& c : items_) c->MarkDeleted();
}

template <class Child>
std::int32_t UIList<Child>::IndexOf(const Child& child) const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].get() == &child) return static_cast<std::int32_t>(i);
  }
  return -1;
}

template <class Child>
Child& UIList<Child>::At(std::int32_t index) const {
  if (index < 0 || index >= Count()) BadParameter();
  return *items_[static_cast<std::size_t>(index)];
}

template <class Child>
Child& UIList<Child>::Insert(std::int32_t position) {
  if (position < 0) position = Count();
  if (position > Count()) BadParameter();
  auto child = MakeRef<Child>(static_cast<typename Child::List&>(*this));
  items_.insert(items_.begin() + position, child);
  return *child;
}

template <class Child>
void UIList<Child>::Remove(Child& child) {
  const std::int32_t i = IndexOf(child);
  if (i < 0) return;
  const Ref<Child> keep(&child);
  items_.erase(items_.begin() + i);
  child.MarkDeleted();
}

template <class Child>
void UIList<Child>::CopyItemsFrom(const UIList& other) {
  for (const auto& c : other.items_) Insert().CopyFrom(*c);
}

template <class Child>
void UIList<Child>::Clear() {
  const std::vector<Ref<Child>> gone = std::move(items_);
  items_.clear();
  for (const auto& c : gone) c->MarkDeleted();
}

template <class Child>
void UIList<Child>::MarkDeleted() {
  VisioObject::MarkDeleted();
  for (const auto& c : items_) c->MarkDeleted();
}

template <class Child>
std::vector<const UIElement*> UIList<Child>::Parts() const {
  std::vector<const UIElement*> out;
  for (const auto& c : items_) out.push_back(c.get());
  return out;
}

template <class Child>
UIElement* UIList<Child>::OpenPart(std::string_view interfaceName) {
  Child& child = Insert();
  if (child.Members().InterfaceName() == interfaceName) return &child;
  Remove(child);
  return nullptr;
}

template <class Child>
std::vector<Variant> UIList<Child>::ItemVariants() const {
  std::vector<Variant> out;
  for (const auto& c : items_) out.emplace_back(c);
  return out;
}

// ---- UISetList ----

template <class Child>
Child* UISetList<Child>::FindSet(std::int32_t setId) const {
  for (const auto& c : this->Items()) {
    if (c->SetID() == setId) return c.get();
  }
  return nullptr;
}

template <class Child>
Child& UISetList<Child>::AtId(std::int32_t setId) const {
  Child* found = FindSet(setId);
  if (!found) BadParameter();
  return *found;
}

template <class Child>
Child& UISetList<Child>::AddAtId(std::int32_t setId) {
  if (setId <= 0 || FindSet(setId)) BadParameter();
  Child& child = this->Insert();
  child.SetSetID(setId);
  return child;
}

template <class Child>
Child& UISetList<Child>::AddNew() {
  std::int32_t top = 0;
  for (const auto& c : this->Items()) top = std::max(top, c->SetID());
  return AddAtId(top + 1);
}

// ---- Shared member rows ----

namespace {

// Count, Item, Parent and _NewEnum of a 0-based collection.
template <class L>
void ListMembers(MemberTableBuilder<L>& b) {
  using Child = typename L::ChildType;
  b.Get("Count", [](L& l) { return I4(l.Count()); })
      .Get("Item",
           [](L& l, Args a) {
             CheckArgCount(a, 1, 1);
             return Variant(Ref<Child>(&l.At(ArgI4(a, 0))));
           })
      .Get("Parent", [](L& l) { return Variant(Ref<VisioObject>(l.holder())); })
      .Get("_NewEnum",
           [](L& l) { return Variant::Unknown(MakeEnumerator(l.session(), l.ItemVariants())); });
}

// Add and AddAt of a collection of items.
template <class L>
void AddMembers(MemberTableBuilder<L>& b) {
  using Child = typename L::ChildType;
  b.Method("Add", [](L& l) { return Ref<Child>(&l.Insert()); }).Method("AddAt", [](L& l, Args a) {
    CheckArgCount(a, 1, 1);
    const std::int32_t at = ArgI4(a, 0);
    if (at < 0) BadParameter();
    return Variant(Ref<Child>(&l.Insert(at)));
  });
}

// ItemAtID, Add and AddAtID of a collection of sets.
template <class L>
void SetListMembers(MemberTableBuilder<L>& b) {
  using Child = typename L::ChildType;
  b.Get("ItemAtID",
        [](L& l, Args a) {
          CheckArgCount(a, 1, 1);
          return Variant(Ref<Child>(&l.AtId(ArgI4(a, 0))));
        })
      .Method("Add", [](L& l) { return Ref<Child>(&l.AddNew()); })
      .Method("AddAtID", [](L& l, Args a) {
        CheckArgCount(a, 1, 1);
        return Variant(Ref<Child>(&l.AddAtId(ArgI4(a, 0))));
      });
}

// Parent, Index and Delete of an object in a 0-based collection.
template <class T>
void PlaceMembers(MemberTableBuilder<T>& b, bool withIndex) {
  using List = typename T::List;
  b.Get("Parent", [](T& t) { return Ref<List>(&t.list()); }).Method("Delete", [](T& t) {
    t.list().Remove(t);
  });
  if (withIndex) b.Get("Index", [](T& t) { return I4(t.list().IndexOf(t)); });
}

// A set: Caption, Default, SetID (and Parent, Delete).
template <class T>
void SetMembers(MemberTableBuilder<T>& b) {
  PlaceMembers(b, false);
  b.Stored("Caption", Variant(""), true)
      .Stored("Default", Variant(""), false)  // the shipped caption, as for controls
      .Get("SetID", [](T& t) { return I4(t.SetID()); });
}

// A bar's placement, as MenuSet and Toolbar keep it.
template <class T>
void BarMembers(MemberTableBuilder<T>& b) {
  b.Stored("Enabled", VisBool(true), true)
      .Stored("Height", I2(0), true)
      .Stored("Left", I2(0), true)
      .Stored("Position", I2(0), true)  // visBarTop
      .Stored("Protection", I2(0), true)
      .Stored("RowIndex", I2(0), true)
      .Stored("Top", I2(0), true)
      .Stored("Visible", VisBool(true), true)
      .Stored("Width", I2(0), true);
}

// What menu items, toolbar items and status bar items share.
template <class T>
void ControlMembers(MemberTableBuilder<T>& b) {
  PlaceMembers(b, true);
  b.Stored("ActionText", Variant(""), true)
      .Stored("AddOnArgs", Variant(""), true)
      .Stored("AddOnName", Variant(""), true)
      .Stored("BeginGroup", VisBool(false), true)
      .Stored("BuiltIn", VisBool(false), false)
      .Stored("Caption", Variant(""), true)
      .Stored("CmdNum", I2(0), true)
      .Stored("CntrlType", I2(visCtrlTypeBUTTON), true)
      // The caption Visio shipped the control with; empty for added ones.
      .Stored("Default", Variant(""), false)
      .Stored("Enabled", VisBool(true), true)
      .Stored("FaceID", I2(0), true)
      .Stored("HelpContextID", I2(0), true)
      .Stored("HelpFile", Variant(""), true)
      .Method("IconFileName",
              [](T& t, Args a) {
                CheckArgCount(a, 1, 1);
                const std::string path = ArgStr(a, 0);
                std::error_code ec;
                if (!std::filesystem::is_regular_file(FilePath(path), ec)) {
                  ThrowVisio(VisioErrorKind::FileNotFound);
                }
                t.SetIconFile(path);
                return Variant();
              })
      .Stored("PaletteWidth", I2(0), true)
      .Stored("State", I2(0), true)
      .Stored("Style", I2(0), true)
      .Stored("TypeSpecific1", I2(0), true)
      .Stored("TypeSpecific2", I2(0), true)
      .Stored("Visible", VisBool(true), true)
      .Stored("Width", I2(0), true);
}

// What toolbar items and status bar items add.
template <class T>
void BarControlMembers(MemberTableBuilder<T>& b) {
  ControlMembers(b);
  b.Stored("CntrlID", I2(0), true)
      .Stored("Priority", I2(1), true)
      .Stored("Spacing", I2(visCtrlSpacingNONE), true);
}

}  // namespace

// ---- The collections' table ----

template <class Child>
const MemberTable& UIList<Child>::Members() const {
  using L = typename Child::List;
  static const auto table = [] {
    MemberTableBuilder<L> b(std::string(L::kInterfaceName), Guid{});
    ListMembers(b);
    if constexpr (std::is_base_of_v<UISetList<Child>, L>) {
      SetListMembers(b);
    } else {
      AddMembers(b);
    }
    return b.Build();
  }();
  return *table;
}

// ---- UIControl ----

void UIControl::SetBuiltIn(const std::string& caption, std::int16_t cmdNum) {
  SetStoredValue("Caption", Variant(caption));
  SetStoredValue("Default", Variant(caption));
  SetStoredValue("ActionText", Variant(PlainText(caption)));
  SetStoredValue("CmdNum", Variant(cmdNum));
  SetStoredValue("BuiltIn", VisBool(true));
}

// ---- MenuItem / MenuItems ----

// ---- UIHolder ----

template <class InList, class Children>
UIHolder<InList, Children>::UIHolder(List& list) : UIElement(list.session(), &list) {
  // Item lists are also the drop-downs of items, so they are made with
  // their session; the other lists know it from their owner.
  if constexpr (std::is_constructible_v<Children, SessionPtr, VisioObject&>) {
    children_ = MakeRef<Children>(session(), *this);
  } else {
    children_ = MakeRef<Children>(static_cast<typename Children::Owner&>(*this));
  }
}

template <class InList, class Children>
UIHolder<InList, Children>::~UIHolder() {
  children_->MarkDeleted();
}

template <class InList, class Children>
void UIHolder<InList, Children>::MarkDeleted() {
  VisioObject::MarkDeleted();
  children_->MarkDeleted();
}

template <class InList, class Children>
InList& UIHolder<InList, Children>::list() const {
  return static_cast<InList&>(*holder());
}

template <class InList, class Children>
void UIHolder<InList, Children>::CopyFrom(const UIHolder& other) {
  CopyStoredFrom(other);
  children_->CopyItemsFrom(*other.children_);
}

template <class InList, class Children>
std::vector<const UIElement*> UIHolder<InList, Children>::Parts() const {
  return {children_.get()};
}

template <class InList, class Children>
UIElement* UIHolder<InList, Children>::OpenPart(std::string_view interfaceName) {
  return interfaceName == Children::kInterfaceName ? children_.get() : nullptr;
}

template class UIHolder<Menus, MenuItems>;
template class UIHolder<Toolbars, ToolbarItems>;
template class UIHolder<MenuSets, Menus>;
template class UIHolder<ToolbarSets, Toolbars>;
template class UIHolder<StatusBars, StatusBarItems>;
template class UIHolder<AccelTables, AccelItems>;

// ---- UISet ----

template <class Sets, class Children>
void UISet<Sets, Children>::CopyFrom(const UISet& other) {
  UIHolder<Sets, Children>::CopyFrom(other);
  setId_ = other.setId_;
}

template <class Sets, class Children>
std::vector<std::pair<std::string, std::string>> UISet<Sets, Children>::Fields() const {
  return {{"SetID", std::to_string(setId_)}};
}

template <class Sets, class Children>
bool UISet<Sets, Children>::LoadField(std::string_view name, const std::string& value) {
  if (name != "SetID") return false;
  setId_ = Variant(value).ToInt32();
  return true;
}

template class UISet<MenuSets, Menus>;
template class UISet<ToolbarSets, Toolbars>;
template class UISet<StatusBars, StatusBarItems>;
template class UISet<AccelTables, AccelItems>;

// ---- NestedControl ----

template <class Items>
NestedControl<Items>::NestedControl(Items& list) : UIControl(list.session(), &list) {}

template <class Items>
NestedControl<Items>::~NestedControl() {
  if (subItems_) subItems_->MarkDeleted();
}

template <class Items>
void NestedControl<Items>::MarkDeleted() {
  VisioObject::MarkDeleted();
  if (subItems_) subItems_->MarkDeleted();
}

template <class Items>
Items& NestedControl<Items>::list() const {
  return static_cast<Items&>(*holder());
}

template <class Items>
Items& NestedControl<Items>::SubItems() {
  if (!subItems_) subItems_ = MakeRef<Items>(session(), *this);
  return *subItems_;
}

template <class Items>
bool NestedControl<Items>::HasSubItems() const {
  return subItems_ && subItems_->Count() > 0;
}

template <class Items>
void NestedControl<Items>::CopyFrom(const NestedControl& other) {
  CopyStoredFrom(other);
  SetIconFile(other.IconFile());
  if (other.HasSubItems()) SubItems().CopyItemsFrom(*other.subItems_);
}

template <class Items>
std::vector<const UIElement*> NestedControl<Items>::Parts() const {
  if (HasSubItems()) return {subItems_.get()};
  return {};
}

template <class Items>
UIElement* NestedControl<Items>::OpenPart(std::string_view interfaceName) {
  return interfaceName == Items::kInterfaceName ? &SubItems() : nullptr;
}

template class NestedControl<MenuItems>;
template class NestedControl<ToolbarItems>;
template class NestedControl<StatusBarItems>;

MenuItem::MenuItem(MenuItems& list) : NestedControl(list) {}

const MemberTable& MenuItem::Members() const {
  static const auto table = [] {
    MemberTableBuilder<MenuItem> b("IVMenuItem", Guid{});
    ControlMembers(b);
    b.Get("IsHierarchical",
          [](MenuItem& m) { return VisBool(m.CmdNum() == visCmdHierarchical || m.HasSubItems()); })
        .Get("IsSeparator",
             [](MenuItem& m) {
               return VisBool(m.Caption().empty() && m.CmdNum() == 0 && !m.HasSubItems());
             })
        .Get("MenuItems", [](MenuItem& m) { return Ref<MenuItems>(&m.SubItems()); })
        .Stored("MiniHelp", Variant(""), true);
    return b.Build();
  }();
  return *table;
}

// ---- Menu / Menus ----

Menu::Menu(Menus& list) : UIHolder(list) {}

const MemberTable& Menu::Members() const {
  static const auto table = [] {
    MemberTableBuilder<Menu> b("IVMenu", Guid{});
    PlaceMembers(b, true);
    b.Stored("Caption", Variant(""), true)
        .Stored("Default", Variant(""), false)
        .Stored("Enabled", VisBool(true), true)
        .Stored("MDIWindowMenu", VisBool(false), true)
        .Get("MenuItems", [](Menu& m) { return Ref<MenuItems>(&m.Items()); })
        .Stored("Visible", VisBool(true), true);
    return b.Build();
  }();
  return *table;
}

Menus::Menus(MenuSet& owner) : UIList(owner.session(), owner) {}

// ---- MenuSet / MenuSets ----

MenuSet::MenuSet(MenuSets& list) : UISet(list) {}

const MemberTable& MenuSet::Members() const {
  static const auto table = [] {
    MemberTableBuilder<MenuSet> b("IVMenuSet", Guid{});
    SetMembers(b);
    BarMembers(b);
    b.Get("Menus", [](MenuSet& s) { return Ref<Menus>(&s.MenusOf()); });
    return b.Build();
  }();
  return *table;
}

MenuSets::MenuSets(UIObject& owner) : UISetList(owner.session(), owner) {}

// ---- ToolbarItem / ToolbarItems ----

ToolbarItem::ToolbarItem(ToolbarItems& list) : NestedControl(list) {}

const MemberTable& ToolbarItem::Members() const {
  static const auto table = [] {
    MemberTableBuilder<ToolbarItem> b("IVToolbarItem", Guid{});
    BarControlMembers(b);
    b.Get("ToolbarItems", [](ToolbarItem& t) { return Ref<ToolbarItems>(&t.SubItems()); });
    return b.Build();
  }();
  return *table;
}

// ---- Toolbar / Toolbars ----

Toolbar::Toolbar(Toolbars& list) : UIHolder(list) {}

const MemberTable& Toolbar::Members() const {
  static const auto table = [] {
    MemberTableBuilder<Toolbar> b("IVToolbar", Guid{});
    PlaceMembers(b, true);
    BarMembers(b);
    b.Stored("Caption", Variant(""), true)
        .Stored("Default", Variant(""), false)
        .Get("ToolbarItems", [](Toolbar& t) { return Ref<ToolbarItems>(&t.Items()); });
    return b.Build();
  }();
  return *table;
}

Toolbars::Toolbars(ToolbarSet& owner) : UIList(owner.session(), owner) {}

// ---- ToolbarSet / ToolbarSets ----

ToolbarSet::ToolbarSet(ToolbarSets& list) : UISet(list) {}

const MemberTable& ToolbarSet::Members() const {
  static const auto table = [] {
    MemberTableBuilder<ToolbarSet> b("IVToolbarSet", Guid{});
    SetMembers(b);
    b.Get("Toolbars", [](ToolbarSet& s) { return Ref<Toolbars>(&s.ToolbarsOf()); });
    return b.Build();
  }();
  return *table;
}

ToolbarSets::ToolbarSets(UIObject& owner) : UISetList(owner.session(), owner) {}

// ---- StatusBarItem / StatusBarItems ----

StatusBarItem::StatusBarItem(StatusBarItems& list) : NestedControl(list) {}

const MemberTable& StatusBarItem::Members() const {
  static const auto table = [] {
    MemberTableBuilder<StatusBarItem> b("IVStatusBarItem", Guid{});
    BarControlMembers(b);
    b.Get("StatusBarItems", [](StatusBarItem& s) { return Ref<StatusBarItems>(&s.SubItems()); });
    return b.Build();
  }();
  return *table;
}

// ---- StatusBar / StatusBars ----

StatusBar::StatusBar(StatusBars& list) : UISet(list) {}

const MemberTable& StatusBar::Members() const {
  static const auto table = [] {
    MemberTableBuilder<StatusBar> b("IVStatusBar", Guid{});
    SetMembers(b);
    b.Get("StatusBarItems", [](StatusBar& s) { return Ref<StatusBarItems>(&s.Items()); });
    return b.Build();
  }();
  return *table;
}

StatusBars::StatusBars(UIObject& owner) : UISetList(owner.session(), owner) {}

// ---- AccelItem / AccelItems ----

AccelItem::AccelItem(AccelItems& list) : UIElement(list.session(), &list) {}

AccelItems& AccelItem::list() const {
  return static_cast<AccelItems&>(*holder());
}

void AccelItem::SetBuiltIn(std::int16_t key, bool alt, bool control, bool shift,
                           std::int16_t cmdNum) {
  SetStoredValue("Key", Variant(key));
  SetStoredValue("Alt", VisBool(alt));
  SetStoredValue("Control", VisBool(control));
  SetStoredValue("Shift", VisBool(shift));
  SetStoredValue("CmdNum", Variant(cmdNum));
  SetStoredValue("Default", VisBool(true));
}

const MemberTable& AccelItem::Members() const {
  static const auto table = [] {
    MemberTableBuilder<AccelItem> b("IVAccelItem", Guid{});
    PlaceMembers(b, false);
    b.Stored("AddOnArgs", Variant(""), true)
        .Stored("AddOnName", Variant(""), true)
        .Stored("Alt", VisBool(false), true)
        .Stored("CmdNum", I2(0), true)
        .Stored("Control", VisBool(false), true)
        // True for the accelerators Visio ships, false for added ones.
        .Stored("Default", VisBool(false), false)
        .Stored("Key", I2(0), true)
        .Stored("Shift", VisBool(false), true);
    return b.Build();
  }();
  return *table;
}

AccelItems::AccelItems(AccelTable& owner) : UIList(owner.session(), owner) {}

const MemberTable& AccelItems::Members() const {
  static const auto table = [] {
    MemberTableBuilder<AccelItems> b("IVAccelItems", Guid{});
    ListMembers(b);
    // Accelerators have no order that matters: no AddAt.
    b.Method("Add", [](AccelItems& l) { return Ref<AccelItem>(&l.Insert()); });
    return b.Build();
  }();
  return *table;
}

// ---- AccelTable / AccelTables ----

AccelTable::AccelTable(AccelTables& list) : UISet(list) {}

const MemberTable& AccelTable::Members() const {
  static const auto table = [] {
    MemberTableBuilder<AccelTable> b("IVAccelTable", Guid{});
    PlaceMembers(b, false);
    b.Get("AccelItems", [](AccelTable& t) { return Ref<AccelItems>(&t.Items()); })
        .Stored("Default", Variant(""), false)
        .Get("SetID", [](AccelTable& t) { return I4(t.SetID()); })
        .Stored("TableName", Variant(""), true);
    return b.Build();
  }();
  return *table;
}

AccelTables::AccelTables(UIObject& owner) : UISetList(owner.session(), owner) {}

// ---- UIObject ----

UIObject::UIObject(SessionPtr session)
    : UIElement(std::move(session), nullptr),
      menuSets_(MakeRef<MenuSets>(*this)),
      toolbarSets_(MakeRef<ToolbarSets>(*this)),
      statusBars_(MakeRef<StatusBars>(*this)),
      accelTables_(MakeRef<AccelTables>(*this)) {}

UIObject::~UIObject() {
  UIObject::MarkDeleted();
}

void UIObject::MarkDeleted() {
  VisioObject::MarkDeleted();
  menuSets_->MarkDeleted();
  toolbarSets_->MarkDeleted();
  statusBars_->MarkDeleted();
  accelTables_->MarkDeleted();
}

void UIObject::SetFlavor(std::int16_t flavor) {
  if (flavor != visToolBarMSOffice && flavor != visToolBarLotusSS) BadParameter();
  flavor_ = flavor;
}

Ref<UIObject> UIObject::Copy() const {
  auto copy = MakeRef<UIObject>(session());
  copy->CopyContentsFrom(*this);
  return copy;
}

void UIObject::CopyContentsFrom(const UIObject& other) {
  CopyStoredFrom(other);
  flavor_ = other.flavor_;
  menuSets_->CopyItemsFrom(*other.menuSets_);
  toolbarSets_->CopyItemsFrom(*other.toolbarSets_);
  statusBars_->CopyItemsFrom(*other.statusBars_);
  accelTables_->CopyItemsFrom(*other.accelTables_);
}

std::vector<const UIElement*> UIObject::Parts() const {
  return {menuSets_.get(), toolbarSets_.get(), statusBars_.get(), accelTables_.get()};
}

UIElement* UIObject::OpenPart(std::string_view interfaceName) {
  for (UIElement* part : std::initializer_list<UIElement*>{menuSets_.get(), toolbarSets_.get(),
                                                           statusBars_.get(), accelTables_.get()}) {
    if (part->Members().InterfaceName() == interfaceName) return part;
  }
  return nullptr;
}

std::vector<std::pair<std::string, std::string>> UIObject::Fields() const {
  return {{"Flavor", std::to_string(flavor_)}};
}

bool UIObject::LoadField(std::string_view name, const std::string& value) {
  if (name != "Flavor") return false;
  SetFlavor(Variant(value).ToInt16());
  return true;
}

void UIObject::SaveTo(const std::string& path) const {
  std::ofstream out(FilePath(path), std::ios::binary | std::ios::trunc);
  if (!out) ThrowVisio(VisioErrorKind::FileNotFound, "Cannot write the file " + path + ".");
  WriteUIText(out, *this);
  if (!out.flush()) ThrowVisio(VisioErrorKind::FileNotFound, "Cannot write the file " + path + ".");
}

void UIObject::LoadFrom(const std::string& path) {
  std::ifstream in(FilePath(path), std::ios::binary);
  if (!in) ThrowVisio(VisioErrorKind::FileNotFound);
  // Read into a scratch object first, so that a bad file changes nothing.
  auto loaded = MakeRef<UIObject>(session());
  ReadUIText(in, path, *loaded);
  menuSets_->Clear();
  toolbarSets_->Clear();
  statusBars_->Clear();
  accelTables_->Clear();
  CopyContentsFrom(*loaded);
}

const MemberTable& UIObject::Members() const {
  static const auto table =
      MemberTableBuilder<UIObject>("IVUIObject", Guid{})
          .Get("AccelTables", [](UIObject& u) { return Ref<AccelTables>(&u.AccelTablesOf()); })
          .Method("Clone", [](UIObject& u) { return u.Copy(); })
          .Stored("Default", Variant(""), false)
          .Stored("DisplayKeysInTooltips", VisBool(false), true)
          .Stored("DisplayTooltips", VisBool(true), true)
          .Prop(
              "Flavor", [](UIObject& u) { return I2(u.Flavor()); },
              [](UIObject& u, const Variant& v) { u.SetFlavor(v.ToInt16()); })
          .Stored("LargeButtons", VisBool(false), true)
          .Method("LoadFromFile",
                  [](UIObject& u, Args a) {
                    CheckArgCount(a, 1, 1);
                    u.LoadFrom(ArgStr(a, 0));
                    return Variant();
                  })
          .Stored("MenuAnimationStyle", I2(0), true)
          .Get("MenuSets", [](UIObject& u) { return Ref<MenuSets>(&u.MenuSetsOf()); })
          .Stored("Name", Variant(""), true)
          .Method("SaveToFile",
                  [](UIObject& u, Args a) {
                    CheckArgCount(a, 1, 1);
                    u.SaveTo(ArgStr(a, 0));
                    return Variant();
                  })
          .Get("StatusBars", [](UIObject& u) { return Ref<StatusBars>(&u.StatusBarsOf()); })
          .Get("ToolbarSets", [](UIObject& u) { return Ref<ToolbarSets>(&u.ToolbarSetsOf()); })
          // The stand-in shows no user interface to bring up to date.
          .Method("UpdateUI", [](UIObject&) {})
          .Build();
  return *table;
}

Ref<UIObject> CloneUIObject(const automation::Object& source) {
  const auto* ui = dynamic_cast<const UIObject*>(&source);
  if (!ui) BadParameter();
  if (ui->IsDeleted()) ThrowVisio(VisioErrorKind::ObjectDeleted);
  return ui->Copy();
}

template class UIList<MenuItem>;
template class UIList<Menu>;
template class UIList<MenuSet>;
template class UIList<ToolbarItem>;
template class UIList<Toolbar>;
template class UIList<ToolbarSet>;
template class UIList<StatusBarItem>;
template class UIList<StatusBar>;
template class UIList<AccelItem>;
template class UIList<AccelTable>;
template class UISetList<MenuSet>;
template class UISetList<ToolbarSet>;
template class UISetList<StatusBar>;
template class UISetList<AccelTable>;

}  // namespace standin
