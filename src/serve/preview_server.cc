#include "serve/preview_server.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace percorso {

namespace {

using Clock = std::chrono::steady_clock;

// A stream that hands the parser at most `budget` bytes, then an end of stream: a
// request longer than that is cut there and answered as malformed (or with 414 when its
// first line is cut).
class BoundedStream : public httplib::Stream {
 public:
  explicit BoundedStream(size_t budget) : budget_(budget) {}

  ssize_t read(char* ptr, size_t size) override {
    if (size == 0) return 0;
    if (budget_ == 0) return 0;
    if (start_ == end_) {
      ssize_t n = Receive(buffer_, sizeof buffer_);
      if (n <= 0) return n;
      start_ = 0;
      end_ = static_cast<size_t>(n);
    }
    size_t n = std::min({size, end_ - start_, budget_});
    std::memcpy(ptr, buffer_ + start_, n);
    start_ += n;
    budget_ -= n;
    return static_cast<ssize_t>(n);
  }

 protected:
  bool has_buffered() const { return start_ < end_ && budget_ > 0; }
  // Fills `buf` with what the client sent next: bytes, 0 at its end, -1 on a failure.
  virtual ssize_t Receive(char* buf, size_t size) = 0;

 private:
  size_t budget_;
  char buffer_[4096];
  size_t start_ = 0, end_ = 0;
};

// Waits for `events` on `fd` until `deadline`; true when they came.
bool PollUntil(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() < 0) return false;
    struct pollfd p = {fd, events, 0};
    int r = ::poll(&p, 1, static_cast<int>(left.count()));
    if (r < 0 && errno == EINTR) continue;
    return r > 0 && (p.revents & (events | POLLHUP | POLLERR)) != 0;
  }
}

void Address(const struct sockaddr_storage& a, std::string& ip, int& port) {
  char text[INET6_ADDRSTRLEN] = {};
  if (a.ss_family == AF_INET) {
    const auto* v4 = reinterpret_cast<const struct sockaddr_in*>(&a);
    ::inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
    port = ntohs(v4->sin_port);
  } else if (a.ss_family == AF_INET6) {
    const auto* v6 = reinterpret_cast<const struct sockaddr_in6*>(&a);
    ::inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
    port = ntohs(v6->sin6_port);
  }
  ip = text;
}

class SocketStream : public BoundedStream {
 public:
  explicit SocketStream(int fd)
      : BoundedStream(PreviewRoutes::kRequestLimit),
        fd_(fd),
        request_deadline_(Clock::now() + PreviewServer::kRequestTime) {}

