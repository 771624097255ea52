// The rows of the train text (NAME_NUMBER-.txt): the general rows from their slots, the
// adhesion and speed rows by the fill rule, the stations from their slots and stop cells,
// the slowdowns and signals from the marker writers' cells, and the abbattimento points.
#include <optional>
#include <utility>

#include "compiler/keywords.h"
#include "compiler/marker_writers.h"
#include "compiler/protection_pass.h"
#include "compiler/row_schema.h"
#include "compiler/station_zone.h"
#include "decompile/recovery_parts.h"
#include "model/items.h"

namespace percorso::recovery_parts {

namespace {

// A speed cell holds the speed in steps of this many km/h.
constexpr int64_t kSpeedStep = kCellSpeedUnitKmh;
// A slowdown whose start cell is kSlowdownBorderStartCell (31) may or may not have a
// warning point: a position this far past kSlowdownNoWarningUpTo stays on that cell.
constexpr int64_t kPastNoWarningBorder = 10;

class TrainRecovery {
 public:
  TrainRecovery(RecoveryLedger& ledger, int lowest_board_slot)
      : ledger_(ledger), lowest_board_slot_(lowest_board_slot) {}

  RecoveredTrain Run() {
    RecoverGeneral();
    RecoverStations();
    RecoverSlowdowns();
    RecoverSignals();
    RecoverPoints();
    return std::move(train_);
  }

 private:
  void RecoverGeneral() {
    std::vector<std::string>& rows = train_.head;
    const LineRecord& figures = ledger_.slot(kTrainFiguresSlot);
    const LineRecord& identity = ledger_.slot(kTrainIdentitySlot);
    rows.push_back(std::string(header::kGenerale));
    rows.push_back(FormatRow(keyword::kNumeroVetture, {figures.posizione}));
    rows.push_back(FormatRow(keyword::kPercentualeMassaFrenata, {figures.inizio}));
    rows.push_back(FormatRow(keyword::kSabbia, {identity.valore1}));
    rows.push_back(std::string(keyword::kOrologio) + ",    " + std::to_string(identity.valore3) +
                   "    " + std::to_string(identity.valore4) + "    " +
                   std::to_string(identity.valore5));
    if (figures.tipo != 0 || figures.opzione1 != 0 || !figures.nome.empty() ||
        figures.valore1 != 0 || figures.valore2 != 0 || figures.valore3 != 0 ||
        figures.valore4 != 0 || figures.valore5 != 0 || figures.opzione2 != 0 ||
        figures.opzione3 != 0 || figures.opzione4 != 0 || figures.opzione5 != 0 ||
        figures.orario != 0)
      ledger_.LoseSlot(kTrainFiguresSlot, "holds values no row gives");
    if (identity.tipo != 0 || identity.opzione1 != 0 || identity.valore2 != 0 ||
        identity.opzione2 != 0 || identity.opzione3 != 0 || identity.opzione4 != 0 ||
        identity.opzione5 != 0 || identity.orario != 0)
      ledger_.LoseSlot(kTrainIdentitySlot, "holds values no row gives");
    rows.push_back(std::string(header::kAderenze));
    for (auto [posizione, adhesion] :
         FillRows(ledger_, &TrackCell::aderenza, 0, [](uint8_t b) { return int64_t{b}; }))
      rows.push_back(FormatRow(keyword::kAderenza, {posizione, adhesion}));
    rows.push_back(std::string(header::kVelLimite));
    for (auto [posizione, speed] : FillRows(ledger_, &TrackCell::velocita, 0,
                                            [](uint8_t b) { return int64_t{b} * kSpeedStep; }))
      rows.push_back(FormatRow(keyword::kVelocita, {posizione, speed}));
  }

  void RecoverStations() {
    // Stations fill slots 1 upwards, up to the boards.
    int last = 0;
    for (int s = 1; s < lowest_board_slot_; ++s) {
      const LineRecord& r = ledger_.slot(s);
      if (!HoldsOnlyName(r) || !r.nome.empty() || ledger_.HasStopCellFor(s)) last = s;
    }
    for (int slot = 1; slot <= last; ++slot) RecoverStation(slot);
  }

