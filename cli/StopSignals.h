// SIGINT and SIGTERM end a long-running command (--watch, --events) cleanly
// instead of the program, while a TStopSignals lives: the handler writes a
// byte to a pipe, which a wait or an event loop watches.
#pragma once

#include <csignal>

class TStopSignals {
 public:
  TStopSignals();
  // Puts back the handlers there were before.
  ~TStopSignals();
  TStopSignals(const TStopSignals&) = delete;
  TStopSignals& operator=(const TStopSignals&) = delete;

  // The pipe's end to watch; -1 when the handlers could not be set.
  int ReadEnd() const { return installed_ ? readEnd_ : -1; }
  // Empties the pipe.
  void Drain() const;
  // Sleeps up to `seconds` unless a stop signal comes (or came, while a
  // TStopSignals lived) first; false when one did.
  static bool Wait(double seconds);

 private:
  bool installed_ = false;
  int readEnd_ = -1;
  struct sigaction oldInt_ {};
  struct sigaction oldTerm_ {};
};
