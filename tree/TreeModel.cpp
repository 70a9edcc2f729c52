#include "tree/TreeModel.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>

#include "tree/ChangeMarks.h"
#include "tree/NodeData.h"

TTreeObserver::~TTreeObserver() = default;
void TTreeObserver::ItemsAboutToBeInserted(TTreeItem*, int, int) {}
void TTreeObserver::ItemsInserted(TTreeItem*, int, int) {}
void TTreeObserver::ItemsAboutToBeRemoved(TTreeItem*, int, int) {}
void TTreeObserver::ItemsRemoved(TTreeItem*, int, int) {}
void TTreeObserver::ItemChanged(TTreeItem*, std::uint8_t) {}

// ---- TTreeItem ----

TTreeItem::TTreeItem(TTreeModel& tree, TTreeItem* parent, std::string text)
    : tree_(&tree), parent_(parent), text_(std::move(text)) {}

TTreeItem::~TTreeItem() {
  // Children go before the node, so that no node outlives its parent node.
  children_.clear();
  data_.reset();
}

void TTreeItem::SetText(std::string text) {
  if (text == text_) return;
  text_ = std::move(text);
  tree_->NotifyChanged(this, icText);
}

void TTreeItem::SetStateIndex(std::uint8_t index) {
  if (index == stateIndex_) return;
  stateIndex_ = index;
  tree_->NotifyChanged(this, icStateImage);
}

void TTreeItem::SetHasChildren(bool value) {
  if (value == hasChildren_) return;
  hasChildren_ = value;
  tree_->NotifyChanged(this, icHasChildren);
}

void TTreeItem::SetMarks(std::uint8_t marks) {
  if (marks == marks_) return;
  if ((marks_ == 0) != (marks == 0)) {
    if (marks == 0) {
      --tree_->markedCount_;
    } else {
      ++tree_->markedCount_;
    }
  }
  marks_ = marks;
  tree_->NotifyChanged(this, icMarks);
}

const std::vector<std::unique_ptr<TTreeItem>>& TTreeItem::Siblings() const {
  return parent_ != nullptr ? parent_->children_ : tree_->roots_;
}

int TTreeItem::Index() const {
  const auto& siblings = Siblings();
  const int count = static_cast<int>(siblings.size());
  const auto at = [&](int i) { return siblings[static_cast<std::size_t>(i)].get(); };
  // Searched outwards from where the item was last found: inserting or
  // removing siblings moves it by that many places at most, and a view
  // asks for the position of each of thousands of parents in turn.
  const int start = std::clamp(row_, 0, std::max(count - 1, 0));
  for (int distance = 0; distance <= count; ++distance) {
    const int after = start + distance;
    const int before = start - distance - 1;
    if (after >= count && before < 0) break;
    if (after < count && at(after) == this) return row_ = after;
    if (before >= 0 && at(before) == this) return row_ = before;
  }
  return count;
}

int TTreeItem::Level() const {
  int level = 0;
  for (const TTreeItem* p = parent_; p != nullptr; p = p->parent_) ++level;
  return level;
}

void TTreeItem::Expand() {
  tree_->Expand(this);
}
void TTreeItem::Collapse() {
  tree_->Collapse(this);
}
void TTreeItem::Delete() {
  tree_->Delete(this);
}
void TTreeItem::DeleteChildren() {
  tree_->DeleteChildren(this);
}

// ---- TTreeModel ----

TTreeModel::TTreeModel() : changes_(std::make_unique<TChangeMarks>(*this)) {}

TTreeModel::~TTreeModel() {
  observers_.clear();
  roots_.clear();
}

std::vector<std::unique_ptr<TTreeItem>>& TTreeModel::ChildrenOf(TTreeItem* parent) {
  return parent != nullptr ? parent->children_ : roots_;
}

