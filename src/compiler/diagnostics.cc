#include "compiler/diagnostics.h"

#include <ostream>

#include "base/text_encoding.h"

namespace percorso {

std::optional<std::string_view> SourceLine(std::string_view text, int line) {
  if (line < 1) return std::nullopt;
  size_t start = 0;
  for (int n = 1; n < line; ++n) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) return std::nullopt;
    start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  if (start == text.size()) return std::nullopt;  // after the last line end, or empty text
  size_t end = text.find_first_of("\r\n", start);
  if (end == std::string_view::npos) end = text.size();
  return text.substr(start, end - start);
}

std::optional<std::string_view> QuotedLine(const QuotedText& text, int line) {
  const std::string_view s = text.original;
  if (text.line_starts.empty()) {
    text.line_starts.push_back(0);
    for (size_t i = 0; i < s.size(); ++i) {
      if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
      if (s[i] == '\r' || s[i] == '\n') text.line_starts.push_back(i + 1);
    }
  }
  if (line < 1 || static_cast<size_t>(line) > text.line_starts.size()) return std::nullopt;
  const size_t start = text.line_starts[static_cast<size_t>(line) - 1];
  if (start == s.size()) return std::nullopt;  // after the last line end, or empty text
  size_t end = s.find_first_of("\r\n", start);
  if (end == std::string_view::npos) end = s.size();
  return s.substr(start, end - start);
}

std::string DiagnosticMessage(const Diagnostic& d, std::string_view meaning) {
  if (meaning.empty()) meaning = "an error no stage of this build sets";
  if (d.detail.empty() || d.detail == meaning) return std::string(meaning);
  // A meaning that lists its possible causes in parentheses gives way to the detail,
  // which names the one that happened.
  size_t cases = meaning.find(" (");
  if (cases != std::string_view::npos && meaning.back() == ')') meaning = meaning.substr(0, cases);
  return std::string(meaning) + ": " + d.detail;
}

namespace {

// The blanks that bring a caret under character `column` of `line`: a tab where the
// line has a tab, a space for any other character (a UTF-8 sequence is one character).
std::string CaretPrefix(std::string_view line, int column, bool from_utf8) {
  std::string pad;
  int seen = 0;
  for (size_t i = 0; i < line.size() && seen < column - 1; ++i) {
    unsigned char c = static_cast<unsigned char>(line[i]);
    if (from_utf8 && (c & 0xC0) == 0x80) continue;  // continuation byte
    pad += c == '\t' ? '\t' : ' ';
    ++seen;
  }
  return pad;
}

// A long line is quoted only around the column, this many characters at most: a line of
// a hundred megabytes must not turn into a message of a hundred megabytes.
constexpr size_t kQuotedChars = 160;

// The part of `line` to quote and where the caret goes in it.
struct Excerpt {
  std::string_view text;
  bool cut_before = false;  // shown as "..." before the text
  bool cut_after = false;   // shown as "..." after it
  int column = 0;           // the caret's column within `text`
};

Excerpt ExcerptAround(std::string_view line, int column, bool from_utf8) {
  auto starts_char = [&](size_t i) {
    return !from_utf8 || (static_cast<unsigned char>(line[i]) & 0xC0) != 0x80;
  };
  size_t total = 0;
  for (size_t i = 0; i < line.size(); ++i) total += starts_char(i) ? 1 : 0;
  if (total <= kQuotedChars) return Excerpt{line, false, false, column};

  // Characters [first, first + kQuotedChars), the column near the middle when it can be.
  const size_t want = column > 0 ? static_cast<size_t>(column - 1) : 0;
  size_t first = want > kQuotedChars / 2 ? want - kQuotedChars / 2 : 0;
  if (first > total - kQuotedChars) first = total - kQuotedChars;
  size_t begin = 0, end = line.size(), chars = 0;
  for (size_t i = 0; i < line.size(); ++i) {
    if (!starts_char(i)) continue;
    if (chars == first) begin = i;
    if (chars == first + kQuotedChars) {
      end = i;
      break;
    }
    ++chars;
  }
  Excerpt e;
  e.text = line.substr(begin, end - begin);
  e.cut_before = first > 0;
  e.cut_after = first + kQuotedChars < total;
  e.column = column > 0 ? column - static_cast<int>(first) : 0;
  return e;
}

// A quoted source line and a caret under `column` (none when it is 0).
void WriteQuotedLine(std::ostream& err, std::string_view line, bool from_utf8, int column) {
  const Excerpt e = ExcerptAround(line, column, from_utf8);
  err << (e.cut_before ? "..." : "") << LineForTerminal(e.text, from_utf8)
      << (e.cut_after ? "..." : "") << '\n';
  if (column > 0) {
    err << (e.cut_before ? "   " : "") << CaretPrefix(e.text, e.column, from_utf8) << "^\n";
  }
}

}  // namespace

std::string Finding::MessageUtf8() const { return Cp1252ToUtf8(message); }

std::string Finding::PlaceSuffix() const {
  if (!posizione && !cell) return "";
  std::string s = " (";
  if (posizione) s += "at " + std::to_string(*posizione) + " m";
  if (posizione && cell) s += ", ";
  if (cell) s += "cell " + std::to_string(*cell);
  return s + ")";
}

