// Writing a ShapeSheet: cells, rows and sections, as clients and loaders
// change them.
#include <algorithm>
#include <set>
#include <utility>

#include "automation/Text.h"
#include "standin/Cell.h"
#include "standin/SheetInternals.h"

namespace standin {

using namespace detail;

bool detail::ValidRowName(std::string_view name) {
  if (name.empty() || name.size() > 31 || automation::IsAsciiDigit(name.front())) return false;
  return std::all_of(name.begin(), name.end(), IsFormulaNameChar);
}

namespace {

// The row types a section's rows may have; nullopt for sections whose
// rows have no types.
bool TagFits(std::int16_t s, std::size_t position, std::int16_t tag) {
  if (IsGeometrySection(s)) {
    if (position == 0) return tag == visTagComponent;
    return IsVertexTag(tag);
  }
  switch (s) {
    case visSectionTab:
      return tag == visTagTab0 || tag == visTagTab2 || tag == visTagTab10;
    case visSectionConnectionPts:
      return tag == visTagCnnctPt || tag == visTagCnnctNamed || tag == visTagCnnctPtABCD ||
             tag == visTagCnnctNamedABCD;
    case visSectionControls:
      return tag == visTagCtlPt || tag == visTagCtlPtTip;
    default:
      return false;
  }
}

bool TypedSection(std::int16_t s) {
  return IsGeometrySection(s) || s == visSectionTab || s == visSectionConnectionPts ||
         s == visSectionControls;
}

template <class Rows>
auto InsertByKey(Rows& rows, typename Rows::value_type row) {
  auto at = std::lower_bound(rows.begin(), rows.end(), row.key,
                             [](const auto& r, std::int32_t key) { return r.key < key; });
  return rows.insert(at, std::move(row));
}

}  // namespace

ShapeSheet::SectionData& ShapeSheet::LocalSection(std::int16_t s, const SectionRef* resolved) {
  if (!IsGeometrySection(s)) return SectionSlot(s);
  const auto sec = resolved ? std::optional<SectionRef>(*resolved) : Resolve(s);
  if (!sec) NoSuchCell();
  for (auto& g : geometry_) {
    if (g.own == sec->own && g.key == sec->key) return g;
  }
  SectionData d;
  d.own = sec->own;
  d.key = sec->key;
  SectionData& made = *InsertByKey(geometry_, std::move(d));
  ForgetRows();  // the geometry sections moved
  return made;
}

ShapeSheet::RowData& ShapeSheet::LocalRow(std::int16_t s, std::int16_t r) {
  if (s == visSectionObject) {
    if (!ObjectRowExists(r)) NoSuchCell();
    auto& rows = SectionSlot(s).rows;
    for (auto& row : rows) {
      if (row.key == r) return row;
    }
    RowData d;
    d.uid = static_cast<std::uint64_t>(r);
    d.key = r;
    return *InsertByKey(rows, std::move(d));
  }
  auto sec = Resolve(s);
  if (!sec) NoSuchCell();
  RowData d;
  {
    const RowList rows = Rows(*sec);
    if (r < 0 || static_cast<std::size_t>(r) >= rows->size()) NoSuchCell();
    const RowRef& rr = (*rows)[static_cast<std::size_t>(r)];
    if (rr.local) return const_cast<RowData&>(*rr.local);  // the sheet's own data
    // A row with nothing stored yet stands over the inherited row, or is
    // the first row of a section that has none anywhere.
    d.uid = rr.uid;
    d.own = rr.sourceRow < 0;
    d.key = std::max(rr.sourceRow, 0);
  }
  SectionData& local = LocalSection(s, &*sec);
  const RowData* oldBase = local.rows.data();
  auto it = InsertByKey(local.rows, std::move(d));
  if (it->own) local.nextOwn = std::max(local.nextOwn, it->key + 1);
  if (RowsEntry* mine =
          RowInserted(s, local, oldBase, static_cast<std::size_t>(it - local.rows.begin()))) {
    (*mine->rows)[static_cast<std::size_t>(r)].local = &*it;
  }
  return *it;
}

void ShapeSheet::SetFormula(std::int16_t s, std::int16_t r, std::int16_t c, std::string formula,
                            bool force) {
  const Change change;
  CheckedDef(s, r, c);
  const std::string f = NormalizeFormula(formula);
  if (!force && IsGuarded(s, r, c)) ThrowVisio(VisioErrorKind::ProtectedCell);
  CheckFormula(f);
  // A formula this sheet cannot compute keeps the result the cell had; a
  // constant brings its own.
  CellValue cell = Value(s, r, c);
  cell.constant = false;
  if (auto literal = ConstantValue(f)) {
    cell = *literal;
  } else {
    cell.formula = f;
    cell.error = 0;
  }
  LocalRow(s, r).cells[c] = cell;
  cell = Value(s, r, c);
  cell.formula = f;
  LocalRow(s, r).cells[c] = cell;
}

void ShapeSheet::SetResultIn(std::int16_t s, std::int16_t r, std::int16_t c, double v,
                             std::int16_t unit, bool force) {
  const Change change;
  CheckedDef(s, r, c);
  if (!force && IsGuarded(s, r, c)) ThrowVisio(VisioErrorKind::ProtectedCell);
  const CellValue now = Value(s, r, c);
  const std::int16_t valueUnit = now.isString || now.isBool ? visNumber : now.unit;
  const double iu = ToIU(v, unit, valueUnit);
  CellValue cell;
  cell.unit = StoredUnit(unit, valueUnit);
  cell.constant = true;
  cell.result = iu;
  LocalRow(s, r).cells[c] = cell;
}

void ShapeSheet::SetResult(std::int16_t s, std::int16_t r, std::int16_t c, double iu) {
  const Change change;
  const CellKind kind = CheckedDef(s, r, c).kind;
  CellValue cell;
  if (const CellValue* stored = Stored(s, r, c)) {
    cell = *stored;
    // The formula stays what it was, whatever the result now is.
    cell.formula = FormulaOf(cell);
    cell.constant = false;
  } else {
    cell.formula = CheckedDef(s, r, c).initial;
  }
  cell.result = iu;
  cell.error = 0;
  cell.isString = cell.isBool = false;
  if (DimensionOf(cell.unit) == Dimension::Number) {
    if (kind == CellKind::Length) cell.unit = visInches;
    if (kind == CellKind::Angle) cell.unit = visDegrees;
    if (cell.unit == visNoCast) cell.unit = visNumber;
  }
  LocalRow(s, r).cells[c] = cell;
}

void ShapeSheet::LoadCell(std::int16_t s, std::int16_t r, std::int16_t c, CellValue value) {
  const Change change;
  std::vector<std::pair<std::int16_t, CellValue>> one;
  one.emplace_back(c, std::move(value));
  LoadCells(s, r, std::move(one));
}

void ShapeSheet::LoadCells(std::int16_t s, std::int16_t r,
                           std::vector<std::pair<std::int16_t, CellValue>> cells) {
  const Change change;
  if (cells.empty()) return;
  // One look-up of the row for all its cells: the row's tag says which
  // cells it has. Nothing is written unless every cell fits.
  std::int16_t tag = r;
  if (s == visSectionObject) {
    if (!ObjectRowExists(r)) NoSuchCell();
  } else {
    tag = TagOf(s, r);
  }
  for (const auto& [c, v] : cells) {
    if (!FindRowCell(s, tag, c)) NoSuchCell();
  }
  RowData& row = LocalRow(s, r);
  for (auto& [c, v] : cells) {
    // A formula already as it is kept stays shared with the cells it came
    // with.
    if (const std::string_view f = NormalizedFormula(v.formula.str()); f.size() != v.formula.size())
      v.formula = std::string(f);
    if (v.isString) v.unit = visNoCast;
  }
  if (row.cells.size() == 0) {
    row.cells.Adopt(std::move(cells));
    return;
  }
  row.cells.reserve(row.cells.size() + cells.size());
  for (auto& [c, v] : cells) row.cells[c] = std::move(v);
}

void ShapeSheet::LoadRow(std::int16_t s, std::int16_t r) {
  const Change change;
  if (s != visSectionObject) TagOf(s, r);  // the row must exist
  LocalRow(s, r);
}

void ShapeSheet::SetRowType(std::int16_t s, std::int16_t r, std::int16_t tag) {
  const Change change;
  TagOf(s, r);  // the row must exist
  if (!TypedSection(s) || !TagFits(s, static_cast<std::size_t>(r), tag)) Refuse();
  RowData& row = LocalRow(s, r);
  row.tag = tag;
  RowChanged(s, r, row, false);
}

void ShapeSheet::SetRowName(std::int16_t s, std::int16_t r, const std::string& name) {
  const Change change;
  TagOf(s, r);
  if (!RowsHaveNames(s)) ThrowVisio(VisioErrorKind::InappropriateTarget);
  if (!ValidRowName(name)) Refuse();
  if (auto other = RowIndexByName(s, name); other && *other != r) Refuse();
  RowData& row = LocalRow(s, r);
  row.name = name;
  RowChanged(s, r, row, true);
}

std::string ShapeSheet::NewRowName(std::int16_t s) const {
  for (int n = RowCount(s) + 1;; ++n) {
    const std::string name = "Row_" + std::to_string(n);
    if (!RowIndexByName(s, name)) return name;
  }
}

// ---- structure ----

std::int16_t ShapeSheet::AddSection(std::int16_t s) {
  const Change change;
  if (IsGeometrySection(s)) {
    const std::size_t count = Geometry()->size();
    std::int32_t key = 0;
    for (const auto& g : geometry_) {
      if (g.own) key = std::max(key, g.key + 1);
    }
    SectionData d;
    d.own = true;
    d.key = key;
    InsertByKey(geometry_, std::move(d));
    ForgetRows();
    return static_cast<std::int16_t>(visSectionFirstComponent + static_cast<int>(count));
  }
  if (s == visSectionObject || !ValidSection(s)) Refuse();
  auto it = sections_.find(s);
  if (it != sections_.end() && it->second.deleted) {
    // Made again after the inherited one was deleted: a section of its own.
    it->second = SectionData{};
    it->second.detached = true;
    ForgetRows();
    return s;
  }
  if (!Resolve(s)) SectionSlot(s);
  return s;
}

void ShapeSheet::Detach(std::int16_t s) {
  auto sec = Resolve(s);
  if (!sec) NoSuchCell();
  std::vector<RowData> copies;
  {
    const RowList list = Rows(*sec);
    const auto& rows = *list;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      RowData d;
      d.uid = rows[i].uid;
      d.own = true;
      d.key = static_cast<std::int32_t>(i);
      d.tag = rows[i].tag;
      d.name = rows[i].name;
      for (const CellDef& def : RowCells(s, rows[i].tag)) {
        if (const CellValue* v = Stored(s, static_cast<std::int16_t>(i), def.column)) {
          d.cells[def.column] = *v;
        }
      }
      copies.push_back(std::move(d));
    }
  }
  SectionData& local = LocalSection(s);
  local.nextOwn = static_cast<std::int32_t>(copies.size());
  local.rows = std::move(copies);
  local.detached = true;
  local.deleted = false;
  ForgetRows();
}

