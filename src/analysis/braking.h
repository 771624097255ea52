// Braking distances from the braked-mass percentage, and the check that a slowdown's
// warning stands far enough ahead of it to brake.
//
// The distance is the Minden braking formula for passenger trains: from V0 to V1 km/h,
//   s = 3.85 (V0^2 - V1^2) / (6.1 psi (1 + lambda / 10) + i)   metres,
// lambda the braked-mass percentage, i the gradient in per mille (negative downhill),
// psi = 1. It gives the figure the percentages are defined by: 80 % stops from 120 km/h
// in about 1 000 m on level track.
#ifndef PERCORSO_ANALYSIS_BRAKING_H_
#define PERCORSO_ANALYSIS_BRAKING_H_

#include <cstdint>
#include <vector>

#include "analysis/route.h"

namespace percorso {

// The braking distance in metres from `from_kmh` down to `to_kmh` (0 when to >= from)
// with `braked_percentage` (below 0 counts as 0) on a mean gradient of `gradient` per
// mille. +inf where the gradient outweighs the brakes.
double BrakingDistanceM(double from_kmh, double to_kmh, double braked_percentage,
                        double gradient = 0);

// A slowdown whose warning stands closer to its start than the braking distance from the
// speed in force at the warning down to the slowdown's speed. A route whose braked-mass
// percentage is 0 (not given) has none.
struct ShortWarning {
  const RouteSlowdown* slowdown = nullptr;
  int32_t warning_speed_kmh = 0;  // the limit in force at the warning point
  double available_m = 0;         // from the warning to the start
  double braking_m = 0;           // what the train needs
};

std::vector<ShortWarning> FindShortWarnings(const Route& route);

}  // namespace percorso

#endif  // PERCORSO_ANALYSIS_BRAKING_H_
