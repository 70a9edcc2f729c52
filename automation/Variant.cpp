#include "automation/Variant.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <ostream>

namespace automation {
namespace {

[[noreturn]] void TypeMismatch() {
  throw AutomationError(DISP_E_TYPEMISMATCH);
}
[[noreturn]] void Overflow() {
  throw AutomationError(DISP_E_OVERFLOW);
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// OLE rounds to the nearest integer, halves to the even neighbour, and
// refuses what does not fit.
template <class Int>
Int RoundToInt(double v) {
  if (std::isnan(v)) Overflow();
  const double r = std::nearbyint(v);
  if (r < static_cast<double>(std::numeric_limits<Int>::min()) ||
      r > static_cast<double>(std::numeric_limits<Int>::max())) {
    Overflow();
  }
  return static_cast<Int>(r);
}

template <class Int>
Int NarrowInt(std::int64_t v) {
  if (v < std::numeric_limits<Int>::min() || v > std::numeric_limits<Int>::max()) Overflow();
  return static_cast<Int>(v);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return NamesEqual(a, b);
}

// The numbers OLE reads from text: blanks around, a sign, digits with
// thousands separators, a decimal point, an exponent; or &H / &O integers.
// Decimal point and separator are the invariant "." and ",".
double ParseNumber(std::string_view text) {
  std::size_t b = 0, e = text.size();
  while (b < e && IsBlank(text[b])) ++b;
  while (e > b && IsBlank(text[e - 1])) --e;
  std::string_view s = text.substr(b, e - b);
  if (s.empty()) TypeMismatch();

  if (s.size() > 2 && s[0] == '&' && (s[1] == 'H' || s[1] == 'h' || s[1] == 'O' || s[1] == 'o')) {
    const int base = (s[1] == 'H' || s[1] == 'h') ? 16 : 8;
    std::uint32_t v = 0;
    auto [end, ec] = std::from_chars(s.data() + 2, s.data() + s.size(), v, base);
    if (ec == std::errc::result_out_of_range) Overflow();
    if (ec != std::errc() || end != s.data() + s.size()) TypeMismatch();
    // &HFFFF style literals are two's complement in their natural width.
    return static_cast<double>(static_cast<std::int32_t>(v));
  }

  std::string clean;
  clean.reserve(s.size());
  std::size_t i = 0;
  if (s[i] == '+' || s[i] == '-') clean.push_back(s[i++]);
  bool digits = false, point = false;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (c >= '0' && c <= '9') {
      clean.push_back(c);
      digits = true;
    } else if (c == ',' && digits && !point) {
      continue;  // thousands separator
    } else if (c == '.' && !point) {
      clean.push_back(c);
      point = true;
    } else {
      break;
    }
  }
  if (!digits) TypeMismatch();
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    std::size_t j = i + 1;
    std::string exponent = "e";
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) exponent.push_back(s[j++]);
    const std::size_t firstDigit = j;
    while (j < s.size() && s[j] >= '0' && s[j] <= '9') exponent.push_back(s[j++]);
    if (j == firstDigit) TypeMismatch();
    clean += exponent;
    i = j;
  }
  if (i != s.size()) TypeMismatch();

  const char* first = clean.data();
  if (*first == '+') ++first;
  double v = 0;
  auto [end, ec] = std::from_chars(first, clean.data() + clean.size(), v);
  if (ec == std::errc::result_out_of_range) Overflow();
  if (ec != std::errc() || end != clean.data() + clean.size()) TypeMismatch();
  return v;
}

// OLE's text of a double: up to 15 significant digits, "E" exponents.
std::string FormatDouble(double v) {
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
  if (ec != std::errc()) return "0";
  std::string out(buf, end);
  for (char& c : out) {
    if (c == 'e') c = 'E';
  }
  return out;
}

}  // namespace

std::string_view VarTypeName(VarType type) noexcept {
  switch (type) {
    case VarType::Empty:
      return "VT_EMPTY";
    case VarType::Null:
      return "VT_NULL";
    case VarType::I2:
      return "VT_I2";
    case VarType::I4:
      return "VT_I4";
    case VarType::R8:
      return "VT_R8";
    case VarType::Bstr:
      return "VT_BSTR";
    case VarType::Dispatch:
      return "VT_DISPATCH";
    case VarType::Error:
      return "VT_ERROR";
    case VarType::Bool:
      return "VT_BOOL";
    case VarType::Unknown:
      return "VT_UNKNOWN";
    case VarType::BstrArray:
      return "VT_ARRAY|VT_BSTR";
  }
  return "VT_?";
}

// ---- StringArray ----

StringArray::StringArray(std::int32_t lowerBound, std::vector<std::string> elements)
    : lower_(lowerBound), elements_(std::move(elements)) {}

StringArray StringArray::WithBounds(std::int32_t lowerBound, std::int32_t upperBound) {
  const std::int64_t n = std::int64_t{upperBound} - lowerBound + 1;
  return StringArray(lowerBound, std::vector<std::string>(n > 0 ? static_cast<std::size_t>(n) : 0));
}

std::size_t StringArray::Offset(std::int32_t index) const {
  const std::int64_t off = std::int64_t{index} - lower_;
  if (off < 0 || off >= static_cast<std::int64_t>(elements_.size())) {
    throw AutomationError(DISP_E_BADINDEX);
  }
  return static_cast<std::size_t>(off);
}

