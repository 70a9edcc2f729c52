// tarvel-tree's tree printing: the attached Visio's object tree, expanded
// along paths and to a depth, printed as the tree window shows it.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

struct TTreeOptions {
  int depth = 1;                    // levels expanded below each path's last item
  std::vector<std::string> expand;  // "/"-separated item names from the root
  bool selectedShape = false;       // root the tree at the selected shape
  bool refresh = false;             // a full refresh of the root before printing
};

// Builds the tree over VisioController's Visio, prints every visible
// caption indented two blanks per level, and returns the exit status: 2 for
// a path that matches nothing, 1 when Visio could not give what was asked
// or an expansion failed, 3 when the link to Visio failed during the run
// (the tree is still printed in both cases).
int RunTreeCommand(const TTreeOptions& options, std::ostream& out, std::ostream& err);
