// The whole compile of a pair of texts taken as they are, lines of up to 1 000 000 m
// included (compile_fuzz_body.h): slower, for the long lines the fast target leaves out.
#include "compile_fuzz_body.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return RunCompileInput(data, size, /*bound_length=*/false);
}
