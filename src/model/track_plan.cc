#include "model/track_plan.h"

#include <algorithm>

#include "base/coding.h"
#include "model/items.h"

namespace percorso {

void TrackPlan::Create(int32_t line_length) {
  exists_ = true;
  // M = L + 7000, kept to -1 (no points) .. the largest plan the loader can ask for.
  upper_ = static_cast<int32_t>(
      std::clamp<int64_t>(static_cast<int64_t>(line_length) + kRunOutMetres, -1,
                          int64_t{kMaxPlanLineLength} + kRunOutMetres));
  next_ = 0;
  // Left unset on purpose (see the header): new double[n], not new double[n]().
  x_.reset(new double[static_cast<size_t>(upper_ + 1)]);
  y_.reset(new double[static_cast<size_t>(upper_ + 1)]);
}

void TrackPlan::Reset() {
  exists_ = false;
  upper_ = -1;
  next_ = 0;
  x_.reset();
  y_.reset();
}

void TrackPlan::Start() {
  if (upper_ < 1) return;
  x_[0] = 0;
  y_[0] = 0;
  x_[1] = 0;
  y_[1] = 1;
  next_ = 2;
}

}  // namespace percorso
