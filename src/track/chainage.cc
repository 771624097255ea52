#include "track/chainage.h"

namespace percorso {
// WORK IN PROGRESS: the ordering is being written.
void progressive_ordina(LineTable&) {}
}  // namespace percorso
