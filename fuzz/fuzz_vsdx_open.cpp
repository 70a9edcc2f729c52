// Feeds arbitrary bytes to Documents.Open as a drawing file, then reads
// back what a client would: the cells of the sheets (formulas are computed
// when read; up to a budget per input, so that the corpus's largest
// drawings stay within the time limit), every shape's text, the windows.
// Every automation error is an expected outcome; anything else (a crash,
// a leak, undefined behaviour, a hang) is a finding.
//
// A package is a zip whose parts carry checksums, so plain byte mutations
// rarely get past the zip layer. The custom mutator below mutates the
// inflated content of one part and stores it again with a fresh checksum,
// copying the other parts as they are; now and then it mutates the raw
// bytes instead, for the zip layer itself.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "automation/Object.h"
#include "standin/Application.h"
#include "standin/Document.h"
#include "standin/Master.h"
#include "standin/Package.h"
#include "standin/Page.h"
#include "standin/Shape.h"
#include "standin/ShapeSheet.h"
#include "standin/ShapeText.h"
#include "standin/Style.h"
#include "standin/VsdxLoader.h"
#include "standin/Window.h"

namespace {

using namespace standin;

// A cell read may fail (a formula the sheet rejects); the next one is read
// all the same.
template <class F>
void Try(F&& f) {
  try {
    f();
  } catch (const automation::AutomationError&) {
  }
}

// Cells read per input.
constexpr int kCellBudget = 2000;
int budget = 0;

void ReadSheet(ShapeSheet& sheet) {
  if (budget <= 0) return;
  for (std::int16_t s : sheet.SectionIndices()) {
    const std::int16_t rows = sheet.RowCount(s);
    for (std::int16_t r = 0; r < rows && budget > 0; ++r) {
      if (!sheet.RowExists(s, r, false)) continue;
      Try([&] { (void)sheet.RowName(s, r); });
      std::int16_t cells = 0;
      Try([&] { cells = sheet.RowsCellCount(s, r); });
      for (std::int16_t c = 0; c < cells && budget > 0; ++c) {
        if (!sheet.CellExists(s, r, c, false)) continue;
        --budget;
        Try([&] { (void)sheet.Formula(s, r, c); });
        Try([&] { (void)sheet.Value(s, r, c); });
      }
    }
  }
}

void ReadShapes(const std::vector<Ref<Shape>>& shapes) {
  for (const auto& shape : shapes) {
    ReadSheet(shape->Sheet());
    Try([&] { (void)shape->Text().ExpandedText(); });
    ReadShapes(shape->Children());
  }
}

void ReadDocument(Document& doc) {
  for (const auto& style : doc.Styles()) ReadSheet(style->Sheet());
  for (const auto& master : doc.Masters()) {
    ReadSheet(master->Sheet().Sheet());
    ReadShapes(master->TopShapes());
  }
  for (const auto& page : doc.Pages()) {
    ReadSheet(page->Sheet().Sheet());
    ReadShapes(page->TopShapes());
  }
}

// ---- the mutator ----

// The package with part `index` replaced by `content` (stored), the other
// parts copied compressed as they are; empty when it cannot be made.
std::string Rezip(const Package& in, const std::vector<std::string>& names, std::size_t index,
                  std::string content) {
  Package::Writer out;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i == index) {
      out.Add(names[i], std::move(content), Package::Writer::Compression::Store);
    } else {
      out.Copy(in, names[i]);
    }
  }
  try {
    return out.Bytes();
  } catch (const PackageError&) {
    return {};
  }
}

}  // namespace

extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t maxSize);

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size,
                                               std::size_t maxSize, unsigned int seed) {
  std::minstd_rand rng(seed);
  if (rng() % 8 == 0) return LLVMFuzzerMutate(data, size, maxSize);
  std::string content;
  std::string out;
  try {
    // A part larger than the input may grow to is left to the raw mutation.
    const auto in =
        Package::FromBytes(std::string_view(reinterpret_cast<const char*>(data), size), maxSize);
    const std::vector<std::string> names = in.PartNames();
    if (names.empty()) return LLVMFuzzerMutate(data, size, maxSize);
    const std::size_t index = rng() % names.size();
    content = in.Read(names[index]);
    const std::size_t claimed = content.size();
    // Room for the part to grow a little.
    const std::size_t room = claimed + 64 + claimed / 8;
    content.resize(room);
    content.resize(
        LLVMFuzzerMutate(reinterpret_cast<std::uint8_t*>(content.data()), claimed, room));
    out = Rezip(in, names, index, std::move(content));
  } catch (const PackageError&) {
    return LLVMFuzzerMutate(data, size, maxSize);
  }
  if (out.empty() || out.size() > maxSize) return LLVMFuzzerMutate(data, size, maxSize);
  std::memcpy(data, out.data(), out.size());
  return out.size();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  auto app = MakeRef<Application>();
  // The same open path as a client's Documents.Open, over the bytes.
  app->SetDocumentLoader(
      [bytes](Application& a, const std::string& path, std::int16_t flags, WindowLayout* layout) {
        return OpenVisioPackageBytes(a, path, bytes, flags, layout);
      });
  automation::ObjectRef documents = automation::ObjectRef(app).Get("Documents").ToObject();
  try {
    documents.Invoke("Open", {automation::Variant("/nonexistent/fuzz.vsdx")});
  } catch (const automation::AutomationError&) {
  }
  budget = kCellBudget;
  for (const auto& doc : app->Documents()) ReadDocument(*doc);
  for (const auto& window : app->Windows()) {
    (void)window->DockedStencils();
    Try([&] { (void)automation::ObjectRef(window).Get("Zoom"); });
  }
  app->Quit();
  return 0;
}
