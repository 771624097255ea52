// The one front end for a pair of texts, shared by `compile`, the language server and the
// live preview: a text read from disk or taken from an editor's buffer goes in; it is
// converted to Windows-1252, an encoding fault is placed on the loader's error for that
// text, the pair is compiled with warnings, and every error and warning comes out as one
// `Finding`. The three faces only format findings; none of them looks at the error
// state itself, so they cannot come to disagree.
#ifndef PERCORSO_COMPILER_FRONT_END_H_
#define PERCORSO_COMPILER_FRONT_END_H_

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/compile.h"
#include "compiler/diagnostics.h"
#include "model/error_state.h"

namespace percorso {

// One text of a pair as the author has it.
struct AuthorText {
  std::string file_name;             // "X_linea.txt": what the loader's messages name
  std::string shown_name;            // what the findings name: "routes/X_linea.txt", a path
  std::optional<std::string> bytes;  // as on disk or in the editor; nothing when unreadable
  std::string read_error;            // why it could not be read ("No such file or directory")
};

// Reads `dir`/`file_name`; the shown name is the path as an author types it ("name" in
// the current directory, "dir/name" else).
AuthorText ReadAuthorText(const std::filesystem::path& dir, const std::string& file_name);

// A text held in memory (an editor's buffer), shown as `shown_name`.
AuthorText BufferText(std::string file_name, std::string shown_name, std::string bytes);

// The path `dir`/`name` as the findings and the summary show it.
std::string ShownPath(const std::filesystem::path& dir, const std::string& name);

struct PairRequest {
  std::string nome_linea;
  std::string numero_treno;
  AuthorText linea;
  AuthorText treno;
  PlanChoice plan = PlanChoice::kWithPlan;
  std::string scenario_name;  // the cell file as shown, for the findings of the pass
  std::vector<WarningKind> silenced;  // warnings not reported
};

struct PairResult {
  // False when a text could not be read: nothing was compiled and `findings` holds one
  // kUnreadableCode finding per unreadable text.
  bool compiled_pair = false;
  Compilation compiled;
  // Every error and reported warning in the order found: each warning before the errors
  // recorded after it.
  std::vector<Finding> findings;
  size_t warnings = 0;  // warnings among the findings
  // The texts the findings' quoted lines point into.
  std::shared_ptr<const std::pair<AuthorText, AuthorText>> texts;
  // The texts as quoted, for whoever needs more than the finding's line.
  std::shared_ptr<const std::pair<QuotedText, QuotedText>> quoted;
};

// Converts, compiles (with warnings) and describes. Nothing is written.
PairResult CompileTextPair(PairRequest request);

}  // namespace percorso

#endif  // PERCORSO_COMPILER_FRONT_END_H_
