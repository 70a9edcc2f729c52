// A long run of Tarvel against tarvel-visio over D-Bus, to see that nothing
// fails and nothing grows: tarvel-visio serves the demo drawing; a driver
// process changes the drawing all the time through the automation layer
// (draws shapes, writes their text and cell formulas, deletes them, on
// every page of two drawings); and this process is Tarvel itself: the
// real main window on Qt's offscreen platform, connected, with Auto on at
// the shortest interval (500 ms) and its tree window opened down to the
// shapes and, for some shapes, their cells. The shapes the driver draws
// are opened in the tree as they appear, so the tree keeps making and
// dropping nodes for objects that come and go.
//
// At the end it prints the calls made (round trips), the failures by
// result code, and the resident memory of the server and of this client
// sampled over time, with a verdict. Exit status 1 when a call failed for
// a reason other than Visio's own answer (a transport failure, a dropped
// object, a driver call), when a message was shown, or when memory grew.
//
// Needs a session bus of its own: scripts/soak.sh runs it in one.
//   tarvel_soak [--minutes M | --seconds S] [--pace MS]
#include <signal.h>
#include <sys/prctl.h>

#include <QApplication>
#include <QCheckBox>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QThread>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <exception>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/KTSheep.h"
#include "app/Tarvel_Main.h"
#include "automation/Runtime.h"
#include "automation/Variant.h"
#include "automation/dbus/Client.h"
#include "automation/dbus/Wire.h"
#include "bench/BusNames.h"
#include "bench/CallTally.h"
#include "lut/Tarvel_MessagePort.h"
#include "lut/Tarvel_TLUT.h"
#include "lut/Tarvel_TreeNodeLUTs.h"
#include "standin/Application.h"
#include "standin/server/VisioBus.h"
#include "tools/Tarvel_UI.h"
#include "tree/Tarvel_Cells01.h"
#include "tree/Tarvel_TV01.h"
#include "tree/Tarvel_TreeItemModel.h"
#include "tree/TreeText.h"
#include "visio/KTVisio_Controller.h"

namespace {

using automation::AutomationError;
using automation::HResult;
using automation::ObjectRef;
using automation::Variant;
using Clock = std::chrono::steady_clock;

const QString kVisioName = QString::fromLatin1(standin::kVisioBusName);
const QString kVisioPath = QString::fromLatin1(standin::kVisioObjectPath);

std::string Hex(HResult code) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(code));
  return text;
}

std::string ErrorList(const std::map<HResult, std::uint64_t>& errors) {
  if (errors.empty()) return "none";
  std::string text;
  for (const auto& [code, count] : errors) {
    if (!text.empty()) text += ", ";
    text += Hex(code) + ": " + std::to_string(count);
  }
  return text;
}

// ---- the driver (a child process) ----

// A page the driver draws on, the shapes it drew there (oldest first), and
// a shape of the demo drawing whose cells it keeps changing.
struct TTarget {
  ObjectRef page;
  std::deque<ObjectRef> drawn;
  ObjectRef anchor;
};

constexpr std::size_t kDrawnPerPage = 6;

volatile sig_atomic_t stopDriver = 0;

