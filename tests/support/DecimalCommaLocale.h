// A locale with a decimal comma (de_DE.UTF-8), made with localedef in a
// folder of the test's own so that no installed locale is needed, and
// set for the process while an object of this class lives.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace tarvel::testing {

class DecimalCommaLocale {
 public:
  DecimalCommaLocale() {
    namespace fs = std::filesystem;
    dir_ = fs::temp_directory_path() / ("tarvel-locale-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    const std::string target = (dir_ / "de_DE.UTF-8").string();
    if (!fs::exists(target)) {
      const std::string command = "localedef -i de_DE -f UTF-8 '" + target + "' >/dev/null 2>&1";
      if (std::system(command.c_str()) != 0 && !fs::exists(target)) {
        why_ = "localedef could not make de_DE.UTF-8 (is Debian's locales package installed?)";
        return;
      }
    }
    const char* old = std::getenv("LOCPATH");
    if (old) oldLocPath_ = old;
    hadLocPath_ = old != nullptr;
    ::setenv("LOCPATH", dir_.c_str(), 1);
    saved_ = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) {
      why_ = "setlocale refused the generated de_DE.UTF-8";
      return;
    }
    if (std::string(std::localeconv()->decimal_point) != ",") {
      std::setlocale(LC_ALL, saved_.c_str());
      why_ = "the generated locale has no decimal comma";
      return;
    }
    active_ = true;
  }
  ~DecimalCommaLocale() {
    if (!saved_.empty()) std::setlocale(LC_ALL, saved_.c_str());
    if (hadLocPath_) {
      ::setenv("LOCPATH", oldLocPath_.c_str(), 1);
    } else {
      ::unsetenv("LOCPATH");
    }
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  DecimalCommaLocale(const DecimalCommaLocale&) = delete;
  DecimalCommaLocale& operator=(const DecimalCommaLocale&) = delete;

  bool active() const { return active_; }
  const std::string& why() const { return why_; }

 private:
  std::filesystem::path dir_;
  std::string saved_, oldLocPath_, why_;
  bool hadLocPath_ = false, active_ = false;
};

}  // namespace tarvel::testing

// Runs the rest of the test under the decimal-comma locale, or skips it
// saying why the locale could not be had.
#define TARVEL_UNDER_DECIMAL_COMMA(name)      \
  ::tarvel::testing::DecimalCommaLocale name; \
  if (!name.active()) GTEST_SKIP() << name.why()
