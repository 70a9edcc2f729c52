// The tree as the user sees it, for printing and for tests: every visible
// item's text, one per line, indented two blanks per level.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tree/TreeModel.h"

// The item and, while it is expanded, its children, and so on down.
std::vector<std::string> VisibleText(const TTreeItem& item);
// Every top-level item that way.
std::vector<std::string> VisibleText(const TTreeModel& tree);

// A caption on one line: control characters and the line and paragraph
// separators (U+0085, U+2028, U+2029) escaped as \n, \r, \t or \uXXXX, and the
// backslash itself as \\. Everything else, other UTF-8 included, stays.
std::string EscapedCaption(std::string_view caption);

// The items' captions in the order the tree shows them, one line each
// (escaped as EscapedCaption does), joined by line breaks; for copying a
// selection.
std::string CaptionLines(std::vector<const TTreeItem*> items);

// The first child whose node has this Name (and this Index, when given), or
// null.
TTreeItem* FindChild(const TTreeItem& parent, std::string_view name,
                     std::optional<std::int16_t> index = std::nullopt);
