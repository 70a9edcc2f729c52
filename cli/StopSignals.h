// SIGINT and SIGTERM end a long-running command (--watch, --events) cleanly
// instead of the program, while a TStopSignals lives: the handler writes a
// byte to a pipe, which a wait or an event loop watches.
#pragma once

#include <csignal>
#include <functional>

class TStopSignals {
 public:
  TStopSignals();
  // Puts back the handlers there were before.
  ~TStopSignals();
  TStopSignals(const TStopSignals&) = delete;
  TStopSignals& operator=(const TStopSignals&) = delete;

  // Sleeps up to `seconds` unless a stop signal comes (or came, while a
  // TStopSignals lived) first; false when one did.
  static bool Wait(double seconds);
  // Wait in Qt's event loop, which delivers what arrives meanwhile (Visio's
  // calls on D-Bus), returning early once `finished()` holds after one.
  static bool Listen(double seconds, const std::function<bool()>& finished);

 private:
  bool installed_ = false;
  struct sigaction oldInt_ {};
  struct sigaction oldTerm_ {};
};
