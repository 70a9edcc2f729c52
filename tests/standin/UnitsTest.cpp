// Units of measure: conversions between a value's unit and the unit asked
// for, the texts of ResultStr, and which formulas are constants.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <numbers>

#include "standin/Numbers.h"
#include "standin/Units.h"
#include "standin/VisioErrors.h"

namespace standin {
namespace {

using automation::AutomationError;

constexpr double kPi = std::numbers::pi;

TEST(UnitsTest, ValuesConvertWithinTheirDimension) {
  struct Case {
    double iu;
    std::int16_t valueUnit, unit;
    double expected;
  };
  const Case cases[] = {
      {2, visInches, visMillimeters, 50.8},
      {2, visInches, visPoints, 144},
      {2, visInches, visFeet, 2.0 / 12},
      {2, visInches, visCentimeters, 5.08},
      {2, visMillimeters, visNoCast, 50.8},  // the unit it was written in
      {2, visInches, visNumber, 2},          // internal units
      {2, visInches, visTypeUnits, 2},
      {2, visInches, visPageUnits, 2},
      {2, visInches, visDrawingUnits, 2},
      {15, visInches, visFeetAndInches, 1.25},
      {63360, visInches, visMiles, 1},
      {kPi / 4, visDegrees, visDegrees, 45},
      {kPi / 4, visDegrees, visAngleUnits, 45},
      {kPi / 4, visDegrees, visRadians, kPi / 4},
      {kPi / 4, visDegrees, visMin, 2700},
      {kPi / 4, visRadians, visTypeUnits, kPi / 4},
      {1.5, visElapsedDay, visElapsedHour, 36},
      {14, visElapsedWeek, visNoCast, 2},
      {14, visElapsedWeek, visDurationUnits, 14},
      {36526, visDate, visDate, 36526},
      {1.5, visCurrency, visCurrency, 1.5},
      {5, visNumber, visMillimeters, 5},  // a plain number keeps its figure
      {5, visNumber, visDegrees, 5},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(FromIU(c.iu, c.valueUnit, c.unit), c.expected, 1e-9)
        << c.iu << " of " << c.valueUnit << " in " << c.unit;
    // Writing the figure back in the same unit gives the value again;
    // a plain number written in a unit becomes a measure instead.
    if (DimensionOf(c.valueUnit) != Dimension::Number) {
      EXPECT_NEAR(ToIU(c.expected, c.unit, c.valueUnit), c.iu, 1e-9) << c.unit;
    }
  }
}

TEST(UnitsTest, AValueAskedForInAnotherDimensionIsRefused) {
  const std::pair<std::int16_t, std::int16_t> refused[] = {
      {visInches, visDegrees},       {visDegrees, visInches},        {visDegrees, visPageUnits},
      {visInches, visAngleUnits},    {visInches, visDate},           {visInches, visCurrency},
      {visElapsedDay, visPoints},    {visDate, visInches},           {visInches, visElapsedDay},
      {visCurrency, visMillimeters}, {visDegrees, visDurationUnits},
  };
  for (const auto& [valueUnit, unit] : refused) {
    try {
      FromIU(1, valueUnit, unit);
      ADD_FAILURE() << valueUnit << " in " << unit << " converted";
    } catch (const AutomationError& e) {
      EXPECT_EQ(e.code(), VisioErrorCode(VisioErrorKind::InvalidParameter));
      EXPECT_EQ(e.message(), "\n\nInvalid parameter.");
    }
  }
}

TEST(UnitsTest, ResultTextsUseVisiosAbbreviations) {
  struct Case {
    double iu;
    std::int16_t valueUnit, unit;
    const char* text;
  };
  const Case cases[] = {
      {2, visInches, visInches, "2 in."},
      {2, visInches, visNoCast, "2 in."},
      {2, visMillimeters, visNoCast, "50.8 mm"},
      {2, visInches, visMillimeters, "50.8 mm"},
      {2, visInches, visCentimeters, "5.08 cm"},
      {2, visInches, visMeters, "0.0508 m"},
      {1.0 / 3, visInches, visInches, "0.3333 in."},
      {2, visInches, visPoints, "144 pt"},
      {2, visInches, visPicas, "12 p"},
      {24, visInches, visFeet, "2 ft."},
      {36, visInches, visYards, "1 yd."},
      {63360, visInches, visMiles, "1 mi."},
      {15, visInches, visFeetAndInches, "1 ft. 3 in."},
      {-15, visInches, visFeetAndInches, "-1 ft. 3 in."},
      {2.5, visInches, visInchFrac, "2 1/2 in."},
      {0.25, visInches, visInchFrac, "1/4 in."},
      {2, visInches, visPageUnits, "2 in."},
      {2, visInches, visTypeUnits, "2 in."},
      {2, visInches, visNumber, "2"},
      {kPi / 4, visDegrees, visNoCast, "45 deg."},
      {kPi / 4, visDegrees, visRadians, "0.7854 rad"},
      {kPi / 4, visDegrees, visTypeUnits, "0.7854 rad"},
      {45.5 * kPi / 180, visDegrees, visDegreeMinSec, "45 deg. 30 min. 0 sec."},
      {kPi / 4, visDegrees, visMin, "2700 min"},
      {1.5, visElapsedDay, visElapsedHour, "36 eh."},
      {1.5, visElapsedDay, visNoCast, "1.5 ed."},
      {14, visElapsedWeek, visNoCast, "2 ew."},
      {36526, visDate, visDate, "1/1/2000"},
      {36526.75, visDate, visNoCast, "1/1/2000 6:00:00 PM"},
      {1.5, visNumber, visCurrency, "$1.50"},
      {-1.5, visCurrency, visNoCast, "($1.50)"},
      {0.5, visNumber, visNoCast, "0.5"},
      {1, visNumber, visInches, "1 in."},
      {-0.00001, visNumber, visNumber, "0"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatResult(c.iu, c.valueUnit, c.unit), c.text) << c.iu << " in " << c.unit;
  }
}

TEST(UnitsTest, ConstantFormulasAreANumberAndAUnit) {
  struct Case {
    const char* formula;
    double iu;
    std::int16_t unit;
  };
  const Case constants[] = {
      {"2", 2, visNumber},
      {"2 in", 2, visInches},
      {"2in.", 2, visInches},
      {"50.8 mm", 2, visMillimeters},
      {"45 deg", kPi / 4, visDegrees},
      {"-1.5E2 pt", -150.0 / 72, visPoints},
      {"=3", 3, visNumber},
      {" 1 ft 3 in ", 15, visFeetAndInches},
      {"12 PT", 12.0 / 72, visPoints},
      {".5 INCHES", 0.5, visInches},
  };
  for (const Case& c : constants) {
    auto m = ParseConstant(c.formula);
    ASSERT_TRUE(m) << c.formula;
    EXPECT_NEAR(m->iu, c.iu, 1e-12) << c.formula;
    EXPECT_EQ(m->unit, c.unit) << c.formula;
  }
  for (const char* other : {"Width", "2 in + 1", "TRUE", "\"2\"", "", "2 furlongs", "1 ft 3 deg",
                            "in", "1e", "2 in 3"}) {
    EXPECT_FALSE(ParseConstant(other)) << other;
  }
}

TEST(UnitsTest, ConstantsWrittenForAUnitReadBack) {
  for (std::int16_t unit :
       {visInches,     visFeet,       visMiles,         visCentimeters, visMillimeters,
        visMeters,     visKilometers, visYards,         visNautMiles,   visPoints,
        visPicas,      visDidots,     visCiceros,       visDegrees,     visRadians,
        visMin,        visSec,        visElapsedWeek,   visElapsedDay,  visElapsedHour,
        visElapsedMin, visElapsedSec, visFeetAndInches, visDegreeMinSec}) {
    const double iu = 1.2345 * UnitFactor(unit);
    const std::string formula = FormatConstant(iu, unit);
    auto m = ParseConstant(formula);
    ASSERT_TRUE(m) << formula;
    EXPECT_NEAR(m->iu, iu, 1e-9 * std::abs(iu)) << formula;
    EXPECT_EQ(m->unit, unit) << formula;
  }
  EXPECT_EQ(FormatConstant(50.8 / 25.4, visMillimeters), "50.8 mm");
  EXPECT_EQ(FormatConstant(0.5, visNumber), "0.5");
  EXPECT_NEAR(ToIU(10, visMillimeters, visNumber), 10 / 25.4, 1e-12);
}

TEST(UnitsTest, UnitArgumentsAreCodesOrNames) {
  using automation::Variant;
  EXPECT_EQ(UnitArg(Variant(std::int16_t{65})), visInches);
  EXPECT_EQ(UnitArg(Variant(std::int32_t{70})), visMillimeters);
  EXPECT_EQ(UnitArg(Variant(std::int16_t{0})), visNoCast);
  EXPECT_EQ(UnitArg(Variant("")), visNoCast);
  EXPECT_EQ(UnitArg(Variant("inches")), visInches);
  EXPECT_EQ(UnitArg(Variant("MM")), visMillimeters);
  EXPECT_EQ(UnitArg(Variant("deg.")), visDegrees);
  for (const Variant& bad :
       {Variant(std::int16_t{999}), Variant(std::int16_t{33}), Variant("furlong")}) {
    try {
      UnitArg(bad);
      ADD_FAILURE() << bad;
    } catch (const AutomationError& e) {
      EXPECT_EQ(e.code(), VisioErrorCode(VisioErrorKind::InvalidParameter)) << bad;
    }
  }
  // Lengths for members that take a unit.
  EXPECT_NEAR(FromInternalUnits(1, Variant("mm")), 25.4, 1e-12);
  EXPECT_NEAR(ToInternalUnits(25.4, Variant(std::int16_t{visMillimeters})), 1, 1e-12);
  EXPECT_THROW(FromInternalUnits(1, Variant(std::int16_t{visDegrees})), AutomationError);
}

}  // namespace
}  // namespace standin

