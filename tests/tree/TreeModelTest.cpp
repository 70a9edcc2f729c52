#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tree/NodeData.h"
#include "tree/TreeModel.h"

namespace {

// Writes down what a view would be told.
class RecordingObserver : public TTreeObserver {
 public:
  std::vector<std::string> events;

  void ItemsAboutToBeInserted(TTreeItem* parent, int first, int last) override {
    events.push_back("insert? " + Name(parent) + Range(first, last));
  }
  void ItemsInserted(TTreeItem* parent, int first, int last) override {
    events.push_back("insert " + Name(parent) + Range(first, last));
  }
  void ItemsAboutToBeRemoved(TTreeItem* parent, int first, int last) override {
    events.push_back("remove? " + Name(parent) + Range(first, last));
  }
  void ItemsRemoved(TTreeItem* parent, int first, int last) override {
    events.push_back("remove " + Name(parent) + Range(first, last));
  }
  void ItemChanged(TTreeItem* item, std::uint8_t changes) override {
    events.push_back("change " + Name(item) + " " + std::to_string(changes));
  }

 private:
  static std::string Name(const TTreeItem* item) {
    return item == nullptr ? "top" : item->Data() != nullptr ? item->Data()->Name : "?";
  }
  static std::string Range(int first, int last) {
    return " " + std::to_string(first) + ".." + std::to_string(last);
  }
};

// A node that makes `fanOut` children when expanded and counts the living.
class CountingNode : public TTVNodeData {
 public:
  inline static int live = 0;
  CountingNode(TTreeModel& tree, TTreeItem* parent, std::string name, int fanOut)
      : TTVNodeData("Counting", std::move(name), -1, tree, parent, nullptr, -1,
                    TAccessKind::ReadOnly, TIndexStyle::NoIndex, TVisObjSource::NoVisObject,
                    TNodeKind::VisObject, nullptr, nullptr),
        fanOut_(fanOut) {
    ++live;
  }
  ~CountingNode() override { --live; }

  void CreateChildren() override {
    for (int i = 0; i < fanOut_; ++i) {
      MakeNode<CountingNode>(*Tree, TreeNode, Name + "." + std::to_string(i), fanOut_);
    }
    if (failAfterChildren) throw std::runtime_error("failed");
  }
  std::string GetCaption() override { return Name; }

  bool failAfterChildren = false;

 private:
  int fanOut_;
};

TEST(TreeModelTest, ExpandingMakesChildrenAndCollapsingDeletesThem) {
  TTreeModel tree;
  RecordingObserver observer;
  CountingNode& root = MakeNode<CountingNode>(tree, nullptr, "r", 2);
  tree.AddObserver(&observer);

  tree.Expand(root.TreeNode);
  EXPECT_TRUE(root.TreeNode->Expanded());
  EXPECT_EQ(root.TreeNode->Count(), 2);
  EXPECT_EQ(tree.ItemCount(), 3u);
  EXPECT_EQ(CountingNode::live, 3);

  root.TreeNode->Item(1)->Expand();
  EXPECT_EQ(tree.ItemCount(), 5u);
  observer.events.clear();

  tree.Collapse(root.TreeNode);
  EXPECT_FALSE(root.TreeNode->Expanded());
  EXPECT_TRUE(root.TreeNode->HasChildren());
  EXPECT_EQ(root.TreeNode->Count(), 0);
  EXPECT_EQ(tree.ItemCount(), 1u);
  EXPECT_EQ(CountingNode::live, 1);
  EXPECT_EQ(observer.events, (std::vector<std::string>{"change r 4", "remove? r 0..1",
                                                       "remove r 0..1", "change r 8"}));
  tree.RemoveObserver(&observer);
}

TEST(TreeModelTest, TheObserverHearsOfEveryInsertionAndChange) {
  TTreeModel tree;
  RecordingObserver observer;
  tree.AddObserver(&observer);
  CountingNode& root = MakeNode<CountingNode>(tree, nullptr, "r", 0);
  TTreeItem* a = tree.Add(root.TreeNode, nullptr, "a");
  TTreeItem* c = tree.Add(root.TreeNode, nullptr, "c");
  TTreeItem* b = tree.Add(root.TreeNode, c, "b");
  a->SetText("a");  // unchanged: no news
  b->SetText("B");
  EXPECT_EQ(b->Index(), 1);
  EXPECT_EQ(b->Level(), 1);
  c->Delete();
  EXPECT_EQ(observer.events,
            (std::vector<std::string>{"insert? top 0..0", "insert top 0..0", "change r 2",
                                      "insert? r 0..0", "insert r 0..0", "insert? r 1..1",
                                      "insert r 1..1", "insert? r 1..1", "insert r 1..1",
                                      "change ? 1", "remove? r 2..2", "remove r 2..2"}));
  EXPECT_EQ(root.TreeNode->Item(1)->Text(), "B");
  tree.RemoveObserver(&observer);
}

TEST(TreeModelTest, AFailedExpansionStillExpandsAndPassesTheFailureOn) {
  TTreeModel tree;
  CountingNode& root = MakeNode<CountingNode>(tree, nullptr, "r", 1);
  root.failAfterChildren = true;
  EXPECT_THROW(root.TreeNode->Expand(), std::runtime_error);
  EXPECT_TRUE(root.TreeNode->Expanded());
  EXPECT_EQ(root.TreeNode->Count(), 1);
}

TEST(TreeModelTest, DeletingTheTreeDestroysEveryNode) {
  {
    TTreeModel tree;
    CountingNode& root = MakeNode<CountingNode>(tree, nullptr, "r", 3);
    root.TreeNode->Expand();
    root.TreeNode->Item(0)->Expand();
    EXPECT_EQ(CountingNode::live, 7);
  }
  EXPECT_EQ(CountingNode::live, 0);
}

}  // namespace
