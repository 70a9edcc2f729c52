// The tree command in process, over a small fake Visio.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/TreeCommand.h"
#include "lut/Tarvel_TreeNodeLUTs.h"
#include "tree/Tarvel_Cells01.h"
#include "tests/tree/FakeApplication.h"
#include "visio/KTVisio_Controller.h"

namespace {

using automation::ObjectRef;
using automation::Variant;

class TreeCommandTest : public testing::Test {
 protected:
  void SetUp() override {
    BuildVisioConstantCatalogue();
    BuildCellCatalogue();
    VisioController.App = ObjectRef(visio.app);
  }
  void TearDown() override {
    VisioController.Disconnect();
    VisioController.SetCallRefused(false);
  }

  static TTreeOptions Options(int depth, std::vector<std::string> expand = {},
                              bool selectedShape = false, bool refresh = false) {
    TTreeOptions options;
    options.depth = depth;
    options.expand = std::move(expand);
    options.selectedShape = selectedShape;
    options.refresh = refresh;
    return options;
  }

  struct Run {
    int status;
    std::vector<std::string> lines;
    std::string err;
  };
  Run RunWith(const TTreeOptions& options) {
    std::ostringstream out;
    std::ostringstream err;
    Run run{RunTreeCommand(options, out, err), {}, err.str()};
    std::istringstream in(out.str());
    for (std::string line; std::getline(in, line);) run.lines.push_back(line);
    return run;
  }

  fake::FakeApplication visio;
};

TEST_F(TreeCommandTest, DepthOneShowsTheRootAndItsChildren) {
  const Run run = RunWith({});
  EXPECT_EQ(run.status, 0) << run.err;
  ASSERT_EQ(run.lines.size(), 52u);
  EXPECT_EQ(run.lines[0], R"(Application   "C:\\Visio\\" )");
  EXPECT_EQ(run.lines[1], "  ObjectType   = 3 (=App)");
  EXPECT_EQ(run.lines[51], "  WindowHandle32   = 1311");

  const Run rootOnly = RunWith(Options(0));
  EXPECT_EQ(rootOnly.lines, (std::vector<std::string>{R"(Application   "C:\\Visio\\" )"}));
}

TEST_F(TreeCommandTest, AnElementCanBeNamedWithOrWithoutItsArray) {
  const std::vector<std::string> expected = {
      R"(Application   "C:\\Visio\\" )",
      R"(  Documents   (Count: 2) )",
      R"(    Item (Count: 2))",
      R"(      Item[1]   "Drawing1.vsd" )",
      R"(      Item[2]   "Stencil1.vss" )",
  };
  for (const std::string path :
       {"Application/Documents/Item[1]", "Documents/Item/Item[1]", "Documents/Item[1]"}) {
    SCOPED_TRACE(path);
    const Run run = RunWith(Options(0, {path}));
    EXPECT_EQ(run.status, 0) << run.err;
    // Only the path is open: the root's other children and the documents'
    // other children are shown closed.
    std::vector<std::string> shown;
    for (const std::string& line : run.lines) {
      if (line.find("Documents") != std::string::npos || line.find("Item") != std::string::npos ||
          line.rfind("Application ", 0) == 0) {
        shown.push_back(line);
      }
    }
    EXPECT_EQ(shown, expected);
  }

  // One level below the path's end.
  const Run below = RunWith(Options(1, {"Documents/Item[2]"}));
  EXPECT_EQ(below.status, 0);
  EXPECT_NE(std::find(below.lines.begin(), below.lines.end(), R"(        Name   = "Stencil1.vss")"),
            below.lines.end());
}

TEST_F(TreeCommandTest, ASegmentThatMatchesNothingNamesTheChildrenThere) {
  const Run run = RunWith(Options(1, {"Documents/Item/Item[3]"}));
  EXPECT_EQ(run.status, 2);
  EXPECT_TRUE(run.lines.empty());
  EXPECT_EQ(run.err,
            "tarvel-tree: no item \"Item[3]\" under Application/Documents/Item; its children "
            "are: Item[1], Item[2]\n");

  const Run nothingThere = RunWith(Options(1, {"ActivePage/Name"}));
  EXPECT_EQ(nothingThere.status, 2);
  EXPECT_EQ(nothingThere.err,
            "tarvel-tree: no item \"Name\" under Application/ActivePage, which has no "
            "children\n");
}

TEST_F(TreeCommandTest, TheSelectedShapeBecomesTheRoot) {
  const auto selection = fake::MakeCollection();
  const fake::FakeRef shape = fake::Make();
  shape->Set("Text", "Hi").Set("Name", "Box").Set("NameID", "Sheet.4");
  selection->items = {shape};
  visio.window->Set("Selection", Variant(selection));

  const Run run = RunWith(Options(0, {}, true));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.lines, (std::vector<std::string>{R"(Shape  "Hi": (Box/Sheet.4) )"}));

