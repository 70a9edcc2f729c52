// The tree as the user sees it, for printing and for tests: every visible
// item's text, one per line, indented two blanks per level.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
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

// The item's name in a path, as tarvel-tree --expand takes it: the node's
// Name, with "[Index]" for an array element ("Item[1]"); section and row
// nodes carry their index in their name already ("S[1]").
std::string PathSegment(const TTreeItem& item);
// Whether the item is an element of an array item of its own name: a path
// names it straight under the array's parent ("Shapes/Item[1]").
bool IsArrayElement(const TTreeItem& item);
// The item's path from its root, segments joined by "/", array items left
// out before their elements: "Application/Documents/Item[1]/Pages".
std::string ItemPath(const TTreeItem& item);
// Joins path segments that way: a segment flagged as an array element
// drops the segment before it.
std::string JoinPath(const std::vector<std::pair<std::string_view, bool>>& segments);

// The first child whose node has this Name (and this Index, when given), or
// null.
TTreeItem* FindChild(const TTreeItem& parent, std::string_view name,
                     std::optional<std::int16_t> index = std::nullopt);
