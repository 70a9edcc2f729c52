#include "standin/Units.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

#include "automation/Text.h"
#include "standin/Numbers.h"
#include "standin/VisioErrors.h"

namespace standin {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kMillimetre = 1 / 25.4;
constexpr double kDidot = 0.376065 * kMillimetre;

struct UnitInfo {
  std::int16_t code;
  Dimension dimension;
  double factor;        // internal units per unit
  const char* shown;    // ResultStr abbreviation
  const char* written;  // abbreviation in formulas
  const char* names;    // accepted names, '|' between them
};

// One row per unit code. Rows without names are not accepted as names
// (the "default unit" codes, numbers, dates, currency).
const auto kUnits = std::to_array<UnitInfo>({
    {visNumber, Dimension::Number, 1, "", "", ""},
    {visDate, Dimension::Date, 1, "", "", ""},
    {visDurationUnits, Dimension::Duration, 1, "ed.", "ed", ""},
    {visElapsedWeek, Dimension::Duration, 7, "ew.", "ew", "ew"},
    {visElapsedDay, Dimension::Duration, 1, "ed.", "ed", "ed"},
    {visElapsedHour, Dimension::Duration, 1.0 / 24, "eh.", "eh", "eh"},
    {visElapsedMin, Dimension::Duration, 1.0 / 1440, "em.", "em", "em"},
    {visElapsedSec, Dimension::Duration, 1.0 / 86400, "es.", "es", "es"},
    {visTypeUnits, Dimension::Number, 1, "", "", ""},
    {visPoints, Dimension::Length, 1.0 / 72, "pt", "pt", "pt|point|points"},
    {visPicas, Dimension::Length, 1.0 / 6, "p", "p", "p|pica|picas"},
    {visDidots, Dimension::Length, kDidot, "d", "d", "d|didot|didots"},
    {visCiceros, Dimension::Length, 12 * kDidot, "c", "c", "c|cicero|ciceros"},
    {visPageUnits, Dimension::Length, 1, "in.", "in", ""},
    {visDrawingUnits, Dimension::Length, 1, "in.", "in", ""},
    {visInches, Dimension::Length, 1, "in.", "in", "in|inch|inches|\""},
    {visFeet, Dimension::Length, 12, "ft.", "ft", "ft|foot|feet|'"},
    {visFeetAndInches, Dimension::Length, 12, "ft.", "ft", ""},
    {visMiles, Dimension::Length, 63360, "mi.", "mi", "mi|mile|miles"},
    {visCentimeters, Dimension::Length, 10 * kMillimetre, "cm", "cm",
     "cm|centimeter|centimeters|centimetre|centimetres"},
    {visMillimeters, Dimension::Length, kMillimetre, "mm", "mm",
     "mm|millimeter|millimeters|millimetre|millimetres"},
    {visMeters, Dimension::Length, 1000 * kMillimetre, "m", "m", "m|meter|meters|metre|metres"},
    {visKilometers, Dimension::Length, 1000000 * kMillimetre, "km", "km",
     "km|kilometer|kilometers|kilometre|kilometres"},
    {visInchFrac, Dimension::Length, 1, "in.", "in", ""},
    {visMileFrac, Dimension::Length, 63360, "mi.", "mi", ""},
    {visYards, Dimension::Length, 36, "yd.", "yd", "yd|yard|yards"},
    {visNautMiles, Dimension::Length, 1852000 * kMillimetre, "nm.", "nm", "nm|nmi"},
    {visAngleUnits, Dimension::Angle, kPi / 180, "deg.", "deg", ""},
    {visDegrees, Dimension::Angle, kPi / 180, "deg.", "deg", "deg|degree|degrees|\xC2\xB0"},
    {visDegreeMinSec, Dimension::Angle, kPi / 180, "deg.", "deg", ""},
    {visRadians, Dimension::Angle, 1, "rad", "rad", "rad|radian|radians"},
    {visMin, Dimension::Angle, kPi / 10800, "min", "min", "min|minute|minutes"},
    {visSec, Dimension::Angle, kPi / 648000, "sec", "sec", "sec|second|seconds"},
    {visCurrency, Dimension::Currency, 1, "", "", ""},
    {visNoCast, Dimension::Number, 1, "", "", ""},
});

const UnitInfo* Find(std::int16_t code) {
  for (const auto& u : kUnits) {
    if (u.code == code) return &u;
  }
  return nullptr;
}

const UnitInfo& Info(std::int16_t code) {
  const UnitInfo* u = Find(code);
  if (!u) ThrowVisio(VisioErrorKind::InvalidParameter);
  return *u;
}

bool IsDefaultCode(std::int16_t unit) {
  return unit == visNumber || unit == visTypeUnits || unit == visNoCast || unit == 0 ||
         unit == visPageUnits || unit == visDrawingUnits || unit == visAngleUnits ||
         unit == visDurationUnits;
}

[[noreturn]] void Refuse() {
  ThrowVisio(VisioErrorKind::InvalidParameter);
}

// A stored value's unit as a concrete unit: the "default unit" codes stand
// for their dimension's default.
std::int16_t Concrete(std::int16_t valueUnit) {
  if (valueUnit == visNoCast || valueUnit == 0 || valueUnit == visTypeUnits || !Find(valueUnit)) {
    return visNumber;
  }
  if (IsDefaultCode(valueUnit)) return DefaultUnitOf(DimensionOf(valueUnit));
  return valueUnit;
}

// The unit in which a value written in valueUnit is read when asked for
// in unit; refused when the value's dimension has no such unit.
std::int16_t ResolveDefault(std::int16_t unit, std::int16_t valueUnit) {
  valueUnit = Concrete(valueUnit);
  const Dimension d = DimensionOf(valueUnit);
  switch (unit) {
    case 0:
    case visNoCast:
      return valueUnit;
    case visNumber:
    case visTypeUnits:
      return visNumber;
    case visPageUnits:
    case visDrawingUnits:
    case visAngleUnits:
    case visDurationUnits:
      if (d == Dimension::Number) return visNumber;
      if (d != DimensionOf(unit)) Refuse();
      return DefaultUnitOf(d);
    default:
      break;
  }
  // An explicit unit: the value's own dimension, or a plain number.
  if (d != Dimension::Number && d != DimensionOf(unit)) Refuse();
  return unit;
}

// The unit in which the internal value of a dimension is counted.
std::int16_t InternalUnitOf(Dimension d) {
  switch (d) {
    case Dimension::Angle:
      return visRadians;
    default:
      return DefaultUnitOf(d);
  }
}

std::string Printf(const char* format, double v) {
  return PrintfNumber(format, v);
}

// Days since 30 December 1899 to a civil date (proleptic Gregorian).
void CivilFromOleDays(long long days, int& year, int& month, int& day) {
  long long z = days - 25569 + 719468;  // days since 0000-03-01
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const long long doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

// A date value's whole days and the seconds of its day, rounded to the
// second (a time that rounds up to midnight is the next day's).
void SplitOleDate(double oleDate, long long& days, long long& seconds) {
  const double whole = std::floor(oleDate);
  seconds = std::llround((oleDate - whole) * 86400);
  days = static_cast<long long>(whole);
  if (seconds >= 86400) {
    seconds -= 86400;
    ++days;
  }
}

std::string FormatDate(double oleDate) {
  long long days = 0, seconds = 0;
  SplitOleDate(oleDate, days, seconds);
  int y = 0, m = 0, d = 0;
  CivilFromOleDays(days, y, m, d);
  std::string out = std::to_string(m) + "/" + std::to_string(d) + "/" + std::to_string(y);
  if (seconds != 0) {
    const long long h = seconds / 3600, mi = seconds / 60 % 60, s = seconds % 60;
    char buf[32];
    std::snprintf(buf, sizeof buf, " %lld:%02lld:%02lld %s", h % 12 == 0 ? 12 : h % 12, mi, s,
                  h < 12 ? "AM" : "PM");
    out += buf;
  }
  return out;
}

std::string FormatCurrency(double v) {
  const std::string figure = Printf("%.2f", std::abs(v));
  if (v < 0 && figure != "0.00") return "($" + figure + ")";
  return "$" + figure;
}

// "2 1/2", "1/4", "-3": a figure to the nearest 1/64, reduced.
std::string FormatFraction(double v) {
  long long sixtyFourths = std::llround(std::abs(v) * 64);
  const bool negative = v < 0 && sixtyFourths != 0;
  const long long whole = sixtyFourths / 64;
  long long num = sixtyFourths % 64, den = 64;
  while (num != 0 && num % 2 == 0) {
    num /= 2;
    den /= 2;
  }
  std::string out = negative ? "-" : "";
  if (num == 0) return out + std::to_string(whole);
  if (whole != 0) out += std::to_string(whole) + " ";
  return out + std::to_string(num) + "/" + std::to_string(den);
}

// Two-part units: feet and inches, degrees with minutes and seconds.
std::string FormatFeetAndInches(double inches) {
  const bool negative = inches < 0;
  double rest = std::abs(inches);
  double feet = std::floor(rest / 12);
  rest -= feet * 12;
  if (std::round(rest * 10000) >= 120000) {  // 11.99999 in. shows as the next foot
    feet += 1;
    rest = 0;
  }
  std::string out = negative && (feet != 0 || FormatFigure(rest) != "0") ? "-" : "";
  return out + FormatFigure(feet) + " ft. " + FormatFigure(rest) + " in.";
}

std::string FormatDegreeMinSec(double degrees) {
  const bool negative = degrees < 0;
  long long tenThousandths = std::llround(std::abs(degrees) * 3600 * 10000);
  const long long whole = tenThousandths / (3600LL * 10000);
  tenThousandths -= whole * 3600 * 10000;
  const long long minutes = tenThousandths / (60LL * 10000);
  const double seconds = static_cast<double>(tenThousandths - minutes * 60 * 10000) / 10000;
  std::string out = negative && (whole != 0 || minutes != 0 || seconds != 0) ? "-" : "";
  return out + std::to_string(whole) + " deg. " + std::to_string(minutes) + " min. " +
         FormatFigure(seconds) + " sec.";
}

// ---- constant formulas ----

struct Scanner {
  std::string_view text;
  std::size_t pos = 0;

  void SkipBlanks() {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
  }
  bool AtEnd() const { return pos >= text.size(); }

  std::optional<double> Number() {
    const std::size_t start = pos;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) ++pos;
    std::size_t digits = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') ++pos, ++digits;
    if (pos < text.size() && text[pos] == '.') {
      ++pos;
      while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') ++pos, ++digits;
    }
    if (digits == 0) {
      pos = start;
      return std::nullopt;
    }
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
      std::size_t p = pos + 1;
      if (p < text.size() && (text[p] == '-' || text[p] == '+')) ++p;
      const std::size_t expStart = p;
      while (p < text.size() && text[p] >= '0' && text[p] <= '9') ++p;
      if (p > expStart) pos = p;
    }
    return ParseNumber(text.substr(start, pos - start));
  }

