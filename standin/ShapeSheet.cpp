#include "standin/ShapeSheet.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <unordered_map>
#include <utility>

#include "automation/Text.h"
#include "standin/Numbers.h"
#include "standin/SheetInternals.h"

namespace standin {

using automation::AutomationError;
using namespace detail;

namespace detail {

std::int16_t DefaultTag(std::int16_t s, std::size_t position) {
  if (IsGeometrySection(s)) return position == 0 ? visTagComponent : visTagLineTo;
  switch (s) {
    case visSectionTab:
      return visTagTab0;
    case visSectionConnectionPts:
      return visTagCnnctPt;
    case visSectionControls:
      return visTagCtlPt;
    default:
      return visTagDefault;
  }
}

std::uint64_t NewUid() {
  static std::atomic<std::uint64_t> next{1};
  return next.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace detail

ShapeSheet::ShapeSheet(SheetHost& host) : host_(&host) {
  SheetsChanged();
}

ShapeSheet::~ShapeSheet() {
  ForgetRows();  // a sheet made later at the same place must not find this one's answers
}

bool ShapeSheet::FixedSection(std::int16_t s) const {
  if (s == visSectionObject) return true;
  const auto kind = host_->HostKind();
  if (kind == SheetHost::Kind::PageSheet || kind == SheetHost::Kind::MasterSheet ||
      kind == SheetHost::Kind::DocumentSheet)
    return false;
  return s == visSectionCharacter || s == visSectionParagraph || s == visSectionTab;
}

const ShapeSheet::RowData* ShapeSheet::LocalObjectRow(std::int16_t r) const {
  auto it = sections_.find(visSectionObject);
  if (it == sections_.end()) return nullptr;
  for (const auto& row : it->second.rows) {
    if (row.key == r) return &row;
  }
  return nullptr;
}

bool ShapeSheet::ObjectRowExists(std::int16_t r, int depth) const {
  if (!ValidObjectRow(r)) return false;
  const RowData* local = LocalObjectRow(r);
  if (local) return !local->deleted;
  if (FixedObjectRow(host_->HostKind(), r)) return true;
  if (depth >= kMaxDepth) return false;
  // Optional rows come with the sheet inherited from, if it is the same
  // kind of sheet: a style's rows are not a shape's.
  SheetHost* src = Source(visSectionObject, r);
  if (!src) return false;
  const bool styleHere = host_->HostKind() == SheetHost::Kind::Style;
  const bool styleThere = src->HostKind() == SheetHost::Kind::Style;
  return styleHere == styleThere && src->Sheet().ObjectRowExists(r, depth + 1);
}

ShapeSheet::GeometryList ShapeSheet::Geometry(int depth) const {
  Memo* memo = Memo::Live();
  if (!memo) return std::make_shared<const std::vector<SectionRef>>(GeometryNow(depth));
  const Memo::Key key{this, depth, visSectionFirstComponent, 0};
  if (GeometryList* found = memo->geometry.Find(key)) return *found;
  auto list = std::make_shared<const std::vector<SectionRef>>(GeometryNow(depth));
  memo->geometry.Add(key, list);
  return list;
}

std::vector<ShapeSheet::SectionRef> ShapeSheet::GeometryNow(int depth) const {
  std::vector<SectionRef> out;
  SheetHost* src = depth < kMaxDepth ? Source(visSectionFirstComponent, 0) : nullptr;
  GeometryList inherited;
  if (src) inherited = src->Sheet().Geometry(depth + 1);
  const auto count = static_cast<std::int32_t>(inherited ? inherited->size() : 0);
  out.reserve(static_cast<std::size_t>(count) + geometry_.size());
  auto localWithKey = [&](std::int32_t key) -> const SectionData* {
    for (const auto& g : geometry_) {
      if (!g.own && g.key == key) return &g;
    }
    return nullptr;
  };
  for (std::int32_t i = 0; i < count; ++i) {
    const SectionData* local = localWithKey(i);
    if (local && local->deleted) continue;
    SectionRef g;
    g.local = local;
    g.source = local && local->detached ? nullptr : src;
    g.sourceIndex = static_cast<std::int16_t>(visSectionFirstComponent + i);
    g.key = i;
    out.push_back(g);
  }
  for (const auto& local : geometry_) {
    if (!local.own || local.deleted) continue;
    SectionRef g;
    g.local = &local;
    g.own = true;
    g.key = local.key;
    out.push_back(g);
  }
  for (std::size_t k = 0; k < out.size(); ++k) {
    out[k].index = static_cast<std::int16_t>(visSectionFirstComponent + static_cast<int>(k));
  }
  return out;
}

std::optional<ShapeSheet::SectionRef> ShapeSheet::Resolve(std::int16_t s, int depth) const {
  Memo* memo = Memo::Live();
  if (!memo) return ResolveNow(s, depth);
  const Memo::Key key{this, depth, s, 0};
  if (auto* found = memo->resolved.Find(key)) return *found;
  auto sec = ResolveNow(s, depth);
  memo->resolved.Add(key, sec);
  return sec;
}

std::optional<ShapeSheet::SectionRef> ShapeSheet::ResolveNow(std::int16_t s, int depth) const {
  if (depth > kMaxDepth || !ValidSection(s)) return std::nullopt;
  if (s == visSectionObject) {
    SectionRef ref;
    ref.index = s;
    auto it = sections_.find(s);
    ref.local = it == sections_.end() ? nullptr : &it->second;
    return ref;
  }
  if (IsGeometrySection(s)) {
    const GeometryList all = Geometry(depth);
    const auto k = static_cast<std::size_t>(s - visSectionFirstComponent);
    if (k >= all->size()) return std::nullopt;
    return (*all)[k];
  }
  auto it = sections_.find(s);
  const SectionData* local = it == sections_.end() ? nullptr : &it->second;
  if (local && local->deleted) return std::nullopt;
  SheetHost* src = depth < kMaxDepth ? Source(s, 0) : nullptr;
  const bool inherited = src && src->Sheet().Resolve(s, depth + 1).has_value();
  if (!local && !inherited && !FixedSection(s)) return std::nullopt;
  SectionRef ref;
  ref.index = s;
  ref.local = local;
  ref.source = inherited && !(local && local->detached) ? src : nullptr;
  ref.sourceIndex = s;
  return ref;
}

bool ShapeSheet::InheritsFromItself(const SectionRef& sec) const {
  SheetHost* src = sec.source;
  std::int16_t index = sec.sourceIndex;
  for (int depth = 1; src; ++depth) {
    const ShapeSheet& there = src->Sheet();
    if (&there == this || depth > kMaxDepth) return true;
    const auto next = there.Resolve(index, depth);
    if (!next) return false;
    src = next->source;
    index = next->sourceIndex;
  }
  return false;
}

ShapeSheet::RowList ShapeSheet::Rows(const SectionRef& sec, int depth) const {
  Memo* memo = Memo::Live();
  if (!memo) return std::make_shared<const std::vector<RowRef>>(RowsNow(sec, depth));
  const Memo::Key key{this, depth, sec.index, 0};
  if (RowsEntry* found = memo->rows.Find(key)) return found->rows;
  RowsEntry entry;
  entry.rows = std::make_shared<std::vector<RowRef>>(RowsNow(sec, depth));
  entry.mendable = depth == 0 && !InheritsFromItself(sec);
  RowList list = entry.rows;
  memo->rows.Add(key, std::move(entry));
  return list;
}

std::vector<ShapeSheet::RowRef> ShapeSheet::RowsNow(const SectionRef& sec, int depth) const {
  RowList inherited;
  if (sec.source && depth < kMaxDepth) {
    const ShapeSheet& there = sec.source->Sheet();
    if (auto srcSec = there.Resolve(sec.sourceIndex, depth + 1)) {
      inherited = there.Rows(*srcSec, depth + 1);
    }
  }
  std::vector<RowRef> out;
  const auto count = static_cast<std::int32_t>(inherited ? inherited->size() : 0);
  const std::vector<RowData>* local = sec.local ? &sec.local->rows : nullptr;
  // The local row that stands over each inherited one, found in one pass
  // (the last of a key, as before): a look-up per row would make reading
  // a section grow with the square of its size.
  std::vector<const RowData*> overs;
  if (local && count > 0) {
    overs.assign(static_cast<std::size_t>(count), nullptr);
    for (const auto& row : *local) {
      if (!row.own && row.key >= 0 && row.key < count)
        overs[static_cast<std::size_t>(row.key)] = &row;
    }
  }
  out.reserve(static_cast<std::size_t>(count) + (local ? local->size() : 0));
  for (std::int32_t i = 0; i < count; ++i) {
    const RowData* over = overs.empty() ? nullptr : overs[static_cast<std::size_t>(i)];
    if (over && over->deleted) continue;
    RowRef r = (*inherited)[static_cast<std::size_t>(i)];
    r.local = over;
    r.sourceRow = i;
    if (over && over->tag != 0) r.tag = over->tag;
    if (over && !over->name.empty()) r.name = over->name;
    out.push_back(r);
  }
  if (local) {
    for (const auto& row : *local) {
      if (!row.own || row.deleted) continue;
      RowRef r;
      r.local = &row;
      r.uid = row.uid;
      r.tag = row.tag != 0 ? row.tag : DefaultTag(sec.index, out.size());
      r.name = row.name;
      out.push_back(r);
    }
  }
  if (out.empty() && FixedSection(sec.index)) {
    RowRef r;
    r.uid = kDefaultRowUid | static_cast<std::uint64_t>(sec.index);
    r.tag = DefaultTag(sec.index, 0);
    out.push_back(r);
  }
  return out;
}

std::int16_t ShapeSheet::TagOf(std::int16_t s, std::int16_t r) const {
  if (s == visSectionObject) {
    if (!ObjectRowExists(r)) NoSuchCell();
    return visTagDefault;
  }
  auto sec = Resolve(s);
  if (!sec) NoSuchCell();
  const RowList rowList = Rows(*sec);
  const auto& rows = *rowList;
  if (r < 0 || static_cast<std::size_t>(r) >= rows.size()) NoSuchCell();
  return rows[static_cast<std::size_t>(r)].tag;
}

const CellDef& ShapeSheet::CheckedDef(std::int16_t s, std::int16_t r, std::int16_t c) const {
  const std::int16_t tag = TagOf(s, r);
  const CellDef* def = FindRowCell(s, s == visSectionObject ? r : tag, c);
  if (!def) NoSuchCell();
  return *def;
}

const CellValue* ShapeSheet::Stored(std::int16_t s, std::int16_t r, std::int16_t c, int depth,
                                    bool own, const ShapeSheet** holder, CellAddress* where) const {
  if (depth > kMaxDepth) return nullptr;
  if (s == visSectionObject) {
    if (const RowData* row = own ? LocalObjectRow(r) : nullptr; row && !row->deleted) {
      auto it = row->cells.find(c);
      if (it != row->cells.end()) {
        if (holder) *holder = this;
        if (where) *where = {s, r, c};
        return &it->second;
      }
    }
    SheetHost* src = Source(visSectionObject, r);
    return src ? src->Sheet().Stored(s, r, c, depth + 1, true, holder, where) : nullptr;
  }
  auto sec = Resolve(s, depth);
  if (!sec) return nullptr;
  const RowList rowList = Rows(*sec, depth);
  const auto& rows = *rowList;
  if (r < 0 || static_cast<std::size_t>(r) >= rows.size()) return nullptr;
  const RowRef& row = rows[static_cast<std::size_t>(r)];
  if (row.local && own) {
    auto it = row.local->cells.find(c);
    if (it != row.local->cells.end()) {
      if (holder) *holder = this;
      if (where) *where = {s, r, c};
      return &it->second;
    }
  }
  if (row.sourceRow >= 0 && sec->source) {
    return sec->source->Sheet().Stored(sec->sourceIndex, static_cast<std::int16_t>(row.sourceRow),
                                       c, depth + 1, true, holder, where);
  }
  return nullptr;
}

const FormulaSheet* ShapeSheet::OtherSheet(std::string_view name,
                                           const FormulaSheet& holder) const {
  const auto* holderSheet = dynamic_cast<const ShapeSheet*>(&holder);
  if (!holderSheet) return nullptr;
  SheetHost* other = host_->OtherSheet(name, *holderSheet->host_);
  return other ? &other->Sheet() : nullptr;
}

// ---- queries ----

bool ShapeSheet::SectionExists(std::int16_t s, bool local) const {
  Scope scope;
  auto sec = Resolve(s);
  if (!sec) return false;
  if (!local || s == visSectionObject) return true;
  return sec->local != nullptr;
}

bool ShapeSheet::RowExists(std::int16_t s, std::int16_t r, bool local) const {
  Scope scope;
  if (s == visSectionObject) {
    if (!ObjectRowExists(r)) return false;
    return !local || LocalObjectRow(r) || FixedObjectRow(host_->HostKind(), r);
  }
  auto sec = Resolve(s);
  if (!sec) return false;
  const RowList rowList = Rows(*sec);
  const auto& rows = *rowList;
  if (r < 0 || static_cast<std::size_t>(r) >= rows.size()) return false;
  return !local || rows[static_cast<std::size_t>(r)].local != nullptr;
}

bool ShapeSheet::CellExists(std::int16_t s, std::int16_t r, std::int16_t c, bool local) const {
  Scope scope;
  if (!RowExists(s, r, false)) return false;
  if (!FindRowCell(s, s == visSectionObject ? r : TagOf(s, r), c)) return false;
  return !local || !IsInherited(s, r, c);
}

std::int16_t ShapeSheet::RowCount(std::int16_t s) const {
  Scope scope;
  if (s == visSectionObject) return static_cast<std::int16_t>(ObjectRows().size());
  auto sec = Resolve(s);
  if (!sec) return 0;
  return static_cast<std::int16_t>(Rows(*sec)->size());
}

std::int16_t ShapeSheet::RowType(std::int16_t s, std::int16_t r) const {
  Scope scope;
  return TagOf(s, r);
}

std::int16_t ShapeSheet::RowsCellCount(std::int16_t s, std::int16_t r) const {
  Scope scope;
  return static_cast<std::int16_t>(RowCells(s, s == visSectionObject ? r : TagOf(s, r)).size());
}

std::string ShapeSheet::RowName(std::int16_t s, std::int16_t r) const {
  Scope scope;
  if (s == visSectionObject) {
    TagOf(s, r);
    return "";
  }
  auto sec = Resolve(s);
  if (!sec) NoSuchCell();
  const RowList rowList = Rows(*sec);
  const auto& rows = *rowList;
  if (r < 0 || static_cast<std::size_t>(r) >= rows.size()) NoSuchCell();
  return std::string(rows[static_cast<std::size_t>(r)].name);
}

std::int16_t ShapeSheet::GeometryCount() const {
  Scope scope;
  return static_cast<std::int16_t>(Geometry()->size());
}

std::vector<std::int16_t> ShapeSheet::SectionIndices() const {
  Scope scope;
  std::vector<std::int16_t> out;
  for (std::int16_t s = visSectionObject; s < visSectionFirstComponent; ++s) {
    if (Resolve(s)) out.push_back(s);
  }
  const std::int16_t geometry = GeometryCount();
  for (std::int16_t k = 0; k < geometry; ++k) {
    out.push_back(static_cast<std::int16_t>(visSectionFirstComponent + k));
  }
  for (std::int16_t s = visSectionAction; s <= visSectionLastRows; ++s) {
    if (Resolve(s)) out.push_back(s);
  }
  return out;
}

std::vector<std::int16_t> ShapeSheet::ObjectRows() const {
  Scope scope;
  std::vector<std::int16_t> out;
  for (std::int16_t r = visRowXFormOut; r <= visRowLastObject; ++r) {
    if (ObjectRowExists(r)) out.push_back(r);
  }
  return out;
}

std::optional<std::int16_t> ShapeSheet::RowIndexByName(std::int16_t s,
                                                       std::string_view name) const {
  Scope scope;
  auto sec = Resolve(s);
  if (!sec || s == visSectionObject || name.empty()) return std::nullopt;
  const RowList rowList = Rows(*sec);
  // Formulas name rows all the time, and a loader once per row: asked a
  // second time within a call, the section puts its names in a table
  // instead of comparing them one by one again.
  Memo* memo = Memo::Live();
  RowsEntry* kept = memo ? memo->rows.Find({this, 0, s, 0}) : nullptr;
  if (!kept || (!kept->names && kept->nameLookups++ == 0)) {
    for (std::size_t i = 0; i < rowList->size(); ++i) {
      if (automation::NamesEqual((*rowList)[i].name, name)) return static_cast<std::int16_t>(i);
    }
    return std::nullopt;
  }
  RowsEntry& entry = *kept;
  if (!entry.names) {
    entry.names = std::make_unique<std::unordered_map<std::string, std::int16_t>>();
    const auto& rows = *entry.rows;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (!rows[i].name.empty())
        entry.names->try_emplace(automation::AsciiLowered(rows[i].name),
                                 static_cast<std::int16_t>(i));
    }
  }
  auto found = entry.names->find(automation::AsciiLowered(name));
  if (found == entry.names->end()) return std::nullopt;
  return found->second;
}

// ======================================================================
// Formulas
// ======================================================================

CellValue ShapeSheet::ComputeCell(CellAddress at, FormulaEvaluator& ev) const {
  const auto [s, r, c] = at;
  // A result that met no circular reference or limit is the same whoever
  // asks: kept for the next call, unless a cell is being recalculated.
  const bool shared = !ev.checking && !ev.recalculating;
  if (shared) {
    if (const CellValue* kept = KeptValue(s, r, c)) return *kept;
  }
  const bool outer = std::exchange(ev.cutShort, false);
  const bool outerRan = std::exchange(ev.ranFormula, false);
  CellValue v = ComputeNow(s, r, c, ev);
  // A value read as it is stored costs less to read again than to keep.
  if (shared && !ev.cutShort && ev.ranFormula) KeepValue(s, r, c, v);
  ev.cutShort = ev.cutShort || outer;
  ev.ranFormula = ev.ranFormula || outerRan;
  return v;
}

CellValue ShapeSheet::ComputeNow(std::int16_t s, std::int16_t r, std::int16_t c,
                                 FormulaEvaluator& ev) const {
  const CellDef& def = CheckedDef(s, r, c);
  const ShapeSheet* holder = this;
  const CellValue* stored = Stored(s, r, c, 0, true, &holder);
  // Recalculating the cell: a value its file recorded gives way to the one
  // its inherited formula gives now.
  if (stored && stored->inheritedFormula && ev.recalculating && &ev.Home() == this &&
      *ev.recalculating == CellAddress{s, r, c}) {
    holder = this;
    stored = Stored(s, r, c, 0, false, &holder);
  }
  CellValue v;
  bool computed = true;
  if (stored) {
    v = *stored;
    if (v.inheritedFormula) {
      // The value a file recorded for an inherited formula is what Visio
      // shows until it recalculates the cell; it is not recomputed here.
      v.formula = InheritedFormula(s, r, c);
      return v;
    }
    if (!v.constant && v.formula.empty()) return v;  // no formula: the value is all there is
  } else {
    v.formula = def.initial;
  }
  if (v.constant) {
    // The value is its own formula's.
  } else if (auto literal = ConstantValue(v.formula)) {
    // A date or an amount of money is written as a plain number; the
    // unit stored with it says what it is.
    const Dimension kept = stored ? DimensionOf(stored->unit) : Dimension::Number;
    if (!literal->isString && !literal->isBool && literal->unit == visNumber &&
        (kept == Dimension::Date || kept == Dimension::Currency)) {
      literal->unit = stored->unit;
      literal->result *= UnitFactor(stored->unit);
    }
    v.result = literal->result;
    v.unit = literal->unit;
    v.isString = literal->isString;
    v.isBool = literal->isBool;
    v.text = literal->text;
    v.error = 0;
  } else {
    // Names in the formula are this sheet's; IDs of other sheets are those
    // of the sheet that holds the formula.
    const FormulaResult res =
        ev.RunCell(*this, stored ? *holder : *this, CellAddress{s, r, c}, v.formula.str());
    if (res.outcome == FormulaOutcome::Ok) {
      v.result = res.val.v;
      v.unit = res.val.unit;
      v.isString = res.val.isString;
      v.isBool = res.val.isBool;
      v.text = res.val.s;
      v.error = 0;
    } else if (res.outcome == FormulaOutcome::Error) {
      v.error = res.error;
      computed = false;  // the stored result stands beside the error
    } else {
      computed = false;  // keeps what was stored
    }
  }
  // A plain number in a cell made for a measure is in its default unit.
  if (computed && !v.isString && !v.isBool && DimensionOf(v.unit) == Dimension::Number) {
    if (def.kind == CellKind::Length) {
      v.result *= UnitFactor(visInches);
      v.unit = visInches;
    } else if (def.kind == CellKind::Angle) {
      v.result *= UnitFactor(visDegrees);
      v.unit = visDegrees;
    }
  }
  if (v.isString) v.unit = visNoCast;
  return v;
}

void ShapeSheet::CheckFormula(std::string_view formula) const {
  if (formula.empty() || ConstantValue(std::string(formula))) return;
  FormulaEvaluator ev(*this);
  ev.checking = true;
  const FormulaResult r = ev.Run(formula);
  if (r.outcome == FormulaOutcome::Syntax) ThrowVisio(VisioErrorKind::BadFormula);
  if (r.outcome == FormulaOutcome::Error && r.error == visErrorName)
    ThrowVisio(VisioErrorKind::BadFormula);
}

// ---- values ----

std::string ShapeSheet::Formula(std::int16_t s, std::int16_t r, std::int16_t c) const {
  Scope scope;
  const CellDef& def = CheckedDef(s, r, c);
  const CellValue* stored = Stored(s, r, c);
  if (stored && stored->inheritedFormula) return InheritedFormula(s, r, c);
  return stored ? FormulaOf(*stored) : def.initial;
}

std::string ShapeSheet::InheritedFormula(std::int16_t s, std::int16_t r, std::int16_t c) const {
  const std::string initial = CheckedDef(s, r, c).initial;
  if (s == visSectionObject) {
    SheetHost* src = Source(visSectionObject, r);
    return src ? src->Sheet().Formula(s, r, c) : initial;
  }
  auto sec = Resolve(s);
  if (!sec || !sec->source) return initial;
  const RowList rowList = Rows(*sec);
  const auto& rows = *rowList;
  if (r < 0 || static_cast<std::size_t>(r) >= rows.size()) return initial;
  const RowRef& row = rows[static_cast<std::size_t>(r)];
  if (row.sourceRow < 0) return initial;
  return sec->source->Sheet().Formula(sec->sourceIndex, static_cast<std::int16_t>(row.sourceRow),
                                      c);
}

CellValue ShapeSheet::Value(std::int16_t s, std::int16_t r, std::int16_t c) const {
  Scope scope;
  FormulaEvaluator ev(*this);
  return ComputeCell({s, r, c}, ev);
}

double ShapeSheet::ResultIU(std::int16_t s, std::int16_t r, std::int16_t c) const {
  Scope scope;
  const CellValue v = Value(s, r, c);
  return v.isString ? 0 : v.result;
}

double ShapeSheet::ResultIU(std::string_view name) const {
  Scope scope;
  auto at = FindCell(name);
  if (!at) NoSuchCell();
  return ResultIU(at->section, at->row, at->column);
}

std::string ShapeSheet::ResultString(std::int16_t s, std::int16_t r, std::int16_t c) const {
  Scope scope;
  const CellValue v = Value(s, r, c);
  if (v.isString) return v.text;
  if (v.isBool) return v.result != 0 ? "TRUE" : "FALSE";
  return FormatResult(v.result, v.unit, visNoCast);
}

bool ShapeSheet::IsInherited(std::int16_t s, std::int16_t r, std::int16_t c) const {
  Scope scope;
  CheckedDef(s, r, c);
  if (s == visSectionObject) {
    const RowData* row = LocalObjectRow(r);
    if (!row) return true;
    auto it = row->cells.find(c);
    return it == row->cells.end() || it->second.inheritedFormula;
  }
  const RowList rowList = Rows(*Resolve(s));
  const auto& rows = *rowList;
  const RowRef& row = rows[static_cast<std::size_t>(r)];
  if (!row.local) return true;
  auto it = row.local->cells.find(c);
  return it == row.local->cells.end() || it->second.inheritedFormula;
}

std::optional<ShapeSheet::CellSource> ShapeSheet::FormulaSource(std::int16_t s, std::int16_t r,
                                                                std::int16_t c) const {
  Scope scope;
  if (!IsInherited(s, r, c)) return std::nullopt;
  const ShapeSheet* holder = nullptr;
  CellAddress where;
  if (!Stored(s, r, c, 0, false, &holder, &where) || !holder) return std::nullopt;
  return CellSource{holder->host_, where};
}

std::optional<ShapeSheet::CellSource> ShapeSheet::ValueSource(std::int16_t s, std::int16_t r,
                                                              std::int16_t c) const {
  Scope scope;
  CheckedDef(s, r, c);
  const ShapeSheet* holder = nullptr;
  CellAddress where;
  const CellValue* stored = Stored(s, r, c, 0, true, &holder, &where);
  // A value of its own (a recorded one included), or none stored anywhere.
  if (!stored || holder == this) return std::nullopt;
  // An inherited formula that refers to other cells is computed here, with
  // this sheet's cells: the value is this cell's own.
  if (!stored->constant && !stored->formula.empty() && !ConstantValue(stored->formula))
    return std::nullopt;
  return CellSource{holder->host_, where};
}

bool ShapeSheet::IsGuarded(std::int16_t s, std::int16_t r, std::int16_t c) const {
  Scope scope;
  const std::string f = Formula(s, r, c);
  if (f.size() < 7 || !automation::NamesEqual(std::string_view(f).substr(0, 5), "GUARD"))
    return false;
  const std::string_view rest = automation::TrimBlanks(std::string_view(f).substr(5));
  return !rest.empty() && rest.front() == '(';
}

std::optional<CellValue> ShapeSheet::Evaluate(std::string_view formula) const {
  Scope scope;
  const std::string f = NormalizeFormula(formula);
  if (auto literal = ConstantValue(f)) return literal;
  FormulaEvaluator ev(*this);
  const FormulaResult r = ev.Run(f);
  if (r.outcome != FormulaOutcome::Ok) return std::nullopt;
  CellValue v;
  v.formula = f;
  v.result = r.val.v;
  v.unit = r.val.isString ? visNoCast : r.val.unit;
  v.isString = r.val.isString;
  v.isBool = r.val.isBool;
  v.text = r.val.s;
  return v;
}

CellKind ShapeSheet::KindOf(std::int16_t s, std::int16_t r, std::int16_t c) const {
  Scope scope;
  return CheckedDef(s, r, c).kind;
}

std::vector<CellAddress> ShapeSheet::RecordedCells() const {
  Scope scope;
  std::vector<CellAddress> out;
  auto collect = [&](std::int16_t s, std::int16_t r, const RowData& row) {
    for (const auto& [c, v] : row.cells) {
      if (v.inheritedFormula) out.push_back({s, r, c});
    }
  };
  for (std::int16_t r : ObjectRows()) {
    if (const RowData* row = LocalObjectRow(r)) collect(visSectionObject, r, *row);
  }
  for (std::int16_t s : SectionIndices()) {
    if (s == visSectionObject) continue;
    const RowList rows = Rows(*Resolve(s));
    for (std::size_t i = 0; i < rows->size(); ++i) {
      if (const RowData* row = (*rows)[i].local) collect(s, static_cast<std::int16_t>(i), *row);
    }
  }
  return out;
}

CellValue ShapeSheet::Recalculated(std::int16_t s, std::int16_t r, std::int16_t c) const {
  Scope scope;
  FormulaEvaluator ev(*this);
  ev.recalculating = CellAddress{s, r, c};
  return ComputeCell({s, r, c}, ev);
}

void ShapeSheet::ForgetRecorded(std::int16_t s, std::int16_t r, std::int16_t c) {
  const Change change;
  CheckedDef(s, r, c);
  const RowData* row = nullptr;
  if (s == visSectionObject) {
    row = LocalObjectRow(r);
  } else {
    row = (*Rows(*Resolve(s)))[static_cast<std::size_t>(r)].local;
  }
  if (!row) return;
  CellMap& cells = const_cast<RowData*>(row)->cells;  // the sheet's own row
  auto it = cells.find(c);
  if (it != cells.end() && it->second.inheritedFormula) cells.erase(it);
}

}  // namespace standin
