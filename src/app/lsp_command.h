// `percorso lsp`: the language server over standard input and output.
#ifndef PERCORSO_APP_LSP_COMMAND_H_
#define PERCORSO_APP_LSP_COMMAND_H_

#include <iosfwd>

#include "app/commands.h"
#include "lsp/server.h"

namespace percorso::lsp {

// Serves messages from `in` until the client sends exit or goes away; returns the exit
// status (0 after shutdown and exit, 1 when the client left without them).
int RunServer(std::istream& in, std::ostream& out, std::ostream& err, Server& server);

}  // namespace percorso::lsp

namespace percorso {

CommandAction DefineLsp(CLI::App& sub, std::ostream& out, std::ostream& err);

}  // namespace percorso

#endif  // PERCORSO_APP_LSP_COMMAND_H_
