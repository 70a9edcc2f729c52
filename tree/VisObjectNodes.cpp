#include "tree/VisObjectNodes.h"

#include <exception>
#include <optional>
#include <stdexcept>
#include <vector>

#include "lut/Tarvel_TLUT.h"
#include "lut/Tarvel_TreeNodeLUTs.h"
#include "tree/NodeFactory.h"
#include "tree/ValueNodes.h"
#include "tree/ValueText.h"

using automation::AutomationError;
using automation::ObjectRef;
using automation::Variant;

namespace {

// Where a row's child gets its object from.
TVisObjSource ChildObjSource(const TPropRow& row) {
  switch (row.Class) {
    case TNodeClass::TND_Array:
      return row.NodeKind == TNodeKind::SimplePropertyArray ? TVisObjSource::NoVisObject
                                                            : TVisObjSource::RefreshFromAncestor;
    case TNodeClass::TND_CellsSections:
      return TVisObjSource::SupplyOnCreate;
    case TNodeClass::TND_DockedStencils:
      return TVisObjSource::RefreshFromAncestor;
    default:
      return IsVisObjectClass(row.Class) ? TVisObjSource::RefreshFromAncestor
                                         : TVisObjSource::NoVisObject;
  }
}

// Reads a value property through `read` and formats it by the node class.
// The text is built in steps, so that a failure late in formatting leaves
// what was formatted before it.
template <class Read>
void ReadValue(TNodeClass cls, TAccessKind access, const Read& read, const TLUT* valueLUT,
               int maxLength, bool raw, std::string& text) {
  if (access == TAccessKind::WriteOnly) {
    text = kWriteOnly;
    return;
  }
  switch (cls) {
    case TNodeClass::TND_Smallint:
      text = FormatSmallint(read().ToInt16(), valueLUT, raw);
      break;
    case TNodeClass::TND_Integer:
      text = FormatInteger(read().ToInt32(), valueLUT, raw);
      break;
    case TNodeClass::TND_WideString:
      text = FormatString(read().ToString(), maxLength, raw);
      break;
    case TNodeClass::TND_Double: {
      const double value = read().ToDouble();
      text = FormatFloat(value, raw);
      if (!raw && valueLUT != nullptr) {
        text += " (=" + valueLUT->Lookup(RoundHalfEven(value)) + ")";
      }
      break;
    }
    case TNodeClass::TND_OleVariant:
      text = kOleVariantNotImplemented;
      break;
    case TNodeClass::TND_IDispatch:
      text = kIDispatchNotImplemented;
      break;
    case TNodeClass::TND_IUnknown:
      text = kIUnknownNotImplemented;
      break;
    default:
      break;
  }
}

// Edited text as the value a row's put takes; nothing for the types that
// are never written.
std::optional<Variant> ConvertText(TNodeClass cls, const std::string& text) {
  switch (cls) {
    case TNodeClass::TND_Smallint:
      return Variant(TextToSmallint(text));
    case TNodeClass::TND_Integer:
      return Variant(TextToInteger(text));
    case TNodeClass::TND_WideString:
      return Variant(text);
    case TNodeClass::TND_Double:
      return Variant(TextToDouble(text));
    default:
      return std::nullopt;
  }
}

// The arguments of an indexed getter or setter for one element.
std::vector<Variant> IndexArguments(const TElementRow& elements, const TTVNodeData& element) {
  const std::int16_t index = element.Index;
  switch (elements.Arg) {
    case TIndexArg::ArgSmallint:
      return {Variant(index)};
    case TIndexArg::ArgLong:
    case TIndexArg::ArgItem:
    case TIndexArg::ArgUnitCode:
      return {Variant(std::int32_t{index})};
    case TIndexArg::ArgUnitCodeRounded:
      return {Variant(std::int32_t{index}), Variant(std::int16_t{1})};
    case TIndexArg::ArgStyleCellName: {
      const TLUTItem* entry =
          element.IndexLUT != nullptr ? element.IndexLUT->EntryAt(index) : nullptr;
      if (entry == nullptr) {
        throw std::out_of_range("no cell name for index " + std::to_string(index));
      }
      return {Variant(entry->Name())};
    }
    case TIndexArg::NoArg:
      break;
  }
  return {};
}

bool IsArrayElement(const TPropRow& row, const TTVNodeData& child) {
  return row.Class == TNodeClass::TND_Array && child.Index != kNoIndex;
}

}  // namespace

