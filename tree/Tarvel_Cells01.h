// The shape sheet below a shape node, and the cell catalogue it is shown by.
//
// The catalogue is a fixed four-level table (sections, rows, row types,
// cells) built once at start-up: it says which sections, rows and cells the
// tree shows, what they are called and which table decodes each cell's
// value. Visio is asked only how many geometry sections and rows there are,
// whether a section or row exists, which type a row has, and for the cell
// objects themselves.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "automation/Object.h"
#include "tree/NodeData.h"

class TLUT;

// A list whose capacity is fixed when its owner is made; entries are only
// appended, and never beyond the capacity, so references to them stay valid
// for the catalogue's life.
template <class T>
class TCatalogueList {
 public:
  explicit TCatalogueList(int capacity) : capacity_(capacity) {
    items_.reserve(static_cast<std::size_t>(capacity));
  }

  int Capacity() const { return capacity_; }
  int Count() const { return static_cast<int>(items_.size()); }
  const T& operator[](int i) const { return *items_.at(static_cast<std::size_t>(i)); }

  T& Append(std::unique_ptr<T> item) {
    if (Count() >= capacity_) throw std::length_error("catalogue list is full");
    items_.push_back(std::move(item));
    return *items_.back();
  }

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  int capacity_;
  std::vector<std::unique_ptr<T>> items_;
};

class TCellInfo {
 public:
  std::string Name;
  std::int32_t Column = 0;
  const TLUT* ValueLUT = nullptr;  // not owned
};

class TRowType {
 public:
  TRowType(std::string name, std::int32_t tag, int cellCapacity)
      : Name(std::move(name)), Tag(tag), Cells(cellCapacity) {}
  std::string Name;
  std::int32_t Tag;  // -1 for a section's only ("Default") type
  TCatalogueList<TCellInfo> Cells;
};

class TRowClass {
 public:
  TRowClass(std::string name, std::int32_t rowIndex, int typeCapacity, bool repeats)
      : Name(std::move(name)),
        RowIndex(rowIndex),
        Repeats(repeats ? 1 : 0),
        RowTypes(typeCapacity) {}
  std::string Name;
  std::int32_t RowIndex;
  std::uint8_t Repeats;  // stands for its own row and every row after it
  TCatalogueList<TRowType> RowTypes;
};

class TSectionClass {
 public:
  TSectionClass(std::string name, std::int32_t sectionIndex, int rowCapacity, bool repeats)
      : Name(std::move(name)),
        SectionIndex(sectionIndex),
        Repeats(repeats ? 1 : 0),
        Rows(rowCapacity) {}
  std::string Name;
  std::int32_t SectionIndex;
  std::uint8_t Repeats;  // only Geometry: one entry for sections 10 to 239
  TCatalogueList<TRowClass> Rows;
};

class TCellsStruc {
 public:
  explicit TCellsStruc(int sectionCapacity) : Sections(sectionCapacity) {}
  TCatalogueList<TSectionClass> Sections;
};

// Visio's first and last geometry section.
inline constexpr std::int32_t kFirstGeometrySection = 10;
inline constexpr std::int32_t kLastGeometrySection = 239;

// The one catalogue: null until BuildCellCatalogue has run, never changed
// afterwards.
extern const TCellsStruc* CellCatalogue;

// Today's ShapeSheet for the All Sections view: every section, row type and
// cell of Visio 2016 (tree/AllSectionsData.cpp). What CellCatalogue has too
// keeps CellCatalogue's names and value tables. Null until
// BuildCellCatalogue has run, never changed afterwards.
extern const TCellsStruc* AllSectionsCatalogue;

// Builds both catalogues; they refer to the constant catalogue's tables, so
// BuildVisioConstantCatalogue must have run. Later calls do nothing.
void BuildCellCatalogue();

// The catalogue the sheet nodes of `tree` follow: AllSectionsCatalogue when
// the tree shows all sections, else CellCatalogue (an empty one before
// they are built).
const TCellsStruc& CatalogueOf(const TTreeModel& tree);
// Switches the tree's All Sections view; every open sheet is made again
// from the catalogue it now follows.
void ShowAllSections(TTreeModel& tree, bool on);

TSectionClass& AddSection(TCellsStruc& catalogue, std::string name, std::int32_t sectionIndex,
                          int rowCapacity, bool repeats);
TRowClass& AddRow(TSectionClass& section, std::string name, std::int32_t rowIndex, int typeCapacity,
                  bool repeats);
