// The whole build run: the real executable, copied into a scratch directory and started
// there with no arguments, as a user starts it.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <filesystem>
#include <string>
#include <vector>

#include "app/build_run.h"
#include "testing/compiled_files.h"
#include "compiler/compile.h"
#include "builtin/builtin_texts.h"
#include "testing/subprocess.h"
#include "testing/temp_dir.h"

namespace percorso {
namespace {

using testing::CellAt;
using testing::DecodeSlots;

struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
};

// Copies the executable into `dir` and runs the copy there.
RunResult RunCopy(const TempDir& dir) {
  const std::filesystem::path exe = dir.path() / "percorso";
  std::filesystem::copy_file(PERCORSO_EXE, exe);
  TempDir logs;
  const std::string cmd = "'" + exe.string() + "' >'" + (logs.path() / "out").string() +
                          "' 2>'" + (logs.path() / "err").string() + "' </dev/null";
  RunResult r;
  int raw = std::system(cmd.c_str());
  r.status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = logs.Read("out");
  r.err = logs.Read("err");
  return r;
}

TEST(WholeRun, BuiltInScenarioCompilesWithNoError) {
  // The same compile in memory, to see the error state itself.
  const std::string linea = RenderText(LineaRows());
  const std::string treno = RenderText(TrenoRows());
  Compilation out = CompileScenario(SourceText{ReadStatus::kOk, linea, "linea"},
                                    SourceText{ReadStatus::kOk, treno, "treno"},
                                    {kBuiltinLineName, kBuiltinTrainNumber});
  EXPECT_EQ(out.verdict, CompileVerdict::kCompiled);
  EXPECT_EQ(out.errors.numero, 0);
  EXPECT_TRUE(out.errors.log.empty());
  EXPECT_TRUE(out.deletions.linea);
  EXPECT_TRUE(out.deletions.treno);
}

TEST(WholeRun, LeavesTheCompiledFilesAndTheCrewDocuments) {
  TempDir dir;
  RunResult run = RunCopy(dir);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "Attendere\n");
  EXPECT_EQ(run.err, "");  // error number 0: no error line
  EXPECT_EQ(dir.List(), (std::vector<std::string>{
                            "Valdoro_Ostrano_55.dat",
                            "Valdoro_Ostrano_55.sim",
                            "Valdoro_Ostrano_55_note.txt",
                            "Valdoro_Ostrano_55_rallentamenti.txt",
                            "Valdoro_Ostrano_55_scheda_treno.txt",
                            "Valdoro_Ostrano_linea.dat",
                            "percorso",
                        }));

  const std::string cells = dir.Read("Valdoro_Ostrano_55.dat");
  ASSERT_EQ(cells.size(), 31185u);  // cells 0 to 2078
  EXPECT_EQ(dir.Read("Valdoro_Ostrano_linea.dat").size(), 2077964u);

  // Codes of "55valdoro_ostranoaabbccdd": plain sum 2522, weighted sum 33448.
  EXPECT_EQ(CellAt(cells, 1).dato1, 5121);
  EXPECT_EQ(CellAt(cells, 1).dato2, 2522);

  // The signal at 10200 m is cell 205, bytes 3075 to 3089.
  // tipo 1, dato1 41, dato2 0, dato3 0, dato4 4, tempo 0.
  EXPECT_EQ(cells.substr(3075, 10), std::string("\x01\x29\x00\x00\x00\x00\x00\x04\x00\x00", 10));
  EXPECT_EQ(CellAt(cells, 203).preavviso, 41);
  // The first station's stop cell: cell 8, slot 1, with its approach marks before it.
  EXPECT_EQ(CellAt(cells, 8).tipo, 10);
  EXPECT_EQ(CellAt(cells, 8).dato1, 1);
  EXPECT_EQ(CellAt(cells, 7).preavviso, 81);

  auto slots = DecodeSlots(dir.Read("Valdoro_Ostrano_55.sim"));
  ASSERT_TRUE(slots);
  const auto& s = *slots;
  EXPECT_EQ(s[85].nome, "Valdoro_Ostrano");
  EXPECT_EQ(s[85].valore1, 610);
  EXPECT_EQ(s[85].orario, 33448);
  EXPECT_EQ(s[86].nome, "55");
  EXPECT_EQ(s[86].inizio, 900);
  EXPECT_EQ(s[86].fine, 95700);
  EXPECT_EQ(s[86].posizione, 4);
  EXPECT_EQ(s[86].valore1, 300);
  EXPECT_EQ(s[86].valore3, 14);
  EXPECT_EQ(s[86].valore4, 45);
  EXPECT_EQ(s[86].valore5, 20);
  EXPECT_EQ(s[84].fine, 96900);
  // Stations in slots 1 to 16, each with its stop cell pointing back at its slot.
  for (int k = 1; k <= 16; ++k) {
    SCOPED_TRACE(k);
    EXPECT_FALSE(s[k].nome.empty());
    EXPECT_NE(s[k].tipo, 0);
    if (s[k].tipo < 25) {
      EXPECT_EQ(CellAt(cells, s[k].fine / 50 - 1).tipo, 10);
      EXPECT_EQ(CellAt(cells, s[k].fine / 50 - 1).dato1, k);
    }
  }
  EXPECT_EQ(s[17].nome, "");
  EXPECT_EQ(s[17].tipo, 0);
  // Boards in slots 80, 79, 78.
  for (int k : {80, 79, 78}) EXPECT_EQ(s[k].nome.front(), '(') << k;
  EXPECT_EQ(s[77].nome, "");
  EXPECT_EQ(s[0].nome, "");
}

