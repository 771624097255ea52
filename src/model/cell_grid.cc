#include "model/cell_grid.h"

#include "base/rounding.h"
#include "model/items.h"

namespace percorso {

int32_t GridUpperFor(int32_t line_length) {
  return static_cast<int32_t>(RoundHalfEven(static_cast<int64_t>(line_length) + kRunOutMetres, kCellMetres));
}

void CellGrid::Create(int32_t line_length) {
  int32_t u = GridUpperFor(line_length);
  cells_.assign(u >= 0 ? static_cast<size_t>(u) + 1 : 0, TrackCell{});
  exists_ = true;
}

}  // namespace percorso
