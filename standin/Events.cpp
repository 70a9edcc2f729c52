#include "standin/Events.h"

#include <utility>

#include "standin/Collections.h"

namespace standin {

using automation::AutomationError;

namespace {

[[noreturn]] void BadParameter() {
  ThrowVisio(VisioErrorKind::InvalidParameter);
}

// Event codes are 16-bit, but codes with the high bit set (visEvtAdd +
// visEvtDoc, 0x8002) are commonly written as positive 32-bit numbers.
std::int16_t EventCodeArg(Args a, std::size_t i) {
  const std::int32_t v = ArgI4(a, i);
  if (v < -32768 || v > 65535 || v == 0) BadParameter();
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(v));
}

// The events being fired, innermost last, for EventInfo.
std::vector<std::pair<const Session*, std::string>>& Firing() {
  static std::vector<std::pair<const Session*, std::string>> stack;
  return stack;
}

std::uint32_t& CountOf(Session& session, std::int16_t code) {
  return session.eventsByCode[static_cast<std::uint16_t>(code) % session.eventsByCode.size()];
}

class FiringScope {
 public:
  FiringScope(const Session& session, std::string info) {
    Firing().emplace_back(&session, std::move(info));
  }
  ~FiringScope() { Firing().pop_back(); }
  FiringScope(const FiringScope&) = delete;
  FiringScope& operator=(const FiringScope&) = delete;
};

}  // namespace

std::string CurrentEventInfo(const Session& session) {
  const auto& stack = Firing();
  for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
    if (it->first == &session) return it->second;
  }
  return std::string();
}

// ---- Event ----

Event::Event(EventList& list, std::int32_t id, std::int16_t eventCode, std::int16_t action)
    : VisioObject(list.session()), list_(&list), id_(id), code_(eventCode), action_(action) {
  // Events of an owner that keeps them are kept unless told otherwise.
  persistent_ = Persistable();
  ++CountOf(*session(), code_);
  counted_ = true;
}

Event::~Event() {
  if (counted_) --CountOf(*session(), code_);
}

void Event::MarkDeleted() {
  VisioObject::MarkDeleted();
  sink_.Reset();
  if (counted_) --CountOf(*session(), code_);
  counted_ = false;
}

void Event::SetTarget(std::string target, std::string targetArgs) {
  target_ = std::move(target);
  targetArgs_ = std::move(targetArgs);
}

void Event::SetSink(ObjectRef sink, std::string iid) {
  sink_ = std::move(sink);
  sinkIid_ = std::move(iid);
}

bool Event::Persistable() const {
  if (action_ != visActCodeRunAddon) return false;
  try {
    return list_->owner().Invoke(CallKind::PropertyGet, "PersistsEvents", {}).ToInt16() != 0;
  } catch (const AutomationError&) {
    return false;  // an owner without PersistsEvents keeps no events
  }
}

void Event::Perform(const ObjectRef& subject, const std::string& moreInfo, std::int32_t seq) {
  const FiringScope scope(*session(), moreInfo);
  VisioObject& source = list_->owner();
  if (action_ == visActCodeAdvise) {
    const Variant args[] = {Variant(code_),   Variant(Ref<VisioObject>(&source)),
                            Variant(id_),     Variant(seq),
                            Variant(subject), Variant(moreInfo)};
    const ObjectRef sink = sink_;  // the sink may delete this event
    sink->Invoke(CallKind::Method, "VisEventProc", args);
    return;
  }
  const ObjectRef app = source.Invoke(CallKind::PropertyGet, "Application", {}).ToObject();
  const ObjectRef addon = app.Get("Addons").ToObject().Get("Item", {Variant(target_)}).ToObject();
  addon.Invoke("Run", {Variant(targetArgs_)});
}

