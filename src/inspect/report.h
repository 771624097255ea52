// `report`: one self-contained HTML page about a compiled scenario: its general data, a
// map of the plan, a profile along the line and the tables of stations, boards and
// chainage references. It reads the compiled files only, so it works for any scenario.
#ifndef PERCORSO_INSPECT_REPORT_H_
#define PERCORSO_INSPECT_REPORT_H_

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "format/decode.h"
#include "model/cell_grid.h"
#include "model/line_table.h"

namespace percorso {

// The three compiled files, decoded. The plan is absent for a build without plan.
struct CompiledView {
  LineTable table;
  std::vector<TrackCell> cells;
  std::optional<DecodedPlan> plan;
};

// The whole page. Texts of the files are converted from Windows-1252 and escaped; the
// page uses no network and no file besides itself.
std::string RenderReport(const CompiledView& view);

// The page in parts, for a page that shows the report inside its own: the document's
// title and the content of its <main> element. RenderReport is these two and
// ReportStyle() in their frame.
struct ReportParts {
  std::string title;
  std::string main;
};
ReportParts RenderReportParts(const CompiledView& view);

// The style sheet of the page.
std::string_view ReportStyle();

// The page's script: zoom and pan of the map and the profile, labels thinned so that none
// overlaps another at any zoom. It defines window.percorsoZoom(root), which sets up the
// drawings under `root` (a page that replaces its drawings calls it again).
std::string_view ReportScript();

struct ReportOptions {
  std::filesystem::path dir = ".";  // where the compiled files are
  std::string line;                 // NAME; empty: the one scenario found in dir
  std::string train;                // NUMBER; empty: the one scenario found in dir
  std::filesystem::path output;     // -o FILE; empty: OUT/NAME_NUMBER_report.html
  std::filesystem::path out_dir;    // --out DIR; empty: DIR
};

// `percorso report [--dir DIR] [--line NAME] [--train NUMBER] [--out DIR | -o FILE]`.
// Reads DIR/NAME_NUMBER.dat, DIR/NAME_NUMBER.sim and, when present, DIR/NAME_linea.dat,
// and writes the page atomically, creating the folder it goes into (with its parents)
// as `compile --out` does. When NAME or NUMBER is left out and DIR holds exactly one
// matching NAME_NUMBER.sim, that scenario is used; when it holds none but holds texts,
// the message says to compile them first. Exit status: 0 written (its path on
// `out`); 1 a compiled file is missing, unreadable or broken, or the page cannot be
// written; 2 a usage error (a bad name, no scenario or several to choose from).
int RunReport(const ReportOptions& options, std::ostream& out, std::ostream& err);

}  // namespace percorso

#endif  // PERCORSO_INSPECT_REPORT_H_
