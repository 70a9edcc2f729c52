// Cells as a client reads and writes them: formulas and their results,
// GUARD, results in units, errors, row names, and cells of deleted shapes.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "SheetTestHost.h"

namespace standin::testing {
namespace {

using Kind = SheetHost::Kind;

class CellTest : public SheetTest {
 protected:
  void SetUp() override {
    ShapeSheet& s = shape->Sheet();
    s.SetFormula(visSectionObject, visRowXFormOut, visXFormWidth, "2 in", true);
    s.SetFormula(visSectionObject, visRowXFormOut, visXFormHeight, "1 in", true);
    s.AddNamedRow(visSectionUser, "Cost", 0);
    s.SetFormula(visSectionUser, 0, visUserValue, "4", true);
    s.AddRow(visSectionProp, visRowLast, 0);
    s.SetFormula(visSectionProp, 0, visCustPropsLabel, "\"Cost\"", true);
  }

  ObjectRef Cell(const char* name) { return h.Get("Cells", {Variant(name)}).ToObject(); }

  Ref<TestHost> shape = MakeHost();
  ObjectRef h = shape;
};

TEST_F(CellTest, FormulasAreConstantsOrComputedFromOtherCells) {
  struct Case {
    const char* cell;
    const char* formula;
    bool constant;
    double iu;
    std::int16_t units;
  };
  const Case cases[] = {
      {"PinX", "3 in", true, 3, visInches},
      {"PinX", "=50.8 mm", true, 2, visMillimeters},
      {"PinX", "5", true, 5, visInches},  // a length without a unit is in inches
      {"PinX", "Width*0.5", false, 1, visInches},
      {"PinX", "Width+Height/2", false, 2.5, visInches},
      {"PinX", "(Width-1 in)*3", false, 3, visInches},
      {"PinX", "MAX(Width,Height*3)", false, 3, visInches},
      {"PinX", "IF(Width>Height,1 in,2 in)", false, 1, visInches},
      {"PinX", "GUARD(Width+1)", false, 3, visInches},
      {"PinX", "User.Cost*2", false, 8, visInches},
      {"Angle", "45 deg", true, std::numbers::pi / 4, visDegrees},
      {"Angle", "90", true, std::numbers::pi / 2, visDegrees},
      {"FlipX", "TRUE", true, 1, visNumber},
      {"User.Cost", "2^3+1", false, 9, visNumber},
      {"User.Cost", "50%", false, 0.5, visNumber},
      {"User.Cost", "", true, 0, visNumber},
  };
  for (const Case& c : cases) {
    ObjectRef cell = Cell(c.cell);
    cell.Put("FormulaForce", Variant(c.formula));
    std::string kept = c.formula;
    if (!kept.empty() && kept[0] == '=') kept.erase(0, 1);
    EXPECT_EQ(cell.Get("Formula"), Variant(kept)) << c.formula;
    EXPECT_EQ(cell.Get("IsConstant"), VisBool(c.constant)) << c.formula;
    EXPECT_NEAR(cell.Get("ResultIU").ToDouble(), c.iu, 1e-12) << c.formula;
    EXPECT_EQ(cell.Get("Units"), I2(c.units)) << c.formula;
    EXPECT_EQ(cell.Get("Error"), I2(0)) << c.formula;
  }
  // A formula follows the cells it reads.
  ObjectRef pinX = Cell("PinX");
  pinX.Put("Formula", Variant("Width*0.5"));
  Cell("Width").Put("ResultIU", Variant(6.0));
  EXPECT_EQ(pinX.Get("ResultIU"), Variant(3.0));
}

TEST_F(CellTest, FormulasVisioCannotTakeOrComputeAreErrors) {
  ObjectRef pinX = Cell("PinX");
  pinX.Put("Formula", Variant("2 in"));
  // Refused before they are written.
  for (const char* bad : {"Foo*2", "Width+", "(1", "\"open", "Geometry9.X1", "1 2"}) {
    std::string message;
    EXPECT_EQ(CodeOf([&] { pinX.Put("Formula", Variant(bad)); }, &message),
              Visio(VisioErrorKind::BadFormula))
        << bad;
    EXPECT_EQ(message, "\n\n#NAME?") << bad;
  }
  EXPECT_EQ(pinX.Get("Formula"), Variant("2 in"));
  // Written, but failing when computed.
  ObjectRef cost = Cell("User.Cost");
  cost.Put("Formula", Variant("1/0"));
  EXPECT_EQ(cost.Get("Error"), I2(visErrorDivideByZero));
  EXPECT_EQ(cost.Get("ResultStr", {I2(0)}), Variant("#DIV/0!"));
  ObjectRef prompt = Cell("User.Cost.Prompt");
  EXPECT_EQ(CodeOf([&] { prompt.Put("Formula", Variant("Scratch.X1")); }),
            Visio(VisioErrorKind::BadFormula));  // no such row yet
  EXPECT_EQ(prompt.Get("Formula"), Variant("\"\""));
  // A cell that refers to a row which then goes.
  shape->Sheet().AddRow(visSectionScratch, visRowLast, 0);
  shape->Sheet().SetFormula(visSectionScratch, 0, 0, "3 in", true);
  pinX.Put("Formula", Variant("Scratch.X1*2"));
  EXPECT_EQ(pinX.Get("ResultIU"), Variant(6.0));
  h.Invoke("DeleteSection", {I2(visSectionScratch)});
  EXPECT_EQ(pinX.Get("Error"), I2(visErrorReference));
  EXPECT_EQ(pinX.Get("ResultStr", {I2(visInches)}), Variant("#REF!"));
  // Formulas that reach beyond the sheet keep the result they had.
  pinX.Put("Formula", Variant("4 in"));
  pinX.Put("Formula", Variant("Sheet.5!Width*2"));
  EXPECT_EQ(pinX.Get("ResultIU"), Variant(4.0));
  EXPECT_EQ(pinX.Get("IsConstant"), VisBool(false));
  shape->Sheet().SetResult(visSectionObject, visRowXFormOut, visXFormPinX, 7);
  EXPECT_EQ(pinX.Get("ResultIU"), Variant(7.0));
  // A circle of formulas stops.
  pinX.Put("Formula", Variant("PinY"));
  EXPECT_NO_THROW(Cell("PinY").Put("Formula", Variant("PinX")));
  EXPECT_NO_THROW(pinX.Get("ResultIU"));
}

TEST_F(CellTest, IfGivesTheBranchItChoosesWhateverTheOtherHolds) {
  ShapeSheet& sheet = shape->Sheet();
  sheet.SetFormula(visSectionObject, visRowXFormOut, visXFormPinY, "PinX*2", true);
  struct Case {
    const char* formula;
    double iu;
    std::int16_t error;
  };
  const Case cases[] = {
      {"IF(TRUE,1 in,1/0)", 1, 0},
      {"IF(FALSE,1/0,2 in)", 2, 0},
      {"IF(Width>Height,3 in,Sheet.5!Width)", 3, 0},  // beyond the sheet, not taken
      {"IF(Width<Height,PinY,4 in)", 4, 0},           // circular, not taken
      {"IF(Width>Height,5 in,IF(PinY>0,PinY,PinY))", 5, 0},
      {"IF(FALSE,1 in)", 0, 0},
      {"IF(1/0,1 in,2 in)", 0, visErrorDivideByZero},
      {"IF(TRUE,1/0,2 in)", 0, visErrorDivideByZero},
  };
  ObjectRef pinX = Cell("PinX");
  for (const Case& c : cases) {
    pinX.Put("FormulaForce", Variant(c.formula));
    EXPECT_EQ(pinX.Get("Error"), I2(c.error)) << c.formula;
    if (c.error == 0) {
      EXPECT_NEAR(pinX.Get("ResultIU").ToDouble(), c.iu, 1e-12) << c.formula;
    }
  }
  // PinY reads PinX, which is not circular where it takes the other branch.
  pinX.Put("FormulaForce", Variant("IF(Width<Height,PinY,1.5 in)"));
  EXPECT_NEAR(Cell("PinY").Get("ResultIU").ToDouble(), 3, 1e-12);
  // A file's formula that does not parse in a branch not taken keeps the
  // result the file gave.
  CellValue loaded;
  loaded.formula = "IF(TRUE,1 in,(2 in)";
  loaded.result = 7;
  loaded.unit = visInches;
  sheet.LoadCell(visSectionObject, visRowXFormOut, visXFormPinX, loaded);
  EXPECT_EQ(pinX.Get("ResultIU"), Variant(7.0));
}

TEST_F(CellTest, GuardedCellsTakeOnlyForcedWrites) {
  ObjectRef width = Cell("Width");
  width.Put("FormulaU", Variant("GUARD(3 in)"));
  EXPECT_EQ(width.Get("ResultIU"), Variant(3.0));
  const std::function<void()> plainWrites[] = {
      [&] { width.Put("Formula", Variant("4 in")); },
      [&] { width.Put("FormulaU", Variant("4 in")); },
      [&] { width.Put("ResultIU", Variant(4.0)); },
      [&] { width.Put("Result", {I2(visInches)}, Variant(4.0)); },
      [&] { width.Put("ResultFromInt", {I2(visInches)}, Variant(4)); },
  };
  for (const auto& write : plainWrites) {
    std::string message;
    EXPECT_EQ(CodeOf(write, &message), Visio(VisioErrorKind::ProtectedCell));
    EXPECT_EQ(message, "\n\nCell is guarded.");
    EXPECT_EQ(width.Get("Formula"), Variant("GUARD(3 in)"));
  }
  width.Put("ResultIUForce", Variant(5.0));
  EXPECT_EQ(width.Get("Formula"), Variant("5 in"));
  width.Put("FormulaForce", Variant("GUARD(6 in)"));
  width.Put("ResultForce", {I2(visMillimeters)}, Variant(25.4));
  EXPECT_EQ(width.Get("Formula"), Variant("25.4 mm"));
  width.Put("FormulaForceU", Variant("GUARD(7 in)"));
  width.Put("ResultFromIntForce", {I2(visFeet)}, Variant(1));
  EXPECT_EQ(width.Get("Formula"), Variant("1 ft"));
  EXPECT_EQ(width.Get("ResultIU"), Variant(12.0));
}

TEST_F(CellTest, ResultsReadAndWriteInUnits) {
  ObjectRef pinX = Cell("PinX");
  pinX.Put("Formula", Variant("50.8 mm"));
  EXPECT_EQ(pinX.Get("Units"), I2(visMillimeters));
  EXPECT_EQ(pinX.Get("ResultStr", {I2(visNoCast)}), Variant("50.8 mm"));
  EXPECT_EQ(pinX.Get("ResultStr", {Variant("")}), Variant("50.8 mm"));
  EXPECT_EQ(pinX.Get("ResultStr", {I2(visInches)}), Variant("2 in."));
  EXPECT_EQ(pinX.Get("ResultStr", {Variant("pt")}), Variant("144 pt"));
  EXPECT_NEAR(pinX.Get("Result", {I2(visInches)}).ToDouble(), 2, 1e-12);
  EXPECT_NEAR(pinX.Get("Result", {I2(visNoCast)}).ToDouble(), 50.8, 1e-12);
  EXPECT_EQ(pinX.Get("ResultInt", {I2(visMillimeters)}), I4(51));
  EXPECT_EQ(pinX.Get("ResultInt", {I2(visMillimeters), I2(visTruncate)}), I4(50));
  EXPECT_EQ(pinX.Get("ResultInt", {I2(visMillimeters), I2(visRound)}), I4(51));
  EXPECT_EQ(CodeOf([&] { pinX.Get("ResultStr", {I2(visDegrees)}); }),
            Visio(VisioErrorKind::InvalidParameter));
  // Writes keep the cell's unit unless they name one.
  pinX.Put("ResultIU", Variant(1.0));
  EXPECT_EQ(pinX.Get("Formula"), Variant("25.4 mm"));
  pinX.Put("Result", {I2(visNoCast)}, Variant(10.0));
  EXPECT_EQ(pinX.Get("Formula"), Variant("10 mm"));
  pinX.Put("Result", {I2(visPoints)}, Variant(72.0));
  EXPECT_EQ(pinX.Get("Formula"), Variant("72 pt"));
  EXPECT_EQ(pinX.Get("ResultIU"), Variant(1.0));
  // Truth values and strings.
  ObjectRef flipX = Cell("FlipX");
  EXPECT_EQ(flipX.Get("ResultStr", {I2(visNoCast)}), Variant("FALSE"));
  EXPECT_EQ(flipX.Get("ResultStr", {I2(visNumber)}), Variant("0"));
  ObjectRef label = Cell("Prop.Row_1.Label");
  EXPECT_EQ(label.Get("ResultStr", {I2(0)}), Variant("Cost"));
  EXPECT_EQ(label.Get("ResultStr", {I2(visInches)}), Variant("Cost"));
  EXPECT_EQ(label.Get("Result", {I2(visInches)}), Variant(0.0));
  EXPECT_EQ(label.Get("Units"), I2(visNoCast));
  EXPECT_EQ(label.Get("IsConstant"), VisBool(true));
}

// What the tree reads: every unit of Visio's list on cells of each kind
// answers with a value of its type, or with Visio's error for a unit the
// value has no figure in.
TEST_F(CellTest, NonFiniteResultsAreRefusedAndLeaveTheCell) {
  ObjectRef width = Cell("Width");
  const std::vector<std::pair<const char*, std::function<void(const Variant&)>>> puts = {
      {"ResultIU", [&](const Variant& v) { width.Put("ResultIU", v); }},
      {"ResultIUForce", [&](const Variant& v) { width.Put("ResultIUForce", v); }},
      {"Result", [&](const Variant& v) { width.Put("Result", {Variant("in")}, v); }},
      {"ResultForce", [&](const Variant& v) { width.Put("ResultForce", {Variant("in")}, v); }},
  };
  for (const double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL}) {
    for (const auto& [member, put] : puts) {
      automation::HResult code = automation::S_OK;
      try {
        put(Variant(bad));
      } catch (const automation::AutomationError& e) {
        code = e.code();
      }
      EXPECT_EQ(code, automation::MakeHResult(0x86DB08A7)) << member << " = " << bad;
    }
  }
  EXPECT_EQ(width.Get("Formula"), Variant("2 in"));
  EXPECT_EQ(width.Get("ResultIU"), Variant(2.0));
}

TEST_F(CellTest, EveryUnitCodeAnswersOrFailsAsVisio) {
  const std::int16_t units[] = {32, 40, 42, 43, 44, 45, 46, 47, 48, 50,  51, 53,
                                54, 63, 64, 65, 66, 67, 68, 69, 70, 71,  72, 73,
                                74, 75, 76, 80, 81, 82, 83, 84, 85, 111, 252};
  struct Case {
    const char* cell;
    const char* formula;
    int refused;  // how many of the units the value has no figure in
  };
  const Case cases[] = {
      {"PinX", "2 in", 14},     // not dates, durations, angles, money
      {"Angle", "30 deg", 26},  // only angles and the general codes
      {"User.Cost", "1.5", 0},  // a plain number has a figure in any unit
      {"FlipX", "TRUE", 0},    {"User.Cost.Prompt", "\"x\"", 0}, {"User.Cost", "2 ed", 26},
  };
  for (const Case& c : cases) {
    ObjectRef cell = Cell(c.cell);
    cell.Put("Formula", Variant(c.formula));
    int refused = 0;
    for (std::int16_t unit : units) {
      const std::initializer_list<Variant> arg = {Variant(unit)};
      const HResult str =
          CodeOf([&] { EXPECT_EQ(cell.Get("ResultStr", arg).type(), VarType::Bstr); });
      const HResult num = CodeOf([&] { EXPECT_EQ(cell.Get("Result", arg).type(), VarType::R8); });
      const HResult whole =
          CodeOf([&] { EXPECT_EQ(cell.Get("ResultInt", arg).type(), VarType::I4); });
      if (str != automation::S_OK) {
        ++refused;
        EXPECT_EQ(str, Visio(VisioErrorKind::InvalidParameter)) << c.formula << " " << unit;
      }
      if (cell.Get("Formula").ToString() != "\"x\"") {
        EXPECT_EQ(num, str) << c.formula << " " << unit;
        EXPECT_EQ(whole, str) << c.formula << " " << unit;
      }
    }
    EXPECT_EQ(refused, c.refused) << c.formula;
  }
}

TEST_F(CellTest, RowNamesReadAndWrite) {
  ObjectRef cost = Cell("User.Cost.Prompt");
  EXPECT_EQ(cost.Get("RowName"), Variant("Cost"));
  cost.Put("RowName", Variant("Price"));
  EXPECT_EQ(cost.Get("Name"), Variant("User.Price.Prompt"));
  EXPECT_EQ(Cell("User.Price").Get("ResultIU"), Variant(4.0));
  shape->Sheet().AddNamedRow(visSectionUser, "Taken", 0);
  for (const char* bad : {"taken", "", "9lives", "a b", "a.b"}) {
    EXPECT_EQ(CodeOf([&] { cost.Put("RowNameU", Variant(bad)); }),
              Visio(VisioErrorKind::InvalidParameter))
        << bad;
  }
  // Rows of sections without names.
  EXPECT_EQ(Cell("PinX").Get("RowName"), Variant(""));
  EXPECT_EQ(CodeOf([&] { Cell("PinX").Put("RowName", Variant("Pin")); }),
            Visio(VisioErrorKind::InappropriateTarget));
}

TEST_F(CellTest, AReadOnlyDocumentRefusesChangesButAnswersReads) {
  shape->document = MakeRef<TestDocument>(session_);
  ObjectRef doc = shape->document;
  ObjectRef width = Cell("Width");
  ObjectRef chars = h.Get("Characters").ToObject();
  ObjectRef link = AddHyperlink(*shape);
  doc.Put("ReadOnly", VisBool(true));
  const std::function<void()> changes[] = {
      [&] { width.Put("Formula", Variant("1 in")); },
      [&] { width.Put("FormulaForce", Variant("1 in")); },
      [&] { width.Put("ResultIU", Variant(1.0)); },
      [&] { Cell("User.Cost").Put("RowName", Variant("Price")); },
      [&] {
        h.Invoke("AddRow", {I2(visSectionScratch), I2(visRowLast), I2(0)});
      },
      [&] { h.Invoke("DeleteSection", {I2(visSectionUser)}); },
      [&] { chars.Put("Text", Variant("x")); },
      [&] { link.Put("Address", Variant("x")); },
  };
  for (const auto& change : changes) {
    std::string message;
    EXPECT_EQ(CodeOf(change, &message), Visio(VisioErrorKind::ReadOnlyDocument));
    EXPECT_EQ(message, "\n\nDocument is read-only.");
  }
  EXPECT_EQ(width.Get("Formula"), Variant("2 in"));
  EXPECT_TRUE(SameObject(width.Get("Document").ToObject(), doc));
  EXPECT_EQ(h.Get("RowCount", {I2(visSectionUser)}), I2(1));
  // The model's own code still writes (loading a read-only file).
  shape->Sheet().SetFormula(visSectionObject, visRowXFormOut, visXFormWidth, "5 in", true);
  EXPECT_EQ(width.Get("ResultIU"), Variant(5.0));
  doc.Put("ReadOnly", VisBool(false));
  width.Put("Formula", Variant("1 in"));
  EXPECT_EQ(width.Get("ResultIU"), Variant(1.0));
}

TEST_F(SheetTest, ACellBelongsToItsShapeOrItsStyle) {
  Ref<TestHost> shape = MakeHost();
  Ref<TestHost> style = MakeHost(Kind::Style);
  ObjectRef shapeCell = ObjectRef(shape).Get("Cells", {Variant("Width")}).ToObject();
  ObjectRef styleCell = ObjectRef(style).Get("Cells", {Variant("LineWeight")}).ToObject();
  EXPECT_TRUE(SameObject(shapeCell.Get("Shape").ToObject(), ObjectRef(shape)));
  EXPECT_FALSE(shapeCell.Get("Style").ToObject());
  EXPECT_TRUE(SameObject(styleCell.Get("Style").ToObject(), ObjectRef(style)));
  EXPECT_FALSE(styleCell.Get("Shape").ToObject());
  EXPECT_EQ(styleCell.Get("ContainingPageID"), I4(-1));
  EXPECT_EQ(shapeCell.Get("ObjectType"), I2(4));
  EXPECT_EQ(shapeCell.Get("Stat"), I2(kStatNormal));
  EXPECT_FALSE(shapeCell.Get("Document").ToObject());
  EXPECT_EQ(shapeCell.Get("PersistsEvents"), VisBool(false));
  EXPECT_EQ(shapeCell.Get("EventList").ToObject().Get("Count"), I2(0));

  // A deleted shape's cells answer Stat and raise for everything else.
  shape->MarkDeleted();
  EXPECT_EQ(shapeCell.Get("Stat"), I2(kStatDeleted));
  for (const char* member : {"Name", "Formula", "ResultIU", "Shape", "Section", "Units"}) {
    std::string message;
    EXPECT_EQ(CodeOf([&] { shapeCell.Get(member); }, &message),
              Visio(VisioErrorKind::ObjectDeleted))
        << member;
    EXPECT_EQ(message, "\n\nObject has been deleted.");
  }
  EXPECT_EQ(CodeOf([&] { shapeCell.Put("Formula", Variant("1 in")); }),
            Visio(VisioErrorKind::ObjectDeleted));
}

}  // namespace
}  // namespace standin::testing
