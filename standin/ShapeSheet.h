// The ShapeSheet of a shape, a page or master sheet, or a style: sections
// of rows of cells, each cell a formula and its result, and Visio's
// queries over them.
//
// Inheritance. A sheet holds only what is local to it; everything else it
// sees through SheetHost::InheritedSource (a master's shape, then a
// style). Rows of an inherited section line up by position: a local row
// either stands over the inherited row at the same position (overriding
// some of its cells, or deleting it, as a file's Del flag does) or is a
// row of the sheet's own after the inherited ones. Geometry sections line
// up the same way among themselves. The Object section's rows are fixed by
// index: which exist depends on the kind of host (see FixedObjectRow), and
// optional ones (1-D endpoints, alignment, ...) exist once added locally or
// in the sheet inherited from. Inserting a row among inherited rows makes
// the section local: its rows and cells are copied and it stops following
// the inherited section.
//
// "Local" existence, as SectionExists/RowExists/CellExists ask it with a
// non-zero flag: the sheet itself holds the section (a row of it), the row
// (an override of it, or a row of its own), or a formula for the cell. The
// Object section, its fixed rows and the Character, Paragraph and Tabs
// sections' first row of a shape or style always exist; the fixed object
// rows count as local.
//
// Results. A constant formula (a number with a unit, a string, TRUE or
// FALSE) is its own result. Other formulas are computed when read, in the
// sheet that reads them (an inherited "Width*0.5" uses this shape's
// Width), for the arithmetic, comparisons and functions Visio formulas use
// most (GUARD, IF, MIN, MAX, ABS, SQRT, INT, ROUND, NOT, AND, OR, PI) over
// cells of the same sheet. A formula beyond that (references to other
// sheets, other functions) keeps the result it was given last (SetResult,
// a file's value).
//
// Cell objects. CellObject hands out one Cell object per cell while a
// client holds it. A cell object belongs to its row, not to a position:
// when rows or geometry sections before it go, it follows its row to the
// new index (its Section and Row change), and when its own row goes it
// answers as deleted. So after the second of three geometry sections is
// deleted, CellsSRC(11,0,0) is the object that used to be (12,0,0), not the
// one handed out for (11,0,0) before.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "standin/CellTables.h"
#include "standin/CellValue.h"
#include "standin/Formula.h"
#include "standin/Model.h"

namespace standin {

class Cell;
struct SheetSaver;

// Raises "Document is read-only." when the host's document was opened
// read-only: what every change a client makes through a sheet checks
// first. Loaders and the model's own code write regardless.
void CheckWritable(SheetHost& host);

class ShapeSheet final : public FormulaSheet {
 private:
  struct Memo;
  class Scope {
   public:
    Scope();
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    bool owner_ = false;  // the outermost scope, which empties the memo at its end
  };
  // What a member that changes the sheet opens instead of a Scope: the
  // change counts before and after it.
  struct Change {
    Change();
    ~Change();
    Change(const Change&) = delete;
    Change& operator=(const Change&) = delete;
    Scope scope;
  };

 public:
  explicit ShapeSheet(SheetHost& host);
  ~ShapeSheet();
  ShapeSheet(const ShapeSheet&) = delete;
  ShapeSheet& operator=(const ShapeSheet&) = delete;

  // Working out which rows a section has (its own and the inherited ones)
  // takes a pass over the section and the sheets it inherits from. Within
  // one call of a member below, that is done once per section and kept;
  // a Batch keeps it from one call to the next while it lives, for a
  // caller that makes many (a loader filling a sheet row by row). Changes
  // through these members keep what is kept; any other change to the
  // sheets (a master, a style, a shape's kind) lets it go.
  class Batch {
   public:
    Batch() = default;

   private:
    Scope scope_;
  };

  SheetHost& Host() const { return *host_; }

