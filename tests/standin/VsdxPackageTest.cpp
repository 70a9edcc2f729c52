// Every real drawing, stencil and template of the corpus, checked against
// its own package XML rather than another reader's view of it, through the
// automation interface as a client reads Visio: masters and pages found by
// the IDs the file stores, every shape (group members included, markers of
// deleted members left out) found by its ID and in its place, with its
// type, names, text, position and size, and the row types of each geometry
// section, an instance's rows being its master shape's as the instance
// changes them; and the document's own sheet, with its user cells and
// shape data.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <pugixml.hpp>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "CorpusCells.h"
#include "automation/HResult.h"
#include "automation/Variant.h"
#include "standin/Application.h"
#include "standin/Document.h"
#include "standin/Master.h"
#include "standin/Package.h"
#include "standin/Page.h"
#include "standin/Shape.h"
#include "standin/ShapeSheet.h"
#include "standin/ShapeText.h"
#include "standin/VsdxLoader.h"

namespace standin {
namespace {

namespace fs = std::filesystem;

// ---- the package, its parts parsed here with pugixml ----

class PackageXml {
 public:
  explicit PackageXml(const fs::path& file) {
    try {
      pkg_.emplace(Package::Open(file.string(), std::numeric_limits<std::uint64_t>::max()));
    } catch (const PackageError&) {
    }
  }

