// A drawing opens in the windows its file records: drawing windows with
// their page, zoom and view flags, the stencils docked in them (the files
// found beside the drawing, the others by name), floating stencil windows,
// the active window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "InterfaceRows.h"
#include "VsdxTestPackage.h"
#include "standin/Application.h"
#include "standin/Document.h"
#include "standin/Shape.h"
#include "standin/Window.h"

namespace standin {
namespace {

using namespace vsdxtest;
using VsdxWindowsTest = PackageTest;

// Two pages, IDs 0 and 4, and the given windows part.
Parts DrawingWithWindows(const std::string& windows) {
  Parts p = MinimalDrawing();
  p["visio/_rels/document.xml.rels"] =
      Rels({{"rId1", "pages", "pages/pages.xml"}, {"rId2", "windows", "windows.xml"}});
  p["visio/pages/pages.xml"] =
      VisioPart("Pages",
                "<Page ID=\"0\" NameU=\"Page-1\"><Rel r:id=\"rId1\"/></Page>"
                "<Page ID=\"4\" NameU=\"Page-2\"><Rel r:id=\"rId2\"/></Page>");
  p["visio/pages/_rels/pages.xml.rels"] =
      Rels({{"rId1", "page", "page1.xml"}, {"rId2", "page", "page2.xml"}});
  p["visio/pages/page2.xml"] = VisioPart("PageContents", "");
  p["visio/windows.xml"] = VisioPart("Windows", windows);
  return p;
}

std::vector<std::string> Strings(const Variant& v) {
  return v.ToStringArray().Elements();
}

ObjectRef WindowItem(ObjectRef app, int i) {
  return app.Get("Windows").ToObject().Get("Item", {Variant(i)}).ToObject();
}

TEST_F(VsdxWindowsTest, ADrawingOpensInTheWindowItsFileRecords) {
  const std::string stencil = Write("parts.vssx", MinimalStencil());
  const std::string path =
      Write("Drawing.vsdx",
            DrawingWithWindows(
                "<Window ID=\"0\" WindowType=\"Drawing\" WindowState=\"1073741824\" "
                "ContainerType=\"Page\" Page=\"4\" ViewScale=\"0.75\">"
                "<ShowRulers>1</ShowRulers><ShowGrid>0</ShowGrid><ShowPageBreaks>1</ShowPageBreaks>"
                "<ShowGuides>0</ShowGuides><ShowConnectionPoints>0</ShowConnectionPoints></Window>"
                // Listed first, shown second in the docked group.
                "<Window ID=\"1\" WindowType=\"Stencil\" WindowState=\"1025\" "
                "Document=\"C:\\Stencils\\PARTS.VSSX\" ParentWindow=\"0\">"
                "<StencilGroup>10</StencilGroup><StencilGroupPos>2</StencilGroupPos></Window>"
                "<Window ID=\"2\" WindowType=\"Stencil\" WindowState=\"67109889\" "
                "Document=\"C:\\Office\\BASIC_U.VSSX\" ParentWindow=\"0\">"
                "<StencilGroup>10</StencilGroup><StencilGroupPos>1</StencilGroupPos></Window>"
                // A master being edited: not a window the stand-in has.
                "<Window ID=\"3\" WindowType=\"Drawing\" ContainerType=\"Master\" Master=\"2\"/>"));
  ObjectRef doc = Open(path);

  // Docked stencils are part of their drawing window, not windows of
  // their own.
  ASSERT_EQ(app.Get("Windows").ToObject().Get("Count"), I2(1));
  ObjectRef window = WindowItem(app, 1);
  EXPECT_EQ(window.Get("Type"), I2(visDrawing));
  EXPECT_TRUE(automation::SameObject(window.Get("Document").ToObject(), doc));
  EXPECT_EQ(window.Get("PageAsObj").ToObject().Get("Name"), Variant("Page-2"));
  EXPECT_EQ(window.Get("Zoom"), Variant(0.75));
  const std::pair<const char*, bool> flags[] = {
      {"ShowRulers", true},  {"ShowGrid", false},          {"ShowPageBreaks", true},
      {"ShowGuides", false}, {"ShowConnectPoints", false}, {"ShowScrollBars", true},
  };
  for (const auto& [member, on] : flags) EXPECT_EQ(window.Get(member), VisBool(on)) << member;
  EXPECT_EQ(Strings(window.Get("DockedStencils")),
            (std::vector<std::string>{"C:\\Office\\BASIC_U.VSSX", stencil}));
  EXPECT_TRUE(automation::SameObject(app.Get("ActiveWindow").ToObject(), window));
  EXPECT_EQ(app.Get("ActivePage").ToObject().Get("Name"), Variant("Page-2"));

  // The stencil found beside the drawing is open, read-only as Visio
  // opens a workspace's stencils, and undocks when it closes.
  ASSERT_EQ(Documents().Get("Count"), I2(2));
  ObjectRef parts = Documents().Get("Item", {Variant(2)}).ToObject();
  EXPECT_EQ(parts.Get("FullName"), Variant(stencil));
  EXPECT_EQ(parts.Get("ReadOnly"), VisBool(true));
  parts.Invoke("Close");
  EXPECT_EQ(Strings(window.Get("DockedStencils")),
            std::vector<std::string>{"C:\\Office\\BASIC_U.VSSX"});
}

TEST_F(VsdxWindowsTest, SeveralDrawingWindowsFloatingStencilsAndTheActiveOne) {
  Write("Parts.vssx", MinimalStencil());
  const std::string path = Write(
      "Drawing.vsdx",
      DrawingWithWindows(
          "<Window ID=\"0\" WindowType=\"Drawing\" ContainerType=\"Page\" Page=\"0\"/>"
          // visWSActive | visWSMaximized
          "<Window ID=\"5\" WindowType=\"Drawing\" WindowState=\"1140850688\" Page=\"4\" "
          "ViewScale=\"-1\"/>"
          "<Window ID=\"6\" WindowType=\"Stencil\" Document=\"Parts.vssx\"/>"
          "<Window ID=\"7\" WindowType=\"Stencil\" Document=\"Gone.vssx\"/>"
          "<Window ID=\"8\" WindowType=\"Stencil\" Document=\"Parts.vssx\" ParentWindow=\"5\"/>"
          // A page that is not there: the first page instead.
          "<Window ID=\"9\" WindowType=\"Drawing\" Page=\"99\"/>"));
  ObjectRef doc = Open(path);

  // The missing floating stencil has no window; the found one has its own.
  ASSERT_EQ(app.Get("Windows").ToObject().Get("Count"), I2(4));
  const char* pages[] = {"Page-1", "Page-2", "Page-1"};
  for (int i = 0; i < 3; ++i) {
    ObjectRef w = WindowItem(app, i + 1);
    EXPECT_EQ(w.Get("Type"), I2(visDrawing)) << i;
    EXPECT_EQ(w.Get("PageAsObj").ToObject().Get("Name"), Variant(pages[i])) << i;
  }
  ObjectRef floating = WindowItem(app, 4);
  EXPECT_EQ(floating.Get("Type"), I2(visStencil));
  EXPECT_EQ(floating.Get("Document").ToObject().Get("Name"), Variant("Parts.vssx"));
  // The one stencil document serves both windows.
  EXPECT_EQ(Documents().Get("Count"), I2(2));
  EXPECT_EQ(Strings(WindowItem(app, 1).Get("DockedStencils")), std::vector<std::string>{});
  EXPECT_EQ(Strings(WindowItem(app, 2).Get("DockedStencils")),
            std::vector<std::string>{(dir_ / "Parts.vssx").string()});
  // Marked active in the file; its whole-page zoom is kept as the file
  // says, there being no screen to fit the page to.
  ObjectRef active = app.Get("ActiveWindow").ToObject();
  EXPECT_TRUE(automation::SameObject(active, WindowItem(app, 2)));
  EXPECT_EQ(active.Get("Zoom"), Variant(-1.0));
  EXPECT_TRUE(automation::SameObject(app.Get("ActiveDocument").ToObject(), doc));
}

TEST_F(VsdxWindowsTest, WithoutAWindowsPartOrHiddenOrDamaged) {
  // No windows part: one drawing window on the first page, as before.
  Open(Write("Plain.vsdx", MinimalDrawing()));
  ASSERT_EQ(app.Get("Windows").ToObject().Get("Count"), I2(1));
  EXPECT_EQ(WindowItem(app, 1).Get("Zoom"), Variant(1.0));
  EXPECT_EQ(Strings(WindowItem(app, 1).Get("DockedStencils")), std::vector<std::string>{});

  // Hidden: no windows, and no stencils opened for them.
  Write("Parts.vssx", MinimalStencil());
  const std::string window =
      "<Window ID=\"0\" WindowType=\"Drawing\" Page=\"4\"/>"
      "<Window ID=\"1\" WindowType=\"Stencil\" Document=\"Parts.vssx\" ParentWindow=\"0\"/>";
  Documents().Invoke("OpenEx", {Variant(Write("Hidden.vsdx", DrawingWithWindows(window))),
                                Variant(std::int16_t{visOpenHidden})});
  EXPECT_EQ(app.Get("Windows").ToObject().Get("Count"), I2(1));
  EXPECT_EQ(Documents().Get("Count"), I2(2));

  // A damaged windows part fails the file like any other part.
  Parts broken = DrawingWithWindows(window);
  broken["visio/windows.xml"] = "<Windows><Window ID=\"0\"";
  const std::string brokenPath = Write("Broken.vsdx", broken);
  const testrows::Failure f = testrows::FailureOf([&] { Open(brokenPath); });
  EXPECT_EQ(f.code, VisioErrorCode(VisioErrorKind::BadFile));
  EXPECT_NE(f.message.find("cannot be opened: visio/windows.xml: malformed XML"), std::string::npos)
      << f.message;
  EXPECT_EQ(Documents().Get("Count"), I2(2));
  EXPECT_EQ(app.Get("Windows").ToObject().Get("Count"), I2(1));
}

}  // namespace
}  // namespace standin
