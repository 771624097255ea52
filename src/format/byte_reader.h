// The bounds-checked reader the decoders of the compiled files share.
#ifndef PERCORSO_FORMAT_BYTE_READER_H_
#define PERCORSO_FORMAT_BYTE_READER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/coding.h"
#include "format/decoded.h"

namespace percorso {

// Reads fixed-width fields of a compiled file front to back, refusing any field that would run past the end.
class ByteReader {
 public:
  explicit ByteReader(std::string_view bytes) : bytes_(bytes) {}

  size_t offset() const { return pos_; }
  size_t left() const { return bytes_.size() - pos_; }

  // Each returns false, leaving the offset where the field begins, when too few bytes
  // are left; `what` then says which field it was.
  bool U8(uint8_t* v, const char* what) {
    if (!Need(1, what)) return false;
    *v = DecodeFixed8(bytes_.data() + pos_);
    pos_ += 1;
    return true;
  }
  bool U16(uint16_t* v, const char* what) {
    if (!Need(2, what)) return false;
    *v = DecodeFixed16(bytes_.data() + pos_);
    pos_ += 2;
    return true;
  }
  bool I16(int16_t* v, const char* what) {
    uint16_t u;
    if (!U16(&u, what)) return false;
    *v = static_cast<int16_t>(u);
    return true;
  }
  bool I32(int32_t* v, const char* what) {
    if (!Need(4, what)) return false;
    *v = static_cast<int32_t>(DecodeFixed32(bytes_.data() + pos_));
    pos_ += 4;
    return true;
  }
  bool F64(double* v, const char* what) {
    if (!Need(8, what)) return false;
    *v = DecodeDouble(bytes_.data() + pos_);
    pos_ += 8;
    return true;
  }
  bool Bytes(size_t n, std::string* v, const char* what) {
    if (!Need(n, what)) return false;
    v->assign(bytes_.data() + pos_, n);
    pos_ += n;
    return true;
  }

  // A field by the type of the member that holds it (see format/field_coding.h).
  bool Field(uint8_t* v, const char* what) { return U8(v, what); }
  bool Field(int16_t* v, const char* what) { return I16(v, what); }
  bool Field(int32_t* v, const char* what) { return I32(v, what); }
  bool Field(std::string* v, const char* what) {
    const std::string length_of = std::string("the length of ") + what;
    uint16_t n = 0;
    return U16(&n, length_of.c_str()) && Bytes(n, v, what);
  }

  // Set by the last failed read.
  const std::string& shortage() const { return shortage_; }

 private:
  bool Need(size_t n, const char* what) {
    if (left() >= n) return true;
    shortage_ = std::string(what) + " needs " + std::to_string(n) + " byte" + (n == 1 ? "" : "s") +
                ", the file ends after " + std::to_string(left());
    return false;
  }

  std::string_view bytes_;
  size_t pos_ = 0;
  std::string shortage_;
};

template <typename T>
Decoded<T> FailAt(size_t offset, std::string message) {
  Decoded<T> d;
  d.error = DecodeError{offset, std::move(message)};
  return d;
}

}  // namespace percorso

#endif  // PERCORSO_FORMAT_BYTE_READER_H_
