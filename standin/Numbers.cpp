#include "standin/Numbers.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <locale.h>

namespace standin {

namespace {

// The "C" locale for the calling thread while it lives (uselocale leaves
// other threads alone).
class ClassicLocale {
 public:
  ClassicLocale() {
    static const locale_t classic = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    if (classic != static_cast<locale_t>(nullptr)) previous_ = uselocale(classic);
  }
  ~ClassicLocale() {
    if (previous_ != static_cast<locale_t>(nullptr)) uselocale(previous_);
  }
  ClassicLocale(const ClassicLocale&) = delete;
  ClassicLocale& operator=(const ClassicLocale&) = delete;

 private:
  locale_t previous_ = static_cast<locale_t>(nullptr);
};

}  // namespace

std::string PrintfNumber(const char* format, double v) {
  const ClassicLocale classic;
  char buf[512];
  std::snprintf(buf, sizeof buf, format, v);
  return buf;
}

std::string PrintfNumber(const char* format, int precision, double v) {
  const ClassicLocale classic;
  char buf[512];
  std::snprintf(buf, sizeof buf, format, precision, v);
  return buf;
}

double ParseNumber(std::string_view text) {
  const ClassicLocale classic;
  return std::strtod(std::string(text).c_str(), nullptr);
}

}  // namespace standin
