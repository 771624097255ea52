#include "app/machine_diagnostics.h"

#include <map>

#include <nlohmann/json.hpp>

#include "base/text_display.h"
#include "base/text_encoding.h"
#include "model/explanations.h"
#include "model/error_meanings.h"

namespace percorso {

namespace {

using nlohmann::json;

// A relative path as a URI reference: unreserved characters and "/" as they are, every
// other byte percent-encoded.
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

std::string CompileReportJson(const CompileReport& r) {
  json diagnostics = json::array();
  for (const Finding& f : r.findings) {
    json d = {{"severity", f.severity == FindingSeverity::kWarning ? "warning" : "error"},
              {"code", f.code},
              {"message", f.MessageUtf8()},
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
  for (const Finding& f : r.findings) {
    const bool warning = f.severity == FindingSeverity::kWarning;
    auto [it, added] = rule_index.try_emplace(f.code, rules.size());
    if (added) {
      json rule = {{"id", f.code}};
      if (std::optional<Explanation> x = Explain(f.code)) {
        rule["shortDescription"] = {{"text", x->meaning}};
        rule["fullDescription"] = {{"text", x->cause}};
        rule["help"] = {{"text", x->fix}};
      }
      rule["defaultConfiguration"] = {{"level", warning ? "warning" : "error"}};
      rules.push_back(std::move(rule));
    }
    json result = {{"ruleId", f.code},
                   {"ruleIndex", it->second},
                   {"level", warning ? "warning" : "error"},
                   {"message", {{"text", f.MessageUtf8()}}}};
    if (!f.file.empty()) {
      json physical = {{"artifactLocation", {{"uri", UriOf(f.file)}}}};
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
  json doc = {{"$schema", "https://json.schemastore.org/sarif-2.1.0.json"},
              {"version", "2.1.0"},
              {"runs", json::array({std::move(run)})}};
  return doc.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

}  // namespace percorso
