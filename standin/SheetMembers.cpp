// Cell objects, and the sheet members IVShape and IVStyle share.
#include "standin/Cell.h"
#include "standin/SheetInternals.h"

namespace standin {

using namespace detail;

// ======================================================================
// Cell objects
// ======================================================================

ShapeSheet::CellKey ShapeSheet::KeyOf(std::int16_t s, std::int16_t r, std::int16_t c) const {
  Scope scope;
  if (s == visSectionObject) return CellKey{s, static_cast<std::uint64_t>(r), c};
  const RowList rows = Rows(*Resolve(s));
  const std::int16_t kind = IsGeometrySection(s) ? visSectionFirstComponent : s;
  return CellKey{kind, (*rows)[static_cast<std::size_t>(r)].uid, c};
}

std::optional<CellAddress> ShapeSheet::Locate(const CellKey& key) const {
  Scope scope;
  if (key.sectionClass == visSectionObject) {
    const auto r = static_cast<std::int16_t>(key.row);
    if (!ObjectRowExists(r) || !FindRowCell(visSectionObject, r, key.column)) return std::nullopt;
    return CellAddress{visSectionObject, r, key.column};
  }
  auto find = [&](const SectionRef& sec) -> std::optional<CellAddress> {
    const RowList list = Rows(sec);
    const auto& rows = *list;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (rows[i].uid != key.row) continue;
      if (!FindRowCell(sec.index, rows[i].tag, key.column)) return std::nullopt;
      return CellAddress{sec.index, static_cast<std::int16_t>(i), key.column};
    }
    return std::nullopt;
  };
  if (key.sectionClass == visSectionFirstComponent) {
    const GeometryList all = Geometry();
    for (const auto& g : *all) {
      if (auto at = find(g)) return at;
    }
    return std::nullopt;
  }
  auto sec = Resolve(key.sectionClass);
  if (!sec) return std::nullopt;
  return find(*sec);
}

Ref<Cell> ShapeSheet::CellObject(std::int16_t s, std::int16_t r, std::int16_t c) {
  Scope scope;
  CheckedDef(s, r, c);
  const CellKey key = KeyOf(s, r, c);
  Ref<Cell> cell;
  if (auto it = cells_.find(key); it != cells_.end()) {
    cell = Ref<Cell>(it->second);
  } else {
    cell = MakeRef<Cell>(*host_, key);
    cells_[key] = cell.get();
  }
  cell->Seen({s, r, c});
  return cell;
}

void ShapeSheet::Forget(const CellKey& key, const Cell* cell) {
  auto it = cells_.find(key);
  if (it != cells_.end() && it->second == cell) cells_.erase(it);
}

// ======================================================================
// The members IVShape and IVStyle share
// ======================================================================

void CheckWritable(SheetHost& host) {
  VisioObject* doc = host.HostDocument();
  if (!doc || !doc->Members().Find("ReadOnly")) return;
  if (ObjectRef(doc).Get("ReadOnly").ToInt32() != 0) ThrowVisio(VisioErrorKind::ReadOnlyDocument);
}

