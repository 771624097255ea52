#include "compiler/compile.h"

#include <string>
#include <utility>
#include <vector>

#include "compiler/protection_pass.h"
#include "compiler/run_warnings.h"
#include "compiler/scenario_codes.h"
#include "model/error_numbers.h"
#include "format/cell_file.h"
#include "format/line_file.h"
#include "format/plan_file.h"
#include "model/names.h"

namespace percorso {

namespace {

// Values stamped into the reserved places.
constexpr int16_t kLineStamp = 610;   // slot 85 valore1
constexpr int16_t kCellStamp = 5121;  // cell 1 dato1

// A fault of the protection pass names a cell; the row that put the item there is added
// to its text (the signal or the slowdown whose protection failed), so the author can
// find it.
void NameThePlacingRows(const std::vector<PlacedItem>& placed, const SourceText& linea,
                        const SourceText& treno, ErrorState& errore, size_t from) {
  for (size_t i = from; i < errore.log.size(); ++i) {
    Diagnostic& d = errore.log[i];
    for (auto it = placed.rbegin(); it != placed.rend(); ++it) {
      if (it->cell != d.cell) continue;
      const std::string& file = it->origin == ErrorOrigin::kLineText ? linea.name : treno.name;
      d.detail += "; the item on cell " + std::to_string(d.cell) + " comes from the row at " +
                  file + ":" + std::to_string(it->line);
      break;
    }
  }
}

// Stamps the reserved places and the scenario codes; returns the verdict.
CompileVerdict StampReservedPlaces(Compilation& c) {
  LineRecord& identity = c.line_table.slot[kLineIdentitySlot];
  TrackCell& cell1 = c.grid.at(1);
  if (identity.valore1 != 0 || cell1.dato1 != 0) return CompileVerdict::kReserved1250;
  identity.valore1 = kLineStamp;
  cell1.dato1 = kCellStamp;
  if (identity.orario != 0 || cell1.dato2 != 0) return CompileVerdict::kReserved1251;
  identity.orario = ComputeCodeSt(c.line_table);
  cell1.dato2 = static_cast<int16_t>(ComputeCodeOg(c.line_table));  // at most 6375
  return CompileVerdict::kCompiled;
}

// The reserved place a compile found taken, as a diagnostic: which field of cell 1 held
// what, at the row that put the item there (the last one on cell 1) when there is one.
// Rows never write the line file's reserved fields, so cell 1 is the place to look.
Diagnostic ReservedPlaceTaken(const Compilation& c, const std::vector<PlacedItem>& placed) {
  const bool first = c.verdict == CompileVerdict::kReserved1250;
  const TrackCell& cell1 = c.grid.at(1);
  const LineRecord& identity = c.line_table.slot[kLineIdentitySlot];
  Diagnostic d;
  d.numero = first ? err::kReservedPlaceOne : err::kReservedPlaceTwo;
  d.cell = 1;
  const bool in_cell = first ? cell1.dato1 != 0 : cell1.dato2 != 0;
  if (!in_cell) {
    d.detail = std::string("slot 85 ") + (first ? "valore1" : "orario") + " already holds " +
               std::to_string(first ? identity.valore1 : identity.orario);
    return d;
  }
  d.detail = "an item of type " + std::to_string(cell1.tipo) + ", " + ItemWords(cell1.tipo) +
             ", with " +
             (first ? "dato1 = " + std::to_string(cell1.dato1)
                    : "dato2 = " + std::to_string(cell1.dato2)) +
             " stands at metres 50 to 99";
  for (auto it = placed.rbegin(); it != placed.rend(); ++it) {
    if (it->cell != 1) continue;
    d.origin = it->origin;
    d.line = it->line;
    d.column = it->column;
    d.detail += ", put there by this row";
    break;
  }
  d.detail += "; the first 100 m of the line must stay free of items, since cell 1 holds "
              "the scenario's own codes";
  return d;
}

}  // namespace

const std::string* Compilation::plan_file() const {
  // With the plan there are three files, the plan first.
  return !files.empty() && files.size() == 3 ? &files[0].bytes : nullptr;
}
const std::string* Compilation::line_file() const {
  return files.empty() ? nullptr : &files[files.size() - 2].bytes;
}
const std::string* Compilation::cell_file() const {
  return files.empty() ? nullptr : &files.back().bytes;
}

Compilation CompileScenario(const SourceText& linea, const SourceText& treno,
                            const CompileSettings& settings) {
  Compilation c;
  c.line_table.Clear();
  const bool with_plan = settings.plan == PlanChoice::kWithPlan;
  std::vector<PlacedItem> placed;
  std::vector<PlacedItem> station_rows;
  c.deletions =
      LoadTexts(LoaderInput{linea, treno, settings.nome_linea, settings.numero_treno, with_plan},
                LoaderState{c.line_table, c.grid, c.plan, c.errors, c.counters, &placed,
                            &station_rows, settings.warnings});
  // The texts go before any check below. A text that cannot be deleted is the load's
  // own failure (error 25), not the end of the compile: the files are still made.
  if (settings.delete_texts_in) {
    DeleteLoadedTexts(*settings.delete_texts_in, c.deletions, linea, treno, c.errors);
  }

  // A load that stopped before the line length leaves nothing to pass over or to write.
  if (!c.grid.exists() || !c.grid.Contains(1)) {
    c.verdict = CompileVerdict::kNoGrid;
    return c;
  }
  const size_t before_pass = c.errors.log.size();
  ProtectionPass(c.grid, c.errors);
  NameThePlacingRows(placed, linea, treno, c.errors, before_pass);
  c.verdict = StampReservedPlaces(c);
  if (c.verdict != CompileVerdict::kCompiled) {
    c.errors.log.push_back(ReservedPlaceTaken(c, placed));
    return c;
  }

  if (with_plan) c.files.push_back({PlanFileName(settings.nome_linea), EncodePlanFile(c.plan)});
  c.files.push_back({LineFileName(settings.nome_linea, settings.numero_treno),
                     EncodeLineFile(c.line_table)});
  c.files.push_back({CellFileName(settings.nome_linea, settings.numero_treno),
                     EncodeCellFile(c.grid)});
  if (settings.run_check == RunCheck::kCheck && c.errors.numero == 0) {
    WarnAboutTheRun(c.line_table, c.grid, placed, station_rows, c.errors);
  }
  return c;
}

WrittenFiles WriteCompiledFiles(const std::filesystem::path& dir, const Compilation& compiled) {
  WrittenFiles result;
  for (const CompiledFile& f : compiled.files) {
    if (std::optional<IoError> e = ReplaceFile(dir / f.name, f.bytes)) {
      result.io_error = std::move(e);
      result.failed_name = f.name;
      return result;
    }
    result.written.push_back(f.name);
  }
  return result;
}

}  // namespace percorso
