// Event lists and events: adding, numbering and deleting events, running
// an add-on or calling a sink when an event fires, what persists, and the
// event information seen while an event is fired.
#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

#include "standin/Addons.h"
#include "standin/Application.h"
#include "standin/Events.h"
#include "tests/standin/InterfaceRows.h"

namespace standin {
namespace {

using automation::SameObject;
using testrows::Failure;
using testrows::FailureOf;
using testrows::TestDocument;

constexpr int visEvtCodeDocSave = 3;
constexpr int visEvtCodeBefDocSave = 7;
constexpr int visEvtAddDoc = 0x8002;  // visEvtAdd + visEvtDoc

// A client's event sink: records each VisEventProc call, with the event
// information the application gave meanwhile.
class RecordingSink final : public automation::Object {
 public:
  struct Call {
    std::vector<Variant> args;
    std::string eventInfo;
  };
  RecordingSink(const Session& session, bool* destroyed = nullptr,
                automation::HResult failure = automation::S_OK)
      : session_(&session), destroyed_(destroyed), failure_(failure) {}
  ~RecordingSink() override {
    if (destroyed_) *destroyed_ = true;
  }
  Variant Invoke(CallKind kind, std::string_view member, Args args) override {
    EXPECT_EQ(kind, CallKind::Method);
    EXPECT_EQ(member, "VisEventProc");
    calls.push_back({std::vector<Variant>(args.begin(), args.end()), CurrentEventInfo(*session_)});
    if (failure_ != automation::S_OK) throw automation::AutomationError(failure_);
    return Variant();
  }
  std::vector<Call> calls;

 private:
  const Session* session_;
  bool* destroyed_;
  automation::HResult failure_;
};

class EventListTest : public ::testing::Test {
 protected:
  ObjectRef AddRunAddon(int code, const char* target, const char* args) {
    return events
        .Invoke("Add", {Variant(code), I2(visActCodeRunAddon), Variant(target), Variant(args)})
        .ToObject();
  }
  Addon& AddonNamed(const char* name) {
    auto* addons = dynamic_cast<Addons*>(ObjectRef(app).Get("Addons").ToObject().get());
    return *addons->Find(name);
  }

