// The signal-protection pass: one sweep over the loaded cell grid that adds protection
// points (type-12 cells of value 180) before signals that stand ahead of a slowdown
// warning, at three distances before every slowdown start, every 400 m inside slowdowns
// slower than 110 km/h, and before the first signal after the end of such a slowdown.
//
// Where no cell is free for a point the pass records error 11, 12 or 13 and goes on; it
// never stops early, and the last error recorded wins. It never reads or writes outside
// cells 0 to U.
#ifndef PERCORSO_COMPILER_PROTECTION_PASS_H_
#define PERCORSO_COMPILER_PROTECTION_PASS_H_

#include <cstdint>
#include <vector>

#include "model/error_state.h"
#include "model/cell_grid.h"

namespace percorso {

// Value of a protection point, and the slowdown speed from which on no points are
// placed inside a slowdown nor after its end.
inline constexpr int16_t kProtectionValue = 180;
inline constexpr int16_t kFastSlowdown = 110;

// What the pass changed, in the order it changed it.
struct ProtectionReport {
  std::vector<int32_t> protected_cells;  // cells turned into points of value 180
  std::vector<int32_t> lowered_cells;    // existing points lowered to at most 180
};

// Runs the pass over cells 1 to U - 2 of `grid`. A grid that does not exist is left alone.
ProtectionReport ProtectionPass(CellGrid& grid, ErrorState& errore);

}  // namespace percorso

#endif  // PERCORSO_COMPILER_PROTECTION_PASS_H_
