// Visio's events by name and code, as its documentation's table of event
// codes lists them: the name of the event, the VisEventCodes constants it is
// composed of, and the numeric code. Codes are shown as the documentation
// shows them, as unsigned 16-bit numbers (CellChanged is 10240, ShapeAdded
// 32832), although Visio passes them to VisEventProc as signed 16-bit
// integers (ShapeAdded arrives as -32704).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct TVisioEventCode {
  std::uint16_t Code;
  std::string_view Name;         // the event's name, e.g. "CellChanged"
  std::string_view Composition;  // its constants, e.g. "visEvtMod+visEvtCell"
};

// Every event of VisEventCodes, sorted by name.
std::span<const TVisioEventCode> VisioEventCodes();

// The code as the documentation shows it, whatever sign it arrived with.
inline std::uint16_t EventCodeValue(std::int32_t code) {
  return static_cast<std::uint16_t>(code);
}

// The event's name, or "" for a code that is no event of the table.
std::string_view EventCodeName(std::uint16_t code);

// The name, or the code in decimal for a code the table does not know.
std::string EventCodeText(std::uint16_t code);

// A code as a user gives it: an event's name (in any case) or a number,
// unsigned (10240, 32832) or as the signed 16-bit value Visio passes
// (-32704). Nothing for any other text, for 0 (visEvtCodeInval) and for
// numbers outside 16 bits.
std::optional<std::uint16_t> ParseEventCode(std::string_view text);

// What the event monitor listens to unless told otherwise: changes of
// shapes and cells, shapes added and deleted, texts, pages, documents and
// the selection.
std::vector<std::uint16_t> DefaultMonitorCodes();
