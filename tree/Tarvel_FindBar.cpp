#include "tree/Tarvel_FindBar.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <algorithm>

#include "tree/Tarvel_TreeItemModel.h"

TFindBar::TFindBar(QTreeView& view, TTreeItemModel& model, QWidget* parent)
    : QWidget(parent), view_(&view), model_(&model), stepTimer_(new QTimer(this)) {
  setObjectName("FindBar");
  ed_Find = new QLineEdit(this);
  ed_Find->setObjectName("ed_Find");
  ed_Find->setPlaceholderText("Find");
  ed_Find->setClearButtonEnabled(true);
  cb_Field = new QComboBox(this);
  cb_Field->setObjectName("cb_Field");
  for (std::string_view name : TFindFieldNames) {
    cb_Field->addItem(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
  }
  cb_Field->setToolTip(
      "Caption: anywhere in the item's text\n"
      "Value: in the value after \"=\" only\n"
      "Kind: the whole kind of node, e.g. Cell, Shape, Page, Double");
  bt_Previous = new QPushButton("Previous", this);
  bt_Previous->setObjectName("bt_Previous");
  bt_Next = new QPushButton("Next", this);
  bt_Next->setObjectName("bt_Next");
  lb_Count = new QLabel(this);
  lb_Count->setObjectName("lb_Count");
  bt_Close = new QToolButton(this);
  bt_Close->setObjectName("bt_Close");
  bt_Close->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
  bt_Close->setAutoRaise(true);
  bt_Close->setToolTip("Close (Escape)");
  se_Depth = new QSpinBox(this);
  se_Depth->setObjectName("se_Depth");
  se_Depth->setRange(1, kMaxDepth);
  se_Depth->setValue(3);
  se_Depth->setPrefix("Depth ");
  bt_Deeper = new QPushButton("Search Deeper", this);
  bt_Deeper->setObjectName("bt_Deeper");
  bt_Deeper->setToolTip(
      "Expands below the selected item to the depth while it searches; objects already met "
      "are not expanded again");
  lb_Progress = new QLabel(this);
  lb_Progress->setObjectName("lb_Progress");

  // Two rows: the tree window is narrow.
  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->setSpacing(2);
  auto* first = new QHBoxLayout();
  first->addWidget(ed_Find, 1);
  first->addWidget(bt_Close);
  auto* second = new QHBoxLayout();
  second->addWidget(cb_Field);
  second->addWidget(bt_Previous);
  second->addWidget(bt_Next);
  second->addWidget(lb_Count, 1);
  auto* third = new QHBoxLayout();
  third->addWidget(se_Depth);
  third->addWidget(bt_Deeper);
  third->addWidget(lb_Progress, 1);
  layout->addLayout(first, 0, 0);
  layout->addLayout(second, 1, 0);
  layout->addLayout(third, 2, 0);

  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  escape->setContext(Qt::WidgetWithChildrenShortcut);
  connect(escape, &QShortcut::activated, this, &TFindBar::Close);
  connect(ed_Find, &QLineEdit::textChanged, this, &TFindBar::QueryChanged);
  connect(ed_Find, &QLineEdit::returnPressed, this, &TFindBar::FindNext);
  connect(cb_Field, &QComboBox::currentIndexChanged, this, &TFindBar::QueryChanged);
  connect(bt_Next, &QPushButton::clicked, this, &TFindBar::FindNext);
  connect(bt_Previous, &QPushButton::clicked, this, &TFindBar::FindPrevious);
  connect(bt_Close, &QToolButton::clicked, this, &TFindBar::Close);
  connect(bt_Deeper, &QPushButton::clicked, this,
          [this] { Searching() ? StopSearch() : SearchDeeper(); });
  stepTimer_->setInterval(0);
  connect(stepTimer_, &QTimer::timeout, this, &TFindBar::SearchStep);
  // The count follows the tree: expanding, collapsing and refreshing change
  // what is loaded.
  for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved}) {
    connect(model_, signal, this, &TFindBar::ShowCountLater);
  }
  connect(model_, &QAbstractItemModel::modelReset, this, &TFindBar::ShowCountLater);
  hide();
}

TFindBar::~TFindBar() = default;

void TFindBar::InstallShortcuts(QWidget& window) {
  const auto add = [&](const QKeySequence& keys, void (TFindBar::*slot)()) {
    auto* shortcut = new QShortcut(keys, &window);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, slot);
  };
  add(QKeySequence::Find, &TFindBar::Open);
  add(QKeySequence(Qt::Key_F3), &TFindBar::FindNext);
  add(QKeySequence(Qt::SHIFT | Qt::Key_F3), &TFindBar::FindPrevious);
}

