#include "model/track_plan.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace percorso {
namespace {

// The arrays are not cleared when the plan is made, so a point may be read only once it
// is computed: any other read is refused rather than returning whatever memory held.
TEST(TrackPlanTest, OnlyComputedPointsCanBeRead) {
  TrackPlan plan;
  plan.Create(10);  // M = 7010
  EXPECT_EQ(plan.upper(), 7010);
  EXPECT_EQ(plan.next(), 0);
  EXPECT_THROW(plan.x(0), std::out_of_range);
  EXPECT_TRUE(plan.xs().empty());

  plan.Start();
  EXPECT_EQ(plan.x(1), 0.0);
  EXPECT_EQ(plan.y(1), 1.0);
  EXPECT_THROW(plan.y(2), std::out_of_range);
  EXPECT_THROW(plan.x(-1), std::out_of_range);
  EXPECT_EQ(plan.TagOf(1), kPlanInt16);
  EXPECT_EQ(plan.TagOf(2), kPlanEmpty);

  ASSERT_TRUE(plan.Append(0.5, 2.0));
  EXPECT_EQ(plan.x(2), 0.5);
  EXPECT_EQ(plan.TagOf(2), kPlanDouble);
  ASSERT_EQ(plan.ys().size(), 3u);
  EXPECT_EQ(plan.ys()[2], 2.0);

  // Made again, the plan starts empty whatever the memory held.
  plan.Create(0);
  EXPECT_EQ(plan.next(), 0);
  EXPECT_THROW(plan.x(2), std::out_of_range);
  plan.Reset();
  EXPECT_FALSE(plan.exists());
  EXPECT_EQ(plan.upper(), -1);
}

// A plan too short for its two first points is never started and takes no point.
TEST(TrackPlanTest, TooShortAPlanTakesNoPoint) {
  for (int32_t length : {-7001, -7000}) {
    TrackPlan plan;
    plan.Create(length);
    plan.Start();
    EXPECT_FALSE(plan.started()) << length;
    EXPECT_FALSE(plan.Append(1, 1)) << length;
    EXPECT_EQ(plan.next(), 0) << length;
  }
}

}  // namespace
}  // namespace percorso
