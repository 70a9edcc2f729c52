// Tarvel's main window with Visio in its own process: Connect starting the
// server, another client changing the drawing between refreshes, the server
// refusing calls, and the server killed in the middle of a session. Every
// test runs on a private session bus of its own.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QLabel>
#include <QPointer>
#include <QProcess>
#include <QSettings>
#include <QTest>
#include <QThread>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/KTSheep.h"
#include "app/Tarvel_Main.h"
#include "automation/Variant.h"
#include "automation/dbus/Client.h"
#include "lut/Tarvel_TreeNodeLUTs.h"
#include "standin/server/VisioBus.h"
#include "tests/lut/RecordingMessagePort.h"
#include "tests/support/PrivateBus.h"
#include "tools/Tarvel_EventMonitor.h"
#include "tree/Tarvel_Cells01.h"
#include "tree/Tarvel_TV01.h"
#include "tree/TreeModel.h"
#include "visio/KTVisio_Controller.h"

namespace {

using automation::ObjectRef;
using automation::Variant;

// The child of `item` whose caption starts with `name` followed by a blank,
// a bracket or a colon (expanding `item` first).
TTreeItem* Child(TTreeItem* item, const std::string& name) {
  if (item == nullptr) return nullptr;
  if (!item->Expanded()) item->Expand();
  for (int i = 0; i < item->Count(); ++i) {
    const std::string& text = item->Item(i)->Text();
    if (text.rfind(name, 0) == 0 &&
        (text.size() == name.size() || text[name.size()] == ' ' || text[name.size()] == '[' ||
         text[name.size()] == ':')) {
      return item->Item(i);
    }
  }
  return nullptr;
}

TTreeItem* Path(TTreeItem* root, const std::vector<std::string>& names) {
  TTreeItem* item = root;
  for (const std::string& name : names) item = Child(item, name);
  return item;
}

int CountChildren(TTreeItem* item, const std::string& name) {
  int n = 0;
  for (int i = 0; i < item->Count(); ++i) {
    if (item->Item(i)->Text().rfind(name + "[", 0) == 0) ++n;
  }
  return n;
}

class CrossProcessTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    tarvel_test::ProcessBus();
    BuildVisioConstantCatalogue();
    BuildCellCatalogue();
  }

  void SetUp() override {
    VisioController.Disconnect();
    VisioController.SetCallRefused(false);
    registration = standin::RegisterVisioOnBus({}, true);
    QSettings().clear();  // every test starts as a first run
    main = std::make_unique<Tfm_Main>();
    main->show();
  }

  void TearDown() override {
    std::vector<QPointer<QWidget>> windows;
    for (std::int32_t i = 0; i < main->Shepherd->SheepCount(); ++i) {
      windows.emplace_back(main->Shepherd->SheepFormAt(i));
    }
    for (const QPointer<QWidget>& window : windows) delete window.data();
    main.reset();
    try {
      if (VisioController.IsConnected()) VisioController.App.Invoke("Quit");
    } catch (const automation::AutomationError&) {
    }
    VisioController.Disconnect();
    automation::dbus::UnregisterBusClass(registration);
    VisioController.OnStatusChange = nullptr;
    VisioController.SetCallRefused(false);
    WaitForServerToEnd();
  }

  // The process that owns Visio's name, or 0.
  static pid_t ServerPid() {
    const QDBusReply<uint> pid = QDBusConnection::sessionBus().interface()->servicePid(
        QString::fromLatin1(standin::kVisioBusName));
    return pid.isValid() ? static_cast<pid_t>(pid.value()) : 0;
  }

  static void WaitForServerToEnd() {
    for (int i = 0; i < 500 && ServerPid() != 0; ++i) QThread::msleep(10);
  }

  // Another client of the same server, as a script would be: its own
  // connection, through the bus.
  static ObjectRef SecondClient() {
    ObjectRef app;
    automation::dbus::AttachOptions options;
    options.peerToPeer = false;
    EXPECT_NO_THROW(app = automation::dbus::AttachToServer(
                        QString::fromLatin1(standin::kVisioBusName),
                        QString::fromLatin1(standin::kVisioObjectPath), options));
    return app;
  }

  Tfm_VisioTreeView* TreeWindow(std::int32_t i) const {
    return qobject_cast<Tfm_VisioTreeView*>(main->Shepherd->SheepFormAt(i));
  }

  static void SetServerBusy(bool busy) {
    QProcess control;
    control.start(standin::VisioServerProgram(),
                  {QStringLiteral("--busy"), busy ? QStringLiteral("on") : QStringLiteral("off")});
    ASSERT_TRUE(control.waitForFinished(10000));
    ASSERT_EQ(control.exitCode(), 0) << control.readAllStandardError().toStdString();
  }

  automation::dbus::BusClassRegistration registration;
  std::unique_ptr<Tfm_Main> main;
  RecordingMessagePort messages;
};

