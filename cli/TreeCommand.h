// tarvel-tree's tree printing: the attached Visio's object tree, expanded
// along paths and to a depth, printed as the tree window shows it.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "cli/Watch.h"
#include "tree/CodePath.h"

struct TTreeOptions {
  int depth = 1;                    // levels expanded below each path's last item
  std::vector<std::string> expand;  // "/"-separated item names from the root
  bool selectedShape = false;       // root the tree at the selected shape
  bool refresh = false;             // a full refresh of the root before printing
  bool allSections = false;         // sheets show every section of today's Visio
  // Set: print the automation expression of the item at codePath in this
  // language instead of the tree.
  std::optional<TCodeLanguage> codeLanguage;
  std::string codePath;
  // Set: after the tree, refresh it at the interval and print what changed.
  std::optional<TWatchOptions> watch;
};

// Builds the tree over VisioController's Visio, prints every visible
// caption indented two blanks per level, and returns the exit status: 2 for
// a path that matches nothing, 1 when Visio could not give what was asked
// or an expansion failed, 3 when the link to Visio failed during the run
// (the tree is still printed in both cases). With watch options it then
// prints each refresh's changes, as WatchTree does. With a code language it prints
// the expression of the item at the code path instead, with the same exit
// statuses.
int RunTreeCommand(const TTreeOptions& options, std::ostream& out, std::ostream& err);
