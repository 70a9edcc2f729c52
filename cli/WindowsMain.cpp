// tarvel-tree on Windows: Visio is whatever COM knows as Visio.Application
// (Visio itself, or tarvel-visio.exe registered in its place), reached from
// a single-threaded apartment, whose messages bring Visio's calls to the
// event sink of --events; Ctrl+C and Ctrl+Break stop a watch or --events.
// The layers' headers before Windows' (see automation/com/ComHeaders.h).
#include "visio/KTVisio_AddOnSink.h"
#include "visio/Tarvel_AutomationServer.h"
// Then COM's.
#include "automation/com/Apartment.h"
#include "automation/com/Convert.h"
// Then the rest.
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <exception>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli/ConsoleStop.h"
#include "cli/TreeProgram.h"
#include "visio/ErrorText.h"

namespace {

// Puts the console's output code page back as it was.
struct TUtf8Console {
  TUtf8Console() : old(::GetConsoleOutputCP()) { ::SetConsoleOutputCP(CP_UTF8); }
  ~TUtf8Console() {
    if (old != 0) ::SetConsoleOutputCP(old);
  }
  UINT old;
};

}  // namespace

int main() {
  // The same bytes as on Linux: "\n" line ends (no text mode's "\r\n"), and
  // the captions' UTF-8 as it is, shown as such by a console.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  const TUtf8Console console;

  // The arguments as UTF-8, as the automation layer's texts are.
  int argc = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  std::vector<std::string> args;
  for (int i = 1; argv && i < argc; ++i) {
    args.push_back(automation::com::Narrow(argv[i], std::wcslen(argv[i])));
  }
  if (argv) ::LocalFree(argv);

  TTreeSystem system;
  system.connects =
      "tarvel-tree connects to Visio.Application (the running one, else the one COM\n"
      "starts: Visio, or tarvel-visio.exe registered with /regserver --demo), opens\n"
      "the FILEs in it, and prints the object tree as the tree window shows it:\n"
      "one caption per line, indented two blanks per level.\n";
  system.watchStops =
      "                      Runs until interrupted (Ctrl+C or Ctrl+Break end it\n"
      "                      with status 0)\n";
  system.session = [](bool stoppable, const std::function<int()>& command) {
    std::optional<TConsoleStop> stop;
    if (stoppable) stop.emplace();
    std::optional<automation::com::Apartment> apartment;
    try {
      apartment.emplace();
    } catch (const std::exception& e) {
      std::cerr << "tarvel-tree: cannot open COM: " << TrimText(ErrorMessage(e)) << '\n';
      return 1;
    }
    return command();
  };
  system.wait = TConsoleStop::Wait;
  // The sink is handed to Visio's process as the COM object of its dual
  // interface IVisioAddOnSink (RegisterAddOnSinkClass). Visio calls it late
  // bound, through IDispatch, which COM marshals without help; a caller
  // bound to IVisioAddOnSink itself reaches it only through the universal
  // marshaller, which needs the library registered. So it is registered as
  // Tarvel's start-up does: the library this program carries, under this
  // program. Only for --events: nothing else is called back, and a run
  // that prints the tree needs no rights to the registry.
  system.events.prepare = [] {
    try {
      RegisterAddOnSinkClass();
      RegisterTypeLibrary(ProgramFilePath());
    } catch (const std::exception& e) {
      return TrimText(ErrorMessage(e));
    }
    return std::string();
  };
  system.events.wait = TConsoleStop::Listen;
  return RunTarvelTree(args, system);
}
