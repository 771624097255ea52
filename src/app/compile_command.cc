#include "app/compile_command.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "model/error_meanings.h"
#include "base/file_io.h"
#include "base/heap.h"
#include "app/machine_diagnostics.h"
#include "compiler/diagnostics.h"
#include "model/names.h"
#include "base/text_encoding.h"
#include "compiler/compile.h"
#include "compiler/front_end.h"
#include "builtin/builtin_texts.h"

namespace percorso {

namespace {

constexpr size_t kCompileHeapBytes = size_t{48} << 20;

// A path as the author will read it: "name" for the current directory, "dir/name" else.
std::string Shown(const std::filesystem::path& dir, const std::string& name) {
  return ShownPath(dir, name);
}

}  // namespace

bool CheckGivenNames(const std::optional<std::string>& linea,
                     const std::optional<std::string>& treno, std::ostream& err) {
  if (linea) {
    if (auto why = CheckName("line name", *linea, false)) {
      err << "percorso: " << *why << ": \"" << *linea << "\"\n";
      return false;
    }
  }
  if (treno) {
    if (auto why = CheckName("train number", *treno, true)) {
      err << "percorso: " << *why << ": \"" << *treno << "\"\n";
      return false;
    }
  }
  return true;
}

namespace {

bool IsFile(const std::filesystem::path& p) {
  std::error_code ec;
  return std::filesystem::is_regular_file(p, ec);
}

// Texts named like a train text but for its hyphen ("Montelago_101.txt" beside
// "Montelago_linea.txt"): the names they were surely meant to have.
std::vector<std::pair<std::string, std::string>> TrainTextsWithoutHyphen(
    const std::filesystem::path& dir, const std::optional<std::string>& linea) {
  std::vector<std::pair<std::string, std::string>> out;
  std::error_code ec;
  constexpr std::string_view kTxt = ".txt";
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() <= kTxt.size() || name.compare(name.size() - kTxt.size(), kTxt.size(), kTxt) != 0)
      continue;
    const std::string stem = name.substr(0, name.size() - kTxt.size());
    const size_t cut = stem.rfind('_');
    if (cut == std::string::npos || cut == 0 || cut + 1 == stem.size()) continue;
    const std::string line = stem.substr(0, cut);
    const std::string number = stem.substr(cut + 1);
    if (number == "linea" || number.back() == '-' || (linea && *linea != line)) continue;
    if (!IsFile(dir / LineaFileName(line)) || IsFile(dir / TrenoFileName(line, number))) continue;
    out.emplace_back(name, TrenoFileName(line, number));
  }
  std::sort(out.begin(), out.end());
  return out;
}

// The one line description a check of the line alone is about: the one named by --line,
// or else the only one in the directory. Nothing when there is none or more than one.
std::optional<std::string> LoneLineText(const CompileOptions& o) {
  if (o.linea) {
    if (IsFile(o.dir / LineaFileName(*o.linea))) return *o.linea;
    return std::nullopt;
  }
  std::optional<std::string> found;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(o.dir, ec), end; !ec && it != end;
       it.increment(ec)) {
    std::optional<std::string> line = LineaTextName(it->path().filename().string());
    if (!line) continue;
    if (found) return std::nullopt;
    found = std::move(line);
  }
  return found;
}