  // A unit word: letters (with a full stop after them), or one of the
  // signs that stand for units.
  std::optional<std::int16_t> Unit() {
    const std::size_t start = pos;
    if (pos < text.size() && (text[pos] == '"' || text[pos] == '\'')) {
      ++pos;
    } else if (text.substr(pos, 2) == "\xC2\xB0") {
      pos += 2;
    } else {
      while (pos < text.size() && ((automation::AsciiLower(text[pos]) >= 'a' &&
                                    automation::AsciiLower(text[pos]) <= 'z')))
        ++pos;
      if (pos < text.size() && text[pos] == '.' && pos > start) ++pos;
    }
    if (pos == start) return std::nullopt;
    auto unit = UnitFromName(text.substr(start, pos - start));
    if (!unit) pos = start;
    return unit;
  }
};

}  // namespace

long long OleDaysFromCivil(int year, int month, int day) {
  const long long y = year - (month <= 2 ? 1 : 0);
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const long long yoe = y - era * 400;
  const long long doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468 + 25569;
}

bool IsUnitCode(std::int16_t unit) {
  return unit == 0 || Find(unit) != nullptr;
}

Dimension DimensionOf(std::int16_t unit) {
  const UnitInfo* u = Find(unit);
  return u ? u->dimension : Dimension::Number;
}

