#include "compiler/field_reader.h"

#include <array>
#include <climits>
#include <cstring>

namespace percorso {

namespace {

// Byte classes, looked up once per byte in the scanning loops.
enum : uint8_t {
  kBlank = 1,    // space, tab
  kLineEnd = 2,  // CR, LF
  kComma = 4,
};

constexpr std::array<uint8_t, 256> MakeClasses() {
  std::array<uint8_t, 256> t{};
  t[static_cast<unsigned char>(' ')] = kBlank;
  t[static_cast<unsigned char>('\t')] = kBlank;
  t[static_cast<unsigned char>('\r')] = kLineEnd;
  t[static_cast<unsigned char>('\n')] = kLineEnd;
  t[static_cast<unsigned char>(',')] = kComma;
  return t;
}
constexpr std::array<uint8_t, 256> kClass = MakeClasses();

inline uint8_t ClassOf(char c) { return kClass[static_cast<unsigned char>(c)]; }

struct Range {
  int64_t lo;
  int64_t hi;
};

constexpr Range RangeOf(NumberWidth w) {
  switch (w) {
    case NumberWidth::kInt16:
      return {INT16_MIN, INT16_MAX};
    case NumberWidth::kByte:
      return {0, 255};
    case NumberWidth::kInt32:
      break;
  }
  return {INT32_MIN, INT32_MAX};
}

// Parses a whole field as a signed decimal integer. Returns false when the field is not
// a number (then it reads 0). A number too large for every width sets *too_big.
bool ParseDecimal(std::string_view f, int64_t* value, bool* too_big) {
  size_t i = 0;
  bool negative = false;
  if (i < f.size() && (f[i] == '+' || f[i] == '-')) {
    negative = f[i] == '-';
    ++i;
  }
  if (i == f.size()) return false;
  int64_t v = 0;
  *too_big = false;
  for (; i < f.size(); ++i) {
    unsigned d = static_cast<unsigned char>(f[i]) - '0';
    if (d > 9) return false;
    if (v <= (int64_t{1} << 40))
      v = v * 10 + d;  // beyond that it fits no width anyway
    else
      *too_big = true;
  }
  *value = negative ? -v : v;
  return true;
}

int ClampInt(size_t v) { return v > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(v); }

}  // namespace

std::string_view WidthName(NumberWidth width) {
  switch (width) {
    case NumberWidth::kInt16:
      return "16-bit field (-32768 to 32767)";
    case NumberWidth::kByte:
      return "byte field (0 to 255)";
    case NumberWidth::kInt32:
      break;
  }
  return "32-bit field (-2147483648 to 2147483647)";
}

std::string ReadFailure::Message() const {
  switch (kind) {
    case ReadFailureKind::kPastEnd:
      return "the text ends where a field was expected";
    case ReadFailureKind::kTooWide:
      return "value " + number + " does not fit a " + std::string(WidthName(width));
    case ReadFailureKind::kTextTooLong:
      return "text field of " + std::to_string(length) + " bytes is longer than " +
             std::to_string(kMaxTextField) + " bytes";
  }
  return "read failure";
}

int FieldReader::column() const { return ClampInt(pos_ - line_start_ + 1); }

void FieldReader::NewLineAt(size_t next_line_start) {
  if (line_ < INT_MAX) ++line_;
  line_start_ = next_line_start;
}

void FieldReader::SkipBlanks() {
  while (pos_ < s_.size() && ClassOf(s_[pos_]) == kBlank) ++pos_;
}

void FieldReader::ConsumeFieldEnd() {
  if (pos_ >= s_.size()) return;
  char c = s_[pos_];
  if (c == ',') {
    ++pos_;
  } else if (c == '\r') {
    ++pos_;
    if (pos_ < s_.size() && s_[pos_] == '\n') ++pos_;
    NewLineAt(pos_);
  } else if (c == '\n') {
    ++pos_;
    NewLineAt(pos_);
  }
}

void FieldReader::AdvanceCountingLines(size_t end) {
  while (pos_ < end) {
    char c = s_[pos_++];
    if (c == '\r') {
      if (pos_ < end && s_[pos_] == '\n') ++pos_;
      NewLineAt(pos_);
    } else if (c == '\n') {
      NewLineAt(pos_);
    }
  }
}

ReadFailure FieldReader::PastEnd() const {
  ReadFailure f;
  f.kind = ReadFailureKind::kPastEnd;
  f.line = line_;
  f.column = column();
  return f;
}

std::optional<ReadFailure> FieldReader::ReadText(TextField* out) {
  if (AtEnd()) return PastEnd();
  out->first_on_line = pos_ == line_start_;
  SkipBlanks();
  out->line = line_;
  out->column = column();
  const size_t n = s_.size();
  std::string_view text;
  if (pos_ < n && s_[pos_] == '"') {
    const size_t open = pos_ + 1;
    const void* q = std::memchr(s_.data() + open, '"', n - open);
    const size_t close = q ? static_cast<size_t>(static_cast<const char*>(q) - s_.data()) : n;
    text = s_.substr(open, close - open);
    AdvanceCountingLines(close);
    if (close < n) {
      ++pos_;  // the closing quote; what follows it up to the field's end is ignored
      while (pos_ < n && (ClassOf(s_[pos_]) & (kComma | kLineEnd)) == 0) ++pos_;
      ConsumeFieldEnd();
    }
  } else {
    const size_t start = pos_;
    while (pos_ < n && (ClassOf(s_[pos_]) & (kComma | kLineEnd)) == 0) ++pos_;
    text = s_.substr(start, pos_ - start);
    ConsumeFieldEnd();
  }
  if (text.size() > kMaxTextField) {
    ReadFailure f;
    f.kind = ReadFailureKind::kTextTooLong;
    f.line = out->line;
    f.column = out->column;
    f.length = text.size();
    return f;
  }
  out->text = text;
  return std::nullopt;
}

std::optional<ReadFailure> FieldReader::ReadNumber(NumberWidth width, NumberField* out) {
  if (AtEnd()) return PastEnd();
  out->first_on_line = pos_ == line_start_;
  SkipBlanks();
  out->line = line_;
  out->column = column();
  const size_t start = pos_;
  const size_t n = s_.size();
  while (pos_ < n && ClassOf(s_[pos_]) == 0) ++pos_;
  std::string_view field = s_.substr(start, pos_ - start);
  out->text = field;
  SkipBlanks();
  const size_t after_blanks = pos_;
  ConsumeFieldEnd();
  // Ended at blanks with no comma or line end after them: the next field follows.
  out->joined = pos_ == after_blanks && pos_ < n && pos_ > start + field.size();

  int64_t v = 0;
  bool too_big = false;
  out->numeric = ParseDecimal(field, &v, &too_big);
  if (!out->numeric) {
    out->value = 0;
    return std::nullopt;
  }
  const Range r = RangeOf(width);
  if (too_big || v < r.lo || v > r.hi) {
    ReadFailure f;
    f.kind = ReadFailureKind::kTooWide;
    f.line = out->line;
    f.column = out->column;
    f.width = width;
    constexpr size_t kShown = 40;
    f.number =
        field.size() > kShown ? std::string(field.substr(0, kShown)) + "..." : std::string(field);
    return f;
  }
  out->value = static_cast<int32_t>(v);
  return std::nullopt;
}

}  // namespace percorso
