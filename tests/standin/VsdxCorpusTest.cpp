// Real drawings, stencils and templates from other projects, opened and
// checked against what two independent readers report for each file.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "CorpusCells.h"
#include "automation/HResult.h"
#include "standin/Application.h"
#include "standin/Document.h"
#include "standin/Master.h"
#include "standin/Page.h"
#include "standin/Shape.h"
#include "standin/ShapeSheet.h"
#include "standin/ShapeText.h"
#include "standin/Style.h"
#include "standin/VisioErrors.h"
#include "standin/VsdxLoader.h"
#include "standin/Window.h"

namespace standin {
namespace {

namespace fs = std::filesystem;

fs::path CorpusDir() {
  const char* shared = std::getenv("TARVEL_SHARED_DIR");
  return shared ? fs::path(shared) / "vsdx" : fs::path();
}

// One row of MANIFEST.tsv, by column name.
using ManifestRow = std::map<std::string, std::string>;

std::vector<ManifestRow> ReadManifest(const fs::path& dir) {
  std::ifstream in(dir / "MANIFEST.tsv");
  std::string line;
  std::vector<std::string> header;
  std::vector<ManifestRow> rows;
  auto split = [](const std::string& l) {
    std::vector<std::string> out;
    std::stringstream ss(l);
    std::string f;
    while (std::getline(ss, f, '\t')) out.push_back(f);
    return out;
  };
  if (std::getline(in, line)) header = split(line);
  while (std::getline(in, line)) {
    const auto fields = split(line);
    ManifestRow row;
    for (std::size_t i = 0; i < header.size() && i < fields.size(); ++i) row[header[i]] = fields[i];
    rows.push_back(row);
  }
  return rows;
}

// What the POI-based oracle says of a file.
struct OracleShape {
  long long id = 0;
  int depth = 0;
  std::string type, name, text;
  bool hasText = false;
  double cells[4] = {};  // PinX, PinY, Width, Height as the file records them
  bool hasCell[4] = {};
  bool inherited[4] = {};  // the cell is no local one (F="Inh")
};
struct OraclePage {
  std::string name;
  int shapesAll = 0;
  int topLevel = 0;
  std::vector<OracleShape> shapes;
};
struct Oracle {
  bool error = false;
  std::map<int, std::pair<std::string, int>> masters;  // id -> name, shape count
  int masterCount = -1;
  std::vector<OraclePage> pages;
};

std::string Unescape(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) {
      const char c = s[++i];
      out += c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
    } else {
      out += s[i];
    }
  }
  return out;
}

// What the oracle lists of a member an instance deletes: the file's marker
// (ID -1, as 4294967295), without a type.
bool IsDeletionMarker(const OracleShape& s) {
  return s.id == 4294967295LL && s.type == "null";
}

Oracle ReadOracle(const fs::path& file) {
  Oracle o;
  std::ifstream in(file);
  std::string line;
  static const std::regex master(R"(^  MASTER id=(\d+) name=(.*) shapes=(\d+)$)");
  static const std::regex page(
      R"(^PAGE id=\d+ number=\d+ name=(.*) size=\S+ shapes_all=(\d+) toplevel=(\d+) )");
  static const std::regex shape(
      R"(^ *SHAPE id=(\d+) depth=(\d+) type=(\S+) name=(.*) master=(.*) text=(-|".*") PinX=([^|]*)\|.* PinY=([^|]*)\|.* Width=([^|]*)\|.* Height=([^|]*)\|)");
  std::smatch m;
  while (std::getline(in, line)) {
    if (line.rfind("ERROR", 0) == 0) o.error = true;
    if (line.rfind("MASTERS ", 0) == 0) o.masterCount = std::stoi(line.substr(8));
    if (std::regex_search(line, m, master)) {
      o.masters[std::stoi(m[1])] = {m[2], std::stoi(m[3])};
    } else if (std::regex_search(line, m, page)) {
      o.pages.push_back({m[1], std::stoi(m[2]), std::stoi(m[3]), {}});
    } else if (std::regex_search(line, m, shape) && !o.pages.empty()) {
      OracleShape s;
      s.id = std::stoll(m[1]);
      s.depth = std::stoi(m[2]);
      s.type = m[3];
      s.name = m[4];
      const std::string text = m[6];
      s.hasText = text != "-";
      if (s.hasText) s.text = Unescape(text.substr(1, text.size() - 2));
      for (int k = 0; k < 4; ++k) {
        const std::string v = m[static_cast<std::size_t>(7 + k)];
        char* end = nullptr;
        const double d = std::strtod(v.c_str(), &end);
        s.hasCell[k] = !v.empty() && end && *end == '\0';
        s.cells[k] = d;
        static const char* names[4] = {" PinX=", " PinY=", " Width=", " Height="};
        s.inherited[k] = line.find(names[k] + v + "|Inh(") != std::string::npos;
      }
      o.pages.back().shapes.push_back(s);
    }
  }
  return o;
}

