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

// The quoted line and the caret line of one diagnostic, for a line of text and a column.
struct Quote {
  std::string quoted, caret;  // caret "" when no caret line is written
};

Quote QuoteOf(const std::string& line, int column, bool from_utf8) {
  const std::string text = "[generale]\r\n" + line + "\r\n[fine]\r\n";
  QuotedText quoted{"X_linea.txt", text, from_utf8};
  Diagnostic d{25, false, 0, ErrorOrigin::kLineText, 2, column, -1, ""};
  std::ostringstream err;
  WriteDiagnostic(err, d, "m", &quoted, "X_1.dat");
  std::istringstream lines(err.str());
  std::string head;
  Quote q;
  std::getline(lines, head);
  std::getline(lines, q.quoted);
  std::getline(lines, q.caret);
  std::string rest;
  EXPECT_FALSE(std::getline(lines, rest)) << "more than three lines: " << err.str();
  return q;
}

std::string Spaces(size_t n) { return std::string(n, ' '); }

// Where the caret lands: at the start, near the end, past the end and at column 0 of a
// line longer than the 160 characters quoted; after Windows-1252 high bytes; after
// characters of two, three and four UTF-8 bytes. Each expected line is worked out from
// the rule: a line over 160 characters is quoted as the 160 around the column (the column
// at the 81st when it can be), "..." for each cut; a caret line follows when the column
// is not 0, three more blanks after a cut at the front.
TEST(WriteDiagnosticTest, QuotedLineAndCaretTable) {
  // 200 characters, each telling its own place: "0123456789" twenty times.
  std::string digits;
  for (int i = 0; i < 20; ++i) digits += "0123456789";
  const std::string e_grave = "\xC3\xA8", euro = "\xE2\x82\xAC", smile = "\xF0\x9F\x98\x80";
  std::string accents;  // 200 characters of two bytes each
  for (int i = 0; i < 200; ++i) accents += e_grave;
  std::string mixed;  // 170 characters: 50 four-byte ones, then 120 letters
  for (int i = 0; i < 50; ++i) mixed += smile;
  mixed += std::string(120, 'x');
  struct Case {
    const char* what;
    std::string line;
    int column;
    bool from_utf8;
    std::string quoted, caret;
  };
  const Case cases[] = {
      {"column 1 of a long line", digits, 1, false, digits.substr(0, 160) + "...", "^"},
      {"column 100 of a long line: 19 cut before", digits, 100, false,
       "..." + digits.substr(19, 160) + "...", Spaces(3 + 80) + "^"},
      {"column 195, near the end: the last 160", digits, 195, false, "..." + digits.substr(40),
       Spaces(3 + 154) + "^"},
      {"column 250, past the end: after the last character", digits, 250, false,
       "..." + digits.substr(40), Spaces(3 + 160) + "^"},
      {"column 0: the start, no caret", digits, 0, false, digits.substr(0, 160) + "...", ""},
      {"past the end of a short line", "pendenza, 100", 14, false, "pendenza, 100",
       Spaces(13) + "^"},
      {"after Windows-1252 high bytes, one character each", "nome, \xE8\x80\xE0X", 10, false,
       "nome, " + e_grave + euro + "\xC3\xA0X", Spaces(9) + "^"},
      {"after an undefined Windows-1252 byte", "a\x81" "b", 3, false, "a?b", Spaces(2) + "^"},
      {"after a two-byte character", "a" + e_grave + "b", 3, true, "a" + e_grave + "b",
       Spaces(2) + "^"},
      {"after a three-byte character", "a" + euro + "b", 3, true, "a" + euro + "b",
       Spaces(2) + "^"},
      {"after a four-byte character", "a" + smile + "b", 3, true, "a" + smile + "b",
       Spaces(2) + "^"},
      {"long line of two-byte characters: cut between characters", accents, 100, true,
       "..." + accents.substr(2 * 19, 2 * 160) + "...", Spaces(3 + 80) + "^"},
      {"long line after four-byte characters", mixed, 60, true,
       mixed.substr(0, 4 * 50 + 110) + "...", Spaces(59) + "^"},
      {"long line, column past the end after four-byte characters", mixed, 400, true,
       "..." + mixed.substr(4 * 10), Spaces(3 + 160) + "^"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Quote q = QuoteOf(c.line, c.column, c.from_utf8);
    EXPECT_EQ(q.quoted, c.quoted);
    EXPECT_EQ(q.caret, c.caret);
  }
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
