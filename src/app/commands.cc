#include "app/commands.h"

#include <exception>
#include <memory>
#include <new>
#include <ostream>
#include <string>

#include "app/compile_command.h"
#include "app/export_command.h"
#include "base/heap.h"

namespace percorso {

namespace {
constexpr size_t kCompileHeapBytes = size_t{48} << 20;
}  // namespace

CommandAction DefineCompile(CLI::App& sub, std::ostream& document_out, std::ostream& err) {
  struct Values {
    CompileOptions options;
    std::string linea, treno, out;
  };
  auto v = std::make_shared<Values>();
  sub.add_option("--dir", v->options.dir, "Directory that holds the two texts")
      ->type_name("DIR")
      ->default_str(".");
  CLI::Option* line = sub.add_option("--line", v->linea, "Line name: the texts are NAME_linea.txt and NAME_NUMBER-.txt")
                          ->type_name("NAME");
  CLI::Option* train = sub.add_option("--train", v->treno, "Train number")->type_name("NUMBER");
  CLI::Option* out = sub.add_option("--out", v->out, "Directory for the compiled files (default: DIR; created when missing)")
                         ->type_name("DIR");
  sub.add_flag("--check", v->options.check, "Compile and report, but write no file");
  sub.add_flag("--no-plan", v->options.no_plan,
               "Build without the plan: no NAME_linea.dat, curve rows are dropped");
  sub.add_option("--no-warn", v->options.no_warn, "Do not report this warning (repeatable)")
      ->type_name("NAME");
  sub.add_flag("--werror", v->options.werror, "Exit with status 1 when any warning is reported");
  sub.add_option("--format", v->options.format,
                 "text (default), or json or sarif: one document on standard output")
      ->type_name("FORMAT");
  sub.footer(
      "Without --line and --train, DIR must hold exactly one pair of texts.\n"
      "Errors are reported on standard error as FILE:LINE:COLUMN: error N: meaning,\n"
      "warnings as FILE:LINE:COLUMN: warning: message [NAME] (they change nothing that\n"
      "is written), then one line \"result: ...\". Exit status: 0 no error, 1 error\n"
      "recorded (files still written) or a warning with --werror, 2 bad command line,\n"
      "3 stopped (reserved place taken, or a file that cannot be read or written).\n"
      "percorso explain CODE tells what an error number or warning means.\n\n"
      "Example:\n"
      "  percorso compile --dir routes --line Valdoro_Ostrano --train 55 --out build");
  return [v, line, train, out, &document_out, &err] {
    if (line->count() > 0) v->options.linea = v->linea;
    if (train->count() > 0) v->options.treno = v->treno;
    if (out->count() > 0) v->options.out = v->out;
    // Room for the longest line's compile (about 40 MB at its peak), its pages taken
    // as they are used: a short line touches only the first of them.
    PrepareHeap(kCompileHeapBytes, HeapPages::kOnFirstTouch);
    return RunCompile(v->options, document_out, err);
  };
}

CommandAction DefineExport(CLI::App& sub, std::ostream& out, std::ostream& err) {
  auto options = std::make_shared<ExportOptions>();
  sub.add_option("--dir", options->dir, "Directory to write the two texts into")
      ->type_name("DIR")
      ->default_str(".");
  sub.add_flag("--force", options->force, "Replace texts of the same names already there");
  sub.footer(
      "Writes Valdoro_Ostrano_linea.txt and Valdoro_Ostrano_55-.txt, the built-in\n"
      "route, as a template to edit; texts already there are kept unless --force.\n\n"
      "Example:\n"
      "  percorso export --dir routes && percorso compile --dir routes");
  return [options, &out, &err] { return RunExport(*options, out, err); };
}

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