const char* TypeName(std::int16_t type) {
  switch (type) {
    case visTypeGroup:
      return "Group";
    case visTypeGuide:
      return "Guide";
    case visTypeForeignObject:
      return "Foreign";
    default:
      return "Shape";
  }
}

void Collect(const std::vector<Ref<Shape>>& shapes, int depth,
             std::map<int, std::pair<Shape*, int>>& out) {
  for (const auto& s : shapes) {
    out[s->id()] = {s.get(), depth};
    Collect(s->Children(), depth + 1, out);
  }
}

int CountShapes(const std::vector<Ref<Shape>>& shapes) {
  int n = 0;
  for (const auto& s : shapes) n += 1 + CountShapes(s->Children());
  return n;
}

class VsdxCorpusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = CorpusDir();
    if (dir_.empty() || !fs::exists(dir_ / "MANIFEST.tsv"))
      GTEST_SKIP() << "no corpus of real drawings: TARVEL_SHARED_DIR/vsdx/MANIFEST.tsv is absent";
    app_ = MakeRef<Application>();
    InstallVsdxLoader(*app_);
  }
  void TearDown() override {
    if (app_) app_->Quit();
  }
  fs::path dir_;
  Ref<Application> app_;
};

// Every drawing, stencil and template opens, and what it holds agrees with
// the oracle: counts, IDs, names, texts, and the shapes' position and size.
TEST_F(VsdxCorpusTest, FilesOpenAndAgreeWithTheOracle) {
  int opened = 0;
  for (const auto& row : ReadManifest(dir_)) {
    const std::string file = row.at("file");
    if (file.rfind("odd_", 0) == 0) continue;
    SCOPED_TRACE(file);
    Ref<Document> doc;
    try {
      doc = OpenVisioPackage(*app_, (dir_ / file).string(), visOpenRW);
    } catch (const automation::AutomationError& e) {
      ADD_FAILURE() << "does not open: " << e.message();
      continue;
    }
    ++opened;
    const std::string type = row.at("content_type");
    const bool stencil = type.find("stencil") != std::string::npos;
    EXPECT_EQ(doc->type(), stencil                                      ? visDocTypeStencil
                           : type.find("template") != std::string::npos ? visDocTypeTemplate
                                                                        : visDocTypeDrawing);
    EXPECT_EQ(static_cast<int>(doc->Masters().size()), std::stoi(row.at("masters")));
    int masterShapes = 0;
    for (const auto& m : doc->Masters()) masterShapes += CountShapes(m->TopShapes());
    EXPECT_EQ(masterShapes, std::stoi(row.at("master_shapes")));
    if (stencil) {
      EXPECT_TRUE(doc->Pages().empty());
      continue;
    }
    EXPECT_EQ(static_cast<int>(doc->Pages().size()), std::stoi(row.at("pages")));
    const Oracle oracle = ReadOracle(dir_ / "oracle" / (file + ".poi.txt"));
    // Both the manifest and the oracle count the markers of members an
    // instance deletes as shapes (the oracle lists them with ID -1 and no
    // type); Visio has no such shapes.
    int markers = 0;
    for (const OraclePage& op : oracle.pages) {
      for (const OracleShape& os : op.shapes) markers += IsDeletionMarker(os);
    }
    int pageShapes = 0;
    for (const auto& p : doc->Pages()) pageShapes += CountShapes(p->TopShapes());
    EXPECT_EQ(pageShapes, std::stoi(row.at("page_shapes_total")) - markers);

    if (oracle.error) continue;  // the oracle could not read it (see its README)
    if (oracle.masterCount >= 0) {
      EXPECT_EQ(static_cast<int>(doc->Masters().size()), oracle.masterCount);
    }
    for (const auto& [id, m] : oracle.masters) {
      Master* master = doc->FindMaster(m.first);
      if (!master) {
        ADD_FAILURE() << "no master " << m.first;
        continue;
      }
      EXPECT_EQ(CountShapes(master->TopShapes()), m.second) << m.first;
    }
    ASSERT_EQ(doc->Pages().size(), oracle.pages.size());
    for (const OraclePage& op : oracle.pages) {
      Page* page = doc->FindPage(op.name);
      if (!page) {
        ADD_FAILURE() << "no page " << op.name;
        continue;
      }
      SCOPED_TRACE(op.name);
      EXPECT_EQ(static_cast<int>(page->TopShapes().size()), op.topLevel);
      std::map<int, std::pair<Shape*, int>> shapes;
      Collect(page->TopShapes(), 1, shapes);
      int pageMarkers = 0;
      for (const OracleShape& os : op.shapes) pageMarkers += IsDeletionMarker(os);
      EXPECT_EQ(static_cast<int>(shapes.size()), op.shapesAll - pageMarkers);
      for (const OracleShape& os : op.shapes) {
        if (IsDeletionMarker(os)) continue;
        auto it = shapes.find(static_cast<int>(os.id));
        if (it == shapes.end()) {
          ADD_FAILURE() << "no shape " << os.id;
          continue;
        }
        Shape& s = *it->second.first;
        SCOPED_TRACE("shape " + std::to_string(os.id));
        EXPECT_EQ(it->second.second, os.depth);
        EXPECT_EQ(TypeName(s.type()), os.type);
        // The oracle prints the local Name only; without one Visio names
        // the shape by its universal name, or by its ID.
        if (os.name.empty()) {
          EXPECT_TRUE(s.Name() == s.NameU() || s.Name() == s.NameID()) << s.Name();
        } else {
          EXPECT_EQ(s.Name(), os.name);
        }
        if (os.hasText) {
          // The file ends the last paragraph with a line break that the
          // shape's text does not hold.
          std::string want = os.text;
          if (!want.empty() && want.back() == '\n') want.pop_back();
          const std::string got = s.Text().ExpandedText();
          // The oracle cuts long texts short with "...".
          if (want.size() > 3 && want.compare(want.size() - 3, 3, "...") == 0) {
            want.resize(want.size() - 3);
            EXPECT_EQ(got.substr(0, want.size()), want);
          } else {
            EXPECT_EQ(got, want);
          }
        }
        const std::int16_t cols[4] = {visXFormPinX, visXFormPinY, visXFormWidth, visXFormHeight};
        const char* const names[4] = {"PinX", "PinY", "Width", "Height"};
        for (int k = 0; k < 4; ++k) {
          if (!os.hasCell[k]) continue;
          if (corpus::CachesAnotherValue(
                  file, names[k], s.Sheet().Formula(visSectionObject, visRowXFormOut, cols[k])))
            continue;
          EXPECT_NEAR(s.Sheet().ResultIU(visSectionObject, visRowXFormOut, cols[k]), os.cells[k],
                      1e-9)
              << "cell " << k;
        }
      }
    }
  }
  EXPECT_GT(opened, 0);
}

