// The formula evaluator on its own, over a small sheet of named cells:
// what formulas give, the errors they meet, references within a sheet and
// to another, and the limits that keep a hostile formula bounded.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numbers>
#include <string>

#include "automation/Text.h"
#include "standin/Formula.h"
#include "standin/VisioErrors.h"

namespace standin {
namespace {

// Cells by name, each a formula computed through the evaluator as a real
// sheet computes its cells. "Bad" is a name no sheet has.
class NamedCells final : public FormulaSheet {
 public:
  void Set(const std::string& name, std::string formula) {
    const std::string key = automation::AsciiLowered(name);
    auto it = names_.find(key);
    if (it == names_.end()) {
      const auto column = static_cast<std::int16_t>(formulas_.size());
      it = names_.emplace(key, CellAddress{visSectionUser, 0, column}).first;
      formulas_.emplace_back();
    }
    formulas_[static_cast<std::size_t>(it->second.column)] = std::move(formula);
  }
  void Link(const std::string& name, const NamedCells& other) { others_[name] = &other; }

  std::optional<CellAddress> FindCell(std::string_view name) const override {
    if (automation::NamesEqual(name, "Bad")) ThrowVisio(VisioErrorKind::BadCellName);
    auto it = names_.find(automation::AsciiLowered(name));
    if (it == names_.end()) return std::nullopt;
    return it->second;
  }
  CellValue ComputeCell(CellAddress at, FormulaEvaluator& ev) const override {
    ++computed;
    const std::string& f = formulas_.at(static_cast<std::size_t>(at.column));
    if (auto constant = ConstantValue(f)) return *constant;
    const FormulaResult r = ev.RunCell(*this, *this, at, f);
    CellValue v;
    v.formula = f;
    if (r.outcome == FormulaOutcome::Ok) {
      v.result = r.val.v;
      v.unit = r.val.unit;
      v.isString = r.val.isString;
      v.text = r.val.s;
    } else if (r.outcome == FormulaOutcome::Error) {
      v.error = r.error;
    }
    return v;
  }
  const FormulaSheet* OtherSheet(std::string_view name, const FormulaSheet&) const override {
    auto it = others_.find(std::string(name));
    return it == others_.end() ? nullptr : it->second;
  }

  mutable int computed = 0;

 private:
  std::map<std::string, CellAddress> names_;
  std::vector<std::string> formulas_;
  std::map<std::string, const NamedCells*> others_;
};

FormulaResult Compute(const NamedCells& sheet, const std::string& formula) {
  FormulaEvaluator ev(sheet);
  return ev.Run(formula);
}

constexpr auto kOk = FormulaOutcome::Ok;
constexpr auto kError = FormulaOutcome::Error;
constexpr auto kUnknown = FormulaOutcome::Unknown;
constexpr auto kSyntax = FormulaOutcome::Syntax;

class FormulaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sheet.Set("Width", "2 in");
    sheet.Set("Height", "1 in");
    sheet.Set("User.Cost", "4");
    sheet.Set("Prop.Label", "\"Cost\"");
    other.Set("Width", "5 in");
    sheet.Link("Sheet.2", other);
  }
  NamedCells sheet;
  NamedCells other;
};

TEST_F(FormulaTest, FormulasGiveTheirValueInTheirUnit) {
  struct Case {
    const char* formula;
    double v;  // internal units
    std::int16_t unit;
  };
  const Case cases[] = {
      {"1+2*3", 7, visNumber},
      {"(1+2)*3", 9, visNumber},
      {"2^10", 1024, visNumber},
      {"-(3)+1", -2, visNumber},
      {"50%", 0.5, visNumber},
      {"1.5e2", 150, visNumber},
      {"2 in + 1", 3, visInches},  // a plain number beside a measure is in its default unit
      {"1 ft 3 in", 15, visFeet},  // a compound measure is the sum of its parts
      {"25.4 mm", 1, visMillimeters},
      {"45 deg", std::numbers::pi / 4, visDegrees},
      {"Width*0.5", 1, visInches},
      {"Width/Height", 2, visNumber},
      {"Width-Height", 1, visInches},
      {"User.Cost*2", 8, visNumber},
      {"user.cost", 4, visNumber},  // names ignore case
      {"Sheet.2!Width+Width", 7, visInches},
      {"MIN(3,1,2)", 1, visNumber},
      {"MAX(Width,3 in)", 3, visInches},
      {"ROUND(1.2345,2)", 1.23, visNumber},
      {"INT(2.7)", 2, visNumber},
      {"ABS(-2)", 2, visNumber},
      {"SQRT(16)", 4, visNumber},
      {"PI()", std::numbers::pi, visNumber},
      {"GUARD(Width)", 2, visInches},
      {"IF(Width>Height,1,2)", 1, visNumber},
      {"IF(Width<Height,1)", 0, visNumber},
  };
  for (const Case& c : cases) {
    const FormulaResult r = Compute(sheet, c.formula);
    ASSERT_EQ(r.outcome, kOk) << c.formula;
    EXPECT_NEAR(r.val.v, c.v, 1e-12) << c.formula;
    EXPECT_EQ(r.val.unit, c.unit) << c.formula;
  }
}

