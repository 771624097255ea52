// The loader: compiles the line description and the train data text into the line
// table, the cell grid and (when asked for) the plan.
//
// The core works on the texts' bytes in memory and reports which texts it would delete;
// the file-level wrapper reads the texts from a directory and deletes them as told.
#ifndef PERCORSO_COMPILER_LOADER_H_
#define PERCORSO_COMPILER_LOADER_H_

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "model/error_state.h"
#include "base/file_io.h"
#include "model/cell_grid.h"
#include "model/line_table.h"
#include "model/track_plan.h"

namespace percorso {

// One source text as found on disk.
struct SourceText {
  ReadStatus status = ReadStatus::kMissing;  // kFailed: present but unreadable
  std::string bytes;
  std::string name;  // file name, for diagnostics
};

// The loader's counters as they stand after a load.
struct LoaderCounters {
  int32_t stazione = 1;   // next station slot
  int32_t cartello = 80;  // next indicator-board slot
  int32_t montagne = 0;   // montagna spans recorded
};

// Which texts the load deletes (as far as they exist).
struct LoaderDeletions {
  bool linea = false;
  bool treno = false;
};

struct LoaderInput {
  const SourceText& linea;
  const SourceText& treno;
  const std::string& nome_linea;
  const std::string& numero_treno;
  bool with_plan;  // build the plan
};

// The row that put an item on a cell, so that a later fault on the cell can name it.
struct PlacedItem {
  int64_t cell = 0;
  ErrorOrigin origin = ErrorOrigin::kNone;
  int line = 0;
  int column = 0;  // the row's position field
};

// Whether the load also looks for what compiles but is surely not meant. Warnings never
// change a byte; a caller that shows none (the build run) skips their cost.
enum class WarningChoice : uint8_t { kSkip, kWatch };

struct LoaderState {
  LineTable& line_table;
  CellGrid& grid;
  TrackPlan& plan;
  ErrorState& errors;
  LoaderCounters& counters;
  // When given, every item the rows place is listed here, in the order placed.
  std::vector<PlacedItem>* placed = nullptr;
  // When given, the row of each station, in slot order (`cell` holds the slot number).
  std::vector<PlacedItem>* station_rows = nullptr;
  WarningChoice warnings = WarningChoice::kWatch;
};

// What an item of the cell grid is, in the words of the row that writes it: "a signal
// (segnale)", "an indicator board (cartello_indicatore)".
std::string ItemWords(uint8_t tipo);

// Loads both texts in memory. Expects the table cleared and the error number 0.
LoaderDeletions LoadTexts(const LoaderInput& in, const LoaderState& st);

}  // namespace percorso

#endif  // PERCORSO_COMPILER_LOADER_H_
