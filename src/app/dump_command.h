// `percorso dump FILE`: shows what one compiled file holds, as a table for people or as
// JSON; the kind of file is told by its name.
#ifndef PERCORSO_APP_DUMP_COMMAND_H_
#define PERCORSO_APP_DUMP_COMMAND_H_

#include <filesystem>
#include <iosfwd>

#include "app/commands.h"

namespace percorso {

struct DumpOptions {
  std::filesystem::path file;
  bool json = false;
  // Cells: every cell, not only those that hold something. Slots: the empty ones too.
  // Plan: every point, not only the start, one point a kilometre and the end.
  bool all = false;
};

// Declares the options and help of `dump` on `sub`; the action runs RunDump.
CommandAction DefineDump(CLI::App& sub, std::ostream& out, std::ostream& err);

// Prints the description on `out`. Exit status: 0 dumped; 1 the file's structure is
// broken (the message on `err` names the byte offset); 2 the name matches no kind of
// compiled file; 3 the file cannot be read.
int RunDump(const DumpOptions& options, std::ostream& out, std::ostream& err);

}  // namespace percorso

#endif  // PERCORSO_APP_DUMP_COMMAND_H_
