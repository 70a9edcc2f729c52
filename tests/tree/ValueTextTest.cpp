#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "lut/Tarvel_TLUT.h"
#include "tests/support/DecimalCommaLocale.h"
#include "tree/TreeText.h"
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
  // Raw text, which the edit window writes back, keeps the point that
  // edited numbers are read with.
  EXPECT_EQ(FormatFloat(-0.25, true), "-0.25");
  EXPECT_DOUBLE_EQ(TextToDouble(FormatFloat(1.5, true)), 1.5);
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
  for (const char* bad : {"", "1,5", "1.5x", "abc", "+-1", "nan", "NaN", "inf", "-Infinity",
                          "+inf", "1e999"}) {
    EXPECT_THROW(TextToDouble(bad), std::invalid_argument) << bad;
  }
}

TEST(ValueTextTest, SixteenBitFlagsDecodeTheirOwnBits) {
  TLUT flags("Flags", TLUTKind::N4F12, "vis");
  flags.AddEntry(0x10, "Metafile");
  flags.AddEntry(0x200, "IsEmbedded");
  flags.AddEntry(0x8000, "IsOLE2");
  TLUT plain("Plain", TLUTKind::Norm, "vis");
  plain.AddEntry(-1, "Minus");
  // 0x8210 read as a signed 16-bit number.
  EXPECT_EQ(FormatSmallint(-32240, &flags, false), "-32240 (=Metafile+IsEmbedded+IsOLE2)");
  EXPECT_EQ(FormatSmallint(-32240, &flags, true), "-32240");
  // A table of plain values still sees the signed number.
  EXPECT_EQ(FormatSmallint(-1, &plain, false), "-1 (=Minus)");
}

TEST(ValueTextTest, CaptionsPrintedOnOneLineEscapeWhatWouldBreakIt) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"Text   = \"two\nlines\"", "Text   = \"two\\nlines\""},
      {"a\r\nb\tc", "a\\r\\nb\\tc"},
      {"C:\\temp", "C:\\\\temp"},
      {std::string("nul\0bell\a", 9), "nul\\u0000bell\\u0007"},
      {"del\x7F", "del\\u007F"},
      // Visio's line separator, the paragraph separator and NEL.
      {"one\xE2\x80\xA8two\xE2\x80\xA9three\xC2\x85" "four", "one\\u2028two\\u2029three\\u0085four"},
      // Other text stays as it is.
      {"\xC3\xA4\xE2\x82\xAC \xE2\x80\x94 plain", "\xC3\xA4\xE2\x82\xAC \xE2\x80\x94 plain"},
  };
  for (const auto& [caption, escaped] : cases) EXPECT_EQ(EscapedCaption(caption), escaped);
}

TEST(ValueTextTest, FloatsInADecimalCommaLocaleDropATrailingSeparator) {
  std::string why;
  if (!tarvel_test::DecimalCommaLocale(&why)) GTEST_SKIP() << why;
  const tarvel_test::InDecimalCommaLocale german;
  ASSERT_TRUE(german.Active());
  const std::vector<std::pair<double, std::string>> cases = {
      {1.0, "1"}, {612.0, "612"}, {0.5, "0,5"}, {-0.25, "-0,25"}, {0.0, "0"}, {1.0 / 3, "0,333333"}};
  for (const auto& [value, text] : cases) EXPECT_EQ(FormatFloat(value), text) << text;
  // Raw text, which the edit window writes back, keeps the point that
  // edited numbers are read with.
  EXPECT_EQ(FormatFloat(-0.25, true), "-0.25");
  EXPECT_DOUBLE_EQ(TextToDouble(FormatFloat(1.5, true)), 1.5);
}