TFindQuery TFindBar::Query() const {
  return {static_cast<TFindField>(std::clamp(cb_Field->currentIndex(), 0,
                                             static_cast<int>(TFindFieldNames.size()) - 1)),
          ed_Find->text().toStdString()};
}

const TDeepSearchProgress* TFindBar::LastSearch() const {
  if (search_ != nullptr) return &search_->Progress();
  return searched_ ? &lastProgress_ : nullptr;
}

void TFindBar::Open() {
  const bool wasHidden = isHidden();
  show();
  ed_Find->setFocus(Qt::ShortcutFocusReason);
  ed_Find->selectAll();
  // Reopened with its text: the highlights come back.
  if (wasHidden) model_->SetFindQuery(Query());
  ShowCount();
}

void TFindBar::Close() {
  StopSearch();
  model_->SetFindQuery({});
  hide();
  view_->setFocus(Qt::OtherFocusReason);
}

TTreeItem* TFindBar::CurrentItem() const {
  return model_->ItemOf(view_->currentIndex());
}

void TFindBar::Select(TTreeItem* item) {
  const QModelIndex index = model_->IndexOf(item);
  if (!index.isValid()) return;
  view_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
  view_->scrollTo(index);
}

void TFindBar::QueryChanged() {
  const TFindQuery query = Query();
  model_->SetFindQuery(query);
  TTreeItem* current = CurrentItem();
  if (current == nullptr || !FindMatches(*current, query)) {
    if (TTreeItem* next = ::FindNext(model_->Tree(), query, current, true)) Select(next);
  }
  ShowCount();
}

void TFindBar::Go(bool forward) {
  // F3 with the bar closed reopens it: the highlights show what it goes to.
  if (isHidden()) Open();
  if (TTreeItem* next = ::FindNext(model_->Tree(), Query(), CurrentItem(), forward)) Select(next);
  ShowCount();
}

void TFindBar::FindNext() {
  Go(true);
}

void TFindBar::FindPrevious() {
  Go(false);
}

void TFindBar::ShowCount() {
  countPending_ = false;
  const TFindQuery query = Query();
  if (query.Text.empty()) {
    lb_Count->clear();
    return;
  }
  const std::vector<TTreeItem*> matches = FindAll(model_->Tree(), query);
  const auto at = std::find(matches.begin(), matches.end(), CurrentItem());
  if (matches.empty()) {
    lb_Count->setText("No matches");
  } else if (at == matches.end()) {
    lb_Count->setText(QString("%1 matches").arg(matches.size()));
  } else {
    lb_Count->setText(QString("%1 of %2").arg(at - matches.begin() + 1).arg(matches.size()));
  }
}

void TFindBar::ShowCountLater() {
  // Once per burst of changes, and not while a search expands: its
  // progress says what it finds, and the count follows at its end.
  if (countPending_ || isHidden() || Searching()) return;
  countPending_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (countPending_) ShowCount();
      },
      Qt::QueuedConnection);
}

// ---- searching deeper ----

void TFindBar::SearchDeeper() {
  StopSearch();
  TTreeItem* start = CurrentItem();
  if (start == nullptr) start = model_->Tree().First();
  if (start == nullptr) return;
  search_ = std::make_unique<TDeepSearch>(model_->Tree(), *start, se_Depth->value(), Query());
  searched_ = true;
  lastProgress_ = {};
  bt_Deeper->setText("Stop");
  ShowProgress();
  stepTimer_->start();
}

void TFindBar::StopSearch() {
  if (search_ == nullptr) return;
  search_->Stop();
  SearchStep();
}

void TFindBar::SearchStep() {
  if (search_ == nullptr) return;
  if (auto* batch = dynamic_cast<TBatchTreeView*>(view_)) batch->LayOutLater();
  const bool more = search_->Step(kStepBudget);
  lastProgress_ = search_->Progress();
  if (more) {
    ShowProgress();
    return;
  }
  stepTimer_->stop();
  search_.reset();
  bt_Deeper->setText("Search Deeper");
  ShowProgress();
  // The matches the search opened are all loaded now: go to the first one
  // unless the current item is one.
  const TFindQuery query = Query();
  TTreeItem* current = CurrentItem();
  if (current == nullptr || !FindMatches(*current, query)) {
    if (TTreeItem* next = ::FindNext(model_->Tree(), query, current, true)) Select(next);
  }
  ShowCount();
  emit SearchEnded();
}

void TFindBar::ShowProgress() {
  const TDeepSearchProgress& p = lastProgress_;
  QString text = QString("%1 items, %2 matches").arg(p.Visited).arg(p.Matches);
  if (p.Stopped) {
    text += ", stopped";
  } else if (p.LimitReached) {
    text += ", item limit reached";
  } else if (!p.Done) {
    text += "...";
  }
  if (p.Failures > 0) text += QString(", %1 failed to open").arg(p.Failures);
  lb_Progress->setText(text);
}