  // The part parsed, kept for the life of the package; null when absent.
  const pugi::xml_document* Part(const std::string& name) {
    auto it = parts_.find(name);
    if (it != parts_.end()) return it->second.get();
    std::unique_ptr<pugi::xml_document> doc;
    if (pkg_ && pkg_->Has(name)) {
      // Parts are read whole, within the package's bound for one part.
      doc = std::make_unique<pugi::xml_document>();
      try {
        const std::string text = pkg_->Read(name);
        if (!doc->load_buffer(text.data(), text.size(),
                              pugi::parse_default | pugi::parse_ws_pcdata))
          doc.reset();
      } catch (const PackageError&) {
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
    const std::string rels =
        part.empty() ? "_rels/.rels" : folder + "_rels/" + part.substr(slash + 1) + ".rels";
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

  std::optional<Package> pkg_;
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

bool Deleted(pugi::xml_node n) {
  return n.attribute("Del").as_int() != 0;
}

// The row tag Visio answers for a geometry row's type; 0 for a row whose
// type the file does not give.
std::int16_t TagOfName(std::string_view t) {
  static const std::map<std::string_view, std::int16_t> kTags = {
      {"MoveTo", 138},       {"LineTo", 139},      {"ArcTo", 140},
      {"InfiniteLine", 141}, {"Ellipse", 143},     {"EllipticalArcTo", 144},
      {"SplineStart", 165},  {"SplineKnot", 166},  {"PolylineTo", 193},
      {"NURBSTo", 195},      {"RelCubBezTo", 236}, {"RelQuadBezTo", 237},
      {"RelMoveTo", 238},    {"RelLineTo", 239},   {"RelEllipticalArcTo", 240}};
  auto it = kTags.find(t);
  return it == kTags.end() ? std::int16_t{-1} : it->second;
}
constexpr std::int16_t kComponentRowTag = 137;

// Geometry as the file gives it: sections by IX, rows by IX with their
// types.
using Rows = std::map<int, std::int16_t>;
using Geometry = std::map<int, Rows>;

// What a shape element inherits, read from the package: its master shape,
// and through it the geometry and text the shape does not override.
class Expectations {
 public:
  explicit Expectations(PackageXml& pkg) : pkg_(pkg) {}

  void AddMasterPart(int id, std::string part) { masterParts_[id] = std::move(part); }

  // The master shape a shape element inherits from: the one MasterShape
  // names in the master of the shape or of its group, or the master's
  // top shape for an instance without MasterShape.
  pugi::xml_node MasterShapeOf(pugi::xml_node shape, int inheritedMaster) {
    const int master = GroupMaster(shape, inheritedMaster);
    if (master < 0) return {};
    pugi::xml_node contents = MasterContents(master);
    if (!contents) return {};
    if (pugi::xml_attribute ms = shape.attribute("MasterShape")) {
      return contents.find_node([&](pugi::xml_node n) {
        return std::string_view(n.name()) == "Shape" && !Deleted(n) &&
               n.attribute("ID").as_llong(-1) == ms.as_llong();
      });
    }
    if (!shape.attribute("Master")) return {};
    return contents.child("Shapes").child("Shape");
  }

  // The master a shape element's members inherit from.
  static int GroupMaster(pugi::xml_node shape, int inherited) {
    if (pugi::xml_attribute m = shape.attribute("Master")) return m.as_int(-1);
    return inherited;
  }

  // Master shapes inherit from no master of their own in the corpus; one
  // that names a master with Master is followed all the same.
  Geometry GeometryOf(pugi::xml_node shape, int inheritedMaster, int depth = 0) {
    Geometry g;
    if (depth < 16) {
      if (pugi::xml_node ms = MasterShapeOf(shape, inheritedMaster))
        g = GeometryOf(ms, -1, depth + 1);
    }
    for (pugi::xml_node sec : shape.children("Section")) {
      if (std::string_view(sec.attribute("N").value()) != "Geometry") continue;
      const int ix = sec.attribute("IX").as_int(-1);
      if (Deleted(sec)) {
        g.erase(ix);
        continue;
      }
      Rows& rows = g[ix];
      for (pugi::xml_node row : sec.children("Row")) {
        const int r = row.attribute("IX").as_int(-1);
        if (r < 1) continue;
        if (Deleted(row)) {
          rows.erase(r);
          continue;
        }
        const char* t = row.attribute("T").value();
        if (*t) {
          rows[r] = TagOfName(t);
        } else if (!rows.count(r)) {
          rows[r] = 0;
        }
      }
    }
    return g;
  }

  // The text of a shape element, or of its master shape; none when
  // neither has a Text element. A field shows the text the file caches in
  // its fld element, unless a shape that inherits the text gives the
  // field's row a value of its own: a string one shows as it is; any other
  // needs the field's format, so the text is left unchecked (`known`
  // false).
  std::optional<std::string> TextOf(pugi::xml_node shape, int inheritedMaster, bool& known) {
    known = true;
    std::vector<pugi::xml_node> chain{shape};
    for (int depth = 0; depth < 16 && !chain.back().child("Text"); ++depth) {
      pugi::xml_node ms = MasterShapeOf(chain.back(), depth ? -1 : inheritedMaster);
      if (!ms) return std::nullopt;
      chain.push_back(ms);
    }
    pugi::xml_node text = chain.back().child("Text");
    if (!text) return std::nullopt;
    std::string out;
    for (pugi::xml_node c : text.children()) {
      if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata) {
        out += c.value();
      } else if (std::string_view(c.name()) == "fld") {
        std::optional<std::string> value = c.child_value();
        for (std::size_t k = 0; k + 1 < chain.size(); ++k) {
          pugi::xml_node row = chain[k]
                                   .find_child_by_attribute("Section", "N", "Field")
                                   .find_child_by_attribute("Row", "IX", c.attribute("IX").value());
          pugi::xml_node v = row.find_child_by_attribute("Cell", "N", "Value");
          if (!v || !v.attribute("V")) continue;
          if (std::string_view(v.attribute("U").value()) == "STR") {
            value = v.attribute("V").value();
          } else {
            known = false;
          }
          break;
        }
        out += value.value_or("");
      }
    }
    if (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
  }

  // A cell's value in inches as the file records it: the shape's own V
  // (local or F='Inh'), else its master shape's when that one has no
  // formula to compute it anew in the instance.
  static std::optional<double> CellOf(pugi::xml_node shape, pugi::xml_node masterShape,
                                      const char* name) {
    if (pugi::xml_node c = shape.find_child_by_attribute("Cell", "N", name)) {
      if (c.attribute("E")) return std::nullopt;  // an error, not a value
      return Number(c.attribute("V").value());
    }
    if (!masterShape) return std::nullopt;
    pugi::xml_node c = masterShape.find_child_by_attribute("Cell", "N", name);
    if (!c || c.attribute("F") || c.attribute("E")) return std::nullopt;
    return Number(c.attribute("V").value());
  }

  pugi::xml_node MasterContents(int id) {
    auto it = masterParts_.find(id);
    if (it == masterParts_.end()) return {};
    const pugi::xml_document* xml = pkg_.Part(it->second);
    return xml ? xml->document_element() : pugi::xml_node();
  }

 private:
  PackageXml& pkg_;
  std::map<int, std::string> masterParts_;
};

std::string Name(pugi::xml_node n, const char* attr, const char* fallback) {
  std::string v = n.attribute(attr).value();
  if (v.empty()) v = n.attribute(fallback).value();
  return v;
}

// Shape.Type: the file's Type, else the master shape's.
std::int16_t TypeOf(pugi::xml_node shape, pugi::xml_node masterShape) {
  std::string_view t = shape.attribute("Type").value();
  if (t.empty() && masterShape) t = masterShape.attribute("Type").value();
  if (t == "Group") return visTypeGroup;
  if (t == "Foreign") return visTypeForeignObject;
  if (t == "Guide") return visTypeGuide;
  return visTypeShape;
}

// The shape elements of a Shapes element that are shapes: deletion markers
// are none.
std::vector<pugi::xml_node> ShapeElements(pugi::xml_node shapes) {
  std::vector<pugi::xml_node> out;
  for (pugi::xml_node n : shapes.children("Shape")) {
    if (!Deleted(n)) out.push_back(n);
  }
  return out;
}

struct Tally {
  int pages = 0, masters = 0, shapes = 0, cells = 0, texts = 0, rows = 0;
};

// Compares the model, reached through the automation interface as a client
// reaches it, with the package; counts mismatches by field and prints the
// first few.
class Checker {
 public:
  static constexpr int kPrinted = 20;

  Checker(Expectations& expect, const std::string& file) : expect_(expect), file_(file) {}

  // The shapes of a page or master: `surface` is the page or master,
  // whose Shapes finds any of its shapes by ID.
  void Surface(pugi::xml_node shapes, const ObjectRef& surface, const std::string& where) {
    lookup_ = surface.Get("Shapes").ToObject();
    Members(shapes, lookup_, surface, -1, where);
  }

  // The page or master a pages.xml or masters.xml element describes,
  // found by its ID; one the stand-in finds only by its name is reported
  // and checked all the same.
  ObjectRef ByIdOrName(const ObjectRef& collection, const std::string& kind, pugi::xml_node e,
                       const std::string& at) {
    try {
      return collection.Get("ItemFromID", {I4(e.attribute("ID").as_int(-1))}).ToObject();
    } catch (const automation::AutomationError& error) {
      Fail(at, kind + ".ItemFromID", "found", error.message());
    }
    try {
      return collection.Get("Item", {Variant(Name(e, "Name", "NameU"))}).ToObject();
    } catch (const automation::AutomationError& error) {
      Fail(at, kind + ".Item", "found", error.message());
    }
    return {};
  }

  // The document's sheet against its DocumentSheet element (none when the
  // file has none): the cells directly under the element that hold a
  // number, and every cell of the named rows of its User and Property
  // sections, by name as a client asks for them.
  void DocumentSheet(pugi::xml_node node, const ObjectRef& doc) {
    const std::string at = "DocumentSheet";
    const ObjectRef sheet = doc.Get("DocumentSheet").ToObject();
    Same(at, "Type", "6", std::to_string(sheet.Get("Type").ToInt32()));
    if (!node) return;
    struct Named {
      std::string name;
      pugi::xml_node cell;
      bool inRow;
    };
    std::vector<Named> cells;
    for (pugi::xml_node c : node.children("Cell"))
      cells.push_back({c.attribute("N").value(), c, false});
    const std::tuple<const char*, const char*, std::int16_t> sections[] = {
        {"User", "User.", visSectionUser}, {"Property", "Prop.", visSectionProp}};
    for (const auto& [element, prefix, index] : sections) {
      int rows = 0;
      for (pugi::xml_node row :
           node.find_child_by_attribute("Section", "N", element).children("Row")) {
        // A row with neither name nor index (only a LocalName) has no
        // place in the section.
        const std::string rowName = row.attribute("N").value();
        if (Deleted(row) || (rowName.empty() && !row.attribute("IX"))) continue;
        ++rows;
        if (rowName.empty()) continue;
        for (pugi::xml_node c : row.children("Cell"))
          cells.push_back({prefix + rowName + "." + c.attribute("N").value(), c, true});
      }
      Same(at, std::string(element) + " rows", std::to_string(rows),
           std::to_string(sheet.Get("RowCount", {I2(index)}).ToInt32()));
    }
    for (const Named& n : cells) {
      if (n.cell.attribute("E") || !n.cell.attribute("V")) continue;
      const char* v = n.cell.attribute("V").value();
      const bool text = std::string_view(n.cell.attribute("U").value()) == "STR";
      const std::optional<double> number = text ? std::nullopt : Number(v);
      if (!number && !n.inRow) continue;  // a code the loader turns into a number (DocLangID)
      ++tally_.cells;
      try {
        const ObjectRef cell = sheet.Get("Cells", {Variant(n.name)}).ToObject();
        if (number) {
          const double got = cell.Get("ResultIU").ToDouble();
          if (!(std::abs(got - *number) <= 1e-9))
            Fail(at + " " + n.name, "value", Format(*number), Format(got));
        } else {
          Same(at + " " + n.name, "value", v, cell.Get("ResultStr", {Variant("")}).ToString());
        }
      } catch (const automation::AutomationError& e) {
        Fail(at + " " + n.name, "cell", "present", e.message());
      }
    }
  }

  void Same(const std::string& at, const std::string& what, const std::string& want,
            const std::string& got) {
    if (want != got) Fail(at, what, want, got);
  }

  void Fail(const std::string& at, const std::string& what, const std::string& want,
            const std::string& got) {
    ++byField_[what];
    if (++failures_ <= kPrinted) {
      ADD_FAILURE() << file_ << ": " << at << ": " << what << ": file says \"" << want
                    << "\", the stand-in \"" << got << "\"";
    }
  }

  int Failures() const { return failures_; }
  Tally& tally() { return tally_; }

  std::string ByField() const {
    std::string out;
    for (const auto& [field, n] : byField_)
      out += (out.empty() ? "" : ", ") + field + " " + std::to_string(n);
    return out;
  }

 private:
  // The shape elements under one Shapes element against the model's
  // `members` (the page's, master's or group's Shapes), each found by its
  // ID through the page's or master's Shapes, which finds shapes at any
  // depth.
  void Members(pugi::xml_node shapes, const ObjectRef& members, const ObjectRef& parent,
               int inheritedMaster, const std::string& where) {
    const std::vector<pugi::xml_node> elements = ShapeElements(shapes);
    Same(where, "shape count", std::to_string(elements.size()),
         std::to_string(members.Get("Count").ToInt32()));
    for (std::size_t i = 0; i < elements.size(); ++i) {
      const pugi::xml_node n = elements[i];
      const long long id = n.attribute("ID").as_llong(-1);
      const std::string at = where + " shape " + std::to_string(id);
      ObjectRef shape;
      try {
        shape = lookup_.Get("ItemFromID", {I4(static_cast<std::int32_t>(id))}).ToObject();
      } catch (const automation::AutomationError& e) {
        Fail(at, "shape", "present", "absent (" + e.message() + ")");
        continue;
      }
      try {
        One(n, shape, members, static_cast<int>(i), parent, inheritedMaster, at);
      } catch (const automation::AutomationError& e) {
        Fail(at, "call", "an answer", automation::FormatHResult(e.code()) + " " + e.message());
      }
    }
  }

  void One(pugi::xml_node n, const ObjectRef& shape, const ObjectRef& members, int index,
           const ObjectRef& parent, int inheritedMaster, const std::string& at) {
    ++tally_.shapes;
    const long long id = n.attribute("ID").as_llong(-1);
    Same(at, "ID", std::to_string(id), std::to_string(shape.Get("ID").ToInt32()));
    // Shapes stand in the order the file stores them (their z-order).
    const ObjectRef item = members.Get("Item", {I2(index + 1)}).ToObject();
    if (!SameObject(item, shape))
      Same(at, "Shapes.Item(" + std::to_string(index + 1) + ")", std::to_string(id),
           std::to_string(item.Get("ID").ToInt32()));
    if (!SameObject(shape.Get("Parent").ToObject(), parent))
      Fail(at, "Parent", "the shape holding it in the file", "another object");

    const pugi::xml_node ms = expect_.MasterShapeOf(n, inheritedMaster);
    Same(at, "Type", std::to_string(TypeOf(n, ms)), std::to_string(shape.Get("Type").ToInt32()));
    std::string name = Name(n, "Name", "NameU"), nameU = Name(n, "NameU", "Name");
    if (name.empty()) name = nameU = "Sheet." + std::to_string(id);
    Same(at, "Name", name, shape.Get("Name").ToString());
    Same(at, "NameU", nameU, shape.Get("NameU").ToString());
    bool known = true;
    if (auto text = expect_.TextOf(n, inheritedMaster, known); text && known) {
      ++tally_.texts;
      Same(at, "Text", *text, shape.Get("Characters").ToObject().Get("Text").ToString());
    }

    const std::pair<const char*, std::int16_t> cells[] = {{"PinX", visXFormPinX},
                                                          {"PinY", visXFormPinY},
                                                          {"Width", visXFormWidth},
                                                          {"Height", visXFormHeight}};
    for (const auto& [cellName, column] : cells) {
      const auto want = Expectations::CellOf(n, ms, cellName);
      if (!want || corpus::CachesAnotherValue(
                       file_, cellName,
                       n.find_child_by_attribute("Cell", "N", cellName).attribute("F").value()))
        continue;
      ++tally_.cells;
      const double got =
          shape.Get("CellsSRC", {I2(visSectionObject), I2(visRowXFormOut), I2(column)})
              .ToObject()
              .Get("ResultIU")
              .ToDouble();
      if (!(std::abs(got - *want) <= 1e-9)) Fail(at, cellName, Format(*want), Format(got));
    }

    // Sections in IX order, numbered from visSectionFirstComponent without
    // gaps; row 0 the component row, the others the path's rows in IX order.
    const Geometry g = expect_.GeometryOf(n, inheritedMaster);
    const int count = shape.Get("GeometryCount").ToInt32();
    Same(at, "GeometryCount", std::to_string(g.size()), std::to_string(count));
    int k = 0;
    for (const auto& [ix, rows] : g) {
      if (k >= count) break;
      const auto sec = static_cast<std::int16_t>(visSectionFirstComponent + k++);
      std::string want = std::to_string(kComponentRowTag), got;
      for (const auto& [r, tag] : rows) want += " " + std::to_string(tag);
      const int rowCount = shape.Get("RowCount", {I2(sec)}).ToInt32();
      for (int r = 0; r < rowCount; ++r)
        got += (r ? " " : "") + std::to_string(shape.Get("RowType", {I2(sec), I2(r)}).ToInt32());
      tally_.rows += static_cast<int>(rows.size()) + 1;
      Same(at + " Geometry" + std::to_string(k) + " (IX " + std::to_string(ix) + ")", "RowType",
           want, got);
    }

    Members(n.child("Shapes"), shape.Get("Shapes").ToObject(), shape,
            Expectations::GroupMaster(n, inheritedMaster), at);
  }

  static std::string Format(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.12g", v);
    return buf;
  }

  Expectations& expect_;
  std::string file_;
  ObjectRef lookup_;
  Tally tally_;
  int failures_ = 0;
  std::map<std::string, int> byField_;
};

// Opens one file as a client does (Documents.Open) and compares what the
// stand-in answers with the file's pages, masters and shapes.
void CheckFile(const fs::path& path) {
  const std::string file = path.filename().string();
  Ref<Application> app = MakeRef<Application>();
  InstallVsdxLoader(*app);
  PackageXml pkg(path);
  Expectations expect(pkg);
  Checker check(expect, file);
  Tally& tally = check.tally();
  try {
    const ObjectRef doc = ObjectRef(app)
                              .Get("Documents")
                              .ToObject()
                              .Invoke("Open", {Variant(path.string())})
                              .ToObject();
    const bool stencil = doc.Get("Type").ToInt32() == visDocTypeStencil;
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const bool drawingFile = ext.rfind(".vsd", 0) == 0;

    const std::string main = PackageXml::ByType(pkg.Rels(""), "/document");
    const auto docRels = pkg.Rels(main);
    if (const pugi::xml_document* mainXml = pkg.Part(main)) {
      check.DocumentSheet(mainXml->document_element().child("DocumentSheet"), doc);
    } else {
      check.Fail("package", "document part", "readable", "not read here");
    }

    const std::string mastersPart = PackageXml::ByType(docRels, "/masters");
    const pugi::xml_document* mastersXml = mastersPart.empty() ? nullptr : pkg.Part(mastersPart);
    const ObjectRef masters = doc.Get("Masters").ToObject();
    std::vector<pugi::xml_node> masterElements;
    if (mastersXml) {
      const auto rels = pkg.Rels(mastersPart);
      for (pugi::xml_node m : mastersXml->document_element().children("Master")) {
        masterElements.push_back(m);
        auto rel = rels.find(m.child("Rel").attribute("r:id").value());
        if (rel != rels.end()) expect.AddMasterPart(m.attribute("ID").as_int(-1), rel->second);
      }
    }
    check.Same("Masters", "Count", std::to_string(masterElements.size()),
               std::to_string(masters.Get("Count").ToInt32()));
    for (pugi::xml_node m : masterElements) {
      const int id = m.attribute("ID").as_int(-1);
      const std::string at = "master " + std::to_string(id);
      const ObjectRef master = check.ByIdOrName(masters, "Masters", m, at);
      if (!master) continue;
      ++tally.masters;
      check.Same(at, "ID", std::to_string(id), std::to_string(master.Get("ID").ToInt32()));
      check.Same(at, "Name", Name(m, "Name", "NameU"), master.Get("Name").ToString());
      check.Same(at, "NameU", Name(m, "NameU", "Name"), master.Get("NameU").ToString());
      // A drawing's masters are checked through its pages' instances. (A
      // template opens as a drawing: its kind is told by its name.)
      if (!drawingFile) {
        if (pugi::xml_node contents = expect.MasterContents(id))
          check.Surface(contents.child("Shapes"), master, at);
      }
    }

    const std::string pagesPart = PackageXml::ByType(docRels, "/pages");
    const pugi::xml_document* pagesXml = pagesPart.empty() ? nullptr : pkg.Part(pagesPart);
    if (pagesXml && !stencil) {  // a stencil shows no pages
      const auto rels = pkg.Rels(pagesPart);
      const ObjectRef pages = doc.Get("Pages").ToObject();
      int count = 0;
      for (pugi::xml_node p : pagesXml->document_element().children("Page")) {
        ++count;
        const int id = p.attribute("ID").as_int(-1);
        const std::string at = "page " + std::to_string(id);
        const ObjectRef page = check.ByIdOrName(pages, "Pages", p, at);
        if (!page) continue;
        ++tally.pages;
        check.Same(at, "ID", std::to_string(id), std::to_string(page.Get("ID").ToInt32()));
        check.Same(at, "Name", Name(p, "Name", "NameU"), page.Get("Name").ToString());
        check.Same(at, "NameU", Name(p, "NameU", "Name"), page.Get("NameU").ToString());
        check.Same(at, "Background", p.attribute("Background").as_int() ? "1" : "0",
                   page.Get("Background").ToBool() ? "1" : "0");
        const ObjectRef back = page.Get("BackPage").ToObject();
        check.Same(at, "BackPage",
                   p.attribute("BackPage") ? p.attribute("BackPage").value() : "none",
                   back ? std::to_string(back.Get("ID").ToInt32()) : "none");
        auto rel = rels.find(p.child("Rel").attribute("r:id").value());
        if (rel == rels.end()) continue;
        if (const pugi::xml_document* contents = pkg.Part(rel->second))
          check.Surface(contents->document_element().child("Shapes"), page, at);
      }
      check.Same("Pages", "Count", std::to_string(count),
                 std::to_string(pages.Get("Count").ToInt32()));
    }
  } catch (const automation::AutomationError& e) {
    check.Fail("document", "call", "an answer", e.message());
  }
  std::printf(
      "[ package  ] %-46s pages %2d  masters %3d  shapes %5d  cells %5d  texts %4d  "
      "geometry rows %6d  mismatches %d%s%s%s\n",
      file.c_str(), tally.pages, tally.masters, tally.shapes, tally.cells, tally.texts, tally.rows,
      check.Failures(), check.Failures() ? " (" : "", check.ByField().c_str(),
      check.Failures() ? ")" : "");
  app->Quit();
}

// Every drawing, stencil and template of the corpus; the damaged ones
// (odd_*) are VsdxCorpusTest's.
TEST(VsdxPackageTest, EveryFileAgreesWithItsOwnXml) {
  const char* shared = std::getenv("TARVEL_SHARED_DIR");
  const fs::path dir = shared ? fs::path(shared) / "vsdx" : fs::path();
  if (dir.empty() || !fs::exists(dir))
    GTEST_SKIP() << "no corpus: TARVEL_SHARED_DIR/vsdx is absent";
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(dir)) {
    const std::string file = entry.path().filename().string();
    std::string ext = entry.path().extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    static const std::set<std::string> kinds = {".vsdx", ".vsdm", ".vssx",
                                                ".vssm", ".vstx", ".vstm"};
    if (file.rfind("odd_", 0) != 0 && kinds.count(ext)) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  for (const fs::path& f : files) {
    SCOPED_TRACE(f.filename().string());
    CheckFile(f);
  }
  EXPECT_GT(files.size(), 20u);
}

}  // namespace
}  // namespace standin
