#include "compiler/marker_writers.h"

#include <algorithm>
#include <limits>

#include "model/error_numbers.h"
#include "model/items.h"

namespace percorso {

namespace {

// The 16-bit cell fields hold sums and products modulo 2^16. The sum is formed in 64
// bits (no argument combination here can overflow that) and its low 16 bits are kept;
// the result equals 16-bit wrapping arithmetic on the same operands.
int16_t Wrap16(int64_t v) { return static_cast<int16_t>(static_cast<uint16_t>(v)); }

// The 8-bit fields keep the low 8 bits of the value.
uint8_t Low8(int64_t v) { return static_cast<uint8_t>(v); }

}  // namespace

void PlaceSpan(CellGrid& grid, SpanList& spans, int32_t inizio, int32_t fine, int32_t tipo) {
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

  const int64_t first = CellAt(inizio);
  const int64_t last = CellAt(static_cast<int64_t>(fine) - kCellMetres);
  // The span is clipped to the grid; the markers keep their places counted from the
  // span's own first cell.
  const int64_t from = std::max<int64_t>(first, 0);
  const int64_t to = std::min<int64_t>(last, grid.upper());
  const uint8_t montagna = Low8(tipo);
  for (int64_t c = from; c <= to; ++c) {
    TrackCell& cell = grid.at(c);
    cell.montagna = montagna;
    const int64_t n = c - first + 1;
    if (markers && n % 4 == 0 && Is(cell.tipo, ItemType::kNone)) cell.tipo = TipoOf(ItemType::kSpanMarker);
  }
}

bool SlowdownHasWarning(int32_t posizione) { return posizione > kSlowdownNoWarningUpTo; }

int64_t SlowdownWarningCell(int32_t posizione) {
  return ItemCellOf(static_cast<int64_t>(posizione) - kSlowdownWarningDistance);
}

int64_t SlowdownApproachCell(int32_t posizione) {
  return CellAt(static_cast<int64_t>(posizione) - kSlowdownWarningDistance);
}

Rejection PlaceSlowdown(CellGrid& grid, const SlowdownRow& row) {
  const int32_t x = row.posizione;
  const int32_t d_v = row.velocita2;
  const int64_t s = ItemCellOf(x);
  const int64_t e = ItemCellOf(static_cast<int64_t>(x) + row.lunghezza);
  const int64_t w = SlowdownWarningCell(x);
  const int64_t a = SlowdownApproachCell(x);
  const bool warned = SlowdownHasWarning(x);

  // Every cell is tested before any is written.
  if (warned && !grid.IsFree(w)) return {err::kWarningCellTaken, w, "warning cell"};
  if (!grid.IsFree(s)) return {err::kSlowdownStartTaken, s, "start cell"};
  if (!grid.IsFree(e)) return {err::kSlowdownEndTaken, e, "end cell"};

  // The end first, so that a slowdown of no length leaves its one cell as a start.
  TrackCell& end = grid.at(e);
  end.tipo = TipoOf(ItemType::kSlowdownEnd);
  if (d_v != 0) end.dato2 = Wrap16(d_v);
  TrackCell& start = grid.at(s);
  start.tipo = TipoOf(ItemType::kSlowdownStart);
  if (d_v != 0) start.dato2 = Wrap16(d_v);
  if (warned) {
    TrackCell& warning = grid.at(w);
    warning.tipo = TipoOf(ItemType::kSlowdownWarning);
    if (d_v != 0) warning.dato2 = Wrap16(d_v);
    warning.dato1 = Wrap16(row.velocita);
  }
  for (TrackCell* cell : {&start, &end}) {
    cell->dato1 = Wrap16(row.velocita);
    cell->dato3 = Wrap16(row.f_tt);
  }

  if (row.f_ta == 0 || !warned) return {};
  // The four approach cells before the warning point count down 1 (nearest) to 4.
  for (int64_t i = 0; i < 4; ++i) {
    if (!grid.IsFree(a - i)) return {err::kApproachCellTaken, a - i, "approach cell"};
  }
  for (int64_t i = 0; i < 4; ++i) {
    TrackCell& approach = grid.at(a - i);
    approach.tipo = TipoOf(ItemType::kSlowdownApproach);
    approach.dato1 = Wrap16(i + 1);
    if (d_v != 0) approach.dato2 = Wrap16(i + 1);
  }
  return {};
}

Rejection PlaceSignal(CellGrid& grid, const SignalRow& row) {
  const int64_t c = ItemCellOf(row.posizione);
  if (!grid.IsFree(c)) return {err::kSignalCellTaken, c, "cell"};
  const int64_t aspect = static_cast<int64_t>(row.sx) * 3 + row.dx;
  TrackCell& cell = grid.at(c);
  cell.tipo = TipoOf(ItemType::kSignal);
  cell.dato1 = Wrap16(static_cast<int64_t>(row.s1) * 10 + row.d1);
  cell.dato2 = Wrap16(static_cast<int64_t>(row.s2) * 10 + row.d2);
  cell.dato3 = Wrap16(static_cast<int64_t>(row.s3) * 10 + row.d3);
  cell.dato4 = Wrap16(static_cast<int64_t>(row.rapp) * 10 + aspect);
  // A time of 1 to 100 is too short to be meant literally and is raised to 101.
  const int32_t tempo = row.tempo >= 1 && row.tempo <= 100 ? 101 : row.tempo;
  cell.tempo = row.sx == 2 ? Low8(tempo) : 0;
  // Approach marks 100, 200, 300 and 400 m before the signal; those that would fall
  // before the first cell of the grid are left out.
  for (int64_t k = 1; k <= 4; ++k) {
    const int64_t mark = c - 2 * k;
    if (grid.Contains(mark)) grid.at(mark).preavviso = Low8(aspect * 10 + k);
  }
  return {};
}

Rejection PlaceSpeedBoards(CellGrid& grid, const SpeedBoardRow& row) {
  const int64_t c = ItemCellOf(row.posizione);
  if (!grid.IsFree(c)) return {err::kSpeedBoardCellTaken, c, "cell"};
  // Speed code: left speed / 5 in the hundreds, right speed / 5 in the units, that is
  // round(right / 5 + left * 20) as one exact quotient.
  auto code = [](int32_t left, int32_t right) {
    return Wrap16(RoundHalfEven(static_cast<int64_t>(right) + static_cast<int64_t>(left) * 100, 5));
  };
  TrackCell& cell = grid.at(c);
  cell.tipo = TipoOf(ItemType::kSpeedBoards);
  cell.dato1 = code(row.vas, row.vad);
  cell.dato2 = code(row.vbs, row.vbd);
  cell.dato3 = code(row.vcs, row.vcd);
  cell.dato4 = Wrap16(static_cast<int64_t>(row.strisces) * 10 + row.strisced);
  return {};
}

}  // namespace percorso
