#include "decompile/plan_curves.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>

#include "base/coding.h"
#include "compiler/keywords.h"
#include "compiler/plan_geometry.h"
#include "compiler/row_schema.h"
#include "model/items.h"
#include "model/track_plan.h"

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
  if (c <= 6) return std::string(keyword::kCurvaD) + std::to_string(c);
  return std::string(keyword::kCurvaS) + std::to_string(c - 6);
}

bool SameBits(double a, double b) {
  return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b);
}

// Whether point j follows from the two before it by a step of class c, computed exactly
// as the loader computes it.
bool StepMatches(const PlanPoints& p, int64_t j, int c) {
  const double x1 = p.x(j - 1), y1 = p.y(j - 1);
  const double dx = x1 - p.x(j - 2);
  const double dy = y1 - p.y(j - 2);
  if (c == kStraight) return SameBits(p.x(j), x1 + dx) && SameBits(p.y(j), y1 + dy);
  const double k = CurvatureOfClass(c);
  return SameBits(p.x(j), x1 + (dx + k * dy)) && SameBits(p.y(j), y1 + (dy - k * dx));
}

// Whether one component has the compiler's layout: two integers, M - 3 doubles, two
// empties.
bool CompilerLayout(std::string_view b, int64_t m) {
  const char* p = b.data();
  for (int j = 0; j < 2; ++j, p += 4)
    if (DecodeFixed16(p) != kPlanInt16) return false;
  for (int64_t j = 2; j <= m - 2; ++j, p += 10)
    if (DecodeFixed16(p) != kPlanDouble) return false;
  return DecodeFixed16(p) == kPlanEmpty && DecodeFixed16(p + 2) == kPlanEmpty;
}

void Lose(UnreproducedList* lost, int64_t point, std::string why) {
  lost->push_back({PlaceKind::kPlanPoint, point, std::move(why)});
}

// At most this many points are listed one by one; the rest are summed up.
constexpr size_t kListedPoints = 20;

}  // namespace

std::vector<CurveRow> RecoverCurves(const PlanPoints& plan, int32_t line_length,
                                    int32_t grid_upper, UnreproducedList* lost) {
  std::vector<CurveRow> rows;
  const int64_t m = plan.upper();
  if (m != int64_t{line_length} + kRunOutMetres || m < 4) {
    lost->push_back({PlaceKind::kPlanFile, 0,
                     "holds points 0 to " + std::to_string(m) + ", but the line length " +
                         std::to_string(line_length) + " m gives points 0 to " +
                         std::to_string(int64_t{line_length} + kRunOutMetres)});
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
  if (!plan.compiler_layout()) {
    lost->push_back({PlaceKind::kPlanFile, 0,
                     "its elements are not of the types the compiler writes (integers for "
                     "points 0 and 1, doubles up to point M - 2, the last two empty)"});
  }
  if (plan.x(0) != 0 || plan.y(0) != 0 || plan.x(1) != 0 || plan.y(1) != 1)
    lose(0, "the plan starts with the points (0, 0) and (0, 1)");
  // The last start a curve row may have: its position must pass the range check.
  const int64_t last_start = kCellMetres * int64_t{grid_upper} - kItemEndMarginMetres;
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
    const std::string token = TokenOfClass(run_class);
    // The loader reads the curvature from the token; it must be this class's, to the bit.
    const std::optional<double> k = CurvatureOf(token);
    if (!k || !SameBits(*k, CurvatureOfClass(run_class))) lose(run_first, "no curve token gives this curvature");
    rows.push_back({token, start, end_point - start});
  };
  for (int64_t j = 2; j <= m - 2; ++j) {
    const int64_t i = j;
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

namespace percorso {

double PlanPoints::At(const char* component, int64_t j) const {
  if (j < 2) return static_cast<int16_t>(DecodeFixed16(component + 4 * j + 2));
  if (j > upper_ - 2) return 0;
  double v;
  std::memcpy(&v, component + 8 + 10 * (j - 2) + 2, sizeof v);
  return v;
}

Decoded<PlanPoints> ReadPlanPoints(std::string_view bytes) {
  Decoded<PlanPoints> out;
  PlanPoints& p = out.value;
  // Each component of the compiler's layout takes 4 + 4 + 10 (M - 3) + 2 + 2 bytes.
  const size_t half = bytes.size() / 2;
  if (bytes.size() % 2 == 0 && half >= 22 && (half + 18) % 10 == 0) {
    const int64_t m = static_cast<int64_t>((half + 18) / 10);
    if (CompilerLayout(bytes.substr(0, half), m) && CompilerLayout(bytes.substr(half), m)) {
      p.in_place_ = true;
      p.upper_ = m;
      p.raw_x_ = bytes.data();
      p.raw_y_ = bytes.data() + half;
      return out;
    }
  }
  Decoded<DecodedPlan> d = DecodePlanFile(bytes);
  if (!d.ok()) {
    out.error = d.error;
    return out;
  }
  p.upper_ = d.value.upper();
  p.x_.resize(d.value.x.size());
  p.y_.resize(d.value.y.size());
  for (size_t j = 0; j < p.x_.size(); ++j) {
    p.x_[j] = d.value.x[j].value;
    p.y_[j] = d.value.y[j].value;
  }
  return out;
}

}  // namespace percorso
