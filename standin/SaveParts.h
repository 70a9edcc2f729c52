// Writing a document's sheets back into its package's XML when it is
// saved. A part the model did not change is copied as it was stored; a
// part it changed is the part as it was loaded, made to hold what the
// model holds now, so that what the model does not know of it (unknown
// elements and attributes, extension lists) is written back unchanged.
#pragma once

#include <string>

namespace pugi {
class xml_document;
class xml_node;
}  // namespace pugi

namespace standin {

class DrawingSurface;
class SheetHost;

// Makes `element` (a Shape, a PageSheet, a StyleSheet or the
// DocumentSheet element) hold what `sheet` holds of its own now, as Visio
// writes it: the attributes the model keeps (ID, names, type, master,
// styles), its local cells (formula, value, unit), its rows and sections
// (with Del markers where it deletes a row it inherits) and its text with
// fields. Children and attributes the model does not know are kept.
void WriteSheetInto(SheetHost& sheet, pugi::xml_node element);

// The contents part of a page or a master (PageContents or
// MasterContents, with its Shapes and Connects) as it must be saved:
// `original`, the part as it was loaded, made to hold the surface's
// shapes and connects as they are now; a new part when `original` is null.
// Raises std::invalid_argument when `original` is not a part of the
// surface's kind (its root is not PageContents for a page, MasterContents
// for a master).
std::string WriteContentsPart(DrawingSurface& surface, const pugi::xml_document* original);

}  // namespace standin
