#include "compiler/plan_geometry.h"

#include <algorithm>

namespace percorso {

namespace {

// Each step computes point next() from the two points before it, as stored.
inline bool StepStraight(TrackPlan& plan) {
  const int64_t j = plan.next();
  const double x1 = plan.x(j - 1), y1 = plan.y(j - 1);
  const double dx = x1 - plan.x(j - 2);
  const double dy = y1 - plan.y(j - 2);
  return plan.Append(x1 + dx, y1 + dy);
}

inline bool StepCurve(TrackPlan& plan, double k) {
  const int64_t j = plan.next();
  const double x1 = plan.x(j - 1), y1 = plan.y(j - 1);
  const double dx = x1 - plan.x(j - 2);
  const double dy = y1 - plan.y(j - 2);
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

CurveOutcome ExtendWithCurve(TrackPlan& plan, int64_t start, int64_t length, double k) {
  const int64_t end = start + length;
  const int64_t last = static_cast<int64_t>(plan.upper()) - 2;
  if (!plan.started() || std::max(start, end) > last) return CurveOutcome::kBeyondPlan;
  while (plan.next() <= start) {
    if (!StepStraight(plan)) break;
    if (plan.next() > kPlanPointLimit) return CurveOutcome::kPastPointLimit;
  }
  while (plan.next() <= end) {
    if (!StepCurve(plan, k)) break;
    if (plan.next() > kPlanPointLimit) return CurveOutcome::kPastPointLimit;
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
