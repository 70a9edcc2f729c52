// Windows' counterpart of TStopSignals: Ctrl+C and Ctrl+Break end a
// long-running command (--watch, --events) cleanly instead of the program, while a
// TConsoleStop lives. The console's handler sets an event, which the wait
// watches while it keeps the apartment's messages flowing.
#pragma once

#include <functional>

class TConsoleStop {
 public:
  TConsoleStop();
  // Takes the handler away again.
  ~TConsoleStop();
  TConsoleStop(const TConsoleStop&) = delete;
  TConsoleStop& operator=(const TConsoleStop&) = delete;

  // Sleeps up to `seconds`, dispatching the thread's window messages (COM
  // calls into a single-threaded apartment arrive as messages), unless a
  // stop request comes (or came, while a TConsoleStop lived) first; false
  // when one did.
  static bool Wait(double seconds);
  // Wait, returning early once `finished()` holds after messages were
  // dispatched (Visio's calls to an event sink among them).
  static bool Listen(double seconds, const std::function<bool()>& finished);

 private:
  bool installed_ = false;
};
