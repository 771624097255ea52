// The rows of the line description (NAME_linea.txt): the general section from its slots,
// the curve rows from the plan, the gradient rows by the fill rule, then the montagna
// rows (recover_spans.cc), the indicator boards and the speed boards from their cells.
#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <set>
#include <string_view>
#include <utility>

#include "compiler/chainage.h"
#include "compiler/keywords.h"
#include "decompile/recovery_parts.h"
#include "model/items.h"

namespace percorso::recovery_parts {

namespace {

// The signal repetition codes a row's keyword can give.
constexpr int32_t kFourCodes = 4;
constexpr int32_t kNineCodes = 9;
// The chainage ordering adds this to the end of a reference whose third value is 1.
constexpr int64_t kChainageEndRaise = 100;
// A gradient cell holds the gradient plus this: level track, as a cell no row has set.
constexpr uint8_t kGradientBias = static_cast<uint8_t>(kCellGradientLevel);

class LineRecovery {
 public:
  LineRecovery(RecoveryLedger& ledger, const std::vector<CurveRow>* curves)
      : ledger_(ledger), curves_(curves) {}

  RecoveredLine Run() {
    RecoverGeneral();
    RecoverCurveRows();
    RecoverGradientRows();
    AppendMontagnaRows(ledger_, &line_.rows);
    RecoverBoards();
    RecoverSpeedBoards();
    return std::move(line_);
  }

 private:
  void RecoverGeneral() {
    std::vector<std::string>& rows = line_.rows;
    rows.push_back(std::string(header::kGenerale));
    const LineRecord& figures = ledger_.slot(kTrainFiguresSlot);
    rows.push_back(FormatRow(keyword::kLunghezzaPercorso, {figures.fine}));
    RecoverChainage();
    const LineRecord& backgrounds = ledger_.slot(kLineIdentitySlot);
    rows.push_back(FormatRow(keyword::kSfondoUno, {backgrounds.inizio}));
    rows.push_back(FormatRow(keyword::kSfondoDue, {backgrounds.posizione}));
    rows.push_back(FormatRow(keyword::kSfondoTre, {backgrounds.fine}));
    const LineRecord& repetition = ledger_.slot(kTrainIdentitySlot);
    std::string_view repetition_keyword = keyword::kRipetizione4Codici;
    if (repetition.posizione == kNineCodes) {
      repetition_keyword = keyword::kRipetizione9Codici;
    } else if (repetition.posizione == 0 ? repetition.fine != 0
                                         : repetition.posizione != kFourCodes) {
      ledger_.LoseSlot(kTrainIdentitySlot,
                       "signal repetition with " + std::to_string(repetition.posizione) +
                           " codes: a row gives 4 or 9 codes, or 0 when its end is 0");
    }
    if (repetition.inizio % kCellMetres != 0 || repetition.fine % kCellMetres != 0)
      ledger_.LoseSlot(kTrainIdentitySlot,
                       "signal repetition start and end must be multiples of 50");
    rows.push_back(FormatRow(repetition_keyword, {repetition.inizio, repetition.fine}));
  }

