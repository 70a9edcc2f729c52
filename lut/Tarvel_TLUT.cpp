#include "lut/Tarvel_TLUT.h"

#include <cstdio>
#include <utility>

#include "lut/Tarvel_MessagePort.h"

namespace {

struct TDecoding {
  std::int32_t mask;  // low part looked up as one constant; 0 for none
  int firstFlagBit;   // 32 for none
};

TDecoding DecodingOf(TLUTKind kind) {
  switch (kind) {
    case TLUTKind::Norm:
      return {-1, 32};
    case TLUTKind::Flags:
      return {0, 0};
    case TLUTKind::N4F12:
      return {0x0F, 4};
    case TLUTKind::N6F10:
      return {0x3F, 6};
  }
  return {-1, 32};
}

// Newest first, the reverse of creation, as owners free what they made.
template <typename T>
void FreeNewestFirst(std::vector<std::unique_ptr<T>>& items) {
  while (!items.empty()) items.pop_back();
}

}  // namespace

TLUTItem::TLUTItem(std::int32_t value, std::string name) : value_(value), name_(std::move(name)) {}

TLUT::TLUT(std::string name, TLUTKind kind, std::string prefix)
    : name_(std::move(name)), prefix_(std::move(prefix)), kind_(kind) {}

TLUT::~TLUT() {
  FreeNewestFirst(entries_);
}

const TLUTItem& TLUT::AddEntry(std::int32_t value, std::string name) {
  entries_.push_back(std::make_unique<TLUTItem>(value, std::move(name)));
  return *entries_.back();
}

const TLUTItem* TLUT::FindEntry(std::int32_t value) const {
  // Linear and in insertion order: the first of several equal values must win.
  for (const auto& entry : entries_) {
    if (entry->Value() == value) return entry.get();
  }
  return nullptr;
}

const TLUTItem* TLUT::EntryAt(std::int32_t position) const {
  if (position < 0 || position >= Count()) return nullptr;
  return entries_[static_cast<std::size_t>(position)].get();
}

std::string TLUT::Lookup(std::int32_t value) const {
  std::string result;
  const TDecoding decoding = DecodingOf(kind_);
  if (decoding.mask != 0) {
    if (const TLUTItem* entry = FindEntry(value & decoding.mask)) result = entry->Name();
  }
  const auto bits = static_cast<std::uint32_t>(value);
  for (int bit = decoding.firstFlagBit; bit <= 31; ++bit) {
    const std::uint32_t flag = std::uint32_t{1} << bit;
    if ((bits & flag) == 0) continue;
    if (!result.empty()) result += '+';
    // Bit 31 converts to -2147483648, the value its entry would carry.
    const TLUTItem* entry = FindEntry(static_cast<std::int32_t>(flag));
    result += entry != nullptr ? entry->Name() : std::string("??");
  }
  if (result.empty()) result = "Lookup not found";
  return result;
}

TLUT_Hex::TLUT_Hex(std::string name, TLUTKind kind, std::string prefix)
    : TLUT(std::move(name), kind, std::move(prefix)) {}

std::string TLUT_Hex::Lookup(std::int32_t value) const {
  return TLUTHexText(value);
}

TLUT_TrueFalse::TLUT_TrueFalse(std::string name, TLUTKind kind, std::string prefix)
    : TLUT(std::move(name), kind, std::move(prefix)) {}

std::string TLUT_TrueFalse::Lookup(std::int32_t value) const {
  // Visio's True is -1; any other non-zero value is worth pointing out.
  if (value == -1) return "True";
  if (value == 0) return "False";
  return "True but NOT -1!";
}

TLUTAll::~TLUTAll() {
  FreeNewestFirst(tables_);
}

TLUT* TLUTAll::AddTable(const std::string& name, const std::string& prefix, TLUTKind kind) {
  if (TLUT* existing = FindTable(name)) {
    ShowMessage("Error: Attempt to add duplicate LUT: " + name);
    return existing;
  }
  tables_.push_back(std::make_unique<TLUT>(name, kind, prefix));
  return tables_.back().get();
}

TLUT* TLUTAll::FindTable(const std::string& name) const {
  for (const auto& table : tables_) {
    if (table->Name() == name) return table.get();
  }
  return nullptr;
}

TLUT* TLUTAll::TableAt(std::int32_t position) const {
  if (position < 0 || position >= Count()) return nullptr;
  return tables_[static_cast<std::size_t>(position)].get();
}

std::string TLUTHexText(std::int32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%08XH",
                static_cast<unsigned int>(static_cast<std::uint32_t>(value)));
  return text;
}

namespace {

// The three objects live in one block so that they come to life together and in
// a fixed order, whichever accessor is reached first. The block is never freed:
// tables must stay valid for anything that runs during exit.
struct TLUTModule {
  TLUTAll all;
  TLUT_Hex hex{"Hex", TLUTKind::Norm, ""};
  TLUT_TrueFalse trueFalse{"TrueFalse", TLUTKind::Norm, ""};
};

TLUTModule& Module() {
  static TLUTModule* const module = new TLUTModule;
  return *module;
}

}  // namespace

TLUTAll& TheLUTAll() {
  return Module().all;
}
TLUT_Hex& TheLUT_Hex() {
  return Module().hex;
}
TLUT_TrueFalse& TheLUT_TrueFalse() {
  return Module().trueFalse;
}

TLUTAll& LUTAll = TheLUTAll();
TLUT_Hex& LUT_Hex = TheLUT_Hex();
TLUT_TrueFalse& LUT_TrueFalse = TheLUT_TrueFalse();
