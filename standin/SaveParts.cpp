#include "standin/SaveParts.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <map>
#include <pugixml.hpp>
#include <set>
#include <sstream>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "standin/Colors.h"
#include "standin/Document.h"
#include "standin/Fonts.h"
#include "standin/Master.h"
#include "standin/Page.h"
#include "standin/Shape.h"
#include "standin/ShapeSheet.h"
#include "standin/ShapeText.h"
#include "standin/SheetInternals.h"
#include "standin/Style.h"
#include "standin/VsdxRead.h"

namespace standin {

namespace {

std::string Number(double v) {
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  if (ec != std::errc()) return "0";
  return std::string(buf, end);
}

std::string Number(int v) {
  return std::to_string(v);
}

// The name files give a unit in U; empty for units without one.
std::string UnitAttrName(std::int16_t unit) {
  static const char* const kNames[] = {"IN",  "FT", "MI", "YD", "CM", "MM",  "M",   "KM",
                                       "NM",  "PT", "P",  "D",  "C",  "DEG", "RAD", "MIN",
                                       "SEC", "EW", "ED", "EH", "EM", "ES"};
  for (const char* n : kNames) {
    if (UnitFromName(n) == unit) return n;
  }
  return {};
}

// The unit the loader gives a cell of `kind` whose element names none.
std::int16_t DefaultUnitFor(CellKind kind) {
  if (kind == CellKind::Length) return visInches;
  if (kind == CellKind::Angle) return visDegrees;
  return visNumber;
}

// Cells whose numbers are indices into the document's colours, written
// "#RRGGBB" as Visio writes them.
bool IsColorCell(std::string_view name) {
  return name.find("Color") != std::string_view::npos || name == "FillForegnd" ||
         name == "FillBkgnd" || name == "ShdwForegnd" || name == "ShdwBkgnd";
}

bool SameNumber(double a, double b) {
  return a == b || (std::isnan(a) && std::isnan(b));
}

bool SameCell(const CellValue& a, const CellValue& b) {
  if (a.constant != b.constant || a.inheritedFormula != b.inheritedFormula ||
      a.isString != b.isString || a.isBool != b.isBool)
    return false;
  if (!a.constant && a.formula != b.formula) return false;
  if (a.isString) return a.text == b.text;
  return SameNumber(a.result, b.result) && a.unit == b.unit;
}

// The file's name of a connection row's extra cells.
std::string_view FileCellName(std::int16_t s, std::string_view name) {
  // A tab stop's cells are named in the file without the stop's number:
  // the Row element holding them says which stop they are.
  if (s == visSectionTab) return name.substr(0, name.find_first_of("0123456789"));
  if (s != visSectionConnectionPts) return name;
  if (name == "A") return "DirX";
  if (name == "B") return "DirY";
  if (name == "C") return "Type";
  if (name == "D") return "AutoGen";
  return name;
}

void SetAttr(pugi::xml_node n, const char* name, const std::string& value) {
  pugi::xml_attribute a = n.attribute(name);
  if (!a) a = n.append_attribute(name);
  if (value != a.value()) a.set_value(value.c_str());
}

// Where a new child of a sheet element goes: before the first child of a
// kind that comes after it in Visio's order.
pugi::xml_node InsertChild(pugi::xml_node parent, const char* name,
                           std::initializer_list<const char*> after) {
  for (pugi::xml_node c : parent.children()) {
    for (const char* a : after) {
      if (std::strcmp(c.name(), a) == 0) return parent.insert_child_before(name, c);
    }
  }
  return parent.append_child(name);
}

}  // namespace

// What saving needs of a sheet's storage.
struct SheetSaver {
  using RowData = ShapeSheet::RowData;
  using SectionData = ShapeSheet::SectionData;

