// What one compiled file holds, as a table for people or as JSON (`percorso dump`).
#ifndef PERCORSO_INSPECT_DUMP_H_
#define PERCORSO_INSPECT_DUMP_H_

#include <optional>
#include <string>
#include <string_view>

#include "format/decoded.h"

namespace percorso {

enum class CompiledKind {
  kCells,    // NAME_NUMBER.dat: the cell grid
  kLine,     // NAME_NUMBER.sim: the line table
  kPlan,     // NAME_linea.dat: the plan
  kUnknown,
};

// The kind of a compiled file by its name: "_linea.dat" is a plan, ".sim" a line file,
// any other ".dat" a cell file. Letter case of the endings is ignored.
CompiledKind KindOfFileName(std::string_view file_name);

// How much of a file to show, and in which form.
struct DumpForm {
  bool json = false;  // JSON instead of a table for people
  // Cells: every cell, not only those that hold something. Slots: the empty ones too.
  // Plan: every point, not only the start, one point a kilometre and the end.
  bool all = false;
};

// What a compiled file holds, described, or where its structure breaks.
struct DumpedFile {
  std::string text;                  // the table or the JSON document; empty when broken
  std::optional<DecodeError> fault;  // the byte offset of the fault and what was expected
  bool ok() const { return !fault.has_value(); }
};

// Describes `bytes`, the content of a compiled file of the given kind (one of the three;
// kUnknown gives a fault at byte 0); `name` appears in the heading.
DumpedFile DumpCompiledBytes(CompiledKind kind, std::string_view bytes, std::string_view name,
                             const DumpForm& form);

}  // namespace percorso

#endif  // PERCORSO_INSPECT_DUMP_H_
