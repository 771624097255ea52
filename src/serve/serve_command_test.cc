// The command as run: its exit statuses for a taken port, for a directory without a pair
// and for a signal, with the messages that go with them.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

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

}  // namespace
}  // namespace percorso
