#include "compiler/run_warnings.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "analysis/braking.h"
#include "analysis/route.h"
#include "analysis/timetable.h"
#include "analysis/train_model.h"

namespace percorso {

namespace {

std::string Fixed(double v, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

void Add(ErrorState& errore, WarningKind kind, const PlacedItem& at, std::string message) {
  Warning w;
  w.kind = kind;
  w.text = at.origin == ErrorOrigin::kLineText ? WarningText::kLine : WarningText::kTrain;
  w.line = at.line;
  w.column = at.column;
  w.message = std::move(message);
  w.errors_before = errore.log.size();
  errore.warnings.push_back(std::move(w));
}

// The row that put an item on `cell`, the last one when several did.
const PlacedItem* RowOf(const std::vector<PlacedItem>& rows, int64_t cell) {
  for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
    if (it->cell == cell) return &*it;
  }
  return nullptr;
}

}  // namespace

void WarnAboutTheRun(const LineTable& table, const CellGrid& grid,
                     const std::vector<PlacedItem>& placed,
                     const std::vector<PlacedItem>& station_rows, ErrorState& errore) {
  const Route route = ReadRoute(table, grid.cells());
  for (const ShortWarning& w : FindShortWarnings(route)) {
    const PlacedItem* row = RowOf(placed, w.slowdown->start_cell);
    if (row == nullptr) continue;
    Add(errore, WarningKind::kSlowdownWarningShort, *row,
        "the slowdown's warning stands " + Fixed(w.available_m, 0) +
            " m before its start, but braking from " + std::to_string(w.warning_speed_kmh) +
            " to " + std::to_string(w.slowdown->speed_kmh) + " km/h with " +
            std::to_string(route.braked_percentage) + " % braked mass takes " +
            Fixed(std::ceil(w.braking_m), 0) + " m");
  }
  // One run a thread, kept: the language server and the preview check at every edit.
  thread_local Timetable tt;
  AnalyseTimetableInto(route, DefaultTrainModel(route.cars), {}, &tt);
  for (const TimetableSection& s : tt.sections) {
    if (s.kept()) continue;
    const PlacedItem* row = RowOf(station_rows, s.to_slot);
    if (row == nullptr) continue;
    std::string message = "the section from " + s.from + " to " + s.to + " (" +
                          Fixed((s.to_m - s.from_m) / 1000.0, 2) + " km) is scheduled in " +
                          std::to_string(s.scheduled_s) + " s; ";
    if (std::isfinite(s.min_running_s)) {
      message += "the assumed train needs at least " + Fixed(s.min_running_s + s.dwell_s, 1) +
                 " s: " + Fixed(-s.slack_s(), 1) + " s short";
    } else {
      message += "the assumed train cannot pass (a speed limit of 0 or a climb it stalls on)";
    }
    Add(errore, WarningKind::kTimetableTooTight, *row, message);
  }
}

}  // namespace percorso
