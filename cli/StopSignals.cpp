#include "cli/StopSignals.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>

namespace {

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
  readEnd_ = signalPipe[0];
  installed_ = true;
}

TStopSignals::~TStopSignals() {
  if (!installed_) return;
  sigaction(SIGINT, &oldInt_, nullptr);
  sigaction(SIGTERM, &oldTerm_, nullptr);
}

void TStopSignals::Drain() const {
  char byte = 0;
  while (installed_ && ::read(readEnd_, &byte, 1) > 0) {
  }
}

bool TStopSignals::Wait(double seconds) {
  const int ms = static_cast<int>(std::lround(std::clamp(seconds, 0.0, 86400.0) * 1000));
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
