#include "standin/VsdxLoader.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <pugixml.hpp>
#include <set>
#include <stdexcept>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "automation/Text.h"
#include "standin/Application.h"
#include "standin/Colors.h"
#include "standin/Document.h"
#include "standin/FilePaths.h"
#include "standin/Fonts.h"
#include "standin/Layer.h"
#include "standin/Master.h"
#include "standin/Package.h"
#include "standin/Page.h"
#include "standin/Shape.h"
#include "standin/ShapeSheet.h"
#include "standin/ShapeText.h"
#include "standin/Style.h"
#include "standin/Units.h"
#include "standin/VisioErrors.h"
#include "standin/VsdxRead.h"
#include "standin/Window.h"

namespace standin {

namespace {

using automation::Variant;

// Nesting deeper than this is no drawing Visio writes; it guards the stack.
constexpr int kMaxGroupDepth = 64;
// The same for masters whose shapes are instances of other masters.
constexpr std::size_t kMaxMasterDepth = 64;
// Shape IDs are 16 bits wide: a page or master holds at most this many.
constexpr std::size_t kMaxShapesPerSheet = 0x7FFF;

constexpr std::string_view kRelDocument = "/relationships/document";
constexpr std::string_view kRelPages = "/relationships/pages";
constexpr std::string_view kRelMasters = "/relationships/masters";
constexpr std::string_view kRelCore = "/metadata/core-properties";
constexpr std::string_view kRelExtended = "/relationships/extended-properties";
constexpr std::string_view kRelWindows = "/relationships/windows";

// A problem with one part of the package: what the package itself raises.
using LoadError = PackageError;

std::optional<double> ParseDouble(std::string_view s) {
  if (s.empty()) return std::nullopt;
  double v = 0;
  const char* b = s.data();
  if (*b == '+') ++b;
  auto [end, ec] = std::from_chars(b, s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return v;
}

// A date as files write one with the DATE unit, "2016-03-17T18:30:00", as
// days since 30 December 1899; nullopt for any other text.
std::optional<double> ParseIsoDate(std::string_view s) {
  if (s.size() < 19 || s[4] != '-' || s[7] != '-' || s[10] != 'T' || s[13] != ':' || s[16] != ':')
    return std::nullopt;
  auto field = [&](std::size_t at, std::size_t n) {
    int v = -1;
    const auto [end, ec] = std::from_chars(s.data() + at, s.data() + at + n, v);
    return ec == std::errc() && end == s.data() + at + n ? v : -1;
  };
  const int year = field(0, 4), month = field(5, 2), day = field(8, 2);
  const int hour = field(11, 2), minute = field(14, 2);
  const auto second = ParseDouble(s.substr(17));
  if (year < 100 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 ||
      minute < 0 || minute > 59 || !second || *second < 0 || *second >= 60)
    return std::nullopt;
  return static_cast<double>(OleDaysFromCivil(year, month, day)) +
         (hour * 3600 + minute * 60 + *second) / 86400;
}

// The root element of a part, checked for the name it must have.
pugi::xml_node Root(const pugi::xml_document& xml, const std::string& part, const char* name) {
  pugi::xml_node root = xml.document_element();
  if (std::string_view(root.name()) != name)
    throw LoadError(part, std::string("not a ") + name + " part");
  return root;
}

// Files name a connection row's extra cells by what they mean; the
// catalogue by the A to D of the older format.
std::string_view ConnectionCellName(std::string_view n) {
  if (n == "DirX") return "A";
  if (n == "DirY") return "B";
  if (n == "Type") return "C";
  if (n == "AutoGen") return "D";
  return n;
}

// Calls f for every Shape element below a Shapes element, at any depth.
// Only Shapes and Shape elements are entered: cells and text hold none.
// The walk is a loop, not a recursion: nesting in a hostile part is
// bounded only by its size.
template <class F>
void ForEachShapeElement(pugi::xml_node shapes, F&& f) {
  auto enter = [](pugi::xml_node n) {
    const std::string_view name = n.name();
    return name == "Shapes" || name == "Shape";
  };
  auto next = [&](pugi::xml_node n) {
    while (n && n != shapes) {
      for (pugi::xml_node s = n.next_sibling(); s; s = s.next_sibling()) {
        if (enter(s)) return s;
      }
      n = n.parent();
    }
    return pugi::xml_node();
  };
  pugi::xml_node n = shapes.first_child();
  while (n && !enter(n)) n = n.next_sibling();
  while (n) {
    if (std::string_view(n.name()) == "Shape") f(n);
    pugi::xml_node child;
    for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling()) {
      if (enter(c)) {
        child = c;
        break;
      }
    }
    n = child ? child : next(n);
  }
}

// The masters that shapes under `root` are instances of, at any depth.
std::vector<std::int32_t> MastersUsedIn(pugi::xml_node root) {
  std::vector<std::int32_t> out;
  ForEachShapeElement(root.child("Shapes"), [&](pugi::xml_node n) {
    if (pugi::xml_attribute m = n.attribute("Master")) out.push_back(m.as_int(-1));
  });
  return out;
}

// The rows a section element fills, in the order of their rows (those
// named twice in the order of the file): an inherited row filled here
// is stored after the ones before it, not moved in front of them.
std::vector<std::pair<std::int16_t, pugi::xml_node>> InRowOrder(
    std::vector<std::pair<std::int16_t, pugi::xml_node>> rows) {
  std::stable_sort(rows.begin(), rows.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  return rows;
}

// Where a file's row goes. A row at an index the section already has
// (inherited, or the section's first) stands over that row; rows past
// them follow one another in the order of their indices, whatever gaps
// the file leaves between those (other programs' files number them so),
// and a row named twice fills the same row. Rows are taken in index order.
class RowNumbering {
 public:
  explicit RowNumbering(std::int16_t existing) : existing_(existing), next_(existing) {}
  std::int16_t operator()(int ix) {
    if (ix < existing_) return static_cast<std::int16_t>(ix);
    if (ix != lastIx_) {
      lastIx_ = ix;
      last_ = next_ < 0x7FFF ? next_++ : next_;
    }
    return last_;
  }

 private:
  std::int16_t existing_;
  std::int16_t next_;
  int lastIx_ = -1;
  std::int16_t last_ = 0;
};

std::string RowBeyond(std::string_view section, int ix) {
  return "row IX=" + std::to_string(ix) + " of section " + std::string(section) +
         " is beyond its rows";
}

// An ID as a file stores it for a master, page or shape: 0 to 0x7FFF;
// -1 when absent or anything else.
int StoredId(pugi::xml_attribute a) {
  if (!a) return -1;
  const std::string_view v = a.value();
  int id = -1;
  auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), id);
  if (ec != std::errc() || end != v.data() + v.size() || id < 0 || id > 0x7FFF) return -1;
  return id;
}

// A marker an instance keeps for a member of its master it deletes: no
// shape at all.
bool IsDeletionMarker(pugi::xml_node shape) {
  return shape.attribute("Del").as_int() != 0;
}

// ---- the loader ----

class Loader {
 public:
  // `bytes` is the package itself when it is not read from `path`.
  Loader(Application& app, const std::string& path, std::optional<std::string_view> bytes,
         std::int16_t flags, WindowLayout* layout, const PackageLimits& limits)
      : app_(app), path_(path), bytes_(bytes), flags_(flags), layout_(layout), limits_(limits) {}

  Ref<Document> Load();
  // Where each page's and master's contents came from, for saving.
  SourcePackage& Source() { return source_; }
  // A failed load leaves nothing behind: the half-built document goes.
  void Discard() {
    if (doc_) doc_->MarkDeleted();
    doc_ = Ref<Document>();
  }

 private:
  struct MasterPart {
    Master* master = nullptr;
    std::string part;  // none for a master without shapes
    int state = 0;     // 0 not loaded, 1 loading, 2 loaded
    // Its shapes by ID, made when an instance first asks.
    std::unordered_map<std::int32_t, Shape*> byId;
    bool indexed = false;
  };
  // Geometry rows of a type the stand-in does not know are left out; rows
  // after them move up, here and in every instance that inherits them.
  using SkippedRows = std::map<int, std::vector<int>>;  // geometry IX -> file row IXs, sorted

