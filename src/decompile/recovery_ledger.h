// What the line recovery and the train recovery share, inside decompile/ only (callers
// use decompile/recover_rows.h): the table and the cells both read, which cells a
// recovered row already accounts for, the places no row reproduces, and how a recovered
// row is spelled.
#ifndef PERCORSO_DECOMPILE_RECOVERY_LEDGER_H_
#define PERCORSO_DECOMPILE_RECOVERY_LEDGER_H_

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "decompile/recover_rows.h"
#include "decompile/unreproduced.h"
#include "model/cell_grid.h"
#include "model/line_table.h"

namespace percorso {

class RecoveryLedger {
 public:
  RecoveryLedger(const RecoveryInput& in, UnreproducedList* lost);

  const LineRecord& slot(int number) const { return table_.slot[static_cast<size_t>(number)]; }
  const std::vector<TrackCell>& cells() const { return cells_; }
  const TrackCell& cell(int64_t c) const { return cells_[static_cast<size_t>(c)]; }
  // U: the grid holds cells 0 to U.
  int64_t last_cell() const { return last_cell_; }

  // Whether a recovered row already explains what cell `c` holds.
  bool accounted(int64_t c) const { return accounted_[static_cast<size_t>(c)]; }
  void Account(int64_t c) { accounted_[static_cast<size_t>(c)] = true; }

  void LoseCell(int64_t c, std::string why);
  void LoseSlot(int64_t slot, std::string why);

  // An item placed by a marker writer or a board row at cell c stands at 50 (c - 1) m,
  // which must be a position the loader accepts.
  bool ItemCellPlaceable(int64_t c) const { return c >= 1 && c <= last_cell_ - 1; }
  // Whether a station's stop cell names `slot`.
  bool HasStopCellFor(int slot) const;

  // Every cell holding an item that no recovered row accounts for, with the reason.
  void LoseUnaccountedCells();

 private:
  const LineTable& table_;
  const std::vector<TrackCell>& cells_;
  int64_t last_cell_ = 0;
  std::vector<bool> accounted_;
  UnreproducedList* lost_;
};

// "keyword,  v1,  v2, ...": a row as the texts write it.
std::string FormatRow(std::string_view keyword, std::initializer_list<int64_t> values);

// A text field that reads back as `text`, or nothing when no field can.
std::optional<std::string> TextField(const std::string& text);

// Whether a slot holds nothing but its name, as an indicator board's slot does.
bool HoldsOnlyName(const LineRecord& r);

// A row of a filled field (gradient, speed, adhesion): the value in force from a
// position on.
struct FillRow {
  int64_t posizione = 0;
  int64_t value = 0;
};

// The rows that fill `field` of the cells as they stand, starting from `initial`;
// `value` turns a cell's byte into the row's value.
std::vector<FillRow> FillRows(const RecoveryLedger& ledger, uint8_t TrackCell::*field,
                              uint8_t initial, int64_t (*value)(uint8_t));

}  // namespace percorso

#endif  // PERCORSO_DECOMPILE_RECOVERY_LEDGER_H_
