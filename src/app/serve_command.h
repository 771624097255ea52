// `percorso serve`: a live preview of a pair of texts in the browser. It serves the
// report page of the pair, compiled in memory (nothing is written to disk), recompiles
// whenever either text changes and pushes the new page to every open browser. The
// command is in three files, since only the preview server's own executable links the
// server: this one declares its options and its command line, serve_run.h is the run
// (the server, in percorso-serve) and serve_launcher.h is what `percorso serve` does
// (replace itself by percorso-serve).
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

// The command's line in the program's --help.
inline constexpr const char* kServeSummary =
    "Serve a live preview of a route's report that follows every save of its texts";

// What a parsed `serve` command line does with its options: in percorso-serve, RunServe
// (serve_run.h); in `percorso`, hand the command line on to percorso-serve
// (serve_launcher.h).
using ServeRunner = std::function<int(const ServeOptions&)>;

// Declares the options and help footer of `serve` on `sub`; the action hands the parsed
// options to `run`. The run is not linked here, so that the `percorso` executable can
// declare the command, and so read its --help and its malformed command lines as
// percorso-serve does, without linking the preview server.
CommandAction DefineServe(CLI::App& sub, ServeRunner run);

}  // namespace percorso

#endif  // PERCORSO_APP_SERVE_COMMAND_H_
