#include "standin/server/com/ComRegistration.h"

// The layer's headers before Windows' (see automation/com/ComHeaders.h).
#include "automation/com/Convert.h"
// Then the rest.
#include <algorithm>
#include <string>

#include "standin/server/com/TypeLibrary.h"

namespace standin::com {
namespace {

constexpr const wchar_t* kClassesRoot = L"Software\\Classes\\";
constexpr const wchar_t* kClsid = L"{00021A20-0000-0000-C000-000000000046}";
constexpr const wchar_t* kName = L"Visio Application (Tarvel stand-in)";

// One default value that registration writes.
struct Entry {
  std::wstring key;  // below HKLM\Software\Classes
  std::wstring value;
};

std::wstring CommandLine(const std::wstring& program, const std::vector<std::wstring>& arguments) {
  std::wstring line = L"\"" + program + L"\"";
  for (const std::wstring& a : arguments) {
    line += a.find(L' ') == std::wstring::npos ? L" " + a : L" \"" + a + L"\"";
  }
  return line;
}

// Visio's own layout: a version-independent ProgID leading to the current
// versioned one, both to the class, and the class back to both.
std::vector<Entry> Entries(const std::wstring& commandLine) {
  const std::wstring progId = kProgId, versioned = kVersionedProgId, cls = kClassKey;
  return {
      {progId, kName},
      {progId + L"\\CLSID", kClsid},
      {progId + L"\\CurVer", versioned},
      {versioned, kName},
      {versioned + L"\\CLSID", kClsid},
      {cls, kName},
      {cls + L"\\LocalServer32", commandLine},
      {cls + L"\\ProgID", versioned},
      {cls + L"\\VersionIndependentProgID", progId},
  };
}

std::string Utf8(const std::wstring& text) {
  return automation::com::Narrow(text.c_str(), text.size());
}

std::string Failure(const char* doing, const std::wstring& key, LSTATUS status) {
  std::string why = "cannot " + std::string(doing) + " HKEY_LOCAL_MACHINE\\" +
                    Utf8(kClassesRoot + key) + " (error " + std::to_string(status) + ")";
  if (status == ERROR_ACCESS_DENIED) why += ": registering needs an administrator";
  return why;
}

// The key's default value; false when there is no key or no value.
bool ReadDefault(const std::wstring& key, std::wstring* value) {
  const std::wstring path = kClassesRoot + key;
  wchar_t buffer[2048];
  DWORD size = sizeof buffer - sizeof(wchar_t);
  DWORD type = 0;
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, path.c_str(), nullptr, RRF_RT_REG_SZ, &type, buffer,
                     &size) != ERROR_SUCCESS) {
    return false;
  }
  value->assign(buffer, size / sizeof(wchar_t));
  while (!value->empty() && value->back() == L'\0') value->pop_back();
  return true;
}

bool SameProgram(const std::wstring& a, const std::wstring& b) {
  return _wcsicmp(a.c_str(), b.c_str()) == 0;
}

// Removes the key when nothing is left in it: no values, no subkeys.
void RemoveIfEmpty(const std::wstring& key) {
  const std::wstring path = kClassesRoot + key;
  HKEY k = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return;
  DWORD subkeys = 0, values = 0;
  const LSTATUS s = ::RegQueryInfoKeyW(k, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                                       &values, nullptr, nullptr, nullptr, nullptr);
  ::RegCloseKey(k);
  if (s == ERROR_SUCCESS && subkeys == 0 && values == 0) {
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str());
  }
}

}  // namespace

std::wstring RegisteredServer() {
  std::wstring line;
  if (!ReadDefault(std::wstring(kClassKey) + L"\\LocalServer32", &line)) return {};
  if (!line.empty() && line[0] == L'"') {
    const std::size_t end = line.find(L'"', 1);
    return line.substr(1, end == std::wstring::npos ? std::wstring::npos : end - 1);
  }
  return line.substr(0, line.find(L' '));
}

std::string RegisterServer(const std::wstring& program,
                           const std::vector<std::wstring>& arguments) {
  const std::wstring current = RegisteredServer();
  if (!current.empty() && !SameProgram(current, program) &&
      ::GetFileAttributesW(current.c_str()) != INVALID_FILE_ATTRIBUTES) {
    return "Visio.Application belongs to " + Utf8(current) + ": left as it is";
  }
  for (const Entry& e : Entries(CommandLine(program, arguments))) {
    const std::wstring path = kClassesRoot + e.key;
    HKEY k = nullptr;
    LSTATUS s = ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_WRITE,
                                  nullptr, &k, nullptr);
    if (s != ERROR_SUCCESS) return Failure("create", e.key, s);
    s = ::RegSetValueExW(k, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(e.value.c_str()),
                         static_cast<DWORD>((e.value.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(k);
    if (s != ERROR_SUCCESS) return Failure("write", e.key, s);
  }
  // Clients ask for IVApplication, which needs its description to cross.
  return RegisterTypeLibrary(program);
}

std::string UnregisterServer(const std::wstring& program) {
  const std::wstring current = RegisteredServer();
  if (current.empty()) return {};  // nothing of ours there
  if (!SameProgram(current, program)) {
    return "Visio.Application belongs to " + Utf8(current) + ": left as it is";
  }
  std::wstring commandLine;
  ReadDefault(std::wstring(kClassKey) + L"\\LocalServer32", &commandLine);
  std::vector<Entry> entries = Entries(commandLine);
  // Deepest keys first, so that a parent is empty when its turn comes.
  std::reverse(entries.begin(), entries.end());
  for (const Entry& e : entries) {
    std::wstring value;
    if (ReadDefault(e.key, &value) && value == e.value) {
      const std::wstring path = kClassesRoot + e.key;
      HKEY k = nullptr;
      LSTATUS s = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_SET_VALUE, &k);
      if (s == ERROR_SUCCESS) {
        s = ::RegDeleteValueW(k, nullptr);
        ::RegCloseKey(k);
      }
      if (s != ERROR_SUCCESS) return Failure("remove", e.key, s);
    }
    RemoveIfEmpty(e.key);
  }
  return UnregisterTypeLibrary(program);
}

}  // namespace standin::com
