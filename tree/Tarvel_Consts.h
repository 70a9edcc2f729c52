// The vocabulary of the object tree: the enumerations node constructors take,
// with one name array per enumeration (kept for reference; nothing reads
// them at run time), the yes/no pair and the style cell names.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

// The position of an enumerator, for indexing its name array.
template <class E>
constexpr std::size_t Ord(E value) {
  return static_cast<std::size_t>(value);
}

// A name array names every enumerator up to the last, no more.
template <class E, std::size_t N>
constexpr bool NamesEvery(const std::array<std::string_view, N>& names, E last) {
  return names.size() == Ord(last) + 1;
}

// Whether a property can be read and written.
enum class TAccessKind : std::uint8_t { DontKnow, ReadWrite, ReadOnly, WriteOnly };
inline constexpr auto TAccessKindNames =
    std::to_array<std::string_view>({"DontKnow", "ReadWrite", "ReadOnly", "WriteOnly"});
static_assert(NamesEvery(TAccessKindNames, TAccessKind::WriteOnly));
inline constexpr auto TAccessKindShortNames =
    std::to_array<std::string_view>({"??", "RW", "RO", "WO"});
static_assert(NamesEvery(TAccessKindShortNames, TAccessKind::WriteOnly));

enum class TCollectionKind : std::uint8_t { NoVisObj, NonClct, Clct };
inline constexpr auto TCollectionKindNames =
    std::to_array<std::string_view>({"NoVisObj", "NonClct", "Clct"});
static_assert(NamesEvery(TCollectionKindNames, TCollectionKind::Clct));

// The names are padded to one width so that they line up in listings.
enum class TCellsRefreshKind : std::uint8_t { None, Normal, CellsSRC, CellsIgnore };
inline constexpr auto TCellsRefreshKindNames =
    std::to_array<std::string_view>({"None       ", "Normal     ", "CellsSRC   ", "CellsIgnore"});
static_assert(NamesEvery(TCellsRefreshKindNames, TCellsRefreshKind::CellsIgnore));

// Where an object node gets its Visio object.
enum class TVisObjSource : std::uint8_t { NoVisObject, SupplyOnCreate, RefreshFromAncestor };
inline constexpr auto TVisObjSourceNames =
    std::to_array<std::string_view>({"NoVisObject", "SupplyOnCreate", "RefreshFromAncestor"});
static_assert(NamesEvery(TVisObjSourceNames, TVisObjSource::RefreshFromAncestor));

// How a node's Index is shown, and how an array's elements are numbered.
enum class TIndexStyle : std::uint8_t { NoIndex, LUT, LUTStyle, Item0, Item1, Layer1, CellsSRC };
inline constexpr auto TIndexStyleNames = std::to_array<std::string_view>(
    {"NoIndex", "LUT", "LUTStyle", "Item0", "Item1", "Layer1", "CellsSRC"});
static_assert(NamesEvery(TIndexStyleNames, TIndexStyle::CellsSRC));

// The groups in which an interface's properties are shown, in this order.
enum class TPropCategory : std::uint8_t {
  None,
  Id,
  ImplementsCollection,
  CellRelated,
  CollectionReferences,
  ObjectReferenceArrays,
  ObjectReferences,
  SimplePropertyArrays,
  SimpleProperties,
};
inline constexpr auto TPropCategoryNames = std::to_array<std::string_view>({
    "None",
    "Id",
    "Implements Collection",
    "Cell-Related",
    "References to Visio Collections",
    "Arrays of Reference to Visio Objects",
    "References to Visio Objects",
    "Simple Property Arrays",
    "Simple Properties",
});
static_assert(NamesEvery(TPropCategoryNames, TPropCategory::SimpleProperties));

// The kind of a node; also the position of the item's state image.
enum class TNodeKind : std::uint8_t {
  DontKnow,
  SimpleProperty,
  SimplePropertyArray,
  Id,
  VisObject,
  VisCollection,
  Sheet,
  SheetSection,
  SheetRow,
  SheetCell,
};
inline constexpr auto TNodeKindNames = std::to_array<std::string_view>(
    {"DontKnow", "SimpleProperty", "SimplePropertyArray", "Id", "VisObject", "VisCollection",
     "Sheet", "SheetSection", "SheetRow", "SheetCell"});
static_assert(NamesEvery(TNodeKindNames, TNodeKind::SheetCell));

// TLUTKind itself belongs to the look-up tables.
inline constexpr auto TLUTKindNames =
    std::to_array<std::string_view>({"Norm", "Flags", "N4F12", "N6F10"});

enum class TCountKind : std::uint8_t { None, Count, RowCount, LayerCount };
inline constexpr auto TCountKindNames =
    std::to_array<std::string_view>({"None", "Count", "RowCount", "LayerCount"});
static_assert(NamesEvery(TCountKindNames, TCountKind::LayerCount));

enum class TIndexKind : std::uint8_t { None, Index, Section, Row, Column };
inline constexpr auto TIndexKindNames =
    std::to_array<std::string_view>({"None", "Index", "Section", "Row", "Column"});
static_assert(NamesEvery(TIndexKindNames, TIndexKind::Column));

inline constexpr auto YesNoNames = std::to_array<std::string_view>({"No", "Yes"});

// The cells every style has, by their universal names.
inline constexpr auto StyleCellNames = std::to_array<std::string_view>({
    "Char.Font",     "Char.Color",     "Char.Style",    "Char.Case",   "Char.Pos",
    "Char.Size",     "FillBkgnd",      "FillPattern",   "FillForeGnd", "ShdwBkgnd",
    "ShdwPattern",   "ShdwForeGnd",    "LineWeight",    "LineColor",   "LinePattern",
    "Rounding",      "BeginArrow",     "EndArrow",      "ArrowSize",   "LineCap",
    "Para.IndFirst", "Para.IndLeft",   "Para.IndRight", "Para.SpLine", "Para.SpBefore",
    "Para.SpAfter",  "Para.HorzAlign", "VerticalAlign", "TopMargin",   "BottomMargin",
    "LeftMargin",    "RightMargin",    "TextBkgnd"});
