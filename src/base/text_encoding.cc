#include "base/text_encoding.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>

namespace percorso {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// Length of the valid UTF-8 sequence at s[i], or 0 when none starts there. Overlong
// forms, surrogates and code points above U+10FFFF are not valid.
size_t Utf8SequenceLength(std::string_view s, size_t i) {
  auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char b = byte(i);
  if (b < 0x80) return 1;
  size_t n;
  unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
  if (b >= 0xC2 && b <= 0xDF) {
    n = 2;
  } else if (b >= 0xE0 && b <= 0xEF) {
    n = 3;
    if (b == 0xE0) lo = 0xA0;
    if (b == 0xED) hi = 0x9F;
  } else if (b >= 0xF0 && b <= 0xF4) {
    n = 4;
    if (b == 0xF0) lo = 0x90;
    if (b == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  if (byte(i + 1) < lo || byte(i + 1) > hi) return 0;
  for (size_t k = 2; k < n; ++k) {
    if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return 0;
  }
  return n;
}

// Offset of the first invalid sequence (npos when the text is valid UTF-8), and whether
// a multi-byte sequence comes before it.
struct Utf8Scan {
  size_t invalid_at = std::string_view::npos;
  bool multibyte = false;
};

Utf8Scan ScanUtf8(std::string_view s) {
  Utf8Scan scan;
  for (size_t i = 0; i < s.size();) {
    size_t n = Utf8SequenceLength(s, i);
    if (n == 0) {
      scan.invalid_at = i;
      return scan;
    }
    if (n > 1) scan.multibyte = true;
    i += n;
  }
  return scan;
}

// Line and column (in characters) of the byte at `offset` of a UTF-8 text. A line ends
// at CR LF, at LF alone or at CR alone, as the loader's reader cuts lines.
EncodingFault Locate(std::string_view s, size_t offset) {
  EncodingFault f;
  f.line = 1;
  f.column = 1;
  for (size_t i = 0; i < offset && i < s.size(); ++i) {
    char c = s[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < offset && s[i + 1] == '\n') ++i;
      ++f.line;
      f.column = 1;
    } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
      ++f.column;
    }
  }
  return f;
}

uint32_t CodePointAt(std::string_view s, size_t i) {
  size_t n = Utf8SequenceLength(s, i);
  auto b = [&](size_t k) { return static_cast<uint32_t>(static_cast<unsigned char>(s[i + k])); };
  switch (n) {
    case 1: return b(0);
    case 2: return ((b(0) & 0x1F) << 6) | (b(1) & 0x3F);
    case 3: return ((b(0) & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F);
    case 4:
      return ((b(0) & 0x07) << 18) | ((b(1) & 0x3F) << 12) | ((b(2) & 0x3F) << 6) | (b(3) & 0x3F);
    default: return 0;
  }
}

class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() {
    if (ok()) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts as much of `in` as it can into `out`; returns the offset where it stopped
  // on a character it cannot convert, or npos when everything was converted.
  size_t Convert(std::string_view in, std::string& out) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(in.data());
    size_t src_left = in.size();
    while (src_left > 0) {
      char buf[4096];
      char* dst = buf;
      size_t dst_left = sizeof buf;
      size_t r = iconv(cd_, &src, &src_left, &dst, &dst_left);
      int e = errno;
      out.append(buf, static_cast<size_t>(dst - buf));
      if (r == static_cast<size_t>(-1) && e != E2BIG)
        return static_cast<size_t>(src - in.data());
    }
    return std::string_view::npos;
  }

 private:
  iconv_t cd_;
};

}  // namespace

std::string_view StripUtf8Bom(std::string_view raw) {
  if (raw.substr(0, kBom.size()) == kBom) raw.remove_prefix(kBom.size());
  return raw;
}

DecodedText ToWindows1252(std::string_view raw) {
  DecodedText d;
  std::string_view text = StripUtf8Bom(raw);
  bool has_bom = text.size() != raw.size();
  Utf8Scan scan = ScanUtf8(text);
  bool valid = scan.invalid_at == std::string_view::npos;
  if (!has_bom && !(valid && scan.multibyte)) {
    d.bytes.assign(raw);
    return d;
  }
  d.from_utf8 = true;
  if (!valid) {
    d.fault = Locate(text, scan.invalid_at);
    d.fault->detail = "the text begins with a UTF-8 byte-order mark but holds bytes that are not UTF-8";
    return d;
  }
  Iconv cd("WINDOWS-1252", "UTF-8");
  if (!cd.ok()) {
    d.fault = EncodingFault{0, 0, "the C library cannot convert UTF-8 to Windows-1252"};
    return d;
  }
  size_t stop = cd.Convert(text, d.bytes);
  if (stop != std::string_view::npos) {
    d.bytes.clear();
    d.fault = Locate(text, stop);
    char cp[16];
    std::snprintf(cp, sizeof cp, "U+%04X", static_cast<unsigned>(CodePointAt(text, stop)));
    d.fault->detail = std::string("the character ") + cp + " has no Windows-1252 form";
  }
  return d;
}

namespace {

// The 256 bytes of Windows-1252 as UTF-8, converted once; a byte iconv refuses (or every
// high byte, when the C library has no converter) stays empty.
struct Cp1252Table {
  std::string utf8[256];
  Cp1252Table() {
    Iconv cd("UTF-8", "WINDOWS-1252");
    for (int b = 0; b < 256; ++b) {
      const char ch = static_cast<char>(b);
      if (b < 0x80) {
        utf8[b].assign(1, ch);
        continue;
      }
      std::string one;
      if (cd.ok() && cd.Convert(std::string_view(&ch, 1), one) == std::string_view::npos)
        utf8[b] = one;
    }
  }
};

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

}  // namespace

std::string_view Cp1252ByteToUtf8(unsigned char byte) {
  static const Cp1252Table table;
  return table.utf8[byte];
}

std::string Cp1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (char ch : bytes) {
    const unsigned char b = static_cast<unsigned char>(ch);
    if (b < 0x80) {
      out.push_back(ch);
      continue;
    }
    const std::string_view utf8 = Cp1252ByteToUtf8(b);
    out.append(utf8.empty() ? kReplacement : utf8);
  }
  return out;
}

std::string LineForTerminal(std::string_view line, bool from_utf8) {
  std::string out;
  auto safe = [](unsigned char c) { return c == '\t' || (c >= 0x20 && c != 0x7F); };
  if (from_utf8) {
    for (size_t i = 0; i < line.size();) {
      size_t n = Utf8SequenceLength(line, i);
      if (n == 0) {
        out += '?';
        ++i;
        continue;
      }
      uint32_t cp = CodePointAt(line, i);
      bool control = cp < 0x20 ? cp != '\t' : (cp == 0x7F || (cp >= 0x80 && cp <= 0x9F));
      if (control) {
        out += '?';
      } else {
        out.append(line.substr(i, n));
      }
      i += n;
    }
    return out;
  }
  for (unsigned char c : line) {
    if (c < 0x80) {
      out += safe(c) ? static_cast<char>(c) : '?';
      continue;
    }
    const std::string_view utf8 = Cp1252ByteToUtf8(c);
    if (utf8.empty()) {
      out += '?';
    } else {
      out.append(utf8);
    }
  }
  return out;
}

}  // namespace percorso
