#include "cli/TreeCommand.h"

#include <exception>
#include <optional>
#include <ostream>
#include <regex>

#include "cli/ExitStatus.h"
#include "tree/NodeData.h"
#include "tree/TreeText.h"
#include "tree/ValueNodes.h"
#include "tree/VisObjectNodes.h"
#include "visio/ErrorText.h"
#include "visio/KTVisio_Controller.h"

namespace {

constexpr int kExitVisio = 1;

// Expansion failures are reported as the window would show them, and the
// command goes on with what was made.
class TExpander {
 public:
  explicit TExpander(std::ostream& err) : err_(err) {}

  void Expand(TTreeItem& item) {
    if (item.Expanded()) return;
    try {
      item.Expand();
    } catch (const std::exception& e) {
      err_ << "tarvel-tree: expanding " << NameOf(item) << ": " << TrimText(ErrorMessage(e))
           << '\n';
      VisioController.NoteLinkError(e);
      failed_ = true;
    }
  }

  // Expands every expandable item from `item` down, so that the items
  // `levels` below it are visible.
  void ExpandDown(TTreeItem& item, int levels) {
    if (levels <= 0 || !item.HasChildren()) return;
    Expand(item);
    for (int i = 0; i < item.Count(); ++i) ExpandDown(*item.Item(i), levels - 1);
  }

  bool Failed() const { return failed_; }

  static std::string NameOf(const TTreeItem& item) { return PathSegment(item); }

 private:
  std::ostream& err_;
  bool failed_ = false;
};

// A segment names a child; "Name[i]" names the element of that name with
// Index i, under the current item or under its array child of that name.
// `searched` is where the match was last looked for.
TTreeItem* MatchSegment(TTreeItem& current, const std::string& segment, TExpander& expander,
                        TTreeItem*& searched) {
  searched = &current;
  if (TTreeItem* exact = FindChild(current, segment)) return exact;
  static const std::regex element(R"((.+)\[(-?\d+)\])");
  std::smatch match;
  if (!std::regex_match(segment, match, element)) return nullptr;
  const std::string name = match[1];
  std::int16_t index = 0;
  try {
    index = static_cast<std::int16_t>(std::stoi(match[2]));
  } catch (const std::exception&) {
    return nullptr;
  }
  if (TTreeItem* item = FindChild(current, name, index)) return item;
  for (int i = 0; i < current.Count(); ++i) {
    TTreeItem& array = *current.Item(i);
    if (dynamic_cast<const TND_Array*>(array.Data()) == nullptr || array.Data()->Name != name) {
      continue;
    }
    expander.Expand(array);
    searched = &array;
    if (TTreeItem* item = FindChild(array, name, index)) return item;
  }
  return nullptr;
}

std::vector<std::string> Split(const std::string& path) {
  std::vector<std::string> segments;
  std::size_t start = 0;
  for (;;) {
    const std::size_t slash = path.find('/', start);
    segments.push_back(path.substr(start, slash - start));
    if (slash == std::string::npos) return segments;
    start = slash + 1;
  }
}

// Walks a path from the root, expanding each item on the way; null after
// reporting a segment that matches nothing.
TTreeItem* WalkPath(TTreeItem& root, const std::string& path, TExpander& expander,
                    std::ostream& err) {
  std::vector<std::string> segments = Split(path);
  // The path may start with the root's own name.
  if (!segments.empty() && root.Data() != nullptr && segments.front() == root.Data()->Name) {
    segments.erase(segments.begin());
  }
  TTreeItem* current = &root;
  std::string walked = TExpander::NameOf(root);
  for (const std::string& segment : segments) {
    expander.Expand(*current);
    TTreeItem* searched = nullptr;
    TTreeItem* next = MatchSegment(*current, segment, expander, searched);
    if (next == nullptr) {
      if (searched != current) walked += "/" + TExpander::NameOf(*searched);
      err << "tarvel-tree: no item \"" << segment << "\" under " << walked;
      if (searched->Count() == 0) {
        err << ", which has no children\n";
      } else {
        err << "; its children are:";
        for (int i = 0; i < searched->Count(); ++i) {
          err << (i == 0 ? " " : ", ") << TExpander::NameOf(*searched->Item(i));
        }
        err << '\n';
      }
      return nullptr;
    }
    walked += "/" + TExpander::NameOf(*next);
    current = next;
  }
  return current;
}

// The shape selected in Visio's active window, as the main window finds it.
std::optional<automation::ObjectRef> SelectedShape(std::ostream& err) {
  VisioController.SetCallRefused(false);
  if (!VisioController.IsConnected()) {
    err << "tarvel-tree: Not connected\n";
    return std::nullopt;
  }
  IVSelection selection;
  try {
    const IVWindow window = IVApplication(VisioController.App).ActiveWindow();
    if (window) selection = window.Selection();
  } catch (const automation::AutomationError& e) {
    if (e.code() == automation::RPC_E_CALL_REJECTED) VisioController.SetCallRefused(true);
  } catch (const std::exception&) {
    // Goes on with what it has, as the window does.
  }
  if (!selection || VisioController.CallRefused()) {
    err << "tarvel-tree: Visio shows no selection\n";
    return std::nullopt;
  }
  try {
    if (selection.Count() != 1) {
      err << "tarvel-tree: Please select exactly one shape.\n";
      return std::nullopt;
    }
    const IVShape shape = selection.Item(1);
    if (!shape) {
      err << "tarvel-tree: Visio shows no selection\n";
      return std::nullopt;
    }
    return shape.Object();
  } catch (const std::exception& e) {
    err << "tarvel-tree: " << TrimText(ErrorMessage(e)) << '\n';
    return std::nullopt;
  }
}

}  // namespace