TND_VisObject::TND_VisObject(const TVisInterface& visInterface, std::string name,
                             std::int32_t propIndex, TTreeModel& tree, TTreeItem* parentItem,
                             TTreeItem* insertBefore, std::int16_t index, TAccessKind access,
                             TIndexStyle indexStyle, TVisObjSource objSource, TNodeKind nodeKind,
                             const TLUT* indexLUT, const TLUT* valueLUT)
    : TTVNodeData(visInterface.Name, std::move(name), propIndex, tree, parentItem, insertBefore,
                  index, access, indexStyle, objSource, nodeKind, indexLUT, valueLUT),
      interface_(&visInterface) {}

ObjectRef TND_VisObject::GetVisObject() {
  if (!VisObj) return {};
  try {
    return VisObj.QueryInterface(automation::IID_IDispatch);
  } catch (const std::exception& e) {
    VisioController.NoteLinkError(e);
    return {};
  }
}

TTVNodeData* TND_VisObject::CopyToTree(TTreeModel& tree) {
  if (!VisObj) return nullptr;
  TTVNodeData& copy = MakeNodeOfClass(interface_->Class, GetShortTypeName(), -1, tree, nullptr,
                                      nullptr, kNoIndex, Access, TIndexStyle::NoIndex,
                                      TVisObjSource::SupplyOnCreate, NodeKind, nullptr, nullptr);
  static_cast<TND_VisObject&>(copy).VisObj = VisObj;
  return &copy;
}

void TND_VisObject::CreateChildren() {
  if (!VisObj) return;
  for (const TPropRow& row : interface_->Rows) {
    try {
      TTVNodeData& child =
          MakeNodeOfClass(row.Class, std::string(row.Name), row.PropIndex, *Tree, TreeNode, nullptr,
                          kNoIndex, row.Access, row.IndexStyle, ChildObjSource(row), row.NodeKind,
                          row.IndexLUT.Resolve(), row.ValueLUT.Resolve(ValueLUT));
      child.Refresh(0);
    } catch (const std::exception& e) {
      VisioController.NoteLinkError(e);
      // One row that cannot be made does not keep the others from showing.
    }
  }
}

std::string TND_VisObject::GetIdentifyingStr() {
  ValueErrorStr.clear();
  if (!VisObj) {
    ValueErrorStr = kNotAssigned;
    return {};
  }
  try {
    return IdentifyingText();
  } catch (const std::exception& e) {
    ValueErrorStr = " " + ExceptionText(e);
    VisioController.NoteLinkError(e);
    return {};
  }
}

std::string TND_VisObject::IdentifyingText() {
  const TIdentifying& form = interface_->Identifying;
  switch (form.Form) {
    case TIdentForm::QuotedProperty: {
      std::string text = VisObj.Get(form.Property).ToString();
      if (form.Cut > 0) text = Utf8Prefix(text, form.Cut);
      return " \"" + text + "\"";
    }
    case TIdentForm::Count:
      return " (Count: " + std::to_string(VisObj.Get("Count").ToInt32()) + ")";
    case TIdentForm::Empty:
    case TIdentForm::OwnForm:
      break;
  }
  return {};
}

bool TND_VisObject::RefreshVisObject() {
  if (ObjSource == TVisObjSource::RefreshFromAncestor && ParentData != nullptr) {
    VisObj.Reset();
    ParentData->RefreshChildVisObject(*this);
  }
  if (TreeNode != nullptr) TreeNode->SetHasChildren(true);
  return static_cast<bool>(VisObj);
}

