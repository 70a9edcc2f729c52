#include "visio/KTVisio_Controller.h"

#include <exception>

#include "automation/Runtime.h"
#include "visio/ErrorText.h"
#include "visio/KTVisio_AddOnSink.h"

using automation::ObjectRef;
using automation::StringArray;
using automation::Variant;

TKTVisio_Controller::TKTVisio_Controller() : NameArray(StringArray::WithBounds(0, 0)) {
  SetCallRefused(false);
}

TKTVisio_Controller::~TKTVisio_Controller() = default;

namespace {

bool Refused(const std::exception& error) {
  const auto* e = dynamic_cast<const automation::AutomationError*>(&error);
  return e != nullptr && e->code() == automation::RPC_E_CALL_REJECTED;
}

std::string RefusedText(const std::exception& error) {
  return "Visio refused the call, as it does while busy (a dialog may be open): " +
         TrimText(ErrorMessage(error));
}

}  // namespace

automation::HResult TKTVisio_Controller::Connect(std::int32_t mode) {
  automation::HResult result = automation::E_FAIL;
  if (App) Disconnect();
  connectError_.clear();
  SetCallRefused(false);
  std::string why;

  if ((mode & 2) != 0) {
    try {
      automation::Guid clsid;
      ObjectRef running;
      automation::HResult hr = automation::CLSIDFromProgID(kVisioProgID, &clsid);
      if (automation::Succeeded(hr)) hr = automation::GetActiveObject(clsid, &running);
      if (automation::Succeeded(hr) && running) {
        App = running.QueryInterface(automation::IID_IDispatch).QueryInterface(IID_IVApplication);
      } else if (hr == automation::RPC_E_CALL_REJECTED) {
        throw automation::AutomationError(hr);
      }
    } catch (const std::exception& e) {
      App.Reset();
      if (Refused(e)) SetCallRefused(true);
      why = Refused(e) ? RefusedText(e)
                       : "attaching to the running Visio failed: " + TrimText(ErrorMessage(e));
    }
  }
  // A busy Visio refuses a second attachment as well: starting is no remedy.
  if (!App && (mode & 1) != 0 && !callRefused_) {
    try {
      ObjectRef created;
      (void)automation::GetErrorInfo();  // nothing left over from before
      const automation::HResult hr = automation::CoCreateInstance(
          CLSID_VisioApplication, automation::CLSCTX_INPROC_SERVER | automation::CLSCTX_LOCAL_SERVER,
          automation::IID_IUnknown, &created);
      if (automation::Succeeded(hr) && created) {
        App = created.QueryInterface(IID_IVApplication);
      } else if (hr == automation::RPC_E_CALL_REJECTED) {
        throw automation::AutomationError(hr);
      } else {
        const std::optional<std::string> info = automation::GetErrorInfo();
        why = "Visio could not be started: " +
              (info && !TrimText(*info).empty() ? TrimText(*info)
                                                 : automation::SystemMessage(hr) + " (" +
                                                       automation::FormatHResult(hr) + ")");
      }
    } catch (const std::exception& e) {
      App.Reset();
      if (Refused(e)) SetCallRefused(true);
      why =
          Refused(e) ? RefusedText(e) : "Visio could not be started: " + TrimText(ErrorMessage(e));
    }
  }
  linkLost_ = false;
  linkFailure_.clear();
  if (App) {
    result = automation::S_OK;
    SetCallRefused(false);
  } else {
    connectError_ = why.empty() ? std::string("no Visio is running") : why;
  }
  return result;
}

int TKTVisio_Controller::Disconnect() {
  DropEventConnection();
  App.Reset();
  linkLost_ = false;
  linkFailure_.clear();
  return 0;
}

void TKTVisio_Controller::NoteCallError(const std::exception& error) {
  const auto* e = dynamic_cast<const automation::AutomationError*>(&error);
  if (e != nullptr && e->code() == automation::RPC_E_CALL_REJECTED) SetCallRefused(true);
  NoteLinkError(error);
}

void TKTVisio_Controller::NoteLinkError(const std::exception& error) {
  const auto* e = dynamic_cast<const automation::AutomationError*>(&error);
  if (e == nullptr || !App) return;
  const automation::HResult code = e->code();
  // RPC_E_DISCONNECTED, RPC_S_SERVER_UNAVAILABLE and RPC_S_CALL_FAILED:
  // what a call answers when the server's process is gone.
  const bool gone = code == automation::RPC_E_DISCONNECTED ||
                    code == automation::MakeHResult(0x800706BA) ||
                    code == automation::MakeHResult(0x800706BE);
  if (!gone && code != automation::RPC_E_TIMEOUT) return;
  if (linkFailure_.empty()) {
    linkFailure_ = automation::FormatHResult(code) + " " + TrimText(ErrorMessage(error));
  }
  if (!gone || linkLost_) return;
  linkLost_ = true;
  if (OnStatusChange) OnStatusChange();
}

