#include "app/lsp_command.h"

#include <csignal>
#include <iostream>

#include "lsp/framing.h"

namespace percorso::lsp {

namespace {

// False when the client can no longer be written to.
bool Send(std::ostream& out, const std::string& body) {
  out << EncodeFrame(body);
  out.flush();
  return static_cast<bool>(out);
}

}  // namespace

int RunServer(std::istream& in, std::ostream& out, std::ostream& err, Server& server) {
  for (;;) {
    Frame f = ReadFrame(in);
    switch (f.status) {
      case FrameStatus::kEnd:
        return server.exit_status() == 0 ? 0 : 1;
      case FrameStatus::kMalformed:
        err << "percorso lsp: unreadable message header: " << f.error << "\n";
        return 1;
      case FrameStatus::kTooLarge:
        if (!Send(out, server.TooLargeNotice(f.declared))) return 1;
        continue;
      case FrameStatus::kMessage:
        break;
    }
    for (const std::string& reply : server.Handle(f.body)) {
      if (!Send(out, reply)) {
        err << "percorso lsp: the client has gone away\n";
        return 1;
      }
    }
    if (server.exited()) return server.exit_status();
  }
}

}  // namespace percorso::lsp

namespace percorso {

CommandAction DefineLsp(CLI::App& sub, std::ostream& out, std::ostream& err) {
  sub.footer(
      "Speaks the Language Server Protocol on standard input and output, for editors:\n"
      "diagnostics of the pair on every change, hover, outline and completion for\n"
      "NAME_linea.txt and NAME_NUMBER-.txt. Reads the other text of a pair from disk\n"
      "when the editor has not opened it; never writes a file. Exit status: 0 after\n"
      "shutdown and exit, 1 when the client leaves without them.\n\n"
      "Example (Neovim 0.7 or later, in the buffer of a route text):\n"
      "  :lua vim.lsp.buf_attach_client(0, vim.lsp.start_client({cmd = {'percorso', 'lsp'}}))");
  return [&out, &err] {
    // A client that goes away must end the server with a message, not a signal.
    std::signal(SIGPIPE, SIG_IGN);
    std::ios::sync_with_stdio(false);
    lsp::Server server(lsp::RealDisk(lsp::kMaxBodyBytes));
    return lsp::RunServer(std::cin, out, err, server);
  };
}

}  // namespace percorso
