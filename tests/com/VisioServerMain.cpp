// The served stand-in's test program: one apartment on the main thread.
// Run with --call-sink <file> it is instead the second process of the event
// sink's tests (SinkTest.h).
#include "SinkTest.h"
#include "automation/com/Apartment.h"
// Then the rest.
#include <gtest/gtest.h>
#include <shellapi.h>

#include <cwchar>

int main(int argc, char** argv) {
  int wargc = 0;
  wchar_t** wargv = ::CommandLineToArgvW(::GetCommandLineW(), &wargc);
  if (wargv && wargc == 3 && wcscmp(wargv[1], L"--call-sink") == 0) {
    return sinktest::CallSinkFromFile(wargv[2]);
  }
  automation::com::Apartment apartment;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
