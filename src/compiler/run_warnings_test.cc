// The warnings about the assumed train's run, as compile, the language server and the
// preview get them: at the row that causes them, with the figures in the message.
#include <gtest/gtest.h>

#include <string>

#include "compiler/compile.h"
#include "model/warnings.h"

namespace percorso {
namespace {

const char kLinea[] =
    "[generale]\r\nlunghezza percorso, 8000\r\nprogressiva chilometrica uno, 0, 8000, 1\r\n"
    "[pendenze]\r\npendenza, 0, 0\r\n[fine]\r\n";

// Stations ALFA at 1000 m and BETA at 7000 m, `seconds` apart; a slowdown to 30 km/h at
// 4000 m under a line limit of `limit` km/h.
std::string Treno(int seconds, int limit, int braked) {
  const int t = 10 * 3600 + seconds;
  return "[generale]\r\nnumero vetture, 8\r\npercentuale massa frenata, " +
         std::to_string(braked) + "\r\nvelocita, 0, " + std::to_string(limit) +
         "\r\naderenza, 0, 100\r\n"
         "stazione, 1000, 2, 400, 0, 0, 0, 1,1,0, 2,4,1, 1, 10,0,0, ALFA\r\n"
         "stazione, 7000, 5, 400, 0, 0, 0, 1,1,0, 2,1,1, 0, " +
         std::to_string(t / 3600) + "," + std::to_string(t / 60 % 60) + "," +
         std::to_string(t % 60) + ", BETA\r\n"
         "rallentamento, 4000, 30, 300, 0, 0, 30\r\n[fine]\r\n";
}

std::vector<Warning> RunWarnings(const std::string& treno, RunCheck check = RunCheck::kCheck) {
  Compilation c = CompileScenario({ReadStatus::kOk, kLinea, "L_linea.txt"},
                                  {ReadStatus::kOk, treno, "L_1-.txt"},
                                  {"L", "1", PlanChoice::kWithoutPlan, std::nullopt,
                                   WarningChoice::kWatch, check});
  EXPECT_EQ(c.errors.numero, 0);
  std::vector<Warning> found;
  for (const Warning& w : c.errors.warnings) {
    if (w.kind == WarningKind::kTimetableTooTight || w.kind == WarningKind::kSlowdownWarningShort)
      found.push_back(w);
  }
  return found;
}

TEST(RunWarnings, AtTheRowsThatCauseThem) {
  // 6 km with a slowdown in 2 minutes cannot be kept; braking from 160 to 30 km/h with
  // 60 % braked mass takes about 2 200 m, more than the warning's 1 200.
  std::vector<Warning> w = RunWarnings(Treno(120, 160, 60));
  ASSERT_EQ(w.size(), 2u);
  EXPECT_EQ(w[0].kind, WarningKind::kSlowdownWarningShort);
  EXPECT_EQ(w[0].text, WarningText::kTrain);
  EXPECT_EQ(w[0].line, 8);  // the rallentamento row
  EXPECT_NE(w[0].message.find("from 160 to 30 km/h"), std::string::npos) << w[0].message;
  EXPECT_EQ(w[1].kind, WarningKind::kTimetableTooTight);
  EXPECT_EQ(w[1].line, 7);  // BETA's row, which schedules the section
  EXPECT_EQ(w[1].column, 11);
  EXPECT_NE(w[1].message.find("s short"), std::string::npos) << w[1].message;
  EXPECT_NE(w[1].message.find("scheduled in 120 s"), std::string::npos) << w[1].message;

  // Enough time, a lower limit and more braked mass: nothing to say. Without the check
  // (the build run) nothing is looked for.
  EXPECT_TRUE(RunWarnings(Treno(900, 120, 150)).empty());
  EXPECT_TRUE(RunWarnings(Treno(120, 160, 60), RunCheck::kSkip).empty());
}

}  // namespace
}  // namespace percorso