std::int16_t ShapeSheet::AddRow(std::int16_t s, std::int16_t r, std::int16_t tag) {
  const Change change;
  return InsertRow(s, r, tag, std::string());
}

std::int16_t ShapeSheet::InsertRow(std::int16_t s, std::int16_t r, std::int16_t tag,
                                   std::string name) {
  if (s == visSectionObject) {
    if (!ValidObjectRow(r)) Refuse();
    if (ObjectRowExists(r)) return r;
    auto& rows = SectionSlot(s).rows;
    for (auto& row : rows) {
      if (row.key == r) {  // an inherited row deleted here comes back empty
        row.deleted = false;
        row.cells.clear();
        return r;
      }
    }
    RowData d;
    d.uid = static_cast<std::uint64_t>(r);
    d.key = r;
    InsertByKey(rows, std::move(d));
    return r;
  }
  if (!ValidSection(s)) Refuse();
  auto sec = Resolve(s);
  if (!sec) {
    if (IsGeometrySection(s)) NoSuchCell();
    AddSection(s);
    sec = Resolve(s);
  }
  std::size_t count = 0;
  bool firstIsBare = false;  // the section's only row, with nothing stored anywhere
  {
    const RowList rows = Rows(*sec);
    count = rows->size();
    firstIsBare = count == 1 && !(*rows)[0].local && (*rows)[0].sourceRow < 0;
  }
  if (r != visRowLast && (r < 0 || static_cast<std::size_t>(r) > count)) Refuse();
  const std::size_t pos = r == visRowLast ? count : static_cast<std::size_t>(r);
  if (!TypedSection(s)) {
    tag = visTagDefault;
  } else if (tag == 0) {
    tag = DefaultTag(s, pos);
  } else if (!TagFits(s, pos, tag)) {
    Refuse();
  }
  RowData d;
  d.uid = NewUid();
  d.tag = tag;
  d.own = true;
  d.name = !name.empty() ? std::move(name) : RowsAreNamedAlways(s) ? NewRowName(s) : std::string();
  // The first row of a section that has none stored becomes a row first.
  if (firstIsBare) LocalRow(s, 0);
  if (pos < count) {
    // Inserting among inherited rows makes the section the sheet's own.
    bool ownAfter = true;
    {
      const RowList rows = Rows(*Resolve(s));
      for (std::size_t i = pos; i < count; ++i) ownAfter = ownAfter && (*rows)[i].sourceRow < 0;
    }
    if (!ownAfter) Detach(s);
    const std::int32_t key = (*Rows(*Resolve(s)))[pos].local->key;
    SectionData& local = LocalSection(s);
    for (auto& row : local.rows) {
      if (row.own && row.key >= key) ++row.key;
    }
    ++local.nextOwn;
    d.key = key;
    InsertByKey(local.rows, std::move(d));
    ForgetRows();
    return static_cast<std::int16_t>(pos);
  }
  // Appended: the new row comes after every other, in the sheet's list of
  // the section too, which is mended rather than made again.
  SectionData& local = LocalSection(s);
  d.key = local.nextOwn++;
  const RowData* oldBase = local.rows.data();
  auto it = InsertByKey(local.rows, std::move(d));
  if (RowsEntry* mine =
          RowInserted(s, local, oldBase, static_cast<std::size_t>(it - local.rows.begin()))) {
    RowRef ref;
    ref.local = &*it;
    ref.uid = it->uid;
    ref.tag = it->tag != 0 ? it->tag : DefaultTag(s, mine->rows->size());
    ref.name = it->name;
    if (mine->names && !it->name.empty())
      mine->names->try_emplace(automation::AsciiLowered(it->name), static_cast<std::int16_t>(pos));
    mine->rows->push_back(ref);
  }
  return static_cast<std::int16_t>(pos);
}

