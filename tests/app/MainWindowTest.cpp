// The main window over the stand-in Visio with its demo drawing: start-up
// state, Connect and the tree windows it opens, the flock, the Auto refresh
// with its LED, the refresh interval, the refused-call label and the
// selected-shape window.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/KTSheep.h"
#include "app/Session.h"
#include "app/Tarvel_About.h"
#include "app/Tarvel_Main.h"
#include "lut/Tarvel_TreeNodeLUTs.h"
#include "standin/Application.h"
#include "standin/Demo.h"
#include "tests/lut/RecordingMessagePort.h"
#include "tests/tree/TreeTestSupport.h"
#include "tools/Tarvel_EventMonitor.h"
#include "tools/Tarvel_UI.h"
#include "tree/Tarvel_Cells01.h"
#include "tree/TreeModel.h"
#include "tree/VisObjectNodes.h"
#include "visio/KTVisio_Controller.h"

namespace {

using automation::Variant;

QColor StatusBackground(const Tfm_Main& main) {
  return main.lb_Status->palette().color(QPalette::Window);
}

// A main window with the stand-in Visio (showing the demo drawing)
// installed as what Connect attaches to or starts.
class MainWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    BuildVisioConstantCatalogue();
    BuildCellCatalogue();
    VisioController.Disconnect();
    VisioController.SetCallRefused(false);
    standin::StandinOptions options;
    options.onStart = [](standin::Application& app) { standin::BuildDemoDrawing(app); };
    cookie = standin::RegisterVisio(std::move(options));
    QSettings().clear();  // every test starts as a first run
    main = std::make_unique<Tfm_Main>();
    main->show();
  }

  void TearDown() override {
    CloseTreeWindows();
    main.reset();
    if (VisioController.IsConnected()) VisioController.App.Invoke("Quit");
    VisioController.Disconnect();
    standin::UnregisterVisio(cookie);
    VisioController.OnStatusChange = nullptr;
    VisioController.SetCallRefused(false);
  }

  void CloseTreeWindows() {
    std::vector<QPointer<QWidget>> windows;
    for (std::int32_t i = 0; i < main->Shepherd->SheepCount(); ++i) {
      windows.emplace_back(main->Shepherd->SheepFormAt(i));
    }
    for (const QPointer<QWidget>& window : windows) delete window.data();
  }

  Tfm_VisioTreeView* TreeWindow(std::int32_t i) const {
    return qobject_cast<Tfm_VisioTreeView*>(main->Shepherd->SheepFormAt(i));
  }

  std::uint32_t cookie = 0;
  std::unique_ptr<Tfm_Main> main;
  RecordingMessagePort messages;
};

