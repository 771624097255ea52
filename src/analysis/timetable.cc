#include "analysis/timetable.h"

#include <algorithm>
#include <cmath>

namespace percorso {

namespace {
constexpr int32_t kSecondsPerDay = 86400;
}  // namespace

bool Timetable::kept() const {
  return std::all_of(sections.begin(), sections.end(),
                     [](const TimetableSection& s) { return s.kept(); });
}

std::vector<std::string> UnknownStops(const Route& route, const TrainModel& train) {
  std::vector<std::string> unknown;
  for (const auto& stop : train.stops) {
    const std::string& name = stop.first;
    const bool found = std::any_of(route.stations.begin(), route.stations.end(),
                                   [&](const RouteStation& s) { return s.name == name; });
    if (!found) unknown.push_back(name);
  }
  return unknown;
}

Timetable AnalyseTimetable(const Route& route, const TrainModel& train,
                           const RunSettings& settings) {
  Timetable tt;
  AnalyseTimetableInto(route, train, settings, &tt);
  return tt;
}

void AnalyseTimetableInto(const Route& route, const TrainModel& train,
                          const RunSettings& settings, Timetable* out) {
  Timetable& tt = *out;
  tt.sections.clear();
  tt.total_min_running_s = 0;
  tt.note.clear();
  std::vector<const RouteStation*> timed;
  for (const RouteStation& s : route.stations) {
    if (s.timed()) timed.push_back(&s);
  }
  if (timed.size() < 2) {
    tt.note = "fewer than two stations carry a time: no section to check";
    return;
  }
  const int32_t from_m = timed.front()->position_m;
  const int32_t to_m = timed.back()->position_m;
  for (size_t k = 1; k < timed.size(); ++k) {
    if (timed[k]->position_m <= timed[k - 1]->position_m) {
      tt.note = "the stations with a time do not stand in rising order of position";
      return;
    }
  }
  if (from_m < 0 || to_m > route.metres()) {
    tt.note = "a station with a time stands outside the cell grid";
    return;
  }
  // The stops between the departure and the arrival, with their dwells.
  std::vector<int32_t> stop_at;
  std::vector<double> stop_dwell;
  for (const RouteStation& s : route.stations) {
    auto it = train.stops.find(s.name);
    if (it == train.stops.end() || s.position_m <= from_m || s.position_m >= to_m) continue;
    stop_at.push_back(s.position_m);
    stop_dwell.push_back(it->second);
  }
  ComputeRunInto(route, train, from_m, to_m, stop_at, settings, &tt.run);
  for (size_t k = 1; k < timed.size(); ++k) {
    const RouteStation& a = *timed[k - 1];
    const RouteStation& b = *timed[k];
    TimetableSection s;
    s.from = a.name;
    s.to = b.name;
    s.from_m = a.position_m;
    s.to_m = b.position_m;
    s.to_slot = b.slot;
    s.scheduled_s = b.orario - a.orario;
    if (s.scheduled_s < 0) s.scheduled_s += kSecondsPerDay;
    const double ta = tt.run.TimeAt(a.position_m);
    const double tb = tt.run.TimeAt(b.position_m);
    s.min_running_s = std::isfinite(tb) ? tb - ta : tb;
    for (size_t j = 0; j < stop_at.size(); ++j) {
      if (stop_at[j] > a.position_m && stop_at[j] <= b.position_m) s.dwell_s += stop_dwell[j];
    }
    tt.total_min_running_s += s.min_running_s;
    tt.sections.push_back(std::move(s));
  }
}

}  // namespace percorso
