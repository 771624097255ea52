// The one bridge from the live preview to the compiler and the report: the two texts as
// they stand on disk go in; the report's drawing and every error and warning come out,
// as the front end gives them to `compile` (compiler/front_end.h). Nothing is written
// anywhere.
#ifndef PERCORSO_SERVE_PAGE_COMPILE_H_
#define PERCORSO_SERVE_PAGE_COMPILE_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "compiler/front_end.h"

namespace percorso {

struct PageInput {
  std::string linea;           // the line name, NAME
  std::string treno;           // the train number
  AuthorText linea_text;       // NAME_linea.txt, shown as the page names it
  AuthorText treno_text;       // NAME_NUMBER-.txt
  std::string scenario_name;   // names errors that have no row (the cell file, as shown)
};

enum class Severity { kError, kWarning };

struct PageDiagnostic {
  Severity severity = Severity::kError;
  std::string code;          // "16", "unknown-row"; empty when the diagnostic has no code
  std::string file;          // as shown; empty when it belongs to no file
  int line = 0;              // 1-based; 0 when unknown
  int column = 0;            // 1-based; 0 when unknown
  std::string message;       // UTF-8, as `compile --format json` gives it
  std::string place;         // " (at 10200 m, cell 204)"; empty when neither is known
  std::string source_line;   // the quoted line of the text, UTF-8; empty when none
};

struct PageBuild {
  // The report's content (inside its <main>), when the compile got as far as compiled
  // files; nothing when there is nothing to draw.
  std::optional<std::string> drawing;
  std::string title;  // "NAME · train NUMBER" when there is a drawing
  // The loader read both texts to their end: the drawing shows the texts whole. False
  // when an error in a text stopped it (the drawing, if any, shows only a part).
  bool complete = false;
  std::vector<PageDiagnostic> diagnostics;
};

// Compiles the two texts in memory and renders the report from the compiled bytes.
PageBuild CompilePage(const PageInput& input);

}  // namespace percorso

#endif  // PERCORSO_SERVE_PAGE_COMPILE_H_
