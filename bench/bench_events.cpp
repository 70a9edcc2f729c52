// Visio's events across processes under load: a script-like client moves a
// shape as fast as 10,000 cell changes a second, a sink in another process
// (advised on the document's CellChanged) receives them, and a third
// client's calls to the server are timed meanwhile.
//
// Phases, each --seconds long (default 3): the third client alone; with
// the script running and nobody advised; with the script running and the
// sink advised. The sink checks that every change reached it, in order (its
// sequence numbers follow one another). The figures: the script's rate,
// the third client's call latency (median and 95th percentile) in each
// phase, and what the sink received.
//
// Needs a session bus of its own: dbus-run-session -- tarvel_bench_events
// [--seconds N] [--rate N] [--bus] (the sink attaches through the bus
// instead of a peer connection). The program re-runs itself as the sink
// (--sink).
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QProcess>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "automation/Variant.h"
#include "automation/dbus/Client.h"
#include "bench/BusNames.h"
#include "standin/Events.h"
#include "standin/server/VisioBus.h"

namespace {

using automation::Args;
using automation::CallKind;
using automation::ObjectRef;
using automation::Variant;
using Clock = std::chrono::steady_clock;

int Fail(const std::string& why) {
  std::fprintf(stderr, "tarvel_bench_events: %s\n", why.c_str());
  return 1;
}

ObjectRef AttachToVisio(bool peerToPeer) {
  return automation::dbus::AttachToServer(QString::fromLatin1(standin::kVisioBusName),
                                          QString::fromLatin1(standin::kVisioObjectPath),
                                          {peerToPeer, 10000});
}

// Counts VisEventProc calls and checks their sequence numbers follow one
// another.
class CountingSink final : public automation::Object {
 public:
  Variant Invoke(CallKind, std::string_view member, Args a) override {
    if (member != "VisEventProc" || a.size() != 6) {
      ++malformed;
      return Variant();
    }
    const std::int32_t seq = a[3].ToInt32();
    if (received > 0 && seq != last + 1) ++gaps;
    if (received == 0) first = seq;
    last = seq;
    ++received;
    return Variant();
  }
  std::int64_t received = 0;
  std::int64_t gaps = 0;
  std::int64_t malformed = 0;
  std::int32_t first = 0;
  std::int32_t last = 0;
};

// The sink's process: advises, says "ready", and once told on stdin how
// many changes were made, waits for them (10 s at most) and says what came.
int RunSink(int argc, char** argv, bool peerToPeer) {
  QCoreApplication qt(argc, argv);
  ObjectRef app;
  ObjectRef event;
  const auto sink = automation::MakeRef<CountingSink>();
  try {
    app = AttachToVisio(peerToPeer);
    const ObjectRef events = app.Get("ActiveDocument").ToObject().Get("EventList").ToObject();
    event = events
                .Invoke("AddAdvise", {Variant(static_cast<std::int32_t>(
                                          static_cast<std::uint16_t>(standin::visEvtCellChanged))),
                                      Variant(ObjectRef(sink)), Variant(""), Variant("")})
                .ToObject();
  } catch (const automation::AutomationError& e) {
    return Fail("the sink could not advise: " + e.message());
  }
  std::cout << "ready" << std::endl;
  std::int64_t expected = -1;
  Clock::time_point deadline;
  QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
  QObject::connect(&input, &QSocketNotifier::activated, [&] {
    std::string line;
    if (!std::getline(std::cin, line)) {
      input.setEnabled(false);
      return;
    }
    expected = std::atoll(line.c_str());
    deadline = Clock::now() + std::chrono::seconds(10);
  });
  QTimer check;
  QObject::connect(&check, &QTimer::timeout, [&] {
    if (expected < 0) return;
    if (sink->received < expected && Clock::now() < deadline) return;
    std::cout << sink->received << ' ' << sink->gaps << ' ' << sink->malformed << ' ' << sink->first
              << ' ' << sink->last << std::endl;
    qt.quit();
  });
  check.start(5);
  qt.exec();
  return 0;
}

struct Latency {
  double medianUs = 0;
  double p95Us = 0;
  std::size_t calls = 0;
};

// The third client: one call every 2 ms on a connection of its own, in a
// thread of its own, until stopped.
class Prober {
 public:
  void Start() {
    stop_ = false;
    samples_.clear();
    thread_ = std::thread([this] {
      const ObjectRef app = AttachToVisio(true);
      const ObjectRef width = app.Get("ActivePage")
                                  .ToObject()
                                  .Get("Shapes")
                                  .ToObject()
                                  .Get("Item", {Variant(1)})
                                  .ToObject()
                                  .Get("CellsU", {Variant("Width")})
                                  .ToObject();
      auto next = Clock::now();
      while (!stop_) {
        const auto begin = Clock::now();
        width.Get("ResultIU");
        samples_.push_back(std::chrono::duration<double, std::micro>(Clock::now() - begin).count());
        next += std::chrono::milliseconds(2);
        std::this_thread::sleep_until(next);
      }
    });
  }
  Latency Stop() {
    stop_ = true;
    thread_.join();
    std::sort(samples_.begin(), samples_.end());
    Latency out;
    out.calls = samples_.size();
    if (!samples_.empty()) {
      out.medianUs = samples_[samples_.size() / 2];
      out.p95Us = samples_[samples_.size() * 95 / 100];
    }
    return out;
  }

