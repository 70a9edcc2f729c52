// The edit node window: guarding formulas, loading a node, saving values and
// cell formulas (also into a master's opened copy), and its openers.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QPointer>
#include <QPushButton>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "lut/Tarvel_LUTShow.h"
#include "standin/Application.h"
#include "standin/Demo.h"
#include "tests/lut/RecordingMessagePort.h"
#include "tests/support/UnderWindowManager.h"
#include "tests/tree/DemoTreeTest.h"
#include "tests/tools/ToolsTestSupport.h"
#include "tests/tree/FakeApplication.h"
#include "tests/tree/TreeTestSupport.h"
#include "tools/Tarvel_NodeEdit.h"
#include "tree/VisObjectNodes.h"
#include "visio/ErrorText.h"

namespace {

using automation::ObjectRef;
using automation::Variant;
using fake::FakeRef;
using test_support::Where;
using tools_test::ModalRunnerScope;
using tools_test::Text;
using tree_test::Child;
using tree_test::Expanded;

// What the user types into the memo.
void Type(Tfm_NodeEdit& editor, const std::string& text) {
  editor.mm_Edit->setPlainText(QString::fromStdString(text));
}

TEST(GuardTextTest, GuardWrapsWhateverTheTextHolds) {
  EXPECT_EQ(GuardText(""), "Guard()");
  EXPECT_EQ(GuardText(" 5 "), "Guard( 5 )");
  EXPECT_EQ(GuardText("Guard(x)"), "Guard(Guard(x))");
  EXPECT_EQ(GuardText("1\n2"), "Guard(1\n2)");
}

TEST(GuardTextTest, UnguardTakesTheArgumentOfAWrapperAroundTheWholeText) {
  struct Case {
    std::string text;
    std::optional<std::string> inner;
  };
  const std::vector<Case> cases = {
      {"  guard(Width*2)  ", "Width*2"},
      {"GUARD()", ""},
      {"GUARD(x) ", "x"},
      {"\r\nGuArD(1)\t", "1"},
      {"Guard( 5 )", " 5 "},
      {"Guard(Guard(5))", "Guard(5)"},
      {"GUARD(IF(A,\"(\",B))", "IF(A,\"(\",B)"},
      {"GUARD(\")\"\"\")", "\")\"\"\""},
      {"GUARD(", std::nullopt},
      {"GUARD(1", std::nullopt},
      {"GUARD)", std::nullopt},
      {"GUARDS(1)", std::nullopt},
      {"5", std::nullopt},
      {"", std::nullopt},
      // Starts and ends like a wrapper, but the first call closes early.
      {"GUARD(1)+GUARD(2)", std::nullopt},
      {"GUARD((1)", std::nullopt},
      {"GUARD(\"x)", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(UnguardText(c.text), c.inner);
  }
}

class NodeEditTest : public tree_test::TreeTest {
 protected:
  void SetUp() override {
    TreeTest::SetUp();
    root = &MakeApplicationRoot(tree, ObjectRef(visio.app));
    app = &Expanded(*root->TreeNode);
  }
  void TearDown() override {
    tree.Clear();
    TreeTest::TearDown();
  }

  // The editor for `node`, shown as the opener shows it.
  static std::unique_ptr<Tfm_NodeEdit> Editor(TTVNodeData& node) {
    auto editor = std::make_unique<Tfm_NodeEdit>();
    editor->Node = &node;
    editor->show();
    return editor;
  }

  template <class T>
  T& Root(const char* name, const ObjectRef& object) {
    T& node = MakeNode<T>(name, -1, tree, nullptr, nullptr, kNoIndex, TAccessKind::ReadOnly,
                          TIndexStyle::NoIndex, TVisObjSource::SupplyOnCreate, TNodeKind::VisObject,
                          nullptr, nullptr);
    node.VisObj = object;
    node.Refresh(0);
    return node;
  }

  RecordingMessagePort messages;
  fake::FakeApplication visio;
  TTreeModel tree;
  TND_IVApplication* root = nullptr;
  TTreeItem* app = nullptr;
};

TEST_F(NodeEditTest, ControlsStandWhereTheFormPutsThemInTheirTabOrder) {
  Tfm_NodeEdit editor;
  EXPECT_EQ(editor.windowTitle(), "Edit Node");
  EXPECT_EQ(editor.size(), QSize(490, 116));
  EXPECT_FALSE(editor.windowFlags().testFlag(Qt::WindowCloseButtonHint));
  EXPECT_EQ(editor.Panel1->height(), 49);
  struct Label {
    QLabel* label;
    const char* caption;
    QPoint at;
  };
  for (const Label& l : std::vector<Label>{{editor.Label1, "Type:", {4, 26}},
                                           {editor.lb_Type, "a type", {40, 26}},
                                           {editor.Label3, "Name:", {4, 4}},
                                           {editor.lb_Name, "a name", {40, 4}}}) {
    SCOPED_TRACE(l.caption);
    EXPECT_EQ(Text(*l.label), l.caption);
    EXPECT_EQ(l.label->pos(), l.at);
  }
  EXPECT_EQ(editor.lb_Type->size(), QSize(201, 17));
  EXPECT_EQ(editor.lb_Name->size(), QSize(201, 17));
  struct Button {
    QPushButton* button;
    const char* caption;
    QRect at;
  };
  const std::vector<Button> buttons = {{editor.bt_Save, "Save", {376, 4, 49, 20}},
                                       {editor.bt_Cancel, "Close", {432, 4, 49, 20}},
                                       {editor.bt_SaveClose, "Save + Close", {376, 26, 105, 20}},
                                       {editor.bt_Guard, "Guard", {248, 4, 49, 20}},
                                       {editor.bt_Unguard, "UnGuard", {248, 26, 49, 20}},
                                       {editor.bt_Constants, "Constants", {304, 4, 65, 20}}};
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    const Button& b = buttons[i];
    SCOPED_TRACE(b.caption);
    EXPECT_EQ(b.button->text(), b.caption);
    // Where designed; wider only where the desktop's font needs it.
    const QRect at = b.button->geometry();
    EXPECT_EQ(at.topLeft(), b.at.topLeft());
    EXPECT_EQ(at.height(), b.at.height());
    EXPECT_GE(at.width(), b.at.width());
    if (at.width() > b.at.width()) {
      EXPECT_LE(at.width(), b.button->fontMetrics().horizontalAdvance(b.button->text()) + 8);
    }
    EXPECT_EQ(b.button->isDefault(), b.button == editor.bt_Cancel);
    QWidget* next = editor.mm_Edit;
    if (i + 1 < buttons.size()) next = buttons[i + 1].button;
    EXPECT_EQ(b.button->nextInFocusChain(), next) << "tab order";
  }
  EXPECT_EQ(Text(*editor.mm_Edit), "mm_Edit");
  EXPECT_EQ(editor.mm_Edit->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
}

TEST_F(NodeEditTest, LoadingShowsTheRawValueWithTheNodesNameAndType) {
  visio.documents->items[0]->Set("PrintScale", Variant(1.5));
  TTreeItem& document = Expanded(Child(*app, "ActiveDocument"));
  struct Case {
    TTreeItem& item;
    std::string name;
    std::string type;
    std::string memo;
  };
  const std::vector<Case> cases = {
      {Child(*app, "UserName"), "UserName", "WideString", std::string(150, 'u')},
      {Child(*app, "Active"), "Active", "Smallint", "-1"},
      {Child(*app, "InstanceHandle32"), "InstanceHandle32", "Integer", "4194304"},
      {Child(document, "PrintScale"), "PrintScale", "Double", "1.5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto editor = Editor(*c.item.Data());
    EXPECT_EQ(Text(*editor->lb_Name), c.name);
    EXPECT_EQ(Text(*editor->lb_Type), c.type);
    EXPECT_EQ(Text(*editor->mm_Edit), c.memo);
  }

  // A node that cannot be edited leaves the design captions.
  const auto editor = Editor(*Child(*app, "Addons").Data());
  EXPECT_EQ(Text(*editor->lb_Name), "a name");
  EXPECT_EQ(Text(*editor->lb_Type), "a type");
  EXPECT_EQ(Text(*editor->mm_Edit), "");
  EXPECT_TRUE(messages.messages.empty());
}

TEST_F(NodeEditTest, LoadingACellShowsItsFormulaAndNameOrWhyItCannotBeRead) {
  const FakeRef named = fake::Make();
  named->Set("Formula", "Width*0.5").Set("Name", "LocPinX");
  auto editor = Editor(Root<TND_IVCell>("Cell", named));
  EXPECT_EQ(Text(*editor->lb_Name), "Cell - \"LocPinX\"");
  EXPECT_EQ(Text(*editor->lb_Type), "Cell");
  EXPECT_EQ(Text(*editor->mm_Edit), "Width*0.5");
  EXPECT_TRUE(editor->Cell);

  const FakeRef unnamed = fake::Make();
  unnamed->Set("Formula", "1").Set("Name", "");
  editor = Editor(Root<TND_IVCell>("Cell", unnamed));
  EXPECT_EQ(Text(*editor->lb_Name), "Cell");
  EXPECT_EQ(Text(*editor->mm_Edit), "1");
  EXPECT_TRUE(messages.messages.empty());

  const FakeRef gone = fake::Make();
  gone->Set("Name", "Width").Fail("Formula", automation::E_FAIL, " Cell is gone. ");
  editor = Editor(Root<TND_IVCell>("Cell", gone));
  EXPECT_EQ(Text(*editor->lb_Name), "Cell");
  EXPECT_EQ(Text(*editor->mm_Edit), " EXCEPTION: \"Cell is gone.\"");
  EXPECT_EQ(messages.messages,
            std::vector<std::string>{"Sorry, can't edit due to:  EXCEPTION: \"Cell is gone.\""});
  EXPECT_TRUE(editor->isVisible());

  // A cell node without a cell: nothing to load, and a save fails cleanly.
  messages.messages.clear();
  editor = Editor(Root<TND_IVCell>("Cell", ObjectRef()));
  EXPECT_EQ(Text(*editor->lb_Name), "Cell");
  EXPECT_EQ(Text(*editor->mm_Edit), "");
  EXPECT_FALSE(editor->SaveToNode());
  ASSERT_EQ(messages.messages.size(), 1u);
  EXPECT_EQ(messages.messages[0].rfind("Save caused error: Error - Set value failed {", 0), 0u)
      << messages.messages[0];
}

TEST_F(NodeEditTest, GuardAndUnguardWorkOnTheMemo) {
  const auto editor = Editor(*Child(*app, "UserName").Data());
  Type(*editor, " 5 ");
  editor->bt_Guard->click();
  EXPECT_EQ(Text(*editor->mm_Edit), "Guard( 5 )");
  editor->bt_Unguard->click();
  EXPECT_EQ(Text(*editor->mm_Edit), " 5 ");
  EXPECT_TRUE(messages.messages.empty());

  editor->bt_Unguard->click();
  EXPECT_EQ(Text(*editor->mm_Edit), " 5 ");
  EXPECT_EQ(messages.messages, std::vector<std::string>{"Sorry -- doesn't seem to be Guarded"});
}

TEST_F(NodeEditTest, SavingWritesTheTextUnchangedAndUpdatesTheNodesCaption) {
  TTreeItem& userName = Child(*app, "UserName");
  const auto editor = Editor(*userName.Data());
  const std::string text = "  Kim\nLee\xC2\xA0Jr  ";
  Type(*editor, text);
  editor->bt_Save->click();
  ASSERT_EQ(visio.app->writes.size(), 1u);
  EXPECT_EQ(visio.app->writes[0], std::make_pair(std::string("UserName"), Variant(text)));
  EXPECT_EQ(userName.Text(), "UserName   = \"" + text + "\"");
  EXPECT_TRUE(editor->isVisible()) << "Save keeps the window open";
  EXPECT_EQ(Text(*editor->mm_Edit), text);

  Type(*editor, "Ann");
  editor->bt_SaveClose->click();
  EXPECT_FALSE(editor->isVisible());
  EXPECT_EQ(editor->result(), QDialog::Accepted);
  EXPECT_EQ(visio.app->writes.back().second, Variant("Ann"));
  EXPECT_TRUE(messages.messages.empty());
}

TEST_F(NodeEditTest, ALongStringIsLoadedAndSavedWhole) {
  std::string text;
  while (text.size() < 20400) text += "line " + std::to_string(text.size()) + " ";
  visio.app->Set("UserName", Variant(text));
  TTreeItem& userName = Child(*app, "UserName");
  const auto editor = Editor(*userName.Data());
  EXPECT_EQ(Text(*editor->mm_Edit), text);
  visio.app->writes.clear();
  editor->bt_Save->click();
  ASSERT_EQ(visio.app->writes.size(), 1u);
  EXPECT_EQ(visio.app->writes[0].second, Variant(text));
  EXPECT_TRUE(messages.messages.empty());
}

TEST_F(NodeEditTest, AFailedSaveIsReportedAndTheWindowKeepsTheUsersText) {
  visio.app->Fail("UserName", automation::E_FAIL, " Not now. ");
  struct Case {
    const char* property;
    std::string text;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"UserName", "Kim", "Save caused error: Error - Set value failed {Not now.}"},
      {"AlertResponse", "abc",
       "Save caused error: Error - Set value failed {'abc' is not a valid integer value}"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.property);
    messages.messages.clear();
    const auto editor = Editor(*Child(*app, c.property).Data());
    Type(*editor, c.text);
    editor->bt_SaveClose->click();
    EXPECT_EQ(messages.messages, std::vector<std::string>{c.message});
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(Text(*editor->mm_Edit), c.text);
  }
}

TEST_F(NodeEditTest, AMasterThatWillNotOpenStillGetsTheFormulaInTheNodesOwnCell) {
  fake::FakeMasterShape m(false);
  m.cell->Set("FormulaForce", Variant(""));
  m.master->Fail("Open", automation::E_FAIL, "Master is locked.");
  const auto editor = Editor(Root<TND_IVCell>("Cell", m.cell));
  Type(*editor, "2 in");
  editor->bt_SaveClose->click();
  ASSERT_EQ(m.cell->writes.size(), 1u);
  EXPECT_EQ(m.cell->writes[0], std::make_pair(std::string("FormulaForce"), Variant("2 in")));
  EXPECT_EQ(messages.messages,
            std::vector<std::string>{"Save caused error: Error - Master.Open failed { {Master is "
                                     "locked.}}"});
  EXPECT_TRUE(editor->isVisible());
}

TEST_F(NodeEditTest, AWriteTheMasterCopyRefusesLeavesTheCopyUnclosed) {
  fake::FakeMasterShape m(true);
  m.copyCell->Fail("FormulaForce", automation::E_FAIL, " Protected. ");
  const auto editor = Editor(Root<TND_IVCell>("Cell", m.cell));
  Type(*editor, "2 in");
  EXPECT_FALSE(editor->SaveToNode());
  EXPECT_EQ(messages.messages,
            std::vector<std::string>{"Save caused error: Error - Set value failed {Protected.}"});
  EXPECT_TRUE(m.cell->writes.empty());
  for (const std::string& call : m.copy->calls) EXPECT_NE(call, "Call Close");
}

TEST_F(NodeEditTest, ConstantsOpensTheTablesBesideTheEditorOrSaysThereAreNone) {
  QPointer<QDialog> shown;
  ModalRunnerScope runner([&](QDialog& dialog) {
    shown = &dialog;
    auto& window = dynamic_cast<Tfm_LUTShow&>(dialog);
    EXPECT_EQ(window.Node, Child(*app, "Active").Data());
    EXPECT_EQ(window.parentWidget(), dialog.parentWidget());
    window.close();
  });
  auto editor = Editor(*Child(*app, "UserName").Data());
  editor->bt_Constants->click();
  EXPECT_EQ(runner.runs, 0);
  EXPECT_EQ(messages.messages, std::vector<std::string>{"No constant info available"});

  editor = Editor(*Child(*app, "Active").Data());
  editor->move(200, 100);
  editor->bt_Constants->click();
  ASSERT_EQ(runner.runs, 1);
  EXPECT_TRUE(shown.isNull());
  EXPECT_EQ(messages.messages.size(), 1u);
}

TEST_F(NodeEditTest, TheOpenerShowsTheEditorBesideItAndReleasesItsCellOnClose) {
  fake::FakeMasterShape m(false);
  m.cell->Set("FormulaForce", Variant(""));
  m.copyCell->Set("FormulaForce", Variant(""));
  TND_IVCell& cell = Root<TND_IVCell>("Cell", m.cell);
  QWidget opener;
  opener.move(300, 200);
  QPointer<QDialog> shown;
  ModalRunnerScope runner([&](QDialog& dialog) {
    shown = &dialog;
    auto& editor = dynamic_cast<Tfm_NodeEdit&>(dialog);
    EXPECT_EQ(editor.parentWidget(), &opener);
    EXPECT_EQ(editor.pos(), QPoint(332, 232));
    EXPECT_EQ(editor.Node, &cell);
    editor.show();
    EXPECT_EQ(Text(*editor.mm_Edit), "1 in");
    EXPECT_TRUE(editor.Cell);
    editor.bt_Cancel->click();
    EXPECT_FALSE(editor.Cell);
    EXPECT_EQ(editor.result(), QDialog::Rejected);
  });
  OpenNodeEditor(&opener, cell);
  EXPECT_EQ(runner.runs, 1);
  EXPECT_TRUE(shown.isNull());
  EXPECT_TRUE(m.cell->writes.empty()) << "Close does not save";
  EXPECT_TRUE(m.copyCell->writes.empty()) << "Close does not save";
}

TEST_F(NodeEditTest, ClosingAToolWindowGivesTheKeyboardBackToItsOpener) {
  QWidget other;
  other.show();
  QWidget opener;
  opener.show();
  opener.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&opener, 2000));
  ModalRunnerScope runner([&](QDialog& dialog) {
    dialog.show();
    // Meanwhile another window took the keyboard (the main window, say).
    other.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&other, 2000));
    dialog.reject();
  });
  OpenNodeEditor(&opener, *Child(*app, "UserName").Data());
  EXPECT_TRUE(QTest::qWaitForWindowActive(&opener, 2000));
  EXPECT_EQ(QApplication::activeWindow(), &opener);
}

