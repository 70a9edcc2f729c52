// tarvel-visio's commands to a running server, run as a user runs them,
// with a client of this process watching what they do.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tests/dbus/VisioServerFixture.h"

namespace visio_server_test {
namespace {

using ControlCommandsTest = VisioServerTest;

constexpr char kUsage[] =
    "Usage: tarvel-visio [--demo] [FILE ...]\n"
    "       tarvel-visio COMMAND ...\n"
    "       tarvel-visio --regserver | --unregserver\n"
    "       tarvel-visio --help\n"
    "Try 'tarvel-visio --help' for more information.\n";

// The names of the shapes selected in the active window.
std::vector<std::string> Selected(const ObjectRef& app) {
  const ObjectRef selection = app.Get("ActiveWindow").ToObject().Get("Selection").ToObject();
  std::vector<std::string> names;
  const std::int32_t count = selection.Get("Count").ToInt32();
  for (std::int32_t i = 1; i <= count; ++i) {
    names.push_back(selection.Get("Item", {Variant(i)}).ToObject().Get("Name").ToString());
  }
  return names;
}

TEST_F(ControlCommandsTest, OpenAndCloseChangeTheServersDocuments) {
  StartServer({"--demo"});
  const ObjectRef app = Attach();
  ASSERT_TRUE(app);
  const ObjectRef documents = app.Get("Documents").ToObject();

  ProgramRun run = Visio({"--open", "/nonexistent/drawing.vsdx"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err,
            "tarvel-visio: --open /nonexistent/drawing.vsdx: File not found: "
            "/nonexistent/drawing.vsdx\n");
  run = Visio({"--close", "No such drawing.vsdx"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "tarvel-visio: --close No such drawing.vsdx: Invalid document identifier.\n");
  EXPECT_EQ(documents.Get("Count"), Variant(std::int16_t{2}));

  const char* shared = std::getenv("TARVEL_SHARED_DIR");
  const std::string file =
      shared ? std::string(shared) + "/vsdx/aspose_Layers_Drawing1.vsdx" : std::string();
  if (file.empty() || !std::ifstream(file)) {
    GTEST_SKIP() << "the drawing corpus is not there (TARVEL_SHARED_DIR/vsdx)";
  }
  run = Visio({"--open", file});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out + run.err, "");
  EXPECT_EQ(documents.Get("Count"), Variant(std::int16_t{3}));
  EXPECT_EQ(documents.Get("Item", {Variant(3)}).ToObject().Get("FullName"), Variant(file));

  run = Visio({"--close", "aspose_Layers_Drawing1.vsdx"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out + run.err, "");
  EXPECT_EQ(documents.Get("Count"), Variant(std::int16_t{2}));
}

TEST_F(ControlCommandsTest, SelectShowsThePageAndSelectsTheShapesNamed) {
  StartServer({"--demo"});
  const ObjectRef app = Attach();
  ASSERT_TRUE(app);

  // By name and by ID (4 is "Server").
  ProgramRun run = Visio({"--select", "Page-1", "Process", "4"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out + run.err, "");
  EXPECT_EQ(app.Get("ActiveWindow").ToObject().Get("Page").ToObject().Get("Name"),
            Variant("Page-1"));
  EXPECT_EQ(Selected(app), (std::vector<std::string>{"Process", "Server"}));

  // The page alone: nothing selected.
  run = Visio({"--select", "Page-1"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Selected(app), std::vector<std::string>{});

  run = Visio({"--select", "Page-1", "No such shape"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "tarvel-visio: --select Page-1 No such shape: Invalid sheet identifier.\n");
}

TEST_F(ControlCommandsTest, BusyRefusesClientsUntilItIsSwitchedOff) {
  StartServer({"--demo"});
  const ObjectRef app = Attach();
  ASSERT_TRUE(app);
  const ObjectRef page = app.Get("ActivePage").ToObject();

  ProgramRun run = Visio({"--busy", "on"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out + run.err, "");
  const std::string rejected =
      Failure(automation::RPC_E_CALL_REJECTED, "Call was rejected by callee.");
  EXPECT_EQ(Failure([&] { app.Get("Name"); }), rejected);
  EXPECT_EQ(Failure([&] { page.Get("Name"); }), rejected);
  // Other commands are refused too.
  run = Visio({"--select", "Page-1", "Process"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "tarvel-visio: --select Page-1 Process: Call was rejected by callee.\n");
  // A client that comes meanwhile says it was refused.
  run = Tree({});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err,
            "tarvel-tree: Visio refused the call, as it does while busy (a dialog may be open): "
            "Call was rejected by callee.\n");

  // Commands run in the order given.
  run = Visio({"--busy", "off", "--select", "Page-1", "Process"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(page.Get("Name"), Variant("Page-1"));
  EXPECT_EQ(Selected(app), std::vector<std::string>{"Process"});
}

// Save and SaveAs work over the bus, from a client and from the command.
TEST_F(ControlCommandsTest, SaveWritesTheServersDocument) {
  StartServer({"--demo"});
  const ObjectRef app = Attach();
  ASSERT_TRUE(app);
  const ObjectRef doc = app.Get("ActiveDocument").ToObject();
  const std::string name = doc.Get("Name").ToString();
  const std::string dir = ::testing::TempDir() + "tarvel-save-" + std::to_string(::getpid()) + "/";
  std::filesystem::create_directories(dir);

  // The demo drawing's file is in a folder nobody writes to.
  ProgramRun run = Visio({"--save", name});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err.rfind("tarvel-visio: --save " + name + ": The file \"", 0), 0) << run.err;
  EXPECT_NE(run.err.find(name + "\" cannot be saved: "), std::string::npos) << run.err;

  run = Visio({"--save", name, dir + "demo.vsd"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("cannot be saved"), std::string::npos) << run.err;
  EXPECT_FALSE(std::filesystem::exists(dir + "demo.vsd"));

  doc.Invoke("SaveAs", {Variant(dir + "client.vsdx")});
  EXPECT_EQ(doc.Get("Name"), Variant("client.vsdx"));
  doc.Put("Title", Variant("Changed over the bus"));
  EXPECT_EQ(doc.Get("Saved").ToInt32(), 0);
  run = Visio({"--save", "client.vsdx"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out + run.err, "");
  EXPECT_NE(doc.Get("Saved").ToInt32(), 0);

  run = Visio({"--save", "client.vsdx", dir + "copy.vssx"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(doc.Get("FullName"), Variant(dir + "copy.vssx"));
  std::filesystem::remove_all(dir);
}

TEST_F(ControlCommandsTest, QuitEndsTheServer) {
  const pid_t server = StartServer({"--demo"});
  const ProgramRun run = Visio({"--quit"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out + run.err, "");
  EXPECT_TRUE(bus->WaitForName(kVisioName, false));
  EXPECT_EQ(tarvel_test::WaitForProgram(server), 0);
}

TEST_F(ControlCommandsTest, ACommandWithoutAServerSaysSo) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--quit"}, std::vector<std::string>{"--busy", "on"}}) {
    const ProgramRun run = Visio(args);
    EXPECT_EQ(run.status, 1) << args[0];
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err,
              "tarvel-visio: no stand-in Visio runs on the session bus (org.tarvel.Visio)\n");
  }
  EXPECT_FALSE(bus->NameHasOwner(kVisioName));
}

TEST_F(ControlCommandsTest, BadCommandLinesAreUsageErrors) {
  struct Case {
    std::vector<std::string> args;
    std::string problem;
  };
  for (const Case& c : std::vector<Case>{
           {{"--busy"}, "--busy takes one argument"},
           {{"--busy", "maybe"}, "--busy takes on or off, not 'maybe'"},
           {{"--open"}, "--open takes one argument"},
           {{"--open", "a.vsdx", "b.vsdx"}, "--open takes one argument"},
           {{"--close"}, "--close takes one argument"},
           {{"--save"}, "--save takes a document and a file"},
           {{"--save", "a", "b.vsdx", "c"}, "--save takes a document and a file"},
           {{"--select"}, "--select takes a page and shapes"},
           {{"--quit", "now"}, "--quit takes no arguments"},
           {{"--demo", "--quit"}, "commands cannot be combined with starting a server"},
           {{"drawing.vsdx", "--busy", "on"}, "commands cannot be combined with starting a server"},
           {{"--frobnicate"}, "unknown option '--frobnicate'"},
       }) {
    const ProgramRun run = Visio(c.args);
    EXPECT_EQ(run.status, 2) << c.problem;
    EXPECT_EQ(run.out, "") << c.problem;
    EXPECT_EQ(run.err, "tarvel-visio: " + c.problem + "\n" + kUsage);
  }
  // None of them started a server.
  EXPECT_FALSE(bus->NameHasOwner(kVisioName));
}

}  // namespace
}  // namespace visio_server_test
