#include "model/cell_grid.h"

#include "base/coding.h"
#include "base/rounding.h"

namespace percorso {

int32_t GridUpperFor(int32_t line_length) {
  return static_cast<int32_t>(RoundHalfEven(static_cast<int64_t>(line_length) + 7000, 50));
}

void CellGrid::Create(int32_t line_length) {
  int32_t u = GridUpperFor(line_length);
  cells_.assign(u >= 0 ? static_cast<size_t>(u) + 1 : 0, TrackCell{});
  exists_ = true;
}

std::string EncodeCellFile(const CellGrid& grid) {
  std::string out;
  out.reserve(grid.cells().size() * kCellBytes);
  for (const TrackCell& c : grid.cells()) {
    PutFixed8(&out, c.tipo);
    PutFixed16(&out, static_cast<uint16_t>(c.dato1));
    PutFixed16(&out, static_cast<uint16_t>(c.dato2));
    PutFixed16(&out, static_cast<uint16_t>(c.dato3));
    PutFixed16(&out, static_cast<uint16_t>(c.dato4));
    PutFixed8(&out, c.tempo);
    PutFixed8(&out, c.preavviso);
    PutFixed8(&out, c.montagna);
    PutFixed8(&out, c.velocita);
    PutFixed8(&out, c.pendenza);
    PutFixed8(&out, c.aderenza);
  }
  return out;
}

}  // namespace percorso
