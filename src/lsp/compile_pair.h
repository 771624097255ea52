// The server's one way into the compiler: the two texts of a pair in, every finding of
// the compile and what the editor needs of the model out. Findings are kept generic
// (severity, code, place, message) so that every kind the compiler reports reaches the
// editor without the server knowing it.
#ifndef PERCORSO_LSP_COMPILE_PAIR_H_
#define PERCORSO_LSP_COMPILE_PAIR_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/error_state.h"

namespace percorso::lsp {

enum class Severity : uint8_t {
  kError = 1,  // the protocol's numbers
  kWarning = 2,
  kInformation = 3,
  kHint = 4,
};

struct Finding {
  Severity severity = Severity::kError;
  std::string code;      // "16", or a code name
  ErrorOrigin origin = ErrorOrigin::kNone;
  int line = 0;          // 1-based, 0 when the finding has no row
  int column = 0;        // 1-based, in characters of the text; 0 when unknown
  int end_column = 0;    // 1-based, exclusive; 0 when only the start is known
  std::optional<int32_t> posizione;  // metres
  int32_t cell = -1;
  std::string message;   // what went wrong, without the place
  std::string meaning;   // the plain meaning of the code, for the hover
  // A cell found taken: the row that put the item already standing there.
  ErrorOrigin other_origin = ErrorOrigin::kNone;
  int other_line = 0;  // 1-based; 0 when there is none
  int other_column = 0;
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
  std::vector<Finding> findings;  // in the order the compiler found them
  int32_t last_cell = -1;         // N, the grid's last cell; -1 when no grid was built
};

// Compiles the pair in memory, with the plan. Nothing is read from or written to disk.
PairOutcome CompilePair(const PairTexts& texts);

}  // namespace percorso::lsp

#endif  // PERCORSO_LSP_COMPILE_PAIR_H_