  explicit SheetSaver(SheetHost& h)
      : host(h), sheet(h.Sheet()), doc(dynamic_cast<Document*>(h.HostDocument())) {
    context.colorIndex = [doc = doc](std::string_view rgb) -> std::int16_t {
      if (!doc) return -1;
      unsigned value = 0;
      std::from_chars(rgb.data() + 1, rgb.data() + rgb.size(), value, 16);
      Colors& colors = static_cast<Colors&>(doc->Colors());
      for (const auto& c : colors.Items()) {
        if (c->Red() == ((value >> 16) & 0xFF) && c->Green() == ((value >> 8) & 0xFF) &&
            c->Blue() == (value & 0xFF))
          return colors.IndexOf(*c);
      }
      return -1;
    };
    context.fontId = [doc = doc](std::string_view name) -> std::int16_t {
      if (!doc) return 0;
      Font* f = static_cast<Fonts&>(doc->Fonts()).FindByName(std::string(name));
      return f ? f->Id() : 0;
    };
  }

  SheetHost& host;
  ShapeSheet& sheet;
  Document* doc = nullptr;
  CellReadContext context;

  // ---- cells ----

  // Makes the cell element hold v, as Visio writes a cell.
  void WriteCell(pugi::xml_node e, const CellValue& v, const CellDef& def, std::int16_t s) {
    for (const char* a : {"V", "U", "F", "E"}) e.remove_attribute(a);
    std::string value, unit;
    if (v.isString) {
      value = v.text.str();
      if (def.kind != CellKind::String) unit = "STR";
    } else if (v.isBool) {
      value = v.result != 0 ? "1" : "0";
      unit = "BOOL";
    } else if (s == visSectionCharacter && std::string_view(def.name) == "Font" && doc) {
      Font* f = static_cast<Fonts&>(doc->Fonts()).FindById(static_cast<std::int16_t>(v.result));
      value = f ? f->Name() : Number(v.result);
    } else if (IsColorCell(def.name) && doc && v.result >= 0 &&
               v.result < static_cast<double>(static_cast<Colors&>(doc->Colors()).Items().size()) &&
               v.result == std::floor(v.result)) {
      const auto& c =
          static_cast<Colors&>(doc->Colors()).Items()[static_cast<std::size_t>(v.result)];
      char buf[8];
      std::snprintf(buf, sizeof buf, "#%02X%02X%02X", c->Red(), c->Green(), c->Blue());
      value = buf;
    } else {
      value = Number(v.result);
      if (v.unit == visDate) {
        unit = "DATE";
      } else if (v.unit != DefaultUnitFor(def.kind)) {
        unit = UnitAttrName(v.unit);
      }
    }
    e.append_attribute("V").set_value(value.c_str());
    if (!unit.empty()) e.append_attribute("U").set_value(unit.c_str());
    if (v.inheritedFormula) {
      e.append_attribute("F").set_value("Inh");
    } else if (!v.constant) {
      e.append_attribute("F").set_value(v.formula.empty() ? "No Formula" : v.formula.str().c_str());
    }
  }

  // Makes the Cell children of `parent` hold `cells` (columns of a row of
  // section s, its cells found by `columnOf`): cells that already do are
  // left alone, others rewritten or added, and cells the model no longer
  // holds locally removed. Elements the loader skips stay.
  template <class ColumnOf, class DefOf>
  void MergeCells(pugi::xml_node parent, std::int16_t s,
                  const std::map<int, const CellValue*>& cells, ColumnOf&& columnOf,
                  DefOf&& defOf) {
    std::set<int> done;
    for (pugi::xml_node c = parent.child("Cell"); c;) {
      pugi::xml_node next = c.next_sibling("Cell");
      const CellAttrs attrs = ReadCellAttrs(c);
      const auto column = columnOf(std::string_view(attrs.n.value()));
      const CellDef* def = column ? defOf(*column) : nullptr;
      if (!def) {
        c = next;
        continue;
      }
      auto it = cells.find(*column);
      const auto stored = ReadCellValue(attrs, def->kind, s, def->name, context);
      if (it == cells.end() || done.count(*column)) {
        if (stored) parent.remove_child(c);
      } else {
        if (!stored || !SameCell(*stored, *it->second)) WriteCell(c, *it->second, *def, s);
        done.insert(*column);
      }
      c = next;
    }
    for (const auto& [column, value] : cells) {
      if (done.count(column)) continue;
      const CellDef* def = defOf(column);
      if (!def) continue;
      pugi::xml_node c = InsertChild(parent, "Cell",
                                     {"Trigger", "Section", "Row", "Text", "Data1", "Data2",
                                      "Data3", "ForeignData", "Shapes"});
      c.append_attribute("N").set_value(std::string(FileCellName(s, def->name)).c_str());
      WriteCell(c, *value, *def, s);
    }
  }

