// Opening real drawings: the stand-in's loader against the free office
// suite's Visio import library (libvisio), side by side on the three
// largest files of the corpus.
//
//   tarvel_bench_vsdx [--runs N]
//
// Both are timed the same way, as a program started for one file and
// waited for (fork, exec, wait4): the stand-in as this program run again
// with --open-one FILE, libvisio as `vsd2raw FILE > /dev/null`. The table
// gives the median of N runs (default 5), their ratio, the stand-in's
// open alone as measured inside this process, and the stand-in's peak
// memory: the child's peak resident size, and that less the peak of the
// same child opening the corpus's smallest drawing (what any file costs:
// code and libraries paged in), against the size of the file's XML
// unpacked.
//
// A second table reads every cell of the file through the automation layer
// in process, as a client walking the ShapeSheet does: the file opened with
// Documents.Open, then every shape of every page and master (group members
// too) and every page's and master's own sheet; of each, every section that
// exists (SectionExists; the Object section's rows by RowExists up to its
// RowCount, the geometry sections by GeometryCount), every row (RowCount),
// every cell (RowsCellCount), each as CellsSRC(s, r, c) and then the cell's
// Formula and ResultIU. Timed as a program run (--read-one FILE: open and
// read) against vsd2raw on the same file; also the read alone, in this
// process, and the number of cells read.
//
//   tarvel_bench_vsdx --read-one FILE [--dump]
//
// runs that walk once; --dump prints every answer (a line per cell, errors
// included), for comparing the answers of two builds.
//
// Goals: the stand-in opens in at most half vsd2raw's time, reads every
// cell (open and read) in at most vsd2raw's time, and takes at most three
// times the unpacked XML in memory. Corpus: TARVEL_SHARED_DIR/vsdx, else
// ../shared/vsdx beside the repository.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "CorpusFiles.h"
#include "automation/Object.h"
#include "standin/Application.h"
#include "standin/Document.h"
#include "standin/Package.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

#ifndef TARVEL_DEFAULT_SHARED_DIR
#define TARVEL_DEFAULT_SHARED_DIR "../shared"
#endif

constexpr double kTimeGoal = 0.5;
constexpr double kReadGoal = 1.0;
constexpr double kMemoryGoal = 3.0;

using tarvel_bench::CorpusDir;

// The hidden mode: open one file as a client's Documents.Open would, and
// end.
int OpenOne(const char* path) {
  auto app = standin::MakeRef<standin::Application>();
  int status = 0;
  try {
    app->OpenDocument(path, 0);
  } catch (const automation::AutomationError& e) {
    std::fprintf(stderr, "%s\n", e.message().c_str());
    status = 1;
  }
  app->Quit();
  return status;
}

// Reading every cell through the automation layer, by member name as a
// late-bound client does.
class CellWalk {
 public:
  explicit CellWalk(std::FILE* dump) : dump_(dump) {}

  std::uint64_t Cells() const { return cells_; }

  void Document(const automation::ObjectRef& doc) {
    Collection(doc.Get("Pages").ToObject(), "page", true);
    Collection(doc.Get("Masters").ToObject(), "master", true);
  }

 private:
  using ObjectRef = automation::ObjectRef;
  using Variant = automation::Variant;

  static Variant I2(int v) { return Variant(static_cast<std::int16_t>(v)); }

  // Pages or masters: each one's own sheet, then its shapes.
  void Collection(const ObjectRef& items, const char* kind, bool withSheet) {
    const int n = items.Get("Count").ToInt32();
    for (int i = 1; i <= n; ++i) {
      const ObjectRef item = items.Get("Item", {I2(i)}).ToObject();
      const std::string where = std::string(kind) + std::to_string(i);
      if (withSheet) Sheet(item.Get("PageSheet").ToObject(), where + "/sheet");
      Shapes(item.Get("Shapes").ToObject(), where);
    }
  }

  void Shapes(const ObjectRef& shapes, const std::string& where) {
    const int n = shapes.Get("Count").ToInt32();
    for (int i = 1; i <= n; ++i) {
      const ObjectRef shape = shapes.Get("Item", {I2(i)}).ToObject();
      const std::string here = where + "/" + std::to_string(i);
      Sheet(shape, here);
      if (shape.Get("Type").ToInt32() == 2) Shapes(shape.Get("Shapes").ToObject(), here);
    }
  }

