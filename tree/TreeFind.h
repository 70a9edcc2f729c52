// Finding items of a tree: by caption, by the value part of the caption or
// by the kind of node; and searching deeper, which expands below an item to
// a given depth in small steps, never twice into the same Visio object.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "automation/Object.h"
#include "tree/TreeModel.h"

class TTVNodeData;

// What a query compares with.
enum class TFindField : std::uint8_t { Caption, Value, Kind };
inline constexpr auto TFindFieldNames =
    std::to_array<std::string_view>({"Caption", "Value", "Kind"});

struct TFindQuery {
  TFindField Field = TFindField::Caption;
  std::string Text;
};

// The node's kind as Kind finds it: its type label without a leading "IV"
// or "TND_" ("Cell", "Shape", "Shapes", "Double", "Array", ...).
std::string NodeKindName(const TTVNodeData& node);

// Whether the item matches; an empty text matches nothing. Caption and
// Value look for the text anywhere, ignoring the case of letters (Latin
// with its accents, Greek and Cyrillic: Unicode's simple case folding).
// Kind wants the whole kind name (case ignored, a leading "IV" allowed):
// the kinds are a closed list, and "Shape" must not find the Shapes
// collections too.
bool FindMatches(const TTreeItem& item, const TFindQuery& query);

// Every item that matches, in the order the tree shows them. Only loaded
// items count: a collapsed item holds no children.
std::vector<TTreeItem*> FindAll(const TTreeModel& tree, const TFindQuery& query);

// The first match after `from` (forward) or before it, in the order the
// tree shows them, wrapping around at the ends; `from` need not match
// itself. From null: the first or the last match. Null when nothing matches.
TTreeItem* FindNext(const TTreeModel& tree, const TFindQuery& query, const TTreeItem* from,
                    bool forward);

struct TDeepSearchProgress {
  std::size_t Visited = 0;   // items looked at, the start among them
  std::size_t Expanded = 0;  // items this search expanded
  std::size_t Matches = 0;   // visited items that match
  std::size_t Repeats = 0;   // items left closed: their object was met before
  std::size_t Failures = 0;  // expansions that failed
  bool Done = false;
  bool Stopped = false;       // by Stop
  bool LimitReached = false;  // by the item limit
};

// Expands below `start` down to `depth` levels, breadth first, a few items
// per Step, and counts the matches among the items it passes. An item whose
// Visio object was met before in this search (or on the way down to the
// start) is not expanded: Application, Document, Parent, ContainingPage ...
// lead back to objects already passed. What it expands stays expanded.
// Items the tree deletes meanwhile (a refresh collapsing their parent) are
// dropped from the work.
class TDeepSearch final : private TTreeObserver {
 public:
  static constexpr std::size_t kDefaultItemLimit = 200000;

  TDeepSearch(TTreeModel& tree, TTreeItem& start, int depth, TFindQuery query,
              std::size_t itemLimit = kDefaultItemLimit);
  ~TDeepSearch() override;
  TDeepSearch(const TDeepSearch&) = delete;
  TDeepSearch& operator=(const TDeepSearch&) = delete;

  // Works until `budget` has passed or the search is done; whether work is
  // left. The time is checked after each item, so one step lasts the budget
  // plus at most one expansion.
  bool Step(std::chrono::steady_clock::duration budget);
  void Stop();
  const TDeepSearchProgress& Progress() const { return progress_; }

 private:
  struct TPending {
    TTreeItem* item;
    int level;
  };

  void Visit(const TPending& pending);
  // Whether the object was met before; notes it as met when not.
  bool Met(TTVNodeData& node);
  void Finish();
  void ItemsAboutToBeRemoved(TTreeItem* parent, int first, int last) override;

  TTreeModel* tree_;
  int depth_;
  TFindQuery query_;
  std::size_t itemLimit_;
  std::deque<TPending> pending_;
  // The objects met, held so that no new object can take a met one's
  // address. The address finds most repeats at once; SameObject (which
  // may ask another process) is asked only against the first few objects
  // of the same interface: the objects that lead back up, Application,
  // Document, Page, Master, are few, while shapes and cells are many and
  // each has one address.
  std::unordered_set<const automation::Object*> metAddresses_;
  std::unordered_map<std::string_view, std::vector<automation::ObjectRef>> metByInterface_;
  TDeepSearchProgress progress_;
};