// Runs until told to stop (SIGTERM from the soak) or, should the soak be
// gone, for `seconds` and a minute more.
int RunDriver(int argc, char** argv, double seconds, int paceMs) {
  QCoreApplication qt(argc, argv);
  ::signal(SIGTERM, [](int) { stopDriver = 1; });
  ObjectRef app;
  try {
    app = automation::dbus::AttachToServer(kVisioName, kVisioPath);
  } catch (const AutomationError&) {
    std::fprintf(stderr, "driver: cannot attach to tarvel-visio\n");
    return 1;
  }
  std::map<HResult, std::uint64_t> errors;
  std::uint64_t steps = 0;
  std::vector<TTarget> targets;
  try {
    // A second drawing and a second page in each, so that changes land
    // across documents and pages.
    const ObjectRef documents = app.Get("Documents").ToObject();
    documents.Invoke("Add", {Variant("")});
    const std::int32_t count = documents.Get("Count").ToInt32();
    for (std::int32_t d = 1; d <= count; ++d) {
      const ObjectRef document = documents.Get("Item", {Variant(d)}).ToObject();
      if (document.Get("Type").ToInt32() != 1) continue;  // visTypeDrawing
      const ObjectRef pages = document.Get("Pages").ToObject();
      if (pages.Get("Count").ToInt32() < 2) pages.Invoke("Add");
      const std::int32_t pageCount = pages.Get("Count").ToInt32();
      for (std::int32_t p = 1; p <= pageCount; ++p) {
        TTarget target;
        target.page = pages.Get("Item", {Variant(p)}).ToObject();
        const ObjectRef shapes = target.page.Get("Shapes").ToObject();
        if (shapes.Get("Count").ToInt32() > 0) {
          target.anchor = shapes.Get("Item", {Variant(std::int32_t{1})}).ToObject();
        }
        targets.push_back(std::move(target));
      }
    }
  } catch (const AutomationError& e) {
    std::fprintf(stderr, "driver: setting up: %s (%s)\n", e.what(), Hex(e.code()).c_str());
    return 1;
  }
  if (targets.empty()) {
    std::fprintf(stderr, "driver: no drawing page to change\n");
    return 1;
  }

  const auto end = Clock::now() + std::chrono::duration<double>(seconds + 60);
  while (stopDriver == 0 && Clock::now() < end) {
    TTarget& target = targets[steps % targets.size()];
    const auto n = static_cast<std::int32_t>(steps);
    try {
      const double x = 1 + n % 7;
      const double y = 1 + n % 5;
      const ObjectRef shape = target.page
                                  .Invoke("DrawRectangle", {Variant(x), Variant(y),
                                                            Variant(x + 1.5), Variant(y + 0.75)})
                                  .ToObject();
      shape.Put("Text", Variant("soak " + std::to_string(n)));
      shape.Get("Cells", {Variant("Width")})
          .ToObject()
          .Put("Formula", Variant(std::to_string(1 + n % 3) + " in"));
      shape.Get("CellsU", {Variant("LineWeight")})
          .ToObject()
          .Put("FormulaU", Variant(std::to_string(1 + n % 4) + " pt"));
      target.drawn.push_back(shape);
      if (target.drawn.size() > kDrawnPerPage) {
        target.drawn.front().Invoke("Delete");
        target.drawn.pop_front();
      }
      if (target.anchor) {
        target.anchor.Get("Cells", {Variant("PinX")})
            .ToObject()
            .Put("Formula", Variant(std::to_string(2 + n % 4) + " in"));
        target.anchor.Get("Cells", {Variant("Angle")})
            .ToObject()
            .Put("Formula", Variant(std::to_string(n % 90) + " deg"));
      }
    } catch (const AutomationError& e) {
      if (errors[e.code()]++ == 0) {
        std::fprintf(stderr, "driver: %s (%s)\n", e.what(), Hex(e.code()).c_str());
      }
    }
    ++steps;
    if (paceMs > 0) QThread::msleep(static_cast<unsigned long>(paceMs));
  }
  // Leaves the drawing as it found it, apart from the added pages.
  for (TTarget& target : targets) {
    for (const ObjectRef& shape : target.drawn) {
      try {
        shape.Invoke("Delete");
      } catch (const AutomationError& e) {
        ++errors[e.code()];
      }
    }
    target.drawn.clear();
  }
  targets.clear();
  app.Reset();
  const automation::dbus::TransportCounters counters = automation::dbus::Counters();
  std::printf("driver steps %" PRIu64 " trips %" PRIu64 " releases %" PRIu64 " errors %s\n", steps,
              counters.roundTrips, counters.releaseMessages, ErrorList(errors).c_str());
  std::fflush(stdout);
  return errors.empty() ? 0 : 1;
}

// ---- samples ----

// Resident memory in KiB, from /proc/<pid>/status; 0 when unreadable.
std::int64_t ResidentKiB(qint64 pid) {
  if (pid <= 0) return 0;
  QFile status(QStringLiteral("/proc/%1/status").arg(pid));
  if (!status.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLongLong();
  }
  return 0;
}

// The server's count of exported objects, or -1 when it cannot say.
std::int64_t ExportedCount() {
  QDBusMessage call = QDBusMessage::createMethodCall(
      kVisioName, kVisioPath, QString::fromLatin1(automation::dbus::kServerInterface),
      QStringLiteral("ExportedCount"));
  const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return -1;
  return reply.arguments().at(0).toLongLong();
}

struct TSample {
  double seconds = 0;
  std::int64_t server = 0;  // KiB
  std::int64_t client = 0;
  std::int64_t driver = 0;
  std::int64_t exported = 0;
  std::size_t items = 0;
  std::uint64_t trips = 0;
};

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// One figure of every sample, with the sample's time.
struct TSeries {
  std::vector<double> seconds;
  std::vector<double> values;
};

