// The rows of the line description: those of its general section (line length,
// chainage references, background, signal repetition) and those of its body (gradient,
// curve, montagna, speed boards, indicator board), each read into the line table, the
// cell grid or the plan.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "compiler/field_reader.h"
#include "compiler/field_words.h"
#include "compiler/keywords.h"
#include "compiler/loader_parts.h"
#include "compiler/marker_writers.h"
#include "compiler/plan_geometry.h"
#include "model/cell_grid.h"
#include "model/error_numbers.h"
#include "model/items.h"
#include "model/line_table.h"
#include "model/track_plan.h"

namespace percorso::loader_parts {

namespace {

// The longest line length a line description may give, in metres.
constexpr int32_t kLongestLine = 1000000;

// A gradient is stored in a cell as its value plus kCellGradientLevel, in a byte.
uint8_t StoredGradient(int32_t gradient) {
  return static_cast<uint8_t>(static_cast<uint32_t>(gradient) +
                              static_cast<uint32_t>(kCellGradientLevel));
}

}  // namespace

// --- The general section -----------------------------------------------------------------

Flow LineRows::LoadGeneralRow(const TextField& tok) {
  const std::string_view s = tok.text;
  const Folded f(s);
  LineRecord& background = load_.state.line_table.slot[kLineIdentitySlot];
  auto go = [](Flow f) { return f == Flow::kGo; };
  if (f.Has("lunghezza") && f.Has("percorso") && !go(LoadLineLength())) return Flow::kStop;
  if (HasExact(s, "progressiva") && HasExact(s, "tre") && !go(LoadChainage(tok, kChainageSlotTre)))
    return Flow::kStop;
  if (HasExact(s, "progressiva") && HasExact(s, "due") && !go(LoadChainage(tok, kChainageSlotDue)))
    return Flow::kStop;
  if (HasExact(s, "progressiva") && HasExact(s, "uno") && !go(LoadChainage(tok, kChainageSlotUno)))
    return Flow::kStop;
  NumberField v;
  if (HasExact(s, "sfondo") && HasExact(s, "uno")) {
    if (!load_.ReadOne("sfondo uno", {kI32, "value"}, &v)) return Flow::kStop;
    background.inizio = v.value;
  }
  if (HasExact(s, "sfondo") && HasExact(s, "due")) {
    if (!load_.ReadOne("sfondo due", {kI32, "value"}, &v)) return Flow::kStop;
    background.posizione = v.value;
  }
  if (HasExact(s, "sfondo") && HasExact(s, "tre")) {
    if (!load_.ReadOne("sfondo tre", {kI32, "value"}, &v)) return Flow::kStop;
    background.fine = v.value;
  }
  if (HasExact(s, "segnali") && HasExact(s, "ripetizione") && !go(LoadRepetition(tok)))
    return Flow::kStop;
  return Flow::kGo;
}

// The line length sizes the cell grid (and the plan).
Flow LineRows::LoadLineLength() {
  NumberField length;
  if (!load_.ReadOne("lunghezza percorso", {kI32, "line length"}, &length)) return Flow::kStop;
  load_.state.line_table.slot[kTrainFiguresSlot].fine = length.value;
  if (length.value < 0 || length.value > kLongestLine) {
    return load_.Fail(
        err::kLineTooLong, std::nullopt, AtField(length),
        "line length " + std::to_string(length.value) + " m lies outside 0 to 1000000 m");
  }
  load_.state.grid.Create(length.value);
  load_.last_cell = load_.state.grid.upper();
  line_length_read_ = true;
  if (load_.watch) load_.watch->SetLineLength(length.value);
  if (load_.with_plan) load_.state.plan.Create(length.value);
  return Flow::kGo;
}

Flow LineRows::LoadChainage(const TextField& tok, int slot) {
  static constexpr FieldShape kShapes[] = {{kI32, "start"}, {kI32, "end"}, {kI32, "third value"}};
  NumberField v[3];
  if (!load_.ReadRow("progressiva chilometrica", kShapes, v)) return Flow::kStop;
  LineRecord& reference = load_.state.line_table.slot[slot];
  reference.inizio = v[0].value;
  reference.fine = v[1].value;
  reference.posizione = v[2].value;
  static constexpr const char* kWords[] = {"tre", "due", "uno"};
  chainage_rows_[slot - kChainageSlotTre] = {
      true, v[0].value, v[1].value, v[2].value, AtField(tok), kWords[slot - kChainageSlotTre]};
  return Flow::kGo;
}

Flow LineRows::LoadRepetition(const TextField& tok) {
  static constexpr FieldShape kShapes[] = {{kI32, "start"}, {kI32, "end"}};
  NumberField v[2];
  if (!load_.ReadRow("ripetizione segnali", kShapes, v)) return Flow::kStop;
  LineRecord& repetition = load_.state.line_table.slot[kTrainIdentitySlot];
  repetition.inizio = v[0].value;
  repetition.fine = v[1].value;
  if (v[0].value % kCellMetres != 0) {
    return load_.Fail(
        err::kRepetitionStartOffCell, std::nullopt, AtField(v[0]),
        "signal repetition start " + std::to_string(v[0].value) + " m is not a multiple of 50");
  }
  if (v[1].value % kCellMetres != 0) {
    return load_.Fail(
        err::kRepetitionEndOffCell, std::nullopt, AtField(v[1]),
        "signal repetition end " + std::to_string(v[1].value) + " m is not a multiple of 50");
  }
  int32_t codes = 0;
  if (tok.text.find('4') != std::string_view::npos)
    codes = 4;
  else if (tok.text.find('9') != std::string_view::npos)
    codes = 9;
  else
    return load_.Fail(
        err::kRepetitionCodeCount, std::nullopt, AtField(tok),
        "signal repetition keyword " + Quoted(tok.text) + " names no code count (neither 4 nor 9)");
  repetition.posizione = v[1].value == 0 ? 0 : codes;
  return Flow::kGo;
}

// Chainage references must start and end on cell boundaries.
void LineRows::CheckChainage() {
  for (int slot = kChainageSlotTre; slot <= kChainageSlotUno; ++slot) {
    const LineRecord& reference = load_.state.line_table.slot[slot];
    if (reference.inizio % kCellMetres == 0 && reference.fine % kCellMetres == 0) continue;
    // Point at the row it came from: the ordering moves whole references and adds 100
    // to the end of those whose third value is 1.
    ErrorOrigin origin = ErrorOrigin::kNone;
    At at;
    const ChainageSource* written = nullptr;
    for (const ChainageSource& row : chainage_rows_) {
      if (!row.seen || row.inizio != reference.inizio || row.posizione != reference.posizione)
        continue;
      if (row.fine == reference.fine ||
          (row.posizione == 1 && int64_t{row.fine} + 100 == reference.fine)) {
        origin = ErrorOrigin::kLineText;
        at = row.at;
        written = &row;
        break;
      }
    }
    std::string detail = "chainage reference in slot " + std::to_string(slot) + " (start " +
                         std::to_string(reference.inizio) + " m, end " +
                         std::to_string(reference.fine) +
                         " m): start and end must be multiples of 50";
    if (written != nullptr) {
      detail += "; it comes from the \"progressiva chilometrica " + std::string(written->word) +
                "\" row, written as start " + std::to_string(written->inizio) + " m, end " +
                std::to_string(written->fine) + " m";
    }
    load_.Record(err::kChainageOffCell, std::nullopt, origin, at, std::move(detail));
  }
}

// --- The body ---------------------------------------------------------------------------

Flow LineRows::LoadBodyRow(const TextField& tok) {
  const Folded s(tok.text);
  Flow f = Flow::kGo;
  if (s.Has("pendenza") && (f = LoadGradient()) != Flow::kGo) return f;
  if (load_.with_plan && s.Has("curva") && (f = LoadCurve(tok)) != Flow::kGo) return f;
  if (s.Has("montagna") && (f = LoadMontagna()) != Flow::kGo) return f;
  if (s.Has("indicatori_v") && (f = LoadSpeedBoards()) != Flow::kGo) return f;
  if (s.Has("cartello") && s.Has("indicat") && (f = LoadBoard(tok)) != Flow::kGo) return f;
  return Flow::kGo;
}

Flow LineRows::LoadGradient() {
  static constexpr FieldShape kShapes[] = {{kI32, "position"}, {kI32, "gradient"}};
  NumberField v[2];
  if (!load_.ReadRow("pendenza", kShapes, v)) return Flow::kStop;
  if (!load_.InRange(v[0].value, kItemEndMarginMetres))
    return load_.RefuseOutOfRange("pendenza", v[0], kItemEndMarginMetres);
  if (load_.watch) load_.watch->CheckGradientRow(v);
  load_.Fill(&gradient_cursor_, v[0].value, StoredGradient(gradient_), &TrackCell::pendenza, false);
  gradient_ = v[1].value;
  return Flow::kGo;
}

void LineRows::EndBody() {
  load_.EndFill(gradient_cursor_, StoredGradient(gradient_), &TrackCell::pendenza);
}

Flow LineRows::LoadCurve(const TextField& tok) {
  static constexpr FieldShape kShapes[] = {{kI32, "start"}, {kI32, "length"}};
  NumberField v[2];
  if (!load_.ReadRow("curva", kShapes, v)) return Flow::kStop;
  if (!load_.InRange(v[0].value, kItemEndMarginMetres))
    return load_.RefuseOutOfRange("curva", v[0], kItemEndMarginMetres);
  TrackPlan& plan = load_.state.plan;
  if (load_.watch) load_.watch->CheckCurveRow(v, plan);
  std::optional<double> curvature = CurvatureOf(tok.text);
  if (!curvature) {
    return load_.Fail(err::kBadCurve, std::nullopt, AtField(tok),
                      "curve keyword " + Quoted(tok.text) + " holds none of the digits 1 to 6");
  }
  switch (ExtendWithCurve(plan, v[0].value, v[1].value, *curvature)) {
    case CurveOutcome::kDone:
      return Flow::kGo;
    case CurveOutcome::kBeyondPlan:
      return load_.Fail(err::kBadCurve, std::nullopt, AtField(v[1]),
                        "curve from " + std::to_string(v[0].value) + " m over " +
                            std::to_string(v[1].value) + " m ends beyond the last plan point " +
                            std::to_string(int64_t{plan.upper()} - 2));
    case CurveOutcome::kPastPointLimit:
      break;
  }
  return load_.Fail(
      err::kBadCurve, std::nullopt, AtField(tok),
      "the plan passes " + std::to_string(kPlanPointLimit) + " points inside this curve");
}

Flow LineRows::LoadMontagna() {
  static constexpr FieldShape kShapes[] = {{kI32, "inizio"}, {kI32, "fine"}, {kI32, "tipo"}};
  NumberField v[3];
  if (!load_.ReadRow("montagna", kShapes, v)) return Flow::kStop;
  if (!load_.InRange(v[0].value, kItemEndMarginMetres))
    return load_.RefuseOutOfRange("montagna", v[0], kItemEndMarginMetres);
  if (load_.watch) load_.watch->CheckMontagnaRow(v);
  PlaceSpan(load_.state.grid, spans_, v[0].value, v[1].value, v[2].value);
  return load_.RecordRejection("montagna", v[0], Rejection{}, "montagna span rejected");
}

Flow LineRows::LoadSpeedBoards() {
  static constexpr FieldShape kShapes[] = {
      {kI32, "posizione"}, {kI32, "vas"}, {kI32, "vbs"}, {kI32, "vcs"},     {kI32, "strisces"},
      {kI32, "vad"},       {kI32, "vbd"}, {kI32, "vcd"}, {kI32, "strisced"}};
  NumberField v[9];
  if (!load_.ReadRow("indicatori_vmax", kShapes, v)) return Flow::kStop;
  if (!load_.InRange(v[0].value, kItemEndMarginMetres))
    return load_.RefuseOutOfRange("indicatori_vmax", v[0], kItemEndMarginMetres);
  if (load_.watch) load_.watch->CheckSpeedBoardsRow(v);
  const SpeedBoardRow row{v[0].value, v[1].value, v[2].value, v[3].value, v[4].value,
                          v[5].value, v[6].value, v[7].value, v[8].value};
  const Rejection r = PlaceSpeedBoards(load_.state.grid, row);
  if (!r.rejected()) load_.NotePlaced(ItemCellOf(row.posizione), v[0]);
  return load_.RecordRejection("indicatori_vmax", v[0], r,
                               "speed boards at " + std::to_string(row.posizione) +
                                   " m: their cell " + std::to_string(r.cell) +
                                   " already holds an item");
}

// An indicator board stands on the cell after the one that begins at its position; its
// text takes the next free board slot, counting down towards the stations'.
Flow LineRows::LoadBoard(const TextField& tok) {
  NumberField p;
  TextField text;
  if (!load_.ReadOne("cartello_indicatore", {kI32, "position"}, &p)) return Flow::kStop;
  if (!load_.ReadName("cartello_indicatore", "board text", &text)) return Flow::kStop;
  if (!load_.InRange(p.value, kItemEndMarginMetres))
    return load_.RefuseOutOfRange("cartello_indicatore", p, kItemEndMarginMetres);
  if (load_.watch) load_.watch->CheckBoardRow(p);
  const int64_t c = ItemCellOf(p.value);
  CellGrid& grid = load_.state.grid;
  if (!grid.IsFree(c)) {
    const Flow f = load_.Fail(err::kBoardCellTaken, p.value, AtField(p),
                              "indicator board at " + std::to_string(p.value) + " m: cell " +
                                  std::to_string(c) + " already holds " + load_.Occupant(c));
    load_.NoteTakenCell(c);
    return f;
  }
  TrackCell& cell = grid.at(c);
  load_.NotePlaced(c, p);
  int32_t& slot = load_.next_board_slot;
  cell.tipo = TipoOf(ItemType::kBoard);
  cell.dato1 = static_cast<int16_t>(slot);
  load_.state.line_table.slot[slot].nome = std::string(text.text);
  --slot;
  if (slot <= load_.next_station_slot) {
    return load_.Fail(err::kSlotsExhausted, std::nullopt, AtField(tok),
                      "stations and indicator boards together need more than 78 line-table slots");
  }
  return Flow::kGo;
}

}  // namespace percorso::loader_parts
