#include "serve/preview_server.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fcntl.h>
#include <sys/eventfd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

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

// Waits for `events` on `fd` until `deadline`; true when they came, false when the
// deadline passed first or the server is stopping (`stop_fd` readable; -1: no such fd).
bool PollUntil(int fd, short events, Clock::time_point deadline, int stop_fd) {
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() < 0) return false;
    struct pollfd p[2] = {{fd, events, 0}, {stop_fd, POLLIN, 0}};
    int r = ::poll(p, stop_fd >= 0 ? 2 : 1, static_cast<int>(left.count()));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    if (stop_fd >= 0 && p[1].revents != 0) return false;
    return (p[0].revents & (events | POLLHUP | POLLERR)) != 0;
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

// An accepted connection whose request head has come whole (`head`: the bytes read so
// far), answered by a worker; what follows the head is read from the socket.
class SocketStream : public BoundedStream {
 public:
  SocketStream(int fd, std::string head, Clock::time_point deadline, int stop_fd)
      : BoundedStream(PreviewRoutes::kRequestLimit),
        fd_(fd),
        stop_fd_(stop_fd),
        head_(std::move(head)),
        request_deadline_(deadline) {}

  bool is_readable() const override {
    return has_buffered() || head_at_ < head_.size() ||
           PollUntil(fd_, POLLIN, request_deadline_, stop_fd_);
  }
  // Writable, and the client still there: a client that has closed its end is found
  // here (its stream then ends) without waiting for a write to fail.
  bool is_writable() const override {
    if (!PollUntil(fd_, POLLOUT, Clock::now() + PreviewServer::kWriteTime, stop_fd_)) return false;
    char byte;
    ssize_t n = ::recv(fd_, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return !(n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR));
  }
  ssize_t write(const char* ptr, size_t size) override {
    size_t sent = 0;
    while (sent < size) {
      if (!PollUntil(fd_, POLLOUT, Clock::now() + PreviewServer::kWriteTime, stop_fd_)) return -1;
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
    if (head_at_ < head_.size()) {
      const size_t n = std::min(size, head_.size() - head_at_);
      std::memcpy(buf, head_.data() + head_at_, n);
      head_at_ += n;
      return static_cast<ssize_t>(n);
    }
    for (;;) {
      if (!PollUntil(fd_, POLLIN, request_deadline_, stop_fd_)) return -1;
      ssize_t n = ::recv(fd_, buf, size, MSG_DONTWAIT);
      if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
      return n;
    }
  }

 private:
  int fd_;
  int stop_fd_;
  std::string head_;
  size_t head_at_ = 0;
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

// What a connection is told when it is refused for want of room: the server is busy.
constexpr char kBusyAnswer[] =
    "HTTP/1.1 503 Service Unavailable\r\n"
    "Retry-After: 1\r\n"
    "Content-Type: text/plain; charset=utf-8\r\n"
    "Content-Length: 23\r\n"
    "Connection: close\r\n"
    "\r\n"
    "the server is too busy\n";

// Tells a connection the server is busy, as far as its socket takes it at once, and
// closes it.
void RefuseBusy(int fd) {
  ::send(fd, kBusyAnswer, sizeof kBusyAnswer - 1, MSG_NOSIGNAL | MSG_DONTWAIT);
  ::close(fd);
}

// The end of a request head: a blank line. A head cut at "\n\n" is handed on too, for
// the parser to refuse, rather than left to wait for its deadline.
bool HeadIsWhole(const std::string& head) {
  return head.find("\r\n\r\n") != std::string::npos || head.find("\n\n") != std::string::npos;
}

// A connection accepted, its request head gathering.
struct Waiting {
  int fd = -1;
  std::string head;
  Clock::time_point accepted;
};

}  // namespace

// Whole requests waiting for a worker, at most kQueueLimit.
class PreviewServer::Connections {
 public:
  // Queues `w` for a worker; refuses it when the queue is full.
  void Put(Waiting w) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!closed_ && jobs_.size() < kQueueLimit) {
        jobs_.push_back(std::move(w));
        ready_.notify_one();
        return;
      }
    }
    RefuseBusy(w.fd);
  }
  // The next request, or nothing once closed.
  std::optional<Waiting> Take() {
    std::unique_lock<std::mutex> lock(mutex_);
    ready_.wait(lock, [&] { return closed_ || !jobs_.empty(); });
    if (closed_) return std::nullopt;
    Waiting w = std::move(jobs_.front());
    jobs_.pop_front();
    return w;
  }
  // Closes the queue and every connection still in it, unanswered.
  void Close() {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    for (Waiting& w : jobs_) ::close(w.fd);
    jobs_.clear();
    ready_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<Waiting> jobs_;
  bool closed_ = false;
};