TEST_F(MainWindowTest, StartsAsAnAlwaysOnTopControlStripWithNothingRunning) {
  EXPECT_EQ(main->windowTitle(), "KT Tarvel");
  EXPECT_EQ(main->frameGeometry().topLeft(), QPoint(250, 100));
  EXPECT_EQ(main->frameGeometry().size(), QSize(258, 72));
  EXPECT_TRUE(main->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_FALSE(main->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_EQ(main->lb_Status->text(), "Status");
  EXPECT_EQ(StatusBackground(*main), QColor(255, 255, 255));
  EXPECT_EQ(main->LedState, 0);
  EXPECT_EQ(main->led_Refresh->BrushColor(), QColor(128, 128, 128));
  EXPECT_FALSE(main->tm_Refresh->isActive());
  EXPECT_EQ(main->tm_Refresh->interval(), 1000);
  EXPECT_FALSE(main->ck_Auto->isChecked());
  EXPECT_EQ(main->ck_Auto->text(), "Auto");
  EXPECT_EQ(main->bt_Refresh->text(), "Refresh");
  EXPECT_EQ(main->Shepherd->SheepCount(), 0);

  std::vector<std::string> captions;
  for (QAction* menu : main->menuBar()->actions()) {
    captions.push_back(menu->text().toStdString());
    for (QAction* item : menu->menu()->actions()) {
      captions.push_back("  " + item->text().toStdString());
      // With no tree window open and none from a last run, the Windows
      // menu has nothing to do.
      EXPECT_EQ(item->isEnabled(), menu->menu() != main->mm_Windows) << item->text().toStdString();
    }
  }
  EXPECT_EQ(captions, (std::vector<std::string>{
                          "&File", "  &About", "  E&xit", "&Visio", "  &Connect", "  &Disconnect",
                          "  New &Window (IVApplication)", "  New Window (Selected Shape)",
                          "  &Event Monitor", "  Change Refresh Interval", "&Windows",
                          "  &Close All Tree Windows", "  &Reopen Last Run's Windows"}));
}

TEST_F(MainWindowTest, TheEventMonitorListensOnlyWhileConnected) {
  main->mi_Visio_EventMonitorClick();
  Tfm_EventMonitor* monitor = main->EventMonitor;
  ASSERT_NE(monitor, nullptr);
  EXPECT_TRUE(monitor->isVisible());
  EXPECT_FALSE(monitor->bt_Start->isEnabled());
  main->mi_Visio_EventMonitorClick();
  EXPECT_EQ(main->EventMonitor, monitor);  // one monitor, shown again

  main->mi_Visio_ConnectClick();
  ASSERT_TRUE(monitor->bt_Start->isEnabled());
  monitor->bt_StartClick();
  ASSERT_TRUE(monitor->Listening());
  const automation::ObjectRef events = VisioController.App.Get("EventList").ToObject();
  const std::int16_t listening = events.Get("Count").ToInt16();

  main->mi_Visio_DisconnectClick();
  EXPECT_FALSE(monitor->Listening());
  EXPECT_FALSE(monitor->bt_Start->isEnabled());
  EXPECT_EQ(monitor->lb_Status->text(), "Not connected");
  // Removed from Visio before the controller let go of it.
  EXPECT_EQ(events.Get("Count").ToInt16(),
            listening - static_cast<std::int16_t>(monitor->TickedCodes().size()));
}

// What another client changes while the monitor listens is marked in the
// open tree windows: the cell it wrote and the shape it renamed, nothing else.
TEST_F(MainWindowTest, TheCellsAndShapesEventsNameAreMarkedInTheTreeWindows) {
  main->mi_Visio_ConnectClick();
  ASSERT_EQ(main->Shepherd->SheepCount(), 1);
  TTreeModel& tree = TreeWindow(0)->Tree();
  const std::string shapes = "Documents/Item[1]/Pages/Item[1]/Shapes";
  TTreeItem& pinX = tree_test::ReachPath(
      *tree.First(), shapes + "/Item[2]/CellsSRC-Sections/S[1]/R[1]/CellSRC[0]");
  TTreeItem& pinY = tree_test::ReachPath(
      *tree.First(), shapes + "/Item[2]/CellsSRC-Sections/S[1]/R[1]/CellSRC[1]");
  TTreeItem& third = tree_test::ReachPath(*tree.First(), shapes + "/Item[3]");
  TTreeItem& second = tree_test::ReachPath(*tree.First(), shapes + "/Item[2]");

  main->mi_Visio_EventMonitorClick();
  main->EventMonitor->bt_StartClick();
  ASSERT_TRUE(main->EventMonitor->Listening());
  const automation::ObjectRef page = VisioController.App.Get("ActivePage").ToObject();
  const automation::ObjectRef shape =
      page.Get("Shapes").ToObject().Get("Item", {Variant(2)}).ToObject();
  shape
      .Get("CellsSRC",
           {Variant(std::int16_t{1}), Variant(std::int16_t{1}), Variant(std::int16_t{0})})
      .ToObject()
      .Put("Formula", Variant(std::string("3.25 in")));
  page.Get("Shapes")
      .ToObject()
      .Get("Item", {Variant(3)})
      .ToObject()
      .Put("Name", Variant(std::string("Renamed")));
  QTest::qWait(300);

  EXPECT_TRUE(pinX.Marks() & imReported);
  EXPECT_FALSE(pinY.Marks() & imReported);
  EXPECT_TRUE(third.Marks() & imReported);
  EXPECT_FALSE(second.Marks() & imReported);  // its cell changed, not its name
}

TEST_F(MainWindowTest, ConnectOpensOneApplicationTreeUnderTheMainWindow) {
  main->mi_Visio_ConnectClick();

  EXPECT_EQ(main->lb_Status->text(), "Connected");
  ASSERT_EQ(main->Shepherd->SheepCount(), 1);
  Tfm_VisioTreeView* window = TreeWindow(0);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->pos(), QPoint(250, 100 + 72));
  EXPECT_TRUE(window->isVisible());
  TTreeItem* root = window->Tree().First();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->Text().rfind("Application", 0), 0u) << root->Text();
  EXPECT_EQ(window->windowTitle().toStdString(), root->Text());

  // Connecting again attaches afresh and opens one more window beside the
  // first, wherever that one was dragged vertically.
  window->move(250, 300);
  TKTSheep::Of(window)->RecordOffset();
  main->mi_Visio_ConnectClick();
  ASSERT_EQ(main->Shepherd->SheepCount(), 2);
  EXPECT_EQ(TreeWindow(1)->pos(), QPoint(250 + window->frameGeometry().width(), 172));
  EXPECT_EQ(main->lb_Status->text(), "Connected");
  EXPECT_EQ(window->Tree().Count(), 1);
}

