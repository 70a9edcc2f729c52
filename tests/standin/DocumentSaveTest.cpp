// Saving documents as packages: the formats, what is copied and what is
// written again, Saved, and failures that must leave everything as it was.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "VsdxTestPackage.h"
#include "automation/HResult.h"
#include "standin/CellTables.h"
#include "standin/Document.h"
#include "standin/DocumentSave.h"
#include "standin/Master.h"
#include "standin/Page.h"
#include "standin/Shape.h"
#include "standin/Style.h"
#include "standin/VisioErrors.h"
#include "tests/support/SharedFile.h"

namespace standin {
namespace {

using automation::AutomationError;
using automation::ObjectRef;
using automation::Variant;
using namespace vsdxtest;

std::string MainTypeOf(const std::string& bytes) {
  Package pkg = Package::FromBytes(bytes, 1u << 30);
  const Relationships rels = pkg.RelationshipsOf("");
  const Relationship* main = rels.OfType("/relationships/document");
  return main ? pkg.ReadContentTypes().OverrideOf(main->target) : std::string();
}

// What a reader sees of a document: pages and masters in order with their
// shapes, styles, and the properties saving writes.
void DumpShapes(const std::vector<Ref<Shape>>& shapes, std::ostream& out, int depth) {
  for (const auto& s : shapes) {
    out << std::string(static_cast<std::size_t>(depth) * 2, ' ') << s->id() << ' ' << s->NameU()
        << '\n';
    DumpShapes(s->Children(), out, depth + 1);
  }
}
std::string Dump(Document& d) {
  std::ostringstream out;
  for (const auto& p : d.Pages()) {
    out << "page " << p->id() << ' ' << p->NameU() << '/' << p->Name()
        << (p->Background() ? " background" : "") << '\n';
    DumpShapes(p->TopShapes(), out, 1);
  }
  for (const auto& m : d.Masters()) {
    out << "master " << m->id() << ' ' << m->NameU() << '\n';
    DumpShapes(m->TopShapes(), out, 1);
  }
  for (const auto& s : d.Styles()) out << "style " << s->id() << ' ' << s->NameU() << '\n';
  for (const char* p : {"Title", "Subject", "Creator", "Company", "Manager"})
    out << p << '=' << d.StoredValue(p).ToString() << '\n';
  return out.str();
}

Document& DocOf(const ObjectRef& doc) {
  return static_cast<Document&>(*doc.get());
}

class DocumentSaveTest : public PackageTest {
 public:
  ObjectRef OpenEx(const std::string& path, std::int16_t flags) {
    return Documents().Invoke("OpenEx", {Variant(path), Variant(flags)}).ToObject();
  }
  // The error a call raises; none fails the test.
  static AutomationError ErrorOf(const std::function<void()>& call) {
    try {
      call();
    } catch (const AutomationError& e) {
      return e;
    }
    ADD_FAILURE() << "no error";
    return AutomationError(automation::S_OK);
  }
};

// ---- formats ----

TEST_F(DocumentSaveTest, TheExtensionChoosesTheFormatAndOthersAreRefused) {
  const ObjectRef doc = Open(Write("a.vsdx", MinimalDrawing()));
  struct Case {
    const char* name;
    const char* mainType;  // empty: refused
  };
  const Case cases[] = {
      {"out.vsdx", "application/vnd.ms-visio.drawing.main+xml"},
      {"out.VSSX", "application/vnd.ms-visio.stencil.main+xml"},
      {"out.vstx", "application/vnd.ms-visio.template.main+xml"},
      {"out.vsdm", "application/vnd.ms-visio.drawing.macroEnabled.main+xml"},
      {"out.vssm", "application/vnd.ms-visio.stencil.macroEnabled.main+xml"},
      {"out.vstm", "application/vnd.ms-visio.template.macroEnabled.main+xml"},
      {"out.vsd", ""},
      {"out.vdx", ""},
      {"out.vss", ""},
      {"out", ""},
      {"out.vsdx.txt", ""},
      {"dir.vsdx/out", ""},
  };
  for (const Case& c : cases) {
    const std::string path = (dir_ / c.name).string();
    if (*c.mainType) {
      doc.Invoke("SaveAs", {Variant(path)});
      EXPECT_EQ(MainTypeOf(ReadFile(path)), c.mainType) << c.name;
      EXPECT_EQ(doc.Get("FullName").ToString(), path);
      EXPECT_EQ(doc.Get("Name").ToString(), c.name);
      EXPECT_EQ(doc.Get("Path").ToString(), dir_.string() + "/");
    } else {
      const std::string before = doc.Get("FullName").ToString();
      const AutomationError e = ErrorOf([&] { doc.Invoke("SaveAs", {Variant(path)}); });
      EXPECT_EQ(e.code(), VisioErrorCode(VisioErrorKind::CannotSave)) << c.name;
      EXPECT_NE(e.message().find(path), std::string::npos) << e.message();
      EXPECT_FALSE(fs::exists(path)) << c.name;
      EXPECT_EQ(doc.Get("FullName").ToString(), before);
    }
  }
  // Each format opens as what it says.
  doc.Invoke("Close");
  for (const char* name : {"out.VSSX", "out.vstm"}) {
    const ObjectRef again = OpenEx((dir_ / name).string(), visOpenRW);
    EXPECT_EQ(again.Get("Type").ToInt32(), name[6] == 'S' ? visDocTypeStencil : visDocTypeTemplate);
  }
}

// A macro-enabled drawing saved without macros loses its VBA project, its
// relationship and content type; saved with macros it keeps all of them.
TEST_F(DocumentSaveTest, MacrosAreDroppedOnlyFromAFormWithoutThem) {
  const std::string file = tarvel_test::SharedFile("vsdx/poi_SimpleMacro.vsdm");
  if (file.empty()) GTEST_SKIP() << "TARVEL_SHARED_DIR is not set";
  const ObjectRef doc = Open(file);
  const auto original = PartsOf(ReadFile(file));
  ASSERT_TRUE(original.count("visio/vbaProject.bin"));

  const auto kept = PartsOf(SavedPackageBytes(DocOf(doc), "kept.vsdm"));
  EXPECT_EQ(kept, original);

  const auto plain = PartsOf(SavedPackageBytes(DocOf(doc), "plain.vsdx"));
  EXPECT_FALSE(plain.count("visio/vbaProject.bin"));
  EXPECT_EQ(plain.at("visio/_rels/document.xml.rels").find("vbaProject"), std::string::npos);
  EXPECT_EQ(plain.at("[Content_Types].xml").find("macroEnabled"), std::string::npos);
  for (const auto& [part, bytes] : original) {
    if (part == "visio/vbaProject.bin" || part == "visio/_rels/document.xml.rels" ||
        part == "[Content_Types].xml")
      continue;
    EXPECT_EQ(plain.at(part), bytes) << part;
  }
}

// ---- the corpus, unchanged ----

// Saved unchanged, every file is what it was part for part, and opens as
// it did.
TEST_F(DocumentSaveTest, EveryCorpusFileSavedUnchangedIsItsOriginal) {
  const std::string corpus = tarvel_test::SharedFolder("vsdx");
  if (corpus.empty()) GTEST_SKIP() << "no drawings in TARVEL_SHARED_DIR/vsdx";
  int saved = 0;
  for (const auto& entry : fs::directory_iterator(corpus)) {
    const std::string ext = entry.path().extension().string();
    if (ext.size() != 5 || ext.rfind(".vs", 0) != 0) continue;
    const std::string file = entry.path().string();
    ObjectRef doc;
    try {
      doc = OpenEx(file, visOpenRW);
    } catch (const AutomationError&) {
      continue;  // the odd files that do not open
    }
    const std::string target = (dir_ / entry.path().filename()).string();
    doc.Invoke("SaveAs", {Variant(target)});
    EXPECT_EQ(PartsOf(ReadFile(target)), PartsOf(ReadFile(file))) << file;
    const std::string before = Dump(DocOf(doc));
    doc.Invoke("Close");
    const ObjectRef again = OpenEx(target, visOpenRW);
    EXPECT_EQ(Dump(DocOf(again)), before) << file;
    again.Invoke("Close");
    ++saved;
  }
  EXPECT_GT(saved, 20);
}

// ---- changes at the document's level ----

TEST_F(DocumentSaveTest, PagesMastersAndPropertiesChangedSurviveSaveAndReopen) {
  Parts parts = MinimalDrawing();
  parts["visio/pages/pages.xml"] = VisioPart(
      "Pages",
      "<Page ID=\"0\" NameU=\"One\" Name=\"One\"><Rel r:id=\"rId1\"/></Page>"
      "<Page ID=\"4\" NameU=\"Two\" Name=\"Two\" Extra=\"kept\"><Rel r:id=\"rId2\"/></Page>");
  parts["visio/pages/_rels/pages.xml.rels"] =
      Rels({{"rId1", "page", "page1.xml"}, {"rId2", "page", "page2.xml"}});
  parts["visio/pages/page2.xml"] = VisioPart("PageContents", "<Shapes/>");
  parts["[Content_Types].xml"] =
      "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
      "<Default Extension=\"rels\" "
      "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
      "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
      "<Override PartName=\"/visio/document.xml\" "
      "ContentType=\"application/vnd.ms-visio.drawing.main+xml\"/>"
      "<Override PartName=\"/visio/pages/page1.xml\" "
      "ContentType=\"application/vnd.ms-visio.page+xml\"/></Types>";
  const std::string path = Write("edit.vsdx", parts);
  const auto original = PartsOf(ReadFile(path));
  const ObjectRef doc = Open(path);
  ObjectRef pages = doc.Get("Pages").ToObject();

  pages.Get("Item", {Variant("One")}).ToObject().Invoke("Delete");
  const ObjectRef added = pages.Invoke("Add").ToObject();
  added.Put("Name", Variant("Three"));
  const ObjectRef master = doc.Get("Masters").ToObject().Invoke("Add").ToObject();
  doc.Put("Title", Variant("Plan & <section>"));
  doc.Put("Company", Variant("Tarvel"));
  EXPECT_EQ(doc.Get("Saved").ToInt32(), 0);
  doc.Invoke("Save");
  EXPECT_NE(doc.Get("Saved").ToInt32(), 0);

  const auto saved = PartsOf(ReadFile(path));
  // The deleted page's part goes with its relationship and content type.
  EXPECT_FALSE(saved.count("visio/pages/page1.xml"));
  EXPECT_EQ(saved.at("visio/pages/_rels/pages.xml.rels").find("page1.xml"), std::string::npos);
  EXPECT_EQ(saved.at("[Content_Types].xml").find("/visio/pages/page1.xml"), std::string::npos);
  // The untouched page is copied as it was, its entry kept as stored.
  EXPECT_EQ(saved.at("visio/pages/page2.xml"), original.at("visio/pages/page2.xml"));
  EXPECT_NE(saved.at("visio/pages/pages.xml").find("Extra=\"kept\""), std::string::npos);

  const std::string before = Dump(DocOf(doc));
  doc.Invoke("Close");
  const ObjectRef again = Open(path);
  EXPECT_EQ(Dump(DocOf(again)), before);
  EXPECT_EQ(again.Get("Pages").ToObject().Get("Count").ToInt32(), 2);
  EXPECT_EQ(
      again.Get("Pages").ToObject().Get("Item", {Variant(2)}).ToObject().Get("Name").ToString(),
      "Three");
  EXPECT_EQ(again.Get("Masters").ToObject().Get("Count").ToInt32(), 1);
  EXPECT_EQ(again.Get("Title").ToString(), "Plan & <section>");
  EXPECT_EQ(again.Get("Company").ToString(), "Tarvel");
  EXPECT_NE(again.Get("Saved").ToInt32(), 0);
  (void)master;
}

// A second save copies from the first: the page added then is a stored
// part now, and deleting it again takes it out.
TEST_F(DocumentSaveTest, ASecondSaveStartsFromTheFirst) {
  const std::string path = Write("twice.vsdx", MinimalDrawing());
  const ObjectRef doc = Open(path);
  const ObjectRef page = doc.Get("Pages").ToObject().Invoke("Add").ToObject();
  doc.Invoke("Save");
  const auto first = PartsOf(ReadFile(path));
  EXPECT_TRUE(first.count("visio/pages/page2.xml"));
  page.Invoke("Delete");
  doc.Invoke("Save");
  const auto second = PartsOf(ReadFile(path));
  EXPECT_FALSE(second.count("visio/pages/page2.xml"));
  EXPECT_EQ(second.at("visio/pages/page1.xml"), first.at("visio/pages/page1.xml"));
}

// ---- Saved, and which parts changed ----

TEST_F(DocumentSaveTest, SavedFollowsChangesAndNotReads) {
  const ObjectRef doc = Open(Write("saved.vsdx", MinimalDrawing()));
  Document& d = DocOf(doc);
  const ObjectRef shape = FirstShapeOf(doc);
  const ObjectRef window = app.Get("ActiveWindow").ToObject();
  EXPECT_NE(doc.Get("Saved").ToInt32(), 0);

  // Reads, a property read as a method, selecting: still saved.
  shape.Get("Cells", {Variant("PinX")}).ToObject().Get("Formula");
  shape.Invoke("RowCount", {Variant(std::int16_t{visSectionObject})});
  shape.Invoke("CellsSRC",
               {Variant(std::int16_t{1}), Variant(std::int16_t{1}), Variant(std::int16_t{0})});
  window.Invoke("Select", {Variant(shape), Variant(std::int16_t{2})});
  window.Invoke("DeselectAll");
  EXPECT_NE(doc.Get("Saved").ToInt32(), 0);
  EXPECT_FALSE(d.Changes().Any());

  // A refused write changes nothing.
  EXPECT_THROW(shape.Get("Cells", {Variant("PinX")}).ToObject().Put("Formula", Variant("1+")),
               AutomationError);
  EXPECT_NE(doc.Get("Saved").ToInt32(), 0);

  // A cell of a page's shape: that page's contents, nothing else.
  shape.Get("Cells", {Variant("PinX")}).ToObject().Put("Formula", Variant("3 in"));
  EXPECT_EQ(doc.Get("Saved").ToInt32(), 0);
  EXPECT_EQ(d.Changes().pages, std::set<std::int16_t>{0});
  EXPECT_FALSE(d.Changes().pagesPart || d.Changes().documentPart || d.Changes().properties);

  // The page's own sheet lives in pages.xml; the document's in
  // document.xml; a style too.
  doc.Get("Pages")
      .ToObject()
      .Get("Item", {Variant(1)})
      .ToObject()
      .Get("PageSheet")
      .ToObject()
      .Get("Cells", {Variant("PageWidth")})
      .ToObject()
      .Put("Formula", Variant("5 in"));
  EXPECT_TRUE(d.Changes().pagesPart);
  EXPECT_FALSE(d.Changes().documentPart);
  doc.Get("DocumentSheet")
      .ToObject()
      .Invoke("AddNamedRow",
              {Variant(std::int16_t{visSectionUser}), Variant("Flag"), Variant(std::int16_t{0})});
  EXPECT_TRUE(d.Changes().documentPart);

  // A client may set Saved either way; which parts changed stays known.
  doc.Put("Saved", Variant::VisBool(true));
  EXPECT_NE(doc.Get("Saved").ToInt32(), 0);
  EXPECT_TRUE(d.Changes().Any());
  doc.Put("Saved", Variant::VisBool(false));
  EXPECT_EQ(doc.Get("Saved").ToInt32(), 0);
  doc.Invoke("Save");
  EXPECT_NE(doc.Get("Saved").ToInt32(), 0);
  EXPECT_FALSE(d.Changes().Any());
}

// ---- read-only and new documents ----

TEST_F(DocumentSaveTest, AReadOnlyDocumentRefusesSaveButSavesAsAnother) {
  const std::string path = Write("ro.vsdx", MinimalDrawing());
  const std::string before = ReadFile(path);
  const ObjectRef doc = OpenEx(path, visOpenRO);
  const AutomationError e = ErrorOf([&] { doc.Invoke("Save"); });
  EXPECT_EQ(e.code(), VisioErrorCode(VisioErrorKind::ReadOnlyDocument));
  EXPECT_EQ(ReadFile(path), before);

  const std::string copy = (dir_ / "copy.vsdx").string();
  doc.Invoke("SaveAs", {Variant(copy)});
  EXPECT_EQ(doc.Get("ReadOnly").ToInt32(), 0);
  EXPECT_EQ(doc.Get("FullName").ToString(), copy);
  doc.Invoke("Save");  // its own file now, writable

  // visSaveAsRO: the file saved is the document's, opened read-only.
  const std::string ro = (dir_ / "ro2.vsdx").string();
  doc.Invoke("SaveAsEx", {Variant(ro), Variant(std::int16_t{visSaveAsRO | visSaveAsListInMRU})});
  EXPECT_NE(doc.Get("ReadOnly").ToInt32(), 0);
  EXPECT_EQ(ErrorOf([&] { doc.Invoke("Save"); }).code(),
            VisioErrorCode(VisioErrorKind::ReadOnlyDocument));
}

TEST_F(DocumentSaveTest, ANewDocumentHasNoFileUntilSavedAs) {
  const ObjectRef doc = Documents().Invoke("Add", {Variant("")}).ToObject();
  const AutomationError e = ErrorOf([&] { doc.Invoke("Save"); });
  EXPECT_EQ(e.code(), VisioErrorCode(VisioErrorKind::Disabled));
  EXPECT_NE(e.message().find("Drawing1"), std::string::npos) << e.message();

  doc.Get("Pages").ToObject().Invoke("Add");
  doc.Put("Title", Variant("Fresh"));
  const std::string path = (dir_ / "fresh.vsdx").string();
  doc.Invoke("SaveAs", {Variant(path)});
  EXPECT_EQ(doc.Get("Name").ToString(), "fresh.vsdx");
  doc.Invoke("Save");

  const std::string before = Dump(DocOf(doc));
  doc.Invoke("Close");
  const ObjectRef again = Open(path);
  EXPECT_EQ(Dump(DocOf(again)), before);
  EXPECT_EQ(again.Get("Pages").ToObject().Get("Count").ToInt32(), 2);
  EXPECT_EQ(again.Get("Title").ToString(), "Fresh");
  // The parts every Visio file has.
  const auto parts = PartsOf(ReadFile(path));
  for (const char* part :
       {"[Content_Types].xml", "_rels/.rels", "docProps/app.xml", "docProps/core.xml",
        "visio/document.xml", "visio/_rels/document.xml.rels", "visio/pages/pages.xml",
        "visio/pages/_rels/pages.xml.rels", "visio/pages/page1.xml", "visio/pages/page2.xml",
        "visio/windows.xml"})
    EXPECT_TRUE(parts.count(part)) << part;
}

// ---- failures ----

// A file that cannot be written leaves the file and the document as they
// were, and says which file.
TEST_F(DocumentSaveTest, AFailedSaveLeavesFileAndDocumentAsTheyWere) {
  const std::string path = Write("keep.vsdx", MinimalDrawing());
  const ObjectRef doc = Open(path);
  FirstShapeOf(doc).Get("Cells", {Variant("PinX")}).ToObject().Put("Formula", Variant("5 in"));
  for (const std::string& target :
       {(dir_ / "no-such-folder" / "x.vsdx").string(), std::string("/proc/tarvel-x.vsdx"),
        (fs::path(path) / "x.vsdx").string()}) {
    const AutomationError e = ErrorOf([&] { doc.Invoke("SaveAs", {Variant(target)}); });
    EXPECT_EQ(e.code(), VisioErrorCode(VisioErrorKind::CannotSave)) << target;
    EXPECT_NE(e.message().find(target), std::string::npos) << e.message();
    EXPECT_EQ(doc.Get("FullName").ToString(), path);
    EXPECT_EQ(doc.Get("Saved").ToInt32(), 0);
  }
}

// A write that fails midway (the file size limit, as a full disk would)
// leaves the old file whole and nothing beside it.
TEST_F(DocumentSaveTest, AWriteThatFailsMidwayLeavesTheOldFile) {
  const std::string path = Write("big.vsdx", MinimalDrawing());
  const std::string before = ReadFile(path);
  const ObjectRef doc = Open(path);
  ObjectRef pages = doc.Get("Pages").ToObject();
  for (int i = 0; i < 40; ++i) pages.Invoke("Add");
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const auto saveUnderTheLimit = [&] {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{static_cast<rlim_t>(before.size()), static_cast<rlim_t>(before.size())};
    setrlimit(RLIMIT_FSIZE, &limit);
    try {
      doc.Invoke("Save");
      std::fprintf(stderr, "saved\n");
      std::exit(1);
    } catch (const AutomationError& e) {
      const bool named = e.message().find(path) != std::string::npos;
      const bool unsaved = doc.Get("Saved").ToInt32() == 0;
      std::fprintf(stderr, "%s\n", e.message().c_str());
      std::exit(named && unsaved && ReadFile(path) == before ? 0 : 2);
    }
  };
  EXPECT_EXIT(saveUnderTheLimit(), ::testing::ExitedWithCode(0), "cannot be saved");
  EXPECT_EQ(ReadFile(path), before);
  int files = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir_)) ++files;
  EXPECT_EQ(files, 1);
}

