#include "tree/Tarvel_Cells01.h"

#include <exception>

#include "tree/VisObjectNodes.h"

using automation::AutomationError;
using automation::ObjectRef;
using automation::Variant;

// ---- the catalogue ----

TSectionClass& AddSection(TCellsStruc& catalogue, std::string name, std::int32_t sectionIndex,
                          int rowCapacity, bool repeats) {
  return catalogue.Sections.Append(
      std::make_unique<TSectionClass>(std::move(name), sectionIndex, rowCapacity, repeats));
}

TRowClass& AddRow(TSectionClass& section, std::string name, std::int32_t rowIndex, int typeCapacity,
                  bool repeats) {
  return section.Rows.Append(
      std::make_unique<TRowClass>(std::move(name), rowIndex, typeCapacity, repeats));
}

TRowType& AddRowType(TRowClass& row, std::string name, std::int32_t tag, int cellCapacity) {
  return row.RowTypes.Append(std::make_unique<TRowType>(std::move(name), tag, cellCapacity));
}

TCellInfo& AddCell(TRowType& rowType, std::string name, std::int32_t column, const TLUT* valueLUT) {
  return rowType.Cells.Append(
      std::make_unique<TCellInfo>(TCellInfo{std::move(name), column, valueLUT}));
}

namespace {

std::string DisplayName(const std::string* name, std::int32_t offset) {
  std::string text = name != nullptr ? *name : std::string("ERROR-Lookup");
  if (offset != -1) text += "[" + std::to_string(offset + 1) + "]";
  return text;
}

}  // namespace

const TSectionClass* FindSection(const TCellsStruc& catalogue, std::int32_t sectionIndex,
                                 std::int32_t& offset, std::string& displayName) {
  const TSectionClass* geometry = nullptr;
  const TSectionClass* match = nullptr;
  for (const auto& section : catalogue.Sections) {
    if (section->SectionIndex == kFirstGeometrySection) geometry = section.get();
    if (section->SectionIndex == sectionIndex) match = section.get();
  }
  const TSectionClass* found = match;
  offset = -1;
  if (sectionIndex >= kFirstGeometrySection && sectionIndex <= kLastGeometrySection) {
    found = geometry;
    offset = sectionIndex - kFirstGeometrySection;
  }
  displayName = DisplayName(found != nullptr ? &found->Name : nullptr, offset);
  return found;
}

const TRowClass* FindRow(const TSectionClass& section, std::int32_t rowIndex, std::int32_t& offset,
                         std::string& displayName) {
  const TRowClass* found = nullptr;
  offset = -1;
  for (const auto& row : section.Rows) {
    if (row->Repeats != 0) {
      if (row->RowIndex <= rowIndex) {
        found = row.get();
        offset = rowIndex - row->RowIndex;
      }
    } else if (row->RowIndex == rowIndex) {
      found = row.get();
      offset = -1;
      break;
    }
  }
  displayName = DisplayName(found != nullptr ? &found->Name : nullptr, offset);
  return found;
}

const TRowType* FindRowType(const TRowClass& row, std::int32_t tag) {
  if (tag == -1) return nullptr;
  if (row.RowTypes.Count() == 1) return &row.RowTypes[0];
  for (const auto& type : row.RowTypes) {
    if (type->Tag == tag) return type.get();
  }
  return nullptr;
}

// ---- Visio calls ----

