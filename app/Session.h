// What Tarvel remembers between runs (QSettings): the refresh interval,
// where the main window stood, and the tree windows that were open, each
// by its place beside the main window, its size and the path to its root.
// Settings are a file the user or another program may have written:
// everything read is checked and bounded, and what does not fit is left
// out.
#pragma once

#include <QPoint>
#include <QSize>

#include <optional>
#include <vector>

#include "tree/CodeReach.h"

class QSettings;

struct TTreeWindowPlace {
  TRootPlace root;
  QPoint offset;  // from the main window's outer top-left corner
  QSize size;
};

struct TSession {
  std::optional<int> refreshInterval;
  std::optional<QPoint> mainPosition;
  std::vector<TTreeWindowPlace> windows;
};

// No more windows than this are remembered.
inline constexpr std::size_t kMaxRememberedWindows = 64;
// The refresh interval's bounds, in milliseconds.
inline constexpr int kMinRememberedInterval = 500;
inline constexpr int kMaxRememberedInterval = 24 * 60 * 60 * 1000;

TSession ReadSession(QSettings& settings);
void WriteSession(QSettings& settings, const TSession& session);