std::int16_t DefaultUnitOf(Dimension dimension) {
  switch (dimension) {
    case Dimension::Number:
      return visNumber;
    case Dimension::Length:
      return visInches;
    case Dimension::Angle:
      return visDegrees;
    case Dimension::Duration:
      return visElapsedDay;
    case Dimension::Date:
      return visDate;
    case Dimension::Currency:
      return visCurrency;
  }
  return visNumber;
}

double UnitFactor(std::int16_t unit) {
  const UnitInfo* u = Find(unit);
  if (!u || unit == visPageUnits || unit == visDrawingUnits || unit == visDurationUnits) return 1;
  return u->factor;
}

std::optional<std::int16_t> UnitFromName(std::string_view name) {
  if (name.size() > 1 && name.back() == '.') name.remove_suffix(1);
  if (name.empty()) return std::nullopt;
  for (const auto& u : kUnits) {
    std::string_view names = u.names;
    while (!names.empty()) {
      const std::size_t bar = names.find('|');
      if (automation::NamesEqual(names.substr(0, bar), name)) return u.code;
      names = bar == std::string_view::npos ? std::string_view() : names.substr(bar + 1);
    }
  }
  return std::nullopt;
}

std::int16_t UnitArg(const automation::Variant& unit) {
  if (unit.type() == automation::VarType::Bstr) {
    const std::string name = unit.ToString();
    if (name.empty()) return visNoCast;
    if (auto code = UnitFromName(name)) return *code;
    Refuse();
  }
  const std::int16_t code = unit.ToInt16();
  if (code == 0) return visNoCast;
  if (!Find(code)) Refuse();
  return code;
}

