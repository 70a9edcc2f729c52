// Shared pieces of the tree window tests: the stand-in Visio with its demo
// drawing attached to the controller, a flock leader that is also the
// window host, the model tester's complaints, and ways to walk a window's
// tree through its view.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QDialog>
#include <QTreeView>
#include <QWidget>

#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/KTSheep.h"
#include "lut/Tarvel_LUTShow.h"
#include "lut/Tarvel_TreeNodeLUTs.h"
#include "standin/Application.h"
#include "standin/Demo.h"
#include "tests/lut/RecordingMessagePort.h"
#include "tools/Tarvel_NodeEdit.h"
#include "tools/Tarvel_TextDump.h"
#include "tools/Tarvel_UI.h"
#include "tree/Tarvel_Cells01.h"
#include "tree/Tarvel_TV01.h"
#include "tree/Tarvel_TreeItemModel.h"
#include "tree/TreeText.h"
#include "visio/KTVisio_Controller.h"

namespace treeview_test {

// Collects what QAbstractItemModelTester reports (in its Warning mode) for
// as long as it lives.
class ModelTesterLog {
 public:
  ModelTesterLog() {
    Current() = this;
    previous_ = qInstallMessageHandler(&ModelTesterLog::Handle);
  }
  ~ModelTesterLog() {
    qInstallMessageHandler(previous_);
    Current() = nullptr;
  }
  ModelTesterLog(const ModelTesterLog&) = delete;
  ModelTesterLog& operator=(const ModelTesterLog&) = delete;

  std::vector<std::string> messages;

 private:
  static ModelTesterLog*& Current() {
    static ModelTesterLog* current = nullptr;
    return current;
  }
  static void Handle(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    ModelTesterLog* log = Current();
    if (log != nullptr && context.category != nullptr &&
        std::string(context.category) == "qt.modeltest") {
      log->messages.push_back(text.toStdString());
      return;
    }
    if (log != nullptr && log->previous_ != nullptr) log->previous_(type, context, text);
  }

