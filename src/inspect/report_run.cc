#include "inspect/report_run.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "analysis/route.h"
#include "analysis/timetable.h"
#include "analysis/train_model.h"
#include "inspect/report_facts.h"
#include "inspect/svg.h"

namespace percorso {

namespace {

constexpr double kWidth = 1160;
constexpr double kLeft = 64;
constexpr double kRight = 24;
constexpr double kTop = 14;
constexpr double kPlotHeight = 190;
constexpr double kBottom = 40;
constexpr int kColumns = 600;  // samples along the distance axis
constexpr double kMsToKmh = 3.6;
constexpr double kSecondsPerMinute = 60;

struct Axes {
  double m0, m1;  // metres at the left and right edges
  double v1;      // value at the top
  double X(double m) const { return kLeft + (m - m0) / (m1 - m0) * (kWidth - kLeft - kRight); }
  double Y(double v) const { return kTop + kPlotHeight * (1 - std::clamp(v / v1, 0.0, 1.0)); }
};

std::string Decimals(double v, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

std::string OpenSvg(const char* id, const char* label) {
  const double h = kTop + kPlotHeight + kBottom;
  return std::string("<div class=\"figure\"><svg id=\"") + id +
         "\" xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Num(kWidth) + "\" height=\"" +
         Num(h) + "\" viewBox=\"0 0 " + Num(kWidth) + " " + Num(h) + "\" role=\"img\" aria-label=\"" +
         label + "\">";
}

// Grid lines, ticks and the axis titles.
std::string DrawAxes(const Axes& a, double y_step, const char* y_title) {
  std::string s;
  for (double v = 0; v <= a.v1 + 1e-9; v += y_step) {
    const double y = a.Y(v);
    s += "<line class=\"grid\" x1=\"" + Num(kLeft) + "\" x2=\"" + Num(kWidth - kRight) +
         "\" y1=\"" + Num(y) + "\" y2=\"" + Num(y) + "\"/>";
    s += SvgText(kLeft - 6, y + 4, "tick", Decimals(v, 0), "end");
  }
  const double km = (a.m1 - a.m0) / 1000;
  const double step = NiceStep(km, 10);
  for (double k = std::ceil(a.m0 / 1000 / step) * step; k * 1000 <= a.m1 + 1e-6; k += step) {
    const double x = a.X(k * 1000);
    s += "<line class=\"grid\" x1=\"" + Num(x) + "\" x2=\"" + Num(x) + "\" y1=\"" + Num(kTop) +
         "\" y2=\"" + Num(kTop + kPlotHeight) + "\"/>";
    s += SvgText(x, kTop + kPlotHeight + 16, "tick", Decimals(k, step < 1 ? 1 : 0), "middle");
  }
  s += "<line class=\"axis-line\" x1=\"" + Num(kLeft) + "\" x2=\"" + Num(kWidth - kRight) +
       "\" y1=\"" + Num(kTop + kPlotHeight) + "\" y2=\"" + Num(kTop + kPlotHeight) + "\"/>";
  s += SvgText(kWidth / 2, kTop + kPlotHeight + 34, "axis-title", "distance (km)", "middle");
  s += SvgText(12, kTop + kPlotHeight / 2, "axis-title", y_title, "middle");
  return s;
}

// A curve sampled over kColumns columns: in each, the lowest and highest value, so
// that no dip narrower than a column is lost.
std::string SampledPath(const Axes& a, const std::vector<double>& values, int32_t from_m,
                        double scale, bool monotone = false) {
  std::string d;
  const size_t n = values.size();
  if (n == 0) return d;
  const size_t per = std::max<size_t>(1, n / kColumns);
  for (size_t i = 0; i < n; i += per) {
    const size_t end = std::min(n, i + per);
    double lo = values[i], hi = values[i];
    for (size_t k = i; k < end; ++k) {
      if (!std::isfinite(values[k])) continue;
      lo = std::min(lo, values[k]);
      hi = std::max(hi, values[k]);
    }
    if (!std::isfinite(lo) || !std::isfinite(hi)) break;
    const double x0 = a.X(from_m + static_cast<double>(i));
    const double x1 = a.X(from_m + static_cast<double>(end - 1));
    d += (d.empty() ? "M" : " L") + Num(x0) + "," + Num(a.Y(values[i] * scale));
    if (per > 1 && !monotone) {
      d += " L" + Num(x0) + "," + Num(a.Y(lo * scale)) + " L" + Num(x1) + "," +
           Num(a.Y(hi * scale));
    }
  }
  return d;
}

constexpr const char* kStyle =
    "<style>.run-line{fill:none;stroke:#c2410c;stroke-width:2}"
    ".profile-line{fill:none;stroke:#1f5f99;stroke-width:1.6}"
    ".slow-band{fill:#c2410c;fill-opacity:.10}"
    ".schedule-line{fill:none;stroke:#15803d;stroke-width:1.4;stroke-dasharray:5 3}"
    ".schedule-mark{fill:#15803d}.schedule-mark.tight{fill:#b91c1c}</style>";

}  // namespace

std::string RenderRunCharts(const CompiledView& view) {
  const Route route = ReadRoute(view.table, view.cells);
  const TrainModel train = DefaultTrainModel(route.cars);
  // One run a thread, kept: the preview draws the page again at every edit.
  thread_local Timetable tt;
  AnalyseTimetableInto(route, train, {}, &tt);
  std::string s = "<section id=\"run\"><h2>Fastest run</h2>";
  if (tt.sections.empty()) {
    return s + "<p class=\"note\">No run drawn: " + EscapeHtml(tt.note) + ".</p></section>";
  }
  const Run& run = tt.run;
  s += "<p class=\"note\">The fastest legal run of an assumed train (" +
       std::to_string(route.cars) + " cars from the texts, " + Decimals(train.mass_t, 0) + " t, " +
       Decimals(train.length_m, 0) + " m, the rest from the defaults of docs/running-times.md) from " +
       EscapeHtml(tt.sections.front().from) + " to " + EscapeHtml(tt.sections.back().to) +
       ": minimum running time " + Decimals(tt.total_min_running_s, 1) + " s. " +
       "<code>percorso timetable</code> gives every section.</p>";
  s += kStyle;

  // Speed over distance.
  double vmax = 20;
  for (double v : run.limit_ms) vmax = std::max(vmax, v * kMsToKmh);
  Axes sa{static_cast<double>(run.from_m), static_cast<double>(run.to_m),
          std::ceil(vmax / 20) * 20};
  s += "<ul class=\"legend\"><li><svg width=\"34\" height=\"12\"><path class=\"profile-line\" "
       "d=\"M2,9 H16 V3 H32\"/></svg>speed profile</li><li><svg width=\"20\" height=\"14\"><rect "
       "class=\"slow-band\" x=\"0\" y=\"0\" width=\"20\" height=\"14\"/></svg>slowdown</li>"
       "<li><svg width=\"34\" height=\"12\"><path class=\"run-line\" d=\"M2,10 L16,3 H32\"/>"
       "</svg>fastest run</li></ul>";
  s += OpenSvg("run-speed", "Speed over distance");
  // The slowdowns as one path of bands; their figures are in the profile above.
  std::string bands;
  for (const RouteSlowdown& sd : route.slowdowns) {
    if (sd.end_m <= run.from_m || sd.start_m >= run.to_m) continue;
    const double x0 = sa.X(std::max(sd.start_m, run.from_m));
    const double x1 = sa.X(std::min(sd.end_m, run.to_m));
    bands += "M" + Num(x0) + "," + Num(kTop) + "h" + Num(std::max(x1 - x0, 1.0)) + "v" +
             Num(kPlotHeight) + "H" + Num(x0) + "Z";
  }
  if (!bands.empty()) s += "<path class=\"slow-band\" d=\"" + bands + "\"/>";
  s += DrawAxes(sa, NiceStep(sa.v1, 5), "km/h");
  s += "<path class=\"profile-line\" d=\"" + SampledPath(sa, run.limit_ms, run.from_m, kMsToKmh) +
       "\"/>";
  s += "<path class=\"run-line\" d=\"" + SampledPath(sa, run.speed_ms, run.from_m, kMsToKmh) +
       "\"/>";
  s += "</svg></div>";

  // Time over distance against the scheduled times.
  double tmax = 0;
  for (const TimetableSection& sec : tt.sections) {
    tmax += sec.scheduled_s;
  }
  const double end_time = run.time_s.back();
  if (std::isfinite(end_time)) tmax = std::max(tmax, end_time);
  const double minutes = std::max(1.0, std::ceil(tmax / kSecondsPerMinute));
  Axes ta{static_cast<double>(run.from_m), static_cast<double>(run.to_m), minutes};
  s += "<ul class=\"legend\"><li><svg width=\"34\" height=\"12\"><path class=\"run-line\" "
       "d=\"M2,10 L32,2\"/></svg>fastest run</li><li><svg width=\"34\" height=\"12\"><path "
       "class=\"schedule-line\" d=\"M2,10 L32,2\"/></svg>scheduled times</li></ul>";
  s += OpenSvg("run-time", "Time over distance");
  s += DrawAxes(ta, NiceStep(minutes, 5), "minutes");
  std::string sched = "M" + Num(ta.X(run.from_m)) + "," + Num(ta.Y(0));
  std::string marks;
  double at = 0;
  for (const TimetableSection& sec : tt.sections) {
    at += sec.scheduled_s;
    const double x = ta.X(sec.to_m), y = ta.Y(at / kSecondsPerMinute);
    sched += " L" + Num(x) + "," + Num(y);
    marks += "<circle class=\"schedule-mark" + std::string(sec.kept() ? "" : " tight") +
             "\" cx=\"" + Num(x) + "\" cy=\"" + Num(y) + "\" r=\"4\">" +
             SvgTitle(sec.to + ": scheduled " + std::to_string(sec.scheduled_s) +
                      " s after " + sec.from + ", fastest run " +
                      (std::isfinite(sec.min_running_s) ? Decimals(sec.min_running_s, 1) + " s"
                                                        : std::string("never")) +
                      (sec.kept() ? "" : " (too tight)")) +
             "</circle>";
  }
  s += "<path class=\"schedule-line\" d=\"" + sched + "\"/>";
  s += "<path class=\"run-line\" d=\"" +
       SampledPath(ta, run.time_s, run.from_m, 1 / kSecondsPerMinute, true) + "\"/>";
  s += marks + "</svg></div></section>";
  return s;
}

}  // namespace percorso