  // The references as written: the ordering moved whole references and added 100 to
  // the end of each whose third value is 1, so every assignment of the undone
  // references to the rows tre, due and uno is tried until one orders back to the slots.
  void RecoverChainage() {
    std::array<std::array<int64_t, 3>, 3> references{};
    for (int i = 0; i < 3; ++i) {
      const LineRecord& r = ledger_.slot(kChainageSlotTre + i);
      references[static_cast<size_t>(i)] = {
          r.inizio, r.posizione == 1 ? int64_t{r.fine} - kChainageEndRaise : r.fine, r.posizione};
    }
    // Reversed first: that puts the reference of slot 81 in the row "uno", as the
    // ordering of references by their ends does.
    static constexpr std::array<std::array<int, 3>, 6> kTries = {
        {{2, 1, 0}, {0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}}};
    std::optional<std::array<int, 3>> found;
    for (const std::array<int, 3>& perm : kTries) {
      bool fits = true;
      LineTable probe;
      for (int i = 0; i < 3 && fits; ++i) {
        const auto& r = references[static_cast<size_t>(perm[static_cast<size_t>(i)])];
        if (r[1] < INT32_MIN) fits = false;
        LineRecord& slot = probe.slot[static_cast<size_t>(kChainageSlotTre + i)];
        slot.inizio = static_cast<int32_t>(r[0]);
        slot.fine = static_cast<int32_t>(r[1]);
        slot.posizione = static_cast<int32_t>(r[2]);
      }
      if (!fits) continue;
      OrderChainages(probe);
      bool same = true;
      for (int i = kChainageSlotTre; i <= kChainageSlotUno; ++i) {
        const LineRecord& a = probe.slot[static_cast<size_t>(i)];
        const LineRecord& b = ledger_.slot(i);
        same = same && a.inizio == b.inizio && a.fine == b.fine && a.posizione == b.posizione;
      }
      if (same) {
        found = perm;
        break;
      }
    }
    if (!found) {
      ledger_.LoseSlot(kChainageSlotTre, "no three chainage rows are put in this order");
      found = std::array<int, 3>{0, 1, 2};
    }
    // Slot 81 is loaded from "tre", 82 from "due", 83 from "uno".
    static constexpr std::string_view kRows[] = {keyword::kProgressivaTre, keyword::kProgressivaDue,
                                                 keyword::kProgressivaUno};
    for (int i = 2; i >= 0; --i) {
      const auto& r = references[static_cast<size_t>((*found)[static_cast<size_t>(i)])];
      line_.rows.push_back(FormatRow(kRows[i], {r[0], r[1], r[2]}));
    }
  }

  void RecoverCurveRows() {
    if (curves_ == nullptr || curves_->empty()) return;
    line_.rows.push_back(std::string(header::kCurve));
    for (const CurveRow& c : *curves_)
      line_.rows.push_back(FormatRow(c.token, {c.start, c.length}));
  }

  void RecoverGradientRows() {
    line_.rows.push_back(std::string(header::kPendenze));
    for (auto [posizione, gradient] :
         FillRows(ledger_, &TrackCell::pendenza, kGradientBias,
                  [](uint8_t b) { return int64_t{b} - kGradientBias; }))
      line_.rows.push_back(FormatRow(keyword::kPendenza, {posizione, gradient}));
  }

  // The lowest slot that holds an indicator board: the boards fill slots 80 downwards,
  // and every board's cell names its slot.
  void FindBoardSlots() {
    int& lowest = line_.lowest_board_slot;
    lowest = kFirstBoardSlot + 1;
    for (const TrackCell& cell : ledger_.cells()) {
      if (Is(cell.tipo, ItemType::kBoard) && cell.dato1 >= 1 && cell.dato1 <= kFirstBoardSlot)
        lowest = std::min<int>(lowest, cell.dato1);
    }
    // A board whose cell was written over still left its text in its slot.
    for (int s = lowest - 1; s >= 1; --s) {
      const LineRecord& r = ledger_.slot(s);
      if (r.nome.empty() || !HoldsOnlyName(r)) break;
      if (ledger_.HasStopCellFor(s)) break;
      lowest = s;
    }
  }

  void RecoverBoards() {
    FindBoardSlots();
    const int lowest = line_.lowest_board_slot;
    std::vector<int64_t> cell_of(kFirstBoardSlot + 1, -1);
    for (int64_t c = 0; c <= ledger_.last_cell(); ++c) {
      const TrackCell& cell = ledger_.cell(c);
      if (!Is(cell.tipo, ItemType::kBoard)) continue;
      if (cell.dato1 < lowest || cell.dato1 > kFirstBoardSlot ||
          cell_of[static_cast<size_t>(cell.dato1)] >= 0) {
        ledger_.LoseCell(c, "an indicator board whose slot " + std::to_string(cell.dato1) +
                                " no board row can give it");
        continue;
      }
      cell_of[static_cast<size_t>(cell.dato1)] = c;
    }
    // The speed boards come first, as in the built-in text.
    line_.rows.push_back(std::string(header::kCartelli));
    for (int s = kFirstBoardSlot; s >= lowest; --s) {
      const LineRecord& r = ledger_.slot(s);
      int64_t c = cell_of[static_cast<size_t>(s)];
      if (!HoldsOnlyName(r)) ledger_.LoseSlot(s, "an indicator board slot holds only its text");
      if (c < 0) {
        // Only a station's stop cell, written without looking at what stands there and
        // after every board row, takes a board's cell: the board stood on one of them.
        c = FreeStopCellForABoard();
        if (c < 0) {
          ledger_.LoseSlot(s, "the cell of this indicator board was written over");
          continue;
        }
      }
      ledger_.Account(c);
      if (!ledger_.ItemCellPlaceable(c))
        ledger_.LoseCell(c, "no board row places an indicator board on this cell");
      std::optional<std::string> text = TextFieldFor(r.nome);
      if (!text) {
        ledger_.LoseSlot(s,
                         "a board text that starts with a quote and holds a comma or line end "
                         "cannot be written");
        text = "";
      }
      board_rows_.push_back(std::string(keyword::kCartelloIndicatore) + ",  " +
                            std::to_string(kCellMetres * (c - 1)) + ",   " + *text);
    }
  }

