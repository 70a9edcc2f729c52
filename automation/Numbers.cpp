#include "automation/Numbers.h"

#include <charconv>
#include <cmath>
#include <vector>

namespace automation {
namespace {

std::string ToChars(double v, std::chars_format format, int precision) {
  // The largest double has 309 integer digits; the precision comes on top.
  std::vector<char> buf(330 + static_cast<std::size_t>(precision < 0 ? 0 : precision));
  auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), v, format, precision);
  if (ec != std::errc()) return std::string();
  return std::string(buf.data(), end);
}

}  // namespace

std::string FormatFixed(double v, int decimals) {
  return ToChars(v, std::chars_format::fixed, decimals < 0 ? 6 : decimals);
}

std::string FormatGeneral(double v, int precision) {
  return ToChars(v, std::chars_format::general, precision < 0 ? 6 : precision);
}

std::optional<double> ParseDouble(std::string_view s) {
  if (s.empty()) return std::nullopt;
  double v = 0;
  const char* b = s.data();
  if (*b == '+') ++b;
  auto [end, ec] = std::from_chars(b, s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return v;
}

double ParseCheckedDouble(std::string_view s) {
  const bool negative = !s.empty() && s[0] == '-';
  const char* b = s.data();
  const char* e = s.data() + s.size();
  if (b != e && (*b == '+' || *b == '-')) ++b;
  double v = 0;
  auto [end, ec] = std::from_chars(b, e, v);
  if (ec == std::errc()) return negative ? -v : v;
  if (ec != std::errc::result_out_of_range) return 0;
  // Out of range: the position of the first significant digit against the
  // decimal point, moved by the exponent, tells too large from too small.
  long long order = 0;
  bool seen = false, point = false;
  const char* p = b;
  for (; p != e && *p != 'e' && *p != 'E'; ++p) {
    if (*p == '.') {
      point = true;
    } else if (*p != '0' || seen) {
      seen = true;
      if (!point) ++order;
    } else if (point) {
      --order;
    }
  }
  if (p != e) {
    ++p;
    const bool minus = p != e && *p == '-';
    if (p != e && (*p == '+' || *p == '-')) ++p;
    long long exponent = 0;
    for (; p != e && exponent < 100000; ++p) exponent = exponent * 10 + (*p - '0');
    order += minus ? -exponent : exponent;
  }
  const double magnitude = order > 0 ? HUGE_VAL : 0.0;
  return negative ? -magnitude : magnitude;
}

}  // namespace automation
