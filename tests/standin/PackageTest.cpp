// The package layer on its own: parts, content types and relationships
// read back as written, the bounds a hostile directory meets, and a write
// that replaces a file only when it is complete.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <pugixml.hpp>
#include <sstream>

#include "VsdxTestPackage.h"
#include "standin/Package.h"

namespace standin {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kAny = std::uint64_t(1) << 40;
constexpr const char* kDoc = "http://schemas.microsoft.com/visio/2010/relationships/document";
constexpr const char* kPages = "http://schemas.microsoft.com/visio/2010/relationships/pages";

struct Failure {
  std::string where, problem;
  bool operator==(const Failure&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Failure& f) {
  return out << f.where << ": " << f.problem;
}

Failure FailureOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const PackageError& e) {
    return {e.where, e.what()};
  }
  return {"", "no failure"};
}

// A small drawing's skeleton written through the writer's own content
// types and relationships.
Package::Writer SmallDrawing() {
  Package::Writer w;
  w.Types().SetDefault("rels", "application/vnd.openxmlformats-package.relationships+xml");
  w.Types().SetDefault("XML", "application/xml");
  w.Types().SetOverride("/visio/document.xml", "application/vnd.ms-visio.drawing.main+xml");
  w.Add("visio/document.xml", "<VisioDocument/>");
  w.Add("visio/pages/pages.xml", "<Pages> text kept </Pages>", Package::Writer::Compression::Store);
  w.Relate("", {"rId1", kDoc, "visio/document.xml"});
  w.Relate("visio/document.xml", {"rId1", kPages, "pages/pages.xml"});
  return w;
}

std::string FileText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// Rewrites what a package's headers (local and central) claim a part
// unpacks to, leaving its data as it is.
void ClaimSize(std::string& zip, const std::string& part, std::uint32_t size) {
  auto u16 = [&](std::size_t at) {
    return std::size_t(std::uint8_t(zip[at])) | std::size_t(std::uint8_t(zip[at + 1])) << 8;
  };
  int patched = 0;
  for (std::size_t at = 0; at + 46 < zip.size(); ++at) {
    const bool local = zip.compare(at, 4, "PK\3\4") == 0;
    const bool central = zip.compare(at, 4, "PK\1\2") == 0;
    if (!local && !central) continue;
    const std::size_t nameAt = at + (local ? 30 : 46);
    if (u16(at + (local ? 26 : 28)) != part.size() || zip.compare(nameAt, part.size(), part) != 0)
      continue;
    std::memcpy(zip.data() + at + (local ? 22 : 24), &size, 4);  // little-endian host
    ++patched;
  }
  ASSERT_EQ(patched, 2) << part;
}

TEST(PackageTest, PartsContentTypesAndRelationshipsReadBackAsWritten) {
  const std::string bytes = SmallDrawing().Bytes();
  const Package pkg = Package::FromBytes(bytes, kAny);

  // Content types first, the parts in their order, then relationships.
  EXPECT_EQ(pkg.PartNames(), (std::vector<std::string>{"[Content_Types].xml", "visio/document.xml",
                                                       "visio/pages/pages.xml", "_rels/.rels",
                                                       "visio/_rels/document.xml.rels"}));
  EXPECT_TRUE(pkg.Has("visio/document.xml"));
  EXPECT_FALSE(pkg.Has("visio/Document.xml"));
  EXPECT_EQ(pkg.Read("visio/pages/pages.xml"), "<Pages> text kept </Pages>");
  EXPECT_EQ(pkg.ClaimedSize("visio/pages/pages.xml"), 26u);
  EXPECT_STREQ(pkg.Xml("visio/pages/pages.xml")->document_element().child_value(), " text kept ");

  const ContentTypes types = pkg.ReadContentTypes();
  struct TypeCase {
    const char* part;
    const char* type;
    const char* override;
  };
  const TypeCase typeCases[] = {
      {"visio/document.xml", "application/vnd.ms-visio.drawing.main+xml",
       "application/vnd.ms-visio.drawing.main+xml"},
      {"visio/pages/pages.xml", "application/xml", ""},  // by extension, whatever its case
      {"visio/pages/PAGE1.Xml", "application/xml", ""},
      {"_rels/.rels", "application/vnd.openxmlformats-package.relationships+xml", ""},
      {"visio/media/image1.png", "", ""},
      {"visio.d/noextension", "", ""},
  };
  for (const TypeCase& c : typeCases) {
    EXPECT_EQ(types.Of(c.part), c.type) << c.part;
    EXPECT_EQ(types.OverrideOf(c.part), c.override) << c.part;
  }

  const Relationships root = pkg.RelationshipsOf("");
  ASSERT_EQ(root.size(), 1u);
  ASSERT_TRUE(root.OfType("/relationships/document"));
  EXPECT_EQ(root.OfType("/relationships/document")->target, "visio/document.xml");
  const Relationships doc = pkg.RelationshipsOf("visio/document.xml");
  ASSERT_TRUE(doc.ById("rId1"));
  EXPECT_EQ(doc.ById("rId1")->target, "visio/pages/pages.xml");  // relative to its source
  EXPECT_FALSE(doc.ById("rId2"));
  EXPECT_FALSE(doc.OfType("/relationships/masters"));
  EXPECT_EQ(pkg.RelationshipsOf("visio/pages/pages.xml").size(), 0u);  // it has none
}