 private:
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::vector<double> samples_;
};

// Moves the shape at up to rate changes a second for the given time; how
// many changes it made.
std::int64_t MoveShape(const ObjectRef& pinX, int rate, std::chrono::seconds length) {
  const auto begin = Clock::now();
  const auto end = begin + length;
  const auto step = std::chrono::nanoseconds(1'000'000'000 / rate);
  auto next = begin;
  std::int64_t n = 0;
  while (Clock::now() < end) {
    pinX.Put("Formula", Variant(std::to_string(n % 9 + 1) + " in"));
    ++n;
    next += step;
    if (next > Clock::now()) std::this_thread::sleep_until(next);
  }
  return n;
}

void Print(const char* phase, const Latency& l, std::int64_t changes, double seconds) {
  std::printf("%-34s third client: median %7.1f us, p95 %7.1f us (%zu calls)", phase, l.medianUs,
              l.p95Us, l.calls);
  if (changes > 0)
    std::printf("; script: %lld changes, %.0f/s", static_cast<long long>(changes),
                static_cast<double>(changes) / seconds);
  std::printf("\n");
}

int Bench(int argc, char** argv) {
  int seconds = 3;
  int rate = 10000;
  bool sinkOverBus = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg(argv[i]);
    if (arg == "--seconds" && i + 1 < argc) seconds = std::max(1, std::atoi(argv[++i]));
    if (arg == "--rate" && i + 1 < argc) rate = std::max(1, std::atoi(argv[++i]));
    if (arg == "--bus") sinkOverBus = true;
  }
  QCoreApplication qt(argc, argv);
  const QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return Fail("no session bus: run it under dbus-run-session");
  QProcess visio;
  visio.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
  visio.setProcessChannelMode(QProcess::ForwardedChannels);
  visio.start(standin::VisioServerProgram(), {QStringLiteral("--demo")});
  if (!bench::WaitForName(bus, QString::fromLatin1(standin::kVisioBusName), 15000)) {
    return Fail("tarvel-visio did not come up on the bus");
  }
  const ObjectRef app = AttachToVisio(true);
  const ObjectRef pinX =
      app.Get("ActivePage")
          .ToObject()
          .Invoke("DrawRectangle", {Variant(1.0), Variant(1.0), Variant(2.0), Variant(2.0)})
          .ToObject()
          .Get("CellsU", {Variant("PinX")})
          .ToObject();
  const auto length = std::chrono::seconds(seconds);
  const double secs = static_cast<double>(seconds);
  std::printf("Cell changes at up to %d/s for %d s a phase; the sink attached over %s\n", rate,
              seconds, sinkOverBus ? "the bus" : "a peer connection");

  Prober prober;
  prober.Start();
  std::this_thread::sleep_for(length);
  const Latency idle = prober.Stop();
  Print("third client alone:", idle, 0, secs);

  prober.Start();
  const std::int64_t plain = MoveShape(pinX, rate, length);
  const Latency withScript = prober.Stop();
  Print("script, nobody advised:", withScript, plain, secs);

  QProcess sinkProcess;
  sinkProcess.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
  sinkProcess.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  QStringList sinkArgs = {QStringLiteral("--sink")};
  if (sinkOverBus) sinkArgs << QStringLiteral("--bus");
  sinkProcess.start(QCoreApplication::applicationFilePath(), sinkArgs);
  if (!sinkProcess.waitForReadyRead(15000) || !sinkProcess.readLine().startsWith("ready")) {
    return Fail("the sink did not come up");
  }
  prober.Start();
  const std::int64_t advised = MoveShape(pinX, rate, length);
  const Latency withEvents = prober.Stop();
  Print("script, sink in another process:", withEvents, advised, secs);
  const auto told = Clock::now();
  sinkProcess.write((std::to_string(advised) + "\n").c_str());
  sinkProcess.waitForReadyRead(20000);
  const double drained = std::chrono::duration<double>(Clock::now() - told).count();
  long long received = 0, gaps = 0, malformed = 0, first = 0, last = 0;
  const QByteArray summary = sinkProcess.readLine();
  if (std::sscanf(summary.constData(), "%lld %lld %lld %lld %lld", &received, &gaps, &malformed,
                  &first, &last) != 5) {
    return Fail("the sink said nothing");
  }
  std::printf(
      "sink: %lld of %lld events (sequence numbers %lld..%lld, %lld out of order, "
      "%lld malformed), the last %.2f s after the script's last change: %s\n",
      received, static_cast<long long>(advised), first, last, gaps, malformed, drained,
      received == advised && gaps == 0 && malformed == 0 ? "none lost, in order"
                                                         : "LOST OR DISORDERED");
  std::printf("third client's median with events vs without: %+.1f %% (p95 %+.1f %%)\n",
              100.0 * (withEvents.medianUs / withScript.medianUs - 1.0),
              100.0 * (withEvents.p95Us / withScript.p95Us - 1.0));
  std::printf("third client's median with events vs alone: %+.1f %% (p95 %+.1f %%)\n",
              100.0 * (withEvents.medianUs / idle.medianUs - 1.0),
              100.0 * (withEvents.p95Us / idle.p95Us - 1.0));
  sinkProcess.waitForFinished(5000);
  visio.terminate();
  if (!visio.waitForFinished(5000)) visio.kill();
  return received == advised && gaps == 0 && malformed == 0 ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::string_view(argv[1]) == "--sink") {
    const bool overBus = argc >= 3 && std::string_view(argv[2]) == "--bus";
    return RunSink(argc, argv, !overBus);
  }
  try {
    return Bench(argc, argv);
  } catch (const automation::AutomationError& e) {
    return Fail(e.message());
  } catch (const std::exception& e) {
    return Fail(e.what());
  }
}
