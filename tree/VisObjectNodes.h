// The Visio object nodes: one class per Visio interface the tree can reach,
// all run by one generic implementation over the interface's property
// table. An object node holds its Visio object and answers for every child
// below it: it reads, formats and writes their values, makes their array
// elements and hands object children their objects.
#pragma once

#include <functional>
#include <string>

#include "automation/Variant.h"
#include "tree/NodeData.h"
#include "tree/PropertyTables.h"

class TND_VisObject : public TTVNodeData {
 public:
  automation::ObjectRef GetVisObject() override;
  // A root in `tree` of the same class sharing the same object, named after
  // the interface (without "IV"); null when the node has no object.
  TTVNodeData* CopyToTree(TTreeModel& tree) override;
  void CreateChildren() override;
  // Empty with "{Not assigned}" in ValueErrorStr when the node has no
  // object; empty with " EXCEPTION: ..." when reading fails.
  std::string GetIdentifyingStr() override;
  bool RefreshVisObject() override;
  std::string GetCaption() override;
  void CreateArrayChildren(TTVNodeData& array) override;
  void CreateArrayElement(TTVNodeData& array, int index, TTreeItem* insertBefore) override;
  void RefreshChildVisObject(TTVNodeData& child) override;
  std::string GetChildValueStr(TTVNodeData& child, int maxLength, bool raw) override;
  TSetValueStatus SetChildValueStr(TTVNodeData& child, const std::string& value,
                                   std::string& message) override;
  bool IsVisObjectNode() const override;
  std::int32_t GetIndexValue(TIndexKind kind) override;
  std::int32_t GetCountValue(TCountKind kind) override;

  const TVisInterface& Interface() const { return *interface_; }

  automation::ObjectRef VisObj;  // none when acquiring it failed or the property was empty

 protected:
  TND_VisObject(const TVisInterface& visInterface, std::string name, std::int32_t propIndex,
                TTreeModel& tree, TTreeItem* parentItem, TTreeItem* insertBefore,
                std::int16_t index, TAccessKind access, TIndexStyle indexStyle,
                TVisObjSource objSource, TNodeKind nodeKind, const TLUT* indexLUT,
                const TLUT* valueLUT);

  // The identifying text of an object that is there; may throw.
  virtual std::string IdentifyingText();
  // Where a write goes instead of the node's own object; none by default.
  virtual TLocateCounterpart Locator();

 private:
  // Writes the child's property on `target`, converting the text by the
  // property's type. Rows without a put write nothing.
  void WriteChild(const automation::ObjectRef& target, const TTVNodeData& child,
                  const std::string& value) const;
  // The element's value from the indexed getter.
  automation::Variant GetElement(const TPropRow& row, const TElementRow& elements,
                                 const TTVNodeData& element) const;
  std::string ArrayCountText(const TTVNodeData& array, const TPropRow& row,
                             const TElementRow* elements) const;

  const TVisInterface* interface_;
};

// Gives an object class its interface and the constructor of the node
// contract.
template <class Derived>
class TVisObjectNodeOf : public TND_VisObject {
 public:
  TVisObjectNodeOf(std::string name, std::int32_t propIndex, TTreeModel& tree,
                   TTreeItem* parentItem, TTreeItem* insertBefore, std::int16_t index,
                   TAccessKind access, TIndexStyle indexStyle, TVisObjSource objSource,
                   TNodeKind nodeKind, const TLUT* indexLUT, const TLUT* valueLUT)
      : TND_VisObject(VisInterfaceOf(Derived::kClass), std::move(name), propIndex, tree, parentItem,
                      insertBefore, index, access, indexStyle, objSource, nodeKind, indexLUT,
                      valueLUT) {}
};

// A cell shows its column or the constant name of its index, its formula as
// value, and its result decoded by its value table. Writes go to the same
// cell in an opened copy of the master that holds the shape, when there is
// one.
class TND_IVCell final : public TVisObjectNodeOf<TND_IVCell> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVCell;
  using TVisObjectNodeOf::TVisObjectNodeOf;
  std::string GetCaption() override;
  // The caption, then the formula, the result in the cell's own unit,
  // ResultStr, and whether the formula is local or inherited and from
  // where.
  std::string GetToolTip() override;
  // The cell an inherited cell takes its formula from (a master shape's or
  // a style's), as the root of `tree`, refreshed once; null when the cell
  // has a formula of its own or none comes from elsewhere.
  TTVNodeData* SourceCellToTree(TTreeModel& tree);
  // The cell's source when its formula comes from another cell; none
  // otherwise. May throw.
  automation::ObjectRef SourceCell() const;
  // What a write to the cell reaches beyond it, for the edit window to say
  // before it saves: a cell of a master's shape or of a style is the
  // formula of every shape that inherits it. Empty for a cell of its shape
  // alone, or when the cell cannot say.
  std::string SharedCellWarning() const;

 protected:
  TLocateCounterpart Locator() override;
};

// Identified by its text, name and NameID; writes go to the shape's
// counterpart in an opened copy of its master, when it lives in one.
class TND_IVShape final : public TVisObjectNodeOf<TND_IVShape> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVShape;
  using TVisObjectNodeOf::TVisObjectNodeOf;

 protected:
  std::string IdentifyingText() override;
  TLocateCounterpart Locator() override;
};

// Identified by the names of its document and page.
class TND_IVWindow final : public TVisObjectNodeOf<TND_IVWindow> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVWindow;
  using TVisObjectNodeOf::TVisObjectNodeOf;

 protected:
  std::string IdentifyingText() override;
};

// The classes whose table says all there is to say about them.

