#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/DecimalCommaLocale.h"
#include "tree/ValueText.h"

TEST(ValueTextTest, FloatFormat) {
  const std::vector<std::pair<double, std::string>> cases = {
      {0.0, "0"},
      {-0.0, "0"},
      {2.0, "2"},
      {1.0 / 3, "0.333333"},
      {2.0 / 3, "0.666667"},
      {-1.5, "-1.5"},
      {0.1, "0.1"},
      {1234567.5, "1234567.5"},
      {1e15, "1000000000000000"},
      {-0.0000001, "0"},
      {0.0000005000001, "0.000001"},
      {std::numeric_limits<double>::infinity(), "INF"},
      {std::numeric_limits<double>::quiet_NaN(), "NAN"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(FormatFloat(value), text) << text;
}

// Captions use the locale's decimal separator; a whole number shows none.
TEST(ValueTextTest, FloatFormatUnderADecimalComma) {
  TARVEL_UNDER_DECIMAL_COMMA(locale);
  const std::vector<std::pair<double, std::string>> cases = {
      {1.0, "1"}, {612.0, "612"}, {0.5, "0,5"}, {-0.25, "-0,25"}, {-0.0000001, "0"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(FormatFloat(value), text) << text;
}

TEST(ValueTextTest, RoundingForLookUpsTakesHalvesToEven) {
  const std::vector<std::pair<double, std::int32_t>> cases = {
      {2.5, 2}, {3.5, 4}, {-2.5, -2}, {0.5, 0}, {1.4999, 1}, {-0.6, -1}, {7.0, 7}};
  for (const auto& [value, rounded] : cases) EXPECT_EQ(RoundHalfEven(value), rounded) << value;
  EXPECT_THROW(RoundHalfEven(3e9), std::range_error);
  EXPECT_THROW(RoundHalfEven(std::numeric_limits<double>::quiet_NaN()), std::range_error);
}

TEST(ValueTextTest, StringsAreCutToTheMaximumLength) {
  EXPECT_EQ(FormatString("abcdef", 6, false), "\"abcdef\"");
  EXPECT_EQ(FormatString("abcdefg", 6, false), "\"abc...\"");
  EXPECT_EQ(FormatString("abcdefg", 6, true), "abc...");
  EXPECT_EQ(FormatString("", 6, false), "\"\"");
  // "ä" is two bytes and one character.
  EXPECT_EQ(FormatString("\xC3\xA4\xC3\xA4\xC3\xA4", 3, true), "\xC3\xA4\xC3\xA4\xC3\xA4");
  EXPECT_EQ(FormatString("\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4", 4, true), "\xC3\xA4...");
  EXPECT_EQ(Utf8Prefix("a\xE2\x82\xAC"
                       "b",
                       2),
            "a\xE2\x82\xAC");
}

TEST(ValueTextTest, EditedTextBecomesANumberOrIsRefused) {
  EXPECT_EQ(TextToSmallint("-32768"), -32768);
  EXPECT_EQ(TextToInteger("+17"), 17);
  EXPECT_DOUBLE_EQ(TextToDouble("1e3"), 1000.0);
  EXPECT_DOUBLE_EQ(TextToDouble("-.5"), -0.5);
  for (const char* bad : {"", " 1", "1 ", "0x10", "+-1", "1e3"}) {
    EXPECT_THROW(TextToInteger(bad), std::invalid_argument) << bad;
  }
  EXPECT_THROW(TextToSmallint("32768"), std::invalid_argument);
  for (const char* bad : {"", "1,5", "1.5x", "abc", "+-1"}) {
    EXPECT_THROW(TextToDouble(bad), std::invalid_argument) << bad;
  }
}