  void ReadDocumentPart(const std::string& part);
  void ReadStyles(pugi::xml_node sheets, const std::string& part);
  void ReadProperties(const Relationships& rootRels);
  void ReadMasters(const std::string& part);
  void LoadMaster(MasterPart& mp, std::vector<std::string>& chain);
  void ReadPages(const std::string& part);
  void ReadShapes(pugi::xml_node shapes, DrawingSurface& surface, Shape* parent,
                  Master* inheritedMaster, const std::string& part, int depth);
  void ReadConnects(pugi::xml_node connects, DrawingSurface& surface);
  void ReadWindows(const std::string& part);
  void ReadSheet(pugi::xml_node node, SheetHost& host, const std::string& part,
                 SkippedRows* skipped, const SkippedRows* inheritedSkipped);
  // The cells of one row (or of a geometry section's first row).
  void LoadRowFrom(ShapeSheet& sheet, std::int16_t s, std::int16_t r, std::int16_t tag,
                   pugi::xml_node row);
  // One row of the Tabs section and its stops; false when the file
  // deletes the row.
  bool LoadTabRow(ShapeSheet& sheet, std::int16_t r, pugi::xml_node section);
  std::optional<CellValue> ValueOf(const CellAttrs& cell, CellKind kind, std::int16_t s,
                                   std::string_view name);
  std::int16_t ColorIndex(std::string_view rgb);
  CellReadContext cellContext_;
  TextPool formulas_;  // the document's formulas, each kept once
  Style* StyleOfId(const char* id) const;
  void SetStylesFrom(pugi::xml_node node, Shape& shape);

  Application& app_;
  std::string path_;
  std::optional<std::string_view> bytes_;
  std::int16_t flags_;
  WindowLayout* layout_;
  PackageLimits limits_;
  std::optional<Package> pkg_;
  SourcePackage source_;
  Ref<Document> doc_;
  std::map<std::int32_t, Style*> styles_;
  std::map<std::int32_t, MasterPart> masters_;
  std::map<std::string, std::int16_t> colorIndex_;
  std::map<const Shape*, SkippedRows> skipped_;
  std::map<int, Page*> pageById_;
  // Parts read as a page's or master's contents: each is one page's or
  // one master's, as Visio writes them.
  std::set<std::string> contentParts_;
  // The shape IDs of the part being read: those it stores, those given.
  std::unordered_set<std::int32_t> storedIds_, madeIds_;
  std::int32_t lowestFree_ = 1;
  std::int16_t NewShapeId(DrawingSurface& surface);
  Shape* MasterShapeById(Master& master, int id);
  std::size_t sheets_ = 0;  // pages and masters
  std::size_t shapes_ = 0;
  std::size_t cells_ = 0;
  void CountSheet(const std::string& part);
  void ClaimContents(const std::string& part, const std::string& by);

