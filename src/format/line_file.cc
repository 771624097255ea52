#include "format/line_file.h"

#include "base/coding.h"
#include "format/byte_reader.h"

namespace percorso {

namespace {

bool ReadSlot(ByteReader& r, LineRecord* s) {
  uint16_t n = 0;
  return r.U8(&s->tipo, "tipo") && r.I32(&s->inizio, "inizio") && r.I32(&s->fine, "fine") &&
         r.I32(&s->posizione, "posizione") && r.U8(&s->opzione1, "opzione1") &&
         r.U16(&n, "the length of nome") && r.Bytes(n, &s->nome, "nome") &&
         r.I16(&s->valore1, "valore1") && r.I16(&s->valore2, "valore2") &&
         r.I16(&s->valore3, "valore3") && r.I16(&s->valore4, "valore4") &&
         r.I16(&s->valore5, "valore5") && r.U8(&s->opzione2, "opzione2") &&
         r.U8(&s->opzione3, "opzione3") && r.U8(&s->opzione4, "opzione4") &&
         r.U8(&s->opzione5, "opzione5") && r.I32(&s->orario, "orario");
}

}  // namespace

std::string EncodeLineFile(const LineTable& table) {
  std::string out;
  size_t total = 0;
  for (const LineRecord& r : table.slot) total += kSlotFixedBytes + r.nome.size();
  out.reserve(total);
  for (const LineRecord& r : table.slot) {
    PutFixed8(&out, r.tipo);
    PutFixed32(&out, static_cast<uint32_t>(r.inizio));
    PutFixed32(&out, static_cast<uint32_t>(r.fine));
    PutFixed32(&out, static_cast<uint32_t>(r.posizione));
    PutFixed8(&out, r.opzione1);
    size_t n = r.nome.size() > 0xffff ? 0xffff : r.nome.size();
    PutFixed16(&out, static_cast<uint16_t>(n));
    out.append(r.nome, 0, n);
    PutFixed16(&out, static_cast<uint16_t>(r.valore1));
    PutFixed16(&out, static_cast<uint16_t>(r.valore2));
    PutFixed16(&out, static_cast<uint16_t>(r.valore3));
    PutFixed16(&out, static_cast<uint16_t>(r.valore4));
    PutFixed16(&out, static_cast<uint16_t>(r.valore5));
    PutFixed8(&out, r.opzione2);
    PutFixed8(&out, r.opzione3);
    PutFixed8(&out, r.opzione4);
    PutFixed8(&out, r.opzione5);
    PutFixed32(&out, static_cast<uint32_t>(r.orario));
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
