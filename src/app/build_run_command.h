// `percorso build-run --dir DIR`: the build run of the program started with no
// arguments, into a folder of one's choice instead of the executable's own. It writes
// the same files, byte for byte, since it is the same run (build_run.h).
#ifndef PERCORSO_APP_BUILD_RUN_COMMAND_H_
#define PERCORSO_APP_BUILD_RUN_COMMAND_H_

#include <filesystem>
#include <iosfwd>

#include "app/commands.h"

namespace percorso {

struct BuildRunOptions {
  std::filesystem::path dir = ".";  // where to do the build run; created when missing
};

// Declares the options and help of `build-run` on `sub`; the action runs RunBuildRun.
CommandAction DefineBuildRun(CLI::App& sub, std::ostream& out, std::ostream& err);

// Creates the directory when missing, then does the build run there. Exit status: 0 the
// run completed; 3 the directory or a file cannot be written, or a reserved place of the
// compiled scenario is taken.
int RunBuildRun(const BuildRunOptions& options, std::ostream& out, std::ostream& err);

}  // namespace percorso

#endif  // PERCORSO_APP_BUILD_RUN_COMMAND_H_
