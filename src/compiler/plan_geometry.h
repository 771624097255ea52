// The plan of the line: one point per metre, each computed from the two before it by
// stepping on along the last step, turned by a small fixed angle in every metre of curve.
//
// The arithmetic is IEEE double in a fixed order of operations (and the library is built
// without fused multiply-add), so every bit of the plan is the same on every build:
//   straight: x(j) = x(j-1) + dx,            y(j) = y(j-1) + dy
//   curve:    x(j) = x(j-1) + (dx + k * dy), y(j) = y(j-1) + (dy - k * dx)
// with dx, dy the last step x(j-1) - x(j-2), y(j-1) - y(j-2). The step is never scaled
// back to unit length: it grows by sqrt(1 + k^2) in every metre of curve.
#ifndef PERCORSO_COMPILER_PLAN_GEOMETRY_H_
#define PERCORSO_COMPILER_PLAN_GEOMETRY_H_

#include <cstdint>
#include <optional>
#include <string_view>

#include "model/track_plan.h"

namespace percorso {

// Inside curve rows the point counter may not pass this many points.
inline constexpr int64_t kPlanPointLimit = 1000000;

// The curvature of a curve token, in radians per metre: the first of the digits 1, 2, 3,
// 4, 5, 6 (tested in that order) that the token holds gives 0.0001, 0.0002, 0.0004,
// 0.001, 0.002 or 0.003; an "s" or "S" anywhere turns the curve the other way (negative).
// No such digit: nullopt.
std::optional<double> CurvatureOf(std::string_view token);

// Points 0 and 1 become (0, 0) and (0, 1): the line leaves the origin along +y.
void StartPlan(TrackPlan& plan);

enum class CurveOutcome {
  kDone,
  kBeyondPlan,      // the row ends beyond point M - 2; nothing was computed
  kPastPointLimit,  // the point counter passed kPlanPointLimit; the points so far stay
};

// One curve row: straight track up to point `start`, then curve of curvature k up to
// point start + length. The counter only moves forwards, so the parts of the row that
// lie behind it are skipped. The plan must have been started.
CurveOutcome ExtendWithCurve(TrackPlan& plan, int64_t start, int64_t length, double k);

// The end of the body: straight track up to point M - 2; points M - 1 and M stay empty.
void FinishPlan(TrackPlan& plan);

}  // namespace percorso

#endif  // PERCORSO_COMPILER_PLAN_GEOMETRY_H_
