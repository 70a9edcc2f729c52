// The contents part of a page or master written back: its shapes, moved,
// added and removed as the model has them now, each written with
// WriteSheetInto, and its connects.
#include <pugixml.hpp>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "standin/Page.h"
#include "standin/SaveParts.h"
#include "standin/Shape.h"
#include "standin/ShapeSheet.h"

namespace standin {

namespace {

constexpr const char* kVisioNs = "http://schemas.microsoft.com/office/visio/2012/main";
constexpr const char* kRelNs =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

// ---- shapes ----

// Shape elements of a part by ID, deletion markers apart.
void IndexElements(pugi::xml_node shapes, std::unordered_map<int, pugi::xml_node>& byId,
                   int depth) {
  if (depth > 64) return;
  for (pugi::xml_node n : shapes.children("Shape")) {
    if (n.attribute("Del").as_int() != 0) continue;
    byId.emplace(n.attribute("ID").as_int(-1), n);
    IndexElements(n.child("Shapes"), byId, depth + 1);
  }
}

struct ShapeWriter {
  std::unordered_map<int, pugi::xml_node> byId;
  std::set<int> claimed;

  void Write(const std::vector<Ref<Shape>>& shapes, pugi::xml_node container, Shape* group) {
    pugi::xml_node prev;
    for (const auto& s : shapes) {
      pugi::xml_node e;
      if (auto it = byId.find(s->id()); it != byId.end() && !claimed.count(s->id())) e = it->second;
      if (e) {
        if (e.parent() != container || e.previous_sibling("Shape") != prev) {
          e = prev ? container.insert_move_after(e, prev) : container.prepend_move(e);
        }
      } else {
        e = prev ? container.insert_child_after("Shape", prev) : container.prepend_child("Shape");
      }
      claimed.insert(s->id());
      WriteSheetInto(*s, e);
      prev = e;
      if (!s->Children().empty() || e.child("Shapes") || (s->master() && s->MasterShape())) {
        pugi::xml_node sub = e.child("Shapes");
        if (!sub) sub = e.append_child("Shapes");
        Write(s->Children(), sub, s.get());
        MarkDeletedMembers(*s, sub);
        if (!sub.first_child()) e.remove_child(sub);
      }
    }
    (void)group;
  }

  // An instance's sub-shape that its master has and it has not: a marker
  // naming the master's shape, as Visio writes it.
  static void MarkDeletedMembers(Shape& instance, pugi::xml_node sub) {
    Shape* ms = instance.MasterShape();
    if (!ms || !instance.master()) return;
    std::set<int> present, marked;
    for (const auto& c : instance.Children()) present.insert(c->MasterShapeId());
    for (pugi::xml_node n : sub.children("Shape")) {
      if (n.attribute("Del").as_int() != 0) marked.insert(n.attribute("MasterShape").as_int(-1));
    }
    for (const auto& member : ms->Children()) {
      const int id = member->id();
      if (present.count(id) || marked.count(id)) continue;
      pugi::xml_node m = sub.append_child("Shape");
      m.append_attribute("Del").set_value("1");
      m.append_attribute("MasterShape").set_value(id);
      m.append_attribute("ID").set_value("4294967295");
    }
    // Markers of members the instance has again.
    for (pugi::xml_node n = sub.child("Shape"); n;) {
      pugi::xml_node next = n.next_sibling("Shape");
      if (n.attribute("Del").as_int() != 0 && present.count(n.attribute("MasterShape").as_int(-1)))
        sub.remove_child(n);
      n = next;
    }
  }

