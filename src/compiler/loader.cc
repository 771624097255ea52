// The loader reads the line description in two phases (its general section, then its
// body) and the train data text in a third, and fills the line table, the cell grid and
// the plan. It stops at the first fault, records it and says which texts to delete;
// a position out of range (error 15) only ends the reading of the current text.
//
// This file holds the phases and the fill rule; the rows are read by LineRows
// (line_rows.cc), TrainRows (train_rows.cc) and StationRows (station_row.cc), over the
// LoadContext they share (load_context.cc, loader_parts.h).
#include "compiler/loader.h"

#include <cstdint>
#include <optional>
#include <string>

#include "compiler/chainage.h"
#include "compiler/field_reader.h"
#include "compiler/keywords.h"
#include "compiler/loader_parts.h"
#include "compiler/plan_geometry.h"
#include "model/error_numbers.h"
#include "model/items.h"

namespace percorso {

namespace loader_parts {

// The fill rule: the cells from the cursor up to the cell before the row's cell receive
// the value in force, at least one cell whenever the row's cell is above 0. Several rows
// in one cell push the cursor on by one cell each; nothing is written past cell N. The
// speed fill also stops once the cursor has reached N, tested after the cell at the
// cursor is written: a row that finds the cursor on N still writes cell N, and from then
// on the cursor lies past the grid and no speed row writes anything.
void LoadContext::Fill(int64_t* cursor, int32_t p, uint8_t value, uint8_t TrackCell::*field,
                       bool stop_at_last) {
  const int64_t cell = CellAt(p);
  if (cell <= 0) return;
  do {
    if (*cursor <= last_cell) state.grid.at(*cursor).*field = value;
    ++*cursor;
    if (stop_at_last && *cursor >= last_cell) return;
  } while (*cursor < cell);
}

// After the last row: the cells from the cursor up to N - 3; cells N - 2 to N keep 0.
void LoadContext::EndFill(int64_t cursor, uint8_t value, uint8_t TrackCell::*field) {
  for (int64_t c = cursor; c <= int64_t{last_cell} - 3; ++c) state.grid.at(c).*field = value;
}

namespace {

// The phases of one load, over the row readers.
class Loader {
 public:
  Loader(const LoaderInput& in, const LoaderState& st)
      : load_(in, st), line_rows_(load_), train_rows_(load_) {}

  LoaderDeletions Run() {
    Load();
    load_.state.counters.stazione = load_.next_station_slot;
    load_.state.counters.cartello = load_.next_board_slot;
    load_.state.counters.montagne = line_rows_.spans_recorded();
    return load_.deletions;
  }

 private:
  void Load();
  Flow FindGenerale();
  Flow ReadGeneralSection();
  Flow ReadBody(bool train);
  Flow SkipTrainPreamble();