TSeries SeriesOf(const std::vector<TSample>& samples, std::int64_t TSample::*field, double scale) {
  TSeries series;
  for (const TSample& s : samples) {
    series.seconds.push_back(s.seconds);
    series.values.push_back(static_cast<double>(s.*field) * scale);
  }
  return series;
}

// Change per minute, least squares over the samples.
double Slope(const TSeries& series) {
  const std::size_t n = series.values.size();
  if (n < 2) return 0;
  double mx = 0;
  double my = 0;
  for (std::size_t i = 0; i < n; ++i) {
    mx += series.seconds[i];
    my += series.values[i];
  }
  mx /= static_cast<double>(n);
  my /= static_cast<double>(n);
  double num = 0;
  double den = 0;
  for (std::size_t i = 0; i < n; ++i) {
    num += (series.seconds[i] - mx) * (series.values[i] - my);
    den += (series.seconds[i] - mx) * (series.seconds[i] - mx);
  }
  return den > 0 ? num / den * 60 : 0;
}

// The medians of the first and of the last third of the samples, and the
// trend over all of them.
struct TTrend {
  double first = 0;
  double last = 0;
  double perMinute = 0;
};

TTrend TrendOf(const TSeries& series) {
  TTrend trend;
  const std::size_t n = series.values.size();
  const std::size_t third = n / 3;
  if (third == 0) return trend;
  trend.first =
      Median({series.values.begin(), series.values.begin() + static_cast<std::ptrdiff_t>(third)});
  trend.last =
      Median({series.values.end() - static_cast<std::ptrdiff_t>(third), series.values.end()});
  trend.perMinute = Slope(series);
  return trend;
}

// Memory is flat when the last third's median is at most the first third's
// plus 3 % or 1 MiB, whichever is more.
bool IsFlat(const TTrend& mib) {
  return mib.last <= mib.first + std::max(1.0, 0.03 * mib.first);
}

// ---- the client: Tarvel's main window ----

class TCountingMessagePort final : public TMessagePort {
 public:
  void ShowMessage(const std::string& text) override {
    ++count;
    std::fprintf(stderr, "message: %s\n", text.c_str());
  }
  int count = 0;
};

// The codes a transport or an exporting server gives: a failure of the
// link, not Visio's answer to a read (which the tree also gets in process
// and shows in its items).
bool IsTransportFailure(HResult code) {
  return code == automation::RPC_E_DISCONNECTED || code == automation::RPC_E_TIMEOUT ||
         code == automation::RPC_E_SERVERFAULT || code == automation::RPC_E_CALL_REJECTED ||
         code == automation::CO_E_OBJNOTCONNECTED || code == automation::DISP_E_BADVARTYPE;
}

// Opens the item through the view, as a user does.
void ExpandInView(Tfm_VisioTreeView& window, TTreeItem& item) {
  if (item.Expanded() || !item.HasChildren()) return;
  window.TV->expand(window.ItemModel().IndexOf(&item));
}

// Opens every item below `item` down to `levels` levels.
void ExpandBelow(Tfm_VisioTreeView& window, TTreeItem& item, int levels) {
  if (levels <= 0) return;
  ExpandInView(window, item);
  for (int i = 0; i < item.Count(); ++i) ExpandBelow(window, *item.Item(i), levels - 1);
}

// The elements of a collection item: its "Item" array, opened.
std::vector<TTreeItem*> Elements(Tfm_VisioTreeView& window, TTreeItem& collection) {
  std::vector<TTreeItem*> elements;
  ExpandInView(window, collection);
  TTreeItem* array = FindChild(collection, "Item");
  if (array == nullptr) return elements;
  ExpandInView(window, *array);
  for (int i = 0; i < array->Count(); ++i) elements.push_back(array->Item(i));
  return elements;
}

// The Shapes collections of every page of every document, opened down to
// their elements; returns the element arrays.
std::vector<TTreeItem*> OpenShapeCollections(Tfm_VisioTreeView& window) {
  std::vector<TTreeItem*> arrays;
  TTreeItem* root = window.Tree().First();
  if (root == nullptr) return arrays;
  ExpandInView(window, *root);
  TTreeItem* documents = FindChild(*root, "Documents");
  if (documents == nullptr) return arrays;
  for (TTreeItem* document : Elements(window, *documents)) {
    ExpandInView(window, *document);
    TTreeItem* pages = FindChild(*document, "Pages");
    if (pages == nullptr) continue;
    for (TTreeItem* page : Elements(window, *pages)) {
      ExpandInView(window, *page);
      TTreeItem* shapes = FindChild(*page, "Shapes");
      if (shapes == nullptr) continue;
      Elements(window, *shapes);
      if (TTreeItem* array = FindChild(*shapes, "Item")) arrays.push_back(array);
    }
  }
  return arrays;
}

