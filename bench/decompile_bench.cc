// Decompiling the maximal scenario's files (decode, recover every row and curve, compile
// the texts back and compare) against compiling its texts: the decompile should take
// less than twice the compile (compare BM_DecompileMax with BM_CompileMax).
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "bench_inputs.h"
#include "compiler/compile.h"
#include "decompile/decompile.h"
#include "testing/max_scenario.h"

namespace percorso::bench {
namespace {

void DecompileLoop(benchmark::State& state, const TextPair& texts) {
  Compilation c = CompileOrDie(texts);
  CompiledFiles files{texts.nome_linea, texts.numero_treno, *c.cell_file(), *c.line_file(),
                      std::string_view(*c.plan_file())};
  if (!Decompile(files).exact()) std::abort();  // a figure for a failed round trip means nothing
  for (auto _ : state) {
    Decompiled d = Decompile(files);
    benchmark::DoNotOptimize(d);
  }
  const size_t read = c.plan_file()->size() + c.line_file()->size() + c.cell_file()->size();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * read));
  state.counters["files_MB"] = static_cast<double>(read) / 1e6;
}

void BM_DecompileBuiltin(benchmark::State& state) { DecompileLoop(state, BuiltinTexts()); }
BENCHMARK(BM_DecompileBuiltin)->Unit(benchmark::kMicrosecond);

void BM_DecompileMax(benchmark::State& state) { DecompileLoop(state, MaxTexts(kMaxScenarioLength)); }
BENCHMARK(BM_DecompileMax)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace percorso::bench
