// The built-in report as a real browser shows it: headless Chromium renders the page,
// the test reads the rendered DOM and keeps a screenshot in the build folder.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "inspect/report.h"
#include "testing/test_scenario.h"
#include "testing/temp_dir.h"

namespace percorso {
namespace {

// The page's bytes are made and checked under the sanitizers by report_test; what the
// browser measures of them is the same in either build, so the sanitizer build does not
// start Chromium again.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// The three compiled files decoded, as `percorso report` reads them.
CompiledView ViewOf(const ScenarioFiles& f) {
  CompiledView v;
  v.cells = DecodeCellFile(f.cells).value;
  v.table = DecodeLineFile(f.line).value;
  v.plan = DecodePlanFile(f.plan).value;
  return v;
}

std::string FindChromium() {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "");
  for (std::string dir; std::getline(dirs, dir, ':');) {
    for (const char* name : {"chromium", "chromium-browser"}) {
      std::filesystem::path p = std::filesystem::path(dir) / name;
      if (::access(p.c_str(), X_OK) == 0) return p.string();
    }
  }
  return "";
}

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// The two Chromium runs of the test share one allowance, kept below the 300 s ctest gives
// the test: under `ctest -j` on a loaded machine one run may take far longer than it
// would alone, and only the whole needs bounding.
using Clock = std::chrono::steady_clock;
constexpr std::chrono::seconds kChromiumAllowance{270};

// The exit status `timeout` gives when it had to stop the command.
constexpr int kTimedOut = 124;

// Runs Chromium headless on `page` with the flags this machine needs and a fresh profile;
// `action` is --dump-dom or --screenshot=FILE. Stopped at `deadline` (and given at least
// 10 s). Returns the exit status.
int RunChromium(const std::string& chromium, const std::filesystem::path& profile,
                const std::filesystem::path& page, const std::string& action,
                const std::filesystem::path& stdout_file, Clock::time_point deadline) {
  std::filesystem::create_directories(profile);
  const long long left = std::max<long long>(
      10, std::chrono::duration_cast<std::chrono::seconds>(deadline - Clock::now()).count());
  std::string cmd = "timeout " + std::to_string(left) + " " + Quote(chromium) +
                    " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run"
                    " --disable-background-networking --disable-component-update --disable-sync"
                    " --hide-scrollbars --window-size=1280,3900 --user-data-dir=" +
                    Quote(profile.string()) + " " + action + " " +
                    Quote("file://" + page.string()) + " >" + Quote(stdout_file.string()) +
                    " 2>" + Quote(stdout_file.string() + ".log");
  int status = std::system(cmd.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The copy of a page the test measures draws its labels in "DejaVu Sans", one of the
// fonts the page names and the one `make deps-test` installs, so that the measure does
// not depend on what the machine picks for "system-ui". It goes into the head, so that
// the page's own script thins the labels in the font they are measured in.
constexpr const char* kProbeStyle = R"css(<style>
text.map-label, text.station-name, text.slow-label { font-family: "DejaVu Sans" !important; }
</style>)css";

// Measures the page as laid out: every pair of labels shown whose boxes overlap, and the
// drawn length of the map's track. Added to the end of a copy of the page, after the
// page's own script.
constexpr const char* kLayoutProbe = R"js(<script>
(function () {
  var labels = Array.from(document.querySelectorAll('text.map-label, text.station-name, text.slow-label'));
  var boxes = labels.map(function (t) { return t.getBoundingClientRect(); });
  var shown = boxes.filter(function (b) { return b.width > 0 && b.height > 0; }).length;
  var clashes = [];
  for (var i = 0; i < boxes.length; i++)
    for (var j = i + 1; j < boxes.length; j++) {
      var a = boxes[i], b = boxes[j];
      if (a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom)
        clashes.push(labels[i].textContent + ' / ' + labels[j].textContent);
    }
  var out = document.createElement('pre');
  out.id = 'probe';
  out.setAttribute('data-labels', String(shown));
  out.setAttribute('data-clashes', String(clashes.length));
  out.setAttribute('data-track-length', String(Math.round(document.getElementById('map-track').getTotalLength())));
  out.textContent = clashes.join('\n');
  document.body.appendChild(out);
})();
</script>)js";

TEST(ReportBrowserTest, BuiltinReportRendersInChromium) {
  if (kSanitized) GTEST_SKIP() << "measured in the release build";
  const std::string chromium = FindChromium();
  ASSERT_FALSE(chromium.empty())
      << "chromium is not installed, so the report cannot be checked in a browser; `make test` "
         "installs Debian's chromium package";

  // The font the labels are measured in must be there, or Chromium would measure another.
  ASSERT_EQ(std::system("fc-list 'DejaVu Sans' family | grep -q 'DejaVu Sans'"), 0)
      << "the font DejaVu Sans is not installed; `make deps-test` installs Debian's "
         "fonts-dejavu-core package";

  const Clock::time_point deadline = Clock::now() + kChromiumAllowance;
  const auto said = [](int status, const std::string& log) {
    return (status == kTimedOut ? "Chromium did not finish within the test's allowance of " +
                                      std::to_string(kChromiumAllowance.count()) + " s\n"
                                : std::string()) +
           log;
  };

  TempDir dir;
  const ScenarioFiles f = BuiltinScenario();
  dir.Write("Valdoro_Ostrano_55_report.html", RenderReport(ViewOf(f)));
  const std::filesystem::path page = dir.path() / "Valdoro_Ostrano_55_report.html";
  std::string probed = dir.Read(page.filename().string());
  probed.insert(probed.rfind("</body>"), kLayoutProbe);
  probed.insert(probed.find("</head>"), kProbeStyle);
  dir.Write("probed.html", probed);

  const std::filesystem::path dom_file = dir.path() / "dom.html";
  const int dumped = RunChromium(chromium, dir.path() / "profile-dom", dir.path() / "probed.html",
                                 "--dump-dom", dom_file, deadline);
  ASSERT_EQ(dumped, 0) << said(dumped, dir.Read("dom.html.log"));
  const std::string dom = dir.Read("dom.html");

  // The map's path, drawn and of some length on the page.
  EXPECT_TRUE(std::regex_search(dom, std::regex("<path id=\"map-track\" class=\"track\" d=\"M0,0 L")));
  std::smatch m;
  ASSERT_TRUE(std::regex_search(dom, m, std::regex("data-track-length=\"(\\d+)\""))) << dom.size();
  EXPECT_GT(std::stoi(m[1]), 100);
  // A mark for each of the 16 station slots, on the map and on the profile.
  for (const char* cls : {"station-mark", "profile-station"}) {
    std::set<int> slots;
    std::regex re(std::string("class=\"") + cls + "\" data-slot=\"(\\d+)\"");
    for (auto it = std::sregex_iterator(dom.begin(), dom.end(), re); it != std::sregex_iterator(); ++it) {
      slots.insert(std::stoi((*it)[1]));
    }
    std::set<int> expected;
    for (int k = 1; k <= 16; ++k) expected.insert(k);
    EXPECT_EQ(slots, expected) << cls;
  }
  // The profile's axes and step line.
  for (const char* id : {"id=\"km-axis\"", "id=\"speed-axis\"", "id=\"elevation-axis\"",
                         "<path id=\"speed-limit\" class=\"speed-line\" d=\"M"}) {
    EXPECT_NE(dom.find(id), std::string::npos) << id;
  }
  // No two labels overlap as the browser lays them out.
  ASSERT_TRUE(std::regex_search(dom, m, std::regex("data-labels=\"(\\d+)\" data-clashes=\"(\\d+)\"")));
  EXPECT_GE(std::stoi(m[1]), 13 + 13 + 2);  // station names on map and profile, start, end
  EXPECT_EQ(m[2], "0") << "overlapping labels:\n" << dom.substr(dom.find("<pre id=\"probe\""), 2000);

  // The screenshot, beside the test binary in the build folder, for people to look at.
  const std::filesystem::path png =
      std::filesystem::path(PERCORSO_EXE).parent_path() / "builtin_report.png";
  std::filesystem::remove(png);
  const int shot = RunChromium(chromium, dir.path() / "profile-shot", page,
                               "--screenshot=" + Quote(png.string()), dir.path() / "shot.txt",
                               deadline);
  ASSERT_EQ(shot, 0) << said(shot, dir.Read("shot.txt.log"));
  ASSERT_TRUE(std::filesystem::exists(png));
  std::ifstream in(png, std::ios::binary);
  char sig[8] = {};
  in.read(sig, 8);
  EXPECT_EQ(std::string(sig, 8), "\x89PNG\r\n\x1a\n");
  EXPECT_GT(std::filesystem::file_size(png), 50000u);
}

// Zooms the map by the mouse wheel and the profile by the keyboard, as a person would,
// and measures the labels shown before and after: none may overlap another.
constexpr const char* kZoomProbe = R"js(<script>
(function () {
  var selector = 'text.map-label, text.station-name, text.slow-label';
  function measure(prefix, out) {
    var shown = Array.from(document.querySelectorAll(selector)).map(function (t) {
      return t.getBoundingClientRect();
    }).filter(function (b) { return b.width > 0 && b.height > 0; });
    var clashes = 0;
    for (var i = 0; i < shown.length; i++)
      for (var j = i + 1; j < shown.length; j++) {
        var a = shown[i], b = shown[j];
        if (a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom) clashes++;
      }
    out.setAttribute('data-' + prefix + '-shown', String(shown.length));
    out.setAttribute('data-' + prefix + '-clashes', String(clashes));
    out.setAttribute('data-' + prefix + '-track', String(Math.round(
        document.getElementById('map-track').getBoundingClientRect().width)));
  }
  var out = document.createElement('pre');
  out.id = 'zoom-probe';
  measure('before', out);
  var map = document.getElementById('map-svg'), profile = document.getElementById('profile-svg');
  var r = map.getBoundingClientRect();
  for (var i = 0; i < 6; i++)
    map.dispatchEvent(new WheelEvent('wheel', { deltaY: -100, bubbles: true, cancelable: true,
                                                clientX: r.left + r.width * 0.4,
                                                clientY: r.top + r.height * 0.5 }));
  profile.focus();
  for (var k = 0; k < 8; k++)
    profile.dispatchEvent(new KeyboardEvent('keydown', { key: '+', bubbles: true, cancelable: true }));
  profile.dispatchEvent(new KeyboardEvent('keydown', { key: 'ArrowRight', bubbles: true, cancelable: true }));
  out.setAttribute('data-map-zoom', map.getAttribute('data-zoom-level'));
  out.setAttribute('data-profile-zoom', profile.getAttribute('data-zoom-level'));
  measure('after', out);
  document.body.appendChild(out);
})();
</script>)js";

