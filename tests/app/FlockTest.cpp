// The window flock: followers keep their place relative to the leader, take
// the place the user gives them, and follow the application's activation,
// minimising and restoring.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

#include "app/KTSheep.h"

namespace {

// A leader with its shepherd, and the followers a test adds.
class FlockTest : public testing::Test {
 protected:
  void SetUp() override {
    leader = std::make_unique<QWidget>();
    leader->resize(258, 72);
    leader->move(250, 100);
    leader->show();
    shepherd = new TKTShepherd(leader.get());
  }
  void TearDown() override {
    // Followers first, as the windows close before the main window does.
    followers.clear();
    leader.reset();
  }

  QWidget* AddFollower(int dx, int dy) {
    followers.push_back(std::make_unique<QWidget>());
    QWidget* window = followers.back().get();
    window->resize(210, 370);
    shepherd->AddSheep(window, dx, dy);
    return window;
  }

  std::unique_ptr<QWidget> leader;
  TKTShepherd* shepherd = nullptr;  // owned by the leader
  std::vector<std::unique_ptr<QWidget>> followers;
};

TEST_F(FlockTest, AddSheepPlacesShowsAndNumbersTheFollower) {
  QWidget* first = AddFollower(0, 72);
  QWidget* second = AddFollower(210, 72);

  EXPECT_EQ(first->pos(), QPoint(250, 172));
  EXPECT_EQ(second->pos(), QPoint(460, 172));
  EXPECT_TRUE(first->isVisible());
  ASSERT_EQ(shepherd->SheepCount(), 2);
  EXPECT_EQ(shepherd->SheepFormAt(0), first);
  EXPECT_EQ(shepherd->SheepFormAt(1), second);
  EXPECT_EQ(shepherd->SheepFormAt(2), nullptr);
  EXPECT_EQ(shepherd->SheepAt(-1), nullptr);
  TKTSheep* member = TKTSheep::Of(second);
  ASSERT_NE(member, nullptr);
  EXPECT_EQ(member->Number(), 2);
  EXPECT_EQ(member->Shepherd(), shepherd);
  EXPECT_EQ(member->OffsetX(), 210);
  EXPECT_EQ(member->OffsetY(), 72);
}

TEST_F(FlockTest, FollowersMoveWithTheLeaderAndKeepAnOffsetTheUserGaveThem) {
  QWidget* first = AddFollower(0, 72);
  QWidget* second = AddFollower(210, 72);

  leader->move(280, 120);
  shepherd->OwnerMoved();
  EXPECT_EQ(first->pos(), QPoint(280, 192));
  EXPECT_EQ(second->pos(), QPoint(490, 192));
  EXPECT_EQ(TKTSheep::Of(first)->OffsetX(), 0);
  EXPECT_EQ(TKTSheep::Of(first)->OffsetY(), 72);

  // The user drags the second window; it records where it now is.
  second->move(600, 400);
  TKTSheep::Of(second)->RecordOffset();
  EXPECT_EQ(TKTSheep::Of(second)->OffsetX(), 320);
  EXPECT_EQ(TKTSheep::Of(second)->OffsetY(), 280);
  leader->move(250, 100);
  shepherd->OwnerMoved();
  EXPECT_EQ(first->pos(), QPoint(250, 172));
  EXPECT_EQ(second->pos(), QPoint(570, 380));

  // A resize, or anything else that leaves the corner where it was, moves
  // nobody.
  first->move(10, 10);
  leader->resize(300, 90);
  shepherd->OwnerMoved();
  EXPECT_EQ(first->pos(), QPoint(10, 10));
}

TEST_F(FlockTest, ClosingAFollowerLeavesTheFlockButNumbersAreNeverReused) {
  AddFollower(0, 72);
  AddFollower(210, 72);
  AddFollower(420, 72);
  followers.erase(followers.begin() + 1);

  ASSERT_EQ(shepherd->SheepCount(), 2);
  EXPECT_EQ(shepherd->SheepFormAt(1), followers[1].get());
  EXPECT_EQ(shepherd->SheepSerial(), 3);
  QWidget* fourth = AddFollower(0, 72);
  EXPECT_EQ(TKTSheep::Of(fourth)->Number(), 4);
  EXPECT_EQ(shepherd->SheepCount(), 3);
}

TEST_F(FlockTest, MinimisingHidesTheFollowersAndRestoringShowsThem) {
  QWidget* first = AddFollower(0, 72);
  QWidget* second = AddFollower(210, 72);

  leader->setWindowState(Qt::WindowMinimized);
  EXPECT_FALSE(first->isVisible());
  EXPECT_FALSE(second->isVisible());
  leader->setWindowState(Qt::WindowNoState);
  EXPECT_TRUE(first->isVisible());
  EXPECT_TRUE(second->isVisible());
}

// Records the order in which windows are brought to the front.
class RaiseRecorder : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::ZOrderChange) raised.push_back(watched->objectName().toStdString());
    return false;
  }
  std::vector<std::string> raised;
};

