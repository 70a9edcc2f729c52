#include "app/Tarvel_Main.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMoveEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QShowEvent>
#include <QTimer>
#include <algorithm>
#include <charconv>
#include <iostream>
#include <string>
#include <vector>

#include "app/KTSheep.h"
#include "app/Tarvel_About.h"
#include "lut/Tarvel_MessagePort.h"
#include "tools/Tarvel_EventMonitor.h"
#include "tools/Tarvel_UI.h"
#include "tree/VisObjectNodes.h"
#include "visio/KTVisio_Controller.h"
#include "visio/Visio_TLB.h"

// ---- TLedShape ----

TLedShape::TLedShape(QWidget* parent) : QWidget(parent), color_(Tfm_Main::kLedColors[0]) {}

void TLedShape::SetBrushColor(const QColor& color) {
  if (color == color_) return;
  color_ = color;
  update();
}

void TLedShape::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(color_);
  p.drawEllipse(rect());
}

// ---- TryStrToInt ----

std::optional<std::int32_t> TryStrToInt(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  const std::string_view digits = text.substr(i);
  // from_chars would accept a second sign; only digits may follow here.
  if (digits.empty() || digits.front() == '-' || digits.front() == '+') return std::nullopt;
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

// ---- Tfm_Main ----

const QColor Tfm_Main::kLedColors[3] = {QColor(128, 128, 128), QColor(0, 128, 0),
                                        QColor(0, 255, 0)};

namespace {

const QColor kStatusNormal(255, 255, 255);
const QColor kStatusRefused(255, 0, 0);

QFrame* MakePanel(QWidget* parent) {
  auto* panel = new QFrame(parent);
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel->setLineWidth(1);
  return panel;
}

}  // namespace

Tfm_Main::Tfm_Main(QWidget* parent) : QMainWindow(parent) {
  setWindowTitle("KT Tarvel");
  setWindowIcon(TarvelIcon());
  // A fixed border with system menu and minimise button, no maximise.
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);

  mm_File = menuBar()->addMenu("&File");
  mi_About = mm_File->addAction("&About", this, [this] { GuardCommand([this] { mi_AboutClick(); }); });
  mi_File_Exit =
      mm_File->addAction("E&xit", this, [this] { GuardCommand([this] { mi_File_ExitClick(); }); });
  mm_Visio = menuBar()->addMenu("&Visio");
  mi_Visio_Connect = mm_Visio->addAction(
      "&Connect", this, [this] { GuardCommand([this] { mi_Visio_ConnectClick(); }); });
  mi_Visio_Disconnect = mm_Visio->addAction(
      "&Disconnect", this, [this] { GuardCommand([this] { mi_Visio_DisconnectClick(); }); });
  mi_Visio_NewWin_App = mm_Visio->addAction(
      "New &Window (IVApplication)", this,
      [this] { GuardCommand([this] { mi_Visio_NewWin_AppClick(); }); });
  mi_Visio_NewWin_SelShape = mm_Visio->addAction(
      "New Window (Selected Shape)", this,
      [this] { GuardCommand([this] { mi_Visio_NewWin_SelShapeClick(); }); });
  mi_Visio_EventMonitor = mm_Visio->addAction(
      "&Event Monitor", this, [this] { GuardCommand([this] { mi_Visio_EventMonitorClick(); }); });
  mi_ChangeRefreshInterval = mm_Visio->addAction(
      "Change Refresh Interval", this,
      [this] { GuardCommand([this] { mi_ChangeRefreshIntervalClick(); }); });
  mm_Windows = menuBar()->addMenu("&Windows");
  mi_Windows_CloseAll = new QAction("&Close All Tree Windows", this);
  connect(mi_Windows_CloseAll, &QAction::triggered, this,
          [this] { GuardCommand([this] { mi_Windows_CloseAllClick(); }); });
  mi_Windows_Reopen = new QAction("&Reopen Last Run's Windows", this);
  connect(mi_Windows_Reopen, &QAction::triggered, this,
          [this] { GuardCommand([this] { mi_Windows_ReopenClick(); }); });
  connect(mm_Windows, &QMenu::aboutToShow, this, [this] { mm_WindowsPopup(); });
  mm_WindowsPopup();

  auto* client = new QWidget(this);
  setCentralWidget(client);
  UseDesignFont(*client);
  Panel1 = MakePanel(client);
  Panel1->setGeometry(0, 0, 258, 25);

  lb_Status = MakeValueLabel(Panel1, "Status", QRect(4, 4, 117, 16));

  Panel2 = MakePanel(Panel1);
  Panel2->setGeometry(128, 0, 121, 25);
  bt_Refresh = new QPushButton("Refresh", Panel2);
  bt_Refresh->setGeometry(4, 4, 53, 17);
  connect(bt_Refresh, &QPushButton::clicked, this,
          [this] { GuardCommand([this] { bt_RefreshClick(); }); });
  ck_Auto = new QCheckBox("Auto", Panel2);
  ck_Auto->setGeometry(64, 4, 41, 17);
  // Tighter than the style's default, so that the caption fits the box.
  ck_Auto->setStyleSheet("QCheckBox { spacing: 2px; }");
  connect(ck_Auto, &QCheckBox::clicked, this, [this] { GuardCommand([this] { ck_AutoClick(); }); });
  led_Refresh = new TLedShape(Panel2);
  led_Refresh->setGeometry(108, 8, 10, 10);

  tm_Refresh = new QTimer(this);
  tm_Refresh->setInterval(1000);
  connect(tm_Refresh, &QTimer::timeout, this,
          [this] { GuardCommand([this] { tm_RefreshTimer(); }); });
  reportTimer_ = new QTimer(this);
  reportTimer_->setSingleShot(true);
  reportTimer_->setInterval(100);
  connect(reportTimer_, &QTimer::timeout, this,
          [this] { GuardCommand([this] { MarkReported(); }); });

  FormCreate();
  AboutBox = new TAboutBox(this);
}

