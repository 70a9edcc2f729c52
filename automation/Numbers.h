// Numbers to and from text with "." as the decimal point, whatever the
// process locale: Qt programs run with the user's LC_NUMERIC, and C's
// strtod and printf would then read and write "," in Visio's formulas,
// its files and our wire format.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace automation {

// printf's "%.*f" in the "C" locale.
std::string FormatFixed(double v, int decimals);
// printf's "%.*g" in the "C" locale.
std::string FormatGeneral(double v, int precision);
// A whole text that is a decimal number ("-1.5", "2", ".5", "1e-3", a
// leading "+" allowed); nullopt for anything else, or a value out of a
// double's range.
std::optional<double> ParseDouble(std::string_view text);
// Like strtod in the "C" locale, for a text already checked to hold only a
// decimal number: too large a value gives infinity, too small one zero.
double ParseCheckedDouble(std::string_view text);

}  // namespace automation