  void Sheet(const ObjectRef& shape, const std::string& where) {
    where_ = &where;
    // The Object section: its existing rows, found by index until there
    // are as many as it counts.
    const int objectRows = shape.Get("RowCount", {I2(1)}).ToInt32();
    for (int r = 0, found = 0; found < objectRows && r < 256; ++r) {
      if (shape.Get("RowExists", {I2(1), I2(r), I2(0)}).ToInt32() == 0) continue;
      ++found;
      Row(shape, 1, r);
    }
    auto section = [&](int s) {
      const int rows = shape.Get("RowCount", {I2(s)}).ToInt32();
      for (int r = 0; r < rows; ++r) Row(shape, s, r);
    };
    for (int s = 2; s < 10; ++s) {
      if (shape.Get("SectionExists", {I2(s), I2(0)}).ToInt32() != 0) section(s);
    }
    const int geometry = shape.Get("GeometryCount").ToInt32();
    for (int k = 0; k < geometry; ++k) section(10 + k);
    for (int s = 240; s <= 252; ++s) {
      if (shape.Get("SectionExists", {I2(s), I2(0)}).ToInt32() != 0) section(s);
    }
  }

  void Row(const ObjectRef& shape, int s, int r) {
    const int n = shape.Get("RowsCellCount", {I2(s), I2(r)}).ToInt32();
    for (int c = 0; c < n; ++c) {
      ++cells_;
      try {
        const ObjectRef cell = shape.Get("CellsSRC", {I2(s), I2(r), I2(c)}).ToObject();
        const std::string formula = cell.Get("Formula").ToString();
        const double result = cell.Get("ResultIU").ToDouble();
        if (dump_) {
          std::fprintf(dump_, "%s %d %d %d %s = %.17g\n", where_->c_str(), s, r, c, formula.c_str(),
                       result);
        }
      } catch (const automation::AutomationError& e) {
        if (dump_) {
          std::fprintf(dump_, "%s %d %d %d error %08x\n", where_->c_str(), s, r, c,
                       static_cast<unsigned>(e.code()));
        }
      }
    }
  }

  std::FILE* dump_;
  const std::string* where_ = nullptr;
  std::uint64_t cells_ = 0;
};

// Opens a file through Documents.Open, as a client does.
automation::ObjectRef OpenThroughDocuments(const automation::ObjectRef& app,
                                           const std::string& path) {
  return app.Get("Documents").ToObject().Invoke("Open", {automation::Variant(path)}).ToObject();
}

// The hidden mode: open one file and read every cell of it, and end.
int ReadOne(const char* path, bool dump) {
  auto app = standin::MakeRef<standin::Application>();
  int status = 0;
  try {
    CellWalk walk(dump ? stdout : nullptr);
    walk.Document(OpenThroughDocuments(automation::ObjectRef(app), path));
    std::printf("cells %llu\n", static_cast<unsigned long long>(walk.Cells()));
  } catch (const automation::AutomationError& e) {
    std::fprintf(stderr, "%s\n", e.message().c_str());
    status = 1;
  }
  app->Quit();
  return status;
}

struct Child {
  double seconds = 0;
  long maxRssKb = 0;
  bool ok = false;
};

// Runs a program with its output thrown away, timing it from fork to
// reaping; wait4 gives its peak resident size.
Child Run(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  Child out;
  const auto start = Clock::now();
  const pid_t pid = fork();
  if (pid < 0) return out;
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) {
      dup2(null, STDOUT_FILENO);
      dup2(null, STDERR_FILENO);
    }
    execvp(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) < 0) return out;
  out.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  out.maxRssKb = usage.ru_maxrss;
  out.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return out;
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The parts of the package that are XML, by their unpacked size.
std::uint64_t UnpackedXml(const fs::path& file) {
  try {
    const auto pkg = standin::Package::Open(file.string(), 0);
    std::uint64_t total = 0;
    for (const std::string& name : pkg.PartNames()) {
      if (name.size() > 4 && (name.ends_with(".xml") || name.ends_with(".rels")))
        total += pkg.ClaimedSize(name);
    }
    return total;
  } catch (const standin::PackageError&) {
    return 0;
  }
}

