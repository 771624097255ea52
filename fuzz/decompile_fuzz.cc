// Decompiles arbitrary bytes as a compiled scenario, the way `percorso decompile` does.
//
// Input: one control byte (bit 0: a plan file is present), two 32-bit little-endian
// lengths, then the cell file, the line file and, with bit 0, the rest as the plan file.
//
// Beyond "no crash": a file that does not decode is reported as corrupt with a reason and
// no texts; any other input gives both texts, and when the decompiler calls them exact,
// compiling them gives the input files byte for byte.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "decompile/compile_call.h"
#include "decompile/decompile.h"
#include "base/coding.h"

namespace {

using namespace percorso;

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "decompiler invariant broken: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 9) return 0;
  const bool with_plan = (data[0] & 1) != 0;
  std::string_view rest(reinterpret_cast<const char*>(data) + 9, size - 9);
  const uint32_t cells_len = DecodeFixed32(reinterpret_cast<const char*>(data) + 1);
  const uint32_t line_len = DecodeFixed32(reinterpret_cast<const char*>(data) + 5);
  if (cells_len > rest.size() || line_len > rest.size() - cells_len) return 0;
  CompiledFiles files;
  files.nome_linea = "Fuzz";
  files.numero_treno = "1";
  files.cell_file = rest.substr(0, cells_len);
  files.line_file = rest.substr(cells_len, line_len);
  if (with_plan) files.plan_file = rest.substr(cells_len + line_len);
  Decompiled d = Decompile(files);
  if (d.corrupt) {
    Check(!d.corrupt->error.message.empty(), "a corrupt file has a reason");
    Check(d.linea.empty() && d.treno.empty(), "no texts from a corrupt file");
    return 0;
  }
  Check(!d.linea.empty() && !d.treno.empty(), "both texts are written");
  if (d.exact()) {
    RecompiledFiles again = CompileTexts(files.nome_linea, files.numero_treno, d.linea, d.treno, with_plan);
    Check(again.written && again.error_number == 0, "exact texts compile without error");
    Check(again.cell_file == files.cell_file, "exact: the cell file comes back");
    Check(again.line_file == files.line_file, "exact: the line file comes back");
    Check(!with_plan || (again.plan_file && *again.plan_file == *files.plan_file),
          "exact: the plan file comes back");
  }
  return 0;
}
