// What a call to the stand-in Visio in another process costs, next to what
// the pieces under it cost: one property read through the automation layer
// (peer-to-peer and through the bus daemon), the same call made bare
// against a minimal echo server (with libdbus in the calling thread, as the
// automation layer makes it, and with QtDBus), and a ping-pong over a Unix
// socket pair (the floor no transport between two processes gets under). Then the
// tree over the other process: expanding the application root and
// refreshing 1,000 open items, with the round trips each makes next to the
// reads the same operation makes in process.
//
// Every process runs on CPU 0 (this program pins itself; its children and,
// through scripts/bench-dbus.sh, the bus daemon inherit it), so a call is
// a chain of context switches on one core rather than a hand-off between
// two cores, which is the set-up the ratio goals were stated for.
//
// Besides wall time, every kind of call gets the CPU time and the context
// switches it costs in all processes it passes, which stay steady when
// other programs share the core.
//
// Needs a session bus of its own: run it through scripts/bench-dbus.sh
// (dbus-run-session). Options: --rounds N (default 20) --calls N (per
// round and kind, default 500). The program re-runs itself as the echo
// server (--echo-server).
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServer>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "bench/TreeWalk.h"
#include "automation/Variant.h"
#include "automation/dbus/Client.h"
#include "automation/dbus/Native.h"
#include "bench/BusNames.h"
#include "bench/CallTally.h"
#include "lut/Tarvel_TreeNodeLUTs.h"
#include "standin/Application.h"
#include "standin/Demo.h"
#include "standin/server/VisioBus.h"
#include "tree/Tarvel_Cells01.h"
#include "tree/TreeModel.h"
#include "tree/VisObjectNodes.h"

namespace {

using automation::Args;
using automation::CallKind;
using automation::ObjectRef;
using automation::Variant;
using Clock = std::chrono::steady_clock;

const QString kEchoName = QStringLiteral("org.tarvel.BenchEcho");
const QString kEchoPath = QStringLiteral("/org/tarvel/BenchEcho");
const QString kEchoInterface = QStringLiteral("org.tarvel.Automation");

// ---- figures ----

struct Figures {
  double median = 0;  // microseconds
  double p99 = 0;
};

Figures Summarise(std::vector<double> samples) {
  if (samples.empty()) return {};
  std::sort(samples.begin(), samples.end());
  const std::size_t n = samples.size();
  const auto p99 = static_cast<std::size_t>(std::ceil(0.99 * static_cast<double>(n))) - 1;
  return {samples[n / 2], samples[std::min(p99, n - 1)]};
}

double Micros(Clock::duration d) {
  return std::chrono::duration<double, std::micro>(d).count();
}

// Times `calls` runs of `call`, one sample each.
void Sample(std::vector<double>& samples, int calls, const std::function<void()>& call) {
  for (int i = 0; i < calls; ++i) {
    const auto start = Clock::now();
    call();
    samples.push_back(Micros(Clock::now() - start));
  }
}

// What the threads of a process have used so far: time on a CPU, and
// context switches (voluntary or not). On a loaded machine the CPU time a
// call costs is steadier than its wall time, which includes other
// programs' turns on the core.
struct TUsage {
  std::uint64_t cpuNs = 0;
  std::uint64_t switches = 0;
  TUsage& operator+=(const TUsage& other) {
    cpuNs += other.cpuNs;
    switches += other.switches;
    return *this;
  }
};

TUsage UsageOf(qint64 pid) {
  TUsage usage;
  if (pid <= 0) return usage;
  const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
  for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    QFile schedstat(tasks.filePath(task) + QStringLiteral("/schedstat"));
    if (schedstat.open(QIODevice::ReadOnly)) {
      usage.cpuNs += schedstat.readAll().split(' ').value(0).toULongLong();
    }
    QFile status(tasks.filePath(task) + QStringLiteral("/status"));
    if (!status.open(QIODevice::ReadOnly)) continue;
    for (const QByteArray& line : status.readAll().split('\n')) {
      if (line.contains("ctxt_switches:"))
        usage.switches += line.mid(line.indexOf(':') + 1).trimmed().toULongLong();
    }
  }
  return usage;
}

