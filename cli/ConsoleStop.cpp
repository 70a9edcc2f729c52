#include "cli/ConsoleStop.h"

#include <windows.h>

#include <algorithm>
#include <cmath>

namespace {

// One event for the process, set by the handler (which runs on a thread of
// its own) and never reset: a stop is final.
HANDLE stopEvent = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD type) {
  if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;
  ::SetEvent(stopEvent);
  return TRUE;
}

void DispatchMessages() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

}  // namespace

TConsoleStop::TConsoleStop() {
  if (!stopEvent) stopEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  installed_ = stopEvent && ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

TConsoleStop::~TConsoleStop() {
  if (installed_) ::SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
}

bool TConsoleStop::Wait(double seconds) {
  return Listen(seconds, {});
}

bool TConsoleStop::Listen(double seconds, const std::function<bool()>& finished) {
  const auto ms = static_cast<ULONGLONG>(std::llround(std::clamp(seconds, 0.0, 86400.0) * 1000));
  const ULONGLONG end = ::GetTickCount64() + ms;
  // Without an event, only the messages and the time.
  const DWORD count = stopEvent ? 1 : 0;
  for (;;) {
    const ULONGLONG now = ::GetTickCount64();
    const DWORD left = now >= end ? 0 : static_cast<DWORD>(end - now);
    const DWORD woken =
        ::MsgWaitForMultipleObjectsEx(count, &stopEvent, left, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (count == 1 && woken == WAIT_OBJECT_0) return false;
    if (woken == WAIT_OBJECT_0 + count) {
      DispatchMessages();
      if (finished && finished()) return true;
      continue;
    }
    if (woken == WAIT_FAILED) ::Sleep(left);
    return true;
  }
}