TEST_F(FormulaTest, StringsAndTruthValues) {
  struct Case {
    const char* formula;
    const char* text;  // null: a truth value
    bool truth;
  };
  const Case cases[] = {
      {"\"a\"&\"b\"", "ab", false},
      {"\"say \"\"hi\"\"\"", "say \"hi\"", false},
      {"Prop.Label&\": \"&User.Cost", "Cost: 4", false},
      {"\"abc\"=\"ABC\"", nullptr, true},  // strings compare ignoring case
      {"\"a\"<\"b\"", nullptr, true},
      {"Width>=2 in", nullptr, true},
      {"Width<>Height", nullptr, true},
      {"1 in=25.4 mm", nullptr, true},
      {"AND(TRUE,FALSE)", nullptr, false},
      {"OR(0,1)", nullptr, true},
      {"NOT(0)", nullptr, true},
      {"true", nullptr, true},
  };
  for (const Case& c : cases) {
    const FormulaResult r = Compute(sheet, c.formula);
    ASSERT_EQ(r.outcome, kOk) << c.formula;
    if (c.text) {
      EXPECT_TRUE(r.val.isString) << c.formula;
      EXPECT_EQ(r.val.s, c.text) << c.formula;
    } else {
      EXPECT_TRUE(r.val.isBool) << c.formula;
      EXPECT_EQ(r.val.v != 0, c.truth) << c.formula;
    }
  }
}

TEST_F(FormulaTest, FailuresSayHowFarTheFormulaGot) {
  struct Case {
    const char* formula;
    FormulaOutcome outcome;
    std::int16_t error;
  };
  const Case cases[] = {
      {"1/0", kError, visErrorDivideByZero},
      {"SQRT(-1)", kError, visErrorNumber},
      {"\"a\"+1", kError, visErrorValue},
      {"\"a\"<1", kError, visErrorValue},
      {"1 in<1 deg", kError, visErrorValue},
      {"MIN()", kError, visErrorValue},
      {"IF(1)", kError, visErrorValue},
      {"Missing*2", kError, visErrorReference},  // well formed, not on this sheet
      {"Bad*2", kError, visErrorName},           // a name no sheet has
      {"IF(1/0,1,2)", kError, visErrorDivideByZero},
      {"IF(TRUE,1/0,2)", kError, visErrorDivideByZero},
      // What the evaluator does not compute leaves the stored result.
      {"Width*Height", kUnknown, 0},
      {"FOO(1)", kUnknown, 0},
      {"Sheet.9!Width", kUnknown, 0},
      {"Sheet.2!FOO()", kUnknown, 0},
      {"1/0+FOO(1)", kUnknown, 0},  // the worse outcome wins
      // Text that is no formula.
      {"", kSyntax, 0},
      {"1 2", kSyntax, 0},
      {"(1", kSyntax, 0},
      {"Width+", kSyntax, 0},
      {"\"open", kSyntax, 0},
      {"MAX(1,", kSyntax, 0},
      {"Char.Font[2", kSyntax, 0},
      {"IF(FALSE,(,1)", kSyntax, 0},  // a branch not taken is still parsed
  };
  for (const Case& c : cases) {
    const FormulaResult r = Compute(sheet, c.formula);
    EXPECT_EQ(r.outcome, c.outcome) << c.formula;
    EXPECT_EQ(r.error, c.error) << c.formula;
  }
}

TEST_F(FormulaTest, ABranchIfDoesNotTakeIsNeitherLookedUpNorComputed) {
  sheet.Set("Slow", "Width*2");
  sheet.computed = 0;
  const FormulaResult r = Compute(sheet, "IF(Width>Height,3,Slow+Missing+Bad+1/0)");
  ASSERT_EQ(r.outcome, kOk);
  EXPECT_EQ(r.val.v, 3);
  EXPECT_EQ(sheet.computed, 2);  // Width and Height only
}

