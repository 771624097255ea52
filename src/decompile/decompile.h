// Decompiling: the two source texts recovered from the compiled files of a scenario.
//
// Every row the files imply is written back: the general data, the chainage
// references, stations, indicator boards, gradients, speeds, adhesion, montagna spans,
// speed boards, signals, slowdowns, abbattimento points and (from the plan) curves.
// What the compiler adds by itself is left out: approach marks, span markers, station
// stop cells, the protection points of the pass and the reserved marks of cell 1 and
// slot 85. The texts are then compiled again and compared with the files byte for
// byte; every place that does not come back the same is listed.
#ifndef PERCORSO_DECOMPILE_DECOMPILE_H_
#define PERCORSO_DECOMPILE_DECOMPILE_H_

#include <optional>
#include <string>
#include <string_view>

#include "decompile/unreproduced.h"
#include "format/decode.h"

namespace percorso {

struct CompiledFiles {
  std::string nome_linea;
  std::string numero_treno;
  std::string_view cell_file;
  std::string_view line_file;
  std::optional<std::string_view> plan_file;  // absent: a build without plan
};

// Which file a structural fault was found in.
enum class CompiledFileKind { kCells, kLine, kPlan };

struct CorruptFile {
  CompiledFileKind file = CompiledFileKind::kCells;
  DecodeError error;
};

struct Decompiled {
  // Set when a file cannot be decoded at all; then there are no texts.
  std::optional<CorruptFile> corrupt;
  std::string linea;  // NAME_linea.txt, Windows-1252 with CR LF
  std::string treno;  // NAME_NUMBER-.txt
  // The places the texts do not compile back to; empty when the round trip is exact.
  UnreproducedList lost;
  bool exact() const { return !corrupt && lost.empty(); }
};

Decompiled Decompile(const CompiledFiles& files);

}  // namespace percorso

#endif  // PERCORSO_DECOMPILE_DECOMPILE_H_
