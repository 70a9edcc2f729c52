#include "tree/Tarvel_TV01.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QFont>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMenu>
#include <QMoveEvent>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QSettings>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

#include "app/KTSheep.h"
#include "lut/Tarvel_LUTShow.h"
#include "lut/Tarvel_MessagePort.h"
#include "tools/Tarvel_NodeEdit.h"
#include "tools/Tarvel_TextDump.h"
#include "tools/Tarvel_UI.h"
#include "tree/ChangeMarks.h"
#include "tree/NodeData.h"
#include "tree/Tarvel_Cells01.h"
#include "tree/Tarvel_FindBar.h"
#include "tree/Tarvel_TreeItemModel.h"
#include "tree/TreeText.h"
#include "tree/ValueNodes.h"
#include "tree/VisObjectNodes.h"
#include "visio/KTVisio_Controller.h"

TTreeWindowHost::~TTreeWindowHost() = default;

Tfm_VisioTreeView::Tfm_VisioTreeView()
    : QWidget(nullptr,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      tree_(std::make_unique<TTreeModel>()),
      model_(std::make_unique<TTreeItemModel>(*tree_)) {
  setObjectName("Tfm_VisioTreeView");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle("Visio Tree View");
  resize(210, 370);
  QFont designFont = font();
  designFont.setPointSize(8);
  setFont(designFont);

  Panel1 = new QWidget(this);
  Panel1->setObjectName("Panel1");
  Panel1->setFixedHeight(25);
  cb_StayOnTop = new QCheckBox("Stay On Top", Panel1);
  cb_StayOnTop->setObjectName("cb_StayOnTop");
  cb_StayOnTop->setGeometry(2, 6, 81, 15);
  // Grows only where the platform's font would cut the caption off.
  const QSize hint = cb_StayOnTop->sizeHint();
  cb_StayOnTop->resize(std::max(81, hint.width()), std::max(15, hint.height()));
  // Off at first: the sheets show the catalogue's sections until asked.
  cb_AllSections = new QCheckBox("All Sections", Panel1);
  cb_AllSections->setObjectName("cb_AllSections");
  cb_AllSections->move(cb_StayOnTop->geometry().right() + 8, 6);
  cb_AllSections->resize(cb_AllSections->sizeHint().width(), cb_StayOnTop->height());

  TV = new TBatchTreeView(this);
  TV->setObjectName("TV");
  TV->setModel(model_.get());
  TV->setHeaderHidden(true);
  TV->setIndentation(19);
  TV->setIconSize(QSize(16, 16));
  TV->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Several items can be selected to copy their captions together; the
  // menu commands act on the current one.
  TV->setSelectionMode(QAbstractItemView::ExtendedSelection);
  // Every row is one line with one 16-pixel image: telling the view spares
  // it measuring each of thousands of rows.
  TV->setUniformRowHeights(true);
  // Long captions scroll sideways instead of being cut off. The column is
  // fitted to the rows in sight, once after each burst of changes and after
  // scrolling: fitting it to thousands of rows on every row a refresh adds
  // or removes made refreshes ten times slower.
  TV->header()->setStretchLastSection(false);
  TV->header()->setResizeContentsPrecision(0);
  TV->setContextMenuPolicy(Qt::CustomContextMenu);
  TV->installEventFilter(this);
  model_->SetMarkColour(MarkColour(TV->palette()));

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(Panel1);
  layout->addWidget(TV);
  FindBar = new TFindBar(*TV, *model_, this);
  layout->addWidget(FindBar);
  FindBar->InstallShortcuts(*this);

  pm_VTV = new QMenu(this);
  pm_VTV->setObjectName("pm_VTV");
  const auto addItem = [this](const char* name, const char* caption,
                              void (Tfm_VisioTreeView::*click)()) {
    QAction* action = pm_VTV->addAction(caption);
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, click);
    return action;
  };
  mi_RefreshItemAndChildren = addItem("mi_RefreshItemAndChildren", "Refresh Item and Children",
                                      &Tfm_VisioTreeView::mi_RefreshItemAndChildrenClick);
  mi_ClearChangeMarks = addItem("mi_ClearChangeMarks", "Clear Change Marks",
                                &Tfm_VisioTreeView::mi_ClearChangeMarksClick);
  mi_NewWin_Clone =
      addItem("mi_NewWin_Clone", "Copy to New Window", &Tfm_VisioTreeView::mi_NewWin_CloneClick);
  mi_GoToSourceCell =
      addItem("mi_GoToSourceCell", "Go to Source Cell", &Tfm_VisioTreeView::mi_GoToSourceCellClick);
  mi_ViewTextDetail =
      addItem("mi_ViewTextDetail", "View Text Detail", &Tfm_VisioTreeView::mi_ViewTextDetailClick);
  mi_EditNode = addItem("mi_EditNode", "Edit", &Tfm_VisioTreeView::mi_EditNodeClick);
  mi_ConstVal = addItem("mi_ConstVal", "Constant values", &Tfm_VisioTreeView::mi_ConstValClick);
  pm_VTV->addSeparator();
  mi_Copy = addItem("mi_Copy", "Copy", &Tfm_VisioTreeView::mi_CopyClick);
  mi_CopyValue = addItem("mi_CopyValue", "Copy Value", &Tfm_VisioTreeView::mi_CopyValueClick);
  mi_CopyAsCode = pm_VTV->addMenu("Copy as Code");
  mi_CopyAsCode->setObjectName("mi_CopyAsCode");
  for (TCodeLanguage language : kCodeLanguages) {
    QAction* action =
        mi_CopyAsCode->addAction(ToQString(std::string(TCodeLanguageTitles[Ord(language)])));
    action->setObjectName(QString("mi_CopyAs_") +
                          ToQString(std::string(TCodeLanguageKeys[Ord(language)])));
    connect(action, &QAction::triggered, this, [this, language] { mi_CopyAsCodeClick(language); });
    mi_CopyAsLanguage[Ord(language)] = action;
  }
  // The keys are the view's own (see eventFilter); the menu shows them. The
  // actions answer them only while the menu is open.
  mi_Copy->setShortcut(QKeySequence::Copy);
  for (QAction* action : pm_VTV->actions()) action->setShortcutContext(Qt::WidgetShortcut);
  for (QAction* action : mi_CopyAsCode->actions()) action->setShortcutContext(Qt::WidgetShortcut);
  ShowCodeShortcut();

  connect(cb_StayOnTop, &QCheckBox::clicked, this, &Tfm_VisioTreeView::cb_StayOnTopClick);
  connect(cb_AllSections, &QCheckBox::clicked, this, &Tfm_VisioTreeView::cb_AllSectionsClick);
  connect(TV, &QTreeView::expanded, this, &Tfm_VisioTreeView::TVExpanded);
  connect(TV, &QTreeView::collapsed, this, &Tfm_VisioTreeView::TVCollapsed);
  connect(TV, &QWidget::customContextMenuRequested, this, &Tfm_VisioTreeView::TVContextMenu);
  connect(model_.get(), &TTreeItemModel::ExpandedChanged, this, &Tfm_VisioTreeView::FollowExpanded);
  connect(model_.get(), &QAbstractItemModel::rowsInserted, this,
          &Tfm_VisioTreeView::FitColumnLater);
  connect(model_.get(), &QAbstractItemModel::rowsRemoved, this, &Tfm_VisioTreeView::FitColumnLater);
  connect(model_.get(), &QAbstractItemModel::dataChanged, this, &Tfm_VisioTreeView::FitColumnLater);
  connect(TV, &QTreeView::expanded, this, &Tfm_VisioTreeView::FitColumnLater);
  connect(TV, &QTreeView::collapsed, this, &Tfm_VisioTreeView::FitColumnLater);
  connect(TV->verticalScrollBar(), &QScrollBar::valueChanged, this,
          &Tfm_VisioTreeView::FitColumnLater);
}

