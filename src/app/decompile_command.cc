#include "app/decompile_command.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <ostream>
#include <set>
#include <system_error>

#include "base/file_io.h"
#include "app/compile_command.h"
#include "format/line_file.h"
#include "format/plan_file.h"
#include "model/file_limits.h"
#include "model/line_table.h"
#include "model/names.h"
#include "model/track_plan.h"
#include "decompile/decompile.h"
#include "compiler/compile.h"
#include "builtin/builtin_texts.h"

namespace percorso {

namespace {

std::string Shown(const std::filesystem::path& dir, const std::string& name) {
  return (dir / name).lexically_normal().string();
}

bool IsFile(const std::filesystem::path& p) {
  std::error_code ec;
  return std::filesystem::is_regular_file(p, ec);
}

bool Exists(const std::filesystem::path& p) {
  std::error_code ec;
  return std::filesystem::exists(std::filesystem::symlink_status(p, ec));
}

bool ResolveNames(const DecompileOptions& o, std::string* linea, std::string* treno,
                  std::ostream& err) {
  if (!CheckGivenNames(o.linea, o.treno, err)) return false;
  if (o.linea && o.treno) {
    *linea = *o.linea;
    *treno = *o.treno;
    return true;
  }
  std::vector<CompiledPair> pairs = FindCompiledPairs(o.dir, o.linea, o.treno);
  if (pairs.size() == 1) {
    *linea = pairs[0].linea;
    *treno = pairs[0].treno;
    return true;
  }
  const std::string where = o.dir.lexically_normal().string();
  if (pairs.empty()) {
    err << "percorso: no compiled scenario NAME_NUMBER.sim + NAME_NUMBER.dat";
    if (o.linea) err << " with line name \"" << *o.linea << "\"";
    if (o.treno) err << " with train number \"" << *o.treno << "\"";
    err << " in " << where << "\n";
    return false;
  }
  err << "percorso: " << where << " holds " << pairs.size()
      << " compiled scenarios; choose one with --line and --train:\n";
  for (const CompiledPair& p : pairs) {
    err << "  --line " << p.linea << " --train " << p.treno << "    ("
        << LineFileName(p.linea, p.treno) << " + " << CellFileName(p.linea, p.treno) << ")\n";
  }
  return false;
}

const char* FileOf(PlaceKind kind) {
  switch (kind) {
    case PlaceKind::kCell:
    case PlaceKind::kCellFile:
      return "cell";
    case PlaceKind::kSlot:
    case PlaceKind::kLineFile:
      return "line";
    case PlaceKind::kPlanPoint:
    case PlaceKind::kPlanFile:
      break;
  }
  return "plan";
}

// The line length the line file gives, for the largest plan it allows; the longest line
// the compiler accepts when the file is too short or broken (the decoder then says so).
int64_t LineLengthOf(const std::string& line_file) {
  Decoded<LineTable> table = DecodeLineFile(line_file);
  if (!table.ok()) return kMaxPlanLineLength;
  return table.value.slot[kTrainFiguresSlot].fine;
}

// Replaces the two texts as a pair: both new, or both as they were. A name that cannot
// be replaced at all (a directory stands there) is found before either is written, and
// when the second cannot be written the first gets its old bytes back (or is removed if
// it was not there).
std::optional<IoError> ReplacePair(const std::filesystem::path& dir,
                                   const std::array<std::string, 2>& names,
                                   const std::array<const std::string*, 2>& texts) {
  for (const std::string& name : names) {
    std::error_code ec;
    const std::filesystem::file_status st = std::filesystem::symlink_status(dir / name, ec);
    if (ec || !std::filesystem::exists(st) || std::filesystem::is_regular_file(st) ||
        std::filesystem::is_symlink(st)) {
      continue;
    }
    const char* why =
        std::filesystem::is_directory(st) ? std::strerror(EISDIR) : "not a regular file";
    return IoError{(dir / name).string(), "write", why};
  }
  const std::filesystem::path first = dir / names[0];
  const bool first_existed = IsFile(first);
  ReadResult old_first;
  if (first_existed) old_first = ReadWholeFile(first, kMaxTextBytes);
  if (std::optional<IoError> e = ReplaceFile(first, *texts[0])) return e;
  std::optional<IoError> e = ReplaceFile(dir / names[1], *texts[1]);
  if (e) {
    if (!first_existed) {
      RemoveFile(first);
    } else if (old_first.status == ReadStatus::kOk) {
      ReplaceFile(first, old_first.bytes);
    }
  }
  return e;
}

}  // namespace

int RunDecompile(const DecompileOptions& o, std::ostream& out, std::ostream& err) {
  std::string linea, treno;
  if (!ResolveNames(o, &linea, &treno, err)) return kExitUsage;
  const std::filesystem::path out_dir = o.out.value_or(o.dir);
  const std::string linea_text = LineaFileName(linea);
  const std::string treno_text = TrenoFileName(linea, treno);
  if (!o.force) {
    for (const std::string& name : {linea_text, treno_text}) {
      if (Exists(out_dir / name)) {
        err << "percorso: " << Shown(out_dir, name)
            << " exists already; it is left as it is (--force replaces it)\n";
        return kExitStopped;
      }
    }
  }

  // The files, read whole.
  const std::string cell_name = CellFileName(linea, treno);
  const std::string line_name = LineFileName(linea, treno);
  const std::string plan_name = PlanFileName(linea);
  std::map<std::string, std::string> bytes;
  for (const std::string& name : {cell_name, line_name, plan_name}) {
    if (name == plan_name && !IsFile(o.dir / name) && !Exists(o.dir / name)) continue;
    // The plan can be no longer than the line length of the line file allows; it is
    // refused before it is read (and decoded, at several times its size) when it is.
    const uint64_t limit =
        name == plan_name ? MaxPlanFileBytes(LineLengthOf(bytes[line_name])) : kMaxCompiledFileBytes;
    ReadResult r = ReadWholeFile(o.dir / name, limit);
    if (r.status != ReadStatus::kOk) {
      err << "percorso: cannot read " << Shown(o.dir, name) << ": " << r.error.reason << "\n";
      return kExitStopped;
    }
    bytes[name] = std::move(r.bytes);
  }
  CompiledFiles files;
  files.nome_linea = linea;
  files.numero_treno = treno;
  files.cell_file = bytes[cell_name];
  files.line_file = bytes[line_name];
  if (bytes.count(plan_name)) files.plan_file = bytes[plan_name];

  Decompiled d = Decompile(files);
  if (d.corrupt) {
    const std::string& name = d.corrupt->file == CompiledFileKind::kCells  ? cell_name
                              : d.corrupt->file == CompiledFileKind::kLine ? line_name
                                                                       : plan_name;
    err << "percorso: " << Shown(o.dir, name) << ": " << d.corrupt->error.Describe()
        << "; nothing written\n";
    return kExitError;
  }

  std::error_code ec;
  std::filesystem::create_directories(out_dir, ec);
  if (ec) {
    err << "percorso: cannot create the directory " << out_dir.lexically_normal().string() << ": "
        << ec.message() << "\n";
    return kExitStopped;
  }
  if (std::optional<IoError> e = ReplacePair(out_dir, {linea_text, treno_text}, {&d.linea, &d.treno})) {
    err << "percorso: cannot write " << Shown(out_dir, std::filesystem::path(e->path).filename())
        << ": " << e->reason << "\n";
    return kExitStopped;
  }
  out << "wrote " << Shown(out_dir, linea_text) << ", " << Shown(out_dir, treno_text) << "\n";
  if (d.exact()) return kExitOk;

  for (const Unreproduced& u : d.lost) {
    const char* file = FileOf(u.kind);
    const std::string& name = file[0] == 'c' ? cell_name : file[0] == 'l' ? line_name : plan_name;
    err << Shown(o.dir, name) << ": " << DescribePlace(u) << ": not reproduced: " << u.why << "\n";
  }
  err << "result: " << d.lost.size() << (d.lost.size() == 1 ? " place" : " places")
      << " of the compiled files not reproduced by the texts\n";
  return kExitError;
}

CommandAction DefineDecompile(CLI::App& sub, std::ostream& out, std::ostream& err) {
  struct Values {
    DecompileOptions options;
    std::string linea, treno, out;
  };
  auto v = std::make_shared<Values>();
  sub.add_option("--dir", v->options.dir, "Directory that holds the compiled files")
      ->type_name("DIR")
      ->default_str(".");
  CLI::Option* line =
      sub.add_option("--line", v->linea, "Line name: the files are NAME_NUMBER.dat, NAME_NUMBER.sim "
                                         "and NAME_linea.dat")
          ->type_name("NAME");
  CLI::Option* train = sub.add_option("--train", v->treno, "Train number")->type_name("NUMBER");
  CLI::Option* out_dir =
      sub.add_option("--out", v->out, "Directory for the two texts (default: DIR)")->type_name("DIR");
  sub.add_flag("--force", v->options.force, "Replace texts of the same names already there");
  sub.footer(
      "Writes NAME_linea.txt and NAME_NUMBER-.txt, the texts that compile back to the\n"
      "files byte for byte. Without --line and --train, DIR must hold exactly one\n"
      "compiled scenario. Without NAME_linea.dat there are no curve rows: compile the\n"
      "texts with --no-plan. Exit status: 0 exact, 1 texts written but places listed\n"
      "that do not come back the same (or a corrupt file: nothing written), 2 bad\n"
      "command line, 3 a text exists already or a file cannot be read or written.\n\n"
      "Example:\n"
      "  percorso decompile --dir build --out routes && percorso compile --dir routes");
  return [v, line, train, out_dir, &out, &err] {
    if (line->count() > 0) v->options.linea = v->linea;
    if (train->count() > 0) v->options.treno = v->treno;
    if (out_dir->count() > 0) v->options.out = v->out;
    return RunDecompile(v->options, out, err);
  };
}

}  // namespace percorso
