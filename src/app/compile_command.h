// `percorso compile`: compiles an author's pair of texts into the three compiled files,
// through the same compile (loader, protection pass, stamps) as the build run, and
// reports every recorded error with its file, line and column. The author's texts are
// read only: they are never changed or deleted.
#ifndef PERCORSO_APP_COMPILE_COMMAND_H_
#define PERCORSO_APP_COMPILE_COMMAND_H_

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "app/commands.h"

namespace percorso {

struct CompileOptions {
  std::filesystem::path dir = ".";            // where the two texts are
  std::optional<std::string> linea;           // --line; found in `dir` when absent
  std::optional<std::string> treno;           // --train; found in `dir` when absent
  std::optional<std::filesystem::path> out;   // --out; `dir` when absent
  bool check = false;                         // compile and report, write nothing
  bool no_plan = false;                       // compile without the plan: no plan file
  std::vector<std::string> no_warn;           // --no-warn NAME: warnings not reported
  bool werror = false;                        // --werror: any warning gives exit status 1
  std::string format = "text";                // --format: text, json or sarif
};

// Declares the options and help of `compile` on `sub`; the action runs RunCompile.
CommandAction DefineCompile(CLI::App& sub, std::ostream& out, std::ostream& err);

// Runs the compile. In text form every message goes to `err`; with --format json or
// sarif the one document goes to `out` and only failures outside the compile (a bad
// command line, a text that cannot be read) go to `err`. Returns the exit status.
int RunCompile(const CompileOptions& options, std::ostream& out, std::ostream& err);

// Checks the names given with --line and --train (either may be absent); on a bad one
// says why on `err` and gives false. Shared by every command that takes the two names.
bool CheckGivenNames(const std::optional<std::string>& linea,
                     const std::optional<std::string>& treno, std::ostream& err);

}  // namespace percorso

#endif  // PERCORSO_APP_COMPILE_COMMAND_H_