TEST_F(MainWindowTest, TreeWindowsAreNumberedPlacedAndFollowTheMainWindow) {
  Tfm_VisioTreeView* first = main->NewTreeWindow();
  EXPECT_EQ(first->windowTitle(), "0");
  EXPECT_EQ(first->pos(), QPoint(250, 172));
  Tfm_VisioTreeView* second = main->NewTreeWindow();
  EXPECT_EQ(second->windowTitle(), "1");
  EXPECT_EQ(second->pos(), QPoint(250 + first->frameGeometry().width(), 172));
  Tfm_VisioTreeView* third = main->NewTreeWindow();

  main->move(280, 120);
  EXPECT_EQ(first->pos(), QPoint(280, 192));
  EXPECT_EQ(third->pos().x() - main->x(), TKTSheep::Of(third)->OffsetX());

  // A follower the user dragged keeps its new offset when the flock moves.
  second->move(700, 500);
  TKTSheep::Of(second)->RecordOffset();
  main->move(250, 100);
  EXPECT_EQ(second->pos(), QPoint(670, 480));

  // Closing one of three: two left, and the next window is number 4.
  delete third;
  EXPECT_EQ(main->Shepherd->SheepCount(), 2);
  Tfm_VisioTreeView* fourth = main->NewTreeWindow();
  EXPECT_EQ(TKTSheep::Of(fourth)->Number(), 4);
  EXPECT_EQ(fourth->windowTitle(), "3");

  // A window that would open beyond the screen's right edge opens at it.
  const QRect screen = main->screen()->availableGeometry();
  for (int i = 0; i < 6; ++i) {
    Tfm_VisioTreeView* more = main->NewTreeWindow();
    EXPECT_LE(more->frameGeometry().right(), screen.right()) << i;
    EXPECT_GE(more->x(), screen.left()) << i;
    EXPECT_EQ(more->y(), main->y() + main->frameGeometry().height()) << i;
  }

  // With every flock window left of the screen, a new one opens at x 0.
  for (std::int32_t i = 0; i < main->Shepherd->SheepCount(); ++i) {
    QWidget* window = main->Shepherd->SheepFormAt(i);
    window->move(-900, 300);
    TKTSheep::Of(window)->RecordOffset();
  }
  EXPECT_EQ(main->NewTreeWindow()->pos(), QPoint(0, 172));
}

