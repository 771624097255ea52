// `dump`: shows what one compiled file holds, as a table for people or as JSON.
#ifndef PERCORSO_INSPECT_DUMP_H_
#define PERCORSO_INSPECT_DUMP_H_

#include <filesystem>
#include <iosfwd>
#include <string_view>

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

struct DumpOptions {
  std::filesystem::path file;
  bool json = false;
  // Cells: every cell, not only those that hold something. Slots: the empty ones too.
  // Plan: every point, not only the start, one point a kilometre and the end.
  bool all = false;
};

// Dumps `bytes`, the content of a file of the given kind; `name` appears in the heading
// and in messages. Returns 0 on success, 1 when the structure is broken (the message on
// `err` names the byte offset) and 2 for kUnknown.
int DumpBytes(CompiledKind kind, std::string_view bytes, std::string_view name,
              const DumpOptions& options, std::ostream& out, std::ostream& err);

// `percorso dump FILE [--json] [--all]`. Exit status: 0 dumped; 1 the file cannot be read
// or its structure is broken; 2 the name matches no kind of compiled file.
int RunDump(const DumpOptions& options, std::ostream& out, std::ostream& err);

}  // namespace percorso

#endif  // PERCORSO_INSPECT_DUMP_H_
