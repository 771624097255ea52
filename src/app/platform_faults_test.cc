// Faults of the platform met by the real executable: a directory that cannot be
// written, a directory standing where a file should be, a disk that fills up during a
// write, a source text that is missing or cannot be read. Each ends in a message that
// names the file and the reason and a non-zero exit status, and leaves every earlier
// output whole and every input as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "testing/subprocess.h"
#include "testing/same_bytes.h"
#include "testing/temp_dir.h"

namespace percorso {
namespace {

namespace fs = std::filesystem;

// The older version of the route is 5000 m long with a speed of 80 km/h, the newer 6000 m
// with 120 km/h: each of the three compiled files differs between them.
std::string LineText(int length) {
  return "[generale]\r\nlunghezza percorso,  " + std::to_string(length) +
         "\r\n[pendenze]\r\npendenza,  0,  0\r\ncurvad4,  1000,  200\r\n[fine]\r\n";
}
std::string TrainText(int speed) {
  return "[generale]\r\nvelocita,  0,  " + std::to_string(speed) +
         "\r\naderenza,  0,  100"
         "\r\nstazione,  1000, 12, 400, 0,0,0, 1,1,0, 2,4,1, 1, 14,46,0, CITTA\r\n[fine]\r\n";
}

const char* const kOutputs[] = {"R_linea.dat", "R_1.sim", "R_1.dat"};


// Every entry of a directory with its bytes; a directory reads "<dir>", and anything
// else that is not a plain file (a pipe, a link) "<other>", without being opened.
using Files = std::map<std::string, std::string>;
Files Snapshot(const fs::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    if (e.is_directory()) {
      files[name] = "<dir>";
      continue;
    }
    if (!fs::is_regular_file(e.symlink_status())) {
      files[name] = "<other>";
      continue;
    }
    std::ifstream in(e.path(), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    files[name] = s.str();
  }
  return files;
}

testing::AssertionResult SameFiles(const Files& a, const Files& b) {
  for (const auto& [name, bytes] : a) {
    auto it = b.find(name);
    if (it == b.end()) return testing::AssertionFailure() << name << " is gone";
    if (auto same = SameBytes(bytes, it->second); !same) return same << " in " << name;
  }
  for (const auto& [name, bytes] : b)
    if (!a.count(name)) return testing::AssertionFailure() << name << " appeared";
  return testing::AssertionSuccess();
}

// A route directory holding the newer texts and the compiled files of the older
// version: a compile that fails must leave those older files whole.
class RouteDir {
 public:
  RouteDir() : dir_(root_.path() / "route") {
    fs::create_directory(dir_);
    exe_ = CopyExecutableInto(root_.path());
    Write("R_linea.txt", LineText(5000));
    Write("R_1-.txt", TrainText(80));
    ProcessResult older = Compile();
    EXPECT_EQ(older.status, 0) << older.err;
    for (const char* name : kOutputs) older_[name] = Read(name);
    Write("R_linea.txt", LineText(6000));
    Write("R_1-.txt", TrainText(120));
    // What the newer texts compile to, found in a scratch copy.
    TempDir scratch;
    fs::copy(dir_ / "R_linea.txt", scratch.path() / "R_linea.txt");
    fs::copy(dir_ / "R_1-.txt", scratch.path() / "R_1-.txt");
    ProcessResult newer = Run({"compile", "--dir", scratch.path().string()});
    EXPECT_EQ(newer.status, 0) << newer.err;
    for (const char* name : kOutputs) {
      newer_[name] = scratch.Read(name);
      EXPECT_FALSE(SameBytes(newer_[name], older_[name])) << name;
    }
  }

  const fs::path& dir() const { return dir_; }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::string Read(const std::string& name) const { return ReadFile(dir_ / name); }
  void Write(const std::string& name, const std::string& bytes) const {
    WriteFile(dir_ / name, bytes);
  }
  const std::string& Older(const std::string& name) { return older_[name]; }
  const std::string& Newer(const std::string& name) { return newer_[name]; }

