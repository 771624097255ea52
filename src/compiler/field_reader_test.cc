#include "compiler/field_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace percorso {
namespace {

// Reads `bytes` by `plan` (t: text, i: int32, h: int16, b: byte) and writes what came
// out: [text], a number, or !past / !wide / !long for a failure; " $" once at the end.
std::string Transcript(std::string_view bytes, std::string_view plan) {
  FieldReader r(bytes);
  std::string out;
  for (char op : plan) {
    if (!out.empty()) out += ' ';
    std::optional<ReadFailure> e;
    if (op == 't') {
      TextField f;
      e = r.ReadText(&f);
      if (!e) out += "[" + std::string(f.text) + "]";
    } else {
      NumberWidth w = op == 'i'   ? NumberWidth::kInt32
                      : op == 'h' ? NumberWidth::kInt16
                                  : NumberWidth::kByte;
      NumberField f;
      e = r.ReadNumber(w, &f);
      if (!e) out += std::to_string(f.value);
    }
    if (e) {
      out += e->kind == ReadFailureKind::kPastEnd   ? "!past"
             : e->kind == ReadFailureKind::kTooWide ? "!wide"
                                                    : "!long";
    }
  }
  if (r.AtEnd()) out += " $";
  return out;
}

struct Case {
  const char* what;
  std::string bytes;
  const char* plan;
  const char* expect;
};

TEST(FieldReaderTest, CutsTextsIntoFields) {
  const Case cases[] = {
      {"numbers apart by blanks alone, trailing blank harmless",
       "orologio,    14              45            20 \r\nx", "thhht", "[orologio] 14 45 20 [x] $"},
      {"empty numeric fields read 0",
       "indicatori_vmax,  1350,  125,  135,  145,  0,  ,  ,  ,  0\r\n", "tiiiiiiiii",
       "[indicatori_vmax] 1350 125 135 145 0 0 0 0 0 $"},
      {"not a number reads 0", "abc, 12x, +7, -0, -, 1.5\r\n", "iiiiii", "0 0 7 0 0 0 $"},
      {"number at a line end", "5   \r\n6", "ii", "5 6 $"},
      {"quoted board text", "cartello_indicatore, 3350, \"(  BIVIO  )( SOLVERCI)\"\r\n[fine]",
       "titt", "[cartello_indicatore] 3350 [(  BIVIO  )( SOLVERCI)] [[fine]] $"},
      {"quoted text keeps commas and line ends; what follows the quote is ignored",
       "\"ab, c\r\nd\" junk, next\r\n", "tt", "[ab, c\r\nd] [next] $"},
      {"an unclosed quote runs to the end", "x, \"abc\r\ndef", "ttt", "[x] [abc\r\ndef] !past $"},
      {"unquoted text keeps trailing blanks", "  name  ,x", "tt", "[name  ] [x] $"},
      {"comment line without a comma is one field", "---------\r\npendenza, 100, 2\r\n", "ttii",
       "[---------] [pendenza] 100 2 $"},
      {"comment line with a comma gives a further field", "-- a, b\r\n", "tt", "[-- a] [b] $"},
      {"station name with a hyphen", "12, VELMORO - RUSA\r\n", "bt", "12 [VELMORO - RUSA] $"},
      {"the last field of a text, then past the end", "[fine]", "tt", "[[fine]] !past $"},
      {"only blanks left is one empty field", "a,   ", "tt", "[a] [] $"},
      {"an empty line is one empty field", "a\r\n\r\nb", "ttt", "[a] [] [b] $"},
      {"a comma before the line end leaves an empty field", "a,\r\nb", "ttt", "[a] [] [b] $"},
      {"LF, CR and CR LF each end a line", "a\nb\rc\r\nd\n\re", "tttttt",
       "[a] [b] [c] [d] [] [e] $"},
      {"byte width", "255, 256, -1, -0", "bbbb", "255 !wide !wide 0 $"},
      {"16-bit width", "32767, -32768, 32768, -32769", "hhhh", "32767 -32768 !wide !wide $"},
      {"32-bit width", "2147483647, -2147483648, 2147483648, -2147483649, 99999999999999999999999",
       "iiiii", "2147483647 -2147483648 !wide !wide !wide $"},
      {"nothing to read", "", "t", "!past $"},
  };
  for (const Case& c : cases) EXPECT_EQ(Transcript(c.bytes, c.plan), c.expect) << c.what;
}

// Whether a field counts as a number decides the not-a-number warning: a sign needs
// digits after it.
TEST(FieldReaderTest, OnlyDigitsMakeANumber) {
  const struct {
    const char* field;
    bool numeric;
  } cases[] = {{"+", false}, {"-", false}, {"", false},  {"12x", false}, {"- 5", false},
               {"+7", true}, {"-0", true}, {"0", true}, {"-12", true}};
  for (const auto& c : cases) {
    const std::string bytes = std::string(c.field) + "\r\n";
    FieldReader r(bytes);
    NumberField n;
    ASSERT_FALSE(r.ReadNumber(NumberWidth::kInt32, &n)) << c.field;
    EXPECT_EQ(n.numeric, c.numeric) << "field \"" << c.field << "\"";
  }
}

TEST(FieldReaderTest, TextFieldMustFitItsByteCount) {
  EXPECT_EQ(Transcript(std::string(kMaxTextField, 'a') + ",1", "ti"),
            "[" + std::string(kMaxTextField, 'a') + "] 1 $");
  const std::string long_field(kMaxTextField + 1, 'a');
  FieldReader r(long_field);
  TextField f;
  std::optional<ReadFailure> e = r.ReadText(&f);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->kind, ReadFailureKind::kTextTooLong);
  EXPECT_EQ(e->Message(), "text field of 65536 bytes is longer than 65535 bytes");
}

