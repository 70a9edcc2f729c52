// The library's registration through COM, from the type library the program
// carries as its resource TYPELIB 1.
// The layer's headers before Windows' (see automation/com/ComHeaders.h).
#include "visio/Tarvel_AutomationServer.h"
// Then COM's.
#include "automation/com/Convert.h"
// Then the rest.
#include <cwchar>
#include <exception>
#include <filesystem>

namespace {

using automation::AutomationError;
using automation::HResult;

constexpr std::string_view kRegisterFailed = "Cannot register the type library KTVisio_AddOn: ";
constexpr std::string_view kUnregisterFailed = "Cannot unregister the type library KTVisio_AddOn: ";

// The system's text for a result code, without its line end.
std::string Reason(HRESULT hr) {
  wchar_t* text = nullptr;
  const DWORD n = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string reason = n ? automation::com::Narrow(text, n) : std::string();
  ::LocalFree(text);
  while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' ||
                             reason.back() == ' ' || reason.back() == '.')) {
    reason.pop_back();
  }
  return reason.empty() ? automation::SystemMessage(static_cast<HResult>(hr)) : reason;
}

void Check(HRESULT hr, std::string_view prefix, const std::string& what) {
  if (FAILED(hr)) {
    throw AutomationError(static_cast<HResult>(hr), std::string(prefix) + what + ": " + Reason(hr));
  }
}

// The library a program file carries, with its attributes.
class CarriedLibrary {
 public:
  CarriedLibrary(const std::wstring& file, std::string_view prefix, std::string_view programPath) {
    Check(::LoadTypeLibEx(file.c_str(), REGKIND_NONE, &lib_), prefix,
          "cannot load it from \"" + std::string(programPath) + "\"");
    const HRESULT hr = lib_->GetLibAttr(&attr_);
    if (FAILED(hr)) {
      lib_->Release();
      Check(hr, prefix, "cannot read it from \"" + std::string(programPath) + "\"");
    }
  }
  CarriedLibrary(const CarriedLibrary&) = delete;
  CarriedLibrary& operator=(const CarriedLibrary&) = delete;
  ~CarriedLibrary() {
    lib_->ReleaseTLibAttr(attr_);
    lib_->Release();
  }

  ITypeLib* lib() const noexcept { return lib_; }
  const TLIBATTR& attr() const noexcept { return *attr_; }

 private:
  ITypeLib* lib_ = nullptr;
  TLIBATTR* attr_ = nullptr;
};

// Where a registration goes: the machine's classes, or the user's alone
// (for a user who may not write the machine's).
struct Hive {
  HKEY root;
  const wchar_t* prefix;  // of the classes' keys under root
};
const Hive kMachine{HKEY_CLASSES_ROOT, L""};
const Hive kUser{HKEY_CURRENT_USER, L"Software\\Classes\\"};

// TypeLib\{libid}\<major>.<minor>\<lcid>\<system kind>: where a registered
// library's path is.
std::wstring PathKey(const TLIBATTR& attr, LCID lcid, const Hive& hive = kMachine) {
  wchar_t guid[40];
  ::StringFromGUID2(attr.guid, guid, 40);
  wchar_t key[160];
  swprintf(key, 160, L"%lsTypeLib\\%ls\\%x.%x\\%lx\\%ls", hive.prefix, guid, attr.wMajorVerNum,
           attr.wMinorVerNum, static_cast<unsigned long>(lcid),
           attr.syskind == SYS_WIN64 ? L"win64" : L"win32");
  return key;
}

bool KeyExists(const Hive& hive, const std::wstring& key) {
  HKEY opened = nullptr;
  if (::RegOpenKeyExW(hive.root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
  ::RegCloseKey(opened);
  return true;
}

// The per-user forms (Windows Vista on), looked up at run time: older
// headers do not declare them.
using RegisterForUser = HRESULT(WINAPI*)(ITypeLib*, OLECHAR*, OLECHAR*);
using UnregisterForUser = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);
template <class F>
F OleAutFunction(const char* name) {
  HMODULE module = ::GetModuleHandleW(L"oleaut32.dll");
  return module ? reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name)))
                : nullptr;
}

