#include "lsp/positions.h"

namespace percorso::lsp {

namespace {

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Bytes of the UTF-8 sequence a lead byte starts (1 for a stray byte).
size_t SequenceLength(unsigned char c) {
  if (c >= 0xF0 && c <= 0xF4) return 4;
  if (c >= 0xE0) return c <= 0xEF ? 3 : 1;
  if (c >= 0xC2) return 2;
  return 1;
}

// The units one character takes in the client's count.
size_t Units(size_t sequence, PositionEncoding e) {
  if (e == PositionEncoding::kUtf8) return sequence;
  return sequence == 4 ? 2 : 1;  // beyond the basic plane: a surrogate pair
}

// The length of the character at `i`, never running past the line or over a byte that
// cannot continue it (a malformed sequence counts byte by byte).
size_t CharLength(std::string_view line, size_t i) {
  const size_t want = SequenceLength(static_cast<unsigned char>(line[i]));
  size_t n = 1;
  while (n < want && i + n < line.size() && IsContinuation(static_cast<unsigned char>(line[i + n])))
    ++n;
  return n == want ? n : 1;
}

}  // namespace

std::string_view EncodingName(PositionEncoding e) {
  return e == PositionEncoding::kUtf8 ? "utf-8" : "utf-16";
}

size_t CharacterAt(std::string_view line, size_t byte, PositionEncoding e) {
  if (byte > line.size()) byte = line.size();
  size_t units = 0;
  for (size_t i = 0; i < byte;) {
    const size_t n = CharLength(line, i);
    if (i + n > byte) break;  // inside this character: count its start
    units += Units(n, e);
    i += n;
  }
  return units;
}

size_t ByteAt(std::string_view line, size_t character, PositionEncoding e) {
  size_t units = 0, i = 0;
  while (i < line.size()) {
    const size_t n = CharLength(line, i);
    const size_t u = Units(n, e);
    if (units + u > character) break;
    units += u;
    i += n;
  }
  return i;
}

size_t ByteOfCodePoint(std::string_view line, size_t index) {
  size_t i = 0;
  for (size_t k = 0; k < index && i < line.size(); ++k) i += CharLength(line, i);
  return i;
}

LineIndex::LineIndex(std::string_view text) : text_(text) {
  size_t start = 0;
  for (;;) {
    const size_t end = text.find_first_of("\r\n", start);
    starts_.push_back(start);
    if (end == std::string_view::npos) {
      ends_.push_back(text.size());
      break;
    }
    ends_.push_back(end);
    start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
}

std::string_view LineIndex::Line(size_t n) const {
  if (n >= starts_.size()) return {};
  return text_.substr(starts_[n], ends_[n] - starts_[n]);
}

size_t LineIndex::OffsetOf(Position p, PositionEncoding e) const {
  if (p.line >= starts_.size()) return text_.size();
  return starts_[p.line] + ByteAt(Line(p.line), p.character, e);
}

}  // namespace percorso::lsp