std::string TND_VisObject::GetCaption() {
  std::string indexText;
  try {
    indexText = BaseIndexText(interface_->Caption == TCaptionVariant::Member);
  } catch (const std::exception& e) {
    VisioController.NoteLinkError(e);
    if (indexText.empty()) indexText = "Exception";
  }
  const std::string identifying = GetIdentifyingStr();
  return JoinCaption(indexText, identifying, "");
}

void TND_VisObject::CreateArrayChildren(TTVNodeData& array) {
  const TPropRow* row = FindRow(*interface_, array.PropIndex);
  if (row == nullptr || row->Class != TNodeClass::TND_Array) return;
  const TElementRow* elements = FindElements(*interface_, row->Name);
  if (elements == nullptr) return;
  // The counts are read without a handler of their own: when they cannot be
  // read, no element is made and the caller hears of it.
  switch (elements->Made) {
    case TElementsMade::EachEntry:
      if (const TLUT* table = elements->MadeFrom.Resolve()) {
        for (std::int32_t i = 0; i < table->Count(); ++i) {
          CreateArrayElement(array, table->EntryAt(i)->Value(), nullptr);
        }
      }
      break;
    case TElementsMade::ExactlyOneIndex0:
      CreateArrayElement(array, 0, nullptr);
      break;
    case TElementsMade::Index1ToCount: {
      const std::int32_t count = VisObj.Get("Count").ToInt32();
      for (std::int32_t i = 1; i <= count; ++i) CreateArrayElement(array, i, nullptr);
      break;
    }
    case TElementsMade::Index0ToCountLess1: {
      const std::int32_t count = VisObj.Get("Count").ToInt32();
      for (std::int32_t i = 0; i < count; ++i) CreateArrayElement(array, i, nullptr);
      break;
    }
    case TElementsMade::Index1ToLayerCount: {
      const std::int32_t count = VisObj.Get("LayerCount").ToInt32();
      for (std::int32_t i = 1; i <= count; ++i) CreateArrayElement(array, i, nullptr);
      break;
    }
    case TElementsMade::MadeByNode:
      break;
  }
}

void TND_VisObject::CreateArrayElement(TTVNodeData& array, int index, TTreeItem* insertBefore) {
  const TPropRow* row = FindRow(*interface_, array.PropIndex);
  if (row == nullptr) return;
  const TElementRow* elements = FindElements(*interface_, row->Name);
  if (elements == nullptr) return;
  try {
    TTVNodeData& element = MakeNodeOfClass(
        elements->Class, array.Name, array.PropIndex, *Tree, array.TreeNode, insertBefore,
        static_cast<std::int16_t>(index), array.Access, array.IndexStyle, elements->ObjSource,
        elements->NodeKind, array.IndexLUT, array.ValueLUT);
    element.Refresh(0);
  } catch (const std::exception& e) {
    VisioController.NoteLinkError(e);
    // As with rows: an element that cannot be made is left out.
  }
}

Variant TND_VisObject::GetElement(const TPropRow& row, const TElementRow& elements,
                                  const TTVNodeData& element) const {
  const std::vector<Variant> args = IndexArguments(elements, element);
  if (!VisObj) throw AutomationError(automation::E_POINTER);
  return VisObj->Invoke(automation::CallKind::PropertyGet, VisioPropertyName(row),
                        automation::Args(args));
}

void TND_VisObject::RefreshChildVisObject(TTVNodeData& child) {
  child.ObjErrorStr.clear();
  auto* target = dynamic_cast<TND_VisObject*>(&child);
  const TPropRow* row = FindRow(*interface_, child.PropIndex);
  if (target == nullptr || row == nullptr) return;
  try {
    ObjectRef object;
    TNodeClass expected = row->Class;
    if (IsArrayElement(*row, child)) {
      const TElementRow* elements = FindElements(*interface_, row->Name);
      if (elements == nullptr) return;
      expected = elements->Class;
      object = GetElement(*row, *elements, child).ToObject();
    } else {
      object = VisObj.Get(VisioPropertyName(*row)).ToObject();
    }
    if (expected == target->interface_->Class) target->VisObj = std::move(object);
  } catch (const std::exception& e) {
    child.ObjErrorStr = ExceptionText(e);
    VisioController.NoteCallError(e);
  }
}

