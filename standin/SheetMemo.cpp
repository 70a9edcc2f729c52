// The memo of what calls work out of the sheets, and keeping it right
// when they change.
#include <algorithm>
#include <atomic>

#include "standin/SheetInternals.h"

namespace standin {

thread_local ShapeSheet::Memo* ShapeSheet::Memo::current = nullptr;

ShapeSheet::Memo& ShapeSheet::Memo::OfThisThread() {
  // One memo per thread: its tables keep their room from one call to the
  // next.
  thread_local Memo memo;
  return memo;
}

namespace {
// Counts changes to any sheet or to what sheets inherit from.
std::atomic<std::uint64_t> sheetsGeneration{1};
}  // namespace

void SheetsChanged() noexcept {
  sheetsGeneration.fetch_add(1, std::memory_order_relaxed);
}

std::uint64_t SheetsGeneration() noexcept {
  return sheetsGeneration.load(std::memory_order_relaxed);
}

ShapeSheet::Memo* ShapeSheet::Memo::Live() {
  Memo* memo = current;
  if (!memo) return nullptr;
  // A change no member mended the memo for (any sheet's, or one to what
  // sheets inherit from) leaves nothing in it that still holds.
  const std::uint64_t now = SheetsGeneration();
  if (memo->generation != now) {
    memo->Clear();
    memo->generation = now;
  }
  return memo;
}

void ShapeSheet::Memo::Mended(bool inStep) {
  // Results of cells may change with any change; the lists of rows and
  // sections are mended by the member making it, and hold on if they held
  // before.
  values.clear();
  changed = true;
  if (inStep) generation = SheetsGeneration();
}

ShapeSheet::Scope::Scope() {
  if (Memo::current) return;
  owner_ = true;
  Memo::current = &Memo::OfThisThread();
  Memo::Live();
}

ShapeSheet::Scope::~Scope() {
  if (!owner_) return;
  Memo& memo = *Memo::current;
  // A call that changed something starts the next one afresh, as does a
  // memo grown past what is worth searching.
  if (memo.changed || memo.Entries() > Memo::kKeptEntries ||
      memo.values.size() > Memo::kKeptValues) {
    memo.Clear();
    memo.changed = false;
  }
  Memo::current = nullptr;
}

ShapeSheet::Change::Change() {
  Memo& memo = *Memo::current;  // the scope is made first
  const bool inStep = memo.generation == SheetsGeneration();
  SheetsChanged();
  ++memo.changing;
  memo.Mended(inStep);
}

ShapeSheet::Change::~Change() {
  Memo& memo = *Memo::current;
  const bool inStep = memo.generation == SheetsGeneration();
  SheetsChanged();
  --memo.changing;
  memo.Mended(inStep);
}

void ShapeSheet::ForgetRows() const {
  SheetsChanged();
  Memo::Live();
}

const CellValue* ShapeSheet::KeptValue(std::int16_t s, std::int16_t r, std::int16_t c) const {
  Memo* memo = Memo::Live();
  if (!memo || memo->changing > 0) return nullptr;
  auto it = memo->values.find({this, s, r, c});
  return it == memo->values.end() ? nullptr : &it->second;
}

void ShapeSheet::KeepValue(std::int16_t s, std::int16_t r, std::int16_t c,
                           const CellValue& v) const {
  Memo* memo = Memo::Live();
  if (!memo || memo->changing > 0) return;
  memo->values.try_emplace({this, s, r, c}, v);
}

ShapeSheet::RowsEntry* ShapeSheet::MendableRows(std::int16_t s) const {
  Memo* memo = Memo::Live();
  if (!memo) return nullptr;
  // Lists of the same section elsewhere may include these rows (sheets
  // that inherit from this one), and so may this sheet's own if its
  // inheritance comes round; geometry sections map across indices.
  const Memo::Key mine{this, 0, s, 0};
  auto& rows = memo->rows.items;
  rows.erase(std::remove_if(rows.begin(), rows.end(),
                            [&](const auto& e) {
                              const std::int16_t other = e.first.section;
                              const bool related =
                                  other == s || (IsGeometrySection(s) && IsGeometrySection(other));
                              return related && !(e.first == mine && e.second.mendable);
                            }),
             rows.end());
  memo->rows.Reindex();
  RowsEntry* entry = memo->rows.Find(mine);
  // Someone still holds the list: they keep theirs, the memo gets a copy.
  if (entry && entry->rows.use_count() > 1)
    entry->rows = std::make_shared<std::vector<RowRef>>(*entry->rows);
  return entry;
}

ShapeSheet::RowsEntry* ShapeSheet::RowInserted(std::int16_t s, const SectionData& local,
                                               const RowData* oldBase, std::size_t at) const {
  RowsEntry* mine = MendableRows(s);
  if (!mine) return nullptr;
  const RowData* base = local.rows.data();
  if (base == oldBase && at + 1 == local.rows.size()) return mine;  // nothing else moved
  // The rows after the new one moved up by one, all of them if the vector
  // grew into new room: the list's pointers follow them.
  const auto oldAddress = reinterpret_cast<std::uintptr_t>(oldBase);
  for (RowRef& r : *mine->rows) {
    if (!r.local) continue;
    std::size_t i = (reinterpret_cast<std::uintptr_t>(r.local) - oldAddress) / sizeof(RowData);
    if (i >= at) ++i;
    r.local = &local.rows[i];
    if (!r.local->name.empty()) r.name = r.local->name;
  }
  return mine;
}

void ShapeSheet::RowChanged(std::int16_t s, std::int16_t r, const RowData& row,
                            bool renamed) const {
  RowsEntry* mine = MendableRows(s);
  if (!mine) return;
  RowRef& ref = (*mine->rows)[static_cast<std::size_t>(r)];
  if (row.tag != 0) ref.tag = row.tag;
  if (renamed) {
    ref.name = row.name;
    mine->names.reset();
  }
}

ShapeSheet::SectionData& ShapeSheet::SectionSlot(std::int16_t s) {
  auto [it, made] = sections_.try_emplace(s);
  if (made) ForgetRows();  // answers that found no section here
  return it->second;
}

SheetHost* ShapeSheet::Source(std::int16_t s, std::int16_t r) const {
  Memo* memo = Memo::Live();
  if (!memo) return host_->InheritedSource(s, r);
  const Memo::Key key{this, 0, s, r};
  if (SheetHost** found = memo->sources.Find(key)) return *found;
  SheetHost* src = host_->InheritedSource(s, r);
  memo->sources.Add(key, src);
  return src;
}

}  // namespace standin
