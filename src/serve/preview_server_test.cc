// The answers of the preview's server. Parsed from bytes in memory (the same parsing and
// routing as on a socket): the page, the events, and a 4xx for every request it does not
// serve; Range headers, which never cut an answer; the Host and Origin check. Then over
// loopback: a request too long for the limit, many event streams at once with clients
// that leave mid-stream, the page answered while streams, slow senders and silent
// connections fill the server, a stop with connections open, and a port that is taken.
#include "serve/preview_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <future>
#include <thread>

namespace percorso {
namespace {

EventHub::Snapshot Page(uint64_t generation, const std::string& body) {
  auto p = std::make_shared<PageSnapshot>();
  p->generation = generation;
  p->document = "<!DOCTYPE html><p>" + body + "</p>";
  p->event = "{\"generation\":" + std::to_string(generation) + "}";
  return p;
}

int StatusOf(const std::string& answer) {
  if (answer.compare(0, 9, "HTTP/1.1 ") != 0 || answer.size() < 12) return -1;
  return std::stoi(answer.substr(9, 3));
}

TEST(PreviewServerTest, AnswersItsPageAndRefusesEverythingElse) {
  EventHub hub;
  PreviewServer server(hub);
  server.ServeAs("127.0.0.1", 8080);
  // Before the first compile there is no page yet.
  EXPECT_EQ(StatusOf(server.Answer("GET / HTTP/1.1\r\nHost: 127.0.0.1:8080\r\n\r\n")), 503);
  hub.Publish(Page(1, "PAGE"));

  const std::string page = server.Answer("GET / HTTP/1.1\r\nHost: 127.0.0.1:8080\r\n\r\n");
  EXPECT_EQ(StatusOf(page), 200);
  EXPECT_NE(page.find("Content-Type: text/html; charset=utf-8\r\n"), std::string::npos) << page;
  EXPECT_NE(page.find("Content-Security-Policy: default-src 'none'"), std::string::npos);
  EXPECT_NE(page.find("Connection: close\r\n"), std::string::npos);
  EXPECT_EQ(page.substr(page.size() - 26), "<!DOCTYPE html><p>PAGE</p>");
  const std::string head = server.Answer("HEAD /?reload=1 HTTP/1.1\r\nHost: 127.0.0.1:8080\r\n\r\n");
  EXPECT_EQ(StatusOf(head), 200);
  EXPECT_EQ(head.find("PAGE"), std::string::npos);

  struct Case {
    const char* what;
    std::string request;
    int status;
  };
  const std::string big_header = "X-Filler: " + std::string(8000, 'a') + "\r\n";
  std::string many_headers;
  for (int i = 0; i < 10; ++i) many_headers += big_header;  // 80 KB in all
  const Case cases[] = {
      {"unknown path", "GET /index.html HTTP/1.1\r\nHost: 127.0.0.1:8080\r\n\r\n", 404},
      {"path that climbs", "GET /../../etc/passwd HTTP/1.1\r\nHost: 127.0.0.1:8080\r\n\r\n", 404},
      {"encoded climb", "GET /%2e%2e/%2e%2e/etc/passwd HTTP/1.1\r\nHost: 127.0.0.1:8080\r\n\r\n", 404},
      {"a file name", "GET /Valdoro_Ostrano_55-.txt HTTP/1.1\r\nHost: 127.0.0.1:8080\r\n\r\n", 404},
      {"POST", "POST / HTTP/1.1\r\nHost: 127.0.0.1:8080\r\nContent-Length: 2\r\n\r\nab", 405},
      {"DELETE", "DELETE /events HTTP/1.1\r\nHost: 127.0.0.1:8080\r\n\r\n", 405},
      {"a body with GET", "GET / HTTP/1.1\r\nHost: 127.0.0.1:8080\r\nContent-Length: 3\r\n\r\nabc", 400},
      {"a chunked body", "GET / HTTP/1.1\r\nHost: 127.0.0.1:8080\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n", 400},
      {"a body over 64 KB announced", "GET / HTTP/1.1\r\nHost: 127.0.0.1:8080\r\nContent-Length: 70000\r\n\r\n", 413},
      {"a bad length", "GET / HTTP/1.1\r\nHost: 127.0.0.1:8080\r\nContent-Length: 1x\r\n\r\n", 413},
      {"not HTTP", "HELLO\r\n\r\n", 400},
      {"no version", "GET /\r\n\r\n", 400},
      {"a request line over 8 KB", "GET /" + std::string(9000, 'a') + " HTTP/1.1\r\n\r\n", 414},
      {"headers over 64 KB", "GET / HTTP/1.1\r\n" + many_headers + "\r\n", 400},
  };
  for (const Case& c : cases) {
    const std::string answer = server.Answer(c.request);
    EXPECT_EQ(StatusOf(answer), c.status) << c.what << "\n" << answer.substr(0, 300);
    EXPECT_EQ(answer.find("PAGE"), std::string::npos) << c.what;
  }
}

TEST(PreviewServerTest, EventStreamIsAnsweredAsSuch) {
  // What the stream carries is seen over a socket below: in memory the server is not
  // listening, and the library writes no stream body then.
  EventHub hub;
  PreviewServer server(hub);
  server.ServeAs("127.0.0.1", 8080);
  hub.Publish(Page(7, "PAGE"));
  const std::string answer = server.Answer("GET /events HTTP/1.1\r\nHost: 127.0.0.1:8080\r\n\r\n");
  EXPECT_EQ(StatusOf(answer), 200);
  EXPECT_NE(answer.find("Content-Type: text/event-stream\r\n"), std::string::npos) << answer;
  EXPECT_EQ(server.routes().open_streams(), 0);
}

// The body of an answer: what follows its head.
std::string BodyOf(const std::string& answer) {
  const size_t end = answer.find("\r\n\r\n");
  return end == std::string::npos ? std::string() : answer.substr(end + 4);
}

TEST(PreviewServerTest, RangeNeverCutsNorMultipliesTheAnswer) {
  EventHub hub;
  PreviewServer server(hub);
  server.ServeAs("127.0.0.1", 8080);
  const EventHub::Snapshot page = Page(1, std::string(500, 'P'));
  hub.Publish(page);
  std::string many = "bytes=0-";
  for (int i = 0; i < 2700; ++i) many += ",0-";  // 8 KB of ranges, each the whole page
  struct Case {
    const char* what;
    std::string range;
  };
  const Case cases[] = {
      {"the first bytes", "bytes=0-10"},
      {"from an offset", "bytes=100-"},
      {"the last bytes", "bytes=-3"},
      {"two ranges", "bytes=0-0,2-2"},
      {"the whole page 2701 times", many},
      {"beyond the end", "bytes=100000-200000"},
      {"not a byte range", "pages=1-2"},
      {"malformed", "bytes=abc"},
  };
  for (const Case& c : cases) {
    const std::string answer =
        server.Answer("GET / HTTP/1.1\r\nHost: 127.0.0.1:8080\r\nRange: " + c.range + "\r\n\r\n");
    const int status = StatusOf(answer);
    // Whole with 200, or refused with 416 and nothing of the page.
    EXPECT_TRUE(status == 200 || status == 416) << c.what << ": " << status;
    EXPECT_EQ(answer.find("Content-Range"), std::string::npos) << c.what;
    EXPECT_LE(answer.size(), page->document.size() + 1024) << c.what;
    EXPECT_EQ(BodyOf(answer), status == 200 ? page->document : std::string()) << c.what;
  }
  const std::string head = server.Answer("HEAD / HTTP/1.1\r\nHost: 127.0.0.1:8080\r\n\r\n");
  EXPECT_NE(head.find("Accept-Ranges: none\r\n"), std::string::npos) << head;
}

TEST(PreviewServerTest, AnswersOnlyItsOwnHostAndOrigin) {
  EventHub hub;
  hub.Publish(Page(1, "PAGE"));
  struct Case {
    const char* listen_host;
    std::string headers;  // after the request line
    int status;
  };
  const Case cases[] = {
      {"127.0.0.1", "Host: 127.0.0.1:8080", 200},
      {"127.0.0.1", "Host: localhost:8080", 200},
      {"127.0.0.1", "Host: LocalHost:8080", 200},
      {"127.0.0.1", "Host: [::1]:8080", 200},
      {"::1", "Host: [::1]:8080", 200},
      {"192.168.7.9", "Host: 192.168.7.9:8080", 200},
      {"pc.example", "Host: pc.example:8080", 200},
      {"127.0.0.1", "Host: attacker.example:8080", 421},
      {"127.0.0.1", "Host: attacker.example", 421},
      {"127.0.0.1", "Host: 127.0.0.1:8081", 421},
      {"127.0.0.1", "Host: 127.0.0.1", 421},       // port 80
      {"127.0.0.1", "Host: 127.0.0.1:08080x", 421},
      {"127.0.0.1", "Host: localhost.:8080", 421},
      {"127.0.0.1", "Host: 127.0.0.1.attacker.example:8080", 421},
      {"127.0.0.1", "Host: ::1:8080", 421},
      {"127.0.0.1", "Host: [::1", 421},
      {"127.0.0.1", "Host: ", 421},
      {"127.0.0.1", "X-No-Host: 1", 421},
      {"127.0.0.1", "Host: 127.0.0.1:8080\r\nHost: attacker.example:8080", 421},
      {"192.168.7.9", "Host: pc.example:8080", 421},
      {"127.0.0.1", "Host: 127.0.0.1:8080\r\nOrigin: http://127.0.0.1:8080", 200},
      {"127.0.0.1", "Host: 127.0.0.1:8080\r\nOrigin: http://localhost:8080", 200},
      {"127.0.0.1", "Host: 127.0.0.1:8080\r\nOrigin: http://attacker.example:8080", 403},
      {"127.0.0.1", "Host: 127.0.0.1:8080\r\nOrigin: http://attacker.example", 403},
      {"127.0.0.1", "Host: 127.0.0.1:8080\r\nOrigin: https://127.0.0.1:8080", 403},
      {"127.0.0.1", "Host: 127.0.0.1:8080\r\nOrigin: null", 403},
  };
  for (const Case& c : cases) {
    PreviewServer server(hub);
    server.ServeAs(c.listen_host, 8080);
    for (const char* path : {"/", "/events"}) {
      const std::string answer =
          server.Answer(std::string("GET ") + path + " HTTP/1.1\r\n" + c.headers + "\r\n\r\n");
      EXPECT_EQ(StatusOf(answer), c.status) << c.listen_host << " | " << c.headers << " | " << path;
      if (c.status != 200) {
        EXPECT_EQ(answer.find("PAGE"), std::string::npos) << c.headers;
        EXPECT_EQ(answer.find("event-stream"), std::string::npos) << c.headers;
      }
    }
  }
}

// A client socket connected to 127.0.0.1:port.
int Connect(int port) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  struct sockaddr_in a {};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<struct sockaddr*>(&a), sizeof a) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

void SendAll(int fd, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;  // the server may close early on a request too long
    sent += static_cast<size_t>(n);
  }
}

