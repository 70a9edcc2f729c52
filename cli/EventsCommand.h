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

// Subscribes to the codes on VisioController's Visio, then runs `started`
// (which may make events, opening drawings; its non-zero status ends the
// command), then prints each event's line, flushed, until `count` events
// were printed, SIGINT or SIGTERM arrives (0), or the link to Visio fails
// (3). The events are removed from Visio before it returns; a removal
// Visio refuses is reported and gives 1, as a refused subscription does.
int RunEventsCommand(const TEventsOptions& options, const std::function<int()>& started,
                     std::ostream& out, std::ostream& err);
