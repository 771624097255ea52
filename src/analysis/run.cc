#include "analysis/run.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace percorso {

namespace {

constexpr double kKmhToMs = 1.0 / 3.6;
constexpr double kMsToKmh = 3.6;
constexpr double kPerMille = 1000.0;
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// The acceleration of the train at a speed on a gradient, in m/s^2: the same forces as
// TractiveEffortKN and ResistanceKN, with the model's constants taken once.
class Dynamics {
 public:
  explicit Dynamics(const TrainModel& t)
      : f_max_(t.max_tractive_effort_kN),
        power_(t.power_kW),
        adhesion_(t.adhesion),
        adhesive_weight_(std::min(t.adhesive_mass_t, t.mass_t) * kStandardGravity),
        a_(t.davis_a_kN),
        b_(t.davis_b_kN_per_kmh),
        c_(t.davis_c_kN_per_kmh2),
        weight_per_mille_(t.mass_t * kStandardGravity / kPerMille),
        inverse_inertial_mass_(1.0 / (t.mass_t * t.rotating_mass_factor)) {}
  double Acceleration(double v, int32_t gradient) const {
    double f = f_max_;
    if (power_ > 0 && v > 0) f = std::min(f, power_ / v);
    const double kmh = v * kMsToKmh;
    if (adhesion_) f = std::min(f, CurtiusKnifflerAdhesion(kmh) * adhesive_weight_);
    const double resistance = a_ + (b_ + c_ * kmh) * kmh;
    return (f - resistance - weight_per_mille_ * gradient) * inverse_inertial_mass_;
  }

 private:
  double f_max_, power_;
  bool adhesion_;
  double adhesive_weight_, a_, b_, c_, weight_per_mille_;
  double inverse_inertial_mass_;  // 1 / t: kN -> m/s^2
};

// Time over one step of `dx` metres between two speeds.
double StepTime(double dx, double v0, double v1) {
  const double sum = v0 + v1;
  return sum > 0 ? 2.0 * dx / sum : kInfinity;
}

int32_t CellOf(const Route& route, int64_t metre) {
  const int64_t c = metre / Route::kMetresPerCell;
  return static_cast<int32_t>(std::clamp<int64_t>(c, 0, route.cells - 1));
}

}  // namespace

std::vector<double> SpeedProfile(const Route& route, double length_m, int32_t from_m,
                                 int32_t to_m) {
  std::vector<double> profile;
  SpeedProfileInto(route, length_m, from_m, to_m, &profile);
  return profile;
}

void SpeedProfileInto(const Route& route, double length_m, int32_t from_m, int32_t to_m,
                      std::vector<double>* out) {
  std::vector<double>& profile = *out;
  profile.assign(static_cast<size_t>(to_m - from_m + 1), 0.0);
  if (route.cells <= 0) return;
  // The limit of each cell, lowered by the slowdowns: their ends stand on cell starts.
  std::vector<int32_t> raw(route.limit_kmh);
  for (const RouteSlowdown& s : route.slowdowns) {
    const int32_t a = std::max(s.start_m / Route::kMetresPerCell, 0);
    const int32_t b = std::min(s.end_m / Route::kMetresPerCell, route.cells);
    const int32_t v = std::max(s.speed_kmh, 0);
    for (int32_t c = a; c < b; ++c) raw[c] = std::min(raw[c], v);
  }
  // The lowest limit over the cells under the train, head at metre m, tail at m - length:
  // a sliding minimum over cells, the window moving metre by metre.
  const int32_t tail = static_cast<int32_t>(std::ceil(std::max(length_m, 0.0)));
  std::vector<int32_t> window;  // cells whose limits rise from `head` to the back
  size_t head = 0;
  int32_t next = CellOf(route, std::max<int64_t>(0, int64_t{from_m} - tail));  // to enter
  for (int32_t m = from_m; m <= to_m; ++m) {
    const int32_t last = CellOf(route, m);
    for (; next <= last; ++next) {
      while (window.size() > head && raw[window.back()] >= raw[next]) window.pop_back();
      window.push_back(next);
    }
    const int32_t first = CellOf(route, std::max<int64_t>(0, int64_t{m} - tail));
    while (window[head] < first) ++head;
    profile[m - from_m] = raw[window[head]] * kKmhToMs;
  }
}

