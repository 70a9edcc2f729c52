// Every real drawing, stencil and template of the corpus, checked against
// its own package XML rather than another reader's view of it: masters and
// pages by the IDs the file stores, every shape (group members included,
// markers of deleted members left out) with its ID, type, names, text,
// position and size, and the row types of each geometry section, an
// instance's rows being its master shape's as the instance changes them.
#include <gtest/gtest.h>
#include <zip.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <pugixml.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "standin/Application.h"
#include "standin/Document.h"
#include "standin/Master.h"
#include "standin/Page.h"
#include "standin/Shape.h"
#include "standin/ShapeSheet.h"
#include "standin/ShapeText.h"
#include "standin/VsdxLoader.h"

namespace standin {
namespace {

namespace fs = std::filesystem;

// ---- the package, read here with libzip and pugixml ----

class PackageXml {
 public:
  explicit PackageXml(const fs::path& file) {
    int error = 0;
    zip_ = zip_open(file.c_str(), ZIP_RDONLY, &error);
  }
  ~PackageXml() {
    if (zip_) zip_discard(zip_);
  }
  PackageXml(const PackageXml&) = delete;
  PackageXml& operator=(const PackageXml&) = delete;

  // The part parsed, kept for the life of the package; null when absent.
  const pugi::xml_document* Part(const std::string& name) {
    auto it = parts_.find(name);
    if (it != parts_.end()) return it->second.get();
    std::unique_ptr<pugi::xml_document> doc;
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_ && zip_stat(zip_, name.c_str(), 0, &st) == 0) {
      std::string text(static_cast<std::size_t>(st.size), '\0');
      if (zip_file_t* f = zip_fopen(zip_, name.c_str(), 0)) {
        zip_fread(f, text.data(), st.size);
        zip_fclose(f);
        doc = std::make_unique<pugi::xml_document>();
        if (!doc->load_buffer(text.data(), text.size(), pugi::parse_default | pugi::parse_ws_pcdata))
          doc.reset();
      }
    }
    return (parts_[name] = std::move(doc)).get();
  }

  // Targets of a part's relationships by ID, as part names.
  std::map<std::string, std::string> Rels(const std::string& part) {
    std::map<std::string, std::string> out;
    const std::size_t slash = part.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : part.substr(0, slash + 1);
    const std::string rels = part.empty() ? "_rels/.rels"
                                          : folder + "_rels/" + part.substr(slash + 1) + ".rels";
    if (const pugi::xml_document* xml = Part(rels)) {
      for (pugi::xml_node r : xml->document_element().children("Relationship")) {
        std::string target = r.attribute("Target").value();
        target = !target.empty() && target[0] == '/' ? target.substr(1) : folder + target;
        out[r.attribute("Id").value()] = Normal(target);
        out[std::string("type:") + r.attribute("Type").value()] = Normal(target);
      }
    }
    return out;
  }

  static std::string ByType(const std::map<std::string, std::string>& rels, const char* tail) {
    for (const auto& [key, target] : rels) {
      if (key.rfind("type:", 0) == 0 && key.size() >= std::strlen(tail) &&
          key.compare(key.size() - std::strlen(tail), std::string::npos, tail) == 0)
        return target;
    }
    return {};
  }

 private:
  static std::string Normal(const std::string& path) {
    std::vector<std::string> parts;
    std::stringstream in(path);
    for (std::string piece; std::getline(in, piece, '/');) {
      if (piece == "..") {
        if (!parts.empty()) parts.pop_back();
      } else if (!piece.empty() && piece != ".") {
        parts.push_back(piece);
      }
    }
    std::string out;
    for (const auto& p : parts) out += (out.empty() ? "" : "/") + p;
    return out;
  }

  zip_t* zip_ = nullptr;
  std::map<std::string, std::unique_ptr<pugi::xml_document>> parts_;
};

std::optional<double> Number(const char* text) {
  std::string_view v = text;
  if (!v.empty() && v[0] == '+') v.remove_prefix(1);
  double d = 0;
  auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), d);
  if (v.empty() || ec != std::errc() || end != v.data() + v.size()) return std::nullopt;
  return d;
}