// Opens every shape of the arrays one level.
void OpenNewShapes(Tfm_VisioTreeView& window, const std::vector<TTreeItem*>& arrays) {
  for (TTreeItem* shapes : arrays) {
    for (int i = 0; i < shapes->Count(); ++i) ExpandInView(window, *shapes->Item(i));
  }
}

// Opens the ShapeSheet of the shape item down to its cells: the sections,
// their rows and the cells in the rows.
void OpenCells(Tfm_VisioTreeView& window, TTreeItem& shape) {
  ExpandInView(window, shape);
  if (TTreeItem* sections = FindChild(shape, "CellsSRC-Sections"))
    ExpandBelow(window, *sections, 3);
}

// Children end when the soak does, whichever way it ends.
void EndWithParent() {
  ::prctl(PR_SET_PDEATHSIG, SIGTERM);
}

int Fail(const std::string& why) {
  std::fprintf(stderr, "tarvel_soak: %s\n", why.c_str());
  return 1;
}

int RunClient(int argc, char** argv, double seconds, int paceMs) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Module initialisation, as Tarvel starts.
  TheLUTAll();
  BuildVisioConstantCatalogue();
  BuildCellCatalogue();
  TheVisioController();

  QApplication qt(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!automation::dbus::SessionBusReachable() || !bus.isConnected()) {
    return Fail("no session bus; run it through scripts/soak.sh (dbus-run-session)");
  }
  if (bus.interface()->isServiceRegistered(kVisioName).value()) {
    return Fail(kVisioName.toStdString() + " is owned already on this bus; use a bus of its own");
  }
  TCountingMessagePort messages;
  SetMessagePort(&messages);
  int dialogs = 0;
  SetModalRunner([&dialogs](QDialog& dialog) {
    ++dialogs;
    std::fprintf(stderr, "dialog: %s\n", qPrintable(dialog.windowTitle()));
    return static_cast<int>(QDialog::Rejected);
  });

  QProcess server;
  server.setChildProcessModifier(EndWithParent);
  server.setProcessChannelMode(QProcess::ForwardedChannels);
  server.start(standin::VisioServerProgram(), {QStringLiteral("--demo")});
  if (!server.waitForStarted(10000) || !bench::WaitForName(bus, kVisioName, 15000)) {
    return Fail("tarvel-visio did not come up on the bus");
  }

  // Connect finds the running server through the running object table, as
  // RegisterVisioOnBus makes it do; here the root is wrapped to tally every
  // call the main window and its tree make, and how each failed.
  bench::TCallTally tally;
  automation::RegisterProgID(standin::kVisioProgId, standin::CLSID_VisioApplication);
  const std::uint32_t source = automation::AddRunningObjectSource(
      standin::CLSID_VisioApplication, [&tally](ObjectRef* object) {
        try {
          *object = automation::MakeRef<bench::TTallied>(
              automation::dbus::AttachToServer(kVisioName, kVisioPath), &tally);
        } catch (const AutomationError& e) {
          return e.code();
        }
        return automation::S_OK;
      });

  int status = 0;
  std::vector<TSample> samples;
  std::string driverLine;
  std::size_t refreshes = 0;
  {
    Tfm_Main main;
    main.show();
    main.mi_Visio_ConnectClick();
    const QPointer<Tfm_VisioTreeView> window =
        main.Shepherd->SheepCount() == 1
            ? qobject_cast<Tfm_VisioTreeView*>(main.Shepherd->SheepFormAt(0))
            : nullptr;
    if (!VisioController.IsConnected() || window == nullptr) return Fail("Connect failed");

    // The driver first, so that the second drawing and the new pages are
    // there to be opened.
    QProcess driver;
    driver.setChildProcessModifier(EndWithParent);
    driver.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    driver.start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--driver"), QString::number(seconds), QStringLiteral("--pace"),
                  QString::number(paceMs)});
    if (!driver.waitForStarted(10000)) return Fail("the driver did not start");
    QThread::msleep(1500);
    main.bt_RefreshClick();

    std::vector<TTreeItem*> collections = OpenShapeCollections(*window);
    if (!collections.empty() && collections.front()->Count() > 0) {
      for (int i = 0; i < std::min(3, collections.front()->Count()); ++i) {
        OpenCells(*window, *collections.front()->Item(i));
      }
    }
    OpenNewShapes(*window, collections);
    const std::size_t openedItems = window->Tree().ItemCount();

    // Auto at the shortest interval, chosen as the user does.
    const TInputBox previousBox =
        SetInputBox([](QWidget*, const QString&, const QString&, const QString&) {
          return QString::number(Tfm_Main::kMinRefreshInterval);
        });
    main.mi_ChangeRefreshIntervalClick();
    SetInputBox(previousBox);
    if (main.tm_Refresh->interval() != Tfm_Main::kMinRefreshInterval) {
      return Fail("the refresh interval did not change");
    }
    QObject::connect(main.tm_Refresh, &QTimer::timeout, [&refreshes] { ++refreshes; });
    main.ck_Auto->click();

    const auto start = Clock::now();
    const auto sample = [&] {
      TSample s;
      s.seconds = std::chrono::duration<double>(Clock::now() - start).count();
      s.server = server.state() == QProcess::Running ? ResidentKiB(server.processId()) : 0;
      s.client = ResidentKiB(QCoreApplication::applicationPid());
      s.driver = driver.state() == QProcess::Running ? ResidentKiB(driver.processId()) : 0;
      s.exported = ExportedCount();
      s.items = window ? window->Tree().ItemCount() : 0;
      s.trips = automation::dbus::Counters().roundTrips;
      samples.push_back(s);
    };
    // Every 2 s: a sample, and the tree opens the shapes that appeared.
    QTimer sampler;
    sampler.setInterval(2000);
    QObject::connect(&sampler, &QTimer::timeout, [&] {
      sample();
      if (!window) return;
      collections = OpenShapeCollections(*window);
      OpenNewShapes(*window, collections);
    });
    sample();
    sampler.start();
    std::fprintf(stderr,
                 "tarvel_soak: running %.0f s: tree window with %zu items, Auto every %d ms, "
                 "driver pid %lld, server pid %lld\n",
                 seconds, openedItems, main.tm_Refresh->interval(),
                 static_cast<long long>(driver.processId()),
                 static_cast<long long>(server.processId()));
    // A loop of its own: quitting the application would close the windows.
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
    sampler.stop();
    sample();
    main.ck_Auto->click();

    driver.terminate();
    if (!driver.waitForFinished(60000)) {
      driver.kill();
      status = 1;
    }
    driverLine = QString::fromLocal8Bit(driver.readAllStandardOutput()).trimmed().toStdString();
    if (driver.exitStatus() != QProcess::NormalExit || driver.exitCode() != 0) status = 1;

    std::vector<QPointer<QWidget>> windows;
    for (std::int32_t i = 0; i < main.Shepherd->SheepCount(); ++i) {
      windows.emplace_back(main.Shepherd->SheepFormAt(i));
    }
    for (const QPointer<QWidget>& w : windows) delete w.data();
    main.mi_Visio_DisconnectClick();
  }
  automation::RemoveRunningObjectSource(source);
  // Releases are sent as the last references go; give the server a moment.
  QElapsedTimer settle;
  settle.start();
  while (settle.elapsed() < 1000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QThread::msleep(50);
  }
  const std::int64_t exportedAfter = ExportedCount();
  // Objects nobody holds stay exported for the server's grace period (30 s)
  // and go at its next sweep (every 2 s).
  while (settle.elapsed() < 36000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QThread::msleep(200);
  }
  const std::int64_t exportedAfterGrace = ExportedCount();

  // ---- the report ----
  const automation::dbus::TransportCounters counters = automation::dbus::Counters();
  const double ran = samples.empty() ? 0 : samples.back().seconds;
  std::printf(
      "Soak: %.0f s against tarvel-visio --demo; Tarvel's main window offscreen, Auto "
      "every %d ms\n\n",
      ran, Tfm_Main::kMinRefreshInterval);
  std::printf("client (Tarvel): %zu refreshes, %" PRIu64 " round trips (%.0f/s), %" PRIu64
              " release messages, %" PRIu64 " calls through the automation layer\n",
              refreshes, counters.roundTrips,
              ran > 0 ? static_cast<double>(counters.roundTrips) / ran : 0,
              counters.releaseMessages, tally.invokes);
  std::map<HResult, std::uint64_t> transport;
  std::map<HResult, std::uint64_t> visio;
  for (const auto& [code, count] : tally.errors) {
    (IsTransportFailure(code) ? transport : visio)[code] = count;
  }
  std::printf("client failures of the link, by result code: %s\n", ErrorList(transport).c_str());
  for (const auto& [code, count] : transport) {
    std::printf("  %s first: %s\n", Hex(code).c_str(), tally.firstMessage[code].c_str());
  }
  std::printf("client reads Visio answered with an error (shown in the tree, as in process): %s\n",
              ErrorList(visio).c_str());
  std::printf("client messages shown: %d, dialogs opened: %d\n", messages.count, dialogs);
  std::printf("%s\n", driverLine.empty() ? "driver: no report" : driverLine.c_str());

  std::printf("\n  %7s %12s %12s %12s %10s %8s %12s\n", "seconds", "server KiB", "client KiB",
              "driver KiB", "exported", "items", "round trips");
  for (std::size_t i = 0; i < samples.size(); ++i) {
    // One line every 20 s, and the last.
    if (i % 10 != 0 && i + 1 != samples.size()) continue;
    const TSample& s = samples[i];
    std::printf("  %7.0f %12" PRId64 " %12" PRId64 " %12" PRId64 " %10" PRId64 " %8zu %12" PRIu64
                "\n",
                s.seconds, s.server, s.client, s.driver, s.exported, s.items, s.trips);
  }
  std::printf("  exported objects after Tarvel disconnected and the driver ended: %" PRId64
              " at once, %" PRId64 " after the server's grace period\n",
              exportedAfter, exportedAfterGrace);

  // The first minute (or the first third of a shorter run) fills caches,
  // pools and the server's table of released objects still in their grace
  // period (30 s); the verdict is on what follows.
  const double warmUp = std::min(60.0, ran / 3);
  std::vector<TSample> settled;
  for (const TSample& s : samples) {
    if (s.seconds >= warmUp) settled.push_back(s);
  }
  bool grew = false;
  std::printf(
      "\n  after %.0f s warm-up: median of the first third of the samples -> of the last "
      "third (memory flat: at most +3 %% or +1 MiB)\n",
      warmUp);
  for (const auto& [name, field] :
       {std::pair{"server", &TSample::server}, std::pair{"client", &TSample::client}}) {
    const TTrend mib = TrendOf(SeriesOf(settled, field, 1.0 / 1024));
    grew = grew || !IsFlat(mib);
    std::printf("  %-17s %8.1f MiB -> %8.1f MiB, trend %+8.2f MiB/min: %s\n", name, mib.first,
                mib.last, mib.perMinute, IsFlat(mib) ? "flat" : "GREW");
  }
  const TTrend exported = TrendOf(SeriesOf(settled, &TSample::exported, 1));
  std::printf("  %-17s %8.0f     -> %8.0f    , trend %+8.1f per min\n", "exported objects",
              exported.first, exported.last, exported.perMinute);

  const bool failed = !transport.empty() || messages.count > 0 || dialogs > 0 || status != 0;
  std::printf("\nverdict: %s\n", failed || grew
                                     ? (failed ? "FAILED (errors)" : "FAILED (memory grew)")
                                     : "passed: no errors, memory flat");
  std::fflush(stdout);

  // The server ends when told, as Visio does.
  ObjectRef app;
  automation::dbus::AttachOptions overBus;
  overBus.peerToPeer = false;
  try {
    app = automation::dbus::AttachToServer(kVisioName, kVisioPath, overBus);
    app.Invoke("Quit");
  } catch (const std::exception&) {
    // Gone already, or it left before it answered.
  }
  app.Reset();
  if (!server.waitForFinished(10000)) server.kill();
  return failed || grew ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  double seconds = 180;
  int paceMs = 20;
  bool driver = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--driver" && hasValue) {
      driver = true;
      seconds = std::atof(argv[++i]);
    } else if (arg == "--minutes" && hasValue) {
      seconds = 60 * std::atof(argv[++i]);
    } else if (arg == "--seconds" && hasValue) {
      seconds = std::atof(argv[++i]);
    } else if (arg == "--pace" && hasValue) {
      paceMs = std::atoi(argv[++i]);
    } else {
      std::fprintf(stderr, "usage: tarvel_soak [--minutes M | --seconds S] [--pace MS]\n");
      return 2;
    }
  }
  if (seconds <= 0) seconds = 1;
  try {
    return driver ? RunDriver(argc, argv, seconds, paceMs) : RunClient(argc, argv, seconds, paceMs);
  } catch (const std::exception& e) {
    return Fail(e.what());
  }
}