Tfm_VisioTreeView::~Tfm_VisioTreeView() {
  // The view is a child widget and would outlive the members: it lets go of
  // the adapter first, the adapter of the tree, and the tree then deletes
  // its items and their nodes.
  TV->setModel(nullptr);
  model_.reset();
  tree_.reset();
}

TKTSheep* Tfm_VisioTreeView::Sheep() {
  // The flock attaches the member after the window is made: looked up on
  // first need, then kept.
  if (sheep_.isNull()) sheep_ = TKTSheep::Of(this);
  return sheep_;
}

TTreeWindowHost* Tfm_VisioTreeView::Host() {
  TKTSheep* sheep = Sheep();
  TKTShepherd* shepherd = sheep != nullptr ? sheep->Shepherd() : nullptr;
  if (shepherd == nullptr) return nullptr;
  return dynamic_cast<TTreeWindowHost*>(shepherd->Owner());
}

void Tfm_VisioTreeView::FitColumnLater() {
  // Once per burst of changes, when the event loop next runs: a refresh
  // changes thousands of rows one by one.
  if (fitPending_) return;
  fitPending_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        fitPending_ = false;
        TV->resizeColumnToContents(0);
      },
      Qt::QueuedConnection);
}

// ---- operations for other windows ----

void Tfm_VisioTreeView::ShowApplicationTree() {
  TND_IVApplication& root = MakeApplicationRoot(*tree_, VisioController.App);
  setWindowTitle(ToQString(root.GetCaption()));
}

