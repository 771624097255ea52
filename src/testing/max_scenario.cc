#include "testing/max_scenario.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <initializer_list>
#include <string_view>

#include "base/rounding.h"

namespace percorso {

namespace {

// The block: 40 cells starting at cell b. Cell numbers below are offsets from b.
//
//   0..3   approach cells of the slowdown (tipo 5)      4   warning cell (tipo 4)
//   28     slowdown start (tipo 3)                       37  slowdown end (tipo 2)
//   10, 17, 23   kept free: the first candidates of the three windows before the start
//   36           kept free: the point inside a slowdown below 110 km/h (start + 8)
//   38           kept free: the point before the first signal after the end (39)
//   25           an abbattimento point of value 200 (a type-12 point)
//   30, 33       kept free: the points before the signals 31/32 and 34/35
//   6, 13, 19, 29   speed-board pairs
//   every other cell: a signal, except 12 in a station's block (its stop cell) and 14 in
//   an indicator board's block.
//
// The cells 24 to 43 lie within 20 cells before the next block's warning cell (44), so
// each signal there has a free cell or a type-12 point one or two cells before it: 24 has
// 23, 26 and 27 have 25, 31 and 32 have 30, 34 and 35 have 33, and 39 has 38. The
// signals from 5 to 22 lie after the warning cell of their own block and before the
// 20 cells that the next warning cell looks back on: the pass protects none of them, so
// they need no free neighbour, only the three window cells among them stay free.
constexpr int32_t kBlockCells = 40;
constexpr int32_t kFirstBlockCell = 40;  // the first 2000 m hold only the running rows
constexpr int32_t kTailCells = 60;       // and the last 3000 m of the line too
constexpr int32_t kStartOffset = 28;
constexpr int32_t kSlowdownLength = 450;  // end cell = start + 9
constexpr int32_t kStationStopOffset = 12;
constexpr int32_t kBoardOffset = 14;
constexpr int32_t kAbbattimentoOffset = 25;
constexpr std::array<int32_t, 21> kSignalOffsets = {5,  7,  8,  9,  11, 12, 14, 15, 16, 18, 20,
                                                    21, 22, 24, 26, 27, 31, 32, 34, 35, 39};
constexpr std::array<int32_t, 4> kSpeedBoardOffsets = {6, 13, 19, 29};
constexpr std::array<int32_t, 7> kSlowdownSpeeds = {30, 60, 80, 100, 105, 120, 140};

constexpr int32_t kSlotsForStationsAndBoards = 78;
constexpr int32_t kMaxBoards = 8;
constexpr int32_t kMaxSpans = 80;

// A row "key, v1, v2, ..." closed by CR LF.
class TextWriter {
 public:
  explicit TextWriter(size_t reserve) { out_.reserve(reserve); }

  void Line(std::string_view s) {
    out_.append(s);
    out_.append("\r\n");
  }
  void Row(std::string_view key, std::initializer_list<int64_t> values) {
    out_.append(key);
    for (int64_t v : values) {
      out_.append(", ");
      Number(v);
    }
    out_.append("\r\n");
  }
  // The row's numbers, then one more text field.
  void RowWithText(std::string_view key, std::initializer_list<int64_t> values,
                   std::string_view text) {
    out_.append(key);
    for (int64_t v : values) {
      out_.append(", ");
      Number(v);
    }
    out_.append(", ");
    out_.append(text);
    out_.append("\r\n");
  }
  void Number(int64_t v) {
    char buf[24];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    (void)ec;  // 24 bytes hold every int64
    out_.append(buf, end);
  }
  std::string Take() { return std::move(out_); }

 private:
  std::string out_;
};

// Metres of the start of cell c, as a point item's row names it: such items land on
// cell round(p / 50 + 1), so a row for cell c says 50 (c - 1).
int64_t ItemPosition(int32_t c) { return 50LL * (c - 1); }

int32_t GridUpper(int32_t line_length) {
  return static_cast<int32_t>(RoundHalfEven(int64_t{line_length} + 7000, 50));
}

struct Layout {
  int32_t line_length = 0;
  int32_t upper = 0;  // N
  int32_t blocks = 0;
  int32_t stations = 0;
  int32_t boards = 0;

