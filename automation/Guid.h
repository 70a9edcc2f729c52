// Class, interface and library identifiers, written as COM writes them:
// {00021A20-0000-0000-C000-000000000046}.
#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace automation {

struct Guid {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::array<std::uint8_t, 8> data4{};

  // Reads the braced form, in either letter case; anything else is refused.
  static std::optional<Guid> Parse(std::string_view text);
  // Like Parse, for identifiers fixed in the source; a malformed one is a
  // programming error and throws std::invalid_argument.
  static Guid FromString(std::string_view text);

  // The braced form with upper-case digits.
  std::string ToString() const;
  bool IsNull() const { return *this == Guid{}; }

  friend auto operator<=>(const Guid&, const Guid&) = default;
};

inline const Guid IID_IUnknown = Guid::FromString("{00000000-0000-0000-C000-000000000046}");
inline const Guid IID_IDispatch = Guid::FromString("{00020400-0000-0000-C000-000000000046}");

}  // namespace automation
