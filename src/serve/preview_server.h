// The HTTP server of the preview, on Debian's cpp-httplib, which parses every request.
// What this adds is bounds: each connection carries one request (the answer closes it),
// a request may not be longer than PreviewRoutes::kRequestLimit bytes nor take longer
// than kRequestTime to arrive, and writes to a client that stops reading time out.
// Answer() runs the same parsing and routing over bytes in memory, for tests and fuzzing.
#ifndef PERCORSO_SERVE_PREVIEW_SERVER_H_
#define PERCORSO_SERVE_PREVIEW_SERVER_H_

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include <httplib.h>

#include "serve/event_hub.h"
#include "serve/routes.h"

namespace percorso {

class PreviewServer : public httplib::Server {
 public:
  static constexpr std::chrono::seconds kRequestTime{10};  // to receive a whole request
  static constexpr std::chrono::seconds kWriteTime{5};     // for each write to go out
  static constexpr size_t kWorkers = PreviewRoutes::kMaxStreams + 16;

  explicit PreviewServer(EventHub& hub);

  // Binds `host`:`port` (0: any free port). Returns the port bound, or why it could not.
  struct Bound {
    int port = 0;
    std::string error;  // empty when bound
    bool in_use = false;
  };
  Bound Bind(const std::string& host, int port);

  // The whole answer to `request` (bytes as a client would send them), without a socket.
  std::string Answer(std::string_view request);

  const PreviewRoutes& routes() const { return routes_; }

 private:
  bool process_and_close_socket(socket_t sock) override;

  PreviewRoutes routes_;
};

}  // namespace percorso

#endif  // PERCORSO_SERVE_PREVIEW_SERVER_H_
