#include "cli/StopSignals.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <optional>

namespace {

int Milliseconds(double seconds) {
  return static_cast<int>(std::lround(std::clamp(seconds, 0.0, 86400.0) * 1000));
}

// One pipe for the process: a handler may only write.
int signalPipe[2] = {-1, -1};

void OnSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

}  // namespace

TStopSignals::TStopSignals() {
  if (signalPipe[0] < 0 && ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  struct sigaction action {};
  action.sa_handler = OnSignal;
  // Output under way goes on; poll and the event loop's wait end all the same.
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, &oldInt_);
  sigaction(SIGTERM, &action, &oldTerm_);
  installed_ = true;
}

TStopSignals::~TStopSignals() {
  if (!installed_) return;
  sigaction(SIGINT, &oldInt_, nullptr);
  sigaction(SIGTERM, &oldTerm_, nullptr);
}

bool TStopSignals::Wait(double seconds) {
  const int ms = Milliseconds(seconds);
  pollfd watched{signalPipe[0], POLLIN, 0};
  // Without a pipe, a plain sleep (poll ignores a negative descriptor).
  for (;;) {
    const int ready = ::poll(&watched, 1, ms);
    if (ready > 0) return false;
    if (ready == 0) return true;
    if (errno != EINTR) return true;
    // The signal that interrupted the sleep has written its byte by now.
  }
}

bool TStopSignals::Listen(double seconds, const std::function<bool()>& finished) {
  // The pipe is never drained: a stop is final, seen by every wait after it.
  pollfd watched{signalPipe[0], POLLIN, 0};
  if (::poll(&watched, 1, 0) > 0) return false;
  QEventLoop loop;
  bool stopped = false;
  std::optional<QSocketNotifier> stop;
  if (signalPipe[0] >= 0) {
    stop.emplace(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&*stop, &QSocketNotifier::activated, &loop, [&stopped] { stopped = true; });
  }
  bool timedOut = false;
  QTimer::singleShot(Milliseconds(seconds), &loop, [&timedOut] { timedOut = true; });
  while (!stopped && !timedOut && !(finished && finished())) {
    loop.processEvents(QEventLoop::WaitForMoreEvents);
  }
  return !stopped;
}
