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
