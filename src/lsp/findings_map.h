// Puts the compiler's findings on the texts of a pair as the editor shows them: a
// finding with a row gets the range of its field; a finding of the protection pass,
// which has no row, goes on the row of the signal or slowdown that placed its cell;
// a finding of no particular text goes on the first line of the line description.
#ifndef PERCORSO_LSP_FINDINGS_MAP_H_
#define PERCORSO_LSP_FINDINGS_MAP_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lsp/compile_pair.h"
#include "lsp/positions.h"
#include "lsp/text_rows.h"

namespace percorso::lsp {

struct PlacedFinding {
  Range range;
  Severity severity = Severity::kError;
  std::string code;
  std::string message;  // UTF-8, as `compile --format json` gives it
  std::string meaning;  // UTF-8
  std::optional<int32_t> posizione;  // metres, when known
  std::optional<int32_t> cell;
};

// A text of a pair as the editor holds it.
struct ViewedText {
  std::string_view utf8;      // the text in UTF-8
  const ScannedText* rows;    // its rows
};

// The findings of `outcome` that belong to the text of kind `kind`.
std::vector<PlacedFinding> PlaceFindings(const PairOutcome& outcome, TextKind kind,
                                         const ViewedText& text, PositionEncoding e);

// A text as read from disk, in UTF-8 for the editor: a UTF-8 text as it is (byte-order
// mark removed), a Windows-1252 text converted; line ends become LF. Every character
// stays one character.
std::string DiskTextAsUtf8(std::string_view raw);

// The value of a numeric field as the compiler reads it: 0 for an empty field or one
// that is not a number; nothing (with the reason in `why`) when it does not fit `width`.
std::optional<int32_t> ReadNumberField(std::string_view field, NumberWidth width,
                                       std::string* why);

// The cell an item at `p` goes into, per the rule of its position field.
int64_t CellOf(int64_t p, CellRule rule);

}  // namespace percorso::lsp

#endif  // PERCORSO_LSP_FINDINGS_MAP_H_
