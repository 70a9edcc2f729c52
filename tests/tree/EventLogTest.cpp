// Visio's events heard through an event subscription on the stand-in's
// demo drawing, changed through the automation layer as another client
// would change it, and the lines they make.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "standin/Application.h"
#include "standin/Demo.h"
#include "tree/EventLog.h"
#include "visio/EventCodes.h"
#include "visio/EventSubscription.h"

namespace {

using automation::ObjectRef;
using automation::Variant;

constexpr std::int64_t k091403250 = ((9 * 60 + 14) * 60 + 3) * 1000 + 250;

std::uint16_t Code(const char* name) {
  return *ParseEventCode(name);
}

class EventLogTest : public testing::Test {
 protected:
  EventLogTest() { standin::BuildDemoDrawing(*app); }
  ~EventLogTest() override {
    subscription.Stop();
    app->Quit();
  }

  ObjectRef App() const { return ObjectRef(app); }
  ObjectRef Page() const { return App().Get("ActivePage").ToObject(); }
  ObjectRef Shape(const char* name) const {
    return Page().Get("Shapes").ToObject().Get("ItemU", {Variant(name)}).ToObject();
  }
  std::int16_t AdvisedCount() const {
    return App().Get("EventList").ToObject().Get("Count").ToInt16();
  }

  automation::Ref<standin::Application> app = automation::MakeRef<standin::Application>();
  std::vector<std::string> lines;
  TVisioEventSubscription subscription{
      [this](const TKTVisio_EventInfo& e) { lines.push_back(EventLine(e, k091403250)); }};
};

TEST_F(EventLogTest, EachChangeMakesOneLineNamingItsObjects) {
  ASSERT_EQ(subscription.Start(
                App(), {Code("CellChanged"), Code("ShapeChanged"), Code("TextChanged"),
                        Code("PageAdded"), Code("BeforeShapeDelete"), Code("BeforeDocumentClose")}),
            "");
  const std::string prefix = "09:14:03.250 ";
  const std::string fromApp = " source=Application";

  const ObjectRef shape = Shape("Process");
  shape.Get("CellsU", {Variant("PinX")}).ToObject().Put("FormulaU", Variant("3 in"));
  shape.Put("Name", Variant("Order \"A\""));
  shape.Put("Text", Variant("Take\norder"));
  App().Get("ActiveDocument").ToObject().Get("Pages").ToObject().Invoke("Add");
  shape.Invoke("Delete");
  App().Get("ActiveDocument").ToObject().Invoke("Close");

  EXPECT_EQ(lines, (std::vector<std::string>{
                       prefix +
                           "CellChanged 10240 seq=1 subject=Cell \"PinX\" of Shape "
                           "\"Process\" (Page-1)" +
                           fromApp,
                       prefix +
                           "ShapeChanged 8256 seq=2 subject=Shape \"Order \\\"A\\\"\" "
                           "(Page-1)" +
                           fromApp,
                       prefix +
                           "TextChanged 8320 seq=3 subject=Shape \"Order \\\"A\\\"\" "
                           "(Page-1)" +
                           fromApp,
                       prefix + "PageAdded 32784 seq=4 subject=Page \"Page-4\"" + fromApp,
                       prefix +
                           "BeforeShapeDelete 16448 seq=5 subject=Shape \"Order \\\"A\\\"\" "
                           "(Page-1)" +
                           fromApp,
                       prefix +
                           "BeforeDocumentClose 16386 seq=6 subject=Document \"Demo "
                           "Drawing.vsdx\"" +
                           fromApp,
                   }));
  // Deleted since: named as far as Visio still answers.
  EXPECT_EQ(ObjectLabel(shape), "deleted object");
}

TEST_F(EventLogTest, ExtraInformationAndUnknownCodesAndMastersShowAsDocumented) {
  // Event.Trigger passes its context as the extra information.
  ASSERT_EQ(subscription.Start(App(), {28700}), "");
  // The demo has an event of its own first: ours is the last.
  App()
      .Get("EventList")
      .ToObject()
      .Get("Item", {Variant(AdvisedCount())})
      .ToObject()
      .Invoke("Trigger", {Variant("line 1\nsaid \"hi\"")});
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0],
            "09:14:03.250 28700 seq=1 subject=Application source=Application "
            "info=\"line 1\\nsaid \\\"hi\\\"\"");

  const ObjectRef master = Shape("Process").Get("Master").ToObject();
  const ObjectRef masterShape =
      master.Get("Shapes").ToObject().Get("Item", {Variant(1)}).ToObject();
  EXPECT_EQ(ObjectLabel(masterShape), "Shape \"Process\" (Master \"Process\")");
  EXPECT_EQ(ObjectLabel(masterShape.Get("CellsU", {Variant("Width")}).ToObject()),
            "Cell \"Width\" of Shape \"Process\" (Master \"Process\")");
  EXPECT_EQ(ObjectLabel(App().Get("Documents").ToObject()), "Documents");
  EXPECT_EQ(ObjectLabel(App().Get("ActiveWindow").ToObject()), "Window \"Demo Drawing.vsdx\"");
  EXPECT_EQ(ObjectLabel(ObjectRef()), "Nothing");
}

