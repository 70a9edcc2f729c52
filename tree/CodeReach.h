// The way back from an automation expression to what it names: the VBA
// form CodeText writes, read again and walked member by member from the
// application. Windows are remembered between runs by the path to their
// root; this finds the root again.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "automation/Object.h"
#include "tree/CodePath.h"

// The path a VBA expression of CodeText's form spells
// ("Application.Documents.Item(1).Shapes.ItemFromID(5)", each argument a
// whole number, a string in double quotes or a constant name with an
// optional "+ n"); comment lines before it are skipped. Nothing for any
// other text, for a path that starts at a variable, and for text past
// kMaxCodeText characters or kMaxCodeSteps members.
inline constexpr std::size_t kMaxCodeText = 4096;
inline constexpr std::size_t kMaxCodeSteps = 64;
std::optional<TCodePath> ParseVbaPath(std::string_view text);

// Walks the path from `app` through the automation layer, a property get
// per member, constants by their names in the constant tables. Throws what
// Visio throws, and std::invalid_argument for a constant no table names.
automation::Variant ReachCodePath(const automation::ObjectRef& app, const TCodePath& path);

class TTreeModel;

// A tree window's root, as it is remembered between runs: the class and
// name of its node and the VBA path to its object.
struct TRootPlace {
  std::string nodeClass;  // "TND_IVShape"
  std::string name;       // the node's name ("Shape")
  std::string path;       // "Application.Documents.Item(1)..."
};

// The place of an object node at the root of a tree; nothing for other
// nodes and for a root whose way from the application Visio does not tell.
std::optional<TRootPlace> RootPlaceOf(TTVNodeData& root);
// The root again, made in `tree` and refreshed once: null when the place
// names no object class or its path no longer reaches an object. Throws
// what Visio throws.
TTVNodeData* RootFromPlace(TTreeModel& tree, const automation::ObjectRef& app,
                           const TRootPlace& place);
