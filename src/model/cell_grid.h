// The line cut into cells of 50 m: cell k covers the metres 50k to 50k + 49. The grid
// reaches 7000 m beyond the end of the line, cells 0 to U with U = round((L + 7000) / 50).
#ifndef PERCORSO_MODEL_CELL_GRID_H_
#define PERCORSO_MODEL_CELL_GRID_H_

#include <cstdint>
#include <string>
#include <vector>

namespace percorso {

// One cell: the point item standing there and the running properties in force.
// Fields in file order; 8-bit fields unsigned, 16-bit fields signed.
struct TrackCell {
  uint8_t tipo = 0;     // item type: 1 signal, 2/3/4/5 slowdown, 6 speed boards,
                        // 10 station stop, 11 span marker, 12/13 abbattimento, 14 board
  int16_t dato1 = 0;
  int16_t dato2 = 0;
  int16_t dato3 = 0;
  int16_t dato4 = 0;
  uint8_t tempo = 0;
  uint8_t preavviso = 0;  // approach mark
  uint8_t montagna = 0;   // type of the montagna span covering the cell
  uint8_t velocita = 0;   // speed limit in units of 5 km/h
  uint8_t pendenza = 0;   // gradient per mille + 100
  uint8_t aderenza = 0;
};

inline constexpr int kCellBytes = 15;

// A cell's `velocita` counts the speed limit in units of this many km/h; its `pendenza`
// holds the gradient per mille plus kCellGradientLevel, so that a level track is 100.
inline constexpr int32_t kCellSpeedUnitKmh = 5;
inline constexpr int32_t kCellGradientLevel = 100;

// The fields of a cell in file order, by their documented names: `visit(name, field)`
// for each, stopping at the first that returns false. The cell file's encoder and
// decoder and dump all walk this one list. `Cell` is TrackCell or const TrackCell.
template <typename Cell, typename Visit>
bool ForEachCellField(Cell& c, Visit&& visit) {
  return visit("tipo", c.tipo) && visit("dato1", c.dato1) && visit("dato2", c.dato2) &&
         visit("dato3", c.dato3) && visit("dato4", c.dato4) && visit("tempo", c.tempo) &&
         visit("preavviso", c.preavviso) && visit("montagna", c.montagna) &&
         visit("velocita", c.velocita) && visit("pendenza", c.pendenza) &&
         visit("aderenza", c.aderenza);
}

class CellGrid {
 public:
  // Sizes the grid for a line of `line_length` metres (which must lie in 0..1000000)
  // and sets every field of every cell to zero. May be called again for a new length.
  void Create(int32_t line_length);

  bool exists() const { return exists_; }
  // U, the last cell number; -1 before the grid exists.
  int32_t upper() const { return exists_ ? static_cast<int32_t>(cells_.size()) - 1 : -1; }
  bool Contains(int64_t c) const { return c >= 0 && c < static_cast<int64_t>(cells_.size()); }

  // A cell is free when nothing but a span marker stands on it. A cell outside the
  // grid is never free, so no writer ever places an item there.
  bool IsFree(int64_t c) const {
    return Contains(c) && (cells_[c].tipo == 0 || cells_[c].tipo == 11);
  }

  // Checked access: callers test Contains() first; out-of-grid access is a bug.
  TrackCell& at(int64_t c) { return cells_.at(static_cast<size_t>(c)); }
  const TrackCell& at(int64_t c) const { return cells_.at(static_cast<size_t>(c)); }

  const std::vector<TrackCell>& cells() const { return cells_; }

 private:
  bool exists_ = false;
  std::vector<TrackCell> cells_;
};

// The grid's upper cell number for a line length: round((L + 7000) / 50).
int32_t GridUpperFor(int32_t line_length);

}  // namespace percorso

#endif  // PERCORSO_MODEL_CELL_GRID_H_
