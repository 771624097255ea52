// The loader reads the line description in two phases (its general section, then its
// body) and the train data text in a third, and fills the line table, the cell grid and
// the plan. It stops at the first fault, records it and says which texts to delete;
// a position out of range (error 15) only ends the reading of the current text.
#include "compiler/loader.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "compiler/field_reader.h"
#include "compiler/field_words.h"
#include "compiler/keywords.h"
#include "compiler/plan_geometry.h"
#include "compiler/chainage.h"
#include "compiler/marker_writers.h"
#include "compiler/warnings.h"
#include "base/rounding.h"
#include "model/error_numbers.h"
#include "model/items.h"

namespace percorso {

namespace {

// --- The load -----------------------------------------------------------------------

enum class Flow {
  kGo,     // next token
  kLeave,  // a position out of range: the current text ends here, the load goes on
  kStop,   // the load ends
};

struct FieldShape {
  NumberWidth width;
  const char* name;
};

constexpr NumberWidth kI32 = NumberWidth::kInt32;
constexpr NumberWidth kI16 = NumberWidth::kInt16;
constexpr NumberWidth kU8 = NumberWidth::kByte;

struct At {
  int line = 0;
  int column = 0;
};
At AtField(const NumberField& f) { return {f.line, f.column}; }
At AtField(const TextField& f) { return {f.line, f.column}; }

// Where a chainage row was read, to point the closing check at it.
struct ChainageSource {
  bool seen = false;
  int32_t inizio = 0;
  int32_t fine = 0;
  int32_t posizione = 0;
  At at;
  const char* word = "";  // "tre", "due" or "uno": the row's own word
};

std::string Quoted(std::string_view s) {
  constexpr size_t kShown = 60;
  std::string out = "\"";
  out.append(s.substr(0, kShown));
  if (s.size() > kShown) out.append("...");
  out.push_back('"');
  return out;
}

// The last position in metres whose item cell still lies in a grid of cells 0 to `last`.
int64_t LastItemPosition(int64_t last) {
  int64_t p = kCellMetres * last - kCellMetres / 2;
  while (ItemCellOf(p) > last) --p;
  return p;
}

// What a writer's rejection means for a row whose item name is `what` ("signal at 26500
// m"): the cell it found taken, or the grid's bounds when the cell lies outside them.
// `metres` is where the rejected cell's item stands, when the row says; `note` follows
// the cell number.
std::string Refusal(const std::string& what, const Rejection& r, int32_t last_cell,
                    std::optional<int64_t> metres, const std::string& note = "") {
  const std::string at = metres ? " (at " + std::to_string(*metres) + " m)" : std::string();
  const std::string cell = std::to_string(r.cell);
  if (r.cell > last_cell) {
    return what + ": its " + r.place + " " + cell + at + " lies beyond the grid's last cell " +
           std::to_string(last_cell) + "; the last position an item can take is " +
           std::to_string(LastItemPosition(last_cell)) + " m";
  }
  if (r.cell < 0) return what + ": its " + r.place + " " + cell + at + " lies before cell 0";
  return what + ": its " + r.place + " " + cell + note + " already holds an item";
}

// What a slowdown writer's rejection means, with the cell it found taken.
std::string SlowdownRejection(const Rejection& r, const SlowdownRow& row, int32_t last_cell) {
  const int64_t x = row.posizione;
  const std::string what = "slowdown at " + std::to_string(x) + " m";
  switch (r.numero) {
    case err::kWarningCellTaken:
      return Refusal(what, r, last_cell, std::nullopt, " (1200 m before the start)");
    case err::kSlowdownStartTaken:
      return Refusal(what, r, last_cell, std::nullopt);
    case err::kSlowdownEndTaken:
      return Refusal(what, r, last_cell, x + row.lunghezza);
    case err::kApproachCellTaken: {
      const int64_t a = SlowdownApproachCell(row.posizione);
      return what + ": one of its approach cells " + std::to_string(a - 3) + " to " +
             std::to_string(a) + ", cell " + std::to_string(r.cell) + ", already holds an item";
    }
    default:
      return what + ": rejected";
  }
}

}  // namespace

std::string ItemWords(uint8_t tipo) {
  switch (static_cast<ItemType>(tipo)) {
    case ItemType::kSignal:
      return "a signal (`segnale`)";
    case ItemType::kSlowdownEnd:
      return "the end of a slowdown (`rallentamento`)";
    case ItemType::kSlowdownStart:
      return "the start of a slowdown (`rallentamento`)";
    case ItemType::kSlowdownWarning:
      return "the warning point of a slowdown (`rallentamento`), 1200 m before its start";
    case ItemType::kSlowdownApproach:
      return "an approach cell of a slowdown's warning point (`rallentamento`)";
    case ItemType::kSpeedBoards:
      return "a pair of speed boards (`indicatori_vmax`)";
    case ItemType::kStationStop:
      return "the stop cell of a station (`stazione`), the last cell of its zone";
    case ItemType::kSpanMarker:
      return "a marker of a montagna span";
    case ItemType::kAbbattimento:
      return "an abbattimento mark with a value";
    case ItemType::kAbbattimentoBare:
      return "an abbattimento mark";
    case ItemType::kBoard:
      return "an indicator board (`cartello_indicatore`)";
    case ItemType::kNone:
      break;
  }
  return "an item of type " + std::to_string(tipo);
}

namespace {

class Loader {
 public:
  Loader(const LoaderInput& in, const LoaderState& st) : in_(in), st_(st) {
    if (st.warnings == WarningChoice::kWatch) watch_.emplace(st.errors);
  }

  LoaderDeletions Run() {
    Load();
    st_.counters.stazione = k_;
    st_.counters.cartello = b_;
    st_.counters.montagne = spans_.count;
    return del_;
  }

 private:
  void Load();

  // Phases.
  Flow FindGenerale();
  Flow ReadGeneralSection();
  Flow LoadGeneralRow(const TextField& tok);
  Flow ReadBody(bool train);
  Flow LoadLineRow(const TextField& tok);
  Flow LoadTrainRow(const TextField& tok);
  Flow SkipTrainPreamble();
  void CheckChainage();

