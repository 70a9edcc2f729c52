#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "lut/Tarvel_TLUT.h"
#include "tests/lut/RecordingMessagePort.h"

namespace {

constexpr std::int32_t kBit31 = std::numeric_limits<std::int32_t>::min();

std::unique_ptr<TLUT> MakeTable(TLUTKind kind,
                                std::vector<std::pair<std::int32_t, std::string>> entries) {
  auto table = std::make_unique<TLUT>("LUT_Test", kind, "visTest");
  for (auto& [value, name] : entries) table->AddEntry(value, std::move(name));
  return table;
}

struct LookupCase {
  std::int32_t value;
  std::string expected;
};

void ExpectLookups(const TLUT& table, const std::vector<LookupCase>& cases) {
  for (const LookupCase& c : cases) {
    EXPECT_EQ(table.Lookup(c.value), c.expected) << "value " << c.value;
  }
}

}  // namespace

TEST(TLUTTest, EntriesKeepTheirOrderAndTheFirstOfEqualValuesIsFound) {
  auto table = MakeTable(TLUTKind::Norm, {{255, "Inval"}, {0, "First"}, {255, "None"}});
  ASSERT_EQ(table->Count(), 3);
  EXPECT_EQ(table->EntryAt(2)->Name(), "None");
  EXPECT_EQ(table->FindEntry(255), table->EntryAt(0));
  EXPECT_EQ(table->FindEntry(1), nullptr);
  EXPECT_EQ(table->EntryAt(-1), nullptr);
  EXPECT_EQ(table->EntryAt(3), nullptr);

  const TLUTItem& added = table->AddEntry(-2, "Last");
  EXPECT_EQ(table->Count(), 4);
  EXPECT_EQ(table->EntryAt(3), &added);
  EXPECT_EQ(added.Value(), -2);
  EXPECT_EQ(added.Name(), "Last");
}

TEST(TLUTTest, ANewTableIsEmptyAndKeepsItsNamePrefixAndKind) {
  TLUT table("LUT_Empty", TLUTKind::N6F10, "visEmpty");
  EXPECT_EQ(table.Count(), 0);
  EXPECT_EQ(table.EntryAt(0), nullptr);
  EXPECT_EQ(table.FindEntry(0), nullptr);
  EXPECT_EQ(table.Name(), "LUT_Empty");
  EXPECT_EQ(table.Prefix(), "visEmpty");
  EXPECT_EQ(table.Kind(), TLUTKind::N6F10);
  EXPECT_EQ(table.Lookup(0), "Lookup not found");
}

TEST(TLUTTest, NormLooksUpTheWholeValue) {
  auto table = MakeTable(
      TLUTKind::Norm,
      {{7, "Export"}, {7, "ConnectionPts"}, {-2, "Last"}, {kBit31, "Lowest"}, {65536, "Big"}});
  ExpectLookups(*table, {{7, "Export"},
                         {-2, "Last"},
                         {kBit31, "Lowest"},
                         {65536, "Big"},
                         {65536 + 7, "Lookup not found"},
                         {0, "Lookup not found"}});
}

TEST(TLUTTest, FlagsNamesEverySetBitAndNeverLooksUpZero) {
  auto table = MakeTable(TLUTKind::Flags, {{0, "Normal"},
                                           {1, "AppHasShutdown"},
                                           {2, "Deleted"},
                                           {4, "Touched"},
                                           {8, "Closed"},
                                           {16, "Suspended"}});
  ExpectLookups(*table, {{6, "Deleted+Touched"},
                         {0, "Lookup not found"},
                         {34, "Deleted+??"},
                         {32, "??"},
                         {1 + 8 + 16, "AppHasShutdown+Closed+Suspended"},
                         {kBit31, "??"}});
}

TEST(TLUTTest, FlagsRunUpToBit31) {
  auto table = MakeTable(TLUTKind::Flags,
                         {{1, "Bit0"}, {1 << 16, "Bit16"}, {1 << 30, "Bit30"}, {kBit31, "Bit31"}});
  ExpectLookups(*table, {{kBit31, "Bit31"},
                         {(1 << 16) | (1 << 30) | kBit31, "Bit16+Bit30+Bit31"},
                         {1 | (1 << 15) | (1 << 16), "Bit0+??+Bit16"}});

  // Every bit set: one name or "??" per bit, 32 in all.
  std::string all = "Bit0";
  for (int bit = 1; bit <= 31; ++bit) {
    all += bit == 16 ? "+Bit16" : bit == 30 ? "+Bit30" : bit == 31 ? "+Bit31" : "+??";
  }
  EXPECT_EQ(table->Lookup(-1), all);
}

TEST(TLUTTest, N4F12LooksUpTheLowNibbleAsOneConstantAndTheRestAsFlags) {
  auto table = MakeTable(TLUTKind::N4F12, {{1, "Page"},
                                           {2, "Group"},
                                           {3, "Shape"},
                                           {4, "ForeignObject"},
                                           {5, "Guide"},
                                           {16, "Metafile"},
                                           {32, "Bitmap"},
                                           {256, "IsLinked"},
                                           {512, "IsEmbedded"},
                                           {1024, "IsControl"},
                                           {32768, "IsOLE2"}});
  ExpectLookups(*table, {{3, "Shape"},
                         {259, "Shape+IsLinked"},
                         {256, "IsLinked"},
                         {6, "Lookup not found"},
                         {262, "IsLinked"},
                         {19, "Shape+Metafile"},
                         {3 + 32768 + 512, "Shape+IsEmbedded+IsOLE2"},
                         {3 | kBit31, "Shape+??"},
                         {64, "??"}});
}