  // Cell names looked up once per file, not once per cell.
  struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  std::optional<CellAddress> ObjectCellOf(std::string_view name);
  std::optional<std::int16_t> ColumnOf(std::int16_t s, std::int16_t tag, std::string_view name);
  std::unordered_map<std::string, std::optional<CellAddress>, NameHash, std::equal_to<>>
      objectCells_;
  std::unordered_map<std::string, std::optional<std::int16_t>, NameHash, std::equal_to<>> columns_;
};

// An ID for a shape its file gives none: past every ID the part stores,
// as Visio gives one; past 0x7FFF, the lowest no shape has or will have.
std::int16_t Loader::NewShapeId(DrawingSurface& surface) {
  if (surface.HasFreshShapeId()) return surface.NextShapeId();
  while (lowestFree_ <= 0x7FFF && (storedIds_.count(lowestFree_) || madeIds_.count(lowestFree_)))
    ++lowestFree_;
  if (lowestFree_ > 0x7FFF) ThrowVisio(VisioErrorKind::InvalidParameter);
  return static_cast<std::int16_t>(lowestFree_++);
}

// Shapes by ID, group members included: looking each up in turn would
// make a large page cost the square of its shapes.
void IndexShapes(const std::vector<Ref<Shape>>& shapes,
                 std::unordered_map<std::int32_t, Shape*>& byId) {
  for (const auto& s : shapes) {
    byId.emplace(s->id(), s.get());
    IndexShapes(s->Children(), byId);
  }
}

Shape* Loader::MasterShapeById(Master& master, int id) {
  auto found = masters_.find(master.id());
  if (found == masters_.end() || found->second.master != &master || found->second.state != 2)
    return master.FindShape(static_cast<std::int16_t>(id));
  MasterPart& mp = found->second;
  if (!mp.indexed) {
    IndexShapes(master.TopShapes(), mp.byId);
    mp.indexed = true;
  }
  auto it = mp.byId.find(id);
  return it == mp.byId.end() ? nullptr : it->second;
}

void Loader::CountSheet(const std::string& part) {
  if (++sheets_ > limits_.pagesAndMasters) {
    throw LoadError(part, "too many pages and masters (more than " +
                              std::to_string(limits_.pagesAndMasters) + ")");
  }
}

void Loader::ClaimContents(const std::string& part, const std::string& by) {
  if (!contentParts_.insert(part).second)
    throw LoadError(part, by + " names a part another page or master already uses");
}

std::optional<CellAddress> Loader::ObjectCellOf(std::string_view name) {
  auto it = objectCells_.find(name);
  if (it == objectCells_.end()) it = objectCells_.emplace(name, FindObjectCell(name)).first;
  return it->second;
}

std::optional<std::int16_t> Loader::ColumnOf(std::int16_t s, std::int16_t tag,
                                             std::string_view name) {
  // The key: section and row type before the name.
  std::string key(4, '\0');
  std::memcpy(key.data(), &s, 2);
  std::memcpy(key.data() + 2, &tag, 2);
  key += name;
  auto it = columns_.find(key);
  if (it == columns_.end()) it = columns_.emplace(key, ColumnOfName(s, tag, name)).first;
  return it->second;
}

Ref<Document> Loader::Load() {
  pkg_ = bytes_ ? Package::FromBytes(*bytes_, limits_.unpackedBytes)
                : Package::Open(path_, limits_.unpackedBytes);
  const ContentTypes contentTypes = pkg_->ReadContentTypes();
  const auto rootRels = pkg_->RelationshipsOf("");
  const Relationship* main = rootRels.OfType(kRelDocument);
  if (!main) throw LoadError("_rels/.rels", "no Visio document part");
  if (!pkg_->Has(main->target)) throw LoadError(main->target, "missing part");

  // The main part's content type says what the file is; the name's
  // extension only when the package does not say. Only an Override names
  // a Visio type: a Default gives every .xml part the same generic one.
  std::string type = contentTypes.OverrideOf(main->target);
  if (type.empty()) type = automation::AsciiLowered(PathText(FilePath(path_).extension()));
  std::int16_t docType = visDocTypeDrawing;
  if (type.find("stencil") != std::string::npos || type.find(".vss") != std::string::npos) {
    docType = visDocTypeStencil;
  } else if (type.find("template") != std::string::npos || type.find(".vst") != std::string::npos) {
    docType = visDocTypeTemplate;
  }
  if (type.find("drawing") == std::string::npos && type.find("stencil") == std::string::npos &&
      type.find("template") == std::string::npos && type.find(".vs") == std::string::npos) {
    throw LoadError(main->target, "not a Visio document (" + type + ")");
  }

  // Visio opens a template as a new, unsaved drawing based on it, unless
  // asked to open the template itself.
  std::string fullName = path_;
  if (docType == visDocTypeTemplate && !(flags_ & visOpenRW)) {
    int n = 1;
    while (app_.FindDocument("Drawing" + std::to_string(n))) ++n;
    fullName = "Drawing" + std::to_string(n);
    docType = visDocTypeDrawing;
  }
  doc_ = app_.NewDocument(fullName, docType);
  if (fullName != path_) doc_->SetStoredValue("Template", Variant(path_));
  source_.mainPart = main->target;

  ReadDocumentPart(main->target);
  ReadProperties(rootRels);
  const auto docRels = pkg_->RelationshipsOf(main->target);
  if (const Relationship* m = docRels.OfType(kRelMasters)) ReadMasters(m->target);
  if (doc_->type() != visDocTypeStencil) {
    if (const Relationship* p = docRels.OfType(kRelPages)) ReadPages(p->target);
  }
  // The workspace: how the drawing's windows looked when it was saved. A
  // stencil opens in a window of its own whatever its file records.
  if (layout_ && doc_->type() != visDocTypeStencil) {
    if (const Relationship* w = docRels.OfType(kRelWindows); w && pkg_->Has(w->target))
      ReadWindows(w->target);
  }
  return doc_;
}

// ---- the document part ----

void Loader::ReadDocumentPart(const std::string& part) {
  auto xml = pkg_->Xml(part);
  pugi::xml_node root = Root(*xml, part, "VisioDocument");

  // The colour table: entries the file redefines or adds.
  Colors& colors = static_cast<Colors&>(doc_->Colors());
  for (pugi::xml_node e : root.child("Colors").children("ColorEntry")) {
    const int ix = e.attribute("IX").as_int(-1);
    const std::string rgb = e.attribute("RGB").value();
    unsigned value = 0;
    if (rgb.size() != 7 || rgb[0] != '#' ||
        std::from_chars(rgb.data() + 1, rgb.data() + 7, value, 16).ec != std::errc())
      continue;
    const auto r = static_cast<std::uint8_t>(value >> 16),
               g = static_cast<std::uint8_t>(value >> 8), b = static_cast<std::uint8_t>(value);
    if (ix >= 0 && ix < static_cast<int>(colors.Items().size())) {
      colors.SetColor(static_cast<std::int16_t>(ix), r, g, b);
    } else if (ix >= 0) {
      colors.AddColor(r, g, b);
    }
  }

  Fonts& fonts = static_cast<Fonts&>(doc_->Fonts());
  for (pugi::xml_node f : root.child("FaceNames").children("FaceName")) {
    std::string name = f.attribute("NameU").value();
    if (name.empty()) name = f.attribute("Name").value();
    if (name.empty()) continue;
    const int charSet = std::atoi(f.attribute("CharSets").value());
    fonts.AddFont(name, static_cast<std::int16_t>(charSet & 0xFF), 0, 0);
  }

  ReadStyles(root.child("StyleSheets"), part);

  pugi::xml_node settings = root.child("DocumentSettings");
  auto defaultStyle = [&](const char* attr, const char* member) {
    if (Style* s = StyleOfId(settings.attribute(attr).value()))
      doc_->SetStoredValue(member, Variant(s->Name()));
  };
  defaultStyle("DefaultLineStyle", "DefaultLineStyle");
  defaultStyle("DefaultFillStyle", "DefaultFillStyle");
  defaultStyle("DefaultTextStyle", "DefaultTextStyle");
  defaultStyle("DefaultGuideStyle", "DefaultGuideStyle");

  // The document's own ShapeSheet: its Document Properties cells and the
  // rows clients keep there (user cells, shape data), read as any sheet.
  if (pugi::xml_node sheet = root.child("DocumentSheet")) {
    Shape& docSheet = doc_->DocumentSheet();
    ReadSheet(sheet, docSheet, part, nullptr, nullptr);
    SetStylesFrom(sheet, docSheet);
  }
}

Style* Loader::StyleOfId(const char* id) const {
  if (!id || !*id) return nullptr;
  auto it = styles_.find(std::atoi(id));
  return it == styles_.end() ? nullptr : it->second;
}

void Loader::ReadStyles(pugi::xml_node sheets, const std::string& part) {
  std::vector<std::pair<pugi::xml_node, Style*>> list;
  for (pugi::xml_node n : sheets.children("StyleSheet")) {
    const int id = n.attribute("ID").as_int(-1);
    if (id < 0 || id > 0x7FFF) throw LoadError(part, "style sheet without a valid ID");
    std::string name = n.attribute("Name").value();
    std::string nameU = n.attribute("NameU").value();
    if (name.empty()) name = nameU;
    if (nameU.empty()) nameU = name;
    Style* style = doc_->StyleById(static_cast<std::int16_t>(id));
    if (!style) style = doc_->AddStyle(name, static_cast<std::int16_t>(id)).get();
    style->SetName(name);
    style->SetNameU(nameU);
    styles_[id] = style;
    list.emplace_back(n, style);
  }
  // Based-on styles by ID; a style that comes back to itself would make
  // every cell of it unresolvable.
  for (const char* which : {"LineStyle", "FillStyle", "TextStyle"}) {
    for (const auto& [n, style] : list) {
      std::set<int> seen{n.attribute("ID").as_int()};
      for (pugi::xml_node at = n;;) {
        const char* next = at.attribute(which).value();
        if (!*next) break;
        const int id = std::atoi(next);
        if (!seen.insert(id).second)
          throw LoadError(part, "style \"" + style->NameU() + "\" is based on itself");
        at = sheets.find_child_by_attribute("StyleSheet", "ID", next);
        if (!at) break;
      }
    }
  }
  for (const auto& [n, style] : list) {
    auto name = [this, node = n](const char* attr) {
      Style* s = StyleOfId(node.attribute(attr).value());
      return s ? s->Name() : std::string();
    };
    style->SetBasedOn(name("LineStyle"), name("FillStyle"), name("TextStyle"));
  }
  for (const auto& [n, style] : list) ReadSheet(n, *style, part, nullptr, nullptr);
}

void Loader::ReadProperties(const Relationships& rootRels) {
  auto text = [](pugi::xml_node root, const char* name) -> std::optional<std::string> {
    // Elements are matched without their namespace prefix (dc:title).
    for (pugi::xml_node c : root.children()) {
      std::string_view n = c.name();
      const std::size_t colon = n.find(':');
      if (colon != std::string_view::npos) n = n.substr(colon + 1);
      if (n == name) return std::string(c.child_value());
    }
    return std::nullopt;
  };
  if (const Relationship* core = rootRels.OfType(kRelCore); core && pkg_->Has(core->target)) {
    auto xml = pkg_->Xml(core->target);
    pugi::xml_node root = xml->document_element();
    const std::pair<const char*, const char*> fields[] = {
        {"title", "Title"},       {"subject", "Subject"},         {"creator", "Creator"},
        {"keywords", "Keywords"}, {"description", "Description"}, {"category", "Category"},
    };
    for (const auto& [element, member] : fields) {
      if (auto v = text(root, element)) doc_->SetStoredValue(member, Variant(*v));
    }
  }
  if (const Relationship* app = rootRels.OfType(kRelExtended); app && pkg_->Has(app->target)) {
    auto xml = pkg_->Xml(app->target);
    pugi::xml_node root = xml->document_element();
    for (const char* member : {"Manager", "Company"}) {
      if (auto v = text(root, member)) doc_->SetStoredValue(member, Variant(*v));
    }
    // A drawing made from a template already names the template it came
    // from; the file's own record is kept otherwise.
    if (doc_->StoredValue("Template").ToString().empty()) {
      if (auto v = text(root, "Template")) doc_->SetStoredValue("Template", Variant(*v));
    }
  }
}

// ---- masters ----

void Loader::ReadMasters(const std::string& part) {
  auto xml = pkg_->Xml(part);
  pugi::xml_node root = Root(*xml, part, "Masters");
  const auto rels = pkg_->RelationshipsOf(part);
  for (pugi::xml_node m : root.children("Master")) {
    const int id = StoredId(m.attribute("ID"));
    if (id < 0) throw LoadError(part, "master without a valid ID");
    if (masters_.count(id)) throw LoadError(part, "two masters with ID " + std::to_string(id));
    CountSheet(part);
    std::string name = m.attribute("Name").value();
    std::string nameU = m.attribute("NameU").value();
    if (name.empty()) name = nameU;
    if (nameU.empty()) nameU = name;
    Ref<Master> master = doc_->AddMaster(name, static_cast<std::int16_t>(id));
    master->SetNameU(nameU);
    master->SetPrompt(m.attribute("Prompt").value());
    if (const char* u = m.attribute("UniqueID").value(); *u) master->SetUniqueId(u);
    if (pugi::xml_node sheet = m.child("PageSheet")) {
      ReadSheet(sheet, master->Sheet(), part, nullptr, nullptr);
    }
    MasterPart& mp = masters_[id];
    mp.master = master.get();
    const char* rid = m.child("Rel").attribute("r:id").value();
    const Relationship* rel = rels.ById(rid);
    if (!*rid) continue;  // a master without shapes
    if (!rel) throw LoadError(part, "master \"" + nameU + "\" refers to a missing relationship");
    if (rel->target == part) throw LoadError(part, "master \"" + nameU + "\" refers to itself");
    ClaimContents(rel->target, "master \"" + nameU + "\"");
    mp.part = rel->target;
    source_.masterParts[static_cast<std::int16_t>(id)] = rel->target;
  }
  // A master's shapes may be instances of other masters: those load first.
  // Each master's part is parsed when it loads and let go after, so that
  // a stencil's parts are not all in memory at once.
  for (auto& [id, mp] : masters_) {
    std::vector<std::string> chain;
    LoadMaster(mp, chain);
  }
}

void Loader::LoadMaster(MasterPart& mp, std::vector<std::string>& chain) {
  if (mp.state == 2) return;
  chain.push_back(mp.master->NameU());
  if (mp.state == 1) {
    std::string path;
    for (const auto& n : chain) path += (path.empty() ? "\"" : " -> \"") + n + "\"";
    throw LoadError(mp.part, "masters refer to each other (" + path + ")");
  }
  if (chain.size() > kMaxMasterDepth)
    throw LoadError(mp.part, "masters nested too deeply (" + chain.front() + ")");
  mp.state = 1;
  if (!mp.part.empty()) {
    auto xml = pkg_->Xml(mp.part);
    pugi::xml_node root = Root(*xml, mp.part, "MasterContents");
    for (std::int32_t used : MastersUsedIn(root)) {
      auto it = masters_.find(used);
      if (it != masters_.end()) LoadMaster(it->second, chain);
    }
    ReadShapes(root.child("Shapes"), *mp.master, nullptr, nullptr, mp.part, 0);
    ReadConnects(root.child("Connects"), *mp.master);
  }
  mp.state = 2;
  chain.pop_back();
}

// ---- pages ----

void Loader::ReadPages(const std::string& part) {
  auto xml = pkg_->Xml(part);
  pugi::xml_node root = Root(*xml, part, "Pages");
  const auto rels = pkg_->RelationshipsOf(part);
  std::map<int, Page*>& byId = pageById_;
  std::vector<std::pair<Page*, int>> backPages;
  // Pages keep the IDs their file stores; one without gets an ID past all
  // of those, as Visio gives a new page.
  std::int32_t nextId = 0;
  for (pugi::xml_node p : root.children("Page")) {
    const pugi::xml_attribute a = p.attribute("ID");
    const int id = StoredId(a);
    if (a && id < 0) throw LoadError(part, "page without a valid ID");
    nextId = std::max(nextId, id + 1);
  }
  for (pugi::xml_node p : root.children("Page")) {
    std::string name = p.attribute("Name").value();
    std::string nameU = p.attribute("NameU").value();
    if (name.empty()) name = nameU;
    if (nameU.empty()) nameU = name;
    int id = StoredId(p.attribute("ID"));
    if (id < 0) {
      if (nextId > 0x7FFF) throw LoadError(part, "page without a valid ID");
      id = nextId++;
    }
    if (byId.count(id)) throw LoadError(part, "two pages with ID " + std::to_string(id));
    CountSheet(part);
    Ref<Page> page = doc_->AddPage(name, p.attribute("Background").as_int() != 0,
                                   static_cast<std::int16_t>(id));
    page->SetNameU(nameU.empty() ? page->Name() : nameU);
    byId[id] = page.get();
    if (const char* back = p.attribute("BackPage").value(); *back)
      backPages.emplace_back(page.get(), std::atoi(back));
    if (pugi::xml_node sheet = p.child("PageSheet")) {
      // Layers are objects of their own over the page sheet's rows.
      for (pugi::xml_node row : sheet.find_child_by_attribute("Section", "N", "Layer").children()) {
        if (std::string_view(row.name()) != "Row") continue;
        pugi::xml_node nameCell = row.find_child_by_attribute("Cell", "N", "Name");
        page->AddLayer(nameCell.attribute("V").value());
      }
      ReadSheet(sheet, page->Sheet(), part, nullptr, nullptr);
      SetStylesFrom(sheet, page->Sheet());
    }
    const char* rid = p.child("Rel").attribute("r:id").value();
    if (!*rid) continue;
    const Relationship* rel = rels.ById(rid);
    if (!rel) throw LoadError(part, "page \"" + nameU + "\" refers to a missing relationship");
    ClaimContents(rel->target, "page \"" + nameU + "\"");
    source_.pageParts[page->id()] = rel->target;
    auto contents = pkg_->Xml(rel->target);
    pugi::xml_node pc = Root(*contents, rel->target, "PageContents");
    ReadShapes(pc.child("Shapes"), *page, nullptr, nullptr, rel->target, 0);
    ReadConnects(pc.child("Connects"), *page);
  }
  for (const auto& [page, id] : backPages) {
    auto it = byId.find(id);
    if (it != byId.end() && it->second != page) page->SetBackPage(it->second);
  }
}

// ---- windows ----

void Loader::ReadWindows(const std::string& part) {
  auto xml = pkg_->Xml(part);
  pugi::xml_node root = Root(*xml, part, "Windows");
  // visWSActive in a window's WindowState.
  constexpr unsigned kActive = 0x4000000;
  std::vector<SavedWindow> drawings;
  std::vector<std::pair<int, SavedWindow>> stencils;  // place in the docked group, window
  // Visio keeps a handful of windows; a file that lists thousands is not
  // one to honour, each stencil window costing a search for its file.
  constexpr std::size_t kMaxWindows = 256;
  for (pugi::xml_node w : root.children("Window")) {
    if (drawings.size() + stencils.size() >= kMaxWindows) break;
    SavedWindow s;
    s.id = w.attribute("ID").as_int(-1);
    const std::string_view type = w.attribute("WindowType").value();
    if (type == "Drawing") {
      // Master, ShapeSheet and icon editing windows are not modelled.
      const std::string_view container = w.attribute("ContainerType").value();
      if (!container.empty() && container != "Page") continue;
      s.type = visDrawing;
      s.active = (w.attribute("WindowState").as_uint() & kActive) != 0;
      auto page = pageById_.find(w.attribute("Page").as_int(-1));
      if (page != pageById_.end()) s.page = page->second;
      // -1 asks for the whole page in the window; the stand-in has no
      // screen to fit it to and keeps what the file says.
      const double zoom = ParseDouble(w.attribute("ViewScale").value()).value_or(0);
      if (std::isfinite(zoom) && (zoom == -1 || (zoom > 0 && zoom <= 100))) s.zoom = zoom;
      static const std::pair<const char*, const char*> kFlags[] = {
          {"ShowRulers", "ShowRulers"},
          {"ShowGrid", "ShowGrid"},
          {"ShowPageBreaks", "ShowPageBreaks"},
          {"ShowGuides", "ShowGuides"},
          {"ShowConnectionPoints", "ShowConnectPoints"},
      };
      for (const auto& [element, member] : kFlags) {
        if (pugi::xml_node n = w.child(element))
          s.show.emplace_back(member, n.text().as_int() != 0);
      }
      drawings.push_back(std::move(s));
    } else if (type == "Stencil") {
      s.type = visStencil;
      s.document = w.attribute("Document").value();
      s.parent = w.attribute("ParentWindow").as_int(-1);
      stencils.emplace_back(w.child("StencilGroupPos").text().as_int(0), std::move(s));
    }
  }
  // Docked stencils in the order the drawing window shows them.
  std::stable_sort(stencils.begin(), stencils.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  layout_->windows = std::move(drawings);
  for (auto& [pos, s] : stencils) layout_->windows.push_back(std::move(s));
}

// ---- shapes ----

// Shape.ForeignType of a foreign shape, from its ForeignData element: an
// OLE object's file records the flags themselves (ObjectType, 0x8200 for
// an embedded OLE 2 object), a picture its kind.
std::int16_t ForeignTypeOf(pugi::xml_node foreign) {
  const std::string_view kind = foreign.attribute("ForeignType").value();
  if (kind == "Object") {
    const std::string_view v = foreign.attribute("ObjectType").value();
    std::uint32_t flags = 0;
    auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), flags);
    if (ec != std::errc() || end != v.data() + v.size() || flags > 0xFFFF)
      flags = static_cast<std::uint32_t>(visTypeIsOLE2);
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(flags));
  }
  if (kind == "Bitmap") return visTypeBitmap;
  if (kind == "Ink") return visTypeInk;
  return visTypeMetafile;  // MetaFile, EnhMetaFile
}

