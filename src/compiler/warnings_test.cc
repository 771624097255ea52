// Each warning fires on a small text at the field that causes it, and on nothing else;
// the built-in route and the maximal scenario give none.
#include "compiler/warnings.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "builtin/builtin_texts.h"
#include "compiler/compile.h"
#include "testing/max_scenario.h"

namespace percorso {
namespace {

// A line of 2000 m with an empty body, and a train text with speed and adhesion from 0.
std::string Linea(const std::string& body) {
  return "[generale]\nlunghezza percorso, 2000\n[corpo]\n" + body + "[fine]\n";
}
std::string Treno(const std::string& rows) {
  return "[generale]\nvelocita, 0, 100\naderenza, 0, 100\n" + rows + "[fine]\n";
}

Compilation Compile(const std::string& linea, const std::string& treno,
                    PlanChoice plan = PlanChoice::kWithPlan,
                    WarningChoice warnings = WarningChoice::kWatch) {
  return CompileScenario(SourceText{ReadStatus::kOk, linea, "l"},
                         SourceText{ReadStatus::kOk, treno, "t"},
                         {"Prova", "7", plan, std::nullopt, warnings});
}

constexpr const char* kSignal = ", 1, 4,0,0, 0, 1, 1,0,0, 0\n";

struct Case {
  const char* name;
  std::string linea;
  std::string treno;
  WarningKind kind;
  WarningText text;
  int line;
  int column;
  size_t count;  // every warning of the compile, the expected one included
};

TEST(Warnings, EachFiresAtItsFieldAndNothingElse) {
  const Case cases[] = {
      {"unknown-row", Linea(""), Treno("[vel_limite]\nvelocta,   500,   160\n"),
       WarningKind::kUnknownRow, WarningText::kTrain, 5, 1, 1},
      {"not-a-number (curve start)", Linea("curvad4,  2.6e3,  800\n"), Treno(""),
       WarningKind::kNotANumber, WarningText::kLine, 4, 11, 1},
      {"not-a-number (gradient)", Linea("pendenza, 500, 12x\n"), Treno(""),
       WarningKind::kNotANumber, WarningText::kLine, 4, 16, 1},
      {"split-number in a row", Linea(""), Treno("numero vetture, 1 200\n"),
       WarningKind::kSplitNumber, WarningText::kTrain, 4, 17, 1},
      {"split-number in the line length",
       "[generale]\nlunghezza percorso, 2 000\n[corpo]\n[fine]\n", Treno(""),
       WarningKind::kSplitNumber, WarningText::kLine, 2, 21, 1},
      {"row-spans-lines (field from the next line)", Linea(""),
       Treno("velocita, 1000\nvelocita, 1500, 60\n"), WarningKind::kRowSpansLines,
       WarningText::kTrain, 5, 1, 1},
      {"row-spans-lines (field left over)", Linea(""), Treno("velocita, 1000, 60, 70\n"),
       WarningKind::kRowSpansLines, WarningText::kTrain, 4, 21, 1},
      {"position-not-rising", Linea(""), Treno("velocita, 1000, 60\nvelocita, 500, 80\n"),
       WarningKind::kPositionNotRising, WarningText::kTrain, 5, 11, 1},
      {"rounded-position", Linea(""), Treno(std::string("segnale, 1025") + kSignal),
       WarningKind::kRoundedPosition, WarningText::kTrain, 4, 10, 1},
      {"rounded-speed", Linea(""), Treno("velocita, 1000, 137\n"), WarningKind::kRoundedSpeed,
       WarningText::kTrain, 4, 17, 1},
      {"curve-dropped", Linea("curvad4, 500, 800\ncurvas4, 1000, 200\n"), Treno(""),
       WarningKind::kCurveDropped, WarningText::kLine, 5, 10, 1},
      {"value-wraps", Linea("pendenza, 500, 160\n"), Treno(""), WarningKind::kValueWraps,
       WarningText::kLine, 4, 16, 1},
      {"after-end", Linea(""), "[generale]\nvelocita, 0, 100\naderenza, 0, 100\nsabbia",
       WarningKind::kAfterEnd, WarningText::kTrain, 4, 1, 1},
      {"header-is-row", Linea(""), Treno("[velocita]\nvelocita, 500, 100\n"),
       WarningKind::kHeaderIsRow, WarningText::kTrain, 4, 1, 1},
      {"comment-as-keyword", Linea("-- a --\n-- b --\n--- pendenza ---\n500, 10\n"), Treno(""),
       WarningKind::kCommentAsKeyword, WarningText::kLine, 6, 1, 1},
      {"misplaced-row", "[generale]\nlunghezza percorso, 2000\npendenza, 500, 1\n[corpo]\n",
       Treno(""), WarningKind::kMisplacedRow, WarningText::kLine, 3, 1, 1},
      {"misplaced-row (a line row in the train data)", Linea(""), Treno("pendenza, 500, 1\n"),
       WarningKind::kMisplacedRow, WarningText::kTrain, 4, 1, 1},
      {"unknown-header", Linea(""), "[general]\nvelocita, 0, 100\naderenza, 0, 100\n",
       WarningKind::kUnknownHeader, WarningText::kTrain, 1, 1, 1},
      {"empty-text", Linea(""), "[generale]\naderenza, 0, 100\n[fine]\n",
       WarningKind::kEmptyText, WarningText::kTrain, 0, 0, 1},
      // Two rounded positions and the collision they cause, reported before error 16.
      {"cell-collision-risk", Linea(""),
       Treno(std::string("segnale, 1025") + kSignal + "segnale, 1075" + kSignal),
       WarningKind::kCellCollisionRisk, WarningText::kTrain, 5, 10, 3},
      // "100 500" read as two numbers leaves the speed's field over.
      {"split-number (a field left over)", Linea(""), Treno("velocita, 100 500, 140\n"),
       WarningKind::kSplitNumber, WarningText::kTrain, 4, 11, 1},
      {"comment-comma (its rest read as a row)",
       Linea("-- the climb, pendenza rises to 12\npendenza, 1000, 12\n"), Treno(""),
       WarningKind::kCommentComma, WarningText::kLine, 4, 1, 1},
      {"comment-comma (its rest ignored)", Linea("-- gradients, then curves\n"), Treno(""),
       WarningKind::kCommentComma, WarningText::kLine, 4, 1, 1},
      {"missing-comma (blanks)", Linea(""), Treno("velocita 1000 90\nvelocita, 1500, 60\n"),
       WarningKind::kMissingComma, WarningText::kTrain, 4, 9, 1},
      {"missing-comma (a tab)", Linea(""), Treno("velocita\t1000, 1100, 60\n"),
       WarningKind::kMissingComma, WarningText::kTrain, 4, 9, 1},
      {"past-line-end (station)", Linea(""),
       Treno("stazione, 2500, 5, 500, 0,0,0, 0,0,0, 0,0,0, 0, 15,46,0, FINE\n"),
       WarningKind::kPastLineEnd, WarningText::kTrain, 4, 11, 1},
      {"past-line-end (signal)", Linea(""), Treno(std::string("segnale, 3000") + kSignal),
       WarningKind::kPastLineEnd, WarningText::kTrain, 4, 10, 1},
      {"reversed-span", Linea("montagna,  1400,   1250,  12\n"), Treno(""),
       WarningKind::kReversedSpan, WarningText::kLine, 4, 20, 1},
      {"impossible-time (a minute of 75)", Linea(""), Treno("orologio, 14, 75, 0\n"),
       WarningKind::kImpossibleTime, WarningText::kTrain, 4, 15, 1},
      {"impossible-time (an hour of 24)", Linea(""),
       Treno("stazione, 500, 2, 400, 0,0,0, 0,0,0, 0,0,0, 0, 24,10,0, A\n"),
       WarningKind::kImpossibleTime, WarningText::kTrain, 4, 48, 1},
      {"impossible-time (going backwards)", Linea(""),
       Treno("stazione, 500, 2, 400, 0,0,0, 0,0,0, 0,0,0, 0, 8,30,0, A\n"
             "stazione, 1500, 5, 400, 0,0,0, 0,0,0, 0,0,0, 0, 8,20,0, B\n"),
       WarningKind::kImpossibleTime, WarningText::kTrain, 5, 49, 1},
      {"slowdown-above-limit", Linea(""), Treno("rallentamento, 1000, 120, 200, 0, 0, 120\n"),
       WarningKind::kSlowdownAboveLimit, WarningText::kTrain, 4, 22, 1},
      {"zero-speed-limit", Linea(""), Treno("velocita, 1000, 0\n"),
       WarningKind::kZeroSpeedLimit, WarningText::kTrain, 4, 17, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Compilation out = Compile(c.linea, c.treno);
    const std::vector<Warning>& w = out.errors.warnings;
    for (const Warning& x : w) {
      SCOPED_TRACE(std::string(WarningName(x.kind)) + " " + std::to_string(x.line) + ":" +
                   std::to_string(x.column) + " " + x.message);
    }
    EXPECT_EQ(w.size(), c.count);
    bool found = false;
    for (const Warning& x : w) {
      if (x.kind != c.kind) continue;
      found = true;
      EXPECT_EQ(x.text, c.text);
      EXPECT_EQ(x.line, c.line);
      EXPECT_EQ(x.column, c.column);
      EXPECT_FALSE(x.message.empty());
    }
    EXPECT_TRUE(found) << "no " << WarningName(c.kind);
  }
}

// Numbers set apart by blanks alone are a form of the format: no warning unless the
// blank splits a thousands group and so changes the row.
TEST(Warnings, BlankSeparatedNumbersThatReadAsWrittenGiveNone) {
  const char* rows[] = {
      "velocita, 1000  180\n",
      "velocita, 1000 140\n",
      "velocita, 100 140\n",  // one to three digits and three: the row takes both
      "orologio,    14              45            20 \n",
      "stazione, 500 2 400 0 0 0 1 1 0 2 4 1 1 8 30 0 PIANA\n",
      "segnale, 1000  1 4 0 0 0  0  0 0 0 0\n",
  };
  for (const char* row : rows) {
    SCOPED_TRACE(row);
    const Compilation out = Compile(Linea("indicatori_vmax, 1350  60  140  100 0 ,  ,  ,  ,  0\n"),
                                    Treno(row));
    EXPECT_EQ(out.errors.numero, 0);
    for (const Warning& w : out.errors.warnings)
      ADD_FAILURE() << WarningName(w.kind) << " " << w.line << ":" << w.column << " " << w.message;
  }
}

// A midnight between two stations is a timetable, not a fault.
TEST(Warnings, ARunPastMidnightIsNoBackwardsTime) {
  const Compilation out =
      Compile(Linea(""), Treno("stazione, 500, 2, 400, 0,0,0, 0,0,0, 0,0,0, 0, 23,50,0, A\n"
                               "stazione, 1500, 5, 400, 0,0,0, 0,0,0, 0,0,0, 0, 0,10,0, B\n"));
  EXPECT_EQ(out.errors.numero, 0);
  EXPECT_TRUE(out.errors.warnings.empty());
}

// A curve that starts where the one before ends loses no metre of it: no warning.
TEST(Warnings, AbuttingCurvesAreNotDropped) {
  const Compilation out = Compile(Linea("curvad4, 500, 800\ncurvas4, 1300, 200\n"), Treno(""));
  for (const Warning& x : out.errors.warnings) ADD_FAILURE() << WarningName(x.kind) << ": " << x.message;
  // One metre further back overlaps it, and is warned.
  const Compilation overlap = Compile(Linea("curvad4, 500, 800\ncurvas4, 1299, 200\n"), Treno(""));
  ASSERT_EQ(overlap.errors.warnings.size(), 1u);
  EXPECT_EQ(overlap.errors.warnings[0].kind, WarningKind::kCurveDropped);
}

TEST(Warnings, TheIssueExampleReadsAsWritten) {
  const Compilation out = Compile(Linea(""), Treno("[vel_limite]\nvelocta,   88850,   160\n"));
  ASSERT_EQ(out.errors.warnings.size(), 1u);
  EXPECT_EQ(out.errors.warnings[0].message,
            "row not recognised in [vel_limite], ignored: \"velocta\"; did you mean "
            "`velocita`?");
}

// A warning is only words: a text that warns compiles to the very bytes, and the same
// error state, as the text written the way the compiler reads it, and as itself compiled
// without looking for warnings.
TEST(Warnings, ChangeNoByteAndNoError) {
  struct Pair {
    std::string warns_linea, warns_treno;
    std::string plain_linea, plain_treno;
  };
  const std::string signal_pair = std::string("segnale, 1025") + kSignal + "segnale, 1075" + kSignal;
  const Pair pairs[] = {
      {Linea(""), Treno("velocita, 1000, 137\n"), Linea(""), Treno("velocita, 1000, 135\n")},
      {Linea("curvad4,  2.6e3,  800\n"), Treno(""), Linea("curvad4, 0, 800\n"), Treno("")},
      {Linea("pendenza, 500, 160\n"), Treno(""), Linea("pendenza, 500, -96\n"), Treno("")},
      {Linea(""), Treno(signal_pair), Linea(""),
       Treno(std::string("segnale, 1050") + kSignal + "segnale, 1050" + kSignal)},
      {Linea(""), Treno("[vel_limite]\nvelocta,   500,   160\n"), Linea(""), Treno("")},
      {Linea("curvad4, 500, 800\ncurvas4, 1000, 200\n"), Treno(""),
       Linea("curvad4, 500, 800\n"), Treno("")},
  };
  for (const Pair& p : pairs) {
    SCOPED_TRACE(p.warns_linea + p.warns_treno);
    const Compilation warns = Compile(p.warns_linea, p.warns_treno);
    const Compilation plain = Compile(p.plain_linea, p.plain_treno);
    EXPECT_FALSE(warns.errors.warnings.empty());
    EXPECT_EQ(warns.errors.numero, plain.errors.numero);
    ASSERT_EQ(warns.files.size(), plain.files.size());
    for (size_t i = 0; i < warns.files.size(); ++i)
      EXPECT_TRUE(warns.files[i].bytes == plain.files[i].bytes) << warns.files[i].name;

    const Compilation unwatched =
        Compile(p.warns_linea, p.warns_treno, PlanChoice::kWithPlan, WarningChoice::kSkip);
    EXPECT_TRUE(unwatched.errors.warnings.empty());
    EXPECT_EQ(unwatched.errors.numero, warns.errors.numero);
    ASSERT_EQ(unwatched.files.size(), warns.files.size());
    for (size_t i = 0; i < warns.files.size(); ++i)
      EXPECT_TRUE(unwatched.files[i].bytes == warns.files[i].bytes) << warns.files[i].name;
  }
}

TEST(Warnings, WithoutThePlanCurveRowsAreNotUnknown) {
  const Compilation out =
      Compile(Linea("curvad4, 500, 800\n"), Treno(""), PlanChoice::kWithoutPlan);
  EXPECT_TRUE(out.errors.warnings.empty());
}

TEST(Warnings, NoneOnTheBuiltInRouteOrTheMaximalScenario) {
  for (PlanChoice plan : {PlanChoice::kWithPlan, PlanChoice::kWithoutPlan}) {
    const Compilation builtin =
        CompileScenario(SourceText{ReadStatus::kOk, RenderText(LineaRows()), "linea"},
                        SourceText{ReadStatus::kOk, RenderText(TrenoRows()), "treno"},
                        {kBuiltinLineName, kBuiltinTrainNumber, plan});
    ASSERT_EQ(builtin.errors.numero, 0);
    for (const Warning& w : builtin.errors.warnings)
      ADD_FAILURE() << "built-in: " << w.line << ":" << w.column << " " << w.message;
  }
  // The maximal scenario uses every row kind at every cell it may: it gives no warning
  // of the way it is written. Its slowdown speeds and speed limits are drawn apart from
  // each other, so many slowdowns stand where the limit is lower: that one is true.
  for (int32_t length : {kMinMaxScenarioLength, 250000}) {
    const MaxScenario max = MakeMaxScenario(length);
    const Compilation out =
        CompileScenario(SourceText{ReadStatus::kOk, max.linea, "linea"},
                        SourceText{ReadStatus::kOk, max.treno, "treno"},
                        {kMaxScenarioLineName, kMaxScenarioTrainNumber});
    ASSERT_EQ(out.errors.numero, 0);
    for (const Warning& w : out.errors.warnings) {
      if (w.kind == WarningKind::kSlowdownAboveLimit) continue;
      ADD_FAILURE() << "max " << length << ": " << WarningName(w.kind) << " " << w.line << ":"
                    << w.column << " " << w.message;
    }
  }
}

}  // namespace
}  // namespace percorso
