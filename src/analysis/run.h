// The fastest legal run of a train between two points of a route, metre by metre:
// 1. the most restrictive speed profile: each cell's `velocita`, lowered by every
//    slowdown over its span; a lower limit holds until the train's tail has left it;
// 2. braking curves, integrated backwards from every fall of the profile and from every
//    stop at the train's service deceleration (exact for a constant deceleration:
//    v^2 grows by 2 b per metre);
// 3. acceleration curves, integrated forwards from every rise and every stop: tractive
//    effort min(F_max, P / v) limited by adhesion, less the running resistance and the
//    gradient force m g i / 1000, divided by the mass times its rotating-mass factor;
//    a climb the train cannot hold at the limit pulls it below;
// 4. the run is the lowest of these; the time of each metre is 2 dx / (v0 + v1), exact
//    where the acceleration is constant over the step.
// The forward integration is the midpoint rule (Runge-Kutta of order 2) on v^2 over
// distance, with a step of 1 m divided into `substeps` (1: 1 m; 2: 0.5 m; ...): the
// forces change over hundreds of metres, so a metre's step is far inside the 0.1 % that
// halving it may change the times by.
#ifndef PERCORSO_ANALYSIS_RUN_H_
#define PERCORSO_ANALYSIS_RUN_H_

#include <cstdint>
#include <span>
#include <vector>

#include "analysis/route.h"
#include "analysis/train_model.h"

namespace percorso {

struct RunSettings {
  int substeps = 1;  // integration steps per metre
};

struct Run {
  int32_t from_m = 0;            // the departure, from a standstill
  int32_t to_m = 0;              // the arrival, to a standstill
  // Index i is the metre from_m + i, for i = 0 .. to_m - from_m.
  std::vector<double> limit_ms;  // the speed profile (tail rule applied), m/s
  std::vector<double> speed_ms;  // the run, m/s
  std::vector<double> time_s;    // seconds since the departure; +inf past a metre the
                                 // train cannot pass (a limit of 0, a climb it stalls on)
  int32_t metres() const { return to_m - from_m; }
  double TimeAt(int32_t m) const { return time_s[static_cast<size_t>(m - from_m)]; }
  double SpeedAt(int32_t m) const { return speed_ms[static_cast<size_t>(m - from_m)]; }
};

// The speed profile in m/s for the metres from_m .. to_m of the route (index 0 is
// from_m), with every limit held until a train of `length_m` has left it.
std::vector<double> SpeedProfile(const Route& route, double length_m, int32_t from_m,
                                 int32_t to_m);
void SpeedProfileInto(const Route& route, double length_m, int32_t from_m, int32_t to_m,
                      std::vector<double>* profile);

// The run from `from_m` to `to_m` (from_m < to_m, both within the route), stopping at
// every position of `stops` between them.
Run ComputeRun(const Route& route, const TrainModel& train, int32_t from_m, int32_t to_m,
               std::span<const int32_t> stops, const RunSettings& settings = {});
// The same into `run`, whose arrays keep their memory from one call to the next: a caller
// that analyses again and again (the language server, the preview) keeps one Run, so the
// pages of its arrays are not handed back and faulted in anew at every call.
void ComputeRunInto(const Route& route, const TrainModel& train, int32_t from_m, int32_t to_m,
                    std::span<const int32_t> stops, const RunSettings& settings, Run* run);

}  // namespace percorso

#endif  // PERCORSO_ANALYSIS_RUN_H_
