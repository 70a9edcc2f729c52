// The tree command in process, over a small fake Visio.
#include <gtest/gtest.h>

#include <algorithm>
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

}  // namespace
