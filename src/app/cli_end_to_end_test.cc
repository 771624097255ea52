// The real executable, copied into scratch directories and run there as an author would.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

#include "builtin/builtin_texts.h"
#include "testing/temp_dir.h"

namespace percorso {
namespace {

struct ProcessResult {
  int status;
  std::string out, err;
};

// Runs `args` (already quoted for the shell) with the copy of the program in `dir`.
ProcessResult RunIn(const TempDir& dir, const std::string& args) {
  const std::filesystem::path exe = dir.path() / "percorso";
  if (!std::filesystem::exists(exe)) std::filesystem::copy_file(PERCORSO_EXE, exe);
  std::string cmd = "cd '" + dir.path().string() + "' && ./percorso " + args +
                    " >.stdout 2>.stderr";
  int raw = std::system(cmd.c_str());
  ProcessResult r{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, dir.Read(".stdout"), dir.Read(".stderr")};
  std::filesystem::remove(dir.path() / ".stdout");
  std::filesystem::remove(dir.path() / ".stderr");
  return r;
}

const char* const kCompiled[] = {"Valdoro_Ostrano_linea.dat", "Valdoro_Ostrano_55.sim",
                                 "Valdoro_Ostrano_55.dat"};

std::string Lf(std::string crlf) {
  for (size_t at; (at = crlf.find("\r\n")) != std::string::npos;) crlf.erase(at, 1);
  return crlf;
}

TEST(CliEndToEndTest, ExportThenCompileGivesTheFilesOfTheBuildRun) {
  TempDir build;
  ASSERT_EQ(RunIn(build, "").status, 0);

  TempDir author;
  author.Write("file", "");
  ProcessResult blocked = RunIn(author, "export --dir file/routes");
  EXPECT_EQ(blocked.status, 3);
  EXPECT_EQ(blocked.err.rfind("percorso: cannot create the directory file/routes: ", 0), 0u)
      << blocked.err;
  std::filesystem::remove(author.path() / "file");
  ProcessResult ex = RunIn(author, "export");
  ASSERT_EQ(ex.status, 0) << ex.err;
  EXPECT_EQ(ex.out, "wrote Valdoro_Ostrano_linea.txt, Valdoro_Ostrano_55-.txt\n");
  const std::string linea = author.Read("Valdoro_Ostrano_linea.txt");
  const std::string treno = author.Read("Valdoro_Ostrano_55-.txt");
  EXPECT_EQ(linea, RenderText(LineaRows()));
  EXPECT_EQ(treno, RenderText(TrenoRows()));

  ProcessResult compiled = RunIn(author, "compile");
  EXPECT_EQ(compiled.status, 0);
  EXPECT_EQ(compiled.err,
            "result: no error; wrote Valdoro_Ostrano_linea.dat, Valdoro_Ostrano_55.sim, "
            "Valdoro_Ostrano_55.dat\n");
  for (const char* name : kCompiled) {
    ASSERT_TRUE(std::filesystem::exists(build.path() / name)) << name;
    EXPECT_TRUE(author.Read(name) == build.Read(name)) << name << " differs from the build run's";
  }
  // The author's texts are read, never changed or deleted.
  EXPECT_EQ(author.Read("Valdoro_Ostrano_linea.txt"), linea);
  EXPECT_EQ(author.Read("Valdoro_Ostrano_55-.txt"), treno);
  // Exporting again keeps the texts the author may have edited.
  author.Write("Valdoro_Ostrano_55-.txt", "edited");
  EXPECT_EQ(RunIn(author, "export").status, 3);
  EXPECT_EQ(author.Read("Valdoro_Ostrano_55-.txt"), "edited");
  EXPECT_EQ(RunIn(author, "export --force").status, 0);
  EXPECT_EQ(author.Read("Valdoro_Ostrano_55-.txt"), treno);

  // The same texts with a byte-order mark and line feeds alone, compiled from another
  // directory into a third.
  TempDir twin;
  std::filesystem::create_directories(twin.path() / "src");
  std::filesystem::create_directories(twin.path() / "bin");
  twin.Write("src/Valdoro_Ostrano_linea.txt", "\xEF\xBB\xBF" + Lf(linea));
  twin.Write("src/Valdoro_Ostrano_55-.txt", Lf(treno));
  ProcessResult lf = RunIn(twin, "compile --dir src --out bin --line Valdoro_Ostrano --train 55");
  EXPECT_EQ(lf.status, 0) << lf.err;
  for (const char* name : kCompiled) {
    EXPECT_TRUE(twin.Read(std::string("bin/") + name) == build.Read(name)) << name;
  }
}

// Speed rows crowded into the last accepted cell of the built-in line (103800 m, cell
// 2076 of cells 0 to 2078): each row after the first writes one cell, so the last three
// cells hold 100, 90 and 80 km/h in units of 5, and the row that finds the speed cursor on
// the grid's last cell still writes it.
TEST(CliEndToEndTest, SpeedRowsAtTheEndOfTheGridReachTheLastCell) {
  TempDir dir;
  ASSERT_EQ(RunIn(dir, "export").status, 0);
  const std::string name = "Valdoro_Ostrano_55-.txt";
  std::string treno = dir.Read(name);
  const std::string last_speed = "velocita,   95700,    30\r\n";
  const size_t at = treno.find(last_speed);
  ASSERT_NE(at, std::string::npos);
  treno.insert(at + last_speed.size(),
               "velocita,   103800,   100\r\nvelocita,   103800,   90\r\n"
               "velocita,   103800,   80\r\nvelocita,   103800,   60\r\n");
  dir.Write(name, treno);
  ProcessResult r = RunIn(dir, "compile");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err.rfind("result: no error;", 0), 0u) << r.err;
  const std::string cells = dir.Read("Valdoro_Ostrano_55.dat");
  ASSERT_EQ(cells.size(), 15u * 2079);
  // `velocita` is byte 12 of a cell's 15 (tipo, dato1-4 as int16, tempo, preavviso,
  // montagna, then velocita).
  const auto velocita = [&](int cell) { return static_cast<uint8_t>(cells[15 * cell + 12]); };
  EXPECT_EQ(velocita(2075), 6);  // 30 km/h, filled by the first added row
  EXPECT_EQ(velocita(2076), 20);
  EXPECT_EQ(velocita(2077), 18);
  EXPECT_EQ(velocita(2078), 16);
}

TEST(CliEndToEndTest, HelpVersionAndUsageErrors) {
  TempDir dir;
  // Each stream either holds the given text or, where none is given, nothing at all:
  // help and version go to standard output alone, usage errors to standard error alone.
  struct Case {
    std::string args;
    int status;
    std::string out_has, err_has;  // "": the stream stays empty
  };
  const Case cases[] = {
      {"--help", 0, "Example:", ""},
      {"compile --help", 0, "percorso compile --dir routes --line Valdoro_Ostrano --train 55", ""},
      {"export --help", 0, "Example:", ""},
      {"dump --help", 0, "percorso dump routes/Valdoro_Ostrano_55.dat", ""},
      {"report --help", 0, "percorso report --dir routes", ""},
      {"dump", 2, "", "FILE is required"},
      {"--version", 0, std::string("percorso ") + PERCORSO_VERSION + "\n", ""},
      {"--frobnicate", 2, "", "--frobnicate"},
      {"compile --train", 2, "", "--train"},
      {"compile --line '../x' --train 1", 2, "", "must not contain a path separator"},
      {"compile --check", 2, "", "no pair of texts"},
  };
  const auto holds = [](const std::string& stream, const std::string& want) {
    return want.empty() ? stream.empty() : stream.find(want) != std::string::npos;
  };
  for (const Case& c : cases) {
    ProcessResult r = RunIn(dir, c.args);
    EXPECT_EQ(r.status, c.status) << c.args;
    EXPECT_TRUE(holds(r.out, c.out_has)) << c.args << ": stdout is \"" << r.out << "\"";
    EXPECT_TRUE(holds(r.err, c.err_has)) << c.args << ": stderr is \"" << r.err << "\"";
  }
  EXPECT_EQ(dir.List(), std::vector<std::string>{"percorso"});
}

TEST(CliEndToEndTest, DumpAndReportReadTheFilesOfTheBuildRun) {
  TempDir dir;
  ASSERT_EQ(RunIn(dir, "").status, 0);
  ProcessResult cells = RunIn(dir, "dump Valdoro_Ostrano_55.dat");
  EXPECT_EQ(cells.status, 0) << cells.err;
  // The signal at 10200 m stands on cell 205.
  EXPECT_NE(cells.out.find("cell   205  from   10250 m  tipo=1 (signal)"), std::string::npos);
  ProcessResult slots = RunIn(dir, "dump --json Valdoro_Ostrano_55.sim");
  EXPECT_EQ(slots.status, 0) << slots.err;
  EXPECT_NE(slots.out.find("\"Valdoro_Ostrano\""), std::string::npos);
  ProcessResult report = RunIn(dir, "report");
  EXPECT_EQ(report.status, 0) << report.err;
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "Valdoro_Ostrano_55_report.html"));
  // A cut cell file is refused with exit status 1, never a crash.
  dir.Write("Broken_1.dat", std::string(16, '\0'));
  EXPECT_EQ(RunIn(dir, "dump Broken_1.dat").status, 1);
}

}  // namespace
}  // namespace percorso
