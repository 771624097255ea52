#include "base/text_display.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace percorso {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// One iconv descriptor for the process; the conversion is stateless between calls.
iconv_t Converter() {
  static iconv_t cd = iconv_open("UTF-8", "WINDOWS-1252");
  return cd;
}

}  // namespace

std::string Cp1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  iconv_t cd = Converter();
  for (char ch : bytes) {
    unsigned char b = static_cast<unsigned char>(ch);
    if (b < 0x80) {
      out.push_back(ch);
      continue;
    }
    if (cd == reinterpret_cast<iconv_t>(-1)) {
      out.append(kReplacement);
      continue;
    }
    // Byte by byte: Windows-1252 is a single-byte set, and an undefined byte then costs
    // only itself.
    char in_buf[1] = {ch};
    char out_buf[8];
    char* in_ptr = in_buf;
    size_t in_left = 1;
    char* out_ptr = out_buf;
    size_t out_left = sizeof out_buf;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left) == static_cast<size_t>(-1)) {
      out.append(kReplacement);
    } else {
      out.append(out_buf, sizeof out_buf - out_left);
    }
  }
  return out;
}

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
