#include "analysis/run.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <limits>

namespace percorso {

namespace {

constexpr double kKmhToMs = 1.0 / 3.6;
constexpr double kPerMille = 1000.0;
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// The acceleration of the train at a speed on a gradient, in m/s^2.
class Dynamics {
 public:
  explicit Dynamics(const TrainModel& t)
      : train_(t), inertial_mass_(t.mass_t * t.rotating_mass_factor) {}
  double Acceleration(double v, int32_t gradient) const {
    const double gravity_kN = train_.mass_t * kStandardGravity * gradient / kPerMille;
    return (TractiveEffortKN(train_, v) - ResistanceKN(train_, v) - gravity_kN) / inertial_mass_;
  }

 private:
  const TrainModel& train_;
  double inertial_mass_;  // t: kN / t = m/s^2
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
  const int32_t tail = static_cast<int32_t>(std::ceil(std::max(length_m, 0.0)));
  const int32_t start = std::max(0, from_m - tail);
  const int32_t n = to_m - start + 1;
  // The limit at each metre before the tail rule, in km/h.
  std::vector<int32_t> raw(static_cast<size_t>(n));
  if (route.cells > 0) {
    for (int32_t i = 0; i < n; ++i) raw[i] = route.limit_kmh[CellOf(route, start + i)];
  }
  for (const RouteSlowdown& s : route.slowdowns) {
    const int32_t a = std::max(s.start_m, start);
    const int32_t b = std::min(s.end_m, to_m + 1);
    const int32_t v = std::max(s.speed_kmh, 0);
    for (int32_t m = a; m < b; ++m) raw[m - start] = std::min(raw[m - start], v);
  }
  // The lowest limit over the train's length behind each metre: a sliding minimum.
  std::vector<double> profile(static_cast<size_t>(to_m - from_m + 1));
  std::deque<int32_t> window;  // metres, their limits rising from front to back
  for (int32_t i = 0; i < n; ++i) {
    while (!window.empty() && raw[window.back()] >= raw[i]) window.pop_back();
    window.push_back(i);
    while (window.front() < i - tail) window.pop_front();
    const int32_t m = start + i;
    if (m >= from_m) profile[m - from_m] = raw[window.front()] * kKmhToMs;
  }
  return profile;
}

Run ComputeRun(const Route& route, const TrainModel& train, int32_t from_m, int32_t to_m,
               std::span<const int32_t> stops, const RunSettings& settings) {
  Run run;
  run.from_m = from_m;
  run.to_m = to_m;
  run.limit_ms = SpeedProfile(route, train.length_m, from_m, to_m);
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
    cap[i] = std::min(cap[i], std::sqrt(cap[i + 1] * cap[i + 1] + two_b));
  }

  // Acceleration: forwards from the departure, below the braking envelope.
  const Dynamics dyn(train);
  const int steps = std::max(settings.substeps, 1);
  const double h = 1.0 / steps;
  run.time_s.assign(n, 0.0);
  double v0 = 0;  // the run at metre i (cap[i] is overwritten with it as we go)
  cap[0] = 0;
  for (size_t i = 0; i < last; ++i) {
    const int32_t gradient = route.cells > 0 ? route.gradient[CellOf(route, from_m + int64_t(i))] : 0;
    const double c = cap[i + 1];
    double v1;
    double dt;
    if (v0 >= c && dyn.Acceleration(v0, gradient) >= 0) {
      v1 = c;
      dt = StepTime(1.0, v0, v1);
    } else {
      // Runge-Kutta 4 on w = v^2: dw/dx = 2 a(sqrt(w)).
      auto f = [&](double w) { return 2.0 * dyn.Acceleration(std::sqrt(std::max(w, 0.0)), gradient); };
      double w = v0 * v0;
      double v = v0;
      double t = 0;
      bool stalled = false;
      for (int k = 0; k < steps && !stalled; ++k) {
        const double k1 = f(w);
        const double k2 = f(w + 0.5 * h * k1);
        const double k3 = f(w + 0.5 * h * k2);
        const double k4 = f(w + h * k3);
        const double next = w + h / 6.0 * (k1 + 2 * k2 + 2 * k3 + k4);
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
  return run;
}

}  // namespace percorso
