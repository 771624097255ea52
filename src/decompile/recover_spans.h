// The montagna rows of the line description, recovered from the cells' montagna values
// and the span markers that PlaceSpan wrote. Inside decompile/ only.
#ifndef PERCORSO_DECOMPILE_RECOVER_SPANS_H_
#define PERCORSO_DECOMPILE_RECOVER_SPANS_H_

#include <string>
#include <vector>

#include "decompile/recovery_ledger.h"

namespace percorso {

// Appends the "[montagne]" header and the montagna rows to `rows`.
void AppendMontagnaRows(RecoveryLedger& ledger, std::vector<std::string>* rows);

}  // namespace percorso

#endif  // PERCORSO_DECOMPILE_RECOVER_SPANS_H_
