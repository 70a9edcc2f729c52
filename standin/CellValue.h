// What a cell holds: its formula, its result and the result's unit.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "standin/Units.h"

namespace standin {

// A string as a formula: quoted, inner quotes doubled ("a""b").
std::string QuoteFormula(std::string_view text);

// A text that costs one pointer, and nothing more while it is empty, as the
// text of most cells is. It never changes once made: a copy shares it, so
// that cells with the same formula (a loader gives a document's cells one
// copy of each formula it reads) and the values worked out from them cost
// one string.
class CompactText {
 public:
  CompactText() = default;
  CompactText(std::string s) { *this = std::move(s); }
  CompactText(const CompactText& o) noexcept : p_(o.p_) {
    if (p_) p_->refs.fetch_add(1, std::memory_order_relaxed);
  }
  CompactText(CompactText&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ~CompactText() { Drop(); }
  CompactText& operator=(const CompactText& o) noexcept {
    CompactText copy(o);
    std::swap(p_, copy.p_);
    return *this;
  }
  CompactText& operator=(CompactText&& o) noexcept {
    if (this != &o) {
      Drop();
      p_ = std::exchange(o.p_, nullptr);
    }
    return *this;
  }
  CompactText& operator=(std::string s) {
    Drop();
    if (!s.empty()) p_ = new Block{{1}, std::move(s)};
    return *this;
  }
  const std::string& str() const { return p_ ? p_->s : Empty(); }
  operator const std::string&() const { return str(); }
  bool empty() const { return !p_; }
  std::size_t size() const { return str().size(); }
  void clear() { Drop(); }
  friend bool operator==(const CompactText& a, const CompactText& b) {
    return a.p_ == b.p_ || a.str() == b.str();
  }

 private:
  struct Block {
    std::atomic<std::uint32_t> refs;
    const std::string s;  // never empty
  };
  static const std::string& Empty() {
    static const std::string empty;
    return empty;
  }
  void Drop() noexcept {
    if (p_ && p_->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) delete p_;
    p_ = nullptr;
  }
  Block* p_ = nullptr;
};

// One CompactText for each distinct text given: what a loader keeps while
// it reads a document, so that its cells share their formulas.
class TextPool {
 public:
  CompactText Intern(std::string_view text);

 private:
  std::unordered_map<std::string_view, CompactText> texts_;  // keys view the values
};

// What a cell holds, as a file records it: a formula, the result it had
// (internal units; text for strings), the result's unit, and its error.
struct CellValue {
  CompactText formula;
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
