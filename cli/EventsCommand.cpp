#include "cli/EventsCommand.h"

#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>
#include <exception>
#include <ostream>

#include "cli/ExitStatus.h"
#include "cli/StopSignals.h"
#include "tree/EventLog.h"
#include "visio/ErrorText.h"
#include "visio/EventCodes.h"
#include "visio/EventSubscription.h"
#include "visio/KTVisio_Controller.h"

namespace {

constexpr int kExitVisio = 1;
// How often a quiet run asks whether Visio is still there.
constexpr int kLivenessMs = 1000;

}  // namespace

int RunEventsCommand(const TEventsOptions& options, const std::function<int()>& started,
                     std::ostream& out, std::ostream& err) {
  const TStopSignals stopSignals;
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
      stopSignals.Drain();
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
