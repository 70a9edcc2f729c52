#include "cli/EventsCommand.h"

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
constexpr double kLivenessSeconds = 1.0;

}  // namespace

int RunEventsCommand(const TEventsOptions& options, const std::function<int()>& started,
                     const TEventsSystem& system, std::ostream& out, std::ostream& err) {
  const std::string unprepared = system.prepare ? system.prepare() : std::string();
  if (!unprepared.empty()) {
    err << "tarvel-tree: listening to Visio's events failed: " << unprepared << '\n';
    return kExitVisio;
  }
  long printed = 0;
  const std::function<bool()> done = [&] { return options.count && printed >= *options.count; };
  TVisioEventSubscription subscription([&](const TKTVisio_EventInfo& event) {
    if (done()) return;  // more of one change arrive after the last one counted
    out << EventLine(event, NowMsecsSinceMidnight()) << '\n' << std::flush;
    ++printed;
  });
  const std::vector<std::uint16_t> codes =
      options.codes.empty() ? DefaultMonitorCodes() : options.codes;
  const std::string refused = subscription.Start(VisioController.App, codes);
  if (!refused.empty()) {
    err << "tarvel-tree: listening to Visio's events failed: " << refused << '\n';
    return kExitVisio;
  }

  int status = started ? started() : kExitOk;
  // Across processes a Visio that has gone says nothing: between waits it
  // is asked.
  while (status == kExitOk && !done() && VisioController.LinkFailure().empty() &&
         system.wait(kLivenessSeconds, done) && !done()) {
    try {
      (void)VisioController.App.Get("ObjectType");
    } catch (const std::exception& e) {
      VisioController.NoteLinkError(e);
    }
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
