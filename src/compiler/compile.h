// The compile: from the two texts to the compiled model, the error state and the bytes of
// the compiled files, as one value. It clears nothing and changes nothing of the
// caller's; each call starts from an empty model. Writing the files is a separate step,
// shared by the build run and `compile`.
#ifndef PERCORSO_COMPILER_COMPILE_H_
#define PERCORSO_COMPILER_COMPILE_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "compiler/loader.h"
#include "compiler/loader_files.h"
#include "model/cell_grid.h"
#include "model/error_state.h"
#include "model/line_table.h"
#include "model/track_plan.h"

namespace percorso {

// Whether a compile checks the run of the assumed train.
enum class RunCheck : uint8_t { kSkip, kCheck };

// Whether the plan (and its file) is built.
enum class PlanChoice : uint8_t { kWithoutPlan, kWithPlan };

struct CompileSettings {
  std::string nome_linea;    // makes up every file name
  std::string numero_treno;  // makes up the line and cell file names
  PlanChoice plan = PlanChoice::kWithPlan;
  // When set, the texts the load deletes are removed from this folder before the pass, as
  // the build run does; a text that cannot be removed is the load's error 25.
  std::optional<std::filesystem::path> delete_texts_in = std::nullopt;
  WarningChoice warnings = WarningChoice::kWatch;
  // Whether a clean compile also checks that the assumed train can run it: warnings
  // slowdown-warning-short and timetable-too-tight (compiler/run_warnings.h).
  RunCheck run_check = RunCheck::kSkip;
};

enum class CompileVerdict {
  kCompiled,      // the files' bytes are ready (whatever the error number says)
  kNoGrid,        // the load stopped before the line length sized the grid: nothing to write
  kReserved1250,  // a reserved place (slot 85 valore1 / cell 1 dato1) was already taken
  kReserved1251,  // a reserved place (slot 85 orario / cell 1 dato2) was already taken
};

// One compiled file: its name and its bytes.
struct CompiledFile {
  std::string name;
  std::string bytes;
};

// Everything one compile gives.
struct Compilation {
  CompileVerdict verdict = CompileVerdict::kNoGrid;
  ErrorState errors;
  LineTable line_table;
  CellGrid grid;
  TrackPlan plan;
  LoaderCounters counters;
  LoaderDeletions deletions;  // the texts the load deletes
  // The files, in the order they are written: the plan (when built), the line file, the
  // cell file. Empty unless the verdict is kCompiled.
  std::vector<CompiledFile> files;

  // The bytes of a file, or nullptr when it was not made.
  const std::string* plan_file() const;
  const std::string* line_file() const;
  const std::string* cell_file() const;
};

// Loads the two texts, runs the protection pass, stamps the reserved places and the
// scenario codes, and gives the bytes of the files.
Compilation CompileScenario(const SourceText& linea, const SourceText& treno,
                            const CompileSettings& settings);

struct WrittenFiles {
  std::vector<std::string> written;  // names written, in order
  std::optional<IoError> io_error;   // the file that could not be written
  std::string failed_name;           // its name
};

// Replaces the compilation's files in `dir` atomically, in order, stopping at the first
// that cannot be written.
WrittenFiles WriteCompiledFiles(const std::filesystem::path& dir, const Compilation& compiled);

}  // namespace percorso

#endif  // PERCORSO_COMPILER_COMPILE_H_