void PinToFirstCore() {
  cpu_set_t cpus;
  CPU_ZERO(&cpus);
  CPU_SET(0, &cpus);
  if (sched_setaffinity(0, sizeof cpus, &cpus) != 0) {
    std::fprintf(stderr, "tarvel_bench_dbus: cannot pin to CPU 0 (%s); figures are for any core\n",
                 std::strerror(errno));
  }
}

// ---- the floor: a Unix socket pair between two processes ----

constexpr std::size_t kPingBytes = 64;

bool Transfer(int fd, char* buffer, bool reading) {
  std::size_t done = 0;
  while (done < kPingBytes) {
    const ssize_t n = reading ? ::read(fd, buffer + done, kPingBytes - done)
                              : ::write(fd, buffer + done, kPingBytes - done);
    if (n <= 0) {
      if (n < 0 && errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// A child that answers every message with one of the same size, until the
// socket closes. Forked before Qt starts any thread.
class TPingPong {
 public:
  TPingPong() {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) throw std::runtime_error("socketpair");
    child_ = ::fork();
    if (child_ < 0) throw std::runtime_error("fork");
    if (child_ == 0) {
      ::close(fds[0]);
      char buffer[kPingBytes];
      while (Transfer(fds[1], buffer, true) && Transfer(fds[1], buffer, false)) {
      }
      ::_exit(0);
    }
    ::close(fds[1]);
    fd_ = fds[0];
  }
  ~TPingPong() {
    ::close(fd_);
    ::waitpid(child_, nullptr, 0);
  }
  pid_t Pid() const { return child_; }
  void RoundTrip() {
    char buffer[kPingBytes] = "ping";
    if (!Transfer(fd_, buffer, false) || !Transfer(fd_, buffer, true)) {
      throw std::runtime_error("the ping-pong child is gone");
    }
  }

 private:
  int fd_ = -1;
  pid_t child_ = -1;
};

// ---- the echo server: the same call shape with nothing behind it ----

// Answers Get(s, av) with a variant holding a string, on the bus and on
// every peer connection; the address for peers goes to stdout.
class TEchoObject final : public QDBusVirtualObject {
 public:
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.interface() != kEchoInterface || message.member() != QLatin1String("Get")) {
      return false;
    }
    const QVariantList in = message.arguments();
    if (in.size() != 2 || in.at(0).toString() != QLatin1String("Version")) {
      connection.send(message.createErrorReply(QDBusError::InvalidArgs, QStringLiteral("Version")));
      return true;
    }
    connection.send(message.createReply(QVariant::fromValue(QDBusVariant(version_))));
    return true;
  }
  QString introspect(const QString&) const override { return {}; }

 private:
  const QString version_ = QStringLiteral("16.0");
};

// The same answer from libdbus, on the peer connections of a listener the
// echo server reads in its own event loop, as tarvel-visio reads its peers.
DBusHandlerResult NativeEcho(DBusConnection* connection, DBusMessage* message, void*) {
  if (!dbus_message_is_method_call(message, "org.tarvel.Automation", "Get")) {
    return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
  }
  DBusMessageIter in;
  const char* member = nullptr;
  if (!dbus_message_iter_init(message, &in) ||
      dbus_message_iter_get_arg_type(&in) != DBUS_TYPE_STRING ||
      (dbus_message_iter_get_basic(&in, &member), std::strcmp(member, "Version") != 0)) {
    automation::dbus::native::Message error(
        dbus_message_new_error(message, DBUS_ERROR_INVALID_ARGS, "Version"));
    dbus_connection_send(connection, error.get(), nullptr);
    return DBUS_HANDLER_RESULT_HANDLED;
  }
  automation::dbus::native::Message reply(dbus_message_new_method_return(message));
  DBusMessageIter out;
  DBusMessageIter variant;
  const char* version = "16.0";
  dbus_message_iter_init_append(reply.get(), &out);
  dbus_message_iter_open_container(&out, DBUS_TYPE_VARIANT, "s", &variant);
  dbus_message_iter_append_basic(&variant, DBUS_TYPE_STRING, &version);
  dbus_message_iter_close_container(&out, &variant);
  dbus_connection_send(connection, reply.get(), nullptr);
  return DBUS_HANDLER_RESULT_HANDLED;
}

struct TNativeEchoPeer {
  DBusConnection* connection;
  std::unique_ptr<automation::dbus::native::LoopBinding> binding;
};
std::deque<TNativeEchoPeer> nativeEchoPeers;

void OnNativeEchoPeer(DBusServer*, DBusConnection* connection, void*) {
  static const DBusObjectPathVTable vtable = {nullptr, &NativeEcho, nullptr,
                                              nullptr, nullptr,     nullptr};
  dbus_connection_ref(connection);
  dbus_connection_register_object_path(connection, "/org/tarvel/BenchEcho", &vtable, nullptr);
  nativeEchoPeers.push_back(
      {connection, std::make_unique<automation::dbus::native::LoopBinding>(connection)});
}

int RunEchoServer(int argc, char** argv) {
  QCoreApplication qt(argc, argv);
  automation::dbus::native::InitThreads();
  TEchoObject echo;
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.registerVirtualObject(kEchoPath, &echo) || !bus.registerService(kEchoName)) {
    std::fprintf(stderr, "echo server: cannot serve on the session bus\n");
    return 1;
  }
  QString runtime = QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR"));
  if (runtime.isEmpty() || !QDir(runtime).exists()) runtime = QDir::tempPath();
  QDBusServer peers(QStringLiteral("unix:dir=") + runtime);
  QObject::connect(&peers, &QDBusServer::newConnection, [&echo](const QDBusConnection& c) {
    QDBusConnection(c).registerVirtualObject(kEchoPath, &echo);
  });
  const std::string nativeAddress = "unix:dir=" + runtime.toStdString();
  DBusServer* nativePeers = dbus_server_listen(nativeAddress.c_str(), nullptr);
  if (nativePeers == nullptr) {
    std::fprintf(stderr, "echo server: cannot listen at %s\n", nativeAddress.c_str());
    return 1;
  }
  dbus_server_set_new_connection_function(nativePeers, &OnNativeEchoPeer, nullptr, nullptr);
  automation::dbus::native::LoopBinding nativeBinding(nativePeers);
  char* listening = dbus_server_get_address(nativePeers);
  std::printf("%s\n%s\n", qPrintable(peers.address()), listening);
  dbus_free(listening);
  std::fflush(stdout);
  return QCoreApplication::exec();
}

