#include "base/file_io.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

namespace percorso {

namespace {

IoError Failure(const std::filesystem::path& path, const char* action, int err) {
  return IoError{path.string(), action, std::strerror(err)};
}

// The process's umask as it is now (it may change while the program runs): read from
// /proc, which leaves it untouched; without /proc, set and set back at once.
mode_t CurrentUmask() {
  if (std::FILE* f = std::fopen("/proc/self/status", "re")) {
    char line[256];
    unsigned mask = 0;
    bool found = false;
    while (!found && std::fgets(line, sizeof line, f) != nullptr)
      found = std::sscanf(line, "Umask: %o", &mask) == 1;
    std::fclose(f);
    if (found) return static_cast<mode_t>(mask);
  }
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

// Files get the mode an ordinary create would give them: 0666 less the umask.
mode_t CreationMode() { return static_cast<mode_t>(0666 & ~CurrentUmask()); }

bool WriteAll(int fd, std::string_view bytes, int* err) {
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      *err = errno;
      return false;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

// The old way, for file systems without unnamed temporaries: a named temporary from the
// start, removed again on any failure. A run killed while writing leaves it behind.
std::optional<IoError> ReplaceFileThroughNamedTemporary(const std::filesystem::path& path,
                                                        std::string_view bytes) {
  std::filesystem::path dir = path.parent_path();
  std::string templ = (dir / ("." + path.filename().string() + ".XXXXXX")).string();
  std::vector<char> name(templ.begin(), templ.end());
  name.push_back('\0');
  int fd = ::mkstemp(name.data());
  if (fd < 0) return Failure(path, "write", errno);
  std::string tmp(name.data());
  int err = 0;
  bool ok = WriteAll(fd, bytes, &err);
  if (ok && ::fchmod(fd, CreationMode()) != 0) {
    err = errno;
    ok = false;
  }
  if (::close(fd) != 0 && ok) {
    err = errno;
    ok = false;
  }
  if (ok && ::rename(tmp.c_str(), path.c_str()) != 0) {
    err = errno;
    ok = false;
  }
  if (!ok) {
    ::unlink(tmp.c_str());
    return Failure(path, "write", err);
  }
  return std::nullopt;
}

namespace {

// A name for the finished temporary beside `path`, unlikely to be taken; a taken one is
// simply tried again with the next.
std::string TemporaryName(const std::filesystem::path& path, unsigned attempt) {
  static std::atomic<unsigned> counter{0};
  const unsigned long long stamp =
      static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
  char suffix[64];
  std::snprintf(suffix, sizeof suffix, ".%d.%llx.%x.%u", static_cast<int>(::getpid()), stamp,
                counter.fetch_add(1), attempt);
  return (path.parent_path() / ("." + path.filename().string() + suffix)).string();
}

}  // namespace

// The bytes go into an unnamed file in the target's directory (O_TMPFILE), which gets a
// name only once it is complete and is renamed over the old file at once. A run killed
// at any instant leaves the old file or the new one whole, and at most, in the window
// between the two calls that name and rename it, one complete temporary. Where the file
// system has no unnamed files (or /proc is missing), the named temporary of old is used.
std::optional<IoError> ReplaceFile(const std::filesystem::path& path, std::string_view bytes) {
  std::filesystem::path dir = path.parent_path();
  if (dir.empty()) dir = ".";
  // Mode 0666, less the umask as for any file created.
  const int fd = ::open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  if (fd < 0) {
    if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) {
      return ReplaceFileThroughNamedTemporary(path, bytes);
    }
    return Failure(path, "write", errno);
  }
  int err = 0;
  if (!WriteAll(fd, bytes, &err)) {
    ::close(fd);
    return Failure(path, "write", err);
  }
  // No fsync: forcing the bytes to the disk costs ten times the whole build run here.
  // The rename already guarantees that a failed or killed run leaves the old file whole;
  // what a power cut leaves is up to the file system's ordering of data and rename.
  char self[64];
  std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
  std::string tmp;
  for (unsigned attempt = 0;; ++attempt) {
    tmp = TemporaryName(path, attempt);
    if (::linkat(AT_FDCWD, self, AT_FDCWD, tmp.c_str(), AT_SYMLINK_FOLLOW) == 0) break;
    err = errno;
    if (err == EEXIST && attempt < 16) continue;
    ::close(fd);
    std::error_code no_proc;
    if (err == ENOENT && !std::filesystem::exists("/proc/self/fd", no_proc)) {
      return ReplaceFileThroughNamedTemporary(path, bytes);
    }
    return Failure(path, "write", err);
  }
  if (::rename(tmp.c_str(), path.c_str()) != 0) {
    err = errno;
    ::unlink(tmp.c_str());
    ::close(fd);
    return Failure(path, "write", err);
  }
  if (::close(fd) != 0) return Failure(path, "write", errno);
  return std::nullopt;
}

std::string TooLargeReason(uint64_t size, uint64_t max_bytes) {
  return "the file is " + std::to_string(size) + " bytes, more than the limit of " +
         std::to_string(max_bytes) + " bytes";
}

ReadResult ReadWholeFile(const std::filesystem::path& path, uint64_t max_bytes) {
  ReadResult r;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    r.status = errno == ENOENT ? ReadStatus::kMissing : ReadStatus::kFailed;
    r.error = Failure(path, "read", errno);
    return r;
  }
  struct stat st {};
  int stat_err = ::fstat(fd, &st) != 0 ? errno : 0;
  if (stat_err != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    if (stat_err == 0 && !S_ISDIR(st.st_mode)) {
      // A pipe or a device: never read (it may never end), and said in plain words.
      r.error = IoError{path.string(), "read", "not a regular file"};
      return r;
    }
    r.error = Failure(path, "read", stat_err != 0 ? stat_err : EISDIR);
    return r;
  }
  const uint64_t size = st.st_size > 0 ? static_cast<uint64_t>(st.st_size) : 0;
  if (size > max_bytes) {
    ::close(fd);
    r.error = IoError{path.string(), "read", TooLargeReason(size, max_bytes)};
    return r;
  }
  r.bytes.reserve(static_cast<size_t>(size));
  char buf[1 << 16];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n == 0) break;
    if (n > 0 && r.bytes.size() + static_cast<size_t>(n) > max_bytes) {
      // The file grew while it was read: refused as if it had been that large at first.
      const uint64_t grown = r.bytes.size() + static_cast<uint64_t>(n);
      ::close(fd);
      r.bytes.clear();
      r.bytes.shrink_to_fit();
      r.error = IoError{path.string(), "read", TooLargeReason(grown, max_bytes)};
      return r;
    }
    if (n < 0) {
      if (errno == EINTR) continue;
      int err = errno;
      ::close(fd);
      r.bytes.clear();
      r.error = Failure(path, "read", err);
      return r;
    }
    r.bytes.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  r.status = ReadStatus::kOk;
  return r;
}

std::optional<IoError> RemoveFile(const std::filesystem::path& path) {
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) return Failure(path, "delete", errno);
  return std::nullopt;
}

DirectoryLock::DirectoryLock(const std::filesystem::path& dir) {
  fd_ = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) {
    error_ = Failure(dir, "lock", errno);
    return;
  }
  while (::flock(fd_, LOCK_EX) != 0) {
    if (errno != EINTR) {
      error_ = Failure(dir, "lock", errno);
      ::close(fd_);
      fd_ = -1;
      return;
    }
  }
}

DirectoryLock::~DirectoryLock() {
  if (fd_ >= 0) ::close(fd_);  // closing the descriptor releases the lock
}

std::filesystem::path ExecutableDir() {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return std::filesystem::current_path(ec);
  return exe.parent_path();
}

}  // namespace percorso
