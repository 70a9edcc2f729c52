// Writing values through the parent node: conversion, statuses and
// messages, and writes that go to a master's editable copy.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/tree/FakeApplication.h"
#include "tests/tree/TreeTestSupport.h"
#include "tree/VisObjectNodes.h"

namespace {

using automation::ObjectRef;
using automation::Variant;
using fake::FakeRef;
using tree_test::Child;
using tree_test::Expanded;

class SetValueTest : public tree_test::TreeTest {
 protected:
  fake::FakeApplication visio;
  TTreeModel tree;
  TND_IVApplication& root = MakeApplicationRoot(tree, ObjectRef(visio.app));
  TTreeItem& app = Expanded(*root.TreeNode);

  template <class T>
  T& Root(const char* name, const FakeRef& object) {
    T& node = MakeNode<T>(name, -1, tree, nullptr, nullptr, kNoIndex, TAccessKind::ReadOnly,
                          TIndexStyle::NoIndex, TVisObjSource::SupplyOnCreate, TNodeKind::VisObject,
                          nullptr, nullptr);
    node.VisObj = ObjectRef(object);
    node.Refresh(0);
    node.TreeNode->Expand();
    return node;
  }

  // A cell of a shape on a drawing page: writes go to the cell itself.
  static FakeRef PageCell() {
    const FakeRef shape = fake::Make();
    shape->Set("ContainingMaster", Variant());
    const FakeRef cell = fake::Make();
    cell->Set("Shape", Variant(shape)).Set("Name", "Width");
    return cell;
  }

