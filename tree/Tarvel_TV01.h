// The tree view window: shows one tree of nodes and turns the view's events
// into node operations. Any number of them are open at once, each a member
// of the main window's flock; all knowledge of Visio lives in the nodes.
#pragma once

#include <QModelIndex>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

#include "tree/CodePath.h"
#include "tree/TreeModel.h"

class QAction;
class QCheckBox;
class QMenu;
class QMoveEvent;
class QPoint;
class QTreeView;
class TFindBar;
class TKTSheep;
class TTreeItemModel;

// What a tree window needs from the window that leads its flock.
class TTreeWindowHost {
 public:
  virtual ~TTreeWindowHost();
  // Refreshes every tree window of the flock.
  virtual void RefreshAllWindows() = 0;
};

class Tfm_VisioTreeView : public QWidget {
  Q_OBJECT
 public:
  // A top-level tool window without a parent; closing it deletes it, and
  // with it its tree, items and nodes.
  Tfm_VisioTreeView();
  ~Tfm_VisioTreeView() override;

  // The tree the nodes of this window are made in.
  TTreeModel& Tree() { return *tree_; }
  TTreeItemModel& ItemModel() { return *model_; }

  // Makes the root "Application" bound to the controller's application and
  // shows its caption as the window's.
  void ShowApplicationTree();
  // Refreshes the root and every open item below it; the root's text
  // becomes the caption. What changed is marked until the next refresh.
  void RefreshTree();

  // Enables the menu entries for the selected item; `onTree` says the menu
  // opens on the tree view.
  void pm_VTVPopup(bool onTree);
  // The item the menu commands act on: selected when the menu last opened,
  // null when there was none or it has been deleted since.
  TTreeItem* SelectedNode() const;

  void mi_RefreshItemAndChildrenClick();
  void mi_ClearChangeMarksClick();
  void mi_NewWin_CloneClick();
  void mi_GoToSourceCellClick();
  void mi_ViewTextDetailClick();
  void mi_EditNodeClick();
  void mi_ConstValClick();
  // The selected items' captions, one per line, on the clipboard.
  void mi_CopyClick();
  // The menu item's value alone on the clipboard.
  void mi_CopyValueClick();
  // The menu item's automation expression in `language` on the clipboard;
  // the language is remembered for Ctrl+Shift+C.
  void mi_CopyAsCodeClick(TCodeLanguage language);
  void cb_StayOnTopClick();
  // Shape sheets show every section of today's Visio, or the catalogue's.
  void cb_AllSectionsClick();

  // The language Copy as Code last used (VBA at first), kept in the
  // user's settings.
  static TCodeLanguage RememberedCodeLanguage();

  // The window's flock member, or null while it has none.
  TKTSheep* Sheep();

  QWidget* Panel1;
  QCheckBox* cb_StayOnTop;
  QCheckBox* cb_AllSections;
  QTreeView* TV;
  // Below the view; Ctrl+F opens it.
  TFindBar* FindBar;
  QMenu* pm_VTV;
  QAction* mi_RefreshItemAndChildren;
  QAction* mi_ClearChangeMarks;
  QAction* mi_NewWin_Clone;
  QAction* mi_GoToSourceCell;
  QAction* mi_ViewTextDetail;
  QAction* mi_EditNode;
  QAction* mi_ConstVal;
  QAction* mi_Copy;
  QAction* mi_CopyValue;
  QMenu* mi_CopyAsCode;
  // One per language, in TCodeLanguage's order.
  std::array<QAction*, kCodeLanguages.size()> mi_CopyAsLanguage;

 protected:
  void moveEvent(QMoveEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void TVExpanded(const QModelIndex& index);
  void TVCollapsed(const QModelIndex& index);
  void TVContextMenu(const QPoint& position);
  // Makes the view show an expansion or collapse the node layer made.
  void FollowExpanded(const QModelIndex& index, bool expanded);
  TTreeWindowHost* Host();
  // Runs a copy command from the keyboard on the current selection, when
  // the menu would offer it there.
  void CopyByKey(QAction* action, const std::function<void()>& command);
  // Ctrl+Shift+C is shown beside the remembered language.
  void ShowCodeShortcut();
  // Fits the column to its texts once the current burst of changes is over.
  void FitColumnLater();
  // Opens a tree window beside this one, in its flock, rooted at what
  // makeRoot puts into the new window's tree; no window when it makes none.
  void OpenWindowWith(const std::function<TTVNodeData*(TTreeModel&)>& makeRoot);

  std::unique_ptr<TTreeModel> tree_;
  std::unique_ptr<TTreeItemModel> model_;
  QPersistentModelIndex selectedNode_;
  QPointer<TKTSheep> sheep_;
  bool fitPending_ = false;
  // Set while the view is made to follow the tree, so that its expanded
  // and collapsed signals are not taken for the user's.
  bool following_ = false;
};
