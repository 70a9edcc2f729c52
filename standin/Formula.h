// Visio's formulas, computed straight from their text by recursive
// descent: numbers with units, strings, TRUE and FALSE, arithmetic,
// comparison and "&", the functions formulas use most (GUARD, IF, MIN,
// MAX, ABS, SQRT, INT, ROUND, NOT, AND, OR, PI), and references to cells by
// name, of the sheet that computes the formula or of another sheet
// ("Sheet.5!Width"). What a name stands for is the sheet's business (a
// FormulaSheet); the evaluator keeps the cells being computed on a stack,
// so that a circular formula stops, across sheets too.
//
// A cell referred to twice is computed once: its result is kept for the
// rest of the computation, unless a circular reference or the depth limit
// cut it short (it may then come out otherwise when reached another way).
// Without that, cells that each refer twice to the next take time that
// doubles with every cell. Nesting of the formula text is bounded too, so
// that a hostile formula cannot run the stack out.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "standin/CellTables.h"
#include "standin/CellValue.h"

namespace standin {

// A value met while computing a formula.
struct FormulaValue {
  double v = 0;  // internal units
  std::int16_t unit = visNumber;
  bool isString = false;
  bool isBool = false;
  std::string s;
};

// How far a formula could be computed. Worse outcomes win when parts are
// combined: a formula with a part the sheet cannot compute keeps its
// stored result, whatever the other parts give.
enum class FormulaOutcome { Ok = 0, Error = 1, Unknown = 2, Syntax = 3 };

struct FormulaResult {
  FormulaOutcome outcome = FormulaOutcome::Ok;
  std::int16_t error = 0;  // a visError code, for FormulaOutcome::Error
  FormulaValue val;
};

class FormulaEvaluator;

// The cells a formula's names stand for.
class FormulaSheet {
 public:
  // The cell a name stands for: nullopt when the name is well formed but
  // the cell does not exist here; throws AutomationError for a name no
  // sheet has.
  virtual std::optional<CellAddress> FindCell(std::string_view name) const = 0;
  // A cell's value, its formula computed with `ev` (so that the cells
  // being computed are known).
  virtual CellValue ComputeCell(CellAddress at, FormulaEvaluator& ev) const = 0;
  // The sheet a name before "!" stands for in a formula that `holder`
  // holds; null when there is none.
  virtual const FormulaSheet* OtherSheet(std::string_view name,
                                         const FormulaSheet& holder) const = 0;

 protected:
  ~FormulaSheet() = default;
};

class FormulaEvaluator {
 public:
  static constexpr int kMaxNesting = 200;       // of the formula text, across references
  static constexpr std::size_t kMaxCells = 64;  // cells being computed at once

  explicit FormulaEvaluator(const FormulaSheet& home)
      : home_(&home), sheet_(&home), holder_(&home) {}
  FormulaEvaluator(const FormulaEvaluator&) = delete;
  FormulaEvaluator& operator=(const FormulaEvaluator&) = delete;

  // A formula computed in the sheet the evaluator was made for.
  FormulaResult Run(std::string_view formula);
  // A cell's formula: its names are `sheet`'s, the sheets named before
  // "!" are found from `holder`, the sheet the formula text comes from (a
  // master's shape, for an inherited formula).
  FormulaResult RunCell(const FormulaSheet& sheet, const FormulaSheet& holder, CellAddress at,
                        std::string_view formula);

  const FormulaSheet& Home() const { return *home_; }

  // Checking a formula before it is written: names must exist, nothing is
  // computed.
  bool checking = false;
  // The cell computed afresh, whatever value its file recorded.
  std::optional<CellAddress> recalculating;
  // Set while computing: a circular reference or the depth limit was met
  // (results computed from here may come out otherwise when reached
  // another way, so they are not to be remembered), and a cell's formula
  // was computed, not only read. A sheet's ComputeCell saves and restores
  // them around a cell of its own to tell that cell's story.
  bool cutShort = false;
  bool ranFormula = false;

 private:
  struct Nest;
  FormulaResult TooDeep();
  FormulaResult Parse(std::string_view formula);
  void Blanks();
  bool Eat(std::string_view token);
  char Peek();
  FormulaResult Expr();
  FormulaResult Concat();
  FormulaResult Additive();
  FormulaResult Term();
  FormulaResult Power();
  FormulaResult Unary();
  FormulaResult Primary();
  FormulaResult String();
  FormulaResult Number();
  FormulaResult Name();
  FormulaResult OtherReference(std::string_view sheetName, std::string_view cellName);
  FormulaResult Reference(std::string_view name);
  FormulaResult Call(std::string_view fn);

  const FormulaSheet* home_;    // the sheet asked
  const FormulaSheet* sheet_;   // the sheet whose names the formula uses
  const FormulaSheet* holder_;  // the sheet the formula text comes from
  std::vector<std::pair<const FormulaSheet*, CellAddress>> stack_;
  std::map<std::tuple<const FormulaSheet*, std::int16_t, std::int16_t, std::int16_t>, CellValue>
      known_;
  int nesting_ = 0;
  // Inside a branch IF does not take: the text is only parsed (a syntax
  // error still counts), nothing is looked up or computed. Computing it
  // would not change the answer, only its cost: the branches of nested
  // IFs refer to cells that are IFs again, and a circular reference met
  // there would keep those cells from being remembered.
  int skipping_ = 0;
  std::string_view text_;
  std::size_t pos_ = 0;
};

// A constant formula's value (a measure, a string or a truth value; an
// empty formula gives an empty value); nullopt for any other formula.
std::optional<CellValue> ConstantValue(const std::string& formula);

// A character names in formulas are made of (cells, rows, functions).
bool IsFormulaNameChar(char c);

// A formula as it is kept: without blanks around it and without a leading
// "=".
std::string NormalizeFormula(std::string_view formula);
// The same, as the part of `formula` it keeps.
std::string_view NormalizedFormula(std::string_view formula);

}  // namespace standin
