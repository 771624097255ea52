#include "app/install_location.h"

#include <gtest/gtest.h>

#include <sstream>

#include "testing/temp_dir.h"

namespace percorso {
namespace {

// Which folders count as installed: the prefix's bin, the system's, and a bin laid out
// as an install below another root; a build folder or a folder of the user's does not.
TEST(InstallLocationTest, InstalledFoldersAreTheSystemsThePrefixsAndInstallLayouts) {
  TempDir dir;
  for (const char* folder : {"root/usr/libexec/percorso", "root/usr/bin", "build", "home/bin"}) {
    std::filesystem::create_directories(dir.path() / folder);
  }
  dir.Write("root/usr/libexec/percorso/percorso-serve", "");
  dir.Write("root/usr/bin/percorso", "");
  dir.Write("build/percorso-serve", "");  // a build folder: the server beside the program
  dir.Write("home/bin/percorso", "");     // a bin of the user's without the install around it
  const std::filesystem::path prefix_bin = dir.path() / "prefix" / "bin";
  struct Case {
    std::filesystem::path exe_dir;
    bool installed;
  } cases[] = {
      {"/usr/bin", true},
      {"/usr/local/bin", true},
      {"/usr/bin/", true},
      {"/usr/local/bin/../bin", true},
      {prefix_bin, true},
      {dir.path() / "prefix" / "sub" / ".." / "bin", true},
      {dir.path() / "root" / "usr" / "bin", true},
      {dir.path() / "build", false},
      {dir.path() / "home" / "bin", false},
      {dir.path(), false},
      {"/usr/lib", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsInstalledLocation(c.exe_dir, prefix_bin), c.installed) << c.exe_dir;
  }
}

TEST(InstallLocationTest, HintNamesTheFolderTheUsageAndTheBuildRunCommand) {
  std::ostringstream err;
  PrintInstalledNoArguments("/usr/bin", err);
  const std::string said = err.str();
  EXPECT_NE(said.find("/usr/bin"), std::string::npos);
  EXPECT_NE(said.find("nothing was written"), std::string::npos);
  EXPECT_NE(said.find("\nUsage: percorso COMMAND"), std::string::npos);
  EXPECT_NE(said.find("  percorso build-run --dir DIR\n"), std::string::npos);
}

}  // namespace
}  // namespace percorso