TEST_F(EventLogTest, StopAndNewCodesRemoveTheEventsFromVisio) {
  const std::int16_t before = AdvisedCount();
  ASSERT_EQ(
      subscription.Start(App(), {Code("CellChanged"), Code("ShapeChanged"), Code("CellChanged")}),
      "");
  EXPECT_EQ(AdvisedCount(), before + 2);  // given twice, advised once
  EXPECT_TRUE(subscription.Active());

  // New codes replace the old ones.
  ASSERT_EQ(subscription.Start(App(), {Code("TextChanged")}), "");
  EXPECT_EQ(AdvisedCount(), before + 1);
  EXPECT_EQ(subscription.Codes(), std::vector<std::uint16_t>{Code("TextChanged")});
  const ObjectRef shape = Shape("Process");
  shape.Put("Name", Variant("Renamed"));
  EXPECT_TRUE(lines.empty());

  EXPECT_EQ(subscription.Stop(), "");
  EXPECT_EQ(AdvisedCount(), before);
  EXPECT_FALSE(subscription.Active());
  shape.Put("Text", Variant("Nobody hears this"));
  EXPECT_TRUE(lines.empty());
}

TEST_F(EventLogTest, FailuresAreReportedAndLeaveNothingAdvised) {
  const std::int16_t before = AdvisedCount();
  // Visio refuses code 0: the one advised before it is removed again.
  const std::string why = subscription.Start(App(), {Code("CellChanged"), 0});
  EXPECT_EQ(why.rfind("AddAdvise for 0 (0): ", 0), 0u) << why;
  EXPECT_EQ(AdvisedCount(), before);
  EXPECT_FALSE(subscription.Active());

  EXPECT_EQ(subscription.Start(ObjectRef(), {Code("CellChanged")}), "not connected to Visio");

  // Visio gone while listening: stopping says so and lets go all the same.
  ASSERT_EQ(subscription.Start(App(), {Code("CellChanged"), Code("ShapeChanged")}), "");
  app->Quit();
  const std::string stopped = subscription.Stop();
  EXPECT_EQ(stopped.rfind("Event.Delete for CellChanged (10240): ", 0), 0u) << stopped;
  EXPECT_FALSE(subscription.Active());
  EXPECT_EQ(subscription.Start(App(), {Code("CellChanged")}).rfind("Application.EventList: ", 0),
            0u);
}

TEST(EventLogBoundsTest, TheLogKeepsTheLastLinesAndCountsTheDropped) {
  TEventLog log(3);
  for (int i = 1; i <= 5; ++i) {
    EXPECT_EQ(log.Add("line " + std::to_string(i)), i <= 3 ? 0u : 1u);
  }
  EXPECT_EQ(log.Lines(), (std::deque<std::string>{"line 3", "line 4", "line 5"}));
  EXPECT_EQ(log.Dropped(), 2u);
  EXPECT_EQ(log.DroppedText(), "2 older lines dropped (the log keeps the last 3)");
  log.Clear();
  EXPECT_TRUE(log.Lines().empty());
  EXPECT_EQ(log.DroppedText(), "");
  EXPECT_EQ(TEventLog().Capacity(), 10000u);

  EXPECT_EQ(TimeOfDayText(0), "00:00:00.000");
  EXPECT_EQ(TimeOfDayText(k091403250), "09:14:03.250");
  EXPECT_EQ(TimeOfDayText(86399999), "23:59:59.999");
}

}  // namespace
