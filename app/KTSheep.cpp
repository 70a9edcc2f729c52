#include "app/KTSheep.h"

#include <QEvent>
#include <QApplication>
#include <QGuiApplication>
#include <QWindowStateChangeEvent>

#include <algorithm>

namespace {

void RunHandler(const TApplicationEvents::THandler& handler, QObject* sender) {
  if (handler) handler(sender);
}

}  // namespace

// ---- TApplicationEvents ----

TApplicationEvents& TApplicationEvents::Instance() {
  // Parented to the application so that it goes with it.
  static TApplicationEvents* instance = new TApplicationEvents();
  return *instance;
}

TApplicationEvents::TApplicationEvents() : QObject(QCoreApplication::instance()) {
  if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    connect(app, &QGuiApplication::applicationStateChanged, this,
            [this, app](Qt::ApplicationState state) {
              if (state == Qt::ApplicationActive) {
                Activate(app);
              } else if (state == Qt::ApplicationInactive) {
                Deactivate(app);
              }
            });
  }
}

void TApplicationEvents::Activate(QObject* sender) { RunHandler(OnActivate, sender); }
void TApplicationEvents::Deactivate(QObject* sender) { RunHandler(OnDeactivate, sender); }
void TApplicationEvents::Minimize(QObject* sender) { RunHandler(OnMinimize, sender); }
void TApplicationEvents::Restore(QObject* sender) { RunHandler(OnRestore, sender); }

// ---- window helpers ----

void ApplyStayOnTop(QWidget& window, bool value) {
  if (window.testAttribute(Qt::WA_WState_Created) &&
      window.windowFlags().testFlag(Qt::WindowStaysOnTopHint) == value) {
    return;
  }
  // Changing the flag re-creates the native window and hides it; put it back
  // where it was, as it was, without activating it.
  const bool visible = window.isVisible();
  const QPoint position = window.pos();
  const bool showInactive = window.testAttribute(Qt::WA_ShowWithoutActivating);
  window.setWindowFlag(Qt::WindowStaysOnTopHint, value);
  window.move(position);
  if (visible) {
    window.setAttribute(Qt::WA_ShowWithoutActivating, true);
    window.show();
    window.setAttribute(Qt::WA_ShowWithoutActivating, showInactive);
  }
}

void ShowAndRaise(QWidget& window) {
  window.show();
  window.raise();
}

// ---- TKTShepherd ----

TKTShepherd::TKTShepherd(QWidget* owner)
    : QObject(owner), owner_(owner), lastLeft_(owner->x()), lastTop_(owner->y()) {
  TApplicationEvents& events = TApplicationEvents::Instance();
  // Each handler runs the one installed before it first.
  savedActivate_ = events.OnActivate;
  events.OnActivate = [this](QObject* sender) {
    RunHandler(savedActivate_, sender);
    HandleActivate(sender);
  };
  savedDeactivate_ = events.OnDeactivate;
  events.OnDeactivate = [this](QObject* sender) { RunHandler(savedDeactivate_, sender); };
  savedMinimize_ = events.OnMinimize;
  events.OnMinimize = [this](QObject* sender) {
    RunHandler(savedMinimize_, sender);
    HandleMinimize(sender);
  };
  savedRestore_ = events.OnRestore;
  events.OnRestore = [this](QObject* sender) {
    RunHandler(savedRestore_, sender);
    HandleRestore(sender);
  };
  owner_->installEventFilter(this);
}

TKTShepherd::~TKTShepherd() {
  for (TKTSheep* sheep : flock_) sheep->shepherd_ = nullptr;
  flock_.clear();
  owner_->removeEventFilter(this);
  TApplicationEvents& events = TApplicationEvents::Instance();
  events.OnActivate = std::move(savedActivate_);
  events.OnDeactivate = std::move(savedDeactivate_);
  events.OnMinimize = std::move(savedMinimize_);
  events.OnRestore = std::move(savedRestore_);
}

TKTSheep* TKTShepherd::AddSheep(QWidget* window, std::int32_t dx, std::int32_t dy) {
  auto* sheep = new TKTSheep(window);
  ++sheepSerial_;
  sheep->shepherd_ = this;
  sheep->number_ = sheepSerial_;
  flock_.push_back(sheep);
  sheep->MoveTo(owner_->x() + dx, owner_->y() + dy);
  ShowAndRaise(*window);
  return sheep;
}

