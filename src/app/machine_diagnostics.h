// The diagnostics of one compile for machines: `compile --format json` (one JSON
// document) and `compile --format sarif` (SARIF 2.1.0, for code-review and CI systems
// that show findings on the lines of the texts). Both carry the same facts as the text
// form: every error and warning with its place, then the result.
#ifndef PERCORSO_APP_MACHINE_DIAGNOSTICS_H_
#define PERCORSO_APP_MACHINE_DIAGNOSTICS_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/diagnostics.h"
#include "model/error_state.h"

namespace percorso {

// One error or one warning, with the text it is about (null when it has none).
struct ReportEntry {
  const Diagnostic* error = nullptr;  // exactly one of error and warning is set
  const Warning* warning = nullptr;
  const QuotedText* text = nullptr;
};

struct CompileReport {
  std::vector<ReportEntry> entries;  // in the order they were found
  std::string scenario_name;         // the cell file, for the errors of the pass
  int32_t numero = 0;                // the final error number
  std::optional<int32_t> posizione;  // its position, when it has one
  std::vector<std::string> written;  // the files written, as shown
  size_t warnings = 0;               // warnings reported (after --no-warn)
  int exit_status = 0;
  std::string failure;               // a file that could not be written, and why
};

// The 1-based column just past the field that starts at `column` of line `line` of
// `text` (counted in characters, as the column is): a quoted field ends after its closing
// quote, a number at a blank, any other field at the comma or line end, trailing blanks
// left out. 0 when the line or column is unknown.
int FieldEndColumn(const QuotedText& text, int line, int column);

// {"diagnostics": [...], "result": {...}} with a line end.
std::string CompileReportJson(const CompileReport& report);

// A SARIF 2.1.0 log of one run, with a line end.
std::string CompileReportSarif(const CompileReport& report);

}  // namespace percorso

#endif  // PERCORSO_APP_MACHINE_DIAGNOSTICS_H_