std::int16_t TagOfName(std::string_view t) {
  static const std::map<std::string_view, std::int16_t> kTags = {
      {"MoveTo", 138},       {"LineTo", 139},       {"ArcTo", 140},        {"InfiniteLine", 141},
      {"Ellipse", 143},      {"EllipticalArcTo", 144}, {"SplineStart", 165}, {"SplineKnot", 166},
      {"PolylineTo", 193},   {"NURBSTo", 195},      {"RelCubBezTo", 236},  {"RelQuadBezTo", 237},
      {"RelMoveTo", 238},    {"RelLineTo", 239},    {"RelEllipticalArcTo", 240}};
  auto it = kTags.find(t);
  return it == kTags.end() ? std::int16_t{-1} : it->second;
}

// Geometry as the file gives it: sections by IX, rows by IX with their
// types.
using Rows = std::map<int, std::int16_t>;
using Geometry = std::map<int, Rows>;

struct ShapeXml {
  pugi::xml_node node;
  const ShapeXml* master = nullptr;  // the master shape it inherits from
};

class Expectations {
 public:
  explicit Expectations(PackageXml& pkg) : pkg_(pkg) {}

  // The master shape a shape element inherits from: the one MasterShape
  // names in the master of the shape or of its group, or the master's
  // only top shape.
  pugi::xml_node MasterShapeOf(pugi::xml_node shape, int inheritedMaster) {
    int master = inheritedMaster;
    if (pugi::xml_attribute m = shape.attribute("Master")) master = m.as_int(-1);
    if (master < 0) return {};
    pugi::xml_node contents = MasterContents(master);
    if (!contents) return {};
    if (pugi::xml_attribute ms = shape.attribute("MasterShape")) {
      return contents.find_node([&](pugi::xml_node n) {
        return std::string_view(n.name()) == "Shape" && n.attribute("ID").as_int(-1) == ms.as_int();
      });
    }
    if (!shape.attribute("Master")) return {};
    pugi::xml_node top = contents.child("Shapes").child("Shape");
    return top;
  }

  // The master a shape element's group is an instance of.
  int GroupMaster(pugi::xml_node shape, int inherited) {
    if (pugi::xml_attribute m = shape.attribute("Master")) return m.as_int(-1);
    return inherited;
  }

  Geometry GeometryOf(pugi::xml_node shape, int inheritedMaster, int depth = 0) {
    Geometry g;
    if (depth < 16) {
      if (pugi::xml_node ms = MasterShapeOf(shape, inheritedMaster)) {
        g = GeometryOf(ms, MasterOfPart(ms), depth + 1);
      }
    }
    for (pugi::xml_node sec : shape.children("Section")) {
      if (std::string_view(sec.attribute("N").value()) != "Geometry") continue;
      const int ix = sec.attribute("IX").as_int(-1);
      if (sec.attribute("Del").as_int() != 0) {
        g.erase(ix);
        continue;
      }
      Rows& rows = g[ix];
      for (pugi::xml_node row : sec.children("Row")) {
        const int r = row.attribute("IX").as_int(-1);
        if (r < 1) continue;
        if (row.attribute("Del").as_int() != 0) {
          rows.erase(r);
          continue;
        }
        const char* t = row.attribute("T").value();
        if (*t) {
          rows[r] = TagOfName(t);
        } else if (!rows.count(r)) {
          rows[r] = 139;  // a new row without a type: LineTo
        }
      }
    }
    return g;
  }

  // The text of a shape element, or of its master shape.
  std::optional<std::string> TextOf(pugi::xml_node shape, int inheritedMaster, int depth = 0) {
    if (pugi::xml_node text = shape.child("Text")) {
      std::string out;
      for (pugi::xml_node c : text.children()) {
        if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata) {
          out += c.value();
        } else if (std::string_view(c.name()) == "fld") {
          out += c.child_value();
        }
      }
      if (!out.empty() && out.back() == '\n') out.pop_back();
      return out;
    }
    if (depth < 16) {
      if (pugi::xml_node ms = MasterShapeOf(shape, inheritedMaster))
        return TextOf(ms, MasterOfPart(ms), depth + 1);
    }
    return std::nullopt;
  }

  // The master whose part holds a shape element (for masters that are
  // instances of other masters: none of their own).
  int MasterOfPart(pugi::xml_node) { return -1; }

  pugi::xml_node MasterContents(int id) {
    auto it = masterParts_.find(id);
    if (it == masterParts_.end()) return {};
    const pugi::xml_document* xml = pkg_.Part(it->second);
    return xml ? xml->document_element() : pugi::xml_node();
  }

  std::map<int, std::string> masterParts_;

 private:
  PackageXml& pkg_;
};