  // ---- what exists (the members of the same names) ----
  bool SectionExists(std::int16_t s, bool local) const;
  bool RowExists(std::int16_t s, std::int16_t r, bool local) const;
  bool CellExists(std::int16_t s, std::int16_t r, std::int16_t c, bool local) const;
  // Rows as the host sees them, inherited ones included; 0 for a section
  // that does not exist. The Object section counts its existing rows.
  std::int16_t RowCount(std::int16_t s) const;
  // Raise "Unexpected end of file." for a row that does not exist.
  std::int16_t RowType(std::int16_t s, std::int16_t r) const;
  std::int16_t RowsCellCount(std::int16_t s, std::int16_t r) const;
  std::string RowName(std::int16_t s, std::int16_t r) const;  // "" for unnamed rows
  std::int16_t GeometryCount() const;
  // Existing sections in index order; the Object section's existing rows.
  std::vector<std::int16_t> SectionIndices() const;
  std::vector<std::int16_t> ObjectRows() const;
  std::optional<std::int16_t> RowIndexByName(std::int16_t s, std::string_view name) const;

  // ---- names ----
  // A cell name as Cells() takes it, resolved against this sheet: nullopt
  // when the name is well formed but the row or cell does not exist here;
  // raises "Bad cell name." for a name no sheet has.
  std::optional<CellAddress> FindCell(std::string_view name) const override;
  std::string CellName(std::int16_t s, std::int16_t r, std::int16_t c) const;

  // ---- values (every reader raises "Unexpected end of file." for a cell
  // that does not exist) ----
  std::string Formula(std::int16_t s, std::int16_t r, std::int16_t c) const;
  // The result, computed now; see the header comment.
  CellValue Value(std::int16_t s, std::int16_t r, std::int16_t c) const;
  double ResultIU(std::int16_t s, std::int16_t r, std::int16_t c) const;
  double ResultIU(std::string_view name) const;
  // The result as text: a string's text, a number as ResultStr(visNoCast).
  std::string ResultString(std::int16_t s, std::int16_t r, std::int16_t c) const;
  bool IsInherited(std::int16_t s, std::int16_t r, std::int16_t c) const;
  // Where a cell's formula, and its value, come from (Cell's
  // InheritedFormulaSource and InheritedValueSource): the sheet of a master
  // shape or style and the cell's address there; nullopt for the cell
  // itself (a formula or value of its own, a value computed here from an
  // inherited formula, or a formula no sheet holds).
  struct CellSource {
    SheetHost* host;
    CellAddress at;
  };
  std::optional<CellSource> FormulaSource(std::int16_t s, std::int16_t r, std::int16_t c) const;
  std::optional<CellSource> ValueSource(std::int16_t s, std::int16_t r, std::int16_t c) const;
  bool IsGuarded(std::int16_t s, std::int16_t r, std::int16_t c) const;
  // A formula computed in this sheet as a cell's would be; nullopt when it
  // fails or is beyond what the sheet computes.
  std::optional<CellValue> Evaluate(std::string_view formula) const;
  // The kind of value the cell is made for (its row's definition).
  CellKind KindOf(std::int16_t s, std::int16_t r, std::int16_t c) const;

  // ---- values files record for inherited formulas (F="Inh" with a V) ----
  // Such a value is what Visio shows until it recalculates the cell: the
  // cells that hold one; the value a cell gets when recalculated (its
  // inherited formula computed here, or the value where it inherits from);
  // and letting the recorded value go, after which the cell is inherited
  // as any other.
  std::vector<CellAddress> RecordedCells() const;
  CellValue Recalculated(std::int16_t s, std::int16_t r, std::int16_t c) const;
  void ForgetRecorded(std::int16_t s, std::int16_t r, std::int16_t c);

