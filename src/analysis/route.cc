#include "analysis/route.h"

#include "base/text_encoding.h"
#include "model/cell_grid.h"
#include "model/items.h"

namespace percorso {

namespace {

int32_t CellPosition(int32_t cell) { return (cell - 1) * Route::kMetresPerCell; }

bool HoldsNumbers(const LineRecord& r) {
  return r.tipo != 0 || r.inizio != 0 || r.fine != 0 || r.posizione != 0 || r.orario != 0;
}

}  // namespace

Route ReadRoute(const LineTable& table, std::span<const TrackCell> cells) {
  Route route;
  route.cells = static_cast<int32_t>(cells.size());
  route.limit_kmh.resize(cells.size());
  route.gradient.resize(cells.size());
  for (size_t c = 0; c < cells.size(); ++c) {
    route.limit_kmh[c] = cells[c].velocita * kCellSpeedUnitKmh;
    route.gradient[c] = int32_t{cells[c].pendenza} - kCellGradientLevel;
  }
  const int32_t n = route.cells;
  for (int32_t c = 0; c < n; ++c) {
    if (!Is(cells[c].tipo, ItemType::kSlowdownStart)) continue;
    RouteSlowdown s;
    s.start_cell = c;
    s.speed_kmh = cells[c].dato1;
    s.start_m = CellPosition(c);
    s.end_m = s.start_m;
    for (int32_t e = c + 1; e < n; ++e) {
      if (Is(cells[e].tipo, ItemType::kSlowdownEnd) && cells[e].dato1 == cells[c].dato1) {
        s.end_m = CellPosition(e);
        break;
      }
    }
    const int32_t w = c - static_cast<int32_t>(kSlowdownWarningCells);
    if (w >= 0 && Is(cells[w].tipo, ItemType::kSlowdownWarning) && cells[w].dato1 == cells[c].dato1) {
      s.warning_m = CellPosition(w);
    }
    route.slowdowns.push_back(s);
  }
  for (int k = 1; k < kFirstBoardSlot; ++k) {
    const LineRecord& r = table.slot[k];
    if (!HoldsNumbers(r)) break;
    route.stations.push_back({k, Cp1252ToUtf8(r.nome), r.posizione, r.orario});
  }
  route.cars = table.slot[kTrainFiguresSlot].posizione;
  route.braked_percentage = table.slot[kTrainFiguresSlot].inizio;
  return route;
}

}  // namespace percorso
