#include "tree/CodePath.h"

#include <cctype>
#include <exception>
#include <limits>

#include "automation/Text.h"
#include "lut/Tarvel_TLUT.h"
#include "lut/Tarvel_TreeNodeLUTs.h"
#include "tree/AllSectionsData.h"
#include "tree/DockedStencilsNode.h"
#include "tree/Tarvel_Cells01.h"
#include "tree/ValueNodes.h"
#include "tree/ValueText.h"
#include "tree/VisObjectNodes.h"
#include "visio/Visio_TLB.h"

using automation::ObjectRef;
using automation::Variant;

std::optional<TCodeLanguage> CodeLanguageFromKey(std::string_view key) {
  for (TCodeLanguage language : kCodeLanguages) {
    if (automation::NamesEqual(key, TCodeLanguageKeys[Ord(language)])) return language;
  }
  return std::nullopt;
}

TCodeArg TCodeArg::Number(std::int32_t value) {
  return {Kind::Number, value, {}, {}};
}

TCodeArg TCodeArg::String(std::string value) {
  return {Kind::String, 0, std::move(value), {}};
}

TCodeArg TCodeArg::Constant(std::string member, std::string enumName, std::int32_t offset) {
  return {Kind::Constant, offset, std::move(member), std::move(enumName)};
}

