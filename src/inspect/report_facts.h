// What the report shows, read out of the decoded files once: the stations, boards,
// spans, slowdowns and point items with their places in metres. The map, the profile
// and the tables all draw from this, so they cannot disagree.
#ifndef PERCORSO_INSPECT_REPORT_FACTS_H_
#define PERCORSO_INSPECT_REPORT_FACTS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "inspect/report.h"

namespace percorso {

struct StationFact {
  int slot = 0;
  std::string name;  // UTF-8; "_" marks a point without a name
  int tipo = 0;
  int32_t posizione = 0;
  int32_t inizio = 0;
  int32_t fine = 0;
  int32_t orario = 0;
  int32_t stop_cell = -1;  // the cell of type 10 that names this slot, -1 when none
  bool named() const { return !name.empty() && name != "_"; }
};

struct BoardFact {
  int slot = 0;
  std::string text;        // UTF-8
  int32_t cell = -1;       // the cell of type 14 that names this slot, -1 when none
};

// A run of cells with the same non-zero montagna type: the metres [from_m, to_m).
struct SpanFact {
  int64_t from_m = 0;
  int64_t to_m = 0;
  int tipo = 0;
};

// A slowdown: its start cell (type 3) and the first end cell (type 2) after it.
struct SlowdownFact {
  int32_t start_cell = 0;
  int32_t end_cell = -1;
  int speed = 0;         // dato1, km/h
  int second_speed = 0;  // dato2
  int f_tt = 0;          // dato3
};

// A cell holding a point item.
struct ItemFact {
  int32_t cell = 0;
  TrackCell c;
};

struct ReportFacts {
  std::string line_name;     // slot 85
  std::string train_number;  // slot 86
  int32_t line_length = 0;   // slot 84 fine, metres
  int32_t cars = 0;
  int32_t braked_mass = 0;
  int clock_h = 0, clock_m = 0, clock_s = 0;
  int sand = 0;
  int32_t repetition_start = 0, repetition_end = 0, repetition_codes = 0;
  int line_mark = 0;        // slot 85 valore1
  int32_t line_code = 0;    // slot 85 orario
  int cell_mark = 0;        // cell 1 dato1
  int cell_code = 0;        // cell 1 dato2
  int64_t drawn_end_m = 0;  // the profile runs from 0 to here

  std::vector<StationFact> stations;
  std::vector<BoardFact> boards;
  LineRecord chainage[3];  // slots 81, 82, 83
  std::vector<SpanFact> spans;
  std::vector<SlowdownFact> slowdowns;
  std::vector<ItemFact> signals;       // type 1
  std::vector<ItemFact> warnings;      // types 4 and 5
  std::vector<ItemFact> speed_boards;  // type 6
  std::vector<ItemFact> protections;   // types 12 and 13
  std::vector<ItemFact> board_cells;   // type 14
};

ReportFacts ExtractFacts(const CompiledView& view);

// Speeds of a speed-board code: left = code / 100 × 5 km/h, right = code % 100 × 5.
inline int LeftSpeed(int code) { return code / 100 * 5; }
inline int RightSpeed(int code) { return code % 100 * 5; }

// Pieces of the page.
std::string RenderHeader(const ReportFacts& f, const CompiledView& view);
std::string RenderMap(const ReportFacts& f, const CompiledView& view);
std::string RenderProfile(const ReportFacts& f, const CompiledView& view);
std::string RenderTables(const ReportFacts& f);

// Number formatting in the C locale: "12.350".
std::string Fixed(double v, int decimals);
// Metres as kilometres with three decimals: 12350 -> "12.350".
std::string Km(int64_t metres);
// A round step (1, 2 or 5 times a power of ten) that cuts `range` into about `parts`.
double NiceStep(double range, double parts);

}  // namespace percorso

#endif  // PERCORSO_INSPECT_REPORT_FACTS_H_
