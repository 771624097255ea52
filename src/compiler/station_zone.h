// A station's zone along the line, worked out from its row: the compiler stores it in the
// station's slot (`inizio`, `fine`) and the decompiler reads a row back from it, both by
// this one rule.
#ifndef PERCORSO_COMPILER_STATION_ZONE_H_
#define PERCORSO_COMPILER_STATION_ZONE_H_

#include <cstdint>

#include "model/items.h"

namespace percorso {

// Below this zone length a station's fifth option field (`opzione5`) is not kept.
inline constexpr int32_t kShortestZoneWithOption5 = 600;
// A station of type 5 or 6 has its zone end this far past its position.
inline constexpr int64_t kZoneEndPastTypes5And6 = 150;

// Whether the station's type clears its sixth field (`opzione4`): types 5 to 8, whose
// zones do not take the extra cell that field gives the others.
constexpr bool ZoneClearsSixthField(int32_t tipo) { return tipo >= 5 && tipo <= 8; }

struct ZoneSpan {
  int64_t start = 0;  // metres
  int64_t end = 0;    // metres, past the zone's last cell
};

// The zone of a station of type `tipo` at `posizione` with zone length `length`: types 5
// and 6 reach the length back and end kZoneEndPastTypes5And6 past the position, types 7
// and 8 reach the length both ways, the others half of it each way, plus one cell when
// `sixth_field` is set (types 5 to 8 clear that field first).
constexpr ZoneSpan StationZoneOf(int32_t tipo, int64_t posizione, int64_t length,
                                 bool sixth_field) {
  if (tipo == 5 || tipo == 6) return {posizione - length, posizione + kZoneEndPastTypes5And6};
  if (tipo == 7 || tipo == 8) return {posizione - length, posizione + length};
  return {posizione - length / 2, posizione + length / 2 + (sixth_field ? kCellMetres : 0)};
}

}  // namespace percorso

#endif  // PERCORSO_COMPILER_STATION_ZONE_H_
