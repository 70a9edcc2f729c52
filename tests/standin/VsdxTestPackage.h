// Small Visio packages made by the tests themselves, part by part, and a
// fixture that writes them to a folder of their own.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <map>
#include <string>

#include "automation/Object.h"
#include "standin/Application.h"
#include "standin/Package.h"
#include "standin/VsdxLoader.h"

namespace standin::vsdxtest {

namespace fs = std::filesystem;

// Part name -> content.
using Parts = std::map<std::string, std::string>;

inline constexpr const char* kNs = "http://schemas.microsoft.com/office/visio/2012/main";
inline constexpr const char* kRelNs =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

struct Rel {
  std::string id, type, target;
};

// A relationships part; types are Visio's ("document", "pages", ...).
inline std::string Rels(std::initializer_list<Rel> rels) {
  std::string out =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
      "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
  for (const Rel& r : rels) {
    out += "<Relationship Id=\"" + r.id +
           "\" Type=\"http://schemas.microsoft.com/visio/2010/relationships/" + r.type +
           "\" Target=\"" + r.target + "\"/>";
  }
  return out + "</Relationships>";
}

inline std::string Rels(const std::string& type, const std::string& target) {
  return Rels({{"rId1", type, target}});
}

// `main` is the main part's content type: "drawing", "stencil", "template".
inline std::string ContentTypes(const std::string& main) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
         "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
         "<Default Extension=\"rels\" "
         "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
         "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
         "<Override PartName=\"/visio/document.xml\" "
         "ContentType=\"application/vnd.ms-visio." +
         main + ".main+xml\"/></Types>";
}

inline std::string VisioPart(const std::string& root, const std::string& inner,
                             const std::string& attrs = "") {
  return "<" + root + " xmlns=\"" + kNs + "\" xmlns:r=\"" + kRelNs + "\"" + attrs + ">" + inner +
         "</" + root + ">";
}

// One page holding one shape with text and a transform.
inline Parts MinimalDrawing() {
  return {
      {"[Content_Types].xml", ContentTypes("drawing")},
      {"_rels/.rels", Rels("document", "visio/document.xml")},
      {"visio/document.xml", VisioPart("VisioDocument", "")},
      {"visio/_rels/document.xml.rels", Rels("pages", "pages/pages.xml")},
      {"visio/pages/pages.xml", VisioPart("Pages",
                                          "<Page ID=\"0\" NameU=\"Page-1\" Name=\"Page-1\">"
                                          "<Rel r:id=\"rId1\"/></Page>")},
      {"visio/pages/_rels/pages.xml.rels", Rels("page", "page1.xml")},
      {"visio/pages/page1.xml",
       VisioPart("PageContents",
                 "<Shapes><Shape ID=\"1\" NameU=\"Box\" Name=\"Box\" Type=\"Shape\">"
                 "<Cell N=\"PinX\" V=\"2\" U=\"IN\"/><Cell N=\"PinY\" V=\"3\"/>"
                 "<Cell N=\"Width\" V=\"1.5\"/><Cell N=\"Height\" V=\"0.5\" F=\"Width*1/3\"/>"
                 "<Text>Hello</Text></Shape></Shapes>")},
  };
}

// The minimal drawing with other content for its one shape.
inline Parts DrawingWithShape(const std::string& shapeInner) {
  Parts p = MinimalDrawing();
  p["visio/pages/page1.xml"] = VisioPart(
      "PageContents", "<Shapes><Shape ID=\"1\" NameU=\"Box\" Name=\"Box\" Type=\"Shape\">" +
                          shapeInner + "</Shape></Shapes>");
  return p;
}

// A stencil of one master, "Part", holding one shape.
inline Parts MinimalStencil() {
  return {
      {"[Content_Types].xml", ContentTypes("stencil")},
      {"_rels/.rels", Rels("document", "visio/document.xml")},
      {"visio/document.xml", VisioPart("VisioDocument", "")},
      {"visio/_rels/document.xml.rels", Rels("masters", "masters/masters.xml")},
      {"visio/masters/masters.xml",
       VisioPart("Masters",
                 "<Master ID=\"2\" NameU=\"Part\" Name=\"Part\"><Rel r:id=\"rId1\"/>"
                 "</Master>")},
      {"visio/masters/_rels/masters.xml.rels", Rels("master", "master1.xml")},
      {"visio/masters/master1.xml",
       VisioPart("MasterContents",
                 "<Shapes><Shape ID=\"5\" NameU=\"Part\" Type=\"Shape\">"
                 "<Cell N=\"Width\" V=\"1\"/></Shape></Shapes>")},
  };
}