  ProcessResult Run(const std::vector<std::string>& args, std::optional<rlim_t> limit = {}) {
    ProcessRequest request;
    request.argv.push_back(exe_.string());
    request.argv.insert(request.argv.end(), args.begin(), args.end());
    request.file_size_limit = limit;
    return RunProcess(request);
  }
  ProcessResult Compile(std::vector<std::string> extra = {}, std::optional<rlim_t> limit = {}) {
    std::vector<std::string> args = {"compile", "--dir", dir_.string(), "--line", "R",
                                     "--train", "1"};
    args.insert(args.end(), extra.begin(), extra.end());
    return Run(args, limit);
  }

 private:
  TempDir root_;
  fs::path dir_;
  fs::path exe_;
  std::map<std::string, std::string> older_;
  std::map<std::string, std::string> newer_;
};

// A run in a directory it may not write to, and the reason the system gave.
struct ReadOnlyRun {
  ProcessResult result;
  std::string reason;
};

// Runs `argv` as "nobody" in `dir`, which root owns and nobody may read but not write;
// the directories above it are opened for passing through, and the program for running.
std::optional<ReadOnlyRun> RunAsNobodyInReadOnlyDir(const fs::path& dir,
                                                    const std::vector<std::string>& argv,
                                                    std::string* why) {
  if (!fs::exists("/usr/bin/setpriv")) {
    *why += "; and setpriv is not installed";
    return std::nullopt;
  }
  for (fs::path up = dir.parent_path(); up != up.root_path() && !up.empty(); up = up.parent_path())
    fs::permissions(up, fs::perms::others_exec, fs::perm_options::add);
  const auto mode = fs::status(dir).permissions();
  fs::permissions(dir, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                           fs::perms::others_read | fs::perms::others_exec);
  ProcessRequest request;
  request.argv = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"};
  request.argv.insert(request.argv.end(), argv.begin(), argv.end());
  ProcessResult r = RunProcess(request);
  fs::permissions(dir, mode);
  return ReadOnlyRun{r, "Permission denied"};
}

// Runs `argv` with `dir` read-only. As root, permissions do not stop a write, so the
// directory is bind-mounted read-only onto itself in a private mount namespace; where no
// such mount can be made, the run is made as the unprivileged user "nobody" instead,
// whom the directory's mode refuses as it refuses an ordinary user. Returns nothing (and
// sets `why`) when neither can be had.
std::optional<ReadOnlyRun> RunWithReadOnlyDir(const fs::path& dir,
                                              const std::vector<std::string>& argv,
                                              std::string* why,
                                              bool without_mount = false) {
  if (::geteuid() != 0) {
    fs::permissions(dir, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    ProcessRequest request;
    request.argv = argv;
    ProcessResult r = RunProcess(request);
    fs::permissions(dir, fs::perms::owner_write, fs::perm_options::add);
    return ReadOnlyRun{r, "Permission denied"};
  }
  if (without_mount) return RunAsNobodyInReadOnlyDir(dir, argv, why);
  // $0 is the directory; the rest is the command to run once it is read-only. The
  // probe must fail to create a file, or the mount did not take.
  const std::string script =
      "mount --bind \"$0\" \"$0\" && mount -o remount,ro,bind \"$0\" \"$0\" || exit 90; "
      "if (: >\"$0/.probe\") 2>/dev/null; then exit 91; fi; exec \"$@\"";
  *why = "unshare is not installed";
  for (const char* unshare : {"/usr/bin/unshare", "/bin/unshare"}) {
    if (!fs::exists(unshare)) continue;
    ProcessRequest request;
    request.argv = {unshare, "-m", "/bin/sh", "-c", script, dir.string()};
    request.argv.insert(request.argv.end(), argv.begin(), argv.end());
    ProcessResult r = RunProcess(request);
    if (r.status == 90 || r.status == 91 || r.err.find("unshare:") != std::string::npos) {
      *why = "a read-only bind mount cannot be made here: " + r.err;
      break;
    }
    return ReadOnlyRun{r, "Read-only file system"};
  }
  return RunAsNobodyInReadOnlyDir(dir, argv, why);
}

// Two ways to a directory the program may not write: for root, a read-only mount of it
// and, needing no mount, a run as "nobody" (an ordinary user gets the mode's refusal both
// times). The mount is tried last, so that where it cannot be made the rest has run.
TEST(PlatformFaultsTest, ReadOnlyDirectoryStopsEveryWriterLeavingEveryFileAsItWas) {
  for (bool without_mount : {true, false}) {
    SCOPED_TRACE(without_mount ? "without a mount" : "with a read-only mount");
    RouteDir route;
    const auto before = Snapshot(route.dir());
    std::string why;
    std::optional<ReadOnlyRun> r = RunWithReadOnlyDir(
        route.dir(),
        {(route.dir().parent_path() / "percorso").string(), "compile", "--dir",
         route.dir().string(), "--line", "R", "--train", "1"},
        &why, without_mount);
    if (!r) GTEST_SKIP() << why;
    EXPECT_EQ(r->result.status, 3);
    EXPECT_EQ(r->result.err, "percorso: cannot write " + route.Path("R_linea.dat") + ": " +
                                 r->reason + "\nresult: no error; wrote nothing\n");
    EXPECT_TRUE(SameFiles(Snapshot(route.dir()), before));

    // Exporting the built-in texts into it.
    r = RunWithReadOnlyDir(route.dir(),
                           {(route.dir().parent_path() / "percorso").string(), "export", "--dir",
                            route.dir().string(), "--force"},
                           &why, without_mount);
    ASSERT_TRUE(r) << why;
    EXPECT_EQ(r->result.status, 3);
    EXPECT_EQ(r->result.err, "percorso: cannot write " +
                                 route.Path("Valdoro_Ostrano_linea.txt") + ": " + r->reason + "\n");
    EXPECT_TRUE(SameFiles(Snapshot(route.dir()), before));

    // The build run writes its first text into its own directory and stops there; what
    // an earlier run left is untouched.
    TempDir build;
    const fs::path exe = CopyExecutableInto(build.path());
    build.Write("Valdoro_Ostrano_55.sim", "earlier line file");
    build.Write("Valdoro_Ostrano_linea.txt", "earlier text");
    const auto built_before = Snapshot(build.path());
    r = RunWithReadOnlyDir(build.path(), {exe.string()}, &why, without_mount);
    ASSERT_TRUE(r) << why;
    EXPECT_EQ(r->result.status, 3);
    EXPECT_EQ(r->result.err, "percorso: cannot write " +
                                 (build.path() / "Valdoro_Ostrano_linea.txt").string() + ": " +
                                 r->reason + "\n");
    EXPECT_TRUE(SameFiles(Snapshot(build.path()), built_before));
    if (::geteuid() != 0) break;  // the two ways are one for an ordinary user
  }
}

TEST(PlatformFaultsTest, DirectoryOrPipeStandingWhereAFileShouldBe) {
  {
    // In place of the line file: the plan file before it is replaced whole by the newer
    // one, the cell file after it keeps the older bytes whole, and nothing else changes.
    RouteDir route;
    fs::remove(route.dir() / "R_1.sim");
    fs::create_directory(route.dir() / "R_1.sim");
    ProcessResult r = route.Compile();
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "percorso: cannot write " + route.Path("R_1.sim") +
                         ": Is a directory\nresult: no error; wrote " + route.Path("R_linea.dat") +
                         "\n");
    EXPECT_TRUE(SameBytes(route.Read("R_linea.dat"), route.Newer("R_linea.dat")));
    EXPECT_TRUE(SameBytes(route.Read("R_1.dat"), route.Older("R_1.dat")));
    EXPECT_EQ(route.Read("R_1-.txt"), TrainText(120));
    EXPECT_EQ(route.Read("R_linea.txt"), LineText(6000));
    EXPECT_EQ(Snapshot(route.dir()).size(), 5u) << "a temporary file was left behind";
  }
  {
    // In place of a source text: nothing is compiled or written.
    RouteDir route;
    fs::remove(route.dir() / "R_linea.txt");
    fs::create_directory(route.dir() / "R_linea.txt");
    const auto before = Snapshot(route.dir());
    ProcessResult r = route.Compile();
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "percorso: cannot read " + route.Path("R_linea.txt") + ": Is a directory\n");
    EXPECT_TRUE(SameFiles(Snapshot(route.dir()), before));
  }
  {
    // A pipe or a device in place of a source text: refused at once, never read.
    RouteDir route;
    fs::remove(route.dir() / "R_1-.txt");
    ASSERT_EQ(::mkfifo((route.dir() / "R_1-.txt").c_str(), 0644), 0);
    fs::create_symlink("/dev/zero", route.dir() / "R_linea.txt.zero");
    const auto before = Snapshot(route.dir());
    ProcessResult r = route.Compile();
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "percorso: cannot read " + route.Path("R_1-.txt") + ": not a regular file\n");
    EXPECT_TRUE(SameFiles(Snapshot(route.dir()), before));
    fs::remove(route.dir() / "R_linea.txt");
    fs::rename(route.dir() / "R_linea.txt.zero", route.dir() / "R_linea.txt");
    r = route.Compile();
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "percorso: cannot read " + route.Path("R_linea.txt") +
                         ": not a regular file\n");
    for (const char* name : kOutputs)
      EXPECT_TRUE(SameBytes(route.Read(name), route.Older(name))) << name;
    EXPECT_EQ(Snapshot(route.dir()).size(), 5u);
  }
  {
    // In place of the build run's first text.
    TempDir build;
    const fs::path exe = CopyExecutableInto(build.path());
    fs::create_directory(build.path() / "Valdoro_Ostrano_linea.txt");
    build.Write("Valdoro_Ostrano_55.dat", "earlier cell file");
    const auto before = Snapshot(build.path());
    ProcessRequest request;
    request.argv = {exe.string()};
    ProcessResult r = RunProcess(request);
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "percorso: cannot write " +
                         (build.path() / "Valdoro_Ostrano_linea.txt").string() +
                         ": Is a directory\n");
    EXPECT_TRUE(SameFiles(Snapshot(build.path()), before));
  }
}

