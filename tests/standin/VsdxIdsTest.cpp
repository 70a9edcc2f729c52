// What a file says of its objects' identity: the IDs it stores for
// masters, pages and shapes, members an instance deletes from its master,
// foreign objects, and universal names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "VsdxTestPackage.h"
#include "automation/HResult.h"

namespace standin {
namespace {

using namespace vsdxtest;
using automation::AutomationError;

using VsdxIdsTest = PackageTest;

std::vector<std::string> NamesOf(ObjectRef collection) {
  std::vector<std::string> out;
  const int n = collection.Get("Count").ToInt32();
  for (int i = 1; i <= n; ++i)
    out.push_back(collection.Get("Item", {Variant(i)}).ToObject().Get("Name").ToString());
  return out;
}

// Masters stored as 3, 9, 8 and 10; a foreground page 0, a page stored
// without an ID, and a background page 6.
Parts DrawingWithStoredIds() {
  Parts p = MinimalDrawing();
  p["visio/_rels/document.xml.rels"] =
      Rels({{"rId1", "pages", "pages/pages.xml"}, {"rId2", "masters", "masters/masters.xml"}});
  p["visio/masters/masters.xml"] =
      VisioPart("Masters",
                "<Master ID=\"3\" NameU=\"Box\" Name=\"Kasten\"/>"
                "<Master ID=\"9\" NameU=\"Circle\"/>"
                "<Master ID=\"8\" Name=\"Only local\"/>"
                "<Master ID=\"10\" NameU=\"Line\" Name=\"Linie\"/>");
  p["visio/pages/pages.xml"] =
      VisioPart("Pages",
                "<Page ID=\"0\" NameU=\"Page-1\" Name=\"Seite-1\" BackPage=\"6\">"
                "<Rel r:id=\"rId1\"/></Page>"
                "<Page NameU=\"No ID\"/>"
                "<Page ID=\"6\" NameU=\"Background-1\" Background=\"1\"/>");
  return p;
}

TEST_F(VsdxIdsTest, MastersAndPagesKeepTheIdsTheFileStores) {
  ObjectRef doc = Open(Write("Ids.vsdx", DrawingWithStoredIds()));
  ObjectRef masters = doc.Get("Masters").ToObject();
  ObjectRef pages = doc.Get("Pages").ToObject();

  struct Expect {
    ObjectRef collection;
    int id;
    const char* name;
    const char* nameU;
  };
  const Expect cases[] = {
      {masters, 3, "Kasten", "Box"},          {masters, 9, "Circle", "Circle"},
      {masters, 8, "Only local", "Only local"}, {masters, 10, "Linie", "Line"},
      {pages, 0, "Seite-1", "Page-1"},          {pages, 6, "Background-1", "Background-1"},
      // IDs are given to objects the file stores without one only once
      // every stored ID is known: past the largest.
      {pages, 7, "No ID", "No ID"},
  };
  for (const Expect& e : cases) {
    SCOPED_TRACE(e.name);
    ObjectRef o = e.collection.Get("ItemFromID", {Variant(e.id)}).ToObject();
    EXPECT_EQ(o.Get("ID").ToInt32(), e.id);
    EXPECT_EQ(o.Get("Name"), Variant(e.name));
    EXPECT_EQ(o.Get("NameU"), Variant(e.nameU));
  }
  // Collections keep the file's order; the background page stays last.
  EXPECT_EQ(NamesOf(masters), (std::vector<std::string>{"Kasten", "Circle", "Only local", "Linie"}));
  EXPECT_EQ(NamesOf(pages), (std::vector<std::string>{"Seite-1", "No ID", "Background-1"}));
  EXPECT_EQ(pages.Get("ItemFromID", {Variant(0)}).ToObject().Get("BackPage").ToObject().Get("ID"),
            Variant(std::int16_t{6}));

  // An ID nothing holds is Visio's error.
  for (ObjectRef c : {masters, pages}) {
    try {
      c.Get("ItemFromID", {Variant(4)});
      ADD_FAILURE() << "ItemFromID(4) found something";
    } catch (const AutomationError& e) {
      EXPECT_STREQ(e.what(), "\n\nInvalid sheet identifier.");
    }
  }

  // What is made later gets an ID past the largest the document holds.
  EXPECT_EQ(pages.Invoke("Add").ToObject().Get("ID").ToInt32(), 8);
  EXPECT_EQ(masters.Invoke("Add").ToObject().Get("ID").ToInt32(), 11);
}

TEST_F(VsdxIdsTest, BadOrRepeatedIdsAreRefusedNamingThePart) {
  struct Case {
    const char* name;
    const char* part;
    const char* content;
    const char* problem;
  };
  const Case cases[] = {
      {"two pages with one ID", "visio/pages/pages.xml",
       "<Page ID=\"2\" NameU=\"A\"/><Page ID=\"2\" NameU=\"B\"/>", "two pages with ID 2"},
      {"a page ID out of range", "visio/pages/pages.xml", "<Page ID=\"40000\" NameU=\"A\"/>",
       "page without a valid ID"},
      {"a master ID that is no number", "visio/masters/masters.xml",
       "<Master ID=\"x\" NameU=\"A\"/>", "master without a valid ID"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Parts p = DrawingWithStoredIds();
    p[c.part] = VisioPart(std::string(c.part).find("pages") != std::string::npos ? "Pages"
                                                                                  : "Masters",
                          c.content);
    const std::string path = Write("Bad.vsdx", p);
    try {
      Open(path);
      ADD_FAILURE() << "opened";
    } catch (const AutomationError& e) {
      EXPECT_EQ(std::string(e.what()), "\n\nThe file \"" + path + "\" cannot be opened: " + c.part +
                                           ": " + c.problem + ".");
    }
  }
}

// A stencil-less drawing whose master "Trio" is a group of three members
// (IDs 6, 7, 8). Its instance on the page deletes member 7 (a marker with
// ID -1, as Visio writes it) and member 8 (a marker with an ordinary ID),
// and a shape saved without an ID precedes shapes whose IDs are the next
// ones a reader might give.
Parts DrawingWithDeletedMembers() {
  return DrawingWithMaster(
      "Trio",
      "<Shape ID=\"5\" NameU=\"Trio\" Type=\"Group\"><Shapes>"
      "<Shape ID=\"6\" NameU=\"One\" Type=\"Shape\"><Text>one</Text></Shape>"
      "<Shape ID=\"7\" NameU=\"Two\" Type=\"Shape\"><Text>two</Text></Shape>"
      "<Shape ID=\"8\" NameU=\"Three\" Type=\"Shape\"><Text>three</Text></Shape>"
      "</Shapes></Shape>",
      "<Shape ID=\"1\" NameU=\"Trio\" Master=\"2\" Type=\"Group\"><Shapes>"
      "<Shape ID=\"2\" MasterShape=\"6\"/>"
      "<Shape Del=\"1\" MasterShape=\"7\" ID=\"4294967295\"/>"
      "<Shape Del=\"1\" MasterShape=\"8\" ID=\"3\"/>"
      "</Shapes></Shape>"
      "<Shape ID=\"4294967295\" NameU=\"Unnumbered\" Type=\"Shape\"/>"
      "<Shape ID=\"3\" NameU=\"Three on the page\" Type=\"Shape\"/>"
      "<Shape ID=\"4\" NameU=\"Four\" Type=\"Shape\"/>");
}

TEST_F(VsdxIdsTest, MembersAnInstanceDeletesAreAbsentAndTheirMarkersTakeNoId) {
  ObjectRef doc = Open(Write("Deleted.vsdx", DrawingWithDeletedMembers()));
  ObjectRef shapes =
      doc.Get("Pages").ToObject().Get("Item", {Variant(1)}).ToObject().Get("Shapes").ToObject();
  EXPECT_EQ(NamesOf(shapes),
            (std::vector<std::string>{"Trio", "Unnumbered", "Three on the page", "Four"}));

  ObjectRef group = shapes.Get("ItemFromID", {Variant(1)}).ToObject();
  ObjectRef members = group.Get("Shapes").ToObject();
  ASSERT_EQ(members.Get("Count").ToInt32(), 1);
  ObjectRef kept = members.Get("Item", {Variant(1)}).ToObject();
  EXPECT_EQ(kept.Get("ID").ToInt32(), 2);
  EXPECT_EQ(kept.Get("Text"), Variant("one"));

  // IDs as stored; the shape without one gets one past all of them.
  EXPECT_EQ(shapes.Get("ItemFromID", {Variant(3)}).ToObject().Get("Name"),
            Variant("Three on the page"));
  EXPECT_EQ(shapes.Get("ItemFromID", {Variant(4)}).ToObject().Get("Name"), Variant("Four"));
  EXPECT_EQ(shapes.Get("ItemFromID", {Variant(5)}).ToObject().Get("Name"), Variant("Unnumbered"));
}

TEST_F(VsdxIdsTest, ForeignObjectsAnswerTheTypeTheFileRecords) {
  struct Case {
    const char* foreignData;
    int foreignType;
  };
  const Case cases[] = {
      // An embedded OLE 2 object and an ActiveX control record the flags.
      {"ForeignType=\"Object\" ObjectType=\"33280\"", -32256},  // 0x8200
      {"ForeignType=\"Object\" ObjectType=\"33792\"", -31744},  // 0x8400
      {"ForeignType=\"Bitmap\"", 32},
      {"ForeignType=\"EnhMetaFile\"", 16},
      {"ForeignType=\"MetaFile\"", 16},
      {"ForeignType=\"Ink\"", 64},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.foreignData);
    Parts p = MinimalDrawing();
    p["visio/pages/page1.xml"] =
        VisioPart("PageContents", std::string("<Shapes><Shape ID=\"1\" Type=\"Foreign\">"
                                              "<ForeignData ") +
                                      c.foreignData + "/></Shape></Shapes>");
    ObjectRef doc = Open(Write("Foreign.vsdx", p));
    ObjectRef shape = FirstShapeOf(doc);
    EXPECT_EQ(shape.Get("Type").ToInt32(), 4);
    EXPECT_EQ(shape.Get("ForeignType").ToInt32(), c.foreignType);
    doc.Invoke("Close");
  }
}

TEST_F(VsdxIdsTest, UniversalNamesAreTheFilesAndNamesFallBackToThem) {
  Parts p = MinimalDrawing();
  p["visio/pages/pages.xml"] = VisioPart(
      "Pages",
      "<Page ID=\"0\" NameU=\"Page-1\"><Rel r:id=\"rId1\"/>"
      "<PageSheet><Section N=\"Layer\">"
      "<Row IX=\"0\"><Cell N=\"Name\" V=\"Verbinder\"/><Cell N=\"NameUniv\" V=\"Connector\"/></Row>"
      "<Row IX=\"1\"><Cell N=\"Name\" V=\"Flowchart\"/></Row>"
      "</Section></PageSheet></Page>");
  p["visio/pages/page1.xml"] =
      VisioPart("PageContents",
                "<Shapes><Shape ID=\"1\" NameU=\"Only universal\" Type=\"Shape\"/>"
                "<Shape ID=\"2\" Name=\"Nur lokal\" Type=\"Shape\"/>"
                "<Shape ID=\"3\" Type=\"Shape\"/></Shapes>");
  ObjectRef page =
      Open(Write("Names.vsdx", p)).Get("Pages").ToObject().Get("Item", {Variant(1)}).ToObject();
  EXPECT_EQ(page.Get("Name"), Variant("Page-1"));
  ObjectRef shapes = page.Get("Shapes").ToObject();
  const std::pair<const char*, const char*> names[] = {
      {"Only universal", "Only universal"}, {"Nur lokal", "Nur lokal"}, {"Sheet.3", "Sheet.3"}};
  for (int i = 0; i < 3; ++i) {
    ObjectRef s = shapes.Get("Item", {Variant(i + 1)}).ToObject();
    EXPECT_EQ(s.Get("Name"), Variant(names[i].first));
    EXPECT_EQ(s.Get("NameU"), Variant(names[i].second));
  }
  ObjectRef layers = page.Get("Layers").ToObject();
  ObjectRef connector = layers.Get("Item", {Variant(1)}).ToObject();
  EXPECT_EQ(connector.Get("Name"), Variant("Verbinder"));
  EXPECT_EQ(connector.Get("NameU"), Variant("Connector"));
  ObjectRef flowchart = layers.Get("Item", {Variant(2)}).ToObject();
  EXPECT_EQ(flowchart.Get("NameU"), Variant("Flowchart"));
  EXPECT_EQ(layers.Get("ItemU", {Variant("connector")}).ToObject().Get("Name"),
            Variant("Verbinder"));
  EXPECT_THROW(layers.Get("ItemU", {Variant("Verbinder")}), AutomationError);
}

// ItemU finds an object by its universal name (or by its position); a
// local name that is not also the universal one is not found. By name,
// Shapes.ItemU looks through every shape of the page, group members too.
TEST_F(VsdxIdsTest, ItemUFindsObjectsByTheirUniversalNames) {
  Parts p = DrawingWithStoredIds();
  p["visio/pages/page1.xml"] =
      VisioPart("PageContents",
                "<Shapes><Shape ID=\"1\" NameU=\"Group\" Name=\"Gruppe\" Type=\"Group\">"
                "<Shapes><Shape ID=\"2\" NameU=\"Inner\" Name=\"Innen\" Type=\"Shape\"/>"
                "</Shapes></Shape></Shapes>");
  ObjectRef doc = Open(Write("ItemU.vsdx", p));
  ObjectRef masters = doc.Get("Masters").ToObject();
  ObjectRef pages = doc.Get("Pages").ToObject();
  ObjectRef shapes = pages.Get("ItemU", {Variant("Page-1")}).ToObject().Get("Shapes").ToObject();
  struct Case {
    ObjectRef collection;
    Variant index;
    const char* name;  // null: not found
  };
  const Case cases[] = {
      {masters, Variant("Box"), "Kasten"},
      {masters, Variant("LINE"), "Linie"},
      {masters, Variant("Kasten"), nullptr},
      {masters, Variant(2), "Circle"},
      {pages, Variant("Page-1"), "Seite-1"},
      {pages, Variant("Seite-1"), nullptr},
      {shapes, Variant("Group"), "Gruppe"},
      {shapes, Variant("Inner"), "Innen"},  // a member, not in the collection
      {shapes, Variant("Innen"), nullptr},
      {shapes, Variant(1), "Gruppe"},
      {shapes, Variant(2), nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index.ToString());
    if (c.name) {
      EXPECT_EQ(c.collection.Get("ItemU", {c.index}).ToObject().Get("Name"), Variant(c.name));
    } else {
      EXPECT_THROW(c.collection.Get("ItemU", {c.index}), AutomationError);
    }
  }
  // Item keeps finding local names, and only within its collection.
  EXPECT_EQ(masters.Get("Item", {Variant("Kasten")}).ToObject().Get("NameU"), Variant("Box"));
  EXPECT_THROW(shapes.Get("Item", {Variant("Inner")}), AutomationError);
}

}  // namespace
}  // namespace standin
