// Opening packages made here, small enough to show each fault: a minimal
// drawing, and the damaged forms a loader must refuse with an error naming
// the file and the part, leaving the application as it was.
#include <gtest/gtest.h>
#include <unistd.h>
#include <zip.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>

#include "InterfaceRows.h"
#include "standin/Application.h"
#include "standin/VsdxLoader.h"

namespace standin {
namespace {

namespace fs = std::filesystem;

using Parts = std::map<std::string, std::string>;

constexpr const char* kNs = "http://schemas.microsoft.com/office/visio/2012/main";
constexpr const char* kRelNs =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

std::string Rels(const std::string& type, const std::string& target) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
         "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         "<Relationship Id=\"rId1\" Type=\"http://schemas.microsoft.com/visio/2010/relationships/" +
         type + "\" Target=\"" + target + "\"/></Relationships>";
}

// One page holding one shape with text and a transform.
Parts MinimalDrawing() {
  return {
      {"[Content_Types].xml",
       "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
       "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
       "<Default Extension=\"rels\" "
       "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
       "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
       "<Override PartName=\"/visio/document.xml\" "
       "ContentType=\"application/vnd.ms-visio.drawing.main+xml\"/>"
       "<Override PartName=\"/visio/pages/pages.xml\" "
       "ContentType=\"application/vnd.ms-visio.pages+xml\"/>"
       "<Override PartName=\"/visio/pages/page1.xml\" "
       "ContentType=\"application/vnd.ms-visio.page+xml\"/></Types>"},
      {"_rels/.rels", Rels("document", "visio/document.xml")},
      {"visio/document.xml",
       std::string("<VisioDocument xmlns=\"") + kNs + "\" xmlns:r=\"" + kRelNs + "\"/>"},
      {"visio/_rels/document.xml.rels", Rels("pages", "pages/pages.xml")},
      {"visio/pages/pages.xml", std::string("<Pages xmlns=\"") + kNs + "\" xmlns:r=\"" + kRelNs +
                                    "\"><Page ID=\"0\" NameU=\"Page-1\" Name=\"Page-1\">"
                                    "<Rel r:id=\"rId1\"/></Page></Pages>"},
      {"visio/pages/_rels/pages.xml.rels", Rels("page", "page1.xml")},
      {"visio/pages/page1.xml",
       std::string("<PageContents xmlns=\"") + kNs +
           "\"><Shapes><Shape ID=\"1\" NameU=\"Box\" Name=\"Box\" Type=\"Shape\">"
           "<Cell N=\"PinX\" V=\"2\" U=\"IN\"/><Cell N=\"PinY\" V=\"3\"/>"
           "<Cell N=\"Width\" V=\"1.5\"/><Cell N=\"Height\" V=\"0.5\" F=\"Width*1/3\"/>"
           "<Text>Hello</Text></Shape></Shapes></PageContents>"},
  };
}

class VsdxLoaderTest : public ::testing::Test {
 public:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("tarvel-vsdx-" + std::to_string(getpid()));
    fs::create_directories(dir_);
    app_ = MakeRef<Application>();
    InstallVsdxLoader(*app_);
    app = app_;
  }
  void TearDown() override {
    app_->Quit();
    fs::remove_all(dir_);
  }

  std::string Write(const std::string& name, const Parts& parts) {
    const std::string path = (dir_ / name).string();
    int error = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    for (const auto& [part, text] : parts) {
      zip_source_t* src = zip_source_buffer(z, text.data(), text.size(), 0);
      zip_file_add(z, part.c_str(), src, ZIP_FL_OVERWRITE);
    }
    zip_close(z);  // the buffers are read here, while `parts` lives
    return path;
  }

  std::string WriteRaw(const std::string& name, const std::string& bytes) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  ObjectRef Documents() { return app.Get("Documents").ToObject(); }

  fs::path dir_;
  Ref<Application> app_;
  ObjectRef app;
};

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

}  // namespace
}  // namespace standin
