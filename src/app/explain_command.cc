#include "app/explain_command.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "compiler/field_reader.h"
#include "compiler/row_schema.h"
#include "model/explanations.h"

namespace percorso {

namespace {

// A row's fields in order, with unit, range and meaning, from the row schema the editor's
// hover reads.
std::string RowText(const RowSchema& r) {
  std::string s = std::string(r.keyword) + ": " + std::string(r.meaning) + "\n";
  s += "  in: ";
  s += r.text == TextKind::kLinea ? "the line description (NAME_linea.txt)"
                                       : "the train data (NAME_NUMBER-.txt)";
  s += r.section == Section::kGeneral ? ", general section\n" : ", body\n";
  s += "  fields after the keyword, in order:\n";
  int i = 0;
  for (const FieldSchema& f : r.fields) {
    s += "  " + std::to_string(++i) + ". " + std::string(f.name);
    if (f.kind == FieldKind::kText) {
      s += " (text, to the next comma or line end, or in double quotes)";
    } else {
      s += " (";
      if (!f.unit.empty()) s += std::string(f.unit) + ", ";
      s += "whole number, " + std::string(WidthName(f.width)) + ")";
    }
    s += ": " + std::string(f.meaning) + "\n";
  }
  return s;
}

// The rows whose keyword is `word` (case ignored), or failing that whose keyword matches
// it as the loader matches a token, in either text.
std::vector<const RowSchema*> RowsNamed(const std::string& word) {
  auto fold = [](std::string_view w) {
    std::string out(w);
    for (char& c : out)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
  };
  std::vector<const RowSchema*> out;
  for (const RowSchema& r : RowSchemas())
    if (fold(r.keyword) == fold(word)) out.push_back(&r);
  if (!out.empty()) return out;
  for (TextKind text : {TextKind::kLinea, TextKind::kTreno}) {
    for (Section section : {Section::kGeneral, Section::kBody}) {
      const RowSchema* r = MatchRow(text, section, word);
      if (r != nullptr && std::find(out.begin(), out.end(), r) == out.end()) out.push_back(r);
    }
  }
  return out;
}

}  // namespace

int RunExplain(const ExplainOptions& o, std::ostream& out, std::ostream& err) {
  if (o.markdown) {
    out << ExplanationsMarkdown();
    return kExitOk;
  }
  if (o.list || o.code.empty()) {
    if (!o.list) {
      err << "percorso: explain needs a CODE (or --list)\n";
      return kExitUsage;
    }
    for (const Explanation& x : AllExplanations())
      out << (x.warning ? "warning " : "error ") << x.code << ": " << x.meaning << "\n";
    return kExitOk;
  }
  std::optional<Explanation> x = Explain(o.code);
  if (!x) {
    const std::vector<const RowSchema*> rows = RowsNamed(o.code);
    if (!rows.empty()) {
      for (size_t i = 0; i < rows.size(); ++i) out << (i > 0 ? "\n" : "") << RowText(*rows[i]);
      return kExitOk;
    }
    err << "percorso: no error number, warning or row keyword is named \"" << o.code
        << "\" (percorso explain --list names them)\n";
    return kExitUsage;
  }
  out << ExplanationText(*x);
  return kExitOk;
}

CommandAction DefineExplain(CLI::App& sub, std::ostream& out, std::ostream& err) {
  auto options = std::make_shared<ExplainOptions>();
  sub.add_option("CODE", options->code,
                 "An error number (1 to 1251), a warning name or a row keyword (velocita)")
      ->type_name("CODE");
  sub.add_flag("--list", options->list, "List every error number and warning name with its meaning");
  sub.add_flag("--markdown", options->markdown,
               "Print every explanation as the Markdown table of docs/text-format.md");
  sub.footer(
      "Exit status: 0, or 2 for a code that no stage sets and no warning has.\n\n"
      "Example:\n"
      "  percorso explain 16\n"
      "  percorso explain unknown-row\n"
      "  percorso explain velocita");
  return [options, &out, &err] { return RunExplain(*options, out, err); };
}

}  // namespace percorso
