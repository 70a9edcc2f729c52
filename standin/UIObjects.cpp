#include "standin/UIObjects.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace standin {

using automation::AutomationError;

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
                if (!std::filesystem::is_regular_file(path, ec)) {
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

std::vector<std::pair<std::string, std::string>> SetIdField(std::int32_t id) {
  return {{"SetID", std::to_string(id)}};
}

bool LoadSetId(std::string_view name, const std::string& value, std::int32_t& id) {
  if (name != "SetID") return false;
  id = Variant(value).ToInt32();
  return true;
}

}  // namespace

// ---- UIControl ----

void UIControl::SetBuiltIn(const std::string& caption, std::int16_t cmdNum) {
  SetStoredValue("Caption", Variant(caption));
  SetStoredValue("Default", Variant(caption));
  SetStoredValue("ActionText", Variant(PlainText(caption)));
  SetStoredValue("CmdNum", Variant(cmdNum));
  SetStoredValue("BuiltIn", VisBool(true));
}

// ---- MenuItem / MenuItems ----

// ---- UISet ----

template <class Sets, class Children>
UISet<Sets, Children>::UISet(Sets& list) : UIElement(list.session(), &list) {
  // Item lists are also the drop-downs of items, so they are made with
  // their session; the other lists know it from their owner.
  if constexpr (std::is_constructible_v<Children, SessionPtr, VisioObject&>) {
    children_ = MakeRef<Children>(session(), *this);
  } else {
    children_ = MakeRef<Children>(static_cast<typename Children::Owner&>(*this));
  }
}

template <class Sets, class Children>
UISet<Sets, Children>::~UISet() {
  children_->MarkDeleted();
}

template <class Sets, class Children>
void UISet<Sets, Children>::MarkDeleted() {
  VisioObject::MarkDeleted();
  children_->MarkDeleted();
}

template <class Sets, class Children>
Sets& UISet<Sets, Children>::list() const {
  return static_cast<Sets&>(*holder());
}

template <class Sets, class Children>
void UISet<Sets, Children>::CopySetFrom(const UISet& other) {
  CopyStoredFrom(other);
  setId_ = other.setId_;
  children_->CopyItemsFrom(*other.children_);
}

template <class Sets, class Children>
std::vector<const UIElement*> UISet<Sets, Children>::Parts() const {
  return {children_.get()};
}

template <class Sets, class Children>
UIElement* UISet<Sets, Children>::OpenPart(std::string_view interfaceName) {
  return interfaceName == Children::kInterfaceName ? children_.get() : nullptr;
}

template <class Sets, class Children>
std::vector<std::pair<std::string, std::string>> UISet<Sets, Children>::Fields() const {
  return SetIdField(setId_);
}