void Loader::SetStylesFrom(pugi::xml_node node, Shape& shape) {
  auto name = [&](const char* attr) {
    Style* s = StyleOfId(node.attribute(attr).value());
    return s ? s->Name() : std::string();
  };
  shape.SetStyles(name("LineStyle"), name("FillStyle"), name("TextStyle"));
}

void Loader::ReadShapes(pugi::xml_node shapes, DrawingSurface& surface, Shape* parent,
                        Master* inheritedMaster, const std::string& part, int depth) {
  if (depth > kMaxGroupDepth) throw LoadError(part, "groups nested too deeply");
  // Shapes without an ID of their own get one past every ID the part
  // stores, so none is known before a new one is given.
  if (depth == 0) {
    storedIds_.clear();
    madeIds_.clear();
    lowestFree_ = 1;
    ForEachShapeElement(shapes, [&](pugi::xml_node n) {
      const int id = StoredId(n.attribute("ID"));
      if (id > 0 && !IsDeletionMarker(n)) {
        surface.NoteShapeId(static_cast<std::int16_t>(id));
        storedIds_.insert(id);
      }
    });
  }
  for (pugi::xml_node n : shapes.children("Shape")) {
    // A member of the master the instance deletes: that member is simply
    // absent. The marker's ID (often -1) is none of the shapes'.
    if (IsDeletionMarker(n)) continue;
    // Visio writes an ID it has not yet given as -1 (as 4294967295); such
    // a shape takes the next free ID, as it does when Visio loads it.
    const std::string_view fileId = n.attribute("ID").value();
    int id = StoredId(n.attribute("ID"));
    if (id == 0 || (id < 0 && !fileId.empty() && fileId != "-1" && fileId != "4294967295"))
      throw LoadError(part, "shape without a valid ID");
    if (++shapes_ > limits_.shapes)
      throw LoadError(part, "too many shapes (more than " + std::to_string(limits_.shapes) + ")");
    if (id < 0) {
      if (madeIds_.size() >= kMaxShapesPerSheet) {
        throw LoadError(part, "too many shapes on one page or master (more than " +
                                  std::to_string(kMaxShapesPerSheet) + ")");
      }
      id = NewShapeId(surface);
    }
    if (!madeIds_.insert(id).second)
      throw LoadError(part, "two shapes with ID " + std::to_string(id));

    // The master: the shape's own, or for a sub-shape of an instance the
    // one its group is an instance of.
    Master* master = inheritedMaster;
    if (const char* m = n.attribute("Master").value(); *m) {
      auto it = masters_.find(std::atoi(m));
      if (it == masters_.end())
        throw LoadError(part, "shape " + std::to_string(id) + " refers to a missing master");
      master = it->second.master;
    }
    Shape* masterShape = nullptr;
    if (master) {
      if (const char* ms = n.attribute("MasterShape").value(); *ms) {
        masterShape = MasterShapeById(*master, std::atoi(ms));
      } else if (n.attribute("Master") && !master->TopShapes().empty()) {
        masterShape = master->TopShapes().front().get();
      }
    }

    std::int16_t type = masterShape ? masterShape->type() : static_cast<std::int16_t>(visTypeShape);
    if (const char* t = n.attribute("Type").value(); *t) type = TypeOfName(t);
    auto shape = MakeRef<Shape>(surface, parent, static_cast<std::int16_t>(id), type);
    if (parent) {
      parent->AdoptChild(shape);
    } else {
      surface.MutableTopShapes().push_back(shape);
    }
    std::string name = n.attribute("Name").value();
    std::string nameU = n.attribute("NameU").value();
    if (name.empty()) name = nameU;
    if (nameU.empty()) nameU = name;
    if (nameU.empty()) nameU = name = shape->NameID();
    shape->SetName(name);
    shape->SetNameU(nameU);
    if (master) shape->SetMaster(master, masterShape ? masterShape->id() : -1);
    SetStylesFrom(n, *shape);
    if (pugi::xml_node foreign = n.child("ForeignData"); foreign && type == visTypeForeignObject) {
      shape->SetForeign(ForeignTypeOf(foreign), "", "");
    } else if (masterShape && masterShape->type() == visTypeForeignObject &&
               shape->type() == visTypeForeignObject) {
      shape->SetForeign(masterShape->ForeignType(), masterShape->ProgId(), masterShape->ClassId());
    }
    const bool oneD =
        n.find_child_by_attribute("Cell", "N", "BeginX") || (masterShape && masterShape->IsOneD());
    shape->SetOneD(oneD);

    const SkippedRows* inherited = nullptr;
    if (masterShape) {
      auto it = skipped_.find(masterShape);
      if (it != skipped_.end()) inherited = &it->second;
    }
    SkippedRows skipped;
    ReadSheet(n, *shape, part, &skipped, inherited);
    if (!skipped.empty()) skipped_[shape.get()] = std::move(skipped);

    if (pugi::xml_node text = n.child("Text")) {
      ReadTextElement(text, shape->Text(), shape->Sheet());
    } else if (masterShape) {
      shape->Text().CopyFrom(masterShape->Text());
    }
    ReadShapes(n.child("Shapes"), surface, shape.get(), master, part, depth + 1);
  }
}

