// tarvel-tree --events run as a user runs it. With the stand-in in its own
// process the only client making changes is tarvel-tree itself: the
// drawings it opens once listening raise the events it prints.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/PrivateBus.h"
#include "tests/support/SharedFile.h"

namespace {

using tarvel_test::ProgramRun;

std::vector<std::string> Command(const std::vector<std::string>& args) {
  std::vector<std::string> argv = {TARVEL_TREE_BINARY};
  argv.insert(argv.end(), args.begin(), args.end());
  return argv;
}

const std::string kNoBus = std::string("DBUS_SESSION_BUS_ADDRESS=") + tarvel_test::kNoBusAddress;

// One event line with any time and sequence number.
std::string LinePattern(const std::string& nameAndCode, const std::string& subject) {
  return R"(\d\d:\d\d:\d\d\.\d\d\d )" + nameAndCode + R"( seq=\d+ subject=)" + subject +
         " source=Application\n";
}

class TarvelTreeEventsTest : public testing::Test {
 protected:
  void SetUp() override {
    first = tarvel_test::SharedFile("vsdx/aspose_ActiveX_Drawing1.vsdx");
    second = tarvel_test::SharedFile("vsdx/aspose_Layers_Drawing1.vsdx");
    if (first.empty() || second.empty()) GTEST_SKIP() << "the shared drawings are not there";
  }

  std::string first, second;
};

TEST_F(TarvelTreeEventsTest, DrawingsOpenedWhileListeningPrintTheirEventsUpToTheCount) {
  // Names in any case and numbers, one code given twice.
  const ProgramRun run = tarvel_test::RunProgram(
      Command({first, second, "--events", "documentopened", "2", "--count", "2"}), {kNoBus},
      std::chrono::seconds(30));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_TRUE(std::regex_match(
      run.out,
      std::regex(LinePattern("DocumentOpened 2", R"(Document "aspose_ActiveX_Drawing1\.vsdx")") +
                 LinePattern("DocumentOpened 2", R"(Document "aspose_Layers_Drawing1\.vsdx")"))))
      << run.out;
}

TEST_F(TarvelTreeEventsTest, TheDefaultsIncludeDocumentsAndTheCountStopsMidChange) {
  // Opening raises several events; the run ends at the first, the rest
  // unprinted.
  const ProgramRun run = tarvel_test::RunProgram(Command({first, "--events", "--count=1"}),
                                                 {kNoBus}, std::chrono::seconds(30));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(std::regex_match(
      run.out,
      std::regex(LinePattern("DocumentOpened 2", R"(Document "aspose_ActiveX_Drawing1\.vsdx")"))))
      << run.out;
}

TEST_F(TarvelTreeEventsTest, AnInterruptEndsTheRunCleanly) {
  // The run is interrupted once its first line shows that it listens.
  const std::filesystem::path out = std::filesystem::temp_directory_path() /
                                    ("tarvel-events-" + std::to_string(::getpid()) + ".out");
  std::string command;
  for (const std::string& word : Command({first, "--events", "DocumentOpened"})) {
    command += "'" + word + "' ";
  }
  const std::string script = command + "> '" + out.string() +
                             "' & pid=$!; "
                             "while ! grep -q DocumentOpened '" +
                             out.string() +
                             "'; do sleep 0.1; done; "
                             "kill -INT $pid; wait $pid";
  const ProgramRun run =
      tarvel_test::RunProgram({"sh", "-c", script}, {kNoBus}, std::chrono::seconds(30));
  std::filesystem::remove(out);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
}

// Needs events to cross processes on the bus (advise sinks passed to
// tarvel-visio): until the transport passes objects to another process,
// AddAdvise is refused and the test skips saying so.
TEST_F(TarvelTreeEventsTest, EventsOfVisioInAnotherProcessArePrinted) {
  tarvel_test::PrivateBus bus;
  ASSERT_TRUE(bus.Ok()) << bus.Error();
  const ProgramRun run =
      tarvel_test::RunProgram(Command({first, "--events", "DocumentOpened", "--count", "1"}),
                              bus.Environment(), std::chrono::seconds(30));
  if (run.err.find("The object cannot be passed to another process.") != std::string::npos) {
    GTEST_SKIP() << "needs events across processes on the bus: " << run.err;
  }
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(std::regex_match(
      run.out,
      std::regex(LinePattern("DocumentOpened 2", R"(Document "aspose_ActiveX_Drawing1\.vsdx")"))))
      << run.out;
}

}  // namespace
