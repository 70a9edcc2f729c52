// The served stand-in's test program: one apartment on the main thread.
// Run with --call-sink <file> it is instead the second process of the event
// sink's tests (SinkTest.h); with --set-formula CELL FORMULA... a client
// that changes a cell while tarvel-tree.exe listens (CellWriter.h).
#include "CellWriter.h"
#include "SinkTest.h"
#include "automation/com/Apartment.h"
#include "automation/com/Convert.h"
// Then the rest.
#include <gtest/gtest.h>
#include <shellapi.h>

#include <cwchar>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  int wargc = 0;
  wchar_t** wargv = ::CommandLineToArgvW(::GetCommandLineW(), &wargc);
  if (wargv && wargc == 3 && wcscmp(wargv[1], L"--call-sink") == 0) {
    return sinktest::CallSinkFromFile(wargv[2]);
  }
  if (wargv && wargc >= 4 && wcscmp(wargv[1], L"--set-formula") == 0) {
    std::vector<std::string> words;
    for (int i = 2; i < wargc; ++i) {
      words.push_back(automation::com::Narrow(wargv[i], std::wcslen(wargv[i])));
    }
    return sinktest::SetFormulasWhileListened(words[0], {words.begin() + 1, words.end()});
  }
  automation::com::Apartment apartment;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
