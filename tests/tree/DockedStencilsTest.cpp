// The stencils docked in a window, over the stand-in Visio: the node reads
// the whole list with one call per refresh and its elements answer from it.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "standin/Application.h"
#include "standin/Demo.h"
#include "standin/Document.h"
#include "standin/Shape.h"
#include "standin/Window.h"
#include "tests/tree/TreeTestSupport.h"
#include "tests/tree/DemoTreeTest.h"
#include "tree/DockedStencilsNode.h"
#include "tree/VisObjectNodes.h"

namespace {

using automation::ObjectRef;
using tree_test::Child;
using tree_test::Expanded;

// Passes every call on to the window and counts the docked-stencils reads.
class CountingWindow : public automation::Object {
 public:
  explicit CountingWindow(ObjectRef window) : window_(std::move(window)) {}
  automation::Variant Invoke(automation::CallKind kind, std::string_view member,
                             automation::Args args) override {
    if (member == "DockedStencils") ++reads;
    return window_->Invoke(kind, member, args);
  }
  int reads = 0;

 private:
  ObjectRef window_;
};

class DockedStencilsTest : public tree_test::DemoTreeTest {
 protected:
  void SetUp() override {
    DemoTreeTest::SetUp();
    window = app->ActiveWindow();
    for (standin::Document* stencil : std::vector(window->Docked())) window->Undock(*stencil);
    counting = automation::MakeRef<CountingWindow>(ObjectRef(window));
    auto& root = MakeNode<TND_IVWindow>(
        "Window", -1, tree, nullptr, nullptr, kNoIndex, TAccessKind::ReadOnly, TIndexStyle::NoIndex,
        TVisObjSource::SupplyOnCreate, TNodeKind::VisObject, nullptr, nullptr);
    root.VisObj = ObjectRef(counting);
    root.Refresh(0);
    rootItem = root.TreeNode;
  }

  standin::Document& Stencil(const std::string& name) {
    auto stencil = app->NewDocument(name, standin::visDocTypeStencil);
    app->AddDocument(stencil, false);
    return *stencil;
  }

  TTreeItem& Docked() { return Child(Expanded(*rootItem), "DockedStencils_Func"); }

  standin::Window* window = nullptr;
  automation::Ref<CountingWindow> counting;
  TTreeItem* rootItem = nullptr;
};

std::vector<std::string> Texts(const TTreeItem& item) {
  std::vector<std::string> texts;
  for (int i = 0; i < item.Count(); ++i) texts.push_back(item.Item(i)->Text());
  return texts;
}

TEST_F(DockedStencilsTest, NoDockedStencilsShowACountOfZeroAndNoElements) {
  TTreeItem& docked = Expanded(Docked());
  EXPECT_EQ(docked.Text(), "DockedStencils_Func (Count: 0)");
  EXPECT_EQ(docked.Count(), 0);
  EXPECT_TRUE(docked.HasChildren());
}

TEST_F(DockedStencilsTest, ThreeStencilsAreReadWithOneCallAndFollowedOnRefresh) {
  standin::Document& basic = Stencil("Basic.vssx");
  standin::Document& arrows = Stencil("Arrows.vssx");
  standin::Document& flow = Stencil("Flow.vssx");
  for (standin::Document* stencil : {&basic, &arrows, &flow}) window->Dock(*stencil);

  TTreeItem& docked = Docked();
  EXPECT_EQ(docked.Text(), "DockedStencils_Func (Count: 3)");
  counting->reads = 0;
  docked.Expand();
  EXPECT_EQ(counting->reads, 1) << "expanding reads the list once for all elements";
  EXPECT_EQ(Texts(docked), (std::vector<std::string>{"DockedStencil[0]   = Basic.vssx",
                                                     "DockedStencil[1]   = Arrows.vssx",
                                                     "DockedStencil[2]   = Flow.vssx"}));
  auto& node = dynamic_cast<TND_DockedStencils&>(*docked.Data());
  EXPECT_EQ(node.StencilNames.size(), 3U);
  EXPECT_FALSE(node.Updating);

  TTreeItem* first = docked.Item(0);
  window->Undock(basic);
  counting->reads = 0;
  node.Refresh(2);
  EXPECT_EQ(counting->reads, 1) << "one read per refresh";
  EXPECT_EQ(docked.Text(), "DockedStencils_Func (Count: 2)");
  EXPECT_EQ(Texts(docked), (std::vector<std::string>{"DockedStencil[0]   = Arrows.vssx",
                                                     "DockedStencil[1]   = Flow.vssx"}));
  EXPECT_EQ(docked.Item(0), first);

  // An element whose position has gone, until a refresh removes it.
  window->Undock(flow);
  TTVNodeData& second = *docked.Item(1)->Data();
  EXPECT_EQ(second.GetValueStr(100, false), "Does not exist");
  window->Dock(basic);
  node.Refresh(2);
  EXPECT_EQ(Texts(docked), (std::vector<std::string>{"DockedStencil[0]   = Arrows.vssx",
                                                     "DockedStencil[1]   = Basic.vssx"}));
}

TEST_F(DockedStencilsTest, AWindowThatCannotBeAskedShowsAnEmptyList) {
  window->Dock(Stencil("Basic.vssx"));
  TTreeItem& docked = Expanded(Docked());
  ASSERT_EQ(docked.Count(), 1);
  app->CloseWindow(*window);
  docked.Data()->Refresh(2);
  EXPECT_EQ(docked.Text(), "DockedStencils_Func (Count: 0)");
  EXPECT_EQ(docked.Count(), 0);
}

}  // namespace
