#include "tree/TreeFind.h"

#include <algorithm>
#include <utility>

#include "tree/NodeData.h"

namespace {

// The lower-case partner of a capital letter of the scripts names are
// commonly written in (Latin with its accents, Greek, Cyrillic), as
// Unicode's simple case folding has it; anything else is itself.
char32_t FoldedCodePoint(char32_t c) {
  if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 0x20 : c;
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) ||
      (c >= 0x410 && c <= 0x42F)) {
    return c + 0x20;
  }
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  if (c == 0x178) return 0xFF;
  // Greek with its accents, and the final sigma.
  if (c == 0x386) return 0x3AC;
  if (c >= 0x388 && c <= 0x38A) return c + 0x25;
  if (c == 0x38C) return 0x3CC;
  if (c == 0x38E || c == 0x38F) return c + 0x3F;
  if (c == 0x3C2) return 0x3C3;
  // Latin Extended-A: pairs, the capital first, except in the stretches
  // where the pairs start on an odd code point.
  if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149) {
    const bool oddPairs = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    const bool capital = oddPairs ? (c % 2 == 1) : (c % 2 == 0);
    return capital ? c + 1 : c;
  }
  if (c >= 0x460 && c <= 0x4FF && c != 0x482 && !(c >= 0x483 && c <= 0x489) && c != 0x4C0 &&
      c != 0x4CF) {
    // Cyrillic's extended letters come in pairs too: from U+04C1 to U+04CE
    // starting on an odd code point.
    const bool oddPairs = c >= 0x4C1 && c <= 0x4CE;
    const bool capital = oddPairs ? (c % 2 == 1) : (c % 2 == 0);
    return capital ? c + 1 : c;
  }
  return c;
}

// `text` (UTF-8) with its letters folded to one case; bytes that are no
// UTF-8 are kept as they are.
std::string Folded(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80          ? 1
                               : (lead >> 5) == 0x6 ? 2
                               : (lead >> 4) == 0xE ? 3
                                                    : 0;
    bool valid = length != 0 && i + length <= text.size();
    char32_t c = length == 1 ? lead : length == 2 ? lead & 0x1Fu : lead & 0x0Fu;
    for (std::size_t k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      valid = (next & 0xC0) == 0x80;
      c = (c << 6) | (next & 0x3Fu);
    }
    // Only the letters folded here are re-encoded: two bytes each, as
    // they were.
    const char32_t folded = valid ? FoldedCodePoint(c) : c;
    if (!valid || folded == c) {
      const std::size_t n = valid ? length : 1;
      out.append(text.substr(i, n));
      i += n;
      continue;
    }
    if (folded < 0x80) {
      out += static_cast<char>(folded);
    } else {
      out += static_cast<char>(0xC0 | (folded >> 6));
      out += static_cast<char>(0x80 | (folded & 0x3F));
    }
    i += length;
  }
  return out;
}

bool ContainsFolded(std::string_view text, std::string_view wanted) {
  return Folded(text).find(Folded(wanted)) != std::string::npos;
}

bool SameFolded(std::string_view a, std::string_view b) {
  return Folded(a) == Folded(b);
}

std::string_view WithoutPrefix(std::string_view text, std::string_view prefix) {
  if (text.size() > prefix.size() && SameFolded(text.substr(0, prefix.size()), prefix)) {
    return text.substr(prefix.size());
  }
  return text;
}

// At most this many SameObject calls per object met; see metByInterface_.
constexpr std::size_t kIdentityScan = 16;

}  // namespace

std::string NodeKindName(const TTVNodeData& node) {
  std::string_view label = node.TypeLabel;
  if (label.starts_with("TND_")) label.remove_prefix(4);
  if (label.starts_with("IV")) label.remove_prefix(2);
  return std::string(label);
}

bool FindMatches(const TTreeItem& item, const TFindQuery& query) {
  if (query.Text.empty()) return false;
  const TTVNodeData* node = item.Data();
  switch (query.Field) {
    case TFindField::Caption:
      return ContainsFolded(item.Text(), query.Text);
    case TFindField::Value:
      return node != nullptr && ContainsFolded(node->CaptionValue, query.Text);
    case TFindField::Kind:
      return node != nullptr && SameFolded(NodeKindName(*node),
                                           WithoutPrefix(WithoutPrefix(query.Text, "TND_"), "IV"));
  }
  return false;
}

std::vector<TTreeItem*> FindAll(const TTreeModel& tree, const TFindQuery& query) {
  std::vector<TTreeItem*> matches;
  ForEachItem(tree, [&](TTreeItem& item) {
    if (FindMatches(item, query)) matches.push_back(&item);
  });
  return matches;
}