std::string Name(pugi::xml_node n, const char* attr, const char* fallback) {
  std::string v = n.attribute(attr).value();
  if (v.empty()) v = n.attribute(fallback).value();
  return v;
}

std::int16_t TypeOf(pugi::xml_node shape, pugi::xml_node masterShape) {
  std::string_view t = shape.attribute("Type").value();
  if (t.empty() && masterShape) t = masterShape.attribute("Type").value();
  if (t == "Group") return 2;
  if (t == "Foreign") return 4;
  if (t == "Guide") return 5;
  return 3;
}

struct Tally {
  int pages = 0, masters = 0, shapes = 0, cells = 0, rows = 0, texts = 0;
};

class Checker {
 public:
  Checker(Expectations& expect, const std::string& file) : expect_(expect), file_(file) {}

  void Shapes(pugi::xml_node shapes, DrawingSurface& surface, const Shape* parent,
              int inheritedMaster, const std::string& where, Tally& tally) {
    for (pugi::xml_node n : shapes.children("Shape")) {
      if (n.attribute("Del").as_int() != 0) continue;  // a deleted member: no shape
      const int id = n.attribute("ID").as_int(-1);
      if (id < 1 || id > 0x7FFF) continue;  // given an ID on loading
      Shape* s = surface.FindShape(static_cast<std::int16_t>(id));
      const std::string at = where + " shape " + std::to_string(id);
      if (!s) {
        Fail(at, "shape", "present", "absent");
        continue;
      }
      ++tally.shapes;
      if (s->parent() != parent) Fail(at, "parent", "as in the file", "elsewhere");
      const pugi::xml_node ms = expect_.MasterShapeOf(n, inheritedMaster);
      Same(at, "Type", std::to_string(TypeOf(n, ms)), std::to_string(s->type()));
      std::string name = Name(n, "Name", "NameU"), nameU = Name(n, "NameU", "Name");
      if (name.empty()) name = nameU = "Sheet." + std::to_string(id);
      Same(at, "Name", name, s->Name());
      Same(at, "NameU", nameU, s->NameU());
      if (auto text = expect_.TextOf(n, inheritedMaster)) {
        ++tally.texts;
        Same(at, "Text", *text, s->Text().ExpandedText());
      }
      const std::pair<const char*, std::int16_t> cells[] = {
          {"PinX", visXFormPinX}, {"PinY", visXFormPinY}, {"Width", visXFormWidth},
          {"Height", visXFormHeight}};
      for (const auto& [cellName, column] : cells) {
        pugi::xml_node c = n.find_child_by_attribute("Cell", "N", cellName);
        if (!c || c.attribute("E")) continue;
        const auto v = Number(c.attribute("V").value());
        if (!v) continue;
        ++tally.cells;
        const double got = s->Sheet().ResultIU(visSectionObject, visRowXFormOut, column);
        if (!(std::abs(got - *v) <= 1e-9))
          Fail(at, cellName, std::to_string(*v), std::to_string(got));
      }
      const Geometry g = expect_.GeometryOf(n, inheritedMaster);
      ShapeSheet& sh = s->Sheet();
      Same(at, "GeometryCount", std::to_string(g.size()), std::to_string(sh.GeometryCount()));
      std::int16_t k = 0;
      for (const auto& [ix, rows] : g) {
        if (k >= sh.GeometryCount()) break;
        const auto sec = static_cast<std::int16_t>(visSectionFirstComponent + k++);
        std::string want, got;
        for (const auto& [r, tag] : rows) want += std::to_string(tag) + " ";
        for (std::int16_t r = 1; r < sh.RowCount(sec); ++r) got += std::to_string(sh.RowType(sec, r)) + " ";
        tally.rows += static_cast<int>(rows.size());
        Same(at, "Geometry" + std::to_string(k) + " row types", want, got);
      }
      const int member = expect_.GroupMaster(n, inheritedMaster);
      Shapes(n.child("Shapes"), surface, s, member, at, tally);
      // The model's members are the file's, markers left out.
      int inFile = 0;
      for (pugi::xml_node c : n.child("Shapes").children("Shape")) inFile += c.attribute("Del").as_int() == 0;
      Same(at, "member count", std::to_string(inFile), std::to_string(s->Children().size()));
    }
  }

  void Same(const std::string& at, const std::string& what, const std::string& want,
            const std::string& got) {
    if (want != got) Fail(at, what, want, got);
  }

