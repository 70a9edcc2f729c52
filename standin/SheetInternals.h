// What the ShapeSheet's own files share and no one else sees: how a sheet
// stores its sections, rows and cells, the memo of what calls work out,
// and helpers over the cell tables.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "standin/ShapeSheet.h"
#include "standin/VisioErrors.h"

namespace standin {

namespace detail {

using CellDefs = std::vector<CellDef>;

// The cells of an Object section row, by row index.
const CellDefs& ObjectRowCells(std::int16_t row);
bool ValidObjectRow(std::int16_t row);
bool ValidSection(std::int16_t s);
// Every cell name a section's rows can have, whatever their type.
const CellDefs& AllCellsOf(std::int16_t section);
std::optional<std::int16_t> ColumnIn(const CellDefs& defs, std::string_view name);
// Sections whose rows have names (User.Row_1), always or only when given
// one (Connections.In).
bool RowsHaveNames(std::int16_t s);
bool RowsAreNamedAlways(std::int16_t s);
// A name Visio takes for a row: not empty, at most 31 characters of a
// formula name, not starting with a digit.
bool ValidRowName(std::string_view name);
// The type a section's row has unless told otherwise.
std::int16_t DefaultTag(std::int16_t s, std::size_t position);

[[noreturn]] inline void BadName() {
  ThrowVisio(VisioErrorKind::BadCellName);
}
[[noreturn]] inline void NoSuchCell() {
  ThrowVisio(VisioErrorKind::UnexpectedEndOfFile);
}
[[noreturn]] inline void Refuse() {
  ThrowVisio(VisioErrorKind::InvalidParameter);
}

// A row's identity, for the cell objects bound to it.
std::uint64_t NewUid();
// Rows that exist before anything is stored: the Object section's by row
// index, the first rows of Character, Paragraph and Tabs by section.
constexpr std::uint64_t kDefaultRowUid = std::uint64_t{1} << 62;
// How far inheritance is followed (a master's shape, its master's, a
// style's base styles).
constexpr int kMaxDepth = 24;

}  // namespace detail

// A row's cells by column, in a sorted vector: a row holds a few cells and
// a drawing hundreds of thousands, where a map would spend a node on each.
class ShapeSheet::CellMap {
 public:
  using value_type = std::pair<std::int16_t, CellValue>;
  using iterator = std::vector<value_type>::iterator;
  using const_iterator = std::vector<value_type>::const_iterator;

 private:
  template <class V>
  static auto LowerBound(V& v, std::int16_t c) -> decltype(v.begin()) {
    return std::lower_bound(v.begin(), v.end(), c,
                            [](const value_type& e, std::int16_t k) { return e.first < k; });
  }

 public:
  iterator begin() { return cells_.begin(); }
  iterator end() { return cells_.end(); }
  const_iterator begin() const { return cells_.begin(); }
  const_iterator end() const { return cells_.end(); }
  iterator find(std::int16_t c) {
    auto it = LowerBound(cells_, c);
    return it != cells_.end() && it->first == c ? it : cells_.end();
  }
  const_iterator find(std::int16_t c) const {
    auto it = LowerBound(cells_, c);
    return it != cells_.end() && it->first == c ? it : cells_.end();
  }
  CellValue& operator[](std::int16_t c) {
    auto it = LowerBound(cells_, c);
    if (it == cells_.end() || it->first != c) it = cells_.insert(it, value_type(c, CellValue{}));
    return it->second;
  }
  void clear() { cells_.clear(); }
  void erase(iterator it) { cells_.erase(it); }
  void reserve(std::size_t n) { cells_.reserve(n); }
  void shrink_to_fit() { cells_.shrink_to_fit(); }
  // Takes the cells of an empty map as they come (a loader's row), sorted
  // by column, the last of a column winning.
  void Adopt(std::vector<value_type>&& cells) {
    std::stable_sort(cells.begin(), cells.end(),
                     [](const value_type& a, const value_type& b) { return a.first < b.first; });
    cells_ = std::move(cells);
    std::size_t kept = 0;
    for (std::size_t i = 0; i < cells_.size(); ++i) {
      if (kept > 0 && cells_[kept - 1].first == cells_[i].first) {
        cells_[kept - 1] = std::move(cells_[i]);
      } else {
        if (kept != i) cells_[kept] = std::move(cells_[i]);
        ++kept;
      }
    }
    cells_.erase(cells_.begin() + static_cast<std::ptrdiff_t>(kept), cells_.end());
  }
  std::size_t size() const { return cells_.size(); }

