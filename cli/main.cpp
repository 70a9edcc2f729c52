// tarvel-tree on Linux: Visio is the stand-in, on the session bus or in
// this process; the run has Qt's application object (D-Bus, the event
// loop of --events), and SIGINT and SIGTERM stop a watch.
#include <QCoreApplication>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/StopSignals.h"
#include "cli/TreeProgram.h"
#include "standin/server/VisioBus.h"

int main(int argc, char** argv) {
  TTreeSystem system;
  system.connects =
      "Without FILEs, tarvel-tree connects to Visio (the built-in stand-in, showing\n"
      "its demo drawing) and prints the object tree as the tree window shows it:\n"
      "one caption per line, indented two blanks per level.\n";
  system.watchStops =
      "                      Runs until interrupted (SIGINT or SIGTERM end it with\n"
      "                      status 0)\n";
  system.prepareVisio = [](bool demo) { standin::RegisterStandinVisio({}, demo); };
  system.session = [&argc, argv](bool stoppable, const std::function<int()>& command) {
    std::optional<TStopSignals> stopSignals;
    if (stoppable) stopSignals.emplace();
    QCoreApplication qt(argc, argv);
    return command();
  };
  system.wait = TStopSignals::Wait;
  system.events.wait = TStopSignals::Listen;
  return RunTarvelTree(std::vector<std::string>(argv + 1, argv + argc), system);
}
