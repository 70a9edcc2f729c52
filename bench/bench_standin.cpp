// Cost of the stand-in Visio in process: one property read by name through
// the automation layer (what every tree caption costs), and building the
// demo drawing (what every start costs).
#include <benchmark/benchmark.h>

#include "standin/Application.h"
#include "standin/Demo.h"

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

void BM_ReadCellResultByName(benchmark::State& state) {
  Ref<Application> app = MakeRef<Application>();
  BuildDemoDrawing(*app);
  ObjectRef cell = ObjectRef(app)
                       .Get("ActivePage")
                       .ToObject()
                       .Get("Shapes")
                       .ToObject()
                       .Get("Item", {Variant(1)})
                       .ToObject()
                       .Get("CellsSRC", {Variant(std::int16_t{1}), Variant(std::int16_t{1}), Variant(std::int16_t{0})})
                       .ToObject();
  for (auto _ : state) benchmark::DoNotOptimize(cell.Get("ResultIU"));
  app->Quit();
}
BENCHMARK(BM_ReadCellResultByName)->Repetitions(9)->ReportAggregatesOnly(true);

void BM_BuildDemoDrawing(benchmark::State& state) {
  for (auto _ : state) {
    Ref<Application> app = MakeRef<Application>();
    BuildDemoDrawing(*app);
    app->Quit();
  }
}
BENCHMARK(BM_BuildDemoDrawing)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace
