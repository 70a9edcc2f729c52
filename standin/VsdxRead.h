// Reading a cell element and a Text element as the loader does. Saving
// compares what the model holds with what an element gives this way, so
// that an element that still holds it is written back as it was.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <pugixml.hpp>
#include <string_view>

#include "standin/CellTables.h"
#include "standin/CellValue.h"

namespace standin {

class ShapeSheet;
class ShapeText;

// A cell element's attributes, read in one pass.
struct CellAttrs {
  pugi::xml_attribute n, f, v, u;  // name, formula, value, unit
};
CellAttrs ReadCellAttrs(pugi::xml_node cell);

// A shape's Type attribute ("Group": visTypeGroup; anything else a plain
// shape), both ways.
std::int16_t TypeOfName(std::string_view t);
const char* TypeFileName(std::int16_t type);
// The sections files name ("Property": visSectionProp; the Tabs and
// Geometry sections apart) and geometry row types ("LineTo"), both ways;
// nullopt or null for names and indices files do not use.
std::optional<std::int16_t> SectionOfName(std::string_view n);
const char* SectionFileName(std::int16_t s);
std::optional<std::int16_t> GeometryTagOf(std::string_view t);
const char* GeometryTagFileName(std::int16_t tag);

struct CellReadContext {
  // A colour written "#RRGGBB": its index among the document's colours.
  std::function<std::int16_t(std::string_view rgb)> colorIndex;
  // A character row's font by name: its ID (0 for none).
  std::function<std::int16_t(std::string_view name)> fontId;
  // Where the cells' formulas are kept once each; none: a copy each.
  TextPool* formulas = nullptr;
};

// The cell a file's element gives a row of `kind` cells in section s;
// nullopt for one left to inheritance (F="Inh" without a value).
std::optional<CellValue> ReadCellValue(const CellAttrs& cell, CellKind kind, std::int16_t s,
                                       std::string_view name, const CellReadContext& context);

// A shape's text from its Text element: characters, fields (their
// formulas from the sheet's Text Fields rows) and the runs of its
// Character, Paragraph and Tabs rows.
void ReadTextElement(pugi::xml_node text, ShapeText& t, const ShapeSheet& sheet);

}  // namespace standin
