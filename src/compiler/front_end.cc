#include "compiler/front_end.h"

#include <utility>

#include "base/file_io.h"
#include "base/text_encoding.h"
#include "model/error_meanings.h"
#include "model/file_limits.h"

namespace percorso {

std::string ShownPath(const std::filesystem::path& dir, const std::string& name) {
  return (dir / name).lexically_normal().string();
}

AuthorText ReadAuthorText(const std::filesystem::path& dir, const std::string& file_name) {
  AuthorText t;
  t.file_name = file_name;
  t.shown_name = ShownPath(dir, file_name);
  ReadResult r = ReadWholeFile(dir / file_name, kMaxTextBytes);
  if (r.status == ReadStatus::kOk) {
    t.bytes = std::move(r.bytes);
  } else {
    t.read_error = r.error.reason;
  }
  return t;
}

AuthorText BufferText(std::string file_name, std::string shown_name, std::string bytes) {
  AuthorText t;
  t.file_name = std::move(file_name);
  t.shown_name = std::move(shown_name);
  t.bytes = std::move(bytes);
  return t;
}

namespace {

// One text converted for the loader.
struct Converted {
  DecodedText decoded;
  SourceText source;
};

Converted Convert(const AuthorText& t) {
  Converted c;
  c.source.name = t.file_name;
  c.decoded = ToWindows1252(*t.bytes);
  if (c.decoded.fault) {
    // Nothing is loaded from a text that cannot be converted: the loader finds it
    // unreadable, its catch-all error 25, which then gets the fault's line and column.
    c.source.status = ReadStatus::kFailed;
  } else {
    c.source.status = ReadStatus::kOk;
    c.source.bytes = std::move(c.decoded.bytes);
  }
  return c;
}

QuotedText QuotedOf(const AuthorText& t, const DecodedText& d) {
  QuotedText q;
  q.name = t.shown_name;
  q.original = d.from_utf8 ? StripUtf8Bom(*t.bytes) : std::string_view(*t.bytes);
  q.from_utf8 = d.from_utf8;
  return q;
}

// Gives the loader's error 25 for an unconvertible text the place and cause of the fault.
void PlaceEncodingFault(const DecodedText& d, ErrorOrigin origin, ErrorState& e) {
  if (!d.fault) return;
  for (Diagnostic& diag : e.log) {
    if (diag.numero != 25 || diag.origin != origin) continue;
    diag.line = d.fault->line;
    diag.column = d.fault->column;
    diag.detail = d.fault->detail;
    return;
  }
}

Finding OfUnreadable(const AuthorText& t, FindingFile about) {
  Finding f;
  f.severity = FindingSeverity::kError;
  f.code = std::string(kUnreadableCode);
  f.about = about;
  f.file = t.shown_name;
  f.message = "cannot read " + t.file_name + ": " + t.read_error;
  return f;
}

}  // namespace

PairResult CompileTextPair(PairRequest request) {
  PairResult out;
  if (!request.linea.bytes || !request.treno.bytes) {
    if (!request.linea.bytes) out.findings.push_back(OfUnreadable(request.linea, FindingFile::kLinea));
    if (!request.treno.bytes) out.findings.push_back(OfUnreadable(request.treno, FindingFile::kTreno));
    return out;
  }
  auto texts = std::make_shared<std::pair<AuthorText, AuthorText>>(std::move(request.linea),
                                                                    std::move(request.treno));
  Converted linea = Convert(texts->first);
  Converted treno = Convert(texts->second);
  auto quoted = std::make_shared<std::pair<QuotedText, QuotedText>>(
      QuotedOf(texts->first, linea.decoded), QuotedOf(texts->second, treno.decoded));

  out.compiled_pair = true;
  // The three faces (compile, the language server, the preview) also check the assumed
  // train's run: warnings slowdown-warning-short and timetable-too-tight.
  out.compiled = CompileScenario(linea.source, treno.source,
                                 {request.nome_linea, request.numero_treno, request.plan,
                                  std::nullopt, WarningChoice::kWatch, RunCheck::kCheck});
  ErrorState& e = out.compiled.errors;
  PlaceEncodingFault(linea.decoded, ErrorOrigin::kLineText, e);
  PlaceEncodingFault(treno.decoded, ErrorOrigin::kTrainText, e);

  std::vector<const Warning*> warnings;
  for (const Warning& w : e.warnings) {
    bool quiet = false;
    for (WarningKind k : request.silenced) quiet = quiet || k == w.kind;
    if (!quiet) warnings.push_back(&w);
  }
  size_t next = 0;
  auto add_warnings_up_to = [&](size_t errors) {
    for (; next < warnings.size() && warnings[next]->errors_before <= errors; ++next)
      out.findings.push_back(FindingOfWarning(
          *warnings[next], warnings[next]->text == WarningText::kLine ? quoted->first : quoted->second));
  };
  for (size_t i = 0; i < e.log.size(); ++i) {
    add_warnings_up_to(i);
    const Diagnostic& d = e.log[i];
    const QuotedText* text = d.origin == ErrorOrigin::kLineText    ? &quoted->first
                             : d.origin == ErrorOrigin::kTrainText ? &quoted->second
                                                                   : nullptr;
    const ErrorMeaning* m = FindMeaning(d.numero);
    out.findings.push_back(
        FindingOfError(d, m != nullptr ? m->meaning : "", text, request.scenario_name));
  }
  add_warnings_up_to(e.log.size());
  out.warnings = warnings.size();
  out.texts = std::move(texts);
  out.quoted = std::move(quoted);
  return out;
}

}  // namespace percorso
