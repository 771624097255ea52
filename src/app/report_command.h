// `percorso report`: writes the one self-contained HTML page of a compiled scenario (the
// track map, the profile along the line and the tables), from the compiled files alone.
#ifndef PERCORSO_APP_REPORT_COMMAND_H_
#define PERCORSO_APP_REPORT_COMMAND_H_

#include <filesystem>
#include <iosfwd>
#include <string>

#include "app/commands.h"

namespace percorso {

struct ReportOptions {
  std::filesystem::path dir = ".";  // where the compiled files are
  std::string line;                 // NAME; empty: the one scenario found in dir
  std::string train;                // NUMBER; empty: the one scenario found in dir
  std::filesystem::path output;     // -o FILE; empty: OUT/NAME_NUMBER_report.html
  std::filesystem::path out_dir;    // --out DIR; empty: DIR
};

// Declares the options and help of `report` on `sub`; the action refuses --out together
// with -o (exit status 2) and otherwise runs RunReport.
CommandAction DefineReport(CLI::App& sub, std::ostream& out, std::ostream& err);

// `percorso report [--dir DIR] [--line NAME] [--train NUMBER] [--out DIR | -o FILE]`.
// Reads DIR/NAME_NUMBER.dat, DIR/NAME_NUMBER.sim and, when present, DIR/NAME_linea.dat,
// and writes the page atomically, creating the folder it goes into (with its parents)
// as `compile --out` does. When NAME or NUMBER is left out and DIR holds exactly one
// matching NAME_NUMBER.sim, that scenario is used; when it holds none but holds texts,
// the message says to compile them first. Exit status: 0 written (its path on `out`);
// 1 a compiled file is broken; 2 a usage error (a bad name, no scenario or several to
// choose from); 3 a compiled file cannot be read or the page cannot be written.
int RunReport(const ReportOptions& options, std::ostream& out, std::ostream& err);

}  // namespace percorso

#endif  // PERCORSO_APP_REPORT_COMMAND_H_
