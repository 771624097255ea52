// The whole compile in memory (load, plan, protection pass, codes and the bytes of the
// three files): the built-in scenario, the maximal scenario, and the maximal scenario at
// growing line lengths to show that the cost grows linearly with the line.
#include <benchmark/benchmark.h>

#include "bench_inputs.h"
#include "compiler/compile.h"
#include "testing/max_scenario.h"

namespace percorso::bench {
namespace {

void CompileLoop(benchmark::State& state, const TextPair& texts,
                 WarningChoice warnings = WarningChoice::kWatch) {
  CompileOrDie(texts);  // a failed compile measures nothing
  CompileSettings settings = SettingsOf(texts);
  settings.warnings = warnings;
  size_t written = 0;
  for (auto _ : state) {
    Compilation out = CompileScenario(texts.linea, texts.treno, settings);
    written = 0;
    for (const CompiledFile& f : out.files) written += f.bytes.size();
    benchmark::DoNotOptimize(out);
  }
  const size_t read = texts.linea.bytes.size() + texts.treno.bytes.size();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * read));
  state.counters["text_MB"] = static_cast<double>(read) / 1e6;
  state.counters["files_MB"] = static_cast<double>(written) / 1e6;
}

void BM_CompileBuiltin(benchmark::State& state) { CompileLoop(state, BuiltinTexts()); }
BENCHMARK(BM_CompileBuiltin)->Unit(benchmark::kMicrosecond);

void BM_CompileMax(benchmark::State& state) { CompileLoop(state, MaxTexts(kMaxScenarioLength)); }
BENCHMARK(BM_CompileMax)->Unit(benchmark::kMillisecond);

// The same compiles without looking for warnings: the difference is what warnings cost
// (the aim: no more than a tenth of the compile).
void BM_CompileBuiltinNoWarnings(benchmark::State& state) {
  CompileLoop(state, BuiltinTexts(), WarningChoice::kSkip);
}
BENCHMARK(BM_CompileBuiltinNoWarnings)->Unit(benchmark::kMicrosecond);

void BM_CompileMaxNoWarnings(benchmark::State& state) {
  CompileLoop(state, MaxTexts(kMaxScenarioLength), WarningChoice::kSkip);
}
BENCHMARK(BM_CompileMaxNoWarnings)->Unit(benchmark::kMillisecond);

// The maximal scenario at L = 250 000, 500 000 and 1 000 000 m; the fitted complexity
// should come out as N (linear).
void BM_CompileMaxLength(benchmark::State& state) {
  CompileLoop(state, MaxTexts(static_cast<int32_t>(state.range(0))));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_CompileMaxLength)
    ->Arg(250000)
    ->Arg(500000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace
}  // namespace percorso::bench