namespace sheetmembers {

namespace {

ShapeSheet& SheetOf(SheetHost& h) {
  return h.Sheet();
}

// The sheet, for a change a client makes.
ShapeSheet& Changing(SheetHost& h) {
  CheckWritable(h);
  return h.Sheet();
}

bool Flag(Args a, std::size_t i) {
  return HasArg(a, i) && a[i].ToInt32() != 0;
}

CellAddress Named(SheetHost& h, Args a) {
  CheckArgCount(a, 1, 1);
  auto at = SheetOf(h).FindCell(ArgStr(a, 0));
  if (!at) NoSuchCell();
  return *at;
}

}  // namespace

Variant CellsSRC(SheetHost& h, Args a) {
  CheckArgCount(a, 3, 3);
  return SheetOf(h).CellObject(ArgI2(a, 0), ArgI2(a, 1), ArgI2(a, 2));
}

Variant Cells(SheetHost& h, Args a) {
  const CellAddress at = Named(h, a);
  return SheetOf(h).CellObject(at.section, at.row, at.column);
}

Variant CellExists(SheetHost& h, Args a) {
  CheckArgCount(a, 1, 2);
  const std::string name = ArgStr(a, 0);
  const bool local = Flag(a, 1);
  try {
    auto at = SheetOf(h).FindCell(name);
    return VisBool(at && SheetOf(h).CellExists(at->section, at->row, at->column, local));
  } catch (const automation::AutomationError&) {
    return VisBool(false);  // a name no sheet has does not exist either
  }
}

Variant CellsSRCExists(SheetHost& h, Args a) {
  CheckArgCount(a, 3, 4);
  return VisBool(SheetOf(h).CellExists(ArgI2(a, 0), ArgI2(a, 1), ArgI2(a, 2), Flag(a, 3)));
}

Variant CellsRowIndex(SheetHost& h, Args a) {
  return I2(Named(h, a).row);
}

Variant SectionExists(SheetHost& h, Args a) {
  CheckArgCount(a, 1, 2);
  return VisBool(SheetOf(h).SectionExists(ArgI2(a, 0), Flag(a, 1)));
}

Variant RowExists(SheetHost& h, Args a) {
  CheckArgCount(a, 2, 3);
  return VisBool(SheetOf(h).RowExists(ArgI2(a, 0), ArgI2(a, 1), Flag(a, 2)));
}

Variant RowType(SheetHost& h, Args a) {
  CheckArgCount(a, 2, 2);
  return I2(SheetOf(h).RowType(ArgI2(a, 0), ArgI2(a, 1)));
}

void PutRowType(SheetHost& h, Args a, const Variant& v) {
  CheckArgCount(a, 2, 2);
  Changing(h).SetRowType(ArgI2(a, 0), ArgI2(a, 1), v.ToInt16());
}

Variant RowCount(SheetHost& h, Args a) {
  CheckArgCount(a, 1, 1);
  return I2(SheetOf(h).RowCount(ArgI2(a, 0)));
}

Variant RowsCellCount(SheetHost& h, Args a) {
  CheckArgCount(a, 2, 2);
  return I2(SheetOf(h).RowsCellCount(ArgI2(a, 0), ArgI2(a, 1)));
}

Variant GeometryCount(SheetHost& h) {
  return I2(SheetOf(h).GeometryCount());
}

Variant AddSection(SheetHost& h, Args a) {
  CheckArgCount(a, 1, 1);
  return I2(Changing(h).AddSection(ArgI2(a, 0)));
}

Variant AddRow(SheetHost& h, Args a) {
  CheckArgCount(a, 2, 3);
  const std::int16_t tag = HasArg(a, 2) ? ArgI2(a, 2) : std::int16_t{0};
  return I2(Changing(h).AddRow(ArgI2(a, 0), ArgI2(a, 1), tag));
}

Variant AddRows(SheetHost& h, Args a) {
  CheckArgCount(a, 4, 4);
  return I2(Changing(h).AddRows(ArgI2(a, 0), ArgI2(a, 1), ArgI2(a, 2), ArgI2(a, 3)));
}

Variant AddNamedRow(SheetHost& h, Args a) {
  CheckArgCount(a, 2, 3);
  const std::int16_t tag = HasArg(a, 2) ? ArgI2(a, 2) : std::int16_t{0};
  return I2(Changing(h).AddNamedRow(ArgI2(a, 0), ArgStr(a, 1), tag));
}

Variant DeleteSection(SheetHost& h, Args a) {
  CheckArgCount(a, 1, 1);
  Changing(h).DeleteSection(ArgI2(a, 0));
  return Variant();
}

Variant DeleteRow(SheetHost& h, Args a) {
  CheckArgCount(a, 2, 2);
  Changing(h).DeleteRow(ArgI2(a, 0), ArgI2(a, 1));
  return Variant();
}

}  // namespace sheetmembers

}  // namespace standin
