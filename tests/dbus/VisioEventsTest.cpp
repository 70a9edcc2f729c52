// Visio's events across processes: a script's sink in this process,
// advised on tarvel-visio's event lists, called back while another client
// changes the drawing, as it is called in process.
#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "standin/Demo.h"
#include "standin/Events.h"
#include "tests/dbus/PumpEvents.h"
#include "tests/dbus/VisioServerFixture.h"

namespace visio_server_test {
namespace {

using automation::Args;
using automation::CallKind;
using automation::MakeRef;
using automation::SameObject;

// What VisEventProc brought, objects as they came (proxies across
// processes).
struct Call {
  std::int16_t code = 0;
  ObjectRef source;
  std::int32_t id = 0;
  std::int32_t seq = 0;
  ObjectRef subject;
  std::string info;
};

class RecordingSink final : public automation::Object {
 public:
  Variant Invoke(CallKind, std::string_view member, Args a) override {
    if (member != "VisEventProc" || a.size() != 6) {
      ADD_FAILURE() << member << " with " << a.size() << " arguments";
      return Variant();
    }
    calls.push_back({a[0].ToInt16(), a[1].ToObject(), a[2].ToInt32(), a[3].ToInt32(),
                     a[4].ToObject(), a[5].ToString()});
    return Variant();
  }
  std::vector<Call> calls;
};

const std::map<std::int16_t, std::string>& Watched() {
  static const std::map<std::int16_t, std::string> codes = {
      {standin::visEvtCellChanged, "CellChanged"},
      {standin::visEvtShapeAdded, "ShapeAdded"},
      {standin::visEvtBeforeShapeDelete, "BeforeShapeDelete"},
      {standin::visEvtTextChanged, "TextChanged"},
  };
  return codes;
}

using tarvel_test::PumpUntil;

// A sink advised on the active document's event list for Watched() by the
// watcher's Visio, and the lines its calls make, read through the
// watcher's objects as they come.
class Watch {
 public:
  explicit Watch(const ObjectRef& app)
      : doc_(app.Get("ActiveDocument").ToObject()), sink_(MakeRef<RecordingSink>()) {
    const ObjectRef events = doc_.Get("EventList").ToObject();
    for (const auto& [code, name] : Watched()) {
      const ObjectRef event =
          events
              .Invoke("AddAdvise",
                      {Variant(static_cast<std::int32_t>(static_cast<std::uint16_t>(code))),
                       Variant(ObjectRef(sink_)), Variant(""), Variant("")})
              .ToObject();
      names_[event.Get("ID").ToInt32()] = name;
      if (!marker_) marker_ = event;
    }
  }
  ~Watch() { sink_->calls.clear(); }  // the proxies they hold

  // Fires the first event with context as its extra information, once
  // what the last step raised has been fired, and waits for it: the calls
  // before it are that step's.
  void Step(const std::string& context) {
    marker_.Invoke("Trigger", {Variant(context)});
    ASSERT_TRUE(PumpUntil([&] {
      return !sink_->calls.empty() && sink_->calls.back().info == context;
    })) << "no call for "
        << context;
    for (const Call& c : sink_->calls) lines.push_back(Line(c));
    sink_->calls.clear();
  }

  std::size_t Pending() const { return sink_->calls.size(); }

  std::vector<std::string> lines;

 private:
  // The shape is the one the first ShapeAdded brought, as the watcher
  // sees it.
  std::string Line(const Call& c) try {
    if (firstSeq_ == 0) firstSeq_ = c.seq;
    if (!shape_ && c.code == standin::visEvtShapeAdded) shape_ = c.subject;
    const auto code = Watched().find(c.code);
    std::string subject;
    if (SameObject(c.subject, shape_)) {
      subject = "the shape";
    } else if (SameObject(c.subject, doc_)) {
      subject = "the document";
    } else if (c.subject.Get("ObjectType").ToInt16() == 4) {  // visObjTypeCell
      subject =
          "cell " + c.subject.Get("Name").ToString() + " = " + c.subject.Get("Formula").ToString();
    } else {
      subject = "type " + std::to_string(c.subject.Get("ObjectType").ToInt16());
    }
    return (code == Watched().end() ? std::string("?") : code->second) + " from " +
           (SameObject(c.source, doc_) ? "the document" : "elsewhere") + " by event " +
           names_[c.id] + " #" + std::to_string(c.seq - firstSeq_) + ": " + subject + " [" +
           c.info + "]";
  } catch (const AutomationError& e) {
    return "code " + std::to_string(c.code) + ": " + e.message();
  }

