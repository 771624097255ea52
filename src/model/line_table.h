// The line table: 87 slots holding the stations (from slot 1 up), the indicator-board
// texts (from slot 80 down), three chainage references (81 to 83) and the general data
// of the line and the train (84 to 86).
#ifndef PERCORSO_MODEL_LINE_TABLE_H_
#define PERCORSO_MODEL_LINE_TABLE_H_

#include <array>
#include <cstdint>
#include <string>

namespace percorso {

// One slot, fields in file order; 32- and 16-bit fields signed, 8-bit fields unsigned.
// `nome` holds raw Windows-1252 bytes.
struct LineRecord {
  uint8_t tipo = 0;
  int32_t inizio = 0;
  int32_t fine = 0;
  int32_t posizione = 0;
  uint8_t opzione1 = 0;
  std::string nome;
  int16_t valore1 = 0;
  int16_t valore2 = 0;
  int16_t valore3 = 0;
  int16_t valore4 = 0;
  int16_t valore5 = 0;
  uint8_t opzione2 = 0;
  uint8_t opzione3 = 0;
  uint8_t opzione4 = 0;
  uint8_t opzione5 = 0;
  int32_t orario = 0;
};

// The fields of a slot in file order, by their documented names: `visit(name, field)`
// for each, stopping at the first that returns false. `nome` is the one text (in the
// file a 16-bit length, then its bytes). The line file's encoder and decoder and dump
// all walk this one list. `Record` is LineRecord or const LineRecord.
template <typename Record, typename Visit>
bool ForEachSlotField(Record& r, Visit&& visit) {
  return visit("tipo", r.tipo) && visit("inizio", r.inizio) && visit("fine", r.fine) &&
         visit("posizione", r.posizione) && visit("opzione1", r.opzione1) &&
         visit("nome", r.nome) && visit("valore1", r.valore1) && visit("valore2", r.valore2) &&
         visit("valore3", r.valore3) && visit("valore4", r.valore4) &&
         visit("valore5", r.valore5) && visit("opzione2", r.opzione2) &&
         visit("opzione3", r.opzione3) && visit("opzione4", r.opzione4) &&
         visit("opzione5", r.opzione5) && visit("orario", r.orario);
}

inline constexpr int kLineSlots = 87;
inline constexpr int kSlotFixedBytes = 34;
// Named slots.
inline constexpr int kFirstBoardSlot = 80;
inline constexpr int kChainageSlotTre = 81;
inline constexpr int kChainageSlotDue = 82;
inline constexpr int kChainageSlotUno = 83;
inline constexpr int kTrainFiguresSlot = 84;
inline constexpr int kLineIdentitySlot = 85;
inline constexpr int kTrainIdentitySlot = 86;

struct LineTable {
  std::array<LineRecord, kLineSlots> slot;

  // Every number 0, every text empty.
  void Clear() { slot.fill(LineRecord{}); }
};

}  // namespace percorso

#endif  // PERCORSO_MODEL_LINE_TABLE_H_
