// What the preview answers: its page at "/" and its event stream at "/events", for GET
// and HEAD; nothing else. No part of a URL is ever used as a file name: the answers come
// from the page in memory only.
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

#include <httplib.h>

#include "serve/event_hub.h"

namespace percorso {

class PreviewRoutes {
 public:
  static constexpr size_t kRequestLimit = 64 * 1024;  // bytes of one whole request
  static constexpr int kMaxStreams = 32;               // event streams open at once
  static constexpr std::chrono::milliseconds kHeartbeat{10000};

  explicit PreviewRoutes(EventHub& hub) : hub_(hub) {}

  // Fills `res` for `req`.
  void Answer(const httplib::Request& req, httplib::Response& res);

  // Event streams open now.
  int open_streams() const { return *streams_; }

 private:
  void AnswerEvents(httplib::Response& res);

  EventHub& hub_;
  // Shared with the streams, which may end after a request handler has returned.
  std::shared_ptr<std::atomic<int>> streams_ = std::make_shared<std::atomic<int>>(0);
};

// One event of the stream: "id: N\nevent: page\ndata: JSON\n\n".
std::string EventMessage(const PageSnapshot& page);

}  // namespace percorso

#endif  // PERCORSO_SERVE_ROUTES_H_
