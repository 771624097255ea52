#include "decompile/plan_curves.h"

#include <array>
#include <bit>
#include <cstdint>

#include "loader/plan_geometry.h"
#include "track/track_plan.h"

namespace percorso {

namespace {

// The curvature of each class, digit 1 to 6; a token with "s" turns the other way.
constexpr std::array<double, 6> kCurvature = {0.0001, 0.0002, 0.0004, 0.001, 0.002, 0.003};
// Class index 0 is straight track; 1..6 curve to the "d" side, 7..12 to the "s" side.
constexpr int kStraight = 0;
constexpr int kClasses = 13;

double CurvatureOfClass(int c) {
  return c <= 6 ? kCurvature[static_cast<size_t>(c - 1)] : -kCurvature[static_cast<size_t>(c - 7)];
}

std::string TokenOfClass(int c) {
  return c <= 6 ? "curvad" + std::to_string(c) : "curvas" + std::to_string(c - 6);
}

bool SameBits(double a, double b) {
  return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b);
}

// Whether point j follows from the two before it by a step of class c, computed exactly
// as the loader computes it.
bool StepMatches(const DecodedPlan& p, size_t j, int c) {
  const double x1 = p.x[j - 1].value, y1 = p.y[j - 1].value;
  const double dx = x1 - p.x[j - 2].value;
  const double dy = y1 - p.y[j - 2].value;
  if (c == kStraight) return SameBits(p.x[j].value, x1 + dx) && SameBits(p.y[j].value, y1 + dy);
  const double k = CurvatureOfClass(c);
  return SameBits(p.x[j].value, x1 + (dx + k * dy)) && SameBits(p.y[j].value, y1 + (dy - k * dx));
}

void Lose(UnreproducedList* lost, int64_t point, std::string why) {
  lost->push_back({PlaceKind::kPlanPoint, point, std::move(why)});
}

// At most this many points are listed one by one; the rest are summed up.
constexpr size_t kListedPoints = 20;

}  // namespace

std::vector<CurveRow> RecoverCurves(const DecodedPlan& plan, int32_t line_length,
                                    int32_t grid_upper, UnreproducedList* lost) {
  std::vector<CurveRow> rows;
  const int64_t m = plan.upper();
  if (m != int64_t{line_length} + 7000 || m < 4) {
    lost->push_back({PlaceKind::kPlanFile, 0,
                     "holds points 0 to " + std::to_string(m) + ", but the line length " +
                         std::to_string(line_length) + " m gives points 0 to " +
                         std::to_string(int64_t{line_length} + 7000)});
    if (m < 4) return rows;
  }
  const size_t lost_before = lost->size();
  size_t unlisted = 0;
  auto lose = [&](int64_t point, std::string why) {
    if (lost->size() - lost_before < kListedPoints) {
      Lose(lost, point, std::move(why));
    } else {
      ++unlisted;
    }
  };
  for (int64_t j : {int64_t{0}, int64_t{1}}) {
    const size_t i = static_cast<size_t>(j);
    if (plan.x[i].tag != kPlanInt16 || plan.y[i].tag != kPlanInt16 || plan.x[i].value != 0 ||
        plan.y[i].value != static_cast<double>(j)) {
      lose(j, "the plan starts with the integer points (0, 0) and (0, 1)");
    }
  }
  for (int64_t j : {m - 1, m}) {
    const size_t i = static_cast<size_t>(j);
    if (plan.x[i].tag != kPlanEmpty || plan.y[i].tag != kPlanEmpty)
      lose(j, "the last two points of a plan are never computed");
  }
  // The last start a curve row may have: its position must pass the range check.
  const int64_t last_start = 50 * int64_t{grid_upper} - 100;
  int run_class = kStraight;
  int64_t run_first = 0;  // first point of the current curve run
  auto close_run = [&](int64_t end_point) {
    if (run_class == kStraight) return;
    const int64_t start = run_first - 1;
    if (start > last_start) {
      lose(run_first, "a curve row may start at " + std::to_string(last_start) +
                          " m at the latest, this curve starts at " + std::to_string(start) + " m");
    } else if (end_point >= kPlanPointLimit) {
      lose(end_point, "a curve row may not reach plan point " + std::to_string(kPlanPointLimit));
    }
    rows.push_back({TokenOfClass(run_class), start, end_point - start});
  };
  for (int64_t j = 2; j <= m - 2; ++j) {
    const size_t i = static_cast<size_t>(j);
    if (plan.x[i].tag != kPlanDouble || plan.y[i].tag != kPlanDouble) {
      lose(j, "a computed point holds two floating-point values");
      continue;
    }
    if (plan.x[i - 1].tag == kPlanEmpty || plan.x[i - 2].tag == kPlanEmpty) continue;
    // The run in progress first, then straight track, then any other class.
    int found = -1;
    if (StepMatches(plan, i, run_class)) {
      found = run_class;
    } else if (StepMatches(plan, i, kStraight)) {
      found = kStraight;
    } else {
      for (int c = 1; c < kClasses && found < 0; ++c)
        if (c != run_class && StepMatches(plan, i, c)) found = c;
    }
    if (found < 0) {
      lose(j, "no straight or curve step leads to this point");
      found = kStraight;
    }
    if (found != run_class) {
      close_run(j - 1);
      run_class = found;
      run_first = j;
    }
  }
  close_run(m - 2);
  if (unlisted > 0) {
    lost->push_back({PlaceKind::kPlanFile, 0,
                     std::to_string(unlisted) + " more points not reproduced"});
  }
  return rows;
}

}  // namespace percorso