  // Rows.
  Flow LoadLineLength(const TextField& tok);
  Flow LoadChainage(const TextField& tok, int slot);
  Flow LoadRepetition(const TextField& tok);
  Flow LoadGradient(const TextField& tok);
  Flow LoadCurve(const TextField& tok);
  Flow LoadMontagna(const TextField& tok);
  Flow LoadSpeedBoards(const TextField& tok);
  Flow LoadBoard(const TextField& tok);
  Flow LoadSpeed(const TextField& tok);
  Flow LoadAdhesion(const TextField& tok);
  Flow LoadSignal(const TextField& tok);
  Flow LoadSlowdown(const TextField& tok);
  Flow LoadAbbattimento(const TextField& tok);
  Flow LoadStation(const TextField& tok);
  // The steps of a station row, in order.
  struct StationRow {
    NumberField posizione;
    NumberField zone_length;
    int32_t tipo = 0;
    int32_t len = 0;
  };
  struct StationZone {
    int64_t start = 0;
    int64_t end = 0;
    int64_t last = 0;  // the zone's last cell, where the stop cell goes
  };
  Flow ReadStation(LineRecord& s, StationRow* row);
  Flow ComputeStationZone(LineRecord& s, const StationRow& row, StationZone* zone);
  void MarkStationApproach(int64_t last);
  Flow PlaceStationStop(const StationRow& row, const StationZone& zone);
  Flow CheckStationSpacing(const TextField& tok, const StationRow& row, const StationZone& zone);

  // Reading. Each returns false after recording error 25.
  bool ReadToken(TextField* tok);
  template <size_t N>
  bool ReadRow(const char* row, const FieldShape (&shapes)[N], NumberField (&out)[N]);
  bool ReadOne(const char* row, const FieldShape& shape, NumberField* out);
  bool ReadName(const char* row, const char* name, TextField* out);

  // Checks and the fill rule.
  bool InRange(int32_t p, int32_t margin) const {
    return p >= 0 && int64_t{p} + margin <= kCellMetres * int64_t{n_};
  }
  Flow RefuseOutOfRange(const char* row, const NumberField& p, int32_t margin);
  void Fill(int64_t* cursor, int32_t p, uint8_t value, uint8_t TrackCell::*field,
            bool stop_at_last);
  void EndFill(int64_t cursor, uint8_t value, uint8_t TrackCell::*field);
  Flow RecordRejection(const char* row, const NumberField& first, const Rejection& r,
                       const std::string& why);
  void NoteSlowdownPlaced(const SlowdownRow& row, const NumberField& at) {
    NotePlaced(ItemCellOf(row.posizione), at);
    NotePlaced(ItemCellOf(int64_t{row.posizione} + row.lunghezza), at);
    if (!SlowdownHasWarning(row.posizione)) return;
    NotePlaced(SlowdownWarningCell(row.posizione), at);
    if (row.f_ta == 0) return;
    for (int64_t i = 0; i < 4; ++i) NotePlaced(SlowdownApproachCell(row.posizione) - i, at);
  }
  // Lists the item a row has put on `cell`.
  void NotePlaced(int64_t cell, const NumberField& row) {
    if (st_.placed != nullptr) st_.placed->push_back({cell, origin_, row.line, row.column});
  }

  // What stands on a taken cell and the row that put it there, in either text:
  // "a signal (segnale), put there by the row at Prova_7-.txt:12".
  std::string Occupant(int64_t cell) const;
  // The last row that put an item on `cell`, or nullptr.
  const PlacedItem* PlacingRow(int64_t cell) const;
  // Gives the error just recorded for a taken cell that cell and the row standing there.
  void NoteTakenCell(int64_t cell);

  // Failures.
  void Record(int32_t numero, std::optional<int32_t> pos, ErrorOrigin origin, At at,
              std::string detail);
  // Records the error and deletes the text being read.
  Flow Fail(int32_t numero, std::optional<int32_t> pos, At at, std::string detail);
  // The catch-all: error 25, position unchanged, both texts deleted.
  Flow Fail25(At at, std::string detail);
  Flow Fail25(const ReadFailure& f, const char* row, const char* field);

  const LoaderInput& in_;
  const LoaderState& st_;
  LoaderDeletions del_;
  FieldReader* r_ = nullptr;
  ErrorOrigin origin_ = ErrorOrigin::kLineText;
  bool plan_ = false;        // with the plan: curve rows build it
  bool has_length_ = false;  // a line length row has sized the grid
  int32_t n_ = 0;            // N, the grid's last cell
  At general_end_;           // the header that ended the general section, or the end