  void WriteObjectCells(pugi::xml_node e) {
    std::map<int, const CellValue*> cells;  // row << 8 | column
    auto it = sheet.sections_.find(visSectionObject);
    if (it != sheet.sections_.end()) {
      for (const RowData& row : it->second.rows) {
        if (row.deleted) continue;
        for (const auto& [col, v] : row.cells) cells[(row.key << 8) | col] = &v;
      }
    }
    MergeCells(
        e, visSectionObject, cells,
        [](std::string_view name) -> std::optional<int> {
          auto at = FindObjectCell(name);
          if (!at) return std::nullopt;
          return (at->row << 8) | at->column;
        },
        [](int key) {
          return FindRowCell(visSectionObject, static_cast<std::int16_t>(key >> 8),
                             static_cast<std::int16_t>(key & 0xFF));
        });
  }

  // ---- rows ----

  struct WantedRow {
    std::string key;  // "N:name" or "IX:n"
    std::string name;
    int ix = 0;
    std::int16_t tag = 0;
    const RowData* data = nullptr;  // null: a row deleted
  };

  // The rows a section element must hold: its local rows by the index or
  // name files give them, and markers for inherited rows it deletes.
  // `existing`: the rows the section had before a file's rows of it were
  // read, which the loader numbers those rows after.
  std::vector<WantedRow> WantedRows(std::int16_t viewIndex, const SectionData& local,
                                    std::int16_t sourceIndex, bool named, int& existing) {
    std::vector<WantedRow> out;
    // The rows inherited, as the sheet inherited from sees them.
    std::vector<ShapeSheet::RowRef> inherited;
    const ShapeSheet::Scope scope;
    SheetHost* src = IsGeometrySection(viewIndex)
                         ? host.InheritedSource(visSectionFirstComponent, 0)
                         : host.InheritedSource(viewIndex, 0);
    if (src && sourceIndex >= 0) {
      if (auto sec = src->Sheet().Resolve(sourceIndex)) inherited = *src->Sheet().Rows(*sec);
    }
    std::vector<ShapeSheet::RowRef> view;
    if (auto sec = sheet.Resolve(viewIndex)) view = *sheet.Rows(*sec);
    auto keyOf = [&](WantedRow& w) {
      w.key = named && !w.name.empty() ? "N:" + w.name : "IX:" + std::to_string(w.ix);
    };
    int ownIx = local.detached ? 0 : static_cast<int>(inherited.size());
    existing = std::max(static_cast<int>(inherited.size()),
                        IsGeometrySection(viewIndex) || sheet.FixedSection(viewIndex) ? 1 : 0);
    for (const RowData& row : local.rows) {
      WantedRow w;
      if (row.deleted) {
        if (row.own || local.detached) continue;
        w.ix = row.key;
        if (row.key >= 0 && static_cast<std::size_t>(row.key) < inherited.size())
          w.name = std::string(inherited[static_cast<std::size_t>(row.key)].name);
        keyOf(w);
        out.push_back(std::move(w));
        continue;
      }
      w.data = &row;
      w.ix = row.own ? ownIx++ : row.key;
      for (const auto& r : view) {
        if (r.local == &row) {
          w.tag = r.tag;
          w.name = std::string(r.name);
          break;
        }
      }
      keyOf(w);
      out.push_back(std::move(w));
    }
    // A detached section stands over every inherited row: those beyond
    // its own go.
    if (local.detached) {
      for (int i = ownIx; i < static_cast<int>(inherited.size()); ++i) {
        WantedRow w;
        w.ix = i;
        w.name = std::string(inherited[static_cast<std::size_t>(i)].name);
        keyOf(w);
        out.push_back(std::move(w));
      }
    }
    return out;
  }

