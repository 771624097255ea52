#include "decompile/compile_call.h"

#include "build/form1.h"
#include "output/output_stage.h"

namespace percorso {

RecompiledFiles CompileTexts(const std::string& nome_linea, const std::string& numero_treno,
                             std::string_view linea, std::string_view treno, bool with_plan) {
  SourceText l{ReadStatus::kOk, std::string(linea), nome_linea + "_linea.txt"};
  SourceText t{ReadStatus::kOk, std::string(treno), nome_linea + "_" + numero_treno + "-.txt"};
  Form1 form;
  form.nome_linea = nome_linea;
  form.numero_treno = numero_treno;
  CompiledScenario c = CompileScenario(form, with_plan ? 1 : 0, l, t);
  RecompiledFiles r;
  r.error_number = form.errore.numero;
  r.error_position = form.errore.posizione;
  if (c.verdict != CompileVerdict::kCompiled) return r;
  r.written = true;
  r.plan_file = std::move(c.plan_file);
  r.line_file = std::move(c.line_file);
  r.cell_file = std::move(c.cell_file);
  return r;
}

}  // namespace percorso
