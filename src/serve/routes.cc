#include "serve/routes.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace percorso {

namespace {

void Plain(httplib::Response& res, int status, const std::string& text) {
  res.status = status;
  res.set_content(text + "\n", "text/plain; charset=utf-8");
}

// The page needs nothing from elsewhere: its own inline style and script, and its own
// event stream.
constexpr const char* kPagePolicy =
    "default-src 'none'; style-src 'unsafe-inline'; script-src 'unsafe-inline'; "
    "connect-src 'self'; img-src data:; base-uri 'none'; form-action 'none'; "
    "frame-ancestors 'none'";

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// An address as a Host names it: IPv6 in brackets, everything in lower case.
std::string HostLiteral(std::string_view address) {
  if (address.find(':') != std::string_view::npos && address.front() != '[') {
    return "[" + Lower(address) + "]";
  }
  return Lower(address);
}

// Splits "name:port", "[v6]:port" or "name" (port 80); false when malformed.
bool SplitAuthority(std::string_view a, std::string* name, int* port) {
  size_t name_end = 0;
  if (!a.empty() && a.front() == '[') {
    name_end = a.find(']');
    if (name_end == std::string_view::npos) return false;
    ++name_end;
  } else {
    name_end = std::min(a.find(':'), a.size());
  }
  *name = Lower(a.substr(0, name_end));
  if (name->empty()) return false;
  std::string_view rest = a.substr(name_end);
  if (rest.empty()) {
    *port = 80;
    return true;
  }
  constexpr size_t kMostPortDigits = 5;
  if (rest.front() != ':' || rest.size() < 2 || rest.size() > 1 + kMostPortDigits) return false;
  *port = 0;
  for (char c : rest.substr(1)) {
    if (c < '0' || c > '9') return false;
    *port = *port * 10 + (c - '0');
  }
  return true;
}

}  // namespace

void PreviewRoutes::ServeAs(const std::string& host, int port) {
  host_ = host.empty() ? std::string() : HostLiteral(host);
  port_ = port;
}

bool PreviewRoutes::IsOwnAuthority(std::string_view authority, std::string_view local_addr) const {
  std::string name;
  int port = 0;
  if (port_ < 0 || !SplitAuthority(authority, &name, &port) || port != port_) return false;
  if (name == "127.0.0.1" || name == "localhost" || name == "[::1]") return true;
  if (!host_.empty() && name == host_) return true;
  return !local_addr.empty() && name == HostLiteral(local_addr);
}

std::string EventMessage(const PageSnapshot& page) {
  return "id: " + std::to_string(page.generation) + "\nevent: page\ndata: " + page.event + "\n\n";
}

void PreviewRoutes::Answer(const httplib::Request& req, httplib::Response& res) {
  res.set_header("X-Content-Type-Options", "nosniff");
  res.set_header("Cache-Control", "no-store");
  res.set_header("Accept-Ranges", "none");
  // A page of another site whose name was made to point at this address (DNS rebinding)
  // sends its own name as Host: it gets nothing.
  if (req.get_header_value_count("Host") != 1 ||
      !IsOwnAuthority(req.get_header_value("Host"), req.local_addr)) {
    Plain(res, 421, "this server answers only to its own address: http://127.0.0.1:" +
                        std::to_string(port_) + "/ or http://localhost:" + std::to_string(port_) +
                        "/");
    return;
  }
  if (req.has_header("Origin")) {
    const std::string origin = req.get_header_value("Origin");
    constexpr std::string_view kScheme = "http://";
    if (Lower(origin.substr(0, kScheme.size())) != kScheme ||
        !IsOwnAuthority(std::string_view(origin).substr(kScheme.size()), req.local_addr)) {
      Plain(res, 403, "only this server's own page may ask it");
      return;
    }
  }
  if (req.method != "GET" && req.method != "HEAD") {
    res.set_header("Allow", "GET, HEAD");
    Plain(res, 405, "only GET and HEAD are answered here");
    return;
  }
  if (req.has_header("Transfer-Encoding")) {
    Plain(res, 400, "a request here has no body");
    return;
  }
  if (req.has_header("Content-Length")) {
    const std::string length = req.get_header_value("Content-Length");
    char* end = nullptr;
    const unsigned long long n = std::strtoull(length.c_str(), &end, 10);
    if (length.empty() || *end != '\0' || n > kRequestLimit) {
      Plain(res, 413, "the request is too large");
      return;
    }
    if (n > 0) {
      Plain(res, 400, "a request here has no body");
      return;
    }
  }
  if (req.path == "/") {
    EventHub::Snapshot page = hub_.Current();
    if (page == nullptr) {
      Plain(res, 503, "the first compile has not finished yet");
      res.set_header("Retry-After", "1");
      return;
    }
    res.status = 200;
    res.set_header("Content-Security-Policy", kPagePolicy);
    res.set_content(page->document, "text/html; charset=utf-8");
    return;
  }
  if (req.path == "/events") {
    if (req.method == "HEAD") {
      res.status = 200;
      res.set_content("", "text/event-stream");
      return;
    }
    AnswerEvents(res);
    return;
  }
  Plain(res, 404, "not found: this server has only its page, /, and its events, /events");
}

void PreviewRoutes::AnswerEvents(httplib::Response& res) {
  if (streams_->fetch_add(1) >= kMaxStreams) {
    streams_->fetch_sub(1);
    res.set_header("Retry-After", "5");
    Plain(res, 503, "too many event streams are open");
    return;
  }
  res.status = 200;
  struct StreamState {
    bool started = false;
    uint64_t generation = 0;
  };
  auto state = std::make_shared<StreamState>();
  EventHub* hub = &hub_;
  res.set_chunked_content_provider(
      "text/event-stream",
      [hub, state](size_t, httplib::DataSink& sink) {
        EventHub::Snapshot page;
        if (!state->started) {
          // A dropped stream is retried after a second; the page now comes first.
          state->started = true;
          std::string first = "retry: 1000\n\n";
          page = hub->Current();
          if (page != nullptr) {
            first += EventMessage(*page);
            state->generation = page->generation;
          }
          return sink.write(first.data(), first.size());
        }
        switch (hub->WaitNewer(state->generation, kHeartbeat, &page)) {
          case EventHub::Wait::kClosed:
            sink.done();
            return true;
          case EventHub::Wait::kTimeout: {
            // Keeps the connection alive and finds clients that have gone.
            static constexpr char kComment[] = ": waiting for a change\n\n";
            return sink.write(kComment, sizeof kComment - 1);
          }
          case EventHub::Wait::kNewer: {
            state->generation = page->generation;
            const std::string message = EventMessage(*page);
            return sink.write(message.data(), message.size());
          }
        }
        return false;
      },
      [streams = streams_](bool) { streams->fetch_sub(1); });
}

}  // namespace percorso