  int64_t grad_cursor_ = 0;
  int32_t grad_value_ = 0;
  int64_t speed_cursor_ = 0;
  uint8_t speed_units_ = 0;  // speed in force, in units of 5 km/h
  int64_t adh_cursor_ = 0;
  int32_t adh_value_ = 0;
  int32_t k_ = 1;   // next station slot
  int32_t b_ = 80;  // next board slot
  SpanList spans_;
  ChainageSource chainage_src_[3];  // rows read for slots 81, 82, 83
  // Told what is read when warnings are wanted; adds warnings, changes nothing.
  std::optional<WarningWatch> watch_;
};

// --- Failures -------------------------------------------------------------------------

void Loader::Record(int32_t numero, std::optional<int32_t> pos, ErrorOrigin origin, At at,
                    std::string detail) {
  Diagnostic d;
  d.numero = numero;
  d.has_posizione = pos.has_value();
  d.posizione = pos.value_or(0);
  d.origin = origin;
  d.line = at.line;
  d.column = at.column;
  d.detail = std::move(detail);
  st_.errors.Record(d);
}

const PlacedItem* Loader::PlacingRow(int64_t cell) const {
  if (st_.placed == nullptr) return nullptr;
  for (auto it = st_.placed->rbegin(); it != st_.placed->rend(); ++it)
    if (it->cell == cell) return &*it;
  return nullptr;
}

std::string Loader::Occupant(int64_t cell) const {
  if (!st_.grid.Contains(cell)) return "nothing";
  std::string s = ItemWords(st_.grid.at(cell).tipo);
  const PlacedItem* row = PlacingRow(cell);
  if (row == nullptr) return s;
  const std::string& file = row->origin == ErrorOrigin::kLineText ? in_.linea.name : in_.treno.name;
  return s + ", put there by the row at " + file + ":" + std::to_string(row->line);
}

void Loader::NoteTakenCell(int64_t cell) {
  Diagnostic& d = st_.errors.log.back();
  d.cell = static_cast<int32_t>(cell);
  if (const PlacedItem* row = PlacingRow(cell)) {
    d.other_origin = row->origin;
    d.other_line = row->line;
    d.other_column = row->column;
  }
}

Flow Loader::Fail(int32_t numero, std::optional<int32_t> pos, At at, std::string detail) {
  Record(numero, pos, origin_, at, std::move(detail));
  if (origin_ == ErrorOrigin::kLineText)
    del_.linea = true;
  else
    del_.treno = true;
  return Flow::kStop;
}

Flow Loader::Fail25(At at, std::string detail) {
  Record(err::kNotLoaded, std::nullopt, origin_, at, std::move(detail));
  del_.linea = true;
  del_.treno = true;
  return Flow::kStop;
}

Flow Loader::Fail25(const ReadFailure& f, const char* row, const char* field) {
  return Fail25({f.line, f.column}, FieldInWords(row, field) + ": " + f.Message());
}

// --- Reading ---------------------------------------------------------------------------

bool Loader::ReadToken(TextField* tok) {
  if (std::optional<ReadFailure> f = r_->ReadText(tok)) {
    Fail25({f->line, f->column}, "keyword field: " + f->Message());
    return false;
  }
  if (watch_) watch_->WatchToken(*tok);
  return true;
}

bool Loader::ReadOne(const char* row, const FieldShape& shape, NumberField* out) {
  if (std::optional<ReadFailure> f = r_->ReadNumber(shape.width, out)) {
    Fail25(*f, row, shape.name);
    return false;
  }
  if (watch_) watch_->WatchNumber(*out, row, shape.name);
  return true;
}

template <size_t N>
bool Loader::ReadRow(const char* row, const FieldShape (&shapes)[N], NumberField (&out)[N]) {
  for (size_t i = 0; i < N; ++i)
    if (!ReadOne(row, shapes[i], &out[i])) return false;
  return true;
}

bool Loader::ReadName(const char* row, const char* name, TextField* out) {
  if (std::optional<ReadFailure> f = r_->ReadText(out)) {
    Fail25(*f, row, name);
    return false;
  }
  if (watch_) watch_->WatchText(*out);
  return true;
}

// --- Checks and fills ------------------------------------------------------------------

Flow Loader::RefuseOutOfRange(const char* row, const NumberField& p, int32_t margin) {
  std::string detail = FieldInWords(row, "position") + ": ";
  if (p.value < 0) {
    detail += std::to_string(p.value) + " m is negative";
  } else {
    detail += std::to_string(p.value) + " m lies beyond the last accepted position " +
              std::to_string(kCellMetres * int64_t{n_} - margin) + " m (grid cells 0 to " +
              std::to_string(n_) + ")";
  }
  Record(err::kPositionOutOfRange, p.value, origin_, AtField(p), std::move(detail));
  return Flow::kLeave;
}

// The fill rule: the cells from the cursor up to the cell before the row's cell receive
// the value in force, at least one cell whenever the row's cell is above 0. Several rows
// in one cell push the cursor on by one cell each; nothing is written past cell N. The
// speed fill also stops once the cursor has reached N, tested after the cell at the
// cursor is written: a row that finds the cursor on N still writes cell N, and from then
// on the cursor lies past the grid and no speed row writes anything.
void Loader::Fill(int64_t* cursor, int32_t p, uint8_t value, uint8_t TrackCell::*field,
                  bool stop_at_last) {
  const int64_t cell = CellAt(p);
  if (cell <= 0) return;
  do {
    if (*cursor <= n_) st_.grid.at(*cursor).*field = value;
    ++*cursor;
    if (stop_at_last && *cursor >= n_) return;
  } while (*cursor < cell);
}

// After the last row: the cells from the cursor up to N - 3; cells N - 2 to N keep 0.
void Loader::EndFill(int64_t cursor, uint8_t value, uint8_t TrackCell::*field) {
  for (int64_t c = cursor; c <= int64_t{n_} - 3; ++c) st_.grid.at(c).*field = value;
}

// After a marker writer: a rejection ends the load at this row, with `why` saying what
// was rejected. So does an error 15 left standing by an earlier text even when the writer
// accepted the row: the first written row after it turns it into the end of the load.
// The row's first value is the position.
Flow Loader::RecordRejection(const char* row, const NumberField& first, const Rejection& r,
                             const std::string& why) {
  ErrorState& e = st_.errors;
  if (!r.rejected() && e.numero <= 0) return Flow::kGo;
  const int32_t numero = r.rejected() ? r.numero : e.numero;
  std::string detail =
      numero == err::kPositionOutOfRange
          ? std::string("an earlier position out of range left error 15 standing, so this \"") +
                row + "\" row is taken as rejected and ends the load"
          : why;
  const bool taken = r.rejected() && st_.grid.Contains(r.cell);
  if (taken) detail += ": " + Occupant(r.cell);
  Record(numero, first.value, origin_, AtField(first), std::move(detail));
  if (taken) {
    NoteTakenCell(r.cell);
  } else if (r.rejected() && r.cell >= INT32_MIN && r.cell <= INT32_MAX) {
    st_.errors.log.back().cell = static_cast<int32_t>(r.cell);  // a cell outside the grid
  }
  if (origin_ == ErrorOrigin::kLineText)
    del_.linea = true;
  else
    del_.treno = true;
  return Flow::kStop;
}

// --- Phases ----------------------------------------------------------------------------

void Loader::Load() {
  LineTable& t = st_.line_table;
  t.slot[kLineIdentitySlot].nome = in_.nome_linea;
  t.slot[kTrainIdentitySlot].nome = in_.numero_treno;
  plan_ = in_.with_plan;
  if (!plan_) st_.plan.Reset();

  // Phase 1: the general section of the line description.
  origin_ = ErrorOrigin::kLineText;
  if (in_.linea.status == ReadStatus::kMissing) {
    Record(err::kNoLineText, std::nullopt, origin_, {}, "line description " + in_.linea.name + " not found");
    return;
  }
  if (in_.linea.status != ReadStatus::kOk) {
    Fail25({}, "line description " + in_.linea.name + " cannot be read");
    return;
  }
  FieldReader linea(in_.linea.bytes);
  r_ = &linea;
  if (watch_) watch_->StartLine(plan_);
  if (FindGenerale() == Flow::kStop) return;
  if (watch_) watch_->StartGeneral();
  if (ReadGeneralSection() == Flow::kStop) return;
  if (!has_length_) {
    Fail25(general_end_, "the general section has no line length row (\"lunghezza percorso\")");
    return;
  }
  OrderChainages(t);
  spans_ = SpanList{};
  b_ = kFirstBoardSlot;
  if (plan_) StartPlan(st_.plan);

  // Phase 2: the body of the line description.
  if (watch_) watch_->StartBody();
  if (ReadBody(false) == Flow::kStop) return;
  if (watch_) watch_->EndText(r_->AtEnd());
  del_.linea = true;
  EndFill(grad_cursor_, static_cast<uint8_t>(static_cast<uint32_t>(grad_value_) + 100u),
          &TrackCell::pendenza);
  if (plan_) FinishPlan(st_.plan);

  // Phase 3: the body of the train data text.
  origin_ = ErrorOrigin::kTrainText;
  if (in_.treno.status != ReadStatus::kOk) {
    const char* what = in_.treno.status == ReadStatus::kMissing ? " not found" : " cannot be read";
    Fail25({}, "train data text " + in_.treno.name + what);
    return;
  }
  FieldReader treno(in_.treno.bytes);
  r_ = &treno;
  if (watch_) watch_->StartTrain();
  if (SkipTrainPreamble() == Flow::kStop) return;
  if (watch_) watch_->StartBody();
  speed_cursor_ = 0;
  adh_cursor_ = 0;
  k_ = 1;
  if (ReadBody(true) == Flow::kStop) return;
  if (watch_) watch_->EndText(r_->AtEnd());
  del_.treno = true;
  EndFill(speed_cursor_, speed_units_, &TrackCell::velocita);
  EndFill(adh_cursor_, static_cast<uint8_t>(adh_value_), &TrackCell::aderenza);
  CheckChainage();
}

// Every field before the first one holding "[generale]" is skipped.
Flow Loader::FindGenerale() {
  TextField tok;
  for (;;) {
    if (r_->AtEnd()) {
      return Fail(err::kNoGenerale, std::nullopt, {r_->line(), r_->column()},
                  "the line description has no \"[generale]\" header");
    }
    if (!ReadToken(&tok)) return Flow::kStop;
    if (Folded(tok.text).Has("[generale]")) return Flow::kGo;
  }
}

// The rows of the general section, up to its closing header (which is consumed and not
// tested against the keywords) or the end of the text. Up to ten comment fields in a row
// are skipped here, with no check for the end between them.
Flow Loader::ReadGeneralSection() {
  TextField tok;
  for (;;) {
    general_end_ = {r_->line(), r_->column()};
    if (r_->AtEnd()) return Flow::kGo;
    if (!ReadToken(&tok)) return Flow::kStop;
    if (r_->AtEnd()) return Flow::kGo;
    for (int i = 0; i < 10 && IsComment(tok.text); ++i)
      if (!ReadToken(&tok)) return Flow::kStop;
    if (IsSectionHeader(tok.text)) {
      general_end_ = AtField(tok);
      if (watch_) watch_->EndGeneral(tok);
      return Flow::kGo;
    }
    if (watch_) watch_->StartRow(tok);
    if (LoadGeneralRow(tok) == Flow::kStop) return Flow::kStop;
    if (watch_) watch_->EndRow();
  }
}

// Every keyword that the token holds reads its own fields, in this order.
Flow Loader::LoadGeneralRow(const TextField& tok) {
  const std::string_view s = tok.text;
  const Folded f(s);
  LineRecord& background = st_.line_table.slot[kLineIdentitySlot];
  auto go = [](Flow f) { return f == Flow::kGo; };
  if (f.Has("lunghezza") && f.Has("percorso") && !go(LoadLineLength(tok))) return Flow::kStop;
  if (HasExact(s, "progressiva") && HasExact(s, "tre") && !go(LoadChainage(tok, kChainageSlotTre)))
    return Flow::kStop;
  if (HasExact(s, "progressiva") && HasExact(s, "due") && !go(LoadChainage(tok, kChainageSlotDue)))
    return Flow::kStop;
  if (HasExact(s, "progressiva") && HasExact(s, "uno") && !go(LoadChainage(tok, kChainageSlotUno)))
    return Flow::kStop;
  NumberField v;
  if (HasExact(s, "sfondo") && HasExact(s, "uno")) {
    if (!ReadOne("sfondo uno", {kI32, "value"}, &v)) return Flow::kStop;
    background.inizio = v.value;
  }
  if (HasExact(s, "sfondo") && HasExact(s, "due")) {
    if (!ReadOne("sfondo due", {kI32, "value"}, &v)) return Flow::kStop;
    background.posizione = v.value;
  }
  if (HasExact(s, "sfondo") && HasExact(s, "tre")) {
    if (!ReadOne("sfondo tre", {kI32, "value"}, &v)) return Flow::kStop;
    background.fine = v.value;
  }
  if (HasExact(s, "segnali") && HasExact(s, "ripetizione") && !go(LoadRepetition(tok)))
    return Flow::kStop;
  return Flow::kGo;
}

Flow Loader::LoadLineLength(const TextField&) {
  NumberField l;
  if (!ReadOne("lunghezza percorso", {kI32, "line length"}, &l)) return Flow::kStop;
  st_.line_table.slot[kTrainFiguresSlot].fine = l.value;
  if (l.value < 0 || l.value > 1000000) {
    return Fail(err::kLineTooLong, std::nullopt, AtField(l),
                "line length " + std::to_string(l.value) + " m lies outside 0 to 1000000 m");
  }
  st_.grid.Create(l.value);
  n_ = st_.grid.upper();
  has_length_ = true;
  if (watch_) watch_->SetLineLength(l.value);
  if (plan_) st_.plan.Create(l.value);
  return Flow::kGo;
}

Flow Loader::LoadChainage(const TextField& tok, int slot) {
  static constexpr FieldShape kShapes[] = {{kI32, "start"}, {kI32, "end"}, {kI32, "third value"}};
  NumberField v[3];
  if (!ReadRow("progressiva chilometrica", kShapes, v)) return Flow::kStop;
  LineRecord& r = st_.line_table.slot[slot];
  r.inizio = v[0].value;
  r.fine = v[1].value;
  r.posizione = v[2].value;
  static constexpr const char* kWords[] = {"tre", "due", "uno"};
  chainage_src_[slot - kChainageSlotTre] = {true,         v[0].value,   v[1].value,
                                            v[2].value,   AtField(tok), kWords[slot - kChainageSlotTre]};
  return Flow::kGo;
}

Flow Loader::LoadRepetition(const TextField& tok) {
  static constexpr FieldShape kShapes[] = {{kI32, "start"}, {kI32, "end"}};
  NumberField v[2];
  if (!ReadRow("ripetizione segnali", kShapes, v)) return Flow::kStop;
  LineRecord& r = st_.line_table.slot[kTrainIdentitySlot];
  r.inizio = v[0].value;
  r.fine = v[1].value;
  if (v[0].value % kCellMetres != 0) {
    return Fail(
        err::kRepetitionStartOffCell, std::nullopt, AtField(v[0]),
        "signal repetition start " + std::to_string(v[0].value) + " m is not a multiple of 50");
  }
  if (v[1].value % kCellMetres != 0) {
    return Fail(
        err::kRepetitionEndOffCell, std::nullopt, AtField(v[1]),
        "signal repetition end " + std::to_string(v[1].value) + " m is not a multiple of 50");
  }
  int32_t codes = 0;
  if (tok.text.find('4') != std::string_view::npos)
    codes = 4;
  else if (tok.text.find('9') != std::string_view::npos)
    codes = 9;
  else
    return Fail(
        err::kRepetitionCodeCount, std::nullopt, AtField(tok),
        "signal repetition keyword " + Quoted(tok.text) + " names no code count (neither 4 nor 9)");
  r.posizione = v[1].value == 0 ? 0 : codes;
  return Flow::kGo;
}

// Both bodies: rows in any order to the end of the text. A field that is the very last
// of the text is never acted on; up to two comment fields in a row are skipped, with a
// check for the end after each.
Flow Loader::ReadBody(bool train) {
  TextField tok;
  for (;;) {
    if (r_->AtEnd()) return Flow::kGo;
    if (!ReadToken(&tok)) return Flow::kStop;
    if (r_->AtEnd()) return Flow::kGo;
    for (int i = 0; i < 2 && IsComment(tok.text); ++i) {
      if (!ReadToken(&tok)) return Flow::kStop;
      if (r_->AtEnd()) return Flow::kGo;
    }
    if (watch_) watch_->StartRow(tok);
    Flow f = train ? LoadTrainRow(tok) : LoadLineRow(tok);
    if (f == Flow::kStop) return Flow::kStop;
    if (watch_) watch_->EndRow();
    if (f == Flow::kLeave) return Flow::kGo;
  }
}

Flow Loader::LoadLineRow(const TextField& tok) {
  const Folded s(tok.text);
  Flow f = Flow::kGo;
  if (s.Has("pendenza") && (f = LoadGradient(tok)) != Flow::kGo) return f;
  if (plan_ && s.Has("curva") && (f = LoadCurve(tok)) != Flow::kGo) return f;
  if (s.Has("montagna") && (f = LoadMontagna(tok)) != Flow::kGo) return f;
  if (s.Has("indicatori_v") && (f = LoadSpeedBoards(tok)) != Flow::kGo) return f;
  if (s.Has("cartello") && s.Has("indicat") && (f = LoadBoard(tok)) != Flow::kGo) return f;
  return Flow::kGo;
}

Flow Loader::LoadGradient(const TextField&) {
  static constexpr FieldShape kShapes[] = {{kI32, "position"}, {kI32, "gradient"}};
  NumberField v[2];
  if (!ReadRow("pendenza", kShapes, v)) return Flow::kStop;
  if (!InRange(v[0].value, 100)) return RefuseOutOfRange("pendenza", v[0], 100);
  if (watch_) watch_->CheckGradientRow(v);
  Fill(&grad_cursor_, v[0].value, static_cast<uint8_t>(static_cast<uint32_t>(grad_value_) + 100u),
       &TrackCell::pendenza, false);
  grad_value_ = v[1].value;
  return Flow::kGo;
}

Flow Loader::LoadCurve(const TextField& tok) {
  static constexpr FieldShape kShapes[] = {{kI32, "start"}, {kI32, "length"}};
  NumberField v[2];
  if (!ReadRow("curva", kShapes, v)) return Flow::kStop;
  if (!InRange(v[0].value, 100)) return RefuseOutOfRange("curva", v[0], 100);
  if (watch_) watch_->CheckCurveRow(v, st_.plan);
  std::optional<double> k = CurvatureOf(tok.text);
  if (!k) {
    return Fail(err::kBadCurve, std::nullopt, AtField(tok),
                "curve keyword " + Quoted(tok.text) + " holds none of the digits 1 to 6");
  }
  switch (ExtendWithCurve(st_.plan, v[0].value, v[1].value, *k)) {
    case CurveOutcome::kDone:
      return Flow::kGo;
    case CurveOutcome::kBeyondPlan:
      return Fail(err::kBadCurve, std::nullopt, AtField(v[1]),
                  "curve from " + std::to_string(v[0].value) + " m over " +
                      std::to_string(v[1].value) + " m ends beyond the last plan point " +
                      std::to_string(int64_t{st_.plan.upper()} - 2));
    case CurveOutcome::kPastPointLimit:
      break;
  }
  return Fail(err::kBadCurve, std::nullopt, AtField(tok),
              "the plan passes " + std::to_string(kPlanPointLimit) + " points inside this curve");
}

Flow Loader::LoadMontagna(const TextField&) {
  static constexpr FieldShape kShapes[] = {{kI32, "inizio"}, {kI32, "fine"}, {kI32, "tipo"}};
  NumberField v[3];
  if (!ReadRow("montagna", kShapes, v)) return Flow::kStop;
  if (!InRange(v[0].value, 100)) return RefuseOutOfRange("montagna", v[0], 100);
  if (watch_) watch_->CheckMontagnaRow(v);
  PlaceSpan(st_.grid, spans_, v[0].value, v[1].value, v[2].value);
  return RecordRejection("montagna", v[0], Rejection{}, "montagna span rejected");
}

Flow Loader::LoadSpeedBoards(const TextField&) {
  static constexpr FieldShape kShapes[] = {{kI32, "posizione"}, {kI32, "vas"},      {kI32, "vbs"},
                                    {kI32, "vcs"},       {kI32, "strisces"}, {kI32, "vad"},
                                    {kI32, "vbd"},       {kI32, "vcd"},      {kI32, "strisced"}};
  NumberField v[9];
  if (!ReadRow("indicatori_vmax", kShapes, v)) return Flow::kStop;
  if (!InRange(v[0].value, 100)) return RefuseOutOfRange("indicatori_vmax", v[0], 100);
  if (watch_) watch_->CheckSpeedBoardsRow(v);
  const SpeedBoardRow row{v[0].value, v[1].value, v[2].value, v[3].value, v[4].value,
                          v[5].value, v[6].value, v[7].value, v[8].value};
  const Rejection r = PlaceSpeedBoards(st_.grid, row);
  if (!r.rejected()) NotePlaced(ItemCellOf(row.posizione), v[0]);
  return RecordRejection("indicatori_vmax", v[0], r,
                         "speed boards at " + std::to_string(row.posizione) + " m: their cell " +
                             std::to_string(r.cell) + " already holds an item");
}

// An indicator board stands on the cell after the one that begins at its position.
Flow Loader::LoadBoard(const TextField& tok) {
  NumberField p;
  TextField text;
  if (!ReadOne("cartello_indicatore", {kI32, "position"}, &p)) return Flow::kStop;
  if (!ReadName("cartello_indicatore", "board text", &text)) return Flow::kStop;
  if (!InRange(p.value, 100)) return RefuseOutOfRange("cartello_indicatore", p, 100);
  if (watch_) watch_->CheckBoardRow(p);
  const int64_t c = ItemCellOf(p.value);
  if (!st_.grid.IsFree(c)) {
    const Flow f = Fail(err::kBoardCellTaken, p.value, AtField(p),
                        "indicator board at " + std::to_string(p.value) + " m: cell " +
                            std::to_string(c) + " already holds " + Occupant(c));
    NoteTakenCell(c);
    return f;
  }
  TrackCell& cell = st_.grid.at(c);
  NotePlaced(c, p);
  cell.tipo = TipoOf(ItemType::kBoard);
  cell.dato1 = static_cast<int16_t>(b_);
  st_.line_table.slot[b_].nome = std::string(text.text);
  --b_;
  if (b_ <= k_) {
    return Fail(err::kSlotsExhausted, std::nullopt, AtField(tok),
                "stations and indicator boards together need more than 78 line-table slots");
  }
  return Flow::kGo;
}

// Every field up to and including the first one holding "[generale]" is skipped; a
// text without it has no rows.
Flow Loader::SkipTrainPreamble() {
  TextField tok;
  while (!r_->AtEnd()) {
    if (!ReadToken(&tok)) return Flow::kStop;
    if (Folded(tok.text).Has("[generale]")) return Flow::kGo;
  }
  if (watch_) watch_->WarnNoOpeningHeader();
  return Flow::kGo;
}

Flow Loader::LoadTrainRow(const TextField& tok) {
  const Folded s(tok.text);
  LineRecord& figures = st_.line_table.slot[kTrainFiguresSlot];
  LineRecord& ident = st_.line_table.slot[kTrainIdentitySlot];
  Flow f = Flow::kGo;
  NumberField v;
  if (s.Has("frenata") && s.Has("massa")) {
    if (!ReadOne("percentuale massa frenata", {kI32, "value"}, &v)) return Flow::kStop;
    figures.inizio = v.value;
  }
  if (s.Has("vetture")) {
    if (!ReadOne("numero vetture", {kI32, "value"}, &v)) return Flow::kStop;
    figures.posizione = v.value;
  }
  if (s.Has("velocit") && (f = LoadSpeed(tok)) != Flow::kGo) return f;
  if (s.Has("aderenza") && (f = LoadAdhesion(tok)) != Flow::kGo) return f;
  if (s.Has("orologio")) {
    static constexpr FieldShape kShapes[] = {{kI16, "hours"}, {kI16, "minutes"}, {kI16, "seconds"}};
    NumberField t[3];
    if (!ReadRow("orologio", kShapes, t)) return Flow::kStop;
    if (watch_) watch_->CheckClockRow(t);
    ident.valore3 = static_cast<int16_t>(t[0].value);
    ident.valore4 = static_cast<int16_t>(t[1].value);
    ident.valore5 = static_cast<int16_t>(t[2].value);
  }
  if (s.Has("sabbia")) {
    if (!ReadOne("sabbia", {kI16, "value"}, &v)) return Flow::kStop;
    ident.valore1 = static_cast<int16_t>(v.value);
  }
  if (s.Has("segnale") && (f = LoadSignal(tok)) != Flow::kGo) return f;
  if (s.Has("rallentamento") && (f = LoadSlowdown(tok)) != Flow::kGo) return f;
  if (s.Has("abbattimento") && (f = LoadAbbattimento(tok)) != Flow::kGo) return f;
  if (s.Has("stazione") && (f = LoadStation(tok)) != Flow::kGo) return f;
  return Flow::kGo;
}

Flow Loader::LoadSpeed(const TextField&) {
  static constexpr FieldShape kShapes[] = {{kI32, "position"}, {kI32, "speed"}};
  NumberField v[2];
  if (!ReadRow("velocita", kShapes, v)) return Flow::kStop;
  if (!InRange(v[0].value, 100)) return RefuseOutOfRange("velocita", v[0], 100);
  if (watch_) watch_->CheckSpeedRow(v);
  const int64_t units = RoundHalfEven(v[1].value, 5);
  if (units < 0 || units > 255) {
    return Fail25(AtField(v[1]), FieldInWords("velocita", "speed") + ": " + std::to_string(v[1].value) +
                                     " km/h gives " + std::to_string(units) +
                                     " units of 5 km/h, outside 0 to 255");
  }
  Fill(&speed_cursor_, v[0].value, speed_units_, &TrackCell::velocita, true);
  speed_units_ = static_cast<uint8_t>(units);
  return Flow::kGo;
}

Flow Loader::LoadAdhesion(const TextField&) {
  static constexpr FieldShape kShapes[] = {{kI32, "position"}, {kI32, "value"}};
  NumberField v[2];
  if (!ReadRow("aderenza", kShapes, v)) return Flow::kStop;
  if (!InRange(v[0].value, 100)) return RefuseOutOfRange("aderenza", v[0], 100);
  if (watch_) watch_->CheckAdhesionRow(v);
  Fill(&adh_cursor_, v[0].value, static_cast<uint8_t>(adh_value_), &TrackCell::aderenza, false);
  adh_value_ = v[1].value;
  return Flow::kGo;
}

Flow Loader::LoadSignal(const TextField&) {
  static constexpr FieldShape kShapes[] = {
      {kI32, "posizione"}, {kI32, "sx"}, {kI32, "s1"}, {kI32, "s2"}, {kI32, "s3"},   {kI32, "rapp"},
      {kI32, "dx"},        {kI32, "d1"}, {kI32, "d2"}, {kI32, "d3"}, {kI32, "tempo"}};
  NumberField v[11];
  if (!ReadRow("segnale", kShapes, v)) return Flow::kStop;
  if (!InRange(v[0].value, 100)) return RefuseOutOfRange("segnale", v[0], 100);
  if (watch_) watch_->CheckSignalRow(v);
  const SignalRow row{v[0].value, v[1].value, v[2].value, v[3].value,  v[4].value, v[5].value,
                      v[6].value, v[7].value, v[8].value, v[9].value, v[10].value};
  const Rejection r = PlaceSignal(st_.grid, row);
  if (!r.rejected()) NotePlaced(ItemCellOf(row.posizione), v[0]);
  return RecordRejection("segnale", v[0], r,
                         "signal at " + std::to_string(row.posizione) + " m: its cell " +
                             std::to_string(r.cell) + " already holds an item");
}

Flow Loader::LoadSlowdown(const TextField&) {
  static constexpr FieldShape kShapes[] = {{kI32, "x"},    {kI32, "v"},    {kI32, "l"},
                                    {kI32, "f_tt"}, {kI32, "f_ta"}, {kI32, "d_v"}};
  NumberField v[6];
  if (!ReadRow("rallentamento", kShapes, v)) return Flow::kStop;
  if (!InRange(v[0].value, 100)) return RefuseOutOfRange("rallentamento", v[0], 100);
  if (watch_) watch_->CheckSlowdownRow(v);
  const SlowdownRow row{v[0].value, v[1].value, v[2].value, v[3].value, v[4].value, v[5].value};
  const Rejection r = PlaceSlowdown(st_.grid, row);
  if (!r.rejected()) NoteSlowdownPlaced(row, v[0]);
  return RecordRejection("rallentamento", v[0], r, SlowdownRejection(r, row, n_));
}

// An abbattimento mark stands on the cell that begins at its position.
Flow Loader::LoadAbbattimento(const TextField&) {
  static constexpr FieldShape kShapes[] = {{kI32, "position"}, {kI32, "value"}};
  NumberField v[2];
  if (!ReadRow("abbattimento", kShapes, v)) return Flow::kStop;
  if (!InRange(v[0].value, 100)) return RefuseOutOfRange("abbattimento", v[0], 100);
  if (watch_) watch_->CheckAbbattimentoRow(v);
  const int64_t c = CellAt(v[0].value);
  if (!st_.grid.IsFree(c)) {
    const Flow f = Fail(err::kAbbattimentoCellTaken, v[0].value, AtField(v[0]),
                        "abbattimento at " + std::to_string(v[0].value) + " m: cell " +
                            std::to_string(c) + " already holds " + Occupant(c));
    NoteTakenCell(c);
    return f;
  }
  TrackCell& cell = st_.grid.at(c);
  NotePlaced(c, v[0]);
  if (v[1].value > 0) {
    cell.tipo = TipoOf(ItemType::kAbbattimento);
    cell.dato1 = static_cast<int16_t>(static_cast<uint16_t>(v[1].value));
  } else {
    cell.tipo = TipoOf(ItemType::kAbbattimentoBare);
  }
  return Flow::kGo;
}

// A station or timing point: its slot, its zone, the stop cell at the zone's last cell
// and the approach marks before it.
Flow Loader::LoadStation(const TextField& tok) {
  LineRecord& s = st_.line_table.slot[k_];
  StationRow row;
  if (Flow f = ReadStation(s, &row); f != Flow::kGo) return f;
  if (st_.station_rows != nullptr) {
    st_.station_rows->push_back({k_, origin_, row.posizione.line, row.posizione.column});
  }
  StationZone zone;
  if (Flow f = ComputeStationZone(s, row, &zone); f != Flow::kGo) return f;
  if (row.len < 600) s.opzione5 = 0;
  if (k_ == 1) {
    s.opzione4 = 0;
    s.opzione5 = 0;
  }
  if (row.tipo < 25) {
    if (row.tipo != 5 && row.tipo != 6) MarkStationApproach(zone.last);
    if (Flow f = PlaceStationStop(row, zone); f != Flow::kGo) return f;
  }
  return CheckStationSpacing(tok, row, zone);
}

// Reads the row's 17 fields into the slot; the position must stand on a cell start and
// the zone length be a multiple of 100 m.
Flow Loader::ReadStation(LineRecord& s, StationRow* row) {
  static constexpr const char* kRow = "stazione";
  NumberField& p = row->posizione;
  if (!ReadOne(kRow, {kI32, "position (field 1)"}, &p)) return Flow::kStop;
  s.posizione = p.value;
  if (!InRange(p.value, 800)) return RefuseOutOfRange(kRow, p, 800);
  if (p.value % kCellMetres != 0) {
    return Fail(err::kStationOffCell, p.value, AtField(p),
                "station position " + std::to_string(p.value) + " m is not a multiple of 50");
  }
  if (watch_) watch_->CheckStationRow(p);
  static constexpr FieldShape kTypeLen[] = {{kU8, "type (field 2)"}, {kI32, "zone length (field 3)"}};
  NumberField tl[2];
  if (!ReadRow(kRow, kTypeLen, tl)) return Flow::kStop;
  row->tipo = tl[0].value;
  row->len = tl[1].value;
  row->zone_length = tl[1];
  s.tipo = static_cast<uint8_t>(row->tipo);
  if (row->len % 100 != 0) {
    return Fail(err::kZoneLengthOff100, p.value, AtField(tl[1]),
                "station zone length " + std::to_string(row->len) + " m is not a multiple of 100");
  }
  static constexpr FieldShape kRest[] = {{kU8, "field 4"},
                                   {kU8, "field 5"},
                                   {kU8, "field 6"},
                                   {kI16, "field 7"},
                                   {kI16, "field 8"},
                                   {kU8, "field 9"},
                                   {kI16, "field 10"},
                                   {kI16, "field 11"},
                                   {kI16, "field 12"},
                                   {kU8, "field 13"},
                                   {kI32, "hours (field 14)"},
                                   {kI32, "minutes (field 15)"},
                                   {kI32, "seconds (field 16)"}};
  NumberField f[13];
  TextField name;
  if (!ReadRow(kRow, kRest, f)) return Flow::kStop;
  if (!ReadName(kRow, "name (field 17)", &name)) return Flow::kStop;
  if (watch_) watch_->CheckStationTime(p, {f[10], f[11], f[12]});
  s.opzione1 = static_cast<uint8_t>(f[0].value);
  s.opzione5 = static_cast<uint8_t>(f[1].value);
  s.opzione4 = static_cast<uint8_t>(f[2].value);
  s.valore1 = static_cast<int16_t>(f[3].value);
  s.valore2 = static_cast<int16_t>(f[4].value);
  s.opzione2 = static_cast<uint8_t>(f[5].value);
  s.valore3 = static_cast<int16_t>(f[6].value);
  s.valore4 = static_cast<int16_t>(f[7].value);
  s.valore5 = static_cast<int16_t>(f[8].value);
  s.opzione3 = static_cast<uint8_t>(f[9].value);
  s.nome = std::string(name.text);
  const int64_t orario =
      int64_t{f[10].value} * 3600 + int64_t{f[11].value} * 60 + int64_t{f[12].value};
  if (orario < INT32_MIN || orario > INT32_MAX) {
    return Fail25(AtField(f[10]), "scheduled time of a \"stazione\" row: " +
                                      std::to_string(orario) + " s does not fit a 32-bit field");
  }
  s.orario = static_cast<int32_t>(orario);
  return Flow::kGo;
}

// The zone by the station's type (types 5 and 6 end 150 m past the position, 7 and 8
// reach the length both ways, the others half of it, plus a cell with field 6), stored
// in the slot; a zone whose last cell lies beyond the grid ends the text.
Flow Loader::ComputeStationZone(LineRecord& s, const StationRow& row, StationZone* zone) {
  const int64_t p = row.posizione.value;
  const int32_t tipo = row.tipo;
  const int32_t len = row.len;
  int64_t start = 0, end = 0;
  if (tipo == 5 || tipo == 6) {
    start = p - len;
    end = p + 150;
    s.opzione4 = 0;
  } else if (tipo == 7 || tipo == 8) {
    start = p - len;
    end = p + len;
    s.opzione4 = 0;
  } else {
    start = p - len / 2;
    end = p + len / 2 + (s.opzione4 != 0 ? kCellMetres : 0);
  }
  if (start < INT32_MIN || start > INT32_MAX || end < INT32_MIN || end > INT32_MAX) {
    return Fail25(AtField(row.zone_length), "station zone of a \"stazione\" row: " +
                                                std::to_string(start) + " to " +
                                                std::to_string(end) +
                                                " m does not fit a 32-bit field");
  }
  s.inizio = static_cast<int32_t>(start);
  s.fine = static_cast<int32_t>(end);
  const int64_t last = end / kCellMetres - 1;  // end is a multiple of 50
  *zone = {start, end, last};
  if (tipo < 25 && last > n_) {
    Record(err::kPositionOutOfRange, row.posizione.value, origin_, AtField(row.posizione),
           "station zone ends at " + std::to_string(end) + " m: its last cell " +
               std::to_string(last) + " lies beyond the grid's last cell " + std::to_string(n_));
    st_.errors.log.back().cell = static_cast<int32_t>(last);  // end fits 32 bits, checked above
    return Flow::kLeave;
  }
  return Flow::kGo;
}

// The four cells before the stop cell warn of it (81 nearest to 84 farthest); cells 0
// and 1 are never marked.
void Loader::MarkStationApproach(int64_t last) {
  for (int i = 1; i <= 4; ++i) {
    const int64_t c = last - i;
    if (c > 1) st_.grid.at(c).preavviso = static_cast<uint8_t>(80 + i);
  }
}

// The stop cell: the zone's last cell holds the station's slot number.
Flow Loader::PlaceStationStop(const StationRow& row, const StationZone& zone) {
  if (zone.last <= 1) {
    return Fail(err::kZoneInFirstCells, std::nullopt, AtField(row.zone_length),
                "station zone ends at " + std::to_string(zone.end) +
                    " m, within the first 100 m of the line");
  }
  TrackCell& stop = st_.grid.at(zone.last);
  NotePlaced(zone.last, row.posizione);
  stop.tipo = TipoOf(ItemType::kStationStop);
  stop.dato1 = static_cast<int16_t>(k_);
  return Flow::kGo;
}

// A zone starts at least 350 m after the previous one ends; stations and boards share
// the 78 slots from either end.
Flow Loader::CheckStationSpacing(const TextField& tok, const StationRow& row,
                                 const StationZone& zone) {
  if (k_ > 1 && zone.start - 350 < st_.line_table.slot[k_ - 1].fine) {
    return Fail(err::kZonesTooClose, row.posizione.value, AtField(row.posizione),
                "station zone starts at " + std::to_string(zone.start) +
                    " m, less than 350 m after the previous zone's end at " +
                    std::to_string(st_.line_table.slot[k_ - 1].fine) + " m");
  }
  ++k_;
  if (k_ >= b_) {
    return Fail(err::kSlotsExhausted, std::nullopt, AtField(tok),
                "stations and indicator boards together need more than 78 line-table slots");
  }
  return Flow::kGo;
}

// Chainage references must start and end on cell boundaries.
void Loader::CheckChainage() {
  for (int slot = kChainageSlotTre; slot <= kChainageSlotUno; ++slot) {
    const LineRecord& r = st_.line_table.slot[slot];
    if (r.inizio % kCellMetres == 0 && r.fine % kCellMetres == 0) continue;
    // Point at the row it came from: the ordering moves whole references and adds 100
    // to the end of those whose third value is 1.
    ErrorOrigin origin = ErrorOrigin::kNone;
    At at;
    const ChainageSource* written = nullptr;
    for (const ChainageSource& src : chainage_src_) {
      if (!src.seen || src.inizio != r.inizio || src.posizione != r.posizione) continue;
      if (src.fine == r.fine || (src.posizione == 1 && int64_t{src.fine} + 100 == r.fine)) {
        origin = ErrorOrigin::kLineText;
        at = src.at;
        written = &src;
        break;
      }
    }
    std::string detail = "chainage reference in slot " + std::to_string(slot) + " (start " +
                         std::to_string(r.inizio) + " m, end " + std::to_string(r.fine) +
                         " m): start and end must be multiples of 50";
    if (written != nullptr) {
      detail += "; it comes from the \"progressiva chilometrica " + std::string(written->word) +
                "\" row, written as start " + std::to_string(written->inizio) + " m, end " +
                std::to_string(written->fine) + " m";
    }
    Record(err::kChainageOffCell, std::nullopt, origin, at, std::move(detail));
  }
}

}  // namespace

LoaderDeletions LoadTexts(const LoaderInput& in, const LoaderState& st) {
  return Loader(in, st).Run();
}

}  // namespace percorso