  QtMessageHandler previous_ = nullptr;
};

// Every row of the model, one text a line, indented two blanks per level.
inline void AppendModelLines(const QAbstractItemModel& model, const QModelIndex& parent, int level,
                             std::vector<std::string>& lines) {
  for (int row = 0; row < model.rowCount(parent); ++row) {
    const QModelIndex index = model.index(row, 0, parent);
    lines.push_back(std::string(static_cast<std::size_t>(2 * level), ' ') +
                    index.data().toString().toStdString());
    AppendModelLines(model, index, level + 1, lines);
  }
}
inline std::vector<std::string> ModelLines(const QAbstractItemModel& model) {
  std::vector<std::string> lines;
  AppendModelLines(model, {}, 0, lines);
  return lines;
}

// Every item of the tree that way, whether expanded or not.
inline void AppendTreeLines(const TTreeItem& item, int level, std::vector<std::string>& lines) {
  lines.push_back(std::string(static_cast<std::size_t>(2 * level), ' ') + item.Text());
  for (int i = 0; i < item.Count(); ++i) AppendTreeLines(*item.Item(i), level + 1, lines);
}
inline std::vector<std::string> TreeLines(const TTreeModel& tree) {
  std::vector<std::string> lines;
  for (int i = 0; i < tree.Count(); ++i) AppendTreeLines(*tree.Item(i), 0, lines);
  return lines;
}

// The items whose expanded state the view shows differently from the tree.
inline void AppendOutOfStep(Tfm_VisioTreeView& window, const TTreeItem& item,
                            std::vector<std::string>& wrong) {
  if (window.TV->isExpanded(window.ItemModel().IndexOf(&item)) != item.Expanded()) {
    wrong.push_back(item.Text() + (item.Expanded() ? " (view collapsed)" : " (view expanded)"));
  }
  for (int i = 0; i < item.Count(); ++i) AppendOutOfStep(window, *item.Item(i), wrong);
}
inline std::vector<std::string> ViewOutOfStep(Tfm_VisioTreeView& window) {
  std::vector<std::string> wrong;
  for (int i = 0; i < window.Tree().Count(); ++i) {
    AppendOutOfStep(window, *window.Tree().Item(i), wrong);
  }
  return wrong;
}

// Expands the item as the user does, through the view.
inline TTreeItem& ExpandInView(Tfm_VisioTreeView& window, TTreeItem& item) {
  window.TV->expand(window.ItemModel().IndexOf(&item));
  return item;
}

// The child with this name, or for "Name[i]" the one with that Index
// (section and row nodes carry theirs in their names: "S[1]").
inline TTreeItem* FindSegment(const TTreeItem& parent, const std::string& segment) {
  if (TTreeItem* exact = FindChild(parent, segment)) return exact;
  static const std::regex element(R"((.+)\[(-?\d+)\])");
  std::smatch match;
  if (std::regex_match(segment, match, element)) {
    return FindChild(parent, match[1].str(), static_cast<std::int16_t>(std::stoi(match[2])));
  }
  return FindChild(parent, segment);
}

// Walks '/'-separated segments from the window's root, expanding through
// the view every item it passes.
inline TTreeItem& Reach(Tfm_VisioTreeView& window, const std::string& path) {
  TTreeItem* current = window.Tree().First();
  std::size_t start = 0;
  while (current != nullptr && start < path.size()) {
    const std::size_t slash = path.find('/', start);
    const std::string segment = path.substr(start, slash - start);
    if (!current->Expanded()) ExpandInView(window, *current);
    TTreeItem* next = FindSegment(*current, segment);
    if (next == nullptr)
      throw std::runtime_error("no item " + segment + " under " + current->Text());
    current = next;
    start = slash == std::string::npos ? path.size() : slash + 1;
  }
  if (current == nullptr) throw std::runtime_error("empty tree");
  return *current;
}

// The flock leader, which is also what the tree windows ask to refresh
// every window.
class HostWindow : public QWidget, public TTreeWindowHost {
 public:
  HostWindow() { move(100, 100); }
  void RefreshAllWindows() override { ++refreshes; }
  int refreshes = 0;
};

// The stand-in Visio with the demo drawing, attached to the controller; a
// flock leader; modal windows recorded instead of run; messages recorded.
// Every flock window still open at the end is deleted.
class TreeWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    BuildVisioConstantCatalogue();
    BuildCellCatalogue();
    standin::BuildDemoDrawing(*app);
    VisioController.App = automation::ObjectRef(app);
    VisioController.SetCallRefused(false);
    previousRunner = SetModalRunner([this](QDialog& dialog) {
      ShownDialog shown{"other", dialog.windowTitle().toStdString(), nullptr};
      if (auto* edit = qobject_cast<Tfm_NodeEdit*>(&dialog)) {
        shown.kind = "NodeEdit";
        shown.node = edit->Node;
      } else if (auto* constants = qobject_cast<Tfm_LUTShow*>(&dialog)) {
        shown.kind = "LUTShow";
        shown.node = constants->Node;
      } else if (qobject_cast<Tfm_TextDump*>(&dialog) != nullptr) {
        shown.kind = "TextDump";
      }
      dialogs.push_back(shown);
      return static_cast<int>(QDialog::Rejected);
    });
  }

  void TearDown() override {
    SetModalRunner(previousRunner);
    while (shepherd->SheepCount() > 0) delete shepherd->SheepFormAt(0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    VisioController.App = {};
    VisioController.SetCallRefused(false);
    app->Quit();
  }

  // A tree window in the flock, 72 pixels below the leader, showing the
  // application tree.
  Tfm_VisioTreeView& OpenApplicationWindow() {
    auto* window = new Tfm_VisioTreeView();
    shepherd->AddSheep(window, 0, 72);
    window->ShowApplicationTree();
    return *window;
  }

  // Selects the item as a right-click does and opens the menu's enabling.
  void SelectForMenu(Tfm_VisioTreeView& window, TTreeItem& item) {
    window.TV->setCurrentIndex(window.ItemModel().IndexOf(&item));
    window.pm_VTVPopup(true);
  }

  automation::ObjectRef Visio() const { return automation::ObjectRef(app); }
  automation::ObjectRef ActivePage() const { return Visio().Get("ActivePage").ToObject(); }

  automation::Ref<standin::Application> app = automation::MakeRef<standin::Application>();
  HostWindow leader;
  TKTShepherd* shepherd = new TKTShepherd(&leader);
  RecordingMessagePort messages;
  // The modal windows opened, in order.
  struct ShownDialog {
    std::string kind;  // NodeEdit, LUTShow, TextDump or other
    std::string title;
    TTVNodeData* node;  // the node given to it, where it takes one
  };
  std::vector<ShownDialog> dialogs;
  TModalRunner previousRunner;
};

}  // namespace treeview_test
