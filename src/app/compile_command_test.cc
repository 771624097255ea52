#include "app/compile_command.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <sstream>

#include "testing/temp_dir.h"

namespace percorso {
namespace {

// A text of the given lines, each ended by `eol`.
std::string Text(std::initializer_list<std::string> lines, const std::string& eol = "\r\n") {
  std::string s;
  for (const std::string& l : lines) s += l + eol;
  return s;
}

// A short line: 5000 m, so cells 0 to 240.
std::string SmallLine(const std::string& extra_row = "") {
  return Text({"[generale]", "lunghezza percorso,  5000", "[pendenze]", "pendenza,  0,  0",
               "curvad4,  1000,  200", extra_row, "[fine]"});
}

std::string SmallTrain(std::initializer_list<std::string> rows) {
  std::string s = Text({"[generale]", "velocita,  0,  100",
                        "stazione,  1000, 12, 400, 0,0,0, 1,1,0, 2,4,1, 1, 14,46,0, CITT\xC0"});
  for (const std::string& r : rows) s += r + "\r\n";
  return s + "aderenza,  0,  100\r\n[fine]\r\n";
}

struct Outcome {
  int status;
  std::string err;
};

Outcome Compile(const CompileOptions& o) {
  std::ostringstream out, err;
  int status = RunCompile(o, out, err);
  EXPECT_EQ(out.str(), "");  // the text form prints nothing on standard output
  return {status, err.str()};
}

Outcome Compile(const TempDir& dir) {
  CompileOptions o;
  o.dir = dir.path();
  return Compile(o);
}

std::string FirstLine(const std::string& s) { return s.substr(0, s.find('\n')); }
std::string LastLine(const std::string& s) {
  std::string t = s.substr(0, s.size() - 1);
  return t.substr(t.rfind('\n') + 1);
}

// One small text per family of errors: what the first diagnostic says, where, and the
// exit status and summary that follow.
TEST(CompileCommandTest, EachFamilyOfErrorsIsReportedAtItsPlace) {
  struct Case {
    const char* family;
    std::string linea, treno;
    std::string first_line;  // the diagnostic, with the directory cut off
    std::string summary;
    int status;
  };
  const std::string all = "R_linea.dat, R_1.sim, R_1.dat";
  const Case cases[] = {
      {"loader: station off 50 m", SmallLine(),
       SmallTrain({"stazione,  3025, 12, 400, 0,0,0, 1,1,0, 2,4,1, 1, 15,0,0, B"}),
       "R_1-.txt:4:12: error 8: a station stands off a multiple of 50 m",
       "result: error 8 at 3025 m; wrote " + all, kExitError},
      {"loader: number too wide, no position", SmallLine(), SmallTrain({"orologio, 99999, 0, 0"}),
       "R_1-.txt:4:11: error 25: the texts could not be loaded", "result: error 25; wrote " + all,
       kExitError},
      {"loader: no [generale] in the line", Text({"lunghezza percorso, 5000", "[fine]"}),
       SmallTrain({}), "R_linea.txt:3:1: error 102: the line description has no [generale] section",
       "result: error 102; wrote nothing", kExitError},
      {"marker writer: two signals in one cell", SmallLine(),
       SmallTrain({"segnale,  2000, 1, 4, 0, 0, 0, 0, 0,0,0, 0",
                   "segnale,  2000, 1, 4, 0, 0, 0, 0, 0,0,0, 0"}),
       "R_1-.txt:5:11: error 16: a signal stands on a cell that is already taken",
       "result: error 16 at 2000 m; wrote " + all, kExitError},
      {"line text writer: speed boards on a board", SmallLine("cartello_indicatore, 2950, (X)\r\n"
                                                              "indicatori_vmax, 2950, 100,,,0,,,,0"),
       SmallTrain({}), "R_linea.txt:7:18: error 21: a pair of speed boards stands on a cell",
       "result: error 21 at 2950 m; wrote " + all, kExitError},
      {"pass: the near window of a slowdown start is full", SmallLine(),
       SmallTrain({"velocita, 1500, 140", "abbattimento, 1700, 0", "abbattimento, 1750, 0",
                   "abbattimento, 1800, 0", "rallentamento,  2000, 120, 500, 0, 0, 0"}),
       "R_1.dat: error 12: no free cell for a protection point before a slowdown start",
       "result: error 12 at 2050 m; wrote " + all, kExitError},
      {"reserved places: an item with a value in cell 1", SmallLine(),
       SmallTrain({"abbattimento, 50, 7"}),
       "R_1-.txt:4:15: error 1250: a reserved place (slot 85 valore1 or cell 1 dato1) is already "
       "in use: an item of type 12, an abbattimento mark with a value, with dato1 = 7 stands at "
       "metres 50 to 99, put there by this row; the first 100 m of the line must stay free of "
       "items, since cell 1 holds the scenario's own codes (cell 1)",
       "result: error 1250; wrote nothing",
       kExitStopped},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.family);
    TempDir dir;
    dir.Write("R_linea.txt", c.linea);
    dir.Write("R_1-.txt", c.treno);
    Outcome r = Compile(dir);
    EXPECT_EQ(r.status, c.status);
    std::string shown = r.err;
    for (size_t at; (at = shown.find(dir.path().string() + "/")) != std::string::npos;)
      shown.erase(at, dir.path().string().size() + 1);
    EXPECT_EQ(FirstLine(shown).substr(0, c.first_line.size()), c.first_line) << shown;
    EXPECT_EQ(LastLine(shown), c.summary) << shown;
    // A stopped compile also shows the simulator's own stop line.
    if (c.status == kExitStopped) {
      EXPECT_NE(shown.find("\n Errore n. 1250\n"), std::string::npos) << shown;
    }
    bool written = c.summary.find("wrote nothing") == std::string::npos;
    EXPECT_EQ(dir.List().size(), written ? 5u : 2u);
  }
}

TEST(CompileCommandTest, PassErrorNamesTheCellAndTextErrorQuotesTheLine) {
  TempDir dir;
  dir.Write("R_linea.txt", SmallLine());
  dir.Write("R_1-.txt", SmallTrain({"abbattimento, 1700, 0", "abbattimento, 1750, 0",
                                    "abbattimento, 1800, 0",
                                    "rallentamento,  2000, 120, 500, 0, 0, 0",
                                    "\tsegnale,  2000, 1, 4, 0, 0, 0, 0, 0,0,0, 0"}));
  CompileOptions o;
  o.dir = dir.path();
  o.check = true;
  Outcome r = Compile(o);
  // The signal at 2000 m finds the slowdown's start cell 41 taken: the load stops there,
  // and the pass still finds the full window before the slowdown.
  const std::string d = dir.path().string() + "/";
  EXPECT_EQ(r.err, d + "R_1-.txt:8:12: error 16: a signal stands on a cell that is already "
                       "taken: signal at 2000 m: its cell 41 already holds an item: the start of a slowdown "
                "(`rallentamento`), put there by the row at R_1-.txt:7 (at 2000 m, cell 41)\n"
                       "\tsegnale,  2000, 1, 4, 0, 0, 0, 0, 0,0,0, 0\n"
                       "\t          ^\n" +
                       d + "R_1.dat: error 12: no free cell for a protection point before a "
                           "slowdown start: cells 36 to 34 before the slowdown start at cell 41 "
                           "are taken; the item on cell 41 comes from the row at R_1-.txt:7 "
                           "(at 2050 m, cell 41)\n"
                           "result: error 12 at 2050 m; wrote nothing\n");
  EXPECT_EQ(r.status, kExitError);
  EXPECT_EQ(dir.List().size(), 2u);  // --check writes nothing
}

// The compiled files of `dir` (plan, line, cell), read back.
std::vector<std::string> Compiled(const TempDir& dir) {
  return {dir.Read("R_linea.dat"), dir.Read("R_1.sim"), dir.Read("R_1.dat")};
}

std::string Utf8(std::string w1252) {
  for (size_t at; (at = w1252.find('\xC0')) != std::string::npos;) w1252.replace(at, 1, "\xC3\x80");
  return w1252;
}

std::string Lf(std::string crlf) {
  for (size_t at; (at = crlf.find("\r\n")) != std::string::npos;) crlf.erase(at, 1);
  return crlf;
}

TEST(CompileCommandTest, Utf8AndLineFeedTextsCompileLikeTheirWindows1252Twins) {
  const std::string linea = SmallLine("cartello_indicatore, 2950, (CITT\xC0)");
  const std::string treno = SmallTrain({"segnale,  2000, 1, 4, 0, 0, 0, 0, 0,0,0, 0"});
  TempDir original;
  original.Write("R_linea.txt", linea);
  original.Write("R_1-.txt", treno);
  ASSERT_EQ(Compile(original).status, kExitOk);
  ASSERT_NE(original.Read("R_1.sim").find("CITT\xC0"), std::string::npos);

  struct Twin {
    const char* what;
    std::string linea, treno;
  };
  const Twin twins[] = {
      {"UTF-8, CR LF", Utf8(linea), Utf8(treno)},
      {"UTF-8 with byte-order mark, LF", "\xEF\xBB\xBF" + Lf(Utf8(linea)), Lf(Utf8(treno))},
      {"Windows-1252, LF", Lf(linea), Lf(treno)},
  };
  for (const Twin& t : twins) {
    SCOPED_TRACE(t.what);
    TempDir dir;
    dir.Write("R_linea.txt", t.linea);
    dir.Write("R_1-.txt", t.treno);
    Outcome r = Compile(dir);
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(Compiled(dir), Compiled(original));
    EXPECT_EQ(dir.Read("R_linea.txt"), t.linea);  // the author's texts stay as they were
    EXPECT_EQ(dir.Read("R_1-.txt"), t.treno);
  }
}

TEST(CompileCommandTest, CharacterWindows1252CannotHoldIsError25AtItsLine) {
  // In the train data text: the line is still compiled; nothing of the train text is.
  TempDir dir;
  dir.Write("R_linea.txt", SmallLine());
  dir.Write("R_1-.txt", Lf(Utf8(SmallTrain({"segnale,  2000, 1, 4, 0, 0, 0, 0, 0,0,0, 0 \xE2\x9C\x93"}))));
  Outcome r = Compile(dir);
  EXPECT_EQ(r.status, kExitError);
  const std::string d = dir.path().string() + "/";
  EXPECT_EQ(r.err, d + "R_1-.txt:4:44: error 25: the texts could not be loaded: the character "
                       "U+2713 has no Windows-1252 form\n"
                       "segnale,  2000, 1, 4, 0, 0, 0, 0, 0,0,0, 0 \xE2\x9C\x93\n" +
                       std::string(43, ' ') + "^\n" +
                       "result: error 25; wrote " + d + "R_linea.dat, " + d + "R_1.sim, " + d +
                       "R_1.dat\n");
  EXPECT_EQ(dir.Read("R_1.dat")[41 * 15], 0) << "no signal was loaded";

  // In the line description: nothing is compiled at all.
  dir.Write("R_linea.txt", "[generale]\nlunghezza percorso, 5000 \xCE\xB1\n");
  std::filesystem::remove(dir.path() / "R_1.dat");
  r = Compile(dir);
  EXPECT_EQ(r.status, kExitError);
  EXPECT_EQ(FirstLine(r.err), d + "R_linea.txt:2:26: error 25: the texts could not be loaded: "
                                  "the character U+03B1 has no Windows-1252 form");
  EXPECT_EQ(LastLine(r.err), "result: error 25; wrote nothing (" + d + "R_linea.dat, " + d +
                                 "R_1.sim are from an earlier compile)");
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "R_1.dat"));
}

