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

struct CompileReport {
  std::vector<Finding> findings;      // in the order they were found
  int32_t numero = 0;                // the final error number
  std::optional<int32_t> posizione;  // its position, when it has one
  std::vector<std::string> written;  // the files written, as shown
  size_t warnings = 0;               // warnings reported (after --no-warn)
  int exit_status = 0;
  std::string failure;               // a file that could not be written, and why
};

// {"diagnostics": [...], "result": {...}} with a line end.
std::string CompileReportJson(const CompileReport& report);

// A SARIF 2.1.0 log of one run, with a line end.
std::string CompileReportSarif(const CompileReport& report);

}  // namespace percorso

#endif  // PERCORSO_APP_MACHINE_DIAGNOSTICS_H_
