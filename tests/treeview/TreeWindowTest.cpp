// The tree view window: how it is made, how its view and the node tree
// follow each other, what its popup menu offers for each kind of node, and
// what the menu commands do.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QBrush>
#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFont>
#include <QGuiApplication>
#include <QMenu>
#include <QPalette>
#include <QPointer>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/UnderWindowManager.h"
#include "tests/treeview/TreeViewTestSupport.h"
#include "tree/ValueNodes.h"
#include "tree/VisObjectNodes.h"

namespace {

using automation::ObjectRef;
using automation::Variant;
using treeview_test::ExpandInView;
using treeview_test::Reach;
using treeview_test::ViewOutOfStep;

using TreeWindowTest = treeview_test::TreeWindowTest;

std::vector<std::string> EnabledEntries(const Tfm_VisioTreeView& window) {
  std::vector<std::string> entries;
  for (const QAction* action : window.pm_VTV->actions()) {
    if (action->isEnabled()) entries.push_back(action->text().toStdString());
  }
  return entries;
}

int OpenTreeWindows() {
  int count = 0;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (qobject_cast<Tfm_VisioTreeView*>(widget) != nullptr) ++count;
  }
  return count;
}

// A node that counts the living, makes two children `levels` deep, and
// whose children can fail to be made.
class CountingNode : public TTVNodeData {
 public:
  inline static int live = 0;
  CountingNode(TTreeModel& tree, TTreeItem* parent, std::string name, int levels = 3)
      : TTVNodeData("Counting", std::move(name), -1, tree, parent, nullptr, kNoIndex,
                    TAccessKind::ReadOnly, TIndexStyle::NoIndex, TVisObjSource::NoVisObject,
                    TNodeKind::VisObject, nullptr, nullptr),
        levels_(levels) {
    ++live;
    TreeNode->SetHasChildren(levels_ > 0);
    TreeNode->SetText(Name);
  }
  ~CountingNode() override { --live; }

  void CreateChildren() override {
    if (levels_ == 0) return;
    MakeNode<CountingNode>(*Tree, TreeNode, Name + ".0", levels_ - 1);
    MakeNode<CountingNode>(*Tree, TreeNode, Name + ".1", levels_ - 1);
    if (!failure.empty()) throw std::runtime_error(failure);
  }
  std::string failure;

 private:
  int levels_;
};

