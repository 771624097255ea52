#include "serve/page_compile.h"

#include <utility>

#include "base/text_encoding.h"
#include "compiler/compile.h"
#include "format/decode.h"
#include "inspect/report.h"

namespace percorso {

namespace {

PageDiagnostic Describe(const Finding& f) {
  PageDiagnostic p;
  p.severity = f.severity == FindingSeverity::kWarning ? Severity::kWarning : Severity::kError;
  p.code = f.code;
  p.file = f.file;
  p.line = f.line;
  p.column = f.line > 0 ? f.column : 0;
  p.message = f.MessageUtf8();
  p.place = f.PlaceSuffix();
  if (f.quoted_line) p.source_line = LineForTerminal(*f.quoted_line, f.quoted_from_utf8);
  return p;
}

// The three compiled files decoded back, as the report reads them; false when one does
// not decode (a fault of the compiler, reported as such).
bool Decode(const Compilation& c, CompiledView* view, std::string* why) {
  Decoded<LineTable> table = DecodeLineFile(*c.line_file());
  Decoded<std::vector<TrackCell>> cells = DecodeCellFile(*c.cell_file());
  for (const std::optional<DecodeError>* e : {&table.error, &cells.error}) {
    if (*e) {
      *why = (*e)->Describe();
      return false;
    }
  }
  view->table = std::move(table.value);
  view->cells = std::move(cells.value);
  if (const std::string* plan_file = c.plan_file()) {
    Decoded<DecodedPlan> plan = DecodePlanFile(*plan_file);
    if (!plan.ok()) {
      *why = plan.error->Describe();
      return false;
    }
    view->plan = std::move(plan.value);
  }
  return true;
}

}  // namespace

PageBuild CompilePage(const PageInput& input) {
  PairRequest request;
  request.nome_linea = input.linea;
  request.numero_treno = input.treno;
  request.linea = input.linea_text;
  request.treno = input.treno_text;
  request.plan = PlanChoice::kWithPlan;
  request.scenario_name = input.scenario_name;
  const PairResult result = CompileTextPair(std::move(request));

  PageBuild build;
  build.complete = result.compiled_pair;
  for (const Finding& f : result.findings) {
    // An error in a text stopped the load there: what is drawn is only a part.
    if (f.severity == FindingSeverity::kError &&
        (f.about == FindingFile::kLinea || f.about == FindingFile::kTreno))
      build.complete = false;
    build.diagnostics.push_back(Describe(f));
  }
  if (!result.compiled_pair) return build;
  const Compilation& compiled = result.compiled;

  if (compiled.verdict != CompileVerdict::kCompiled) {
    build.complete = false;
    return build;
  }

  CompiledView view;
  std::string why;
  if (!Decode(compiled, &view, &why)) {
    PageDiagnostic p;
    p.file = input.scenario_name;
    p.message = "the compiled files do not read back: " + why;
    build.diagnostics.push_back(std::move(p));
    build.complete = false;
    return build;
  }
  ReportParts parts = RenderReportParts(view);
  build.title = std::move(parts.title);
  build.drawing = std::move(parts.main);
  return build;
}

}  // namespace percorso