TEST(PackageTest, RelationshipTargetsResolveAgainstTheirSource) {
  struct Case {
    const char* source;
    const char* target;
    const char* part;
  };
  const Case cases[] = {
      {"", "visio/document.xml", "visio/document.xml"},
      {"visio/document.xml", "pages/pages.xml", "visio/pages/pages.xml"},
      {"visio/pages/pages.xml", "../masters/./masters.xml", "visio/masters/masters.xml"},
      {"visio/pages/pages.xml", "/docProps/core.xml", "docProps/core.xml"},
      // Climbing above the root stays at the root.
      {"visio/document.xml", "../../../x.xml", "x.xml"},
      {"visio/document.xml", "media//image1.png", "visio/media/image1.png"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Package::ResolveTarget(c.source, c.target), c.part) << c.source << " + " << c.target;

  EXPECT_EQ(Package::RelationshipsPartOf(""), "_rels/.rels");
  EXPECT_EQ(Package::RelationshipsPartOf("top.xml"), "_rels/top.xml.rels");
  EXPECT_EQ(Package::RelationshipsPartOf("visio/pages/page1.xml"),
            "visio/pages/_rels/page1.xml.rels");

  // A hyperlink's target is no part: it is left out, the others kept in order.
  Package::Writer w;
  w.Add("visio/pages/_rels/page1.xml.rels",
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId2\" Type=\"t/hyperlink\" Target=\"http://example.com/\" "
        "TargetMode=\"External\"/>"
        "<Relationship Id=\"rId3\" Type=\"t/master\" Target=\"../masters/master1.xml\"/>"
        "<Relationship Id=\"rId1\" Type=\"t/master\" Target=\"../masters/master2.xml\"/>"
        "</Relationships>");
  const std::string bytes = w.Bytes();
  const Relationships rels =
      Package::FromBytes(bytes, kAny).RelationshipsOf("visio/pages/page1.xml");
  ASSERT_EQ(rels.size(), 2u);
  EXPECT_FALSE(rels.ById("rId2"));
  EXPECT_EQ(rels.OfType("/master")->target, "visio/masters/master1.xml");  // the first
  EXPECT_EQ(rels.ById("rId1")->target, "visio/masters/master2.xml");
}

TEST(PackageTest, ReadingIsRefusedBeyondTheBoundsNamingThePart) {
  Package::Writer w;
  w.Add("a.xml", "<a>" + std::string(100, 'x') + "</a>");  // 107 bytes
  w.Add("b.xml", "<b/>");
  w.Add("empty.xml", "");
  w.Add("notxml.xml", "<a><b></a>");
  w.Add("types/[Content_Types].xml", "");
  const std::string good = w.Bytes();
  std::string huge = good;
  ClaimSize(huge, "a.xml", Package::kMaxPartSize + 1);
  std::string inflating = good;
  ClaimSize(inflating, "a.xml", 50);

  struct Case {
    const char* name;
    std::string bytes;
    std::uint64_t bound;
    std::function<void(const Package&)> read;
    Failure failure;
  };
  const Case cases[] = {
      {"not a zip", "just some text", kAny, {}, {"package", "not a zip archive"}},
      {"a missing part",
       good,
       kAny,
       [](const Package& p) { p.Read("c.xml"); },
       {"c.xml", "missing part"}},
      // Both parts count against one bound, whichever reads them.
      {"parts unpacking beyond the package's bound",
       good,
       110,
       [](const Package& p) {
         p.Read("a.xml");
         p.Xml("b.xml");
       },
       {"b.xml", "package too large (its parts unpack to more than 110 bytes)"}},
      {"a part claiming more than any part may",
       huge,
       kAny,
       [](const Package& p) { p.Read("a.xml"); },
       {"a.xml", "part too large (67108865 bytes)"}},
      {"a part inflating beyond its claim",
       inflating,
       kAny,
       [](const Package& p) { p.Xml("a.xml"); },
       {"a.xml", "damaged part (bad size)"}},
      {"an empty part as XML",
       good,
       kAny,
       [](const Package& p) { p.Xml("empty.xml"); },
       {"empty.xml", "malformed XML (no root element)"}},
      {"malformed XML",
       good,
       kAny,
       [](const Package& p) { p.Xml("notxml.xml"); },
       {"notxml.xml", "malformed XML (Start-end tags mismatch at offset 8)"}},
      {"no content types",
       good,
       kAny,
       [](const Package& p) { p.ReadContentTypes(); },
       {"[Content_Types].xml", "missing part"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FailureOf([&] {
                const Package pkg = Package::FromBytes(c.bytes, c.bound);
                if (c.read) c.read(pkg);
              }),
              c.failure)
        << c.name;
  }

  Package::Writer wrongRoot;
  wrongRoot.Add("[Content_Types].xml", "<Relationships/>");
  const std::string bytes = wrongRoot.Bytes();
  EXPECT_EQ(FailureOf([&] { Package::FromBytes(bytes, kAny).ReadContentTypes(); }),
            (Failure{"[Content_Types].xml", "not a Types part"}));
}

class PackageFileTest : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = vsdxtest::TestFolder("package"); }
  void TearDown() override { fs::remove_all(dir_); }

  std::vector<std::string> Files() const {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir_)) out.push_back(e.path().filename());
    return out;
  }

  fs::path dir_;
};