TEST_F(TreeWindowTest, IsMadeAsDesignedAndShowsTheApplication) {
  auto* window = new Tfm_VisioTreeView();
  EXPECT_EQ(window->windowTitle(), "Visio Tree View");
  EXPECT_EQ(window->size(), QSize(210, 370));
  EXPECT_EQ(window->parentWidget(), nullptr);
  EXPECT_TRUE(window->windowFlags().testFlag(Qt::Tool));
  EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowCloseButtonHint));
  EXPECT_FALSE(window->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(window->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_TRUE(window->testAttribute(Qt::WA_DeleteOnClose));
  EXPECT_EQ(window->cb_StayOnTop->text(), "Stay On Top");
  const QRect box = window->cb_StayOnTop->geometry();
  EXPECT_EQ(box.topLeft(), QPoint(2, 6));
  EXPECT_GE(box.width(), 81);
  EXPECT_GE(box.width(), window->cb_StayOnTop->sizeHint().width()) << "caption cut off";
  EXPECT_GE(box.height(), 15);
  EXPECT_EQ(window->font().pointSize(), 8);
  EXPECT_FALSE(window->cb_StayOnTop->isChecked());
  EXPECT_EQ(window->TV->indentation(), 19);
  EXPECT_TRUE(window->TV->isHeaderHidden());
  EXPECT_EQ(window->TV->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_EQ(window->TV->contextMenuPolicy(), Qt::CustomContextMenu);
  std::vector<std::string> entries;
  for (const QAction* action : window->pm_VTV->actions()) {
    entries.push_back(action->text().toStdString());
  }
  EXPECT_EQ(entries, (std::vector<std::string>{"Refresh Item and Children", "Clear Change Marks",
                                               "Copy to New Window", "Go to Source Cell",
                                               "View Text Detail", "Edit", "Constant values", "",
                                               "Copy", "Copy Value", "Copy as Code"}));
  std::vector<std::string> languages;
  for (const QAction* action : window->mi_CopyAsCode->actions()) {
    languages.push_back(action->text().toStdString());
  }
  EXPECT_EQ(languages,
            (std::vector<std::string>{"VBA", "Python (win32com)", "C# (Visio interop)"}));
  EXPECT_EQ(window->mi_Copy->shortcut(), QKeySequence(QKeySequence::Copy));

  shepherd->AddSheep(window, 0, 72);
  window->show();
  EXPECT_EQ(window->Panel1->height(), 25);
  EXPECT_EQ(window->Panel1->geometry().top(), 0);
  EXPECT_EQ(window->TV->geometry().top(), 25);

  window->ShowApplicationTree();
  const TTreeItem* root = window->Tree().First();
  ASSERT_NE(root, nullptr);
  const auto* application = dynamic_cast<const TND_IVApplication*>(root->Data());
  ASSERT_NE(application, nullptr);
  EXPECT_EQ(application->Name, "Application");
  EXPECT_EQ(application->ObjSource, TVisObjSource::SupplyOnCreate);
  EXPECT_EQ(application->VisObj, VisioController.App);
  const std::string caption = window->windowTitle().toStdString();
  EXPECT_EQ(caption, root->Text());
  EXPECT_TRUE(caption.starts_with("Application   \"")) << caption;
  EXPECT_EQ(window->TV->model()->rowCount(), 1);
}

TEST_F(TreeWindowTest, LongCaptionsScrollSidewaysInsteadOfBeingCutOff) {
  Tfm_VisioTreeView& window = OpenApplicationWindow();
  ExpandInView(window, Reach(window, "ActivePage/Shapes/Item"));
  QApplication::processEvents();
  // Fitted to the rows in sight, again after scrolling.
  const TTreeItem& first = *Reach(window, "ActivePage/Shapes/Item").Item(0);
  window.TV->scrollTo(window.ItemModel().IndexOf(&first));
  QApplication::processEvents();
  const QRect rect = window.TV->visualRect(window.ItemModel().IndexOf(&first));
  const int textWidth =
      window.TV->fontMetrics().horizontalAdvance(QString::fromStdString(first.Text()));
  EXPECT_GT(window.TV->columnWidth(0), window.TV->viewport()->width());
  EXPECT_GE(rect.width(), textWidth);
  EXPECT_GT(window.TV->horizontalScrollBar()->maximum(), 0);
}

TEST_F(TreeWindowTest, ClosingDeletesTheWindowItsItemsAndItsNodes) {
  auto* window = new Tfm_VisioTreeView();
  shepherd->AddSheep(window, 0, 72);
  TTreeItem& root = *MakeNode<CountingNode>(window->Tree(), nullptr, "Root").TreeNode;
  ExpandInView(*window, root);
  ExpandInView(*window, *root.Item(1));
  ASSERT_EQ(CountingNode::live, 5);
  ASSERT_EQ(shepherd->SheepCount(), 1);

  QPointer<Tfm_VisioTreeView> watched(window);
  window->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(watched.isNull());
  EXPECT_EQ(CountingNode::live, 0);
  EXPECT_EQ(shepherd->SheepCount(), 0);
}

TEST_F(TreeWindowTest, CollapsingDeletesTheChildrenAndReExpandingReadsVisioAfresh) {
  Tfm_VisioTreeView& window = OpenApplicationWindow();
  TTreeItem& page = ExpandInView(window, Reach(window, "ActivePage"));
  ASSERT_EQ(FindChild(page, "Name")->Text(), R"(Name   = "Page-1")");
  const QPersistentModelIndex oldChild = window.ItemModel().IndexOf(page.Item(0));

  window.TV->collapse(window.ItemModel().IndexOf(&page));
  EXPECT_FALSE(page.Expanded());
  EXPECT_EQ(page.Count(), 0);
  EXPECT_TRUE(page.HasChildren());
  EXPECT_TRUE(window.ItemModel().hasChildren(window.ItemModel().IndexOf(&page)));
  EXPECT_FALSE(oldChild.isValid());

  // No refresh: the new children read what Visio says now.
  ActivePage().Put("Name", Variant("Renamed"));
  ExpandInView(window, page);
  EXPECT_TRUE(page.Expanded());
  EXPECT_EQ(FindChild(page, "Name")->Text(), R"(Name   = "Renamed")");
  EXPECT_EQ(ViewOutOfStep(window), std::vector<std::string>());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(TreeWindowTest, AnItemTheNodesCollapseOrExpandCollapsesOrExpandsInTheView) {
  Tfm_VisioTreeView& window = OpenApplicationWindow();
  TTreeItem& active = ExpandInView(window, Reach(window, "ActiveWindow"));
  ASSERT_GT(active.Count(), 0);
  const QModelIndex index = window.ItemModel().IndexOf(&active);
  ASSERT_TRUE(window.TV->isExpanded(index));

  // Visio refuses calls for a moment: nothing collapses.
  Visio().Get("ActiveWindow").ToObject().Invoke("Close");
  VisioController.SetCallRefused(true);
  window.RefreshTree();
  EXPECT_TRUE(active.Expanded());
  EXPECT_TRUE(window.TV->isExpanded(index));

  VisioController.SetCallRefused(false);
  window.RefreshTree();
  EXPECT_EQ(active.Text(), "ActiveWindow   {Not assigned}");
  EXPECT_FALSE(active.Expanded());
  EXPECT_EQ(active.Count(), 0);
  EXPECT_FALSE(window.TV->isExpanded(index));
  EXPECT_TRUE(window.ItemModel().hasChildren(index));

  // Expanded by the node layer, not the user: the view follows too.
  TTreeItem& documents = Reach(window, "Documents");
  documents.Expand();
  EXPECT_TRUE(window.TV->isExpanded(window.ItemModel().IndexOf(&documents)));
  EXPECT_EQ(ViewOutOfStep(window), std::vector<std::string>());
}

TEST_F(TreeWindowTest, AFailedExpansionIsReportedAndLeavesTheNormalCursor) {
  auto* window = new Tfm_VisioTreeView();
  shepherd->AddSheep(window, 0, 72);
  auto& node = MakeNode<CountingNode>(window->Tree(), nullptr, "Root");
  node.failure = "  Visio went away.\r\n";

  ExpandInView(*window, *node.TreeNode);
  EXPECT_EQ(messages.messages, std::vector<std::string>{"Visio went away."});
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  // What was made before the failure stays, and the item is open.
  EXPECT_TRUE(node.TreeNode->Expanded());
  EXPECT_EQ(node.TreeNode->Count(), 2);
  EXPECT_EQ(ViewOutOfStep(*window), std::vector<std::string>());
}

TEST_F(TreeWindowTest, TheExpandEverythingKeyExpandsNothing) {
  // Visio's object tree leads back to itself, so expanding everything below
  // an item would never end; a finite tree shows whether the key does it.
  auto* window = new Tfm_VisioTreeView();
  shepherd->AddSheep(window, 0, 72);
  TTreeItem& root = *MakeNode<CountingNode>(window->Tree(), nullptr, "Root").TreeNode;
  window->TV->setCurrentIndex(window->ItemModel().IndexOf(&root));
  QTest::keyClick(window->TV, Qt::Key_Asterisk);
  EXPECT_FALSE(root.Expanded());
  EXPECT_EQ(window->Tree().ItemCount(), 1u);

  // Other keys still reach the view.
  QTest::keyClick(window->TV, Qt::Key_Right);
  EXPECT_TRUE(root.Expanded());
  EXPECT_EQ(window->Tree().ItemCount(), 3u);
}

// ---- the popup menu ----

TEST_F(TreeWindowTest, ThePopupOffersWhatTheSelectedNodeSupports) {
  Tfm_VisioTreeView& window = OpenApplicationWindow();
  const std::string refresh = "Refresh Item and Children", copy = "Copy to New Window",
                    text = "View Text Detail", edit = "Edit", constants = "Constant values",
                    caption = "Copy", value = "Copy Value", code = "Copy as Code";
  struct Case {
    std::string path;
    std::vector<std::string> enabled;
  };
  // Every item's caption and code can be copied; its value when it has one.
  const std::vector<Case> cases = {
      {"ActiveDocument", {refresh, copy, caption, code}},               // object node
      {"Documents/Item", {refresh, caption, value, code}},              // array of objects
      {"BuiltInToolbars", {refresh, constants, caption, value, code}},  // ... with a table
      {"Documents/Item/Item[1]/PaperWidth", {refresh, constants, caption, value, code}},  // values
      {"Path", {text, edit, caption, value, code}},                  // read-only string
      {"Vbe", {caption, code}},                                      // IDispatch
      {"ObjectType", {edit, constants, caption, value, code}},       // read-only Smallint
      {"Language", {edit, caption, value, code}},                    // Integer
      {"Documents/Item/Item[1]/Styles/Item/Item[1]/Cells/Cells[0]",  // read-only cell
       {refresh, copy, edit, constants, caption, value, code}},
      {"ActivePage/Shapes/Item/Item[1]/AreaIU", {edit, caption, value, code}},  // Double
  };
  for (const Case& c : cases) {
    TTreeItem& item = Reach(window, c.path);
    SelectForMenu(window, item);
    EXPECT_EQ(EnabledEntries(window), c.enabled) << c.path;
    EXPECT_EQ(window.SelectedNode(), &item) << c.path;
  }

  // A dispatch reference with a table offers its constants and nothing else.
  TTreeItem& dispatch = *MakeNode<TND_IDispatch>("Decoded", 0, window.Tree(), nullptr, nullptr,
                                                 kNoIndex, TAccessKind::ReadOnly,
                                                 TIndexStyle::NoIndex, TVisObjSource::NoVisObject,
                                                 TNodeKind::SimpleProperty, nullptr, &LUT_TrueFalse)
                             .TreeNode;
  SelectForMenu(window, dispatch);
  EXPECT_EQ(EnabledEntries(window), (std::vector<std::string>{constants, caption, code}));

  // Opened elsewhere than on the tree, or with nothing selected: nothing.
  window.pm_VTVPopup(false);
  EXPECT_EQ(EnabledEntries(window), std::vector<std::string>());
  EXPECT_EQ(window.SelectedNode(), nullptr);
  window.TV->selectionModel()->clear();
  window.pm_VTVPopup(true);
  EXPECT_EQ(EnabledEntries(window), std::vector<std::string>());
  EXPECT_EQ(window.SelectedNode(), nullptr);
}

TEST_F(TreeWindowTest, ARightClickSelectsTheItemUnderTheMouse) {
  Tfm_VisioTreeView& window = OpenApplicationWindow();
  TTreeItem& path = Reach(window, "Path");
  QApplication::processEvents();
  const QRect rect = window.TV->visualRect(window.ItemModel().IndexOf(&path));
  ASSERT_TRUE(rect.isValid());
  emit window.TV->customContextMenuRequested(rect.center());
  window.pm_VTV->close();
  EXPECT_EQ(window.SelectedNode(), &path);
  EXPECT_EQ(EnabledEntries(window), (std::vector<std::string>{"View Text Detail", "Edit", "Copy",
                                                              "Copy Value", "Copy as Code"}));

  // On an item of a selection of several the selection stays, so that Copy
  // takes them all; on any other item only that item is selected.
  TTreeItem& objectType = Reach(window, "ObjectType");
  const QModelIndex objectTypeIndex = window.ItemModel().IndexOf(&objectType);
  window.TV->selectionModel()->select(objectTypeIndex, QItemSelectionModel::Select);
  emit window.TV->customContextMenuRequested(rect.center());
  window.pm_VTV->close();
  EXPECT_EQ(window.SelectedNode(), &path);
  EXPECT_EQ(window.TV->selectionModel()->selectedIndexes().size(), 2);
  TTreeItem& version = Reach(window, "Version");
  emit window.TV->customContextMenuRequested(
      window.TV->visualRect(window.ItemModel().IndexOf(&version)).center());
  window.pm_VTV->close();
  EXPECT_EQ(window.SelectedNode(), &version);
  EXPECT_EQ(window.TV->selectionModel()->selectedIndexes().size(), 1);
}

TEST_F(TreeWindowTest, CommandsOnAnItemDeletedSinceTheMenuOpenedDoNothing) {
  Tfm_VisioTreeView& window = OpenApplicationWindow();
  TTreeItem& shapes = ExpandInView(window, Reach(window, "ActivePage/Shapes/Item"));
  SelectForMenu(window, *shapes.Item(shapes.Count() - 1));
  ASSERT_NE(window.SelectedNode(), nullptr);

  // An automatic refresh runs while the menu is open.
  ActivePage()
      .Get("Shapes")
      .ToObject()
      .Get("Item", {Variant(std::int16_t{1})})
      .ToObject()
      .Invoke("Delete");
  window.RefreshTree();
  EXPECT_EQ(window.SelectedNode(), nullptr);
  const int windows = OpenTreeWindows();
  window.mi_RefreshItemAndChildrenClick();
  window.mi_NewWin_CloneClick();
  window.mi_ViewTextDetailClick();
  window.mi_EditNodeClick();
  window.mi_ConstValClick();
  EXPECT_EQ(OpenTreeWindows(), windows);
  EXPECT_TRUE(dialogs.empty());
  EXPECT_TRUE(messages.messages.empty());
}

// ---- menu commands ----

TEST_F(TreeWindowTest, RefreshItemAndChildrenRefreshesTheSelectedBranchOnly) {
  Tfm_VisioTreeView& window = OpenApplicationWindow();
  TTreeItem& shapes = ExpandInView(window, Reach(window, "ActivePage/Shapes/Item"));
  TTreeItem& pages = Reach(window, "Documents/Item/Item[1]/Pages");
  const std::string pagesText = pages.Text();
  ActivePage().Invoke("DrawRectangle", {Variant(1.0), Variant(1.0), Variant(2.0), Variant(2.0)});
  ActivePage().Get("Document").ToObject().Get("Pages").ToObject().Invoke("Add");

  SelectForMenu(window, shapes);
  window.mi_RefreshItemAndChildrenClick();
  EXPECT_EQ(shapes.Text(), "Item (Count: 10)");
  EXPECT_EQ(shapes.Count(), 10);
  EXPECT_EQ(pages.Text(), pagesText);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(TreeWindowTest, ARefreshMarksWhatChangedUntilTheNextRefresh) {
  Tfm_VisioTreeView& window = OpenApplicationWindow();
  const TTreeItemModel& model = window.ItemModel();
  TTreeItem& shapes = ExpandInView(window, Reach(window, "ActivePage/Shapes/Item"));
  const int count = shapes.Count();
  ASSERT_GE(count, 3);
  TTreeItem& pinX =
      Reach(window, "ActivePage/Shapes/Item/Item[1]/CellsSRC-Sections/S[1]/R[1]/CellSRC[0]");
  TTreeItem& second = *shapes.Item(1);
  const auto marksOf = [&](const TTreeItem& item) {
    return model.data(model.IndexOf(&item), TTreeItemModel::MarksRole).toInt();
  };
  std::vector<const TTreeItem*> repainted;
  QObject::connect(&model, &QAbstractItemModel::dataChanged,
                   [&](const QModelIndex& from, const QModelIndex&, const QList<int>& roles) {
                     if (roles.contains(Qt::ForegroundRole))
                       repainted.push_back(model.ItemOf(from));
                   });

  window.RefreshTree();
  EXPECT_EQ(window.Tree().MarkedCount(), 0u) << "an unchanged refresh marks nothing";

  const ObjectRef page = ActivePage();
  const auto shape = [&](std::int16_t i) {
    return page.Get("Shapes").ToObject().Get("Item", {Variant(i)}).ToObject();
  };
  shape(1).Get("CellsU", {Variant("PinX")}).ToObject().Put("FormulaU", Variant("5.5 in"));
  shape(2).Put("Name", Variant("Renamed"));
  shape(static_cast<std::int16_t>(count)).Invoke("Delete");
  window.RefreshTree();

  EXPECT_EQ(marksOf(pinX), imChanged);
  EXPECT_EQ(marksOf(second), imChanged);
  EXPECT_EQ(marksOf(shapes), imChanged | imChildGone);
  EXPECT_EQ(shapes.Count(), count - 1);
  EXPECT_NE(std::find(repainted.begin(), repainted.end(), &pinX), repainted.end());
  // Colour, bold and a tool tip line tell a marked item; the caption stays.
  const QModelIndex cell = model.IndexOf(&pinX);
  EXPECT_EQ(cell.data(Qt::ForegroundRole).value<QBrush>().color(),
            MarkColour(window.TV->palette()));
  EXPECT_TRUE(cell.data(Qt::FontRole).value<QFont>().bold());
  EXPECT_EQ(cell.data().toString().toStdString(), pinX.Text());
  EXPECT_TRUE(cell.data(Qt::ToolTipRole).toString().endsWith("\nChanged at the last refresh"));
  EXPECT_TRUE(model.IndexOf(&shapes)
                  .data(Qt::ToolTipRole)
                  .toString()
                  .endsWith("\nChanged at the last refresh\n"
                            "Items below it disappeared at the last refresh"));
  const QModelIndex unmarked = model.IndexOf(window.Tree().First());
  EXPECT_FALSE(unmarked.data(Qt::ForegroundRole).isValid());
  EXPECT_FALSE(unmarked.data(Qt::FontRole).isValid());

  // The menu clears them, wherever it opens.
  SelectForMenu(window, *window.Tree().First());
  EXPECT_TRUE(window.mi_ClearChangeMarks->isEnabled());
  window.mi_ClearChangeMarks->trigger();
  EXPECT_EQ(window.Tree().MarkedCount(), 0u);
  EXPECT_EQ(marksOf(pinX), 0);
  SelectForMenu(window, pinX);
  EXPECT_FALSE(window.mi_ClearChangeMarks->isEnabled());

  // A new shape is marked new; the refresh after, with nothing changed,
  // takes every mark away.
  page.Invoke("DrawRectangle", {Variant(1.0), Variant(1.0), Variant(2.0), Variant(2.0)});
  window.RefreshTree();
  EXPECT_EQ(marksOf(*shapes.Item(count - 1)), imNew);
  window.RefreshTree();
  EXPECT_EQ(window.Tree().MarkedCount(), 0u);
  EXPECT_EQ(marksOf(*shapes.Item(count - 1)), 0);
}

TEST(MarkColourTest, ReadsOnLightAndDarkPalettes) {
  struct Case {
    const char* name;
    QColor base, link;
  };
  const std::vector<Case> cases = {
      {"light", Qt::white, QColor(0, 0, 255)},
      {"dark", QColor(30, 30, 30), QColor(0, 0, 255)},
      {"dark with a light link", QColor(30, 30, 30), QColor(100, 170, 255)},
      {"light with a pale link", QColor(250, 250, 250), QColor(150, 200, 255)},
  };
  for (const Case& c : cases) {
    QPalette palette;
    palette.setColor(QPalette::Base, c.base);
    palette.setColor(QPalette::Link, c.link);
    const QColor colour = MarkColour(palette);
    EXPECT_GE(ContrastRatio(colour, c.base), 4.5) << c.name;
    // Still the link's hue.
    EXPECT_NEAR(colour.hslHueF(), c.link.hslHueF(), 0.02) << c.name;
  }
  // A link colour that reads already is taken as it is.
  QPalette light;
  light.setColor(QPalette::Base, Qt::white);
  light.setColor(QPalette::Link, QColor(0, 0, 255));
  EXPECT_EQ(MarkColour(light), QColor(0, 0, 255));
}

TEST_F(TreeWindowTest, EditRefusesReadOnlyValuesButEditsCellsAndThenRefreshesAllWindows) {
  Tfm_VisioTreeView& window = OpenApplicationWindow();

  TTreeItem& objectType = Reach(window, "ObjectType");
  SelectForMenu(window, objectType);
  window.mi_EditNodeClick();
  EXPECT_EQ(messages.messages, std::vector<std::string>{"ReadOnly"});
  EXPECT_TRUE(dialogs.empty());
  EXPECT_EQ(leader.refreshes, 0);

  struct Case {
    std::string path;
    TAccessKind access;
  };
  const Case editable[] = {
      {"Documents/Item/Item[1]/Styles/Item/Item[1]/Cells/Cells[0]", TAccessKind::ReadOnly},
      {"AlertResponse", TAccessKind::ReadWrite},
  };
  for (const Case& c : editable) {
    dialogs.clear();
    leader.refreshes = 0;
    TTreeItem& item = Reach(window, c.path);
    ASSERT_EQ(item.Data()->Access, c.access) << c.path;
    SelectForMenu(window, item);
    window.mi_EditNodeClick();
    ASSERT_EQ(dialogs.size(), 1u) << c.path;
    EXPECT_EQ(dialogs[0].kind, "NodeEdit") << c.path;
    EXPECT_EQ(dialogs[0].node, item.Data()) << c.path;
    EXPECT_EQ(leader.refreshes, 1) << c.path;
  }
  EXPECT_EQ(messages.messages, std::vector<std::string>{"ReadOnly"});
}

TEST_F(TreeWindowTest, ConstantValuesAndTextDetailOpenTheirWindowsOnTheNode) {
  Tfm_VisioTreeView& window = OpenApplicationWindow();
  TTreeItem& path = Reach(window, "Path");
  SelectForMenu(window, path);
  window.mi_ConstValClick();
  EXPECT_EQ(messages.messages, std::vector<std::string>{"No constant info available"});
  EXPECT_TRUE(dialogs.empty());

  window.mi_ViewTextDetailClick();
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0].kind, "TextDump");
  EXPECT_EQ(dialogs[0].title, "Text detail for: Path");

  TTreeItem& objectType = Reach(window, "ObjectType");
  SelectForMenu(window, objectType);
  window.mi_ConstValClick();
  ASSERT_EQ(dialogs.size(), 2u);
  EXPECT_EQ(dialogs[1].kind, "LUTShow");
  EXPECT_EQ(dialogs[1].node, objectType.Data());
  EXPECT_EQ(messages.messages.size(), 1u);
}

TEST_F(TreeWindowTest, CopyToNewWindowOpensTheBranchBesideItsSourceInTheFlock) {
  Tfm_VisioTreeView& source = OpenApplicationWindow();
  TKTSheep& sourceSheep = *source.Sheep();
  sourceSheep.MoveTo(leader.x() + 50, leader.y() + 90);
  source.cb_StayOnTop->click();
  ASSERT_TRUE(sourceSheep.StayOnTop());
  const std::int32_t serial = shepherd->SheepSerial();

  SelectForMenu(source, Reach(source, "ActiveDocument"));
  source.mi_NewWin_CloneClick();

  ASSERT_EQ(shepherd->SheepCount(), 2);
  auto* copy = qobject_cast<Tfm_VisioTreeView*>(shepherd->SheepFormAt(1));
  ASSERT_NE(copy, nullptr);
  TKTSheep& copySheep = *copy->Sheep();
  EXPECT_EQ(copySheep.Number(), serial + 1);
  EXPECT_EQ(copySheep.OffsetX(), 82);
  EXPECT_EQ(copySheep.OffsetY(), 122);
  EXPECT_EQ(copy->pos(), source.pos() + QPoint(32, 32));
  EXPECT_TRUE(copy->isVisible());
  EXPECT_TRUE(copySheep.StayOnTop());
  EXPECT_TRUE(copy->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_FALSE(copy->cb_StayOnTop->isChecked());

  ASSERT_EQ(copy->Tree().Count(), 1);
  const TTreeItem& root = *copy->Tree().First();
  EXPECT_NE(dynamic_cast<const TND_IVDocument*>(root.Data()), nullptr);
  EXPECT_EQ(root.Text(), R"(Document   "Demo Drawing.vsdx" )");
  EXPECT_EQ(copy->windowTitle(), R"(Document   "Demo Drawing.vsdx" )");

  // A window that does not stay on top passes that on as well.
  source.cb_StayOnTop->click();
  SelectForMenu(source, Reach(source, "ActivePage"));
  source.mi_NewWin_CloneClick();
  ASSERT_EQ(shepherd->SheepCount(), 3);
  auto* second = qobject_cast<Tfm_VisioTreeView*>(shepherd->SheepFormAt(2));
  ASSERT_NE(second, nullptr);
  EXPECT_FALSE(second->Sheep()->StayOnTop());
  EXPECT_EQ(second->windowTitle(), R"(Page   "Page-1" )");
}

TEST_F(TreeWindowTest, CopyToNewWindowOfAnUnassignedObjectLeavesNoWindow) {
  Tfm_VisioTreeView& source = OpenApplicationWindow();
  TTreeItem& menus = Reach(source, "CustomMenus");
  ASSERT_EQ(menus.Text(), "CustomMenus   {Not assigned}");
  const std::int32_t serial = shepherd->SheepSerial();
  const int windows = OpenTreeWindows();

  SelectForMenu(source, menus);
  source.mi_NewWin_CloneClick();
  EXPECT_EQ(shepherd->SheepCount(), 1);
  EXPECT_EQ(shepherd->SheepSerial(), serial + 1) << "numbers are never reused";
  EXPECT_EQ(OpenTreeWindows(), windows);
  EXPECT_TRUE(messages.messages.empty());
}

// An inherited cell opens the cell its formula comes from, in a window of
// its own; a cell with a formula of its own offers nothing to go to.
TEST_F(TreeWindowTest, GoToSourceCellOpensTheMasterShapesCell) {
  Tfm_VisioTreeView& source = OpenApplicationWindow();
  TTreeItem& sections =
      ExpandInView(source, Reach(source, "ActivePage/Shapes/Item/Item[1]/CellsSRC-Sections"));
  TTreeItem& object = ExpandInView(source, *sections.Item(0));
  TTreeItem& transform = ExpandInView(source, *object.Item(0));
  ASSERT_EQ(transform.Text(), "R[1]: Shape Transform (Tag: 0=Default) (Local)");
  TTreeItem& pinX = *transform.Item(0);
  SelectForMenu(source, pinX);
  EXPECT_FALSE(source.mi_GoToSourceCell->isEnabled()) << pinX.Text();
  source.mi_GoToSourceCellClick();
  EXPECT_EQ(shepherd->SheepCount(), 1);

  TTreeItem& width = *transform.Item(2);
  SelectForMenu(source, width);
  EXPECT_TRUE(source.mi_GoToSourceCell->isEnabled()) << width.Text();
  source.mi_GoToSourceCellClick();
  ASSERT_EQ(shepherd->SheepCount(), 2);
  auto* window = qobject_cast<Tfm_VisioTreeView*>(shepherd->SheepFormAt(1));
  ASSERT_NE(window, nullptr);
  ASSERT_EQ(window->Tree().Count(), 1);
  const auto* root = dynamic_cast<const TND_IVCell*>(window->Tree().First()->Data());
  ASSERT_NE(root, nullptr);
  const ObjectRef masterWidth = Visio()
                                    .Get("ActiveDocument")
                                    .ToObject()
                                    .Get("Masters")
                                    .ToObject()
                                    .Get("ItemU", {Variant("Process")})
                                    .ToObject()
                                    .Get("Shapes")
                                    .ToObject()
                                    .Get("Item", {Variant(1)})
                                    .ToObject()
                                    .Get("Cells", {Variant("Width")})
                                    .ToObject();
  EXPECT_TRUE(automation::SameObject(root->VisObj, masterWidth));
  EXPECT_EQ(window->windowTitle().toStdString(), window->Tree().First()->Text());
}

// The copy commands and their keys: the captions of every selected item in
// the tree's order, an item's value alone, and its code in the language
// chosen last, which the next window remembers too.
TEST_F(TreeWindowTest, CopyCommandsPutCaptionsValuesAndCodeOnTheClipboard) {
  QTemporaryDir settings;
  ASSERT_TRUE(settings.isValid());
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
  QClipboard& clipboard = *QGuiApplication::clipboard();
  const auto clip = [&] { return clipboard.text().toStdString(); };
  Tfm_VisioTreeView& window = OpenApplicationWindow();
  const auto press = [&](Qt::KeyboardModifiers modifiers) {
    QTest::keyClick(window.TV, Qt::Key_C, modifiers);
  };
  const auto select = [&](TTreeItem& item) {
    window.TV->setCurrentIndex(window.ItemModel().IndexOf(&item));
  };
  EXPECT_EQ(Tfm_VisioTreeView::RememberedCodeLanguage(), TCodeLanguage::VBA);
  const QKeySequence codeKey(Qt::CTRL | Qt::SHIFT | Qt::Key_C);
  EXPECT_EQ(window.mi_CopyAsLanguage[Ord(TCodeLanguage::VBA)]->shortcut(), codeKey);

  TTreeItem& sections =
      ExpandInView(window, Reach(window, "ActivePage/Shapes/Item/Item[1]/CellsSRC-Sections"));
  TTreeItem& object = ExpandInView(window, *sections.Item(0));
  TTreeItem& pinX = *ExpandInView(window, *object.Item(0)).Item(0);
  SelectForMenu(window, pinX);
  window.mi_CopyValueClick();
  EXPECT_EQ(clip(), ActivePage()
                        .Get("Shapes")
                        .ToObject()
                        .Get("Item", {Variant(1)})
                        .ToObject()
                        .Get("Cells", {Variant("PinX")})
                        .ToObject()
                        .Get("Formula")
                        .ToString());
  window.mi_CopyAsLanguage[Ord(TCodeLanguage::Python)]->trigger();
  EXPECT_EQ(clip(),
            "app.ActivePage.Shapes.ItemFromID(1).CellsSRC(constants.visSectionObject, "
            "constants.visRowXFormOut, constants.visXFormPinX).Formula");
  EXPECT_EQ(Tfm_VisioTreeView::RememberedCodeLanguage(), TCodeLanguage::Python);
  EXPECT_EQ(window.mi_CopyAsLanguage[Ord(TCodeLanguage::Python)]->shortcut(), codeKey);
  EXPECT_EQ(window.mi_CopyAsLanguage[Ord(TCodeLanguage::VBA)]->shortcut(), QKeySequence());

  // Ctrl+Shift+C uses the remembered language, without the menu.
  TTreeItem& path = Reach(window, "Path");
  select(path);
  press(Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(clip(), "app.Path");

  // Ctrl+C: every selected caption, in the tree's order whatever the order
  // of selecting.
  TTreeItem& objectType = Reach(window, "ObjectType");
  window.TV->selectionModel()->select(window.ItemModel().IndexOf(&objectType),
                                      QItemSelectionModel::Select);
  press(Qt::ControlModifier);
  EXPECT_EQ(clip(), objectType.Text() + "\n" + path.Text());

  // An object has no value to copy; nothing selected copies nothing.
  TTreeItem& document = Reach(window, "ActiveDocument");
  SelectForMenu(window, document);
  EXPECT_FALSE(window.mi_CopyValue->isEnabled());
  window.TV->selectionModel()->clear();
  press(Qt::ControlModifier);
  press(Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(clip(), objectType.Text() + "\n" + path.Text());

  // The next window shows the key beside the language chosen last.
  Tfm_VisioTreeView& next = OpenApplicationWindow();
  EXPECT_EQ(next.mi_CopyAsLanguage[Ord(TCodeLanguage::Python)]->shortcut(), codeKey);
  QSettings().remove("TreeWindow/CopyAsCodeLanguage");
}

// ---- the window in its flock ----

TEST_F(TreeWindowTest, RefreshTreeShowsTheRootsTextAsCaptionWhateverTheRoot) {
  auto* window = new Tfm_VisioTreeView();
  shepherd->AddSheep(window, 0, 72);
  window->setWindowTitle("0");
  window->RefreshTree();  // no root yet
  EXPECT_EQ(window->windowTitle(), "0");

  ObjectRef shape =
      ActivePage().Get("Shapes").ToObject().Get("Item", {Variant(std::int16_t{2})}).ToObject();
  MakeShapeRoot(window->Tree(), shape);
  shape.Put("Text", Variant("Packed"));
  window->RefreshTree();
  EXPECT_EQ(window->windowTitle(), R"(Shape  "Packed": (Process.2/Sheet.2) )");
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// The box switches the open sheets of its own window, and the view follows
// them; a window copied from it shows its sheets the same way.
TEST_F(TreeWindowTest, AllSectionsSwitchesTheOpenSheetsOfItsWindowOnly) {
  Tfm_VisioTreeView& window = OpenApplicationWindow();
  Tfm_VisioTreeView& other = OpenApplicationWindow();
  EXPECT_EQ(window.cb_AllSections->text(), "All Sections");
  EXPECT_FALSE(window.cb_AllSections->isChecked());
  const QRect box = window.cb_AllSections->geometry();
  EXPECT_GT(box.left(), window.cb_StayOnTop->geometry().right()) << "overlaps Stay On Top";
  EXPECT_GE(box.width(), window.cb_AllSections->sizeHint().width()) << "caption cut off";

  const std::string path = "ActivePage/Shapes/Item/Item[1]/CellsSRC-Sections";
  TTreeItem& sheet = ExpandInView(window, Reach(window, path));
  TTreeItem& otherSheet = ExpandInView(other, Reach(other, path));
  ASSERT_EQ(sheet.Count(), 14);

  window.cb_AllSections->click();
  EXPECT_TRUE(window.Tree().AllSections());
  ASSERT_EQ(sheet.Count(), 20);
  EXPECT_EQ(sheet.Item(14)->Text(), "S[244]: Hyperlink (R: 1) (Local)");
  EXPECT_EQ(window.ItemModel().rowCount(window.ItemModel().IndexOf(&sheet)), 20);
  EXPECT_EQ(ViewOutOfStep(window), std::vector<std::string>());
  EXPECT_FALSE(other.Tree().AllSections());
  EXPECT_EQ(otherSheet.Count(), 14);

  const int windows = shepherd->SheepCount();
  SelectForMenu(window, Reach(window, "ActivePage/Shapes/Item/Item[1]"));
  window.mi_NewWin_CloneClick();
  ASSERT_EQ(shepherd->SheepCount(), windows + 1);
  auto* copy = qobject_cast<Tfm_VisioTreeView*>(shepherd->SheepFormAt(shepherd->SheepCount() - 1));
  ASSERT_NE(copy, nullptr);
  EXPECT_TRUE(copy->Tree().AllSections());
  EXPECT_TRUE(copy->cb_AllSections->isChecked());

  window.cb_AllSections->click();
  EXPECT_EQ(sheet.Count(), 14);
  EXPECT_EQ(ViewOutOfStep(window), std::vector<std::string>());
}

TEST_F(TreeWindowTest, StayOnTopGoesThroughTheFlockMember) {
  Tfm_VisioTreeView& window = OpenApplicationWindow();
  window.cb_StayOnTop->click();
  EXPECT_TRUE(window.Sheep()->StayOnTop());
  EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  window.cb_StayOnTop->click();
  EXPECT_FALSE(window.Sheep()->StayOnTop());
  EXPECT_FALSE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));

  // Outside a flock the box does nothing.
  Tfm_VisioTreeView alone;
  alone.cb_StayOnTop->click();
  EXPECT_FALSE(alone.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST_F(TreeWindowTest, MovingTheActiveWindowRecordsItsOffsetFromTheLeader) {
  Tfm_VisioTreeView& window = OpenApplicationWindow();
  Tfm_VisioTreeView& other = OpenApplicationWindow();
  ASSERT_EQ(window.Sheep()->OffsetY(), 72);
  window.activateWindow();
  if (!QTest::qWaitForWindowActive(&window)) GTEST_SKIP() << "the platform activates no window";

  window.move(leader.x() + 40, leader.y() + 150);
  EXPECT_EQ(window.Sheep()->OffsetX(), 40);
  EXPECT_EQ(window.Sheep()->OffsetY(), 150);

  // A window that is not active is moved by the flock, not the user.
  ASSERT_FALSE(other.isActiveWindow());
  other.move(leader.x() + 300, leader.y() + 300);
  EXPECT_EQ(other.Sheep()->OffsetX(), 0);
  EXPECT_EQ(other.Sheep()->OffsetY(), 72);
}

}  // namespace

namespace {

// A right-click on the tree's empty space, as the mouse sends it, with
// nothing selected: the popup opens with every entry disabled.
TEST_F(TreeWindowTest, ARightClickOnEmptySpaceOpensTheMenuWithNothingEnabled) {
  Tfm_VisioTreeView& window = OpenApplicationWindow();
  window.TV->selectionModel()->clear();
  window.TV->setCurrentIndex(QModelIndex());
  QApplication::processEvents();
  QWidget* viewport = window.TV->viewport();
  const QPoint empty(5, viewport->height() - 3);
  ASSERT_FALSE(window.TV->indexAt(empty).isValid());
  QContextMenuEvent event(QContextMenuEvent::Mouse, empty, viewport->mapToGlobal(empty));
  QApplication::sendEvent(viewport, &event);
  QApplication::processEvents();
  EXPECT_TRUE(window.pm_VTV->isVisible());
  window.pm_VTV->close();
  EXPECT_EQ(EnabledEntries(window), std::vector<std::string>());
}

}  // namespace

namespace {

using TreeWindowUnderWindowManager = test_support::UnderWindowManager<TreeWindowTest>;

// A real right-click (the X server's, through the window manager) on the
// tree's empty space, with nothing selected: the popup opens with every
// entry disabled, whether the tree window was active or the click also
// activates it (the main window, which stays on top, had the keyboard).
TEST_F(TreeWindowUnderWindowManager, ARightClickOnEmptySpaceOpensTheMenuWithNothingEnabled) {
  shepherd->SetStayOnTop(true);
  leader.resize(258, 48);
  test_support::SettledFrame(leader);
  for (const bool treeActive : {true, false}) {
    SCOPED_TRACE(treeActive ? "tree window active" : "main window active");
    Tfm_VisioTreeView& window = OpenApplicationWindow();
    test_support::SettledFrame(window);
    QWidget& active = treeActive ? static_cast<QWidget&>(window) : leader;
    active.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&active, 5000));
    window.TV->selectionModel()->clear();
    window.TV->setCurrentIndex(QModelIndex());
    QWidget* viewport = window.TV->viewport();
    const QPoint empty(5, viewport->height() - 3);
    ASSERT_FALSE(window.TV->indexAt(empty).isValid());

    ASSERT_TRUE(test_support::ClickWithTheMouse(viewport->mapToGlobal(empty), Qt::RightButton));
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.pm_VTV->isVisible(); }, 2000));
    QTest::qWait(200);
    EXPECT_TRUE(window.pm_VTV->isVisible()) << "the menu closed by itself";
    EXPECT_EQ(QApplication::activePopupWidget(), window.pm_VTV);
    EXPECT_EQ(EnabledEntries(window), std::vector<std::string>());
    window.pm_VTV->close();
    delete &window;
  }
}

// Framed by a window manager, a copy opens with its outer corner 32 pixels
// right of and below its source's, title bars included, whether it stays on
// top (its native window made again) or not.
TEST_F(TreeWindowUnderWindowManager, CopyToNewWindowOpensBesideTheSourcesOuterCorner) {
  for (const bool onTop : {false, true}) {
    SCOPED_TRACE(onTop ? "staying on top" : "not on top");
    Tfm_VisioTreeView& source = OpenApplicationWindow();
    test_support::SettledFrame(source);
    source.Sheep()->MoveTo(leader.x() + 50, leader.y() + 90);
    const QRect sourceFrame = test_support::SettledFrame(source);
    if (onTop) source.cb_StayOnTop->click();
    SelectForMenu(source, Reach(source, "ActiveDocument"));
    source.mi_NewWin_CloneClick();
    auto* copy =
        qobject_cast<Tfm_VisioTreeView*>(shepherd->SheepFormAt(shepherd->SheepCount() - 1));
    ASSERT_NE(copy, &source);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(test_support::Where(test_support::SettledFrame(*copy).topLeft()),
              test_support::Where(sourceFrame.topLeft() + QPoint(32, 32)));
    delete copy;
    delete &source;
  }
}

}  // namespace
