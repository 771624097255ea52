#include "format/cell_file.h"

#include "format/byte_reader.h"
#include "format/field_coding.h"

namespace percorso {

std::string EncodeCellFile(const CellGrid& grid) {
  std::string out;
  out.reserve(grid.cells().size() * kCellBytes);
  for (const TrackCell& c : grid.cells()) {
    ForEachCellField(c, [&out](const char*, auto v) {
      PutField(&out, v);
      return true;
    });
  }
  return out;
}

Decoded<std::vector<TrackCell>> DecodeCellFile(std::string_view bytes) {
  using Result = Decoded<std::vector<TrackCell>>;
  if (bytes.empty()) return FailAt<std::vector<TrackCell>>(0, "empty cell file: a grid has at least one cell");
  size_t whole = bytes.size() / kCellBytes;
  if (bytes.size() % kCellBytes != 0) {
    size_t rest = bytes.size() % kCellBytes;
    return FailAt<std::vector<TrackCell>>(
        whole * kCellBytes, "cell file length " + std::to_string(bytes.size()) +
                                " is not a multiple of 15: cell " + std::to_string(whole) +
                                " has only " + std::to_string(rest) + " of its 15 bytes");
  }
  Result out;
  out.value.resize(whole);
  ByteReader r(bytes);
  for (TrackCell& c : out.value) {
    // The length check above guarantees every read succeeds.
    ForEachCellField(c, [&r](const char* name, auto& field) { return r.Field(&field, name); });
  }
  return out;
}

}  // namespace percorso
