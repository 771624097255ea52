#include "lsp/compile_pair.h"

#include "compiler/front_end.h"
#include "model/names.h"

namespace percorso::lsp {

namespace {

AuthorText TextOf(std::optional<std::string_view> bytes, const std::string& file_name) {
  AuthorText t;
  t.file_name = file_name;
  t.shown_name = file_name;
  if (bytes) {
    t.bytes = std::string(*bytes);
  } else {
    t.read_error = "No such file or directory";
  }
  return t;
}

}  // namespace

PairOutcome CompilePair(const PairTexts& texts) {
  PairRequest request;
  request.nome_linea = texts.nome_linea;
  request.numero_treno = texts.numero_treno;
  request.linea = TextOf(texts.linea, LineaFileName(texts.nome_linea));
  request.treno = TextOf(texts.treno, TrenoFileName(texts.nome_linea, texts.numero_treno));
  request.plan = PlanChoice::kWithPlan;
  request.scenario_name = CellFileName(texts.nome_linea, texts.numero_treno);
  PairResult result = CompileTextPair(std::move(request));

  PairOutcome out;
  if (result.compiled_pair) out.last_cell = result.compiled.grid.upper();
  // The findings' quoted lines are not kept: the editor quotes its own buffer.
  out.findings = std::move(result.findings);
  for (percorso::Finding& f : out.findings) f.quoted_line.reset();
  return out;
}

}  // namespace percorso::lsp
