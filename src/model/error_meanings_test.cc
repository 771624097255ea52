#include "model/error_meanings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace percorso {
namespace {

TEST(ErrorMeanings, EveryNumberAStageSetsOnceInRisingOrder) {
  const std::vector<int32_t> expected = {1,  2,  3,  4,  5,  6,  7,  8,  9,   10,  11,   12,  13,
                                         15, 16, 17, 18, 19, 20, 21, 22, 24, 25, 101, 102, 103,
                                         1250, 1251};
  std::vector<int32_t> numbers;
  for (const ErrorMeaning& m : ErrorMeanings()) {
    numbers.push_back(m.numero);
    EXPECT_GT(std::string(m.meaning).size(), 10u) << m.numero;
    EXPECT_EQ(FindMeaning(m.numero), &m);
  }
  EXPECT_EQ(numbers, expected);
  EXPECT_EQ(FindMeaning(14), nullptr);
  EXPECT_EQ(FindMeaning(0), nullptr);
}

TEST(ErrorMeanings, DescribesTheFinalErrorState) {
  ErrorState e;
  EXPECT_EQ(DescribeErrorState(e), "");

  e.numero = 16;
  e.posizione = 10200;
  EXPECT_EQ(DescribeErrorState(e),
            "error 16 at 10200 m: a signal stands on a cell that is already taken");

  // 25 leaves an earlier position behind: it is not shown.
  e.numero = 25;
  EXPECT_EQ(DescribeErrorState(e),
            "error 25: the texts could not be loaded (a text missing or unreadable, a row cut "
            "short, a number out of range, no line length, or a text that could not be "
            "deleted)");

  e.numero = 77;
  EXPECT_EQ(DescribeErrorState(e), "error 77: an error no stage of this build sets");
}

}  // namespace
}  // namespace percorso