double FromIU(double iu, std::int16_t valueUnit, std::int16_t unit) {
  const std::int16_t shown = ResolveDefault(unit, valueUnit);
  // A plain number has no unit to convert from: its figure stands.
  if (DimensionOf(Concrete(valueUnit)) == Dimension::Number) return iu;
  return iu / UnitFactor(shown);
}

double ToIU(double v, std::int16_t unit, std::int16_t valueUnit) {
  // Written in a unit, a value becomes that many of the unit, even where
  // the cell held a plain number before.
  return v * UnitFactor(ResolveDefault(unit, valueUnit));
}

std::int16_t StoredUnit(std::int16_t unit, std::int16_t valueUnit) {
  if (unit == visNumber || unit == visTypeUnits) return Concrete(valueUnit);
  return ResolveDefault(unit, valueUnit);
}

std::string FormatFigure(double v) {
  std::string s = Printf("%.4f", v);
  while (!s.empty() && s.back() == '0') s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  if (s == "-0") s = "0";
  return s;
}

std::string FormatResult(double iu, std::int16_t valueUnit, std::int16_t unit) {
  const std::int16_t shown = unit == visTypeUnits ? InternalUnitOf(DimensionOf(Concrete(valueUnit)))
                                                  : ResolveDefault(unit, valueUnit);
  // A plain number shown in a unit is that many of the unit.
  if (DimensionOf(Concrete(valueUnit)) == Dimension::Number) iu *= UnitFactor(shown);
  const double v = iu / UnitFactor(shown);
  switch (shown) {
    case visNumber:
      return FormatFigure(v);
    case visDate:
      return FormatDate(v);
    case visCurrency:
      return FormatCurrency(v);
    case visFeetAndInches:
      return FormatFeetAndInches(iu);
    case visDegreeMinSec:
      return FormatDegreeMinSec(v);
    case visInchFrac:
    case visMileFrac:
      return FormatFraction(v) + " " + Info(shown).shown;
    default:
      return FormatFigure(v) + " " + Info(shown).shown;
  }
}

std::string FormatConstant(double iu, std::int16_t unit) {
  const double v = iu / UnitFactor(unit);
  const std::string figure = Printf("%.15g", v == 0 ? 0.0 : v);
  const UnitInfo* u = Find(unit);
  if (!u || u->written[0] == '\0') return figure;
  if (unit == visFeetAndInches) {
    const double feet = std::trunc(iu / 12);
    return Printf("%.15g", feet) + " ft " + Printf("%.15g", iu - feet * 12) + " in";
  }
  if (unit == visDegreeMinSec) {
    const double degrees = std::trunc(v);
    return Printf("%.15g", degrees) + " deg " + Printf("%.15g", (v - degrees) * 60) + " min";
  }
  return figure + " " + u->written;
}

