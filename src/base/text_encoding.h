// The encodings of the authors' texts. The loader reads Windows-1252; authors' editors
// often write UTF-8. A text is taken as UTF-8 when it begins with the UTF-8 byte-order
// mark, or when it is valid UTF-8 and holds at least one multi-byte sequence (a plain
// ASCII text reads the same either way). Such a text is converted to Windows-1252 with
// the C library's iconv before loading; any other text is loaded as it stands.
#ifndef PERCORSO_BASE_TEXT_ENCODING_H_
#define PERCORSO_BASE_TEXT_ENCODING_H_

#include <optional>
#include <string>
#include <string_view>

namespace percorso {

// Where and why a UTF-8 text cannot become Windows-1252.
struct EncodingFault {
  int line = 0;    // 1-based
  int column = 0;  // 1-based, in characters
  std::string detail;
};

struct DecodedText {
  bool from_utf8 = false;
  std::string bytes;  // Windows-1252 bytes for the loader (empty when `fault` is set)
  std::optional<EncodingFault> fault;
};

// Decides the encoding of `raw` and converts it. Line ends are left as they are.
DecodedText ToWindows1252(std::string_view raw);

// Removes a leading UTF-8 byte-order mark, if any.
std::string_view StripUtf8Bom(std::string_view raw);

// One Windows-1252 byte as UTF-8 (itself below 0x80); empty for the five byte values
// Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D). Every conversion from
// Windows-1252 in the program goes through this one table, filled once by the C
// library's iconv.
std::string_view Cp1252ByteToUtf8(unsigned char byte);

// Converts Windows-1252 bytes to UTF-8; the undefined bytes become U+FFFD, so the result
// is always valid UTF-8.
std::string Cp1252ToUtf8(std::string_view bytes);

// A line of a text made safe for a UTF-8 terminal: Windows-1252 bytes are converted
// (`from_utf8` false) or UTF-8 is kept (true); control characters other than the tab,
// and bytes with no character, become '?'. Every character of the line stays one
// character, so a caret placed by column still points at the same place.
std::string LineForTerminal(std::string_view line, bool from_utf8);

}  // namespace percorso

#endif  // PERCORSO_BASE_TEXT_ENCODING_H_