  Ref<Application> app = MakeRef<Application>();
  Ref<TestDocument> doc = MakeRef<TestDocument>(app->session());
  ObjectRef events = doc.Get("EventList").ToObject();
};

TEST_F(EventListTest, EventsAreCountedFromOneAndFoundByTheirIds) {
  EXPECT_EQ(events.Get("Count"), I2(0));
  ObjectRef a = AddRunAddon(visEvtCodeDocSave, "Database Wizard", "/a");
  ObjectRef b = AddRunAddon(visEvtCodeBefDocSave, "Database Wizard", "/b");
  ObjectRef c = AddRunAddon(visEvtAddDoc, "Database Wizard", "/c");
  EXPECT_EQ(events.Get("Count"), I2(3));
  EXPECT_EQ(c.Get("Index"), I2(3));
  EXPECT_EQ(b.Get("ID"), I4(2));
  EXPECT_TRUE(SameObject(events.Get("ItemFromID", {Variant(2)}).ToObject(), b));
  EXPECT_TRUE(SameObject(b.Get("EventList").ToObject(), events));

  b.Invoke("Delete");
  EXPECT_EQ(events.Get("Count"), I2(2));
  EXPECT_TRUE(SameObject(events.Get("Item", {Variant(2)}).ToObject(), c));
  EXPECT_EQ(c.Get("Index"), I2(2));
  // IDs are never given out again.
  EXPECT_EQ(AddRunAddon(visEvtCodeDocSave, "Database Wizard", "").Get("ID"), I4(4));
  for (const auto& [what, call] : std::vector<std::pair<const char*, std::function<void()>>>{
           {"Item(0)", [&] { events.Get("Item", {Variant(0)}); }},
           {"Item(4)", [&] { events.Get("Item", {Variant(4)}); }},
           {"ItemFromID(2)", [&] { events.Get("ItemFromID", {Variant(2)}); }},
           {"ItemFromID(0)", [&] { events.Get("ItemFromID", {Variant(0)}); }}}) {
    const Failure f = FailureOf(call);
    EXPECT_EQ(f.code, VisioErrorCode(VisioErrorKind::InvalidParameter)) << what;
    EXPECT_EQ(f.message, "\n\nInvalid parameter.") << what;
  }
  // A deleted event answers Stat and nothing else.
  EXPECT_EQ(b.Get("Stat"), I2(kStatDeleted));
  EXPECT_EQ(FailureOf([&] { b.Get("Target"); }).code,
            VisioErrorCode(VisioErrorKind::ObjectDeleted));
  EXPECT_EQ(a.Get("Stat"), I2(kStatNormal));
}

TEST_F(EventListTest, AddTakesSixteenBitCodesAndOnlyTheRunAddonAction) {
  // 0x8002 does not fit a signed 16-bit number; Visio reads it as one.
  ObjectRef added = AddRunAddon(visEvtAddDoc, "Database Wizard", "");
  EXPECT_EQ(added.Get("Event"), I2(-32766));
  EXPECT_EQ(added.Get("Action"), I2(visActCodeRunAddon));
  added.Put("Event", Variant(0x8040));
  EXPECT_EQ(added.Get("Event"), I2(static_cast<std::int16_t>(0x8040)));
  const auto bad = VisioErrorCode(VisioErrorKind::InvalidParameter);
  EXPECT_EQ(FailureOf([&] { AddRunAddon(0, "Database Wizard", ""); }).code, bad);
  EXPECT_EQ(FailureOf([&] { AddRunAddon(70000, "Database Wizard", ""); }).code, bad);
  EXPECT_EQ(FailureOf([&] {
              events.Invoke(
                  "Add", {I2(visEvtCodeDocSave), I2(visActCodeAdvise), Variant("x"), Variant("")});
            }).code,
            bad);
  EXPECT_EQ(FailureOf([&] {
              events.Invoke("AddAdvise", {I2(visEvtCodeDocSave), Variant(ObjectRef()), Variant(""),
                                          Variant("")});
            }).code,
            bad);
  // An add-on event has no sink to turn into an advise event.
  EXPECT_EQ(FailureOf([&] { added.Put("Action", I2(visActCodeAdvise)); }).code, bad);
  EXPECT_EQ(events.Get("Count"), I2(1));
}

TEST_F(EventListTest, TriggerRunsTheAddonWithTheTargetArguments) {
  AddRunAddon(visEvtCodeDocSave, "organization chart wizard", "/file=org.txt")
      .Invoke("Trigger", {Variant("context")});
  EXPECT_EQ(AddonNamed("Organization Chart Wizard").Runs(),
            std::vector<std::string>{"/file=org.txt"});

  ObjectRef missing = AddRunAddon(visEvtCodeDocSave, "No Such Add-on", "");
  EXPECT_EQ(FailureOf([&] { missing.Invoke("Trigger", {Variant("")}); }).code,
            VisioErrorCode(VisioErrorKind::ObjectNameNotFound));
  // Print ShapeSheet needs an active document; there is none.
  ObjectRef disabled = AddRunAddon(visEvtCodeDocSave, "Print ShapeSheet", "");
  EXPECT_EQ(FailureOf([&] { disabled.Invoke("Trigger", {Variant("")}); }).code,
            VisioErrorCode(VisioErrorKind::Disabled));
  EXPECT_EQ(AddonNamed("Print ShapeSheet").Runs(), std::vector<std::string>{});
}

TEST_F(EventListTest, FiringCallsEachEnabledSinkOfTheCodeWithSourceAndSubject) {
  auto failing = MakeRef<RecordingSink>(*app->session(), nullptr, automation::E_FAIL);
  auto sink = MakeRef<RecordingSink>(*app->session());
  auto other = MakeRef<RecordingSink>(*app->session());
  ObjectRef first = events
                        .Invoke("AddAdvise", {Variant(visEvtAddDoc), Variant(ObjectRef(failing)),
                                              Variant(""), Variant("first")})
                        .ToObject();
  ObjectRef second = events
                         .Invoke("AddAdvise", {Variant(visEvtAddDoc), Variant(ObjectRef(sink)),
                                               Variant(""), Variant("second")})
                         .ToObject();
  events.Invoke("AddAdvise",
                {I2(visEvtCodeDocSave), Variant(ObjectRef(other)), Variant(""), Variant("")});
  EXPECT_EQ(second.Get("Action"), I2(visActCodeAdvise));
  EXPECT_EQ(second.Get("Target"), Variant(""));
  EXPECT_EQ(second.Get("TargetArgs"), Variant("second"));

  ObjectRef subject = MakeRef<TestDocument>(app->session());
  auto& list = dynamic_cast<EventList&>(*events.get());
  list.Fire(static_cast<std::int16_t>(visEvtAddDoc), subject, "more info", 7);
  EXPECT_EQ(CurrentEventInfo(*app->session()), "");
  EXPECT_EQ(failing->calls.size(), 1u);  // and its failure did not stop the next sink
  ASSERT_EQ(sink->calls.size(), 1u);
  EXPECT_EQ(other->calls.size(), 0u);
  const auto& call = sink->calls[0];
  ASSERT_EQ(call.args.size(), 6u);
  EXPECT_EQ(call.args[0], I2(-32766));
  EXPECT_TRUE(SameObject(call.args[1].ToObject(), doc));
  EXPECT_EQ(call.args[2], second.Get("ID"));
  EXPECT_EQ(call.args[3], I4(7));  // the sequence number
  EXPECT_TRUE(SameObject(call.args[4].ToObject(), subject));
  EXPECT_EQ(call.args[5], Variant("more info"));
  EXPECT_EQ(call.eventInfo, "more info");

  second.Put("Enabled", VisBool(false));
  list.Fire(static_cast<std::int16_t>(visEvtAddDoc), subject, "", 8);
  EXPECT_EQ(sink->calls.size(), 1u);
  EXPECT_EQ(failing->calls.size(), 2u);
  // Trigger fires one event whatever its state, the list's owner as subject.
  second.Invoke("Trigger", {Variant("by hand")});
  ASSERT_EQ(sink->calls.size(), 2u);
  EXPECT_TRUE(SameObject(sink->calls[1].args[4].ToObject(), doc));
  EXPECT_EQ(sink->calls[1].eventInfo, "by hand");
  EXPECT_EQ(first.Get("Stat"), I2(kStatNormal));
  // The recorded calls hold the document that holds the sinks.
  for (RecordingSink* s : {failing.get(), sink.get()}) s->calls.clear();
}

// A sink found disconnected (its client has gone) loses its events in the
// list at the first one fired; a sink failing otherwise keeps them.
TEST_F(EventListTest, ASinkFoundDisconnectedLosesItsEventsInTheList) {
  auto& list = dynamic_cast<EventList&>(*events.get());
  for (const automation::HResult code :
       {automation::RPC_E_DISCONNECTED, automation::CO_E_OBJNOTCONNECTED}) {
    SCOPED_TRACE(automation::FormatHResult(code));
    bool destroyed = false;
    auto gone = MakeRef<RecordingSink>(*app->session(), &destroyed, code);
    auto failing = MakeRef<RecordingSink>(*app->session(), nullptr, automation::E_FAIL);
    const auto advise = [&](int event, const ObjectRef& sink) {
      events.Invoke("AddAdvise", {Variant(event), Variant(sink), Variant(""), Variant("")});
    };
    advise(visEvtAddDoc, ObjectRef(failing));
    advise(visEvtAddDoc, ObjectRef(gone));
    advise(visEvtCodeDocSave, ObjectRef(gone));
    gone.Reset();

    list.Fire(static_cast<std::int16_t>(visEvtAddDoc), doc, "", 1);
    EXPECT_TRUE(destroyed) << "the list still holds the sink";
    EXPECT_EQ(events.Get("Count"), I2(1));
    list.Fire(static_cast<std::int16_t>(visEvtAddDoc), doc, "", 2);
    EXPECT_EQ(failing->calls.size(), 2u);
    events.Get("Item", {Variant(1)}).ToObject().Invoke("Delete", {});
  }
}

TEST_F(EventListTest, OnlyAddonEventsOfADocumentPersist) {
  ObjectRef addon = AddRunAddon(visEvtCodeDocSave, "Database Wizard", "");
  auto sink = MakeRef<RecordingSink>(*app->session());
  ObjectRef advise = events
                         .Invoke("AddAdvise", {I2(visEvtCodeDocSave), Variant(ObjectRef(sink)),
                                               Variant(""), Variant("")})
                         .ToObject();
  EXPECT_EQ(addon.Get("Persistable"), VisBool(true));
  EXPECT_EQ(addon.Get("Persistent"), VisBool(true));
  addon.Put("Persistent", VisBool(false));
  EXPECT_EQ(addon.Get("Persistent"), VisBool(false));
  EXPECT_EQ(advise.Get("Persistable"), VisBool(false));
  EXPECT_EQ(advise.Get("Persistent"), VisBool(false));
  EXPECT_EQ(FailureOf([&] { advise.Put("Persistent", VisBool(true)); }).code,
            VisioErrorCode(VisioErrorKind::Disabled));

  // The application keeps no events in any file.
  ObjectRef appEvents = ObjectRef(app).Get("EventList").ToObject();
  ObjectRef appEvent = appEvents
                           .Invoke("Add", {I2(visEvtCodeDocSave), I2(visActCodeRunAddon),
                                           Variant("Database Wizard"), Variant("")})
                           .ToObject();
  EXPECT_EQ(appEvent.Get("Persistable"), VisBool(false));
  appEvent.Invoke("Delete");
}

TEST_F(EventListTest, DeletedEventsAndListsLetTheirSinksGo) {
  bool firstGone = false;
  bool secondGone = false;
  ObjectRef first =
      events
          .Invoke("AddAdvise",
                  {I2(visEvtCodeDocSave),
                   Variant(ObjectRef(MakeRef<RecordingSink>(*app->session(), &firstGone))),
                   Variant(""), Variant("")})
          .ToObject();
  ObjectRef second =
      events
          .Invoke("AddAdvise",
                  {I2(visEvtCodeDocSave),
                   Variant(ObjectRef(MakeRef<RecordingSink>(*app->session(), &secondGone))),
                   Variant(""), Variant("")})
          .ToObject();
  first.Invoke("Delete");
  EXPECT_TRUE(firstGone);
  EXPECT_FALSE(secondGone);

  // The document goes: its list and the events in it are deleted with it.
  doc.Reset();
  EXPECT_TRUE(secondGone);
  EXPECT_EQ(events.Get("Stat"), I2(kStatDeleted));
  EXPECT_EQ(second.Get("Stat"), I2(kStatDeleted));
  EXPECT_EQ(FailureOf([&] { events.Get("Count"); }).code,
            VisioErrorCode(VisioErrorKind::ObjectDeleted));
}

TEST_F(EventListTest, EveryMemberTheTreeReadsAnswersWithItsType) {
  ObjectRef addon = AddRunAddon(visEvtCodeDocSave, "Database Wizard", "/x");
  auto sink = MakeRef<RecordingSink>(*app->session());
  ObjectRef advise = events
                         .Invoke("AddAdvise", {I2(visEvtCodeDocSave), Variant(ObjectRef(sink)),
                                               Variant(""), Variant("")})
                         .ToObject();
  EXPECT_EQ(testrows::CheckInterfaceRows("IVEventList", events), std::vector<std::string>{});
  EXPECT_EQ(testrows::CheckInterfaceRows("IVEvent", addon), std::vector<std::string>{});
  EXPECT_EQ(testrows::CheckInterfaceRows("IVEvent", advise), std::vector<std::string>{});
  EXPECT_EQ(addon.Get("ObjectType"), I2(33));
  EXPECT_EQ(events.Get("ObjectType"), I2(34));
  EXPECT_TRUE(SameObject(events.Get("Application").ToObject(), ObjectRef(app)));
}

}  // namespace
}  // namespace standin
