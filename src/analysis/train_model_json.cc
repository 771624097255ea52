#include "analysis/train_model_json.h"

#include <algorithm>
#include <cmath>

#include <nlohmann/json.hpp>

namespace percorso {

namespace {

// A numeric key and the range a train can physically have.
struct NumberKey {
  const char* name;
  double TrainModel::*field;
  double min;
  bool min_open;  // the minimum itself is refused
  double max;
  const char* unit;
};

// The longest dwell a stop may have: a day.
constexpr double kMaxDwellS = 86400.0;

const NumberKey kNumberKeys[] = {
    {"mass_t", &TrainModel::mass_t, 0.0, true, 20000.0, "t"},
    {"length_m", &TrainModel::length_m, 0.0, false, 5000.0, "m"},  // 0: a point train
    {"rotating_mass_factor", &TrainModel::rotating_mass_factor, 1.0, false, 2.0, ""},
    {"max_tractive_effort_kN", &TrainModel::max_tractive_effort_kN, 0.0, true, 5000.0, "kN"},
    {"power_kW", &TrainModel::power_kW, 0.0, false, 100000.0, "kW"},
    {"davis_a_kN", &TrainModel::davis_a_kN, 0.0, false, 1000.0, "kN"},
    {"davis_b_kN_per_kmh", &TrainModel::davis_b_kN_per_kmh, 0.0, false, 100.0, "kN per km/h"},
    {"davis_c_kN_per_kmh2", &TrainModel::davis_c_kN_per_kmh2, 0.0, false, 10.0,
     "kN per (km/h)^2"},
    {"service_deceleration_ms2", &TrainModel::service_deceleration_ms2, 0.0, true, 5.0,
     "m/s^2"},
};

std::string FormatNumber(double v) {
  std::string s = nlohmann::json(v).dump();
  if (s.size() > 2 && s.ends_with(".0")) s.resize(s.size() - 2);
  return s;
}

std::string RangeText(const NumberKey& k) {
  std::string s = "must be a number ";
  s += k.min_open ? "above " : "of at least ";
  s += FormatNumber(k.min) + " and at most " + FormatNumber(k.max);
  if (*k.unit != '\0') s += std::string(" ") + k.unit;
  return s;
}

void MarkGiven(TrainModel* t, const std::string& key) {
  std::erase(t->assumed, key);
}

}  // namespace

std::optional<std::string> ApplyTrainModelJson(std::string_view text, TrainModel* train) {
  nlohmann::json doc = nlohmann::json::parse(text, nullptr, false);
  if (doc.is_discarded()) {
    return "not JSON: " + [&] {
      try {
        // Parsed again, throwing, only for the library's account of the fault.
        const nlohmann::json again = nlohmann::json::parse(text);
        (void)again;
      } catch (const nlohmann::json::exception& e) {
        return std::string(e.what());
      }
      return std::string("cannot be read");
    }();
  }
  if (!doc.is_object()) return "must be one JSON object of train model keys";
  TrainModel t = *train;
  for (auto it = doc.begin(); it != doc.end(); ++it) {
    const std::string& key = it.key();
    const nlohmann::json& value = it.value();
    const NumberKey* number = nullptr;
    for (const NumberKey& k : kNumberKeys) {
      if (key == k.name) number = &k;
    }
    if (number != nullptr) {
      if (!value.is_number()) return "key \"" + key + "\": " + RangeText(*number);
      const double v = value.get<double>();
      const bool low = number->min_open ? !(v > number->min) : !(v >= number->min);
      if (!std::isfinite(v) || low || v > number->max) {
        return "key \"" + key + "\": " + FormatNumber(v) + " is out of range: " +
               RangeText(*number);
      }
      t.*(number->field) = v;
    } else if (key == "adhesion") {
      if (!value.is_boolean()) return "key \"adhesion\": must be true or false";
      t.adhesion = value.get<bool>();
    } else if (key == "stops") {
      if (!value.is_object()) {
        return "key \"stops\": must be an object of station names and dwell seconds";
      }
      t.stops.clear();
      for (auto s = value.begin(); s != value.end(); ++s) {
        const nlohmann::json& dwell = s.value();
        const std::string where = "key \"stops\": station \"" + s.key() + "\": ";
        if (!dwell.is_number()) return where + "the dwell must be a number of seconds";
        const double d = dwell.get<double>();
        if (!std::isfinite(d) || d < 0 || d > kMaxDwellS) {
          return where + "the dwell " + FormatNumber(d) +
                 " is out of range: at least 0 and at most 86400 s";
        }
        t.stops[s.key()] = d;
      }
    } else {
      std::string known;
      for (const std::string& k : TrainModelKeys()) known += (known.empty() ? "" : ", ") + k;
      return "unknown key \"" + key + "\" (the keys are " + known + ")";
    }
    MarkGiven(&t, key);
  }
  *train = std::move(t);
  return std::nullopt;
}

std::string TrainModelJson(const TrainModel& train) {
  nlohmann::ordered_json j;
  for (const NumberKey& k : kNumberKeys) j[k.name] = train.*(k.field);
  j["adhesion"] = train.adhesion;
  nlohmann::ordered_json stops = nlohmann::ordered_json::object();
  for (const auto& [name, dwell] : train.stops) stops[name] = dwell;
  j["stops"] = stops;
  j["assumed"] = train.assumed;
  return j.dump();
}

}  // namespace percorso