// A drawing whose one master (ID 2, `masterName`) holds `masterShapes`,
// and whose page holds `pageShapes` (both the inside of a Shapes element).
inline Parts DrawingWithMaster(const std::string& masterName, const std::string& masterShapes,
                               const std::string& pageShapes) {
  Parts p = MinimalDrawing();
  p["visio/_rels/document.xml.rels"] =
      Rels({{"rId1", "pages", "pages/pages.xml"}, {"rId2", "masters", "masters/masters.xml"}});
  p["visio/masters/masters.xml"] = VisioPart(
      "Masters", "<Master ID=\"2\" NameU=\"" + masterName + "\"><Rel r:id=\"rId1\"/></Master>");
  p["visio/masters/_rels/masters.xml.rels"] = Rels("master", "master1.xml");
  p["visio/masters/master1.xml"] =
      VisioPart("MasterContents", "<Shapes>" + masterShapes + "</Shapes>");
  p["visio/pages/page1.xml"] = VisioPart("PageContents", "<Shapes>" + pageShapes + "</Shapes>");
  return p;
}

// The shape at `index` (1-based) of the first item of a document's
// "Pages" or "Masters".
inline automation::ObjectRef ShapeOfFirst(const automation::ObjectRef& doc, const char* items,
                                          int index) {
  using automation::Variant;
  return doc.Get(items)
      .ToObject()
      .Get("Item", {Variant(1)})
      .ToObject()
      .Get("Shapes")
      .ToObject()
      .Get("Item", {Variant(index)})
      .ToObject();
}

// The shape at `index` (1-based) of a document's first page.
inline automation::ObjectRef PageShape(const automation::ObjectRef& doc, int index) {
  return ShapeOfFirst(doc, "Pages", index);
}

// The shape at `index` (1-based) of a document's first master.
inline automation::ObjectRef MasterShape(const automation::ObjectRef& doc, int index) {
  return ShapeOfFirst(doc, "Masters", index);
}

// The first shape of a document's first page.
inline automation::ObjectRef FirstShapeOf(const automation::ObjectRef& doc) {
  return PageShape(doc, 1);
}

// The bytes of a package of these parts.
inline std::string Zip(const Parts& parts) {
  Package::Writer writer;
  for (const auto& [part, text] : parts) writer.Add(part, text);
  return writer.Bytes();
}

// A file's bytes.
inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A package's parts: name -> inflated bytes.
inline std::map<std::string, std::string> PartsOf(const std::string& bytes) {
  Package pkg = Package::FromBytes(bytes, 1u << 30);
  std::map<std::string, std::string> out;
  for (const std::string& part : pkg.PartNames()) {
    if (!part.empty() && part.back() != '/') out[part] = pkg.Read(part);
  }
  return out;
}

// A folder of the running test's own, made empty: `kind` names the tests.
inline fs::path TestFolder(const std::string& kind) {
  const fs::path dir = fs::temp_directory_path() /
                       ("tarvel-" + kind + "-" + std::to_string(getpid()) + "-" +
                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

// An application with the package reader, and a folder for the files.
class PackageTest : public ::testing::Test {
 public:
  void SetUp() override {
    dir_ = TestFolder("vsdx");
    app_ = MakeRef<Application>();
    InstallVsdxLoader(*app_);
    app = app_;
  }
  void TearDown() override {
    app_->Quit();
    fs::remove_all(dir_);
  }

  std::string Write(const std::string& name, const Parts& parts) {
    return WriteRaw(name, Zip(parts));
  }

  std::string WriteRaw(const std::string& name, const std::string& bytes) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  automation::ObjectRef Documents() { return app.Get("Documents").ToObject(); }
  automation::ObjectRef Open(const std::string& path) {
    return Documents().Invoke("Open", {automation::Variant(path)}).ToObject();
  }

  fs::path dir_;
  Ref<Application> app_;
  automation::ObjectRef app;
};

}  // namespace standin::vsdxtest
