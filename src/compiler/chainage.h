// The chainage ordering of the three references in line-table slots 81 to 83.
#ifndef PERCORSO_COMPILER_CHAINAGE_H_
#define PERCORSO_COMPILER_CHAINAGE_H_

#include "model/line_table.h"

namespace percorso {

// Puts the references in slots 81..83 in their fixed order and adds 100 to the `fine`
// of every slot whose `posizione` is 1. Touches only inizio, fine and posizione there.
void OrderChainages(LineTable& table);

}  // namespace percorso

#endif  // PERCORSO_COMPILER_CHAINAGE_H_
