// Encoding of each compiled file from a compiled model: the cell file, the line file and
// the plan file, for the built-in scenario and for the maximal one.
#include <benchmark/benchmark.h>

#include <string>

#include "bench_inputs.h"
#include "testing/max_scenario.h"
#include "format/cell_file.h"
#include "format/line_file.h"
#include "format/plan_file.h"

namespace percorso::bench {
namespace {

// The compiled models, each made on first use (so that one failing compile does not
// stop the benchmarks of the other).
const Compilation& Compiled(bool maximal) {
  if (maximal) {
    static const Compilation* max = new Compilation(CompileOrDie(MaxTexts(kMaxScenarioLength)));
    return *max;
  }
  static const Compilation* builtin = new Compilation(CompileOrDie(BuiltinTexts()));
  return *builtin;
}

template <typename Encode>
void EncodeLoop(benchmark::State& state, Encode encode) {
  size_t bytes = 0;
  for (auto _ : state) {
    std::string out = encode();
    bytes = out.size();
    benchmark::DoNotOptimize(out);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
  state.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
}

void BM_EncodeCellFile(benchmark::State& state, bool maximal) {
  const Compilation& f = Compiled(maximal);
  EncodeLoop(state, [&] { return EncodeCellFile(f.grid); });
}
void BM_EncodeLineFile(benchmark::State& state, bool maximal) {
  const Compilation& f = Compiled(maximal);
  EncodeLoop(state, [&] { return EncodeLineFile(f.line_table); });
}
void BM_EncodePlanFile(benchmark::State& state, bool maximal) {
  const Compilation& f = Compiled(maximal);
  EncodeLoop(state, [&] { return EncodePlanFile(f.plan); });
}

BENCHMARK_CAPTURE(BM_EncodeCellFile, builtin, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_EncodeCellFile, max, true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_EncodeLineFile, builtin, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_EncodeLineFile, max, true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_EncodePlanFile, builtin, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_EncodePlanFile, max, true)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace percorso::bench