void Tfm_VisioTreeView::RefreshTree() {
  TWaitCursor wait;
  TTreeItem* root = tree_->First();
  if (root == nullptr) return;
  tree_->Changes().Refresh(*root);
  setWindowTitle(ToQString(root->Text()));
}

// ---- tree events ----

void Tfm_VisioTreeView::TVExpanded(const QModelIndex& index) {
  if (following_) return;
  TTreeItem* item = model_->ItemOf(index);
  if (item == nullptr) return;
  // The item stays expanded even when making its children fails; the
  // failure is shown once the normal cursor is back.
  GuardCommand([&] {
    TWaitCursor wait;
    tree_->Expand(item);
  });
}

void Tfm_VisioTreeView::TVCollapsed(const QModelIndex& index) {
  if (following_) return;
  TTreeItem* item = model_->ItemOf(index);
  if (item == nullptr) return;
  TWaitCursor wait;
  update();
  // Deletes the children and keeps the expand button: the next expansion
  // reads Visio afresh.
  tree_->Collapse(item);
}

void Tfm_VisioTreeView::FollowExpanded(const QModelIndex& index, bool expanded) {
  const QScopedValueRollback<bool> guard(following_, true);
  if (expanded) {
    TV->expand(index);
  } else {
    TV->collapse(index);
  }
}

void Tfm_VisioTreeView::TVContextMenu(const QPoint& position) {
  // A right-click selects the item under the mouse; on empty space the
  // selection stays as it was.
  const QModelIndex index = TV->indexAt(position);
  if (index.isValid()) {
    // On an item already selected the selection stays, for Copy.
    if (TV->selectionModel()->isSelected(index)) {
      TV->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    } else {
      TV->setCurrentIndex(index);
    }
  }
  pm_VTVPopup(true);
  pm_VTV->popup(TV->viewport()->mapToGlobal(position));
}

bool Tfm_VisioTreeView::eventFilter(QObject* watched, QEvent* event) {
  // "*" would expand every item below the current one, and the children
  // made on the way too: Visio's object model leads back to itself
  // (Application_, Document, Parent ...), so it would never end.
  if (watched == TV && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Asterisk) return true;
    // The view's own Ctrl+C would copy the current caption alone.
    if (key->matches(QKeySequence::Copy)) {
      CopyByKey(mi_Copy, [this] { mi_CopyClick(); });
      return true;
    }
    if (key->keyCombination() ==
        QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_C)) {
      const TCodeLanguage language = RememberedCodeLanguage();
      CopyByKey(mi_CopyAsLanguage[Ord(language)],
                [this, language] { mi_CopyAsCodeClick(language); });
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void Tfm_VisioTreeView::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::PaletteChange) model_->SetMarkColour(MarkColour(TV->palette()));
}

void Tfm_VisioTreeView::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  // Only the user moves the active window; the flock moves inactive ones
  // and records their offsets itself.
  if (isActiveWindow()) {
    if (TKTSheep* sheep = Sheep()) sheep->RecordOffset();
  }
}

// ---- popup menu ----