void TKTShepherd::RemoveSheep(TKTSheep* sheep) {
  const auto found = std::find(flock_.begin(), flock_.end(), sheep);
  if (found != flock_.end()) flock_.erase(found);
}

std::int32_t TKTShepherd::SheepCount() const { return static_cast<std::int32_t>(flock_.size()); }

TKTSheep* TKTShepherd::SheepAt(std::int32_t i) const {
  if (i < 0 || i >= SheepCount()) return nullptr;
  return flock_[static_cast<std::size_t>(i)];
}

QWidget* TKTShepherd::SheepFormAt(std::int32_t i) const {
  TKTSheep* sheep = SheepAt(i);
  return sheep != nullptr ? sheep->Window() : nullptr;
}

void TKTShepherd::OwnerMoved() {
  const std::int32_t left = owner_->x();
  const std::int32_t top = owner_->y();
  if (left == lastLeft_ && top == lastTop_) return;
  // Copied: a window may close while the flock moves.
  const std::vector<TKTSheep*> members = flock_;
  for (TKTSheep* sheep : members) sheep->FollowOwner(left, top);
  lastLeft_ = left;
  lastTop_ = top;
}

void TKTShepherd::SetStayOnTop(bool value) {
  stayOnTop_ = value;
  ApplyStayOnTop(*owner_, value);
}

void TKTShepherd::HandleActivate(QObject*) {
  // Raising windows now would bury the menu that is just opening.
  if (QApplication::activePopupWidget() != nullptr) return;
  const std::vector<TKTSheep*> members = flock_;
  for (TKTSheep* sheep : members) sheep->Window()->raise();
  owner_->raise();
}

void TKTShepherd::HandleMinimize(QObject*) {
  const std::vector<TKTSheep*> members = flock_;
  for (TKTSheep* sheep : members) sheep->Window()->hide();
}

void TKTShepherd::HandleRestore(QObject*) {
  const std::vector<TKTSheep*> members = flock_;
  for (TKTSheep* sheep : members) ShowAndRaise(*sheep->Window());
}

bool TKTShepherd::eventFilter(QObject* watched, QEvent* event) {
  if (watched == owner_ && event->type() == QEvent::WindowStateChange) {
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    const bool wasMinimized = change->oldState().testFlag(Qt::WindowMinimized);
    const bool isMinimized = owner_->windowState().testFlag(Qt::WindowMinimized);
    if (isMinimized && !wasMinimized) {
      TApplicationEvents::Instance().Minimize(owner_);
    } else if (wasMinimized && !isMinimized) {
      TApplicationEvents::Instance().Restore(owner_);
    }
  }
  return QObject::eventFilter(watched, event);
}

// ---- TKTSheep ----

TKTSheep::TKTSheep(QWidget* owner) : QObject(owner), window_(owner) {}

TKTSheep::~TKTSheep() {
  if (shepherd_) shepherd_->RemoveSheep(this);
}

TKTSheep* TKTSheep::Of(const QWidget* window) {
  return window->findChild<TKTSheep*>(QString(), Qt::FindDirectChildrenOnly);
}

void TKTSheep::MoveTo(std::int32_t x, std::int32_t y) {
  // move() places the outer (frame) corner and neither raises nor activates.
  window_->move(x, y);
  if (shepherd_ && shepherd_->Owner() != nullptr) {
    offsetX_ = x - shepherd_->Owner()->x();
    offsetY_ = y - shepherd_->Owner()->y();
  }
}

void TKTSheep::FollowOwner(std::int32_t leaderLeft, std::int32_t leaderTop) {
  MoveTo(leaderLeft + offsetX_, leaderTop + offsetY_);
}

void TKTSheep::RecordOffset() {
  if (!shepherd_ || shepherd_->Owner() == nullptr) return;
  offsetX_ = window_->x() - shepherd_->Owner()->x();
  offsetY_ = window_->y() - shepherd_->Owner()->y();
}

void TKTSheep::SetStayOnTop(bool value) {
  stayOnTop_ = value;
  ApplyStayOnTop(*window_, value);
}
