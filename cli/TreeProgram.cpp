// tarvel-tree: the command-line companion of Tarvel. It reads the command
// line and hands over to one command: printing the object tree (the
// default), printing Visio's events, or listing the constant tables.
#include "cli/TreeProgram.h"

#include <charconv>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/ConstantsCommand.h"
#include "cli/ExitStatus.h"
#include "cli/TreeCommand.h"
#include "cli/Watch.h"
#include "lut/Tarvel_TreeNodeLUTs.h"
#include "standin/FilePaths.h"
#include "tree/Tarvel_Cells01.h"
#include "visio/ErrorText.h"
#include "visio/EventCodes.h"
#include "visio/KTVisio_Controller.h"

namespace {

// The help's parts.
constexpr std::string_view kSynopsis =
    "Usage: tarvel-tree [FILE ...] [--depth N] [--expand PATH]... [--selected-shape] "
    "[--refresh]\n"
    "       tarvel-tree [FILE ...] [--depth N] [--expand PATH]... --watch SECONDS "
    "[--count N]\n"
    "       tarvel-tree [FILE ...] [--selected-shape] --code LANGUAGE PATH\n"
    "       tarvel-tree [FILE ...] --events [CODE ...] [--count N]\n"
    "       tarvel-tree --constants [NAME]\n"
    "       tarvel-tree --help\n";

constexpr std::string_view kTreeOptions =
    "\n"
    "Options:\n"
    "  --depth N           expand every expandable item down to N levels below the\n"
    "                      root, or below the last item of each --expand path\n"
    "                      (default 1)\n"
    "  --expand PATH       expand the items along PATH, a '/'-separated list of\n"
    "                      item names from the root; Name[i] is the element Name\n"
    "                      with index i, as in\n"
    "                      Application/Documents/Item[1]/Pages/Item[1]/Shapes/Item[1]\n"
    "  --selected-shape    root the tree at the shape selected in Visio's active\n"
    "                      window\n"
    "  --refresh           refresh the whole tree once before printing it\n"
    "  --all-sections      show every section, row type and cell of today's Visio\n"
    "                      in shape sheets (CellsSRC-Sections), and named rows by\n"
    "                      their names (Prop.Cost), as the tree window's All\n"
    "                      Sections box does\n"
    "  --watch SECONDS     after printing the tree, refresh it every SECONDS (0.1\n"
    "                      or more, fractions allowed) and print only the items\n"
    "                      each refresh changed, one line each: \"~\" (caption\n"
    "                      changed), \"+\" (appeared) or \"-\" (disappeared), a\n"
    "                      blank, the item's path (as --expand takes it), \": \"\n"
    "                      and its caption (the last one for \"-\"), as in\n"
    "                      ~ Application/ActiveDocument/Saved: Saved   = 0 (=False)\n";
constexpr std::string_view kCodeOptions =
    "  --code LANGUAGE PATH\n"
    "                      print the automation expression that reaches the item\n"
    "                      at PATH (as --expand takes it) instead of the tree;\n"
    "                      LANGUAGE is vba, python (win32com) or csharp (the\n"
    "                      Visio interop assembly)\n";
constexpr std::string_view kEventsOptions =
    "  --events [CODE ...] print Visio's events as they arrive, one line each:\n"
    "                      time, event name and code, sequence number, subject\n"
    "                      and source, and extra information when there is any;\n"
    "                      CODEs are event names (CellChanged) or numbers\n"
    "                      (10240); without them: shape and cell changes, shapes\n"
    "                      added and deleted, texts, pages, documents and the\n"
    "                      selection. FILEs are opened once listening, so their\n"
    "                      own events show. Runs until interrupted\n"
    "  --count N           stop after N refreshes (with --watch) or N events\n"
    "                      (with --events)\n";
constexpr std::string_view kOtherOptions =
    "  --constants         list every table of Visio constants: the table's name\n"
    "                      and \":\", then one line per constant with its value in\n"
    "                      decimal and in hex and its full name\n"
    "  --constants NAME    list only the table NAME (for example\n"
    "                      LUT_VisSectionIndices, Hex or TrueFalse)\n"
    "  --help              show this help\n";

std::string Help(const TTreeSystem& system) {
  std::string text(kSynopsis);
  text += '\n';
  text += system.connects;
  text += kTreeOptions;
  text += system.watchStops;
  text += kCodeOptions;
  text += kEventsOptions;
  return text += kOtherOptions;
}

int UsageError(const std::string& problem) {
  std::cerr << "tarvel-tree: " << problem << '\n'
            << kSynopsis << "Try 'tarvel-tree --help' for more information.\n";
  return kExitUsage;
}

std::optional<double> ParseSeconds(std::string_view text) {
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  // Not NaN, which fails both comparisons.
  if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
      !(value >= kMinWatchSeconds && value <= kMaxWatchSeconds)) {
    return std::nullopt;
  }
  return value;
}

