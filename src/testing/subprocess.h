// Runs a program as a separate process for end-to-end tests: in a chosen directory, with
// an exact argument list (no shell), optionally a file-size limit and a replaced
// environment, its output captured in files outside the directory under test (which may
// be read-only). Reports the exit status and the child's peak resident memory.
#ifndef PERCORSO_TESTING_SUBPROCESS_H_
#define PERCORSO_TESTING_SUBPROCESS_H_

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "testing/temp_dir.h"

namespace percorso {

struct ProcessRequest {
  std::vector<std::string> argv;                // argv[0] is the program's path
  std::filesystem::path cwd;                    // empty: the test's own directory
  std::optional<rlim_t> file_size_limit;        // bytes; RLIMIT_FSIZE for the child
  std::optional<std::vector<std::string>> env;  // "NAME=value" entries; absent: inherit
};

struct ProcessResult {
  int status = -1;  // exit status; 128 + signal number when killed by a signal
  std::string out;
  std::string err;
  long peak_rss_kb = 0;  // ru_maxrss of the child
};

// A started process whose output is being captured.
class RunningProcess {
 public:
  explicit RunningProcess(const ProcessRequest& request) { Start(request); }
  RunningProcess(const RunningProcess&) = delete;
  RunningProcess& operator=(const RunningProcess&) = delete;
  ~RunningProcess() {
    if (pid_ > 0) Wait();
  }

  // Sends `signal` to the process, if it has not been waited for yet.
  void Kill(int signal) {
    if (pid_ > 0) ::kill(pid_, signal);
  }

  // Waits for the process to end. The exit status stays as the child left it: nothing
  // here ignores or catches signals for the child.
  ProcessResult Wait() {
    ProcessResult r;
    if (pid_ <= 0) return r;
    int raw = 0;
    struct rusage usage {};
    while (::wait4(pid_, &raw, 0, &usage) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : WIFSIGNALED(raw) ? 128 + WTERMSIG(raw) : -1;
    r.peak_rss_kb = usage.ru_maxrss;
    r.out = capture_.Read("out");
    r.err = capture_.Read("err");
    return r;
  }

 private:
  void Start(const ProcessRequest& request) {
    const std::string out_path = (capture_.path() / "out").string();
    const std::string err_path = (capture_.path() / "err").string();
    std::vector<char*> argv;
    for (const std::string& a : request.argv) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    if (request.env) {
      for (const std::string& e : *request.env) envp.push_back(const_cast<char*>(e.c_str()));
      envp.push_back(nullptr);
    }
    pid_ = ::fork();
    if (pid_ != 0) return;
    // Only async-signal-safe calls from here to exec.
    const int out = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) ::_exit(125);
    if (!request.cwd.empty() && ::chdir(request.cwd.c_str()) != 0) ::_exit(126);
    if (request.file_size_limit) {
      // Set before exec: the limit then also holds for the shell of a wrapper command.
      struct rlimit lim = {*request.file_size_limit, *request.file_size_limit};
      if (::setrlimit(RLIMIT_FSIZE, &lim) != 0) ::_exit(125);
    }
    if (request.env)
      ::execve(argv[0], argv.data(), envp.data());
    else
      ::execv(argv[0], argv.data());
    ::_exit(127);
  }

  TempDir capture_;
  pid_t pid_ = -1;
};

// Runs the process described by `request` to its end.
inline ProcessResult RunProcess(const ProcessRequest& request) { return RunningProcess(request).Wait(); }

// Copies the program under test into `dir` (the build run works in the directory of its
// own executable) and returns the copy's path.
inline std::filesystem::path CopyExecutableInto(const std::filesystem::path& dir) {
  const std::filesystem::path exe = dir / "percorso";
  std::filesystem::copy_file(PERCORSO_EXE, exe, std::filesystem::copy_options::overwrite_existing);
  return exe;
}

}  // namespace percorso

#endif  // PERCORSO_TESTING_SUBPROCESS_H_