namespace standin {
namespace {

// Numbers written for formulas are printf's text, in every form used.
TEST(UnitsTest, DatePicturesLayOutDaysAndTimes) {
  // 42461 is Friday 1 April 2016; .75 is 18:00.
  struct Case {
    double date;
    const char* picture;
    const char* expected;  // nullptr: not laid out
  };
  const Case cases[] = {
      {42461, "{{M/d/yyyy}}", "4/1/2016"},
      {42461, "{{MM/dd/yy}}", "04/01/16"},
      {42461, "{{m/d/yy}}", "4/1/16"},  // m is the month away from hours
      {42461, "{{dddd, MMMM d, yyyy}}", "Friday, April 1, 2016"},
      {42461, "{{ddd MMM. d}}", "Fri Apr. 1"},
      {42461.75, "{{dd.MM.yy HH:mm}}", "01.04.16 18:00"},
      {42461.75, "{{h:mm am/pm}}", "6:00 PM"},
      {42461.75, "{{hh:mm:ss}}", "18:00:00"},  // 24 hours without AM/PM
      {42461.25, "{{h:mm A/P}}", "6:00 A"},
      {42461.75, "{{yyyy-MM-dd'T'HH:mm}}", "2016-04-01T18:00"},
      {42461.75, "{{\\d \\h: d h}}", "d h: 1 18"},
      // The older codes, without braces.
      {42461, "dd.mm.yyyy", "01.04.2016"},
      {42461.5, "hh:nn", "12:00"},
      {42461, "c", "4/1/2016"},
      {42461.75, "c", "4/1/2016 6:00:00 PM"},
      {42461, "dddddd", "Friday, April 1, 2016"},
      {42461, "y q w ww", "92 2 6 14"},
      // Bounds: midnight carried into the next day, the ends of the range.
      {42461.9999999, "{{M/d H:mm}}", "4/2 0:00"},
      {-657434, "{{yyyy-MM-dd}}", "0100-01-01"},
      {2958465.5, "{{yyyy-MM-dd h a/p}}", "9999-12-31 12 P"},
      {2958466, "{{M/d/yyyy}}", nullptr},
      {std::nan(""), "{{M/d/yyyy}}", nullptr},
      {42461, "{<201>}", nullptr},
      {42461, "0.00 u", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.picture);
    const auto shown = FormatDatePicture(c.date, c.picture);
    if (c.expected) {
      EXPECT_EQ(shown.value_or("(none)"), c.expected);
    } else {
      EXPECT_FALSE(shown) << *shown;
    }
  }
  EXPECT_EQ(OleDaysFromCivil(2016, 4, 1), 42461);
  EXPECT_EQ(OleDaysFromCivil(1899, 12, 30), 0);
}

TEST(NumbersTest, WrittenAsPrintfWritesThemInTheCLocale) {
  const double values[] = {0.0, -0.0, 1.5, -2.25, 1.0 / 3, 2.0 / 3, 1e-7, 123456789.125,
                           1e21, -1e-300, 0.1 + 0.2, 5e-324, 1.7976931348623157e308};
  for (const char* format : {"%.2f", "%.4f", "%.10g", "%.15g", "%.17g", "%g"}) {
    for (double v : values) {
      char expected[512];
      std::snprintf(expected, sizeof expected, format, v);
      EXPECT_EQ(PrintfNumber(format, v), expected) << format << " " << v;
    }
  }
  for (int precision : {0, 2, 6}) {
    char expected[512];
    std::snprintf(expected, sizeof expected, "%.*f", precision, 1.0 / 3);
    EXPECT_EQ(PrintfNumber("%.*f", precision, 1.0 / 3), expected);
  }
  EXPECT_EQ(ParseNumber("1.25e2"), 125.0);
}

}  // namespace
}  // namespace standin
