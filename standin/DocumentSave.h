// Saving a document as a Visio package (Document.Save, SaveAs, SaveAsEx).
//
// The file name's extension chooses the format, as in Visio: .vsdx, .vssx,
// .vstx (drawing, stencil, template) and their macro-enabled forms .vsdm,
// .vssm, .vstm; the main part's content type says which. Visio cannot
// write any other name as a package (.vsd, .vdx, none): those raise an
// error naming the file and nothing is written. Saved to a form without
// macros, a document loses its VBA project (the part, the parts it leads
// to and its relationship), as Visio drops it.
//
// A document opened from a package is saved from that package: every
// part the model did not change is copied as it was stored (not even
// inflated); pages.xml, masters.xml, document.xml, docProps and the
// contents of pages and masters that changed are the stored part made to
// hold what the model holds now. Pages and masters added get parts of
// their own, those deleted lose theirs. A document never saved is written
// from a small package of Visio's parts made here.
//
// Nothing half-written: the file is made in memory, written beside the
// target and renamed over it. A failure raises "The file cannot be
// saved." naming the file and why, and leaves the file and the document
// (name, Saved) as they were.
#pragma once

#include <cstdint>
#include <string>

namespace standin {

class Document;

// visSaveAs... flags of SaveAsEx.
enum SaveAsFlags : std::int16_t {
  visSaveAsRO = 0x1,
  visSaveAsWS = 0x2,
  visSaveAsListInMRU = 0x4,
  visSaveAsCheckCompatibility = 0x8,
};

// Save (`path` empty: the document's own file) or SaveAs/SaveAsEx.
void SaveDocument(Document& doc, const std::string& path, std::int16_t flags);

// The package the document would be saved as under the name `path`
// (its extension chooses the format), without writing it or changing the
// document.
std::string SavedPackageBytes(Document& doc, const std::string& path);

}  // namespace standin
