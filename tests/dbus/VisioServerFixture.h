// What the tests of the real tarvel-visio share: the program's private bus,
// servers started as child processes (or by the transport for the test),
// and the runs of tarvel-visio's commands and of tarvel-tree.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <QtGlobal>
#include <string>
#include <vector>

#include "automation/Runtime.h"
#include "automation/Variant.h"
#include "automation/dbus/Client.h"
#include "standin/Application.h"
#include "standin/server/VisioBus.h"
#include "tests/support/PrivateBus.h"
#include "visio/KTVisio_Controller.h"

namespace visio_server_test {

using automation::AutomationError;
using automation::HResult;
using automation::ObjectRef;
using automation::Variant;
using tarvel_test::ProgramRun;

inline const std::string kVisioName = standin::kVisioBusName;

inline std::string Failure(HResult code, const std::string& message) {
  return automation::FormatHResult(code) + " " + message;
}

// What an AutomationError carried: "0x80010108 The object invoked has ...".
template <class F>
std::string Failure(F call) {
  try {
    call();
  } catch (const AutomationError& e) {
    return Failure(e.code(), e.message());
  }
  return "no error";
}

inline const std::string& Disconnected() {
  static const std::string text = Failure(automation::RPC_E_DISCONNECTED,
                                          "The object invoked has disconnected from its clients.");
  return text;
}

class VisioServerTest : public testing::Test {
 protected:
  void SetUp() override {
    bus = &tarvel_test::ProcessBus();
    // The bus may not yet have heard that the last test's server ended.
    ASSERT_TRUE(bus->WaitForName(kVisioName, false, std::chrono::seconds(5)))
        << "a server of an earlier test is still there";
  }

  void TearDown() override {
    VisioController.Disconnect();
    for (const auto& r : registrations) automation::dbus::UnregisterBusClass(r);
    // Servers end with the test: the ones it started and the ones started
    // for it.
    bus->EndConnectedProcesses();
    for (pid_t pid : started) tarvel_test::WaitForProgram(pid);
    qunsetenv("TARVEL_VISIO_PROGRAM");
  }

  // "visio.application" reaches tarvel-visio; a server started for this
  // process shows the demo drawing when asked.
  void Register(bool demo = true) {
    registrations.push_back(standin::RegisterVisioOnBus({}, demo));
  }

  // tarvel-visio with `args`, as a child process, once it owns its name.
  pid_t StartServer(const std::vector<std::string>& args = {"--demo"}) {
    std::vector<std::string> argv = {TARVEL_VISIO_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    const pid_t pid = tarvel_test::StartProgram(argv);
    started.push_back(pid);
    EXPECT_TRUE(bus->WaitForName(kVisioName, true)) << "tarvel-visio did not come up";
    return pid;
  }

  static void KillServer(pid_t pid) {
    ::kill(pid, SIGKILL);
    tarvel_test::WaitForProgram(pid);
  }

  static ObjectRef Attach(bool peerToPeer = true) {
    ObjectRef app;
    EXPECT_NO_THROW(app = automation::dbus::AttachToServer(
                        QString::fromLatin1(standin::kVisioBusName),
                        QString::fromLatin1(standin::kVisioObjectPath), {peerToPeer, 10000}));
    return app;
  }

  static HResult ActiveVisio(ObjectRef* app) {
    automation::Guid clsid;
    automation::CLSIDFromProgID("Visio.Application", &clsid);
    return automation::GetActiveObject(clsid, app);
  }

  static HResult CreateVisio(ObjectRef* app) {
    return automation::CoCreateInstance(standin::CLSID_VisioApplication,
                                        automation::CLSCTX_LOCAL_SERVER, automation::IID_IUnknown,
                                        app);
  }

  static ProgramRun Visio(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {TARVEL_VISIO_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    return tarvel_test::RunProgram(argv);
  }

  static ProgramRun Tree(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {TARVEL_TREE_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    return tarvel_test::RunProgram(argv);
  }

  tarvel_test::PrivateBus* bus = nullptr;
  std::vector<automation::dbus::BusClassRegistration> registrations;
  std::vector<pid_t> started;
};

}  // namespace visio_server_test
