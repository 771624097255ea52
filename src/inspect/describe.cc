#include "inspect/describe.h"

#include "model/items.h"

namespace percorso {

const char* CellItemName(uint8_t tipo) {
  switch (tipo) {
    case TipoOf(ItemType::kNone): return "";
    case TipoOf(ItemType::kSignal): return "signal";
    case TipoOf(ItemType::kSlowdownEnd): return "slowdown end";
    case TipoOf(ItemType::kSlowdownStart): return "slowdown start";
    case TipoOf(ItemType::kSlowdownWarning): return "slowdown warning";
    case TipoOf(ItemType::kSlowdownApproach): return "slowdown approach";
    case TipoOf(ItemType::kSpeedBoards): return "speed boards";
    case TipoOf(ItemType::kStationStop): return "station stop";
    case TipoOf(ItemType::kSpanMarker): return "span marker";
    case TipoOf(ItemType::kAbbattimento): return "abbattimento";
    case TipoOf(ItemType::kAbbattimentoBare): return "abbattimento without value";
    case TipoOf(ItemType::kBoard): return "indicator board";
    default: return "unknown";
  }
}

bool SlotIsEmpty(const LineRecord& r) {
  return r.tipo == 0 && r.inizio == 0 && r.fine == 0 && r.posizione == 0 && r.opzione1 == 0 &&
         r.nome.empty() && r.valore1 == 0 && r.valore2 == 0 && r.valore3 == 0 && r.valore4 == 0 &&
         r.valore5 == 0 && r.opzione2 == 0 && r.opzione3 == 0 && r.opzione4 == 0 &&
         r.opzione5 == 0 && r.orario == 0;
}

const char* SlotRole(int slot, const LineRecord& r) {
  if (slot == 0) return "unused";
  if (slot >= kChainageSlotTre && slot <= kChainageSlotUno) return "chainage";
  if (slot == kTrainFiguresSlot) return "train and line figures";
  if (slot == kLineIdentitySlot) return "line identity";
  if (slot == kTrainIdentitySlot) return "train identity";
  if (SlotIsEmpty(r)) return "empty";
  LineRecord numbers = r;
  numbers.nome.clear();
  return SlotIsEmpty(numbers) ? "board" : "station";
}

bool CellHoldsSomething(const std::vector<TrackCell>& cells, size_t k) {
  if (k >= cells.size()) return false;
  const TrackCell& c = cells[k];
  if (c.tipo != 0 || c.dato1 != 0 || c.dato2 != 0 || c.dato3 != 0 || c.dato4 != 0 ||
      c.tempo != 0 || c.preavviso != 0) {
    return true;
  }
  if (k == 0) return true;
  const TrackCell& p = cells[k - 1];
  return c.montagna != p.montagna || c.velocita != p.velocita || c.pendenza != p.pendenza ||
         c.aderenza != p.aderenza;
}

}  // namespace percorso
