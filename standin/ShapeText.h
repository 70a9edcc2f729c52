// A shape's text: characters, fields, and the runs that tie stretches of
// text to rows of the Character, Paragraph and Tabs sections.
//
// Positions count UTF-16 code units, as Visio counts them; a field is one
// character. Shape.Text gives the text with each field as U+FFFC (the
// object replacement character), which is how Visio hands fields to a
// client that asks for the shape's text; Characters.Text expands each
// field to the text it shows. A U+FFFC written into the text is dropped:
// fields are made with InsertField, never typed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace standin {

class SheetHost;

// visFieldCategories.
constexpr std::int16_t visFCatCustom = 0, visFCatDateTime = 1, visFCatDocument = 2,
                       visFCatGeometry = 3, visFCatObject = 4, visFCatPage = 5, visFCatNotes = 6;
// visFieldFormats used here.
constexpr std::int16_t visFmtNumGenNoUnits = 0, visFmtNumGenDefUnits = 1, visFmtFeetAndInches = 10,
                       visFmtRadians = 11, visFmtDegrees = 12, visFmtStrNormal = 37,
                       visFmtStrLower = 38, visFmtStrUpper = 39;

// "\xEF\xBF\xBC": U+FFFC in UTF-8.
inline constexpr std::string_view kFieldMark = "\xEF\xBF\xBC";

struct TextField {
  std::int16_t category = visFCatCustom;  // visFCat...
  std::int16_t code = 0;                  // visFCode... within the category
  std::int16_t format = visFmtNumGenNoUnits;
  std::string formula;    // as the Text Fields row holds it, without "="
  std::string value;      // the text the field shows
  std::int16_t row = -1;  // its row in the Text Fields section; -1 for none
};

// The formula Visio gives a field of a category and code ("Width",
// "NAME()", "PAGENUMBER()"); empty for codes it does not know.
std::string FieldFormulaOf(std::int16_t category, std::int16_t code);

class ShapeText {
 public:
  enum class RunKind { Char = 0, Para = 1, Tab = 2 };
  struct Run {
    std::int32_t length;
    std::int16_t row;
  };

  ShapeText();

  // ---- the text ----
  std::string Text() const;  // fields as U+FFFC
  std::string Text(std::int32_t begin, std::int32_t end) const;
  // All of the text anew: fields go, and every character takes the
  // formatting of the first.
  void SetText(std::string_view utf8);
  std::int32_t CharCount() const { return static_cast<std::int32_t>(text_.size()); }
  std::string ExpandedText() const { return ExpandedText(0, CharCount()); }
  std::string ExpandedText(std::int32_t begin, std::int32_t end) const;
  // Replaces [begin, end) (fields in it go); returns where the new text
  // ends. New text takes the formatting of the character before it.
  std::int32_t Replace(std::int32_t begin, std::int32_t end, std::string_view utf8);
  void CopyFrom(const ShapeText& other);

  // ---- fields, in the order they stand in the text ----
  // Puts a field in place of [begin, end); returns its position.
  std::int32_t InsertField(std::int32_t begin, std::int32_t end, TextField field);
  const std::vector<TextField>& Fields() const { return fields_; }
  TextField& FieldAt(std::size_t index) { return fields_.at(index); }
  std::int32_t FieldPosition(std::size_t index) const;
  // The index of the field at pos; -1 when the character is no field.
  int FieldIndexAt(std::int32_t pos) const;
  // The first field within [begin, end); -1 when there is none.
  int FirstFieldIn(std::int32_t begin, std::int32_t end) const;
  // The Text Fields rows of the fields within [begin, end), highest first,
  // each once.
  std::vector<std::int16_t> FieldRowsIn(std::int32_t begin, std::int32_t end) const;
  // Keep fields on their rows when a Text Fields row is inserted at row
  // (the rows from it on move down) or deleted (its field loses its row).
  void FieldRowInserted(std::int16_t row);
  void FieldRowDeleted(std::int16_t row);

  // ---- formatting runs ----
  const std::vector<Run>& Runs(RunKind kind) const { return runs_[Index(kind)]; }
  // The row that formats the characters of [begin, end): -1 when they
  // have different rows. An empty range takes the character on the side
  // bias says (visBiasLeft 1, visBiasRight 2; 0 lets the text choose: the
  // right, or the left at the end).
  std::int16_t RowOf(RunKind kind, std::int32_t begin, std::int32_t end, std::int16_t bias) const;
  // Gives [begin, end) the row; paragraph and tab runs widen to whole
  // paragraphs.
  void SetRow(RunKind kind, std::int32_t begin, std::int32_t end, std::int16_t row);
  // Whether a row formats characters outside [begin, end).
  bool RowUsedOutside(RunKind kind, std::int16_t row, std::int32_t begin, std::int32_t end) const;
  // The stretch of one run of a type (visRunTypes: 1 char, 2 para, 3 tab
  // format; 10 word, 11 paragraph, 20 field) around pos.
  std::pair<std::int32_t, std::int32_t> RunAround(std::int16_t runType, std::int32_t pos) const;
  // The paragraph around pos: from the character after the previous line
  // break to the next one, inclusive.
  std::pair<std::int32_t, std::int32_t> ParagraphAround(std::int32_t pos) const;

 private:
  static std::size_t Index(RunKind kind) { return static_cast<std::size_t>(kind); }
  std::int32_t Clamp(std::int32_t pos) const;

  std::u16string text_;
  std::vector<TextField> fields_;
  std::vector<Run> runs_[3];
};

// Brings the values of a shape's fields up to date where they can be
// computed from the shape: a custom or geometry field with a row in the
// Text Fields section shows that row's value as the row's Format picture
// lays it out (a date by its date picture, a number by FIELDPICTURE's
// "esc(n)"); one without a row its formula over the shape's cells; object,
// page and document fields the shape's name, ID and data, its page and
// document. Other fields, and values in pictures not laid out here, keep
// the value they were given.
void RefreshFieldValues(ShapeText& text, SheetHost& host);

// A client's edits of a shape's text. Every field of the text has a row in
// the Text Fields section, the rows in the order of the fields: a field
// that goes takes its row with it, and a new field gets a row at its place
// among the fields (Value its formula, Format FIELDPICTURE(format), UICat,
// UICod and UIFmt what it was made with). Loaders, which bring the rows
// themselves, edit the ShapeText directly.
std::int32_t ReplaceText(ShapeText& text, SheetHost& host, std::int32_t begin, std::int32_t end,
                         std::string_view utf8);
void SetShapeText(ShapeText& text, SheetHost& host, std::string_view utf8);
// Returns the field's position. A formula the sheet refuses raises, and
// leaves text and rows as they were.
std::int32_t InsertFieldWithRow(ShapeText& text, SheetHost& host, std::int32_t begin,
                                std::int32_t end, TextField field);

}  // namespace standin