Tfm_Main::~Tfm_Main() {
  // The observer points into this window.
  VisioController.OnStatusChange = nullptr;
}

void Tfm_Main::FormCreate() {
  // The outer bounds: 258 x 72 at (250, 100), or where the last run left
  // the window when that is still on a screen; move() places the frame.
  FitOuterSize();
  QSettings settings;
  lastSession_ = ReadSession(settings);
  QPoint place(250, 100);
  if (lastSession_.mainPosition) {
    for (const QScreen* screen : QGuiApplication::screens()) {
      if (screen->availableGeometry().contains(*lastSession_.mainPosition)) {
        place = *lastSession_.mainPosition;
      }
    }
  }
  move(place);
  if (lastSession_.refreshInterval) tm_Refresh->setInterval(*lastSession_.refreshInterval);

  Shepherd = new TKTShepherd(this);
  Shepherd->SetStayOnTop(true);
  LedState = 0;
  VisioController.SetCallRefused(false);
  VisioController.OnStatusChange = [this] { ControllerStatusChanged(); };
}

void Tfm_Main::FitOuterSize() {
  // Until the window is shown its frame is not known and counts as none.
  const QRect outer = frameGeometry();
  const QRect inner = geometry();
  const int frameWidth = outer.width() - inner.width();
  const int frameHeight = outer.height() - inner.height();
  const int needed = menuBar()->sizeHint().height() + 25;
  setFixedSize(258 - frameWidth, std::max(72 - frameHeight, needed));
}

void Tfm_Main::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!sized_) {
    sized_ = true;
    const QPoint corner = pos();
    FitOuterSize();
    move(corner);
  }
}

void Tfm_Main::SetLedState(std::uint8_t state) {
  LedState = state;
  led_Refresh->SetBrushColor(kLedColors[std::min<std::uint8_t>(state, 2)]);
}

void Tfm_Main::SetStatus(const QString& text) { lb_Status->setText(text); }

void Tfm_Main::SetStatusBackground(const QColor& color) {
  QPalette palette = lb_Status->palette();
  palette.setColor(QPalette::Window, color);
  lb_Status->setPalette(palette);
}

