// The way back from a VBA path to its object: reading the text CodeText
// writes (and refusing anything else), and a tree window's root found again
// from its remembered place.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/tree/DemoTreeTest.h"
#include "tree/CodeReach.h"
#include "tree/NodeFactory.h"
#include "tree/VisObjectNodes.h"

namespace {

using automation::ObjectRef;
using automation::Variant;
using tree_test::Child;
using tree_test::Expanded;

TEST(ParseVbaPathTest, ReadsWhatCodeTextWritesAndNothingElse) {
  struct Case {
    std::string text;
    bool parses;
  };
  const std::vector<Case> cases = {
      {"Application", true},
      {"Application.Documents.Item(1).Pages.ItemU(\"Page \"\"1\"\"\").Shapes.ItemFromID(5)", true},
      {"' a note\n' another\nApplication.ActivePage", true},
      {"Application.ActivePage.Shapes.ItemFromID(1).CellsSRC(visSectionObject, "
       "visRowXFormOut + 1, -2)",
       true},
      {"Application.Documents.Item(1).Pages.ItemU(\"two\nlines\")", true},
      {"Application.Windows.Item()", true},
      {"", false},
      {"app.ActivePage", false},
      {"shape.Cells(\"Width\")", false},
      {"Application.", false},
      {"Application..Pages", false},
      {"Application.Pages.Item(\"open", false},
      {"Application.Pages.Item(1", false},
      {"Application.Pages.Item(1,2)", false},
      {"Application.Pages.Item(99999999999)", false},
      {"Application.Pages.Item(visX + )", false},
      {"Application.Pages.Item(1) ", false},
      {"Application.1Pages", false},
      {"' only a note", false},
      {"Application" + std::string(kMaxCodeText, ' '), false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseVbaPath(c.text).has_value(), c.parses) << c.text;
  }
  std::string deep = "Application";
  for (std::size_t i = 0; i < kMaxCodeSteps; ++i) deep += ".Parent";
  EXPECT_TRUE(ParseVbaPath(deep));
  EXPECT_FALSE(ParseVbaPath(deep + ".Parent"));

  const std::optional<TCodePath> path = ParseVbaPath(
      "Application.Pages.ItemU(\"a\"\"b\").CellsSRC(visSectionObject, visRowXFormOut + 1, 7)");
  ASSERT_TRUE(path);
  ASSERT_EQ(path->steps.size(), 3u);
  EXPECT_EQ(path->steps[1].args[0].text, "a\"b");
  EXPECT_EQ(path->steps[2].args[1].kind, TCodeArg::Kind::Constant);
  EXPECT_EQ(path->steps[2].args[1].text, "visRowXFormOut");
  EXPECT_EQ(path->steps[2].args[1].number, 1);
  EXPECT_EQ(path->steps[2].args[2].number, 7);
}

class CodeReachTest : public tree_test::DemoTreeTest {};

// Roots of every kind a window opens on go to their place and come back
// as the same object of the same class; a place whose object is gone or
// whose class or path is no good gives no root.
TEST_F(CodeReachTest, ARootsPlaceLeadsBackToTheSameObject) {
  const ObjectRef visio(app);
  const ObjectRef page = visio.Get("ActivePage").ToObject();
  const ObjectRef shape = page.Get("Shapes").ToObject().Get("Item", {Variant(1)}).ToObject();
  const ObjectRef master = visio.Get("ActiveDocument")
                               .ToObject()
                               .Get("Masters")
                               .ToObject()
                               .Get("Item", {Variant(1)})
                               .ToObject();
  std::vector<TTVNodeData*> roots = {&MakeApplicationRoot(tree, visio),
                                     &MakeShapeRoot(tree, shape)};
  TTVNodeData& cell = MakeNode<TND_IVCell>("Cell", -1, tree, nullptr, nullptr, kNoIndex,
                                           TAccessKind::ReadWrite, TIndexStyle::NoIndex,
                                           TVisObjSource::SupplyOnCreate, TNodeKind::VisObject,
                                           nullptr, nullptr);
  static_cast<TND_IVCell&>(cell).VisObj = shape.Get("Cells", {Variant("PinY")}).ToObject();
  roots.push_back(&cell);
  TTreeItem& app0 = Expanded(*roots[0]->TreeNode);
  TTreeItem& doc = Expanded(Child(app0, "ActiveDocument"));
  roots.push_back(static_cast<TND_VisObject*>(doc.Data())->CopyToTree(tree));
  TTVNodeData& masterNode = MakeNodeOfClass(
      TNodeClass::TND_IVMaster, "Master", -1, tree, nullptr, nullptr, kNoIndex,
      TAccessKind::ReadOnly, TIndexStyle::NoIndex, TVisObjSource::SupplyOnCreate,
      TNodeKind::VisObject, nullptr, nullptr);
  static_cast<TND_VisObject&>(masterNode).VisObj = master;
  roots.push_back(&masterNode);

  for (TTVNodeData* root : roots) {
    const auto* node = dynamic_cast<TND_VisObject*>(root);
    ASSERT_NE(node, nullptr);
    const std::optional<TRootPlace> place = RootPlaceOf(*root);
    ASSERT_TRUE(place) << root->Name;
    SCOPED_TRACE(place->path);
    TTreeModel again;
    TTVNodeData* found = RootFromPlace(again, visio, *place);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(typeid(*found), typeid(*root));
    EXPECT_EQ(found->Name, root->Name);
    EXPECT_TRUE(automation::SameObject(dynamic_cast<TND_VisObject*>(found)->VisObj, node->VisObj));
    again.Clear();
  }

  const TRootPlace good = *RootPlaceOf(*roots[1]);
  struct Bad {
    const char* why;
    TRootPlace place;
  };
  const std::vector<Bad> bad = {
      {"no such class", {"TND_Nothing", "Shape", good.path}},
      {"a value class", {"TND_WideString", "Shape", good.path}},
      {"no name", {good.nodeClass, "", good.path}},
      {"no path", {good.nodeClass, "Shape", "shape.Parent"}},
      {"no object at its end", {good.nodeClass, "Shape", good.path + ".Name"}},
  };
  for (const Bad& b : bad) {
    TTreeModel again;
    EXPECT_EQ(RootFromPlace(again, visio, b.place), nullptr) << b.why;
  }
  TTreeModel again;
  EXPECT_THROW(RootFromPlace(again, visio, {good.nodeClass, "Shape",
                                            "Application.ActivePage.Shapes.ItemFromID(999)"}),
               automation::AutomationError);
  EXPECT_THROW(RootFromPlace(again, visio, {good.nodeClass, "Shape",
                                            "Application.ActivePage.Shapes.Item(visNoSuchThing)"}),
               std::invalid_argument);
}

}  // namespace
