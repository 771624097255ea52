#include "compiler/diagnostics.h"

#include <gtest/gtest.h>

#include <sstream>

namespace percorso {
namespace {

TEST(SourceLineTest, CutsAtEveryKindOfLineEnd) {
  const std::string text = "uno\r\ndue\ntre\rquattro\r\n";
  EXPECT_EQ(SourceLine(text, 1), "uno");
  EXPECT_EQ(SourceLine(text, 2), "due");
  EXPECT_EQ(SourceLine(text, 3), "tre");
  EXPECT_EQ(SourceLine(text, 4), "quattro");
  EXPECT_EQ(SourceLine(text, 5), std::nullopt);
  EXPECT_EQ(SourceLine(text, 0), std::nullopt);
  EXPECT_EQ(SourceLine("", 1), std::nullopt);
  EXPECT_EQ(SourceLine("x", 1), "x");
  EXPECT_EQ(SourceLine("a\r\n\r\nb", 2), "");
  EXPECT_EQ(SourceLine("a\r\n\r\nb", 3), "b");
}

TEST(WriteDiagnosticTest, TextErrorQuotesTheLineWithACaretUnderTheColumn) {
  const std::string text = "[generale]\r\n\tsegnale,   10200,  1\r\n";
  QuotedText quoted{"routes/X_55-.txt", text, false};
  Diagnostic d;
  d.numero = 16;
  d.has_posizione = true;
  d.posizione = 10200;
  d.origin = ErrorOrigin::kTrainText;
  d.line = 2;
  d.column = 13;
  d.detail = "cell 205 holds a slowdown";
  std::ostringstream err;
  WriteDiagnostic(err, d, "signal on a cell that is not free", &quoted, "routes/X_55.dat");
  EXPECT_EQ(err.str(),
            "routes/X_55-.txt:2:13: error 16: signal on a cell that is not free: cell 205 holds "
            "a slowdown (at 10200 m)\n"
            "\tsegnale,   10200,  1\n"
            "\t           ^\n");
}

TEST(WriteDiagnosticTest, CaretCountsCharactersOfAUtf8Line) {
  const std::string text = "stazione, 1,2,\xC3\xA8,X\n";
  QuotedText quoted{"a_linea.txt", text, true};
  Diagnostic d{25, false, 0, ErrorOrigin::kLineText, 1, 17, -1, ""};
  std::ostringstream err;
  WriteDiagnostic(err, d, "load failed", &quoted, "a_1.dat");
  EXPECT_EQ(err.str(), "a_linea.txt:1:17: error 25: load failed\n"
                       "stazione, 1,2,\xC3\xA8,X\n"
                       "                ^\n");
}

TEST(WriteDiagnosticTest, PassAndUnplacedErrors) {
  Diagnostic pass{12, true, 26550, ErrorOrigin::kPass, 0, 0, 531, ""};
  Diagnostic none{2, false, 0, ErrorOrigin::kNone, 0, 0, -1, ""};
  Diagnostic unlined{24, false, 0, ErrorOrigin::kTrainText, 0, 0, -1, ""};
  QuotedText quoted{"X_55-.txt", "abc\r\n", false};
  std::ostringstream err;
  WriteDiagnostic(err, pass, "no free cell before a slowdown start", nullptr, "X_55.dat");
  WriteDiagnostic(err, none, "chainage not on 50 m", nullptr, "X_55.dat");
  WriteDiagnostic(err, unlined, "station zone ends in the first 100 m", &quoted, "X_55.dat");
  EXPECT_EQ(err.str(),
            "X_55.dat: error 12: no free cell before a slowdown start (at 26550 m, cell 531)\n"
            "percorso: error 2: chainage not on 50 m\n"
            "X_55-.txt: error 24: station zone ends in the first 100 m\n");
}

TEST(SummaryLineTest, FixedForms) {
  EXPECT_EQ(SummaryLine(0, std::nullopt, {"a_linea.dat", "a_1.sim", "a_1.dat"}),
            "result: no error; wrote a_linea.dat, a_1.sim, a_1.dat");
  EXPECT_EQ(SummaryLine(16, 10200, {"a_1.sim", "a_1.dat"}),
            "result: error 16 at 10200 m; wrote a_1.sim, a_1.dat");
  EXPECT_EQ(SummaryLine(24, std::nullopt, {}), "result: error 24; wrote nothing");
  EXPECT_EQ(SummaryLine(0, std::nullopt, {}), "result: no error; wrote nothing");
}

TEST(FinalPositionTest, OnlyWhenTheLastErrorSetOne) {
  ErrorState e;
  EXPECT_EQ(FinalPosition(e), std::nullopt);
  e.Record({15, true, 4000, ErrorOrigin::kLineText, 3, 1, -1, ""});
  EXPECT_EQ(FinalPosition(e), 4000);
  e.Record({24, false, 0, ErrorOrigin::kTrainText, 9, 1, -1, ""});
  EXPECT_EQ(e.posizione, 4000);  // the state keeps it, but it belongs to the earlier error
  EXPECT_EQ(FinalPosition(e), std::nullopt);
}

}  // namespace
}  // namespace percorso