void Tfm_Main::ControllerStatusChanged() {
  if (EventMonitor != nullptr) EventMonitor->ControllerStatusChanged();
  if (!VisioController.IsConnected()) {
    // The attached Visio went away (or none is attached).
    SetStatus("Not connected");
    SetStatusBackground(kStatusNormal);
  } else if (VisioController.CallRefused()) {
    SetStatus("Last call refused");
    SetStatusBackground(kStatusRefused);
  } else {
    SetStatus("Connected");
    SetStatusBackground(kStatusNormal);
  }
}

void Tfm_Main::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  // A window manager frames the window after it is shown (and moves it
  // doing so); only then is the frame known.
  FitOuterSize();
  if (Shepherd != nullptr) Shepherd->OwnerMoved();
}

void Tfm_Main::closeEvent(QCloseEvent* event) {
  SaveSession();
  QMainWindow::closeEvent(event);
  QApplication::quit();
}

Tfm_VisioTreeView* Tfm_Main::NewTreeWindow() {
  if (Shepherd == nullptr) return nullptr;
  const int dy = frameGeometry().height();
  int dx = 0;
  if (Shepherd->SheepCount() > 0) {
    int maxRight = 0;
    for (std::int32_t i = 0; i < Shepherd->SheepCount(); ++i) {
      if (const QWidget* form = Shepherd->SheepFormAt(i)) {
        maxRight = std::max(maxRight, form->x() + form->frameGeometry().width());
      }
    }
    dx = maxRight - x();
  }
  auto* window = new Tfm_VisioTreeView();
  // A window that would start beyond the screen's right edge opens at
  // that edge instead, where it can be seen.
  if (const QScreen* screen = this->screen()) {
    const QRect free = screen->availableGeometry();
    // Not shown yet, it has no frame: take this window's.
    const int width = window->width() + frameGeometry().width() - geometry().width();
    if (x() + dx + width > free.right() + 1) dx = std::max(free.left(), free.right() + 1 - width) - x();
  }
  Shepherd->AddSheep(window, dx, dy);
  window->setWindowTitle(QString::number(Shepherd->SheepSerial() - 1));
  return window;
}

void Tfm_Main::RefreshAllWindows() {
  VisioController.SetCallRefused(false);
  for (std::int32_t i = 0; i < Shepherd->SheepCount(); ++i) {
    if (auto* window = qobject_cast<Tfm_VisioTreeView*>(Shepherd->SheepFormAt(i))) {
      window->RefreshTree();
    }
  }
}

void Tfm_Main::mi_AboutClick() { RunModal(*AboutBox); }

void Tfm_Main::mi_File_ExitClick() {
  SaveSession();
  VisioController.Disconnect();
  QApplication::quit();
}

void Tfm_Main::mi_Visio_ConnectClick() {
  VisioController.SetCallRefused(false);
  // Events advised on the Visio attached so far are removed first.
  if (EventMonitor != nullptr) EventMonitor->StopListening();
  reported_.clear();  // objects of the Visio being left
  VisioController.Connect(3);
  if (EventMonitor != nullptr) EventMonitor->ControllerStatusChanged();
  if (VisioController.IsConnected()) {
    lb_Status->setToolTip(QString());
    mi_Visio_NewWin_AppClick();
    SetStatus("Connected");
  } else {
    // The label keeps its word; why is told beside it.
    const std::string why = VisioController.ConnectError();
    lb_Status->setToolTip(QString::fromStdString(why));
    std::cerr << "tarvel: Connect failed: " << why << '\n';
    SetStatus("Not connected");
  }
}

void Tfm_Main::mi_Visio_DisconnectClick() {
  VisioController.SetCallRefused(false);
  if (EventMonitor != nullptr) EventMonitor->StopListening();
  reported_.clear();  // objects of the Visio being left
  VisioController.Disconnect();
  if (EventMonitor != nullptr) EventMonitor->ControllerStatusChanged();
  SetStatus("Not connected");
}

void Tfm_Main::mi_Visio_EventMonitorClick() {
  if (EventMonitor == nullptr) {
    EventMonitor = new Tfm_EventMonitor(this);
    connect(EventMonitor, &Tfm_EventMonitor::EventObjects, this,
            [this](const automation::ObjectRef&, const automation::ObjectRef& subject) {
              ObjectReported(subject);
            });
  }
  EventMonitor->show();
  EventMonitor->raise();
  EventMonitor->activateWindow();
}

