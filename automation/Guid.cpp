#include "automation/Guid.h"

#include <cstdio>
#include <stdexcept>

namespace automation {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads `digits` hex digits at `pos`; false when one of them is not a digit.
bool ReadHex(std::string_view text, std::size_t pos, int digits, std::uint64_t& out) {
  out = 0;
  for (int i = 0; i < digits; ++i) {
    const int d = HexDigit(text[pos + static_cast<std::size_t>(i)]);
    if (d < 0) return false;
    out = (out << 4) | static_cast<std::uint64_t>(d);
  }
  return true;
}

}  // namespace

std::optional<Guid> Guid::Parse(std::string_view text) {
  // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
  if (text.size() != 38 || text.front() != '{' || text.back() != '}') return std::nullopt;
  if (text[9] != '-' || text[14] != '-' || text[19] != '-' || text[24] != '-') return std::nullopt;
  Guid g;
  std::uint64_t v = 0;
  if (!ReadHex(text, 1, 8, v)) return std::nullopt;
  g.data1 = static_cast<std::uint32_t>(v);
  if (!ReadHex(text, 10, 4, v)) return std::nullopt;
  g.data2 = static_cast<std::uint16_t>(v);
  if (!ReadHex(text, 15, 4, v)) return std::nullopt;
  g.data3 = static_cast<std::uint16_t>(v);
  for (std::size_t i = 0; i < 8; ++i) {
    const std::size_t pos = i < 2 ? 20 + 2 * i : 25 + 2 * (i - 2);
    if (!ReadHex(text, pos, 2, v)) return std::nullopt;
    g.data4[i] = static_cast<std::uint8_t>(v);
  }
  return g;
}

Guid Guid::FromString(std::string_view text) {
  auto g = Parse(text);
  if (!g) throw std::invalid_argument("malformed GUID: " + std::string(text));
  return *g;
}

std::string Guid::ToString() const {
  char text[39];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(data1), static_cast<unsigned>(data2),
                static_cast<unsigned>(data3), data4[0], data4[1], data4[2], data4[3], data4[4],
                data4[5], data4[6], data4[7]);
  return text;
}

}  // namespace automation