std::optional<Measure> ParseConstant(std::string_view formula) {
  Scanner sc{formula};
  sc.SkipBlanks();
  if (!sc.AtEnd() && sc.text[sc.pos] == '=') ++sc.pos;
  Measure total;
  int parts = 0;
  std::int16_t first = 0, last = 0;
  while (true) {
    sc.SkipBlanks();
    if (sc.AtEnd()) break;
    const auto figure = sc.Number();
    if (!figure) return std::nullopt;
    sc.SkipBlanks();
    const auto unit = sc.Unit();
    if (!unit) {
      sc.SkipBlanks();
      if (!sc.AtEnd() || parts > 0) return std::nullopt;
      return Measure{*figure, visNumber};
    }
    if (parts > 0 && DimensionOf(*unit) != DimensionOf(first)) return std::nullopt;
    if (parts == 0) first = *unit;
    last = *unit;
    total.iu += *figure * UnitFactor(*unit);
    ++parts;
  }
  if (parts == 0) return std::nullopt;
  total.unit = first;
  if (parts > 1) {
    if (first == visFeet && last == visInches) total.unit = visFeetAndInches;
    if (first == visDegrees && (last == visMin || last == visSec)) total.unit = visDegreeMinSec;
  }
  return total;
}

double FromInternalUnits(double inches, const automation::Variant& unit) {
  return FromIU(inches, visInches, UnitArg(unit));
}

double ToInternalUnits(double value, const automation::Variant& unit) {
  return ToIU(value, UnitArg(unit), visInches);
}

namespace {

struct DateToken {
  char code = 0;  // the letter; 0 for literal text
  int count = 0;
  std::string text;  // literal text
};

bool StartsWithNoCase(std::string_view s, std::string_view head) {
  return s.size() >= head.size() && automation::NamesEqual(s.substr(0, head.size()), head);
}

std::vector<DateToken> DateTokens(std::string_view p) {
  std::vector<DateToken> out;
  auto literal = [&](std::string_view text) {
    if (out.empty() || out.back().code != 0) out.push_back({});
    out.back().text += text;
  };
  for (std::size_t i = 0; i < p.size();) {
    const char c = p[i];
    if (c == '"' || c == '\'') {
      const std::size_t close = p.find(c, i + 1);
      const std::size_t end = close == std::string_view::npos ? p.size() : close;
      literal(p.substr(i + 1, end - i - 1));
      i = end + 1;
    } else if (c == '\\' && i + 1 < p.size()) {
      literal(p.substr(i + 1, 1));
      i += 2;
    } else if (StartsWithNoCase(p.substr(i), "am/pm")) {
      out.push_back({'P', 5, {}});
      i += 5;
    } else if (StartsWithNoCase(p.substr(i), "ampm")) {
      out.push_back({'P', 4, {}});
      i += 4;
    } else if (StartsWithNoCase(p.substr(i), "a/p")) {
      out.push_back({'P', 1, {}});
      i += 3;
    } else if (std::string_view("dDMmyYhHsncwqt").find(c) != std::string_view::npos) {
      std::size_t j = i;
      while (j < p.size() && p[j] == c) ++j;
      out.push_back({c, static_cast<int>(j - i), {}});
      i = j;
    } else {
      literal(p.substr(i, 1));
      ++i;
    }
  }
  return out;
}

std::string Padded(long long v, int width) {
  std::string s = std::to_string(v);
  while (static_cast<int>(s.size()) < width) s.insert(s.begin(), '0');
  return s;
}

}  // namespace

