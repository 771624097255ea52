// The build run itself: what the program does when started with no arguments (main.cc)
// and what `percorso build-run` does in a folder of one's choice (build_run_command.h).
// It writes the built-in texts and the crew documents into `dir`, compiles the texts into
// the three compiled files and deletes the texts.
#ifndef PERCORSO_APP_BUILD_RUN_H_
#define PERCORSO_APP_BUILD_RUN_H_

#include <filesystem>
#include <iosfwd>
#include <string_view>

namespace percorso {

// Runs the whole build in `dir`. Prints "Attendere" on `out` first. Returns the process
// exit status: 0 when the run completes (whatever error number the compile recorded,
// which is reported on `err`), 3 when a file cannot be written or a reserved place of
// the compiled scenario is already taken.
int RunBuild(const std::filesystem::path& dir, std::ostream& out, std::ostream& err);

// The fatal error box: prints " Errore n. " and `a` on standard error and ends the
// process at once with exit status 3.
[[noreturn]] void errore(std::string_view a);

}  // namespace percorso

#endif  // PERCORSO_APP_BUILD_RUN_H_
