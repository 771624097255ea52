#include "lsp/positions.h"

#include <gtest/gtest.h>

#include "lsp/documents.h"

namespace percorso::lsp {
namespace {

// "é" is 2 UTF-8 bytes and 1 UTF-16 unit; "😀" is 4 bytes and 2 units (a surrogate pair).
constexpr std::string_view kLine = "a\xC3\xA9" "b\xF0\x9F\x98\x80" "c";  // a é b 😀 c

TEST(PositionsTest, CountsUtf16UnitsAndUtf8Bytes) {
  struct Case {
    size_t byte, utf16, utf8;
  } cases[] = {
      {0, 0, 0}, {1, 1, 1}, {3, 2, 3}, {4, 3, 4}, {8, 5, 8}, {9, 6, 9},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CharacterAt(kLine, c.byte, PositionEncoding::kUtf16), c.utf16) << c.byte;
    EXPECT_EQ(CharacterAt(kLine, c.byte, PositionEncoding::kUtf8), c.utf8) << c.byte;
    EXPECT_EQ(ByteAt(kLine, c.utf16, PositionEncoding::kUtf16), c.byte) << c.byte;
    EXPECT_EQ(ByteAt(kLine, c.utf8, PositionEncoding::kUtf8), c.byte) << c.byte;
  }
}

// Three-byte characters ("€", "–") are one UTF-16 unit each: columns after them must
// not drift.
TEST(PositionsTest, ThreeByteCharactersAreOneUnit) {
  constexpr std::string_view kEuro = "a\xE2\x82\xAC" "b\xE2\x80\x93" "c";  // a € b – c
  const std::pair<size_t, size_t> cases[] = {{0, 0}, {1, 1}, {4, 2}, {5, 3}, {8, 4}, {9, 5}};
  for (auto [byte, utf16] : cases) {
    EXPECT_EQ(CharacterAt(kEuro, byte, PositionEncoding::kUtf16), utf16) << byte;
    EXPECT_EQ(ByteAt(kEuro, utf16, PositionEncoding::kUtf16), byte) << byte;
  }
}

TEST(PositionsTest, CountsInsideACharacterFallOnItsStartAndPastTheEndOnTheEnd) {
  EXPECT_EQ(ByteAt(kLine, 4, PositionEncoding::kUtf16), 4u);   // middle of the surrogate pair
  EXPECT_EQ(ByteAt(kLine, 2, PositionEncoding::kUtf8), 1u);    // middle of "é"
  EXPECT_EQ(ByteAt(kLine, 99, PositionEncoding::kUtf16), kLine.size());
  EXPECT_EQ(CharacterAt(kLine, 2, PositionEncoding::kUtf16), 1u);
  EXPECT_EQ(CharacterAt(kLine, 99, PositionEncoding::kUtf8), kLine.size());
  // A stray continuation byte and a cut sequence count one unit a byte.
  EXPECT_EQ(CharacterAt("\x80\xC3", 2, PositionEncoding::kUtf16), 2u);
  EXPECT_EQ(ByteOfCodePoint(kLine, 3), 4u);
}

TEST(PositionsTest, LineIndexKnowsEveryKindOfLineEnd) {
  const LineIndex index("one\r\ntwo\nthree\rfour");
  ASSERT_EQ(index.count(), 4u);
  EXPECT_EQ(index.Line(0), "one");
  EXPECT_EQ(index.Line(1), "two");
  EXPECT_EQ(index.Line(2), "three");
  EXPECT_EQ(index.Line(3), "four");
  EXPECT_EQ(index.Line(9), "");
  EXPECT_EQ(index.OffsetOf({1, 1}, PositionEncoding::kUtf16), 6u);
  EXPECT_EQ(index.OffsetOf({1, 50}, PositionEncoding::kUtf16), 8u);  // clamped to the line
  EXPECT_EQ(index.OffsetOf({7, 0}, PositionEncoding::kUtf16), 19u);  // past the text: its end
}

TEST(PositionsTest, ChangesApplyInEitherEncoding) {
  std::string text = "x\xF0\x9F\x98\x80y\nsecond";
  ApplyChange(text, TextChange{Range{{0, 3}, {1, 0}}, "Z"}, PositionEncoding::kUtf16);
  EXPECT_EQ(text, "x\xF0\x9F\x98\x80Zsecond");
  ApplyChange(text, TextChange{Range{{0, 1}, {0, 5}}, ""}, PositionEncoding::kUtf8);
  EXPECT_EQ(text, "xZsecond");
  ApplyChange(text, TextChange{Range{{0, 5}, {0, 2}}, "-"}, PositionEncoding::kUtf8);  // end before start
  EXPECT_EQ(text, "xZsec-ond");
  ApplyChange(text, TextChange{std::nullopt, "all new"}, PositionEncoding::kUtf16);
  EXPECT_EQ(text, "all new");
}

TEST(DocumentNamesTest, UrisAndNamesOfTheTwoTexts) {
  EXPECT_EQ(PathOfUri("file:///r/a%20b/X_linea.txt"), "/r/a b/X_linea.txt");
  EXPECT_EQ(PathOfUri("FILE://localhost/r/x"), "/r/x");
  EXPECT_EQ(PathOfUri("untitled:1"), std::nullopt);
  EXPECT_EQ(PathOfUri("file://r/x"), std::nullopt);
  EXPECT_EQ(PathOfUri("file:///a%00b"), std::nullopt);
  EXPECT_EQ(PathOfUri("file:///a%4"), std::nullopt);
  EXPECT_EQ(UriOfPath("/r/a b/\xC3\xA9.txt"), "file:///r/a%20b/%C3%A9.txt");
  EXPECT_EQ(PathOfUri(UriOfPath("/r/a b%/x#y")), "/r/a b%/x#y");

  std::optional<TextName> linea = ParseTextName("Valdoro_Ostrano_linea.txt");
  ASSERT_TRUE(linea);
  EXPECT_EQ(linea->kind, TextKind::kLinea);
  EXPECT_EQ(linea->nome_linea, "Valdoro_Ostrano");
  std::vector<TextName> cuts = TrainNameCuts("Valdoro_Ostrano_55-.txt");
  ASSERT_EQ(cuts.size(), 2u);
  EXPECT_EQ(cuts[0].nome_linea, "Valdoro_Ostrano");
  EXPECT_EQ(cuts[0].numero_treno, "55");
  EXPECT_EQ(cuts[1].nome_linea, "Valdoro");
  EXPECT_EQ(cuts[1].numero_treno, "Ostrano_55");
  EXPECT_FALSE(ParseTextName("notes.txt"));
  EXPECT_FALSE(ParseTextName("_linea.txt"));
  EXPECT_FALSE(ParseTextName("A\x01_linea.txt"));  // a name the command line refuses
}

}  // namespace
}  // namespace percorso::lsp
