// A file from the drawings published beside the repository, for tests that
// use one when it is there and do without it otherwise.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace tarvel_test {

// TARVEL_SHARED_DIR/relative, or empty when the variable is unset or the
// file cannot be read.
inline std::string SharedFile(const std::string& relative) {
  const char* shared = std::getenv("TARVEL_SHARED_DIR");
  if (shared == nullptr) return {};
  std::string path = std::string(shared) + "/" + relative;
  return std::ifstream(path).good() ? path : std::string();
}

// TARVEL_SHARED_DIR/relative when it is a folder, else empty: CI's checkout
// may have no drawings beside it.
inline std::string SharedFolder(const std::string& relative) {
  const char* shared = std::getenv("TARVEL_SHARED_DIR");
  if (shared == nullptr) return {};
  std::string path = std::string(shared) + "/" + relative;
  std::error_code error;
  return std::filesystem::is_directory(path, error) ? path : std::string();
}

}  // namespace tarvel_test