QString BareGet(const QDBusConnection& connection, const QString& service) {
  QDBusMessage call =
      QDBusMessage::createMethodCall(service, kEchoPath, kEchoInterface, QStringLiteral("Get"));
  call.setArguments({QVariant(QStringLiteral("Version")), QVariant(QVariantList())});
  const QDBusMessage reply = connection.call(call, QDBus::Block, 30000);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
    throw std::runtime_error("echo call failed: " + reply.errorMessage().toStdString());
  }
  return reply.arguments().at(0).value<QDBusVariant>().variant().toString();
}

// The same call with libdbus in this thread, as the automation layer makes
// it: destination is the bus name, or null on a peer connection.
void NativeBareGet(DBusConnection* connection, const char* destination) {
  automation::dbus::native::Message call(dbus_message_new_method_call(
      destination, "/org/tarvel/BenchEcho", "org.tarvel.Automation", "Get"));
  DBusMessageIter out;
  DBusMessageIter args;
  const char* member = "Version";
  dbus_message_iter_init_append(call.get(), &out);
  dbus_message_iter_append_basic(&out, DBUS_TYPE_STRING, &member);
  dbus_message_iter_open_container(&out, DBUS_TYPE_ARRAY, "v", &args);
  dbus_message_iter_close_container(&out, &args);
  DBusError error;
  dbus_error_init(&error);
  automation::dbus::native::Message reply(
      dbus_connection_send_with_reply_and_block(connection, call.get(), 30000, &error));
  if (!reply) {
    const std::string text = error.message != nullptr ? error.message : "?";
    dbus_error_free(&error);
    throw std::runtime_error("echo call failed: " + text);
  }
  DBusMessageIter in;
  DBusMessageIter variant;
  const char* version = nullptr;
  dbus_message_iter_init(reply.get(), &in);
  dbus_message_iter_recurse(&in, &variant);
  dbus_message_iter_get_basic(&variant, &version);
  if (version == nullptr || std::strcmp(version, "16.0") != 0) {
    throw std::runtime_error("echo call answered something else");
  }
}

// ---- the tree ----

