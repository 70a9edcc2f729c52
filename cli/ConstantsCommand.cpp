#include "cli/ConstantsCommand.h"

#include <ostream>

#include "cli/ExitStatus.h"
#include "lut/Tarvel_LUTListing.h"
#include "lut/Tarvel_TLUT.h"

namespace {

void PrintListing(const TLUT& table, std::ostream& out) {
  for (const std::string& line : FormatLUTListing(table)) out << line << '\n';
}

// Hex and TrueFalse are not in the registry but are tables a node can name.
const TLUT* FindAnyTable(const std::string& name) {
  if (name == LUT_Hex.Name()) return &LUT_Hex;
  if (name == LUT_TrueFalse.Name()) return &LUT_TrueFalse;
  return LUTAll.FindTable(name);
}

}  // namespace

int RunConstantsCommand(const std::optional<std::string>& tableName, std::ostream& out,
                        std::ostream& err) {
  if (!tableName) {
    for (std::int32_t i = 0; i < LUTAll.Count(); ++i) PrintListing(*LUTAll.TableAt(i), out);
    return kExitOk;
  }
  const TLUT* table = FindAnyTable(*tableName);
  if (table == nullptr) {
    err << "tarvel-tree: no constant table named \"" << *tableName << "\"\n";
    return kExitUsage;
  }
  PrintListing(*table, out);
  return kExitOk;
}
