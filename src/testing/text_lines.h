// Reading the built-in texts back in tests: the bytes of a file cut into lines, and a row
// cut into its comma-separated fields.
#ifndef PERCORSO_TESTING_TEXT_LINES_H_
#define PERCORSO_TESTING_TEXT_LINES_H_

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace percorso {

// The lines of a text whose every line ends with CR LF. A CR or LF anywhere else, or
// bytes after the last CR LF, fail the calling test.
inline std::vector<std::string> SplitCrLfLines(const std::string& bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t cr = bytes.find_first_of("\r\n", start);
    if (cr == std::string::npos) {
      ADD_FAILURE() << "bytes after the last CR LF: " << bytes.substr(start);
      break;
    }
    if (bytes.compare(cr, 2, "\r\n") != 0) {
      ADD_FAILURE() << "line " << lines.size() + 1 << " holds a bare CR or LF";
      break;
    }
    lines.push_back(bytes.substr(start, cr - start));
    start = cr + 2;
  }
  return lines;
}

// The fields of a row, cut at every comma, with the blanks around each removed.
inline std::vector<std::string> Fields(std::string_view row) {
  std::vector<std::string> out;
  size_t start = 0;
  while (true) {
    size_t comma = row.find(',', start);
    std::string_view f =
        row.substr(start, comma == std::string_view::npos ? row.npos : comma - start);
    size_t b = f.find_first_not_of(' ');
    size_t e = f.find_last_not_of(' ');
    out.emplace_back(b == std::string_view::npos ? std::string_view() : f.substr(b, e - b + 1));
    if (comma == std::string_view::npos) return out;
    start = comma + 1;
  }
}

// A field read as a whole signed decimal number; anything else fails the calling test.
inline long Num(const std::string& field) {
  char* end = nullptr;
  long v = std::strtol(field.c_str(), &end, 10);
  if (field.empty() || *end != '\0') ADD_FAILURE() << "not a number: \"" << field << "\"";
  return v;
}

}  // namespace percorso

#endif  // PERCORSO_TESTING_TEXT_LINES_H_