const MemberTable& Event::Members() const {
  static const auto table =
      MemberTableBuilder<Event>("IVEvent", Guid{})
          .Prop(
              "Action", [](Event& e) { return Variant(e.action_); },
              [](Event& e, const Variant& v) {
                const std::int16_t action = v.ToInt16();
                if (action != visActCodeRunAddon && action != visActCodeAdvise) BadParameter();
                if (action == visActCodeAdvise && !e.sink_) BadParameter();
                e.action_ = action;
              })
          .Get("Application", [](Event& e) { return ApplicationRef(e); })
          .Method("Delete", [](Event& e) { e.list().Remove(e); })
          .Prop(
              "Enabled", [](Event& e) { return VisBool(e.enabled_); },
              [](Event& e, const Variant& v) { e.enabled_ = v.ToInt16() != 0; })
          .Prop(
              "Event", [](Event& e) { return Variant(e.code_); },
              [](Event& e, const Variant& v) {
                const Variant args[] = {v};
                const std::int16_t code = EventCodeArg(args, 0);
                --CountOf(*e.session(), e.code_);
                e.code_ = code;
                ++CountOf(*e.session(), e.code_);
              })
          .Get("EventList", [](Event& e) { return Ref<EventList>(&e.list()); })
          .Get("ID", [](Event& e) { return I4(e.id_); })
          .Get("Index", [](Event& e) { return I2(e.list().IndexOf(e)); })
          .Get("ObjectType", [](Event&) { return I2(static_cast<int>(ObjType::Event)); })
          .Get("Persistable", [](Event& e) { return VisBool(e.Persistable()); })
          .Prop(
              "Persistent", [](Event& e) { return VisBool(e.persistent_ && e.Persistable()); },
              [](Event& e, const Variant& v) {
                const bool on = v.ToInt16() != 0;
                if (on && !e.Persistable()) ThrowVisio(VisioErrorKind::Disabled);
                e.persistent_ = on;
              })
          .Get("Stat", [](Event& e) { return StatOf(e); })
          .Prop(
              "Target", [](Event& e) { return e.target_; },
              [](Event& e, const Variant& v) { e.target_ = v.ToString(); })
          .Prop(
              "TargetArgs", [](Event& e) { return e.targetArgs_; },
              [](Event& e, const Variant& v) { e.targetArgs_ = v.ToString(); })
          .Method("Trigger",
                  [](Event& e, Args a) {
                    CheckArgCount(a, 0, 1);
                    const std::string context = HasArg(a, 0) ? ArgStr(a, 0) : std::string();
                    const Ref<VisioObject> source(&e.list().owner());
                    e.Perform(ObjectRef(source), context, ++e.session()->eventSeq);
                    return Variant();
                  })
          .Build();
  return *table;
}

// ---- EventList ----

EventList::EventList(VisioObject& owner) : VisioObject(owner.session()), owner_(&owner) {}

EventList::~EventList() {
  // Events hold a plain pointer to this list.
  for (const auto& e : events_) e->MarkDeleted();
}

void EventList::MarkDeleted() {
  VisioObject::MarkDeleted();
  for (const auto& e : events_) e->MarkDeleted();
}

Event& EventList::AddRunAddon(std::int16_t eventCode, std::string target, std::string targetArgs) {
  auto event = MakeRef<Event>(*this, nextId_++, eventCode, visActCodeRunAddon);
  event->SetTarget(std::move(target), std::move(targetArgs));
  events_.push_back(event);
  return *event;
}

Event& EventList::AddAdvise(std::int16_t eventCode, ObjectRef sink, std::string iid,
                            std::string targetArgs) {
  if (!sink) BadParameter();
  auto event = MakeRef<Event>(*this, nextId_++, eventCode, visActCodeAdvise);
  event->SetTarget(std::string(), std::move(targetArgs));
  event->SetSink(std::move(sink), std::move(iid));
  events_.push_back(event);
  return *event;
}

void EventList::Remove(Event& event) {
  for (auto it = events_.begin(); it != events_.end(); ++it) {
    if (it->get() == &event) {
      const Ref<Event> keep = *it;
      events_.erase(it);
      keep->MarkDeleted();
      return;
    }
  }
}

void EventList::RemoveSink(ObjectRef sink) {
  const std::vector<Ref<Event>> events = events_;
  for (const auto& e : events) {
    if (e->Action() == visActCodeAdvise && e->Sink() && SameObject(e->Sink(), sink)) Remove(*e);
  }
}