  ObjectRef doc_;
  automation::Ref<RecordingSink> sink_;
  ObjectRef marker_;
  ObjectRef shape_;
  std::map<std::int32_t, std::string> names_;
  std::int32_t firstSeq_ = 0;
};

// The PinX cell of a new shape on the active page.
ObjectRef NewShapesPinX(const ObjectRef& app) {
  return app.Get("ActivePage")
      .ToObject()
      .Invoke("DrawRectangle", {Variant(1.0), Variant(1.0), Variant(2.0), Variant(2.0)})
      .ToObject()
      .Get("CellsU", {Variant("PinX")})
      .ToObject();
}

// Adds a shape, sets its text, moves it, deletes it: the calls each step
// brings, read by the watch.
std::vector<std::string> ChangeTheDrawing(const ObjectRef& app, Watch& watch) {
  const ObjectRef page = app.Get("ActivePage").ToObject();
  const ObjectRef shape =
      page.Invoke("DrawRectangle", {Variant(1.0), Variant(1.0), Variant(2.0), Variant(2.0)})
          .ToObject();
  watch.Step("drawn");
  shape.Put("Text", Variant("across"));
  watch.Step("text");
  shape.Get("CellsU", {Variant("PinX")}).ToObject().Put("Formula", Variant("3 in"));
  watch.Step("moved");
  shape.Invoke("Delete", {});
  watch.Step("deleted");
  return watch.lines;
}

// The same changes bring the same calls, with the same arguments and
// sequence numbers in the same order, to a sink in this process advised on
// tarvel-visio (over either connection) as to one advised in process; the
// objects they bring are proxies the sink can call.
TEST_F(VisioServerTest, EventsReachASinkInAnotherProcessAsTheyDoInProcess) {
  std::vector<std::string> inProcess;
  {
    const auto local = MakeRef<standin::Application>();
    standin::BuildDemoDrawing(*local);
    const ObjectRef app(local);
    Watch watch(app);
    inProcess = ChangeTheDrawing(app, watch);
    local->Quit();
  }
  ASSERT_GE(inProcess.size(), 8u);
  const auto has = [&](const std::string& line) {
    return std::find(inProcess.begin(), inProcess.end(), line) != inProcess.end();
  };
  EXPECT_TRUE(has("ShapeAdded from the document by event ShapeAdded #0: the shape []"));
  EXPECT_TRUE(has("TextChanged from the document by event TextChanged #2: the shape []"));
  EXPECT_TRUE(has("BeforeShapeDelete from the document by event BeforeShapeDelete #" +
                  std::to_string(inProcess.size() - 2) + ": the shape []"));

  StartServer({"--demo"});
  const ObjectRef changer = Attach(true);
  ASSERT_TRUE(changer);
  for (const bool peer : {true, false}) {
    SCOPED_TRACE(peer ? "peer connection" : "bus");
    const ObjectRef watcher = Attach(peer);
    ASSERT_TRUE(watcher);
    Watch watch(watcher);
    EXPECT_EQ(ChangeTheDrawing(changer, watch), inProcess);
  }
}

// With events off nothing is called; on again, calls come as before.
TEST_F(VisioServerTest, EventsEnabledFalseSilencesSinksInOtherProcesses) {
  StartServer({"--demo"});
  const ObjectRef changer = Attach(true);
  const ObjectRef watcher = Attach(false);
  ASSERT_TRUE(changer && watcher);
  Watch watch(watcher);
  const ObjectRef pinX = NewShapesPinX(changer);
  watch.Step("drawn");
  watch.lines.clear();
  changer.Put("EventsEnabled", Variant(std::int16_t{0}));
  pinX.Put("Formula", Variant("4 in"));
  changer.Put("EventsEnabled", Variant(std::int16_t{-1}));
  watch.Step("off");
  EXPECT_EQ(watch.lines.size(), 1u) << watch.lines.front();
  pinX.Put("Formula", Variant("5 in"));
  watch.Step("on");
  ASSERT_EQ(watch.lines.size(), 3u);
  EXPECT_NE(watch.lines[1].find("CellChanged from the document by event CellChanged"),
            std::string::npos)
      << watch.lines[1];
}

// A sink whose client has gone is dropped from the event list at the first
// event after its leaving, and the server answers the others throughout;
// a client that never reads its calls holds nobody up.
TEST_F(VisioServerTest, ASinkWhoseClientLeftIsDroppedAndASilentOneHoldsNobodyUp) {
  StartServer({"--demo"});
  const ObjectRef changer = Attach(true);
  ASSERT_TRUE(changer);
  const ObjectRef events = changer.Get("ActiveDocument").ToObject().Get("EventList").ToObject();
  const Variant baseline = events.Get("Count");
  const ObjectRef pinX = NewShapesPinX(changer);
  for (const bool peer : {true, false}) {
    SCOPED_TRACE(peer ? "peer connection" : "bus");
    {
      const ObjectRef leaving = Attach(peer);
      ASSERT_TRUE(leaving);
      Watch watch(leaving);
    }  // its connection closes
    EXPECT_EQ(events.Get("Count").ToInt32(), baseline.ToInt32() + 4);
    int moves = 0;
    EXPECT_TRUE(PumpUntil([&] {
      pinX.Put("Formula", Variant(std::to_string(++moves % 5 + 1) + " in"));
      return events.Get("Count") == baseline;
    })) << "the sink of a client that left is still advised";
  }

  // Its calls pile up unread at the server; the others are served at once.
  const ObjectRef silent = Attach(true);
  ASSERT_TRUE(silent);
  Watch watch(silent);
  constexpr int kMoves = 3000;
  const auto begin = std::chrono::steady_clock::now();
  for (int i = 0; i < kMoves; ++i) {
    pinX.Put("Formula", Variant(std::to_string(i % 7 + 1) + " in"));
  }
  const auto took = std::chrono::steady_clock::now() - begin;
  EXPECT_LT(took, std::chrono::seconds(30));
  EXPECT_EQ(watch.Pending(), 0u) << "the silent client read its calls";
  EXPECT_EQ(pinX.Get("Formula"), Variant(std::to_string((kMoves - 1) % 7 + 1) + " in"));
}

}  // namespace
}  // namespace visio_server_test
