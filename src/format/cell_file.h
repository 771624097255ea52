// The cell file (NAME_NUMBER.dat): its encoder and its decoder.
#ifndef PERCORSO_FORMAT_CELL_FILE_H_
#define PERCORSO_FORMAT_CELL_FILE_H_

#include <string>
#include <string_view>
#include <vector>

#include "format/decoded.h"
#include "model/cell_grid.h"

namespace percorso {

// The cell file: cells 0 to U, 15 bytes each, fields in order, little-endian, no header.
std::string EncodeCellFile(const CellGrid& grid);

// The cell file: a whole number of 15-byte cells, at least one.
Decoded<std::vector<TrackCell>> DecodeCellFile(std::string_view bytes);

}  // namespace percorso

#endif  // PERCORSO_FORMAT_CELL_FILE_H_
