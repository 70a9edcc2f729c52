// The names of cells, as Cells() takes them and Cell.Name gives them.
#include <algorithm>
#include <array>
#include <string>
#include <unordered_map>

#include "automation/Text.h"
#include "standin/ShapeSheet.h"
#include "standin/SheetInternals.h"

namespace standin {

using namespace detail;

namespace {

// How the cells of a section are named.
enum class Scheme {
  Bracketed,    // Char.Font, Char.Font[2]
  Indexed,      // Scratch.X1
  Named,        // User.Row_1.Prompt
  Connections,  // Connections.X1, or Connections.Name.X for named rows
  None,         // no names (group members)
};

struct Family {
  std::int16_t section;
  Scheme scheme;
  const char* prefix;
  // The row's first cell is named by the row alone (User.Row_1).
  bool bareFirst;
};

const auto kFamilies = std::to_array<Family>({
    {visSectionMember, Scheme::None, "", false},
    {visSectionCharacter, Scheme::Bracketed, "Char", false},
    {visSectionParagraph, Scheme::Bracketed, "Para", false},
    {visSectionTab, Scheme::Bracketed, "Tabs", false},
    {visSectionScratch, Scheme::Indexed, "Scratch", false},
    {visSectionConnectionPts, Scheme::Connections, "Connections", false},
    {visSectionTextField, Scheme::Bracketed, "Fields", false},
    {visSectionControls, Scheme::Named, "Controls", true},
    {visSectionAction, Scheme::Named, "Actions", false},
    {visSectionLayer, Scheme::Bracketed, "Layers", false},
    {visSectionUser, Scheme::Named, "User", true},
    {visSectionProp, Scheme::Named, "Prop", true},
    {visSectionHyperlink, Scheme::Named, "Hyperlink", false},
    {visSectionReviewer, Scheme::Named, "Reviewer", false},
    {visSectionAnnotation, Scheme::Bracketed, "Annotation", false},
    {visSectionSmartTag, Scheme::Named, "SmartTags", false},
    {visSectionLineGradientStops, Scheme::Bracketed, "LineGradient", false},
    {visSectionFillGradientStops, Scheme::Bracketed, "FillGradient", false},
});

const Family* FamilyOf(std::int16_t section) {
  for (const auto& f : kFamilies) {
    if (f.section == section) return &f;
  }
  return nullptr;
}

// "X12" -> ("X", 12); nullopt without a number at the end.
std::optional<std::pair<std::string_view, int>> SplitNumber(std::string_view s) {
  std::size_t i = s.size();
  while (i > 0 && automation::IsAsciiDigit(s[i - 1])) --i;
  if (i == s.size() || i == 0 || s.size() - i > 4) return std::nullopt;
  int n = 0;
  for (std::size_t k = i; k < s.size(); ++k) n = n * 10 + (s[k] - '0');
  return std::make_pair(s.substr(0, i), n);
}

// "Font[3]" -> ("Font", 3); "Font" -> ("Font", 1).
std::optional<std::pair<std::string_view, int>> SplitBracket(std::string_view s) {
  if (s.empty() || s.back() != ']') return std::make_pair(s, 1);
  const std::size_t open = s.rfind('[');
  if (open == std::string_view::npos || open + 2 > s.size() - 1) return std::nullopt;
  int n = 0;
  for (std::size_t k = open + 1; k + 1 < s.size(); ++k) {
    if (!automation::IsAsciiDigit(s[k])) return std::nullopt;
    n = n * 10 + (s[k] - '0');
  }
  return std::make_pair(s.substr(0, open), n);
}

}  // namespace

namespace detail {

bool RowsHaveNames(std::int16_t s) {
  const Family* f = FamilyOf(s);
  return f && (f->scheme == Scheme::Named || f->scheme == Scheme::Connections);
}

bool RowsAreNamedAlways(std::int16_t s) {
  const Family* f = FamilyOf(s);
  return f && f->scheme == Scheme::Named;
}

}  // namespace detail

std::optional<CellAddress> FindObjectCell(std::string_view name) {
  // Formulas name these cells more than any other ("Width*0.5"): one
  // table, not a walk over every row's cells.
  static const auto* const byName = [] {
    auto* table = new std::unordered_map<std::string, CellAddress>();
    for (std::int16_t row = visRowXFormOut; row <= visRowLastObject; ++row) {
      for (const CellDef& d : ObjectRowCells(row))
        table->try_emplace(automation::AsciiLowered(d.name),
                           CellAddress{visSectionObject, row, d.column});
    }
    // The name of the end arrow's size before begin and end had their own.
    table->try_emplace("arrowsize", CellAddress{visSectionObject, visRowLine, visLineEndArrowSize});
    // Today's names of cells the table knows by older ones.
    table->try_emplace("objtype", CellAddress{visSectionObject, visRowMisc, 13});
    return table;
  }();
  auto it = byName->find(automation::AsciiLowered(name));
  if (it == byName->end()) return std::nullopt;
  return it->second;
}

std::string ShapeSheet::CellName(std::int16_t s, std::int16_t r, std::int16_t c) const {
  Scope scope;
  const CellDef& def = CheckedDef(s, r, c);
  if (s == visSectionObject) return def.name;
  if (IsGeometrySection(s)) {
    const std::string section = "Geometry" + std::to_string(s - visSectionFirstComponent + 1) + ".";
    return section + def.name + (r == 0 ? "" : std::to_string(r));
  }
  const Family* f = FamilyOf(s);
  if (!f || f->scheme == Scheme::None) return "";
  const std::string prefix = std::string(f->prefix) + ".";
  const std::string rowName = RowName(s, r);
  const bool named =
      f->scheme == Scheme::Named || (f->scheme == Scheme::Connections && !rowName.empty());
  if (named) {
    const bool bare = f->bareFirst && c == RowCells(s, TagOf(s, r)).front().column;
    return prefix + rowName + (bare ? "" : "." + std::string(def.name));
  }
  if (f->scheme == Scheme::Bracketed) {
    return prefix + def.name + (r == 0 ? "" : "[" + std::to_string(r + 1) + "]");
  }
  return prefix + def.name + std::to_string(r + 1);
}

std::optional<CellAddress> ShapeSheet::FindCell(std::string_view name) const {
  Scope scope;
  const std::string n(automation::TrimBlanks(name));
  const std::size_t dot = n.find('.');
  // Names of the Object section have no section part.
  if (dot == std::string::npos) {
    auto at = FindObjectCell(n);
    if (!at) BadName();
    if (!ObjectRowExists(at->row)) return std::nullopt;
    return at;
  }
  const std::string_view head = std::string_view(n).substr(0, dot);
  const std::string_view rest = std::string_view(n).substr(dot + 1);
  auto exists = [&](std::int16_t s, std::int16_t r, std::int16_t c) -> std::optional<CellAddress> {
    if (!CellExists(s, r, c, false)) return std::nullopt;
    return CellAddress{s, r, c};
  };
  // Geometry<k>.<cell><row>, and the component row's cells without a row.
  if (head.size() > 8 && automation::NamesEqual(head.substr(0, 8), "Geometry")) {
    auto k = SplitNumber(head);
    if (!k || k->second < 1 || k->second > visSectionLastComponent - visSectionFirstComponent + 1) {
      BadName();
    }
    const auto s = static_cast<std::int16_t>(visSectionFirstComponent + k->second - 1);
    if (auto c = ColumnOfName(s, visTagComponent, rest)) return exists(s, visRowComponent, *c);
    auto cell = SplitNumber(rest);
    if (!cell || cell->second < 1) BadName();
    auto c = ColumnIn(AllCellsOf(s), cell->first);
    if (!c) BadName();
    return exists(s, static_cast<std::int16_t>(cell->second), *c);
  }
  const Family* f = nullptr;
  for (const auto& family : kFamilies) {
    if (family.scheme != Scheme::None && automation::NamesEqual(family.prefix, head)) f = &family;
  }
  if (!f) BadName();
  const CellDefs& cells = AllCellsOf(f->section);
  // Numbered forms first: Scratch.X1, Connections.X1.
  if (f->scheme == Scheme::Indexed || f->scheme == Scheme::Connections) {
    if (auto cell = SplitNumber(rest)) {
      if (auto c = ColumnIn(cells, cell->first)) {
        if (cell->second < 1) BadName();
        return exists(f->section, static_cast<std::int16_t>(cell->second - 1), *c);
      }
    }
    if (f->scheme == Scheme::Indexed) BadName();
  }
  if (f->scheme == Scheme::Bracketed) {
    auto cell = SplitBracket(rest);
    if (!cell || cell->second < 1) BadName();
    auto c = ColumnIn(cells, cell->first);
    if (!c) BadName();
    return exists(f->section, static_cast<std::int16_t>(cell->second - 1), *c);
  }
  // Named rows: <row> for the first cell, <row>.<cell> for any.
  const std::size_t dot2 = rest.find('.');
  const std::string_view rowName = rest.substr(0, dot2);
  if (rowName.empty()) BadName();
  std::int16_t column = 0;
  if (dot2 == std::string_view::npos) {
    if (!f->bareFirst) BadName();
    column = cells.front().column;
  } else {
    std::string_view cellName = rest.substr(dot2 + 1);
    // "Prop.Row_1.Value" names the value cell, as "Prop.Row_1" does.
    auto c = ColumnIn(cells, cellName);
    if (!c) BadName();
    column = *c;
  }
  auto row = RowIndexByName(f->section, rowName);
  if (!row) return std::nullopt;
  return exists(f->section, *row, column);
}

}  // namespace standin
