// The document's own ShapeSheet (Document.DocumentSheet): what a drawing's
// DocumentSheet element holds, what a new document has, and formulas of
// other sheets that name it ("TheDoc!") or their page's sheet ("ThePage!").
#include <gtest/gtest.h>

#include <string>

#include "VsdxTestPackage.h"
#include "standin/CellTables.h"

namespace standin {
namespace {

using namespace vsdxtest;
using automation::AutomationError;
using automation::ObjectRef;
using automation::Variant;

using VsdxDocumentSheetTest = PackageTest;

constexpr std::int16_t kVisTypeDoc = 6;

// A drawing whose document.xml holds `docSheet` (a whole DocumentSheet
// element) and whose one shape holds `shapeInner`.
Parts DrawingWithDocSheet(const std::string& docSheet, const std::string& shapeInner) {
  Parts p = DrawingWithShape(shapeInner);
  p["visio/document.xml"] = VisioPart("VisioDocument", docSheet);
  return p;
}

const char* const kDocSheet =
    "<DocumentSheet NameU=\"TheDoc\" Name=\"TheDoc\" LineStyle=\"0\" FillStyle=\"0\" "
    "TextStyle=\"0\">"
    "<Cell N=\"PreviewScope\" V=\"2\"/><Cell N=\"DocLockReplace\" V=\"1\" U=\"BOOL\"/>"
    "<Section N=\"User\">"
    "<Row N=\"Version\"><Cell N=\"Value\" V=\"3\"/><Cell N=\"Prompt\" V=\"Build\"/></Row>"
    "<Row N=\"Owner\"><Cell N=\"Value\" V=\"Ann\" U=\"STR\"/></Row></Section>"
    "<Section N=\"Property\"><Row N=\"Client\"><Cell N=\"Value\" V=\"Acme\" U=\"STR\"/>"
    "<Cell N=\"Label\" V=\"Client name\"/></Row></Section>"
    "</DocumentSheet>";

// The pages part of a drawing whose one page is 11 in wide.
const std::string kPageOf11In = VisioPart(
    "Pages",
    "<Page ID=\"0\" NameU=\"Page-1\"><PageSheet><Cell N=\"PageWidth\" V=\"11\"/></PageSheet>"
    "<Rel r:id=\"rId1\"/></Page>");

double ResultOf(const ObjectRef& sheet, const char* cell) {
  return sheet.Get("Cells", {Variant(cell)}).ToObject().Get("ResultIU").ToDouble();
}

std::string TextOf(const ObjectRef& sheet, const char* cell) {
  return sheet.Get("Cells", {Variant(cell)}).ToObject().Get("ResultStr", {Variant("")}).ToString();
}

TEST_F(VsdxDocumentSheetTest, AnswersTheCellsAndRowsTheFileStores) {
  const ObjectRef doc = Open(Write("Doc.vsdx", DrawingWithDocSheet(kDocSheet, "")));
  const ObjectRef sheet = doc.Get("DocumentSheet").ToObject();
  ASSERT_TRUE(sheet);
  EXPECT_TRUE(SameObject(sheet, doc.Get("DocumentSheet").ToObject()));

  // What it is: a shape of type visTypeDoc on no page, named as formulas
  // name it.
  EXPECT_EQ(sheet.Get("Type").ToInt32(), kVisTypeDoc);
  EXPECT_EQ(sheet.Get("Name").ToString(), "TheDoc");
  EXPECT_EQ(sheet.Get("NameU").ToString(), "TheDoc");
  EXPECT_EQ(sheet.Get("NameID").ToString(), "TheDoc");
  EXPECT_EQ(sheet.Get("ID").ToInt32(), 0);
  EXPECT_EQ(sheet.Get("Index").ToInt32(), 0);
  EXPECT_FALSE(sheet.Get("ContainingPage").ToObject());
  EXPECT_FALSE(sheet.Get("ContainingMaster").ToObject());
  EXPECT_FALSE(sheet.Get("ContainingShape").ToObject());
  EXPECT_TRUE(SameObject(sheet.Get("Document").ToObject(), doc));
  // Its container, as a page's sheet answers its page.
  EXPECT_TRUE(SameObject(sheet.Get("Parent").ToObject(), doc));
  EXPECT_EQ(sheet.Get("Shapes").ToObject().Get("Count").ToInt32(), 0);
  EXPECT_THROW(sheet.Invoke("Delete"), AutomationError);

  // User and shape data rows by name and by index.
  EXPECT_EQ(ResultOf(sheet, "User.Version"), 3.0);
  EXPECT_EQ(TextOf(sheet, "User.Version.Prompt"), "Build");
  EXPECT_EQ(TextOf(sheet, "User.Owner"), "Ann");
  EXPECT_EQ(TextOf(sheet, "Prop.Client"), "Acme");
  EXPECT_EQ(TextOf(sheet, "Prop.Client.Label"), "Client name");
  EXPECT_EQ(sheet.Get("RowCount", {I2(visSectionUser)}).ToInt32(), 2);
  EXPECT_EQ(sheet.Get("RowCount", {I2(visSectionProp)}).ToInt32(), 1);
  EXPECT_EQ(sheet.Get("CellsSRC", {I2(visSectionUser), I2(1), I2(visUserValue)})
                .ToObject()
                .Get("ResultStr", {Variant("")})
                .ToString(),
            "Ann");
  EXPECT_EQ(sheet.Get("CellsSRC", {I2(visSectionProp), I2(0), I2(visCustPropsLabel)})
                .ToObject()
                .Get("ResultStr", {Variant("")})
                .ToString(),
            "Client name");

  // The Object section: Document Properties and nothing of a shape's.
  EXPECT_EQ(sheet.Get("RowCount", {I2(visSectionObject)}).ToInt32(), 1);
  EXPECT_NE(sheet.Get("RowExists", {I2(visSectionObject), I2(visRowDoc), I2(0)}).ToInt32(), 0);
  for (std::int16_t row : {visRowXFormOut, visRowLine, visRowText, visRowPage, visRowEvent})
    EXPECT_EQ(sheet.Get("RowExists", {I2(visSectionObject), I2(row), I2(0)}).ToInt32(), 0) << row;
  EXPECT_THROW(sheet.Get("Cells", {Variant("Width")}), AutomationError);
  EXPECT_EQ(ResultOf(sheet, "PreviewScope"), 2.0);
  EXPECT_EQ(ResultOf(sheet, "DocLockReplace"), 1.0);
  EXPECT_EQ(ResultOf(sheet, "PreviewQuality"), 0.0);  // not in the file: Visio's default
  EXPECT_EQ(sheet.Get("CellsSRC", {I2(visSectionObject), I2(visRowDoc), I2(10)})
                .ToObject()
                .Get("ResultIU")
                .ToDouble(),
            2.0);
}

TEST_F(VsdxDocumentSheetTest, NewDocumentHasOneWithVisiosDefaults) {
  for (const char* file : {"", "Doc.vsdx"}) {
    SCOPED_TRACE(file);
    // A drawing without a DocumentSheet element is like a new one.
    const ObjectRef doc = *file ? Open(Write(file, MinimalDrawing()))
                                : Documents().Invoke("Add", {Variant("")}).ToObject();
    const ObjectRef sheet = doc.Get("DocumentSheet").ToObject();
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet.Get("Type").ToInt32(), kVisTypeDoc);
    EXPECT_EQ(sheet.Get("RowCount", {I2(visSectionObject)}).ToInt32(), 1);
    EXPECT_EQ(sheet.Get("SectionExists", {I2(visSectionUser), I2(0)}).ToInt32(), 0);
    EXPECT_EQ(ResultOf(sheet, "OutputFormat"), 0.0);
    EXPECT_EQ(ResultOf(sheet, "DocLockReplace"), 0.0);

    // Rows a client adds are the document's, and answer at once.
    sheet.Invoke("AddNamedRow", {I2(visSectionUser), Variant("Count"), I2(0)});
    sheet.Get("Cells", {Variant("User.Count")}).ToObject().Put("FormulaU", Variant("6*7"));
    EXPECT_EQ(ResultOf(sheet, "User.Count"), 42.0);
  }
}

TEST_F(VsdxDocumentSheetTest, ClosedDocumentsSheetIsGone) {
  const ObjectRef doc = Open(Write("Doc.vsdx", DrawingWithDocSheet(kDocSheet, "")));
  const ObjectRef sheet = doc.Get("DocumentSheet").ToObject();
  doc.Invoke("Close");
  EXPECT_THROW(sheet.Get("Cells", {Variant("User.Version")}), AutomationError);
  EXPECT_THROW(sheet.Get("Name"), AutomationError);
}

TEST_F(VsdxDocumentSheetTest, FormulasNameTheDocumentAndThePage) {
  // A page shape reading the document's and its page's sheet; the page is
  // 11 in wide.
  Parts p = DrawingWithDocSheet(
      kDocSheet,
      "<Section N=\"User\">"
      "<Row N=\"Twice\"><Cell N=\"Value\" V=\"0\" F=\"TheDoc!User.Version*2\"/></Row>"
      "<Row N=\"Lower\"><Cell N=\"Value\" V=\"0\" F=\"thedoc!User.Version+1\"/></Row>"
      "<Row N=\"Wide\"><Cell N=\"Value\" V=\"0\" F=\"ThePage!PageWidth\"/></Row>"
      "<Row N=\"Missing\"><Cell N=\"Value\" V=\"0\" F=\"TheDoc!User.Nothing\"/></Row>"
      "</Section>");
  p["visio/pages/pages.xml"] = kPageOf11In;
  const ObjectRef doc = Open(Write("Refs.vsdx", p));
  const ObjectRef shape = FirstShapeOf(doc);
  EXPECT_EQ(ResultOf(shape, "User.Twice"), 6.0);
  EXPECT_EQ(ResultOf(shape, "User.Lower"), 4.0);
  EXPECT_EQ(ResultOf(shape, "User.Wide"), 11.0);
  const ObjectRef missing = shape.Get("Cells", {Variant("User.Missing")}).ToObject();
  EXPECT_NE(missing.Get("Error").ToInt32(), 0);

  // The result follows the document's cell.
  doc.Get("DocumentSheet")
      .ToObject()
      .Get("Cells", {Variant("User.Version")})
      .ToObject()
      .Put("FormulaU", Variant("10"));
  EXPECT_EQ(ResultOf(shape, "User.Twice"), 20.0);
}

TEST_F(VsdxDocumentSheetTest, MasterShapesReadTheirMastersSheetAndInstancesTheirPages) {
  // The master's sheet is 3 in wide, the page 11 in: the master shape reads
  // the master's, its instance (inheriting the formula) the page's; both
  // read the one document sheet.
  Parts p =
      DrawingWithMaster("Part",
                        "<Shape ID=\"5\" NameU=\"Part\" Type=\"Shape\"><Section N=\"User\">"
                        "<Row N=\"Wide\"><Cell N=\"Value\" V=\"0\" F=\"ThePage!PageWidth\"/></Row>"
                        "<Row N=\"Ver\"><Cell N=\"Value\" V=\"0\" F=\"TheDoc!User.Version\"/></Row>"
                        "</Section></Shape>",
                        "<Shape ID=\"1\" NameU=\"Part\" Type=\"Shape\" Master=\"2\"/>");
  p["visio/document.xml"] = VisioPart("VisioDocument", kDocSheet);
  p["visio/masters/masters.xml"] = VisioPart(
      "Masters",
      "<Master ID=\"2\" NameU=\"Part\"><PageSheet><Cell N=\"PageWidth\" V=\"3\"/></PageSheet>"
      "<Rel r:id=\"rId1\"/></Master>");
  p["visio/pages/pages.xml"] = kPageOf11In;
  const ObjectRef doc = Open(Write("Master.vsdx", p));
  const ObjectRef masterShape = MasterShape(doc, 1);
  const ObjectRef instance = FirstShapeOf(doc);
  EXPECT_EQ(ResultOf(masterShape, "User.Wide"), 3.0);
  EXPECT_EQ(ResultOf(instance, "User.Wide"), 11.0);
  EXPECT_EQ(ResultOf(masterShape, "User.Ver"), 3.0);
  EXPECT_EQ(ResultOf(instance, "User.Ver"), 3.0);
}

}  // namespace
}  // namespace standin
