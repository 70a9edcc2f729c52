// Opening a tree wide, as the tree benchmarks need it.
#pragma once

#include <cstddef>
#include <deque>
#include <exception>

#include "tree/TreeModel.h"

namespace bench {

// Opens items breadth first from the root until the tree holds `items`.
inline void ExpandTo(TTreeModel& tree, std::size_t items) {
  std::deque<TTreeItem*> queue = {tree.First()};
  while (!queue.empty() && tree.ItemCount() < items) {
    TTreeItem* item = queue.front();
    queue.pop_front();
    if (!item->HasChildren()) continue;
    try {
      item->Expand();
    } catch (const std::exception&) {
      continue;
    }
    for (int i = 0; i < item->Count(); ++i) queue.push_back(item->Item(i));
  }
}

}  // namespace bench