std::optional<int> ParseLevels(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0) {
    return std::nullopt;
  }
  return value;
}

// Connects to Visio as Tarvel does (on Linux the stand-in on the session
// bus, started when none runs, or in this process when there is no bus; on
// Windows whatever COM knows as Visio.Application). A stand-in it starts
// shows the demo drawing when asked.
bool AttachVisio(const TTreeSystem& system, bool demo) {
  // Files are opened afterwards, in whichever Visio it attached to, so that
  // one that does not open ends the run.
  if (system.prepareVisio) system.prepareVisio(demo);
  if (VisioController.Connect(3) == automation::S_OK) return true;
  const std::string& why = VisioController.ConnectError();
  std::cerr << "tarvel-tree: " << (why.empty() ? std::string("cannot connect to Visio") : why)
            << '\n';
  return false;
}

// Lets go of Visio while the session (Qt's D-Bus support, COM's apartment)
// is still there.
struct TDetach {
  ~TDetach() { VisioController.Disconnect(); }
};

// Files are opened through Visio's own Documents.Open, as any client would.
// A drawing's full path (UTF-8): Visio runs in a process of its own, in a
// folder of its own, where a relative name means another file.
std::string FullPath(const std::string& file) {
  std::error_code error;
  const std::filesystem::path full = std::filesystem::absolute(standin::FilePath(file), error);
  return error ? file : standin::PathText(full.lexically_normal());
}

int OpenFiles(const std::vector<std::string>& files) {
  for (const std::string& file : files) {
    try {
      VisioController.App.Get("Documents")
          .ToObject()
          .Invoke("Open", {automation::Variant(FullPath(file))});
    } catch (const automation::AutomationError& e) {
      std::cerr << "tarvel-tree: cannot open \"" << file << "\": " << TrimText(e.message())
                << '\n';
      return 1;
    }
  }
  return kExitOk;
}

// Prints the tree of the Visio it attached to, the demo drawing when no files
// are given.
int PrintTree(const TTreeSystem& system, const TTreeOptions& options,
              const std::vector<std::string>& files) {
  BuildVisioConstantCatalogue();
  BuildCellCatalogue();
  if (!AttachVisio(system, files.empty())) return 1;
  const TDetach detach;
  if (const int status = OpenFiles(files); status != kExitOk) return status;
  return RunTreeCommand(options, std::cout, std::cerr);
}

int PrintEvents(const TTreeSystem& system, const TEventsOptions& options,
                const std::vector<std::string>& files) {
  if (!AttachVisio(system, files.empty())) return 1;
  const TDetach detach;
  return RunEventsCommand(
      options, [&files] { return OpenFiles(files); }, system.events, std::cout, std::cerr);
}

// The code words as tarvel-tree takes them (names or numbers, see
// ParseEventCode); the first word that is neither goes to `bad`.
std::optional<std::vector<std::uint16_t>> ParseEventCodes(const std::vector<std::string>& words,
                                                          std::string& bad) {
  std::vector<std::uint16_t> codes;
  for (const std::string& word : words) {
    const std::optional<std::uint16_t> code = ParseEventCode(word);
    if (!code) {
      bad = word;
      return std::nullopt;
    }
    codes.push_back(*code);
  }
  return codes;
}

// A word after --events that is a code rather than the next option: any word
// not starting with "-", and negative numbers.
bool IsCodeWord(std::string_view word) {
  return !word.starts_with('-') || (word.size() > 1 && word[1] >= '0' && word[1] <= '9');
}

}  // namespace

