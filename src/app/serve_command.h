// `percorso serve`: a live preview of a pair of texts in the browser. It serves the
// report page of the pair, compiled in memory (nothing is written to disk), recompiles
// whenever either text changes and pushes the new page to every open browser.
#ifndef PERCORSO_APP_SERVE_COMMAND_H_
#define PERCORSO_APP_SERVE_COMMAND_H_

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include "app/commands.h"

namespace percorso {

struct ServeOptions {
  std::filesystem::path dir = ".";   // where the two texts are
  std::optional<std::string> linea;  // --line; found in `dir` when absent
  std::optional<std::string> treno;  // --train; found in `dir` when absent
  int port = 8080;                   // 0: any free port (the address printed tells which)
  std::string host = "127.0.0.1";
};

// Prints the address to open, then one line per compile on `out`, until SIGINT or
// SIGTERM. Exit status: 0 stopped by a signal; 2 bad command line or no single pair of
// texts; 3 the address cannot be listened on (a port in use) or the directory cannot
// be watched.
int RunServe(const ServeOptions& options, std::ostream& out, std::ostream& err);

CommandAction DefineServe(CLI::App& sub, std::ostream& out, std::ostream& err);

// The command's line in the program's --help.
inline constexpr const char* kServeSummary =
    "Serve a live preview of a route's report that follows every save of its texts";

// What a parsed `serve` command line does with its options.
using ServeRunner = std::function<int(const ServeOptions&)>;

// Declares the options and help footer of `serve` on `sub`; the action hands the parsed
// options to `run`. Apart from RunServe itself, so that the `percorso` executable can
// declare the command without linking the preview server (serve_launcher.h).
CommandAction DefineServeOptions(CLI::App& sub, ServeRunner run);

}  // namespace percorso

#endif  // PERCORSO_APP_SERVE_COMMAND_H_
