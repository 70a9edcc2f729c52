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

// Every node class a table row can name. The object classes come in the
// family's order.
enum class TNodeClass : std::uint8_t {
  TND_Smallint,
  TND_Integer,
  TND_WideString,
  TND_Double,
  TND_OleVariant,
  TND_IDispatch,
  TND_IUnknown,
  TND_Array,
  TND_CellsSections,
  TND_DockedStencils,
  TND_IVApplication,
  TND_IVCell,
  TND_IVCharacters,
  TND_IVConnect,
  TND_IVConnects,
  TND_IVDocument,
  TND_IVDocuments,
  TND_IVMaster,
  TND_IVMasters,
  TND_IVPage,
  TND_IVPages,
  TND_IVSelection,
  TND_IVShape,
  TND_IVShapes,
  TND_IVStyle,
  TND_IVStyles,
  TND_IVWindow,
  TND_IVWindows,
  TND_IVLayer,
  TND_IVLayers,
  TND_IVFont,
  TND_IVFonts,
  TND_IVColor,
  TND_IVColors,
  TND_IVAddon,
  TND_IVAddons,
  TND_IVEvent,
  TND_IVEventList,
  TND_IVMenuItem,
  TND_IVMenuItems,
  TND_IVMenu,
  TND_IVMenus,
  TND_IVMenuSet,
  TND_IVMenuSets,
  TND_IVToolbarItem,
  TND_IVToolbarItems,
  TND_IVToolbar,
  TND_IVToolbars,
  TND_IVToolbarSet,
  TND_IVToolbarSets,
  TND_IVStatusBarItem,
  TND_IVStatusBarItems,
  TND_IVStatusBar,
  TND_IVStatusBars,
  TND_IVAccelItem,
  TND_IVAccelItems,
  TND_IVAccelTable,
  TND_IVAccelTables,
  TND_IVUIObject,
  TND_IVHyperlink,
  TND_IVOLEObjects,
  TND_IVOLEObject,
  TND_IVPaths,
  TND_IVPath,
  TND_IVCurve,
};

inline constexpr std::size_t kVisInterfaceCount = 55;

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
  int Children;  // rows the interface shows
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