std::string TND_VisObject::ArrayCountText(const TTVNodeData& array, const TPropRow& row,
                                          const TElementRow* elements) const {
  if (row.Access == TAccessKind::WriteOnly) return std::string(kWriteOnly);
  switch (row.IndexStyle) {
    case TIndexStyle::LUT:
    case TIndexStyle::LUTStyle:
      if (array.IndexLUT != nullptr) return std::to_string(array.IndexLUT->Count());
      if (elements != nullptr) return std::string(elements->FixedCountText);
      break;
    case TIndexStyle::Item0:
    case TIndexStyle::Item1:
      return std::to_string(VisObj.Get("Count").ToInt32());
    case TIndexStyle::Layer1:
      return std::to_string(VisObj.Get("LayerCount").ToInt32());
    default:
      break;
  }
  return std::string(kNoResult);
}

std::string TND_VisObject::GetChildValueStr(TTVNodeData& child, int maxLength, bool raw) {
  std::string text(kNoResult);
  const TPropRow* row = FindRow(*interface_, child.PropIndex);
  if (row == nullptr) return text;
  try {
    if (row->Class == TNodeClass::TND_Array) {
      const TElementRow* elements = FindElements(*interface_, row->Name);
      if (child.Index == kNoIndex) {
        text = ArrayCountText(child, *row, elements);
      } else if (elements != nullptr) {
        if (IsVisObjectClass(elements->Class)) {
          text = kNoValueForObjects;
        } else {
          ReadValue(
              elements->Class, row->Access, [&] { return GetElement(*row, *elements, child); },
              child.ValueLUT, maxLength, raw, text);
        }
      }
    } else if (IsValueClass(row->Class)) {
      ReadValue(
          row->Class, row->Access, [&] { return VisObj.Get(VisioPropertyName(*row)); },
          child.ValueLUT, maxLength, raw, text);
    }
  } catch (const std::exception& e) {
    child.ValueErrorStr = ExceptionText(e);
    VisioController.NoteLinkError(e);
  }
  return text;
}

void TND_VisObject::WriteChild(const ObjectRef& target, const TTVNodeData& child,
                               const std::string& value) const {
  const TPropRow* row = FindRow(*interface_, child.PropIndex);
  if (row == nullptr || row->Access != TAccessKind::ReadWrite || row->Put == TPut::NoPut) return;
  if (target == nullptr) throw AutomationError(automation::E_POINTER);
  if (row->Class == TNodeClass::TND_Array) {
    if (child.Index == kNoIndex) return;
    const TElementRow* elements = FindElements(*interface_, row->Name);
    if (elements == nullptr) return;
    const std::optional<Variant> converted = ConvertText(elements->Class, value);
    if (!converted) return;
    std::vector<Variant> args = IndexArguments(*elements, child);
    args.push_back(*converted);
    target->Invoke(automation::CallKind::PropertyPut, VisioPropertyName(*row),
                   automation::Args(args));
  } else if (IsValueClass(row->Class)) {
    const std::optional<Variant> converted = ConvertText(row->Class, value);
    if (converted) target.Put(VisioPropertyName(*row), *converted);
  }
}

TLocateCounterpart TND_VisObject::Locator() {
  return {};
}

TSetValueStatus TND_VisObject::SetChildValueStr(TTVNodeData& child, const std::string& value,
                                                std::string& message) {
  message.clear();
  const ObjectRef own = VisObj;
  return SetValueProtocol(
      Locator(), own, [&](const ObjectRef& target) { WriteChild(target, child, value); }, message);
}

bool TND_VisObject::IsVisObjectNode() const {
  return true;
}

std::int32_t TND_VisObject::GetIndexValue(TIndexKind kind) {
  if (!VisObj || (interface_->IndexKinds & KindBit(kind)) == 0) return -1;
  try {
    return VisObj.Get(TIndexKindNames[Ord(kind)]).ToInt32();
  } catch (const std::exception& e) {
    VisioController.NoteLinkError(e);
    return -1;
  }
}

