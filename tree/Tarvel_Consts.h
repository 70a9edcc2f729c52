// The vocabulary of the object tree: the enumerations node constructors take,
// with one name array per enumeration (kept for reference; nothing reads
// them at run time), the yes/no pair and the style cell names.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

// Whether a property can be read and written.
enum class TAccessKind : std::uint8_t { DontKnow, ReadWrite, ReadOnly, WriteOnly };
inline constexpr std::array<std::string_view, 4> TAccessKindNames = {"DontKnow", "ReadWrite",
                                                                     "ReadOnly", "WriteOnly"};
inline constexpr std::array<std::string_view, 4> TAccessKindShortNames = {"??", "RW", "RO", "WO"};

enum class TCollectionKind : std::uint8_t { NoVisObj, NonClct, Clct };
inline constexpr std::array<std::string_view, 3> TCollectionKindNames = {"NoVisObj", "NonClct",
                                                                         "Clct"};

// The names are padded to one width so that they line up in listings.
enum class TCellsRefreshKind : std::uint8_t { None, Normal, CellsSRC, CellsIgnore };
inline constexpr std::array<std::string_view, 4> TCellsRefreshKindNames = {
    "None       ", "Normal     ", "CellsSRC   ", "CellsIgnore"};

// Where an object node gets its Visio object.
enum class TVisObjSource : std::uint8_t { NoVisObject, SupplyOnCreate, RefreshFromAncestor };
inline constexpr std::array<std::string_view, 3> TVisObjSourceNames = {
    "NoVisObject", "SupplyOnCreate", "RefreshFromAncestor"};

// How a node's Index is shown, and how an array's elements are numbered.
enum class TIndexStyle : std::uint8_t { NoIndex, LUT, LUTStyle, Item0, Item1, Layer1, CellsSRC };
inline constexpr std::array<std::string_view, 7> TIndexStyleNames = {
    "NoIndex", "LUT", "LUTStyle", "Item0", "Item1", "Layer1", "CellsSRC"};

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
inline constexpr std::array<std::string_view, 9> TPropCategoryNames = {
    "None",
    "Id",
    "Implements Collection",
    "Cell-Related",
    "References to Visio Collections",
    "Arrays of Reference to Visio Objects",
    "References to Visio Objects",
    "Simple Property Arrays",
    "Simple Properties"};

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
inline constexpr std::array<std::string_view, 10> TNodeKindNames = {
    "DontKnow",      "SimpleProperty", "SimplePropertyArray", "Id",       "VisObject",
    "VisCollection", "Sheet",          "SheetSection",        "SheetRow", "SheetCell"};

// TLUTKind itself belongs to the look-up tables.
inline constexpr std::array<std::string_view, 4> TLUTKindNames = {"Norm", "Flags", "N4F12",
                                                                  "N6F10"};

enum class TCountKind : std::uint8_t { None, Count, RowCount, LayerCount };
inline constexpr std::array<std::string_view, 4> TCountKindNames = {"None", "Count", "RowCount",
                                                                    "LayerCount"};

enum class TIndexKind : std::uint8_t { None, Index, Section, Row, Column };
inline constexpr std::array<std::string_view, 5> TIndexKindNames = {"None", "Index", "Section",
                                                                    "Row", "Column"};

inline constexpr std::array<std::string_view, 2> YesNoNames = {"No", "Yes"};

// The cells every style has, by their universal names.
inline constexpr std::array<std::string_view, 33> StyleCellNames = {
    "Char.Font",     "Char.Color",     "Char.Style",    "Char.Case",   "Char.Pos",
    "Char.Size",     "FillBkgnd",      "FillPattern",   "FillForeGnd", "ShdwBkgnd",
    "ShdwPattern",   "ShdwForeGnd",    "LineWeight",    "LineColor",   "LinePattern",
    "Rounding",      "BeginArrow",     "EndArrow",      "ArrowSize",   "LineCap",
    "Para.IndFirst", "Para.IndLeft",   "Para.IndRight", "Para.SpLine", "Para.SpBefore",
    "Para.SpAfter",  "Para.HorzAlign", "VerticalAlign", "TopMargin",   "BottomMargin",
    "LeftMargin",    "RightMargin",    "TextBkgnd"};

// The position of an enumerator, for indexing its name array.
template <class E>
constexpr std::size_t Ord(E value) {
  return static_cast<std::size_t>(value);
}
