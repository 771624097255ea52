#include "compiler/protection_pass.h"

#include <algorithm>
#include <string>
#include <utility>

#include "model/error_numbers.h"
#include "model/items.h"

namespace percorso {

namespace {

constexpr uint8_t kSignal = TipoOf(ItemType::kSignal);
constexpr uint8_t kSlowdownEnd = TipoOf(ItemType::kSlowdownEnd);
constexpr uint8_t kSlowdownStart = TipoOf(ItemType::kSlowdownStart);
constexpr uint8_t kSlowdownWarning = TipoOf(ItemType::kSlowdownWarning);
// A protection point is stored as an abbattimento with a value.
constexpr uint8_t kPoint = TipoOf(ItemType::kAbbattimento);

// Rule A looks this many cells back from a warning cell; rule B3 this many cells on from
// a slowdown's end; rule B2 places a point every this many cells.
constexpr int32_t kWarningReach = 20;
constexpr int32_t kAfterEndReach = 12;
constexpr int32_t kWalkStep = 8;

// One window of rule B1: handled when the start cell lies beyond `guard`; its candidates
// are start - first, start - first - 1, start - first - 2.
struct Window {
  int32_t guard;
  int32_t first;
};
constexpr Window kWindows[] = {{7, 5}, {13, 11}, {20, 18}};

class Pass {
 public:
  Pass(CellGrid& grid, ErrorState& errore) : grid_(grid), errore_(errore) {}

  ProtectionReport Run() {
    const int32_t u = grid_.upper();
    for (int32_t n = 1; n <= u - 2; ++n) {
      uint8_t tipo = grid_.at(n).tipo;
      if (tipo == kSlowdownWarning) {
        RuleA(n);
      } else if (tipo == kSlowdownStart) {
        RuleB(n);
      }
    }
    return std::move(report_);
  }

 private:
  void Protect(int32_t c) {
    TrackCell& cell = grid_.at(c);
    cell.tipo = kPoint;
    cell.dato1 = kProtectionValue;
    report_.protected_cells.push_back(c);
  }

  void Lower(int32_t c) {
    TrackCell& cell = grid_.at(c);
    cell.dato1 = std::min(kProtectionValue, cell.dato1);
    report_.lowered_cells.push_back(c);
  }

  void Fail(int32_t numero, int32_t cell, std::string detail) {
    Diagnostic d;
    d.numero = numero;
    d.has_posizione = true;
    d.posizione = cell * kCellMetres;
    d.origin = ErrorOrigin::kPass;
    d.cell = cell;
    d.detail = std::move(detail);
    errore_.Record(d);
  }

  // Signals among the 20 cells before a warning cell, nearest first. A free cell takes a
  // new point even when the cell just before the signal already is one; an existing
  // point is only lowered when neither cell is free.
  void RuleA(int32_t n) {
    for (int32_t k = 1; k <= kWarningReach; ++k) {
      const int32_t s = n - k;
      if (s < 3) return;
      if (grid_.at(s).tipo != kSignal) continue;
      if (grid_.IsFree(s - 1)) {
        Protect(s - 1);
      } else if (grid_.IsFree(s - 2)) {
        Protect(s - 2);
      } else if (grid_.at(s - 1).tipo == kPoint) {
        Lower(s - 1);
      } else if (grid_.at(s - 2).tipo == kPoint) {
        Lower(s - 2);
      } else {
        Fail(err::kNoPointBeforeSignal, s,
             "cells " + std::to_string(s - 1) + " and " + std::to_string(s - 2) +
                 " before the signal at cell " + std::to_string(s) + " are taken");
      }
    }
  }

  void RuleB(int32_t n) {
    for (const Window& w : kWindows) {
      if (n > w.guard) RuleB1Window(n, w.first);
    }
    if (grid_.at(n).dato1 >= kFastSlowdown) return;
    const int32_t end = RuleB2Walk(n);
    if (end >= 0) RuleB3(end);
  }

  void RuleB1Window(int32_t n, int32_t first) {
    for (int32_t c = n - first; c >= n - first - 2; --c) {
      if (grid_.IsFree(c)) {
        Protect(c);
        return;
      }
    }
    Fail(err::kNoPointBeforeSlowdown, n,
         "cells " + std::to_string(n - first) + " to " + std::to_string(n - first - 2) +
             " before the slowdown start at cell " + std::to_string(n) + " are taken");
  }

  // Walks from the start cell to the slowdown's end cell, placing a point every 8 cells
  // after the last one placed. Returns the end cell, or -1 when the walk reaches the
  // last cell of the grid without meeting one (a station stop cell written over it).
  int32_t RuleB2Walk(int32_t n) {
    const int32_t u = grid_.upper();
    int32_t counter = 0;
    for (int32_t m = n + 1; m <= u; ++m) {
      ++counter;
      if (counter == kWalkStep) {
        if (grid_.IsFree(m)) {
          Protect(m);
          counter = 0;
        } else if (grid_.IsFree(m - 1)) {
          Protect(m - 1);
          counter = 1;
        } else if (grid_.IsFree(m + 1)) {  // never free beyond U
          Protect(m + 1);
          counter = -1;
        } else {
          // The counter stays at 8 and grows past it: this walk places no more points.
          Fail(err::kNoPointInsideSlowdown, m,
               "cells " + std::to_string(m) + ", " + std::to_string(m - 1) + " and " +
                   std::to_string(m + 1) + " inside the slowdown starting at cell " +
                   std::to_string(n) + " are taken");
        }
      }
      if (grid_.at(m).tipo == kSlowdownEnd) return m;
    }
    return -1;
  }

  // The first signal within 12 cells after the end cell (not beyond U) gets a point in
  // one of the two cells before it.
  void RuleB3(int32_t e) {
    const int32_t last = std::min(e + kAfterEndReach, grid_.upper());
    for (int32_t s = e; s <= last; ++s) {
      if (grid_.at(s).tipo != kSignal) continue;
      if (grid_.IsFree(s - 1)) {
        Protect(s - 1);
      } else if (grid_.IsFree(s - 2)) {
        Protect(s - 2);
      } else {
        Fail(err::kNoPointInsideSlowdown, e,
             "cells " + std::to_string(s - 1) + " and " + std::to_string(s - 2) +
                 " before the signal at cell " + std::to_string(s) +
                 " after the slowdown ending at cell " + std::to_string(e) + " are taken");
      }
      return;
    }
  }

  CellGrid& grid_;
  ErrorState& errore_;
  ProtectionReport report_;
};

}  // namespace

ProtectionReport ProtectionPass(CellGrid& grid, ErrorState& errore) {
  if (!grid.exists()) return {};
  return Pass(grid, errore).Run();
}

}  // namespace percorso