  struct Outcome {
    TSetValueStatus status;
    std::string message;
  };
  static Outcome Write(TTreeItem& item, const std::string& text) {
    Outcome outcome{svsMisc, "stale"};
    outcome.status = item.Data()->SetValueStr(text, outcome.message);
    return outcome;
  }
};

TEST_F(SetValueTest, EachValueTypeIsConvertedAndWritten) {
  const FakeRef doc = visio.documents->items[0];
  doc->Set("PrintScale", Variant(1.0));
  TTreeItem& document = Expanded(Child(app, "ActiveDocument"));
  struct Case {
    const FakeRef& object;
    TTreeItem& parent;
    const char* property;
    std::string text;
    Variant written;
  };
  const std::vector<Case> cases = {
      {visio.app, app, "AlertResponse", "5", Variant(std::int16_t{5})},
      {visio.app, app, "AlertResponse", "-32768", Variant(std::int16_t{-32768})},
      {visio.app, app, "OnDataChangeDelay", "+2000000000", Variant(std::int32_t{2000000000})},
      {visio.app, app, "UserName", " Kim ", Variant(" Kim ")},
      {doc, document, "PrintScale", "1.5", Variant(1.5)},
      {doc, document, "PrintScale", "-2.5e-1", Variant(-0.25)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.property + std::string(" ") + c.text);
    c.object->writes.clear();
    const Outcome outcome = Write(Child(c.parent, c.property), c.text);
    EXPECT_EQ(outcome.status, svsOK);
    EXPECT_EQ(outcome.message, "");
    ASSERT_EQ(c.object->writes.size(), 1u);
    EXPECT_EQ(c.object->writes[0].first, c.property);
    EXPECT_EQ(c.object->writes[0].second, c.written);
  }
}

TEST_F(SetValueTest, TextThatDoesNotConvertIsRefusedBeforeVisioIsCalled) {
  TTreeItem& document = Expanded(Child(app, "ActiveDocument"));
  const std::vector<std::pair<TTreeItem*, std::pair<std::string, std::string>>> cases = {
      {&Child(app, "AlertResponse"), {"abc", " {'abc' is not a valid integer value}"}},
      {&Child(app, "AlertResponse"), {"", " {'' is not a valid integer value}"}},
      {&Child(app, "AlertResponse"), {"1.0", " {'1.0' is not a valid integer value}"}},
      {&Child(app, "AlertResponse"), {"70000", " {'70000' is out of range for a 16-bit integer}"}},
      {&Child(app, "OnDataChangeDelay"),
       {"3000000000", " {'3000000000' is out of range for a 32-bit integer}"}},
      {&Child(document, "PrintScale"), {"1,5", " {'1,5' is not a valid floating point value}"}},
      {&Child(document, "PrintScale"), {"nan", " {'nan' is not a valid floating point value}"}},
      {&Child(document, "PrintScale"), {"inf", " {'inf' is not a valid floating point value}"}},
      {&Child(document, "PrintScale"),
       {"-Infinity", " {'-Infinity' is not a valid floating point value}"}},
  };
  for (const auto& [item, texts] : cases) {
    SCOPED_TRACE(texts.first);
    const Outcome outcome = Write(*item, texts.first);
    EXPECT_EQ(outcome.status, svsSetValueFailed);
    EXPECT_EQ(outcome.message, texts.second);
  }
  EXPECT_TRUE(visio.app->writes.empty());
  EXPECT_TRUE(visio.documents->items[0]->writes.empty());
}

TEST_F(SetValueTest, VisioRefusingTheWriteGivesItsMessage) {
  visio.app->Fail("UserName", automation::E_FAIL, " Not now. ");
  const Outcome outcome = Write(Child(app, "UserName"), "Kim");
  EXPECT_EQ(outcome.status, svsSetValueFailed);
  EXPECT_EQ(outcome.message, " {Not now.}");
}

TEST_F(SetValueTest, RowsWithoutAPutChangeNothing) {
  const FakeRef window = visio.window;
  window->Set("Page", Variant("Page-1"));
  TTreeItem& activeWindow = Expanded(Child(app, "ActiveWindow"));
  const FakeRef cell = PageCell();
  TND_IVCell& cellNode = Root<TND_IVCell>("Cell", cell);

  for (TTreeItem* item : {&Child(app, "Language"), &Child(activeWindow, "Page"),
                          &Child(activeWindow, "PageFromName"), &Child(app, "Documents")}) {
    SCOPED_TRACE(item->Text());
    const Outcome outcome = Write(*item, "1");
    EXPECT_EQ(outcome.status, svsOK);
    EXPECT_EQ(outcome.message, "");
  }
  // A cell's write reports that the cell is in no master.
  const Outcome outcome = Write(Child(*cellNode.TreeNode, "FormulaForce"), "1");
  EXPECT_EQ(outcome.status, svsNoContainingMaster);
  EXPECT_EQ(outcome.message, "");
  EXPECT_TRUE(visio.app->writes.empty());
  EXPECT_TRUE(window->writes.empty());
  EXPECT_TRUE(cell->writes.empty());
}

TEST_F(SetValueTest, AnArrayElementIsWrittenWithItsIndex) {
  const FakeRef cell = PageCell();
  std::vector<Variant> args;
  cell->OnGet("Result", [](fake::Args) { return Variant(1.0); })
      .OnPut("Result", [&](fake::Args a, const Variant& value) {
        args.assign(a.begin(), a.end());
        args.push_back(value);
      });
  TND_IVCell& cellNode = Root<TND_IVCell>("Cell", cell);
  TTreeItem& result = Expanded(Child(*cellNode.TreeNode, "Result_"));
  const Outcome outcome = Write(Child(result, "Result_", std::int16_t{65}), "2.5");
  EXPECT_EQ(outcome.status, svsNoContainingMaster);
  EXPECT_EQ(args, (std::vector<Variant>{Variant(std::int32_t{65}), Variant(2.5)}));
  // The array itself has nothing to write.
  args.clear();
  EXPECT_EQ(Write(result, "1").status, svsNoContainingMaster);
  EXPECT_TRUE(args.empty());
}

TEST_F(SetValueTest, ACellInAMasterIsWrittenInTheOpenedCopy) {
  fake::FakeMasterShape m(false);
  TND_IVCell& cellNode = Root<TND_IVCell>("Cell", m.cell);
  const Outcome outcome = Write(Child(*cellNode.TreeNode, "Formula"), "2 in");
  EXPECT_EQ(outcome.status, svsOK);
  EXPECT_EQ(outcome.message, "");
  ASSERT_EQ(m.copyCell->writes.size(), 1u);
  EXPECT_EQ(m.copyCell->writes[0].second, Variant("2 in"));
  EXPECT_TRUE(m.cell->writes.empty());
  EXPECT_EQ(m.copy->calls.back(), "Call Close");
}

TEST_F(SetValueTest, AMasterThatWillNotOpenNestsItsMessageOncePerLevel) {
  struct Case {
    bool inGroup;
    std::string cellMessage;
    std::string shapeMessage;
  };
  for (const Case& c :
       std::vector<Case>{{false, " { {Master is locked.}}", " {Master is locked.}"},
                         {true, " { { {Master is locked.}}}", " { {Master is locked.}}"}}) {
    SCOPED_TRACE(c.inGroup ? "in a group" : "at the top level");
    fake::FakeMasterShape m(c.inGroup);
    m.master->Fail("Open", automation::E_FAIL, "Master is locked.");
    m.shape->Set("Name", "Sheet.2");

    TND_IVCell& cellNode = Root<TND_IVCell>("Cell", m.cell);
    Outcome outcome = Write(Child(*cellNode.TreeNode, "Formula"), "2 in");
    EXPECT_EQ(outcome.status, svsMasterOpenFailed);
    EXPECT_EQ(outcome.message, c.cellMessage);
    // The node's own cell is written instead.
    ASSERT_EQ(m.cell->writes.size(), 1u);

    // When that is refused as well, its message follows.
    m.cell->Fail("Formula", automation::E_FAIL, "Protected.");
    outcome = Write(Child(*cellNode.TreeNode, "Formula"), "3 in");
    EXPECT_EQ(outcome.status, svsSetValueFailed);
    EXPECT_EQ(outcome.message, c.cellMessage + " {Protected.}");

    TND_IVShape& shapeNode = Root<TND_IVShape>("Shape", m.shape);
    outcome = Write(Child(*shapeNode.TreeNode, "Name"), "Box");
    EXPECT_EQ(outcome.status, svsMasterOpenFailed);
    EXPECT_EQ(outcome.message, c.shapeMessage);
    EXPECT_EQ(m.shape->writes.back().second, Variant("Box"));
  }
}

TEST_F(SetValueTest, AShapeOnAPageIsWrittenItself) {
  const FakeRef shape = fake::Make();
  shape->Set("ContainingMaster", Variant()).Set("Name", "Sheet.1");
  TND_IVShape& shapeNode = Root<TND_IVShape>("Shape", shape);
  const Outcome outcome = Write(Child(*shapeNode.TreeNode, "Name"), "Box");
  EXPECT_EQ(outcome.status, svsNoContainingMaster);
  EXPECT_EQ(outcome.message, "");
  EXPECT_EQ(shape->writes.back().second, Variant("Box"));
}

}  // namespace
