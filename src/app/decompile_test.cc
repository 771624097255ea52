#include "decompile/decompile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>

#include "app/decompile_command.h"
#include "format/plan_file.h"
#include "decompile/compile_call.h"
#include "testing/random_scenario.h"
// Before the compiled-file readers, whose namespace percorso::testing would hide gtest's.
#include "testing/same_bytes.h"
#include "testing/compiled_files.h"
#include "builtin/builtin_texts.h"
#include "model/line_list.h"
#include "testing/max_scenario.h"
#include "testing/temp_dir.h"

namespace percorso {
namespace {

struct Scenario {
  std::string nome_linea;
  std::string numero_treno;
  std::string linea;
  std::string treno;
  bool with_plan = true;
};

Scenario Builtin(bool with_plan) {
  return {"Valdoro_Ostrano", "55", RenderText(LineaRows()), RenderText(TrenoRows()), with_plan};
}

RecompiledFiles CompileScenarioTexts(const Scenario& s) {
  return CompileTexts(s.nome_linea, s.numero_treno, s.linea, s.treno, s.with_plan);
}

std::string Listed(const Decompiled& d) {
  std::string s;
  for (const Unreproduced& u : d.lost) s += DescribePlace(u) + ": " + u.why + "\n";
  return s;
}

Decompiled DecompileFiles(const Scenario& s, const RecompiledFiles& f) {
  CompiledFiles files;
  files.nome_linea = s.nome_linea;
  files.numero_treno = s.numero_treno;
  files.cell_file = f.cell_file;
  files.line_file = f.line_file;
  if (f.plan_file) files.plan_file = *f.plan_file;
  return Decompile(files);
}

// Compiles the scenario, decompiles its files, compiles the recovered texts and expects
// the same three files, byte for byte.
void ExpectRoundTrip(const Scenario& s) {
  RecompiledFiles first = CompileScenarioTexts(s);
  ASSERT_TRUE(first.written);
  ASSERT_EQ(first.error_number, 0);
  Decompiled d = DecompileFiles(s, first);
  ASSERT_FALSE(d.corrupt.has_value());
  EXPECT_TRUE(d.exact()) << Listed(d);
  Scenario back = s;
  back.linea = d.linea;
  back.treno = d.treno;
  RecompiledFiles second = CompileScenarioTexts(back);
  ASSERT_TRUE(second.written);
  EXPECT_EQ(second.error_number, 0);
  EXPECT_TRUE(SameBytes(first.cell_file, second.cell_file));
  EXPECT_TRUE(SameBytes(first.line_file, second.line_file));
  ASSERT_EQ(first.plan_file.has_value(), second.plan_file.has_value());
  if (first.plan_file) {
    EXPECT_TRUE(*first.plan_file == *second.plan_file);
  }
}

int CountLines(const std::string& text, const std::string& prefix) {
  int n = 0;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) n += line.rfind(prefix, 0) == 0;
  return n;
}

TEST(DecompileRoundTrip, BuiltinScenarioWithAndWithoutPlan) {
  ExpectRoundTrip(Builtin(true));
  ExpectRoundTrip(Builtin(false));
}

// The built-in texts' own rows come back; what the compiler adds does not.
TEST(DecompileRoundTrip, BuiltinRowsAreTheAuthorsOnly) {
  Scenario s = Builtin(true);
  RecompiledFiles f = CompileScenarioTexts(s);
  Decompiled d = DecompileFiles(s, f);
  ASSERT_TRUE(d.exact()) << Listed(d);
  // 60 curves, 16 stations, 2 slowdowns and 3 indicator boards in the built-in texts.
  EXPECT_EQ(CountLines(d.linea, "curva"), 60);
  EXPECT_EQ(CountLines(d.treno, "stazione,"), 16);
  EXPECT_EQ(CountLines(d.treno, "rallentamento,"), 2);
  EXPECT_EQ(CountLines(d.linea, "cartello_indicatore,"), 3);
  EXPECT_NE(d.treno.find("rallentamento,  26500,  30,  1200,  0,  0,  30\r\n"), std::string::npos);
  EXPECT_NE(d.linea.find("curvad4,  1100,  250\r\n"), std::string::npos);
  EXPECT_NE(d.linea.find("progressiva chilometrica uno,  0,  96900,  1\r\n"), std::string::npos);
  // The protection pass places type-12 points around the slowdowns, but the texts have
  // no abbattimento row: those points are the pass's.
  int points = 0;
  for (size_t k = 0; k < f.cell_file.size() / 15; ++k) points += testing::CellAt(f.cell_file, k).tipo == 12;
  EXPECT_GT(points, 0);
  EXPECT_EQ(CountLines(d.treno, "abbattimento,"), 0);
  EXPECT_EQ(d.linea.substr(d.linea.size() - 8), "[fine]\r\n");
}

TEST(DecompileRoundTrip, MaximalScenario) {
  for (int32_t length : {kMinMaxScenarioLength, kMaxScenarioLength}) {
    MaxScenario m = MakeMaxScenario(length);
    ExpectRoundTrip({kMaxScenarioLineName, kMaxScenarioTrainNumber, m.linea, m.treno, true});
  }
}

// A sample of the generated scenarios; `make test-decompile-sweep` runs a thousand.
TEST(DecompileRoundTrip, GeneratedScenarioSample) {
  int used = 0;
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    RandomScenario r = RandomScenarioMaker(seed).Make();
    Scenario s{"Linea_" + std::to_string(seed), "7", r.linea, r.treno, r.with_plan};
    RecompiledFiles f = CompileScenarioTexts(s);
    if (!f.written || f.error_number != 0) continue;
    ++used;
    SCOPED_TRACE("seed " + std::to_string(seed) + ", length " + std::to_string(r.line_length));
    ExpectRoundTrip(s);
  }
  EXPECT_GE(used, 20);
}

