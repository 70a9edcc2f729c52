// The property tables of the fifty-five Visio interfaces the tree shows: per
// interface, one row per property in display order (the order in which the
// children are made), the elements of each array property, the identifying
// text and what GetIndexValue and GetCountValue answer. One generic object
// node runs them (tree/VisObjectNodes.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "tree/Tarvel_Consts.h"

class TLUT;

// Every node class a table row can name, once: the enumeration, the class
// names and the node makers all come from this list. The value classes come
// first and the object classes last, in the family's order: IsValueClass,
// IsVisObjectClass and the interface tables go by that order.
// clang-format off
#define TARVEL_NODE_CLASSES(X) \
  X(TND_Smallint) \
  X(TND_Integer) \
  X(TND_WideString) \
  X(TND_Double) \
  X(TND_OleVariant) \
  X(TND_IDispatch) \
  X(TND_IUnknown) \
  X(TND_Array) \
  X(TND_CellsSections) \
  X(TND_DockedStencils) \
  X(TND_IVApplication) \
  X(TND_IVCell) \
  X(TND_IVCharacters) \
  X(TND_IVConnect) \
  X(TND_IVConnects) \
  X(TND_IVDocument) \
  X(TND_IVDocuments) \
  X(TND_IVMaster) \
  X(TND_IVMasters) \
  X(TND_IVPage) \
  X(TND_IVPages) \
  X(TND_IVSelection) \
  X(TND_IVShape) \
  X(TND_IVShapes) \
  X(TND_IVStyle) \
  X(TND_IVStyles) \
  X(TND_IVWindow) \
  X(TND_IVWindows) \
  X(TND_IVLayer) \
  X(TND_IVLayers) \
  X(TND_IVFont) \
  X(TND_IVFonts) \
  X(TND_IVColor) \
  X(TND_IVColors) \
  X(TND_IVAddon) \
  X(TND_IVAddons) \
  X(TND_IVEvent) \
  X(TND_IVEventList) \
  X(TND_IVMenuItem) \
  X(TND_IVMenuItems) \
  X(TND_IVMenu) \
  X(TND_IVMenus) \
  X(TND_IVMenuSet) \
  X(TND_IVMenuSets) \
  X(TND_IVToolbarItem) \
  X(TND_IVToolbarItems) \
  X(TND_IVToolbar) \
  X(TND_IVToolbars) \
  X(TND_IVToolbarSet) \
  X(TND_IVToolbarSets) \
  X(TND_IVStatusBarItem) \
  X(TND_IVStatusBarItems) \
  X(TND_IVStatusBar) \
  X(TND_IVStatusBars) \
  X(TND_IVAccelItem) \
  X(TND_IVAccelItems) \
  X(TND_IVAccelTable) \
  X(TND_IVAccelTables) \
  X(TND_IVUIObject) \
  X(TND_IVHyperlink) \
  X(TND_IVOLEObjects) \
  X(TND_IVOLEObject) \
  X(TND_IVPaths) \
  X(TND_IVPath) \
  X(TND_IVCurve)
// clang-format on

enum class TNodeClass : std::uint8_t {
#define TARVEL_NODE_CLASS_ENUMERATOR(cls) cls,
  TARVEL_NODE_CLASSES(TARVEL_NODE_CLASS_ENUMERATOR)
#undef TARVEL_NODE_CLASS_ENUMERATOR
};

// Counted from the list, so that a class added there is counted too.
#define TARVEL_NODE_CLASS_ONE(cls) +1
inline constexpr std::size_t kNodeClassCount = 0 TARVEL_NODE_CLASSES(TARVEL_NODE_CLASS_ONE);
#undef TARVEL_NODE_CLASS_ONE
// The object classes run from TND_IVApplication to the end of the list, one
// interface table each.
inline constexpr std::size_t kFirstVisObjectClass =
    static_cast<std::size_t>(TNodeClass::TND_IVApplication);
inline constexpr std::size_t kVisInterfaceCount = kNodeClassCount - kFirstVisObjectClass;

std::string_view NodeClassName(TNodeClass cls);
bool IsValueClass(TNodeClass cls);
bool IsVisObjectClass(TNodeClass cls);

// A look-up table named by a row. The catalogue's tables are filled at
// start-up, so a row refers to the global that will hold its table.
class TLUTRef {
 public:
  enum class Kind : std::uint8_t {
    None,
    Catalogue,
    TrueFalse,
    Hex,
    MakerValueLUT,  // the ValueLUT of the node that makes the child
  };

