// The file system as the build sees it: whole files read and replaced in one step.
// Failures are values that name the file and the operating system's reason.
#ifndef PERCORSO_BASE_FILE_IO_H_
#define PERCORSO_BASE_FILE_IO_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace percorso {

struct IoError {
  std::string path;
  std::string action;  // "write", "read", "delete", "lock"
  std::string reason;  // the operating system's words, e.g. "Permission denied"
  // "cannot write /dir/name: Permission denied"
  std::string Message() const { return "cannot " + action + " " + path + ": " + reason; }
};

// Replaces the file at `path` by `bytes`. The bytes go to an unnamed temporary file in
// the same directory, which is named and renamed over the old file only when complete:
// readers see either the old file whole or the new one whole, a failure half-way (a full
// disk) leaves the old file and nothing else, and a run killed at any instant leaves at
// most one complete temporary, and only in the window between naming and renaming it.
// A name that is a symbolic link is replaced by the new file; the link's target is left
// as it was.
std::optional<IoError> ReplaceFile(const std::filesystem::path& path, std::string_view bytes);

// The same replacement through a named temporary (".NAME.XXXXXX" beside the file), the
// way ReplaceFile takes by itself where the file system has no unnamed temporaries (vfat,
// some network shares) or /proc is missing. The new file gets the same mode; a run killed
// while writing may leave the temporary behind. Callable directly so that this way is
// tested on any file system.
std::optional<IoError> ReplaceFileThroughNamedTemporary(const std::filesystem::path& path,
                                                        std::string_view bytes);

enum class ReadStatus { kOk, kMissing, kFailed };
struct ReadResult {
  ReadStatus status = ReadStatus::kFailed;
  std::string bytes;
  IoError error;  // meaningful when status is not kOk
};
// Reads a whole regular file of at most `max_bytes` bytes. A name that does not exist is
// kMissing; a directory, an unreadable file, a read error or a file larger than
// `max_bytes` (a sparse file of 100 GB is one) is kFailed, the last with the reason
// "the file is N bytes, more than the limit of M bytes" and nothing read. Every reader
// gives the limit that fits what it reads, so that no file can make it take memory
// beyond that.
ReadResult ReadWholeFile(const std::filesystem::path& path, uint64_t max_bytes);

// The reason ReadWholeFile gives for a file of `size` bytes over `max_bytes`.
std::string TooLargeReason(uint64_t size, uint64_t max_bytes);

// Deletes a file; a file that does not exist is no failure.
std::optional<IoError> RemoveFile(const std::filesystem::path& path);

// An exclusive lock on a directory, held until the object is destroyed (or the process
// ends). Two build runs in one directory write, read back and delete texts of the same
// names; the lock makes the second wait for the first instead of reading the other's
// half-finished work. Best effort: a directory that cannot be opened is not locked, and
// error() says why ("cannot lock DIR: Permission denied"); the caller decides whether to
// go on without it.
class DirectoryLock {
 public:
  explicit DirectoryLock(const std::filesystem::path& dir);
  ~DirectoryLock();
  DirectoryLock(const DirectoryLock&) = delete;
  DirectoryLock& operator=(const DirectoryLock&) = delete;
  bool held() const { return fd_ >= 0; }
  // Why the lock is not held; nothing when it is.
  const std::optional<IoError>& error() const { return error_; }

 private:
  int fd_ = -1;
  std::optional<IoError> error_;
};

// The directory that holds the running executable.
std::filesystem::path ExecutableDir();

}  // namespace percorso

#endif  // PERCORSO_BASE_FILE_IO_H_
