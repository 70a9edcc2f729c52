// Opening packages made here, small enough to show each fault: a minimal
// drawing, and the damaged forms a loader must refuse with an error naming
// the file and the part, leaving the application as it was.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "InterfaceRows.h"
#include "VsdxTestPackage.h"
#include "standin/Application.h"
#include "standin/Document.h"
#include "standin/Page.h"
#include "standin/Shape.h"
#include "standin/ShapeSheet.h"
#include "standin/ShapeText.h"
#include "standin/VsdxLoader.h"

namespace standin {
namespace {

using namespace vsdxtest;

using VsdxLoaderTest = PackageTest;

TEST_F(VsdxLoaderTest, OpensAMinimalDrawing) {
  const std::string path = Write("Minimal.vsdx", MinimalDrawing());
  ObjectRef doc = Documents().Invoke("Open", {Variant(path)}).ToObject();
  EXPECT_EQ(doc.Get("Name"), Variant("Minimal.vsdx"));
  ObjectRef page = doc.Get("Pages").ToObject().Get("Item", {Variant(1)}).ToObject();
  EXPECT_EQ(page.Get("Name"), Variant("Page-1"));
  ObjectRef shape = page.Get("Shapes").ToObject().Get("Item", {Variant(1)}).ToObject();
  EXPECT_EQ(shape.Get("Name"), Variant("Box"));
  EXPECT_EQ(shape.Get("Text"), Variant("Hello"));
  ObjectRef pinX = shape.Get("Cells", {Variant("PinX")}).ToObject();
  EXPECT_EQ(pinX.Get("ResultIU"), Variant(2.0));
  EXPECT_EQ(pinX.Get("Result", {Variant(std::int16_t{70})}), Variant(50.8));  // millimetres
  ObjectRef height = shape.Get("Cells", {Variant("Height")}).ToObject();
  EXPECT_EQ(height.Get("Formula"), Variant("Width*1/3"));
  EXPECT_EQ(height.Get("ResultIU"), Variant(0.5));
  // A drawing opens in a window of its own, as the active one.
  EXPECT_TRUE(automation::SameObject(app.Get("ActiveDocument").ToObject(), doc));
}

TEST_F(VsdxLoaderTest, DamagedFilesFailNamingFileAndPartAndChangeNothing) {
  ObjectRef good =
      Documents().Invoke("Open", {Variant(Write("Good.vsdx", MinimalDrawing()))}).ToObject();

  struct Case {
    const char* name;
    std::function<std::string(VsdxLoaderTest&)> make;
    const char* where;
  };
  const Case cases[] = {
      {"not a zip", [](VsdxLoaderTest& t) { return t.WriteRaw("Text.vsdx", "just some text"); },
       "package"},
      {"an XML drawing (.vdx) under a .vsdx name",
       [](VsdxLoaderTest& t) {
         return t.WriteRaw("Old.vsdx", "<?xml version=\"1.0\"?><VisioDocument/>");
       },
       "package"},
      {"malformed page XML",
       [](VsdxLoaderTest& t) {
         Parts p = MinimalDrawing();
         p["visio/pages/page1.xml"] = "<PageContents><Shapes><Shape ID=\"1\">";
         return t.Write("Broken.vsdx", p);
       },
       "visio/pages/page1.xml"},
      {"a page part that is missing",
       [](VsdxLoaderTest& t) {
         Parts p = MinimalDrawing();
         p.erase("visio/pages/page1.xml");
         return t.Write("NoPage.vsdx", p);
       },
       "visio/pages/page1.xml"},
      // Each master's shape an instance of the next: loading them nests
      // as deep as the chain is long.
      {"masters nested beyond reason",
       [](VsdxLoaderTest& t) {
         Parts p = MinimalDrawing();
         p["visio/_rels/document.xml.rels"] = Rels(
             {{"rId1", "pages", "pages/pages.xml"}, {"rId2", "masters", "masters/masters.xml"}});
         std::string masters, rels =
                                  "<Relationships xmlns=\"http://schemas.openxmlformats.org/"
                                  "package/2006/relationships\">";
         for (int i = 1; i <= 100; ++i) {
           const std::string n = std::to_string(i);
           masters +=
               "<Master ID=\"" + n + "\" NameU=\"M" + n + "\"><Rel r:id=\"r" + n + "\"/></Master>";
           rels += "<Relationship Id=\"r" + n +
                   "\" Type=\"http://schemas.microsoft.com/visio/2010/relationships/master\" "
                   "Target=\"m" +
                   n + ".xml\"/>";
           p["visio/masters/m" + n + ".xml"] =
               VisioPart("MasterContents", "<Shapes><Shape ID=\"1\" Master=\"" +
                                               std::to_string(i + 1) + "\"/></Shapes>");
         }
         p["visio/masters/masters.xml"] = VisioPart("Masters", masters);
         p["visio/masters/_rels/masters.xml.rels"] = rels + "</Relationships>";
         return t.Write("DeepMasters.vsdx", p);
       },
       "visio/masters/m65.xml"},
      // Tab rows are section elements of their own, numbered by IX.
      {"a tab row far beyond the section's rows",
       [](VsdxLoaderTest& t) {
         return t.Write("FarTabs.vsdx", DrawingWithShape("<Section N=\"Tabs\" IX=\"30000\">"
                                                         "<Row IX=\"0\"/></Section>"));
       },
       "visio/pages/page1.xml"},
  };
  for (const Case& c : cases) {
    const std::string path = c.make(*this);
    const testrows::Failure f =
        testrows::FailureOf([&] { Documents().Invoke("Open", {Variant(path)}); });
    EXPECT_EQ(f.code, VisioErrorCode(VisioErrorKind::BadFile)) << c.name;
    const std::string prefix = "\n\nThe file \"" + path + "\" cannot be opened: " + c.where + ": ";
    EXPECT_EQ(f.message.substr(0, prefix.size()), prefix) << c.name << ": " << f.message;
  }
  // Nothing was added, and the good document is still open and answering.
  EXPECT_EQ(Documents().Get("Count"), I2(1));
  EXPECT_EQ(good.Get("Pages").ToObject().Get("Count"), I2(1));

  const testrows::Failure missing = testrows::FailureOf(
      [&] { Documents().Invoke("Open", {Variant((dir_ / "None.vsdx").string())}); });
  EXPECT_EQ(missing.code, VisioErrorCode(VisioErrorKind::FileNotFound));
}

// The entry point the fuzz target uses: a package in memory opens as the
// same package in a file does, and fails the same way.
TEST_F(VsdxLoaderTest, OpensAPackageFromMemory) {
  const std::string bytes = Zip(MinimalDrawing());
  Ref<Document> doc = OpenVisioPackageBytes(*app_, "/nowhere/Memory.vsdx", bytes, 0);
  EXPECT_EQ(doc->FullName(), "/nowhere/Memory.vsdx");
  ASSERT_EQ(doc->Pages().size(), 1u);
  ASSERT_EQ(doc->Pages()[0]->TopShapes().size(), 1u);
  EXPECT_EQ(doc->Pages()[0]->TopShapes()[0]->Text().ExpandedText(), "Hello");

  for (const std::string& bad :
       {std::string("just some text"), bytes.substr(0, bytes.size() / 2)}) {
    const testrows::Failure f =
        testrows::FailureOf([&] { OpenVisioPackageBytes(*app_, "/nowhere/Bad.vsdx", bad, 0); });
    EXPECT_EQ(f.code, VisioErrorCode(VisioErrorKind::BadFile));
    EXPECT_EQ(f.message.rfind("\n\nThe file \"/nowhere/Bad.vsdx\" cannot be opened: package: ", 0),
              0u)
        << f.message;
  }
}

// Formulas are computed when a cell is read, so a file decides how much
// work a read is. Nesting beyond reason is refused (the cell keeps the
// file's value) instead of running the stack out, and cells that each
// refer twice to the next are computed once each, not 2^n times.
TEST_F(VsdxLoaderTest, HostileFormulasNeitherCrashNorHang) {
  const std::string deep = std::string(100000, '(') + "1" + std::string(100000, ')');
  std::string user =
      "<Section N=\"User\"><Row N=\"Deep\"><Cell N=\"Value\" V=\"7\" F=\"" + deep + "\"/></Row>";
  user +=
      "<Row N=\"Minus\"><Cell N=\"Value\" V=\"8\" F=\"" + std::string(100000, '-') + "1\"/></Row>";
  constexpr int kChain = 40;
  for (int k = 0; k < kChain; ++k) {
    const std::string next = "User.c" + std::to_string(k + 1);
    user += "<Row N=\"c" + std::to_string(k) + "\"><Cell N=\"Value\" V=\"0\" F=\"" + next + "+" +
            next + "\"/></Row>";
  }
  user += "<Row N=\"c" + std::to_string(kChain) + "\"><Cell N=\"Value\" V=\"1\" F=\"1\"/></Row>";
  user += "</Section>";
  ObjectRef doc = Open(Write("Hostile.vsdx", DrawingWithShape(user)));
  ObjectRef shape = doc.Get("Pages")
                        .ToObject()
                        .Get("Item", {Variant(1)})
                        .ToObject()
                        .Get("Shapes")
                        .ToObject()
                        .Get("Item", {Variant(1)})
                        .ToObject();
  auto result = [&](const char* name) {
    return shape.Get("Cells", {Variant(name)}).ToObject().Get("ResultIU").ToDouble();
  };
  EXPECT_EQ(result("User.Deep"), 7.0);
  EXPECT_EQ(result("User.Minus"), 8.0);
  EXPECT_EQ(result("User.c0"), std::ldexp(1.0, kChain));
}

// Programs other than Visio number rows with gaps (1, 2, 4, 5, 7, ...):
// the rows follow one another in the order of their indices, the way the
// other readers of such files take them, and an index far beyond the rows
// there are makes one row, not thousands of empty ones.
TEST_F(VsdxLoaderTest, RowsNumberedWithGapsFollowOneAnother) {
  ObjectRef doc = Open(Write(
      "Gaps.vsdx",
      DrawingWithShape("<Section N=\"Geometry\" IX=\"0\">"
                       "<Row T=\"MoveTo\" IX=\"1\"><Cell N=\"X\" V=\"1\"/></Row>"
                       "<Row T=\"NURBSTo\" IX=\"2\"><Cell N=\"X\" V=\"2\"/></Row>"
                       "<Row T=\"LineTo\" IX=\"4\"><Cell N=\"X\" V=\"4\"/></Row>"
                       "<Row T=\"RelLineTo\" IX=\"30000\"><Cell N=\"X\" V=\"0.5\"/></Row>"
                       "<Row T=\"ArcTo\" IX=\"7\"><Cell N=\"X\" V=\"7\"/></Row>"
                       "</Section>"
                       "<Section N=\"Scratch\"><Row IX=\"70000\"><Cell N=\"X\" V=\"3\"/></Row>"
                       "</Section>")));
  ObjectRef shape = doc.Get("Pages")
                        .ToObject()
                        .Get("Item", {Variant(1)})
                        .ToObject()
                        .Get("Shapes")
                        .ToObject()
                        .Get("Item", {Variant(1)})
                        .ToObject();
  const std::int16_t g = visSectionFirstComponent;
  ASSERT_EQ(shape.Get("RowCount", {I2(g)}), I2(6));
  const std::pair<std::int16_t, double> rows[] = {{visTagMoveTo, 1},  {visTagNURBSTo, 2},
                                                  {visTagLineTo, 4},  {visTagArcTo, 7},
                                                  {visTagRelLineTo, 0.5}};
  for (std::int16_t r = 1; r <= 5; ++r) {
    EXPECT_EQ(shape.Get("RowType", {I2(g), I2(r)}), I2(rows[r - 1].first)) << r;
    EXPECT_EQ(shape.Get("CellsSRC", {I2(g), I2(r), I2(visX)}).ToObject().Get("ResultIU"),
              Variant(rows[r - 1].second))
        << r;
  }
  EXPECT_EQ(shape.Get("RowCount", {I2(visSectionScratch)}), I2(1));
  EXPECT_EQ(shape.Get("Cells", {Variant("Scratch.X1")}).ToObject().Get("ResultIU"), Variant(3.0));
}

// A section of thousands of rows opens in time that grows with their
// number, not its square: each row added, named and filled costs the same
// however many came before it. So does adding them through AddRows.
TEST_F(VsdxLoaderTest, SectionsOfManyRowsOpenInLinearTime) {
  constexpr int kRows = 30000;
  std::string user = "<Section N=\"User\">", scratch = "<Section N=\"Scratch\">",
              geometry = "<Section N=\"Geometry\" IX=\"0\">";
  for (int i = 0; i < kRows; ++i) {
    const std::string n = std::to_string(i);
    user += "<Row N=\"u" + n + "\"><Cell N=\"Value\" V=\"" + n + "\"/></Row>";
    scratch += "<Row IX=\"" + n + "\"><Cell N=\"X\" V=\"" + n + "\"/></Row>";
    // Rows of two types, alternating.
    geometry += "<Row T=\"" + std::string(i % 2 ? "RelLineTo" : "LineTo") + "\" IX=\"" +
                std::to_string(i + 1) + "\"><Cell N=\"X\" V=\"" + n + "\"/></Row>";
  }
  user += "</Section>";
  scratch += "</Section>";
  geometry += "</Section>";
  ObjectRef doc = Open(Write("ManyRows.vsdx", DrawingWithShape(user + scratch + geometry)));
  ObjectRef shape = doc.Get("Pages")
                        .ToObject()
                        .Get("Item", {Variant(1)})
                        .ToObject()
                        .Get("Shapes")
                        .ToObject()
                        .Get("Item", {Variant(1)})
                        .ToObject();
  EXPECT_EQ(shape.Get("RowCount", {I2(visSectionUser)}), I2(kRows));
  EXPECT_EQ(shape.Get("RowCount", {I2(visSectionScratch)}), I2(kRows));
  EXPECT_EQ(shape.Get("RowCount", {I2(visSectionFirstComponent)}), I2(kRows + 1));
  EXPECT_EQ(shape.Get("Cells", {Variant("User.u29999")}).ToObject().Get("ResultIU"),
            Variant(29999.0));
  EXPECT_EQ(shape.Get("Cells", {Variant("Scratch.X9999")}).ToObject().Get("ResultIU"),
            Variant(9998.0));
  EXPECT_EQ(shape.Get("Cells", {Variant("Geometry1.X5000")}).ToObject().Get("ResultIU"),
            Variant(4999.0));

  EXPECT_EQ(shape.Invoke("AddRows", {I2(visSectionUser), I2(visRowLast), I2(0), I2(2000)}),
            I2(kRows));
  EXPECT_EQ(shape.Get("RowCount", {I2(visSectionUser)}), I2(kRows + 2000));
  EXPECT_EQ(shape.Get("CellsRowIndex", {Variant("User.Row_32000")}), I2(kRows + 1999));
}

// The same for an instance over a master of thousands of rows: filling
// them from the last up, or deleting every one.
TEST_F(VsdxLoaderTest, InstancesOverManyRowsOpenInLinearTime) {
  constexpr int kRows = 30000;
  std::string master = "<Section N=\"Scratch\">", filled = master, deleted = master;
  for (int i = 0; i < kRows; ++i) {
    const std::string n = std::to_string(i), down = std::to_string(kRows - 1 - i);
    master += "<Row IX=\"" + n + "\"><Cell N=\"X\" V=\"" + n + "\"/></Row>";
    filled += "<Row IX=\"" + down + "\"><Cell N=\"Y\" V=\"" + down + "\"/></Row>";
    deleted += "<Row IX=\"" + n + "\" Del=\"1\"/>";
  }
  Parts p = MinimalDrawing();
  p["visio/_rels/document.xml.rels"] =
      Rels({{"rId1", "pages", "pages/pages.xml"}, {"rId2", "masters", "masters/masters.xml"}});
  p["visio/masters/masters.xml"] =
      VisioPart("Masters", "<Master ID=\"2\" NameU=\"Rows\"><Rel r:id=\"rId1\"/></Master>");
  p["visio/masters/_rels/masters.xml.rels"] = Rels("master", "master1.xml");
  p["visio/masters/master1.xml"] =
      VisioPart("MasterContents",
                "<Shapes><Shape ID=\"5\" Type=\"Shape\">" + master + "</Section></Shape></Shapes>");
  p["visio/pages/page1.xml"] =
      VisioPart("PageContents", "<Shapes><Shape ID=\"1\" Master=\"2\">" + filled +
                                    "</Section></Shape><Shape ID=\"2\" Master=\"2\">" + deleted +
                                    "</Section></Shape></Shapes>");
  ObjectRef shapes = Open(Write("ManyInherited.vsdx", p))
                         .Get("Pages")
                         .ToObject()
                         .Get("Item", {Variant(1)})
                         .ToObject()
                         .Get("Shapes")
                         .ToObject();
  ObjectRef fill = shapes.Get("Item", {Variant(1)}).ToObject();
  ObjectRef gone = shapes.Get("Item", {Variant(2)}).ToObject();
  EXPECT_EQ(fill.Get("RowCount", {I2(visSectionScratch)}), I2(kRows));
  for (int r : {0, 9998}) {
    ObjectRef x = fill.Get("CellsSRC", {I2(visSectionScratch), I2(r), I2(visX)}).ToObject();
    ObjectRef y = fill.Get("CellsSRC", {I2(visSectionScratch), I2(r), I2(visY)}).ToObject();
    EXPECT_EQ(x.Get("ResultIU"), Variant(static_cast<double>(r)));
    EXPECT_EQ(x.Get("IsInherited"), VisBool(true));
    EXPECT_EQ(y.Get("ResultIU"), Variant(static_cast<double>(r)));
    EXPECT_EQ(y.Get("IsInherited"), VisBool(false));
  }
  EXPECT_EQ(gone.Get("RowCount", {I2(visSectionScratch)}), I2(0));
}

}  // namespace
}  // namespace standin
