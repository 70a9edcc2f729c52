// Opens Visio's Open Packaging files (.vsdx, .vssx, .vstx and their
// macro-enabled forms) as stand-in documents.
//
// What a package gives: the document settings, colours, face names (as
// fonts), style sheets, document properties, pages (page sheets, layers,
// shapes with nested groups, connects) and masters with their shapes.
// Cells keep the file's formula (F) and value (V, in Visio's internal
// units: inches and radians); a cell marked F="Inh" is not local and is
// left to inheritance. Stencils open with their masters and no pages;
// templates open as a new drawing based on them unless visOpenRW asks for
// the template itself. Macros are neither run nor kept.
//
// Failure. A damaged, hostile or unsupported file raises "The file cannot
// be opened." with Visio's code for it and the description
//
//   "\n\nThe file \"<path>\" cannot be opened: <where>: <problem>."
//
// where <where> is the part that failed ("visio/pages/page1.xml"), or
// "package" for the file as a whole (not a zip, a .vsd or .vdx file). A
// missing file raises "File not found: <path>" as Documents.Open does.
// Nothing of a failed file is left in the application.
//
// The windows part of a drawing (its drawing windows with page, zoom and
// view flags, the stencils docked in them) goes to `layout` when one is
// given; Application::OpenDocument shows the drawing that way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "standin/Model.h"

namespace standin {

class Application;
struct WindowLayout;

// What one package may cost in all, whatever its parts claim; beyond it
// the file is refused, naming the bound. The largest real drawings and
// stencils we know unpack to some 13 MiB of XML with 4,000 shapes, 220
// masters and 250,000 cells: these leave room twenty times over or more
// and keep a hostile file from taking gigabytes and minutes. Besides them, a part
// may claim at most 64 MiB, and a page or master holds at most 32,767
// shapes (IDs are 16 bits wide).
struct PackageLimits {
  std::uint64_t unpackedBytes = 256u << 20;  // all parts read, unpacked
  std::size_t pagesAndMasters = 20'000;
  std::size_t shapes = 500'000;
  std::size_t cells = 10'000'000;
};

Ref<Document> OpenVisioPackage(Application& app, const std::string& path, std::int16_t flags,
                               WindowLayout* layout = nullptr);
// The same for a package in memory; `path` stands for its file, in the
// document's name and in errors.
Ref<Document> OpenVisioPackageBytes(Application& app, const std::string& path,
                                    std::string_view bytes, std::int16_t flags,
                                    WindowLayout* layout = nullptr,
                                    const PackageLimits& limits = PackageLimits());

// Makes Documents.Open/OpenEx read packages.
void InstallVsdxLoader(Application& app);

}  // namespace standin