void Tfm_Main::mi_Visio_NewWin_AppClick() {
  VisioController.SetCallRefused(false);
  if (Tfm_VisioTreeView* window = NewTreeWindow()) window->ShowApplicationTree();
}

void Tfm_Main::mi_Visio_NewWin_SelShapeClick() {
  VisioController.SetCallRefused(false);
  if (!VisioController.IsConnected()) {
    ShowMessage("Not connected");
    return;
  }
  IVSelection selection;
  try {
    IVWindow window;
    if (VisioController.App) window = IVApplication(VisioController.App).ActiveWindow();
    if (window) selection = window.Selection();
  } catch (const automation::AutomationError& e) {
    VisioController.NoteCallError(e);
  } catch (const std::exception&) {
    // Goes on with what it has.
  }
  if (!selection || VisioController.CallRefused()) return;
  if (selection.Count() != 1) {
    ShowMessage("Please select exactly one shape.");
    return;
  }
  const IVShape shape = selection.Item(1);
  if (!shape) return;
  Tfm_VisioTreeView* window = NewTreeWindow();
  if (window == nullptr) return;
  TND_IVShape& root = MakeShapeRoot(window->Tree(), shape.Object());
  window->setWindowTitle(ToQString(root.GetCaption()));
}

void Tfm_Main::mi_ChangeRefreshIntervalClick() {
  const QString text =
      InputBox(this, "Refresh Interval", "Enter new value for Refresh Interval [millisec, >=500]:",
               QString::number(tm_Refresh->interval()));
  const std::optional<std::int32_t> value = TryStrToInt(text.toStdString());
  if (value && *value >= kMinRefreshInterval) tm_Refresh->setInterval(*value);
}

void Tfm_Main::bt_RefreshClick() { RefreshAllWindows(); }

void Tfm_Main::ck_AutoClick() {
  if (ck_Auto->isChecked()) {
    SetLedState(2);
    RefreshAllWindows();
    tm_Refresh->start();
  } else {
    SetLedState(0);
    tm_Refresh->stop();
  }
}

void Tfm_Main::tm_RefreshTimer() {
  // A tool window is open on a node; a refresh could delete that node under
  // it. The refresh waits for the window to close.
  if (QApplication::activeModalWidget() != nullptr) return;
  tm_Refresh->stop();
  RefreshAllWindows();
  // Counted afresh from the end of the refresh, so refreshes never overlap.
  tm_Refresh->start();
  SetLedState(LedState == 1 ? 2 : 1);
}

// ---- the Windows menu and the session ----

void Tfm_Main::mm_WindowsPopup() {
  mm_Windows->clear();
  const std::int32_t count = Shepherd != nullptr ? Shepherd->SheepCount() : 0;
  for (std::int32_t i = 0; i < count; ++i) {
    QWidget* window = Shepherd->SheepFormAt(i);
    if (window == nullptr) continue;
    QAction* item = mm_Windows->addAction(window->windowTitle());
    const QPointer<QWidget> target(window);
    connect(item, &QAction::triggered, this, [target] {
      if (target.isNull()) return;
      ShowAndRaise(*target);
      target->activateWindow();
    });
  }
  if (count > 0) mm_Windows->addSeparator();
  mm_Windows->addAction(mi_Windows_CloseAll);
  mm_Windows->addAction(mi_Windows_Reopen);
  mi_Windows_CloseAll->setEnabled(count > 0);
  mi_Windows_Reopen->setEnabled(!lastSession_.windows.empty());
}

void Tfm_Main::mi_Windows_CloseAllClick() {
  std::vector<QPointer<QWidget>> windows;
  for (std::int32_t i = 0; i < Shepherd->SheepCount(); ++i) {
    windows.emplace_back(Shepherd->SheepFormAt(i));
  }
  for (const QPointer<QWidget>& window : windows) {
    if (!window.isNull()) window->close();
  }
}

