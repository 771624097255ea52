// The whole compile of a pair of texts with the line length bounded in the input mapping
// (compile_fuzz_body.h): the fast target, where most executions go.
#include "compile_fuzz_body.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return RunCompileInput(data, size, /*bound_length=*/true);
}