TTreeItem* FindNext(const TTreeModel& tree, const TFindQuery& query, const TTreeItem* from,
                    bool forward) {
  std::vector<TTreeItem*> matches;
  // Matches before `from`; whether `from` is one of them.
  std::size_t before = 0;
  bool seen = from == nullptr;
  bool fromMatches = false;
  ForEachItem(tree, [&](TTreeItem& item) {
    const bool isMatch = FindMatches(item, query);
    if (&item == from) {
      seen = true;
      fromMatches = isMatch;
    } else if (!seen && isMatch) {
      ++before;
    }
    if (isMatch) matches.push_back(&item);
  });
  if (matches.empty()) return nullptr;
  const std::size_t n = matches.size();
  if (from == nullptr || !seen) return forward ? matches.front() : matches.back();
  if (forward) return matches[(before + (fromMatches ? 1 : 0)) % n];
  return matches[(before + n - 1) % n];
}

// ---- TDeepSearch ----

TDeepSearch::TDeepSearch(TTreeModel& tree, TTreeItem& start, int depth, TFindQuery query,
                         std::size_t itemLimit)
    : tree_(&tree), depth_(depth), query_(std::move(query)), itemLimit_(itemLimit) {
  // The objects above the start were passed on the way down to it.
  for (const TTreeItem* p = start.Parent(); p != nullptr; p = p->Parent()) {
    if (p->Data() != nullptr) Met(*p->Data());
  }
  pending_.push_back({&start, 0});
  tree_->AddObserver(this);
}

TDeepSearch::~TDeepSearch() {
  tree_->RemoveObserver(this);
}

bool TDeepSearch::Step(std::chrono::steady_clock::duration budget) {
  const auto end = std::chrono::steady_clock::now() + budget;
  while (!progress_.Done) {
    if (pending_.empty()) {
      Finish();
      break;
    }
    if (progress_.Visited >= itemLimit_) {
      progress_.LimitReached = true;
      Finish();
      break;
    }
    const TPending next = pending_.front();
    pending_.pop_front();
    Visit(next);
    if (std::chrono::steady_clock::now() >= end) break;
  }
  return !progress_.Done;
}

void TDeepSearch::Stop() {
  if (progress_.Done) return;
  progress_.Stopped = true;
  Finish();
}

void TDeepSearch::Finish() {
  progress_.Done = true;
  pending_.clear();
}

void TDeepSearch::Visit(const TPending& pending) {
  TTreeItem& item = *pending.item;
  ++progress_.Visited;
  if (FindMatches(item, query_)) ++progress_.Matches;
  if (pending.level >= depth_) return;
  TTVNodeData* node = item.Data();
  if (node == nullptr) return;
  if (Met(*node)) {
    ++progress_.Repeats;
    return;
  }
  if (!item.Expanded()) {
    if (!item.HasChildren() && item.Count() == 0) return;
    try {
      tree_->Expand(&item);
      ++progress_.Expanded;
    } catch (const std::exception&) {
      // The item stays expanded with what children it got; the search goes on.
      ++progress_.Failures;
    }
  }
  for (int i = 0; i < item.Count(); ++i) pending_.push_back({item.Item(i), pending.level + 1});
}

bool TDeepSearch::Met(TTVNodeData& node) {
  if (!node.IsVisObjectNode()) return false;
  automation::ObjectRef object = node.GetVisObject();
  if (!object) return false;
  if (metAddresses_.contains(object.get())) return true;
  std::vector<automation::ObjectRef>& met = metByInterface_[node.TypeLabel];
  const std::size_t scan = std::min(met.size(), kIdentityScan);
  for (std::size_t i = 0; i < scan; ++i) {
    try {
      if (automation::SameObject(met[i], object)) return true;
    } catch (const std::exception&) {
      // An object that cannot say counts as another one: the depth still
      // bounds the search.
    }
  }
  metAddresses_.insert(object.get());
  met.push_back(std::move(object));
  return false;
}

void TDeepSearch::ItemsAboutToBeRemoved(TTreeItem* parent, int first, int last) {
  if (pending_.empty()) return;
  std::unordered_set<const TTreeItem*> removed;
  for (int i = first; i <= last; ++i) {
    removed.insert(parent != nullptr ? parent->Item(i) : tree_->Item(i));
  }
  std::erase_if(pending_, [&](const TPending& pending) {
    for (const TTreeItem* p = pending.item; p != nullptr; p = p->Parent()) {
      if (removed.contains(p)) return true;
    }
    return false;
  });
}