void Tfm_Main::mi_Windows_ReopenClick() {
  VisioController.SetCallRefused(false);
  if (!VisioController.IsConnected()) {
    ShowMessage("Not connected");
    return;
  }
  std::size_t lost = 0;
  for (const TTreeWindowPlace& place : lastSession_.windows) {
    Tfm_VisioTreeView* window = NewTreeWindow();
    if (window == nullptr) return;
    TTVNodeData* root = nullptr;
    try {
      root = RootFromPlace(window->Tree(), VisioController.App, place.root);
    } catch (const std::exception&) {
      // Gone since the last run: counted below.
    }
    if (root == nullptr) {
      delete window;
      ++lost;
      continue;
    }
    window->setWindowTitle(ToQString(root->GetCaption()));
    window->resize(place.size);
    if (TKTSheep* sheep = TKTSheep::Of(window)) {
      sheep->MoveTo(x() + place.offset.x(), y() + place.offset.y());
    }
  }
  if (lost > 0) {
    ShowMessage(std::to_string(lost) + " of " + std::to_string(lastSession_.windows.size()) +
                " windows of the last run could not be reopened: what they showed is gone.");
  }
}

TSession Tfm_Main::Session() const {
  TSession session;
  session.refreshInterval = tm_Refresh->interval();
  session.mainPosition = frameGeometry().topLeft();
  const std::int32_t count = Shepherd != nullptr ? Shepherd->SheepCount() : 0;
  for (std::int32_t i = 0; i < count; ++i) {
    TKTSheep* sheep = Shepherd->SheepAt(i);
    auto* window = qobject_cast<Tfm_VisioTreeView*>(Shepherd->SheepFormAt(i));
    if (sheep == nullptr || window == nullptr || window->Tree().First() == nullptr) continue;
    TTVNodeData* root = window->Tree().First()->Data();
    std::optional<TRootPlace> place;
    try {
      if (root != nullptr) place = RootPlaceOf(*root);
    } catch (const std::exception&) {
      // Visio cannot say where the root is now: it is not remembered.
    }
    if (!place) continue;
    session.windows.push_back(
        TTreeWindowPlace{*place, QPoint(sheep->OffsetX(), sheep->OffsetY()), window->size()});
  }
  return session;
}

void Tfm_Main::SaveSession() const {
  QSettings settings;
  TSession session = Session();
  // Quitting with no tree window open keeps the last run's windows for the
  // next one rather than forgetting them.
  if (session.windows.empty()) session.windows = lastSession_.windows;
  WriteSession(settings, session);
}

namespace {

bool IsCellNode(const TTVNodeData& node) {
  return dynamic_cast<const TND_IVCell*>(&node);
}
bool IsShapeNode(const TTVNodeData& node) {
  return dynamic_cast<const TND_IVShape*>(&node);
}

}  // namespace

void Tfm_Main::ObjectReported(const automation::ObjectRef& subject) {
  if (!subject || reported_.size() >= kMaxReportedMarks) return;
  for (const automation::ObjectRef& known : reported_) {
    if (known.get() == subject.get()) return;
  }
  reported_.push_back(subject);
  if (!reportTimer_->isActive()) reportTimer_->start();
}

void Tfm_Main::MarkReported() {
  const std::vector<automation::ObjectRef> reported = std::move(reported_);
  reported_.clear();
  for (const automation::ObjectRef& subject : reported) {
    bool (*candidate)(const TTVNodeData&) = nullptr;
    try {
      const std::int32_t type = subject.Get("ObjectType").ToInt32();
      if (type == visObjTypeCell) {
        candidate = IsCellNode;
      } else if (type == visObjTypeShape) {
        candidate = IsShapeNode;
      }
    } catch (const std::exception&) {
      // Gone already (a deleted shape): nothing left to mark.
    }
    if (candidate == nullptr) continue;
    for (std::int32_t i = 0; i < Shepherd->SheepCount(); ++i) {
      if (auto* window = qobject_cast<Tfm_VisioTreeView*>(Shepherd->SheepFormAt(i))) {
        window->Tree().MarkItemsOf(subject, candidate);
      }
    }
  }
}