TEST_F(PackageFileTest, AWrittenFileOpensAndCopiesPartsAsStored) {
  const std::string path = (dir_ / "Saved.vsdx").string();
  { std::ofstream(path) << "an older file"; }
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  SmallDrawing().WriteTo(path);
  EXPECT_EQ(Files(), std::vector<std::string>{"Saved.vsdx"});
  // Saved over, the file keeps its permissions.
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

  const Package saved = Package::Open(path, kAny);
  Package::Writer copy;
  copy.Copy(saved, "visio/pages/pages.xml");
  copy.Add("visio/document.xml", "<VisioDocument Changed=\"1\"/>");
  const std::string bytes = copy.Bytes();
  const Package copied = Package::FromBytes(bytes, kAny);
  EXPECT_EQ(copied.PartNames(),
            (std::vector<std::string>{"visio/pages/pages.xml", "visio/document.xml"}));
  EXPECT_EQ(copied.Read("visio/pages/pages.xml"), "<Pages> text kept </Pages>");
  EXPECT_EQ(copied.Read("visio/document.xml"), "<VisioDocument Changed=\"1\"/>");

  Package::Writer missing;
  missing.Copy(saved, "visio/nothing.xml");
  EXPECT_EQ(FailureOf([&] { missing.Bytes(); }), (Failure{"visio/nothing.xml", "missing part"}));
  EXPECT_EQ(FailureOf([&] { Package::Writer().Bytes(); }),
            (Failure{"package", "no parts to write"}));
}

TEST_F(PackageFileTest, AFailedWriteLeavesTheTargetAsItWas) {
  const std::string path = (dir_ / "Drawing.vsdx").string();
  { std::ofstream(path) << "the file as it was"; }

  // The package cannot be made: two parts of one name.
  Package::Writer twice = SmallDrawing();
  twice.Add("visio/document.xml", "<VisioDocument/>");
  const Failure f = FailureOf([&] { twice.WriteTo(path); });
  EXPECT_EQ(f.where, path);
  EXPECT_EQ(f.problem.rfind("visio/document.xml: cannot be written (", 0), 0u) << f;

  // The disk fills while writing: the file size limit stands for it.
  Package::Writer big;
  big.Add("big.bin", std::string(1 << 20, 'x'), Package::Writer::Compression::Store);
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 64 * 1024;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const Failure full = FailureOf([&] { big.WriteTo(path); });
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldSignal);
  EXPECT_EQ(full, (Failure{path, "cannot write (File too large)"}));

  // Nor can a file be made beside a target in a folder that is not there.
  const std::string nowhere = (dir_ / "gone" / "Drawing.vsdx").string();
  EXPECT_EQ(FailureOf([&] { SmallDrawing().WriteTo(nowhere); }),
            (Failure{nowhere, "cannot create a file beside it (No such file or directory)"}));

  EXPECT_EQ(FileText(path), "the file as it was");
  EXPECT_EQ(Files(), std::vector<std::string>{"Drawing.vsdx"});  // no file left half written
}

}  // namespace
}  // namespace standin