using NodeEditUnderWindowManager = test_support::UnderWindowManager<NodeEditTest>;

// Framed by a window manager, the editor's outer corner stands 32 pixels
// right of and below its opener's, title bars included, and so does the
// constants window's opened from the editor.
TEST_F(NodeEditUnderWindowManager, TheEditorAndItsConstantsStandBesideTheirOpenersOuterCorners) {
  QWidget opener;
  opener.resize(210, 370);
  opener.move(300, 200);
  const QRect openerFrame = test_support::SettledFrame(opener);
  QRect editorFrame;
  QRect constantsFrame;
  ModalRunnerScope runner([&](QDialog& dialog) {
    if (auto* editor = qobject_cast<Tfm_NodeEdit*>(&dialog)) {
      editorFrame = test_support::SettledFrame(*editor);
      editor->bt_Constants->click();
      editor->reject();
    } else {
      constantsFrame = test_support::SettledFrame(dialog);
      dialog.reject();
    }
  });
  OpenNodeEditor(&opener, *Child(*app, "Active").Data());
  ASSERT_EQ(runner.runs, 2);
  EXPECT_EQ(Where(editorFrame.topLeft()), Where(openerFrame.topLeft() + QPoint(32, 32)));
  EXPECT_EQ(Where(constantsFrame.topLeft()), Where(editorFrame.topLeft() + QPoint(32, 32)));
}