TEST_F(MainWindowTest, AutoRefreshRunsTheTimerAndBlinksTheLed) {
  main->mi_Visio_ConnectClick();
  main->ck_Auto->click();
  EXPECT_TRUE(main->tm_Refresh->isActive());
  EXPECT_EQ(main->LedState, 2);
  EXPECT_EQ(main->led_Refresh->BrushColor(), QColor(0, 255, 0));

  std::vector<int> states;
  for (int tick = 0; tick < 3; ++tick) {
    main->tm_RefreshTimer();
    states.push_back(main->LedState);
    EXPECT_TRUE(main->tm_Refresh->isActive());
  }
  EXPECT_EQ(states, (std::vector<int>{1, 2, 1}));
  EXPECT_EQ(main->led_Refresh->BrushColor(), QColor(0, 128, 0));

  main->ck_Auto->click();
  EXPECT_FALSE(main->tm_Refresh->isActive());
  EXPECT_EQ(main->LedState, 0);
  EXPECT_EQ(main->led_Refresh->BrushColor(), QColor(128, 128, 128));
}

TEST_F(MainWindowTest, TheTimerWaitsWhileAToolWindowIsOpen) {
  main->mi_Visio_ConnectClick();
  main->ck_Auto->click();

  // A refresh now could delete the node an open editor holds.
  QDialog editor;
  editor.setModal(true);
  editor.show();
  ASSERT_EQ(QApplication::activeModalWidget(), &editor);
  main->tm_RefreshTimer();
  EXPECT_EQ(main->LedState, 2);
  editor.hide();
  main->tm_RefreshTimer();
  EXPECT_EQ(main->LedState, 1);
  EXPECT_TRUE(main->tm_Refresh->isActive());
  main->ck_Auto->click();
}

TEST(TryStrToIntTest, AcceptsWholeDecimalAndHexNumbersOnly) {
  struct Case {
    const char* text;
    std::optional<std::int32_t> value;
  };
  for (const Case& c : std::vector<Case>{
           {"500", 500},
           {"  750", 750},
           {"+600", 600},
           {"-3", -3},
           {"$1F4", 500},
           {"0x200", 512},
           {"0X200", 512},
           {"-$10", -16},
           {"2147483647", 2147483647},
           {"", std::nullopt},
           {"abc", std::nullopt},
           {"500 ", std::nullopt},
           {"5 00", std::nullopt},
           {"1.5", std::nullopt},
           {"--5", std::nullopt},
           {"+-5", std::nullopt},
           {"$", std::nullopt},
           {"0x", std::nullopt},
           {"2147483648", std::nullopt},
       }) {
    EXPECT_EQ(TryStrToInt(c.text), c.value) << '"' << c.text << '"';
  }
}

TEST_F(MainWindowTest, TheRefreshIntervalTakesWholeNumbersOfAtLeast500) {
  std::vector<QString> prefilled;
  std::optional<QString> answer;
  const TInputBox previous = SetInputBox(
      [&](QWidget*, const QString& caption, const QString& prompt, const QString& value) {
        EXPECT_EQ(caption, "Refresh Interval");
        EXPECT_EQ(prompt, "Enter new value for Refresh Interval [millisec, >=500]:");
        prefilled.push_back(value);
        return answer.value_or(value);  // no answer: Cancel
      });
  struct Step {
    std::optional<QString> answer;
    int interval;
  };
  for (const Step& step : std::vector<Step>{{"499", 1000},
                                            {"500", 500},
                                            {"abc", 500},
                                            {"", 500},
                                            {std::nullopt, 500},
                                            {"$3E8", 1000},
                                            {"-600", 1000}}) {
    answer = step.answer;
    main->mi_ChangeRefreshIntervalClick();
    EXPECT_EQ(main->tm_Refresh->interval(), step.interval) << step.answer.value_or("Cancel").toStdString();
  }
  EXPECT_EQ(prefilled.front(), "1000");
  EXPECT_EQ(prefilled[2], "500");
  EXPECT_TRUE(messages.messages.empty());
  SetInputBox(previous);
}

