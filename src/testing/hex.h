// Bytes as spaced upper-case hexadecimal ("01 29 00"), so that byte layouts in tests
// read like the examples they check.
#ifndef PERCORSO_TESTING_HEX_H_
#define PERCORSO_TESTING_HEX_H_

#include <cstdio>
#include <string>

namespace percorso {

inline std::string Hex(const std::string& bytes) {
  std::string out;
  char buf[4];
  for (unsigned char b : bytes) {
    std::snprintf(buf, sizeof buf, "%s%02X", out.empty() ? "" : " ", b);
    out += buf;
  }
  return out;
}

}  // namespace percorso

#endif  // PERCORSO_TESTING_HEX_H_
