// The plan file (NAME_linea.dat): its encoder and its decoder.
#ifndef PERCORSO_FORMAT_PLAN_FILE_H_
#define PERCORSO_FORMAT_PLAN_FILE_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "format/decoded.h"
#include "model/track_plan.h"

namespace percorso {

// The plan file: component 0 of points 0..M, then component 1, each element a 16-bit
// tag followed by its value (nothing, 2 bytes or 8 bytes).
std::string EncodePlanFile(const TrackPlan& plan);

// One element of the plan: its tag (kPlanEmpty, kPlanInt16, kPlanDouble from
// model/track_plan.h) and its value (0 when empty; a 16-bit integer held exactly).
struct PlanElement {
  uint16_t tag = 0;
  double value = 0;
};

struct DecodedPlan {
  std::vector<PlanElement> x;  // component 0 of points 0..M
  std::vector<PlanElement> y;  // component 1 of points 0..M
  // M, the last point number.
  int64_t upper() const { return static_cast<int64_t>(x.size()) - 1; }
  // The number of points from point 0 on whose two elements both hold a value: the
  // points that can be drawn. The last of them is the last computed point.
  int64_t FilledPoints() const;
};

// The plan file: two components with the same number of elements and the same tag at
// every point, each element a known tag (0, 2, 5) followed by its whole value. Decoded
// in two walks (count, then fill the two components), so that it takes no more memory
// than the decoded plan itself.
Decoded<DecodedPlan> DecodePlanFile(std::string_view bytes);

// The most bytes the plan of a line of `line_length` metres can take: points 0 to
// L + 7000, every element of both components a double, the length taken within what the
// compiler accepts (0 to kMaxPlanLineLength).
uint64_t MaxPlanFileBytes(int64_t line_length);

}  // namespace percorso

#endif  // PERCORSO_FORMAT_PLAN_FILE_H_
