#include "standin/Formula.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "automation/Object.h"
#include "automation/Text.h"
#include "standin/Numbers.h"
#include "standin/Units.h"

namespace standin {

using automation::AsciiLower;
using automation::NamesEqual;

namespace {

using Val = FormulaValue;
using Res = FormulaResult;
using Outcome = FormulaOutcome;

constexpr auto IsDigit = automation::IsAsciiDigit;

// A string literal's text; nullopt for anything else.
std::optional<std::string> StringLiteral(std::string_view f) {
  if (f.size() < 2 || f.front() != '"' || f.back() != '"') return std::nullopt;
  std::string out;
  for (std::size_t i = 1; i + 1 < f.size(); ++i) {
    if (f[i] == '"') {
      if (i + 2 < f.size() && f[i + 1] == '"') {
        out += '"';
        ++i;
        continue;
      }
      return std::nullopt;  // a quote closes the string before the end
    }
    out += f[i];
  }
  return out;
}

Res Fail(Outcome o, std::int16_t error = 0) {
  Res r;
  r.outcome = o;
  r.error = error;
  return r;
}

Res Ok(Val v) {
  Res r;
  r.val = std::move(v);
  return r;
}

Res Num(double v, std::int16_t unit = visNumber) {
  Val x;
  x.v = v;
  x.unit = unit;
  return Ok(x);
}

Res Bool(bool b) {
  Val x;
  x.v = b ? 1 : 0;
  x.isBool = true;
  return Ok(x);
}

// The worse of two outcomes (the first error code kept).
bool Worse(const Res& a, const Res& b) {
  return b.outcome > a.outcome;
}

Dimension DimOf(const Val& v) {
  return v.isString ? Dimension::Number : DimensionOf(v.unit);
}

std::string TextOf(const Val& v) {
  if (v.isString) return v.s;
  if (v.isBool) return v.v != 0 ? "TRUE" : "FALSE";
  return FormatResult(v.v, v.unit, visNoCast);
}

// A plain number met beside a measure counts in that measure's default
// unit: Width+1 is Width plus one inch.
double AsMeasure(const Val& plain, Dimension d) {
  return plain.v * UnitFactor(DefaultUnitOf(d));
}

Res Add(const Val& a, const Val& b, bool subtract) {
  if (a.isString || b.isString) return Fail(Outcome::Error, visErrorValue);
  const Dimension da = DimOf(a), db = DimOf(b);
  const double sign = subtract ? -1 : 1;
  if (da == Dimension::Number && db == Dimension::Number) return Num(a.v + sign * b.v);
  if (da == Dimension::Number) return Num(AsMeasure(a, db) + sign * b.v, b.unit);
  if (db == Dimension::Number) return Num(a.v + sign * AsMeasure(b, da), a.unit);
  if (da == Dimension::Date && db == Dimension::Duration) return Num(a.v + sign * b.v, a.unit);
  if (da == Dimension::Date && db == Dimension::Date && subtract)
    return Num(a.v - b.v, visElapsedDay);
  if (da != db) return Fail(Outcome::Error, visErrorValue);
  return Num(a.v + sign * b.v, a.unit);
}

Res Multiply(const Val& a, const Val& b) {
  if (a.isString || b.isString) return Fail(Outcome::Error, visErrorValue);
  const Dimension da = DimOf(a), db = DimOf(b);
  if (da == Dimension::Number) return Num(a.v * b.v, b.unit);
  if (db == Dimension::Number) return Num(a.v * b.v, a.unit);
  return Fail(Outcome::Unknown);  // areas and the like
}

Res Divide(const Val& a, const Val& b) {
  if (a.isString || b.isString) return Fail(Outcome::Error, visErrorValue);
  if (b.v == 0) return Fail(Outcome::Error, visErrorDivideByZero);
  const Dimension da = DimOf(a), db = DimOf(b);
  if (db == Dimension::Number) return Num(a.v / b.v, a.unit);
  if (da == db) return Num(a.v / b.v);
  return Fail(Outcome::Unknown);
}

// -1, 0, 1; nullopt when the two cannot be compared.
std::optional<int> Compare(const Val& a, const Val& b) {
  if (a.isString || b.isString) {
    if (!(a.isString && b.isString)) return std::nullopt;
    const std::string x = automation::AsciiLowered(a.s), y = automation::AsciiLowered(b.s);
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  const Dimension da = DimOf(a), db = DimOf(b);
  double x = a.v, y = b.v;
  if (da == Dimension::Number && db != Dimension::Number) x = AsMeasure(a, db);
  if (db == Dimension::Number && da != Dimension::Number) y = AsMeasure(b, da);
  if (da != db && da != Dimension::Number && db != Dimension::Number) return std::nullopt;
  if (std::abs(x - y) <= 1e-12 * std::max(std::abs(x), std::abs(y))) return 0;
  return x < y ? -1 : 1;
}
// Combines a binary operator's operands: any failure wins over success.
template <class F>
Res Both(const Res& a, const Res& b, F f) {
  if (a.outcome != Outcome::Ok || b.outcome != Outcome::Ok) return Worse(a, b) ? b : a;
  return f(a.val, b.val);
}

}  // namespace

// Counts one level of nesting_ while it lives.
struct FormulaEvaluator::Nest {
  explicit Nest(int& n) : count(++n) {}
  ~Nest() { --count; }
  Nest(const Nest&) = delete;
  Nest& operator=(const Nest&) = delete;
  int& count;
};

// Nesting counts on through the cells a formula refers to, so where the
// limit is met depends on who asked: like a circular reference, it keeps
// the results computed from here from being remembered.
Res FormulaEvaluator::TooDeep() {
  cutShort = true;
  return Fail(Outcome::Syntax);
}

Res FormulaEvaluator::Parse(std::string_view formula) {
  const std::string_view savedText = text_;
  const std::size_t savedPos = pos_;
  text_ = formula;
  pos_ = 0;
  Res r = Expr();
  Blanks();
  if (r.outcome != Outcome::Syntax && pos_ < text_.size()) r = Fail(Outcome::Syntax);
  text_ = savedText;
  pos_ = savedPos;
  return r;
}

void FormulaEvaluator::Blanks() {
  while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
}
bool FormulaEvaluator::Eat(std::string_view token) {
  Blanks();
  if (text_.substr(pos_, token.size()) != token) return false;
  pos_ += token.size();
  return true;
}
char FormulaEvaluator::Peek() {
  Blanks();
  return pos_ < text_.size() ? text_[pos_] : '\0';
}

Res FormulaEvaluator::Expr() {
  const Nest nest(nesting_);
  if (nesting_ > kMaxNesting) return TooDeep();
  Res left = Concat();
  while (true) {
    Blanks();
    std::string_view op;
    for (std::string_view candidate : {"<>", "<=", ">=", "=", "<", ">"}) {
      if (text_.substr(pos_, candidate.size()) == candidate) {
        op = candidate;
        break;
      }
    }
    if (op.empty()) return left;
    pos_ += op.size();
    Res right = Concat();
    left = Both(left, right, [&](const Val& a, const Val& b) {
      auto c = Compare(a, b);
      if (!c) return Fail(Outcome::Error, visErrorValue);
      if (op == "=") return Bool(*c == 0);
      if (op == "<>") return Bool(*c != 0);
      if (op == "<") return Bool(*c < 0);
      if (op == ">") return Bool(*c > 0);
      if (op == "<=") return Bool(*c <= 0);
      return Bool(*c >= 0);
    });
  }
}

Res FormulaEvaluator::Concat() {
  Res left = Additive();
  while (Eat("&")) {
    Res right = Additive();
    left = Both(left, right, [](const Val& a, const Val& b) {
      Val v;
      v.isString = true;
      v.s = TextOf(a) + TextOf(b);
      return Ok(v);
    });
  }
  return left;
}

Res FormulaEvaluator::Additive() {
  Res left = Term();
  while (true) {
    const char c = Peek();
    if (c != '+' && c != '-') return left;
    ++pos_;
    Res right = Term();
    left = Both(left, right, [c](const Val& a, const Val& b) { return Add(a, b, c == '-'); });
  }
}

Res FormulaEvaluator::Term() {
  Res left = Power();
  while (true) {
    const char c = Peek();
    if (c != '*' && c != '/') return left;
    ++pos_;
    Res right = Power();
    left = Both(left, right, [c](const Val& a, const Val& b) {
      return c == '*' ? Multiply(a, b) : Divide(a, b);
    });
  }
}

Res FormulaEvaluator::Power() {
  Res left = Unary();
  while (Eat("^")) {
    Res right = Unary();
    left = Both(left, right, [](const Val& a, const Val& b) {
      if (a.isString || b.isString || DimOf(a) != Dimension::Number ||
          DimOf(b) != Dimension::Number) {
        return Fail(Outcome::Unknown);
      }
      const double v = std::pow(a.v, b.v);
      if (!std::isfinite(v)) return Fail(Outcome::Error, visErrorNumber);
      return Num(v);
    });
  }
  return left;
}

Res FormulaEvaluator::Unary() {
  const Nest nest(nesting_);
  if (nesting_ > kMaxNesting) return TooDeep();
  const char c = Peek();
  if (c == '-' || c == '+') {
    ++pos_;
    Res r = Unary();
    if (r.outcome == Outcome::Ok && c == '-') {
      if (r.val.isString) return Fail(Outcome::Error, visErrorValue);
      r.val.v = -r.val.v;
      r.val.isBool = false;
    }
    return r;
  }
  Res r = Primary();
  if (Eat("%")) {
    if (r.outcome == Outcome::Ok) {
      if (r.val.isString) return Fail(Outcome::Error, visErrorValue);
      r.val.v /= 100;
    }
  }
  return r;
}

Res FormulaEvaluator::Primary() {
  const char c = Peek();
  if (c == '\0') return Fail(Outcome::Syntax);
  if (c == '(') {
    ++pos_;
    Res r = Expr();
    if (!Eat(")")) return Fail(Outcome::Syntax);
    return r;
  }
  if (c == '"') return String();
  if (IsDigit(c) || c == '.') return Number();
  if (IsFormulaNameChar(c)) return Name();
  return Fail(Outcome::Syntax);
}

Res FormulaEvaluator::String() {
  ++pos_;  // the opening quote
  Val v;
  v.isString = true;
  while (pos_ < text_.size()) {
    if (text_[pos_] == '"') {
      if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '"') {
        v.s += '"';
        pos_ += 2;
        continue;
      }
      ++pos_;
      return Ok(v);
    }
    v.s += text_[pos_++];
  }
  return Fail(Outcome::Syntax);
}

// A number with an optional unit; a compound measure ("1 ft 3 in") is
// the sum of its parts.
Res FormulaEvaluator::Number() {
  double total = 0;
  std::int16_t unit = visNumber;
  bool first = true;
  while (true) {
    const std::size_t start = pos_;
    std::size_t p = pos_;
    std::size_t digits = 0;
    while (p < text_.size() && IsDigit(text_[p])) ++p, ++digits;
    if (p < text_.size() && text_[p] == '.') {
      ++p;
      while (p < text_.size() && IsDigit(text_[p])) ++p, ++digits;
    }
    if (digits == 0) {
      if (first) return Fail(Outcome::Syntax);
      pos_ = start;
      break;
    }
    if (p < text_.size() && AsciiLower(text_[p]) == 'e') {
      std::size_t q = p + 1;
      if (q < text_.size() && (text_[q] == '+' || text_[q] == '-')) ++q;
      const std::size_t e = q;
      while (q < text_.size() && IsDigit(text_[q])) ++q;
      if (q > e) p = q;
    }
    const double figure = ParseNumber(text_.substr(start, p - start));
    pos_ = p;
    // A unit word right after the number.
    std::size_t u = pos_;
    while (u < text_.size() && (text_[u] == ' ' || text_[u] == '\t')) ++u;
    std::size_t w = u;
    while (w < text_.size() && AsciiLower(text_[w]) >= 'a' && AsciiLower(text_[w]) <= 'z') ++w;
    if (text_.substr(u, 2) == "\xC2\xB0") w = u + 2;
    std::optional<std::int16_t> found;
    if (w > u &&
        (w >= text_.size() || (text_[w] != '(' && !IsDigit(text_[w]) && text_[w] != '_'))) {
      found = UnitFromName(text_.substr(u, w - u));
      if (found && w < text_.size() && text_[w] == '.') ++w;
    }
    if (!found) {
      if (!first) {
        pos_ = start;
        break;
      }
      return Num(figure);
    }
    if (!first && DimensionOf(*found) != DimensionOf(unit)) {
      pos_ = start;
      break;
    }
    if (first) unit = *found;
    total += figure * UnitFactor(*found);
    pos_ = w;
    first = false;
    Blanks();
    if (pos_ >= text_.size() || !IsDigit(text_[pos_])) break;
  }
  return Num(total, unit);
}

Res FormulaEvaluator::Name() {
  const std::size_t start = pos_;
  while (pos_ < text_.size() && (IsFormulaNameChar(text_[pos_]) || text_[pos_] == '.')) ++pos_;
  if (pos_ < text_.size() && text_[pos_] == '[') {
    const std::size_t close = text_.find(']', pos_);
    if (close == std::string_view::npos) return Fail(Outcome::Syntax);
    pos_ = close + 1;
  }
  std::string_view name = text_.substr(start, pos_ - start);
  if (pos_ < text_.size() && text_[pos_] == '!') {
    // Another sheet's cell. Only parsed here; a function or a further
    // sheet after the "!" is not computed.
    ++pos_;
    const std::size_t at = pos_;
    ++skipping_;
    Res r = Name();
    --skipping_;
    if (r.outcome == Outcome::Syntax) return r;
    const std::string_view cell = text_.substr(at, pos_ - at);
    if (checking || skipping_ || cell.empty() || cell.find_first_of("(!") != cell.npos)
      return Fail(Outcome::Unknown);
    return OtherReference(name, cell);
  }
  if (Peek() == '(') {
    ++pos_;
    return Call(name);
  }
  if (NamesEqual(name, "TRUE")) return Bool(true);
  if (NamesEqual(name, "FALSE")) return Bool(false);
  return Reference(name);
}

// A cell of the sheet a name before "!" stands for; a sheet that is not
// there keeps the stored result.
Res FormulaEvaluator::OtherReference(std::string_view sheetName, std::string_view cellName) {
  const FormulaSheet* other = sheet_->OtherSheet(sheetName, *holder_);
  if (!other) return Fail(Outcome::Unknown);
  const FormulaSheet* const saved = std::exchange(sheet_, other);
  Res r = Reference(cellName);
  sheet_ = saved;
  return r;
}

Res FormulaEvaluator::Reference(std::string_view name) {
  if (skipping_) return Num(0);
  std::optional<CellAddress> at;
  try {
    at = sheet_->FindCell(name);
  } catch (const automation::AutomationError&) {
    return Fail(Outcome::Error, visErrorName);
  }
  if (!at) return Fail(Outcome::Error, checking ? visErrorName : visErrorReference);
  if (checking) return Num(0);
  for (const auto& busy : stack_) {
    if (busy.first == sheet_ && busy.second == *at) {  // circular
      cutShort = true;
      return Fail(Outcome::Unknown);
    }
  }
  if (stack_.size() >= kMaxCells) {
    cutShort = true;
    return Fail(Outcome::Unknown);
  }
  const auto key = std::make_tuple(sheet_, at->section, at->row, at->column);
  CellValue v;
  if (auto it = known_.find(key); it != known_.end()) {
    v = it->second;
  } else {
    const bool outer = std::exchange(cutShort, false);
    v = sheet_->ComputeCell(*at, *this);
    if (!cutShort) known_.emplace(key, v);
    cutShort = cutShort || outer;
  }
  if (v.error != 0) return Fail(Outcome::Error, v.error);
  Val x;
  x.v = v.result;
  x.unit = v.unit;
  x.isString = v.isString;
  x.isBool = v.isBool;
  x.s = v.text;
  return Ok(x);
}

Res FormulaEvaluator::Call(std::string_view fn) {
  std::vector<Res> args;
  // IF computes its condition, then only the branch that condition
  // chooses; a checked formula has every name looked at.
  const bool lazy = !checking && !skipping_ && NamesEqual(fn, "IF");
  if (!Eat(")")) {
    while (true) {
      bool skip = false;
      if (lazy && !args.empty()) {
        const Res& test = args.front();
        const bool yes = test.val.isString ? !test.val.s.empty() : test.val.v != 0;
        skip = test.outcome != Outcome::Ok || args.size() != (yes ? 1u : 2u);
      }
      if (skip) ++skipping_;
      args.push_back(Expr());
      if (skip) --skipping_;
      if (args.back().outcome == Outcome::Syntax) return args.back();
      if (Eat(")")) break;
      if (!Eat(",")) return Fail(Outcome::Syntax);
    }
  }
  if (skipping_) return Num(0);
  auto arity = [&](std::size_t min, std::size_t max) {
    return args.size() >= min && args.size() <= max;
  };
  // IF takes only the branch it chooses.
  if (NamesEqual(fn, "IF")) {
    if (!arity(2, 3)) return Fail(Outcome::Error, visErrorValue);
    if (args[0].outcome != Outcome::Ok) return args[0];
    const bool yes = args[0].val.isString ? !args[0].val.s.empty() : args[0].val.v != 0;
    if (yes) return args[1];
    return args.size() == 3 ? args[2] : Bool(false);
  }
  Res worst;
  for (const auto& a : args) {
    if (Worse(worst, a)) worst = a;
  }
  if (worst.outcome != Outcome::Ok) return worst;
  auto number = [&](std::size_t i) { return args[i].val; };
  if (NamesEqual(fn, "GUARD")) {
    if (!arity(1, 1)) return Fail(Outcome::Error, visErrorValue);
    return args[0];
  }
  if (NamesEqual(fn, "NOT")) {
    if (!arity(1, 1)) return Fail(Outcome::Error, visErrorValue);
    return Bool(number(0).v == 0);
  }
  if (NamesEqual(fn, "AND") || NamesEqual(fn, "OR")) {
    if (args.empty()) return Fail(Outcome::Error, visErrorValue);
    const bool isAnd = NamesEqual(fn, "AND");
    bool result = isAnd;
    for (const auto& a : args) result = isAnd ? (result && a.val.v != 0) : (result || a.val.v != 0);
    return Bool(result);
  }
  // The picture a field's Format cell holds: "esc(n)" for field format n.
  if (NamesEqual(fn, "FIELDPICTURE")) {
    if (!arity(1, 1) || number(0).isString) return Fail(Outcome::Error, visErrorValue);
    const double code = std::trunc(number(0).v);
    if (!(code >= 0 && code <= 0x7FFF)) return Fail(Outcome::Error, visErrorValue);
    Val v;
    v.isString = true;
    v.s = "esc(" + std::to_string(static_cast<int>(code)) + ")";
    return Ok(v);
  }
  if (NamesEqual(fn, "PI"))
    return arity(0, 0) ? Num(std::numbers::pi) : Fail(Outcome::Error, visErrorValue);
  if (NamesEqual(fn, "ABS") || NamesEqual(fn, "INT") || NamesEqual(fn, "SQRT")) {
    if (!arity(1, 1) || number(0).isString) return Fail(Outcome::Error, visErrorValue);
    Val v = number(0);
    v.isBool = false;
    if (NamesEqual(fn, "ABS")) v.v = std::abs(v.v);
    if (NamesEqual(fn, "INT")) v.v = std::floor(v.v / UnitFactor(v.unit)) * UnitFactor(v.unit);
    if (NamesEqual(fn, "SQRT")) {
      if (DimOf(v) != Dimension::Number) return Fail(Outcome::Unknown);
      if (v.v < 0) return Fail(Outcome::Error, visErrorNumber);
      v.v = std::sqrt(v.v);
    }
    return Ok(v);
  }
  if (NamesEqual(fn, "ROUND")) {
    if (!arity(2, 2) || number(0).isString) return Fail(Outcome::Error, visErrorValue);
    Val v = number(0);
    const double scale = std::pow(10.0, std::round(number(1).v));
    const double f = UnitFactor(v.unit);
    v.v = std::round(v.v / f * scale) / scale * f;
    v.isBool = false;
    return Ok(v);
  }
  if (NamesEqual(fn, "MIN") || NamesEqual(fn, "MAX")) {
    if (args.empty()) return Fail(Outcome::Error, visErrorValue);
    const bool isMin = NamesEqual(fn, "MIN");
    Val best = number(0);
    for (std::size_t i = 1; i < args.size(); ++i) {
      auto c = Compare(number(i), best);
      if (!c) return Fail(Outcome::Error, visErrorValue);
      if (isMin ? *c < 0 : *c > 0) best = number(i);
    }
    return Ok(best);
  }
  return Fail(Outcome::Unknown);  // a function this sheet does not compute
}

bool IsFormulaNameChar(char c) {
  return IsDigit(c) || (AsciiLower(c) >= 'a' && AsciiLower(c) <= 'z') || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}

std::string_view NormalizedFormula(std::string_view formula) {
  std::string_view f = automation::TrimBlanks(formula);
  if (!f.empty() && f.front() == '=') f = automation::TrimBlanks(f.substr(1));
  return f;
}

std::string NormalizeFormula(std::string_view formula) {
  return std::string(NormalizedFormula(formula));
}

Res FormulaEvaluator::Run(std::string_view formula) {
  return Parse(formula);
}

Res FormulaEvaluator::RunCell(const FormulaSheet& sheet, const FormulaSheet& holder, CellAddress at,
                              std::string_view formula) {
  stack_.push_back({&sheet, at});
  ranFormula = true;
  const FormulaSheet* const savedSheet = std::exchange(sheet_, &sheet);
  const FormulaSheet* const savedHolder = std::exchange(holder_, &holder);
  Res r = Parse(formula);
  sheet_ = savedSheet;
  holder_ = savedHolder;
  stack_.pop_back();
  return r;
}

std::string QuoteFormula(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

CompactText TextPool::Intern(std::string_view text) {
  if (text.empty()) return {};
  if (auto found = texts_.find(text); found != texts_.end()) return found->second;
  CompactText made(std::string{text});
  texts_.emplace(std::string_view(made.str()), made);
  return made;
}

std::string FormulaOf(const CellValue& v) {
  if (!v.constant) return v.formula;
  if (v.isString) return QuoteFormula(v.text.str());
  if (v.isBool) return v.result != 0 ? "TRUE" : "FALSE";
  return FormatConstant(v.result, v.unit);
}

std::optional<CellValue> ConstantValue(const std::string& formula) {
  CellValue v;
  v.formula = formula;
  if (formula.empty()) return v;
  if (NamesEqual(formula, "TRUE") || NamesEqual(formula, "FALSE")) {
    v.result = NamesEqual(formula, "TRUE") ? 1 : 0;
    v.isBool = true;
    return v;
  }
  if (auto text = StringLiteral(formula)) {
    v.isString = true;
    v.text = *text;
    return v;
  }
  if (auto m = ParseConstant(formula)) {
    v.result = m->iu;
    v.unit = m->unit;
    return v;
  }
  return std::nullopt;
}

}  // namespace standin
