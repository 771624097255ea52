#include "format/decode.h"

#include <gtest/gtest.h>

#include <vector>

#include "testing/test_scenario.h"
#include "base/coding.h"

namespace percorso {
namespace {

TEST(DecodeTest, ReadsBackWhatTheEncodersWrite) {
  ScenarioFiles f = SmallScenario();

  auto cells = DecodeCellFile(f.cells);
  ASSERT_TRUE(cells.ok()) << cells.error->Describe();
  ASSERT_EQ(cells.value.size(), 201u);  // round((3000 + 7000) / 50) = 200
  EXPECT_EQ(cells.value[25].tipo, 1);
  EXPECT_EQ(cells.value[25].dato1, 41);
  EXPECT_EQ(cells.value[25].dato4, -4);  // signed 16-bit, two's complement
  EXPECT_EQ(cells.value[15].pendenza, 110);
  EXPECT_EQ(cells.value[1].dato1, 5121);

  auto line = DecodeLineFile(f.line);
  ASSERT_TRUE(line.ok()) << line.error->Describe();
  EXPECT_EQ(line.value.slot[1].inizio, -50);
  EXPECT_EQ(line.value.slot[1].orario, 53160);
  EXPECT_EQ(line.value.slot[2].nome, "B<&>\xE8 \"Q\"");
  EXPECT_EQ(line.value.slot[2].valore3, -7);
  EXPECT_EQ(line.value.slot[80].nome, "( GALLERIA)(  TEST  )");
  EXPECT_EQ(line.value.slot[86].valore5, 20);

  auto plan = DecodePlanFile(f.plan);
  ASSERT_TRUE(plan.ok()) << plan.error->Describe();
  EXPECT_EQ(plan.value.upper(), 10000);
  EXPECT_EQ(plan.value.FilledPoints(), 9999);  // points M-1 and M stay empty
  EXPECT_EQ(plan.value.x[1].tag, kPlanInt16);
  EXPECT_EQ(plan.value.y[1].value, 1.0);
  EXPECT_EQ(plan.value.y[1000].tag, kPlanDouble);
  EXPECT_EQ(plan.value.y[1000].value, 1000.0);
  EXPECT_GT(plan.value.x[1500].value, 100.0);  // turned right in the curve
  EXPECT_EQ(plan.value.x[10000].tag, kPlanEmpty);
}

std::string Tag(uint16_t tag) {
  std::string s;
  PutFixed16(&s, tag);
  return s;
}

struct BadInput {
  const char* label;
  char kind;  // 'c' cells, 'l' line, 'p' plan
  std::string bytes;
  size_t offset;
  const char* says;
};

std::optional<DecodeError> Decode(char kind, const std::string& bytes) {
  if (kind == 'c') return DecodeCellFile(bytes).error;
  if (kind == 'l') return DecodeLineFile(bytes).error;
  return DecodePlanFile(bytes).error;
}

TEST(DecodeTest, BrokenFilesGiveTheOffsetAndTheReason) {
  const ScenarioFiles f = SmallScenario();
  std::string huge_text = std::string(14, '\0') + "\xff\xff" + "abc";
  std::string line_extra = f.line + "X";
  std::string line_short = f.line.substr(0, f.line.size() - 1);
  std::string odd = Tag(0) + Tag(0) + Tag(0) + Tag(0) + Tag(0);
  // Component 0: int16, empty; component 1: int16, double.
  std::string mismatch = Tag(2) + std::string(2, '\0') + Tag(0) + Tag(2) + std::string(2, '\0') +
                         Tag(5) + std::string(8, '\0');
  const BadInput cases[] = {
      {"empty cell file", 'c', "", 0, "empty cell file"},
      {"cell file one byte short", 'c', f.cells.substr(0, f.cells.size() - 1), f.cells.size() - 15,
       "is not a multiple of 15: cell 200 has only 14"},
      {"cell file one byte long", 'c', f.cells + "x", f.cells.size(), "cell 201 has only 1"},
      {"empty line file", 'l', "", 0, "slot 0 of 87: tipo needs 1 byte, the file ends after 0"},
      {"text length past the end", 'l', huge_text, 16, "slot 0 of 87: nome needs 65535 bytes"},
      {"line file one byte short", 'l', line_short, f.line.size() - 4,
       "slot 86 of 87: orario needs 4 bytes, the file ends after 3"},
      {"byte after slot 86", 'l', line_extra, f.line.size(), "1 bytes left over after slot 86"},
      {"empty plan file", 'p', "", 0, "holds 0 elements"},
      {"unknown tag", 'p', Tag(2) + std::string(2, '\0') + Tag(3), 4, "element 1: unknown tag 3"},
      {"half a tag", 'p', Tag(0) + "\x05", 2, "element 1: an element tag needs 2 bytes"},
      {"double cut short", 'p', Tag(0) + Tag(5) + "1234567", 4, "element 1: a double value needs 8"},
      {"odd element count", 'p', odd, odd.size(), "odd number of elements (5)"},
      {"components disagree", 'p', mismatch, 10, "point 1: component 1 is double but component 0 is empty"},
  };
  for (const BadInput& c : cases) {
    SCOPED_TRACE(c.label);
    std::optional<DecodeError> e = Decode(c.kind, c.bytes);
    ASSERT_TRUE(e.has_value());
    EXPECT_EQ(e->offset, c.offset) << e->message;
    EXPECT_NE(e->message.find(c.says), std::string::npos) << e->message;
  }
}

TEST(DecodeTest, EveryCutOfAValidFileIsRefusedWithAnOffsetInsideIt) {
  const ScenarioFiles f = SmallScenario();
  // The cuts that still make a file, worked out from the layouts:
  // - cells: any whole number of 15-byte cells, at least one;
  // - line: none, the 87 slots have no cut short of the whole;
  // - plan: the x component begins with points 0 and 1 as int16 (4 bytes each: tag and
  //   value), then doubles (10 bytes each). A cut is a plan when it ends on an element
  //   boundary, holds an even number 2k of elements, and element j has the tag of element
  //   k + j. After 8 bytes (two int16) that holds; after 2k >= 4 elements element 0 is an
  //   int16 and element k >= 2 a double, so it never does again. Only the plan's first
  //   3000 bytes are cut: they hold every kind of element, and the whole would take long.
  const std::pair<char, std::string> files[] = {
      {'c', f.cells.substr(0, 400)}, {'l', f.line}, {'p', f.plan.substr(0, 3000)}};
  for (const auto& [kind, bytes] : files) {
    std::vector<size_t> accepted;
    for (size_t n = 0; n < bytes.size(); ++n) {
      std::optional<DecodeError> e = Decode(kind, bytes.substr(0, n));
      if (!e) {
        accepted.push_back(n);
        continue;
      }
      EXPECT_LE(e->offset, n) << kind << " cut at " << n;
    }
    std::vector<size_t> expected;
    if (kind == 'c')
      for (size_t n = 15; n < bytes.size(); n += 15) expected.push_back(n);
    if (kind == 'p') expected = {8};
    EXPECT_EQ(accepted, expected) << kind;
  }
}

}  // namespace
}  // namespace percorso