  // ---- writing ----
  // Cell.Formula: a plain write to a GUARDed cell raises "Cell is
  // guarded."; force writes anyway (FormulaForce). The formula is checked
  // as Visio checks it ("#NAME?" for names it does not know). Writing an
  // inherited cell makes it local.
  void SetFormula(std::int16_t s, std::int16_t r, std::int16_t c, std::string formula, bool force);
  // Cell.Result and friends: a constant formula of v in unit.
  void SetResultIn(std::int16_t s, std::int16_t r, std::int16_t c, double v, std::int16_t unit,
                   bool force);
  // The result a formula gave, for formulas this sheet does not compute.
  void SetResult(std::int16_t s, std::int16_t r, std::int16_t c, double iu);
  // A cell exactly as a file holds it: no checks, no guard.
  void LoadCell(std::int16_t s, std::int16_t r, std::int16_t c, CellValue value);
  // The same for several cells of one row (column, value), at the cost of
  // one look-up of the row.
  void LoadCells(std::int16_t s, std::int16_t r,
                 std::vector<std::pair<std::int16_t, CellValue>> cells);
  // A row a file holds, with or without cells: it becomes the sheet's own
  // (RowExists with the local flag), standing over the inherited row.
  void LoadRow(std::int16_t s, std::int16_t r);
  // Gives back the room kept for growth, once a loader has filled the
  // sheet: a large drawing holds many sheets that seldom change after.
  void Compact();
  void SetRowType(std::int16_t s, std::int16_t r, std::int16_t tag);
  // Names a row of a section whose rows have names; raises "Invalid
  // parameter." for names Visio refuses (empty, taken, not a name).
  void SetRowName(std::int16_t s, std::int16_t r, const std::string& name);

  // ---- structure (the members of the same names) ----
  // A new geometry section goes after the others; another section is
  // made if it does not exist yet. Returns the section's index.
  std::int16_t AddSection(std::int16_t s);
  // Inserts at r, or appends for visRowLast; a tag of 0 gives the
  // section's usual row type. Makes the section if it is missing (not a
  // geometry section). Rows of User, Prop, Action, Controls and Hyperlink
  // sections are named Row_1, Row_2, ... Returns the row's index.
  std::int16_t AddRow(std::int16_t s, std::int16_t r, std::int16_t tag);
  std::int16_t AddRows(std::int16_t s, std::int16_t r, std::int16_t tag, std::int16_t count);
  std::int16_t AddNamedRow(std::int16_t s, const std::string& name, std::int16_t tag);
  // Deleting an inherited section or row marks it deleted in this sheet;
  // a loader applying a file's Del flags deletes from the highest row down.
  void DeleteSection(std::int16_t s);
  void DeleteRow(std::int16_t s, std::int16_t r);
  // Deletes rows of a section (not the Object section) as DeleteRow one
  // by one from the highest down would, in one pass; rows DeleteRow would
  // refuse, or that do not exist, stay.
  void DeleteRows(std::int16_t s, std::vector<std::int16_t> rows);

  // Copies another sheet's local content (master edit copies); cell
  // objects of rows that both have keep their identity.
  void CopyFrom(const ShapeSheet& other);
  // Applying a style without keeping formatting: drops the local cells of
  // the line, fill or text parts.
  void ClearLocalFormatting(bool line, bool fill, bool text);

  // ---- cell objects ----
  Ref<Cell> CellObject(std::int16_t s, std::int16_t r, std::int16_t c);

 private:
  friend class Cell;
  // Saving writes what the sheet holds of its own, rows it deletes included.
  friend struct SheetSaver;
  class CellMap;
  struct RowData;
  struct SectionData;
  struct SectionRef;
  struct RowRef;
  // A cell object's binding: the kind of section, its row's identity and
  // its column.
  struct CellKey {
    std::int16_t sectionClass;
    std::uint64_t row;
    std::int16_t column;
    auto operator<=>(const CellKey&) const = default;
  };

  // Snapshots: what a section's rows or the geometry sections were when
  // asked; pointers in them hold until the sheets they come from change.
  using RowList = std::shared_ptr<const std::vector<RowRef>>;
  using GeometryList = std::shared_ptr<const std::vector<SectionRef>>;

