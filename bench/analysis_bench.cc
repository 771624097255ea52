// The whole running-time analysis of a compiled scenario: the route read from the
// compiled model, the speed profile, the braking and acceleration curves, the sections
// and the slowdown warnings, for the assumed train. The aims: the built-in route under
// 2 ms, the maximal scenario (1 000 000 m) under 50 ms.
#include <benchmark/benchmark.h>

#include "analysis/braking.h"
#include "analysis/route.h"
#include "analysis/timetable.h"
#include "analysis/train_model.h"
#include "bench_inputs.h"
#include "testing/max_scenario.h"

namespace percorso::bench {
namespace {

void AnalysisLoop(benchmark::State& state, const TextPair& texts) {
  const Compilation c = CompileOrDie(texts);
  size_t metres = 0;
  for (auto _ : state) {
    const Route route = ReadRoute(c.line_table, c.grid.cells());
    const Timetable tt = AnalyseTimetable(route, DefaultTrainModel(route.cars));
    benchmark::DoNotOptimize(FindShortWarnings(route));
    metres = tt.run.speed_ms.size();
    benchmark::DoNotOptimize(tt);
  }
  state.counters["run_m"] = static_cast<double>(metres);
}

void BM_AnalysisBuiltin(benchmark::State& state) { AnalysisLoop(state, BuiltinTexts()); }
BENCHMARK(BM_AnalysisBuiltin)->Unit(benchmark::kMicrosecond);

void BM_AnalysisMax(benchmark::State& state) { AnalysisLoop(state, MaxTexts(kMaxScenarioLength)); }
BENCHMARK(BM_AnalysisMax)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace percorso::bench
