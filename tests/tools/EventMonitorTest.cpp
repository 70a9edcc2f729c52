// The event monitor window over the stand-in's demo drawing, changed
// through the automation layer as another client would change it.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <regex>

#include "standin/Application.h"
#include "standin/Demo.h"
#include "tools/Tarvel_EventMonitor.h"
#include "visio/EventCodes.h"
#include "visio/KTVisio_Controller.h"

namespace {

using automation::ObjectRef;
using automation::Variant;

class EventMonitorTest : public testing::Test {
 protected:
  EventMonitorTest() {
    standin::BuildDemoDrawing(*app);
    VisioController.App = ObjectRef(app);
    monitor->ControllerStatusChanged();
  }
  ~EventMonitorTest() override {
    monitor.reset();
    VisioController.App = {};
    app->Quit();
  }

  ObjectRef Shape(const char* name) const {
    return ObjectRef(app)
        .Get("ActivePage")
        .ToObject()
        .Get("Shapes")
        .ToObject()
        .Get("ItemU", {Variant(name)})
        .ToObject();
  }
  std::int16_t AdvisedCount() const {
    return ObjectRef(app).Get("EventList").ToObject().Get("Count").ToInt16();
  }
  std::string Status() const { return monitor->lb_Status->text().toStdString(); }

  automation::Ref<standin::Application> app = automation::MakeRef<standin::Application>();
  std::unique_ptr<Tfm_EventMonitor> monitor = std::make_unique<Tfm_EventMonitor>(nullptr, 3);
};

// "hh:mm:ss.zzz " and the rest.
std::string Untimed(const std::string& line) {
  EXPECT_TRUE(std::regex_search(line, std::regex(R"(^\d\d:\d\d:\d\d\.\d\d\d )"))) << line;
  return line.substr(13);
}

TEST_F(EventMonitorTest, StartLogsChangesAndTellsTheirObjectsPauseRemovesTheEvents) {
  EXPECT_EQ(monitor->TickedCodes(), [] {
    std::vector<std::uint16_t> defaults = DefaultMonitorCodes();
    std::sort(defaults.begin(), defaults.end(),
              [](std::uint16_t a, std::uint16_t b) { return EventCodeName(a) < EventCodeName(b); });
    return defaults;
  }());
  EXPECT_EQ(Status(), "Paused");
  const std::int16_t before = AdvisedCount();

  std::vector<std::pair<ObjectRef, ObjectRef>> objects;
  QObject::connect(monitor.get(), &Tfm_EventMonitor::EventObjects,
                   [&](const ObjectRef& source, const ObjectRef& subject) {
                     objects.emplace_back(source, subject);
                   });
  monitor->bt_StartClick();
  const auto listening = static_cast<std::int16_t>(DefaultMonitorCodes().size());
  EXPECT_EQ(AdvisedCount(), before + listening);
  EXPECT_EQ(monitor->bt_Start->text(), "&Pause");
  EXPECT_EQ(Status(), "Listening to " + std::to_string(listening) + " events");

  const ObjectRef shape = Shape("Process");
  const ObjectRef cell = shape.Get("CellsU", {Variant("PinX")}).ToObject();
  cell.Put("FormulaU", Variant("3 in"));
  ASSERT_EQ(monitor->ShownLines().size(), 1u);
  EXPECT_EQ(Untimed(monitor->ShownLines()[0]),
            "CellChanged 10240 seq=1 subject=Cell \"PinX\" of Shape \"Process\" (Page-1) "
            "source=Application");
  ASSERT_EQ(objects.size(), 1u);
  EXPECT_TRUE(automation::SameObject(objects[0].first, ObjectRef(app)));
  EXPECT_TRUE(automation::SameObject(objects[0].second, cell));

  // Ticking another event while listening advises it at once.
  monitor->SetTicked(*ParseEventCode("FormulaChanged"), true);
  EXPECT_EQ(AdvisedCount(), before + listening + 1);
  cell.Put("FormulaU", Variant("4 in"));
  ASSERT_EQ(monitor->ShownLines().size(), 3u);
  EXPECT_EQ(Untimed(monitor->ShownLines()[1]).substr(0, 25), "FormulaChanged 12288 seq=");

  monitor->bt_StartClick();
  EXPECT_EQ(AdvisedCount(), before);
  EXPECT_EQ(Status(), "Paused");
  shape.Put("Name", Variant("Unheard"));
  EXPECT_EQ(monitor->ShownLines().size(), 3u);
}

TEST_F(EventMonitorTest, TheFilterCopyClearAndBoundWorkOnTheLines) {
  monitor->bt_StartClick();
  const ObjectRef shape = Shape("Process");
  shape.Put("Name", Variant("First"));
  shape.Put("Text", Variant("Hello"));
  shape.Put("Name", Variant("Second"));
  ASSERT_EQ(monitor->ShownLines().size(), 3u);

  monitor->ed_Filter->setText("textchanged");
  ASSERT_EQ(monitor->ShownLines().size(), 1u);
  EXPECT_EQ(Untimed(monitor->ShownLines()[0]),
            "TextChanged 8320 seq=2 subject=Shape \"First\" (Page-1) source=Application");
  monitor->ed_Filter->setText("");

  // The selection is copied in the order shown, whatever order it was made in.
  QItemSelectionModel& selection = *monitor->lv_Log->selectionModel();
  selection.select(monitor->lv_Log->model()->index(2, 0), QItemSelectionModel::Select);
  selection.select(monitor->lv_Log->model()->index(0, 0), QItemSelectionModel::Select);
  monitor->CopySelection();
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(),
            monitor->ShownLines()[0] + "\n" + monitor->ShownLines()[2]);

  // The window keeps three lines here: the fourth pushes the first out.
  shape.Put("Text", Variant("Bye"));
  ASSERT_EQ(monitor->ShownLines().size(), 3u);
  EXPECT_EQ(Untimed(monitor->ShownLines()[0]).substr(0, 23), "TextChanged 8320 seq=2 ");
  EXPECT_EQ(Status(), "Listening to 15 events - 1 older line dropped (the log keeps the last 3)");

  monitor->bt_ClearClick();
  EXPECT_TRUE(monitor->ShownLines().empty());
  EXPECT_EQ(Status(), "Listening to 15 events");
}

TEST_F(EventMonitorTest, LosingTheConnectionStopsListeningAndDisablesStart) {
  monitor->bt_StartClick();
  ASSERT_TRUE(monitor->Listening());
  const std::int16_t listening = AdvisedCount();

  VisioController.App = {};
  monitor->ControllerStatusChanged();
  EXPECT_FALSE(monitor->Listening());
  EXPECT_FALSE(monitor->bt_Start->isEnabled());
  EXPECT_EQ(Status(), "Not connected");
  EXPECT_EQ(AdvisedCount(), listening - static_cast<std::int16_t>(DefaultMonitorCodes().size()));

  // Back; with nothing ticked, Start says so and listens to nothing.
  VisioController.App = ObjectRef(app);
  monitor->ControllerStatusChanged();
  EXPECT_TRUE(monitor->bt_Start->isEnabled());
  for (const std::uint16_t code : monitor->TickedCodes()) monitor->SetTicked(code, false);
  monitor->bt_StartClick();
  EXPECT_EQ(Status(), "Paused - No event is ticked");
}

}  // namespace