namespace {

// Containers nest a few levels deep; a longer chain is a loop.
constexpr int kMaxTraceDepth = 64;

// ---- constants ----

// "LUT_VisCellIndices_XForm" stands for part of the enumeration VisCellIndices.
std::string EnumOf(const TLUT& table) {
  std::string name = table.Name();
  if (name.starts_with("LUT_")) name.erase(0, 4);
  if (const std::size_t cut = name.find('_'); cut != std::string::npos) name.erase(cut);
  return name;
}

const TLUTItem* EntryNamed(const TLUT* table, std::string_view name) {
  if (table == nullptr) return nullptr;
  for (std::int32_t i = 0; i < table->Count(); ++i) {
    const TLUTItem* entry = table->EntryAt(i);
    if (entry->Name() == name) return entry;
  }
  return nullptr;
}

TCodeArg ConstantArg(const TLUT& table, const TLUTItem& entry, std::int32_t value) {
  return TCodeArg::Constant(table.Prefix() + entry.Name(), EnumOf(table), value - entry.Value());
}

// The table's name for the value; the number when it has none. Tables of
// flags name bits, not values.
TCodeArg ConstantOrNumber(const TLUT* table, std::int32_t value) {
  if (table == nullptr || table->Kind() != TLUTKind::Norm) return TCodeArg::Number(value);
  const TLUTItem* entry = table->FindEntry(value);
  return entry != nullptr ? ConstantArg(*table, *entry, value) : TCodeArg::Number(value);
}

const TCellsStruc& Catalogue() {
  static const TCellsStruc empty(0);
  return CellCatalogue != nullptr ? *CellCatalogue : empty;
}

constexpr std::int32_t visSectionTab = 5;

// ---- today's sections, rows and cells ----
//
// What the tree's own tables do not name, All Sections shows from today's
// Visio; its names are Visio's constants less their prefixes.

const TSheetSectionData* TodaysSection(std::int32_t section) {
  for (const TSheetSectionData& s : AllSectionsData()) {
    if (s.index == section || (s.repeats && s.index < section)) return &s;
  }
  return nullptr;
}

const TSheetRowData* TodaysRow(std::int32_t section, std::int32_t row) {
  const TSheetSectionData* s = TodaysSection(section);
  if (s == nullptr) return nullptr;
  const TSheetRowData* found = nullptr;
  for (const TSheetRowData& r : s->rows) {
    if (r.index == row) return &r;
    if (r.repeats && r.index < row && (found == nullptr || found->index < r.index)) found = &r;
  }
  return found;
}

// A tab row's cells are three a stop after the count: the n-th stop's
// position is visTabPos + 3n, its alignment visTabAlign + 3n; the third
// cell of a stop has no constant.
TCodeArg TabStopColumn(std::string_view name, std::int32_t column) {
  for (std::string_view cell : {"TabPos", "TabAlign"}) {
    if (name.starts_with(cell)) {
      const std::int32_t first = cell == "TabPos" ? 1 : 2;
      return TCodeArg::Constant("vis" + std::string(cell), "VisCellIndices", column - first);
    }
  }
  return TCodeArg::Number(column);
}

TCodeArg TodaysColumn(std::int32_t section, std::int32_t row, std::int32_t column,
                      std::int32_t tag) {
  const TSheetRowData* r = TodaysRow(section, row);
  if (r == nullptr) return TCodeArg::Number(column);
  for (const TSheetRowTypeData& type : r->types) {
    if (type.tag != tag && !(type.tag == -1 && r->types.size() == 1)) continue;
    for (const TSheetCellData& cell : type.cells) {
      if (cell.column != column) continue;
      const std::string_view name = cell.name;
      if (section == visSectionTab) return TabStopColumn(name, column);
      return TCodeArg::Constant("vis" + std::string(name), "VisCellIndices");
    }
  }
  return TCodeArg::Number(column);
}

// The catalogue names sections as Visio's constants do ("Object" for
// visSectionObject); geometry sections count from visSectionFirstComponent.
TCodeArg SectionArg(std::int32_t section) {
  std::int32_t offset = -1;
  std::string displayName;
  const TSectionClass* found = FindSection(Catalogue(), section, offset, displayName);
  const std::string name = offset >= 0 ? "FirstComponent" : found != nullptr ? found->Name : "";
  const TLUTItem* entry = EntryNamed(LUT_VisSectionIndices, name);
  if (entry != nullptr && entry->Value() <= section && (offset >= 0 || entry->Value() == section)) {
    return ConstantArg(*LUT_VisSectionIndices, *entry, section);
  }
  if (const TSheetSectionData* today = TodaysSection(section);
      today != nullptr && !today->repeats) {
    return TCodeArg::Constant("visSection" + std::string(today->name), "VisSectionIndices");
  }
  return ConstantOrNumber(LUT_VisSectionIndices, section);
}

// Rows of a repeating section count from the section's own first-row
// constant (visRowProp + 1, visRowVertex + 2); the catalogue's row or
// section name finds it. Fixed rows have a constant of their own.
TCodeArg RowArg(std::int32_t section, std::int32_t row) {
  std::int32_t offset = -1;
  std::string displayName;
  const TSectionClass* catSection = FindSection(Catalogue(), section, offset, displayName);
  const TRowClass* catRow =
      catSection != nullptr ? FindRow(*catSection, row, offset, displayName) : nullptr;
  if (catRow != nullptr) {
    // Two sections' rows are named apart from their sections.
    const std::string alias = catSection->Name == "TextField"  ? "Field"
                              : catSection->Name == "Controls" ? "Control"
                                                               : catSection->Name;
    for (const std::string& name : {catRow->Name, catSection->Name, alias}) {
      const TLUTItem* entry = EntryNamed(LUT_VisRowIndices, name);
      if (entry == nullptr) continue;
      if (entry->Value() == row || (catRow->Repeats != 0 && entry->Value() <= row)) {
        return ConstantArg(*LUT_VisRowIndices, *entry, row);
      }
    }
  }
  const TCodeArg known = ConstantOrNumber(LUT_VisRowIndices, row);
  if (known.kind == TCodeArg::Kind::Constant) return known;
  if (const TSheetRowData* today = TodaysRow(section, row)) {
    return TCodeArg::Constant("visRow" + std::string(today->name), "VisRowIndices",
                              row - today->index);
  }
  return known;
}

// The catalogue's cell names are Visio's column constants without "vis";
// one counts only when a column table has it with the same value.
TCodeArg ColumnArg(std::int32_t section, std::int32_t row, std::int32_t column, std::int32_t tag) {
  std::int32_t offset = -1;
  std::string displayName;
  const TSectionClass* catSection = FindSection(Catalogue(), section, offset, displayName);
  const TRowClass* catRow =
      catSection != nullptr ? FindRow(*catSection, row, offset, displayName) : nullptr;
  const TRowType* type = catRow != nullptr ? FindRowType(*catRow, tag) : nullptr;
  if (type == nullptr) return TodaysColumn(section, row, column, tag);
  for (const auto& cell : type->Cells) {
    if (cell->Column != column) continue;
    const std::string name = "vis" + cell->Name;
    for (std::int32_t t = 0; t < TheLUTAll().Count(); ++t) {
      const TLUT* table = TheLUTAll().TableAt(t);
      if (!table->Name().starts_with("LUT_VisCellIndices")) continue;
      for (std::int32_t i = 0; i < table->Count(); ++i) {
        const TLUTItem& entry = *table->EntryAt(i);
        if (entry.Value() == column && table->Prefix() + entry.Name() == name) {
          return ConstantArg(*table, entry, column);
        }
      }
    }
  }
  return TodaysColumn(section, row, column, tag);
}

bool IsGeometry(std::int32_t section) {
  return section >= kFirstGeometrySection && section <= kLastGeometrySection;
}

// A cell in a row that has a name (Prop.Cost, User.Tracking) is found by
// that name wherever the row moves; every other cell by its indices.
TCodeStep CellStep(const ObjectRef& cell, std::int32_t section, std::int32_t row,
                   std::int32_t column, std::int32_t tag) {
  if (cell && section != 1 && !IsGeometry(section)) {
    try {
      if (!cell.Get("RowName").ToString().empty()) {
        return {"CellsU", {TCodeArg::String(cell.Get("Name").ToString())}};
      }
    } catch (const std::exception&) {
      // A cell that cannot tell its name is reached by its indices.
    }
  }
  return {"CellsSRC",
          {SectionArg(section), RowArg(section, row), ColumnArg(section, row, column, tag)}};
}

TCodeStep Property(std::string_view name) {
  return {std::string(name), {}};
}

// ---- tracing an object back to the application ----

std::optional<TCodePath> Trace(const ObjectRef& object, int depth);

std::optional<TCodePath> TraceThen(const ObjectRef& container, int depth,
                                   std::initializer_list<TCodeStep> steps) {
  if (!container) return std::nullopt;
  std::optional<TCodePath> path = Trace(container, depth + 1);
  if (path) path->steps.insert(path->steps.end(), steps);
  return path;
}

TCodeStep ByUniversalName(const ObjectRef& object) {
  return {"ItemU", {TCodeArg::String(object.Get("NameU").ToString())}};
}

std::optional<TCodePath> TraceShape(const ObjectRef& shape, int depth) {
  if (shape.Get("Type").ToInt32() == visTypePage) {
    // A page's or master's own sheet.
    if (ObjectRef page = shape.Get("ContainingPage").ToObject()) {
      return TraceThen(page, depth, {Property("PageSheet")});
    }
    return TraceThen(shape.Get("ContainingMaster").ToObject(), depth, {Property("PageSheet")});
  }
  const TCodeStep byID{"ItemFromID", {TCodeArg::Number(shape.Get("ID").ToInt32())}};
  // Top-level shapes are contained by their page's or master's sheet.
  const ObjectRef group = shape.Get("ContainingShape").ToObject();
  if (group && group.Get("Type").ToInt32() != visTypePage) {
    return TraceThen(group, depth, {Property("Shapes"), byID});
  }
  if (ObjectRef page = shape.Get("ContainingPage").ToObject()) {
    return TraceThen(page, depth, {Property("Shapes"), byID});
  }
  return TraceThen(shape.Get("ContainingMaster").ToObject(), depth, {Property("Shapes"), byID});
}

std::optional<TCodePath> TraceCell(const ObjectRef& cell, int depth) {
  if (ObjectRef style = cell.Get("Style").ToObject()) {
    return TraceThen(style, depth, {{"CellsU", {TCodeArg::String(cell.Get("Name").ToString())}}});
  }
  const ObjectRef shape = cell.Get("Shape").ToObject();
  if (!shape) return std::nullopt;
  const Variant section(cell.Get("Section").ToInt16()), row(cell.Get("Row").ToInt16());
  const std::int32_t tag = shape.Get("RowType", {section, row}).ToInt32();
  return TraceThen(
      shape, depth,
      {CellStep(cell, section.ToInt32(), row.ToInt32(), cell.Get("Column").ToInt32(), tag)});
}

std::optional<TCodePath> Trace(const ObjectRef& object, int depth) {
  if (depth > kMaxTraceDepth) return std::nullopt;
  switch (object.Get("ObjectType").ToInt32()) {
    case visObjTypeApp:
      return TCodePath{};
    case visObjTypeDoc: {
      TCodePath path;
      path.steps = {Property("Documents"),
                    {"Item", {TCodeArg::Number(object.Get("Index").ToInt32())}}};
      return path;
    }
    case visObjTypePage:
      return TraceThen(object.Get("Document").ToObject(), depth,
                       {Property("Pages"), ByUniversalName(object)});
    case visObjTypeMaster:
      return TraceThen(object.Get("Document").ToObject(), depth,
                       {Property("Masters"), ByUniversalName(object)});
    case visObjTypeStyle:
      return TraceThen(object.Get("Document").ToObject(), depth,
                       {Property("Styles"), ByUniversalName(object)});
    case visObjTypeShape:
      return TraceShape(object, depth);
    case visObjTypeCell:
      return TraceCell(object, depth);
    default:
      return std::nullopt;
  }
}

std::string ArgText(const TCodeArg& arg, TCodeLanguage language);

// ---- walking up the tree ----

// "Shape" becomes "shape".
std::string VariableFor(const TTVNodeData& node) {
  std::string name = node.GetShortTypeName();
  if (name.empty() || name.find_first_of(" -") != std::string::npos) name = "item";
  name.front() = static_cast<char>(std::tolower(static_cast<unsigned char>(name.front())));
  return name;
}

TCodePath RootPath(TTVNodeData& root) {
  if (dynamic_cast<TND_IVApplication*>(&root) != nullptr) return {};
  if (auto* object = dynamic_cast<TND_VisObject*>(&root); object != nullptr && object->VisObj) {
    try {
      if (std::optional<TCodePath> path = Trace(object->VisObj, 0)) {
        // A cell item stands for its formula wherever it is.
        if (dynamic_cast<TND_IVCell*>(&root) != nullptr) path->steps.push_back(Property("Formula"));
        return *path;
      }
    } catch (const std::exception&) {
      // What cannot be traced stays a variable.
    }
  }
  TCodePath path;
  path.variable = VariableFor(root);
  path.notes.push_back(path.variable + " stands for the " + root.GetShortTypeName() +
                       " this tree starts at; Visio does not tell how to reach it");
  return path;
}

bool IsWriteOnly(const TTVNodeData& node) {
  return node.Access == TAccessKind::WriteOnly;
}

TCodePath PathOf(TTVNodeData& node, int depth);

// The expression of the nearest ancestor that is a Visio object.
TCodePath NearestObjectPath(TTVNodeData& node, int depth, const std::string& why) {
  TTVNodeData* ancestor = node.ParentData;
  while (ancestor != nullptr && !ancestor->IsVisObjectNode()) ancestor = ancestor->ParentData;
  TCodePath path = ancestor != nullptr ? PathOf(*ancestor, depth + 1) : RootPath(node);
  path.notes.push_back(why);
  return path;
}

TCodeStep ElementStep(const TND_VisObject& owner, const TPropRow& row, const TElementRow& elements,
                      TTVNodeData& element) {
  const std::string member(VisioPropertyName(row));
  const std::int32_t index = element.Index;
  switch (elements.Arg) {
    case TIndexArg::ArgItem: {
      auto* object = dynamic_cast<TND_VisObject*>(&element);
      if (object != nullptr && object->VisObj) {
        // A position changes as objects come and go; an ID or a universal
        // name stays.
        try {
          switch (owner.Interface().Class) {
            case TNodeClass::TND_IVShapes:
              return {"ItemFromID", {TCodeArg::Number(object->VisObj.Get("ID").ToInt32())}};
            case TNodeClass::TND_IVPages:
            case TNodeClass::TND_IVMasters:
            case TNodeClass::TND_IVStyles:
            case TNodeClass::TND_IVLayers:
              return ByUniversalName(object->VisObj);
            default:
              break;
          }
        } catch (const std::exception&) {
          // Then by position, as the tree has it.
        }
      }
      return {member, {TCodeArg::Number(index)}};
    }
    case TIndexArg::ArgSmallint:
    case TIndexArg::ArgLong:
    case TIndexArg::ArgUnitCode:
      return {member, {ConstantOrNumber(element.IndexLUT, index)}};
    case TIndexArg::ArgUnitCodeRounded:
      return {member, {ConstantOrNumber(element.IndexLUT, index), TCodeArg::Number(1)}};
    case TIndexArg::ArgStyleCellName: {
      const TLUTItem* entry =
          element.IndexLUT != nullptr ? element.IndexLUT->EntryAt(index) : nullptr;
      if (entry != nullptr) return {"CellsU", {TCodeArg::String(entry->Name())}};
      return {member, {TCodeArg::Number(index)}};
    }
    case TIndexArg::NoArg:
      break;
  }
  return Property(member);
}

TCodePath PathOf(TTVNodeData& node, int depth) {
  TTVNodeData* parent = node.ParentData;
  if (parent == nullptr || depth > kMaxTraceDepth) return RootPath(node);

  if (auto* row = dynamic_cast<TND_CellsSectionRow*>(parent)) {
    auto* cell = dynamic_cast<TND_IVCell*>(&node);
    TTVNodeData* section = row->ParentData;
    TTVNodeData* sections = section != nullptr ? section->ParentData : nullptr;
    TTVNodeData* shape = sections != nullptr ? sections->ParentData : nullptr;
    if (cell != nullptr && shape != nullptr) {
      TCodePath path = PathOf(*shape, depth + 1);
      path.steps.push_back(
          CellStep(cell->VisObj, row->SectionIndex(), row->Index, cell->Index, row->Tag()));
      path.steps.push_back(Property("Formula"));
      return path;
    }
  }
  if (auto* row = dynamic_cast<TND_CellsSectionRow*>(&node)) {
    const std::int32_t section = row->SectionIndex();
    return NearestObjectPath(node, depth,
                             "row " + ArgText(RowArg(section, row->Index), TCodeLanguage::VBA) +
                                 " of section " + ArgText(SectionArg(section), TCodeLanguage::VBA) +
                                 " is no object: this is its shape");
  }
  if (auto* section = dynamic_cast<TND_CellsSection*>(&node)) {
    return NearestObjectPath(node, depth,
                             "section " + ArgText(SectionArg(section->Index), TCodeLanguage::VBA) +
                                 " is no object: this is its shape");
  }
  if (dynamic_cast<TND_CellsSections*>(&node) != nullptr) {
    return NearestObjectPath(node, depth, "the sections are no object: this is their shape");
  }

  if (dynamic_cast<TND_Array*>(parent) != nullptr) {
    auto* owner = dynamic_cast<TND_VisObject*>(parent->ParentData);
    const TPropRow* row =
        owner != nullptr ? FindRow(owner->Interface(), parent->PropIndex) : nullptr;
    const TElementRow* elements =
        row != nullptr ? FindElements(owner->Interface(), row->Name) : nullptr;
    if (elements == nullptr) {
      return NearestObjectPath(node, depth, node.Name + " is read by Tarvel, not by a property");
    }
    TCodePath path = PathOf(*owner, depth + 1);
    path.steps.push_back(ElementStep(*owner, *row, *elements, node));
    if (dynamic_cast<TND_IVCell*>(&node) != nullptr) path.steps.push_back(Property("Formula"));
    if (IsWriteOnly(node)) path.notes.push_back(node.Name + " is write-only: assign to it");
    return path;
  }

  auto* owner = dynamic_cast<TND_VisObject*>(parent);
  const TPropRow* row = owner != nullptr ? FindRow(owner->Interface(), node.PropIndex) : nullptr;
  if (row == nullptr || dynamic_cast<TND_DockedStencils*>(&node) != nullptr) {
    return NearestObjectPath(node, depth, node.Name + " is read by Tarvel, not by a property");
  }
  TCodePath path = PathOf(*owner, depth + 1);
  if (dynamic_cast<TND_Array*>(&node) != nullptr) {
    // An array of a collection's items shows their count; any other array
    // is a property that needs an index, one per element below it.
    switch (node.IndexStyle) {
      case TIndexStyle::Item0:
      case TIndexStyle::Item1:
        path.steps.push_back(Property("Count"));
        break;
      case TIndexStyle::Layer1:
        path.steps.push_back(Property("LayerCount"));
        break;
      default:
        path.notes.push_back(std::string(VisioPropertyName(*row)) +
                             " takes an index (see the items below it): this is its object");
        break;
    }
    return path;
  }
  path.steps.push_back(Property(VisioPropertyName(*row)));
  if (IsWriteOnly(node)) path.notes.push_back(node.Name + " is write-only: assign to it");
  return path;
}

// ---- writing ----

std::string Quoted(const std::string& text, TCodeLanguage language) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"') {
      out += language == TCodeLanguage::VBA ? "\"\"" : "\\\"";
    } else if (c == '\\' && language != TCodeLanguage::VBA) {
      out += "\\\\";
    } else if (c == '\n' && language != TCodeLanguage::VBA) {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string ArgText(const TCodeArg& arg, TCodeLanguage language) {
  switch (arg.kind) {
    case TCodeArg::Kind::Number:
      return std::to_string(arg.number);
    case TCodeArg::Kind::String:
      return Quoted(arg.text, language);
    case TCodeArg::Kind::Constant:
      break;
  }
  const std::string offset = arg.number != 0 ? " + " + std::to_string(arg.number) : "";
  switch (language) {
    case TCodeLanguage::VBA:
      return arg.text + offset;
    case TCodeLanguage::Python:
      return "constants." + arg.text + offset;
    case TCodeLanguage::CSharp:
      // The interop's indices are short; its enumerations are int.
      if (offset.empty()) return "(short)" + arg.enumName + "." + arg.text;
      return "(short)(" + arg.enumName + "." + arg.text + offset + ")";
  }
  return arg.text;
}

std::string ArgList(const TCodeStep& step, TCodeLanguage language) {
  std::string text;
  for (const TCodeArg& arg : step.args) {
    if (!text.empty()) text += ", ";
    text += ArgText(arg, language);
  }
  return text;
}

std::string StepText(const TCodeStep& step, TCodeLanguage language) {
  const bool withArgs = !step.args.empty() || step.call;
  if (language == TCodeLanguage::CSharp && !step.args.empty()) {
    // Item is the interop's indexer; other properties with arguments are
    // called through their get_ accessor.
    if (step.member == "Item") return "[" + ArgList(step, language) + "]";
    return ".get_" + step.member + "(" + ArgList(step, language) + ")";
  }
  return "." + step.member + (withArgs ? "(" + ArgList(step, language) + ")" : "");
}

// What starts a comment line, by language.
constexpr auto kCommentStarts = std::to_array<std::string_view>({"' ", "# ", "// "});
static_assert(NamesEvery(kCommentStarts, TCodeLanguage::CSharp));

}  // namespace

