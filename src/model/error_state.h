// The error state of a build: the number and position of the last failure recorded by
// any stage (0 = none), and beside it the full list of every failure in the order it was
// recorded, with where in the source texts it came from, for the author's diagnostics.
#ifndef PERCORSO_MODEL_ERROR_STATE_H_
#define PERCORSO_MODEL_ERROR_STATE_H_

#include <cstdint>
#include <string>
#include <vector>

#include "model/warnings.h"

namespace percorso {

// Where a recorded error comes from.
enum class ErrorOrigin : uint8_t {
  kLineText,   // the line description text
  kTrainText,  // the train data text
  kPass,       // the signal-protection pass over the cell grid (no source row)
  kNone,       // no particular text (for example the closing chainage check)
};

struct Diagnostic {
  int32_t numero = 0;
  bool has_posizione = false;  // false: the stage left the position as it was
  int32_t posizione = 0;
  ErrorOrigin origin = ErrorOrigin::kNone;
  int line = 0;     // 1-based source line, 0 when unknown
  int column = 0;   // 1-based byte column of the offending field, 0 when unknown
  int32_t cell = -1;  // cell number for errors of the pass
  std::string detail;  // what exactly failed, when more can be said than the number's meaning
  // A cell found taken: the row that put the item already standing there, in either text.
  ErrorOrigin other_origin = ErrorOrigin::kNone;
  int other_line = 0;    // 0 when there is none
  int other_column = 0;  // its position field
};

struct ErrorState {
  int32_t numero = 0;
  int32_t posizione = 0;
  std::vector<Diagnostic> log;
  // What was read but almost certainly not meant; never changes the number or position.
  std::vector<Warning> warnings;

  // Records a failure: sets the number, sets the position when one is given, and appends
  // the diagnostic. The last failure recorded always wins.
  void Record(const Diagnostic& d) {
    numero = d.numero;
    if (d.has_posizione) posizione = d.posizione;
    log.push_back(d);
  }
};

}  // namespace percorso

#endif  // PERCORSO_MODEL_ERROR_STATE_H_