  constexpr TLUTRef() = default;
  constexpr TLUTRef(std::nullptr_t) {}
  constexpr TLUTRef(TLUT* const& catalogueGlobal)
      : kind_(Kind::Catalogue), global_(&catalogueGlobal) {}
  constexpr explicit TLUTRef(Kind kind) : kind_(kind) {}

  Kind kind() const { return kind_; }
  explicit operator bool() const { return kind_ != Kind::None; }
  // The table; makerValueLUT stands in for MakerValueLUT.
  const TLUT* Resolve(const TLUT* makerValueLUT = nullptr) const;

 private:
  Kind kind_ = Kind::None;
  TLUT* const* global_ = nullptr;
};

// Writable rows are written through the property's put, unless they have
// none.
enum class TPut : std::uint8_t { HasPut, NoPut };

struct TPropRow {
  std::int32_t PropIndex;  // ordinal of the property among the interface's, by name
  std::string_view Name;   // caption name; the Visio property lacks a trailing "_"
  TNodeClass Class;
  TAccessKind Access;
  TNodeKind NodeKind;
  TLUTRef ValueLUT;
  TIndexStyle IndexStyle;
  TLUTRef IndexLUT;
  TPut Put = TPut::HasPut;
};

// Which elements CreateArrayChildren makes.
enum class TElementsMade : std::uint8_t {
  EachEntry,           // one per entry of a table, Index = the entry's value
  ExactlyOneIndex0,    // one, Index 0
  Index1ToCount,       // 1 .. the collection's Count
  Index0ToCountLess1,  // 0 .. Count - 1
  Index1ToLayerCount,  // 1 .. the shape's LayerCount
  MadeByNode,          // the array node makes its own
};

// How the element's Index is passed to the indexed getter.
enum class TIndexArg : std::uint8_t {
  NoArg,
  ArgSmallint,         // a 16-bit integer
  ArgLong,             // a 32-bit integer
  ArgItem,             // a collection's Item: a variant holding a 32-bit integer
  ArgUnitCode,         // a unit code as a variant holding the integer
  ArgUnitCodeRounded,  // a unit code, then 1 as the rounding flag
  ArgStyleCellName,    // the name of the IndexLUT entry at position Index
};

struct TElementRow {
  std::string_view Array;  // the array row's Name
  TNodeClass Class;
  TNodeKind NodeKind;
  TVisObjSource ObjSource;
  TElementsMade Made;
  TLUTRef MadeFrom;  // the table whose entries EachEntry walks
  TIndexArg Arg;
  // The array's own value when its indices have no table.
  std::string_view FixedCountText = {};
};

enum class TIdentForm : std::uint8_t {
  Empty,           // no property is read
  QuotedProperty,  // a blank, then the property's text in double quotes
  Count,           // " (Count: " + Count + ")"
  OwnForm,         // built by the class from several properties
};

struct TIdentifying {
  TIdentForm Form;
  std::string_view Property = {};
  int Cut = 0;  // the text is cut to this many characters first; 0: not cut
};

// A set of TIndexKind or TCountKind values.
using TKindSet = std::uint8_t;
template <class E>
constexpr TKindSet KindBit(E kind) {
  return static_cast<TKindSet>(1u << static_cast<unsigned>(kind));
}

enum class TCaptionVariant : std::uint8_t {
  Plain,   // Item0, Item1 and Layer1 indices show as "??"
  Member,  // the interface has an Index property: they show the number
  Cell,
};

struct TVisInterface {
  std::string_view Name;  // "IVApplication"
  TNodeClass Class;
  TIdentifying Identifying;
  TKindSet IndexKinds;
  TKindSet CountKinds;
  TCaptionVariant Caption;
  std::span<const TPropRow> Rows;
  std::span<const TElementRow> Elements;
};

// The fifty-five interfaces in the family's order.
std::span<const TVisInterface> VisInterfaces();
// The interface of an object class.
const TVisInterface& VisInterfaceOf(TNodeClass cls);

// The row with this PropIndex, or null.
const TPropRow* FindRow(const TVisInterface& visInterface, std::int32_t propIndex);
// The element rule of an array row, or null.
const TElementRow* FindElements(const TVisInterface& visInterface, std::string_view arrayName);
// The Visio property behind a row: its Name without a trailing underscore.
std::string_view VisioPropertyName(const TPropRow& row);
