// Shows a TTreeModel to Qt's item views. The node layer stays the one owner
// of the tree; this adapter only translates: each item is one row of one
// column, its index points straight at the item, and every change the tree
// reports becomes the matching row insertion, removal or data change, so
// views and persistent indexes follow it item by item.
#pragma once

#include <QAbstractItemModel>
#include <QColor>
#include <QPalette>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "tree/TreeFind.h"
#include "tree/TreeModel.h"

class TTreeItemModel final : public QAbstractItemModel, public TTreeObserver {
  Q_OBJECT
 public:
  // The item's state index (an int, 0 to 9); DecorationRole gives its image.
  static constexpr int StateIndexRole = Qt::UserRole + 1;
  // Whether the item matches the find query (a bool); BackgroundRole then
  // gives the highlight.
  static constexpr int FindMatchRole = Qt::UserRole + 2;
  // The item's change marks (an int of TItemMark flags); ForegroundRole,
  // FontRole and the tool tip then show them.
  static constexpr int MarksRole = Qt::UserRole + 3;

  // `tree` must outlive the adapter.
  explicit TTreeItemModel(TTreeModel& tree, QObject* parent = nullptr);
  ~TTreeItemModel() override;

  TTreeModel& Tree() const { return *tree_; }
  // The item an index stands for; null for the invisible root.
  TTreeItem* ItemOf(const QModelIndex& index) const;
  // The index of an item of this tree; invalid for null.
  QModelIndex IndexOf(const TTreeItem* item) const;

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  QModelIndex sibling(int row, int column, const QModelIndex& index) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  bool hasChildren(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // The items matching `query` are highlighted; an empty text highlights
  // none. Every loaded row is reported changed.
  void SetFindQuery(TFindQuery query);
  const TFindQuery& FindQuery() const { return findQuery_; }

  // The text colour of marked items; see MarkColour.
  void SetMarkColour(const QColor& colour);

 signals:
  // The node layer expanded or collapsed the item (a refresh collapses an
  // item whose object vanished). Views connect this to expand/collapse.
  void ExpandedChanged(const QModelIndex& index, bool expanded);

 private:
  void ItemsAboutToBeInserted(TTreeItem* parent, int first, int last) override;
  void ItemsInserted(TTreeItem* parent, int first, int last) override;
  void ItemsAboutToBeRemoved(TTreeItem* parent, int first, int last) override;
  void ItemsRemoved(TTreeItem* parent, int first, int last) override;
  void ItemChanged(TTreeItem* item, std::uint8_t changes) override;

  // The item's position among its siblings; -1 when it is not among them.
  int RowOf(const TTreeItem* item) const;

  // Reports the find roles of `parent`'s children changed, and so on down.
  void FindRolesChanged(const TTreeItem* parent);

  TTreeModel* tree_;
  TFindQuery findQuery_;
  QColor markColour_;
};

// The text colour of marked items on this palette: its link colour where
// that reads well on Base (a contrast of 4.5 to 1, as for body text), else
// the link colour lightened or darkened until it does, so that it also
// reads on dark palettes.
QColor MarkColour(const QPalette& palette);
// The WCAG contrast ratio of two colours, 1 to 21.
double ContrastRatio(const QColor& a, const QColor& b);

// The tool tip lines that tell why an item is marked, one per mark.
std::string MarkToolTip(std::uint8_t marks);
