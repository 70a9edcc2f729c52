// What a package may cost: bounds on the whole file, a part read once,
// large pages in time linear in their shapes, and stencil windows that
// open only stencils.
#include <gtest/gtest.h>

#include <string>

#include "InterfaceRows.h"
#include "VsdxTestPackage.h"
#include "standin/Document.h"
#include "standin/VsdxLoader.h"

namespace standin {
namespace {

using namespace vsdxtest;
using automation::ObjectRef;
using automation::Variant;
using VsdxBudgetTest = PackageTest;

// A drawing with `pages` (Page elements) related to page parts by rId1 and
// rId2, and the contents of those two parts.
Parts DrawingWithPages(const std::string& pages, const std::string& page1,
                       const std::string& page2 = "") {
  Parts p = MinimalDrawing();
  p["visio/pages/pages.xml"] = VisioPart("Pages", pages);
  p["visio/pages/_rels/pages.xml.rels"] =
      Rels({{"rId1", "page", "page1.xml"}, {"rId2", "page", "page2.xml"}});
  p["visio/pages/page1.xml"] = VisioPart("PageContents", "<Shapes>" + page1 + "</Shapes>");
  p["visio/pages/page2.xml"] = VisioPart("PageContents", "<Shapes>" + page2 + "</Shapes>");
  return p;
}

std::string Repeated(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

TEST_F(VsdxBudgetTest, APackageBeyondItsBoundsIsRefusedNamingTheBound) {
  struct Case {
    const char* name;
    Parts parts;
    PackageLimits limits;
    std::string where;
    std::string problem;
  };
  PackageLimits bytes;
  bytes.unpackedBytes = 5000;
  PackageLimits sheets;
  sheets.pagesAndMasters = 2;
  PackageLimits shapes;
  shapes.shapes = 3;
  PackageLimits cells;
  cells.cells = 5;
  const std::string box = "<Shape ID=\"4294967295\" Type=\"Shape\"/>";
  const Case cases[] = {
      {"pages naming one part",
       DrawingWithPages("<Page ID=\"0\" NameU=\"P1\"><Rel r:id=\"rId1\"/></Page>"
                        "<Page ID=\"1\" NameU=\"P2\"><Rel r:id=\"rId1\"/></Page>",
                        box),
       {},
       "visio/pages/page1.xml",
       "page \"P2\" names a part another page or master already uses"},
      {"more unpacked XML than allowed",
       DrawingWithPages("<Page ID=\"0\" NameU=\"P1\"><Rel r:id=\"rId1\"/></Page>",
                        Repeated(box, 200)),
       bytes, "visio/pages/page1.xml",
       "package too large (its parts unpack to more than 5000 bytes)"},
      {"more pages than allowed",
       DrawingWithPages("<Page ID=\"0\" NameU=\"P1\"/><Page ID=\"1\" NameU=\"P2\"/>"
                        "<Page ID=\"2\" NameU=\"P3\"/>",
                        ""),
       sheets, "visio/pages/pages.xml", "too many pages and masters (more than 2)"},
      {"more shapes than allowed, over two pages",
       DrawingWithPages("<Page ID=\"0\" NameU=\"P1\"><Rel r:id=\"rId1\"/></Page>"
                        "<Page ID=\"1\" NameU=\"P2\"><Rel r:id=\"rId2\"/></Page>",
                        Repeated(box, 2), Repeated(box, 2)),
       shapes, "visio/pages/page2.xml", "too many shapes (more than 3)"},
      {"more cells than allowed",
       DrawingWithPages("<Page ID=\"0\" NameU=\"P1\"><Rel r:id=\"rId1\"/></Page>",
                        "<Shape ID=\"1\" Type=\"Shape\">" +
                            Repeated("<Cell N=\"PinX\" V=\"1\"/>", 6) + "</Shape>"),
       cells, "package", "too many cells (more than 5)"},
      // IDs are 16 bits wide: the 32,768th shape has none left.
      {"a page of more shapes than IDs",
       DrawingWithPages("<Page ID=\"0\" NameU=\"P1\"><Rel r:id=\"rId1\"/></Page>",
                        Repeated(box, 0x8000)),
       {}, "visio/pages/page1.xml",
       "too many shapes on one page or master (more than 32767)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string bytesOf = Zip(c.parts);
    const testrows::Failure f = testrows::FailureOf(
        [&] { OpenVisioPackageBytes(*app_, "/nowhere/Big.vsdx", bytesOf, 0, nullptr, c.limits); });
    EXPECT_EQ(f.code, VisioErrorCode(VisioErrorKind::BadFile));
    EXPECT_EQ(f.message, "\n\nThe file \"/nowhere/Big.vsdx\" cannot be opened: " + c.where +
                             ": " + c.problem + ".");
  }
  EXPECT_EQ(Documents().Get("Count"), I2(0));
}

// A full page of shapes without IDs, the last stored IDs taken at the top
// of the range: every shape gets the lowest free ID, each found once.
TEST_F(VsdxBudgetTest, AFullPageOfUnnumberedShapesTakesTheFreeIds) {
  const std::string shapes = "<Shape ID=\"32767\" Type=\"Shape\"/>" +
                             Repeated("<Shape ID=\"4294967295\" Type=\"Shape\"/>", 0x7FFE);
  const std::string bytes = Zip(DrawingWithPages(
      "<Page ID=\"0\" NameU=\"P1\"><Rel r:id=\"rId1\"/></Page>", shapes));
  Ref<Document> doc = OpenVisioPackageBytes(*app_, "/nowhere/Full.vsdx", bytes, 0);
  const ObjectRef page = ObjectRef(doc.get()).Get("Pages").ToObject().Get("Item", {I2(1)}).ToObject();
  const ObjectRef all = page.Get("Shapes").ToObject();
  ASSERT_EQ(all.Get("Count"), I2(0x7FFF));
  EXPECT_EQ(all.Get("Item", {I2(2)}).ToObject().Get("ID"), I2(1));
  EXPECT_EQ(all.Get("Item", {I2(0x7FFF)}).ToObject().Get("ID"), I2(0x7FFE));
}

// A drawing's workspace names its stencils by path: a file that is not a
// stencil's is not opened for it, wherever it is and whatever it holds.
TEST_F(VsdxBudgetTest, AWorkspaceOpensOnlyStencilFilesForItsStencilWindows) {
  const std::string disguised = Write("notes.txt", MinimalStencil());
  const std::string stencil = Write("Parts.vssx", MinimalStencil());
  Parts p = MinimalDrawing();
  p["visio/_rels/document.xml.rels"] =
      Rels({{"rId1", "pages", "pages/pages.xml"}, {"rId2", "windows", "windows.xml"}});
  p["visio/windows.xml"] = VisioPart(
      "Windows",
      "<Window ID=\"0\" WindowType=\"Drawing\" Page=\"0\"/>"
      "<Window ID=\"1\" WindowType=\"Stencil\" Document=\"" + disguised +
          "\" ParentWindow=\"0\"/>"
          "<Window ID=\"2\" WindowType=\"Stencil\" Document=\"" + stencil +
          "\" ParentWindow=\"0\"/>");
  Open(Write("Workspace.vsdx", p));
  EXPECT_EQ(Documents().Get("Count"), I2(2));
  const ObjectRef window =
      app.Get("Windows").ToObject().Get("Item", {Variant(1)}).ToObject();
  EXPECT_EQ(window.Get("DockedStencils").ToStringArray().Elements(),
            (std::vector<std::string>{disguised, stencil}));
}

}  // namespace
}  // namespace standin
