// The warnings about driving the compiled scenario with the assumed train (the texts'
// number of cars and braked-mass percentage, the rest from the defaults):
// - slowdown-warning-short, at a slowdown's row: its warning point stands closer to its
//   start than the braking distance from the speed in force there;
// - timetable-too-tight, at the row of the station that schedules a section: the fastest
//   legal run needs more than the scheduled time, by the shortfall in seconds.
// They only append warnings; the compiled bytes stay as they are.
#ifndef PERCORSO_COMPILER_RUN_WARNINGS_H_
#define PERCORSO_COMPILER_RUN_WARNINGS_H_

#include <vector>

#include "compiler/loader.h"
#include "model/cell_grid.h"
#include "model/error_state.h"
#include "model/line_table.h"

namespace percorso {

// `placed` lists the rows that put items on cells, `station_rows` the row of each
// station slot (its `cell` is the slot).
void WarnAboutTheRun(const LineTable& table, const CellGrid& grid,
                     const std::vector<PlacedItem>& placed,
                     const std::vector<PlacedItem>& station_rows, ErrorState& errore);

}  // namespace percorso

#endif  // PERCORSO_COMPILER_RUN_WARNINGS_H_
