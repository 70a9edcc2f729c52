// The event monitor window (Visio > Event Monitor): Visio's events live, one
// line each as tree/EventLog.h writes them, for watching what a client's
// automation code does to a drawing.
//
// The events to hear are ticked in a list; Start advises them on the
// attached Visio's application, Pause removes them again, and so does a
// change of the ticks (advising the new set) or losing the connection.
// The log keeps the last lines, can be filtered by text, and copies the
// selected lines (Ctrl+C).
#pragma once

#include <QWidget>
#include <cstdint>
#include <memory>
#include <vector>

#include "automation/Object.h"
#include "tree/EventLog.h"
#include "visio/EventSubscription.h"

class QLabel;
class QLineEdit;
class QListView;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QSortFilterProxyModel;
class QStringListModel;

class Tfm_EventMonitor : public QWidget {
  Q_OBJECT

 public:
  explicit Tfm_EventMonitor(QWidget* parent = nullptr,
                            std::size_t capacity = TEventLog::kDefaultCapacity);
  ~Tfm_EventMonitor() override;

  // Start advises the ticked events and becomes Pause; Pause removes them.
  void bt_StartClick();
  void bt_ClearClick();
  // The selected lines, in the order shown, one per line, to the clipboard.
  void CopySelection();
  // Follows the controller: Start only while connected; listening stops
  // when the connection goes.
  void ControllerStatusChanged();
  // Removes the advised events, as Pause does; for before the controller
  // lets go of its Visio.
  void StopListening();

  bool Listening() const { return subscription_.Active(); }
  // The ticked codes, in the list's order.
  std::vector<std::uint16_t> TickedCodes() const;
  void SetTicked(std::uint16_t code, bool ticked);
  // The lines shown now (after the filter), in order.
  std::vector<std::string> ShownLines() const;

  QListWidget* lb_Codes;
  QPushButton* bt_Start;
  QPushButton* bt_Clear;
  QLineEdit* ed_Filter;
  QListView* lv_Log;
  QLabel* lb_Status;

 signals:
  // The objects of each event as Visio passed them, for windows that mark
  // what an event names.
  void EventObjects(const automation::ObjectRef& source, const automation::ObjectRef& subject);

 private:
  void OnEvent(const TKTVisio_EventInfo& event);
  void CodeTicked(QListWidgetItem* item);
  // Advises the ticked codes anew, or stops when none is ticked; the
  // outcome goes to the status line.
  void Listen();
  void Stop();
  void ShowStatus();

  TEventLog log_;
  TVisioEventSubscription subscription_;
  QStringListModel* lines_;
  QSortFilterProxyModel* filtered_;
  QString problem_;  // the last failure, shown until the next success
};