const std::string& StringArray::Get(std::int32_t index) const {
  return elements_[Offset(index)];
}

void StringArray::Put(std::int32_t index, std::string value) {
  elements_[Offset(index)] = std::move(value);
}

// ---- Variant ----

bool Variant::IsMissing() const noexcept {
  return type_ == VarType::Error && std::get<std::int32_t>(value_) == DISP_E_PARAMNOTFOUND;
}

Variant Variant::ChangeType(VarType to) const {
  if (to == type_) return *this;
  if (to == VarType::Empty) return Variant();
  if (type_ == VarType::Null) TypeMismatch();

  switch (to) {
    case VarType::I2:
      return Variant(ToInt16());
    case VarType::I4:
      return Variant(ToInt32());
    case VarType::R8:
      return Variant(ToDouble());
    case VarType::Bstr:
      return Variant(ToString());
    case VarType::Bool:
      return Bool(ToBool());
    case VarType::Dispatch:
      return Variant(ToObject());
    case VarType::Unknown:
      return Unknown(ToObject());
    case VarType::BstrArray:
      return Variant(ToStringArray());
    case VarType::Error:
      return Error(ToError());
    case VarType::Null:
    case VarType::Empty:
      break;
  }
  TypeMismatch();
}

std::int32_t Variant::ToInt32() const {
  switch (type_) {
    case VarType::Empty:
      return 0;
    case VarType::I2:
    case VarType::I4:
    case VarType::Bool:
    case VarType::Error:
      return std::get<std::int32_t>(value_);
    case VarType::R8:
      return RoundToInt<std::int32_t>(std::get<double>(value_));
    case VarType::Bstr:
      return RoundToInt<std::int32_t>(ParseNumber(std::get<std::string>(value_)));
    default:
      TypeMismatch();
  }
}

std::int16_t Variant::ToInt16() const {
  switch (type_) {
    case VarType::Empty:
      return 0;
    case VarType::I2:
    case VarType::I4:
    case VarType::Bool:
      return NarrowInt<std::int16_t>(std::get<std::int32_t>(value_));
    case VarType::R8:
      return RoundToInt<std::int16_t>(std::get<double>(value_));
    case VarType::Bstr:
      return RoundToInt<std::int16_t>(ParseNumber(std::get<std::string>(value_)));
    default:
      TypeMismatch();
  }
}

double Variant::ToDouble() const {
  switch (type_) {
    case VarType::Empty:
      return 0.0;
    case VarType::I2:
    case VarType::I4:
    case VarType::Bool:
      return std::get<std::int32_t>(value_);
    case VarType::R8:
      return std::get<double>(value_);
    case VarType::Bstr:
      return ParseNumber(std::get<std::string>(value_));
    default:
      TypeMismatch();
  }
}

std::string Variant::ToString() const {
  switch (type_) {
    case VarType::Empty:
      return {};
    // Without VARIANT_ALPHABOOL a VT_BOOL becomes "-1" or "0", like VT_I2.
    case VarType::I2:
    case VarType::I4:
    case VarType::Bool:
      return std::to_string(std::get<std::int32_t>(value_));
    case VarType::R8:
      return FormatDouble(std::get<double>(value_));
    case VarType::Bstr:
      return std::get<std::string>(value_);
    default:
      TypeMismatch();
  }
}

bool Variant::ToBool() const {
  switch (type_) {
    case VarType::Empty:
      return false;
    case VarType::I2:
    case VarType::I4:
    case VarType::Bool:
      return std::get<std::int32_t>(value_) != 0;
    case VarType::R8:
      return std::get<double>(value_) != 0.0;
    case VarType::Bstr: {
      const std::string& s = std::get<std::string>(value_);
      if (EqualsNoCase(s, "True")) return true;
      if (EqualsNoCase(s, "False")) return false;
      return ParseNumber(s) != 0.0;
    }
    default:
      TypeMismatch();
  }
}

ObjectRef Variant::ToObject() const {
  switch (type_) {
    case VarType::Empty:
      return {};
    case VarType::Dispatch:
    case VarType::Unknown:
      return std::get<ObjectRef>(value_);
    default:
      TypeMismatch();
  }
}

StringArray Variant::ToStringArray() const {
  if (type_ != VarType::BstrArray) TypeMismatch();
  return std::get<StringArray>(value_);
}

HResult Variant::ToError() const {
  if (type_ == VarType::Error || type_ == VarType::I4) return std::get<std::int32_t>(value_);
  TypeMismatch();
}

bool operator==(const Variant& a, const Variant& b) {
  return a.type_ == b.type_ && a.value_ == b.value_;
}

std::ostream& operator<<(std::ostream& os, const Variant& v) {
  os << VarTypeName(v.type());
  switch (v.type()) {
    case VarType::Empty:
    case VarType::Null:
      break;
    case VarType::Bstr:
      os << " \"" << v.ToString() << '"';
      break;
    case VarType::Dispatch:
    case VarType::Unknown:
      os << ' ' << static_cast<const void*>(v.ToObject().get());
      break;
    case VarType::BstrArray: {
      const StringArray a = v.ToStringArray();
      os << " (" << a.LBound() << ".." << a.UBound() << ")";
      for (const auto& e : a.Elements()) os << " \"" << e << '"';
      break;
    }
    case VarType::Error:
      os << ' ' << FormatHResult(v.ToError());
      break;
    default:
      os << ' ' << v.ToString();
      break;
  }
  return os;
}

}  // namespace automation
