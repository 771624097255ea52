#include "serve/page_compile.h"

#include <utility>

#include "base/text_encoding.h"
#include "compiler/compile.h"
#include "compiler/diagnostics.h"
#include "format/decode.h"
#include "inspect/report.h"
#include "model/error_meanings.h"

namespace percorso {

namespace {

// A text converted for the loader, with what the diagnostics need to quote it.
struct LoadedText {
  const PageText* text = nullptr;
  DecodedText decoded;
  SourceText source;
  std::string_view original;  // the author's bytes, byte-order mark removed
};

LoadedText Convert(const PageText& text) {
  LoadedText t;
  t.text = &text;
  t.source.name = text.shown_name;
  if (!text.bytes) {
    t.source.status = ReadStatus::kFailed;
    return t;
  }
  t.decoded = ToWindows1252(*text.bytes);
  if (t.decoded.fault) {
    // Nothing is loaded from a text that cannot be converted: the loader finds it
    // unreadable, its error 25, which then gets the fault's line and column.
    t.source.status = ReadStatus::kFailed;
  } else {
    t.source.status = ReadStatus::kOk;
    t.source.bytes = t.decoded.bytes;
  }
  t.original = t.decoded.from_utf8 ? StripUtf8Bom(*text.bytes) : std::string_view(*text.bytes);
  return t;
}

void PlaceEncodingFault(const LoadedText& t, ErrorOrigin origin, ErrorState& e) {
  if (!t.decoded.fault) return;
  for (Diagnostic& d : e.log) {
    if (d.numero != 25 || d.origin != origin) continue;
    d.line = t.decoded.fault->line;
    d.column = t.decoded.fault->column;
    d.detail = t.decoded.fault->detail;
    return;
  }
}

PageDiagnostic Describe(const Diagnostic& d, const LoadedText* text,
                        const std::string& scenario_name) {
  PageDiagnostic p;
  p.code = std::to_string(d.numero);
  const ErrorMeaning* m = FindMeaning(d.numero);
  p.message = DiagnosticMessage(d, m != nullptr ? m->meaning : "");
  if (d.has_posizione || d.cell >= 0) {
    p.message += " (";
    if (d.has_posizione) p.message += "at " + std::to_string(d.posizione) + " m";
    if (d.has_posizione && d.cell >= 0) p.message += ", ";
    if (d.cell >= 0) p.message += "cell " + std::to_string(d.cell);
    p.message += ')';
  }
  if (text != nullptr) {
    p.file = text->text->shown_name;
    p.line = d.line;
    p.column = d.line > 0 ? d.column : 0;
    if (!text->text->bytes && d.numero == 25) {
      p.message = "cannot read the text: " + text->text->read_error;
    }
    if (std::optional<std::string_view> line = SourceLine(text->original, d.line)) {
      p.source_line = LineForTerminal(*line, text->decoded.from_utf8);
    }
  } else if (d.origin == ErrorOrigin::kPass) {
    p.file = scenario_name;
  }
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
  const LoadedText linea = Convert(input.linea_text);
  const LoadedText treno = Convert(input.treno_text);

  Compilation compiled = CompileScenario(linea.source, treno.source,
                                         {input.linea, input.treno, PlanChoice::kWithPlan,
                                          std::nullopt, WarningChoice::kWatch, RunCheck::kCheck});
  PlaceEncodingFault(linea, ErrorOrigin::kLineText, compiled.errore);
  PlaceEncodingFault(treno, ErrorOrigin::kTrainText, compiled.errore);

  PageBuild build;
  build.complete = true;
  for (const Diagnostic& d : compiled.errore.log) {
    const LoadedText* text = d.origin == ErrorOrigin::kLineText    ? &linea
                             : d.origin == ErrorOrigin::kTrainText ? &treno
                                                                   : nullptr;
    if (text != nullptr) build.complete = false;
    build.diagnostics.push_back(Describe(d, text, input.scenario_name));
  }

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
