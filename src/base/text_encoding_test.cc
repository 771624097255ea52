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

// Where UTF-8 ends: the forms a decoder must refuse make the text Windows-1252 (taken as
// it stands) unless a byte-order mark said UTF-8, when they are a fault at their place.
TEST(ToWindows1252Test, Utf8RecognitionBounds) {
  struct Case {
    const char* what;
    std::string raw;
    bool from_utf8;
    std::string bytes;  // when there is no fault
    int fault_line, fault_column;  // 0: no fault
    const char* fault_says;
  };
  const Case cases[] = {
      {"overlong slash, two bytes", "a\xC0\xAF\xC3\xA8", false, "a\xC0\xAF\xC3\xA8", 0, 0, ""},
      {"overlong slash, three bytes", "a\xE0\x80\xAF\xC3\xA8", false, "a\xE0\x80\xAF\xC3\xA8",
       0, 0, ""},
      {"overlong, four bytes", "\xF0\x80\x80\xAF\xC3\xA8", false, "\xF0\x80\x80\xAF\xC3\xA8",
       0, 0, ""},
      {"smallest three-byte form, U+0800", "\xE0\xA0\x80", true, "", 1, 1, "U+0800"},
      {"surrogate U+D800", "\xED\xA0\x80\xC3\xA8", false, "\xED\xA0\x80\xC3\xA8", 0, 0, ""},
      {"last before the surrogates, U+D7FF", "x\xED\x9F\xBF", true, "", 1, 2, "U+D7FF"},
      {"above U+10FFFF", "\xF4\x90\x80\x80\xC3\xA8", false, "\xF4\x90\x80\x80\xC3\xA8", 0,
       0, ""},
      {"lead byte F5", "\xF5\x80\x80\x80\xC3\xA8", false, "\xF5\x80\x80\x80\xC3\xA8", 0, 0,
       ""},
      {"U+10FFFF, the last code point", "ab\xF4\x8F\xBF\xBF", true, "", 1, 3, "U+10FFFF"},
      {"four-byte character, U+1F600", "\xC3\xA8\r\n\xF0\x9F\x98\x80", true, "", 2, 1,
       "U+1F600"},
      {"four-byte sequence cut short at the end", "\xC3\xA8\xF0\x9F\x98", false,
       "\xC3\xA8\xF0\x9F\x98", 0, 0, ""},
      {"mark, then an overlong form", "\xEF\xBB\xBF" "ab\xC0\xAF", true, "", 1, 3, "not UTF-8"},
      {"mark, then a surrogate on line 2", "\xEF\xBB\xBF\xC3\xA8\r\n\xC3\xA8\xED\xB0\x80", true,
       "", 2, 2, "not UTF-8"},
      {"mark, then a lone continuation byte", "\xEF\xBB\xBF\x80", true, "", 1, 1, "not UTF-8"},
      {"mark alone", "\xEF\xBB\xBF", true, "", 0, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DecodedText d = ToWindows1252(c.raw);
    EXPECT_EQ(d.from_utf8, c.from_utf8);
    if (c.fault_line == 0) {
      EXPECT_FALSE(d.fault.has_value()) << d.fault->detail;
      EXPECT_EQ(d.bytes, c.bytes);
      continue;
    }
    ASSERT_TRUE(d.fault.has_value());
    EXPECT_EQ(d.fault->line, c.fault_line);
    EXPECT_EQ(d.fault->column, c.fault_column);
    EXPECT_NE(d.fault->detail.find(c.fault_says), std::string::npos) << d.fault->detail;
    EXPECT_TRUE(d.bytes.empty());
  }
}

TEST(LineForTerminalTest, KeepsOneCharacterPerCharacter) {
  EXPECT_EQ(LineForTerminal("citt\xE0 \x80\t\x1B\x81", false), "citt\xC3\xA0 \xE2\x82\xAC\t??");
  EXPECT_EQ(LineForTerminal("citt\xC3\xA0\x1B\xC2\x85\xFF", true), "citt\xC3\xA0???");
}

// The Windows-1252 bytes whose UTF-8 form is not a plain shift: the euro and the other
// letters of 0x80-0x9F, the five bytes with no character, the no-break space and 0xFF.
// The text of a compiled file shows the undefined ones as U+FFFD; a quoted source line,
// where one character must stay one column, as '?'.
TEST(Cp1252ToUtf8Test, TrickyBytes) {
  const std::string kFffd = "\xEF\xBF\xBD";
  struct Case {
    unsigned char byte;
    std::string utf8;  // empty: no character
  };
  const Case cases[] = {
      {0x41, "A"},           {0x80, "\xE2\x82\xAC"}, {0x81, ""}, {0x8A, "\xC5\xA0"},
      {0x8D, ""},            {0x8F, ""},              {0x90, ""}, {0x9D, ""},
      {0x9F, "\xC5\xB8"},    {0xA0, "\xC2\xA0"},      {0xE0, "\xC3\xA0"},
      {0xFF, "\xC3\xBF"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.byte));
    const std::string one(1, static_cast<char>(c.byte));
    EXPECT_EQ(Cp1252ByteToUtf8(c.byte), c.utf8);
    EXPECT_EQ(Cp1252ToUtf8(one), c.utf8.empty() ? kFffd : c.utf8);
    EXPECT_EQ(LineForTerminal(one, false), c.utf8.empty() ? "?" : c.utf8);
  }
  const std::string text = std::string("a\x81\x80") + '\0' + "b";
  EXPECT_EQ(Cp1252ToUtf8(text), std::string("a") + kFffd + "\xE2\x82\xAC" + '\0' + "b");
}

}  // namespace
}  // namespace percorso
