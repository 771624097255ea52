#include "inspect/label_layout.h"

#include <algorithm>
#include <numeric>

namespace percorso {

double TextWidth(std::string_view utf8, double font_px) {
  size_t chars = 0;
  for (char ch : utf8) {
    // Count code points: skip UTF-8 continuation bytes.
    if ((static_cast<unsigned char>(ch) & 0xC0) != 0x80) ++chars;
  }
  return static_cast<double>(chars) * font_px * 0.68;
}

std::vector<int> StaggerRows(const std::vector<Interval>& intervals, double gap) {
  std::vector<size_t> order(intervals.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return intervals[a].left < intervals[b].left; });
  std::vector<double> row_end;  // right edge of the last interval of each row
  std::vector<int> row(intervals.size(), 0);
  for (size_t i : order) {
    size_t r = 0;
    while (r < row_end.size() && intervals[i].left < row_end[r] + gap) ++r;
    if (r == row_end.size()) row_end.push_back(0);
    row_end[r] = intervals[i].right;
    row[i] = static_cast<int>(r);
  }
  return row;
}

bool BoxPlacer::Fits(const Box& b) const {
  if (b.x0 < bounds_.x0 || b.y0 < bounds_.y0 || b.x1 > bounds_.x1 || b.y1 > bounds_.y1) {
    return false;
  }
  return std::none_of(taken_.begin(), taken_.end(), [&](const Box& t) { return t.Overlaps(b); });
}

int BoxPlacer::TakeFirst(const std::vector<Box>& candidates) {
  for (size_t i = 0; i < candidates.size(); ++i) {
    if (Fits(candidates[i])) {
      Take(candidates[i]);
      return static_cast<int>(i);
    }
  }
  return -1;
}

}  // namespace percorso
