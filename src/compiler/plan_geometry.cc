#include "compiler/plan_geometry.h"

#include <algorithm>

namespace percorso {

namespace {

// Each step computes point next() from the two points before it, as stored (read
// through the spans, unchecked: a step runs once a metre).
inline bool StepStraight(TrackPlan& plan) {
  const int64_t j = plan.next();
  const double x1 = plan.xs()[j - 1], y1 = plan.ys()[j - 1];
  const double dx = x1 - plan.xs()[j - 2];
  const double dy = y1 - plan.ys()[j - 2];
  return plan.Append(x1 + dx, y1 + dy);
}

inline bool StepCurve(TrackPlan& plan, double k) {
  const int64_t j = plan.next();
  const double x1 = plan.xs()[j - 1], y1 = plan.ys()[j - 1];
  const double dx = x1 - plan.xs()[j - 2];
  const double dy = y1 - plan.ys()[j - 2];
  return plan.Append(x1 + (dx + k * dy), y1 + (dy - k * dx));
}

}  // namespace

std::optional<double> CurvatureOf(std::string_view token) {
  static constexpr double kByDigit[] = {0.0001, 0.0002, 0.0004, 0.001, 0.002, 0.003};
  for (int d = 1; d <= 6; ++d) {
    if (token.find(static_cast<char>('0' + d)) == std::string_view::npos) continue;
    double k = kByDigit[d - 1];
    bool other_way = token.find_first_of("sS") != std::string_view::npos;
    return other_way ? -k : k;
  }
  return std::nullopt;
}

void StartPlan(TrackPlan& plan) { plan.Start(); }

namespace {

// The per-metre loops: step until point `to` is computed or the plan is full; false
// once the point counter has passed kPlanPointLimit.
bool StraightThrough(TrackPlan& plan, int64_t to) {
  while (plan.next() <= to) {
    if (!StepStraight(plan)) break;
    if (plan.next() > kPlanPointLimit) return false;
  }
  return true;
}

bool CurveThrough(TrackPlan& plan, int64_t to, double k) {
  while (plan.next() <= to) {
    if (!StepCurve(plan, k)) break;
    if (plan.next() > kPlanPointLimit) return false;
  }
  return true;
}

}  // namespace

CurveOutcome ExtendWithCurve(TrackPlan& plan, int64_t start, int64_t length, double k) {
  const int64_t end = start + length;
  const int64_t last = static_cast<int64_t>(plan.upper()) - 2;
  if (!plan.started() || std::max(start, end) > last) return CurveOutcome::kBeyondPlan;
  if (!StraightThrough(plan, start) || !CurveThrough(plan, end, k)) {
    return CurveOutcome::kPastPointLimit;
  }
  return CurveOutcome::kDone;
}

void FinishPlan(TrackPlan& plan) {
  if (!plan.started()) return;
  const int64_t last = static_cast<int64_t>(plan.upper()) - 2;
  while (plan.next() <= last && StepStraight(plan)) {
  }
}

}  // namespace percorso
