// The train model file of `--train-model FILE`: one JSON object whose keys (all optional)
// replace the defaults of the assumed train:
//   mass_t, length_m, rotating_mass_factor, max_tractive_effort_kN, power_kW (0: no power
//   limit), davis_a_kN, davis_b_kN_per_kmh, davis_c_kN_per_kmh2, service_deceleration_ms2,
//   adhesion (false: no adhesion limit), stops (station name -> dwell seconds).
// An unknown key, a value of the wrong type or a value outside its physical range refuses
// the whole file, with a message naming the key.
#ifndef PERCORSO_ANALYSIS_TRAIN_MODEL_JSON_H_
#define PERCORSO_ANALYSIS_TRAIN_MODEL_JSON_H_

#include <optional>
#include <string>
#include <string_view>

#include "analysis/train_model.h"

namespace percorso {

// Applies the file's keys to `train` (which holds the defaults) and takes them off its
// `assumed` list. Returns why the file is refused, or nothing; on refusal `train` is
// unchanged.
std::optional<std::string> ApplyTrainModelJson(std::string_view text, TrainModel* train);

// The model as a JSON object with the file's keys, and "assumed": the keys taken from the
// defaults. Station names are UTF-8.
std::string TrainModelJson(const TrainModel& train);

}  // namespace percorso

#endif  // PERCORSO_ANALYSIS_TRAIN_MODEL_JSON_H_
