// Walking a tree in tests.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <regex>
#include <sstream>
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

// The item at a path below `root` as tarvel-tree --expand takes it: names
// from the root, Name[i] an element, under the item or its array of that
// name. Every item on the way is expanded.
inline TTreeItem& ReachPath(TTreeItem& root, const std::string& path) {
  static const std::regex element(R"((.+)\[(-?\d+)\])");
  TTreeItem* current = &root;
  std::istringstream segments(path);
  std::string segment;
  while (std::getline(segments, segment, '/')) {
    Expanded(*current);
    if (TTreeItem* exact = FindChild(*current, segment)) {
      current = exact;
      continue;
    }
    std::smatch match;
    if (!std::regex_match(segment, match, element)) throw std::runtime_error("no " + segment);
    const std::string name = match[1];
    const auto index = static_cast<std::int16_t>(std::stoi(match[2]));
    if (TTreeItem* item = FindChild(*current, name, index)) {
      current = item;
    } else {
      current = &Child(Expanded(Child(*current, name)), name, index);
    }
  }
  return *current;
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
