#include "cli/Watch.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <exception>
#include <ostream>
#include <thread>

#include "cli/ExitStatus.h"
#include "tree/TreeModel.h"
#include "tree/TreeText.h"
#include "visio/ErrorText.h"
#include "visio/KTVisio_Controller.h"

namespace {

volatile std::sig_atomic_t stopRequested = 0;

extern "C" void RequestStop(int) {
  stopRequested = 1;
}

constexpr int kExitVisio = 1;

}  // namespace

std::string WatchLine(const TTreeChange& change) {
  std::string line(1, static_cast<char>(change.kind));
  line += ' ';
  line += EscapedCaption(change.path);
  line += ": ";
  line += EscapedCaption(change.caption);
  return line;
}

int WatchTree(TTreeItem& root, const TWatchOptions& options, std::ostream& out, std::ostream& err) {
  const auto wait = options.wait ? options.wait : WaitUnlessStopped;
  for (int done = 0; !options.count || done < *options.count; ++done) {
    if (!wait(options.seconds)) break;
    std::vector<TTreeChange> changes;
    std::string failed;
    try {
      changes = root.Tree().Changes().Refresh(root);
    } catch (const std::exception& e) {
      VisioController.NoteLinkError(e);
      failed = TrimText(ErrorMessage(e));
    }
    // A refresh over a broken link changes every caption to its error:
    // that batch is not printed.
    if (!VisioController.LinkFailure().empty()) {
      err << "tarvel-tree: the link to Visio failed during the run: "
          << VisioController.LinkFailure() << '\n';
      return kExitLink;
    }
    if (!failed.empty()) {
      err << "tarvel-tree: refreshing: " << failed << '\n';
      return kExitVisio;
    }
    std::string batch;
    for (const TTreeChange& change : changes) batch += WatchLine(change) + '\n';
    // Scripts read the lines as they come: each refresh's at once.
    out << batch << std::flush;
  }
  return kExitOk;
}

void StopWatchOnSignals() {
  std::signal(SIGINT, RequestStop);
  std::signal(SIGTERM, RequestStop);
}

bool WaitUnlessStopped(double seconds) {
  using Clock = std::chrono::steady_clock;
  const auto deadline =
      Clock::now() + std::chrono::duration_cast<Clock::duration>(
                         std::chrono::duration<double>(std::clamp(seconds, 0.0, kMaxWatchSeconds)));
  // In short naps, so that a signal ends the wait soon.
  constexpr auto kNap = std::chrono::milliseconds(20);
  while (stopRequested == 0) {
    const auto now = Clock::now();
    if (now >= deadline) return true;
    std::this_thread::sleep_for(std::min<Clock::duration>(kNap, deadline - now));
  }
  return false;
}