TCodePath CodePathOf(TTVNodeData& node) {
  return PathOf(node, 0);
}

std::string CodeText(const TCodePath& path, TCodeLanguage language) {
  std::string text;
  for (const std::string& note : path.notes)
    text += std::string(kCommentStarts[Ord(language)]) + note + "\n";
  if (!path.variable.empty()) {
    text += path.variable;
  } else {
    text += language == TCodeLanguage::VBA ? "Application" : "app";
  }
  for (const TCodeStep& step : path.steps) text += StepText(step, language);
  return text;
}

std::string CodeOf(TTVNodeData& node, TCodeLanguage language) {
  return CodeText(CodePathOf(node), language);
}

std::optional<std::string> ValueToCopy(TTVNodeData& node) {
  if (auto* cell = dynamic_cast<TND_IVCell*>(&node)) {
    if (!cell->VisObj) return std::nullopt;
    try {
      return cell->VisObj.Get("Formula").ToString();
    } catch (const std::exception&) {
      return std::nullopt;
    }
  }
  const bool hasValue = (dynamic_cast<TND_Value*>(&node) != nullptr &&
                         dynamic_cast<TND_IDispatch*>(&node) == nullptr &&
                         dynamic_cast<TND_IUnknown*>(&node) == nullptr &&
                         dynamic_cast<TND_OleVariant*>(&node) == nullptr) ||
                        dynamic_cast<TND_Array*>(&node) != nullptr;
  if (!hasValue || IsWriteOnly(node)) return std::nullopt;
  std::string text = node.GetValueStr(std::numeric_limits<int>::max(), true);
  // A failed read, or a count the array cannot give, is no value.
  if (!node.ValueErrorStr.empty() || text == kNoResult) return std::nullopt;
  if (dynamic_cast<TND_Array*>(&node) != nullptr && text.starts_with('{')) return std::nullopt;
  return text;
}