void Loader::ReadConnects(pugi::xml_node connects, DrawingSurface& surface) {
  if (!connects.first_child()) return;
  std::unordered_map<std::int32_t, Shape*> byId;
  IndexShapes(surface.TopShapes(), byId);
  auto find = [&](pugi::xml_attribute a) -> Shape* {
    auto it = byId.find(a.as_int());
    return it == byId.end() ? nullptr : it->second;
  };
  for (pugi::xml_node c : connects.children("Connect")) {
    Shape* from = find(c.attribute("FromSheet"));
    Shape* to = find(c.attribute("ToSheet"));
    if (!from || !to) continue;  // a connect to a shape that is gone: Visio drops it too
    auto address = [](Shape& shape, const char* name) {
      CellAddress a{visSectionObject, 0, 0};
      if (!*name) return a;
      try {
        if (auto found = shape.Sheet().FindCell(name)) a = *found;
      } catch (const automation::AutomationError&) {
        // A name the sheet does not know: the connect still stands.
      }
      return a;
    };
    const CellAddress fa = address(*from, c.attribute("FromCell").value());
    const CellAddress ta = address(*to, c.attribute("ToCell").value());
    surface.AddConnect({Ref<Shape>(from), fa.section, fa.row, fa.column,
                        static_cast<std::int16_t>(c.attribute("FromPart").as_int()), Ref<Shape>(to),
                        ta.section, ta.row, ta.column,
                        static_cast<std::int16_t>(c.attribute("ToPart").as_int())});
  }
}

// ---- cells ----

std::int16_t Loader::ColorIndex(std::string_view rgb) {
  auto it = colorIndex_.find(std::string(rgb));
  if (it != colorIndex_.end()) return it->second;
  unsigned value = 0;
  std::from_chars(rgb.data() + 1, rgb.data() + rgb.size(), value, 16);
  const auto r = static_cast<std::uint8_t>(value >> 16), g = static_cast<std::uint8_t>(value >> 8),
             b = static_cast<std::uint8_t>(value);
  Colors& colors = static_cast<Colors&>(doc_->Colors());
  std::int16_t index = -1;
  // Visio's colour index of an RGB value is the entry that holds it, or a
  // new entry after the table.
  for (const auto& c : colors.Items()) {
    if (c->Red() == r && c->Green() == g && c->Blue() == b) {
      index = colors.IndexOf(*c);
      break;
    }
  }
  if (index < 0) index = colors.AddColor(r, g, b);
  colorIndex_[std::string(rgb)] = index;
  return index;
}

std::optional<CellValue> Loader::ValueOf(const CellAttrs& cell, CellKind kind, std::int16_t s,
                                         std::string_view name) {
  if (std::string_view(cell.f.value()) == "Inh" && !cell.v) return std::nullopt;
  if (++cells_ > limits_.cells)
    throw LoadError("package", "too many cells (more than " + std::to_string(limits_.cells) + ")");
  if (!cellContext_.colorIndex) {
    cellContext_.colorIndex = [this](std::string_view rgb) { return ColorIndex(rgb); };
    cellContext_.formulas = &formulas_;
    cellContext_.fontId = [this](std::string_view v) -> std::int16_t {
      Fonts& fonts = static_cast<Fonts&>(doc_->Fonts());
      Font* font = fonts.FindByName(std::string(v));
      if (!font && v != "Themed") font = &fonts.AddFont(std::string(v), 0, 0, 0);
      return font ? font->Id() : 0;
    };
  }
  return ReadCellValue(cell, kind, s, name, cellContext_);
}

