// Curve rows recovered from the plan: every point of the plan is either a straight step
// or a curve step of one of the six curvature classes to one side, and runs of points
// with the same step become one curve row. The rows are checked point by point with the
// compiler's own step arithmetic, so the plan they compute is the same to the bit.
#ifndef PERCORSO_DECOMPILE_PLAN_CURVES_H_
#define PERCORSO_DECOMPILE_PLAN_CURVES_H_

#include <cstdint>
#include <string>
#include <vector>

#include "decompile/unreproduced.h"
#include "view/decode.h"

namespace percorso {

struct CurveRow {
  std::string token;  // "curvad4": d or s for the side, the digit for the class
  int64_t start = 0;  // the curve turns the steps to points start + 1 .. start + length
  int64_t length = 0;
};

// The curve rows of `plan` for a line of `line_length` metres whose grid ends at cell
// `grid_upper`. Points that no row can give are added to `lost`.
std::vector<CurveRow> RecoverCurves(const DecodedPlan& plan, int32_t line_length,
                                    int32_t grid_upper, UnreproducedList* lost);

}  // namespace percorso

#endif  // PERCORSO_DECOMPILE_PLAN_CURVES_H_
