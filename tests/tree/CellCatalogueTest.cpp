// The cell catalogue's look-ups, and the sheet nodes over a fake shape where
// Visio's answers need to be chosen: existence states and failing counts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/FakeVisio.h"
#include "tests/tree/TreeTestSupport.h"
#include "tree/Tarvel_Cells01.h"
#include "tree/VisObjectNodes.h"

namespace {

using automation::ObjectRef;
using automation::Variant;
using fake::Args;
using tree_test::Child;
using tree_test::Expanded;

class CellCatalogueTest : public tree_test::TreeTest {};

const TSectionClass& Section(std::int32_t index) {
  std::int32_t offset = 0;
  std::string name;
  const TSectionClass* section = FindSection(*CellCatalogue, index, offset, name);
  if (section == nullptr) throw std::runtime_error("no section " + std::to_string(index));
  return *section;
}

TEST_F(CellCatalogueTest, SectionsAreFoundWithGeometryOffsets) {
  struct Case {
    std::int32_t index;
    const char* name;  // null: none
    std::int32_t offset;
    const char* display;
  };
  const Case cases[] = {
      {1, "Object", -1, "Object"},
      {9, "Controls", -1, "Controls"},
      {10, "Geometry", 0, "Geometry[1]"},
      {12, "Geometry", 2, "Geometry[3]"},
      {239, "Geometry", 229, "Geometry[230]"},
      {240, "Action", -1, "Action"},
      {243, "Prop", -1, "Prop"},
      {0, nullptr, -1, "ERROR-Lookup"},
      {244, nullptr, -1, "ERROR-Lookup"},
  };
  for (const Case& c : cases) {
    std::int32_t offset = 99;
    std::string display;
    const TSectionClass* found = FindSection(*CellCatalogue, c.index, offset, display);
    if (c.name == nullptr) {
      EXPECT_EQ(found, nullptr) << c.index;
    } else {
      ASSERT_NE(found, nullptr) << c.index;
      EXPECT_EQ(found->Name, c.name);
    }
    EXPECT_EQ(offset, c.offset) << c.index;
    EXPECT_EQ(display, c.display) << c.index;
  }
}

TEST_F(CellCatalogueTest, RowsAreFoundByIndexRepeatingRowsWithAnOffset) {
  struct Case {
    std::int32_t section, row;
    std::int32_t offset;
    const char* display;
  };
  const Case cases[] = {
      {1, 1, -1, "Shape Transform"}, {1, 12, -1, "Text Transform"}, {1, 13, -1, "ERROR-Lookup"},
      {1, 19, -1, "Hyperlink"},      {10, 0, -1, "Component"},      {10, 1, 0, "Vertex[1]"},
      {10, 7, 6, "Vertex[7]"},       {6, 3, 3, "Scratch[4]"},       {6, -1, -1, "ERROR-Lookup"},
  };
  for (const Case& c : cases) {
    std::int32_t offset = 99;
    std::string display;
    FindRow(Section(c.section), c.row, offset, display);
    EXPECT_EQ(offset, c.offset) << c.section << "/" << c.row;
    EXPECT_EQ(display, c.display) << c.section << "/" << c.row;
  }
}

TEST_F(CellCatalogueTest, RowTypesAreFoundByTagExceptForSingleTypeRows) {
  std::int32_t offset = 0;
  std::string display;
  const TRowClass& vertex = *FindRow(Section(10), 1, offset, display);
  const TRowClass& tabs = *FindRow(Section(5), 0, offset, display);
  const TRowClass& scratch = *FindRow(Section(6), 0, offset, display);
  struct Case {
    const TRowClass* row;
    std::int32_t tag;
    const char* type;  // null: none
    int cells;
  };
  const Case cases[] = {
      {&vertex, 139, "LineTo", 2},  {&vertex, 144, "EllipticalArcTo", 7},
      {&vertex, 137, nullptr, 0},   {&vertex, -1, nullptr, 0},
      {&tabs, 136, "Tab0", 0},      {&tabs, 150, "Tab2", 10},
      {&tabs, 151, "Tab10", 31},    {&scratch, 0, "Default", 6},
      {&scratch, 42, "Default", 6}, {&scratch, -1, nullptr, 0},
  };
  for (const Case& c : cases) {
    const TRowType* type = FindRowType(*c.row, c.tag);
    if (c.type == nullptr) {
      EXPECT_EQ(type, nullptr) << c.row->Name << " " << c.tag;
      continue;
    }
    ASSERT_NE(type, nullptr) << c.row->Name << " " << c.tag;
    EXPECT_EQ(type->Name, c.type);
    EXPECT_EQ(type->Cells.Count(), c.cells) << c.type;
  }
}

TEST_F(CellCatalogueTest, ListsRefuseEntriesBeyondTheirCapacity) {
  TCellsStruc catalogue(1);
  TSectionClass& section = AddSection(catalogue, "Scratch", 6, 1, false);
  EXPECT_THROW(AddSection(catalogue, "User", 242, 1, false), std::length_error);
  TRowType& type = AddRowType(AddRow(section, "Scratch", 0, 1, true), "Default", -1, 1);
  AddCell(type, "ScratchX", 0, nullptr);
  EXPECT_THROW(AddCell(type, "ScratchY", 1, nullptr), std::length_error);
  EXPECT_EQ(type.Cells.Count(), 1);
}

// ---- over a fake shape ----

class FakeSheetTest : public tree_test::TreeTest {
 protected:
  void SetUp() override {
    TreeTest::SetUp();
    shape->OnGet("GeometryCount", [this](Args) { return Variant(geometryCount); })
        .OnGet("RowCount", [](Args) { return Variant(std::int16_t{0}); })
        .OnGet("SectionExists",
               [this](Args a) {
                 return Variant::VisBool(a[1].ToInt32() != 0 ? existsLocally : exists);
               })
        .OnGet("CellsSRC", [this](Args a) {
          // One cell object per geometry section, as Visio hands them out.
          return Variant(identity[static_cast<std::size_t>(a[0].ToInt32() - 10) % 3]);
        });
    shape->Fail("RowType", automation::E_FAIL, "Unexpected end of file.");
    TTreeItem& root = Expanded(*MakeShapeRoot(tree, ObjectRef(shape)).TreeNode);
    sheet = &Child(root, "CellsSRC-Sections");
  }