  selection->items.push_back(shape);
  const Run two = RunWith(Options(1, {}, true));
  EXPECT_EQ(two.status, 1);
  EXPECT_TRUE(two.lines.empty());
  EXPECT_EQ(two.err, "tarvel-tree: Please select exactly one shape.\n");
}

TEST_F(TreeCommandTest, RefreshReadsTheOpenTreeOnceMore) {
  RunWith({});
  const int reads = visio.app->Reads("Language");
  RunWith(Options(1, {}, false, true));
  EXPECT_EQ(visio.app->Reads("Language") - reads, 2 * reads);
}

// A run over a link that broke is no success, wherever the break showed;
// Visio's own error answers are part of the tree.
TEST_F(TreeCommandTest, ABrokenLinkFailsTheRunAndVisiosErrorsDoNot) {
  const std::string gone = "The object invoked has disconnected from its clients.";
  struct Case {
    const char* member;  // of the application
    automation::HResult code;
    std::string message;
    int status;
    std::string err;
  };
  const std::string broken =
      "tarvel-tree: the link to Visio failed during the run, the tree is incomplete: ";
  const std::vector<Case> cases = {
      {"Language", automation::RPC_E_DISCONNECTED, gone, 3, broken + "0x80010108 " + gone + "\n"},
      {"Documents", automation::RPC_E_DISCONNECTED, gone, 3, broken + "0x80010108 " + gone + "\n"},
      {"Path", automation::MakeHResult(0x800706BA), "The RPC server is unavailable.", 3,
       broken + "0x800706BA The RPC server is unavailable.\n"},
      {"Language", automation::RPC_E_TIMEOUT,
       "This operation returned because the timeout period expired.", 3,
       broken + "0x8001011F This operation returned because the timeout period expired.\n"},
      {"Language", automation::MakeHResult(0x86DB0A2B), "\n\nObject has been deleted.", 0, ""},
      {"Documents", automation::MakeHResult(0x86DB08A7), "\n\nInvalid parameter.", 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.member) + " " + c.message);
    VisioController.Disconnect();
    VisioController.App = ObjectRef(visio.app);
    visio.app->Fail(c.member, c.code, c.message);
    const Run run = RunWith(Options(2));
    visio.app->Heal(c.member);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.err, c.err);
    // The tree is printed all the same.
    EXPECT_GT(run.lines.size(), 50u);
  }
}