namespace {

// Runs a Visio read; any failure gives `fallback`, and a refused call also
// raises the controller's flag so that open branches survive it.
template <class T, class Read>
T Guarded(T fallback, const Read& read) {
  try {
    return read();
  } catch (const std::exception& e) {
    VisioController.NoteCallError(e);
  }
  return fallback;
}

Variant Small(std::int32_t value) {
  return Variant(static_cast<std::int16_t>(value));
}

ObjectRef FetchCellSRC(const ObjectRef& shape, std::int32_t section, std::int32_t row,
                       std::int32_t column) {
  if (!shape) return {};
  return Guarded(ObjectRef(), [&] {
    return shape.Get("CellsSRC", {Small(section), Small(row), Small(column)}).ToObject();
  });
}

// What the shape holds itself is local; what it sees only through its
// master or a style is inherited. Visio's answer for the flag 0 is true
// for both, so the local question decides first.
template <class Exists>
TExistState ExistState(const ObjectRef& shape, const Exists& exists) {
  if (!shape) return TExistState::DoesNotExist;
  return Guarded(TExistState::Exception, [&] {
    if (exists(-1) != 0) return TExistState::Local;
    if (exists(0) != 0) return TExistState::Inherited;
    return TExistState::DoesNotExist;
  });
}

// A row with a name shows as its cells are named ("Prop.Cost"): the
// section's part of its first cell's name, then the row's name. Object and
// geometry rows have no names, and rows of other sections may have none.
std::string RowNameOf(const ObjectRef& shape, std::int32_t section, std::int32_t row) {
  if (section == 1 || (section >= kFirstGeometrySection && section <= kLastGeometrySection)) {
    return {};
  }
  const ObjectRef cell = FetchCellSRC(shape, section, row, 0);
  if (!cell) return {};
  return Guarded(std::string(), [&] {
    const std::string rowName = cell.Get("RowNameU").ToString();
    if (rowName.empty()) return std::string();
    const std::string cellName = cell.Get("Name").ToString();
    const std::size_t dot = cellName.find('.');
    return dot == std::string::npos ? rowName : cellName.substr(0, dot + 1) + rowName;
  });
}

// Every open sheet below `item`, outermost first.
void CollectSheets(TTreeItem& item, std::vector<TTreeItem*>& sheets) {
  if (dynamic_cast<TND_CellsSections*>(item.Data()) != nullptr) {
    if (item.Expanded()) sheets.push_back(&item);
    return;
  }
  for (int i = 0; i < item.Count(); ++i) CollectSheets(*item.Item(i), sheets);
}

}  // namespace

const TCellsStruc& CatalogueOf(const TTreeModel& tree) {
  static const TCellsStruc empty(0);
  const TCellsStruc* catalogue = tree.AllSections() ? AllSectionsCatalogue : CellCatalogue;
  return catalogue != nullptr ? *catalogue : empty;
}

void ShowAllSections(TTreeModel& tree, bool on) {
  if (tree.AllSections() == on) return;
  tree.SetAllSections(on);
  // A sheet's section and row nodes keep the catalogue entries they were
  // made with, so an open sheet is made again rather than reconciled.
  std::vector<TTreeItem*> sheets;
  for (int i = 0; i < tree.Count(); ++i) CollectSheets(*tree.Item(i), sheets);
  for (TTreeItem* sheet : sheets) {
    tree.Collapse(sheet);
    tree.Expand(sheet);
  }
}

// ---- the sections node ----

TND_CellsSections::TND_CellsSections(std::string name, std::int32_t propIndex, TTreeModel& tree,
                                     TTreeItem* parentItem, TTreeItem* insertBefore)
    : TTVNodeData("Cells-Sections", std::move(name), propIndex, tree, parentItem, insertBefore,
                  kNoIndex, TAccessKind::ReadOnly, TIndexStyle::CellsSRC,
                  TVisObjSource::SupplyOnCreate, TNodeKind::Sheet, nullptr, nullptr) {}

ObjectRef TND_CellsSections::ShapeObject() const {
  const auto* shape = dynamic_cast<const TND_IVShape*>(ParentData);
  return shape != nullptr ? shape->VisObj : ObjectRef();
}

std::string TND_CellsSections::GetCaption() {
  return Name;
}

void TND_CellsSections::RefreshChildVisObject(TTVNodeData& child) {
  if (ParentData != nullptr) ParentData->RefreshChildVisObject(child);
}

void TND_CellsSections::MakeSection(const ObjectRef& shape, std::int32_t sectionIndex,
                                    TTreeItem* before) {
  auto& section = MakeNode<TND_CellsSection>(PropIndex, *Tree, TreeNode, before,
                                             static_cast<std::int16_t>(sectionIndex));
  if (sectionIndex >= kFirstGeometrySection && sectionIndex <= kLastGeometrySection) {
    section.IdentityCell = FetchCellSRC(shape, sectionIndex, 0, 0);
  }
  section.Refresh(0);
}

