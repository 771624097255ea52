#include "compiler/scenario_codes.h"

#include <gtest/gtest.h>

#include <string>

namespace percorso {
namespace {

TEST(ScenarioCodes, WorkedExamplesReadFromTheLineTable) {
  struct Row {
    const char* treno;
    const char* linea;
    const char* text;
    int32_t og;
    int32_t st;
  };
  const Row rows[] = {
      {"1", "Ab", "1abaabbccddeeffgghhiillmm", 2496, 33703},
      {"", "", "aabbccddeeffgghhiillmmnno", 2583, 34355},
      {"55", "Valdoro_Ostrano", "55valdoro_ostranoaabbccdd", 2522, 33448},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.treno) + "/" + r.linea);
    LineTable t;
    t.slot[kTrainIdentitySlot].nome = r.treno;
    t.slot[kLineIdentitySlot].nome = r.linea;
    EXPECT_EQ(CodeText(r.treno, r.linea), r.text);
    EXPECT_EQ(ComputeCodeOg(t), r.og);
    EXPECT_EQ(ComputeCodeSt(t), r.st);
  }
}

TEST(ScenarioCodes, OnlyTheFirst25CharactersCount) {
  // 10 + 15 = 25 characters: no fill, and whatever follows the 25th is ignored.
  EXPECT_EQ(CodeText("1234567890", "abcdefghijklmno"), "1234567890abcdefghijklmno");
  EXPECT_EQ(CodeText("1234567890", "abcdefghijklmnoXYZ"), "1234567890abcdefghijklmno");
  EXPECT_EQ(ComputeCodeSt("1234567890", "abcdefghijklmnoP"),
            ComputeCodeSt("1234567890", "abcdefghijklmnoQ"));
}

TEST(ScenarioCodes, CaseOrderAndBoundary) {
  EXPECT_EQ(ComputeCodeOg("7", "AB"), ComputeCodeOg("7", "ab"));
  EXPECT_EQ(ComputeCodeSt("7", "AB"), ComputeCodeSt("7", "ab"));
  // The plain sum ignores the order, the weighted one does not.
  EXPECT_EQ(ComputeCodeOg("ab", "12"), ComputeCodeOg("12", "ab"));
  EXPECT_NE(ComputeCodeSt("ab", "12"), ComputeCodeSt("12", "ab"));
  // Where the train number ends and the line name begins does not matter.
  EXPECT_EQ(ComputeCodeOg("1", "2ab"), ComputeCodeOg("12", "ab"));
  EXPECT_EQ(ComputeCodeSt("1", "2ab"), ComputeCodeSt("12", "ab"));
}

TEST(ScenarioCodes, BytesAboveAsciiCountUnsignedAndUnlowered) {
  // 0xC8 is an upper-case accented letter in Windows-1252: it is neither lowered nor
  // taken as a negative char.
  EXPECT_EQ(CodeText("", "\xC8"), "\xC8" "aabbccddeeffgghhiillmmnn");
  EXPECT_EQ(ComputeCodeOg("", "\xC8"), 2583 - 'o' + 200);
  // The largest codes fit their places: 6375 and 82875.
  const std::string top(25, '\xFF');
  EXPECT_EQ(ComputeCodeOg(top, ""), 6375);
  EXPECT_EQ(ComputeCodeSt(top, ""), 82875);
}

}  // namespace
}  // namespace percorso