// ---- an independent reader ----

// libvisio reads a saved file as it reads the original: with the last
// page deleted, as the original's other pages.
TEST_F(DocumentSaveTest, LibvisioReadsTheSavedFileAsTheOriginal) {
  if (std::system("command -v vsd2raw >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "vsd2raw (libvisio-tools) is not installed";
  const std::string file = tarvel_test::SharedFile("vsdx/pyvsdx_test4_connectors.vsdx");
  if (file.empty()) GTEST_SKIP() << "TARVEL_SHARED_DIR is not set";
  const ObjectRef doc = Open(file);
  const ObjectRef pages = doc.Get("Pages").ToObject();
  const std::string unchanged = (dir_ / "unchanged.vsdx").string();
  doc.Invoke("SaveAs", {Variant(unchanged)});
  pages.Get("Item", {Variant(pages.Get("Count").ToInt32())}).ToObject().Invoke("Delete");
  const std::string fewer = (dir_ / "fewer.vsdx").string();
  doc.Invoke("SaveAs", {Variant(fewer)});
  auto raw = [&](const std::string& f) {
    const std::string out = (dir_ / "raw.txt").string();
    EXPECT_EQ(std::system(("vsd2raw '" + f + "' > '" + out + "' 2>/dev/null").c_str()), 0);
    return ReadFile(out);
  };
  const std::string original = raw(file);
  ASSERT_NE(original.find("startPage"), std::string::npos);
  EXPECT_EQ(raw(unchanged), original);
  const std::string kept = original.substr(0, original.rfind("  startPage"));
  const std::string after = raw(fewer);
  EXPECT_EQ(after.substr(0, after.rfind("endDocument")), kept);
}

}  // namespace
}  // namespace standin
