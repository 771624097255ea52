#include "format/cell_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <string>

#include "testing/hex.h"

namespace percorso {
namespace {

TEST(CellGrid, SizeFollowsTheLineLengthRoundedHalfToEven) {
  struct Case { int32_t length; int32_t upper; };
  const Case cases[] = {
      {96900, 2078},  // the built-in line: 2079 cells, 31185 bytes
      {0, 140},
      {25, 140},      // 7025 / 50 = 140.5 goes down to the even 140
      {75, 142},      // 7075 / 50 = 141.5 goes up to the even 142
      {1000000, 20140},
      {-7000, 0},     // a single cell
      {-7025, 0},     // -0.5 rounds to 0
      {-7026, -1},    // no cells at all
      {std::numeric_limits<int32_t>::min(), -1},
  };
  for (const Case& c : cases) {
    CellGrid grid;
    grid.Create(c.length);
    EXPECT_EQ(grid.upper(), c.upper) << c.length;
    EXPECT_EQ(grid.cells().size(), static_cast<size_t>(c.upper + 1)) << c.length;
    std::string file = EncodeCellFile(grid);
    EXPECT_EQ(file.size(), static_cast<size_t>(15 * (c.upper + 1))) << c.length;
    EXPECT_EQ(file, std::string(file.size(), '\0')) << c.length;
  }
}

TEST(CellGrid, RecreatingClearsEveryCell) {
  CellGrid grid;
  EXPECT_FALSE(grid.exists());
  EXPECT_EQ(grid.upper(), -1);
  grid.Create(96900);
  grid.at(5).tipo = 1;
  grid.at(2078).aderenza = 100;
  grid.Create(1000);
  EXPECT_EQ(grid.upper(), 160);
  std::string file = EncodeCellFile(grid);
  EXPECT_EQ(file, std::string(15 * 161, '\0'));
}

TEST(CellGrid, CellBytes) {
  struct Case { TrackCell cell; const char* bytes; };
  TrackCell signal;  // a signal on level track at 135 km/h
  signal.tipo = 1;
  signal.dato1 = 41;
  signal.dato4 = 4;
  signal.velocita = 27;
  signal.pendenza = 100;
  TrackCell every;  // every field distinct: field order, little-endian, no gaps
  every.tipo = 0x01;
  every.dato1 = 0x0302;
  every.dato2 = 0x0504;
  every.dato3 = 0x0706;
  every.dato4 = 0x0908;
  every.tempo = 0x0A;
  every.preavviso = 0x0B;
  every.montagna = 0x0C;
  every.velocita = 0x0D;
  every.pendenza = 0x0E;
  every.aderenza = 0xFF;
  TrackCell negative;  // two's complement, low byte first; a gradient of -12 stored as 88
  negative.dato1 = -1;
  negative.dato2 = -32768;
  negative.dato3 = 32767;
  negative.dato4 = -2;
  negative.pendenza = 88;
  const Case cases[] = {
      {signal, "01 29 00 00 00 00 00 04 00 00 00 00 1B 64 00"},
      {every, "01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E FF"},
      {negative, "00 FF FF 00 80 FF 7F FE FF 00 00 00 00 58 00"},
  };
  for (const Case& c : cases) {
    CellGrid grid;
    grid.Create(-7000);  // exactly one cell
    grid.at(0) = c.cell;
    EXPECT_EQ(Hex(EncodeCellFile(grid)), c.bytes);
  }
}

TEST(CellGrid, CellKStartsAtOffset15K) {
  CellGrid grid;
  grid.Create(96900);
  grid.at(205).tipo = 1;
  grid.at(205).aderenza = 0x77;
  grid.at(2078).tipo = 14;
  std::string file = EncodeCellFile(grid);
  ASSERT_EQ(file.size(), 31185u);
  EXPECT_EQ(file[3075], 1);       // first byte of cell 205
  EXPECT_EQ(file[3089], 0x77);    // last byte of cell 205
  EXPECT_EQ(file[3074], 0);
  EXPECT_EQ(file[3090], 0);
  EXPECT_EQ(file[31170], 14);     // cell 2078, the last
}

TEST(CellGrid, FreeMeansEmptyOrSpanMarkerInsideTheGrid) {
  CellGrid grid;
  grid.Create(96900);
  struct Case { int64_t cell; uint8_t tipo; bool free; };
  const Case cases[] = {
      {10, 0, true},   {11, 11, true},  {12, 1, false},  {13, 10, false},
      {14, 12, false}, {15, 13, false}, {0, 0, true},    {2078, 0, true},
      {-1, 0, false},  {2079, 0, false},
      {std::numeric_limits<int64_t>::min(), 0, false},
      {std::numeric_limits<int64_t>::max(), 0, false},
  };
  for (const Case& c : cases) {
    if (grid.Contains(c.cell)) grid.at(c.cell).tipo = c.tipo;
    EXPECT_EQ(grid.IsFree(c.cell), c.free) << c.cell;
  }
  CellGrid none;
  EXPECT_FALSE(none.IsFree(0));
}

}  // namespace
}  // namespace percorso
