// Tests of the tree over the stand-in Visio's demo drawing: a fresh drawing
// and an empty tree for every test, both gone at its end.
#pragma once

#include "standin/Application.h"
#include "standin/Demo.h"
#include "tests/tree/TreeTestSupport.h"
#include "tree/TreeModel.h"

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

  automation::Ref<standin::Application> app = automation::MakeRef<standin::Application>();
  TTreeModel tree;
};

}  // namespace tree_test
