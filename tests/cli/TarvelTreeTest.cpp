// tarvel-tree run as a user runs it: through tarvel-visio on a session bus
// (a private one per run), and in process where there is no bus.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "standin/server/VisioBus.h"
#include "tests/support/DecimalCommaLocale.h"
#include "tests/support/PrivateBus.h"
#include "tests/support/SharedFile.h"
#include "tree/PropertyTables.h"

namespace {

using tarvel_test::ProgramRun;

// Runs tarvel-tree with `args` (each passed as one word) as a user would:
// Visio is tarvel-visio on the session bus, started by tarvel-tree. Each
// run has a bus of its own, so that runs of tests going on at the same time
// never reach each other's server.
ProgramRun RunTarvelTree(const std::vector<std::string>& args) {
  tarvel_test::PrivateBus bus;
  if (!bus.Ok()) return {-1, "", bus.Error()};
  std::vector<std::string> argv = {TARVEL_TREE_BINARY};
  argv.insert(argv.end(), args.begin(), args.end());
  return tarvel_test::RunProgram(argv, bus.Environment());
}

// The same without a session bus: the stand-in runs inside tarvel-tree.
// Also for the command lines that never reach Visio.
ProgramRun RunTarvelTreeInProcess(const std::vector<std::string>& args) {
  std::vector<std::string> argv = {TARVEL_TREE_BINARY};
  argv.insert(argv.end(), args.begin(), args.end());
  return tarvel_test::RunProgram(
      argv, {std::string("DBUS_SESSION_BUS_ADDRESS=") + tarvel_test::kNoBusAddress});
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The item name a caption starts with.
std::string NameOf(const std::string& caption) {
  const std::size_t start = caption.find_first_not_of(' ');
  return caption.substr(start, caption.find_first_of(" [", start) - start);
}

std::size_t Indent(const std::string& caption) {
  return caption.find_first_not_of(' ');
}

// The rows an interface shows, by name, in display order.
std::vector<std::string> RowNames(TNodeClass cls) {
  std::vector<std::string> names;
  for (const TPropRow& row : VisInterfaceOf(cls).Rows) names.emplace_back(row.Name);
  return names;
}

bool IsHeading(const std::string& line) {
  return !line.empty() && line.front() != ' ' && line.back() == ':';
}

}  // namespace

TEST(TarvelTreeTest, ConstantsListsEveryTableAndEveryEntry) {
  const ProgramRun run = RunTarvelTreeInProcess({"--constants"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  ASSERT_FALSE(run.out.empty());
  EXPECT_EQ(run.out.back(), '\n');

  const std::vector<std::string> lines = Lines(run.out);
  int headings = 0;
  int entries = 0;
  for (const std::string& line : lines) {
    if (IsHeading(line)) {
      ++headings;
    } else {
      ++entries;
      EXPECT_EQ(line.find("H  "), 17u) << line;  // "%8d", a blank, 8 hex digits
    }
  }
  EXPECT_EQ(headings, 113);
  EXPECT_EQ(entries, 1526);
  EXPECT_EQ(lines.front(), "LUT_VisUnitCodes:");
  EXPECT_EQ(lines[1], "      32 00000020H  visNumber");
  EXPECT_EQ(lines.back(), "      32 00000020H  TextBkgnd");
}

TEST(TarvelTreeTest, ConstantsWithANameListsThatTableOnly) {
  const ProgramRun run = RunTarvelTreeInProcess({"--constants", "LUT_VisSectionIndices"});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 22u);
  const std::vector<std::string> first(lines.begin(), lines.begin() + 6);
  EXPECT_EQ(first, (std::vector<std::string>{
                       "LUT_VisSectionIndices:",
                       "     255 000000FFH  visSectionInval",
                       "       0 00000000H  visSectionFirst",
                       "     252 000000FCH  visSectionLast",
                       "     255 000000FFH  visSectionNone",
                       "       1 00000001H  visSectionObject",
                   }));
  EXPECT_EQ(lines.back(), "     243 000000F3H  visSectionLastReal");
}

TEST(TarvelTreeTest, HexAndTrueFalsePrintOnlyTheirHeading) {
  EXPECT_EQ(RunTarvelTreeInProcess({"--constants", "Hex"}).out, "Hex:\n");
  EXPECT_EQ(RunTarvelTreeInProcess({"--constants", "TrueFalse"}).out, "TrueFalse:\n");
}

TEST(TarvelTreeTest, AnUnknownTableNameIsAnError) {
  // Names are exact: the wrong letter case is unknown too.
  for (const std::string name : {"LUT_NoSuchTable", "lut_vissectionindices"}) {
    const ProgramRun run = RunTarvelTreeInProcess({"--constants", name});
    EXPECT_EQ(run.status, 2) << name;
    EXPECT_EQ(run.out, "") << name;
    EXPECT_EQ(run.err, "tarvel-tree: no constant table named \"" + name + "\"\n");
  }
}

TEST(TarvelTreeTest, HelpPrintsUsage) {
  const ProgramRun run = RunTarvelTreeInProcess({"--help"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out.rfind("Usage: tarvel-tree [FILE ...] [--depth N] [--expand PATH]... "
                          "[--selected-shape] [--refresh]\n",
                          0),
            0u)
      << run.out;
  EXPECT_NE(run.out.find("  --constants NAME    list only the table NAME"), std::string::npos);
  EXPECT_NE(run.out.find("  --watch SECONDS     after printing the tree, refresh it every"),
            std::string::npos);
}

namespace {

// The output without the line of the stand-in's process ID, which differs
// from run to run.
std::string WithoutProcessID(const std::string& out) {
  std::string kept;
  for (const std::string& line : Lines(out)) {
    if (!line.starts_with("  ProcessID   = ")) kept += line + "\n";
  }
  return kept;
}

}  // namespace

TEST(TarvelTreeTest, WatchStopsAfterItsCountOrWhenInterrupted) {
  const ProgramRun once = RunTarvelTreeInProcess({});
  ASSERT_EQ(once.status, 0) << once.err;
  // The demo does not change by itself: the tree, then nothing.
  const ProgramRun counted =
      RunTarvelTreeInProcess({"--watch", "0.1", "--count", "3", "--all-sections"});
  EXPECT_EQ(counted.status, 0) << counted.err;
  EXPECT_EQ(counted.err, "");
  EXPECT_EQ(WithoutProcessID(counted.out),
            WithoutProcessID(RunTarvelTreeInProcess({"--all-sections"}).out));

  // SIGINT and SIGTERM end an endless watch with status 0, the tree printed
  // and flushed before. The signal comes late enough for a program started
  // on a busy machine to have reached its watch.
  for (const char* signal : {"INT", "TERM"}) {
    const ProgramRun run = tarvel_test::RunProgram(
        {"timeout", "--preserve-status", "-s", signal, "4", TARVEL_TREE_BINARY, "--watch=0.1"},
        {std::string("DBUS_SESSION_BUS_ADDRESS=") + tarvel_test::kNoBusAddress});
    EXPECT_EQ(run.status, 0) << signal << ": " << run.err;
    EXPECT_EQ(run.err, "") << signal;
    EXPECT_EQ(WithoutProcessID(run.out), WithoutProcessID(once.out)) << signal;
  }
}

TEST(TarvelTreeTest, BadCommandLinesAreUsageErrors) {
  struct Case {
    std::vector<std::string> args;
    std::string problem;
  };
  const std::vector<Case> cases = {
      {{"--frobnicate"}, "unknown option '--frobnicate'"},
      {{"--constants", "Hex", "TrueFalse"}, "--constants takes at most one table name"},
      {{"--help", "--constants"}, "--help takes no arguments"},
      {{"--refresh", "--constants"}, "--constants cannot be combined with other arguments"},
      {{"--depth"}, "--depth needs a number of levels"},
      {{"--depth", "-1"}, "--depth takes a number of levels, not '-1'"},
      {{"--depth=two"}, "--depth takes a number of levels, not 'two'"},
      {{"--expand"}, "--expand needs a path"},
      {{"--code", "vba"}, "--code needs a language and a path"},
      {{"--code", "perl", "Documents"}, "--code takes vba, python or csharp, not 'perl'"},
      {{"--code", "vba", "Documents", "--code", "python", "Windows"}, "--code may be given once"},
      {{"--code", "vba", "Documents", "--expand", "Windows"},
       "--code cannot be combined with --expand"},
      {{"--events", "CellChange"}, "--events takes Visio's event names or codes, not 'CellChange'"},
      {{"--events", "0"}, "--events takes Visio's event names or codes, not '0'"},
      {{"--events", "--events"}, "--events may be given once"},
      {{"--events", "--count"}, "--count needs a number of refreshes or events"},
      {{"--events", "--count=0"}, "--count takes a number, 1 or more, not '0'"},
      {{"--events", "--refresh"}, "--events cannot be combined with the tree's options"},
      {{"--events", "--watch", "1"}, "--events cannot be combined with the tree's options"},
      {{"--watch"}, "--watch needs a number of seconds"},
      {{"--watch", "0.05"}, "--watch takes a number of seconds from 0.1 to 86400, not '0.05'"},
      {{"--watch=1s"}, "--watch takes a number of seconds from 0.1 to 86400, not '1s'"},
      {{"--watch", "nan"}, "--watch takes a number of seconds from 0.1 to 86400, not 'nan'"},
      {{"--watch", "1e9"}, "--watch takes a number of seconds from 0.1 to 86400, not '1e9'"},
      {{"--watch", "1", "--count", "0"}, "--count takes a number, 1 or more, not '0'"},
      {{"--watch", "1", "--count"}, "--count needs a number of refreshes or events"},
      {{"--count", "2"}, "--count needs --watch or --events"},
      {{"--watch", "1", "--code", "vba", "Documents"}, "--watch cannot be combined with --code"},
  };
  for (const Case& c : cases) {
    const ProgramRun run = RunTarvelTreeInProcess(c.args);
    EXPECT_EQ(run.status, 2) << c.problem;
    EXPECT_EQ(run.out, "") << c.problem;
    EXPECT_EQ(run.err, "tarvel-tree: " + c.problem +
                           "\n"
                           "Usage: tarvel-tree [FILE ...] [--depth N] [--expand PATH]... "
                           "[--selected-shape] [--refresh]\n"
                           "       tarvel-tree [FILE ...] [--depth N] [--expand PATH]... --watch "
                           "SECONDS [--count N]\n"
                           "       tarvel-tree [FILE ...] [--selected-shape] --code LANGUAGE "
                           "PATH\n"
                           "       tarvel-tree [FILE ...] --events [CODE ...] [--count N]\n"
                           "       tarvel-tree --constants [NAME]\n"
                           "       tarvel-tree --help\n"
                           "Try 'tarvel-tree --help' for more information.\n");
  }
}

TEST(TarvelTreeTest, DrawingFilesAreOpenedInsteadOfTheDemo) {
  // The stand-in's error, in process and across processes alike.
  const std::vector<std::string> missingFile = {"/nonexistent/drawing.vsdx", "--depth", "2"};
  for (const ProgramRun& missing :
       {RunTarvelTree(missingFile), RunTarvelTreeInProcess(missingFile)}) {
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err,
              "tarvel-tree: cannot open \"/nonexistent/drawing.vsdx\": File not found: "
              "/nonexistent/drawing.vsdx\n");
  }

  const char* shared = std::getenv("TARVEL_SHARED_DIR");
  const std::string file = shared ? std::string(shared) + "/vsdx/aspose_Layers_Drawing1.vsdx" : "";
  if (file.empty() || !std::ifstream(file)) {
    GTEST_SKIP() << "the drawing corpus is not there (TARVEL_SHARED_DIR/vsdx)";
  }
  const ProgramRun run =
      RunTarvelTree({file, "--expand", "Application/Documents/Item[1]", "--depth", "0"});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> lines = Lines(run.out);
  bool documents = false, item = false;
  for (const std::string& line : lines) {
    documents = documents || line.find("Documents   (Count: 1)") != std::string::npos;
    item = item || line.find("Item[1]   \"aspose_Layers_Drawing1.vsdx\"") != std::string::npos;
  }
  EXPECT_TRUE(documents) << run.out;
  EXPECT_TRUE(item) << run.out;
}

// Visio may run in another folder than tarvel-tree (started earlier, from
// elsewhere): a drawing named relative to where tarvel-tree runs is still
// that drawing.
TEST(TarvelTreeTest, ARelativeDrawingIsFoundWhereverVisioRuns) {
  const char* shared = std::getenv("TARVEL_SHARED_DIR");
  const std::string folder = shared ? std::string(shared) + "/vsdx" : "";
  if (folder.empty() || !std::ifstream(folder + "/aspose_Layers_Drawing1.vsdx")) {
    GTEST_SKIP() << "the drawing corpus is not there (TARVEL_SHARED_DIR/vsdx)";
  }
  tarvel_test::PrivateBus bus;
  ASSERT_TRUE(bus.Ok()) << bus.Error();
  // Visio, running from the root folder with its demo drawing.
  ASSERT_GT(tarvel_test::StartProgram(
                {"sh", "-c", "cd / && exec \"$0\" --demo", TARVEL_VISIO_BINARY}, bus.Environment()),
            0);
  ASSERT_TRUE(bus.WaitForName(standin::kVisioBusName, true)) << bus.Log();
  const ProgramRun run = tarvel_test::RunProgram(
      {"sh", "-c",
       "cd \"$1\" && exec \"$0\" aspose_Layers_Drawing1.vsdx --expand Application/Documents "
       "--depth 2",
       TARVEL_TREE_BINARY, folder},
      bus.Environment());
  ASSERT_EQ(run.status, 0) << run.err;
  // Beside the demo drawing and its stencil.
  EXPECT_NE(run.out.find("Item[3]   \"aspose_Layers_Drawing1.vsdx\""), std::string::npos)
      << run.out;
}

TEST(TarvelTreeTest, ABareRunShowsTheDemoApplicationAndItsChildren) {
  const ProgramRun run = RunTarvelTree({"--depth", "1"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 52u);
  EXPECT_EQ(lines[0].rfind("Application   \"", 0), 0u) << lines[0];
  std::vector<std::string> names;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    EXPECT_EQ(Indent(lines[i]), 2u) << lines[i];
    names.push_back(NameOf(lines[i]));
  }
  EXPECT_EQ(names, RowNames(TNodeClass::TND_IVApplication));
  for (const std::string line : {
           "  ObjectType   = 3 (=App)",
           "  Documents   (Count: 2) ",
           "  BuiltInToolbars (Count: 1)",
           "  ActiveDocument   \"Demo Drawing.vsdx\" ",
           "  ActiveWindow  \"Demo Drawing.vsdx:Page-1\" ",
           "  CustomMenus   {Not assigned}",
           "  EventInfo (Count: {LUT size unavaliable} )",
           "  Active   = -1 (=True)",
           "  Stat   = 0 (=00000000H)",
           "  Vbe   = {IDispatch not implemented}",
       }) {
    EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
  }

  // One level is what a bare run shows.
  const std::vector<std::string> bare = Lines(RunTarvelTree({}).out);
  ASSERT_EQ(bare.size(), lines.size());
  for (std::size_t i = 0; i < bare.size(); ++i) {
    if (NameOf(bare[i]) != "ProcessID") {
      EXPECT_EQ(bare[i], lines[i]);
    }
  }
}

TEST(TarvelTreeTest, ExpandReachesTheFirstShapeOfTheFirstPage) {
  const ProgramRun run =
      RunTarvelTree({"--expand", "Application/Documents/Item[1]/Pages/Item[1]/Shapes/Item[1]"});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> lines = Lines(run.out);
  // The demo drawing may grow: the counts are not what this is about.
  const std::vector<std::string> chain = {
      "  Documents   (Count: ",
      "    Item (Count: ",
      "      Item[1]   \"Demo Drawing.vsdx\" ",
      "        Pages   (Count: ",
      "          Item (Count: ",
      "            Item[1]   \"Page-1\" ",
      "              Shapes   (Count: ",
      "                Item (Count: ",
  };
  auto at = lines.begin();
  for (const std::string& link : chain) {
    at = std::find_if(at, lines.end(),
                      [&](const std::string& line) { return line.rfind(link, 0) == 0; });
    ASSERT_NE(at, lines.end()) << link;
  }
  // The shape, then its children one level further in, then its sibling.
  ++at;
  ASSERT_NE(at, lines.end());
  EXPECT_EQ(at->rfind("                  Item[1]  \"Order received on ", 0), 0u) << *at;
  EXPECT_NE(at->find("\": (Process/Sheet.1) "), std::string::npos) << *at;
  std::vector<std::string> children;
  for (++at; at != lines.end() && Indent(*at) == 20; ++at) children.push_back(NameOf(*at));
  EXPECT_EQ(children, RowNames(TNodeClass::TND_IVShape));
  ASSERT_NE(at, lines.end());
  EXPECT_EQ(at->rfind("                  Item[2]  ", 0), 0u) << *at;

  // The element may also follow its array by name.
  const ProgramRun longer =
      RunTarvelTree({"--expand", "Documents/Item/Item[1]/Pages/Item/Item[1]/Shapes/Item/Item[1]"});
  const std::vector<std::string> same = Lines(longer.out);
  ASSERT_EQ(same.size(), lines.size());
  for (std::size_t i = 0; i < same.size(); ++i) {
    if (NameOf(same[i]) != "ProcessID") {
      EXPECT_EQ(same[i], lines[i]);
    }
  }
}

TEST(TarvelTreeTest, APathThatMatchesNothingNamesTheChildrenThere) {
  struct Case {
    std::string path;
    std::string err;
  };
  for (const Case& c : std::vector<Case>{
           {"Documents/Item[9]",
            "no item \"Item[9]\" under Application/Documents/Item; its children are: Item[1], "
            "Item[2]"},
           {"Application/Documents/Pages",
            "no item \"Pages\" under Application/Documents; its children are: ObjectType, Count, "
            "Item, EventList, Application_, PersistsEvents"},
           {"CustomMenus/Name",
            "no item \"Name\" under Application/CustomMenus, which has no children"},
       }) {
    const ProgramRun run = RunTarvelTree({"--expand", c.path});
    EXPECT_EQ(run.status, 2) << c.path;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "tarvel-tree: " + c.err + "\n");
  }
}

// --code prints the expression of the item at a path, in process and
// across processes alike; the shape a --selected-shape tree starts at is
// traced back to the application.
TEST(TarvelTreeTest, CodePrintsTheExpressionOfTheItemAtAPath) {
  const std::string shape = "Documents/Item[1]/Pages/Item[1]/Shapes/Item[2]";
  const std::string toShape = ".Documents.Item(1).Pages.ItemU(\"Page-1\").Shapes.ItemFromID(2)";
  const std::string toShapeCs =
      ".Documents[1].Pages.get_ItemU(\"Page-1\").Shapes.get_ItemFromID(2)";
  struct Case {
    std::vector<std::string> args;
    std::string out;
  };
  const std::vector<Case> cases = {
      {{"--code", "vba", shape + "/CellsSRC-Sections/S[1]/R[1]/CellSRC[0]"},
       "Application" + toShape +
           ".CellsSRC(visSectionObject, visRowXFormOut, visXFormPinX).Formula\n"},
      {{"--code", "python", shape + "/Text"}, "app" + toShape + ".Text\n"},
      {{"--code", "CSharp", "Application/" + shape + "/CellsSRC-Sections/S[1]"},
       "// section visSectionObject is no object: this is its shape\napp" + toShapeCs + "\n"},
      {{"--selected-shape", "--code", "vba", "CellsSRC-Sections/S[243]/R[0]/CellSRC[0]"},
       "Application.Documents.Item(1).Pages.ItemU(\"Page-1\").Shapes.ItemFromID(1)"
       ".CellsU(\"Prop.Cost\").Formula\n"},
  };
  for (const Case& c : cases) {
    std::string what;
    for (const std::string& a : c.args) what += " " + a;
    for (const ProgramRun& run : {RunTarvelTreeInProcess(c.args), RunTarvelTree(c.args)}) {
      EXPECT_EQ(run.status, 0) << what << ": " << run.err;
      EXPECT_EQ(run.err, "") << what;
      EXPECT_EQ(run.out, c.out) << what;
    }
  }

  // A path that matches nothing is a usage error, as with --expand.
  const ProgramRun bad = RunTarvelTreeInProcess({"--code", "vba", "Windows/Nope"});
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(bad.out, "");
  EXPECT_EQ(bad.err.rfind("tarvel-tree: no item \"Nope\" under Application/Windows; ", 0), 0u)
      << bad.err;
}

// On a desktop whose numbers take a decimal comma, tarvel-visio starts,
// computes its drawing and answers as anywhere else; only the tree's own
// captions write their numbers the desktop's way.
TEST(TarvelTreeTest, ADecimalCommaDesktopSeesTheSameDrawing) {
  std::string why;
  const auto locale = tarvel_test::DecimalCommaLocale(&why);
  if (!locale) GTEST_SKIP() << why;
  const std::vector<std::string> args = {
      "--expand", "Application/Documents/Item[1]/Pages/Item[1]/Shapes/Item[1]/CellsSRC-Sections/S[1]",
      "--depth", "2"};
  auto run = [&](const std::string& name) {
    tarvel_test::PrivateBus bus;
    if (!bus.Ok()) return ProgramRun{-1, "", bus.Error()};
    std::vector<std::string> environment = bus.Environment();
    environment.push_back("LC_ALL=" + name);
    if (const char* path = std::getenv("LOCPATH")) {
      environment.push_back(std::string("LOCPATH=") + path);
    }
    std::vector<std::string> argv = {TARVEL_TREE_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    return tarvel_test::RunProgram(argv, environment);
  };
  const ProgramRun classic = run("C");
  ASSERT_EQ(classic.status, 0) << classic.err;
  const ProgramRun comma = run(*locale);
  ASSERT_EQ(comma.status, 0) << comma.err;
  const std::vector<std::string> a = Lines(classic.out), b = Lines(comma.out);
  ASSERT_EQ(a.size(), b.size());
  int commas = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].find("ProcessID") != std::string::npos) continue;  // another server each run
    std::string same = b[i];
    std::replace(same.begin(), same.end(), ',', '.');
    EXPECT_EQ(same, a[i]);
    commas += b[i] != a[i];
  }
  EXPECT_GT(commas, 0) << "no number was written with a comma";
}

