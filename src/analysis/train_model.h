// The train that runs the scenario. The texts give only the number of cars and the
// braked-mass percentage; the rest of a train (masses, length, traction, running
// resistance, service braking) is assumed from documented defaults
// (docs/running-times.md) or given in a train model file (train_model_json.h).
#ifndef PERCORSO_ANALYSIS_TRAIN_MODEL_H_
#define PERCORSO_ANALYSIS_TRAIN_MODEL_H_

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace percorso {

// The defaults a train is built from.
inline constexpr double kLocomotiveMassT = 84.0;        // one electric locomotive
inline constexpr double kLocomotiveLengthM = 19.5;
inline constexpr double kCarMassT = 44.0;               // a long-distance coach with its load
inline constexpr double kCarLengthM = 26.4;             // a standard long-distance coach
inline constexpr int32_t kMaxAssumedCars = 60;          // more cars than any platform takes
inline constexpr double kDefaultRotatingMassFactor = 1.05;
inline constexpr double kDefaultTractiveEffortKN = 250.0;
inline constexpr double kDefaultPowerKW = 5000.0;
inline constexpr double kDavisAKNPerT = 0.0147;         // 1.5 daN/t rolling resistance
inline constexpr double kDavisBKNPerKmhPerT = 0.00006;  // flange and bearing losses
inline constexpr double kDavisCLocomotiveKN = 0.00030;  // air drag of the head, per (km/h)^2
inline constexpr double kDavisCPerCarKN = 0.00004;      // air drag along each coach
inline constexpr double kDefaultServiceDecelerationMs2 = 0.5;
inline constexpr double kStandardGravity = 9.81;        // m/s^2

// One train. Units are in the names; resistance is A + B*v + C*v^2 with v in km/h.
struct TrainModel {
  double mass_t = 0;
  double length_m = 0;
  double rotating_mass_factor = kDefaultRotatingMassFactor;
  double max_tractive_effort_kN = kDefaultTractiveEffortKN;
  double power_kW = kDefaultPowerKW;  // 0: no power limit
  double davis_a_kN = 0;
  double davis_b_kN_per_kmh = 0;
  double davis_c_kN_per_kmh2 = 0;
  double service_deceleration_ms2 = kDefaultServiceDecelerationMs2;
  bool adhesion = true;               // false: no adhesion limit
  double adhesive_mass_t = kLocomotiveMassT;  // the weight on the driven axles
  // Stations where the train stops, by name, with the dwell in seconds.
  std::map<std::string, double> stops;
  // The keys taken from the defaults rather than from a train model file, in the order
  // of the file's keys; empty when a file gave every one.
  std::vector<std::string> assumed;
};

// The keys of a train model, in the order they are documented and printed.
const std::vector<std::string>& TrainModelKeys();

// The default train for `cars` cars behind one locomotive (cars below 0 count as 0,
// above kMaxAssumedCars as that many). Every key is marked assumed.
TrainModel DefaultTrainModel(int32_t cars);

// Tractive effort (kN) at `v` m/s: min(F_max, P / v), limited by the adhesion of the
// driven axles (Curtius-Kniffler) when the model has it.
double TractiveEffortKN(const TrainModel& train, double v);

// Running resistance (kN) at `v` m/s.
double ResistanceKN(const TrainModel& train, double v);

// Curtius-Kniffler adhesion coefficient at `v_kmh`: 0.161 + 7.5 / (v + 44).
double CurtiusKnifflerAdhesion(double v_kmh);

}  // namespace percorso

#endif  // PERCORSO_ANALYSIS_TRAIN_MODEL_H_
