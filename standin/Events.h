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

// visActCode...: what an event does.
constexpr std::int16_t visActCodeRunAddon = 1;
constexpr std::int16_t visActCodeAdvise = 2;

class EventList;

class Event final : public VisioObject {
 public:
  Event(EventList& list, std::int32_t id, std::int16_t eventCode, std::int16_t action);
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
  void Perform(const ObjectRef& subject, const std::string& moreInfo);

 private:
  EventList* list_;
  std::int32_t id_;
  std::int16_t code_;
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
  Event* FindById(std::int32_t id) const;
  std::int16_t IndexOf(const Event& event) const;  // 1-based, 0 when absent

  // What the owner calls when the event happens: every enabled event of
  // this code performs its action, the owner as source. A failing action
  // does not stop the others, nor the owner's own work.
  void Fire(std::int16_t eventCode, const ObjectRef& subject, const std::string& moreInfo);

 private:
  VisioObject* owner_;
  std::vector<Ref<Event>> events_;
  // Event IDs are unique within their list and never reused.
  std::int32_t nextId_ = 1;
};

Ref<EventList> MakeEventList(VisioObject& owner);

// Application.EventInfo(visEvtIdMostRecent): the extra information of the
// event being fired in this session, an empty string when none is.
std::string CurrentEventInfo(const Session& session);

}  // namespace standin