std::int16_t ShapeSheet::AddRows(std::int16_t s, std::int16_t r, std::int16_t tag,
                                 std::int16_t count) {
  Scope scope;  // the rows are worked out once for all of them
  if (count < 1) Refuse();
  const std::int16_t first = AddRow(s, r, tag);
  for (std::int16_t i = 1; i < count; ++i) {
    AddRow(s, r == visRowLast ? visRowLast : static_cast<std::int16_t>(first + i), tag);
  }
  return first;
}

std::int16_t ShapeSheet::AddNamedRow(std::int16_t s, const std::string& name, std::int16_t tag) {
  const Change change;
  if (!RowsHaveNames(s)) Refuse();
  if (!ValidRowName(name) || RowIndexByName(s, name)) Refuse();
  if (s == visSectionConnectionPts && tag == 0) tag = visTagCnnctNamed;
  return InsertRow(s, visRowLast, tag, name);
}

void ShapeSheet::DeleteSection(std::int16_t s) {
  const Change change;
  if (s == visSectionObject || !ValidSection(s) || FixedSection(s)) Refuse();
  auto sec = Resolve(s);
  if (!sec) return;
  if (IsGeometrySection(s)) {
    if (!sec->own) {  // inherited: deleted here
      SectionData& local = LocalSection(s);
      local = SectionData{};
      local.key = sec->key;
      local.deleted = true;
    } else {
      const std::int32_t key = sec->key;
      geometry_.erase(std::remove_if(geometry_.begin(), geometry_.end(),
                                     [key](const SectionData& g) { return g.own && g.key == key; }),
                      geometry_.end());
    }
    ForgetRows();
    return;
  }
  SheetHost* src = Source(s, 0);
  if (src && src->Sheet().Resolve(s, 1)) {
    SectionData& local = SectionSlot(s);
    local = SectionData{};
    local.deleted = true;
  } else {
    sections_.erase(s);
  }
  ForgetRows();
}

