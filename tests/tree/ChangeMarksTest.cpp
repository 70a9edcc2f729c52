// Change marks over the stand-in Visio's demo drawing: what a refresh
// reports changed, appeared or disappeared, which items it marks, and that
// collapsing and expanding between refreshes keeps the comparison.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "tests/tree/DemoTreeTest.h"
#include "tree/ChangeMarks.h"
#include "tree/TreeText.h"

namespace {

using automation::ObjectRef;
using automation::Variant;
using tree_test::ReachPath;

constexpr const char* kShapes = "Documents/Item[1]/Pages/Item[1]/Shapes";
const std::string kShapesPath = std::string("Application/") + kShapes;

class ChangeMarksTest : public tree_test::DemoTreeTest {
 protected:
  void SetUp() override {
    DemoTreeTest::SetUp();
    root = MakeApplicationRoot(tree, ObjectRef(app)).TreeNode;
  }

  TTreeItem& Reach(const std::string& path) { return ReachPath(*root, path); }
  std::vector<TTreeChange> Refresh() { return tree.Changes().Refresh(*root); }

  ObjectRef Page() const { return ObjectRef(app).Get("ActivePage").ToObject(); }
  ObjectRef ShapeAt(std::int16_t index) const {
    return Page().Get("Shapes").ToObject().Get("Item", {Variant(index)}).ToObject();
  }

  // The paths of the marked items, with their marks.
  std::vector<std::pair<std::string, int>> Marked() const {
    std::vector<std::pair<std::string, int>> marked;
    Collect(*root, marked);
    return marked;
  }
  static void Collect(const TTreeItem& item, std::vector<std::pair<std::string, int>>& marked) {
    if (item.Marks() != 0) marked.emplace_back(ItemPath(item), item.Marks());
    for (int i = 0; i < item.Count(); ++i) Collect(*item.Item(i), marked);
  }

  static std::vector<std::string> Lines(const std::vector<TTreeChange>& changes) {
    std::vector<std::string> lines;
    for (const TTreeChange& c : changes) {
      lines.push_back(std::string(1, static_cast<char>(c.kind)) + " " + c.path + ": " + c.caption);
    }
    return lines;
  }