 private:
  std::vector<value_type> cells_;
};

struct ShapeSheet::RowData {
  std::uint64_t uid = 0;
  // A row of the sheet's own comes after the inherited rows, in the order
  // of its key; any other row stands over the inherited row at position
  // key.
  bool own = false;
  std::int32_t key = 0;
  std::int16_t tag = 0;  // 0: the inherited row's
  std::string name;      // "": the inherited row's
  bool deleted = false;  // an inherited row this sheet deletes
  CellMap cells;
};

struct ShapeSheet::SectionData {
  // Geometry sections, as rows: the sheet's own after the inherited ones,
  // or standing over the inherited section at position key.
  bool own = false;
  std::int32_t key = 0;
  bool deleted = false;       // an inherited section this sheet deletes
  bool detached = false;      // its rows no longer follow the inherited section
  std::int32_t nextOwn = 0;   // above the key of every row of its own
  std::vector<RowData> rows;  // ordered by key
};

struct ShapeSheet::SectionRef {
  std::int16_t index = 0;              // as this sheet sees it
  const SectionData* local = nullptr;  // what the sheet holds of it
  SheetHost* source = nullptr;         // where inherited rows come from
  std::int16_t sourceIndex = 0;        // the section's index there
  bool own = false;                    // geometry: a section of the sheet's own
  std::int32_t key = 0;                // geometry: its key
};

// A row as a sheet sees it, for as long as nothing changes the sheets it
// comes from (it points into them).
struct ShapeSheet::RowRef {
  const RowData* local = nullptr;
  std::int32_t sourceRow = -1;  // -1: the sheet's own row
  std::uint64_t uid = 0;
  std::int16_t tag = 0;
  std::string_view name;
};

// ---- what calls work out, kept while it holds ----
//
// Rows(), Resolve() and Geometry() build their answer from this sheet and
// the sheets it inherits from. A formula that refers to ten cells of a
// section would otherwise build the section's rows some fifty times, and
// a loader adding rows one by one would build them once per row. So the
// outermost call of a public member opens a memo (a Scope), and every
// answer is built once.
//
// What the memo holds is right for one generation of the sheets: every
// change to a sheet, and to what sheets inherit from (masters, styles, a
// shape's kind), counts as a change of all of them (SheetsChanged), and
// the memo is read only through Memo::Live(), which empties it when the
// generation has moved on. A change made by this class's own members (a
// Change) is the one exception: the member keeps the memo right as it
// goes (it drops what the change makes wrong, and mends this sheet's list
// of the changed section in place when a row is added or made local, so
// that filling a section row by row costs each row the same), and the
// memo moves on with the generation.
//
// A client reading a sheet cell by cell makes calls that each would build
// the same answers again, and compute the same formulas the cells refer
// to. So the memo outlives its scope for as long as nothing changes, up
// to a size; a call that changed something leaves the next one to start
// afresh. Results of cells computed within it are kept too, those that
// met no circular reference or limit (see FormulaEvaluator): they are the
// same whichever cell asked first. They are dropped at every change,
// mended or not.

struct ShapeSheet::RowsEntry {
  std::shared_ptr<std::vector<RowRef>> rows;
  // Lower-cased row names -> the first row of each, made when first asked.
  std::unique_ptr<std::unordered_map<std::string, std::int16_t>> names;
  int nameLookups = 0;    // before the table was made
  bool mendable = false;  // the rows do not come round from this sheet itself
};

struct ShapeSheet::Memo {
  struct Key {
    const ShapeSheet* sheet;
    std::int32_t depth;
    std::int16_t section;
    std::int16_t row;
    bool operator==(const Key&) const = default;
  };
  // A call meets a handful of sections of a few sheets, a loader filling a
  // sheet some dozens: a list searched in turn beats a hash table here, and
  // emptying it frees nothing.
  // Kept from one call to the next, a table holds a sheet's sections with
  // those of its masters and styles: a list with a small open-addressed
  // index, which emptying leaves its room.
  template <class V>
  struct Table {
    std::vector<std::pair<Key, V>> items;
    std::vector<std::int32_t> slots;  // positions in items, -1 free; a power of two long

