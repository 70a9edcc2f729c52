// Finding items: matching by caption, value and kind, next and previous
// with wrap-around, and the deeper search over the demo drawing: what it
// finds, that it never expands an object twice, and how it stops.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "tests/tree/DemoTreeTest.h"
#include "tree/TreeFind.h"
#include "tree/VisObjectNodes.h"

namespace {

using automation::ObjectRef;
using tree_test::Child;
using tree_test::DemoTreeTest;

// A node with a fixed type label, name and value, captioned as value
// nodes are.
class LabelNode : public TTVNodeData {
 public:
  LabelNode(TTreeModel& tree, TTreeItem* parent, std::string_view typeLabel, std::string name,
            std::string value = {})
      : TTVNodeData(typeLabel, std::move(name), -1, tree, parent, nullptr, kNoIndex,
                    TAccessKind::ReadOnly, TIndexStyle::NoIndex, TVisObjSource::NoVisObject,
                    TNodeKind::SimpleProperty, nullptr, nullptr),
        value_(std::move(value)) {
    TreeNode->SetText(GetCaption());
  }
  std::string GetCaption() override { return JoinCaption("", "", ValuePart(value_)); }

 private:
  std::string value_;
};

// alpha
//   Beta = "one"
//   gamma
//     Alpha beta = "Sheet.1!Width"
//   Shapes
// delta = "ALPHA"
class SmallTree : public testing::Test {
 protected:
  SmallTree() {
    TTreeItem* alpha = Make(nullptr, "IVShape", "alpha");
    Make(alpha, "WideString", "Beta", "\"one\"");
    TTreeItem* gamma = Make(alpha, "IVPage", "gamma");
    Make(gamma, "IVCell", "Alpha beta", "\"Sheet.1!Width\"");
    Make(alpha, "IVShapes", "Shapes");
    Make(nullptr, "WideString", "delta", "\"ALPHA\"");
  }
  TTreeItem* Make(TTreeItem* parent, std::string_view label, std::string name,
                  std::string value = {}) {
    return MakeNode<LabelNode>(tree, parent, label, std::move(name), std::move(value)).TreeNode;
  }
  // The item whose caption starts with `name`.
  const TTreeItem* Item(const std::string& name) const {
    for (TTreeItem* item : FindAll(tree, {TFindField::Caption, name})) {
      if (item->Text().starts_with(name)) return item;
    }
    return nullptr;
  }
  std::vector<std::string> Names(const TFindQuery& query) const {
    std::vector<std::string> names;
    for (const TTreeItem* item : FindAll(tree, query)) names.push_back(item->Data()->Name);
    return names;
  }