// Cells of the stand-in Visio's demo drawing, on a page and in masters.
class NodeEditDemoTest : public tree_test::DemoTreeTest {
 protected:

  static ObjectRef Item(const ObjectRef& object, const char* collection, Variant index) {
    return object.Get(collection).ToObject().Get("Item", {std::move(index)}).ToObject();
  }
  ObjectRef Drawing() const { return Item(ObjectRef(app), "Documents", Variant(std::int16_t{1})); }
  ObjectRef PageShape(const std::string& name) const {
    return Item(Item(Drawing(), "Pages", Variant(std::int16_t{1})), "Shapes", Variant(name));
  }

  // The node of the shape's cell Width (column 2 of the transform row) in
  // the shape's sheet, as the tree shows it.
  TTVNodeData& WidthNode(const ObjectRef& shape) {
    TTreeItem& sheet =
        Expanded(Child(Expanded(*MakeShapeRoot(tree, shape).TreeNode), "CellsSRC-Sections"));
    TTreeItem& transform = Expanded(*Expanded(*sheet.Item(0)).Item(0));
    return *transform.Item(2)->Data();
  }

  static std::string Width(const ObjectRef& shape) {
    return shape.Get("Cells", {Variant("Width")}).ToObject().Get("Formula").ToString();
  }

