// Every interface of the tree over the stand-in Visio's demo drawing: each
// object reached, expanded, shows every row of its table in order, and
// every row answers.
#include <gtest/gtest.h>

#include <deque>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "lut/Tarvel_TreeNodeLUTs.h"
#include "tree/Tarvel_Cells01.h"
#include "standin/Application.h"
#include "standin/Demo.h"
#include "tree/ValueNodes.h"
#include "tree/VisObjectNodes.h"

namespace {

using automation::ObjectRef;

// The rows at which Visio itself raises for some objects: the foreign type
// of a shape that is no foreign object, and the field properties of
// characters that are no field.
const std::set<std::pair<std::string_view, std::string_view>> kVisioRaises = {
    {"IVShape", "ForeignType"},
    {"IVCharacters", "FieldCategory"},
    {"IVCharacters", "FieldCode"},
    {"IVCharacters", "FieldFormat"},
    {"IVCharacters", "FieldFormula"},
};

std::string Where(const TTreeItem& item) {
  std::string path;
  for (const TTreeItem* p = &item; p != nullptr; p = p->Parent()) {
    const TTVNodeData& node = *p->Data();
    std::string step = node.Name;
    if (node.Index != kNoIndex) step += "[" + std::to_string(node.Index) + "]";
    path = path.empty() ? step : step + "/" + path;
  }
  return path;
}

TEST(DemoWalkTest, EveryInterfaceShowsEveryRowAnswered) {
  BuildVisioConstantCatalogue();
  BuildCellCatalogue();
  const auto app = automation::MakeRef<standin::Application>();
  standin::BuildDemoDrawing(*app);
  TTreeModel tree;
  TND_IVApplication& root = MakeApplicationRoot(tree, ObjectRef(app));

  // Each class is expanded once for every row name it is reached through,
  // which reaches every corner of the drawing without walking it all.
  std::set<TNodeClass> seen;
  std::set<std::pair<TNodeClass, std::string>> visited;
  std::vector<std::string> failures;
  std::deque<TTreeItem*> queue = {root.TreeNode};
  while (!queue.empty()) {
    TTreeItem& item = *queue.front();
    queue.pop_front();
    auto* object = dynamic_cast<TND_VisObject*>(item.Data());
    if (object == nullptr || !object->VisObj ||
        !visited.insert({object->Interface().Class, object->Name}).second) {
      continue;
    }
    const TVisInterface& visInterface = object->Interface();
    seen.insert(visInterface.Class);
    // An empty collection leads nowhere: the next one reached the same way
    // is tried too.
    if (object->GetCountValue(TCountKind::Count) == 0) {
      visited.erase({visInterface.Class, object->Name});
    }

    item.Expand();
    std::vector<std::string> shown;
    std::vector<std::string> expected;
    for (int i = 0; i < item.Count(); ++i) shown.push_back(item.Item(i)->Data()->Name);
    for (const TPropRow& row : visInterface.Rows) expected.emplace_back(row.Name);
    EXPECT_EQ(shown, expected) << Where(item);

    for (int i = 0; i < item.Count(); ++i) {
      TTreeItem& child = *item.Item(i);
      const std::string& name = child.Data()->Name;
      if (child.Text().find("EXCEPTION") != std::string::npos &&
          kVisioRaises.count({visInterface.Name, name}) == 0) {
        failures.push_back(Where(child) + ": " + child.Text());
      }
      if (dynamic_cast<TND_Array*>(child.Data()) == nullptr) {
        queue.push_back(&child);
        continue;
      }
      try {
        child.Expand();
      } catch (const std::exception& e) {
        failures.push_back(Where(child) + ": expanding raised \"" + e.what() + "\"");
      }
      for (int e = 0; e < child.Count(); ++e) queue.push_back(child.Item(e));
    }
  }

  std::vector<std::string_view> missing;
  for (const TVisInterface& visInterface : VisInterfaces()) {
    if (seen.count(visInterface.Class) == 0) missing.push_back(visInterface.Name);
  }
  EXPECT_TRUE(missing.empty()) << testing::PrintToString(missing);
  for (const std::string& failure : failures) ADD_FAILURE() << failure;
  app->Quit();
}

}  // namespace