void ShapeSheet::DeleteRow(std::int16_t s, std::int16_t r) {
  const Change change;
  if (s == visSectionObject) {
    if (!ValidObjectRow(r) || FixedObjectRow(host_->HostKind(), r)) Refuse();
    if (!ObjectRowExists(r)) NoSuchCell();
    auto& rows = SectionSlot(s).rows;
    auto it = std::find_if(rows.begin(), rows.end(), [r](const RowData& d) { return d.key == r; });
    if (it != rows.end()) rows.erase(it);
    if (ObjectRowExists(r)) {  // still there through inheritance: deleted here
      RowData d;
      d.uid = static_cast<std::uint64_t>(r);
      d.key = r;
      d.deleted = true;
      InsertByKey(rows, std::move(d));
    }
    return;
  }
  auto sec = Resolve(s);
  if (!sec) NoSuchCell();
  RowRef row;
  {
    const RowList rows = Rows(*sec);
    if (r < 0 || static_cast<std::size_t>(r) >= rows->size()) NoSuchCell();
    if (IsGeometrySection(s) && r == visRowComponent) Refuse();
    if (FixedSection(s) && rows->size() == 1) Refuse();
    row = (*rows)[static_cast<std::size_t>(r)];
  }
  if (row.sourceRow >= 0) {
    RowData& local = LocalRow(s, r);
    local.deleted = true;
    local.cells.clear();
    local.tag = 0;
    local.name.clear();
    RowRemoved(s, r, nullptr, 0);
    return;
  }
  if (!row.local) Refuse();
  SectionData& local = LocalSection(s);
  const auto at = static_cast<std::size_t>(row.local - local.rows.data());
  local.rows.erase(local.rows.begin() + static_cast<std::ptrdiff_t>(at));
  RowRemoved(s, r, &local, at);
}

