// tarvel-tree --constants: lists Visio's constant tables as the constant values
// window lists them.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

// Writes every catalogue table, in building order, or only the table named
// `tableName` (catalogue tables, "Hex" and "TrueFalse") to `out`. An unknown
// name is reported on `err`. Returns the process exit status. The catalogue must
// have been built.
int RunConstantsCommand(const std::optional<std::string>& tableName, std::ostream& out,
                        std::ostream& err);
