#include "lsp/text_rows.h"

#include <algorithm>

#include "compiler/keywords.h"
#include "lsp/positions.h"

namespace percorso::lsp {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

size_t SkipBlanks(std::string_view s, size_t i) {
  while (i < s.size() && IsBlank(s[i])) ++i;
  return i;
}

// Trailing blanks of [begin, end) left out.
size_t TrimEnd(std::string_view s, size_t begin, size_t end) {
  while (end > begin && IsBlank(s[end - 1])) --end;
  return end;
}

// Reads the fields `schema` asks for from `line`, starting at byte `i`, as far as the
// line goes.
std::vector<Span> ReadFields(const RowSchema& schema, std::string_view line, size_t i) {
  std::vector<Span> out;
  for (const FieldSchema& f : schema.fields) {
    if (i > line.size()) break;
    i = SkipBlanks(line, i);
    Span s{i, i};
    if (f.kind == FieldKind::kNumber) {
      while (i < line.size() && line[i] != ',' && !IsBlank(line[i])) ++i;
      s.end = i;
      i = SkipBlanks(line, i);
    } else if (i < line.size() && line[i] == '"') {
      const size_t close = line.find('"', i + 1);
      i = close == std::string_view::npos ? line.size() : close + 1;
      s.end = i;
      while (i < line.size() && line[i] != ',') ++i;
    } else {
      while (i < line.size() && line[i] != ',') ++i;
      s.end = TrimEnd(line, s.begin, i);
    }
    out.push_back(s);
    if (i < line.size() && line[i] == ',') {
      ++i;
    } else if (i >= line.size()) {
      i = line.size() + 1;  // the line has ended: no further field on it
    }
  }
  return out;
}

}  // namespace

Span FieldFrom(std::string_view line, size_t begin) {
  begin = std::min(begin, line.size());
  size_t end = line.find(',', begin);
  if (end == std::string_view::npos) end = line.size();
  return Span{begin, TrimEnd(line, begin, end)};
}

ScannedText ScanText(TextKind kind, std::string_view text) {
  ScannedText out;
  const LineIndex lines(text);
  Section section = Section::kPreamble;
  for (size_t n = 0; n < lines.count(); ++n) {
    const std::string_view line = lines.Line(n);
    const size_t begin = SkipBlanks(line, 0);
    if (begin == line.size()) continue;
    TextRow row;
    row.line = n;
    const Span field = FieldFrom(line, begin);
    row.token = field;
    const std::string_view token = line.substr(field.begin, field.end - field.begin);
    if (section == Section::kPreamble) {
      row.section = section;
      if (Folded(token).Has(kGeneraleHeader)) {
        row.header = true;
        section = kind == TextKind::kLinea ? Section::kGeneral : Section::kBody;
        row.section = section;
      }
      out.rows.push_back(row);
      continue;
    }
    row.section = section;
    // Comments and headers as the loader tells them (compiler/keywords.h).
    if (IsComment(token)) {
      row.comment = true;
    } else if (IsSectionHeader(token)) {
      row.header = true;
      if (section == Section::kGeneral) section = Section::kBody;
      row.section = section;
    } else if ((row.schema = MatchRow(kind, section, token)) != nullptr) {
      size_t after = field.end;
      while (after < line.size() && line[after] != ',') ++after;
      row.fields = ReadFields(*row.schema, line, after < line.size() ? after + 1 : line.size() + 1);
    }
    out.rows.push_back(row);
  }
  return out;
}

const TextRow* RowOnLine(const ScannedText& t, size_t line) {
  auto it = std::lower_bound(t.rows.begin(), t.rows.end(), line,
                             [](const TextRow& r, size_t l) { return r.line < l; });
  return it != t.rows.end() && it->line == line ? &*it : nullptr;
}

Section SectionAt(TextKind kind, const ScannedText& t, size_t line) {
  auto it = std::lower_bound(t.rows.begin(), t.rows.end(), line,
                             [](const TextRow& r, size_t l) { return r.line < l; });
  if (it == t.rows.begin()) return Section::kPreamble;
  const TextRow& before = *std::prev(it);
  (void)kind;
  return before.section;
}

}  // namespace percorso::lsp