bool IsLoopbackAddress(const std::string& address) {
  struct in_addr v4 {};
  if (::inet_pton(AF_INET, address.c_str(), &v4) == 1) {
    constexpr uint32_t kLoopbackNet = 0x7f000000, kLoopbackMask = 0xff000000;  // 127.0.0.0/8
    return (ntohl(v4.s_addr) & kLoopbackMask) == kLoopbackNet;
  }
  struct in6_addr v6 {};
  if (::inet_pton(AF_INET6, address.c_str(), &v6) == 1) return IN6_IS_ADDR_LOOPBACK(&v6) != 0;
  return false;
}

PreviewServer::PreviewServer(EventHub& hub)
    : hub_(hub), routes_(hub), stop_fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
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

PreviewServer::~PreviewServer() {
  if (svr_sock_ != INVALID_SOCKET) ::close(svr_sock_.exchange(INVALID_SOCKET));
  if (stop_fd_ >= 0) ::close(stop_fd_);
}

PreviewServer::Bound PreviewServer::Bind(const std::string& host, int port) {
  Bound b;
  b.port = port == 0 ? bind_to_any_port(host) : (bind_to_port(host, port) ? port : -1);
  if (b.port > 0) {
    routes_.ServeAs(host, b.port);
    struct sockaddr_storage a {};
    socklen_t len = sizeof a;
    std::string ip;
    int bound_port = 0;
    if (::getsockname(svr_sock_, reinterpret_cast<struct sockaddr*>(&a), &len) == 0) {
      Address(a, ip, bound_port);
    }
    b.beyond_loopback = !IsLoopbackAddress(ip);
    return b;
  }
  b.error = ProbeBind(host, port, &b.in_use);
  if (b.error.empty()) b.error = "cannot listen there";
  return b;
}

void PreviewServer::Stop() {
  hub_.Close();  // ends the event streams' waits
  const uint64_t one = 1;
  // The eventfd stays readable from now on: every wait of the server sees it.
  while (::write(stop_fd_, &one, sizeof one) < 0 && errno == EINTR) {
  }
}

bool PreviewServer::Serve(httplib::Stream& stream) {
  bool closed = true;
  // The page and the events are not files to be fetched in parts: a Range header is
  // ignored, and every answer is whole (the library would otherwise cut the body, or
  // repeat it once per range asked for, under a status of 200).
  return process_request(stream, true, closed, [](httplib::Request& req) { req.ranges.clear(); });
}

std::string PreviewServer::Answer(std::string_view request) {
  MemoryStream stream(request);
  Serve(stream);
  return stream.answer();
}

void PreviewServer::AnswerConnection(int fd, std::string head, Clock::time_point accepted) {
  try {
    SocketStream stream(fd, std::move(head), accepted + kRequestTime, stop_fd_);
    Serve(stream);
  } catch (const std::exception&) {
    // Out of memory for this one answer: the connection is closed, the server goes on.
  }
  // Half-close, then read what the client may still be sending (the rest of a request
  // that was too long) for a moment, so that closing does not reset the connection
  // before the client has read the answer.
  ::shutdown(fd, SHUT_WR);
  const Clock::time_point until = Clock::now() + std::chrono::milliseconds(200);
  char sink[4096];
  size_t drained = 0;
  while (drained < 4 * PreviewRoutes::kRequestLimit && PollUntil(fd, POLLIN, until, stop_fd_)) {
    ssize_t n = ::recv(fd, sink, sizeof sink, MSG_DONTWAIT);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) break;
    drained += static_cast<size_t>(n);
  }
  ::close(fd);
}