  fake::FakeRef shape = fake::Make();
  std::vector<fake::FakeRef> identity = {fake::Make(), fake::Make(), fake::Make()};
  std::int16_t geometryCount = 2;
  bool existsLocally = false;
  bool exists = false;
  TTreeModel tree;
  TTreeItem* sheet = nullptr;
};

TEST_F(FakeSheetTest, SectionStateIsLocalWhenTheShapeHoldsItElseInheritedWhenSeen) {
  sheet->Expand();
  TTreeItem& object = *sheet->Item(0);
  struct Case {
    bool local, any;
    const char* state;
  };
  for (const Case& c : {Case{false, false, "Doesn't Exist"}, Case{true, false, "Local"},
                        Case{false, true, "Inherited"}, Case{true, true, "Local"}}) {
    existsLocally = c.local;
    exists = c.any;
    object.Data()->Refresh(0);
    EXPECT_EQ(object.Text(), std::string("S[1]: Object (R: 0) (") + c.state + ")");
  }
  shape->Fail("SectionExists", automation::E_FAIL, "Boom.");
  object.Data()->Refresh(0);
  EXPECT_EQ(object.Text(), "S[1]: Object (R: 0) (Exception)");
}

TEST_F(FakeSheetTest, AGeometryCountThatCannotBeReadLeavesTheSectionsAlone) {
  shape->Fail("GeometryCount", automation::E_FAIL, "Boom.");
  EXPECT_THROW(sheet->Expand(), automation::AutomationError);
  sheet->Collapse();
  shape->Heal("GeometryCount");
  sheet->Expand();
  ASSERT_EQ(sheet->Count(), 15);
  TTreeItem& geometry = Expanded(*sheet->Item(10));

  geometryCount = 0;
  for (const automation::HResult code : {automation::E_FAIL, automation::RPC_E_CALL_REJECTED}) {
    shape->Fail("GeometryCount", code, "Boom.");
    sheet->Data()->Refresh(2);
    EXPECT_EQ(sheet->Count(), 15);
    EXPECT_TRUE(geometry.Expanded());
  }
  EXPECT_TRUE(VisioController.CallRefused());

  // While Visio refuses calls nothing is reconciled, even with a count.
  shape->Heal("GeometryCount");
  sheet->Data()->Refresh(2);
  EXPECT_EQ(sheet->Count(), 15);

  VisioController.SetCallRefused(false);
  sheet->Data()->Refresh(2);
  EXPECT_EQ(sheet->Count(), 13);
  EXPECT_EQ(sheet->Item(9)->Text(), "S[240]: Action (R: 0) (Doesn't Exist)");
}

}  // namespace
