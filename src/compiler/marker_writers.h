// The marker writers: each turns one row of a text into cell contents of the grid.
// A writer that meets a taken cell sets the error number (never the position: the
// loader records the row's position) and returns at once; cells written before the
// conflict stay written. A cell outside the grid is never free, and nothing is ever
// written outside the grid.
#ifndef PERCORSO_COMPILER_MARKER_WRITERS_H_
#define PERCORSO_COMPILER_MARKER_WRITERS_H_

#include <cstdint>

#include "model/error_state.h"
#include "model/cell_grid.h"

namespace percorso {

// What memo_montagna remembers between rows: how many spans it has recorded and where
// the previous one ended. Reset (to {}) after the chainage ordering, before any row.
struct SpanList {
  int32_t count = 0;
  int32_t last_fine = 0;
};

// A montagna span from `inizio` to `fine`; `tipo` above 10 means type tipo - 10 with a
// span marker on every 4th empty cell. The cells are clipped to the grid (markers keep
// the places counted from the span's own first cell). Never fails.
void memo_montagna(CellGrid& grid, SpanList& spans, int32_t inizio, int32_t fine, int32_t tipo);

// A slowdown at x: errors 17 (warning cell), 18 (start), 19 (end), 20 (approach cells).
void memo_rallentamento(CellGrid& grid, ErrorState& err, int32_t x, int32_t v, int32_t l,
                        int32_t f_tt, int32_t f_ta, int32_t d_v);

// A signal: error 16 when its cell is taken. Approach marks that would fall before
// cell 0 are left out.
void memo_segnale(CellGrid& grid, ErrorState& err, int32_t posizione, int32_t sx, int32_t s1,
                  int32_t s2, int32_t s3, int32_t rapp, int32_t dx, int32_t d1, int32_t d2,
                  int32_t d3, int32_t tempo);

// A pair of maximum-speed boards: error 21 when its cell is taken.
void memo_indicatori_v_max(CellGrid& grid, ErrorState& err, int32_t posizione, int32_t vas,
                           int32_t vbs, int32_t vcs, int32_t strisces, int32_t vad, int32_t vbd,
                           int32_t vcd, int32_t strisced);

}  // namespace percorso

#endif  // PERCORSO_COMPILER_MARKER_WRITERS_H_
