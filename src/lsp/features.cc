#include "lsp/features.h"

#include <cstdlib>
#include <string>

#include "model/items.h"

namespace percorso::lsp {

namespace {

using nlohmann::json;

// The protocol's symbol kinds used for the outline.
constexpr int kSymbolNamespace = 3;
constexpr int kSymbolProperty = 7;
constexpr int kSymbolField = 8;
constexpr int kSymbolConstant = 14;
constexpr int kSymbolString = 15;
constexpr int kSymbolObject = 19;
constexpr int kSymbolEvent = 24;

constexpr int kCompletionKeyword = 14;
constexpr int kInsertPlain = 1;
constexpr int kInsertSnippet = 2;

json ToJson(Position p) { return json{{"line", p.line}, {"character", p.character}}; }
json ToJson(Range r) { return json{{"start", ToJson(r.start)}, {"end", ToJson(r.end)}}; }

bool Before(Position a, Position b) {
  return a.line < b.line || (a.line == b.line && a.character < b.character);
}
bool Covers(Range r, Position p) { return !Before(p, r.start) && !Before(r.end, p); }

std::string_view WidthText(NumberWidth w) {
  switch (w) {
    case NumberWidth::kInt16: return "int16 (-32768 to 32767)";
    case NumberWidth::kByte: return "byte (0 to 255)";
    case NumberWidth::kInt32: break;
  }
  return "int32 (-2147483648 to 2147483647)";
}

std::string FieldList(const RowSchema& schema) {
  std::string s;
  for (const FieldSchema& f : schema.fields) {
    if (!s.empty()) s += ", ";
    s += f.name;
  }
  return s;
}

std::string KeywordHover(const RowSchema& schema) {
  std::string s = "**" + std::string(schema.keyword) + "**: " + std::string(schema.meaning) + ".\n\n";
  s += "Fields: " + FieldList(schema) + ".";
  return s;
}

std::string FieldHover(const DocumentView& doc, const RowSchema& schema, size_t i,
                       std::string_view value) {
  const FieldSchema& f = schema.fields[i];
  std::string s = "**" + std::string(schema.keyword) + "**, field " + std::to_string(i + 1) +
                  " of " + std::to_string(schema.fields.size()) + ": `" + std::string(f.name) +
                  "`\n\n";
  if (f.kind == FieldKind::kText) {
    s += "text";
  } else {
    s += WidthText(f.width);
  }
  if (!f.unit.empty()) s += ", " + std::string(f.unit);
  s += "\n\n" + std::string(f.meaning) + "\n\n";
  if (f.kind == FieldKind::kText) {
    s += "Read as: `" + std::string(value) + "`";
  } else {
    std::string why;
    std::optional<int32_t> n = ReadNumberField(value, f.width, &why);
    if (!n) {
      s += "Read as: does not fit: " + why;
    } else {
      s += "Read as: " + std::to_string(*n);
      if (!f.unit.empty()) s += " " + std::string(f.unit);
      if (f.cell != CellRule::kNone) {
        s += ", cell " + std::to_string(CellOf(*n, f.cell)) + ", km " + Kilometres(*n);
      }
    }
    if (f.cell != CellRule::kNone && doc.last_cell >= 0) {
      const int64_t limit = kCellMetres * int64_t{doc.last_cell} -
                            (f.station_position ? kStationEndMarginMetres : kItemEndMarginMetres);
      s += "\n\nRange: 0 to " + std::to_string(limit) + " m (the grid's last cell is " +
           std::to_string(doc.last_cell) + "; error 15 beyond)";
    }
  }
  s += "\n\nRow: " + std::string(schema.meaning) + ".";
  return s;
}

// The field of `row` under byte `b`: the last one that starts at or before it.
std::optional<size_t> FieldAt(const TextRow& row, size_t b) {
  std::optional<size_t> at;
  for (size_t i = 0; i < row.fields.size(); ++i)
    if (row.fields[i].begin <= b) at = i;
  return at;
}

std::string Trimmed(std::string_view s) {
  const size_t a = s.find_first_not_of(" \t");
  if (a == std::string_view::npos) return "";
  const size_t b = s.find_last_not_of(" \t");
  return std::string(s.substr(a, b - a + 1));
}

int SymbolKindOf(RowRole role) {
  switch (role) {
    case RowRole::kStation: return kSymbolObject;
    case RowRole::kSignal: return kSymbolEvent;
    case RowRole::kSlowdown: return kSymbolConstant;
    case RowRole::kSpeedBoards: return kSymbolField;
    case RowRole::kCurve: return kSymbolProperty;
    case RowRole::kIndicatorBoard: return kSymbolString;
    case RowRole::kPlain: break;
  }
  return 0;
}

}  // namespace

std::string Kilometres(int64_t metres) {
  const bool negative = metres < 0;
  const int64_t m = negative ? -metres : metres;
  std::string frac = std::to_string(m % 1000);
  frac.insert(0, 3 - frac.size(), '0');
  return (negative ? "-" : "") + std::to_string(m / 1000) + "." + frac;
}

json Hover(const DocumentView& doc, Position at, PositionEncoding e) {
  const LineIndex lines(doc.text);
  const std::string_view line = lines.Line(at.line);
  const size_t b = ByteAt(line, at.character, e);
  std::string text;
  std::optional<Range> range;
  if (const TextRow* row = RowOnLine(*doc.rows, at.line)) {
    auto span_range = [&](Span s) {
      return Range{{at.line, CharacterAt(line, s.begin, e)}, {at.line, CharacterAt(line, s.end, e)}};
    };
    const std::optional<size_t> field = FieldAt(*row, b);
    if (row->header) {
      text = "Section header `" + Trimmed(line) + "`";
      if (row->section == Section::kGeneral) text += ": the general section of the line description starts here";
      range = span_range(row->token);
    } else if (row->comment) {
      text = "Comment: a field holding `-` is skipped";
      range = span_range(row->token);
    } else if (row->schema != nullptr && field && b > row->token.end) {
      const Span s = row->fields[*field];
      text = FieldHover(doc, *row->schema, *field, line.substr(s.begin, s.end - s.begin));
      range = span_range(s);
    } else if (row->schema != nullptr) {
      text = KeywordHover(*row->schema);
      range = span_range(row->token);
    } else if (row->section == Section::kPreamble) {
      text = "Before `[generale]`: skipped";
    } else {
      text = "No keyword of this section matches `" + Trimmed(line.substr(row->token.begin, row->token.end - row->token.begin)) +
             "`: the field is dropped";
    }
  }
  for (const PlacedFinding& f : *doc.findings) {
    if (!Covers(f.range, at)) continue;
    if (!text.empty()) text += "\n\n---\n\n";
    text += (f.severity == Severity::kWarning ? "**warning " : "**error ") + f.code + "**: " +
            f.message;
    if (f.posizione || f.cell) {
      text += " (";
      if (f.posizione) text += "at " + std::to_string(*f.posizione) + " m";
      if (f.posizione && f.cell) text += ", ";
      if (f.cell) text += "cell " + std::to_string(*f.cell);
      text += ")";
    }
    if (!f.meaning.empty() && f.message.rfind(f.meaning, 0) != 0) text += "\n\n" + f.meaning;
  }
  if (text.empty()) return nullptr;
  json h{{"contents", {{"kind", "markdown"}, {"value", text}}}};
  if (range) h["range"] = ToJson(*range);
  return h;
}

json DocumentSymbols(const DocumentView& doc, PositionEncoding e) {
  const LineIndex lines(doc.text);
  json out = json::array();
  json* section = nullptr;
  auto line_range = [&](size_t n) {
    const std::string_view l = lines.Line(n);
    return Range{{n, 0}, {n, CharacterAt(l, l.size(), e)}};
  };
  for (const TextRow& row : doc.rows->rows) {
    const std::string_view line = lines.Line(row.line);
    if (row.header) {
      std::string name = Trimmed(line.substr(row.token.begin, row.token.end - row.token.begin));
      out.push_back(json{{"name", name}, {"kind", kSymbolNamespace},
                         {"range", ToJson(line_range(row.line))},
                         {"selectionRange", ToJson(line_range(row.line))},
                         {"children", json::array()}});
      section = &out.back();
      continue;
    }
    if (row.schema == nullptr || row.schema->role == RowRole::kPlain) continue;
    std::optional<int32_t> p;
    if (!row.fields.empty() && row.schema->fields[0].kind == FieldKind::kNumber) {
      std::string why;
      const Span s = row.fields[0];
      p = ReadNumberField(line.substr(s.begin, s.end - s.begin), row.schema->fields[0].width, &why);
    }
    std::string name;
    std::string detail = std::string(RoleName(row.schema->role));
    if (p) detail += ", km " + Kilometres(*p);
    if (row.schema->role == RowRole::kStation) {
      name = row.fields.size() == row.schema->fields.size()
                 ? Trimmed(line.substr(row.fields.back().begin, row.fields.back().end - row.fields.back().begin))
                 : "";
      if (name.empty() || name == "_") name = "_ (timing point)";
      if (p) name += " (km " + Kilometres(*p) + ")";
    } else {
      name = std::string(RoleName(row.schema->role));
      if (p) name += " at " + std::to_string(*p) + " m";
    }
    json sym{{"name", name}, {"detail", detail}, {"kind", SymbolKindOf(row.schema->role)},
             {"range", ToJson(line_range(row.line))},
             {"selectionRange", ToJson(line_range(row.line))}};
    if (section != nullptr) {
      (*section)["children"].push_back(std::move(sym));
      // The section reaches to its last row.
      (*section)["range"]["end"] = ToJson(line_range(row.line).end);
    } else {
      out.push_back(std::move(sym));
      section = nullptr;
    }
  }
  return out;
}

json Completion(const DocumentView& doc, Position at, bool snippets) {
  json items = json::array();
  const Section section = SectionAt(doc.kind, *doc.rows, at.line);
  if (section == Section::kPreamble) {
    items.push_back(json{{"label", "[generale]"}, {"kind", kCompletionKeyword},
                         {"detail", "the general section starts here"},
                         {"insertText", "[generale]"}, {"insertTextFormat", kInsertPlain}});
    return items;
  }
  for (const RowSchema& r : RowSchemas()) {
    if (r.text != doc.kind || r.section != section) continue;
    std::string insert(r.keyword);
    if (snippets) {
      for (size_t i = 0; i < r.fields.size(); ++i)
        insert += ", ${" + std::to_string(i + 1) + ":" + std::string(r.fields[i].name) + "}";
    } else {
      insert += ", ";
    }
    items.push_back(json{{"label", std::string(r.keyword)}, {"kind", kCompletionKeyword},
                         {"detail", FieldList(r)},
                         {"documentation", std::string(r.meaning)},
                         {"insertText", insert},
                         {"insertTextFormat", snippets ? kInsertSnippet : kInsertPlain}});
  }
  return items;
}

}  // namespace percorso::lsp
