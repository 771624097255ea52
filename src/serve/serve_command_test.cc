// The command as run: its exit statuses for a taken port, for a directory without a pair
// and for a signal, with the messages that go with them.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "serve/browser_for_test.h"
#include "testing/subprocess.h"
#include "testing/temp_dir.h"

namespace percorso {
namespace {

ProcessResult RunArgs(std::vector<std::string> argv) {
  ProcessRequest request;
  request.argv = std::move(argv);
  return RunProcess(request);
}

TEST(ServeCommandTest, ExitStatusesAndMessages) {
  TempDir dir;
  const std::string routes = (dir.path() / "routes").string();
  ASSERT_EQ(RunArgs({PERCORSO_EXE, "export", "--dir", routes}).status, 0);

  {  // A port another program holds: status 3 and a message that says so.
    int holder = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    struct sockaddr_in a {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(holder, reinterpret_cast<struct sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(::listen(holder, 1), 0);
    socklen_t len = sizeof a;
    ::getsockname(holder, reinterpret_cast<struct sockaddr*>(&a), &len);
    const std::string port = std::to_string(ntohs(a.sin_port));
    ProcessResult r = RunArgs({PERCORSO_EXE, "serve", "--dir", routes, "--port", port});
    ::close(holder);
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "percorso serve: cannot listen on 127.0.0.1 port " + port +
                         ": Address already in use (another program is using the port; choose "
                         "another with --port)\n");
  }
  {  // No pair of texts.
    ProcessResult r = RunArgs({PERCORSO_EXE, "serve", "--dir", dir.path().string()});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("no pair of texts"), std::string::npos) << r.err;
  }
  {  // A name that would lead out of the directory.
    ProcessResult r = RunArgs({PERCORSO_EXE, "serve", "--dir", routes, "--line", "../x"});
    EXPECT_EQ(r.status, 2);
  }
  {  // SIGTERM: a clean stop, status 0.
    PipedProcess serve({PERCORSO_EXE, "serve", "--dir", routes, "--port", "0"},
                       dir.path() / "serve.err");
    std::optional<std::string> banner = serve.ReadLine(std::chrono::seconds(60));
    ASSERT_TRUE(banner) << ReadFile(dir.path() / "serve.err");
    EXPECT_EQ(banner->rfind("percorso serve: open http://127.0.0.1:", 0), 0u) << *banner;
    ASSERT_TRUE(serve.ReadLine(std::chrono::seconds(60)));
    EXPECT_EQ(serve.Stop(SIGTERM, std::chrono::seconds(30)), 0);
  }
}

// A client socket connected to 127.0.0.1:port; -1 when it cannot connect.
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

// A text of 100 GB (sparse) is named on the page with its size and the limit, and the
// server goes on; with 200 idle connections open (a browser's preconnects), SIGTERM
// stops it within a second, status 0.
TEST(ServeCommandTest, AHugeTextIsADiagnosticAndASignalStopsAtOnce) {
  TempDir dir;
  const std::string routes = (dir.path() / "routes").string();
  ASSERT_EQ(RunArgs({PERCORSO_EXE, "export", "--dir", routes}).status, 0);
  std::error_code ec;
  std::filesystem::resize_file(std::filesystem::path(routes) / "Valdoro_Ostrano_linea.txt",
                               uint64_t{100} << 30, ec);
  ASSERT_FALSE(ec) << ec.message();

  PipedProcess serve({PERCORSO_EXE, "serve", "--dir", routes, "--port", "0"},
                     dir.path() / "serve.err");
  std::optional<std::string> banner = serve.ReadLine(std::chrono::seconds(60));
  ASSERT_TRUE(banner) << ReadFile(dir.path() / "serve.err");
  const size_t at = banner->find("http://127.0.0.1:");
  ASSERT_NE(at, std::string::npos) << *banner;
  const int port = std::stoi(banner->substr(at + 17));
  std::optional<std::string> compiled = serve.ReadLine(std::chrono::seconds(60));
  ASSERT_TRUE(compiled);
  EXPECT_NE(compiled->find("Valdoro_Ostrano_linea.txt"), std::string::npos) << *compiled;
  EXPECT_NE(compiled->find("the file is 107374182400 bytes, more than the limit of 268435456 bytes"),
            std::string::npos)
      << *compiled;

  std::vector<int> idle;
  for (int i = 0; i < 200; ++i) {
    const int fd = Connect(port);
    ASSERT_GE(fd, 0);
    idle.push_back(fd);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(serve.Stop(SIGTERM, std::chrono::seconds(30)), 0);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_LT(took, std::chrono::seconds(1))
      << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms";
  for (int fd : idle) ::close(fd);
}

}  // namespace
}  // namespace percorso
