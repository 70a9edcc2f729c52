// Window tests that need what only a real desktop has: a window manager's
// frames and title bars, real mouse clicks, real stacking. They run under
// tests/support/under-window-manager.sh, which names the manager in
// TARVEL_WINDOW_MANAGER; anywhere else (Qt's offscreen platform) they skip.
#pragma once

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QTest>
#include <QWidget>
#include <QtGlobal>
#include <string>

namespace test_support {

inline bool WindowManagerRuns() {
  return qEnvironmentVariableIsSet("TARVEL_WINDOW_MANAGER");
}

// `Fixture` set up and torn down only under a window manager.
template <class Fixture>
class UnderWindowManager : public Fixture {
 protected:
  void SetUp() override {
    if (!WindowManagerRuns()) {
      GTEST_SKIP() << "needs a window manager: runs under tests/support/under-window-manager.sh";
    }
    Fixture::SetUp();
  }
  void TearDown() override {
    if (WindowManagerRuns()) Fixture::TearDown();
  }
};

// A point as "x, y", for comparisons whose failures show the numbers.
inline std::string Where(const QPoint& point) {
  return std::to_string(point.x()) + ", " + std::to_string(point.y());
}

// Shows the window and waits until the window manager has framed and placed
// it: its frame is known and has stood still for 200 ms (5 seconds at most).
// Answers the frame, title bar included.
inline QRect SettledFrame(QWidget& window) {
  window.show();
  if (!QTest::qWaitForWindowExposed(&window, 5000)) ADD_FAILURE() << "the window never showed";
  QRect last;
  int still = 0;
  for (const QDeadlineTimer deadline(5000); still < 4 && !deadline.hasExpired();) {
    QTest::qWait(50);
    const QRect frame = window.frameGeometry();
    still = frame == last && frame != window.geometry() ? still + 1 : 0;
    last = frame;
  }
  return last;
}

// Moves the pointer to `global` and clicks there through the X server
// (XTEST, with xdotool), as a user's mouse does: the window manager sees the
// click, and Qt gets it the way it gets every real one. False when xdotool
// failed.
inline bool ClickWithTheMouse(QPoint global, Qt::MouseButton button) {
  const QString number = button == Qt::RightButton ? "3" : button == Qt::MiddleButton ? "2" : "1";
  return QProcess::execute("xdotool", {"mousemove", QString::number(global.x()),
                                       QString::number(global.y()), "click", number}) == 0;
}

}  // namespace test_support
