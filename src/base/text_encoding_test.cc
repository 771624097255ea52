#include "base/text_encoding.h"

#include <gtest/gtest.h>

namespace percorso {
namespace {

TEST(ToWindows1252Test, ConvertsUtf8AndLeavesOtherTextsAlone) {
  struct Case {
    std::string raw;
    bool from_utf8;
    std::string bytes;
  };
  const Case cases[] = {
      {"pendenza, 100, 2\r\n", false, "pendenza, 100, 2\r\n"},   // ASCII
      {"citt\xE0\r\n", false, "citt\xE0\r\n"},                    // Windows-1252 already
      {"citt\xC3\xA0\n", true, "citt\xE0\n"},                     // UTF-8 without mark
      {"\xEF\xBB\xBF[generale]\r", true, "[generale]\r"},         // mark, ASCII after it
      {"\xE2\x82\xAC 5 \xE2\x80\x94 \xC5\xB8", true, "\x80 5 \x97 \x9F"},  // euro, dash, Y diaeresis
      {"\xC3\xA0\xE0", false, "\xC3\xA0\xE0"},                    // not valid UTF-8: as it stands
  };
  for (const Case& c : cases) {
    DecodedText d = ToWindows1252(c.raw);
    EXPECT_FALSE(d.fault.has_value()) << c.raw;
    EXPECT_EQ(d.from_utf8, c.from_utf8) << c.raw;
    EXPECT_EQ(d.bytes, c.bytes) << c.raw;
  }
}

TEST(ToWindows1252Test, LocatesACharacterWindows1252CannotHold) {
  // Lines end in CR LF, LF and CR; the check mark is the fourth character of line 4,
  // after a two-byte character.
  DecodedText d = ToWindows1252("uno\r\ndue\ntre\r\xC3\xA8x \xE2\x9C\x93 ok\r\n");
  ASSERT_TRUE(d.fault.has_value());
  EXPECT_TRUE(d.from_utf8);
  EXPECT_EQ(d.fault->line, 4);
  EXPECT_EQ(d.fault->column, 4);
  EXPECT_EQ(d.fault->detail, "the character U+2713 has no Windows-1252 form");
  EXPECT_TRUE(d.bytes.empty());

  DecodedText bad = ToWindows1252("\xEF\xBB\xBF" "a\r\nb\xFF\r\n");
  ASSERT_TRUE(bad.fault.has_value());
  EXPECT_EQ(bad.fault->line, 2);
  EXPECT_EQ(bad.fault->column, 2);
}

TEST(LineForTerminalTest, KeepsOneCharacterPerCharacter) {
  EXPECT_EQ(LineForTerminal("citt\xE0 \x80\t\x1B\x81", false), "citt\xC3\xA0 \xE2\x82\xAC\t??");
  EXPECT_EQ(LineForTerminal("citt\xC3\xA0\x1B\xC2\x85\xFF", true), "citt\xC3\xA0???");
}

}  // namespace
}  // namespace percorso