void TND_CellsSections::CreateChildren() {
  const ObjectRef shape = ShapeObject();
  if (!shape) return;
  // Not guarded: a shape whose geometry cannot be counted is reported to
  // whoever expands it.
  const std::int32_t geometryCount = shape.Get("GeometryCount").ToInt32();
  for (const auto& section : CatalogueOf(*Tree).Sections) {
    if (section->SectionIndex == kFirstGeometrySection) {
      for (std::int32_t k = 0; k < geometryCount; ++k) {
        MakeSection(shape, kFirstGeometrySection + k, nullptr);
      }
    } else {
      MakeSection(shape, section->SectionIndex, nullptr);
    }
  }
}

void TND_CellsSections::Refresh(int mode) {
  if (TreeNode == nullptr) return;
  TreeNode->SetText(GetCaption());
  TreeNode->SetHasChildren(true);
  if (mode != 2 || !IsExpanded()) return;
  const ObjectRef shape = ShapeObject();
  if (!shape) return;
  // A count that cannot be read is no count: reconciling against it would
  // throw away every geometry section the user has open.
  std::int32_t geometryCount = -1;
  geometryCount = Guarded(geometryCount, [&] { return shape.Get("GeometryCount").ToInt32(); });
  if (geometryCount < 0 || VisioController.CallRefused()) return;
  Reconcile(shape, geometryCount);
}

void TND_CellsSections::Reconcile(const ObjectRef& shape, std::int32_t geometryCount) {
  TTreeItem& item = *TreeNode;
  int p = 0;
  for (const auto& section : CatalogueOf(*Tree).Sections) {
    if (section->SectionIndex == kFirstGeometrySection) {
      for (std::int32_t k = 0; k < geometryCount; ++k, ++p) {
        const std::int32_t index = kFirstGeometrySection + k;
        if (p >= item.Count()) {
          MakeSection(shape, index, nullptr);
          continue;
        }
        TTreeItem* at = item.Item(p);
        auto* node = dynamic_cast<TND_CellsSection*>(at->Data());
        if (node == nullptr || !node->IdentityCell) {
          // A later section moved up to here: the geometry section is new.
          MakeSection(shape, index, at);
          continue;
        }
        // The same section hands out the same identity cell; its index must
        // match too, or its rows would be read from another section.
        if (node->Index == index && FetchCellSRC(shape, index, 0, 0) == node->IdentityCell) {
          node->Refresh(2);
          continue;
        }
        TTreeItem* next = p + 1 < item.Count() ? item.Item(p + 1) : nullptr;
        at->Delete();
        MakeSection(shape, index, next);
      }
    } else {
      const std::int32_t index = section->SectionIndex;
      while (p < item.Count() && item.Item(p)->Data() != nullptr &&
             item.Item(p)->Data()->Index != index) {
        item.Item(p)->Delete();
      }
      if (p < item.Count()) {
        if (TTVNodeData* node = item.Item(p)->Data()) node->Refresh(2);
      } else {
        // Everything from here on was deleted: the section comes back new.
        MakeSection(shape, index, nullptr);
      }
      ++p;
    }
  }
}

// ---- the section node ----

TND_CellsSection::TND_CellsSection(std::int32_t propIndex, TTreeModel& tree, TTreeItem* parentItem,
                                   TTreeItem* insertBefore, std::int16_t sectionIndex)
    : TTVNodeData("Cells-Section", "S[" + std::to_string(sectionIndex) + "]", propIndex, tree,
                  parentItem, insertBefore, sectionIndex, TAccessKind::ReadOnly,
                  TIndexStyle::CellsSRC, TVisObjSource::SupplyOnCreate, TNodeKind::SheetSection,
                  nullptr, nullptr),
      CatSection(nullptr) {
  std::int32_t offset = -1;
  std::string displayName;
  CatSection = FindSection(CatalogueOf(tree), sectionIndex, offset, displayName);
}

