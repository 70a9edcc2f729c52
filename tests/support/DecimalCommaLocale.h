// A locale whose numbers use a decimal comma (German), made for the test
// run with localedef into a folder of its own, so that nothing beyond
// Debian's packages is needed. The process switches to it with
// setlocale, as a Qt program does at start on such a desktop.
#pragma once

#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace tarvel_test {

// The locale's name once it can be used, or nullopt and why not.
inline std::optional<std::string> DecimalCommaLocale(std::string* why = nullptr) {
  static const std::optional<std::string> made = [] () -> std::optional<std::string> {
    const std::string name = "de_DE.UTF-8";
    const char* const old = std::setlocale(LC_ALL, nullptr);
    const std::string previous = old ? old : "C";
    if (std::setlocale(LC_ALL, name.c_str())) {  // already installed
      std::setlocale(LC_ALL, previous.c_str());
      return name;
    }
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("tarvel-locale-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string command = "localedef -i de_DE -f UTF-8 '" + (dir / name).string() +
                                "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0 && !std::filesystem::exists(dir / name)) {
      return std::nullopt;
    }
    setenv("LOCPATH", dir.c_str(), 1);
    const bool usable = std::setlocale(LC_ALL, name.c_str()) != nullptr;
    std::setlocale(LC_ALL, previous.c_str());
    if (!usable) return std::nullopt;
    return name;
  }();
  if (!made && why) *why = "localedef could not make de_DE.UTF-8 (Debian's locales package)";
  return made;
}

// Switches the whole process to the decimal-comma locale while it lives.
class InDecimalCommaLocale {
 public:
  InDecimalCommaLocale() {
    const char* old = std::setlocale(LC_ALL, nullptr);
    previous_ = old ? old : "C";
    if (const auto name = DecimalCommaLocale()) active_ = std::setlocale(LC_ALL, name->c_str());
  }
  ~InDecimalCommaLocale() { std::setlocale(LC_ALL, previous_.c_str()); }
  InDecimalCommaLocale(const InDecimalCommaLocale&) = delete;
  InDecimalCommaLocale& operator=(const InDecimalCommaLocale&) = delete;
  bool Active() const { return active_; }

 private:
  std::string previous_;
  bool active_ = false;
};

}  // namespace tarvel_test
