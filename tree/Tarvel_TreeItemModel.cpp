#include "tree/Tarvel_TreeItemModel.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QList>
#include <QString>
#include <algorithm>
#include <cmath>
#include <utility>

#include "tree/NodeData.h"
#include "tree/Tarvel_StateImages.h"

TTreeItemModel::TTreeItemModel(TTreeModel& tree, QObject* parent)
    : QAbstractItemModel(parent),
      tree_(&tree),
      markColour_(MarkColour(QGuiApplication::palette())) {
  tree_->AddObserver(this);
}

TTreeItemModel::~TTreeItemModel() {
  tree_->RemoveObserver(this);
}

TTreeItem* TTreeItemModel::ItemOf(const QModelIndex& index) const {
  if (!index.isValid()) return nullptr;
  return static_cast<TTreeItem*>(index.internalPointer());
}

int TTreeItemModel::RowOf(const TTreeItem* item) const {
  const TTreeItem* parent = item->Parent();
  const int count = parent != nullptr ? parent->Count() : tree_->Count();
  const int row = item->Index();
  if (row >= count || (parent != nullptr ? parent->Item(row) : tree_->Item(row)) != item) return -1;
  return row;
}

QModelIndex TTreeItemModel::IndexOf(const TTreeItem* item) const {
  if (item == nullptr) return {};
  const int row = RowOf(item);
  if (row < 0) return {};
  return createIndex(row, 0, const_cast<TTreeItem*>(item));
}

QModelIndex TTreeItemModel::index(int row, int column, const QModelIndex& parent) const {
  if (column != 0 || row < 0) return {};
  if (parent.isValid() && parent.column() != 0) return {};
  const TTreeItem* parentItem = ItemOf(parent);
  const int count = parentItem != nullptr ? parentItem->Count() : tree_->Count();
  if (row >= count) return {};
  TTreeItem* item = parentItem != nullptr ? parentItem->Item(row) : tree_->Item(row);
  return createIndex(row, 0, item);
}

QModelIndex TTreeItemModel::parent(const QModelIndex& child) const {
  const TTreeItem* item = ItemOf(child);
  if (item == nullptr) return {};
  return IndexOf(item->Parent());
}

QModelIndex TTreeItemModel::sibling(int row, int column, const QModelIndex& index) const {
  // Same parent: no need to find the parent's own row.
  if (!index.isValid() || column != 0 || row < 0) return {};
  if (row == index.row()) return index;
  const TTreeItem* parentItem = ItemOf(index)->Parent();
  const int count = parentItem != nullptr ? parentItem->Count() : tree_->Count();
  if (row >= count) return {};
  return createIndex(row, 0, parentItem != nullptr ? parentItem->Item(row) : tree_->Item(row));
}

int TTreeItemModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() && parent.column() != 0) return 0;
  const TTreeItem* item = ItemOf(parent);
  return item != nullptr ? item->Count() : tree_->Count();
}

int TTreeItemModel::columnCount(const QModelIndex& parent) const {
  if (parent.isValid() && parent.column() != 0) return 0;
  return 1;
}

bool TTreeItemModel::hasChildren(const QModelIndex& parent) const {
  if (parent.isValid() && parent.column() != 0) return false;
  const TTreeItem* item = ItemOf(parent);
  if (item == nullptr) return tree_->Count() > 0;
  // The flag gives the expand button before any child exists.
  return item->HasChildren() || item->Count() > 0;
}

QVariant TTreeItemModel::data(const QModelIndex& index, int role) const {
  const TTreeItem* item = ItemOf(index);
  if (item == nullptr) return {};
  switch (role) {
    case Qt::DisplayRole:
      return QString::fromStdString(item->Text());
    case Qt::ToolTipRole: {
      const std::string tip = item->Data() != nullptr ? item->Data()->GetToolTip() : std::string();
      std::string text = tip.empty() ? item->Text() : tip;
      if (item->Marks() != 0) text += "\n" + MarkToolTip(item->Marks());
      return QString::fromStdString(text);
    }
    case Qt::ForegroundRole:
      if (item->Marks() != 0) return QBrush(markColour_);
      return {};
    case Qt::FontRole:
      // Bold as well, for those who do not tell the colour apart; only the
      // weight is set, the view's font gives the rest.
      if (item->Marks() != 0) {
        QFont bold;
        bold.setBold(true);
        return bold;
      }
      return {};
    case MarksRole:
      return static_cast<int>(item->Marks());
    case Qt::DecorationRole: {
      const QPixmap& image = StateImage(item->StateIndex());
      if (image.isNull()) return {};
      return image;
    }
    case StateIndexRole:
      return static_cast<int>(item->StateIndex());
    case FindMatchRole:
      return FindMatches(*item, findQuery_);
    case Qt::BackgroundRole:
      // The colour Qt's find bars and editors use for found text.
      if (FindMatches(*item, findQuery_)) return QBrush(QColor(255, 235, 120));
      return {};
    default:
      return {};
  }
}

