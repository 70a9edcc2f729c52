// The tree window's find bar: its keys, going from match to match, the
// highlight of every match, the filters, and searching deeper through the
// event loop with its Stop button.
#include <gtest/gtest.h>

#include <QBrush>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <string>
#include <vector>

#include "tests/treeview/TreeViewTestSupport.h"
#include "tree/Tarvel_FindBar.h"

namespace {

using treeview_test::Reach;
using treeview_test::ViewOutOfStep;

class FindBarTest : public treeview_test::TreeWindowTest {
 protected:
  // The application window, shown and active, with ActivePage's Shapes
  // and their Item array open.
  Tfm_VisioTreeView& ActiveWindow() {
    Tfm_VisioTreeView& window = OpenApplicationWindow();
    window.show();
    window.activateWindow();
    active = QTest::qWaitForWindowActive(&window);
    Reach(window, "ActivePage/Shapes/Item/Item[1]");
    return window;
  }
  static std::string Current(Tfm_VisioTreeView& window) {
    return window.TV->currentIndex().data().toString().toStdString();
  }
  static std::string CountText(const Tfm_VisioTreeView& window) {
    return window.FindBar->lb_Count->text().toStdString();
  }
  // The captions of the rows the model highlights, checked against the
  // find role.
  static std::vector<std::string> Highlighted(const Tfm_VisioTreeView& window) {
    std::vector<std::string> captions;
    const QAbstractItemModel& model = *window.TV->model();
    std::vector<QModelIndex> stack = {QModelIndex()};
    while (!stack.empty()) {
      const QModelIndex parent = stack.back();
      stack.pop_back();
      for (int row = model.rowCount(parent) - 1; row >= 0; --row) {
        const QModelIndex index = model.index(row, 0, parent);
        const bool lit = index.data(Qt::BackgroundRole).value<QBrush>().style() != Qt::NoBrush;
        EXPECT_EQ(lit, index.data(TTreeItemModel::FindMatchRole).toBool())
            << index.data().toString().toStdString();
        if (lit) captions.push_back(index.data().toString().toStdString());
        stack.push_back(index);
      }
    }
    return captions;
  }
  static void Type(Tfm_VisioTreeView& window, const QString& text) {
    window.FindBar->ed_Find->setText(text);
  }
  bool active = false;
};

TEST_F(FindBarTest, KeysOpenTheBarGoFromMatchToMatchAndCloseIt) {
  Tfm_VisioTreeView& window = ActiveWindow();
  if (!active) GTEST_SKIP() << "the platform activates no window";
  TFindBar& bar = *window.FindBar;
  EXPECT_TRUE(bar.isHidden());

  QTest::keyClick(window.TV, Qt::Key_F, Qt::ControlModifier);
  ASSERT_TRUE(bar.isVisible());
  EXPECT_TRUE(bar.ed_Find->hasFocus());
  // Item[1..9] of the shapes array: typing goes to the first of them.
  QTest::keyClicks(bar.ed_Find, "item[");
  EXPECT_EQ(Current(window).substr(0, 7), "Item[1]");
  const std::string count = CountText(window);
  ASSERT_EQ(count.substr(0, 5), "1 of ") << count;
  const std::string total = count.substr(5);

  // Enter and F3 go on, Shift+F3 back, around the ends.
  QTest::keyClick(bar.ed_Find, Qt::Key_Return);
  EXPECT_EQ(Current(window).substr(0, 7), "Item[2]");
  QTest::keyClick(window.TV, Qt::Key_F3);
  EXPECT_EQ(Current(window).substr(0, 7), "Item[3]");
  QTest::keyClick(window.TV, Qt::Key_F3, Qt::ShiftModifier);
  QTest::keyClick(window.TV, Qt::Key_F3, Qt::ShiftModifier);
  QTest::keyClick(window.TV, Qt::Key_F3, Qt::ShiftModifier);
  EXPECT_EQ(CountText(window), total + " of " + total);
  bar.bt_Next->click();
  EXPECT_EQ(CountText(window), "1 of " + total);
  EXPECT_EQ(Current(window).substr(0, 7), "Item[1]");

  // Escape closes the bar and the highlights, and gives the view the keys.
  EXPECT_EQ(Highlighted(window).size(), std::stoul(total));
  QTest::keyClick(bar.ed_Find, Qt::Key_Escape);
  EXPECT_TRUE(bar.isHidden());
  EXPECT_TRUE(Highlighted(window).empty());
  EXPECT_TRUE(window.TV->hasFocus());
  // Ctrl+F again: the same text, selected to be typed over, lit again.
  QTest::keyClick(window.TV, Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(bar.ed_Find->selectedText(), "item[");
  EXPECT_EQ(Highlighted(window).size(), std::stoul(total));
}

TEST_F(FindBarTest, HighlightsEveryMatchAndTellsTheViewsWhichRowsChanged) {
  Tfm_VisioTreeView& window = ActiveWindow();
  window.FindBar->Open();
  TTreeItem& shape =
      treeview_test::ExpandInView(window, Reach(window, "ActivePage/Shapes/Item/Item[1]"));
  QSignalSpy changed(&window.ItemModel(), &QAbstractItemModel::dataChanged);

  Type(window, "objecttype");
  const std::vector<std::string> lit = Highlighted(window);
  // The application's, the page's, the Shapes collection's and the shape's.
  EXPECT_EQ(lit.size(), 4U);
  for (const std::string& caption : lit) EXPECT_EQ(caption.substr(0, 10), "ObjectType");
  // Each loaded row is reported changed, the shape's children among them,
  // so that rows already painted are painted again.
  const QModelIndex child = window.ItemModel().IndexOf(shape.Item(0));
  bool told = false;
  for (const QList<QVariant>& signal : changed) {
    const auto first = signal[0].value<QModelIndex>();
    const auto last = signal[1].value<QModelIndex>();
    const auto roles = signal[2].value<QList<int>>();
    if (first.parent() == child.parent() && first.row() <= child.row() &&
        child.row() <= last.row() && roles.contains(Qt::BackgroundRole)) {
      told = true;
    }
  }
  EXPECT_TRUE(told);

  Type(window, "no such caption");
  EXPECT_TRUE(Highlighted(window).empty());
  EXPECT_EQ(CountText(window), "No matches");
}

TEST_F(FindBarTest, FiltersByValueAndByKind) {
  Tfm_VisioTreeView& window = ActiveWindow();
  TFindBar& bar = *window.FindBar;
  bar.Open();
  const struct {
    TFindField field;
    const char* text;
    std::vector<std::string> firstWords;
  } cases[] = {
      // "Page-1" names the page wherever it is shown, and is the value of
      // its Name alone.
      {TFindField::Caption, "page-1", {"ActivePage", "ActiveWindow", "ContainingPage", "Name"}},
      {TFindField::Value, "page-1", {"Name"}},
      // Shapes (the page's sheet is one), not the Shapes collection.
      {TFindField::Kind,
       "shape",
       {"ContainingShape", "PageSheet", "Item[", "Item[", "Item[", "Item[", "Item[", "Item[",
        "Item[", "Item[", "Item["}},
      {TFindField::Kind, "Shapes", {"Shapes"}},
  };
  for (const auto& c : cases) {
    bar.cb_Field->setCurrentIndex(static_cast<int>(c.field));
    Type(window, c.text);
    std::vector<std::string> firstWords;
    for (const std::string& caption : Highlighted(window)) {
      const std::string word = caption.substr(0, caption.find_first_of(" [") + 1);
      firstWords.push_back(word.back() == ' ' ? word.substr(0, word.size() - 1) : word);
    }
    std::sort(firstWords.begin(), firstWords.end());
    auto expected = c.firstWords;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(firstWords, expected) << TFindFieldNames[Ord(c.field)] << " " << c.text;
  }
}

TEST_F(FindBarTest, SearchesDeeperInStepsAndStops) {
  Tfm_VisioTreeView& window = ActiveWindow();
  TFindBar& bar = *window.FindBar;
  TTreeItem& page = Reach(window, "ActivePage");
  window.TV->setCurrentIndex(window.ItemModel().IndexOf(&page));
  bar.Open();
  Type(window, "\"PinX\" = \"2 in\"");
  EXPECT_EQ(CountText(window), "No matches");
  bar.se_Depth->setValue(7);

  // The button starts the search and returns: the steps run from the
  // event loop, and the view follows every expansion.
  QSignalSpy ended(&bar, &TFindBar::SearchEnded);
  bar.bt_Deeper->click();
  EXPECT_TRUE(bar.Searching());
  EXPECT_EQ(bar.bt_Deeper->text(), "Stop");
  ASSERT_TRUE(ended.wait(20000));
  EXPECT_FALSE(bar.Searching());
  ASSERT_NE(bar.LastSearch(), nullptr);
  EXPECT_TRUE(bar.LastSearch()->Done);
  EXPECT_FALSE(bar.LastSearch()->Stopped);
  EXPECT_GT(bar.LastSearch()->Matches, 0U);
  EXPECT_EQ(Current(window).substr(0, 19), "CellSRC[0]   \"PinX\"") << Current(window);
  EXPECT_EQ(CountText(window).substr(0, 5), "1 of ");
  EXPECT_TRUE(bar.lb_Progress->text().contains("matches"));
  EXPECT_TRUE(ViewOutOfStep(window).empty());
  EXPECT_EQ(bar.bt_Deeper->text(), "Search Deeper");

  // Stop: nothing is expanded after it, and the progress says so.
  TTreeItem& application = *window.Tree().First();
  window.TV->setCurrentIndex(window.ItemModel().IndexOf(&application));
  bar.se_Depth->setValue(TFindBar::kMaxDepth);
  bar.bt_Deeper->click();
  QTest::qWait(1);
  bar.bt_Deeper->click();
  EXPECT_FALSE(bar.Searching());
  EXPECT_TRUE(bar.LastSearch()->Stopped);
  const std::size_t items = window.Tree().ItemCount();
  QTest::qWait(50);
  EXPECT_EQ(window.Tree().ItemCount(), items);
  EXPECT_TRUE(bar.lb_Progress->text().contains("stopped"));

  // Closing the window while a search runs ends it with the window.
  bar.bt_Deeper->click();
  ASSERT_TRUE(bar.Searching());
  delete &window;
}

}  // namespace
