// Cost of the tree window over the stand-in Visio with a page of 2,000 more
// shapes: expanding the page's Shapes.Item array through the view, and
// refreshing the window with the array open (as the refresh timer does),
// unchanged and after shapes were added or deleted. Each is also run on the
// bare tree without adapter and view, and the ratio printed, which is what
// showing the tree costs on top of making it. And the find bar's deeper
// search over that page: the longest the event loop was kept waiting and
// the total time.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "lut/Tarvel_TreeNodeLUTs.h"
#include "standin/Application.h"
#include "standin/Demo.h"
#include "tree/Tarvel_Cells01.h"
#include "tree/Tarvel_FindBar.h"
#include "tree/Tarvel_TV01.h"
#include "tree/Tarvel_TreeItemModel.h"
#include "tree/TreeText.h"
#include "tree/VisObjectNodes.h"
#include "visio/KTVisio_Controller.h"

namespace {

using automation::ObjectRef;
using automation::Variant;

constexpr int kAddedShapes = 2000;
constexpr int kChangedShapes = 200;

// The demo drawing with 2,000 rectangles more on its first page, attached
// to the controller.
struct TDrawing {
  TDrawing() {
    BuildVisioConstantCatalogue();
    BuildCellCatalogue();
    standin::BuildDemoDrawing(*app);
    VisioController.App = ObjectRef(app);
    AddShapes(kAddedShapes);
  }
  ~TDrawing() {
    VisioController.App = {};
    app->Quit();
  }
  ObjectRef Page() const { return ObjectRef(app).Get("ActivePage").ToObject(); }
  ObjectRef Shapes() const { return Page().Get("Shapes").ToObject(); }
  std::int16_t ShapeCount() const { return Shapes().Get("Count").ToInt16(); }
  void AddShapes(int n) const {
    const ObjectRef page = Page();
    for (int i = 0; i < n; ++i) {
      const double x = (i % 50) * 0.2;
      const double y = (i / 50) * 0.2;
      page.Invoke("DrawRectangle", {Variant(x), Variant(y), Variant(x + 0.1), Variant(y + 0.1)});
    }
  }
  void DeleteLastShapes(int n) const {
    const ObjectRef shapes = Shapes();
    for (int i = 0; i < n; ++i) {
      const std::int16_t count = shapes.Get("Count").ToInt16();
      shapes.Get("Item", {Variant(count)}).ToObject().Invoke("Delete");
    }
  }

  automation::Ref<standin::Application> app = automation::MakeRef<standin::Application>();
};

TTreeItem& Child(TTreeItem& parent, const char* name) {
  TTreeItem* child = FindChild(parent, name);
  if (child == nullptr) throw std::runtime_error(std::string("no item ") + name);
  return *child;
}

// Where the array sits: Application/ActivePage/Shapes/Item.
using TExpandFn = std::function<void(TTreeItem&)>;
TTreeItem& ShapeArray(TTreeModel& tree, const TExpandFn& expand) {
  TTreeItem& root = *tree.First();
  expand(root);
  TTreeItem& page = Child(root, "ActivePage");
  expand(page);
  TTreeItem& shapes = Child(page, "Shapes");
  expand(shapes);
  return Child(shapes, "Item");
}

// A shown tree window with the application tree; `Settle` runs what the
// event loop would before the user sees anything: the view's layout, the
// column's fitting and the painting.
struct TWindow {
  TWindow() {
    window->ShowApplicationTree();
    window->resize(300, 600);
    window->show();
    Settle();
  }
  ~TWindow() { delete window; }
  void Expand(TTreeItem& item) { window->TV->expand(window->ItemModel().IndexOf(&item)); }
  void Collapse(TTreeItem& item) { window->TV->collapse(window->ItemModel().IndexOf(&item)); }
  void Settle() { QApplication::processEvents(); }
  TTreeItem& Array() {
    return ShapeArray(window->Tree(), [this](TTreeItem& item) { Expand(item); });
  }
  Tfm_VisioTreeView* window = new Tfm_VisioTreeView();
};

// The bare tree, as the command-line companion drives it.
struct TBareTree {
  TBareTree() { MakeApplicationRoot(tree, VisioController.App); }
  TTreeItem& Array() {
    return ShapeArray(tree, [](TTreeItem& item) { item.Expand(); });
  }
  TTreeModel tree;
};

double Seconds(const std::function<void()>& run) {
  const auto start = std::chrono::steady_clock::now();
  run();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The median of `runs` timings of `measured`, each after an untimed `prepare`.
double MedianSeconds(const std::function<void()>& prepare, const std::function<void()>& measured,
                     int runs) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    prepare();
    times.push_back(Seconds(measured));
  }
  std::nth_element(times.begin(), times.begin() + static_cast<std::ptrdiff_t>(times.size() / 2),
                   times.end());
  return times[times.size() / 2];
}

