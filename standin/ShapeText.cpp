#include "standin/ShapeText.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <optional>

#include "automation/Text.h"
#include "standin/Numbers.h"
#include "standin/ShapeSheet.h"

namespace standin {

namespace {

constexpr char16_t kMark = u'\uFFFC';

std::u16string FromUtf8(std::string_view s) {
  std::u16string out;
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    char32_t cp = 0xFFFD;
    std::size_t n = 1;
    if (b < 0x80) {
      cp = b;
    } else if ((b >> 5) == 0x6 && i + 1 < s.size()) {
      cp = (char32_t{b} & 0x1F) << 6 | (static_cast<unsigned char>(s[i + 1]) & 0x3F);
      n = 2;
    } else if ((b >> 4) == 0xE && i + 2 < s.size()) {
      cp = (char32_t{b} & 0x0F) << 12 |
           (char32_t{static_cast<unsigned char>(s[i + 1])} & 0x3F) << 6 |
           (static_cast<unsigned char>(s[i + 2]) & 0x3F);
      n = 3;
    } else if ((b >> 3) == 0x1E && i + 3 < s.size()) {
      cp = (char32_t{b} & 0x07) << 18 |
           (char32_t{static_cast<unsigned char>(s[i + 1])} & 0x3F) << 12 |
           (char32_t{static_cast<unsigned char>(s[i + 2])} & 0x3F) << 6 |
           (static_cast<unsigned char>(s[i + 3]) & 0x3F);
      n = 4;
    }
    i += n;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string ToUtf8(std::u16string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    char32_t cp = s[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
        s[i + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    }
    AppendUtf8(out, cp);
  }
  return out;
}

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

// Removes [begin, end) from runs and gives n new characters to the run of
// the character before begin.
void ReplaceInRuns(std::vector<ShapeText::Run>& runs, std::int32_t begin, std::int32_t end,
                   std::int32_t n) {
  std::int32_t start = 0;
  for (auto& run : runs) {
    const std::int32_t stop = start + run.length;
    const std::int32_t cut = std::max(0, std::min(stop, end) - std::max(start, begin));
    run.length -= cut;
    start = stop;
  }
  // Where the new characters go: the run holding the character before
  // begin, or the first run.
  std::int32_t pos = 0;
  std::size_t target = 0;
  for (std::size_t i = 0; i < runs.size(); ++i) {
    if (begin > pos && begin <= pos + runs[i].length) {
      target = i;
      break;
    }
    pos += runs[i].length;
  }
  runs[target].length += n;
  std::vector<ShapeText::Run> kept;
  for (const auto& run : runs) {
    if (run.length > 0) kept.push_back(run);
  }
  if (kept.empty()) kept.push_back({0, runs.front().row});
  runs = std::move(kept);
}

}  // namespace

std::string FieldFormulaOf(std::int16_t category, std::int16_t code) {
  static const char* const kDateTime[] = {"CREATIME()", "CREATIME()", "NOW()",       "NOW()",
                                          "EDITTIME()", "EDITTIME()", "PRINTTIME()", "PRINTTIME()"};
  static const char* const kDocument[] = {
      "CREATOR()", "DESCRIPTION()", "DIRECTORY()", "FILENAME()", "KEYWORDS()",     "SUBJECT()",
      "TITLE()",   "MANAGER()",     "COMPANY()",   "CATEGORY()", "HYPERLINKBASE()"};
  static const char* const kGeometry[] = {"Width", "Height", "Angle"};
  static const char* const kObject[] = {"Data1()",      "Data2()", "Data3()", "ID()",
                                        "MASTERNAME()", "NAME()",  "TYPE()"};
  static const char* const kPage[] = {"BKGPAGENAME()", "PAGENAME()", "PAGECOUNT()", "PAGENUMBER()"};
  auto pick = [code](const auto& list) -> std::string {
    const auto n = static_cast<std::int16_t>(std::size(list));
    return code >= 0 && code < n ? list[code] : "";
  };
  switch (category) {
    case visFCatDateTime:
      return pick(kDateTime);
    case visFCatDocument:
      return pick(kDocument);
    case visFCatGeometry:
      return pick(kGeometry);
    case visFCatObject:
      return pick(kObject);
    case visFCatPage:
      return pick(kPage);
    default:
      return "";
  }
}

ShapeText::ShapeText() {
  for (auto& r : runs_) r.push_back({0, 0});
}

std::int32_t ShapeText::Clamp(std::int32_t pos) const {
  return std::clamp(pos, 0, CharCount());
}

std::string ShapeText::Text() const {
  return ToUtf8(text_);
}

std::string ShapeText::Text(std::int32_t begin, std::int32_t end) const {
  begin = Clamp(begin);
  end = std::max(begin, Clamp(end));
  return ToUtf8(std::u16string_view(text_).substr(static_cast<std::size_t>(begin),
                                                  static_cast<std::size_t>(end - begin)));
}

void ShapeText::SetText(std::string_view utf8) {
  std::u16string text = FromUtf8(utf8);
  std::erase(text, kMark);
  text_ = std::move(text);
  fields_.clear();
  for (auto& runs : runs_) {
    const std::int16_t row = runs.front().row;
    runs.assign(1, Run{CharCount(), row});
  }
}

std::string ShapeText::ExpandedText(std::int32_t begin, std::int32_t end) const {
  begin = Clamp(begin);
  end = std::max(begin, Clamp(end));
  std::string out;
  std::size_t field = 0;
  for (std::int32_t i = 0; i < end; ++i) {
    const char16_t c = text_[static_cast<std::size_t>(i)];
    if (c == kMark) {
      if (i >= begin && field < fields_.size()) out += fields_[field].value;
      ++field;
      continue;
    }
    if (i < begin) continue;
    // Keep surrogate pairs whole.
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < end) {
      out += ToUtf8(std::u16string_view(text_).substr(static_cast<std::size_t>(i), 2));
      ++i;
      continue;
    }
    AppendUtf8(out, c);
  }
  return out;
}

std::int32_t ShapeText::Replace(std::int32_t begin, std::int32_t end, std::string_view utf8) {
  begin = Clamp(begin);
  end = std::max(begin, Clamp(end));
  std::u16string inserted = FromUtf8(utf8);
  std::erase(inserted, kMark);
  // Fields inside the range go with it.
  std::size_t before = 0, inside = 0;
  for (std::int32_t i = 0; i < end; ++i) {
    if (text_[static_cast<std::size_t>(i)] != kMark) continue;
    (i < begin ? before : inside) += 1;
  }
  fields_.erase(fields_.begin() + static_cast<std::ptrdiff_t>(before),
                fields_.begin() + static_cast<std::ptrdiff_t>(before + inside));
  text_.replace(static_cast<std::size_t>(begin), static_cast<std::size_t>(end - begin), inserted);
  const auto n = static_cast<std::int32_t>(inserted.size());
  for (auto& runs : runs_) ReplaceInRuns(runs, begin, end, n);
  return begin + n;
}

void ShapeText::CopyFrom(const ShapeText& other) {
  text_ = other.text_;
  fields_ = other.fields_;
  for (std::size_t i = 0; i < 3; ++i) runs_[i] = other.runs_[i];
}

std::int32_t ShapeText::InsertField(std::int32_t begin, std::int32_t end, TextField field) {
  begin = Clamp(begin);
  end = std::max(begin, Clamp(end));
  Replace(begin, end, "");
  std::size_t before = 0;
  for (std::int32_t i = 0; i < begin; ++i) {
    if (text_[static_cast<std::size_t>(i)] == kMark) ++before;
  }
  if (!field.formula.empty() && field.formula.front() == '=') field.formula.erase(0, 1);
  text_.insert(static_cast<std::size_t>(begin), 1, kMark);
  fields_.insert(fields_.begin() + static_cast<std::ptrdiff_t>(before), std::move(field));
  for (auto& runs : runs_) ReplaceInRuns(runs, begin, begin, 1);
  return begin;
}

std::int32_t ShapeText::FieldPosition(std::size_t index) const {
  std::size_t seen = 0;
  for (std::size_t i = 0; i < text_.size(); ++i) {
    if (text_[i] == kMark && seen++ == index) return static_cast<std::int32_t>(i);
  }
  return -1;
}

int ShapeText::FieldIndexAt(std::int32_t pos) const {
  if (pos < 0 || pos >= CharCount() || text_[static_cast<std::size_t>(pos)] != kMark) return -1;
  int index = 0;
  for (std::int32_t i = 0; i < pos; ++i) {
    if (text_[static_cast<std::size_t>(i)] == kMark) ++index;
  }
  return index;
}

int ShapeText::FirstFieldIn(std::int32_t begin, std::int32_t end) const {
  for (std::int32_t i = Clamp(begin); i < Clamp(end); ++i) {
    if (text_[static_cast<std::size_t>(i)] == kMark) return FieldIndexAt(i);
  }
  return -1;
}

std::vector<std::int16_t> ShapeText::FieldRowsIn(std::int32_t begin, std::int32_t end) const {
  std::vector<std::int16_t> rows;
  const int first = FirstFieldIn(begin, end);
  if (first < 0) return rows;
  std::size_t index = static_cast<std::size_t>(first);
  for (std::int32_t i = Clamp(begin); i < Clamp(end); ++i) {
    if (text_[static_cast<std::size_t>(i)] != kMark) continue;
    if (index < fields_.size() && fields_[index].row >= 0) rows.push_back(fields_[index].row);
    ++index;
  }
  std::sort(rows.begin(), rows.end(), std::greater<>());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

void ShapeText::FieldRowInserted(std::int16_t row) {
  for (auto& f : fields_) {
    if (f.row >= row) ++f.row;
  }
}

void ShapeText::FieldRowDeleted(std::int16_t row) {
  for (auto& f : fields_) {
    if (f.row == row) {
      f.row = -1;
    } else if (f.row > row) {
      --f.row;
    }
  }
}

std::int16_t ShapeText::RowOf(RunKind kind, std::int32_t begin, std::int32_t end,
                              std::int16_t bias) const {
  const auto& runs = Runs(kind);
  begin = Clamp(begin);
  end = std::max(begin, Clamp(end));
  if (begin == end) {
    // The character on the bias's side of the insertion point.
    const bool left = bias == 1 || (bias != 2 && begin == CharCount());
    std::int32_t pos = left ? begin - 1 : begin;
    pos = std::clamp(pos, 0, std::max(0, CharCount() - 1));
    begin = pos;
    end = pos + 1;
  }
  std::int16_t found = -1;
  std::int32_t start = 0;
  for (const auto& run : runs) {
    const std::int32_t stop = start + run.length;
    const bool overlaps = start < end && stop > begin;
    const bool emptyText = run.length == 0 && CharCount() == 0;
    if (overlaps || emptyText) {
      if (found >= 0 && found != run.row) return -1;
      found = run.row;
    }
    start = stop;
  }
  return found < 0 ? runs.back().row : found;
}

void ShapeText::SetRow(RunKind kind, std::int32_t begin, std::int32_t end, std::int16_t row) {
  begin = Clamp(begin);
  end = std::max(begin, Clamp(end));
  if (kind != RunKind::Char) {
    begin = ParagraphAround(begin).first;
    end = std::max(end, begin + 1);
    end = ParagraphAround(std::max(begin, end - 1)).second;
  }
  if (begin == end) return;
  auto& runs = runs_[Index(kind)];
  std::vector<Run> out;
  std::int32_t start = 0;
  bool placed = false;
  for (const auto& run : runs) {
    const std::int32_t stop = start + run.length;
    if (stop <= begin || start >= end) {
      if (start >= end && !placed) {
        out.push_back({end - begin, row});
        placed = true;
      }
      out.push_back(run);
    } else {
      if (start < begin) out.push_back({begin - start, run.row});
      if (!placed) {
        out.push_back({end - begin, row});
        placed = true;
      }
      if (stop > end) out.push_back({stop - end, run.row});
    }
    start = stop;
  }
  if (!placed) out.push_back({end - begin, row});
  // Neighbours with the same row are one run.
  std::vector<Run> merged;
  for (const auto& run : out) {
    if (run.length == 0) continue;
    if (!merged.empty() && merged.back().row == run.row) {
      merged.back().length += run.length;
    } else {
      merged.push_back(run);
    }
  }
  runs = std::move(merged);
}

bool ShapeText::RowUsedOutside(RunKind kind, std::int16_t row, std::int32_t begin,
                               std::int32_t end) const {
  std::int32_t start = 0;
  for (const auto& run : Runs(kind)) {
    const std::int32_t stop = start + run.length;
    if (run.row == row && (start < begin || stop > end)) return true;
    start = stop;
  }
  return false;
}

std::pair<std::int32_t, std::int32_t> ShapeText::ParagraphAround(std::int32_t pos) const {
  pos = Clamp(pos);
  std::int32_t begin = pos;
  while (begin > 0 && text_[static_cast<std::size_t>(begin - 1)] != u'\n') --begin;
  std::int32_t end = pos;
  while (end < CharCount() && text_[static_cast<std::size_t>(end)] != u'\n') ++end;
  if (end < CharCount()) ++end;  // the line break belongs to its paragraph
  return {begin, end};
}

std::pair<std::int32_t, std::int32_t> ShapeText::RunAround(std::int16_t runType,
                                                           std::int32_t pos) const {
  pos = Clamp(pos);
  const std::int32_t count = CharCount();
  switch (runType) {
    case 1:
    case 2:
    case 3: {
      const auto& runs = Runs(static_cast<RunKind>(runType - 1));
      std::int32_t start = 0;
      for (const auto& run : runs) {
        const std::int32_t stop = start + run.length;
        if (pos < stop || &run == &runs.back()) return {start, stop};
        start = stop;
      }
      return {0, count};
    }
    case 10: {
      // A word with the blanks after it.
      std::int32_t begin = pos;
      if (begin == count && begin > 0) --begin;
      while (begin > 0 && IsBlank(text_[static_cast<std::size_t>(begin)]) &&
             IsBlank(text_[static_cast<std::size_t>(begin - 1)])) {
        --begin;
      }
      while (begin > 0 && !(IsBlank(text_[static_cast<std::size_t>(begin - 1)]) &&
                            !IsBlank(text_[static_cast<std::size_t>(begin)]))) {
        --begin;
      }
      std::int32_t end = begin;
      while (end < count && !IsBlank(text_[static_cast<std::size_t>(end)])) ++end;
      while (end < count && IsBlank(text_[static_cast<std::size_t>(end)])) ++end;
      return {begin, end};
    }
    case 11:
      return ParagraphAround(pos == count && pos > 0 ? pos - 1 : pos);
    case 20: {
      // A field alone, or the text between fields.
      if (pos < count && text_[static_cast<std::size_t>(pos)] == kMark) return {pos, pos + 1};
      std::int32_t begin = pos, end = pos;
      while (begin > 0 && text_[static_cast<std::size_t>(begin - 1)] != kMark) --begin;
      while (end < count && text_[static_cast<std::size_t>(end)] != kMark) ++end;
      return {begin, end};
    }
    default:
      ThrowVisio(VisioErrorKind::InvalidParameter);
  }
}

// ---- field values ----

namespace {

std::string Fixed(double v, int decimals) {
  std::string s = PrintfNumber("%.*f", decimals, v);
  if (s == "-0" || (s.rfind("-0.", 0) == 0 && s.find_first_not_of("-0.") == std::string::npos)) {
    s.erase(0, 1);
  }
  return s;
}

// A computed value as the field's format shows it; nullopt for formats
// this text does not lay out (dates, times, the East Asian calendars).
std::optional<std::string> Shown(const CellValue& v, std::int16_t format) {
  if (v.isString) {
    std::string s = v.text;
    if (format == visFmtStrLower || format == visFmtStrUpper) {
      for (char& c : s) {
        if (format == visFmtStrLower) c = automation::AsciiLower(c);
        if (format == visFmtStrUpper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      }
    }
    return s;
  }
  if (v.isBool) return std::string(v.result != 0 ? "TRUE" : "FALSE");
  const std::int16_t unit = v.unit == visNoCast ? visNumber : v.unit;
  const double figure = FromIU(v.result, unit, visNoCast);
  switch (format) {
    case visFmtNumGenNoUnits:
      return FormatFigure(figure);
    case visFmtNumGenDefUnits:
      return FormatResult(v.result, unit, visNoCast);
    case 2:
    case 4:
    case 6:
    case 8:
      return Fixed(figure, (format - 2) / 2);
    case 3:
    case 5:
    case 7:
    case 9: {
      const std::string full = FormatResult(v.result, unit, visNoCast);
      const std::size_t blank = full.find(' ');
      return Fixed(figure, (format - 3) / 2) +
             (blank == std::string::npos ? "" : full.substr(blank));
    }
    case visFmtFeetAndInches:
    case 13:
    case 14:
      if (DimensionOf(unit) != Dimension::Length) return FormatFigure(figure);
      return FormatResult(v.result, unit, visFeetAndInches);
    case visFmtRadians:
    case visFmtDegrees:
      if (DimensionOf(unit) != Dimension::Angle) return FormatFigure(figure);
      return FormatResult(v.result, unit, format == visFmtRadians ? visRadians : visDegrees);
    case visFmtStrNormal:
    case visFmtStrLower:
    case visFmtStrUpper:
      return FormatResult(v.result, unit, visNoCast);
    default:
      return std::nullopt;
  }
}

// A property read as a client reads it, following a path of members from
// an object; nullopt when it cannot be had.
std::optional<std::string> Ask(ObjectRef at, std::initializer_list<const char*> path) {
  try {
    Variant v;
    std::size_t i = 0;
    for (const char* member : path) {
      if (!at) return std::nullopt;
      v = at.Get(member);
      if (++i < path.size()) at = v.ToObject();
    }
    return v.ToString();
  } catch (const automation::AutomationError&) {
    return std::nullopt;
  }
}

ObjectRef DocumentOf(SheetHost& host) {
  VisioObject* doc = host.HostDocument();
  return doc ? ObjectRef(doc) : ObjectRef();
}

std::optional<std::string> ObjectFieldValue(SheetHost& host, const TextField& f) {
  const ObjectRef shape(&host.HostObject());
  switch (f.category) {
    case visFCatObject:
      switch (f.code) {
        case 0:
          return Ask(shape, {"Data1"});
        case 1:
          return Ask(shape, {"Data2"});
        case 2:
          return Ask(shape, {"Data3"});
        case 3:
          return Ask(shape, {"ID"});
        case 4:
          return Ask(shape, {"Master", "Name"});
        case 5:
          return Ask(shape, {"Name"});
        default:
          return std::nullopt;
      }
    case visFCatPage:
      switch (f.code) {
        case 1:
          return Ask(shape, {"ContainingPage", "Name"});
        case 2:
          return Ask(DocumentOf(host), {"Pages", "Count"});
        case 3:
          return Ask(shape, {"ContainingPage", "Index"});
        default:
          return std::nullopt;
      }
    case visFCatDocument: {
      static const char* const kMembers[] = {"Creator",  "Description", "Path",         "Name",
                                             "Keywords", "Subject",     "Title",        "Manager",
                                             "Company",  "Category",    "HyperlinkBase"};
      if (f.code < 0 || f.code >= static_cast<std::int16_t>(std::size(kMembers)))
        return std::nullopt;
      return Ask(DocumentOf(host), {kMembers[f.code]});
    }
    default:
      return std::nullopt;
  }
}

// A value as a Text Fields row's Format picture lays it out: type is the
// row's Type cell (5 for a date or time).
std::optional<std::string> ShownByPicture(const CellValue& v, std::string_view picture, int type,
                                          std::int16_t format) {
  if (v.isString || v.isBool) return Shown(v, format);
  const bool date = DimensionOf(v.unit) == Dimension::Date;
  const bool office = picture.size() >= 4 && picture.substr(0, 2) == "{{";
  if (date || type == 5 || office) {
    if (!date && DimensionOf(v.unit) != Dimension::Number) return std::nullopt;
    const double days = date ? v.result / UnitFactor(visDate) : v.result;
    if (picture.empty()) return FormatDatePicture(days, "c");  // the date, and its time if any
    return FormatDatePicture(days, picture);
  }
  if (picture.empty()) return Shown(v, format);
  // FIELDPICTURE(n) is "esc(n)": the field format code n.
  if (picture.size() > 5 && picture.substr(0, 4) == "esc(" && picture.back() == ')') {
    int code = -1;
    const char* end = picture.data() + picture.size() - 1;
    const auto [at, ec] = std::from_chars(picture.data() + 4, end, code);
    if (ec == std::errc() && at == end && code >= 0 && code <= 0x7FFF)
      return Shown(v, static_cast<std::int16_t>(code));
  }
  return std::nullopt;
}

// The value of a field with a row of its own in the Text Fields section.
std::optional<std::string> RowFieldValue(const ShapeSheet& sheet, const TextField& f) {
  if (f.row < 0 || f.row >= sheet.RowCount(visSectionTextField)) return std::nullopt;
  const CellValue v = sheet.Value(visSectionTextField, f.row, visFieldCell);
  if (v.error != 0) return std::nullopt;
  const CellValue picture = sheet.Value(visSectionTextField, f.row, visFieldFormat);
  const CellValue type = sheet.Value(visSectionTextField, f.row, visFieldType);
  const std::string_view pictureText = picture.isString ? picture.text.str() : std::string_view();
  return ShownByPicture(v, pictureText, type.isString ? -1 : static_cast<int>(type.result),
                        f.format);
}

}  // namespace

void RefreshFieldValues(ShapeText& text, SheetHost& host) {
  for (std::size_t i = 0; i < text.Fields().size(); ++i) {
    TextField& f = text.FieldAt(i);
    std::optional<std::string> value;
    if (f.category == visFCatCustom || f.category == visFCatGeometry) {
      if (f.row >= 0) {
        value = RowFieldValue(host.Sheet(), f);
      } else if (auto v = host.Sheet().Evaluate(f.formula)) {
        value = Shown(*v, f.format);
      }
    } else {
      value = ObjectFieldValue(host, f);
    }
    if (value) f.value = *value;
  }
}

// ---- client edits ----

namespace {

// Deletes the rows of the fields within [begin, end), keeping the other
// fields on theirs; returns the rows deleted, highest first.
std::vector<std::int16_t> DeleteFieldRows(ShapeText& text, ShapeSheet& sheet, std::int32_t begin,
                                          std::int32_t end) {
  std::vector<std::int16_t> deleted;
  for (const std::int16_t row : text.FieldRowsIn(begin, end)) {
    if (row >= sheet.RowCount(visSectionTextField)) continue;
    sheet.DeleteRow(visSectionTextField, row);
    text.FieldRowDeleted(row);
    deleted.push_back(row);
  }
  return deleted;
}

}  // namespace

std::int32_t ReplaceText(ShapeText& text, SheetHost& host, std::int32_t begin, std::int32_t end,
                         std::string_view utf8) {
  DeleteFieldRows(text, host.Sheet(), begin, end);
  return text.Replace(begin, end, utf8);
}

void SetShapeText(ShapeText& text, SheetHost& host, std::string_view utf8) {
  DeleteFieldRows(text, host.Sheet(), 0, text.CharCount());
  text.SetText(utf8);
}

std::int32_t InsertFieldWithRow(ShapeText& text, SheetHost& host, std::int32_t begin,
                                std::int32_t end, TextField field) {
  ShapeSheet& sheet = host.Sheet();
  begin = std::clamp(begin, 0, text.CharCount());
  end = std::clamp(end, begin, text.CharCount());
  if (!field.formula.empty() && field.formula.front() == '=') field.formula.erase(0, 1);
  // The row goes where the field goes among the fields: after the row of
  // the last field before it that has one.
  const int after = text.FirstFieldIn(begin, text.CharCount());
  const std::size_t before = after < 0 ? text.Fields().size() : static_cast<std::size_t>(after);
  std::int16_t at = 0;
  for (std::size_t i = before; i-- > 0;) {
    if (text.Fields()[i].row >= 0) {
      at = static_cast<std::int16_t>(text.Fields()[i].row + 1);
      break;
    }
  }
  at = std::min(at, sheet.RowCount(visSectionTextField));
  const std::int16_t row = sheet.AddRow(visSectionTextField, at, 0);
  try {
    sheet.SetFormula(visSectionTextField, row, visFieldCell, field.formula, true);
    sheet.SetFormula(visSectionTextField, row, visFieldFormat,
                     "FIELDPICTURE(" + std::to_string(field.format) + ")", true);
    const bool date = field.category == visFCatDateTime;
    const std::int16_t code = field.category == visFCatCustom ? 255 : field.code;
    sheet.SetResultIn(visSectionTextField, row, visFieldType, date ? 5 : 0, visNumber, true);
    sheet.SetResultIn(visSectionTextField, row, visFieldUICategory, field.category, visNumber,
                      true);
    sheet.SetResultIn(visSectionTextField, row, visFieldUICode, code, visNumber, true);
    sheet.SetResultIn(visSectionTextField, row, visFieldUIFormat, field.format, visNumber, true);
  } catch (...) {
    sheet.DeleteRow(visSectionTextField, row);
    throw;
  }
  text.FieldRowInserted(row);
  // The range's own fields go with it, and their rows: the new row moves
  // up past those before it.
  field.row = row;
  for (const std::int16_t gone : DeleteFieldRows(text, sheet, begin, end)) {
    if (gone < field.row) --field.row;
  }
  return text.InsertField(begin, end, std::move(field));
}

}  // namespace standin