Run ComputeRun(const Route& route, const TrainModel& train, int32_t from_m, int32_t to_m,
               std::span<const int32_t> stops, const RunSettings& settings) {
  Run run;
  ComputeRunInto(route, train, from_m, to_m, stops, settings, &run);
  return run;
}

void ComputeRunInto(const Route& route, const TrainModel& train, int32_t from_m, int32_t to_m,
                    std::span<const int32_t> stops, const RunSettings& settings, Run* out) {
  Run& run = *out;
  run.from_m = from_m;
  run.to_m = to_m;
  SpeedProfileInto(route, train.length_m, from_m, to_m, &run.limit_ms);
  const size_t n = run.limit_ms.size();
  const size_t last = n - 1;

  // Braking: backwards from the arrival and every stop.
  std::vector<double>& cap = run.speed_ms;
  cap = run.limit_ms;
  cap[0] = 0;
  cap[last] = 0;
  for (int32_t s : stops) {
    if (s > from_m && s < to_m) cap[static_cast<size_t>(s - from_m)] = 0;
  }
  const double two_b = 2.0 * train.service_deceleration_ms2;
  for (size_t i = last; i-- > 0;) {
    // Only a fall ahead can lower a metre below its own limit.
    if (cap[i] > cap[i + 1]) cap[i] = std::min(cap[i], std::sqrt(cap[i + 1] * cap[i + 1] + two_b));
  }

  // Acceleration: forwards from the departure, below the braking envelope.
  const Dynamics dyn(train);
  const int steps = std::max(settings.substeps, 1);
  const double h = 1.0 / steps;
  run.time_s.assign(n, 0.0);
  double v0 = 0;  // the run at metre i (cap[i] is overwritten with it as we go)
  cap[0] = 0;
  // Cruising repeats one speed on one gradient: the sign of its acceleration is kept.
  double known_v = -1;
  int32_t known_gradient = 0;
  bool known_holds = false;
  auto holds = [&](double v, int32_t gradient) {
    if (v != known_v || gradient != known_gradient) {
      known_v = v;
      known_gradient = gradient;
      known_holds = dyn.Acceleration(v, gradient) >= 0;
    }
    return known_holds;
  };
  for (size_t i = 0; i < last; ++i) {
    const int32_t gradient = route.cells > 0 ? route.gradient[CellOf(route, from_m + int64_t(i))] : 0;
    const double c = cap[i + 1];
    double v1;
    double dt;
    if (v0 >= c && holds(v0, gradient)) {
      v1 = c;
      dt = StepTime(1.0, v0, v1);
    } else {
      // The midpoint rule (Runge-Kutta of order 2) on w = v^2: dw/dx = 2 a(sqrt(w)).
      auto f = [&](double w) { return 2.0 * dyn.Acceleration(std::sqrt(std::max(w, 0.0)), gradient); };
      double w = v0 * v0;
      double v = v0;
      double t = 0;
      bool stalled = false;
      for (int k = 0; k < steps && !stalled; ++k) {
        const double k1 = k == 0 ? 2.0 * dyn.Acceleration(v0, gradient) : f(w);
        const double next = w + h * f(w + 0.5 * h * k1);
        if (next <= 0) {
          stalled = true;
          w = 0;
        } else {
          w = next;
        }
        const double vn = std::sqrt(w);
        t += StepTime(h, v, vn);
        v = vn;
      }
      if (v > c) {
        v1 = c;
        dt = StepTime(1.0, v0, v1);
      } else {
        v1 = v;
        dt = stalled ? StepTime(1.0, v0, 0.0) : t;
      }
    }
    cap[i + 1] = v1;
    run.time_s[i + 1] = run.time_s[i] + dt;
    v0 = v1;
  }
}

}  // namespace percorso
