#include "app/export_command.h"

#include <memory>
#include <ostream>
#include <string>
#include <system_error>

#include "builtin/builtin_texts.h"
#include "model/names.h"

namespace percorso {

int RunExport(const ExportOptions& o, std::ostream& out, std::ostream& err) {
  const std::string linea = LineaFileName(kBuiltinLineName);
  const std::string treno = TrenoFileName(kBuiltinLineName, kBuiltinTrainNumber);
  if (!o.force) {
    for (const std::string& name : {linea, treno}) {
      std::error_code ec;
      std::filesystem::file_status st = std::filesystem::symlink_status(o.dir / name, ec);
      if (!ec && std::filesystem::exists(st)) {
        err << "percorso: " << (o.dir / name).lexically_normal().string()
            << " exists already; it is left as it is (--force replaces it)\n";
        return kExitStopped;
      }
    }
  }
  // A new route usually starts in a new directory.
  std::error_code ec;
  std::filesystem::create_directories(o.dir, ec);
  if (ec) {
    err << "percorso: cannot create the directory " << o.dir.lexically_normal().string() << ": "
        << ec.message() << "\n";
    return kExitStopped;
  }
  std::optional<IoError> e = WriteLineText(o.dir, kBuiltinLineName);
  if (!e) e = WriteTrainText(o.dir, kBuiltinLineName, kBuiltinTrainNumber);
  if (e) {
    err << "percorso: " << e->Message() << "\n";
    return kExitStopped;
  }
  out << "wrote " << (o.dir / linea).lexically_normal().string() << ", "
      << (o.dir / treno).lexically_normal().string() << "\n";
  return kExitOk;
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

}  // namespace percorso
