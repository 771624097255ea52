// The rows of the train data text other than the station row: braked mass, cars,
// speed, adhesion, clock, sand, signal, slowdown and abbattimento, each read into the
// line table or the cell grid.
#include <cstdint>
#include <optional>
#include <string>

#include "base/rounding.h"
#include "compiler/field_reader.h"
#include "compiler/field_words.h"
#include "compiler/keywords.h"
#include "compiler/loader_parts.h"
#include "compiler/marker_writers.h"
#include "model/error_numbers.h"
#include "model/items.h"

namespace percorso::loader_parts {

namespace {

// The most speed units a cell's byte holds.
constexpr int64_t kMostSpeedUnits = 255;

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

Flow TrainRows::LoadRow(const TextField& tok) {
  const Folded s(tok.text);
  LineRecord& figures = load_.state.line_table.slot[kTrainFiguresSlot];
  LineRecord& ident = load_.state.line_table.slot[kTrainIdentitySlot];
  Flow f = Flow::kGo;
  NumberField v;
  if (s.Has("frenata") && s.Has("massa")) {
    if (!load_.ReadOne("percentuale massa frenata", {kI32, "value"}, &v)) return Flow::kStop;
    figures.inizio = v.value;
  }
  if (s.Has("vetture")) {
    if (!load_.ReadOne("numero vetture", {kI32, "value"}, &v)) return Flow::kStop;
    figures.posizione = v.value;
  }
  if (s.Has("velocit") && (f = LoadSpeed()) != Flow::kGo) return f;
  if (s.Has("aderenza") && (f = LoadAdhesion()) != Flow::kGo) return f;
  if (s.Has("orologio")) {
    static constexpr FieldShape kShapes[] = {{kI16, "hours"}, {kI16, "minutes"}, {kI16, "seconds"}};
    NumberField clock[3];
    if (!load_.ReadRow("orologio", kShapes, clock)) return Flow::kStop;
    if (load_.watch) load_.watch->CheckClockRow(clock);
    ident.valore3 = static_cast<int16_t>(clock[0].value);
    ident.valore4 = static_cast<int16_t>(clock[1].value);
    ident.valore5 = static_cast<int16_t>(clock[2].value);
  }
  if (s.Has("sabbia")) {
    if (!load_.ReadOne("sabbia", {kI16, "value"}, &v)) return Flow::kStop;
    ident.valore1 = static_cast<int16_t>(v.value);
  }
  if (s.Has("segnale") && (f = LoadSignal()) != Flow::kGo) return f;
  if (s.Has("rallentamento") && (f = LoadSlowdown()) != Flow::kGo) return f;
  if (s.Has("abbattimento") && (f = LoadAbbattimento()) != Flow::kGo) return f;
  if (s.Has("stazione") && (f = stations_.Load(tok)) != Flow::kGo) return f;
  return Flow::kGo;
}

void TrainRows::EndBody() {
  load_.EndFill(speed_cursor_, speed_units_, &TrackCell::velocita);
  load_.EndFill(adhesion_cursor_, static_cast<uint8_t>(adhesion_), &TrackCell::aderenza);
}

Flow TrainRows::LoadSpeed() {
  static constexpr FieldShape kShapes[] = {{kI32, "position"}, {kI32, "speed"}};
  NumberField v[2];
  if (!load_.ReadRow("velocita", kShapes, v)) return Flow::kStop;
  if (!load_.InRange(v[0].value, kItemEndMarginMetres))
    return load_.RefuseOutOfRange("velocita", v[0], kItemEndMarginMetres);
  if (load_.watch) load_.watch->CheckSpeedRow(v);
  const int64_t units = RoundHalfEven(v[1].value, kCellSpeedUnitKmh);
  if (units < 0 || units > kMostSpeedUnits) {
    return load_.FailNotLoaded(AtField(v[1]), FieldInWords("velocita", "speed") + ": " +
                                                  std::to_string(v[1].value) + " km/h gives " +
                                                  std::to_string(units) +
                                                  " units of 5 km/h, outside 0 to 255");
  }
  load_.Fill(&speed_cursor_, v[0].value, speed_units_, &TrackCell::velocita, true);
  speed_units_ = static_cast<uint8_t>(units);
  return Flow::kGo;
}

Flow TrainRows::LoadAdhesion() {
  static constexpr FieldShape kShapes[] = {{kI32, "position"}, {kI32, "value"}};
  NumberField v[2];
  if (!load_.ReadRow("aderenza", kShapes, v)) return Flow::kStop;
  if (!load_.InRange(v[0].value, kItemEndMarginMetres))
    return load_.RefuseOutOfRange("aderenza", v[0], kItemEndMarginMetres);
  if (load_.watch) load_.watch->CheckAdhesionRow(v);
  load_.Fill(&adhesion_cursor_, v[0].value, static_cast<uint8_t>(adhesion_), &TrackCell::aderenza,
             false);
  adhesion_ = v[1].value;
  return Flow::kGo;
}

Flow TrainRows::LoadSignal() {
  static constexpr FieldShape kShapes[] = {
      {kI32, "posizione"}, {kI32, "sx"}, {kI32, "s1"}, {kI32, "s2"}, {kI32, "s3"},   {kI32, "rapp"},
      {kI32, "dx"},        {kI32, "d1"}, {kI32, "d2"}, {kI32, "d3"}, {kI32, "tempo"}};
  NumberField v[11];
  if (!load_.ReadRow("segnale", kShapes, v)) return Flow::kStop;
  if (!load_.InRange(v[0].value, kItemEndMarginMetres))
    return load_.RefuseOutOfRange("segnale", v[0], kItemEndMarginMetres);
  if (load_.watch) load_.watch->CheckSignalRow(v);
  const SignalRow row{v[0].value, v[1].value, v[2].value, v[3].value, v[4].value, v[5].value,
                      v[6].value, v[7].value, v[8].value, v[9].value, v[10].value};
  const Rejection r = PlaceSignal(load_.state.grid, row);
  if (!r.rejected()) load_.NotePlaced(ItemCellOf(row.posizione), v[0]);
  return load_.RecordRejection("segnale", v[0], r,
                               "signal at " + std::to_string(row.posizione) + " m: its cell " +
                                   std::to_string(r.cell) + " already holds an item");
}

Flow TrainRows::LoadSlowdown() {
  static constexpr FieldShape kShapes[] = {{kI32, "x"},    {kI32, "v"},    {kI32, "l"},
                                           {kI32, "f_tt"}, {kI32, "f_ta"}, {kI32, "d_v"}};
  NumberField v[6];
  if (!load_.ReadRow("rallentamento", kShapes, v)) return Flow::kStop;
  if (!load_.InRange(v[0].value, kItemEndMarginMetres))
    return load_.RefuseOutOfRange("rallentamento", v[0], kItemEndMarginMetres);
  if (load_.watch) load_.watch->CheckSlowdownRow(v);
  const SlowdownRow row{v[0].value, v[1].value, v[2].value, v[3].value, v[4].value, v[5].value};
  const Rejection r = PlaceSlowdown(load_.state.grid, row);
  if (!r.rejected()) NoteSlowdownPlaced(row, v[0]);
  return load_.RecordRejection("rallentamento", v[0], r,
                               SlowdownRejection(r, row, load_.last_cell));
}

void TrainRows::NoteSlowdownPlaced(const SlowdownRow& row, const NumberField& at) {
  load_.NotePlaced(ItemCellOf(row.posizione), at);
  load_.NotePlaced(ItemCellOf(int64_t{row.posizione} + row.lunghezza), at);
  if (!SlowdownHasWarning(row.posizione)) return;
  load_.NotePlaced(SlowdownWarningCell(row.posizione), at);
  if (row.f_ta == 0) return;
  for (int64_t i = 0; i < 4; ++i) load_.NotePlaced(SlowdownApproachCell(row.posizione) - i, at);
}

// An abbattimento mark stands on the cell that begins at its position.
Flow TrainRows::LoadAbbattimento() {
  static constexpr FieldShape kShapes[] = {{kI32, "position"}, {kI32, "value"}};
  NumberField v[2];
  if (!load_.ReadRow("abbattimento", kShapes, v)) return Flow::kStop;
  if (!load_.InRange(v[0].value, kItemEndMarginMetres))
    return load_.RefuseOutOfRange("abbattimento", v[0], kItemEndMarginMetres);
  if (load_.watch) load_.watch->CheckAbbattimentoRow(v);
  const int64_t c = CellAt(v[0].value);
  CellGrid& grid = load_.state.grid;
  if (!grid.IsFree(c)) {
    const Flow f = load_.Fail(err::kAbbattimentoCellTaken, v[0].value, AtField(v[0]),
                              "abbattimento at " + std::to_string(v[0].value) + " m: cell " +
                                  std::to_string(c) + " already holds " + load_.Occupant(c));
    load_.NoteTakenCell(c);
    return f;
  }
  TrackCell& cell = grid.at(c);
  load_.NotePlaced(c, v[0]);
  if (v[1].value > 0) {
    cell.tipo = TipoOf(ItemType::kAbbattimento);
    cell.dato1 = static_cast<int16_t>(static_cast<uint16_t>(v[1].value));
  } else {
    cell.tipo = TipoOf(ItemType::kAbbattimentoBare);
  }
  return Flow::kGo;
}

}  // namespace percorso::loader_parts