std::int32_t TND_VisObject::GetCountValue(TCountKind kind) {
  if (!VisObj || (interface_->CountKinds & KindBit(kind)) == 0) return -1;
  try {
    return VisObj.Get(TCountKindNames[Ord(kind)]).ToInt32();
  } catch (const std::exception& e) {
    VisioController.NoteLinkError(e);
    return -1;
  }
}

// ---- TND_IVCell ----

std::string TND_IVCell::GetCaption() {
  const bool showsFormula =
      IndexStyle == TIndexStyle::LUTStyle || IndexStyle == TIndexStyle::CellsSRC;
  std::string indexText;
  std::string valuePart;
  try {
    switch (IndexStyle) {
      case TIndexStyle::LUTStyle:
        if (IndexLUT == nullptr) throw std::logic_error("no index table");
        indexText = '"' + IndexLUT->Lookup(Index) + '"';
        break;
      case TIndexStyle::CellsSRC:
        if (!VisObj) throw AutomationError(automation::E_POINTER);
        indexText = std::to_string(VisObj.Get("Column").ToInt32());
        break;
      default:
        indexText = BaseIndexText(false);
        break;
    }
    if (showsFormula) {
      if (!VisObj) throw AutomationError(automation::E_POINTER);
      valuePart = ValuePart('"' + VisObj.Get("Formula").ToString() + '"');
    }
    if (ValueLUT != nullptr && VisObj) {
      valuePart +=
          " (=\"" + ValueLUT->Lookup(RoundHalfEven(VisObj.Get("ResultIU").ToDouble())) + "\")";
    }
  } catch (const std::exception& e) {
    VisioController.NoteLinkError(e);
    if (indexText.empty()) indexText = "Exception";
  }
  const std::string identifying =
      IndexStyle == TIndexStyle::LUTStyle ? std::string() : GetIdentifyingStr();
  return JoinCaption(indexText, identifying, valuePart);
}

namespace {

// Where an inherited cell's formula comes from: a style, a master's shape,
// or a shape (a master's own inheritance chain).
std::string SourceText(const ObjectRef& source) {
  if (const ObjectRef style = source.Get("Style").ToObject())
    return "style \"" + style.Get("Name").ToString() + "\"";
  const ObjectRef shape = source.Get("Shape").ToObject();
  if (!shape) return "its defaults";
  std::string text = "shape \"" + shape.Get("Name").ToString() + "\"";
  if (const ObjectRef master = shape.Get("ContainingMaster").ToObject())
    text += " of master \"" + master.Get("Name").ToString() + "\"";
  return text;
}

}  // namespace

std::string TND_IVCell::GetToolTip() {
  std::string tip = TreeNode != nullptr ? TreeNode->Text() : std::string();
  if (!VisObj) return tip;
  try {
    const Variant units = VisObj.Get("Units");
    tip += "\nFormula: " + VisObj.Get("Formula").ToString();
    const double result = VisObj.Get("Result", {units}).ToDouble();
    const std::string unitName = LUT_VisUnitCodes != nullptr
                                     ? LUT_VisUnitCodes->Lookup(units.ToInt32())
                                     : std::to_string(units.ToInt32());
    tip += "\nResult: " + FormatFloat(result) + " (" + unitName + ")";
    tip += "\nResultStr: " + VisObj.Get("ResultStr", {units}).ToString();
    if (const ObjectRef source = SourceCell()) {
      tip += "\nInherited from " + SourceText(source);
    } else {
      tip += VisObj.Get("IsInherited").ToInt32() == 0 ? "\nLocal" : "\nInherited from its defaults";
    }
  } catch (const std::exception& e) {
    tip += std::string("\n") + e.what();
  }
  return tip;
}

