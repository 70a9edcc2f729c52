// Waiting for what a client's event loop dispatches: the calls the server
// makes back to the client's own objects.
#pragma once

#include <QCoreApplication>

#include <chrono>
#include <functional>

namespace tarvel_test {

// Runs this thread's event loop until done or the time is up.
inline bool PumpUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds within = std::chrono::seconds(10)) {
  const auto deadline = std::chrono::steady_clock::now() + within;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

}  // namespace tarvel_test
