// Walking a tree in tests.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>

#include "lut/Tarvel_TreeNodeLUTs.h"
#include "tree/Tarvel_Cells01.h"
#include "tree/NodeData.h"
#include "tree/TreeText.h"
#include "visio/KTVisio_Controller.h"

namespace tree_test {

// The child with this name (and index), which must be there.
inline TTreeItem& Child(const TTreeItem& parent, const std::string& name,
                        std::optional<std::int16_t> index = std::nullopt) {
  TTreeItem* child = FindChild(parent, name, index);
  if (child == nullptr) {
    throw std::runtime_error("no child " + name + " under " + parent.Text());
  }
  return *child;
}

inline TTreeItem& Expanded(TTreeItem& item) {
  item.Expand();
  return item;
}

// Fresh global state for every test: the catalogue built, the controller's
// flag down and nobody listening.
class TreeTest : public testing::Test {
 protected:
  void SetUp() override {
    BuildVisioConstantCatalogue();
    BuildCellCatalogue();
    Reset();
  }
  void TearDown() override { Reset(); }
  static void Reset() {
    VisioController.OnStatusChange = nullptr;
    VisioController.SetCallRefused(false);
  }
};

}  // namespace tree_test