std::optional<std::string> FormatDatePicture(double oleDate, std::string_view picture) {
  // OLE dates run from 1 January 100 to 31 December 9999.
  if (!std::isfinite(oleDate) || oleDate < -657434 || oleDate >= 2958466) return std::nullopt;
  // Office's codes stand in double braces; "{<201>}" names a predefined
  // format of the locale, which this does not lay out.
  const bool office = picture.size() >= 4 && picture.substr(0, 2) == "{{" &&
                      picture.substr(picture.size() - 2) == "}}";
  if (office) picture = picture.substr(2, picture.size() - 4);
  if (picture.size() > 1024) return std::nullopt;

  long long days = 0, seconds = 0;
  SplitOleDate(oleDate, days, seconds);
  int year = 0, month = 0, day = 0;
  CivilFromOleDays(days, year, month, day);
  // 0 is Sunday; day 0 was a Saturday.
  auto weekdayOf = [](long long d) { return static_cast<int>(((d % 7) + 7 + 6) % 7); };
  const int weekday = weekdayOf(days);
  const long long hour = seconds / 3600, minute = seconds / 60 % 60, second = seconds % 60;
  const long long jan1 = OleDaysFromCivil(year, 1, 1);
  const long long dayOfYear = days - jan1 + 1;

  static const char* const kDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                      "Thursday", "Friday", "Saturday"};
  static const char* const kMonths[] = {"January",   "February", "March",    "April",
                                        "May",       "June",     "July",     "August",
                                        "September", "October",  "November", "December"};
  const std::string dayName = kDays[weekday];
  const std::string monthName = kMonths[month - 1];

  const std::vector<DateToken> tokens = DateTokens(picture);
  bool twelveHour = false;
  for (const auto& t : tokens) twelveHour = twelveHour || t.code == 'P';
  const long long hour12 = hour % 12 == 0 ? 12 : hour % 12;
  const std::string shortDate =
      std::to_string(month) + "/" + std::to_string(day) + "/" + std::to_string(year);
  const std::string longTime = std::to_string(hour12) + ":" + Padded(minute, 2) + ":" +
                               Padded(second, 2) + (hour < 12 ? " AM" : " PM");

  // A code token next to the one at i, skipping literal text.
  auto codeNear = [&](std::size_t i, int step) -> char {
    for (long long k = static_cast<long long>(i) + step;
         k >= 0 && k < static_cast<long long>(tokens.size()); k += step) {
      if (tokens[static_cast<std::size_t>(k)].code) return tokens[static_cast<std::size_t>(k)].code;
    }
    return 0;
  };

  std::string out;
  bool coded = false;
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    const DateToken& t = tokens[i];
    const int n = t.count;
    std::string part;
    bool code = true;
    switch (t.code) {
      case 0:
        part = t.text;
        code = false;
        break;
      case 'd':
      case 'D':
        if (n <= 2) {
          part = Padded(day, n);
        } else if (n == 3) {
          part = dayName.substr(0, 3);
        } else if (n == 4 || office) {
          part = dayName;
        } else if (n == 5) {
          part = shortDate;
        } else {
          part =
              dayName + ", " + monthName + " " + std::to_string(day) + ", " + std::to_string(year);
        }
        break;
      case 'm': {
        // Minutes after an hour or before seconds; the month elsewhere.
        const char before = codeNear(i, -1), after = codeNear(i, 1);
        if (n <= 2 && (before == 'h' || before == 'H' || after == 's' || after == 'S')) {
          part = Padded(minute, n);
          break;
        }
        [[fallthrough]];
      }
      case 'M':
        if (n <= 2) {
          part = Padded(month, n);
        } else if (n == 3) {
          part = monthName.substr(0, 3);
        } else {
          part = monthName;
        }
        break;
      case 'y':
      case 'Y':
        if (n >= 3) {
          part = Padded(year, 4);
        } else if (n == 2 || office) {
          part = Padded(year % 100, 2);
        } else {
          part = std::to_string(dayOfYear);
        }
        break;
      case 'h':
        part = Padded(twelveHour ? hour12 : hour, n > 1 ? 2 : 1);
        break;
      case 'H':
        part = Padded(hour, n > 1 ? 2 : 1);
        break;
      case 's':
      case 'S':
        part = Padded(second, n > 1 ? 2 : 1);
        break;
      case 'P':
        part = n == 1 ? (hour < 12 ? "A" : "P") : (hour < 12 ? "AM" : "PM");
        break;
      default:
        // The older codes: n minutes, c the date and its time, ttttt the
        // time, w the weekday, ww the week, q the quarter.
        code = !office;
        if (office) {
          part.assign(static_cast<std::size_t>(n), t.code);
        } else if (t.code == 'n') {
          part = Padded(minute, n > 1 ? 2 : 1);
        } else if (t.code == 'c' && n == 1) {
          part = shortDate + (seconds != 0 ? " " + longTime : "");
        } else if (t.code == 't' && n == 5) {
          part = longTime;
        } else if (t.code == 'w' && n == 1) {
          part = std::to_string(weekday + 1);
        } else if (t.code == 'w' && n == 2) {
          part = std::to_string((dayOfYear - 1 + weekdayOf(jan1)) / 7 + 1);
        } else if (t.code == 'q' && n == 1) {
          part = std::to_string((month + 2) / 3);
        } else {
          part.assign(static_cast<std::size_t>(n), t.code);
          code = false;
        }
        break;
    }
    coded = coded || code;
    out += part;
  }
  if (!coded) return std::nullopt;
  return out;
}

}  // namespace standin
