// The tree the nodes live in: items with a text, a state image, expanded and
// has-children flags, ordered children and one owned node each. It knows
// nothing of windows: a view shows it through an observer, and tests and
// the command-line companion drive it directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "automation/Object.h"

class TChangeMarks;
class TTVNodeData;
class TTreeItem;
class TTreeModel;

// What changed about an item, for TTreeObserver::ItemChanged.
enum TItemChange : std::uint8_t {
  icText = 1,
  icStateImage = 2,
  icExpanded = 4,
  icHasChildren = 8,
  icMarks = 16,
};

// Why an item is marked until the next refresh; see TChangeMarks.
enum TItemMark : std::uint8_t {
  imChanged = 1,    // its caption changed at the last refresh
  imNew = 2,        // it appeared at the last refresh
  imChildGone = 4,  // an item below it disappeared at the last refresh
  imReported = 8,   // Visio reported a change of its object since
};

// Told about every change of the tree, so that a view can follow it item by
// item. A null parent means the top level. Removing an item removes its
// whole subtree with it.
class TTreeObserver {
 public:
  virtual ~TTreeObserver();
  virtual void ItemsAboutToBeInserted(TTreeItem* parent, int first, int last);
  virtual void ItemsInserted(TTreeItem* parent, int first, int last);
  virtual void ItemsAboutToBeRemoved(TTreeItem* parent, int first, int last);
  virtual void ItemsRemoved(TTreeItem* parent, int first, int last);
  virtual void ItemChanged(TTreeItem* item, std::uint8_t changes);
};

class TTreeItem {
 public:
  ~TTreeItem();
  TTreeItem(const TTreeItem&) = delete;
  TTreeItem& operator=(const TTreeItem&) = delete;

  TTreeModel& Tree() const { return *tree_; }
  TTreeItem* Parent() const { return parent_; }
  // The node the item owns; null only while a node is being made or after
  // making one failed.
  TTVNodeData* Data() const { return data_.get(); }

  const std::string& Text() const { return text_; }
  void SetText(std::string text);
  std::uint8_t StateIndex() const { return stateIndex_; }
  void SetStateIndex(std::uint8_t index);
  bool Expanded() const { return expanded_; }
  // Whether the item shows an expand button.
  bool HasChildren() const { return hasChildren_; }
  void SetHasChildren(bool value);
  // TItemMark flags; 0 for an unmarked item.
  std::uint8_t Marks() const { return marks_; }
  void SetMarks(std::uint8_t marks);

  int Count() const { return static_cast<int>(children_.size()); }
  TTreeItem* Item(int position) const {
    return children_[static_cast<std::size_t>(position)].get();
  }
  // The position among its siblings (their count when it is not among
  // them, while it is being added or removed).
  int Index() const;
  // 0 for a top-level item.
  int Level() const;

  void Expand();
  void Collapse();
  void Delete();
  void DeleteChildren();

 private:
  friend class TTreeModel;
  friend class TTVNodeData;
  TTreeItem(TTreeModel& tree, TTreeItem* parent, std::string text);
  const std::vector<std::unique_ptr<TTreeItem>>& Siblings() const;

  TTreeModel* tree_;
  TTreeItem* parent_;
  std::vector<std::unique_ptr<TTreeItem>> children_;
  std::unique_ptr<TTVNodeData> data_;
  std::string text_;
  std::uint8_t stateIndex_ = 0;
  bool expanded_ = false;
  bool hasChildren_ = false;
  std::uint8_t marks_ = 0;
  mutable int row_ = 0;  // where Index last found the item
};

class TTreeModel {
 public:
  TTreeModel();
  ~TTreeModel();
  TTreeModel(const TTreeModel&) = delete;
  TTreeModel& operator=(const TTreeModel&) = delete;

  // A new item under `parent` (null: top level), before `before` when it is
  // given (one of parent's children), else appended.
  TTreeItem* Add(TTreeItem* parent, TTreeItem* before, std::string text);
  // Deletes the item, its subtree and their nodes.
  void Delete(TTreeItem* item);
  void DeleteChildren(TTreeItem* item);
  void Clear();

  // Expanding asks the item's node for its children; the item is expanded
  // even when that fails, and the failure is passed on. Collapsing deletes
  // the children and keeps the expand button, so every expansion reads
  // afresh.
  void Expand(TTreeItem* item);
  void Collapse(TTreeItem* item);

  int Count() const { return static_cast<int>(roots_.size()); }
  TTreeItem* Item(int position) const { return roots_[static_cast<std::size_t>(position)].get(); }
  // The first top-level item, or null.
  TTreeItem* First() const { return roots_.empty() ? nullptr : roots_.front().get(); }
  // Items in the whole tree.
  std::size_t ItemCount() const { return itemCount_; }

  // Whether shape sheets show every section of today's Visio instead of
  // the cell catalogue's; see ShowAllSections.
  bool AllSections() const { return allSections_; }
  void SetAllSections(bool on) { allSections_ = on; }

  // What changed at the last refresh, and the captions it is compared with.
  TChangeMarks& Changes() { return *changes_; }
  // Items with marks, in the whole tree.
  std::size_t MarkedCount() const { return markedCount_; }
  // Marks every loaded item whose node stands for `object` (by COM identity)
  // as reported changed, until the next refresh; returns how many. With
  // `candidate`, only the items it accepts are asked: across processes each
  // question may be a call to Visio.
  int MarkItemsOf(const automation::ObjectRef& object,
                  bool (*candidate)(const TTVNodeData& node) = nullptr);

  void AddObserver(TTreeObserver* observer);
  void RemoveObserver(TTreeObserver* observer);

 private:
  friend class TTreeItem;
  std::vector<std::unique_ptr<TTreeItem>>& ChildrenOf(TTreeItem* parent);
  void NotifyChanged(TTreeItem* item, std::uint8_t changes);
  void DeleteRange(TTreeItem* parent, int first, int last);

  std::vector<std::unique_ptr<TTreeItem>> roots_;
  std::vector<TTreeObserver*> observers_;
  std::size_t itemCount_ = 0;
  std::size_t markedCount_ = 0;
  bool allSections_ = false;
  std::unique_ptr<TChangeMarks> changes_;
};

// Calls f with the item and every item below it, in the order the tree
// shows them (parents first).
template <class F>
void ForEachItem(TTreeItem& item, const F& f) {
  f(item);
  for (int i = 0; i < item.Count(); ++i) ForEachItem(*item.Item(i), f);
}

// The same for every item of the tree.
template <class F>
void ForEachItem(const TTreeModel& tree, const F& f) {
  for (int i = 0; i < tree.Count(); ++i) ForEachItem(*tree.Item(i), f);
}
