#include "app/lsp_command.h"

#include <csignal>
#include <iostream>

#include "base/heap.h"
#include "builtin/builtin_texts.h"
#include "lsp/compile_pair.h"
#include "lsp/framing.h"
#include "model/line_list.h"

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

namespace {

// Room for the longest line's compile, as for `compile`.
constexpr size_t kLspHeapBytes = size_t{48} << 20;

}  // namespace

int RunLsp(std::ostream& out, std::ostream& err) {
  // A client that goes away must end the server with a message, not a signal.
  std::signal(SIGPIPE, SIG_IGN);
  std::ios::sync_with_stdio(false);
  // The editor's first diagnostics come as fast as the later ones: the heap is grown
  // once for a compile's blocks, and one compile of the built-in pair, while the
  // editor starts, touches its pages and the compiler's tables before the first text.
  PrepareHeap(kLspHeapBytes, HeapPages::kOnFirstTouch);
  {
    const std::string linea = RenderText(LineaRows());
    const std::string treno = RenderText(TrenoRows());
    lsp::CompilePair({kBuiltinLineName, kBuiltinTrainNumber, linea, treno});
  }
  lsp::Server server(lsp::RealDisk(lsp::kMaxBodyBytes));
  return lsp::RunServer(std::cin, out, err, server);
}

CommandAction DefineLsp(CLI::App& sub, std::ostream& out, std::ostream& err) {
  sub.footer(
      "Speaks the Language Server Protocol on standard input and output, for editors:\n"
      "diagnostics of the pair on every change, hover, outline and completion for\n"
      "NAME_linea.txt and NAME_NUMBER-.txt. Reads the other text of a pair from disk\n"
      "when the editor has not opened it; never writes a file. Exit status: 0 after\n"
      "shutdown and exit, 1 when the client leaves without them.\n\n"
      "Example (Neovim 0.7 or later, in the buffer of a route text):\n"
      "  :lua vim.lsp.buf_attach_client(0, vim.lsp.start_client({cmd = {'percorso', 'lsp'}}))");
  return [&out, &err] { return RunLsp(out, err); };
}

}  // namespace percorso
