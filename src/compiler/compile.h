// The output stage: clears the line table, loads the two texts, runs the protection
// pass, stamps the reserved places and the scenario codes, and writes the compiled
// files. The in-memory part is separate from the disk part so that tests, fuzzers and
// benchmarks compile scenarios without touching the file system.
#ifndef PERCORSO_COMPILER_COMPILE_H_
#define PERCORSO_COMPILER_COMPILE_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "compiler/form1.h"
#include "compiler/loader.h"

namespace percorso {

enum class CompileVerdict {
  kCompiled,      // the three files' bytes are ready (whatever the error number says)
  kNoGrid,        // the load stopped before the line length sized the grid: nothing to write
  kReserved1250,  // a reserved place (slot 85 valore1 / cell 1 dato1) was already taken
  kReserved1251,  // a reserved place (slot 85 orario / cell 1 dato2) was already taken
};

struct CompiledScenario {
  CompileVerdict verdict = CompileVerdict::kNoGrid;
  std::optional<std::string> plan_file;  // present when the build flag is non-zero
  std::string line_file;
  std::string cell_file;
  LoaderDeletions deletions;  // the texts the load deletes
};

// Output file names.
std::string PlanFileName(const std::string& nome_linea);  // <linea>_linea.dat
std::string LineFileName(const std::string& nome_linea, const std::string& numero_treno);  // .sim
std::string CellFileName(const std::string& nome_linea, const std::string& numero_treno);  // .dat

// Compiles in memory: build flag j, error number 0, table cleared, load, pass, reserved
// places, codes, and the bytes of the files. `form` keeps the model for the caller to examine.
CompiledScenario CompileScenario(Form1& form, int32_t j, const SourceText& linea,
                                 const SourceText& treno);

struct OutputOptions {
  std::filesystem::path source_dir;  // where the two texts are read
  std::filesystem::path output_dir;  // where the compiled files go
  bool delete_texts = true;          // the build run deletes its texts; authors' texts stay
  bool write_files = true;           // false: compile and report only
};

struct OutputResult {
  CompileVerdict verdict = CompileVerdict::kNoGrid;
  std::vector<std::string> written;  // file names written, in order
  std::optional<IoError> io_error;   // a compiled file could not be written (a text that
                                     // cannot be read or deleted is the load's error 25)
};

// memorizza_percorso(j): reads the texts from disk, compiles them, deletes them when
// asked, and replaces the compiled files (plan, line, cell, in that order) atomically,
// stopping at the first that cannot be written. Nothing is written unless the verdict
// is kCompiled.
OutputResult memorizza_percorso(Form1& form, int32_t j, const OutputOptions& options);

}  // namespace percorso

#endif  // PERCORSO_COMPILER_COMPILE_H_