  RecordingMessagePort messages;
};

TEST_F(NodeEditDemoTest, ACellOfAMasterShapeIsSavedThroughTheMastersOpenedCopy) {
  const ObjectRef process =
      Item(Item(Drawing(), "Masters", Variant("Process")), "Shapes", Variant(std::int16_t{1}));
  const ObjectRef bay = Item(
      Item(Item(Item(Drawing(), "Masters", Variant("Server")), "Shapes", Variant(std::int16_t{1})),
           "Shapes", Variant(std::int16_t{2})),
      "Shapes", Variant(std::int16_t{1}));
  for (const ObjectRef& shape : {process, bay}) {
    SCOPED_TRACE(shape.Get("Name").ToString());
    TTVNodeData& node = WidthNode(shape);
    Tfm_NodeEdit editor;
    editor.Node = &node;
    editor.show();
    EXPECT_EQ(Text(*editor.lb_Name), "CellSRC - \"Width\"");
    EXPECT_EQ(Text(*editor.mm_Edit), Width(shape));

    Type(editor, "Guard(0.75 in)");
    editor.bt_SaveClose->click();
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_FALSE(editor.isVisible());
    // Only closing the opened copy commits it to the master.
    EXPECT_EQ(Width(shape), "Guard(0.75 in)");
    EXPECT_EQ(node.TreeNode->Text(), R"x(CellSRC[2]   "Width" = "Guard(0.75 in)")x");
  }
}

