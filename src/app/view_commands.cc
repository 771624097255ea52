// The two commands that read compiled files back: dump and report.
#include <memory>
#include <ostream>

#include "app/commands.h"
#include "base/exit_status.h"
#include "inspect/dump.h"
#include "inspect/report.h"

namespace percorso {

CommandAction DefineDump(CLI::App& sub, std::ostream& out, std::ostream& err) {
  auto options = std::make_shared<DumpOptions>();
  sub.add_option("FILE", options->file,
                 "A compiled file: NAME_linea.dat (plan), NAME_NUMBER.sim (line table) or "
                 "NAME_NUMBER.dat (cells)")
      ->required();
  sub.add_flag("--json", options->json, "Print JSON instead of a table");
  sub.add_flag("--all", options->all,
               "Every cell, slot or point, not only those that hold something");
  sub.footer(
      "The kind of file is told by its name. A file whose structure is broken is\n"
      "reported with the byte offset of the fault (exit status 1); a file that cannot be\n"
      "read exits 3.\n\n"
      "Example:\n"
      "  percorso dump routes/Valdoro_Ostrano_55.dat\n"
      "  percorso dump --json routes/Valdoro_Ostrano_55.sim");
  return [options, &out, &err] { return RunDump(*options, out, err); };
}

CommandAction DefineReport(CLI::App& sub, std::ostream& out, std::ostream& err) {
  auto options = std::make_shared<ReportOptions>();
  sub.add_option("--dir", options->dir, "Directory that holds the compiled files")
      ->type_name("DIR")
      ->default_str(".");
  sub.add_option("--line", options->line, "Line name")->type_name("NAME");
  sub.add_option("--train", options->train, "Train number")->type_name("NUMBER");
  CLI::Option* out_dir =
      sub.add_option("--out", options->out_dir,
                     "Directory for the page NAME_NUMBER_report.html (default: DIR; created "
                     "when missing)")
          ->type_name("DIR");
  CLI::Option* output = sub.add_option("-o,--output", options->output,
                                       "The page to write (default: DIR/NAME_NUMBER_report.html)")
                           ->type_name("FILE");
  sub.footer(
      "Writes one self-contained HTML page: the track map, the profile along the line\n"
      "and the tables of stations, boards and chainage references.\n"
      "Exit status: 0 written; 1 a compiled file is broken; 2 a bad command line or no\n"
      "single scenario in DIR; 3 a file cannot be read or the page cannot be written.\n\n"
      "Example:\n"
      "  percorso report --dir routes --out pages\n"
      "  percorso report --dir routes -o routes/route.html");
  return [options, out_dir, output, &out, &err] {
    // Both would name the page: one of them would be ignored without a word.
    if (out_dir->count() > 0 && output->count() > 0) {
      err << "percorso report: --out DIR and -o FILE both say where the page goes; give one\n";
      return kStatusUsage;
    }
    return RunReport(*options, out, err);
  };
}

}  // namespace percorso