// Reads until `until` appears in what was read, the peer closes, or 30 s pass.
std::string ReadUntil(int fd, const std::string& until) {
  std::string got;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (got.find(until) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    struct pollfd p = {fd, POLLIN, 0};
    if (::poll(&p, 1, 1000) <= 0) continue;
    char buf[4096];
    ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n <= 0) break;
    got.append(buf, static_cast<size_t>(n));
  }
  return got;
}

class LoopbackServer {
 public:
  explicit LoopbackServer(EventHub& hub) : server_(hub) {
    port_ = server_.Bind("127.0.0.1", 0).port;
    thread_ = std::thread([this] { server_.Listen(); });
  }
  ~LoopbackServer() { Stop(); }
  // Stops the server and waits until it has ended; how long that took.
  std::chrono::milliseconds Stop() {
    const auto start = std::chrono::steady_clock::now();
    server_.Stop();
    if (thread_.joinable()) thread_.join();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start);
  }
  int port() const { return port_; }
  PreviewServer& server() { return server_; }
  // "GET path" with this server's own Host.
  std::string Get(const std::string& path) const {
    return "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port_) + "\r\n\r\n";
  }

 private:
  PreviewServer server_;
  int port_ = 0;
  std::thread thread_;
};

TEST(PreviewServerTest, OverLoopbackBoundsRequestsAndServesManyStreams) {
  EventHub hub;
  hub.Publish(Page(1, "PAGE"));
  LoopbackServer loop(hub);
  ASSERT_GT(loop.port(), 0);

  {  // 100 KB of headers: answered with a 4xx, not read to the end.
    int fd = Connect(loop.port());
    ASSERT_GE(fd, 0);
    std::string request = "GET / HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(loop.port()) + "\r\n";
    for (int i = 0; i < 100; ++i) request += "X-Filler: " + std::string(1000, 'b') + "\r\n";
    SendAll(fd, request + "\r\n");
    const std::string answer = ReadUntil(fd, "\r\n\r\n");
    EXPECT_EQ(StatusOf(answer), 400) << answer.substr(0, 200);
    ::close(fd);
  }

  // Twenty streams at once; every one gets the page now, then the next change.
  std::vector<int> streams;
  for (int i = 0; i < 20; ++i) {
    int fd = Connect(loop.port());
    ASSERT_GE(fd, 0);
    SendAll(fd, loop.Get("/events"));
    streams.push_back(fd);
  }
  for (int fd : streams) {
    const std::string got = ReadUntil(fd, "data: {\"generation\":1}\n\n");
    EXPECT_NE(got.find("retry: 1000\n\nid: 1\nevent: page\ndata: {\"generation\":1}\n\n"),
              std::string::npos)
        << got;
  }
  // Half of them leave mid-stream; the others still get the change, and the page is
  // still served.
  for (size_t i = 0; i < streams.size(); i += 2) ::close(streams[i]);
  hub.Publish(Page(2, "PAGE"));
  for (size_t i = 1; i < streams.size(); i += 2) {
    EXPECT_NE(ReadUntil(streams[i], "data: {\"generation\":2}\n\n").find("data: {\"generation\":2}"),
              std::string::npos);
  }
  int fd = Connect(loop.port());
  SendAll(fd, loop.Get("/"));
  EXPECT_EQ(StatusOf(ReadUntil(fd, "</p>")), 200);
  ::close(fd);
  // The streams whose clients left are closed by the server once it writes to them.
  hub.Publish(Page(3, "PAGE"));
  for (size_t i = 1; i < streams.size(); i += 2) ReadUntil(streams[i], "data: {\"generation\":3}\n\n");
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (loop.server().routes().open_streams() > 10 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(loop.server().routes().open_streams(), 10);
  for (size_t i = 1; i < streams.size(); i += 2) ::close(streams[i]);
  hub.Close();  // lets the remaining streams end, so the server can stop
}

// The streams are bounded at 32: with that many open, one more is refused with 503 and
// the page itself is still answered.
TEST(PreviewServerTest, OneStreamPastTheCapIsRefusedAndThePageStillServed) {
  constexpr int kCap = 32;  // the bound the preview promises, written out: not the constant
  EventHub hub;
  hub.Publish(Page(1, "PAGE"));
  LoopbackServer loop(hub);
  ASSERT_GT(loop.port(), 0);
  std::vector<int> streams;
  for (int i = 0; i < kCap; ++i) {
    int fd = Connect(loop.port());
    ASSERT_GE(fd, 0);
    SendAll(fd, loop.Get("/events"));
    ASSERT_NE(ReadUntil(fd, "data: {\"generation\":1}\n\n").find("data: {\"generation\":1}"),
              std::string::npos)
        << "stream " << i;
    streams.push_back(fd);
  }
  EXPECT_EQ(loop.server().routes().open_streams(), kCap);
  int extra = Connect(loop.port());
  ASSERT_GE(extra, 0);
  SendAll(extra, loop.Get("/events"));
  EXPECT_EQ(StatusOf(ReadUntil(extra, "\r\n\r\n")), 503);
  ::close(extra);
  int page = Connect(loop.port());
  ASSERT_GE(page, 0);
  SendAll(page, loop.Get("/"));
  EXPECT_EQ(StatusOf(ReadUntil(page, "</p>")), 200);
  ::close(page);
  for (int fd : streams) ::close(fd);
  hub.Close();  // lets the streams end, so the server can stop
}

TEST(PreviewServerTest, PageIsAnsweredWhileStreamsSlowSendersAndSilentConnectionsFillIt) {
  EventHub hub;
  hub.Publish(Page(1, "PAGE"));
  LoopbackServer loop(hub);
  ASSERT_GT(loop.port(), 0);
  std::vector<int> held;
  // Every event stream the server allows.
  for (int i = 0; i < PreviewRoutes::kMaxStreams; ++i) {
    int fd = Connect(loop.port());
    ASSERT_GE(fd, 0);
    SendAll(fd, loop.Get("/events"));
    held.push_back(fd);
  }
  for (int fd : held) ReadUntil(fd, "data: {\"generation\":1}\n\n");
  // As many clients sending half a request, and more silent connections than may wait.
  for (size_t i = 0; i < 16 + PreviewServer::kWaitingLimit + 8; ++i) {
    int fd = Connect(loop.port());
    ASSERT_GE(fd, 0);
    if (i < 16) SendAll(fd, "GET / HTTP/1.1\r\nHost: 127.0.0.1:");
    held.push_back(fd);
  }
  // The page still comes, and at once rather than when the others time out.
  const auto start = std::chrono::steady_clock::now();
  int fd = Connect(loop.port());
  ASSERT_GE(fd, 0);
  SendAll(fd, loop.Get("/"));
  const std::string answer = ReadUntil(fd, "</p>");
  EXPECT_EQ(StatusOf(answer), 200) << answer.substr(0, 200);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  ::close(fd);
  EXPECT_LT(loop.Stop(), std::chrono::seconds(1));
  for (int h : held) ::close(h);
}

TEST(PreviewServerTest, StopsAtOnceWhateverIsConnected) {
  EventHub hub;
  hub.Publish(Page(1, "PAGE"));
  LoopbackServer loop(hub);
  ASSERT_GT(loop.port(), 0);
  std::vector<int> held;
  // 200 idle connections (a browser's preconnects), one event stream, one client
  // halfway through its request and one that does not read a page it asked for.
  for (int i = 0; i < 200; ++i) held.push_back(Connect(loop.port()));
  int stream = Connect(loop.port());
  SendAll(stream, loop.Get("/events"));
  ReadUntil(stream, "data: {\"generation\":1}\n\n");
  held.push_back(stream);
  int half = Connect(loop.port());
  SendAll(half, "GET / HTTP/1.1\r\n");
  held.push_back(half);
  int reader = Connect(loop.port());
  int small = 1;
  ::setsockopt(reader, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
  hub.Publish(Page(2, std::string(8 << 20, 'P')));
  SendAll(reader, loop.Get("/"));
  held.push_back(reader);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // all accepted and under way

  const std::chrono::milliseconds took = loop.Stop();
  EXPECT_LT(took, std::chrono::seconds(1)) << took.count() << " ms";
  // The server has closed every connection.
  for (int fd : {held[0], held[199], half}) {
    EXPECT_EQ(ReadUntil(fd, "\n\n\n\n").find("PAGE"), std::string::npos);
    char byte;
    EXPECT_LE(::recv(fd, &byte, 1, MSG_DONTWAIT), 0);
  }
  for (int fd : held) ::close(fd);
}

TEST(PreviewServerTest, OnlyLoopbackAddressesCountAsThisMachineAlone) {
  for (const char* a : {"127.0.0.1", "127.1.2.3", "::1"}) EXPECT_TRUE(IsLoopbackAddress(a)) << a;
  for (const char* a : {"0.0.0.0", "::", "192.168.1.10", "10.0.0.1", "128.0.0.1", "::2", "", "x"}) {
    EXPECT_FALSE(IsLoopbackAddress(a)) << a;
  }
}

TEST(PreviewServerTest, APortInUseIsReportedAsSuch) {
  EventHub hub;
  hub.Close();
  LoopbackServer first(hub);
  ASSERT_GT(first.port(), 0);
  PreviewServer second(hub);
  PreviewServer::Bound b = second.Bind("127.0.0.1", first.port());
  EXPECT_LE(b.port, 0);
  EXPECT_TRUE(b.in_use);
  EXPECT_EQ(b.error, "Address already in use");
}

}  // namespace
}  // namespace percorso
