// Texts written in every form the format allows (numbers set apart by blanks or tabs,
// quoted text fields holding commas, comments and headers of the author's own, CR LF and
// LF, Windows-1252 and UTF-8, body rows in any order, keywords in capitals) compile
// without an error and without a single warning. Each folder under testdata/legal_forms
// holds one pair of texts; a new legal form is a new folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/compile_command.h"

namespace percorso {
namespace {

namespace fs = std::filesystem;

TEST(LegalForms, CompileWithoutErrorOrWarning) {
  const fs::path root = fs::path(PERCORSO_SOURCE_DIR) / "testdata/legal_forms";
  std::vector<fs::path> cases;
  for (const fs::directory_entry& e : fs::directory_iterator(root))
    if (e.is_directory()) cases.push_back(e.path());
  ASSERT_FALSE(cases.empty()) << root;
  for (const fs::path& dir : cases) {
    SCOPED_TRACE(dir.filename().string());
    CompileOptions o;
    o.dir = dir;
    o.check = true;  // the fixtures are read only
    std::ostringstream out, err;
    const int status = RunCompile(o, out, err);
    EXPECT_EQ(status, kExitOk) << err.str();
    // The text form prints nothing but the summary line when there is nothing to say.
    EXPECT_EQ(err.str().find("warning"), std::string::npos) << err.str();
    EXPECT_EQ(err.str().rfind("result: no error", 0), 0u) << err.str();
  }
}

}  // namespace
}  // namespace percorso
