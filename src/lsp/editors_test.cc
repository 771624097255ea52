// The editor support end to end: Neovim's built-in client against the real server, and
// the TextMate grammar against its test cases. Both tools are installed by the test
// set-up (`make deps-test`): neovim from Debian, the grammar tester from npm into
// out/npm.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "testing/subprocess.h"
#include "testing/temp_dir.h"

namespace percorso {
namespace {

namespace fs = std::filesystem;

std::string SourcePath(const std::string& rel) { return std::string(PERCORSO_SOURCE_DIR) + "/" + rel; }

TEST(EditorsTest, NeovimSeesDiagnosticsHoverAndStationsFromTheServer) {
  ASSERT_TRUE(fs::exists("/usr/bin/nvim")) << "neovim is missing: run make deps-test";
  TempDir tmp;
  const fs::path routes = tmp.path() / "routes";
  ProcessRequest export_request;
  export_request.argv = {PERCORSO_EXE, "export", "--dir", routes.string()};
  ProcessResult exported = RunProcess(export_request);
  ASSERT_EQ(exported.status, 0) << exported.err;

  // Neovim keeps its state, logs and caches under the scratch directory.
  const std::string home = tmp.path().string();
  ProcessRequest nvim;
  nvim.argv = {"/usr/bin/nvim", "--headless", "-u", "NONE", "-i", "NONE", "-n", "-c",
               "luafile " + SourcePath("editors/vim/test/lsp_test.lua")};
  nvim.cwd = tmp.path();
  nvim.env = std::vector<std::string>{"PATH=/usr/bin:/bin", "HOME=" + home, "XDG_CONFIG_HOME=" + home,
                                "XDG_DATA_HOME=" + home, "XDG_CACHE_HOME=" + home,
                                "XDG_STATE_HOME=" + home, std::string("PERCORSO_EXE=") + PERCORSO_EXE,
                                "ROUTES=" + routes.string()};
  ProcessResult r = RunProcess(nvim);
  EXPECT_EQ(r.status, 0) << "stdout:\n" << r.out << "\nstderr:\n" << r.err;
  EXPECT_NE(r.out.find("ok: the outline holds 16 stations"), std::string::npos) << r.out;
}

TEST(EditorsTest, TheTextMateGrammarPassesItsTestCases) {
  const std::string tester = SourcePath("out/npm/node_modules/.bin/vscode-tmgrammar-test");
  ASSERT_TRUE(fs::exists(tester)) << "the grammar tester is missing: run make deps-test";
  ProcessRequest grammar;
  grammar.argv = {tester, "-g", SourcePath("editors/textmate/percorso.tmLanguage.json"),
                  SourcePath("editors/textmate/test/rows.test.percorso")};
  grammar.cwd = PERCORSO_SOURCE_DIR;
  grammar.env = std::vector<std::string>{"PATH=/usr/bin:/bin", "HOME=/nonexistent"};
  ProcessResult r = RunProcess(grammar);
  EXPECT_EQ(r.status, 0) << r.out << r.err;
}

}  // namespace
}  // namespace percorso
