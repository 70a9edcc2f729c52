// What a refresh changed, as a debugger's watch window shows it: the
// captions of the last refresh are kept by each item's path from its root
// (not in the items, which collapsing deletes and expanding makes again),
// and the next refresh marks every item whose caption differs and every
// item that appeared under one whose children were known. The marks stay
// on the items until the next refresh of their branch.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class TTreeItem;
class TTreeModel;

// One line of what changed, in the order the tree shows it.
struct TTreeChange {
  enum Kind : char { Changed = '~', Appeared = '+', Disappeared = '-' };
  Kind kind;
  std::string path;     // as ItemPath spells it
  std::string caption;  // the new caption; the last one seen for Disappeared
  std::string before;   // the caption before, for Changed
  friend bool operator==(const TTreeChange&, const TTreeChange&) = default;
};

class TChangeMarks {
 public:
  explicit TChangeMarks(TTreeModel& tree);
  ~TChangeMarks();
  TChangeMarks(const TChangeMarks&) = delete;
  TChangeMarks& operator=(const TChangeMarks&) = delete;

  // Refreshes the item and its open subtree (the node's Refresh(2)), then
  // marks what changed below and at the item since the captions were last
  // taken, and takes them afresh. Marks elsewhere in the tree stay. Returns
  // the changes; nothing when the item's captions were never taken. A
  // failing refresh is passed on after the comparison.
  std::vector<TTreeChange> Refresh(TTreeItem& item);

  // Removes every mark; the captions kept stay for the next comparison.
  void ClearMarks();

  // For TTreeModel: the item's children were just made by expanding it.
  // Their captions are taken where none are kept yet (so they are compared
  // at the next refresh, and are not new), marks kept for them are shown
  // again, and what is kept for children it no longer has is dropped.
  void Loaded(TTreeItem& item);
  // For TTreeModel: the item is about to collapse. During a refresh that
  // means the node layer found its object gone, and its children count as
  // disappeared; otherwise the user closed it and its captions are kept.
  void Collapsing(TTreeItem& item);

 private:
  struct Snap;
  // The path segments down to an item, each flagged when it is an array
  // element (see JoinPath).
  using Path = std::vector<std::pair<std::string_view, bool>>;

  // The captions kept for the item, made on the way when `create`; `path`
  // gets the segments down to it.
  Snap* FindSnap(const TTreeItem& item, bool create, Path& path);
  // Compares the item with what was kept for it (`known`: anything was),
  // marks and lists what differs, and keeps the item's captions instead.
  void Compare(TTreeItem& item, Snap& snap, bool known, Path& path,
               std::vector<TTreeChange>& changes);
  // The child's snap in the current pass over its siblings, made when
  // there is none; `made` tells.
  Snap& ChildSnap(Snap& parent, const TTreeItem& child, std::uint32_t pass, bool& made,
                  std::string_view& key);
  void ListDisappeared(const std::string& key, const Snap& snap, Path& path,
                       std::vector<TTreeChange>& changes);

  TTreeModel& tree_;
  std::unique_ptr<Snap> top_;  // stands for the invisible root
  std::uint32_t pass_ = 0;     // counts the passes over children, for Snap::seen
  bool refreshing_ = false;
  bool keptMarks_ = false;  // whether any snap may hold marks
};
