#include "app/serve_launcher.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <ostream>

#include "app/serve_command.h"
#include "base/file_io.h"

#ifndef PERCORSO_SERVE_RELATIVE_DIR
#define PERCORSO_SERVE_RELATIVE_DIR "../libexec/percorso"
#endif

namespace percorso {

namespace {

char** g_serve_argv = nullptr;

}  // namespace

void SetServeCommandLine(char** argv) { g_serve_argv = argv; }

std::filesystem::path FindServeExecutable(const std::filesystem::path& exe_dir) {
  const std::filesystem::path installed =
      (exe_dir / PERCORSO_SERVE_RELATIVE_DIR / kServeExecutable).lexically_normal();
  if (::access(installed.c_str(), X_OK) == 0) return installed;
  const std::filesystem::path beside = exe_dir / kServeExecutable;
  if (::access(beside.c_str(), X_OK) == 0) return beside;
  return installed;
}

CommandAction DefineServeLauncher(CLI::App& sub, std::ostream& out, std::ostream& err) {
  return DefineServe(sub, [&out, &err](const ServeOptions&) {
    const std::filesystem::path server = FindServeExecutable(ExecutableDir());
    if (g_serve_argv == nullptr) {
      err << "percorso serve: no command line to hand to " << server.string() << "\n";
      return kExitStopped;
    }
    // Whatever this process has buffered goes out before it is replaced.
    out.flush();
    std::cout.flush();
    std::fflush(nullptr);
    ::execv(server.c_str(), g_serve_argv);
    err << "percorso serve: cannot run " << server.string() << ": " << std::strerror(errno)
        << "\n";
    return kExitStopped;
  });
}

}  // namespace percorso
