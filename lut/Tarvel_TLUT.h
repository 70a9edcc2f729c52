// Look-up tables: turn a number that Visio reports into the name of the Visio
// constant it stands for, and hold the registry of all catalogue tables.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// How Lookup splits a value: a low part looked up as one constant, and the bits
// above it looked up one by one as flags (always up to bit 31).
enum class TLUTKind : std::uint8_t {
  Norm,   // the whole value is one constant
  Flags,  // bits 0..31 are flags
  N4F12,  // bits 0..3 are one constant, bits 4..31 flags
  N6F10,  // bits 0..5 are one constant, bits 6..31 flags
};

// One constant: its value and its name without the table's prefix.
class TLUTItem {
 public:
  TLUTItem(std::int32_t value, std::string name);

  std::int32_t Value() const { return value_; }
  const std::string& Name() const { return name_; }

 private:
  std::int32_t value_;
  std::string name_;
};

// One table of constants. Entries keep the order in which they were added; values
// and names may repeat, and the first entry added wins every search.
class TLUT {
 public:
  TLUT(std::string name, TLUTKind kind, std::string prefix);
  virtual ~TLUT();

  TLUT(const TLUT&) = delete;
  TLUT& operator=(const TLUT&) = delete;

  // Appends an entry; repeated values or names are accepted as they come.
  const TLUTItem& AddEntry(std::int32_t value, std::string name);

  // The first entry with this value, or nullptr.
  const TLUTItem* FindEntry(std::int32_t value) const;

  // The entry at a 0-based position, or nullptr outside 0 .. Count() - 1.
  const TLUTItem* EntryAt(std::int32_t position) const;

  // The constant name(s) for `value` as decoded by the table's kind, never empty:
  // "A+B" for several flags, "??" for a set flag bit without an entry, and
  // "Lookup not found" when nothing at all was decoded. The prefix is not added.
  virtual std::string Lookup(std::int32_t value) const;

  std::int32_t Count() const { return static_cast<std::int32_t>(entries_.size()); }
  const std::string& Name() const { return name_; }
  const std::string& Prefix() const { return prefix_; }
  TLUTKind Kind() const { return kind_; }

 private:
  std::vector<std::unique_ptr<TLUTItem>> entries_;
  std::string name_;
  std::string prefix_;
  TLUTKind kind_;
};

// Shows any value as hexadecimal ("0000001FH"); holds no entries.
class TLUT_Hex : public TLUT {
 public:
  TLUT_Hex(std::string name, TLUTKind kind, std::string prefix);
  std::string Lookup(std::int32_t value) const override;
};

// Shows a Visio boolean: -1 is "True", 0 is "False"; holds no entries.
class TLUT_TrueFalse : public TLUT {
 public:
  TLUT_TrueFalse(std::string name, TLUTKind kind, std::string prefix);
  std::string Lookup(std::int32_t value) const override;
};

// The registry of catalogue tables, in the order of registration. It owns them.
class TLUTAll {
 public:
  TLUTAll() = default;
  ~TLUTAll();

  TLUTAll(const TLUTAll&) = delete;
  TLUTAll& operator=(const TLUTAll&) = delete;

  // Creates, registers and returns a new empty table. A name that is already
  // registered is refused with the message "Error: Attempt to add duplicate LUT: "
  // + name; nothing is added and the table already registered under that name is
  // returned, so a caller never receives nullptr.
  TLUT* AddTable(const std::string& name, const std::string& prefix, TLUTKind kind);

  // The first table with exactly this name (case-sensitive), or nullptr.
  TLUT* FindTable(const std::string& name) const;

  // The table at a 0-based position in registration order, or nullptr outside
  // 0 .. Count() - 1.
  TLUT* TableAt(std::int32_t position) const;

  std::int32_t Count() const { return static_cast<std::int32_t>(tables_.size()); }

 private:
  std::vector<std::unique_ptr<TLUT>> tables_;
};

// A value as exactly 8 upper-case hexadecimal digits (two's complement) and "H".
std::string TLUTHexText(std::int32_t value);

// The module's three objects, created together on first use in this order
// (registry, Hex, TrueFalse) and never destroyed. The accessors may be called at
// any time, also from a static initialiser in any translation unit.
TLUTAll& TheLUTAll();
TLUT_Hex& TheLUT_Hex();
TLUT_TrueFalse& TheLUT_TrueFalse();

// The same objects under their usual names. These references are bound during
// static initialisation, so code that may itself run then uses the accessors.
// LUT_Hex and LUT_TrueFalse are not registered in LUTAll.
extern TLUTAll& LUTAll;
extern TLUT_Hex& LUT_Hex;
extern TLUT_TrueFalse& LUT_TrueFalse;