void Loader::LoadRowFrom(ShapeSheet& sheet, std::int16_t s, std::int16_t r, std::int16_t tag,
                         pugi::xml_node row) {
  std::vector<std::pair<std::int16_t, CellValue>> cells;
  cells.reserve(static_cast<std::size_t>(
      std::distance(row.children("Cell").begin(), row.children("Cell").end())));
  for (pugi::xml_node c : row.children("Cell")) {
    const CellAttrs cell = ReadCellAttrs(c);
    std::string_view name = cell.n.value();
    if (s == visSectionConnectionPts) name = ConnectionCellName(name);
    const auto column = ColumnOf(s, tag, name);
    if (!column) continue;  // a cell the catalogue does not know
    const CellDef* def = FindRowCell(s, tag, *column);
    if (!def) continue;
    if (auto value = ValueOf(cell, def->kind, s, name))
      cells.emplace_back(*column, std::move(*value));
  }
  sheet.LoadCells(s, r, std::move(cells));
}

// Files keep the Tabs section as one Section element per row, its IX the
// row (left out for row 0), and in it a Row element per tab stop (IX: the
// stop's place in the row) with the stop's Position and Alignment. A row
// without stops is written as one Row element without cells.
//
// A row takes the smallest type that holds its stops (visTagTab0 for none,
// visTagTab2 up to three, visTagTab10 up to ten), or the type it inherits
// if that is larger; stops beyond the tenth have no cells in any type and
// are left out. Stops the file gives beyond the ones inherited make the
// count of stops the row's own.
bool Loader::LoadTabRow(ShapeSheet& sheet, std::int16_t r, pugi::xml_node section) {
  if (section.attribute("Del").as_int() != 0) return false;
  struct StopCell {
    std::int16_t column;
    CellAttrs attrs;
  };
  std::vector<StopCell> found;
  int stops = 0;
  for (pugi::xml_node row : section.children("Row")) {
    const int k = row.attribute("IX").as_int(-1);
    if (k < 0 || k >= kMaxTabStops || row.attribute("Del").as_int() != 0) continue;
    bool any = false;
    for (pugi::xml_node c : row.children("Cell")) {
      const CellAttrs cell = ReadCellAttrs(c);
      const std::string_view name = cell.n.value();
      const int offset = name == "Position" ? visTabPos : name == "Alignment" ? visTabAlign : -1;
      if (offset < 0) continue;
      found.push_back({static_cast<std::int16_t>(3 * k + offset), cell});
      any = true;
    }
    if (any) stops = std::max(stops, k + 1);
  }
  const std::int16_t inheritedTag = sheet.RowType(visSectionTab, r);
  const int inheritedStops =
      TabStopsOf(inheritedTag) > 0
          ? static_cast<int>(sheet.ResultIU(visSectionTab, r, visTabStopCount))
          : 0;
  if (TabStopsOf(TabRowTypeFor(stops)) > TabStopsOf(inheritedTag))
    sheet.SetRowType(visSectionTab, r, TabRowTypeFor(stops));
  sheet.LoadRow(visSectionTab, r);
  const std::int16_t tag = sheet.RowType(visSectionTab, r);
  std::vector<std::pair<std::int16_t, CellValue>> cells;
  if (stops > inheritedStops) {
    CellValue count;
    count.formula = std::to_string(stops);
    count.result = stops;
    cells.emplace_back(visTabStopCount, std::move(count));
  }
  for (const StopCell& sc : found) {
    const CellDef* def = FindRowCell(visSectionTab, tag, sc.column);
    if (!def) continue;
    if (auto value = ValueOf(sc.attrs, def->kind, visSectionTab, def->name))
      cells.emplace_back(sc.column, std::move(*value));
  }
  sheet.LoadCells(visSectionTab, r, std::move(cells));
  return true;
}

void Loader::ReadSheet(pugi::xml_node node, SheetHost& host, const std::string& part,
                       SkippedRows* skipped, const SkippedRows* inheritedSkipped) {
  ShapeSheet& sheet = host.Sheet();
  // Rows are added and filled one by one: the sheet keeps what it knows of
  // a section's rows between the calls instead of working it out anew.
  const ShapeSheet::Batch batch;
  // Cells directly under the sheet are the Object section's, stored a
  // row at a time.
  std::map<std::int16_t, std::vector<std::pair<std::int16_t, CellValue>>> objectRows;
  for (pugi::xml_node c : node.children("Cell")) {
    const CellAttrs cell = ReadCellAttrs(c);
    const std::string_view name = cell.n.value();
    const auto at = ObjectCellOf(name);
    if (!at) continue;
    const CellDef* def = FindRowCell(visSectionObject, at->row, at->column);
    if (!def) continue;
    auto value = ValueOf(cell, def->kind, visSectionObject, name);
    if (!value) continue;
    objectRows[at->row].emplace_back(at->column, std::move(*value));
  }
  for (auto& [row, cells] : objectRows) {
    if (!sheet.RowExists(visSectionObject, row, false)) {
      try {
        sheet.AddRow(visSectionObject, row, 0);
      } catch (const automation::AutomationError&) {
        continue;  // a row this kind of sheet cannot have
      }
    }
    sheet.LoadCells(visSectionObject, row, std::move(cells));
  }

  struct Deletion {
    std::int16_t section;
    std::int16_t row;  // -1: the whole section
  };
  std::vector<Deletion> deletions;
  int tabSections = -1;  // counted when the first is met

  for (pugi::xml_node sec : node.children("Section")) {
    const std::string_view sname = sec.attribute("N").value();
    if (sname == "Geometry") {
      const int ix = sec.attribute("IX").as_int(-1);
      if (ix < 0 || ix >= visSectionLastComponent - visSectionFirstComponent)
        throw LoadError(part, "geometry section with a bad index");
      while (sheet.GeometryCount() <= ix) sheet.AddSection(visSectionFirstComponent);
      const auto s = static_cast<std::int16_t>(visSectionFirstComponent + ix);
      if (sheet.RowCount(s) == 0) sheet.AddRow(s, visRowLast, visTagComponent);
      if (sec.attribute("Del").as_int() != 0) {
        deletions.push_back({s, -1});
        continue;
      }
      LoadRowFrom(sheet, s, visRowComponent, visTagComponent, sec);
      // Rows the catalogue has no type for are left out, and so are the
      // rows of an instance that stand over them.
      std::vector<int> skip;
      if (inheritedSkipped) {
        auto it = inheritedSkipped->find(ix);
        if (it != inheritedSkipped->end()) skip = it->second;
      }
      for (pugi::xml_node row : sec.children("Row")) {
        const char* t = row.attribute("T").value();
        if (*t && !GeometryTagOf(t)) skip.push_back(row.attribute("IX").as_int(-1));
      }
      // Sorted, so that each row finds how many before it are left out
      // with a search, not a count.
      std::sort(skip.begin(), skip.end());
      skip.erase(std::unique(skip.begin(), skip.end()), skip.end());
      if (skipped && !skip.empty()) (*skipped)[ix] = skip;
      // Rows are counted here as they are added: asking the sheet costs
      // a pass over the section each time.
      std::int16_t count = sheet.RowCount(s);
      std::vector<std::pair<int, pugi::xml_node>> listed;
      for (pugi::xml_node row : sec.children("Row")) {
        const int fileIx = row.attribute("IX").as_int(-1);
        const auto at = std::lower_bound(skip.begin(), skip.end(), fileIx);
        if (fileIx < 1 || (at != skip.end() && *at == fileIx)) continue;
        listed.emplace_back(fileIx - static_cast<int>(at - skip.begin()), row);
      }
      std::stable_sort(listed.begin(), listed.end(),
                       [](const auto& a, const auto& b) { return a.first < b.first; });
      std::vector<std::pair<std::int16_t, pugi::xml_node>> filled;
      RowNumbering number(count);
      for (const auto& [fileRow, row] : listed) {
        const std::int16_t r = number(fileRow);
        const char* t = row.attribute("T").value();
        const std::int16_t tag = *t ? *GeometryTagOf(t) : visTagLineTo;
        while (count <= r)
          count = static_cast<std::int16_t>(sheet.AddRow(s, visRowLast, *t ? tag : 0) + 1);
        if (row.attribute("Del").as_int() != 0) {
          deletions.push_back({s, r});
          continue;
        }
        filled.emplace_back(r, row);
      }
      for (const auto& [r, row] : InRowOrder(std::move(filled))) {
        const char* t = row.attribute("T").value();
        std::int16_t rowTag = sheet.RowType(s, r);
        if (*t && rowTag != *GeometryTagOf(t)) {
          rowTag = *GeometryTagOf(t);
          sheet.SetRowType(s, r, rowTag);
        }
        LoadRowFrom(sheet, s, r, rowTag, row);
      }
      continue;
    }

    if (sname == "Tabs") {
      const int ix = sec.attribute("IX").as_int(0);
      if (ix < 0) continue;
      if (!sheet.SectionExists(visSectionTab, false)) sheet.AddSection(visSectionTab);
      std::int16_t count = sheet.RowCount(visSectionTab);
      // Each row is a section element of its own: the limit counts those.
      if (tabSections < 0) {
        tabSections = 0;
        for (pugi::xml_node other : node.children("Section"))
          tabSections += std::string_view(other.attribute("N").value()) == "Tabs";
      }
      if (ix >= std::min(count + tabSections + 1, 0x7FFF))
        throw LoadError(part, RowBeyond(sname, ix));
      const auto r = static_cast<std::int16_t>(ix);
      while (count <= r)
        count = static_cast<std::int16_t>(sheet.AddRow(visSectionTab, visRowLast, 0) + 1);
      if (!LoadTabRow(sheet, r, sec)) deletions.push_back({visSectionTab, r});
      continue;
    }

    const auto s = SectionOfName(sname);
    if (!s) continue;  // a section the catalogue does not know
    if (sec.attribute("Del").as_int() != 0) {
      deletions.push_back({*s, -1});
      continue;
    }
    if (!sheet.SectionExists(*s, false)) sheet.AddSection(*s);
    std::int16_t count = sheet.RowCount(*s);
    // Rows without names by index: where each goes, worked out in index
    // order before any is added.
    std::vector<std::pair<int, std::int16_t>> places;
    for (pugi::xml_node row : sec.children("Row")) {
      const int ix = row.attribute("IX").as_int(-1);
      if (!*row.attribute("N").value() && ix >= 0) places.emplace_back(ix, 0);
    }
    std::sort(places.begin(), places.end());
    RowNumbering number(count);
    for (auto& [ix, r] : places) r = number(ix);
    std::vector<std::pair<std::int16_t, pugi::xml_node>> filled;
    for (pugi::xml_node row : sec.children("Row")) {
      const char* rowName = row.attribute("N").value();
      std::int16_t tag = 0;
      if (*s == visSectionConnectionPts) {
        const bool abcd = row.find_child_by_attribute("Cell", "N", "DirX") ||
                          row.find_child_by_attribute("Cell", "N", "Type");
        tag = *rowName ? (abcd ? visTagCnnctNamedABCD : visTagCnnctNamed)
                       : (abcd ? visTagCnnctPtABCD : visTagCnnctPt);
      }
      std::int16_t r = -1;
      if (*rowName) {
        if (auto found = sheet.RowIndexByName(*s, rowName)) {
          r = *found;
        } else {
          try {
            r = sheet.AddNamedRow(*s, rowName, tag);
            count = static_cast<std::int16_t>(r + 1);
          } catch (const automation::AutomationError&) {
            continue;  // a name Visio would not take
          }
        }
      } else {
        const int ix = row.attribute("IX").as_int(-1);
        if (ix < 0) continue;
        r = std::lower_bound(places.begin(), places.end(), std::make_pair(ix, std::int16_t{0}))
                ->second;
        while (count <= r) count = static_cast<std::int16_t>(sheet.AddRow(*s, visRowLast, tag) + 1);
      }
      if (row.attribute("Del").as_int() != 0) {
        deletions.push_back({*s, r});
        continue;
      }
      filled.emplace_back(r, row);
    }
    for (const auto& [r, row] : InRowOrder(std::move(filled)))
      LoadRowFrom(sheet, *s, r, sheet.RowType(*s, r), row);
  }
  // Rows go from the highest down, so that the indices of the others hold.
  std::stable_sort(deletions.begin(), deletions.end(), [](const Deletion& a, const Deletion& b) {
    return a.section != b.section ? a.section > b.section : a.row > b.row;
  });
  for (std::size_t i = 0; i < deletions.size();) {
    const std::int16_t s = deletions[i].section;
    // A section's rows go together, in one pass however many they are.
    std::vector<std::int16_t> rows;
    for (; i < deletions.size() && deletions[i].section == s && deletions[i].row >= 0; ++i)
      rows.push_back(deletions[i].row);
    const bool whole = i < deletions.size() && deletions[i].section == s;
    if (whole) ++i;
    try {
      if (!rows.empty()) sheet.DeleteRows(s, std::move(rows));
      if (whole) sheet.DeleteSection(s);
    } catch (const automation::AutomationError&) {
      // Nothing there to delete: the file deletes what it never had.
    }
  }
  sheet.Compact();
}

