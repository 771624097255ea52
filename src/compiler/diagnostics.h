// How a compile tells the author what went wrong: one diagnostic per recorded error, in
// the order recorded, in the form compilers use ("file:line:column: message") so that
// editors can jump to it, then one summary line in a fixed form for scripts.
//
//   Valdoro_Ostrano_55-.txt:12:1: error 16: signal on a cell already taken (at 10200 m)
//   segnale,   10200,   1, 4, 0,  0, 0,    1,  1,0,0, 0
//   ^
//   Valdoro_Ostrano_55.dat: error 12: ... (at 26550 m, cell 531)
//   result: error 12 at 26550 m; wrote Valdoro_Ostrano_linea.dat, ...
#ifndef PERCORSO_COMPILER_DIAGNOSTICS_H_
#define PERCORSO_COMPILER_DIAGNOSTICS_H_

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/error_state.h"

namespace percorso {

// A source text as the author wrote it, for quoting its lines.
struct QuotedText {
  std::string name;           // as shown in the diagnostic, e.g. "routes/X_linea.txt"
  std::string_view original;  // the author's bytes, byte-order mark removed
  bool from_utf8 = false;
  // Where each line starts, worked out on the first quote: quoting thousands of lines
  // of a long text reads it once.
  mutable std::vector<size_t> line_starts = {};
};

// Line `line` (1-based) of the text, as SourceLine gives it, through the text's index.
std::optional<std::string_view> QuotedLine(const QuotedText& text, int line);

// The text of line `line` (1-based) of `text`, without its line end; nothing when the
// text has fewer lines. Lines end at CR LF, LF alone or CR alone.
std::optional<std::string_view> SourceLine(std::string_view text, int line);

// The message of a diagnostic: the meaning of its number, then the detail when the
// stage said more (a meaning's parenthesised list of possible causes is then dropped:
// the detail names the cause).
std::string DiagnosticMessage(const Diagnostic& d, std::string_view meaning);

enum class FindingSeverity : uint8_t { kError, kWarning };

// Which file a finding is about.
enum class FindingFile : uint8_t {
  kNone,      // no particular file ("percorso")
  kLinea,     // the line description
  kTreno,     // the train data text
  kScenario,  // the compiled scenario (the protection pass, which has no row)
};

// The code of the finding a text that cannot be read gives (the pair is then not compiled).
inline constexpr std::string_view kUnreadableCode = "unreadable";

// One error or warning, neutral: what `compile` prints (as text, JSON or SARIF), what the
// language server publishes and what the preview lists are each only a form of it.
struct Finding {
  FindingSeverity severity = FindingSeverity::kError;
  std::string code;        // "16" for an error, "unknown-row" for a warning
  std::string name;        // a warning's name ("unknown-row"); empty for an error
  std::string meaning;     // the plain meaning of the code, for a hover
  int32_t numero = 0;      // the error number; 0 for a warning or an unreadable text
  FindingFile about = FindingFile::kNone;
  std::string file;        // as shown; empty for kNone
  int line = 0;            // 1-based; 0 when the finding has no row
  int column = 0;          // 1-based, in characters of the text; 0 when unknown
  int end_column = 0;      // 1-based, just past the field; 0 when unknown
  std::optional<int32_t> posizione;  // metres
  std::optional<int32_t> cell;
  std::string message;     // what went wrong, without the place; Windows-1252 as quoted
  std::optional<std::string_view> quoted_line;  // the author's line `line`, as written
  bool quoted_from_utf8 = false; // `quoted_line` is UTF-8 (else Windows-1252)

  // The message in UTF-8, as the machine forms, the editor and the page give it.
  std::string MessageUtf8() const;
  // " (at 10200 m, cell 204)", " (at 10200 m)", " (cell 204)" or "".
  std::string PlaceSuffix() const;
};

// The finding of a recorded error. `text` is the source text the error comes from (null
// for the pass and for errors of no particular text); `scenario_name` names the compiled
// scenario (the cell file) for the errors of the pass, which have no row.
Finding FindingOfError(const Diagnostic& d, std::string_view meaning, const QuotedText* text,
                       std::string_view scenario_name);

// The finding of a warning, on the text it is about.
Finding FindingOfWarning(const Warning& w, const QuotedText& text);

// Writes one finding as the text form shows it ("file:line:column: error N: message (at
// P m, cell C)" or "...: warning: message [name]"), then the quoted line and a caret under
// the column. A quoted line longer than 160 characters is cut to the 160 around the
// column, "..." marking each cut.
void WriteFinding(std::ostream& err, const Finding& f);

// The 1-based column just past the field that starts at `column` of line `line` of
// `text` (counted in characters, as the column is): a quoted field ends after its closing
// quote, a number at a blank, any other field at the comma or line end, trailing blanks
// left out. 0 when the line or column is unknown.
int FieldEndColumn(const QuotedText& text, int line, int column);

// Writes one diagnostic. `text` is the source text the error comes from (null for the
// pass and for errors of no particular text); `scenario_name` names the compiled
// scenario (the cell file) for errors that have no row. A quoted line longer than 160
// characters is cut to the 160 around the column, "..." marking each cut.
void WriteDiagnostic(std::ostream& err, const Diagnostic& d, std::string_view meaning,
                     const QuotedText* text, std::string_view scenario_name);

// Writes one warning in the same form, with its name:
//   routes/X_55-.txt:19:1: warning: row not recognised in [vel_limite], ignored: "velocta" [unknown-row]
// then the source line and a caret under the field (no line for a warning about the
// whole text).
void WriteWarning(std::ostream& err, const Warning& w, const QuotedText& text);

// "result: no error; wrote A, B, C", "result: error N at P m; wrote A" or
// "result: error N; wrote nothing"; with warnings, "result: no error, 2 warnings; ...".
std::string SummaryLine(int32_t numero, std::optional<int32_t> posizione,
                        const std::vector<std::string>& written, size_t warnings = 0);

// Follows "wrote nothing" when compiled files of this scenario from an earlier compile
// are still in the output directory, so that they are not taken for this compile's:
// " (routes/X_1.dat, routes/X_1.sim are from an earlier compile)". Empty when none are.
std::string EarlierFilesNote(const std::vector<std::string>& earlier);

// The position the summary shows for the final error: the error state's position when
// the last recorded error set one, nothing otherwise (and nothing when there is no error).
std::optional<int32_t> FinalPosition(const ErrorState& e);

}  // namespace percorso

#endif  // PERCORSO_COMPILER_DIAGNOSTICS_H_
