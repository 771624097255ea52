// Hostile and huge input met by the real executable: texts of many megabytes, a field of
// megabytes, a million rows in one cell, names that try to leave the directory, two
// compiles at once into one directory, and the locale, environment and current
// directory a run starts in.
#include <gtest/gtest.h>
#include <locale.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "compiler/diagnostics.h"
#include "format/decode.h"
#include "builtin/builtin_texts.h"
#include "testing/subprocess.h"
#include "testing/same_bytes.h"
#include "testing/temp_dir.h"

namespace percorso {
namespace {

namespace fs = std::filesystem;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

std::string FirstLine(const std::string& s) { return s.substr(0, s.find('\n')); }


const std::string kLineHead =
    "[generale]\r\nlunghezza percorso,  5000\r\n[pendenze]\r\npendenza,  0,  0\r\n";
const std::string kTrainHead =
    "[generale]\r\nvelocita,  0,  100\r\n"
    "stazione,  1000, 12, 400, 0,0,0, 1,1,0, 2,4,1, 1, 14,46,0, CITTA\r\n";
const std::string kEnd = "[fine]\r\n";

// A scratch root with a copy of the program and one route directory.
class Scratch {
 public:
  Scratch() : exe_(CopyExecutableInto(root_.path())) { fs::create_directory(Dir()); }
  fs::path Dir() const { return root_.path() / "route"; }
  const fs::path& root() const { return root_.path(); }
  const fs::path& exe() const { return exe_; }

  void Texts(const std::string& linea, const std::string& treno) const {
    WriteFile(Dir() / "R_linea.txt", linea);
    WriteFile(Dir() / "R_1-.txt", treno);
  }
  ProcessResult Compile(std::vector<std::string> extra = {}) const {
    ProcessRequest request;
    request.argv = {exe_.string(), "compile", "--dir", Dir().string()};
    request.argv.insert(request.argv.end(), extra.begin(), extra.end());
    return RunProcess(request);
  }
  std::string Read(const std::string& name) const { return ReadFile(Dir() / name); }

