// tarvel-tree --watch: the tree refreshed at an interval, and after the
// first full tree only what each refresh changed, one line per item.
#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include "tree/ChangeMarks.h"

class TTreeItem;

// The bounds of --watch's interval, in seconds.
inline constexpr double kMinWatchSeconds = 0.1;
inline constexpr double kMaxWatchSeconds = 86400;

struct TWatchOptions {
  double seconds = 1;
  std::optional<int> count;  // refreshes after the first tree; none: until stopped
  // Waits the interval; false ends the watch. Empty: a plain sleep
  // (tarvel-tree passes its system's wait, which stop requests end).
  std::function<bool(double seconds)> wait;
};

// One changed item: "~", "+" or "-", a blank, the item's path, ": " and its
// caption (the last one seen for "-"), path and caption escaped as
// EscapedCaption does:
//   ~ Application/ActiveDocument/Saved: Saved   = 0 (=False)
std::string WatchLine(const TTreeChange& change);

// Refreshes the item's tree at the interval and prints the changed lines of
// each refresh, flushed together. Returns kExitOk when the count is reached
// or the wait says stop, kExitLink (after saying why on `err`) when the
// link to Visio failed, 1 when a refresh failed otherwise.
int WatchTree(TTreeItem& root, const TWatchOptions& options, std::ostream& out, std::ostream& err);
