#include "lsp/findings_map.h"

#include <algorithm>

#include "base/rounding.h"
#include "base/text_encoding.h"
#include "compiler/field_reader.h"
#include "model/items.h"

namespace percorso::lsp {

using percorso::Finding;

namespace {

Range RangeOfSpan(std::string_view line, size_t n, Span s, PositionEncoding e) {
  return Range{{n, CharacterAt(line, s.begin, e)}, {n, CharacterAt(line, s.end, e)}};
}

// The number in field `i` of a row, or nothing.
std::optional<int64_t> FieldValue(std::string_view line, const TextRow& row, size_t i) {
  if (row.schema == nullptr || i >= row.fields.size() || i >= row.schema->fields.size())
    return std::nullopt;
  const Span s = row.fields[i];
  std::string why;
  return ReadNumberField(line.substr(s.begin, s.end - s.begin), row.schema->fields[i].width, &why);
}

// The signal or slowdown row whose cells hold `cell`: a signal on it, else a slowdown
// from its start to its end cell, else the last slowdown starting before it.
const TextRow* RowOfCell(const ViewedText& t, const LineIndex& lines, int32_t cell) {
  const TextRow* slowdown = nullptr;
  const TextRow* before = nullptr;
  for (const TextRow& r : t.rows->rows) {
    if (r.schema == nullptr) continue;
    const std::string_view line = lines.Line(r.line);
    if (r.schema->role == RowRole::kSignal) {
      std::optional<int64_t> p = FieldValue(line, r, 0);
      if (p && CellOf(*p, CellRule::kItem) == cell) return &r;
    } else if (r.schema->role == RowRole::kSlowdown) {
      std::optional<int64_t> x = FieldValue(line, r, 0), l = FieldValue(line, r, 2);
      if (!x) continue;
      const int64_t start = CellOf(*x, CellRule::kItem);
      const int64_t end = CellOf(*x + (l ? *l : 0), CellRule::kItem);
      if (start <= cell && cell <= end && slowdown == nullptr) slowdown = &r;
      if (start <= cell) before = &r;
    }
  }
  return slowdown != nullptr ? slowdown : before;
}

Range FirstLine(const LineIndex& lines, PositionEncoding e) {
  const std::string_view l = lines.Line(0);
  return Range{{0, 0}, {0, CharacterAt(l, l.size(), e)}};
}

}  // namespace

std::optional<int32_t> ReadNumberField(std::string_view field, NumberWidth width,
                                       std::string* why) {
  // The reader stops a number at a blank and reads one field: exactly what the loader
  // does with this field of the row.
  if (field.empty()) return 0;  // an empty field reads 0
  FieldReader reader(field);
  NumberField n;
  if (std::optional<ReadFailure> f = reader.ReadNumber(width, &n)) {
    *why = f->Message();
    return std::nullopt;
  }
  return n.value;
}

int64_t CellOf(int64_t p, CellRule rule) {
  return rule == CellRule::kItem ? ItemCellOf(p) : CellAt(p);
}

std::vector<PlacedFinding> PlaceFindings(const PairOutcome& outcome, TextKind kind,
                                         const ViewedText& text, PositionEncoding e) {
  // The pass has no row: its findings go on the train text, whose signals and slowdowns
  // placed the cells; a finding of no particular file goes on the line description.
  auto mine = [kind](const Finding& f) {
    return (f.about == FindingFile::kLinea && kind == TextKind::kLinea) ||
           (f.about == FindingFile::kTreno && kind == TextKind::kTreno) ||
           (f.about == FindingFile::kScenario && kind == TextKind::kTreno) ||
           (f.about == FindingFile::kNone && kind == TextKind::kLinea);
  };
  std::vector<PlacedFinding> out;
  // A clean text (the usual case while typing) needs no index of its lines.
  if (std::none_of(outcome.findings.begin(), outcome.findings.end(), mine)) return out;
  const LineIndex lines(text.utf8);
  for (const Finding& f : outcome.findings) {
    if (!mine(f)) continue;
    PlacedFinding p;
    p.severity = f.severity == FindingSeverity::kWarning ? Severity::kWarning : Severity::kError;
    p.code = f.code;
    p.message = f.MessageUtf8();
    p.meaning = Cp1252ToUtf8(f.meaning);
    p.posizione = f.posizione;
    p.cell = f.cell;
    p.range = FirstLine(lines, e);
    if (f.line > 0 && static_cast<size_t>(f.line) <= lines.count()) {
      const size_t n = static_cast<size_t>(f.line - 1);
      const std::string_view line = lines.Line(n);
      Span s;
      if (f.column > 0) {
        s = FieldFrom(line, ByteOfCodePoint(line, static_cast<size_t>(f.column - 1)));
        if (f.end_column > f.column)
          s.end = ByteOfCodePoint(line, static_cast<size_t>(f.end_column - 1));
      } else {
        s = Span{0, line.size()};
      }
      p.range = RangeOfSpan(line, n, s, e);
    } else if (f.about == FindingFile::kScenario && f.cell) {
      if (const TextRow* r = RowOfCell(text, lines, *f.cell)) {
        const std::string_view line = lines.Line(r->line);
        const Span s = r->fields.empty() ? r->token : r->fields[0];
        p.range = RangeOfSpan(line, r->line, s, e);
      }
    }
    out.push_back(std::move(p));
  }
  return out;
}

std::string DiskTextAsUtf8(std::string_view raw) {
  const DecodedText decoded = ToWindows1252(raw);
  const bool utf8 = decoded.from_utf8;
  const std::string_view body = utf8 ? StripUtf8Bom(raw) : raw;
  const LineIndex lines(body);
  std::string out;
  out.reserve(body.size());
  for (size_t n = 0; n < lines.count(); ++n) {
    if (n > 0) out += '\n';
    out += LineForTerminal(lines.Line(n), utf8);
  }
  return out;
}

}  // namespace percorso::lsp
