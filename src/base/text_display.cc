#include "base/text_display.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace percorso {

std::string EscapeControls(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (char ch : utf8) {
    unsigned char b = static_cast<unsigned char>(ch);
    if (b < 0x20 || b == 0x7f) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02x", b);
      out.append(buf);
    } else {
      out.push_back(ch);
    }
  }
  return out;
}

std::string EscapeHtml(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (char ch : utf8) {
    switch (ch) {
      case '&': out.append("&amp;"); break;
      case '<': out.append("&lt;"); break;
      case '>': out.append("&gt;"); break;
      case '"': out.append("&quot;"); break;
      case '\'': out.append("&#39;"); break;
      default: out.push_back(ch);
    }
  }
  return out;
}

std::string ClockText(long long seconds) {
  bool negative = seconds < 0;
  unsigned long long s = negative ? 0ULL - static_cast<unsigned long long>(seconds)
                                  : static_cast<unsigned long long>(seconds);
  char buf[48];
  std::snprintf(buf, sizeof buf, "%s%02llu:%02llu:%02llu", negative ? "-" : "", s / 3600,
                (s / 60) % 60, s % 60);
  return buf;
}

}  // namespace percorso