TEST(DecompileRoundTrip, AuthorsPointsBesideThePassPoints) {
  // An abbattimento of value 180 on the cell before a signal that the pass protects:
  // the pass then protects the cell two before, and both points must come back.
  Scenario s = Builtin(true);
  const std::string signal = "segnale,   26000,   1, 4, 0,  0, 0,    0,  0,0,0, 0\r\n";
  const std::string points = "abbattimento,  25900, 180\r\nabbattimento,  30000, 250\r\nabbattimento,  31000, 0\r\n";
  size_t at = s.treno.find("[codici]");
  s.treno.insert(at, signal + points);
  RecompiledFiles f = CompileScenarioTexts(s);
  ASSERT_EQ(f.error_number, 0);
  ExpectRoundTrip(s);
}

// Rows as authors write them: montagna spans at any metre, close enough that on cell
// starts the second would join the first as type 3; items on the first cells (boards on
// cell 1 beside its reserved marks, a point at position 0); a slowdown half-way between
// two cells, whose approach cells the rounding moves one cell back from its warning cell;
// a marked span partly written over by a later one, which leaves markers off its places.
TEST(DecompileRoundTrip, AuthorsRowsOffTheGridAndInTheFirstCells) {
  struct Case {
    const char* what;
    std::string linea_rows;  // inserted before [cartelli]
    std::string treno_rows;  // inserted before [codici]
  };
  const Case cases[] = {
      {"spans 175 m apart, 150 m apart on cell starts",
       "montagna,  98643   98793   9\r\nmontagna, 98968,99168,12\r\n", ""},
      {"spans 151 m apart, the second ending in the last cell",
       "montagna, 99020, 99530, 4\r\nmontagna, 99681, 104000, 2\r\n", ""},
      {"marked spans side by side, the later ones joined as type 3",
       "montagna, 98600, 98800, 12\r\nmontagna, 98800, 99000, 15\r\nmontagna, 99000, 99210, 11\r\n", ""},
      {"speed boards at position 0, on cell 1",
       "indicatori_vmax, 0, 0, 0, 100, 1, 0, 0, 100, 1\r\n", ""},
      {"a point at position 0", "", "abbattimento, 0, 250\r\n"},
      {"speed boards and an indicator board on cells that stations' stop cells take",
       "indicatori_vmax, 350, 100, 120, 140, 2, 0, 0, 0, 1\r\ncartello_indicatore, 6800, \"( BIVIO )\"\r\n", ""},
      {"a slowdown half-way between two cells, approach cells one cell back", "",
       "rallentamento, 98925, 60, 300, 0, 1, 0\r\n"},
      {"a marked span written over by a span of another type and by one of type 0",
       "montagna, 98000, 99000, 12\r\nmontagna, 99500, 0, 1\r\nmontagna, 98110, 98460, 5\r\n"
       "montagna, 99500, 0, 1\r\nmontagna, 98610, 98800, 0\r\n", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Scenario s = Builtin(true);
    s.linea.insert(s.linea.find("[cartelli]"), c.linea_rows);
    s.treno.insert(s.treno.find("[codici]"), c.treno_rows);
    ExpectRoundTrip(s);
  }
}

// The author's points of 180 inside a slow slowdown, on the cell where the pass would
// put its first point and the one before: the pass then steps to the cell after. Told
// apart from the pass's points only by trying the points near where the files part, not
// only the one on that cell.
TEST(DecompileRoundTrip, AuthorsPointsWhereThePassWouldStep) {
  Scenario s = Builtin(true);
  const std::string rows =
      "rallentamento,  90000,  60,  1000,  0,  0,  60\r\n"
      "abbattimento,  90400,  180\r\nabbattimento,  90450,  180\r\n";
  s.treno.insert(s.treno.find("[codici]"), rows);
  RecompiledFiles f = CompileScenarioTexts(s);
  ASSERT_EQ(f.error_number, 0);
  // Start cell 1801: the author's points on 1808 and 1809, the pass's on 1810 and 1818.
  for (size_t c : {1808u, 1809u, 1810u, 1818u})
  {
    const testing::FileCell cell = testing::CellAt(f.cell_file, c);
    EXPECT_EQ(cell.tipo, 12) << "cell " << c;
    EXPECT_EQ(cell.dato1, 180) << "cell " << c;
  }
  ExpectRoundTrip(s);
}

// Files that no text compiles to, byte for byte: the places are listed.
struct Damage {
  const char* name;
  size_t cell;        // cell whose bytes are changed
  size_t offset;      // byte inside the cell
  uint8_t value;
};

TEST(DecompileUnreproducible, DamagedCellsAreListedWithTheirCell) {
  const Damage cases[] = {
      {"an item type no row places", 1000, 0, 7},
      {"a slowdown end without its start", 1200, 0, 2},
      {"a time on a speed-board cell, which only signals have", 28, 9, 33},
      {"a station stop cell without its station", 1500, 0, 10},
  };
  Scenario s = Builtin(true);
  RecompiledFiles f = CompileScenarioTexts(s);
  for (const Damage& c : cases) {
    SCOPED_TRACE(c.name);
    RecompiledFiles bad = f;
    bad.cell_file[15 * c.cell + c.offset] = static_cast<char>(c.value);
    Decompiled d = DecompileFiles(s, bad);
    ASSERT_FALSE(d.corrupt.has_value());
    EXPECT_FALSE(d.exact());
    EXPECT_TRUE(std::any_of(d.lost.begin(), d.lost.end(), [&](const Unreproduced& u) {
      return u.kind == PlaceKind::kCell && u.number == static_cast<int64_t>(c.cell);
    })) << Listed(d);
    // The best texts are still there and compile.
    Scenario back = s;
    back.linea = d.linea;
    back.treno = d.treno;
    EXPECT_TRUE(CompileScenarioTexts(back).written);
  }
}

// A span marker on cells 0 to 2 comes from no text: a montagna row is accepted only from
// 0 m on, so the first cell of its span is 0 or later, and it marks the 4th, 8th, ...
// cells of its span, cell 3 at the earliest. Nothing else writes type 11. The reason
// given is that argument.
TEST(DecompileUnreproducible, SpanMarkerOnTheFirstThreeCells) {
  Scenario s = Builtin(true);
  RecompiledFiles f = CompileScenarioTexts(s);
  ASSERT_EQ(testing::CellAt(f.cell_file, 2).tipo, 0);
  RecompiledFiles bad = f;
  bad.cell_file[15 * 2] = 11;
  Decompiled d = DecompileFiles(s, bad);
  EXPECT_FALSE(d.exact());
  EXPECT_TRUE(std::any_of(d.lost.begin(), d.lost.end(), [](const Unreproduced& u) {
    return u.kind == PlaceKind::kCell && u.number == 2 &&
           u.why.find("no montagna row marks cells 0 to 2") != std::string::npos;
  })) << Listed(d);
  // One cell further on, a row does place it.
  Scenario marked = s;
  marked.linea.insert(marked.linea.find("[cartelli]"), "montagna, 0, 200, 11\r\nmontagna, 0, 200, 0\r\n");
  RecompiledFiles m = CompileScenarioTexts(marked);
  ASSERT_EQ(m.error_number, 0);
  ASSERT_EQ(testing::CellAt(m.cell_file, 3).tipo, 11);
  ExpectRoundTrip(marked);
}

// A known limit, not a file no text gives: a signal row written before the station row
// whose stop cell (cell 131) takes the signal's cell. The values left beside the slot
// are read as a speed board's (the arrangement the usual order of the texts gives, the
// line description's boards before the stations), which gives the cell back; the
// signal's approach marks are not, and are listed.
TEST(DecompileLimits, SignalUnderAStationStopCell) {
  Scenario s = Builtin(true);
  const std::string signal = "segnale,   6500,   1, 4, 3,  2, 1,    0,  0,0,0, 0\r\n";
  s.treno.insert(s.treno.find("[stazioni]"), signal);
  s.treno.replace(s.treno.find("stazione,    6700, 12,  400"), 27, "stazione,    6400, 12,  400");
  RecompiledFiles f = CompileScenarioTexts(s);
  ASSERT_EQ(f.error_number, 0);
  ASSERT_EQ(testing::CellAt(f.cell_file, 131).tipo, 10);
  ASSERT_NE(testing::CellAt(f.cell_file, 131).dato3, 0);
  Decompiled d = DecompileFiles(s, f);
  EXPECT_FALSE(d.exact());
  EXPECT_TRUE(std::any_of(d.lost.begin(), d.lost.end(), [](const Unreproduced& u) {
    return u.kind == PlaceKind::kCell && u.number == 125 && u.why.find("preavviso") != std::string::npos;
  })) << Listed(d);
  EXPECT_FALSE(std::any_of(d.lost.begin(), d.lost.end(), [](const Unreproduced& u) {
    return u.kind == PlaceKind::kCell && u.number == 131;
  })) << Listed(d);
}

TEST(DecompileUnreproducible, CompiledWithAPassError) {
  // A slowdown start whose three near-window cells are taken: the pass records error 12
  // and leaves the window without a point, which no error-free text reproduces.
  Scenario s = Builtin(true);
  const std::string rows =
      "segnale,   1950,   1, 4, 0,  0, 0,    0,  0,0,0, 0\r\n"
      "segnale,   2000,   1, 4, 0,  0, 0,    0,  0,0,0, 0\r\n"
      "abbattimento,  1950, 0\r\n"
      "rallentamento,   2250,    30, 200, 0,  0,  30\r\n";
  s.treno.insert(s.treno.find("[codici]"), rows);
  RecompiledFiles f = CompileScenarioTexts(s);
  ASSERT_TRUE(f.written);
  ASSERT_NE(f.error_number, 0);
  Decompiled d = DecompileFiles(s, f);
  EXPECT_FALSE(d.exact());
  EXPECT_FALSE(d.lost.empty());
}

TEST(DecompileUnreproducible, PlanPointOffTheStepRule) {
  Scenario s = Builtin(true);
  RecompiledFiles f = CompileScenarioTexts(s);
  ASSERT_TRUE(f.plan_file);
  // Component 0 of point 5000: tag at 4 + 4 + 10 * (5000 - 2), value 2 bytes later.
  const size_t value_at = 8 + 10 * (5000 - 2) + 2;
  (*f.plan_file)[value_at + 3] ^= 0x10;
  Decompiled d = DecompileFiles(s, f);
  EXPECT_FALSE(d.exact());
  EXPECT_TRUE(std::any_of(d.lost.begin(), d.lost.end(), [](const Unreproduced& u) {
    return u.kind == PlaceKind::kPlanPoint && u.number == 5000;
  })) << Listed(d);
}

TEST(DecompileUnreproducible, ImpossibleLineTableValues) {
  Scenario s = Builtin(true);
  RecompiledFiles f = CompileScenarioTexts(s);
  auto slots = testing::DecodeSlots(f.line_file);
  ASSERT_TRUE(slots);
  // Slot 86's code count (posizione, bytes 9..12 of the slot) set to 5: only 4, 9 or 0.
  size_t o = 0;
  for (int k = 0; k < 86; ++k) o += 34 + (*slots)[static_cast<size_t>(k)].nome.size();
  f.line_file[o + 9] = 5;
  Decompiled d = DecompileFiles(s, f);
  EXPECT_FALSE(d.exact());
  EXPECT_TRUE(std::any_of(d.lost.begin(), d.lost.end(), [](const Unreproduced& u) {
    return u.kind == PlaceKind::kSlot && u.number == 86;
  })) << Listed(d);
}

TEST(DecompileCorrupt, BrokenFilesGiveTheOffsetAndNoTexts) {
  Scenario s = Builtin(true);
  RecompiledFiles f = CompileScenarioTexts(s);
  struct Case {
    const char* name;
    CompiledFileKind file;
    std::string cells, line, plan;
  } cases[] = {
      {"cell file cut inside a cell", CompiledFileKind::kCells, f.cell_file.substr(0, 31184), f.line_file, *f.plan_file},
      {"line file cut inside a slot", CompiledFileKind::kLine, f.cell_file, f.line_file.substr(0, 100), *f.plan_file},
      {"plan file with an unknown tag", CompiledFileKind::kPlan, f.cell_file, f.line_file, "\x07" + f.plan_file->substr(1)},
      {"empty cell file", CompiledFileKind::kCells, "", f.line_file, *f.plan_file},
      // Two bytes more than the plan of a line of 96900 m can take: refused undecoded.
      {"plan file longer than the line allows", CompiledFileKind::kPlan, f.cell_file, f.line_file,
       *f.plan_file + std::string(MaxPlanFileBytes(96900) + 2 - f.plan_file->size(), '\0')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CompiledFiles files{"Valdoro_Ostrano", "55", c.cells, c.line, std::string_view(c.plan)};
    Decompiled d = Decompile(files);
    ASSERT_TRUE(d.corrupt.has_value());
    EXPECT_EQ(d.corrupt->file, c.file);
    EXPECT_FALSE(d.corrupt->error.message.empty());
    EXPECT_TRUE(d.linea.empty() && d.treno.empty());
  }
}

// The command: texts written once, kept without --force, the round trip on disk.
TEST(DecompileCommand, WritesTheTextsAndKeepsThemWithoutForce) {
  TempDir tmp;
  const std::filesystem::path bin = tmp.path() / "bin", src = tmp.path() / "src";
  std::filesystem::create_directories(bin);
  Scenario s = Builtin(true);
  RecompiledFiles f = CompileScenarioTexts(s);
  WriteFile(bin / "Valdoro_Ostrano_55.dat", f.cell_file);
  WriteFile(bin / "Valdoro_Ostrano_55.sim", f.line_file);
  WriteFile(bin / "Valdoro_Ostrano_linea.dat", *f.plan_file);

  DecompileOptions o;
  o.dir = bin;
  o.out = src;
  std::ostringstream out, err;
  EXPECT_EQ(RunDecompile(o, out, err), 0) << err.str();
  EXPECT_EQ(err.str(), "");
  const std::string linea = ReadFile(src / "Valdoro_Ostrano_linea.txt");
  const std::string treno = ReadFile(src / "Valdoro_Ostrano_55-.txt");
  Scenario back{"Valdoro_Ostrano", "55", linea, treno, true};
  RecompiledFiles again = CompileScenarioTexts(back);
  EXPECT_TRUE(SameBytes(again.cell_file, f.cell_file));

  WriteFile(src / "Valdoro_Ostrano_55-.txt", "mine");
  std::ostringstream out2, err2;
  EXPECT_EQ(RunDecompile(o, out2, err2), 3);
  EXPECT_NE(err2.str().find("exists already"), std::string::npos);
  EXPECT_EQ(ReadFile(src / "Valdoro_Ostrano_55-.txt"), "mine");
  o.force = true;
  std::ostringstream out3, err3;
  EXPECT_EQ(RunDecompile(o, out3, err3), 0) << err3.str();
  EXPECT_EQ(ReadFile(src / "Valdoro_Ostrano_55-.txt"), treno);

  // A damaged file: texts still written, the place listed, status 1.
  std::string bad = f.cell_file;
  bad[15 * 1000] = 7;
  WriteFile(bin / "Valdoro_Ostrano_55.dat", bad);
  std::ostringstream out4, err4;
  EXPECT_EQ(RunDecompile(o, out4, err4), 1);
  EXPECT_NE(err4.str().find("Valdoro_Ostrano_55.dat: cell 1000 (50000 m): not reproduced: "),
            std::string::npos)
      << err4.str();
  // A corrupt file: offset and reason, status 1.
  WriteFile(bin / "Valdoro_Ostrano_55.dat", bad.substr(0, 20));
  std::ostringstream out5, err5;
  EXPECT_EQ(RunDecompile(o, out5, err5), 1);
  EXPECT_NE(err5.str().find("Valdoro_Ostrano_55.dat: byte "), std::string::npos) << err5.str();
}

// --force replaces the pair or nothing: when one name cannot be replaced (a directory
// stands there), the other text keeps its old bytes.
TEST(DecompileCommand, ForceReplacesBothTextsOrNeither) {
  Scenario s = Builtin(true);
  RecompiledFiles f = CompileScenarioTexts(s);
  for (const char* blocked : {"Valdoro_Ostrano_linea.txt", "Valdoro_Ostrano_55-.txt"}) {
    SCOPED_TRACE(blocked);
    TempDir tmp;
    const std::filesystem::path bin = tmp.path() / "bin", src = tmp.path() / "src";
    std::filesystem::create_directories(bin);
    std::filesystem::create_directories(src / blocked);
    WriteFile(bin / "Valdoro_Ostrano_55.dat", f.cell_file);
    WriteFile(bin / "Valdoro_Ostrano_55.sim", f.line_file);
    WriteFile(bin / "Valdoro_Ostrano_linea.dat", *f.plan_file);
    const std::string other = std::string(blocked) == "Valdoro_Ostrano_linea.txt"
                                  ? "Valdoro_Ostrano_55-.txt"
                                  : "Valdoro_Ostrano_linea.txt";
    WriteFile(src / other, "old");
    DecompileOptions o;
    o.dir = bin;
    o.out = src;
    o.force = true;
    std::ostringstream out, err;
    EXPECT_EQ(RunDecompile(o, out, err), 3);
    EXPECT_NE(err.str().find((src / blocked).string() + ": Is a directory"), std::string::npos)
        << err.str();
    EXPECT_EQ(ReadFile(src / other), "old");
    EXPECT_TRUE(std::filesystem::is_directory(src / blocked));
  }
}

}  // namespace
}  // namespace percorso