TEST_F(NodeEditDemoTest, ACellOnAPageIsWrittenItselfAndCountsAsSaved) {
  const ObjectRef shape = PageShape("Curvy");
  TTVNodeData& node = WidthNode(shape);
  Tfm_NodeEdit editor;
  editor.Node = &node;
  editor.show();
  EXPECT_EQ(Text(*editor.mm_Edit), "2 in");

  // A formula Visio rejects changes nothing and says why.
  std::string rejected;
  try {
    shape.Get("Cells", {Variant("Height")}).ToObject().Put("FormulaForce", Variant("Width*("));
  } catch (const automation::AutomationError& e) {
    rejected = TrimText(e.message());
  }
  ASSERT_FALSE(rejected.empty());
  Type(editor, "Width*(");
  editor.bt_SaveClose->click();
  EXPECT_EQ(
      messages.messages,
      std::vector<std::string>{"Save caused error: Error - Set value failed {" + rejected + "}"});
  EXPECT_TRUE(editor.isVisible());
  EXPECT_EQ(Width(shape), "2 in");

  messages.messages.clear();
  Type(editor, "3 in");
  editor.bt_SaveClose->click();
  EXPECT_TRUE(messages.messages.empty());
  EXPECT_FALSE(editor.isVisible());
  EXPECT_EQ(Width(shape), "3 in");
  EXPECT_EQ(node.TreeNode->Text(), R"(CellSRC[2]   "Width" = "3 in")");
}

}  // namespace

