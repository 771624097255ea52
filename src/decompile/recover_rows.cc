#include "decompile/recover_rows.h"

#include <utility>

#include "compiler/keywords.h"
#include "decompile/recovery_parts.h"
#include "model/items.h"

namespace percorso {

namespace {

using recovery_parts::FormatRow;
using recovery_parts::OrderTrainRows;
using recovery_parts::RecoveredLine;
using recovery_parts::RecoveredTrain;
using recovery_parts::RecoverLineRows;
using recovery_parts::RecoverTrainRows;
using recovery_parts::RecoveryLedger;

std::string Render(const std::vector<std::string>& lines) {
  std::string s;
  for (const std::string& l : lines) {
    s += l;
    s += "\r\n";
  }
  return s;
}

std::string RenderLine(std::string_view line) { return std::string(line) + "\r\n"; }

}  // namespace

// The line first: the train's stations fill the slots below the lowest indicator board.
// The cells that no row of either text accounts for are listed before the train rows
// are ordered.
RecoveredRows RecoverRows(const RecoveryInput& in, UnreproducedList* lost) {
  RecoveryLedger ledger(in, lost);
  RecoveredLine line = RecoverLineRows(ledger, in.curves);
  RecoveredTrain train = RecoverTrainRows(ledger, line.lowest_board_slot);
  ledger.LoseUnaccountedCells();
  RecoveredRows rows;
  rows.linea = std::move(line.rows);
  rows.treno_head = std::move(train.head);
  rows.treno_items = OrderTrainRows(ledger, train.items);
  rows.points = std::move(train.points);
  return rows;
}

std::string RenderLinea(const RecoveredRows& rows) {
  return Render(rows.linea) + RenderLine(header::kFine);
}

std::string RenderTreno(const RecoveredRows& rows, const std::map<int32_t, int32_t>& abbattimenti) {
  std::string s = Render(rows.treno_head) + Render(rows.treno_items);
  s += RenderLine(header::kAbbattimenti);
  for (auto [c, v] : abbattimenti)
    s += RenderLine(FormatRow(keyword::kAbbattimento, {kCellMetres * int64_t{c}, v}));
  s += RenderLine(header::kCodici);
  s += RenderLine(header::kFine);
  return s;
}

}  // namespace percorso