// --watch in process: the wait between refreshes is where the test changes
// the fake Visio, as the user's automation would.
class WatchCommandTest : public TreeCommandTest {
 protected:
  // Runs with --watch and one change per wait, as many refreshes as
  // changes; what each batch printed is split off by the waits.
  Run Watch(TTreeOptions options, std::vector<std::function<void()>> changes) {
    TWatchOptions watch;
    watch.seconds = 0.5;
    watch.count = static_cast<int>(changes.size());
    watch.wait = [this, changes, step = std::size_t{0}](double seconds) mutable {
      EXPECT_EQ(seconds, 0.5);
      batchStarts.push_back(printed.str().size());
      changes.at(step++)();
      return true;
    };
    options.watch = watch;
    Run run{RunTreeCommand(options, printed, errors), {}, errors.str()};
    std::istringstream in(printed.str());
    for (std::string line; std::getline(in, line);) run.lines.push_back(line);
    return run;
  }
  // The lines printed after wait `n` (0 the first), until the next wait.
  std::vector<std::string> Batch(std::size_t n) const {
    const std::string all = printed.str();
    const std::size_t end = n + 1 < batchStarts.size() ? batchStarts[n + 1] : all.size();
    std::vector<std::string> lines;
    std::istringstream in(all.substr(batchStarts.at(n), end - batchStarts.at(n)));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  std::ostringstream printed;
  std::ostringstream errors;
  std::vector<std::size_t> batchStarts;
};

TEST_F(WatchCommandTest, EachRefreshPrintsOnlyWhatChanged) {
  auto& docs = visio.documents->items;
  // The tree printed before anything changes: the watch prints it first.
  const Run plain = RunWith(Options(1, {"Documents/Item"}));
  const Run run = Watch(Options(1, {"Documents/Item"}),
                        {
                            [&] {
                              visio.app->Set("Language", Variant(std::int32_t{1031}));
                              docs[1]->Set("Name", "Renamed.vsd");
                            },
                            [] {},
                            [&] { docs.push_back(fake::MakeDocument("Third.vsd", 3)); },
                            [&] { docs.erase(docs.begin()); },
                        });
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  ASSERT_EQ(batchStarts.size(), 4u);
  std::string tree;
  for (const std::string& line : plain.lines) tree += line + "\n";
  EXPECT_EQ(printed.str().substr(0, batchStarts[0]), tree);

  EXPECT_EQ(Batch(0), (std::vector<std::string>{
                          "~ Application/Documents/Item[2]: Item[2]   \"Renamed.vsd\" ",
                          "~ Application/Language: Language   = 1031",
                      }));
  EXPECT_EQ(Batch(1), std::vector<std::string>{});
  EXPECT_EQ(Batch(2), (std::vector<std::string>{
                          "~ Application/Documents: Documents   (Count: 3) ",
                          "~ Application/Documents/Count: Count   = 3",
                          "~ Application/Documents/Item: Item (Count: 3)",
                          "+ Application/Documents/Item[3]: Item[3]   \"Third.vsd\" ",
                      }));
  EXPECT_EQ(Batch(3), (std::vector<std::string>{
                          "~ Application/Documents: Documents   (Count: 2) ",
                          "~ Application/Documents/Count: Count   = 2",
                          "~ Application/Documents/Item: Item (Count: 2)",
                          "~ Application/Documents/Item[1]: Item[1]   \"Renamed.vsd\" ",
                          "~ Application/Documents/Item[2]: Item[2]   \"Third.vsd\" ",
                          "- Application/Documents/Item[3]: Item[3]   \"Third.vsd\" ",
                      }));
}

TEST_F(WatchCommandTest, AWaitThatSaysStopEndsTheWatchCleanly) {
  TTreeOptions options = Options(1);
  TWatchOptions watch;
  int waits = 0;
  watch.wait = [&](double) { return ++waits < 3; };
  options.watch = watch;
  const Run run = RunWith(options);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(waits, 3);
  EXPECT_EQ(run.lines.size(), 52u);
}

TEST_F(WatchCommandTest, ALinkThatBreaksMidwayEndsTheWatchWithStatusThree) {
  const std::string gone = "The object invoked has disconnected from its clients.";
  const Run run = Watch(
      Options(1), {
                      [] {},
                      [&] { visio.app->Fail("Language", automation::RPC_E_DISCONNECTED, gone); },
                      [] {},
                  });
  EXPECT_EQ(run.status, 3);
  EXPECT_EQ(run.err,
            "tarvel-tree: the link to Visio failed during the run: 0x80010108 " + gone + "\n");
  // The third wait never came, and the broken refresh printed nothing.
  EXPECT_EQ(batchStarts.size(), 2u);
  EXPECT_EQ(Batch(1), std::vector<std::string>{});
}

}  // namespace
