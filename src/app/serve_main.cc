// percorso-serve: the preview server's executable, run by `percorso serve` with its own
// command line (serve_launcher.h). It knows the one command.
#include <csignal>
#include <iostream>

#include "app/commands.h"
#include "app/serve_command.h"
#include "app/serve_run.h"
#include "percorso_version.h"  // generated: the version and the commit built from

int main(int argc, char** argv) {
  std::signal(SIGXFSZ, SIG_IGN);
  const percorso::Command commands[] = {
      {"serve", percorso::kServeSummary, percorso::DefineServeRun},
  };
  return percorso::RunCommandLine(argc, argv, commands, PERCORSO_VERSION_TEXT, std::cout,
                                  std::cerr);
}
