#include "base/rounding.h"

#include <gtest/gtest.h>

namespace percorso {
namespace {

TEST(RoundHalfEven, TiesGoToTheEvenNeighbour) {
  struct Case { int64_t num, den, want; };
  const Case cases[] = {
      {75, 50, 2},      {125, 50, 2},     {25, 50, 0},     {175, 50, 4},  // .5 ties
      {74, 50, 1},      {76, 50, 2},      {100, 50, 2},    {0, 50, 0},
      {-25, 50, 0},     {-75, 50, -2},    {-76, 50, -2},   {-74, 50, -1},
      {103900, 50, 2078}, {103875, 50, 2078}, {103925, 50, 2078},
      {12, 5, 2},       {13, 5, 3},       {-1, 5, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RoundHalfEven(c.num, c.den), c.want) << c.num << "/" << c.den;
  }
}

TEST(RoundHalfEven, PlusOneIsNotRoundedThenIncremented) {
  // round(p / 50 + 1) for p = 75: 2.5 rounds to 2, while round(1.5) + 1 would be 3.
  EXPECT_EQ(RoundHalfEven(75 + 50, 50), 2);
  EXPECT_EQ(RoundHalfEven(75, 50) + 1, 3);
}

}  // namespace
}  // namespace percorso