template <class Sets, class Children>
bool UISet<Sets, Children>::LoadField(std::string_view name, const std::string& value) {
  return LoadSetId(name, value, setId_);
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
void NestedControl<Items>::CopyNestedFrom(const NestedControl& other) {
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

const MemberTable& MenuItems::Members() const {
  static const auto table = [] {
    MemberTableBuilder<MenuItems> b("IVMenuItems", Guid{});
    ListMembers(b);
    AddMembers(b);
    return b.Build();
  }();
  return *table;
}

// ---- Menu / Menus ----

Menu::Menu(Menus& list)
    : UIElement(list.session(), &list), items_(MakeRef<MenuItems>(session(), *this)) {}

Menu::~Menu() {
  items_->MarkDeleted();
}

Menus& Menu::list() const {
  return static_cast<Menus&>(*holder());
}

void Menu::MarkDeleted() {
  VisioObject::MarkDeleted();
  items_->MarkDeleted();
}

void Menu::CopyFrom(const Menu& other) {
  CopyStoredFrom(other);
  items_->CopyItemsFrom(*other.items_);
}

std::vector<const UIElement*> Menu::Parts() const {
  return {items_.get()};
}

UIElement* Menu::OpenPart(std::string_view interfaceName) {
  return interfaceName == "IVMenuItems" ? items_.get() : nullptr;
}

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

const MemberTable& Menus::Members() const {
  static const auto table = [] {
    MemberTableBuilder<Menus> b("IVMenus", Guid{});
    ListMembers(b);
    AddMembers(b);
    return b.Build();
  }();
  return *table;
}

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

const MemberTable& MenuSets::Members() const {
  static const auto table = [] {
    MemberTableBuilder<MenuSets> b("IVMenuSets", Guid{});
    ListMembers(b);
    SetListMembers(b);
    return b.Build();
  }();
  return *table;
}

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

const MemberTable& ToolbarItems::Members() const {
  static const auto table = [] {
    MemberTableBuilder<ToolbarItems> b("IVToolbarItems", Guid{});
    ListMembers(b);
    AddMembers(b);
    return b.Build();
  }();
  return *table;
}

// ---- Toolbar / Toolbars ----

Toolbar::Toolbar(Toolbars& list)
    : UIElement(list.session(), &list), items_(MakeRef<ToolbarItems>(session(), *this)) {}

Toolbar::~Toolbar() {
  items_->MarkDeleted();
}

Toolbars& Toolbar::list() const {
  return static_cast<Toolbars&>(*holder());
}

void Toolbar::MarkDeleted() {
  VisioObject::MarkDeleted();
  items_->MarkDeleted();
}

void Toolbar::CopyFrom(const Toolbar& other) {
  CopyStoredFrom(other);
  items_->CopyItemsFrom(*other.items_);
}

std::vector<const UIElement*> Toolbar::Parts() const {
  return {items_.get()};
}

UIElement* Toolbar::OpenPart(std::string_view interfaceName) {
  return interfaceName == "IVToolbarItems" ? items_.get() : nullptr;
}

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

const MemberTable& Toolbars::Members() const {
  static const auto table = [] {
    MemberTableBuilder<Toolbars> b("IVToolbars", Guid{});
    ListMembers(b);
    AddMembers(b);
    return b.Build();
  }();
  return *table;
}

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

const MemberTable& ToolbarSets::Members() const {
  static const auto table = [] {
    MemberTableBuilder<ToolbarSets> b("IVToolbarSets", Guid{});
    ListMembers(b);
    SetListMembers(b);
    return b.Build();
  }();
  return *table;
}

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

const MemberTable& StatusBarItems::Members() const {
  static const auto table = [] {
    MemberTableBuilder<StatusBarItems> b("IVStatusBarItems", Guid{});
    ListMembers(b);
    AddMembers(b);
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

const MemberTable& StatusBars::Members() const {
  static const auto table = [] {
    MemberTableBuilder<StatusBars> b("IVStatusBars", Guid{});
    ListMembers(b);
    SetListMembers(b);
    return b.Build();
  }();
  return *table;
}

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

const MemberTable& AccelTables::Members() const {
  static const auto table = [] {
    MemberTableBuilder<AccelTables> b("IVAccelTables", Guid{});
    ListMembers(b);
    SetListMembers(b);
    return b.Build();
  }();
  return *table;
}

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

// ---- The file form ----
//
// One value a line, "name<TAB>value", values with backslash escapes; an
// object starts with "{" and its interface name and ends with "}". The
// first line names the form.

namespace {

constexpr const char* kFileHeader = "Visio UI objects, text form 1";

std::string Escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
  return out;
}

bool Unescape(const std::string& s, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\') {
      out += s[i];
      continue;
    }
    if (++i == s.size()) return false;
    switch (s[i]) {
      case '\\':
        out += '\\';
        break;
      case 't':
        out += '\t';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      default:
        return false;
    }
  }
  return true;
}

void Write(std::ostream& os, const UIElement& e) {
  os << '{' << e.Members().InterfaceName() << '\n';
  for (const auto& [name, value] : e.Fields()) os << name << '\t' << Escape(value) << '\n';
  for (const auto& m : e.Members().Members()) {
    if (m.stored) os << m.name << '\t' << Escape(e.StoredValue(m.name).ToString()) << '\n';
  }
  for (const UIElement* part : e.Parts()) Write(os, *part);
  os << "}\n";
}

[[noreturn]] void BadFile(const std::string& path, std::size_t line, const std::string& why) {
  ThrowVisio(VisioErrorKind::InvalidParameter, "The file " + path +
                                                   " is not a menu and toolbar file (line " +
                                                   std::to_string(line) + ": " + why + ").");
}

void Read(std::istream& in, const std::string& path, UIObject& root) {
  std::string line;
  std::size_t number = 1;
  if (!std::getline(in, line) || line != kFileHeader) BadFile(path, number, "unknown form");
  std::vector<UIElement*> open;
  bool done = false;
  while (std::getline(in, line)) {
    ++number;
    if (done) {
      if (!line.empty()) BadFile(path, number, "text after the end");
      continue;
    }
    if (line.starts_with('{')) {
      const std::string name = line.substr(1);
      UIElement* next = nullptr;
      if (open.empty()) {
        if (name == "IVUIObject") next = &root;
      } else {
        next = open.back()->OpenPart(name);
      }
      if (!next) BadFile(path, number, "unexpected " + name);
      open.push_back(next);
      continue;
    }
    if (line == "}") {
      if (open.empty()) BadFile(path, number, "unbalanced }");
      open.pop_back();
      done = open.empty();
      continue;
    }
    const std::size_t tab = line.find('\t');
    std::string value;
    if (open.empty() || tab == std::string::npos || !Unescape(line.substr(tab + 1), value)) {
      BadFile(path, number, "not a value");
    }
    const std::string name = line.substr(0, tab);
    UIElement& target = *open.back();
    bool special = false;
    try {
      special = target.LoadField(name, value);
    } catch (const AutomationError&) {
      BadFile(path, number, "bad value for " + name);
    }
    if (special) continue;
    const MemberTable::Member* m = target.Members().Find(name);
    if (!m || !m->stored) BadFile(path, number, "unknown value " + name);
    Variant converted;
    try {
      converted = Variant(value).ChangeType(m->initial.type());
    } catch (const AutomationError&) {
      BadFile(path, number, "bad value for " + name);
    }
    target.SetStoredValue(m->name, std::move(converted));
  }
  if (!done) BadFile(path, number, "unexpected end");
}

}  // namespace

void UIObject::SaveTo(const std::string& path) const {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) ThrowVisio(VisioErrorKind::FileNotFound, "Cannot write the file " + path + ".");
  out << kFileHeader << '\n';
  Write(out, *this);
  if (!out.flush()) ThrowVisio(VisioErrorKind::FileNotFound, "Cannot write the file " + path + ".");
}

