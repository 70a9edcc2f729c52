// Cost of the stand-in Visio in process: one property read by name through
// the automation layer (what every tree caption costs), and building the
// demo drawing (what every start costs), and formulas that name other
// shapes on a large page (each finds its shape by ID).
#include <benchmark/benchmark.h>

#include "standin/Application.h"
#include "standin/Demo.h"
#include "standin/Page.h"
#include "standin/Shape.h"
#include "standin/ShapeSheet.h"

namespace {

using namespace standin;

void BM_ReadShapePropertyByName(benchmark::State& state) {
  Ref<Application> app = MakeRef<Application>();
  BuildDemoDrawing(*app);
  ObjectRef shape = ObjectRef(app)
                        .Get("ActivePage")
                        .ToObject()
                        .Get("Shapes")
                        .ToObject()
                        .Get("Item", {Variant(1)})
                        .ToObject();
  for (auto _ : state) benchmark::DoNotOptimize(shape.Get("Name"));
  app->Quit();
}
BENCHMARK(BM_ReadShapePropertyByName)->Repetitions(9)->ReportAggregatesOnly(true);

// The first shape's Width cell on the demo's active page.
ObjectRef FirstShapeWidthCell(const Ref<Application>& app) {
  return ObjectRef(app)
      .Get("ActivePage")
      .ToObject()
      .Get("Shapes")
      .ToObject()
      .Get("Item", {Variant(1)})
      .ToObject()
      .Get("CellsSRC",
           {Variant(std::int16_t{1}), Variant(std::int16_t{1}), Variant(std::int16_t{0})})
      .ToObject();
}

void BM_ReadCellResultByName(benchmark::State& state) {
  Ref<Application> app = MakeRef<Application>();
  BuildDemoDrawing(*app);
  ObjectRef cell = FirstShapeWidthCell(app);
  for (auto _ : state) benchmark::DoNotOptimize(cell.Get("ResultIU"));
  app->Quit();
}
BENCHMARK(BM_ReadCellResultByName)->Repetitions(9)->ReportAggregatesOnly(true);

// A client's cell write: what every event raised by a write costs when no
// event list has an event for it.
void BM_WriteCellFormulaByName(benchmark::State& state) {
  Ref<Application> app = MakeRef<Application>();
  BuildDemoDrawing(*app);
  ObjectRef cell = FirstShapeWidthCell(app);
  const Variant formulas[] = {Variant("2 in"), Variant("3 in")};
  std::size_t i = 0;
  for (auto _ : state) cell.Put("FormulaU", formulas[i++ & 1]);
  app->Quit();
}
BENCHMARK(BM_WriteCellFormulaByName)->Repetitions(9)->ReportAggregatesOnly(true);

void BM_BuildDemoDrawing(benchmark::State& state) {
  for (auto _ : state) {
    Ref<Application> app = MakeRef<Application>();
    BuildDemoDrawing(*app);
    app->Quit();
  }
}
BENCHMARK(BM_BuildDemoDrawing)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_EvaluateCrossSheetReferences(benchmark::State& state) {
  Ref<Application> app = MakeRef<Application>();
  BuildDemoDrawing(*app);
  auto& page = dynamic_cast<Page&>(*ObjectRef(app).Get("ActivePage").ToObject().get());
  const auto n = static_cast<std::size_t>(state.range(0));
  std::vector<Ref<Shape>> shapes;
  for (std::size_t i = 0; i < n; ++i) shapes.push_back(page.DrawRectangle(0, 0, 1, 1));
  // Each shape's Width names another shape's Height: n look-ups by ID.
  for (std::size_t i = 0; i < n; ++i) {
    const Shape& other = *shapes[(i + n / 2) % n];
    shapes[i]->Sheet().SetFormula(visSectionObject, visRowXFormOut, visXFormWidth,
                                  other.NameID() + "!Height", true);
  }
  for (auto _ : state) {
    SheetsChanged();  // as a client's write would: nothing kept from the last pass
    double sum = 0;
    for (const auto& s : shapes)
      sum += s->Sheet().ResultIU(visSectionObject, visRowXFormOut, visXFormWidth);
    benchmark::DoNotOptimize(sum);
  }
  state.SetComplexityN(state.range(0));
  app->Quit();
}
BENCHMARK(BM_EvaluateCrossSheetReferences)
    ->Unit(benchmark::kMillisecond)
    ->Arg(1000)
    ->Arg(4000)
    ->Arg(16000);

}  // namespace
