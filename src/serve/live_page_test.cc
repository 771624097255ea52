// The page between compiles: a drawing is kept, marked stale, while the texts have an
// error that stops the load; diagnostics are escaped and placed; the change sent to open
// pages says whether the drawing changed.
#include "serve/live_page.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace percorso {
namespace {

PageBuild Drawn(const std::string& drawing) {
  PageBuild b;
  b.drawing = drawing;
  b.title = "L · train 1";
  b.complete = true;
  return b;
}

PageBuild Broken(std::optional<std::string> partial_drawing) {
  PageBuild b;
  b.drawing = std::move(partial_drawing);
  b.title = "L · train 1";
  b.complete = false;
  PageDiagnostic d;
  d.code = "8";
  d.file = "r/L_1-.txt";
  d.line = 12;
  d.column = 5;
  d.message = "position <not> a multiple of 50 & more";
  d.source_line = "ab\tc\xC3\xA8xyz";
  b.diagnostics.push_back(d);
  return b;
}

nlohmann::json Change(const PageSnapshot& s) { return nlohmann::json::parse(s.event); }

TEST(LivePageTest, KeepsTheLastWholeDrawingStaleWhileTheTextsAreBroken) {
  LivePage page("L · train 1");
  auto first = page.Update(Drawn("<p>FIRST</p>"), "10:00:00");
  nlohmann::json c1 = Change(*first);
  EXPECT_EQ(c1["generation"], 1);
  EXPECT_EQ(c1["stale"], false);
  EXPECT_EQ(c1["main"], "<p>FIRST</p>");
  EXPECT_NE(first->document.find("<main id=\"serve-main\"><p>FIRST</p></main>"), std::string::npos);

  // The load stopped half-way: its half drawing does not replace the whole one.
  auto broken = page.Update(Broken("<p>HALF</p>"), "10:00:05");
  nlohmann::json c2 = Change(*broken);
  EXPECT_EQ(c2["generation"], 2);
  EXPECT_EQ(c2["stale"], true);
  EXPECT_EQ(c2["drawing"], c1["drawing"]);  // open pages keep what they show
  EXPECT_EQ(c2["main"], "<p>FIRST</p>");
  EXPECT_NE(broken->document.find("<main id=\"serve-main\" class=\"stale\"><p>FIRST</p>"),
            std::string::npos);
  const std::string status = c2["status"];
  EXPECT_NE(status.find("data-errors=\"1\""), std::string::npos);
  EXPECT_NE(status.find("from 10:00:00"), std::string::npos) << status;
  // Place, code and message, escaped; the quoted line with a caret under column 5 (the
  // tab kept, "è" one character).
  EXPECT_NE(status.find("<li class=\"diagnostic error\" data-line=\"12\"><span class=\"where\">"
                        "r/L_1-.txt:12:5</span>: <span class=\"severity\">error 8</span>: "
                        "<span class=\"message\">position &lt;not&gt; a multiple of 50 &amp; "
                        "more</span><pre class=\"source\">ab\tc\xC3\xA8xyz\n  \t ^</pre></li>"),
            std::string::npos)
      << status;

  // Mended, with the same drawing as before: fresh again, and nothing to redraw.
  auto mended = page.Update(Drawn("<p>FIRST</p>"), "10:00:09");
  nlohmann::json c3 = Change(*mended);
  EXPECT_EQ(c3["stale"], false);
  EXPECT_EQ(c3["drawing"], c1["drawing"]);
  EXPECT_NE(std::string(c3["status"]).find("data-errors=\"0\""), std::string::npos);
  EXPECT_EQ(std::string(c3["status"]).find("diagnostic"), std::string::npos);

  auto changed = page.Update(Drawn("<p>SECOND</p>"), "10:00:12");
  EXPECT_NE(Change(*changed)["drawing"], c1["drawing"]);
}

TEST(LivePageTest, ShowsAHalfDrawingOnlyWhenThereIsNoOther) {
  LivePage page("L · train 1");
  auto nothing = page.Update(Broken(std::nullopt), "09:00:00");
  EXPECT_NE(nothing->document.find("Nothing to draw yet"), std::string::npos);
  EXPECT_NE(nothing->document.find("<title>L · train 1 — live preview</title>"), std::string::npos);

  auto half = page.Update(Broken("<p>HALF</p>"), "09:00:01");
  nlohmann::json c = Change(*half);
  EXPECT_EQ(c["main"], "<p>HALF</p>");
  EXPECT_EQ(c["stale"], true);
  EXPECT_NE(std::string(c["status"]).find("only what was read before the first error"),
            std::string::npos);
}

}  // namespace
}  // namespace percorso