void UIObject::LoadFrom(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) ThrowVisio(VisioErrorKind::FileNotFound);
  // Read into a scratch object first, so that a bad file changes nothing.
  auto loaded = MakeRef<UIObject>(session());
  Read(in, path, *loaded);
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

// ---- The built-in interface ----

namespace {

// A menu item: a caption starting with '>' is an item of the submenu of
// the item before it; an empty caption with command 0 is a separator.
struct ItemDef {
  const char* caption;
  std::int16_t cmd;
};

struct MenuDef {
  const char* caption;
  std::vector<ItemDef> items;
  bool windowMenu = false;
};

struct MenuSetDef {
  std::int16_t id;
  const char* caption;
  std::vector<MenuDef> menus;
};

constexpr ItemDef kSeparator{"", 0};

MenuDef HelpMenu() {
  return {"&Help",
          {{"Microsoft Visio &Help", 1092},
           {"&Developer Reference", 1584},
           {"What's &This?", 1386},
           kSeparator,
           {"&About Microsoft Visio", 1100}}};
}

MenuDef WindowMenu() {
  return {"&Window",
          {{"&New Window", 1085},
           {"&Cascade", 1086},
           {"&Tile", 1087},
           kSeparator,
           {"Show Shape&Sheet", 1088}},
          true};
}

MenuDef ToolsMenuShort() {
  return {
      "&Tools",
      {{"&Macros...", 1577}, {"&Visual Basic Editor", 1576}, kSeparator, {"&Options...", 1081}}};
}

std::vector<MenuSetDef> MenuSetDefs() {
  const MenuDef drawingFile{"&File",
                            {{"&New", 1001},
                             {"&Open...", 1002},
                             {"Open &Stencil...", 1442},
                             {"&Close", 1003},
                             kSeparator,
                             {"&Save", 1004},
                             {"Save &As...", 1005},
                             {"Save &Workspace...", 1006},
                             kSeparator,
                             {"Propert&ies...", 1009},
                             kSeparator,
                             {"Page Set&up...", 1076},
                             {"Print Pre&view", 1490},
                             {"&Print...", 1010},
                             kSeparator,
                             {"Sen&d To", visCmdHierarchical},
                             {">&Mail Recipient...", 1292},
                             {">&Routing Recipient...", 1588},
                             {">&Exchange Folder...", 1589},
                             kSeparator,
                             {"E&xit", 1016}}};
  const MenuDef drawingEdit{"&Edit",
                            {{"&Undo", 1017},
                             {"&Redo", 1018},
                             kSeparator,
                             {"Cu&t", 1020},
                             {"&Copy", 1021},
                             {"&Paste", 1022},
                             {"Paste &Special...", 1027},
                             {"Paste as &Hyperlink", 1620},
                             kSeparator,
                             {"Cl&ear", 1023},
                             {"D&uplicate", 1024},
                             {"Select &All", 1025},
                             {"Select by &Type...", 1026},
                             kSeparator,
                             {"&Find...", 1043},
                             {"R&eplace...", 1179},
                             kSeparator,
                             {"Lin&ks...", 1030}}};
  const MenuDef drawingView{"&View",
                            {{"&Whole Page", 1033},
                             {"&Zoom", visCmdHierarchical},
                             {">&50%", 1279},
                             {">&75%", 1034},
                             {">&100%", 1035},
                             {">15&0%", 1036},
                             {">&200%", 1037},
                             {">&400%", 1280},
                             {">&Last Zoom", 1495},
                             kSeparator,
                             {"&Rulers", 1039},
                             {"&Grid", 1040},
                             {"G&uides", 1041},
                             {"Connection &Points", 1042},
                             {"Page &Breaks", 1509},
                             kSeparator,
                             {"&Toolbars...", 1500},
                             {"&Status Bar", 1044},
                             {"&Full Screen", 1492}}};
  const MenuDef drawingInsert{"&Insert",
                              {{"New &Page...", 1078},
                               kSeparator,
                               {"&Object...", 1031},
                               {"&Field...", 1032},
                               {"&Control...", 1522},
                               {"&Hyperlinks...", 1585}}};
  const MenuDef drawingFormat{"F&ormat",
                              {{"&Text...", 1067},
                               {"&Line...", 1065},
                               {"&Fill...", 1066},
                               {"S&hadow...", 1333},
                               {"&Corner Rounding...", 1334},
                               kSeparator,
                               {"St&yle...", 1063},
                               {"&Define Styles...", 1064},
                               kSeparator,
                               {"&Behavior...", 1071},
                               {"&Protection...", 1072},
                               {"Spe&cial...", 1073},
                               {"Double-Clic&k...", 1118}}};
  const MenuDef drawingTools{"&Tools",
                             {{"&Spelling...", 1270},
                              kSeparator,
                              {"Snap && &Glue...", 1084},
                              {"&Ruler && Grid...", 1318},
                              {"&Layer Properties...", 1448},
                              {"La&yout Shapes...", 1574},
                              kSeparator,
                              {"&Macros...", 1577},
                              {"&Visual Basic Editor", 1576},
                              kSeparator,
                              {"Color &Palette...", 1082},
                              {"Protect &Document...", 1083},
                              {"&Options...", 1081}}};
  const MenuDef drawingShape{"&Shape",
                             {{"&Group", 1051},
                              {"&Ungroup", 1052},
                              {"&Add to Group", 1053},
                              {"&Remove from Group", 1054},
                              {"Con&vert to Group", 1055},
                              kSeparator,
                              {"Bring to &Front", 1046},
                              {"Bring For&ward", 1045},
                              {"Send to &Back", 1048},
                              {"Send Back&ward", 1047},
                              kSeparator,
                              {"Rotate &Left", 1056},
                              {"Rotate R&ight", 1494},
                              {"Flip &Vertical", 1057},
                              {"Flip &Horizontal", 1058},
                              kSeparator,
                              {"&Align Shapes...", 1049},
                              {"&Distribute Shapes...", 1230},
                              {"C&onnect Shapes", 1050},
                              kSeparator,
                              {"O&perations", visCmdHierarchical},
                              {">&Union", 1060},
                              {">&Combine", 1061},
                              {">&Fragment", 1062},
                              {">&Intersect", 1453},
                              {">&Subtract", 1454},
                              {">&Join", 1533},
                              {">&Trim", 1534},
                              {">&Offset...", 1387},
                              {">Fit &Curve...", 1538},
                              {">&Reverse Ends", 1059}}};
  const MenuDef shortEdit{"&Edit",
                          {{"&Undo", 1017},
                           kSeparator,
                           {"Cu&t", 1020},
                           {"&Copy", 1021},
                           {"&Paste", 1022},
                           {"Cl&ear", 1023},
                           {"Select &All", 1025}}};
  const MenuDef shortFile{"&File",
                          {{"&Close", 1003},
                           {"&Save", 1004},
                           {"Save &As...", 1005},
                           kSeparator,
                           {"&Print...", 1010},
                           kSeparator,
                           {"E&xit", 1016}}};

  return {
      {visUIObjSetNoDocument,
       "No Document",
       {{"&File",
         {{"&New", 1001},
          {"&Open...", 1002},
          {"Open &Stencil...", 1442},
          kSeparator,
          {"E&xit", 1016}}},
        ToolsMenuShort(),
        HelpMenu()}},
      {visUIObjSetDrawing,
       "Drawing",
       {drawingFile, drawingEdit, drawingView, drawingInsert, drawingFormat, drawingTools,
        drawingShape, WindowMenu(), HelpMenu()}},
      {visUIObjSetStencil,
       "Stencil",
       {{"&File",
         {{"&New Stencil", 1582},
          {"&Open...", 1002},
          {"&Close", 1003},
          kSeparator,
          {"&Save", 1004},
          {"Save &As...", 1005},
          {"Propert&ies...", 1009},
          kSeparator,
          {"&Print...", 1010},
          kSeparator,
          {"E&xit", 1016}}},
        {"&Edit",
         {{"&Undo", 1017},
          kSeparator,
          {"Cu&t", 1020},
          {"&Copy", 1021},
          {"&Paste", 1022},
          {"Cl&ear", 1023},
          {"D&uplicate", 1024},
          {"Select &All", 1025},
          kSeparator,
          {"Edit &Icon Image", 1101},
          {"Edit &Drawing", 1102}}},
        {"&View",
         {{"Icons &and Names", 1480},
          {"&Icons Only", 1481},
          {"&Names Only", 1482},
          kSeparator,
          {"A&rrange Icons", 1483}}},
        {"&Masters",
         {{"&New Master...", 1104},
          {"Master &Properties...", 1103},
          {"&Image Master...", 1105},
          {"&Clean Up", 1106}}},
        ToolsMenuShort(),
        WindowMenu(),
        HelpMenu()}},
      {visUIObjSetShapeSheet,
       "ShapeSheet",
       {shortFile,
        {"&Edit",
         {{"&Undo", 1017},
          kSeparator,
          {"Cu&t", 1020},
          {"&Copy", 1021},
          {"&Paste", 1022},
          kSeparator,
          {"Paste &Name...", 1110},
          {"Paste &Function...", 1111},
          kSeparator,
          {"C&hange Row Type...", 1114},
          {"&Delete Row", 1115},
          {"Delete &Section", 1117}}},
        {"&View", {{"&Values", 1107}, {"&Formulas", 1108}, kSeparator, {"&Sections...", 1109}}},
        {"&Insert", {{"&Section...", 1116}, {"&Row", 1112}, {"Row &After", 1113}}},
        ToolsMenuShort(),
        WindowMenu(),
        HelpMenu()}},
      {visUIObjSetPrintPreview,
       "Print Preview",
       {{"&File", {{"&Print...", 1010}, {"Page Set&up...", 1076}, kSeparator, {"&Close", 1361}}},
        {"&View",
         {{"&Single Tile", 1512},
          {"&Whole Page", 1033},
          kSeparator,
          {"Zoom &In", 1216},
          {"Zoom &Out", 1217}}},
        HelpMenu()}},
      {visUIObjSetCntx_DrawObjSel,
       "Drawing Object Selected",
       {{"Shape",
         {{"Cu&t", 1020},
          {"&Copy", 1021},
          {"&Paste", 1022},
          kSeparator,
          {"F&ormat", visCmdHierarchical},
          {">&Text...", 1067},
          {">&Line...", 1065},
          {">&Fill...", 1066},
          {"&Shape", visCmdHierarchical},
          {">&Group", 1051},
          {">&Ungroup", 1052},
          {">Bring to &Front", 1046},
          {">Send to &Back", 1048},
          kSeparator,
          {"P&roperties...", 1312},
          {"&Help", 1428}}}}},
      {visUIObjSetCntx_DrawNoObjSel,
       "Drawing No Object Selected",
       {{"Page",
         {{"&Paste", 1022},
          {"Select &All", 1025},
          kSeparator,
          {"&View", visCmdHierarchical},
          {">&Whole Page", 1033},
          {">&50%", 1279},
          {">&100%", 1035},
          {">&200%", 1037},
          {"&Grid", 1040},
          kSeparator,
          {"Page Set&up...", 1076},
          {"&Help", 1092}}}}},
  };
}

void FillMenuItems(MenuItems& list, const std::vector<ItemDef>& defs) {
  MenuItem* last = nullptr;
  for (const ItemDef& d : defs) {
    const std::string caption = d.caption;
    MenuItem& item = caption.starts_with('>') ? last->SubItems().Insert() : list.Insert();
    item.SetBuiltIn(caption.starts_with('>') ? caption.substr(1) : caption, d.cmd);
    if (d.cmd == visCmdHierarchical) {
      item.SetStoredValue("CntrlType", I2(visCtrlTypeHIERBUTTON));
    }
    if (!caption.starts_with('>')) last = &item;
  }
}

void BuildMenuSets(MenuSets& sets) {
  for (const MenuSetDef& sd : MenuSetDefs()) {
    MenuSet& set = sets.AddAtId(sd.id);
    set.SetStoredValue("Caption", Variant(sd.caption));
    set.SetStoredValue("Default", Variant(sd.caption));
    for (const MenuDef& md : sd.menus) {
      Menu& menu = set.MenusOf().Insert();
      menu.SetStoredValue("Caption", Variant(md.caption));
      menu.SetStoredValue("Default", Variant(md.caption));
      menu.SetStoredValue("MDIWindowMenu", VisBool(md.windowMenu));
      FillMenuItems(menu.Items(), md.items);
    }
  }
}

// A toolbar or status bar control.
struct ControlDef {
  const char* caption;
  std::int16_t cmd;
  std::int16_t ctrlId;  // visCtrlID...
  std::int16_t icon;    // visIconIX..., -1 for none
  std::int16_t type = visCtrlTypeBUTTON;
  bool groupStart = false;
  std::int16_t width = 0;     // combo boxes
  std::int16_t palette = 0;   // palette buttons: the visUIObjSetPal_... they open
  std::int16_t priority = 1;  // 2: hidden first when the bar is short of room
};

struct BarDef {
  const char* caption;
  std::int16_t position;  // visBarTop 1, visBarBottom 3...
  std::vector<ControlDef> controls;
};

struct BarSetDef {
  std::int16_t id;
  const char* caption;
  std::vector<BarDef> bars;
};

constexpr std::int16_t kState = visCtrlTypeSTATE_BUTTON;
constexpr std::int16_t kCombo = visCtrlTypeCOMBOBOX;
constexpr std::int16_t kPalette = visCtrlTypePALETTEBUTTON;

std::vector<ControlDef> FileButtons() {
  return {{"New", 1001, 8383, 0},
          {"Open", 1002, 1, 1},
          {"Save", 1004, 3, 3},
          {"Print Page", 1443, 4, 4}};
}

std::vector<BarSetDef> ToolbarSetDefs() {
  std::vector<ControlDef> standard = FileButtons();
  const std::vector<ControlDef> more{
      {"Print Preview", 1490, 5, 5, visCtrlTypeBUTTON, false, 0, 0, 2},
      {"Spelling", 1270, 100, 100, visCtrlTypeBUTTON, true, 0, 0, 2},
      {"Cut", 1020, 6, 6, visCtrlTypeBUTTON, true},
      {"Copy", 1021, 7, 7},
      {"Paste", 1022, 8, 8},
      {"Format Painter", 1271, 101, 101, kState},
      {"Undo", 1017, 10, 10, visCtrlTypeBUTTON, true},
      {"Redo", 1018, 11, 11},
      {"Insert Hyperlink", 1585, 105, 105, visCtrlTypeBUTTON, true, 0, 0, 2},
      {"Pointer Tool", 1219, 20, 20, kState, true},
      {"Connector Tool", 1225, 96, 96, kState},
      {"Text Tool", 1227, 27, 27, kState},
      {"Zoom", 1126, 204, -1, kCombo, true, 60},
      {"Help", 1386, 102, 102, kState, true, 0, 0, 2}};
  standard.insert(standard.end(), more.begin(), more.end());

  const std::vector<ControlDef> formatting{
      {"Text Style", 1128, 201, -1, kCombo, false, 110},
      {"Font", 1129, 205, -1, kCombo, true, 120},
      {"Font Size", 1130, 206, -1, kCombo, false, 40},
      {"Bold", 1131, 50, 50, kState, true},
      {"Italic", 1132, 51, 51, kState},
      {"Underline", 1136, 52, 52, kState},
      {"Align Left", 1407, 56, 56, kState, true},
      {"Center", 1408, 57, 57, kState},
      {"Align Right", 1409, 58, 58, kState},
      {"Line Style", 1122, 202, -1, kCombo, true, 110, 0, 2},
      {"Fill Style", 1123, 203, -1, kCombo, false, 110, 0, 2},
      {"Fill Color", 1385, 43, 43, kPalette, true, 0, visUIObjSetPal_FillColors},
      {"Line Color", 1359, 44, 44, kPalette, false, 0, visUIObjSetPal_LineColors},
      {"Line Weight", 1355, 45, 45, kPalette, false, 0, visUIObjSetPal_LineWeights},
      {"Line Pattern", 1356, 46, 46, kPalette, false, 0, visUIObjSetPal_LinePatterns},
      {"Text Color", 1404, 55, 55, kPalette, false, 0, visUIObjSetPal_TextColors}};

  const std::vector<ControlDef> drawing{{"Pencil Tool", 1220, 21, 21, kState},
                                        {"Line Tool", 1221, 22, 22, kState},
                                        {"Arc Tool", 1222, 23, 23, kState},
                                        {"Rectangle Tool", 1223, 24, 24, kState},
                                        {"Ellipse Tool", 1224, 25, 25, kState},
                                        {"Freeform Tool", 1311, 79, 79, kState},
                                        {"Connection Point Tool", 1226, 30, 30, kState, true},
                                        {"Rotation Tool", 1228, 28, 28, kState},
                                        {"Crop Tool", 1449, 29, 29, kState}};

  const std::vector<ControlDef> shape{{"Group", 1051, 92, 92},
                                      {"Ungroup", 1052, 93, 93},
                                      {"Bring to Front", 1046, 90, 90, visCtrlTypeBUTTON, true},
                                      {"Send to Back", 1048, 91, 91},
                                      {"Rotate Left", 1056, 38, 38, visCtrlTypeBUTTON, true},
                                      {"Rotate Right", 1494, 37, 37},
                                      {"Flip Horizontal", 1058, 18, 18},
                                      {"Flip Vertical", 1057, 19, 19},
                                      {"Align Shapes", 1049, 63, 63, visCtrlTypeBUTTON, true},
                                      {"Distribute Shapes", 1230, 70, 70},
                                      {"Connect Shapes", 1050, 75, 75}};

  const std::vector<ControlDef> developer{
      {"Macros", 1577, 121, 121},
      {"Visual Basic Editor", 1576, 122, 122},
      {"Design Mode", 1388, 119, 119, kState, true},
      {"Insert Control", 1522, 118, 118},
      {"Show ShapeSheet", 1088, 120, 120, visCtrlTypeBUTTON, true}};

  std::vector<ControlDef> stencil = FileButtons();
  const std::vector<ControlDef> stencilMore{{"Cut", 1020, 6, 6, visCtrlTypeBUTTON, true},
                                            {"Copy", 1021, 7, 7},
                                            {"Paste", 1022, 8, 8},
                                            {"Undo", 1017, 10, 10, visCtrlTypeBUTTON, true},
                                            {"Icons and Names", 1480, 80, 80, kState, true},
                                            {"Icons Only", 1481, 81, 81, kState},
                                            {"Names Only", 1482, 82, 82, kState},
                                            {"Arrange Icons", 1483, 83, 83}};
  stencil.insert(stencil.end(), stencilMore.begin(), stencilMore.end());

  return {
      {visUIObjSetNoDocument,
       "No Document",
       {{"Standard",
         1,
         {{"New", 1001, 8383, 0},
          {"Open", 1002, 1, 1},
          {"Open Stencil", 1442, 2, 2},
          {"Help", 1386, 102, 102, kState, true}}}}},
      {visUIObjSetDrawing,
       "Drawing",
       {{"Standard", 1, standard},
        {"Formatting", 1, formatting},
        {"Drawing", 1, drawing},
        {"Shape", 1, shape},
        {"Developer", 1, developer}}},
      {visUIObjSetStencil, "Stencil", {{"Stencil", 1, stencil}}},
      {visUIObjSetShapeSheet,
       "ShapeSheet",
       {{"ShapeSheet",
         1,
         {{"Cancel", 1139, 84, 84},
          {"Accept", 1140, 85, 85},
          {"Formula", 1141, 190, -1, 64 /* visCtrlTypeEDITBOX */, false, 300}}}}},
      {visUIObjSetIcon,
       "Icon Editing",
       {{"Icon Editing",
         1,
         {{"Pencil", 1145, 86, 86, kState},
          {"Bucket", 1543, 87, 87, kState},
          {"Lasso", 1544, 88, 88, kState},
          {"Select Net", 1545, 89, 89, kState},
          {"Left Color", 1143, 300, -1, 1024 /* visCtrlTypeCOLORBOX */, true}}}}},
      {visUIObjSetPrintPreview,
       "Print Preview",
       {{"Print Preview",
         1,
         {{"Print Page", 1443, 4, 4},
          {"First Page", 1515, 76, 76, visCtrlTypeBUTTON, true},
          {"Previous Page", 1513, 13, 13},
          {"Next Page", 1514, 14, 14},
          {"Last Page", 1516, 77, 77},
          {"Single Tile", 1512, 99, 99, kState, true},
          {"Whole Page", 1033, 98, 98, kState},
          {"Zoom In", 1216, 16, 16, visCtrlTypeBUTTON, true},
          {"Zoom Out", 1217, 15, 15},
          {"Close", 1361, 240, -1, 32 /* visCtrlTypePUSHBUTTON */, true}}}}},
  };
}

std::vector<BarSetDef> StatusBarDefs() {
  const ControlDef readout{"Ready", 0, 500, -1, visCtrlTypeMESSAGE};
  return {
      {visUIObjSetNoDocument, "No Document", {{"No Document", 3, {readout}}}},
      {visUIObjSetDrawing,
       "Drawing",
       {{"Drawing",
         3,
         {readout,
          {"Width", 0, 501, -1, visCtrlTypeMESSAGE, true, 100},
          {"Height", 0, 502, -1, visCtrlTypeMESSAGE, false, 100},
          {"Angle", 0, 503, -1, visCtrlTypeMESSAGE, false, 80},
          {"Page", 0, 510, -1, visCtrlTypeLABEL, true, 120}}}}},
      {visUIObjSetStencil, "Stencil", {{"Stencil", 3, {readout}}}},
      {visUIObjSetShapeSheet, "ShapeSheet", {{"ShapeSheet", 3, {readout}}}},
      {visUIObjSetPrintPreview,
       "Print Preview",
       {{"Print Preview", 3, {readout, {"Page", 0, 510, -1, visCtrlTypeLABEL, true, 120}}}}},
  };
}

template <class Item>
void FillControl(Item& item, const ControlDef& d) {
  item.SetBuiltIn(d.caption, d.cmd);
  item.SetStoredValue("CntrlID", Variant(d.ctrlId));
  item.SetStoredValue("CntrlType", Variant(d.type));
  item.SetStoredValue("Priority", Variant(d.priority));
  if (d.groupStart) {
    item.SetStoredValue("BeginGroup", VisBool(true));
    item.SetStoredValue("Spacing", I2(visCtrlSpacingFIXED_BEFORE));
  }
  if (d.icon >= 0) {
    // Buttons name their icon twice: the old TypeSpecific1 and FaceID.
    item.SetStoredValue("FaceID", Variant(d.icon));
    item.SetStoredValue("TypeSpecific1", Variant(d.icon));
  }
  if (d.width) {
    item.SetStoredValue("Width", Variant(d.width));
    item.SetStoredValue("TypeSpecific1", Variant(d.width));
  }
  if (d.palette) {
    item.SetStoredValue("TypeSpecific2", Variant(d.palette));
    item.SetStoredValue("PaletteWidth", I2(8));
  }
}

void BuildToolbarSets(ToolbarSets& sets) {
  for (const BarSetDef& sd : ToolbarSetDefs()) {
    ToolbarSet& set = sets.AddAtId(sd.id);
    set.SetStoredValue("Caption", Variant(sd.caption));
    set.SetStoredValue("Default", Variant(sd.caption));
    std::int16_t row = 0;
    for (const BarDef& bd : sd.bars) {
      Toolbar& bar = set.ToolbarsOf().Insert();
      bar.SetStoredValue("Caption", Variant(bd.caption));
      bar.SetStoredValue("Default", Variant(bd.caption));
      bar.SetStoredValue("Position", Variant(bd.position));
      bar.SetStoredValue("RowIndex", Variant(row++));
      for (const ControlDef& d : bd.controls) FillControl(bar.Items().Insert(), d);
    }
  }
}

void BuildStatusBars(StatusBars& bars) {
  for (const BarSetDef& sd : StatusBarDefs()) {
    StatusBar& bar = bars.AddAtId(sd.id);
    bar.SetStoredValue("Caption", Variant(sd.caption));
    bar.SetStoredValue("Default", Variant(sd.caption));
    for (const ControlDef& d : sd.bars.front().controls) FillControl(bar.Items().Insert(), d);
  }
}

struct AccelDef {
  std::int16_t key;  // virtual-key code
  bool alt, control, shift;
  std::int16_t cmd;
};

struct AccelTableDef {
  std::int16_t id;
  const char* name;
  std::vector<AccelDef> items;
};

// Ctrl+letter.
constexpr AccelDef Ctrl(char letter, std::int16_t cmd) {
  return {static_cast<std::int16_t>(letter), false, true, false, cmd};
}
constexpr AccelDef CtrlShift(char letter, std::int16_t cmd) {
  return {static_cast<std::int16_t>(letter), false, true, true, cmd};
}
constexpr AccelDef Plain(std::int16_t key, std::int16_t cmd) {
  return {key, false, false, false, cmd};
}

constexpr std::int16_t VK_RETURN = 13;
constexpr std::int16_t VK_ESCAPE = 27;
constexpr std::int16_t VK_DELETE = 46;
constexpr std::int16_t VK_F1 = 112;
constexpr std::int16_t VK_OEM_COMMA = 188;
constexpr std::int16_t VK_OEM_PERIOD = 190;

std::vector<AccelTableDef> AccelTableDefs() {
  const auto F = [](int n) { return static_cast<std::int16_t>(VK_F1 + n - 1); };
  return {
      {visUIObjSetNoDocument,
       "No Document",
       {Ctrl('N', 1001), Ctrl('O', 1002), Plain(VK_F1, 1092)}},
      {visUIObjSetDrawing,
       "Drawing",
       {Ctrl('N', 1001),
        Ctrl('O', 1002),
        Ctrl('S', 1004),
        Plain(F(12), 1005),
        Ctrl('P', 1010),
        Ctrl('Z', 1017),
        Ctrl('Y', 1018),
        Plain(F(4), 1019),
        Ctrl('X', 1020),
        Ctrl('C', 1021),
        Ctrl('V', 1022),
        Plain(VK_DELETE, 1023),
        Ctrl('D', 1024),
        Ctrl('A', 1025),
        Ctrl('F', 1043),
        Ctrl('K', 1585),
        Ctrl('G', 1051),
        CtrlShift('U', 1052),
        CtrlShift('F', 1046),
        CtrlShift('B', 1048),
        Ctrl('L', 1056),
        Ctrl('R', 1494),
        Ctrl('H', 1058),
        Ctrl('J', 1057),
        Ctrl('W', 1033),
        Plain(F(3), 1066),
        {F(3), false, false, true, 1065},
        Plain(F(11), 1067),
        Plain(F(7), 1270),
        Plain(F(5), 1492),
        {F(8), true, false, false, 1577},
        {F(11), true, false, false, 1576},
        Ctrl('1', 1219),
        Ctrl('2', 1227),
        Ctrl('3', 1225),
        Ctrl('4', 1220),
        Ctrl('6', 1221),
        Ctrl('8', 1223),
        Ctrl('9', 1224),
        Plain(VK_F1, 1092),
        {VK_F1, false, false, true, 1386}}},
      {visUIObjSetStencil,
       "Stencil",
       {Ctrl('N', 1001), Ctrl('O', 1002), Ctrl('S', 1004), Ctrl('X', 1020), Ctrl('C', 1021),
        Ctrl('V', 1022), Plain(VK_DELETE, 1023), Ctrl('A', 1025), Plain(VK_F1, 1092)}},
      {visUIObjSetShapeSheet,
       "ShapeSheet",
       {Plain(VK_RETURN, 1140), Plain(VK_ESCAPE, 1139), Ctrl('Z', 1017), Ctrl('X', 1020),
        Ctrl('C', 1021), Ctrl('V', 1022), Plain(F(3), 1110), Plain(VK_F1, 1092)}},
      {visUIObjSetText,
       "Text Edit",
       {Ctrl('B', 1131),
        Ctrl('I', 1132),
        Ctrl('U', 1136),
        CtrlShift('K', 1133),
        CtrlShift('L', 1407),
        CtrlShift('C', 1408),
        CtrlShift('R', 1409),
        CtrlShift('J', 1412),
        {VK_OEM_COMMA, false, true, true, 1406},
        {VK_OEM_PERIOD, false, true, true, 1405}}},
  };
}

void BuildAccelTables(AccelTables& tables) {
  for (const AccelTableDef& td : AccelTableDefs()) {
    AccelTable& table = tables.AddAtId(td.id);
    table.SetStoredValue("TableName", Variant(td.name));
    table.SetStoredValue("Default", Variant(td.name));
    for (const AccelDef& d : td.items) {
      table.Items().Insert().SetBuiltIn(d.key, d.alt, d.control, d.shift, d.cmd);
    }
  }
}

void NameUIObject(UIObject& ui, const char* name) {
  ui.SetStoredValue("Name", Variant(name));
  ui.SetStoredValue("Default", Variant(name));
}

}  // namespace

Ref<UIObject> MakeBuiltInMenus(const SessionPtr& session) {
  auto ui = MakeRef<UIObject>(session);
  NameUIObject(*ui, "Built-In Menus");
  BuildMenuSets(ui->MenuSetsOf());
  BuildAccelTables(ui->AccelTablesOf());
  return ui;
}

Ref<UIObject> MakeBuiltInToolbars(const SessionPtr& session, std::int16_t flavor) {
  auto ui = MakeRef<UIObject>(session);
  ui->SetFlavor(flavor);
  NameUIObject(*ui, "Built-In Toolbars");
  BuildToolbarSets(ui->ToolbarSetsOf());
  BuildStatusBars(ui->StatusBarsOf());
  return ui;
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
