// The profile: what the line holds along its length, kilometre by kilometre.
#include <algorithm>
#include <cmath>

#include "model/cell_grid.h"
#include "model/items.h"
#include "inspect/describe.h"
#include "inspect/label_layout.h"
#include "inspect/report_facts.h"
#include "inspect/svg.h"

namespace percorso {

namespace {

constexpr double kWidth = 1160;
constexpr double kLeft = 104;  // room for the lane names and the axes' numbers
constexpr double kRight = 24;
constexpr double kFont = 12;
constexpr double kRowHeight = 16;
constexpr double kSpeedHeight = 190;
constexpr double kElevationHeight = 130;
constexpr double kGradientHeight = 70;
// Rows of station names and of slowdown labels at most: a name or label that finds no
// room in them is hidden ("crowded") until zooming in makes room.
constexpr int kMaxNameRows = 4;
constexpr int kMaxSlowRows = 3;
// Point items closer than this on the drawing are drawn as one mark that says how many
// it stands for, so that a long line's lanes stay readable and its page small.
constexpr double kItemGroupPx = 3;

struct Scale {
  double m0 = 0, m1 = 1;  // metres
  double X(double m) const { return kLeft + (m - m0) / (m1 - m0) * (kWidth - kLeft - kRight); }
};

struct Vertical {
  double top = 0, height = 0, v0 = 0, v1 = 1;
  double Y(double v) const { return top + height - (v - v0) / (v1 - v0) * height; }
};

std::string Line(double x1, double y1, double x2, double y2, std::string_view cls) {
  return "<line class=\"" + std::string(cls) + "\" x1=\"" + Num(x1) + "\" y1=\"" + Num(y1) +
         "\" x2=\"" + Num(x2) + "\" y2=\"" + Num(y2) + "\"/>";
}

std::string Rect(double x, double y, double w, double h, std::string_view cls,
                 std::string_view extra = "") {
  return "<rect class=\"" + std::string(cls) + "\" x=\"" + Num(x) + "\" y=\"" + Num(y) +
         "\" width=\"" + Num(std::max(w, 0.0)) + "\" height=\"" + Num(std::max(h, 0.0)) + "\"" +
         std::string(extra) + "/>";
}

// Where a cell begins along the line, in metres: items are drawn at the start of their cell.
template <typename Int>
double CellStartM(Int cell) {
  return static_cast<double>(cell) * kCellMetres;
}

std::string Cell(int32_t c) {
  return "cell " + std::to_string(c) + " (" + Km(int64_t{c} * kCellMetres) + " km)";
}

// The attribute about which the page's script scales an element back along the line when
// the profile is zoomed, so that it keeps its width on screen.
std::string MarkAt(double x) { return " data-mx=\"" + Num(x) + "\""; }

// The cells that make one column of a chart: one cell while a cell is more than half a
// pixel wide (every line up to about 100 km), more on a longer line, so that a chart
// holds about one column a pixel whatever the line's length.
size_t CellsPerColumn(const Scale& sc) {
  const double px_per_cell = kCellMetres * (kWidth - kLeft - kRight) / (sc.m1 - sc.m0);
  return std::max<size_t>(1, static_cast<size_t>(1 / px_per_cell));
}

// A vertical axis with round ticks, grid lines across the plot and a title.
std::string YAxis(const Vertical& v, const Scale& sc, const std::string& id,
                  const std::string& title, double step) {
  std::string s = "<g id=\"" + id + "\" class=\"axis\">";
  s += Line(kLeft, v.top, kLeft, v.top + v.height, "axis-line");
  for (double t = std::ceil(v.v0 / step) * step; t <= v.v1 + 1e-9; t += step) {
    double y = v.Y(t);
    s += Line(kLeft, y, sc.X(sc.m1), y, "grid");
    s += Line(kLeft - 5, y, kLeft, y, "axis-line");
    s += SvgText(kLeft - 8, y + 4, "tick", Fixed(t, step < 1 ? 1 : 0), "end");
  }
  s += "<text class=\"axis-title\" transform=\"translate(" + Num(18) + " " +
       Num(v.top + v.height / 2) + ") rotate(-90)\" text-anchor=\"middle\">" + EscapeHtml(title) +
       "</text>";
  s += "</g>";
  return s;
}

std::string Glyph(const std::string& shape, double x, double y, const std::string& cls,
                  const std::string& title, const std::string& data = "") {
  std::string d;
  if (shape == "signal") {  // a mast with a lamp
    d = "M" + Num(x) + "," + Num(y + 6) + " V" + Num(y - 2);
    return "<g class=\"" + cls + "\"" + data + MarkAt(x) + "><path d=\"" + d +
           "\"/><circle cx=\"" + Num(x) +
           "\" cy=\"" + Num(y - 4) + "\" r=\"3\"/>" + SvgTitle(title) + "</g>";
  }
  if (shape == "diamond") {
    d = "M" + Num(x) + "," + Num(y - 5) + " L" + Num(x + 4) + "," + Num(y) + " L" + Num(x) + "," +
        Num(y + 5) + " L" + Num(x - 4) + "," + Num(y) + "Z";
  } else if (shape == "triangle") {
    d = "M" + Num(x) + "," + Num(y - 5) + " L" + Num(x + 4.5) + "," + Num(y + 4) + " L" +
        Num(x - 4.5) + "," + Num(y + 4) + "Z";
  } else {  // square
    d = "M" + Num(x - 4) + "," + Num(y - 4) + " h8 v8 h-8Z";
  }
  return "<path class=\"" + cls + "\"" + data + MarkAt(x) + " d=\"" + d + "\">" + SvgTitle(title) +
         "</path>";
}

// The profile's geometry, worked out once before anything is drawn.
struct ProfileLayout {
  Scale sc;
  size_t drawn_cells = 0;
  std::vector<const StationFact*> named;  // stations with a name, and where each name goes
  std::vector<Interval> spans;
  std::vector<int> rows;
  std::vector<Interval> slow_spans;  // slowdown labels, and their rows
  std::vector<std::string> slow_text;
  std::vector<int> slow_rows;
  std::vector<bool> crowded;       // station names without room at the whole line's zoom
  std::vector<bool> slow_crowded;  // slowdown labels likewise
  double names_top = 0, zones_top = 0, items_top = 0, speed_top = 0, elev_top = 0, grad_top = 0;
  double axis_y = 0, height = 0;
  double RowY(int r) const { return items_top + r * kRowHeight + kRowHeight / 2; }
};

// Where everything goes: the drawn stretch, the rows of station names and of slowdown
// labels so that no two touch, and the vertical places of the lanes and charts.
ProfileLayout LayOutProfile(const ReportFacts& f, const CompiledView& view) {
  ProfileLayout L;
  L.sc = Scale{0, static_cast<double>(f.drawn_end_m)};
  L.drawn_cells = std::min(view.cells.size(),
                           static_cast<size_t>((f.drawn_end_m + kCellMetres - 1) / kCellMetres));
  const Scale& sc = L.sc;

  // Station names in rows so that no two touch.
  for (const StationFact& st : f.stations) {
    if (!st.named()) continue;
    double x = sc.X(st.posizione), w = TextWidth(st.name, kFont);
    double left = std::clamp(x - w / 2, 2.0, kWidth - 2 - w);
    L.named.push_back(&st);
    L.spans.push_back({left, left + w});
  }
  L.rows = StaggerRows(L.spans, 10);
  int name_rows = 1;
  for (int& r : L.rows) {
    L.crowded.push_back(r >= kMaxNameRows);
    r %= kMaxNameRows;
    name_rows = std::max(name_rows, r + 1);
  }

  // Slowdown labels, in rows of their own.
  for (const SlowdownFact& sd : f.slowdowns) {
    std::string t = std::to_string(sd.speed) + " km/h";
    // Beside the bottom of the dip, right of its end.
    int32_t end = sd.end_cell >= 0 ? sd.end_cell : sd.start_cell;
    double x = sc.X(CellStartM(end)) + 5, w = TextWidth(t, 11);
    L.slow_spans.push_back({x, x + w});
    L.slow_text.push_back(t);
  }
  L.slow_rows = StaggerRows(L.slow_spans, 8);
  for (int& r : L.slow_rows) {
    L.slow_crowded.push_back(r >= kMaxSlowRows);
    r %= kMaxSlowRows;
  }

  // Vertical layout.
  L.names_top = 8;
  L.zones_top = L.names_top + name_rows * kRowHeight + 10;
  L.items_top = L.zones_top + 24;
  L.speed_top = L.items_top + 5 * kRowHeight + 22;
  L.elev_top = L.speed_top + kSpeedHeight + 44;
  L.grad_top = L.elev_top + kElevationHeight + 24;
  L.axis_y = L.grad_top + kGradientHeight;
  L.height = L.axis_y + 46;
  return L;
}

// The legend, the note on how to read the drawing, and the opening of the drawing.
void DrawProfileHead(const ProfileLayout& L, std::string& s) {
  s += "<section id=\"profile\"><h2>Profile</h2>";
  s += "<ul class=\"legend\">"
       "<li><svg width=\"34\" height=\"12\"><path class=\"speed-line\" d=\"M2,9 H16 V3 H32\"/></svg>speed limit</li>"
       "<li><svg width=\"34\" height=\"12\"><path class=\"slow-line\" d=\"M2,6 H32\"/></svg>slowdown</li>"
       "<li><svg width=\"34\" height=\"12\"><path class=\"elevation-line\" d=\"M2,10 L32,2\"/></svg>elevation</li>"
       "<li><svg width=\"34\" height=\"12\"><path class=\"gradient-line\" d=\"M2,9 H16 V3 H32\"/></svg>gradient (‰)</li>"
       "<li><svg width=\"20\" height=\"14\"><rect class=\"span-band\" x=\"0\" y=\"0\" width=\"20\" height=\"14\"/></svg><i>montagna</i> span</li>"
       "<li><svg width=\"34\" height=\"14\"><rect class=\"zone\" x=\"1\" y=\"3\" width=\"32\" height=\"8\"/></svg>station zone</li>"
       "<li><svg width=\"12\" height=\"16\"><g class=\"signal\"><path d=\"M6,14 V6\"/><circle cx=\"6\" cy=\"4\" r=\"3\"/></g></svg>signal</li>"
       "<li><svg width=\"12\" height=\"14\"><path class=\"warning\" d=\"M6,2 L10.5,11 L1.5,11Z\"/></svg>slowdown warning and approach</li>"
       "<li><svg width=\"12\" height=\"14\"><path class=\"speed-board\" d=\"M6,2 L10.5,11 L1.5,11Z\"/></svg>speed boards</li>"
       "<li><svg width=\"12\" height=\"14\"><path class=\"protection\" d=\"M6,2 L10,7 L6,12 L2,7Z\"/></svg>protection point / <i>abbattimento</i></li>"
       "<li><svg width=\"12\" height=\"12\"><path class=\"board\" d=\"M2,2 h8 v8 h-8Z\"/></svg>indicator board</li>"
       "<li><svg width=\"20\" height=\"14\"><rect class=\"beyond\" x=\"0\" y=\"0\" width=\"20\" height=\"14\"/></svg>beyond the end of the line</li>"
       "</ul>";
  s += "<p class=\"note\">Items that stand in a cell are drawn at the start of their 50 m cell; "
       "stations at their position. Elevation is integrated from the gradients, per mille × 50 m "
       "a cell, from 0 m at the start; the gradient band below it shows the gradient of each "
       "cell in per mille. Hover over a mark for its values. Items closer together than the "
       "drawing can part are one mark that says how many it stands for; on a long line each "
       "chart shows the lowest and highest value of the cells under each point.</p>";
  s += "<p class=\"zoom-help\">Zoom along the line with the mouse wheel or a double click, drag "
       "to pan; or click the profile and use + and −, the arrows, and 0 for the whole line.</p>";
  s += "<div class=\"figure\"><svg id=\"profile-svg\" xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
       Num(kWidth) + "\" height=\"" + Num(L.height) + "\" viewBox=\"0 0 " + Num(kWidth) + " " +
       Num(L.height) + "\" role=\"img\" aria-label=\"Profile along the line\" tabindex=\"0\" "
       "data-zoom=\"x\" data-zoom-left=\"" + Num(kLeft) + "\" data-zoom-right=\"" +
       Num(kWidth - kRight) + "\" data-m0=\"" + Fixed(L.sc.m0, 0) + "\" data-m1=\"" +
       Fixed(L.sc.m1, 0) + "\">";
  // What moves when the profile is zoomed is drawn inside the plot only.
  s += "<defs><clipPath id=\"profile-plot\"><rect x=\"" + Num(kLeft) + "\" y=\"0\" width=\"" +
       Num(kWidth - kLeft - kRight + 1) + "\" height=\"" + Num(L.height) + "\"/></clipPath></defs>";
}

// Bands behind everything: montagna spans and the stretch beyond the line's end.
void DrawBands(const ReportFacts& f, const ProfileLayout& L, std::string& s) {
  const double band_top = L.items_top - 4, band_bottom = L.axis_y;
  if (f.line_length > 0 && f.line_length < f.drawn_end_m) {
    s += Rect(L.sc.X(f.line_length), L.zones_top - 4, L.sc.X(L.sc.m1) - L.sc.X(f.line_length),
              band_bottom - L.zones_top + 4, "beyond");
  }
  for (const SpanFact& sp : f.spans) {
    if (sp.from_m >= f.drawn_end_m) continue;
    double x0 = L.sc.X(static_cast<double>(sp.from_m));
    double x1 = L.sc.X(static_cast<double>(std::min(sp.to_m, f.drawn_end_m)));
    s += "<rect class=\"span-band\" x=\"" + Num(x0) + "\" y=\"" + Num(band_top) + "\" width=\"" +
         Num(std::max(x1 - x0, 1.0)) + "\" height=\"" + Num(band_bottom - band_top) + "\">" +
         SvgTitle("montagna type " + std::to_string(sp.tipo) + ": " + Km(sp.from_m) + " to " +
                  Km(sp.to_m) + " km") +
         "</rect>";
  }
}

// Station names in rows, each with a leader down to its zone bar.
void DrawStationNames(const ProfileLayout& L, std::string& s) {
  for (size_t i = 0; i < L.named.size(); ++i) {
    double y = L.names_top + L.rows[i] * kRowHeight + 12;
    double x = L.sc.X(L.named[i]->posizione);
    s += std::string("<g class=\"thin") + (L.crowded[i] ? " crowded" : "") + "\"" + MarkAt(x) + ">";
    s += Line(x, y + 3, x, L.zones_top + 2, "name-leader");
    s += SvgText(L.spans[i].left, y, "station-name", L.named[i]->name);
    s += "</g>";
  }
}

// Stations: the zone as a bar, the position as a tick.
void DrawStations(const ReportFacts& f, const ProfileLayout& L, std::string& s) {
  for (const StationFact& st : f.stations) {
    double x0 = std::max(L.sc.X(st.inizio), kLeft), x1 = std::min(L.sc.X(st.fine), L.sc.X(L.sc.m1));
    double x = L.sc.X(st.posizione);
    std::string what = (st.named() ? st.name : "point without a name") + " (slot " +
                       std::to_string(st.slot) + ", type " + std::to_string(st.tipo) + "): " +
                       Km(st.posizione) + " km, zone " + Km(st.inizio) + " to " + Km(st.fine) +
                       " km";
    s += "<g class=\"profile-station\" data-slot=\"" + std::to_string(st.slot) + "\" data-pos=\"" +
         std::to_string(st.posizione) + "\">" + SvgTitle(what);
    // At least a pixel wide, so that a zone stays in sight on the longest line.
    s += Rect(x0, L.zones_top + 4, std::max(x1 - x0, 1.0), 10,
              st.named() ? "zone" : "zone unnamed");
    s += Line(x, L.zones_top, x, L.zones_top + 18, "station-tick");
    s += "</g>";
  }
}

// One lane's items in cell order, each drawn by `one` (its glyph with its values); items
// closer than kItemGroupPx to the first of their run are drawn as one glyph of `shape`
// whose title says how many `what` it stands for and over which cells.
template <typename DrawOne>
void DrawLane(const std::vector<ItemFact>& items, const ProfileLayout& L, int row,
              const char* shape, const char* cls, const char* what, DrawOne one, std::string& s) {
  auto inside = [&](int32_t cell) { return cell >= 0 && CellStartM(cell) <= L.sc.m1; };
  size_t i = 0;
  while (i < items.size()) {
    if (!inside(items[i].cell)) {
      ++i;
      continue;
    }
    const double x = L.sc.X(CellStartM(items[i].cell));
    size_t j = i + 1;
    while (j < items.size() && inside(items[j].cell) &&
           L.sc.X(CellStartM(items[j].cell)) - x < kItemGroupPx) {
      ++j;
    }
    if (j == i + 1) {
      s += one(items[i], x, L.RowY(row));
    } else {
      s += Glyph(shape, x, L.RowY(row), cls,
                 std::to_string(j - i) + " " + what + " from " + Cell(items[i].cell) + " to " +
                     Cell(items[j - 1].cell),
                 " data-items=\"" + std::to_string(j - i) + "\"");
    }
    i = j;
  }
}

// Lanes of point items: signals, slowdown marks, speed boards, protection points, boards.
void DrawItemLaneNames(const ProfileLayout& L, std::string& s) {
  const char* row_names[] = {"signals", "slowdowns", "speed boards", "protection", "boards"};
  for (int r = 0; r < 5; ++r) {
    s += SvgText(kLeft - 8, L.RowY(r) + 4, "lane-name", row_names[r], "end");
    s += Line(kLeft, L.RowY(r), L.sc.X(L.sc.m1), L.RowY(r), "lane-rule");
  }
}

void DrawItemLanes(const ReportFacts& f, const ProfileLayout& L, std::string& s) {
  DrawLane(f.signals, L, 0, "signal", "signal", "signals",
           [](const ItemFact& it, double x, double y) {
             const TrackCell& c = it.c;
             return Glyph("signal", x, y, "signal",
                          "signal at " + Cell(it.cell) + ": dato1 " + std::to_string(c.dato1) +
                              ", dato2 " + std::to_string(c.dato2) + ", dato3 " +
                              std::to_string(c.dato3) + ", dato4 " + std::to_string(c.dato4) +
                              ", tempo " + std::to_string(c.tempo),
                          " data-cell=\"" + std::to_string(it.cell) + "\"");
           }, s);
  DrawLane(f.warnings, L, 1, "triangle", "warning", "slowdown warning and approach cells",
           [](const ItemFact& it, double x, double y) {
             return Glyph("triangle", x, y, "warning",
                          std::string(CellItemName(it.c.tipo)) + " at " + Cell(it.cell) +
                              ", dato1 " + std::to_string(it.c.dato1));
           }, s);
  DrawLane(f.speed_boards, L, 2, "triangle", "speed-board", "speed board cells",
           [](const ItemFact& it, double x, double y) {
             const TrackCell& c = it.c;
             auto pair = [](int code) {
               return std::to_string(LeftSpeed(code)) + "/" + std::to_string(RightSpeed(code));
             };
             return Glyph("triangle", x, y, "speed-board",
                          "speed boards at " + Cell(it.cell) + ", left/right km/h: A " +
                              pair(c.dato1) + ", B " + pair(c.dato2) + ", C " + pair(c.dato3) +
                              "; stripes " + std::to_string(c.dato4 / 10) + "/" +
                              std::to_string(c.dato4 % 10));
           }, s);
  DrawLane(f.protections, L, 3, "diamond", "protection", "protection points",
           [](const ItemFact& it, double x, double y) {
             std::string what = Is(it.c.tipo, ItemType::kAbbattimento)
                                    ? "point of " + std::to_string(it.c.dato1) + " at "
                                    : "point without value at ";
             return Glyph("diamond", x, y, "protection", what + Cell(it.cell));
           }, s);
  DrawLane(f.board_cells, L, 4, "square", "board", "indicator boards",
           [&f](const ItemFact& it, double x, double y) {
             std::string text;
             for (const BoardFact& b : f.boards) {
               if (b.slot == it.c.dato1) text = b.text;
             }
             return Glyph("square", x, y, "board", "indicator board at " + Cell(it.cell) + ": " + text);
           }, s);
}

// A step line through one value a cell, `cells` of them, in columns of `per_column`
// cells: a column whose cells differ draws its lowest and highest value as a stroke up
// and down, so that nothing is lost to the eye on a long line. With one cell a column it
// is the exact step line.
template <typename ValueAt>
std::string StepPath(const ProfileLayout& L, size_t cells, size_t per_column, const Vertical& v,
                     ValueAt value_at) {
  std::string d;
  double last = 0;
  for (size_t k = 0; k < cells; k += per_column) {
    double first = value_at(k), lo = first, hi = first, end = first;
    for (size_t i = k + 1; i < std::min(cells, k + per_column); ++i) {
      end = value_at(i);
      lo = std::min(lo, end);
      hi = std::max(hi, end);
    }
    if (k == 0) {
      d = "M" + Num(L.sc.X(0)) + "," + Num(v.Y(first));
      if (lo != hi) d += " V" + Num(v.Y(hi)) + " V" + Num(v.Y(lo)) + " V" + Num(v.Y(end));
    } else if (first != last || lo != hi) {
      d += " H" + Num(L.sc.X(CellStartM(k)));
      if (lo != hi) d += " V" + Num(v.Y(hi)) + " V" + Num(v.Y(lo));
      d += " V" + Num(v.Y(lo != hi ? end : first));
    }
    last = end;
  }
  if (cells > 0) d += " H" + Num(L.sc.X(CellStartM(cells)));
  return d;
}

// The speed limit cell by cell, and each slowdown's dip below it.
void DrawSpeedChart(const ReportFacts& f, const ProfileLayout& L,
                    const std::vector<TrackCell>& cells, std::string& axes, std::string& s) {
  int vmax = 0;
  for (size_t k = 0; k < L.drawn_cells; ++k) vmax = std::max(vmax, cells[k].velocita * kCellSpeedUnitKmh);
  for (const SlowdownFact& sd : f.slowdowns) vmax = std::max(vmax, sd.speed);
  Vertical vs{L.speed_top, kSpeedHeight, 0, std::max(20.0, std::ceil(vmax / 20.0) * 20)};
  axes += YAxis(vs, L.sc, "speed-axis", "speed (km/h)", NiceStep(vs.v1, 5));
  s += "<path id=\"speed-limit\" class=\"speed-line\" d=\"" +
       StepPath(L, L.drawn_cells, CellsPerColumn(L.sc), vs,
                [&](size_t k) { return cells[k].velocita * double{kCellSpeedUnitKmh}; }) +
       "\"/>";
  for (size_t i = 0; i < f.slowdowns.size(); ++i) {
    const SlowdownFact& sd = f.slowdowns[i];
    double x0 = L.sc.X(CellStartM(sd.start_cell));
    double x1 = sd.end_cell >= 0 ? L.sc.X(std::min(CellStartM(sd.end_cell), L.sc.m1)) : x0 + 2;
    double y = vs.Y(sd.speed);
    std::string what = "slowdown at " + std::to_string(sd.speed) + " km/h from " +
                       Cell(sd.start_cell) +
                       (sd.end_cell >= 0 ? " to " + Cell(sd.end_cell) : std::string(", no end cell"));
    // The limit dips from the line's limit to the slowdown's speed and back.
    auto limit_at = [&](int32_t cell) {
      return cell >= 0 && static_cast<size_t>(cell) < cells.size() ? cells[static_cast<size_t>(cell)].velocita * double{kCellSpeedUnitKmh}
                                                                    : 0.0;
    };
    s += "<g class=\"slowdown\">" + SvgTitle(what) + "<path class=\"slow-line\" d=\"M" + Num(x0) +
         "," + Num(vs.Y(limit_at(sd.start_cell))) + " V" + Num(y) + " H" + Num(x1) + " V" +
         Num(vs.Y(limit_at(sd.end_cell >= 0 ? sd.end_cell : sd.start_cell))) + "\"/>";
    s += std::string("<g class=\"thin") + (L.slow_crowded[i] ? " crowded" : "") + "\"" +
         MarkAt(L.slow_spans[i].left) + ">" +
         SvgText(L.slow_spans[i].left, y + 4 + L.slow_rows[i] * 14, "slow-label", L.slow_text[i]) +
         "</g>";
    s += "</g>";
  }
}

// Elevation integrated from the gradients.
void DrawElevationChart(const ProfileLayout& L, const std::vector<TrackCell>& cells,
                        std::string& axes, std::string& s) {
  std::vector<double> elev(L.drawn_cells + 1, 0.0);
  for (size_t k = 0; k < L.drawn_cells; ++k)
    elev[k + 1] = elev[k] + (cells[k].pendenza - kCellGradientLevel) * 0.05;
  auto [lo, hi] = std::minmax_element(elev.begin(), elev.end());
  double e_step = NiceStep(std::max(*hi - *lo, 10.0), 4);
  Vertical ve{L.elev_top, kElevationHeight, std::floor(*lo / e_step) * e_step,
              std::ceil(*hi / e_step) * e_step};
  if (ve.v1 <= ve.v0) ve.v1 = ve.v0 + e_step;
  axes += YAxis(ve, L.sc, "elevation-axis", "elevation (m)", e_step);
  std::string line = "M" + Num(L.sc.X(0)) + "," + Num(ve.Y(elev[0]));
  const size_t per_column = CellsPerColumn(L.sc);
  if (per_column == 1) {
    for (size_t k = 1; k < elev.size(); ++k) {
      // Only the cells where the gradient changes bend the line.
      if (k + 1 < elev.size() && cells[k].pendenza == cells[k - 1].pendenza) continue;
      line += " L" + Num(L.sc.X(CellStartM(k))) + "," + Num(ve.Y(elev[k]));
    }
  } else {
    // A long line: the lowest and highest point of each column, in the order they come.
    for (size_t k = 0; k < elev.size(); k += per_column) {
      const size_t end = std::min(elev.size(), k + per_column);
      auto [a, b] = std::minmax_element(elev.begin() + static_cast<std::ptrdiff_t>(k),
                                        elev.begin() + static_cast<std::ptrdiff_t>(end));
      if (b < a) std::swap(a, b);
      const double x = L.sc.X(CellStartM(k));
      line += " L" + Num(x) + "," + Num(ve.Y(*a));
      if (*b != *a) line += " L" + Num(x) + "," + Num(ve.Y(*b));
    }
    line += " L" + Num(L.sc.X(CellStartM(elev.size() - 1))) + "," + Num(ve.Y(elev.back()));
  }
  std::string area = line + " V" + Num(ve.Y(ve.v0)) + " H" + Num(L.sc.X(0)) + "Z";
  s += "<path class=\"elevation-area\" d=\"" + area + "\"/>";
  s += "<path id=\"elevation\" class=\"elevation-line\" d=\"" + line + "\"/>";
}

// The gradient of each cell in per mille (its pendenza less 100), as a step line about
// the level.
void DrawGradientChart(const ProfileLayout& L, const std::vector<TrackCell>& cells,
                       std::string& axes, std::string& s) {
  auto gradient = [&](size_t k) { return static_cast<double>(cells[k].pendenza) - kCellGradientLevel; };
  double lo = 0, hi = 0;
  for (size_t k = 0; k < L.drawn_cells; ++k) {
    lo = std::min(lo, gradient(k));
    hi = std::max(hi, gradient(k));
  }
  const double step = NiceStep(std::max(hi - lo, 10.0), 3);
  Vertical vg{L.grad_top, kGradientHeight, std::floor(lo / step) * step, std::ceil(hi / step) * step};
  if (vg.v1 <= vg.v0) vg.v1 = vg.v0 + step;
  axes += YAxis(vg, L.sc, "gradient-axis", "gradient (‰)", step);
  s += "<path id=\"gradient\" class=\"gradient-line\" d=\"" +
       StepPath(L, L.drawn_cells, CellsPerColumn(L.sc), vg, gradient) + "\"/>";
}

// The kilometre axis, with the grid lines of its major ticks.
void DrawKmAxis(const ProfileLayout& L, std::string& s) {
  double km = L.sc.m1 / 1000;
  double step = NiceStep(km, 10);
  // The page's script draws the axis again for the stretch in view when zoomed.
  s += "<g id=\"km-axis\" class=\"axis\" data-y=\"" + Num(L.axis_y) + "\" data-top=\"" +
       Num(L.zones_top) + "\">";
  s += Line(kLeft, L.axis_y, L.sc.X(L.sc.m1), L.axis_y, "axis-line");
  for (int i = 0; i * step / 2 <= km + 1e-9; ++i) {
    double t = i * step / 2;
    bool major = i % 2 == 0;
    double x = L.sc.X(t * 1000);
    s += Line(x, L.axis_y, x, L.axis_y + (major ? 6 : 3), "axis-line");
    if (major) {
      s += Line(x, L.zones_top, x, L.axis_y, "grid");
      s += SvgText(x, L.axis_y + 19, "tick", Fixed(t, step < 1 ? 1 : 0), "middle");
    }
  }
  s += SvgText(L.sc.X(L.sc.m1 / 2), L.axis_y + 38, "axis-title",
               "distance from the start of the line (km)",
               "middle");
}

}  // namespace

std::string RenderProfile(const ReportFacts& f, const CompiledView& view) {
  const ProfileLayout L = LayOutProfile(f, view);
  std::string s;
  DrawProfileHead(L, s);
  // The charts' vertical axes and the lanes' names stay where they are when zoomed; what
  // lies along the line is in the zoomed layers, the plot's clipped to the plot.
  std::string axes, plot;
  DrawBands(f, L, plot);
  DrawStations(f, L, plot);
  DrawItemLanes(f, L, plot);
  DrawSpeedChart(f, L, view.cells, axes, plot);
  DrawElevationChart(L, view.cells, axes, plot);
  DrawGradientChart(L, view.cells, axes, plot);
  s += axes;
  DrawItemLaneNames(L, s);
  s += "<g clip-path=\"url(#profile-plot)\"><g class=\"zoom-layer\">" + plot + "</g></g>";
  s += "<g class=\"zoom-layer\">";
  DrawStationNames(L, s);
  s += "</g>";
  DrawKmAxis(L, s);
  s += "</g></svg></div></section>";
  return s;
}

}  // namespace percorso
