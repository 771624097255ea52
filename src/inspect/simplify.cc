#include "inspect/simplify.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace percorso {

namespace {

// Distance of p from the segment a-b.
double SegmentDistance(const Point2& p, const Point2& a, const Point2& b) {
  double dx = b.x - a.x;
  double dy = b.y - a.y;
  double len2 = dx * dx + dy * dy;
  double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0;
  t = std::clamp(t, 0.0, 1.0);
  double ex = a.x + t * dx - p.x;
  double ey = a.y + t * dy - p.y;
  return std::sqrt(ex * ex + ey * ey);
}

}  // namespace

std::vector<size_t> SimplifyPolyline(const std::vector<Point2>& points, double tolerance) {
  const size_t n = points.size();
  if (n <= 2) {
    std::vector<size_t> all(n);
    for (size_t i = 0; i < n; ++i) all[i] = i;
    return all;
  }
  std::vector<bool> keep(n, false);
  keep[0] = keep[n - 1] = true;
  std::vector<std::pair<size_t, size_t>> todo{{0, n - 1}};
  while (!todo.empty()) {
    auto [first, last] = todo.back();
    todo.pop_back();
    double worst = -1;
    size_t at = first;
    for (size_t i = first + 1; i < last; ++i) {
      double d = SegmentDistance(points[i], points[first], points[last]);
      if (d > worst) {
        worst = d;
        at = i;
      }
    }
    if (worst > tolerance) {
      keep[at] = true;
      todo.push_back({first, at});
      todo.push_back({at, last});
    }
  }
  std::vector<size_t> kept;
  for (size_t i = 0; i < n; ++i) {
    if (keep[i]) kept.push_back(i);
  }
  return kept;
}

}  // namespace percorso
