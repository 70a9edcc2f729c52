// Cost of the automation layer's hot paths: a property read by name and the
// conversions every caption goes through.
#include <benchmark/benchmark.h>

#include <string>

#include "automation/Variant.h"

namespace {

using namespace automation;

// A small object answering a handful of members by name, as every Visio
// object does.
class Sheet : public Object {
 public:
  Variant Invoke(CallKind kind, std::string_view member, Args) override {
    if (kind != CallKind::PropertyGet) throw AutomationError(DISP_E_MEMBERNOTFOUND);
    static const char* const names[] = {"Name", "NameU", "ID", "Index", "Type", "Width"};
    for (const char* n : names) {
      if (NamesEqual(member, n)) return Variant(std::int16_t{3});
    }
    throw AutomationError(DISP_E_MEMBERNOTFOUND);
  }
};

void BM_GetPropertyByName(benchmark::State& state) {
  ObjectRef obj = MakeRef<Sheet>();
  for (auto _ : state) benchmark::DoNotOptimize(obj.Get("Width"));
}
BENCHMARK(BM_GetPropertyByName);

void BM_GetFailingMember(benchmark::State& state) {
  ObjectRef obj = MakeRef<Sheet>();
  for (auto _ : state) {
    try {
      obj.Get("NoSuchMember");
    } catch (const AutomationError& e) {
      benchmark::DoNotOptimize(e.code());
    }
  }
}
BENCHMARK(BM_GetFailingMember);

void BM_StringToInt16(benchmark::State& state) {
  const Variant v("-1234");
  for (auto _ : state) benchmark::DoNotOptimize(v.ToInt16());
}
BENCHMARK(BM_StringToInt16);

void BM_DoubleToString(benchmark::State& state) {
  const Variant v(1.0 / 3.0);
  for (auto _ : state) benchmark::DoNotOptimize(v.ToString());
}
BENCHMARK(BM_DoubleToString);

}  // namespace
