#include "app/commands.h"

#include <exception>
#include <new>
#include <ostream>
#include <string>

namespace percorso {

int RunGuarded(const std::function<int()>& run, std::ostream& err) {
  try {
    return run();
  } catch (const std::bad_alloc&) {
    err << "percorso: out of memory\n";
  } catch (const std::exception& e) {
    err << "percorso: stopped by an internal error: " << e.what() << "\n";
  }
  return kExitStopped;
}

int RunCommandLine(int argc, const char* const* argv, std::span<const Command> commands,
                   std::string_view version_text, std::ostream& out, std::ostream& err) {
  CLI::App app(
      "Compiles railway route scenarios for a train-driving simulator.\n"
      "Started without arguments it does the built-in build run in its own directory;\n"
      "installed, it writes nothing there and tells how: percorso build-run --dir DIR.",
      "percorso");
  app.set_version_flag("--version", std::string(version_text));
  // At most one command; none is reported after the parse, so that an unknown option
  // is named as such rather than taken for a missing command.
  app.require_subcommand(0, 1);
  std::vector<std::pair<CLI::App*, CommandAction>> actions;
  for (const Command& c : commands) {
    CLI::App* sub = app.add_subcommand(c.name, c.summary);
    actions.emplace_back(sub, c.define(*sub, out, err));
  }
  app.footer(
      "Example:\n"
      "  percorso export --dir routes       # the built-in route as a template\n"
      "  percorso compile --dir routes      # compile it (after editing)");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    int status = app.exit(e, out, err);
    return status == 0 ? kExitOk : kExitUsage;
  }
  for (auto& [sub, action] : actions) {
    if (sub->parsed()) return RunGuarded(action, err);
  }
  err << "percorso: a command is required\nRun with --help for more information.\n";
  return kExitUsage;
}

}  // namespace percorso
