// Visio's class in the registry: what makes CoCreateInstance and
// CreateObject("Visio.Application") start tarvel-visio.exe. Written where
// Visio writes it, under HKEY_LOCAL_MACHINE\Software\Classes.
#pragma once

#include <string>
#include <vector>

namespace standin::com {

// The keys under HKLM\Software\Classes that registration writes.
inline constexpr const wchar_t* kProgId = L"Visio.Application";
inline constexpr const wchar_t* kVersionedProgId = L"Visio.Application.16";
inline constexpr const wchar_t* kClassKey = L"CLSID\\{00021A20-0000-0000-C000-000000000046}";

// Registers `program` (a full path) as the class's local server, started
// with `arguments` (e.g. --demo) before COM's -Embedding. Refuses to take
// the class from another program that is there (a real Visio). An empty
// answer, or what went wrong.
std::string RegisterServer(const std::wstring& program, const std::vector<std::wstring>& arguments);

// Removes what RegisterServer wrote, when it names `program`; keys that
// hold anything else stay. An empty answer, or what went wrong.
std::string UnregisterServer(const std::wstring& program);

// The program a LocalServer32 command line starts (quoted or not); empty
// when the class has none.
std::wstring RegisteredServer();

}  // namespace standin::com
