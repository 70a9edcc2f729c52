// The main window: a small always-on-top control strip with the connection
// status, the Refresh button, the Auto check box with its LED, and the File
// and Visio menus. It leads the flock of tree windows and runs the commands
// that open and refresh them.
#pragma once

#include <QColor>
#include <QMainWindow>
#include <QWidget>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "app/Session.h"
#include "automation/Object.h"
#include "tree/Tarvel_TV01.h"

class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QTimer;
class TAboutBox;
class Tfm_EventMonitor;
class TKTShepherd;

// The round indicator: a filled circle without outline.
class TLedShape : public QWidget {
  Q_OBJECT
 public:
  explicit TLedShape(QWidget* parent);
  QColor BrushColor() const { return color_; }
  void SetBrushColor(const QColor& color);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor color_;
};

// A whole signed 32-bit integer: leading blanks skipped, an optional sign,
// then decimal digits, or hexadecimal digits after "$" or "0x". Anything
// else, an empty text or a value out of range gives nothing.
std::optional<std::int32_t> TryStrToInt(std::string_view text);

class Tfm_Main : public QMainWindow, public TTreeWindowHost {
  Q_OBJECT
 public:
  // The refresh LED's colours by LedState.
  static const QColor kLedColors[3];
  static constexpr int kMinRefreshInterval = 500;

  explicit Tfm_Main(QWidget* parent = nullptr);
  ~Tfm_Main() override;

  void SetLedState(std::uint8_t state);
  void ControllerStatusChanged();

  // A new tree window in the flock, directly under the main window and right
  // of the rightmost flock window; null without a flock.
  Tfm_VisioTreeView* NewTreeWindow();
  // Refreshes every flock window's tree, in flock order.
  void RefreshAllWindows() override;

  // Menu commands and control events.
  void mi_AboutClick();
  void mi_File_ExitClick();
  void mi_Visio_ConnectClick();
  void mi_Visio_DisconnectClick();
  void mi_Visio_NewWin_AppClick();
  void mi_Visio_NewWin_SelShapeClick();
  // Shows the event monitor, made on first use.
  void mi_Visio_EventMonitorClick();
  void mi_ChangeRefreshIntervalClick();
  void bt_RefreshClick();
  void ck_AutoClick();
  void tm_RefreshTimer();
  // The Windows menu: the open tree windows, each brought to the front by
  // its item; closing them all; opening again those of the last run.
  void mm_WindowsPopup();
  void mi_Windows_CloseAllClick();
  void mi_Windows_ReopenClick();
  // A cell or shape the event monitor reports is marked in the open tree
  // windows as a refresh marks what changed, a moment later, so that a burst
  // of events is marked at once; only the first kMaxReportedMarks objects
  // of a burst, since asking whether an item is the object may be a call
  // to Visio for every loaded item.
  void ObjectReported(const automation::ObjectRef& subject);
  void MarkReported();
  static constexpr std::size_t kMaxReportedMarks = 8;

  // What this run leaves for the next one, and what the last run left.
  TSession Session() const;
  void SaveSession() const;
  const TSession& LastSession() const { return lastSession_; }

  TKTShepherd* Shepherd = nullptr;  // owned (a child object)
  std::uint8_t LedState = 0;
  TAboutBox* AboutBox = nullptr;  // owned; made on first use
  Tfm_EventMonitor* EventMonitor = nullptr;  // owned (a child window); made on first use

  QFrame* Panel1;
  QLabel* lb_Status;
  QFrame* Panel2;
  QPushButton* bt_Refresh;
  QCheckBox* ck_Auto;
  TLedShape* led_Refresh;
  QTimer* tm_Refresh;
  QMenu* mm_File;
  QAction* mi_About;
  QAction* mi_File_Exit;
  QMenu* mm_Visio;
  QAction* mi_Visio_Connect;
  QAction* mi_Visio_Disconnect;
  QAction* mi_Visio_NewWin_App;
  QAction* mi_Visio_NewWin_SelShape;
  QAction* mi_Visio_EventMonitor;
  QAction* mi_ChangeRefreshInterval;
  QMenu* mm_Windows;
  QAction* mi_Windows_CloseAll;
  QAction* mi_Windows_Reopen;

 protected:
  void moveEvent(QMoveEvent* event) override;
  void showEvent(QShowEvent* event) override;
  // Closing the main window ends the program, tree windows and all.
  void closeEvent(QCloseEvent* event) override;

 private:
  void FormCreate();
  void SetStatus(const QString& text);
  void SetStatusBackground(const QColor& color);
  // Sizes the client so that the outer bounds are 258 x 72 where the frame
  // allows it, and never smaller than the menu and the panel need.
  void FitOuterSize();

  bool sized_ = false;
  TSession lastSession_;
  std::vector<automation::ObjectRef> reported_;  // waiting to be marked
  QTimer* reportTimer_ = nullptr;
};
