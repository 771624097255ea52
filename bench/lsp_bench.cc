// The language server's round trip from a didChange to its publishDiagnostics: the
// message parsed, the edit applied, the pair compiled, the findings placed and the
// notifications written, for the built-in pair and the maximal scenario, both texts
// open in the editor. And the editor's first diagnostics: a fresh `percorso lsp`
// process opening the built-in train text, its first edit, and a later edit in the
// same process, as an editor sees them through the pipes.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

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


// Rewrites the first digit of a signal row in the middle of `treno` with itself: the
// text stays valid, and the whole pair is compiled again each time.
std::string SameDigitChange(const std::string& treno_uri, const std::string& treno, int version) {
  const lsp::LineIndex lines(treno);
  size_t row = lines.count() / 2;
  while (row < lines.count() && lines.Line(row).find("segnale") != 0) ++row;
  if (row == lines.count()) std::abort();
  const std::string_view line = lines.Line(row);
  const size_t col = line.find_first_of("0123456789");
  return json{{"jsonrpc", "2.0"},
              {"method", "textDocument/didChange"},
              {"params",
               {{"textDocument", {{"uri", treno_uri}, {"version", version}}},
                {"contentChanges",
                 json::array({{{"range", {{"start", {{"line", row}, {"character", col}}},
                                          {"end", {{"line", row}, {"character", col + 1}}}}},
                               {"text", std::string(1, line[col])}}})}}}}
      .dump();
}