namespace {

void Quote(Finding& f, const QuotedText& text) {
  f.file = text.name;
  f.end_column = FieldEndColumn(text, f.line, f.column);
  f.quoted_line = QuotedLine(text, f.line);
  f.quoted_from_utf8 = text.from_utf8;
}

bool OnText(const Finding& f) {
  return f.about == FindingFile::kLinea || f.about == FindingFile::kTreno;
}

}  // namespace

Finding FindingOfError(const Diagnostic& d, std::string_view meaning, const QuotedText* text,
                       std::string_view scenario_name) {
  Finding f;
  f.severity = FindingSeverity::kError;
  f.numero = d.numero;
  f.code = std::to_string(d.numero);
  f.meaning = std::string(meaning);
  f.message = DiagnosticMessage(d, meaning);
  f.line = d.line;
  f.column = d.column;
  if (d.has_posizione) f.posizione = d.posizione;
  if (d.cell >= 0) f.cell = d.cell;
  if (text != nullptr) {
    f.about = d.origin == ErrorOrigin::kLineText ? FindingFile::kLinea : FindingFile::kTreno;
    Quote(f, *text);
  } else if (d.origin == ErrorOrigin::kPass) {
    f.about = FindingFile::kScenario;
    f.file = std::string(scenario_name);
  }
  return f;
}

Finding FindingOfWarning(const Warning& w, const QuotedText& text) {
  Finding f;
  f.severity = FindingSeverity::kWarning;
  f.name = std::string(WarningName(w.kind));
  f.code = f.name;
  f.message = w.message;
  f.meaning = w.message;
  f.line = w.line;
  f.column = w.column;
  f.about = w.text == WarningText::kLine ? FindingFile::kLinea : FindingFile::kTreno;
  Quote(f, text);
  return f;
}

void WriteFinding(std::ostream& err, const Finding& f) {
  if (OnText(f)) {
    err << f.file;
    if (f.line > 0) {
      err << ':' << f.line;
      if (f.column > 0) err << ':' << f.column;
    }
  } else if (!f.file.empty()) {
    err << f.file;
  } else {
    err << "percorso";
  }
  if (f.severity == FindingSeverity::kWarning) {
    err << ": warning: " << f.message << " [" << f.name << "]\n";
  } else {
    err << ": error " << f.code << ": " << f.message << f.PlaceSuffix() << '\n';
  }
  if (OnText(f) && f.quoted_line)
    WriteQuotedLine(err, *f.quoted_line, f.quoted_from_utf8, f.column);
}

void WriteDiagnostic(std::ostream& err, const Diagnostic& d, std::string_view meaning,
                     const QuotedText* text, std::string_view scenario_name) {
  WriteFinding(err, FindingOfError(d, meaning, text, scenario_name));
}

void WriteWarning(std::ostream& err, const Warning& w, const QuotedText& text) {
  WriteFinding(err, FindingOfWarning(w, text));
}

int FieldEndColumn(const QuotedText& text, int line, int column) {
  if (line < 1 || column < 1) return 0;
  std::optional<std::string_view> l = QuotedLine(text, line);
  if (!l) return 0;
  const std::string_view s = *l;
  auto starts_char = [&](size_t i) {
    return !text.from_utf8 || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80;
  };
  // The byte where character `column` starts.
  size_t i = 0;
  for (int seen = 0; i < s.size(); ++i) {
    if (!starts_char(i)) continue;
    if (++seen == column) break;
  }
  if (i >= s.size()) return 0;
  size_t end = i;
  if (s[i] == '"') {
    const size_t close = s.find('"', i + 1);
    end = close == std::string_view::npos ? s.size() : close + 1;
  } else {
    const bool number = s[i] == '+' || s[i] == '-' || (s[i] >= '0' && s[i] <= '9');
    while (end < s.size() && s[end] != ',' && !(number && (s[end] == ' ' || s[end] == '\t')))
      ++end;
    while (end > i + 1 && (s[end - 1] == ' ' || s[end - 1] == '\t')) --end;
  }
  int chars = column;
  for (size_t k = i; k < end; ++k)
    if (starts_char(k)) ++chars;
  return chars;
}

std::string SummaryLine(int32_t numero, std::optional<int32_t> posizione,
                        const std::vector<std::string>& written, size_t warnings) {
  std::string s = "result: ";
  if (numero == 0) {
    s += "no error";
  } else {
    s += "error " + std::to_string(numero);
    if (posizione) s += " at " + std::to_string(*posizione) + " m";
  }
  if (warnings > 0) s += ", " + std::to_string(warnings) + (warnings == 1 ? " warning" : " warnings");
  s += "; wrote ";
  if (written.empty()) return s + "nothing";
  for (size_t i = 0; i < written.size(); ++i) {
    if (i > 0) s += ", ";
    s += written[i];
  }
  return s;
}

std::string EarlierFilesNote(const std::vector<std::string>& earlier) {
  if (earlier.empty()) return "";
  std::string s = " (";
  for (size_t i = 0; i < earlier.size(); ++i) {
    if (i > 0) s += ", ";
    s += earlier[i];
  }
  return s + (earlier.size() == 1 ? " is" : " are") + " from an earlier compile)";
}

std::optional<int32_t> FinalPosition(const ErrorState& e) {
  if (e.numero == 0) return std::nullopt;
  if (e.log.empty()) return e.posizione != 0 ? std::optional<int32_t>(e.posizione) : std::nullopt;
  if (!e.log.back().has_posizione) return std::nullopt;
  return e.posizione;
}

}  // namespace percorso
