#include "app/dump_command.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "testing/test_scenario.h"
#include "testing/temp_dir.h"

namespace percorso {
namespace {

using nlohmann::json;

struct DumpRun {
  int status = -1;
  std::string out;
  std::string err;
};

DumpRun Dump(const std::filesystem::path& file, bool as_json = false, bool all = false) {
  std::ostringstream out, err;
  DumpRun r;
  r.status = RunDump(DumpOptions{file, as_json, all}, out, err);
  r.out = out.str();
  r.err = err.str();
  return r;
}

// The line of the text dump that starts with `head`, or "" when there is none.
std::string LineStarting(const std::string& text, const std::string& head) {
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(head, 0) == 0) return line;
  }
  return "";
}

size_t CountLines(const std::string& text, const std::string& head) {
  std::istringstream in(text);
  size_t n = 0;
  for (std::string line; std::getline(in, line);) n += line.rfind(head, 0) == 0;
  return n;
}

TEST(DumpTest, CellTableNamesEveryFieldAndSkipsEmptyCellsUnlessAll) {
  TempDir dir;
  dir.Write("Piccola_7.dat", SmallScenario().cells);
  DumpRun some = Dump(dir.path() / "Piccola_7.dat");
  ASSERT_EQ(some.status, 0) << some.err;
  std::string signal = LineStarting(some.out, "cell    25 ");
  EXPECT_NE(signal.find("from    1250 m"), std::string::npos) << signal;
  for (const char* field : {"tipo=1 (signal)", "dato1=41", "dato2=0", "dato3=0", "dato4=-4",
                            "tempo=0", "preavviso=0", "montagna=0", "velocita=24", "pendenza=110",
                            "aderenza=100"}) {
    EXPECT_NE(signal.find(field), std::string::npos) << field << " in: " << signal;
  }
  // Cell 100 holds nothing and changes nothing; cell 20 changes the speed limit.
  EXPECT_EQ(LineStarting(some.out, "cell   100 "), "");
  EXPECT_NE(LineStarting(some.out, "cell    20 "), "");
  DumpRun all = Dump(dir.path() / "Piccola_7.dat", false, true);
  EXPECT_EQ(CountLines(all.out, "cell "), 201u);
}

TEST(DumpTest, TextsAreConvertedToUtf8) {
  TempDir dir;
  dir.Write("Piccola_7.sim", SmallScenario().line);
  DumpRun text = Dump(dir.path() / "Piccola_7.sim");
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_NE(LineStarting(text.out, "slot  2 ").find("nome=\"B<&>\xC3\xA8 \"Q\"\""),
            std::string::npos);
  DumpRun j = Dump(dir.path() / "Piccola_7.sim", true);
  json doc = json::parse(j.out);
  EXPECT_EQ(doc["slots"][2]["nome"], "B<&>\xC3\xA8 \"Q\"");
}

class BuiltinDumpTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir;
    ScenarioFiles f = BuiltinScenario();
    dir_->Write("Valdoro_Ostrano_55.dat", f.cells);
    dir_->Write("Valdoro_Ostrano_55.sim", f.line);
    dir_->Write("Valdoro_Ostrano_linea.dat", f.plan);
  }
  static void TearDownTestSuite() { delete dir_; }
  static std::filesystem::path Path(const char* name) { return dir_->path() / name; }
  static TempDir* dir_;
};
TempDir* BuiltinDumpTest::dir_ = nullptr;

TEST_F(BuiltinDumpTest, CellFileHoldsTheSignalAt10200InCell205) {
  DumpRun text = Dump(Path("Valdoro_Ostrano_55.dat"));
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_NE(text.out.find("2079 cells (0..2078)"), std::string::npos);
  std::string signal = LineStarting(text.out, "cell   205 ");
  for (const char* field : {"tipo=1 (signal)", "dato1=41", "dato2=0", "dato3=0", "dato4=4", "tempo=0"}) {
    EXPECT_NE(signal.find(field), std::string::npos) << field << " in: " << signal;
  }

  DumpRun j = Dump(Path("Valdoro_Ostrano_55.dat"), true);
  json doc = json::parse(j.out);
  EXPECT_EQ(doc["cells_total"], 2079);
  std::map<int, json> by_cell;
  for (const json& c : doc["cells"]) by_cell[c["cell"].get<int>()] = c;
  ASSERT_TRUE(by_cell.count(205));
  EXPECT_EQ(by_cell[205]["from_m"], 10250);
  EXPECT_EQ(by_cell[205]["item"], "signal");
  EXPECT_EQ(by_cell[205]["dato1"], 41);
  EXPECT_EQ(by_cell[205]["dato4"], 4);
  // Approach marks 41..44 at 100, 200, 300 and 400 m before the signal.
  EXPECT_EQ(by_cell[203]["preavviso"], 41);
  EXPECT_EQ(by_cell[201]["preavviso"], 42);
  EXPECT_EQ(by_cell[199]["preavviso"], 43);
  EXPECT_EQ(by_cell[197]["preavviso"], 44);
  // The scenario mark in cell 1.
  EXPECT_EQ(by_cell[1]["dato1"], 5121);
}

