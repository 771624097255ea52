#include "compiler/chainage.h"

#include <cstdint>

namespace percorso {

namespace {

struct Reference {
  int32_t inizio = 0;
  int32_t fine = 0;
  int32_t posizione = 0;
};

Reference Read(const LineRecord& r) { return {r.inizio, r.fine, r.posizione}; }

void Write(LineRecord& r, const Reference& ref) {
  r.inizio = ref.inizio;
  r.fine = ref.fine;
  r.posizione = ref.posizione;
}

// The new contents of slots 81, 82 and 83 for the references r81, r82, r83 as loaded.
struct Order {
  Reference slot81, slot82, slot83;
};

// By decreasing start. The largest start must be strictly largest, or all three
// references are dropped; of two equal smaller starts the one from the higher slot
// goes first.
Order ByStart(const Reference& r81, const Reference& r82, const Reference& r83) {
  if (r81.inizio > r82.inizio && r81.inizio > r83.inizio) {
    if (r83.inizio < r82.inizio) return {r81, r82, r83};
    return {r81, r83, r82};
  }
  if (r82.inizio > r81.inizio && r82.inizio > r83.inizio) {
    if (r83.inizio < r81.inizio) return {r82, r81, r83};
    return {r82, r83, r81};
  }
  if (r83.inizio > r81.inizio && r83.inizio > r82.inizio) {
    if (r82.inizio < r81.inizio) return {r83, r81, r82};
    return {r83, r82, r81};
  }
  return {};
}

// When the starts add up to zero: a fixed preference among the references that end
// beyond zero, "uno" (slot 83) first.
Order ByEnd(const Reference& r81, const Reference& r82, const Reference& r83) {
  if (r83.fine > 0) return {r83, r82, r81};
  if (r82.fine > 0) return {r82, r81, r83};
  if (r81.fine > 0) return {r81, r82, r83};
  return {};
}

// A reference coded 1 has its end moved 100 m further. The field is 32-bit two's
// complement, so the sum wraps instead of overflowing.
void AdjustEnd(Reference& ref) {
  if (ref.posizione != 1) return;
  ref.fine = static_cast<int32_t>(static_cast<uint32_t>(ref.fine) + 100u);
}

}  // namespace

void OrderChainages(LineTable& table) {
  // All nine values are read before any is written, so every slot receives one whole
  // reference as loaded (or nothing).
  const Reference r81 = Read(table.slot[kChainageSlotTre]);
  const Reference r82 = Read(table.slot[kChainageSlotDue]);
  const Reference r83 = Read(table.slot[kChainageSlotUno]);
  const int64_t sum = static_cast<int64_t>(r81.inizio) + r82.inizio + r83.inizio;

  Order order = sum != 0 ? ByStart(r81, r82, r83) : ByEnd(r81, r82, r83);
  AdjustEnd(order.slot81);
  AdjustEnd(order.slot82);
  AdjustEnd(order.slot83);
  Write(table.slot[kChainageSlotTre], order.slot81);
  Write(table.slot[kChainageSlotDue], order.slot82);
  Write(table.slot[kChainageSlotUno], order.slot83);
}

}  // namespace percorso
