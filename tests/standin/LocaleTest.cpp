// The stand-in reads and writes numbers with "." whatever the process
// locale: Qt programs run with the user's LC_NUMERIC, and Visio's formulas,
// its files and the wire always use ".".
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "VsdxTestPackage.h"
#include "automation/Numbers.h"
#include "standin/Application.h"
#include "standin/Demo.h"
#include "standin/Document.h"
#include "standin/Shape.h"
#include "standin/Units.h"
#include "standin/Window.h"
#include "tests/support/DecimalCommaLocale.h"

namespace standin {
namespace {

using automation::Variant;
using namespace vsdxtest;

// Conversions of numbers to text and back, as one list of lines.
std::vector<std::string> Conversions() {
  std::vector<std::string> out;
  for (double v : {0.0, -0.25, 1.5, 612.0, 1.0 / 3, 1e21, -2.5e-7, 1e300})
    out.push_back(automation::FormatFixed(v, 4) + "|" + automation::FormatGeneral(v, 15) + "|" +
                  FormatResult(v, visInches, visMillimeters) + "|" +
                  FormatConstant(v, visCentimeters) + "|" +
                  FormatResult(v, visNumber, visCurrency));
  for (const char* formula : {"50.8 mm", "1.5", "-1.5E2 pt", "1 ft 3.5 in", "45.5 deg", "1e999"}) {
    const auto m = ParseConstant(formula);
    out.push_back(std::string(formula) + "=" +
                  (m ? automation::FormatGeneral(m->iu, 17) + " " + std::to_string(m->unit) : "-"));
  }
  const auto parsed = automation::ParseDouble("0.75");
  out.push_back(parsed ? automation::FormatGeneral(*parsed, 17) : "-");
  return out;
}

// Formulas, results and their texts across the demo drawing's shapes.
std::vector<std::string> DemoValues() {
  auto app = automation::MakeRef<Application>();
  BuildDemoDrawing(*app);
  std::vector<std::string> out;
  automation::ObjectRef pages = app.Get("ActiveDocument").ToObject().Get("Pages").ToObject();
  const int pageCount = pages.Get("Count").ToInt32();
  for (int p = 1; p <= pageCount; ++p) {
    automation::ObjectRef shapes =
        pages.Get("Item", {Variant(p)}).ToObject().Get("Shapes").ToObject();
    const int count = shapes.Get("Count").ToInt32();
    for (int s = 1; s <= count; ++s) {
      automation::ObjectRef shape = shapes.Get("Item", {Variant(s)}).ToObject();
      for (const char* name : {"PinX", "Width", "Angle", "LineWeight", "Scratch.A1", "Prop.Cost"}) {
        if (shape.Get("CellExists", {Variant(name), Variant(std::int16_t{0})}).ToInt32() == 0)
          continue;
        automation::ObjectRef cell = shape.Get("Cells", {Variant(name)}).ToObject();
        std::string line = name;
        line += " " + cell.Get("FormulaU").ToString();
        line += " " + cell.Get("ResultStr", {Variant("")}).ToString();
        line += " " + cell.Get("Result", {Variant("")}).ToString();
        out.push_back(line);
      }
    }
  }
  app->Quit();
  return out;
}

TEST(LocaleTest, NumbersAndTheDemoDrawingReadTheSameUnderADecimalComma) {
  const std::vector<std::string> conversions = Conversions();
  const std::vector<std::string> demo = DemoValues();
  ASSERT_FALSE(demo.empty());
  TARVEL_UNDER_DECIMAL_COMMA(locale);
  EXPECT_EQ(Conversions(), conversions);
  EXPECT_EQ(DemoValues(), demo);
}

using LocaleLoadTest = PackageTest;

TEST_F(LocaleLoadTest, AFileLoadsTheSameUnderADecimalComma) {
  Parts parts = MinimalDrawing();
  parts["visio/_rels/document.xml.rels"] =
      Rels({{"rId1", "pages", "pages/pages.xml"}, {"rId2", "windows", "windows.xml"}});
  parts["visio/windows.xml"] =
      VisioPart("Windows",
                "<Window ID=\"0\" WindowType=\"Drawing\" WindowState=\"1073741824\" "
                "ContainerType=\"Page\" Page=\"0\" ViewScale=\"0.75\"/>");
  const std::string path = Write("Drawing.vsdx", parts);
  TARVEL_UNDER_DECIMAL_COMMA(locale);
  Open(path);
  EXPECT_EQ(app.Get("ActiveWindow").ToObject().Get("Zoom"), Variant(0.75));
}

}  // namespace
}  // namespace standin
