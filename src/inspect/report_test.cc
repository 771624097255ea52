#include "inspect/report.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <regex>

#include "testing/test_scenario.h"
#include "testing/temp_dir.h"
#include "model/track_plan.h"

namespace percorso {
namespace {

CompiledView ViewOf(const ScenarioFiles& f) {
  CompiledView v;
  v.cells = DecodeCellFile(f.cells).value;
  v.table = DecodeLineFile(f.line).value;
  auto plan = DecodePlanFile(f.plan);
  if (plan.ok()) v.plan = plan.value;
  return v;
}

// slot -> data-pos of every element with the given class that carries both.
std::map<int, int> Marks(const std::string& html, const std::string& cls) {
  std::map<int, int> marks;
  std::regex re("class=\"" + cls + "\" data-slot=\"(\\d+)\" data-pos=\"(-?\\d+)\"");
  for (auto it = std::sregex_iterator(html.begin(), html.end(), re); it != std::sregex_iterator(); ++it) {
    marks[std::stoi((*it)[1])] = std::stoi((*it)[2]);
  }
  return marks;
}

// The coordinates of a path's vertices ("M1,2 L3,4 ...").
std::vector<std::pair<double, double>> Vertices(const std::string& html, const std::string& id) {
  std::smatch m;
  std::regex path_re("id=\"" + id + "\"[^>]* d=\"([^\"]*)\"");
  std::vector<std::pair<double, double>> pts;
  if (!std::regex_search(html, m, path_re)) return pts;
  std::string d = m[1];
  std::regex pt_re("[ML](-?[0-9.]+),(-?[0-9.]+)");
  for (auto it = std::sregex_iterator(d.begin(), d.end(), pt_re); it != std::sregex_iterator(); ++it) {
    pts.push_back({std::stod((*it)[1]), std::stod((*it)[2])});
  }
  return pts;
}

class BuiltinReportTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    view_ = new CompiledView(ViewOf(BuiltinScenario()));
    html_ = new std::string(RenderReport(*view_));
  }
  static void TearDownTestSuite() {
    delete view_;
    delete html_;
  }
  static CompiledView* view_;
  static std::string* html_;
};
CompiledView* BuiltinReportTest::view_ = nullptr;
std::string* BuiltinReportTest::html_ = nullptr;

TEST_F(BuiltinReportTest, StationsStandWhereTheLineFilePutsThem) {
  const std::string& html = *html_;
  std::map<int, int> expected;
  for (int k = 1; k <= 16; ++k) expected[k] = view_->table.slot[static_cast<size_t>(k)].posizione;
  EXPECT_EQ(expected[1], 200);
  EXPECT_EQ(expected[16], 96900);
  EXPECT_EQ(Marks(html, "station-mark"), expected);         // on the map
  EXPECT_EQ(Marks(html, "profile-station"), expected);      // on the profile
  std::regex row_re("<tr data-slot=\"(\\d+)\" data-pos=\"(-?\\d+)\">");
  std::map<int, int> rows;
  for (auto it = std::sregex_iterator(html.begin(), html.end(), row_re); it != std::sregex_iterator(); ++it) {
    rows[std::stoi((*it)[1])] = std::stoi((*it)[2]);
  }
  EXPECT_EQ(rows, expected);  // in the table
  EXPECT_NE(html.find("<td>VALDORO C.LE</td>"), std::string::npos);
  EXPECT_NE(html.find("<td>OSTRANO C.R.V.</td>"), std::string::npos);
  EXPECT_NE(html.find("14:46:00"), std::string::npos);
  EXPECT_NE(html.find("15:46:00"), std::string::npos);
}

TEST_F(BuiltinReportTest, MapRunsFromTheOriginToThePlansLastComputedPoint) {
  const DecodedPlan& plan = *view_->plan;
  const int64_t last = plan.FilledPoints() - 1;
  ASSERT_EQ(last, 103898);
  std::vector<std::pair<double, double>> track = Vertices(*html_, "map-track");
  std::vector<std::pair<double, double>> runout = Vertices(*html_, "map-runout");
  ASSERT_GE(track.size(), 2u);
  ASSERT_GE(runout.size(), 2u);
  EXPECT_EQ(track.front(), (std::pair<double, double>{0, 0}));
  // The line ends at point 96900, where the run-out beyond it begins.
  EXPECT_NEAR(track.back().first, plan.x[96900].value, 0.05);
  EXPECT_NEAR(track.back().second, plan.y[96900].value, 0.05);
  EXPECT_EQ(runout.front(), track.back());
  EXPECT_NEAR(runout.back().first, plan.x[static_cast<size_t>(last)].value, 0.05);
  EXPECT_NEAR(runout.back().second, plan.y[static_cast<size_t>(last)].value, 0.05);
  // Thinned: a few hundred vertices stand for 103899 points.
  EXPECT_LT(track.size() + runout.size(), 5000u);
}

