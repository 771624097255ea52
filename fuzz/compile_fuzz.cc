// Compiles a pair of texts in memory, from the loader to the bytes of the three files.
//
// Input: one control byte, then the line description, a 0x00 byte, then the train data
// text (no 0x00 byte: the whole rest is the line description and the train data text is
// empty). Bits of the control byte:
//   bit 0  build flag j (1: the plan is computed and its file encoded)
//   bit 1  the train data text is missing (the load's catch-all path)
//   bit 2  the line description is missing
//   bit 3  compile a second time in the same state and require the same bytes
//
// Beyond "no crash": a compiled scenario's files have exactly the sizes their layouts
// give for the model left in the state, and the plan file is there exactly when j is 1.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "build/form1.h"
#include "loader/loader.h"
#include "output/output_stage.h"
#include "track/cell_grid.h"
#include "track/line_table.h"
#include "track/track_plan.h"

namespace {

using percorso::CompiledScenario;
using percorso::CompileVerdict;
using percorso::Form1;
using percorso::ReadStatus;
using percorso::SourceText;

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "compile invariant broken: %s\n", what);
  std::abort();
}

size_t PlanFileSize(const percorso::TrackPlan& plan) {
  size_t one_component = 0;
  for (int64_t j = 0; j <= plan.upper(); ++j) {
    const uint16_t tag = plan.TagOf(j);
    one_component += 2 + (tag == percorso::kPlanInt16 ? 2 : tag == percorso::kPlanDouble ? 8 : 0);
  }
  return 2 * one_component;
}

size_t LineFileSize(const percorso::LineTable& table) {
  size_t n = 0;
  for (const percorso::LineRecord& r : table.slot) n += percorso::kSlotFixedBytes + r.nome.size();
  return n;
}

void CheckCompiled(const Form1& form, int32_t j, const CompiledScenario& out) {
  if (out.verdict != CompileVerdict::kCompiled) return;
  Check(form.griglia.exists(), "compiled without a grid");
  Check(out.cell_file.size() ==
            static_cast<size_t>(form.griglia.upper() + 1) * percorso::kCellBytes,
        "cell file size");
  Check(out.line_file.size() == LineFileSize(form.tabella), "line file size");
  for (const percorso::LineRecord& r : form.tabella.slot)
    Check(r.nome.size() <= 65535, "a name too long for the line file");
  Check(out.plan_file.has_value() == (j != 0), "plan file present exactly with the build flag");
  if (out.plan_file) Check(out.plan_file->size() == PlanFileSize(form.piano), "plan file size");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t control = data[0];
  const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  const size_t cut = rest.find('\0');

  SourceText linea;
  SourceText treno;
  linea.name = "fuzz_linea.txt";
  treno.name = "fuzz_55-.txt";
  linea.status = (control & 4) ? ReadStatus::kMissing : ReadStatus::kOk;
  treno.status = (control & 2) ? ReadStatus::kMissing : ReadStatus::kOk;
  if (linea.status == ReadStatus::kOk) linea.bytes = std::string(rest.substr(0, cut));
  if (treno.status == ReadStatus::kOk && cut != std::string_view::npos)
    treno.bytes = std::string(rest.substr(cut + 1));
  const int32_t j = control & 1;

  Form1 form;
  form.nome_linea = "fuzz";
  const CompiledScenario first = percorso::CompileScenario(form, j, linea, treno);
  CheckCompiled(form, j, first);

  if (control & 8) {
    const int32_t numero = form.errore.numero;
    const int32_t posizione = form.errore.posizione;
    const CompiledScenario second = percorso::CompileScenario(form, j, linea, treno);
    Check(second.verdict == first.verdict, "same verdict twice");
    Check(form.errore.numero == numero && form.errore.posizione == posizione, "same error twice");
    Check(second.plan_file == first.plan_file && second.line_file == first.line_file &&
              second.cell_file == first.cell_file,
          "same bytes twice");
  }
  return 0;
}
