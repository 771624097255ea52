// What every code a compile can report means, what causes it, a short text that
// triggers it and how to fix it: the error numbers of the loader, the marker writers,
// the protection pass and the reserved places, and the names of the warnings. One table
// serves `percorso explain`, the rules of the SARIF output and the table of
// docs/text-format.md (a test keeps that table equal to ExplanationsMarkdown()).
#ifndef PERCORSO_MODEL_EXPLANATIONS_H_
#define PERCORSO_MODEL_EXPLANATIONS_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace percorso {

struct Explanation {
  std::string code;     // "16", "unknown-row"
  bool warning = false;
  std::string meaning;  // one line
  std::string cause;    // what in a text leads to it
  std::string example;  // text that triggers it, lines separated by '\n'
  std::string fix;
};

// The explanation of an error number ("16") or a warning name ("unknown-row").
std::optional<Explanation> Explain(std::string_view code);

// Every error number in rising order, then every warning.
std::vector<Explanation> AllExplanations();

// What `percorso explain CODE` prints, ending in a line end.
std::string ExplanationText(const Explanation& x);

// The Markdown table of every code, one row each, ending in a line end.
std::string ExplanationsMarkdown();

}  // namespace percorso

#endif  // PERCORSO_MODEL_EXPLANATIONS_H_
