// The three faces of the compiler say the same thing: for a pair of texts on disk, the
// diagnostics of `compile --format json`, of the language server's publishDiagnostics
// (both texts open) and of the preview page's list are the same set of code, severity,
// file, line, column and message. A finding without a row (the protection pass, a text
// that cannot be read) has no place to compare: the editor shows it on a text and the
// page without one, so only its code, severity and message are compared.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/compile_command.h"
#include "builtin/builtin_texts.h"
#include "lsp/documents.h"
#include "lsp/server.h"
#include "model/line_list.h"
#include "model/names.h"
#include "serve/page_state.h"
#include "testing/temp_dir.h"

namespace percorso {
namespace {

using nlohmann::json;

// code, severity, file name, line, column, message; line and column 0 when unplaced.
using Fact = std::tuple<std::string, std::string, std::string, int, int, std::string>;

std::string Base(const std::string& path) { return std::filesystem::path(path).filename().string(); }

std::string Unescape(std::string s) {
  const std::pair<const char*, const char*> entities[] = {
      {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"}, {"&amp;", "&"}};
  for (const auto& [from, to] : entities) {
    for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + 1))
      s.replace(at, std::string(from).size(), to);
  }
  return s;
}

struct Pair {
  std::string linea = "R";
  std::string treno = "1";
  std::optional<std::string> linea_text;  // nothing: the file is not there
  std::optional<std::string> treno_text;
};

void Put(const TempDir& dir, const Pair& p) {
  if (p.linea_text) dir.Write(LineaFileName(p.linea), *p.linea_text);
  if (p.treno_text) dir.Write(TrenoFileName(p.linea, p.treno), *p.treno_text);
}

// `compile --format json --check`; `placed` receives the findings that have a line.
std::vector<Fact> FromCompile(const TempDir& dir, const Pair& p, std::set<std::string>* unplaced) {
  CompileOptions o;
  o.dir = dir.path();
  o.linea = p.linea;
  o.treno = p.treno;
  o.check = true;
  o.format = "json";
  std::ostringstream out, err;
  RunCompile(o, out, err);
  std::vector<Fact> facts;
  if (out.str().empty()) {
    ADD_FAILURE() << "no JSON document; stderr: " << err.str();
    return facts;
  }
  const json doc = json::parse(out.str());
  for (const json& d : doc["diagnostics"]) {
    const int line = d["line"].is_null() ? 0 : d["line"].get<int>();
    const int column = d["column"].is_null() ? 0 : d["column"].get<int>();
    const std::string file = d["file"].is_null() ? "" : Base(d["file"].get<std::string>());
    facts.emplace_back(d["code"].get<std::string>(), d["severity"].get<std::string>(),
                       line > 0 ? file : "", line, line > 0 ? column : 0,
                       d["message"].get<std::string>());
    if (line == 0) unplaced->insert(d["code"].get<std::string>() + "|" + d["message"].get<std::string>());
  }
  return facts;
}

// The facts of a face whose unplaced findings sit somewhere on a text: a finding the
// command line gives without a row loses its place here too.
Fact Normalised(Fact f, const std::set<std::string>& unplaced) {
  if (unplaced.count(std::get<0>(f) + "|" + std::get<5>(f))) {
    std::get<2>(f) = "";
    std::get<3>(f) = 0;
    std::get<4>(f) = 0;
  }
  return f;
}

std::vector<Fact> FromLanguageServer(const TempDir& dir, const Pair& p,
                                     const std::set<std::string>& unplaced) {
  lsp::Server server(lsp::RealDisk(64 << 20));
  std::map<std::string, json> published;
  int id = 0;
  auto send = [&](const std::string& method, const json& params, bool request) {
    json m{{"jsonrpc", "2.0"}, {"method", method}, {"params", params}};
    if (request) m["id"] = ++id;
    for (const std::string& s : server.Handle(m.dump())) {
      json r = json::parse(s);
      if (r.value("method", "") == "textDocument/publishDiagnostics")
        published[r["params"]["uri"]] = r["params"]["diagnostics"];
    }
  };
  // Columns counted in characters, as the command line counts them.
  send("initialize",
       {{"processId", nullptr},
        {"rootUri", nullptr},
        {"capabilities", {{"general", {{"positionEncodings", {"utf-32"}}}}}}},
       true);
  send("initialized", json::object(), false);
  for (const auto& [name, text] : {std::pair{LineaFileName(p.linea), p.linea_text},
                                   std::pair{TrenoFileName(p.linea, p.treno), p.treno_text}}) {
    if (!text) continue;
    // The editor holds the text in UTF-8, as it shows it.
    const std::string uri = lsp::UriOfPath((dir.path() / name).string());
    const std::string utf8 = lsp::DiskTextAsUtf8(*text);
    send("textDocument/didOpen",
         {{"textDocument", {{"uri", uri}, {"languageId", "percorso"}, {"version", 1}, {"text", utf8}}}},
         false);
  }
  std::vector<Fact> facts;
  for (const auto& [uri, diagnostics] : published) {
    for (const json& d : diagnostics) {
      const int line = d["range"]["start"]["line"].get<int>() + 1;
      const int column = d["range"]["start"]["character"].get<int>() + 1;
      const std::string severity = d["severity"] == 1 ? "error" : "warning";
      facts.push_back(Normalised(
          {d["code"].get<std::string>(), severity, Base(*lsp::PathOfUri(uri)), line, column,
           d["message"].get<std::string>()},
          unplaced));
    }
  }
  return facts;
}

std::vector<Fact> FromPage(const TempDir& dir, const Pair& p, const std::set<std::string>& unplaced) {
  PageState state(PairFiles{dir.path(), p.linea, p.treno});
  const std::string page = state.Recompile().page->document;
  static const std::regex item(
      "<li class=\"diagnostic (error|warning)\"[^>]*><span class=\"where\">([^<]*)</span>: "
      "<span class=\"severity\">(?:error|warning) ?([^<]*)</span>: <span "
      "class=\"message\">([^<]*)</span>");
  std::vector<Fact> facts;
  for (std::sregex_iterator it(page.begin(), page.end(), item), end; it != end; ++it) {
    // "file:line:column", as much of it as is known.
    const std::string where = Unescape((*it)[2]);
    std::string file = where;
    int line = 0, column = 0;
    std::smatch m;
    static const std::regex placed("(.*?):(\\d+)(?::(\\d+))?");
    if (std::regex_match(where, m, placed)) {
      file = m[1];
      line = std::stoi(m[2]);
      column = m[3].matched ? std::stoi(m[3]) : 0;
    }
    facts.push_back(Normalised({Unescape((*it)[3]), (*it)[1], line > 0 ? Base(file) : "", line,
                                column, Unescape((*it)[4])},
                               unplaced));
  }
  return facts;
}

std::vector<Fact> Sorted(std::vector<Fact> v) {
  std::sort(v.begin(), v.end());
  return v;
}

std::string Show(const std::vector<Fact>& v) {
  std::string s;
  for (const auto& [code, severity, file, line, column, message] : v)
    s += "  " + severity + " " + code + " " + file + ":" + std::to_string(line) + ":" +
         std::to_string(column) + " " + message + "\n";
  return s;
}

// Compares the three faces on one pair; gives the command line's facts.
std::vector<Fact> ExpectSameFacts(const Pair& p, const std::string& label) {
  TempDir dir;
  Put(dir, p);
  std::set<std::string> unplaced;
  const std::vector<Fact> cli = Sorted(FromCompile(dir, p, &unplaced));
  std::vector<Fact> cli_normalised;
  for (const Fact& f : cli) cli_normalised.push_back(Normalised(f, unplaced));
  cli_normalised = Sorted(cli_normalised);
  const std::vector<Fact> editor = Sorted(FromLanguageServer(dir, p, unplaced));
  const std::vector<Fact> page = Sorted(FromPage(dir, p, unplaced));
  EXPECT_EQ(editor, cli_normalised) << label << "\ncompile:\n" << Show(cli_normalised)
                                    << "editor:\n" << Show(editor);
  EXPECT_EQ(page, cli_normalised) << label << "\ncompile:\n" << Show(cli_normalised)
                                  << "page:\n" << Show(page);
  return cli;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

bool Has(const std::vector<Fact>& facts, const std::string& code, const std::string& severity) {
  return std::any_of(facts.begin(), facts.end(), [&](const Fact& f) {
    return (code == "*" || std::get<0>(f) == code) && std::get<1>(f) == severity;
  });
}

TEST(ThreeFacesTest, CompileEditorAndPageGiveTheSameDiagnostics) {
  const std::string linea = RenderText(LineaRows());
  const std::string treno = RenderText(TrenoRows());
  struct Case {
    const char* label;
    Pair pair;
    const char* code;      // a code the command line must give on a text ("*": any)
    const char* severity;
  };
  const Case cases[] = {
      {"an error in the train text (a station off the 50 m grid)",
       {"R", "1", linea, Replaced(treno, "stazione,    6700,", "stazione,    6710,")}, "8", "error"},
      {"an error in the line text (a row that does not read)",
       {"R", "1", Replaced(linea, "pendenza,  1600,   2", "pendenza,  1600,   99999999999"), treno},
       "*", "error"},
      {"a warning: a speed limit row misspelt, the limit dropped",
       {"R", "1", linea, Replaced(treno, "velocita,", "velocta,")}, "unknown-row", "warning"},
      {"an encoding fault: UTF-8 with a character Windows-1252 lacks",
       {"R", "1", linea, Replaced(treno, "\n", "\n\xC3\xA8 \xE2\x86\x92\n")}, "25", "error"},
      {"the line description missing beside the train text",
       {"R", "1", std::nullopt, treno}, "unreadable", "error"},
      {"the built-in pair, clean", {"R", "1", linea, treno}, nullptr, nullptr},
  };
  for (const Case& c : cases) {
    const std::vector<Fact> cli = ExpectSameFacts(c.pair, c.label);
    if (c.code != nullptr) {
      EXPECT_TRUE(Has(cli, c.code, c.severity)) << c.label << "\n" << Show(cli);
    } else {
      EXPECT_TRUE(cli.empty()) << c.label << "\n" << Show(cli);
    }
  }
}

TEST(ThreeFacesTest, TheFuzzCorpusOfTheCompileGivesTheSameDiagnostics) {
  // The compile target's inputs: a control byte, the line description, a 0x00 byte, the
  // train data text; bit 1 drops the train text, bit 2 the line description.
  const std::filesystem::path corpus = std::filesystem::path(PERCORSO_SOURCE_DIR) / "fuzz/corpus/compile_fuzz";
  int seen = 0;
  for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
    const std::string input = ReadFile(entry.path());
    if (input.empty()) continue;
    const unsigned char control = static_cast<unsigned char>(input[0]);
    const std::string rest = input.substr(1);
    const size_t nul = rest.find('\0');
    Pair p;
    p.linea_text = rest.substr(0, nul);
    p.treno_text = nul == std::string::npos ? "" : rest.substr(nul + 1);
    if (control & 2) p.treno_text.reset();
    if (control & 4) p.linea_text.reset();
    // Without a train text the editor cannot know the train number (the command line
    // then says there is no pair); there is no pair to compare.
    if (!p.treno_text) continue;
    ExpectSameFacts(p, entry.path().filename().string());
    ++seen;
  }
  EXPECT_GT(seen, 0);
}

}  // namespace
}  // namespace percorso
