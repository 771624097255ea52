#include "lsp/framing.h"

#include <istream>

namespace percorso::lsp {

namespace {

constexpr size_t kMaxHeaderLine = 1024;
constexpr int kMaxHeaderLines = 32;

enum class LineRead { kLine, kEnd, kTooLong };

// One header line without its CR LF (a lone LF is taken as well).
LineRead ReadHeaderLine(std::istream& in, std::string* line) {
  line->clear();
  for (;;) {
    const int c = in.get();
    if (c == std::char_traits<char>::eof()) return LineRead::kEnd;
    if (c == '\n') break;
    if (line->size() >= kMaxHeaderLine) return LineRead::kTooLong;
    line->push_back(static_cast<char>(c));
  }
  if (!line->empty() && line->back() == '\r') line->pop_back();
  return LineRead::kLine;
}

bool EqualsFolded(std::string_view a, std::string_view lower) {
  if (a.size() != lower.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const char c = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] + 32) : a[i];
    if (c != lower[i]) return false;
  }
  return true;
}

// The value of a Content-Length header: digits only, no overflow.
bool ParseLength(std::string_view v, size_t* out) {
  while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
  while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
  if (v.empty() || v.size() > 18) return false;
  size_t n = 0;
  for (char c : v) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + static_cast<size_t>(c - '0');
  }
  *out = n;
  return true;
}

Frame Malformed(std::string why) {
  Frame f;
  f.status = FrameStatus::kMalformed;
  f.error = std::move(why);
  return f;
}

}  // namespace

Frame ReadFrame(std::istream& in, size_t max_body) {
  std::string line;
  bool have_length = false;
  size_t length = 0;
  for (int n = 0;; ++n) {
    if (n >= kMaxHeaderLines) return Malformed("more than 32 header lines");
    const LineRead r = ReadHeaderLine(in, &line);
    if (r == LineRead::kEnd) return Frame{};
    if (r == LineRead::kTooLong) return Malformed("a header line longer than 1024 bytes");
    if (line.empty()) {
      if (n == 0) {  // a stray empty line between messages
        --n;
        continue;
      }
      break;
    }
    const size_t colon = line.find(':');
    if (colon == std::string::npos) return Malformed("a header line without ':'");
    if (EqualsFolded(std::string_view(line).substr(0, colon), "content-length")) {
      if (!ParseLength(std::string_view(line).substr(colon + 1), &length))
        return Malformed("a Content-Length that is not a number");
      have_length = true;
    }
  }
  if (!have_length) return Malformed("a header without Content-Length");

  Frame f;
  f.declared = length;
  if (length > max_body) {
    // Read past the body in pieces, keeping none of it.
    char buffer[65536];
    size_t left = length;
    while (left > 0) {
      const size_t want = left < sizeof buffer ? left : sizeof buffer;
      in.read(buffer, static_cast<std::streamsize>(want));
      const size_t got = static_cast<size_t>(in.gcount());
      if (got == 0) return Frame{};
      left -= got;
    }
    f.status = FrameStatus::kTooLarge;
    return f;
  }
  f.body.resize(length);
  in.read(f.body.data(), static_cast<std::streamsize>(length));
  if (static_cast<size_t>(in.gcount()) != length) return Frame{};
  f.status = FrameStatus::kMessage;
  return f;
}

std::string EncodeFrame(std::string_view body) {
  std::string out = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
  out += body;
  return out;
}

}  // namespace percorso::lsp
