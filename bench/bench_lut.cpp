// Cost of naming a constant: every caption with a constant in it runs one
// Lookup, and the catalogue is built once at start-up.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "lut/Tarvel_TLUT.h"
#include "lut/Tarvel_TreeNodeLUTs.h"

namespace {

// The worst linear scan: the last entry of the largest table.
void BM_LookupNormLastOfLargestTable(benchmark::State& state) {
  BuildVisioConstantCatalogue();
  const TLUT& table = *LUT_VisUICmds;
  const std::int32_t value = table.EntryAt(table.Count() - 1)->Value();
  for (auto _ : state) benchmark::DoNotOptimize(table.Lookup(value));
}
BENCHMARK(BM_LookupNormLastOfLargestTable);

// Five flags set, one search of the table per set bit.
void BM_LookupFlags(benchmark::State& state) {
  BuildVisioConstantCatalogue();
  const TLUT& table = *LUT_VisMasterProperties_Flags;
  const std::int32_t value = 1 | 16 | 256 | 4096 | 16384;
  for (auto _ : state) benchmark::DoNotOptimize(table.Lookup(value));
}
BENCHMARK(BM_LookupFlags);

// The whole catalogue, built into a registry of its own each time; the figure
// includes freeing it again.
void BM_BuildCatalogue(benchmark::State& state) {
  for (auto _ : state) {
    TLUTAll registry;
    AddVisioConstantTables(registry);
    benchmark::DoNotOptimize(registry.Count());
  }
}
BENCHMARK(BM_BuildCatalogue)->Unit(benchmark::kMicrosecond);

}  // namespace
