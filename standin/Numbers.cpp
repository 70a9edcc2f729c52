#include "standin/Numbers.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <locale.h>

#include <optional>

namespace standin {

namespace {

// The "C" locale for the calling thread while it lives (uselocale leaves
// other threads alone).
#ifdef _WIN32
// Windows' C library has no uselocale: a thread's own locale, set and put
// back, does the same.
class ClassicLocale {
 public:
  ClassicLocale() : mode_(_configthreadlocale(_ENABLE_PER_THREAD_LOCALE)) {
    if (const char* current = std::setlocale(LC_NUMERIC, nullptr)) previous_ = current;
    std::setlocale(LC_NUMERIC, "C");
  }
  ~ClassicLocale() {
    if (!previous_.empty()) std::setlocale(LC_NUMERIC, previous_.c_str());
    _configthreadlocale(mode_);
  }
  ClassicLocale(const ClassicLocale&) = delete;
  ClassicLocale& operator=(const ClassicLocale&) = delete;

 private:
  int mode_;
  std::string previous_;
};
#else
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
#endif

}  // namespace

namespace {

// "%.<n>g" and "%.<n>f", the forms formulas and fields use most, written
// by to_chars: the same text as printf's, without the locale, and many
// times faster. nullopt for other forms.
std::optional<std::string> ByToChars(std::string_view format, int precision, double v) {
  if (format.size() < 3 || format[0] != '%' || format[1] != '.') return std::nullopt;
  const char kind = format.back();
  if (kind != 'g' && kind != 'f') return std::nullopt;
  const std::string_view digits = format.substr(2, format.size() - 3);
  if (digits != "*") {
    precision = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), precision);
    if (ec != std::errc() || end != digits.data() + digits.size() || precision > 40)
      return std::nullopt;
  }
  if (precision < 0 || !std::isfinite(v)) return std::nullopt;
  char buf[400];
  const auto [end, ec] = std::to_chars(
      buf, buf + sizeof buf, v,
      kind == 'g' ? std::chars_format::general : std::chars_format::fixed, precision);
  if (ec != std::errc()) return std::nullopt;
  return std::string(buf, end);
}

}  // namespace

std::string PrintfNumber(const char* format, double v) {
  if (auto fast = ByToChars(format, 0, v)) return *fast;
  const ClassicLocale classic;
  char buf[512];
  std::snprintf(buf, sizeof buf, format, v);
  return buf;
}

std::string PrintfNumber(const char* format, int precision, double v) {
  if (auto fast = ByToChars(format, precision, v)) return *fast;
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
