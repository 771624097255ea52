#include "testing/max_scenario.h"

#include <gtest/gtest.h>

#include <array>
#include <map>

#include "compiler/compile.h"

namespace percorso {
namespace {

// Every line ends with CR LF and no other CR or LF stands in the text.
bool OnlyCrLfLines(const std::string& t) {
  if (t.size() < 2 || t.substr(t.size() - 2) != "\r\n") return false;
  for (size_t i = 0; i < t.size(); ++i) {
    if (t[i] == '\r' && (i + 1 >= t.size() || t[i + 1] != '\n')) return false;
    if (t[i] == '\n' && (i == 0 || t[i - 1] != '\r')) return false;
  }
  return true;
}

class MaxScenarioTest : public ::testing::TestWithParam<int32_t> {};

// The scenario compiles with no error, and the compiled grid and table hold exactly what
// the texts place, together with the points that the protection pass adds in the free
// cells left for it.
TEST_P(MaxScenarioTest, CompilesWithNoErrorAndHoldsEveryItem) {
  const MaxScenario s = MakeMaxScenario(GetParam());
  ASSERT_EQ(s.line_length, GetParam());
  ASSERT_TRUE(OnlyCrLfLines(s.linea));
  ASSERT_TRUE(OnlyCrLfLines(s.treno));
  const MaxScenarioCounts& n = s.counts;
  ASSERT_GT(n.blocks, 0);

  SourceText linea{ReadStatus::kOk, s.linea, "linea"};
  SourceText treno{ReadStatus::kOk, s.treno, "treno"};
  Compilation out =
      CompileScenario(linea, treno, {kMaxScenarioLineName, kMaxScenarioTrainNumber});
  ASSERT_EQ(out.verdict, CompileVerdict::kCompiled);
  ASSERT_EQ(out.errors.numero, 0) << "position " << out.errors.posizione << ": "
                                   << (out.errors.log.empty() ? "" : out.errors.log[0].detail);

  // U = round((length + 7000) / 50), worked out for each length the test runs.
  const std::map<int32_t, int64_t> uppers = {
      {10000, 340}, {250000, 5140}, {1000000, 20140}};
  ASSERT_EQ(uppers.count(s.line_length), 1u) << s.line_length;
  const int64_t upper = uppers.at(s.line_length);
  ASSERT_EQ(out.grid.upper(), upper);
  EXPECT_EQ(out.cell_file()->size(), static_cast<size_t>(15 * (upper + 1)));
  // Every plan point from 2 to M - 2 computed: the curves never stopped the plan.
  const int64_t m = s.line_length + 7000;
  ASSERT_NE(out.plan_file(), nullptr);
  EXPECT_EQ(out.plan_file()->size(), static_cast<size_t>(2 * (12 + 10 * (m - 3))));

  std::array<int32_t, 256> tipi{};
  int32_t points_180 = 0;
  for (int64_t c = 0; c <= upper; ++c) {
    const TrackCell& cell = out.grid.at(c);
    ++tipi[cell.tipo];
    if (cell.tipo == 12 && cell.dato1 == 180) ++points_180;
  }
  EXPECT_EQ(tipi[1], n.signals);
  EXPECT_EQ(tipi[2], n.slowdowns);
  EXPECT_EQ(tipi[3], n.slowdowns);
  EXPECT_EQ(tipi[4], n.slowdowns);
  EXPECT_EQ(tipi[5], 4 * n.slowdowns);
  EXPECT_EQ(tipi[6], n.speed_boards);
  EXPECT_EQ(tipi[10], n.stations);
  EXPECT_EQ(tipi[14], n.boards);
  // Per block: three points before the start, one before the signal after the end, the
  // abbattimento, and one inside each slow slowdown; two more before the signals that the
  // next block's warning cell looks back on. The next warning cell lowers the abbattimento
  // from 200 to 180; the last block's keeps its 200.
  const int32_t points = 5 * n.blocks + n.slow_slowdowns + 2 * (n.blocks - 1);
  EXPECT_EQ(tipi[12], points);
  EXPECT_EQ(points_180, points - 1);
  // On a long line stations and boards fill all 78 slots they share.
  if (n.blocks >= 78) {
    EXPECT_EQ(n.stations + n.boards, 78);
  }

  for (int k = 1; k <= n.stations; ++k) EXPECT_GT(out.line_table.slot[k].posizione, 0) << k;
  EXPECT_EQ(out.line_table.slot[n.stations + 1].posizione, 0);
  for (int k = 80; k > 80 - n.boards; --k) EXPECT_FALSE(out.line_table.slot[k].nome.empty()) << k;
  EXPECT_TRUE(out.line_table.slot[80 - n.boards].nome.empty());

  // A gradient and a speed row on every cell: each cell carries its own values.
  for (int32_t c = 0; c <= upper - 3; ++c) {
    const TrackCell& cell = out.grid.at(c);
    ASSERT_EQ(cell.pendenza, 100 + MaxScenarioGradient(c)) << c;
    // The speed is 30 + 5 * ((13 c) mod 35) km/h, 2 km/h more on every fourth cell; in
    // units of 5 km/h that is 6 + (13 c) mod 35, the 2 km/h being 0.4 of a unit.
    ASSERT_EQ(cell.velocita, 6 + (c * 13) % 35) << c;
  }
}

INSTANTIATE_TEST_SUITE_P(Lengths, MaxScenarioTest,
                         ::testing::Values(kMinMaxScenarioLength, 250000, kMaxScenarioLength));

}  // namespace
}  // namespace percorso
