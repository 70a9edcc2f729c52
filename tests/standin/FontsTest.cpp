// A document's fonts: the defaults, IDs apart from positions, fonts a
// drawing adds, and the collection closing with its document.
#include <gtest/gtest.h>

#include "standin/Application.h"
#include "standin/Fonts.h"
#include "tests/standin/InterfaceRows.h"

namespace standin {
namespace {

using automation::SameObject;
using testrows::Failure;
using testrows::FailureOf;
using testrows::TestDocument;

class FontsTest : public ::testing::Test {
 protected:
  Ref<Application> app = MakeRef<Application>();
  Ref<TestDocument> doc = MakeRef<TestDocument>(app->session());
  Ref<Fonts> list = MakeFonts(app->session(), doc.get());
  ObjectRef fonts = list;
};

TEST_F(FontsTest, DefaultFontsAreNumberedFromZero) {
  EXPECT_EQ(fonts.Get("Count"), I2(6));
  ObjectRef arial = fonts.Get("ItemFromID", {Variant(0)}).ToObject();
  EXPECT_EQ(arial.Get("Name"), Variant("Arial"));
  EXPECT_EQ(arial.Get("Index"), I2(1));
  EXPECT_TRUE(SameObject(fonts.Get("Item", {Variant(1)}).ToObject(), arial));
  struct Expected {
    const char* name;
    int id, charSet, attributes, pitchAndFamily;
  };
  const Expected rows[] = {
      {"Arial", 0, 0, visFontScalable, 0x22},
      {"symbol", 1, 2, visFontScalable, 0x52},  // SYMBOL_CHARSET, decorative
      {"Times New Roman", 3, 0, visFontScalable, 0x12},
      {"Courier New", 4, 0, visFontScalable, 0x31},  // fixed pitch, modern
  };
  for (const Expected& e : rows) {
    SCOPED_TRACE(e.name);
    ObjectRef font = fonts.Get("Item", {Variant(e.name)}).ToObject();
    EXPECT_EQ(font.Get("ID"), I2(e.id));
    EXPECT_EQ(font.Get("CharSet"), I2(e.charSet));
    EXPECT_EQ(font.Get("Attributes"), I2(e.attributes));
    EXPECT_EQ(font.Get("PitchAndFamily"), I2(e.pitchAndFamily));
  }

  const Failure byName = FailureOf([&] { fonts.Get("Item", {Variant("Comic Sans MS")}); });
  EXPECT_EQ(byName.code, VisioErrorCode(VisioErrorKind::ObjectNameNotFound));
  EXPECT_EQ(byName.message, "\n\nObject name not found.");
  for (const auto& [member, index] : std::vector<std::pair<const char*, int>>{
           {"Item", 0}, {"Item", 7}, {"ItemFromID", 6}, {"ItemFromID", -1}}) {
    EXPECT_EQ(FailureOf([&] { fonts.Get(member, {Variant(index)}); }).code,
              VisioErrorCode(VisioErrorKind::InvalidParameter))
        << member << "(" << index << ")";
  }
}

TEST_F(FontsTest, ADrawingsFontsKeepTheirIds) {
  EXPECT_EQ(list->AddFont("Segoe UI", 0, visFontScalable, 0x22).Id(), 6);
  EXPECT_EQ(list->AddFont("MS Gothic", 128, visFontScalable, 0x31, 40).Id(), 40);
  EXPECT_EQ(list->AddFont("Tahoma", 0, visFontScalable, 0x22).Id(), 41);
  // A font the document already has is the same font.
  EXPECT_EQ(&list->AddFont("ARIAL", 0, 0, 0, 9), list->FindById(0));
  EXPECT_EQ(FailureOf([&] { list->AddFont("Verdana", 0, 0, 0, 3); }).code,
            VisioErrorCode(VisioErrorKind::InvalidParameter));

  EXPECT_EQ(fonts.Get("Count"), I2(9));
  ObjectRef gothic = fonts.Get("ItemFromID", {Variant(40)}).ToObject();
  EXPECT_EQ(gothic.Get("Index"), I2(8));
  EXPECT_EQ(gothic.Get("CharSet"), I2(128));
}

TEST_F(FontsTest, FontsBelongToTheirDocumentAndCloseWithIt) {
  ObjectRef arial = fonts.Get("Item", {Variant(1)}).ToObject();
  EXPECT_TRUE(SameObject(arial.Get("Document").ToObject(), doc));
  EXPECT_TRUE(SameObject(fonts.Get("Document").ToObject(), doc));
  list->MarkDeleted();
  EXPECT_EQ(arial.Get("Stat"), I2(kStatDeleted));
  EXPECT_EQ(fonts.Get("Stat"), I2(kStatDeleted));
  EXPECT_EQ(FailureOf([&] { arial.Get("Document"); }).code,
            VisioErrorCode(VisioErrorKind::ObjectDeleted));
}

TEST_F(FontsTest, EveryMemberTheTreeReadsAnswersWithItsType) {
  EXPECT_EQ(testrows::CheckInterfaceRows("IVFonts", fonts), std::vector<std::string>{});
  EXPECT_EQ(testrows::CheckInterfaceRows("IVFont", fonts.Get("Item", {Variant(2)}).ToObject()),
            std::vector<std::string>{});
  EXPECT_EQ(fonts.Get("ObjectType"), I2(28));
  EXPECT_EQ(fonts.Get("Item", {Variant(2)}).ToObject().Get("ObjectType"), I2(27));
}

}  // namespace
}  // namespace standin
