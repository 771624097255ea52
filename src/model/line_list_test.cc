#include "model/line_list.h"

#include <gtest/gtest.h>

#include "testing/temp_dir.h"

namespace percorso {
namespace {

using Names = std::vector<std::string>;

TEST(WriteLines, ReplacesALongerFileWholeAndKeepsBlanks) {
  TempDir dir;
  dir.Write("t.txt", std::string(5000, 'x') + "\r\n");
  constexpr std::string_view rows[] = {"ab", "", "  c ", kEndMarker};
  ASSERT_FALSE(WriteLines(dir.path(), "t.txt", rows));
  EXPECT_EQ(dir.Read("t.txt"), "ab\r\n\r\n  c \r\n");
  EXPECT_EQ(dir.List(), Names{"t.txt"});
}

TEST(WriteLines, CreatesAMissingFile) {
  TempDir dir;
  constexpr std::string_view rows[] = {"uno", kEndMarker};
  ASSERT_FALSE(WriteLines(dir.path(), "nuovo.txt", rows));
  EXPECT_EQ(dir.Read("nuovo.txt"), "uno\r\n");
}

TEST(WriteLines, EndMarkerEndsTheTextWhereverItStands) {
  struct Case {
    std::vector<std::string_view> rows;
    std::string bytes;
  };
  const Case cases[] = {
      {{"a", "", kEndMarker, "b", kEndMarker}, "a\r\n\r\n"},
      {{kEndMarker, "a"}, ""},
      {{"", kEndMarker}, "\r\n"},
      // Only the exact marker counts: other case or a trailing blank make an ordinary line.
      {{"Riferimento fine del file", "riferimento fine del file ", kEndMarker},
       "Riferimento fine del file\r\nriferimento fine del file \r\n"},
      // A list without the marker stops at its end.
      {{"a", "b"}, "a\r\nb\r\n"},
      {{}, ""},
  };
  for (const Case& c : cases) {
    TempDir dir;
    ASSERT_FALSE(WriteLines(dir.path(), "t.txt", c.rows));
    EXPECT_EQ(dir.Read("t.txt"), c.bytes) << "first row: " << (c.rows.empty() ? "-" : c.rows[0]);
  }
}

TEST(WriteLines, WritesEachCharacterAsOneByteWithoutMark) {
  TempDir dir;
  constexpr std::string_view rows[] = {"\xE8 perch\xE9", kEndMarker};
  ASSERT_FALSE(WriteLines(dir.path(), "t.txt", rows));
  EXPECT_EQ(dir.Read("t.txt"), std::string("\xE8 perch\xE9\r\n"));
}

TEST(WriteLines, ReportsAFileItCannotWrite) {
  TempDir dir;
  std::filesystem::create_directory(dir.path() / "t.txt");
  constexpr std::string_view rows[] = {"a", kEndMarker};
  std::optional<IoError> e = WriteLines(dir.path(), "t.txt", rows);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->path, (dir.path() / "t.txt").string());
}

}  // namespace
}  // namespace percorso
