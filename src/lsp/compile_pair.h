// The server's one way into the compiler: the two texts of a pair in, the front end's
// findings (the same that `compile` prints) and what the editor needs of the model out.
#ifndef PERCORSO_LSP_COMPILE_PAIR_H_
#define PERCORSO_LSP_COMPILE_PAIR_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/diagnostics.h"

namespace percorso::lsp {

enum class Severity : uint8_t {
  kError = 1,  // the protocol's numbers
  kWarning = 2,
  kInformation = 3,
  kHint = 4,
};

struct PairTexts {
  std::string nome_linea;
  std::string numero_treno;
  // The texts' bytes as on disk or in the editor (Windows-1252 or UTF-8); nothing when
  // the text does not exist.
  std::optional<std::string_view> linea;
  std::optional<std::string_view> treno;
};

struct PairOutcome {
  std::vector<percorso::Finding> findings;  // in the order the compiler found them
  int32_t last_cell = -1;  // N, the grid's last cell; -1 when no grid was built
};

// Compiles the pair in memory, with the plan and every warning. Nothing is read from or
// written to disk. The findings name the texts by their file names.
PairOutcome CompilePair(const PairTexts& texts);

}  // namespace percorso::lsp

#endif  // PERCORSO_LSP_COMPILE_PAIR_H_
