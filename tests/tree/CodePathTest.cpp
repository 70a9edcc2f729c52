// The automation expressions of tree items over the stand-in Visio's demo
// drawing: the VBA form is run against Visio by a small evaluator and must
// reach the item's own object or value; the Python and C# forms are checked
// by their text. Also the value the copy commands take from an item.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <limits>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "lut/Tarvel_TLUT.h"
#include "tests/support/SharedFile.h"
#include "tests/tree/DemoTreeTest.h"
#include "tree/CodePath.h"
#include "tree/ValueNodes.h"
#include "tree/ValueText.h"
#include "tree/VisObjectNodes.h"

namespace {

using automation::ObjectRef;
using automation::Variant;
using tree_test::Child;
using tree_test::Expanded;

// Visio's constants by name: today's table beside the repository when it is
// there (so that a name the tree's own tables got wrong is caught), else
// the tree's tables.
const std::map<std::string, std::int32_t>& Constants() {
  static const auto* const constants = [] {
    auto* table = new std::map<std::string, std::int32_t>();
    if (const std::string file = tarvel_test::SharedFile("visio-constants-2016.tsv");
        !file.empty()) {
      std::ifstream in(file);
      std::string line;
      std::getline(in, line);  // the header
      while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string enumName, member, value;
        std::getline(fields, enumName, '\t');
        std::getline(fields, member, '\t');
        std::getline(fields, value, '\t');
        table->emplace(member, std::stoi(value));
      }
    } else {
      for (std::int32_t t = 0; t < TheLUTAll().Count(); ++t) {
        const TLUT& lut = *TheLUTAll().TableAt(t);
        for (std::int32_t i = 0; i < lut.Count(); ++i) {
          table->emplace(lut.Prefix() + lut.EntryAt(i)->Name(), lut.EntryAt(i)->Value());
        }
      }
    }
    return table;
  }();
  return *constants;
}

// Runs one VBA expression of the form Application.A.B(x, "y", visZ + 1).C
// through the automation layer, member by member; comment lines are
// skipped.
class VbaEvaluator {
 public:
  VbaEvaluator(ObjectRef app, const std::string& code) : app_(std::move(app)) {
    std::istringstream lines(code);
    std::string line;
    while (std::getline(lines, line)) {
      if (!line.starts_with("'")) text_ += line;
    }
  }

  Variant Run() {
    const std::string root = Identifier();
    if (root != "Application") throw std::runtime_error("starts at " + root);
    Variant current{app_};
    while (pos_ < text_.size()) {
      Expect('.');
      const std::string member = Identifier();
      std::vector<Variant> args;
      if (pos_ < text_.size() && text_[pos_] == '(') {
        ++pos_;
        while (text_[pos_] != ')') {
          args.push_back(Argument());
          if (text_[pos_] == ',') pos_ += 2;
        }
        ++pos_;
      }
      const ObjectRef object = current.ToObject();
      if (!object) throw std::runtime_error("Nothing before ." + member);
      current = object->Invoke(automation::CallKind::PropertyGet, member, automation::Args(args));
    }
    return current;
  }

 private:
  void Expect(char c) {
    if (pos_ >= text_.size() || text_[pos_] != c) {
      throw std::runtime_error(std::string("expected '") + c + "' at " + std::to_string(pos_) +
                               " of " + text_);
    }
    ++pos_;
  }

