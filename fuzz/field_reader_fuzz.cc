// Cuts arbitrary bytes into fields the way the loader does. The first byte of the input
// drives the kinds of field asked for (text, or a number of one of the three widths),
// eight reads to the byte, cycling; the rest is the text.
//
// Beyond "no crash", every field is checked against the bytes: a text field is a view
// inside the text that starts where the reader says (after the opening quote of a quoted
// field), holds no field end (no comma or line end unquoted, no quote quoted); a number
// fits its width; and each successful read moves the reader strictly forward, so a
// reader that stalls is caught instead of looping for ever.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "compiler/field_reader.h"

namespace {

using percorso::FieldReader;
using percorso::NumberField;
using percorso::NumberWidth;
using percorso::ReadFailure;
using percorso::ReadFailureKind;
using percorso::TextField;

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "field reader invariant broken: %s\n", what);
  std::abort();
}

// Offsets where each line starts, counting CR LF, a lone LF and a lone CR as one line end
// each (an independent count to check the reader's line and column against).
std::vector<size_t> LineStarts(std::string_view s) {
  std::vector<size_t> starts{0};
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\r') {
      if (i + 1 < s.size() && s[i + 1] == '\n') ++i;
      starts.push_back(i + 1);
    } else if (s[i] == '\n') {
      starts.push_back(i + 1);
    }
  }
  return starts;
}

size_t OffsetOf(const std::vector<size_t>& starts, int line, int column) {
  Check(line >= 1 && static_cast<size_t>(line) <= starts.size(), "line number out of range");
  Check(column >= 1, "column below 1");
  return starts[static_cast<size_t>(line) - 1] + static_cast<size_t>(column) - 1;
}

bool Contains(std::string_view s, std::string_view any) {
  return s.find_first_of(any) != std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t script = data[0];
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::vector<size_t> starts = LineStarts(text);

  FieldReader reader(text);
  int last_line = reader.line();
  int last_column = reader.column();
  for (unsigned step = 0;; ++step) {
    const bool at_end = reader.AtEnd();
    const unsigned op = (script >> ((step % 4) * 2)) & 3;
    std::optional<ReadFailure> failure;
    int line = 0;
    int column = 0;
    if (op == 0) {
      TextField f;
      failure = reader.ReadText(&f);
      if (!failure) {
        line = f.line;
        column = f.column;
        const size_t at = OffsetOf(starts, f.line, f.column);
        Check(at <= text.size(), "text field starts beyond the text");
        const bool quoted = at < text.size() && text[at] == '"';
        const char* want = text.data() + at + (quoted ? 1 : 0);
        Check(f.text.data() == want || f.text.empty(), "text field is not where it says");
        Check(f.text.size() <= percorso::kMaxTextField, "text field too long");
        Check(f.text.empty() || (f.text.data() >= text.data() &&
                                 f.text.data() + f.text.size() <= text.data() + text.size()),
              "text field outside the text");
        Check(quoted ? !Contains(f.text, "\"") : !Contains(f.text, std::string_view(",\r\n", 3)),
              "text field holds its own end");
      }
    } else {
      const NumberWidth width = op == 1   ? NumberWidth::kInt32
                                : op == 2 ? NumberWidth::kInt16
                                          : NumberWidth::kByte;
      NumberField f;
      failure = reader.ReadNumber(width, &f);
      if (!failure) {
        line = f.line;
        column = f.column;
        OffsetOf(starts, f.line, f.column);
        if (width == NumberWidth::kInt16) Check(f.value >= -32768 && f.value <= 32767, "int16");
        if (width == NumberWidth::kByte) Check(f.value >= 0 && f.value <= 255, "byte");
        if (!f.numeric) Check(f.value == 0, "a field that is not a number reads 0");
      }
    }
    if (failure) {
      (void)failure->Message();
      Check(failure->kind != ReadFailureKind::kPastEnd || at_end, "past end before the end");
      // A read past the end is the last thing the loader ever does with a text; other
      // failures also end the load, so stop here as the loader would.
      break;
    }
    Check(!at_end, "a field was read after the end");
    Check(line > last_line || (line == last_line && column >= last_column),
          "field starts before the previous one ended");
    const int now_line = reader.line();
    const int now_column = reader.column();
    Check(now_line > last_line || (now_line == last_line && now_column > last_column),
          "the reader did not move forward");
    OffsetOf(starts, now_line, now_column);
    last_line = now_line;
    last_column = now_column;
  }
  return 0;
}
