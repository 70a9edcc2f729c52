// A flock of top-level windows that follows one leader window. The leader
// owns a TKTShepherd, every follower owns one TKTSheep. Followers are
// independent top-level windows, so the window system neither moves nor
// hides them with the leader; the flock does:
//   - when the leader moves, every follower moves by the same amount;
//   - when the user moves a follower, its new offset is remembered;
//   - when the application becomes active, the followers come to the front,
//     then the leader;
//   - when the application is minimised the followers are hidden, and shown
//     again when it is restored;
//   - each window can be kept on top of other programs on its own.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <vector>

class TKTSheep;

// The application-wide events the flock follows, each one replaceable
// handler taking the sender, as the application object offers them. Qt's
// application state feeds activate and deactivate; the leader's window
// state feeds minimise and restore (minimising the main window minimises
// the application).
class TApplicationEvents : public QObject {
  Q_OBJECT
 public:
  using THandler = std::function<void(QObject* sender)>;

  // The one instance, made on first use once a QGuiApplication exists.
  static TApplicationEvents& Instance();

  THandler OnActivate;
  THandler OnDeactivate;
  THandler OnMinimize;
  THandler OnRestore;

  // Run the installed handler, if any.
  void Activate(QObject* sender);
  void Deactivate(QObject* sender);
  void Minimize(QObject* sender);
  void Restore(QObject* sender);

 private:
  TApplicationEvents();
};

class TKTShepherd : public QObject {
  Q_OBJECT
 public:
  // Owned (and freed) by the leader window.
  explicit TKTShepherd(QWidget* owner);
  ~TKTShepherd() override;

  // Makes `window` a follower placed at (leader left + dx, leader top + dy)
  // and shows it. The member is owned by the window.
  TKTSheep* AddSheep(QWidget* window, std::int32_t dx, std::int32_t dy);
  void RemoveSheep(TKTSheep* sheep);
  std::int32_t SheepCount() const;
  TKTSheep* SheepAt(std::int32_t i) const;
  QWidget* SheepFormAt(std::int32_t i) const;
  // The leader calls this after every change of its position.
  void OwnerMoved();
  void SetStayOnTop(bool value);

  // Members ever added; never decreases.
  std::int32_t SheepSerial() const { return sheepSerial_; }
  bool StayOnTop() const { return stayOnTop_; }
  QWidget* Owner() const { return owner_; }

 private:
  void HandleActivate(QObject* sender);
  void HandleMinimize(QObject* sender);
  void HandleRestore(QObject* sender);
  bool eventFilter(QObject* watched, QEvent* event) override;

  QWidget* owner_;
  std::vector<TKTSheep*> flock_;
  std::int32_t sheepSerial_ = 0;
  bool stayOnTop_ = false;
  std::int32_t lastLeft_;
  std::int32_t lastTop_;
  TApplicationEvents::THandler savedActivate_;
  TApplicationEvents::THandler savedDeactivate_;
  TApplicationEvents::THandler savedMinimize_;
  TApplicationEvents::THandler savedRestore_;
};

class TKTSheep : public QObject {
  Q_OBJECT
 public:
  // Owned (and freed) by the follower window.
  explicit TKTSheep(QWidget* owner);
  ~TKTSheep() override;

  // The member `window` owns (its first one), or null.
  static TKTSheep* Of(const QWidget* window);

  // Moves the window's outer top-left corner to (x, y) without resizing,
  // raising or activating it, and records the offset from the leader.
  void MoveTo(std::int32_t x, std::int32_t y);
  void FollowOwner(std::int32_t leaderLeft, std::int32_t leaderTop);
  // Remembers where the user put the window relative to the leader.
  void RecordOffset();
  void SetStayOnTop(bool value);

  QWidget* Window() const { return window_; }
  TKTShepherd* Shepherd() const { return shepherd_; }
  std::int32_t Number() const { return number_; }
  std::int32_t OffsetX() const { return offsetX_; }
  std::int32_t OffsetY() const { return offsetY_; }
  bool StayOnTop() const { return stayOnTop_; }

 private:
  friend class TKTShepherd;
  QWidget* window_;
  std::int32_t offsetX_ = 0;
  std::int32_t offsetY_ = 0;
  QPointer<TKTShepherd> shepherd_;
  std::int32_t number_ = 0;
  bool stayOnTop_ = false;
};

// Keeps `window` above other programs' windows, or not, without moving,
// resizing or activating it.
void ApplyStayOnTop(QWidget& window, bool value);
// Shows the window and brings it to the front.
void ShowAndRaise(QWidget& window);
