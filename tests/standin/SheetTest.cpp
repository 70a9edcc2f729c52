// The ShapeSheet's structure as a client sees it: which sections and rows
// exist (locally or through inheritance), row counts and types, adding and
// deleting, and the identity of cell objects.
#include <gtest/gtest.h>

#include "SheetTestHost.h"
#include "standin/Cell.h"

namespace standin::testing {
namespace {

using automation::SameObject;
using Kind = SheetHost::Kind;

bool Yes(const Variant& v) {
  return v.ToInt32() != 0;
}

TEST_F(SheetTest, ObjectRowsFollowTheKindOfSheet) {
  struct Case {
    Kind kind;
    std::vector<std::int16_t> rows;  // the Object section's rows, in order
  };
  const Case cases[] = {
      {Kind::Shape, {1, 2, 3, 5, 6, 11, 12, 15, 17}},
      {Kind::Group, {1, 2, 3, 5, 6, 11, 12, 15, 17}},
      {Kind::OneD, {1, 2, 3, 4, 5, 6, 11, 12, 15, 17}},
      {Kind::Guide, {1, 2, 3, 5, 6, 7, 11, 12, 15, 17}},
      {Kind::Foreign, {1, 2, 3, 5, 6, 9, 11, 12, 15, 17}},
      {Kind::PageSheet, {5, 10, 18}},
      {Kind::MasterSheet, {5, 10, 18}},
      {Kind::Style, {2, 3, 8, 11}},
  };
  for (const Case& c : cases) {
    Ref<TestHost> host = MakeHost(c.kind);
    ObjectRef h = host;
    EXPECT_EQ(host->Sheet().ObjectRows(), c.rows) << static_cast<int>(c.kind);
    EXPECT_EQ(h.Get("RowCount", {I2(visSectionObject)}), I2(static_cast<int>(c.rows.size())));
    for (std::int16_t r = 0; r <= 20; ++r) {
      const bool fixed = std::find(c.rows.begin(), c.rows.end(), r) != c.rows.end();
      // Fixed rows count as the sheet's own.
      EXPECT_EQ(Yes(h.Get("RowExists", {I2(visSectionObject), I2(r), I2(-1)})), fixed) << r;
      EXPECT_EQ(Yes(h.Get("RowExists", {I2(visSectionObject), I2(r), I2(0)})), fixed) << r;
    }
    EXPECT_TRUE(Yes(h.Get("SectionExists", {I2(visSectionObject), I2(-1)})));
  }

  // Optional rows come and go; fixed ones stay.
  Ref<TestHost> shape = MakeHost();
  ObjectRef h = shape;
  EXPECT_EQ(h.Invoke("AddRow", {I2(visSectionObject), I2(visRowAlign), I2(0)}), I2(visRowAlign));
  EXPECT_TRUE(Yes(h.Get("RowExists", {I2(visSectionObject), I2(visRowAlign), I2(-1)})));
  h.Invoke("DeleteRow", {I2(visSectionObject), I2(visRowAlign)});
  EXPECT_FALSE(Yes(h.Get("RowExists", {I2(visSectionObject), I2(visRowAlign), I2(0)})));
  EXPECT_EQ(CodeOf([&] {
              h.Invoke("DeleteRow", {I2(visSectionObject), I2(visRowXFormOut)});
            }),
            Visio(VisioErrorKind::InvalidParameter));
  EXPECT_EQ(CodeOf([&] {
              h.Invoke("AddRow", {I2(visSectionObject), I2(13), I2(0)});
            }),
            Visio(VisioErrorKind::InvalidParameter));
}

// A master's shape and an instance of it that has nothing of its own yet.
class InheritanceTest : public SheetTest {
 protected:
  void SetUp() override {
    ShapeSheet& m = master->Sheet();
    m.SetFormula(visSectionObject, visRowXFormOut, visXFormWidth, "2 in", true);
    m.SetFormula(visSectionObject, visRowXFormOut, visXFormHeight, "1 in", true);
    for (const char* name : {"Alpha", "Beta", "Gamma"}) {
      const std::int16_t r = m.AddNamedRow(visSectionUser, name, 0);
      m.SetFormula(visSectionUser, r, visUserValue, std::to_string(r + 1), true);
    }
    m.AddRow(visSectionScratch, visRowLast, 0);
    AddGeometry(m, {{visTagMoveTo, 0, 0}, {visTagLineTo, 2, 0}});
    m.AddRow(visSectionObject, visRowAlign, 0);
  }

