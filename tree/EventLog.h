// Visio's events as lines of text, for the event monitor window and
// tarvel-tree --events, and the bounded log the window keeps.
//
// One line per event:
//
//   TIME NAME CODE seq=SEQ subject=SUBJECT source=SOURCE[ info="INFO"]
//
//   TIME     the local time it arrived, hh:mm:ss.zzz
//   NAME     the event's name (CellChanged); left out, with its blank, for
//            a code Visio's table of events does not know
//   CODE     the event code as Visio's documentation writes it (10240)
//   SEQ      Visio's sequence number of the event
//   SUBJECT, SOURCE
//            the objects as ObjectLabel names them
//   INFO     the extra information, when it is not empty, escaped as the
//            tree escapes captions (\n, \", \\, \uXXXX)
//
// For example:
//   09:14:03.250 CellChanged 10240 seq=7 subject=Cell "PinX" of Shape "Process" (Page-1)
//   source=Application
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

#include "automation/Object.h"
#include "visio/KTVisio_AddOnSink.h"

// An object as the event lines name it, read from Visio now:
//   Application, Documents, Pages, Windows, ... (collections by their type)
//   Document "demo.vsdx"          Page "Page-1"        Master "Box"
//   Style "Normal"                Window "demo.vsdx"   Selection
//   Shape "Process" (Page-1)      Shape "Box" (Master "Box")
//   Cell "PinX" of Shape "Process" (Page-1)
//   Nothing                       deleted object
// A part Visio cannot tell (the object was deleted meanwhile) shows as "?";
// a type the list does not know as "Object N". Never throws.
std::string ObjectLabel(const automation::ObjectRef& object);

// hh:mm:ss.zzz of a time of day in milliseconds.
std::string TimeOfDayText(std::int64_t msecsSinceMidnight);
// The local time of day now, in milliseconds.
std::int64_t NowMsecsSinceMidnight();

// The event's line (see above), its objects named now.
std::string EventLine(const TKTVisio_EventInfo& event, std::int64_t msecsSinceMidnight);

// The last `capacity` lines; older ones are dropped and counted.
class TEventLog {
 public:
  static constexpr std::size_t kDefaultCapacity = 10000;

  explicit TEventLog(std::size_t capacity = kDefaultCapacity);

  // Appends the line; returns how many of the oldest lines it pushed out
  // (0 or 1).
  std::size_t Add(std::string line);
  void Clear();

  const std::deque<std::string>& Lines() const { return lines_; }
  std::size_t Capacity() const { return capacity_; }
  // Lines dropped since the last Clear.
  std::size_t Dropped() const { return dropped_; }
  // "" while nothing was dropped, else "N older lines dropped (the log keeps
  // the last CAPACITY)", "1 older line dropped ..." for one.
  std::string DroppedText() const;

 private:
  std::size_t capacity_;
  std::size_t dropped_ = 0;
  std::deque<std::string> lines_;
};