  int32_t BlockCell(int32_t i) const { return kFirstBlockCell + kBlockCells * i; }
  // Stations and boards are spread evenly over the blocks, at most one of each a block.
  int32_t StationBlock(int32_t j) const {
    return static_cast<int32_t>(int64_t{j} * blocks / stations);
  }
  int32_t BoardBlock(int32_t j) const {
    return static_cast<int32_t>((int64_t{j} * blocks + blocks / 2) / boards);
  }
};

Layout MakeLayout(int32_t line_length) {
  Layout l;
  l.line_length = std::clamp(line_length, kMinMaxScenarioLength, kMaxScenarioLength);
  l.upper = GridUpper(l.line_length);
  l.blocks = (l.line_length / 50 - kFirstBlockCell - kTailCells) / kBlockCells;
  l.boards = std::min(kMaxBoards, l.blocks);
  l.stations = std::min(kSlotsForStationsAndBoards - l.boards, l.blocks);
  return l;
}

void WriteLinea(const Layout& l, MaxScenario* s) {
  TextWriter w(static_cast<size_t>(l.upper) * 28 + 64 * 1024);
  const int64_t chainage_end = l.line_length / 50 * 50;
  w.Line("---- line description of a maximal scenario ----");
  w.Line("[generale]");
  w.Row("lunghezza percorso", {l.line_length});
  w.Row("progressiva chilometrica uno", {0, chainage_end, 1});
  w.Row("progressiva chilometrica due", {0, 0, 0});
  w.Row("progressiva chilometrica tre", {0, 0, 0});
  w.Row("sfondo uno", {1});
  w.Row("sfondo due", {2});
  w.Row("sfondo tre", {3});
  w.Row("ripetizione segnali 4 codici", {0, chainage_end});

  // Curves of 800 m every 1000 m, all six classes, both sides; the last ends at least
  // 1000 m before the end of the line and before plan point 1 000 000.
  w.Line("[curve]");
  const int64_t curve_limit = std::min<int64_t>(l.line_length - 1000, 999000);
  char token[] = "curvad1";
  for (int32_t i = 0;; ++i) {
    int64_t start = 1000LL * i + 100;
    if (start + 800 > curve_limit) break;
    token[5] = (i % 2 == 0) ? 'd' : 's';
    token[6] = static_cast<char>('1' + i % 6);
    w.Row(token, {start, 800});
    ++s->counts.curves;
  }

  // A gradient row on every cell a row may name: position 50 k passes the range check
  // up to k = N - 2.
  w.Line("[pendenze]");
  w.Line("------------");
  for (int32_t k = 0; k <= l.upper - 2; ++k) w.Row("pendenza", {50LL * k, MaxScenarioGradient(k)});

  // Spans spread over the line: types 1 and 2, and 11 and 12 with span markers; every
  // fifth span starts 100 m after the previous one ends.
  w.Line("[montagne]");
  const int32_t spans = std::min(kMaxSpans, l.line_length / 1000);
  const int64_t span_slot = int64_t{l.line_length} / spans / 50 * 50;
  int64_t previous_fine = 0;
  for (int32_t i = 0; i < spans; ++i) {
    int64_t inizio = span_slot * i + 100;
    int64_t fine = inizio + span_slot * 3 / 5 / 50 * 50;
    if (i % 5 == 4) {
      inizio = previous_fine + 100;
      fine = inizio + 1000;
    }
    static constexpr std::array<int32_t, 4> kTipi = {11, 12, 1, 2};
    w.Row("montagna", {inizio, fine, kTipi[static_cast<size_t>(i % 4)]});
    previous_fine = fine;
    ++s->counts.montagna_spans;
  }

  // Speed-board pairs: a left board always, a right one on every other pair (the other
  // pairs leave its three speeds empty); stripes 2, 1, 0 in turn.
  w.Line("[cartelli]");
  int32_t pair = 0;
  for (int32_t i = 0; i < l.blocks; ++i) {
    for (int32_t off : kSpeedBoardOffsets) {
      int64_t p = ItemPosition(l.BlockCell(i) + off);
      int64_t va = 60 + 10 * (pair % 10);
      int64_t stripes = 2 - pair % 3;
      if (pair % 2 == 0) {
        w.Row("indicatori_vmax", {p, va, va + 10, va + 20, stripes, va, va + 10, va + 20, stripes});
      } else {
        w.Line("indicatori_vmax, " + std::to_string(p) + ", " + std::to_string(va) + ", " +
               std::to_string(va + 10) + ", " + std::to_string(va + 20) + ", " +
               std::to_string(stripes) + ", , , , 0");
      }
      ++pair;
      ++s->counts.speed_boards;
    }
  }

  w.Line("[indicazioni]");
  for (int32_t j = 0; j < l.boards; ++j) {
    int64_t p = ItemPosition(l.BlockCell(l.BoardBlock(j)) + kBoardOffset);
    w.RowWithText("cartello_indicatore", {p}, "(  BIVIO  )( PUNTO " + std::to_string(j + 1) + " )");
    ++s->counts.boards;
  }
  w.Line("[fine]");
  s->linea = w.Take();
}

std::string StationName(int32_t j) {
  // A few names with a hyphen and with Windows-1252 letters; the rest numbered.
  if (j % 10 == 3) return "VAL - ROSA " + std::to_string(j + 1);
  if (j % 10 == 7) return "SAN NICOL\xD2 " + std::to_string(j + 1);
  return "STAZIONE " + std::to_string(j + 1);
}

void WriteStations(const Layout& l, TextWriter& w, MaxScenario* s) {
  w.Line("[stazioni]");
  for (int32_t j = 0; j < l.stations; ++j) {
    const int32_t stop = l.BlockCell(l.StationBlock(j)) + kStationStopOffset;
    const bool last = j == l.stations - 1 && j > 0;
    // A station of type 5 ends its zone 150 m after its position, so its stop cell is
    // p / 50 + 2; any other type below 25 ends it len / 2 after, stop cell
    // (p + len / 2) / 50 - 1. Both put the stop cell at the block's offset 12.
    int64_t tipo = j == 0 ? 2 : (last ? 5 : 12);
    int64_t len = last ? 500 : 400 + 200 * (j % 4);
    int64_t p = last ? 50LL * (stop - 2) : 50LL * (stop + 1) - len / 2;
    int64_t seconds = 6 * 3600 + 420LL * j;
    w.RowWithText("stazione",
                  {p, tipo, len, j % 3, 1, 0, 1, 1 + j % 2, 4, 1, 1, j % 5, 0, seconds / 3600,
                   seconds / 60 % 60, seconds % 60},
                  StationName(j));
    ++s->counts.stations;
  }
}

void WriteTreno(const Layout& l, MaxScenario* s) {
  TextWriter w(static_cast<size_t>(l.upper) * 24 + static_cast<size_t>(l.blocks) * 1400 +
               64 * 1024);
  w.Line("---- train data of a maximal scenario ----");
  w.Line("[generale]");
  w.Row("percentuale massa frenata", {120});
  w.Row("numero vetture", {9});
  w.Row("orologio", {6, 0, 0});
  w.Row("sabbia", {100});

  w.Line("[aderenze]");
  for (int32_t k = 0; k <= l.upper - 2; k += 20) w.Row("aderenza", {50LL * k, 80 + (k / 20) % 40});

  // A speed row on every cell a row may name.
  w.Line("[vel_limite]");
  w.Line("------------");
  for (int32_t k = 0; k <= l.upper - 2; ++k) w.Row("velocita", {50LL * k, MaxScenarioSpeed(k)});

  WriteStations(l, w, s);

  // One slowdown a block, x = 50 (start - 1); its warning cell lies 24 cells before the
  // start, at offset 4, and the four approach cells before that.
  w.Line("[rallentamenti]");
  for (int32_t i = 0; i < l.blocks; ++i) {
    int64_t x = ItemPosition(l.BlockCell(i) + kStartOffset);
    // The last one is slow, so that the cell before the signal after its end is protected
    // by the slowdown itself: no later warning cell looks back on it.
    int64_t v = i == l.blocks - 1 ? kSlowdownSpeeds[1]
                                  : kSlowdownSpeeds[static_cast<size_t>(i) % kSlowdownSpeeds.size()];
    w.Row("rallentamento", {x, v, kSlowdownLength, i % 2, 1, i % 3 == 0 ? 0 : v});
    ++s->counts.slowdowns;
    if (v < 110) ++s->counts.slow_slowdowns;
  }

  w.Line("[segnali]");
  int32_t next_station = 0;
  int32_t next_board = 0;
  int32_t n = 0;
  for (int32_t i = 0; i < l.blocks; ++i) {
    const bool station_here = next_station < l.stations && l.StationBlock(next_station) == i;
    const bool board_here = next_board < l.boards && l.BoardBlock(next_board) == i;
    if (station_here) ++next_station;
    if (board_here) ++next_board;
    for (int32_t off : kSignalOffsets) {
      if (station_here && off == kStationStopOffset) continue;
      if (board_here && off == kBoardOffset) continue;
      static constexpr std::array<int32_t, 5> kTempi = {0, 50, 215, 220, 255};
      int64_t sx = 1 + n % 2;
      w.Row("segnale", {ItemPosition(l.BlockCell(i) + off), sx, 1 + n % 5, n % 4, n % 3, n % 3,
                        n % 3, n % 2, (n + 1) % 4, n % 5, kTempi[static_cast<size_t>(n) % 5]});
      ++n;
      ++s->counts.signals;
    }
  }

  // Abbattimento points land on round(p / 50).
  w.Line("[abbattimenti]");
  for (int32_t i = 0; i < l.blocks; ++i) {
    w.Row("abbattimento", {50LL * (l.BlockCell(i) + kAbbattimentoOffset), 200});
    ++s->counts.abbattimenti;
  }
  w.Line("[fine]");
  s->treno = w.Take();
}

}  // namespace

int32_t MaxScenarioGradient(int32_t cell) { return (cell * 7) % 25 - 12; }

int32_t MaxScenarioSpeed(int32_t cell) {
  // 30 to 200 km/h, in steps of 5 km/h: the scenario is what a careful author writes, so
  // that it compiles with no warning (the rounding of other speeds has cases of its own).
  return 30 + (cell * 13) % 35 * 5;
}

MaxScenario MakeMaxScenario(int32_t line_length) {
  Layout l = MakeLayout(line_length);
  MaxScenario s;
  s.line_length = l.line_length;
  s.counts.blocks = l.blocks;
  WriteLinea(l, &s);
  WriteTreno(l, &s);
  return s;
}

}  // namespace percorso
