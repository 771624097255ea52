#include "format/cell_file.h"

#include "base/coding.h"
#include "format/byte_reader.h"

namespace percorso {

std::string EncodeCellFile(const CellGrid& grid) {
  std::string out;
  out.reserve(grid.cells().size() * kCellBytes);
  for (const TrackCell& c : grid.cells()) {
    PutFixed8(&out, c.tipo);
    PutFixed16(&out, static_cast<uint16_t>(c.dato1));
    PutFixed16(&out, static_cast<uint16_t>(c.dato2));
    PutFixed16(&out, static_cast<uint16_t>(c.dato3));
    PutFixed16(&out, static_cast<uint16_t>(c.dato4));
    PutFixed8(&out, c.tempo);
    PutFixed8(&out, c.preavviso);
    PutFixed8(&out, c.montagna);
    PutFixed8(&out, c.velocita);
    PutFixed8(&out, c.pendenza);
    PutFixed8(&out, c.aderenza);
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
    r.U8(&c.tipo, "tipo");
    r.I16(&c.dato1, "dato1");
    r.I16(&c.dato2, "dato2");
    r.I16(&c.dato3, "dato3");
    r.I16(&c.dato4, "dato4");
    r.U8(&c.tempo, "tempo");
    r.U8(&c.preavviso, "preavviso");
    r.U8(&c.montagna, "montagna");
    r.U8(&c.velocita, "velocita");
    r.U8(&c.pendenza, "pendenza");
    r.U8(&c.aderenza, "aderenza");
  }
  return out;
}

}  // namespace percorso
