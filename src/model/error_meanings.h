// What each error number of a build means, in plain words: the one table that every
// report of the error state reads.
#ifndef PERCORSO_MODEL_ERROR_MEANINGS_H_
#define PERCORSO_MODEL_ERROR_MEANINGS_H_

#include <cstdint>
#include <span>
#include <string>

#include "model/error_state.h"

namespace percorso {

// Which stage sets the number.
enum class ErrorSource : uint8_t {
  kLoader,      // reading the two texts
  kWriter,      // placing a signal, slowdown or speed-board pair in the grid
  kPass,        // the signal-protection pass
  kOutput,      // the reserved-place checks of the compile (fatal)
};

struct ErrorMeaning {
  int32_t numero;
  ErrorSource source;
  bool has_posizione;  // the stage records the position, in metres, with the number
  const char* meaning;
};

// Every error number, in rising order.
std::span<const ErrorMeaning> ErrorMeanings();

// The entry of `numero`, or nullptr when no stage sets that number.
const ErrorMeaning* FindMeaning(int32_t numero);

// One line for the error state of a finished build, without a line end:
//   "error 16 at 10200 m: a signal stands on a cell that is already taken"
// The position is shown for the numbers that carry one. Empty when the number is 0.
std::string DescribeErrorState(const ErrorState& errore);

}  // namespace percorso

#endif  // PERCORSO_MODEL_ERROR_MEANINGS_H_
