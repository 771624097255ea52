#include <csignal>
#include <iostream>

#include "build/build_run.h"
#include "build/file_io.h"

int main(int argc, char** argv) {
  (void)argv;
  // A write beyond the file-size limit must fail with an error we can report, not kill us.
  std::signal(SIGXFSZ, SIG_IGN);
  if (argc == 1) return percorso::RunBuild(percorso::ExecutableDir(), std::cout, std::cerr);
  std::cerr << "percorso: this build takes no arguments\n";
  return 2;
}
