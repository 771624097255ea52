#include "track/track_plan.h"

#include <algorithm>

#include "track/coding.h"

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

void PutComponent(std::string* out, const TrackPlan& plan, const std::vector<double>& values,
                  int64_t upper) {
  for (int64_t j = 0; j <= upper; ++j) {
    uint16_t tag = plan.TagOf(j);
    PutFixed16(out, tag);
    if (tag == kPlanInt16) {
      PutFixed16(out, static_cast<uint16_t>(static_cast<int16_t>(values[static_cast<size_t>(j)])));
    } else if (tag == kPlanDouble) {
      PutDouble(out, values[static_cast<size_t>(j)]);
    }
  }
}

}  // namespace

std::string EncodePlanFile(const TrackPlan& plan) {
  std::string out;
  if (!plan.exists()) return out;
  int64_t upper = plan.upper();
  int64_t computed = plan.next() > 2 ? plan.next() - 2 : 0;
  int64_t starts = plan.next() >= 2 ? 2 : 0;
  out.reserve(static_cast<size_t>(2 * (2 * (upper + 1) + 8 * computed + 2 * starts)));
  PutComponent(&out, plan, plan.xs(), upper);
  PutComponent(&out, plan, plan.ys(), upper);
  return out;
}

}  // namespace percorso
