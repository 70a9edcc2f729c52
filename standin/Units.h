// Visio's units of measure: the unit codes, conversion between them and the
// internal units, the texts of ResultStr, and the constant formulas that a
// cell holds ("2 in", "50.8 mm", "45 deg").
//
// Internal units, as Visio keeps them: lengths in inches, angles in
// radians, durations in elapsed days, dates as OLE dates (days since
// 30 December 1899). A value remembers the unit it was written in, so
// that it can be shown in that unit again (visNoCast).
//
// Conversions follow one rule: a value converts to the units of its own
// dimension, and a plain number (visNumber) to any unit, keeping its
// figure. A length asked for in degrees, an angle in inches or a date in
// points is refused with Visio's "Invalid parameter." error. The codes
// that stand for "the default unit" answer as follows, since a drawing
// here never sets other defaults: visNumber and visTypeUnits give the
// internal value of any dimension; visPageUnits and visDrawingUnits give
// lengths in inches; visAngleUnits gives angles in degrees;
// visDurationUnits durations in elapsed days; visNoCast (and 0, or "" as
// a name) the value in the unit it was written in.
//
// ResultStr texts use Visio's abbreviations: "in.", "ft.", "mi.", "yd.",
// "nm.", "cm", "mm", "m", "km", "pt", "p", "d", "c", "deg.", "rad", "min",
// "sec", "ew.", "ed.", "eh.", "em.", "es.". Figures carry at most four
// decimals, trailing zeros dropped ("0.3333 in.", "2 in."). Compound units
// read "1 ft. 3 in." and "45 deg. 30 min. 0 sec."; fractions "2 1/2 in."
// (to the nearest 1/64); dates "1/31/2000" with " 3:04:05 PM" when they
// carry a time; currency "$1.50", negative "($1.50)".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "automation/Variant.h"

namespace standin {

// visUnitCodes.
constexpr std::int16_t visNumber = 32;
constexpr std::int16_t visDate = 40;
constexpr std::int16_t visDurationUnits = 42;
constexpr std::int16_t visElapsedWeek = 43;
constexpr std::int16_t visElapsedDay = 44;
constexpr std::int16_t visElapsedHour = 45;
constexpr std::int16_t visElapsedMin = 46;
constexpr std::int16_t visElapsedSec = 47;
constexpr std::int16_t visTypeUnits = 48;
constexpr std::int16_t visPoints = 50;
constexpr std::int16_t visPicas = 51;
constexpr std::int16_t visDidots = 53;
constexpr std::int16_t visCiceros = 54;
constexpr std::int16_t visPageUnits = 63;
constexpr std::int16_t visDrawingUnits = 64;
constexpr std::int16_t visInches = 65;
constexpr std::int16_t visFeet = 66;
constexpr std::int16_t visFeetAndInches = 67;
constexpr std::int16_t visMiles = 68;
constexpr std::int16_t visCentimeters = 69;
constexpr std::int16_t visMillimeters = 70;
constexpr std::int16_t visMeters = 71;
constexpr std::int16_t visKilometers = 72;
constexpr std::int16_t visInchFrac = 73;
constexpr std::int16_t visMileFrac = 74;
constexpr std::int16_t visYards = 75;
constexpr std::int16_t visNautMiles = 76;
constexpr std::int16_t visAngleUnits = 80;
constexpr std::int16_t visDegrees = 81;
constexpr std::int16_t visDegreeMinSec = 82;
constexpr std::int16_t visRadians = 83;
constexpr std::int16_t visMin = 84;
constexpr std::int16_t visSec = 85;
constexpr std::int16_t visCurrency = 111;
constexpr std::int16_t visNoCast = 252;

// visRoundFlags.
constexpr std::int16_t visTruncate = 0;
constexpr std::int16_t visRound = 1;

enum class Dimension { Number, Length, Angle, Duration, Date, Currency };

// Whether Visio knows the code (every code above, and 0 as visNoCast).
bool IsUnitCode(std::int16_t unit);
// The dimension of a value written in the unit. The "default unit" codes
// answer for their dimension (visPageUnits: Length); visNoCast, 0 and
// visTypeUnits answer Number.
Dimension DimensionOf(std::int16_t unit);
// The unit a value of the dimension is written in when no unit is given.
std::int16_t DefaultUnitOf(Dimension dimension);
// Internal units per one of the unit (inches per foot: 12). For compound
// and fraction units, per their main unit (feet, degrees, inches, miles).
double UnitFactor(std::int16_t unit);

// A unit argument as Visio takes it: a code, or a name ("in", "in.",
// "inches", "mm", "deg"...); "" and 0 mean visNoCast. An unknown code or
// name raises "Invalid parameter.".
std::int16_t UnitArg(const automation::Variant& unit);
// A unit name, ignoring case and one trailing full stop.
std::optional<std::int16_t> UnitFromName(std::string_view name);

// A value of internal units iu, written in valueUnit, asked for in unit.
// Raises "Invalid parameter." when the value's dimension has no such unit.
double FromIU(double iu, std::int16_t valueUnit, std::int16_t unit);
// The other way: v given in unit, for a value now written in valueUnit.
double ToIU(double v, std::int16_t unit, std::int16_t valueUnit);
// The unit a value written through unit keeps: the unit itself, or for
// the "default unit" codes and visNoCast the value's present unit.
std::int16_t StoredUnit(std::int16_t unit, std::int16_t valueUnit);

// ResultStr of a number: see the header comment for the forms.
std::string FormatResult(double iu, std::int16_t valueUnit, std::int16_t unit);
// A figure as ResultStr shows it: at most four decimals.
std::string FormatFigure(double v);
// The constant formula that holds iu in unit: "50.8 mm", "2 in", "0.5".
std::string FormatConstant(double iu, std::int16_t unit);
// Days since 30 December 1899 of a civil date (proleptic Gregorian).
long long OleDaysFromCivil(int year, int month, int day);
// A date (days since 30 December 1899, the time as the fraction) laid out
// by a date or time format picture as FORMAT takes it: "{{M/d/yyyy}}" in
// Office's codes, or the older codes without braces ("dd.MM.yy", "hh:mm",
// "c"). Names of days and months are English and separators are written
// as the picture gives them, whatever the locale. nullopt for a picture
// with no date or time code in it, or a date outside years 100 to 9999.
std::optional<std::string> FormatDatePicture(double oleDate, std::string_view picture);

// A constant formula's value: a number with an optional unit ("2", "2in.",
// "-1.5E2 pt", "=3"), or a compound length or angle ("1 ft 3 in",
// "45 deg 30 min"). Anything else is no constant.
struct Measure {
  double iu = 0;
  std::int16_t unit = visNumber;
};
std::optional<Measure> ParseConstant(std::string_view formula);

// Lengths for members that take a unit argument (document margins, paper
// sizes): inches in and out of the given unit.
double FromInternalUnits(double inches, const automation::Variant& unit);
double ToInternalUnits(double value, const automation::Variant& unit);

}  // namespace standin
