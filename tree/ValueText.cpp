#include "tree/ValueText.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>
#include <stdexcept>
#include <string_view>

#include "lut/Tarvel_TLUT.h"
#include "visio/ErrorText.h"

std::string FormatInteger(std::int32_t value, const TLUT* lut, bool raw) {
  std::string text = std::to_string(value);
  if (!raw && lut != nullptr) text += " (=" + lut->Lookup(value) + ")";
  return text;
}

std::string FormatSmallint(std::int16_t value, const TLUT* lut, bool raw) {
  std::string text = std::to_string(value);
  if (!raw && lut != nullptr) {
    const std::int32_t looked = lut->Kind() == TLUTKind::Norm
                                    ? std::int32_t{value}
                                    : std::int32_t{static_cast<std::uint16_t>(value)};
    text += " (=" + lut->Lookup(looked) + ")";
  }
  return text;
}

namespace {

bool IsContinuationByte(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

int Utf8Length(const std::string& text) {
  int length = 0;
  for (char c : text) {
    if (!IsContinuationByte(c)) ++length;
  }
  return length;
}

}  // namespace

std::string Utf8Prefix(const std::string& text, int count) {
  if (count <= 0) return {};
  int seen = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsContinuationByte(text[i])) continue;
    if (seen == count) return text.substr(0, i);
    ++seen;
  }
  return text;
}

std::string FormatString(const std::string& value, int maxLength, bool raw) {
  std::string text =
      Utf8Length(value) > maxLength ? Utf8Prefix(value, maxLength - 3) + "..." : value;
  if (!raw) text = '"' + text + '"';
  return text;
}

std::string FormatFloat(double value, bool point) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  // The largest double has 309 integer digits.
  char buffer[400];
  std::snprintf(buffer, sizeof buffer, "%.6f", value);
  std::string text(buffer);
  // "%.6f" always writes the separator, in the locale's own form ("." or
  // ","): trailing zeros go, and with them a separator left last.
  while (text.back() == '0') text.pop_back();
  const std::string_view separator = std::localeconv()->decimal_point;
  if (!separator.empty() && text.size() > separator.size() &&
      text.compare(text.size() - separator.size(), separator.size(), separator) == 0) {
    text.resize(text.size() - separator.size());
  }
  if (point && separator != ".") {
    const std::size_t at = text.find(separator);
    if (at != std::string::npos) text.replace(at, separator.size(), ".");
  }
  if (text == "-0") text = "0";
  return text;
}

std::int32_t RoundHalfEven(double value) {
  // nearbyint rounds halves to even in the default rounding mode.
  const double rounded = std::nearbyint(value);
  if (!(rounded >= std::numeric_limits<std::int32_t>::min() &&
        rounded <= std::numeric_limits<std::int32_t>::max())) {
    throw std::range_error("Floating point value out of integer range");
  }
  return static_cast<std::int32_t>(rounded);
}

std::string FormatDouble(double value, const TLUT* lut, bool raw) {
  std::string text = FormatFloat(value, raw);
  if (!raw && lut != nullptr) text += " (=" + lut->Lookup(RoundHalfEven(value)) + ")";
  return text;
}

std::string ExceptionText(const std::exception& error) {
  return "EXCEPTION: \"" + TrimText(ErrorMessage(error)) + "\"";
}

namespace {

// A sign and digits, nothing else.
template <class T>
T ParseDecimal(const std::string& text, const char* rangeName) {
  std::string_view digits = text;
  if (digits.size() > 1 && digits[0] == '+' && digits[1] != '-') digits.remove_prefix(1);
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (digits.empty() || error == std::errc::invalid_argument ||
      end != digits.data() + digits.size()) {
    throw std::invalid_argument("'" + text + "' is not a valid integer value");
  }
  if (error == std::errc::result_out_of_range || value < std::numeric_limits<T>::min() ||
      value > std::numeric_limits<T>::max()) {
    throw std::invalid_argument("'" + text + "' is out of range for " + rangeName);
  }
  return static_cast<T>(value);
}

}  // namespace

std::int32_t TextToInteger(const std::string& text) {
  return ParseDecimal<std::int32_t>(text, "a 32-bit integer");
}

std::int16_t TextToSmallint(const std::string& text) {
  return ParseDecimal<std::int16_t>(text, "a 16-bit integer");
}

double TextToDouble(const std::string& text) {
  std::string_view number = text;
  if (number.size() > 1 && number[0] == '+' && number[1] != '-') number.remove_prefix(1);
  // A decimal number with an optional sign and exponent, nothing else: not
  // the "nan", "inf" and "infinity" the conversion would also take.
  if (number.find_first_not_of("0123456789.eE+-") != std::string_view::npos) number = {};
  double value = 0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value,
                                            std::chars_format::general);
  if (number.empty() || error != std::errc() || end != number.data() + number.size()) {
    throw std::invalid_argument("'" + text + "' is not a valid floating point value");
  }
  return value;
}
