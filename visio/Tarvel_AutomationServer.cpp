#include "visio/Tarvel_AutomationServer.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

#include "automation/Object.h"
#include "visio/KTVisio_AddOn_TLB.h"

namespace fs = std::filesystem;
using automation::AutomationError;

namespace {

constexpr std::string_view kRegisterFailed = "Cannot register the type library KTVisio_AddOn: ";
constexpr std::string_view kUnregisterFailed = "Cannot unregister the type library KTVisio_AddOn: ";

[[noreturn]] void Fail(std::string_view prefix, std::string_view what, const fs::path& path,
                       int error) {
  throw AutomationError(TYPE_E_REGISTRYACCESS, std::string(prefix) + std::string(what) + " \"" +
                                                   path.string() +
                                                   "\": " + std::generic_category().message(error));
}

bool IsDirectory(const fs::path& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool Exists(const fs::path& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

// Creates `dir` and its missing parents, each private to the user.
void CreateFolders(const fs::path& dir) {
  std::vector<fs::path> missing;
  for (fs::path p = dir; !p.empty() && !Exists(p); p = p.parent_path()) {
    missing.push_back(p);
    if (p == p.parent_path()) break;
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    if (::mkdir(it->c_str(), 0700) == 0) continue;
    const int error = errno;
    // Someone else may have made it meanwhile.
    if (error == EEXIST && IsDirectory(*it)) continue;
    Fail(kRegisterFailed, "cannot create the folder", *it, error);
  }
}

std::optional<std::string> ReadWholeFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return std::move(text).str();
}

// Readers see either the old file or the whole new one, never a torn write:
// the text goes to a temporary file beside it, which then replaces it.
void WriteFileAtomically(const fs::path& file, std::string_view text) {
  std::string temp = file.string() + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) Fail(kRegisterFailed, "cannot write", file, errno);

  int error = 0;
  if (::fchmod(fd, 0644) != 0) error = errno;
  while (error == 0 && !text.empty()) {
    const ssize_t written = ::write(fd, text.data(), text.size());
    if (written < 0) {
      if (errno != EINTR) error = errno;
      continue;
    }
    text.remove_prefix(static_cast<std::size_t>(written));
  }
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temp.c_str(), file.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temp.c_str());
    Fail(kRegisterFailed, "cannot write", file, error);
  }
}

std::optional<fs::path> AbsoluteFromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  if (!value || !*value) return std::nullopt;
  fs::path path(value);
  // The XDG rules call relative paths invalid: they are ignored.
  if (!path.is_absolute()) return std::nullopt;
  return path;
}

}  // namespace

std::optional<fs::path> UserDataDirectory() {
  if (auto dataHome = AbsoluteFromEnvironment("XDG_DATA_HOME")) return dataHome;
  std::optional<fs::path> home = AbsoluteFromEnvironment("HOME");
  if (!home) {
    if (const passwd* user = ::getpwuid(::getuid()); user && user->pw_dir && *user->pw_dir) {
      home = fs::path(user->pw_dir);
    }
  }
  if (!home) return std::nullopt;
  return *home / ".local" / "share";
}

fs::path TypeLibraryDescriptionPath(const fs::path& dataDir) {
  return dataDir / "dbus-1" / "interfaces" / AddOnSinkDescriptionFileName;
}

void RegisterTypeLibrary(const fs::path& dataDir, std::string_view programPath) {
  const fs::path file = TypeLibraryDescriptionPath(dataDir);
  const std::string text = AddOnSinkInterfaceDescription(programPath);
  if (ReadWholeFile(file) == text) return;
  CreateFolders(file.parent_path());
  WriteFileAtomically(file, text);
}

void UnregisterTypeLibrary(const fs::path& dataDir) {
  const fs::path file = TypeLibraryDescriptionPath(dataDir);
  if (::unlink(file.c_str()) == 0) return;
  const int error = errno;
  // Nothing registered (ENOTDIR: some folder on the way is not one).
  if (error == ENOENT || error == ENOTDIR) return;
  Fail(kUnregisterFailed, "cannot remove", file, error);
}

TServerStartUp StartAutomationServer(std::span<const std::string> args,
                                     std::string_view programPath,
                                     const std::optional<fs::path>& dataDir) {
  TServerStartUp result;
  result.mode = ParseStartMode(args);
  const bool unregister = result.mode == TStartMode::Unregister;

  const std::optional<fs::path> dir = dataDir ? dataDir : UserDataDirectory();
  if (!dir) {
    result.error = std::string(unregister ? kUnregisterFailed : kRegisterFailed) +
                   "cannot find the user's data folder (XDG_DATA_HOME and HOME are not set)";
    return result;
  }
  try {
    if (unregister) {
      UnregisterTypeLibrary(*dir);
    } else {
      RegisterTypeLibrary(*dir, programPath);
    }
  } catch (const std::exception& e) {
    result.error = e.what();
  }
  return result;
}

std::string ProgramFilePath() {
  std::error_code error;
  fs::path path = fs::read_symlink("/proc/self/exe", error);
  return error ? std::string() : path.string();
}
