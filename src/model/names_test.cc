#include "model/names.h"

#include <gtest/gtest.h>

#include "testing/temp_dir.h"

namespace percorso {
namespace {

TEST(CheckNameTest, RefusesNamesThatLeaveTheDirectory) {
  struct Case {
    std::string name;
    bool allow_empty;
    bool ok;
  };
  const Case cases[] = {
      {"Valdoro_Ostrano", false, true}, {"55", true, true},       {"", true, true},
      {"", false, false},               {"../x", false, false},   {"a/b", false, false},
      {"a\\b", false, false},           {"..", true, false},      {"a..b", false, false},
      {"a\nb", false, false},           {"a\tb", true, false},    {"a\x7F", false, false},
      {".", false, true},               {"Città", false, true},   {"1/..", false, false},
      {"\\..\\1", false, false},        {"/tmp/R", false, false}, {"../route/R", false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(!CheckName("line name", c.name, c.allow_empty).has_value(), c.ok) << c.name;
  }
  EXPECT_EQ(CheckName("line name", "", false), "the line name must not be empty");
}

TEST(LineaTextNameTest, ReadsTheLineNameOfALineDescriptionOnly) {
  EXPECT_EQ(LineaTextName("A_B_linea.txt"), "A_B");
  EXPECT_EQ(LineaTextName("Valdoro_Ostrano_linea.txt"), "Valdoro_Ostrano");
  for (const char* name : {"_linea.txt", "A_linea.TXT", "A_55-.txt", "A_linea.txt.bak",
                           "A\x01_linea.txt", ".._linea.txt"})
    EXPECT_EQ(LineaTextName(name), std::nullopt) << name;
}

TEST(FindTextPairsTest, FindsEveryPairAndEveryCutOfTheTrainName) {
  TempDir dir;
  for (const char* name : {"A_linea.txt", "A_55-.txt", "A_B_linea.txt", "A_B_7-.txt",
                           "A_55_note.txt", "Z_9-.txt", "A_55.dat"})
    dir.Write(name, "x");
  std::filesystem::create_directory(dir.path() / "D_linea.txt");
  dir.Write("D_1-.txt", "x");  // its line "file" is a directory

  std::vector<TextPair> all = FindTextPairs(dir.path(), std::nullopt, std::nullopt);
  EXPECT_EQ(all, (std::vector<TextPair>{{"A", "55"}, {"A", "B_7"}, {"A_B", "7"}}));
  EXPECT_EQ(FindTextPairs(dir.path(), "A_B", std::nullopt), (std::vector<TextPair>{{"A_B", "7"}}));
  EXPECT_EQ(FindTextPairs(dir.path(), std::nullopt, "55"), (std::vector<TextPair>{{"A", "55"}}));
  EXPECT_TRUE(FindTextPairs(dir.path(), "Z", std::nullopt).empty());
  EXPECT_TRUE(FindTextPairs(dir.path() / "missing", std::nullopt, std::nullopt).empty());
}

TEST(FindCompiledPairsTest, BothFilesNeededAndThePlanFileOrTheLastUnderscoreSettlesTheCut) {
  struct Case {
    std::vector<std::string> files;
    std::optional<std::string> linea, treno;
    std::vector<CompiledPair> found;
  };
  const Case cases[] = {
      {{"A_B_55.sim", "A_B_55.dat", "A_B_linea.dat"}, {}, {}, {{"A_B", "55"}}},
      {{"A_B_55.sim", "A_B_55.dat", "A_linea.dat"}, {}, {}, {{"A", "B_55"}}},
      {{"A_B_55.sim", "A_B_55.dat"}, {}, {}, {{"A_B", "55"}}},  // no plan file: last cut
      {{"A_B_55.sim", "A_B_55.dat", "A_linea.dat", "A_B_linea.dat"},
       {},
       {},
       {{"A", "B_55"}, {"A_B", "55"}}},
      {{"A_B_55.sim", "A_B_55.dat"}, "A", {}, {{"A", "B_55"}}},  // a given name picks the cut
      {{"A_B_55.sim", "A_B_55.dat"}, {}, "B_55", {{"A", "B_55"}}},
      {{"A_1.sim", "C_1.sim", "C_1.dat", "D_2.dat"}, {}, {}, {{"C", "1"}}},  // both files
      {{"A_1.sim", "A_1.dat", "C_1.sim", "C_1.dat"}, "C", {}, {{"C", "1"}}},
      {{"A_1.sim", "A_1.dat", "C_1.sim", "C_1.dat"}, {}, "1", {{"A", "1"}, {"C", "1"}}},
      {{"_1.sim", "_1.dat", "A.sim", "A.dat", "A_.sim", "A_.dat"}, {}, {}, {{"A", ""}}},
  };
  for (const Case& c : cases) {
    TempDir dir;
    for (const std::string& name : c.files) dir.Write(name, "x");
    EXPECT_EQ(FindCompiledPairs(dir.path(), c.linea, c.treno), c.found) << c.files.front();
  }
  TempDir dir;
  dir.Write("E_3.sim", "x");
  std::filesystem::create_directory(dir.path() / "E_3.dat");  // not a file
  EXPECT_TRUE(FindCompiledPairs(dir.path(), std::nullopt, std::nullopt).empty());
  EXPECT_TRUE(FindCompiledPairs(dir.path() / "missing", std::nullopt, std::nullopt).empty());
}

}  // namespace
}  // namespace percorso
