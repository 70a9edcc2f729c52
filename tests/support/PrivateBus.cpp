#include "tests/support/PrivateBus.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <sstream>
#include <thread>

extern char** environ;

namespace tarvel_test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

std::vector<std::string> ChangedEnvironment(const std::vector<std::string>& changes) {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);
  for (const std::string& change : changes) {
    const std::string prefix = change.substr(0, change.find('=') + 1);
    std::erase_if(env, [&](const std::string& v) { return v.rfind(prefix, 0) == 0; });
    if (change.size() > prefix.size()) env.push_back(change);
  }
  return env;
}

std::string FindInPath(const std::string& program) {
  if (program.find('/') != std::string::npos) return program;
  const char* path = std::getenv("PATH");
  std::istringstream dirs(path != nullptr ? path : "/usr/bin:/bin");
  for (std::string dir; std::getline(dirs, dir, ':');) {
    const std::string candidate = (dir.empty() ? "." : dir) + "/" + program;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return program;
}

// A descriptor moved above the standard ones and fd 3, so that dup2 onto
// them in the child always makes a copy that survives exec.
int HighDescriptor(int fd) {
  const int high = ::fcntl(fd, F_DUPFD_CLOEXEC, 10);
  ::close(fd);
  return high;
}

struct Pipe {
  int read = -1;
  int write = -1;
  bool Open() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    read = HighDescriptor(fds[0]);
    write = HighDescriptor(fds[1]);
    return read >= 0 && write >= 0;
  }
  void CloseRead() {
    if (read >= 0) ::close(read);
    read = -1;
  }
  void CloseWrite() {
    if (write >= 0) ::close(write);
    write = -1;
  }
};

// Starts a program with fds 0.. of the child taken from `fds` (-1: /dev/null).
// The child ends with this process (PR_SET_PDEATHSIG): a test that crashes
// or is killed by ctest's timeout leaves no daemon behind. (The signal
// comes when the starting thread ends: start from a thread that lives as
// long as the child should.)
pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& changes,
            const std::vector<int>& fds) {
  std::vector<std::string> args = argv;
  args[0] = FindInPath(argv[0]);
  std::vector<std::string> env = ChangedEnvironment(changes);
  std::vector<char*> argp;
  for (std::string& a : args) argp.push_back(a.data());
  argp.push_back(nullptr);
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  const pid_t parent = ::getpid();

  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  // The child: only async-signal-safe calls from here on.
  ::prctl(PR_SET_PDEATHSIG, SIGTERM);
  if (::getppid() != parent) ::_exit(127);
  int null = ::open("/dev/null", O_RDWR);
  if (null >= 0 && null < 10) null = ::fcntl(null, F_DUPFD, 10);
  for (std::size_t i = 0; i < fds.size(); ++i) {
    ::dup2(fds[i] >= 0 ? fds[i] : null, static_cast<int>(i));
  }
  ::execve(argp[0], argp.data(), envp.data());
  ::_exit(127);
}

// Whether the process has ended (a child of ours is reaped on the way).
bool Ended(pid_t pid) {
  int status = 0;
  if (::waitpid(pid, &status, WNOHANG) == pid) return true;
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return true;
  const std::size_t paren = line.rfind(')');
  return paren != std::string::npos && paren + 2 < line.size() && line[paren + 2] == 'Z';
}

void EndProcesses(const std::vector<pid_t>& pids) {
  for (pid_t pid : pids) ::kill(pid, SIGTERM);
  const auto deadline = Clock::now() + 3s;
  std::vector<pid_t> left = pids;
  while (!left.empty() && Clock::now() < deadline) {
    std::erase_if(left, Ended);
    if (!left.empty()) std::this_thread::sleep_for(10ms);
  }
  for (pid_t pid : left) ::kill(pid, SIGKILL);
  for (pid_t pid : left) {
    while (!Ended(pid) && Clock::now() < deadline + 2s) std::this_thread::sleep_for(10ms);
  }
}

// Words of dbus-send's literal output, without the array brackets.
std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  std::istringstream in(text);
  for (std::string w; in >> w;) {
    if (w != "array" && w != "[" && w != "]") words.push_back(w);
  }
  return words;
}

std::string Quoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

}  // namespace

