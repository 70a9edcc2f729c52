// Edits made through the automation calls, saved with SaveAs and read
// back with Documents.Open: everything the model held before the save is
// what the reopened document holds, and the parts the edit did not touch
// are the original's bytes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>

#include "VsdxTestPackage.h"
#include "standin/CellTables.h"
#include "standin/Demo.h"
#include "standin/Document.h"
#include "standin/DocumentSave.h"
#include "standin/Master.h"
#include "standin/Page.h"
#include "standin/Shape.h"
#include "standin/ShapeSheet.h"
#include "standin/ShapeText.h"
#include "standin/Style.h"
#include "standin/Window.h"
#include "tests/support/SharedFile.h"

namespace standin {
namespace {

using automation::ObjectRef;
using automation::Variant;
using namespace vsdxtest;

Document& DocOf(const ObjectRef& doc) {
  return static_cast<Document&>(*doc.get());
}

// ---- what the model holds, as text ----

std::string Num(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.9g", std::abs(v) < 1e-12 ? 0.0 : v);
  return buf;
}

// Every row and cell a sheet shows: type, name, formula and result.
void DumpSheet(ShapeSheet& sheet, std::ostream& out) {
  for (std::int16_t s : sheet.SectionIndices()) {
    std::vector<std::int16_t> rows = sheet.ObjectRows();
    if (s != visSectionObject) {
      rows.clear();
      for (std::int16_t r = 0; r < sheet.RowCount(s); ++r) rows.push_back(r);
    }
    for (std::int16_t r : rows) {
      out << "  [" << s << ',' << r << "] ";
      if (s != visSectionObject) out << sheet.RowType(s, r) << ' ' << sheet.RowName(s, r);
      out << '\n';
      for (std::int16_t c = 0; c < sheet.RowsCellCount(s, r); ++c) {
        if (!sheet.CellExists(s, r, c, false)) continue;
        const CellValue v = sheet.Value(s, r, c);
        out << "    " << sheet.CellName(s, r, c) << " = " << sheet.Formula(s, r, c) << " -> "
            << (v.isString ? v.text.str() : Num(v.result)) << '\n';
      }
    }
  }
}

void DumpShapes(const std::vector<Ref<Shape>>& shapes, std::ostream& out) {
  for (const auto& s : shapes) {
    out << "shape " << s->id() << ' ' << s->NameU() << " type " << s->type() << " master "
        << (s->master() ? s->master()->id() : -1) << '/' << s->MasterShapeId() << " text \""
        << s->Text().Text() << "\"\n";
    DumpSheet(s->Sheet(), out);
    DumpShapes(s->Children(), out);
  }
}

std::string Dump(Document& d) {
  std::ostringstream out;
  out << "document\n";
  DumpSheet(d.DocumentSheet().Sheet(), out);
  for (const auto& s : d.Styles()) {
    out << "style " << s->id() << ' ' << s->NameU() << '\n';
    DumpSheet(s->Sheet(), out);
  }
  for (const auto& m : d.Masters()) {
    out << "master " << m->id() << ' ' << m->NameU() << '\n';
    DumpSheet(m->Sheet().Sheet(), out);
    DumpShapes(m->TopShapes(), out);
  }
  for (const auto& p : d.Pages()) {
    out << "page " << p->id() << ' ' << p->NameU() << '\n';
    DumpSheet(p->Sheet().Sheet(), out);
    DumpShapes(p->TopShapes(), out);
    for (const auto& c : p->Connects())
      out << "connect " << (c.from ? c.from->id() : -1) << "->" << (c.to ? c.to->id() : -1) << '\n';
  }
  return out.str();
}

// The first line where two dumps part, for a readable failure.
std::string FirstDifference(const std::string& a, const std::string& b) {
  std::istringstream x(a), y(b);
  std::string lx, ly, context;
  while (true) {
    const bool gx = static_cast<bool>(std::getline(x, lx));
    const bool gy = static_cast<bool>(std::getline(y, ly));
    if (!gx && !gy) return "";
    if (!gx || !gy || lx != ly)
      return "after \"" + context + "\": \"" + (gx ? lx : "<end>") + "\" vs \"" +
             (gy ? ly : "<end>") + "\"";
    if (lx.rfind("shape", 0) == 0 || lx.rfind("page", 0) == 0 || lx.rfind("master", 0) == 0 ||
        lx.rfind("style", 0) == 0)
      context = lx;
  }
}

// ---- finding what to edit ----

Shape* FindShape(const std::vector<Ref<Shape>>& shapes, const std::function<bool(Shape&)>& want) {
  for (const auto& s : shapes) {
    if (want(*s)) return s.get();
    if (Shape* inner = FindShape(s->Children(), want)) return inner;
  }
  return nullptr;
}

// A shape of the first page that no master stands behind.
Shape* PlainShape(Document& d, int skip = 0) {
  for (const auto& s : d.Pages()[0]->TopShapes()) {
    if (!s->master() && s->type() == visTypeShape && skip-- == 0) return s.get();
  }
  return nullptr;
}

// A shape of the first page that inherits a geometry section of at least
// three rows from its master.
Shape* InstanceWithGeometry(Document& d) {
  return FindShape(d.Pages()[0]->TopShapes(), [](Shape& s) {
    return s.MasterShape() && s.Sheet().GeometryCount() > 0 &&
           s.Sheet().RowCount(visSectionFirstComponent) >= 3 &&
           s.Sheet().IsInherited(visSectionFirstComponent, 1, 0);
  });
}

ObjectRef Obj(Shape* s) {
  if (!s) throw std::runtime_error("the drawing has no shape of that kind");
  return ObjectRef(s);
}

ObjectRef Cell(const ObjectRef& sheet, const char* name) {
  return sheet.Get("Cells", {Variant(name)}).ToObject();
}

ObjectRef Page1(const ObjectRef& doc) {
  return doc.Get("Pages").ToObject().Get("Item", {Variant(1)}).ToObject();
}

// Parts of the original an edit writes again: the first page's contents,
// the list parts, the document part; new parts are not named.
enum Touches : unsigned {
  kPage1 = 1,
  kPagesList = 2,
  kMastersList = 4,
  kDocument = 8,
  kTypes = 16,
};

struct Edit {
  const char* name;
  unsigned touches;
  std::function<void(const ObjectRef&)> edit;
};

const std::vector<Edit>& Edits() {
  static const std::vector<Edit> edits = {
      {"formula on a page shape", kPage1,
       [](const ObjectRef& doc) {
         Cell(Obj(PlainShape(DocOf(doc))), "PinX").Put("Formula", Variant("Width*2+0.25 in"));
       }},
      {"local override of an inherited cell", kPage1,
       [](const ObjectRef& doc) {
         Shape* s = InstanceWithGeometry(DocOf(doc));
         if (!Obj(s) || !s->Sheet().IsInherited(visSectionObject, visRowLine, visLineWeight))
           throw std::runtime_error("the instance's line weight is its own");
         Cell(Obj(s), "LineWeight").Put("Formula", Variant("3 pt"));
         Cell(Obj(s), "Geometry1.X2").Put("Formula", Variant("Width*0.25"));
       }},
      {"deleted inherited geometry row", kPage1,
       [](const ObjectRef& doc) {
         Shape* s = InstanceWithGeometry(DocOf(doc));
         Obj(s).Invoke("DeleteRow", {Variant(visSectionFirstComponent), Variant(2)});
       }},
      {"rectangle drawn", kPage1,
       [](const ObjectRef& doc) {
         const ObjectRef s =
             Page1(doc)
                 .Invoke("DrawRectangle", {Variant(1.0), Variant(1.0), Variant(2.5), Variant(3.0)})
                 .ToObject();
         s.Put("Text", Variant("Drawn"));
       }},
      {"master dropped", kPage1,
       [](const ObjectRef& doc) {
         const ObjectRef master =
             doc.Get("Masters").ToObject().Get("Item", {Variant(1)}).ToObject();
         Page1(doc).Invoke("Drop", {Variant(master), Variant(4.0), Variant(4.0)});
       }},
      {"shape deleted", kPage1,
       [](const ObjectRef& doc) { Obj(PlainShape(DocOf(doc))).Invoke("Delete"); }},
      {"text with a field", kPage1,
       [](const ObjectRef& doc) {
         const ObjectRef s = Obj(PlainShape(DocOf(doc)));
         s.Put("Text", Variant("Width: "));
         const ObjectRef chars = s.Get("Characters").ToObject();
         chars.Put("Begin", Variant(7));
         chars.Put("End", Variant(7));
         chars.Invoke("AddCustomFieldU", {Variant("Width"), Variant(0)});
       }},
      {"page added", kPagesList | kTypes,
       [](const ObjectRef& doc) {
         const ObjectRef page = doc.Get("Pages").ToObject().Invoke("Add").ToObject();
         page.Put("Name", Variant("Added"));
         page.Invoke("DrawRectangle", {Variant(1.0), Variant(1.0), Variant(2.0), Variant(2.0)});
       }},
      {"master added", kMastersList | kTypes,
       [](const ObjectRef& doc) {
         doc.Get("Masters").ToObject().Invoke("Add").ToObject().Put("Name", Variant("Added"));
       }},
      {"selection grouped", kPage1,
       [](const ObjectRef& doc) {
         Document& d = DocOf(doc);
         Shape* a = PlainShape(d);
         Shape* b = PlainShape(d, 1);
         if (!a || !b) throw std::runtime_error("the page has fewer than two shapes to group");
         const ObjectRef window(d.app().OpenDrawingWindow(d, d.Pages()[0].get()).get());
         window.Invoke("DeselectAll");
         window.Invoke("Select", {Variant(Obj(a)), Variant(std::int16_t{2})});
         window.Invoke("Select", {Variant(Obj(b)), Variant(std::int16_t{2})});
         window.Get("Selection").ToObject().Invoke("Group");
       }},
      {"page sheet cell", kPagesList,
       [](const ObjectRef& doc) {
         Cell(Page1(doc).Get("PageSheet").ToObject(), "PageWidth").Put("Formula", Variant("13 in"));
       }},
      {"style cell", kDocument,
       [](const ObjectRef& doc) {
         const ObjectRef styles = doc.Get("Styles").ToObject();
         const ObjectRef style =
             styles.Get("Item", {Variant(styles.Get("Count").ToInt32())}).ToObject();
         Cell(style, "LineWeight").Put("Formula", Variant("2.5 pt"));
       }},
      {"document sheet row added", kDocument,
       [](const ObjectRef& doc) {
         const ObjectRef sheet = doc.Get("DocumentSheet").ToObject();
         sheet.Invoke("AddNamedRow", {Variant(std::int16_t{visSectionUser}), Variant("Saved"),
                                      Variant(std::int16_t{0})});
         Cell(sheet, "User.Saved").Put("Formula", Variant("\"yes\""));
       }},
      {"tab stops", kPage1,
       [](const ObjectRef& doc) {
         const ObjectRef s = Obj(PlainShape(DocOf(doc)));
         const std::int16_t tab = visSectionTab;
         if (s.Invoke("SectionExists", {Variant(tab), Variant(std::int16_t{0})}).ToInt32() == 0)
           s.Invoke("AddSection", {Variant(tab)});
         const std::int16_t r = static_cast<std::int16_t>(
             s.Invoke("AddRow", {Variant(tab), Variant(std::int16_t{visRowLast}),
                                 Variant(std::int16_t{visTagTab2})})
                 .ToInt32());
         auto src = [&](std::int16_t c) {
           return s.Get("CellsSRC", {Variant(tab), Variant(r), Variant(c)}).ToObject();
         };
         src(visTabStopCount).Put("Formula", Variant("2"));
         src(visTabPos).Put("Formula", Variant("0.5 in"));
         src(visTabAlign).Put("Formula", Variant("1"));
         src(visTabPos + 3).Put("Formula", Variant("Width*0.75"));
         src(visTabAlign + 3).Put("Formula", Variant("2"));
       }},
  };
  return edits;
}

class SaveEditsTest : public PackageTest {
 protected:
  // Opens `file`, makes the edit, saves it as another file, reopens that
  // and compares what each holds.
  void Check(const std::string& file, const Edit& e) {
    SCOPED_TRACE(std::string(e.name) + " on " + file);
    const auto original = PartsOf(ReadFile(file));
    const ObjectRef doc = Open(file);
    Document& d = DocOf(doc);
    const SourcePackage source = *d.Source();
    const std::int16_t page1 = d.Pages()[0]->id();
    try {
      e.edit(doc);
    } catch (const std::exception& ex) {
      ADD_FAILURE() << "the edit failed: " << ex.what();
      doc.Invoke("Close");
      return;
    }
    ASSERT_EQ(doc.Get("Saved").ToInt32(), 0);
    const std::string target = (dir_ / "edited.vsdx").string();
    doc.Invoke("SaveAs", {Variant(target)});
    EXPECT_NE(doc.Get("Saved").ToInt32(), 0);
    const std::string before = Dump(d);
    doc.Invoke("Close");

    const ObjectRef again = Open(target);
    EXPECT_EQ(FirstDifference(before, Dump(DocOf(again))), "");
    EXPECT_NE(again.Get("Saved").ToInt32(), 0);
    EXPECT_FALSE(DocOf(again).Changes().Any());
    again.Invoke("Close");

    // What the edit did not touch is the original's bytes.
    std::set<std::string> touched;
    auto listOf = [&](const char* kind) {
      for (const auto& [part, bytes] : original) {
        if (part.find(kind) != std::string::npos) touched.insert(part);
      }
    };
    if (e.touches & kPage1) touched.insert(source.pageParts.at(page1));
    if (e.touches & kPagesList) listOf("pages.xml");
    if (e.touches & kMastersList) listOf("masters.xml");
    if (e.touches & kDocument) touched.insert(source.mainPart);
    if (e.touches & kTypes) {
      touched.insert("[Content_Types].xml");
      touched.insert("visio/_rels/document.xml.rels");
    }
    const auto saved = PartsOf(ReadFile(target));
    for (const auto& [part, bytes] : original) {
      if (touched.count(part)) continue;
      auto it = saved.find(part);
      if (it == saved.end()) {
        ADD_FAILURE() << part << " is gone";
      } else {
        EXPECT_TRUE(it->second == bytes) << part << " changed";
      }
    }
  }
};

std::vector<std::string> CorpusDrawings() {
  std::vector<std::string> out;
  for (const char* name : {"vsdx/pyvsdx_test4_connectors.vsdx", "vsdx/poi_github260.vsdx"}) {
    const std::string file = tarvel_test::SharedFile(name);
    if (!file.empty()) out.push_back(file);
  }
  return out;
}

TEST_F(SaveEditsTest, EditsOfCorpusDrawingsSurviveSaveAndReopen) {
  const std::vector<std::string> files = CorpusDrawings();
  if (files.empty()) GTEST_SKIP() << "TARVEL_SHARED_DIR is not set";
  for (const std::string& file : files) {
    for (const Edit& e : Edits()) Check(file, e);
  }
}

// The demo drawing is made in memory: saved once it is a package of the
// stand-in's own making, which must hold all of it and take every edit.
TEST_F(SaveEditsTest, TheDemoDrawingSavesWholeAndTakesEveryEdit) {
  BuildDemoDrawing(*app_);
  ObjectRef demo;
  const ObjectRef docs = Documents();
  for (std::int32_t i = 1; i <= docs.Get("Count").ToInt32(); ++i) {
    const ObjectRef d = docs.Get("Item", {Variant(i)}).ToObject();
    if (d.Get("Type").ToInt32() == visDocTypeDrawing) demo = d;
  }
  ASSERT_TRUE(demo);
  const std::string file = (dir_ / "demo.vsdx").string();
  demo.Invoke("SaveAs", {Variant(file)});
  const std::string before = Dump(DocOf(demo));
  demo.Invoke("Close");
  const ObjectRef again = Open(file);
  EXPECT_EQ(FirstDifference(before, Dump(DocOf(again))), "");
  again.Invoke("Close");
  for (const Edit& e : Edits()) Check(file, e);
}

// Another reader sees a page added: libvisio takes a page's size from
// its PageSheet element and prints nothing for a page whose sheet holds
// no cells. A new page's sheet is written with its cells, as Visio
// writes a new page's.
TEST_F(SaveEditsTest, LibvisioPrintsAPageAddedWithItsSize) {
  if (std::system("command -v vsd2raw >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "vsd2raw (libvisio-tools) is not installed";
  const std::string file = Write("one.vsdx", MinimalDrawing());
  const ObjectRef doc = Open(file);
  const ObjectRef added = doc.Get("Pages").ToObject().Invoke("Add").ToObject();
  added.Put("Name", Variant("Added"));
  Cell(added.Get("PageSheet").ToObject(), "PageHeight").Put("Formula", Variant("5 in"));
  added.Invoke("DrawRectangle", {Variant(1.0), Variant(1.0), Variant(2.0), Variant(2.0)});
  const std::string target = (dir_ / "two.vsdx").string();
  doc.Invoke("SaveAs", {Variant(target)});

  const std::string out = (dir_ / "raw.txt").string();
  ASSERT_EQ(std::system(("vsd2raw '" + target + "' > '" + out + "' 2>/dev/null").c_str()), 0);
  const std::string raw = ReadFile(out);
  EXPECT_NE(raw.find("startPage(draw:name: Added, svg:height: 5.0000in, svg:width: 8.5000in)"),
            std::string::npos)
      << raw;
  // The page's rectangle is drawn on it.
  EXPECT_NE(raw.find("drawPath", raw.find("draw:name: Added")), std::string::npos) << raw;

  // What the page's sheet holds in the file: the cells of a new page.
  const std::string pages = PartsOf(ReadFile(target)).at("visio/pages/pages.xml");
  for (const char* cell : {"PageWidth", "PageHeight", "PageScale", "DrawingScale",
                           "DrawingSizeType", "DrawingScaleType", "ShdwOffsetX"})
    EXPECT_NE(pages.find(std::string("N=\"") + cell + "\""), std::string::npos) << cell;
}

}  // namespace
}  // namespace standin