class TND_IVApplication final : public TVisObjectNodeOf<TND_IVApplication> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVApplication;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVCharacters final : public TVisObjectNodeOf<TND_IVCharacters> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVCharacters;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVConnect final : public TVisObjectNodeOf<TND_IVConnect> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVConnect;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVConnects final : public TVisObjectNodeOf<TND_IVConnects> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVConnects;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVDocument final : public TVisObjectNodeOf<TND_IVDocument> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVDocument;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVDocuments final : public TVisObjectNodeOf<TND_IVDocuments> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVDocuments;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVMaster final : public TVisObjectNodeOf<TND_IVMaster> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVMaster;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVMasters final : public TVisObjectNodeOf<TND_IVMasters> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVMasters;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVPage final : public TVisObjectNodeOf<TND_IVPage> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVPage;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVPages final : public TVisObjectNodeOf<TND_IVPages> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVPages;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVSelection final : public TVisObjectNodeOf<TND_IVSelection> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVSelection;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVShapes final : public TVisObjectNodeOf<TND_IVShapes> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVShapes;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVStyle final : public TVisObjectNodeOf<TND_IVStyle> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVStyle;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVStyles final : public TVisObjectNodeOf<TND_IVStyles> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVStyles;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVWindows final : public TVisObjectNodeOf<TND_IVWindows> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVWindows;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVLayer final : public TVisObjectNodeOf<TND_IVLayer> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVLayer;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVLayers final : public TVisObjectNodeOf<TND_IVLayers> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVLayers;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVFont final : public TVisObjectNodeOf<TND_IVFont> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVFont;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVFonts final : public TVisObjectNodeOf<TND_IVFonts> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVFonts;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVColor final : public TVisObjectNodeOf<TND_IVColor> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVColor;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVColors final : public TVisObjectNodeOf<TND_IVColors> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVColors;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVAddon final : public TVisObjectNodeOf<TND_IVAddon> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVAddon;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVAddons final : public TVisObjectNodeOf<TND_IVAddons> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVAddons;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVEvent final : public TVisObjectNodeOf<TND_IVEvent> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVEvent;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVEventList final : public TVisObjectNodeOf<TND_IVEventList> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVEventList;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVMenuItem final : public TVisObjectNodeOf<TND_IVMenuItem> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVMenuItem;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVMenuItems final : public TVisObjectNodeOf<TND_IVMenuItems> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVMenuItems;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVMenu final : public TVisObjectNodeOf<TND_IVMenu> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVMenu;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVMenus final : public TVisObjectNodeOf<TND_IVMenus> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVMenus;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVMenuSet final : public TVisObjectNodeOf<TND_IVMenuSet> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVMenuSet;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVMenuSets final : public TVisObjectNodeOf<TND_IVMenuSets> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVMenuSets;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVToolbarItem final : public TVisObjectNodeOf<TND_IVToolbarItem> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVToolbarItem;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVToolbarItems final : public TVisObjectNodeOf<TND_IVToolbarItems> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVToolbarItems;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVToolbar final : public TVisObjectNodeOf<TND_IVToolbar> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVToolbar;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVToolbars final : public TVisObjectNodeOf<TND_IVToolbars> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVToolbars;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVToolbarSet final : public TVisObjectNodeOf<TND_IVToolbarSet> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVToolbarSet;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVToolbarSets final : public TVisObjectNodeOf<TND_IVToolbarSets> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVToolbarSets;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVStatusBarItem final : public TVisObjectNodeOf<TND_IVStatusBarItem> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVStatusBarItem;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVStatusBarItems final : public TVisObjectNodeOf<TND_IVStatusBarItems> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVStatusBarItems;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVStatusBar final : public TVisObjectNodeOf<TND_IVStatusBar> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVStatusBar;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVStatusBars final : public TVisObjectNodeOf<TND_IVStatusBars> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVStatusBars;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVAccelItem final : public TVisObjectNodeOf<TND_IVAccelItem> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVAccelItem;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVAccelItems final : public TVisObjectNodeOf<TND_IVAccelItems> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVAccelItems;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVAccelTable final : public TVisObjectNodeOf<TND_IVAccelTable> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVAccelTable;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVAccelTables final : public TVisObjectNodeOf<TND_IVAccelTables> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVAccelTables;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVUIObject final : public TVisObjectNodeOf<TND_IVUIObject> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVUIObject;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVHyperlink final : public TVisObjectNodeOf<TND_IVHyperlink> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVHyperlink;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVOLEObjects final : public TVisObjectNodeOf<TND_IVOLEObjects> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVOLEObjects;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVOLEObject final : public TVisObjectNodeOf<TND_IVOLEObject> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVOLEObject;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVPaths final : public TVisObjectNodeOf<TND_IVPaths> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVPaths;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVPath final : public TVisObjectNodeOf<TND_IVPath> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVPath;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

class TND_IVCurve final : public TVisObjectNodeOf<TND_IVCurve> {
 public:
  static constexpr TNodeClass kClass = TNodeClass::TND_IVCurve;
  using TVisObjectNodeOf::TVisObjectNodeOf;
};

// The root of an application tree, named "Application" and bound to `app`
// for its whole life, refreshed once.
TND_IVApplication& MakeApplicationRoot(TTreeModel& tree, automation::ObjectRef app);
// Whether the user may edit the node's value: strings, numbers and cells
// (whose formula is edited).
bool IsEditableNode(const TTVNodeData& node);
// The root of a tree for one shape, named "Shape", refreshed once.
TND_IVShape& MakeShapeRoot(TTreeModel& tree, automation::ObjectRef shape);
