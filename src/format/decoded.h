// What a decoder of a compiled file returns: the decoded value or the byte where the
// file's structure broke.
#ifndef PERCORSO_FORMAT_DECODED_H_
#define PERCORSO_FORMAT_DECODED_H_

#include <cstddef>
#include <optional>
#include <string>

namespace percorso {

struct DecodeError {
  size_t offset = 0;    // byte of the file where the structure broke
  std::string message;  // what was expected there
  // "byte 1234: slot 17: ..."
  std::string Describe() const { return "byte " + std::to_string(offset) + ": " + message; }
};

// A decoded value or the reason why there is none.
template <typename T>
struct Decoded {
  T value{};
  std::optional<DecodeError> error;
  bool ok() const { return !error.has_value(); }
};

}  // namespace percorso

#endif  // PERCORSO_FORMAT_DECODED_H_