 private:
  TempDir root_;
  fs::path exe_;
};

// Size of the big texts: 100 MB; 16 MB in a sanitized build, where the program runs
// several times slower. PERCORSO_HUGE_MB sets another size.
size_t HugeBytes() {
  const char* mb = std::getenv("PERCORSO_HUGE_MB");
  const long fallback = kSanitized ? 16 : 100;
  const long n = mb != nullptr ? std::atol(mb) : fallback;
  return static_cast<size_t>(n > 0 ? n : fallback) << 20;
}

// The memory a compile may take for `input` bytes of text: the text is held whole a few
// times over (read, converted, quoted), never more.
long RssBoundKb(size_t input) {
  const long factor = kSanitized ? 12 : 5;
  const long base_mb = kSanitized ? 256 : 64;
  return factor * static_cast<long>(input >> 10) + (base_mb << 10);
}

// Writes `head`, then `unit` over and over until at least `bytes` of it, then `tail`,
// without holding the text in memory: the test process stays small, so the peak memory
// measured for the program (which starts as a copy of it) is the program's own.
size_t WriteRepeated(const fs::path& path, const std::string& head, const std::string& unit,
                     size_t bytes, const std::string& tail) {
  std::ofstream out(path, std::ios::binary);
  out << head;
  std::string block;
  while (block.size() < (1u << 20)) block += unit;
  size_t written = 0;
  for (; written + block.size() <= bytes; written += block.size()) out << block;
  for (; written < bytes; written += unit.size()) out << unit;
  out << tail;
  return head.size() + written + tail.size();
}

TEST(HostileInputTest, HugeTextsGiveACorrectResultOrAClearErrorInBoundedMemory) {
  const size_t huge = HugeBytes();
  Scratch plain;
  plain.Texts(kLineHead + kEnd, kTrainHead + kEnd);
  ASSERT_EQ(plain.Compile().status, 0);

  // Comment lines in both texts: the same compiled files as without them.
  {
    Scratch s;
    const std::string comment = "-- a note of the author, with no comma in it at all --\r\n";
    const size_t size = WriteRepeated(s.Dir() / "R_linea.txt", kLineHead, comment, huge, kEnd) +
                        WriteRepeated(s.Dir() / "R_1-.txt", kTrainHead, comment, huge, kEnd);
    ProcessResult r = s.Compile();
    EXPECT_EQ(r.status, 0) << FirstLine(r.err);
    for (const char* name : {"R_linea.dat", "R_1.sim", "R_1.dat"})
      EXPECT_TRUE(SameBytes(s.Read(name), plain.Read(name))) << name;
    EXPECT_LE(r.peak_rss_kb, RssBoundKb(size));
    std::cout << "comment lines, " << (size >> 20) << " MB in all: peak RSS "
              << r.peak_rss_kb / 1024 << " MB\n";
  }

  // One line with no line end, and a field of eight megabytes: error 25 naming the line,
  // the column and the length, with a short quote of the line.
  const std::string station = "stazione,  3000, 12, 400, 0,0,0, 1,1,0, 2,4,1, 1, 14,46,0, ";
  const size_t field = 8 << 20;
  struct Case {
    const char* what;
    const char* file;  // the text that holds the huge part
    std::string head, unit;
    size_t bytes;
    std::string tail;
    std::string where;  // "R_linea.txt:1:1"
    std::string why;
  };
  const Case cases[] = {
      {"one line with no line end", "R_linea.txt", "", "x", huge, "", "R_linea.txt:1:1",
       "text field of " + std::to_string(huge) + " bytes is longer than 65535 bytes"},
      {"a field of eight megabytes", "R_1-.txt", kTrainHead + station, "N", field, "\r\n" + kEnd,
       "R_1-.txt:4:" + std::to_string(station.size() + 1),
       "text field of " + std::to_string(field) + " bytes is longer than 65535 bytes"},
  };
  for (const Case& c : cases) {
    Scratch s;
    s.Texts(kLineHead + kEnd, kTrainHead + kEnd);
    const size_t size = WriteRepeated(s.Dir() / c.file, c.head, c.unit, c.bytes, c.tail);
    ProcessResult r = s.Compile();
    EXPECT_EQ(r.status, 1) << c.what;
    const std::string first = FirstLine(r.err);
    EXPECT_EQ(first.rfind((s.Dir() / c.where).string() + ": error 25: ", 0), 0u) << first;
    EXPECT_TRUE(first.size() > c.why.size() &&
                first.compare(first.size() - c.why.size(), c.why.size(), c.why) == 0)
        << first;
    EXPECT_LT(r.err.size(), 2048u) << c.what << ": the message quotes the whole line";
    EXPECT_LE(r.peak_rss_kb, RssBoundKb(size)) << c.what;
    std::cout << c.what << ", " << (size >> 20) << " MB: peak RSS " << r.peak_rss_kb / 1024
              << " MB\n";
  }
}

// A file of 100 GB that costs nothing: the bytes given, then a hole up to the size.
void MakeSparse(const fs::path& path, uint64_t size) {
  std::error_code ec;
  fs::resize_file(path, size, ec);
  ASSERT_FALSE(ec) << path << ": " << ec.message();
}

TEST(HostileInputTest, SparseFilesOfAHundredGigabytesAreRefusedByEveryReader) {
  constexpr uint64_t kHundredGb = uint64_t{100} << 30;
  const std::string size = std::to_string(kHundredGb) + " bytes";
  struct Case {
    const char* what;
    const char* file;  // made sparse after a plain compile
    std::vector<std::string> args;  // after the program; "DIR" stands for the route directory
    std::string limit;  // the limit the message names
    int status;
  };
  const Case cases[] = {
      {"compile, the line description", "R_linea.txt", {"compile", "--dir", "DIR"}, "268435456", 3},
      {"compile, the train text", "R_1-.txt", {"compile", "--dir", "DIR"}, "268435456", 3},
      // The plan of a line of 5000 m: points 0 to 12000, ten bytes at most each, twice.
      {"decompile, the plan", "R_linea.dat", {"decompile", "--dir", "DIR", "--out", "DIR/t"},
       "240020", 3},
      {"decompile, the cells", "R_1.dat", {"decompile", "--dir", "DIR", "--out", "DIR/t"},
       "67108864", 3},
      {"dump", "R_1.sim", {"dump", "DIR/R_1.sim"}, "67108864", 3},
      {"report", "R_1.dat", {"report", "--dir", "DIR"}, "67108864", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Scratch s;
    s.Texts(kLineHead + kEnd, kTrainHead + kEnd);
    ASSERT_EQ(s.Compile().status, 0);
    MakeSparse(s.Dir() / c.file, kHundredGb);
    ProcessRequest request;
    request.argv = {s.exe().string()};
    for (std::string a : c.args) {
      if (a.rfind("DIR", 0) == 0) a = s.Dir().string() + a.substr(3);
      request.argv.push_back(a);
    }
    ProcessResult r = RunProcess(request);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_NE(r.err.find(c.file), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(size), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("limit of " + c.limit + " bytes"), std::string::npos) << r.err;
    EXPECT_LT(r.peak_rss_kb, 256 << 10) << "KB";
  }
}

TEST(HostileInputTest, AMillionRowsInOneCellStayInsideTheGrid) {
  // Every row after the first pushes the fill cursor on by one cell: the gradient and
  // the speed of the rows reach the end of the grid and no further.
  Scratch s;
  const std::string pendenza = "pendenza,  1000,  5\r\n";
  const std::string velocita = "velocita,  2000,  60\r\n";
  const size_t size =
      WriteRepeated(s.Dir() / "R_linea.txt", kLineHead, pendenza, 1000000 * pendenza.size(),
                    kEnd) +
      WriteRepeated(s.Dir() / "R_1-.txt", kTrainHead, velocita, 1000000 * velocita.size(), kEnd);
  ProcessResult r = s.Compile();
  EXPECT_EQ(r.status, 0) << FirstLine(r.err);
  EXPECT_LE(r.peak_rss_kb, RssBoundKb(size));
  std::cout << "a million rows in one cell, twice: peak RSS " << r.peak_rss_kb / 1024 << " MB\n";

  Decoded<std::vector<TrackCell>> cells = DecodeCellFile(s.Read("R_1.dat"));
  ASSERT_TRUE(cells.ok());
  const std::vector<TrackCell>& c = cells.value;
  ASSERT_EQ(c.size(), 241u);  // 5000 m + 7000 m
  for (size_t k = 0; k + 3 < c.size(); ++k) {
    EXPECT_EQ(c[k].pendenza, k < 20 ? 100 : 105) << "cell " << k;
    EXPECT_EQ(c[k].velocita, k < 40 ? 20 : 12) << "cell " << k;
  }
}

TEST(HostileInputTest, ALongLineIsQuotedAroundTheColumn) {
  std::string line = std::string(5000, 'a') + "\xC3\xA8" + std::string(5000, 'b');
  Diagnostic d;
  d.numero = 25;
  d.origin = ErrorOrigin::kLineText;
  d.line = 2;
  d.column = 5001;  // the è, one character of two bytes
  const std::string original = "first\r\n" + line + "\r\nlast\r\n";
  const QuotedText text{"R_linea.txt", original, true};
  std::ostringstream err;
  WriteDiagnostic(err, d, "meaning", &text, "R_1.dat");
  std::istringstream lines(err.str());
  std::string head, quote, caret;
  std::getline(lines, head);
  std::getline(lines, quote);
  std::getline(lines, caret);
  EXPECT_EQ(head, "R_linea.txt:2:5001: error 25: meaning");
  EXPECT_EQ(quote, "..." + std::string(80, 'a') + "\xC3\xA8" + std::string(79, 'b') + "...");
  EXPECT_EQ(caret, std::string(83, ' ') + "^");
}

TEST(HostileInputTest, NamesThatLeaveTheDirectoryWriteNothingOutsideIt) {
  Scratch s;
  s.Texts(kLineHead + kEnd, kTrainHead + kEnd);
  // A pair whose names would lead out of the directory, next to the good one.
  WriteFile(s.Dir() / ".._linea.txt", kLineHead + kEnd);
  WriteFile(s.Dir() / ".._1-.txt", kTrainHead + kEnd);
  WriteFile(s.Dir() / "a\\b_linea.txt", kLineHead + kEnd);
  WriteFile(s.Dir() / "a\\b_1-.txt", kTrainHead + kEnd);
  const fs::path out = s.root() / "out";
  fs::create_directory(out);
  auto listing = [&] {
    std::vector<std::string> all;
    for (const auto& e : fs::recursive_directory_iterator(s.root()))
      all.push_back(fs::relative(e.path(), s.root()).string());
    std::sort(all.begin(), all.end());
    return all;
  };
  const std::vector<std::string> before = listing();
  // The names refused are tabled where they are checked (model/names_test.cc) and where
  // the options reach the check (app/compile_command_test.cc); here, the real program with
  // one name of each kind.
  const std::vector<std::string> names[] = {
      {"--line", "../route/R", "--train", "1"},
      {"--line", "R", "--train", "\\..\\1"},
  };
  for (const auto& args : names) {
    std::vector<std::string> a = args;
    a.insert(a.end(), {"--out", out.string()});
    ProcessResult r = s.Compile(a);
    EXPECT_EQ(r.status, 2) << args[1] << " " << args[3] << ": " << r.err;
    EXPECT_EQ(r.err.rfind("percorso: the ", 0), 0u) << r.err;
  }
  EXPECT_EQ(listing(), before);
  // Found by itself, only the good pair is compiled, into the chosen directory only.
  ProcessResult r = s.Compile({"--out", out.string()});
  EXPECT_EQ(r.status, 0) << r.err;
  std::vector<std::string> after = before;
  for (const char* name : {"out/R_linea.dat", "out/R_1.sim", "out/R_1.dat"}) after.push_back(name);
  std::sort(after.begin(), after.end());
  EXPECT_EQ(listing(), after);
}

TEST(HostileInputTest, TwoCompilesAtOnceLeaveWholeFilesOfOneOrTheOther) {
  // Two versions of the built-in route, the second with other speeds; both are started
  // into one directory together, again and again. Whether a round's two runs overlap is
  // up to the scheduler (on two busy cores they may well run one after the other); the
  // claim is that, overlapping or not, every file left is one run's whole file. The writer
  // itself is raced at a barrier in base/file_io_test.cc.
  Scratch first;
  Scratch second;
  const std::string linea = RenderText(LineaRows());
  const std::string treno = RenderText(TrenoRows());
  std::string faster = treno;
  for (size_t at = 0; (at = faster.find("velocita,", at)) != std::string::npos; at += 9)
    faster.replace(faster.find("\r\n", at) - 2, 1, "9");
  ASSERT_NE(faster, treno);
  for (const Scratch* s : {&first, &second}) {
    WriteFile(s->Dir() / "Valdoro_Ostrano_linea.txt", linea);
    WriteFile(s->Dir() / "Valdoro_Ostrano_55-.txt", s == &first ? treno : faster);
    ASSERT_EQ(s->Compile().status, 0);
  }
  const char* const outputs[] = {"Valdoro_Ostrano_linea.dat", "Valdoro_Ostrano_55.sim",
                                 "Valdoro_Ostrano_55.dat"};
  ASSERT_NE(first.Read(outputs[2]), second.Read(outputs[2]));

  TempDir shared;
  auto request = [&](const Scratch& s) {
    ProcessRequest p;
    p.argv = {s.exe().string(), "compile", "--dir", s.Dir().string(), "--out",
              shared.path().string()};
    return p;
  };
  for (int round = 0; round < 12; ++round) {
    RunningProcess a(request(first));
    RunningProcess b(request(second));
    ProcessResult ra = a.Wait();
    ProcessResult rb = b.Wait();
    ASSERT_EQ(ra.status, 0) << ra.err;
    ASSERT_EQ(rb.status, 0) << rb.err;
    for (const char* name : outputs) {
      const std::string bytes = shared.Read(name);
      EXPECT_TRUE(bytes == first.Read(name) || bytes == second.Read(name))
          << "round " << round << ": " << name << " is a mix of both runs";
    }
    // Only the three files: no temporary file left behind by either run.
    EXPECT_EQ(shared.List(), (std::vector<std::string>{"Valdoro_Ostrano_55.dat",
                                                       "Valdoro_Ostrano_55.sim",
                                                       "Valdoro_Ostrano_linea.dat"}));
  }
}

TEST(HostileInputTest, TwoBuildRunsAtOnceInOneDirectoryBothCompileCleanly) {
  // Both runs write, read back and delete texts of the same names in the one directory;
  // the second waits for the first, so neither reads the other's half-finished texts.
  TempDir dir;
  const std::filesystem::path exe = CopyExecutableInto(dir.path());
  ProcessRequest request;
  request.argv = {exe.string()};
  request.cwd = dir.path();
  ASSERT_EQ(RunProcess(request).status, 0);
  std::vector<std::string> names = dir.List();
  std::vector<std::string> reference;
  for (const std::string& n : names) reference.push_back(n == "percorso" ? "" : dir.Read(n));
  for (int round = 0; round < 10; ++round) {
    RunningProcess a(request);
    RunningProcess b(request);
    ProcessResult ra = a.Wait();
    ProcessResult rb = b.Wait();
    ASSERT_EQ(ra.status, 0) << ra.err;
    ASSERT_EQ(rb.status, 0) << rb.err;
    EXPECT_EQ(ra.err + rb.err, "") << "round " << round;
    ASSERT_EQ(dir.List(), names) << "round " << round;
    for (size_t i = 0; i < names.size(); ++i) {
      if (names[i] == "percorso") continue;
      EXPECT_TRUE(dir.Read(names[i]) == reference[i]) << "round " << round << ": " << names[i];
    }
  }
}

bool LocaleInstalled(const char* name) {
  locale_t l = ::newlocale(LC_ALL_MASK, name, static_cast<locale_t>(0));
  if (l == static_cast<locale_t>(0)) return false;
  ::freelocale(l);
  return true;
}

TEST(HostileInputTest, OutputsDoNotDependOnLocaleEnvironmentOrCurrentDirectory) {
  // Keywords in capitals and in small letters, with the letters a Turkish locale pairs
  // differently ("I" with dotless "ı", "i" with dotted "İ"): matching works on the
  // bytes, so both texts compile alike in every locale.
  const std::string line_upper =
      "[GENERALE]\r\nLUNGHEZZA PERCORSO,  5000\r\n[PENDENZE]\r\nPENDENZA,  0,  0\r\n"
      "CURVAD4,  1000,  200\r\nINDICATORI_VMAX,  1350,  125,  135,  145,  0,  ,  ,  ,  0\r\n"
      "[FINE]\r\n";
  const std::string train_upper =
      "[Generale]\r\nVELOCITA,  0,  100\r\nADERENZA,  0,  100\r\n"
      "STAZIONE,  1000, 12, 400, 0,0,0, 1,1,0, 2,4,1, 1, 14,46,0, CITT\xC0 D'ISOLA\r\n"
      "[FINE]\r\n";
  const std::string train_lower =
      "[generale]\r\nvelocita,  0,  100\r\naderenza,  0,  100\r\n"
      "stazione,  1000, 12, 400, 0,0,0, 1,1,0, 2,4,1, 1, 14,46,0, CITT\xC0 D'ISOLA\r\n"
      "[fine]\r\n";
  const std::string line_with_board =
      kLineHead + "curvad4,  1000,  200\r\n"
      "indicatori_vmax,  1350,  125,  135,  145,  0,  ,  ,  ,  0\r\n" + kEnd;

  Scratch reference;
  reference.Texts(line_with_board, train_lower);
  ProcessRequest c_locale;
  c_locale.argv = {reference.exe().string(), "compile", "--dir", reference.Dir().string()};
  c_locale.env = std::vector<std::string>{"LC_ALL=C"};
  ASSERT_EQ(RunProcess(c_locale).status, 0);
  std::map<std::string, std::string> want;
  for (const char* name : {"R_linea.dat", "R_1.sim", "R_1.dat"}) want[name] = reference.Read(name);

  std::vector<std::vector<std::string>> envs = {
      {},
      {"LC_ALL=C.UTF-8"},
      {"LANG=C", "LC_CTYPE=POSIX"},
      {"HOME=/nonexistent", "TMPDIR=/nonexistent", "PATH=", "IFS=,", "POSIXLY_CORRECT=1"},
  };
  std::vector<std::string> missing;
  for (const char* name : {"tr_TR.UTF-8", "tr_TR.ISO-8859-9", "de_DE.UTF-8"}) {
    if (LocaleInstalled(name))
      envs.push_back({std::string("LC_ALL=") + name});
    else
      missing.push_back(name);
  }
  if (!missing.empty()) {
    std::cout << "locales not installed, not tried:";
    for (const std::string& m : missing) std::cout << " " << m;
    std::cout << "\n";
  }

  for (const auto& env : envs) {
    std::string shown;
    for (const std::string& e : env) shown += e + " ";
    // Run from another directory, naming the texts by a relative path.
    Scratch s;
    s.Texts(line_upper, train_upper);
    ProcessRequest p;
    p.argv = {s.exe().string(), "compile", "--dir", "route"};
    p.cwd = s.root();
    p.env = env;
    ProcessResult r = RunProcess(p);
    EXPECT_EQ(r.status, 0) << shown << r.err;
    for (const auto& [name, bytes] : want)
      EXPECT_TRUE(SameBytes(s.Read(name), bytes)) << shown << name;
  }

  // The build run: the same bytes in its own directory whatever the locale and
  // wherever it is started from.
  std::map<std::string, std::string> built;
  for (const auto& env : envs) {
    TempDir dir;
    TempDir elsewhere;
    ProcessRequest p;
    p.argv = {CopyExecutableInto(dir.path()).string()};
    p.cwd = elsewhere.path();
    p.env = env;
    ASSERT_EQ(RunProcess(p).status, 0);
    EXPECT_TRUE(elsewhere.List().empty());
    for (const std::string& name : dir.List()) {
      if (name == "percorso") continue;
      const std::string bytes = dir.Read(name);
      auto [it, fresh] = built.emplace(name, bytes);
      if (!fresh) {
        EXPECT_TRUE(SameBytes(bytes, it->second)) << name;
      }
    }
  }
  EXPECT_EQ(built.size(), 6u);  // three compiled files and three crew documents
}

}  // namespace
}  // namespace percorso
