// Curve rows recovered from the plan: every point of the plan is either a straight step
// or a curve step of one of the six curvature classes to one side, and runs of points
// with the same step become one curve row. The rows are checked point by point with the
// compiler's own step arithmetic, so the plan they compute is the same to the bit.
#ifndef PERCORSO_DECOMPILE_PLAN_CURVES_H_
#define PERCORSO_DECOMPILE_PLAN_CURVES_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "decompile/unreproduced.h"
#include "view/decode.h"

namespace percorso {

struct CurveRow {
  std::string token;  // "curvad4": d or s for the side, the digit for the class
  int64_t start = 0;  // the curve turns the steps to points start + 1 .. start + length
  int64_t length = 0;
};

// The values of a plan file's points 0..M.
struct PlanPoints {
  std::vector<double> x;
  std::vector<double> y;
  // Whether every element has the type the compiler gives it: integers for points 0
  // and 1, doubles up to point M - 2, empty for the last two.
  bool compiler_layout = true;
  int64_t upper() const { return static_cast<int64_t>(x.size()) - 1; }
};

// Reads a plan file. One in the compiler's layout is read in one pass straight into the
// two arrays; any other goes through the general decoder, which names the offset of a
// structural fault.
Decoded<PlanPoints> ReadPlanPoints(std::string_view bytes);

// The curve rows of `plan` for a line of `line_length` metres whose grid ends at cell
// `grid_upper`. Points that no row can give are added to `lost`.
std::vector<CurveRow> RecoverCurves(const PlanPoints& plan, int32_t line_length,
                                    int32_t grid_upper, UnreproducedList* lost);

// Computes the plan of `rows` with the loader's own plan geometry (the token read for
// its curvature as the loader reads it) and lists every point that differs from `plan`
// in `lost`. Returns whether all agree. Cheaper than compiling with the plan: nothing
// is encoded.
bool CheckCurves(const PlanPoints& plan, int32_t line_length, const std::vector<CurveRow>& rows,
                 UnreproducedList* lost);

}  // namespace percorso

#endif  // PERCORSO_DECOMPILE_PLAN_CURVES_H_
