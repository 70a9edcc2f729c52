#include "automation/HResult.h"

#include <cstdio>
#include <utility>

namespace automation {

std::string FormatHResult(HResult hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
  return text;
}

std::string SystemMessage(HResult hr) {
  switch (hr) {
    case S_OK:
      return "The operation completed successfully.";
    case S_FALSE:
      return "Incorrect function.";
    case E_NOTIMPL:
      return "Not implemented";
    case E_NOINTERFACE:
      return "No such interface supported";
    case E_POINTER:
      return "Invalid pointer";
    case E_ABORT:
      return "Operation aborted";
    case E_FAIL:
      return "Unspecified error";
    case E_UNEXPECTED:
      return "Catastrophic failure";
    case E_ACCESSDENIED:
      return "Access is denied.";
    case E_OUTOFMEMORY:
      return "Not enough memory resources are available to complete this operation.";
    case E_INVALIDARG:
      return "The parameter is incorrect.";
    case RPC_E_CALL_REJECTED:
      return "Call was rejected by callee.";
    case RPC_E_DISCONNECTED:
      return "The object invoked has disconnected from its clients.";
    case RPC_E_SERVERFAULT:
      return "The server threw an exception.";
    case RPC_E_TIMEOUT:
      return "This operation returned because the timeout period expired.";
    case DISP_E_UNKNOWNINTERFACE:
      return "Unknown interface.";
    case DISP_E_MEMBERNOTFOUND:
      return "Member not found.";
    case DISP_E_PARAMNOTFOUND:
      return "Parameter not found.";
    case DISP_E_TYPEMISMATCH:
      return "Type mismatch.";
    case DISP_E_UNKNOWNNAME:
      return "Unknown name.";
    case DISP_E_BADVARTYPE:
      return "Bad variable type.";
    case DISP_E_EXCEPTION:
      return "Exception occurred.";
    case DISP_E_OVERFLOW:
      return "Out of present range.";
    case DISP_E_BADINDEX:
      return "Invalid index.";
    case DISP_E_BADPARAMCOUNT:
      return "Invalid number of parameters.";
    case CO_E_CLASSSTRING:
      return "Invalid class string";
    case MK_E_UNAVAILABLE:
      return "Operation unavailable";
    case CO_E_OBJNOTCONNECTED:
      return "Object is not connected to server";
    case REGDB_E_CLASSNOTREG:
      return "Class not registered";
    case CLASS_E_NOAGGREGATION:
      return "Class does not support aggregation (or class object is remote)";
    case CO_E_SERVER_EXEC_FAILURE:
      return "Server execution failed";
    default:
      return "Unknown error " + FormatHResult(hr);
  }
}

AutomationError::AutomationError(HResult code) : code_(code), message_(SystemMessage(code)) {}

AutomationError::AutomationError(HResult code, std::string message)
    : code_(code), message_(std::move(message)) {}

}  // namespace automation
