// `percorso export`: writes the built-in line description and train data texts into a
// directory, as the template a route author starts from. Nothing is compiled and
// nothing is deleted.
#ifndef PERCORSO_APP_EXPORT_COMMAND_H_
#define PERCORSO_APP_EXPORT_COMMAND_H_

#include <filesystem>
#include <iosfwd>

#include "app/commands.h"

namespace percorso {

struct ExportOptions {
  std::filesystem::path dir = ".";
  bool force = false;  // replace texts already in `dir` (they may be an author's work)
};

// Declares the options and help of `export` on `sub`; the action runs RunExport.
CommandAction DefineExport(CLI::App& sub, std::ostream& out, std::ostream& err);

// Writes the two texts, creating `dir` when it does not exist; names them on `out`,
// failures on `err`. Returns the exit status: 0, or 3 when a text exists already
// (without `force`) or a directory or text cannot be written.
int RunExport(const ExportOptions& options, std::ostream& out, std::ostream& err);

}  // namespace percorso

#endif  // PERCORSO_APP_EXPORT_COMMAND_H_
