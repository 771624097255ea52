// What the preview answers: its page at "/" and its event stream at "/events", for GET
// and HEAD; nothing else. No part of a URL is ever used as a file name: the answers come
// from the page in memory only.
//
// A request is answered only when its Host names this server: 127.0.0.1, localhost,
// [::1], the address given to listen on, or the address the request came in on, each
// with the port listened on; any other Host (a page elsewhere whose name was made to
// point here) gets 421 and nothing of the page. A request that carries an Origin must
// come from a page of this server too (403 else). A Range header is ignored: every
// answer is whole (Accept-Ranges: none).
//
//   GET /          200 the page (HTML)
//   GET /events    200 Server-Sent Events: the page now, then every change, and a comment
//                  line every few seconds while nothing changes
//   other paths    404        other methods  405        a request with a body  413 or 400
//   more streams than kMaxStreams at once    503
#ifndef PERCORSO_SERVE_ROUTES_H_
#define PERCORSO_SERVE_ROUTES_H_

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <string_view>

#include <httplib.h>

#include "serve/event_hub.h"

namespace percorso {

class PreviewRoutes {
 public:
  static constexpr size_t kRequestLimit = 64 * 1024;  // bytes of one whole request
  static constexpr int kMaxStreams = 32;               // event streams open at once
  static constexpr std::chrono::milliseconds kHeartbeat{10000};

  explicit PreviewRoutes(EventHub& hub) : hub_(hub) {}

  // The address (as given to listen on) and port this server answers as. Before this,
  // no Host is accepted.
  void ServeAs(const std::string& host, int port);

  // True when `authority` (a Host header's "name:port", "[v6]:port" or "name" for port
  // 80) names this server; `local_addr` is the address the request came in on.
  bool IsOwnAuthority(std::string_view authority, std::string_view local_addr) const;

  // Fills `res` for `req`.
  void Answer(const httplib::Request& req, httplib::Response& res);

  // Event streams open now.
  int open_streams() const { return *streams_; }

 private:
  void AnswerEvents(httplib::Response& res);

  EventHub& hub_;
  std::string host_;  // the address listened on, lower case, "[...]" around IPv6
  int port_ = -1;
  // Shared with the streams, which may end after a request handler has returned.
  std::shared_ptr<std::atomic<int>> streams_ = std::make_shared<std::atomic<int>>(0);
};

// One event of the stream: "id: N\nevent: page\ndata: JSON\n\n".
std::string EventMessage(const PageSnapshot& page);

}  // namespace percorso

#endif  // PERCORSO_SERVE_ROUTES_H_
