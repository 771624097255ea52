#include "decompile/plan_curves.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "loader/plan_geometry.h"
#include "track/coding.h"
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
bool StepMatches(const PlanPoints& p, size_t j, int c) {
  const double x1 = p.x[j - 1], y1 = p.y[j - 1];
  const double dx = x1 - p.x[j - 2];
  const double dy = y1 - p.y[j - 2];
  if (c == kStraight) return SameBits(p.x[j], x1 + dx) && SameBits(p.y[j], y1 + dy);
  const double k = CurvatureOfClass(c);
  return SameBits(p.x[j], x1 + (dx + k * dy)) && SameBits(p.y[j], y1 + (dy - k * dx));
}

// One component in the compiler's layout: two integers, M - 3 doubles, two empties.
bool ReadComponent(std::string_view b, int64_t m, std::vector<double>* out) {
  const char* p = b.data();
  out->resize(static_cast<size_t>(m) + 1);
  double* v = out->data();
  for (int j = 0; j < 2; ++j, p += 4) {
    if (DecodeFixed16(p) != kPlanInt16) return false;
    v[j] = static_cast<int16_t>(DecodeFixed16(p + 2));
  }
  for (int64_t j = 2; j <= m - 2; ++j, p += 10) {
    if (DecodeFixed16(p) != kPlanDouble) return false;
    std::memcpy(&v[j], p + 2, sizeof(double));
  }
  if (DecodeFixed16(p) != kPlanEmpty || DecodeFixed16(p + 2) != kPlanEmpty) return false;
  v[m - 1] = v[m] = 0;
  return true;
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
  if (!plan.compiler_layout) {
    lost->push_back({PlaceKind::kPlanFile, 0,
                     "its elements are not of the types the compiler writes (integers for "
                     "points 0 and 1, doubles up to point M - 2, the last two empty)"});
  }
  if (plan.x[0] != 0 || plan.y[0] != 0 || plan.x[1] != 0 || plan.y[1] != 1)
    lose(0, "the plan starts with the points (0, 0) and (0, 1)");
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

Decoded<PlanPoints> ReadPlanPoints(std::string_view bytes) {
  Decoded<PlanPoints> out;
  // Each component of the compiler's layout takes 4 + 4 + 10 (M - 3) + 2 + 2 bytes.
  const size_t half = bytes.size() / 2;
  if (bytes.size() % 2 == 0 && half >= 22 && (half + 18) % 10 == 0) {
    const int64_t m = static_cast<int64_t>((half + 18) / 10);
    if (ReadComponent(bytes.substr(0, half), m, &out.value.x) &&
        ReadComponent(bytes.substr(half), m, &out.value.y)) {
      return out;
    }
  }
  Decoded<DecodedPlan> d = DecodePlanFile(bytes);
  if (!d.ok()) {
    out.error = d.error;
    return out;
  }
  const int64_t m = d.value.upper();
  PlanPoints& p = out.value;
  p.x.resize(d.value.x.size());
  p.y.resize(d.value.y.size());
  for (size_t j = 0; j < p.x.size(); ++j) {
    p.x[j] = d.value.x[j].value;
    p.y[j] = d.value.y[j].value;
    const int64_t jj = static_cast<int64_t>(j);
    const uint16_t want = jj < 2 ? kPlanInt16 : jj <= m - 2 ? kPlanDouble : kPlanEmpty;
    if (d.value.x[j].tag != want) p.compiler_layout = false;
  }
  return out;
}

bool CheckCurves(const PlanPoints& plan, int32_t line_length, const std::vector<CurveRow>& rows,
                 UnreproducedList* lost) {
  TrackPlan computed;
  computed.Create(line_length);
  StartPlan(computed);
  for (const CurveRow& row : rows) {
    std::optional<double> k = CurvatureOf(row.token);
    if (!k || ExtendWithCurve(computed, row.start, row.length, *k) != CurveOutcome::kDone) {
      Lose(lost, row.start + 1, "the curve row \"" + row.token + "\" is not accepted");
      return false;
    }
  }
  FinishPlan(computed);
  if (computed.upper() != plan.upper()) {
    lost->push_back({PlaceKind::kPlanFile, 0, "the rows give a plan of another length"});
    return false;
  }
  size_t listed = 0;
  const int64_t filled = computed.next();
  for (int64_t j = 0; j < filled && listed < kListedPoints; ++j) {
    const size_t i = static_cast<size_t>(j);
    if (!SameBits(computed.x(j), plan.x[i]) || !SameBits(computed.y(j), plan.y[i])) {
      Lose(lost, j, "the curve rows compute another point here");
      ++listed;
    }
  }
  if (filled != computed.upper() - 1) {
    lost->push_back({PlaceKind::kPlanFile, 0, "the rows leave points uncomputed"});
    return false;
  }
  return listed == 0;
}

}  // namespace percorso
