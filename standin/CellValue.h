// What a cell holds: its formula, its result and the result's unit.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "standin/Units.h"

namespace standin {

// A string as a formula: quoted, inner quotes doubled ("a""b").
std::string QuoteFormula(std::string_view text);

// A text that costs one pointer while it is empty, as the text of most
// cells is (only cells with a string result have one).
class CompactText {
 public:
  CompactText() = default;
  CompactText(std::string s) { *this = std::move(s); }
  CompactText(const CompactText& o) : p_(o.p_ ? std::make_unique<std::string>(*o.p_) : nullptr) {}
  CompactText(CompactText&&) noexcept = default;
  CompactText& operator=(const CompactText& o) {
    if (this != &o) p_ = o.p_ ? std::make_unique<std::string>(*o.p_) : nullptr;
    return *this;
  }
  CompactText& operator=(CompactText&&) noexcept = default;
  CompactText& operator=(std::string s) {
    if (s.empty()) {
      p_.reset();
    } else if (p_) {
      *p_ = std::move(s);
    } else {
      p_ = std::make_unique<std::string>(std::move(s));
    }
    return *this;
  }
  const std::string& str() const { return p_ ? *p_ : Empty(); }
  operator const std::string&() const { return str(); }
  bool empty() const { return !p_; }
  void clear() { p_.reset(); }
  friend bool operator==(const CompactText& a, const CompactText& b) { return a.str() == b.str(); }

 private:
  static const std::string& Empty() {
    static const std::string empty;
    return empty;
  }
  std::unique_ptr<std::string> p_;  // never an empty string
};

// What a cell holds, as a file records it: a formula, the result it had
// (internal units; text for strings), the result's unit, and its error.
struct CellValue {
  std::string formula;
  double result = 0;
  CompactText text;
  bool isString = false;
  bool isBool = false;
  std::int16_t unit = visNumber;
  std::int16_t error = 0;
  // The formula is inherited; the value is this sheet's own, as a file
  // records it (F="Inh" with a V). Writing the cell makes it a plain local
  // cell again.
  bool inheritedFormula = false;
  // The formula is the constant the value itself gives (a file's V without
  // an F, a result written by a client): `formula` stays empty and
  // FormulaOf writes it when asked. Most cells of a drawing are such
  // constants; their text would cost more than their value.
  bool constant = false;
};

// A cell's formula: its own text, or the constant its value gives ("1.5
// in", "TRUE", "\"text\"").
std::string FormulaOf(const CellValue& v);

}  // namespace standin