TEST(WholeRun, ASecondRunGivesByteIdenticalFiles) {
  TempDir first;
  TempDir second;
  ASSERT_EQ(RunCopy(first).status, 0);
  // The second directory starts with longer junk under every name the run writes.
  for (const std::string& name : first.List()) {
    if (name != "percorso") second.Write(name, std::string(3000000, 'z'));
  }
  ASSERT_EQ(RunCopy(second).status, 0);
  ASSERT_EQ(first.List(), second.List());
  for (const std::string& name : first.List()) {
    if (name == "percorso") continue;
    EXPECT_TRUE(first.Read(name) == second.Read(name)) << name;
  }
}

TEST(WholeRun, ACompiledFileThatCannotBeWrittenEndsTheRunNamingIt) {
  TempDir dir;
  const std::filesystem::path in_the_way = dir.path() / "Valdoro_Ostrano_55.sim";
  std::filesystem::create_directory(in_the_way);
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(RunBuild(dir.path(), out, err), 3);
  EXPECT_EQ(out.str(), "Attendere\n");
  EXPECT_EQ(err.str(), "percorso: cannot write " + in_the_way.string() + ": Is a directory\n");
  // The plan file came first and was written; the cell file after it was not.
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "Valdoro_Ostrano_linea.dat"));
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "Valdoro_Ostrano_55.dat"));
}

// The build run's paths that its own texts never take, reached through the directory it
// runs in, as an ordinary user (root, who reads and opens anything, runs it as "nobody"):
// - a directory it may write but not read cannot be locked: the run says so and goes on;
// - a umask that leaves the texts it writes unreadable: it cannot read them back, so the
//   load stops before the grid exists, nothing is compiled, and the recorded error is
//   reported on its line of standard error. The run itself ended normally: status 0.
TEST(WholeRun, LockThatCannotBeTakenAndTextsThatCannotBeReadBack) {
  const std::vector<std::string> crew = {"Valdoro_Ostrano_55_note.txt",
                                         "Valdoro_Ostrano_55_rallentamenti.txt",
                                         "Valdoro_Ostrano_55_scheda_treno.txt"};
  std::vector<std::string> everything = {"Valdoro_Ostrano_55.dat", "Valdoro_Ostrano_55.sim"};
  everything.insert(everything.end(), crew.begin(), crew.end());
  everything.push_back("Valdoro_Ostrano_linea.dat");
  everything.push_back("percorso");
  std::vector<std::string> crew_only = crew;
  crew_only.push_back("percorso");

  struct Case {
    const char* what;
    std::filesystem::perms dir_mode;
    const char* umask;
    std::string err;  // "DIR" stands for the directory's path
    std::vector<std::string> left;
  };
  using P = std::filesystem::perms;
  const Case cases[] = {
      {"a directory that cannot be read is not locked",
       P::owner_write | P::owner_exec | P::others_write | P::others_exec, "022",
       "percorso: cannot lock DIR: Permission denied; going on without the lock\n", everything},
      {"texts written unreadable: nothing compiled, the error reported", P::all, "0444",
       "percorso: nothing was compiled: the load stopped before the line length was read\n"
       "error 25: the texts could not be loaded (a text missing or unreadable, a row cut short, "
       "a number out of range, no line length, or a text that could not be deleted)\n",
       crew_only},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir root;
    std::filesystem::permissions(root.path(), P::others_exec, std::filesystem::perm_options::add);
    const std::filesystem::path dir = root.path() / "run";
    std::filesystem::create_directory(dir);
    const std::filesystem::path exe = CopyExecutableInto(dir);
    std::filesystem::permissions(exe, P::all, std::filesystem::perm_options::add);
    std::filesystem::permissions(dir, c.dir_mode);
    ProcessRequest request;
    if (::geteuid() == 0) {
      if (!std::filesystem::exists("/usr/bin/setpriv")) GTEST_SKIP() << "setpriv is not installed";
      request.argv = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                      "--"};
    }
    request.argv.insert(request.argv.end(),
                        {"/bin/sh", "-c", std::string("umask ") + c.umask + " && exec \"$0\"",
                         exe.string()});
    request.cwd = root.path();
    ProcessResult r = RunProcess(request);
    std::filesystem::permissions(dir, P::all);
    std::string err = c.err;
    if (size_t at = err.find("DIR"); at != std::string::npos) err.replace(at, 3, dir.string());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Attendere\n");
    EXPECT_EQ(r.err, err);
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(dir))
      left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, c.left);
  }
}

}  // namespace
}  // namespace percorso
