// The program's one link to Visio: attaching and detaching, the refused-call
// flag with its observer, the set-value status vocabulary, and the Visio
// procedures more than one kind of node needs (finding the editable copy of
// a shape or cell that lives in a master, listing a window's docked
// stencils).
#pragma once

#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "automation/HResult.h"
#include "automation/Variant.h"
#include "visio/Visio_TLB.h"

class TVisioAddOnSink;

// The result of every write in the program. 0 and 1 mean success.
enum TSetValueStatus : std::uint8_t {
  svsOK,
  svsNoContainingMaster,
  svsMasterOpenFailed,
  svsMasterCloseFailed,
  svsSetValueFailed,
  svsCallRefused,  // never returned; keeps svsMisc at 6
  svsMisc,
};

inline constexpr auto SetValueStatusText = std::to_array<std::string_view>({
    "OK",
    "OK - No containing Master",
    "Error - Master.Open failed",
    "Error - Master.Close failed",
    "Error - Set value failed",
    "Error - Call refused by Visio",
    "Error - Misc",
});
static_assert(SetValueStatusText.size() == svsMisc + 1, "a text for every status");

inline bool SetValueSucceeded(TSetValueStatus status) {
  return status <= svsNoContainingMaster;
}

class TKTVisio_Controller {
 public:
  TKTVisio_Controller();
  ~TKTVisio_Controller();
  TKTVisio_Controller(const TKTVisio_Controller&) = delete;
  TKTVisio_Controller& operator=(const TKTVisio_Controller&) = delete;

  // Mode bit 2: attach to the running Visio; bit 1: start a new one when
  // none is attached by then. S_OK when attached, E_FAIL when not. Never
  // throws; a failed reconnect leaves the controller detached.
  automation::HResult Connect(std::int32_t mode);
  // Why the last Connect attached to nothing ("" after one that attached):
  // the start's failure as the class factory describes it, else its code.
  const std::string& ConnectError() const { return connectError_; }
  // Attached, and no call has found the attached Visio gone since.
  bool IsConnected() const { return static_cast<bool>(App) && !linkLost_; }
  int Disconnect();
  int DropEventConnection();

  bool CallRefused() const { return callRefused_; }
  // Calls OnStatusChange when, and only when, the value changes.
  void SetCallRefused(bool value);
  // What a failed Visio call tells of the link. NoteCallError: a refused
  // call raises the refused flag. Both: a Visio that has gone away (its
  // process ended: the call could not reach it) leaves the controller not
  // connected until Connect attaches again, and calls OnStatusChange.
  void NoteCallError(const std::exception& error);
  void NoteLinkError(const std::exception& error);
  // The first failure of the link itself since Connect (Visio gone, or a
  // call that timed out), as "0x80010108 The object ...", else "". Visio's
  // own error answers are not link failures.
  const std::string& LinkFailure() const { return linkFailure_; }

  // The counterpart of `shape` inside an opened copy of the master that
  // contains it. Errors never escape: they become the status and " {...}"
  // in errText, wrapped once more at every level that passes one on.
  TSetValueStatus LocateMasterShape(const IVShape& shape, IVShape& editShape,
                                    IVMaster& openedMaster, std::string& errText);
  TSetValueStatus LocateMasterCell(const IVCell& cell, IVCell& editCell, IVMaster& openedMaster,
                                   std::string& errText);

  // Replaces `list` with the names of the stencils docked in the window.
  // Errors end it silently, keeping the names added so far.
  void DockedStencilNames(const automation::ObjectRef& window, std::vector<std::string>& list);

  automation::ObjectRef App;  // the attached Visio's IVApplication
  automation::ObjectRef EventObject;
  TVisioAddOnSink* EventSink = nullptr;  // not owned
  automation::Variant NameArray;
  std::function<void()> OnStatusChange;

 private:
  bool callRefused_ = false;
  bool linkLost_ = false;
  std::string linkFailure_;
  std::string connectError_;
};

// The one controller, created on first use and never destroyed.
TKTVisio_Controller& TheVisioController();
extern TKTVisio_Controller& VisioController;

// Finds where a write goes: the counterpart of the node's own object in an
// opened master (set when found) and the master to close afterwards.
using TLocateCounterpart = std::function<TSetValueStatus(
    automation::ObjectRef& counterpart, IVMaster& openedMaster, std::string& errText)>;
// Writes the value to the given object.
using TWriteValue = std::function<void(const automation::ObjectRef& target)>;

// The frame of every write: locate (when given), write to the counterpart or
// to `own`, close the opened master to commit. A failed phase sets its
// status and appends " {message}"; a failed write leaves the master
// unclosed, so nothing of the edit is committed.
TSetValueStatus SetValueProtocol(const TLocateCounterpart& locate, const automation::ObjectRef& own,
                                 const TWriteValue& write, std::string& errText);
