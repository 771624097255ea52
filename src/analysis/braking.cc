#include "analysis/braking.h"

#include <algorithm>
#include <limits>

namespace percorso {

namespace {
// The Minden formula's constants (speeds in km/h, distance in m).
constexpr double kMindenDistanceFactor = 3.85;
constexpr double kMindenBrakeFactor = 6.1;
constexpr double kMindenPsi = 1.0;
constexpr double kPercentPerUnit = 10.0;
}  // namespace

double BrakingDistanceM(double from_kmh, double to_kmh, double braked_percentage,
                        double gradient) {
  if (to_kmh >= from_kmh) return 0;
  const double lambda = std::max(braked_percentage, 0.0);
  const double to = std::max(to_kmh, 0.0);
  const double retarding =
      kMindenBrakeFactor * kMindenPsi * (1 + lambda / kPercentPerUnit) + gradient;
  if (retarding <= 0) return std::numeric_limits<double>::infinity();
  return kMindenDistanceFactor * (from_kmh * from_kmh - to * to) / retarding;
}

std::vector<ShortWarning> FindShortWarnings(const Route& route) {
  std::vector<ShortWarning> found;
  // Without a braked-mass percentage (the row left out) there is nothing to judge by.
  if (route.cells <= 0 || route.braked_percentage <= 0) return found;
  auto cell_of = [&](int32_t m) {
    return std::clamp(m / Route::kMetresPerCell, 0, route.cells - 1);
  };
  for (const RouteSlowdown& s : route.slowdowns) {
    if (s.warning_m < 0 || s.warning_m >= s.start_m) continue;
    // The limit in force at the warning: the line's, lowered by any slowdown over it.
    int32_t limit = route.limit_kmh[cell_of(s.warning_m)];
    for (const RouteSlowdown& o : route.slowdowns) {
      if (&o != &s && o.start_m <= s.warning_m && s.warning_m < o.end_m) {
        limit = std::min(limit, o.speed_kmh);
      }
    }
    // The mean gradient between the warning and the start.
    double sum = 0;
    int32_t count = 0;
    for (int32_t c = cell_of(s.warning_m); c < cell_of(s.start_m); ++c, ++count) {
      sum += route.gradient[c];
    }
    const double gradient = count > 0 ? sum / count : 0;
    const double need = BrakingDistanceM(limit, s.speed_kmh, route.braked_percentage, gradient);
    const double available = s.start_m - s.warning_m;
    if (need > available) found.push_back({&s, limit, available, need});
  }
  return found;
}

}  // namespace percorso