ObjectRef TND_CellsSection::ShapeObject() const {
  const auto* sections = dynamic_cast<const TND_CellsSections*>(ParentData);
  return sections != nullptr ? sections->ShapeObject() : ObjectRef();
}

std::int32_t TND_CellsSection::RowCount() const {
  const ObjectRef shape = ShapeObject();
  if (!shape) return 0;
  return Guarded(std::int32_t{0}, [&] { return shape.Get("RowCount", {Small(Index)}).ToInt32(); });
}

TExistState TND_CellsSection::State() const {
  const ObjectRef shape = ShapeObject();
  return ExistState(shape, [&](std::int16_t local) {
    return shape.Get("SectionExists", {Small(Index), Variant(local)}).ToInt32();
  });
}

std::string TND_CellsSection::GetCaption() {
  std::int32_t offset = -1;
  std::string displayName;
  FindSection(CatalogueOf(*Tree), Index, offset, displayName);
  return Name + ": " + displayName + " (R: " + std::to_string(RowCount()) + ") (" +
         std::string(TExistStateNames[Ord(State())]) + ")";
}

void TND_CellsSection::RefreshChildVisObject(TTVNodeData& child) {
  if (ParentData != nullptr) ParentData->RefreshChildVisObject(child);
}

void TND_CellsSection::MakeRow(std::int32_t rowIndex) {
  MakeNode<TND_CellsSectionRow>(PropIndex, *Tree, TreeNode, nullptr,
                                static_cast<std::int16_t>(rowIndex))
      .Refresh(0);
}

void TND_CellsSection::CreateChildren() {
  Walk(false);
}

void TND_CellsSection::Refresh(int mode) {
  if (TreeNode == nullptr) return;
  TreeNode->SetText(GetCaption());
  TreeNode->SetHasChildren(true);
  if (mode == 2 && IsExpanded()) Walk(true);
}

void TND_CellsSection::Walk(bool reconcile) {
  if (CatSection == nullptr || TreeNode == nullptr) return;
  TTreeItem& item = *TreeNode;
  const std::int32_t rowCount = RowCount();
  // Fixed rows come first in every section, so the k-th row stands at
  // position k from one refresh to the next.
  int position = 0;
  const auto place = [&](std::int32_t rowIndex) {
    if (reconcile && position < item.Count()) {
      if (TTVNodeData* node = item.Item(position)->Data()) node->Refresh(2);
    } else {
      MakeRow(rowIndex);
    }
    ++position;
  };
  std::int32_t fixed = 0;
  for (const auto& row : CatSection->Rows) {
    if (row->Repeats == 0) {
      ++fixed;
      place(row->RowIndex);
      continue;
    }
    for (std::int32_t j = 0; j <= rowCount - 1 - fixed; ++j) place(row->RowIndex + j);
    if (reconcile) {
      while (item.Count() > 0 && item.Count() > rowCount) item.Item(item.Count() - 1)->Delete();
    }
  }
}

// ---- the row node ----

TND_CellsSectionRow::TND_CellsSectionRow(std::int32_t propIndex, TTreeModel& tree,
                                         TTreeItem* parentItem, TTreeItem* insertBefore,
                                         std::int16_t rowIndex)
    : TTVNodeData("Cells-Section-Row", "R[" + std::to_string(rowIndex) + "]", propIndex, tree,
                  parentItem, insertBefore, rowIndex, TAccessKind::ReadOnly, TIndexStyle::CellsSRC,
                  TVisObjSource::SupplyOnCreate, TNodeKind::SheetRow, nullptr, nullptr),
      CatRow(nullptr) {
  if (const auto* section = dynamic_cast<const TND_CellsSection*>(ParentData);
      section != nullptr && section->CatSection != nullptr) {
    std::int32_t offset = -1;
    std::string displayName;
    CatRow = FindRow(*section->CatSection, rowIndex, offset, displayName);
  }
}

ObjectRef TND_CellsSectionRow::ShapeObject() const {
  const auto* section = dynamic_cast<const TND_CellsSection*>(ParentData);
  return section != nullptr ? section->ShapeObject() : ObjectRef();
}

