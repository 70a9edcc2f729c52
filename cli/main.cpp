// tarvel-tree: the command-line companion of Tarvel. It only reads the command
// line and hands over to one command.
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/ConstantsCommand.h"
#include "cli/ExitStatus.h"
#include "lut/Tarvel_TreeNodeLUTs.h"

namespace {

constexpr std::string_view kSynopsis =
    "Usage: tarvel-tree --constants [NAME]\n"
    "       tarvel-tree --help\n";

constexpr std::string_view kOptions =
    "Options:\n"
    "  --constants         list every table of Visio constants: the table's name\n"
    "                      and \":\", then one line per constant with its value in\n"
    "                      decimal and in hex and its full name\n"
    "  --constants NAME    list only the table NAME (for example\n"
    "                      LUT_VisSectionIndices, Hex or TrueFalse)\n"
    "  --help              show this help\n";

int UsageError(const std::string& problem) {
  std::cerr << "tarvel-tree: " << problem << '\n'
            << kSynopsis << "Try 'tarvel-tree --help' for more information.\n";
  return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return UsageError("no command given");

  const std::string& command = args[0];
  if (command == "--help" || command == "-h") {
    if (args.size() > 1) return UsageError("--help takes no arguments");
    std::cout << kSynopsis << '\n' << kOptions;
    return kExitOk;
  }
  if (command == "--constants") {
    if (args.size() > 2) return UsageError("--constants takes at most one table name");
    BuildVisioConstantCatalogue();
    const std::optional<std::string> name =
        args.size() == 2 ? std::optional<std::string>(args[1]) : std::nullopt;
    return RunConstantsCommand(name, std::cout, std::cerr);
  }
  if (command.starts_with("-")) return UsageError("unknown option '" + command + "'");
  return UsageError("unexpected argument '" + command + "'");
}
