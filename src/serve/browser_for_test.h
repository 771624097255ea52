// Test support: headless Chromium driven over the DevTools protocol through a pipe
// (--remote-debugging-pipe: JSON messages ended by a NUL byte, on file descriptors 3 and
// 4 of the browser), and a process whose standard output is read line by line as it
// runs. Nothing is downloaded: the browser is Debian's.
#ifndef PERCORSO_SERVE_BROWSER_FOR_TEST_H_
#define PERCORSO_SERVE_BROWSER_FOR_TEST_H_

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

namespace percorso {

using TestClock = std::chrono::steady_clock;

// The first of chromium and chromium-browser on PATH; empty when neither is.
inline std::string FindChromiumOnPath() {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "");
  for (std::string dir; std::getline(dirs, dir, ':');) {
    for (const char* name : {"chromium", "chromium-browser"}) {
      std::filesystem::path p = std::filesystem::path(dir) / name;
      if (::access(p.c_str(), X_OK) == 0) return p.string();
    }
  }
  return "";
}

// Ends a child: SIGTERM, then SIGKILL when it has not ended within `grace`. Returns its
// exit status (128 + signal when killed).
inline int EndChild(pid_t pid, std::chrono::milliseconds grace, int first_signal = SIGTERM) {
  ::kill(pid, first_signal);
  const auto deadline = TestClock::now() + grace;
  int raw = 0;
  for (;;) {
    pid_t r = ::waitpid(pid, &raw, WNOHANG);
    if (r == pid) break;
    if (r < 0) return -1;
    if (TestClock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &raw, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : WIFSIGNALED(raw) ? 128 + WTERMSIG(raw) : -1;
}

// A process started with its standard output on a pipe, its standard error in `err_file`.
class PipedProcess {
 public:
  PipedProcess(const std::vector<std::string>& argv, const std::filesystem::path& err_file) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return;
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
      int err = ::open(err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
      if (err < 0 || ::dup2(out[1], 1) < 0 || ::dup2(err, 2) < 0) ::_exit(125);
      ::execv(args[0], args.data());
      ::_exit(127);
    }
    ::close(out[1]);
    out_ = out[0];
  }
  ~PipedProcess() {
    if (pid_ > 0) EndChild(pid_, std::chrono::seconds(10), SIGKILL);
    if (out_ >= 0) ::close(out_);
  }
  PipedProcess(const PipedProcess&) = delete;
  PipedProcess& operator=(const PipedProcess&) = delete;

  // The next whole line of output, or nothing when none came within `patience`.
  std::optional<std::string> ReadLine(std::chrono::milliseconds patience) {
    const auto deadline = TestClock::now() + patience;
    for (;;) {
      size_t end = buffer_.find('\n');
      if (end != std::string::npos) {
        std::string line = buffer_.substr(0, end);
        buffer_.erase(0, end + 1);
        return line;
      }
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TestClock::now());
      if (left.count() <= 0 || out_ < 0) return std::nullopt;
      struct pollfd p = {out_, POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
      char buf[4096];
      ssize_t n = ::read(out_, buf, sizeof buf);
      if (n <= 0) {
        ::close(out_);
        out_ = -1;
        continue;
      }
      buffer_.append(buf, static_cast<size_t>(n));
    }
  }

  // Sends `signal` and waits for the end; the exit status.
  int Stop(int signal, std::chrono::milliseconds patience) {
    int status = EndChild(pid_, patience, signal);
    pid_ = -1;
    return status;
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  std::string buffer_;
};

// Headless Chromium and one page in it.
class Browser {
 public:
  // Starts the browser with the flags this machine needs and a fresh profile in
  // `profile`; its messages go to `log`.
  Browser(const std::string& chromium, const std::filesystem::path& profile,
          const std::filesystem::path& log) {
    int to_browser[2], from_browser[2];
    if (::pipe2(to_browser, O_CLOEXEC) != 0 || ::pipe2(from_browser, O_CLOEXEC) != 0) return;
    std::vector<std::string> argv = {
        chromium, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
        "--no-first-run", "--disable-background-networking", "--disable-component-update",
        "--disable-sync", "--remote-debugging-pipe", "--window-size=1280,900",
        "--user-data-dir=" + profile.string(), "about:blank"};
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
      // The pipe ends are first moved above 4 so that placing them on 3 and 4 cannot
      // close one another.
      int in = ::fcntl(to_browser[0], F_DUPFD, 10);
      int out = ::fcntl(from_browser[1], F_DUPFD, 10);
      int logfd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      if (in < 0 || out < 0 || logfd < 0 || ::dup2(in, 3) < 0 || ::dup2(out, 4) < 0 ||
          ::dup2(logfd, 1) < 0 || ::dup2(logfd, 2) < 0) {
        ::_exit(125);
      }
      ::execv(args[0], args.data());
      ::_exit(127);
    }
    ::close(to_browser[0]);
    ::close(from_browser[1]);
    write_ = to_browser[1];
    read_ = from_browser[0];
  }
  ~Browser() {
    if (write_ >= 0) {
      Send("Browser.close", nlohmann::json::object(), "");
      ::close(write_);
    }
    if (read_ >= 0) ::close(read_);
    if (pid_ > 0) EndChild(pid_, std::chrono::seconds(10));
  }
  Browser(const Browser&) = delete;
  Browser& operator=(const Browser&) = delete;

  // Opens `url` in a new page and attaches to it; false on failure (`error()` says why).
  bool Open(const std::string& url) {
    nlohmann::json target = Call("Target.createTarget", {{"url", url}}, "");
    if (!target.contains("targetId")) return false;
    nlohmann::json session =
        Call("Target.attachToTarget", {{"targetId", target["targetId"]}, {"flatten", true}}, "");
    if (!session.contains("sessionId")) return false;
    session_ = session["sessionId"];
    return true;
  }

  // The value of a JavaScript expression in the page (null when it threw).
  nlohmann::json Eval(const std::string& expression) {
    nlohmann::json r = Call("Runtime.evaluate",
                            {{"expression", expression}, {"returnByValue", true}}, session_);
    if (!r.contains("result") || r.contains("exceptionDetails")) return nullptr;
    return r["result"].value("value", nlohmann::json());
  }

  // Evaluates `expression` until it is true or `patience` has passed; the time it took,
  // or nothing.
  std::optional<std::chrono::microseconds> WaitFor(const std::string& expression,
                                                   std::chrono::milliseconds patience) {
    const auto start = TestClock::now();
    while (TestClock::now() - start < patience) {
      if (Eval(expression) == true) {
        return std::chrono::duration_cast<std::chrono::microseconds>(TestClock::now() - start);
      }
      if (dead_) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return std::nullopt;
  }

  const std::string& error() const { return error_; }

 private:
  int Send(const std::string& method, const nlohmann::json& params, const std::string& session) {
    nlohmann::json message = {{"id", ++last_id_}, {"method", method}, {"params", params}};
    if (!session.empty()) message["sessionId"] = session;
    std::string bytes = message.dump();
    bytes.push_back('\0');
    size_t sent = 0;
    while (sent < bytes.size()) {
      ssize_t n = ::write(write_, bytes.data() + sent, bytes.size() - sent);
      if (n <= 0) {
        dead_ = true;
        return -1;
      }
      sent += static_cast<size_t>(n);
    }
    return last_id_;
  }

  // Sends a command and returns its result, skipping the events that come between.
  nlohmann::json Call(const std::string& method, const nlohmann::json& params,
                      const std::string& session) {
    const int id = Send(method, params, session);
    const auto deadline = TestClock::now() + std::chrono::seconds(60);
    while (id > 0 && TestClock::now() < deadline) {
      size_t end = inbox_.find('\0');
      if (end != std::string::npos) {
        nlohmann::json m = nlohmann::json::parse(inbox_.substr(0, end), nullptr, false);
        inbox_.erase(0, end + 1);
        if (m.is_object() && m.value("id", -1) == id) {
          if (m.contains("error")) error_ = m["error"].dump();
          return m.value("result", nlohmann::json::object());
        }
        continue;
      }
      struct pollfd p = {read_, POLLIN, 0};
      if (::poll(&p, 1, 1000) <= 0) continue;
      char buf[65536];
      ssize_t n = ::read(read_, buf, sizeof buf);
      if (n <= 0) {
        dead_ = true;
        error_ = "the browser closed its pipe";
        break;
      }
      inbox_.append(buf, static_cast<size_t>(n));
    }
    return nlohmann::json::object();
  }

  pid_t pid_ = -1;
  int write_ = -1, read_ = -1;
  int last_id_ = 0;
  bool dead_ = false;
  std::string inbox_;
  std::string session_;
  std::string error_;
};

}  // namespace percorso

#endif  // PERCORSO_SERVE_BROWSER_FOR_TEST_H_
