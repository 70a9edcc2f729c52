#include "cli/EventsCommand.h"

#include <fcntl.h>
#include <unistd.h>

#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <exception>
#include <ostream>

#include "cli/ExitStatus.h"
#include "tree/EventLog.h"
#include "visio/ErrorText.h"
#include "visio/EventCodes.h"
#include "visio/EventSubscription.h"
#include "visio/KTVisio_Controller.h"

namespace {

constexpr int kExitVisio = 1;
// How often a quiet run asks whether Visio is still there.
constexpr int kLivenessMs = 1000;

// SIGINT and SIGTERM reach the event loop through a pipe: a handler may
// only write.
int signalPipe[2] = {-1, -1};

void OnSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

class TSignalScope {
 public:
  TSignalScope() {
    if (signalPipe[0] < 0 && ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &oldInt_);
    sigaction(SIGTERM, &action, &oldTerm_);
    installed_ = true;
  }
  ~TSignalScope() {
    if (!installed_) return;
    sigaction(SIGINT, &oldInt_, nullptr);
    sigaction(SIGTERM, &oldTerm_, nullptr);
  }
  TSignalScope(const TSignalScope&) = delete;
  TSignalScope& operator=(const TSignalScope&) = delete;

  int ReadEnd() const { return installed_ ? signalPipe[0] : -1; }

 private:
  bool installed_ = false;
  struct sigaction oldInt_ {};
  struct sigaction oldTerm_ {};
};

}  // namespace

std::optional<std::vector<std::uint16_t>> ParseEventCodes(const std::vector<std::string>& words,
                                                          std::string& bad) {
  std::vector<std::uint16_t> codes;
  for (const std::string& word : words) {
    const std::optional<std::uint16_t> code = ParseEventCode(word);
    if (!code) {
      bad = word;
      return std::nullopt;
    }
    codes.push_back(*code);
  }
  return codes;
}

int RunEventsCommand(const TEventsOptions& options, const std::function<int()>& started,
                     std::ostream& out, std::ostream& err) {
  const TSignalScope stopSignals;
  QEventLoop loop;
  long printed = 0;
  const auto done = [&] { return options.count && printed >= *options.count; };
  TVisioEventSubscription subscription([&](const TKTVisio_EventInfo& event) {
    if (done()) return;  // more of one change arrive after the last one counted
    out << EventLine(event, NowMsecsSinceMidnight()) << '\n' << std::flush;
    ++printed;
    if (done()) loop.quit();
  });
  const std::vector<std::uint16_t> codes =
      options.codes.empty() ? DefaultMonitorCodes() : options.codes;
  const std::string refused = subscription.Start(VisioController.App, codes);
  if (!refused.empty()) {
    err << "tarvel-tree: listening to Visio's events failed: " << refused << '\n';
    return kExitVisio;
  }

  int status = started ? started() : kExitOk;
  if (status == kExitOk && !done()) {
    QSocketNotifier interrupted(stopSignals.ReadEnd(), QSocketNotifier::Read);
    interrupted.setEnabled(stopSignals.ReadEnd() >= 0);
    QObject::connect(&interrupted, &QSocketNotifier::activated, &loop, [&] {
      char byte = 0;
      while (::read(stopSignals.ReadEnd(), &byte, 1) > 0) {
      }
      loop.quit();
    });
    // Across processes a Visio that has gone says nothing: ask now and then.
    QTimer liveness;
    QObject::connect(&liveness, &QTimer::timeout, &loop, [&] {
      try {
        (void)VisioController.App.Get("ObjectType");
      } catch (const std::exception& e) {
        VisioController.NoteLinkError(e);
        if (!VisioController.LinkFailure().empty()) loop.quit();
      }
    });
    liveness.start(kLivenessMs);
    loop.exec();
  }

  if (!VisioController.LinkFailure().empty()) {
    subscription.Stop();  // lets go; Visio is not there to hear it
    err << "tarvel-tree: the link to Visio failed: " << VisioController.LinkFailure() << '\n';
    return kExitLink;
  }
  const std::string stopped = subscription.Stop();
  if (!stopped.empty()) {
    err << "tarvel-tree: removing the events from Visio failed: " << stopped << '\n';
    if (status == kExitOk) status = kExitVisio;
  }
  return status;
}
