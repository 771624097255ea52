// What `compile` tells an author about the mistakes authors make: each message at its
// FILE:LINE:COLUMN and naming its cause (the row already standing in a taken cell, in
// either text; the first 100 m kept free; whole metres; the nearest keyword); the machine
// forms carrying the cell and relative paths; a line description checked alone; a train
// text named without its hyphen.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "app/compile_command.h"
#include "testing/temp_dir.h"

namespace percorso {
namespace {

using nlohmann::json;

// A line of 5000 m (cells 0 to 240) with `body` as its body; the rows start at line 4.
std::string Linea(const std::string& body = "") {
  return "[generale]\nlunghezza percorso, 5000\n[corpo]\n" + body + "[fine]\n";
}
// Train data with speed and adhesion from 0; `rows` start at line 4.
std::string Treno(const std::string& rows = "") {
  return "[generale]\nvelocita, 0, 100\naderenza, 0, 100\n" + rows + "[fine]\n";
}

struct Outcome {
  int status;
  std::string out;
  std::string err;  // the directory's path cut off
};

Outcome Compile(const TempDir& dir, CompileOptions o = {}) {
  o.dir = dir.path();
  std::ostringstream out, err;
  const int status = RunCompile(o, out, err);
  std::string shown = err.str();
  const std::string prefix = dir.path().string() + "/";
  for (size_t at; (at = shown.find(prefix)) != std::string::npos;) shown.erase(at, prefix.size());
  return {status, out.str(), shown};
}

TEST(AuthorMessages, EachNamesItsCauseAtItsPlace) {
  struct Case {
    const char* name;
    std::string linea, treno;
    std::string place;  // "FILE:LINE:COLUMN: " of the message
    std::string says;   // a part of its text
  };
  const std::string signal = ", 1, 4, 0, 0, 0, 0, 0,0,0, 0\n";
  const Case cases[] = {
      {"error 16: the signal already standing, in the same text", Linea(),
       Treno("segnale, 2000" + signal + "segnale, 2000" + signal), "R_1-.txt:5:10: error 16",
       "already holds an item: a signal (`segnale`), put there by the row at R_1-.txt:4"},
      {"error 16: a speed-board pair of the line description", Linea("indicatori_vmax, 2000, 100,,,0,,,,0\n"),
       Treno("segnale, 2000" + signal), "R_1-.txt:4:10: error 16",
       "a pair of speed boards (`indicatori_vmax`), put there by the row at R_linea.txt:4"},
      {"error 6: a board on speed boards", Linea("indicatori_vmax, 2000, 100,,,0,,,,0\n"
                                                 "cartello_indicatore, 2000, (X)\n"),
       Treno(), "R_linea.txt:5:22: error 6",
       "cell 41 already holds a pair of speed boards (`indicatori_vmax`), put there by the row "
       "at R_linea.txt:4"},
      {"error 7: an abbattimento on a board of the other text",
       Linea("cartello_indicatore, 1950, (X)\n"), Treno("abbattimento, 2000, 0\n"),
       "R_1-.txt:4:15: error 7",
       "cell 40 already holds an indicator board (`cartello_indicatore`), put there by the row "
       "at R_linea.txt:4"},
      {"error 18: a slowdown start on a station's stop cell",
       Linea(), Treno("stazione, 1000, 12, 400, 0,0,0, 0,0,0, 0,0,0, 0, 8,0,0, A\n"
                      "rallentamento, 1100, 60, 200, 0, 0, 60\n"),
       "R_1-.txt:5:16: error 18",
       "the stop cell of a station (`stazione`), the last cell of its zone, put there by the row "
       "at R_1-.txt:4"},
      {"error 1250: an item in the first 100 m", Linea(), Treno("abbattimento, 50, 7\n"),
       "R_1-.txt:4:15: error 1250", "the first 100 m of the line must stay free of items"},
      {"a field in words, beside its own name", Linea(),
       Treno("rallentamento, 2000, 60, 99999999999, 0, 0, 60\n"), "R_1-.txt:4:26: error 25",
       "the length `l` of a slowdown (`rallentamento`)"},
      {"a decimal position", Linea(), Treno("velocita, 1350.5, 140\n"),
       "R_1-.txt:4:11: warning", "positions are whole metres [not-a-number]"},
      {"unknown-row proposes the nearest keyword", Linea(), Treno("velcita, 2000, 60\n"),
       "R_1-.txt:4:1: warning", "did you mean `velocita`? [unknown-row]"},
      {"unknown-row in the line description", Linea("pendanza, 2000, 5\n"), Treno(),
       "R_linea.txt:4:1: warning", "did you mean `pendenza`? [unknown-row]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    dir.Write("R_linea.txt", c.linea);
    dir.Write("R_1-.txt", c.treno);
    CompileOptions o;
    o.check = true;
    const Outcome r = Compile(dir, o);
    const size_t at = r.err.find(c.place);
    ASSERT_NE(at, std::string::npos) << r.err;
    const std::string line = r.err.substr(at, r.err.find('\n', at) - at);
    EXPECT_NE(line.find(c.says), std::string::npos) << line;
  }
}

TEST(AuthorMessages, JsonGivesTheCellOfACollisionAndSarifABaseForRelativePaths) {
  TempDir dir;
  dir.Write("R_linea.txt", Linea());
  dir.Write("R_1-.txt", Treno("segnale, 2000, 1, 4, 0, 0, 0, 0, 0,0,0, 0\n"
                              "segnale, 2000, 1, 4, 0, 0, 0, 0, 0,0,0, 0\n"));
  CompileOptions o;
  o.check = true;
  o.format = "json";
  const json doc = json::parse(Compile(dir, o).out);
  bool seen = false;
  for (const json& d : doc["diagnostics"]) {
    if (d["code"] != "16") continue;
    seen = true;
    EXPECT_EQ(d["cell"], 41);
  }
  EXPECT_TRUE(seen) << doc.dump(2);

  // Paths relative to the directory the compile runs in carry that directory as their base.
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  CompileOptions s;
  s.dir = ".";
  s.check = true;
  s.format = "sarif";
  std::ostringstream out, err;
  RunCompile(s, out, err);
  std::filesystem::current_path(before);
  const json sarif = json::parse(out.str());
  const json& run = sarif["runs"][0];
  ASSERT_FALSE(run["results"].empty());
  for (const json& result : run["results"]) {
    const json& artifact = result["locations"][0]["physicalLocation"]["artifactLocation"];
    EXPECT_EQ(artifact["uriBaseId"], "SRCROOT") << artifact.dump();
  }
  const std::string base = run["originalUriBaseIds"]["SRCROOT"]["uri"];
  EXPECT_EQ(base.rfind("file:///", 0), 0u) << base;
  EXPECT_EQ(base.back(), '/');
}

TEST(AuthorMessages, ALineDescriptionAloneIsChecked) {
  TempDir dir;
  // Error 103 at line 4, which the line's rows alone give; no train data is needed.
  dir.Write("M_linea.txt", Linea("curvad, 1000, 200\n"));
  CompileOptions o;
  o.check = true;
  o.linea = "M";
  const Outcome r = Compile(dir, o);
  EXPECT_EQ(r.status, kExitError) << r.err;
  EXPECT_NE(r.err.find("M_linea.txt:4:1: error 103"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("train data"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("no pair"), std::string::npos) << r.err;
  EXPECT_TRUE(dir.List() == std::vector<std::string>{"M_linea.txt"});

  // A correct line alone checks clean, without the missing train data's warnings.
  TempDir clean;
  clean.Write("M_linea.txt", Linea("pendenza, 1000, 5\n"));
  const Outcome ok = Compile(clean, o);
  EXPECT_EQ(ok.status, kExitOk) << ok.err;
  EXPECT_EQ(ok.err.find("warning"), std::string::npos) << ok.err;

  // Without --check the pair is still needed.
  CompileOptions write = o;
  write.check = false;
  EXPECT_EQ(Compile(clean, write).status, kExitUsage);
}

TEST(AuthorMessages, ATrainTextWithoutItsHyphenIsNamed) {
  TempDir dir;
  dir.Write("Montelago_linea.txt", Linea());
  dir.Write("Montelago_101.txt", Treno());
  const Outcome r = Compile(dir);
  EXPECT_EQ(r.status, kExitUsage);
  EXPECT_NE(r.err.find("did you mean `Montelago_101-.txt`?"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace percorso