  // A stop cell with nothing left beside the station's slot, not yet given to a board.
  int64_t FreeStopCellForABoard() {
    for (int64_t c = 2; c <= ledger_.last_cell() - 1; ++c) {
      const TrackCell& cell = ledger_.cell(c);
      if (!Is(cell.tipo, ItemType::kStationStop) || cell.dato2 != 0 || cell.dato3 != 0 ||
          cell.dato4 != 0 || cell.tempo != 0 || board_host_cells_.count(c) > 0)
        continue;
      board_host_cells_.insert(c);
      return c;
    }
    return -1;
  }

  void RecoverSpeedBoards() {
    for (int64_t c = 0; c <= ledger_.last_cell(); ++c) {
      TrackCell cell = ledger_.cell(c);
      // A station's stop cell is written without looking at what stands there, after
      // every row of the line description: values left beside it (no time, which only
      // a signal has) were a speed-board row's, whose first code the station replaced.
      const bool under_stop = Is(cell.tipo, ItemType::kStationStop) && cell.tempo == 0 &&
                              (cell.dato2 != 0 || cell.dato3 != 0 || cell.dato4 != 0);
      if (under_stop) cell.dato1 = 0;
      if (!Is(cell.tipo, ItemType::kSpeedBoards) && !under_stop) continue;
      if (!under_stop) ledger_.Account(c);
      if (!ledger_.ItemCellPlaceable(c))
        ledger_.LoseCell(c, "no speed-board row places boards on this cell");
      // A code is left speed / 5 in the hundreds and right speed / 5 in the units.
      auto split = [](int16_t code) -> std::pair<int64_t, int64_t> {
        if (code < 0) return {0, int64_t{code} * 5};
        return {code / 100 * 5, code % 100 * 5};
      };
      auto [vas, vad] = split(cell.dato1);
      auto [vbs, vbd] = split(cell.dato2);
      auto [vcs, vcd] = split(cell.dato3);
      const int64_t strisces = cell.dato4 < 0 ? 0 : cell.dato4 / 10;
      const int64_t strisced = cell.dato4 < 0 ? cell.dato4 : cell.dato4 % 10;
      std::string row =
          FormatRow(keyword::kIndicatoriVmax, {kCellMetres * (c - 1), vas, vbs, vcs, strisces});
      if (vad == 0 && vbd == 0 && vcd == 0) {
        row += ",  ,  ,  ,  " + std::to_string(strisced);  // no board on the right
      } else {
        for (int64_t v : {vad, vbd, vcd, strisced}) row += ",  " + std::to_string(v);
      }
      line_.rows.push_back(row);
    }
    line_.rows.push_back(std::string(header::kIndicazioni));
    for (const std::string& b : board_rows_) line_.rows.push_back(b);
  }

  RecoveryLedger& ledger_;
  const std::vector<CurveRow>* curves_;  // null: no plan, no curve rows
  RecoveredLine line_;                   // the rows so far, and the lowest board slot
  std::vector<std::string> board_rows_;  // cartello_indicatore rows, written last
  std::set<int64_t> board_host_cells_;   // stop cells an indicator board stood on before
};

}  // namespace

RecoveredLine RecoverLineRows(RecoveryLedger& ledger, const std::vector<CurveRow>* curves) {
  return LineRecovery(ledger, curves).Run();
}

}  // namespace percorso::recovery_parts
