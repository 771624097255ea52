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

// `lsp` takes no options. Declares its help on `sub`; the action runs RunLsp.
CommandAction DefineLsp(CLI::App& sub, std::ostream& out, std::ostream& err);

// Serves the editor on standard input and `out` until it exits or goes away (messages
// of a client that cannot be understood go to `err`); returns the exit status of
// lsp::RunServer.
int RunLsp(std::ostream& out, std::ostream& err);

}  // namespace percorso

#endif  // PERCORSO_APP_LSP_COMMAND_H_