void BM_ExpandTwoThousandShapes(benchmark::State& state) {
  TDrawing drawing;
  TWindow shown;
  TTreeItem& array = shown.Array();
  for (auto _ : state) {
    shown.Expand(array);
    shown.Settle();
    state.PauseTiming();
    shown.Collapse(array);
    shown.Settle();
    state.ResumeTiming();
  }
  shown.Expand(array);
  state.counters["rows"] = array.Count();

  TBareTree bare;
  TTreeItem& bareArray = bare.Array();
  const double windowSeconds = MedianSeconds(
      [&] {
        shown.Collapse(array);
        shown.Settle();
      },
      [&] {
        shown.Expand(array);
        shown.Settle();
      },
      9);
  const double bareSeconds =
      MedianSeconds([&] { bareArray.Collapse(); }, [&] { bareArray.Expand(); }, 9);
  state.counters["x_bare_tree"] = windowSeconds / bareSeconds;
}
BENCHMARK(BM_ExpandTwoThousandShapes)->Unit(benchmark::kMillisecond);

void BM_RefreshOpenArrayUnchanged(benchmark::State& state) {
  TDrawing drawing;
  TWindow shown;
  TTreeItem& array = shown.Array();
  shown.Expand(array);
  shown.Settle();
  for (auto _ : state) {
    shown.window->RefreshTree();
    shown.Settle();
  }
  state.counters["rows"] = array.Count();

  TBareTree bare;
  TTreeItem& bareArray = bare.Array();
  bareArray.Expand();
  const double windowSeconds = MedianSeconds([] {},
                                             [&] {
                                               shown.window->RefreshTree();
                                               shown.Settle();
                                             },
                                             9);
  const double bareSeconds =
      MedianSeconds([] {}, [&] { bare.tree.First()->Data()->Refresh(2); }, 9);
  state.counters["x_bare_tree"] = windowSeconds / bareSeconds;
}
BENCHMARK(BM_RefreshOpenArrayUnchanged)->Unit(benchmark::kMillisecond);

// A refresh that appends 200 rows, then one that trims them again; the
// Visio changes in between are not timed.
void BM_RefreshAfter200ShapesAddedThenDeleted(benchmark::State& state) {
  TDrawing drawing;
  TWindow shown;
  TTreeItem& array = shown.Array();
  shown.Expand(array);
  shown.Settle();
  for (auto _ : state) {
    state.PauseTiming();
    drawing.AddShapes(kChangedShapes);
    state.ResumeTiming();
    shown.window->RefreshTree();
    shown.Settle();
    state.PauseTiming();
    drawing.DeleteLastShapes(kChangedShapes);
    state.ResumeTiming();
    shown.window->RefreshTree();
    shown.Settle();
  }
  if (array.Count() != drawing.ShapeCount()) state.SkipWithError("the array lost step");

  TBareTree bare;
  TTreeItem& bareArray = bare.Array();
  bareArray.Expand();
  const auto cycle = [&](const std::function<void()>& refresh) {
    std::vector<double> times;
    for (int i = 0; i < 5; ++i) {
      drawing.AddShapes(kChangedShapes);
      double seconds = Seconds(refresh);
      drawing.DeleteLastShapes(kChangedShapes);
      seconds += Seconds(refresh);
      times.push_back(seconds);
    }
    std::nth_element(times.begin(), times.begin() + 2, times.end());
    return times[2];
  };
  const double windowSeconds = cycle([&] {
    shown.window->RefreshTree();
    shown.Settle();
  });
  const double bareSeconds = cycle([&] { bare.tree.First()->Data()->Refresh(2); });
  state.counters["x_bare_tree"] = windowSeconds / bareSeconds;
}
BENCHMARK(BM_RefreshAfter200ShapesAddedThenDeleted)->Unit(benchmark::kMillisecond);

