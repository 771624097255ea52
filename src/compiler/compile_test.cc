#include "compiler/compile.h"
#include "model/names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/compiled_files.h"
#include "builtin/builtin_texts.h"
#include "testing/temp_dir.h"

namespace percorso {
namespace {

using testing::CellAt;
using testing::DecodeSlots;

// A line of 2000 m: grid cells 0 to 180, plan points 0 to 9000.
constexpr const char* kLinea =
    "[generale]\r\n"
    "lunghezza percorso, 2000\r\n"
    "[fine]\r\n";
constexpr int32_t kU = 180;
constexpr int64_t kM = 9000;

std::string Treno(const std::string& rows) { return "[generale]\r\n" + rows + "[fine]\r\n"; }

SourceText Text(const std::string& bytes, const std::string& name) {
  return SourceText{ReadStatus::kOk, bytes, name};
}

CompileSettings Small(PlanChoice plan) { return CompileSettings{"Prova", "7", plan}; }

// The build run's steps over folders: read the texts of `src`, compile them (deleting
// them when asked), and write the files into `out`.
struct FolderRun {
  Compilation compiled;
  WrittenFiles files;
};

FolderRun CompileFolder(const std::filesystem::path& src, const std::filesystem::path& out,
                        PlanChoice plan, bool delete_texts) {
  CompileSettings settings = Small(plan);
  if (delete_texts) settings.delete_texts_in = src;
  FolderRun r;
  r.compiled = CompileScenario(ReadSourceText(src, LineaFileName("Prova")),
                               ReadSourceText(src, TrenoFileName("Prova", "7")), settings);
  if (r.compiled.verdict == CompileVerdict::kCompiled) r.files = WriteCompiledFiles(out, r.compiled);
  return r;
}

TEST(CompileScenario, ReservedPlacesAlreadyTakenGiveNoBytes) {
  struct Case {
    const char* name;
    std::string linea;
    std::string treno;
    CompileVerdict verdict;
    // The diagnostic that says which place was taken, and the row that took it (0: none,
    // the pass placed the item).
    std::string says;
    ErrorOrigin origin;
    int line, column;
  };
  const Case cases[] = {
      // Cells 3 and 2 hold abbattimento points, so the near window of the slowdown
      // starting at cell 8 protects cell 1: its dato1 becomes 180.
      {"protection point on cell 1", kLinea,
       Treno("abbattimento, 150, 50\r\nabbattimento, 100, 50\r\n"
             "rallentamento, 350, 120, 1000, 0, 0, 0\r\n"),
       CompileVerdict::kReserved1250,
       "an item of type 12, an abbattimento mark with a value, with dato1 = 180 stands at "
       "metres 50 to 99; the first 100 m of the line must stay free of items, since cell 1 "
       "holds the scenario's own codes",
       ErrorOrigin::kNone, 0, 0},
      {"abbattimento with a value on cell 1", kLinea, Treno("sabbia, 3\r\nabbattimento, 50, 7\r\n"),
       CompileVerdict::kReserved1250,
       "an item of type 12, an abbattimento mark with a value, with dato1 = 7 stands at "
       "metres 50 to 99, put there by this row; the first 100 m of the line must stay free of "
       "items, since cell 1 holds the scenario's own codes",
       ErrorOrigin::kTrainText, 3, 15},
      // A speed-board pair on cell 1 with only a speed B: dato1 0, dato2 2500.
      {"speed board on cell 1",
       "[generale]\r\nlunghezza percorso, 2000\r\n[cartelli]\r\n"
       "indicatori_vmax, 0, 0, 125, 0, 0, 0, 0, 0, 0\r\n[fine]\r\n",
       Treno(""), CompileVerdict::kReserved1251,
       "an item of type 6, a pair of speed boards (`indicatori_vmax`), with dato2 = 2500 stands "
       "at metres 50 to 99, put there by this row; the first 100 m of the line must stay free "
       "of items, since cell 1 holds the scenario's own codes",
       ErrorOrigin::kLineText, 4, 18},
      // An abbattimento without value on cell 1: a type, but both places still zero.
      {"type-13 point on cell 1", kLinea, Treno("abbattimento, 50, 0\r\n"),
       CompileVerdict::kCompiled, "", ErrorOrigin::kNone, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Compilation out =
        CompileScenario(Text(c.linea, "l"), Text(c.treno, "t"), Small(PlanChoice::kWithPlan));
    EXPECT_EQ(out.verdict, c.verdict);
    EXPECT_EQ(out.errors.numero, 0);
    if (c.verdict == CompileVerdict::kCompiled) {
      EXPECT_EQ(out.grid.at(1).tipo, 13);
      EXPECT_EQ(CellAt(*out.cell_file(), 1).dato1, 5121);
      EXPECT_TRUE(out.errors.log.empty());
    } else {
      EXPECT_EQ(out.plan_file(), nullptr);
      EXPECT_TRUE(out.files.empty());
      ASSERT_EQ(out.errors.log.size(), 1u);
      const Diagnostic& d = out.errors.log[0];
      EXPECT_EQ(d.numero, c.verdict == CompileVerdict::kReserved1250 ? 1250 : 1251);
      EXPECT_EQ(d.detail, c.says);
      EXPECT_EQ(d.origin, c.origin);
      EXPECT_EQ(d.line, c.line);
      EXPECT_EQ(d.column, c.column);
    }
  }
}

TEST(CompileScenario, StampsTheReservedPlacesAndTheCodes) {
  Compilation out = CompileScenario(Text(kLinea, "l"), Text(Treno(""), "t"),
                                    Small(PlanChoice::kWithoutPlan));
  ASSERT_EQ(out.verdict, CompileVerdict::kCompiled);
  EXPECT_EQ(out.plan_file(), nullptr);
  EXPECT_EQ(out.cell_file()->size(), 15u * (kU + 1));
  // Code text "7prova" + "aabbccddeeffgghhiil": plain sum 2533, weighted sum 33356.
  EXPECT_EQ(CellAt(*out.cell_file(), 1).dato1, 5121);
  EXPECT_EQ(CellAt(*out.cell_file(), 1).dato2, 2533);
  auto slots = DecodeSlots(*out.line_file());
  ASSERT_TRUE(slots);
  EXPECT_EQ((*slots)[85].nome, "Prova");
  EXPECT_EQ((*slots)[85].valore1, 610);
  EXPECT_EQ((*slots)[85].orario, 33356);
  EXPECT_EQ((*slots)[86].nome, "7");
}

TEST(CompileScenario, ErrorsOfThePassStillGiveTheFiles) {
  // Cells 3, 4 and 5 are taken, so the near window of the slowdown starting at cell 10
  // finds no free cell: error 12 at 500 m, recorded after the load.
  Compilation out = CompileScenario(
      Text(kLinea, "l"),
      Text(Treno("abbattimento, 150, 50\r\nabbattimento, 200, 50\r\nabbattimento, 250, 50\r\n"
                 "rallentamento, 450, 120, 1000, 0, 0, 0\r\n"),
           "t"),
      Small(PlanChoice::kWithoutPlan));
  ASSERT_EQ(out.verdict, CompileVerdict::kCompiled);
  EXPECT_EQ(out.errors.numero, 12);
  EXPECT_EQ(out.errors.posizione, 500);
  EXPECT_EQ(out.cell_file()->size(), 15u * (kU + 1));
}

// A fault of the pass names the row that put the item on its cell.
TEST(CompileScenario, ErrorsOfThePassNameTheRowOfTheirItem) {
  struct Case {
    const char* what;
    std::string treno;
    int32_t numero;
    const char* says;
  };
  const Case cases[] = {
      {"error 12 at the slowdown start of line 5",
       "abbattimento, 150, 50\r\nabbattimento, 200, 50\r\nabbattimento, 250, 50\r\n"
       "rallentamento, 450, 120, 1000, 0, 0, 0\r\n",
       12, "; the item on cell 10 comes from the row at t:5"},
      {"error 11 at the signal of line 4",
       "abbattimento, 1900, 0\r\nabbattimento, 1950, 0\r\n"
       "segnale, 1950, 1, 4, 0, 0, 0, 1, 1, 0, 0, 0\r\nrallentamento, 3650, 30, 100, 0, 0, 0\r\n",
       11, "cells 39 and 38 before the signal at cell 40 are taken; the item on cell 40 comes "
           "from the row at t:4"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Compilation out =
        CompileScenario(Text(kLinea, "l"), Text(Treno(c.treno), "t"), Small(PlanChoice::kWithoutPlan));
    const Diagnostic* found = nullptr;
    for (const Diagnostic& d : out.errors.log) {
      if (d.numero == c.numero) found = &d;
    }
    ASSERT_NE(found, nullptr);
    EXPECT_NE(found->detail.find(c.says), std::string::npos) << found->detail;
  }
}

TEST(CompileAndWrite, NothingWrittenWhenAReservedPlaceIsTakenOrNoGrid) {
  {
    TempDir dir;
    dir.Write(LineaFileName("Prova"), kLinea);
    dir.Write(TrenoFileName("Prova", "7"),
              Treno("abbattimento, 150, 50\r\nabbattimento, 100, 50\r\n"
                    "rallentamento, 350, 120, 1000, 0, 0, 0\r\n"));
    FolderRun r = CompileFolder(dir.path(), dir.path(), PlanChoice::kWithPlan, true);
    EXPECT_EQ(r.compiled.verdict, CompileVerdict::kReserved1250);
    EXPECT_FALSE(r.files.io_error);
    EXPECT_TRUE(r.files.written.empty());
    EXPECT_TRUE(dir.List().empty());  // the load deleted both texts; nothing else
  }
  {
    // No line description: error 101, nothing deleted, nothing written.
    TempDir dir;
    dir.Write(TrenoFileName("Prova", "7"), Treno(""));
    FolderRun r = CompileFolder(dir.path(), dir.path(), PlanChoice::kWithPlan, true);
    EXPECT_EQ(r.compiled.verdict, CompileVerdict::kNoGrid);
    EXPECT_EQ(r.compiled.errors.numero, 101);
    EXPECT_EQ(dir.List(), std::vector<std::string>{TrenoFileName("Prova", "7")});
  }
}

TEST(CompileAndWrite, WithoutThePlanFlagAnOlderPlanFileStaysAsItWas) {
  TempDir src;
  TempDir dir;
  src.Write(LineaFileName("Prova"), kLinea);
  src.Write(TrenoFileName("Prova", "7"), Treno(""));
  dir.Write("Prova_linea.dat", "older plan");
  dir.Write("Prova_7.sim", std::string(5000, 'x'));
  FolderRun r = CompileFolder(src.path(), dir.path(), PlanChoice::kWithoutPlan, false);
  EXPECT_EQ(r.compiled.verdict, CompileVerdict::kCompiled);
  EXPECT_EQ(r.files.written, (std::vector<std::string>{"Prova_7.sim", "Prova_7.dat"}));
  EXPECT_EQ(dir.Read("Prova_linea.dat"), "older plan");
  EXPECT_EQ(dir.Read("Prova_7.sim").size(), 2958u + 5 + 1);  // texts "Prova" and "7"
  EXPECT_EQ(dir.Read("Prova_7.dat").size(), 15u * (kU + 1));
  // An author's texts are kept when the options say so.
  EXPECT_EQ(src.List().size(), 2u);
}

TEST(CompileAndWrite, ASecondRunReplacesEveryFileWhole) {
  TempDir dir;
  const std::string junk(400000, 'x');  // longer than any of the three files
  for (const char* name : {"Prova_linea.dat", "Prova_7.sim", "Prova_7.dat"}) dir.Write(name, junk);
  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run);
    dir.Write(LineaFileName("Prova"), kLinea);
    dir.Write(TrenoFileName("Prova", "7"), Treno(""));
    FolderRun r = CompileFolder(dir.path(), dir.path(), PlanChoice::kWithPlan, true);
    EXPECT_FALSE(r.files.io_error);
    EXPECT_EQ(r.files.written,
              (std::vector<std::string>{"Prova_linea.dat", "Prova_7.sim", "Prova_7.dat"}));
    EXPECT_EQ(dir.List(),
              (std::vector<std::string>{"Prova_7.dat", "Prova_7.sim", "Prova_linea.dat"}));
    // Each component: two 16-bit points (4 bytes each), M - 3 doubles (10 bytes each),
    // two empty points (2 bytes each).
    std::string plan = dir.Read("Prova_linea.dat");
    EXPECT_EQ(plan.size(), 2 * (4 + 4 + 10 * (kM - 3) + 2 + 2));
    EXPECT_EQ(plan.substr(0, 4), std::string("\x02\x00\x00\x00", 4));
    EXPECT_EQ(plan.substr(plan.size() - 4), std::string(4, '\0'));
    std::string cells = dir.Read("Prova_7.dat");
    EXPECT_EQ(cells.size(), 15u * (kU + 1));
    EXPECT_EQ(CellAt(cells, 1).dato1, 5121);
    EXPECT_EQ(cells.find('x'), std::string::npos);
    auto slots = DecodeSlots(dir.Read("Prova_7.sim"));  // exactly 87 slots, nothing after
    ASSERT_TRUE(slots);
    EXPECT_EQ((*slots)[85].valore1, 610);
  }
}

TEST(CompileAndWrite, StopsAtTheFirstFileThatCannotBeWritten) {
  TempDir dir;
  dir.Write(LineaFileName("Prova"), kLinea);
  dir.Write(TrenoFileName("Prova", "7"), Treno(""));
  std::filesystem::create_directory(dir.path() / "Prova_7.sim");
  FolderRun r = CompileFolder(dir.path(), dir.path(), PlanChoice::kWithPlan, true);
  ASSERT_TRUE(r.files.io_error);
  EXPECT_EQ(r.files.io_error->Message(),
            "cannot write " + (dir.path() / "Prova_7.sim").string() + ": Is a directory");
  EXPECT_EQ(r.files.written, std::vector<std::string>{"Prova_linea.dat"});
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"Prova_7.sim", "Prova_linea.dat"}));
}

}  // namespace
}  // namespace percorso
