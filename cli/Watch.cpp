#include "cli/Watch.h"

#include <chrono>
#include <exception>
#include <ostream>
#include <thread>

#include "cli/ExitStatus.h"
#include "tree/TreeModel.h"
#include "tree/TreeText.h"
#include "visio/ErrorText.h"
#include "visio/KTVisio_Controller.h"

namespace {

constexpr int kExitVisio = 1;

}  // namespace

std::string WatchLine(const TTreeChange& change) {
  std::string line(1, static_cast<char>(change.kind));
  line += ' ';
  line += EscapedCaption(change.path);
  line += ": ";
  line += EscapedCaption(change.caption);
  return line;
}

int WatchTree(TTreeItem& root, const TWatchOptions& options, std::ostream& out, std::ostream& err) {
  const auto sleep = [](double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    return true;
  };
  const auto wait = options.wait ? options.wait : std::function<bool(double)>(sleep);
  for (int done = 0; !options.count || done < *options.count; ++done) {
    if (!wait(options.seconds)) break;
    std::vector<TTreeChange> changes;
    std::string failed;
    try {
      changes = root.Tree().Changes().Refresh(root);
    } catch (const std::exception& e) {
      VisioController.NoteLinkError(e);
      failed = TrimText(ErrorMessage(e));
    }
    // A refresh over a broken link changes every caption to its error:
    // that batch is not printed.
    if (!VisioController.LinkFailure().empty()) {
      err << "tarvel-tree: the link to Visio failed during the run: "
          << VisioController.LinkFailure() << '\n';
      return kExitLink;
    }
    if (!failed.empty()) {
      err << "tarvel-tree: refreshing: " << failed << '\n';
      return kExitVisio;
    }
    std::string batch;
    for (const TTreeChange& change : changes) batch += WatchLine(change) + '\n';
    // Scripts read the lines as they come: each refresh's at once.
    out << batch << std::flush;
  }
  return kExitOk;
}
