#include "tree/EventLog.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <exception>
#include <optional>
#include <utility>

#include "automation/Variant.h"
#include "tree/TreeText.h"
#include "visio/EventCodes.h"
#include "visio/Visio_TLB.h"

using automation::ObjectRef;

namespace {

// Stat's bit for a deleted object (visStatDeleted).
constexpr std::int16_t visStatDeleted = 2;

// Types named by their type alone.
struct TTypeWord {
  std::int16_t type;
  const char* word;
};
constexpr TTypeWord kTypeWords[] = {
    {visObjTypeApp, "Application"},
    {5, "Characters"},
    {8, "Connect"},
    {9, "Connects"},
    {11, "Documents"},
    {13, "Masters"},
    {15, "Pages"},
    {visObjTypeSelection, "Selection"},
    {18, "Shapes"},
    {20, "Styles"},
    {22, "Windows"},
    {25, "Layer"},
    {26, "Layers"},
    {31, "Addon"},
    {32, "Addons"},
    {33, "Event"},
    {34, "EventList"},
    {37, "Hyperlink"},
};

// One line, quoted: quotes and backslashes escaped too.
std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (const char c : EscapedCaption(text)) {
    if (c == '"') out += '\\';
    out += c;
  }
  return out + '"';
}

// A property read now, or nothing when Visio cannot answer.
std::optional<std::string> Read(const ObjectRef& object, const char* member) {
  try {
    return object.Get(member).ToString();
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

ObjectRef ReadObject(const ObjectRef& object, const char* member) {
  try {
    return object.Get(member).ToObject();
  } catch (const std::exception&) {
    return ObjectRef();
  }
}

std::string NameOf(const ObjectRef& object, const char* member = "Name") {
  const std::optional<std::string> name = Read(object, member);
  return name ? Quoted(*name) : std::string("?");
}

// "(Page-1)" for a shape on a page, "(Master "Box")" for one in a master.
std::string ShapeLabel(const ObjectRef& shape) {
  std::string label = "Shape " + NameOf(shape);
  if (const ObjectRef page = ReadObject(shape, "ContainingPage")) {
    const std::optional<std::string> name = Read(page, "Name");
    return label + " (" + (name ? EscapedCaption(*name) : std::string("?")) + ")";
  }
  if (const ObjectRef master = ReadObject(shape, "ContainingMaster")) {
    return label + " (Master " + NameOf(master) + ")";
  }
  return label;
}

std::string WindowLabel(const ObjectRef& window) {
  // Visio's windows have a caption; one that does not tell shows its
  // document's name.
  if (const std::optional<std::string> caption = Read(window, "Caption")) {
    return "Window " + Quoted(*caption);
  }
  if (const ObjectRef document = ReadObject(window, "Document")) {
    return "Window " + NameOf(document);
  }
  return "Window";
}

}  // namespace

std::string ObjectLabel(const ObjectRef& object) {
  if (!object) return "Nothing";
  std::int16_t type = 0;
  try {
    type = object.Get("ObjectType").ToInt16();
  } catch (const std::exception&) {
    // Deleted objects answer nothing but Stat.
    try {
      if ((object.Get("Stat").ToInt16() & visStatDeleted) != 0) return "deleted object";
    } catch (const std::exception&) {
    }
    return "object ?";
  }
  switch (type) {
    case visObjTypeCell: {
      const ObjectRef shape = ReadObject(object, "Shape");
      return "Cell " + NameOf(object) + " of " + (shape ? ShapeLabel(shape) : std::string("?"));
    }
    case visObjTypeShape:
      return ShapeLabel(object);
    case visObjTypePage:
      return "Page " + NameOf(object);
    case visObjTypeDoc:
      return "Document " + NameOf(object);
    case visObjTypeMaster:
      return "Master " + NameOf(object);
    case visObjTypeStyle:
      return "Style " + NameOf(object);
    case visObjTypeWindow:
      return WindowLabel(object);
    default:
      break;
  }
  for (const TTypeWord& word : kTypeWords) {
    if (word.type == type) return word.word;
  }
  return "Object " + std::to_string(type);
}

std::string TimeOfDayText(std::int64_t msecsSinceMidnight) {
  const std::int64_t ms = ((msecsSinceMidnight % 86400000) + 86400000) % 86400000;
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", static_cast<int>(ms / 3600000),
                static_cast<int>(ms / 60000 % 60), static_cast<int>(ms / 1000 % 60),
                static_cast<int>(ms % 1000));
  return text;
}

std::int64_t NowMsecsSinceMidnight() {
  using namespace std::chrono;
  const system_clock::time_point now = system_clock::now();
  const std::time_t seconds = system_clock::to_time_t(now);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &seconds);
#else
  localtime_r(&seconds, &local);
#endif
  const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  return (static_cast<std::int64_t>(local.tm_hour) * 3600 + local.tm_min * 60 + local.tm_sec) *
             1000 +
         ms;
}

std::string EventLine(const TKTVisio_EventInfo& event, std::int64_t msecsSinceMidnight) {
  const std::uint16_t code = EventCodeValue(event.Event);
  std::string line = TimeOfDayText(msecsSinceMidnight) + ' ';
  const std::string_view name = EventCodeName(code);
  if (!name.empty()) line.append(name).append(" ");
  line += std::to_string(code) + " seq=" + std::to_string(event.Seq) +
          " subject=" + ObjectLabel(event.Subject) + " source=" + ObjectLabel(event.Source);
  std::string info;
  try {
    if (!event.Extra.IsEmpty()) info = event.Extra.ToString();
  } catch (const std::exception&) {
    info = "?";  // an object or array: not text
  }
  if (!info.empty()) line += " info=" + Quoted(info);
  return line;
}

TEventLog::TEventLog(std::size_t capacity) : capacity_(capacity == 0 ? 1 : capacity) {}

std::size_t TEventLog::Add(std::string line) {
  lines_.push_back(std::move(line));
  if (lines_.size() <= capacity_) return 0;
  lines_.pop_front();
  ++dropped_;
  return 1;
}

void TEventLog::Clear() {
  lines_.clear();
  dropped_ = 0;
}

std::string TEventLog::DroppedText() const {
  if (dropped_ == 0) return {};
  return std::to_string(dropped_) + " older line" + (dropped_ == 1 ? "" : "s") +
         " dropped (the log keeps the last " + std::to_string(capacity_) + ")";
}