void ShapeSheet::DeleteRows(std::int16_t s, std::vector<std::int16_t> rows) {
  const Change change;
  if (s == visSectionObject) Refuse();
  auto sec = Resolve(s);
  if (!sec) return;
  std::sort(rows.begin(), rows.end(), std::greater<>());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  // Which go, as one by one from the highest: the indices below a deleted
  // row hold, only the count of rows left changes.
  std::vector<std::int16_t> inherited;
  std::set<std::uint64_t> own;  // by uid: storage moves as rows are made local
  {
    const RowList list = Rows(*sec);
    std::size_t left = list->size();
    for (std::int16_t r : rows) {
      if (r < 0 || static_cast<std::size_t>(r) >= list->size()) continue;
      if (IsGeometrySection(s) && r == visRowComponent) continue;
      if (FixedSection(s) && left == 1) continue;
      const RowRef& row = (*list)[static_cast<std::size_t>(r)];
      if (row.sourceRow >= 0) {
        inherited.push_back(r);
      } else if (row.local) {
        own.insert(row.uid);
      } else {
        continue;
      }
      --left;
    }
  }
  if (inherited.empty() && own.empty()) return;
  // Inherited rows are marked in this sheet, made local from the lowest
  // up so that each goes after the others in storage.
  std::reverse(inherited.begin(), inherited.end());
  for (std::int16_t r : inherited) LocalRow(s, r);
  std::vector<RowData*> marked;  // found before any is marked: marking shifts the indices
  {
    const RowList list = Rows(*Resolve(s));
    for (std::int16_t r : inherited)
      marked.push_back(const_cast<RowData*>((*list)[static_cast<std::size_t>(r)].local));
  }
  for (RowData* row : marked) {
    row->deleted = true;
    row->cells.clear();
    row->tag = 0;
    row->name.clear();
  }
  SectionData& local = LocalSection(s);
  local.rows.erase(std::remove_if(local.rows.begin(), local.rows.end(),
                                  [&](const RowData& d) { return d.own && own.count(d.uid); }),
                   local.rows.end());
  ForgetRows();
}

void ShapeSheet::RowRemoved(std::int16_t s, std::int16_t r, const SectionData* local,
                            std::size_t at) const {
  RowsEntry* mine = MendableRows(s);
  if (!mine) return;
  auto& rows = *mine->rows;
  rows.erase(rows.begin() + r);
  mine->names.reset();
  if (!local) return;
  // The rows after the one erased moved down by one.
  const RowData* base = local->rows.data();
  for (RowRef& ref : rows) {
    if (!ref.local || ref.local < base + at) continue;
    ref.local = ref.local - 1;
    if (!ref.local->name.empty()) ref.name = ref.local->name;
  }
}

void ShapeSheet::Compact() {
  const Change change;
  auto compact = [](SectionData& sec) {
    sec.rows.shrink_to_fit();
    for (auto& row : sec.rows) row.cells.shrink_to_fit();
  };
  for (auto& [s, sec] : sections_) compact(sec);
  for (auto& sec : geometry_) compact(sec);
  geometry_.shrink_to_fit();
  ForgetRows();  // the rows moved
}

void ShapeSheet::CopyFrom(const ShapeSheet& other) {
  const Change change;
  if (&other == this) return;
  sections_ = other.sections_;
  geometry_ = other.geometry_;
  ForgetRows();
}

void ShapeSheet::ClearLocalFormatting(bool line, bool fill, bool text) {
  const Change change;
  auto object = sections_.find(visSectionObject);
  if (object != sections_.end()) {
    for (auto& row : object->second.rows) {
      if ((line && row.key == visRowLine) || (fill && row.key == visRowFill) ||
          (text && row.key == visRowText)) {
        row.cells.clear();
      }
    }
  }
  if (!text) return;
  for (std::int16_t s : {visSectionCharacter, visSectionParagraph, visSectionTab}) {
    auto it = sections_.find(s);
    if (it == sections_.end()) continue;
    for (auto& row : it->second.rows) row.cells.clear();
  }
}

}  // namespace standin