std::int32_t TND_CellsSectionRow::SectionIndex() const {
  return ParentData != nullptr ? ParentData->Index : -1;
}

std::int32_t TND_CellsSectionRow::Tag() const {
  const ObjectRef shape = ShapeObject();
  if (!shape) return -1;
  return Guarded(std::int32_t{-1}, [&] {
    return shape.Get("RowType", {Small(SectionIndex()), Small(Index)}).ToInt32();
  });
}

TExistState TND_CellsSectionRow::State() const {
  const ObjectRef shape = ShapeObject();
  return ExistState(shape, [&](std::int16_t local) {
    return shape.Get("RowExists", {Small(SectionIndex()), Small(Index), Variant(local)}).ToInt32();
  });
}

std::string TND_CellsSectionRow::GetCaption() {
  const std::int32_t tag = Tag();
  const TRowType* type = CatRow != nullptr ? FindRowType(*CatRow, tag) : nullptr;
  std::string rowName;
  if (Tree->AllSections()) rowName = RowNameOf(ShapeObject(), SectionIndex(), Index);
  if (rowName.empty()) rowName = CatRow != nullptr ? CatRow->Name : std::string("ERROR-Lookup");
  return Name + ": " + rowName + " (Tag: " + std::to_string(tag) + "=" +
         (type != nullptr ? type->Name : "none") + ") (" +
         std::string(TExistStateNames[Ord(State())]) + ")";
}

void TND_CellsSectionRow::RefreshChildVisObject(TTVNodeData& child) {
  if (ParentData != nullptr) ParentData->RefreshChildVisObject(child);
}

ObjectRef TND_CellsSectionRow::FetchCell(const ObjectRef& shape, std::int32_t column) const {
  return FetchCellSRC(shape, SectionIndex(), Index, column);
}

void TND_CellsSectionRow::MakeCell(const ObjectRef& shape, const TCellInfo& cell) {
  auto& node = MakeNode<TND_IVCell>("CellSRC", PropIndex, *Tree, TreeNode, nullptr,
                                    static_cast<std::int16_t>(cell.Column), TAccessKind::ReadWrite,
                                    TIndexStyle::CellsSRC, TVisObjSource::SupplyOnCreate,
                                    TNodeKind::SheetCell, nullptr, cell.ValueLUT);
  node.VisObj = FetchCell(shape, cell.Column);
  node.Refresh(0);
}

const TRowType* TND_CellsSectionRow::CurrentType() const {
  return CatRow != nullptr ? FindRowType(*CatRow, Tag()) : nullptr;
}

void TND_CellsSectionRow::CreateChildren() {
  const TRowType* type = CurrentType();
  if (type == nullptr) return;
  const ObjectRef shape = ShapeObject();
  for (const auto& cell : type->Cells) MakeCell(shape, *cell);
}

void TND_CellsSectionRow::Refresh(int mode) {
  if (TreeNode == nullptr) return;
  TreeNode->SetText(GetCaption());
  TreeNode->SetHasChildren(true);
  if (mode != 2 || !IsExpanded()) return;
  TTreeItem& item = *TreeNode;
  const TRowType* type = CurrentType();
  if (type == nullptr) {
    // A row without a type shows no cells, as when it is expanded; while
    // Visio refuses calls the type may only be out of reach.
    if (!VisioController.CallRefused()) item.DeleteChildren();
    return;
  }
  const ObjectRef shape = ShapeObject();
  // A row whose type changed keeps its cell items: each is re-fetched by
  // position with the new type's column.
  for (int k = 0; k < type->Cells.Count(); ++k) {
    const TCellInfo& cell = type->Cells[k];
    if (k < item.Count()) {
      if (auto* node = dynamic_cast<TND_IVCell*>(item.Item(k)->Data())) {
        node->VisObj = FetchCell(shape, cell.Column);
        node->Refresh(2);
      }
    } else {
      MakeCell(shape, cell);
    }
  }
  while (item.Count() > type->Cells.Count()) item.Item(item.Count() - 1)->Delete();
}
