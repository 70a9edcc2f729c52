#include "standin/DocumentSave.h"

#include <algorithm>
#include <initializer_list>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <pugixml.hpp>
#include <set>
#include <sstream>
#include <string_view>
#include <vector>

#include "automation/Text.h"
#include "standin/Application.h"
#include "standin/Document.h"
#include "standin/Master.h"
#include "standin/Package.h"
#include "standin/Page.h"
#include "standin/SaveParts.h"
#include "standin/Shape.h"
#include "standin/Style.h"
#include "standin/VisioErrors.h"
#include "standin/VsdxLoader.h"

namespace standin {

namespace {

constexpr const char* kVisioNs = "http://schemas.microsoft.com/office/visio/2012/main";
constexpr const char* kRNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr const char* kRelsNs = "http://schemas.openxmlformats.org/package/2006/relationships";
constexpr const char* kTypesNs = "http://schemas.openxmlformats.org/package/2006/content-types";
constexpr const char* kVisioRel = "http://schemas.microsoft.com/visio/2010/relationships/";
constexpr const char* kCoreRel =
    "http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties";
constexpr const char* kExtendedRel =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/extended-properties";
constexpr const char* kCoreType = "application/vnd.openxmlformats-package.core-properties+xml";
constexpr const char* kExtendedType =
    "application/vnd.openxmlformats-officedocument.extended-properties+xml";
constexpr const char* kTypesPart = Package::kContentTypesPart;

// What a file name's extension saves as: the main part's content type is
// application/vnd.ms-visio.<kind>[.macroEnabled].main+xml.
struct Format {
  std::string_view extension;
  const char* kind;
  bool macros;
};
constexpr Format kFormats[] = {
    {".vsdx", "drawing", false}, {".vssx", "stencil", false}, {".vstx", "template", false},
    {".vsdm", "drawing", true},  {".vssm", "stencil", true},  {".vstm", "template", true},
};

[[noreturn]] void CannotSave(const std::string& path, const std::string& why) {
  ThrowVisio(VisioErrorKind::CannotSave, "The file \"" + path + "\" cannot be saved: " + why + ".");
}

const Format& FormatOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  const std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
  const std::size_t dot = name.rfind('.');
  const std::string extension =
      dot == std::string::npos ? std::string() : automation::AsciiLowered(name.substr(dot));
  for (const Format& f : kFormats) {
    if (f.extension == extension) return f;
  }
  CannotSave(path, extension.empty() ? "a file name without an extension names no Visio package"
                                     : "Visio packages are .vsdx, .vssx, .vstx, .vsdm, .vssm or "
                                       ".vstm files, not " +
                                           extension);
}

std::string MainType(const Format& f) {
  return std::string("application/vnd.ms-visio.") + f.kind + (f.macros ? ".macroEnabled" : "") +
         ".main+xml";
}

std::string XmlText(const pugi::xml_document& xml) {
  std::ostringstream out;
  xml.save(out, "", pugi::format_raw, pugi::encoding_utf8);
  return std::move(out).str();
}

std::string NodeText(pugi::xml_node n) {
  std::ostringstream out;
  n.print(out, "", pugi::format_raw);
  return std::move(out).str();
}

std::string FolderOf(const std::string& part) {
  const std::size_t slash = part.rfind('/');
  return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

bool EndsWith(std::string_view s, std::string_view tail) {
  return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

// A pages or masters list: the part that lists them, each entry's own
// contents part, and their relationships and content types.
struct ListKind {
  const char* listRel;   // from the document part
  const char* itemRel;   // from the list part
  const char* listType;  // content types
  const char* itemType;
  const char* root;  // elements
  const char* item;
  const char* defaultPart;
  const char* stem;  // new contents parts: <stem>N.xml beside the list
};
constexpr ListKind kPagesList{"pages",
                              "page",
                              "application/vnd.ms-visio.pages+xml",
                              "application/vnd.ms-visio.page+xml",
                              "Pages",
                              "Page",
                              "visio/pages/pages.xml",
                              "page"};
constexpr ListKind kMastersList{"masters",
                                "master",
                                "application/vnd.ms-visio.masters+xml",
                                "application/vnd.ms-visio.master+xml",
                                "Masters",
                                "Master",
                                "visio/masters/masters.xml",
                                "master"};

// A page or master as its list part records it.
struct Entry {
  std::int16_t id;
  DrawingSurface* surface;
  Shape* sheet;
  // Attributes the model holds; an empty value is one the model does not
  // set (the attribute is left out, or left alone when "0").
  std::vector<std::pair<const char*, std::string>> attributes;
};

// A package for a document never saved: the parts every Visio file has,
// empty, for the document's pages, masters, styles and properties to be
// filled in as changes to it.
std::string Skeleton() {
  Package::Writer w;
  w.Types().SetDefault("rels", "application/vnd.openxmlformats-package.relationships+xml");
  w.Types().SetDefault("xml", "application/xml");
  w.Types().SetOverride("visio/document.xml", MainType(kFormats[0]));
  w.Types().SetOverride("visio/windows.xml", "application/vnd.ms-visio.windows+xml");
  w.Types().SetOverride("docProps/core.xml", kCoreType);
  w.Types().SetOverride("docProps/app.xml", kExtendedType);
  w.Relate("", {"rId1", std::string(kVisioRel) + "document", "visio/document.xml"});
  w.Relate("", {"rId2", kCoreRel, "docProps/core.xml"});
  w.Relate("", {"rId3", kExtendedRel, "docProps/app.xml"});
  w.Relate("visio/document.xml", {"rId1", std::string(kVisioRel) + "windows", "windows.xml"});
  const std::string decl = "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\n";
  w.Add("visio/document.xml",
        decl + "<VisioDocument xmlns=\"" + kVisioNs + "\" xmlns:r=\"" + kRNs +
            "\" xml:space=\"preserve\"><DocumentSettings TopPage=\"0\" DefaultTextStyle=\"3\" "
            "DefaultLineStyle=\"3\" DefaultFillStyle=\"3\" DefaultGuideStyle=\"4\"/>"
            "<Colors/><FaceNames/><StyleSheets/></VisioDocument>");
  w.Add("visio/windows.xml", decl + "<Windows ClientWidth=\"1024\" ClientHeight=\"768\" xmlns=\"" +
                                 kVisioNs + "\" xmlns:r=\"" + kRNs +
                                 "\" xml:space=\"preserve\"><Window ID=\"0\" "
                                 "WindowType=\"Drawing\" WindowState=\"1073741824\" "
                                 "ContainerType=\"Page\" Page=\"0\"/></Windows>");
  w.Add("docProps/core.xml",
        decl +
            "<cp:coreProperties "
            "xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\" "
            "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
            "xmlns:dcterms=\"http://purl.org/dc/terms/\" "
            "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"/>");
  w.Add("docProps/app.xml",
        decl +
            "<Properties "
            "xmlns=\"http://schemas.openxmlformats.org/officeDocument/2006/extended-properties\" "
            "xmlns:vt=\"http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes\">"
            "<Application>Microsoft Visio</Application></Properties>");
  return w.Bytes();
}

class Assembler {
 public:
  Assembler(Document& doc, const Format& format) : doc_(doc), format_(format) {
    if (const SourcePackage* source = doc.Source()) {
      source_ = *source;
      changes_ = doc.Changes();
    } else {
      source_.bytes = std::make_shared<const std::string>(Skeleton());
      source_.mainPart = "visio/document.xml";
      // Everything the model holds is new to the skeleton.
      changes_.documentPart = changes_.properties = true;
    }
    pkg_.emplace(Package::FromBytes(*source_.bytes, PackageLimits().unpackedBytes));
    for (const std::string& part : pkg_->PartNames()) existing_.insert(part);
  }

  std::string Bytes() {
    SetMainType();
    if (!format_.macros) DropMacros();
    if (changes_.documentPart) SaveDocumentPart();
    if (changes_.properties) SaveProperties();
    SaveList(kMastersList, MasterEntries(), changes_.mastersPart, changes_.masters,
             source_.masterParts);
    // A stencil's pages are not read, so they are left as they were.
    if (doc_.type() != visDocTypeStencil || doc_.Source() == nullptr)
      SaveList(kPagesList, PageEntries(), changes_.pagesPart, changes_.pages, source_.pageParts);

    Package::Writer out;
    auto add = [&](const std::string& part) {
      if (dropped_.count(part)) return;
      if (auto x = xml_.find(part); x != xml_.end() && x->second.changed) {
        out.Add(part, XmlText(x->second.xml));
      } else if (auto c = contents_.find(part); c != contents_.end()) {
        out.Add(part, c->second);
      } else if (existing_.count(part)) {
        out.Copy(*pkg_, part);
      }
    };
    for (const std::string& part : pkg_->PartNames()) add(part);
    for (const std::string& part : added_) add(part);
    return out.Bytes();
  }

  // What the package written holds, for the next save to copy from.
  SourcePackage& Saved() { return source_; }

 private:
  struct XmlPart {
    pugi::xml_document xml;
    bool changed = false;
  };

  // The part parsed for changing; a part not there is made with `root`.
  pugi::xml_node Root(const std::string& part, const char* root = nullptr,
                      const char* ns = nullptr) {
    auto [it, made] = xml_.try_emplace(part);
    XmlPart& x = it->second;
    if (made) {
      if (existing_.count(part)) {
        const std::string text = pkg_->Read(part);
        const pugi::xml_parse_result r = x.xml.load_buffer(
            text.data(), text.size(),
            pugi::parse_default | pugi::parse_declaration | pugi::parse_ws_pcdata);
        if (!r || !x.xml.document_element())
          throw PackageError(part, std::string("malformed XML (") + r.description() + ")");
      } else {
        if (!root) throw PackageError(part, "missing part");
        pugi::xml_node decl = x.xml.append_child(pugi::node_declaration);
        decl.append_attribute("version") = "1.0";
        decl.append_attribute("encoding") = "utf-8";
        decl.append_attribute("standalone") = "yes";
        pugi::xml_node r = x.xml.append_child(root);
        if (ns) r.append_attribute("xmlns") = ns;
        Touch(part);
        added_.push_back(part);
      }
    }
    return x.xml.document_element();
  }
  void Touch(const std::string& part) { xml_[part].changed = true; }

  // ---- relationships and content types ----

  pugi::xml_node RelsOf(const std::string& source) {
    return Root(Package::RelationshipsPartOf(source), "Relationships", kRelsNs);
  }
  // The relationships of `source` whose type ends in `tail`.
  std::vector<pugi::xml_node> RelsOfType(const std::string& source, std::string_view tail) {
    std::vector<pugi::xml_node> out;
    if (!existing_.count(Package::RelationshipsPartOf(source)) &&
        !xml_.count(Package::RelationshipsPartOf(source)))
      return out;
    for (pugi::xml_node r : RelsOf(source).children("Relationship")) {
      if (EndsWith(r.attribute("Type").value(), tail) &&
          std::string_view(r.attribute("TargetMode").value()) != "External")
        out.push_back(r);
    }
    return out;
  }
  std::string Relate(const std::string& source, const std::string& type,
                     const std::string& target) {
    pugi::xml_node root = RelsOf(source);
    std::set<std::string> ids;
    for (pugi::xml_node r : root.children("Relationship")) ids.insert(r.attribute("Id").value());
    int n = 1;
    while (ids.count("rId" + std::to_string(n))) ++n;
    const std::string id = "rId" + std::to_string(n);
    pugi::xml_node r = root.append_child("Relationship");
    r.append_attribute("Id") = id.c_str();
    r.append_attribute("Type") = type.c_str();
    r.append_attribute("Target") = target.c_str();
    Touch(Package::RelationshipsPartOf(source));
    return id;
  }
  void Unrelate(const std::string& source, pugi::xml_node rel) {
    RelsOf(source).remove_child(rel);
    Touch(Package::RelationshipsPartOf(source));
  }
  pugi::xml_node Override(const std::string& part) {
    return Root(kTypesPart).find_child_by_attribute("Override", "PartName", ("/" + part).c_str());
  }
  void SetType(const std::string& part, const std::string& type) {
    pugi::xml_node o = Override(part);
    if (o && type == o.attribute("ContentType").value()) return;
    if (!o) {
      o = Root(kTypesPart).append_child("Override");
      o.append_attribute("PartName") = ("/" + part).c_str();
      o.append_attribute("ContentType");
    }
    o.attribute("ContentType") = type.c_str();
    Touch(kTypesPart);
  }
  // A part left out of the saved package with its relationships; with
  // `theirs`, the parts they lead to as well (a VBA project's signature
  // and data belong to it alone; a page's images may be another's too).
  void Drop(const std::string& part, bool theirs, int depth = 0) {
    if (!dropped_.insert(part).second) return;
    if (pugi::xml_node o = Override(part)) {
      Root(kTypesPart).remove_child(o);
      Touch(kTypesPart);
    }
    const std::string rels = Package::RelationshipsPartOf(part);
    if (!existing_.count(rels)) return;
    dropped_.insert(rels);
    if (!theirs || depth >= 4) return;
    for (const Relationship& r : pkg_->RelationshipsOf(part)) Drop(r.target, theirs, depth + 1);
  }

  // ---- the document ----

  void SetMainType() { SetType(source_.mainPart, MainType(format_)); }

  // Saved without macros, the document loses its VBA project as Visio
  // drops it.
  void DropMacros() {
    for (pugi::xml_node r : RelsOfType(source_.mainPart, "/vbaProject")) {
      Drop(Package::ResolveTarget(source_.mainPart, r.attribute("Target").value()), true);
      Unrelate(source_.mainPart, r);
    }
  }

  void SaveDocumentPart() {
    pugi::xml_node root = Root(source_.mainPart);
    Touch(source_.mainPart);
    pugi::xml_node sheets = root.child("StyleSheets");
    if (!sheets) sheets = root.append_child("StyleSheets");
    std::map<int, pugi::xml_node> byId;
    for (pugi::xml_node n : sheets.children("StyleSheet")) byId[n.attribute("ID").as_int(-1)] = n;
    std::set<int> kept;
    for (const auto& style : doc_.Styles()) {
      pugi::xml_node n = byId.count(style->id()) ? byId[style->id()] : pugi::xml_node();
      if (!n) {
        n = sheets.append_child("StyleSheet");
        n.append_attribute("ID") = style->id();
        n.append_attribute("NameU") = style->NameU().c_str();
        n.append_attribute("Name") = style->Name().c_str();
      }
      kept.insert(style->id());
      WriteSheetInto(*style, n);
    }
    for (const auto& [id, n] : byId) {
      if (!kept.count(id)) sheets.remove_child(n);
    }
    pugi::xml_node sheet = root.child("DocumentSheet");
    if (!sheet) sheet = root.insert_child_after("DocumentSheet", sheets);
    WriteSheetInto(doc_.DocumentSheet(), sheet);
  }

  // docProps: Visio's Title, Subject, ... in core.xml, Manager, Company
  // and Template in app.xml. Only the elements whose value differs change.
  void SaveProperties() {
    struct Field {
      const char* prefix;  // of a new element
      const char* element;
      const char* member;
    };
    // A part the package lacks is made when it has something to hold.
    struct PropertiesPart {
      std::string_view relTail;
      const char* relType;
      const char* part;
      const char* type;
      const char* root;
      std::vector<std::pair<const char*, const char*>> namespaces;
    };
    auto patch = [&](const PropertiesPart& where, std::initializer_list<Field> fields) {
      const std::vector<pugi::xml_node> rels = RelsOfType("", where.relTail);
      std::string part;
      if (!rels.empty()) {
        part = Package::ResolveTarget("", rels.front().attribute("Target").value());
      } else {
        bool any = false;
        for (const Field& f : fields) any = any || !doc_.StoredValue(f.member).ToString().empty();
        if (!any) return;
        part = where.part;
        pugi::xml_node root = Root(part, where.root);
        for (const auto& [name, uri] : where.namespaces) root.append_attribute(name) = uri;
        Relate("", where.relType, part);
        SetType(part, where.type);
      }
      if (!existing_.count(part) && !xml_.count(part)) return;
      pugi::xml_node root = Root(part);
      for (const Field& f : fields) {
        const std::string value = doc_.StoredValue(f.member).ToString();
        pugi::xml_node at;
        for (pugi::xml_node c : root.children()) {
          std::string_view n = c.name();  // matched without its prefix, as read
          if (const auto colon = n.find(':'); colon != std::string_view::npos)
            n = n.substr(colon + 1);
          if (n == f.element) at = c;
        }
        if (at ? value == at.child_value() : value.empty()) continue;
        if (!at) at = root.append_child((std::string(f.prefix) + f.element).c_str());
        at.text().set(value.c_str());
        Touch(part);
      }
    };
    const PropertiesPart core{
        "/metadata/core-properties",
        kCoreRel,
        "docProps/core.xml",
        kCoreType,
        "cp:coreProperties",
        {{"xmlns:cp", "http://schemas.openxmlformats.org/package/2006/metadata/core-properties"},
         {"xmlns:dc", "http://purl.org/dc/elements/1.1/"},
         {"xmlns:dcterms", "http://purl.org/dc/terms/"},
         {"xmlns:xsi", "http://www.w3.org/2001/XMLSchema-instance"}}};
    const PropertiesPart extended{
        "/extended-properties",
        kExtendedRel,
        "docProps/app.xml",
        kExtendedType,
        "Properties",
        {{"xmlns", "http://schemas.openxmlformats.org/officeDocument/2006/extended-properties"},
         {"xmlns:vt", "http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes"}}};
    patch(core, {{"dc:", "title", "Title"},
                 {"dc:", "subject", "Subject"},
                 {"dc:", "creator", "Creator"},
                 {"cp:", "keywords", "Keywords"},
                 {"dc:", "description", "Description"},
                 {"cp:", "category", "Category"}});
    patch(extended,
          {{"", "Manager", "Manager"}, {"", "Company", "Company"}, {"", "Template", "Template"}});
  }

  // ---- pages and masters ----

  std::vector<Entry> PageEntries() {
    std::vector<Entry> out;
    for (const auto& p : doc_.Pages()) {
      out.push_back({p->id(),
                     p.get(),
                     &p->Sheet(),
                     {{"NameU", p->NameU()},
                      {"Name", p->Name()},
                      {"Background", p->Background() ? "1" : ""},
                      {"BackPage", p->BackPage() ? std::to_string(p->BackPage()->id()) : ""}}});
    }
    return out;
  }
  std::vector<Entry> MasterEntries() {
    std::vector<Entry> out;
    for (const auto& m : doc_.Masters()) {
      out.push_back({m->id(),
                     m.get(),
                     &m->Sheet(),
                     {{"NameU", m->NameU()},
                      {"Name", m->Name()},
                      {"Prompt", m->Prompt()},
                      {"UniqueID", m->UniqueId()}}});
    }
    return out;
  }

  std::string NewPartName(const std::string& folder, const char* stem) {
    for (int n = 1;; ++n) {
      const std::string name = folder + stem + std::to_string(n) + ".xml";
      if (!existing_.count(name) && !contents_.count(name) && !xml_.count(name)) return name;
    }
  }

  // The list part and each entry's contents as the model holds them now:
  // entries added or deleted, renamed, reordered, their sheets and shapes.
  void SaveList(const ListKind& kind, const std::vector<Entry>& entries, bool listChanged,
                const std::set<std::int16_t>& changed, std::map<std::int16_t, std::string>& parts) {
    const std::vector<pugi::xml_node> listRels =
        RelsOfType(source_.mainPart, std::string("/") + kind.listRel);
    std::string list;
    if (!listRels.empty()) {
      list = Package::ResolveTarget(source_.mainPart, listRels.front().attribute("Target").value());
    } else if (!entries.empty()) {
      list = kind.defaultPart;
      Root(list, kind.root, kVisioNs).append_attribute("xmlns:r") = kRNs;
      Relate(source_.mainPart, std::string(kVisioRel) + kind.listRel,
             list.substr(FolderOf(source_.mainPart).size()));
      SetType(list, kind.listType);
    } else {
      return;  // none before, none now
    }
    pugi::xml_node root = Root(list);
    std::map<int, pugi::xml_node> stored;
    for (pugi::xml_node n : root.children(kind.item)) stored[n.attribute("ID").as_int(-1)] = n;

    // The list is written again when an entry is added, deleted, moved or
    // made to hold something else; a change that leaves every entry as
    // stored (shapes drawn through a page's own methods) keeps its bytes.
    std::set<int> now;
    bool rewrite = false;
    if (listChanged) {
      // Not otherwise: a file may list pages in another order than the
      // model keeps them (backgrounds first).
      std::vector<int> order;
      for (pugi::xml_node n : root.children(kind.item))
        order.push_back(n.attribute("ID").as_int(-1));
      std::vector<int> wanted;
      for (const Entry& e : entries) wanted.push_back(e.id);
      rewrite = order != wanted;
    }
    for (const Entry& e : entries) {
      now.insert(e.id);
      if (!stored.count(e.id)) rewrite = true;
    }
    for (const auto& [id, n] : stored) {
      if (!now.count(id)) rewrite = true;
    }

    std::map<std::string, pugi::xml_node> relById;
    for (pugi::xml_node r : RelsOfType(list, std::string("/") + kind.itemRel))
      relById[r.attribute("Id").value()] = r;
    auto relOf = [&](pugi::xml_node n) {
      auto it = relById.find(n.child("Rel").attribute("r:id").value());
      return it == relById.end() ? pugi::xml_node() : it->second;
    };

    std::map<std::int16_t, std::string> saved;
    for (const Entry& e : entries) {
      pugi::xml_node n = stored.count(e.id) ? stored[e.id] : pugi::xml_node();
      const bool fresh = !n;
      std::string part;
      if (auto it = parts.find(e.id); it != parts.end() && !fresh) part = it->second;
      // The entry (attributes, sheet) is in the list part, the shapes in
      // the contents part: each is written only when it changed.
      if (fresh || listChanged) {
        if (fresh) {
          n = root.append_child(kind.item);
          n.append_attribute("ID") = e.id;
        }
        const std::string was = rewrite ? std::string() : NodeText(n);
        for (const auto& [name, value] : e.attributes) {
          pugi::xml_attribute a = n.attribute(name);
          if (value.empty()) {
            if (a && std::string_view(a.value()) != "0") n.remove_attribute(a);
          } else if (!a) {
            n.append_attribute(name) = value.c_str();
          } else if (value != a.value()) {
            a = value.c_str();
          }
        }
        pugi::xml_node sheet = n.child("PageSheet");
        const bool made = !sheet;
        if (made) sheet = n.prepend_child("PageSheet");
        WriteSheetInto(*e.sheet, sheet);
        if (made && !sheet.first_child() && !sheet.first_attribute()) n.remove_child(sheet);
        if (!rewrite && NodeText(n) != was) rewrite = true;
      }
      if (fresh || changed.count(e.id)) {
        // Visio gives every page and master a contents part, empty or not.
        if (part.empty()) {
          part = NewPartName(FolderOf(list), kind.stem);
          const std::string id = Relate(list, std::string(kVisioRel) + kind.itemRel,
                                        part.substr(FolderOf(list).size()));
          pugi::xml_node rel = n.child("Rel");
          if (!rel) rel = n.append_child("Rel");
          if (!rel.attribute("r:id")) rel.append_attribute("r:id");
          rel.attribute("r:id") = id.c_str();
          rewrite = true;
          SetType(part, kind.itemType);
          contents_[part] = WriteContentsPart(*e.surface, nullptr);
          added_.push_back(part);
        } else if (!part.empty()) {
          auto original = pkg_->Xml(part);
          contents_[part] = WriteContentsPart(*e.surface, original.get());
        }
      }
      if (!part.empty()) saved[e.id] = part;
    }
    for (const auto& [id, n] : stored) {
      if (now.count(id)) continue;
      if (pugi::xml_node r = relOf(n)) {
        Drop(Package::ResolveTarget(list, r.attribute("Target").value()), false);
        Unrelate(list, r);
      }
      root.remove_child(n);
    }
    if (rewrite) {
      // The model's order: each entry moved to the end in turn.
      for (const Entry& e : entries) {
        pugi::xml_node n =
            root.find_child_by_attribute(kind.item, "ID", std::to_string(e.id).c_str());
        if (n) root.append_move(n);
      }
      Touch(list);
    }
    parts = std::move(saved);
  }

  Document& doc_;
  const Format& format_;
  SourcePackage source_;
  DocumentChanges changes_;
  std::optional<Package> pkg_;
  std::set<std::string> existing_;
  std::map<std::string, XmlPart> xml_;           // parts parsed to be changed
  std::map<std::string, std::string> contents_;  // contents parts made anew
  std::set<std::string> dropped_;
  std::vector<std::string> added_;  // parts the source does not have, in order
};

// The package's bytes and what they hold; errors name the file.
std::pair<std::string, SourcePackage> Assemble(Document& doc, const std::string& path) {
  const Format& format = FormatOf(path);
  try {
    Assembler a(doc, format);
    std::string bytes = a.Bytes();
    return {std::move(bytes), std::move(a.Saved())};
  } catch (const PackageError& e) {
    CannotSave(path, e.where + ": " + e.what());
  } catch (const std::bad_alloc&) {
    CannotSave(path, "out of memory");
  }
}

}  // namespace

std::string SavedPackageBytes(Document& doc, const std::string& path) {
  return Assemble(doc, path).first;
}

void SaveDocument(Document& doc, const std::string& path, std::int16_t flags) {
  const bool saveAs = !path.empty();
  if (!saveAs) {
    // Visio: "Until a document has been saved, the Save method generates
    // an error"; use SaveAs to name it.
    if (doc.Path().empty()) {
      ThrowVisio(VisioErrorKind::Disabled,
                 "The document \"" + doc.Name() + "\" has no file yet: SaveAs names one.");
    }
    doc.CheckWritable();
  }
  const std::string target = saveAs ? path : doc.FullName();
  auto [bytes, saved] = Assemble(doc, target);
  try {
    Package::Writer::WriteFile(target, bytes);
  } catch (const PackageError& e) {
    CannotSave(target, e.what());
  }
  saved.bytes = std::make_shared<const std::string>(std::move(bytes));
  doc.MarkSaved(std::make_shared<const SourcePackage>(std::move(saved)));
  if (saveAs) {
    doc.SetFullName(target);
    doc.SetReadOnly((flags & visSaveAsRO) != 0);
  }
}

}  // namespace standin