// Settles the line name and train number: both checked when given, the missing ones
// taken from the one pair of texts in the directory. A check (--check) without a train
// text checks the line description alone: `line_only` is then set and the train number
// left empty. Returns false after a message.
bool ResolveNames(const CompileOptions& o, std::string* linea, std::string* treno,
                  bool* line_only, std::ostream& err) {
  if (!CheckGivenNames(o.linea, o.treno, err)) return false;
  const PairChoice choice = ChooseTextPair(o.dir, o.linea, o.treno);
  if (choice.chosen) {
    *linea = choice.chosen->linea;
    *treno = choice.chosen->treno;
    return true;
  }
  const std::vector<TextPair>& pairs = choice.candidates;
  std::string where = o.dir.lexically_normal().string();
  if (pairs.empty()) {
    const auto unhyphened = TrainTextsWithoutHyphen(o.dir, o.linea);
    if (o.check && !o.treno && unhyphened.empty()) {
      if (std::optional<std::string> lone = LoneLineText(o)) {
        *linea = *lone;
        treno->clear();
        *line_only = true;
        return true;
      }
    }
    err << "percorso: no pair of texts NAME_linea.txt + NAME_NUMBER-.txt";
    if (o.linea) err << " with line name \"" << *o.linea << "\"";
    if (o.treno) err << " with train number \"" << *o.treno << "\"";
    err << " in " << where << "\n";
    for (const auto& [name, meant] : unhyphened) {
      err << "percorso: " << Shown(o.dir, name)
          << " lacks the hyphen that ends a train text's name: did you mean `" << meant
          << "`?\n";
    }
    if (!o.check && !o.treno && unhyphened.empty() && LoneLineText(o))
      err << "percorso: compile --check checks a line description alone\n";
    return false;
  }
  err << "percorso: " << where << " holds " << pairs.size()
      << " pairs of texts; choose one with --line and --train:\n";
  for (const TextPair& p : pairs) {
    err << "  --line " << p.linea << " --train " << p.treno << "    (" << LineaFileName(p.linea)
        << " + " << TrenoFileName(p.linea, p.treno) << ")\n";
  }
  return false;
}

// The findings in the text form, on the error stream.
void Report(const std::vector<Finding>& findings, std::ostream& err) {
  for (const Finding& f : findings) WriteFinding(err, f);
}

enum class Format { kText, kJson, kSarif };

// Checks --format and --no-warn; on a bad one says why and gives false.
bool ParseOutputOptions(const CompileOptions& o, Format* format,
                        std::vector<WarningKind>* silenced, std::ostream& err) {
  if (o.format == "text") {
    *format = Format::kText;
  } else if (o.format == "json") {
    *format = Format::kJson;
  } else if (o.format == "sarif") {
    *format = Format::kSarif;
  } else {
    err << "percorso: unknown format \"" << o.format << "\" (text, json or sarif)\n";
    return false;
  }
  for (const std::string& name : o.no_warn) {
    std::optional<WarningKind> k = FindWarning(name);
    if (!k) {
      err << "percorso: --no-warn: no warning is named \"" << name
          << "\" (percorso explain --list names them)\n";
      return false;
    }
    silenced->push_back(*k);
  }
  return true;
}

// The compiled files of this scenario already in `dir`, shown as the summary shows paths,
// in the order a compile writes them.
std::vector<std::string> EarlierCompiledFiles(const std::filesystem::path& dir,
                                              const std::string& linea,
                                              const std::string& treno) {
  std::vector<std::string> found;
  for (const std::string& name :
       {PlanFileName(linea), LineFileName(linea, treno), CellFileName(linea, treno)}) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(dir / name, ec)) found.push_back(Shown(dir, name));
  }
  return found;
}

// Creates the output directory a compile was pointed at, with its parents, as build
// tools do. Returns why it could not, or nothing.
std::optional<std::string> MakeOutputDirectory(const std::filesystem::path& dir) {
  std::error_code ec;
  if (std::filesystem::is_directory(dir, ec)) return std::nullopt;
  std::filesystem::create_directories(dir, ec);
  if (!ec) return std::nullopt;
  return "cannot create directory " + dir.lexically_normal().string() + ": " + ec.message();
}

// Writes the compiled files into `out_dir`, creating a directory given with --out, and
// names in `report` those written. Returns why it stopped, or nothing.
std::optional<std::string> WriteFiles(const CompileOptions& o, const std::filesystem::path& out_dir,
                                      const Compilation& compiled, CompileReport* report) {
  if (std::optional<std::string> why = o.out ? MakeOutputDirectory(*o.out) : std::nullopt)
    return why;
  WrittenFiles files = WriteCompiledFiles(out_dir, compiled);
  for (const std::string& name : files.written) report->written.push_back(Shown(out_dir, name));
  if (!files.io_error) return std::nullopt;
  return "cannot write " + Shown(out_dir, files.failed_name) + ": " + files.io_error->reason;
}

// Ends the run: the text form's summary on `err`, or the one document of the machine
// forms on `out`. A compile that wrote nothing names the compiled files of this
// scenario an earlier one left in `out_dir`, lest they look like its own.
void PrintOutcome(const CompileReport& report, Format format, const std::filesystem::path& out_dir,
                  const std::string& linea_name, const std::string& treno_name, std::ostream& out,
                  std::ostream& err) {
  if (format == Format::kJson) {
    out << CompileReportJson(report);
  } else if (format == Format::kSarif) {
    out << CompileReportSarif(report);
  } else {
    err << SummaryLine(report.numero, report.posizione, report.written, report.warnings);
    if (report.written.empty() && report.failure.empty())
      err << EarlierFilesNote(EarlierCompiledFiles(out_dir, linea_name, treno_name));
    err << "\n";
  }
}

}  // namespace