// The calls the tree makes on the in-process stand-in are counted with
// bench::TTallied in front of the application object: every Invoke is one
// read (or write) a transport has to carry, and every Supports question for
// an interface other than IUnknown and IDispatch one more that a proxy
// cannot answer by itself. Those are the round trips the operation needs.
using bench::TCallTally;

using bench::ExpandTo;

constexpr std::size_t kRefreshItems = 1000;

struct TTreeFigures {
  Figures expand;
  std::uint64_t expandTrips = 0;
  std::uint64_t expandReleases = 0;  // one-way release messages, collapsing included
  Figures refresh;
  std::uint64_t refreshTrips = 0;
  std::uint64_t refreshReleases = 0;
  std::size_t items = 0;
};

std::uint64_t Trips() {
  return automation::dbus::Counters().roundTrips;
}
std::uint64_t Releases() {
  return automation::dbus::Counters().releaseMessages;
}

TTreeFigures MeasureTree(const ObjectRef& app, int expandRuns, int refreshRuns) {
  TTreeFigures out;
  {
    TTreeModel tree;
    TTreeItem& root = *MakeApplicationRoot(tree, app).TreeNode;
    std::vector<double> samples;
    for (int i = 0; i < expandRuns; ++i) {
      const std::uint64_t before = Trips();
      const std::uint64_t releasesBefore = Releases();
      const auto start = Clock::now();
      root.Expand();
      samples.push_back(Micros(Clock::now() - start));
      out.expandTrips = Trips() - before;
      root.Collapse();
      out.expandReleases = Releases() - releasesBefore;
    }
    out.expand = Summarise(std::move(samples));
  }
  {
    TTreeModel tree;
    TTVNodeData& root = MakeApplicationRoot(tree, app);
    ExpandTo(tree, kRefreshItems);
    out.items = tree.ItemCount();
    std::vector<double> samples;
    for (int i = 0; i < refreshRuns; ++i) {
      const std::uint64_t before = Trips();
      const std::uint64_t releasesBefore = Releases();
      const auto start = Clock::now();
      root.Refresh(2);
      samples.push_back(Micros(Clock::now() - start));
      out.refreshTrips = Trips() - before;
      out.refreshReleases = Releases() - releasesBefore;
    }
    out.refresh = Summarise(std::move(samples));
  }
  return out;
}

struct TInProcessCounts {
  TCallTally expand;
  TCallTally refresh;
  std::size_t items = 0;
  TTreeFigures times;
};

TInProcessCounts CountInProcess(int expandRuns, int refreshRuns) {
  standin::StandinOptions options;
  options.onStart = [](standin::Application& visio) { standin::BuildDemoDrawing(visio); };
  const automation::Ref<standin::Application> visio = standin::StartVisio(options);
  TInProcessCounts out;
  {
    TTreeModel tree;
    TTreeItem& root = *MakeApplicationRoot(tree, automation::MakeRef<bench::TTallied>(
                                                     ObjectRef(visio), &out.expand))
                           .TreeNode;
    out.expand = {};
    root.Expand();
  }
  {
    TTreeModel tree;
    TTVNodeData& root = MakeApplicationRoot(
        tree, automation::MakeRef<bench::TTallied>(ObjectRef(visio), &out.refresh));
    ExpandTo(tree, kRefreshItems);
    out.items = tree.ItemCount();
    out.refresh = {};
    root.Refresh(2);
  }
  out.times = MeasureTree(ObjectRef(visio), expandRuns, refreshRuns);
  visio->Quit();
  return out;
}

// ---- the table ----

void Row(const char* what, const Figures& f, const std::string& note = {}) {
  std::printf("  %-58s %10.1f %10.1f  %s\n", what, f.median, f.p99, note.c_str());
}

void Ratio(const char* what, double value, double goal) {
  std::printf("  %-58s %9.2fx  (goal <= %.2fx: %s)\n", what, value, goal,
              value <= goal ? "met" : "MISSED");
}

// Children end when the benchmark does, whichever way it ends.
void EndWithParent() {
  ::prctl(PR_SET_PDEATHSIG, SIGTERM);
}

int Fail(const std::string& why) {
  std::fprintf(stderr, "tarvel_bench_dbus: %s\n", why.c_str());
  return 1;
}

