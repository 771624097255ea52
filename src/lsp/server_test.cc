#include "lsp/server.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "lsp/positions.h"
#include "builtin/builtin_texts.h"
#include "model/line_list.h"

namespace percorso::lsp {
namespace {

using nlohmann::json;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr const char* kDir = "/routes";
const std::string kLineaPath = "/routes/Valdoro_Ostrano_linea.txt";
const std::string kTrenoPath = "/routes/Valdoro_Ostrano_55-.txt";
const std::string kLineaUri = "file:///routes/Valdoro_Ostrano_linea.txt";
const std::string kTrenoUri = "file:///routes/Valdoro_Ostrano_55-.txt";

using Files = std::map<std::string, std::string>;

// A client talking to a server in memory, over a disk of a few files.
class TestClient {
 public:
  explicit TestClient(std::map<std::string, std::string> files = {},
                      size_t max_open_text = kMaxOpenTextBytes)
      : files_(std::move(files)), server_(Disk{[this](const std::string& p) -> std::optional<std::string> {
                                                 auto it = files_.find(p);
                                                 if (it == files_.end()) return std::nullopt;
                                                 return it->second;
                                               },
                                               [this](const std::string& dir) {
                                                 std::vector<std::string> names;
                                                 for (const auto& [p, b] : files_)
                                                   if (p.rfind(dir + "/", 0) == 0) names.push_back(p.substr(dir.size() + 1));
                                                 return names;
                                               }},
                                          max_open_text) {}

  std::vector<json> Raw(std::string_view body) {
    std::vector<json> out;
    for (const std::string& s : server_.Handle(body)) {
      out.push_back(json::parse(s));
      if (out.back().value("method", "") == "textDocument/publishDiagnostics")
        published_[out.back()["params"]["uri"]] = out.back()["params"]["diagnostics"];
    }
    return out;
  }
  std::vector<json> Send(const json& msg) { return Raw(msg.dump()); }

  // The response to a request.
  json Request(const std::string& method, const json& params) {
    const int id = ++next_id_;
    for (json& m : Send(json{{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}}))
      if (m.contains("id") && m["id"] == id) return m;
    ADD_FAILURE() << "no response to " << method;
    return json();
  }
  void Notify(const std::string& method, const json& params) {
    Send(json{{"jsonrpc", "2.0"}, {"method", method}, {"params", params}});
  }
  json Initialize(const json& capabilities = json::object()) {
    json r = Request("initialize", {{"processId", nullptr}, {"rootUri", nullptr}, {"capabilities", capabilities}});
    Notify("initialized", json::object());
    return r;
  }
  void Open(const std::string& uri, const std::string& text) {
    Notify("textDocument/didOpen",
           {{"textDocument", {{"uri", uri}, {"languageId", "percorso"}, {"version", 1}, {"text", text}}}});
  }
  void Replace(const std::string& uri, Range r, const std::string& text) {
    Notify("textDocument/didChange",
           {{"textDocument", {{"uri", uri}, {"version", ++version_}},},
            {"contentChanges",
             json::array({{{"range",
                            {{"start", {{"line", r.start.line}, {"character", r.start.character}}},
                             {"end", {{"line", r.end.line}, {"character", r.end.character}}}}},
                           {"text", text}}})}});
  }
  json Diagnostics(const std::string& uri) { return published_.count(uri) ? published_[uri] : json(); }
  Server& server() { return server_; }

