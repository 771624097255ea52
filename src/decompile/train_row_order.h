// The order of the recovered rows of the train text. Stations keep the order of their
// slots; a cell's approach mark is the one of the last row that writes it, so the row
// whose mark a cell shows is written after every other row marking that cell. Inside
// decompile/ only.
#ifndef PERCORSO_DECOMPILE_TRAIN_ROW_ORDER_H_
#define PERCORSO_DECOMPILE_TRAIN_ROW_ORDER_H_

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "decompile/recovery_ledger.h"

namespace percorso {

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

// The rows in an order that gives every approach mark the cells show, each section
// opened by its header. A cell whose mark no row gives, or marks that ask for no order
// a text can have, are added to the ledger's lost places.
std::vector<std::string> OrderTrainRows(RecoveryLedger& ledger, const std::vector<TrainRow>& rows);

}  // namespace percorso

#endif  // PERCORSO_DECOMPILE_TRAIN_ROW_ORDER_H_
