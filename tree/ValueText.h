// How values read from Visio become caption text, and how edited text
// becomes a value again.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

class TLUT;

// Fixed texts of value captions.
inline constexpr std::string_view kNoResult = "{No result}";
inline constexpr std::string_view kNotAssigned = "{Not assigned}";
inline constexpr std::string_view kWriteOnly = "{WriteOnly}";
inline constexpr std::string_view kOleVariantNotImplemented = "{OleVariant not implemented}";
inline constexpr std::string_view kIDispatchNotImplemented = "{IDispatch not implemented}";
inline constexpr std::string_view kIUnknownNotImplemented = "{IUnknown not implemented}";
inline constexpr std::string_view kNoValueForObjects = "{ERROR: no value for VO children}";
// The count texts of the arrays whose indices have no table; the second is
// spelt, and ends, as users have always seen it.
inline constexpr std::string_view kLUTSizeNotAvail = "{LUT size not avail}";
inline constexpr std::string_view kLUTSizeUnavaliable = "{LUT size unavaliable} ";

// Decimal; with a table, followed by " (=" + the constant's name + ")".
// Raw text is the number only.
std::string FormatInteger(std::int32_t value, const TLUT* lut, bool raw);
// The same for a 16-bit value: shown signed, but a table of flags decodes
// the value's own 16 bits (0x8210, not a sign-extended 0xFFFF8210).
std::string FormatSmallint(std::int16_t value, const TLUT* lut, bool raw);

// Cut to maxLength characters (the first maxLength - 3 and "...") when
// longer, then quoted unless raw. Characters are counted as code points.
std::string FormatString(const std::string& value, int maxLength, bool raw);

// "#0.######": at least one integer digit, at most six decimals, no
// trailing zeros, the locale's decimal separator, no thousands separator.
// `point`: "." whatever the locale, for raw text that is edited and written
// back, since edited numbers are read with "." (TextToDouble).
std::string FormatFloat(double value, bool point = false);
// The float text; with a table, followed by " (=" + the name of the value
// rounded to the nearest integer, halves to even, + ")".
std::string FormatDouble(double value, const TLUT* lut, bool raw);

// Rounds to the nearest integer, halves to the even neighbour. Throws
// std::range_error outside the 32-bit range.
std::int32_t RoundHalfEven(double value);

// The first `count` code points of a UTF-8 text.
std::string Utf8Prefix(const std::string& text, int count);

// An error as caption text: "EXCEPTION: " and the trimmed message in double
// quotes.
std::string ExceptionText(const std::exception& error);

// Edited text to a value. Each throws std::invalid_argument, with a message
// for the user, when the text is not a number of the kind.
std::int32_t TextToInteger(const std::string& text);
std::int16_t TextToSmallint(const std::string& text);
double TextToDouble(const std::string& text);
