// The stand-in answers the same whatever the process locale: Visio's
// formulas, its files and the wire write numbers with "." everywhere, and
// a Qt program takes the desktop's locale (a decimal comma in German).
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string>
#include <vector>

#include "VsdxTestPackage.h"
#include "standin/Demo.h"
#include "standin/ShapeSheet.h"
#include "tests/support/DecimalCommaLocale.h"

namespace standin {
namespace {

using namespace vsdxtest;

using LocaleTest = PackageTest;

// A double as the shortest text that reads back to it, whatever the locale.
std::string Text(double v) {
  char buf[64];
  const auto end = std::to_chars(buf, buf + sizeof buf, v).ptr;
  return std::string(buf, end);
}

// Every answer below as text, for one locale.
std::vector<std::string> Answers(LocaleTest& t) {
  std::vector<std::string> out;
  Ref<Application> app = MakeRef<Application>();
  BuildDemoDrawing(*app);  // evaluates and formats hundreds of formulas
  ObjectRef page = ObjectRef(app).Get("ActivePage").ToObject();
  ObjectRef shape = page.Get("Shapes").ToObject().Get("Item", {Variant(1)}).ToObject();
  for (const char* cell : {"Width", "Height", "PinX", "LocPinX", "Angle", "LineWeight"}) {
    ObjectRef c = shape.Get("Cells", {Variant(cell)}).ToObject();
    out.push_back(c.Get("Formula").ToString());
    out.push_back(c.Get("ResultStr", {I2(visNoCast)}).ToString());
    out.push_back(Text(c.Get("ResultIU").ToDouble()));
  }
  ObjectRef width = shape.Get("Cells", {Variant("Width")}).ToObject();
  width.Put("Formula", Variant("1.25 in + 2.5 mm*2"));
  out.push_back(width.Get("ResultStr", {I2(visMillimeters)}).ToString());
  width.Put("Result", {I2(visCentimeters)}, Variant(3.75));
  out.push_back(width.Get("Formula").ToString());
  out.push_back(shape.Get("Text").ToString());
  app->Quit();

  // A file's numbers, and a window's zoom.
  Parts p = MinimalDrawing();
  p["visio/pages/page1.xml"] = VisioPart(
      "PageContents",
      "<Shapes><Shape ID=\"1\" Type=\"Shape\"><Cell N=\"Width\" V=\"1.5\" F=\"1.5 in\"/>"
      "<Cell N=\"Height\" V=\"0.75\" F=\"Width*0.5\"/><Cell N=\"PinX\" V=\"2.125\"/>"
      "</Shape></Shapes>");
  ObjectRef doc = t.Open(t.Write("Numbers.vsdx", p));
  ObjectRef s = doc.Get("Pages").ToObject().Get("Item", {Variant(1)}).ToObject()
                    .Get("Shapes").ToObject().Get("Item", {Variant(1)}).ToObject();
  for (const char* cell : {"Width", "Height", "PinX"}) {
    ObjectRef c = s.Get("Cells", {Variant(cell)}).ToObject();
    out.push_back(c.Get("Formula").ToString() + " = " + Text(c.Get("ResultIU").ToDouble()));
  }
  doc.Invoke("Close");
  return out;
}

TEST_F(LocaleTest, AnswersAreTheSameWithADecimalComma) {
  std::string why;
  if (!tarvel_test::DecimalCommaLocale(&why)) GTEST_SKIP() << why;
  const std::vector<std::string> classic = Answers(*this);
  std::vector<std::string> comma;
  {
    const tarvel_test::InDecimalCommaLocale german;
    ASSERT_TRUE(german.Active());
    // The locale really writes a comma: the fault this guards against.
    char buf[16];
    std::snprintf(buf, sizeof buf, "%.1f", 1.5);
    ASSERT_STREQ(buf, "1,5");
    comma = Answers(*this);
  }
  EXPECT_EQ(comma, classic);
  // And the answers are Visio's, with a decimal point.
  EXPECT_NE(std::find(classic.begin(), classic.end(), "36.75 mm"), classic.end());
}

}  // namespace
}  // namespace standin