  LoadContext load_;
  LineRows line_rows_;
  TrainRows train_rows_;
  At general_end_;  // the header that ended the general section, or the end
};

void Loader::Load() {
  const LoaderInput& in = load_.input;
  const LoaderState& st = load_.state;
  std::optional<WarningWatch>& watch = load_.watch;
  LineTable& t = st.line_table;
  t.slot[kLineIdentitySlot].nome = in.nome_linea;
  t.slot[kTrainIdentitySlot].nome = in.numero_treno;
  load_.with_plan = in.with_plan;
  if (!load_.with_plan) st.plan.Reset();

  // Phase 1: the general section of the line description.
  load_.origin = ErrorOrigin::kLineText;
  if (in.linea.status == ReadStatus::kMissing) {
    load_.Record(err::kNoLineText, std::nullopt, load_.origin, {},
                 "line description " + in.linea.name + " not found");
    return;
  }
  if (in.linea.status != ReadStatus::kOk) {
    load_.FailNotLoaded({}, "line description " + in.linea.name + " cannot be read");
    return;
  }
  FieldReader linea(in.linea.bytes);
  load_.reader = &linea;
  if (watch) watch->StartLine(load_.with_plan);
  if (FindGenerale() == Flow::kStop) return;
  if (watch) watch->StartGeneral();
  if (ReadGeneralSection() == Flow::kStop) return;
  if (!line_rows_.line_length_read()) {
    load_.FailNotLoaded(general_end_,
                        "the general section has no line length row (\"lunghezza percorso\")");
    return;
  }
  OrderChainages(t);
  if (load_.with_plan) StartPlan(st.plan);

  // Phase 2: the body of the line description.
  if (watch) watch->StartBody();
  if (ReadBody(false) == Flow::kStop) return;
  if (watch) watch->EndText(load_.reader->AtEnd());
  load_.deletions.linea = true;
  line_rows_.EndBody();
  if (load_.with_plan) FinishPlan(st.plan);

  // Phase 3: the body of the train data text.
  load_.origin = ErrorOrigin::kTrainText;
  if (in.treno.status != ReadStatus::kOk) {
    const char* what = in.treno.status == ReadStatus::kMissing ? " not found" : " cannot be read";
    load_.FailNotLoaded({}, "train data text " + in.treno.name + what);
    return;
  }
  FieldReader treno(in.treno.bytes);
  load_.reader = &treno;
  if (watch) watch->StartTrain();
  if (SkipTrainPreamble() == Flow::kStop) return;
  if (watch) watch->StartBody();
  if (ReadBody(true) == Flow::kStop) return;
  if (watch) watch->EndText(load_.reader->AtEnd());
  load_.deletions.treno = true;
  train_rows_.EndBody();
  line_rows_.CheckChainage();
}

// Every field before the first one holding "[generale]" is skipped.
Flow Loader::FindGenerale() {
  FieldReader& reader = *load_.reader;
  TextField tok;
  for (;;) {
    if (reader.AtEnd()) {
      return load_.Fail(err::kNoGenerale, std::nullopt, {reader.line(), reader.column()},
                        "the line description has no \"[generale]\" header");
    }
    if (!load_.ReadToken(&tok)) return Flow::kStop;
    if (Folded(tok.text).Has("[generale]")) return Flow::kGo;
  }
}

// The rows of the general section, up to its closing header (which is consumed and not
// tested against the keywords) or the end of the text. Up to ten comment fields in a row
// are skipped here, with no check for the end between them.
Flow Loader::ReadGeneralSection() {
  constexpr int kCommentsSkipped = 10;
  FieldReader& reader = *load_.reader;
  std::optional<WarningWatch>& watch = load_.watch;
  TextField tok;
  for (;;) {
    general_end_ = {reader.line(), reader.column()};
    if (reader.AtEnd()) return Flow::kGo;
    if (!load_.ReadToken(&tok)) return Flow::kStop;
    if (reader.AtEnd()) return Flow::kGo;
    for (int i = 0; i < kCommentsSkipped && IsComment(tok.text); ++i)
      if (!load_.ReadToken(&tok)) return Flow::kStop;
    if (IsSectionHeader(tok.text)) {
      general_end_ = AtField(tok);
      if (watch) watch->EndGeneral(tok);
      return Flow::kGo;
    }
    if (watch) watch->StartRow(tok);
    if (line_rows_.LoadGeneralRow(tok) == Flow::kStop) return Flow::kStop;
    if (watch) watch->EndRow();
  }
}

// Both bodies: rows in any order to the end of the text. A field that is the very last
// of the text is never acted on; up to two comment fields in a row are skipped, with a
// check for the end after each.
Flow Loader::ReadBody(bool train) {
  constexpr int kCommentsSkipped = 2;
  FieldReader& reader = *load_.reader;
  std::optional<WarningWatch>& watch = load_.watch;
  TextField tok;
  for (;;) {
    if (reader.AtEnd()) return Flow::kGo;
    if (!load_.ReadToken(&tok)) return Flow::kStop;
    if (reader.AtEnd()) return Flow::kGo;
    for (int i = 0; i < kCommentsSkipped && IsComment(tok.text); ++i) {
      if (!load_.ReadToken(&tok)) return Flow::kStop;
      if (reader.AtEnd()) return Flow::kGo;
    }
    if (watch) watch->StartRow(tok);
    Flow f = train ? train_rows_.LoadRow(tok) : line_rows_.LoadBodyRow(tok);
    if (f == Flow::kStop) return Flow::kStop;
    if (watch) watch->EndRow();
    if (f == Flow::kLeave) return Flow::kGo;
  }
}

// Every field up to and including the first one holding "[generale]" is skipped; a
// text without it has no rows.
Flow Loader::SkipTrainPreamble() {
  TextField tok;
  while (!load_.reader->AtEnd()) {
    if (!load_.ReadToken(&tok)) return Flow::kStop;
    if (Folded(tok.text).Has("[generale]")) return Flow::kGo;
  }
  if (load_.watch) load_.watch->WarnNoOpeningHeader();
  return Flow::kGo;
}

}  // namespace
}  // namespace loader_parts

LoaderDeletions LoadTexts(const LoaderInput& in, const LoaderState& st) {
  return loader_parts::Loader(in, st).Run();
}

}  // namespace percorso
