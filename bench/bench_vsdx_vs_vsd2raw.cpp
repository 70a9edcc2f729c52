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
// Goals: the stand-in takes at most half vsd2raw's time, and at most three
// times the unpacked XML in memory. Corpus: TARVEL_SHARED_DIR/vsdx, else
// ../shared/vsdx beside the repository.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "automation/Object.h"
#include "standin/Application.h"
#include "standin/Document.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

#ifndef TARVEL_DEFAULT_SHARED_DIR
#define TARVEL_DEFAULT_SHARED_DIR "../shared"
#endif

constexpr double kTimeGoal = 0.5;
constexpr double kMemoryGoal = 3.0;

fs::path CorpusDir() {
  const char* shared = std::getenv("TARVEL_SHARED_DIR");
  return fs::path(shared && *shared ? shared : TARVEL_DEFAULT_SHARED_DIR) / "vsdx";
}

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
  int error = 0;
  zip_t* z = zip_open(file.c_str(), ZIP_RDONLY, &error);
  if (!z) return 0;
  std::uint64_t total = 0;
  const zip_int64_t n = zip_get_num_entries(z, 0);
  for (zip_int64_t i = 0; i < n; ++i) {
    zip_stat_t st;
    if (zip_stat_index(z, static_cast<zip_uint64_t>(i), 0, &st) != 0) continue;
    const std::string name = st.name ? st.name : "";
    const bool xml = name.size() > 4 && (name.ends_with(".xml") || name.ends_with(".rels"));
    if (xml && (st.valid & ZIP_STAT_SIZE)) total += st.size;
  }
  zip_discard(z);
  return total;
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
    if (a == "--runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr, "usage: %s [--runs N]\n", argv[0]);
      return 2;
    }
  }
  const std::string self = fs::canonical("/proc/self/exe").string();

  const fs::path dir = CorpusDir();
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) {
    std::printf("No corpus of real drawings at %s (set TARVEL_SHARED_DIR): nothing to measure.\n",
                dir.c_str());
    return 0;
  }
  // The three largest packages that are not deliberately damaged.
  std::vector<std::pair<std::uintmax_t, fs::path>> files;
  for (const auto& e : fs::directory_iterator(dir, ec)) {
    const std::string name = e.path().filename().string();
    const std::string ext = e.path().extension().string();
    if (!e.is_regular_file() || name.starts_with("odd_") || ext.size() != 5 ||
        ext.substr(0, 3) != ".vs")
      continue;
    files.emplace_back(e.file_size(), e.path());
  }
  std::sort(files.begin(), files.end(),
            [](const auto& a, const auto& b) { return a.first > b.first; });
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
    std::vector<double> standin, libvisio, peak, inProcess;
    bool opens = true;
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
      "\nGoals: time at most %.2f of vsd2raw's: %s; memory at most %.1f times the unpacked "
      "XML: %s.\n",
      kTimeGoal, anyRatio ? (timeMet ? "met" : "MISSED") : "not measured", kMemoryGoal,
      memoryMet ? "met" : "MISSED");
  return 0;
}
