#include "app/report_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "testing/test_scenario.h"
#include "testing/temp_dir.h"

namespace percorso {
namespace {

struct ReportRun {
  int status;
  std::string out, err;
};

ReportRun Report(const ReportOptions& o) {
  std::ostringstream out, err;
  int status = RunReport(o, out, err);
  return {status, out.str(), err.str()};
}

TEST(ReportTest, CommandFindsTheScenarioAndWritesBesideIt) {
  TempDir dir;
  const ScenarioFiles f = SmallScenario();
  dir.Write("Piccola_7.dat", f.cells);
  dir.Write("Piccola_7.sim", f.line);
  dir.Write("Piccola_linea.dat", f.plan);
  ReportRun r = Report(ReportOptions{dir.path(), "", "", "", ""});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "wrote " + (dir.path() / "Piccola_7_report.html").string() + "\n");
  EXPECT_NE(dir.Read("Piccola_7_report.html").find("id=\"map-track\""), std::string::npos);

  ReportRun to = Report(ReportOptions{dir.path(), "Piccola", "7", dir.path() / "elsewhere.html", ""});
  EXPECT_EQ(to.status, 0) << to.err;
  EXPECT_EQ(dir.Read("elsewhere.html"), dir.Read("Piccola_7_report.html"));
}

TEST(ReportTest, CommandRefusesBadNamesMissingAndBrokenFiles) {
  TempDir dir;
  const ScenarioFiles f = SmallScenario();
  dir.Write("Piccola_7.dat", f.cells);
  dir.Write("Piccola_7.sim", f.line);
  dir.Write("Piccola_8.sim", f.line);  // no cell file: not a compiled scenario
  dir.Write("Piccola_9.sim", f.line);
  dir.Write("Piccola_9.dat", f.cells);
  dir.Write("Piccola_linea.dat", f.plan.substr(0, 5));
  struct Case {
    ReportOptions options;
    int status;
    std::string says;
  } cases[] = {
      {{dir.path(), "", "", "", ""},
       2,
       "several compiled scenarios in " + dir.path().string() +
           ": Piccola_7.sim Piccola_9.sim; choose one"},
      {{dir.path(), "Other", "", "", ""}, 2, "no compiled scenario"},
      {{dir.path(), "../Piccola", "7", "", ""}, 2, "cannot be a line name"},
      {{dir.path(), "Piccola", "8", "", ""}, 3, "cannot read"},  // no Piccola_8.dat
      {{dir.path(), "Piccola", "7", "", ""}, 1, "Piccola_linea.dat: byte 4: element 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.says);
    ReportRun r = Report(c.options);
    EXPECT_EQ(r.status, c.status);
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
  }
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "Piccola_7_report.html"));
}

// A page that cannot be written is an error naming the page and the reason, with exit
// status 1; nothing is said on standard output and whatever stood in the way is left.
TEST(ReportTest, PageThatCannotBeWrittenIsAnErrorNamingIt) {
  TempDir dir;
  const ScenarioFiles f = SmallScenario();
  dir.Write("Piccola_7.dat", f.cells);
  dir.Write("Piccola_7.sim", f.line);
  dir.Write("Piccola_linea.dat", f.plan);
  std::filesystem::create_directory(dir.path() / "Piccola_7_report.html");
  struct Case {
    const char* what;
    std::filesystem::path out;  // empty: beside the scenario
    std::filesystem::path page;
    const char* reason;
  };
  const Case cases[] = {
      {"a directory where the page should be", "", dir.path() / "Piccola_7_report.html",
       "Is a directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ReportRun r = Report(ReportOptions{dir.path(), "Piccola", "7", c.out, ""});
    EXPECT_EQ(r.status, 3);  // a file that cannot be written
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "percorso report: cannot write " + c.page.string() + ": " + c.reason + "\n");
  }
  EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "Piccola_7_report.html"));
}

// --out DIR puts the page into DIR and -o FILE names it; either creates the directories
// it needs, and a file standing where one must be is an error naming it (status 3).
TEST(ReportTest, OutAndOutputCreateTheDirectoriesTheyNeed) {
  TempDir dir;
  const ScenarioFiles f = SmallScenario();
  dir.Write("Piccola_7.dat", f.cells);
  dir.Write("Piccola_7.sim", f.line);
  dir.Write("Piccola_linea.dat", f.plan);
  dir.Write("plain", "not a directory");
  const std::filesystem::path into = dir.path() / "pages" / "deep";
  ReportRun out = Report(ReportOptions{dir.path(), "", "", "", into});
  ASSERT_EQ(out.status, 0) << out.err;
  EXPECT_EQ(out.out, "wrote " + (into / "Piccola_7_report.html").string() + "\n");
  const std::string page = dir.Read("pages/deep/Piccola_7_report.html");
  EXPECT_NE(page.find("id=\"map-track\""), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "Piccola_7_report.html"));

  ReportRun named = Report(ReportOptions{dir.path(), "", "", dir.path() / "new" / "r.html", ""});
  ASSERT_EQ(named.status, 0) << named.err;
  EXPECT_EQ(dir.Read("new/r.html"), page);

  for (const ReportOptions& o : {ReportOptions{dir.path(), "", "", "", dir.path() / "plain" / "x"},
                                 ReportOptions{dir.path(), "", "", dir.path() / "plain" / "r.html", ""}}) {
    ReportRun r = Report(o);
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err.rfind("percorso report: cannot create directory " +
                              (dir.path() / "plain").string(), 0), 0u) << r.err;
  }
}

// A directory with texts but nothing compiled: the message says to compile them first;
// an empty one says only that there is no compiled scenario.
TEST(ReportTest, TextsWithoutCompiledFilesSayToCompileFirst) {
  TempDir dir;
  dir.Write("Colle_linea.txt", "");
  dir.Write("Colle_7-.txt", "");
  ReportRun r = Report(ReportOptions{dir.path(), "", "", "", ""});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "percorso report: no compiled scenario (NAME_NUMBER.sim with NAME_NUMBER.dat) in " +
                       dir.path().string() + "; it holds the texts Colle_linea.txt and Colle_7-.txt: " +
                       "compile them first (percorso compile --dir " + dir.path().string() + ")\n");
  TempDir empty;
  ReportRun none = Report(ReportOptions{empty.path(), "", "", "", ""});
  EXPECT_EQ(none.status, 2);
  EXPECT_EQ(none.err, "percorso report: no compiled scenario (NAME_NUMBER.sim with NAME_NUMBER.dat) in " +
                          empty.path().string() + "\n");
}

}  // namespace
}  // namespace percorso
