// What the stand-in asks of the system, Windows' way (Application.cpp has
// the POSIX one). Alone in its file: Windows' headers turn the automation
// layer's names into macros.
#ifdef _WIN32
#include <cstdlib>
#include <filesystem>
#include <string>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace standin {

// Visio's Path: the program's folder, with the separator at the end.
std::string ProgramFolder() {
  std::wstring program(32768, L'\0');  // the longest path Windows has
  const DWORD n = ::GetModuleFileNameW(nullptr, program.data(), static_cast<DWORD>(program.size()));
  if (n == 0 || n >= program.size()) return "\\";
  program.resize(n);
  const std::u8string path = std::filesystem::path(program).parent_path().u8string() + u8"\\";
  return std::string(path.begin(), path.end());
}

std::string UserName() {
  const char* user = std::getenv("USERNAME");
  return user ? user : "";
}

}  // namespace standin
#endif
