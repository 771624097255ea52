// The train model file and the braking distances.
#include <gtest/gtest.h>

#include <string>

#include "analysis/braking.h"
#include "analysis/train_model.h"
#include "analysis/train_model_json.h"

namespace percorso {
namespace {

TEST(TrainModelFile, GivenKeysReplaceTheDefaults) {
  TrainModel t = DefaultTrainModel(9);
  ASSERT_FALSE(ApplyTrainModelJson(
      R"({"mass_t": 300, "power_kW": 0, "adhesion": false, "stops": {"LUCRA": 45}})", &t));
  EXPECT_EQ(t.mass_t, 300);
  EXPECT_EQ(t.power_kW, 0);
  EXPECT_FALSE(t.adhesion);
  EXPECT_EQ(t.stops.at("LUCRA"), 45);
  EXPECT_EQ(t.length_m, DefaultTrainModel(9).length_m);
  EXPECT_EQ(t.assumed.size(), TrainModelKeys().size() - 4);
  for (const char* k : {"mass_t", "power_kW", "adhesion", "stops"}) {
    EXPECT_EQ(std::count(t.assumed.begin(), t.assumed.end(), k), 0) << k;
  }
  TrainModel empty = DefaultTrainModel(9);
  EXPECT_FALSE(ApplyTrainModelJson("{}", &empty));
  EXPECT_EQ(empty.assumed.size(), TrainModelKeys().size());
}

TEST(TrainModelFile, RefusesAndNamesTheFault) {
  struct Case {
    const char* json;
    const char* named;  // a piece of the message
  };
  const Case cases[] = {
      {R"({"mass": 300})", "unknown key \"mass\""},
      {R"({"mass_t": "300"})", "\"mass_t\""},
      {R"({"mass_t": 0})", "\"mass_t\""},
      {R"({"mass_t": -5})", "\"mass_t\""},
      {R"({"length_m": 1e9})", "\"length_m\""},
      {R"({"rotating_mass_factor": 0.9})", "\"rotating_mass_factor\""},
      {R"({"max_tractive_effort_kN": 0})", "\"max_tractive_effort_kN\""},
      {R"({"power_kW": -1})", "\"power_kW\""},
      {R"({"davis_a_kN": -0.1})", "\"davis_a_kN\""},
      {R"({"davis_b_kN_per_kmh": true})", "\"davis_b_kN_per_kmh\""},
      {R"({"davis_c_kN_per_kmh2": null})", "\"davis_c_kN_per_kmh2\""},
      {R"({"service_deceleration_ms2": 0})", "\"service_deceleration_ms2\""},
      {R"({"service_deceleration_ms2": 9})", "\"service_deceleration_ms2\""},
      {R"({"adhesion": 1})", "\"adhesion\""},
      {R"({"stops": ["A"]})", "\"stops\""},
      {R"({"stops": {"A": -1}})", "station \"A\""},
      {R"({"stops": {"A": "60"}})", "station \"A\""},
      {R"([1, 2])", "one JSON object"},
      {R"({"mass_t": 300,)", "not JSON"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.json);
    TrainModel t = DefaultTrainModel(9);
    const double mass = t.mass_t;
    std::optional<std::string> why = ApplyTrainModelJson(c.json, &t);
    ASSERT_TRUE(why.has_value());
    EXPECT_NE(why->find(c.named), std::string::npos) << *why;
    EXPECT_EQ(t.mass_t, mass);  // nothing applied
  }
}

TEST(TrainModel, DefaultsFollowTheCars) {
  const TrainModel nine = DefaultTrainModel(9);
  EXPECT_DOUBLE_EQ(nine.mass_t, kLocomotiveMassT + 9 * kCarMassT);
  EXPECT_DOUBLE_EQ(nine.length_m, kLocomotiveLengthM + 9 * kCarLengthM);
  EXPECT_DOUBLE_EQ(nine.rotating_mass_factor, 1.05);
  EXPECT_DOUBLE_EQ(DefaultTrainModel(-3).mass_t, kLocomotiveMassT);
  EXPECT_DOUBLE_EQ(DefaultTrainModel(1000000).mass_t, DefaultTrainModel(kMaxAssumedCars).mass_t);
  // Tractive effort: F_max at a standstill, P / v above the corner speed, never above
  // what the driven axles' adhesion carries.
  TrainModel t = nine;
  t.adhesion = false;
  EXPECT_DOUBLE_EQ(TractiveEffortKN(t, 0), t.max_tractive_effort_kN);
  EXPECT_DOUBLE_EQ(TractiveEffortKN(t, 40), t.power_kW / 40);
  t.adhesion = true;
  t.max_tractive_effort_kN = 1000;
  EXPECT_NEAR(TractiveEffortKN(t, 0), (0.161 + 7.5 / 44) * kLocomotiveMassT * kStandardGravity,
              1e-9);
}

TEST(Braking, EightyPercentStopsFrom120InAboutAKilometre) {
  EXPECT_NEAR(BrakingDistanceM(120, 0, 80), 1000, 50);
  EXPECT_DOUBLE_EQ(BrakingDistanceM(60, 80, 80), 0);
  // A climb shortens it, a fall lengthens it.
  EXPECT_LT(BrakingDistanceM(120, 0, 80, 10), BrakingDistanceM(120, 0, 80));
  EXPECT_GT(BrakingDistanceM(120, 0, 80, -10), BrakingDistanceM(120, 0, 80));
}

TEST(Braking, HigherPercentageNeverLengthensADistance) {
  for (double from : {30.0, 80.0, 120.0, 160.0, 250.0}) {
    for (double to : {0.0, 30.0, 60.0}) {
      for (double gradient : {-30.0, 0.0, 25.0}) {
        double previous = BrakingDistanceM(from, to, 0, gradient);
        for (int pct = 5; pct <= 250; pct += 5) {
          const double d = BrakingDistanceM(from, to, pct, gradient);
          EXPECT_LE(d, previous) << from << " " << to << " " << gradient << " " << pct;
          previous = d;
        }
      }
    }
  }
}

TEST(Braking, ShortWarningsAreFound) {
  Route r;
  r.cells = 200;
  r.limit_kmh.assign(200, 160);
  r.gradient.assign(200, 0);
  r.braked_percentage = 80;
  r.slowdowns.push_back({5000, 5500, 3800, 30, 101});  // 160 -> 30 needs > 1200 m at 80 %
  r.slowdowns.push_back({8000, 8500, 6800, 120, 161});  // 160 -> 120 needs far less
  const std::vector<ShortWarning> found = FindShortWarnings(r);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].slowdown->start_m, 5000);
  EXPECT_EQ(found[0].warning_speed_kmh, 160);
  EXPECT_DOUBLE_EQ(found[0].available_m, 1200);
  EXPECT_GT(found[0].braking_m, 1200);
  r.braked_percentage = 250;
  EXPECT_TRUE(FindShortWarnings(r).empty());
}

}  // namespace
}  // namespace percorso
