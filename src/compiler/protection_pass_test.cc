#include "compiler/protection_pass.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "model/error_meanings.h"

namespace percorso {
namespace {

// A cell placed before the pass runs.
struct Item {
  int32_t cell;
  uint8_t tipo;
  int16_t dato1;
};
Item Sig(int32_t c) { return {c, 1, 41}; }
Item End(int32_t c, int16_t v = 60) { return {c, 2, v}; }
Item Start(int32_t c, int16_t v) { return {c, 3, v}; }
Item Warn(int32_t c, int16_t v = 60) { return {c, 4, v}; }
Item Taken(int32_t c) { return {c, 10, 1}; }  // a station stop cell: not free, no trigger
Item Span(int32_t c) { return {c, 11, 0}; }   // a montagna span marker: free
Item Point(int32_t c, int16_t v) { return {c, 12, v}; }

struct Case {
  std::string name;
  std::vector<Item> items;
  std::vector<int32_t> protected_cells;              // in the order the pass places them
  std::vector<std::pair<int32_t, int16_t>> points;   // existing points: dato1 afterwards
  std::vector<std::pair<int32_t, int32_t>> errors;   // (number, position m) in order
};

bool SameCell(const TrackCell& a, const TrackCell& b) {
  return a.tipo == b.tipo && a.dato1 == b.dato1 && a.dato2 == b.dato2 && a.dato3 == b.dato3 &&
         a.dato4 == b.dato4 && a.tempo == b.tempo && a.preavviso == b.preavviso &&
         a.montagna == b.montagna && a.velocita == b.velocita && a.pendenza == b.pendenza &&
         a.aderenza == b.aderenza;
}

// Line length 0 gives U = 140: the smallest grid, and the end of the grid is reachable.
constexpr int32_t kU = 140;

TEST(ProtectionPass, CasesTable) {
  const std::vector<Case> cases = {
      {"worked example: slowdown at 60 km/h, warning 76, start 100, end 130, signals 70 and 135",
       {Warn(76), Start(100, 60), End(130), Sig(70), Sig(135)},
       {69, 95, 89, 82, 108, 116, 124, 134}, {}, {}},
      // Rule A.
      {"A: signals at n-1 and n-20, nearest first", {Warn(50), Sig(49), Sig(30)}, {48, 29}, {}, {}},
      {"A: a signal at n-21 is ignored", {Warn(50), Sig(29)}, {}, {}, {}},
      {"A: a signal at cell 3 is handled", {Warn(10), Sig(3)}, {2}, {}, {}},
      {"A: a signal at cell 2 is not", {Warn(10), Sig(2)}, {}, {}, {}},
      {"A: point of 120 before the signal, cell two before taken: keeps 120",
       {Warn(50), Sig(40), Point(39, 120), Taken(38)}, {}, {{39, 120}}, {}},
      {"A: point of 200 before the signal, cell two before taken: becomes 180",
       {Warn(50), Sig(40), Point(39, 200), Taken(38)}, {}, {{39, 180}}, {}},
      {"A: point of -5 before the signal, cell two before taken: keeps -5",
       {Warn(50), Sig(40), Point(39, -5), Taken(38)}, {}, {{39, -5}}, {}},
      {"A: cell before taken, point of 200 two before: becomes 180",
       {Warn(50), Sig(40), Taken(39), Point(38, 200)}, {}, {{38, 180}}, {}},
      {"A: point just before, free cell two before: a new point, the old one unchanged",
       {Warn(50), Sig(40), Point(39, 200)}, {38}, {{39, 200}}, {}},
      {"A: a span marker before the signal takes the point", {Warn(50), Sig(40), Span(39)},
       {39}, {}, {}},
      {"A: both cells taken: error 11 at the signal", {Warn(50), Sig(40), Taken(39), Taken(38)},
       {}, {}, {{11, 2000}}},
      // Rule B1 (slowdowns of 110 km/h or more, so that only the windows act).
      {"B1: start at 7: no near window", {Start(7, 120)}, {}, {}, {}},
      {"B1: start at 8: near window tries 3, 2, 1", {Start(8, 120), Taken(3), Taken(2)}, {1},
       {}, {}},
      {"B1: start at 13: near point only", {Start(13, 120)}, {8}, {}, {}},
      {"B1: start at 14: middle window reaches cell 3", {Start(14, 120)}, {9, 3}, {}, {}},
      {"B1: start at 20: no far window", {Start(20, 120)}, {15, 9}, {}, {}},
      {"B1: start at 21: far window tries 3, 2, 1", {Start(21, 120), Taken(3), Taken(2)},
       {16, 10, 1}, {}, {}},
      {"B1: a full window gives error 12 at the start; the next windows are still handled",
       {Start(30, 120), Taken(25), Taken(24), Taken(23)}, {19, 12}, {}, {{12, 1500}}},
      {"B1: an existing point in a window is neither used nor lowered",
       {Start(30, 120), Point(25, 200)}, {24, 19, 12}, {{25, 200}}, {}},
      {"B1: a span marker is a free candidate", {Start(30, 120), Span(25)}, {25, 19, 12}, {}, {}},
      // Rules B2 and B3.
      {"B2: 109 km/h over 30 cells: points at +8, +16, +24; B3 protects the next signal",
       {Start(40, 109), End(70), Sig(75)}, {35, 29, 22, 48, 56, 64, 74}, {}, {}},
      {"B2: 110 km/h: no points inside and no B3", {Start(40, 110), End(70), Sig(75)},
       {35, 29, 22}, {}, {}},
      {"B2: start+8 taken: the point goes to +7 and the next to +15",
       {Start(40, 100), End(70), Taken(48)}, {35, 29, 22, 47, 55, 63}, {}, {}},
      {"B2: start+8 and +7 taken: the point goes to +9 and the next to +17",
       {Start(40, 100), End(70), Taken(48), Taken(47)}, {35, 29, 22, 49, 57, 65}, {}, {}},
      {"B2: error 13 ends the points of this walk only; B3 and the next slowdown go on",
       {Start(40, 100), End(70), Taken(47), Taken(48), Taken(49), Sig(72), Start(80, 100),
        End(100)},
       {35, 29, 22, 71, 75, 69, 62, 88, 96}, {}, {{13, 2400}}},
      {"B3: a signal 12 cells after the end is protected", {Start(40, 100), End(50), Sig(62)},
       {35, 29, 22, 48, 61}, {}, {}},
      {"B3: a signal 13 cells after the end is not looked for",
       {Start(40, 100), End(50), Sig(63)}, {35, 29, 22, 48}, {}, {}},
      {"B3: cell before the signal taken: the point goes two before",
       {Start(40, 100), End(50), Sig(55), Taken(54)}, {35, 29, 22, 48, 53}, {}, {}},
      {"B3: only the first signal counts; both cells taken: error 13 at the end cell",
       {Start(40, 100), End(50), Sig(55), Taken(54), Taken(53), Sig(58)}, {35, 29, 22, 48}, {},
       {{13, 2500}}},
      {"several errors: all recorded, the last wins",
       {Start(30, 120), Taken(25), Taken(24), Taken(23), Warn(60), Sig(50), Taken(49),
        Taken(48)},
       {19, 12}, {}, {{12, 1500}, {11, 2500}}},
      // The end of the grid.
      {"cells U-1 and U trigger nothing", {Sig(130), Start(kU - 1, 60), Warn(kU)}, {}, {}, {}},
      {"B2: a walk reaching U without an end cell ends there: no B3, no error",
       {Start(130, 60), Sig(kU)}, {125, 119, 112, 138}, {}, {}},
      {"B2: at U the cell beyond is not free: error 13 at U",
       {Start(132, 60), Taken(kU), Taken(kU - 1)}, {127, 121, 114}, {}, {{13, kU * 50}}},
      {"B3: the look-ahead stops at U", {Start(120, 60), End(135)}, {115, 109, 102, 128}, {}, {}},
      {"B3: the look-ahead reaches U", {Start(120, 60), End(135), Sig(kU)},
       {115, 109, 102, 128, 139}, {}, {}},
  };

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CellGrid grid;
    grid.Create(0);
    ASSERT_EQ(grid.upper(), kU);
    // Every cell carries running properties, so that a change to any field but tipo
    // and dato1 shows.
    for (int32_t k = 0; k <= kU; ++k) {
      TrackCell& cell = grid.at(k);
      cell.dato2 = 7;
      cell.preavviso = 3;
      cell.montagna = 2;
      cell.velocita = 27;
      cell.pendenza = 100;
    }
    for (const Item& it : c.items) {
      grid.at(it.cell).tipo = it.tipo;
      grid.at(it.cell).dato1 = it.dato1;
    }
    std::vector<TrackCell> expected = grid.cells();
    for (int32_t p : c.protected_cells) {
      expected[p].tipo = 12;
      expected[p].dato1 = 180;
    }
    for (auto [cell, value] : c.points) expected[cell].dato1 = value;

    ErrorState errore;
    ProtectionReport report = ProtectionPass(grid, errore);

    EXPECT_EQ(report.protected_cells, c.protected_cells);
    for (int32_t k = 0; k <= kU; ++k) {
      EXPECT_TRUE(SameCell(grid.at(k), expected[k])) << "cell " << k;
    }
    std::vector<std::pair<int32_t, int32_t>> recorded;
    for (const Diagnostic& d : errore.log) {
      EXPECT_EQ(d.origin, ErrorOrigin::kPass);
      EXPECT_EQ(d.cell * 50, d.posizione);
      // Every error the pass records has its meaning, one with a position.
      const ErrorMeaning* meaning = FindMeaning(d.numero);
      ASSERT_NE(meaning, nullptr) << "error " << d.numero << " has no meaning";
      EXPECT_EQ(meaning->source, ErrorSource::kPass) << d.numero;
      EXPECT_TRUE(meaning->has_posizione && d.has_posizione) << d.numero;
      recorded.emplace_back(d.numero, d.posizione);
    }
    EXPECT_EQ(recorded, c.errors);
    std::pair<int32_t, int32_t> last = c.errors.empty() ? std::pair{0, 0} : c.errors.back();
    EXPECT_EQ(errore.numero, last.first);
    EXPECT_EQ(errore.posizione, last.second);
  }
}

TEST(ProtectionPass, LeavesTheErrorStateOfTheLoaderWhenItFindsNothing) {
  CellGrid grid;
  grid.Create(0);
  ErrorState errore;
  errore.numero = 15;
  errore.posizione = 4000;
  ProtectionPass(grid, errore);
  EXPECT_EQ(errore.numero, 15);
  EXPECT_EQ(errore.posizione, 4000);

  CellGrid none;  // a load that stopped before the grid was sized
  EXPECT_TRUE(ProtectionPass(none, errore).protected_cells.empty());
}

}  // namespace
}  // namespace percorso