TEST(TarvelTreeTest, SectionsInTheNoItemMessageAreNamedOnce) {
  const ProgramRun run = RunTarvelTree(
      {"--expand", "Application/Documents/Item[1]/Pages/Item[1]/Shapes/Item[1]/CellsSRC-Sections/S[99]"});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("its children are: S[1], S[2], S[3], "), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("S[1][1]"), std::string::npos) << run.err;
  // A section named that way is found.
  EXPECT_EQ(RunTarvelTree({"--expand",
                           "Application/Documents/Item[1]/Pages/Item[1]/Shapes/Item[1]/"
                           "CellsSRC-Sections/S[10]"})
                .status,
            0);
}

TEST(TarvelTreeTest, EachCaptionIsOneLineWithControlCharactersEscaped) {
  const ProgramRun run = RunTarvelTree(
      {"--expand", "Application/Documents/Item[1]/Pages/Item[1]/Shapes/Item[1]", "--depth", "1"});
  ASSERT_EQ(run.status, 0) << run.err;
  // The first shape's text holds tabs.
  EXPECT_NE(run.out.find("\\tplaced\\tby phone\""), std::string::npos) << run.out;
  for (const char c : run.out) EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20);
}

TEST(TarvelTreeTest, SelectedShapeRootsTheTreeAtTheDemosSelection) {
  const ProgramRun run = RunTarvelTree({"--selected-shape", "--refresh"});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 52u);
  EXPECT_EQ(lines[0].rfind("Shape  \"Order received on ", 0), 0u) << lines[0];
  EXPECT_EQ(lines[3], "  Name   = \"Process\"");
}

