#include "base/file_io.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <barrier>
#include <csignal>
#include <fstream>
#include <thread>
#include <vector>

#include "testing/temp_dir.h"

namespace percorso {
namespace {

// What may stand at the name a file is written to, and what replacing it leaves: the new
// bytes alone in its place, or an error naming the file with whatever stood there left
// as it was; never a temporary file beside it. A symbolic link is itself replaced by the
// new file, and the file it pointed at, elsewhere, keeps its bytes.
TEST(ReplaceFile, WhatStandsAtTheName) {
  enum class Before { kNothing, kLongerFile, kDirectory, kLink, kDanglingLink };
  struct Case {
    const char* what;
    Before before;
    const char* error_reason;  // nullptr: replaced
  };
  const Case cases[] = {
      {"nothing", Before::kNothing, nullptr},
      {"a longer older file: no byte of it is left", Before::kLongerFile, nullptr},
      {"a directory", Before::kDirectory, "Is a directory"},
      {"a symbolic link to a file elsewhere", Before::kLink, nullptr},
      {"a symbolic link to nothing", Before::kDanglingLink, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir, elsewhere;
    const auto path = dir.path() / "a.dat";
    elsewhere.Write("target.dat", "the target's bytes");
    switch (c.before) {
      case Before::kNothing: break;
      case Before::kLongerFile: dir.Write("a.dat", std::string(1000, 'x')); break;
      case Before::kDirectory: std::filesystem::create_directory(path); break;
      case Before::kLink: std::filesystem::create_symlink(elsewhere.path() / "target.dat", path); break;
      case Before::kDanglingLink: std::filesystem::create_symlink(elsewhere.path() / "none", path); break;
    }
    std::optional<IoError> e = ReplaceFile(path, "abc");
    if (c.error_reason == nullptr) {
      ASSERT_FALSE(e) << e->Message();
      EXPECT_FALSE(std::filesystem::is_symlink(path));
      EXPECT_EQ(ReadWholeFile(path, 3).bytes, "abc");
    } else {
      ASSERT_TRUE(e);
      EXPECT_EQ(e->Message(), "cannot write " + path.string() + ": " + c.error_reason);
      EXPECT_TRUE(std::filesystem::is_directory(path));
    }
    EXPECT_EQ(dir.List(), std::vector<std::string>{"a.dat"});
    EXPECT_EQ(elsewhere.List(), std::vector<std::string>{"target.dat"});
    EXPECT_EQ(elsewhere.Read("target.dat"), "the target's bytes");
  }
}

// A new file gets the mode any program's new file gets: 0666 less the umask. A file that
// is replaced gets it too, whatever mode the old one had. Both ways of replacing are run:
// the unnamed temporary and the named one of file systems without unnamed files, each
// with the umask changed from case to case (the mode follows the umask of the moment).
TEST(ReplaceFile, ModeIs0666LessTheUmask) {
  struct Case {
    mode_t umask;
    bool old_file;  // an older file of mode 0600 stands at the name
    mode_t mode;
  };
  const Case cases[] = {
      {022, false, 0644}, {002, false, 0664}, {077, false, 0600},
      {0, false, 0666},   {027, true, 0640},  {0, true, 0666},
  };
  for (bool named : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(::testing::Message() << (named ? "named temporary, " : "unnamed temporary, ")
                                        << "umask " << std::oct << c.umask);
      TempDir dir;
      const auto path = dir.path() / "a.dat";
      if (c.old_file) {
        dir.Write("a.dat", "old");
        ::chmod(path.c_str(), 0600);
      }
      const mode_t saved = ::umask(c.umask);
      std::optional<IoError> e =
          named ? ReplaceFileThroughNamedTemporary(path, "abc") : ReplaceFile(path, "abc");
      ::umask(saved);
      ASSERT_FALSE(e) << e->Message();
      EXPECT_EQ(dir.Read("a.dat"), "abc");
      EXPECT_EQ(dir.List(), std::vector<std::string>{"a.dat"});
      struct stat st {};
      ASSERT_EQ(::stat(path.c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 07777, c.mode) << std::oct << (st.st_mode & 07777);
    }
  }
}

// The temporary file cannot be made, or cannot be filled: without a read-only mount, the
// process's own limits provoke both. The old file stays whole and no temporary is left.
TEST(ReplaceFile, TemporaryThatCannotBeMadeOrFilledLeavesTheOldFile) {
  struct Case {
    const char* what;
    int resource;  // the limit lowered while ReplaceFile runs
    const char* reason;
  };
  const Case cases[] = {
      {"no descriptor left for the temporary", RLIMIT_NOFILE, "Too many open files"},
      {"the temporary may not grow past 4 kB", RLIMIT_FSIZE, "File too large"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const auto path = dir.path() / "a.dat";
    dir.Write("a.dat", "the older file");
    // The lowest free descriptor: with the limit there, no file can be opened.
    const int lowest = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(lowest, 0);
    ::close(lowest);
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(c.resource, &saved), 0);
    struct rlimit lowered = saved;
    lowered.rlim_cur = c.resource == RLIMIT_NOFILE ? static_cast<rlim_t>(lowest) : 4096;
    // Past the file-size limit a write fails with EFBIG instead of killing the process.
    void (*old_handler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(c.resource, &lowered), 0);
    std::optional<IoError> e = ReplaceFile(path, std::string(100000, 'n'));
    ASSERT_EQ(::setrlimit(c.resource, &saved), 0);
    std::signal(SIGXFSZ, old_handler);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->Message(), "cannot write " + path.string() + ": " + c.reason);
    EXPECT_EQ(dir.Read("a.dat"), "the older file");
    EXPECT_EQ(dir.List(), std::vector<std::string>{"a.dat"});
  }
}

// Two writers replacing one name, each round started together at a barrier with a reader
// of the name. The barrier gives every round the chance to overlap; on two busy cores
// the scheduler may still run a round's writes one after the other, and then the test
// proves the plain case. Either way every read finds one writer's megabyte whole, never
// a mix or a short file, and no temporary is left.
TEST(ReplaceFile, ConcurrentReplacementsLeaveOneWholeFile) {
  TempDir dir;
  const auto path = dir.path() / "a.dat";
  const std::string versions[] = {std::string(1 << 20, 'a'), std::string(1 << 20, 'b')};
  ASSERT_FALSE(ReplaceFile(path, versions[0]));
  constexpr int kRounds = 40;
  std::barrier start(3);
  std::atomic<int> failures{0};
  std::vector<std::thread> writers;
  for (const std::string& bytes : versions) {
    writers.emplace_back([&] {
      for (int round = 0; round < kRounds; ++round) {
        start.arrive_and_wait();
        if (ReplaceFile(path, bytes)) ++failures;
      }
    });
  }
  int reads = 0, bad_reads = 0;
  for (int round = 0; round < kRounds; ++round) {
    start.arrive_and_wait();
    // Read while this round's writers run.
    for (int i = 0; i < 3; ++i, ++reads) {
      const std::string got = ReadWholeFile(path, 1 << 20).bytes;
      if (got != versions[0] && got != versions[1]) ++bad_reads;
    }
  }
  for (std::thread& t : writers) t.join();
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(bad_reads, 0) << "of " << reads << " reads";
  EXPECT_EQ(dir.List(), std::vector<std::string>{"a.dat"});
}

// What may stand at the name of a text to read. A name that does not exist is told from
// one that cannot be read; a pipe or a device is never opened for reading (it may never
// end) and is said to be no regular file; a file over the limit, sparse or not, is
// refused with its size and the limit, and nothing of it is read.
TEST(ReadWholeFile, TellsMissingFromUnreadable) {
  constexpr uint64_t kLimit = 5;
  TempDir dir;
  dir.Write("text", "bytes");
  dir.Write("six", "sixsix");
  // 100 GB of nothing: a sparse file costs no disk space.
  {
    const int fd = ::open((dir.path() / "sparse").c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, off_t{100} << 30), 0);
    ::close(fd);
  }
  dir.Write("empty", "");
  std::filesystem::create_directory(dir.path() / "d");
  ASSERT_EQ(::mkfifo((dir.path() / "pipe").c_str(), 0644), 0);
  std::filesystem::create_symlink("/dev/zero", dir.path() / "zero");
  std::filesystem::create_symlink(dir.path() / "text", dir.path() / "link");
  struct Case {
    const char* name;
    ReadStatus status;
    const char* bytes_or_reason;
  };
  const Case cases[] = {
      {"text", ReadStatus::kOk, "bytes"},
      {"empty", ReadStatus::kOk, ""},
      {"link", ReadStatus::kOk, "bytes"},
      {"none", ReadStatus::kMissing, "No such file or directory"},
      {"d", ReadStatus::kFailed, "Is a directory"},
      {"pipe", ReadStatus::kFailed, "not a regular file"},
      {"zero", ReadStatus::kFailed, "not a regular file"},
      {"six", ReadStatus::kFailed, "the file is 6 bytes, more than the limit of 5 bytes"},
      {"sparse", ReadStatus::kFailed,
       "the file is 107374182400 bytes, more than the limit of 5 bytes"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ReadResult r = ReadWholeFile(dir.path() / c.name, kLimit);
    EXPECT_EQ(r.status, c.status);
    if (c.status == ReadStatus::kOk) {
      EXPECT_EQ(r.bytes, c.bytes_or_reason);
    } else {
      EXPECT_EQ(r.error.Message(),
                "cannot read " + (dir.path() / c.name).string() + ": " + c.bytes_or_reason);
      EXPECT_EQ(r.bytes, "");
    }
  }
}

}  // namespace
}  // namespace percorso