// A failed compile would measure something else: the built-in and maximal pairs compile
// without error, so every diagnostics list must be empty.
void RequireNoFindings(const std::string& message) {
  if (message.find("\"diagnostics\":[]") == std::string::npos) std::abort();
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

  const std::string change = SameDigitChange(treno_uri, treno, 2);
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

// --- the editor's first diagnostics, from a fresh `percorso lsp` process ---

// How long the benchmark waits for any one answer before it gives up.
constexpr int kAnswerTimeoutMs = 10'000;

// A `percorso lsp` process spoken to through its standard input and output.
class LspProcess {
 public:
  LspProcess() {
    int to_child[2];
    int from_child[2];
    if (pipe2(to_child, O_CLOEXEC) != 0 || pipe2(from_child, O_CLOEXEC) != 0) std::abort();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, to_child[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, from_child[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    char program[] = PERCORSO_EXECUTABLE;
    char command[] = "lsp";
    char* argv[] = {program, command, nullptr};
    if (posix_spawn(&pid_, program, &actions, nullptr, argv, environ) != 0) std::abort();
    posix_spawn_file_actions_destroy(&actions);
    close(to_child[0]);
    close(from_child[1]);
    in_ = to_child[1];
    out_ = from_child[0];
  }
  LspProcess(const LspProcess&) = delete;
  LspProcess& operator=(const LspProcess&) = delete;
  ~LspProcess() {
    Send(R"({"jsonrpc":"2.0","id":99,"method":"shutdown"})");
    Send(R"({"jsonrpc":"2.0","method":"exit"})");
    close(in_);
    close(out_);
    int status = 0;
    waitpid(pid_, &status, 0);
  }

  void Send(const std::string& body) {
    const std::string message = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    size_t sent = 0;
    while (sent < message.size()) {
      const ssize_t n = write(in_, message.data() + sent, message.size() - sent);
      if (n <= 0) std::abort();
      sent += static_cast<size_t>(n);
    }
  }

  // The next message's body; aborts when none comes in time.
  std::string Receive() {
    size_t end;
    while ((end = buffer_.find("\r\n\r\n")) == std::string::npos) Fill();
    const size_t at = buffer_.find("Content-Length: ");
    if (at == std::string::npos || at > end) std::abort();
    const size_t length = std::strtoul(buffer_.c_str() + at + 16, nullptr, 10);
    while (buffer_.size() < end + 4 + length) Fill();
    std::string body = buffer_.substr(end + 4, length);
    buffer_.erase(0, end + 4 + length);
    return body;
  }

  // Reads messages until the diagnostics of `uri` come, and checks they are empty.
  void AwaitDiagnostics(const std::string& uri) {
    const std::string quoted_uri = "\"uri\":\"" + uri + "\"";
    for (;;) {
      const std::string m = Receive();
      if (m.find("publishDiagnostics") != std::string::npos && m.find(quoted_uri) != std::string::npos) {
        RequireNoFindings(m);
        return;
      }
    }
  }

 private:
  void Fill() {
    pollfd p{out_, POLLIN, 0};
    if (poll(&p, 1, kAnswerTimeoutMs) != 1) std::abort();
    char chunk[65536];
    const ssize_t n = read(out_, chunk, sizeof chunk);
    if (n <= 0) std::abort();
    buffer_.append(chunk, static_cast<size_t>(n));
  }

  pid_t pid_ = 0;
  int in_ = -1;
  int out_ = -1;
  std::string buffer_;
};

// Which answer of a fresh server a benchmark times.
enum class FirstPhase { kOpen, kFirstEdit, kLaterEdit };

// The edits made before the one timed as a later edit.
constexpr int kEditsBeforeLater = 5;

// Each iteration starts a fresh server (not timed), puts the built-in line description on
// disk beside the train text and opens only the train text, so the server's first
// compile is the one that answers the open. The phase's wall time, from the message sent
// to its diagnostics read, is the iteration's time (the CPU column is the benchmark's own,
// not the server's).
void FirstDiagnostics(benchmark::State& state, FirstPhase phase) {
  const TextPair& texts = BuiltinTexts();
  char pattern[] = "/tmp/percorso_lsp_bench_XXXXXX";
  if (mkdtemp(pattern) == nullptr) std::abort();
  const std::filesystem::path dir = pattern;
  std::ofstream(dir / (texts.nome_linea + "_linea.txt"), std::ios::binary) << texts.linea.bytes;
  const std::string treno_uri = "file://" + (dir / (texts.nome_linea + "_" + texts.numero_treno + "-.txt")).string();
  const std::string treno = lsp::DiskTextAsUtf8(texts.treno.bytes);
  const std::string open = Open(treno_uri, treno);

  using Clock = std::chrono::steady_clock;
  for (auto _ : state) {
    LspProcess server;
    server.Send(R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{}}})");
    server.Receive();
    server.Send(R"({"jsonrpc":"2.0","method":"initialized","params":{}})");
    Clock::duration timed{};
    int version = 1;
    auto step = [&](const std::string& message, bool timed_step) {
      const Clock::time_point start = Clock::now();
      server.Send(message);
      server.AwaitDiagnostics(treno_uri);
      if (timed_step) timed = Clock::now() - start;
    };
    step(open, phase == FirstPhase::kOpen);
    if (phase != FirstPhase::kOpen) step(SameDigitChange(treno_uri, treno, ++version), phase == FirstPhase::kFirstEdit);
    if (phase == FirstPhase::kLaterEdit) {
      for (int i = 0; i < kEditsBeforeLater; ++i) step(SameDigitChange(treno_uri, treno, ++version), false);
      step(SameDigitChange(treno_uri, treno, ++version), true);
    }
    state.SetIterationTime(std::chrono::duration<double>(timed).count());
  }
  std::filesystem::remove_all(dir);
}

void BM_LspFirstOpenBuiltin(benchmark::State& state) { FirstDiagnostics(state, FirstPhase::kOpen); }
BENCHMARK(BM_LspFirstOpenBuiltin)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_LspFirstEditBuiltin(benchmark::State& state) { FirstDiagnostics(state, FirstPhase::kFirstEdit); }
BENCHMARK(BM_LspFirstEditBuiltin)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_LspLaterEditBuiltin(benchmark::State& state) { FirstDiagnostics(state, FirstPhase::kLaterEdit); }
BENCHMARK(BM_LspLaterEditBuiltin)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace percorso::bench
