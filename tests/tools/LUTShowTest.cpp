// The constant values window: its controls, the listing of a node's tables
// and the opener.
#include <gtest/gtest.h>

#include <QFrame>
#include <QPointer>
#include <QPushButton>
#include <algorithm>
#include <string>
#include <vector>

#include "lut/Tarvel_LUTListing.h"
#include "lut/Tarvel_LUTShow.h"
#include "lut/Tarvel_TreeNodeLUTs.h"
#include "tests/lut/RecordingMessagePort.h"
#include "tests/tools/ToolsTestSupport.h"
#include "tree/ValueNodes.h"

namespace {

using tools_test::Lines;
using tools_test::ModalRunnerScope;
using tools_test::Text;

class LUTShowTest : public testing::Test {
 protected:
  void SetUp() override { BuildVisioConstantCatalogue(); }

  TTVNodeData& Node(const char* name, const TLUT* indexLUT, const TLUT* valueLUT) {
    return MakeNode<TND_Smallint>(name, 0, tree, nullptr, nullptr, kNoIndex, TAccessKind::ReadOnly,
                                  TIndexStyle::NoIndex, TVisObjSource::NoVisObject,
                                  TNodeKind::SimpleProperty, indexLUT, valueLUT);
  }

  static std::vector<std::string> Listing(std::vector<const TLUT*> tables) {
    std::vector<std::string> lines;
    for (const TLUT* table : tables) {
      for (std::string& line : FormatLUTListing(*table)) lines.push_back(std::move(line));
    }
    return lines;
  }

  TTreeModel tree;
};

TEST_F(LUTShowTest, ControlsStandWhereTheFormPutsThem) {
  Tfm_LUTShow window;
  EXPECT_EQ(window.windowTitle(), "Look-up Constant Values");
  EXPECT_EQ(window.size(), QSize(450, 292));
  EXPECT_TRUE(window.windowFlags().testFlag(Qt::Tool));
  EXPECT_FALSE(window.windowFlags().testFlag(Qt::WindowCloseButtonHint));
  EXPECT_EQ(window.Panel1->height(), 49);

  struct Label {
    QLabel* label;
    const char* caption;
    QPoint at;
  };
  for (const Label& l : std::vector<Label>{{window.Label3, "Property", {8, 8}},
                                           {window.lb_PropName, "Property name", {72, 8}},
                                           {window.Label2, "Index LUT:", {8, 28}},
                                           {window.lb_IxLUTName, "Ix LUT name", {72, 28}},
                                           {window.Label1, "Value LUT:", {216, 28}},
                                           {window.lb_ValLUTName, "Val LUT name", {280, 28}}}) {
    SCOPED_TRACE(l.caption);
    EXPECT_EQ(Text(*l.label), l.caption);
    EXPECT_EQ(l.label->pos(), l.at);
    EXPECT_EQ(l.label->parentWidget(), window.Panel1);
  }
  for (QLabel* value : {window.lb_PropName, window.lb_IxLUTName, window.lb_ValLUTName}) {
    EXPECT_EQ(value->size(), QSize(137, 16));
  }
  EXPECT_EQ(window.bt_Close->text(), "Close");
  EXPECT_EQ(window.bt_Close->geometry(), QRect(280, 4, 59, 20));
  EXPECT_EQ(Text(*window.Memo1), "Memo1");
  EXPECT_TRUE(window.Memo1->isReadOnly());
  EXPECT_EQ(window.Memo1->lineWrapMode(), QPlainTextEdit::NoWrap);
  EXPECT_EQ(window.Memo1->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(window.Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(window.Memo1->font().family(), "Courier New");
  EXPECT_TRUE(window.Memo1->font().fixedPitch());
}

TEST_F(LUTShowTest, ListsTheIndexTableThenTheValueTable) {
  Tfm_LUTShow window;
  window.Node = &Node("Cells", LUT_VisSectionIndices, LUT_VisShapeIDs);
  window.FormShow();
  EXPECT_EQ(Text(*window.lb_PropName), "Cells");
  EXPECT_EQ(Text(*window.lb_IxLUTName), "LUT_VisSectionIndices");
  EXPECT_EQ(Text(*window.lb_ValLUTName), "LUT_VisShapeIDs");
  const std::vector<std::string> lines = Lines(*window.Memo1);
  EXPECT_EQ(lines, Listing({LUT_VisSectionIndices, LUT_VisShapeIDs}));
  // No blank line between the tables.
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(LUT_VisSectionIndices->Count() + 4));
  EXPECT_EQ(lines[0], "LUT_VisSectionIndices:");
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "       3 00000003H  visSectionCharacter"), 1);
  EXPECT_EQ(lines[lines.size() - 3], "LUT_VisShapeIDs:");
  EXPECT_EQ(lines[lines.size() - 2], "      -1 FFFFFFFFH  visInvalShapeID");
}

