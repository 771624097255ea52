#include "compiler/marker_writers.h"

#include <algorithm>
#include <limits>

#include "base/rounding.h"

namespace percorso {

namespace {

// Error numbers of the writers.
constexpr int32_t kSignalCellTaken = 16;
constexpr int32_t kWarningCellTaken = 17;
constexpr int32_t kSlowdownStartTaken = 18;
constexpr int32_t kSlowdownEndTaken = 19;
constexpr int32_t kApproachCellTaken = 20;
constexpr int32_t kSpeedBoardCellTaken = 21;

// A slowdown this close to the start of the line has no warning point.
constexpr int32_t kNoWarningUpTo = 1500;
// Distance of the warning point before the slowdown's start, in metres.
constexpr int64_t kWarningDistance = 1200;

// The cell of a point item at p: round(p / 50 + 1), computed as one exact quotient.
int64_t ItemCell(int64_t p) { return RoundHalfEven(p + 50, 50); }

// The 16-bit cell fields hold sums and products modulo 2^16. The sum is formed in 64
// bits (no argument combination here can overflow that) and its low 16 bits are kept;
// the result equals 16-bit wrapping arithmetic on the same operands.
int16_t Wrap16(int64_t v) { return static_cast<int16_t>(static_cast<uint16_t>(v)); }

// The 8-bit fields keep the low 8 bits of the value.
uint8_t Low8(int64_t v) { return static_cast<uint8_t>(v); }

}  // namespace

void memo_montagna(CellGrid& grid, SpanList& spans, int32_t inizio, int32_t fine, int32_t tipo) {
  bool markers = false;
  if (tipo > 10) {
    tipo -= 10;
    markers = true;
  }
  // Only the previous span's end is ever read back, so no list of spans is kept; the
  // counter only tells whether there is a previous span.
  bool has_previous = spans.count > 0;
  int32_t previous_fine = spans.last_fine;
  if (spans.count < std::numeric_limits<int32_t>::max()) ++spans.count;
  spans.last_fine = fine;
  // A span starting within 150 m of the previous one's end joins it as type 3.
  if (has_previous && static_cast<int64_t>(inizio) - previous_fine <= 150) tipo = 3;

  const int64_t first = RoundHalfEven(inizio, 50);
  const int64_t last = RoundHalfEven(static_cast<int64_t>(fine) - 50, 50);
  // The span is clipped to the grid; the markers keep their places counted from the
  // span's own first cell.
  const int64_t from = std::max<int64_t>(first, 0);
  const int64_t to = std::min<int64_t>(last, grid.upper());
  const uint8_t montagna = Low8(tipo);
  for (int64_t c = from; c <= to; ++c) {
    TrackCell& cell = grid.at(c);
    cell.montagna = montagna;
    const int64_t n = c - first + 1;
    if (markers && n % 4 == 0 && cell.tipo == 0) cell.tipo = 11;
  }
}

void memo_rallentamento(CellGrid& grid, ErrorState& err, int32_t x, int32_t v, int32_t l,
                        int32_t f_tt, int32_t f_ta, int32_t d_v) {
  const int64_t s = ItemCell(x);
  const int64_t e = ItemCell(static_cast<int64_t>(x) + l);
  const int64_t w = ItemCell(static_cast<int64_t>(x) - kWarningDistance);
  const int64_t a = RoundHalfEven(static_cast<int64_t>(x) - kWarningDistance, 50);
  const bool warned = x > kNoWarningUpTo;

  // Every cell is tested before any is written.
  if (warned && !grid.IsFree(w)) {
    err.numero = kWarningCellTaken;
    return;
  }
  if (!grid.IsFree(s)) {
    err.numero = kSlowdownStartTaken;
    return;
  }
  if (!grid.IsFree(e)) {
    err.numero = kSlowdownEndTaken;
    return;
  }

  // The end first, so that a slowdown of no length leaves its one cell as a start.
  TrackCell& end = grid.at(e);
  end.tipo = 2;
  if (d_v != 0) end.dato2 = Wrap16(d_v);
  TrackCell& start = grid.at(s);
  start.tipo = 3;
  if (d_v != 0) start.dato2 = Wrap16(d_v);
  if (warned) {
    TrackCell& warning = grid.at(w);
    warning.tipo = 4;
    if (d_v != 0) warning.dato2 = Wrap16(d_v);
    warning.dato1 = Wrap16(v);
  }
  for (TrackCell* cell : {&start, &end}) {
    cell->dato1 = Wrap16(v);
    cell->dato3 = Wrap16(f_tt);
  }

  if (f_ta == 0 || !warned) return;
  // The four approach cells before the warning point count down 1 (nearest) to 4.
  for (int64_t i = 0; i < 4; ++i) {
    if (!grid.IsFree(a - i)) {
      err.numero = kApproachCellTaken;
      return;
    }
  }
  for (int64_t i = 0; i < 4; ++i) {
    TrackCell& approach = grid.at(a - i);
    approach.tipo = 5;
    approach.dato1 = Wrap16(i + 1);
    if (d_v != 0) approach.dato2 = Wrap16(i + 1);
  }
}

void memo_segnale(CellGrid& grid, ErrorState& err, int32_t posizione, int32_t sx, int32_t s1,
                  int32_t s2, int32_t s3, int32_t rapp, int32_t dx, int32_t d1, int32_t d2,
                  int32_t d3, int32_t tempo) {
  const int64_t c = ItemCell(posizione);
  if (!grid.IsFree(c)) {
    err.numero = kSignalCellTaken;
    return;
  }
  const int64_t aspect = static_cast<int64_t>(sx) * 3 + dx;
  TrackCell& cell = grid.at(c);
  cell.tipo = 1;
  cell.dato1 = Wrap16(static_cast<int64_t>(s1) * 10 + d1);
  cell.dato2 = Wrap16(static_cast<int64_t>(s2) * 10 + d2);
  cell.dato3 = Wrap16(static_cast<int64_t>(s3) * 10 + d3);
  cell.dato4 = Wrap16(static_cast<int64_t>(rapp) * 10 + aspect);
  // A time of 1 to 100 is too short to be meant literally and is raised to 101.
  if (tempo >= 1 && tempo <= 100) tempo = 101;
  cell.tempo = sx == 2 ? Low8(tempo) : 0;
  // Approach marks 100, 200, 300 and 400 m before the signal; those that would fall
  // before the first cell of the grid are left out.
  for (int64_t k = 1; k <= 4; ++k) {
    const int64_t mark = c - 2 * k;
    if (grid.Contains(mark)) grid.at(mark).preavviso = Low8(aspect * 10 + k);
  }
}

void memo_indicatori_v_max(CellGrid& grid, ErrorState& err, int32_t posizione, int32_t vas,
                           int32_t vbs, int32_t vcs, int32_t strisces, int32_t vad, int32_t vbd,
                           int32_t vcd, int32_t strisced) {
  const int64_t c = ItemCell(posizione);
  if (!grid.IsFree(c)) {
    err.numero = kSpeedBoardCellTaken;
    return;
  }
  // Speed code: left speed / 5 in the hundreds, right speed / 5 in the units, that is
  // round(right / 5 + left * 20) as one exact quotient.
  auto code = [](int32_t left, int32_t right) {
    return Wrap16(RoundHalfEven(static_cast<int64_t>(right) + static_cast<int64_t>(left) * 100, 5));
  };
  TrackCell& cell = grid.at(c);
  cell.tipo = 6;
  cell.dato1 = code(vas, vad);
  cell.dato2 = code(vbs, vbd);
  cell.dato3 = code(vcs, vcd);
  cell.dato4 = Wrap16(static_cast<int64_t>(strisces) * 10 + strisced);
}

}  // namespace percorso