TRowType& AddRowType(TRowClass& row, std::string name, std::int32_t tag, int cellCapacity);
TCellInfo& AddCell(TRowType& rowType, std::string name, std::int32_t column, const TLUT* valueLUT);

// Any section from 10 to 239 is the Geometry entry, offset = index - 10;
// otherwise offset -1. The display name carries "[offset + 1]" when there is
// an offset, and is "ERROR-Lookup" when nothing matches.
const TSectionClass* FindSection(const TCellsStruc& catalogue, std::int32_t sectionIndex,
                                 std::int32_t& offset, std::string& displayName);
// The last repeating row at or before the index, unless a fixed row has
// exactly that index; naming as FindSection.
const TRowClass* FindRow(const TSectionClass& section, std::int32_t rowIndex, std::int32_t& offset,
                         std::string& displayName);
// Tag -1 finds nothing; a row with one type is that type whatever the tag.
const TRowType* FindRowType(const TRowClass& row, std::int32_t tag);

// "Doesn't Exist", "Local", "Inherited", "Exception".
enum class TExistState : std::uint8_t { DoesNotExist, Local, Inherited, Exception };
inline constexpr auto TExistStateNames =
    std::to_array<std::string_view>({"Doesn't Exist", "Local", "Inherited", "Exception"});
static_assert(NamesEvery(TExistStateNames, TExistState::Exception));

// The sections of one shape's sheet: made by the shape node, asks its shape
// node for the shape.
class TND_CellsSections final : public TTVNodeData {
 public:
  TND_CellsSections(std::string name, std::int32_t propIndex, TTreeModel& tree,
                    TTreeItem* parentItem, TTreeItem* insertBefore);

  void CreateChildren() override;
  void Refresh(int mode) override;
  std::string GetCaption() override;
  void RefreshChildVisObject(TTVNodeData& child) override;

  // The shape node's object; none when there is no shape node above.
  automation::ObjectRef ShapeObject() const;

 private:
  // Appends (or inserts before `before`) the node for `sectionIndex`,
  // refreshed once.
  void MakeSection(const automation::ObjectRef& shape, std::int32_t sectionIndex,
                   TTreeItem* before);
  void Reconcile(const automation::ObjectRef& shape, std::int32_t geometryCount);
};

class TND_CellsSection final : public TTVNodeData {
 public:
  // Name "S[index]"; Index is the Visio section index.
  TND_CellsSection(std::int32_t propIndex, TTreeModel& tree, TTreeItem* parentItem,
                   TTreeItem* insertBefore, std::int16_t sectionIndex);

  void CreateChildren() override;
  void Refresh(int mode) override;
  std::string GetCaption() override;
  void RefreshChildVisObject(TTVNodeData& child) override;

  automation::ObjectRef ShapeObject() const;
  std::int32_t RowCount() const;
  TExistState State() const;

  const TSectionClass* CatSection;  // not owned; null for a section the catalogue lacks
  // Cell (section, 0, 0) when it was made: the same Visio section hands out
  // the same object, so it tells a geometry section that stayed from one
  // that took its index.
  automation::ObjectRef IdentityCell;

 private:
  void MakeRow(std::int32_t rowIndex);
  // Walks the catalogue's rows as Visio has them now: makes the row nodes,
  // or, reconciling, refreshes those there are, appends the missing ones
  // and trims the surplus of the repeating rows.
  void Walk(bool reconcile);
};

class TND_CellsSectionRow final : public TTVNodeData {
 public:
  // Name "R[index]"; Index is the Visio row index.
  TND_CellsSectionRow(std::int32_t propIndex, TTreeModel& tree, TTreeItem* parentItem,
                      TTreeItem* insertBefore, std::int16_t rowIndex);

  void CreateChildren() override;
  void Refresh(int mode) override;
  std::string GetCaption() override;
  void RefreshChildVisObject(TTVNodeData& child) override;

  automation::ObjectRef ShapeObject() const;
  std::int32_t SectionIndex() const;
  // RowType of the row; -1 when it cannot be read.
  std::int32_t Tag() const;
  TExistState State() const;

  const TRowClass* CatRow;  // not owned; null for a row the catalogue lacks

 private:
  // The cell object, or none when it cannot be had.
  automation::ObjectRef FetchCell(const automation::ObjectRef& shape, std::int32_t column) const;
  void MakeCell(const automation::ObjectRef& shape, const TCellInfo& cell);
  // The catalogue's type for the row's tag as Visio reports it now.
  const TRowType* CurrentType() const;
};
