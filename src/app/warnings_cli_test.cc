// The warnings as `compile` reports them: in text with the summary's count, silenced by
// --no-warn, made fatal by --werror; and the same compile as JSON and as SARIF 2.1.0,
// the SARIF checked against the published schema. `explain` covers every code.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "app/compile_command.h"
#include "model/error_meanings.h"
#include "model/explanations.h"
#include "model/warnings.h"
#include "testing/subprocess.h"
#include "testing/temp_dir.h"

namespace percorso {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// Two warnings in the train data: an unknown row (line 5) and a rounded speed (line 6).
constexpr const char* kLinea = "[generale]\nlunghezza percorso, 5000\n[pendenze]\npendenza, 0, 0\n";
constexpr const char* kTreno =
    "[generale]\nvelocita, 0, 100\naderenza, 0, 100\n[vel_limite]\nvelocta,   2000,   160\n"
    "velocita, 3000, 137\n[fine]\n";

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

Outcome Compile(const TempDir& dir, std::initializer_list<std::string> no_warn = {},
                bool werror = false, const std::string& format = "text") {
  CompileOptions o;
  o.dir = dir.path();
  o.no_warn = no_warn;
  o.werror = werror;
  o.format = format;
  std::ostringstream out, err;
  const int status = RunCompile(o, out, err);
  return {status, out.str(), err.str()};
}

std::string LastLine(const std::string& s) {
  std::string t = s.substr(0, s.size() - 1);
  return t.substr(t.rfind('\n') + 1);
}

std::string Read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Pair {
  TempDir dir;
  Pair() {
    dir.Write("R_linea.txt", kLinea);
    dir.Write("R_1-.txt", kTreno);
  }
  std::string Files() const {
    return Read(dir.path() / "R_linea.dat") + Read(dir.path() / "R_1.sim") +
           Read(dir.path() / "R_1.dat");
  }
};

TEST(WarningsCli, PrintedWithCaretCountedAndSilenced) {
  Pair p;
  const Outcome all = Compile(p.dir);
  EXPECT_EQ(all.status, kExitOk);
  const std::string shown = p.dir.path().string() + "/R_1-.txt";
  EXPECT_NE(all.err.find(shown + ":5:1: warning: row not recognised in [vel_limite], ignored: "
                                 "\"velocta\"; did you mean `velocita`? [unknown-row]\n"
                                 "velocta,   2000,   160\n^\n"),
            std::string::npos)
      << all.err;
  EXPECT_NE(all.err.find(shown + ":6:17: warning: speed 137 km/h is not a multiple of 5: it is "
                                 "stored as 135 km/h [rounded-speed]\nvelocita, 3000, 137\n"
                                 "                ^\n"),
            std::string::npos)
      << all.err;
  EXPECT_EQ(LastLine(all.err).substr(0, 35), "result: no error, 2 warnings; wrote") << all.err;
  const std::string bytes = p.Files();

  const Outcome one = Compile(p.dir, {"rounded-speed"});
  EXPECT_EQ(one.err.find("rounded-speed"), std::string::npos);
  EXPECT_EQ(LastLine(one.err).substr(0, 34), "result: no error, 1 warning; wrote");

  const Outcome none = Compile(p.dir, {"rounded-speed", "unknown-row"});
  EXPECT_EQ(none.err.find("warning"), std::string::npos);
  EXPECT_EQ(LastLine(none.err).substr(0, 24), "result: no error; wrote ");
  EXPECT_EQ(p.Files(), bytes);

  // --werror: exit status 1, the files written all the same.
  fs::remove(p.dir.path() / "R_1.dat");
  const Outcome fatal = Compile(p.dir, {}, true);
  EXPECT_EQ(fatal.status, kExitError);
  EXPECT_EQ(p.Files(), bytes);
  EXPECT_EQ(Compile(p.dir, {"rounded-speed", "unknown-row"}, true).status, kExitOk);
}

TEST(WarningsCli, AnUnknownWarningNameIsAUsageError) {
  Pair p;
  const Outcome r = Compile(p.dir, {"velocta"});
  EXPECT_EQ(r.status, kExitUsage);
  EXPECT_NE(r.err.find("no warning is named \"velocta\""), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(p.dir.path() / "R_1.dat"));
  EXPECT_EQ(Compile(p.dir, {}, false, "xml").status, kExitUsage);
}

TEST(WarningsCli, JsonHoldsEveryDiagnosticAndTheResult) {
  Pair p;
  // An error as well: two signals in one cell, after the two warnings.
  p.dir.Write("R_1-.txt", std::string(kTreno) + "segnale, 2000, 1, 4,0,0, 0, 0, 0,0,0, 0\n" +
                              "segnale, 2000, 1, 4,0,0, 0, 0, 0,0,0, 0\n");
  const Outcome r = Compile(p.dir, {}, false, "json");
  EXPECT_EQ(r.status, kExitError);
  EXPECT_EQ(r.err, "");
  const json doc = json::parse(r.out);
  const json& d = doc.at("diagnostics");
  ASSERT_EQ(d.size(), 3u) << r.out;
  EXPECT_EQ(d[0].at("severity"), "warning");
  EXPECT_EQ(d[0].at("code"), "unknown-row");
  EXPECT_EQ(d[0].at("line"), 5);
  EXPECT_EQ(d[0].at("column"), 1);
  EXPECT_EQ(d[0].at("end_column"), 8);  // "velocta" is columns 1 to 7
  EXPECT_EQ(d[1].at("code"), "rounded-speed");
  EXPECT_EQ(d[1].at("column"), 17);
  EXPECT_EQ(d[1].at("end_column"), 20);
  EXPECT_EQ(d[2].at("severity"), "error");
  EXPECT_EQ(d[2].at("code"), "16");
  EXPECT_EQ(d[2].at("line"), 9);
  EXPECT_EQ(d[2].at("column"), 10);
  EXPECT_EQ(d[2].at("end_column"), 14);
  EXPECT_EQ(d[2].at("position_m"), 2000);
  EXPECT_EQ(d[2].at("file"), p.dir.path().string() + "/R_1-.txt");
  const json& result = doc.at("result");
  EXPECT_EQ(result.at("error"), 16);
  EXPECT_EQ(result.at("position_m"), 2000);
  EXPECT_EQ(result.at("warnings"), 2);
  EXPECT_EQ(result.at("exit_status"), 1);
  EXPECT_EQ(result.at("written").size(), 3u);
}

TEST(WarningsCli, SarifValidatesAgainstThePublishedSchema) {
  const fs::path npm = fs::path(PERCORSO_SOURCE_DIR) / "out/npm/node_modules";
  const fs::path ajv = npm / ".bin/ajv";
  const fs::path schema = npm / "@microsoft/sarif-multitool-linux/sarif-2.1.0.json";
  Pair p;
  p.dir.Write("R_1-.txt", std::string(kTreno) + "segnale, 2000, 1, 4,0,0, 0, 0, 0,0,0, 0\n" +
                              "segnale, 2000, 1, 4,0,0, 0, 0, 0,0,0, 0\n");
  const Outcome r = Compile(p.dir, {}, false, "sarif");
  EXPECT_EQ(r.status, kExitError);
  const json doc = json::parse(r.out);
  EXPECT_EQ(doc.at("version"), "2.1.0");
  const json& results = doc.at("runs").at(0).at("results");
  ASSERT_EQ(results.size(), 3u);
  EXPECT_EQ(results[0].at("level"), "warning");
  EXPECT_EQ(results[0].at("ruleId"), "unknown-row");
  EXPECT_EQ(results[2].at("level"), "error");
  const json& region = results[2].at("locations").at(0).at("physicalLocation").at("region");
  EXPECT_EQ(region.at("startLine"), 9);
  EXPECT_EQ(region.at("startColumn"), 10);

  if (!fs::exists(ajv) || !fs::exists(schema))
    GTEST_SKIP() << "the SARIF schema check needs ajv-cli and the SARIF 2.1.0 schema from npm "
                    "in out/npm: run make deps-test";
  // ajv-cli takes a file's kind from its extension.
  p.dir.Write("log.json", r.out);
  ProcessRequest check;
  check.argv = {ajv.string(), "validate", "--spec=draft2020", "--strict=false", "-c",
                "ajv-formats", "-s", schema.string(), "-d", (p.dir.path() / "log.json").string()};
  check.cwd = npm.parent_path();
  ProcessResult v = RunProcess(check);
  EXPECT_EQ(v.status, 0) << v.out << v.err;

  // The check itself rejects a log that breaks the schema.
  json broken = doc;
  broken["runs"][0]["results"][0]["level"] = "fatal";
  p.dir.Write("log.json", broken.dump());
  EXPECT_NE(RunProcess(check).status, 0);
}

TEST(Explain, CoversEveryErrorNumberAndWarning) {
  for (const ErrorMeaning& m : ErrorMeanings()) {
    std::optional<Explanation> x = Explain(std::to_string(m.numero));
    ASSERT_TRUE(x) << m.numero;
    EXPECT_EQ(x->meaning, m.meaning);
    EXPECT_FALSE(x->cause.empty() || x->example.empty() || x->fix.empty()) << m.numero;
  }
  for (WarningKind k : AllWarningKinds()) {
    std::optional<Explanation> x = Explain(WarningName(k));
    ASSERT_TRUE(x) << WarningName(k);
    EXPECT_TRUE(x->warning);
    EXPECT_FALSE(x->meaning.empty() || x->cause.empty() || x->example.empty() || x->fix.empty());
  }
  EXPECT_EQ(AllExplanations().size(), ErrorMeanings().size() + AllWarningKinds().size());
  EXPECT_FALSE(Explain("14"));
  EXPECT_FALSE(Explain("unknown"));
}

TEST(Explain, TheDocsHoldTheTableAsTheProgramPrintsIt) {
  const std::string doc = Read(fs::path(PERCORSO_SOURCE_DIR) / "docs/text-format.md");
  EXPECT_NE(doc.find(ExplanationsMarkdown()), std::string::npos)
      << "docs/text-format.md must hold the output of `percorso explain --markdown`";
}

TEST(Explain, TheCommandPrintsAnExplanationOrFailsAsUsage) {
  ProcessRequest req;
  req.argv = {PERCORSO_EXE, "explain", "unknown-row"};
  ProcessResult r = RunProcess(req);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, ExplanationText(*Explain("unknown-row")));
  EXPECT_NE(r.out.find("velocta"), std::string::npos);
  req.argv = {PERCORSO_EXE, "explain", "16"};
  r = RunProcess(req);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.substr(0, 10), "error 16: ");
  req.argv = {PERCORSO_EXE, "explain", "14"};
  r = RunProcess(req);
  EXPECT_EQ(r.status, kExitUsage);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("no error number, warning or row keyword is named \"14\""),
            std::string::npos);
}

// A row keyword gives the row's fields in order, with unit, range and meaning.
TEST(Explain, ARowKeywordGivesItsFieldsInOrder) {
  ProcessRequest req;
  req.argv = {PERCORSO_EXE, "explain", "velocita"};
  ProcessResult r = RunProcess(req);
  EXPECT_EQ(r.status, 0) << r.err;
  const size_t first = r.out.find("1. posizione (m, whole number");
  const size_t second = r.out.find("2. velocita (km/h, whole number");
  EXPECT_NE(first, std::string::npos) << r.out;
  EXPECT_NE(second, std::string::npos) << r.out;
  EXPECT_LT(first, second);
  EXPECT_NE(r.out.find("train data"), std::string::npos);
  req.argv = {PERCORSO_EXE, "explain", "stazione"};
  r = RunProcess(req);
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("17. "), std::string::npos) << r.out;
}

}  // namespace
}  // namespace percorso
