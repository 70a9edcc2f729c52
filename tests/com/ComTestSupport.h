// The echo class as a local server, for the tests that cross a process
// boundary: registered under HKLM\Software\Classes (where Wine looks) for
// the length of the test program.
#pragma once

#include <string>

namespace comtest {

// Registers this program as the echo class's local server, once; an empty
// answer when it worked, else why not.
const std::string& RegisterLocalServer();
// Ends a server that is still running and removes the registration.
void StopLocalServer();
void UnregisterLocalServer();

}  // namespace comtest