TEST_F(MainWindowTest, ARefusedCallTurnsTheLabelRedUntilTheNextCommand) {
  main->mi_Visio_ConnectClick();
  VisioController.SetCallRefused(true);
  EXPECT_EQ(main->lb_Status->text(), "Last call refused");
  EXPECT_EQ(StatusBackground(*main), QColor(255, 0, 0));

  main->bt_RefreshClick();
  EXPECT_EQ(main->lb_Status->text(), "Connected");
  EXPECT_EQ(StatusBackground(*main), QColor(255, 255, 255));

  // Disconnecting says so, and the windows keep what they show.
  VisioController.SetCallRefused(true);
  const std::string shown = TreeWindow(0)->windowTitle().toStdString();
  main->mi_Visio_DisconnectClick();
  EXPECT_EQ(main->lb_Status->text(), "Not connected");
  EXPECT_EQ(StatusBackground(*main), QColor(255, 255, 255));
  EXPECT_EQ(main->Shepherd->SheepCount(), 1);
  EXPECT_EQ(TreeWindow(0)->windowTitle().toStdString(), shown);
}

TEST_F(MainWindowTest, ConnectWhenVisioCannotBeReachedOpensNoWindow) {
  standin::UnregisterVisio(cookie);
  main->mi_Visio_ConnectClick();
  EXPECT_EQ(main->lb_Status->text(), "Not connected");
  // Why is told beside the label.
  EXPECT_EQ(main->lb_Status->toolTip().toStdString(),
            "Visio could not be started: Class not registered (0x80040154)");
  EXPECT_EQ(main->Shepherd->SheepCount(), 0);
  standin::StandinOptions options;
  cookie = standin::RegisterVisio(std::move(options));
}

TEST_F(MainWindowTest, NewWindowForTheSelectedShape) {
  main->mi_Visio_NewWin_SelShapeClick();
  EXPECT_EQ(messages.messages, (std::vector<std::string>{"Not connected"}));
  EXPECT_EQ(main->Shepherd->SheepCount(), 0);

  main->mi_Visio_ConnectClick();
  messages.messages.clear();
  // The demo drawing has one shape selected.
  main->mi_Visio_NewWin_SelShapeClick();
  ASSERT_EQ(main->Shepherd->SheepCount(), 2);
  Tfm_VisioTreeView* window = TreeWindow(1);
  TTreeItem* root = window->Tree().First();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->Text().rfind("Shape  \"", 0), 0u) << root->Text();
  EXPECT_EQ(window->windowTitle().toStdString(), root->Text());
  EXPECT_EQ(window->pos().x(), 250 + TreeWindow(0)->frameGeometry().width());

  // Two shapes selected: the message, no window and no number used.
  VisioController.App.Get("ActiveWindow").ToObject().Invoke("SelectAll");
  main->mi_Visio_NewWin_SelShapeClick();
  EXPECT_EQ(messages.messages, (std::vector<std::string>{"Please select exactly one shape."}));
  EXPECT_EQ(main->Shepherd->SheepCount(), 2);
  EXPECT_EQ(main->Shepherd->SheepSerial(), 2);
}

// The Windows menu names the open tree windows in flock order; an item
// brings its window back to the front, Close All closes them all.
TEST_F(MainWindowTest, TheWindowsMenuListsTheTreeWindowsAndClosesThemAll) {
  main->mi_Visio_ConnectClick();
  main->mi_Visio_NewWin_SelShapeClick();
  ASSERT_EQ(main->Shepherd->SheepCount(), 2);
  main->mm_WindowsPopup();
  std::vector<std::string> captions;
  for (QAction* item : main->mm_Windows->actions()) {
    captions.push_back(item->isSeparator() ? "-" : item->text().toStdString());
  }
  EXPECT_EQ(captions,
            (std::vector<std::string>{TreeWindow(0)->windowTitle().toStdString(),
                                      TreeWindow(1)->windowTitle().toStdString(), "-",
                                      "&Close All Tree Windows", "&Reopen Last Run's Windows"}));
  EXPECT_TRUE(main->mi_Windows_CloseAll->isEnabled());

  TreeWindow(1)->hide();
  main->mm_Windows->actions().at(1)->trigger();
  EXPECT_TRUE(TreeWindow(1)->isVisible());

  const QPointer<QWidget> first = TreeWindow(0);
  main->mi_Windows_CloseAll->trigger();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(first.isNull());
  EXPECT_EQ(main->Shepherd->SheepCount(), 0);
  main->mm_WindowsPopup();
  EXPECT_FALSE(main->mi_Windows_CloseAll->isEnabled());
  EXPECT_TRUE(messages.messages.empty());
}

