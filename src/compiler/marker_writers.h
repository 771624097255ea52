// The marker writers: each turns one row of a text into cell contents of the grid.
// A writer that meets a taken cell returns what it rejected and writes nothing more;
// cells written before the conflict stay written. A cell outside the grid is never
// free, and nothing is ever written outside the grid. The loader records a rejection
// with the row's position and place in the text.
#ifndef PERCORSO_COMPILER_MARKER_WRITERS_H_
#define PERCORSO_COMPILER_MARKER_WRITERS_H_

#include <cstdint>

#include "model/cell_grid.h"
#include "model/items.h"

namespace percorso {

// What PlaceSpan remembers between rows: how many spans it has recorded and where
// the previous one ended. Reset (to {}) after the chainage ordering, before any row.
struct SpanList {
  int32_t count = 0;
  int32_t last_fine = 0;
};

// A montagna span from `inizio` to `fine`; `tipo` above 10 means type tipo - 10 with a
// span marker on every 4th empty cell. The cells are clipped to the grid (markers keep
// the places counted from the span's own first cell). Never fails.
void PlaceSpan(CellGrid& grid, SpanList& spans, int32_t inizio, int32_t fine, int32_t tipo);

// What a writer refused: the error number and the cell it found taken or outside the
// grid; numero 0 when the row was written whole.
struct Rejection {
  int32_t numero = 0;
  int64_t cell = 0;
  // Which of the row's cells it was: "cell", "warning cell", "start cell", "end cell",
  // or "approach cell".
  const char* place = "";
  bool rejected() const { return numero != 0; }
};

// A `segnale` row, fields named as its columns.
struct SignalRow {
  int32_t posizione = 0;
  int32_t sx = 0, s1 = 0, s2 = 0, s3 = 0;
  int32_t rapp = 0;
  int32_t dx = 0, d1 = 0, d2 = 0, d3 = 0;
  int32_t tempo = 0;
};

// A `rallentamento` row: position, speed (km/h), length (m), the two flags and the
// second speed (0 for none).
struct SlowdownRow {
  int32_t posizione = 0;
  int32_t velocita = 0;
  int32_t lunghezza = 0;
  int32_t f_tt = 0;
  int32_t f_ta = 0;
  int32_t velocita2 = 0;
};

// An `indicatori_vmax` row: position, then three speeds and a stripe count for the left
// board (`vas`, `vbs`, `vcs`, `strisces`) and the same for the right.
struct SpeedBoardRow {
  int32_t posizione = 0;
  int32_t vas = 0, vbs = 0, vcs = 0, strisces = 0;
  int32_t vad = 0, vbd = 0, vcd = 0, strisced = 0;
};

// Whether a slowdown starting at `posizione` has a warning cell (and approach cells).
bool SlowdownHasWarning(int32_t posizione);
// The warning cell of a slowdown starting at `posizione`, 1200 m before its start.
int64_t SlowdownWarningCell(int32_t posizione);
// The nearest of its four approach cells; the others are the three before it.
int64_t SlowdownApproachCell(int32_t posizione);

// A slowdown: errors 17 (warning cell), 18 (start), 19 (end), 20 (approach cells).
Rejection PlaceSlowdown(CellGrid& grid, const SlowdownRow& row);

// A signal: error 16 when its cell is taken. Approach marks that would fall before
// cell 0 are left out.
Rejection PlaceSignal(CellGrid& grid, const SignalRow& row);

// A pair of maximum-speed boards: error 21 when its cell is taken.
Rejection PlaceSpeedBoards(CellGrid& grid, const SpeedBoardRow& row);

}  // namespace percorso

#endif  // PERCORSO_COMPILER_MARKER_WRITERS_H_
