// A field of a compiled file by its type: the width of the field follows from the C++
// type of the member that holds it. PutField appends a field; ByteReader::Field reads it
// back. A text is a 16-bit length, then its bytes (at most 65 535).
#ifndef PERCORSO_FORMAT_FIELD_CODING_H_
#define PERCORSO_FORMAT_FIELD_CODING_H_

#include <cstdint>
#include <string>

#include "base/coding.h"

namespace percorso {

inline void PutField(std::string* out, uint8_t v) { PutFixed8(out, v); }
inline void PutField(std::string* out, int16_t v) { PutFixed16(out, static_cast<uint16_t>(v)); }
inline void PutField(std::string* out, int32_t v) { PutFixed32(out, static_cast<uint32_t>(v)); }
inline void PutField(std::string* out, const std::string& text) {
  const size_t n = text.size() > 0xffff ? 0xffff : text.size();
  PutFixed16(out, static_cast<uint16_t>(n));
  out->append(text, 0, n);
}

}  // namespace percorso

#endif  // PERCORSO_FORMAT_FIELD_CODING_H_
