// `percorso serve` as an author uses it: the real program serves the exported texts, a
// real browser (Debian's headless Chromium) shows the page, and the texts are saved on
// disk the way editors save them. The page follows each save without reloading: a
// renamed station, a broken row with its line, the row mended.
#include <gtest/gtest.h>

#include <regex>

#include "serve/browser_for_test.h"
#include "testing/subprocess.h"
#include "testing/temp_dir.h"

namespace percorso {
namespace {

ProcessResult RunArgs(std::vector<std::string> argv) {
  ProcessRequest request;
  request.argv = std::move(argv);
  return RunProcess(request);
}

constexpr auto kStart = std::chrono::seconds(60);  // a cold browser on a loaded machine
// From a save to the page showing it: a deadline that only a page that never follows
// misses, on a loaded machine and under the sanitizers alike. How fast it follows is
// measured by the benchmark BM_ServeSaveToPage (bench/serve_bench.cc) and printed here.
constexpr auto kUpdate = std::chrono::seconds(30);

// Saves `bytes` as an editor does: written beside, then renamed over the text.
void SaveLikeAnEditor(const std::filesystem::path& file, const std::string& bytes) {
  const std::filesystem::path aside = file.string() + ".new";
  WriteFile(aside, bytes);
  std::filesystem::rename(aside, file);
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

int LineOf(const std::string& text, const std::string& what) {
  size_t at = text.find(what);
  return 1 + static_cast<int>(std::count(text.begin(), text.begin() + static_cast<long>(at), '\n'));
}

TEST(ServeBrowserTest, PageFollowsEverySaveWithoutReloading) {
  const std::string chromium = FindChromiumOnPath();
  ASSERT_FALSE(chromium.empty())
      << "chromium is not installed, so the live page cannot be checked in a browser; `make "
         "test` installs Debian's chromium package";
  TempDir dir;
  const std::filesystem::path routes = dir.path() / "routes";
  ProcessResult exported = RunArgs({PERCORSO_EXE, "export", "--dir", routes.string()});
  ASSERT_EQ(exported.status, 0) << exported.err;
  const std::filesystem::path treno_file = routes / "Valdoro_Ostrano_55-.txt";
  const std::string treno = ReadFile(treno_file);

  PipedProcess serve({PERCORSO_EXE, "serve", "--dir", routes.string(), "--port", "0"},
                     dir.path() / "serve.err");
  std::optional<std::string> banner = serve.ReadLine(kStart);
  ASSERT_TRUE(banner) << ReadFile(dir.path() / "serve.err");
  std::smatch url;
  ASSERT_TRUE(std::regex_search(*banner, url, std::regex("http://127\\.0\\.0\\.1:[0-9]+/")))
      << *banner;
  std::optional<std::string> first = serve.ReadLine(kStart);
  ASSERT_TRUE(first);
  EXPECT_TRUE(std::regex_search(*first, std::regex("^\\d\\d:\\d\\d:\\d\\d compiled in [0-9.]+ ms: no error$")))
      << *first;

  Browser browser(chromium, dir.path() / "profile", dir.path() / "chromium.log");
  ASSERT_TRUE(browser.Open(url.str())) << browser.error() << ReadFile(dir.path() / "chromium.log");
  ASSERT_TRUE(browser.WaitFor("document.getElementById('serve-link') !== null && "
                              "document.getElementById('serve-link').textContent === 'live' && "
                              "document.body.textContent.includes('PIANOSCURO')",
                              kStart))
      << ReadFile(dir.path() / "chromium.log");
  // A mark that a reload would wipe, and a scroll position that must be kept.
  browser.Eval("window.percorsoMark = 'not reloaded'; window.scrollTo(0, 1200); true");
  const nlohmann::json scrolled = browser.Eval("window.scrollY");
  ASSERT_TRUE(scrolled.is_number());
  ASSERT_GT(scrolled.get<double>(), 0.0);

  // Each save is waited for by the page's generation, which is cheap to read; what the
  // page then shows is checked once.
  int generation = browser.Eval("Number(document.documentElement.getAttribute('data-generation'))");
  auto next_update = [&](const char* what) {
    ++generation;
    std::optional<std::chrono::microseconds> took = browser.WaitFor(
        "Number(document.documentElement.getAttribute('data-generation')) >= " +
            std::to_string(generation),
        kUpdate);
    if (took) std::printf("save to updated page (%s): %.1f ms\n", what, took->count() / 1000.0);
    return took.has_value();
  };

  // 1. A station renamed.
  const std::string renamed = Replace(treno, "PIANOSCURO", "PIANOCHIARO");
  SaveLikeAnEditor(treno_file, renamed);
  ASSERT_TRUE(next_update("station renamed")) << "the page was not updated in time";
  EXPECT_EQ(browser.Eval("document.body.textContent.includes('PIANOCHIARO') && "
                         "!document.body.textContent.includes('PIANOSCURO')"),
            true);
  EXPECT_EQ(browser.Eval("window.percorsoMark"), "not reloaded");
  EXPECT_EQ(browser.Eval("window.scrollY"), scrolled);
  std::optional<std::string> log_line = serve.ReadLine(kStart);
  ASSERT_TRUE(log_line);
  EXPECT_NE(log_line->find("compiled in"), std::string::npos) << *log_line;

  // 2. A row broken: a station off the 50 m grid. The error shows with its place; the
  // drawing stays, marked stale.
  const int line = LineOf(renamed, "stazione,    6700,");
  SaveLikeAnEditor(treno_file, Replace(renamed, "stazione,    6700,", "stazione,    6710,"));
  ASSERT_TRUE(next_update("row broken")) << "the page was not updated in time";
  const std::string where = "Valdoro_Ostrano_55-.txt:" + std::to_string(line) + ":";
  EXPECT_EQ(browser.Eval("(function () { var d = document.querySelectorAll('#serve-status .diagnostic');"
                         " return d.length === 1 && d[0].getAttribute('data-line') === '" +
                         std::to_string(line) + "' && d[0].textContent.includes('" + where +
                         "') && d[0].textContent.includes('error 8'); })()"),
            true)
      << browser.Eval("document.getElementById('serve-status').textContent");
  EXPECT_EQ(browser.Eval("document.getElementById('serve-main').classList.contains('stale')"), true);
  EXPECT_EQ(browser.Eval("document.body.textContent.includes('PIANOCHIARO')"), true);
  log_line = serve.ReadLine(kStart);
  ASSERT_TRUE(log_line);
  EXPECT_NE(log_line->find("1 error; first: " + (routes / "Valdoro_Ostrano_55-.txt").string() + ":" +
                           std::to_string(line) + ":"),
            std::string::npos)
      << *log_line;

  // 3. Mended: the error goes, the drawing is fresh again.
  SaveLikeAnEditor(treno_file, renamed);
  ASSERT_TRUE(next_update("row mended")) << "the page was not updated in time";
  EXPECT_EQ(browser.Eval("document.querySelector('#serve-status .diagnostic') === null && "
                         "!document.getElementById('serve-main').classList.contains('stale')"),
            true);
  EXPECT_EQ(browser.Eval("window.percorsoMark"), "not reloaded");

  // Ctrl-C ends it cleanly.
  EXPECT_EQ(serve.Stop(SIGINT, std::chrono::seconds(30)), 0) << ReadFile(dir.path() / "serve.err");
}

}  // namespace
}  // namespace percorso
