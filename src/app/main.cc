#include <csignal>
#include <filesystem>
#include <iostream>

#include "app/build_run.h"
#include "app/build_run_command.h"
#include "app/commands.h"
#include "app/compile_command.h"
#include "app/decompile_command.h"
#include "app/dump_command.h"
#include "app/explain_command.h"
#include "app/export_command.h"
#include "app/install_location.h"
#include "app/lsp_command.h"
#include "app/report_command.h"
#include "app/serve_command.h"
#include "app/serve_launcher.h"
#include "app/timetable_command.h"
#include "base/exit_status.h"
#include "base/file_io.h"
#include "percorso_version.h"  // generated: the version and the commit built from

namespace {

// The commands of the program, in the order --help lists them.
const percorso::Command kCommands[] = {
    {"compile", "Compile a route's two texts into the three compiled files",
     percorso::DefineCompile},
    {"export", "Write the built-in route's two texts, as a template to edit",
     percorso::DefineExport},
    {"explain", "Tell what an error number or a warning means, its cause and its fix",
     percorso::DefineExplain},
    {"decompile", "Write the two texts that compile back to a compiled scenario",
     percorso::DefineDecompile},
    {"dump", "Show what a compiled file holds, as a table or as JSON", percorso::DefineDump},
    {"report", "Write an HTML page with the map, the profile and the tables of a scenario",
     percorso::DefineReport},
    {"timetable", "Tell whether the train can keep its timetable: the fastest legal run",
     percorso::DefineTimetable},
    {"lsp", "Serve editors over the Language Server Protocol on standard input and output",
     percorso::DefineLsp},
    {"serve", percorso::kServeSummary, percorso::DefineServeLauncher},
    {"build-run", "Do the build run of the program started without arguments, in a directory",
     percorso::DefineBuildRun},
};

}  // namespace

int main(int argc, char** argv) {
  // A write beyond the file-size limit must fail with an error we can report, not kill us.
  std::signal(SIGXFSZ, SIG_IGN);
  // Without arguments: the build run, exactly as it has always been, in the folder of the
  // executable; an installed copy writes nothing there and says how to run it elsewhere.
  if (argc == 1) {
    const std::filesystem::path dir = percorso::ExecutableDir();
    if (percorso::IsInstalledLocation(dir, percorso::InstallBinDir())) {
      percorso::PrintInstalledNoArguments(dir, std::cerr);
      return percorso::kStatusUsage;
    }
    return percorso::RunGuarded([&] { return percorso::RunBuild(dir, std::cout, std::cerr); },
                                std::cerr);
  }
  percorso::SetServeCommandLine(argv);
  return percorso::RunCommandLine(argc, argv, kCommands, PERCORSO_VERSION_TEXT, std::cout,
                                  std::cerr);
}