Event* EventList::FindById(std::int32_t id) const {
  for (const auto& e : events_) {
    if (e->Id() == id) return e.get();
  }
  return nullptr;
}

std::int16_t EventList::IndexOf(const Event& event) const {
  return PositionOf(events_, &event);
}

bool EventList::Has(std::int16_t eventCode) const {
  for (const auto& e : events_) {
    if (e->Enabled() && e->Code() == eventCode) return true;
  }
  return false;
}

void EventList::Fire(std::int16_t eventCode, const ObjectRef& subject, const std::string& moreInfo,
                     std::int32_t seq) {
  if (IsDeleted()) return;  // an earlier action deleted the owner
  // A copy: an action may add or delete events.
  const std::vector<Ref<Event>> events = events_;
  for (const auto& e : events) {
    if (e->IsDeleted() || !e->Enabled() || e->Code() != eventCode) continue;
    try {
      e->Perform(subject, moreInfo, seq);
    } catch (const AutomationError& error) {
      // Visio goes on with the next event whatever an add-on or sink does.
      // A sink whose client has gone can never be called again: its events
      // in this list go, at the first one fired after the client left.
      const bool sinkGone = error.code() == automation::RPC_E_DISCONNECTED ||
                            error.code() == automation::CO_E_OBJNOTCONNECTED;
      if (sinkGone && e->Action() == visActCodeAdvise && e->Sink()) RemoveSink(e->Sink());
    }
  }
}

const MemberTable& EventList::Members() const {
  static const auto table =
      MemberTableBuilder<EventList>("IVEventList", Guid{})
          .Method("Add",
                  [](EventList& l, Args a) {
                    CheckArgCount(a, 4, 4);
                    const std::int16_t code = EventCodeArg(a, 0);
                    if (ArgI2(a, 1) != visActCodeRunAddon) BadParameter();
                    return Ref<Event>(&l.AddRunAddon(code, ArgStr(a, 2), ArgStr(a, 3)));
                  })
          .Method(
              "AddAdvise",
              [](EventList& l, Args a) {
                CheckArgCount(a, 4, 4);
                const std::int16_t code = EventCodeArg(a, 0);
                return Ref<Event>(&l.AddAdvise(code, ArgObject(a, 1), ArgStr(a, 2), ArgStr(a, 3)));
              })
          .Get("Application", [](EventList& l) { return ApplicationRef(l); })
          .Get("Count", [](EventList& l) { return I2(static_cast<int>(l.events_.size())); })
          .Get("Item",
               [](EventList& l, Args a) {
                 CheckArgCount(a, 1, 1);
                 const std::int32_t i = ArgI4(a, 0);
                 if (i < 1 || i > static_cast<std::int32_t>(l.events_.size())) BadParameter();
                 return Variant(l.events_[static_cast<std::size_t>(i - 1)]);
               })
          .Get("ItemFromID",
               [](EventList& l, Args a) {
                 CheckArgCount(a, 1, 1);
                 Event* e = l.FindById(ArgI4(a, 0));
                 if (!e) BadParameter();
                 return Variant(Ref<Event>(e));
               })
          .Get("ObjectType", [](EventList&) { return I2(static_cast<int>(ObjType::EventList)); })
          .Get("Stat", [](EventList& l) { return StatOf(l); })
          .Build();
  return *table;
}

Ref<EventList> MakeEventList(VisioObject& owner) {
  return MakeRef<EventList>(owner);
}

void RaiseEvent(VisioObject& source, std::int16_t eventCode, const ObjectRef& subject,
                const std::string& moreInfo) {
  if (!MayFire(source, eventCode)) return;
  // The lists first, held: an action may delete the objects on the way up.
  std::vector<Ref<EventList>> lists;
  for (const VisioObject* o = &source; o && !o->IsDeleted(); o = o->EventParent()) {
    EventList* list = o->EventsIfAny();
    if (list && list->Has(eventCode)) lists.emplace_back(list);
  }
  if (lists.empty()) return;
  // Only events something asks for are numbered: Visio fires no others.
  const std::int32_t seq = ++source.session()->eventSeq;
  for (const auto& list : lists) list->Fire(eventCode, subject, moreInfo, seq);
}

}  // namespace standin
