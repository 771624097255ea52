// Readers for the three compiled files: the cell file, the line file and the plan file.
//
// Each decoder takes the whole file as bytes and either returns the decoded model or a
// DecodeError naming the byte offset where the structure broke. They read nothing they
// have not bounds-checked first, so any byte string, truncated or corrupt, is safe input.
#ifndef PERCORSO_FORMAT_DECODE_H_
#define PERCORSO_FORMAT_DECODE_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/cell_grid.h"
#include "model/line_table.h"

namespace percorso {

struct DecodeError {
  size_t offset = 0;    // byte of the file where the structure broke
  std::string message;  // what was expected there
  // "byte 1234: slot 17: ..."
  std::string Describe() const { return "byte " + std::to_string(offset) + ": " + message; }
};

// A decoded value or the reason why there is none.
template <typename T>
struct Decoded {
  T value{};
  std::optional<DecodeError> error;
  bool ok() const { return !error.has_value(); }
};

// The cell file: a whole number of 15-byte cells, at least one.
Decoded<std::vector<TrackCell>> DecodeCellFile(std::string_view bytes);

// The line file: exactly 87 slots, each 34 bytes plus its text, and nothing after them.
Decoded<LineTable> DecodeLineFile(std::string_view bytes);

// One element of the plan: its tag (kPlanEmpty, kPlanInt16, kPlanDouble from
// model/track_plan.h) and its value (0 when empty; a 16-bit integer held exactly).
struct PlanElement {
  uint16_t tag = 0;
  double value = 0;
};

struct DecodedPlan {
  std::vector<PlanElement> x;  // component 0 of points 0..M
  std::vector<PlanElement> y;  // component 1 of points 0..M
  // M, the last point number.
  int64_t upper() const { return static_cast<int64_t>(x.size()) - 1; }
  // The number of points from point 0 on whose two elements both hold a value: the
  // points that can be drawn. The last of them is the last computed point.
  int64_t FilledPoints() const;
};

// The plan file: two components with the same number of elements and the same tag at
// every point, each element a known tag (0, 2, 5) followed by its whole value.
Decoded<DecodedPlan> DecodePlanFile(std::string_view bytes);

}  // namespace percorso

#endif  // PERCORSO_FORMAT_DECODE_H_
