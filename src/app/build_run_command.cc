#include "app/build_run_command.h"

#include <memory>
#include <ostream>
#include <system_error>

#include "app/build_run.h"

namespace percorso {

int RunBuildRun(const BuildRunOptions& options, std::ostream& out, std::ostream& err) {
  const std::filesystem::path& dir = options.dir;
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec)) {
    std::filesystem::create_directories(dir, ec);
    if (ec) {
      err << "percorso: cannot create the directory " << dir.lexically_normal().string() << ": "
          << ec.message() << "\n";
      return kExitStopped;
    }
  }
  return RunBuild(dir, out, err);
}

CommandAction DefineBuildRun(CLI::App& sub, std::ostream& out, std::ostream& err) {
  auto options = std::make_shared<BuildRunOptions>();
  sub.add_option("--dir", options->dir, "Directory to do the build run in (created when missing)")
      ->type_name("DIR")
      ->default_str(".");
  sub.footer(
      "Writes the built-in route's two texts and three crew documents into DIR,\n"
      "compiles the texts into the three compiled files and deletes the texts: what\n"
      "percorso started without arguments does in the folder of its own executable.\n"
      "Exit status: 0 the run completed; 3 a file cannot be written or a reserved place\n"
      "of the compiled scenario is taken.\n\n"
      "Example:\n"
      "  percorso build-run --dir run");
  return [options, &out, &err] { return RunBuildRun(*options, out, err); };
}

}  // namespace percorso
