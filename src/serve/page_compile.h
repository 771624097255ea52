// The one bridge from the live preview to the compiler and the report: the two texts as
// they stand on disk go in; the report's drawing and every diagnostic come out. Nothing
// is written anywhere. Diagnostics are kept generic (severity, code, place, message) so
// that the page shows any kind the compiler reports without knowing it.
#ifndef PERCORSO_SERVE_PAGE_COMPILE_H_
#define PERCORSO_SERVE_PAGE_COMPILE_H_

#include <optional>
#include <string>
#include <vector>

namespace percorso {

// One of the two texts of a pair, as read from disk.
struct PageText {
  std::string shown_name;            // how the page names the file, e.g. "routes/X_linea.txt"
  std::optional<std::string> bytes;  // nothing when the file could not be read
  std::string read_error;            // why it could not be read
};

struct PageInput {
  std::string linea;           // the line name, NAME
  std::string treno;           // the train number
  PageText linea_text;         // NAME_linea.txt
  PageText treno_text;         // NAME_NUMBER-.txt
  std::string scenario_name;   // names errors that have no row (the cell file, as shown)
};

enum class Severity { kError, kWarning };

struct PageDiagnostic {
  Severity severity = Severity::kError;
  std::string code;          // "16"; empty when the diagnostic has no number
  std::string file;          // as shown; empty when it belongs to no file
  int line = 0;              // 1-based; 0 when unknown
  int column = 0;            // 1-based; 0 when unknown
  std::string message;       // UTF-8
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