void PreviewServer::Listen() {
  const int listener = svr_sock_;
  if (listener == INVALID_SOCKET) return;
  // The library listens with a backlog of 5; connections come in bursts (a page and its
  // stream, several tabs), and a refused SYN costs the client a second.
  ::listen(listener, kListenBacklog);
  ::fcntl(listener, F_SETFL, ::fcntl(listener, F_GETFL) | O_NONBLOCK);

  Connections queue;
  std::vector<std::thread> workers;
  for (size_t i = 0; i < kWorkers; ++i) {
    workers.emplace_back([this, &queue] {
      while (std::optional<Waiting> w = queue.Take()) {
        AnswerConnection(w->fd, std::move(w->head), w->accepted);
      }
    });
  }

  std::deque<Waiting> waiting;  // in the order accepted: the front has waited longest
  std::vector<struct pollfd> polled;
  for (;;) {
    polled.clear();
    polled.push_back({stop_fd_, POLLIN, 0});
    polled.push_back({listener, POLLIN, 0});
    for (const Waiting& w : waiting) polled.push_back({w.fd, POLLIN, 0});
    int timeout_ms = -1;
    if (!waiting.empty()) {
      // The front was accepted first, so its deadline comes first.
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          waiting.front().accepted + kRequestTime - Clock::now());
      timeout_ms = static_cast<int>(std::max<int64_t>(0, left.count() + 1));
    }
    int r = ::poll(polled.data(), polled.size(), timeout_ms);
    if (r < 0 && errno != EINTR) break;
    if (polled[0].revents != 0) break;  // stopped

    // Read what each waiting connection sent; hand on the whole heads, close the late.
    const Clock::time_point now = Clock::now();
    std::deque<Waiting> still;
    for (size_t i = 0; i < waiting.size(); ++i) {
      Waiting& w = waiting[i];
      bool whole = false, failed = false;
      if (r > 0 && polled[i + 2].revents != 0) {
        char buf[4096];
        const size_t room = PreviewRoutes::kRequestLimit - w.head.size();
        ssize_t n = ::recv(w.fd, buf, std::min(sizeof buf, room), MSG_DONTWAIT);
        if (n > 0) {
          w.head.append(buf, static_cast<size_t>(n));
          whole = HeadIsWhole(w.head) || w.head.size() >= PreviewRoutes::kRequestLimit;
        } else if (n == 0) {
          whole = true;  // the client has said all it will: the parser judges it
        } else if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
          failed = true;
        }
      }
      if (whole) {
        queue.Put(std::move(w));
      } else if (failed || now >= w.accepted + kRequestTime) {
        ::close(w.fd);
      } else {
        still.push_back(std::move(w));
      }
    }
    waiting.swap(still);

    if (r > 0 && polled[1].revents != 0) {
      for (;;) {
        int fd = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
          if (errno == EINTR || errno == ECONNABORTED) continue;
          // Out of descriptors: wait for some to close rather than spin on the listener.
          if (errno == EMFILE || errno == ENFILE) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
          }
          break;
        }
        if (waiting.size() >= kWaitingLimit) {
          // The longest waiting is the likeliest to be silent: it makes room.
          RefuseBusy(waiting.front().fd);
          waiting.pop_front();
        }
        waiting.push_back({fd, std::string(), Clock::now()});
      }
    }
  }

  ::close(svr_sock_.exchange(INVALID_SOCKET));
  for (Waiting& w : waiting) ::close(w.fd);
  queue.Close();
  for (std::thread& t : workers) t.join();
}

}  // namespace percorso
