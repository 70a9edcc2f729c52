// tarvel-tree --events: Visio's events printed as they arrive, one line
// each as the event monitor window logs them (tree/EventLog.h).
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

struct TEventsOptions {
  std::vector<std::uint16_t> codes;  // empty: the monitor's defaults
  std::optional<long> count;         // stop after this many events
};

// What listening needs from the system it runs on.
struct TEventsSystem {
  // Readies the program for Visio's calls to its sink, before it listens
  // (on Windows: the type library that lets COM carry them across
  // processes); an error text ends the command. May be empty.
  std::function<std::string()> prepare;
  // Lets Visio's calls to the sink in, on this thread (Qt's event loop on
  // Linux, the apartment's messages on Windows), for up to `seconds`,
  // returning early once `finished()` holds; false when a stop request came
  // (now or earlier in a run that catches them).
  std::function<bool(double seconds, const std::function<bool()>& finished)> wait;
};

// Subscribes to the codes on VisioController's Visio, then runs `started`
// (which may make events, opening drawings; its non-zero status ends the
// command), then prints each event's line, flushed, until `count` events
// were printed, a stop request comes (0), or the link to Visio fails (3).
// The events are removed from Visio before it returns; a removal Visio
// refuses is reported and gives 1, as a refused subscription or a failed
// preparation does.
int RunEventsCommand(const TEventsOptions& options, const std::function<int()>& started,
                     const TEventsSystem& system, std::ostream& out, std::ostream& err);
