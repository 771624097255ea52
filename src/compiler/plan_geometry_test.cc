#include "compiler/plan_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace percorso {
namespace {

TEST(PlanGeometryTest, CurvatureComesFromTheFirstClassDigitAndTheSide) {
  const struct {
    const char* token;
    std::optional<double> k;
  } cases[] = {
      {"curvad1", 0.0001},      {"curvad2", 0.0002},
      {"curvad3", 0.0004},      {"curvad4", 0.001},
      {"curvad5", 0.002},       {"curvad6", 0.003},
      {"curvas4", -0.001},      {"CURVAS2", -0.0002},
      {"CURVAD4", 0.001},       {"curvad41", 0.0001},  // 1 is tested before 4
      {"curvad", std::nullopt}, {"curvas 7 8 9 0", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(CurvatureOf(c.token), c.k) << c.token;
}

TEST(PlanGeometryTest, StraightLineRunsAlongY) {
  TrackPlan plan;
  plan.Create(1000);  // M = 8000
  StartPlan(plan);
  FinishPlan(plan);
  ASSERT_EQ(plan.next(), 7999);  // points 7999 and 8000 stay empty
  for (int64_t j = 0; j < plan.next(); ++j) {
    ASSERT_EQ(plan.x(j), 0.0) << j;
    ASSERT_EQ(plan.y(j), static_cast<double>(j)) << j;
  }
  EXPECT_EQ(plan.TagOf(7998), kPlanDouble);
  EXPECT_EQ(plan.TagOf(7999), kPlanEmpty);
}

// The first curve of the built-in line: "curvad4, 1100, 250".
TEST(PlanGeometryTest, FirstBuiltinCurve) {
  TrackPlan plan;
  plan.Create(96900);
  StartPlan(plan);
  ASSERT_EQ(ExtendWithCurve(plan, 1100, 250, *CurvatureOf("curvad4")), CurveOutcome::kDone);
  ASSERT_EQ(plan.next(), 1351);
  EXPECT_EQ(plan.x(1100), 0.0);
  EXPECT_EQ(plan.y(1100), 1100.0);
  EXPECT_EQ(plan.x(1101), 0.001);
  EXPECT_EQ(plan.y(1101), 1101.0);
  EXPECT_NEAR(plan.x(1350), 31.2139, 5e-5);
  EXPECT_NEAR(plan.y(1350), 1347.4038, 5e-5);
  const double dx = plan.x(1350) - plan.x(1349);
  const double dy = plan.y(1350) - plan.y(1349);
  EXPECT_NEAR(std::hypot(dx, dy), 1.000125, 1e-6);
  EXPECT_NEAR(std::atan2(dx, dy) * 180 / std::numbers::pi, 14.32, 0.005);
  // The step keeps its length on the straight track after the curve.
  FinishPlan(plan);
  EXPECT_NEAR(std::hypot(plan.x(5000) - plan.x(4999), plan.y(5000) - plan.y(4999)), 1.000125, 1e-6);

  // The same row curving the other way is the mirror image, bit for bit.
  TrackPlan mirror;
  mirror.Create(96900);
  StartPlan(mirror);
  ASSERT_EQ(ExtendWithCurve(mirror, 1100, 250, *CurvatureOf("curvas4")), CurveOutcome::kDone);
  FinishPlan(mirror);
  ASSERT_EQ(mirror.next(), plan.next());
  for (int64_t j = 0; j < plan.next(); ++j) {
    ASSERT_EQ(mirror.x(j), -plan.x(j)) << j;
    ASSERT_EQ(mirror.y(j), plan.y(j)) << j;
  }
}

TEST(PlanGeometryTest, RowsBehindTheCounterOnlyCurveWhatLiesAhead) {
  TrackPlan whole, split;
  whole.Create(1000);
  split.Create(1000);
  StartPlan(whole);
  StartPlan(split);
  ASSERT_EQ(ExtendWithCurve(whole, 100, 70, 0.002), CurveOutcome::kDone);
  ASSERT_EQ(ExtendWithCurve(split, 100, 50, 0.002), CurveOutcome::kDone);
  ASSERT_EQ(ExtendWithCurve(split, 120, 50, 0.002), CurveOutcome::kDone);  // starts behind
  ASSERT_EQ(ExtendWithCurve(split, 10, 20, 0.003), CurveOutcome::kDone);   // wholly behind
  ASSERT_EQ(split.next(), whole.next());
  for (int64_t j = 0; j < whole.next(); ++j) {
    ASSERT_EQ(split.x(j), whole.x(j)) << j;
    ASSERT_EQ(split.y(j), whole.y(j)) << j;
  }
}

TEST(PlanGeometryTest, CurvesStayInsideThePlanAndTheMillionPoints) {
  TrackPlan plan;
  plan.Create(1000);  // M = 8000: curves may end at point 7998
  StartPlan(plan);
  EXPECT_EQ(ExtendWithCurve(plan, 7900, 99, 0.001), CurveOutcome::kBeyondPlan);
  EXPECT_EQ(plan.next(), 2);  // nothing computed
  EXPECT_EQ(ExtendWithCurve(plan, 7900, 98, 0.001), CurveOutcome::kDone);
  EXPECT_EQ(plan.next(), 7999);

  TrackPlan big;
  big.Create(1000000);  // M = 1007000
  StartPlan(big);
  // Up to point 999999 the counter stays at 1000000 at most.
  EXPECT_EQ(ExtendWithCurve(big, 999000, 999, 0.001), CurveOutcome::kDone);
  EXPECT_EQ(big.next(), 1000000);
  TrackPlan over;
  over.Create(1000000);
  StartPlan(over);
  EXPECT_EQ(ExtendWithCurve(over, 999000, 1000, 0.001), CurveOutcome::kPastPointLimit);
  EXPECT_EQ(over.next(), 1000001);
  // The end of the body has no such limit.
  FinishPlan(big);
  EXPECT_EQ(big.next(), 1006999);
}

}  // namespace
}  // namespace percorso
