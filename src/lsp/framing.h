// The base protocol's framing: each message is a header block ("Content-Length: N",
// optionally other header lines, then an empty line, each line ended by CR LF) and N
// bytes of JSON. Reading is bounded: header lines, their number and the body's size.
#ifndef PERCORSO_LSP_FRAMING_H_
#define PERCORSO_LSP_FRAMING_H_

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>

namespace percorso::lsp {

// The largest body the server takes: 64 MiB. Larger messages are read past, unparsed.
inline constexpr size_t kMaxBodyBytes = size_t{64} << 20;

enum class FrameStatus {
  kMessage,    // `body` holds one message
  kEnd,        // the input ended (at a frame boundary or inside one: the client is gone)
  kTooLarge,   // a message longer than the limit was skipped; `declared` is its length
  kMalformed,  // a header the framing cannot recover from; `error` says why
};

struct Frame {
  FrameStatus status = FrameStatus::kEnd;
  std::string body;
  size_t declared = 0;
  std::string error;
};

// Reads the next frame.
Frame ReadFrame(std::istream& in, size_t max_body = kMaxBodyBytes);

// The bytes of one frame holding `body`.
std::string EncodeFrame(std::string_view body);

}  // namespace percorso::lsp

#endif  // PERCORSO_LSP_FRAMING_H_
