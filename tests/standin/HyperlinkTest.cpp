// A shape's hyperlink: a row of its Hyperlink section seen as an object.
#include <gtest/gtest.h>

#include "SheetTestHost.h"

namespace standin::testing {
namespace {

TEST_F(SheetTest, AHyperlinkReadsAndWritesItsRow) {
  Ref<TestHost> shape = MakeHost();
  ObjectRef h = shape;
  // No row, no hyperlink.
  const Variant none = h.Get("Hyperlink");
  EXPECT_EQ(none.type(), VarType::Dispatch);
  EXPECT_FALSE(none.ToObject());

  ObjectRef link = AddHyperlink(*shape);
  EXPECT_TRUE(SameObject(h.Get("Hyperlink").ToObject().Get("Shape").ToObject(), h));
  link.Put("Address", Variant("https://example.com/a \"b\""));
  link.Put("SubAddress", Variant("Page-2"));
  link.Put("Description", Variant("Example"));
  link.Put("NewWindow", VisBool(true));
  EXPECT_EQ(link.Get("Address"), Variant("https://example.com/a \"b\""));
  EXPECT_EQ(h.Get("Cells", {Variant("Hyperlink.Row_1.Address")}).ToObject().Get("Formula"),
            Variant("\"https://example.com/a \"\"b\"\"\""));
  EXPECT_EQ(link.Get("SubAddress"), Variant("Page-2"));
  EXPECT_EQ(link.Get("Description"), Variant("Example"));
  EXPECT_EQ(link.Get("ExtraInfo"), Variant(""));
  EXPECT_EQ(link.Get("Frame"), Variant(""));
  EXPECT_EQ(link.Get("NewWindow"), VisBool(true));
  EXPECT_EQ(link.Get("IsDefaultLink"), VisBool(false));
  EXPECT_EQ(link.Get("Name"), Variant("Row_1"));
  EXPECT_EQ(link.Get("Row"), I2(0));
  EXPECT_EQ(link.Get("ObjectType"), I2(37));
  EXPECT_EQ(link.Invoke("CreateURL", {I2(0)}), Variant("https://example.com/a \"b\"#Page-2"));

  // The default link is the shape's hyperlink.
  ObjectRef second = AddHyperlink(*shape);
  second.Put("Address", Variant("second"));
  EXPECT_EQ(h.Get("Hyperlink").ToObject().Get("Address"), Variant("https://example.com/a \"b\""));
  second.Put("IsDefaultLink", VisBool(true));
  EXPECT_EQ(h.Get("Hyperlink").ToObject().Get("Address"), Variant("second"));

  // A guarded cell refuses the write.
  shape->Sheet().SetFormula(visSectionHyperlink, 1, visHLinkFrame, "GUARD(\"top\")", true);
  EXPECT_EQ(second.Get("Frame"), Variant("top"));
  EXPECT_EQ(CodeOf([&] { second.Put("Frame", Variant("x")); }),
            Visio(VisioErrorKind::ProtectedCell));

  // The object follows its row; a deleted row's object is deleted.
  link.Invoke("Delete");
  EXPECT_EQ(link.Get("Stat"), I2(kStatDeleted));
  EXPECT_EQ(CodeOf([&] { link.Get("Address"); }), Visio(VisioErrorKind::ObjectDeleted));
  EXPECT_EQ(second.Get("Row"), I2(0));
  EXPECT_EQ(second.Get("Name"), Variant("Row_2"));
  second.Put("Name", Variant("Home"));
  EXPECT_EQ(
      h.Get("Cells", {Variant("Hyperlink.Home.Address")}).ToObject().Get("ResultStr", {I2(0)}),
      Variant("second"));
}

}  // namespace
}  // namespace standin::testing