int RunTarvelTree(const std::vector<std::string>& args, const TTreeSystem& system) {
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
    if (args.size() > 1) return UsageError("--help takes no arguments");
    std::cout << Help(system);
    return kExitOk;
  }
  if (!args.empty() && args[0] == "--constants") {
    if (args.size() > 2) return UsageError("--constants takes at most one table name");
    BuildVisioConstantCatalogue();
    const std::optional<std::string> name =
        args.size() == 2 ? std::optional<std::string>(args[1]) : std::nullopt;
    return RunConstantsCommand(name, std::cout, std::cerr);
  }

  TTreeOptions options;
  std::optional<int> count;  // --count, for --watch or --events
  std::vector<std::string> files;
  std::optional<std::vector<std::string>> eventWords;  // set by --events
  TEventsOptions events;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    // "--name value" or "--name=value".
    const auto value = [&](std::string_view name) -> std::optional<std::string> {
      if (arg == name) {
        if (i + 1 == args.size()) return std::nullopt;
        return args[++i];
      }
      return arg.substr(name.size() + 1);
    };
    if (arg == "--depth" || arg.starts_with("--depth=")) {
      const std::optional<std::string> text = value("--depth");
      if (!text) return UsageError("--depth needs a number of levels");
      const std::optional<int> levels = ParseLevels(*text);
      if (!levels) return UsageError("--depth takes a number of levels, not '" + *text + "'");
      options.depth = *levels;
    } else if (arg == "--expand" || arg.starts_with("--expand=")) {
      const std::optional<std::string> path = value("--expand");
      if (!path) return UsageError("--expand needs a path");
      options.expand.push_back(*path);
    } else if (arg == "--code") {
      if (options.codeLanguage) return UsageError("--code may be given once");
      if (i + 2 >= args.size()) return UsageError("--code needs a language and a path");
      const std::string& key = args[++i];
      options.codeLanguage = CodeLanguageFromKey(key);
      if (!options.codeLanguage) {
        return UsageError("--code takes vba, python or csharp, not '" + key + "'");
      }
      options.codePath = args[++i];
    } else if (arg == "--events") {
      if (eventWords) return UsageError("--events may be given once");
      eventWords.emplace();
      while (i + 1 < args.size() && IsCodeWord(args[i + 1])) eventWords->push_back(args[++i]);
    } else if (arg == "--watch" || arg.starts_with("--watch=")) {
      const std::optional<std::string> text = value("--watch");
      if (!text) return UsageError("--watch needs a number of seconds");
      const std::optional<double> seconds = ParseSeconds(*text);
      if (!seconds) {
        return UsageError("--watch takes a number of seconds from 0.1 to 86400, not '" + *text +
                          "'");
      }
      if (!options.watch) options.watch.emplace();
      options.watch->seconds = *seconds;
      options.watch->wait = system.wait;
    } else if (arg == "--count" || arg.starts_with("--count=")) {
      // Refreshes with --watch, events with --events.
      const std::optional<std::string> text = value("--count");
      if (!text) return UsageError("--count needs a number of refreshes or events");
      const std::optional<int> number = ParseLevels(*text);
      if (!number || *number < 1) {
        return UsageError("--count takes a number, 1 or more, not '" + *text + "'");
      }
      count = *number;
    } else if (arg == "--selected-shape") {
      options.selectedShape = true;
    } else if (arg == "--refresh") {
      options.refresh = true;
    } else if (arg == "--all-sections") {
      options.allSections = true;
    } else if (arg == "--constants" || arg == "--help" || arg == "-h") {
      return UsageError(arg + " cannot be combined with other arguments");
    } else if (arg.starts_with("-") && arg != "-") {
      return UsageError("unknown option '" + arg + "'");
    } else {
      files.push_back(arg);
    }
  }
  if (options.codeLanguage && !options.expand.empty()) {
    return UsageError("--code cannot be combined with --expand");
  }
  if (count) {
    if (options.watch) {
      options.watch->count = count;
    } else if (eventWords) {
      events.count = *count;
    } else {
      return UsageError("--count needs --watch or --events");
    }
  }
  if (options.watch && options.codeLanguage) {
    return UsageError("--watch cannot be combined with --code");
  }
  if (eventWords) {
    if (options.depth != TTreeOptions().depth || !options.expand.empty() || options.selectedShape ||
        options.refresh || options.allSections || options.codeLanguage || options.watch) {
      return UsageError("--events cannot be combined with the tree's options");
    }
    std::string bad;
    const std::optional<std::vector<std::uint16_t>> codes = ParseEventCodes(*eventWords, bad);
    if (!codes) return UsageError("--events takes Visio's event names or codes, not '" + bad + "'");
    events.codes = *codes;
  }
  // A watch and --events run until stopped: a stop request ends them
  // cleanly, even while the first tree is printed or the files open.
  return system.session(options.watch.has_value() || eventWords.has_value(), [&] {
    return eventWords ? PrintEvents(system, events, files) : PrintTree(system, options, files);
  });
}
