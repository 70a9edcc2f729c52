#include "lut/Tarvel_LUTListing.h"

#include <cstdio>

std::string FormatLUTEntryLine(const TLUT& table, const TLUTItem& entry) {
  char decimal[16];
  std::snprintf(decimal, sizeof decimal, "%8d", static_cast<int>(entry.Value()));
  return std::string(decimal) + " " + TLUTHexText(entry.Value()) + "  " + table.Prefix() +
         entry.Name();
}

std::vector<std::string> FormatLUTListing(const TLUT& table) {
  std::vector<std::string> lines;
  lines.reserve(static_cast<std::size_t>(table.Count()) + 1);
  lines.push_back(table.Name() + ":");
  for (std::int32_t i = 0; i < table.Count(); ++i) {
    lines.push_back(FormatLUTEntryLine(table, *table.EntryAt(i)));
  }
  return lines;
}
