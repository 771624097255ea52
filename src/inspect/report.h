// `report`: one self-contained HTML page about a compiled scenario: its general data, a
// map of the plan, a profile along the line and the tables of stations, boards and
// chainage references. It reads the compiled files only, so it works for any scenario.
#ifndef PERCORSO_INSPECT_REPORT_H_
#define PERCORSO_INSPECT_REPORT_H_

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

}  // namespace percorso

#endif  // PERCORSO_INSPECT_REPORT_H_
