// The run of `serve`: the preview server itself. Linked only into percorso-serve, the
// preview server's own executable (serve_main.cc), so that no other command loads the
// HTTP library; `percorso serve` hands its command line on to it (serve_launcher.h).
#ifndef PERCORSO_APP_SERVE_RUN_H_
#define PERCORSO_APP_SERVE_RUN_H_

#include <iosfwd>

#include "app/commands.h"
#include "app/serve_command.h"

namespace percorso {

// Declares `serve` (serve_command.h) with RunServe as its action.
CommandAction DefineServeRun(CLI::App& sub, std::ostream& out, std::ostream& err);

// Prints the address to open, then one line per compile on `out`, until SIGINT or
// SIGTERM. Exit status: 0 stopped by a signal; 2 bad command line or no single pair of
// texts; 3 the address cannot be listened on (a port in use) or the directory cannot
// be watched.
int RunServe(const ServeOptions& options, std::ostream& out, std::ostream& err);

}  // namespace percorso

#endif  // PERCORSO_APP_SERVE_RUN_H_