  // Rows the loader leaves out (a geometry type it does not know, a
  // name Visio refuses, no name and no index): kept as they are.
  static bool Skipped(pugi::xml_node row, bool named, bool geometry) {
    const char* t = row.attribute("T").value();
    const std::string_view n = row.attribute("N").value();
    const int ix = row.attribute("IX").as_int(-1);
    if (geometry) return (*t && !GeometryTagOf(t)) || ix < 1;
    if (named && !n.empty()) return !detail::ValidRowName(n);
    return ix < 0;
  }

  // The keys of a section element's rows as the loader places them: rows
  // past the existing ones follow one another whatever gaps the file
  // leaves between their indices, and rows it leaves out of a geometry
  // section move the later ones up.
  static std::map<pugi::xml_node_struct*, std::string> ElementKeys(pugi::xml_node sec, bool named,
                                                                   bool geometry, int existing) {
    std::vector<int> unknown;
    std::vector<std::pair<int, pugi::xml_node>> unnamed;
    std::map<pugi::xml_node_struct*, std::string> out;
    for (pugi::xml_node row : sec.children("Row")) {
      const std::string_view n = row.attribute("N").value();
      const int ix = row.attribute("IX").as_int(-1);
      if (geometry && *row.attribute("T").value() && Skipped(row, named, geometry) && ix >= 1)
        unknown.push_back(ix);
      if (Skipped(row, named, geometry)) continue;
      if (named && !n.empty()) {
        out[row.internal_object()] = "N:" + std::string(n);
      } else {
        unnamed.emplace_back(ix, row);
      }
    }
    std::sort(unknown.begin(), unknown.end());
    for (auto& [ix, row] : unnamed)
      ix -=
          static_cast<int>(std::lower_bound(unknown.begin(), unknown.end(), ix) - unknown.begin());
    std::stable_sort(unnamed.begin(), unnamed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    int next = existing, last = -1, placed = 0;
    for (const auto& [ix, row] : unnamed) {
      if (ix < existing) {
        placed = ix;
      } else if (ix != last) {
        last = ix;
        placed = next++;
      }
      out[row.internal_object()] = "IX:" + std::to_string(placed);
    }
    return out;
  }

  void WriteRowCells(pugi::xml_node e, std::int16_t s, std::int16_t tag, const RowData& row) {
    std::map<int, const CellValue*> cells;
    for (const auto& [col, v] : row.cells) cells[col] = &v;
    MergeCells(
        e, s, cells,
        [&](std::string_view name) -> std::optional<int> {
          if (s == visSectionConnectionPts) {
            if (name == "DirX") name = "A";
            if (name == "DirY") name = "B";
            if (name == "Type") name = "C";
            if (name == "AutoGen") name = "D";
          }
          auto c = ColumnOfName(s, tag, name);
          if (!c) return std::nullopt;
          return *c;
        },
        [&](int c) { return FindRowCell(s, tag, static_cast<std::int16_t>(c)); });
  }

  // Makes a Section element (`sec`, made when null and needed) hold the
  // section's local rows. Returns false when nothing local is left.
  void WriteSection(pugi::xml_node e, pugi::xml_node sec, std::int16_t s, const SectionData& local,
                    std::int16_t sourceIndex, int geometryIx) {
    const bool geometry = geometryIx >= 0;
    const bool named = !geometry && detail::RowsHaveNames(s);
    if (!sec) {
      sec = InsertChild(e, "Section", {"Text", "Data1", "Data2", "Data3", "ForeignData", "Shapes"});
      sec.append_attribute("N").set_value(geometry ? "Geometry" : SectionFileName(s));
      if (geometry) sec.append_attribute("IX").set_value(geometryIx);
    }
    if (local.deleted) {
      if (sec.attribute("Del").as_int() == 0) SetAttr(sec, "Del", "1");
      return;
    }
    sec.remove_attribute("Del");
    int existing = 0;
    std::vector<WantedRow> wanted = WantedRows(s, local, sourceIndex, named, existing);
    const auto keys = ElementKeys(sec, named, geometry, existing);
    std::map<std::string, const WantedRow*> byKey;
    for (const auto& w : wanted) {
      if (geometry && w.ix == 0 && w.data) {
        WriteRowCells(sec, s, visTagComponent, *w.data);
        continue;
      }
      byKey[w.key] = &w;
    }
    std::set<std::string> done;
    for (pugi::xml_node row = sec.child("Row"); row;) {
      pugi::xml_node next = row.next_sibling("Row");
      const auto found = keys.find(row.internal_object());
      if (found == keys.end()) {
        row = next;
        continue;
      }
      const std::string& key = found->second;
      auto it = byKey.find(key);
      if (it == byKey.end() || done.count(key)) {
        sec.remove_child(row);
      } else {
        FillRow(row, s, *it->second, geometry);
        done.insert(key);
      }
      row = next;
    }
    for (const auto& w : wanted) {
      if ((geometry && w.ix == 0 && w.data) || done.count(w.key)) continue;
      pugi::xml_node row = sec.append_child("Row");
      if (named && !w.name.empty()) {
        row.append_attribute("N").set_value(w.name.c_str());
      } else {
        row.append_attribute("IX").set_value(w.ix);
      }
      FillRow(row, s, w, geometry);
      done.insert(w.key);
    }
  }

  void FillRow(pugi::xml_node row, std::int16_t s, const WantedRow& w, bool geometry) {
    if (!w.data) {
      if (row.attribute("Del").as_int() == 0) SetAttr(row, "Del", "1");
      return;
    }
    row.remove_attribute("Del");
    std::int16_t tag = w.tag;
    if (geometry) {
      const char* t = GeometryTagFileName(tag);
      const std::string_view had = row.attribute("T").value();
      if (t && had != t) SetAttr(row, "T", t);
    }
    WriteRowCells(row, s, tag, *w.data);
  }

  // Files keep the Tabs section as a Section element per row (IX the row,
  // left out for row 0), and in it a Row element per stop (IX the stop)
  // with its Position and Alignment; a row without stops is one Row
  // without cells. The count of stops is not stored: the loader counts
  // the stops given, so the last one is always written.
  void WriteTabs(pugi::xml_node e, const SectionData& local) {
    std::map<int, pugi::xml_node> byRow;
    for (pugi::xml_node sec = e.child("Section"); sec;) {
      pugi::xml_node next = sec.next_sibling("Section");
      if (std::string_view(sec.attribute("N").value()) == "Tabs") {
        const int ix = sec.attribute("IX").as_int(0);
        // A second element for one row is one the loader read over.
        if (ix >= 0 && !byRow.emplace(ix, sec).second) e.remove_child(sec);
      }
      sec = next;
    }
    // A section deleted: every inherited row goes, a marker for each.
    SectionData none;
    none.detached = true;
    int existing = 0;
    std::set<int> done;
    for (const WantedRow& w :
         WantedRows(visSectionTab, local.deleted ? none : local, visSectionTab, false, existing)) {
      pugi::xml_node sec = byRow.count(w.ix) ? byRow[w.ix] : pugi::xml_node();
      if (!sec) {
        sec =
            InsertChild(e, "Section", {"Text", "Data1", "Data2", "Data3", "ForeignData", "Shapes"});
        sec.append_attribute("N").set_value("Tabs");
        if (w.ix != 0) sec.append_attribute("IX").set_value(w.ix);
      }
      done.insert(w.ix);
      if (!w.data) {
        if (sec.attribute("Del").as_int() == 0) SetAttr(sec, "Del", "1");
        continue;
      }
      sec.remove_attribute("Del");
      FillTabRow(sec, static_cast<std::int16_t>(w.ix), w.tag, *w.data);
    }
    for (const auto& [ix, sec] : byRow) {
      if (!done.count(ix)) e.remove_child(sec);
    }
  }

  void FillTabRow(pugi::xml_node sec, std::int16_t r, std::int16_t tag, const RowData& row) {
    const int stops =
        TabStopsOf(tag) > 0
            ? std::clamp(static_cast<int>(sheet.ResultIU(visSectionTab, r, visTabStopCount)), 0,
                         TabStopsOf(tag))
            : 0;
    // The last stop's position, written even when inherited, keeps the count.
    CellValue last;
    if (stops > 0)
      last = sheet.Value(visSectionTab, r, static_cast<std::int16_t>(visTabPos + 3 * (stops - 1)));
    std::map<int, pugi::xml_node> byStop;
    for (pugi::xml_node stop = sec.child("Row"); stop;) {
      pugi::xml_node next = stop.next_sibling("Row");
      const int k = stop.attribute("IX").as_int(-1);
      if (k >= stops && k < kMaxTabStops && stop.attribute("Del").as_int() == 0) {
        sec.remove_child(stop);  // beyond the count: it would raise it
      } else if (k >= 0 && k < stops) {
        byStop.emplace(k, stop);
      }
      stop = next;
    }
    for (int k = 0; k < stops; ++k) {
      std::map<int, const CellValue*> cells;
      for (std::int16_t c : {visTabPos, visTabAlign}) {
        const int column = 3 * k + c;
        if (auto it = row.cells.find(static_cast<std::int16_t>(column)); it != row.cells.end())
          cells[column] = &it->second;
      }
      if (k == stops - 1 && !cells.count(3 * k + visTabPos)) cells[3 * k + visTabPos] = &last;
      pugi::xml_node stop = byStop.count(k) ? byStop[k] : pugi::xml_node();
      if (!stop) {
        stop = sec.append_child("Row");
        stop.append_attribute("IX").set_value(k);
      }
      MergeCells(
          stop, visSectionTab, cells,
          [&](std::string_view name) -> std::optional<int> {
            if (name == "Position") return 3 * k + visTabPos;
            if (name == "Alignment") return 3 * k + visTabAlign;
            return std::nullopt;
          },
          [&](int c) { return FindRowCell(visSectionTab, tag, static_cast<std::int16_t>(c)); });
    }
    if (stops == 0 && !sec.child("Row"))
      sec.append_child("Row").append_attribute("IX").set_value(0);
  }

  void WriteSections(pugi::xml_node e) {
    // Sections by name, geometry by IX, as the element holds them.
    std::map<std::int16_t, pugi::xml_node> byIndex;
    std::map<int, pugi::xml_node> geometry;
    for (pugi::xml_node sec : e.children("Section")) {
      const std::string_view n = sec.attribute("N").value();
      if (n == "Geometry") {
        geometry.emplace(sec.attribute("IX").as_int(-1), sec);
        continue;
      }
      if (auto s = SectionOfName(n)) byIndex.emplace(*s, sec);
    }
    std::set<std::int16_t> kept;
    for (const auto& [s, local] : sheet.sections_) {
      if (s == visSectionTab) WriteTabs(e, local);
      if (s == visSectionObject || s == visSectionTab || !SectionFileName(s)) continue;
      auto it = byIndex.find(s);
      WriteSection(e, it == byIndex.end() ? pugi::xml_node() : it->second, s, local, s, -1);
      kept.insert(s);
    }
    // Sections the model holds nothing of any more.
    for (const auto& [s, sec] : byIndex) {
      if (!kept.count(s)) e.remove_child(sec);
    }
    // Geometry: inherited sections by their place among the inherited
    // ones, sections of the sheet's own after them.
    int inheritedCount = 0;
    if (SheetHost* src = host.InheritedSource(visSectionFirstComponent, 0))
      inheritedCount = src->Sheet().GeometryCount();
    std::set<int> keptGeometry;
    int ownIx = inheritedCount;
    for (const SectionData& g : sheet.geometry_) {
      if (g.own && g.deleted) continue;
      const int ix = g.own ? ownIx++ : g.key;
      // The section's index as the sheet sees it, for its rows.
      std::int16_t view = -1;
      {
        const ShapeSheet::Scope scope;
        const auto list = sheet.Geometry();
        for (const auto& ref : *list) {
          if (ref.local == &g) view = ref.index;
        }
      }
      auto it = geometry.find(ix);
      pugi::xml_node sec = it == geometry.end() ? pugi::xml_node() : it->second;
      if (view < 0 && !g.deleted) continue;
      WriteSection(
          e, sec, view < 0 ? static_cast<std::int16_t>(visSectionFirstComponent + ix) : view, g,
          g.own ? std::int16_t{-1} : static_cast<std::int16_t>(visSectionFirstComponent + g.key),
          ix);
      keptGeometry.insert(ix);
    }
    for (const auto& [ix, sec] : geometry) {
      if (!keptGeometry.count(ix)) e.remove_child(sec);
    }
  }
};

namespace {

// ---- attributes ----

// Styles by the names the model keeps ("" for none of its own): an
// attribute naming a style of that name stays, whatever its ID.
void SetStyleAttrs(Document* doc, pugi::xml_node e, const std::string& line,
                   const std::string& fill, const std::string& text) {
  if (!doc) return;
  const std::pair<const char*, const std::string*> styles[] = {
      {"LineStyle", &line}, {"FillStyle", &fill}, {"TextStyle", &text}};
  for (const auto& [attr, name] : styles) {
    if (name->empty()) continue;
    const Style* had = doc->StyleById(static_cast<std::int16_t>(e.attribute(attr).as_int(-1)));
    if (had && had->Name() == *name) continue;
    if (const Style* style = doc->FindStyle(*name)) SetAttr(e, attr, Number(style->id()));
  }
}

// Name and NameU as the loader reads them back: either stands for a
// missing other.
void SetNames(pugi::xml_node e, const std::string& name, const std::string& nameU,
              const std::string& fallback = std::string()) {
  std::string had = e.attribute("Name").value(), hadU = e.attribute("NameU").value();
  if (had.empty()) had = hadU;
  if (hadU.empty()) hadU = had;
  if (had == name && hadU == nameU) return;
  // A shape without names reads back named after its ID.
  if (had.empty() && name == nameU && name == fallback) return;
  SetAttr(e, "NameU", nameU);
  SetAttr(e, "Name", name);
}

void WriteShapeAttrs(Shape& shape, pugi::xml_node e) {
  const bool fresh = !e.attribute("ID");
  if (e.attribute("ID").as_int(-1) != shape.id()) SetAttr(e, "ID", Number(shape.id()));
  SetNames(e, shape.Name(), shape.NameU(), fresh ? std::string() : shape.NameID());
  Shape* ms = shape.MasterShape();
  const std::int16_t inferred = ms ? ms->type() : static_cast<std::int16_t>(visTypeShape);
  const char* t = e.attribute("Type").value();
  if (*t ? TypeOfName(t) != shape.type() : fresh || shape.type() != inferred)
    SetAttr(e, "Type", TypeFileName(shape.type()));
  if (Master* m = shape.master()) {
    // A sub-shape of an instance names only its master shape; the group
    // the instance is names the master.
    Shape* parent = shape.parent();
    if (!(parent && parent->master() == m) && e.attribute("Master").as_int(-1) != m->id())
      SetAttr(e, "Master", Number(m->id()));
    // The loader takes the master's first shape when none is named.
    const std::int16_t named = static_cast<std::int16_t>(e.attribute("MasterShape").as_int(-1));
    const bool first =
        !m->TopShapes().empty() && m->TopShapes().front()->id() == shape.MasterShapeId();
    if (shape.MasterShapeId() >= 0 && named != shape.MasterShapeId() &&
        !(named < 0 && e.attribute("Master") && first))
      SetAttr(e, "MasterShape", Number(shape.MasterShapeId()));
  }
  SetStyleAttrs(&shape.doc(), e, shape.LineStyleName(), shape.FillStyleName(),
                shape.TextStyleName());
}

// ---- text ----

bool SameText(ShapeText& a, ShapeText& b) {
  if (a.Text() != b.Text() || a.Fields().size() != b.Fields().size()) return false;
  for (std::size_t i = 0; i < a.Fields().size(); ++i) {
    const TextField &x = a.Fields()[i], &y = b.Fields()[i];
    if (x.row != y.row || x.value != y.value) return false;
  }
  for (auto kind : {ShapeText::RunKind::Char, ShapeText::RunKind::Para, ShapeText::RunKind::Tab}) {
    const auto &ra = a.Runs(kind), &rb = b.Runs(kind);
    if (ra.size() != rb.size()) return false;
    for (std::size_t i = 0; i < ra.size(); ++i) {
      if (ra[i].length != rb[i].length || ra[i].row != rb[i].row) return false;
    }
  }
  return true;
}

// A Text element as Visio writes one: a cp, pp and tp marker where each
// run starts, fields as fld elements, a line break ending the last
// paragraph.
void FillText(pugi::xml_node e, ShapeText& text) {
  while (pugi::xml_node c = e.first_child()) e.remove_child(c);
  const std::int32_t count = text.CharCount();
  std::map<std::int32_t, std::vector<std::pair<const char*, std::int16_t>>> marks;
  const std::pair<ShapeText::RunKind, const char*> kinds[] = {{ShapeText::RunKind::Char, "cp"},
                                                              {ShapeText::RunKind::Para, "pp"},
                                                              {ShapeText::RunKind::Tab, "tp"}};
  for (const auto& [kind, tag] : kinds) {
    std::int32_t at = 0;
    for (const auto& run : text.Runs(kind)) {
      if (at < count || count == 0) marks[at].emplace_back(tag, run.row);
      at += run.length;
    }
  }
  std::map<std::int32_t, std::size_t> fields;
  for (std::size_t i = 0; i < text.Fields().size(); ++i) fields[text.FieldPosition(i)] = i;
  // Stretches of plain text run from one mark or field to the next.
  std::set<std::int32_t> breaks{count};
  for (const auto& [at, list] : marks) breaks.insert(at);
  for (const auto& [at, i] : fields) {
    breaks.insert(at);
    breaks.insert(at + 1);
  }
  std::string pending;
  auto flush = [&] {
    if (!pending.empty()) e.append_child(pugi::node_pcdata).set_value(pending.c_str());
    pending.clear();
  };
  std::int32_t pos = 0;
  while (true) {
    if (auto m = marks.find(pos); m != marks.end()) {
      flush();
      for (const auto& [tag, row] : m->second)
        e.append_child(tag).append_attribute("IX").set_value(row);
    }
    if (pos >= count) break;
    if (auto f = fields.find(pos); f != fields.end()) {
      flush();
      const TextField& field = text.Fields()[f->second];
      pugi::xml_node fld = e.append_child("fld");
      fld.append_attribute("IX").set_value(field.row);
      fld.append_child(pugi::node_pcdata).set_value(field.value.c_str());
      ++pos;
      continue;
    }
    const std::int32_t next = *breaks.upper_bound(pos);
    pending += text.Text(pos, next);
    pos = next;
  }
  if (count > 0) pending += "\n";
  flush();
}

void WriteText(Shape& shape, pugi::xml_node e) {
  ShapeText& text = shape.Text();
  pugi::xml_node existing = e.child("Text");
  ShapeText stored;
  if (existing) {
    ReadTextElement(existing, stored, shape.Sheet());
  } else if (Shape* ms = shape.MasterShape()) {
    stored.CopyFrom(ms->Text());
  }
  if (SameText(stored, text)) return;
  if (!existing)
    existing = InsertChild(e, "Text", {"Data1", "Data2", "Data3", "ForeignData", "Shapes"});
  FillText(existing, text);
}

}  // namespace

void WriteSheetInto(SheetHost& host, pugi::xml_node element) {
  // A shape's element holds its attributes and text; a page's, master's
  // or the document's sheet only its styles; a style its names and the
  // styles it is based on.
  const bool shapeElement = std::string_view(element.name()) == "Shape";
  auto* shape = dynamic_cast<Shape*>(&host);
  if (shape && shapeElement) {
    WriteShapeAttrs(*shape, element);
  } else if (shape) {
    SetStyleAttrs(&shape->doc(), element, shape->LineStyleName(), shape->FillStyleName(),
                  shape->TextStyleName());
  } else if (auto* style = dynamic_cast<Style*>(&host)) {
    SetNames(element, style->Name(), style->NameU());
    auto nameOf = [](const Style* st) { return st ? st->Name() : std::string(); };
    SetStyleAttrs(dynamic_cast<Document*>(style->HostDocument()), element,
                  nameOf(style->LineBasedOn()), nameOf(style->FillBasedOn()),
                  nameOf(style->TextBasedOn()));
  }
  SheetSaver saver(host);
  saver.WriteObjectCells(element);
  saver.WriteSections(element);
  if (shape && shapeElement) WriteText(*shape, element);
}

}  // namespace standin
