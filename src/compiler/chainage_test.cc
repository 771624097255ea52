#include "compiler/chainage.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>

#include "format/line_file.h"

namespace percorso {
namespace {

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

using Ref = std::array<int32_t, 3>;     // inizio, fine, posizione
using Refs = std::array<Ref, 3>;        // slots 81, 82, 83

void Load(LineTable& t, const Refs& r) {
  for (int i = 0; i < 3; ++i) {
    LineRecord& s = t.slot[kChainageSlotTre + i];
    s.inizio = r[i][0];
    s.fine = r[i][1];
    s.posizione = r[i][2];
  }
}

Refs Slots(const LineTable& t) {
  Refs out;
  for (int i = 0; i < 3; ++i) {
    const LineRecord& s = t.slot[kChainageSlotTre + i];
    out[i] = {s.inizio, s.fine, s.posizione};
  }
  return out;
}

TEST(OrderChainages, OrdersTheThreeReferences) {
  struct Case { const char* what; Refs in; Refs out; };
  const Case cases[] = {
      {"built-in line: uno alone, coded 1", {{{0, 0, 0}, {0, 0, 0}, {0, 96900, 1}}},
       {{{0, 97000, 1}, {0, 0, 0}, {0, 0, 0}}}},
      // Different starts: decreasing start, whole triples moved.
      {"starts 1000 3000 5000", {{{1000, 11, 2}, {3000, 33, 3}, {5000, 55, 4}}},
       {{{5000, 55, 4}, {3000, 33, 3}, {1000, 11, 2}}}},
      {"starts 5000 3000 1000 stay", {{{5000, 55, 4}, {3000, 33, 3}, {1000, 11, 2}}},
       {{{5000, 55, 4}, {3000, 33, 3}, {1000, 11, 2}}}},
      {"slot 82 largest", {{{1000, 11, 2}, {3000, 33, 3}, {2000, 22, 4}}},
       {{{3000, 33, 3}, {2000, 22, 4}, {1000, 11, 2}}}},
      {"slot 82 largest, 81 second", {{{2000, 22, 2}, {3000, 33, 3}, {1000, 11, 4}}},
       {{{3000, 33, 3}, {2000, 22, 2}, {1000, 11, 4}}}},
      {"slot 83 largest, 81 second", {{{3000, 33, 2}, {1000, 11, 3}, {5000, 55, 4}}},
       {{{5000, 55, 4}, {3000, 33, 2}, {1000, 11, 3}}}},
      // Equal smaller starts: the reference from the higher slot comes second.
      {"81 largest, 82 = 83", {{{5000, 55, 2}, {1000, 11, 3}, {1000, 12, 4}}},
       {{{5000, 55, 2}, {1000, 12, 4}, {1000, 11, 3}}}},
      {"82 largest, 81 = 83", {{{1000, 11, 2}, {5000, 55, 3}, {1000, 12, 4}}},
       {{{5000, 55, 3}, {1000, 12, 4}, {1000, 11, 2}}}},
      {"83 largest, 81 = 82", {{{1000, 11, 2}, {1000, 12, 3}, {5000, 55, 4}}},
       {{{5000, 55, 4}, {1000, 12, 3}, {1000, 11, 2}}}},
      // A shared largest start clears all three; nothing is then adjusted.
      {"starts 5000 5000 1000", {{{5000, 55, 1}, {5000, 56, 1}, {1000, 11, 1}}},
       {{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}}},
      {"starts 1000 5000 5000", {{{1000, 11, 1}, {5000, 55, 1}, {5000, 56, 1}}},
       {{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}}},
      {"three equal starts", {{{1000, 11, 1}, {1000, 12, 1}, {1000, 13, 1}}},
       {{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}}},
      // Starts adding up to zero: chosen by fine.
      {"starts -1000 1000 0, 82 ends beyond 0", {{{-1000, 0, 2}, {1000, 10, 3}, {0, 0, 4}}},
       {{{1000, 10, 3}, {-1000, 0, 2}, {0, 0, 4}}}},
      {"starts -1000 1000 0, 83 ends beyond 0", {{{-1000, 5, 2}, {1000, 10, 3}, {0, 1, 4}}},
       {{{0, 1, 4}, {1000, 10, 3}, {-1000, 5, 2}}}},
      {"only 81 ends beyond 0", {{{0, 5, 2}, {0, -10, 3}, {0, 0, 4}}},
       {{{0, 5, 2}, {0, -10, 3}, {0, 0, 4}}}},
      {"no end beyond 0", {{{0, 0, 1}, {0, -10, 1}, {0, kMin, 1}}},
       {{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}}},
      {"both slots coded 1 adjusted", {{{0, 100, 5}, {0, 200, 1}, {0, 0, 1}}},
       {{{0, 300, 1}, {0, 100, 5}, {0, 100, 1}}}},
      {"code 2 moved but not adjusted", {{{0, 0, 0}, {0, 500, 2}, {0, 0, 0}}},
       {{{0, 500, 2}, {0, 0, 0}, {0, 0, 0}}}},
      // Extreme values: the sum of the starts does not overflow, nor does the adjustment.
      {"starts add up beyond 32 bits", {{{kMax, 1, 1}, {kMax, 2, 1}, {2, 3, 1}}},
       {{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}}},
      {"extreme starts adding up to zero", {{{kMin, 0, 0}, {kMax, 0, 0}, {1, kMax, 1}}},
       {{{1, kMin + 99, 1}, {kMax, 0, 0}, {kMin, 0, 0}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    LineTable table;
    Load(table, c.in);
    OrderChainages(table);
    EXPECT_EQ(Slots(table), c.out);
  }
}

TEST(OrderChainages, TouchesOnlyTheThreeFieldsOfTheThreeSlots) {
  LineTable table;
  for (int k = 0; k < kLineSlots; ++k) {
    table.slot[k].tipo = static_cast<uint8_t>(k);
    table.slot[k].nome = "slot";
    table.slot[k].valore1 = static_cast<int16_t>(k);
    table.slot[k].orario = k;
  }
  table.slot[kFirstBoardSlot].fine = 7;
  table.slot[kTrainFiguresSlot].fine = 96900;
  Load(table, {{{1000, 11, 1}, {3000, 33, 1}, {5000, 55, 1}}});
  LineTable want = table;
  OrderChainages(table);
  Load(want, {{{5000, 155, 1}, {3000, 133, 1}, {1000, 111, 1}}});
  EXPECT_EQ(EncodeLineFile(table), EncodeLineFile(want));
}

}  // namespace
}  // namespace percorso
