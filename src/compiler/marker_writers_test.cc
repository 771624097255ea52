#include "compiler/marker_writers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "format/cell_file.h"

namespace percorso {
namespace {

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kBuiltinLength = 96900;  // U = 2078

// The item fields of a cell: tipo, dato1 to dato4.
using Item = std::array<int, 5>;
Item ItemOf(const TrackCell& c) { return {c.tipo, c.dato1, c.dato2, c.dato3, c.dato4}; }

// Cells whose tipo is set, in rising order.
std::vector<int64_t> Taken(const CellGrid& grid) {
  std::vector<int64_t> out;
  for (int64_t c = 0; c <= grid.upper(); ++c) {
    if (grid.at(c).tipo != 0) out.push_back(c);
  }
  return out;
}

// ---------------------------------------------------------------------------------
// PlaceSignal

TEST(PlaceSignal, WritesTheSignalCellAndItsApproachMarks) {
  struct Case {
    SignalRow row;
    int64_t cell;
    Item item;
    int tempo;
    std::array<int, 4> marks;  // preavviso of cells c-2, c-4, c-6, c-8; -1: outside the grid
  };
  const Case cases[] = {
      // The train data's signal at 10200.
      {{10200, 1, 4, 0, 0, 0, 1, 1, 0, 0, 0}, 205, {1, 41, 0, 0, 4}, 0, {41, 42, 43, 44}},
      // Half-way positions: 125 / 50 = 2.5 rounds to 2, 175 / 50 = 3.5 to 4.
      {{75, 2, 1, 2, 3, 4, 0, 5, 6, 7, 215}, 2, {1, 15, 26, 37, 46}, 215, {61, -1, -1, -1}},
      {{125, 1, 0, 0, 0, 0, 2, 0, 0, 0, 0}, 4, {1, 0, 0, 0, 5}, 0, {51, 52, -1, -1}},
      // A signal at 325 m has all four marks in the grid, one at 300 m loses the last.
      {{325, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 8, {1, 0, 0, 0, 3}, 0, {31, 32, 33, 34}},
      {{300, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 7, {1, 0, 0, 0, 3}, 0, {31, 32, 33, -1}},
      {{-75, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0, {1, 0, 0, 0, 3}, 0, {-1, -1, -1, -1}},
      // Times of 1 to 100 become 101; the time is kept only for sx 2, as its low 8 bits.
      {{10200, 2, 0, 0, 0, 0, 0, 0, 0, 0, 50}, 205, {1, 0, 0, 0, 6}, 101, {61, 62, 63, 64}},
      {{10200, 1, 0, 0, 0, 0, 0, 0, 0, 0, 50}, 205, {1, 0, 0, 0, 3}, 0, {31, 32, 33, 34}},
      {{10200, 2, 0, 0, 0, 0, 0, 0, 0, 0, 1}, 205, {1, 0, 0, 0, 6}, 101, {61, 62, 63, 64}},
      {{10200, 2, 0, 0, 0, 0, 0, 0, 0, 0, 100}, 205, {1, 0, 0, 0, 6}, 101, {61, 62, 63, 64}},
      {{10200, 2, 0, 0, 0, 0, 0, 0, 0, 0, 101}, 205, {1, 0, 0, 0, 6}, 101, {61, 62, 63, 64}},
      {{10200, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 205, {1, 0, 0, 0, 6}, 0, {61, 62, 63, 64}},
      {{10200, 2, 0, 0, 0, 0, 0, 0, 0, 0, -1}, 205, {1, 0, 0, 0, 6}, 255, {61, 62, 63, 64}},
      {{10200, 2, 0, 0, 0, 0, 0, 0, 0, 0, 300}, 205, {1, 0, 0, 0, 6}, 44, {61, 62, 63, 64}},
      // 16-bit fields wrap; the marks keep their low 8 bits.
      {{10200, 100, 4000, 0, 0, 3277, 0, 0, 0, 0, 0}, 205, {1, -25536, 0, 0, 32770 - 65536 + 300},
       0, {185, 186, 187, 188}},
      {{10200, kMin, kMin, kMin, kMin, kMin, kMin, kMin, kMin, kMin, kMin}, 205, {1, 0, 0, 0, 0},
       0, {1, 2, 3, 4}},
      {{10200, kMax, kMax, kMax, kMax, kMax, kMax, kMax, kMax, kMax, kMax}, 205,
       {1, -11, -11, -11, -14}, 0, {217, 218, 219, 220}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "signal at " << c.row.posizione);
    CellGrid grid;
    grid.Create(kBuiltinLength);
    const Rejection r = PlaceSignal(grid, c.row);
    EXPECT_EQ(r.numero, 0);
    EXPECT_EQ(Taken(grid), std::vector<int64_t>{c.cell});
    EXPECT_EQ(ItemOf(grid.at(c.cell)), c.item);
    EXPECT_EQ(grid.at(c.cell).tempo, c.tempo);
    for (int k = 1; k <= 4; ++k) {
      int64_t mark = c.cell - 2 * k;
      if (c.marks[k - 1] < 0) {
        EXPECT_FALSE(grid.Contains(mark));
      } else {
        EXPECT_EQ(grid.at(mark).preavviso, c.marks[k - 1]) << "cell " << mark;
      }
    }
    for (int64_t other : {c.cell - 1, c.cell - 3, c.cell + 1, c.cell + 2}) {
      if (grid.Contains(other)) {
        EXPECT_EQ(grid.at(other).preavviso, 0) << "cell " << other;
      }
    }
  }
}

TEST(PlaceSignal, ApproachMarksIgnoreWhatStandsOnTheirCells) {
  CellGrid grid;
  grid.Create(kBuiltinLength);
  grid.at(201).tipo = 3;
  grid.at(201).preavviso = 99;
  const Rejection r = PlaceSignal(grid, SignalRow{10200, 1, 4, 0, 0, 0, 1, 1, 0, 0, 0});
  EXPECT_EQ(r.numero, 0);
  EXPECT_EQ(grid.at(201).tipo, 3);
  EXPECT_EQ(grid.at(201).preavviso, 42);
}

// Places an item of type `tipo` on `cell` of a fresh built-in grid.
CellGrid GridWith(int64_t cell, uint8_t tipo) {
  CellGrid grid;
  grid.Create(kBuiltinLength);
  grid.at(cell).tipo = tipo;
  return grid;
}

TEST(PlaceSignal, TakenOrOutsideCellIsError16AndNothingIsWritten) {
  struct Case { const char* what; int64_t cell; uint8_t tipo; int32_t posizione; };
  const Case cases[] = {
      {"slowdown start", 205, 3, 10200},
      {"station stop", 205, 10, 10200},
      {"abbattimento", 205, 12, 10200},
      {"beyond the last cell", 0, 0, 103900},  // cell 2079
      {"before cell 0", 0, 0, -100},            // cell -1
      {"largest position", 0, 0, kMax},
      {"smallest position", 0, 0, kMin},
  };
  for (const Case& c : cases) {
    CellGrid grid = GridWith(c.cell, c.tipo);
    std::string before = EncodeCellFile(grid);
    const Rejection r = PlaceSignal(grid, SignalRow{c.posizione, 2, 1, 1, 1, 1, 1, 1, 1, 1, 50});
    EXPECT_EQ(r.numero, 16) << c.what;
    EXPECT_EQ(EncodeCellFile(grid), before) << c.what;
  }
}

TEST(PlaceSignal, ReplacesASpanMarker) {
  CellGrid grid = GridWith(205, 11);
  const Rejection r = PlaceSignal(grid, SignalRow{10200, 1, 4, 0, 0, 0, 1, 1, 0, 0, 0});
  EXPECT_EQ(r.numero, 0);
  EXPECT_EQ(ItemOf(grid.at(205)), (Item{1, 41, 0, 0, 4}));
}

// ---------------------------------------------------------------------------------
// PlaceSlowdown

TEST(PlaceSlowdown, WritesStartEndWarningAndApproachCells) {
  struct Case {
    const char* what;
    SlowdownRow row;
    std::vector<int64_t> span_markers;  // type-11 cells before the call
    std::vector<std::pair<int64_t, Item>> cells;  // every taken cell afterwards, rising
  };
  const Case cases[] = {
      {"the train data's slowdown at 26500", {26500, 30, 1200, 0, 0, 30}, {},
       {{507, {4, 30, 30, 0, 0}}, {531, {3, 30, 30, 0, 0}}, {555, {2, 30, 30, 0, 0}}}},
      {"at 1500 no warning point even with approach cells asked",
       {1500, 60, 500, 1, 1, 0}, {},
       {{31, {3, 60, 0, 1, 0}}, {41, {2, 60, 0, 1, 0}}}},
      {"at 1550 the warning cell is 8 and the approach cells 7 to 4",
       {1550, 60, 500, 0, 1, 0}, {},
       {{4, {5, 4, 0, 0, 0}}, {5, {5, 3, 0, 0, 0}}, {6, {5, 2, 0, 0, 0}}, {7, {5, 1, 0, 0, 0}},
        {8, {4, 60, 0, 0, 0}}, {32, {3, 60, 0, 0, 0}}, {42, {2, 60, 0, 0, 0}}}},
      {"a second speed is written everywhere, the countdown twice",
       {1550, 60, 500, 1, 1, 50}, {},
       {{4, {5, 4, 4, 0, 0}}, {5, {5, 3, 3, 0, 0}}, {6, {5, 2, 2, 0, 0}}, {7, {5, 1, 1, 0, 0}},
        {8, {4, 60, 50, 0, 0}}, {32, {3, 60, 50, 1, 0}}, {42, {2, 60, 50, 1, 0}}}},
      {"no length: start and end share a cell, which stays a start",
       {5000, 40, 0, 1, 0, 0}, {},
       {{77, {4, 40, 0, 0, 0}}, {101, {3, 40, 0, 1, 0}}}},
      {"span markers are replaced", {1550, 60, 500, 0, 1, 0}, {4, 7, 8, 32, 42},
       {{4, {5, 4, 0, 0, 0}}, {5, {5, 3, 0, 0, 0}}, {6, {5, 2, 0, 0, 0}}, {7, {5, 1, 0, 0, 0}},
        {8, {4, 60, 0, 0, 0}}, {32, {3, 60, 0, 0, 0}}, {42, {2, 60, 0, 0, 0}}}},
      // Half-way positions: s = round(1575 / 50) = 32, e = round(1625 / 50) = 32,
      // w = round(375 / 50) = 8, a = round(325 / 50) = 6: cell 7 is left out.
      {"half-way start 1525", {1525, 40, 50, 0, 1, 0}, {},
       {{3, {5, 4, 0, 0, 0}}, {4, {5, 3, 0, 0, 0}}, {5, {5, 2, 0, 0, 0}}, {6, {5, 1, 0, 0, 0}},
        {8, {4, 40, 0, 0, 0}}, {32, {3, 40, 0, 0, 0}}}},
      {"half-way start 75 and end 125", {75, 40, 50, 0, 0, 0}, {},
       {{2, {3, 40, 0, 0, 0}}, {4, {2, 40, 0, 0, 0}}}},
      {"fields wrap to 16 bits", {5000, 70000, 0, 65537, 0, -1}, {},
       {{77, {4, 4464, -1, 0, 0}}, {101, {3, 4464, -1, 1, 0}}}},
      {"just before cell 0 rounds into it", {-75, kMin, 0, kMax, kMax, kMin}, {},
       {{0, {3, 0, 0, -1, 0}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CellGrid grid;
    grid.Create(kBuiltinLength);
    for (int64_t m : c.span_markers) grid.at(m).tipo = 11;
    const Rejection r = PlaceSlowdown(grid, c.row);
    EXPECT_EQ(r.numero, 0);
    std::vector<std::pair<int64_t, Item>> got;
    for (int64_t t : Taken(grid)) got.emplace_back(t, ItemOf(grid.at(t)));
    EXPECT_EQ(got, c.cells);
  }
}

TEST(PlaceSlowdown, ConflictsAreTestedInOrder) {
  // The slowdown at 26500 with approach cells: warning 507, start 531, end 555,
  // approach cells 506 to 503.
  const SlowdownRow row{26500, 30, 1200, 1, 1, 30};
  struct Case {
    const char* what;
    SlowdownRow row;
    std::vector<int64_t> taken;  // cells holding a signal before the call
    int error;
    bool written;  // start, end and warning written before the failure
  };
  const Case cases[] = {
      {"warning cell", row, {507}, 17, false},
      {"warning before start", row, {507, 531, 555}, 17, false},
      {"start cell", row, {531}, 18, false},
      {"start before end", row, {531, 555, 504}, 18, false},
      {"end cell", row, {555}, 19, false},
      {"end before approach", row, {555, 504}, 19, false},
      {"approach cell", row, {504}, 20, true},
      {"farthest approach cell", row, {503}, 20, true},
      // At 1575 the nearest approach cell round(375 / 50) = 8 is the warning cell itself.
      {"half-way 1575", {1575, 40, 100, 0, 1, 0}, {}, 20, true},
      {"end beyond the grid", {103000, 30, 5000, 0, 0, 0}, {}, 19, false},
      {"end before the grid", {1000, 30, kMin, 0, 0, 0}, {}, 19, false},
      {"longest slowdown", {5000, 30, kMax, 0, 0, 0}, {}, 19, false},
      {"largest start: warning cell beyond the grid", {kMax, 1, 1, 1, 1, 1}, {}, 17, false},
      {"smallest start: start cell before the grid", {kMin, 1, 1, 1, 1, 1}, {}, 18, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CellGrid grid;
    grid.Create(kBuiltinLength);
    for (int64_t t : c.taken) grid.at(t).tipo = 1;
    std::string before = EncodeCellFile(grid);
    const Rejection r = PlaceSlowdown(grid, c.row);
    EXPECT_EQ(r.numero, c.error);
    if (!c.written) {
      EXPECT_EQ(EncodeCellFile(grid), before);
      continue;
    }
    // Start, end and warning stay written; no approach cell is.
    std::vector<int> types;
    for (int64_t t : Taken(grid)) types.push_back(grid.at(t).tipo);
    EXPECT_EQ(std::count(types.begin(), types.end(), 5), 0);
    EXPECT_EQ(std::count(types.begin(), types.end(), 4), 1);
    EXPECT_EQ(std::count(types.begin(), types.end(), 3), 1);
  }
}

TEST(MarkerWriters, ARejectionNamesTheCellAndWhichOfTheRowsCellsItIs) {
  struct Case {
    const char* what;
    int64_t taken;  // a cell holding a signal before the call; -1: none
    SlowdownRow row;
    Rejection want;
  };
  const Case cases[] = {
      {"warning", 507, {26500, 30, 1200, 1, 1, 30}, {17, 507, "warning cell"}},
      {"start", 531, {26500, 30, 1200, 1, 1, 30}, {18, 531, "start cell"}},
      {"end", 555, {26500, 30, 1200, 1, 1, 30}, {19, 555, "end cell"}},
      {"end beyond the grid", -1, {103000, 30, 5000, 0, 0, 0}, {19, 2161, "end cell"}},
      {"end before the grid", -1, {1000, 30, -2000, 0, 0, 0}, {19, -19, "end cell"}},
      {"farthest approach cell", 503, {26500, 30, 1200, 1, 1, 30}, {20, 503, "approach cell"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CellGrid grid;
    grid.Create(kBuiltinLength);
    if (c.taken >= 0) grid.at(c.taken).tipo = 1;
    const Rejection r = PlaceSlowdown(grid, c.row);
    EXPECT_EQ(std::tuple(r.numero, r.cell, std::string(r.place)),
              std::tuple(c.want.numero, c.want.cell, std::string(c.want.place)));
  }
  CellGrid grid = GridWith(205, 14);
  const Rejection signal = PlaceSignal(grid, SignalRow{10200, 1, 4, 0, 0, 0, 1, 1, 0, 0, 0});
  EXPECT_EQ(std::tuple(signal.numero, signal.cell), std::tuple(16, int64_t{205}));
  const Rejection boards = PlaceSpeedBoards(grid, SpeedBoardRow{10200, 125});
  EXPECT_EQ(std::tuple(boards.numero, boards.cell), std::tuple(21, int64_t{205}));
}

// ---------------------------------------------------------------------------------
// PlaceSpeedBoards

TEST(PlaceSpeedBoards, WritesTheSpeedCodes) {
  struct Case { SpeedBoardRow row; int64_t cell; Item item; };
  const Case cases[] = {
      {{22550, 125, 135, 140, 2, 125, 135, 140, 2}, 452, {6, 2525, 2727, 2828, 22}},
      {{1350, 125, 135, 145, 0, 0, 0, 0, 0}, 28, {6, 2500, 2700, 2900, 0}},  // left only
      {{75, 0, 0, 0, 0, 0, 0, 0, 0}, 2, {6, 0, 0, 0, 0}},                   // 2.5 to 2
      {{125, 0, 0, 0, 0, 0, 0, 0, 0}, 4, {6, 0, 0, 0, 0}},                  // 3.5 to 4
      {{5000, 125, 0, 0, 1, 12, 13, -13, 3}, 101, {6, 2502, 3, -3, 13}},    // right / 5 rounded
      {{5000, 2000, 0, 0, kMax, 0, 0, 0, 0}, 101, {6, -25536, 0, 0, -10}},   // 16-bit wrap
      {{5000, kMin, kMax, kMax, kMin, kMin, kMax, kMin, kMax}, 101, {6, 26214, -26235, 26194, -1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "board at " << c.row.posizione);
    CellGrid grid;
    grid.Create(kBuiltinLength);
    const Rejection r = PlaceSpeedBoards(grid, c.row);
    EXPECT_EQ(r.numero, 0);
    EXPECT_EQ(Taken(grid), std::vector<int64_t>{c.cell});
    EXPECT_EQ(ItemOf(grid.at(c.cell)), c.item);
  }
}

TEST(PlaceSpeedBoards, TakenOrOutsideCellIsError21) {
  struct Case { int64_t cell; uint8_t tipo; int32_t posizione; int error; };
  const Case cases[] = {
      {452, 1, 22550, 21},   {452, 14, 22550, 21},  {452, 11, 22550, 0},
      {0, 0, 103900, 21},    {0, 0, -100, 21},      {0, 0, kMax, 21},  {0, 0, kMin, 21},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "board at " << c.posizione << " on type " << +c.tipo);
    CellGrid grid = GridWith(c.cell, c.tipo);
    std::string before = EncodeCellFile(grid);
    const Rejection r =
        PlaceSpeedBoards(grid, SpeedBoardRow{c.posizione, 125, 135, 140, 2, 125, 135, 140, 2});
    EXPECT_EQ(r.numero, c.error);
    if (c.error != 0) {
      EXPECT_EQ(EncodeCellFile(grid), before);
    } else {
      EXPECT_EQ(ItemOf(grid.at(c.cell)), (Item{6, 2525, 2727, 2828, 22}));
    }
  }
}

// ---------------------------------------------------------------------------------
// PlaceSpan

TEST(PlaceSpan, TheLinesTwoTunnels) {
  CellGrid grid;
  grid.Create(kBuiltinLength);
  grid.at(346).tipo = 5;   // 3rd cell of the second span: no marker due there anyway
  grid.at(351).tipo = 1;   // 8th cell: a signal keeps its place
  grid.at(355).tipo = 11;  // 12th cell: an earlier marker stays as it is
  SpanList spans;
  PlaceSpan(grid, spans, 10250, 10400, 12);  // cells 205 to 207: too short for a marker
  PlaceSpan(grid, spans, 17200, 24300, 12);  // cells 344 to 485
  EXPECT_EQ(spans.count, 2);
  EXPECT_EQ(spans.last_fine, 24300);
  for (int64_t c = 0; c <= grid.upper(); ++c) {
    SCOPED_TRACE(testing::Message() << "cell " << c);
    bool first = c >= 205 && c <= 207;
    bool second = c >= 344 && c <= 485;
    EXPECT_EQ(grid.at(c).montagna, first || second ? 2 : 0);
    int want_tipo = second && (c - 343) % 4 == 0 ? 11 : 0;
    if (c == 346) want_tipo = 5;
    if (c == 351) want_tipo = 1;
    EXPECT_EQ(grid.at(c).tipo, want_tipo);
  }
}

TEST(PlaceSpan, CellsOfOneSpan) {
  struct Case {
    const char* what;
    int32_t inizio, fine, tipo;
    int64_t lo, hi;        // cells given the span's type; lo > hi: none
    int want;              // the montagna value written
    std::vector<int64_t> markers;
  };
  const Case cases[] = {
      {"half-way start 75: 1.5 rounds to 2", 75, 1000, 2, 2, 19, 2, {}},
      {"half-way start 125: 2.5 rounds to 2", 125, 1000, 2, 2, 19, 2, {}},
      {"half-way end 125: 1.5 rounds to 2", 0, 125, 2, 0, 2, 2, {}},
      {"half-way end 175: 2.5 rounds to 2", 0, 175, 2, 0, 2, 2, {}},
      {"end at its start: no cell", 1000, 1000, 12, 1, 0, 0, {}},
      {"type 2 gets no markers", 17200, 24300, 2, 344, 485, 2, {}},
      {"type 10 is not above 10", 1000, 2000, 10, 20, 39, 10, {}},
      {"type 11 is type 1 with markers", 1000, 2000, 11, 20, 39, 1, {23, 27, 31, 35, 39}},
      {"type kept to its low 8 bits", 1000, 1200, 300, 20, 23, 290 - 256, {23}},
      {"clipped at the end of the grid", 100000, 200000, 12, 2000, 2078, 2,
       {2003, 2007, 2011, 2015, 2019, 2023, 2027, 2031, 2035, 2039, 2043, 2047, 2051, 2055, 2059,
        2063, 2067, 2071, 2075}},
      {"clipped at cell 0, markers counted from the span's own start", -950, 500, 12, 0, 9, 2,
       {0, 4, 8}},
      {"wholly before the grid", -5000, -1000, 12, 1, 0, 0, {}},
      {"wholly beyond the grid", 110000, 120000, 12, 1, 0, 0, {}},
      {"reversed extremes", kMax, kMin, 12, 1, 0, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CellGrid grid;
    grid.Create(kBuiltinLength);
    SpanList spans;
    PlaceSpan(grid, spans, c.inizio, c.fine, c.tipo);
    EXPECT_EQ(spans.count, 1);
    EXPECT_EQ(spans.last_fine, c.fine);
    std::vector<int64_t> markers;
    for (int64_t cell = 0; cell <= grid.upper(); ++cell) {
      bool in = cell >= c.lo && cell <= c.hi;
      EXPECT_EQ(grid.at(cell).montagna, in ? c.want : 0) << "cell " << cell;
      if (grid.at(cell).tipo != 0) markers.push_back(cell);
    }
    EXPECT_EQ(markers, c.markers);
  }
}

TEST(PlaceSpan, WholeGridFromTheExtremes) {
  CellGrid grid;
  grid.Create(kBuiltinLength);
  SpanList spans;
  PlaceSpan(grid, spans, kMin, kMax, 12);
  // The span starts at cell round(-2147483648 / 50) = -42949673, so its 4th, 8th, ...
  // cells are those with numbers 2 more than a multiple of 4.
  for (int64_t c = 0; c <= grid.upper(); ++c) {
    EXPECT_EQ(grid.at(c).montagna, 2) << c;
    EXPECT_EQ(grid.at(c).tipo, c % 4 == 2 ? 11 : 0) << c;
  }
}

TEST(PlaceSpan, ASpanCloseAfterThePreviousOneIsType3) {
  struct Case {
    const char* what;
    int32_t prev_inizio, prev_fine;
    int32_t inizio, fine, tipo;
    int want;
    bool markers;
  };
  const Case cases[] = {
      {"150 m after", 10250, 10400, 10550, 11000, 12, 3, true},
      {"200 m after", 10250, 10400, 10600, 11000, 12, 2, true},
      {"overlapping the previous one", 10250, 10400, 10300, 11000, 1, 3, false},
      {"far before the previous row", 50000, 60000, 10000, 11000, 2, 3, false},
      {"previous end at the smallest number", 0, kMin, 1000, 2000, 2, 2, false},
      {"start at the smallest number", 10250, kMax, kMin, 1000, 2, 3, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CellGrid earlier, grid;  // the previous span's cells are not looked at
    earlier.Create(kBuiltinLength);
    grid.Create(kBuiltinLength);
    SpanList spans;
    PlaceSpan(earlier, spans, c.prev_inizio, c.prev_fine, 4);
    PlaceSpan(grid, spans, c.inizio, c.fine, c.tipo);
    EXPECT_EQ(spans.count, 2);
    int64_t first = std::max<int64_t>(0, c.inizio / 50);
    EXPECT_EQ(grid.at(first).montagna, c.want);
    EXPECT_EQ(grid.at(first + 3).tipo, c.markers ? 11 : 0);
  }
}

TEST(PlaceSpan, TheFirstSpanHasNoPredecessor) {
  CellGrid grid;
  grid.Create(kBuiltinLength);
  SpanList spans;  // as after the chainage ordering: no span, previous end 0
  PlaceSpan(grid, spans, 100, 1000, 2);
  EXPECT_EQ(grid.at(2).montagna, 2);
}

TEST(PlaceSpan, AnyNumberOfSpans) {
  CellGrid grid;
  grid.Create(kBuiltinLength);
  SpanList spans;
  for (int32_t i = 0; i < 100; ++i) PlaceSpan(grid, spans, 1000 + 300 * i, 1100 + 300 * i, 1);
  PlaceSpan(grid, spans, 1100 + 300 * 99 + 150, 40000, 2);  // 150 m after the 100th
  EXPECT_EQ(spans.count, 101);
  EXPECT_EQ(grid.at((1000 + 300 * 90) / 50).montagna, 1);  // the 91st span
  EXPECT_EQ(grid.at((1000 + 300 * 99) / 50).montagna, 1);  // the 100th
  EXPECT_EQ(grid.at(40000 / 50 - 1).montagna, 3);          // the 101st joined it
}

}  // namespace
}  // namespace percorso
