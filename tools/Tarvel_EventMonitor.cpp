#include "tools/Tarvel_EventMonitor.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QStringListModel>
#include <QVBoxLayout>
#include <algorithm>

#include "visio/EventCodes.h"
#include "visio/KTVisio_Controller.h"

Tfm_EventMonitor::Tfm_EventMonitor(QWidget* parent, std::size_t capacity)
    : QWidget(parent, Qt::Window),
      log_(capacity),
      subscription_([this](const TKTVisio_EventInfo& event) { OnEvent(event); }) {
  setWindowTitle("Event Monitor");
  resize(900, 480);

  bt_Start = new QPushButton("&Start", this);
  bt_Clear = new QPushButton("C&lear", this);
  ed_Filter = new QLineEdit(this);
  ed_Filter->setPlaceholderText("Filter");
  ed_Filter->setClearButtonEnabled(true);
  auto* buttons = new QHBoxLayout();
  buttons->addWidget(bt_Start);
  buttons->addWidget(bt_Clear);
  buttons->addWidget(ed_Filter, 1);

  lb_Codes = new QListWidget(this);
  const std::vector<std::uint16_t> defaults = DefaultMonitorCodes();
  for (const TVisioEventCode& entry : VisioEventCodes()) {
    auto* item = new QListWidgetItem(
        QString::fromUtf8(entry.Name.data(), static_cast<qsizetype>(entry.Name.size())) + " (" +
            QString::number(entry.Code) + ")",
        lb_Codes);
    item->setData(Qt::UserRole, entry.Code);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    const bool ticked = std::find(defaults.begin(), defaults.end(), entry.Code) != defaults.end();
    item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
  }

  lines_ = new QStringListModel(this);
  filtered_ = new QSortFilterProxyModel(this);
  filtered_->setSourceModel(lines_);
  filtered_->setFilterCaseSensitivity(Qt::CaseInsensitive);
  lv_Log = new QListView(this);
  lv_Log->setModel(filtered_);
  lv_Log->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lv_Log->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lv_Log->setUniformItemSizes(true);  // keeps 10,000 lines quick to lay out
  auto* copy = new QAction("&Copy", lv_Log);
  copy->setShortcut(QKeySequence::Copy);
  copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  lv_Log->addAction(copy);
  lv_Log->setContextMenuPolicy(Qt::ActionsContextMenu);

  auto* split = new QSplitter(this);
  split->addWidget(lb_Codes);
  split->addWidget(lv_Log);
  split->setStretchFactor(1, 1);
  split->setSizes({280, 620});

  lb_Status = new QLabel(this);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(buttons);
  layout->addWidget(split, 1);
  layout->addWidget(lb_Status);

  connect(bt_Start, &QPushButton::clicked, this, [this] { bt_StartClick(); });
  connect(bt_Clear, &QPushButton::clicked, this, [this] { bt_ClearClick(); });
  connect(ed_Filter, &QLineEdit::textChanged, filtered_,
          &QSortFilterProxyModel::setFilterFixedString);
  connect(copy, &QAction::triggered, this, [this] { CopySelection(); });
  connect(lb_Codes, &QListWidget::itemChanged, this,
          [this](QListWidgetItem* item) { CodeTicked(item); });
  ControllerStatusChanged();
}

Tfm_EventMonitor::~Tfm_EventMonitor() = default;

void Tfm_EventMonitor::bt_StartClick() {
  if (Listening()) {
    Stop();
  } else {
    Listen();
  }
  ShowStatus();
}

void Tfm_EventMonitor::bt_ClearClick() {
  log_.Clear();
  lines_->setStringList({});
  ShowStatus();
}

void Tfm_EventMonitor::CopySelection() {
  QModelIndexList selected = lv_Log->selectionModel()->selectedIndexes();
  std::sort(selected.begin(), selected.end(),
            [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
  QStringList text;
  for (const QModelIndex& index : selected) text << index.data().toString();
  if (!text.isEmpty()) QGuiApplication::clipboard()->setText(text.join('\n'));
}

void Tfm_EventMonitor::ControllerStatusChanged() {
  const bool connected = VisioController.IsConnected();
  if (!connected && Listening()) Stop();
  bt_Start->setEnabled(connected);
  ShowStatus();
}

void Tfm_EventMonitor::StopListening() {
  if (!Listening()) return;
  Stop();
  ShowStatus();
}

std::vector<std::uint16_t> Tfm_EventMonitor::TickedCodes() const {
  std::vector<std::uint16_t> codes;
  for (int i = 0; i < lb_Codes->count(); ++i) {
    const QListWidgetItem* item = lb_Codes->item(i);
    if (item->checkState() == Qt::Checked) {
      codes.push_back(static_cast<std::uint16_t>(item->data(Qt::UserRole).toUInt()));
    }
  }
  return codes;
}

void Tfm_EventMonitor::SetTicked(std::uint16_t code, bool ticked) {
  for (int i = 0; i < lb_Codes->count(); ++i) {
    QListWidgetItem* item = lb_Codes->item(i);
    if (item->data(Qt::UserRole).toUInt() == code) {
      item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    }
  }
}

std::vector<std::string> Tfm_EventMonitor::ShownLines() const {
  std::vector<std::string> shown;
  for (int row = 0; row < filtered_->rowCount(); ++row) {
    shown.push_back(filtered_->index(row, 0).data().toString().toStdString());
  }
  return shown;
}

void Tfm_EventMonitor::OnEvent(const TKTVisio_EventInfo& event) {
  std::string line = EventLine(event, NowMsecsSinceMidnight());
  const std::size_t dropped = log_.Add(line);
  const int row = lines_->rowCount();
  lines_->insertRows(row, 1);
  lines_->setData(lines_->index(row), QString::fromStdString(line));
  if (dropped > 0) {
    lines_->removeRows(0, static_cast<int>(dropped));
    ShowStatus();
  }
  lv_Log->scrollToBottom();
  emit EventObjects(event.Source, event.Subject);
}

void Tfm_EventMonitor::CodeTicked(QListWidgetItem*) {
  // A new set of codes while listening is advised at once.
  if (Listening()) {
    Listen();
    ShowStatus();
  }
}

void Tfm_EventMonitor::Listen() {
  const std::vector<std::uint16_t> codes = TickedCodes();
  if (codes.empty()) {
    Stop();
    problem_ = "No event is ticked";
    return;
  }
  problem_ = QString::fromStdString(subscription_.Start(VisioController.App, codes));
}

void Tfm_EventMonitor::Stop() {
  problem_ = QString::fromStdString(subscription_.Stop());
}

void Tfm_EventMonitor::ShowStatus() {
  bt_Start->setText(Listening() ? "&Pause" : "&Start");
  QStringList parts;
  if (!VisioController.IsConnected()) {
    parts << "Not connected";
  } else if (Listening()) {
    const std::size_t count = subscription_.Codes().size();
    parts << "Listening to " + QString::number(count) + (count == 1 ? " event" : " events");
  } else {
    parts << "Paused";
  }
  if (!problem_.isEmpty()) parts << problem_;
  const std::string dropped = log_.DroppedText();
  if (!dropped.empty()) parts << QString::fromStdString(dropped);
  lb_Status->setText(parts.join(" - "));
}
