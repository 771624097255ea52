#include "app/compile_command.h"

#include <ostream>
#include <vector>

#include "model/error_meanings.h"
#include "base/file_io.h"
#include "compiler/diagnostics.h"
#include "model/names.h"
#include "base/text_encoding.h"
#include "compiler/compile.h"
#include "builtin/builtin_texts.h"

namespace percorso {

namespace {

// A path as the author will read it: "name" for the current directory, "dir/name" else.
std::string Shown(const std::filesystem::path& dir, const std::string& name) {
  return (dir / name).lexically_normal().string();
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

// Settles the line name and train number: both checked when given, the missing ones
// taken from the one pair of texts in the directory. Returns false after a message.
bool ResolveNames(const CompileOptions& o, std::string* linea, std::string* treno,
                  std::ostream& err) {
  if (!CheckGivenNames(o.linea, o.treno, err)) return false;
  if (o.linea && o.treno) {
    *linea = *o.linea;
    *treno = *o.treno;
    return true;
  }
  std::vector<TextPair> pairs = FindTextPairs(o.dir, o.linea, o.treno);
  if (pairs.size() == 1) {
    *linea = pairs[0].linea;
    *treno = pairs[0].treno;
    return true;
  }
  std::string where = o.dir.lexically_normal().string();
  if (pairs.empty()) {
    err << "percorso: no pair of texts NAME_linea.txt + NAME_NUMBER-.txt";
    if (o.linea) err << " with line name \"" << *o.linea << "\"";
    if (o.treno) err << " with train number \"" << *o.treno << "\"";
    err << " in " << where << "\n";
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

// One of the author's texts, read and converted for the loader.
struct AuthorText {
  ErrorOrigin origin;
  std::string raw;       // as on disk
  DecodedText decoded;
  SourceText source;     // what the loader gets
  QuotedText quoted;     // what the diagnostics quote
};

bool ReadText(const std::filesystem::path& dir, const std::string& name, ErrorOrigin origin,
              AuthorText* t, std::ostream& err) {
  ReadResult r = ReadWholeFile(dir / name);
  if (r.status != ReadStatus::kOk) {
    err << "percorso: cannot read " << Shown(dir, name) << ": " << r.error.reason << "\n";
    return false;
  }
  t->origin = origin;
  t->raw = std::move(r.bytes);
  t->decoded = ToWindows1252(t->raw);
  t->source.name = name;
  if (t->decoded.fault) {
    // Nothing is loaded from a text that cannot be converted: the loader finds it
    // unreadable, its catch-all error 25, which then gets the fault's line and column.
    t->source.status = ReadStatus::kFailed;
  } else {
    t->source.status = ReadStatus::kOk;
    t->source.bytes = t->decoded.bytes;
  }
  t->quoted.name = Shown(dir, name);
  t->quoted.original = t->decoded.from_utf8 ? StripUtf8Bom(t->raw) : std::string_view(t->raw);
  t->quoted.from_utf8 = t->decoded.from_utf8;
  return true;
}

// Gives the loader's error 25 for an unconvertible text the place and cause of the fault.
void PlaceEncodingFault(const AuthorText& t, ErrorState& e) {
  if (!t.decoded.fault) return;
  for (Diagnostic& d : e.log) {
    if (d.numero != 25 || d.origin != t.origin) continue;
    d.line = t.decoded.fault->line;
    d.column = t.decoded.fault->column;
    d.detail = t.decoded.fault->detail;
    return;
  }
}

void Report(const ErrorState& e, const AuthorText& linea, const AuthorText& treno,
            const std::string& scenario_name, std::ostream& err) {
  for (const Diagnostic& d : e.log) {
    const QuotedText* text = d.origin == ErrorOrigin::kLineText    ? &linea.quoted
                             : d.origin == ErrorOrigin::kTrainText ? &treno.quoted
                                                                   : nullptr;
    const ErrorMeaning* m = FindMeaning(d.numero);
    WriteDiagnostic(err, d, m != nullptr ? m->meaning : "", text, scenario_name);
  }
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
// tools do. Returns false after a message.
bool MakeOutputDirectory(const std::filesystem::path& dir, std::ostream& err) {
  std::error_code ec;
  if (std::filesystem::is_directory(dir, ec)) return true;
  std::filesystem::create_directories(dir, ec);
  if (ec) {
    err << "percorso: cannot create directory " << dir.lexically_normal().string() << ": "
        << ec.message() << "\n";
    return false;
  }
  return true;
}

// The summary of a compile that wrote nothing names what an earlier compile left behind.
std::string NothingWrittenSummary(int32_t numero, std::optional<int32_t> posizione,
                                  const std::filesystem::path& out_dir,
                                  const std::string& linea, const std::string& treno) {
  return SummaryLine(numero, posizione, {}) +
         EarlierFilesNote(EarlierCompiledFiles(out_dir, linea, treno));
}

}  // namespace

int RunCompile(const CompileOptions& o, std::ostream& err) {
  std::string linea_name, treno_name;
  if (!ResolveNames(o, &linea_name, &treno_name, err)) return kExitUsage;

  AuthorText linea, treno;
  if (!ReadText(o.dir, LineaFileName(linea_name), ErrorOrigin::kLineText, &linea, err) ||
      !ReadText(o.dir, TrenoFileName(linea_name, treno_name), ErrorOrigin::kTrainText, &treno,
                err)) {
    return kExitStopped;
  }

  const PlanChoice plan = o.no_plan ? PlanChoice::kWithoutPlan : PlanChoice::kWithPlan;
  Compilation compiled =
      CompileScenario(linea.source, treno.source, {linea_name, treno_name, plan, std::nullopt});
  PlaceEncodingFault(linea, compiled.errore);
  PlaceEncodingFault(treno, compiled.errore);

  const std::filesystem::path out_dir = o.out.value_or(o.dir);
  const std::string cell_name = CellFileName(linea_name, treno_name);
  Report(compiled.errore, linea, treno, Shown(out_dir, cell_name), err);

  if (compiled.verdict == CompileVerdict::kReserved1250 ||
      compiled.verdict == CompileVerdict::kReserved1251) {
    const char* code = compiled.verdict == CompileVerdict::kReserved1250 ? "1250" : "1251";
    err << " Errore n. " << code << "\n";
    err << NothingWrittenSummary(std::stoi(code), std::nullopt, out_dir, linea_name, treno_name)
        << "\n";
    return kExitStopped;
  }

  std::vector<std::string> written;
  if (compiled.verdict == CompileVerdict::kCompiled && !o.check) {
    if (o.out && !MakeOutputDirectory(*o.out, err)) {
      err << NothingWrittenSummary(compiled.errore.numero, FinalPosition(compiled.errore),
                                   out_dir, linea_name, treno_name)
          << "\n";
      return kExitStopped;
    }
    WrittenFiles files = WriteCompiledFiles(out_dir, compiled);
    for (const std::string& name : files.written) written.push_back(Shown(out_dir, name));
    if (files.io_error) {
      err << "percorso: cannot write " << Shown(out_dir, files.failed_name) << ": "
          << files.io_error->reason << "\n";
      err << SummaryLine(compiled.errore.numero, FinalPosition(compiled.errore), written) << "\n";
      return kExitStopped;
    }
  }
  if (written.empty()) {
    err << NothingWrittenSummary(compiled.errore.numero, FinalPosition(compiled.errore), out_dir,
                                 linea_name, treno_name)
        << "\n";
  } else {
    err << SummaryLine(compiled.errore.numero, FinalPosition(compiled.errore), written) << "\n";
  }
  return compiled.errore.numero == 0 ? kExitOk : kExitError;
}

}  // namespace percorso
