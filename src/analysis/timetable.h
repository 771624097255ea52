// Whether the scheduled times of a route can be kept: the fastest legal run from the
// first station with a time to the last, cut into sections between the stations whose
// rows carry a time. The train departs from the first and arrives at the last from and
// to a standstill, passes the others and stops only where the train model's `stops`
// says. A station's time is its departure where the train stops there (the last
// station's is its arrival), so a section's slack is its scheduled time less its
// minimum running time and the dwells at the stops it ends at or passes through.
#ifndef PERCORSO_ANALYSIS_TIMETABLE_H_
#define PERCORSO_ANALYSIS_TIMETABLE_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/route.h"
#include "analysis/run.h"
#include "analysis/train_model.h"

namespace percorso {

struct TimetableSection {
  std::string from;          // station names, UTF-8
  std::string to;
  int32_t from_m = 0;
  int32_t to_m = 0;
  int32_t to_slot = 0;       // the line table slot of the station that schedules it
  int32_t scheduled_s = 0;   // its time less the time of `from` (over midnight: + 1 day)
  double min_running_s = 0;  // +inf when the train cannot pass
  double dwell_s = 0;        // the stops it ends at or passes through
  double slack_s() const { return scheduled_s - min_running_s - dwell_s; }
  bool kept() const { return slack_s() >= 0; }
};

struct Timetable {
  std::vector<TimetableSection> sections;
  Run run;                          // empty when there are fewer than two timed stations
  double total_min_running_s = 0;
  // Why there is nothing to compute ("fewer than two stations carry a time"), or empty.
  std::string note;
  bool kept() const;
};

// The stations named in `train.stops` that the route does not have; a train model that
// names one cannot be used with this route.
std::vector<std::string> UnknownStops(const Route& route, const TrainModel& train);

// The sections and the run.
Timetable AnalyseTimetable(const Route& route, const TrainModel& train,
                           const RunSettings& settings = {});
// The same into `tt`, whose run keeps its memory from one call to the next
// (ComputeRunInto).
void AnalyseTimetableInto(const Route& route, const TrainModel& train,
                          const RunSettings& settings, Timetable* tt);

}  // namespace percorso

#endif  // PERCORSO_ANALYSIS_TIMETABLE_H_