int RunCompile(const CompileOptions& o, std::ostream& out, std::ostream& err) {
  Format format = Format::kText;
  std::vector<WarningKind> silenced;
  if (!ParseOutputOptions(o, &format, &silenced, err)) return kExitUsage;
  std::string linea_name, treno_name;
  bool line_only = false;
  if (!ResolveNames(o, &linea_name, &treno_name, &line_only, err)) return kExitUsage;

  const std::filesystem::path out_dir = o.out.value_or(o.dir);
  PairRequest request;
  request.nome_linea = linea_name;
  request.numero_treno = treno_name;
  request.linea = ReadAuthorText(o.dir, LineaFileName(linea_name));
  if (line_only) {
    // The line description alone: an empty train text adds no row, and what the compile
    // says of the missing train data is left out below.
    if (format == Format::kText) {
      err << "percorso: no train text beside " << Shown(o.dir, LineaFileName(linea_name))
          << ": checking the line description alone\n";
    }
    request.treno = BufferText(TrenoFileName(linea_name, treno_name), "(no train text)", "");
  } else {
    request.treno = ReadAuthorText(o.dir, TrenoFileName(linea_name, treno_name));
  }
  request.plan = o.no_plan ? PlanChoice::kWithoutPlan : PlanChoice::kWithPlan;
  request.scenario_name = line_only ? Shown(o.dir, LineaFileName(linea_name))
                                    : Shown(out_dir, CellFileName(linea_name, treno_name));
  request.silenced = silenced;
  // A text that cannot be read stops the run before the compile; the first is named.
  for (const AuthorText* t : {&request.linea, &request.treno}) {
    if (t->bytes) continue;
    err << "percorso: cannot read " << t->shown_name << ": " << t->read_error << "\n";
    break;
  }
  PairResult result = CompileTextPair(std::move(request));
  if (line_only) {
    // The missing train data's own warnings (no speed, no adhesion) go.
    std::erase_if(result.findings, [](const Finding& f) { return f.about == FindingFile::kTreno; });
    result.warnings = static_cast<size_t>(std::count_if(
        result.findings.begin(), result.findings.end(),
        [](const Finding& f) { return f.severity == FindingSeverity::kWarning; }));
  }
  CompileReport report;
  report.findings = std::move(result.findings);
  if (!result.compiled_pair) {
    if (format != Format::kText) {
      report.exit_status = kExitStopped;
      PrintOutcome(report, format, out_dir, linea_name, treno_name, out, err);
    }
    return kExitStopped;
  }
  const Compilation& compiled = result.compiled;
  report.warnings = result.warnings;
  // The status the compile itself gives; --werror turns a clean one with warnings into 1.
  auto status_of = [&](int32_t numero) {
    if (numero != 0) return kExitError;
    return o.werror && report.warnings > 0 ? kExitError : kExitOk;
  };
  auto finish = [&](int status) {
    report.exit_status = status;
    PrintOutcome(report, format, out_dir, linea_name, treno_name, out, err);
    return status;
  };
  if (format == Format::kText) Report(report.findings, err);

  if (compiled.verdict == CompileVerdict::kReserved1250 ||
      compiled.verdict == CompileVerdict::kReserved1251) {
    const bool first = compiled.verdict == CompileVerdict::kReserved1250;
    report.numero = first ? 1250 : 1251;
    if (format == Format::kText) err << " Errore n. " << report.numero << "\n";
    return finish(kExitStopped);
  }

  if (compiled.verdict == CompileVerdict::kCompiled && !o.check) {
    if (std::optional<std::string> why = WriteFiles(o, out_dir, compiled, &report)) {
      report.failure = *why;
      err << "percorso: " << report.failure << "\n";
    }
  }
  report.numero = compiled.errors.numero;
  report.posizione = FinalPosition(compiled.errors);
  return finish(report.failure.empty() ? status_of(report.numero) : kExitStopped);
}

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

}  // namespace percorso
