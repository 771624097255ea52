#include "compiler/compile.h"

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

Form1 SmallForm() {
  Form1 form;
  form.nome_linea = "Prova";
  form.numero_treno = "7";
  return form;
}

TEST(CompileScenario, ReservedPlacesAlreadyTakenGiveNoBytes) {
  struct Case {
    const char* name;
    std::string linea;
    std::string treno;
    CompileVerdict verdict;
  };
  const Case cases[] = {
      // Cells 3 and 2 hold abbattimento points, so the near window of the slowdown
      // starting at cell 8 protects cell 1: its dato1 becomes 180.
      {"protection point on cell 1", kLinea,
       Treno("abbattimento, 150, 50\r\nabbattimento, 100, 50\r\n"
             "rallentamento, 350, 120, 1000, 0, 0, 0\r\n"),
       CompileVerdict::kReserved1250},
      // A speed-board pair on cell 1 with only a speed B: dato1 0, dato2 2500.
      {"speed board on cell 1",
       "[generale]\r\nlunghezza percorso, 2000\r\n[cartelli]\r\n"
       "indicatori_vmax, 0, 0, 125, 0, 0, 0, 0, 0, 0\r\n[fine]\r\n",
       Treno(""), CompileVerdict::kReserved1251},
      // An abbattimento without value on cell 1: a type, but both places still zero.
      {"type-13 point on cell 1", kLinea, Treno("abbattimento, 50, 0\r\n"),
       CompileVerdict::kCompiled},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Form1 form = SmallForm();
    CompiledScenario out = CompileScenario(form, 1, Text(c.linea, "l"), Text(c.treno, "t"));
    EXPECT_EQ(out.verdict, c.verdict);
    EXPECT_EQ(form.errore.numero, 0);
    if (c.verdict == CompileVerdict::kCompiled) {
      EXPECT_EQ(form.griglia.at(1).tipo, 13);
      EXPECT_EQ(CellAt(out.cell_file, 1).dato1, 5121);
    } else {
      EXPECT_FALSE(out.plan_file);
      EXPECT_TRUE(out.line_file.empty());
      EXPECT_TRUE(out.cell_file.empty());
    }
  }
}

TEST(CompileScenario, StampsTheReservedPlacesAndTheCodes) {
  Form1 form = SmallForm();
  CompiledScenario out = CompileScenario(form, 0, Text(kLinea, "l"), Text(Treno(""), "t"));
  ASSERT_EQ(out.verdict, CompileVerdict::kCompiled);
  EXPECT_FALSE(out.plan_file);
  EXPECT_EQ(out.cell_file.size(), 15u * (kU + 1));
  // Code text "7prova" + "aabbccddeeffgghhiil": plain sum 2533, weighted sum 33356.
  EXPECT_EQ(CellAt(out.cell_file, 1).dato1, 5121);
  EXPECT_EQ(CellAt(out.cell_file, 1).dato2, 2533);
  auto slots = DecodeSlots(out.line_file);
  ASSERT_TRUE(slots);
  EXPECT_EQ((*slots)[85].nome, "Prova");
  EXPECT_EQ((*slots)[85].valore1, 610);
  EXPECT_EQ((*slots)[85].orario, 33356);
  EXPECT_EQ((*slots)[86].nome, "7");
}

TEST(CompileScenario, ErrorsOfThePassStillGiveTheFiles) {
  // Cells 3, 4 and 5 are taken, so the near window of the slowdown starting at cell 10
  // finds no free cell: error 12 at 500 m, recorded after the load.
  Form1 form = SmallForm();
  CompiledScenario out = CompileScenario(
      form, 0, Text(kLinea, "l"),
      Text(Treno("abbattimento, 150, 50\r\nabbattimento, 200, 50\r\nabbattimento, 250, 50\r\n"
                 "rallentamento, 450, 120, 1000, 0, 0, 0\r\n"),
           "t"));
  ASSERT_EQ(out.verdict, CompileVerdict::kCompiled);
  EXPECT_EQ(form.errore.numero, 12);
  EXPECT_EQ(form.errore.posizione, 500);
  EXPECT_EQ(out.cell_file.size(), 15u * (kU + 1));
}

