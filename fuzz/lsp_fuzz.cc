// The language server from the framing up: the input is what a client writes to the
// server's standard input, cut into frames and handled message by message, as
// `percorso lsp` does. The server starts initialized; the disk holds the built-in line
// description under every line-description name, so that train texts compile.
//
// Beyond "no crash": every message the server sends is valid JSON and re-frames to the
// same body; a request is answered at most once; nothing after exit is handled.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "lsp/framing.h"
#include "lsp/server.h"
#include "builtin/builtin_texts.h"
#include "model/line_list.h"

namespace {

using percorso::lsp::Disk;
using percorso::lsp::Frame;
using percorso::lsp::FrameStatus;
using percorso::lsp::Server;

constexpr size_t kMaxBody = size_t{1} << 20;

void Check(bool ok) {
  if (!ok) std::abort();
}

void CheckReplies(const std::vector<std::string>& replies) {
  for (const std::string& r : replies) {
    const nlohmann::json j = nlohmann::json::parse(r, nullptr, false);
    Check(!j.is_discarded() && j.is_object());
    std::istringstream framed(percorso::lsp::EncodeFrame(r));
    Check(percorso::lsp::ReadFrame(framed, r.size()).body == r);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string linea = percorso::RenderText(percorso::LineaRows());
  Disk disk;
  disk.read = [](const std::string& path) -> std::optional<std::string> {
    if (path.size() >= 10 && path.compare(path.size() - 10, 10, "_linea.txt") == 0) return linea;
    return std::nullopt;
  };
  disk.list = [](const std::string&) { return std::vector<std::string>(); };
  Server server(disk);
  CheckReplies(server.Handle(R"({"jsonrpc":"2.0","id":0,"method":"initialize","params":{"capabilities":{}}})"));

  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  for (;;) {
    Frame f = percorso::lsp::ReadFrame(in, kMaxBody);
    if (f.status == FrameStatus::kEnd || f.status == FrameStatus::kMalformed) break;
    if (f.status == FrameStatus::kTooLarge) {
      CheckReplies({server.TooLargeNotice(f.declared)});
      continue;
    }
    const bool exited = server.exited();
    std::vector<std::string> replies = server.Handle(f.body);
    if (exited) Check(replies.empty());
    CheckReplies(replies);
    int responses = 0;
    for (const std::string& r : replies) {
      const nlohmann::json j = nlohmann::json::parse(r);
      responses += j.contains("id") && !j.contains("method") ? 1 : 0;
    }
    Check(responses <= 1);
  }
  return 0;
}