// ---- what the file is, before it is opened as a package ----

std::optional<std::string> Unsupported(std::string_view h) {
  const std::size_t n = h.size();
  if (n >= 8 && h == std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8))
    return "a binary Visio file (.vsd), which is not supported";
  std::size_t i = 0;
  if (h.substr(0, 3) == "\xEF\xBB\xBF") i = 3;
  while (i < n && (h[i] == ' ' || h[i] == '\n' || h[i] == '\r' || h[i] == '\t')) ++i;
  if (i < n && h[i] == '<') return "a Visio XML file (.vdx), which is not supported";
  return std::nullopt;
}

std::string HeadOf(const std::string& path) {
  std::ifstream in(FilePath(path), std::ios::binary);
  char head[8] = {};
  in.read(head, sizeof head);
  return std::string(head, static_cast<std::size_t>(in.gcount()));
}

[[noreturn]] void Fail(const std::string& path, const std::string& where,
                       const std::string& problem) {
  ThrowVisio(VisioErrorKind::BadFile,
             "The file \"" + path + "\" cannot be opened: " + where + ": " + problem + ".");
}

// The file's bytes, kept with the document for saving; a file larger
// than all its parts may unpack to is no package of ours.
std::shared_ptr<const std::string> ReadFileBytes(const std::string& path,
                                                 const PackageLimits& limits) {
  std::ifstream in(FilePath(path), std::ios::binary | std::ios::ate);
  if (!in) Fail(path, "package", "cannot be read");
  const std::streamoff size = in.tellg();
  if (size < 0 || static_cast<std::uint64_t>(size) > limits.unpackedBytes)
    Fail(path, "package", "larger than " + std::to_string(limits.unpackedBytes) + " bytes");
  auto bytes = std::make_shared<std::string>(static_cast<std::size_t>(size), '\0');
  in.seekg(0);
  if (!in.read(bytes->data(), size)) Fail(path, "package", "cannot be read");
  return bytes;
}

Ref<Document> Open(Application& app, const std::string& path, std::optional<std::string_view> given,
                   std::int16_t flags, WindowLayout* layout,
                   const PackageLimits& limits = PackageLimits()) {
  if (auto why = Unsupported(given ? given->substr(0, 8) : HeadOf(path)))
    Fail(path, "package", *why);
  std::shared_ptr<const std::string> bytes =
      given ? std::make_shared<const std::string>(*given) : ReadFileBytes(path, limits);
  Loader loader(app, path, std::string_view(*bytes), flags, layout, limits);
  try {
    Ref<Document> doc = loader.Load();
    loader.Source().bytes = std::move(bytes);
    doc->SetSource(std::make_shared<const SourcePackage>(std::move(loader.Source())));
    return doc;
  } catch (...) {
    loader.Discard();
    if (layout) layout->windows.clear();
    try {
      throw;
    } catch (const LoadError& e) {
      Fail(path, e.where, e.what());
    } catch (const automation::AutomationError& e) {
      // The model refused something the file holds.
      std::string what = e.what();
      while (!what.empty() && what.front() == '\n') what.erase(0, 1);
      if (!what.empty() && what.back() == '.') what.pop_back();
      Fail(path, "package", what);
    } catch (const std::bad_alloc&) {
      Fail(path, "package", "out of memory");
    } catch (const std::exception& e) {
      Fail(path, "package", e.what());
    }
  }
}

}  // namespace

// ---- shape types, sections and row types as files name them ----

std::int16_t TypeOfName(std::string_view t) {
  if (t == "Group") return visTypeGroup;
  if (t == "Guide") return visTypeGuide;
  if (t == "Foreign") return visTypeForeignObject;
  return visTypeShape;
}

const char* TypeFileName(std::int16_t type) {
  for (const char* name : {"Group", "Guide", "Foreign"}) {
    if (TypeOfName(name) == type) return name;
  }
  return "Shape";
}

