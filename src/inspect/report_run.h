// The two charts of the fastest legal run under the report's profile: speed over
// distance (the speed profile, the slowdowns and the run with its braking curves) and
// time over distance (the run against the scheduled times), for the assumed train.
// Curves are drawn sampled, a few points per pixel column, so that the longest line's
// page stays small.
#ifndef PERCORSO_INSPECT_REPORT_RUN_H_
#define PERCORSO_INSPECT_REPORT_RUN_H_

#include <string>

#include "inspect/report.h"

namespace percorso {

// The <section> of the two charts, or a note where fewer than two stations carry a time.
std::string RenderRunCharts(const CompiledView& view);

}  // namespace percorso

#endif  // PERCORSO_INSPECT_REPORT_RUN_H_