// In the corpus, Tabs sections come only in document style sheets, each a
// row without stops: the styles that hold one hold its one row of their
// own, of the type without cells.
TEST_F(VsdxCorpusTest, StylesHoldTheirTabRows) {
  int files = 0;
  for (const auto& row : ReadManifest(dir_)) {
    const std::string file = row.at("file");
    if (file.rfind("odd_", 0) == 0 || row.at("sec_Tabs").find('d') == std::string::npos) continue;
    SCOPED_TRACE(file);
    ++files;
    Ref<Document> doc = OpenVisioPackage(*app_, (dir_ / file).string(), visOpenRW);
    int holding = 0;
    for (const auto& style : doc->Styles()) {
      const ShapeSheet& sheet = style->Sheet();
      if (!sheet.SectionExists(visSectionTab, true)) continue;
      ++holding;
      SCOPED_TRACE(style->NameU());
      EXPECT_EQ(sheet.RowCount(visSectionTab), 1);
      EXPECT_TRUE(sheet.RowExists(visSectionTab, 0, true));
      EXPECT_EQ(sheet.RowType(visSectionTab, 0), visTagTab0);
    }
    EXPECT_GT(holding, 0);
  }
  EXPECT_GT(files, 0);
}

// Damaged and unusual files either open or fail with the loader's error;
// none takes the application down, and what was open stays open.
TEST_F(VsdxCorpusTest, OddFilesOpenOrFailCleanly) {
  Ref<Document> keep = app_->AddNewDocument("");
  int odd = 0;
  for (const auto& row : ReadManifest(dir_)) {
    const std::string file = row.at("file");
    if (file.rfind("odd_", 0) != 0) continue;
    ++odd;
    SCOPED_TRACE(file);
    const std::string path = (dir_ / file).string();
    try {
      Ref<Document> doc = app_->OpenDocument(path, 0);
      EXPECT_EQ(doc->FullName(), path);
    } catch (const automation::AutomationError& e) {
      EXPECT_EQ(e.code(), VisioErrorCode(VisioErrorKind::BadFile));
      EXPECT_EQ(e.message().rfind("\n\nThe file \"" + path + "\" cannot be opened: ", 0), 0u)
          << e.message();
    }
  }
  EXPECT_GT(odd, 0);
  EXPECT_FALSE(keep->IsDeleted());
  EXPECT_NE(app_->FindDocument(keep->Name()), nullptr);
}

