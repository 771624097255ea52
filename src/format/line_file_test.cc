#include "format/line_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "testing/hex.h"

#include "base/coding.h"

namespace percorso {
namespace {

TEST(LineTable, ClearedTableIs87SlotsOf34ZeroBytes) {
  LineTable table;
  table.slot[1].nome = "LUCRA";
  table.slot[86].orario = -1;
  table.slot[0].tipo = 9;
  table.Clear();
  EXPECT_EQ(EncodeLineFile(table), std::string(2958, '\0'));
}

TEST(LineTable, SlotBytes) {
  struct Case { LineRecord record; const char* bytes; };
  LineRecord station;  // a station stop
  station.tipo = 12;
  station.inizio = 11800;
  station.fine = 12200;
  station.posizione = 12000;
  station.nome = "LUCRA";
  station.valore1 = 1;
  station.valore2 = 1;
  station.valore3 = 4;
  station.valore4 = 1;
  station.valore5 = 1;
  LineRecord every;  // every field distinct: field order, widths, sign, no gaps
  every.tipo = 0xFE;
  every.inizio = -1;
  every.fine = 0x04030201;
  every.posizione = -2147483647 - 1;
  every.opzione1 = 0x11;
  every.nome = std::string("\xE8" "a", 2);  // raw Windows-1252 bytes
  every.valore1 = -2;
  every.valore2 = 0x2221;
  every.valore3 = 0x2423;
  every.valore4 = 0x2625;
  every.valore5 = 0x2827;
  every.opzione2 = 0x31;
  every.opzione3 = 0x32;
  every.opzione4 = 0x33;
  every.opzione5 = 0x34;
  every.orario = 43200;  // 12:00:00
  const Case cases[] = {
      {station,
       "0C 18 2E 00 00 A8 2F 00 00 E0 2E 00 00 00 05 00 4C 55 43 52 41 01 00 01 00 04 00 01 00 "
       "01 00 00 00 00 00 00 00 00 00"},
      {every,
       "FE FF FF FF FF 01 02 03 04 00 00 00 80 11 02 00 E8 61 FE FF 21 22 23 24 25 26 27 28 31 "
       "32 33 34 C0 A8 00 00"},
  };
  for (const Case& c : cases) {
    LineTable table;
    table.slot[1] = c.record;
    std::string file = EncodeLineFile(table);
    size_t n = c.record.nome.size();
    ASSERT_EQ(file.size(), 2958 + n);
    EXPECT_EQ(file.substr(0, 34), std::string(34, '\0')) << "slot 0 stays cleared";
    EXPECT_EQ(Hex(file.substr(34, 34 + n)), c.bytes);
    EXPECT_EQ(file.substr(68 + n), std::string(85 * 34, '\0'));
  }
}

TEST(LineTable, SlotsAreFoundByWalkingTheTexts) {
  LineTable table;
  table.slot[kLineIdentitySlot].nome = "Valdoro_Ostrano";
  table.slot[kLineIdentitySlot].valore1 = 610;
  table.slot[kTrainIdentitySlot].nome = "55";
  table.slot[kTrainIdentitySlot].orario = 7;
  std::string file = EncodeLineFile(table);
  ASSERT_EQ(file.size(), 2958u + 15 + 2);
  size_t at = 0;
  for (int k = 0; k < kLineIdentitySlot; ++k) at += 34 + DecodeFixed16(file.data() + at + 14);
  EXPECT_EQ(at, 85u * 34);
  EXPECT_EQ(DecodeFixed16(file.data() + at + 14), 15);
  EXPECT_EQ(file.substr(at + 16, 15), "Valdoro_Ostrano");
  EXPECT_EQ(DecodeFixed16(file.data() + at + 16 + 15), 610);
  at += 34 + 15;
  EXPECT_EQ(file.substr(at + 14, 4), std::string("\x02\x00" "55", 4));
  EXPECT_EQ(DecodeFixed32(file.data() + at + 30 + 2), 7u);
  EXPECT_EQ(at + 34 + 2, file.size());
}

}  // namespace
}  // namespace percorso
