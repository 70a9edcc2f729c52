#include "tree/ChangeMarks.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <unordered_map>

#include "tree/NodeData.h"
#include "tree/TreeModel.h"
#include "tree/TreeText.h"

struct TChangeMarks::Snap {
  std::string caption;
  std::uint32_t order = 0;  // position among its siblings when last seen
  std::uint32_t seen = 0;   // the pass over its siblings that last met it
  bool open = false;        // its children's captions are kept
  bool element = false;     // an array element: its path leaves the array out
  bool vanished = false;    // the node layer collapsed it during this refresh
  std::uint8_t marks = 0;   // the comparison's marks, shown again on re-expanding
  std::unordered_map<std::string, std::unique_ptr<Snap>> kids;
};

namespace {

void ClearItemMarks(TTreeItem& item) {
  ForEachItem(item, [](TTreeItem& each) { each.SetMarks(0); });
}

void Mark(TTreeItem& item, std::uint8_t& kept, std::uint8_t mark, bool& anyKept) {
  item.SetMarks(item.Marks() | mark);
  kept |= mark;
  anyKept = true;
}

// A second, third ... sibling with the same segment is told apart by its
// place among them.
std::string NumberedKey(const std::string& segment, int occurrence) {
  return occurrence == 1 ? segment : segment + "#" + std::to_string(occurrence);
}

}  // namespace

TChangeMarks::TChangeMarks(TTreeModel& tree) : tree_(tree), top_(std::make_unique<Snap>()) {}

TChangeMarks::~TChangeMarks() = default;

TChangeMarks::Snap* TChangeMarks::FindSnap(const TTreeItem& item, bool create, Path& path) {
  std::vector<const TTreeItem*> chain;
  for (const TTreeItem* p = &item; p != nullptr; p = p->Parent()) chain.push_back(p);
  Snap* snap = top_.get();
  for (auto at = chain.rbegin(); at != chain.rend(); ++at) {
    const TTreeItem& step = **at;
    const std::string segment = PathSegment(step);
    int occurrence = 1;
    const int index = step.Index();
    for (int i = 0; i < index; ++i) {
      const TTreeItem* sibling = step.Parent() != nullptr ? step.Parent()->Item(i) : tree_.Item(i);
      if (PathSegment(*sibling) == segment) ++occurrence;
    }
    std::string key = NumberedKey(segment, occurrence);
    auto found = snap->kids.find(key);
    if (found == snap->kids.end()) {
      if (!create) return nullptr;
      auto made = std::make_unique<Snap>();
      made->caption = step.Text();
      made->order = static_cast<std::uint32_t>(index);
      made->element = IsArrayElement(step);
      found = snap->kids.emplace(std::move(key), std::move(made)).first;
    }
    path.emplace_back(found->first, found->second->element);
    snap = found->second.get();
  }
  return snap;
}

TChangeMarks::Snap& TChangeMarks::ChildSnap(Snap& parent, const TTreeItem& child,
                                            std::uint32_t pass, bool& made, std::string_view& key) {
  const std::string segment = PathSegment(child);
  auto found = parent.kids.find(segment);
  for (int occurrence = 2; found != parent.kids.end() && found->second->seen == pass;
       ++occurrence) {
    found = parent.kids.find(NumberedKey(segment, occurrence));
    if (found == parent.kids.end()) {
      found = parent.kids.emplace(NumberedKey(segment, occurrence), std::make_unique<Snap>()).first;
      made = true;
      break;
    }
  }
  if (found == parent.kids.end()) {
    found = parent.kids.emplace(segment, std::make_unique<Snap>()).first;
    made = true;
  }
  Snap& snap = *found->second;
  if (made) {
    snap.caption = child.Text();
    snap.element = IsArrayElement(child);
  }
  snap.seen = pass;
  key = found->first;
  return snap;
}

