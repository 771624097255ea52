// `percorso explain CODE`: what an error number or a warning means, what causes it, a
// short text that triggers it and how to fix it, from the one table of explanations; for
// a row keyword, the row's fields with their units, ranges and meanings.
#ifndef PERCORSO_APP_EXPLAIN_COMMAND_H_
#define PERCORSO_APP_EXPLAIN_COMMAND_H_

#include <iosfwd>
#include <string>

#include "app/commands.h"

namespace percorso {

struct ExplainOptions {
  std::string code;       // an error number, a warning name or a row keyword
  bool list = false;      // --list: every error number and warning name
  bool markdown = false;  // --markdown: every explanation as a Markdown table
};

// Declares the options and help of `explain` on `sub`; the action runs RunExplain.
CommandAction DefineExplain(CLI::App& sub, std::ostream& out, std::ostream& err);

// Prints the explanation on `out`. Exit status: 0, or 2 (with a message on `err`) without
// a CODE or --list, or for a code that no stage sets, no warning has and no row is named.
int RunExplain(const ExplainOptions& options, std::ostream& out, std::ostream& err);

}  // namespace percorso

#endif  // PERCORSO_APP_EXPLAIN_COMMAND_H_