  TTreeModel tree;
};

TEST_F(SmallTree, MatchesByCaptionValueOrKind) {
  using TNames = std::vector<std::string>;
  const struct {
    TFindQuery query;
    TNames expected;
  } cases[] = {
      // Anywhere in the caption, case ignored, in the order shown.
      {{TFindField::Caption, "ALPHA"}, {"alpha", "Alpha beta", "delta"}},
      {{TFindField::Caption, "beta"}, {"Beta", "Alpha beta"}},
      {{TFindField::Caption, "= \"one"}, {"Beta"}},
      {{TFindField::Caption, ""}, {}},
      {{TFindField::Caption, "zeta"}, {}},
      // The value part alone: names do not count, the quotes do.
      {{TFindField::Value, "alpha"}, {"delta"}},
      {{TFindField::Value, "width"}, {"Alpha beta"}},
      {{TFindField::Value, "\"one\""}, {"Beta"}},
      {{TFindField::Value, "="}, {}},
      // The whole kind: a shape is no Shapes collection.
      {{TFindField::Kind, "Shape"}, {"alpha"}},
      {{TFindField::Kind, "shapes"}, {"Shapes"}},
      {{TFindField::Kind, "IVCell"}, {"Alpha beta"}},
      {{TFindField::Kind, "widestring"}, {"Beta", "delta"}},
      {{TFindField::Kind, "Shap"}, {}},
      {{TFindField::Kind, "IV"}, {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Names(c.query), c.expected)
        << TFindFieldNames[Ord(c.query.Field)] << " \"" << c.query.Text << "\"";
  }
}

// Names and texts of drawings are in every script: case is ignored beyond
// ASCII too, and accents still count.
TEST_F(SmallTree, IgnoresTheCaseOfAccentedGreekAndCyrillicLetters) {
  Make(nullptr, "WideString", "Größe", "\"ÄÖÜ ŁÓDŹ Σοφία Москва Ёлка\"");
  const struct {
    TFindField field;
    const char* text;
    bool found;
  } cases[] = {
      {TFindField::Caption, "GRÖ", true},     {TFindField::Value, "äöü", true},
      {TFindField::Value, "łódź", true},      {TFindField::Value, "ΣΟΦΊΑ", true},
      {TFindField::Value, "МОСКВА", true},    {TFindField::Value, "ёЛКА", true},
      {TFindField::Value, "aou", false},      {TFindField::Value, "lodz", false},
      {TFindField::Caption, "grosse", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Names({c.field, c.text}),
              c.found ? std::vector<std::string>{"Größe"} : std::vector<std::string>{})
        << TFindFieldNames[Ord(c.field)] << " \"" << c.text << "\"";
  }
}

TEST_F(SmallTree, NextAndPreviousWrapAround) {
  const TFindQuery query{TFindField::Caption, "alpha"};  // alpha, Alpha beta, delta
  const struct {
    const char* from;  // null: no item
    bool forward;
    const char* expected;
  } cases[] = {
      {nullptr, true, "alpha"},
      {nullptr, false, "delta"},
      {"alpha", true, "Alpha beta"},
      {"Alpha beta", true, "delta"},
      {"delta", true, "alpha"},   // wraps at the end
      {"alpha", false, "delta"},  // and at the start
      {"Alpha beta", false, "alpha"},
      // From an item that does not match: the nearest match that way.
      {"Beta", true, "Alpha beta"},
      {"Beta", false, "alpha"},
      {"Shapes", true, "delta"},
      {"Shapes", false, "Alpha beta"},
  };
  for (const auto& c : cases) {
    const TTreeItem* from = c.from != nullptr ? Item(c.from) : nullptr;
    ASSERT_EQ(from == nullptr, c.from == nullptr) << c.from;
    const TTreeItem* next = FindNext(tree, query, from, c.forward);
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next, Item(c.expected)) << "from " << (c.from ? c.from : "none")
                                      << (c.forward ? " forward: " : " back: ") << next->Text();
  }
  // A single match leads back to itself; no match to nothing.
  const TTreeItem* gamma = Item("gamma");
  EXPECT_EQ(FindNext(tree, {TFindField::Caption, "gam"}, gamma, true), gamma);
  EXPECT_EQ(FindNext(tree, {TFindField::Caption, "gam"}, gamma, false), gamma);
  EXPECT_EQ(FindNext(tree, {TFindField::Caption, "zeta"}, gamma, true), nullptr);
}

// ---- the deeper search over the demo drawing ----

class DeepSearchTest : public DemoTreeTest {
 protected:
  TTreeItem& Root() { return *MakeApplicationRoot(tree, ObjectRef(app)).TreeNode; }
  TTreeItem& ActivePage() { return Child(tree_test::Expanded(Root()), "ActivePage"); }
  static void RunToEnd(TDeepSearch& search) {
    // A generous bound: the search must end by itself.
    for (int steps = 0; steps < 100000 && search.Step(std::chrono::milliseconds(20)); ++steps) {
    }
  }
};

TEST_F(DeepSearchTest, FindsACellSeveralLevelsDownAndLeavesItsPathOpen) {
  TTreeItem& page = ActivePage();
  EXPECT_TRUE(FindAll(tree, {TFindField::Caption, "\"PinX\" = \"2 in\""}).empty());

  TDeepSearch search(tree, page, 7, {TFindField::Caption, "\"PinX\" = \"2 in\""});
  RunToEnd(search);
  const TDeepSearchProgress& progress = search.Progress();
  EXPECT_TRUE(progress.Done);
  EXPECT_FALSE(progress.Stopped || progress.LimitReached);
  EXPECT_EQ(progress.Failures, 0U);

  const std::vector<TTreeItem*> found = FindAll(tree, {TFindField::Caption, "\"PinX\" = \"2 in\""});
  ASSERT_FALSE(found.empty());
  EXPECT_EQ(progress.Matches, found.size());
  // Shapes/Item/Item[1]/CellsSRC-Sections/S[1]/R[1]/CellSRC[0], every step
  // on the way expanded and left so.
  const TTreeItem& cell = *found.front();
  EXPECT_EQ(cell.Level() - page.Level(), 7);
  EXPECT_EQ(NodeKindName(*cell.Data()), "Cell");
  for (const TTreeItem* p = cell.Parent(); p != &page; p = p->Parent()) {
    EXPECT_TRUE(p->Expanded()) << p->Text();
  }
  // By value, the same cells and every other cell whose formula is "2 in".
  const std::vector<TTreeItem*> byValue = FindAll(tree, {TFindField::Value, "\"2 in\""});
  EXPECT_GE(byValue.size(), found.size());
  EXPECT_NE(std::find(byValue.begin(), byValue.end(), &cell), byValue.end());
}

TEST_F(DeepSearchTest, ExpandsEveryObjectOnceAndNeverGoesBackUp) {
  // From the application down to the deepest level offered, and from a
  // page, whose way back up (Application_, Document ...) is known before it
  // starts.
  for (const bool fromPage : {false, true}) {
    SCOPED_TRACE(fromPage ? "from the page" : "from the application");
    tree.Clear();
    TTreeItem& start = fromPage ? ActivePage() : Root();
    TDeepSearch search(tree, start, 8, {TFindField::Kind, "Shape"});
    RunToEnd(search);
    const TDeepSearchProgress& progress = search.Progress();
    ASSERT_TRUE(progress.Done);
    EXPECT_FALSE(progress.LimitReached);
    EXPECT_GT(progress.Repeats, 0U);
    EXPECT_GT(progress.Matches, 0U);

    // Every expanded object node below the start holds an object no other
    // expanded one holds, and none of the objects above the start.
    std::vector<ObjectRef> above;
    for (const TTreeItem* p = start.Parent(); p != nullptr; p = p->Parent()) {
      above.push_back(p->Data()->GetVisObject());
    }
    std::vector<std::pair<ObjectRef, std::string>> expanded;
    std::size_t items = 0;
    std::vector<TTreeItem*> stack = {&start};
    while (!stack.empty()) {
      TTreeItem& item = *stack.back();
      stack.pop_back();
      ++items;
      for (int i = 0; i < item.Count(); ++i) stack.push_back(item.Item(i));
      TTVNodeData& node = *item.Data();
      if (!item.Expanded() || !node.IsVisObjectNode() || !node.GetVisObject()) continue;
      const ObjectRef object = node.GetVisObject();
      for (const ObjectRef& up : above) {
        EXPECT_FALSE(automation::SameObject(up, object)) << item.Text();
      }
      for (const auto& [other, text] : expanded) {
        EXPECT_FALSE(automation::SameObject(other, object)) << item.Text() << " again as " << text;
      }
      expanded.emplace_back(object, item.Text());
    }
    // The search saw each item once: the ones it made and the start.
    EXPECT_EQ(progress.Visited, items);
  }
}

TEST_F(DeepSearchTest, StopsWhenToldAtItsLimitAndWhenItsItemsGo) {
  TTreeItem& page = ActivePage();
  {
    TDeepSearch search(tree, page, 8, {TFindField::Caption, "PinX"});
    EXPECT_TRUE(search.Step(std::chrono::milliseconds(0)));
    search.Stop();
    const std::size_t items = tree.ItemCount();
    const TDeepSearchProgress before = search.Progress();
    EXPECT_FALSE(search.Step(std::chrono::milliseconds(50)));
    EXPECT_TRUE(search.Progress().Done && search.Progress().Stopped);
    EXPECT_EQ(search.Progress().Visited, before.Visited);
    EXPECT_EQ(tree.ItemCount(), items);
  }
  page.Collapse();
  {
    TDeepSearch search(tree, page, 8, {TFindField::Caption, "PinX"}, 50);
    RunToEnd(search);
    EXPECT_TRUE(search.Progress().LimitReached);
    EXPECT_EQ(search.Progress().Visited, 50U);
  }
  page.Collapse();
  {
    // A refresh that collapses the page takes the search's work with it:
    // nothing below the page is visited after.
    TDeepSearch search(tree, page, 8, {TFindField::Caption, "PinX"});
    ASSERT_TRUE(search.Step(std::chrono::milliseconds(0)));
    const std::size_t visited = search.Progress().Visited;
    page.Collapse();
    EXPECT_FALSE(search.Step(std::chrono::milliseconds(50)));
    EXPECT_EQ(search.Progress().Visited, visited);
    EXPECT_FALSE(search.Progress().Stopped);
  }
}

}  // namespace