int TKTVisio_Controller::DropEventConnection() {
  if (EventSink != nullptr) EventSink->OnVisioEvent = nullptr;
  EventObject.Reset();
  EventSink = nullptr;
  return 0;
}

void TKTVisio_Controller::SetCallRefused(bool value) {
  if (value == callRefused_) return;
  callRefused_ = value;
  if (OnStatusChange) OnStatusChange();
}

TSetValueStatus TKTVisio_Controller::LocateMasterShape(const IVShape& shape, IVShape& editShape,
                                                       IVMaster& openedMaster,
                                                       std::string& errText) {
  editShape = IVShape();
  openedMaster = IVMaster();
  errText.clear();
  TSetValueStatus status = svsOK;
  try {
    const IVMaster master = shape.ContainingMaster();
    if (!master) return svsNoContainingMaster;
    const IVShape parent = shape.ContainingShape();
    const std::int32_t index = shape.Index();
    if (parent.Type() == visTypePage) {
      // The shape sits directly on the master's page.
      try {
        openedMaster = master.Open();
      } catch (const std::exception& e) {
        errText += " {" + ErrorMessage(e) + "}";
        status = svsMasterOpenFailed;
      }
      if (openedMaster) {
        editShape = openedMaster.Shapes().Item(index);
        status = svsOK;
      }
    } else {
      // The shape sits in a group: find the group's counterpart first. The
      // master it opens comes back through the same slot.
      IVShape editParent;
      std::string innerErr;
      const TSetValueStatus inner = LocateMasterShape(parent, editParent, openedMaster, innerErr);
      if (inner != svsOK) {
        errText += " {" + innerErr + "}";
        status = inner;
      } else {
        editShape = editParent.Shapes().Item(index);
        status = svsOK;
      }
    }
  } catch (const std::exception& e) {
    errText += " {" + ErrorMessage(e) + "}";
    status = svsMisc;
  }
  return status;
}

TSetValueStatus TKTVisio_Controller::LocateMasterCell(const IVCell& cell, IVCell& editCell,
                                                      IVMaster& openedMaster,
                                                      std::string& errText) {
  editCell = IVCell();
  openedMaster = IVMaster();
  errText.clear();
  TSetValueStatus status = svsOK;
  try {
    const IVShape shape = cell.Shape();
    if (!shape) return svsNoContainingMaster;
    const std::string name = cell.Name();
    IVShape editShape;
    std::string innerErr;
    status = LocateMasterShape(shape, editShape, openedMaster, innerErr);
    if (status == svsOK && editShape) editCell = editShape.Cells(name);
    if (status != svsOK && !innerErr.empty()) errText += " {" + innerErr + "}";
  } catch (const std::exception& e) {
    errText += " {" + ErrorMessage(e) + "}";
    status = svsMisc;
  }
  return status;
}

void TKTVisio_Controller::DockedStencilNames(const ObjectRef& window,
                                             std::vector<std::string>& list) {
  list.clear();
  try {
    NameArray = IVWindow(window).DockedStencils();
    const StringArray names = NameArray.ToStringArray();
    for (std::int32_t i = names.LBound(); i <= names.UBound(); ++i) list.push_back(names.Get(i));
    NameArray = Variant();
  } catch (const std::exception&) {
    // The list keeps what was added before the failure.
  }
}

TKTVisio_Controller& TheVisioController() {
  static auto* controller = new TKTVisio_Controller();
  return *controller;
}

TKTVisio_Controller& VisioController = TheVisioController();

TSetValueStatus SetValueProtocol(const TLocateCounterpart& locate, const ObjectRef& own,
                                 const TWriteValue& write, std::string& errText) {
  TSetValueStatus status = svsOK;
  errText.clear();
  ObjectRef counterpart;
  IVMaster openedMaster;
  if (locate) {
    try {
      status = locate(counterpart, openedMaster, errText);
    } catch (const std::exception& e) {
      status = svsMasterOpenFailed;
      errText += " {" + TrimText(ErrorMessage(e)) + "}";
    }
  }
  try {
    ObjectRef target = counterpart ? counterpart : own;
    write(target);
    try {
      target.Reset();
      counterpart.Reset();
      if (openedMaster) openedMaster.Close();
    } catch (const std::exception& e) {
      status = svsMasterCloseFailed;
      errText += " {" + TrimText(ErrorMessage(e)) + "}";
    }
  } catch (const std::exception& e) {
    status = svsSetValueFailed;
    errText += " {" + TrimText(ErrorMessage(e)) + "}";
  }
  // Released without Close after a failed write: nothing is committed.
  return status;
}
