// Event lists and events: what a Visio object does when something happens
// to it. An event either runs an add-on (visActCodeRunAddon) or calls a
// client's sink object (visActCodeAdvise) through its VisEventProc.
//
// Every object with an EventList property owns one list, made on first
// use with MakeEventList. The list keeps a plain pointer to its owner, the
// source of the events it fires; the owner must mark the list deleted
// (MarkDeleted) when it is deleted or destroyed itself, after which the
// list never touches it again.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "standin/Model.h"

namespace standin {

// Visio's event codes (VisEventCodes) for what the stand-in raises.
constexpr std::int16_t visEvtCodeDocCreate = 1;
constexpr std::int16_t visEvtCodeDocOpen = 2;
constexpr std::int16_t visEvtCodeDocSave = 3;
constexpr std::int16_t visEvtCodeDocSaveAs = 4;
constexpr std::int16_t visEvtCodeBefDocSave = 7;
constexpr std::int16_t visEvtCodeBefDocSaveAs = 8;
constexpr std::int16_t visEvtCodeWinSelChange = 701;
// visEvtAdd, visEvtDel and visEvtMod with an object's code, as 16 bits.
constexpr std::int16_t EventCode(int action, int object) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(action + object));
}
constexpr int visEvtAdd = 0x8000;
constexpr int visEvtDel = 0x4000;
constexpr int visEvtMod = 0x2000;
constexpr std::int16_t visEvtBeforeDocumentClose = EventCode(visEvtDel, 2);  // visEvtDoc
constexpr std::int16_t visEvtDocumentChanged = EventCode(visEvtMod, 2);
constexpr std::int16_t visEvtPageAdded = EventCode(visEvtAdd, 16);           // visEvtPage
constexpr std::int16_t visEvtBeforePageDelete = EventCode(visEvtDel, 16);
constexpr std::int16_t visEvtShapeAdded = EventCode(visEvtAdd, 64);  // visEvtShape
constexpr std::int16_t visEvtBeforeShapeDelete = EventCode(visEvtDel, 64);
constexpr std::int16_t visEvtShapeChanged = EventCode(visEvtMod, 64);
constexpr std::int16_t visEvtTextChanged = EventCode(visEvtMod, 128);      // visEvtText
constexpr std::int16_t visEvtCellChanged = EventCode(visEvtMod, 2048);     // visEvtCell
constexpr std::int16_t visEvtFormulaChanged = EventCode(visEvtMod, 4096);  // visEvtFormula
constexpr std::int16_t visEvtWindowOpened = EventCode(visEvtAdd, 1);       // visEvtWindow
constexpr std::int16_t visEvtBeforeWindowClosed = EventCode(visEvtDel, 1);
constexpr std::int16_t visEvtWindowActivated =
    EventCode(4096, 128);  // visEvtApp + visEvtWinActivate

// visActCode...: what an event does.
constexpr std::int16_t visActCodeRunAddon = 1;
constexpr std::int16_t visActCodeAdvise = 2;

class EventList;

class Event final : public VisioObject {
 public:
  Event(EventList& list, std::int32_t id, std::int16_t eventCode, std::int16_t action);
  ~Event() override;
  const MemberTable& Members() const override;
  void MarkDeleted() override;

  EventList& list() const { return *list_; }
  std::int32_t Id() const { return id_; }
  std::int16_t Code() const { return code_; }
  std::int16_t Action() const { return action_; }
  bool Enabled() const { return enabled_; }
  const std::string& Target() const { return target_; }
  const std::string& TargetArgs() const { return targetArgs_; }
  const ObjectRef& Sink() const { return sink_; }

  void SetTarget(std::string target, std::string targetArgs);
  void SetSink(ObjectRef sink, std::string iid);
  // Only add-on events of an owner that keeps its events in its file can
  // be saved with it.
  bool Persistable() const;

  // Does what the event does: runs the add-on named by Target with
  // TargetArgs, or calls the sink's VisEventProc. Application.EventInfo
  // answers moreInfo meanwhile. Errors of the action are passed on.
  // seq is the event's sequence number, the same for every list it is
  // fired in.
  void Perform(const ObjectRef& subject, const std::string& moreInfo, std::int32_t seq);

 private:
  EventList* list_;
  std::int32_t id_;
  std::int16_t code_;
  bool counted_ = false;  // in the session's eventsByCode
  std::int16_t action_;
  bool enabled_ = true;
  bool persistent_ = false;
  std::string target_;
  std::string targetArgs_;
  ObjectRef sink_;  // counted, as Visio holds an advise sink until the event goes
  std::string sinkIid_;
};

class EventList final : public VisioObject {
 public:
  explicit EventList(VisioObject& owner);
  ~EventList() override;
  const MemberTable& Members() const override;
  void MarkDeleted() override;

  VisioObject& owner() const { return *owner_; }
  const std::vector<Ref<Event>>& Events() const { return events_; }
  // EventList.Add: an event that runs an add-on.
  Event& AddRunAddon(std::int16_t eventCode, std::string target, std::string targetArgs);
  // EventList.AddAdvise: an event that calls a sink.
  Event& AddAdvise(std::int16_t eventCode, ObjectRef sink, std::string iid, std::string targetArgs);
  void Remove(Event& event);
  // Removes the advise events that call sink.
  void RemoveSink(ObjectRef sink);
  Event* FindById(std::int32_t id) const;
  std::int16_t IndexOf(const Event& event) const;  // 1-based, 0 when absent

  // What the owner calls when the event happens: every enabled event of
  // this code performs its action, the owner as source. A failing action
  // does not stop the others, nor the owner's own work; a sink found
  // disconnected (its client has gone) loses its events in this list.
  void Fire(std::int16_t eventCode, const ObjectRef& subject, const std::string& moreInfo,
            std::int32_t seq);
  bool Has(std::int16_t eventCode) const;

 private:
  VisioObject* owner_;
  std::vector<Ref<Event>> events_;
  // Event IDs are unique within their list and never reused.
  std::int32_t nextId_ = 1;
};

Ref<EventList> MakeEventList(VisioObject& owner);

// Whether an event of this code raised now could reach any event list:
// events are enabled and some list holds an event of a code like it. A
// look at two numbers, so that what raises an event nobody asked for
// costs nothing; callers whose subject is costly to make ask first.
inline bool MayFire(const VisioObject& source, std::int16_t eventCode) {
  const Session& s = *source.session();
  return s.eventsEnabled && !s.quit &&
         s.eventsByCode[static_cast<std::uint16_t>(eventCode) % s.eventsByCode.size()] != 0;
}

// The model raises an event: it fires in the source's own list and in the
// lists of the objects above it (EventParent), nearest first, all with one
// new sequence number. Nothing happens unless MayFire.
void RaiseEvent(VisioObject& source, std::int16_t eventCode, const ObjectRef& subject,
                const std::string& moreInfo = std::string());

// Application.EventInfo(visEvtIdMostRecent): the extra information of the
// event being fired in this session, an empty string when none is.
std::string CurrentEventInfo(const Session& session);

}  // namespace standin
