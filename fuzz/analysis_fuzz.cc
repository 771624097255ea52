// The running-time analysis on random train models and scenarios.
//
// Input: a train model file's text, a 0x00 byte, a line file's bytes, a 0x00 0xFF 0x00
// separator, then a cell file's bytes (cut to a whole number of cells and at most 4 000
// cells, a line of 200 km). The files are decoded as `timetable` decodes them; a train
// model the reader refuses is replaced by the defaults, so every input runs the analysis.
//
// Beyond "no crash": the run never exceeds the speed profile, starts and ends at a
// standstill, its time never falls, and a section's slack is its scheduled time less its
// minimum running time and dwells.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "analysis/braking.h"
#include "analysis/route.h"
#include "analysis/timetable.h"
#include "analysis/train_model.h"
#include "analysis/train_model_json.h"
#include "format/cell_file.h"
#include "format/line_file.h"
#include "model/cell_grid.h"

namespace {

constexpr size_t kMaxCells = 4000;
constexpr std::string_view kCellSeparator("\0\xFF\0", 3);

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "analysis invariant broken: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace percorso;
  const std::string_view in(reinterpret_cast<const char*>(data), size);
  const size_t json_end = in.find('\0');
  if (json_end == std::string_view::npos) return 0;
  const std::string_view json = in.substr(0, json_end);
  const std::string_view rest = in.substr(json_end + 1);
  const size_t cut = rest.find(kCellSeparator);
  if (cut == std::string_view::npos) return 0;
  auto table = DecodeLineFile(rest.substr(0, cut));
  std::string_view cell_bytes = rest.substr(cut + kCellSeparator.size());
  cell_bytes = cell_bytes.substr(0, std::min(cell_bytes.size() / kCellBytes, kMaxCells) * kCellBytes);
  auto cells = DecodeCellFile(cell_bytes);
  if (!table.ok() || !cells.ok() || cells.value.empty()) return 0;

  const Route route = ReadRoute(table.value, cells.value);
  TrainModel train = DefaultTrainModel(route.cars);
  if (ApplyTrainModelJson(json, &train)) train = DefaultTrainModel(route.cars);
  if (!UnknownStops(route, train).empty()) train.stops.clear();
  (void)FindShortWarnings(route);
  const Timetable tt = AnalyseTimetable(route, train);
  if (tt.sections.empty()) return 0;
  const Run& run = tt.run;
  Check(run.speed_ms.size() == run.limit_ms.size() && run.time_s.size() == run.limit_ms.size(),
        "one value a metre");
  Check(run.speed_ms.front() == 0 && run.speed_ms.back() == 0, "standstill at both ends");
  for (size_t i = 0; i < run.speed_ms.size(); ++i) {
    Check(run.speed_ms[i] >= 0 && run.speed_ms[i] <= run.limit_ms[i], "within the profile");
    Check(i == 0 || !(run.time_s[i] < run.time_s[i - 1]), "time never falls");
  }
  for (const TimetableSection& s : tt.sections) {
    Check(!std::isnan(s.min_running_s) && s.min_running_s >= 0, "a running time or none");
    Check(std::isinf(s.min_running_s) ||
              std::abs(s.slack_s() - (s.scheduled_s - s.min_running_s - s.dwell_s)) < 1e-9,
          "slack");
  }
  return 0;
}
