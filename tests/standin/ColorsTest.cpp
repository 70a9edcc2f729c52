// A document's colour table: Visio's 24 default colours in order, the
// palette entry and its parts, colours a drawing adds, and closing.
#include <gtest/gtest.h>

#include "standin/Application.h"
#include "standin/Colors.h"
#include "tests/standin/InterfaceRows.h"

namespace standin {
namespace {

using automation::SameObject;
using testrows::FailureOf;
using testrows::TestDocument;

class ColorsTest : public ::testing::Test {
 protected:
  ObjectRef At(int i) { return colors.Get("Item", {Variant(i)}).ToObject(); }

  Ref<Application> app = MakeRef<Application>();
  Ref<TestDocument> doc = MakeRef<TestDocument>(app->session());
  Ref<Colors> list = MakeColors(app->session(), doc.get());
  ObjectRef colors = list;
};

TEST_F(ColorsTest, TheDefaultColorsComeInVisiosOrder) {
  struct Rgb {
    int r, g, b;
  };
  // visBlack (0) .. visGray90 (23), as LUT_VisDefaultColors_MinusTrans
  // names them.
  const Rgb expected[] = {
      {0, 0, 0},       {255, 255, 255}, {255, 0, 0},     {0, 255, 0},     {0, 0, 255},
      {255, 255, 0},   {255, 0, 255},   {0, 255, 255},   {128, 0, 0},     {0, 128, 0},
      {0, 0, 128},     {128, 128, 0},   {128, 0, 128},   {0, 128, 128},   {192, 192, 192},
      {230, 230, 230}, {205, 205, 205}, {179, 179, 179}, {154, 154, 154}, {128, 128, 128},
      {102, 102, 102}, {77, 77, 77},    {51, 51, 51},    {26, 26, 26},
  };
  ASSERT_EQ(colors.Get("Count"), I2(24));
  for (int i = 0; i < 24; ++i) {
    SCOPED_TRACE(i);
    ObjectRef c = At(i);
    EXPECT_EQ(c.Get("Index"), I2(i));
    EXPECT_EQ(c.Get("Red"), I2(expected[i].r));
    EXPECT_EQ(c.Get("Green"), I2(expected[i].g));
    EXPECT_EQ(c.Get("Blue"), I2(expected[i].b));
    EXPECT_EQ(c.Get("Flags"), I2(0));
  }
  EXPECT_EQ(At(2).Get("PaletteEntry"), I4(0x0000FF));  // red in the low byte
  EXPECT_EQ(At(4).Get("PaletteEntry"), I4(0xFF0000));
  for (int bad : {-1, 24}) {
    EXPECT_EQ(FailureOf([&] { At(bad); }).code, VisioErrorCode(VisioErrorKind::InvalidParameter))
        << bad;
  }
}

TEST_F(ColorsTest, ThePaletteEntryIsTheFourPartsInOne) {
  ObjectRef c = At(5);
  c.Put("PaletteEntry", I4(0x02336699));
  EXPECT_EQ(c.Get("Red"), I2(0x99));
  EXPECT_EQ(c.Get("Green"), I2(0x66));
  EXPECT_EQ(c.Get("Blue"), I2(0x33));
  EXPECT_EQ(c.Get("Flags"), I2(2));
  c.Put("Flags", I2(0xFF));
  c.Put("Red", Variant("18"));  // converted as OLE converts
  EXPECT_EQ(c.Get("PaletteEntry"), I4(static_cast<std::int32_t>(0xFF336612u)));
  for (const auto& [member, value] : std::vector<std::pair<const char*, int>>{
           {"Red", 256}, {"Green", -1}, {"Blue", 1000}, {"Flags", 300}}) {
    EXPECT_EQ(FailureOf([&] { c.Put(member, I2(value)); }).code,
              VisioErrorCode(VisioErrorKind::InvalidParameter))
        << member;
  }
  EXPECT_EQ(c.Get("PaletteEntry"), I4(static_cast<std::int32_t>(0xFF336612u)));
}

TEST_F(ColorsTest, ADrawingsColorsFollowTheDefaults) {
  EXPECT_EQ(list->AddColor(0x12, 0x34, 0x56), 24);
  list->SetColor(0, 1, 2, 3);
  EXPECT_EQ(colors.Get("Count"), I2(25));
  EXPECT_EQ(At(24).Get("PaletteEntry"), I4(0x563412));
  EXPECT_EQ(At(24).Get("Index"), I2(24));
  EXPECT_EQ(At(0).Get("PaletteEntry"), I4(0x030201));
  EXPECT_EQ(FailureOf([&] { list->SetColor(25, 0, 0, 0); }).code,
            VisioErrorCode(VisioErrorKind::InvalidParameter));
}

TEST_F(ColorsTest, ColorsBelongToTheirDocumentAndCloseWithIt) {
  ObjectRef black = At(0);
  EXPECT_TRUE(SameObject(black.Get("Document").ToObject(), doc));
  list->MarkDeleted();
  EXPECT_EQ(black.Get("Stat"), I2(kStatDeleted));
  EXPECT_EQ(colors.Get("Stat"), I2(kStatDeleted));
  EXPECT_EQ(FailureOf([&] { black.Get("Red"); }).code,
            VisioErrorCode(VisioErrorKind::ObjectDeleted));
  // A collection that goes away unclosed takes its colours with it too.
  ObjectRef white =
      ObjectRef(MakeColors(app->session(), doc.get())).Get("Item", {Variant(1)}).ToObject();
  EXPECT_EQ(white.Get("Stat"), I2(kStatDeleted));
}

TEST_F(ColorsTest, EveryMemberTheTreeReadsAnswersWithItsType) {
  EXPECT_EQ(testrows::CheckInterfaceRows("IVColors", colors), std::vector<std::string>{});
  EXPECT_EQ(testrows::CheckInterfaceRows("IVColor", At(3)), std::vector<std::string>{});
  EXPECT_EQ(colors.Get("ObjectType"), I2(30));
  EXPECT_EQ(At(3).Get("ObjectType"), I2(29));
  EXPECT_TRUE(SameObject(At(3).Get("Application").ToObject(), ObjectRef(app)));
}

}  // namespace
}  // namespace standin