Qt::ItemFlags TTreeItemModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void TTreeItemModel::SetMarkColour(const QColor& colour) {
  // Set when the palette changes, which repaints the views anyway.
  markColour_ = colour;
}

namespace {

double Luminance(const QColor& colour) {
  const auto channel = [](double c) {
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  const QColor rgb = colour.toRgb();
  return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF()) +
         0.0722 * channel(rgb.blueF());
}

}  // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
  const double la = Luminance(a);
  const double lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor MarkColour(const QPalette& palette) {
  constexpr double kReadable = 4.5;
  const QColor base = palette.color(QPalette::Base);
  QColor colour = palette.color(QPalette::Link);
  // Towards white on a dark base, towards black on a light one, keeping
  // the hue.
  const float step = Luminance(base) < 0.18 ? 0.05f : -0.05f;
  for (int i = 0; i < 20 && ContrastRatio(colour, base) < kReadable; ++i) {
    colour = QColor::fromHslF(colour.hslHueF(), colour.hslSaturationF(),
                              std::clamp(colour.lightnessF() + step, 0.0f, 1.0f));
  }
  return colour;
}

std::string MarkToolTip(std::uint8_t marks) {
  std::string text;
  const auto line = [&](std::uint8_t mark, const char* says) {
    if ((marks & mark) == 0) return;
    if (!text.empty()) text += '\n';
    text += says;
  };
  line(imChanged, "Changed at the last refresh");
  line(imNew, "New at the last refresh");
  line(imChildGone, "Items below it disappeared at the last refresh");
  line(imReported, "Visio reported a change since the last refresh");
  return text;
}

void TTreeItemModel::SetFindQuery(TFindQuery query) {
  findQuery_ = std::move(query);
  FindRolesChanged(nullptr);
}

void TTreeItemModel::FindRolesChanged(const TTreeItem* parent) {
  const int count = parent != nullptr ? parent->Count() : tree_->Count();
  if (count == 0) return;
  const QModelIndex parentIndex = IndexOf(parent);
  emit dataChanged(index(0, 0, parentIndex), index(count - 1, 0, parentIndex),
                   {Qt::BackgroundRole, FindMatchRole});
  for (int i = 0; i < count; ++i) {
    FindRolesChanged(parent != nullptr ? parent->Item(i) : tree_->Item(i));
  }
}

// ---- following the tree ----

void TTreeItemModel::ItemsAboutToBeInserted(TTreeItem* parent, int first, int last) {
  beginInsertRows(IndexOf(parent), first, last);
}

void TTreeItemModel::ItemsInserted(TTreeItem*, int, int) {
  endInsertRows();
}

void TTreeItemModel::ItemsAboutToBeRemoved(TTreeItem* parent, int first, int last) {
  beginRemoveRows(IndexOf(parent), first, last);
}

void TTreeItemModel::ItemsRemoved(TTreeItem*, int, int) {
  endRemoveRows();
}

void TTreeItemModel::ItemChanged(TTreeItem* item, std::uint8_t changes) {
  const QModelIndex index = IndexOf(item);
  if (!index.isValid()) return;
  QList<int> roles;
  if ((changes & icText) != 0) roles << Qt::DisplayRole << Qt::ToolTipRole;
  if ((changes & icStateImage) != 0) roles << Qt::DecorationRole << StateIndexRole;
  if ((changes & icMarks) != 0) {
    roles << Qt::ForegroundRole << Qt::FontRole << Qt::ToolTipRole << MarksRole;
  }
  // A change of the has-children flag names no role: views re-ask
  // hasChildren for a changed row.
  if ((changes & icHasChildren) != 0) roles.clear();
  if ((changes & ~icExpanded) != 0) emit dataChanged(index, index, roles);
  if ((changes & icExpanded) != 0) emit ExpandedChanged(index, item->Expanded());
}