namespace {

// The item after the first line that starts with `prefix`, and the lines
// that follow it at `indent` exactly.
std::vector<std::string> ChildrenAfter(const std::vector<std::string>& lines,
                                       const std::string& prefix, std::size_t indent) {
  auto at = std::find_if(lines.begin(), lines.end(),
                         [&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
  std::vector<std::string> children;
  if (at == lines.end()) return children;
  for (++at; at != lines.end() && Indent(*at) >= indent; ++at) {
    if (Indent(*at) == indent) children.push_back(at->substr(indent));
  }
  return children;
}

}  // namespace

TEST(TarvelTreeTest, TheFirstShapesSheetShowsSectionsRowsAndCells) {
  const ProgramRun run = RunTarvelTree(
      {"--expand", "Application/Documents/Item[1]/Pages/Item[1]/Shapes/Item[1]/CellsSRC-Sections",
       "--depth", "3"});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> lines = Lines(run.out);
  const std::vector<std::string> sections =
      ChildrenAfter(lines, std::string(20, ' ') + "CellsSRC-Sections", 22);
  ASSERT_EQ(sections.size(), 14U);
  EXPECT_EQ(sections.front(), "S[1]: Object (R: 9) (Local)");
  EXPECT_EQ(sections[9], "S[10]: Geometry[1] (R: 6) (Inherited)");
  EXPECT_EQ(sections.back(), "S[243]: Prop (R: 3) (Local)");
  const std::vector<std::string> transform =
      ChildrenAfter(lines, std::string(24, ' ') + "R[1]: Shape Transform", 26);
  ASSERT_EQ(transform.size(), 10U);
  EXPECT_EQ(transform[7], R"(CellSRC[7]   "FlipX" = "FALSE" (="False"))");
}

TEST(TarvelTreeTest, TheActiveWindowsDockedStencilsAreListed) {
  const ProgramRun run =
      RunTarvelTree({"--expand", "Application/ActiveWindow/DockedStencils_Func", "--depth", "3"});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> lines = Lines(run.out);
  EXPECT_EQ(
      ChildrenAfter(lines, "    DockedStencils_Func (Count: 1)", 6),
      (std::vector<std::string>{"DockedStencil[0]   = /usr/share/tarvel/demo/Demo Shapes.vssx"}));
}

namespace {

// Across processes the tree is the same as in process but for what tells
// the processes apart: the Application's ProcessID, and its Path (the
// folder of the program Visio runs in: tarvel-tree's in process,
// tarvel-visio's across), which the Application's caption and every
// Application_ caption show too. Exactly those lines are masked, each only
// when it shows the expected folder; every other line must be equal.
std::string MaskProcessLines(const std::string& text, const std::string& programFolder) {
  const std::string folder = "\"" + programFolder + "/\"";
  std::string masked;
  for (const std::string& line : Lines(text)) {
    const std::string name = NameOf(line);
    const std::string indent(Indent(line), ' ');
    if ((name == "Application" || name == "Application_") &&
        line == indent + name + "   " + folder + " ") {
      masked += indent + name + "   \"<program folder>/\" \n";
    } else if (name == "Path" && line == indent + "Path   = " + folder) {
      masked += indent + "Path   = \"<program folder>/\"\n";
    } else if (name == "ProcessID" && line.rfind(indent + "ProcessID   = ", 0) == 0) {
      masked += indent + "ProcessID   = <process ID>\n";
    } else {
      masked += line + "\n";
    }
  }
  return masked;
}

std::string FolderOf(const std::string& program) {
  return std::filesystem::path(program).parent_path().string();
}

}  // namespace

TEST(TarvelTreeTest, AcrossProcessesTheTreeIsTheOneShownInProcess) {
  const char* shared = std::getenv("TARVEL_SHARED_DIR");
  const std::string corpusFile =
      shared ? std::string(shared) + "/vsdx/aspose_Layers_Drawing1.vsdx" : std::string();
  const std::string firstShape = "Application/Documents/Item[1]/Pages/Item[1]/Shapes/Item[1]";
  struct Case {
    std::vector<std::string> args;
    bool needsCorpus;
  };
  const std::vector<Case> cases = {
      {{"--depth", "3"}, false},
      {{"--expand", firstShape + "/CellsSRC-Sections", "--depth", "2"}, false},
      {{"--selected-shape", "--depth", "2"}, false},
      {{corpusFile, "--depth", "3"}, true},
      {{corpusFile, "--expand", firstShape, "--depth", "2"}, true},
  };
  for (const Case& c : cases) {
    std::string what;
    for (const std::string& a : c.args) what += " " + a;
    if (c.needsCorpus && (corpusFile.empty() || !std::ifstream(corpusFile))) {
      std::cout << "skipped" << what
                << ": the drawing corpus is not there (TARVEL_SHARED_DIR/vsdx)\n";
      continue;
    }
    const ProgramRun inProcess = RunTarvelTreeInProcess(c.args);
    const ProgramRun across = RunTarvelTree(c.args);
    ASSERT_EQ(inProcess.status, 0) << what << ": " << inProcess.err;
    ASSERT_EQ(across.status, 0) << what << ": " << across.err;
    EXPECT_EQ(across.err, "") << what;
    const std::string expected = MaskProcessLines(inProcess.out, FolderOf(TARVEL_TREE_BINARY));
    const std::string actual = MaskProcessLines(across.out, FolderOf(TARVEL_VISIO_BINARY));
    // The runs went different ways, and the masks found the folders.
    EXPECT_NE(across.out, inProcess.out) << what;
    EXPECT_NE(expected.find("\"<program folder>/\""), std::string::npos) << what;
    EXPECT_GT(Lines(expected).size(), 100u) << what;
    EXPECT_EQ(actual, expected) << what;
  }
}

// --all-sections over real drawings: rows of today's types with their
// cells, today's sections and named rows by their names. Each case is one
// run with the row's parent section expanded, so that the row's caption and
// its cells are printed.
TEST(TarvelTreeTest, AllSectionsShowsTodaysRowsOfRealDrawings) {
  struct Case {
    const char* file;
    std::string section;  // path of the section to expand
    std::string row;      // the row's caption
    std::vector<std::string> cells;
  };
  const std::string page1 = "Application/Documents/Item[1]/Pages/Item[1]/Shapes/";
  const std::vector<Case> cases = {
      {"ibm_vpc_architecture.vstx",
       page1 + "Item[1]/CellsSRC-Sections/S[10]",
       "R[1]: Vertex (Tag: 141=InfiniteLine) (Local)",
       {R"c(CellSRC[0]   "Geometry1.X1" = "Width*0")c",
        R"c(CellSRC[1]   "Geometry1.Y1" = "Height*0.5")c",
        R"c(CellSRC[2]   "Geometry1.A1" = "IF(Width>0,Width,1DL)")c",
        R"c(CellSRC[3]   "Geometry1.B1" = "Height*0.5")c"}},
      {"poi_github260.vsdx",
       page1 + "Item[3]/Shapes/Item[1]/CellsSRC-Sections/S[249]",
       "R[0]: GradientStop (Tag: 0=Default) (Inherited)",
       {R"c(CellSRC[0]   "FillGradient.GradientStopColor" = "1")c",
        R"c(CellSRC[1]   "FillGradient.GradientStopColorTrans" = "0")c",
        R"c(CellSRC[2]   "FillGradient.GradientStopPosition" = "0")c"}},
      {"aspose_Layers_Drawing1.vsdx",
       page1 + "Item[1]/CellsSRC-Sections/S[244]",
       "R[0]: Hyperlink.Row_2 (Tag: 0=Default) (Local)",
       {R"c(CellSRC[0]   "Hyperlink.Row_2.Description" = ""Description is here"")c",
        R"c(CellSRC[1]   "Hyperlink.Row_2.Address" = ""http://www.google.com"")c",
        R"c(CellSRC[2]   "Hyperlink.Row_2.SubAddress" = ""Sub-address"")c",
        R"c(CellSRC[3]   "Hyperlink.Row_2.ExtraInfo" = """")c",
        R"c(CellSRC[4]   "Hyperlink.Row_2.Frame" = """")c",
        R"c(CellSRC[5]   "Hyperlink.Row_2.NewWindow" = "FALSE")c",
        R"c(CellSRC[7]   "Hyperlink.Row_2.Default" = "FALSE")c",
        R"c(CellSRC[8]   "Hyperlink.Row_2.Invisible" = "FALSE")c",
        R"c(CellSRC[15]   "Hyperlink.Row_2.SortKey" = """")c"}},
      {"aspose_Layers_Drawing1.vsdx",
       page1 + "Item[1]/CellsSRC-Sections/S[243]",
       "R[0]: Prop.Cost (Tag: 0=Default) (Inherited)",
       {}},
  };
  for (const Case& c : cases) {
    const std::string file = tarvel_test::SharedFile("vsdx/" + std::string(c.file));
    if (file.empty()) GTEST_SKIP() << "the drawing corpus is not there (TARVEL_SHARED_DIR/vsdx)";
    const ProgramRun run =
        RunTarvelTree({file, "--all-sections", "--expand", c.section, "--depth", "2"});
    ASSERT_EQ(run.status, 0) << c.file << ": " << run.err;
    const std::vector<std::string> lines = Lines(run.out);
    const auto row = std::find_if(lines.begin(), lines.end(), [&](const std::string& line) {
      return line.find_first_not_of(' ') != std::string::npos &&
             line.substr(line.find_first_not_of(' ')) == c.row;
    });
    ASSERT_NE(row, lines.end()) << c.file << ": no " << c.row << "\n" << run.out;
    const std::vector<std::string> cells = ChildrenAfter(lines, *row, Indent(*row) + 2);
    if (c.cells.empty()) {
      EXPECT_FALSE(cells.empty()) << c.row;
    } else {
      EXPECT_EQ(cells, c.cells) << c.row;
    }
  }
}

// Without the option the same sheet shows the catalogue's sections and rows
// only: the section of today's hyperlinks is not there and the row of a
// type the catalogue lacks shows no cells.
TEST(TarvelTreeTest, WithoutAllSectionsTheSheetShowsTheCatalogueOnly) {
  const std::string file = tarvel_test::SharedFile("vsdx/ibm_vpc_architecture.vstx");
  if (file.empty()) GTEST_SKIP() << "the drawing corpus is not there (TARVEL_SHARED_DIR/vsdx)";
  const std::string sheet =
      "Application/Documents/Item[1]/Pages/Item[1]/Shapes/Item[1]/CellsSRC-Sections";
  const ProgramRun run =
      RunTarvelTreeInProcess({file, "--expand", sheet + "/S[10]", "--depth", "2"});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> lines = Lines(run.out);
  const std::vector<std::string> sections =
      ChildrenAfter(lines, std::string(20, ' ') + "CellsSRC-Sections", 22);
  ASSERT_EQ(sections.size(), 14U);
  EXPECT_EQ(sections.back(), "S[243]: Prop (R: 0) (Doesn't Exist)");
  const std::vector<std::string> rows =
      ChildrenAfter(lines, std::string(22, ' ') + "S[10]: Geometry[1]", 24);
  ASSERT_EQ(rows.size(), 2U);
  EXPECT_EQ(rows[1], "R[1]: Vertex (Tag: 141=none) (Local)");
  EXPECT_EQ(ChildrenAfter(lines, std::string(24, ' ') + "R[1]: Vertex", 26).size(), 0U);
}
