// Exact rounding of a quotient of whole numbers to the nearest integer, halves to the
// even neighbour. Positions become cells, speeds become 5 km/h units and line lengths
// become grid sizes through this one rule, computed in integers so that no binary
// fraction can tip a half the wrong way.
//
// Note that round(p / 50 + 1) must be computed as RoundHalfEven(p + 50, 50): rounding
// p / 50 first and adding 1 afterwards differs whenever p / 50 ends in .5.
#ifndef PERCORSO_BASE_ROUNDING_H_
#define PERCORSO_BASE_ROUNDING_H_

#include <cstdint>

namespace percorso {

// num / den rounded half to even; den must be positive.
constexpr int64_t RoundHalfEven(int64_t num, int64_t den) {
  int64_t q = num / den;  // truncates towards zero
  int64_t r = num % den;  // same sign as num
  if (r < 0) {            // make the remainder non-negative: num = q * den + r, 0 <= r < den
    r += den;
    q -= 1;
  }
  int64_t twice = 2 * r;
  if (twice > den || (twice == den && (q % 2 != 0))) q += 1;
  return q;
}

}  // namespace percorso

#endif  // PERCORSO_BASE_ROUNDING_H_