// A drawing saved with its page 3 in view at 89 %, three stencils docked
// (none of them here) opens that way.
TEST_F(VsdxCorpusTest, ADrawingOpensInTheWindowsItWasSavedWith) {
  const std::string file = "pyvsdx_test4_connectors.vsdx";
  if (!fs::exists(dir_ / file)) GTEST_SKIP() << file << " is not in the corpus";
  Ref<Document> doc = app_->OpenDocument((dir_ / file).string(), 0);
  ASSERT_EQ(app_->Windows().size(), 1u);
  Window& w = *app_->Windows().front();
  EXPECT_EQ(app_->ActiveWindow(), &w);
  EXPECT_EQ(w.type(), visDrawing);
  EXPECT_EQ(w.doc(), doc.get());
  ASSERT_NE(w.page(), nullptr);
  EXPECT_EQ(w.page()->Name(), "Page-3");
  EXPECT_EQ(w.StoredValue("Zoom"), Variant(0.89));
  EXPECT_EQ(w.StoredValue("ShowGrid"), VisBool(true));
  const std::string folder =
      "C:\\Program Files (x86)\\Microsoft Office\\Root\\Office16\\visio content\\1033\\";
  EXPECT_EQ(w.DockedStencils().Elements(),
            (std::vector<std::string>{folder + "DTLNME_M.vssx", folder + "AWSCOSTMGMT_M.vssx",
                                      folder + "PERIME_M.vssx"}));
  EXPECT_EQ(app_->Documents().size(), 1u);
}

// The text the other oracle (libvisio's text extraction) finds in each
// file, line by line, is text of the file's shapes here too: the page
// shapes of a drawing, the master shapes of a stencil. Lines are compared
// with runs of blanks made one, as libvisio prints them; libvisio repeats
// background pages and leaves some shapes out, so only that direction is
// checked.
TEST_F(VsdxCorpusTest, TextsAgreeWithLibvisio) {
  // Where the two readers differ on purpose.
  const std::map<std::string, std::set<std::string>> known = {
      // Instances whose file records an empty text (<Text/>): libvisio
      // shows the master's text, Visio and the stand-in the empty one.
      {"ibm_vpc_architecture.vstx", {"ACL"}},
      // A member the instance deletes from its master: libvisio shows its
      // text, Visio has no such shape.
      {"aspose_NetworkDiagram_start.vsdx", {"January 19, 2013"}},
  };
  auto lines = [](const std::string& text, std::set<std::string>& out) {
    std::string line;
    auto flush = [&] {
      std::string norm;
      for (char c : line) {
        const bool blank = c == ' ' || c == '\t';
        if (blank && (norm.empty() || norm.back() == ' ')) continue;
        norm += blank ? ' ' : c;
      }
      while (!norm.empty() && norm.back() == ' ') norm.pop_back();
      if (!norm.empty()) out.insert(norm);
      line.clear();
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
      const char c = text[i];
      // Paragraph and line breaks: \n, \r, \v, U+2028, U+2029.
      if (c == '\n' || c == '\r' || c == '\v') {
        flush();
      } else if (text.compare(i, 3, "\xE2\x80\xA8") == 0 ||
                 text.compare(i, 3, "\xE2\x80\xA9") == 0) {
        flush();
        i += 2;
      } else {
        line += c;
      }
    }
    flush();
  };
  std::function<void(const std::vector<Ref<Shape>>&, std::set<std::string>&)> collect =
      [&](const std::vector<Ref<Shape>>& shapes, std::set<std::string>& out) {
        for (const auto& s : shapes) {
          lines(s->Text().ExpandedText(), out);
          collect(s->Children(), out);
        }
      };
  int compared = 0;
  for (const auto& row : ReadManifest(dir_)) {
    const std::string file = row.at("file");
    if (file.rfind("odd_", 0) == 0) continue;
    std::ifstream in(dir_ / "oracle" / (file + ".text.txt"), std::ios::binary);
    if (!in) continue;
    SCOPED_TRACE(file);
    std::set<std::string> want, got;
    lines(std::string(std::istreambuf_iterator<char>(in), {}), want);
    Ref<Document> doc = OpenVisioPackage(*app_, (dir_ / file).string(), visOpenRW);
    for (const auto& p : doc->Pages()) collect(p->TopShapes(), got);
    if (doc->Pages().empty()) {
      for (const auto& m : doc->Masters()) collect(m->TopShapes(), got);
    }
    const auto it = known.find(file);
    for (const std::string& line : want) {
      if (it != known.end() && it->second.count(line)) continue;
      EXPECT_TRUE(got.count(line)) << "no shape has the line \"" << line << "\"";
    }
    ++compared;
  }
  EXPECT_GT(compared, 0);
}

}  // namespace
}  // namespace standin
