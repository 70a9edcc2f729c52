// The find bar at the bottom of a tree window: finds among the loaded
// captions (or their values, or the kinds of node), selects and scrolls to
// the current match and has the model highlight all of them; "Search
// Deeper" expands below the selected item while it searches, a few items
// per turn of the event loop, until done or stopped.
#pragma once

#include <QTreeView>
#include <QWidget>
#include <chrono>
#include <memory>

#include "tree/TreeFind.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTimer;
class QToolButton;
class TTreeItemModel;

// A tree view that can be told that many rows are about to be inserted and
// expanded: it then lays itself out once, when the event loop next turns,
// instead of looking for each row among all the rows it shows, which
// costs a deep search time in the square of the rows.
class TBatchTreeView : public QTreeView {
 public:
  using QTreeView::QTreeView;
  void LayOutLater() { scheduleDelayedItemsLayout(); }
};

class TFindBar : public QWidget {
  Q_OBJECT
 public:
  // The deepest a search may be asked to go.
  static constexpr int kMaxDepth = 8;
  // The work done per turn of the event loop; one expansion more may
  // follow, and the view's own work after it.
  static constexpr std::chrono::milliseconds kStepBudget{25};

  // Starts hidden. `view` shows `model`; both must outlive the bar.
  TFindBar(QTreeView& view, TTreeItemModel& model, QWidget* parent);
  ~TFindBar() override;

  // Ctrl+F opens the bar, F3 and Shift+F3 go to the next and previous
  // match, in the whole window.
  void InstallShortcuts(QWidget& window);

  // Shows the bar with its text selected and the cursor in it.
  void Open();
  // Stops a search, hides the bar and its highlights; the view gets the
  // focus back.
  void Close();
  // Selects the next or previous match after the current item, wrapping
  // around; nothing when none matches.
  void FindNext();
  void FindPrevious();
  // Searches deeper below the current item (the root when none), to the
  // depth in the spin box; while it runs, the button stops it.
  void SearchDeeper();
  void StopSearch();
  bool Searching() const { return search_ != nullptr; }
  // What the last or running deeper search did; null before the first.
  const TDeepSearchProgress* LastSearch() const;
  TFindQuery Query() const;

  QLineEdit* ed_Find;
  QComboBox* cb_Field;
  QPushButton* bt_Previous;
  QPushButton* bt_Next;
  QLabel* lb_Count;
  QToolButton* bt_Close;
  QSpinBox* se_Depth;
  QPushButton* bt_Deeper;
  QLabel* lb_Progress;

 signals:
  // A deeper search ended, by itself or stopped.
  void SearchEnded();

 private:
  // The text or the field changed: highlight anew and keep the current
  // item when it still matches, else go to the next match.
  void QueryChanged();
  void Go(bool forward);
  void Select(TTreeItem* item);
  TTreeItem* CurrentItem() const;
  // "n of m" matches among the loaded items.
  void ShowCount();
  void ShowCountLater();
  void SearchStep();
  void ShowProgress();

  QTreeView* view_;
  TTreeItemModel* model_;
  QTimer* stepTimer_;
  std::unique_ptr<TDeepSearch> search_;
  TDeepSearchProgress lastProgress_;
  bool searched_ = false;
  bool countPending_ = false;
};