TEST_F(LUTShowTest, TablesThatAreMissingOrEmptyShowAsSuch) {
  struct Case {
    const char* name;
    const TLUT* indexLUT;
    const TLUT* valueLUT;
    std::string ixLabel;
    std::string valLabel;
    std::vector<std::string> memo;
  };
  const std::vector<Case> cases = {
      {"Active", nullptr, &LUT_TrueFalse, "none", "TrueFalse", {"TrueFalse:"}},
      {"Color", nullptr, &LUT_Hex, "none", "Hex", {"Hex:"}},
      {"Item",
       LUT_VisShapeIDs,
       nullptr,
       "LUT_VisShapeIDs",
       "none",
       {"LUT_VisShapeIDs:", "      -1 FFFFFFFFH  visInvalShapeID",
        "       0 00000000H  visPageSheetID"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Tfm_LUTShow window;
    window.Node = &Node(c.name, c.indexLUT, c.valueLUT);
    window.FormShow();
    EXPECT_EQ(Text(*window.lb_PropName), c.name);
    EXPECT_EQ(Text(*window.lb_IxLUTName), c.ixLabel);
    EXPECT_EQ(Text(*window.lb_ValLUTName), c.valLabel);
    EXPECT_EQ(Lines(*window.Memo1), c.memo);
  }

  // A table without a prefix lists the bare names.
  Tfm_LUTShow styles;
  styles.Node = &Node("Cells", LUT_StyleCellNames, nullptr);
  styles.FormShow();
  EXPECT_EQ(Lines(*styles.Memo1).at(1), "       0 00000000H  Char.Font");

  // Without a node everything is cleared.
  Tfm_LUTShow empty;
  empty.FormShow();
  EXPECT_EQ(Text(*empty.lb_PropName), "");
  EXPECT_EQ(Text(*empty.lb_IxLUTName), "none");
  EXPECT_EQ(Text(*empty.lb_ValLUTName), "none");
  EXPECT_EQ(Text(*empty.Memo1), "");
}

TEST_F(LUTShowTest, TheListingIsBuiltAgainOnEveryShowAndCloseHides) {
  Tfm_LUTShow window;
  window.Node = &Node("UICmds", nullptr, LUT_VisUICmds);
  window.show();
  EXPECT_EQ(Lines(*window.Memo1), Listing({LUT_VisUICmds}));
  window.bt_Close->click();
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.result(), QDialog::Rejected);

  window.Node = &Node("Active", nullptr, &LUT_TrueFalse);
  window.show();
  EXPECT_EQ(Lines(*window.Memo1), std::vector<std::string>{"TrueFalse:"});
  EXPECT_EQ(Text(*window.lb_PropName), "Active");
  window.close();
}

TEST_F(LUTShowTest, TheOpenerShowsTheNodeBesideItOrRefusesANodeWithoutTables) {
  RecordingMessagePort messages;
  QWidget opener;
  opener.move(10, 20);
  QPointer<QDialog> shown;
  std::vector<std::string> memo;
  ModalRunnerScope runner([&](QDialog& dialog) {
    shown = &dialog;
    auto& window = dynamic_cast<Tfm_LUTShow&>(dialog);
    EXPECT_EQ(window.parentWidget(), &opener);
    EXPECT_EQ(window.pos(), QPoint(42, 52));
    window.show();
    memo = Lines(*window.Memo1);
    window.bt_Close->click();
  });

  OpenConstantValues(&opener, Node("Plain", nullptr, nullptr));
  EXPECT_EQ(runner.runs, 0);
  EXPECT_EQ(messages.messages, std::vector<std::string>{"No constant info available"});

  OpenConstantValues(&opener, Node("Item", LUT_VisShapeIDs, nullptr));
  EXPECT_EQ(runner.runs, 1);
  EXPECT_EQ(memo, Listing({LUT_VisShapeIDs}));
  EXPECT_TRUE(shown.isNull()) << "the window is released after it closes";
  EXPECT_EQ(messages.messages.size(), 1u);
}

}  // namespace
