// tarvel-visio.exe: the stand-in Visio as a COM local server on Windows,
// registered and started as Visio is.
// The layer's headers before Windows' (see automation/com/ComHeaders.h).
#include "automation/com/Convert.h"
// Then the rest.
#include <shellapi.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "standin/server/com/ComRegistration.h"
#include "standin/server/com/LocalServer.h"

namespace {

constexpr const char* kUsage =
    "Usage: tarvel-visio [--demo] [FILE ...]\n"
    "       tarvel-visio /regserver [--demo] [FILE ...] | /unregserver\n"
    "       tarvel-visio --help\n";

constexpr const char* kHelp =
    "Without a command, tarvel-visio runs the stand-in Visio as a COM local\n"
    "server (Visio.Application), with the drawings FILE ... open, or the built-in\n"
    "demo drawing with --demo, or no document at all, as Visio starts. Clients\n"
    "attach to it with GetObject; it runs until Application.Quit.\n"
    "\n"
    "  /regserver [--demo] [FILE ...]\n"
    "                 register this program as Visio's class (ProgID\n"
    "                 Visio.Application) under HKEY_LOCAL_MACHINE\\Software\\Classes,\n"
    "                 so that CreateObject(\"Visio.Application\") starts it, with\n"
    "                 the options given\n"
    "  /unregserver   remove that registration\n"
    "  -Embedding     (given by COM when a client starts it) end when the last\n"
    "                 client has let go\n"
    "\n"
    "A server logs what happens to %TEMP%\\tarvel-visio.log.\n";

int Usage(const std::string& problem) {
  std::fprintf(stderr, "tarvel-visio: %s\n%sTry 'tarvel-visio --help' for more information.\n",
               problem.c_str(), kUsage);
  return 2;
}

std::string Utf8(const std::wstring& text) {
  return automation::com::Narrow(text.c_str(), text.size());
}

bool Is(const std::wstring& arg, const wchar_t* name) {
  // Windows' programs take /name, -name and --name alike.
  std::wstring bare = arg;
  if (bare.starts_with(L"--")) {
    bare.erase(0, 2);
  } else if (bare.starts_with(L"-") || bare.starts_with(L"/")) {
    bare.erase(0, 1);
  } else {
    return false;
  }
  return _wcsicmp(bare.c_str(), name) == 0;
}

std::wstring ThisProgram() {
  std::wstring path(32768, L'\0');
  const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  path.resize(n < path.size() ? n : 0);
  return path;
}

std::wstring Absolute(const std::wstring& file) {
  std::error_code ec;
  const std::filesystem::path path = std::filesystem::absolute(file, ec);
  return ec ? file : path.wstring();
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  if (!argv) return Usage("cannot read the command line");
  const std::vector<std::wstring> args(argv + 1, argv + argc);
  ::LocalFree(argv);

  if (args.size() == 1 && (Is(args[0], L"help") || args[0] == L"-h")) {
    std::printf("%s\n%s", kUsage, kHelp);
    return 0;
  }
  if (!args.empty() && (Is(args[0], L"regserver") || Is(args[0], L"unregserver"))) {
    const bool reg = Is(args[0], L"regserver");
    std::vector<std::wstring> options;
    for (std::size_t i = 1; i < args.size(); ++i) {
      if (!reg) return Usage("/unregserver takes no arguments");
      if (args[i] != L"--demo" && args[i].starts_with(L"-")) {
        return Usage("unknown option '" + Utf8(args[i]) + "'");
      }
      options.push_back(args[i] == L"--demo" ? args[i] : Absolute(args[i]));
    }
    const std::wstring program = ThisProgram();
    if (program.empty()) return Usage("cannot tell this program's path");
    const std::string error = reg ? standin::com::RegisterServer(program, options)
                                  : standin::com::UnregisterServer(program);
    if (!error.empty()) {
      std::fprintf(stderr, "tarvel-visio: %s\n", error.c_str());
      return 1;
    }
    return 0;
  }

  standin::com::ServerOptions options;
  for (const std::wstring& arg : args) {
    if (Is(arg, L"embedding") || Is(arg, L"automation")) {
      options.embedding = true;
    } else if (arg == L"--demo") {
      options.demo = true;
    } else if (arg.starts_with(L"-") && arg != L"-") {
      return Usage("unknown option '" + Utf8(arg) + "'");
    } else {
      options.files.push_back(Utf8(Absolute(arg)));
    }
  }
  std::FILE* log = _wfopen(standin::com::LogPath().c_str(), L"a");
  const int status = standin::com::RunLocalServer(options, log);
  if (log) std::fclose(log);
  return status;
}
