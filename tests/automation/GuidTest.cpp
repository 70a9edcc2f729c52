#include <gtest/gtest.h>

#include "automation/Guid.h"

namespace automation {
namespace {

TEST(GuidTest, ParsesAndFormatsTheBracedForm) {
  const auto g = Guid::Parse("{00021a20-0000-0000-c000-000000000046}");
  ASSERT_TRUE(g.has_value());
  EXPECT_EQ(g->data1, 0x00021A20u);
  EXPECT_EQ(g->data4[0], 0xC0);
  EXPECT_EQ(g->data4[7], 0x46);
  EXPECT_EQ(g->ToString(), "{00021A20-0000-0000-C000-000000000046}");
  EXPECT_EQ(*g, Guid::FromString("{00021A20-0000-0000-C000-000000000046}"));
  EXPECT_NE(*g, IID_IDispatch);
}

TEST(GuidTest, RefusesMalformedText) {
  for (const char* bad :
       {"", "00021A20-0000-0000-C000-000000000046", "{00021A20-0000-0000-C000-00000000004}",
        "{00021A20-0000-0000-C000-00000000004G}", "{00021A20+0000-0000-C000-000000000046}",
        "visio.application"}) {
    EXPECT_FALSE(Guid::Parse(bad).has_value()) << bad;
  }
  EXPECT_THROW(Guid::FromString("{nope}"), std::invalid_argument);
}

}  // namespace
}  // namespace automation
