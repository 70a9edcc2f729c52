// COM for the thread that uses it: a single-threaded apartment, and the
// automation layer's Runtime answered by COM while one is open.
#pragma once

namespace automation::com {

// Opens COM on this thread as a single-threaded apartment
// (CoInitializeEx(COINIT_APARTMENTTHREADED)) and closes it when the scope
// ends; a program makes one in main, on the thread that calls objects.
// While any apartment is open, CLSIDFromProgID, GetActiveObject and
// CoCreateInstance of automation/Runtime.h ask COM for whatever this
// process does not serve itself: the registry's class names, the running
// object table, local servers.
//
// Throws AutomationError when COM cannot be opened, RPC_E_CHANGED_MODE
// when the thread is a multithreaded apartment already. Every reference to
// COM's objects made on the thread must be gone before the apartment ends.
class Apartment {
 public:
  Apartment();
  ~Apartment();
  Apartment(const Apartment&) = delete;
  Apartment& operator=(const Apartment&) = delete;
};

}  // namespace automation::com
