// The parts of the loader, shared by its files and by nothing else (callers use
// compiler/loader.h):
//  - LoadContext: what one load reads and fills, the text being read, the slot
//    counters, reading fields, the position check and the fill rule, the items placed
//    and the cells found taken, and recording failures (load_context.cc, loader.cc);
//  - LineRows: the rows of the line description, its general section and its body
//    (line_rows.cc);
//  - StationRows: the station row of the train data text (station_row.cc);
//  - TrainRows: the other rows of the train data text (train_rows.cc).
// The phases that drive them are in loader.cc.
#ifndef PERCORSO_COMPILER_LOADER_PARTS_H_
#define PERCORSO_COMPILER_LOADER_PARTS_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "compiler/field_reader.h"
#include "compiler/loader.h"
#include "compiler/marker_writers.h"
#include "compiler/row_schema.h"
#include "compiler/warnings.h"
#include "model/cell_grid.h"
#include "model/error_state.h"
#include "model/items.h"
#include "model/line_table.h"

namespace percorso::loader_parts {

// What the load does after a row.
enum class Flow {
  kGo,     // next token
  kLeave,  // a position out of range: the current text ends here, the load goes on
  kStop,   // the load ends
};

// One numeric field of a row: the width it is read in and its name in messages.
struct FieldShape {
  NumberWidth width;
  const char* name;
};

inline constexpr NumberWidth kI32 = NumberWidth::kInt32;
inline constexpr NumberWidth kI16 = NumberWidth::kInt16;
inline constexpr NumberWidth kU8 = NumberWidth::kByte;

// A place in the text being read, 1-based; {0, 0} for the text as a whole.
struct At {
  int line = 0;
  int column = 0;
};
inline At AtField(const NumberField& f) { return {f.line, f.column}; }
inline At AtField(const TextField& f) { return {f.line, f.column}; }

// One load: its input and what it fills, and what every kind of row needs of it. The
// row readers share it and are its only users, so its state is open to them; the
// phases in loader.cc set which text is being read.
class LoadContext {
 public:
  LoadContext(const LoaderInput& in, const LoaderState& st);

  const LoaderInput& input;
  const LoaderState& state;
  // The texts to delete, as the load stands.
  LoaderDeletions deletions;
  // The text being read, and which text that is.
  FieldReader* reader = nullptr;
  ErrorOrigin origin = ErrorOrigin::kLineText;
  // With the plan: curve rows build it.
  bool with_plan = false;
  // N, the grid's last cell, once the line length row has sized the grid.
  int32_t last_cell = 0;
  // The next free slots of the line table: stations take them upwards from slot 1,
  // indicator boards downwards from slot 80, until the two meet.
  int32_t next_station_slot = 1;
  int32_t next_board_slot = kFirstBoardSlot;
  // Told what is read when warnings are wanted; adds warnings, changes nothing.
  std::optional<WarningWatch> watch;

  // Reading. Each returns false after recording error 25 (FailNotLoaded).
  bool ReadToken(TextField* tok);
  template <size_t N>
  bool ReadRow(const char* row, const FieldShape (&shapes)[N], NumberField (&out)[N]) {
    for (size_t i = 0; i < N; ++i)
      if (!ReadOne(row, shapes[i], &out[i])) return false;
    return true;
  }
  bool ReadOne(const char* row, const FieldShape& shape, NumberField* out);
  bool ReadName(const char* row, const char* name, TextField* out);

  // Whether position `p` lies in the grid with `margin` metres to spare before its end.
  bool InRange(int32_t p, int32_t margin) const {
    return p >= 0 && int64_t{p} + margin <= kCellMetres * int64_t{last_cell};
  }
  // Records error 15 for position `p` and leaves the text being read.
  Flow RefuseOutOfRange(const char* row, const NumberField& p, int32_t margin);
  // The fill rule (loader.cc): the cells from `*cursor` up to the one before position
  // `p`'s cell take `value` in `field`.
  void Fill(int64_t* cursor, int32_t p, uint8_t value, uint8_t TrackCell::*field,
            bool stop_at_last);
  // After a text's last row: the cells from `cursor` up to N - 3 take `value`.
  void EndFill(int64_t cursor, uint8_t value, uint8_t TrackCell::*field);

  // Lists the item a row has put on `cell`.
  void NotePlaced(int64_t cell, const NumberField& row) {
    if (state.placed != nullptr) state.placed->push_back({cell, origin, row.line, row.column});
  }
  // What stands on a taken cell and the row that put it there, in either text:
  // "a signal (segnale), put there by the row at Prova_7-.txt:12".
  std::string Occupant(int64_t cell) const;
  // Gives the error just recorded for a taken cell that cell and the row standing there.
  void NoteTakenCell(int64_t cell);
  // After a marker writer: a rejection (or an error 15 left standing) ends the load at
  // this row, whose first value `first` is the position; `why` says what was rejected.
  Flow RecordRejection(const char* row, const NumberField& first, const Rejection& r,
                       const std::string& why);

