// The adapter that shows a TTreeModel to Qt's views: what it answers for an
// item, and that it follows every change of the tree, checked by Qt's own
// model tester, by comparing what it shows with the tree, and by the
// window's view staying in step, while a drawing changes under refreshes.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QPixmap>
#include <QSignalSpy>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/treeview/TreeViewTestSupport.h"
#include "tree/NodeData.h"
#include "tree/Tarvel_StateImages.h"

namespace {

using automation::ObjectRef;
using automation::Variant;
using treeview_test::ExpandInView;
using treeview_test::ModelLines;
using treeview_test::ModelTesterLog;
using treeview_test::Reach;
using treeview_test::TreeLines;
using treeview_test::ViewOutOfStep;

// A node without Visio: makes `fanOut` children named after itself.
class TestNode : public TTVNodeData {
 public:
  TestNode(TTreeModel& tree, TTreeItem* parent, std::string name, int fanOut,
           TNodeKind kind = TNodeKind::VisObject, TTreeItem* before = nullptr)
      : TTVNodeData("Test", std::move(name), -1, tree, parent, before, kNoIndex,
                    TAccessKind::ReadOnly, TIndexStyle::NoIndex, TVisObjSource::NoVisObject, kind,
                    nullptr, nullptr),
        fanOut_(fanOut) {
    if (fanOut_ > 0) TreeNode->SetHasChildren(true);
    Refresh(0);
  }

  void CreateChildren() override {
    for (int i = 0; i < fanOut_; ++i) {
      MakeNode<TestNode>(*Tree, TreeNode, Name + "." + std::to_string(i), fanOut_ - 1);
    }
  }
  void Refresh(int) override { TreeNode->SetText(Name); }
  std::string GetCaption() override { return Name; }

 private:
  int fanOut_;
};

// A node with more to say than its caption.
class TipNode final : public TestNode {
 public:
  using TestNode::TestNode;
  std::string GetToolTip() override { return Name + "\nand more"; }
};

class TreeItemModelTest : public testing::Test {
 protected:
  TTreeModel tree;
  TTreeItemModel model{tree};
};

TEST_F(TreeItemModelTest, AnItemIsOneRowWithItsTextImageAndExpandButton) {
  TTreeItem& unknown =
      *MakeNode<TestNode>(tree, nullptr, "Unknown", 0, TNodeKind::DontKnow).TreeNode;
  TTreeItem& object = *MakeNode<TestNode>(tree, nullptr, "Object", 2).TreeNode;
  ASSERT_EQ(model.rowCount(), 2);
  EXPECT_EQ(model.columnCount(), 1);
  const QModelIndex u = model.index(0, 0);
  const QModelIndex o = model.index(1, 0);
  EXPECT_EQ(model.ItemOf(u), &unknown);
  EXPECT_EQ(model.IndexOf(&object), o);
  EXPECT_FALSE(model.index(2, 0).isValid());
  EXPECT_FALSE(model.index(0, 1).isValid());

  EXPECT_EQ(o.data().toString(), "Object");
  EXPECT_EQ(o.data(Qt::ToolTipRole).toString(), "Object") << "a node with no tool tip of its own";
  MakeNode<TipNode>(tree, nullptr, "Tip", 0);
  EXPECT_EQ(model.index(2, 0).data(Qt::ToolTipRole).toString(), "Tip\nand more");
  EXPECT_EQ(o.data(TTreeItemModel::StateIndexRole).toInt(), 4);
  const QPixmap image = o.data(Qt::DecorationRole).value<QPixmap>();
  EXPECT_EQ(image.toImage(), StateImage(4).toImage());
  EXPECT_FALSE(u.data(Qt::DecorationRole).isValid()) << "state image 0 is no image";
  EXPECT_EQ(u.data(TTreeItemModel::StateIndexRole).toInt(), 0);

  // The expand button shows before any child exists.
  EXPECT_EQ(model.rowCount(o), 0);
  EXPECT_TRUE(model.hasChildren(o));
  EXPECT_FALSE(model.hasChildren(u));
  EXPECT_FALSE(model.flags(o).testFlag(Qt::ItemIsEditable));
  EXPECT_TRUE(model.flags(o).testFlag(Qt::ItemIsSelectable));
}

TEST_F(TreeItemModelTest, FollowsInsertsRemovalsAndChangesOneByOne) {
  ModelTesterLog log;
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning);
  QSignalSpy expandedChanged(&model, &TTreeItemModel::ExpandedChanged);
  QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
  const auto inStep = [&](const char* step) {
    EXPECT_EQ(ModelLines(model), TreeLines(tree)) << step;
    EXPECT_EQ(log.messages, std::vector<std::string>()) << step;
  };

