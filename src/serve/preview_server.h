// The HTTP server of the preview, on Debian's cpp-httplib, which parses every request and
// writes every answer. What this adds is bounds, kept by its own accepting thread:
// - each connection carries one request (the answer closes it);
// - a request may not be longer than PreviewRoutes::kRequestLimit bytes nor take longer
//   than kRequestTime from the moment its connection was accepted; until its head has
//   come whole it waits in the accepting thread, not in a worker, so silent or slow
//   clients hold no worker;
// - at most kWaitingLimit connections wait for their request: beyond that the one that
//   has waited longest is closed (a flood of silent connections cannot keep the page
//   from being answered), and at most kQueueLimit whole requests wait for a worker,
//   beyond which a connection is answered 503 at once;
// - kWorkers workers answer, kMaxStreams of which at most carry event streams: the
//   others are always there for the page;
// - writes to a client that stops reading time out;
// - Stop() ends everything at once: the listening socket, every waiting connection,
//   every answer being written and every event stream.
// Every answer goes through Serve(): the library's parsing and writing with the Range
// header ignored (the page and the events are answered whole, never cut), then the
// routes, whose first check is the Host. Answer() runs the same over bytes in memory,
// for tests and fuzzing.
#ifndef PERCORSO_SERVE_PREVIEW_SERVER_H_
#define PERCORSO_SERVE_PREVIEW_SERVER_H_

#include <chrono>
#include <string>
#include <string_view>

#include <httplib.h>

#include "serve/event_hub.h"
#include "serve/routes.h"

namespace percorso {

// True for a numeric address only this machine can reach: 127.0.0.0/8 and ::1.
bool IsLoopbackAddress(const std::string& address);

class PreviewServer : private httplib::Server {
 public:
  static constexpr std::chrono::seconds kRequestTime{10};  // from accept to the whole request
  static constexpr std::chrono::seconds kWriteTime{5};     // for each write to go out
  static constexpr size_t kWorkers = PreviewRoutes::kMaxStreams + 16;
  static constexpr size_t kWaitingLimit = 256;  // connections whose request is not whole yet
  static constexpr size_t kQueueLimit = 256;    // whole requests waiting for a worker
  static constexpr int kListenBacklog = 128;

  // Serves the pages of `hub`. Stop() closes the hub.
  explicit PreviewServer(EventHub& hub);
  ~PreviewServer() override;

  // Binds `host`:`port` (0: any free port). Returns the port bound, or why it could not.
  // The Host check then accepts `host` and the loopback names with that port.
  struct Bound {
    int port = 0;
    std::string error;  // empty when bound
    bool in_use = false;
    // Bound to an address other machines can reach (not 127.0.0.0/8 nor ::1).
    bool beyond_loopback = false;
  };
  Bound Bind(const std::string& host, int port);

  // Accepts and answers connections until Stop(); returns at once if Stop() came first.
  void Listen();
  // Ends Listen() within moments whatever is connected; callable from any thread, any
  // number of times, before or during Listen().
  void Stop();

  // For Answer() without Bind(): the address and port the Host check takes as its own.
  void ServeAs(const std::string& host, int port) { routes_.ServeAs(host, port); }

  // The whole answer to `request` (bytes as a client would send them), without a socket.
  std::string Answer(std::string_view request);

  const PreviewRoutes& routes() const { return routes_; }

  // The parts of the accepting thread and the workers, defined in the .cc.
  class Connections;

 private:
  // Parses the request on `stream` and writes its answer.
  bool Serve(httplib::Stream& stream);
  // Answers the request of an accepted connection whose head is in `head`, then closes it.
  void AnswerConnection(int fd, std::string head, std::chrono::steady_clock::time_point accepted);

  EventHub& hub_;
  PreviewRoutes routes_;
  int stop_fd_ = -1;  // an eventfd, readable from Stop() on
};

}  // namespace percorso

#endif  // PERCORSO_SERVE_PREVIEW_SERVER_H_
