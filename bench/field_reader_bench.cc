// Throughput of the field reader on the largest texts the loader accepts: the maximal
// scenario's line description and train data (about 1.6 MB together), read field by
// field the way the loader reads them, a keyword token and then the row's numbers.
#include <benchmark/benchmark.h>

#include <array>
#include <string>
#include <string_view>

#include "bench_inputs.h"
#include "compiler/field_reader.h"
#include "testing/max_scenario.h"

namespace percorso::bench {
namespace {

// How many numbers follow each keyword of the maximal texts, and whether a text field
// closes the row. Tokens that match none (headers, comments) read nothing more.
struct RowShape {
  std::string_view prefix;
  int numbers;
  bool text;
};
constexpr std::array<RowShape, 19> kShapes = {{
    {"pendenza", 2, false},        {"velocita", 2, false},
    {"segnale", 11, false},        {"rallentamento", 6, false},
    {"indicatori_vmax", 9, false}, {"curva", 2, false},
    {"montagna", 3, false},        {"aderenza", 2, false},
    {"abbattimento", 2, false},    {"stazione", 16, true},
    {"cartello_indicatore", 1, true}, {"lunghezza", 1, false},
    {"progressiva", 3, false},     {"sfondo", 1, false},
    {"ripetizione", 2, false},     {"percentuale", 1, false},
    {"numero", 1, false},          {"orologio", 3, false},
    {"sabbia", 1, false},
}};

const RowShape* ShapeOf(std::string_view token) {
  for (const RowShape& s : kShapes) {
    if (token.substr(0, s.prefix.size()) == s.prefix) return &s;
  }
  return nullptr;
}

// Reads a whole text; returns the sum of its numbers so nothing is optimised away.
int64_t ReadAll(std::string_view text) {
  FieldReader r(text);
  int64_t sum = 0;
  while (!r.AtEnd()) {
    TextField token;
    if (r.ReadText(&token)) break;
    const RowShape* shape = ShapeOf(token.text);
    if (shape == nullptr) continue;
    for (int i = 0; i < shape->numbers; ++i) {
      NumberField n;
      if (r.ReadNumber(NumberWidth::kInt32, &n)) return -1;
      sum += n.value;
    }
    if (shape->text) {
      TextField t;
      if (r.ReadText(&t)) return -1;
      sum += static_cast<int64_t>(t.text.size());
    }
  }
  return sum;
}

void BM_FieldReader(benchmark::State& state) {
  const TextPair& t = MaxTexts(kMaxScenarioLength);
  if (ReadAll(t.linea.bytes) < 0 || ReadAll(t.treno.bytes) < 0) {
    state.SkipWithError("the maximal texts do not read as expected");
    return;
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(ReadAll(t.linea.bytes));
    benchmark::DoNotOptimize(ReadAll(t.treno.bytes));
  }
  const size_t bytes = t.linea.bytes.size() + t.treno.bytes.size();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
  state.counters["text_MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_FieldReader)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace percorso::bench
