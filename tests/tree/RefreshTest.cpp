// Refreshing open branches: what is re-read, what follows Visio, and what
// survives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/tree/FakeApplication.h"
#include "tests/tree/TreeTestSupport.h"
#include "tree/VisObjectNodes.h"

namespace {

using automation::ObjectRef;
using automation::Variant;
using fake::FakeRef;
using tree_test::Child;
using tree_test::Expanded;

class RefreshTest : public tree_test::TreeTest {
 protected:
  fake::FakeApplication visio;
  TTreeModel tree;
  TND_IVApplication& root = MakeApplicationRoot(tree, ObjectRef(visio.app));
  TTreeItem& app = *root.TreeNode;
};

TEST_F(RefreshTest, ModesZeroAndOneRefreshTheNodeModeTwoItsOpenSubtree) {
  app.Expand();
  TTreeItem& language = Child(app, "Language");
  TTreeItem& documents = Child(app, "Documents");  // stays collapsed
  visio.app->Set("Path", "D:\\").Set("Language", Variant(std::int32_t{1031}));

  for (const int mode : {0, 1}) {
    root.Refresh(mode);
    EXPECT_EQ(app.Text(), R"(Application   "D:\" )");
    EXPECT_EQ(language.Text(), "Language   = 1033") << "mode " << mode;
  }
  root.Refresh(2);
  EXPECT_EQ(language.Text(), "Language   = 1031");
  // A collapsed item is refreshed, not opened.
  EXPECT_FALSE(documents.Expanded());
  EXPECT_EQ(documents.Count(), 0);
  EXPECT_TRUE(documents.HasChildren());
}

TEST_F(RefreshTest, AnObjectThatDisappearsCollapsesItsItem) {
  app.Expand();
  TTreeItem& active = Expanded(Child(app, "ActiveDocument"));
  ASSERT_GT(active.Count(), 0);

  // Visio refuses calls for a moment: the open branch is kept.
  visio.app->Set("ActiveDocument", Variant());
  VisioController.SetCallRefused(true);
  root.Refresh(2);
  EXPECT_EQ(active.Text(), "ActiveDocument   {Not assigned}");
  EXPECT_TRUE(active.Expanded());
  EXPECT_GT(active.Count(), 0);

  VisioController.SetCallRefused(false);
  root.Refresh(2);
  EXPECT_FALSE(active.Expanded());
  EXPECT_EQ(active.Count(), 0);
  EXPECT_TRUE(active.HasChildren());

  // Expanding an object node without its object makes nothing.
  active.Expand();
  EXPECT_EQ(active.Count(), 0);
}

TEST_F(RefreshTest, ARefusedCallSetsTheFlagAndTellsTheObserverOnce) {
  int told = 0;
  VisioController.OnStatusChange = [&] { ++told; };
  app.Expand();
  TTreeItem& window = Expanded(Child(app, "ActiveWindow"));
  visio.app->Fail("ActiveWindow", automation::RPC_E_CALL_REJECTED, "Call was rejected by callee.");
  visio.app->Fail("ActivePage", automation::RPC_E_CALL_REJECTED, "Call was rejected by callee.");

  root.Refresh(2);
  EXPECT_TRUE(VisioController.CallRefused());
  EXPECT_EQ(told, 1);
  EXPECT_EQ(window.Text(),
            R"(ActiveWindow EXCEPTION: "Call was rejected by callee."  {Not assigned})");
  EXPECT_TRUE(window.Expanded());

  // Other failures leave the flag alone.
  VisioController.SetCallRefused(false);
  told = 0;
  visio.app->Heal("ActiveWindow")
      .Heal("ActivePage")
      .Fail("ActiveDocument", automation::E_FAIL, "No.");
  root.Refresh(2);
  EXPECT_FALSE(VisioController.CallRefused());
  EXPECT_EQ(told, 0);
}

// A document that says when it is gone.
class CountedDocument : public fake::FakeObject {
 public:
  inline static int live = 0;
  CountedDocument() { ++live; }
  ~CountedDocument() override { --live; }
};

TEST_F(RefreshTest, ArraysFollowTheCollectionAndKeepTheSurvivorsSubtrees) {
  auto& docs = visio.documents->items;
  docs.push_back(fake::MakeDocument("Third.vsd", 3));
  app.Expand();
  TTreeItem& items = Expanded(Child(Expanded(Child(app, "Documents")), "Item"));
  ASSERT_EQ(items.Count(), 3);
  TTreeItem* first = items.Item(0);
  TTreeItem* second = items.Item(1);
  first->Expand();
  const int firstChildren = first->Count();
  ASSERT_GT(firstChildren, 0);

  // Modes 0 and 1 touch only the array's own caption.
  docs.push_back(fake::MakeDocument("Fourth.vsd", 4));
  docs.push_back(fake::MakeDocument("Fifth.vsd", 5));
  items.Data()->Refresh(1);
  EXPECT_EQ(items.Text(), "Item (Count: 5)");
  EXPECT_EQ(items.Count(), 3);

  root.Refresh(2);
  ASSERT_EQ(items.Count(), 5);
  EXPECT_EQ(items.Item(3)->Text(), R"(Item[4]   "Fourth.vsd" )");
  EXPECT_EQ(items.Item(4)->Text(), R"(Item[5]   "Fifth.vsd" )");
  EXPECT_EQ(items.Item(0), first);
  EXPECT_TRUE(first->Expanded());
  EXPECT_EQ(first->Count(), firstChildren);

  docs.resize(2);
  root.Refresh(2);
  ASSERT_EQ(items.Count(), 2);
  EXPECT_EQ(items.Item(0), first);
  EXPECT_EQ(items.Item(1), second);
  EXPECT_TRUE(first->Expanded());
  EXPECT_EQ(first->Count(), firstChildren);

  // A count that cannot be read removes every element.
  visio.documents->Fail("Count", automation::E_FAIL, "Busy.");
  root.Refresh(2);
  EXPECT_EQ(items.Text(), "Item (Count: {No result})");
  EXPECT_EQ(items.Count(), 0);
  EXPECT_TRUE(items.Expanded());
  EXPECT_TRUE(items.HasChildren());

  // And an empty array that stays open fills again.
  visio.documents->Heal("Count");
  root.Refresh(2);
  EXPECT_EQ(items.Count(), 2);
}

TEST_F(RefreshTest, ClosingADocumentReleasesItAndCollapsesItsBranch) {
  visio.documents->items.push_back(automation::MakeRef<CountedDocument>());
  visio.documents->items.back()->Set("Name", "Closing.vsd").Set("Index", Variant(std::int16_t{3}));
  app.Expand();
  TTreeItem& items = Expanded(Child(Expanded(Child(app, "Documents")), "Item"));
  TTreeItem& closing = Expanded(Child(items, "Item", 3));
  ASSERT_EQ(CountedDocument::live, 1);

  visio.documents->items.pop_back();
  EXPECT_EQ(CountedDocument::live, 1);  // the tree still holds it
  root.Refresh(2);
  EXPECT_EQ(items.Count(), 2);
  EXPECT_EQ(CountedDocument::live, 0);
  static_cast<void>(closing);
}

TEST_F(RefreshTest, ACopyKeepsItsObjectWhateverTheCollectionDoes) {
  app.Expand();
  TTreeItem& items = Expanded(Child(Expanded(Child(app, "Documents")), "Item"));
  TTVNodeData& second = *Child(items, "Item", 2).Data();

  TTreeModel other;
  TTVNodeData* copy = second.CopyToTree(other);
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(dynamic_cast<TND_IVDocument*>(copy), nullptr);
  EXPECT_EQ(other.First(), copy->TreeNode);
  EXPECT_EQ(copy->TreeNode->Text(), "Document ERROR: uninitialized");
  EXPECT_EQ(copy->PropIndex, -1);
  EXPECT_EQ(copy->Index, -1);
  EXPECT_EQ(copy->IndexStyle, TIndexStyle::NoIndex);
  EXPECT_EQ(copy->ObjSource, TVisObjSource::SupplyOnCreate);
  EXPECT_EQ(copy->NodeKind, TNodeKind::VisObject);
  EXPECT_EQ(copy->Access, TAccessKind::ReadOnly);
  copy->Refresh(0);
  EXPECT_EQ(copy->TreeNode->Text(), R"(Document   "Stencil1.vss" )");

  visio.documents->items.erase(visio.documents->items.begin());
  root.Refresh(2);
  copy->TreeNode->Expand();
  copy->Refresh(2);
  EXPECT_EQ(copy->TreeNode->Text(), R"(Document   "Stencil1.vss" )");
  EXPECT_EQ(Child(*copy->TreeNode, "Name").Text(), R"(Name   = "Stencil1.vss")");

  // Nothing to copy without an object.
  EXPECT_EQ(Child(app, "ActivePage").Data()->CopyToTree(other), nullptr);
  EXPECT_EQ(other.Count(), 1);
}

TEST_F(RefreshTest, CollapsingAndExpandingAgainReadsAfresh) {
  app.Expand();
  TTreeItem& documents = Expanded(Child(app, "Documents"));
  const int reads = visio.documents->Reads("ObjectType");
  documents.Collapse();
  EXPECT_EQ(documents.Count(), 0);
  EXPECT_TRUE(documents.HasChildren());
  visio.documents->Set("ObjectType", Variant(std::int16_t{1}));
  documents.Expand();
  EXPECT_EQ(visio.documents->Reads("ObjectType"), reads + 1);
  EXPECT_EQ(Child(documents, "ObjectType").Text(), "ObjectType   = 1 (=Unknown)");
}

TEST_F(RefreshTest, IndexAndCountAnswers) {
  app.Expand();
  TTreeItem& items = Expanded(Child(Expanded(Child(app, "Documents")), "Item"));
  TTVNodeData& documents = *Child(app, "Documents").Data();
  TTVNodeData& doc = *Child(items, "Item", 2).Data();

  EXPECT_EQ(documents.GetCountValue(TCountKind::Count), 2);
  EXPECT_EQ(documents.GetCountValue(TCountKind::LayerCount), -1);
  EXPECT_EQ(documents.GetIndexValue(TIndexKind::Index), -1);
  EXPECT_EQ(doc.GetIndexValue(TIndexKind::Index), 2);
  EXPECT_EQ(doc.GetIndexValue(TIndexKind::Row), -1);
  EXPECT_EQ(doc.GetCountValue(TCountKind::Count), -1);
  visio.documents->Fail("Count", automation::E_FAIL, "Busy.");
  EXPECT_EQ(documents.GetCountValue(TCountKind::Count), -1);
  EXPECT_EQ(Child(app, "ActivePage").Data()->GetIndexValue(TIndexKind::Index), -1);
}

}  // namespace