// The find bar's "Search Deeper" from the page down to each shape's
// properties (depth 4: Shapes, Item, Item[n], their children), looking for
// the last shape. A timer ticking every 2 ms records the longest gap
// between its ticks: how long the event loop was blocked at most.
void BM_SearchDeeperTwoThousandShapes(benchmark::State& state) {
  TDrawing drawing;
  double longestGapMs = 0;
  double items = 0;
  double matches = 0;
  double layoutMs = 0;
  for (auto _ : state) {
    TWindow shown;
    TTreeItem& root = *shown.window->Tree().First();
    shown.Expand(root);
    TTreeItem& page = Child(root, "ActivePage");
    shown.window->TV->setCurrentIndex(shown.window->ItemModel().IndexOf(&page));
    TFindBar& bar = *shown.window->FindBar;
    bar.Open();
    const ObjectRef last = drawing.Shapes().Get("Item", {Variant(drawing.ShapeCount())}).ToObject();
    bar.ed_Find->setText(QString::fromStdString(last.Get("Name").ToString() + ")"));
    bar.se_Depth->setValue(4);
    shown.Settle();

    QElapsedTimer sinceTick;
    qint64 longestGapNs = 0;
    QTimer ticker;
    ticker.setInterval(2);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
      longestGapNs = std::max(longestGapNs, sinceTick.nsecsElapsed());
      sinceTick.restart();
    });
    QEventLoop loop;
    QObject::connect(&bar, &TFindBar::SearchEnded, &loop, &QEventLoop::quit);
    sinceTick.start();
    ticker.start();
    bar.bt_Deeper->click();
    if (bar.Searching()) loop.exec();
    shown.Settle();
    ticker.stop();
    // The click itself runs no step; counted in case it does.
    longestGapMs = std::max(longestGapMs, static_cast<double>(longestGapNs) / 1e6);
    if (bar.LastSearch() == nullptr || !bar.LastSearch()->Done || bar.LastSearch()->Stopped) {
      state.SkipWithError("the search did not end by itself");
      return;
    }
    // What one layout of the view costs once the search has opened it all.
    layoutMs = Seconds([&] { shown.window->TV->doItemsLayout(); }) * 1e3;
    items = static_cast<double>(bar.LastSearch()->Visited);
    matches = static_cast<double>(bar.LastSearch()->Matches);
  }
  state.counters["items"] = items;
  state.counters["matches"] = matches;
  state.counters["longest_block_ms"] = longestGapMs;
  state.counters["view_layout_ms"] = layoutMs;

  // The same search on the bare tree, in one go: what the window adds.
  TBareTree bare;
  TTreeItem& root = *bare.tree.First();
  root.Expand();
  TDeepSearch search(bare.tree, Child(root, "ActivePage"), 4, {TFindField::Caption, "Sheet"});
  state.counters["bare_tree_s"] = Seconds([&] { search.Step(std::chrono::hours(1)); });
}
BENCHMARK(BM_SearchDeeperTwoThousandShapes)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  // Windows without a display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