TEST_F(BuiltinDumpTest, LineFileSlot85HoldsTheLineNameAndTheStamps) {
  // The weighted character code of "55valdoro_ostranoaabbccdd" (the 25 characters of the
  // train number, the line name in small letters and the fill text): the sum of i times
  // the code of character i, 33448, the worked example of docs/compiled-formats.md.
  const int32_t weighted = 33448;

  DumpRun text = Dump(Path("Valdoro_Ostrano_55.sim"));
  ASSERT_EQ(text.status, 0) << text.err;
  std::string slot85 = LineStarting(text.out, "slot 85 ");
  EXPECT_NE(slot85.find("nome=\"Valdoro_Ostrano\""), std::string::npos) << slot85;
  EXPECT_NE(slot85.find("valore1=610 "), std::string::npos) << slot85;
  EXPECT_NE(slot85.find("orario=" + std::to_string(weighted)), std::string::npos) << slot85;
  EXPECT_NE(LineStarting(text.out, "slot 86 ").find("nome=\"55\""), std::string::npos);
  EXPECT_NE(LineStarting(text.out, "slot  1 ").find("nome=\"VALDORO C.LE\""), std::string::npos);
  EXPECT_NE(LineStarting(text.out, "slot  1 ").find("(14:46:00)"), std::string::npos);

  DumpRun j = Dump(Path("Valdoro_Ostrano_55.sim"), true, true);
  json doc = json::parse(j.out);
  ASSERT_EQ(doc["slots"].size(), 87u);
  EXPECT_EQ(doc["slots"][85]["nome"], "Valdoro_Ostrano");
  EXPECT_EQ(doc["slots"][85]["valore1"], 610);
  EXPECT_EQ(doc["slots"][85]["orario"], weighted);
  EXPECT_EQ(doc["slots"][81]["fine"], 97000);  // the one chainage reference, adjusted
  EXPECT_EQ(doc["slots"][80]["role"], "board");
}

TEST_F(BuiltinDumpTest, PlanStartsWithTwoIntegerPointsAndEndsWithTwoEmptyOnes) {
  DumpRun j = Dump(Path("Valdoro_Ostrano_linea.dat"), true);
  ASSERT_EQ(j.status, 0) << j.err;
  json doc = json::parse(j.out);
  EXPECT_EQ(doc["points_total"], 103901);
  EXPECT_EQ(doc["filled_points"], 103899);
  std::map<int, json> by_point;
  for (const json& p : doc["points"]) by_point[p["point"].get<int>()] = p;
  EXPECT_EQ(by_point[0], (json{{"point", 0}, {"x_tag", "int16"}, {"x", 0}, {"y_tag", "int16"}, {"y", 0}}));
  EXPECT_EQ(by_point[1], (json{{"point", 1}, {"x_tag", "int16"}, {"x", 0}, {"y_tag", "int16"}, {"y", 1}}));
  EXPECT_EQ(by_point[1000]["x_tag"], "double");
  EXPECT_EQ(by_point[1000]["y"], 1000.0);  // straight along y before the first curve at 1100
  EXPECT_EQ(by_point[103898]["y_tag"], "double");
  for (int p : {103899, 103900}) {
    EXPECT_EQ(by_point[p]["x_tag"], "empty") << p;
    EXPECT_TRUE(by_point[p]["x"].is_null()) << p;
    EXPECT_EQ(by_point[p]["y_tag"], "empty") << p;
  }

  DumpRun text = Dump(Path("Valdoro_Ostrano_linea.dat"));
  EXPECT_NE(LineStarting(text.out, "point       1 ").find("y=1"), std::string::npos);
  EXPECT_NE(LineStarting(text.out, "point  103900 ").find("x=-"), std::string::npos);
}

TEST(DumpTest, BrokenOrMissingFilesExitWithOneAndSayWhere) {
  TempDir dir;
  const ScenarioFiles f = SmallScenario();
  dir.Write("Piccola_7.sim", f.line.substr(0, 100));
  dir.Write("Piccola_7.dat", f.cells + "abc");
  dir.Write("Piccola_linea.dat", f.plan.substr(0, f.plan.size() - 1));
  struct Case {
    const char* name;
    const char* says;
    int status = 1;
  } cases[] = {
      {"Piccola_7.sim", "byte 100: slot 2 of 87: valore2 needs 2 bytes, the file ends after 0"},
      {"Piccola_7.dat", "byte 3015: cell file length 3018 is not a multiple of 15"},
      {"Piccola_linea.dat", "the file ends after 1"},
      {"Missing_7.dat", "cannot read", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DumpRun r = Dump(dir.path() / c.name, true);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
  }
  DumpRun unknown = Dump(dir.path() / "Piccola_7.txt");
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.err.find("not a compiled file name"), std::string::npos);
}

}  // namespace
}  // namespace percorso