bool RefusedForRights(HRESULT hr) {
  return hr == TYPE_E_REGISTRYACCESS || hr == E_ACCESSDENIED;
}

}  // namespace

void RegisterTypeLibrary(std::string_view programPath, TRegistrationScope scope) {
  std::wstring file = automation::com::Widen(programPath);
  std::wstring helpDir = std::filesystem::path(file).parent_path().wstring();
  const CarriedLibrary carried(file, kRegisterFailed, programPath);
  const auto forUser = OleAutFunction<RegisterForUser>("RegisterTypeLibForUser");
  HRESULT hr = E_ACCESSDENIED;
  if (scope == TRegistrationScope::MachineOrUser) {
    hr = ::RegisterTypeLib(carried.lib(), file.data(), helpDir.data());
  }
  // A user who may not write the machine's classes has it registered for
  // them alone.
  const bool user = RefusedForRights(hr) && forUser != nullptr;
  if (user) hr = forUser(carried.lib(), file.data(), helpDir.data());
  Check(hr, kRegisterFailed, "cannot write its registry entries");
  // The universal marshaller finds the library of an interface under the
  // neutral locale (Wine's asks for no other), so the path goes there too.
  const TLIBATTR& attr = carried.attr();
  if (attr.lcid == LOCALE_NEUTRAL) return;
  const Hive& hive = user ? kUser : kMachine;
  const std::wstring key = PathKey(attr, LOCALE_NEUTRAL, hive);
  const LSTATUS status = ::RegSetKeyValueW(hive.root, key.c_str(), nullptr, REG_SZ, file.c_str(),
                                           static_cast<DWORD>((file.size() + 1) * sizeof(wchar_t)));
  Check(HRESULT_FROM_WIN32(status), kRegisterFailed, "cannot write its registry entries");
}

void UnregisterTypeLibrary(std::string_view programPath) {
  const CarriedLibrary carried(automation::com::Widen(programPath), kUnregisterFailed, programPath);
  const TLIBATTR& attr = carried.attr();
  const auto forUser = OleAutFunction<UnregisterForUser>("UnRegisterTypeLibForUser");
  // The neutral locale's entry first: UnRegisterTypeLib removes the
  // library's key only when no locale is left under it. The machine's
  // registration and the user's both go; what stays is a failure.
  for (const LCID lcid : {LCID{LOCALE_NEUTRAL}, attr.lcid}) {
    HRESULT hr =
        ::UnRegisterTypeLib(attr.guid, attr.wMajorVerNum, attr.wMinorVerNum, lcid, attr.syskind);
    const std::wstring userKey = PathKey(attr, lcid, kUser);
    if (KeyExists(kUser, userKey)) {
      HRESULT user = forUser != nullptr ? forUser(attr.guid, attr.wMajorVerNum, attr.wMinorVerNum,
                                                  lcid, attr.syskind)
                                        : E_NOTIMPL;
      // The neutral locale's path is this program's own writing: removed
      // by it where the system's removal left it.
      if (lcid == LOCALE_NEUTRAL && KeyExists(kUser, userKey)) {
        user = HRESULT_FROM_WIN32(::RegDeleteKeyW(kUser.root, userKey.c_str()));
      }
      if (SUCCEEDED(hr) && KeyExists(kUser, userKey)) hr = user;
    }
    // Nothing registered under that locale is no failure.
    if (FAILED(hr) && KeyExists(kMachine, PathKey(attr, lcid))) {
      Check(hr, kUnregisterFailed, "cannot remove its registry entries");
    }
  }
}

TServerStartUp StartAutomationServer(std::span<const std::string> args,
                                     std::string_view programPath) {
  TServerStartUp result;
  result.mode = ParseStartMode(args);
  try {
    if (result.mode == TStartMode::Unregister) {
      UnregisterTypeLibrary(programPath);
    } else {
      RegisterTypeLibrary(programPath, TRegistrationScope::MachineOrUser);
    }
  } catch (const std::exception& e) {
    result.error = e.what();
  }
  return result;
}

std::string ProgramFilePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) return automation::com::Narrow(path.data(), n);
    if (path.size() >= 32768) return {};  // longer than any Windows path
    path.resize(path.size() * 2);
  }
}