int Bench(int argc, char** argv) {
  int rounds = 20;
  int perRound = 500;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::string_view(argv[i]) == "--rounds") rounds = std::max(1, std::atoi(argv[i + 1]));
    if (std::string_view(argv[i]) == "--calls") perRound = std::max(1, std::atoi(argv[i + 1]));
  }

  TPingPong ping;  // before Qt: the child is forked from a single thread
  QCoreApplication qt(argc, argv);
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    return Fail("no session bus; run it through scripts/bench-dbus.sh (dbus-run-session)");
  }
  for (const QString& name : {QString::fromLatin1(standin::kVisioBusName), kEchoName}) {
    if (bus.interface()->isServiceRegistered(name).value()) {
      return Fail(name.toStdString() + " is owned already on this bus; use a bus of its own");
    }
  }

  // The servers, as children pinned to the same core.
  QProcess echo;
  echo.setChildProcessModifier(EndWithParent);
  echo.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  echo.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--echo-server")});
  if (!echo.waitForReadyRead(10000)) return Fail("the echo server did not start");
  const QString echoAddress = QString::fromLocal8Bit(echo.readLine()).trimmed();
  while (!echo.canReadLine() && echo.waitForReadyRead(10000)) {
  }
  const std::string nativeEchoAddress = echo.readLine().trimmed().toStdString();
  QProcess visio;
  visio.setChildProcessModifier(EndWithParent);
  visio.setProcessChannelMode(QProcess::ForwardedChannels);
  visio.start(standin::VisioServerProgram(), {QStringLiteral("--demo")});
  if (!bench::WaitForName(bus, kEchoName, 10000) ||
      !bench::WaitForName(bus, QString::fromLatin1(standin::kVisioBusName), 15000)) {
    return Fail("the servers did not come up on the bus");
  }

  QDBusConnection echoPeer =
      QDBusConnection::connectToPeer(echoAddress, QStringLiteral("bench-echo-peer"));
  if (!echoPeer.isConnected()) return Fail("cannot connect to the echo server's peer address");
  automation::dbus::native::InitThreads();
  DBusConnection* nativeEchoPeer = dbus_connection_open_private(nativeEchoAddress.c_str(), nullptr);
  DBusConnection* nativeBus = dbus_bus_get_private(DBUS_BUS_SESSION, nullptr);
  if (nativeEchoPeer == nullptr || nativeBus == nullptr) {
    return Fail("cannot connect to the echo server with libdbus");
  }
  dbus_connection_set_exit_on_disconnect(nativeBus, FALSE);
  const std::string echoName = kEchoName.toStdString();

  ObjectRef appPeer;
  ObjectRef appBus;
  automation::dbus::AttachOptions overBus;
  overBus.peerToPeer = false;
  const QString visioName = QString::fromLatin1(standin::kVisioBusName);
  const QString visioPath = QString::fromLatin1(standin::kVisioObjectPath);
  try {
    appPeer = automation::dbus::AttachToServer(visioName, visioPath);
    appBus = automation::dbus::AttachToServer(visioName, visioPath, overBus);
  } catch (const automation::AutomationError&) {
    return Fail("cannot attach to tarvel-visio");
  }

  // Each kind of call in turn, round after round, so that all see the same
  // machine (other work on the core moves every figure alike).
  // CPU time and context switches per call are counted in every process
  // the call passes: this one, the serving one and the bus daemon.
  const qint64 daemon = bus.interface()->servicePid(QStringLiteral("org.freedesktop.DBus")).value();
  struct TKind {
    const char* label;
    std::function<void()> call;
    qint64 server;
    std::vector<double> samples;
    TUsage usage;
  };
  std::vector<TKind> kinds;
  kinds.push_back({"c. Unix socket pair ping-pong (64 bytes each way)",
                   [&] { ping.RoundTrip(); },
                   ping.Pid(),
                   {},
                   {}});
  kinds.push_back({"b. bare libdbus Get(sav)->v, peer-to-peer",
                   [&] { NativeBareGet(nativeEchoPeer, nullptr); },
                   echo.processId(),
                   {},
                   {}});
  kinds.push_back({"b. bare libdbus Get(sav)->v, through the bus daemon",
                   [&] { NativeBareGet(nativeBus, echoName.c_str()); },
                   echo.processId(),
                   {},
                   {}});
  kinds.push_back({"b. bare QtDBus Get(sav)->v, peer-to-peer",
                   [&] { BareGet(echoPeer, QString()); },
                   echo.processId(),
                   {},
                   {}});
  kinds.push_back({"b. bare QtDBus Get(sav)->v, through the bus daemon",
                   [&] { BareGet(bus, kEchoName); },
                   echo.processId(),
                   {},
                   {}});
  kinds.push_back({"a. automation app.Get(\"Version\"), peer-to-peer",
                   [&] { appPeer.Get("Version").ToString(); },
                   visio.processId(),
                   {},
                   {}});
  kinds.push_back({"a. automation app.Get(\"Version\"), through the bus daemon",
                   [&] { appBus.Get("Version").ToString(); },
                   visio.processId(),
                   {},
                   {}});
  // An object read and dropped: a proxy made, and its release sent along
  // with the next call.
  kinds.push_back({"   an object read and dropped (ActiveDocument), peer-to-peer",
                   [&] { appPeer.Get("ActiveDocument").ToObject(); },
                   visio.processId(),
                   {},
                   {}});
  for (TKind& kind : kinds) {
    Sample(kind.samples, perRound / 5 + 1, kind.call);  // warm-up, dropped
    kind.samples.clear();
  }
  const auto usage = [&](const TKind& kind) {
    TUsage total = UsageOf(QCoreApplication::applicationPid());
    total += UsageOf(kind.server);
    total += UsageOf(daemon);
    return total;
  };
  for (int round = 0; round < rounds; ++round) {
    for (TKind& kind : kinds) {
      const TUsage before = usage(kind);
      Sample(kind.samples, perRound, kind.call);
      const TUsage after = usage(kind);
      kind.usage.cpuNs += after.cpuNs - before.cpuNs;
      kind.usage.switches += after.switches - before.switches;
    }
  }
  const double callsPerKind = static_cast<double>(rounds) * perRound;
  const auto cpuPerCall = [&](const TKind& kind) {
    return static_cast<double>(kind.usage.cpuNs) / 1000 / callsPerKind;
  };
  std::vector<Figures> figures;
  for (TKind& kind : kinds) figures.push_back(Summarise(std::move(kind.samples)));
  enum : std::size_t { kFloor, kNativePeer, kNativeBus, kQtPeer, kQtBus, kAutoPeer, kAutoBus };
  const Figures& floor = figures[kFloor];
  const Figures& nativePeer = figures[kNativePeer];
  const Figures& nativeBusFigures = figures[kNativeBus];
  const Figures& qtPeer = figures[kQtPeer];
  const Figures& qtBus = figures[kQtBus];
  const Figures& autoPeer = figures[kAutoPeer];
  const Figures& autoBus = figures[kAutoBus];

  BuildVisioConstantCatalogue();
  BuildCellCatalogue();
  const TInProcessCounts inProcess = CountInProcess(51, 21);
  const TTreeFigures treePeer = MeasureTree(appPeer, 51, 21);
  const TTreeFigures treeBus = MeasureTree(appBus, 51, 21);

  QFile loadavg(QStringLiteral("/proc/loadavg"));
  const QByteArray load = loadavg.open(QIODevice::ReadOnly) ? loadavg.readAll().trimmed() : "?";
  std::printf(
      "Cross-process calls, every process on CPU 0; %d x %d calls each, interleaved "
      "(load average %s)\n\n",
      rounds, perRound, load.constData());
  std::printf("  %-58s %10s %10s  %s\n", "microseconds per call (wall time)", "median", "p99",
              "per call in all processes: CPU us, context switches");
  for (std::size_t i = 0; i < kinds.size(); ++i) {
    char perCall[64];
    std::snprintf(perCall, sizeof perCall, "%6.1f %6.1f", cpuPerCall(kinds[i]),
                  static_cast<double>(kinds[i].usage.switches) / callsPerKind);
    Row(kinds[i].label, figures[i], perCall);
  }

  std::printf("\n  %-58s %10s %10s  %s\n", "d. the tree (microseconds per operation)", "median",
              "p99", "round trips / calls in process");
  const auto note = [](std::uint64_t trips, const TCallTally& calls) {
    std::string text = std::to_string(trips) + " / " + std::to_string(calls.invokes);
    if (calls.supports > 0) text += " + " + std::to_string(calls.supports) + " Supports";
    if (trips > calls.invokes + calls.supports) text += "  MORE ROUND TRIPS THAN CALLS";
    return text;
  };
  Row("expand the application root, in process", inProcess.times.expand,
      std::to_string(inProcess.expand.invokes) + " calls");
  Row("expand the application root, peer-to-peer", treePeer.expand,
      note(treePeer.expandTrips, inProcess.expand));
  Row("expand the application root, through the bus daemon", treeBus.expand,
      note(treeBus.expandTrips, inProcess.expand));
  Row("refresh 1,000 expanded items, in process", inProcess.times.refresh,
      std::to_string(inProcess.refresh.invokes) + " calls (" + std::to_string(inProcess.items) +
          " items)");
  Row("refresh 1,000 expanded items, peer-to-peer", treePeer.refresh,
      note(treePeer.refreshTrips, inProcess.refresh) + " (" + std::to_string(treePeer.items) +
          " items)");
  Row("refresh 1,000 expanded items, through the bus daemon", treeBus.refresh,
      note(treeBus.refreshTrips, inProcess.refresh));
  std::printf("  one-way release messages, peer-to-peer: expand and collapse %" PRIu64
              ", refresh %" PRIu64 "\n",
              treePeer.expandReleases, treePeer.refreshReleases);
  std::printf("  refresh per round trip, peer-to-peer: %.1f (in-process share %.1f)\n",
              treePeer.refresh.median /
                  static_cast<double>(std::max<std::uint64_t>(1, treePeer.refreshTrips)),
              inProcess.times.refresh.median /
                  static_cast<double>(std::max<std::uint64_t>(1, inProcess.refresh.invokes)));

  // The frequent calls go peer-to-peer; the bus daemon finds the server
  // and carries what clients without a peer connection send.
  std::printf("\n  ratios of medians\n");
  Ratio("cross-process read (automation, peer-to-peer) / floor", autoPeer.median / floor.median, 8);
  std::printf("  %-58s %9.2fx\n", "cross-process read (automation, bus daemon) / floor",
              autoBus.median / floor.median);
  Ratio("automation / bare libdbus, peer-to-peer", autoPeer.median / nativePeer.median, 1.25);
  Ratio("automation / bare libdbus, bus daemon", autoBus.median / nativeBusFigures.median, 1.25);
  const auto plain = [](const char* label, double ratio) {
    std::printf("  %-58s %9.2fx\n", label, ratio);
  };
  plain("bare libdbus peer-to-peer / floor", nativePeer.median / floor.median);
  plain("bare QtDBus peer-to-peer / floor", qtPeer.median / floor.median);
  plain("bare QtDBus bus daemon / floor", qtBus.median / floor.median);
  plain("automation peer-to-peer / bare QtDBus peer-to-peer", autoPeer.median / qtPeer.median);
  std::printf("\n  ratios of CPU time per call (steadier on a busy machine)\n");
  const auto cpu = [&](std::size_t i) { return cpuPerCall(kinds[i]); };
  plain("automation peer-to-peer / floor", cpu(kAutoPeer) / cpu(kFloor));
  plain("automation bus daemon / floor", cpu(kAutoBus) / cpu(kFloor));
  plain("automation / bare libdbus, peer-to-peer", cpu(kAutoPeer) / cpu(kNativePeer));
  plain("automation / bare libdbus, bus daemon", cpu(kAutoBus) / cpu(kNativeBus));
  std::fflush(stdout);

  appPeer.Reset();
  try {
    appBus.Invoke("Quit");
  } catch (const std::exception&) {
    // The server may drop the connection as it goes.
  }
  appBus.Reset();
  dbus_connection_close(nativeEchoPeer);
  dbus_connection_unref(nativeEchoPeer);
  dbus_connection_close(nativeBus);
  dbus_connection_unref(nativeBus);
  echoPeer = QDBusConnection(QString());
  QDBusConnection::disconnectFromPeer(QStringLiteral("bench-echo-peer"));
  echo.terminate();
  echo.waitForFinished(5000);
  if (!visio.waitForFinished(5000)) visio.kill();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  PinToFirstCore();
  if (argc >= 2 && std::string_view(argv[1]) == "--echo-server") return RunEchoServer(argc, argv);
  try {
    return Bench(argc, argv);
  } catch (const std::exception& e) {
    return Fail(e.what());
  }
}
