// Text fields of loaded drawings: a field shows its Text Fields row's value
// as the row's Format picture lays it out, and formulas that name other
// shapes ("Sheet.5!User.ValueText") refer, in an instance, to the
// instance's own shapes.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "VsdxTestPackage.h"
#include "standin/ShapeSheet.h"

namespace standin {
namespace {

using namespace vsdxtest;
using automation::ObjectRef;
using automation::Variant;

using VsdxFieldsTest = PackageTest;

std::string TextOf(const ObjectRef& shape) {
  return shape.Get("Characters").ToObject().Get("Text").ToString();
}

std::string ResultOf(const ObjectRef& shape, const char* cell) {
  return shape.Get("Cells", {Variant(cell)}).ToObject().Get("ResultStr", {Variant("")}).ToString();
}

ObjectRef Member(const ObjectRef& group) {
  return group.Get("Shapes").ToObject().Get("Item", {Variant(1)}).ToObject();
}

TEST_F(VsdxFieldsTest, InstanceMembersReferToTheirOwnGroupNotTheMasters) {
  // A callout master: the group (5) holds the value, its member (6) shows
  // it through a field and a User cell. The instances hold their own
  // values and nothing of the member's: what the member shows is worked
  // out from the master's formulas.
  const std::string master =
      "<Shape ID=\"5\" Type=\"Group\">"
      "<Section N=\"User\"><Row N=\"ValueText\"><Cell N=\"Value\" V=\"Abc\" U=\"STR\"/></Row>"
      "</Section><Shapes><Shape ID=\"6\" Type=\"Shape\">"
      "<Section N=\"Field\"><Row IX=\"0\">"
      "<Cell N=\"Value\" V=\"Abc\" U=\"STR\" F=\"Sheet.5!User.ValueText\"/>"
      "<Cell N=\"Format\" V=\"esc(0)\" U=\"STR\" F=\"FIELDPICTURE(0)\"/></Row></Section>"
      "<Section N=\"User\"><Row N=\"Shown\">"
      "<Cell N=\"Value\" V=\"Abc\" U=\"STR\" F=\"Sheet.5!User.ValueText\"/></Row></Section>"
      "<Text>IP <fld IX=\"0\">Abc</fld></Text></Shape></Shapes></Shape>";
  auto instance = [](int id, const char* value) {
    return "<Shape ID=\"" + std::to_string(id) +
           "\" Type=\"Group\" Master=\"2\"><Section N=\"User\"><Row N=\"ValueText\">"
           "<Cell N=\"Value\" V=\"" +
           value + "\" U=\"STR\"/></Row></Section><Shapes><Shape ID=\"" + std::to_string(id + 1) +
           "\" Type=\"Shape\" MasterShape=\"6\"/></Shapes></Shape>";
  };
  // A shape of the page names the second instance by its page ID, a shape
  // that is not there, and one that names it back.
  const std::string others =
      "<Shape ID=\"30\" Type=\"Shape\"><Section N=\"User\">"
      "<Row N=\"Peer\"><Cell N=\"Value\" V=\"old\" U=\"STR\" F=\"Sheet.20!User.ValueText\"/></Row>"
      "<Row N=\"Gone\"><Cell N=\"Value\" V=\"kept\" U=\"STR\" F=\"Sheet.99!User.ValueText\"/>"
      "</Row><Row N=\"Loop\"><Cell N=\"Value\" V=\"3\" F=\"Sheet.31!User.Loop+1\"/></Row>"
      "</Section></Shape><Shape ID=\"31\" Type=\"Shape\"><Section N=\"User\">"
      "<Row N=\"Loop\"><Cell N=\"Value\" V=\"2\" F=\"Sheet.30!User.Loop+1\"/></Row>"
      "</Section></Shape>";
  ObjectRef doc =
      Open(Write("Callouts.vsdx",
                 DrawingWithMaster("Callout", master,
                                   instance(10, "10.0.1.5") + instance(20, "10.0.1.6") + others)));

  struct Case {
    int index;  // of the instance on the page
    const char* value;
  };
  for (const Case& c : {Case{1, "10.0.1.5"}, Case{2, "10.0.1.6"}}) {
    SCOPED_TRACE(c.value);
    ObjectRef member = Member(PageShape(doc, c.index));
    EXPECT_EQ(TextOf(member), std::string("IP ") + c.value);
    EXPECT_EQ(ResultOf(member, "User.Shown"), c.value);
    EXPECT_EQ(member.Get("CellsSRC", {I2(visSectionTextField), I2(0), I2(visFieldCell)})
                  .ToObject()
                  .Get("ResultStr", {Variant("")})
                  .ToString(),
              c.value);
  }
  // In the master itself Sheet.5 is the master's own group.
  ObjectRef masterGroup = MasterShape(doc, 1);
  EXPECT_EQ(TextOf(Member(masterGroup)), "IP Abc");

  ObjectRef other = PageShape(doc, 3);
  EXPECT_EQ(ResultOf(other, "User.Peer"), "10.0.1.6");
  EXPECT_EQ(ResultOf(other, "User.Gone"), "kept");  // no Sheet.99: the file's value stands
  // A loop through two shapes ends.
  for (int index : {3, 4}) {
    const double loop = PageShape(doc, index)
                            .Get("Cells", {Variant("User.Loop")})
                            .ToObject()
                            .Get("ResultIU")
                            .ToDouble();
    EXPECT_TRUE(std::isfinite(loop));
  }
}

TEST_F(VsdxFieldsTest, AnInstanceShowsTheValueItsFileRecordsForAnInheritedField) {
  // The master's formula is beyond what the stand-in computes; the
  // instance's own value for it is what Visio computed there.
  const std::string master =
      "<Shape ID=\"5\" Type=\"Shape\"><Section N=\"Field\"><Row IX=\"0\">"
      "<Cell N=\"Value\" V=\"master\" U=\"STR\" F=\"TRIM(Prop.Name)\"/></Row></Section>"
      "<Text><fld IX=\"0\">master</fld></Text></Shape>";
  const std::string page =
      "<Shape ID=\"1\" Type=\"Shape\" Master=\"2\"><Section N=\"Field\"><Row IX=\"0\">"
      "<Cell N=\"Value\" V=\"mine\" U=\"STR\" F=\"Inh\"/></Row></Section></Shape>";
  ObjectRef doc = Open(Write("Recorded.vsdx", DrawingWithMaster("Named", master, page)));
  EXPECT_EQ(TextOf(FirstShapeOf(doc)), "mine");
}

TEST_F(VsdxFieldsTest, DateFieldsShowTheirFormatPicture) {
  // Visio writes a date as a plain day count or, with the DATE unit, as an
  // ISO date; Type 5 says the field is a date.
  const std::string shape =
      "<Section N=\"Field\">"
      "<Row IX=\"0\"><Cell N=\"Value\" V=\"42461\"/>"
      "<Cell N=\"Format\" V=\"{{M/d/yyyy}}\" U=\"STR\"/><Cell N=\"Type\" V=\"5\"/></Row>"
      "<Row IX=\"1\"><Cell N=\"Value\" V=\"2016-04-01T18:30:00\" U=\"DATE\"/>"
      "<Cell N=\"Format\" V=\"{{dd.MM.yy h:mm am/pm}}\" U=\"STR\"/><Cell N=\"Type\" V=\"5\"/>"
      "</Row>"
      "<Row IX=\"2\"><Cell N=\"Value\" V=\"42461.5\" U=\"DATE\"/><Cell N=\"Type\" V=\"5\"/></Row>"
      "<Row IX=\"3\"><Cell N=\"Value\" V=\"2.5\"/>"
      "<Cell N=\"Format\" V=\"esc(0)\" U=\"STR\"/></Row>"
      "</Section>"
      "<Text>A <fld IX=\"0\">4/1/2016</fld> B <fld IX=\"1\">01.04.16 6:30 PM</fld>"
      " C <fld IX=\"2\">4/1/2016 12:00:00 PM</fld> D <fld IX=\"3\">2.5</fld></Text>";
  ObjectRef box = FirstShapeOf(Open(Write("Dates.vsdx", DrawingWithShape(shape))));
  EXPECT_EQ(TextOf(box), "A 4/1/2016 B 01.04.16 6:30 PM C 4/1/2016 12:00:00 PM D 2.5");
  ObjectRef iso =
      box.Get("CellsSRC", {I2(visSectionTextField), I2(1), I2(visFieldCell)}).ToObject();
  EXPECT_NEAR(iso.Get("ResultIU").ToDouble(), 42461 + 18.5 / 24, 1e-9);
  EXPECT_EQ(iso.Get("ResultStr", {Variant("")}).ToString(), "4/1/2016 6:30:00 PM");
}

// Characters.FieldCategory, FieldCode and FieldFormat answer what the
// field's Text Fields row holds in UICat, UICod and UIFmt, as the file gave
// them or as a client wrote them later.
TEST_F(VsdxFieldsTest, AFieldsCategoryCodeAndFormatAreItsRowsCells) {
  const std::string shape =
      "<Section N=\"Field\">"
      "<Row IX=\"0\"><Cell N=\"Value\" V=\"42461\" U=\"DATE\" F=\"CREATETIME()\"/>"
      "<Cell N=\"Type\" V=\"5\"/><Cell N=\"UICat\" V=\"1\"/><Cell N=\"UICod\" V=\"1\"/>"
      "<Cell N=\"UIFmt\" V=\"20\"/></Row>"
      "<Row IX=\"1\"><Cell N=\"Value\" V=\"2\"/></Row>"
      "</Section>"
      "<Text><fld IX=\"0\">12:00 AM</fld> <fld IX=\"1\">2</fld></Text>";
  ObjectRef box = FirstShapeOf(Open(Write("Kinds.vsdx", DrawingWithShape(shape))));
  ObjectRef chars = box.Get("Characters").ToObject();
  const auto kinds = [&](int at) {
    chars.Put("Begin", I4(at));
    chars.Put("End", I4(at + 1));
    return std::vector<Variant>{chars.Get("FieldCategory"), chars.Get("FieldCode"),
                                chars.Get("FieldFormat")};
  };
  EXPECT_EQ(kinds(0), (std::vector<Variant>{I2(1), I2(1), I2(20)}));
  EXPECT_EQ(kinds(2), (std::vector<Variant>{I2(0), I2(0), I2(0)}));
  box.Get("CellsSRC", {I2(visSectionTextField), I2(1), I2(visFieldUICategory)})
      .ToObject()
      .Put("FormulaU", Variant("4"));
  EXPECT_EQ(kinds(2), (std::vector<Variant>{I2(4), I2(0), I2(0)}));
  // The reserved EditMode cell is there, at its own column.
  EXPECT_EQ(box.Get("CellsSRC", {I2(visSectionTextField), I2(0), I2(visFieldEditMode)})
                .ToObject()
                .Get("Name")
                .ToString(),
            "Fields.EditMode");
}

}  // namespace
}  // namespace standin
