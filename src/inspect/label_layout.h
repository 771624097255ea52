// Keeping labels apart: rows for labels along an axis, free places for labels on a map.
#ifndef PERCORSO_INSPECT_LABEL_LAYOUT_H_
#define PERCORSO_INSPECT_LABEL_LAYOUT_H_

#include <cstddef>
#include <string_view>
#include <vector>

namespace percorso {

// The width in pixels a text of this many characters takes at `font_px`, estimated on
// the wide side (capitals of a common sans-serif face), so that estimated boxes that do
// not touch give labels that do not touch.
double TextWidth(std::string_view utf8, double font_px);

struct Interval {
  double left = 0;
  double right = 0;
};

// Gives each interval a row 0, 1, 2, ... so that intervals in one row are at least `gap`
// apart: each goes to the lowest row whose last interval ends early enough, taking the
// intervals from left to right. Returns the row of each interval, in input order.
std::vector<int> StaggerRows(const std::vector<Interval>& intervals, double gap);

struct Box {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool Overlaps(const Box& o) const { return x0 < o.x1 && o.x0 < x1 && y0 < o.y1 && o.y0 < y1; }
};

// Boxes already taken on a drawing, and its bounds.
class BoxPlacer {
 public:
  explicit BoxPlacer(Box bounds) : bounds_(bounds) {}
  // True when the box lies inside the bounds and touches no taken box.
  bool Fits(const Box& b) const;
  void Take(const Box& b) { taken_.push_back(b); }
  // Takes the first candidate that fits and returns its index, or -1 when none fits.
  int TakeFirst(const std::vector<Box>& candidates);

 private:
  Box bounds_;
  std::vector<Box> taken_;
};

}  // namespace percorso

#endif  // PERCORSO_INSPECT_LABEL_LAYOUT_H_
