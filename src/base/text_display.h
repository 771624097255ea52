// Turning the texts of the compiled files into text for people: escaped for terminals
// and HTML. (Their conversion from Windows-1252 to UTF-8 is base/text_encoding.h's.)
#ifndef PERCORSO_BASE_TEXT_DISPLAY_H_
#define PERCORSO_BASE_TEXT_DISPLAY_H_

#include <string>
#include <string_view>

namespace percorso {

// For a terminal line: control characters (below 0x20 and 0x7f) shown as \xNN, so that a
// corrupt text can neither break the line nor move the cursor.
std::string EscapeControls(std::string_view utf8);

// For HTML text and attribute values: & < > " ' as character references.
std::string EscapeHtml(std::string_view utf8);

// Seconds after midnight as hh:mm:ss; negative values keep their sign, hours may pass 23.
std::string ClockText(long long seconds);

}  // namespace percorso

#endif  // PERCORSO_BASE_TEXT_DISPLAY_H_