std::string TND_IVCell::SharedCellWarning() const {
  if (!VisObj) return {};
  try {
    std::string owner;
    if (VisObj.Get("Style").ToObject()) {
      owner = SourceText(VisObj);
    } else if (const ObjectRef shape = VisObj.Get("Shape").ToObject();
               shape && shape.Get("ContainingMaster").ToObject()) {
      owner = SourceText(VisObj);
    }
    if (owner.empty()) return {};
    return "Shared cell of " + owner + ": saving changes every shape that inherits it.";
  } catch (const std::exception&) {
    return {};  // the edit itself reports what is wrong with the cell
  }
}

TLocateCounterpart TND_IVCell::Locator() {
  return [this](ObjectRef& counterpart, IVMaster& openedMaster, std::string& errText) {
    IVCell editCell;
    const TSetValueStatus status =
        VisioController.LocateMasterCell(IVCell(VisObj), editCell, openedMaster, errText);
    counterpart = editCell.Object();
    return status;
  };
}

// ---- TND_IVShape ----

std::string TND_IVShape::IdentifyingText() {
  return '"' + Utf8Prefix(VisObj.Get("Text").ToString(), 70) + "\": (" +
         VisObj.Get("Name").ToString() + "/" + VisObj.Get("NameID").ToString() + ")";
}

TLocateCounterpart TND_IVShape::Locator() {
  return [this](ObjectRef& counterpart, IVMaster& openedMaster, std::string& errText) {
    IVShape editShape;
    const TSetValueStatus status =
        VisioController.LocateMasterShape(IVShape(VisObj), editShape, openedMaster, errText);
    counterpart = editShape.Object();
    return status;
  };
}

// ---- TND_IVWindow ----

std::string TND_IVWindow::IdentifyingText() {
  std::string text = "\"";
  if (const ObjectRef document = VisObj.Get("Document").ToObject()) {
    text += document.Get("Name").ToString();
  }
  if (const ObjectRef page = VisObj.Get("PageAsObj").ToObject()) {
    text += ":" + page.Get("Name").ToString();
  }
  return text + "\"";
}

// ---- roots ----

namespace {

template <class T>
T& MakeRoot(TTreeModel& tree, const char* name, ObjectRef object) {
  T& root = MakeNode<T>(name, -1, tree, nullptr, nullptr, kNoIndex, TAccessKind::ReadOnly,
                        TIndexStyle::NoIndex, TVisObjSource::SupplyOnCreate, TNodeKind::VisObject,
                        nullptr, nullptr);
  root.VisObj = std::move(object);
  root.Refresh(0);
  return root;
}

}  // namespace

TND_IVApplication& MakeApplicationRoot(TTreeModel& tree, ObjectRef app) {
  return MakeRoot<TND_IVApplication>(tree, "Application", std::move(app));
}

ObjectRef TND_IVCell::SourceCell() const {
  if (!VisObj || VisObj.Get("IsInherited").ToInt32() == 0) return {};
  ObjectRef source = VisObj.Get("InheritedFormulaSource").ToObject();
  if (automation::SameObject(source, VisObj)) return {};
  return source;
}

TTVNodeData* TND_IVCell::SourceCellToTree(TTreeModel& tree) {
  ObjectRef source = SourceCell();
  if (!source) return nullptr;
  auto& root = MakeNode<TND_IVCell>("Cell", -1, tree, nullptr, nullptr, kNoIndex, Access,
                                    TIndexStyle::NoIndex, TVisObjSource::SupplyOnCreate, NodeKind,
                                    nullptr, ValueLUT);
  root.VisObj = std::move(source);
  root.Refresh(0);
  return &root;
}

bool IsEditableNode(const TTVNodeData& node) {
  return dynamic_cast<const TND_WideString*>(&node) != nullptr ||
         dynamic_cast<const TND_Integer*>(&node) != nullptr ||
         dynamic_cast<const TND_Smallint*>(&node) != nullptr ||
         dynamic_cast<const TND_Double*>(&node) != nullptr ||
         dynamic_cast<const TND_IVCell*>(&node) != nullptr;
}

TND_IVShape& MakeShapeRoot(TTreeModel& tree, ObjectRef shape) {
  return MakeRoot<TND_IVShape>(tree, "Shape", std::move(shape));
}
