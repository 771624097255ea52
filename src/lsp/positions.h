// Places in a document's text. The server holds every document as UTF-8, the way the
// client sends it; the client counts characters within a line in UTF-16 code units
// (the protocol's default) or in UTF-8 bytes when both sides agree on it, and the
// compiler counts them in Windows-1252 bytes, one a character.
#ifndef PERCORSO_LSP_POSITIONS_H_
#define PERCORSO_LSP_POSITIONS_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace percorso::lsp {

enum class PositionEncoding {
  kUtf16,
  kUtf8,
};

// "utf-16" or "utf-8", as the protocol names them.
std::string_view EncodingName(PositionEncoding e);

struct Position {
  size_t line = 0;       // 0-based
  size_t character = 0;  // 0-based, in the negotiated encoding
  bool operator==(const Position&) const = default;
};

struct Range {
  Position start;
  Position end;
  bool operator==(const Range&) const = default;
};

// The counts of one line, from a byte offset within it (clamped to the line; a byte
// inside a UTF-8 sequence counts as the start of its character).
size_t CharacterAt(std::string_view line, size_t byte, PositionEncoding e);
// The byte offset of a client's character count within a line; counts past the end of
// the line give the end of the line, counts inside a character give its start.
size_t ByteAt(std::string_view line, size_t character, PositionEncoding e);
// The byte offset of the 0-based `index`th character (code point) of a line, clamped.
size_t ByteOfCodePoint(std::string_view line, size_t index);

// Where each line of a text starts. Lines end at CR LF, LF alone or CR alone.
class LineIndex {
 public:
  explicit LineIndex(std::string_view text);
  size_t count() const { return starts_.size(); }
  // Line `n` without its line end; empty past the last line.
  std::string_view Line(size_t n) const;
  // The byte offset of a client position in the text, clamped to the text.
  size_t OffsetOf(Position p, PositionEncoding e) const;

 private:
  std::string_view text_;
  std::vector<size_t> starts_;
  std::vector<size_t> ends_;  // where each line's text ends, before its line end
};

}  // namespace percorso::lsp

#endif  // PERCORSO_LSP_POSITIONS_H_