// Before a save reaches further than the cell's own shape, the window says
// so: for a master's shape and a style, not for a shape on a page. The
// warning adds to the window's height and goes with the next node.
TEST_F(NodeEditDemoTest, ACellEveryInheritingShapeSharesIsSaidToBeSharedBeforeSaving) {
  const ObjectRef process =
      Item(Item(Drawing(), "Masters", Variant("Process")), "Shapes", Variant(std::int16_t{1}));
  TTVNodeData& styleCell = MakeNode<TND_IVCell>(
      "Cell", -1, tree, nullptr, nullptr, kNoIndex, TAccessKind::ReadWrite, TIndexStyle::NoIndex,
      TVisObjSource::SupplyOnCreate, TNodeKind::VisObject, nullptr, nullptr);
  static_cast<TND_IVCell&>(styleCell).VisObj = Item(Drawing(), "Styles", Variant("Demo Accent"))
                                                   .Get("Cells", {Variant("LineWeight")})
                                                   .ToObject();
  struct Case {
    const char* what;
    TTVNodeData& node;
    std::string warning;
  };
  const std::vector<Case> cases = {
      {"page shape", WidthNode(PageShape("Curvy")), ""},
      {"master shape", WidthNode(process),
       R"(Shared cell of shape "Process" of master "Process": saving changes every shape that inherits it.)"},
      {"style", styleCell,
       R"(Shared cell of style "Demo Accent": saving changes every shape that inherits it.)"},
      {"page shape again", WidthNode(PageShape("Curvy")), ""},
  };
  Tfm_NodeEdit editor;
  int plain = 0;  // the shown window's height without a warning
  int memo = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    editor.Node = &c.node;
    editor.show();
    QCoreApplication::processEvents();  // the layout places the children
    EXPECT_EQ(editor.lb_Shared->text().toStdString(), c.warning);
    EXPECT_EQ(editor.lb_Shared->isVisible(), !c.warning.empty());
    if (plain == 0) {
      plain = editor.height();
      memo = editor.mm_Edit->height();
    } else if (c.warning.empty()) {
      EXPECT_EQ(editor.height(), plain);
    } else {
      EXPECT_GT(editor.height(), plain);
    }
    EXPECT_EQ(editor.mm_Edit->height(), memo);
    editor.hide();
  }
  EXPECT_TRUE(messages.messages.empty());
}