TTreeItem* TTreeModel::Add(TTreeItem* parent, TTreeItem* before, std::string text) {
  auto& children = ChildrenOf(parent);
  auto position = children.end();
  if (before != nullptr) {
    position = std::find_if(children.begin(), children.end(),
                            [before](const auto& child) { return child.get() == before; });
    if (position == children.end()) throw std::invalid_argument("insert position not found");
  }
  const int at = static_cast<int>(std::distance(children.begin(), position));
  for (TTreeObserver* o : observers_) o->ItemsAboutToBeInserted(parent, at, at);
  TTreeItem* item =
      children
          .insert(position,
                  std::unique_ptr<TTreeItem>(new TTreeItem(*this, parent, std::move(text))))
          ->get();
  ++itemCount_;
  for (TTreeObserver* o : observers_) o->ItemsInserted(parent, at, at);
  return item;
}

namespace {

// Items in the subtree, and how many of them are marked.
void CountSubtree(const TTreeItem& item, std::size_t& size, std::size_t& marked) {
  ++size;
  if (item.Marks() != 0) ++marked;
  for (int i = 0; i < item.Count(); ++i) CountSubtree(*item.Item(i), size, marked);
}

}  // namespace

void TTreeModel::DeleteRange(TTreeItem* parent, int first, int last) {
  if (first > last) return;
  auto& children = ChildrenOf(parent);
  for (TTreeObserver* o : observers_) o->ItemsAboutToBeRemoved(parent, first, last);
  // Taken out first, destroyed afterwards: a node's destructor never sees
  // a half-removed sibling list.
  std::vector<std::unique_ptr<TTreeItem>> removed;
  const auto begin = children.begin() + first;
  const auto end = children.begin() + last + 1;
  removed.insert(removed.end(), std::make_move_iterator(begin), std::make_move_iterator(end));
  children.erase(begin, end);
  for (const auto& item : removed) {
    std::size_t size = 0;
    std::size_t marked = 0;
    CountSubtree(*item, size, marked);
    itemCount_ -= size;
    markedCount_ -= marked;
  }
  removed.clear();
  for (TTreeObserver* o : observers_) o->ItemsRemoved(parent, first, last);
}

void TTreeModel::Delete(TTreeItem* item) {
  const int at = item->Index();
  DeleteRange(item->Parent(), at, at);
}

void TTreeModel::DeleteChildren(TTreeItem* item) {
  DeleteRange(item, 0, item->Count() - 1);
}

void TTreeModel::Clear() {
  DeleteRange(nullptr, 0, Count() - 1);
}

void TTreeModel::Expand(TTreeItem* item) {
  if (item->expanded_) return;
  const auto markExpanded = [&] {
    item->expanded_ = true;
    NotifyChanged(item, icExpanded);
  };
  try {
    if (TTVNodeData* node = item->Data()) node->CreateChildren();
  } catch (...) {
    markExpanded();
    changes_->Loaded(*item);
    throw;
  }
  markExpanded();
  changes_->Loaded(*item);
}

void TTreeModel::Collapse(TTreeItem* item) {
  if (!item->expanded_) return;
  changes_->Collapsing(*item);
  item->expanded_ = false;
  NotifyChanged(item, icExpanded);
  DeleteChildren(item);
  item->SetHasChildren(true);
}

int TTreeModel::MarkItemsOf(const automation::ObjectRef& object,
                            bool (*candidate)(const TTVNodeData& node)) {
  if (!object) return 0;
  int marked = 0;
  ForEachItem(*this, [&](TTreeItem& item) {
    TTVNodeData* node = item.Data();
    if (node == nullptr || !node->IsVisObjectNode()) return;
    if (candidate != nullptr && !candidate(*node)) return;
    try {
      const automation::ObjectRef own = node->GetVisObject();
      if (!own || !automation::SameObject(own, object)) return;
    } catch (const std::exception&) {
      return;  // an object that cannot be asked is not known to be that one
    }
    item.SetMarks(item.Marks() | imReported);
    ++marked;
  });
  return marked;
}

void TTreeModel::AddObserver(TTreeObserver* observer) {
  observers_.push_back(observer);
}

void TTreeModel::RemoveObserver(TTreeObserver* observer) {
  std::erase(observers_, observer);
}

void TTreeModel::NotifyChanged(TTreeItem* item, std::uint8_t changes) {
  for (TTreeObserver* o : observers_) o->ItemChanged(item, changes);
}