// What one run leaves, the next finds: the refresh interval and the main
// window's place at once, the tree windows (their roots, places and sizes)
// when asked to reopen them. A root that is gone by then is said, not
// shown.
TEST_F(MainWindowTest, TheNextRunFindsTheIntervalThePlaceAndTheWindowsAgain) {
  main->mi_Visio_ConnectClick();
  main->mi_Visio_NewWin_SelShapeClick();
  const automation::ObjectRef page = VisioController.App.Get("ActivePage").ToObject();
  const automation::ObjectRef shape =
      page.Get("Shapes").ToObject().Get("Item", {Variant(2)}).ToObject();
  Tfm_VisioTreeView* cellWindow = main->NewTreeWindow();
  auto& cell = MakeNode<TND_IVCell>(
      "Cell", -1, cellWindow->Tree(), nullptr, nullptr, kNoIndex, TAccessKind::ReadWrite,
      TIndexStyle::NoIndex, TVisObjSource::SupplyOnCreate, TNodeKind::VisObject, nullptr, nullptr);
  const automation::ObjectRef width = shape.Get("Cells", {Variant("Width")}).ToObject();
  cell.VisObj = width;
  cell.Refresh(0);
  // A shape deleted before the next run leaves its window behind.
  const automation::ObjectRef doomed =
      page.Get("Shapes").ToObject().Get("Item", {Variant(3)}).ToObject();
  MakeShapeRoot(main->NewTreeWindow()->Tree(), doomed);
  ASSERT_EQ(main->Shepherd->SheepCount(), 4);
  TreeWindow(1)->resize(333, 222);
  TreeWindow(1)->move(400, 500);
  TKTSheep::Of(TreeWindow(1))->RecordOffset();
  main->tm_Refresh->setInterval(750);
  main->move(260, 110);

  struct Seen {
    std::string caption;
    QPoint offset;
    QSize size;
    bool operator==(const Seen&) const = default;
  };
  std::vector<Seen> before;
  for (std::int32_t i = 0; i < 3; ++i) {
    before.push_back(
        {TreeWindow(i)->Tree().First()->Text(),
         QPoint(TKTSheep::Of(TreeWindow(i))->OffsetX(), TKTSheep::Of(TreeWindow(i))->OffsetY()),
         TreeWindow(i)->size()});
  }
  main->SaveSession();
  doomed.Invoke("Delete");
  CloseTreeWindows();
  main.reset();

  main = std::make_unique<Tfm_Main>();
  main->show();
  EXPECT_EQ(main->tm_Refresh->interval(), 750);
  EXPECT_EQ(main->frameGeometry().topLeft(), QPoint(260, 110));
  EXPECT_EQ(main->Shepherd->SheepCount(), 0);
  main->mm_WindowsPopup();
  EXPECT_TRUE(main->mi_Windows_Reopen->isEnabled());

  main->mi_Windows_ReopenClick();
  ASSERT_EQ(main->Shepherd->SheepCount(), 3);  // the one still connected
  EXPECT_EQ(
      messages.messages,
      (std::vector<std::string>{
          "1 of 4 windows of the last run could not be reopened: what they showed is gone."}));
  std::vector<Seen> after;
  for (std::int32_t i = 0; i < 3; ++i) {
    after.push_back(
        {TreeWindow(i)->Tree().First()->Text(),
         QPoint(TKTSheep::Of(TreeWindow(i))->OffsetX(), TKTSheep::Of(TreeWindow(i))->OffsetY()),
         TreeWindow(i)->size()});
    EXPECT_EQ(TreeWindow(i)->windowTitle().toStdString(), after.back().caption);
  }
  EXPECT_EQ(after, before);
  EXPECT_TRUE(automation::SameObject(
      dynamic_cast<TND_IVCell*>(TreeWindow(2)->Tree().First()->Data())->VisObj, width))
      << "the cell itself, not its formula";
}