  std::optional<SectionRef> Resolve(std::int16_t s, int depth = 0) const;
  std::optional<SectionRef> ResolveNow(std::int16_t s, int depth) const;
  // The formula a cell inherits: its source's, or the cell's initial one.
  std::string InheritedFormula(std::int16_t s, std::int16_t r, std::int16_t c) const;
  RowList Rows(const SectionRef& sec, int depth = 0) const;
  std::vector<RowRef> RowsNow(const SectionRef& sec, int depth) const;
  GeometryList Geometry(int depth = 0) const;
  std::vector<SectionRef> GeometryNow(int depth) const;
  SheetHost* Source(std::int16_t s, std::int16_t r) const;
  // Whether the rows of the section come, at some depth, from this sheet
  // itself (inheritance that goes round).
  bool InheritsFromItself(const SectionRef& sec) const;
  // Keeping the memo right after a change. ForgetRows drops all of it.
  // MendableRows: this sheet's list of section s, ready to be mended in
  // place, when it has one that can be; every other list of the section
  // goes (those of sheets that inherit from this one). The others mend it
  // after a row went into the section's storage at `at` (which was at
  // oldBase before), was retyped or renamed, or left the section (erased
  // from `local` at `at`, or an inherited row marked deleted).
  void ForgetRows() const;
  struct RowsEntry;
  RowsEntry* MendableRows(std::int16_t s) const;
  RowsEntry* RowInserted(std::int16_t s, const SectionData& local, const RowData* oldBase,
                         std::size_t at) const;
  void RowChanged(std::int16_t s, std::int16_t r, const RowData& row, bool renamed) const;
  void RowRemoved(std::int16_t s, std::int16_t r, const SectionData* local, std::size_t at) const;
  SectionData& SectionSlot(std::int16_t s);
  std::int16_t InsertRow(std::int16_t s, std::int16_t r, std::int16_t tag, std::string name);
  bool ObjectRowExists(std::int16_t r, int depth = 0) const;
  const RowData* LocalObjectRow(std::int16_t r) const;
  bool FixedSection(std::int16_t s) const;
  // Where the cell's value lives (this sheet or one it inherits from);
  // null when nothing holds it.
  // `own`: false leaves this sheet's own cell aside and looks where it
  // inherits from.
  // `holder`, when given, is set to the sheet that holds it.
  // `where`, when given, is set to the cell's address in that sheet.
  const CellValue* Stored(std::int16_t s, std::int16_t r, std::int16_t c, int depth = 0,
                          bool own = true, const ShapeSheet** holder = nullptr,
                          CellAddress* where = nullptr) const;
  std::int16_t TagOf(std::int16_t s, std::int16_t r) const;
  const CellDef& CheckedDef(std::int16_t s, std::int16_t r, std::int16_t c) const;
  // A cell's result, computed with ev (and kept in the memo when it may be).
  CellValue ComputeCell(CellAddress at, FormulaEvaluator& ev) const override;
  CellValue ComputeNow(std::int16_t s, std::int16_t r, std::int16_t c, FormulaEvaluator& ev) const;
  const FormulaSheet* OtherSheet(std::string_view name, const FormulaSheet& holder) const override;
  // Results kept while nothing changes (see the memo).
  const CellValue* KeptValue(std::int16_t s, std::int16_t r, std::int16_t c) const;
  void KeepValue(std::int16_t s, std::int16_t r, std::int16_t c, const CellValue& v) const;
  RowData& LocalRow(std::int16_t s, std::int16_t r);
  SectionData& LocalSection(std::int16_t s, const SectionRef* resolved = nullptr);
  void Detach(std::int16_t s);
  std::string NewRowName(std::int16_t s) const;
  std::optional<CellAddress> Locate(const CellKey& key) const;
  CellKey KeyOf(std::int16_t s, std::int16_t r, std::int16_t c) const;
  void Forget(const CellKey& key, const Cell* cell);
  void CheckFormula(std::string_view formula) const;

