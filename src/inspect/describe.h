// Plain-word names for the codes of the compiled files, shared by `dump` and `report`.
#ifndef PERCORSO_INSPECT_DESCRIBE_H_
#define PERCORSO_INSPECT_DESCRIBE_H_

#include <cstdint>
#include <vector>

#include "model/cell_grid.h"
#include "model/line_table.h"

namespace percorso {

// What a cell's `tipo` stands for: "signal", "slowdown start", ... ; "" for 0 and
// "unknown" for a code no writer uses.
const char* CellItemName(uint8_t tipo);

// What a slot holds, from its number and content: "unused", "station", "board",
// "chainage", "train and line figures", "line identity", "train identity", "empty".
// Slots 1 to 80 are told apart by content: a board slot holds nothing but its text.
const char* SlotRole(int slot, const LineRecord& r);

// True when every field of the slot is zero and its text empty.
bool SlotIsEmpty(const LineRecord& r);

// True when cell k is worth a line in a dump: it holds an item, a value, a time or an
// approach mark, or one of its running properties differs from the cell before.
// Cell 0 always is.
bool CellHoldsSomething(const std::vector<TrackCell>& cells, size_t k);

}  // namespace percorso

#endif  // PERCORSO_INSPECT_DESCRIBE_H_
