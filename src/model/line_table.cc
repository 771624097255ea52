#include "model/line_table.h"

#include "base/coding.h"

namespace percorso {

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

}  // namespace percorso