TEST_F(CrossProcessTest, ConnectStartsVisioAndAnotherClientsChangesShowAtTheNextRefresh) {
  ASSERT_EQ(ServerPid(), 0);
  main->mi_Visio_ConnectClick();
  ASSERT_EQ(main->lb_Status->text(), "Connected");
  EXPECT_NE(ServerPid(), 0);
  ASSERT_EQ(main->Shepherd->SheepCount(), 1);
  TTreeItem* root = TreeWindow(0)->Tree().First();
  TTreeItem* shapes = Path(root, {"ActivePage", "Shapes", "Item"});
  ASSERT_NE(shapes, nullptr);
  shapes->Expand();
  const int before = CountChildren(shapes, "Item");
  ASSERT_GT(before, 1);
  const std::vector<std::string> pinX = {"Item[1]", "CellsSRC-Sections", "S[1]", "R[1]",
                                         "CellSRC[0]"};
  ASSERT_NE(Path(shapes, pinX), nullptr);
  EXPECT_EQ(Path(shapes, pinX)->Text(), "CellSRC[0]   \"PinX\" = \"2 in\"");

  // The other client adds a shape and changes a cell of the first one.
  ObjectRef other = SecondClient();
  ASSERT_TRUE(other);
  const ObjectRef page = other.Get("ActivePage").ToObject();
  page.Invoke("DrawRectangle", {Variant(1.0), Variant(1.0), Variant(2.0), Variant(2.0)});
  page.Get("Shapes").ToObject().Get("Item", {Variant(1)}).ToObject()
      .Get("Cells", {Variant("PinX")}).ToObject().Put("Formula", Variant("7.25 in"));

  main->bt_RefreshClick();
  EXPECT_EQ(main->lb_Status->text(), "Connected");
  EXPECT_EQ(CountChildren(shapes, "Item"), before + 1);
  ASSERT_NE(Path(shapes, pinX), nullptr);
  EXPECT_EQ(Path(shapes, pinX)->Text(), "CellSRC[0]   \"PinX\" = \"7.25 in\"");
}

// The event monitor hears what another client does to Visio in its own
// process, and the tree marks the cell that client wrote.
TEST_F(CrossProcessTest, TheEventMonitorLogsAnotherClientsChangeAndTheTreeMarksIt) {
  main->mi_Visio_ConnectClick();
  ASSERT_EQ(main->lb_Status->text(), "Connected");
  TTreeItem* pinX =
      Path(TreeWindow(0)->Tree().First(), {"ActivePage", "Shapes", "Item", "Item[1]",
                                           "CellsSRC-Sections", "S[1]", "R[1]", "CellSRC[0]"});
  ASSERT_NE(pinX, nullptr);
  main->mi_Visio_EventMonitorClick();
  main->EventMonitor->bt_StartClick();
  ASSERT_TRUE(main->EventMonitor->Listening());

  ObjectRef other = SecondClient();
  ASSERT_TRUE(other);
  other.Get("ActivePage")
      .ToObject()
      .Get("Shapes")
      .ToObject()
      .Get("Item", {Variant(1)})
      .ToObject()
      .Get("Cells", {Variant("PinX")})
      .ToObject()
      .Put("Formula", Variant("7.25 in"));

  std::vector<std::string> lines;
  for (int i = 0; i < 200 && lines.empty(); ++i) {
    QTest::qWait(20);
    lines = main->EventMonitor->ShownLines();
  }
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(lines[0].find(" CellChanged 10240 seq="), std::string::npos) << lines[0];
  EXPECT_NE(lines[0].find(" subject=Cell \"PinX\" of Shape "), std::string::npos) << lines[0];
  QTest::qWait(300);
  EXPECT_TRUE(pinX->Marks() & imReported);
}

