// What a running-time calculation needs of a compiled scenario, read from its line table
// and cell grid: the speed limits and gradients cell by cell, the slowdowns with their
// warning points, the stations with their scheduled times, and the train's figures.
#ifndef PERCORSO_ANALYSIS_ROUTE_H_
#define PERCORSO_ANALYSIS_ROUTE_H_

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "model/cell_grid.h"
#include "model/line_table.h"

namespace percorso {

// A slowdown as its row gave it: the marker writers put its start on cell
// round(x / 50 + 1), its end on round((x + l) / 50 + 1) and its warning 1200 m before the
// start, so a marker on cell c stands for the position 50 * (c - 1).
struct RouteSlowdown {
  int32_t start_m = 0;
  int32_t end_m = 0;
  int32_t warning_m = -1;  // -1: no warning point (a slowdown in the first 1500 m)
  int32_t speed_kmh = 0;
  int32_t start_cell = 0;  // the cell of its start marker (tipo 3)
};

struct RouteStation {
  int32_t slot = 0;
  std::string name;      // UTF-8
  int32_t position_m = 0;
  int32_t orario = 0;    // seconds after midnight; 0: no scheduled time
  bool timed() const { return orario != 0; }
};

struct Route {
  int32_t cells = 0;                 // grid cells; the route covers 50 * cells metres
  std::vector<int32_t> limit_kmh;    // per cell: `velocita` * 5
  std::vector<int32_t> gradient;     // per cell: `pendenza` - 100, per mille
  std::vector<RouteSlowdown> slowdowns;
  std::vector<RouteStation> stations;  // in slot order
  int32_t cars = 0;                  // `numero vetture` (slot 84 posizione)
  int32_t braked_percentage = 0;     // `percentuale massa frenata` (slot 84 inizio)
  int32_t metres() const { return cells * kMetresPerCell; }
  static constexpr int32_t kMetresPerCell = 50;
};

// Reads the route. Slowdowns pair each start marker (tipo 3) with the first end marker
// (tipo 2) after it of the same speed; the warning marker (tipo 4) is looked for 24 cells
// before the start. Stations are the slots from 1 up to the first that holds no number.
Route ReadRoute(const LineTable& table, std::span<const TrackCell> cells);

}  // namespace percorso

#endif  // PERCORSO_ANALYSIS_ROUTE_H_