TEST(MemorizzaPercorso, NothingWrittenWhenAReservedPlaceIsTakenOrNoGrid) {
  {
    TempDir dir;
    Form1 form = SmallForm();
    dir.Write(LineaFileName("Prova"), kLinea);
    dir.Write(TrenoFileName("Prova", "7"),
              Treno("abbattimento, 150, 50\r\nabbattimento, 100, 50\r\n"
                    "rallentamento, 350, 120, 1000, 0, 0, 0\r\n"));
    OutputResult r = memorizza_percorso(form, 1, {dir.path(), dir.path(), true, true});
    EXPECT_EQ(r.verdict, CompileVerdict::kReserved1250);
    EXPECT_FALSE(r.io_error);
    EXPECT_TRUE(r.written.empty());
    EXPECT_TRUE(dir.List().empty());  // the load deleted both texts; nothing else
  }
  {
    // No line description: error 101, nothing deleted, nothing written.
    TempDir dir;
    Form1 form = SmallForm();
    dir.Write(TrenoFileName("Prova", "7"), Treno(""));
    OutputResult r = memorizza_percorso(form, 1, {dir.path(), dir.path(), true, true});
    EXPECT_EQ(r.verdict, CompileVerdict::kNoGrid);
    EXPECT_EQ(form.errore.numero, 101);
    EXPECT_EQ(dir.List(), std::vector<std::string>{TrenoFileName("Prova", "7")});
  }
}

TEST(MemorizzaPercorso, WithoutThePlanFlagAnOlderPlanFileStaysAsItWas) {
  TempDir src;
  TempDir dir;
  Form1 form = SmallForm();
  src.Write(LineaFileName("Prova"), kLinea);
  src.Write(TrenoFileName("Prova", "7"), Treno(""));
  dir.Write("Prova_linea.dat", "older plan");
  dir.Write("Prova_7.sim", std::string(5000, 'x'));
  OutputResult r = memorizza_percorso(form, 0, {src.path(), dir.path(), false, true});
  EXPECT_EQ(r.verdict, CompileVerdict::kCompiled);
  EXPECT_EQ(r.written, (std::vector<std::string>{"Prova_7.sim", "Prova_7.dat"}));
  EXPECT_EQ(dir.Read("Prova_linea.dat"), "older plan");
  EXPECT_EQ(dir.Read("Prova_7.sim").size(), 2958u + 5 + 1);  // texts "Prova" and "7"
  EXPECT_EQ(dir.Read("Prova_7.dat").size(), 15u * (kU + 1));
  // An author's texts are kept when the options say so.
  EXPECT_EQ(src.List().size(), 2u);
}

TEST(MemorizzaPercorso, ASecondRunReplacesEveryFileWhole) {
  TempDir dir;
  const std::string junk(400000, 'x');  // longer than any of the three files
  for (const char* name : {"Prova_linea.dat", "Prova_7.sim", "Prova_7.dat"}) dir.Write(name, junk);
  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run);
    Form1 form = SmallForm();
    dir.Write(LineaFileName("Prova"), kLinea);
    dir.Write(TrenoFileName("Prova", "7"), Treno(""));
    OutputResult r = memorizza_percorso(form, 1, {dir.path(), dir.path(), true, true});
    EXPECT_FALSE(r.io_error);
    EXPECT_EQ(r.written,
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

TEST(MemorizzaPercorso, StopsAtTheFirstFileThatCannotBeWritten) {
  TempDir dir;
  Form1 form = SmallForm();
  dir.Write(LineaFileName("Prova"), kLinea);
  dir.Write(TrenoFileName("Prova", "7"), Treno(""));
  std::filesystem::create_directory(dir.path() / "Prova_7.sim");
  OutputResult r = memorizza_percorso(form, 1, {dir.path(), dir.path(), true, true});
  ASSERT_TRUE(r.io_error);
  EXPECT_EQ(r.io_error->Message(),
            "cannot write " + (dir.path() / "Prova_7.sim").string() + ": Is a directory");
  EXPECT_EQ(r.written, std::vector<std::string>{"Prova_linea.dat"});
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"Prova_7.sim", "Prova_linea.dat"}));
}

}  // namespace
}  // namespace percorso
