#include "model/track_plan.h"

#include <algorithm>

#include "base/coding.h"

namespace percorso {

void TrackPlan::Create(int32_t line_length) {
  exists_ = true;
  // M = L + 7000, kept to -1 (no points) .. the largest plan the loader can ask for.
  upper_ = static_cast<int32_t>(std::clamp<int64_t>(static_cast<int64_t>(line_length) + 7000, -1,
                                                    int64_t{kMaxPlanLineLength} + 7000));
  next_ = 0;
  x_.assign(static_cast<size_t>(upper_ + 1), 0.0);
  y_.assign(static_cast<size_t>(upper_ + 1), 0.0);
}

void TrackPlan::Reset() {
  exists_ = false;
  upper_ = -1;
  next_ = 0;
  x_.clear();
  x_.shrink_to_fit();
  y_.clear();
  y_.shrink_to_fit();
}

void TrackPlan::Start() {
  if (upper_ < 1) return;
  x_[0] = 0;
  y_[0] = 0;
  x_[1] = 0;
  y_[1] = 1;
  next_ = 2;
}

namespace {

// Writes one component into `p`: points 0 and 1 as 16-bit integers, the computed points
// as doubles. The empty elements after them are the tag 0 alone, which the zero-filled
// buffer already holds, so they are skipped.
char* EncodeComponent(char* p, const std::vector<double>& values, int64_t starts, int64_t next,
                      int64_t upper) {
  int64_t j = 0;
  for (; j < starts; ++j) {
    p = EncodeFixed16(p, kPlanInt16);
    p = EncodeFixed16(p, static_cast<uint16_t>(static_cast<int16_t>(values[static_cast<size_t>(j)])));
  }
  for (; j < next; ++j) {
    p = EncodeFixed16(p, kPlanDouble);
    p = EncodeDouble(p, values[static_cast<size_t>(j)]);
  }
  return p + 2 * (upper + 1 - next);
}

}  // namespace

std::string EncodePlanFile(const TrackPlan& plan) {
  if (!plan.exists()) return std::string();
  // The plan file is written element by element straight into a buffer of its exact
  // size: the longest plan is 20 MB, and one append per element would dominate a build.
  const int64_t upper = plan.upper();
  const int64_t next = std::min<int64_t>(plan.next(), upper + 1);
  const int64_t starts = std::min<int64_t>(next, 2);
  const int64_t component = 2 * (upper + 1) + 2 * starts + 8 * (next - starts);
  std::string out(static_cast<size_t>(2 * component), '\0');
  char* p = out.data();
  p = EncodeComponent(p, plan.xs(), starts, next, upper);
  EncodeComponent(p, plan.ys(), starts, next, upper);
  return out;
}

}  // namespace percorso
