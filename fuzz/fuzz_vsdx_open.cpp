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
#include <zip.h>

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

using ZipPtr = std::unique_ptr<zip_t, void (*)(zip_t*)>;

ZipPtr OpenZip(const std::uint8_t* data, std::size_t size) {
  zip_error_t ze;
  zip_error_init(&ze);
  zip_source_t* src = zip_source_buffer_create(data, size, 0, &ze);
  zip_t* z = src ? zip_open_from_source(src, ZIP_RDONLY, &ze) : nullptr;
  if (!z && src) zip_source_free(src);
  zip_error_fini(&ze);
  return ZipPtr(z, zip_discard);
}

// The package with part `index` replaced by `content` (stored), the other
// parts copied compressed as they are; empty when libzip cannot make it.
std::string Rezip(zip_t* in, zip_uint64_t index, const std::string& content) {
  zip_error_t ze;
  zip_error_init(&ze);
  zip_source_t* out = zip_source_buffer_create(nullptr, 0, 0, &ze);
  zip_error_fini(&ze);
  if (!out) return {};
  zip_source_keep(out);
  zip_t* z = zip_open_from_source(out, ZIP_TRUNCATE, nullptr);
  std::string result;
  if (z) {
    bool ok = true;
    const auto n = static_cast<zip_uint64_t>(zip_get_num_entries(in, 0));
    for (zip_uint64_t i = 0; ok && i < n; ++i) {
      const char* name = zip_get_name(in, i, 0);
      zip_source_t* src = i == index ? zip_source_buffer(z, content.data(), content.size(), 0)
                                     : zip_source_zip(z, in, i, ZIP_FL_COMPRESSED, 0, -1);
      if (!name || !src) {
        ok = false;
        break;
      }
      const zip_int64_t added = zip_file_add(z, name, src, ZIP_FL_ENC_UTF_8);
      if (added < 0) {
        zip_source_free(src);
        ok = false;
      } else if (i == index) {
        zip_set_file_compression(z, static_cast<zip_uint64_t>(added), ZIP_CM_STORE, 0);
      }
    }
    if (ok && zip_close(z) == 0) {
      zip_stat_t st;
      if (zip_source_stat(out, &st) == 0 && (st.valid & ZIP_STAT_SIZE) &&
          zip_source_open(out) == 0) {
        result.resize(static_cast<std::size_t>(st.size));
        if (zip_source_read(out, result.data(), st.size) != static_cast<zip_int64_t>(st.size))
          result.clear();
        zip_source_close(out);
      }
    } else {
      zip_discard(z);
    }
  }
  zip_source_free(out);
  return result;
}

}  // namespace

extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t maxSize);

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size,
                                               std::size_t maxSize, unsigned int seed) {
  std::minstd_rand rng(seed);
  ZipPtr in = rng() % 8 != 0 ? OpenZip(data, size) : ZipPtr(nullptr, zip_discard);
  const zip_int64_t count = in ? zip_get_num_entries(in.get(), 0) : 0;
  if (count <= 0) return LLVMFuzzerMutate(data, size, maxSize);

  const auto index = static_cast<zip_uint64_t>(rng() % static_cast<std::uint64_t>(count));
  zip_stat_t st;
  zip_stat_init(&st);
  std::string content;
  if (zip_stat_index(in.get(), index, 0, &st) == 0 && (st.valid & ZIP_STAT_SIZE) &&
      st.size <= maxSize) {
    if (zip_file_t* f = zip_fopen_index(in.get(), index, 0)) {
      content.resize(static_cast<std::size_t>(st.size));
      if (zip_fread(f, content.data(), st.size) != static_cast<zip_int64_t>(st.size))
        content.clear();
      zip_fclose(f);
    }
  }
  if (content.empty() && st.size != 0) return LLVMFuzzerMutate(data, size, maxSize);
  // Room for the part to grow a little.
  const std::size_t room = content.size() + 64 + content.size() / 8;
  content.resize(room);
  content.resize(LLVMFuzzerMutate(reinterpret_cast<std::uint8_t*>(content.data()),
                                  static_cast<std::size_t>(st.size), room));
  const std::string out = Rezip(in.get(), index, content);
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
