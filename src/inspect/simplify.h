// Thinning a polyline for drawing: the plan has a point per metre, a drawing needs only
// the points that change the picture.
#ifndef PERCORSO_INSPECT_SIMPLIFY_H_
#define PERCORSO_INSPECT_SIMPLIFY_H_

#include <cstddef>
#include <vector>

namespace percorso {

struct Point2 {
  double x = 0;
  double y = 0;
};

// Douglas-Peucker: the indices of the points to keep so that no dropped point lies
// farther than `tolerance` from the kept polyline. The first and the last point are
// always kept; the result rises. Iterative, so a long line cannot exhaust the stack.
std::vector<size_t> SimplifyPolyline(const std::vector<Point2>& points, double tolerance);

}  // namespace percorso

#endif  // PERCORSO_INSPECT_SIMPLIFY_H_
