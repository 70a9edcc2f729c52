// Saving real drawings against opening them: the three largest files of
// the corpus, each opened (Documents.OpenEx, visOpenRW), saved unchanged
// (SaveAs: every part copied as stored), and saved with one cell changed
// on one page (or, in a stencil, one master): that part and no other
// written anew. In process, median of N runs (default 5).
//
//   tarvel_bench_save [--runs N]
//
// Goal: a save takes at most the file's open time. Corpus:
// TARVEL_SHARED_DIR/vsdx, else ../shared/vsdx beside the repository.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "CorpusFiles.h"
#include "automation/Object.h"
#include "standin/Application.h"
#include "standin/Document.h"

namespace {

namespace fs = std::filesystem;
using automation::ObjectRef;
using automation::Variant;

constexpr double kSaveGoal = 1.0;

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double Millis(const std::function<void()>& f) {
  const auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

// The first shape of the first page, or of the first master in a file
// without pages (a stencil).
ObjectRef FirstShape(const ObjectRef& doc) {
  for (const char* list : {"Pages", "Masters"}) {
    const ObjectRef items = doc.Get(list).ToObject();
    for (std::int32_t i = 1; i <= items.Get("Count").ToInt32(); ++i) {
      const ObjectRef shapes = items.Get("Item", {Variant(i)}).ToObject().Get("Shapes").ToObject();
      if (shapes.Get("Count").ToInt32() > 0) return shapes.Get("Item", {Variant(1)}).ToObject();
    }
  }
  return ObjectRef();
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 5;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
      runs = std::max(1, std::atoi(argv[++i]));
  }
  const std::optional<fs::path> corpus = tarvel_bench::CorpusDirToMeasure();
  if (!corpus) return 0;
  const fs::path& dir = *corpus;
  auto files = tarvel_bench::CorpusPackages(dir);
  if (files.size() > 3) files.resize(3);

  const fs::path out =
      fs::temp_directory_path() / ("tarvel-bench-save-" + std::to_string(getpid()));
  fs::create_directories(out);
  std::printf(
      "Saving the largest drawings of the corpus against opening them, median of %d runs.\n", runs);
  std::printf("%-42s %9s %9s %9s %9s %9s %6s\n", "file", "KiB", "open ms", "save ms", "save1 ms",
              "ratio", "goal");
  bool allMet = true;
  for (const auto& [size, path] : files) {
    std::vector<double> open, save, saveChanged;
    const std::string target = (out / path.filename()).string();
    for (int r = 0; r < runs; ++r) {
      auto app = automation::MakeRef<standin::Application>();
      const ObjectRef docs = ObjectRef(app).Get("Documents").ToObject();
      ObjectRef doc;
      open.push_back(Millis([&] {
        doc =
            docs.Invoke("OpenEx", {Variant(path.string()), Variant(std::int16_t{0x20})}).ToObject();
      }));
      save.push_back(Millis([&] { doc.Invoke("SaveAs", {Variant(target)}); }));
      const ObjectRef shape = FirstShape(doc);
      if (shape) shape.Get("Cells", {Variant("PinX")}).ToObject().Put("Formula", Variant("1.5 in"));
      saveChanged.push_back(Millis([&] { doc.Invoke("Save"); }));
      app->Quit();
    }
    const double o = Median(open), s = Median(save), s1 = Median(saveChanged);
    const double ratio = std::max(s, s1) / o;
    const bool met = ratio <= kSaveGoal;
    allMet = allMet && met;
    std::printf("%-42s %9.0f %9.1f %9.1f %9.1f %9.2f %6s\n", path.filename().c_str(),
                static_cast<double>(size) / 1024.0, o, s, s1, ratio, met ? "met" : "MISSED");
  }
  fs::remove_all(out);
  std::printf(
      "Goal: saving (unchanged, and with one cell changed) takes at most the open time: %s.\n",
      allMet ? "met" : "missed");
  return 0;
}