void Tfm_VisioTreeView::pm_VTVPopup(bool onTree) {
  for (QAction* action : pm_VTV->actions()) action->setEnabled(false);
  for (QAction* action : mi_CopyAsCode->actions()) action->setEnabled(false);
  selectedNode_ = QPersistentModelIndex();
  if (!onTree) return;
  if (tree_->MarkedCount() > 0) mi_ClearChangeMarks->setEnabled(true);
  const QModelIndexList selected = TV->selectionModel()->selectedIndexes();
  if (selected.isEmpty()) return;
  const QModelIndex current = TV->currentIndex();
  selectedNode_ = TV->selectionModel()->isSelected(current) ? current : selected.first();
  mi_Copy->setEnabled(true);
  TTreeItem* item = model_->ItemOf(selectedNode_);
  TTVNodeData* node = item != nullptr ? item->Data() : nullptr;
  if (node == nullptr) return;

  mi_CopyAsCode->menuAction()->setEnabled(true);
  for (QAction* action : mi_CopyAsCode->actions()) action->setEnabled(true);
  if (ValueToCopy(*node)) mi_CopyValue->setEnabled(true);

  if (node->IsVisObjectNode()) {
    mi_RefreshItemAndChildren->setEnabled(true);
    mi_NewWin_Clone->setEnabled(true);
  }
  if (dynamic_cast<const TND_Array*>(node) != nullptr) mi_RefreshItemAndChildren->setEnabled(true);
  const bool isString = dynamic_cast<const TND_WideString*>(node) != nullptr;
  if (isString) mi_ViewTextDetail->setEnabled(true);
  if (IsEditableNode(*node)) mi_EditNode->setEnabled(true);
  if (auto* cell = dynamic_cast<const TND_IVCell*>(node); cell != nullptr) {
    try {
      if (cell->SourceCell()) mi_GoToSourceCell->setEnabled(true);
    } catch (const std::exception&) {
      // A cell that cannot be read now has no source to go to.
    }
  }
  if (node->IndexLUT != nullptr || node->ValueLUT != nullptr) mi_ConstVal->setEnabled(true);
}

TTreeItem* Tfm_VisioTreeView::SelectedNode() const {
  // A persistent index: an item deleted by a refresh while the menu was
  // open leaves nothing to act on instead of a dangling item.
  return model_->ItemOf(selectedNode_);
}

// ---- menu commands ----

void Tfm_VisioTreeView::mi_RefreshItemAndChildrenClick() {
  TTreeItem* item = SelectedNode();
  if (item == nullptr || item->Data() == nullptr) return;
  GuardCommand([&] {
    TWaitCursor wait;
    tree_->Changes().Refresh(*item);
  });
}

void Tfm_VisioTreeView::mi_ClearChangeMarksClick() {
  tree_->Changes().ClearMarks();
}

void Tfm_VisioTreeView::mi_NewWin_CloneClick() {
  TTreeItem* item = SelectedNode();
  if (item == nullptr || item->Data() == nullptr) return;
  TTVNodeData& node = *item->Data();
  OpenWindowWith([&](TTreeModel& tree) { return node.CopyToTree(tree); });
}

void Tfm_VisioTreeView::mi_GoToSourceCellClick() {
  TTreeItem* item = SelectedNode();
  auto* cell = item != nullptr ? dynamic_cast<TND_IVCell*>(item->Data()) : nullptr;
  if (cell == nullptr) return;
  OpenWindowWith([&](TTreeModel& tree) { return cell->SourceCellToTree(tree); });
}

void Tfm_VisioTreeView::OpenWindowWith(const std::function<TTVNodeData*(TTreeModel&)>& makeRoot) {
  GuardCommand([&] {
    auto* window = new Tfm_VisioTreeView();
    TKTSheep* sheep = Sheep();
    TKTShepherd* shepherd = sheep != nullptr ? sheep->Shepherd() : nullptr;
    if (shepherd != nullptr) {
      TKTSheep* member = shepherd->AddSheep(window, sheep->OffsetX() + 32, sheep->OffsetY() + 32);
      window->setWindowTitle(QString::number(shepherd->SheepSerial() - 1));
      member->SetStayOnTop(sheep->StayOnTop());
    } else {
      PlaceBeside(*window, *this);
      ShowAndRaise(*window);
    }
    // The copy shows its sheets as this window does.
    window->Tree().SetAllSections(tree_->AllSections());
    window->cb_AllSections->setChecked(tree_->AllSections());
    TTVNodeData* root = makeRoot(window->Tree());
    if (root == nullptr) {
      // The object is gone for now: nothing to show, so no empty window.
      delete window;
      return;
    }
    root->Refresh(0);
    window->setWindowTitle(ToQString(root->GetCaption()));
  });
}

