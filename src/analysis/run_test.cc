// The running-time calculation against closed forms, its integration step, and its
// properties over the compile fuzz corpus and random scenarios.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>

#include "analysis/route.h"
#include "analysis/run.h"
#include "analysis/timetable.h"
#include "analysis/train_model.h"
#include "base/text_encoding.h"
#include "format/cell_file.h"
#include "format/line_file.h"
#include "testing/random_scenario.h"
#include "testing/test_scenario.h"

namespace percorso {
namespace {

// A flat or evenly graded line at one speed limit with two timed stations.
Route StraightRoute(int32_t limit_kmh, int32_t gradient, int32_t from_m, int32_t to_m) {
  Route r;
  r.cells = (to_m + 2000) / Route::kMetresPerCell;
  r.limit_kmh.assign(r.cells, limit_kmh);
  r.gradient.assign(r.cells, gradient);
  r.stations = {{1, "A", from_m, 10 * 3600}, {2, "B", to_m, 11 * 3600}};
  return r;
}

// No resistance, no power or adhesion limit, rotating-mass factor 1: accelerates at
// exactly `a` on the level.
TrainModel IdealTrain(double a, double b) {
  TrainModel t = DefaultTrainModel(0);
  t.mass_t = 100;
  t.length_m = 1;
  t.rotating_mass_factor = 1;
  t.max_tractive_effort_kN = a * t.mass_t;
  t.power_kW = 0;
  t.davis_a_kN = t.davis_b_kN_per_kmh = t.davis_c_kN_per_kmh2 = 0;
  t.service_deceleration_ms2 = b;
  t.adhesion = false;
  return t;
}

// D/v + v/(2a) + v/(2b) where the limit is reached; else the triangle of the two.
double ClosedForm(double d, double v, double a, double b) {
  const double peak = std::sqrt(2 * a * b * d / (a + b));
  if (peak < v) return peak / a + peak / b;
  return d / v + v / (2 * a) + v / (2 * b);
}

TEST(RunningTime, MatchesClosedFormsWithinATenthOfAPercent) {
  struct Case {
    const char* what;
    int32_t limit_kmh;
    int32_t gradient;
    int32_t distance_m;
    double a, b;
    double expected_s;  // 0: the closed form
  };
  const double g = kStandardGravity;
  const Case cases[] = {
      {"3 km at 100 km/h, a = b = 0.5", 100, 0, 3000, 0.5, 0.5, 163.6},
      {"limit reached, a != b", 120, 0, 5000, 0.8, 0.4, 0},
      {"triangle: limit never reached", 160, 0, 800, 0.5, 0.5, 0},
      {"triangle, a != b", 200, 0, 1200, 0.3, 0.7, 0},
      {"long run", 135, 0, 40000, 0.5, 0.5, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Timetable tt = AnalyseTimetable(StraightRoute(c.limit_kmh, c.gradient, 1000,
                                                        1000 + c.distance_m),
                                          IdealTrain(c.a, c.b));
    ASSERT_EQ(tt.sections.size(), 1u);
    const double want =
        c.expected_s > 0 ? c.expected_s : ClosedForm(c.distance_m, c.limit_kmh / 3.6, c.a, c.b);
    EXPECT_NEAR(tt.sections[0].min_running_s, want, want * 0.001);
  }
  // A climb of i per mille takes exactly g i / 1000 off the acceleration (braking at the
  // service deceleration is not helped), a fall adds it.
  for (int32_t i : {10, 25, -10}) {
    SCOPED_TRACE(i);
    const Timetable tt = AnalyseTimetable(StraightRoute(100, i, 1000, 4000), IdealTrain(0.5, 0.5));
    const double a = 0.5 - g * i / 1000.0;
    ASSERT_EQ(tt.sections.size(), 1u);
    const double want = ClosedForm(3000, 100 / 3.6, a, 0.5);
    EXPECT_NEAR(tt.sections[0].min_running_s, want, want * 0.001);
  }
}

TEST(RunningTime, SlackIsScheduleLessRunningAndDwell) {
  Route r = StraightRoute(100, 0, 1000, 7000);
  r.stations = {{1, "A", 1000, 10 * 3600}, {2, "M", 4000, 0}, {3, "B", 7000, 10 * 3600 + 400}};
  TrainModel t = IdealTrain(0.5, 0.5);
  const double through = AnalyseTimetable(r, t).sections.at(0).min_running_s;
  EXPECT_NEAR(through, ClosedForm(6000, 100 / 3.6, 0.5, 0.5), 0.1);
  // Stopping at M: two runs of 3 km, and its dwell comes off the slack.
  t.stops["M"] = 30;
  const TimetableSection s = AnalyseTimetable(r, t).sections.at(0);
  EXPECT_NEAR(s.min_running_s, 2 * 163.556, 0.2);
  EXPECT_NEAR(s.slack_s(), 400 - 2 * 163.556 - 30, 0.2);
  // Over midnight.
  r.stations = {{1, "A", 1000, 23 * 3600 + 59 * 60}, {3, "B", 7000, 4 * 60}};
  EXPECT_EQ(AnalyseTimetable(r, t).sections.at(0).scheduled_s, 300);
}

TEST(RunningTime, LimitHoldsUntilTheTailHasLeftIt) {
  Route r = StraightRoute(120, 0, 0, 10000);
  for (int c = 40; c < 50; ++c) r.limit_kmh[c] = 60;  // 2000 .. 2500 m
  const std::vector<double> p = SpeedProfile(r, 300, 0, 5000);
  EXPECT_DOUBLE_EQ(p[1999] * 3.6, 120);
  EXPECT_DOUBLE_EQ(p[2000] * 3.6, 60);
  EXPECT_DOUBLE_EQ(p[2799] * 3.6, 60);   // the tail is still on the low limit's last metre
  EXPECT_DOUBLE_EQ(p[2800] * 3.6, 120);  // 300 m past its end
  // A slowdown lowers the limit over its span.
  r.slowdowns.push_back({3000, 3500, 1800, 30, 61});
  const std::vector<double> q = SpeedProfile(r, 0, 0, 5000);
  EXPECT_DOUBLE_EQ(q[3000] * 3.6, 30);
  EXPECT_DOUBLE_EQ(q[3499] * 3.6, 30);
  EXPECT_DOUBLE_EQ(q[3501] * 3.6, 120);
}

TEST(RunningTime, HalvingTheStepChangesTimesByLessThanATenthOfAPercent) {
  const ScenarioFiles builtin = BuiltinScenario();
  const Route route =
      ReadRoute(DecodeLineFile(builtin.line).value, DecodeCellFile(builtin.cells).value);
  TrainModel train = DefaultTrainModel(route.cars);
  train.stops = {{"VELMORO - RUSA", 60}};
  const Timetable one = AnalyseTimetable(route, train, {1});
  const Timetable half = AnalyseTimetable(route, train, {2});
  ASSERT_FALSE(one.sections.empty());
  ASSERT_EQ(one.run.time_s.size(), half.run.time_s.size());
  for (size_t m = 1000; m < one.run.time_s.size(); m += 1000) {
    EXPECT_NEAR(one.run.time_s[m], half.run.time_s[m], half.run.time_s[m] * 0.001) << m;
  }
  EXPECT_NEAR(one.total_min_running_s, half.total_min_running_s,
              half.total_min_running_s * 0.001);
}

TEST(RunningTime, ImpassableLimitGivesNoTime) {
  Route r = StraightRoute(100, 0, 1000, 4000);
  for (int c = 50; c < 52; ++c) r.limit_kmh[c] = 0;
  const Timetable tt = AnalyseTimetable(r, IdealTrain(0.5, 0.5));
  ASSERT_EQ(tt.sections.size(), 1u);
  EXPECT_TRUE(std::isinf(tt.sections[0].min_running_s));
  EXPECT_FALSE(tt.kept());
  // A climb steeper than the train can start on.
  Route steep = StraightRoute(100, 60, 1000, 4000);
  EXPECT_FALSE(AnalyseTimetable(steep, IdealTrain(0.5, 0.5)).kept());
}

// The scenarios of the compile fuzz corpus and some random ones that compile.
std::vector<Route> CorpusRoutes() {
  std::vector<Route> routes;
  auto add = [&](const std::string& linea, const std::string& treno) {
    Compilation c = CompileScenario({ReadStatus::kOk, linea, "l"}, {ReadStatus::kOk, treno, "t"},
                                    {"L", "1", PlanChoice::kWithoutPlan});
    if (c.verdict == CompileVerdict::kCompiled && c.grid.exists())
      routes.push_back(ReadRoute(c.line_table, c.grid.cells()));
  };
  const std::filesystem::path dir =
      std::filesystem::path(PERCORSO_SOURCE_DIR) / "fuzz/corpus/compile_fuzz";
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    std::ifstream in(entry.path(), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.empty()) continue;
    const std::string body = bytes.substr(1);
    const size_t cut = body.find('\0');
    std::string linea = body.substr(0, cut);
    std::string treno = cut == std::string::npos ? "" : body.substr(cut + 1);
    if (bytes[0] & 0x10) {
      linea = ToWindows1252(linea).bytes;
      treno = ToWindows1252(treno).bytes;
    }
    add(linea, treno);
  }
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    RandomScenario s = RandomScenarioMaker(seed).Make();
    if (s.line_length > 200000) continue;
    add(s.linea, s.treno);
  }
  return routes;
}

TEST(RunningTime, PropertiesOverTheCorpus) {
  const std::vector<Route> routes = CorpusRoutes();
  ASSERT_GE(routes.size(), 8u);
  for (size_t k = 0; k < routes.size(); ++k) {
    const Route& r = routes[k];
    SCOPED_TRACE(k);
    const int32_t to = std::min(r.metres() - 1, 60000);
    if (to < 200) continue;
    TrainModel train = DefaultTrainModel(r.cars);
    const percorso::Run run = ComputeRun(r, train, 0, to, {});
    // Never above the profile; continuous: v^2 changes by at most 2 (a_max + b) a metre.
    const double a_max = train.max_tractive_effort_kN / (train.mass_t * train.rotating_mass_factor) +
                         kStandardGravity * 0.155;
    for (size_t i = 0; i < run.speed_ms.size(); ++i) {
      ASSERT_LE(run.speed_ms[i], run.limit_ms[i] + 1e-9) << i;
      if (i == 0) continue;
      const double dv2 = run.speed_ms[i] * run.speed_ms[i] - run.speed_ms[i - 1] * run.speed_ms[i - 1];
      ASSERT_LE(std::abs(dv2), 2 * (a_max + train.service_deceleration_ms2) + 1e-9) << i;
      ASSERT_GE(run.time_s[i], run.time_s[i - 1]);
    }
    // A larger deceleration never lengthens a time, to any metre.
    percorso::Run slower;
    for (double b : {0.2, 0.35, 0.5, 0.8, 1.2}) {
      train.service_deceleration_ms2 = b;
      percorso::Run faster = ComputeRun(r, train, 0, to, {});
      for (size_t i = 0; i < slower.time_s.size(); i += 97) {
        ASSERT_LE(faster.time_s[i], slower.time_s[i] * (1 + 1e-12)) << b << " at " << i;
      }
      ASSERT_LE(faster.time_s.back(), slower.time_s.empty() ? faster.time_s.back()
                                                           : slower.time_s.back() * (1 + 1e-12));
      slower = std::move(faster);
    }
  }
}

}  // namespace
}  // namespace percorso
