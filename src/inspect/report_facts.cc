#include "inspect/report_facts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "model/items.h"
#include "inspect/describe.h"
#include "base/text_display.h"
#include "base/text_encoding.h"

namespace percorso {

std::string Fixed(double v, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

std::string Km(int64_t metres) { return Fixed(static_cast<double>(metres) / 1000.0, 3); }

double NiceStep(double range, double parts) {
  double raw = std::max(range / parts, 1e-9);
  double p10 = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0}) {
    if (m * p10 >= raw) return m * p10;
  }
  return 10 * p10;
}

namespace {

void FindStations(const CompiledView& view, ReportFacts& f) {
  for (int k = 1; k <= kFirstBoardSlot; ++k) {
    const LineRecord& r = view.table.slot[static_cast<size_t>(k)];
    std::string_view role = SlotRole(k, r);
    if (role == "station") {
      StationFact s;
      s.slot = k;
      s.name = Cp1252ToUtf8(r.nome);
      s.tipo = r.tipo;
      s.posizione = r.posizione;
      s.inizio = r.inizio;
      s.fine = r.fine;
      s.orario = r.orario;
      f.stations.push_back(s);
    } else if (role == "board") {
      f.boards.push_back(BoardFact{k, Cp1252ToUtf8(r.nome), -1});
    }
  }
  // Boards are filled from slot 80 down: list them in the order of their rows.
  std::reverse(f.boards.begin(), f.boards.end());
}

void ScanCells(const CompiledView& view, ReportFacts& f) {
  const auto& cells = view.cells;
  for (size_t k = 0; k < cells.size(); ++k) {
    const TrackCell& c = cells[k];
    ItemFact item{static_cast<int32_t>(k), c};
    switch (c.tipo) {
      case TipoOf(ItemType::kSignal): f.signals.push_back(item); break;
      case TipoOf(ItemType::kSlowdownWarning):
      case TipoOf(ItemType::kSlowdownApproach): f.warnings.push_back(item); break;
      case TipoOf(ItemType::kSpeedBoards): f.speed_boards.push_back(item); break;
      case TipoOf(ItemType::kAbbattimento):
      case TipoOf(ItemType::kAbbattimentoBare): f.protections.push_back(item); break;
      case TipoOf(ItemType::kBoard):
        f.board_cells.push_back(item);
        for (BoardFact& b : f.boards) {
          if (b.slot == c.dato1 && b.cell < 0) b.cell = item.cell;
        }
        break;
      case TipoOf(ItemType::kStationStop):
        for (StationFact& s : f.stations) {
          if (s.slot == c.dato1 && s.stop_cell < 0) s.stop_cell = item.cell;
        }
        break;
      case TipoOf(ItemType::kSlowdownStart): {
        SlowdownFact s{item.cell, -1, c.dato1, c.dato2, c.dato3};
        for (size_t e = k + 1; e < cells.size(); ++e) {
          if (cells[e].tipo == TipoOf(ItemType::kSlowdownEnd)) {
            s.end_cell = static_cast<int32_t>(e);
            break;
          }
          if (cells[e].tipo == TipoOf(ItemType::kSlowdownStart)) break;  // another start first: this one has no end
        }
        f.slowdowns.push_back(s);
        break;
      }
      default: break;
    }
    // Montagna spans: runs of one non-zero type.
    if (c.montagna != 0) {
      int64_t from = static_cast<int64_t>(k) * kCellMetres;
      if (!f.spans.empty() && f.spans.back().to_m == from && f.spans.back().tipo == c.montagna) {
        f.spans.back().to_m = from + kCellMetres;
      } else {
        f.spans.push_back(SpanFact{from, from + kCellMetres, c.montagna});
      }
    }
  }
}

}  // namespace

ReportFacts ExtractFacts(const CompiledView& view) {
  ReportFacts f;
  const auto& slot = view.table.slot;
  f.line_name = Cp1252ToUtf8(slot[kLineIdentitySlot].nome);
  f.train_number = Cp1252ToUtf8(slot[kTrainIdentitySlot].nome);
  f.line_length = slot[kTrainFiguresSlot].fine;
  f.braked_mass = slot[kTrainFiguresSlot].inizio;
  f.cars = slot[kTrainFiguresSlot].posizione;
  f.clock_h = slot[kTrainIdentitySlot].valore3;
  f.clock_m = slot[kTrainIdentitySlot].valore4;
  f.clock_s = slot[kTrainIdentitySlot].valore5;
  f.sand = slot[kTrainIdentitySlot].valore1;
  f.repetition_start = slot[kTrainIdentitySlot].inizio;
  f.repetition_end = slot[kTrainIdentitySlot].fine;
  f.repetition_codes = slot[kTrainIdentitySlot].posizione;
  f.line_mark = slot[kLineIdentitySlot].valore1;
  f.line_code = slot[kLineIdentitySlot].orario;
  if (view.cells.size() > 1) {
    f.cell_mark = view.cells[1].dato1;
    f.cell_code = view.cells[1].dato2;
  }
  for (int i = 0; i < 3; ++i) f.chainage[i] = slot[static_cast<size_t>(kChainageSlotTre + i)];

  // The profile shows the line and the first kilometre of the grid beyond its end,
  // never more than the grid holds.
  const int64_t grid_m = static_cast<int64_t>(view.cells.size()) * kCellMetres;
  int64_t length = f.line_length > 0 ? std::min<int64_t>(f.line_length, grid_m) : grid_m;
  f.drawn_end_m = std::min<int64_t>(grid_m, (length + 1000 + 999) / 1000 * 1000);
  if (f.drawn_end_m <= 0) f.drawn_end_m = 1000;

  FindStations(view, f);
  ScanCells(view, f);
  return f;
}

}  // namespace percorso
