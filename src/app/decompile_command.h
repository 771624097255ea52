// `percorso decompile`: reads a compiled scenario (NAME_NUMBER.dat, NAME_NUMBER.sim and,
// when present, NAME_linea.dat) and writes the two texts that compile back to it.
#ifndef PERCORSO_APP_DECOMPILE_COMMAND_H_
#define PERCORSO_APP_DECOMPILE_COMMAND_H_

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "app/commands.h"

namespace percorso {

struct DecompileOptions {
  std::filesystem::path dir = ".";           // where the compiled files are
  std::optional<std::string> linea;          // --line; found in `dir` when absent
  std::optional<std::string> treno;          // --train; found in `dir` when absent
  std::optional<std::filesystem::path> out;  // --out; `dir` when absent
  bool force = false;                        // replace texts already there
};

// Declares the options and help of `decompile` on `sub`; the action runs RunDecompile.
CommandAction DefineDecompile(CLI::App& sub, std::ostream& out, std::ostream& err);

// Runs the decompile: the texts written are named on `out`, everything else goes to
// `err`. Exit status: 0 the texts compile back to the files byte for byte; 1 written,
// but places are listed that do not come back the same, or a compiled file is corrupt
// (nothing written); 2 bad command line or no single scenario in DIR; 3 a text exists
// already (without `force`), or a file cannot be read or written.
int RunDecompile(const DecompileOptions& options, std::ostream& out, std::ostream& err);

}  // namespace percorso

#endif  // PERCORSO_APP_DECOMPILE_COMMAND_H_