  std::string Identifier() {
    const std::size_t start = pos_;
    while (pos_ < text_.size() &&
           (std::isalnum(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '_')) {
      ++pos_;
    }
    if (pos_ == start) throw std::runtime_error("no name at " + std::to_string(pos_));
    return text_.substr(start, pos_ - start);
  }

  Variant Argument() {
    if (text_[pos_] == '"') {
      std::string value;
      for (++pos_;; ++pos_) {
        if (text_[pos_] == '"') {
          if (text_[pos_ + 1] != '"') break;
          ++pos_;
        }
        value += text_[pos_];
      }
      ++pos_;
      return Variant(value);
    }
    if (std::isdigit(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '-') {
      const std::size_t start = pos_++;
      while (std::isdigit(static_cast<unsigned char>(text_[pos_]))) ++pos_;
      return Variant(std::int32_t{std::stoi(text_.substr(start, pos_ - start))});
    }
    const std::string name = Identifier();
    const auto found = Constants().find(name);
    if (found == Constants().end()) throw std::runtime_error("no constant " + name);
    std::int32_t value = found->second;
    if (text_.compare(pos_, 3, " + ") == 0) {
      pos_ += 3;
      const std::size_t start = pos_;
      while (std::isdigit(static_cast<unsigned char>(text_[pos_]))) ++pos_;
      value += std::stoi(text_.substr(start, pos_ - start));
    }
    return Variant(value);
  }

  ObjectRef app_;
  std::string text_;
  std::size_t pos_ = 0;
};

class CodePathTest : public tree_test::DemoTreeTest {
 protected:
  void SetUp() override {
    DemoTreeTest::SetUp();
    root = MakeApplicationRoot(tree, ObjectRef(app)).TreeNode;
  }

  // The item at a path as tarvel-tree --expand takes it: names from the
  // root, Name[i] an element, under the item or its array of that name.
  TTreeItem& Reach(const std::string& path) { return tree_test::ReachPath(*root, path); }

  Variant Evaluate(const std::string& vba) { return VbaEvaluator(ObjectRef(app), vba).Run(); }

  // Whether what an expression reached is what the node stands for: its
  // object, a cell's formula, an array's count or a value as the tree reads
  // it raw.
  static testing::AssertionResult SameAsNode(const Variant& reached, TTVNodeData& node) {
    if (auto* cell = dynamic_cast<TND_IVCell*>(&node)) {
      const std::string formula = cell->VisObj.Get("Formula").ToString();
      if (reached.ToString() == formula) return testing::AssertionSuccess();
      return testing::AssertionFailure() << reached.ToString() << " is not " << formula;
    }
    if (auto* object = dynamic_cast<TND_VisObject*>(&node)) {
      if (automation::SameObject(reached.ToObject(), object->VisObj)) {
        return testing::AssertionSuccess();
      }
      return testing::AssertionFailure() << "another object";
    }
    const std::string raw = node.GetValueStr(std::numeric_limits<int>::max(), true);
    std::string text;
    if (dynamic_cast<TND_Double*>(&node) != nullptr) {
      text = FormatFloat(reached.ToDouble(), true);
    } else if (dynamic_cast<TND_WideString*>(&node) != nullptr) {
      text = reached.ToString();
    } else {
      text = std::to_string(reached.ToInt32());
    }
    if (text == raw) return testing::AssertionSuccess();
    return testing::AssertionFailure() << text << " is not " << raw;
  }

  TTreeItem* root = nullptr;
};

constexpr const char* kDoc = "Documents/Item[1]";
constexpr const char* kPage = "Documents/Item[1]/Pages/Item[1]";
constexpr const char* kShapes = "Documents/Item[1]/Pages/Item[1]/Shapes";

struct CodeCase {
  std::string path;
  std::string vba, python, csharp;
};

std::string Join(const std::string& a, const std::string& b) {
  return a + "/" + b;
}

TEST_F(CodePathTest, EachItemsExpressionReachesItInEveryLanguage) {
  const std::string page1 = ".Documents.Item(1).Pages.ItemU(\"Page-1\")";
  const std::string page1cs = ".Documents[1].Pages.get_ItemU(\"Page-1\")";
  const std::vector<CodeCase> cases = {
      {"", "Application", "app", "app"},
      {kDoc, "Application.Documents.Item(1)", "app.Documents.Item(1)", "app.Documents[1]"},
      {kPage, "Application" + page1, "app" + page1, "app" + page1cs},
      // Shapes by ID: the second shape has ID 2, the group's first member 5.
      {Join(kShapes, "Item[2]"), "Application" + page1 + ".Shapes.ItemFromID(2)",
       "app" + page1 + ".Shapes.ItemFromID(2)", "app" + page1cs + ".Shapes.get_ItemFromID(2)"},
      {Join(kShapes, "Item[4]/Shapes/Item[1]"),
       "Application" + page1 + ".Shapes.ItemFromID(4).Shapes.ItemFromID(5)",
       "app" + page1 + ".Shapes.ItemFromID(4).Shapes.ItemFromID(5)",
       "app" + page1cs + ".Shapes.get_ItemFromID(4).Shapes.get_ItemFromID(5)"},
      {Join(kDoc, "Masters/Item[2]"), "Application.Documents.Item(1).Masters.ItemU(\"Server\")",
       "app.Documents.Item(1).Masters.ItemU(\"Server\")",
       "app.Documents[1].Masters.get_ItemU(\"Server\")"},
      {Join(kDoc, "Styles/Item[3]"), "Application.Documents.Item(1).Styles.ItemU(\"None\")",
       "app.Documents.Item(1).Styles.ItemU(\"None\")",
       "app.Documents[1].Styles.get_ItemU(\"None\")"},
      {Join(kPage, "Layers/Item[2]"), "Application" + page1 + ".Layers.ItemU(\"Annotations\")",
       "app" + page1 + ".Layers.ItemU(\"Annotations\")",
       "app" + page1cs + ".Layers.get_ItemU(\"Annotations\")"},
      {Join(kShapes, "Item[2]/CellsSRC-Sections/S[1]/R[1]/CellSRC[0]"),
       "Application" + page1 +
           ".Shapes.ItemFromID(2).CellsSRC(visSectionObject, visRowXFormOut, visXFormPinX).Formula",
       "app" + page1 +
           ".Shapes.ItemFromID(2).CellsSRC(constants.visSectionObject, constants.visRowXFormOut, "
           "constants.visXFormPinX).Formula",
       "app" + page1cs +
           ".Shapes.get_ItemFromID(2).get_CellsSRC((short)VisSectionIndices.visSectionObject, "
           "(short)VisRowIndices.visRowXFormOut, (short)VisCellIndices.visXFormPinX).Formula"},
      // A repeating row counts from its section's first row constant.
      {Join(kShapes, "Item[1]/CellsSRC-Sections/S[10]/R[2]/CellSRC[1]"),
       "Application" + page1 +
           ".Shapes.ItemFromID(1).CellsSRC(visSectionFirstComponent, visRowVertex + 1, visY)"
           ".Formula",
       "app" + page1 +
           ".Shapes.ItemFromID(1).CellsSRC(constants.visSectionFirstComponent, "
           "constants.visRowVertex + 1, constants.visY).Formula",
       "app" + page1cs +
           ".Shapes.get_ItemFromID(1).get_CellsSRC((short)VisSectionIndices."
           "visSectionFirstComponent, (short)(VisRowIndices.visRowVertex + 1), "
           "(short)VisCellIndices.visY).Formula"},
      // A cell of a named row by its name, the value column and another.
      {Join(kShapes, "Item[1]/CellsSRC-Sections/S[243]/R[0]/CellSRC[0]"),
       "Application" + page1 + ".Shapes.ItemFromID(1).CellsU(\"Prop.Cost\").Formula",
       "app" + page1 + ".Shapes.ItemFromID(1).CellsU(\"Prop.Cost\").Formula",
       "app" + page1cs + ".Shapes.get_ItemFromID(1).get_CellsU(\"Prop.Cost\").Formula"},
      {Join(kShapes, "Item[1]/CellsSRC-Sections/S[243]/R[2]/CellSRC[2]"),
       "Application" + page1 + ".Shapes.ItemFromID(1).CellsU(\"Prop.Priority.Label\").Formula",
       "app" + page1 + ".Shapes.ItemFromID(1).CellsU(\"Prop.Priority.Label\").Formula",
       "app" + page1cs + ".Shapes.get_ItemFromID(1).get_CellsU(\"Prop.Priority.Label\").Formula"},
      // A style's cell, by the universal name the tree reads it by.
      {Join(kDoc, "Styles/Item[3]/Cells/Cells[5]"),
       "Application.Documents.Item(1).Styles.ItemU(\"None\").CellsU(\"Char.Size\").Formula",
       "app.Documents.Item(1).Styles.ItemU(\"None\").CellsU(\"Char.Size\").Formula",
       "app.Documents[1].Styles.get_ItemU(\"None\").get_CellsU(\"Char.Size\").Formula"},
      // An array of items shows the collection's count.
      {Join(kShapes, "Item"), "Application" + page1 + ".Shapes.Count",
       "app" + page1 + ".Shapes.Count", "app" + page1cs + ".Shapes.Count"},
      {Join(kShapes, "Item[2]/Layer"), "Application" + page1 + ".Shapes.ItemFromID(2).LayerCount",
       "app" + page1 + ".Shapes.ItemFromID(2).LayerCount",
       "app" + page1cs + ".Shapes.get_ItemFromID(2).LayerCount"},
      {"Windows/Item[1]/Zoom", "Application.Windows.Item(1).Zoom", "app.Windows.Item(1).Zoom",
       "app.Windows[1].Zoom"},
      // Elements of indexed properties: by unit constant, by position.
      {Join(kDoc, "PaperWidth[65]"), "Application.Documents.Item(1).PaperWidth(visInches)",
       "app.Documents.Item(1).PaperWidth(constants.visInches)",
       "app.Documents[1].get_PaperWidth((short)VisUnitCodes.visInches)"},
      {Join(kShapes, "Item[2]/Layer[1]"), "Application" + page1 + ".Shapes.ItemFromID(2).Layer(1)",
       "app" + page1 + ".Shapes.ItemFromID(2).Layer(1)",
       "app" + page1cs + ".Shapes.get_ItemFromID(2).get_Layer(1)"},
      {Join(kShapes, "Item[2]/Text"), "Application" + page1 + ".Shapes.ItemFromID(2).Text",
       "app" + page1 + ".Shapes.ItemFromID(2).Text",
       "app" + page1cs + ".Shapes.get_ItemFromID(2).Text"},
  };
  for (const CodeCase& c : cases) {
    SCOPED_TRACE(c.path);
    TTreeItem& item = c.path.empty() ? *root : Reach(c.path);
    TTVNodeData& node = *item.Data();
    EXPECT_EQ(CodeOf(node, TCodeLanguage::VBA), c.vba);
    EXPECT_EQ(CodeOf(node, TCodeLanguage::Python), c.python);
    EXPECT_EQ(CodeOf(node, TCodeLanguage::CSharp), c.csharp);
    EXPECT_TRUE(CodePathOf(node).notes.empty());
    EXPECT_TRUE(SameAsNode(Evaluate(c.vba), node)) << c.vba;
  }
}

// With All Sections on, the rows and cells of today's Visio that the tree's
// own tables do not know are named by today's constants too (hyperlinks,
// tab stops, the Object section's newer rows), and still reach the cell.
TEST_F(CodePathTest, TodaysRowsAndCellsAreNamedByTheirConstants) {
  // The tree's own tables lack today's constants the expressions name.
  if (tarvel_test::SharedFile("visio-constants-2016.tsv").empty()) {
    GTEST_SKIP() << "no visio-constants-2016.tsv in TARVEL_SHARED_DIR";
  }
  tree.SetAllSections(true);
  static const std::regex cellsSRC(R"(CellsSRC\((.*), (.*), (.*)\)\.Formula$)");
  std::vector<std::string> numbered;
  int cells = 0;
  for (const char* shape : {"Item[1]", "Item[6]"}) {
    TTreeItem& sections = Expanded(Reach(Join(Join(kShapes, shape), "CellsSRC-Sections")));
    for (int s = 0; s < sections.Count(); ++s) {
      TTreeItem& section = Expanded(*sections.Item(s));
      for (int r = 0; r < section.Count(); ++r) {
        TTreeItem& row = Expanded(*section.Item(r));
        for (int k = 0; k < row.Count(); ++k) {
          auto* cell = dynamic_cast<TND_IVCell*>(row.Item(k)->Data());
          if (cell == nullptr || !cell->VisObj) continue;
          ++cells;
          const std::string vba = CodeOf(*cell, TCodeLanguage::VBA);
          SCOPED_TRACE(row.Item(k)->Text() + ": " + vba);
          EXPECT_TRUE(SameAsNode(Evaluate(vba), *cell));
          std::smatch args;
          if (!std::regex_search(vba, args, cellsSRC)) continue;  // by its row's name
          for (std::size_t a = 1; a <= 3; ++a) {
            if (std::isdigit(static_cast<unsigned char>(args[a].str()[0]))) {
              numbered.push_back(section.Item(r)->Text() + " / " + row.Item(k)->Text());
            }
          }
        }
      }
    }
  }
  EXPECT_GT(cells, 300);
  // Only the third cell of each tab stop ("Tabs.Reserved1") has no constant.
  for (const std::string& n : numbered) EXPECT_NE(n.find("Tabs.Reserved"), std::string::npos) << n;
  const TTreeItem& tabs = Reach(Join(kShapes, "Item[1]/CellsSRC-Sections/S[5]/R[0]/CellSRC[4]"));
  EXPECT_EQ(CodeOf(*tabs.Data(), TCodeLanguage::CSharp),
            "app.Documents[1].Pages.get_ItemU(\"Page-1\").Shapes.get_ItemFromID(1).get_CellsSRC("
            "(short)VisSectionIndices.visSectionTab, (short)VisRowIndices.visRowTab, "
            "(short)(VisCellIndices.visTabPos + 3)).Formula");
}

// What no expression reaches gives its nearest object's, saying so in a
// comment of the language.
TEST_F(CodePathTest, ItemsThatAreNoExpressionGiveTheNearestObjectWithANote) {
  const std::string shape2 =
      "Application.Documents.Item(1).Pages.ItemU(\"Page-1\").Shapes.ItemFromID(2)";
  struct Case {
    std::string path;
    std::string note;
    std::string nearest;  // the path of the item the expression reaches
  };
  const std::vector<Case> cases = {
      {Join(kShapes, "Item[2]/CellsSRC-Sections"),
       "the sections are no object: this is their shape", Join(kShapes, "Item[2]")},
      {Join(kShapes, "Item[2]/CellsSRC-Sections/S[1]"),
       "section visSectionObject is no object: this is its shape", Join(kShapes, "Item[2]")},
      {Join(kShapes, "Item[1]/CellsSRC-Sections/S[243]/R[1]"),
       "row visRowProp + 1 of section visSectionProp is no object: this is its shape",
       Join(kShapes, "Item[1]")},
      {Join(kShapes, "Item[6]/CellsSRC-Sections/S[11]"),
       "section visSectionFirstComponent + 1 is no object: this is its shape",
       Join(kShapes, "Item[6]")},
      {Join(kDoc, "PaperWidth"),
       "PaperWidth takes an index (see the items below it): this is its object", kDoc},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    TTVNodeData& node = *Reach(c.path).Data();
    TTVNodeData& nearest = *Reach(c.nearest).Data();
    const std::string expression = CodeOf(nearest, TCodeLanguage::VBA);
    EXPECT_EQ(CodeOf(node, TCodeLanguage::VBA), "' " + c.note + "\n" + expression);
    EXPECT_EQ(CodeOf(node, TCodeLanguage::Python),
              "# " + c.note + "\n" + CodeOf(nearest, TCodeLanguage::Python));
    EXPECT_EQ(CodeOf(node, TCodeLanguage::CSharp),
              "// " + c.note + "\n" + CodeOf(nearest, TCodeLanguage::CSharp));
    EXPECT_TRUE(SameAsNode(Evaluate(CodeOf(node, TCodeLanguage::VBA)), nearest));
  }
  EXPECT_EQ(
      CodeOf(*Reach(Join(kShapes, "Item[2]/CellsSRC-Sections/S[1]")).Data(), TCodeLanguage::VBA),
      "' section visSectionObject is no object: this is its shape\n" + shape2);

  // A write-only property is reached, but only to be assigned.
  TTVNodeData& force = *Reach(Join(kShapes, "Item[2]/TextStyleKeepFmt")).Data();
  EXPECT_EQ(CodeOf(force, TCodeLanguage::VBA),
            "' TextStyleKeepFmt is write-only: assign to it\n" + shape2 + ".TextStyleKeepFmt");
}

// A tree that starts elsewhere than at the application (a shape's own tree,
// a cell's source) is traced back to it through Visio's containers; what
// cannot be traced becomes a variable.
TEST_F(CodePathTest, RootsElsewhereAreTracedBackToTheApplication) {
  const ObjectRef member =
      Evaluate(
          "Application.Documents.Item(1).Pages.ItemU(\"Page-1\").Shapes.ItemFromID(4)"
          ".Shapes.ItemFromID(5)")
          .ToObject();
  TTreeModel own;
  TND_IVShape& shapeRoot = MakeShapeRoot(own, member);
  EXPECT_EQ(CodeOf(shapeRoot, TCodeLanguage::VBA),
            CodeOf(*Reach(Join(kShapes, "Item[4]/Shapes/Item[1]")).Data(), TCodeLanguage::VBA));
  TTVNodeData& pinY =
      *Child(Expanded(Child(
                 Expanded(Child(Expanded(Child(Expanded(*shapeRoot.TreeNode), "CellsSRC-Sections")),
                                "S[1]")),
                 "R[1]")),
             "CellSRC", 1)
           .Data();
  EXPECT_EQ(CodeOf(pinY, TCodeLanguage::VBA),
            "Application.Documents.Item(1).Pages.ItemU(\"Page-1\").Shapes.ItemFromID(4).Shapes."
            "ItemFromID(5).CellsSRC(visSectionObject, visRowXFormOut, visXFormPinY).Formula");

  // The second shape's width comes from its master: its source cell's tree
  // is traced through the master's sheet.
  auto& width = dynamic_cast<TND_IVCell&>(
      *Reach(Join(kShapes, "Item[2]/CellsSRC-Sections/S[1]/R[1]/CellSRC[2]")).Data());
  TTreeModel sourceTree;
  TTVNodeData* source = width.SourceCellToTree(sourceTree);
  ASSERT_NE(source, nullptr);
  const std::string sourceCode = CodeOf(*source, TCodeLanguage::VBA);
  EXPECT_EQ(sourceCode,
            "Application.Documents.Item(1).Masters.ItemU(\"Process\").Shapes.ItemFromID(1)."
            "CellsSRC(visSectionObject, visRowXFormOut, visXFormWidth).Formula");
  EXPECT_TRUE(SameAsNode(Evaluate(sourceCode), *source));

  // A window's own tree: Visio gives no way back from a window.
  auto& window = dynamic_cast<TND_VisObject&>(*Reach("Windows/Item[1]").Data());
  TTreeModel windowTree;
  TTVNodeData* windowRoot = window.CopyToTree(windowTree);
  ASSERT_NE(windowRoot, nullptr);
  windowRoot->Refresh(0);
  const std::string note =
      "window stands for the Window this tree starts at; Visio does not "
      "tell how to reach it";
  EXPECT_EQ(CodeOf(*windowRoot, TCodeLanguage::VBA), "' " + note + "\nwindow");
  Expanded(*windowRoot->TreeNode);
  EXPECT_EQ(CodeOf(*Child(*windowRoot->TreeNode, "Zoom").Data(), TCodeLanguage::CSharp),
            "// " + note + "\nwindow.Zoom");
}

// Names are written as each language quotes strings, and the quoted name
// still finds its object.
TEST_F(CodePathTest, NamesAreQuotedAsEachLanguageWantsThem) {
  const ObjectRef page =
      Evaluate("Application.Documents.Item(1).Pages.ItemU(\"Page-1\")").ToObject();
  page.Put("NameU", Variant(std::string(R"(Say "hi" C:\plan)")));
  TTVNodeData& node = *Reach(kPage).Data();
  const std::string vba = CodeOf(node, TCodeLanguage::VBA);
  EXPECT_EQ(vba, R"(Application.Documents.Item(1).Pages.ItemU("Say ""hi"" C:\plan"))");
  EXPECT_EQ(CodeOf(node, TCodeLanguage::Python),
            R"(app.Documents.Item(1).Pages.ItemU("Say \"hi\" C:\\plan"))");
  EXPECT_EQ(CodeOf(node, TCodeLanguage::CSharp),
            R"(app.Documents[1].Pages.get_ItemU("Say \"hi\" C:\\plan"))");
  EXPECT_TRUE(SameAsNode(Evaluate(vba), node));
}

