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
#include "format/decode.h"

namespace percorso {

struct CurveRow {
  std::string token;  // "curvad4": d or s for the side, the digit for the class
  int64_t start = 0;  // the curve turns the steps to points start + 1 .. start + length
  int64_t length = 0;
};

// The values of a plan file's points 0..M. A file in the compiler's layout is read in
// place (its elements lie at fixed offsets); any other is held as arrays.
class PlanPoints {
 public:
  // Whether every element has the type the compiler gives it: integers for points 0
  // and 1, doubles up to point M - 2, empty for the last two.
  bool compiler_layout() const { return in_place_; }
  int64_t upper() const { return upper_; }
  double x(int64_t j) const { return in_place_ ? At(raw_x_, j) : x_[static_cast<size_t>(j)]; }
  double y(int64_t j) const { return in_place_ ? At(raw_y_, j) : y_[static_cast<size_t>(j)]; }

 private:
  friend Decoded<PlanPoints> ReadPlanPoints(std::string_view bytes);
  double At(const char* component, int64_t j) const;

  bool in_place_ = false;
  int64_t upper_ = -1;  // M, the last point number; -1 for none
  const char* raw_x_ = nullptr;
  const char* raw_y_ = nullptr;
  std::vector<double> x_, y_;
};

// Reads a plan file. One in the compiler's layout is read in one pass straight into the
// two arrays; any other goes through the general decoder, which names the offset of a
// structural fault.
// The points refer to `bytes`, which must outlive them.
Decoded<PlanPoints> ReadPlanPoints(std::string_view bytes);

// The curve rows of `plan` for a line of `line_length` metres whose grid ends at cell
// `grid_upper`. Points that no row can give are added to `lost`.
std::vector<CurveRow> RecoverCurves(const PlanPoints& plan, int32_t line_length,
                                    int32_t grid_upper, UnreproducedList* lost);

}  // namespace percorso

#endif  // PERCORSO_DECOMPILE_PLAN_CURVES_H_
