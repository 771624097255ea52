#include "format/plan_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "base/coding.h"

namespace percorso {
namespace {

// A plan computed as far as the loader goes: points 2 to M - 2 on a straight line.
TrackPlan ComputedToMMinus2(int32_t line_length) {
  TrackPlan plan;
  plan.Create(line_length);
  plan.Start();
  while (plan.next() <= plan.upper() - 2) {
    int64_t j = plan.next();
    EXPECT_TRUE(plan.Append(0.25, static_cast<double>(j)));
  }
  return plan;
}

TEST(TrackPlan, FileOfTheBuiltInLineComputedToMMinus2) {
  TrackPlan plan = ComputedToMMinus2(96900);
  ASSERT_EQ(plan.upper(), 103900);
  std::string file = EncodePlanFile(plan);
  // Each component: two int16 points (4 bytes each), M - 3 doubles (10 bytes each),
  // two empty points (2 bytes each).
  const size_t component = 4 + 4 + 10 * (103900 - 3) + 2 + 2;
  ASSERT_EQ(file.size(), 2077964u);
  ASSERT_EQ(file.size(), 2 * component);

  struct Element { size_t offset; const char* bytes; size_t size; };
  const Element elements[] = {
      {0, "\x02\x00\x00\x00", 4},                  // component 0 of point 0
      {4, "\x02\x00\x00\x00", 4},                  // component 0 of point 1
      {component, "\x02\x00\x00\x00", 4},          // component 1 of point 0
      {component + 4, "\x02\x00\x01\x00", 4},      // component 1 of point 1
      {component - 4, "\x00\x00\x00\x00", 4},      // points M - 1 and M of component 0
      {2 * component - 4, "\x00\x00\x00\x00", 4},  // and of component 1
  };
  for (const Element& e : elements) {
    EXPECT_EQ(file.substr(e.offset, e.size), std::string(e.bytes, e.size)) << e.offset;
  }
  // Computed points: tag 5 and the double, little-endian.
  EXPECT_EQ(DecodeFixed16(file.data() + 8), kPlanDouble);
  EXPECT_EQ(DecodeDouble(file.data() + 10), 0.25);
  EXPECT_EQ(file.substr(10, 8), std::string("\x00\x00\x00\x00\x00\x00\xD0\x3F", 8));
  const size_t last_computed = component + 8 + 10 * (103898 - 2);  // point M - 2
  EXPECT_EQ(DecodeFixed16(file.data() + last_computed), kPlanDouble);
  EXPECT_EQ(DecodeDouble(file.data() + last_computed + 2), 103898.0);
}

TEST(TrackPlan, FreshPlanIsAllEmptyElements) {
  struct Case { int32_t length; int32_t upper; };
  const Case cases[] = {
      {0, 7000},
      {-6999, 1},
      {-7000, 0},  // one point: too short to start
      {-7001, -1},
      {std::numeric_limits<int32_t>::min(), -1},
  };
  for (const Case& c : cases) {
    TrackPlan plan;
    plan.Create(c.length);
    EXPECT_EQ(plan.upper(), c.upper) << c.length;
    EXPECT_EQ(EncodePlanFile(plan), std::string(4 * static_cast<size_t>(c.upper + 1), '\0'))
        << c.length;
  }
}

TEST(TrackPlan, StartAndAppendStayInsideThePlan) {
  TrackPlan plan;
  plan.Start();  // no plan yet
  EXPECT_FALSE(plan.started());
  EXPECT_FALSE(plan.Append(1, 1));

  plan.Create(-7000);  // a single point cannot hold points 0 and 1
  plan.Start();
  EXPECT_FALSE(plan.started());

  plan.Create(-6996);  // M = 4
  EXPECT_FALSE(plan.Append(1, 1)) << "points 0 and 1 come from Start";
  plan.Start();
  EXPECT_TRUE(plan.Append(0, 2));
  EXPECT_TRUE(plan.Append(0, 3));
  EXPECT_TRUE(plan.Append(0, 4));
  EXPECT_FALSE(plan.Append(0, 5));
  EXPECT_EQ(plan.next(), 5);
  EXPECT_EQ(plan.y(4), 4.0);
  std::string file = EncodePlanFile(plan);
  EXPECT_EQ(file.size(), 2u * (4 + 4 + 3 * 10));

  plan.Create(0);  // a new length starts over, all empty
  EXPECT_EQ(plan.next(), 0);
  EXPECT_EQ(EncodePlanFile(plan), std::string(4 * 7001, '\0'));
  plan.Reset();
  EXPECT_FALSE(plan.exists());
  EXPECT_EQ(EncodePlanFile(plan), "");
}

TEST(TrackPlan, LengthBeyondTheLoadersLimitGetsTheLargestPlan) {
  TrackPlan plan;
  plan.Create(std::numeric_limits<int32_t>::max());
  EXPECT_EQ(plan.upper(), 1007000);
}

}  // namespace
}  // namespace percorso
