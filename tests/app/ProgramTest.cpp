// The program's command line, run as an installer would: the registration
// switches end it before any window, with the interface description
// installed or removed under the user's data folder.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "visio/KTVisio_AddOn_TLB.h"

namespace {

namespace fs = std::filesystem;

struct RunResult {
  int status = -1;
  std::string err;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs tarvel with `args` and the data folder `dataHome`, without a display:
// a window it tried to open would make it fail, not wait.
RunResult RunTarvel(const std::vector<std::string>& args, const fs::path& dataHome) {
  const fs::path errPath = fs::path(testing::TempDir()) / ("tarvel-" + std::to_string(::getpid()) + ".err");
  std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_DATA_HOME='" +
                        dataHome.string() + "' XDG_CONFIG_HOME='" + dataHome.string() +
                        "/config' '" TARVEL_BINARY "'";
  for (const std::string& arg : args) command += " '" + arg + "'";
  command += " </dev/null >/dev/null 2>'" + errPath.string() + "'";
  RunResult result;
  const int raw = std::system(command.c_str());
  if (raw != -1 && WIFEXITED(raw)) result.status = WEXITSTATUS(raw);
  result.err = ReadFile(errPath);
  fs::remove(errPath);
  return result;
}

class ProgramTest : public testing::Test {
 protected:
  void SetUp() override {
    dataHome = fs::path(testing::TempDir()) / ("tarvel-data-" + std::to_string(::getpid()));
    fs::remove_all(dataHome);
    description = dataHome / "dbus-1" / "interfaces" / std::string(AddOnSinkDescriptionFileName);
  }
  void TearDown() override {
    ::chmod(dataHome.c_str(), 0700);
    fs::remove_all(dataHome);
  }
  fs::path dataHome;
  fs::path description;
};

TEST_F(ProgramTest, RegistrationSwitchesInstallAndRemoveTheDescriptionWithoutAWindow) {
  RunResult run = RunTarvel({"/RegServer"}, dataHome);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  ASSERT_TRUE(fs::exists(description));
  const std::string installed = ReadFile(description);
  EXPECT_NE(installed.find(fs::canonical(TARVEL_BINARY).string()), std::string::npos);
  EXPECT_NE(installed.find("VisEventProc"), std::string::npos);

  // Registering again is no complaint.
  run = RunTarvel({"-REGSERVER", "--unknown"}, dataHome);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ReadFile(description), installed);

  run = RunTarvel({"-unregserver"}, dataHome);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_FALSE(fs::exists(description));
}

TEST_F(ProgramTest, AnUnwritableDataFolderStopsStartUpWithTheReason) {
  if (::geteuid() == 0) {
    // Root writes anywhere; a file where the folder should be stops it too.
    fs::create_directories(dataHome);
    std::ofstream(dataHome / "dbus-1") << "not a folder";
  } else {
    fs::create_directories(dataHome);
    ::chmod(dataHome.c_str(), 0500);
  }
  const RunResult run = RunTarvel({}, dataHome);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err.rfind("tarvel: Cannot register the type library KTVisio_AddOn: cannot ", 0), 0u)
      << run.err;
  EXPECT_FALSE(fs::exists(description));
}

}  // namespace
