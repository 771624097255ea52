#include "compiler/loader.h"
#include "model/names.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "compiler/loader_files.h"
#include "model/error_meanings.h"
#include "builtin/builtin_texts.h"
#include "testing/temp_dir.h"

namespace percorso {
namespace {

constexpr int32_t kUnset = -777;  // the error position before a load

struct Model {
  LineTable tab;
  CellGrid grid;
  TrackPlan plan;
  ErrorState err;
  LoaderCounters cnt;
  LoaderDeletions del;

  LoaderState State() { return {tab, grid, plan, err, cnt}; }
  const TrackCell& cell(int64_t c) const { return grid.at(c); }
  const Diagnostic& last() const { return err.log.back(); }
};

std::string Lines(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += l + "\r\n";
  return out;
}

// A line description: "[generale]" on line 1, the line length on line 2, the general
// rows from line 3, a header, then the body rows (the first on line 4 + general rows).
// `closed`: the text ends with the line "[fine]".
std::string Linea(const std::vector<std::string>& body,
                  const std::vector<std::string>& general = {}, int32_t length = 10000,
                  bool closed = true) {
  std::vector<std::string> l = {"[generale]", "lunghezza percorso, " + std::to_string(length)};
  l.insert(l.end(), general.begin(), general.end());
  l.push_back("[corpo]");
  l.insert(l.end(), body.begin(), body.end());
  if (closed) l.push_back("[fine]");
  return Lines(l);
}

// A train data text: "[generale]" on line 1, the rows from line 2.
std::string Treno(const std::vector<std::string>& body, bool closed = true) {
  std::vector<std::string> l = {"[generale]"};
  l.insert(l.end(), body.begin(), body.end());
  if (closed) l.push_back("[fine]");
  return Lines(l);
}

std::string Stazione(int32_t p, int tipo, int32_t len, int f6 = 0, const std::string& name = "X") {
  return "stazione, " + std::to_string(p) + ", " + std::to_string(tipo) + ", " +
         std::to_string(len) + ", 0, 1, " + std::to_string(f6) +
         ", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, " + name;
}

std::string Segnale(int32_t p) {
  return "segnale, " + std::to_string(p) + ", 1, 4, 0, 0, 0, 1, 1, 0, 0, 0";
}

std::unique_ptr<Model> Load(const std::string& linea, const std::string& treno,
                            bool with_plan = true) {
  auto m = std::make_unique<Model>();
  m->err.posizione = kUnset;
  SourceText l{ReadStatus::kOk, linea, "t_linea.txt"};
  SourceText t{ReadStatus::kOk, treno, "t_1-.txt"};
  const std::string nome = "t", numero = "1";
  m->del = LoadTexts({l, t, nome, numero, with_plan}, m->State());
  return m;
}

// N = 340 for the 10000 m line of these texts.
constexpr int32_t kN = 340;

TEST(LoaderTest, StationsTakeTheirSlotsZonesAndStopCells) {
  auto m = Load(Linea({}, {}, 96900),
                Treno({"stazione, 200, 2, 500, 9, 1, 0, 1, 1, 4, 1, 1, 1, 0, 6, 30, 0, ALBA",
                       "stazione, 6400, 12, 400, 3, 7, 1, 10, 20, 30, 40, 50, 60, 70, 6, 45, 30, "
                       "VELMORO - RUSA",
                       Stazione(8000, 25, 0), Stazione(96900, 5, 500, 1, "OSTRANO")}));
  ASSERT_EQ(m->err.numero, 0) << m->last().detail;
  ASSERT_EQ(m->grid.upper(), 2078);
  const LineRecord& first = m->tab.slot[1];
  EXPECT_EQ(std::tuple(first.tipo, first.inizio, first.fine, first.posizione),
            std::tuple(2, -50, 450, 200));
  EXPECT_EQ(std::tuple(first.opzione1, first.opzione4, first.opzione5), std::tuple(9, 0, 0));
  EXPECT_EQ(std::tuple(m->cell(8).tipo, m->cell(8).dato1), std::tuple(10, 1));
  for (int i = 1; i <= 4; ++i) EXPECT_EQ(m->cell(8 - i).preavviso, 80 + i);

  const LineRecord& s = m->tab.slot[2];  // type 12 at 6400, 400 m, sixth field 1
  EXPECT_EQ(std::tuple(s.inizio, s.fine, s.opzione4, s.opzione5), std::tuple(6200, 6650, 1, 0));
  EXPECT_EQ(std::tuple(s.opzione1, s.valore1, s.valore2, s.opzione2, s.valore3, s.valore4,
                       s.valore5, s.opzione3),
            std::tuple(3, 10, 20, 30, 40, 50, 60, 70));
  EXPECT_EQ(s.orario, 6 * 3600 + 45 * 60 + 30);
  EXPECT_EQ(s.nome, "VELMORO - RUSA");
  EXPECT_EQ(std::tuple(m->cell(132).tipo, m->cell(132).dato1), std::tuple(10, 2));
  for (int i = 1; i <= 4; ++i) EXPECT_EQ(m->cell(132 - i).preavviso, 80 + i);

  EXPECT_EQ(std::tuple(m->tab.slot[3].inizio, m->tab.slot[3].fine), std::tuple(8000, 8000));
  EXPECT_EQ(m->cell(159).tipo, 0);  // a timing point has no stop cell

  const LineRecord& last = m->tab.slot[4];  // type 5 at 96900, 500 m
  EXPECT_EQ(std::tuple(last.inizio, last.fine, last.opzione4), std::tuple(96400, 97050, 0));
  EXPECT_EQ(std::tuple(m->cell(1940).tipo, m->cell(1940).dato1), std::tuple(10, 4));
  for (int i = 1; i <= 4; ++i) EXPECT_EQ(m->cell(1940 - i).preavviso, 0);
  EXPECT_EQ(m->cnt.stazione, 5);
  EXPECT_TRUE(m->del.linea && m->del.treno);

  // The first station's sixth field still lengthens its zone before it is cleared, with
  // its fifth; a later station of 600 m keeps its fifth field. Its zone may start 350 m
  // after the end of the one before.
  auto two = Load(Linea({}), Treno({Stazione(1000, 12, 600, 1), Stazione(2000, 12, 600, 1)}));
  ASSERT_EQ(two->err.numero, 0) << two->last().detail;
  const LineRecord& a = two->tab.slot[1];
  const LineRecord& b = two->tab.slot[2];
  EXPECT_EQ(std::tuple(a.inizio, a.fine, a.opzione4, a.opzione5), std::tuple(700, 1350, 0, 0));
  EXPECT_EQ(std::tuple(b.inizio, b.fine, b.opzione4, b.opzione5), std::tuple(1700, 2350, 1, 1));
}

TEST(LoaderTest, FillRule) {
  auto m = Load(
      Linea({"pendenza, 0, 5", "pendenza, 1000, -3", "pendenza, 1010, 7", "pendenza, 2000, 0"}),
      Treno({"velocita, 0, 100", "velocita, 1000, 62", "aderenza, 500, 300"}));
  ASSERT_EQ(m->err.numero, 0) << m->last().detail;
  for (int c = 0; c <= kN; ++c) {
    // Two gradient rows in cell 20: the second still writes cell 20, with the first's value.
    const int pendenza = c < 20 ? 105 : c == 20 ? 97 : c < 40 ? 107 : c <= kN - 3 ? 100 : 0;
    // A speed row at 0 writes nothing; its speed covers the cells up to the next row's.
    const int velocita = c < 20 ? 20 : c <= kN - 3 ? 12 : 0;
    // Before the first adhesion row the adhesion is 0; it keeps its low 8 bits.
    const int aderenza = c < 10 ? 0 : c <= kN - 3 ? 300 % 256 : 0;
    ASSERT_EQ(std::tuple(m->cell(c).pendenza, m->cell(c).velocita, m->cell(c).aderenza),
              std::tuple(pendenza, velocita, aderenza))
        << "cell " << c;
  }
}

// Speeds are stored in units of 5 km/h, rounded to the nearest unit, not cut.
TEST(LoaderTest, SpeedsRoundToTheNearestUnit) {
  const std::pair<int, int> cases[] = {{62, 12}, {63, 13}, {137, 27}, {138, 28}, {3, 1}, {2, 0}};
  for (auto [kmh, units] : cases) {
    auto m = Load(Linea({}), Treno({"velocita, 0, " + std::to_string(kmh), "velocita, 1000, 100"}));
    ASSERT_EQ(m->err.numero, 0) << m->last().detail;
    EXPECT_EQ(m->cell(10).velocita, units) << kmh << " km/h";
  }
}

// A station whose stop cell is 2 to 5 marks the cells before it down to cell 2 only:
// cell 1 carries the reserved marks, and cell 0 is never marked either.
TEST(LoaderTest, StationNearTheStartLeavesTheFirstCellsUnmarked) {
  for (int stop = 2; stop <= 5; ++stop) {
    // A zone of 100 m ends 50 m after the station's position, on the stop cell's end.
    const int end = 50 * (stop + 1);
    auto m = Load(Linea({}), Treno({Stazione(end - 50, 12, 100)}));
    ASSERT_EQ(m->err.numero, 0) << m->last().detail;
    ASSERT_EQ(m->cell(stop).tipo, 10) << "stop cell " << stop;
    EXPECT_EQ(std::tuple(m->cell(0).preavviso, m->cell(1).preavviso), std::tuple(0, 0))
        << "stop cell " << stop;
    for (int c = 2; c < stop; ++c) EXPECT_EQ(m->cell(c).preavviso, 80 + stop - c);
  }
}

TEST(LoaderTest, RowsCrowdedIntoOneCellNeverWritePastTheGrid) {
  // The last accepted position is 50 N - 100 = 16900 (cell 338); each further row in the
  // same cell pushes the cursor on by one cell.
  std::vector<std::string> body(400, "pendenza, 16900, 1");
  std::vector<std::string> train(400, "velocita, 16900, 100");
  auto m = Load(Linea(body), Treno(train));
  ASSERT_EQ(m->err.numero, 0) << m->last().detail;
  EXPECT_EQ(m->cell(337).pendenza, 100);
  EXPECT_EQ(m->cell(338).pendenza, 101);
  EXPECT_EQ(m->cell(kN).pendenza, 101);
  EXPECT_EQ(m->cell(339).velocita, 20);
  // The row that finds the speed cursor on N writes cell N; the rows after it write nothing.
  EXPECT_EQ(m->cell(kN).velocita, 20);
}

// The speed fill near the end of the grid (N = 340; the last accepted position 16900 m is
// cell 338): the cell at the cursor is written before the cursor is tested against N, so
// a row that finds the cursor on N still writes cell N, and nothing beyond N is written.
TEST(LoaderTest, SpeedFillAtTheEndOfTheGrid) {
  struct Case {
    const char* what;
    std::vector<std::string> rows;
    std::array<int, 6> velocita;  // cells 335 to 340
  };
  const std::string at_end = "velocita, 16900, ";
  const Case cases[] = {
      {"one row at the last position: the end fill stops short at N - 3",
       {"velocita, 0, 100", at_end + "90"},
       {20, 20, 20, 0, 0, 0}},
      {"cursor left on N - 1", {"velocita, 0, 100", at_end + "90", at_end + "80"},
       {20, 20, 20, 18, 0, 0}},
      {"cursor left on N", {"velocita, 0, 100", at_end + "90", at_end + "80", at_end + "70"},
       {20, 20, 20, 18, 16, 0}},
      {"the row that finds the cursor on N writes cell N",
       {"velocita, 0, 100", at_end + "90", at_end + "80", at_end + "70", at_end + "60"},
       {20, 20, 20, 18, 16, 14}},
      {"past N no row writes anything",
       {"velocita, 0, 100", at_end + "90", at_end + "80", at_end + "70", at_end + "60",
        at_end + "50", at_end + "40"},
       {20, 20, 20, 18, 16, 14}},
      {"several rows in one cell mid-grid, then the end fill",
       {"velocita, 0, 100", "velocita, 5000, 90", "velocita, 5000, 80"},
       {16, 16, 16, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    auto m = Load(Linea({}), Treno(c.rows));
    ASSERT_EQ(m->err.numero, 0) << c.what << ": " << m->last().detail;
    std::array<int, 6> got{};
    for (int i = 0; i < 6; ++i) got[i] = m->cell(335 + i).velocita;
    EXPECT_EQ(got, c.velocita) << c.what;
  }
}

TEST(LoaderTest, BoardsAndAbbattimentoPickTheirCells) {
  auto m = Load(
      Linea({"cartello_indicatore, 3350, \"(  BIVIO  )\"", "CARTELLO INDICATORE, 5000, GALLERIA"}),
      Treno({"abbattimento, 3350, 0", "abbattimento, 4000, 70000"}));
  ASSERT_EQ(m->err.numero, 0) << m->last().detail;
  EXPECT_EQ(std::tuple(m->cell(68).tipo, m->cell(68).dato1), std::tuple(14, 80));
  EXPECT_EQ(m->tab.slot[80].nome, "(  BIVIO  )");
  EXPECT_EQ(std::tuple(m->cell(101).tipo, m->cell(101).dato1), std::tuple(14, 79));
  EXPECT_EQ(m->tab.slot[79].nome, "GALLERIA");
  EXPECT_EQ(m->cnt.cartello, 78);
  EXPECT_EQ(m->cell(67).tipo, 13);
  EXPECT_EQ(std::tuple(m->cell(80).tipo, m->cell(80).dato1),
            std::tuple(12, static_cast<int16_t>(70000 - 65536)));
}

TEST(LoaderTest, KeywordsCommentsAndTheEndOfText) {
  std::vector<std::string> general = {
      "Progressiva chilometrica uno, 0, 5000, 1",  // capital P: not a chainage row
      "progressiva chilometrica due, 0, 3000, 0",
      "sfondo uno due, 11, 22",  // two keywords: both read their fields, in order
      "SFONDO TRE, 44",          // case kept for sfondo and tre: dropped
      "sfondo tre, 33",
      "ripetizione segnali 4 codici, 1000, 0"};
  for (int i = 0; i < 10; ++i) general.push_back("- comment " + std::to_string(i));
  general.push_back("-- the eleventh is a row: sfondo uno, 5");
  auto m = Load(Linea({"CURVAD4, 1100, 250", "- a", "- b", "- c pendenza, 1000, 4",
                       "-- x, pendenza, 2000, 6", "cartello_indicatore"},
                      general, 10000, false),
                Treno({"velocita aderenza, 1000, 100, 1000, 90", "sabbia, 7",
                       "orologio,    14              45            20 ", "stazione"},
                      false));
  ASSERT_EQ(m->err.numero, 0) << m->last().detail;
  // Chainage: only "due" was read; with all starts 0 it moves to slot 81.
  EXPECT_EQ(std::tuple(m->tab.slot[81].inizio, m->tab.slot[81].fine, m->tab.slot[81].posizione),
            std::tuple(0, 3000, 0));
  EXPECT_EQ(m->tab.slot[83].fine, 0);
  const LineRecord& bg = m->tab.slot[85];
  EXPECT_EQ(std::tuple(bg.inizio, bg.posizione, bg.fine), std::tuple(5, 22, 33));
  const LineRecord& rep = m->tab.slot[86];
  EXPECT_EQ(std::tuple(rep.inizio, rep.fine, rep.posizione), std::tuple(1000, 0, 0));
  EXPECT_EQ(std::tuple(rep.valore1, rep.valore3, rep.valore4, rep.valore5),
            std::tuple(7, 14, 45, 20));
  EXPECT_EQ(std::tuple(bg.nome, rep.nome), std::tuple("t", "1"));
  // The curve in capitals is a curve.
  EXPECT_EQ(m->plan.x(1101), 0.001);
  // The third comment field in a row is taken as the token: "- c pendenza" is a row.
  // "-- x, pendenza": a comment with a comma; the field after the comma is a row.
  EXPECT_EQ(m->cell(19).pendenza, 100);
  EXPECT_EQ(m->cell(20).pendenza, 104);
  EXPECT_EQ(m->cell(40).pendenza, 106);
  // A keyword that is the text's last field is not acted on.
  EXPECT_EQ(m->cnt.cartello, 80);
  EXPECT_EQ(m->cnt.stazione, 1);
  // One token, two keywords.
  EXPECT_EQ(std::tuple(m->cell(20).velocita, m->cell(20).aderenza), std::tuple(20, 90));
}

TEST(LoaderTest, TheSeventyNinthSlotEndsTheLoad) {
  std::vector<std::string> boards;
  for (int i = 1; i <= 79; ++i)
    boards.push_back("cartello_indicatore, " + std::to_string(100 * i) + ", B");
  auto m = Load(Linea(boards), Treno({}));
  EXPECT_EQ(std::tuple(m->err.numero, m->err.posizione), std::tuple(10, kUnset));
  EXPECT_EQ(m->tab.slot[2].nome, "B");  // the 79th board has filled slot 2
  EXPECT_EQ(m->tab.slot[1].nome, "");
  EXPECT_EQ(std::tuple(m->del.linea, m->del.treno), std::tuple(true, false));

  for (int stations : {75, 76}) {  // with 3 boards: 78 slots load, the 79th fails
    std::vector<std::string> rows;
    for (int i = 0; i < stations; ++i) rows.push_back(Stazione(1000 + 400 * i, 25, 0));
    auto s = Load(Linea({"cartello_indicatore, 100, A", "cartello_indicatore, 200, A",
                         "cartello_indicatore, 300, A"},
                        {}, 40000),
                  Treno(rows));
    EXPECT_EQ(s->err.numero, stations == 75 ? 0 : 10) << stations;
    EXPECT_EQ(s->tab.slot[stations].posizione, 1000 + 400 * (stations - 1));
  }
}

TEST(LoaderTest, RangeErrorEndsItsTextAndTheNextWriterCallEndsTheLoad) {
  auto m =
      Load(Linea({"pendenza, 1000, 2", "pendenza, 16950, 1", "cartello_indicatore, 6000, A"}),
           Treno({"velocita, 0, 100", "velocita, 1000, 60", Segnale(5000), Stazione(8000, 25, 0)}));
  // The line text stops at the range error; its end still fills the gradient.
  EXPECT_EQ(m->cell(121).tipo, 0);
  EXPECT_EQ(m->cell(100).pendenza, 102);
  // The train text is still read: its speeds, then the signal is written and taken as
  // rejected, with its position; the station after it is never read.
  EXPECT_EQ(m->cell(19).velocita, 20);
  EXPECT_EQ(m->cell(101).tipo, 1);
  EXPECT_EQ(std::tuple(m->err.numero, m->err.posizione), std::tuple(15, 5000));
  EXPECT_EQ(m->tab.slot[1].posizione, 0);
  ASSERT_EQ(m->err.log.size(), 2u);
  EXPECT_EQ(std::tuple(m->err.log[0].posizione, m->err.log[0].line, m->err.log[0].column),
            std::tuple(16950, 5, 11));
  EXPECT_EQ(std::tuple(m->last().origin, m->last().line), std::tuple(ErrorOrigin::kTrainText, 4));
  EXPECT_TRUE(m->del.linea && m->del.treno);
}

TEST(LoaderTest, WithoutTheBuildFlagCurveRowsAreDropped) {
  auto m = Load(Linea({"curvad, 100, 50"}), Treno({}), false);
  EXPECT_EQ(m->err.numero, 0);  // no class digit, but never read as a curve
  EXPECT_FALSE(m->plan.exists());
}

// One case per error: the number, the position, which texts stay on disk, and where the
// diagnostic points.
struct ErrorCase {
  const char* what;
  std::optional<std::string> linea;  // nullopt: no such file
  std::optional<std::string> treno;
  int32_t numero;
  int32_t posizione;  // kUnset: not recorded
  bool linea_left;
  bool treno_left;
  int line;
  int column;
  const char* detail;  // part of the diagnostic's text
};

std::string Boards(int n) {
  std::vector<std::string> rows;
  for (int i = 1; i <= n; ++i)
    rows.push_back("cartello_indicatore, " + std::to_string(100 * i) + ", B");
  return Linea(rows);
}

TEST(LoaderTest, ErrorsNumberPositionAndDeletedTexts) {
  const std::string ok = Treno({});
  const std::string st = ", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, X";
  const ErrorCase cases[] = {
      {"no line description", std::nullopt, ok, 101, kUnset, false, true, 0, 0, "not found"},
      {"no [generale]", Lines({"lunghezza percorso, 10000"}), ok, 102, kUnset, false, true, 2, 1,
       "[generale]"},
      {"line too long", Lines({"[generale]", "lunghezza percorso, 1000001"}), ok, 1, kUnset, false,
       true, 2, 21, "outside 0 to 1000000"},
      {"negative line length", Lines({"[generale]", "lunghezza percorso, -5"}), ok, 1, kUnset,
       false, true, 2, 21, "outside"},
      {"repetition start", Linea({}, {"ripetizione segnali 4 codici, 10, 0"}), ok, 3, kUnset, false,
       true, 3, 31, "start 10 m"},
      {"repetition end", Linea({}, {"ripetizione segnali 4 codici, 0, 120"}), ok, 4, kUnset, false,
       true, 3, 34, "end 120 m"},
      {"repetition code count", Linea({}, {"ripetizione segnali codici, 0, 100"}), ok, 5, kUnset,
       false, true, 3, 1, "neither 4 nor 9"},
      {"row position beyond the grid", Linea({"pendenza, 16950, 1"}), ok, 15, 16950, false, false,
       4, 11, "beyond the last accepted position 16900"},
      {"negative position", Linea({}), Treno({"abbattimento, -50, 0"}), 15, -50, false, false, 2,
       15, "negative"},
      {"station beyond the grid", Linea({}), Treno({"stazione, 16250, 25, 0" + st}), 15, 16250,
       false, false, 2, 11, "16200"},
      {"station zone beyond the grid", Linea({}), Treno({"stazione, 16200, 7, 1000" + st}), 15,
       16200, false, false, 2, 11, "last cell 343"},
      {"curve without a class digit", Linea({"curvad, 100, 50"}), ok, 103, kUnset, false, true, 4,
       1, "none of the digits"},
      {"curve beyond the plan", Linea({"curvad4, 16000, 1000"}), ok, 103, kUnset, false, true, 4,
       17, "16998"},
      {"curve past a million points", Linea({"curvad4, 999000, 1000"}, {}, 1000000), ok, 103,
       kUnset, false, true, 4, 1, "1000000 points"},
      {"board on a taken cell",
       Linea({"cartello_indicatore, 3350, A", "cartello_indicatore, 3360, B"}), ok, 6, 3360, false,
       true, 5, 22, "cell 68"},
      {"79th board", Boards(79), ok, 10, kUnset, false, true, 82, 1, "78"},
      {"speed boards on a taken cell",
       Linea({"cartello_indicatore, 3350, A", "indicatori_vmax, 3350, 125, 135, 145, 0, , , , 0"}),
       ok, 21, 3350, false, true, 5, 18, "cell 68"},
      {"signal on a taken cell", Linea({"cartello_indicatore, 3350, A"}), Treno({Segnale(3350)}),
       16, 3350, false, false, 2, 10, "cell 68"},
      {"slowdown warning cell", Linea({}),
       Treno({Segnale(1800), "rallentamento, 3000, 30, 500, 0, 0, 30"}), 17, 3000, false, false, 3,
       16, "warning cell 37"},
      {"slowdown start cell", Linea({}),
       Treno({Segnale(3000), "rallentamento, 3000, 30, 500, 0, 0, 30"}), 18, 3000, false, false, 3,
       16, "start cell 61"},
      {"slowdown end cell", Linea({}),
       Treno({Segnale(3500), "rallentamento, 3000, 30, 500, 0, 0, 30"}), 19, 3000, false, false, 3,
       16, "end cell 71"},
      {"slowdown end beyond the grid", Linea({}),
       Treno({"rallentamento, 5000, 30, 13000, 0, 0, 0"}), 19, 5000, false, false, 2, 16,
       "slowdown at 5000 m: its end cell 361 (at 18000 m) lies beyond the grid's last cell 340; "
       "the last position an item can take is 16975 m"},
      {"slowdown end before the grid", Linea({}),
       Treno({"rallentamento, 1000, 30, -2000, 0, 0, 0"}), 19, 1000, false, false, 2, 16,
       "its end cell -19 (at -1000 m) lies before cell 0"},
      {"slowdown approach cell", Linea({}),
       Treno({Segnale(1650), "rallentamento, 3000, 30, 500, 0, 1, 30"}), 20, 3000, false, false, 3,
       16, "approach cells 33 to 36"},
      {"station off the 50 m grid", Linea({}), Treno({"stazione, 225, 12, 400" + st}), 8, 225,
       false, false, 2, 11, "not a multiple of 50"},
      {"station zone length", Linea({}), Treno({"stazione, 1000, 12, 450" + st}), 9, 1000, false,
       false, 2, 21, "not a multiple of 100"},
      {"station zone within the first 100 m", Linea({}), Treno({"stazione, 0, 12, 0" + st}), 24,
       kUnset, false, false, 2, 18, "first 100 m"},
      {"station zone ending at 100 m", Linea({}), Treno({"stazione, 50, 12, 100" + st}), 24,
       kUnset, false, false, 2, 19, "first 100 m"},
      {"stations too close", Linea({}),
       Treno({"stazione, 1000, 12, 400" + st, "stazione, 1700, 12, 400" + st}), 22, 1700, false,
       false, 3, 11, "less than 350 m"},
      {"abbattimento on a taken cell", Linea({"cartello_indicatore, 3300, A"}),
       Treno({"abbattimento, 3350, 0"}), 7, 3350, false, false, 2, 15, "cell 67"},
      {"chainage off the 50 m grid", Linea({}, {"progressiva chilometrica uno, 0, 96925, 1"}), ok,
       2, kUnset, false, false, 3, 1, "slot 81"},
      {"chainage names its row and the end as written",
       Linea({}, {"progressiva chilometrica uno, 0, 96925, 1"}), ok, 2, kUnset, false, false, 3, 1,
       "(start 0 m, end 97025 m): start and end must be multiples of 50; it comes from the "
       "\"progressiva chilometrica uno\" row, written as start 0 m, end 96925 m"},
      {"no train data text", Linea({}), std::nullopt, 25, kUnset, false, false, 0, 0, "not found"},
      {"no line length", Lines({"[generale]", "sfondo uno, 1", "[corpo]", "[fine]"}), ok, 25,
       kUnset, false, false, 3, 1, "no line length"},
      {"field past the end", Linea({}) + "pendenza, 100", ok, 25, kUnset, false, false, 5, 14,
       "ends where a field was expected"},
      {"byte field overflow", Linea({}), Treno({"stazione, 1000, 300, 400" + st}), 25, kUnset,
       false, false, 2, 17, "the type (field 2) of a station (`stazione`): value 300 does not fit a byte"},
      {"16-bit field overflow", Linea({}), Treno({"orologio, 40000, 0, 0"}), 25, kUnset, false,
       false, 2, 11, "the hours of the clock (`orologio`)"},
      {"speed above 255 units", Linea({}), Treno({"velocita, 1000, 1300"}), 25, kUnset, false,
       false, 2, 17, "260 units"},
      {"text field too long", Linea({"cartello_indicatore, 3350, " + std::string(70000, 'A')}), ok,
       25, kUnset, false, false, 4, 28, "70000 bytes"},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    if (c.linea) dir.Write(LineaFileName("t"), *c.linea);
    if (c.treno) dir.Write(TrenoFileName("t", "1"), *c.treno);
    Model m;
    m.err.posizione = kUnset;
    LoadFromDirectory(dir.path(), "t", "1", true, m.State());
    EXPECT_EQ(m.err.numero, c.numero);
    EXPECT_EQ(m.err.posizione, c.posizione);
    EXPECT_EQ(std::filesystem::exists(dir.path() / LineaFileName("t")), c.linea_left);
    EXPECT_EQ(std::filesystem::exists(dir.path() / TrenoFileName("t", "1")), c.treno_left);
    ASSERT_FALSE(m.err.log.empty());
    EXPECT_EQ(std::tuple(m.last().numero, m.last().line, m.last().column),
              std::tuple(c.numero, c.line, c.column));
    EXPECT_NE(m.last().detail.find(c.detail), std::string::npos) << m.last().detail;
    // Every error recorded has its meaning, from the loader or a marker writer, and a
    // position exactly when the meaning says it carries one.
    for (const Diagnostic& d : m.err.log) {
      const ErrorMeaning* meaning = FindMeaning(d.numero);
      ASSERT_NE(meaning, nullptr) << "error " << d.numero << " has no meaning";
      EXPECT_TRUE(meaning->source == ErrorSource::kLoader || meaning->source == ErrorSource::kWriter)
          << d.numero;
      EXPECT_EQ(d.has_posizione, meaning->has_posizione) << d.numero;
    }
  }
}

TEST(LoaderFilesTest, BuiltinTextsLoadWithoutError) {
  TempDir dir;
  ASSERT_FALSE(WriteLineText(dir.path(), "Valdoro_Ostrano"));
  ASSERT_FALSE(WriteTrainText(dir.path(), "Valdoro_Ostrano", "55"));
  Model m;
  LoadFromDirectory(dir.path(), "Valdoro_Ostrano", "55", true, m.State());
  ASSERT_EQ(m.err.numero, 0) << m.last().detail;
  EXPECT_TRUE(dir.List().empty());  // both texts deleted
  EXPECT_EQ(m.grid.upper(), 2078);
  for (int k = 1; k <= 16; ++k) EXPECT_GT(m.tab.slot[k].posizione, 0) << k;
  EXPECT_EQ(m.tab.slot[17].posizione, 0);
  EXPECT_EQ(m.cnt.stazione, 17);
  for (int b = 78; b <= 80; ++b) EXPECT_FALSE(m.tab.slot[b].nome.empty()) << b;
  EXPECT_TRUE(m.tab.slot[77].nome.empty());
  EXPECT_EQ(m.cnt.cartello, 77);
  // The first station, type 2 at 200 with 500 m: zone -50 to 450, stop cell 8.
  EXPECT_EQ(std::tuple(m.tab.slot[1].inizio, m.tab.slot[1].fine), std::tuple(-50, 450));
  EXPECT_EQ(std::tuple(m.grid.at(8).tipo, m.grid.at(8).dato1), std::tuple(10, 1));
  // The signal at 10200 and the first curve.
  EXPECT_EQ(std::tuple(m.grid.at(205).tipo, m.grid.at(205).dato1), std::tuple(1, 41));
  EXPECT_EQ(m.plan.x(1101), 0.001);
  EXPECT_EQ(m.plan.next(), 96900 + 7000 - 1);
  // The one chainage reference in use, ordered and lengthened by 100 m.
  EXPECT_EQ(std::tuple(m.tab.slot[81].inizio, m.tab.slot[81].fine, m.tab.slot[81].posizione),
            std::tuple(0, 97000, 1));
}

TEST(LoaderFilesTest, KeepsTheTextsWhenToldAndReportsAFailedDeletion) {
  TempDir dir;
  dir.Write(LineaFileName("t"), Linea({}));
  dir.Write(TrenoFileName("t", "1"), Treno({}));
  Model m;
  LoadFilesResult r =
      LoadFromDirectory(dir.path(), "t", "1", true, m.State(), {.delete_texts = false});
  EXPECT_EQ(m.err.numero, 0);
  EXPECT_TRUE(r.deletions.linea && r.deletions.treno);
  EXPECT_EQ(dir.List().size(), 2u);
  EXPECT_EQ(dir.Read(LineaFileName("t")), Linea({}));

  // A line description that cannot be read (here a directory) is error 25; it cannot be
  // deleted either, which is reported, and the train data text is deleted all the same.
  TempDir bad;
  std::filesystem::create_directory(bad.path() / LineaFileName("t"));
  bad.Write(TrenoFileName("t", "1"), Treno({}));
  Model b;
  LoadFilesResult rb = LoadFromDirectory(bad.path(), "t", "1", true, b.State());
  EXPECT_EQ(b.err.numero, 25);
  ASSERT_TRUE(rb.io_error);
  EXPECT_EQ(rb.io_error->action, "delete");
  ASSERT_EQ(b.err.log.size(), 2u);
  EXPECT_NE(b.err.log[0].detail.find("cannot be read"), std::string::npos);
  EXPECT_NE(b.last().detail.find("cannot delete"), std::string::npos);
  EXPECT_EQ(bad.List(), std::vector<std::string>{LineaFileName("t")});
}

}  // namespace
}  // namespace percorso
