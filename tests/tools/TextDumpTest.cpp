// The text detail window: the dump layout, and what the opener shows for a
// node.
#include <gtest/gtest.h>

#include <QPointer>
#include <string>
#include <vector>

#include "tests/support/UnderWindowManager.h"
#include "tests/tools/ToolsTestSupport.h"
#include "tests/tree/FakeApplication.h"
#include "tests/tree/TreeTestSupport.h"
#include "tools/Tarvel_TextDump.h"
#include "tree/VisObjectNodes.h"

namespace {

using automation::ObjectRef;
using test_support::Where;
using tools_test::Lines;
using tools_test::ModalRunnerScope;

std::string Blanks(std::size_t n) {
  return std::string(n, ' ');
}

TEST(TextDumpLinesTest, ShowsOffsetHexAndCharactersSixteenBytesALine) {
  struct Case {
    const char* what;
    std::string text;
    std::vector<std::string> lines;
  };
  const std::string full =
      "0001 |  30 31 32 33 34 35 36 37 38 39 41 42 43 44 45 46 | 0123456789ABCDEF";
  const std::vector<Case> cases = {
      {"empty", "", {}},
      {"a tab", "Hi\t", {"0001 |  48 69 09" + Blanks(39) + " | Hi."}},
      {"16 bytes", "0123456789ABCDEF", {full}},
      {"17 bytes", "0123456789ABCDEFG", {full, "0011 |  47" + Blanks(45) + " | G"}},
      {"control, blank, 126, 127 and high bytes",
       std::string("\x00\x1F\x20\x7E\x7F\x80\xFF", 7),
       {"0001 |  00 1F 20 7E 7F 80 FF" + Blanks(27) + " | .. ~\x7F.."}},
      {"UTF-8 is dumped byte by byte", "\xC3\xA9", {"0001 |  C3 A9" + Blanks(42) + " | .."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(TextDumpLines(c.text), c.lines);
  }
}

TEST(TextDumpLinesTest, LinesAreSeventyFourCharactersAndOffsetsCountOnPastFourDigits) {
  const std::vector<std::string> lines = TextDumpLines(std::string(65537, 'x'));
  ASSERT_EQ(lines.size(), 4097u);
  EXPECT_EQ(lines[1].substr(0, 7), "0011 | ");
  EXPECT_EQ(lines[4095].substr(0, 7), "FFF1 | ");
  EXPECT_EQ(lines[4096], "10001 |  78" + Blanks(45) + " | x");
  for (std::size_t i = 0; i < 4096; ++i) ASSERT_EQ(lines[i].size(), 74u) << i;
}

TEST(TextDumpWindowTest, StartsWithItsDesignContentAndDumpReplacesIt) {
  Tfm_TextDump window;
  EXPECT_EQ(window.size(), QSize(560, 126));
  EXPECT_EQ(tools_test::Text(*window.mem_Dump), "-- Text detail --");
  EXPECT_TRUE(window.mem_Dump->isReadOnly());
  EXPECT_EQ(window.mem_Dump->lineWrapMode(), QPlainTextEdit::NoWrap);
  EXPECT_EQ(window.mem_Dump->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(window.mem_Dump->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(window.mem_Dump->font().family(), "Courier New");
  EXPECT_TRUE(window.mem_Dump->font().fixedPitch());
  EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowCloseButtonHint));

  window.DumpText("0123456789ABCDEFG");
  EXPECT_EQ(Lines(*window.mem_Dump), TextDumpLines("0123456789ABCDEFG"));
  window.DumpText("");
  EXPECT_EQ(tools_test::Text(*window.mem_Dump), "");
}

class OpenTextDetailTest : public tree_test::TreeTest {
 protected:
  fake::FakeApplication visio;
  TTreeModel tree;
  TND_IVApplication& root = MakeApplicationRoot(tree, ObjectRef(visio.app));
  TTreeItem& app = tree_test::Expanded(*root.TreeNode);
};

TEST_F(OpenTextDetailTest, RefreshesTheNodeAndDumpsItsRawValueBesideTheOpener) {
  TTreeItem& userName = tree_test::Child(app, "UserName");
  // Longer than the window's limit: it arrives cut, unquoted, with "...".
  visio.app->Set("UserName", "\t" + std::string(10000, 'k'));
  QWidget opener;
  opener.move(100, 50);
  QPointer<QDialog> shown;
  std::vector<std::string> dump;
  ModalRunnerScope runner([&](QDialog& dialog) {
    shown = &dialog;
    const auto& window = dynamic_cast<Tfm_TextDump&>(dialog);
    EXPECT_EQ(window.windowTitle(), "Text detail for: UserName");
    EXPECT_EQ(window.parentWidget(), &opener);
    EXPECT_EQ(window.pos(), QPoint(132, 82));
    dump = Lines(*window.mem_Dump);
  });

  OpenTextDetail(&opener, *userName.Data());

  EXPECT_EQ(runner.runs, 1);
  EXPECT_TRUE(shown.isNull()) << "the window is released after it closes";
  ASSERT_EQ(dump.size(), 625u);
  EXPECT_EQ(dump.front(),
            "0001 |  09 6B 6B 6B 6B 6B 6B 6B 6B 6B 6B 6B 6B 6B 6B 6B | .kkkkkkkkkkkkkkk");
  EXPECT_EQ(dump.back(),
            "2701 |  6B 6B 6B 6B 6B 6B 6B 6B 6B 6B 6B 6B 6B 2E 2E 2E | kkkkkkkkkkkkk...");
  // The node was refreshed before its value was taken.
  EXPECT_EQ(userName.Text(), "UserName   = \"\tkkkk" + std::string(92, 'k') + "...\"");
}

using OpenTextDetailUnderWindowManager = test_support::UnderWindowManager<OpenTextDetailTest>;

// Framed by a window manager, the window's outer corner stands 32 pixels
// right of and below its opener's, title bars included.
TEST_F(OpenTextDetailUnderWindowManager, TheWindowStandsBesideTheOpenersOuterCorner) {
  QWidget opener;
  opener.resize(210, 370);
  opener.move(100, 50);
  const QRect openerFrame = test_support::SettledFrame(opener);
  QRect frame;
  ModalRunnerScope runner([&](QDialog& dialog) {
    frame = test_support::SettledFrame(dialog);
    dialog.reject();
  });
  OpenTextDetail(&opener, *tree_test::Child(app, "UserName").Data());
  ASSERT_EQ(runner.runs, 1);
  EXPECT_EQ(Where(frame.topLeft()), Where(openerFrame.topLeft() + QPoint(32, 32)));
}

}  // namespace
