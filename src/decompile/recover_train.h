// The rows of the train text (NAME_NUMBER-.txt), recovered from the line table and the
// cells: the general rows from their slots, the adhesion and speed rows by the fill
// rule, the stations from their slots and stop cells, the slowdowns and signals from
// the cells the marker writers left, and the abbattimento points. Inside decompile/ only.
#ifndef PERCORSO_DECOMPILE_RECOVER_TRAIN_H_
#define PERCORSO_DECOMPILE_RECOVER_TRAIN_H_

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "decompile/recovery_ledger.h"
#include "decompile/train_row_order.h"

namespace percorso {

struct RecoveredTrain {
  std::vector<std::string> head;  // up to the rows of the train items
  std::vector<TrainRow> items;    // stations, slowdowns and signals, not yet ordered
  // Type-12 and type-13 cells: the cell and the value an abbattimento row would give it.
  std::map<int32_t, int32_t> points;
};

// `lowest_board_slot`: the stations fill the slots below it.
RecoveredTrain RecoverTrainRows(RecoveryLedger& ledger, int lowest_board_slot);

}  // namespace percorso

#endif  // PERCORSO_DECOMPILE_RECOVER_TRAIN_H_
