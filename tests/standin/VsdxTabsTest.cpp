// Tab stops as packages keep them: a Section element per row of the Tabs
// section, a Row element per stop. Rows answer with the type that holds
// their stops, cells with the file's formula, value and unit, and
// instances inherit them from their master as other sections' rows.
#include <gtest/gtest.h>

#include <string>

#include "InterfaceRows.h"
#include "VsdxTestPackage.h"
#include "standin/ShapeSheet.h"
#include "standin/Units.h"
#include "standin/VisioErrors.h"

namespace standin {
namespace {

using namespace vsdxtest;

using VsdxTabsTest = PackageTest;

// A Tabs section element for row `ix` (none: the attribute left out, as
// files do for row 0) with stops of position (inches) and alignment.
std::string TabsSection(const std::string& ix, std::initializer_list<std::pair<double, int>> stops,
                        const std::string& extra = "") {
  std::string out = "<Section N=\"Tabs\"" + (ix.empty() ? "" : " IX=\"" + ix + "\"") + ">";
  int k = 0;
  for (const auto& [pos, align] : stops) {
    out += "<Row IX=\"" + std::to_string(k++) + "\"><Cell N=\"Position\" V=\"" +
           std::to_string(pos) + "\" U=\"IN\"/><Cell N=\"Alignment\" V=\"" + std::to_string(align) +
           "\"/></Row>";
  }
  return out + extra + "</Section>";
}

// A drawing with one master ("Tabbed", its shape holding `masterShape`)
// and instances of it on the page, each holding what `instances` gives.
Parts DrawingWithMaster(const std::string& masterShape,
                        std::initializer_list<std::string> instances) {
  Parts p = MinimalDrawing();
  p["visio/_rels/document.xml.rels"] =
      Rels({{"rId1", "pages", "pages/pages.xml"}, {"rId2", "masters", "masters/masters.xml"}});
  p["visio/masters/masters.xml"] =
      VisioPart("Masters", "<Master ID=\"2\" NameU=\"Tabbed\"><Rel r:id=\"rId1\"/></Master>");
  p["visio/masters/_rels/masters.xml.rels"] = Rels("master", "master1.xml");
  p["visio/masters/master1.xml"] = VisioPart(
      "MasterContents", "<Shapes><Shape ID=\"5\" Type=\"Shape\"><Cell N=\"Width\" V=\"2\"/>" +
                            masterShape + "</Shape></Shapes>");
  std::string shapes;
  int id = 1;
  for (const std::string& inner : instances) {
    shapes += "<Shape ID=\"" + std::to_string(id++) + "\" Master=\"2\">" + inner + "</Shape>";
  }
  p["visio/pages/page1.xml"] = VisioPart("PageContents", "<Shapes>" + shapes + "</Shapes>");
  return p;
}

ObjectRef Src(const ObjectRef& host, int r, int c) {
  return host
      .Get("CellsSRC",
           {I2(visSectionTab), I2(static_cast<std::int16_t>(r)), I2(static_cast<std::int16_t>(c))})
      .ToObject();
}

std::int16_t RowType(const ObjectRef& host, int r) {
  return host.Get("RowType", {I2(visSectionTab), I2(static_cast<std::int16_t>(r))}).ToInt16();
}

bool Local(const ObjectRef& host, const char* member, std::initializer_list<Variant> args) {
  return host.Get(member, args).ToInt32() != 0;
}

TEST_F(VsdxTabsTest, RowsTakeTheSmallestTypeThatHoldsTheirStops) {
  // Row 0 with two stops (the second's position a formula), row 2 with
  // five, row 1 between them without any; row 3 with twelve, two more than
  // a row holds.
  std::string twelve = "<Section N=\"Tabs\" IX=\"3\">";
  for (int k = 0; k < 12; ++k) {
    twelve += "<Row IX=\"" + std::to_string(k) + "\"><Cell N=\"Position\" V=\"" +
              std::to_string(k + 1) + "\"/></Row>";
  }
  twelve += "</Section>";
  const std::string inner =
      "<Cell N=\"Width\" V=\"3\"/>"
      "<Section N=\"Tabs\"><Row IX=\"0\"><Cell N=\"Position\" V=\"0.5\" U=\"IN\"/>"
      "<Cell N=\"Alignment\" V=\"1\"/></Row><Row IX=\"1\"><Cell N=\"Position\" V=\"0.75\" "
      "U=\"IN\" F=\"Width/4\"/><Cell N=\"Alignment\" V=\"3\"/></Row></Section>" +
      TabsSection("2", {{1, 0}, {2, 1}, {3, 2}, {4, 3}, {5.5, 4}}) + twelve;
  ObjectRef shape = PageShape(Open(Write("Tabs.vsdx", DrawingWithShape(inner))), 1);

  EXPECT_EQ(shape.Get("RowCount", {I2(visSectionTab)}), I2(4));
  struct Row {
    int row;
    std::int16_t type;
    std::int16_t cells;
    double stops;
  };
  for (const Row& r : {Row{0, visTagTab2, 10, 2}, Row{1, visTagTab0, 0, 0},
                       Row{2, visTagTab10, 31, 5}, Row{3, visTagTab10, 31, 10}}) {
    SCOPED_TRACE(r.row);
    const auto row = I2(static_cast<std::int16_t>(r.row));
    EXPECT_EQ(RowType(shape, r.row), r.type);
    EXPECT_EQ(shape.Get("RowsCellCount", {I2(visSectionTab), row}), I2(r.cells));
    EXPECT_TRUE(Local(shape, "RowExists", {I2(visSectionTab), row, I2(1)}));
    if (r.cells > 0) {
      EXPECT_EQ(Src(shape, r.row, visTabStopCount).Get("ResultIU"), Variant(r.stops));
    }
  }
  EXPECT_TRUE(Local(shape, "SectionExists", {I2(visSectionTab), I2(1)}));

  // Positions keep their unit and formula; a stop the type holds beyond
  // the file's has the initial cells.
  ObjectRef first = Src(shape, 0, visTabPos);
  EXPECT_EQ(first.Get("Formula"), Variant("0.5 in"));
  EXPECT_EQ(first.Get("ResultIU"), Variant(0.5));
  EXPECT_EQ(first.Get("Units"), I2(visInches));
  ObjectRef second = Src(shape, 0, visTabPos + 3);
  EXPECT_EQ(second.Get("Formula"), Variant("Width/4"));
  EXPECT_EQ(second.Get("ResultIU"), Variant(0.75));
  EXPECT_EQ(Src(shape, 0, visTabAlign + 3).Get("ResultIU"), Variant(3.0));
  EXPECT_EQ(Src(shape, 0, visTabPos + 6).Get("Formula"), Variant("0 in"));
  EXPECT_EQ(Src(shape, 2, visTabAlign + 12).Get("ResultIU"), Variant(4.0));
  EXPECT_EQ(Src(shape, 3, visTabPos + 27).Get("ResultIU"), Variant(10.0));

  // Cells by name, and none past what the row's type holds.
  EXPECT_EQ(shape.Get("Cells", {Variant("Tabs.Position2")}).ToObject().Get("ResultIU"),
            Variant(0.75));
  EXPECT_EQ(shape.Get("Cells", {Variant("Tabs.Alignment5[3]")}).ToObject().Get("ResultIU"),
            Variant(4.0));
  EXPECT_EQ(shape.Get("CellExists", {Variant("Tabs.Position4"), I2(0)}), VisBool(false));
  EXPECT_EQ(shape.Get("CellsSRCExists", {I2(visSectionTab), I2(0), I2(10), I2(0)}), VisBool(false));
  EXPECT_EQ(testrows::FailureOf([&] { Src(shape, 1, 0); }).code,
            VisioErrorCode(VisioErrorKind::UnexpectedEndOfFile));
}

// Visio writes a row without stops as one Row element without cells: a
// style holds the row of its own, of the type without cells.
TEST_F(VsdxTabsTest, AStyleRowWithoutStopsIsItsOwnAndEmpty) {
  Parts p = MinimalDrawing();
  p["visio/document.xml"] = VisioPart(
      "VisioDocument",
      "<StyleSheets><StyleSheet ID=\"0\" NameU=\"No Style\">"
      "<Section N=\"Tabs\"><Row IX=\"0\"/></Section></StyleSheet>"
      "<StyleSheet ID=\"1\" NameU=\"Plain\" LineStyle=\"0\" FillStyle=\"0\" TextStyle=\"0\"/>"
      "</StyleSheets>");
  ObjectRef styles = Open(Write("Styles.vsdx", p)).Get("Styles").ToObject();
  ObjectRef none = styles.Get("Item", {Variant("No Style")}).ToObject();
  ObjectRef plain = styles.Get("Item", {Variant("Plain")}).ToObject();
  for (const ObjectRef& style : {none, plain}) {
    EXPECT_EQ(style.Get("RowCount", {I2(visSectionTab)}), I2(1));
    EXPECT_EQ(RowType(style, 0), visTagTab0);
    EXPECT_EQ(style.Get("RowsCellCount", {I2(visSectionTab), I2(0)}), I2(0));
  }
  EXPECT_TRUE(Local(none, "RowExists", {I2(visSectionTab), I2(0), I2(1)}));
  EXPECT_TRUE(Local(none, "SectionExists", {I2(visSectionTab), I2(1)}));
  EXPECT_FALSE(Local(plain, "RowExists", {I2(visSectionTab), I2(0), I2(1)}));
  EXPECT_FALSE(Local(plain, "SectionExists", {I2(visSectionTab), I2(1)}));
}

TEST_F(VsdxTabsTest, InstancesInheritTabRowsAndStandOverThem) {
  const std::string master = TabsSection("", {{0.5, 0}, {1, 2}}) + TabsSection("1", {{0.25, 1}});
  ObjectRef doc = Open(
      Write("Inherited.vsdx",
            DrawingWithMaster(
                master, {
                            "",  // everything inherited
                            // four stops: a larger type, and a count of its own
                            TabsSection("", {{1, 0}, {2, 0}, {3, 0}, {4, 1}}),
                            // the second stop moved; the rest, count and type inherited
                            "<Section N=\"Tabs\"><Row IX=\"1\"><Cell N=\"Position\" V=\"1.5\"/>"
                            "</Row></Section>",
                            // the second row deleted
                            "<Section N=\"Tabs\" IX=\"1\" Del=\"1\"/>",
                        })));
  ObjectRef plain = PageShape(doc, 1), wider = PageShape(doc, 2), moved = PageShape(doc, 3),
            fewer = PageShape(doc, 4);

  EXPECT_EQ(plain.Get("RowCount", {I2(visSectionTab)}), I2(2));
  EXPECT_EQ(RowType(plain, 0), visTagTab2);
  EXPECT_EQ(Src(plain, 0, visTabPos + 3).Get("ResultIU"), Variant(1.0));
  EXPECT_EQ(Src(plain, 0, visTabPos + 3).Get("IsInherited"), VisBool(true));
  EXPECT_EQ(Src(plain, 1, visTabAlign).Get("ResultIU"), Variant(1.0));
  EXPECT_FALSE(Local(plain, "SectionExists", {I2(visSectionTab), I2(1)}));
  EXPECT_FALSE(Local(plain, "RowExists", {I2(visSectionTab), I2(0), I2(1)}));

  EXPECT_EQ(RowType(wider, 0), visTagTab10);
  EXPECT_EQ(Src(wider, 0, visTabStopCount).Get("ResultIU"), Variant(4.0));
  EXPECT_EQ(Src(wider, 0, visTabStopCount).Get("IsInherited"), VisBool(false));
  EXPECT_EQ(Src(wider, 0, visTabPos + 9).Get("ResultIU"), Variant(4.0));
  EXPECT_EQ(RowType(wider, 1), visTagTab2);  // the master's second row, untouched

  EXPECT_EQ(RowType(moved, 0), visTagTab2);
  EXPECT_TRUE(Local(moved, "RowExists", {I2(visSectionTab), I2(0), I2(1)}));
  EXPECT_EQ(Src(moved, 0, visTabStopCount).Get("IsInherited"), VisBool(true));
  EXPECT_EQ(Src(moved, 0, visTabStopCount).Get("ResultIU"), Variant(2.0));
  EXPECT_EQ(Src(moved, 0, visTabPos + 3).Get("ResultIU"), Variant(1.5));
  EXPECT_EQ(Src(moved, 0, visTabPos + 3).Get("IsInherited"), VisBool(false));
  EXPECT_EQ(Src(moved, 0, visTabPos).Get("IsInherited"), VisBool(true));

  EXPECT_EQ(fewer.Get("RowCount", {I2(visSectionTab)}), I2(1));
}

}  // namespace
}  // namespace standin