// A loader error after a character of several bytes: the loader counts the columns of the
// Windows-1252 text it reads, the quote shows the author's text; the caret must land on
// the same character in both encodings. The hours read the character, no number, as 0;
// the minutes 99999 do not fit: column 14, after 13 characters.
TEST(CompileCommandTest, CaretAfterAMultiByteCharacterEndToEnd) {
  struct Case {
    const char* what;
    std::string row;     // as the author wrote it
    std::string quoted;  // as the terminal shows it
  };
  const Case cases[] = {
      {"UTF-8, two bytes", "orologio, \xC3\xA8, 99999, 0", "orologio, \xC3\xA8, 99999, 0"},
      {"UTF-8, three bytes", "orologio, \xE2\x82\xAC, 99999, 0", "orologio, \xE2\x82\xAC, 99999, 0"},
      {"Windows-1252", "orologio, \x80, 99999, 0", "orologio, \xE2\x82\xAC, 99999, 0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    dir.Write("R_linea.txt", SmallLine());
    // A UTF-8 row (shown as written) goes into a UTF-8 text: Utf8() turns the station's
    // name into UTF-8 too.
    const bool from_utf8 = c.row == c.quoted;
    dir.Write("R_1-.txt", from_utf8 ? Utf8(SmallTrain({c.row})) : SmallTrain({c.row}));
    Outcome r = Compile(dir);
    EXPECT_EQ(r.status, kExitError);
    // The hours field first gives a not-a-number warning; the error follows it.
    std::istringstream lines(r.err);
    std::string head, quoted, caret;
    while (std::getline(lines, head) && head.find(": error ") == std::string::npos) {
    }
    std::getline(lines, quoted);
    std::getline(lines, caret);
    const std::string at = dir.path().string() + "/R_1-.txt:4:14: error 25: ";
    EXPECT_EQ(head.substr(0, at.size()), at) << r.err;
    EXPECT_EQ(quoted, c.quoted);
    EXPECT_EQ(caret, std::string(13, ' ') + "^");
  }
}

TEST(CompileCommandTest, NamesThatLeaveTheDirectoryWriteNothingAnywhere) {
  TempDir root;
  std::filesystem::create_directory(root.path() / "routes");
  // A pair one level up, where "../evil" would lead.
  root.Write("evil_linea.txt", SmallLine());
  root.Write("evil_1-.txt", SmallTrain({}));
  root.Write("routes/R_linea.txt", SmallLine());
  root.Write("routes/R_1-.txt", SmallTrain({}));
  const std::vector<std::string> before = root.List();

  struct Case {
    std::optional<std::string> linea, treno;
  };
  const Case cases[] = {{"../evil", "1"}, {"../evil", std::nullopt}, {"R", "../1"},
                        {"R", "a/b"},     {"", "1"},                 {"R\n", "1"},
                        {"..", "1"}};
  for (const Case& c : cases) {
    CompileOptions o;
    o.dir = root.path() / "routes";
    o.linea = c.linea;
    o.treno = c.treno;
    Outcome r = Compile(o);
    EXPECT_EQ(r.status, kExitUsage) << r.err;
    EXPECT_EQ(r.err.rfind("percorso: the ", 0), 0u) << r.err;
  }
  EXPECT_EQ(root.List(), before);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root.path() / "routes"),
                          std::filesystem::directory_iterator()),
            2);
}