  ObjectRef Cell(const Ref<TestHost>& host, const char* name) {
    return ObjectRef(host).Get("Cells", {Variant(name)}).ToObject();
  }

  Ref<TestHost> master = MakeHost();
  Ref<TestHost> instance = MakeHost(Kind::Shape, master.get());
  ObjectRef i = instance;
};

TEST_F(InheritanceTest, SectionsAndRowsExistLocallyOrThroughInheritance) {
  struct Case {
    std::int16_t section;
    bool local, any;
  };
  // Asked with -1 (the sheet's own) and then 0 (also inherited).
  const Case before[] = {
      {visSectionObject, true, true},
      {visSectionUser, false, true},
      {visSectionScratch, false, true},
      {visSectionFirstComponent, false, true},
      {visSectionCharacter, false, true},
      {visSectionProp, false, false},
      {visSectionFirstComponent + 1, false, false},
  };
  for (const Case& c : before) {
    EXPECT_EQ(Yes(i.Get("SectionExists", {I2(c.section), I2(-1)})), c.local) << c.section;
    EXPECT_EQ(Yes(i.Get("SectionExists", {I2(c.section), I2(0)})), c.any) << c.section;
  }
  EXPECT_EQ(i.Get("GeometryCount"), I2(1));
  // The optional Alignment row comes with the master's shape.
  EXPECT_FALSE(Yes(i.Get("RowExists", {I2(visSectionObject), I2(visRowAlign), I2(-1)})));
  EXPECT_TRUE(Yes(i.Get("RowExists", {I2(visSectionObject), I2(visRowAlign), I2(0)})));

  // Overriding one cell makes its row and section the instance's own.
  Cell(instance, "User.Beta").Put("Formula", Variant("20"));
  EXPECT_TRUE(Yes(i.Get("SectionExists", {I2(visSectionUser), I2(-1)})));
  EXPECT_TRUE(Yes(i.Get("RowExists", {I2(visSectionUser), I2(1), I2(-1)})));
  EXPECT_FALSE(Yes(i.Get("RowExists", {I2(visSectionUser), I2(0), I2(-1)})));
  EXPECT_TRUE(Yes(i.Get("RowExists", {I2(visSectionUser), I2(0), I2(0)})));
  EXPECT_TRUE(Yes(i.Get("CellExists", {Variant("User.Beta"), I2(-1)})));
  EXPECT_FALSE(Yes(i.Get("CellExists", {Variant("User.Beta.Prompt"), I2(-1)})));
  EXPECT_TRUE(Yes(i.Get("CellExists", {Variant("User.Beta.Prompt"), I2(0)})));
  EXPECT_FALSE(Yes(i.Get("CellsSRCExists", {I2(visSectionUser), I2(0), I2(0), I2(-1)})));
  EXPECT_TRUE(Yes(i.Get("CellsSRCExists", {I2(visSectionUser), I2(0), I2(0), I2(0)})));
  EXPECT_FALSE(Yes(i.Get("CellsSRCExists", {I2(visSectionUser), I2(9), I2(0), I2(0)})));
}

TEST_F(InheritanceTest, CellsInheritUntilTheInstanceOverridesThem) {
  ObjectRef width = Cell(instance, "Width");
  EXPECT_EQ(width.Get("ResultIU"), Variant(2.0));
  EXPECT_EQ(width.Get("Formula"), Variant("2 in"));
  EXPECT_EQ(width.Get("IsInherited"), VisBool(true));
  // An inherited formula is computed with the instance's own cells.
  ObjectRef locPin = Cell(instance, "LocPinX");
  EXPECT_EQ(locPin.Get("Formula"), Variant("Width*0.5"));
  EXPECT_EQ(locPin.Get("ResultIU"), Variant(1.0));

  width.Put("Formula", Variant("3 in"));
  EXPECT_EQ(width.Get("IsInherited"), VisBool(false));
  EXPECT_EQ(width.Get("ResultIU"), Variant(3.0));
  EXPECT_EQ(locPin.Get("ResultIU"), Variant(1.5));
  EXPECT_EQ(Cell(master, "Width").Get("ResultIU"), Variant(2.0));
  EXPECT_EQ(Cell(master, "LocPinX").Get("ResultIU"), Variant(1.0));

  // Changes in the master reach cells the instance does not override.
  master->Sheet().SetFormula(visSectionUser, 0, visUserValue, "10", true);
  EXPECT_EQ(Cell(instance, "User.Alpha").Get("ResultIU"), Variant(10.0));

  // Through two steps: a style under the master.
  Ref<TestHost> style = MakeHost(Kind::Style);
  style->Sheet().SetFormula(visSectionObject, visRowLine, visLineWeight, "0.05 in", true);
  master->SetSource(style.get());
  EXPECT_EQ(Cell(instance, "LineWeight").Get("ResultStr", {I2(visPoints)}), Variant("3.6 pt"));
  EXPECT_EQ(Cell(instance, "LineWeight").Get("IsInherited"), VisBool(true));
}

// A cell names the cell its formula comes from, and the one its value
// comes from: a master shape's or a style's, or itself.
TEST_F(InheritanceTest, CellsNameTheCellsTheirFormulaAndValueComeFrom) {
  Ref<TestHost> style = MakeHost(Kind::Style);
  style->Sheet().SetFormula(visSectionObject, visRowLine, visLineWeight, "0.05 in", true);
  master->SetSource(style.get());
  master->Sheet().SetFormula(visSectionObject, visRowXFormOut, visXFormLocPinX, "Width*0.5", true);
  CellValue recorded;
  recorded.result = 1.5;
  recorded.inheritedFormula = true;
  instance->Sheet().LoadCell(visSectionObject, visRowXFormOut, visXFormHeight, recorded);
  instance->Sheet().SetFormula(visSectionObject, visRowXFormOut, visXFormPinX, "4 in", true);
  struct Case {
    const char* cell;
    Ref<TestHost> formulaFrom;  // null: the cell itself
    Ref<TestHost> valueFrom;
  };
  const Case cases[] = {
      {"Width", master, master},      // a constant: formula and value are the master's
      {"User.Beta", master, master},  // a row the master has
      {"Geometry1.X2", master, master},
      {"LocPinX", master, nullptr},  // computed here, from the instance's own Width
      {"Height", master, nullptr},   // a value the file recorded for the instance
      {"LineWeight", style, style},  // through the master, from its style
      {"PinX", nullptr, nullptr},    // the instance's own
      {"PinY", nullptr, nullptr},    // a formula no sheet holds
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cell);
    ObjectRef cell = Cell(instance, c.cell);
    const ObjectRef formulaFrom = c.formulaFrom ? Cell(c.formulaFrom, c.cell) : cell;
    const ObjectRef valueFrom = c.valueFrom ? Cell(c.valueFrom, c.cell) : cell;
    EXPECT_TRUE(SameObject(cell.Get("InheritedFormulaSource").ToObject(), formulaFrom));
    EXPECT_TRUE(SameObject(cell.Get("InheritedValueSource").ToObject(), valueFrom));
  }
}

// Sheets keep what they worked out from one read to the next; every
// change, also one made without a client call, must start them afresh.
TEST_F(InheritanceTest, ReadsFollowChangesMadeBetweenThem) {
  ObjectRef locPin = Cell(instance, "LocPinX");
  EXPECT_EQ(locPin.Get("ResultIU"), Variant(1.0));
  EXPECT_EQ(i.Get("RowCount", {I2(visSectionUser)}), I2(3));
  EXPECT_EQ(Cell(instance, "User.Beta").Get("ResultIU"), Variant(2.0));

  // A cell the kept result was computed from changes where it is inherited.
  master->Sheet().SetFormula(visSectionObject, visRowXFormOut, visXFormWidth, "6 in", true);
  EXPECT_EQ(locPin.Get("ResultIU"), Variant(3.0));

  // The instance inherits from another shape.
  Ref<TestHost> other = MakeHost();
  other->Sheet().SetFormula(visSectionObject, visRowXFormOut, visXFormWidth, "4 in", true);
  other->Sheet().SetFormula(visSectionUser, other->Sheet().AddNamedRow(visSectionUser, "Delta", 0),
                            visUserValue, "7", true);
  EXPECT_EQ(i.Get("RowCount", {I2(visSectionUser)}), I2(3));
  instance->SetSource(other.get());
  EXPECT_EQ(locPin.Get("ResultIU"), Variant(2.0));
  EXPECT_EQ(i.Get("RowCount", {I2(visSectionUser)}), I2(1));
  EXPECT_EQ(
      i.Get("CellsSRC", {I2(visSectionUser), I2(0), I2(visUserValue)}).ToObject().Get("ResultIU"),
      Variant(7.0));
  EXPECT_EQ(i.Get("GeometryCount"), I2(0));

  // A row goes from the shape inherited from.
  other->Sheet().DeleteRow(visSectionUser, 0);
  EXPECT_EQ(i.Get("RowCount", {I2(visSectionUser)}), I2(0));
}

// What a file records for an inherited cell (F="Inh" with a V): the
// formula stays the master's, the value is the instance's own, and a write
// makes the cell an ordinary local one.
TEST_F(InheritanceTest, AFilesValueForAnInheritedFormulaStands) {
  CellValue recorded;
  recorded.result = 4.25;
  recorded.unit = visMillimeters;
  recorded.inheritedFormula = true;
  instance->Sheet().LoadCell(visSectionObject, visRowXFormOut, visXFormWidth, recorded);
  ObjectRef width = Cell(instance, "Width");
  EXPECT_EQ(width.Get("Formula"), Variant("2 in"));
  EXPECT_EQ(width.Get("IsInherited"), VisBool(true));
  EXPECT_EQ(width.Get("ResultIU"), Variant(4.25));
  width.Put("Formula", Variant("3 in"));
  EXPECT_EQ(width.Get("IsInherited"), VisBool(false));
  EXPECT_EQ(width.Get("ResultIU"), Variant(3.0));
}

TEST_F(InheritanceTest, InheritedRowsDeletedInTheInstanceAreGoneThereOnly) {
  i.Invoke("DeleteRow", {I2(visSectionUser), I2(1)});  // Beta
  EXPECT_EQ(i.Get("RowCount", {I2(visSectionUser)}), I2(2));
  EXPECT_EQ(ObjectRef(master).Get("RowCount", {I2(visSectionUser)}), I2(3));
  EXPECT_EQ(Cell(instance, "User.Gamma").Get("Row"), I2(1));
  EXPECT_EQ(Cell(instance, "User.Gamma").Get("ResultIU"), Variant(3.0));
  EXPECT_FALSE(Yes(i.Get("CellExists", {Variant("User.Beta"), I2(0)})));
  std::string message;
  EXPECT_EQ(CodeOf([&] { i.Get("Cells", {Variant("User.Beta")}); }, &message),
            Visio(VisioErrorKind::UnexpectedEndOfFile));
  EXPECT_EQ(message, "\n\nUnexpected end of file.");

  // A row of the instance's own goes after the inherited ones.
  EXPECT_EQ(i.Invoke("AddRow", {I2(visSectionUser), I2(visRowLast), I2(0)}), I2(2));
  EXPECT_EQ(Cell(instance, "User.Row_3").Get("Row"), I2(2));
  master->Sheet().SetFormula(visSectionUser, 2, visUserValue, "30", true);
  EXPECT_EQ(Cell(instance, "User.Gamma").Get("ResultIU"), Variant(30.0));

  // Inserting among inherited rows makes the section the instance's own:
  // its cells are copied and the master no longer reaches them.
  i.Invoke("AddRow", {I2(visSectionUser), I2(0), I2(0)});
  EXPECT_EQ(i.Get("RowCount", {I2(visSectionUser)}), I2(4));
  ObjectRef gamma = Cell(instance, "User.Gamma");
  EXPECT_EQ(gamma.Get("Row"), I2(2));
  EXPECT_EQ(gamma.Get("IsInherited"), VisBool(false));
  master->Sheet().SetFormula(visSectionUser, 2, visUserValue, "300", true);
  EXPECT_EQ(gamma.Get("ResultIU"), Variant(30.0));

  // A deleted inherited section is gone from the instance; added again it
  // starts empty.
  i.Invoke("DeleteSection", {I2(visSectionScratch)});
  EXPECT_FALSE(Yes(i.Get("SectionExists", {I2(visSectionScratch), I2(0)})));
  EXPECT_TRUE(Yes(ObjectRef(master).Get("SectionExists", {I2(visSectionScratch), I2(0)})));
  EXPECT_EQ(i.Invoke("AddSection", {I2(visSectionScratch)}), I2(visSectionScratch));
  EXPECT_EQ(i.Get("RowCount", {I2(visSectionScratch)}), I2(0));
}

TEST_F(SheetTest, RowTypesDecideARowsCells) {
  Ref<TestHost> host = MakeHost();
  ObjectRef h = host;
  const std::int16_t s = AddGeometry(host->Sheet(), {{visTagMoveTo, 0, 0},
                                                     {visTagLineTo, 1, 0},
                                                     {visTagArcTo, 1, 1},
                                                     {visTagEllipticalArcTo, 0, 1},
                                                     {visTagSplineBeg, 0, 2},
                                                     {visTagSplineSpan, 1, 2}});
  const std::int16_t tags[] = {visTagComponent,       visTagMoveTo,    visTagLineTo,    visTagArcTo,
                               visTagEllipticalArcTo, visTagSplineBeg, visTagSplineSpan};
  // The component row: NoFill, NoLine, NoShow, NoSnap and NoQuickDrag.
  const int cells[] = {5, 2, 2, 3, 6, 6, 3};
  EXPECT_EQ(h.Get("RowCount", {I2(s)}), I2(7));
  for (std::int16_t r = 0; r < 7; ++r) {
    EXPECT_EQ(h.Get("RowType", {I2(s), I2(r)}), I2(tags[r])) << r;
    EXPECT_EQ(h.Get("RowsCellCount", {I2(s), I2(r)}), I2(cells[r])) << r;
  }
  // A LineTo made an ArcTo gains its bow.
  EXPECT_FALSE(Yes(h.Get("CellsSRCExists", {I2(s), I2(2), I2(visBow), I2(0)})));
  h.Put("RowType", {I2(s), I2(2)}, I2(visTagArcTo));
  EXPECT_TRUE(Yes(h.Get("CellsSRCExists", {I2(s), I2(2), I2(visBow), I2(0)})));
  for (std::int16_t bad : {std::int16_t{0}, visTagTab2, visTagComponent}) {
    EXPECT_EQ(CodeOf([&] {
                h.Put("RowType", {I2(s), I2(2)}, I2(bad));
              }),
              Visio(VisioErrorKind::InvalidParameter))
        << bad;
  }
  std::string message;
  EXPECT_EQ(CodeOf(
                [&] {
                  h.Get("RowType", {I2(s), I2(7)});
                },
                &message),
            Visio(VisioErrorKind::UnexpectedEndOfFile));
  EXPECT_EQ(message, "\n\nUnexpected end of file.");
  EXPECT_EQ(CodeOf([&] {
              h.Get("CellsSRC", {I2(s), I2(1), I2(visBow)});
            }),
            Visio(VisioErrorKind::UnexpectedEndOfFile));

  // Tab rows: three stops of three cells after the count, or none.
  h.Invoke("AddRow", {I2(visSectionTab), I2(visRowLast), I2(visTagTab2)});
  EXPECT_EQ(h.Get("RowType", {I2(visSectionTab), I2(1)}), I2(visTagTab2));
  EXPECT_EQ(h.Get("RowsCellCount", {I2(visSectionTab), I2(1)}), I2(10));
  EXPECT_EQ(h.Get("RowType", {I2(visSectionTab), I2(0)}), I2(visTagTab0));
  EXPECT_EQ(h.Get("RowsCellCount", {I2(visSectionTab), I2(0)}), I2(0));
  // Rows of untyped sections; sections that do not exist.
  h.Invoke("AddRow", {I2(visSectionScratch), I2(visRowLast), I2(0)});
  EXPECT_EQ(h.Get("RowType", {I2(visSectionScratch), I2(0)}), I2(visTagDefault));
  EXPECT_EQ(h.Get("RowCount", {I2(visSectionProp)}), I2(0));
  EXPECT_EQ(h.Get("RowCount", {I2(visSectionFirstComponent + 1)}), I2(0));
}

TEST_F(SheetTest, AddingAndDeletingFollowVisiosRules) {
  Ref<TestHost> host = MakeHost();
  ObjectRef h = host;
  // Rows of named sections are named as they come; a missing section is
  // made by its first row.
  EXPECT_EQ(h.Invoke("AddRows", {I2(visSectionUser), I2(visRowLast), I2(0), I2(3)}), I2(0));
  EXPECT_EQ(host->Sheet().RowName(visSectionUser, 2), "Row_3");
  EXPECT_EQ(h.Invoke("AddNamedRow", {I2(visSectionUser), Variant("Cost"), I2(0)}), I2(3));
  EXPECT_EQ(h.Invoke("AddRow", {I2(visSectionUser), I2(1), I2(0)}), I2(1));
  EXPECT_EQ(host->Sheet().RowName(visSectionUser, 1), "Row_5");
  EXPECT_EQ(h.Get("CellsRowIndex", {Variant("User.Cost")}), I2(4));
  // Connection points are named only when asked, and then of a named type.
  h.Invoke("AddRow", {I2(visSectionConnectionPts), I2(visRowLast), I2(0)});
  h.Invoke("AddNamedRow", {I2(visSectionConnectionPts), Variant("Inlet"), I2(0)});
  EXPECT_EQ(host->Sheet().RowName(visSectionConnectionPts, 0), "");
  EXPECT_EQ(h.Get("RowType", {I2(visSectionConnectionPts), I2(0)}), I2(visTagCnnctPt));
  EXPECT_EQ(h.Get("RowType", {I2(visSectionConnectionPts), I2(1)}), I2(visTagCnnctNamed));

  struct Refusal {
    const char* what;
    std::function<void()> call;
    VisioErrorKind error;
  };
  const Refusal refusals[] = {
      {"name taken",
       [&] {
         h.Invoke("AddNamedRow", {I2(visSectionUser), Variant("cost"), I2(0)});
       },
       VisioErrorKind::InvalidParameter},
      {"not a name",
       [&] {
         h.Invoke("AddNamedRow", {I2(visSectionUser), Variant("9 lives"), I2(0)});
       },
       VisioErrorKind::InvalidParameter},
      {"unnamed section",
       [&] {
         h.Invoke("AddNamedRow", {I2(visSectionScratch), Variant("A"), I2(0)});
       },
       VisioErrorKind::InvalidParameter},
      {"row past the end",
       [&] {
         h.Invoke("AddRow", {I2(visSectionUser), I2(9), I2(0)});
       },
       VisioErrorKind::InvalidParameter},
      {"no such geometry",
       [&] {
         h.Invoke("AddRow", {I2(visSectionFirstComponent), I2(0), I2(0)});
       },
       VisioErrorKind::UnexpectedEndOfFile},
      {"not a section", [&] { h.Invoke("AddSection", {I2(250)}); },
       VisioErrorKind::InvalidParameter},
      {"object section", [&] { h.Invoke("DeleteSection", {I2(visSectionObject)}); },
       VisioErrorKind::InvalidParameter},
      {"text sections stay", [&] { h.Invoke("DeleteSection", {I2(visSectionCharacter)}); },
       VisioErrorKind::InvalidParameter},
      {"no such row",
       [&] {
         h.Invoke("DeleteRow", {I2(visSectionUser), I2(9)});
       },
       VisioErrorKind::UnexpectedEndOfFile},
      {"last character row",
       [&] {
         h.Invoke("DeleteRow", {I2(visSectionCharacter), I2(0)});
       },
       VisioErrorKind::InvalidParameter},
  };
  for (const Refusal& r : refusals) EXPECT_EQ(CodeOf(r.call), Visio(r.error)) << r.what;

  // Geometry: sections go after the others; the component row stays with
  // its section.
  const std::int16_t g1 = AddGeometry(host->Sheet(), {{visTagMoveTo, 0, 0}});
  EXPECT_EQ(g1, visSectionFirstComponent);
  EXPECT_EQ(h.Invoke("AddSection", {I2(visSectionFirstComponent)}),
            I2(visSectionFirstComponent + 1));
  EXPECT_EQ(h.Get("GeometryCount"), I2(2));
  EXPECT_EQ(CodeOf([&] {
              h.Invoke("DeleteRow", {I2(g1), I2(visRowComponent)});
            }),
            Visio(VisioErrorKind::InvalidParameter));
  h.Invoke("DeleteSection", {I2(g1)});
  EXPECT_EQ(h.Get("GeometryCount"), I2(1));
  EXPECT_EQ(h.Get("RowCount", {I2(visSectionFirstComponent)}), I2(0));
}

TEST_F(SheetTest, TheSameCellIsTheSameObjectAndFollowsItsRow) {
  Ref<TestHost> host = MakeHost();
  ObjectRef h = host;
  ObjectRef pinX = h.Get("CellsSRC", {I2(1), I2(1), I2(0)}).ToObject();
  EXPECT_TRUE(SameObject(pinX, h.Get("CellsSRC", {I2(1), I2(1), I2(0)}).ToObject()));
  EXPECT_TRUE(SameObject(pinX, h.Get("Cells", {Variant("PinX")}).ToObject()));
  EXPECT_FALSE(SameObject(pinX, h.Get("CellsSRC", {I2(1), I2(1), I2(1)}).ToObject()));

  // Three geometry sections; the middle one goes.
  for (double k : {0.0, 1.0, 2.0}) {
    AddGeometry(host->Sheet(), {{visTagMoveTo, 0, 0}, {visTagLineTo, k, 1}});
  }
  ObjectRef first = h.Get("CellsSRC", {I2(10), I2(0), I2(0)}).ToObject();
  ObjectRef second = h.Get("CellsSRC", {I2(11), I2(0), I2(0)}).ToObject();
  ObjectRef third = h.Get("CellsSRC", {I2(12), I2(0), I2(0)}).ToObject();
  ObjectRef thirdX = h.Get("CellsSRC", {I2(12), I2(2), I2(0)}).ToObject();
  h.Invoke("DeleteSection", {I2(11)});
  EXPECT_TRUE(SameObject(h.Get("CellsSRC", {I2(10), I2(0), I2(0)}).ToObject(), first));
  ObjectRef now11 = h.Get("CellsSRC", {I2(11), I2(0), I2(0)}).ToObject();
  EXPECT_FALSE(SameObject(now11, second));
  EXPECT_TRUE(SameObject(now11, third));
  EXPECT_EQ(third.Get("Section"), I2(11));
  EXPECT_EQ(thirdX.Get("Name"), Variant("Geometry2.X2"));
  EXPECT_EQ(thirdX.Get("ResultIU"), Variant(2.0));
  // The cell of the deleted section is deleted itself.
  EXPECT_EQ(second.Get("Stat"), I2(kStatDeleted));
  std::string message;
  EXPECT_EQ(CodeOf([&] { second.Get("Name"); }, &message), Visio(VisioErrorKind::ObjectDeleted));
  EXPECT_EQ(message, "\n\nObject has been deleted.");

  // Rows move the same way within a section.
  h.Invoke("DeleteRow", {I2(11), I2(1)});
  EXPECT_EQ(thirdX.Get("Row"), I2(1));
  EXPECT_EQ(thirdX.Get("Name"), Variant("Geometry2.X1"));
}

TEST_F(InheritanceTest, AnInstanceDeletesAnInheritedGeometrySection) {
  AddGeometry(master->Sheet(), {{visTagMoveTo, 5, 5}});
  AddGeometry(master->Sheet(), {{visTagMoveTo, 7, 7}});
  ObjectRef second = i.Get("CellsSRC", {I2(11), I2(1), I2(0)}).ToObject();
  ObjectRef third = i.Get("CellsSRC", {I2(12), I2(1), I2(0)}).ToObject();
  EXPECT_EQ(third.Get("ResultIU"), Variant(7.0));
  i.Invoke("DeleteSection", {I2(11)});
  EXPECT_EQ(i.Get("GeometryCount"), I2(2));
  EXPECT_EQ(ObjectRef(master).Get("GeometryCount"), I2(3));
  EXPECT_EQ(second.Get("Stat"), I2(kStatDeleted));
  EXPECT_TRUE(SameObject(i.Get("CellsSRC", {I2(11), I2(1), I2(0)}).ToObject(), third));
  EXPECT_EQ(third.Get("IsInherited"), VisBool(true));
  // A section of the instance's own comes after the inherited ones.
  EXPECT_EQ(i.Invoke("AddSection", {I2(visSectionFirstComponent)}), I2(12));
  AddGeometry(master->Sheet(), {{visTagMoveTo, 9, 9}});
  EXPECT_EQ(i.Get("GeometryCount"), I2(4));
  EXPECT_EQ(i.Get("RowCount", {I2(12)}), I2(2));  // the master's new fourth
  EXPECT_EQ(i.Get("RowCount", {I2(13)}), I2(0));  // the instance's own
}

}  // namespace
}  // namespace standin::testing
