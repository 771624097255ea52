#include "base/file_io.h"

#include <gtest/gtest.h>

#include <fstream>

#include "testing/temp_dir.h"

namespace percorso {
namespace {

TEST(ReplaceFile, LongerOldFileLeavesNoByteBehindAndNoTemporary) {
  TempDir dir;
  auto path = dir.path() / "a.dat";
  ASSERT_FALSE(ReplaceFile(path, std::string(1000, 'x')));
  ASSERT_FALSE(ReplaceFile(path, "abc"));
  EXPECT_EQ(ReadWholeFile(path).bytes, "abc");
  EXPECT_EQ(dir.List(), std::vector<std::string>{"a.dat"});
}

TEST(ReplaceFile, DirectoryInTheWayIsAnErrorNamingTheFile) {
  TempDir dir;
  auto path = dir.path() / "a.dat";
  std::filesystem::create_directory(path);
  std::optional<IoError> e = ReplaceFile(path, "abc");
  ASSERT_TRUE(e);
  EXPECT_EQ(e->Message(), "cannot write " + path.string() + ": Is a directory");
  EXPECT_EQ(dir.List(), std::vector<std::string>{"a.dat"});
}

TEST(ReadWholeFile, TellsMissingFromUnreadable) {
  TempDir dir;
  EXPECT_EQ(ReadWholeFile(dir.path() / "none").status, ReadStatus::kMissing);
  std::filesystem::create_directory(dir.path() / "d");
  ReadResult r = ReadWholeFile(dir.path() / "d");
  EXPECT_EQ(r.status, ReadStatus::kFailed);
  EXPECT_EQ(r.error.reason, "Is a directory");
}

}  // namespace
}  // namespace percorso
