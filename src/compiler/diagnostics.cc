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

// The source line `line` of `text` and a caret under `column` (none when it is 0).
void WriteQuotedLine(std::ostream& err, const QuotedText& text, int line_no, int column) {
  std::optional<std::string_view> line = QuotedLine(text, line_no);
  if (!line) return;
  const Excerpt e = ExcerptAround(*line, column, text.from_utf8);
  err << (e.cut_before ? "..." : "") << LineForTerminal(e.text, text.from_utf8)
      << (e.cut_after ? "..." : "") << '\n';
  if (column > 0) {
    err << (e.cut_before ? "   " : "") << CaretPrefix(e.text, e.column, text.from_utf8) << "^\n";
  }
}

}  // namespace

void WriteDiagnostic(std::ostream& err, const Diagnostic& d, std::string_view meaning,
                     const QuotedText* text, std::string_view scenario_name) {
  if (text != nullptr) {
    err << text->name;
    if (d.line > 0) {
      err << ':' << d.line;
      if (d.column > 0) err << ':' << d.column;
    }
  } else if (d.origin == ErrorOrigin::kPass) {
    err << scenario_name;
  } else {
    err << "percorso";
  }
  err << ": error " << d.numero << ": " << DiagnosticMessage(d, meaning);
  if (d.has_posizione || d.cell >= 0) {
    err << " (";
    if (d.has_posizione) err << "at " << d.posizione << " m";
    if (d.has_posizione && d.cell >= 0) err << ", ";
    if (d.cell >= 0) err << "cell " << d.cell;
    err << ')';
  }
  err << '\n';
  if (text != nullptr) WriteQuotedLine(err, *text, d.line, d.column);
}

void WriteWarning(std::ostream& err, const Warning& w, const QuotedText& text) {
  err << text.name;
  if (w.line > 0) {
    err << ':' << w.line;
    if (w.column > 0) err << ':' << w.column;
  }
  err << ": warning: " << w.message << " [" << WarningName(w.kind) << "]\n";
  WriteQuotedLine(err, text, w.line, w.column);
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
