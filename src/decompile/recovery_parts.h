// The parts of the row recovery, shared by its files and by nothing else (callers use
// decompile/recover_rows.h):
//  - RecoveryLedger: the table and the cells both texts are recovered from, which cells
//    a recovered row already accounts for, and the places no row reproduces; with the
//    spelling of a row and the fill rule read backwards (recovery_ledger.cc);
//  - RecoverLineRows: the rows of the line description (recover_line.cc), its montagna
//    rows by AppendMontagnaRows (recover_spans.cc);
//  - RecoverTrainRows: the rows of the train text (recover_train.cc), put in the order
//    their approach marks ask for by OrderTrainRows (train_row_order.cc).
// RecoverRows (recover_rows.cc) runs them in that order.
#ifndef PERCORSO_DECOMPILE_RECOVERY_PARTS_H_
#define PERCORSO_DECOMPILE_RECOVERY_PARTS_H_

#include <cstdint>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "decompile/plan_curves.h"
#include "decompile/recover_rows.h"
#include "decompile/unreproduced.h"
#include "model/cell_grid.h"
#include "model/line_table.h"

namespace percorso::recovery_parts {

// ---- shared: recovery_ledger.cc ----

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

// The text field that reads back as `text`, or nothing when no field can.
std::optional<std::string> TextFieldFor(const std::string& text);

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

// ---- the line description: recover_line.cc, recover_spans.cc ----

struct RecoveredLine {
  std::vector<std::string> rows;  // the whole text but the closing "[fine]"
  // The lowest slot an indicator board holds (slot 80 + 1 with no board): the boards
  // fill the slots from 80 downwards, the stations those below.
  int lowest_board_slot = 0;
};

// The general section from its slots, the curve rows from the plan (`curves`, null
// without a plan), the gradient rows by the fill rule, the montagna rows, and the
// indicator boards and speed boards from the cells the board rows wrote.
RecoveredLine RecoverLineRows(RecoveryLedger& ledger, const std::vector<CurveRow>* curves);

// Appends the "[montagne]" header and the montagna rows, recovered from the cells'
// montagna values and the span markers PlaceSpan wrote, to `rows`.
void AppendMontagnaRows(RecoveryLedger& ledger, std::vector<std::string>* rows);

// ---- the train text: recover_train.cc, train_row_order.cc ----

// The sections of the train text's item rows, in text order.
enum class TrainSection : uint8_t { kStations = 0, kSlowdowns = 1, kSignals = 2 };

// A recovered stazione, rallentamento or segnale row.
struct TrainRow {
  TrainSection section = TrainSection::kStations;
  int64_t key = 0;  // the order inside the section: slot or cell
  std::string line;
  // The approach marks the row writes: cell and value.
  std::vector<std::pair<int64_t, uint8_t>> marks;
};

struct RecoveredTrain {
  std::vector<std::string> head;  // up to the rows of the train items
  std::vector<TrainRow> items;    // stations, slowdowns and signals, not yet ordered
  // Type-12 and type-13 cells: the cell and the value an abbattimento row would give it.
  std::map<int32_t, int32_t> points;
};

// The general rows from their slots, the adhesion and speed rows by the fill rule, the
// stations from their slots and stop cells (they fill the slots below
// `lowest_board_slot`), the slowdowns and signals from the cells the marker writers
// left, and the abbattimento points.
RecoveredTrain RecoverTrainRows(RecoveryLedger& ledger, int lowest_board_slot);

// The rows in an order that gives every approach mark the cells show, each section
// opened by its header. Stations keep the order of their slots; a cell's mark is the one
// of the last row that writes it, so the row whose mark a cell shows comes after every
// other row marking that cell. A cell whose mark no row gives, or marks that ask for no
// order a text can have, are added to the ledger's lost places.
std::vector<std::string> OrderTrainRows(RecoveryLedger& ledger, const std::vector<TrainRow>& rows);

}  // namespace percorso::recovery_parts

#endif  // PERCORSO_DECOMPILE_RECOVERY_PARTS_H_
