// The COM backend's test program. Run with -Embedding (as COM starts a
// local server) it serves the echo class instead of running the tests.
// The layer's headers before Windows' (see ComHeaders.h).
#include "automation/com/ComHeaders.h"
// Then the rest.
#include <gtest/gtest.h>

#include <cstring>

#include "ComTestSupport.h"
#include "EchoObject.h"
#include "automation/com/Apartment.h"

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (_stricmp(argv[i], "-Embedding") == 0 || _stricmp(argv[i], "/Embedding") == 0) {
      return echo::RunLocalServer();
    }
  }
  automation::com::Apartment apartment;
  ::testing::InitGoogleTest(&argc, argv);
  const int failed = RUN_ALL_TESTS();
  comtest::StopLocalServer();
  comtest::UnregisterLocalServer();
  return failed;
}