TEST_F(FormulaTest, CheckingAFormulaLooksUpItsNamesAndComputesNothing) {
  sheet.computed = 0;
  FormulaEvaluator ev(sheet);
  ev.checking = true;
  EXPECT_EQ(ev.Run("Width*2+Sheet.2!Nothing").outcome, kUnknown);
  EXPECT_EQ(ev.Run("Width*2").outcome, kOk);
  const FormulaResult missing = ev.Run("Missing*2");
  EXPECT_EQ(missing.outcome, kError);
  EXPECT_EQ(missing.error, visErrorName);  // refused before it is written
  EXPECT_EQ(sheet.computed, 0);
}

TEST_F(FormulaTest, CircularReferencesStopAndAreNotRemembered) {
  sheet.Set("A", "B+1");
  sheet.Set("B", "A+1");
  sheet.Set("C", "Sheet.2!D");
  other.Set("D", "Sheet.1!C");
  other.Link("Sheet.1", sheet);
  // The cell met again keeps its stored result (here 0), and what was
  // computed from it is not to be remembered.
  for (const char* formula : {"A", "C"}) {
    FormulaEvaluator ev(sheet);
    const FormulaResult r = ev.Run(formula);
    EXPECT_EQ(r.outcome, kOk) << formula;
    EXPECT_EQ(r.val.v, formula[0] == 'A' ? 1 : 0) << formula;
    EXPECT_TRUE(ev.cutShort) << formula;
  }
  FormulaEvaluator ev(sheet);
  EXPECT_EQ(ev.Run("Width").outcome, kOk);
  EXPECT_FALSE(ev.cutShort);
}

TEST_F(FormulaTest, ACellReferredToManyTimesIsComputedOnce) {
  // Each cell refers twice to the next: computed afresh each time, the
  // chain would take 2^40 steps.
  constexpr int kCells = 40;
  for (int i = 0; i < kCells; ++i) {
    const std::string next = "C" + std::to_string(i + 1);
    sheet.Set("C" + std::to_string(i), next + "+" + next);
  }
  sheet.Set("C" + std::to_string(kCells), "1");
  sheet.computed = 0;
  const FormulaResult r = Compute(sheet, "C0");
  ASSERT_EQ(r.outcome, kOk);
  EXPECT_EQ(r.val.v, std::pow(2.0, kCells));
  EXPECT_EQ(sheet.computed, kCells + 1);
}

TEST_F(FormulaTest, DeepFormulasAndLongChainsAreBounded) {
  const auto nested = [](int depth) {
    return std::string(static_cast<std::size_t>(depth), '(') + "1" +
           std::string(static_cast<std::size_t>(depth), ')');
  };
  EXPECT_EQ(Compute(sheet, nested(FormulaEvaluator::kMaxNesting / 4)).outcome, kOk);
  EXPECT_EQ(Compute(sheet, nested(100000)).outcome, kSyntax);
  EXPECT_EQ(Compute(sheet, std::string(100000, '-') + "1").outcome, kSyntax);
  // A chain of cells longer than the evaluator follows is cut short where
  // it stops (that cell keeps its stored result, here 0); one within it is
  // computed.
  const auto chain = [&](const std::string& prefix, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i)
      sheet.Set(prefix + std::to_string(i), prefix + std::to_string(i + 1));
    sheet.Set(prefix + std::to_string(length), "7");
  };
  chain("Short", FormulaEvaluator::kMaxCells - 1);
  chain("Long", FormulaEvaluator::kMaxCells * 2);
  const FormulaResult shortChain = Compute(sheet, "Short0");
  ASSERT_EQ(shortChain.outcome, kOk);
  EXPECT_EQ(shortChain.val.v, 7);
  FormulaEvaluator ev(sheet);
  const FormulaResult longChain = ev.Run("Long0");
  EXPECT_EQ(longChain.val.v, 0);
  EXPECT_TRUE(ev.cutShort);
}

TEST(FormulaTextTest, ConstantsAndKeptForms) {
  EXPECT_EQ(NormalizeFormula("  = Width*2 "), "Width*2");
  EXPECT_EQ(NormalizeFormula("\t=\t"), "");
  struct Case {
    const char* formula;
    bool constant;
  };
  for (const Case c : {Case{"2 in", true}, Case{"\"a\"\"b\"", true}, Case{"TRUE", true},
                       Case{"", true}, Case{"Width", false}, Case{"\"a\"&\"b\"", false},
                       Case{"\"a\"b\"", false}, Case{"1+1", false}}) {
    EXPECT_EQ(ConstantValue(c.formula).has_value(), c.constant) << c.formula;
  }
  const auto text = ConstantValue("\"a\"\"b\"");
  ASSERT_TRUE(text);
  EXPECT_EQ(text->text.str(), "a\"b");
  EXPECT_EQ(QuoteFormula("a\"b"), "\"a\"\"b\"");
}

}  // namespace
}  // namespace standin