TEST_F(CrossProcessTest, AnExpandedShapeDeletedByAnotherClientGoesFromTheTree) {
  main->mi_Visio_ConnectClick();
  ASSERT_EQ(main->lb_Status->text(), "Connected");
  TTreeItem* shapes = Path(TreeWindow(0)->Tree().First(), {"ActivePage", "Shapes", "Item"});
  ASSERT_NE(shapes, nullptr);
  shapes->Expand();
  const int count = CountChildren(shapes, "Item");
  ASSERT_GT(count, 1);
  const std::string last = "Item[" + std::to_string(count) + "]";
  TTreeItem* sections = Path(shapes, {last, "CellsSRC-Sections", "S[1]"});
  ASSERT_NE(sections, nullptr);
  ASSERT_TRUE(Child(shapes, last)->Expanded());

  ObjectRef other = SecondClient();
  ASSERT_TRUE(other);
  other.Get("ActivePage").ToObject().Get("Shapes").ToObject().Get("Item", {Variant(count)})
      .ToObject().Invoke("Delete");

  main->bt_RefreshClick();
  EXPECT_EQ(main->lb_Status->text(), "Connected");
  EXPECT_EQ(CountChildren(shapes, "Item"), count - 1);
  EXPECT_EQ(Child(shapes, last), nullptr);
  for (int i = 0; i < shapes->Count(); ++i) {
    EXPECT_EQ(shapes->Item(i)->Text().find("EXCEPTION"), std::string::npos)
        << shapes->Item(i)->Text();
  }
}

TEST_F(CrossProcessTest, ABusyServerTurnsTheLabelRedUntilItAcceptsCallsAgain) {
  main->mi_Visio_ConnectClick();
  ASSERT_EQ(main->lb_Status->text(), "Connected");
  TTreeItem* root = TreeWindow(0)->Tree().First();
  ASSERT_NE(Child(root, "Documents"), nullptr);

  SetServerBusy(true);
  main->bt_RefreshClick();
  EXPECT_EQ(main->lb_Status->text(), "Last call refused");
  // Refused calls keep open branches open.
  EXPECT_TRUE(root->Expanded());

  SetServerBusy(false);
  main->bt_RefreshClick();
  EXPECT_EQ(main->lb_Status->text(), "Connected");
  EXPECT_TRUE(root->Expanded());
}

TEST_F(CrossProcessTest, AServerProgramThatCannotStartIsNamedInTheReason) {
  automation::dbus::UnregisterBusClass(registration);
  qputenv("TARVEL_VISIO_PROGRAM", "/nonexistent/tarvel-visio");
  registration = standin::RegisterVisioOnBus({}, true);
  qunsetenv("TARVEL_VISIO_PROGRAM");
  main->mi_Visio_ConnectClick();
  EXPECT_EQ(main->lb_Status->text(), "Not connected");
  EXPECT_EQ(main->lb_Status->toolTip().toStdString(),
            "Visio could not be started: the server program \"/nonexistent/tarvel-visio\" could "
            "not be started");
  EXPECT_EQ(main->Shepherd->SheepCount(), 0);
  // A Connect that attaches clears the reason.
  automation::dbus::UnregisterBusClass(registration);
  registration = standin::RegisterVisioOnBus({}, true);
  main->mi_Visio_ConnectClick();
  EXPECT_EQ(main->lb_Status->text(), "Connected");
  EXPECT_EQ(main->lb_Status->toolTip(), QString());
}

TEST_F(CrossProcessTest, AKilledServerShowsTheDisconnectionAndConnectWorksAfterARestart) {
  main->mi_Visio_ConnectClick();
  ASSERT_EQ(main->lb_Status->text(), "Connected");
  TTreeItem* root = TreeWindow(0)->Tree().First();
  TTreeItem* documents = Child(root, "Documents");
  ASSERT_NE(documents, nullptr);
  TTreeItem* version = Child(root, "Version");
  ASSERT_NE(version, nullptr);

  const pid_t pid = ServerPid();
  ASSERT_NE(pid, 0);
  ASSERT_EQ(::kill(pid, SIGKILL), 0);
  WaitForServerToEnd();

  main->bt_RefreshClick();
  // The refresh finds Visio gone, and the label says so.
  EXPECT_EQ(main->lb_Status->text(), "Not connected");
  version = Child(root, "Version");
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(version->Text(),
            "Version   EXCEPTION: \"The object invoked has disconnected from its clients.\"= "
            "{No result}");

  // Connect starts a new Visio, and the new window reads it.
  main->mi_Visio_ConnectClick();
  EXPECT_EQ(main->lb_Status->text(), "Connected");
  ASSERT_EQ(main->Shepherd->SheepCount(), 2);
  EXPECT_NE(ServerPid(), 0);
  EXPECT_NE(ServerPid(), pid);
  TTreeItem* fresh = Child(TreeWindow(1)->Tree().First(), "Version");
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(fresh->Text().find("EXCEPTION"), std::string::npos) << fresh->Text();
}

}  // namespace