TEST(PlatformFaultsTest, DiskFillingUpDuringAWriteLeavesTheOlderFileWhole) {
  RouteDir route;
  const size_t plan = route.Newer("R_linea.dat").size();
  const size_t line = route.Newer("R_1.sim").size();
  const size_t cells = route.Newer("R_1.dat").size();
  ASSERT_GT(plan, cells);
  ASSERT_GT(cells, line);
  // The file-size limit makes the write that passes it fail with EFBIG; the program
  // ignores SIGXFSZ, so it is not killed but reports the failure.
  struct Case {
    std::vector<std::string> extra;
    rlim_t limit;
    const char* failing;
    std::vector<const char*> written;
  };
  const Case cases[] = {
      {{}, (plan + cells) / 2, "R_linea.dat", {}},
      {{"--no-plan"}, (line + cells) / 2, "R_1.dat", {"R_1.sim"}},
  };
  for (const Case& c : cases) {
    RouteDir fresh;
    ProcessResult r = fresh.Compile(c.extra, c.limit);
    std::string wrote;
    for (const char* w : c.written) wrote += (wrote.empty() ? "" : ", ") + fresh.Path(w);
    EXPECT_EQ(r.status, 3) << c.failing;
    EXPECT_EQ(r.err, "percorso: cannot write " + fresh.Path(c.failing) +
                         ": File too large\nresult: no error; wrote " +
                         (wrote.empty() ? "nothing" : wrote) + "\n");
    for (const char* name : kOutputs) {
      const bool replaced =
          std::find_if(c.written.begin(), c.written.end(),
                       [&](const char* w) { return std::string(w) == name; }) != c.written.end();
      EXPECT_TRUE(SameBytes(fresh.Read(name), replaced ? fresh.Newer(name) : fresh.Older(name)))
          << name;
    }
    EXPECT_EQ(fresh.Read("R_1-.txt"), TrainText(120));
    EXPECT_EQ(Snapshot(fresh.dir()).size(), 5u) << "a temporary file was left behind";
  }

  // Export: the line description text (8 kB) passes a 4 kB limit only in part; the
  // older text stays whole.
  route.Write("Valdoro_Ostrano_linea.txt", "the author's text");
  ProcessResult exported =
      route.Run({"export", "--dir", route.dir().string(), "--force"}, 4096);
  EXPECT_EQ(exported.status, 3);
  EXPECT_EQ(exported.err, "percorso: cannot write " + route.Path("Valdoro_Ostrano_linea.txt") +
                              ": File too large\n");
  EXPECT_EQ(route.Read("Valdoro_Ostrano_linea.txt"), "the author's text");
  EXPECT_EQ(Snapshot(route.dir()).size(), 6u) << "a temporary file was left behind";

  // The build run's plan file is two megabytes: a one-megabyte limit stops it there.
  TempDir build;
  const fs::path exe = CopyExecutableInto(build.path());
  build.Write("Valdoro_Ostrano_linea.dat", "earlier plan file");
  ProcessRequest request;
  request.argv = {exe.string()};
  request.file_size_limit = 1 << 20;
  ProcessResult r = RunProcess(request);
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.err, "percorso: cannot write " +
                       (build.path() / "Valdoro_Ostrano_linea.dat").string() +
                       ": File too large\n");
  EXPECT_EQ(build.Read("Valdoro_Ostrano_linea.dat"), "earlier plan file");
  for (const std::string& name : build.List())
    EXPECT_NE(name.front(), '.') << "temporary file left behind: " << name;
}

