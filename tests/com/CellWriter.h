// A second client of the served Visio for tarvel-tree.exe's test under
// Wine (tests/cli/tarvel-tree-windows.sh): the test program run with
// --set-formula changes cells while tarvel-tree.exe --events listens.
#pragma once

#include <string>
#include <vector>

namespace sinktest {

// Attaches to the running Visio.Application, waits until a client has
// advised events on its application's event list (AddAdvise), sets the formula of
// `cell` of the first shape on the active page to each of `formulas` in
// turn, then waits until the listener has removed its events again. 0 when
// all of it happened within the waits; otherwise 1, saying what failed on
// stderr.
int SetFormulasWhileListened(const std::string& cell, const std::vector<std::string>& formulas);

}  // namespace sinktest