  TTreeItem& root = *MakeNode<TestNode>(tree, nullptr, "R", 3).TreeNode;
  root.Expand();
  root.Item(1)->Expand();
  root.Item(2)->Expand();
  inStep("expanded");
  ASSERT_EQ(expandedChanged.count(), 3);
  EXPECT_EQ(expandedChanged[0][0].value<QModelIndex>(), model.IndexOf(&root));
  EXPECT_TRUE(expandedChanged[0][1].toBool());

  // Inserted before a sibling, deleted from the middle, renamed.
  MakeNode<TestNode>(tree, &root, "R.new", 0, TNodeKind::Id, root.Item(1));
  inStep("inserted");
  root.Item(3)->Item(0)->Delete();
  root.Item(0)->Delete();
  inStep("deleted");
  QSignalSpy dataChanged(&model, &QAbstractItemModel::dataChanged);
  root.Item(0)->SetText("renamed");
  inStep("renamed");
  ASSERT_EQ(dataChanged.count(), 1);
  EXPECT_EQ(dataChanged[0][0].value<QModelIndex>(), model.index(0, 0, model.IndexOf(&root)));
  EXPECT_EQ(dataChanged[0][1].value<QModelIndex>(), dataChanged[0][0].value<QModelIndex>());

  // Collapsing tells the view first, then takes all children away at once.
  TTreeItem& open = *root.Item(1);
  ASSERT_TRUE(open.Expanded());
  ASSERT_EQ(open.Count(), 2);
  open.Collapse();
  inStep("collapsed");
  EXPECT_EQ(expandedChanged.count(), 4);
  EXPECT_EQ(expandedChanged.last()[0].value<QModelIndex>(), model.IndexOf(&open));
  EXPECT_FALSE(expandedChanged.last()[1].toBool());
  EXPECT_TRUE(model.hasChildren(model.IndexOf(&open)));

  tree.Clear();
  inStep("cleared");
  EXPECT_EQ(resets.count(), 0);
}

TEST_F(TreeItemModelTest, RowsAndParentsStayRightWhateverOrderTheyAreAskedIn) {
  TTreeItem& root = *MakeNode<TestNode>(tree, nullptr, "R", 40).TreeNode;
  root.Expand();
  root.Item(30)->Expand();
  root.Item(5)->Expand();
  const auto check = [&] {
    // Far apart, back and forth, and across levels, so that any remembered
    // position is wrong for the next question.
    for (const int i : {39, 0, 20, 21, 3, 38, 1, 37}) {
      if (i >= root.Count()) continue;
      const TTreeItem* item = root.Item(i);
      const QModelIndex index = model.IndexOf(item);
      ASSERT_EQ(index.row(), i);
      for (int j = item->Count() - 1; j >= 0; j -= 7) {
        const QModelIndex child = model.IndexOf(item->Item(j));
        ASSERT_EQ(child.row(), j);
        ASSERT_EQ(model.parent(child), index);
        ASSERT_EQ(model.sibling(0, 0, child), model.index(0, 0, index));
      }
    }
  };
  check();
  for (int k = 0; k < 6; ++k) root.Item(10)->Delete();
  MakeNode<TestNode>(tree, &root, "R.front", 0, TNodeKind::Id, root.Item(0));
  check();
  root.Item(root.Count() - 1)->Delete();
  root.Item(24)->Expand();
  check();
}

// ---- over the stand-in's demo drawing, through a tree window ----

class AdapterOverDrawingTest : public treeview_test::TreeWindowTest {
 protected:
  // A window in the flock whose adapter is watched from before the root is
  // made.
  Tfm_VisioTreeView& OpenWatchedWindow() {
    auto* window = new Tfm_VisioTreeView();
    shepherd->AddSheep(window, 0, 72);
    tester.emplace(&window->ItemModel(), QAbstractItemModelTester::FailureReportingMode::Warning);
    window->ShowApplicationTree();
    return *window;
  }

  void ExpectInStep(Tfm_VisioTreeView& window, const std::string& step) {
    EXPECT_EQ(ModelLines(window.ItemModel()), TreeLines(window.Tree())) << step;
    EXPECT_EQ(ViewOutOfStep(window), std::vector<std::string>()) << step;
    EXPECT_EQ(log.messages, std::vector<std::string>()) << step;
  }

  void TearDown() override {
    tester.reset();
    TreeWindowTest::TearDown();
  }

  ObjectRef Shape(int index) const {
    return ActivePage()
        .Get("Shapes")
        .ToObject()
        .Get("Item", {Variant(std::int16_t(index))})
        .ToObject();
  }

