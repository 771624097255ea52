#include "lsp/compile_pair.h"

#include "base/text_encoding.h"
#include "builtin/builtin_texts.h"
#include "compiler/compile.h"
#include "compiler/diagnostics.h"
#include "model/error_meanings.h"
#include "model/names.h"

namespace percorso::lsp {

namespace {

struct Prepared {
  SourceText source;
  std::optional<EncodingFault> fault;
};

Prepared Prepare(std::optional<std::string_view> raw, std::string name) {
  Prepared p;
  p.source.name = std::move(name);
  if (!raw) return p;  // kMissing
  DecodedText decoded = ToWindows1252(*raw);
  if (decoded.fault) {
    // Nothing is loaded from a text that cannot be converted: the loader's catch-all.
    p.source.status = ReadStatus::kFailed;
    p.fault = decoded.fault;
  } else {
    p.source.status = ReadStatus::kOk;
    p.source.bytes = std::move(decoded.bytes);
  }
  return p;
}

// The loader's error 25 for an unconvertible text takes the fault's place and cause.
void PlaceFault(const Prepared& p, ErrorOrigin origin, ErrorState& e) {
  if (!p.fault) return;
  for (Diagnostic& d : e.log) {
    if (d.numero != 25 || d.origin != origin) continue;
    d.line = p.fault->line;
    d.column = p.fault->column;
    d.detail = p.fault->detail;
    return;
  }
}

Finding ToFinding(const Diagnostic& d) {
  Finding f;
  f.severity = Severity::kError;
  f.code = std::to_string(d.numero);
  f.origin = d.origin;
  f.line = d.line;
  f.column = d.column;
  if (d.has_posizione) f.posizione = d.posizione;
  f.cell = d.cell;
  const ErrorMeaning* m = FindMeaning(d.numero);
  f.meaning = m != nullptr ? m->meaning : "";
  f.message = DiagnosticMessage(d, f.meaning);
  return f;
}

// A warning is published as the protocol's Warning, on the text it is about.
Finding ToFinding(const Warning& w) {
  Finding f;
  f.severity = Severity::kWarning;
  f.code = std::string(WarningName(w.kind));
  f.origin = w.text == WarningText::kLine ? ErrorOrigin::kLineText : ErrorOrigin::kTrainText;
  f.line = w.line;
  f.column = w.column;
  f.message = w.message;
  f.meaning = w.message;
  return f;
}

}  // namespace

PairOutcome CompilePair(const PairTexts& texts) {
  const Prepared linea = Prepare(texts.linea, LineaFileName(texts.nome_linea));
  const Prepared treno = Prepare(texts.treno, TrenoFileName(texts.nome_linea, texts.numero_treno));
  Compilation compiled = CompileScenario(
      linea.source, treno.source,
      {texts.nome_linea, texts.numero_treno, PlanChoice::kWithPlan, std::nullopt,
       WarningChoice::kWatch, RunCheck::kCheck});
  PlaceFault(linea, ErrorOrigin::kLineText, compiled.errore);
  PlaceFault(treno, ErrorOrigin::kTrainText, compiled.errore);

  PairOutcome out;
  out.last_cell = compiled.griglia.upper();
  for (const Diagnostic& d : compiled.errore.log) out.findings.push_back(ToFinding(d));
  for (const Warning& w : compiled.errore.warnings) out.findings.push_back(ToFinding(w));
  // A reserved place found taken is in the log too, at the row that took it.
  return out;
}

}  // namespace percorso::lsp