TEST(CompileCommandTest, SaysWhichPairsThereAreWhenItCannotChoose) {
  TempDir dir;
  CompileOptions o;
  o.dir = dir.path();
  Outcome none = Compile(o);
  EXPECT_EQ(none.status, kExitUsage);
  EXPECT_EQ(none.err, "percorso: no pair of texts NAME_linea.txt + NAME_NUMBER-.txt in " +
                          dir.path().string() + "\n");

  dir.Write("R_linea.txt", SmallLine());
  dir.Write("R_1-.txt", SmallTrain({}));
  dir.Write("R_2-.txt", SmallTrain({}));
  Outcome two = Compile(o);
  EXPECT_EQ(two.status, kExitUsage);
  EXPECT_EQ(two.err, "percorso: " + dir.path().string() +
                         " holds 2 pairs of texts; choose one with --line and --train:\n"
                         "  --line R --train 1    (R_linea.txt + R_1-.txt)\n"
                         "  --line R --train 2    (R_linea.txt + R_2-.txt)\n");
  o.treno = "2";  // the line name is then found
  EXPECT_EQ(Compile(o).status, kExitOk);
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "R_2.sim"));
}

TEST(CompileCommandTest, FilesThatCannotBeReadOrWrittenStopTheCompile) {
  TempDir dir;
  dir.Write("R_linea.txt", SmallLine());
  dir.Write("R_1-.txt", SmallTrain({}));
  const std::string d = dir.path().string() + "/";

  CompileOptions o;
  o.dir = dir.path();
  o.linea = "R";
  o.treno = "9";
  Outcome missing = Compile(o);
  EXPECT_EQ(missing.status, kExitStopped);
  EXPECT_EQ(missing.err, "percorso: cannot read " + d + "R_9-.txt: No such file or directory\n");

  o.treno = "1";
  o.out = dir.path() / "R_1-.txt" / "build";  // under a file: cannot be created
  Outcome unwritable = Compile(o);
  EXPECT_EQ(unwritable.status, kExitStopped);
  EXPECT_EQ(unwritable.err, "percorso: cannot create directory " + d +
                                "R_1-.txt/build: Not a directory\n"
                                "result: no error; wrote nothing\n");
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"R_1-.txt", "R_linea.txt"}));

  o.out = dir.path() / "build";
  o.no_plan = true;
  Outcome ok = Compile(o);
  EXPECT_EQ(ok.status, kExitOk);
  EXPECT_EQ(ok.err, "result: no error; wrote " + d + "build/R_1.sim, " + d + "build/R_1.dat\n");
}