TEST_F(FlockTest, ActivationRunsAnEarlierHandlerFirstThenRaisesFollowersThenTheLeader) {
  // Someone else's handler is in place before the shepherd hooks in.
  delete shepherd;
  RaiseRecorder recorder;
  TApplicationEvents& events = TApplicationEvents::Instance();
  events.OnActivate = [&recorder](QObject*) { recorder.raised.push_back("earlier handler"); };
  shepherd = new TKTShepherd(leader.get());
  QWidget* first = AddFollower(0, 72);
  QWidget* second = AddFollower(210, 72);
  leader->setObjectName("leader");
  first->setObjectName("first");
  second->setObjectName("second");
  for (QWidget* window : {leader.get(), first, second}) window->installEventFilter(&recorder);

  events.Activate(qApp);
  EXPECT_EQ(recorder.raised,
            (std::vector<std::string>{"earlier handler", "first", "second", "leader"}));

  // Taking the shepherd away puts back what it found.
  delete shepherd;
  shepherd = nullptr;
  recorder.raised.clear();
  events.Activate(qApp);
  EXPECT_EQ(recorder.raised, (std::vector<std::string>{"earlier handler"}));
  events.OnActivate = nullptr;
}

TEST_F(FlockTest, TheShepherdPutsBackTheHandlersItFoundAndFollowersOutliveIt) {
  delete shepherd;
  int earlier = 0;
  TApplicationEvents& events = TApplicationEvents::Instance();
  events.OnMinimize = [&earlier](QObject*) { ++earlier; };
  shepherd = new TKTShepherd(leader.get());
  QWidget* first = AddFollower(0, 72);

  events.Minimize(leader.get());
  EXPECT_EQ(earlier, 1);
  EXPECT_FALSE(first->isVisible());

  delete shepherd;
  shepherd = nullptr;
  EXPECT_EQ(TKTSheep::Of(first)->Shepherd(), nullptr);
  events.Minimize(leader.get());
  EXPECT_EQ(earlier, 2);
  // Without a flock the follower neither records nor moves; closing it
  // touches no list.
  first->move(5, 5);
  TKTSheep::Of(first)->RecordOffset();
  EXPECT_EQ(TKTSheep::Of(first)->OffsetY(), 72);
  followers.clear();
  events.OnMinimize = nullptr;
}

TEST_F(FlockTest, StayOnTopIsSetPerWindow) {
  QWidget* first = AddFollower(0, 72);
  QWidget* second = AddFollower(210, 72);
  shepherd->SetStayOnTop(true);
  TKTSheep::Of(second)->SetStayOnTop(true);

  EXPECT_TRUE(leader->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_FALSE(first->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(second->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  // Still where it was, still shown.
  EXPECT_EQ(second->pos(), QPoint(460, 172));
  EXPECT_TRUE(second->isVisible());
  TKTSheep::Of(second)->SetStayOnTop(false);
  EXPECT_FALSE(second->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(TKTSheep::Of(first)->StayOnTop() == false);
}

}  // namespace
