#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs tarvel-tree with `args` (each passed as one word) and collects its exit
// status and both output streams.
RunResult RunTarvelTree(const std::vector<std::string>& args) {
  // Per process: ctest may run several of these tests at once.
  const std::string base = testing::TempDir() + "tarvel-tree-" + std::to_string(::getpid());
  const std::string outPath = base + ".out";
  const std::string errPath = base + ".err";
  std::string command = "'" TARVEL_TREE_BINARY "'";
  for (const std::string& arg : args) command += " '" + arg + "'";
  command += " >'" + outPath + "' 2>'" + errPath + "'";

  RunResult result;
  const int raw = std::system(command.c_str());
  if (raw != -1 && WIFEXITED(raw)) result.status = WEXITSTATUS(raw);
  result.out = ReadFile(outPath);
  result.err = ReadFile(errPath);
  std::remove(outPath.c_str());
  std::remove(errPath.c_str());
  return result;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool IsHeading(const std::string& line) {
  return !line.empty() && line.front() != ' ' && line.back() == ':';
}

}  // namespace

TEST(TarvelTreeTest, ConstantsListsEveryTableAndEveryEntry) {
  const RunResult run = RunTarvelTree({"--constants"});
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
  const RunResult run = RunTarvelTree({"--constants", "LUT_VisSectionIndices"});
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
  EXPECT_EQ(RunTarvelTree({"--constants", "Hex"}).out, "Hex:\n");
  EXPECT_EQ(RunTarvelTree({"--constants", "TrueFalse"}).out, "TrueFalse:\n");
}

TEST(TarvelTreeTest, AnUnknownTableNameIsAnError) {
  // Names are exact: the wrong letter case is unknown too.
  for (const std::string name : {"LUT_NoSuchTable", "lut_vissectionindices"}) {
    const RunResult run = RunTarvelTree({"--constants", name});
    EXPECT_EQ(run.status, 2) << name;
    EXPECT_EQ(run.out, "") << name;
    EXPECT_EQ(run.err, "tarvel-tree: no constant table named \"" + name + "\"\n");
  }
}

TEST(TarvelTreeTest, HelpPrintsUsage) {
  const RunResult run = RunTarvelTree({"--help"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out.rfind("Usage: tarvel-tree --constants [NAME]\n", 0), 0u) << run.out;
  EXPECT_NE(run.out.find("  --constants NAME    list only the table NAME"), std::string::npos);
}

TEST(TarvelTreeTest, BadCommandLinesAreUsageErrors) {
  struct Case {
    std::vector<std::string> args;
    std::string problem;
  };
  const std::vector<Case> cases = {
      {{}, "no command given"},
      {{"--frobnicate"}, "unknown option '--frobnicate'"},
      {{"drawing.vsdx"}, "unexpected argument 'drawing.vsdx'"},
      {{"--constants", "Hex", "TrueFalse"}, "--constants takes at most one table name"},
      {{"--help", "--constants"}, "--help takes no arguments"},
  };
  for (const Case& c : cases) {
    const RunResult run = RunTarvelTree(c.args);
    EXPECT_EQ(run.status, 2) << c.problem;
    EXPECT_EQ(run.out, "") << c.problem;
    EXPECT_EQ(run.err, "tarvel-tree: " + c.problem +
                           "\n"
                           "Usage: tarvel-tree --constants [NAME]\n"
                           "       tarvel-tree --help\n"
                           "Try 'tarvel-tree --help' for more information.\n");
  }
}
