// The rows of the line description (NAME_linea.txt), recovered from the line table and
// the cells: the general section from its slots, the curve rows from the plan, the
// gradient rows by the fill rule, the montagna rows (decompile/recover_spans.h), and the
// indicator boards and speed boards from the cells the board rows wrote. Inside
// decompile/ only.
#ifndef PERCORSO_DECOMPILE_RECOVER_LINE_H_
#define PERCORSO_DECOMPILE_RECOVER_LINE_H_

#include <string>
#include <vector>

#include "decompile/plan_curves.h"
#include "decompile/recovery_ledger.h"

namespace percorso {

struct RecoveredLine {
  std::vector<std::string> rows;  // the whole text but the closing "[fine]"
  // The lowest slot an indicator board holds (slot 80 + 1 with no board): the boards
  // fill the slots from 80 downwards, the stations those below.
  int lowest_board_slot = 0;
};

// `curves`: the curve rows recovered from the plan, null without a plan.
RecoveredLine RecoverLineRows(RecoveryLedger& ledger, const std::vector<CurveRow>* curves);

}  // namespace percorso

#endif  // PERCORSO_DECOMPILE_RECOVER_LINE_H_
