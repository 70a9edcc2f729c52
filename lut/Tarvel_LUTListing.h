// The text listing of a look-up table, as the constant values window and the
// command-line tool show it.
#pragma once

#include <string>
#include <vector>

#include "lut/Tarvel_TLUT.h"

// One entry: the value right-aligned in 8 columns ("%8d", wider values widen the
// field), a blank, the value in hex as TLUTHexText gives it, two blanks, then the
// constant's full name (the table's prefix followed by the entry's name).
std::string FormatLUTEntryLine(const TLUT& table, const TLUTItem& entry);

// The heading line (the table's name and ":") followed by one line per entry in
// table order. Every entry is listed, also those that Lookup never shows.
std::vector<std::string> FormatLUTListing(const TLUT& table);