  void RecoverStation(int slot) {
    const LineRecord& r = ledger_.slot(slot);
    const int64_t p = r.posizione;
    const int tipo = r.tipo;
    // The zone length as the row gave it: the whole zone before the position for types 5
    // to 8, half of it for the others.
    const bool clears_sixth = ZoneClearsSixthField(tipo);
    const int64_t len = clears_sixth ? p - r.inizio : 2 * (p - r.inizio);
    int64_t sixth = clears_sixth ? 0 : r.opzione4;
    // The first station's sixth field is cleared once its zone is known.
    if (!clears_sixth && slot == 1) sixth = r.fine - (p + len / 2) == kCellMetres ? 1 : 0;
    const int64_t end = StationZoneOf(tipo, p, len, sixth != 0).end;
    if (end != r.fine || len % 100 != 0 || p % kCellMetres != 0 || (clears_sixth && r.opzione4 != 0))
      ledger_.LoseSlot(slot, "no station row gives this zone");
    if ((len < kShortestZoneWithOption5 || slot == 1) && r.opzione5 != 0)
      ledger_.LoseSlot(slot, "the fifth field of this station would have been cleared");
    if (slot == 1 && r.opzione4 != 0)
      ledger_.LoseSlot(slot, "the first station's sixth field is always cleared");
    if (p < 0 || p + kStationEndMarginMetres > kCellMetres * ledger_.last_cell())
      ledger_.LoseSlot(slot, "no station row may stand at this position");
    TrainRow row;
    row.section = TrainSection::kStations;
    row.key = slot;
    if (tipo < 25) {
      const int64_t stop = end / kCellMetres - 1;
      if (stop >= 0 && stop <= ledger_.last_cell()) {
        const TrackCell& cell = ledger_.cell(stop);
        if (!Is(cell.tipo, ItemType::kStationStop) || cell.dato1 != slot)
          ledger_.LoseCell(stop, "the stop cell of the station in slot " + std::to_string(slot) +
                                     " was written over");
        ledger_.Account(stop);
      }
      if (tipo != 5 && tipo != 6) {
        for (int64_t i = 1; i <= 4; ++i)
          if (stop - i > 1 && stop - i <= ledger_.last_cell())
            row.marks.push_back({stop - i, static_cast<uint8_t>(80 + i)});
      }
    }
    const int64_t orario = r.orario;
    const int64_t hours = orario >= 0 ? orario / 3600 : 0;
    const int64_t minutes = orario >= 0 ? orario % 3600 / 60 : 0;
    const int64_t seconds = orario >= 0 ? orario % 60 : orario;
    std::optional<std::string> name = TextFieldFor(r.nome);
    if (!name) {
      ledger_.LoseSlot(slot,
                       "a station name that starts with a quote and holds a comma or line end "
                       "cannot be written");
      name = "";
    }
    row.line = std::string(keyword::kStazione) + ",  " + std::to_string(p) + ",  " +
               std::to_string(tipo) + ",  " + std::to_string(len) + ",  " +
               std::to_string(r.opzione1) + ", " + std::to_string(r.opzione5) + ", " +
               std::to_string(sixth) + ",  " + std::to_string(r.valore1) + "," +
               std::to_string(r.valore2) + "," + std::to_string(r.opzione2) + ",  " +
               std::to_string(r.valore3) + "," + std::to_string(r.valore4) + "," +
               std::to_string(r.valore5) + ",  " + std::to_string(r.opzione3) + ",  " +
               std::to_string(hours) + "," + std::to_string(minutes) + ", " +
               std::to_string(seconds) + ", " + *name;
    train_.items.push_back(std::move(row));
  }