bool OnPath(const char* program) {
  const char* path = std::getenv("PATH");
  if (!path) return false;
  std::string dirs = path;
  std::size_t start = 0;
  while (start <= dirs.size()) {
    const std::size_t colon = dirs.find(':', start);
    const std::string dir =
        dirs.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
    if (!dir.empty() && access((fs::path(dir) / program).c_str(), X_OK) == 0) return true;
    if (colon == std::string::npos) break;
    start = colon + 1;
  }
  return false;
}

std::string Mib(double bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MiB", bytes / (1024.0 * 1024.0));
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 5;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--open-one" && i + 1 < argc) return OpenOne(argv[i + 1]);
    if (a == "--read-one" && i + 1 < argc) {
      return ReadOne(argv[i + 1], i + 2 < argc && std::string(argv[i + 2]) == "--dump");
    }
    if (a == "--runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr, "usage: %s [--runs N]\n", argv[0]);
      return 2;
    }
  }
  const std::string self = fs::canonical("/proc/self/exe").string();

  const std::optional<fs::path> corpus = tarvel_bench::CorpusDirToMeasure();
  if (!corpus) return 0;
  const fs::path& dir = *corpus;
  // The three largest packages that are not deliberately damaged.
  auto files = tarvel_bench::CorpusPackages(dir);
  if (files.empty()) {
    std::printf("No drawings in %s: nothing to measure.\n", dir.c_str());
    return 0;
  }
  const fs::path smallest = files.back().second;
  if (files.size() > 3) files.resize(3);

  const bool haveVsd2raw = OnPath("vsd2raw");
  if (!haveVsd2raw) {
    std::printf(
        "vsd2raw is not installed (Debian package libvisio-tools): the stand-in's figures "
        "alone.\n");
  }

  // The stand-in opening a drawing of next to nothing: the memory any
  // file takes.
  std::vector<double> base;
  for (int i = 0; i < runs; ++i) {
    base.push_back(static_cast<double>(Run({self, "--open-one", smallest.string()}).maxRssKb));
  }
  const double baselineKb = Median(base);

  std::printf("Opening the largest drawings of the corpus, median of %d runs each.\n", runs);
  std::printf(
      "Time: from start to end of a program given the file (the stand-in: this program "
      "with --open-one; libvisio: vsd2raw).\n");
  std::printf(
      "Memory: the stand-in's peak resident size; the part of it above %s, the peak "
      "for the corpus's\nsmallest drawing (%s), against the unpacked XML.\n\n",
      Mib(baselineKb * 1024).c_str(), smallest.filename().c_str());
  std::printf("%-40s %9s %10s | %9s %9s %9s %7s | %9s %9s %7s\n", "file", "file", "XML", "stand-in",
              "(open)", "vsd2raw", "ratio", "peak", "above", "mem/XML");

  // Every child runs before this process opens anything itself: Linux
  // counts a child's resident size before it executes the program in its
  // peak, and that is this process's size at the fork.
  struct Figures {
    std::vector<double> standin, libvisio, peak, inProcess, reading, readInProcess;
    bool opens = true, reads = true;
    std::uint64_t cells = 0;
  };
  std::vector<Figures> figures(files.size());
  for (std::size_t f = 0; f < files.size(); ++f) {
    const std::string path = files[f].second.string();
    for (int i = 0; i < runs && figures[f].opens; ++i) {
      const Child c = Run({self, "--open-one", path});
      figures[f].opens = c.ok;
      figures[f].standin.push_back(c.seconds);
      figures[f].peak.push_back(static_cast<double>(c.maxRssKb));
      if (haveVsd2raw) figures[f].libvisio.push_back(Run({"vsd2raw", path}).seconds);
      const Child r = Run({self, "--read-one", path});
      figures[f].reads = figures[f].reads && r.ok;
      figures[f].reading.push_back(r.seconds);
    }
  }
  for (std::size_t f = 0; f < files.size(); ++f) {
    for (int i = 0; i < runs && figures[f].opens; ++i) {
      auto app = standin::MakeRef<standin::Application>();
      const auto start = Clock::now();
      try {
        app->OpenDocument(files[f].second.string(), 0);
      } catch (const automation::AutomationError&) {
        figures[f].opens = false;
      }
      figures[f].inProcess.push_back(std::chrono::duration<double>(Clock::now() - start).count());
      app->Quit();
    }
    // Reading every cell, the read alone.
    for (int i = 0; i < runs && figures[f].reads; ++i) {
      auto app = standin::MakeRef<standin::Application>();
      try {
        const automation::ObjectRef doc =
            OpenThroughDocuments(automation::ObjectRef(app), files[f].second.string());
        CellWalk walk(nullptr);
        const auto start = Clock::now();
        walk.Document(doc);
        figures[f].readInProcess.push_back(
            std::chrono::duration<double>(Clock::now() - start).count());
        figures[f].cells = walk.Cells();
      } catch (const automation::AutomationError&) {
        figures[f].reads = false;
      }
      app->Quit();
    }
  }

  bool timeMet = true, memoryMet = true, anyRatio = false;
  for (std::size_t f = 0; f < files.size(); ++f) {
    const auto& [size, path] = files[f];
    const Figures& fig = figures[f];
    const std::uint64_t xml = UnpackedXml(path);
    const std::string name = path.filename().string();
    if (!fig.opens) {
      std::printf("%-40s the stand-in cannot open it\n", name.c_str());
      timeMet = memoryMet = false;
      continue;
    }
    const double t = Median(fig.standin), open = Median(fig.inProcess),
                 peak = Median(fig.peak) * 1024, mem = peak - baselineKb * 1024;
    const double memRatio = xml ? mem / static_cast<double>(xml) : 0;
    memoryMet = memoryMet && memRatio <= kMemoryGoal;
    char vsd[16] = "-", ratio[16] = "-";
    if (haveVsd2raw) {
      const double v = Median(fig.libvisio);
      std::snprintf(vsd, sizeof vsd, "%.0f ms", v * 1000);
      std::snprintf(ratio, sizeof ratio, "%.2f", t / v);
      timeMet = timeMet && t / v <= kTimeGoal;
      anyRatio = true;
    }
    std::printf("%-40s %9s %10s | %6.0f ms %6.0f ms %9s %7s | %9s %9s %7.2f\n", name.c_str(),
                Mib(static_cast<double>(size)).c_str(), Mib(static_cast<double>(xml)).c_str(),
                t * 1000, open * 1000, vsd, ratio, Mib(peak).c_str(), Mib(mem).c_str(), memRatio);
  }

  std::printf(
      "\nReading every cell through the automation layer in process (CellsSRC, then Formula "
      "and ResultIU\nof each cell of every shape, group member, master shape, page and master "
      "sheet).\nTime: from start to end of this program with --read-one (open and read), "
      "against vsd2raw.\n\n");
  std::printf("%-40s %9s %9s %9s %7s | %9s\n", "file", "stand-in", "(read)", "vsd2raw", "ratio",
              "cells");
  bool readMet = true;
  for (std::size_t f = 0; f < files.size(); ++f) {
    const Figures& fig = figures[f];
    const std::string name = files[f].second.filename().string();
    if (!fig.opens || !fig.reads) {
      std::printf("%-40s the stand-in cannot read it\n", name.c_str());
      readMet = false;
      continue;
    }
    const double t = Median(fig.reading), read = Median(fig.readInProcess);
    char vsd[16] = "-", ratio[16] = "-";
    if (haveVsd2raw) {
      const double v = Median(fig.libvisio);
      std::snprintf(vsd, sizeof vsd, "%.0f ms", v * 1000);
      std::snprintf(ratio, sizeof ratio, "%.2f", t / v);
      readMet = readMet && t / v <= kReadGoal;
    }
    std::printf("%-40s %6.0f ms %6.0f ms %9s %7s | %9llu\n", name.c_str(), t * 1000, read * 1000,
                vsd, ratio, static_cast<unsigned long long>(fig.cells));
  }

  std::printf(
      "\nGoals: open at most %.2f of vsd2raw's time: %s; open and read every cell at most "
      "%.2f of it: %s;\nmemory at most %.1f times the unpacked XML: %s.\n",
      kTimeGoal, anyRatio ? (timeMet ? "met" : "MISSED") : "not measured", kReadGoal,
      anyRatio ? (readMet ? "met" : "MISSED") : "not measured", kMemoryGoal,
      memoryMet ? "met" : "MISSED");
  return 0;
}
