#include "app/machine_diagnostics.h"

#include <filesystem>
#include <map>

#include <nlohmann/json.hpp>

#include "base/text_display.h"
#include "base/text_encoding.h"
#include "model/explanations.h"
#include "model/error_meanings.h"

namespace percorso {

namespace {

using nlohmann::json;

bool StartsChar(std::string_view s, size_t i, bool from_utf8) {
  return !from_utf8 || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80;
}

// The facts of one entry, common to both forms.
struct Facts {
  bool warning = false;
  std::string code;     // "16", "unknown-row"
  std::string message;
  std::string file;     // empty when none
  int line = 0;
  int column = 0;
  int end_column = 0;
  std::optional<int32_t> posizione;
  std::optional<int32_t> cell;
};

Facts FactsOf(const ReportEntry& e, const std::string& scenario_name) {
  Facts f;
  if (e.error != nullptr) {
    const Diagnostic& d = *e.error;
    const ErrorMeaning* m = FindMeaning(d.numero);
    f.code = std::to_string(d.numero);
    f.message = DiagnosticMessage(d, m != nullptr ? m->meaning : "");
    f.line = d.line;
    f.column = d.column;
    if (d.has_posizione) f.posizione = d.posizione;
    if (d.cell >= 0) f.cell = d.cell;
    if (e.text == nullptr && d.origin == ErrorOrigin::kPass) f.file = scenario_name;
  } else {
    const Warning& w = *e.warning;
    f.warning = true;
    f.code = std::string(WarningName(w.kind));
    f.message = w.message;
    f.line = w.line;
    f.column = w.column;
  }
  if (e.text != nullptr) {
    f.file = e.text->name;
    f.end_column = FieldEndColumn(*e.text, f.line, f.column);
  }
  // Messages are quoted from Windows-1252 texts: JSON wants UTF-8.
  f.message = Cp1252ToUtf8(f.message);
  return f;
}

// A relative path as a URI reference: unreserved characters and "/" as they are, every
// other byte percent-encoded.
// The base of the relative paths of a SARIF log's results.
constexpr const char* kSourceRoot = "SRCROOT";

std::string UriOf(std::string_view path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (char ch : path) {
    const unsigned char c = static_cast<unsigned char>(ch);
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                       (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' ||
                       c == '~' || c == '/';
    if (plain) {
      out.push_back(ch);
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    }
  }
  return out;
}

json ResultJson(const CompileReport& r) {
  json result = {{"error", r.numero},
                 {"position_m", r.posizione ? json(*r.posizione) : json(nullptr)},
                 {"written", r.written},
                 {"warnings", r.warnings},
                 {"exit_status", r.exit_status}};
  if (!r.failure.empty()) result["failure"] = r.failure;
  return result;
}

}  // namespace

int FieldEndColumn(const QuotedText& text, int line, int column) {
  if (line < 1 || column < 1) return 0;
  std::optional<std::string_view> l = QuotedLine(text, line);
  if (!l) return 0;
  const std::string_view s = *l;
  // The byte where character `column` starts.
  size_t i = 0;
  for (int seen = 0; i < s.size(); ++i) {
    if (!StartsChar(s, i, text.from_utf8)) continue;
    if (++seen == column) break;
  }
  if (i >= s.size()) return 0;
  size_t end = i;
  if (s[i] == '"') {
    const size_t close = s.find('"', i + 1);
    end = close == std::string_view::npos ? s.size() : close + 1;
  } else {
    const bool number = s[i] == '+' || s[i] == '-' || (s[i] >= '0' && s[i] <= '9');
    while (end < s.size() && s[end] != ',' && !(number && (s[end] == ' ' || s[end] == '\t')))
      ++end;
    while (end > i + 1 && (s[end - 1] == ' ' || s[end - 1] == '\t')) --end;
  }
  int chars = column;
  for (size_t k = i; k < end; ++k)
    if (StartsChar(s, k, text.from_utf8)) ++chars;
  return chars;
}

std::string CompileReportJson(const CompileReport& r) {
  json diagnostics = json::array();
  for (const ReportEntry& e : r.entries) {
    const Facts f = FactsOf(e, r.scenario_name);
    json d = {{"severity", f.warning ? "warning" : "error"},
              {"code", f.code},
              {"message", f.message},
              {"file", f.file.empty() ? json(nullptr) : json(f.file)},
              {"line", f.line > 0 ? json(f.line) : json(nullptr)},
              {"column", f.column > 0 ? json(f.column) : json(nullptr)},
              {"end_column", f.end_column > 0 ? json(f.end_column) : json(nullptr)},
              {"position_m", f.posizione ? json(*f.posizione) : json(nullptr)},
              {"cell", f.cell ? json(*f.cell) : json(nullptr)}};
    diagnostics.push_back(std::move(d));
  }
  json doc = {{"diagnostics", std::move(diagnostics)}, {"result", ResultJson(r)}};
  return doc.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

std::string CompileReportSarif(const CompileReport& r) {
  // One rule for each code that occurs, described from the explanation table.
  std::map<std::string, size_t> rule_index;
  json rules = json::array();
  json results = json::array();
  bool relative = false;
  for (const ReportEntry& e : r.entries) {
    const Facts f = FactsOf(e, r.scenario_name);
    auto [it, added] = rule_index.try_emplace(f.code, rules.size());
    if (added) {
      json rule = {{"id", f.code}};
      if (std::optional<Explanation> x = Explain(f.code)) {
        rule["shortDescription"] = {{"text", x->meaning}};
        rule["fullDescription"] = {{"text", x->cause}};
        rule["help"] = {{"text", x->fix}};
      }
      rule["defaultConfiguration"] = {{"level", f.warning ? "warning" : "error"}};
      rules.push_back(std::move(rule));
    }
    json result = {{"ruleId", f.code},
                   {"ruleIndex", it->second},
                   {"level", f.warning ? "warning" : "error"},
                   {"message", {{"text", f.message}}}};
    if (!f.file.empty()) {
      json artifact = {{"uri", UriOf(f.file)}};
      // A relative path is relative to the directory the compile ran in.
      if (!f.file.empty() && f.file[0] != '/') {
        artifact["uriBaseId"] = kSourceRoot;
        relative = true;
      }
      json physical = {{"artifactLocation", std::move(artifact)}};
      if (f.line > 0) {
        json region = {{"startLine", f.line}};
        if (f.column > 0) region["startColumn"] = f.column;
        if (f.end_column > f.column) region["endColumn"] = f.end_column;
        physical["region"] = std::move(region);
      }
      result["locations"] = json::array({{{"physicalLocation", std::move(physical)}}});
    }
    json properties = json::object();
    if (f.posizione) properties["position_m"] = *f.posizione;
    if (f.cell) properties["cell"] = *f.cell;
    if (!properties.empty()) result["properties"] = std::move(properties);
    results.push_back(std::move(result));
  }
  json invocation = {{"executionSuccessful", r.exit_status == 0 || r.exit_status == 1},
                     {"exitCode", r.exit_status},
                     {"properties", ResultJson(r)}};
  json run = {{"tool",
               {{"driver",
                 {{"name", "percorso"},
                  {"informationUri", "https://percorso.invalid/docs/text-format.md"},
                  {"rules", std::move(rules)}}}}},
              {"invocations", json::array({std::move(invocation)})},
              {"columnKind", "unicodeCodePoints"},
              {"results", std::move(results)}};
  if (relative) {
    std::error_code ec;
    const std::filesystem::path cwd = std::filesystem::current_path(ec);
    json base = json::object();
    if (!ec && cwd.is_absolute()) {
      std::string uri = "file://" + UriOf(cwd.generic_string());
      if (uri.back() != '/') uri.push_back('/');
      base["uri"] = uri;
    }
    base["description"] = {{"text", "the directory percorso compile ran in"}};
    run["originalUriBaseIds"] = {{kSourceRoot, std::move(base)}};
  }
  json doc = {{"$schema", "https://json.schemastore.org/sarif-2.1.0.json"},
              {"version", "2.1.0"},
              {"runs", json::array({std::move(run)})}};
  return doc.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

}  // namespace percorso
