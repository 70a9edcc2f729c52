#include "ComTestSupport.h"

// The layer's headers before Windows' (see ComHeaders.h).
#include "automation/com/ComHeaders.h"
// Then the rest.
#include "EchoObject.h"
#include "automation/com/Convert.h"

namespace comtest {
namespace {

const std::wstring kClassKey = std::wstring(L"Software\\Classes\\CLSID\\") + echo::kClsidText;
const std::wstring kProgIdKey = std::wstring(L"Software\\Classes\\") + echo::kProgId;

LSTATUS SetDefault(const std::wstring& key, const std::wstring& value) {
  HKEY k = nullptr;
  LSTATUS s = ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                &k, nullptr);
  if (s != ERROR_SUCCESS) return s;
  s = ::RegSetValueExW(k, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  ::RegCloseKey(k);
  return s;
}

std::string Register() {
  wchar_t path[MAX_PATH];
  const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (n == 0 || n == MAX_PATH) return "cannot tell this program's path";
  for (const auto& [key, value] : {
           std::pair{kClassKey + L"\\LocalServer32", L"\"" + std::wstring(path) + L"\""},
           std::pair{kProgIdKey + L"\\CLSID", std::wstring(echo::kClsidText)},
       }) {
    const LSTATUS s = SetDefault(key, value);
    if (s != ERROR_SUCCESS) {
      return "cannot write HKLM\\" + automation::com::Narrow(key.c_str(), key.size()) + " (error " +
             std::to_string(s) + ")";
    }
  }
  return {};
}

}  // namespace

const std::string& RegisterLocalServer() {
  static const std::string why = Register();
  return why;
}

void StopLocalServer() {
  automation::ObjectRef running;
  automation::Guid clsid = automation::com::FromGuid(echo::CLSID_Echo);
  if (automation::Failed(automation::GetActiveObject(clsid, &running))) return;
  try {
    running.Invoke("Quit");
  } catch (const automation::AutomationError&) {
    // Gone already.
  }
}

void UnregisterLocalServer() {
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kClassKey.c_str());
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kProgIdKey.c_str());
}

}  // namespace comtest
