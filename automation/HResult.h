// Result codes and the automation error: what COM reports when a call fails.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace automation {

// A COM result code. Negative values (the high bit set) are failures.
using HResult = std::int32_t;

constexpr HResult MakeHResult(std::uint32_t bits) {
  return static_cast<HResult>(bits);
}

constexpr HResult S_OK = 0;
constexpr HResult S_FALSE = 1;
constexpr HResult E_NOTIMPL = MakeHResult(0x80004001);
constexpr HResult E_NOINTERFACE = MakeHResult(0x80004002);
constexpr HResult E_POINTER = MakeHResult(0x80004003);
constexpr HResult E_ABORT = MakeHResult(0x80004004);
constexpr HResult E_FAIL = MakeHResult(0x80004005);
constexpr HResult E_UNEXPECTED = MakeHResult(0x8000FFFF);
constexpr HResult E_ACCESSDENIED = MakeHResult(0x80070005);
constexpr HResult E_OUTOFMEMORY = MakeHResult(0x8007000E);
constexpr HResult E_INVALIDARG = MakeHResult(0x80070057);
constexpr HResult RPC_E_CALL_REJECTED = MakeHResult(0x80010001);
constexpr HResult RPC_E_DISCONNECTED = MakeHResult(0x80010108);
constexpr HResult RPC_E_SERVERFAULT = MakeHResult(0x80010105);
constexpr HResult RPC_E_TIMEOUT = MakeHResult(0x8001011F);
constexpr HResult DISP_E_UNKNOWNINTERFACE = MakeHResult(0x80020001);
constexpr HResult DISP_E_MEMBERNOTFOUND = MakeHResult(0x80020003);
constexpr HResult DISP_E_PARAMNOTFOUND = MakeHResult(0x80020004);
constexpr HResult DISP_E_TYPEMISMATCH = MakeHResult(0x80020005);
constexpr HResult DISP_E_UNKNOWNNAME = MakeHResult(0x80020006);
constexpr HResult DISP_E_BADVARTYPE = MakeHResult(0x80020008);
constexpr HResult DISP_E_EXCEPTION = MakeHResult(0x80020009);
constexpr HResult DISP_E_OVERFLOW = MakeHResult(0x8002000A);
constexpr HResult DISP_E_BADINDEX = MakeHResult(0x8002000B);
constexpr HResult DISP_E_BADPARAMCOUNT = MakeHResult(0x8002000E);
constexpr HResult CO_E_CLASSSTRING = MakeHResult(0x800401F3);
constexpr HResult MK_E_UNAVAILABLE = MakeHResult(0x800401E3);
constexpr HResult CO_E_OBJNOTCONNECTED = MakeHResult(0x800401FD);
constexpr HResult REGDB_E_CLASSNOTREG = MakeHResult(0x80040154);
constexpr HResult CLASS_E_NOAGGREGATION = MakeHResult(0x80040110);
constexpr HResult CO_E_SERVER_EXEC_FAILURE = MakeHResult(0x80080005);

constexpr bool Succeeded(HResult hr) {
  return hr >= 0;
}
constexpr bool Failed(HResult hr) {
  return hr < 0;
}

// "0x80004005": the form in which result codes are shown to users.
std::string FormatHResult(HResult hr);

// The system's own text for a result code, as Windows words it; codes it
// does not know get "Unknown error 0x........".
std::string SystemMessage(HResult hr);

// A failed automation call: the result code and the message that came with
// it (the system's text for the code when the caller gave none).
class AutomationError : public std::exception {
 public:
  explicit AutomationError(HResult code);
  AutomationError(HResult code, std::string message);

  HResult code() const noexcept { return code_; }
  const std::string& message() const noexcept { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  HResult code_;
  std::string message_;
};

// Throws an AutomationError for a failure code; success codes pass.
inline void Check(HResult hr) {
  if (Failed(hr)) throw AutomationError(hr);
}

}  // namespace automation