TEST(FieldReaderTest, EveryFieldKnowsItsLineAndColumn) {
  const std::string text = "ab, cd\r\n  \"e\r\nf\" , 12\n\t7\rz";
  FieldReader r(text);
  TextField t;
  NumberField n;
  ASSERT_FALSE(r.ReadText(&t));
  EXPECT_EQ(std::pair(t.line, t.column), std::pair(1, 1));
  ASSERT_FALSE(r.ReadText(&t));
  EXPECT_EQ(std::pair(t.line, t.column), std::pair(1, 5));
  ASSERT_FALSE(r.ReadText(&t));
  EXPECT_EQ(std::pair(t.line, t.column), std::pair(2, 3));
  ASSERT_FALSE(r.ReadNumber(NumberWidth::kInt32, &n));
  EXPECT_EQ(std::tuple(n.value, n.line, n.column), std::tuple(12, 3, 6));
  ASSERT_FALSE(r.ReadNumber(NumberWidth::kInt32, &n));
  EXPECT_EQ(std::tuple(n.value, n.line, n.column), std::tuple(7, 4, 2));
  ASSERT_FALSE(r.ReadText(&t));
  EXPECT_EQ(std::tuple(std::string(t.text), t.line, t.column), std::tuple("z", 5, 1));
  std::optional<ReadFailure> e = r.ReadText(&t);
  ASSERT_TRUE(e);
  EXPECT_EQ(std::tuple(e->line, e->column), std::tuple(5, 2));
  EXPECT_EQ(e->Message(), "the text ends where a field was expected");
}

TEST(FieldReaderTest, OverflowNamesTheValueAndTheWidth) {
  FieldReader r("  300,");
  NumberField n;
  std::optional<ReadFailure> e = r.ReadNumber(NumberWidth::kByte, &n);
  ASSERT_TRUE(e);
  EXPECT_EQ(std::tuple(e->line, e->column), std::tuple(1, 3));
  EXPECT_EQ(e->Message(), "value 300 does not fit a byte field (0 to 255)");
}

}  // namespace
}  // namespace percorso
