#include "track/marker_writers.h"

namespace percorso {
// WORK IN PROGRESS: the marker writers are being written.
void memo_montagna(CellGrid&, SpanList&, int32_t, int32_t, int32_t) {}
void memo_rallentamento(CellGrid&, ErrorState&, int32_t, int32_t, int32_t, int32_t, int32_t,
                        int32_t) {}
void memo_segnale(CellGrid&, ErrorState&, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                  int32_t, int32_t, int32_t, int32_t, int32_t) {}
void memo_indicatori_v_max(CellGrid&, ErrorState&, int32_t, int32_t, int32_t, int32_t, int32_t,
                           int32_t, int32_t, int32_t, int32_t) {}
}  // namespace percorso