void TChangeMarks::Compare(TTreeItem& item, Snap& snap, bool known, Path& path,
                           std::vector<TTreeChange>& changes) {
  const std::string& text = item.Text();
  if (known && snap.caption != text) {
    Mark(item, snap.marks, imChanged, keptMarks_);
    changes.push_back({TTreeChange::Changed, JoinPath(path), text, snap.caption});
  }
  if (snap.caption != text) snap.caption = text;
  const bool vanished = std::exchange(snap.vanished, false);
  // Below an item the user closed, the captions stay as they were for
  // when it is opened again.
  if (!item.Expanded() && !vanished) return;
  const bool childrenKnown = known && snap.open;

  struct Child {
    TTreeItem* item;
    Snap* snap;
    std::string_view key;
    bool made;
    std::uint32_t order;  // where it was last seen
  };
  const std::uint32_t pass = ++pass_;
  std::vector<Child> children;
  children.reserve(static_cast<std::size_t>(item.Count()));
  for (int i = 0; i < item.Count(); ++i) {
    TTreeItem& child = *item.Item(i);
    bool made = false;
    std::string_view key;
    Snap& kid = ChildSnap(snap, child, pass, made, key);
    children.push_back({&child, &kid, key, made, kid.order});
    kid.order = static_cast<std::uint32_t>(i);
  }
  std::vector<std::pair<std::uint32_t, const std::string*>> gone;
  for (const auto& [key, kid] : snap.kids) {
    if (kid->seen != pass) gone.emplace_back(kid->order, &key);
  }
  std::sort(gone.begin(), gone.end());

  // Listed in the tree's order: what disappeared where it used to be.
  std::size_t next = 0;
  const auto listGoneBefore = [&](std::uint32_t order) {
    for (; next < gone.size() && gone[next].first < order; ++next) {
      ListDisappeared(*gone[next].second, *snap.kids.at(*gone[next].second), path, changes);
    }
  };
  for (const Child& child : children) {
    if (childrenKnown && !child.made) listGoneBefore(child.order);
    path.emplace_back(child.key, child.snap->element);
    if (childrenKnown && child.made) {
      Mark(*child.item, child.snap->marks, imNew, keptMarks_);
      changes.push_back({TTreeChange::Appeared, JoinPath(path), child.item->Text(), {}});
    }
    Compare(*child.item, *child.snap, known && !child.made, path, changes);
    path.pop_back();
  }
  if (childrenKnown) listGoneBefore(UINT32_MAX);
  if (childrenKnown && !gone.empty()) Mark(item, snap.marks, imChildGone, keptMarks_);
  for (const auto& [order, key] : gone) snap.kids.erase(*key);
  snap.open = true;
}

void TChangeMarks::ListDisappeared(const std::string& key, const Snap& snap, Path& path,
                                   std::vector<TTreeChange>& changes) {
  path.emplace_back(key, snap.element);
  changes.push_back({TTreeChange::Disappeared, JoinPath(path), snap.caption, {}});
  if (snap.open) {
    std::vector<std::pair<std::uint32_t, const std::string*>> kids;
    for (const auto& [kidKey, kid] : snap.kids) kids.emplace_back(kid->order, &kidKey);
    std::sort(kids.begin(), kids.end());
    for (const auto& [order, kidKey] : kids) {
      ListDisappeared(*kidKey, *snap.kids.at(*kidKey), path, changes);
    }
  }
  path.pop_back();
}

namespace {

void ClearSnapMarks(auto& snap) {
  snap.marks = 0;
  for (auto& [key, kid] : snap.kids) ClearSnapMarks(*kid);
}

}  // namespace

std::vector<TTreeChange> TChangeMarks::Refresh(TTreeItem& item) {
  Path path;
  Snap* snap = FindSnap(item, false, path);
  const bool known = snap != nullptr;
  // The branch's marks said what the previous refresh changed.
  if (tree_.MarkedCount() > 0) ClearItemMarks(item);
  // Without marks kept anywhere there is nothing to walk for.
  if (snap != nullptr && keptMarks_) ClearSnapMarks(*snap);

  std::exception_ptr failure;
  refreshing_ = true;
  try {
    if (TTVNodeData* node = item.Data()) node->Refresh(2);
  } catch (...) {
    failure = std::current_exception();
  }
  refreshing_ = false;

  std::vector<TTreeChange> changes;
  if (snap == nullptr) {
    path.clear();
    snap = FindSnap(item, true, path);
  }
  Compare(item, *snap, known, path, changes);
  if (failure) std::rethrow_exception(failure);
  return changes;
}

void TChangeMarks::ClearMarks() {
  ForEachItem(tree_, [](TTreeItem& each) { each.SetMarks(0); });
  ClearSnapMarks(*top_);
  keptMarks_ = false;
}

void TChangeMarks::Loaded(TTreeItem& item) {
  Path path;
  Snap* snap = FindSnap(item, true, path);
  if (!snap->open) {
    // Nothing kept below it: the children's captions now are what the next
    // refresh compares with. The item's own caption stays as it was kept.
    const std::string kept = snap->caption;
    std::vector<TTreeChange> none;
    Compare(item, *snap, false, path, none);
    snap->caption = kept;
    return;
  }
  // Opened again: the kept captions stay, and so do the marks of the last
  // refresh.
  const std::uint32_t pass = ++pass_;
  for (int i = 0; i < item.Count(); ++i) {
    TTreeItem& child = *item.Item(i);
    bool made = false;
    std::string_view key;
    Snap& kid = ChildSnap(*snap, child, pass, made, key);
    if (made) kid.order = static_cast<std::uint32_t>(i);
    if (kid.marks != 0) child.SetMarks(child.Marks() | kid.marks);
  }
  // What the expansion no longer makes (a sheet made again with other
  // sections) is not reported gone at the next refresh: the user never saw
  // it go.
  std::erase_if(snap->kids, [pass](const auto& kid) { return kid.second->seen != pass; });
}

void TChangeMarks::Collapsing(TTreeItem& item) {
  if (!refreshing_) return;
  Path path;
  if (Snap* snap = FindSnap(item, false, path)) snap->vanished = true;
}