  ModelTesterLog log;
  std::optional<QAbstractItemModelTester> tester;
};

TEST_F(AdapterOverDrawingTest, ShapesAddedDeletedAndChangedBetweenRefreshes) {
  Tfm_VisioTreeView& window = OpenWatchedWindow();
  TTreeItem& shapes = ExpandInView(window, Reach(window, "ActivePage/Shapes/Item"));
  ASSERT_EQ(shapes.Count(), 9);
  TTreeItem& first = ExpandInView(window, *shapes.Item(0));
  ASSERT_GT(first.Count(), 0);
  ExpectInStep(window, "expanded");

  // Appended.
  ActivePage().Invoke("DrawRectangle", {Variant(1.0), Variant(1.0), Variant(2.0), Variant(2.0)});
  ActivePage().Invoke("DrawRectangle", {Variant(3.0), Variant(1.0), Variant(4.0), Variant(2.0)});
  window.RefreshTree();
  EXPECT_EQ(shapes.Count(), 11);
  EXPECT_EQ(shapes.Text(), "Item (Count: 11)");
  ExpectInStep(window, "appended");

  // Changed: a cell the open shape's area is made of, and a text.
  const std::string areaBefore = FindChild(first, "AreaIU")->Text();
  Shape(1).Get("CellsU", {Variant("Width")}).ToObject().Put("FormulaU", Variant("3 in"));
  Shape(2).Put("Text", Variant("Shipped"));
  window.RefreshTree();
  EXPECT_EQ(FindChild(first, "AreaIU")->Text(), "AreaIU   = 3");
  EXPECT_NE(areaBefore, "AreaIU   = 3");
  EXPECT_EQ(shapes.Item(1)->Text(), R"(Item[2]  "Shipped": (Process.2/Sheet.2) )");
  ExpectInStep(window, "changed");

  // Deleted from the middle and from the end: the last elements go.
  Shape(11).Invoke("Delete");
  Shape(3).Invoke("Delete");
  Shape(2).Invoke("Delete");
  window.RefreshTree();
  EXPECT_EQ(shapes.Count(), 8);
  EXPECT_EQ(shapes.Item(1)->Text(), R"(Item[2]  "Order database": (Server/Sheet.4) )");
  EXPECT_TRUE(first.Expanded());
  ExpectInStep(window, "trimmed");

  // Collapsed by the user and opened again.
  window.TV->collapse(window.ItemModel().IndexOf(&first));
  EXPECT_EQ(first.Count(), 0);
  ExpectInStep(window, "collapsed");
  ExpandInView(window, first);
  EXPECT_GT(first.Count(), 0);
  ExpectInStep(window, "expanded again");

  // Every shape gone: the open array empties and keeps its button.
  while (ActivePage().Get("Shapes").ToObject().Get("Count").ToInt16() > 0)
    Shape(1).Invoke("Delete");
  window.RefreshTree();
  EXPECT_EQ(shapes.Count(), 0);
  EXPECT_TRUE(window.ItemModel().hasChildren(window.ItemModel().IndexOf(&shapes)));
  ExpectInStep(window, "emptied");
}

TEST_F(AdapterOverDrawingTest, SheetSectionsReplacedInTheMiddle) {
  Tfm_VisioTreeView& window = OpenWatchedWindow();
  TTreeItem& sections =
      ExpandInView(window, Reach(window, "ActivePage/Shapes/Item/Item[6]/CellsSRC-Sections"));
  ASSERT_EQ(sections.Count(), 16);
  ASSERT_EQ(sections.Item(10)->Text(), "S[11]: Geometry[2] (R: 3) (Local)");
  ExpandInView(window, *sections.Item(9));
  ExpandInView(window, *sections.Item(10));
  ExpandInView(window, *sections.Item(11));
  ExpectInStep(window, "expanded");

  ObjectRef curvy = Shape(6);
  curvy.Invoke("DeleteSection", {Variant(std::int16_t{11})});
  curvy.Put("RowType", {Variant(std::int16_t{10}), Variant(std::int16_t{2})},
            Variant(std::int16_t{144}));
  window.RefreshTree();
  EXPECT_EQ(sections.Count(), 15);
  EXPECT_EQ(sections.Item(10)->Text(), "S[11]: Geometry[2] (R: 5) (Local)");
  ExpectInStep(window, "replaced");

  curvy.Invoke("AddSection", {Variant(std::int16_t{10})});
  window.RefreshTree();
  EXPECT_EQ(sections.Count(), 16);
  ExpectInStep(window, "inserted");
}

}  // namespace