    static std::size_t HashOf(const Key& k) {
      auto h = reinterpret_cast<std::uintptr_t>(k.sheet) >> 4;
      h ^= (static_cast<std::size_t>(static_cast<std::uint32_t>(k.depth)) << 32) ^
           (static_cast<std::size_t>(static_cast<std::uint16_t>(k.section)) << 16) ^
           static_cast<std::uint16_t>(k.row);
      return h * 0x9E3779B97F4A7C15u >> 20;
    }
    V* Find(const Key& key) {
      if (slots.empty()) return nullptr;
      const std::size_t mask = slots.size() - 1;
      for (std::size_t i = HashOf(key) & mask;; i = (i + 1) & mask) {
        const std::int32_t at = slots[i];
        if (at < 0) return nullptr;
        if (items[static_cast<std::size_t>(at)].first == key)
          return &items[static_cast<std::size_t>(at)].second;
      }
    }
    void Add(const Key& key, V value) {
      items.emplace_back(key, std::move(value));
      if (items.size() * 2 > slots.size()) {
        Reindex();
      } else {
        Place(items.size() - 1);
      }
    }
    void Clear() {
      items.clear();
      std::fill(slots.begin(), slots.end(), -1);
    }
    // After entries were taken out of items.
    void Reindex() {
      std::size_t n = 16;
      while (n < items.size() * 2) n *= 2;
      slots.assign(n, -1);
      for (std::size_t i = 0; i < items.size(); ++i) Place(i);
    }

   private:
    void Place(std::size_t at) {
      const std::size_t mask = slots.size() - 1;
      std::size_t i = HashOf(items[at].first) & mask;
      while (slots[i] >= 0) i = (i + 1) & mask;
      slots[i] = static_cast<std::int32_t>(at);
    }
  };

  Table<std::optional<SectionRef>> resolved;
  Table<GeometryList> geometry;
  Table<RowsEntry> rows;
  Table<SheetHost*> sources;

  struct CellKey {
    const ShapeSheet* sheet;
    std::int16_t s, r, c;
    bool operator==(const CellKey&) const = default;
  };
  struct CellKeyHash {
    std::size_t operator()(const CellKey& k) const noexcept {
      const auto cell = (static_cast<std::uint64_t>(static_cast<std::uint16_t>(k.s)) << 32) |
                        (static_cast<std::uint64_t>(static_cast<std::uint16_t>(k.r)) << 16) |
                        static_cast<std::uint16_t>(k.c);
      return std::hash<const void*>()(k.sheet) ^
             std::hash<std::uint64_t>()(cell * 0x9E3779B97F4A7C15u);
    }
  };
  std::unordered_map<CellKey, CellValue, CellKeyHash> values;

  // The sheets' generation the tables hold for.
  std::uint64_t generation = 0;
  int changing = 0;      // Changes under way: results are not kept meanwhile
  bool changed = false;  // since the outermost scope began

  // Kept from one call to the next up to these sizes: a sheet with its
  // masters and styles takes a few dozen entries; a client reading a
  // drawing shape by shape needs only the shape at hand.
  static constexpr std::size_t kKeptEntries = 160;
  static constexpr std::size_t kKeptValues = 4096;

  void Clear() {
    resolved.Clear();
    geometry.Clear();
    rows.Clear();
    sources.Clear();
    values.clear();
  }
  std::size_t Entries() const {
    return resolved.items.size() + geometry.items.size() + rows.items.size() + sources.items.size();
  }

  // After a member's change: `inStep`, the memo held before it, and the
  // member has kept it right.
  void Mended(bool inStep);

  static thread_local Memo* current;  // while a scope is open
  static Memo& OfThisThread();
  // The open memo, emptied first if the sheets changed since it was
  // filled; null outside a scope.
  static Memo* Live();
};

}  // namespace standin
