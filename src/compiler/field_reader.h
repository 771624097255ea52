// The field reader: cuts the bytes of a line description or train data text into
// fields, the way the loader reads them.
//
// A text is a stream of fields, not of lines:
//  - a field ends at a comma or at a line end, and the comma or line end is consumed
//    with it; CR LF, a lone LF and a lone CR each end one line; an empty line is one
//    empty field;
//  - blanks (spaces and tabs) before a field are skipped;
//  - a text field that starts with a double quote runs to the next double quote (line
//    ends included); whatever stands after the closing quote up to the next comma or
//    line end is ignored, and a quote that is never closed runs to the end of the text;
//    any other text field runs to the next comma or line end and keeps its trailing
//    blanks;
//  - a numeric field is a signed decimal integer that also ends at a blank; the blanks
//    after it and then one comma or line end are consumed, so the numbers of a row may
//    be set apart by blanks alone; an empty field or one that is not a number reads 0.
//
// Failures are values: a field read when the text has ended, a number that does not fit
// its width, and a text field too long for the 16-bit byte count of the line file.
// Every field knows the 1-based line and byte column where it starts.
//
// The reader never allocates while reading: text fields are views into the bytes, which
// must outlive the reader and the fields it returns.
#ifndef PERCORSO_COMPILER_FIELD_READER_H_
#define PERCORSO_COMPILER_FIELD_READER_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace percorso {

// The width a numeric field is stored in.
enum class NumberWidth : uint8_t {
  kInt32,  // -2147483648 to 2147483647
  kInt16,  // -32768 to 32767
  kByte,   // 0 to 255
};

// The longest text field that fits the 16-bit byte count of the line file.
inline constexpr size_t kMaxTextField = 65535;

struct TextField {
  std::string_view text;  // without the quotes of a quoted field
  int line = 0;           // where the field starts (its quote, for a quoted field)
  int column = 0;
  bool first_on_line = false;  // nothing but blanks before it on its line
};

struct NumberField {
  int32_t value = 0;
  bool numeric = false;  // false: the field was empty or not a number, and reads 0
  int line = 0;
  int column = 0;
  std::string_view text;       // the field as written, without the blanks around it
  bool first_on_line = false;  // nothing but blanks before it on its line
  bool joined = false;  // ended at blanks, with the next field after them on the same line
};

enum class ReadFailureKind : uint8_t {
  kPastEnd,      // a field was asked for after the end of the text
  kTooWide,      // a number that does not fit its width
  kTextTooLong,  // a text field longer than kMaxTextField bytes
};

struct ReadFailure {
  ReadFailureKind kind = ReadFailureKind::kPastEnd;
  int line = 0;  // where the failing field starts; for kPastEnd, the end of the text
  int column = 0;
  NumberWidth width = NumberWidth::kInt32;  // kTooWide
  std::string number;                       // kTooWide: the number as written (cut if huge)
  size_t length = 0;                        // kTextTooLong: the field's length in bytes

  // "value 300 does not fit a byte field (0 to 255)", "the text ends where a field was
  // expected", "text field of 70000 bytes is longer than 65535 bytes".
  std::string Message() const;
};

// Name and range of a width, e.g. "byte field (0 to 255)".
std::string_view WidthName(NumberWidth width);

class FieldReader {
 public:
  explicit FieldReader(std::string_view bytes) : s_(bytes) {}
  // The fields are views into the bytes: a temporary text would leave them dangling.
  explicit FieldReader(std::string&&) = delete;
  explicit FieldReader(const char* bytes) : s_(bytes) {}

  // True when every byte has been consumed: the next field would be read past the end.
  bool AtEnd() const { return pos_ == s_.size(); }

  // Reads one text field.
  std::optional<ReadFailure> ReadText(TextField* out);
  // Reads one numeric field of the given width.
  std::optional<ReadFailure> ReadNumber(NumberWidth width, NumberField* out);

  // Line and column of the next byte to read (of the end, once AtEnd()).
  int line() const { return line_; }
  int column() const;

 private:
  void SkipBlanks();
  // Consumes a comma or one line end when one stands at the current position.
  void ConsumeFieldEnd();
  // Moves to `end`, counting the line ends passed (used inside quoted fields).
  void AdvanceCountingLines(size_t end);
  void NewLineAt(size_t next_line_start);
  ReadFailure PastEnd() const;

  std::string_view s_;
  size_t pos_ = 0;
  size_t line_start_ = 0;
  int line_ = 1;
};

}  // namespace percorso

#endif  // PERCORSO_COMPILER_FIELD_READER_H_