// Settings are a file anyone may have edited: what is out of bounds or of
// the wrong kind is left out, the rest is read.
TEST(SessionTest, WhatIsReadBackIsCheckedAndBounded) {
  const QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString file = dir.filePath("tarvel.ini");
  const TRootPlace root{"TND_IVShape", "Shape", "Application.ActivePage"};
  {
    QSettings settings(file, QSettings::IniFormat);
    TSession session;
    session.refreshInterval = 750;
    session.mainPosition = QPoint(-20, 30);
    for (int i = 0; i < 70; ++i)
      session.windows.push_back({root, QPoint(i, 2 * i), QSize(300, 200)});
    WriteSession(settings, session);
  }
  {
    QSettings settings(file, QSettings::IniFormat);
    const TSession session = ReadSession(settings);
    EXPECT_EQ(session.refreshInterval, 750);
    EXPECT_EQ(session.mainPosition, QPoint(-20, 30));
    ASSERT_EQ(session.windows.size(), kMaxRememberedWindows);
    EXPECT_EQ(session.windows[5].offset, QPoint(5, 10));
    EXPECT_EQ(session.windows[5].root.path, root.path);
  }
  struct Case {
    const char* key;
    QVariant value;
  };
  const std::vector<Case> hostile = {
      {"Main/RefreshInterval", 10},
      {"Main/RefreshInterval", "soon"},
      {"Main/Position", QPoint(5000000, 0)},
      {"TreeWindows/1/RootPath", QString(int(kMaxCodeText) + 1, 'A')},
      {"TreeWindows/2/RootClass", ""},
      {"TreeWindows/3/Size", QSize(0, 200)},
      {"TreeWindows/4/Size", "big"},
      {"TreeWindows/5/Offset", QPoint(-300000, 0)},
      {"TreeWindows/size", 1000000},
  };
  QSettings settings(file, QSettings::IniFormat);
  for (const Case& c : hostile) settings.setValue(c.key, c.value);
  const TSession session = ReadSession(settings);
  EXPECT_FALSE(session.refreshInterval);
  EXPECT_FALSE(session.mainPosition);
  ASSERT_EQ(session.windows.size(), kMaxRememberedWindows - 5);
  // The file counts entries from 1: the first five are the ones spoiled.
  EXPECT_EQ(session.windows[0].offset, QPoint(5, 10));
  EXPECT_EQ(session.windows[1].offset, QPoint(6, 12));
}

TEST_F(MainWindowTest, AboutShowsTheProductAndClosesWithOk) {
  const TModalRunner previous = SetModalRunner([](QDialog& dialog) {
    auto* about = qobject_cast<TAboutBox*>(&dialog);
    EXPECT_NE(about, nullptr);
    if (about == nullptr) return 0;
    EXPECT_EQ(about->windowTitle(), "About");
    EXPECT_EQ(about->ProductName->text(), "KTTarvel: Tarvel");
    EXPECT_EQ(about->Version->text(), "Version 1.0");
    EXPECT_EQ(about->size(), QSize(295, 136));
    about->OKButton->click();
    return about->result();
  });
  main->mi_AboutClick();
  EXPECT_EQ(main->AboutBox->result(), QDialog::Accepted);
  SetModalRunner(previous);
}

}  // namespace
