#include "compiler/compile.h"

#include <utility>
#include <vector>

#include "compiler/loader_files.h"
#include "compiler/protection_pass.h"
#include "compiler/scenario_codes.h"

namespace percorso {

std::string PlanFileName(const std::string& nome_linea) { return nome_linea + "_linea.dat"; }

std::string LineFileName(const std::string& nome_linea, const std::string& numero_treno) {
  return nome_linea + "_" + numero_treno + ".sim";
}

std::string CellFileName(const std::string& nome_linea, const std::string& numero_treno) {
  return nome_linea + "_" + numero_treno + ".dat";
}

namespace {

// Values stamped into the reserved places.
constexpr int16_t kLineStamp = 610;   // slot 85 valore1
constexpr int16_t kCellStamp = 5121;  // cell 1 dato1

// Steps before the load: build flag, error number 0, the line table cleared.
void PrepareBuild(Form1& form, int32_t j) {
  form.flag_costruzione = j;
  form.errore.numero = 0;
  form.errore.log.clear();  // the diagnostics of this build only
  form.tabella.Clear();
  // The loader sizes the grid and the plan when it reads the line length; one left from
  // an earlier build in this state must not pass for this build's.
  form.griglia = CellGrid{};
  form.piano.Reset();
  form.contatori = LoaderCounters{};
}

LoaderState StateOf(Form1& form) {
  return LoaderState{form.tabella, form.griglia, form.piano, form.errore, form.contatori};
}

// Steps after the load: the pass, the reserved places, the codes and the files' bytes.
void FinishBuild(Form1& form, CompiledScenario& out) {
  // A load that stopped before the line length leaves nothing to pass over or to write.
  if (!form.griglia.exists() || !form.griglia.Contains(1)) {
    out.verdict = CompileVerdict::kNoGrid;
    return;
  }

  ProtectionPass(form.griglia, form.errore);

  LineRecord& identity = form.tabella.slot[kLineIdentitySlot];
  TrackCell& cell1 = form.griglia.at(1);
  if (identity.valore1 != 0 || cell1.dato1 != 0) {
    out.verdict = CompileVerdict::kReserved1250;
    return;
  }
  identity.valore1 = kLineStamp;
  cell1.dato1 = kCellStamp;
  if (identity.orario != 0 || cell1.dato2 != 0) {
    out.verdict = CompileVerdict::kReserved1251;
    return;
  }
  identity.orario = codice_gara_st(form.tabella);
  cell1.dato2 = static_cast<int16_t>(codice_gara_og(form.tabella));  // at most 6375

  if (form.flag_costruzione != 0) out.plan_file = EncodePlanFile(form.piano);
  out.line_file = EncodeLineFile(form.tabella);
  out.cell_file = EncodeCellFile(form.griglia);
  out.verdict = CompileVerdict::kCompiled;
}

}  // namespace

CompiledScenario CompileScenario(Form1& form, int32_t j, const SourceText& linea,
                                 const SourceText& treno) {
  CompiledScenario out;
  PrepareBuild(form, j);
  out.deletions = memorizza_dati(
      LoaderInput{linea, treno, form.nome_linea, form.numero_treno, form.flag_costruzione},
      StateOf(form));
  FinishBuild(form, out);
  return out;
}

OutputResult memorizza_percorso(Form1& form, int32_t j, const OutputOptions& options) {
  OutputResult result;
  CompiledScenario compiled;
  PrepareBuild(form, j);
  // The load reads both texts and deletes them as it goes, before any check below. A
  // text that cannot be deleted is the load's own failure (error 25), not the end of
  // the run: the compiled files are still written.
  compiled.deletions = LoadFromDirectory(options.source_dir, form.nome_linea, form.numero_treno,
                                         form.flag_costruzione, StateOf(form),
                                         LoadFilesOptions{options.delete_texts})
                           .deletions;
  FinishBuild(form, compiled);
  result.verdict = compiled.verdict;
  if (compiled.verdict != CompileVerdict::kCompiled || !options.write_files) return result;

  struct Output {
    std::string name;
    const std::string* bytes;
  };
  std::vector<Output> outputs;
  if (compiled.plan_file) outputs.push_back({PlanFileName(form.nome_linea), &*compiled.plan_file});
  outputs.push_back({LineFileName(form.nome_linea, form.numero_treno), &compiled.line_file});
  outputs.push_back({CellFileName(form.nome_linea, form.numero_treno), &compiled.cell_file});
  for (const Output& o : outputs) {
    if (auto e = ReplaceFile(options.output_dir / o.name, *o.bytes)) {
      result.io_error = std::move(e);
      return result;
    }
    result.written.push_back(o.name);
  }
  return result;
}

}  // namespace percorso