int Attribute(const std::string& dom, const std::string& name) {
  std::smatch m;
  if (!std::regex_search(dom, m, std::regex(name + "=\"([0-9.]+)\""))) return -1;
  return static_cast<int>(std::stod(m[1]));
}

// The longest line's page, zoomed in Chromium: labels never overlap, before or after
// zooming, and zooming enlarges the drawing.
TEST(ReportBrowserTest, MaximalReportZoomsWithoutOverlappingLabels) {
  if (kSanitized) GTEST_SKIP() << "measured in the release build";
  const std::string chromium = FindChromium();
  ASSERT_FALSE(chromium.empty()) << "chromium is not installed; `make test` installs it";
  ASSERT_EQ(std::system("fc-list 'DejaVu Sans' family | grep -q 'DejaVu Sans'"), 0)
      << "the font DejaVu Sans is not installed";
  const Clock::time_point deadline = Clock::now() + kChromiumAllowance;

  TempDir dir;
  const ScenarioFiles f = MaxScenarioFiles();
  dir.Write("Linea_Massima_999_report.html", RenderReport(ViewOf(f)));
  std::string probed = dir.Read("Linea_Massima_999_report.html");
  EXPECT_LT(probed.size(), 1000u * 1000);
  probed.insert(probed.rfind("</body>"), kZoomProbe);
  probed.insert(probed.find("</head>"), kProbeStyle);
  dir.Write("probed.html", probed);

  const int dumped = RunChromium(chromium, dir.path() / "profile", dir.path() / "probed.html",
                                 "--dump-dom", dir.path() / "dom.html", deadline);
  ASSERT_EQ(dumped, 0) << dir.Read("dom.html.log");
  const std::string dom = dir.Read("dom.html");
  ASSERT_NE(dom.find("id=\"zoom-probe\""), std::string::npos) << dir.Read("dom.html.log");
  EXPECT_EQ(Attribute(dom, "data-before-clashes"), 0);
  EXPECT_EQ(Attribute(dom, "data-after-clashes"), 0);
  // Start, end and station names shown on both drawings at the whole line's zoom.
  EXPECT_GE(Attribute(dom, "data-before-shown"), 10);
  EXPECT_GE(Attribute(dom, "data-after-shown"), 2);
  EXPECT_GE(Attribute(dom, "data-map-zoom"), 8);      // 1.5 to the sixth
  EXPECT_GE(Attribute(dom, "data-profile-zoom"), 20);  // 1.5 to the eighth
  EXPECT_GT(Attribute(dom, "data-after-track"), 4 * Attribute(dom, "data-before-track"));
}

}  // namespace
}  // namespace percorso
