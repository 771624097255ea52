#include "analysis/train_model.h"

#include <algorithm>

namespace percorso {

namespace {
constexpr double kMsPerKmh = 1.0 / 3.6;
// Curtius-Kniffler: mu(v) = 0.161 + 7.5 / (v + 44), v in km/h.
constexpr double kCkBase = 0.161;
constexpr double kCkNumerator = 7.5;
constexpr double kCkOffsetKmh = 44.0;
}  // namespace

const std::vector<std::string>& TrainModelKeys() {
  static const std::vector<std::string> keys = {
      "mass_t",           "length_m",          "rotating_mass_factor",
      "max_tractive_effort_kN", "power_kW",    "davis_a_kN",
      "davis_b_kN_per_kmh", "davis_c_kN_per_kmh2", "service_deceleration_ms2",
      "adhesion",         "stops"};
  return keys;
}

TrainModel DefaultTrainModel(int32_t cars) {
  const int32_t n = std::clamp(cars, int32_t{0}, kMaxAssumedCars);
  TrainModel t;
  t.mass_t = kLocomotiveMassT + n * kCarMassT;
  t.length_m = kLocomotiveLengthM + n * kCarLengthM;
  t.davis_a_kN = kDavisAKNPerT * t.mass_t;
  t.davis_b_kN_per_kmh = kDavisBKNPerKmhPerT * t.mass_t;
  t.davis_c_kN_per_kmh2 = kDavisCLocomotiveKN + n * kDavisCPerCarKN;
  t.assumed = TrainModelKeys();
  return t;
}

double CurtiusKnifflerAdhesion(double v_kmh) {
  return kCkBase + kCkNumerator / (std::max(v_kmh, 0.0) + kCkOffsetKmh);
}

double TractiveEffortKN(const TrainModel& train, double v) {
  double f = train.max_tractive_effort_kN;
  if (train.power_kW > 0 && v > 0) f = std::min(f, train.power_kW / v);
  if (train.adhesion) {
    const double adhesive = std::min(train.adhesive_mass_t, train.mass_t);
    f = std::min(f, CurtiusKnifflerAdhesion(v / kMsPerKmh) * adhesive * kStandardGravity);
  }
  return f;
}

double ResistanceKN(const TrainModel& train, double v) {
  const double kmh = v / kMsPerKmh;
  return train.davis_a_kN + train.davis_b_kN_per_kmh * kmh + train.davis_c_kN_per_kmh2 * kmh * kmh;
}

}  // namespace percorso
