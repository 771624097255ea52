// Byte encoding shared by the three compiled files.
//
// Fixed-length numbers are encoded least-significant byte first; signed values are
// written as their two's complement. Doubles are IEEE 754 binary64, also little-endian.
// Every Put* appends to the buffer; every Decode* reads from a pointer that the caller
// has already checked holds enough bytes.
#ifndef PERCORSO_BASE_CODING_H_
#define PERCORSO_BASE_CODING_H_

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>

namespace percorso {

// Encode* write into a buffer the caller has sized, and return the byte after them.
// On a little-endian machine the bytes are the value's own, copied in one store.
inline char* EncodeFixed16(char* p, uint16_t v) {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(p, &v, 2);
  } else {
    p[0] = static_cast<char>(v & 0xff);
    p[1] = static_cast<char>(v >> 8);
  }
  return p + 2;
}

inline char* EncodeFixed64(char* p, uint64_t v) {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(p, &v, 8);
  } else {
    for (int i = 0; i < 8; ++i) p[i] = static_cast<char>((v >> (8 * i)) & 0xff);
  }
  return p + 8;
}

inline char* EncodeDouble(char* p, double d) {
  uint64_t bits;
  std::memcpy(&bits, &d, sizeof bits);
  return EncodeFixed64(p, bits);
}

inline void PutFixed8(std::string* dst, uint8_t v) { dst->push_back(static_cast<char>(v)); }

inline void PutFixed16(std::string* dst, uint16_t v) {
  char buf[2] = {static_cast<char>(v & 0xff), static_cast<char>(v >> 8)};
  dst->append(buf, 2);
}

inline void PutFixed32(std::string* dst, uint32_t v) {
  char buf[4];
  for (int i = 0; i < 4; ++i) buf[i] = static_cast<char>((v >> (8 * i)) & 0xff);
  dst->append(buf, 4);
}

inline void PutFixed64(std::string* dst, uint64_t v) {
  char buf[8];
  for (int i = 0; i < 8; ++i) buf[i] = static_cast<char>((v >> (8 * i)) & 0xff);
  dst->append(buf, 8);
}

inline void PutDouble(std::string* dst, double d) {
  uint64_t bits;
  std::memcpy(&bits, &d, sizeof bits);
  PutFixed64(dst, bits);
}

inline uint8_t DecodeFixed8(const char* p) { return static_cast<uint8_t>(p[0]); }

inline uint16_t DecodeFixed16(const char* p) {
  return static_cast<uint16_t>(static_cast<uint8_t>(p[0]) |
                               (static_cast<uint16_t>(static_cast<uint8_t>(p[1])) << 8));
}

inline uint32_t DecodeFixed32(const char* p) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(p[i]);
  return v;
}

inline uint64_t DecodeFixed64(const char* p) {
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(p[i]);
  return v;
}

inline double DecodeDouble(const char* p) {
  uint64_t bits = DecodeFixed64(p);
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

}  // namespace percorso

#endif  // PERCORSO_BASE_CODING_H_