int RunTreeCommand(const TTreeOptions& options, std::ostream& out, std::ostream& err) {
  TTreeModel tree;
  tree.SetAllSections(options.allSections);
  TTVNodeData* root = nullptr;
  if (options.selectedShape) {
    const std::optional<automation::ObjectRef> shape = SelectedShape(err);
    if (!shape) return kExitVisio;
    root = &MakeShapeRoot(tree, *shape);
  } else {
    root = &MakeApplicationRoot(tree, VisioController.App);
  }

  TExpander expander(err);
  if (options.codeLanguage) {
    TTreeItem* target = WalkPath(*root->TreeNode, options.codePath, expander, err);
    if (target == nullptr) return kExitUsage;
    const std::string code =
        target->Data() != nullptr ? CodeOf(*target->Data(), *options.codeLanguage) : std::string();
    if (!VisioController.LinkFailure().empty()) {
      err << "tarvel-tree: the link to Visio failed during the run: "
          << VisioController.LinkFailure() << '\n';
      return kExitLink;
    }
    out << code << '\n';
    return expander.Failed() ? kExitVisio : kExitOk;
  }
  std::vector<TTreeItem*> targets;
  for (const std::string& path : options.expand) {
    TTreeItem* target = WalkPath(*root->TreeNode, path, expander, err);
    if (target == nullptr) return kExitUsage;
    targets.push_back(target);
  }
  if (targets.empty()) targets.push_back(root->TreeNode);
  for (TTreeItem* target : targets) expander.ExpandDown(*target, options.depth);

  // Through the change marks, so that a watch compares with this refresh.
  if (options.refresh) tree.Changes().Refresh(*root->TreeNode);
  // One caption per line, whatever the texts hold.
  for (const std::string& line : VisibleText(tree)) out << EscapedCaption(line) << '\n';
  // A tree read over a broken link is no answer, whatever it shows.
  if (!VisioController.LinkFailure().empty()) {
    err << "tarvel-tree: the link to Visio failed during the run, the tree is incomplete: "
        << VisioController.LinkFailure() << '\n';
    return kExitLink;
  }
  if (options.watch) {
    out.flush();
    const int status = WatchTree(*root->TreeNode, *options.watch, out, err);
    if (status != kExitOk) return status;
  }
  return expander.Failed() ? kExitVisio : kExitOk;
}
