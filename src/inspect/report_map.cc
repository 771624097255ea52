// The track map: the plan drawn to scale, the same scale across and along.
#include <algorithm>
#include <cmath>

#include "inspect/label_layout.h"
#include "inspect/report_facts.h"
#include "inspect/simplify.h"
#include "inspect/svg.h"

namespace percorso {

namespace {

constexpr double kWidth = 1160;
constexpr double kPadX = 70;
constexpr double kPadY = 50;
constexpr double kFont = 12.5;

// Maps plan metres to the drawing; y of the plan points up on the page.
struct MapFrame {
  double scale = 1;  // pixels per metre
  double x_min = 0, y_max = 0, ox = 0, oy = 0;
  double height = 0;
  double X(double x) const { return ox + (x - x_min) * scale; }
  double Y(double y) const { return oy + (y_max - y) * scale; }
};

// The drawable points of the plan: from point 0 up to the first empty or non-finite one.
std::vector<Point2> PlanPoints(const DecodedPlan& plan) {
  std::vector<Point2> pts;
  int64_t n = plan.FilledPoints();
  pts.reserve(static_cast<size_t>(n));
  for (int64_t j = 0; j < n; ++j) {
    double x = plan.x[static_cast<size_t>(j)].value;
    double y = plan.y[static_cast<size_t>(j)].value;
    if (!std::isfinite(x) || !std::isfinite(y)) break;
    pts.push_back({x, y});
  }
  return pts;
}

MapFrame FrameFor(const std::vector<Point2>& pts) {
  double x0 = pts[0].x, x1 = pts[0].x, y0 = pts[0].y, y1 = pts[0].y;
  for (const Point2& p : pts) {
    x0 = std::min(x0, p.x);
    x1 = std::max(x1, p.x);
    y0 = std::min(y0, p.y);
    y1 = std::max(y1, p.y);
  }
  double dx = std::max(x1 - x0, 1.0);
  double dy = std::max(y1 - y0, 1.0);
  MapFrame f;
  double s_wide = (kWidth - 2 * kPadX) / dx;
  f.height = std::clamp(dy * s_wide + 2 * kPadY, 380.0, 960.0);
  f.scale = std::min(s_wide, (f.height - 2 * kPadY) / dy);
  f.x_min = x0;
  f.y_max = y1;
  f.ox = (kWidth - (x1 - x0) * f.scale) / 2;
  f.oy = (f.height - (y1 - y0) * f.scale) / 2;
  return f;
}

// The path of points [from, to] in plan metres, thinned to what shows at this scale.
std::string PathData(const std::vector<Point2>& pts, size_t from, size_t to, double scale) {
  std::vector<Point2> part(pts.begin() + static_cast<std::ptrdiff_t>(from),
                           pts.begin() + static_cast<std::ptrdiff_t>(to) + 1);
  std::vector<size_t> keep = SimplifyPolyline(part, 0.3 / scale);
  std::string d;
  for (size_t i = 0; i < keep.size(); ++i) {
    d += (i == 0 ? "M" : " L");
    d += Num(part[keep[i]].x) + "," + Num(part[keep[i]].y);
  }
  return d;
}

// Obstacles along the drawn track, so that labels keep off the line.
void TakeTrack(BoxPlacer& placer, const std::vector<Point2>& pts, const MapFrame& f) {
  std::vector<size_t> keep = SimplifyPolyline(pts, 0.3 / f.scale);
  for (size_t i = 1; i < keep.size(); ++i) {
    double ax = f.X(pts[keep[i - 1]].x), ay = f.Y(pts[keep[i - 1]].y);
    double bx = f.X(pts[keep[i]].x), by = f.Y(pts[keep[i]].y);
    double len = std::hypot(bx - ax, by - ay);
    int steps = std::max(1, static_cast<int>(len / 4));
    for (int s = 0; s <= steps; ++s) {
      double t = static_cast<double>(s) / steps;
      double x = ax + t * (bx - ax), y = ay + t * (by - ay);
      placer.Take(Box{x - 2.5, y - 2.5, x + 2.5, y + 2.5});
    }
  }
}

// The attributes that tie an element to its mark at (x, y), about which the page's
// script scales it back when the map is zoomed, so that it keeps its size on screen.
std::string MarkAt(double x, double y) {
  return " data-mx=\"" + Num(x) + "\" data-my=\"" + Num(y) + "\"";
}

// Places a label near (x, y): beside, above, below, then farther out with a leader
// line. When every place is taken the label is kept, where it would go first, but
// hidden ("crowded"): the page's script shows it once zooming in makes room. The label
// and its leader (and `mark`, drawn only with the label) are one group.
std::string PlaceLabel(BoxPlacer& placer, double x, double y, const std::string& text,
                       const std::string& cls, const std::string& mark = "") {
  double w = TextWidth(text, kFont);
  double h = kFont * 1.25;
  std::vector<Box> cands;
  std::vector<std::pair<double, double>> anchors;  // the label's left and baseline
  for (double d : {9.0, 24.0, 42.0, 64.0}) {
    const double dirs[8][2] = {{1, 0}, {-1, 0}, {0, -1}, {0, 1}, {1, -1}, {-1, -1}, {1, 1}, {-1, 1}};
    for (const auto& dir : dirs) {
      double cx = x + dir[0] * d, cy = y + dir[1] * d;
      double left = dir[0] > 0 ? cx : dir[0] < 0 ? cx - w : cx - w / 2;
      double top = dir[1] > 0 ? cy : dir[1] < 0 ? cy - h : cy - h / 2;
      cands.push_back(Box{left - 2, top - 1, left + w + 2, top + h + 1});
      anchors.push_back({left, top + h * 0.78});
    }
  }
  int i = placer.TakeFirst(cands);
  bool crowded = i < 0;
  if (crowded) i = 0;
  const Box& b = cands[static_cast<size_t>(i)];
  std::string s =
      std::string("<g class=\"thin") + (crowded ? " crowded" : "") + "\"" + MarkAt(x, y) + ">";
  s += mark;
  if (!crowded && i >= 8) {  // away from the mark: a thin line leads to it
    double lx = std::clamp(x, b.x0, b.x1), ly = std::clamp(y, b.y0, b.y1);
    s += "<line class=\"leader\" x1=\"" + Num(x) + "\" y1=\"" + Num(y) + "\" x2=\"" + Num(lx) +
         "\" y2=\"" + Num(ly) + "\"/>";
  }
  s += SvgText(anchors[static_cast<size_t>(i)].first, anchors[static_cast<size_t>(i)].second, cls,
               text);
  return s + "</g>";
}

// A scale bar of a round length near 160 pixels, at the lower left.
std::string ScaleBar(const MapFrame& f, BoxPlacer& placer) {
  double target = 160 / f.scale;
  double p10 = std::pow(10.0, std::floor(std::log10(target)));
  double metres = p10;
  for (double m : {1.0, 2.0, 5.0, 10.0}) {
    if (m * p10 <= target) metres = m * p10;
  }
  double len = metres * f.scale;
  double x = 16, y = f.height - 18;
  placer.Take(Box{x - 4, y - 24, x + len + 70, y + 8});
  std::string label = metres >= 1000 ? Fixed(metres / 1000, metres >= 10000 ? 0 : 1) + " km"
                                     : Fixed(metres, 0) + " m";
  if (label.find(".0 km") != std::string::npos) label.replace(label.find(".0 km"), 5, " km");
  std::string s = "<g id=\"scale-bar\" data-metres=\"" + Fixed(metres, 0) + "\">";
  s += "<rect class=\"scale-a\" x=\"" + Num(x) + "\" y=\"" + Num(y - 6) + "\" width=\"" +
       Num(len / 2) + "\" height=\"6\"/>";
  s += "<rect class=\"scale-b\" x=\"" + Num(x + len / 2) + "\" y=\"" + Num(y - 6) + "\" width=\"" +
       Num(len / 2) + "\" height=\"6\"/>";
  s += SvgText(x, y - 10, "scale-label", "0");
  s += SvgText(x + len, y - 10, "scale-label", label, "middle");
  s += "</g>";
  return s;
}

// The map's legend.
std::string MapLegend() {
  return "<ul class=\"legend\">"
      "<li><svg width=\"34\" height=\"12\"><line class=\"track\" x1=\"2\" y1=\"6\" x2=\"32\" "
      "y2=\"6\"/></svg>track</li>"
      "<li><svg width=\"34\" height=\"12\"><line class=\"map-span\" x1=\"2\" y1=\"6\" x2=\"32\" "
      "y2=\"6\"/></svg><i>montagna</i> span</li>"
      "<li><svg width=\"34\" height=\"12\"><line class=\"runout\" x1=\"2\" y1=\"6\" x2=\"32\" "
      "y2=\"6\"/></svg>plan beyond the end of the line</li>"
      "<li><svg width=\"14\" height=\"14\"><circle class=\"station-mark\" cx=\"7\" cy=\"7\" "
      "r=\"4.5\"/></svg>station or timing point</li>"
      "<li><svg width=\"16\" height=\"16\"><circle class=\"start-mark\" cx=\"8\" cy=\"8\" "
      "r=\"6\"/></svg>start</li>"
      "<li><svg width=\"16\" height=\"16\"><rect class=\"end-mark\" x=\"2\" y=\"2\" width=\"12\" "
      "height=\"12\"/></svg>end of the line</li>"
      "</ul>";
}

// The track, the run-out beyond the line's end and the montagna spans, in the plan's own
// metres inside one transformed group.
std::string DrawPlanGroup(const ReportFacts& f, const std::vector<Point2>& pts,
                          const MapFrame& fr, size_t line_end) {
  const size_t last = pts.size() - 1;
  std::string s;
  s += "<g id=\"map-plan\" transform=\"matrix(" + Fixed(fr.scale, 8) + " 0 0 " +
       Fixed(-fr.scale, 8) + " " + Fixed(fr.ox - fr.x_min * fr.scale, 3) + " " +
       Fixed(fr.oy + fr.y_max * fr.scale, 3) + ")\">";
  s += "<path id=\"map-track\" class=\"track\" d=\"" + PathData(pts, 0, line_end, fr.scale) + "\"/>";
  if (line_end < last) {
    s += "<path id=\"map-runout\" class=\"runout\" data-last-point=\"" + std::to_string(last) +
         "\" d=\"" + PathData(pts, line_end, last, fr.scale) + "\"/>";
  }
  for (const SpanFact& sp : f.spans) {
    if (sp.from_m >= static_cast<int64_t>(last)) continue;
    size_t a = static_cast<size_t>(sp.from_m);
    size_t b = std::min(static_cast<size_t>(sp.to_m), last);
    s += "<path class=\"map-span\" d=\"" + PathData(pts, a, b, fr.scale) + "\">" +
         SvgTitle("montagna type " + std::to_string(sp.tipo) + ": " + Km(sp.from_m) + " to " +
                  Km(sp.to_m) + " km") +
         "</path>";
  }
  s += "</g>";
  return s;
}

// Start, end, stations and kilometre posts with their labels, each label where the
// placer finds it room: the marks first, then the labels over them.
std::string PlaceMarksAndLabels(const ReportFacts& f, const std::vector<Point2>& pts,
                                const MapFrame& fr, size_t line_end, BoxPlacer& placer) {
  const size_t last = pts.size() - 1;
  std::string marks, labels;
  auto at = [&](int64_t metre) {
    size_t j = static_cast<size_t>(std::clamp<int64_t>(metre, 0, static_cast<int64_t>(last)));
    return std::pair<double, double>{fr.X(pts[j].x), fr.Y(pts[j].y)};
  };
  // Start, end of the line and stations take their places before any label.
  auto [sx, sy] = at(0);
  auto [ex, ey] = at(static_cast<int64_t>(line_end));
  placer.Take(Box{sx - 9, sy - 9, sx + 9, sy + 9});
  placer.Take(Box{ex - 9, ey - 9, ex + 9, ey + 9});
  for (const StationFact& st : f.stations) {
    auto [x, y] = at(st.posizione);
    placer.Take(Box{x - 5, y - 5, x + 5, y + 5});
  }
  marks += "<circle id=\"map-start\" class=\"start-mark\"" + MarkAt(sx, sy) + " cx=\"" + Num(sx) +
           "\" cy=\"" + Num(sy) + "\" r=\"8.5\">" + SvgTitle("start of the line, 0 m") + "</circle>";
  marks += "<rect id=\"map-end\" class=\"end-mark\" data-pos=\"" + std::to_string(line_end) +
           "\"" + MarkAt(ex, ey) + " x=\"" + Num(ex - 8) + "\" y=\"" + Num(ey - 8) +
           "\" width=\"16\" height=\"16\">" +
           SvgTitle("end of the line, " + Km(static_cast<int64_t>(line_end)) + " km") + "</rect>";
  labels += PlaceLabel(placer, sx, sy, "Start", "map-label strong");
  labels += PlaceLabel(placer, ex, ey, "End " + Km(static_cast<int64_t>(line_end)) + " km",
                       "map-label strong");
  for (const StationFact& st : f.stations) {
    auto [x, y] = at(st.posizione);
    std::string what = (st.named() ? st.name : "point without a name") + ", " +
                       Km(st.posizione) + " km (slot " + std::to_string(st.slot) + ")";
    marks += "<circle class=\"station-mark\" data-slot=\"" + std::to_string(st.slot) +
             "\" data-pos=\"" + std::to_string(st.posizione) + "\"" + MarkAt(x, y) + " cx=\"" +
             Num(x) + "\" cy=\"" + Num(y) + "\" r=\"" + (st.named() ? "4.5" : "3") + "\">" +
             SvgTitle(what) + "</circle>";
    if (st.named()) labels += PlaceLabel(placer, x, y, st.name, "map-label");
  }
  // Kilometre posts after every station has its label; a post's dot is drawn with its
  // label, where it finds room.
  const int64_t post = static_cast<int64_t>(std::max(1000.0, NiceStep(static_cast<double>(line_end), 10)));
  for (int64_t m = post; m < static_cast<int64_t>(line_end); m += post) {
    auto [x, y] = at(m);
    std::string label = std::to_string(m / 1000) + " km";
    labels += PlaceLabel(placer, x, y, label, "map-label km",
                         "<circle class=\"km-post\" cx=\"" + Num(x) + "\" cy=\"" + Num(y) +
                             "\" r=\"2.5\"/>");
  }
  return marks + labels;
}

}  // namespace

std::string RenderMap(const ReportFacts& f, const CompiledView& view) {
  std::string head = "<section id=\"map\"><h2>Track map</h2>";
  if (!view.plan) {
    return head + "<p class=\"note\">This scenario was compiled without a plan file: there is no map.</p></section>";
  }
  std::vector<Point2> pts = PlanPoints(*view.plan);
  if (pts.size() < 2) {
    return head + "<p class=\"note\">The plan file holds fewer than two points: there is no map.</p></section>";
  }
  const MapFrame fr = FrameFor(pts);
  const size_t last = pts.size() - 1;
  const size_t line_end =
      f.line_length > 0 ? std::min(static_cast<size_t>(f.line_length), last) : last;

  std::string s = head + MapLegend();
  s += "<p class=\"note\">The plan drawn to scale, one point a metre: x across the initial "
       "direction of travel, y along it (up). The line starts at the origin heading up.</p>";
  s += "<p class=\"zoom-help\">Zoom with the mouse wheel or a double click, drag to pan; or "
       "click the map and use + and −, the arrows, and 0 for the whole line. Labels that "
       "would overlap are left out until zooming in makes room.</p>";
  s += "<div class=\"figure\"><svg id=\"map-svg\" xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
       Num(kWidth) + "\" height=\"" + Num(fr.height) + "\" viewBox=\"0 0 " + Num(kWidth) + " " +
       Num(fr.height) + "\" role=\"img\" aria-label=\"Track map\" tabindex=\"0\" "
       "data-zoom=\"xy\" data-scale=\"" + Fixed(fr.scale, 8) + "\">";
  s += "<rect class=\"map-bg\" x=\"0\" y=\"0\" width=\"" + Num(kWidth) + "\" height=\"" +
       Num(fr.height) + "\"/>";
  s += "<g class=\"zoom-layer\">";
  s += DrawPlanGroup(f, pts, fr, line_end);

  BoxPlacer placer(Box{4, 4, kWidth - 4, fr.height - 4});
  TakeTrack(placer, pts, fr);
  // The scale bar stays where it is when the map is zoomed: drawn over the zoomed layer.
  const std::string scale_bar = ScaleBar(fr, placer);

  s += PlaceMarksAndLabels(f, pts, fr, line_end, placer);
  s += "</g>" + scale_bar + "</svg></div></section>";
  return s;
}

}  // namespace percorso
