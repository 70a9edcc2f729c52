#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "lut/Tarvel_TLUT.h"
#include "lut/Tarvel_TreeNodeLUTs.h"
#include "tests/lut/RecordingMessagePort.h"

namespace {

// The catalogue goes into the process-wide registry, so it is built once for
// the whole program, as start-up does.
class CatalogueTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { BuildVisioConstantCatalogue(); }
};

std::int32_t TotalEntries(const TLUTAll& registry) {
  std::int32_t total = 0;
  for (std::int32_t i = 0; i < registry.Count(); ++i) total += registry.TableAt(i)->Count();
  return total;
}

const char* KindName(TLUTKind kind) {
  switch (kind) {
    case TLUTKind::Norm:
      return "Norm";
    case TLUTKind::Flags:
      return "Flags";
    case TLUTKind::N4F12:
      return "N4F12";
    case TLUTKind::N6F10:
      return "N6F10";
  }
  return "?";
}

}  // namespace

TEST_F(CatalogueTest, HoldsAllTablesAndEntries) {
  EXPECT_EQ(LUTAll.Count(), 113);
  EXPECT_EQ(TotalEntries(LUTAll), 1526);

  std::map<std::string, int> kinds;
  const TLUT* largest = LUTAll.TableAt(0);
  for (std::int32_t i = 0; i < LUTAll.Count(); ++i) {
    const TLUT* table = LUTAll.TableAt(i);
    ++kinds[KindName(table->Kind())];
    if (table->Count() > largest->Count()) largest = table;
    EXPECT_NE(table, &LUT_Hex);
    EXPECT_NE(table, &LUT_TrueFalse);
  }
  EXPECT_EQ(kinds, (std::map<std::string, int>{{"Norm", 107}, {"Flags", 5}, {"N4F12", 1}}));
  EXPECT_EQ(largest, LUT_VisUICmds);
  EXPECT_EQ(largest->Count(), 272);
}

TEST_F(CatalogueTest, GlobalsReferToTheirRegisteredTables) {
  EXPECT_EQ(LUTAll.TableAt(0), LUT_VisUnitCodes);
  EXPECT_EQ(LUTAll.TableAt(112), LUT_StyleCellNames);
  for (const TLUT* global :
       {LUT_VisUnitCodes, LUT_VisShapeTypes, LUT_VisSectionIndices, LUT_VisRowIndices,
        LUT_VisStatCodes, LUT_VisFontAttributes, LUT_VisMasterProperties_Flags, LUT_VisDocVersions,
        LUT_VisUICmds, LUT_VisTraceFlags, LUT_StyleCellNames}) {
    ASSERT_NE(global, nullptr);
    EXPECT_EQ(LUTAll.FindTable(global->Name()), global);
  }
}

TEST_F(CatalogueTest, LooksUpTheTelltaleValues) {
  struct Case {
    const TLUT* table;
    std::int32_t value;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {LUT_VisSectionIndices, 255, "Inval"},  // before "None"
      {LUT_VisSectionIndices, 7, "Export"},   // before "ConnectionPts"
      {LUT_VisSectionIndices, 243, "Prop"},   // before "LastReal"
      {LUT_VisRowIndices, 0, "First"},
      {LUT_VisRowIndices, -2, "Last"},
      {LUT_VisMasterProperties_Flags, 48, "LPTile+LPStretch"},
      {LUT_VisMasterProperties_Flags, 0, "Lookup not found"},
      {LUT_VisShapeTypes, 19, "Shape+Metafile"},
      {LUT_VisShapeTypes, 259, "Shape+IsLinked"},
      {LUT_VisShapeTypes, 262, "IsLinked"},
      {LUT_VisFontAttributes, 1, "??"},
      {LUT_VisStatCodes, 6, "Deleted+Touched"},
      {LUT_VisStatCodes, 34, "Deleted+??"},
      {LUT_VisUICmds, 1067, "FormatText"},
      {LUT_VisUICmds, 1645, "BrowseSampleDrawings"},
      {LUT_VisDocVersions, 327680, "50"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.table->Lookup(c.value), c.expected) << c.table->Name() << " " << c.value;
  }
}