  // Shapes the model no longer has.
  void RemoveUnclaimed(pugi::xml_node shapes, int depth) {
    if (depth > 64) return;
    for (pugi::xml_node n = shapes.child("Shape"); n;) {
      pugi::xml_node next = n.next_sibling("Shape");
      if (n.attribute("Del").as_int() == 0 && !claimed.count(n.attribute("ID").as_int(-1))) {
        shapes.remove_child(n);
      } else {
        RemoveUnclaimed(n.child("Shapes"), depth + 1);
      }
      n = next;
    }
  }
};

std::optional<CellAddress> FoundCell(Shape& shape, const char* name) {
  CellAddress a{visSectionObject, 0, 0};
  if (!*name) return a;
  try {
    if (auto found = shape.Sheet().FindCell(name)) return *found;
  } catch (const automation::AutomationError&) {
  }
  return a;
}

// Whether the Connects element already gives the surface's connects, read
// as the loader reads it.
bool SameConnects(DrawingSurface& surface, pugi::xml_node connects) {
  std::vector<const ConnectRecord*> wanted;
  for (const auto& c : surface.Connects()) wanted.push_back(&c);
  std::size_t i = 0;
  for (pugi::xml_node c : connects.children("Connect")) {
    Shape* from = surface.FindShape(static_cast<std::int16_t>(c.attribute("FromSheet").as_int()));
    Shape* to = surface.FindShape(static_cast<std::int16_t>(c.attribute("ToSheet").as_int()));
    if (!from || !to) return false;
    if (i >= wanted.size()) return false;
    const ConnectRecord& w = *wanted[i++];
    const auto fa = FoundCell(*from, c.attribute("FromCell").value());
    const auto ta = FoundCell(*to, c.attribute("ToCell").value());
    if (w.from.get() != from || w.to.get() != to || !fa || !ta ||
        !(*fa == CellAddress{w.fromSection, w.fromRow, w.fromColumn}) ||
        !(*ta == CellAddress{w.toSection, w.toRow, w.toColumn}) ||
        c.attribute("FromPart").as_int() != w.fromPart ||
        c.attribute("ToPart").as_int() != w.toPart)
      return false;
  }
  return i == wanted.size();
}

void WriteConnects(DrawingSurface& surface, pugi::xml_node root) {
  pugi::xml_node connects = root.child("Connects");
  if (connects ? SameConnects(surface, connects) : surface.Connects().empty()) return;
  if (!connects) connects = root.insert_child_after("Connects", root.child("Shapes"));
  while (pugi::xml_node c = connects.first_child()) connects.remove_child(c);
  for (const auto& c : surface.Connects()) {
    if (!c.from || !c.to) continue;
    pugi::xml_node e = connects.append_child("Connect");
    e.append_attribute("FromSheet").set_value(c.from->id());
    e.append_attribute("FromCell")
        .set_value(c.from->Sheet().CellName(c.fromSection, c.fromRow, c.fromColumn).c_str());
    e.append_attribute("FromPart").set_value(c.fromPart);
    e.append_attribute("ToSheet").set_value(c.to->id());
    e.append_attribute("ToCell").set_value(
        c.to->Sheet().CellName(c.toSection, c.toRow, c.toColumn).c_str());
    e.append_attribute("ToPart").set_value(c.toPart);
  }
}

struct StringWriter : pugi::xml_writer {
  std::string out;
  void write(const void* data, std::size_t size) override {
    out.append(static_cast<const char*>(data), size);
  }
};


}  // namespace

std::string WriteContentsPart(DrawingSurface& surface, const pugi::xml_document* original) {
  const char* rootName = surface.AsMaster() ? "MasterContents" : "PageContents";
  pugi::xml_document doc;
  if (original) {
    if (std::string_view(original->document_element().name()) != rootName)
      throw std::invalid_argument(std::string("not a ") + rootName + " part");
    doc.reset(*original);
  } else {
    pugi::xml_node root = doc.append_child(rootName);
    root.append_attribute("xmlns").set_value(kVisioNs);
    root.append_attribute("xmlns:r").set_value(kRelNs);
    root.append_attribute("xml:space").set_value("preserve");
  }
  pugi::xml_node root = doc.document_element();
  pugi::xml_node shapes = root.child("Shapes");
  if (!shapes) shapes = root.prepend_child("Shapes");
  ShapeWriter writer;
  IndexElements(shapes, writer.byId, 0);
  writer.Write(surface.TopShapes(), shapes, nullptr);
  writer.RemoveUnclaimed(shapes, 0);
  if (!shapes.first_child()) root.remove_child(shapes);
  WriteConnects(surface, root);

  StringWriter out;
  out.out = "<?xml version='1.0' encoding='utf-8' ?>\r\n";
  doc.save(out, "",
           pugi::format_raw | pugi::format_no_declaration | pugi::format_attribute_single_quote,
           pugi::encoding_utf8);
  return out.out;
}


}  // namespace standin
