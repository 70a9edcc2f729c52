// What the tree window's copy commands put on the clipboard, worked out
// without a window: an item's value alone, and the automation expression
// that reaches the item's object or value from Visio's application, in
// VBA, Python (win32com) or C# (the Visio interop assembly).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tree/NodeData.h"

enum class TCodeLanguage : std::uint8_t { VBA, Python, CSharp };
inline constexpr std::array<TCodeLanguage, 3> kCodeLanguages = {
    TCodeLanguage::VBA, TCodeLanguage::Python, TCodeLanguage::CSharp};
// The names the command line and the settings use.
inline constexpr auto TCodeLanguageKeys =
    std::to_array<std::string_view>({"vba", "python", "csharp"});
static_assert(NamesEvery(TCodeLanguageKeys, TCodeLanguage::CSharp));
// The names the menu shows.
inline constexpr auto TCodeLanguageTitles =
    std::to_array<std::string_view>({"VBA", "Python (win32com)", "C# (Visio interop)"});
static_assert(NamesEvery(TCodeLanguageTitles, TCodeLanguage::CSharp));

// A key as above, in any letter case; nothing for any other text.
std::optional<TCodeLanguage> CodeLanguageFromKey(std::string_view key);

// One argument of a member call in an expression.
struct TCodeArg {
  enum class Kind : std::uint8_t { Number, String, Constant };
  Kind kind = Kind::Number;
  std::int32_t number = 0;  // the number; for a constant, what is added to it
  std::string text;         // the string; for a constant, its member name ("visSectionObject")
  std::string enumName;     // for a constant, its enumeration ("VisSectionIndices")

  static TCodeArg Number(std::int32_t value);
  static TCodeArg String(std::string value);
  static TCodeArg Constant(std::string member, std::string enumName, std::int32_t offset = 0);
};

// One member in an expression: a property, or a property or method called
// with arguments. Item is the collections' default member.
struct TCodeStep {
  std::string member;
  std::vector<TCodeArg> args;
  bool call = false;  // written with parentheses even without arguments
};

struct TCodePath {
  // Empty when the path starts at the application; otherwise the variable
  // that stands for the object it starts at ("shape").
  std::string variable;
  std::vector<TCodeStep> steps;
  // Why the expression stops short of the item and what it reaches
  // instead, or what a variable stands for; one line each.
  std::vector<std::string> notes;
};

// The path to the node's object or value, walked up through its ancestors.
// Collection elements are named as robustly as Visio allows (shapes by ID;
// pages, masters, styles and layers by universal name), cells by section,
// row and column constants, or by universal name in rows that have names.
// Items that are no expression (sheet sections and rows, arrays indexed by
// a table) give the nearest object's path with a note. A root that is not
// the application is traced back to it through the object's own
// containers where Visio tells them (shapes, pages, masters, documents,
// styles, cells), else it becomes a variable. Reads Visio; never throws
// for what Visio answers.
TCodePath CodePathOf(TTVNodeData& node);

// The expression in a language, preceded by each note as a comment line.
std::string CodeText(const TCodePath& path, TCodeLanguage language);
std::string CodeOf(TTVNodeData& node, TCodeLanguage language);

// The node's value alone, as the edit window shows it to be edited: a
// cell's formula, a value node's whole raw value, an array's count; nothing
// for objects and for nodes without a value.
std::optional<std::string> ValueToCopy(TTVNodeData& node);