void Tfm_VisioTreeView::mi_ViewTextDetailClick() {
  TTreeItem* item = SelectedNode();
  if (item == nullptr || item->Data() == nullptr) return;
  TTVNodeData& node = *item->Data();
  GuardCommand([&] { OpenTextDetail(this, node); });
}

void Tfm_VisioTreeView::mi_EditNodeClick() {
  TTreeItem* item = SelectedNode();
  if (item == nullptr || item->Data() == nullptr) return;
  TTVNodeData& node = *item->Data();
  // A cell's formula can be edited whatever its value's access says.
  if (node.Access == TAccessKind::ReadOnly && dynamic_cast<TND_IVCell*>(&node) == nullptr) {
    ShowMessage("ReadOnly");
    return;
  }
  GuardCommand([&] {
    OpenNodeEditor(this, node);
    if (TTreeWindowHost* host = Host()) host->RefreshAllWindows();
  });
}

void Tfm_VisioTreeView::mi_ConstValClick() {
  TTreeItem* item = SelectedNode();
  if (item == nullptr || item->Data() == nullptr) return;
  TTVNodeData& node = *item->Data();
  if (node.IndexLUT == nullptr && node.ValueLUT == nullptr) {
    ShowMessage("No constant info available");
    return;
  }
  GuardCommand([&] { OpenConstantValues(this, node); });
}

namespace {

constexpr const char* kCodeLanguageSetting = "TreeWindow/CopyAsCodeLanguage";

void ToClipboard(const std::string& text) {
  QGuiApplication::clipboard()->setText(ToQString(text));
}

}  // namespace

TCodeLanguage Tfm_VisioTreeView::RememberedCodeLanguage() {
  const QString key = QSettings().value(kCodeLanguageSetting).toString();
  return CodeLanguageFromKey(key.toStdString()).value_or(TCodeLanguage::VBA);
}

void Tfm_VisioTreeView::ShowCodeShortcut() {
  const TCodeLanguage remembered = RememberedCodeLanguage();
  for (TCodeLanguage language : kCodeLanguages) {
    mi_CopyAsLanguage[Ord(language)]->setShortcut(
        language == remembered ? QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C) : QKeySequence());
  }
}

void Tfm_VisioTreeView::CopyByKey(QAction* action, const std::function<void()>& command) {
  pm_VTVPopup(true);
  if (action->isEnabled()) command();
}

void Tfm_VisioTreeView::mi_CopyClick() {
  std::vector<const TTreeItem*> items;
  for (const QModelIndex& index : TV->selectionModel()->selectedIndexes()) {
    if (const TTreeItem* item = model_->ItemOf(index)) items.push_back(item);
  }
  if (!items.empty()) ToClipboard(CaptionLines(std::move(items)));
}

void Tfm_VisioTreeView::mi_CopyValueClick() {
  TTreeItem* item = SelectedNode();
  if (item == nullptr || item->Data() == nullptr) return;
  TTVNodeData& node = *item->Data();
  GuardCommand([&] {
    if (const std::optional<std::string> value = ValueToCopy(node)) ToClipboard(*value);
  });
}

void Tfm_VisioTreeView::mi_CopyAsCodeClick(TCodeLanguage language) {
  TTreeItem* item = SelectedNode();
  if (item == nullptr || item->Data() == nullptr) return;
  TTVNodeData& node = *item->Data();
  GuardCommand([&] {
    TWaitCursor wait;
    ToClipboard(CodeOf(node, language));
  });
  QSettings().setValue(kCodeLanguageSetting,
                       ToQString(std::string(TCodeLanguageKeys[Ord(language)])));
  ShowCodeShortcut();
}

void Tfm_VisioTreeView::cb_StayOnTopClick() {
  if (TKTSheep* sheep = Sheep()) sheep->SetStayOnTop(cb_StayOnTop->isChecked());
}

void Tfm_VisioTreeView::cb_AllSectionsClick() {
  const bool on = cb_AllSections->isChecked();
  GuardCommand([&] {
    TWaitCursor wait;
    ShowAllSections(*tree_, on);
  });
}
