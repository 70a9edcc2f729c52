// A D-Bus daemon of a test's own. ctest runs test cases in parallel, and on
// one shared session bus two of them would meet on a well-known name such
// as org.tarvel.Visio: one test's server would answer another test's
// client. A private bus keeps every server a test starts out of every other
// test's sight.
//
// The daemon is a session bus in a fresh temporary folder. Its service
// folder is DataHome()/dbus-1/services, so a program run with
// XDG_DATA_HOME=DataHome() that writes its activation file there can be
// started by the bus. Programs run inside it get XDG_RUNTIME_DIR in the
// same folder, so the sockets they leave behind go with it.
//
// Plain POSIX (the queries go through dbus-send): usable with or without Qt.
// The daemon and the programs started here end with the thread that
// started them (so that a crashed or killed test leaves none behind):
// start them from the test's main thread.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace tarvel_test {

class PrivateBus {
 public:
  // Starts the daemon; Ok() tells whether it runs, Error() why not.
  PrivateBus();
  // Ends the processes still connected to the bus (a test started them; a
  // server left running would live on forever), then the daemon, and
  // removes the folder.
  ~PrivateBus();
  PrivateBus(const PrivateBus&) = delete;
  PrivateBus& operator=(const PrivateBus&) = delete;

  bool Ok() const { return daemon_ > 0; }
  const std::string& Error() const { return error_; }
  // "unix:path=..."
  const std::string& Address() const { return address_; }
  const std::string& DataHome() const { return dataHome_; }
  std::string ServiceDir() const { return dataHome_ + "/dbus-1/services"; }
  // What the daemon said (its warnings, activation failures).
  std::string Log() const;

  // The environment that puts a program on this bus, as "NAME=value"
  // (for RunProgram; "NAME=" unsets), and the same as an env command to
  // start a shell command line with: "env -u ... DBUS_SESSION_BUS_ADDRESS='...' ... ".
  std::vector<std::string> Environment() const;
  std::string ShellEnvironment() const;
  // Puts this process (and the programs it starts from now on) on this bus.
  // Qt connects to the session bus once, on first use: call this before
  // anything in the process touches QDBusConnection::sessionBus().
  void UseAsSessionBus() const;

  // Questions to the daemon.
  bool NameHasOwner(const std::string& name) const;
  // Waits until the name is owned (owned = true) or free; false on timeout.
  bool WaitForName(const std::string& name, bool owned,
                   std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
  // The process that owns the name, or -1.
  pid_t OwnerProcess(const std::string& name) const;
  // The processes connected to the bus, this one excepted.
  std::vector<pid_t> ConnectedProcesses() const;
  std::vector<std::string> ActivatableNames() const;
  // Makes the daemon read its service folder again now, instead of when
  // it notices the change.
  void ReloadConfig() const;

  // Ends the connected processes but this one: SIGTERM, then SIGKILL for
  // those still there after a moment.
  void EndConnectedProcesses() const;
  // Ends the daemon alone, as when the session ends, to see what the
  // programs on it do then. The bus is gone for good.
  void StopDaemon();

 private:
  // Runs dbus-send on this bus with the bus daemon as destination; its
  // standard output, or an empty string when the call failed.
  std::string AskDaemon(const std::string& method, const std::vector<std::string>& args) const;

  std::string folder_;
  std::string address_;
  std::string dataHome_;
  std::string error_;
  pid_t daemon_ = -1;
};

// An address where no bus listens: a program given it runs without the
// session bus (tarvel-tree, Tarvel: the stand-in in their own process).
inline constexpr char kNoBusAddress[] = "unix:path=/nonexistent";

// The private bus of this test program: started on first use and made the
// process's session bus (see UseAsSessionBus for when to call it first),
// ended when the program exits. Aborts the program when no daemon starts.
PrivateBus& ProcessBus();

// Runs a program (argv[0] is looked up in PATH) with this process's
// environment changed by `environment` ("NAME=value"; "NAME=" unsets), its
// standard input from /dev/null, and collects its exit status and both
// output streams. A program still running after `timeout` is killed; the
// status is -1 then, as for any end other than exit().
struct ProgramRun {
  int status = -1;
  std::string out;
  std::string err;
};
ProgramRun RunProgram(const std::vector<std::string>& argv,
                      const std::vector<std::string>& environment = {},
                      std::chrono::milliseconds timeout = std::chrono::seconds(60));

// Starts a program as RunProgram does but without waiting: its output goes
// where this process's goes. -1 when it cannot be started.
pid_t StartProgram(const std::vector<std::string>& argv,
                   const std::vector<std::string>& environment = {});
// Waits for a program that StartProgram started to end: its exit status, or
// -1 when a signal ended it or it still runs after `timeout`.
int WaitForProgram(pid_t pid, std::chrono::milliseconds timeout = std::chrono::seconds(10));

}  // namespace tarvel_test
