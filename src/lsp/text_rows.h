// A route text cut into rows the way an editor shows them: one row a line, its keyword
// token, the section it stands in and the byte span of each field the keyword reads.
// The compiler reads a text as one stream of fields; every row it reads fits one line
// in practice, and a row cut short here simply has fewer fields.
#ifndef PERCORSO_LSP_TEXT_ROWS_H_
#define PERCORSO_LSP_TEXT_ROWS_H_

#include <cstddef>
#include <string_view>
#include <vector>

#include "compiler/row_schema.h"

namespace percorso::lsp {

struct Span {
  size_t begin = 0;  // byte offsets within the line
  size_t end = 0;
};

struct TextRow {
  size_t line = 0;  // 0-based
  Section section = Section::kPreamble;
  bool header = false;   // a section header such as [stazioni]
  bool comment = false;  // a token holding '-'
  Span token;            // the keyword token, trailing blanks removed
  const RowSchema* schema = nullptr;  // the row the token is read as, if any
  std::vector<Span> fields;       // the fields after the token the schema reads, as present
};

struct ScannedText {
  std::vector<TextRow> rows;  // lines that hold anything, in order
};

// Scans a text (UTF-8 or Windows-1252: only ASCII bytes decide) as `kind`.
ScannedText ScanText(TextKind kind, std::string_view text);

// The row on `line`, or nullptr.
const TextRow* RowOnLine(const ScannedText& t, size_t line);

// The section in force at the start of `line` (for a line with no row, the section of
// the row before it).
Section SectionAt(TextKind kind, const ScannedText& t, size_t line);

// The span of the field of a line that starts at byte `begin`: to the next comma or the
// end of the line (trailing blanks kept out).
Span FieldFrom(std::string_view line, size_t begin);

}  // namespace percorso::lsp

#endif  // PERCORSO_LSP_TEXT_ROWS_H_
