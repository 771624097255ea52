// The rows of the two texts, recovered from a decoded line table and cell grid.
//
// Every recovery works backwards from one writer of the compiler: the fill rule gives
// the gradient, speed and adhesion rows, the station steps the station rows, the marker
// writers the signal, slowdown, speed-board and montagna rows. Where the cells hold
// something no row can give, the place is noted in `lost` with the reason; the texts
// still hold the best rows found. The rows are spelled with the keywords and headers of
// compiler/keywords.h.
//
// Inside, line recovery and train recovery are parts of their own
// (decompile/recovery_parts.h), which nothing outside decompile/ includes.
#ifndef PERCORSO_DECOMPILE_RECOVER_ROWS_H_
#define PERCORSO_DECOMPILE_RECOVER_ROWS_H_

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "decompile/plan_curves.h"
#include "decompile/unreproduced.h"
#include "model/cell_grid.h"
#include "model/line_table.h"

namespace percorso {

// A recovered scenario model: the table and the grid as the loader and the marker
// writers left them, before the protection pass and the reserved marks. The grid has
// exactly the cells the line length gives.
struct RecoveryInput {
  const LineTable* table = nullptr;
  std::vector<TrackCell> cells;
  int32_t line_length = 0;
  const std::vector<CurveRow>* curves = nullptr;  // null: no plan, no curve rows
};

// Everything but the abbattimento rows, which depend on the protection pass.
struct RecoveredRows {
  std::vector<std::string> linea;        // whole text but the closing "[fine]"
  std::vector<std::string> treno_head;   // up to the rows of the train items
  std::vector<std::string> treno_items;  // stations, slowdowns and signals, in text order
  // Type-12 and type-13 cells: the cell and the value an abbattimento row would give it.
  std::map<int32_t, int32_t> points;
};

RecoveredRows RecoverRows(const RecoveryInput& in, UnreproducedList* lost);

// The two texts, Windows-1252 with CR LF, with abbattimento rows for `abbattimenti`
// (cell -> value, 0 for a point without value).
std::string RenderLinea(const RecoveredRows& rows);
std::string RenderTreno(const RecoveredRows& rows, const std::map<int32_t, int32_t>& abbattimenti);

}  // namespace percorso

#endif  // PERCORSO_DECOMPILE_RECOVER_ROWS_H_
