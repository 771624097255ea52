// The language server's round trip from a didChange to its publishDiagnostics: the
// message parsed, the edit applied, the pair compiled, the findings placed and the
// notifications written, for the built-in pair and the maximal scenario, both texts
// open in the editor.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include <nlohmann/json.hpp>

#include "bench_inputs.h"
#include "lsp/findings_map.h"
#include "lsp/positions.h"
#include "lsp/server.h"
#include "testing/max_scenario.h"

namespace percorso::bench {
namespace {

using nlohmann::json;

std::string Open(const std::string& uri, const std::string& text) {
  return json{{"jsonrpc", "2.0"},
              {"method", "textDocument/didOpen"},
              {"params", {{"textDocument", {{"uri", uri}, {"languageId", "percorso"}, {"version", 1}, {"text", text}}}}}}
      .dump();
}

void RoundTrip(benchmark::State& state, const TextPair& texts) {
  const std::string dir = "file:///routes/";
  const std::string linea_uri = dir + texts.nome_linea + "_linea.txt";
  const std::string treno_uri = dir + texts.nome_linea + "_" + texts.numero_treno + "-.txt";
  // The editor holds the Windows-1252 texts as UTF-8.
  const std::string linea = lsp::DiskTextAsUtf8(texts.linea.bytes);
  const std::string treno = lsp::DiskTextAsUtf8(texts.treno.bytes);
  lsp::Server server(lsp::NoDisk());
  server.Handle(R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{}}})");
  server.Handle(Open(linea_uri, linea));
  server.Handle(Open(treno_uri, treno));

  // Rewrites the first digit of a signal row in the middle of the train text with itself:
  // the text stays valid, and the whole pair is compiled again each time.
  const lsp::LineIndex lines(treno);
  size_t row = lines.count() / 2;
  while (row < lines.count() && lines.Line(row).find("segnale") != 0) ++row;
  if (row == lines.count()) std::abort();
  const std::string_view line = lines.Line(row);
  const size_t col = line.find_first_of("0123456789");
  const std::string change =
      json{{"jsonrpc", "2.0"},
           {"method", "textDocument/didChange"},
           {"params",
            {{"textDocument", {{"uri", treno_uri}, {"version", 2}}},
             {"contentChanges",
              json::array({{{"range", {{"start", {{"line", row}, {"character", col}}},
                                       {"end", {{"line", row}, {"character", col + 1}}}}},
                            {"text", std::string(1, line[col])}}})}}}}
          .dump();
  size_t published = 0;
  for (auto _ : state) {
    std::vector<std::string> out = server.Handle(change);
    published += out.size();
    // A failed compile would measure something else: the built-in and maximal pairs
    // compile without error, so no diagnostic may be an error (the maximal pair's
    // timetable is too tight for the assumed train: its warnings are part of the trip).
    for (const std::string& m : out)
      if (m.find("\"severity\":1") != std::string::npos) std::abort();
    benchmark::DoNotOptimize(out);
  }
  state.counters["published"] = static_cast<double>(published) / static_cast<double>(state.iterations());
}

void BM_LspDidChangeBuiltin(benchmark::State& state) { RoundTrip(state, BuiltinTexts()); }
BENCHMARK(BM_LspDidChangeBuiltin)->Unit(benchmark::kMillisecond);

void BM_LspDidChangeMax(benchmark::State& state) { RoundTrip(state, MaxTexts(kMaxScenarioLength)); }
BENCHMARK(BM_LspDidChangeMax)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace percorso::bench
