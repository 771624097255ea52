#include "app/serve_run.h"

#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <ostream>
#include <thread>
#include <vector>

#include "app/compile_command.h"
#include "model/names.h"
#include "serve/event_hub.h"
#include "serve/page_state.h"
#include "serve/preview_server.h"
#include "serve/text_watcher.h"

namespace percorso {

namespace {

// Settles the pair: the names given are checked, the missing ones taken from the one
// pair of texts in the directory. False after a message.
bool ResolvePair(const ServeOptions& o, PairFiles* pair, std::ostream& err) {
  for (auto [what, name, allow_empty] :
       {std::tuple{"line name", &o.linea, false}, std::tuple{"train number", &o.treno, true}}) {
    if (!*name) continue;
    if (auto why = CheckName(what, **name, allow_empty)) {
      err << "percorso serve: " << *why << ": \"" << **name << "\"\n";
      return false;
    }
  }
  pair->dir = o.dir;
  const PairChoice choice = ChooseTextPair(o.dir, o.linea, o.treno);
  if (choice.chosen) {
    pair->linea = choice.chosen->linea;
    pair->treno = choice.chosen->treno;
    return true;
  }
  const std::vector<TextPair>& pairs = choice.candidates;
  const std::string where = o.dir.lexically_normal().string();
  if (pairs.empty()) {
    err << "percorso serve: no pair of texts NAME_linea.txt + NAME_NUMBER-.txt in " << where
        << "\n";
  } else {
    err << "percorso serve: " << where << " holds " << pairs.size()
        << " pairs of texts; choose one with --line and --train\n";
  }
  return false;
}

std::string Url(const std::string& host, int port) {
  const bool v6 = host.find(':') != std::string::npos;
  return "http://" + (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port) + "/";
}

// SIGINT and SIGTERM are taken by the calling thread alone, with sigwait: every thread
// started from here on inherits the mask.
sigset_t BlockStopSignals() {
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
  return stop_signals;
}

// Compiles the pair again at every change of its texts and publishes the page, until
// the watcher is stopped or the directory goes.
void RecompileOnChange(const PairFiles& pair, TextWatcher& watcher, PageState& state, EventHub& hub,
                       std::ostream& out) {
  for (;;) {
    switch (watcher.WaitForChange()) {
      case TextWatcher::Change::kStopped:
        return;
      case TextWatcher::Change::kGone:
        out << "percorso serve: " << pair.dir.string()
            << " was removed or moved; the page stays as it was" << std::endl;
        return;
      case TextWatcher::Change::kChanged: {
        PageState::Outcome o = state.Recompile();
        hub.Publish(o.page);
        out << o.log_line << std::endl;
        break;
      }
    }
  }
}

}  // namespace

int RunServe(const ServeOptions& options, std::ostream& out, std::ostream& err) {
  PairFiles pair;
  if (!ResolvePair(options, &pair, err)) return kExitUsage;
  if (options.port < 0 || options.port > 65535) {
    err << "percorso serve: --port must be from 0 to 65535\n";
    return kExitUsage;
  }

  const sigset_t stop_signals = BlockStopSignals();

  PageState state(pair);
  TextWatcher watcher;
  if (auto why = watcher.Open(pair.dir, {state.linea_file(), state.treno_file()})) {
    err << "percorso serve: " << *why << "\n";
    return kExitStopped;
  }
  EventHub hub;
  PageState::Outcome first = state.Recompile();
  hub.Publish(first.page);

  PreviewServer server(hub);
  PreviewServer::Bound bound = server.Bind(options.host, options.port);
  if (bound.port <= 0) {
    err << "percorso serve: cannot listen on " << options.host << " port " << options.port << ": "
        << bound.error;
    if (bound.in_use) err << " (another program is using the port; choose another with --port)";
    err << "\n";
    return kExitStopped;
  }
  if (bound.beyond_loopback) {
    err << "percorso serve: warning: listening on " << options.host
        << ", beyond this machine: any machine on the network that reaches it can read the "
           "route, its errors and the paths they quote\n";
  }
  out << "percorso serve: open " << Url(options.host, bound.port) << " (watching "
      << (pair.dir / state.linea_file()).lexically_normal().string() << " and "
      << (pair.dir / state.treno_file()).lexically_normal().string() << "; Ctrl-C stops)\n"
      << first.log_line << std::endl;

  const pthread_t main_thread = pthread_self();
  std::thread listener([&] {
    server.Listen();
    // Ended without being stopped: wake the main thread so the process ends.
    if (!hub.closed()) pthread_kill(main_thread, SIGTERM);
  });
  std::thread recompiler([&] { RecompileOnChange(pair, watcher, state, hub, out); });

  int signal_number = 0;
  while (sigwait(&stop_signals, &signal_number) != 0) {
  }
  // Ends every connection at once, whatever its client is doing, and closes the hub.
  server.Stop();
  watcher.Stop();
  listener.join();
  recompiler.join();
  out << "percorso serve: stopped" << std::endl;
  return kExitOk;
}

CommandAction DefineServeRun(CLI::App& sub, std::ostream& out, std::ostream& err) {
  return DefineServe(sub, [&out, &err](const ServeOptions& o) { return RunServe(o, out, err); });
}

}  // namespace percorso