  void RecoverSlowdowns() {
    // Ends, by the values they carry, nearest first.
    std::vector<int64_t> ends;
    for (int64_t c = 0; c <= ledger_.last_cell(); ++c)
      if (Is(ledger_.cell(c).tipo, ItemType::kSlowdownEnd)) ends.push_back(c);
    for (int64_t s = 0; s <= ledger_.last_cell(); ++s) {
      const TrackCell& start = ledger_.cell(s);
      if (!Is(start.tipo, ItemType::kSlowdownStart)) continue;
      ledger_.Account(s);
      if (!ledger_.ItemCellPlaceable(s)) ledger_.LoseCell(s, "no slowdown row starts on this cell");
      auto same = [&](const TrackCell& e) {
        return e.dato1 == start.dato1 && e.dato2 == start.dato2 && e.dato3 == start.dato3;
      };
      int64_t e = s;  // none: a slowdown of no length, or one ending beyond the grid
      int64_t best = -1;
      for (int64_t c : ends) {
        if (ledger_.accounted(c) || !same(ledger_.cell(c))) continue;
        if (best < 0 || (c > s && (best < s || c < best)) || (c < s && best < s && c > best))
          best = c;
      }
      if (best >= 0) {
        e = best;
        ledger_.Account(e);
      }
      const int64_t v = start.dato1;
      const int64_t d_v = start.dato2;
      const int64_t f_tt = start.dato3;
      const int64_t w = s - kSlowdownWarningCells;
      const bool warning_there = w >= 0 && Is(ledger_.cell(w).tipo, ItemType::kSlowdownWarning) &&
                                 ledger_.cell(w).dato1 == start.dato1 &&
                                 ledger_.cell(w).dato2 == start.dato2;
      int64_t x = kCellMetres * (s - 1);
      bool warned = x > kSlowdownNoWarningUpTo;
      if (s == kSlowdownBorderStartCell && warning_there) {
        x = kSlowdownNoWarningUpTo + kPastNoWarningBorder;  // still on that cell, but past it
        warned = true;
      }
      if (warned) {
        if (!warning_there)
          ledger_.LoseCell(w, "the warning cell of the slowdown starting at cell " +
                                  std::to_string(s) + " is missing");
        else
          ledger_.Account(w);
      }
      int64_t f_ta = 0;
      auto approach_cells_at = [&](int64_t a) {
        bool all = a - 3 >= 0;
        for (int64_t i = 0; i < 4 && all; ++i) {
          const TrackCell& cell = ledger_.cell(a - i);
          all = Is(cell.tipo, ItemType::kSlowdownApproach) && cell.dato1 == i + 1 &&
                cell.dato2 == (d_v != 0 ? i + 1 : 0) && !ledger_.accounted(a - i);
        }
        return all;
      };
      if (warned) {
        int64_t a = s - kSlowdownApproachCells;
        bool all = approach_cells_at(a);
        // A start half-way between two cells, 25 m into the cell before an even start
        // cell, rounds the approach cells one cell further back: a gap of one cell then
        // stands between them and the warning cell.
        const int64_t half_way = kCellMetres * (s - 2) + kCellMetres / 2;
        if (!all && s % 2 == 0 && SlowdownHasWarning(static_cast<int32_t>(half_way)) &&
            approach_cells_at(s - kSlowdownApproachCells - 1)) {
          a = s - kSlowdownApproachCells - 1;
          all = true;
          x = half_way;
        }
        if (all) {
          f_ta = 1;
          for (int64_t i = 0; i < 4; ++i) ledger_.Account(a - i);
        }
      }
      const int64_t l = kCellMetres * (e - 1) - x;
      TrainRow row;
      row.section = TrainSection::kSlowdowns;
      row.key = s;
      row.line = FormatRow(keyword::kRallentamento, {x, v, l, f_tt, f_ta, d_v});
      train_.items.push_back(std::move(row));
    }
  }

  // How many rows write an approach mark into each cell: the signals and the stations.
  std::vector<int> CountMarkWriters() const {
    std::vector<int> writers(ledger_.cells().size(), 0);
    for (const TrainRow& row : train_.items)
      for (auto [m, v] : row.marks) ++writers[static_cast<size_t>(m)];
    for (int64_t c = 0; c <= ledger_.last_cell(); ++c) {
      if (!Is(ledger_.cell(c).tipo, ItemType::kSignal)) continue;
      for (int64_t k = 1; k <= 4; ++k)
        if (c - 2 * k >= 0) ++writers[static_cast<size_t>(c - 2 * k)];
    }
    return writers;
  }

