// The point items a cell can hold (its `tipo`), the cell size and the rule that puts a
// point item on a cell.
#ifndef PERCORSO_MODEL_ITEMS_H_
#define PERCORSO_MODEL_ITEMS_H_

#include <cstdint>

#include "base/rounding.h"

namespace percorso {

// The length of one cell of the grid, in metres: cell k covers 50k to 50k + 49.
inline constexpr int32_t kCellMetres = 50;

// The grid and the plan run this far past the end of the line, so that a train can run
// out: cells 0 to round((L + kRunOutMetres) / 50), plan points 0 to L + kRunOutMetres.
inline constexpr int32_t kRunOutMetres = 7000;

// A cell's `tipo`: the point item standing there.
enum class ItemType : uint8_t {
  kNone = 0,
  kSignal = 1,
  kSlowdownEnd = 2,
  kSlowdownStart = 3,
  kSlowdownWarning = 4,
  kSlowdownApproach = 5,  // one of the four cells counting down to a warning point
  kSpeedBoards = 6,
  kStationStop = 10,
  kSpanMarker = 11,       // every 4th empty cell of a marked montagna span
  kAbbattimento = 12,     // a protection point, or an abbattimento with a value
  kAbbattimentoBare = 13, // an abbattimento without value
  kBoard = 14,            // an indicator board
};

// The byte stored in a cell's `tipo` field.
constexpr uint8_t TipoOf(ItemType t) { return static_cast<uint8_t>(t); }
constexpr bool Is(uint8_t tipo, ItemType t) { return tipo == TipoOf(t); }

// The cell of a point item at `posizione` metres: round(posizione / 50 + 1), computed as
// one exact quotient so that half-way positions round to even as the files expect.
constexpr int64_t ItemCellOf(int64_t posizione) {
  return RoundHalfEven(posizione + kCellMetres, kCellMetres);
}

// The cell that begins nearest `posizione` metres: round(posizione / 50).
constexpr int64_t CellAt(int64_t posizione) { return RoundHalfEven(posizione, kCellMetres); }

// A slowdown at or before this position (metres) has no warning point.
inline constexpr int32_t kSlowdownNoWarningUpTo = 1500;
// Distance of a slowdown's warning point before its start, in metres.
inline constexpr int32_t kSlowdownWarningDistance = 1200;
// The same in cells, for reading a grid back: on a slowdown starting on the 50 m grid,
// the warning cell lies this many cells before the start cell and the nearest approach
// cell one more; a start cell of kSlowdownBorderStartCell may be on either side of
// kSlowdownNoWarningUpTo.
inline constexpr int64_t kSlowdownWarningCells = kSlowdownWarningDistance / kCellMetres;
inline constexpr int64_t kSlowdownApproachCells = kSlowdownWarningCells + 1;
inline constexpr int64_t kSlowdownBorderStartCell = kSlowdownNoWarningUpTo / kCellMetres + 1;

}  // namespace percorso

#endif  // PERCORSO_MODEL_ITEMS_H_
