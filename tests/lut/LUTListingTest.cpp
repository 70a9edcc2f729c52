#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "lut/Tarvel_LUTListing.h"
#include "lut/Tarvel_TreeNodeLUTs.h"

namespace {

class LUTListingTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { BuildVisioConstantCatalogue(); }
};

}  // namespace

TEST_F(LUTListingTest, EntryLinesAlignTheValueAndJoinPrefixAndName) {
  struct Case {
    const TLUT* table;
    std::int32_t position;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {LUT_VisSectionIndices, 6, "       3 00000003H  visSectionCharacter"},
      {LUT_VisShapeIDs, 0, "      -1 FFFFFFFFH  visInvalShapeID"},
      {LUT_VisDocVersions, 5, "  327680 00050000H  visVersion50"},
      {LUT_StyleCellNames, 0, "       0 00000000H  Char.Font"},
      {LUT_VisRowIndices, 1, "      -2 FFFFFFFEH  visRowLast"},
  };
  for (const Case& c : cases) {
    const TLUTItem* entry = c.table->EntryAt(c.position);
    ASSERT_NE(entry, nullptr) << c.table->Name() << " " << c.position;
    EXPECT_EQ(FormatLUTEntryLine(*c.table, *entry), c.expected);
  }
}

TEST_F(LUTListingTest, ValuesWiderThanEightColumnsWidenTheField) {
  TLUT table("LUT_Wide", TLUTKind::Norm, "p");
  table.AddEntry(std::numeric_limits<std::int32_t>::min(), "Min");
  table.AddEntry(123456789, "Nine");
  table.AddEntry(-1234567, "Eight");
  EXPECT_EQ(FormatLUTListing(table), (std::vector<std::string>{
                                         "LUT_Wide:",
                                         "-2147483648 80000000H  pMin",
                                         "123456789 075BCD15H  pNine",
                                         "-1234567 FFED2979H  pEight",
                                     }));
}

TEST_F(LUTListingTest, ListsEveryEntryEvenThoseLookupNeverShows) {
  const std::vector<std::string> lines = FormatLUTListing(*LUT_VisMasterProperties_Flags);
  ASSERT_EQ(lines.size(), 16u);
  EXPECT_EQ(lines[0], "LUT_VisMasterProperties_Flags:");
  EXPECT_EQ(lines[4], "       0 00000000H  visMasLPTileDeform");
  EXPECT_EQ(lines[7], "      48 00000030H  visMasLPAnnotate");
  EXPECT_EQ(lines[15], "   16384 00004000H  visMasFPScale");
}

TEST_F(LUTListingTest, TablesWithoutEntriesListOnlyTheirHeading) {
  EXPECT_EQ(FormatLUTListing(LUT_Hex), std::vector<std::string>{"Hex:"});
  EXPECT_EQ(FormatLUTListing(LUT_TrueFalse), std::vector<std::string>{"TrueFalse:"});
}