  void RecoverSignals() {
    const std::vector<int> mark_writers = CountMarkWriters();
    for (int64_t c = 0; c <= ledger_.last_cell(); ++c) {
      const TrackCell& cell = ledger_.cell(c);
      if (!Is(cell.tipo, ItemType::kSignal)) continue;
      ledger_.Account(c);
      if (!ledger_.ItemCellPlaceable(c))
        ledger_.LoseCell(c, "no signal row places a signal on this cell");
      // The aspect code sx * 3 + dx is told by the approach marks (code * 10 + k, low 8
      // bits), which keep it modulo 128, but only where no other row marks the same cell;
      // dato4 = rapp * 10 + code tells it modulo 10. With no such mark the plain split of
      // dato4 serves: every mark of the signal is then written over anyway.
      const int64_t d4 = cell.dato4;
      const int64_t units = ((d4 % 10) + 10) % 10;
      int64_t best = units;
      for (int64_t k = 1; k <= 4; ++k) {
        const int64_t m = c - 2 * k;
        if (m < 0 || mark_writers[static_cast<size_t>(m)] != 1) continue;
        const uint8_t shown = ledger_.cell(m).preavviso;
        for (int64_t q = 0; q < 128; ++q) {
          if (static_cast<uint8_t>(q * 10 + k) == shown) {
            best = q;
            break;
          }
        }
        break;
      }
      // Raise the code by multiples of 128 (marks unchanged) until dato4 - code is a
      // multiple of 10; that needs the same parity.
      int64_t q = best;
      if (((d4 - q) % 2 + 2) % 2 != 0) q = units;
      while ((d4 - q) % 10 != 0) q += 128;
      const int64_t rapp = (d4 - q) / 10;
      int64_t sx = q / 3, dx = q % 3;
      int64_t tempo = 0;
      if (cell.tempo != 0) {
        sx = 2;
        dx = q - 6;
        // 1 to 100 are raised to 101, so those bytes come from a value 256 higher.
        tempo = cell.tempo > 100 ? cell.tempo : cell.tempo + 256;
      }
      auto split = [](int16_t d) { return std::pair<int64_t, int64_t>{d / 10, d % 10}; };
      auto [s1, d1] = split(cell.dato1);
      auto [s2, d2] = split(cell.dato2);
      auto [s3, d3] = split(cell.dato3);
      TrainRow row;
      row.section = TrainSection::kSignals;
      row.key = c;
      row.line = FormatRow(keyword::kSegnale,
                           {kCellMetres * (c - 1), sx, s1, s2, s3, rapp, dx, d1, d2, d3, tempo});
      for (int64_t k = 1; k <= 4; ++k)
        if (c - 2 * k >= 0) row.marks.push_back({c - 2 * k, static_cast<uint8_t>(q * 10 + k)});
      train_.items.push_back(std::move(row));
    }
  }

  void RecoverPoints() {
    for (int64_t c = 0; c <= ledger_.last_cell(); ++c) {
      const TrackCell& cell = ledger_.cell(c);
      const bool with_value = Is(cell.tipo, ItemType::kAbbattimento);
      if (!with_value && !Is(cell.tipo, ItemType::kAbbattimentoBare)) continue;
      ledger_.Account(c);
      if (c > ledger_.last_cell() - 2) {
        // Past the last cell a row may name; the protection pass still places its points
        // there, after a slowdown that ends near the end of the grid.
        if (!with_value || cell.dato1 != kProtectionValue)
          ledger_.LoseCell(c, "no abbattimento row may stand on this cell");
        continue;
      }
      int32_t value = 0;
      if (with_value) value = cell.dato1 > 0 ? cell.dato1 : cell.dato1 + 65536;
      train_.points[static_cast<int32_t>(c)] = value;
    }
  }

  RecoveryLedger& ledger_;
  const int lowest_board_slot_;  // the stations fill the slots below it
  RecoveredTrain train_;         // the rows so far and the points
};

}  // namespace

RecoveredTrain RecoverTrainRows(RecoveryLedger& ledger, int lowest_board_slot) {
  return TrainRecovery(ledger, lowest_board_slot).Run();
}

}  // namespace percorso::recovery_parts