TEST_F(CatalogueTest, StyleCellNamesAreTheProgramsOwnNumberingWithoutPrefix) {
  const TLUT& cells = *LUT_StyleCellNames;
  EXPECT_EQ(cells.Prefix(), "");
  ASSERT_NE(cells.EntryAt(0), nullptr);
  EXPECT_EQ(cells.EntryAt(0)->Value(), 0);
  EXPECT_EQ(cells.EntryAt(0)->Name(), "Char.Font");
  ASSERT_NE(cells.EntryAt(32), nullptr);
  EXPECT_EQ(cells.EntryAt(32)->Value(), 32);
  EXPECT_EQ(cells.EntryAt(32)->Name(), "TextBkgnd");
  EXPECT_EQ(cells.EntryAt(33), nullptr);
}

TEST_F(CatalogueTest, BuildingAgainChangesNothing) {
  RecordingMessagePort port;
  BuildVisioConstantCatalogue();
  EXPECT_TRUE(port.messages.empty());
  EXPECT_EQ(LUTAll.Count(), 113);
  EXPECT_EQ(TotalEntries(LUTAll), 1526);
}

TEST_F(CatalogueTest, AFreshCopyMatchesTheCatalogueAndLeavesTheGlobalsAlone) {
  TLUTAll copy;
  RecordingMessagePort port;
  AddVisioConstantTables(copy);
  EXPECT_TRUE(port.messages.empty());
  ASSERT_EQ(copy.Count(), LUTAll.Count());
  EXPECT_EQ(TotalEntries(copy), 1526);
  EXPECT_EQ(LUT_VisUnitCodes, LUTAll.TableAt(0));
  EXPECT_NE(LUT_VisUnitCodes, copy.TableAt(0));
}

// Every table, entry by entry, against the published data the catalogue was
// generated from, when that data is at hand.
TEST_F(CatalogueTest, MatchesThePublishedConstants) {
  const char* dir = std::getenv("TARVEL_SHARED_DIR");
  if (dir == nullptr || *dir == '\0') GTEST_SKIP() << "TARVEL_SHARED_DIR is not set";
  const std::string path = std::string(dir) + "/visio-constants.tsv";
  std::ifstream tsv(path);
  if (!tsv) GTEST_SKIP() << "no constant data at " << path;

  std::string line;
  std::getline(tsv, line);
  ASSERT_EQ(line, "table\tprefix\tkind\tvalue\tname");

  std::int32_t tablePos = -1;
  std::int32_t entryPos = 0;
  std::string currentTable;
  int rows = 0;
  while (std::getline(tsv, line)) {
    std::istringstream fields(line);
    std::string table, prefix, kind, value, name;
    std::getline(fields, table, '\t');
    std::getline(fields, prefix, '\t');
    std::getline(fields, kind, '\t');
    std::getline(fields, value, '\t');
    std::getline(fields, name, '\t');
    ++rows;
    if (table != currentTable) {
      if (tablePos >= 0) {
        EXPECT_EQ(LUTAll.TableAt(tablePos)->Count(), entryPos) << currentTable;
      }
      currentTable = table;
      ++tablePos;
      entryPos = 0;
      const TLUT* lut = LUTAll.TableAt(tablePos);
      ASSERT_NE(lut, nullptr) << "no table at position " << tablePos << " for " << table;
      ASSERT_EQ(lut->Name(), table);
      EXPECT_EQ(lut->Prefix(), prefix) << table;
      EXPECT_EQ(KindName(lut->Kind()), kind) << table;
    }
    const TLUTItem* entry = LUTAll.TableAt(tablePos)->EntryAt(entryPos);
    ASSERT_NE(entry, nullptr) << table << " has no entry " << entryPos;
    EXPECT_EQ(entry->Value(), std::stoi(value)) << table << " entry " << entryPos;
    EXPECT_EQ(entry->Name(), name) << table << " entry " << entryPos;
    ++entryPos;
  }
  ASSERT_GE(tablePos, 0);
  EXPECT_EQ(LUTAll.TableAt(tablePos)->Count(), entryPos) << currentTable;
  EXPECT_EQ(tablePos + 1, LUTAll.Count());
  EXPECT_EQ(rows, 1526);
}
