#include "app/dump_command.h"

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>

#include "base/exit_status.h"
#include "base/file_io.h"
#include "base/text_display.h"
#include "format/plan_file.h"
#include "inspect/dump.h"
#include "model/file_limits.h"
#include "model/track_plan.h"

namespace percorso {

int RunDump(const DumpOptions& options, std::ostream& out, std::ostream& err) {
  const std::string name = options.file.filename().string();
  const CompiledKind kind = KindOfFileName(name);
  if (kind == CompiledKind::kUnknown) {
    err << "percorso dump: " << EscapeControls(name)
        << ": not a compiled file name (NAME_linea.dat plan, NAME_NUMBER.sim line table, "
           "NAME_NUMBER.dat cells)\n";
    return kStatusUsage;
  }
  // A plan file can be no longer than the plan of the longest line.
  const uint64_t limit =
      kind == CompiledKind::kPlan ? MaxPlanFileBytes(kMaxPlanLineLength) : kMaxCompiledFileBytes;
  ReadResult file = ReadWholeFile(options.file, limit);
  if (file.status != ReadStatus::kOk) {
    err << "percorso dump: " << file.error.Message() << "\n";
    return kStatusFileFault;
  }
  const std::string shown = options.file.string();
  const DumpedFile dumped =
      DumpCompiledBytes(kind, file.bytes, shown, DumpForm{options.json, options.all});
  if (!dumped.ok()) {
    err << "percorso dump: " << EscapeControls(shown) << ": " << dumped.fault->Describe() << "\n";
    return kStatusInputWrong;
  }
  out << dumped.text;
  return kStatusOk;
}

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

}  // namespace percorso
