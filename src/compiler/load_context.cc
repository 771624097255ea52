// What every row reader of the loader shares: reading fields, naming what stands on a
// taken cell, and recording failures with the texts they delete.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "compiler/field_reader.h"
#include "compiler/field_words.h"
#include "compiler/loader.h"
#include "compiler/loader_parts.h"
#include "model/error_numbers.h"
#include "model/items.h"

namespace percorso {

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

namespace loader_parts {

LoadContext::LoadContext(const LoaderInput& in, const LoaderState& st) : input(in), state(st) {
  if (st.warnings == WarningChoice::kWatch) watch.emplace(st.errors);
}

// --- Failures -------------------------------------------------------------------------

void LoadContext::Record(int32_t numero, std::optional<int32_t> pos, ErrorOrigin origin_of_fault,
                         At at, std::string detail) {
  Diagnostic d;
  d.numero = numero;
  d.has_posizione = pos.has_value();
  d.posizione = pos.value_or(0);
  d.origin = origin_of_fault;
  d.line = at.line;
  d.column = at.column;
  d.detail = std::move(detail);
  state.errors.Record(d);
}

void LoadContext::DeleteTextBeingRead() {
  if (origin == ErrorOrigin::kLineText)
    deletions.linea = true;
  else
    deletions.treno = true;
}

Flow LoadContext::Fail(int32_t numero, std::optional<int32_t> pos, At at, std::string detail) {
  Record(numero, pos, origin, at, std::move(detail));
  DeleteTextBeingRead();
  return Flow::kStop;
}

Flow LoadContext::FailNotLoaded(At at, std::string detail) {
  Record(err::kNotLoaded, std::nullopt, origin, at, std::move(detail));
  deletions.linea = true;
  deletions.treno = true;
  return Flow::kStop;
}

Flow LoadContext::FailNotLoaded(const ReadFailure& f, const char* row, const char* field) {
  return FailNotLoaded({f.line, f.column}, FieldInWords(row, field) + ": " + f.Message());
}

// --- Taken cells ------------------------------------------------------------------------

const PlacedItem* LoadContext::PlacingRow(int64_t cell) const {
  if (state.placed == nullptr) return nullptr;
  for (auto it = state.placed->rbegin(); it != state.placed->rend(); ++it)
    if (it->cell == cell) return &*it;
  return nullptr;
}

std::string LoadContext::Occupant(int64_t cell) const {
  if (!state.grid.Contains(cell)) return "nothing";
  std::string s = ItemWords(state.grid.at(cell).tipo);
  const PlacedItem* row = PlacingRow(cell);
  if (row == nullptr) return s;
  const std::string& file =
      row->origin == ErrorOrigin::kLineText ? input.linea.name : input.treno.name;
  return s + ", put there by the row at " + file + ":" + std::to_string(row->line);
}

void LoadContext::NoteTakenCell(int64_t cell) {
  Diagnostic& d = state.errors.log.back();
  d.cell = static_cast<int32_t>(cell);
  if (const PlacedItem* row = PlacingRow(cell)) {
    d.other_origin = row->origin;
    d.other_line = row->line;
    d.other_column = row->column;
  }
}

// A rejection ends the load at this row. So does an error 15 left standing by an earlier
// text even when the writer accepted the row: the first written row after it turns it
// into the end of the load.
Flow LoadContext::RecordRejection(const char* row, const NumberField& first, const Rejection& r,
                                  const std::string& why) {
  ErrorState& e = state.errors;
  if (!r.rejected() && e.numero <= 0) return Flow::kGo;
  const int32_t numero = r.rejected() ? r.numero : e.numero;
  std::string detail =
      numero == err::kPositionOutOfRange
          ? std::string("an earlier position out of range left error 15 standing, so this \"") +
                row + "\" row is taken as rejected and ends the load"
          : why;
  const bool taken = r.rejected() && state.grid.Contains(r.cell);
  if (taken) detail += ": " + Occupant(r.cell);
  Record(numero, first.value, origin, AtField(first), std::move(detail));
  if (taken) {
    NoteTakenCell(r.cell);
  } else if (r.rejected() && r.cell >= INT32_MIN && r.cell <= INT32_MAX) {
    state.errors.log.back().cell = static_cast<int32_t>(r.cell);  // a cell outside the grid
  }
  DeleteTextBeingRead();
  return Flow::kStop;
}

// --- Reading ---------------------------------------------------------------------------

bool LoadContext::ReadToken(TextField* tok) {
  if (std::optional<ReadFailure> f = reader->ReadText(tok)) {
    FailNotLoaded({f->line, f->column}, "keyword field: " + f->Message());
    return false;
  }
  if (watch) watch->WatchToken(*tok);
  return true;
}

bool LoadContext::ReadOne(const char* row, const FieldShape& shape, NumberField* out) {
  if (std::optional<ReadFailure> f = reader->ReadNumber(shape.width, out)) {
    FailNotLoaded(*f, row, shape.name);
    return false;
  }
  if (watch) watch->WatchNumber(*out, row, shape.name);
  return true;
}

bool LoadContext::ReadName(const char* row, const char* name, TextField* out) {
  if (std::optional<ReadFailure> f = reader->ReadText(out)) {
    FailNotLoaded(*f, row, name);
    return false;
  }
  if (watch) watch->WatchText(*out);
  return true;
}

// --- Positions --------------------------------------------------------------------------

Flow LoadContext::RefuseOutOfRange(const char* row, const NumberField& p, int32_t margin) {
  std::string detail = FieldInWords(row, "position") + ": ";
  if (p.value < 0) {
    detail += std::to_string(p.value) + " m is negative";
  } else {
    detail += std::to_string(p.value) + " m lies beyond the last accepted position " +
              std::to_string(kCellMetres * int64_t{last_cell} - margin) + " m (grid cells 0 to " +
              std::to_string(last_cell) + ")";
  }
  Record(err::kPositionOutOfRange, p.value, origin, AtField(p), std::move(detail));
  return Flow::kLeave;
}

}  // namespace loader_parts
}  // namespace percorso
