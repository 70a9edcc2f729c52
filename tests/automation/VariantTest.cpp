#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

#include "Tables.h"
#include "TestObjects.h"
#include "automation/Variant.h"

namespace automation {
namespace {

using tables::Conversion;

class VariantConversionTest : public ::testing::TestWithParam<Conversion> {};

TEST_P(VariantConversionTest, FollowsOleRules) {
  const Conversion& c = GetParam();
  if (c.error == S_OK) {
    EXPECT_EQ(c.from.ChangeType(c.to), c.expected);
  } else {
    try {
      c.from.ChangeType(c.to);
      ADD_FAILURE() << "no error";
    } catch (const AutomationError& e) {
      EXPECT_EQ(FormatHResult(e.code()), FormatHResult(c.error));
      EXPECT_EQ(e.message(), SystemMessage(c.error));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Table, VariantConversionTest, ::testing::ValuesIn(tables::Conversions()));

TEST(VariantTest, VisioBooleansAreSixteenBitIntegers) {
  EXPECT_EQ(Variant::VisBool(true), Variant(std::int16_t{-1}));
  EXPECT_EQ(Variant::VisBool(false).type(), VarType::I2);
  EXPECT_EQ(Variant::Bool(true).type(), VarType::Bool);
  EXPECT_EQ(Variant::Bool(true).ToInt16(), -1);
  EXPECT_NE(Variant::Bool(true), Variant::VisBool(true));  // same bits, different types
}

TEST(VariantTest, ObjectsConvertBetweenDispatchAndUnknownOnly) {
  auto bag = MakeRef<testing::Bag>();
  const Variant d(bag);
  EXPECT_EQ(d.type(), VarType::Dispatch);
  const Variant u = d.ChangeType(VarType::Unknown);
  EXPECT_EQ(u.type(), VarType::Unknown);
  EXPECT_EQ(u.ToObject().get(), bag.get());
  EXPECT_THROW(d.ToInt32(), AutomationError);
  EXPECT_THROW(d.ToString(), AutomationError);
}

TEST(VariantTest, MissingArgumentMarker) {
  EXPECT_TRUE(Variant::Missing().IsMissing());
  EXPECT_EQ(Variant::Missing().type(), VarType::Error);
  EXPECT_FALSE(Variant::Error(E_FAIL).IsMissing());
  EXPECT_FALSE(Variant().IsMissing());
}

TEST(StringArrayTest, BoundsAndElementAccess) {
  StringArray a(1, {"Basic Shapes", "Arrows"});
  EXPECT_EQ(a.LBound(), 1);
  EXPECT_EQ(a.UBound(), 2);
  EXPECT_EQ(a.Get(2), "Arrows");
  a.Put(1, "Flowchart");
  EXPECT_EQ(a.Get(1), "Flowchart");
  for (int bad : {0, 3, -1}) {
    try {
      a.Get(bad);
      ADD_FAILURE() << bad;
    } catch (const AutomationError& e) {
      EXPECT_EQ(e.code(), DISP_E_BADINDEX);
    }
  }
  EXPECT_THROW(a.Put(3, "x"), AutomationError);

  // Bounds 0..0 hold one empty string; an upper bound below the lower one
  // is an empty array whose UBound is LBound - 1.
  const StringArray one = StringArray::WithBounds(0, 0);
  EXPECT_EQ(one.Count(), 1);
  EXPECT_EQ(one.Get(0), "");
  const StringArray none = StringArray::WithBounds(0, -1);
  EXPECT_EQ(none.Count(), 0);
  EXPECT_EQ(none.UBound(), -1);

  // A variant holds its own copy.
  Variant v(a);
  a.Put(1, "changed");
  EXPECT_EQ(v.ToStringArray().Get(1), "Flowchart");
}

TEST(VariantTest, PrintsTypeAndValueForDiagnostics) {
  std::ostringstream os;
  os << Variant(std::int16_t{-1}) << '|' << Variant("x") << '|' << Variant::Error(E_FAIL) << '|'
     << Variant(StringArray(0, {"a"})) << '|' << Variant();
  EXPECT_EQ(os.str(),
            "VT_I2 -1|VT_BSTR \"x\"|VT_ERROR 0x80004005|VT_ARRAY|VT_BSTR (0..0) \"a\"|VT_EMPTY");
}

TEST(HResultTest, CodesCarryTheSystemMessages) {
  for (const tables::Message& r : tables::Messages()) {
    EXPECT_EQ(FormatHResult(r.code), r.hex);
    EXPECT_EQ(SystemMessage(r.code), r.message) << r.hex;
    EXPECT_EQ(AutomationError(r.code).message(), r.message);
  }
  EXPECT_TRUE(Failed(E_FAIL));
  EXPECT_TRUE(Succeeded(S_FALSE));
  const AutomationError custom(RPC_E_CALL_REJECTED, "Visio is busy");
  EXPECT_EQ(custom.code(), RPC_E_CALL_REJECTED);
  EXPECT_STREQ(custom.what(), "Visio is busy");
  EXPECT_THROW(Check(E_FAIL), AutomationError);
  EXPECT_NO_THROW(Check(S_FALSE));
}

}  // namespace
}  // namespace automation
