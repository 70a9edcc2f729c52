// Values a file records for inherited formulas (F="Inh" with a V) are what
// an instance shows until Visio recalculates the cell; editing the master
// (Open, a formula written on the copy, Close) recalculates the cells the
// edit changes, in the instances and their sub-shapes, and no others.
#include <gtest/gtest.h>

#include <string>

#include "VsdxTestPackage.h"
#include "standin/ShapeSheet.h"

namespace standin {
namespace {

using namespace vsdxtest;

using RecordedValuesTest = PackageTest;

// A drawing with one master, a group (ID 5) holding a shape (ID 6), and
// instances of it whose cells are given by `instances`.
Parts DrawingWithGroupMaster(std::initializer_list<std::string> instances) {
  Parts p = MinimalDrawing();
  p["visio/_rels/document.xml.rels"] =
      Rels({{"rId1", "pages", "pages/pages.xml"}, {"rId2", "masters", "masters/masters.xml"}});
  p["visio/masters/masters.xml"] =
      VisioPart("Masters", "<Master ID=\"2\" NameU=\"Box\"><Rel r:id=\"rId1\"/></Master>");
  p["visio/masters/_rels/masters.xml.rels"] = Rels("master", "master1.xml");
  p["visio/masters/master1.xml"] = VisioPart(
      "MasterContents",
      "<Shapes><Shape ID=\"5\" Type=\"Group\"><Cell N=\"Width\" V=\"1\"/>"
      "<Cell N=\"Height\" V=\"0.5\"/><Cell N=\"LocPinX\" V=\"0.5\" F=\"Width*0.5\"/>"
      // A formula on another sheet: not computed here, its value stands.
      "<Section N=\"User\"><Row N=\"Far\"><Cell N=\"Value\" V=\"7\" F=\"ThePage!PageWidth\"/>"
      "</Row></Section>"
      "<Shapes><Shape ID=\"6\" Type=\"Shape\"><Cell N=\"Width\" V=\"0.25\"/></Shape></Shapes>"
      "</Shape></Shapes>");
  std::string shapes;
  int id = 1;
  for (const std::string& inner : instances) {
    const std::string group = std::to_string(id++), sub = std::to_string(id++);
    shapes += "<Shape ID=\"" + group + "\" Master=\"2\">" + inner + "<Shapes><Shape ID=\"" + sub +
              "\" MasterShape=\"6\"><Cell N=\"Width\" V=\"0.25\" F=\"Inh\"/></Shape></Shapes>" +
              "</Shape>";
  }
  p["visio/pages/page1.xml"] = VisioPart("PageContents", "<Shapes>" + shapes + "</Shapes>");
  return p;
}

TEST_F(RecordedValuesTest, AMasterEditRecalculatesTheCellsItChanges) {
  ObjectRef doc = Open(
      Write("Recorded.vsdx",
            DrawingWithGroupMaster({
                // Every cell inherited with the value the file recorded; Height's
                // is not what the master's formula gives (the file says so).
                "<Cell N=\"Width\" V=\"1\" F=\"Inh\"/><Cell N=\"Height\" V=\"0.75\" F=\"Inh\"/>"
                "<Cell N=\"LocPinX\" V=\"0.5\" F=\"Inh\"/>"
                "<Section N=\"User\"><Row N=\"Far\"><Cell N=\"Value\" V=\"7\" F=\"Inh\"/></Row>"
                "</Section>",
                // Nothing recorded.
                "",
                // A width of its own.
                "<Cell N=\"Width\" V=\"3\"/><Cell N=\"LocPinX\" V=\"1.5\" F=\"Inh\"/>",
            })));
  ObjectRef shapes =
      doc.Get("Pages").ToObject().Get("Item", {Variant(1)}).ToObject().Get("Shapes").ToObject();
  auto cell = [&](int shape, const char* name, int sub = 0) {
    ObjectRef s = shapes.Get("Item", {Variant(shape)}).ToObject();
    if (sub) s = s.Get("Shapes").ToObject().Get("Item", {Variant(sub)}).ToObject();
    return s.Get("Cells", {Variant(name)}).ToObject();
  };
  EXPECT_EQ(cell(1, "Height").Get("ResultIU"), Variant(0.75));
  EXPECT_EQ(cell(1, "LocPinX").Get("ResultIU"), Variant(0.5));

  ObjectRef copy =
      doc.Get("Masters").ToObject().Get("Item", {Variant(1)}).ToObject().Invoke("Open").ToObject();
  ObjectRef group = copy.Get("Shapes").ToObject().Get("Item", {Variant(1)}).ToObject();
  group.Get("Cells", {Variant("Width")}).ToObject().Put("Formula", Variant("2 in"));
  group.Get("Shapes")
      .ToObject()
      .Get("Item", {Variant(1)})
      .ToObject()
      .Get("Cells", {Variant("Width")})
      .ToObject()
      .Put("Formula", Variant("0.4 in"));
  // Nothing changes before the copy is closed.
  EXPECT_EQ(cell(1, "Width").Get("ResultIU"), Variant(1.0));
  copy.Invoke("Close");

  struct Case {
    int shape, sub;
    const char* cell;
    const char* formula;
    double result;
    bool inherited;
  };
  const Case cases[] = {
      {1, 0, "Width", "2 in", 2.0, true},
      {1, 0, "LocPinX", "Width*0.5", 1.0, true},  // its formula's input changed
      {1, 0, "Height", "0.5 in", 0.75, true},     // untouched: the recorded value stands
      {1, 0, "User.Far", "ThePage!PageWidth", 7.0, true},
      {1, 1, "Width", "0.4 in", 0.4, true},  // a sub-shape of the instance
      {2, 0, "Width", "2 in", 2.0, true},
      {2, 0, "LocPinX", "Width*0.5", 1.0, true},
      {3, 0, "Width", "3 in", 3.0, false},
      {3, 0, "LocPinX", "Width*0.5", 1.5, true},  // recalculated, with its own width
      {3, 1, "Width", "0.4 in", 0.4, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.shape) + "." + std::to_string(c.sub) + " " + c.cell);
    ObjectRef k = cell(c.shape, c.cell, c.sub);
    EXPECT_EQ(k.Get("Formula"), Variant(c.formula));
    EXPECT_NEAR(k.Get("ResultIU").ToDouble(), c.result, 1e-12);
    EXPECT_EQ(k.Get("IsInherited"), VisBool(c.inherited));
  }
}

}  // namespace
}  // namespace standin
