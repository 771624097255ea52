#include "format/line_file.h"

#include "format/byte_reader.h"
#include "format/field_coding.h"

namespace percorso {

namespace {

bool ReadSlot(ByteReader& r, LineRecord* s) {
  return ForEachSlotField(*s,
                          [&r](const char* name, auto& field) { return r.Field(&field, name); });
}

}  // namespace

std::string EncodeLineFile(const LineTable& table) {
  std::string out;
  size_t total = 0;
  for (const LineRecord& r : table.slot) total += kSlotFixedBytes + r.nome.size();
  out.reserve(total);
  for (const LineRecord& r : table.slot) {
    ForEachSlotField(r, [&out](const char*, const auto& field) {
      PutField(&out, field);
      return true;
    });
  }
  return out;
}

Decoded<LineTable> DecodeLineFile(std::string_view bytes) {
  Decoded<LineTable> out;
  ByteReader r(bytes);
  for (int k = 0; k < kLineSlots; ++k) {
    if (!ReadSlot(r, &out.value.slot[static_cast<size_t>(k)])) {
      return FailAt<LineTable>(r.offset(), "slot " + std::to_string(k) + " of 87: " + r.shortage());
    }
  }
  if (r.left() != 0) {
    return FailAt<LineTable>(r.offset(), std::to_string(r.left()) +
                                           " bytes left over after slot 86, the last of 87");
  }
  return out;
}

}  // namespace percorso
