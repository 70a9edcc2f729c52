// The real tarvel-visio as a child process on the test program's private
// bus: attaching to it, starting it (by running it, or by the bus's
// activation), failing to start it, losing it, and sharing it.
#include <sys/socket.h>
#include <sys/un.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <sstream>
#include <thread>

#include "automation/dbus/Wire.h"
#include "standin/VisioErrors.h"
#include "standin/VisioObject.h"
#include "tests/dbus/VisioServerFixture.h"
#include "tests/support/SharedFile.h"

namespace visio_server_test {
namespace {

using automation::S_OK;

std::int32_t ProcessIdOf(const ObjectRef& app) {
  return app.Get("ProcessID").ToInt32();
}

// A process's command line, one word per element.
std::vector<std::string> CommandLine(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/cmdline", std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::vector<std::string> words;
  std::istringstream split(text);
  for (std::string word; std::getline(split, word, '\0');) words.push_back(word);
  return words;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST_F(VisioServerTest, GetActiveObjectAttachesToTheRunningServer) {
  Register();
  ObjectRef app;
  EXPECT_EQ(ActiveVisio(&app), automation::MK_E_UNAVAILABLE);
  // Attaching only starts nothing.
  EXPECT_EQ(VisioController.Connect(2), automation::E_FAIL);
  EXPECT_FALSE(bus->NameHasOwner(kVisioName));

  const pid_t server = StartServer({"--demo"});
  ASSERT_EQ(ActiveVisio(&app), S_OK);
  ASSERT_TRUE(app);
  EXPECT_EQ(ProcessIdOf(app), server);
  EXPECT_EQ(app.Get("Documents").ToObject().Get("Count"), Variant(std::int16_t{2}));
  EXPECT_EQ(app.Get("ActiveDocument").ToObject().Get("Name"), Variant("Demo Drawing.vsdx"));

  // Connect attaches to it as well, and starts no other.
  ASSERT_EQ(VisioController.Connect(3), S_OK);
  EXPECT_EQ(ProcessIdOf(VisioController.App), server);
  EXPECT_EQ(bus->OwnerProcess(kVisioName), server);
}

TEST_F(VisioServerTest, CoCreateInstanceStartsAServerWhenNoneRuns) {
  Register(true);
  ObjectRef app;
  ASSERT_EQ(CreateVisio(&app), S_OK);
  ASSERT_TRUE(app);
  const pid_t server = bus->OwnerProcess(kVisioName);
  EXPECT_EQ(ProcessIdOf(app), server);
  EXPECT_NE(server, ::getpid());
  EXPECT_EQ(CommandLine(server),
            (std::vector<std::string>{TARVEL_VISIO_BINARY, "--automation", "--demo"}));
  EXPECT_EQ(app.Get("Documents").ToObject().Get("Count"), Variant(std::int16_t{2}));

  // One server owns the name: creating again attaches to it.
  ObjectRef again;
  ASSERT_EQ(CreateVisio(&again), S_OK);
  EXPECT_EQ(ProcessIdOf(again), server);
  // So does Connect.
  ASSERT_EQ(VisioController.Connect(3), S_OK);
  EXPECT_EQ(ProcessIdOf(VisioController.App), server);
}

TEST_F(VisioServerTest, AServerStartedForAClientEndsWhenItsClientsHaveLeft) {
  // tarvel-tree starts one and leaves.
  const ProgramRun run = Tree({"--depth", "0"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.rfind("Application   \"", 0), 0u) << run.out;
  EXPECT_TRUE(bus->WaitForName(kVisioName, false)) << "the server stayed";

  // So does one this program started and let go of, though this program
  // stays on the bus.
  Register(false);
  {
    ObjectRef app;
    ASSERT_EQ(CreateVisio(&app), S_OK);
    EXPECT_EQ(app.Get("Documents").ToObject().Get("Count"), Variant(std::int16_t{0}));
  }
  EXPECT_TRUE(bus->WaitForName(kVisioName, false)) << "the server stayed for a client that let go";

  // One started by hand stays, and tarvel-tree shows it.
  const pid_t server = StartServer({"--demo"});
  const ProgramRun shown = Tree({});
  ASSERT_EQ(shown.status, 0) << shown.err;
  EXPECT_NE(shown.out.find("\n  ProcessID   = " + std::to_string(server) + "\n"), std::string::npos)
      << shown.out;
  EXPECT_EQ(bus->OwnerProcess(kVisioName), server);
}

TEST_F(VisioServerTest, AServerEndsWithItsBus) {
  // On a bus of its own, not the one this program is on.
  tarvel_test::PrivateBus session;
  ASSERT_TRUE(session.Ok()) << session.Error();
  const pid_t server =
      tarvel_test::StartProgram({TARVEL_VISIO_BINARY, "--demo"}, session.Environment());
  started.push_back(server);
  ASSERT_TRUE(session.WaitForName(kVisioName, true));
  session.StopDaemon();
  const int status = tarvel_test::WaitForProgram(server, std::chrono::seconds(10));
  if (status == -1) KillServer(server);
  EXPECT_EQ(status, 0) << "the server outlived its bus";
}

TEST_F(VisioServerTest, TheBusStartsTheRegisteredServer) {
  const std::string serviceFile = bus->ServiceDir() + "/org.tarvel.Visio.service";
  ProgramRun run = Visio({"--regserver"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out + run.err, "");
  EXPECT_EQ(ReadFile(serviceFile), "[D-BUS Service]\nName=org.tarvel.Visio\nExec=" +
                                       std::string(TARVEL_VISIO_BINARY) + " --automation\n");
  bus->ReloadConfig();
  const std::vector<std::string> activatable = bus->ActivatableNames();
  EXPECT_NE(std::find(activatable.begin(), activatable.end(), kVisioName), activatable.end());

  // Nothing else could start it: the program the client would run is not
  // there.
  qputenv("TARVEL_VISIO_PROGRAM", "/nonexistent/tarvel-visio");
  Register(true);
  ObjectRef app;
  ASSERT_EQ(CreateVisio(&app), S_OK);
  const pid_t server = bus->OwnerProcess(kVisioName);
  EXPECT_EQ(ProcessIdOf(app), server);
  EXPECT_EQ(CommandLine(server), (std::vector<std::string>{TARVEL_VISIO_BINARY, "--automation"}));
  // Started as the file says: no drawing, not the demo.
  EXPECT_EQ(app.Get("Documents").ToObject().Get("Count"), Variant(std::int16_t{0}));

  run = Visio({"--unregserver"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out + run.err, "");
  EXPECT_FALSE(std::ifstream(serviceFile).good());
  // Removing what is not there is no failure.
  EXPECT_EQ(Visio({"--unregserver"}).status, 0);
}

TEST_F(VisioServerTest, AProgramThatCannotStartIsAServerExecutionFailure) {
  qputenv("TARVEL_VISIO_PROGRAM", "/nonexistent/tarvel-visio");
  Register();
  ObjectRef app;
  EXPECT_EQ(CreateVisio(&app), automation::CO_E_SERVER_EXEC_FAILURE);
  EXPECT_FALSE(app);
  EXPECT_EQ(VisioController.Connect(3), automation::E_FAIL);
  EXPECT_FALSE(VisioController.IsConnected());
  EXPECT_FALSE(bus->NameHasOwner(kVisioName));
}

// tarvel-tree reading a server that is killed halfway does not pass for
// a success.
TEST_F(VisioServerTest, ATreeReadFromAServerKilledMidRunFails) {
  const pid_t server = StartServer({"--demo"});
  auto running = std::async(std::launch::async, [] { return Tree({"--depth", "5"}); });
  // A full run takes seconds.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  if (running.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
    GTEST_SKIP() << "the run ended before the server could be killed";
  }
  KillServer(server);
  const ProgramRun run = running.get();
  EXPECT_EQ(run.status, 3);
  // After whatever failed on the way, the reason.
  const std::string reason =
      "tarvel-tree: the link to Visio failed during the run, the tree is incomplete: " +
      Disconnected() + "\n";
  ASSERT_GE(run.err.size(), reason.size()) << run.err;
  EXPECT_EQ(run.err.substr(run.err.size() - reason.size()), reason) << run.err;
}

// The CPU time a process has used so far.
std::chrono::milliseconds CpuTime(pid_t pid) {
  const std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
  std::istringstream fields(stat.substr(stat.rfind(')') + 2));
  std::string field;
  long ticks = 0;
  // utime and stime are the 14th and 15th fields; the state is the 3rd.
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i >= 14) ticks += std::stol(field);
  }
  return std::chrono::milliseconds(ticks * 1000 / ::sysconf(_SC_CLK_TCK));
}

// Connections to a server that can open few files: ones that never
// authenticate, and ones that do and then stay silent. The server neither
// spins nor stops serving the connections that never authenticate hold
// no file for long; the others it serves as any client, as long as it can.
TEST_F(VisioServerTest, AFloodOfConnectionsCostsTheServerNoSpinning) {
  for (const bool authenticate : {false, true}) {
    SCOPED_TRACE(authenticate ? "authenticated" : "never authenticated");
    const std::string program = TARVEL_VISIO_BINARY;
    const pid_t server = tarvel_test::StartProgram(
        {"/bin/sh", "-c", "ulimit -n 128 && exec \"$0\" --demo", program});
    started.push_back(server);
    ASSERT_TRUE(bus->WaitForName(kVisioName, true)) << "tarvel-visio did not come up";
    QDBusMessage ask = QDBusMessage::createMethodCall(
        QString::fromStdString(kVisioName), QString::fromLatin1(standin::kVisioObjectPath),
        QString::fromLatin1(automation::dbus::kServerInterface), QStringLiteral("PeerAddress"));
    const QString address = QDBusConnection::sessionBus()
                                .call(ask, QDBus::Block, 10000)
                                .arguments()
                                .value(0)
                                .toString();
    ASSERT_TRUE(address.startsWith(QStringLiteral("unix:path="))) << address.toStdString();
    const std::string path = address.mid(10).section(QLatin1Char(','), 0, 0).toStdString();

    const std::string hello = std::string(1, '\0') + "AUTH EXTERNAL " +
                              QByteArray::number(::geteuid()).toHex().toStdString() +
                              "\r\nBEGIN\r\n";
    std::vector<int> flood;
    for (int i = 0; i < 200; ++i) {
      sockaddr_un to{};
      to.sun_family = AF_UNIX;
      path.copy(to.sun_path, sizeof(to.sun_path) - 1);
      const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
      ASSERT_GE(fd, 0);
      // Past the listening backlog a connection is refused: that is fine.
      if (::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof(to)) != 0) {
        ::close(fd);
        continue;
      }
      if (authenticate) ::send(fd, hello.data(), hello.size(), MSG_NOSIGNAL);
      flood.push_back(fd);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const auto before = CpuTime(server);
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const auto used = CpuTime(server) - before;
    EXPECT_LT(used, std::chrono::milliseconds(400)) << "the server spun";
    if (!authenticate) {
      const auto start = std::chrono::steady_clock::now();
      const ProgramRun run = Tree({"--depth", "0"});
      EXPECT_EQ(run.status, 0) << run.err;
      EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    }
    for (const int fd : flood) ::close(fd);
    KillServer(server);
    ASSERT_TRUE(bus->WaitForName(kVisioName, false));
  }
}

TEST_F(VisioServerTest, AKilledServerDisconnectsEveryProxyUntilAttachedAgain) {
  for (const bool peerToPeer : {true, false}) {
    SCOPED_TRACE(peerToPeer ? "peer-to-peer" : "over the bus");
    const pid_t server = StartServer({"--demo"});
    ObjectRef newApp;
    automation::dbus::TransportCounters before;
    {
      const ObjectRef app = Attach(peerToPeer);
      ASSERT_TRUE(app);
      const ObjectRef documents = app.Get("Documents").ToObject();
      const ObjectRef document = documents.Get("Item", {Variant(1)}).ToObject();
      const ObjectRef page = document.Get("Pages").ToObject().Get("Item", {Variant(1)}).ToObject();
      const ObjectRef shape = page.Get("Shapes").ToObject().Get("Item", {Variant(1)}).ToObject();
      const ObjectRef cell = shape.Get("Cells", {Variant("Width")}).ToObject();
      const ObjectRef window = app.Get("ActiveWindow").ToObject();
      const std::vector<ObjectRef> proxies = {app, documents, document, page, shape, cell, window};
      for (const ObjectRef& proxy : proxies) ASSERT_TRUE(proxy);

      KillServer(server);
      for (const ObjectRef& proxy : proxies) {
        EXPECT_EQ(Failure([&] { proxy.Get("Stat"); }), Disconnected());
        EXPECT_EQ(Failure([&] { proxy.Invoke("Anything", {Variant(1)}); }), Disconnected());
      }
      EXPECT_EQ(Failure([&] { cell.Put("Formula", Variant("2 in")); }), Disconnected());
      EXPECT_EQ(Failure([&] {
                  shape.QueryInterface(
                      automation::Guid::FromString("{2DE4B8E3-1C30-4B43-9A1F-5D3C0E3B9A11}"));
                }),
                Disconnected());

      // A new server is reached by attaching again; the old proxies stay
      // disconnected.
      const pid_t restarted = StartServer({"--demo"});
      newApp = Attach(peerToPeer);
      ASSERT_TRUE(newApp);
      EXPECT_EQ(ProcessIdOf(newApp), restarted);
      EXPECT_EQ(Failure([&] { documents.Get("Count"); }), Disconnected());
      before = automation::dbus::Counters();
    }
    // Letting go of the old proxies tells the new server nothing.
    EXPECT_EQ(newApp.Get("Documents").ToObject().Get("Count"), Variant(std::int16_t{2}));
    EXPECT_EQ(automation::dbus::Counters().releaseMessages, before.releaseMessages);
    newApp.Reset();
    bus->EndConnectedProcesses();
    ASSERT_TRUE(bus->WaitForName(kVisioName, false));
  }
}

TEST_F(VisioServerTest, TheControllerLosesAKilledServerAndConnectsToTheNextOne) {
  Register();
  const pid_t server = StartServer({"--demo"});
  ASSERT_EQ(VisioController.Connect(3), S_OK);
  const ObjectRef page = VisioController.App.Get("ActivePage").ToObject();
  ASSERT_TRUE(page);
  KillServer(server);
  EXPECT_EQ(Failure([&] { VisioController.App.Get("Name"); }), Disconnected());
  EXPECT_EQ(Failure([&] { page.Get("Name"); }), Disconnected());

  const pid_t restarted = StartServer({"--demo"});
  ASSERT_EQ(VisioController.Connect(3), S_OK);
  EXPECT_EQ(ProcessIdOf(VisioController.App), restarted);
  EXPECT_EQ(Failure([&] { page.Get("Name"); }), Disconnected());
}

TEST_F(VisioServerTest, ADeletedShapesReferenceAnswersVisiosError) {
  StartServer({"--demo"});
  const ObjectRef app = Attach();
  ASSERT_TRUE(app);
  const ObjectRef page = app.Get("ActivePage").ToObject();
  const ObjectRef shape =
      page.Invoke("DrawRectangle", {Variant(1.0), Variant(1.0), Variant(2.0), Variant(2.0)})
          .ToObject();
  ASSERT_TRUE(shape);
  const ObjectRef cell = shape.Get("Cells", {Variant("Width")}).ToObject();
  shape.Invoke("Delete");

  const std::string deleted =
      Failure(standin::VisioErrorCode(standin::VisioErrorKind::ObjectDeleted),
              standin::VisioErrorMessage(standin::VisioErrorKind::ObjectDeleted));
  EXPECT_EQ(Failure([&] { shape.Get("Name"); }), deleted);
  EXPECT_EQ(Failure([&] { shape.Put("Text", Variant("x")); }), deleted);
  EXPECT_EQ(shape.Get("Stat"), Variant(standin::kStatDeleted));
  EXPECT_EQ(cell.Get("Stat"), Variant(standin::kStatDeleted));
  // The rest of the attachment is unharmed.
  EXPECT_EQ(page.Get("Name"), Variant("Page-1"));
}

TEST_F(VisioServerTest, TwoClientsSeeEachOthersChanges) {
  StartServer({"--demo"});
  // Two attachments: one over its private connection, one over the bus.
  const ObjectRef appA = Attach(true);
  const ObjectRef appB = Attach(false);
  ASSERT_TRUE(appA && appB);
  const ObjectRef shapesA = appA.Get("ActivePage").ToObject().Get("Shapes").ToObject();
  const ObjectRef shapesB = appB.Get("ActivePage").ToObject().Get("Shapes").ToObject();
  const std::int16_t count = shapesB.Get("Count").ToInt16();

  const ObjectRef added =
      appA.Get("ActivePage")
          .ToObject()
          .Invoke("DrawRectangle", {Variant(1.0), Variant(1.0), Variant(3.0), Variant(2.0)})
          .ToObject();
  added.Put("Name", Variant("Added by A"));
  EXPECT_EQ(shapesB.Get("Count"), Variant(static_cast<std::int16_t>(count + 1)));
  const ObjectRef seenByB = shapesB.Get("Item", {Variant("Added by A")}).ToObject();
  ASSERT_TRUE(seenByB);
  EXPECT_EQ(seenByB.Get("ID"), added.Get("ID"));

  seenByB.Get("Cells", {Variant("Width")}).ToObject().Put("Formula", Variant("3 in"));
  const ObjectRef widthA = added.Get("Cells", {Variant("Width")}).ToObject();
  EXPECT_EQ(widthA.Get("Formula"), Variant("3 in"));
  EXPECT_EQ(widthA.Get("ResultIU"), Variant(3.0));
  EXPECT_EQ(shapesA.Get("Count"), shapesB.Get("Count"));

  // A third client in another process selects it, a fourth shows it.
  ProgramRun run = Visio({"--select", "Page-1", "Added by A"});
  ASSERT_EQ(run.status, 0) << run.err;
  run = Tree({"--selected-shape"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.rfind("Shape  \"\": (Added by A/Sheet.", 0), 0u) << run.out;
  EXPECT_NE(run.out.find("\n  Name   = \"Added by A\"\n"), std::string::npos) << run.out;
}

// Drawings a client is given open through Documents.Open: in a running
// Visio the first time the client reaches it, and in every Visio the client
// starts. What does not open is told with Visio's message.
TEST_F(VisioServerTest, DrawingsGivenToAClientOpenInTheVisioItReaches) {
  const std::string missing = "no-such-drawing.vsdx";
  std::vector<std::string> files = {missing};
  const std::string drawing = tarvel_test::SharedFile("vsdx/aspose_Layers_Drawing1.vsdx");
  const bool haveDrawing = !drawing.empty();
  if (haveDrawing) files.push_back(drawing);
  std::vector<std::string> failures;
  registrations.push_back(standin::RegisterVisioOnBus(
      files, false, [&](const std::string& file, const std::string& message) {
        failures.push_back(file + ": " + message);
      }));
  const std::string notFound =
      missing + ": \n\nFile not found: " + (std::filesystem::current_path() / missing).string();
  const auto documentCount = [](const ObjectRef& app) {
    return app.Get("Documents").ToObject().Get("Count").ToInt32();
  };

  StartServer({"--demo"});
  ObjectRef app;
  ASSERT_EQ(ActiveVisio(&app), S_OK);
  EXPECT_EQ(failures, std::vector<std::string>{notFound});
  EXPECT_EQ(documentCount(app), haveDrawing ? 3 : 2);  // the demo's two, and the drawing
  if (haveDrawing) {
    EXPECT_EQ(app.Get("ActiveDocument").ToObject().Get("FullName"), Variant(drawing));
  }
  ObjectRef again;
  ASSERT_EQ(ActiveVisio(&again), S_OK);
  EXPECT_EQ(failures.size(), 1u);
  EXPECT_EQ(documentCount(again), haveDrawing ? 3 : 2);

  app.Invoke("Quit");
  app.Reset();
  again.Reset();
  ASSERT_TRUE(bus->WaitForName(kVisioName, false)) << "Visio did not quit";
  ASSERT_EQ(CreateVisio(&app), S_OK);
  EXPECT_EQ(failures, (std::vector<std::string>{notFound, notFound}));
  EXPECT_EQ(documentCount(app), haveDrawing ? 1 : 0);
}

}  // namespace
}  // namespace visio_server_test
