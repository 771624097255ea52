// The state of one build: the names that make up every file name, the error state and
// the compiled track model. Each stage is a function over the parts it touches; the
// build run and the output stage hand them these members in order.
#ifndef PERCORSO_COMPILER_FORM1_H_
#define PERCORSO_COMPILER_FORM1_H_

#include <cstdint>
#include <string>

#include "model/error_state.h"
#include "compiler/loader.h"
#include "model/cell_grid.h"
#include "model/line_table.h"
#include "model/track_plan.h"

namespace percorso {

inline constexpr const char* kBuiltinLineName = "Valdoro_Ostrano";
inline constexpr const char* kBuiltinTrainNumber = "55";

struct Form1 {
  std::string nome_linea = kBuiltinLineName;
  std::string numero_treno = kBuiltinTrainNumber;
  ErrorState errore;
  LineTable tabella;
  CellGrid griglia;
  TrackPlan piano;
  int32_t flag_costruzione = 0;
  LoaderCounters contatori;
};

}  // namespace percorso

#endif  // PERCORSO_COMPILER_FORM1_H_
