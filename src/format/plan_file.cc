#include "format/plan_file.h"

#include <algorithm>
#include <optional>
#include <span>

#include "base/coding.h"
#include "format/byte_reader.h"

namespace percorso {

namespace {

// Writes one component into `p`: points 0 and 1 as 16-bit integers, the computed points
// as doubles. The empty elements after them are the tag 0 alone, which the zero-filled
// buffer already holds, so they are skipped.
char* EncodeComponent(char* p, std::span<const double> values, int64_t starts, int64_t next,
                      int64_t upper) {
  int64_t j = 0;
  for (; j < starts; ++j) {
    p = EncodeFixed16(p, kPlanInt16);
    p = EncodeFixed16(p, static_cast<uint16_t>(static_cast<int16_t>(values[static_cast<size_t>(j)])));
  }
  for (; j < next; ++j) {
    p = EncodeFixed16(p, kPlanDouble);
    p = EncodeDouble(p, values[static_cast<size_t>(j)]);
  }
  return p + 2 * (upper + 1 - next);
}

const char* TagName(uint16_t tag) {
  switch (tag) {
    case kPlanEmpty: return "empty";
    case kPlanInt16: return "int16";
    case kPlanDouble: return "double";
    default: return "unknown";
  }
}

}  // namespace

std::string EncodePlanFile(const TrackPlan& plan) {
  if (!plan.exists()) return std::string();
  // The plan file is written element by element straight into a buffer of its exact
  // size: the longest plan is 20 MB, and one append per element would dominate a build.
  const int64_t upper = plan.upper();
  const int64_t next = std::min<int64_t>(plan.next(), upper + 1);
  const int64_t starts = std::min<int64_t>(next, 2);
  const int64_t component = 2 * (upper + 1) + 2 * starts + 8 * (next - starts);
  std::string out(static_cast<size_t>(2 * component), '\0');
  char* p = out.data();
  p = EncodeComponent(p, plan.xs(), starts, next, upper);
  EncodeComponent(p, plan.ys(), starts, next, upper);
  return out;
}

int64_t DecodedPlan::FilledPoints() const {
  int64_t n = 0;
  while (n < static_cast<int64_t>(x.size()) && x[static_cast<size_t>(n)].tag != kPlanEmpty &&
         y[static_cast<size_t>(n)].tag != kPlanEmpty) {
    ++n;
  }
  return n;
}

namespace {

// Reads the element at `r`'s place into `*e`; an error message when it cannot (`index`:
// the element's number, for the message).
std::optional<DecodeError> ReadElement(ByteReader& r, size_t index, PlanElement* e) {
  const size_t at = r.offset();
  if (!r.U16(&e->tag, "an element tag")) {
    return DecodeError{at, "element " + std::to_string(index) + ": " + r.shortage()};
  }
  bool ok = true;
  e->value = 0;
  if (e->tag == kPlanInt16) {
    int16_t v = 0;
    ok = r.I16(&v, "an int16 value");
    e->value = v;
  } else if (e->tag == kPlanDouble) {
    ok = r.F64(&e->value, "a double value");
  } else if (e->tag != kPlanEmpty) {
    return DecodeError{at, "element " + std::to_string(index) + ": unknown tag " +
                               std::to_string(e->tag) + " (known: 0 empty, 2 int16, 5 double)"};
  }
  if (!ok) return DecodeError{r.offset(), "element " + std::to_string(index) + ": " + r.shortage()};
  return std::nullopt;
}

}  // namespace

uint64_t MaxPlanFileBytes(int64_t line_length) {
  constexpr uint64_t kMostElementBytes = 2 + 8;  // a tag and a double
  const int64_t length = std::clamp<int64_t>(line_length, 0, kMaxPlanLineLength);
  const uint64_t points = static_cast<uint64_t>(length + 7000 + 1);
  return 2 * kMostElementBytes * points;
}

Decoded<DecodedPlan> DecodePlanFile(std::string_view bytes) {
  // The file has no count: a first walk counts the elements (and finds the first broken
  // one), a second fills the two components.
  size_t count = 0;
  {
    ByteReader r(bytes);
    PlanElement e;
    while (r.left() > 0) {
      if (std::optional<DecodeError> error = ReadElement(r, count, &e)) {
        Decoded<DecodedPlan> out;
        out.error = std::move(error);
        return out;
      }
      ++count;
    }
  }
  if (count < 2) {
    return FailAt<DecodedPlan>(bytes.size(), "plan file holds " + std::to_string(count) +
                                               " elements: two components need at least one each");
  }
  if (count % 2 != 0) {
    return FailAt<DecodedPlan>(bytes.size(),
                             "plan file holds an odd number of elements (" +
                                 std::to_string(count) +
                                 "): it cannot be two components of equal length");
  }
  const size_t points = count / 2;
  Decoded<DecodedPlan> out;
  out.value.x.resize(points);
  out.value.y.resize(points);
  ByteReader r(bytes);
  for (size_t j = 0; j < points; ++j) ReadElement(r, j, &out.value.x[j]);
  for (size_t j = 0; j < points; ++j) {
    const size_t at = r.offset();
    ReadElement(r, points + j, &out.value.y[j]);
    if (out.value.y[j].tag != out.value.x[j].tag) {
      return FailAt<DecodedPlan>(at, "point " + std::to_string(j) + ": component 1 is " +
                                         TagName(out.value.y[j].tag) + " but component 0 is " +
                                         TagName(out.value.x[j].tag));
    }
  }
  return out;
}

}  // namespace percorso