TEST(TLUTTest, N6F10LooksUpSixLowBitsAsOneConstantAndTheRestAsFlags) {
  auto table = MakeTable(TLUTKind::N6F10, {{0, "None"},
                                           {5, "Five"},
                                           {16, "Sixteen"},
                                           {63, "Max"},
                                           {64, "F6"},
                                           {1 << 20, "F20"},
                                           {kBit31, "F31"}});
  ExpectLookups(*table, {{5, "Five"},
                         {16, "Sixteen"},  // bit 4 still belongs to the low part
                         {63, "Max"},
                         {0, "None"},
                         {64, "None+F6"},  // the low part 0 has a name here
                         {5 + 64 + (1 << 20), "Five+F6+F20"},
                         {5 + 128, "Five+??"},
                         {62, "Lookup not found"},
                         {62 + 64, "F6"},
                         {kBit31, "None+F31"}});
}

TEST(TLUTTest, HexShowsEightUpperCaseDigitsInTwosComplement) {
  ExpectLookups(LUT_Hex, {{0, "00000000H"},
                          {31, "0000001FH"},
                          {255, "000000FFH"},
                          {-1, "FFFFFFFFH"},
                          {kBit31, "80000000H"},
                          {std::numeric_limits<std::int32_t>::max(), "7FFFFFFFH"},
                          {0x0ABCDEF0, "0ABCDEF0H"}});
}

TEST(TLUTTest, TrueFalseShowsVisioBooleans) {
  ExpectLookups(
      LUT_TrueFalse,
      {{-1, "True"}, {0, "False"}, {1, "True but NOT -1!"}, {kBit31, "True but NOT -1!"}});
}

TEST(TLUTTest, HexAndTrueFalseAreEmptyUnregisteredNormTablesThatLookUpThroughTLUT) {
  const TLUT& hex = LUT_Hex;
  const TLUT& trueFalse = LUT_TrueFalse;
  EXPECT_EQ(hex.Lookup(16), "00000010H");
  EXPECT_EQ(trueFalse.Lookup(-1), "True");
  for (const TLUT* table : {&hex, &trueFalse}) {
    EXPECT_EQ(table->Count(), 0);
    EXPECT_EQ(table->EntryAt(0), nullptr);
    EXPECT_EQ(table->Kind(), TLUTKind::Norm);
    EXPECT_EQ(table->Prefix(), "");
    EXPECT_EQ(LUTAll.FindTable(table->Name()), nullptr);
  }
  EXPECT_EQ(hex.Name(), "Hex");
  EXPECT_EQ(trueFalse.Name(), "TrueFalse");
  EXPECT_EQ(&TheLUTAll(), &LUTAll);
  EXPECT_EQ(&TheLUT_Hex(), &LUT_Hex);
  EXPECT_EQ(&TheLUT_TrueFalse(), &LUT_TrueFalse);
}

TEST(TLUTAllTest, RegistersTablesInOrderAndFindsThemByExactName) {
  TLUTAll registry;
  EXPECT_EQ(registry.Count(), 0);
  EXPECT_EQ(registry.TableAt(0), nullptr);

  TLUT* units = registry.AddTable("LUT_VisUnitCodes", "vis", TLUTKind::Norm);
  TLUT* shapes = registry.AddTable("LUT_VisShapeTypes", "visType", TLUTKind::N4F12);
  ASSERT_NE(units, nullptr);
  ASSERT_NE(shapes, nullptr);
  EXPECT_EQ(registry.Count(), 2);
  EXPECT_EQ(registry.TableAt(0), units);
  EXPECT_EQ(registry.TableAt(1), shapes);
  EXPECT_EQ(registry.TableAt(2), nullptr);
  EXPECT_EQ(registry.TableAt(-1), nullptr);
  EXPECT_EQ(shapes->Name(), "LUT_VisShapeTypes");
  EXPECT_EQ(shapes->Prefix(), "visType");
  EXPECT_EQ(shapes->Kind(), TLUTKind::N4F12);
  EXPECT_EQ(shapes->Count(), 0);
  EXPECT_EQ(registry.FindTable("LUT_VisShapeTypes"), shapes);
  EXPECT_EQ(registry.FindTable("LUT_VisShape"), nullptr);
}

TEST(TLUTAllTest, RefusesADuplicateNameWithAMessageAndAddsNothing) {
  TLUTAll registry;
  TLUT* first = registry.AddTable("LUT_A", "visA", TLUTKind::Flags);
  first->AddEntry(1, "One");

  RecordingMessagePort port;
  TLUT* again = registry.AddTable("LUT_A", "visOther", TLUTKind::Norm);

  EXPECT_EQ(port.messages, std::vector<std::string>{"Error: Attempt to add duplicate LUT: LUT_A"});
  EXPECT_EQ(registry.Count(), 1);
  EXPECT_EQ(again, first);  // the table already registered, unchanged
  EXPECT_EQ(first->Prefix(), "visA");
  EXPECT_EQ(first->Kind(), TLUTKind::Flags);
  EXPECT_EQ(first->Count(), 1);
}

TEST(TLUTAllTest, NamesDifferingOnlyInCaseAreDifferentTables) {
  TLUTAll registry;
  RecordingMessagePort port;
  TLUT* upper = registry.AddTable("LUT_VisUnitCodes", "vis", TLUTKind::Norm);
  TLUT* lower = registry.AddTable("lut_visunitcodes", "vis", TLUTKind::Norm);
  EXPECT_TRUE(port.messages.empty());
  EXPECT_EQ(registry.Count(), 2);
  EXPECT_NE(upper, lower);
  EXPECT_EQ(registry.FindTable("lut_visunitcodes"), lower);
  EXPECT_EQ(registry.FindTable("LUT_VisUnitCodes"), upper);
  EXPECT_EQ(registry.FindTable("LUT_VISUNITCODES"), nullptr);
}
