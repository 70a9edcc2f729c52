// Numbers as Visio's formulas, its files and the wire write them: always
// with "." as the decimal separator. The C library's conversions follow
// the process locale, which every Qt program takes from the environment
// (a German desktop writes "1,5"); these do not.
#pragma once

#include <string>
#include <string_view>

namespace standin {

// printf of one double ("%.4f", "%.15g", ...) in the "C" locale.
std::string PrintfNumber(const char* format, double v);
// The same with a precision argument ("%.*f").
std::string PrintfNumber(const char* format, int precision, double v);
// strtod in the "C" locale over text that holds a number and nothing
// else; 0 when it does not.
double ParseNumber(std::string_view text);

}  // namespace standin
