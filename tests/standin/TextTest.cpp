// A shape's text: fields as the shape's text shows them and as Characters
// expands them, ranges, runs, and the rows that format them.
#include <gtest/gtest.h>

#include "SheetTestHost.h"

namespace standin::testing {
namespace {

const std::string kMark(kFieldMark);

class TextTest : public SheetTest {
 protected:
  void SetUp() override {
    shape->Sheet().SetFormula(visSectionObject, visRowXFormOut, visXFormWidth, "2 in", true);
  }

  ObjectRef Chars() { return h.Get("Characters").ToObject(); }

  TextField Field(std::int16_t category, std::int16_t code, std::int16_t format,
                  std::string formula, std::string value = "") {
    return TextField{category, code, format, std::move(formula), std::move(value)};
  }

  Ref<TestHost> shape = MakeHost();
  ObjectRef h = shape;
  ShapeText& text = shape->text;
};

TEST_F(TextTest, FieldsAreMarksInTheShapesTextAndValuesInItsCharacters) {
  text.SetText("Width: ");
  text.InsertField(7, 7, Field(visFCatCustom, 0, visFmtNumGenDefUnits, "=Width"));
  text.Replace(8, 8, " by ");
  text.InsertField(12, 12, Field(visFCatObject, 5, visFmtStrNormal, "NAME()"));
  text.InsertField(13, 13, Field(visFCatDateTime, 2, 20, "NOW()", "1/1/2000"));
  EXPECT_EQ(h.Get("Text"), Variant("Width: " + kMark + " by " + kMark + kMark));
  EXPECT_EQ(text.CharCount(), 14);
  EXPECT_EQ(text.Fields()[0].formula, "Width");

  ObjectRef chars = Chars();
  EXPECT_EQ(chars.Get("Text"), Variant("Width: 2 in. by Box1/1/2000"));
  EXPECT_EQ(chars.Get("TextAsString"), Variant("Width: 2 in. by Box1/1/2000"));
  EXPECT_EQ(chars.Get("CharCount"), I4(14));
  // Values follow the cells and properties they show.
  shape->Sheet().SetFormula(visSectionObject, visRowXFormOut, visXFormWidth, "76.2 mm", true);
  shape->SetStoredValue("Name", Variant("Crate"));
  EXPECT_EQ(chars.Get("Text"), Variant("Width: 76.2 mm by Crate1/1/2000"));

  // Fields cannot be typed; new text drops them.
  h.Put("Text", Variant("a" + kMark + "b"));
  EXPECT_EQ(h.Get("Text"), Variant("ab"));
  EXPECT_TRUE(text.Fields().empty());
  // Positions count UTF-16 units, as Visio counts them.
  h.Put("Text", Variant("Gr\xC3\xB6\xC3\x9F"
                        "e \xE2\x82\xAC \xF0\x9F\x98\x80"));
  EXPECT_EQ(Chars().Get("CharCount"), I4(10));
  EXPECT_EQ(text.Text(6, 7), "\xE2\x82\xAC");
  EXPECT_EQ(text.Text(8, 10), "\xF0\x9F\x98\x80");
}

TEST_F(TextTest, CharactersCoverARangeAndDescribeItsFirstField) {
  text.SetText("Size ");
  text.InsertField(5, 5, Field(visFCatGeometry, 0, visFmtNumGenNoUnits, "Width"));
  text.Replace(6, 6, " in all");
  ObjectRef chars = Chars();
  EXPECT_EQ(chars.Get("Begin"), I4(0));
  EXPECT_EQ(chars.Get("End"), I4(13));
  EXPECT_EQ(chars.Get("IsField"), VisBool(false));
  EXPECT_EQ(chars.Get("FieldCategory"), I2(visFCatGeometry));
  EXPECT_EQ(chars.Get("FieldCode"), I2(0));
  EXPECT_EQ(chars.Get("FieldFormat"), I2(visFmtNumGenNoUnits));
  EXPECT_EQ(chars.Get("FieldFormula"), Variant("Width"));

  chars.Put("Begin", I4(5));
  chars.Put("End", I4(6));
  EXPECT_EQ(chars.Get("IsField"), VisBool(true));
  EXPECT_EQ(chars.Get("Text"), Variant("2"));
  chars.Put("End", I4(3));  // before Begin: Begin follows
  EXPECT_EQ(chars.Get("Begin"), I4(3));
  chars.Put("End", I4(5));
  EXPECT_EQ(chars.Get("Text"), Variant("e "));
  std::string message;
  EXPECT_EQ(CodeOf([&] { chars.Get("FieldFormula"); }, &message),
            Visio(VisioErrorKind::InappropriateTarget));
  EXPECT_EQ(message, "\n\nInappropriate target object for this action.");
  for (int bad : {-1, 14}) {
    EXPECT_EQ(CodeOf([&] { chars.Put("Begin", I4(bad)); }),
              Visio(VisioErrorKind::InvalidParameter));
  }

  // Writing the range replaces it; the range then covers what was written.
  chars.Put("Text", Variant("e of "));
  EXPECT_EQ(h.Get("Text"), Variant("Size of " + kMark + " in all"));
  EXPECT_EQ(chars.Get("End"), I4(8));
  // A field put in place of a range.
  chars.Put("Begin", I4(0));
  chars.Put("End", I4(4));
  chars.Invoke("AddField", {I2(visFCatGeometry), I2(1), I2(visFmtNumGenNoUnits)});
  EXPECT_EQ(chars.Get("FieldFormula"), Variant("Height"));
  EXPECT_EQ(chars.Get("IsField"), VisBool(true));
  EXPECT_EQ(Chars().Get("Text"), Variant("0 of 2 in all"));

  // Once the shape is gone, the range is too.
  shape->MarkDeleted();
  EXPECT_EQ(chars.Get("Stat"), I2(kStatDeleted));
  EXPECT_EQ(CodeOf([&] { chars.Get("Text"); }), Visio(VisioErrorKind::ObjectDeleted));
}

// Every field of a shape's text is a row of the Text Fields section, the
// rows in the order of the fields: a field a client adds gets its row at
// its place, shows that row's value, and takes the row with it when it goes.
TEST_F(TextTest, FieldsAClientAddsAndDeletesKeepTheirTextFieldsRows) {
  ShapeSheet& sheet = shape->Sheet();
  auto formula = [&](std::int16_t row, std::int16_t cell) {
    return sheet.Formula(visSectionTextField, row, cell);
  };
  auto rows = [&] { return sheet.RowCount(visSectionTextField); };
  auto range = [&](std::int32_t begin, std::int32_t end) {
    ObjectRef chars = Chars();
    chars.Put("Begin", I4(begin));
    chars.Put("End", I4(end));
    return chars;
  };
  h.Put("Text", Variant("ab"));

  ObjectRef width = range(1, 1);
  width.Invoke("AddField", {I2(visFCatGeometry), I2(0), I2(visFmtNumGenDefUnits)});
  ASSERT_EQ(rows(), 1);
  EXPECT_EQ(formula(0, visFieldCell), "Width");
  EXPECT_EQ(formula(0, visFieldFormat), "FIELDPICTURE(1)");
  EXPECT_EQ(sheet.ResultString(visSectionTextField, 0, visFieldFormat), "esc(1)");
  const std::pair<std::int16_t, double> cells[] = {{visFieldType, 0},
                                                   {visFieldUICategory, visFCatGeometry},
                                                   {visFieldUICode, 0},
                                                   {visFieldUIFormat, visFmtNumGenDefUnits}};
  for (const auto& [cell, value] : cells)
    EXPECT_EQ(sheet.ResultIU(visSectionTextField, 0, cell), value) << cell;
  EXPECT_EQ(width.Get("IsField"), VisBool(true));
  EXPECT_EQ(Chars().Get("Text"), Variant("a2 in.b"));

  // A field before it takes row 0; the first one moves to row 1 and keeps
  // showing that row's value as the row changes.
  range(0, 0).Invoke("AddCustomField", {Variant("Width*2"), I2(visFmtNumGenNoUnits)});
  ASSERT_EQ(rows(), 2);
  EXPECT_EQ(formula(0, visFieldCell), "Width*2");
  EXPECT_EQ(sheet.ResultIU(visSectionTextField, 0, visFieldUICategory), visFCatCustom);
  EXPECT_EQ(sheet.ResultIU(visSectionTextField, 0, visFieldUICode), 255);
  EXPECT_EQ(formula(1, visFieldCell), "Width");
  EXPECT_EQ(Chars().Get("Text"), Variant("4a2 in.b"));
  sheet.SetFormula(visSectionTextField, 1, visFieldCell, "Width*3", true);
  EXPECT_EQ(Chars().Get("Text"), Variant("4a6 in.b"));
  EXPECT_EQ(range(2, 3).Get("FieldFormula"), Variant("Width*3"));

  // A field put over a range with a field in it: the old row goes, the
  // new one takes its place.
  range(0, 2).Invoke("AddField", {I2(visFCatGeometry), I2(1), I2(visFmtNumGenNoUnits)});
  ASSERT_EQ(rows(), 2);
  EXPECT_EQ(formula(0, visFieldCell), "Height");
  EXPECT_EQ(formula(1, visFieldCell), "Width*3");
  EXPECT_EQ(h.Get("Text"), Variant(kMark + kMark + "b"));

  // A formula the sheet refuses leaves text and rows as they were.
  EXPECT_NE(CodeOf([&] {
              range(3, 3).Invoke("AddCustomField", {Variant("Width*("), I2(0)});
            }),
            automation::S_OK);
  EXPECT_EQ(rows(), 2);
  EXPECT_EQ(h.Get("Text"), Variant(kMark + kMark + "b"));

  // Deleting a field's text deletes its row; the rest follow.
  range(0, 1).Invoke("Delete", {});
  ASSERT_EQ(rows(), 1);
  EXPECT_EQ(formula(0, visFieldCell), "Width*3");
  EXPECT_EQ(Chars().Get("Text"), Variant("6 in.b"));
  range(0, 2).Put("Text", Variant("z"));
  EXPECT_EQ(rows(), 0);
  range(1, 1).Invoke("AddField", {I2(visFCatObject), I2(5), I2(visFmtStrNormal)});
  EXPECT_EQ(Chars().Get("Text"), Variant("zBox"));
  EXPECT_EQ(rows(), 1);
  h.Put("Text", Variant("plain"));
  EXPECT_EQ(rows(), 0);
  EXPECT_TRUE(text.Fields().empty());
}

// An instance's fields stand on rows its master gives it: adding one among
// them, or deleting one, keeps the rest on theirs.
TEST_F(TextTest, FieldsOnInheritedRowsFollowTheEditsOfAnInstance) {
  Ref<TestHost> master = MakeHost();
  master->Sheet().SetFormula(visSectionObject, visRowXFormOut, visXFormHeight, "3 in", true);
  InsertFieldWithRow(master->text, *master, 0, 0,
                     Field(visFCatGeometry, 1, visFmtNumGenNoUnits, "Height"));
  shape->SetSource(master.get());
  text.CopyFrom(master->text);
  ShapeSheet& sheet = shape->Sheet();
  ASSERT_EQ(sheet.RowCount(visSectionTextField), 1);

  ObjectRef chars = Chars();
  chars.Put("Begin", I4(1));
  chars.Invoke("AddField", {I2(visFCatGeometry), I2(0), I2(visFmtNumGenNoUnits)});
  ASSERT_EQ(sheet.RowCount(visSectionTextField), 2);
  EXPECT_EQ(Chars().Get("Text"), Variant("32"));
  chars = Chars();
  chars.Put("End", I4(1));
  chars.Invoke("Delete", {});
  EXPECT_EQ(sheet.RowCount(visSectionTextField), 1);
  EXPECT_EQ(sheet.Formula(visSectionTextField, 0, visFieldCell), "Width");
  EXPECT_EQ(Chars().Get("Text"), Variant("2"));
  EXPECT_EQ(master->Sheet().RowCount(visSectionTextField), 1);
}

TEST_F(TextTest, RunsOfWordsParagraphsFieldsAndFormats) {
  text.SetText("Hello big world\nSecond line");
  text.InsertField(16, 16, Field(visFCatCustom, 0, 0, "1+1"));
  ObjectRef chars = Chars();
  struct Case {
    std::int32_t begin, end;
    std::int16_t runType;
    std::int32_t runBegin, runEnd;
  };
  const Case cases[] = {
      {7, 7, 10, 6, 10},                           // the word "big " with its blank
      {0, 3, 10, 0, 6},     {20, 20, 11, 16, 28},  // the second paragraph
      {3, 3, 11, 0, 16},                           // the first, with its line break
      {16, 17, 20, 16, 17},                        // the field alone
      {18, 18, 20, 17, 28},                        // the text after it
      {4, 4, 1, 0, 28},                            // one character format for everything
  };
  for (const Case& c : cases) {
    chars.Put("Begin", I4(c.begin));
    chars.Put("End", I4(c.end));
    EXPECT_EQ(chars.Get("RunBegin", {I2(c.runType)}), I4(c.runBegin))
        << c.begin << " " << c.runType;
    EXPECT_EQ(chars.Get("RunEnd", {I2(c.runType)}), I4(c.runEnd)) << c.begin << " " << c.runType;
  }
  EXPECT_EQ(CodeOf([&] { chars.Get("RunBegin", {I2(99)}); }),
            Visio(VisioErrorKind::InvalidParameter));

  // A format for part of the text gets a row of its own.
  chars.Put("Begin", I4(0));
  chars.Put("End", I4(5));
  chars.Put("CharProps", {I2(visCharacterSize)}, Variant(18.0));
  EXPECT_EQ(h.Get("RowCount", {I2(visSectionCharacter)}), I2(2));
  EXPECT_EQ(h.Get("Cells", {Variant("Char.Size[2]")}).ToObject().Get("ResultStr", {I2(visPoints)}),
            Variant("18 pt"));
  EXPECT_EQ(chars.Get("CharPropsRow", {I2(0)}), I2(1));
  // The same range again changes that row; no third.
  chars.Put("CharProps", {I2(visCharacterStyle)}, Variant(1.0));
  EXPECT_EQ(h.Get("RowCount", {I2(visSectionCharacter)}), I2(2));
  struct RowCase {
    std::int32_t begin, end;
    std::int16_t bias, row;
  };
  const RowCase rows[] = {
      {0, 5, 0, 1}, {6, 9, 0, 0}, {0, 28, 0, -1}, {5, 5, 1, 1}, {5, 5, 2, 0}, {28, 28, 0, 0},
  };
  for (const RowCase& r : rows) {
    chars.Put("Begin", I4(r.begin));
    chars.Put("End", I4(r.end));
    EXPECT_EQ(chars.Get("CharPropsRow", {I2(r.bias)}), I2(r.row)) << r.begin << "-" << r.end;
  }
  EXPECT_EQ(chars.Get("RunEnd", {I2(1)}), I4(28));
  EXPECT_EQ(CodeOf([&] { chars.Get("CharPropsRow", {I2(3)}); }),
            Visio(VisioErrorKind::InvalidParameter));

  // Paragraph formats cover whole paragraphs.
  chars.Put("Begin", I4(18));
  chars.Put("End", I4(19));
  chars.Put("ParaProps", {I2(6)}, Variant(2.0));
  EXPECT_EQ(chars.Get("ParaPropsRow", {I2(0)}), I2(1));
  EXPECT_EQ(chars.Get("RunBegin", {I2(2)}), I4(16));
  chars.Put("Begin", I4(2));
  chars.Put("End", I4(2));
  EXPECT_EQ(chars.Get("ParaPropsRow", {I2(0)}), I2(0));
  EXPECT_EQ(chars.Get("TabPropsRow", {I2(0)}), I2(0));
  EXPECT_EQ(h.Get("Cells", {Variant("Para.HorzAlign[2]")}).ToObject().Get("ResultIU"),
            Variant(2.0));
}

}  // namespace
}  // namespace standin::testing