  // Failures.
  void Record(int32_t numero, std::optional<int32_t> pos, ErrorOrigin origin_of_fault, At at,
              std::string detail);
  // Records the error and deletes the text being read.
  Flow Fail(int32_t numero, std::optional<int32_t> pos, At at, std::string detail);
  // Error 25, the catch-all for a load that cannot go on (a field that cannot be read, a
  // value that does not fit, a text missing or unreadable): position unchanged, both
  // texts deleted.
  Flow FailNotLoaded(At at, std::string detail);
  Flow FailNotLoaded(const ReadFailure& f, const char* row, const char* field);

 private:
  // The last row that put an item on `cell`, or nullptr.
  const PlacedItem* PlacingRow(int64_t cell) const;
  void DeleteTextBeingRead();
};

// Where a chainage row was read, to point the closing check at it.
struct ChainageSource {
  bool seen = false;
  int32_t inizio = 0;
  int32_t fine = 0;
  int32_t posizione = 0;
  At at;
  const char* word = "";  // "tre", "due" or "uno": the row's own word
};

// The line description's rows: the general section's (line length, chainage,
// background, signal repetition) and the body's (gradient, curve, montagna, speed
// boards, indicator board).
class LineRows {
 public:
  explicit LineRows(LoadContext& load) : load_(load) {}

  // Every keyword that the token holds reads its own fields, in a fixed order.
  Flow LoadGeneralRow(const TextField& tok);
  Flow LoadBodyRow(const TextField& tok);
  // After the body's last row: the gradient in force fills the rest of the grid.
  void EndBody();
  // After both texts: chainage references must start and end on cell boundaries.
  void CheckChainage();

  bool line_length_read() const { return line_length_read_; }
  int32_t spans_recorded() const { return spans_.count; }

 private:
  Flow LoadLineLength();
  Flow LoadChainage(const TextField& tok, int slot);
  Flow LoadRepetition(const TextField& tok);
  Flow LoadGradient();
  Flow LoadCurve(const TextField& tok);
  Flow LoadMontagna();
  Flow LoadSpeedBoards();
  Flow LoadBoard(const TextField& tok);

  LoadContext& load_;
  bool line_length_read_ = false;  // a line length row has sized the grid
  int64_t gradient_cursor_ = 0;    // the next cell the gradient fill writes
  int32_t gradient_ = 0;           // gradient in force, per mille
  SpanList spans_;
  ChainageSource chainage_rows_[3];  // rows read for slots 81, 82, 83
};

// The station row: a station or timing point, its slot, its zone, the stop cell at the
// zone's last cell and the approach marks before it.
class StationRows {
 public:
  explicit StationRows(LoadContext& load) : load_(load) {}

  Flow Load(const TextField& tok);

 private:
  // What a station row says that its later steps need.
  struct StationRow {
    NumberField posizione;
    NumberField zone_length;
    int32_t tipo = 0;
    int32_t length = 0;  // the zone length, metres
  };
  struct StationZone {
    int64_t start = 0;
    int64_t end = 0;
    int64_t last = 0;  // the zone's last cell, where the stop cell goes
  };
  // The steps of a station row, in order.
  Flow ReadStation(LineRecord& slot, StationRow* row);
  Flow ComputeStationZone(LineRecord& slot, const StationRow& row, StationZone* zone);
  void MarkStationApproach(int64_t last);
  Flow PlaceStationStop(const StationRow& row, const StationZone& zone);
  Flow CheckStationSpacing(const TextField& tok, const StationRow& row, const StationZone& zone);

  LoadContext& load_;
};

// The train data text's rows: braked mass, cars, speed, adhesion, clock, sand, signal,
// slowdown, abbattimento and (through StationRows) station.
class TrainRows {
 public:
  explicit TrainRows(LoadContext& load) : load_(load), stations_(load) {}

  // Every keyword that the token holds reads its own fields, in a fixed order.
  Flow LoadRow(const TextField& tok);
  // After the text's last row: the speed and the adhesion in force fill the rest of
  // the grid.
  void EndBody();

 private:
  Flow LoadSpeed();
  Flow LoadAdhesion();
  Flow LoadSignal();
  Flow LoadSlowdown();
  Flow LoadAbbattimento();
  // Lists every cell a slowdown row has put an item on.
  void NoteSlowdownPlaced(const SlowdownRow& row, const NumberField& at);

  LoadContext& load_;
  StationRows stations_;
  int64_t speed_cursor_ = 0;     // the next cell the speed fill writes
  uint8_t speed_units_ = 0;      // speed in force, in units of 5 km/h
  int64_t adhesion_cursor_ = 0;  // the next cell the adhesion fill writes
  int32_t adhesion_ = 0;         // adhesion value in force
};

}  // namespace percorso::loader_parts

#endif  // PERCORSO_COMPILER_LOADER_PARTS_H_
