// The one place where the decompiler runs the compiler: the recovered texts go through
// the loader, the protection pass and the output stage exactly as `compile` runs them,
// and come back as the bytes of the compiled files.
#ifndef PERCORSO_DECOMPILE_COMPILE_CALL_H_
#define PERCORSO_DECOMPILE_COMPILE_CALL_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace percorso {

struct RecompiledFiles {
  bool written = false;  // false: the compiler stops before writing (no grid, reserved place)
  int32_t error_number = 0;
  int32_t error_position = 0;  // metres, as the compiler recorded it
  std::optional<std::string> plan_file;  // only when asked for
  std::string line_file;
  std::string cell_file;
};

// Compiles the two texts (Windows-1252 bytes, as the loader reads them) under the given
// names; with `with_plan` the plan file is built too.
RecompiledFiles CompileTexts(const std::string& nome_linea, const std::string& numero_treno,
                             std::string_view linea, std::string_view treno, bool with_plan);

}  // namespace percorso

#endif  // PERCORSO_DECOMPILE_COMPILE_CALL_H_
