// The program as an automation server: the start mode its command line asks
// for, and the registration of its type library KTVisio_AddOn.
//
// On Windows, registering is COM's: RegisterTypeLib of the library the
// program carries as its resource TYPELIB 1, under the program's full path
// with its folder as help folder; unregistering is UnRegisterTypeLib.
//
// Elsewhere, registering the library installs its D-Bus interface
// description for the user, in <data>/dbus-1/interfaces/ (<data> by the XDG
// base directory rules: $XDG_DATA_HOME, or ~/.local/share); unregistering
// removes the file.
//
// Every start but an unregistering one registers, so the registration
// always names the program last started.
//
// Start-up order in main(): RegisterAddOnSinkClass(), then create the
// controller, then StartAutomationServer(); create the windows only when it
// says start-up continues.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "automation/HResult.h"

// What RegisterTypeLib reports when it cannot write the registration.
inline constexpr automation::HResult TYPE_E_REGISTRYACCESS = automation::MakeHResult(0x8002801C);

enum class TStartMode : std::uint8_t {
  Normal,
  Automation,  // started for a client; serves nothing, so runs like Normal
  Register,    // registers the type library and ends
  Unregister,  // unregisters the type library and ends
};

// The start mode selected by the arguments after the program name. A switch
// is an argument beginning with "-" or "/"; its name is compared ignoring
// letter case. The names are tested in this order, the first found deciding:
// AUTOMATION, EMBEDDING (both Automation), REGSERVER, UNREGSERVER. Anything
// else is ignored.
TStartMode ParseStartMode(std::span<const std::string> args);

#ifndef _WIN32
// The user's data directory by the XDG rules: $XDG_DATA_HOME when it is an
// absolute path, else $HOME/.local/share (home from the user database when
// HOME is unset or empty). Empty when there is no home either.
std::optional<std::filesystem::path> UserDataDirectory();

// Where the description is installed under a data directory.
std::filesystem::path TypeLibraryDescriptionPath(const std::filesystem::path& dataDir);

// Writes the description naming `programPath` (absolute) and its directory.
// Creates missing folders (mode 0700, as the XDG rules ask) and replaces the
// file atomically; an identical file is left untouched. Throws
// AutomationError(TYPE_E_REGISTRYACCESS) with a message naming the path that
// failed and the system's reason.
void RegisterTypeLibrary(const std::filesystem::path& dataDir, std::string_view programPath);
// Removes the description; a missing one is fine. Throws like
// RegisterTypeLibrary.
void UnregisterTypeLibrary(const std::filesystem::path& dataDir);
#endif

struct TServerStartUp {
  TStartMode mode = TStartMode::Normal;
  // Set when registering or unregistering failed: the program shows it in a
  // message box and ends without creating a window.
  std::string error;

  // Whether main() goes on to create the windows: no error, and a mode that
  // does not end the program (Normal or Automation).
  bool ContinueStartUp() const {
    return error.empty() && (mode == TStartMode::Normal || mode == TStartMode::Automation);
  }
};

#ifdef _WIN32
// Where a registration goes: the machine's classes, or when the user may
// not write those, the user's own (RegisterTypeLibForUser); or the user's
// alone.
enum class TRegistrationScope : std::uint8_t { MachineOrUser, User };

// Registers the type library found in the program file `programPath` (its
// resource TYPELIB 1) under that path, with the program's folder as help
// folder. Throws AutomationError with the code COM gave and a message
// naming the step that failed and the system's reason.
void RegisterTypeLibrary(std::string_view programPath,
                         TRegistrationScope scope = TRegistrationScope::MachineOrUser);
// Removes the registration of the library in `programPath`, the machine's
// and the user's; none is fine. Throws like RegisterTypeLibrary.
void UnregisterTypeLibrary(std::string_view programPath);

// The server's part of start-up: reads the start mode from `args` (after the
// program name), then unregisters the type library in Unregister mode and
// registers the one in `programPath` in every other mode.
//
// Error texts, shown to the user as they are:
//   Cannot register the type library KTVisio_AddOn: cannot load it from "<file>": <reason>
//   Cannot register the type library KTVisio_AddOn: cannot write its registry entries: <reason>
//   Cannot unregister the type library KTVisio_AddOn: cannot load it from "<file>": <reason>
//   Cannot unregister the type library KTVisio_AddOn: cannot remove its registry entries: <reason>
// (<reason> is the system's text for COM's result code.)
TServerStartUp StartAutomationServer(std::span<const std::string> args,
                                     std::string_view programPath);

// The running program's full path (GetModuleFileName), UTF-8; empty when
// unknown.
std::string ProgramFilePath();
#else
// The server's part of start-up: reads the start mode from `args` (after the
// program name), then unregisters the type library in Unregister mode and
// registers it under `programPath` in every other mode. `dataDir` replaces
// UserDataDirectory() (tests use it).
//
// Error texts, shown to the user as they are:
//   Cannot register the type library KTVisio_AddOn: cannot create the folder "<dir>": <reason>
//   Cannot register the type library KTVisio_AddOn: cannot write "<file>": <reason>
//   Cannot unregister the type library KTVisio_AddOn: cannot remove "<file>": <reason>
//   Cannot register the type library KTVisio_AddOn: cannot find the user's data folder
//   (XDG_DATA_HOME and HOME are not set)
// (<reason> is the system's text for the error, e.g. "Not a directory"; the
// last one says "unregister" in Unregister mode.)
TServerStartUp StartAutomationServer(std::span<const std::string> args,
                                     std::string_view programPath,
                                     const std::optional<std::filesystem::path>& dataDir = {});

// The running program's full path (from /proc/self/exe); empty when unknown.
std::string ProgramFilePath();
#endif
