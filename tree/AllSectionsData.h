// Today's ShapeSheet (Visio 2016) as plain data, generated from Visio's
// enumerations by tree/gen_all_sections.py: the sections, rows, row types and
// cells the All Sections view shows, in the order it shows them.
#pragma once

#include <cstdint>
#include <span>

struct TSheetCellData {
  std::int16_t column;
  const char* name;
};

struct TSheetRowTypeData {
  const char* name;
  std::int32_t tag;  // -1 for a row's only ("Default") type
  std::span<const TSheetCellData> cells;
};

struct TSheetRowData {
  const char* name;
  std::int32_t index;
  bool repeats;  // stands for its own row and every row after it
  std::span<const TSheetRowTypeData> types;
};

struct TSheetSectionData {
  const char* name;
  std::int32_t index;
  bool repeats;  // only Geometry: one entry for every geometry section
  std::span<const TSheetRowData> rows;
};

std::span<const TSheetSectionData> AllSectionsData();
