#include "decompile/compile_call.h"

#include "compiler/compile.h"

namespace percorso {

RecompiledFiles CompileTexts(const std::string& nome_linea, const std::string& numero_treno,
                             std::string_view linea, std::string_view treno, bool with_plan) {
  SourceText l{ReadStatus::kOk, std::string(linea), nome_linea + "_linea.txt"};
  SourceText t{ReadStatus::kOk, std::string(treno), nome_linea + "_" + numero_treno + "-.txt"};
  Compilation c = CompileScenario(
      l, t, {nome_linea, numero_treno, with_plan ? PlanChoice::kWithPlan : PlanChoice::kWithoutPlan});
  RecompiledFiles r;
  r.error_number = c.errors.numero;
  r.error_position = c.errors.posizione;
  if (c.verdict != CompileVerdict::kCompiled) return r;
  r.written = true;
  if (const std::string* plan = c.plan_file()) r.plan_file = *plan;
  r.line_file = *c.line_file();
  r.cell_file = *c.cell_file();
  return r;
}

}  // namespace percorso