  TTreeItem* root = nullptr;
};

TEST_F(ChangeMarksTest, PathsAreTheOnesExpandTakes) {
  EXPECT_EQ(ItemPath(Reach(std::string(kShapes) + "/Item[2]/CellsSRC-Sections/S[1]/R[1]")),
            kShapesPath + "/Item[2]/CellsSRC-Sections/S[1]/R[1]");
  // The array item itself keeps its own segment.
  EXPECT_EQ(ItemPath(Reach(std::string(kShapes) + "/Item")), kShapesPath + "/Item");
  EXPECT_EQ(ItemPath(*root), "Application");
}

TEST_F(ChangeMarksTest, AnUnchangedRefreshReportsAndMarksNothing) {
  Reach(std::string(kShapes) + "/Item[1]/CellsSRC-Sections/S[1]/R[1]");
  Reach(std::string(kShapes) + "/Item[2]");
  EXPECT_EQ(Lines(Refresh()), std::vector<std::string>{});
  EXPECT_EQ(Lines(Refresh()), std::vector<std::string>{});
  EXPECT_TRUE(Marked().empty());
  EXPECT_EQ(tree.MarkedCount(), 0u);
}

TEST_F(ChangeMarksTest, AChangedCellIsMarkedUntilTheNextRefresh) {
  const std::string row = std::string(kShapes) + "/Item[1]/CellsSRC-Sections/S[1]/R[1]";
  TTreeItem& pinX = Reach(row + "/CellSRC[0]");
  const std::string before = pinX.Text();
  Refresh();
  ShapeAt(1).Get("CellsU", {Variant("PinX")}).ToObject().Put("FormulaU", Variant("7.25 in"));

  const std::vector<TTreeChange> changes = Refresh();
  ASSERT_FALSE(changes.empty());
  const std::string cellPath = "Application/" + row + "/CellSRC[0]";
  const auto cell = std::find_if(changes.begin(), changes.end(),
                                 [&](const TTreeChange& c) { return c.path == cellPath; });
  ASSERT_NE(cell, changes.end()) << testing::PrintToString(Lines(changes));
  EXPECT_EQ(cell->kind, TTreeChange::Changed);
  EXPECT_EQ(cell->caption, pinX.Text());
  EXPECT_EQ(cell->before, before);
  EXPECT_NE(pinX.Text().find("7.25 in"), std::string::npos) << pinX.Text();
  EXPECT_EQ(pinX.Marks(), imChanged);
  // Every change is marked, and nothing else.
  EXPECT_EQ(Marked().size(), changes.size());
  EXPECT_EQ(tree.MarkedCount(), changes.size());

  EXPECT_EQ(Lines(Refresh()), std::vector<std::string>{});
  EXPECT_EQ(pinX.Marks(), 0);
  EXPECT_EQ(tree.MarkedCount(), 0u);
}

TEST_F(ChangeMarksTest, RenamedDeletedAndNewShapes) {
  TTreeItem& items = tree_test::Expanded(Reach(std::string(kShapes) + "/Item"));
  const int count = items.Count();
  ASSERT_GE(count, 3);
  for (int i = 0; i < count; ++i) items.Item(i)->Expand();
  Refresh();

  // Renaming the last shape changes its caption and its Name child.
  ShapeAt(static_cast<std::int16_t>(count)).Put("Name", Variant("Renamed"));
  std::vector<TTreeChange> changes = Refresh();
  const std::string last = kShapesPath + "/Item[" + std::to_string(count) + "]";
  std::vector<std::string> underLast;
  for (const TTreeChange& c : changes) {
    if (c.path.starts_with(last)) underLast.push_back(c.path);
  }
  EXPECT_EQ(underLast, (std::vector<std::string>{last, last + "/Name"}))
      << testing::PrintToString(Lines(changes));
  EXPECT_EQ(Lines(changes).size(), Marked().size());
  EXPECT_NE(items.Item(count - 1)->Text().find("Renamed"), std::string::npos);

  // Deleting it: the element and its open subtree disappear, the array's
  // caption (its count) changes, and the array is marked for what it lost.
  ShapeAt(static_cast<std::int16_t>(count)).Invoke("Delete");
  changes = Refresh();
  ASSERT_EQ(items.Count(), count - 1);
  std::vector<std::string> gone;
  for (const TTreeChange& c : changes) {
    if (c.kind == TTreeChange::Disappeared) gone.push_back(c.path);
  }
  ASSERT_FALSE(gone.empty()) << testing::PrintToString(Lines(changes));
  EXPECT_EQ(gone.front(), last);
  EXPECT_EQ(gone[1], last + "/" + PathSegment(*items.Item(0)->Item(0)));
  for (const std::string& path : gone) EXPECT_TRUE(path.starts_with(last)) << path;
  EXPECT_NE(items.Marks() & imChildGone, 0);
  // The disappeared lines follow the array's own line, in the tree's order.
  const auto arrayLine = std::find_if(changes.begin(), changes.end(), [&](const TTreeChange& c) {
    return c.path == kShapesPath + "/Item";
  });
  ASSERT_NE(arrayLine, changes.end());
  EXPECT_EQ(arrayLine->kind, TTreeChange::Changed);
  EXPECT_LT(arrayLine - changes.begin(),
            std::find_if(changes.begin(), changes.end(), [&](const TTreeChange& c) {
              return c.path == last;
            }) - changes.begin());

  // A new shape appears as a new element, marked new; what is below it is
  // not loaded and so not listed.
  Page().Invoke("DrawRectangle", {Variant(1.0), Variant(1.0), Variant(2.0), Variant(2.0)});
  changes = Refresh();
  ASSERT_EQ(items.Count(), count);
  std::vector<std::string> appeared;
  for (const TTreeChange& c : changes) {
    if (c.kind == TTreeChange::Appeared) appeared.push_back(c.path);
  }
  EXPECT_EQ(appeared, std::vector<std::string>{last}) << testing::PrintToString(Lines(changes));
  EXPECT_EQ(items.Item(count - 1)->Marks(), imNew);
  EXPECT_EQ(items.Marks() & imChildGone, 0);
}

TEST_F(ChangeMarksTest, CollapsingAndExpandingKeepsTheComparison) {
  const std::string shape = std::string(kShapes) + "/Item[1]";
  TTreeItem& shapeItem = Reach(shape);
  Reach(shape + "/CellsSRC-Sections/S[1]/R[1]/CellSRC[0]");
  Refresh();

  // Changed while the user has the branch closed: the refresh compares
  // nothing below it, and keeps what it had.
  shapeItem.Collapse();
  ShapeAt(1).Get("CellsU", {Variant("PinX")}).ToObject().Put("FormulaU", Variant("6 in"));
  for (const TTreeChange& c : Refresh()) {
    EXPECT_FALSE(c.path.starts_with("Application/" + shape + "/")) << c.path;
    EXPECT_NE(c.kind, TTreeChange::Disappeared) << c.path;
  }
  // Opened again, the next refresh finds the cell changed since it was seen.
  TTreeItem& pinX = Reach(shape + "/CellsSRC-Sections/S[1]/R[1]/CellSRC[0]");
  std::vector<TTreeChange> changes = Refresh();
  const std::string cellPath = "Application/" + shape + "/CellsSRC-Sections/S[1]/R[1]/CellSRC[0]";
  EXPECT_TRUE(std::any_of(changes.begin(), changes.end(), [&](const TTreeChange& c) {
    return c.path == cellPath && c.kind == TTreeChange::Changed;
  })) << testing::PrintToString(Lines(changes));
  EXPECT_EQ(pinX.Marks(), imChanged);

  // The marks come back when the branch is opened again before the next
  // refresh.
  shapeItem.Collapse();
  EXPECT_EQ(Reach(shape + "/CellsSRC-Sections/S[1]/R[1]/CellSRC[0]").Marks(), imChanged);

  // Items first loaded by expanding after the refresh are not new.
  Reach(std::string(kShapes) + "/Item[2]/CellsSRC-Sections/S[1]/R[1]");
  EXPECT_EQ(Lines(Refresh()), std::vector<std::string>{});

  // Sheets made again with every section: neither new nor gone items.
  ShowAllSections(tree, true);
  EXPECT_EQ(Lines(Refresh()), std::vector<std::string>{});
  ShowAllSections(tree, false);
  EXPECT_EQ(Lines(Refresh()), std::vector<std::string>{});
}

TEST_F(ChangeMarksTest, ANeverComparedBranchMarksNothingAtItsFirstRefresh) {
  // The root's children were never taken: the tree was not expanded.
  ShapeAt(1).Put("Name", Variant("First"));
  EXPECT_EQ(Lines(Refresh()), std::vector<std::string>{});
  EXPECT_EQ(tree.MarkedCount(), 0u);
}

TEST_F(ChangeMarksTest, ARefreshOfOneItemLeavesTheOtherMarks) {
  TTreeItem& first = Reach(std::string(kShapes) + "/Item[1]");
  TTreeItem& second = Reach(std::string(kShapes) + "/Item[2]");
  first.Expand();
  second.Expand();
  Refresh();
  ShapeAt(1).Put("Name", Variant("One"));
  ShapeAt(2).Put("Name", Variant("Two"));
  tree.Changes().Refresh(first);
  EXPECT_EQ(first.Marks(), imChanged);
  EXPECT_EQ(second.Marks(), 0);
  const std::vector<TTreeChange> changes = tree.Changes().Refresh(second);
  EXPECT_EQ(first.Marks(), imChanged);
  EXPECT_EQ(second.Marks(), imChanged);
  ASSERT_FALSE(changes.empty());
  EXPECT_EQ(changes.front().path, kShapesPath + "/Item[2]");

  tree.Changes().ClearMarks();
  EXPECT_EQ(tree.MarkedCount(), 0u);
  EXPECT_TRUE(Marked().empty());
}

TEST_F(ChangeMarksTest, MarkItemsOfMarksEveryItemOfThatObjectUntilTheNextRefresh) {
  TTreeItem& byIndex = Reach(std::string(kShapes) + "/Item[1]");
  Reach("ActivePage");
  TTreeItem& other = Reach(std::string(kShapes) + "/Item[2]");
  // Another reference to the same shape, got afresh.
  EXPECT_EQ(tree.MarkItemsOf(ShapeAt(1)), 1);
  EXPECT_EQ(byIndex.Marks(), imReported);
  EXPECT_EQ(other.Marks(), 0);
  EXPECT_EQ(tree.MarkItemsOf(ObjectRef()), 0);
  // The page is loaded three times: under Documents, as the Shapes'
  // containing page, and as the active page.
  EXPECT_EQ(tree.MarkItemsOf(Page()), 3);
  const std::string page = "Application/Documents/Item[1]/Pages/Item[1]";
  EXPECT_EQ(Marked(),
            (std::vector<std::pair<std::string, int>>{{page, imReported},
                                                      {page + "/Shapes/Item[1]", imReported},
                                                      {page + "/Shapes/ContainingPage", imReported},
                                                      {"Application/ActivePage", imReported}}));

  Refresh();
  EXPECT_EQ(tree.MarkedCount(), 0u);
}

}  // namespace