  void Fail(const std::string& at, const std::string& what, const std::string& want,
            const std::string& got) {
    if (++failures_ <= 20) {
      ADD_FAILURE() << file_ << ":" << at << ": " << what << ": file says \"" << want
                    << "\", the stand-in \"" << got << "\"";
    }
  }

  int Failures() const { return failures_; }

 private:
  Expectations& expect_;
  std::string file_;
  int failures_ = 0;
};

TEST(VsdxPackageTest, EveryFileAgreesWithItsOwnXml) {
  const char* shared = std::getenv("TARVEL_SHARED_DIR");
  const fs::path dir = shared ? fs::path(shared) / "vsdx" : fs::path();
  if (dir.empty() || !fs::exists(dir)) GTEST_SKIP() << "no corpus: TARVEL_SHARED_DIR/vsdx is absent";
  int files = 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    const std::string file = entry.path().filename().string();
    const std::string ext = entry.path().extension().string();
    if (file.rfind("odd_", 0) == 0 || ext.size() != 5 || ext.rfind(".vs", 0) != 0) continue;
    SCOPED_TRACE(file);
    Ref<Application> app = MakeRef<Application>();
    Ref<Document> doc = OpenVisioPackage(*app, entry.path().string(), visOpenRW);
    PackageXml pkg(entry.path());
    Expectations expect(pkg);
    Checker check(expect, file);
    Tally tally;

    const std::string main = PackageXml::ByType(pkg.Rels(""), "/document");
    const auto docRels = pkg.Rels(main);
    const std::string mastersPart = PackageXml::ByType(docRels, "/masters");
    if (const pugi::xml_document* xml = mastersPart.empty() ? nullptr : pkg.Part(mastersPart)) {
      const auto rels = pkg.Rels(mastersPart);
      for (pugi::xml_node m : xml->document_element().children("Master")) {
        const int id = m.attribute("ID").as_int(-1);
        auto rel = rels.find(m.child("Rel").attribute("r:id").value());
        if (rel != rels.end()) expect.masterParts_[id] = rel->second;
      }
      for (pugi::xml_node m : xml->document_element().children("Master")) {
        const int id = m.attribute("ID").as_int(-1);
        const std::string at = "master " + std::to_string(id);
        Master* master = doc->MasterById(static_cast<std::int16_t>(id));
        if (!master) {
          check.Fail(at, "master", "present", "absent");
          continue;
        }
        ++tally.masters;
        check.Same(at, "Name", Name(m, "Name", "NameU"), master->Name());
        check.Same(at, "NameU", Name(m, "NameU", "Name"), master->NameU());
        if (doc->type() != visDocTypeDrawing || doc->Pages().empty()) {
          if (pugi::xml_node contents = expect.MasterContents(id))
            check.Shapes(contents.child("Shapes"), *master, nullptr, -1, at, tally);
        }
      }
    }
    const std::string pagesPart = PackageXml::ByType(docRels, "/pages");
    if (const pugi::xml_document* xml = pagesPart.empty() ? nullptr : pkg.Part(pagesPart)) {
      const auto rels = pkg.Rels(pagesPart);
      for (pugi::xml_node p : xml->document_element().children("Page")) {
        const int id = p.attribute("ID").as_int(-1);
        const std::string at = "page " + std::to_string(id);
        Page* page = doc->PageById(static_cast<std::int16_t>(id));
        if (doc->type() == visDocTypeStencil) continue;  // a stencil shows no pages
        if (!page) {
          check.Fail(at, "page", "present", "absent");
          continue;
        }
        ++tally.pages;
        check.Same(at, "Name", Name(p, "Name", "NameU"), page->Name());
        check.Same(at, "NameU", Name(p, "NameU", "Name"), page->NameU());
        auto rel = rels.find(p.child("Rel").attribute("r:id").value());
        if (rel == rels.end()) continue;
        if (const pugi::xml_document* contents = pkg.Part(rel->second))
          check.Shapes(contents->document_element().child("Shapes"), *page, nullptr, -1, at, tally);
      }
    }
    std::printf("[ package  ] %-48s pages %3d  masters %3d  shapes %5d  cells %5d  texts %5d  "
                "geometry rows %6d  mismatches %d\n",
                file.c_str(), tally.pages, tally.masters, tally.shapes, tally.cells, tally.texts,
                tally.rows, check.Failures());
    ++files;
    app->Quit();
  }
  EXPECT_GT(files, 20);
}

}  // namespace
}  // namespace standin