TEST_F(BuiltinReportTest, PageIsSelfContainedAndSmall) {
  const std::string& html = *html_;
  EXPECT_LT(html.size(), 400u * 1024);
  // Every "http://" in the page is the SVG namespace of an <svg> element: no link leaves it.
  const std::string kNamespace = "xmlns=\"http://www.w3.org/2000/svg\"";
  size_t urls = 0;
  for (size_t at = html.find("http://"); at != std::string::npos; at = html.find("http://", at + 1)) {
    ++urls;
    EXPECT_TRUE(at >= 7 && html.compare(at - 7, kNamespace.size(), kNamespace) == 0)
        << "at byte " << at << ": " << html.substr(at, 60);
  }
  EXPECT_GT(urls, 0u);  // the page has its SVG drawings
  EXPECT_EQ(html.find("https://"), std::string::npos);
  EXPECT_EQ(html.find(" src="), std::string::npos);
  EXPECT_EQ(html.find("<link"), std::string::npos);
  // One script, inline: the zoom of the drawings.
  const size_t script = html.find("<script");
  ASSERT_NE(script, std::string::npos);
  EXPECT_EQ(html.compare(script, 8, "<script>"), 0);
  EXPECT_EQ(html.find("<script", script + 1), std::string::npos);
  EXPECT_EQ(html.find("fetch("), std::string::npos);
  EXPECT_EQ(html.find("XMLHttpRequest"), std::string::npos);
  // The header's figures come from slots 84 to 86.
  EXPECT_NE(html.find("96.900 km"), std::string::npos);
  EXPECT_NE(html.find("14:45:20"), std::string::npos);
  EXPECT_NE(html.find("0.900 to 95.700 km, 4 codes"), std::string::npos);
}

// The longest line, loaded as densely as the texts allow: the page stays under 1 MB, its
// long tables say what they leave out, and its charts keep about two points a pixel.
TEST(ReportTest, MaximalScenarioPageIsUnderOneMegabyte) {
  const std::string html = RenderReport(ViewOf(MaxScenarioFiles()));
  EXPECT_LT(html.size(), 1000u * 1000) << html.size();
  EXPECT_NE(html.find(" more not shown: percorso dump Linea_Massima_999.dat lists every cell"),
            std::string::npos);
  for (const char* id : {"speed-limit", "elevation", "gradient"}) {
    const size_t at = html.find(std::string("id=\"") + id + "\"");
    ASSERT_NE(at, std::string::npos) << id;
    const size_t d = html.find(" d=\"", at) + 4;
    EXPECT_LT(html.find('"', d) - d, 120000u) << id;
  }
  if (const char* keep = std::getenv("PERCORSO_KEEP_MAX_PAGE")) WriteFile(keep, html);
  // Items too close to part on the drawing are marks that count them.
  EXPECT_NE(html.find(" signals from cell "), std::string::npos);
}

TEST(ReportTest, TextsAreConvertedAndEscaped) {
  std::string html = RenderReport(ViewOf(SmallScenario()));
  EXPECT_NE(html.find("B&lt;&amp;&gt;\xC3\xA8 &quot;Q&quot;"), std::string::npos);
  EXPECT_EQ(html.find("B<&>"), std::string::npos);
  EXPECT_NE(html.find("<span class=\"panel\"> GALLERIA</span><span class=\"panel\">  TEST  </span>"),
            std::string::npos);
  EXPECT_NE(html.find("<title>Piccola · train 7"), std::string::npos);
}

TEST(ReportTest, WithoutAPlanThereIsNoMapButTheRestStands) {
  ScenarioFiles f = SmallScenario();
  f.plan.clear();
  std::string html = RenderReport(ViewOf(f));
  EXPECT_EQ(html.find("id=\"map-track\""), std::string::npos);
  EXPECT_NE(html.find("compiled without a plan file"), std::string::npos);
  EXPECT_EQ(Marks(html, "profile-station"), (std::map<int, int>{{1, 200}, {2, 3000}}));
}

// The scheduled time of a station without one is a dash, not midnight.
TEST(ReportTest, StationWithoutScheduledTimeShowsADash) {
  const std::string html = RenderReport(ViewOf(SmallScenario()));
  std::smatch m;
  ASSERT_TRUE(std::regex_search(html, m, std::regex("<tr data-slot=\"2\"[^>]*>(.*?)</tr>")));
  EXPECT_NE(m[1].str().find("<td class=\"time\"><span class=\"muted\">—</span></td>"),
            std::string::npos) << m[1];
  EXPECT_EQ(html.find("00:00:00"), std::string::npos);
  EXPECT_NE(html.find("<td class=\"time\">14:46:00</td>"), std::string::npos);
}

}  // namespace
}  // namespace percorso
