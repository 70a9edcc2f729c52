#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

#include "TestObjects.h"
#include "automation/Variant.h"

namespace automation {
namespace {

// One conversion: a value, the type asked for, and either the expected
// result or the error code it must fail with.
struct Conversion {
  Variant from;
  VarType to;
  Variant expected;
  HResult error = S_OK;
};

std::ostream& operator<<(std::ostream& os, const Conversion& c) {
  return os << c.from << " -> " << VarTypeName(c.to);
}

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

const std::int16_t kMinusOne = -1;

INSTANTIATE_TEST_SUITE_P(
    Table, VariantConversionTest,
    ::testing::Values(
        // Strings to numbers: numeric text converts, anything else does not.
        Conversion{Variant("12"), VarType::I2, Variant(std::int16_t{12})},
        Conversion{Variant(" -7 "), VarType::I2, Variant(std::int16_t{-7})},
        Conversion{Variant("abc"), VarType::I2, {}, DISP_E_TYPEMISMATCH},
        Conversion{Variant(""), VarType::I2, {}, DISP_E_TYPEMISMATCH},
        Conversion{Variant("12abc"), VarType::I4, {}, DISP_E_TYPEMISMATCH},
        Conversion{Variant("1,234.5"), VarType::R8, Variant(1234.5)},
        Conversion{Variant("2.5e2"), VarType::I4, Variant(250)},
        Conversion{Variant("&HFF"), VarType::I4, Variant(255)},
        Conversion{Variant("40000"), VarType::I2, {}, DISP_E_OVERFLOW},
        // Rounding to integers: halves go to the even neighbour.
        Conversion{Variant(2.5), VarType::I2, Variant(std::int16_t{2})},
        Conversion{Variant(3.5), VarType::I2, Variant(std::int16_t{4})},
        Conversion{Variant(-2.5), VarType::I4, Variant(-2)},
        Conversion{Variant(1e10), VarType::I4, {}, DISP_E_OVERFLOW},
        Conversion{Variant(std::nan("")), VarType::I4, {}, DISP_E_OVERFLOW},
        Conversion{Variant(32768), VarType::I2, {}, DISP_E_OVERFLOW},
        Conversion{Variant(-32768), VarType::I2, Variant(std::int16_t{-32768})},
        // Numbers to strings: integers in decimal, doubles with up to 15 digits.
        Conversion{Variant(std::int16_t{-5}), VarType::Bstr, Variant("-5")},
        Conversion{Variant(2.0), VarType::Bstr, Variant("2")},
        Conversion{Variant(1.0 / 3.0), VarType::Bstr, Variant("0.333333333333333")},
        Conversion{Variant(1e20), VarType::Bstr, Variant("1E+20")},
        // Booleans: VT_BOOL is -1/0 and reads back as such.
        Conversion{Variant::Bool(true), VarType::I2, Variant(kMinusOne)},
        Conversion{Variant::Bool(true), VarType::Bstr, Variant("-1")},
        Conversion{Variant(std::int16_t{5}), VarType::Bool, Variant::Bool(true)},
        Conversion{Variant("false"), VarType::Bool, Variant::Bool(false)},
        Conversion{Variant("True"), VarType::Bool, Variant::Bool(true)},
        // Empty is zero, the empty string, Nothing; Null converts to nothing.
        Conversion{Variant(), VarType::I4, Variant(0)},
        Conversion{Variant(), VarType::Bstr, Variant("")},
        Conversion{Variant(), VarType::Dispatch, Variant(ObjectRef())},
        Conversion{Variant::Null(), VarType::I4, {}, DISP_E_TYPEMISMATCH},
        Conversion{Variant::Null(), VarType::Bstr, {}, DISP_E_TYPEMISMATCH},
        // Arrays and scalars never mix.
        Conversion{Variant(StringArray(0, {"a"})), VarType::Bstr, {}, DISP_E_TYPEMISMATCH},
        Conversion{Variant("a"), VarType::BstrArray, {}, DISP_E_TYPEMISMATCH},
        Conversion{Variant(7), VarType::Dispatch, {}, DISP_E_TYPEMISMATCH}));

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
  struct Row {
    HResult code;
    const char* hex;
    const char* message;
  };
  const Row rows[] = {
      {S_OK, "0x00000000", "The operation completed successfully."},
      {E_FAIL, "0x80004005", "Unspecified error"},
      {E_UNEXPECTED, "0x8000FFFF", "Catastrophic failure"},
      {E_NOINTERFACE, "0x80004002", "No such interface supported"},
      {RPC_E_CALL_REJECTED, "0x80010001", "Call was rejected by callee."},
      {RPC_E_DISCONNECTED, "0x80010108", "The object invoked has disconnected from its clients."},
      {DISP_E_MEMBERNOTFOUND, "0x80020003", "Member not found."},
      {DISP_E_TYPEMISMATCH, "0x80020005", "Type mismatch."},
      {DISP_E_BADINDEX, "0x8002000B", "Invalid index."},
      {CO_E_CLASSSTRING, "0x800401F3", "Invalid class string"},
      {MK_E_UNAVAILABLE, "0x800401E3", "Operation unavailable"},
      {REGDB_E_CLASSNOTREG, "0x80040154", "Class not registered"},
      {MakeHResult(0x80041234), "0x80041234", "Unknown error 0x80041234"},
  };
  for (const Row& r : rows) {
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