  SheetHost* host_;
  std::map<std::int16_t, SectionData> sections_;  // by index; geometry apart
  std::vector<SectionData> geometry_;             // in order of their keys
  std::map<CellKey, Cell*> cells_;                // cell objects alive
};

// ---- the sheet members IVShape and IVStyle share ----

namespace sheetmembers {
Variant CellsSRC(SheetHost& h, Args a);
Variant Cells(SheetHost& h, Args a);
Variant CellExists(SheetHost& h, Args a);
Variant CellsSRCExists(SheetHost& h, Args a);
Variant CellsRowIndex(SheetHost& h, Args a);
Variant SectionExists(SheetHost& h, Args a);
Variant RowExists(SheetHost& h, Args a);
Variant RowType(SheetHost& h, Args a);
void PutRowType(SheetHost& h, Args a, const Variant& v);
Variant RowCount(SheetHost& h, Args a);
Variant RowsCellCount(SheetHost& h, Args a);
Variant GeometryCount(SheetHost& h);
Variant AddSection(SheetHost& h, Args a);
Variant AddRow(SheetHost& h, Args a);
Variant AddRows(SheetHost& h, Args a);
Variant AddNamedRow(SheetHost& h, Args a);
Variant DeleteSection(SheetHost& h, Args a);
Variant DeleteRow(SheetHost& h, Args a);
}  // namespace sheetmembers

// Registers CellsSRC, Cells, CellsU, CellExists, CellExistsU,
// CellsSRCExists, CellsRowIndex, CellsRowIndexU, SectionExists,
// RowExists, RowType (read and write), RowCount, RowsCellCount,
// GeometryCount, AddSection, AddRow, AddRows, AddNamedRow, DeleteSection
// and DeleteRow for a class that is a VisioObject and a SheetHost.
template <class T>
void AddSheetMembers(MemberTableBuilder<T>& b) {
  namespace m = sheetmembers;
  auto host = [](T& t) -> SheetHost& { return t; };
  b.Get("CellsSRC", [=](T& t, Args a) { return m::CellsSRC(host(t), a); })
      .Get("Cells", [=](T& t, Args a) { return m::Cells(host(t), a); })
      .Get("CellsU", [=](T& t, Args a) { return m::Cells(host(t), a); })
      .Get("CellExists", [=](T& t, Args a) { return m::CellExists(host(t), a); })
      .Get("CellExistsU", [=](T& t, Args a) { return m::CellExists(host(t), a); })
      .Get("CellsSRCExists", [=](T& t, Args a) { return m::CellsSRCExists(host(t), a); })
      .Get("CellsRowIndex", [=](T& t, Args a) { return m::CellsRowIndex(host(t), a); })
      .Get("CellsRowIndexU", [=](T& t, Args a) { return m::CellsRowIndex(host(t), a); })
      .Get("SectionExists", [=](T& t, Args a) { return m::SectionExists(host(t), a); })
      .Get("RowExists", [=](T& t, Args a) { return m::RowExists(host(t), a); })
      .Prop(
          "RowType", [=](T& t, Args a) { return m::RowType(host(t), a); },
          [=](T& t, Args a, const Variant& v) { m::PutRowType(host(t), a, v); })
      .Get("RowCount", [=](T& t, Args a) { return m::RowCount(host(t), a); })
      .Get("RowsCellCount", [=](T& t, Args a) { return m::RowsCellCount(host(t), a); })
      .Get("GeometryCount", [=](T& t) { return m::GeometryCount(host(t)); })
      .Method("AddSection", [=](T& t, Args a) { return m::AddSection(host(t), a); })
      .Method("AddRow", [=](T& t, Args a) { return m::AddRow(host(t), a); })
      .Method("AddRows", [=](T& t, Args a) { return m::AddRows(host(t), a); })
      .Method("AddNamedRow", [=](T& t, Args a) { return m::AddNamedRow(host(t), a); })
      .Method("DeleteSection", [=](T& t, Args a) { return m::DeleteSection(host(t), a); })
      .Method("DeleteRow", [=](T& t, Args a) { return m::DeleteRow(host(t), a); });
}

}  // namespace standin