  bool is_readable() const override {
    return has_buffered() || PollUntil(fd_, POLLIN, request_deadline_);
  }
  // Writable, and the client still there: a client that has closed its end is found
  // here (its stream then ends) without waiting for a write to fail.
  bool is_writable() const override {
    if (!PollUntil(fd_, POLLOUT, Clock::now() + PreviewServer::kWriteTime)) return false;
    char byte;
    ssize_t n = ::recv(fd_, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return !(n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR));
  }
  ssize_t write(const char* ptr, size_t size) override {
    size_t sent = 0;
    while (sent < size) {
      if (!PollUntil(fd_, POLLOUT, Clock::now() + PreviewServer::kWriteTime)) return -1;
      ssize_t n = ::send(fd_, ptr + sent, size - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
      if (n <= 0) return -1;
      sent += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(size);
  }
  void get_remote_ip_and_port(std::string& ip, int& port) const override {
    struct sockaddr_storage a {};
    socklen_t len = sizeof a;
    if (::getpeername(fd_, reinterpret_cast<struct sockaddr*>(&a), &len) == 0) Address(a, ip, port);
  }
  void get_local_ip_and_port(std::string& ip, int& port) const override {
    struct sockaddr_storage a {};
    socklen_t len = sizeof a;
    if (::getsockname(fd_, reinterpret_cast<struct sockaddr*>(&a), &len) == 0) Address(a, ip, port);
  }
  socket_t socket() const override { return fd_; }

 protected:
  ssize_t Receive(char* buf, size_t size) override {
    for (;;) {
      if (!PollUntil(fd_, POLLIN, request_deadline_)) return -1;
      ssize_t n = ::recv(fd_, buf, size, MSG_DONTWAIT);
      if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
      return n;
    }
  }

 private:
  int fd_;
  Clock::time_point request_deadline_;
};

// A request in memory and the answer collected.
class MemoryStream : public BoundedStream {
 public:
  explicit MemoryStream(std::string_view request)
      : BoundedStream(PreviewRoutes::kRequestLimit), request_(request) {}

  bool is_readable() const override { return true; }
  bool is_writable() const override { return true; }
  ssize_t write(const char* ptr, size_t size) override {
    answer_.append(ptr, size);
    return static_cast<ssize_t>(size);
  }
  void get_remote_ip_and_port(std::string& ip, int& port) const override {
    ip = "127.0.0.1";
    port = 0;
  }
  void get_local_ip_and_port(std::string& ip, int& port) const override {
    ip = "127.0.0.1";
    port = 0;
  }
  socket_t socket() const override { return 0; }
  const std::string& answer() const { return answer_; }

 protected:
  ssize_t Receive(char* buf, size_t size) override {
    size_t n = std::min(size, request_.size() - at_);
    std::memcpy(buf, request_.data() + at_, n);
    at_ += n;
    return static_cast<ssize_t>(n);
  }

 private:
  std::string_view request_;
  size_t at_ = 0;
  std::string answer_;
};

// Why `host`:`port` cannot be bound, found by trying it; empty when it can be after all.
std::string ProbeBind(const std::string& host, int port, bool* in_use) {
  struct addrinfo hints {};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE;
  struct addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  if (int rc = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found); rc != 0) {
    return std::string("unknown host: ") + ::gai_strerror(rc);
  }
  std::string why = "cannot bind";
  for (struct addrinfo* a = found; a != nullptr; a = a->ai_next) {
    int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) {
      why = std::strerror(errno);
      continue;
    }
    int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    if (::bind(fd, a->ai_addr, a->ai_addrlen) == 0) {
      why.clear();
    } else {
      if (errno == EADDRINUSE) *in_use = true;
      why = std::strerror(errno);
    }
    ::close(fd);
    if (why.empty()) break;
  }
  ::freeaddrinfo(found);
  return why;
}

}  // namespace

PreviewServer::PreviewServer(EventHub& hub) : routes_(hub) {
  new_task_queue = [] { return new httplib::ThreadPool(kWorkers); };
  set_payload_max_length(PreviewRoutes::kRequestLimit);
  // The library's default also sets SO_REUSEPORT, with which a second server could
  // share a port already in use instead of being told it is taken.
  set_socket_options([](socket_t sock) {
    int yes = 1;
    ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
    routes_.Answer(req, res);
    return HandlerResponse::Handled;
  });
}

PreviewServer::Bound PreviewServer::Bind(const std::string& host, int port) {
  Bound b;
  b.port = port == 0 ? bind_to_any_port(host) : (bind_to_port(host, port) ? port : -1);
  if (b.port > 0) return b;
  b.error = ProbeBind(host, port, &b.in_use);
  if (b.error.empty()) b.error = "cannot listen there";
  return b;
}

std::string PreviewServer::Answer(std::string_view request) {
  MemoryStream stream(request);
  bool closed = true;
  process_request(stream, true, closed, nullptr);
  return stream.answer();
}

bool PreviewServer::process_and_close_socket(socket_t sock) {
  bool ok = false;
  {
    SocketStream stream(sock);
    bool closed = true;
    ok = process_request(stream, true, closed, nullptr);
  }
  // Half-close, then read what the client may still be sending (the rest of a request
  // that was too long) for a moment, so that closing does not reset the connection
  // before the client has read the answer.
  ::shutdown(sock, SHUT_WR);
  const Clock::time_point until = Clock::now() + std::chrono::milliseconds(200);
  char sink[4096];
  size_t drained = 0;
  while (drained < 4 * PreviewRoutes::kRequestLimit && PollUntil(sock, POLLIN, until)) {
    ssize_t n = ::recv(sock, sink, sizeof sink, MSG_DONTWAIT);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) break;
    drained += static_cast<size_t>(n);
  }
  ::close(sock);
  return ok;
}

}  // namespace percorso
