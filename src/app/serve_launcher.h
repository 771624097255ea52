// `serve` as the `percorso` executable knows it. The preview server, with the HTTP
// library and everything that library loads, lives in an executable of its own,
// percorso-serve (installed under libexec), so that no other command pays for loading
// it. `percorso` declares the same options, so that --help and a malformed command line
// read as before, and once the line has parsed runs percorso-serve with it unchanged.
#ifndef PERCORSO_APP_SERVE_LAUNCHER_H_
#define PERCORSO_APP_SERVE_LAUNCHER_H_

#include <filesystem>
#include <iosfwd>

#include "app/commands.h"

namespace percorso {

// The file name of the preview server's executable.
inline constexpr const char* kServeExecutable = "percorso-serve";

// The command line to hand on; call before RunCommandLine. `argv` must stay valid.
void SetServeCommandLine(char** argv);

// Declares `serve` whose action replaces this process by percorso-serve with the command
// line given to SetServeCommandLine. When it cannot be run, says why on `err` and gives
// exit status 3.
CommandAction DefineServeLauncher(CLI::App& sub, std::ostream& out, std::ostream& err);

// Where percorso-serve is looked for, in order: the libexec folder of an installation
// beside `exe_dir` (`exe_dir`/PERCORSO_SERVE_RELATIVE_DIR), then `exe_dir` itself (a
// build folder).
std::filesystem::path FindServeExecutable(const std::filesystem::path& exe_dir);

}  // namespace percorso

#endif  // PERCORSO_APP_SERVE_LAUNCHER_H_
