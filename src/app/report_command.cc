#include "app/report_command.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "base/exit_status.h"
#include "base/file_io.h"
#include "base/text_display.h"
#include "format/decode.h"
#include "inspect/report.h"
#include "model/file_limits.h"
#include "model/line_table.h"
#include "model/names.h"

namespace percorso {

namespace {

// Reads and decodes one file; kStatusOk, or the exit status with the message written:
// kStatusFileFault when the file cannot be read, kStatusInputWrong when it is broken.
template <typename T, typename Decoder>
int Load(const std::filesystem::path& path, Decoder decode, T* value, std::ostream& err,
         uint64_t max_bytes = kMaxCompiledFileBytes) {
  ReadResult file = ReadWholeFile(path, max_bytes);
  if (file.status != ReadStatus::kOk) {
    err << "percorso report: " << file.error.Message() << "\n";
    return kStatusFileFault;
  }
  auto d = decode(file.bytes);
  if (!d.ok()) {
    err << "percorso report: " << path.string() << ": " << d.error->Describe() << "\n";
    return kStatusInputWrong;
  }
  *value = std::move(d.value);
  return kStatusOk;
}

// After "no compiled scenario in DIR": when DIR holds texts to compile, names them and
// says to compile them first.
void SayCompileFirst(const std::filesystem::path& dir, const std::optional<std::string>& line,
                     const std::optional<std::string>& train, std::ostream& err) {
  std::vector<TextPair> texts = FindTextPairs(dir, line, train);
  if (texts.empty()) return;
  const TextPair& t = texts.front();
  err << "; it holds the texts " << LineaFileName(t.linea) << " and "
      << TrenoFileName(t.linea, t.treno) << (texts.size() > 1 ? " (and more)" : "")
      << ": compile them first (percorso compile --dir " << dir.string() << ")";
}

// Creates the folder the page goes into, with its parents, when missing. Returns why
// it could not, or nothing.
std::optional<std::string> MakeParentDirectory(const std::filesystem::path& page) {
  const std::filesystem::path folder = page.parent_path();
  std::error_code ec;
  if (folder.empty() || std::filesystem::is_directory(folder, ec)) return std::nullopt;
  std::filesystem::create_directories(folder, ec);
  if (!ec) return std::nullopt;
  return "cannot create directory " + folder.lexically_normal().string() + ": " + ec.message();
}

}  // namespace

int RunReport(const ReportOptions& options, std::ostream& out, std::ostream& err) {
  for (const std::string* name : {&options.line, &options.train}) {
    if (CheckName("name", *name, true)) {
      err << "percorso report: '" << EscapeControls(*name)
          << "' cannot be a line name or a train number: no path separators, no '..', no "
             "control characters\n";
      return 2;
    }
  }
  CompiledPair sc{options.line, options.train};
  if (sc.linea.empty() || sc.treno.empty()) {
    auto given = [](const std::string& name) {
      return name.empty() ? std::nullopt : std::optional<std::string>(name);
    };
    std::vector<CompiledPair> found =
        FindCompiledPairs(options.dir, given(options.line), given(options.train));
    if (found.size() != 1) {
      err << "percorso report: ";
      if (found.empty()) {
        err << "no compiled scenario (NAME_NUMBER.sim with NAME_NUMBER.dat) in "
            << options.dir.string();
        SayCompileFirst(options.dir, given(options.line), given(options.train), err);
        err << "\n";
      } else {
        err << "several compiled scenarios in " << options.dir.string() << ":";
        for (const CompiledPair& s : found) err << " " << LineFileName(s.linea, s.treno);
        err << "; choose one with --line and --train\n";
      }
      return 2;
    }
    sc = found.front();
  }
  const std::filesystem::path& dir = options.dir;
  CompiledView view;
  if (int s = Load(dir / LineFileName(sc.linea, sc.treno), DecodeLineFile, &view.table, err)) {
    return s;
  }
  if (int s = Load(dir / CellFileName(sc.linea, sc.treno), DecodeCellFile, &view.cells, err)) {
    return s;
  }
  std::filesystem::path plan_path = dir / PlanFileName(sc.linea);
  std::error_code ec;
  if (std::filesystem::exists(plan_path, ec)) {
    DecodedPlan plan;
    // No longer than the line length of the line file allows.
    const uint64_t limit = MaxPlanFileBytes(view.table.slot[kTrainFiguresSlot].fine);
    if (int s = Load(plan_path, DecodePlanFile, &plan, err, limit)) return s;
    view.plan = std::move(plan);
  }
  const std::filesystem::path& out_dir = options.out_dir.empty() ? dir : options.out_dir;
  std::filesystem::path target = options.output.empty()
                                     ? out_dir / DocumentFileName(sc.linea, sc.treno, "report.html")
                                     : options.output;
  if (std::optional<std::string> why = MakeParentDirectory(target)) {
    err << "percorso report: " << *why << "\n";
    return kStatusFileFault;
  }
  if (std::optional<IoError> e = ReplaceFile(target, RenderReport(view))) {
    err << "percorso report: " << e->Message() << "\n";
    return kStatusFileFault;
  }
  out << "wrote " << target.string() << "\n";
  return 0;
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