PrivateBus::PrivateBus() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern =
      std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/tarvel-bus-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) {
    error_ = "cannot make a temporary folder: " + std::string(std::strerror(errno));
    return;
  }
  folder_ = pattern;
  address_ = "unix:path=" + folder_ + "/bus";
  dataHome_ = folder_ + "/data";
  std::error_code ec;
  // The service folder exists from the start: the daemon watches only
  // folders that are there.
  fs::create_directories(ServiceDir(), ec);
  const std::string config = folder_ + "/bus.conf";
  std::ofstream(config)
      << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
         " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
         "<busconfig>\n"
         "  <type>session</type>\n"
         "  <keep_umask/>\n"
         "  <listen>"
      << address_
      << "</listen>\n"
         "  <auth>EXTERNAL</auth>\n"
         "  <servicedir>"
      << ServiceDir()
      << "</servicedir>\n"
         "  <policy context=\"default\">\n"
         "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
         "    <allow eavesdrop=\"true\"/>\n"
         "    <allow own=\"*\"/>\n"
         "  </policy>\n"
         "</busconfig>\n";

  Pipe ready;
  if (!ready.Open()) {
    error_ = "cannot make a pipe";
    return;
  }
  const int log = HighDescriptor(
      ::open((folder_ + "/daemon.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
  // Programs the bus starts inherit the daemon's environment: they are on
  // this bus too.
  const pid_t pid =
      Spawn({"dbus-daemon", "--config-file=" + config, "--nofork", "--print-address=3"},
            Environment(), {-1, -1, log, ready.write});
  ready.CloseWrite();
  if (log >= 0) ::close(log);
  if (pid < 0) {
    error_ = "cannot start dbus-daemon";
    ready.CloseRead();
    return;
  }

  // The daemon prints its address once it listens.
  std::string printed;
  const auto deadline = Clock::now() + 10s;
  while (printed.find('\n') == std::string::npos && Clock::now() < deadline) {
    pollfd p{ready.read, POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) continue;
    char buffer[256];
    const ssize_t n = ::read(ready.read, buffer, sizeof buffer);
    if (n <= 0) break;
    printed.append(buffer, static_cast<std::size_t>(n));
  }
  ready.CloseRead();
  if (printed.find('\n') == std::string::npos) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    error_ = "dbus-daemon did not start: " + Log();
    return;
  }
  daemon_ = pid;
}

PrivateBus::~PrivateBus() {
  if (daemon_ > 0) {
    EndConnectedProcesses();
    EndProcesses({daemon_});
  }
  if (!folder_.empty()) {
    std::error_code ec;
    fs::remove_all(folder_, ec);
  }
}

std::string PrivateBus::Log() const {
  std::ifstream in(folder_ + "/daemon.log");
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> PrivateBus::Environment() const {
  return {"DBUS_SESSION_BUS_ADDRESS=" + address_, "XDG_DATA_HOME=" + dataHome_,
          "XDG_RUNTIME_DIR=" + folder_, "DBUS_STARTER_ADDRESS=", "DBUS_STARTER_BUS_TYPE="};
}

std::string PrivateBus::ShellEnvironment() const {
  // env takes its options before the assignments.
  std::string unset;
  std::string assignments;
  for (const std::string& e : Environment()) {
    const std::size_t eq = e.find('=');
    if (eq + 1 == e.size()) {
      unset += "-u " + e.substr(0, eq) + " ";
    } else {
      assignments += e.substr(0, eq + 1) + Quoted(e.substr(eq + 1)) + " ";
    }
  }
  return "env " + unset + assignments;
}

void PrivateBus::UseAsSessionBus() const {
  for (const std::string& e : Environment()) {
    const std::size_t eq = e.find('=');
    if (eq + 1 == e.size()) {
      ::unsetenv(e.substr(0, eq).c_str());
    } else {
      ::setenv(e.substr(0, eq).c_str(), e.c_str() + eq + 1, 1);
    }
  }
}

std::string PrivateBus::AskDaemon(const std::string& method,
                                  const std::vector<std::string>& args) const {
  std::vector<std::string> argv = {"dbus-send",
                                   "--bus=" + address_,
                                   "--print-reply=literal",
                                   "--dest=org.freedesktop.DBus",
                                   "/org/freedesktop/DBus",
                                   "org.freedesktop.DBus." + method};
  argv.insert(argv.end(), args.begin(), args.end());
  const ProgramRun run = RunProgram(argv, {}, 10s);
  return run.status == 0 && run.err.empty() ? run.out : std::string();
}

bool PrivateBus::NameHasOwner(const std::string& name) const {
  return Words(AskDaemon("NameHasOwner", {"string:" + name})) ==
         std::vector<std::string>{"boolean", "true"};
}

bool PrivateBus::WaitForName(const std::string& name, bool owned,
                             std::chrono::milliseconds timeout) const {
  const auto deadline = Clock::now() + timeout;
  while (NameHasOwner(name) != owned) {
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

pid_t PrivateBus::OwnerProcess(const std::string& name) const {
  const std::vector<std::string> words =
      Words(AskDaemon("GetConnectionUnixProcessID", {"string:" + name}));
  if (words.size() != 2 || words[0] != "uint32") return -1;
  return static_cast<pid_t>(std::stol(words[1]));
}

std::vector<pid_t> PrivateBus::ConnectedProcesses() const {
  std::vector<pid_t> pids;
  for (const std::string& name : Words(AskDaemon("ListNames", {}))) {
    if (name.empty() || name[0] != ':') continue;
    const pid_t pid = OwnerProcess(name);
    if (pid > 0 && pid != ::getpid() && pid != daemon_ &&
        std::find(pids.begin(), pids.end(), pid) == pids.end()) {
      pids.push_back(pid);
    }
  }
  return pids;
}

std::vector<std::string> PrivateBus::ActivatableNames() const {
  return Words(AskDaemon("ListActivatableNames", {}));
}

void PrivateBus::ReloadConfig() const {
  AskDaemon("ReloadConfig", {});
}

void PrivateBus::EndConnectedProcesses() const {
  // The dbus-send that asked is among the names; it has ended by now.
  std::vector<pid_t> pids = ConnectedProcesses();
  std::erase_if(pids, Ended);
  EndProcesses(pids);
}

void PrivateBus::StopDaemon() {
  if (daemon_ <= 0) return;
  EndProcesses({daemon_});
  daemon_ = -1;
}

PrivateBus& ProcessBus() {
  static PrivateBus* bus = [] {
    auto* started = new PrivateBus();
    if (!started->Ok()) {
      std::cerr << "cannot start a private D-Bus daemon: " << started->Error() << '\n';
      std::abort();
    }
    started->UseAsSessionBus();
    // Ended at exit, after the tests and the application object.
    std::atexit([] { delete bus; });
    return started;
  }();
  return *bus;
}

ProgramRun RunProgram(const std::vector<std::string>& argv,
                      const std::vector<std::string>& environment,
                      std::chrono::milliseconds timeout) {
  ProgramRun result;
  Pipe out;
  Pipe err;
  if (!out.Open() || !err.Open()) {
    result.err = "cannot make a pipe";
    return result;
  }
  const pid_t pid = Spawn(argv, environment, {-1, out.write, err.write});
  out.CloseWrite();
  err.CloseWrite();
  if (pid < 0) {
    out.CloseRead();
    err.CloseRead();
    result.err = "cannot start " + argv[0];
    return result;
  }
  ::fcntl(out.read, F_SETFL, O_NONBLOCK);
  ::fcntl(err.read, F_SETFL, O_NONBLOCK);
  // Both streams at once: a program that fills one pipe while we wait on
  // the other would never end. Reading stops when the program has ended,
  // not at the end of the streams: a server it started may hold them.
  const auto drain = [](Pipe& pipe, std::string& text) {
    char buffer[65536];
    while (pipe.read >= 0) {
      const ssize_t n = ::read(pipe.read, buffer, sizeof buffer);
      if (n > 0) {
        text.append(buffer, static_cast<std::size_t>(n));
      } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
        pipe.CloseRead();
      } else if (errno == EAGAIN) {
        return;
      }
    }
  };
  const auto deadline = Clock::now() + timeout;
  bool killed = false;
  bool reaped = false;
  int status = 0;
  for (;;) {
    pollfd fds[2] = {{out.read, POLLIN, 0}, {err.read, POLLIN, 0}};
    ::poll(fds, 2, out.read < 0 && err.read < 0 ? 1 : 20);
    drain(out, result.out);
    drain(err, result.err);
    const pid_t ended = ::waitpid(pid, &status, WNOHANG);
    reaped = ended == pid;
    if (reaped || (ended < 0 && errno != EINTR)) {
      drain(out, result.out);
      drain(err, result.err);
      break;
    }
    if (!killed && Clock::now() >= deadline) {
      ::kill(pid, SIGKILL);
      killed = true;
    }
  }
  out.CloseRead();
  err.CloseRead();
  if (reaped && !killed && WIFEXITED(status)) result.status = WEXITSTATUS(status);
  return result;
}

pid_t StartProgram(const std::vector<std::string>& argv,
                   const std::vector<std::string>& environment) {
  return Spawn(argv, environment, {-1, STDOUT_FILENO, STDERR_FILENO});
}

int WaitForProgram(pid_t pid, std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    int status = 0;
    const pid_t ended = ::waitpid(pid, &status, WNOHANG);
    if (ended == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (ended < 0 && errno != EINTR) return -1;
    if (Clock::now() >= deadline) return -1;
    std::this_thread::sleep_for(5ms);
  }
}

}  // namespace tarvel_test
