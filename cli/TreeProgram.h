// tarvel-tree's command line, shared by its Linux and Windows programs: the
// help, the options and the commands they lead to. What differs by system
// (how Visio is reached, what the run needs around it, how a watch or
// --events waits and is stopped) comes in a TTreeSystem, filled in by
// each system's main.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/EventsCommand.h"

struct TTreeSystem {
  // The help's paragraph after the synopsis: what tarvel-tree connects to.
  std::string_view connects;
  // The end of --watch's help: what stops a watch.
  std::string_view watchStops;
  // Makes Visio reachable before VisioController connects; a stand-in Visio
  // it starts shows the demo drawing when `demo` is set. May be empty.
  std::function<void(bool demo)> prepareVisio;
  // Runs a command that reaches Visio inside what the system needs for it
  // (an application object, an apartment); with `stoppable` (--watch,
  // --events), stop requests are caught for the whole run so that the
  // waits see them.
  std::function<int(bool stoppable, const std::function<int()>& command)> session;
  // --watch's wait: sleeps up to `seconds`; false when a stop request came.
  std::function<bool(double seconds)> wait;
  // What --events needs of the system: its preparation and its wait.
  TEventsSystem events;
};

// Reads the arguments (without the program's name), runs what they ask
// for and returns the exit status.
int RunTarvelTree(const std::vector<std::string>& args, const TTreeSystem& system);
