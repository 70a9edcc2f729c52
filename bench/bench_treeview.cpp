// Cost of the tree window over the stand-in Visio with a page of 2,000 more
// shapes: expanding the page's Shapes.Item array through the view, and
// refreshing the window with the array open (as the refresh timer does),
// unchanged and after shapes were added or deleted. Each is also run on the
// bare tree without adapter and view, and the ratio printed, which is what
// showing the tree costs on top of making it.
#include <benchmark/benchmark.h>

#include <QApplication>
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