 private:
  std::map<std::string, std::string> files_;
  Server server_;
  std::map<std::string, json> published_;
  int next_id_ = 0;
  int version_ = 1;
};

std::string BuiltinLinea() { return RenderText(LineaRows()); }
std::string BuiltinTreno() { return RenderText(TrenoRows()); }

// The 0-based line of `text` that starts with `start`, and the character where `what`
// stands on it (ASCII lines).
Position Find(const std::string& text, std::string_view start, std::string_view what) {
  const LineIndex lines(text);
  for (size_t n = 0; n < lines.count(); ++n) {
    const std::string_view l = lines.Line(n);
    if (l.substr(0, start.size()) == start) return Position{n, l.find(what)};
  }
  ADD_FAILURE() << "no line starting with " << start;
  return {};
}

json RangeJson(size_t line, size_t from, size_t to) {
  return json{{"start", {{"line", line}, {"character", from}}}, {"end", {{"line", line}, {"character", to}}}};
}

TEST(LspLifecycleTest, InitializeShutdownExitAndTheErrorsAroundThem) {
  TestClient c;
  json early = c.Request("textDocument/hover", json::object());
  EXPECT_EQ(early["error"]["code"], kServerNotInitialized);

  json init = c.Initialize();
  const json& caps = init["result"]["capabilities"];
  EXPECT_EQ(caps["positionEncoding"], "utf-16");
  EXPECT_EQ(caps["textDocumentSync"]["change"], 2);
  EXPECT_TRUE(caps["hoverProvider"]);
  EXPECT_TRUE(caps["documentSymbolProvider"]);
  EXPECT_TRUE(caps.contains("completionProvider"));

  EXPECT_EQ(c.Request("workspace/symbol", {{"query", ""}})["error"]["code"], kMethodNotFound);
  EXPECT_TRUE(c.Request("shutdown", nullptr)["result"].is_null());
  EXPECT_EQ(c.Request("textDocument/hover", json::object())["error"]["code"], kInvalidRequest);
  EXPECT_FALSE(c.server().exited());
  c.Notify("exit", nullptr);
  EXPECT_TRUE(c.server().exited());
  EXPECT_EQ(c.server().exit_status(), 0);
}

TEST(LspLifecycleTest, ExitWithoutShutdownIsStatusOne) {
  TestClient c;
  c.Initialize();
  c.Notify("exit", nullptr);
  EXPECT_TRUE(c.server().exited());
  EXPECT_EQ(c.server().exit_status(), 1);
}

TEST(LspLifecycleTest, Utf8PositionsWhenTheClientOffersThem) {
  TestClient a, b, old;
  EXPECT_EQ(a.Initialize({{"general", {{"positionEncodings", {"utf-8", "utf-16"}}}}})["result"]["capabilities"]["positionEncoding"], "utf-8");
  EXPECT_EQ(b.Initialize({{"general", {{"positionEncodings", {"utf-32"}}}}})["result"]["capabilities"]["positionEncoding"], "utf-16");
  EXPECT_EQ(old.Initialize({{"offsetEncoding", {"utf-8"}}})["result"]["offsetEncoding"], "utf-8");
}

TEST(LspBadMessagesTest, EachGetsAnErrorResponseAndTheServerGoesOn) {
  TestClient c;
  c.Initialize();
  struct Case {
    std::string body;
    int code;
  } cases[] = {
      {"not json", kParseError},
      {"{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":", kParseError},
      {std::string(100000, '[') + std::string(100000, ']'), kParseError},
      {"[1,2]", kInvalidRequest},
      {"{\"jsonrpc\":\"2.0\",\"id\":{},\"method\":\"shutdown\"}", kInvalidRequest},
      {"{\"jsonrpc\":\"2.0\",\"id\":3}", kInvalidRequest},
      {"{\"jsonrpc\":\"2.0\",\"id\":4,\"method\":\"no/such\"}", kMethodNotFound},
      {"{\"jsonrpc\":\"2.0\",\"id\":5,\"method\":\"textDocument/hover\",\"params\":{\"textDocument\":{\"uri\":\"file:///never.txt\"},\"position\":{\"line\":0,\"character\":0}}}", kInvalidParams},
      {"{\"jsonrpc\":\"2.0\",\"id\":6,\"method\":\"textDocument/hover\",\"params\":{\"textDocument\":7}}", kInvalidParams},
      {"{\"jsonrpc\":\"2.0\",\"id\":7,\"method\":\"textDocument/documentSymbol\",\"params\":[]}", kInvalidParams},
  };
  for (const Case& k : cases) {
    std::vector<json> out = c.Raw(k.body);
    ASSERT_EQ(out.size(), 1u) << k.body.substr(0, 80);
    EXPECT_EQ(out[0]["error"]["code"], k.code) << k.body.substr(0, 80);
  }
  // Notifications are never answered, whatever they hold.
  EXPECT_TRUE(c.Raw("{\"jsonrpc\":\"2.0\",\"method\":\"textDocument/didOpen\",\"params\":{\"textDocument\":{\"uri\":5}}}").empty());
  EXPECT_TRUE(c.Raw("{\"jsonrpc\":\"2.0\",\"method\":\"textDocument/didChange\",\"params\":{\"textDocument\":{\"uri\":\"file:///x\"}}}").empty());
  EXPECT_TRUE(c.Raw("{\"jsonrpc\":\"2.0\",\"method\":\"$/cancelRequest\",\"params\":{\"id\":1}}").empty());
  EXPECT_TRUE(c.Request("shutdown", nullptr)["result"].is_null());
}

TEST(LspDiagnosticsTest, ASignalOnATakenCellIsMarkedOnItsPositionAndClearedOnUndo) {
  TestClient c(Files{{kLineaPath, BuiltinLinea()}});
  c.Initialize();
  const std::string treno = BuiltinTreno();
  c.Open(kTrenoUri, treno);
  EXPECT_EQ(c.Diagnostics(kTrenoUri), json::array());
  EXPECT_EQ(c.Diagnostics(kLineaUri), json::array());  // the partner on disk is published too

  // The signal at 10200 m moves onto 26500 m, the start cell of a slowdown.
  const Position at = Find(treno, "segnale,   10200", "10200");
  c.Replace(kTrenoUri, Range{at, {at.line, at.character + 5}}, "26500");
  const json d = c.Diagnostics(kTrenoUri);
  ASSERT_EQ(d.size(), 1u) << d.dump();
  EXPECT_EQ(d[0]["code"], "16");
  EXPECT_EQ(d[0]["severity"], 1);
  EXPECT_EQ(d[0]["range"], RangeJson(at.line, at.character, at.character + 5));
  EXPECT_THAT(d[0]["message"].get<std::string>(), HasSubstr("already taken"));
  EXPECT_THAT(d[0]["message"].get<std::string>(), HasSubstr("at 26500 m"));

  json hover = c.Request("textDocument/hover",
                         {{"textDocument", {{"uri", kTrenoUri}}}, {"position", {{"line", at.line}, {"character", at.character + 2}}}});
  EXPECT_THAT(hover["result"]["contents"]["value"].get<std::string>(), HasSubstr("error 16"));

  c.Replace(kTrenoUri, Range{at, {at.line, at.character + 5}}, "10200");
  EXPECT_EQ(c.Diagnostics(kTrenoUri), json::array());
}

TEST(LspDiagnosticsTest, AProtectionPassErrorGoesOnTheSlowdownThatPlacedTheCell) {
  TestClient c(Files{{kLineaPath, BuiltinLinea()}});
  c.Initialize();
  std::string treno = BuiltinTreno();
  // Two more signals take cells 526 and 525; with the one at 26150 (cell 524) no cell is
  // left for the protection point 250 to 350 m before the slowdown starting at 26500 m.
  const std::string anchor = "segnale,   26150,   2, 4, 0,  0, 0,    0,  0,0,0, 0\r\n";
  ASSERT_NE(treno.find(anchor), std::string::npos);
  treno.insert(treno.find(anchor) + anchor.size(),
               "segnale,   26200,   1, 4, 0,  0, 0,    0,  0,0,0, 0\r\n"
               "segnale,   26250,   1, 4, 0,  0, 0,    0,  0,0,0, 0\r\n");
  c.Open(kTrenoUri, treno);
  const json d = c.Diagnostics(kTrenoUri);
  ASSERT_EQ(d.size(), 1u) << d.dump();
  EXPECT_EQ(d[0]["code"], "12");
  const Position x = Find(treno, "rallentamento,   26500", "26500");
  EXPECT_EQ(d[0]["range"], RangeJson(x.line, x.character, x.character + 5));
  // The message is the command line's; the place on the line comes as data.
  EXPECT_EQ(d[0]["data"]["cell"], 531);
  EXPECT_EQ(d[0]["data"]["position_m"], 26550);
  EXPECT_THAT(d[0]["message"].get<std::string>(), Not(HasSubstr("(at 26550 m")));
}

TEST(LspDiagnosticsTest, BothOpenTextsAreCompiledTogether) {
  TestClient c;  // nothing on disk
  c.Initialize();
  c.Open(kLineaUri, BuiltinLinea());
  c.Open(kTrenoUri, BuiltinTreno());
  EXPECT_EQ(c.Diagnostics(kTrenoUri), json::array());
  // A line length beyond the limit is error 1, on the line description.
  const std::string linea = BuiltinLinea();
  const Position l = Find(linea, "lunghezza percorso", "96900");
  c.Replace(kLineaUri, Range{l, {l.line, l.character + 5}}, "1000001");
  const json d = c.Diagnostics(kLineaUri);
  ASSERT_EQ(d.size(), 1u) << d.dump();
  EXPECT_EQ(d[0]["code"], "1");
}

TEST(LspDiagnosticsTest, AnOpenTextStandsInForTheFileAndTheFileReturnsOnClose) {
  TestClient c(Files{{kLineaPath, BuiltinLinea()}});
  c.Initialize();
  const std::string linea = BuiltinLinea();
  c.Open(kTrenoUri, BuiltinTreno());
  c.Open(kLineaUri, linea);
  // A line of 20 km in the editor: rows of the train text lie beyond its grid (error 15).
  const Position l = Find(linea, "lunghezza percorso", "96900");
  c.Replace(kLineaUri, Range{l, {l.line, l.character + 5}}, "20000");
  json d = c.Diagnostics(kTrenoUri);
  ASSERT_FALSE(d.empty());
  EXPECT_EQ(d[0]["code"], "15");
  // Closed unsaved, the line description is the one on disk again.
  c.Notify("textDocument/didClose", {{"textDocument", {{"uri", kLineaUri}}}});
  EXPECT_EQ(c.Diagnostics(kTrenoUri), json::array());
  EXPECT_EQ(c.Diagnostics(kLineaUri), json::array());
}

TEST(LspDiagnosticsTest, ATextWithoutItsPartnerNamesTheMissingFile) {
  TestClient c;
  c.Initialize();
  c.Open("file:///r/Monte_Rosso_7-.txt", "[generale]\r\n");
  json d = c.Diagnostics("file:///r/Monte_Rosso_7-.txt");
  ASSERT_EQ(d.size(), 1u);
  EXPECT_THAT(d[0]["message"].get<std::string>(), HasSubstr("Monte_Rosso_linea.txt"));
  // A line description alone is still compiled: beside the missing partner, its own fault
  // (no line length, error 25) shows.
  c.Open("file:///s/Monte_linea.txt", "[generale]\r\n");
  d = c.Diagnostics("file:///s/Monte_linea.txt");
  ASSERT_EQ(d.size(), 2u) << d.dump();
  EXPECT_THAT(d[0]["message"].get<std::string>(), HasSubstr("Monte_NUMBER-.txt"));
  EXPECT_EQ(d[1]["code"], "25");
  c.Open("file:///r/notes.txt", "x\r\n");
  d = c.Diagnostics("file:///r/notes.txt");
  ASSERT_EQ(d.size(), 1u);
  EXPECT_THAT(d[0]["message"].get<std::string>(), HasSubstr("NAME_linea.txt"));
}

TEST(LspDiagnosticsTest, ALineDescriptionAloneShowsItsOwnErrors) {
  TestClient c;
  c.Initialize();
  const std::string uri = "file:///s/Monte_linea.txt";
  c.Open(uri, "[generale]\r\nlunghezza percorso, 5000\r\n[corpo]\r\ncurvad, 1000, 200\r\n[fine]\r\n");
  const json d = c.Diagnostics(uri);
  ASSERT_EQ(d.size(), 2u) << d.dump();
  EXPECT_EQ(d[0]["code"], "pair");
  EXPECT_EQ(d[1]["code"], "103");
  EXPECT_EQ(d[1]["range"]["start"]["line"], 3);
}

// A signal on the cell of a speed-board pair of the line description on disk: the error
// is on the signal's position, and its related information points at the boards' row.
TEST(LspDiagnosticsTest, ACollisionPointsAtTheRowAlreadyInTheCell) {
  const std::string linea = BuiltinLinea();
  TestClient c(Files{{kLineaPath, linea}});
  c.Initialize();
  std::string treno = BuiltinTreno();
  const Position at = Find(treno, "segnale,    1750", "1750");
  c.Open(kTrenoUri, treno);
  c.Replace(kTrenoUri, Range{at, {at.line, at.character + 4}}, "1350");
  const json d = c.Diagnostics(kTrenoUri);
  ASSERT_EQ(d.size(), 1u) << d.dump();
  EXPECT_EQ(d[0]["code"], "16");
  EXPECT_EQ(d[0]["range"], RangeJson(at.line, at.character, at.character + 4));
  ASSERT_TRUE(d[0].contains("relatedInformation")) << d.dump();
  const json& related = d[0]["relatedInformation"][0]["location"];
  EXPECT_EQ(related["uri"], kLineaUri);
  const Position boards = Find(linea, "indicatori_vmax,  1350", "1350");
  EXPECT_EQ(related["range"], RangeJson(boards.line, boards.character, boards.character + 4));
}

TEST(LspDiagnosticsTest, ATextGrownByEditsBeyondTheLimitIsNotCompiledUntilBackUnder) {
  // A limit of 200 KB rather than 64 MB, so that the messages stay small; the limit is
  // the server's, the same for any value.
  constexpr size_t kLimit = 200 << 10;
  TestClient c({}, kLimit);
  c.Initialize();
  const std::string linea = BuiltinLinea();
  ASSERT_LT(linea.size(), kLimit);
  c.Open(kLineaUri, linea);
  c.Open(kTrenoUri, BuiltinTreno());
  ASSERT_EQ(c.Diagnostics(kLineaUri), json::array());
  const auto whole = [&](const std::string& text) {
    c.Notify("textDocument/didChange", {{"textDocument", {{"uri", kLineaUri}, {"version", 9}}},
                                        {"contentChanges", json::array({{{"text", text}}})}});
  };
  const Position end{1u << 30, 0};  // clamped to the end of the text
  const std::string comments(kLimit + 1, '-');
  struct Step {
    const char* what;
    std::function<void()> edit;
    const char* says;  // in the one diagnostic; nullptr: compiled
  };
  const Step steps[] = {
      {"over the limit", [&] { c.Replace(kLineaUri, Range{end, end}, comments); },
       "bytes, more than the 204800 bytes an open text may have"},
      {"back to the text alone", [&] { whole(linea); }, nullptr},
      {"edits beyond twice the limit",
       [&] {
         for (int i = 0; i < 2; ++i) c.Replace(kLineaUri, Range{end, end}, comments);
       },
       "grew beyond 409600 bytes and is no longer held"},
      {"an edit of a part of a text no longer held", [&] {
         c.Replace(kLineaUri, Range{{0, 0}, {0, 0}}, "x");
       },
       "no longer held"},
      {"the text sent whole again", [&] { whole(linea); }, nullptr},
  };
  for (const Step& step : steps) {
    step.edit();
    const json d = c.Diagnostics(kLineaUri);
    if (step.says == nullptr) {  // compiled: whatever it finds, nothing said about the size
      for (const json& one : d) EXPECT_NE(one["code"], "pair") << step.what << ": " << one.dump();
      continue;
    }
    ASSERT_EQ(d.size(), 1u) << step.what;
    EXPECT_THAT(d[0]["message"].get<std::string>(), HasSubstr(step.says)) << step.what;
  }
  EXPECT_EQ(c.Diagnostics(kLineaUri), json::array());
  // The partner of a text over the limit says so rather than compiling with it.
  c.Replace(kLineaUri, Range{end, end}, comments);
  c.Replace(kTrenoUri, Range{{0, 0}, {0, 0}}, "");
  const json d = c.Diagnostics(kTrenoUri);
  ASSERT_EQ(d.size(), 1u);
  EXPECT_THAT(d[0]["message"].get<std::string>(), HasSubstr("Valdoro_Ostrano_linea.txt is "));
}

TEST(LspDiagnosticsTest, ColumnsFollowTheNegotiatedEncoding) {
  // "é" before the field: one UTF-16 unit, two UTF-8 bytes, one Windows-1252 byte.
  std::string treno = BuiltinTreno();
  const std::string row = "segnale,   10200,";
  treno.replace(treno.find(row), row.size(), "segnale_\xC3\xA9,   26500,");
  const Position p = Find(treno, "segnale_", "26500");  // a byte offset
  for (const bool utf8 : {false, true}) {
    TestClient c(Files{{kLineaPath, BuiltinLinea()}});
    c.Initialize({{"general", {{"positionEncodings", json::array({utf8 ? "utf-8" : "utf-16"})}}}});
    c.Open(kTrenoUri, treno);
    const json d = c.Diagnostics(kTrenoUri);
    ASSERT_EQ(d.size(), 1u) << d.dump();
    const size_t start = utf8 ? p.character : p.character - 1;
    EXPECT_EQ(d[0]["range"], RangeJson(p.line, start, start + 5)) << utf8;
  }
}

TEST(LspFeaturesTest, HoverNamesTheFieldAndItsCell) {
  TestClient c(Files{{kLineaPath, BuiltinLinea()}});
  c.Initialize();
  const std::string treno = BuiltinTreno();
  c.Open(kTrenoUri, treno);
  auto hover = [&](Position p) {
    return c.Request("textDocument/hover",
                     {{"textDocument", {{"uri", kTrenoUri}}}, {"position", {{"line", p.line}, {"character", p.character}}}})["result"];
  };
  const Position pos = Find(treno, "segnale,   26150", "26150");
  const json h = hover({pos.line, pos.character + 1});
  const std::string text = h["contents"]["value"];
  EXPECT_THAT(text, HasSubstr("`posizione`"));
  EXPECT_THAT(text, HasSubstr("field 1 of 11"));
  EXPECT_THAT(text, HasSubstr("cell 524, km 26.150"));  // round(26150 / 50 + 1)
  EXPECT_THAT(text, HasSubstr("0 to 103800 m"));         // 50 N - 100, N = 2078
  EXPECT_EQ(h["range"], RangeJson(pos.line, pos.character, pos.character + 5));

  const Position kw = Find(treno, "segnale,   26150", "segnale");
  EXPECT_THAT(hover(kw)["contents"]["value"].get<std::string>(), HasSubstr("**segnale**: a signal"));
  const Position st = Find(treno, "stazione,    6700", "12,");
  EXPECT_THAT(hover(st)["contents"]["value"].get<std::string>(), HasSubstr("`tipo`"));
  const Position name = Find(treno, "stazione,    6700", "PIANOSCURO");
  EXPECT_THAT(hover(name)["contents"]["value"].get<std::string>(), HasSubstr("`nome`"));
}

TEST(LspFeaturesTest, HoverOverAFindingSaysWhetherItIsAnErrorOrAWarning) {
  TestClient c(Files{{kLineaPath, BuiltinLinea()}});
  c.Initialize();
  std::string treno = BuiltinTreno();
  // An unknown keyword is a warning; a signal whose position is not a number reads 0
  // (a warning) and so takes the reserved first cell (error 1250).
  const std::string speed = "velocita,";
  ASSERT_NE(treno.find(speed), std::string::npos);
  treno.replace(treno.find(speed), speed.size(), "velocta,");
  const std::string signal = "segnale,   26150";
  treno.replace(treno.find(signal), signal.size(), "segnale,   26x50");
  c.Open(kTrenoUri, treno);
  auto hover_text = [&](Position p) {
    const json h = c.Request("textDocument/hover", {{"textDocument", {{"uri", kTrenoUri}}},
                                                     {"position", {{"line", p.line}, {"character", p.character}}}})["result"];
    return h.is_null() ? std::string() : h["contents"]["value"].get<std::string>();
  };
  const std::string warned = hover_text(Find(treno, "velocta,", "velocta"));
  EXPECT_THAT(warned, HasSubstr("**warning unknown-row**"));
  EXPECT_THAT(warned, Not(HasSubstr("**error")));
  const std::string both = hover_text(Find(treno, "segnale,   26x50", "26x50"));
  EXPECT_THAT(both, HasSubstr("**warning not-a-number**"));
  EXPECT_THAT(both, HasSubstr("**error 1250**"));
}

TEST(LspFeaturesTest, TheTrainTextsOutlineHoldsItsSixteenStations) {
  TestClient c(Files{{kLineaPath, BuiltinLinea()}});
  c.Initialize();
  c.Open(kTrenoUri, BuiltinTreno());
  const json symbols = c.Request("textDocument/documentSymbol", {{"textDocument", {{"uri", kTrenoUri}}}})["result"];
  std::vector<std::string> sections, stations;
  int signals = 0, slowdowns = 0;
  for (const json& s : symbols) {
    sections.push_back(s["name"]);
    for (const json& child : s["children"]) {
      if (child["kind"] == 19) stations.push_back(child["name"]);
      if (child["kind"] == 24) ++signals;
      if (child["kind"] == 14) ++slowdowns;
    }
  }
  EXPECT_THAT(sections, ::testing::Contains("[stazioni]"));
  ASSERT_EQ(stations.size(), 16u);
  EXPECT_EQ(stations.front(), "VALDORO C.LE (km 0.200)");
  EXPECT_EQ(stations.back(), "OSTRANO C.R.V. (km 96.900)");
  EXPECT_EQ(slowdowns, 2);
  EXPECT_GT(signals, 20);
}

TEST(LspFeaturesTest, CompletionOffersTheKeywordsOfTheSectionAtTheCursor) {
  TestClient c(Files{{kTrenoPath, BuiltinTreno()}});
  c.Initialize({{"textDocument", {{"completion", {{"completionItem", {{"snippetSupport", true}}}}}}}});
  const std::string linea = BuiltinLinea();
  c.Open(kLineaUri, linea);
  auto labels_at = [&](Position p, json* items) {
    *items = c.Request("textDocument/completion",
                       {{"textDocument", {{"uri", kLineaUri}}}, {"position", {{"line", p.line}, {"character", 0}}}})["result"];
    std::vector<std::string> labels;
    for (const json& i : *items) labels.push_back(i["label"]);
    return labels;
  };
  json items;
  const Position general = Find(linea, "lunghezza percorso", "l");
  EXPECT_THAT(labels_at(general, &items), ::testing::ElementsAre(
      "lunghezza percorso", "progressiva chilometrica tre", "progressiva chilometrica due",
      "progressiva chilometrica uno", "sfondo uno", "sfondo due", "sfondo tre",
      "ripetizione segnali 4 codici"));
  const Position body = Find(linea, "pendenza", "p");
  std::vector<std::string> labels = labels_at(body, &items);
  EXPECT_THAT(labels, ::testing::Contains("pendenza"));
  EXPECT_THAT(labels, ::testing::Not(::testing::Contains("segnale")));
  for (const json& i : items) {
    if (i["label"] == "montagna") {
      EXPECT_EQ(i["insertText"], "montagna, ${1:inizio}, ${2:fine}, ${3:tipo}");
      EXPECT_EQ(i["insertTextFormat"], 2);
    }
  }
}

}  // namespace
}  // namespace percorso::lsp
