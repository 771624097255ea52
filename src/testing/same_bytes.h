// A comparison of two files' bytes for tests that tells, on failure, only the sizes and
// the first byte that differs: compiled files are megabytes long.
#ifndef PERCORSO_TESTING_SAME_BYTES_H_
#define PERCORSO_TESTING_SAME_BYTES_H_

#include <gtest/gtest.h>

#include <string>

namespace percorso {

inline testing::AssertionResult SameBytes(const std::string& a, const std::string& b) {
  if (a == b) return testing::AssertionSuccess();
  size_t at = 0;
  while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
  return testing::AssertionFailure() << a.size() << " bytes against " << b.size()
                                     << ", first difference at byte " << at;
}

}  // namespace percorso

#endif  // PERCORSO_TESTING_SAME_BYTES_H_
