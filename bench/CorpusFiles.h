// The corpus of real drawings the vsdx benchmarks measure.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tarvel_bench {

// TARVEL_SHARED_DIR/vsdx, else ../shared/vsdx beside the repository.
inline std::filesystem::path CorpusDir() {
  const char* shared = std::getenv("TARVEL_SHARED_DIR");
  return std::filesystem::path(shared && *shared ? shared : TARVEL_DEFAULT_SHARED_DIR) / "vsdx";
}

// The corpus folder when it is there; otherwise says that there is nothing
// to measure and gives nothing.
inline std::optional<std::filesystem::path> CorpusDirToMeasure() {
  std::filesystem::path dir = CorpusDir();
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec)) {
    std::printf("No corpus of real drawings at %s (set TARVEL_SHARED_DIR): nothing to measure.\n",
                dir.c_str());
    return std::nullopt;
  }
  return dir;
}

// The packages (.vs?? files) of `dir` that are not deliberately damaged,
// with their sizes, largest first.
inline std::vector<std::pair<std::uintmax_t, std::filesystem::path>> CorpusPackages(
    const std::filesystem::path& dir) {
  std::vector<std::pair<std::uintmax_t, std::filesystem::path>> files;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(dir, ec)) {
    const std::string name = e.path().filename().string();
    const std::string ext = e.path().extension().string();
    if (!e.is_regular_file() || name.starts_with("odd_") || ext.size() != 5 ||
        ext.substr(0, 3) != ".vs")
      continue;
    files.emplace_back(e.file_size(), e.path());
  }
  std::sort(files.begin(), files.end(),
            [](const auto& a, const auto& b) { return a.first > b.first; });
  return files;
}

}  // namespace tarvel_bench
