// Tests of the tree over the stand-in Visio's demo drawing: a fresh drawing
// and an empty tree for every test, both gone at its end.
#pragma once

#include <stdexcept>
#include <string>

#include "standin/Application.h"
#include "standin/Demo.h"
#include "tests/tree/TreeTestSupport.h"
#include "tree/TreeModel.h"
#include "tree/VisObjectNodes.h"

namespace tree_test {

class DemoTreeTest : public TreeTest {
 protected:
  void SetUp() override {
    TreeTest::SetUp();
    standin::BuildDemoDrawing(*app);
  }
  void TearDown() override {
    tree.Clear();
    app->Quit();
    TreeTest::TearDown();
  }

  // The named shape of the first page.
  automation::ObjectRef Shape(const std::string& name) const {
    using automation::Variant;
    const automation::ObjectRef shapes =
        automation::ObjectRef(app).Get("ActivePage").ToObject().Get("Shapes").ToObject();
    for (std::int16_t i = 1; i <= shapes.Get("Count").ToInt16(); ++i) {
      automation::ObjectRef shape = shapes.Get("Item", {Variant(i)}).ToObject();
      if (shape.Get("Name").ToString() == name) return shape;
    }
    throw std::runtime_error("no shape " + name);
  }

  // The expanded sheet of a shape tree rooted at `shape`.
  TTreeItem& Sheet(const automation::ObjectRef& shape) {
    TTreeItem& root = *MakeShapeRoot(tree, shape).TreeNode;
    return Expanded(Child(Expanded(root), "CellsSRC-Sections"));
  }

  automation::Ref<standin::Application> app = automation::MakeRef<standin::Application>();
  TTreeModel tree;
};

}  // namespace tree_test