namespace {
const std::map<std::string_view, std::int16_t> kSections = {
    {"Character", visSectionCharacter},
    {"Paragraph", visSectionParagraph},
    {"Scratch", visSectionScratch},
    {"Connection", visSectionConnectionPts},
    {"Field", visSectionTextField},
    {"Control", visSectionControls},
    {"Actions", visSectionAction},
    {"Layer", visSectionLayer},
    {"User", visSectionUser},
    {"Property", visSectionProp},
    {"Hyperlink", visSectionHyperlink},
    {"Reviewer", visSectionReviewer},
    {"Annotation", visSectionAnnotation},
    {"ActionTag", visSectionSmartTag},
    {"LineGradient", visSectionLineGradientStops},
    {"FillGradient", visSectionFillGradientStops},
};
const std::map<std::string_view, std::int16_t> kGeometryTags = {
    {"MoveTo", visTagMoveTo},
    {"LineTo", visTagLineTo},
    {"ArcTo", visTagArcTo},
    {"InfiniteLine", visTagInfiniteLine},
    {"Ellipse", visTagEllipse},
    {"EllipticalArcTo", visTagEllipticalArcTo},
    {"SplineStart", visTagSplineBeg},
    {"SplineKnot", visTagSplineSpan},
    {"PolylineTo", visTagPolylineTo},
    {"NURBSTo", visTagNURBSTo},
    {"RelCubBezTo", visTagRelCubBezTo},
    {"RelQuadBezTo", visTagRelQuadBezTo},
    {"RelMoveTo", visTagRelMoveTo},
    {"RelLineTo", visTagRelLineTo},
    {"RelEllipticalArcTo", visTagRelEllipticalArcTo},
};
}  // namespace

std::optional<std::int16_t> SectionOfName(std::string_view n) {
  auto it = kSections.find(n);
  if (it == kSections.end()) return std::nullopt;
  return it->second;
}

const char* SectionFileName(std::int16_t s) {
  for (const auto& [name, index] : kSections) {
    if (index == s) return name.data();
  }
  return nullptr;
}

// Geometry row types by the names files give them. A type this list does
// not know (none today) is left out with its rows, see SkippedRows.
std::optional<std::int16_t> GeometryTagOf(std::string_view t) {
  auto it = kGeometryTags.find(t);
  if (it == kGeometryTags.end()) return std::nullopt;
  return it->second;
}

const char* GeometryTagFileName(std::int16_t tag) {
  for (const auto& [name, t] : kGeometryTags) {
    if (t == tag) return name.data();
  }
  return nullptr;
}

// ---- reading one element as the loader does ----

CellAttrs ReadCellAttrs(pugi::xml_node cell) {
  CellAttrs out;
  for (pugi::xml_attribute a : cell.attributes()) {
    const char* n = a.name();
    if (!n[0] || n[1]) continue;
    if (n[0] == 'N' && !out.n) {
      out.n = a;
    } else if (n[0] == 'F' && !out.f) {
      out.f = a;
    } else if (n[0] == 'V' && !out.v) {
      out.v = a;
    } else if (n[0] == 'U' && !out.u) {
      out.u = a;
    }
  }
  return out;
}

std::optional<CellValue> ReadCellValue(const CellAttrs& cell, CellKind kind, std::int16_t s,
                                       std::string_view name, const CellReadContext& context) {
  const std::string_view formula = cell.f.value();
  // F="Inh": the formula is inherited. A value the file gives is still the
  // shape's own result, kept for when that formula cannot be computed here
  // (it refers to other sheets); without one, inheritance supplies it all.
  const bool inherited = formula == "Inh";
  if (inherited && !cell.v) return std::nullopt;
  const std::string_view v = cell.v.value();
  const std::string_view u = cell.u.value();
  CellValue out;
  out.inheritedFormula = inherited;
  const bool noFormula = formula == "No Formula" || inherited;
  const bool hasFormula = cell.f && !noFormula;
  if (hasFormula)
    out.formula =
        context.formulas ? context.formulas->Intern(formula) : CompactText(std::string(formula));
  // A value without a formula is its own formula, written when asked.
  out.constant = !hasFormula && !noFormula;

  std::optional<double> number = ParseDouble(v);
  if (!number && u == "DATE" && kind == CellKind::Number) number = ParseIsoDate(v);
  const bool isColor = v.size() == 7 && v[0] == '#';
  if (kind == CellKind::String || u == "STR" ||
      (!number && !v.empty() && !isColor && kind != CellKind::Bool)) {
    out.isString = true;
    out.text = std::string(v);
    out.unit = visNoCast;
    // A font named in a character row is the font's ID to Visio.
    if (s == visSectionCharacter && name == "Font" && !v.empty()) {
      out.isString = false;
      out.text.clear();
      out.unit = visNumber;
      out.result = context.fontId(v);
    }
    return out;
  }
  if (isColor) {
    out.result = context.colorIndex(v);
    out.unit = visNumber;
    if (out.constant) {
      out.constant = false;  // the formula names the colour, not its index
      unsigned value = 0;
      std::from_chars(v.data() + 1, v.data() + 7, value, 16);
      out.formula = "RGB(" + std::to_string((value >> 16) & 0xFF) + "," +
                    std::to_string((value >> 8) & 0xFF) + "," + std::to_string(value & 0xFF) + ")";
    }
    return out;
  }
  out.result = number.value_or(0);
  if (kind == CellKind::Bool) {
    out.isBool = true;
    return out;
  }
  std::int16_t unit = visNumber;
  if (kind == CellKind::Length) unit = visInches;
  if (kind == CellKind::Angle) unit = visDegrees;
  if (!u.empty()) {
    if (auto known = UnitFromName(u)) {
      if (DimensionOf(*known) == DimensionOf(unit) || kind == CellKind::Number) unit = *known;
    } else if (u == "DATE" && kind == CellKind::Number) {
      unit = visDate;  // a date has no unit name in formulas
    }
  }
  out.unit = unit;
  return out;
}

// ---- text ----

void ReadTextElement(pugi::xml_node text, ShapeText& t, const ShapeSheet& sheet) {
  t.SetText("");
  struct Mark {
    std::int32_t pos;
    std::int16_t row;
  };
  std::vector<Mark> marks[3];
  for (pugi::xml_node c : text.children()) {
    const std::string_view name = c.name();
    const std::int32_t end = t.CharCount();
    if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata) {
      t.Replace(end, end, c.value());
    } else if (name == "cp" || name == "pp" || name == "tp") {
      const std::size_t k = name == "cp" ? 0 : name == "pp" ? 1 : 2;
      marks[k].push_back({end, static_cast<std::int16_t>(c.attribute("IX").as_int())});
    } else if (name == "fld") {
      TextField field;
      field.value = c.child_value();
      const std::int16_t row = static_cast<std::int16_t>(c.attribute("IX").as_int());
      try {
        if (row >= 0 && row < sheet.RowCount(visSectionTextField)) {
          field.formula = sheet.Formula(visSectionTextField, row, visFieldCell);
          field.row = row;
        }
      } catch (const automation::AutomationError&) {
      }
      t.InsertField(end, end, std::move(field));
    }
  }
  // Visio ends the last paragraph of a text with a line break in the file;
  // the shape's text does not include it.
  const std::int32_t count = t.CharCount();
  if (count > 0 && t.Text(count - 1, count) == "\n") t.Replace(count - 1, count, "");
  const std::int32_t total = t.CharCount();
  const ShapeText::RunKind kinds[3] = {ShapeText::RunKind::Char, ShapeText::RunKind::Para,
                                       ShapeText::RunKind::Tab};
  for (std::size_t k = 0; k < 3; ++k) {
    for (std::size_t i = 0; i < marks[k].size(); ++i) {
      const std::int32_t b = std::min(marks[k][i].pos, total);
      const std::int32_t e = i + 1 < marks[k].size() ? std::min(marks[k][i + 1].pos, total) : total;
      if (b < e) t.SetRow(kinds[k], b, e, marks[k][i].row);
    }
  }
}

Ref<Document> OpenVisioPackage(Application& app, const std::string& path, std::int16_t flags,
                               WindowLayout* layout) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(FilePath(path), ec))
    ThrowVisio(VisioErrorKind::FileNotFound, "File not found: " + path);
  return Open(app, path, std::nullopt, flags, layout);
}

Ref<Document> OpenVisioPackageBytes(Application& app, const std::string& path,
                                    std::string_view bytes, std::int16_t flags,
                                    WindowLayout* layout, const PackageLimits& limits) {
  return Open(app, path, bytes, flags, layout, limits);
}

void InstallVsdxLoader(Application& app) {
  app.SetDocumentLoader(OpenVisioPackage);
}

}  // namespace standin