// --out is created with its parents, as build tools create their output directories.
TEST(CompileCommandTest, OutputDirectoryIsCreatedWithItsParents) {
  TempDir dir;
  dir.Write("R_linea.txt", SmallLine());
  dir.Write("R_1-.txt", SmallTrain({}));
  CompileOptions o;
  o.dir = dir.path();
  o.out = dir.path() / "out" / "a" / "b";
  EXPECT_EQ(Compile(o).status, kExitOk);
  EXPECT_TRUE(std::filesystem::is_regular_file(dir.path() / "out/a/b/R_1.dat"));
  o.check = true;  // a compile that writes nothing creates nothing either
  o.out = dir.path() / "unused";
  EXPECT_EQ(Compile(o).status, kExitOk);
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "unused"));
}

// A compile that writes nothing names the compiled files an earlier compile left, which
// would otherwise look like this compile's; those that are absent are not named.
TEST(CompileCommandTest, WroteNothingNamesTheFilesOfAnEarlierCompile) {
  const std::string too_long = Text({"[generale]", "lunghezza percorso, 2000000", "[fine]"});
  struct Case {
    const char* what;
    std::vector<std::string> earlier;  // compiled files already in the directory
    std::string linea;
    bool check;
    std::string summary;
  };
  const Case cases[] = {
      {"none there", {}, too_long, false, "result: error 1; wrote nothing"},
      {"all three", {"R_linea.dat", "R_1.sim", "R_1.dat"}, too_long, false,
       "result: error 1; wrote nothing (R_linea.dat, R_1.sim, R_1.dat are from an earlier "
       "compile)"},
      {"one, of another train too", {"R_1.dat", "R_2.dat"}, too_long, false,
       "result: error 1; wrote nothing (R_1.dat is from an earlier compile)"},
      {"--check", {"R_1.sim"}, SmallLine(), true,
       "result: no error; wrote nothing (R_1.sim is from an earlier compile)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    dir.Write("R_linea.txt", c.linea);
    dir.Write("R_1-.txt", SmallTrain({}));
    for (const std::string& name : c.earlier) dir.Write(name, "old");
    CompileOptions o;
    o.dir = dir.path();
    o.linea = "R";
    o.treno = "1";
    o.check = c.check;
    std::string shown = Compile(o).err;
    for (size_t at; (at = shown.find(dir.path().string() + "/")) != std::string::npos;)
      shown.erase(at, dir.path().string().size() + 1);
    EXPECT_EQ(LastLine(shown), c.summary) << shown;
  }
}

}  // namespace
}  // namespace percorso
