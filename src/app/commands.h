// The command line of the program. Each command is one file pair `<command>_command.h`
// and `.cc`: its options, its definition (the options declared on its own CLI11
// sub-application, which hands back the action to run once the line has been parsed) and
// its run. main.cc holds the table of commands. Started with no arguments the program
// does the build run instead (or, installed, says how to), before any of this is looked at.
#ifndef PERCORSO_APP_COMMANDS_H_
#define PERCORSO_APP_COMMANDS_H_

#include <functional>
#include <iosfwd>
#include <span>
#include <string_view>

#include <CLI/CLI.hpp>

#include "base/exit_status.h"

namespace percorso {

// Runs a parsed command; returns the exit status.
using CommandAction = std::function<int()>;

struct Command {
  const char* name;
  const char* summary;  // one line, for the program's --help
  // Declares the command's options, help footer (with an example) on `sub`; returns the
  // action, which reads the parsed values.
  CommandAction (*define)(CLI::App& sub, std::ostream& out, std::ostream& err);
};

// Exit statuses of the commands, the ones every command shares (base/exit_status.h) by
// the names of `compile`'s help.
inline constexpr int kExitOk = kStatusOk;             // done; compile: final error number 0
inline constexpr int kExitError = kStatusInputWrong;  // compile: an error number was recorded
                                                      // (files still written)
inline constexpr int kExitUsage = kStatusUsage;       // bad command line, or no single pair
                                                      // of texts (or scenario) in DIR
inline constexpr int kExitStopped = kStatusFileFault; // a file unreadable or unwritable;
                                                      // compile: a reserved place taken

// Parses `argv` against `commands` and runs the chosen one. --help and --version print
// on `out` and give 0 (--version prints `version_text`); a malformed command line gives 2
// with a message on `err`.
// A command that runs out of memory (or meets any other exception) is not aborted: it
// says so on `err` and gives 3.
int RunCommandLine(int argc, const char* const* argv, std::span<const Command> commands,
                   std::string_view version_text, std::ostream& out, std::ostream& err);

// Runs `run` and gives its status; when it throws, says so on `err` ("percorso: out of
// memory" for std::bad_alloc) and gives 3.
int RunGuarded(const std::function<int()>& run, std::ostream& err);

}  // namespace percorso

#endif  // PERCORSO_APP_COMMANDS_H_
