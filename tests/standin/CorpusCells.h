// What the corpus tests know of single cells of the shared drawings.
#pragma once

#include <string_view>

namespace standin::corpus {

// Cells whose file records a value their own formula does not give, where
// the stand-in works the formula out as Visio does once it recalculates:
// the page shapes of aspose_NetworkDiagram_start.vsdx put their callouts
// at -Height*0.5+ThePage!User.msvDGCalloutGap, which is -0.457 in with the
// page's gap of 0.75, and record -1.957 in (as if the gap were taken
// away), while the master they come from records what its formula gives.
inline bool CachesAnotherValue(std::string_view file, std::string_view cell,
                               std::string_view formula) {
  struct Known {
    std::string_view file, cell, formula;
  };
  static constexpr Known kKnown[] = {
      {"aspose_NetworkDiagram_start.vsdx", "PinY", "-Height*0.5+ThePage!User.msvDGCalloutGap"}};
  for (const Known& k : kKnown) {
    if (file == k.file && cell == k.cell && formula == k.formula) return true;
  }
  return false;
}

}  // namespace standin::corpus