// Copy Value takes what the edit window would edit: the whole raw value.
TEST_F(CodePathTest, TheValueToCopyIsTheRawValueAlone) {
  const ObjectRef shape =
      Evaluate("Application.Documents.Item(1).Pages.ItemU(\"Page-1\").Shapes.ItemFromID(2)")
          .ToObject();
  const std::string longText(300, 'x');
  shape.Put("Text", Variant("\"" + longText + "\""));
  struct Case {
    std::string path;
    std::optional<std::string> value;
  };
  const std::vector<Case> cases = {
      {Join(kShapes, "Item[2]/Text"), "\"" + longText + "\""},  // not cut, not quoted again
      {Join(kShapes, "Item[2]/ObjectType"), "17"},              // the number, not its name
      {Join(kShapes, "Item[2]/CellsSRC-Sections/S[1]/R[1]/CellSRC[2]"),
       shape.Get("Cells", {Variant("Width")}).ToObject().Get("Formula").ToString()},
      {Join(kShapes, "Item"), "9"},              // an array's count
      {Join(kDoc, "PaperWidth"), "35"},          // ... of a table's entries
      {Join(kShapes, "Item[2]"), std::nullopt},  // an object
      {"Vbe", std::nullopt},                     // a reference the tree does not follow
      {Join(kShapes, "Item[2]/TextStyleKeepFmt"), std::nullopt},  // write-only
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ValueToCopy(*Reach(c.path).Data()), c.value) << c.path;
  }
}

TEST(CodeLanguageTest, KeysNameTheLanguagesInAnyCase) {
  EXPECT_EQ(CodeLanguageFromKey("vba"), TCodeLanguage::VBA);
  EXPECT_EQ(CodeLanguageFromKey("Python"), TCodeLanguage::Python);
  EXPECT_EQ(CodeLanguageFromKey("CSHARP"), TCodeLanguage::CSharp);
  for (const char* other : {"", "c#", "py", "vbax", "javascript"}) {
    EXPECT_EQ(CodeLanguageFromKey(other), std::nullopt) << other;
  }
}

}  // namespace