TEST(PlatformFaultsTest, MissingOrUnreadableSourceTextStopsTheCompile) {
  {
    RouteDir route;
    fs::remove(route.dir() / "R_linea.txt");
    const auto before = Snapshot(route.dir());
    ProcessResult r = route.Compile();
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "percorso: cannot read " + route.Path("R_linea.txt") +
                         ": No such file or directory\n");
    EXPECT_TRUE(SameFiles(Snapshot(route.dir()), before));
  }
  {
    // A text its reader may not open. Root reads any file, so the compile then runs as
    // the unprivileged user "nobody" (with setpriv); an ordinary user is refused anyway.
    RouteDir route;
    fs::permissions(route.dir().parent_path(), fs::perms::all, fs::perm_options::add);
    fs::permissions(route.dir(), fs::perms::all, fs::perm_options::add);
    for (const char* name : kOutputs)
      fs::permissions(route.dir() / name, fs::perms::all, fs::perm_options::add);
    fs::permissions(route.dir() / "R_1-.txt", fs::perms::none);
    const auto before = Snapshot(route.dir());
    std::vector<std::string> argv = {(route.dir().parent_path() / "percorso").string(), "compile",
                                     "--dir", route.dir().string(), "--line", "R", "--train", "1"};
    if (::geteuid() == 0) {
      if (!fs::exists("/usr/bin/setpriv")) GTEST_SKIP() << "setpriv is not installed";
      argv.insert(argv.begin(), {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534",
                                 "--clear-groups", "--"});
    }
    ProcessRequest request;
    request.argv = argv;
    ProcessResult r = RunProcess(request);
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "percorso: cannot read " + route.Path("R_1-.txt") + ": Permission denied\n");
    EXPECT_TRUE(SameFiles(Snapshot(route.dir()), before));
    EXPECT_EQ(fs::status(route.dir() / "R_1-.txt").permissions(), fs::perms::none);
  }
}

}  // namespace
}  // namespace percorso
