// The live preview's work between a save and the event that carries the new page: the
// pair compiled in memory and the report rendered, for the built-in pair and the maximal
// scenario. The browser test only checks that a save reaches the page within a generous
// deadline; this is the figure to watch.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "bench_inputs.h"
#include "compiler/front_end.h"
#include "serve/page_compile.h"

namespace percorso::bench {
namespace {

void SaveToPage(benchmark::State& state, const TextPair& texts) {
  PageInput input;
  input.linea = texts.nome_linea;
  input.treno = texts.numero_treno;
  const std::string linea_name = texts.nome_linea + "_linea.txt";
  const std::string treno_name = texts.nome_linea + "_" + texts.numero_treno + "-.txt";
  input.linea_text = BufferText(linea_name, linea_name, texts.linea.bytes);
  input.treno_text = BufferText(treno_name, treno_name, texts.treno.bytes);
  input.scenario_name = texts.nome_linea + "_" + texts.numero_treno + ".dat";
  if (!CompilePage(input).drawing) std::abort();  // no figure from a page without a drawing
  for (auto _ : state) benchmark::DoNotOptimize(CompilePage(input));
}

void BM_ServeSaveToPageBuiltin(benchmark::State& state) { SaveToPage(state, BuiltinTexts()); }
BENCHMARK(BM_ServeSaveToPageBuiltin)->Unit(benchmark::kMillisecond);

void BM_ServeSaveToPageMaxScenario(benchmark::State& state) {
  SaveToPage(state, MaxTexts(static_cast<int32_t>(state.range(0))));
}
BENCHMARK(BM_ServeSaveToPageMaxScenario)->Arg(96900)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace percorso::bench
